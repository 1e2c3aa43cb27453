#include "tests/support/test_machine.h"

namespace vk::testing {

TestMachine::TestMachine() {
  std::filesystem::create_directories(MediumFolder());
  machine_ = std::make_unique<platform::Machine>(
      folder_ / "prefix", platform::MachineOptions{.programPath = MediumFolder() / "setup",
                                                   .xdgDataHome = folder_ / "xdg-data",
                                                   .xdgConfigHome = folder_ / "xdg-config"});
  files_ = platform::MakeHostFileSystem(*machine_);
}

}  // namespace vk::testing
