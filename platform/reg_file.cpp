#include "platform/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/code_page.h"

namespace vk::platform {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Only blanks or a ";" comment.
bool IsEndOfData(std::string_view rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == ';';
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (a != prefix[i]) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 to Windows-1252; reports whether a character had to become '?'.
std::string Utf8To1252(std::string_view utf8, bool* replaced) {
  std::string converted = FromUtf8(utf8);
  *replaced = std::count(converted.begin(), converted.end(), '?') >
              std::count(utf8.begin(), utf8.end(), '?');
  return converted;
}

struct Line {
  int number;
  std::string text;
};

// Splits at CRLF, LF or a lone CR.
std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  int number = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({number++, std::string(text.substr(start, i - start))});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({number, std::string(text.substr(start))});
  return lines;
}

// Quoted text as names and REG_SZ data write it, from just after the opening
// quote; *rest is what follows the closing quote.
enum class Unquoted { kDone, kUnterminated };
Unquoted Unquote(std::string_view text, std::string* result, std::string_view* rest,
                 std::vector<char>* unknownEscapes) {
  result->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      *rest = text.substr(i + 1);
      return Unquoted::kDone;
    }
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      switch (next) {
        case '\\':
        case '"':
          *result += next;
          break;
        case 'n':
          *result += '\n';
          break;
        case 'r':
          *result += '\r';
          break;
        default:
          // The registry editor keeps the character and drops the backslash.
          unknownEscapes->push_back(next);
          *result += next;
          break;
      }
      continue;
    }
    *result += c;
  }
  return Unquoted::kUnterminated;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
        break;
    }
  }
  out += '"';
  return out;
}

class Importer {
 public:
  Importer(Registry& registry, std::vector<Line> lines, bool utf16Strings)
      : registry_(registry), lines_(std::move(lines)), utf16Strings_(utf16Strings) {}
  ~Importer() { CloseKey(); }

  void Run(std::size_t first, RegImportResult* result) {
    result_ = result;
    for (index_ = first; index_ < lines_.size(); ++index_) ParseLine();
    CloseKey();
  }

 private:
  enum class KeyState { kNone, kOpen, kFailed, kDeleted };

  int Number() const { return lines_[index_].number; }
  void Skip(std::string message) { result_->skipped.push_back({Number(), std::move(message)}); }
  void Warn(std::string message) { result_->warnings.push_back({Number(), std::move(message)}); }

  void CloseKey() {
    if (state_ == KeyState::kOpen) registry_.RegCloseKey(key_);
    state_ = KeyState::kNone;
  }

  void ParseLine() {
    std::string_view line = TrimLeft(lines_[index_].text);
    if (line.empty() || line.front() == ';' || line.front() == '#') return;
    if (line.front() == '[') return ParseKeyLine(line.substr(1));
    if (line.front() == '@') return ParseValueLine("", line.substr(1));
    if (line.front() == '"') {
      std::string name;
      std::string_view rest;
      std::vector<char> escapes;
      if (Unquote(line.substr(1), &name, &rest, &escapes) == Unquoted::kUnterminated) {
        return Skip("value name without its closing quote");
      }
      WarnEscapes(escapes);
      return ParseValueLine(name, rest);
    }
    Skip("not a key, a value or a comment");
  }

  void ParseKeyLine(std::string_view text) {
    CloseKey();
    state_ = KeyState::kFailed;
    std::size_t close = text.rfind(']');
    if (close == std::string_view::npos) return Skip("key name without its closing ']'");
    std::string_view name = text.substr(0, close);
    bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    if (name.empty() || IsBlank(name.front())) {
      return Skip("key line without a key name right after '['");
    }
    std::optional<RegKeyName> key = ParseRegKeyName(name);
    if (!key) {
      std::string_view root = name.substr(0, name.find('\\'));
      return Skip("unknown root key \"" + std::string(root) + "\"");
    }
    if (deletion) {
      state_ = KeyState::kDeleted;
      if (key->path.empty()) return Skip("a root key cannot be deleted");
      LSTATUS status = registry_.RegDeleteTreeA(key->root, key->path);
      if (status == ERROR_SUCCESS) {
        ++result_->deletions;
      } else if (status != ERROR_FILE_NOT_FOUND) {
        Skip("cannot delete the key: " + Failure(status));
      }
      return;
    }
    LSTATUS status = registry_.RegCreateKeyA(key->root, key->path, &key_);
    if (status != ERROR_SUCCESS) return Skip("cannot create the key: " + Failure(status));
    state_ = KeyState::kOpen;
    ++result_->keysOpened;
  }

