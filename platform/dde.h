#pragma once
// Dynamic data exchange as the program uses it: a client names a service
// and a topic, and sends command texts for the server to execute. Servers
// live in the same process (the shell is part of the platform), so the
// registry is a table of names; a client that names a service nobody
// offers gets no conversation.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vk::platform {

// What one execute request did: how many commands ran and why the others
// did not, one line each.
struct DdeExecuteResult {
  int commandsExecuted = 0;
  std::vector<std::string> errors;
  bool Succeeded() const { return errors.empty(); }
};

class DdeServer {
 public:
  virtual ~DdeServer() = default;
  // Whether the server takes a conversation on topic; the empty topic
  // stands for the server's own.
  virtual bool AcceptsTopic(std::string_view topic) const = 0;
  // Executes a command text (Windows-1252) sent on topic.
  virtual DdeExecuteResult Execute(std::string_view topic, std::string_view commands) = 0;
};

// The services offered in this process, by name without regard to case.
class DdeServiceRegistry {
 public:
  void Register(std::string_view service, std::shared_ptr<DdeServer> server);
  void Unregister(std::string_view service);
  // The server of service, or null when nobody offers it.
  std::shared_ptr<DdeServer> Find(std::string_view service) const;

 private:
  std::map<std::string, std::shared_ptr<DdeServer>> servers_;  // by upper-case name
};

}  // namespace vk::platform
