// The FLTK backend under Xvfb: a form with a few controls is shown, a
// screenshot shows the controls' colours at their places, and synthetic
// input from xdotool reaches the handlers (a click, Escape on the cancel
// button, Enter in a message box). The screenshot is kept in the build
// folder as toolkit-smoke.png.
//
// The test program links the FLTK backend when built with
// VK_TOOLKIT_FLTK_LINKED; otherwise the test says so and skips.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "toolkit_fixture.h"

#ifdef VK_TOOLKIT_FLTK_LINKED
#include "platform/toolkit/fltk/fltk_backend.h"
#endif

#ifdef VK_TOOLKIT_FLTK_LINKED
// Under LeakSanitizer: fontconfig, loaded by FLTK's X font code, keeps its
// caches to the end of the process, which is no leak of ours. Everything
// else must be freed.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif

namespace vk::toolkit {
namespace {

#ifndef VK_TOOLKIT_FLTK_LINKED

TEST(FltkSmokeTest, ShowsAFormWithControlsAndTakesInput) {
  GTEST_SKIP() << "this test program is built without the FLTK backend "
                  "(define VK_TOOLKIT_FLTK_LINKED and link vk_toolkit_fltk)";
}

#else

bool HaveProgram(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// An Xvfb server on a free display number, stopped at the end.
class VirtualDisplay {
 public:
  bool Start(std::string* why) {
    for (int number = 91; number < 140; ++number) {
      if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0) continue;
      if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) continue;
      const std::string display = ":" + std::to_string(number);
      pid_ = fork();
      if (pid_ == 0) {
        // -noreset: a server that resets when its last client leaves turns
        // the next one away meanwhile.
        execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int tries = 0; tries < 100; ++tries) {
        if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) {
          name_ = display;
          return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) break;  // the number was taken after all
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      Stop();
    }
    *why = "no Xvfb server could be started";
    return false;
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  ~VirtualDisplay() { Stop(); }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

struct Screenshot {
  int width = 0;
  int height = 0;
  std::string rgb;
  std::uint32_t At(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return (static_cast<std::uint8_t>(rgb[at]) << 16) | (static_cast<std::uint8_t>(rgb[at + 1]) << 8) |
           static_cast<std::uint8_t>(rgb[at + 2]);
  }
};

Screenshot TakeScreenshot(const std::string& display, const std::string& keepAs) {
  const std::string ppm = keepAs + ".ppm";
  const std::string command = "DISPLAY=" + display + " import -window root -depth 8 " + ppm + " && convert " +
                              ppm + " " + keepAs;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int maximum = 0;
  Screenshot shot;
  in >> magic >> shot.width >> shot.height >> maximum;
  in.get();
  shot.rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(shot.rgb.size(), static_cast<std::size_t>(shot.width) * shot.height * 3);
  std::remove(ppm.c_str());
  return shot;
}

// Runs xdotool in the background, so that the test's loop handles the
// events it sends.
void Xdotool(const std::string& display, const std::string& arguments) {
  const std::string command =
      "(sleep 0.3; DISPLAY=" + display + " xdotool " + arguments + ") >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

class Smoke : public TForm {
 public:
  Smoke() : TForm("smoke") {
    SetCaption("Smoke \xE4\xF6\xFC");  // Windows-1252 umlauts in the title
    SetBorderStyle(TBorderStyle::kDialog);
    SetBounds(20, 20, 400, 300);
    SetColor(MakeColor(0, 128, 0));
    Lbl = Add<TLabel>("Lbl");
    Lbl->SetBounds(10, 10, 250, 20);
    Lbl->SetTransparent(true);
    TFont font;
    font.name = "Arial";
    font.height = 16;
    font.bold = true;
    font.color = kColorWhite;
    Lbl->SetFont(font);
    Lbl->SetCaption("Gr\xFC\xDF" "e aus velmor-kit");
    Edt = Add<TEdit>("Edt");
    Edt->SetBounds(10, 40, 200, 24);
    Edt->SetText("C:\\Programme");
    Opt = Add<TCheckBox>("Opt");
    Opt->SetBounds(10, 75, 200, 20);
    Opt->SetCaption("Component");
    Opt->SetChecked(true);
    Pr = Add<TGauge>("Pr");
    Pr->SetBounds(10, 110, 296, 18);
    Pr->SetForeColor(MakeColor(255, 0, 0));
    Pr->SetBackColor(kColorWhite);
    Pr->SetProgress(50);
    Img = Add<TImage>("Img");
    Img->SetBounds(320, 10, 40, 40);
    Img->SetStretch(true);
    Img->Picture().Assign(TBitmap(4, 4, 0xFF0000FFu));
    Bevel = Add<TBevel>("strich");
    Bevel->SetBounds(10, 200, 380, 2);
    Bevel->SetShape(TBevelShape::kBottomLine);
    Btn_ok = Add<TButton>("Btn_ok");
    Btn_ok->SetBounds(10, 240, 75, 25);
    Btn_ok->SetCaption("&Ok");
    Btn_ok->SetDefault(true);
    Btn_cancel = Add<TButton>("Btn_cancel");
    Btn_cancel->SetBounds(100, 240, 75, 25);
    Btn_cancel->SetCaption("Cancel");
    Btn_cancel->SetCancel(true);
    Btn_cancel->SetModalResult(ModalResult::kCancel);
    OnPaint = [this](TObject&) {
      Canvas().brush.color = MakeColor(255, 255, 0);
      Canvas().FillRect(MakeRect(300, 150, 50, 30));
    };
  }
  TLabel* Lbl;
  TEdit* Edt;
  TCheckBox* Opt;
  TGauge* Pr;
  TImage* Img;
  TBevel* Bevel;
  TButton* Btn_ok;
  TButton* Btn_cancel;
};

void PumpFor(TApplication& application, int milliseconds, const std::function<bool()>& done = {}) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    application.ProcessMessages();
    if (done && done()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(FltkSmokeTest, ShowsAFormWithControlsAndTakesInput) {
  for (const char* program : {"Xvfb", "xdotool", "import", "convert"}) {
    if (!HaveProgram(program)) GTEST_SKIP() << program << " is not installed; skipping the X test";
  }
  VirtualDisplay display;
  std::string why;
  if (!display.Start(&why)) GTEST_SKIP() << why;

  // Without a display the backend says so in one line.
  unsetenv("DISPLAY");
  try {
    fltk::MakeFltkBackend();
    ADD_FAILURE() << "a backend without DISPLAY";
  } catch (const fltk::DisplayUnavailable& error) {
    EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
  }
  setenv("DISPLAY", display.Name().c_str(), 1);
  std::unique_ptr<Backend> backend = fltk::MakeFltkBackend();
  TApplication application(*backend);
  application.SetTitle("Setup");
  EXPECT_EQ(Screen().Width(), 800);
  EXPECT_EQ(Screen().Height(), 600);

  Smoke* smoke = nullptr;
  application.CreateForm(smoke);
  int clicks = 0;
  smoke->Btn_ok->OnClick = [&](TObject&) { ++clicks; };
  smoke->Show();
  PumpFor(application, 700);

  const std::string keep = std::string(VK_BINARY_DIR) + "/toolkit-smoke.png";
  const Screenshot shot = TakeScreenshot(display.Name(), keep);
  ASSERT_EQ(shot.width, 800);
  // Without a window manager the client area starts at the form's place.
  auto at = [&](int x, int y) { return shot.At(20 + x, 20 + y); };
  EXPECT_EQ(at(390, 290), 0x008000u) << "form colour";
  EXPECT_EQ(at(13, 118), 0xFF0000u) << "gauge bar at 50%";
  EXPECT_EQ(at(300, 118), 0xFFFFFFu) << "gauge rest";
  EXPECT_EQ(at(340, 30), 0x0000FFu) << "stretched image";
  EXPECT_EQ(at(325, 165), 0xFFFF00u) << "paint handler";

  // A click on the button runs its handler.
  Xdotool(display.Name(), "mousemove 60 272 click 1");
  PumpFor(application, 5000, [&] { return clicks > 0; });
  EXPECT_EQ(clicks, 1);

  // A typed text reaches the model as Windows-1252.
  smoke->Edt->SetFocus();
  smoke->Edt->SetText("");
  PumpFor(application, 200);
  Xdotool(display.Name(), "type --delay 20 'abc'");
  PumpFor(application, 5000, [&] { return smoke->Edt->Text() == "abc"; });
  EXPECT_EQ(smoke->Edt->Text(), "abc");

  // Escape presses the cancel button of a modal form.
  smoke->Hide();
  smoke->OnActivate = [&](TObject&) { Xdotool(display.Name(), "key Escape"); };
  EXPECT_EQ(smoke->ShowModal(), ModalResult::kCancel);
  smoke->OnActivate = nullptr;

  // Enter answers a message box with its first button. Without a window
  // manager the keyboard follows the pointer: it goes to the box, which is
  // centred on the screen.
  Xdotool(display.Name(), "mousemove 400 300 key Return");
  EXPECT_EQ(application.MessageBox("Weiter?\rJa oder nein", "velmor-kit", MessageButtons::kOkCancel,
                                   MessageIcon::kExclamation),
            ModalResult::kOk);

  // Every button of a box is there: a click on the middle one of three
  // answers No. Without a window manager the box with one short line and an
  // icon is 290 by 115 pixels, centred, so that button's middle is at
  // (400, 330); Escape (Cancel) ends the box should the click miss.
  Xdotool(display.Name(), "mousemove 400 330 click 1 sleep 3 key Escape");
  EXPECT_EQ(application.MessageBox("Weiter?", "velmor-kit", MessageButtons::kYesNoCancel,
                                   MessageIcon::kQuestion),
            ModalResult::kNo);
}

#endif  // VK_TOOLKIT_FLTK_LINKED

}  // namespace
}  // namespace vk::toolkit