  void ParseValueLine(const std::string& name, std::string_view rest) {
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') return Skip("'=' missing after the value name");
    rest = TrimLeft(rest.substr(1));

    std::uint32_t type = REG_SZ;
    std::string data;
    bool remove = false;
    if (!rest.empty() && rest.front() == '-') {
      if (!IsEndOfData(rest.substr(1))) return Skip("unexpected text after '-'");
      remove = true;
    } else if (!rest.empty() && rest.front() == '"') {
      std::string_view after;
      std::vector<char> escapes;
      if (Unquote(rest.substr(1), &data, &after, &escapes) == Unquoted::kUnterminated) {
        return Skip("string without its closing quote");
      }
      if (!IsEndOfData(after)) return Skip("unexpected text after the string");
      WarnEscapes(escapes);
      data += '\0';
    } else if (StartsWithIgnoringCase(rest, "dword:")) {
      std::string_view digits = rest.substr(6);
      std::uint32_t number = 0;
      std::size_t count = 0;
      while (count < digits.size() && HexDigit(digits[count]) >= 0) {
        number = number << 4 | static_cast<std::uint32_t>(HexDigit(digits[count]));
        ++count;
      }
      if (count == 0 || count > 8 || !IsEndOfData(digits.substr(count))) {
        return Skip("dword: needs 1 to 8 hexadecimal digits");
      }
      type = REG_DWORD;
      data = {static_cast<char>(number), static_cast<char>(number >> 8),
              static_cast<char>(number >> 16), static_cast<char>(number >> 24)};
    } else if (StartsWithIgnoringCase(rest, "hex")) {
      if (!ParseHexValue(rest.substr(3), &type, &data)) return;
    } else {
      return Skip("unknown kind of value data");
    }

    if (state_ != KeyState::kOpen) {
      return Skip(state_ == KeyState::kNone ? "value before any key line"
                                            : "value of a key that was not opened");
    }
    LSTATUS status = remove ? registry_.RegDeleteValueA(key_, name)
                            : registry_.RegSetValueExA(key_, name, 0, type, data.data(),
                                                       static_cast<std::uint32_t>(data.size()));
    if (remove && status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) {
      return Skip(std::string(remove ? "cannot delete the value: " : "cannot set the value: ") +
                  Failure(status));
    }
    ++(remove ? result_->deletions : result_->valuesSet);
  }

  // After "hex": ":" or "(N):", then the bytes, over continuation lines.
  bool ParseHexValue(std::string_view text, std::uint32_t* type, std::string* data) {
    *type = REG_BINARY;
    if (!text.empty() && text.front() == '(') {
      std::size_t close = text.find(')');
      std::string_view digits = text.substr(1, close == std::string_view::npos ? 0 : close - 1);
      bool valid = close != std::string_view::npos && !digits.empty() && digits.size() <= 8;
      std::uint32_t number = 0;
      for (char c : digits) {
        if (HexDigit(c) < 0) valid = false;
        number = number << 4 | static_cast<std::uint32_t>(std::max(HexDigit(c), 0));
      }
      if (!valid) {
        SkipValue("hex(N): needs a type of 1 to 8 hexadecimal digits");
        return false;
      }
      *type = number;
      text.remove_prefix(close + 1);
    }
    if (text.empty() || text.front() != ':') {
      SkipValue("':' missing after hex");
      return false;
    }
    text.remove_prefix(1);
    if (!ParseHexBytes(text, data)) return false;
    if (*type == REG_SZ || *type == REG_EXPAND_SZ || *type == REG_MULTI_SZ) {
      return FinishHexString(data);
    }
    return true;
  }

  bool ParseHexBytes(std::string_view text, std::string* data) {
    bool afterByte = false;
    while (true) {
      text = TrimLeft(text);
      if (text.empty() || text.front() == ';') return true;
      char c = text.front();
      if (c == '\\') {
        if (afterByte) {
          SkipValue("',' missing before the line continuation");
          return false;
        }
        if (!IsEndOfData(text.substr(1))) {
          SkipValue("unexpected text after the line continuation");
          return false;
        }
        // The next line that is not a comment goes on with the bytes; a
        // continuation at the end of the file ends the value.
        do {
          if (index_ + 1 >= lines_.size()) return true;
          ++index_;
          text = TrimLeft(lines_[index_].text);
        } while (!text.empty() && text.front() == ';');
        continue;
      }
      if (afterByte) {
        if (c != ',') {
          SkipValue("',' expected between bytes");
          return false;
        }
        text.remove_prefix(1);
        afterByte = false;
        continue;
      }
      int high = HexDigit(c);
      if (high < 0) {
        SkipValue("not a hexadecimal byte");
        return false;
      }
      int value = high;
      text.remove_prefix(1);
      if (!text.empty() && HexDigit(text.front()) >= 0) {
        value = value * 16 + HexDigit(text.front());
        text.remove_prefix(1);
      }
      if (!text.empty() && HexDigit(text.front()) >= 0) {
        SkipValue("a byte has at most two hexadecimal digits");
        return false;
      }
      *data += static_cast<char>(value);
      afterByte = true;
    }
  }

