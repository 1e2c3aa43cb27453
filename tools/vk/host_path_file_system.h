#pragma once
// The file functions over host paths, for tools that people run on the host
// (vk archive): a path given to them is a host path written as Windows
// texts are, Windows-1252 with "\" or "/" between folders. A path that
// starts with a separator is absolute; any other is relative to the
// current folder given at construction. Drive letters name nothing unless
// a drive is mapped to a host folder. Read-only is the owner's write bit;
// hidden and system have no place on the host and are not kept.

#include <filesystem>
#include <map>
#include <optional>

#include "platform/file_system.h"

namespace vk::cli {

class HostPathFileSystem : public vk::platform::FileSystem {
 public:
  explicit HostPathFileSystem(std::filesystem::path currentFolder,
                              std::map<char, std::filesystem::path> drives = {});

  std::optional<std::filesystem::path> HostPath(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  bool CopyFile(std::string_view from, std::string_view to,
                vk::platform::ExistingTarget existing) override;
  bool DeleteFile(std::string_view path) override;
  bool RemoveDirectory(std::string_view path) override;
  bool CreateDirectories(std::string_view path) override;
  std::uint32_t GetFileAttributes(std::string_view path) override;
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override;
  bool SetFileDosTime(std::string_view path, std::uint16_t dosDate, std::uint16_t dosTime) override;
  // statvfs of the nearest folder of the path that exists.
  std::int64_t GetDiskFreeSpace(std::string_view path) override;
  std::string GetWindowsDirectory() override { return {}; }

 private:
  std::filesystem::path current_folder_;
  std::map<char, std::filesystem::path> drives_;
};

}  // namespace vk::cli
