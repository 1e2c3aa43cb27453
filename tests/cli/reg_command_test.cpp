// vk reg import/export/query on a temporary machine: what the distributor
// types, and what "regedit FILE" runs during an installation.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/sqlite_registry.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/vk_program.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"

namespace vk::cli {
namespace {

namespace fs = std::filesystem;
using namespace vk::platform;
using vk::testing::ReadFile;
using vk::testing::WriteFile;

struct Outcome {
  int exitCode = 0;
  std::string out;
  std::string err;
};

// Runs "vk ARGUMENTS" in this process, handling errors as vk's main does.
Outcome RunInProcess(std::vector<std::string> arguments) {
  CLI::App app{"vk"};
  app.require_subcommand(1);
  AddRegCommand(app);
  std::vector<char*> argv = {const_cast<char*>("vk")};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  Outcome outcome;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    outcome.exitCode = app.exit(error);
  } catch (const CommandError& error) {
    std::cerr << "vk: " << error.what() << '\n';
    outcome.exitCode = error.ExitCode();
  }
  std::cout.flush();
  outcome.out = ::testing::internal::GetCapturedStdout();
  outcome.err = ::testing::internal::GetCapturedStderr();
  return outcome;
}

class RegCommandTest : public ::testing::Test {
 protected:
  std::string Prefix() const { return prefix_.string(); }
  std::unique_ptr<Registry> Store() const { return OpenSqliteRegistry(prefix_ / "registry.db"); }

  std::string Read(HKEY root, std::string_view path, std::string_view name) {
    std::unique_ptr<Registry> registry = Store();
    HKEY key{};
    if (registry->RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) return "no key";
    RegistryValue value;
    LSTATUS status = registry->RegQueryValueExA(key, name, &value);
    registry->RegCloseKey(key);
    return status == ERROR_SUCCESS ? value.data : "missing";
  }

  vk::testing::TemporaryFolder folder_;
  fs::path prefix_ = folder_.Path();
};

TEST_F(RegCommandTest, ImportReportsAMalformedLineWithItsNumberAndImportsTheRest) {
  fs::path file = prefix_ / "in.reg";
  WriteFile(file,
            "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"bad\"=dword:xyz\r\n"
            "\"good\"=\"yes\"\r\n");
  Outcome outcome = RunInProcess({"reg", "import", "--prefix", Prefix(), file.string()});
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_NE(outcome.err.find(file.string() + ":3: dword:"), std::string::npos) << outcome.err;
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\Demo", "good"), std::string("yes") + '\0');
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "Software\\Demo", "bad"), "missing");
}

// "regedit D:\zsys.re_" may reach vk with the Windows path of the machine.
TEST_F(RegCommandTest, ImportTakesAWindowsPathOnTheMachine) {
  Machine machine(prefix_);
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Product]\r\n\"Version\"=\"1.0\"\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  WriteFile(*machine.ToHost("C:\\setup\\zsys.re_"), utf16);
  Outcome outcome = RunInProcess({"reg", "import", "--prefix", Prefix(), "C:\\SETUP\\ZSYS.RE_"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, "Software\\Product", "Version"), std::string("1.0") + '\0');
}

