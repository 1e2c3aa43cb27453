#include "tools/vk/host_path_files.h"

#include <system_error>

#include "platform/code_page.h"

namespace vk::cli {
namespace fs = std::filesystem;

HostPathFiles::HostPathFiles(fs::path currentFolder)
    : currentFolder_(std::move(currentFolder)), files_(platform::MakeHostFileSystem(*this)) {}

std::optional<fs::path> HostPathFiles::ToHost(std::string_view path) const {
  if (path.empty() || (path.size() >= 2 && path[1] == ':')) return std::nullopt;
  std::string host = platform::ToUtf8(path);
  // A NUL would cut the name short at the operating system.
  if (host.find('\0') != std::string::npos) return std::nullopt;
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  if (host.front() == '/') return fs::path(host);
  return currentFolder_ / host;
}

std::optional<fs::path> HostPathFiles::VolumeFolder(std::string_view path) const {
  auto folder = ToHost(path);
  if (!folder) return std::nullopt;
  std::error_code error;
  while (!folder->empty() && !fs::is_directory(*folder, error)) {
    fs::path parent = folder->parent_path();
    if (parent == *folder) return std::nullopt;
    *folder = parent;
  }
  if (folder->empty()) return std::nullopt;
  return folder;
}

}  // namespace vk::cli
