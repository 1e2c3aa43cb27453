// .reg files: import of both formats with every kind of value, the
// malformed lines that are skipped while the rest imports, and export that
// reads back into the same store.

#include "platform/reg_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sqlite_registry.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;

std::string Sz(std::string_view text) { return std::string(text) + '\0'; }

// Lines joined with CRLF, as the registry editor writes them.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// UTF-8 text as a version 5.00 file: byte-order mark and UTF-16LE.
std::string Utf16File(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    char32_t code = lead;
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length > 1) code = lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) code = code << 6 | (utf8[i + k] & 0x3F);
    i += length;
    auto put = [&out](char16_t unit) {
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
    };
    if (code >= 0x10000) {
      put(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      put(static_cast<char16_t>(code));
    }
  }
  return out;
}

class RegFileTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_ = OpenSqliteRegistry(folder_ / "registry.db"); }

  RegistryValue Read(HKEY root, std::string_view path, std::string_view name,
                     Registry* registry = nullptr) {
    Registry& store = registry != nullptr ? *registry : *registry_;
    HKEY key{};
    RegistryValue value{0xFFFFFFFFu, "missing"};
    if (store.RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) return {0xFFFFFFFFu, "no key"};
    store.RegQueryValueExA(key, name, &value);
    store.RegCloseKey(key);
    return value;
  }

  bool Exists(HKEY root, std::string_view path) {
    HKEY key{};
    if (registry_->RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) return false;
    registry_->RegCloseKey(key);
    return true;
  }

  // Every key and value of a store, in a fixed order, names in their case.
  static std::vector<std::string> Dump(Registry& registry) {
    std::vector<std::string> lines;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      DumpKey(registry, root, std::string(RootKeyName(root)), &lines);
    }
    return lines;
  }
  static void DumpKey(Registry& registry, HKEY key, const std::string& name,
                      std::vector<std::string>* lines) {
    lines->push_back("[" + name + "]");
    std::string valueName;
    RegistryValue value;
    for (std::uint32_t i = 0; registry.RegEnumValueA(key, i, &valueName, &value) == ERROR_SUCCESS;
         ++i) {
      std::string hex;
      for (char c : value.data) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c));
        hex += byte;
      }
      lines->push_back("  " + valueName + " " + std::to_string(value.type) + " " + hex);
    }
    std::vector<std::string> children;
    for (std::uint32_t i = 0; registry.RegEnumKeyA(key, i, &valueName) == ERROR_SUCCESS; ++i) {
      children.push_back(valueName);
    }
    for (const std::string& child : children) {
      HKEY handle{};
      ASSERT_EQ(registry.RegOpenKeyA(key, child, &handle), ERROR_SUCCESS);
      DumpKey(registry, handle, name + "\\" + child, lines);
      registry.RegCloseKey(handle);
    }
  }

  // Line numbers of the skipped lines.
  static std::vector<int> SkippedLines(const RegImportResult& result) {
    std::vector<int> numbers;
    for (const RegFileNote& note : result.skipped) numbers.push_back(note.line);
    return numbers;
  }

  // The store as importing kEveryKind leaves it.
  void ExpectEveryKind();

  // Declared first, so the store closes before its folder goes.
  vk::testing::TemporaryFolder folder_;
  std::unique_ptr<Registry> registry_;
};

// Every kind of line the registry editor reads, in REGEDIT4.
const std::vector<std::string> kEveryKind = {
    "REGEDIT4",
    "",
    "; a comment",
    "# another comment",
    "[HKEY_CLASSES_ROOT\\.txt]",
    "@=\"txtautofile\"",
    "",
    "[hkey_classes_root\\txtautofile\\shell\\open\\command]",
    "@=\"C:\\\\Prog\\\\edit.exe \\\"%1\\\"\"",
    "[HKEY_CURRENT_USER\\Software\\Demo]",
    "\"String\"=\"plain\"",
    "\"Spaced\" = \"around equals\"   ; trailing comment",
    "\"With=Equals;and'quotes\\\"\"=\"x\"",
    "\"Empty\"=\"\"",
    "\"\"=\"also the default\"",
    "\"Dword\"=dword:0000002a",
    "\"Short\"=DWORD:1",
    "\"Binary\"=hex:00,01,fe,FF",
    "\"EmptyBinary\"=hex:",
    "\"Expand\"=hex(2):25,50,41,54,48,25,00",
    "\"ExpandNoZero\"=hex(2):25,50,41,54,48,25",
    "\"Multi\"=hex(7):6f,6e,65,00,74,77,6f,00,00",
    "\"None\"=hex(0):01,02",
    "\"Qword\"=hex(b):01,00,00,00,00,00,00,00",
    "\"Long\"=hex:01,02,03,\\",
    "  04,05,\\   ; a comment after the continuation",
    "; a comment line inside the value",
    "  06",
    "\"Latin\"=\"caf\xE9 \x80\"",
    "[HKEY_LOCAL_MACHINE\\Software\\Gone]",
    "\"x\"=\"y\"",
    "[HKEY_LOCAL_MACHINE\\Software\\Gone\\Deeper]",
    "[-HKEY_LOCAL_MACHINE\\Software\\Gone]",
    "[-HKEY_LOCAL_MACHINE\\Software\\NeverThere]",
    "[HKEY_LOCAL_MACHINE\\Software\\Kept]",
    "\"keep\"=\"1\"",
    "\"drop\"=\"2\"",
    "\"drop\"=-",
    "\"neverThere\"=-",
};

