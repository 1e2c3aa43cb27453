#pragma once
// Program Manager: the DDE service "Progman" that builds program groups.
// A group is a submenu of the desktop's application menu and each item a
// desktop entry, in the machine's XDG folders:
//   DATA/desktop-directories/velmor-kit-KEY.directory      the submenu's name
//   CONFIG/menus/applications-merged/velmor-kit-KEY.menu   the submenu, its items in order
//   DATA/applications/velmor-kit/KEY/ITEMKEY.desktop       one item
// KEY is derived from the group name without regard to case, so another
// process (the uninstaller) finds the group by its name alone.
//
// Commands: CreateGroup(name), ShowGroup(name, command), DeleteGroup(name),
// AddItem(command line[, title[, icon[, index[, x, y[, folder]]]]]),
// DeleteItem(title), ReplaceItem(title), Reload and ExitProgman (accepted,
// nothing to do). Items go to the current group, the one last created or
// shown. A malformed or failing command is reported and skipped; the
// others still run.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde.h"
#include "platform/process.h"
#include "platform/shell_windows.h"

namespace vk::platform {

class Machine;

struct ProgmanItem {
  std::string title;  // Windows-1252
  std::filesystem::path file;
};

struct ProgmanGroup {
  std::string name;  // Windows-1252
  std::filesystem::path directoryFile;
  std::filesystem::path menuFile;
  std::filesystem::path itemFolder;
  std::vector<ProgmanItem> items;  // in menu order
};

class ProgmanService : public DdeServer {
 public:
  // windows receives the group windows; options name the programs that
  // items of "write FILE" and "regedit FILE" start.
  ProgmanService(const Machine& machine, ShellWindows& windows,
                 ProgramLauncherOptions options = {});

  bool AcceptsTopic(std::string_view topic) const override;
  DdeExecuteResult Execute(std::string_view topic, std::string_view commands) override;

  // Told of every file written or removed (host paths), for previews.
  void SetReporter(std::function<void(std::string_view)> reporter) {
    reporter_ = std::move(reporter);
  }

  // The groups on the machine's desktop that this shell made.
  std::vector<ProgmanGroup> Groups() const;
  std::optional<ProgmanGroup> FindGroup(std::string_view name) const;

 private:
  struct Paths;
  Paths GroupPaths(std::string_view name) const;
  void Report(std::string_view text) const;

  bool CreateGroup(std::string_view name, std::string& error);
  bool ShowGroup(std::string_view name, std::string_view command, std::string& error);
  bool DeleteGroup(std::string_view name, std::string& error);
  bool AddItem(const std::vector<std::string>& arguments, std::string& error);
  bool DeleteItem(std::string_view title, bool mustExist, std::string& error);
  bool WriteMenu(std::string_view name, const std::vector<std::string>& itemIds);
  std::vector<std::string> MenuItemIds(std::string_view name) const;

  const Machine& machine_;
  ShellWindows& windows_;
  ProgramLauncherOptions options_;
  std::string currentGroup_;
  std::function<void(std::string_view)> reporter_;
};

// The service name Program Manager answers to.
inline constexpr std::string_view kProgmanService = "Progman";

// The file-name key of a group or item name: its letters and digits in
// lower case and a hash of the whole name without regard to case.
std::string ProgmanNameKey(std::string_view name);

}  // namespace vk::platform
