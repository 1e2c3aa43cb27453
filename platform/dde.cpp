#include "platform/dde.h"

#include <utility>

#include "platform/path_case.h"

namespace vk::platform {

void DdeServiceRegistry::Register(std::string_view service, std::shared_ptr<DdeServer> server) {
  servers_[UpperCase1252(service)] = std::move(server);
}

void DdeServiceRegistry::Unregister(std::string_view service) {
  servers_.erase(UpperCase1252(service));
}

std::shared_ptr<DdeServer> DdeServiceRegistry::Find(std::string_view service) const {
  auto found = servers_.find(UpperCase1252(service));
  if (found == servers_.end()) return nullptr;
  return found->second;
}

}  // namespace vk::platform
