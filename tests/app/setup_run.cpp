#include "tests/app/setup_run.h"

#include "platform/toolkit/controls.h"
#include "tests/support/temporary_folder.h"

namespace vk::app::testing {
namespace {

void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

}  // namespace

std::string SolidBitmap(int width, int height, std::uint32_t rgb) {
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * height);
  std::string out = "BM";
  PutU32(out, 54 + dataSize);
  PutU32(out, 0);
  PutU32(out, 54);
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(width));
  PutU32(out, static_cast<std::uint32_t>(height));
  out += std::string("\x01\x00\x18\x00", 4);  // one plane, 24 bits
  PutU32(out, 0);
  PutU32(out, dataSize);
  PutU32(out, 2835);
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  std::string row;
  for (int x = 0; x < width; ++x) {
    row.push_back(static_cast<char>(rgb & 0xFF));
    row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
    row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
  }
  row.resize(static_cast<std::size_t>(rowBytes), '\0');
  for (int y = 0; y < height; ++y) out += row;
  return out;
}

void WatchingBackend::ControlChanged(toolkit::TControl& control) {
  HeadlessBackend::ControlChanged(control);
  if (control.Name() != "pr_load") return;
  // The bar starts at 0; what counts is where the program moves it.
  const int position = static_cast<toolkit::TProgressBar&>(control).Position();
  if (position == 0) return;
  if (positions_.empty() || positions_.back() != position) positions_.push_back(position);
}

void SetupRun::WriteSetupInf(std::string_view more) {
  WriteMediumFile("setup.inf", std::string(kAcceptedHeader) + std::string(more));
}

void SetupRun::WriteMediumFile(const std::string& name, std::string_view bytes) {
  vk::testing::WriteFile(test.MediumFolder() / name, bytes);
}

int SetupRun::RunAndLook(const std::function<void()>& look) {
  backend.User().Do("look at the windows", [look](toolkit::TApplication& application) {
    look();
    application.Terminate();
  });
  return Run();
}

int SetupRun::Run() {
  toolkit::TApplication application(backend);
  const int exitCode = RunSetup(application, test.Machine(), test.Files());
  EXPECT_TRUE(backend.User().Finished()) << "actions left over";
  return exitCode;
}

}  // namespace vk::app::testing
