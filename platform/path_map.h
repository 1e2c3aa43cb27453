#pragma once
// Where the file functions find the host files that paths name. The
// machine is one such map (drive letters onto its prefix); a tool that
// works on host paths directly is another.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vk::platform {

class PathMap {
 public:
  virtual ~PathMap() = default;
  // The host path a path names; no value when it names nothing.
  virtual std::optional<std::filesystem::path> ToHost(std::string_view path) const = 0;
  // The host folder whose file system holds the path's volume (a drive's
  // folder); no value when the volume does not exist.
  virtual std::optional<std::filesystem::path> VolumeFolder(std::string_view path) const = 0;
  // What GetWindowsDirectoryA answers.
  virtual std::string WindowsDirectory() const = 0;
};

}  // namespace vk::platform
