#include "platform/toolkit/application.h"

#include <algorithm>
#include <stdexcept>

#include "platform/exception.h"
#include "platform/machine.h"
#include "platform/toolkit/backend.h"
#include "platform/toolkit/toolkit_internal.h"

namespace vk::toolkit {
namespace {

TApplication* current = nullptr;

}  // namespace

TApplication* CurrentApplication() { return current; }

TApplication& Application() {
  if (!current) throw std::logic_error("no application object exists");
  return *current;
}

TScreen& Screen() { return Application().Screen(); }

int MeasureText(const TFont& font, std::string_view text) {
  if (current) return current->GetBackend().TextWidth(font, text);
  return static_cast<int>(text.size()) * 6;
}

int TScreen::Width() const { return backend_.ScreenSize().width; }
int TScreen::Height() const { return backend_.ScreenSize().height; }

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  backend_.CursorChanged(cursor);
}

TApplication::TApplication(Backend& backend) : backend_(backend), screen_(backend) {
  previous_ = current;
  current = this;
  backend_.Attach(*this);
}

TApplication::~TApplication() {
  try {
    DestroyForms();
  } catch (...) {
    // A failing destroy handler cannot be reported from here; the forms
    // that are left are freed without their handlers.
  }
  forms_.clear();
  backend_.Detach(*this);
  if (current == this) current = previous_;
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
  TForm& created = *form;
  const bool visible = created.Visible();
  created.visible_ = false;
  created.application_ = this;
  forms_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = &created;
  backend_.FormCreated(created);
  if (created.OnCreate) Dispatch([&created] { created.OnCreate(created); });
  if (visible) created.SetVisible(true);
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (const auto& form : forms_) forms.push_back(form.get());
  return forms;
}

TForm* TApplication::FindForm(std::string_view name) const {
  for (const auto& form : forms_) {
    if (form->Name() == name) return form.get();
  }
  return nullptr;
}

void TApplication::Run() {
  if (terminated_) return;
  running_ = true;
  struct Reset {
    bool& running;
    ~Reset() { running = false; }
  } reset{running_};
  if (mainForm_ && !mainForm_->Visible()) mainForm_->SetVisible(true);
  while (!terminated_) backend_.WaitForInput(nullptr);
}

void TApplication::ProcessMessages() { backend_.ProcessMessages(); }

void TApplication::Terminate() { terminated_ = true; }

ModalResult TApplication::MessageBox(std::string_view text, std::string_view caption,
                                     MessageButtons buttons, MessageIcon icon) {
  MessageBoxRequest request{std::string(text), std::string(caption), buttons, icon};
  return backend_.ShowMessageBox(request);
}

void TApplication::ShowMessage(std::string_view text) {
  MessageBox(text, title_, MessageButtons::kOk, MessageIcon::kNone);
}

void TApplication::HandleException(std::exception_ptr exception) {
  try {
    std::rethrow_exception(exception);
  } catch (const BackendFailure&) {
    throw;
  } catch (const std::exception& error) {
    MessageBox(error.what(), title_, MessageButtons::kOk, MessageIcon::kError);
  } catch (...) {
    MessageBox("Unknown exception", title_, MessageButtons::kOk, MessageIcon::kError);
  }
}

std::uint32_t TApplication::TickCount() { return backend_.TickCount(); }

std::optional<std::filesystem::path> TApplication::HostPath(std::string_view path) const {
  if (machine_) return machine_->ToHost(path);
  return std::filesystem::path(std::string(path));
}

bool TApplication::AcceptsInput(const TForm& form) const {
  if (!form.Visible() || !form.Enabled()) return false;
  return modalForms_.empty() || modalForms_.back() == &form;
}

