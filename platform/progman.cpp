#include "platform/progman.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "platform/code_page.h"
#include "platform/desktop_entry.h"
#include "platform/machine.h"
#include "platform/path_case.h"
#include "platform/progman_commands.h"

namespace vk::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kVendor = "velmor-kit";

std::string Hex32(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool Remove(const fs::path& path) {
  std::error_code error;
  return fs::remove(path, error);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A title for an item that has none: the program's file name without its
// extension, as Program Manager shows it.
std::string TitleFromCommandLine(std::string_view commandLine) {
  std::string_view line = TrimBlanks(commandLine);
  std::string_view program;
  if (!line.empty() && line.front() == '"') {
    auto close = line.find('"', 1);
    program = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  } else {
    program = line.substr(0, line.find_first_of(" \t"));
  }
  auto slash = program.find_last_of("\\/:");
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  auto dot = program.rfind('.');
  if (dot != std::string_view::npos && dot > 0) program = program.substr(0, dot);
  return std::string(program);
}

bool IsAbsoluteWindowsPath(std::string_view text) {
  return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) &&
         text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

bool IsIconFile(const fs::path& path) {
  std::string extension = UpperCase1252(path.extension().string());
  return extension == ".PNG" || extension == ".SVG" || extension == ".XPM";
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string ProgmanNameKey(std::string_view name) {
  std::string folded = UpperCase1252(name);
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : folded) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  std::string slug;
  for (char c : name) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80 && std::isalnum(byte)) {
      if (slug.size() < 32) slug += static_cast<char>(std::tolower(byte));
    } else if (!slug.empty() && slug.back() != '_' && slug.size() < 32) {
      slug += '_';
    }
  }
  while (!slug.empty() && slug.back() == '_') slug.pop_back();
  if (slug.empty()) slug = "group";
  return slug + "-" + Hex32(hash);
}

struct ProgmanService::Paths {
  std::string menuName;  // velmor-kit-KEY, also the prefix of the item ids
  fs::path directoryFile;
  fs::path menuFile;
  fs::path itemFolder;
};

ProgmanService::ProgmanService(const Machine& machine, ShellWindows& windows,
                               ProgramLauncherOptions options)
    : machine_(machine), windows_(windows), options_(std::move(options)) {}

ProgmanService::Paths ProgmanService::GroupPaths(std::string_view name) const {
  std::string key = ProgmanNameKey(name);
  Paths paths;
  paths.menuName = std::string(kVendor) + "-" + key;
  paths.directoryFile = machine_.XdgDataHome() / "desktop-directories" / (paths.menuName + ".directory");
  paths.menuFile =
      machine_.XdgConfigHome() / "menus" / "applications-merged" / (paths.menuName + ".menu");
  paths.itemFolder = machine_.XdgDataHome() / "applications" / std::string(kVendor) / key;
  return paths;
}

void ProgmanService::Report(std::string_view text) const {
  if (reporter_) reporter_(text);
}

bool ProgmanService::AcceptsTopic(std::string_view topic) const {
  return topic.empty() || EqualIgnoringCase(topic, kProgmanService);
}

