#include "tools/vk/host_path_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <ctime>
#include <system_error>

#include "platform/code_page.h"

namespace vk::cli {
namespace fs = std::filesystem;
using vk::platform::kAttributeArchive;
using vk::platform::kAttributeDirectory;
using vk::platform::kAttributeReadOnly;
using vk::platform::kInvalidFileAttributes;

HostPathFileSystem::HostPathFileSystem(fs::path currentFolder, std::map<char, fs::path> drives)
    : current_folder_(std::move(currentFolder)) {
  for (auto& [letter, folder] : drives) {
    drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = folder;
  }
}

std::optional<fs::path> HostPathFileSystem::HostPath(std::string_view path) {
  if (path.empty()) return std::nullopt;
  std::string host = vk::platform::ToUtf8(path);
  // A NUL would cut the name short at the operating system.
  if (host.find('\0') != std::string::npos) return std::nullopt;
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  fs::path base = current_folder_;
  if (host.size() >= 2 && host[1] == ':') {
    auto drive = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(host[0]))));
    if (drive == drives_.end()) return std::nullopt;
    base = drive->second;
    host.erase(0, 2);
  }
  if (!host.empty() && host.front() == '/') {
    if (path.size() >= 2 && path[1] == ':') return base / fs::path(host).relative_path();
    return fs::path(host);
  }
  return base / host;
}

bool HostPathFileSystem::FileExists(std::string_view path) {
  auto host = HostPath(path);
  std::error_code error;
  return host && fs::exists(*host, error) && !fs::is_directory(*host, error);
}

bool HostPathFileSystem::DirectoryExists(std::string_view path) {
  auto host = HostPath(path);
  std::error_code error;
  return host && fs::is_directory(*host, error);
}

bool HostPathFileSystem::CopyFile(std::string_view from, std::string_view to,
                                  vk::platform::ExistingTarget existing) {
  auto source = HostPath(from);
  auto target = HostPath(to);
  if (!source || !target) return false;
  std::error_code error;
  const auto option = existing == vk::platform::ExistingTarget::kReplace
                          ? fs::copy_options::overwrite_existing
                          : fs::copy_options::none;
  return fs::copy_file(*source, *target, option, error);
}

bool HostPathFileSystem::DeleteFile(std::string_view path) {
  auto host = HostPath(path);
  if (!host || DirectoryExists(path)) return false;
  if (GetFileAttributes(path) & kAttributeReadOnly) return false;
  return ::unlink(host->c_str()) == 0;
}

bool HostPathFileSystem::RemoveDirectory(std::string_view path) {
  auto host = HostPath(path);
  return host && ::rmdir(host->c_str()) == 0;
}

bool HostPathFileSystem::CreateDirectories(std::string_view path) {
  auto host = HostPath(path);
  if (!host) return false;
  std::error_code error;
  fs::create_directories(*host, error);
  return fs::is_directory(*host, error);
}

std::uint32_t HostPathFileSystem::GetFileAttributes(std::string_view path) {
  auto host = HostPath(path);
  struct stat info {};
  if (!host || ::stat(host->c_str(), &info) != 0) return kInvalidFileAttributes;
  std::uint32_t attributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeArchive;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

bool HostPathFileSystem::SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  auto host = HostPath(path);
  struct stat info {};
  if (!host || ::stat(host->c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & kAttributeReadOnly) ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                           : (mode | S_IWUSR);
  return ::chmod(host->c_str(), mode) == 0;
}

bool HostPathFileSystem::SetFileDosTime(std::string_view path, std::uint16_t dosDate,
                                        std::uint16_t dosTime) {
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
  if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
      local.tm_min > 59 || local.tm_sec > 59) {
    return false;
  }
  const std::time_t seconds = std::mktime(&local);
  if (seconds == -1) return false;
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, host->c_str(), times, 0) == 0;
}

std::int64_t HostPathFileSystem::GetDiskFreeSpace(std::string_view path) {
  auto host = HostPath(path);
  if (!host) return -1;
  fs::path folder = *host;
  std::error_code error;
  while (!folder.empty() && !fs::is_directory(folder, error)) {
    const fs::path parent = folder.parent_path();
    if (parent == folder) break;
    folder = parent;
  }
  struct statvfs info {};
  if (folder.empty() || ::statvfs(folder.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

}  // namespace vk::cli
