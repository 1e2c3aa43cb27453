#pragma once
// The built vk program run as people on the host run it: a process of its
// own, the arguments as bytes with no shell in between, and what it wrote
// to its standard output and error.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vk::testing {

struct VkRun {
  int exitCode = -1;  // 128 + the signal's number when a signal ended it
  std::string out;
  std::string err;
};

struct VkRunOptions {
  std::string input;                               // its standard input
  std::map<std::string, std::string> environment;  // replaced or added
};

// The vk program of this build.
std::filesystem::path VkProgram();

// Runs vk with the arguments to its end. Throws std::runtime_error when it
// cannot be started.
VkRun RunVk(const std::vector<std::string>& arguments, const VkRunOptions& options = {});

}  // namespace vk::testing
