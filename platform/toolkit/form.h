#pragma once
// A form: a window of the program, holding its controls. The program's
// windows are subclasses (class Tmain : public TForm) that create their
// controls in the constructor with Add and set their handlers there; work
// that needs the program-wide references of other forms belongs in the
// creation handler (OnCreate), which the application runs after the form's
// reference has been set.
//
// Showing a form modally is a nested loop that ends with the form's modal
// result or when the application terminates; terminating ends every nested
// loop, innermost first.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/controls.h"
#include "platform/toolkit/graphics.h"

namespace vk::toolkit {

class TApplication;

enum class TBorderStyle { kNone, kSingle, kSizeable, kDialog, kToolWindow, kSizeToolWindow };

// The buttons on the title bar.
using TBorderIcons = unsigned;
inline constexpr TBorderIcons kBorderIconSystemMenu = 1;  // with the close box
inline constexpr TBorderIcons kBorderIconMinimize = 2;
inline constexpr TBorderIcons kBorderIconMaximize = 4;

enum class TWindowState { kNormal, kMinimized, kMaximized };
// kScreenCenter centres the form on the screen whenever it is shown.
enum class TPosition { kDesigned, kScreenCenter };

class TForm : public TWinControl {
 public:
  // name is the form's program-wide reference ("main", "leader"); the
  // scripted user and the recordings name forms by it.
  explicit TForm(std::string name);
  ~TForm() override;

  ControlKind Kind() const override { return ControlKind::kForm; }

  // Creates a control owned by this form, on parent (the form itself when
  // null). Names are unique within the form.
  template <class T>
  T* Add(std::string name, TWinControl* parent = nullptr) {
    auto control = std::make_unique<T>(this, std::move(name), parent ? parent : this);
    T* raw = control.get();
    Adopt(std::move(control));
    return raw;
  }
  // Every control in creation order.
  const std::vector<TControl*>& AllControls() const { return all_; }
  TControl* FindControl(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  // The window's frame is the desktop's; width and height are those of the
  // client area.
  void SetClientWidth(int width) { SetWidth(width); }
  void SetClientHeight(int height) { SetHeight(height); }
  // With KeyPreview the form's OnKeyDown sees keys before the control.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool preview) { keyPreview_ = preview; }

  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult result);

  // The control with the keyboard focus; null for none.
  TControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TControl* control);
  // The visible, enabled default and cancel buttons, if any.
  TButton* DefaultButton() const;
  TButton* CancelButton() const;

  // Show() and SetVisible(true) make the form visible without waiting:
  // OnShow, then the window appears, then it becomes the active window
  // (OnActivate). Hide() hides it (OnHide); the window beneath becomes
  // active again. A form made visible in its constructor is shown by the
  // application right after its creation handler.
  void SetVisible(bool visible) override;
  // Shows the form and waits in a nested loop until its modal result is
  // set or the application terminates (then the result is kCancel). The
  // activation runs before the result is cleared and the loop starts.
  // Throws vk::platform::Exception when the form is already visible.
  ModalResult ShowModal();
  // Ends a modal display with kCancel; terminates the application for the
  // main form; hides any other form.
  void Close();
  // Whether the form's modal display is running.
  bool Modal() const { return modal_; }
  // Whether the form is the active window.
  bool Active() const;
  // Asks for a repaint; the paint handler runs when the backend paints.
  void Invalidate();
  // The canvas of the paint in progress; outside a paint, one that draws
  // nothing.
  TCanvas& Canvas();

  TNotifyEvent OnCreate;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnDestroy;

  // The application that created the form; null before that.
  TApplication* OwningApplication() const { return application_; }

  // For the backends and the scripted user.
  // Paints the form's own background through OnPaint on canvas;
  // exceptions go to the application's standard handler.
  void Paint(TCanvas& canvas);
  bool Painting() const { return canvas_ != nullptr; }
  // A key pressed while target (or the active control when null) has the
  // focus: the form's OnKeyDown with KeyPreview, the control's OnKeyDown,
  // then the dialog keys: Enter clicks the focused button or else the
  // default button, Escape the cancel button, Space the focused button or
  // box. Returns whether anything took the key. Exceptions go to the caller.
  bool KeyDown(TControl* target, std::uint16_t key, TShiftState shift = kShiftNone);
  // The title bar's close box: Close() when the form has a system menu,
  // else nothing.
  void CloseBoxClicked();

 private:
  friend class TApplication;
  friend class TControl;
  void Adopt(std::unique_ptr<TControl> control);
  void Release(TControl* control);

  TApplication* application_ = nullptr;
  std::vector<std::unique_ptr<TControl>> owned_;
  std::vector<TControl*> all_;
  TBorderStyle borderStyle_ = TBorderStyle::kSizeable;
  TBorderIcons borderIcons_ = kBorderIconSystemMenu | kBorderIconMinimize | kBorderIconMaximize;
  TPosition position_ = TPosition::kDesigned;
  TWindowState windowState_ = TWindowState::kNormal;
  bool keyPreview_ = false;
  ModalResult modalResult_ = ModalResult::kNone;
  TControl* activeControl_ = nullptr;
  bool modal_ = false;
  TCanvas* canvas_ = nullptr;
};

}  // namespace vk::toolkit
