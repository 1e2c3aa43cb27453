// A writer killed with SIGKILL leaves a complete file: right after a write
// returns the file holds that write, and a kill in the middle of writing
// leaves the file as it was after some whole number of writes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TemporaryFolder;
using testing::WriteFile;

constexpr int kLoggedFiles = 5000;

// What a reader must find: every section with its keys and values in order.
using Contents = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

void Set(Contents& contents, const std::string& section, const std::string& key,
         const std::string& value) {
  for (auto& [name, keys] : contents) {
    if (name != section) continue;
    for (auto& [existing, old] : keys) {
      if (existing == key) {
        old = value;
        return;
      }
    }
    keys.emplace_back(key, value);
    return;
  }
  contents.push_back({section, {{key, value}}});
}

// The log of a large installation, as a run leaves it before its last steps.
Contents LargeLog() {
  Contents log;
  Set(log, "important!", "c", "velmor-kit uninstall log");
  Set(log, "files", "total", "0");
  for (int number = 1; number <= kLoggedFiles; ++number) {
    Set(log, "files", "f" + std::to_string(number), "\\bin\\file" + std::to_string(number) + ".dat");
  }
  Set(log, "directories", "total", "1");
  Set(log, "directories", "d1", "\\bin\\");
  Set(log, "extensions", "total", "0");
  Set(log, "uninstall", "name", "Sample Viewer");
  Set(log, "uninstall", "directory", "C:\\Applications\\Viewer");
  Set(log, "language", "l10", "Please wait...");
  return log;
}

std::string Render(const Contents& contents) {
  std::string text;
  for (const auto& [section, keys] : contents) {
    if (!text.empty()) text += "\r\n";
    text += "[" + section + "]\r\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  }
  return text;
}

// Checks the file line by line against the expected contents: sections and
// keys in order with their values, and nothing else but blank lines and
// comments (a write cut short by the kill leaves at most a comment).
void ExpectFileHolds(const fs::path& path, const Contents& expected) {
  TIniFile reader(path);
  std::vector<std::string> sections;
  for (const auto& [section, keys] : expected) {
    sections.push_back(section);
    std::vector<std::string> names;
    for (const auto& [key, value] : keys) {
      names.push_back(key);
      ASSERT_EQ(reader.ReadString(section, key, "<missing>"), value) << section << "/" << key;
    }
    ASSERT_EQ(reader.ReadSection(section), names) << section;
  }
  ASSERT_EQ(reader.ReadSections(), sections);
  const std::string content = ReadFile(path);
  std::size_t lineStart = 0;
  while (lineStart < content.size()) {
    std::size_t end = std::min(content.find('\n', lineStart), content.size());
    std::string line = content.substr(lineStart, end - lineStart);
    // Only a write cut short may leave a last line without its line break.
    if (end == content.size()) {
      ASSERT_EQ(line.front(), ';') << "the last line is cut short";
    }
    lineStart = end + 1;
    if (line.find_first_not_of(" \r") == std::string::npos || line.front() == ';') continue;
    ASSERT_TRUE(line.front() == '[' || line.find('=') != std::string::npos) << line;
  }
}

// Runs body in a child process that reports on the pipe after each write
// it has finished; kills it with SIGKILL as soon as the given number of
// reports arrived, whatever it is doing then, and reaps it. Returns the
// number of reports read.
int RunAndKill(const std::function<void(int reportPipe)>& body, int reportsBeforeKill) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return -1;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    try {
      body(pipeEnds[1]);
    } catch (...) {
      ::_exit(3);
    }
    for (;;) ::pause();
  }
  ::close(pipeEnds[1]);
  int reports = 0;
  char byte;
  while (reports < reportsBeforeKill && ::read(pipeEnds[0], &byte, 1) == 1) ++reports;
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(pipeEnds[0]);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      << "the writer ended on its own, status " << status;
  return reports;
}

void Report(int reportPipe) {
  char byte = 1;
  [[maybe_unused]] ssize_t ignored = ::write(reportPipe, &byte, 1);
}

class IniKillTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  fs::path path = folder / "uninst.log";
  Contents log = LargeLog();
};

struct KillCase {
  const char* why;
  std::vector<std::array<std::string, 3>> writes;  // section, key, value; the last is the one killed after
};

