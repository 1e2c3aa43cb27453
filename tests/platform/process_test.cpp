#include "platform/process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {
namespace fs = std::filesystem;

struct SplitCase {
  const char* why;
  std::string text;
  std::vector<std::string> expected;
};

class SplitCommandLineArgumentsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineArgumentsTest, SplitsAsTheRunTimeDoes) {
  EXPECT_EQ(SplitCommandLineArguments(GetParam().text), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineArgumentsTest,
    ::testing::Values(
        SplitCase{"blanks separate, runs of them too", "  a  b\tc ", {"a", "b", "c"}},
        SplitCase{"quotes group and vanish", "\"C:\\My Docs\\log.txt\" /silent",
                  {"C:\\My Docs\\log.txt", "/silent"}},
        SplitCase{"backslashes before other characters are literal", "C:\\a\\\\b", {"C:\\a\\\\b"}},
        SplitCase{"2n backslashes and a quote give n and open a quote", "a\\\\\"b c\"",
                  {"a\\b c"}},
        SplitCase{"2n+1 backslashes and a quote give a literal quote", "a\\\"b", {"a\"b"}},
        SplitCase{"a doubled quote inside quotes is a quote", "\"a\"\"b\"", {"a\"b"}},
        SplitCase{"an empty quoted argument is kept", "a \"\" b", {"a", "", "b"}},
        SplitCase{"nothing", "   ", {}}));

class WinExecTest : public ::testing::Test {
 protected:
  WinExecTest() : launcher_(machine_.Machine(), starter_, {.vkProgram = "/opt/vk/vk"}) {}

  fs::path File(const std::string& windowsPath) {
    auto host = *machine_.Machine().ToHost(windowsPath);
    testing::WriteFile(host, "#!/bin/sh\n");
    return host;
  }

