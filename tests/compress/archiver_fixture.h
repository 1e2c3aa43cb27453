#pragma once
// What the archiver tests share: a machine of their own, file functions
// that can pretend a drive is full or cannot be asked, and archives made by
// the project's own writer.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compress/archive_writer.h"
#include "compress/archiver.h"
#include "platform/file_system.h"
#include "platform/stream.h"
#include "tests/support/test_machine.h"

namespace vk::compress::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Passes every call to the machine's file functions, except that the free
// space can be fixed, and it records the folders created and the paths
// whose free space was asked for.
class ObservedFileSystem : public vk::platform::FileSystem {
 public:
  explicit ObservedFileSystem(vk::platform::FileSystem& inner) : inner_(inner) {}

  std::optional<std::int64_t> freeSpace;
  std::vector<std::string> createdFolders;
  std::vector<std::string> freeSpaceQueries;

  std::optional<std::filesystem::path> HostPath(std::string_view path) override {
    return inner_.HostPath(path);
  }
  bool FileExists(std::string_view path) override { return inner_.FileExists(path); }
  bool DirectoryExists(std::string_view path) override { return inner_.DirectoryExists(path); }
  bool CopyFile(std::string_view from, std::string_view to,
                vk::platform::ExistingTarget existing) override {
    return inner_.CopyFile(from, to, existing);
  }
  bool DeleteFile(std::string_view path) override { return inner_.DeleteFile(path); }
  bool RemoveDirectory(std::string_view path) override { return inner_.RemoveDirectory(path); }
  bool CreateDirectories(std::string_view path) override {
    createdFolders.emplace_back(path);
    return inner_.CreateDirectories(path);
  }
  std::uint32_t GetFileAttributes(std::string_view path) override {
    return inner_.GetFileAttributes(path);
  }
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override {
    return inner_.SetFileAttributes(path, attributes);
  }
  bool SetFileDosTime(std::string_view path, std::uint16_t dosDate,
                      std::uint16_t dosTime) override {
    return inner_.SetFileDosTime(path, dosDate, dosTime);
  }
  std::int64_t GetDiskFreeSpace(std::string_view path) override {
    freeSpaceQueries.emplace_back(path);
    return freeSpace ? *freeSpace : inner_.GetDiskFreeSpace(path);
  }
  std::string GetWindowsDirectory() override { return inner_.GetWindowsDirectory(); }

 private:
  vk::platform::FileSystem& inner_;
};

// One entry for MakeArchive.
struct EntrySpec {
  std::string name;
  std::string data;
  MethodKind method = MethodKind::mkStored;
  std::optional<std::int32_t> key = std::nullopt;
  std::uint32_t fileDate = 0x5A2B6C35;  // 2025-01-11 13:33:42
  std::uint16_t fileAttr = 0x20;
};

inline Bytes MakeArchive(const std::vector<EntrySpec>& entries, std::string_view compressId = "LZH",
                         std::optional<std::int32_t> totalSize = std::nullopt) {
  vk::platform::TMemoryStream stream;
  ArchiveWriter writer(stream, compressId);
  for (const auto& entry : entries) {
    writer.AddEntry(entry.name, ToBytes(entry.data),
                    {.method = entry.method,
                     .fileDate = entry.fileDate,
                     .fileAttr = entry.fileAttr,
                     .key = entry.key});
  }
  writer.Finish(totalSize);
  return stream.Data();
}

// Host modification time of a DOS stamp, read as local time.
inline std::time_t LocalTimeOf(std::uint32_t fileDate) {
  const DosDateTime value = UnpackDosDateTime(fileDate);
  std::tm local{};
  local.tm_year = value.year - 1900;
  local.tm_mon = value.month - 1;
  local.tm_mday = value.day;
  local.tm_hour = value.hour;
  local.tm_min = value.minute;
  local.tm_sec = value.second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

inline std::time_t ModificationTime(const std::filesystem::path& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 ? info.st_mtim.tv_sec : -1;
}

class ArchiverTest : public ::testing::Test {
 protected:
  ArchiverTest() : files(machine.Files()), archiver(files) {}

  // Puts the archive at C:\setup\data.arc and returns that path.
  std::string PutArchive(const Bytes& archive) {
    vk::testing::WriteFile(machine.DriveC() / "setup" / "data.arc",
                           std::string(archive.begin(), archive.end()));
    return "C:\\setup\\data.arc";
  }
  std::filesystem::path Host(std::string_view windowsPath) {
    auto host = machine.Machine().ToHost(windowsPath);
    EXPECT_TRUE(host.has_value()) << windowsPath;
    return host.value_or(std::filesystem::path());
  }
  bool Exists(std::string_view windowsPath) { return std::filesystem::exists(Host(windowsPath)); }
  std::string Content(std::string_view windowsPath) {
    return vk::testing::ReadFile(Host(windowsPath));
  }
  // Expands name from the archive into C:\out\ and returns ExpandFile's answer.
  std::string ExpandInto(const Bytes& archive, std::string name) {
    const std::string path = PutArchive(archive);
    machine.Files().CreateDirectories("C:\\out");
    archiver.SetTargetPath("C:\\out");
    archiver.ExpandFile(name, path);
    return name;
  }

  vk::testing::TestMachine machine;
  ObservedFileSystem files;
  TArchiver archiver;
};

}  // namespace vk::compress::testing
