#include "tools/vk/prefix_option.h"

#include "platform/machine.h"

namespace vk::cli {

void AddPrefixOption(CLI::App& command, std::string& prefix) {
  command.add_option("--prefix", prefix,
                     "Folder that plays the Windows machine (default: ~/.local/share/velmor-kit)");
}

std::filesystem::path ResolvePrefix(const std::string& prefix) {
  if (!prefix.empty()) return prefix;
  return platform::DefaultPrefix();
}

}  // namespace vk::cli
