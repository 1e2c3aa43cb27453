#pragma once
// Registry files (.reg) as the registry editor reads and writes them.
//
// Import reads both formats: "REGEDIT4" (Windows-1252 text) and "Windows
// Registry Editor Version 5.00" (UTF-16LE with a byte-order mark, or 8-bit
// text). Texts of the file are converted to Windows-1252, the store's
// character set. hex(1), hex(2) and hex(7) data hold UTF-16LE pairs under the
// version 5.00 header and single bytes under REGEDIT4.
//
// Export writes REGEDIT4 in Windows-1252 with CRLF line ends, which import
// reads back into the same keys and values.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace vk::platform {

// A full key name: "HKEY_CURRENT_USER\Software\Example" is the root
// HKEY_CURRENT_USER and the path "Software\Example".
struct RegKeyName {
  HKEY root = HKEY_CLASSES_ROOT;
  std::string path;
};

// Splits a full key name at its first "\"; no value for an unknown root.
std::optional<RegKeyName> ParseRegKeyName(
    std::string_view name, RootAbbreviations abbreviations = RootAbbreviations::kRefuse);
// "HKEY_CURRENT_USER\Software\Example", or the root's name alone.
std::string FullRegKeyName(const RegKeyName& key);

// Something about one line of a registry file; line numbers count from 1.
struct RegFileNote {
  int line = 0;
  std::string message;
};

struct RegImportResult {
  // Lines that were not imported, each with why.
  std::vector<RegFileNote> skipped;
  // Lines imported with a change, such as a character outside Windows-1252
  // that became '?'.
  std::vector<RegFileNote> warnings;
  int keysOpened = 0;
  int valuesSet = 0;
  int deletions = 0;
  // False when the file was not a registry file at all; nothing was imported.
  bool recognised = false;
};

// Imports the bytes of a registry file. A malformed line is skipped with a
// note and the rest of the file is imported; registry failures are noted on
// the line that caused them.
RegImportResult ImportRegFile(Registry& registry, std::string_view fileBytes);

// Writes key with its subkeys and values (every root when key is empty) as a
// REGEDIT4 file into text. ERROR_FILE_NOT_FOUND when key does not exist.
LSTATUS ExportRegFile(Registry& registry, const std::optional<RegKeyName>& key, std::string* text);

}  // namespace vk::platform