TEST_F(IniKillTest, AKillRightAfterAWriteLeavesTheWriteInACompleteFile) {
  const std::string next = std::to_string(kLoggedFiles + 1);
  const KillCase cases[] = {
      {"a key appended at the end of the file",
       {{"language", "l55", "Remove"}}},
      {"a new section at the end of the file",
       {{"sysreg", "remove", "1"}}},
      {"a key appended in the middle, by rewriting the file",
       {{"files", "f" + next, "\\bin\\next.dat"}}},
      {"a key appended in the middle, into room left by earlier writes",
       {{"files", "f" + next, "\\a"}, {"files", "f" + std::to_string(kLoggedFiles + 2), "\\b"},
        {"files", "f" + std::to_string(kLoggedFiles + 3), "\\c"}}},
      {"a longer value replaced in the middle",
       {{"files", "total", std::to_string(kLoggedFiles)}}},
      {"a shorter value replaced in the middle",
       {{"uninstall", "name", "SV"}}},
      {"a value replaced in the middle of a file that holds room",
       {{"files", "f" + next, "\\a"}, {"files", "f" + std::to_string(kLoggedFiles + 2), "\\b"},
        {"files", "f2500", "\\replaced\\value\\that\\is\\longer.dat"}}},
  };
  const std::string initial = Render(log);
  for (const KillCase& each : cases) {
    SCOPED_TRACE(each.why);
    WriteFile(path, initial);
    Contents expected = log;
    for (const auto& [section, key, value] : each.writes) Set(expected, section, key, value);
    int reports = RunAndKill([&](int reportPipe) {
      TIniFile ini(path);
      for (const auto& [section, key, value] : each.writes) ini.WriteString(section, key, value);
      Report(reportPipe);
    }, 1);
    ASSERT_EQ(reports, 1) << "the writer failed";
    ExpectFileHolds(path, expected);
  }
}

// The writer runs a fixed sequence of writes of every kind; whenever the
// kill comes, the file is the log after the first n of them for some n.
TEST_F(IniKillTest, AKillInTheMiddleOfWritingLeavesTheFileAfterAWholeNumberOfWrites) {
  struct Step {
    std::string section, key, value;
  };
  std::vector<Step> steps;
  int nextFile = kLoggedFiles;
  for (int number = 1; number <= 4000; ++number) {
    std::string mark = "#" + std::to_string(number);
    if (number % 500 == 0) {
      steps.push_back({"extra" + std::to_string(number), "k", mark});  // a new section
    } else if (number % 97 == 0) {
      steps.push_back({"files", "total", mark});  // a longer value in the middle
    } else if (number % 89 == 0) {
      steps.push_back({"uninstall", "name", mark});
    } else if (number % 31 == 0) {
      steps.push_back({"language", "l" + std::to_string(number), mark});  // end of file
    } else if (number % 43 == 0) {
      steps.push_back({"directories", "d" + std::to_string(number), mark});  // another middle section
    } else {
      steps.push_back({"files", "f" + std::to_string(++nextFile), "\\bin\\" + mark});
    }
  }
  // The state after each step is found by the highest mark in the file,
  // outside comments (where a write cut short stays).
  auto highestMark = [](const fs::path& file) {
    const std::string content = ReadFile(file);
    int highest = 0;
    std::size_t lineStart = 0;
    while (lineStart < content.size()) {
      std::size_t end = std::min(content.find('\n', lineStart), content.size());
      std::size_t at = content.find('#', lineStart);
      if (content[lineStart] != ';' && at < end) {
        highest = std::max(highest, std::atoi(content.c_str() + at + 1));
      }
      lineStart = end + 1;
    }
    return highest;
  };
  const std::string initial = Render(log);
  std::mt19937 random(7);
  for (int round = 0; round < 12; ++round) {
    WriteFile(path, initial);
    const int target = 1 + static_cast<int>(random() % (steps.size() - 1));
    const int reported = RunAndKill(
        [&](int reportPipe) {
          TIniFile ini(path);
          for (const Step& step : steps) {
            ini.WriteString(step.section, step.key, step.value);
            Report(reportPipe);
          }
        },
        target);
    ASSERT_EQ(reported, target) << "the writer failed";
    const int done = highestMark(path);
    SCOPED_TRACE("killed after " + std::to_string(done) + " writes");
    EXPECT_GE(done, reported) << "a write that returned is missing";
    Contents expected = log;
    for (int index = 0; index < done; ++index) {
      Set(expected, steps[index].section, steps[index].key, steps[index].value);
    }
    ExpectFileHolds(path, expected);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace vk::platform