void TApplication::FormShown(TForm& form) {
  // OnShow runs before the window appears.
  if (form.OnShow) Dispatch([&form] { form.OnShow(form); });
  if (form.Visible()) return;
  if (form.Position() == TPosition::kScreenCenter) {
    const TSize screen = backend_.ScreenSize();
    form.SetBounds((screen.width - form.Width()) / 2, (screen.height - form.Height()) / 2,
                   form.Width(), form.Height());
  }
  form.visible_ = true;
  visibleForms_.push_back(&form);
  if (!form.ActiveControl() || !form.ActiveControl()->CanFocus()) {
    form.activeControl_ = nullptr;
    TControl* first = nullptr;
    for (TControl* control : form.AllControls()) {
      if (control->TabStop() && control->CanFocus() &&
          (!first || control->TabOrder() < first->TabOrder()))
        first = control;
    }
    form.activeControl_ = first;
  }
  backend_.FormShown(form);
  Activate(&form);
}

void TApplication::FormHidden(TForm& form) {
  form.visible_ = false;
  visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), &form),
                      visibleForms_.end());
  backend_.FormHidden(form);
  if (form.OnHide) Dispatch([&form] { form.OnHide(form); });
  if (activeForm_ != &form) return;
  // The window beneath becomes active: the running modal display's form,
  // or without one the form shown last. A hidden modal form leaves none,
  // and once the application ends no activation handler runs again.
  TForm* next = nullptr;
  if (!terminated_) {
    if (!modalForms_.empty()) {
      if (modalForms_.back()->Visible()) next = modalForms_.back();
    } else if (!visibleForms_.empty()) {
      next = visibleForms_.back();
    }
  }
  activeForm_ = nullptr;
  if (form.OnDeactivate) Dispatch([&form] { form.OnDeactivate(form); });
  if (next) Activate(next);
}

void TApplication::Activate(TForm* form) {
  if (form == activeForm_) return;
  TForm* previous = activeForm_;
  activeForm_ = form;
  if (previous && previous->OnDeactivate) Dispatch([previous] { previous->OnDeactivate(*previous); });
  if (!form) return;
  backend_.FormActivated(*form);
  if (form->OnActivate) Dispatch([form] { form->OnActivate(*form); });
}

ModalResult TApplication::RunModal(TForm& form) {
  if (form.Visible() || form.Modal())
    throw vk::platform::Exception("Cannot make a visible window modal");
  // A modal display asked for while the application ends would end at
  // once; it is not shown at all, so no handler of it runs.
  if (terminated_) return ModalResult::kCancel;
  form.modal_ = true;
  modalForms_.push_back(&form);
  struct Pop {
    TApplication& application;
    TForm& form;
    bool done = false;
    void operator()() {
      if (done) return;
      done = true;
      form.modal_ = false;
      auto& stack = application.modalForms_;
      stack.erase(std::remove(stack.begin(), stack.end(), &form), stack.end());
    }
    ~Pop() { (*this)(); }
  } pop{*this, form};
  backend_.ModalStarted(form);
  form.SetVisible(true);
  // The activation has run (it may have done all the form's work); only
  // now does the loop start, with the result cleared.
  form.modalResult_ = ModalResult::kNone;
  while (true) {
    if (terminated_) {
      form.modalResult_ = ModalResult::kCancel;
      break;
    }
    if (form.modalResult_ != ModalResult::kNone) break;
    backend_.WaitForInput(&form);
  }
  const ModalResult result = form.modalResult_;
  pop();
  form.SetVisible(false);
  backend_.ModalEnded(form, result);
  return result;
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) {
    TForm* form = forms_.back().get();
    if (form->OnDestroy) Dispatch([form] { form->OnDestroy(*form); });
    backend_.FormDestroying(*form);
    if (activeForm_ == form) activeForm_ = nullptr;
    if (mainForm_ == form) mainForm_ = nullptr;
    visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), form),
                        visibleForms_.end());
    modalForms_.erase(std::remove(modalForms_.begin(), modalForms_.end(), form),
                      modalForms_.end());
    forms_.pop_back();
  }
}

}  // namespace vk::toolkit