void RegFileTest::ExpectEveryKind() {
  auto value = [this](HKEY root, std::string_view path, std::string_view name) {
    return Read(root, path, name);
  };
  const std::string demo = "Software\\Demo";
  EXPECT_EQ(value(HKEY_CLASSES_ROOT, ".txt", ""), (RegistryValue{REG_SZ, Sz("txtautofile")}));
  EXPECT_EQ(value(HKEY_CLASSES_ROOT, "txtautofile\\shell\\open\\command", "").data,
            Sz("C:\\Prog\\edit.exe \"%1\""));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "String"), (RegistryValue{REG_SZ, Sz("plain")}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Spaced").data, Sz("around equals"));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "With=Equals;and'quotes\"").data, Sz("x"));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Empty").data, Sz(""));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "").data, Sz("also the default"));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Dword"),
            (RegistryValue{REG_DWORD, std::string("\x2a\0\0\0", 4)}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Short"),
            (RegistryValue{REG_DWORD, std::string("\x01\0\0\0", 4)}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Binary"),
            (RegistryValue{REG_BINARY, std::string("\x00\x01\xfe\xff", 4)}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "EmptyBinary"), (RegistryValue{REG_BINARY, ""}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Expand"), (RegistryValue{REG_EXPAND_SZ, Sz("%PATH%")}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "ExpandNoZero").data, Sz("%PATH%"));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Multi"),
            (RegistryValue{REG_MULTI_SZ, std::string("one\0two\0\0", 9)}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "None"), (RegistryValue{REG_NONE, "\x01\x02"}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Qword"),
            (RegistryValue{REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8)}));
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Long").data, "\x01\x02\x03\x04\x05\x06");
  EXPECT_EQ(value(HKEY_CURRENT_USER, demo, "Latin").data, Sz("caf\xE9 \x80"));
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, "Software\\Gone", "x").data, "no key");
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, "Software\\Kept", "keep").data, Sz("1"));
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, "Software\\Kept", "drop").data, "missing");
}

TEST_F(RegFileTest, ImportsEveryKindOfLineFromRegedit4) {
  RegImportResult result = ImportRegFile(*registry_, Lines(kEveryKind));
  EXPECT_TRUE(result.recognised);
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  EXPECT_TRUE(result.warnings.empty());
  ExpectEveryKind();
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "Software\\Gone\\Deeper"));
}

// The same lines in version 5.00 as UTF-16LE: texts come back as
// Windows-1252, and hex string data are UTF-16 pairs.
TEST_F(RegFileTest, ImportsVersion5InUtf16) {
  std::vector<std::string> lines;
  for (const std::string& line : kEveryKind) {
    if (line.starts_with("\"Expand\"")) {
      lines.push_back("\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00");
    } else if (line.starts_with("\"ExpandNoZero\"")) {
      lines.push_back("\"ExpandNoZero\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00");
    } else if (line.starts_with("\"Multi\"")) {
      lines.push_back("\"Multi\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00");
    } else if (line.starts_with("\"Latin\"")) {
      lines.push_back("\"Latin\"=\"caf\xC3\xA9 \xE2\x82\xAC\"");  // UTF-8 of "café €"
    } else if (line == "REGEDIT4") {
      lines.push_back("Windows Registry Editor Version 5.00");
    } else {
      lines.push_back(line);
    }
  }
  lines.push_back("[HKEY_CURRENT_USER\\Software\\\xCE\xA9mega]");  // Ω is not in Windows-1252
  lines.push_back("\"Euro\"=hex(1):ac,20,00,00");
  RegImportResult result = ImportRegFile(*registry_, Utf16File(Lines(lines)));
  EXPECT_TRUE(result.recognised);
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  ExpectEveryKind();
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].line, static_cast<int>(lines.size()) - 1);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\?mega", "Euro").data, Sz("\x80"));
}

