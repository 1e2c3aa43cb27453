// Any bytes as an archive: expanding every entry from memory into nothing
// must end normally or with one of the expander's exceptions; never a
// crash, a hang, an access out of bounds or unbounded memory.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compress/archiver.h"
#include "platform/exception.h"
#include "platform/file_system.h"
#include "platform/stream.h"

namespace {

using vk::platform::SeekOrigin;
using vk::platform::TStream;

// A drive with 1 MB free and no files; folders can always be made. The
// free space bounds what a lying entry header can make the decoders write.
class NoFiles : public vk::platform::FileSystem {
 public:
  std::optional<std::filesystem::path> HostPath(std::string_view) override { return {}; }
  bool FileExists(std::string_view) override { return false; }
  bool DirectoryExists(std::string_view) override { return false; }
  bool CopyFile(std::string_view, std::string_view, vk::platform::ExistingTarget) override {
    return false;
  }
  bool DeleteFile(std::string_view) override { return true; }
  bool RemoveDirectory(std::string_view) override { return true; }
  bool CreateDirectories(std::string_view) override { return true; }
  std::uint32_t GetFileAttributes(std::string_view path) override {
    // Every other folder exists, so folder creation takes both paths.
    return path.size() % 2 == 0 ? vk::platform::kAttributeDirectory
                                : vk::platform::kInvalidFileAttributes;
  }
  bool SetFileAttributes(std::string_view, std::uint32_t) override { return true; }
  bool SetFileDosTime(std::string_view, std::uint16_t, std::uint16_t) override { return true; }
  std::int64_t GetDiskFreeSpace(std::string_view) override { return 1 << 20; }
  std::string GetWindowsDirectory() override { return "C:\\WINDOWS"; }
};

// Takes whatever is written and keeps nothing.
class Discard : public TStream {
 public:
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Write(const void*, std::int32_t count) override {
    size_ += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, SeekOrigin) override { return size_; }

 private:
  std::int64_t size_ = 0;
};

class ThrowawayArchiver : public vk::compress::TArchiver {
 public:
  using TArchiver::TArchiver;

 protected:
  std::unique_ptr<TStream> CreateOutputFile(const std::string&) override {
    return std::make_unique<Discard>();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NoFiles files;
  ThrowawayArchiver archiver(files);
  archiver.SetTargetPath("C:\\target");
  archiver.MakeDirectories = true;
  archiver.Key = size % 3 == 0 ? 0 : 12345;
  int calls = 0;
  archiver.OnShowProgress = [&](std::int32_t& percent) {
    if (++calls == 50) percent = -1;
  };
  vk::platform::TMemoryStream archive(std::vector<std::uint8_t>(data, data + size));
  try {
    archiver.ExpandArchive(archive);
  } catch (const vk::platform::Exception&) {
  }
  // Once more with a name list, so entries are also skipped over.
  vk::compress::NameList names{"a", "B.TXT"};
  try {
    archiver.ExpandArchive(archive, &names);
  } catch (const vk::platform::Exception&) {
  }
  return 0;
}
