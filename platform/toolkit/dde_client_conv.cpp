#include "platform/toolkit/dde_client_conv.h"

namespace vk::toolkit {

TDdeClientConv::TDdeClientConv(platform::DdeServiceRegistry& registry) : registry_(registry) {}

TDdeClientConv::~TDdeClientConv() { CloseLink(); }

bool TDdeClientConv::SetLink(std::string_view service, std::string_view topic) {
  CloseLink();
  // Copies first: service or topic may be one of our own strings.
  std::string newService(service);
  std::string newTopic(topic);
  service_ = std::move(newService);
  topic_ = std::move(newTopic);
  return true;
}

bool TDdeClientConv::OpenLink() {
  CloseLink();
  auto server = registry_.Find(service_);
  if (!server || !server->AcceptsTopic(topic_)) return false;
  server_ = std::move(server);
  return true;
}

void TDdeClientConv::CloseLink() { server_.reset(); }

bool TDdeClientConv::ExecuteMacro(std::string_view commands, bool waitForResult) {
  lastResult_ = {};
  if (!server_) {
    lastResult_.errors.push_back("no conversation is open");
    return false;
  }
  // The server lives in this process, so the request runs at once either
  // way; not waiting only means the caller is not told how it went.
  lastResult_ = server_->Execute(topic_, commands);
  return waitForResult ? lastResult_.Succeeded() : true;
}

bool TDdeClientConv::ExecuteMacroLines(const std::vector<std::string>& lines,
                                       bool waitForResult) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return ExecuteMacro(text, waitForResult);
}

}  // namespace vk::toolkit
