#include "platform/session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

TEST(ExitWindowsEx, AsksTheSessionForWhatTheFlagsSay) {
  RecordingSession session;
  EXPECT_TRUE(ExitWindowsEx(session, EWX_REBOOT, 0));
  EXPECT_TRUE(ExitWindowsEx(session, EWX_LOGOFF, 0xFFFFFFFFu));
  EXPECT_TRUE(ExitWindowsEx(session, EWX_SHUTDOWN | EWX_FORCE, 0));
  EXPECT_TRUE(ExitWindowsEx(session, EWX_POWEROFF, 0));
  EXPECT_EQ(session.Requests(),
            (std::vector<SessionRequest>{SessionRequest::kReboot, SessionRequest::kLogOff,
                                         SessionRequest::kPowerOff, SessionRequest::kPowerOff}));
}

TEST(ExitWindowsEx, ARefusalIsAFailure) {
  RecordingSession session;
  session.SetRefuse(true);
  EXPECT_FALSE(ExitWindowsEx(session, EWX_REBOOT, 0));
  EXPECT_EQ(session.Requests().size(), 1u);
}

// The host's session runs logind's clients; a fake runner stands in.
TEST(HostSession, RunsLogindsClientsAndSeesTheirRefusal) {
  std::vector<std::vector<std::string>> ran;
  int exitStatus = 0;
  HostSession session(
      [&](const std::vector<std::string>& argv) {
        ran.push_back(argv);
        return exitStatus;
      },
      "c7");
  EXPECT_TRUE(ExitWindowsEx(session, EWX_REBOOT, 0));
  EXPECT_TRUE(ExitWindowsEx(session, EWX_LOGOFF, 0xFFFFFFFFu));
  exitStatus = 1;  // "Access denied" or "Interactive authentication required"
  EXPECT_FALSE(ExitWindowsEx(session, EWX_REBOOT, 0));
  exitStatus = -1;  // systemctl missing
  EXPECT_FALSE(ExitWindowsEx(session, EWX_POWEROFF, 0));
  EXPECT_EQ(ran, (std::vector<std::vector<std::string>>{{"systemctl", "reboot"},
                                                         {"loginctl", "terminate-session", "c7"},
                                                         {"systemctl", "reboot"},
                                                         {"systemctl", "poweroff"}}));
}

TEST(HostSession, WithoutASessionIdALogOffIsRefusedAndNothingRuns) {
  int runs = 0;
  HostSession session(
      [&](const std::vector<std::string>&) {
        ++runs;
        return 0;
      },
      "");
  EXPECT_FALSE(ExitWindowsEx(session, EWX_LOGOFF, 0));
  EXPECT_EQ(runs, 0) << "logging off every session of the user is not what was asked";
}

TEST(RunAndWait, GivesTheExitStatusOrMinusOne) {
  testing::TemporaryFolder folder;
  auto script = folder / "exit3";
  testing::WriteFile(script, "#!/bin/sh\nexit 3\n");
  ::chmod(script.c_str(), 0755);
  EXPECT_EQ(RunAndWait({"true"}), 0);
  EXPECT_EQ(RunAndWait({script.string()}), 3);
  EXPECT_EQ(RunAndWait({(folder / "missing").string()}), -1);
  EXPECT_EQ(RunAndWait({}), -1);
}

}  // namespace
}  // namespace vk::platform
