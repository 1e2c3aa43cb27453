// The file functions on the host. Read-only is the owner's write bit;
// hidden, system and archive live in an extended attribute, since the host
// has no such bits.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "platform/file_system.h"
#include "platform/path_map.h"

namespace vk::platform {
namespace fs = std::filesystem;

namespace {

constexpr const char* kAttributeName = "user.velmor-kit.attributes";
constexpr std::uint32_t kStoredAttributes = kAttributeHidden | kAttributeSystem | kAttributeArchive;

// Closes a descriptor on every path out of a function.
class Descriptor {
 public:
  explicit Descriptor(int value) : value_(value) {}
  ~Descriptor() {
    if (value_ >= 0) ::close(value_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return value_; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    int value = value_;
    value_ = -1;
    return ::close(value) == 0;
  }

 private:
  int value_;
};

bool CopyContents(int from, int to) {
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

class HostFileSystem : public FileSystem {
 public:
  explicit HostFileSystem(const PathMap& paths) : paths_(paths) {}

  std::optional<fs::path> HostPath(std::string_view path) override { return paths_.ToHost(path); }

  bool FileExists(std::string_view path) override {
    auto host = HostPath(path);
    std::error_code error;
    return host && fs::exists(*host, error) && !fs::is_directory(*host, error);
  }

  bool DirectoryExists(std::string_view path) override {
    auto host = HostPath(path);
    std::error_code error;
    return host && fs::is_directory(*host, error);
  }

  bool CopyFile(std::string_view from, std::string_view to, ExistingTarget existing) override {
    auto source = HostPath(from);
    auto target = HostPath(to);
    if (!source || !target) return false;
    struct stat sourceStat {};
    Descriptor in(::open(source->c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0 || ::fstat(in.Get(), &sourceStat) != 0 || S_ISDIR(sourceStat.st_mode)) {
      return false;
    }
    // A read-only target refuses replacement, as on Windows.
    if (::access(target->c_str(), F_OK) == 0 &&
        (existing == ExistingTarget::kKeep || (GetAttributes(*target) & kAttributeReadOnly))) {
      return false;
    }
    Descriptor out(::open(target->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.Get() < 0 || !CopyContents(in.Get(), out.Get())) return false;
    // The copy keeps the source's time and attributes.
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(out.Get(), times);
    if (!out.Close()) return false;
    SetAttributes(*target, GetAttributes(*source));
    return true;
  }

  bool DeleteFile(std::string_view path) override {
    auto host = HostPath(path);
    if (!host || DirectoryExists(path)) return false;
    // Windows refuses to delete a read-only file.
    if (GetAttributes(*host) & kAttributeReadOnly) return false;
    return ::unlink(host->c_str()) == 0;
  }

  bool RemoveDirectory(std::string_view path) override {
    auto host = HostPath(path);
    return host && ::rmdir(host->c_str()) == 0;
  }

  bool CreateDirectories(std::string_view path) override {
    auto host = HostPath(path);
    if (!host) return false;
    std::error_code error;
    fs::create_directories(*host, error);
    return fs::is_directory(*host, error);
  }

  std::uint32_t GetFileAttributes(std::string_view path) override {
    auto host = HostPath(path);
    return host ? GetAttributes(*host) : kInvalidFileAttributes;
  }

  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override {
    auto host = HostPath(path);
    return host && SetAttributes(*host, attributes);
  }

  bool SetFileDosTime(std::string_view path, std::uint16_t dosDate, std::uint16_t dosTime) override {
    auto host = HostPath(path);
    if (!host) return false;
    std::tm local{};
    local.tm_year = 80 + (dosDate >> 9);
    local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
    local.tm_mday = dosDate & 0x1F;
    local.tm_hour = dosTime >> 11;
    local.tm_min = (dosTime >> 5) & 0x3F;
    local.tm_sec = (dosTime & 0x1F) * 2;
    local.tm_isdst = -1;
    // DosDateTimeToFileTime refuses fields out of their range.
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59) {
      return false;
    }
    std::time_t seconds = std::mktime(&local);
    if (seconds == -1) return false;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, host->c_str(), times, 0) == 0;
  }

  std::int64_t GetDiskFreeSpace(std::string_view path) override {
    auto folder = paths_.VolumeFolder(path);
    struct statvfs info {};
    if (!folder || ::statvfs(folder->c_str(), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
  }

  std::string GetWindowsDirectory() override { return paths_.WindowsDirectory(); }

 private:
  static std::uint32_t GetAttributes(const fs::path& host) {
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) return kInvalidFileAttributes;
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= kAttributeDirectory;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= kAttributeReadOnly;
    unsigned char stored = 0;
    if (::getxattr(host.c_str(), kAttributeName, &stored, 1) == 1) {
      attributes |= stored & kStoredAttributes;
    } else if (!S_ISDIR(info.st_mode)) {
      attributes |= kAttributeArchive;  // Windows marks every new file for backup.
    }
    return attributes == 0 ? kAttributeNormal : attributes;
  }

  static bool SetAttributes(const fs::path& host, std::uint32_t attributes) {
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) return false;
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & kAttributeReadOnly) ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                             : (mode | S_IWUSR);
    if (::chmod(host.c_str(), mode) != 0) return false;
    auto stored = static_cast<unsigned char>(attributes & kStoredAttributes);
    if (::setxattr(host.c_str(), kAttributeName, &stored, 1, 0) == 0) return true;
    // Without extended attributes only the read-only bit can be kept; the
    // call fails unless nothing else was asked for.
    return (attributes & (kAttributeHidden | kAttributeSystem)) == 0;
  }

  const PathMap& paths_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem(const PathMap& paths) {
  return std::make_unique<HostFileSystem>(paths);
}

}  // namespace vk::platform
