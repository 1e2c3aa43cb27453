#pragma once
// TDdeClientConv: the client side of a DDE conversation, as a form holds it.
// SetLink names the service and topic, OpenLink starts the conversation,
// ExecuteMacro sends a command text, CloseLink ends it. A service that
// nobody in the platform offers cannot be opened; every later call then
// fails quietly, as the caller does not look at the results.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde.h"

namespace vk::toolkit {

class TDdeClientConv {
 public:
  explicit TDdeClientConv(platform::DdeServiceRegistry& registry);
  ~TDdeClientConv();
  TDdeClientConv(const TDdeClientConv&) = delete;
  TDdeClientConv& operator=(const TDdeClientConv&) = delete;

  // Names the service and topic; closes an open conversation first.
  bool SetLink(std::string_view service, std::string_view topic);
  const std::string& DdeService() const { return service_; }
  const std::string& DdeTopic() const { return topic_; }
  // Changing either closes an open conversation, as SetLink does.
  void SetDdeService(std::string_view service) { SetLink(service, topic_); }
  void SetDdeTopic(std::string_view topic) { SetLink(service_, topic); }

  // Starts the conversation; false when no server offers the service or
  // the server refuses the topic.
  bool OpenLink();
  void CloseLink();
  bool Connected() const { return server_ != nullptr; }

  // Sends one execute request. Without waiting, true means only that the
  // request was delivered; with waiting, that every command in it ran.
  bool ExecuteMacro(std::string_view commands, bool waitForResult);
  // Sends the lines as one request, each line followed by a line break.
  bool ExecuteMacroLines(const std::vector<std::string>& lines, bool waitForResult);

  // What the last execute request did, for diagnostics.
  const platform::DdeExecuteResult& LastResult() const { return lastResult_; }

 private:
  platform::DdeServiceRegistry& registry_;
  std::string service_;
  std::string topic_;
  std::shared_ptr<platform::DdeServer> server_;
  platform::DdeExecuteResult lastResult_;
};

}  // namespace vk::toolkit
