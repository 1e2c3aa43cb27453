#include "platform/toolkit/form.h"

#include <algorithm>
#include <stdexcept>

#include "platform/exception.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/backend.h"

namespace vk::toolkit {
namespace {

// What Canvas() gives outside a paint: drawing there would be lost anyway.
class NullCanvas : public TCanvas {
 public:
  void Draw(int, int, const TBitmap&) override {}
  void StretchDraw(const TRect&, const TBitmap&) override {}
  void FillRect(const TRect&) override {}
  void TextOut(int, int, std::string_view) override {}
  int TextWidth(std::string_view text) override { return static_cast<int>(text.size()) * 6; }
};

bool IsButton(const TControl* control) {
  return control &&
         (control->Kind() == ControlKind::kButton || control->Kind() == ControlKind::kBitButton);
}

}  // namespace

TForm::TForm(std::string name) : TWinControl(nullptr, std::move(name), nullptr) {
  form_ = this;
  visible_ = false;
  InitColor(kColorButtonFace);
  TControl::SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  // Children go before their parents: last created first.
  activeControl_ = nullptr;
  while (!owned_.empty()) owned_.pop_back();
  all_.clear();
}

void TForm::Adopt(std::unique_ptr<TControl> control) {
  if (FindControl(control->Name()) || control->Name() == Name())
    throw std::logic_error("form " + Name() + " already has a control named " + control->Name());
  all_.push_back(control.get());
  owned_.push_back(std::move(control));
  all_.back()->Changed();
}

TControl* TForm::FindControl(std::string_view name) const {
  for (TControl* control : all_) {
    if (control->Name() == name) return control;
  }
  return nullptr;
}

void TForm::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  Changed();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  borderIcons_ = icons;
  Changed();
}

void TForm::SetPosition(TPosition position) {
  position_ = position;
  Changed();
}

void TForm::SetWindowState(TWindowState state) {
  if (state == windowState_) return;
  windowState_ = state;
  Changed();
}

void TForm::SetModalResult(ModalResult result) { modalResult_ = result; }

void TForm::SetActiveControl(TControl* control) {
  if (control && &control->Form() != this) return;
  if (control == activeControl_) return;
  activeControl_ = control;
  Changed();
}

TButton* TForm::DefaultButton() const {
  for (TControl* control : all_) {
    if (IsButton(control) && static_cast<TButton*>(control)->Default() && control->Showing() &&
        control->EnabledWithParents())
      return static_cast<TButton*>(control);
  }
  return nullptr;
}

TButton* TForm::CancelButton() const {
  for (TControl* control : all_) {
    if (IsButton(control) && static_cast<TButton*>(control)->Cancel() && control->Showing() &&
        control->EnabledWithParents())
      return static_cast<TButton*>(control);
  }
  return nullptr;
}

void TForm::SetVisible(bool visible) {
  if (!application_) {
    // Before creation ends: the application shows the form afterwards.
    visible_ = visible;
    return;
  }
  if (visible == visible_) return;
  if (visible) {
    application_->FormShown(*this);
  } else {
    application_->FormHidden(*this);
  }
}

ModalResult TForm::ShowModal() {
  if (!application_) throw std::logic_error("form " + Name() + " was not created by an application");
  return application_->RunModal(*this);
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = ModalResult::kCancel;
  } else if (application_ && application_->MainForm() == this) {
    application_->Terminate();
  } else {
    Hide();
  }
}

bool TForm::Active() const { return application_ && application_->ActiveForm() == this; }

void TForm::Invalidate() {
  if (application_) application_->GetBackend().Invalidate(*this);
}

TCanvas& TForm::Canvas() {
  static NullCanvas none;
  return canvas_ ? *canvas_ : none;
}

void TForm::Paint(TCanvas& canvas) {
  if (!OnPaint || canvas_) return;
  canvas.brush.color = Color();
  canvas.font = Font();
  canvas_ = &canvas;
  struct Reset {
    TCanvas*& canvas;
    ~Reset() { canvas = nullptr; }
  } reset{canvas_};
  if (application_) {
    application_->Dispatch([this] { OnPaint(*this); });
  } else {
    OnPaint(*this);
  }
}

bool TForm::KeyDown(TControl* target, std::uint16_t key, TShiftState shift) {
  if (!target) target = activeControl_;
  if (keyPreview_ && OnKeyDown) {
    OnKeyDown(*this, key, shift);
    if (key == 0) return true;
  }
  if (target && target != this && target->OnKeyDown) {
    target->OnKeyDown(*target, key, shift);
    if (key == 0) return true;
  }
  switch (key) {
    case kKeyReturn:
      if (IsButton(target) && target->CanFocus()) {
        target->Click();
        return true;
      }
      if (TButton* button = DefaultButton()) {
        button->Click();
        return true;
      }
      return false;
    case kKeyEscape:
      if (TButton* button = CancelButton()) {
        button->Click();
        return true;
      }
      return false;
    case kKeySpace:
      if (target && target->CanFocus() &&
          (IsButton(target) || target->Kind() == ControlKind::kCheckBox ||
           target->Kind() == ControlKind::kRadioButton)) {
        target->UserClick();
        return true;
      }
      return false;
    case kKeyTab: {
      std::vector<TControl*> stops;
      for (TControl* control : all_) {
        if (control->TabStop() && control->CanFocus()) stops.push_back(control);
      }
      std::stable_sort(stops.begin(), stops.end(), [](TControl* a, TControl* b) {
        return a->TabOrder() < b->TabOrder();
      });
      if (stops.empty()) return false;
      auto at = std::find(stops.begin(), stops.end(), target);
      std::size_t index = at == stops.end() ? 0 : static_cast<std::size_t>(at - stops.begin());
      if (at != stops.end()) {
        index = (shift & kShiftShift) ? (index + stops.size() - 1) % stops.size()
                                      : (index + 1) % stops.size();
      }
      SetActiveControl(stops[index]);
      return true;
    }
    default:
      return false;
  }
}

void TForm::CloseBoxClicked() {
  if (borderIcons_ & kBorderIconSystemMenu) Close();
}

}  // namespace vk::toolkit
