#pragma once
// Desktop entry files (.desktop, .directory) as the desktops read them:
// UTF-8 "key=value" lines in a [Desktop Entry] group, with the string
// escapes and, for Exec, the quoting of arguments that desktops split on.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vk::platform {

// A value as a string or localestring: backslash, tab, line breaks and a
// leading space escaped; other control characters become spaces.
std::string EscapeDesktopValue(std::string_view utf8);
// The reverse of EscapeDesktopValue.
std::string UnescapeDesktopValue(std::string_view value);

// One Exec argument (program or argument), quoted when it holds a
// reserved character, with "%" doubled so that it is no field code. The
// result still goes through EscapeDesktopValue, as BuildExecValue does.
std::string QuoteExecArgument(std::string_view utf8);
// The Exec value for a program and its arguments, as written in the file.
std::string BuildExecValue(const std::vector<std::string>& argv);

class DesktopEntry {
 public:
  // Sets a key to a text; the text is escaped when written.
  void Set(std::string key, std::string_view utf8);
  // Sets a key to a value already in file form (Exec).
  void SetRaw(std::string key, std::string value);
  std::string Serialize() const;

 private:
  std::vector<std::pair<std::string, std::string>> keys_;  // in file form
};

// The unescaped value of key in the [Desktop Entry] group of a file.
std::optional<std::string> ReadDesktopEntryValue(const std::filesystem::path& file,
                                                 std::string_view key);

// Writes a file through a temporary name beside it and renames it into
// place, so a reader never sees half a file. False on any failure.
bool WriteFileReplacing(const std::filesystem::path& file, std::string_view content);

}  // namespace vk::platform
