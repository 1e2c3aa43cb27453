#pragma once
// What a backend does for the model: show the forms and their controls,
// wait for input inside a loop, let pending messages run, show message
// boxes, and report the screen. The model calls it; the backend calls back
// into the model (clicks, keys, paints) through TApplication::Dispatch so
// that a handler's exception reaches the standard handler.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/toolkit/application.h"
#include "platform/toolkit/controls.h"
#include "platform/toolkit/form.h"
#include "platform/toolkit/graphics.h"

namespace vk::toolkit {

// A failure of the backend itself (the scripted user has no action left,
// the display went away): it leaves every loop and handler and is never
// shown to the user as a message box.
class BackendFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MessageBoxRequest {
  std::string text;  // Windows-1252; character 13 breaks lines
  std::string caption;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void Attach(TApplication& /*application*/) {}
  virtual void Detach(TApplication& /*application*/) {}

  virtual void FormCreated(TForm& /*form*/) {}
  // Before the form's controls go.
  virtual void FormDestroying(TForm& /*form*/) {}
  virtual void FormShown(TForm& form) = 0;
  virtual void FormHidden(TForm& form) = 0;
  virtual void FormActivated(TForm& /*form*/) {}
  virtual void ModalStarted(TForm& /*form*/) {}
  virtual void ModalEnded(TForm& /*form*/, ModalResult /*result*/) {}
  // Any property of the control (or form) may have changed; the backend
  // reads the model again, at the latest before it next draws.
  virtual void ControlChanged(TControl& /*control*/) {}
  virtual void ControlDestroying(TControl& /*control*/) {}
  virtual void Invalidate(TForm& form) = 0;
  virtual void CursorChanged(TCursor /*cursor*/) {}

  // Called by a loop (the message loop with modalForm null, or the modal
  // display of modalForm) when it has nothing to do: blocks until some
  // input has been handled. The loop then checks its end condition.
  virtual void WaitForInput(TForm* modalForm) = 0;
  // Handles what is pending without blocking.
  virtual void ProcessMessages() = 0;
  // Shows a message box and waits for its answer.
  virtual ModalResult ShowMessageBox(const MessageBoxRequest& request) = 0;

  virtual TSize ScreenSize() = 0;
  virtual int TextWidth(const TFont& font, std::string_view text) = 0;
  virtual std::uint32_t TickCount() = 0;
};

}  // namespace vk::toolkit
