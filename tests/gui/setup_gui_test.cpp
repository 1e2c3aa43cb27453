// The real setup program under a private X server: the backdrop on the
// screen, the wizard's window, the start-up failure's message box, and the
// start without any display.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "tests/gui/x_session.h"
#include "tests/support/temporary_folder.h"

namespace vk::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kAcceptedHeader =
    "[velmor-kit]\r\nversionname=velmor-kit\r\nversion=2\r\nsubversion=0\r\n"
    "[language]\r\nl1=loading data.\r\nl10=Please wait...\r\nl30=Welcome to Sample Viewer\r\n";

fs::path BuiltSetup() { return fs::path(VK_BINARY_DIR) / "tools" / "setup"; }

// A medium folder with a copy of the built setup beside the test's files,
// and the environment for a machine of its own in the same folder.
class SetupProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltSetup())) << "build the setup target first: " << BuiltSetup();
    fs::create_directories(folder / "medium");
    fs::copy_file(BuiltSetup(), Setup());
  }
  fs::path Setup() const { return folder / "medium" / "setup"; }
  void WriteMediumFile(const std::string& name, std::string_view bytes) {
    vk::testing::WriteFile(folder / "medium" / name, bytes);
  }
  std::map<std::string, std::string> Environment(const std::string& display) const {
    // Under the sanitizers: fontconfig, loaded by the X font code, keeps
    // its caches to the end of the process, which is no leak of ours.
    vk::testing::WriteFile(folder / "lsan.supp", "leak:libfontconfig\n");
    return {{"DISPLAY", display},
            {"LSAN_OPTIONS", "suppressions=" + (folder / "lsan.supp").string()},
            {"VELMOR_KIT_PREFIX", (folder / "prefix").string()},
            {"HOME", (folder / "home").string()},
            {"XDG_DATA_HOME", (folder / "home" / "data").string()},
            {"XDG_CONFIG_HOME", (folder / "home" / "config").string()}};
  }
  std::string ErrorOutput() const { return vk::testing::ReadFile(folder / "setup.err"); }

  vk::testing::TemporaryFolder folder;
};

class SetupOnScreen : public SetupProgram {
 protected:
  void SetUp() override {
    if (auto missing = MissingXTool()) {
      GTEST_SKIP() << *missing << " is not installed; the tests of the real windows need Xvfb, "
                   << "xdotool and ImageMagick";
    }
    SetupProgram::SetUp();
    if (HasFatalFailure()) return;
    x = std::make_unique<XSession>(1024, 768, folder.Path());
  }
  std::unique_ptr<ChildProcess> StartSetup() {
    return std::make_unique<ChildProcess>(std::vector<std::string>{Setup().string()},
                                          Environment(x->Display()), folder / "setup.err");
  }
  // A screenshot once the screen has settled: two in a row alike.
  Screenshot SettledScreenshot() {
    Screenshot last = x->TakeScreenshot();
    for (int tries = 0; tries < 20; ++tries) {
      std::this_thread::sleep_for(200ms);
      Screenshot next = x->TakeScreenshot();
      if (next.rgb == last.rgb) return next;
      last = std::move(next);
    }
    return last;
  }

  // What setup and the X server said, for failure messages.
  std::string Said() const {
    return "setup said: " + ErrorOutput() + "\nXvfb said: " + (x ? x->ServerLog() : "");
  }

  std::unique_ptr<XSession> x;
};

// A 24-bit BMP of 64 by 64 pixels: a red quarter at its top left, the rest
// yellow.
std::string QuarterTile() {
  auto u32 = [](std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
  };
  std::string out = "BM";
  u32(out, 54 + 64 * 64 * 3);
  u32(out, 0);
  u32(out, 54);
  u32(out, 40);
  u32(out, 64);
  u32(out, 64);
  out += std::string("\x01\x00\x18\x00", 4);
  for (int field = 0; field < 6; ++field) u32(out, 0);
  for (int fileRow = 0; fileRow < 64; ++fileRow) {
    const int y = 63 - fileRow;  // rows are stored bottom-up
    for (int x = 0; x < 64; ++x) {
      const bool red = x < 32 && y < 32;
      out += red ? std::string("\x00\x00\xFF", 3) : std::string("\x00\xFF\xFF", 3);
    }
  }
  return out;
}

