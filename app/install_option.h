#pragma once
// One of the seven components of an installation, as the description
// offers it.

#include <cstdint>
#include <string>

namespace vk::app {

inline constexpr int kOptionCount = 7;

struct InstallOption {
  std::string name;
  bool standard = false;  // belongs to the standard type
  bool minimal = false;   // belongs to the minimal type
  bool custom = false;    // preselected in the custom type
  bool programItems = false;
  std::int32_t space = 0;           // bytes once installed
  std::int32_t compressedSize = 0;  // bytes of its archives on the media
};

}  // namespace vk::app
