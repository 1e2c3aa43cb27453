#include "platform/session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace vk::platform {

bool ExitWindowsEx(Session& session, unsigned flags, unsigned /*reserved*/) {
  if (flags & EWX_POWEROFF) return session.Request(SessionRequest::kPowerOff);
  if (flags & EWX_REBOOT) return session.Request(SessionRequest::kReboot);
  if (flags & EWX_SHUTDOWN) return session.Request(SessionRequest::kPowerOff);
  return session.Request(SessionRequest::kLogOff);
}

int RunAndWait(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  std::vector<std::string> strings = argv;
  std::vector<char*> pointers;
  for (auto& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  pid_t child = 0;
  int status = posix_spawnp(&child, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) return -1;
  int childStatus = 0;
  while (::waitpid(child, &childStatus, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : -1;
}

HostSession::HostSession(CommandRunner runner, std::string sessionId)
    : runner_(std::move(runner)), sessionId_(std::move(sessionId)) {}

bool HostSession::Request(SessionRequest request) {
  switch (request) {
    case SessionRequest::kReboot:
      return runner_({"systemctl", "reboot"}) == 0;
    case SessionRequest::kPowerOff:
      return runner_({"systemctl", "poweroff"}) == 0;
    case SessionRequest::kLogOff:
      // Only this login ends, not the user's other sessions.
      if (sessionId_.empty()) return false;
      return runner_({"loginctl", "terminate-session", sessionId_}) == 0;
  }
  return false;
}

std::unique_ptr<Session> MakeHostSession() {
  const char* id = std::getenv("XDG_SESSION_ID");
  return std::make_unique<HostSession>(RunAndWait, id ? id : "");
}

bool RecordingSession::Request(SessionRequest request) {
  requests_.push_back(request);
  return !refuse_;
}

}  // namespace vk::platform
