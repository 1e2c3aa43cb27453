#pragma once
// Restart, shut-down and log-off, asked of the host's session manager.
// ExitWindowsEx takes the Windows flags; the Session does the asking. The
// host's goes to systemd-logind (systemctl reboot/poweroff, loginctl
// terminate-session), which applies the desktop's policy: a refusal there
// is a failure here. Tests use the RecordingSession.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vk::platform {

inline constexpr unsigned EWX_LOGOFF = 0;
inline constexpr unsigned EWX_SHUTDOWN = 1;
inline constexpr unsigned EWX_REBOOT = 2;
inline constexpr unsigned EWX_FORCE = 4;
inline constexpr unsigned EWX_POWEROFF = 8;

enum class SessionRequest { kReboot, kPowerOff, kLogOff };

class Session {
 public:
  virtual ~Session() = default;
  // True when the session manager took the request.
  virtual bool Request(SessionRequest request) = 0;
};

// ExitWindowsEx: restart for EWX_REBOOT, power-off for EWX_SHUTDOWN and
// EWX_POWEROFF, log-off for EWX_LOGOFF; EWX_FORCE and reserved change
// nothing. True when the request was taken.
bool ExitWindowsEx(Session& session, unsigned flags, unsigned reserved);

// Runs a program and waits for it; its exit status, or -1 when it could
// not be started or did not exit normally.
using CommandRunner = std::function<int(const std::vector<std::string>& argv)>;
int RunAndWait(const std::vector<std::string>& argv);

// systemd-logind through its command-line clients. sessionId is logind's
// id of this login (XDG_SESSION_ID); without it a log-off is refused.
class HostSession : public Session {
 public:
  HostSession(CommandRunner runner, std::string sessionId);
  bool Request(SessionRequest request) override;

 private:
  CommandRunner runner_;
  std::string sessionId_;
};

// The host's session: RunAndWait and the environment's XDG_SESSION_ID.
std::unique_ptr<Session> MakeHostSession();

// Records the requests and takes or refuses them as told.
class RecordingSession : public Session {
 public:
  bool Request(SessionRequest request) override;
  const std::vector<SessionRequest>& Requests() const { return requests_; }
  void SetRefuse(bool refuse) { refuse_ = refuse; }

 private:
  std::vector<SessionRequest> requests_;
  bool refuse_ = false;
};

}  // namespace vk::platform
