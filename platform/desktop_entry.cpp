#include "platform/desktop_entry.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <system_error>

namespace vk::platform {
namespace {

// Characters that make desktops split or interpret an Exec argument.
constexpr std::string_view kExecReserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters that must be escaped with a backslash inside a quoted argument.
constexpr std::string_view kExecQuoteEscaped = "\"`$\\";

}  // namespace

std::string EscapeDesktopValue(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  bool leading = true;
  for (char c : utf8) {
    if (c == ' ' && leading) {
      out += "\\s";
      continue;
    }
    leading = false;
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += ' ';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string UnescapeDesktopValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    char next = value[++i];
    switch (next) {
      case 's': out += ' '; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default:
        out += '\\';
        out += next;
    }
  }
  return out;
}

std::string QuoteExecArgument(std::string_view utf8) {
  bool quote = utf8.empty() || utf8.find_first_of(kExecReserved) != std::string_view::npos;
  std::string out;
  if (quote) out += '"';
  for (char c : utf8) {
    if (quote && kExecQuoteEscaped.find(c) != std::string_view::npos) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return out;
}

std::string BuildExecValue(const std::vector<std::string>& argv) {
  std::string line;
  for (const auto& argument : argv) {
    if (!line.empty()) line += ' ';
    line += QuoteExecArgument(argument);
  }
  // The string escapes come after the quoting, so a backslash inside a
  // quoted argument ends up as four in the file.
  std::string out;
  for (char c : line) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

void DesktopEntry::Set(std::string key, std::string_view utf8) {
  SetRaw(std::move(key), EscapeDesktopValue(utf8));
}

void DesktopEntry::SetRaw(std::string key, std::string value) {
  for (auto& [existingKey, existingValue] : keys_) {
    if (existingKey == key) {
      existingValue = std::move(value);
      return;
    }
  }
  keys_.emplace_back(std::move(key), std::move(value));
}

std::string DesktopEntry::Serialize() const {
  std::string out = "[Desktop Entry]\n";
  for (const auto& [key, value] : keys_) {
    out += key;
    out += '=';
    out += value;
    out += '\n';
  }
  return out;
}

std::optional<std::string> ReadDesktopEntryValue(const std::filesystem::path& file,
                                                 std::string_view key) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  bool inMainGroup = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string_view name(line.data(), equals);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name != key) continue;
    std::string_view value(line);
    value.remove_prefix(equals + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return UnescapeDesktopValue(value);
  }
  return std::nullopt;
}

bool WriteFileReplacing(const std::filesystem::path& file, std::string_view content) {
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  if (error) return false;
  auto temporary = file;
  temporary += ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      out.close();
      std::filesystem::remove(temporary, error);
      return false;
    }
  }
  std::filesystem::rename(temporary, file, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace vk::platform
