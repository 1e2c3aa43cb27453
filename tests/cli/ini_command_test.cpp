// vk ini get/getint/getbool/set: the INI access from the command line, with
// the file's bytes in and out, one line on stderr and a non-zero exit for
// every error, and no crash on any file.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"
#include "tests/support/vk_program.h"

namespace vk::cli {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunVk;
using testing::TemporaryFolder;
using testing::VkProgram;
using testing::VkRun;
using testing::WriteFile;

class IniCommandTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  fs::path file = folder / "setup.inf";

  void SetUp() override {
    ASSERT_TRUE(fs::exists(VkProgram())) << "build the vk target first: " << VkProgram();
  }
};

struct ReadCase {
  std::vector<std::string> arguments;  // after FILE
  const char* command;
  std::string expected;  // stdout
};

TEST_F(IniCommandTest, ReadersPrintWhatTheInstallerWouldRead) {
  WriteFile(file,
            "[velmor-kit]\r\nversion=2\r\nlanguage= english \r\nempty=\r\n"
            "[software]\r\nmedium=-1\r\ncolor=0xFF\r\nword=yes\r\nname=\"Caf\xE9 ;x\"\r\n");
  const ReadCase cases[] = {
      {{"velmor-kit", "version"}, "get", "2\n"},
      {{"VELMOR-KIT", "Language"}, "get", "english\n"},
      {{"velmor-kit", "empty", "_"}, "get", "\n"},
      {{"velmor-kit", "missing", "_"}, "get", "_\n"},
      {{"velmor-kit", "missing"}, "get", "\n"},
      {{"software", "name"}, "get", "Caf\xE9 ;x\n"},
      {{"software", "color"}, "getint", "255\n"},
      {{"software", "medium", "7"}, "getint", "-1\n"},
      {{"software", "missing", "-1"}, "getint", "-1\n"},
      {{"software", "missing", "$10"}, "getint", "16\n"},
      {{"software", "word", "3"}, "getint", "3\n"},
      {{"software", "missing"}, "getint", "0\n"},
      {{"software", "medium"}, "getbool", "1\n"},
      {{"software", "word", "1"}, "getbool", "1\n"},
      {{"software", "word", "0"}, "getbool", "0\n"},
      {{"software", "word", "true"}, "getbool", "1\n"},
      {{"velmor-kit", "empty"}, "getbool", "0\n"},
  };
  for (const ReadCase& each : cases) {
    std::vector<std::string> arguments = {"ini", each.command, file.string()};
    arguments.insert(arguments.end(), each.arguments.begin(), each.arguments.end());
    VkRun result = RunVk(arguments);
    EXPECT_EQ(result.exitCode, 0) << each.command << " " << each.arguments[1] << ": " << result.err;
    EXPECT_EQ(result.out, each.expected) << each.command << " " << each.arguments[1];
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(IniCommandTest, SetWritesTheBytesAsGivenAndGetReadsThemBack) {
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "files", "total", "0"}).exitCode, 0);
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "uninstall", "name", "Caf\xE9 = ;\"x\""}).exitCode,
            0);
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "files", "f1", "\\bin\\a.exe"}).exitCode, 0);
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "FILES", "Total", "1"}).exitCode, 0);
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "files", "f2", "-5"}).exitCode, 0);
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "files", "f3", ""}).exitCode, 0);
  EXPECT_EQ(ReadFile(file),
            "[files]\r\ntotal=1\r\nf1=\\bin\\a.exe\r\nf2=-5\r\nf3=\r\n\r\n"
            "[uninstall]\r\nname=Caf\xE9 = ;\"x\"\r\n");
  EXPECT_EQ(RunVk({"ini", "get", file.string(), "uninstall", "name"}).out, "Caf\xE9 = ;\"x\"\n");
  EXPECT_EQ(RunVk({"ini", "getint", file.string(), "files", "f2"}).out, "-5\n");
  // A value beginning with '-' that is no number follows "--".
  ASSERT_EQ(RunVk({"ini", "set", file.string(), "--", "files", "f4", "--x"}).exitCode, 0);
  EXPECT_EQ(RunVk({"ini", "get", file.string(), "files", "f4"}).out, "--x\n");
}

