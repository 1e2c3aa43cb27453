// The registry store: the calls the installer makes when it registers file
// types, system keys and its uninstall entry, the calls the uninstaller and
// vk reg need, and the store's behaviour under two processes at once.

#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sqlite_registry.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;

// A string value's bytes as the "A" functions store them: with the zero.
std::string Sz(std::string_view text) { return std::string(text) + '\0'; }

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_ = OpenSqliteRegistry(StoreFile()); }

  fs::path StoreFile() const { return folder_ / "registry.db"; }

  // The value at root\path, or an error code in type when it cannot be read.
  RegistryValue Read(HKEY root, std::string_view path, std::string_view name,
                     Registry* registry = nullptr) {
    Registry& store = registry != nullptr ? *registry : *registry_;
    HKEY key{};
    RegistryValue value;
    LSTATUS status = store.RegOpenKeyA(root, path, &key);
    if (status == ERROR_SUCCESS) {
      status = store.RegQueryValueExA(key, name, &value);
      store.RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) return {0xDEAD0000u + static_cast<std::uint32_t>(status), {}};
    return value;
  }

  bool Exists(HKEY root, std::string_view path) {
    HKEY key{};
    if (registry_->RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) return false;
    registry_->RegCloseKey(key);
    return true;
  }

  LSTATUS SetString(HKEY key, std::string_view name, std::string_view text) {
    std::string data = Sz(text);
    return registry_->RegSetValueExA(key, name, 0, REG_SZ, data.data(),
                                     static_cast<std::uint32_t>(data.size()));
  }

  std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; registry_->RegEnumKeyA(key, i, &name) == ERROR_SUCCESS; ++i) {
      names.push_back(name);
    }
    return names;
  }

  // Declared first, so the store closes before its folder goes.
  vk::testing::TemporaryFolder folder_;
  std::unique_ptr<Registry> registry_;
};

// The file-type registration: HKEY_CLASSES_ROOT opened with an empty path,
// then default values of subkeys that do not exist yet.
TEST_F(RegistryTest, RegistersAFileTypeAsTheInstallerDoes) {
  HKEY classes{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CLASSES_ROOT, "", &classes), ERROR_SUCCESS);
  EXPECT_EQ(classes, HKEY_CLASSES_ROOT);
  EXPECT_EQ(registry_->RegSetValueA(classes, ".txt", REG_SZ, "txtautofile"), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegSetValueA(classes, "txtautofile", REG_SZ, "Text file"), ERROR_SUCCESS);
  EXPECT_EQ(
      registry_->RegSetValueA(classes, "txtautofile\\DefaultIcon", REG_SZ, "C:\\Prog\\edit.exe,1"),
      ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegSetValueA(classes, "txtautofile\\shell\\open\\command", REG_SZ,
                                    "C:\\Prog\\edit.exe %1"),
            ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(classes), ERROR_SUCCESS);

  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, ".txt", ""), (RegistryValue{REG_SZ, Sz("txtautofile")}));
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "txtautofile", ""), (RegistryValue{REG_SZ, Sz("Text file")}));
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "txtautofile\\DefaultIcon", ""),
            (RegistryValue{REG_SZ, Sz("C:\\Prog\\edit.exe,1")}));
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "TXTAUTOFILE\\Shell\\Open\\Command", ""),
            (RegistryValue{REG_SZ, Sz("C:\\Prog\\edit.exe %1")}));
  // An empty description still sets the value, to an empty string.
  EXPECT_EQ(registry_->RegSetValueA(HKEY_CLASSES_ROOT, "batautofile", REG_SZ, ""), ERROR_SUCCESS);
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "batautofile", ""), (RegistryValue{REG_SZ, Sz("")}));
}