DdeExecuteResult ProgmanService::Execute(std::string_view /*topic*/, std::string_view commands) {
  DdeExecuteResult result;
  for (const ProgmanCommand& command : ParseProgmanCommands(commands)) {
    std::string error;
    bool done = false;
    if (command.Malformed()) {
      error = command.error;
    } else {
      const auto& arguments = command.arguments;
      std::string name = UpperCase1252(command.name);
      auto need = [&](std::size_t count) {
        if (arguments.size() >= count) return true;
        error = "needs at least " + std::to_string(count) + " argument" + (count > 1 ? "s" : "");
        return false;
      };
      if (name == "CREATEGROUP") {
        done = need(1) && CreateGroup(arguments[0], error);
      } else if (name == "SHOWGROUP") {
        done = need(2) && ShowGroup(arguments[0], arguments[1], error);
      } else if (name == "DELETEGROUP") {
        done = need(1) && DeleteGroup(arguments[0], error);
      } else if (name == "ADDITEM") {
        done = need(1) && AddItem(arguments, error);
      } else if (name == "DELETEITEM") {
        done = need(1) && DeleteItem(arguments[0], true, error);
      } else if (name == "REPLACEITEM") {
        // The next AddItem takes the item's place.
        done = need(1) && DeleteItem(arguments[0], false, error);
      } else if (name == "RELOAD" || name == "EXITPROGMAN") {
        done = true;  // groups live in files; there is nothing to reload or leave
      } else {
        error = "unknown command";
      }
    }
    if (done) {
      ++result.commandsExecuted;
    } else {
      result.errors.push_back(command.text + ": " + error);
    }
  }
  return result;
}

bool ProgmanService::CreateGroup(std::string_view name, std::string& error) {
  if (name.empty()) {
    error = "the group has no name";
    return false;
  }
  Paths paths = GroupPaths(name);
  DesktopEntry entry;
  entry.Set("Type", "Directory");
  entry.Set("Version", "1.0");
  entry.Set("Name", ToUtf8(name));
  entry.Set("Icon", "folder");
  if (!WriteFileReplacing(paths.directoryFile, entry.Serialize())) {
    error = "cannot write " + paths.directoryFile.string();
    return false;
  }
  Report("wrote " + paths.directoryFile.string());
  if (!WriteMenu(name, MenuItemIds(name))) {
    error = "cannot write " + paths.menuFile.string();
    return false;
  }
  currentGroup_ = std::string(name);
  windows_.ShowGroupWindow(name, SW_SHOWNORMAL);
  return true;
}

bool ProgmanService::ShowGroup(std::string_view name, std::string_view command,
                               std::string& error) {
  int showCommand = 0;
  std::string_view text = TrimBlanks(command);
  auto parsed = std::from_chars(text.data(), text.data() + text.size(), showCommand);
  if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
    error = "the show command is no number";
    return false;
  }
  if (!Exists(GroupPaths(name).directoryFile)) {
    error = "no such group";
    return false;
  }
  currentGroup_ = std::string(name);
  windows_.ShowGroupWindow(name, showCommand);
  return true;
}

bool ProgmanService::DeleteGroup(std::string_view name, std::string& error) {
  Paths paths = GroupPaths(name);
  if (!Exists(paths.directoryFile) && !Exists(paths.menuFile) && !Exists(paths.itemFolder)) {
    error = "no such group";
    return false;
  }
  std::error_code failure;
  fs::remove_all(paths.itemFolder, failure);
  if (failure) {
    error = "cannot remove " + paths.itemFolder.string();
    return false;
  }
  Report("removed " + paths.itemFolder.string());
  // The menu goes before the submenu's name, so a desktop never shows a
  // menu whose name is missing.
  if (Remove(paths.menuFile)) Report("removed " + paths.menuFile.string());
  if (Remove(paths.directoryFile)) Report("removed " + paths.directoryFile.string());
  if (Exists(paths.menuFile) || Exists(paths.directoryFile)) {
    error = "cannot remove the group's menu files";
    return false;
  }
  // Our vendor folder goes when its last group does; remove fails on a
  // folder that is not empty, which is what we want.
  Remove(paths.itemFolder.parent_path());
  windows_.CloseGroupWindow(name);
  if (EqualIgnoringCase(currentGroup_, name)) currentGroup_.clear();
  return true;
}

