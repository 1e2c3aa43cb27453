// "regedit FILE" started for real: the vk beside the build imports the file
// into the machine's registry, in a process of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/process.h"
#include "tests/support/test_machine.h"
#include "tests/support/vk_program.h"

namespace vk::platform {
namespace {

TEST(WinExecRegedit, ImportsTheFileIntoTheMachinesRegistry) {
  testing::TestMachine machine;
  if (testing::RunVk({"reg", "import", "--help"}).exitCode != 0) {
    GTEST_SKIP() << "this vk has no reg import";
  }
  testing::WriteFile(machine.MediumFolder() / "zsys.re_",
                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmor]\r\n"
                     "\"Imported\"=\"by regedit\"\r\n");

  auto starter = MakeHostProcessStarter();
  ProgramLauncher launcher(machine.Machine(), *starter,
                           {.vkProgram = testing::VkProgram().string()});
  ASSERT_GT(launcher.WinExec("regedit D:\\zsys.re_", SW_SHOWNORMAL), 31u);

  // WinExec does not wait; the import shows up when the child is done.
  const std::string prefix = machine.Machine().Prefix().string();
  auto imported = [](const testing::VkRun& run) {
    return run.exitCode == 0 && run.out.find("by regedit") != std::string::npos;
  };
  testing::VkRun value;
  for (int i = 0; i < 100 && !imported(value); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    value = testing::RunVk(
        {"reg", "query", "--prefix", prefix, "HKEY_CURRENT_USER\\Software\\Velmor", "Imported"});
  }
  ASSERT_EQ(value.exitCode, 0) << value.err;
  EXPECT_NE(value.out.find("by regedit"), std::string::npos) << value.out;
}

}  // namespace
}  // namespace vk::platform
