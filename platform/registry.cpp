#include "platform/registry.h"

#include <array>
#include <cstdio>

namespace vk::platform {
namespace {

struct RootName {
  HKEY root;
  std::string_view name;
  std::string_view abbreviation;
};

constexpr std::array<RootName, 3> kRoots = {{
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
}};

// Root names are plain ASCII, so ASCII folding is enough here.
bool EqualAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

char UpperCase1252(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  // à to þ except ÷; š, œ, ž; ÿ.
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return static_cast<char>(byte - 0x10);
  if (byte == 0xFF) return static_cast<char>(0x9F);
  return c;
}

}  // namespace

std::string RegistryNameUpperCase(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = UpperCase1252(c);
  return upper;
}

std::string RegistryErrorText(LSTATUS status) {
  switch (status) {
    case ERROR_SUCCESS:
      return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case ERROR_OUTOFMEMORY:
      return "Not enough storage is available to complete this operation.";
    case ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
      return "There is not enough space on the disk.";
    case ERROR_BAD_PATHNAME:
      return "The specified path is invalid.";
    case ERROR_BUSY:
      return "The requested resource is in use.";
    case ERROR_NO_MORE_ITEMS:
      return "No more data is available.";
    case ERROR_NOACCESS:
      return "Invalid access to memory location.";
    case ERROR_BADDB:
      return "The configuration registry database is corrupt.";
    case ERROR_CANTOPEN:
      return "The configuration registry key could not be opened.";
    case ERROR_REGISTRY_CORRUPT:
      return "The structure of one of the files containing registry data is corrupt.";
    case ERROR_REGISTRY_IO_FAILED:
      return "An I/O operation initiated by the registry failed unrecoverably.";
    case ERROR_KEY_DELETED:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default:
      return "Error " + std::to_string(status) + ".";
  }
}

std::string RegistryTypeName(std::uint32_t type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
      return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK:
      return "REG_LINK";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "REG_0x%x", type);
      return text;
    }
  }
}

std::string_view RootKeyName(HKEY root) {
  for (const RootName& entry : kRoots) {
    if (entry.root == root) return entry.name;
  }
  return {};
}

std::optional<HKEY> RootKeyFromName(std::string_view name, RootAbbreviations abbreviations) {
  for (const RootName& entry : kRoots) {
    if (EqualAsciiIgnoringCase(name, entry.name)) return entry.root;
    if (abbreviations == RootAbbreviations::kAccept &&
        EqualAsciiIgnoringCase(name, entry.abbreviation)) {
      return entry.root;
    }
  }
  return std::nullopt;
}

}  // namespace vk::platform
