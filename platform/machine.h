#pragma once
// The machine: the host folder that plays a Windows computer, and the one
// place where Windows concepts (drive letters, backslash paths, the Windows
// folder, the user's desktop folders) are mapped onto the host.
//
// Windows paths are Windows-1252 bytes; host paths are UTF-8. Every test
// builds its own machine in a temporary folder.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/path_map.h"

namespace vk::platform {

// The user's prefix: $XDG_DATA_HOME/velmor-kit, else ~/.local/share/velmor-kit.
std::filesystem::path DefaultPrefix();

struct MachineOptions {
  // Host path of the running program; its folder becomes the medium's drive.
  // Empty: no medium.
  std::filesystem::path programPath;
  // The desktop's data and config folders for menu entries. Empty: the
  // host's XDG_DATA_HOME / XDG_CONFIG_HOME, else ~/.local/share and ~/.config.
  std::filesystem::path xdgDataHome;
  std::filesystem::path xdgConfigHome;
};

class Machine : public PathMap {
 public:
  // Opens the machine in prefix, creating prefix/drive_c with its WINDOWS
  // and temp folders and a drives.ini that maps C: when they are missing.
  explicit Machine(std::filesystem::path prefix, MachineOptions options = {});

  const std::filesystem::path& Prefix() const { return prefix_; }
  std::filesystem::path RegistryFile() const { return prefix_ / "registry.db"; }
  std::filesystem::path DrivesFile() const { return prefix_ / "drives.ini"; }
  const std::filesystem::path& XdgDataHome() const { return xdgDataHome_; }
  const std::filesystem::path& XdgConfigHome() const { return xdgConfigHome_; }

  // Upper-case letter of the drive that holds the program, or 0 without one.
  char MediumLetter() const { return mediumLetter_; }
  // Host folder of a drive letter (either case), if mapped.
  std::optional<std::filesystem::path> DriveFolder(char letter) const;
  // Every mapped drive, by upper-case letter.
  const std::map<char, std::filesystem::path>& Drives() const { return drives_; }

  // Maps an absolute Windows path ("C:\a\b", "c:/a/b") to a host path.
  // Each existing component is matched without regard to case; components
  // that do not exist keep the case given. No value for a relative path, an
  // unmapped drive, or a ".." that would leave the drive.
  std::optional<std::filesystem::path> ToHost(std::string_view windowsPath) const override;
  // The folder of the path's drive, if the path starts with a mapped one.
  std::optional<std::filesystem::path> VolumeFolder(std::string_view windowsPath) const override;
  // Maps a host path inside a mapped drive back to a Windows path (the
  // drive with the longest matching folder wins). No value outside them.
  std::optional<std::string> ToWindows(const std::filesystem::path& hostPath) const;

  // "C:\WINDOWS", as GetWindowsDirectoryA gives it.
  std::string WindowsDirectory() const override { return "C:\\WINDOWS"; }
  // "C:\temp": the prefix's own temporary folder, never the host's /tmp.
  std::string TempDirectory() const { return "C:\\temp"; }
  // The running program's own path as a Windows path ("D:\setup"); empty
  // without a program.
  std::string ProgramPath() const;

 private:
  std::filesystem::path prefix_;
  std::filesystem::path programPath_;
  std::filesystem::path xdgDataHome_;
  std::filesystem::path xdgConfigHome_;
  std::map<char, std::filesystem::path> drives_;
  char mediumLetter_ = 0;
};

}  // namespace vk::platform
