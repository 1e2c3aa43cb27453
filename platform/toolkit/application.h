#pragma once
// The application object: the title, the forms in creation order, the
// message loop, letting pending messages run, the ending request, message
// boxes, the screen and the busy cursor. One thread does everything.
//
// A typical entry point:
//   auto backend = vk::toolkit::fltk::MakeFltkBackend();
//   vk::toolkit::TApplication application(*backend);
//   application.Initialize();
//   application.SetTitle("Setup");
//   application.CreateForm(main);     // Tmain* main;
//   application.CreateForm(trailer);  // ...
//   application.Run();
//   // the forms are destroyed with the application, last created first

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/toolkit/controls.h"
#include "platform/toolkit/form.h"

namespace vk::platform {
class Machine;
}

namespace vk::toolkit {

class Backend;

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kRetryCancel };
enum class MessageIcon { kNone, kError, kExclamation, kInformation, kQuestion };

enum class TCursor { kDefault, kHourGlass };

class TScreen {
 public:
  explicit TScreen(Backend& backend) : backend_(backend) {}
  int Width() const;
  int Height() const;
  TCursor Cursor() const { return cursor_; }
  // The busy cursor shows over every window of the program.
  void SetCursor(TCursor cursor);

 private:
  Backend& backend_;
  TCursor cursor_ = TCursor::kDefault;
};

class TApplication {
 public:
  // The backend must outlive the application. The newest living
  // application is the one Application() returns.
  explicit TApplication(Backend& backend);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void Initialize() {}
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // Creates a form, sets reference to it, then runs its creation handler;
  // an exception from the handler is shown by the standard handler and the
  // form still exists. A form made visible in its constructor is then
  // shown. The first form becomes the main form.
  template <class Form, class... Arguments>
  Form& CreateForm(Form*& reference, Arguments&&... arguments) {
    auto form = std::make_unique<Form>(std::forward<Arguments>(arguments)...);
    Form* raw = form.get();
    reference = raw;
    Adopt(std::move(form));
    return *raw;
  }
  TForm* MainForm() const { return mainForm_; }
  // Creation order.
  std::vector<TForm*> Forms() const;
  TForm* FindForm(std::string_view name) const;

  // The message loop: shows the main form, then waits for input until the
  // application terminates. Returns at once when it already has.
  void Run();
  // Lets every pending message run (paints, input), then returns.
  void ProcessMessages();
  // Asks the application to end: every modal display and then the message
  // loop end.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // A message box over the program's windows; the character 13 in text is
  // a line break. Returns the button pressed (kCancel, or kNo for a yes/no
  // box, when it is closed otherwise).
  ModalResult MessageBox(std::string_view text, std::string_view caption,
                         MessageButtons buttons = MessageButtons::kOk,
                         MessageIcon icon = MessageIcon::kNone);
  // A plain message with the application's title and an OK button.
  void ShowMessage(std::string_view text);
  // The standard handler for an exception that leaves an event handler:
  // its message in a message box with the application's title and the
  // error icon. Backend failures (BackendFailure) are rethrown, never shown.
  void HandleException(std::exception_ptr exception);
  // Runs an event from the backend or the scripted user, handling what it
  // throws with the standard handler.
  template <class Function>
  void Dispatch(Function&& function) {
    try {
      function();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }

  TScreen& Screen() { return screen_; }
  // Milliseconds since an arbitrary start; the headless backend counts its
  // own time, so bounded waits end in tests without sleeping.
  std::uint32_t TickCount();

  // With a machine, the paths of pictures and the folder and drive lists
  // are Windows paths mapped through it; without one, host paths.
  void SetMachine(const vk::platform::Machine* machine) { machine_ = machine; }
  const vk::platform::Machine* HostMachine() const { return machine_; }
  std::optional<std::filesystem::path> HostPath(std::string_view path) const;

  // The active window; null when none of the program's windows is.
  TForm* ActiveForm() const { return activeForm_; }
  // The forms whose modal display runs, outermost first.
  const std::vector<TForm*>& ModalForms() const { return modalForms_; }
  // Whether a form may take input now: visible, and no other modal display
  // runs above it.
  bool AcceptsInput(const TForm& form) const;

  // Destroys the forms, last created first, running each OnDestroy. The
  // destructor does it for the forms that are left.
  void DestroyForms();

  Backend& GetBackend() { return backend_; }

 private:
  friend class TForm;
  void Adopt(std::unique_ptr<TForm> form);
  void FormShown(TForm& form);
  void FormHidden(TForm& form);
  void Activate(TForm* form);
  ModalResult RunModal(TForm& form);

  Backend& backend_;
  TApplication* previous_ = nullptr;
  TScreen screen_;
  std::string title_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  TForm* activeForm_ = nullptr;
  // Visible forms, in the order they were shown (the last on top).
  std::vector<TForm*> visibleForms_;
  std::vector<TForm*> modalForms_;
  bool terminated_ = false;
  bool running_ = false;
  const vk::platform::Machine* machine_ = nullptr;
};

// The living application (the newest one). Throws std::logic_error when
// there is none.
TApplication& Application();
TScreen& Screen();

}  // namespace vk::toolkit