bool ProgmanService::AddItem(const std::vector<std::string>& arguments, std::string& error) {
  if (currentGroup_.empty()) {
    error = "no group to add to (CreateGroup or ShowGroup comes first)";
    return false;
  }
  Paths paths = GroupPaths(currentGroup_);
  if (!Exists(paths.directoryFile)) {
    error = "the group is gone";
    return false;
  }
  const std::string& commandLine = arguments[0];
  if (TrimBlanks(commandLine).empty()) {
    error = "the item has no command line";
    return false;
  }
  TranslatedCommand command =
      TranslateCommandLine(machine_, commandLine, options_, MissingProgram::kAccept);
  if (command.failure != 0) {
    error = "the program is on no drive of this machine";
    return false;
  }
  std::string title = arguments.size() > 1 ? arguments[1] : std::string();
  if (title.empty()) title = TitleFromCommandLine(commandLine);
  if (title.empty()) {
    error = "the item has no title";
    return false;
  }

  // A desktop starts items as host programs, so Windows paths among the
  // arguments become host paths too.
  std::vector<std::string> argv{command.request.program.string()};
  for (const auto& argument : command.request.arguments) {
    std::string windows = FromUtf8(argument);
    std::optional<fs::path> host;
    if (IsAbsoluteWindowsPath(windows)) host = machine_.ToHost(windows);
    argv.push_back(host ? host->string() : argument);
  }

  DesktopEntry entry;
  entry.Set("Type", "Application");
  entry.Set("Version", "1.0");
  entry.Set("Name", ToUtf8(title));
  entry.SetRaw("Exec", BuildExecValue(argv));
  std::optional<fs::path> folder;
  if (arguments.size() > 6 && !TrimBlanks(arguments[6]).empty())
    folder = machine_.ToHost(TrimBlanks(arguments[6]));
  if (!folder && command.request.program.is_absolute())
    folder = command.request.program.parent_path();
  if (folder) entry.Set("Path", folder->string());
  if (arguments.size() > 2 && !TrimBlanks(arguments[2]).empty()) {
    auto icon = machine_.ToHost(TrimBlanks(arguments[2]));
    std::error_code failure;
    if (icon && IsIconFile(*icon) && fs::is_regular_file(*icon, failure))
      entry.Set("Icon", icon->string());
  }
  entry.Set("X-Velmor-Kit-Command", ToUtf8(commandLine));

  std::string itemKey = ProgmanNameKey(title);
  fs::path file = paths.itemFolder / (itemKey + ".desktop");
  if (!WriteFileReplacing(file, entry.Serialize())) {
    error = "cannot write " + file.string();
    return false;
  }
  Report("wrote " + file.string());
  std::string id = paths.menuName + "-" + itemKey + ".desktop";
  std::vector<std::string> ids = MenuItemIds(currentGroup_);
  bool listed = false;
  for (const auto& existing : ids) listed = listed || existing == id;
  if (!listed) ids.push_back(id);
  if (!WriteMenu(currentGroup_, ids)) {
    error = "cannot write " + paths.menuFile.string();
    return false;
  }
  return true;
}

bool ProgmanService::DeleteItem(std::string_view title, bool mustExist, std::string& error) {
  if (currentGroup_.empty()) {
    error = "no group to delete from (CreateGroup or ShowGroup comes first)";
    return false;
  }
  Paths paths = GroupPaths(currentGroup_);
  std::string itemKey = ProgmanNameKey(title);
  fs::path file = paths.itemFolder / (itemKey + ".desktop");
  if (!Exists(file)) {
    if (!mustExist) return true;
    error = "no such item";
    return false;
  }
  if (!Remove(file)) {
    error = "cannot remove " + file.string();
    return false;
  }
  Report("removed " + file.string());
  std::string id = paths.menuName + "-" + itemKey + ".desktop";
  std::vector<std::string> ids;
  for (const auto& existing : MenuItemIds(currentGroup_))
    if (existing != id) ids.push_back(existing);
  if (!WriteMenu(currentGroup_, ids)) {
    error = "cannot write " + paths.menuFile.string();
    return false;
  }
  return true;
}