TEST_F(SetupOnScreen, ShowsTheGradientBackdropAndTheWizard) {
  WriteMediumFile("setup.inf", std::string(kAcceptedHeader) +
                                   "[main]\r\nstretch=1\r\nl1=Sample Viewer\r\nl1_color=0xFFFFFF\r\n");
  auto setup = StartSetup();
  const auto wizard = x->WaitForWindow("^Welcome to Sample Viewer$", 30s);
  ASSERT_FALSE(wizard.empty()) << "no wizard window; " << Said();
  const Screenshot shot = SettledScreenshot();
  // Beside the centred wizard: bright blue near the top, nearly black at
  // the bottom.
  const Screenshot::Pixel top = shot.At(900, 60);
  const Screenshot::Pixel bottom = shot.At(900, 740);
  EXPECT_GT(top.blue, 200);
  EXPECT_LT(top.red, 30);
  EXPECT_LT(top.green, 30);
  EXPECT_LT(bottom.blue, 40);
  EXPECT_LT(bottom.red + bottom.green, 30);
  EXPECT_GT(shot.At(900, 300).blue, bottom.blue) << "falls from top to bottom";
  EXPECT_TRUE(setup->Running());
}

TEST_F(SetupOnScreen, TilesTheBackdropPicture) {
  WriteMediumFile("setup.inf",
                  std::string(kAcceptedHeader) + "[main]\r\nback=tile.bmp\r\nstretch=0\r\n");
  WriteMediumFile("tile.bmp", QuarterTile());
  auto setup = StartSetup();
  ASSERT_FALSE(x->WaitForWindow("^Welcome to Sample Viewer$", 30s).empty())
      << "no wizard window; " << Said();
  const Screenshot shot = SettledScreenshot();
  // The band above the centred wizard (whose top is at 229), away from the
  // screen's edges: a quarter of it red, the rest yellow, and the same every
  // 64 pixels either way.
  int red = 0, yellow = 0, other = 0, repeats = 0, checked = 0;
  for (int y = 40; y + 64 < 220; y += 3) {
    for (int x = 8; x + 64 < 1024; x += 5) {
      const Screenshot::Pixel pixel = shot.At(x, y);
      if (pixel.red > 200 && pixel.green < 50 && pixel.blue < 50) {
        ++red;
      } else if (pixel.red > 200 && pixel.green > 200 && pixel.blue < 50) {
        ++yellow;
      } else {
        ++other;
      }
      const Screenshot::Pixel right = shot.At(x + 64, y);
      const Screenshot::Pixel below = shot.At(x, y + 64);
      ++checked;
      repeats += right.red == pixel.red && right.green == pixel.green &&
                 below.red == pixel.red && below.green == pixel.green;
    }
  }
  EXPECT_EQ(other, 0) << "only the tile's colours, no navy and no gradient";
  EXPECT_NEAR(static_cast<double>(red) / (red + yellow), 0.25, 0.05);
  EXPECT_EQ(repeats, checked);
}

TEST_F(SetupOnScreen, WithoutSetupInfShowsTheErrorBoxAndEndsWithZeroOnEnter) {
  auto setup = StartSetup();
  const auto boxes = x->WaitForWindow("^Error$", 30s);
  ASSERT_EQ(boxes.size(), 1u) << Said();
  // Only the message: neither the backdrop nor the loading window shows.
  EXPECT_TRUE(x->WaitForWindow("^SETUP-Assistent$", 0ms).empty());
  EXPECT_TRUE(x->WaitForWindow("^Setup$", 0ms).empty());
  x->RunTool({"xdotool", "windowfocus", "--sync", boxes.front()});
  x->RunTool({"xdotool", "key", "--clearmodifiers", "Return"});
  const auto exitCode = setup->WaitForExit(20s);
  ASSERT_TRUE(exitCode.has_value()) << "setup still runs after Enter";
  EXPECT_EQ(*exitCode, 0) << Said();
}

TEST_F(SetupProgram, WithoutADisplaySaysSoInOneLineAndFails) {
  WriteMediumFile("setup.inf", kAcceptedHeader);
  auto environment = Environment("");
  ChildProcess setup({Setup().string()}, environment, folder / "setup.err");
  const auto exitCode = setup.WaitForExit(20s);
  ASSERT_TRUE(exitCode.has_value());
  EXPECT_NE(*exitCode, 0);
  const std::string said = ErrorOutput();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
  EXPECT_NE(said.find("display"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(folder / "prefix")) << "nothing is made without a display";
}

}  // namespace
}  // namespace vk::test
