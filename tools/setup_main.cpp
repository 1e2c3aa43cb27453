// setup: the installation wizard, started by the end user from the medium.
// It takes no arguments; setup.inf lies beside the program.

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>

#include "app/entry_point.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/fltk/fltk_backend.h"

namespace {

// The user's prefix; VELMOR_KIT_PREFIX points tests at a machine of their own.
std::filesystem::path Prefix() {
  const char* override = std::getenv("VELMOR_KIT_PREFIX");
  if (override != nullptr && *override != '\0') return override;
  return vk::platform::DefaultPrefix();
}

}  // namespace

int main() {
  try {
    // The display first: without one nothing is made in the prefix.
    auto backend = vk::toolkit::fltk::MakeFltkBackend();
    std::error_code error;
    std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
    if (error) program = "/proc/self/exe";
    vk::platform::Machine machine(Prefix(), vk::platform::MachineOptions{.programPath = program});
    auto files = vk::platform::MakeHostFileSystem(machine);
    vk::toolkit::TApplication application(*backend);
    return vk::app::RunSetup(application, machine, *files);
  } catch (const std::exception& failure) {
    std::cerr << "setup: " << failure.what() << '\n';
    return 1;
  }
}
