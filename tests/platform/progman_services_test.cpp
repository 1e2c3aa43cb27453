#include "platform/services.h"

#include <gtest/gtest.h>

#include "platform/progman.h"
#include "platform/toolkit/dde_client_conv.h"
#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {

// What the completion dialog and the run do, end to end on the recording
// services: the group made over DDE is the window in front, the ReadMe is
// opened, the restart is asked for, and nothing on the host is touched.
TEST(RecordingServices, CarryTheRunsRequestsWithoutTouchingTheHost) {
  testing::TestMachine machine;
  testing::WriteFile(*machine.Machine().ToHost("C:\\App\\readme.txt"), "read me");
  auto services = Services::Recording(machine.Machine());

  toolkit::TDdeClientConv conversation(services->Dde());
  conversation.SetLink("Progman", "");
  ASSERT_TRUE(conversation.OpenLink());
  conversation.ExecuteMacroLines({"[CreateGroup(App)][AddItem(C:\\App\\app.exe,App)]"}, false);
  conversation.CloseLink();
  EXPECT_TRUE(services->Progman().FindGroup("App"));

  WindowHandle window = services->Windows().GetForegroundWindow();
  char title[20];
  services->Windows().GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "App");
  services->Windows().ShowWindow(window, SW_MINIMIZE);

  EXPECT_GT(services->WinExec("write C:\\App\\readme.txt", SW_SHOWNORMAL), 31u);
  ASSERT_EQ(services->RecordedProcesses()->Requests().size(), 1u);
  EXPECT_EQ(services->RecordedProcesses()->Requests()[0].program, "xdg-open");

  EXPECT_TRUE(services->ExitWindowsEx(EWX_REBOOT, 0));
  services->RecordedSession()->SetRefuse(true);
  EXPECT_FALSE(services->ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(services->RecordedSession()->Requests().size(), 2u);
}

TEST(HostServices, AreTheRealOnes) {
  testing::TestMachine machine;
  auto services = Services::Host(machine.Machine());
  EXPECT_EQ(services->RecordedProcesses(), nullptr);
  EXPECT_EQ(services->RecordedSession(), nullptr);
  EXPECT_NE(services->Dde().Find("progman"), nullptr);
}

}  // namespace
}  // namespace vk::platform
