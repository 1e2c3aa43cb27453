#pragma once
// What every window of one run of the program shares: the setup state and
// the machine the program runs on, with its file functions. The entry point
// provides them for the duration of the run (ProgramScope); the windows
// reach them through these functions.

#include "app/setup_state.h"

namespace vk::platform {
class Machine;
class FileSystem;
}  // namespace vk::platform

namespace vk::app {

// Each throws std::logic_error outside a run.
SetupState& State();
platform::Machine& HostMachine();
platform::FileSystem& Files();

// Makes state, machine and files the run's for its lifetime, and clears
// them and the window references when it ends. Runs do not nest.
class ProgramScope {
 public:
  ProgramScope(SetupState& state, platform::Machine& machine, platform::FileSystem& files);
  ~ProgramScope();
  ProgramScope(const ProgramScope&) = delete;
  ProgramScope& operator=(const ProgramScope&) = delete;
};

}  // namespace vk::app
