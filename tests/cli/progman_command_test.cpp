// vk progman as a distributor and an administrator run it: the installer's
// lines become menu entries under the host's XDG folders, a group is
// removed again by name, and a bad command is reported while the rest run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"
#include "tests/support/vk_program.h"

namespace vk::cli::testing {
namespace {

namespace fs = std::filesystem;
using vk::testing::RunVk;
using vk::testing::TemporaryFolder;
using vk::testing::VkRun;
using vk::testing::WriteFile;

class ProgmanCommandTest : public ::testing::Test {
 protected:
  // Runs vk with the desktop's folders inside the test's folder, as a
  // user's session would give them.
  VkRun Vk(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::vector<std::string> command = {"progman", "--prefix", (temp / "prefix").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunVk(command, {.input = input,
                           .environment = {{"XDG_DATA_HOME", (temp / "data").string()},
                                           {"XDG_CONFIG_HOME", (temp / "config").string()}}});
  }

  std::vector<fs::path> Files() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(temp / "data", error))
      if (entry.is_regular_file()) files.push_back(entry.path());
    for (const auto& entry : fs::recursive_directory_iterator(temp / "config", error))
      if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
  }

  TemporaryFolder temp;
};

TEST_F(ProgmanCommandTest, PreviewsAGroupAndRemovesItAgain) {
  WriteFile(temp / "prefix" / "drive_c" / "Tools" / "run.exe", "#!/bin/sh\n");
  VkRun made = Vk({"[CreateGroup(Velmor Tools)][AddItem(C:\\Tools\\\\run.exe,Run it)]",
                   "[AddItem(C:\\Tools\\run.exe,Grüße 100% $x)]"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.err, "");
  EXPECT_NE(made.out.find("wrote " + (temp / "data" / "desktop-directories").string()),
            std::string::npos)
      << made.out;
  EXPECT_EQ(Files().size(), 4u) << "a .directory, a .menu and two entries";

  VkRun listed = Vk({"--list"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_NE(listed.out.find("Velmor Tools\n  Run it  "), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("  Grüße 100% $x  "), std::string::npos) << listed.out;

  VkRun removed = Vk({"-q", "[DeleteGroup(velmor tools)]"});
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(removed.out, "");
  EXPECT_EQ(Files(), std::vector<fs::path>{});
}

TEST_F(ProgmanCommandTest, ReportsSkippedCommandsAndRunsTheOthers) {
  WriteFile(temp / "prefix" / "drive_c" / "Tools" / "run.exe", "#!/bin/sh\n");
  VkRun result = Vk({"-q", "--file", "-"},
                    "[CreateGroup(G)][AddItem(C:\\Tools\\run.exe,Broken]\r\n"
                    "[AddItem(C:\\Tools\\run.exe,Good)]\r\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("skipped [AddItem(C:\\Tools\\run.exe,Broken"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("1 of 3 commands failed"), std::string::npos) << result.err;
  EXPECT_EQ(Files().size(), 3u) << "the group and its good item are there";
}

TEST_F(ProgmanCommandTest, SaysWhatIsWrongWithItsOwnArguments) {
  VkRun nothing = Vk({});
  EXPECT_EQ(nothing.exitCode, 2);
  EXPECT_NE(nothing.err.find("nothing to send"), std::string::npos) << nothing.err;
  VkRun missing = Vk({"--file", (temp / "missing.txt").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vk::cli::testing
