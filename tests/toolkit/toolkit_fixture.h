#pragma once
// Small forms and helpers shared by the toolkit's tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <string>
#include <vector>

#include "platform/toolkit/application.h"
#include "platform/toolkit/headless/headless_backend.h"

namespace vk::toolkit::testing {

// A form whose handlers append "name.Event" to a shared log.
class LoggingForm : public TForm {
 public:
  LoggingForm(std::string name, std::vector<std::string>& log) : TForm(std::move(name)), log_(log) {
    OnCreate = [this](TObject&) { Log("Create"); };
    OnShow = [this](TObject&) { Log("Show"); };
    OnActivate = [this](TObject&) {
      Log("Activate");
      if (activate) activate();
    };
    OnHide = [this](TObject&) { Log("Hide"); };
    OnDestroy = [this](TObject&) { Log("Destroy"); };
  }
  void Log(const std::string& event) { log_.push_back(Name() + "." + event); }

  std::function<void()> activate;

 private:
  std::vector<std::string>& log_;
};

// A dialog with OK (default, modal result OK), Cancel (cancel button) and
// an edit field.
class Dialog : public TForm {
 public:
  explicit Dialog(std::string name = "dialog") : TForm(std::move(name)) {
    SetBorderStyle(TBorderStyle::kDialog);
    SetBounds(0, 0, 300, 120);
    Edt = Add<TEdit>("Edt");
    Edt->SetBounds(10, 10, 200, 21);
    Btn_ok = Add<TButton>("Btn_ok");
    Btn_ok->SetBounds(10, 80, 75, 25);
    Btn_ok->SetCaption("OK");
    Btn_ok->SetDefault(true);
    Btn_ok->SetModalResult(ModalResult::kOk);
    Btn_cancel = Add<TButton>("Btn_cancel");
    Btn_cancel->SetBounds(90, 80, 75, 25);
    Btn_cancel->SetCaption("Cancel");
    Btn_cancel->SetCancel(true);
    Btn_cancel->SetModalResult(ModalResult::kCancel);
  }
  TEdit* Edt;
  TButton* Btn_ok;
  TButton* Btn_cancel;
};

// A temporary folder removed at the end of the test.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("vk-toolkit-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A Windows bitmap file of the given size: 24 bits per pixel, bottom-up,
// every pixel colour(x, y) as 0xRRGGBB.
std::string MakeBmp24(int width, int height,
                      const std::function<std::uint32_t(int, int)>& colour,
                      bool topDown = false);
// 8 bits per pixel with a palette of 0xRRGGBB entries.
std::string MakeBmp8(int width, int height, const std::vector<std::uint32_t>& palette,
                     const std::function<int(int, int)>& index);

}  // namespace vk::toolkit::testing
