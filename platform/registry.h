#pragma once
// The registry as the program asks Windows for it: a tree of keys under the
// roots HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each key
// holding named values of a type and raw bytes. Key and value names are
// Windows-1252 bytes, matched without regard to letter case and kept in the
// case first written.
//
// Like the Windows functions, every call reports its outcome as a result
// code (ERROR_SUCCESS or a Windows error number) and never throws. Each call
// is one transaction of the store: it happens completely or not at all, and
// another process may use the same store at the same time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::platform {

// The result of a registry function.
using LSTATUS = std::int32_t;

inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
inline constexpr LSTATUS ERROR_OUTOFMEMORY = 14;
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_DISK_FULL = 112;
inline constexpr LSTATUS ERROR_BAD_PATHNAME = 161;
inline constexpr LSTATUS ERROR_BUSY = 170;
inline constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
inline constexpr LSTATUS ERROR_NOACCESS = 998;
inline constexpr LSTATUS ERROR_BADDB = 1009;
inline constexpr LSTATUS ERROR_CANTOPEN = 1011;
inline constexpr LSTATUS ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr LSTATUS ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LSTATUS ERROR_KEY_DELETED = 1018;

// The form in which Windows compares key and value names: their upper case
// over the letters of Windows-1252.
std::string RegistryNameUpperCase(std::string_view name);

// The text Windows shows for a result code.
std::string RegistryErrorText(LSTATUS status);

// Value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr std::uint32_t REG_LINK = 6;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;
inline constexpr std::uint32_t REG_QWORD = 11;

// "REG_SZ" for REG_SZ; "REG_0x<hex>" for a type without a name.
std::string RegistryTypeName(std::uint32_t type);

// A key handle: one of the roots, or a handle that RegCreateKeyA or
// RegOpenKeyA returned. A handle names the key itself, not its path: it stays
// valid while the key exists, and once the key is deleted every call on it
// fails with ERROR_KEY_DELETED until it is closed.
enum class HKEY : std::uint32_t {};

inline constexpr HKEY HKEY_CLASSES_ROOT{0x80000000u};
inline constexpr HKEY HKEY_CURRENT_USER{0x80000001u};
inline constexpr HKEY HKEY_LOCAL_MACHINE{0x80000002u};

// "HKEY_CLASSES_ROOT" for HKEY_CLASSES_ROOT; empty for any other handle.
std::string_view RootKeyName(HKEY root);

enum class RootAbbreviations { kRefuse, kAccept };
// The root a name stands for, matched without regard to case. With kAccept
// the short forms HKCR, HKCU and HKLM count as well.
std::optional<HKEY> RootKeyFromName(std::string_view name,
                                    RootAbbreviations abbreviations = RootAbbreviations::kRefuse);

// A value as stored: its type and its bytes. A string value written with its
// terminating zero keeps it in data.
struct RegistryValue {
  std::uint32_t type = REG_NONE;
  std::string data;

  bool operator==(const RegistryValue&) const = default;
};

struct NamedRegistryValue {
  std::string name;
  RegistryValue value;

  bool operator==(const NamedRegistryValue&) const = default;
};

// Subkey paths separate key names with "\". An empty path names the key
// itself; a trailing "\" is ignored; a leading "\" or an empty name between
// two separators is ERROR_BAD_PATHNAME. A key name is at most 255 bytes and
// a value name at most 16383 (ERROR_INVALID_PARAMETER beyond).
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens the key at subKey below key, creating every missing key on the way.
  // An empty subKey opens the key itself (for a root, the root's own handle).
  virtual LSTATUS RegCreateKeyA(HKEY key, std::string_view subKey, HKEY* result) = 0;
  // Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
  virtual LSTATUS RegOpenKeyA(HKEY key, std::string_view subKey, HKEY* result) = 0;
  // Closing a root does nothing; an unknown handle is ERROR_INVALID_HANDLE.
  virtual LSTATUS RegCloseKey(HKEY key) = 0;

  // Sets the default value of subKey (created when missing; empty: the key
  // itself) to data as a REG_SZ with its terminating zero. Only REG_SZ is
  // accepted as type.
  virtual LSTATUS RegSetValueA(HKEY key, std::string_view subKey, std::uint32_t type,
                               std::string_view data) = 0;
  // Sets the value named valueName (empty: the default value) to the size
  // bytes at data, exactly as given: for a string, size counts the
  // terminating zero. reserved is ignored, as by Windows.
  virtual LSTATUS RegSetValueExA(HKEY key, std::string_view valueName, std::uint32_t reserved,
                                 std::uint32_t type, const void* data, std::uint32_t size) = 0;
  // Reads a value; ERROR_FILE_NOT_FOUND when it is missing.
  virtual LSTATUS RegQueryValueExA(HKEY key, std::string_view valueName, RegistryValue* value) = 0;
  virtual LSTATUS RegQueryInfoKeyA(HKEY key, std::uint32_t* subKeyCount,
                                   std::uint32_t* valueCount) = 0;

  // The index-th subkey's name, in the order of their upper-case names;
  // ERROR_NO_MORE_ITEMS past the last.
  virtual LSTATUS RegEnumKeyA(HKEY key, std::uint32_t index, std::string* name) = 0;
  // The index-th value, in the order the values were first written;
  // ERROR_NO_MORE_ITEMS past the last. value may be null.
  virtual LSTATUS RegEnumValueA(HKEY key, std::uint32_t index, std::string* name,
                                RegistryValue* value) = 0;

  // Every subkey name, or every value, in the order of the two above, read
  // in one transaction: a tool that lists a whole key uses these rather than
  // one call per index.
  virtual LSTATUS EnumerateSubKeys(HKEY key, std::vector<std::string>* names) = 0;
  virtual LSTATUS EnumerateValues(HKEY key, std::vector<NamedRegistryValue>* values) = 0;

  // ERROR_FILE_NOT_FOUND when the value is missing.
  virtual LSTATUS RegDeleteValueA(HKEY key, std::string_view valueName) = 0;
  // Deletes subKey (empty: the key itself), which must have no subkeys
  // (ERROR_ACCESS_DENIED otherwise); a root cannot be deleted.
  virtual LSTATUS RegDeleteKeyA(HKEY key, std::string_view subKey) = 0;
  // Deletes subKey with all its subkeys and values. An empty subKey empties
  // the key itself of its subkeys and values and keeps it.
  virtual LSTATUS RegDeleteTreeA(HKEY key, std::string_view subKey) = 0;

  // What went wrong in the store at the last failure that the result code
  // alone does not explain (the database's own message); empty otherwise.
  virtual std::string LastStoreMessage() const = 0;
};

}  // namespace vk::platform
