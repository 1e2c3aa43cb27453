#pragma once
// A machine of its own for one test: a prefix, desktop folders and a medium
// folder inside a temporary folder.

#include <filesystem>
#include <memory>

#include "platform/file_system.h"
#include "platform/machine.h"
#include "tests/support/temporary_folder.h"

namespace vk::testing {

class TestMachine {
 public:
  // The medium's program is medium/setup, so the medium is drive D:.
  TestMachine();

  const std::filesystem::path& Root() const { return folder_.Path(); }
  std::filesystem::path MediumFolder() const { return folder_ / "medium"; }
  platform::Machine& Machine() { return *machine_; }
  platform::FileSystem& Files() { return *files_; }
  // The host path of drive C:'s folder.
  std::filesystem::path DriveC() const { return folder_ / "prefix" / "drive_c"; }

 private:
  TemporaryFolder folder_;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<platform::FileSystem> files_;
};

}  // namespace vk::testing
