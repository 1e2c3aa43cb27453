#pragma once
// The file functions the program asks of Windows, taking Windows paths.
// Like the Windows functions they report failure by their result, never by
// an exception.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <filesystem>

namespace vk::platform {

class PathMap;

// File attribute bits as GetFileAttributesA returns them.
enum FileAttribute : std::uint32_t {
  kAttributeReadOnly = 0x01,
  kAttributeHidden = 0x02,
  kAttributeSystem = 0x04,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
  kAttributeNormal = 0x80,
};
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

enum class ExistingTarget { kReplace, kKeep };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The host path a Windows path names, if its drive is mapped. File
  // streams open through this.
  virtual std::optional<std::filesystem::path> HostPath(std::string_view path) = 0;

  virtual bool FileExists(std::string_view path) = 0;
  virtual bool DirectoryExists(std::string_view path) = 0;
  // CopyFileA: kKeep fails when the target exists.
  virtual bool CopyFile(std::string_view from, std::string_view to, ExistingTarget existing) = 0;
  virtual bool DeleteFile(std::string_view path) = 0;
  // Removes an empty folder.
  virtual bool RemoveDirectory(std::string_view path) = 0;
  // Creates the folder and its missing parents; true when it exists after.
  virtual bool CreateDirectories(std::string_view path) = 0;
  virtual std::uint32_t GetFileAttributes(std::string_view path) = 0;
  virtual bool SetFileAttributes(std::string_view path, std::uint32_t attributes) = 0;
  // Sets the modification time from an MS-DOS date and time, read as local time.
  virtual bool SetFileDosTime(std::string_view path, std::uint16_t dosDate, std::uint16_t dosTime) = 0;
  // GetDiskFreeSpaceA in 64 bits: free bytes of the drive a path is on
  // ("C:\", "C:\any\folder"), -1 for an unmapped or unreadable drive.
  virtual std::int64_t GetDiskFreeSpace(std::string_view path) = 0;
  // GetWindowsDirectoryA.
  virtual std::string GetWindowsDirectory() = 0;
};

// The real file functions on the host, on the files that paths name
// through the map (for the program: the machine's drives). The map must
// outlive the file functions.
std::unique_ptr<FileSystem> MakeHostFileSystem(const PathMap& paths);

}  // namespace vk::platform