// The uninstall entry and [sysreg]: a nested key created in one call, named
// string values whose size counts the zero, and an empty name for the
// key's default value.
TEST_F(RegistryTest, CreatesNestedKeysAndNamedAndDefaultValues) {
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_LOCAL_MACHINE,
                                     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                     "Demo",
                                     &key),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "DisplayName", "Demo"), ERROR_SUCCESS);
  EXPECT_EQ(
      SetString(key, "UninstallString", "C:\\WINDOWS\\uninst-vk.exe C:\\Demo\\setup\\uninst.log"),
      ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "", "default text"), ERROR_SUCCESS);
  registry_->RegCloseKey(key);

  const std::string path = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "DisplayName"), (RegistryValue{REG_SZ, Sz("Demo")}));
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "UninstallString").data,
            Sz("C:\\WINDOWS\\uninst-vk.exe C:\\Demo\\setup\\uninst.log"));
  // The empty name and RegSetValueA with an empty subkey are the same value.
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "").data, Sz("default text"));
  EXPECT_EQ(registry_->RegSetValueA(HKEY_LOCAL_MACHINE, path, REG_SZ, "other"), ERROR_SUCCESS);
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, path, "").data, Sz("other"));
  // Other roots are separate trees.
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software"));
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "Software"));
}

TEST_F(RegistryTest, CreatingAnEmptyKeyAndOpeningItAgain) {
  HKEY first{}, second{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Empty", &first), ERROR_SUCCESS);
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Empty", &second), ERROR_SUCCESS);
  EXPECT_NE(first, second);
  std::uint32_t subKeys = 9, values = 9;
  EXPECT_EQ(registry_->RegQueryInfoKeyA(second, &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
  EXPECT_EQ(registry_->RegCloseKey(first), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(second), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(HKEY_CURRENT_USER), std::vector<std::string>{"Software"});
}

// Values keep their bytes exactly, whatever the type.
TEST_F(RegistryTest, StoresTypesAndRawBytes) {
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Types", &key), ERROR_SUCCESS);
  const std::vector<std::pair<std::string, RegistryValue>> cases = {
      {"sz", {REG_SZ, Sz("text")}},
      {"sz without zero", {REG_SZ, "text"}},
      {"expand", {REG_EXPAND_SZ, Sz("%PATH%;C:\\bin")}},
      {"multi", {REG_MULTI_SZ, std::string("one\0two\0\0", 9)}},
      {"dword", {REG_DWORD, std::string("\x01\x00\x00\x80", 4)}},
      {"binary", {REG_BINARY, std::string("\x00\xFF\x00\x7F", 4)}},
      {"empty binary", {REG_BINARY, ""}},
      {"qword", {REG_QWORD, std::string(8, '\x11')}},
      {"odd type", {0x1234u, "x"}},
  };
  for (const auto& [name, value] : cases) {
    EXPECT_EQ(registry_->RegSetValueExA(key, name, 0, value.type, value.data.data(),
                                        static_cast<std::uint32_t>(value.data.size())),
              ERROR_SUCCESS)
        << name;
  }
  for (const auto& [name, value] : cases) EXPECT_EQ(Read(HKEY_CURRENT_USER, "Types", name), value);
  EXPECT_EQ(registry_->RegSetValueExA(key, "null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  EXPECT_EQ(registry_->RegSetValueExA(key, "null", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  registry_->RegCloseKey(key);
}

TEST_F(RegistryTest, RegSetValueAAcceptsOnlyStrings) {
  EXPECT_EQ(registry_->RegSetValueA(HKEY_CURRENT_USER, "Sub", REG_DWORD, "1"),
            ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Sub"));
}

// Windows matches names over the letters of its code page and keeps the
// case first written.
TEST_F(RegistryTest, MatchesKeyAndValueNamesWithoutRegardToCase) {
  struct Pair {
    std::string written, asked;
  };
  const std::vector<Pair> same = {
      {"Software", "SOFTWARE"}, {"Velmor-Kit 2", "velmor-kit 2"},
      {"Caf\xE9", "CAF\xC9"},   {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
      {"\xE0\xFE", "\xC0\xDE"},
  };
  for (const Pair& pair : same) {
    ASSERT_EQ(registry_->RegSetValueA(HKEY_CURRENT_USER, pair.written, REG_SZ, pair.written),
              ERROR_SUCCESS);
    EXPECT_EQ(Read(HKEY_CURRENT_USER, pair.asked, "").data, Sz(pair.written)) << pair.asked;
  }
  // Not letters of one another: ÷ and ×, ß and SS, µ and M.
  const std::vector<Pair> different = {{"\xF7", "\xD7"}, {"\xDF", "SS"}, {"\xB5", "M"}};
  for (const Pair& pair : different) {
    ASSERT_EQ(registry_->RegSetValueA(HKEY_CURRENT_USER, pair.written, REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, pair.asked)) << pair.asked;
  }

  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Demo", &key), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "Path", "first"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "PATH", "second"), ERROR_SUCCESS);
  std::string name;
  RegistryValue value;
  EXPECT_EQ(registry_->RegEnumValueA(key, 0, &name, &value), ERROR_SUCCESS);
  EXPECT_EQ(name, "Path");
  EXPECT_EQ(value.data, Sz("second"));
  EXPECT_EQ(registry_->RegEnumValueA(key, 1, &name, &value), ERROR_NO_MORE_ITEMS);
  registry_->RegCloseKey(key);
  // The key keeps the case of its first creation too.
  std::vector<std::string> keys = SubKeys(HKEY_CURRENT_USER);
  EXPECT_NE(std::find(keys.begin(), keys.end(), "Software"), keys.end());
  EXPECT_EQ(std::find(keys.begin(), keys.end(), "SOFTWARE"), keys.end());
}

TEST_F(RegistryTest, OpeningWithoutCreating) {
  HKEY key{};
  EXPECT_EQ(registry_->RegOpenKeyA(HKEY_CURRENT_USER, "Missing\\Deeper", &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Missing"));
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Here", &key), ERROR_SUCCESS);
  RegistryValue value;
  EXPECT_EQ(registry_->RegQueryValueExA(key, "nothing", &value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry_->RegDeleteValueA(key, "nothing"), ERROR_FILE_NOT_FOUND);
  registry_->RegCloseKey(key);
}

TEST_F(RegistryTest, RefusesMalformedPaths) {
  const std::string longName(256, 'k');
  const std::vector<std::pair<std::string, LSTATUS>> cases = {
      {"\\Leading", ERROR_BAD_PATHNAME}, {"Double\\\\Separator", ERROR_BAD_PATHNAME},
      {"\\", ERROR_BAD_PATHNAME},        {longName, ERROR_INVALID_PARAMETER},
      {"Trailing\\", ERROR_SUCCESS},     {std::string(255, 'k'), ERROR_SUCCESS},
  };
  for (const auto& [path, expected] : cases) {
    HKEY key{};
    LSTATUS status = registry_->RegCreateKeyA(HKEY_CURRENT_USER, path, &key);
    EXPECT_EQ(status, expected) << path;
    if (status == ERROR_SUCCESS) registry_->RegCloseKey(key);
  }
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Trailing"));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Double"));
  EXPECT_EQ(
      registry_->RegSetValueExA(HKEY_CURRENT_USER, std::string(16384, 'v'), 0, REG_BINARY, "", 0),
      ERROR_INVALID_PARAMETER);
}

// What the uninstaller needs: a key with everything below it goes, and
// handles to deleted keys fail rather than reach keys created later.
TEST_F(RegistryTest, DeletesAKeyWithItsSubkeys) {
  HKEY deep{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open\\command", &deep),
            ERROR_SUCCESS);
  ASSERT_EQ(SetString(deep, "", "edit %1"), ERROR_SUCCESS);
  ASSERT_EQ(registry_->RegSetValueA(HKEY_CLASSES_ROOT, "txtautofile", REG_SZ, "Text"),
            ERROR_SUCCESS);
  ASSERT_EQ(registry_->RegSetValueA(HKEY_CLASSES_ROOT, "txtautofilesibling", REG_SZ, "keep"),
            ERROR_SUCCESS);

  EXPECT_EQ(registry_->RegDeleteKeyA(HKEY_CLASSES_ROOT, "txtautofile"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(registry_->RegDeleteTreeA(HKEY_CLASSES_ROOT, "TXTAUTOFILE"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "txtautofile"));
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "txtautofile\\shell"));
  EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "txtautofilesibling"));
  EXPECT_EQ(registry_->RegDeleteTreeA(HKEY_CLASSES_ROOT, "txtautofile"), ERROR_FILE_NOT_FOUND);

  RegistryValue value;
  EXPECT_EQ(registry_->RegQueryValueExA(deep, "", &value), ERROR_KEY_DELETED);
  EXPECT_EQ(SetString(deep, "", "again"), ERROR_KEY_DELETED);
  HKEY created{};
  ASSERT_EQ(
      registry_->RegCreateKeyA(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open\\command", &created),
      ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegQueryValueExA(deep, "", &value), ERROR_KEY_DELETED);
  EXPECT_EQ(registry_->RegCloseKey(deep), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(created), ERROR_SUCCESS);

  // A leaf goes with RegDeleteKeyA, and an open handle may delete its key.
  EXPECT_EQ(registry_->RegDeleteKeyA(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open\\command"),
            ERROR_SUCCESS);
  HKEY open{};
  ASSERT_EQ(registry_->RegOpenKeyA(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open", &open),
            ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegDeleteKeyA(open, ""), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open"));
  registry_->RegCloseKey(open);
}

TEST_F(RegistryTest, EmptyingAKeyKeepsIt) {
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Demo", &key), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "a", "1"), ERROR_SUCCESS);
  ASSERT_EQ(registry_->RegSetValueA(key, "Sub\\Deeper", REG_SZ, "x"), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegDeleteTreeA(key, ""), ERROR_SUCCESS);
  std::uint32_t subKeys = 9, values = 9;
  EXPECT_EQ(registry_->RegQueryInfoKeyA(key, &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
  registry_->RegCloseKey(key);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\Demo"));
  EXPECT_EQ(registry_->RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, EnumeratesKeysByNameAndValuesInWrittenOrder) {
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "List", &key), ERROR_SUCCESS);
  for (std::string name : {"beta", "Alpha", "gamma", "ALPHA2"}) {
    HKEY child{};
    ASSERT_EQ(registry_->RegCreateKeyA(key, name, &child), ERROR_SUCCESS);
    registry_->RegCloseKey(child);
  }
  EXPECT_EQ(SubKeys(key), (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
  for (std::string name : {"z", "a", "m"}) ASSERT_EQ(SetString(key, name, name), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "a", "rewritten"), ERROR_SUCCESS);
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; registry_->RegEnumValueA(key, i, &name, nullptr) == ERROR_SUCCESS;
       ++i) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"z", "a", "m"}));
  EXPECT_EQ(registry_->RegEnumKeyA(key, 4, &name), ERROR_NO_MORE_ITEMS);
  // The whole-key listings give the same orders.
  std::vector<std::string> subKeys;
  EXPECT_EQ(registry_->EnumerateSubKeys(key, &subKeys), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, SubKeys(key));
  std::vector<NamedRegistryValue> values;
  EXPECT_EQ(registry_->EnumerateValues(key, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, (std::vector<NamedRegistryValue>{{"z", {REG_SZ, Sz("z")}},
                                                     {"a", {REG_SZ, Sz("rewritten")}},
                                                     {"m", {REG_SZ, Sz("m")}}}));
  registry_->RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAreCheckedAndRootsNeedNoClosing) {
  HKEY key{};
  EXPECT_EQ(registry_->RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(HKEY{12345}), ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry_->RegCreateKeyA(HKEY{12345}, "x", &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry_->RegCreateKeyA(HKEY{0x80000005u}, "x", &key), ERROR_INVALID_HANDLE);
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "x", &key), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(registry_->RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetString(key, "v", "after close"), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, KeepsItsContentAcrossOpenings) {
  ASSERT_EQ(registry_->RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Kept", REG_SZ, "yes"),
            ERROR_SUCCESS);
  registry_.reset();
  registry_ = OpenSqliteRegistry(StoreFile());
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "software\\kept", "").data, Sz("yes"));
}

// A deletion by another user of the store reaches handles held here.
TEST_F(RegistryTest, SeesDeletionsByAnotherConnection) {
  std::unique_ptr<Registry> other = OpenSqliteRegistry(StoreFile());
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Shared\\Key", &key), ERROR_SUCCESS);
  ASSERT_EQ(other->RegDeleteTreeA(HKEY_CURRENT_USER, "Shared"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "v", "x"), ERROR_KEY_DELETED);
  registry_->RegCloseKey(key);
  ASSERT_EQ(other->RegSetValueA(HKEY_CURRENT_USER, "Shared", REG_SZ, "back"), ERROR_SUCCESS);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Shared", "").data, Sz("back"));
}

TEST_F(RegistryTest, AStoreThatCannotBeOpenedAnswersWithResultCodes) {
  HKEY key{};
  {
    std::unique_ptr<Registry> missing = OpenSqliteRegistry(folder_ / "no such folder" / "r.db");
    EXPECT_EQ(missing->RegCreateKeyA(HKEY_CURRENT_USER, "x", &key), ERROR_CANTOPEN);
    EXPECT_NE(missing->LastStoreMessage(), "");
  }
  {
    std::ofstream(folder_ / "garbage.db") << std::string(4096, 'g');
    std::unique_ptr<Registry> garbage = OpenSqliteRegistry(folder_ / "garbage.db");
    EXPECT_EQ(garbage->RegSetValueA(HKEY_CURRENT_USER, "x", REG_SZ, "y"), ERROR_BADDB);
  }
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "other.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::unique_ptr<Registry> other = OpenSqliteRegistry(folder_ / "other.db");
    EXPECT_EQ(other->RegOpenKeyA(HKEY_CURRENT_USER, "", &key), ERROR_BADDB);
    EXPECT_NE(other->LastStoreMessage().find("not a registry store"), std::string::npos);
  }
}

// Installer, uninstaller and vk reg may write at the same time: two
// processes each write 1,000 values into one key, created by both.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  registry_.reset();  // each process opens its own connection
  constexpr int kValues = 1000;
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      int failures = 0;
      {
        std::unique_ptr<Registry> registry = OpenSqliteRegistry(StoreFile());
        HKEY key{};
        for (int i = 0; i < kValues; ++i) {
          if (registry->RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Race", &key) != ERROR_SUCCESS) {
            ++failures;
            continue;
          }
          std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
          std::string data = Sz(name);
          if (registry->RegSetValueExA(key, name, 0, REG_SZ, data.data(),
                                       static_cast<std::uint32_t>(data.size())) != ERROR_SUCCESS) {
            ++failures;
          }
          registry->RegCloseKey(key);
        }
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer saw a failure";
  }

  registry_ = OpenSqliteRegistry(StoreFile());
  HKEY key{};
  ASSERT_EQ(registry_->RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Race", &key), ERROR_SUCCESS);
  std::uint32_t values = 0;
  ASSERT_EQ(registry_->RegQueryInfoKeyA(key, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 2u * kValues);
  for (int writer = 0; writer < 2; ++writer) {
    for (int i = 0; i < kValues; i += 97) {
      std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
      RegistryValue value;
      ASSERT_EQ(registry_->RegQueryValueExA(key, name, &value), ERROR_SUCCESS) << name;
      EXPECT_EQ(value.data, Sz(name));
    }
  }
  registry_->RegCloseKey(key);
  EXPECT_EQ(SubKeys(HKEY_CURRENT_USER), std::vector<std::string>{"Software"});
}

TEST(RegistryNames, RootsAndTypes) {
  EXPECT_EQ(RootKeyFromName("hkey_current_user"), HKEY_CURRENT_USER);
  EXPECT_EQ(RootKeyFromName("HKCU"), std::nullopt);
  EXPECT_EQ(RootKeyFromName("hklm", RootAbbreviations::kAccept), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyFromName("HKEY_USERS", RootAbbreviations::kAccept), std::nullopt);
  EXPECT_EQ(RootKeyName(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(RegistryTypeName(REG_EXPAND_SZ), "REG_EXPAND_SZ");
  EXPECT_EQ(RegistryTypeName(0x1234), "REG_0x1234");
}

}  // namespace
}  // namespace vk::platform