std::vector<std::string> ProgmanService::MenuItemIds(std::string_view name) const {
  // The menu file is ours; its <Include> lists the items in their order.
  std::vector<std::string> ids;
  std::error_code failure;
  auto size = fs::file_size(GroupPaths(name).menuFile, failure);
  if (failure) return ids;
  std::string text(size, '\0');
  if (FILE* in = std::fopen(GroupPaths(name).menuFile.c_str(), "rb")) {
    text.resize(std::fread(text.data(), 1, text.size(), in));
    std::fclose(in);
  }
  auto include = text.find("<Include>");
  auto includeEnd = text.find("</Include>");
  if (include == std::string::npos || includeEnd == std::string::npos) return ids;
  constexpr std::string_view kOpen = "<Filename>";
  constexpr std::string_view kClose = "</Filename>";
  for (auto at = text.find(kOpen, include); at != std::string::npos && at < includeEnd;
       at = text.find(kOpen, at)) {
    at += kOpen.size();
    auto close = text.find(kClose, at);
    if (close == std::string::npos) break;
    ids.push_back(text.substr(at, close - at));
    at = close;
  }
  return ids;
}

bool ProgmanService::WriteMenu(std::string_view name, const std::vector<std::string>& itemIds) {
  Paths paths = GroupPaths(name);
  std::string filenames;
  for (const auto& id : itemIds) filenames += "      <Filename>" + XmlEscape(id) + "</Filename>\n";
  std::string text =
      "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
      "<!-- A program group made by velmor-kit; removed with the group. -->\n"
      "<Menu>\n"
      "  <Name>Applications</Name>\n"
      "  <Menu>\n"
      "    <Name>" + paths.menuName + "</Name>\n"
      "    <Directory>" + paths.menuName + ".directory</Directory>\n"
      "    <Include>\n" + filenames +
      "    </Include>\n"
      "    <Layout>\n" + filenames +
      "      <Merge type=\"all\"/>\n"
      "    </Layout>\n"
      "  </Menu>\n"
      "</Menu>\n";
  if (!WriteFileReplacing(paths.menuFile, text)) return false;
  Report("wrote " + paths.menuFile.string());
  return true;
}

std::optional<ProgmanGroup> ProgmanService::FindGroup(std::string_view name) const {
  Paths paths = GroupPaths(name);
  if (!Exists(paths.directoryFile)) return std::nullopt;
  ProgmanGroup group;
  auto stored = ReadDesktopEntryValue(paths.directoryFile, "Name");
  group.name = stored ? FromUtf8(*stored) : std::string(name);
  group.directoryFile = paths.directoryFile;
  group.menuFile = paths.menuFile;
  group.itemFolder = paths.itemFolder;
  std::string prefix = paths.menuName + "-";
  for (const auto& id : MenuItemIds(name)) {
    if (id.rfind(prefix, 0) != 0) continue;
    ProgmanItem item;
    item.file = paths.itemFolder / id.substr(prefix.size());
    auto title = ReadDesktopEntryValue(item.file, "Name");
    if (!title) continue;
    item.title = FromUtf8(*title);
    group.items.push_back(std::move(item));
  }
  return group;
}

std::vector<ProgmanGroup> ProgmanService::Groups() const {
  std::vector<ProgmanGroup> groups;
  std::error_code failure;
  fs::path folder = machine_.XdgDataHome() / "desktop-directories";
  std::string prefix = std::string(kVendor) + "-";
  for (const auto& file : fs::directory_iterator(folder, failure)) {
    std::string fileName = file.path().filename().string();
    if (fileName.rfind(prefix, 0) != 0 || file.path().extension() != ".directory") continue;
    auto name = ReadDesktopEntryValue(file.path(), "Name");
    if (!name) continue;
    if (auto group = FindGroup(FromUtf8(*name))) groups.push_back(std::move(*group));
  }
  std::sort(groups.begin(), groups.end(), [](const ProgmanGroup& a, const ProgmanGroup& b) {
    return UpperCase1252(a.name) < UpperCase1252(b.name);
  });
  return groups;
}

}  // namespace vk::platform