TEST_F(IniCommandTest, ErrorsAreOneLineOnStandardErrorWithANonZeroExit) {
  WriteFile(file, "[s]\r\nk=1\r\n");
  WriteFile(folder / "plain", "x");
  fs::create_directories(folder / "folder");
  const std::string missing = (folder / "missing.inf").string();
  const std::vector<std::vector<std::string>> cases = {
      {"ini", "get", missing, "s", "k"},
      {"ini", "getint", missing, "s", "k", "1"},
      {"ini", "getbool", missing, "s", "k"},
      {"ini", "get", (folder / "folder").string(), "s", "k"},
      {"ini", "get", (folder / "plain" / "x.inf").string(), "s", "k"},
      {"ini", "getint", file.string(), "s", "k", "abc"},
      {"ini", "getbool", file.string(), "s", "k", "maybe"},
      {"ini", "set", file.string(), "s", "a=b", "v"},
      {"ini", "set", file.string(), "s", "k", "two\nlines"},
      {"ini", "set", file.string(), "s]", "k", "v"},
      {"ini", "set", (folder / "no" / "such" / "uninst.log").string(), "s", "k", "v"},
      {"ini", "set", (folder / "folder").string(), "s", "k", "v"},
      {"ini", "set", file.string(), "s", "k"},
      {"ini", "get", file.string()},
      {"ini", "get", file.string(), "s", "k", "d", "extra"},
      {"ini", "frobnicate", file.string()},
  };
  for (const auto& arguments : cases) {
    std::string shown;
    for (const std::string& argument : arguments) shown += argument + " ";
    VkRun result = RunVk(arguments);
    EXPECT_NE(result.exitCode, 0) << shown;
    EXPECT_LT(result.exitCode, 128) << "crashed: " << shown;
    EXPECT_EQ(result.out, "") << shown;
    EXPECT_FALSE(result.err.empty()) << shown;
  }
  // Messages of the command's own errors are single lines that say what and where.
  VkRun noFile = RunVk({"ini", "get", missing, "s", "k"});
  EXPECT_EQ(noFile.err, "vk: no such file: " + missing + "\n");
  VkRun refused = RunVk({"ini", "set", (folder / "no" / "uninst.log").string(), "s", "k", "v"});
  EXPECT_NE(refused.err.find((folder / "no" / "uninst.log").string()), std::string::npos);
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_EQ(ReadFile(file), "[s]\r\nk=1\r\n") << "a refused set changes nothing";
}

TEST_F(IniCommandTest, AnyFileIsReadWithoutACrash) {
  std::string binary;
  for (int i = 0; i < 65536; ++i) binary.push_back(static_cast<char>((i * 7919 + i / 256) % 256));
  const std::string contents[] = {
      "",
      binary,
      std::string(100000, 'a') + "=" + std::string(100000, 'b'),
      std::string("[s]\0k=\0v\r\n", 11),
      "k=before any section\r\n",
      "[s\r\n[\r\n]\r\n=\r\n==\r\n[s]=x\r\n",
  };
  for (const std::string& content : contents) {
    WriteFile(file, content);
    for (const char* command : {"get", "getint", "getbool"}) {
      VkRun result = RunVk({"ini", command, file.string(), "s", "k", "1"});
      EXPECT_EQ(result.exitCode, 0) << command << ": " << result.err;
    }
    VkRun set = RunVk({"ini", "set", file.string(), "s", "k", "v"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(RunVk({"ini", "get", file.string(), "s", "k"}).out, "v\n");
  }
}

}  // namespace
}  // namespace vk::cli