  // String data given as bytes gets its terminating zero when it lacks one;
  // under the version 5.00 header the bytes are UTF-16LE.
  bool FinishHexString(std::string* data) {
    if (!utf16Strings_) {
      if (!data->empty() && data->back() != '\0') *data += '\0';
      return true;
    }
    if (data->size() % 2 != 0) {
      SkipValue("UTF-16 string data with an odd number of bytes");
      return false;
    }
    if (data->size() >= 2 && ((*data)[data->size() - 1] != 0 || (*data)[data->size() - 2] != 0)) {
      *data += std::string(2, '\0');
    }
    bool replaced = false;
    *data = Utf8To1252(Utf16LeToUtf8(*data), &replaced);
    if (replaced) Warn("characters outside Windows-1252 became '?'");
    return true;
  }

  // Skips a malformed value together with the continuation lines it still has.
  void SkipValue(std::string message) {
    Skip(std::move(message));
    while (index_ + 1 < lines_.size() && !TrimRight(lines_[index_].text).empty() &&
           TrimRight(lines_[index_].text).back() == '\\') {
      ++index_;
    }
  }

  void WarnEscapes(const std::vector<char>& escapes) {
    for (char c : escapes) {
      Warn(std::string("unknown escape \"\\") + c + "\" read as \"" + c + "\"");
    }
  }

  std::string Failure(LSTATUS status) const {
    std::string message = RegistryErrorText(status);
    std::string store = registry_.LastStoreMessage();
    if (!store.empty()) message += " (" + store + ")";
    return message;
  }

  Registry& registry_;
  std::vector<Line> lines_;
  bool utf16Strings_;
  RegImportResult* result_ = nullptr;
  std::size_t index_ = 0;
  KeyState state_ = KeyState::kNone;
  HKEY key_{};
};

void AppendHex(std::string& out, std::string_view prefix, std::string_view bytes) {
  constexpr std::size_t kWidth = 76;
  out += prefix;
  std::size_t column = prefix.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned char>(bytes[i]));
    std::size_t width = i + 1 < bytes.size() ? 3 : 2;
    if (i > 0 && column + width > kWidth) {
      out += "\\\r\n  ";
      column = 2;
    }
    out += text;
    if (i + 1 < bytes.size()) out += ',';
    column += width;
  }
  out += "\r\n";
}

// A string value that reads back unchanged from a quoted string: one
// terminating zero, none inside, no line breaks.
bool IsPlainString(const RegistryValue& value) {
  const std::string& data = value.data;
  if (value.type != REG_SZ || data.empty() || data.back() != '\0') return false;
  std::string_view text(data.data(), data.size() - 1);
  return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

void AppendValue(std::string& out, const std::string& name, const RegistryValue& value) {
  std::string prefix = name.empty() ? "@=" : Quote(name) + "=";
  if (IsPlainString(value)) {
    out += prefix + Quote(std::string_view(value.data.data(), value.data.size() - 1)) + "\r\n";
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", number);
    out += prefix + text + "\r\n";
  } else if (value.type == REG_BINARY) {
    AppendHex(out, prefix + "hex:", value.data);
  } else {
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", value.type);
    AppendHex(out, prefix + type, value.data);
  }
}

// The path of an existing key in the case its names were first written, so
// that an export names the keys as the store does, whatever the caller typed.
bool StoredPath(Registry& registry, const RegKeyName& key, std::string* path) {
  path->clear();
  HKEY parent = key.root;
  std::string_view rest = key.path;
  bool found = true;
  while (found && !rest.empty()) {
    std::size_t separator = rest.find('\\');
    std::string wanted = RegistryNameUpperCase(rest.substr(0, separator));
    rest = separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
    if (wanted.empty()) continue;
    found = false;
    std::vector<std::string> names;
    registry.EnumerateSubKeys(parent, &names);
    for (const std::string& name : names) {
      if (RegistryNameUpperCase(name) != wanted) continue;
      HKEY child{};
      if (registry.RegOpenKeyA(parent, name, &child) != ERROR_SUCCESS) break;
      if (parent != key.root) registry.RegCloseKey(parent);
      parent = child;
      *path += (path->empty() ? "" : "\\") + name;
      found = true;
      break;
    }
  }
  if (parent != key.root) registry.RegCloseKey(parent);
  return found;
}

}  // namespace

