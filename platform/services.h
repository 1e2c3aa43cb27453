#pragma once
// The host services the program reaches beyond files, chosen in one place:
// Host() for setup, the uninstaller and vk; Recording() for tests, where
// nothing is started and no session is touched, while Program Manager
// still writes real menu entries into the machine's XDG folders (a test
// machine's are temporary).

#include <memory>
#include <string_view>

#include "platform/dde.h"
#include "platform/process.h"
#include "platform/session.h"
#include "platform/shell_windows.h"

namespace vk::platform {

class Machine;
class ProgmanService;

class Services {
 public:
  static std::unique_ptr<Services> Host(const Machine& machine,
                                        ProgramLauncherOptions options = {});
  static std::unique_ptr<Services> Recording(const Machine& machine,
                                             ProgramLauncherOptions options = {});
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  // The shell's group windows (GetForegroundWindow, GetWindowTextA, ShowWindow).
  ShellWindows& Windows() { return windows_; }
  // The DDE services of this process; "Progman" is offered.
  DdeServiceRegistry& Dde() { return dde_; }
  ProcessStarter& Processes() { return *processes_; }
  Session& SessionManager() { return *session_; }
  // The Program Manager behind "Progman", for listings.
  ProgmanService& Progman() { return *progman_; }

  unsigned WinExec(std::string_view commandLine, int showCommand) {
    return launcher_->WinExec(commandLine, showCommand);
  }
  bool ExitWindowsEx(unsigned flags, unsigned reserved) {
    return platform::ExitWindowsEx(*session_, flags, reserved);
  }

  // The fakes of Recording(); null for Host().
  RecordingProcessStarter* RecordedProcesses() { return recordedProcesses_; }
  RecordingSession* RecordedSession() { return recordedSession_; }

 private:
  Services(const Machine& machine, std::unique_ptr<ProcessStarter> processes,
           std::unique_ptr<Session> session, ProgramLauncherOptions options);

  ShellWindows windows_;
  DdeServiceRegistry dde_;
  std::unique_ptr<ProcessStarter> processes_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<ProgramLauncher> launcher_;
  std::shared_ptr<ProgmanService> progman_;
  RecordingProcessStarter* recordedProcesses_ = nullptr;
  RecordingSession* recordedSession_ = nullptr;
};

}  // namespace vk::platform
