#pragma once
// The file functions over host paths, for tools that people run on the host
// (vk archive): a path given to them is a host path written as Windows
// texts are, Windows-1252 with "\" or "/" between folders. A path that
// starts with a separator is absolute; any other is relative to the current
// folder given at construction. A drive letter names nothing.

#include <filesystem>
#include <memory>

#include "platform/file_system.h"
#include "platform/path_map.h"

namespace vk::cli {

class HostPathFiles : public platform::PathMap {
 public:
  explicit HostPathFiles(std::filesystem::path currentFolder);
  HostPathFiles(const HostPathFiles&) = delete;
  HostPathFiles& operator=(const HostPathFiles&) = delete;

  platform::FileSystem& Files() { return *files_; }

  std::optional<std::filesystem::path> ToHost(std::string_view path) const override;
  // The nearest folder of the path that exists.
  std::optional<std::filesystem::path> VolumeFolder(std::string_view path) const override;
  std::string WindowsDirectory() const override { return {}; }

 private:
  std::filesystem::path currentFolder_;
  std::unique_ptr<platform::FileSystem> files_;
};

}  // namespace vk::cli