TEST_F(RegCommandTest, ImportFailsClearlyOnFilesItCannotUse) {
  Outcome missing =
      RunInProcess({"reg", "import", "--prefix", Prefix(), (prefix_ / "none.reg").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;

  WriteFile(prefix_ / "text.reg", "hello\r\n[HKEY_CURRENT_USER\\X]\r\n");
  Outcome text =
      RunInProcess({"reg", "import", "--prefix", Prefix(), (prefix_ / "text.reg").string()});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_NE(text.err.find("text.reg:1: not a registry file"), std::string::npos) << text.err;
  EXPECT_EQ(Read(HKEY_CURRENT_USER, "X", ""), "no key");

  Outcome unmapped = RunInProcess({"reg", "import", "--prefix", Prefix(), "Q:\\zsys.re_"});
  EXPECT_EQ(unmapped.exitCode, 1);
  EXPECT_NE(unmapped.err.find("not mapped"), std::string::npos) << unmapped.err;
}

TEST_F(RegCommandTest, ExportWritesAFileOrStandardOutput) {
  {
    std::unique_ptr<Registry> registry = Store();
    ASSERT_EQ(registry->RegSetValueA(HKEY_CURRENT_USER, "Software\\Demo", REG_SZ, "d"),
              ERROR_SUCCESS);
    ASSERT_EQ(registry->RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtautofile"),
              ERROR_SUCCESS);
  }
  const std::string demo = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n@=\"d\"\r\n\r\n";
  Outcome toFile = RunInProcess(
      {"reg", "export", "--prefix", Prefix(), "HKCU\\software\\demo", Prefix() + "/d.reg"});
  EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_EQ(ReadFile(prefix_ / "d.reg"), demo);

  Outcome toStdout =
      RunInProcess({"reg", "export", "--prefix", Prefix(), "HKEY_CURRENT_USER\\Software"});
  EXPECT_EQ(toStdout.exitCode, 0);
  EXPECT_EQ(toStdout.out, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n" +
                              demo.substr(std::string("REGEDIT4\r\n\r\n").size()));

  // One argument that is not a key name is the file for everything.
  Outcome everything = RunInProcess({"reg", "export", "--prefix", Prefix(), Prefix() + "/all.reg"});
  EXPECT_EQ(everything.exitCode, 0) << everything.err;
  std::string all = ReadFile(prefix_ / "all.reg");
  EXPECT_NE(all.find("[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtautofile\""), std::string::npos);
  EXPECT_NE(all.find("[HKEY_LOCAL_MACHINE]"), std::string::npos);

  // What export wrote, import reads back into another machine.
  fs::path other = prefix_ / "other";
  fs::create_directories(other);
  Outcome back = RunInProcess({"reg", "import", "--prefix", other.string(), Prefix() + "/all.reg"});
  EXPECT_EQ(back.exitCode, 0) << back.err;
  Outcome again = RunInProcess({"reg", "export", "--prefix", other.string()});
  EXPECT_EQ(again.out, all);

  Outcome missing = RunInProcess({"reg", "export", "--prefix", Prefix(), "HKCU\\Nothing"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("HKCU\\Nothing: no such key"), std::string::npos) << missing.err;
}

TEST_F(RegCommandTest, QueryShowsValuesAndSubkeys) {
  {
    std::unique_ptr<Registry> registry = Store();
    HKEY key{};
    ASSERT_EQ(registry->RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Caf\xE9", &key),
              ERROR_SUCCESS);
    auto set = [&](std::string_view name, std::uint32_t type, std::string data) {
      ASSERT_EQ(registry->RegSetValueExA(key, name, 0, type, data.data(),
                                         static_cast<std::uint32_t>(data.size())),
                ERROR_SUCCESS);
    };
    set("", REG_SZ, std::string("default") + '\0');
    set("Name", REG_SZ, std::string("Men\xFC") + '\0');
    set("Count", REG_DWORD, std::string("\x2a\0\0\0", 4));
    set("List", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    set("Raw", REG_BINARY, "\x01\xAB");
    set("Lines", REG_SZ, std::string("a\nb") + '\0');
    ASSERT_EQ(registry->RegSetValueA(key, "Sub", REG_SZ, "s"), ERROR_SUCCESS);
    registry->RegCloseKey(key);
  }
  Outcome all = RunInProcess({"reg", "query", "--prefix", Prefix(), "HKLM\\Software\\caf\xC3\xA9"});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out,
            "HKEY_LOCAL_MACHINE\\Software\\caf\xC3\xA9\n"
            "    (Default)    REG_SZ    default\n"
            "    Name    REG_SZ    Men\xC3\xBC\n"
            "    Count    REG_DWORD    0x2a\n"
            "    List    REG_MULTI_SZ    a\\0b\n"
            "    Raw    REG_BINARY    01AB\n"
            // Each value stays on one line.
            "    Lines    REG_SZ    a\\x0Ab\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\Software\\caf\xC3\xA9\\Sub\n");

  Outcome one =
      RunInProcess({"reg", "query", "--prefix", Prefix(), "HKLM\\Software\\Caf\xC3\xA9", "count"});
  EXPECT_EQ(one.exitCode, 0);
  EXPECT_EQ(one.out, "HKEY_LOCAL_MACHINE\\Software\\Caf\xC3\xA9\n    count    REG_DWORD    0x2a\n");
  Outcome byDefault =
      RunInProcess({"reg", "query", "--prefix", Prefix(), "HKLM\\Software\\Caf\xC3\xA9", ""});
  EXPECT_NE(byDefault.out.find("(Default)    REG_SZ    default"), std::string::npos);

  Outcome noValue =
      RunInProcess({"reg", "query", "--prefix", Prefix(), "HKLM\\Software\\Caf\xC3\xA9", "x"});
  EXPECT_EQ(noValue.exitCode, 1);
  EXPECT_NE(noValue.err.find("no value \"x\""), std::string::npos) << noValue.err;
  Outcome noKey = RunInProcess({"reg", "query", "--prefix", Prefix(), "HKLM\\Nothing"});
  EXPECT_EQ(noKey.exitCode, 1);
  EXPECT_NE(noKey.err.find("no such key"), std::string::npos);
  Outcome badRoot = RunInProcess({"reg", "query", "--prefix", Prefix(), "HKEY_USERS\\x"});
  EXPECT_EQ(badRoot.exitCode, 1);
  EXPECT_NE(badRoot.err.find("not a key name"), std::string::npos);

  // Reading never makes a machine where a mistyped prefix points.
  Outcome noMachine = RunInProcess({"reg", "query", "--prefix", Prefix() + "/typo", "HKCU"});
  EXPECT_EQ(noMachine.exitCode, 1);
  EXPECT_NE(noMachine.err.find("no machine at"), std::string::npos) << noMachine.err;
  EXPECT_FALSE(fs::exists(prefix_ / "typo"));
}

// Two vk runs importing into one machine at the same time, as an
// installation and an administrator might: all values of both arrive.
TEST_F(RegCommandTest, TwoImportsAtOnceLoseNothing) {
  const fs::path vk = vk::testing::VkProgram();
  if (!fs::exists(vk)) GTEST_SKIP() << "the vk program is not built at " << vk;
  for (int writer = 0; writer < 2; ++writer) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Race]\r\n";
    for (int i = 0; i < 1000; ++i) {
      text += "\"w" + std::to_string(writer) + "-" + std::to_string(i) +
              "\"=dword:" + std::to_string(i) + "\r\n";
    }
    WriteFile(prefix_ / ("w" + std::to_string(writer) + ".reg"), text);
  }
  Machine machine(prefix_);  // create the prefix before both start
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    std::string file = (prefix_ / ("w" + std::to_string(writer) + ".reg")).string();
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      execl(vk.c_str(), "vk", "reg", "import", "--prefix", prefix_.c_str(), file.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::unique_ptr<Registry> registry = Store();
  HKEY key{};
  ASSERT_EQ(registry->RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Race", &key), ERROR_SUCCESS);
  std::uint32_t values = 0;
  EXPECT_EQ(registry->RegQueryInfoKeyA(key, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 2000u);
  registry->RegCloseKey(key);
}

}  // namespace
}  // namespace vk::cli
