#pragma once

#include <string>

namespace vk::app {

// The folder of the running program, from its full Windows path: the path
// up to its last backslash or colon, always ending in one backslash
// ("D:\inst\setup" gives "D:\inst\", "A:\setup" gives "A:\").
std::string SourceFolderOf(const std::string& programPath);

}  // namespace vk::app
