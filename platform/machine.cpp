#include "platform/machine.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/code_page.h"
#include "platform/ini_file.h"
#include "platform/path_case.h"

namespace vk::platform {
namespace fs = std::filesystem;

namespace {

fs::path HomeFolder() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? fs::path(home) : fs::path("/");
}

fs::path FromEnvironment(const char* variable, const fs::path& fallback) {
  const char* value = std::getenv(variable);
  // The XDG rules ignore a relative value.
  if (value != nullptr && *value == '/') return value;
  return fallback;
}

// An absolute, lexically normal path without a trailing separator, so that
// folder comparisons work component by component.
fs::path Normal(const fs::path& path) {
  fs::path normal = fs::absolute(path).lexically_normal();
  if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
  return normal;
}

bool IsInside(const fs::path& path, const fs::path& folder) {
  auto [folderEnd, pathIt] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return folderEnd == folder.end();
}

// The components of a Windows path after "X:", without empty or "." parts;
// ".." takes one back. No value when ".." would leave the drive's root.
std::optional<std::vector<std::string>> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  return parts;
}

// The name in folder that equals name without regard to case: the exact
// name when it exists, else the first such entry in name order, else name
// itself (a new name keeps the case given).
fs::path ResolveComponent(const fs::path& folder, const std::string& name) {
  fs::path exact = folder / ToUtf8(name);
  std::error_code error;
  if (fs::symlink_status(exact, error).type() != fs::file_type::not_found) return exact;
  std::optional<std::string> best;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string entry = it->path().filename().string();
    if (EqualIgnoringCase(FromUtf8(entry), name) && (!best || entry < *best)) best = entry;
  }
  return best ? folder / *best : exact;
}

}  // namespace

fs::path DefaultPrefix() {
  return FromEnvironment("XDG_DATA_HOME", HomeFolder() / ".local" / "share") / "velmor-kit";
}

Machine::Machine(fs::path prefix, MachineOptions options)
    : prefix_(Normal(prefix)),
      programPath_(options.programPath.empty() ? fs::path() : Normal(options.programPath)),
      xdgDataHome_(options.xdgDataHome.empty()
                       ? FromEnvironment("XDG_DATA_HOME", HomeFolder() / ".local" / "share")
                       : options.xdgDataHome),
      xdgConfigHome_(options.xdgConfigHome.empty()
                         ? FromEnvironment("XDG_CONFIG_HOME", HomeFolder() / ".config")
                         : options.xdgConfigHome) {
  fs::create_directories(prefix_ / "drive_c");
  if (!fs::exists(DrivesFile())) {
    TIniFile drives(DrivesFile());
    drives.WriteString("drives", "C", "drive_c");
  }
  TIniFile drives(DrivesFile());
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string folder = drives.ReadString("drives", std::string(1, letter), "");
    if (folder.empty()) continue;
    drives_[letter] = Normal(fs::path(folder).is_absolute() ? fs::path(folder) : prefix_ / folder);
  }
  if (!drives_.contains('C')) drives_['C'] = prefix_ / "drive_c";

  if (!programPath_.empty()) {
    fs::path programFolder = programPath_.parent_path();
    for (const auto& [letter, folder] : drives_) {
      if (IsInside(programFolder, folder)) mediumLetter_ = letter;
    }
    if (mediumLetter_ == 0) {
      for (char letter = 'D'; letter <= 'Z' && mediumLetter_ == 0; ++letter) {
        if (!drives_.contains(letter)) mediumLetter_ = letter;
      }
      if (mediumLetter_ != 0) drives_[mediumLetter_] = programFolder;
    }
  }

  for (const std::string& folder : {WindowsDirectory(), TempDirectory()}) {
    if (auto host = ToHost(folder)) fs::create_directories(*host);
  }
}

std::optional<fs::path> Machine::DriveFolder(char letter) const {
  auto it = drives_.find(UpperCase1252(letter));
  if (it == drives_.end()) return std::nullopt;
  return it->second;
}

std::optional<fs::path> Machine::VolumeFolder(std::string_view windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  return DriveFolder(windowsPath[0]);
}

std::optional<fs::path> Machine::ToHost(std::string_view windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  auto folder = DriveFolder(windowsPath[0]);
  if (!folder) return std::nullopt;
  auto parts = Components(windowsPath.substr(2));
  if (!parts) return std::nullopt;
  fs::path host = *folder;
  bool parentExists = true;
  for (const std::string& part : *parts) {
    if (parentExists) {
      host = ResolveComponent(host, part);
      std::error_code error;
      parentExists = fs::is_directory(host, error);
    } else {
      host /= ToUtf8(part);
    }
  }
  return host;
}

std::optional<std::string> Machine::ToWindows(const fs::path& hostPath) const {
  fs::path path = Normal(hostPath);
  const std::pair<const char, fs::path>* best = nullptr;
  for (const auto& drive : drives_) {
    if (IsInside(path, drive.second) &&
        (best == nullptr ||
         std::distance(drive.second.begin(), drive.second.end()) >
             std::distance(best->second.begin(), best->second.end()))) {
      best = &drive;
    }
  }
  if (best == nullptr) return std::nullopt;
  std::string windows{best->first, ':', '\\'};
  fs::path relative = path.lexically_relative(best->second);
  bool first = true;
  for (const fs::path& part : relative) {
    if (part == ".") continue;
    if (!first) windows += '\\';
    windows += FromUtf8(part.string());
    first = false;
  }
  return windows;
}

std::string Machine::ProgramPath() const {
  if (programPath_.empty()) return {};
  return ToWindows(programPath_).value_or(std::string());
}

}  // namespace vk::platform
