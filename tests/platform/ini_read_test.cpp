// Reading INI files the way setup.inf is read: the private-profile rules for
// names, values, numbers and flags, and files that are damaged or odd.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/ini_file.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

using testing::TemporaryFolder;
using testing::WriteFile;

std::string Repeat(char c, std::size_t count) { return std::string(count, c); }

class IniReadTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  std::filesystem::path path = folder / "setup.inf";

  TIniFile Open(std::string_view content) {
    WriteFile(path, content);
    return TIniFile(path);
  }
};

struct StringCase {
  const char* why;
  std::string content;
  std::string section;
  std::string key;
  std::string expected;  // with the default "_"
};

TEST_F(IniReadTest, ReadStringFollowsTheProfileRules) {
  const std::string longValue = Repeat('v', 2000);
  const StringCase cases[] = {
      {"plain value", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"section and key match without regard to case", "[Software]\r\nName=x\r\n", "SOFTWARE",
       "nAME", "x"},
      {"Windows-1252 letters fold too", "[\xC4rger]\r\n\xE9t\xE9=x\r\n", "\xE4rger", "\xC9T\xC9",
       "x"},
      {"blanks around names and value are removed", "  [ s ]  \r\n\t k \t=  a b \t\r\n", "s", "k",
       "a b"},
      {"blanks around the looked-up names too", "[s]\r\nk=v\r\n", " s ", "\tk ", "v"},
      {"empty value is a value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"blank value is an empty value", "[s]\r\nk=   \r\n", "s", "k", ""},
      {"missing key gives the default", "[s]\r\nk=v\r\n", "s", "other", "_"},
      {"missing section gives the default", "[s]\r\nk=v\r\n", "t", "k", "_"},
      {"a key of another section is not seen", "[a]\r\nk=1\r\n[b]\r\n", "b", "k", "_"},
      {"double quotes around the whole value go", "[s]\r\nk=\"  a  \"\r\n", "s", "k", "  a  "},
      {"single quotes around the whole value go", "[s]\r\nk='a'\r\n", "s", "k", "a"},
      {"quotes inside the value stay", "[s]\r\nk=a \"b\"\r\n", "s", "k", "a \"b\""},
      {"unmatched quotes stay", "[s]\r\nk=\"a'\r\n", "s", "k", "\"a'"},
      {"a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"only the outer pair goes", "[s]\r\nk=\"\"a\"\"\r\n", "s", "k", "\"a\""},
      {"the first of repeated keys wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"the first of repeated sections wins", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "1"},
      {"keys only in a repeated section are not seen", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b",
       "_"},
      {"comment lines are skipped", "[s]\r\n;k=1\r\n  ; k=2\r\nk=3\r\n", "s", "k", "3"},
      {"a semicolon inside a value is part of it", "[s]\r\nk=a ; b\r\n", "s", "k", "a ; b"},
      {"a line without '=' is a key with an empty value", "[s]\r\nk\r\n", "s", "k", ""},
      {"the first '=' parts key and value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"text after the closing bracket is ignored", "[s] trailing\r\nk=v\r\n", "s", "k", "v"},
      {"a header without ']' does not open a section", "[s]\r\n[t\r\nk=v\r\n", "s", "k", "v"},
      {"LF line ends", "[s]\nk=v\nj=w\n", "s", "j", "w"},
      {"CR line ends", "[s]\rk=v\rj=w\r", "s", "j", "w"},
      {"no final line break", "[s]\r\nk=v", "s", "k", "v"},
      {"keys before any section belong to none", "k=v\r\n[s]\r\n", "s", "k", "_"},
      {"an empty section name is a name", "[]\r\nk=v\r\n", "", "k", "v"},
      {"a byte-order mark before the first header", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
      {"a value is cut to 1023 characters", "[s]\r\nk=" + longValue + "\r\n", "s", "k",
       Repeat('v', 1023)},
      {"a value of exactly 1023 characters is whole", "[s]\r\nk=" + Repeat('v', 1023) + "\r\n", "s",
       "k", Repeat('v', 1023)},
      {"a NUL byte is just a byte", std::string("[s]\r\nk=a\0b\r\n", 11), "s", "k",
       std::string("a\0b", 3)},
      {"bytes above 127 pass untouched", "[s]\r\nk=\xE4\xF6\xFC\x80\r\n", "s", "k",
       "\xE4\xF6\xFC\x80"},
  };
  for (const StringCase& each : cases) {
    TIniFile ini = Open(each.content);
    EXPECT_EQ(ini.ReadString(each.section, each.key, "_"), each.expected) << each.why;
  }
}

struct IntegerCase {
  const char* value;  // nullptr: the key is missing
  std::int32_t expected;  // with the default -7
};

TEST_F(IniReadTest, ReadIntegerConvertsDecimalAndHexadecimalOrGivesTheDefault) {
  const IntegerCase cases[] = {
      {"42", 42},          {"-5", -5},          {"+5", 5},
      {"0x1F", 31},        {"0X1f", 31},        {"$1F", 31},
      {"$ff", 255},        {"0xFFFFFF", 16777215}, {"$FFFFFFFF", -1},
      {"$7FFFFFFF", 2147483647}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"0", 0},            {"007", 7},          {"\"  42\"", 42},
      // Not a number as a whole: the default.
      {"0x", -7},          {"$", -7},           {"0x$1", -7},
      {"42abc", -7},       {"4 2", -7},         {"\"42 \"", -7},
      {"1.5", -7},         {"word", -7},        {"", -7},
      {"-", -7},           {"-$1F", -7},        {"$1G", -7},
      {"x1F", -7},         {"2147483648", -7},  {"-2147483649", -7},
      {"$100000000", -7},  {"99999999999999999999", -7},
      {nullptr, -7},
  };
  for (const IntegerCase& each : cases) {
    std::string content = "[s]\r\n";
    if (each.value != nullptr) content += std::string("k=") + each.value + "\r\n";
    TIniFile ini = Open(content);
    EXPECT_EQ(ini.ReadInteger("s", "k", -7), each.expected)
        << (each.value == nullptr ? "(missing)" : each.value);
  }
}

struct BoolCase {
  const char* value;  // nullptr: the key is missing
  bool withTrue;      // result with the default true
  bool withFalse;     // result with the default false
};

TEST_F(IniReadTest, ReadBoolIsNonZeroWithWordsAndEmptyGivingTheDefault) {
  const BoolCase cases[] = {
      {"1", true, true},     {"2", true, true},      {"-1", true, true},
      {"0x10", true, true},  {"0", false, false},    {"$0", false, false},
      {"true", true, false}, {"yes", true, false},   {"false", true, false},
      {"", true, false},     {nullptr, true, false},
  };
  for (const BoolCase& each : cases) {
    std::string content = "[s]\r\n";
    if (each.value != nullptr) content += std::string("k=") + each.value + "\r\n";
    TIniFile ini = Open(content);
    const char* shown = each.value == nullptr ? "(missing)" : each.value;
    EXPECT_EQ(ini.ReadBool("s", "k", true), each.withTrue) << shown;
    EXPECT_EQ(ini.ReadBool("s", "k", false), each.withFalse) << shown;
  }
}

TEST_F(IniReadTest, MissingFileReadsAsEmpty) {
  TIniFile ini(folder / "absent.inf");
  EXPECT_EQ(ini.ReadString("s", "k", "_"), "_");
  EXPECT_EQ(ini.ReadInteger("s", "k", 3), 3);
  EXPECT_FALSE(ini.SectionExists("s"));
}

TEST_F(IniReadTest, AFolderInThePlaceOfTheFileReadsAsEmpty) {
  std::filesystem::create_directories(folder / "setup.inf");
  TIniFile ini(folder / "setup.inf");
  EXPECT_EQ(ini.ReadString("s", "k", "_"), "_");
}

// Damaged files are read without a crash; what can be found is found.
TEST_F(IniReadTest, DamagedFilesGiveDefaultsWhereKeysAreMissing) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
  const std::string cases[] = {
      "",
      binary,
      std::string(100000, 'x'),
      "[" + std::string(100000, 's'),
      std::string("\0\0\0[s]\0k=v", 11),
      "k=v\r\nj=w\r\n",
      "]]]]\r\n[[[[\r\n====\r\n;;;;\r\n",
      std::string(5000, '\n'),
      std::string(5000, '\r'),
  };
  for (const std::string& content : cases) {
    TIniFile ini = Open(content + "\r\n[found]\r\nkey=yes\r\n");
    EXPECT_EQ(ini.ReadString("velmor-kit", "version", "_"), "_");
    EXPECT_EQ(ini.ReadInteger("software", "medium", -1), -1);
    EXPECT_EQ(ini.ReadString("found", "key", "_"), "yes");
    ini.ReadSections();
  }
}

TEST_F(IniReadTest, SectionsAndKeysAreListedOnceInFileOrder) {
  TIniFile ini = Open(
      "k=before\r\n[Files]\r\ntotal=2\r\nf1=a\r\n;f9=c\r\nF1=dup\r\nodd\r\n=nokey\r\n"
      "[Other]\r\n[files]\r\nf2=b\r\n");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Files", "Other"}));
  EXPECT_EQ(ini.ReadSection("FILES"), (std::vector<std::string>{"total", "f1", "odd"}));
  EXPECT_TRUE(ini.SectionExists("other"));
  EXPECT_TRUE(ini.ValueExists("files", "ODD"));
  EXPECT_FALSE(ini.ValueExists("files", "f2"));
  EXPECT_TRUE(ini.ReadSection("missing").empty());
}

// Another writer's change is seen by the next read.
TEST_F(IniReadTest, ReadsSeeTheFileChangedByAnotherWriter) {
  TIniFile ini = Open("[s]\r\nk=old\r\n");
  EXPECT_EQ(ini.ReadString("s", "k", "_"), "old");
  WriteFile(path, "[s]\r\nk=new, and longer\r\n");
  EXPECT_EQ(ini.ReadString("s", "k", "_"), "new, and longer");
  std::filesystem::remove(path);
  EXPECT_EQ(ini.ReadString("s", "k", "_"), "_");
}

}  // namespace
}  // namespace vk::platform
