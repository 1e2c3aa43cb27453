#pragma once
// Runs the setup program's entry point headless on a test machine: a medium
// (drive D:) with the setup.inf and pictures the test writes, a screen of
// the test's size, and a scripted user that looks at the windows while the
// wizard waits for input and then ends the program.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry_point.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/headless/headless_backend.h"
#include "tests/support/test_machine.h"

namespace vk::app::testing {

// The version keys that make setup.inf acceptable, and a few texts.
inline constexpr std::string_view kAcceptedHeader =
    "[velmor-kit]\r\nversionname=velmor-kit\r\nversion=2\r\nsubversion=0\r\n"
    "[language]\r\nl1=loading data.\r\nl9=Choose a folder\r\nl10=Please wait...\r\n"
    "l30=Welcome to the Sample Viewer setup\r\n";

// A 24-bit BMP of the given size in one colour (0xRRGGBB).
std::string SolidBitmap(int width, int height, std::uint32_t rgb);

// Remembers every position the loading window's bar is moved to, in order.
class WatchingBackend : public toolkit::headless::HeadlessBackend {
 public:
  void ControlChanged(toolkit::TControl& control) override;
  const std::vector<int>& LoadingBarPositions() const { return positions_; }

 private:
  std::vector<int> positions_;
};

class SetupRun : public ::testing::Test {
 protected:
  SetupRun() { backend.SetScreenSize(1024, 768); }

  // setup.inf on the medium: the accepted header followed by more.
  void WriteSetupInf(std::string_view more = {});
  void WriteMediumFile(const std::string& name, std::string_view bytes);

  // Runs setup; while the wizard waits for its first input, look runs with
  // the windows in place, then the program is asked to end.
  int RunAndLook(const std::function<void()>& look);
  // Runs setup with whatever the test scripted itself.
  int Run();

  WatchingBackend backend;
  vk::testing::TestMachine test;
};

}  // namespace vk::app::testing
