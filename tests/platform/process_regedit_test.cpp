// "regedit FILE" started for real: the vk beside the build imports the file
// into the machine's registry, in a process of its own.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process.h"
#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// vk's output for arguments, or no value when it failed.
std::optional<std::string> Vk(const std::string& arguments, const std::filesystem::path& out) {
  std::string command = Quoted(std::string(VK_BINARY_DIR) + "/tools/vk") + " " + arguments +
                        " >" + Quoted(out.string()) + " 2>&1";
  int status = std::system(command.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return testing::ReadFile(out);
}

TEST(WinExecRegedit, ImportsTheFileIntoTheMachinesRegistry) {
  testing::TestMachine machine;
  auto out = machine.Root() / "vk.out";
  if (!Vk("reg import --help", out)) GTEST_SKIP() << "this vk has no reg import";
  testing::WriteFile(machine.MediumFolder() / "zsys.re_",
                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmor]\r\n"
                     "\"Imported\"=\"by regedit\"\r\n");

  auto starter = MakeHostProcessStarter();
  ProgramLauncher launcher(machine.Machine(), *starter,
                           {.vkProgram = std::string(VK_BINARY_DIR) + "/tools/vk"});
  ASSERT_GT(launcher.WinExec("regedit D:\\zsys.re_", SW_SHOWNORMAL), 31u);

  // WinExec does not wait; the import shows up when the child is done.
  std::string query = "reg query --prefix " + Quoted(machine.Machine().Prefix().string()) +
                      " " + Quoted("HKEY_CURRENT_USER\\Software\\Velmor") + " Imported";
  std::optional<std::string> value;
  for (int i = 0; i < 100 && !(value && value->find("by regedit") != std::string::npos); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    value = Vk(query, out);
  }
  ASSERT_TRUE(value) << testing::ReadFile(out);
  EXPECT_NE(value->find("by regedit"), std::string::npos) << *value;
}

}  // namespace
}  // namespace vk::platform
