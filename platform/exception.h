#pragma once
// The toolkit's base exception class. Every exception the program raises on
// purpose (the archive expander's, the file streams', the INI writer's)
// derives from it and carries only its message text, which the toolkit's
// standard handler shows in a message box.

#include <stdexcept>
#include <string>

namespace vk::platform {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vk::platform