std::optional<RegKeyName> ParseRegKeyName(std::string_view name, RootAbbreviations abbreviations) {
  std::size_t separator = name.find('\\');
  std::optional<HKEY> root = RootKeyFromName(name.substr(0, separator), abbreviations);
  if (!root) return std::nullopt;
  RegKeyName key{*root, {}};
  if (separator != std::string_view::npos) key.path = std::string(name.substr(separator + 1));
  return key;
}

std::string FullRegKeyName(const RegKeyName& key) {
  std::string name(RootKeyName(key.root));
  if (!key.path.empty()) name += "\\" + key.path;
  return name;
}

RegImportResult ImportRegFile(Registry& registry, std::string_view fileBytes) {
  RegImportResult result;
  std::vector<Line> lines;
  bool converted = false;
  if (fileBytes.size() >= 2 && static_cast<unsigned char>(fileBytes[0]) == 0xFF &&
      static_cast<unsigned char>(fileBytes[1]) == 0xFE) {
    lines = SplitLines(Utf16LeToUtf8(fileBytes.substr(2)));
    converted = true;
  } else if (fileBytes.size() >= 3 && fileBytes.substr(0, 3) == "\xEF\xBB\xBF") {
    // Not written by the registry editor, but by text editors that save a
    // version 5.00 file as UTF-8.
    lines = SplitLines(fileBytes.substr(3));
    converted = true;
  } else {
    lines = SplitLines(fileBytes);
  }
  if (converted) {
    for (Line& line : lines) {
      bool replaced = false;
      line.text = Utf8To1252(line.text, &replaced);
      if (replaced) {
        result.warnings.push_back({line.number, "characters outside Windows-1252 became '?'"});
      }
    }
  }

  std::size_t header = 0;
  while (header < lines.size() && TrimLeft(lines[header].text).empty()) ++header;
  std::string_view first =
      header < lines.size() ? TrimRight(TrimLeft(lines[header].text)) : std::string_view();
  if (first != kHeader4 && first != kHeader5) {
    int number = header < lines.size() ? lines[header].number : 1;
    result.skipped.push_back(
        {number, first.starts_with("REGEDIT")
                     ? "unsupported registry file format \"" + std::string(first) + "\""
                     : "not a registry file: the first line must be \"REGEDIT4\" or \"" +
                           std::string(kHeader5) + "\""});
    return result;
  }
  result.recognised = true;
  Importer importer(registry, std::move(lines), first == kHeader5);
  importer.Run(header + 1, &result);
  return result;
}

LSTATUS ExportRegFile(Registry& registry, const std::optional<RegKeyName>& key, std::string* text) {
  std::vector<RegKeyName> pending;
  if (key) {
    HKEY handle{};
    LSTATUS status = registry.RegOpenKeyA(key->root, key->path, &handle);
    if (status != ERROR_SUCCESS) return status;
    registry.RegCloseKey(handle);
    RegKeyName start{key->root, {}};
    if (!StoredPath(registry, *key, &start.path)) return ERROR_FILE_NOT_FOUND;
    pending.push_back(start);
  } else {
    pending = {{HKEY_LOCAL_MACHINE, {}}, {HKEY_CURRENT_USER, {}}, {HKEY_CLASSES_ROOT, {}}};
  }

  std::string out = std::string(kHeader4) + "\r\n\r\n";
  // Depth first, each key before its subkeys, without recursion: a deep
  // tree costs heap, not stack.
  while (!pending.empty()) {
    RegKeyName current = std::move(pending.back());
    pending.pop_back();
    HKEY handle{};
    // A key deleted by another process meanwhile is left out.
    if (registry.RegOpenKeyA(current.root, current.path, &handle) != ERROR_SUCCESS) continue;
    std::vector<NamedRegistryValue> values;
    std::vector<std::string> names;
    LSTATUS listed = registry.EnumerateValues(handle, &values);
    if (listed == ERROR_SUCCESS) listed = registry.EnumerateSubKeys(handle, &names);
    registry.RegCloseKey(handle);
    if (listed == ERROR_KEY_DELETED) continue;
    if (listed != ERROR_SUCCESS) return listed;
    out += "[" + FullRegKeyName(current) + "]\r\n";
    for (const NamedRegistryValue& value : values) AppendValue(out, value.name, value.value);
    out += "\r\n";
    std::vector<RegKeyName> children;
    for (const std::string& name : names) {
      children.push_back({current.root, current.path.empty() ? name : current.path + "\\" + name});
    }
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  *text = std::move(out);
  return ERROR_SUCCESS;
}

}  // namespace vk::platform