  testing::TestMachine machine_;
  RecordingProcessStarter starter_;
  ProgramLauncher launcher_;
};

TEST_F(WinExecTest, RegeditImportsTheFileIntoTheMachinesRegistry) {
  fs::path file = File("D:\\zsys.re_");
  EXPECT_GT(launcher_.WinExec("regedit D:\\zsys.re_", SW_SHOWNORMAL), 31u);
  EXPECT_GT(launcher_.WinExec("REGEDIT.EXE /s \"D:\\ZSYS.RE_\"", SW_SHOWNORMAL), 31u);
  ProcessRequest expected{"/opt/vk/vk",
                          {"reg", "import", "--prefix", machine_.Machine().Prefix().string(),
                           file.string()},
                          SW_SHOWNORMAL};
  ASSERT_EQ(starter_.Requests().size(), 2u);
  EXPECT_EQ(starter_.Requests()[0], expected);
  EXPECT_EQ(starter_.Requests()[1], expected) << "switches skipped, names matched without case";
}

TEST_F(WinExecTest, WriteOpensTheWholeRestAsOneFileInTheViewer) {
  fs::path readme = File("C:\\Program Files\\Velmor\\read me.txt");
  EXPECT_GT(launcher_.WinExec("write C:\\Program Files\\Velmor\\read me.txt", SW_SHOWNORMAL), 31u);
  ASSERT_EQ(starter_.Requests().size(), 1u);
  EXPECT_EQ(starter_.Requests()[0].program, "xdg-open");
  EXPECT_EQ(starter_.Requests()[0].arguments, std::vector<std::string>{readme.string()});
}

TEST_F(WinExecTest, AWindowsProgramRunsThroughTheDriveMap) {
  fs::path uninstaller = File("C:\\WINDOWS\\uninst-vk.exe");
  fs::path spaced = File("C:\\Program Files\\Velmor\\run it.exe");
  EXPECT_GT(launcher_.WinExec("C:\\WINDOWS\\uninst-vk.exe C:\\Velmor\\setup\\uninst.log /silent",
                              SW_HIDE),
            31u);
  EXPECT_GT(launcher_.WinExec("\"C:\\Program Files\\Velmor\\run it.exe\" \"a b\" c", SW_SHOWNORMAL),
            31u);
  EXPECT_GT(launcher_.WinExec("C:\\Program Files\\Velmor\\run it.exe x", SW_SHOWNORMAL), 31u)
      << "an unquoted path with blanks is found word by word";
  EXPECT_GT(launcher_.WinExec("uninst-vk log", SW_SHOWNORMAL), 31u)
      << "a bare name is looked for in the Windows folder, .exe added";
  ASSERT_EQ(starter_.Requests().size(), 4u);
  EXPECT_EQ(starter_.Requests()[0],
            (ProcessRequest{uninstaller, {"C:\\Velmor\\setup\\uninst.log", "/silent"}, SW_HIDE}));
  EXPECT_EQ(starter_.Requests()[1].program, spaced);
  EXPECT_EQ(starter_.Requests()[1].arguments, (std::vector<std::string>{"a b", "c"}));
  EXPECT_EQ(starter_.Requests()[2].program, spaced);
  EXPECT_EQ(starter_.Requests()[2].arguments, std::vector<std::string>{"x"});
  EXPECT_EQ(starter_.Requests()[3].program, uninstaller);
}

struct FailureCase {
  const char* why;
  std::string commandLine;
  unsigned expected;
};

class WinExecFailureTest : public WinExecTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WinExecFailureTest, GivesTheWindowsCodeAndStartsNothing) {
  File("C:\\App\\app.exe");
  EXPECT_EQ(launcher_.WinExec(GetParam().commandLine, SW_SHOWNORMAL), GetParam().expected)
      << GetParam().why;
  EXPECT_TRUE(starter_.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WinExecFailureTest,
    ::testing::Values(
        FailureCase{"missing program in an existing folder", "C:\\App\\gone.exe", ERROR_FILE_NOT_FOUND},
        FailureCase{"missing folder", "C:\\Nowhere\\app.exe /x", ERROR_PATH_NOT_FOUND},
        FailureCase{"unmapped drive", "Q:\\app.exe", ERROR_PATH_NOT_FOUND},
        FailureCase{"unknown bare name", "calc.exe", ERROR_FILE_NOT_FOUND},
        FailureCase{"empty command line", "  ", ERROR_FILE_NOT_FOUND},
        FailureCase{"viewer without a file", "write", ERROR_FILE_NOT_FOUND},
        FailureCase{"viewer with a missing file", "write C:\\App\\readme.txt", ERROR_FILE_NOT_FOUND},
        FailureCase{"registry file on an unmapped drive", "regedit Q:\\zsys.re_",
                    ERROR_PATH_NOT_FOUND}));

TEST_F(WinExecTest, StartFailuresBecomeWindowsCodes) {
  File("C:\\App\\app.exe");
  starter_.SetResult(StartResult::kNotExecutable);
  EXPECT_EQ(launcher_.WinExec("C:\\App\\app.exe", SW_SHOWNORMAL), ERROR_BAD_FORMAT);
  starter_.SetResult(StartResult::kNotFound);
  EXPECT_EQ(launcher_.WinExec("C:\\App\\app.exe", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
  starter_.SetResult(StartResult::kFailed);
  EXPECT_EQ(launcher_.WinExec("C:\\App\\app.exe", SW_SHOWNORMAL), 0u);
}

bool ProcessGone(pid_t pid) {
  // A zombie still has its /proc entry; a reaped child has none.
  for (int i = 0; i < 500; ++i) {
    if (!fs::exists("/proc/" + std::to_string(pid))) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The host's starter, with a stand-in viewer on PATH that writes its
// arguments and its process id, then ends.
TEST(HostProcessStarter, StartsWithoutAShellAndReapsTheChild) {
  testing::TestMachine machine;
  fs::path bin = machine.Root() / "bin";
  fs::path record = machine.Root() / "record";
  testing::WriteFile(bin / "xdg-open",
                     "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + record.string() +
                         ".tmp\"\n[ -e /proc/$$/fd/57 ] && printf 'leaked|' >> \"" +
                         record.string() + ".tmp\"\necho $$ >> \"" + record.string() +
                         ".tmp\"\nmv \"" +
                         record.string() + ".tmp\" \"" + record.string() + "\"\n");
  ::chmod((bin / "xdg-open").c_str(), 0755);
  fs::path readme = machine.DriveC() / "read me; $(rm -rf x).txt";
  testing::WriteFile(readme, "hello");

  std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
  // An open file of ours that was not opened close-on-exec.
  int open = ::open(readme.c_str(), O_RDONLY);
  ASSERT_EQ(::dup2(open, 57), 57);
  auto starter = MakeHostProcessStarter();
  ProgramLauncher launcher(machine.Machine(), *starter);
  unsigned code = launcher.WinExec("write C:\\read me; $(rm -rf x).txt", SW_SHOWNORMAL);
  ::setenv("PATH", oldPath.c_str(), 1);
  ::close(57);
  ::close(open);
  EXPECT_GT(code, 31u);

  for (int i = 0; i < 500 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::string written = testing::ReadFile(record);
  ASSERT_FALSE(written.empty()) << "the viewer never ran";
  auto bar = written.rfind('|');
  EXPECT_EQ(written.substr(0, bar + 1), readme.string() + "|")
      << "the file arrives as one argument, untouched by any shell, and no file of ours leaks";
  pid_t child = std::stoi(written.substr(bar + 1));
  EXPECT_TRUE(ProcessGone(child)) << "the ended child was not reaped";
}

ProcessRequest Request(const fs::path& program) {
  ProcessRequest request;
  request.program = program;
  return request;
}

TEST(HostProcessStarter, ReportsProgramsThatCannotStart) {
  testing::TemporaryFolder folder;
  testing::WriteFile(folder / "plain.txt", "not a program");
  auto starter = MakeHostProcessStarter();
  EXPECT_EQ(starter->Start(Request(folder / "missing")), StartResult::kNotFound);
  EXPECT_EQ(starter->Start(Request("velmor-kit-no-such-program")), StartResult::kNotFound);
  EXPECT_EQ(starter->Start(Request(folder / "plain.txt")), StartResult::kNotExecutable);
}

}  // namespace
}  // namespace vk::platform
