#pragma once
// The entry point of setup: creates the seven windows in their order, runs
// the message loop and ends. The backend decides where the windows appear
// (real windows, or the scripted user of the tests).

namespace vk::platform {
class Machine;
class FileSystem;
}  // namespace vk::platform
namespace vk::toolkit {
class TApplication;
}

namespace vk::app {

// Runs one setup on the machine, whose program path names the running
// program (its folder holds setup.inf). Returns the exit code: 0 when the
// program ended normally, also after the messages that setup.inf is
// missing or of another version; 1 when the start-up read failed with an
// error that the toolkit has shown.
int RunSetup(toolkit::TApplication& application, platform::Machine& machine,
             platform::FileSystem& files);

}  // namespace vk::app