// Version 5.00 saved as 8-bit text: texts are Windows-1252 bytes.
TEST_F(RegFileTest, ImportsVersion5AsEightBitText) {
  std::string file =
      Lines({"Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Caf\xE9]",
             "\"N\xE4me\"=\"V\xE4lue\"", "\"Path\"=hex(2):25,00,54,00,00,00"});
  RegImportResult result = ImportRegFile(*registry_, file);
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\CAF\xC9", "N\xC4ME").data, Sz("V\xE4lue"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\Caf\xE9", "Path").data, Sz("%T"));
}

TEST_F(RegFileTest, AcceptsEveryLineEnd) {
  std::string file =
      "REGEDIT4\r[HKEY_CURRENT_USER\\A]\n\"cr\"=\"1\"\r\"lf\"=\"2\"\n\"crlf\"=\"3\"\r\n"
      "\"last\"=hex:01,\\\r\n02";
  RegImportResult result = ImportRegFile(*registry_, file);
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "cr").data, Sz("1"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "lf").data, Sz("2"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "crlf").data, Sz("3"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "last").data, "\x01\x02");
}

// A malformed line is skipped with its number; everything else imports, and
// values never land in another key than their own.
TEST_F(RegFileTest, SkipsMalformedLinesAndImportsTheRest) {
  const std::vector<std::string> lines = {
      "REGEDIT4",                          // 1
      "[HKEY_CURRENT_USER\\Good]",         // 2
      "\"ok1\"=\"a\"",                     // 3
      "\"bad\"=dword:123456789",           // 4: nine digits
      "\"bad\"=\"unterminated",            // 5
      "\"bad\"=hex:01,02,zz",              // 6
      "\"bad\"=hex(0x2):00",               // 7
      "just some words",                   // 8
      "\"ok2\"=dword:10",                  // 9
      "[HKEY_USERS\\Elsewhere]",           // 10: a root this machine has not
      "\"lost\"=\"x\"",                    // 11: its key was not opened
      "[HKEY_CURRENT_USER\\Unclosed",      // 12
      "\"lost\"=\"y\"",                    // 13
      "[HKEY_CURRENT_USER\\Good]",         // 14
      "\"bad\"=hex(2):4c,69\\",            // 15: no comma before the continuation
      "  6e,65",                           // 16: belongs to line 15
      "\"ok3\"=\"c\"",                     // 17
      "\"bad\"=\"x\" trailing",            // 18
      "@",                                 // 19
      "\"bad\"=hex:01,\\",                 // 20
      "  02,zz,\\",                        // 21: the fault is here
      "  03",                              // 22: still part of the value
      "\"bad\"=unknown:1",                 // 23
      "\"bad\"=hex:123",                   // 24
      "\"ok4\"=hex:01,\\",                 // 25
      "  02",                              // 26
      "[HKEY_CURRENT_USER\\Bad\\\\Path]",  // 27
      "[ HKEY_CURRENT_USER\\Blank]",       // 28
      "[-HKEY_CURRENT_USER]",              // 29: a root stays
  };
  RegImportResult result = ImportRegFile(*registry_, Lines(lines));
  EXPECT_TRUE(result.recognised);
  EXPECT_EQ(SkippedLines(result),
            (std::vector<int>{4, 5, 6, 7, 8, 10, 11, 12, 13, 15, 18, 19, 21, 23, 24, 27, 28, 29}));
  for (const RegFileNote& note : result.skipped) EXPECT_FALSE(note.message.empty());
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "ok1").data, Sz("a"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "ok2").data, std::string("\x10\0\0\0", 4));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "ok3").data, Sz("c"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "ok4").data, "\x01\x02");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "bad").data, "missing");
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Good", "lost").data, "missing");
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Unclosed"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Good"));
}

TEST_F(RegFileTest, RefusesAFileWithoutAHeader) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n", "not a registry file"},
      {"REGEDIT 4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n", "unsupported"},
      {"REGEDIT\r\nHKEY_CLASSES_ROOT\\A = 1\r\n", "unsupported"},
      {"", "not a registry file"},
  };
  for (const auto& [file, message] : cases) {
    RegImportResult result = ImportRegFile(*registry_, file);
    EXPECT_FALSE(result.recognised);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_NE(result.skipped[0].message.find(message), std::string::npos)
        << result.skipped[0].message;
  }
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "A"));
  // Blank lines and blanks before the header are harmless.
  EXPECT_TRUE(ImportRegFile(*registry_, "\r\n  REGEDIT4  \r\n").recognised);
}

TEST_F(RegFileTest, WarnsAboutUnknownEscapesAndKeepsTheCharacter) {
  RegImportResult result =
      ImportRegFile(*registry_, Lines({"REGEDIT4", "[HKEY_CURRENT_USER\\A]",
                                       "\"p\"=\"C:\\Program Files\"", "\"n\"=\"two\\nlines\\r\""}));
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].line, 3);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "p").data, Sz("C:Program Files"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "A", "n").data, Sz("two\nlines\r"));
}

