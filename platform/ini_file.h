#pragma once
// TIniFile: one INI file with the reading and writing rules of the Windows
// private-profile functions, the way setup.inf is read and the uninstall log
// is written.
//
// Reading: section and key names match without regard to case; blanks
// around names and values are removed; a value in single or double quotes
// loses the quotes when they enclose the whole value; a value is at most
// 1023 characters; the first of repeated sections or keys wins; lines
// starting with ';' are comments; a line without '=' is a key with an empty
// value; CRLF, LF and CR all end a line. A present key with an empty value
// is a value, only a missing key (section, file) gives the default.
//
// Writing: a new key goes after the last key of its section, a new section
// at the end of the file; an existing value is replaced in place; every
// other line stays as it is. Each write is in the file when the call
// returns: a process killed at any moment leaves a file that reads as it did
// before or after the write, never a torn one. Appends cost O(1) amortised whatever the size of
// the file, so a log can grow by thousands of entries in its middle.
//
// Values and names are bytes (Windows-1252), passed through untouched. The
// file is read when the object is made and again whenever another writer has
// changed it since. One object per file and process writes; no locking.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace vk::platform {

// A write the operating system refused, or a name or value that cannot be
// stored in an INI file (a line break, '=' in a key, ']' in a section).
// The message names the file.
class EIniFileError : public Exception {
 public:
  EIniFileError(const std::filesystem::path& fileName, const std::string& message);
  const std::filesystem::path& FileName() const { return fileName_; }

 private:
  std::filesystem::path fileName_;
};

// The longest value a read returns; longer values are cut.
inline constexpr std::size_t kMaximumIniValueLength = 1023;

// The integer conversion of ReadInteger: "0x"/"0X" followed by at least one
// character is read as "$"; then optional leading blanks, and either an
// optional sign and decimal digits or "$" and hexadecimal digits, all of the
// text; a "$" number may use all 32 bits. Anything else, or a number out of
// range, gives defaultValue.
std::int32_t ParseIniInteger(std::string_view text, std::int32_t defaultValue);

class TIniFile {
 public:
  // Binds to a host path. A missing or unreadable file reads as empty; it
  // is created by the first write.
  explicit TIniFile(std::filesystem::path fileName);
  // Writes out a compact copy when the file holds growth room or padding
  // from in-place writes; errors are ignored here (the file on disk is
  // complete either way). Call UpdateFile first to see them.
  ~TIniFile();
  TIniFile(TIniFile&&) noexcept;
  TIniFile& operator=(TIniFile&&) noexcept;
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::filesystem::path& FileName() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t defaultValue) const;
  // ReadInteger with default 1 or 0; any result but 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The keys of a section in file order, as written there.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // The section names in file order, each once.
  std::vector<std::string> ReadSections() const;

  // Raise EIniFileError when the file cannot be written or the names or the
  // value cannot be stored.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Decimal text.
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  // "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Rewrites the file without growth room and padding, if it has any.
  // Raises EIniFileError on failure.
  void UpdateFile();

 private:
  class Document;
  std::unique_ptr<Document> document_;
};

}  // namespace vk::platform
