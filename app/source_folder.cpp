#include "app/source_folder.h"

namespace vk::app {

std::string SourceFolderOf(const std::string& programPath) {
  std::size_t end = programPath.find_last_of("\\:");
  std::string folder = end == std::string::npos ? std::string() : programPath.substr(0, end + 1);
  // The last backslash goes, unless it follows the drive's colon or another
  // backslash; the folder then gets exactly one again.
  if (folder.size() >= 2 && folder.back() == '\\' && folder[folder.size() - 2] != ':' &&
      folder[folder.size() - 2] != '\\') {
    folder.pop_back();
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace vk::app