// The format as the registry editor writes it: header, CRLF, keys before
// their subkeys, hex data wrapped with a continuation.
TEST_F(RegFileTest, ExportsRegedit4) {
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Demo", &key), ERROR_SUCCESS);
  auto set = [&](std::string_view name, std::uint32_t type, std::string data) {
    ASSERT_EQ(registry_->RegSetValueExA(key, name, 0, type, data.data(),
                                        static_cast<std::uint32_t>(data.size())),
              ERROR_SUCCESS);
  };
  set("", REG_SZ, Sz("default"));
  set("Quote\"d", REG_SZ, Sz("C:\\dir \"x\" caf\xE9"));
  set("Number", REG_DWORD, std::string("\x2a\0\0\0", 4));
  set("Lines", REG_SZ, Sz("a\r\nb"));
  set("Bytes", REG_BINARY, std::string(30, '\xab'));
  ASSERT_EQ(registry_->RegSetValueA(key, "Sub", REG_SZ, "s"), ERROR_SUCCESS);
  registry_->RegCloseKey(key);

  std::string text;
  ASSERT_EQ(ExportRegFile(*registry_, RegKeyName{HKEY_CURRENT_USER, "SOFTWARE\\demo"}, &text),
            ERROR_SUCCESS);
  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
      "@=\"default\"\r\n"
      "\"Quote\\\"d\"=\"C:\\\\dir \\\"x\\\" caf\xE9\"\r\n"
      "\"Number\"=dword:0000002a\r\n"
      "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
      "\"Bytes\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
      "  ab,ab,ab,ab,ab,ab,ab,ab,ab\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Demo\\Sub]\r\n"
      "@=\"s\"\r\n"
      "\r\n";
  EXPECT_EQ(text, expected);
  EXPECT_EQ(ExportRegFile(*registry_, RegKeyName{HKEY_CURRENT_USER, "Software\\Nothing"}, &text),
            ERROR_FILE_NOT_FOUND);
}

// Export, then import into an empty store, gives the same store; exporting
// that gives the same file.
TEST_F(RegFileTest, ExportReadsBackIntoTheSameStore) {
  ASSERT_EQ(SkippedLines(ImportRegFile(*registry_, Lines(kEveryKind))), std::vector<int>{});
  HKEY key{};
  ASSERT_EQ(registry_->RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Odd", &key), ERROR_SUCCESS);
  const std::vector<RegistryValue> odd = {
      {REG_SZ, Sz("line\nbreak")},          {REG_SZ, ""},
      {REG_SZ, std::string("a\0b\0", 4)},   {REG_DWORD, "\x01\x02"},
      {0x12345u, std::string(100, '\x07')}, {REG_BINARY, std::string(1, '\0')},
  };
  for (std::size_t i = 0; i < odd.size(); ++i) {
    ASSERT_EQ(
        registry_->RegSetValueExA(key, "v" + std::to_string(i), 0, odd[i].type, odd[i].data.data(),
                                  static_cast<std::uint32_t>(odd[i].data.size())),
        ERROR_SUCCESS);
  }
  ASSERT_EQ(registry_->RegSetValueA(HKEY_CLASSES_ROOT, "", REG_SZ, "root's own value"),
            ERROR_SUCCESS);
  registry_->RegCloseKey(key);

  std::string exported;
  ASSERT_EQ(ExportRegFile(*registry_, std::nullopt, &exported), ERROR_SUCCESS);
  std::unique_ptr<Registry> copy = OpenSqliteRegistry(folder_ / "copy.db");
  RegImportResult result = ImportRegFile(*copy, exported);
  EXPECT_EQ(SkippedLines(result), std::vector<int>{});
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_EQ(Dump(*copy), Dump(*registry_));
  std::string again;
  ASSERT_EQ(ExportRegFile(*copy, std::nullopt, &again), ERROR_SUCCESS);
  EXPECT_EQ(again, exported);
}

TEST(RegKeyNames, ParseAndPrint) {
  std::optional<RegKeyName> key = ParseRegKeyName("hkey_local_machine\\Software\\X");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(key->path, "Software\\X");
  EXPECT_EQ(FullRegKeyName(*key), "HKEY_LOCAL_MACHINE\\Software\\X");
  EXPECT_FALSE(ParseRegKeyName("HKCU\\Software"));
  EXPECT_TRUE(ParseRegKeyName("HKCU\\Software", RootAbbreviations::kAccept));
  EXPECT_EQ(FullRegKeyName(*ParseRegKeyName("HKEY_CLASSES_ROOT")), "HKEY_CLASSES_ROOT");
}

}  // namespace
}  // namespace vk::platform
