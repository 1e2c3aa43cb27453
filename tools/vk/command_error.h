#pragma once
// A subcommand that cannot do what it was asked throws CommandError; vk's
// main prints its message as one line on stderr and exits with its code.

#include <stdexcept>
#include <string>

namespace vk::cli {

class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const std::string& message, int exitCode = 1)
      : std::runtime_error(message), exitCode_(exitCode) {}
  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

}  // namespace vk::cli
