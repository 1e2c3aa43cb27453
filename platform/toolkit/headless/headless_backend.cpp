#include "platform/toolkit/headless/headless_backend.h"

#include <algorithm>

namespace vk::toolkit::headless {
namespace {

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\r') {
      quoted += "\\r";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

bool Fits(MessageButtons buttons, ModalResult answer) {
  switch (buttons) {
    case MessageButtons::kOk:
      return answer == ModalResult::kOk;
    case MessageButtons::kOkCancel:
      return answer == ModalResult::kOk || answer == ModalResult::kCancel;
    case MessageButtons::kYesNo:
      return answer == ModalResult::kYes || answer == ModalResult::kNo;
    case MessageButtons::kYesNoCancel:
      return answer == ModalResult::kYes || answer == ModalResult::kNo ||
             answer == ModalResult::kCancel;
    case MessageButtons::kRetryCancel:
      return answer == ModalResult::kRetry || answer == ModalResult::kCancel;
  }
  return false;
}

void Erase(std::vector<TForm*>& forms, TForm* form) {
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

}  // namespace

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

std::vector<std::string> HeadlessBackend::FormsWith(WindowEventKind kind) const {
  std::vector<std::string> names;
  for (const WindowEvent& event : events_) {
    if (event.kind == kind) names.push_back(event.form);
  }
  return names;
}

const PaintRecord* HeadlessBackend::LastPaint(std::string_view form) const {
  for (auto it = paints_.rbegin(); it != paints_.rend(); ++it) {
    if (it->form == form) return &*it;
  }
  return nullptr;
}

void HeadlessBackend::Attach(TApplication& application) { application_ = &application; }

void HeadlessBackend::Detach(TApplication& application) {
  if (application_ == &application) application_ = nullptr;
  pendingPaints_.clear();
}

void HeadlessBackend::FormCreated(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kCreated, form.Name()});
}

void HeadlessBackend::FormDestroying(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kDestroyed, form.Name()});
  Erase(pendingPaints_, &form);
}

void HeadlessBackend::FormShown(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kShown, form.Name()});
  Invalidate(form);
}

void HeadlessBackend::FormHidden(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kHidden, form.Name()});
  Erase(pendingPaints_, &form);
}

void HeadlessBackend::FormActivated(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kActivated, form.Name()});
}

void HeadlessBackend::ModalStarted(TForm& form) {
  events_.push_back(WindowEvent{WindowEventKind::kModalStarted, form.Name()});
}

void HeadlessBackend::ModalEnded(TForm& form, ModalResult result) {
  events_.push_back(WindowEvent{WindowEventKind::kModalEnded, form.Name(), result});
}

void HeadlessBackend::Invalidate(TForm& form) {
  if (!form.Visible()) return;
  if (std::find(pendingPaints_.begin(), pendingPaints_.end(), &form) == pendingPaints_.end())
    pendingPaints_.push_back(&form);
}

void HeadlessBackend::CursorChanged(TCursor cursor) { cursors_.push_back(cursor); }

int HeadlessBackend::TextWidth(const TFont& font, std::string_view text) {
  return HeadlessTextWidth(font, text);
}

void HeadlessBackend::PaintNow(TForm& form) {
  if (std::find(painting_.begin(), painting_.end(), &form) != painting_.end()) return;
  Erase(pendingPaints_, &form);
  if (!form.OnPaint) return;
  painting_.push_back(&form);
  struct Done {
    std::vector<TForm*>& painting;
    TForm* form;
    ~Done() { Erase(painting, form); }
  } done{painting_, &form};
  RecordingCanvas canvas;
  form.Paint(canvas);
  paints_.push_back(PaintRecord{form.Name(), canvas.TakeCalls()});
}

void HeadlessBackend::PaintPending() {
  while (!pendingPaints_.empty()) {
    TForm* form = pendingPaints_.front();
    pendingPaints_.erase(pendingPaints_.begin());
    if (form->Visible()) PaintNow(*form);
  }
}

void HeadlessBackend::ProcessMessages() {
  ++pumps_;
  ++ticks_;
  PaintPending();
  TakeConditionalAction();
}

bool HeadlessBackend::TakeConditionalAction() {
  auto& queue = user_.Queue();
  if (queue.empty() || !application_) return false;
  const ScriptedUser::Action& head = queue.front();
  if (!head.when || head.kind == ScriptedUser::Action::Kind::kAnswer) return false;
  if (!head.when->holds(*application_)) return false;
  ScriptedUser::Action action = std::move(queue.front());
  queue.pop_front();
  Perform(action);
  return true;
}

void HeadlessBackend::WaitForInput(TForm* modalForm) {
  ticks_ += 10;
  PaintPending();
  if (TakeConditionalAction()) return;
  std::string loop = modalForm ? "the modal display of " + modalForm->Name() : "the message loop";
  if (modalForm && !modalForm->Visible()) loop += " (its form is hidden)";
  auto& queue = user_.Queue();
  if (queue.empty()) Fail(loop + " waits for input, but the script has no action left");
  const ScriptedUser::Action& head = queue.front();
  if (head.kind == ScriptedUser::Action::Kind::kAnswer)
    Fail(loop + " waits for input, but the next action (" + head.Describe() +
         ") answers a message box and none is open");
  if (head.when)
    Fail(loop + " waits for input, but the next action waits for " + head.when->description +
         ", which nothing can bring about now (" + head.Describe() + ")");
  ScriptedUser::Action action = std::move(queue.front());
  queue.pop_front();
  Perform(action);
}

ModalResult HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request) {
  ticks_ += 10;
  messageBoxes_.push_back(
      MessageBoxRecord{request.text, request.caption, request.buttons, request.icon});
  const std::size_t record = messageBoxes_.size() - 1;
  const std::string box = "the message box " + Quoted(request.text) + " (caption " +
                          Quoted(request.caption) + ")";
  auto& queue = user_.Queue();
  ModalResult answer = ModalResult::kNone;
  if (!queue.empty() && queue.front().kind == ScriptedUser::Action::Kind::kAnswer &&
      (!queue.front().when || !application_ || queue.front().when->holds(*application_))) {
    ScriptedUser::Action action = std::move(queue.front());
    queue.pop_front();
    if (!action.text.empty() && !request.text.starts_with(action.text))
      Fail(box + " came where the script expected one starting with " + Quoted(action.text));
    if (!Fits(request.buttons, action.answer))
      Fail(box + " has no button " + std::string(ButtonName(action.answer)));
    answer = action.answer;
  } else {
    for (const ScriptedUser::StandingAnswer& rule : user_.StandingAnswers()) {
      if (request.text.find(rule.textPart) != std::string::npos && Fits(request.buttons, rule.button)) {
        answer = rule.button;
        break;
      }
    }
    if (answer == ModalResult::kNone) {
      Fail(box + " waits for an answer, but " +
           (queue.empty() ? std::string("the script has no action left")
                          : "the next action is: " + queue.front().Describe()));
    }
  }
  messageBoxes_[record].answer = answer;
  return answer;
}

void HeadlessBackend::Perform(const ScriptedUser::Action& action) {
  using Kind = ScriptedUser::Action::Kind;
  if (!application_) Fail("no application for: " + action.Describe());
  TApplication& application = *application_;
  if (action.kind == Kind::kDo) {
    application.Dispatch([&] { action.custom(application); });
    PaintPending();
    return;
  }
  const std::string what = action.Describe();
  TForm* form = application.FindForm(action.form);
  if (!form) Fail(what + ": there is no form named " + action.form);
  if (!form->Visible()) Fail(what + ": " + action.form + " is not shown");
  if (!application.AcceptsInput(*form)) {
    const auto& modal = application.ModalForms();
    Fail(what + ": " + action.form + " takes no input" +
         (modal.empty() ? std::string(" (disabled)")
                        : " while the modal display of " + modal.back()->Name() + " runs"));
  }
  if (action.kind == Kind::kClose) {
    application.Dispatch([form] { form->CloseBoxClicked(); });
    PaintPending();
    return;
  }
  TControl* control = nullptr;
  if (!action.control.empty()) {
    control = form->FindControl(action.control);
    if (!control) Fail(what + ": " + action.form + " has no control named " + action.control);
    if (!control->Showing()) Fail(what + ": " + action.control + " is not visible");
    if (!control->EnabledWithParents()) Fail(what + ": " + action.control + " is disabled");
  }
  switch (action.kind) {
    case Kind::kClick:
      application.Dispatch([control] { control->UserClick(); });
      break;
    case Kind::kType: {
      auto* edit = dynamic_cast<TEdit*>(control);
      if (!edit) Fail(what + ": " + action.control + " is not an edit field");
      if (edit->ReadOnly()) Fail(what + ": " + action.control + " is read-only");
      std::string text = action.text;
      if (edit->MaxLength() > 0 && text.size() > static_cast<std::size_t>(edit->MaxLength()))
        text.resize(static_cast<std::size_t>(edit->MaxLength()));
      edit->SetFocus();
      application.Dispatch([edit, &text] { edit->SetText(text); });
      break;
    }
    case Kind::kKey:
      if (control) {
        if (!control->CanFocus()) Fail(what + ": " + action.control + " cannot take the focus");
        control->SetFocus();
      }
      application.Dispatch([form, control, &action] {
        form->KeyDown(control, action.key, action.shift);
      });
      break;
    case Kind::kPick:
      if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        if (!radio->Checked()) application.Dispatch([radio] { radio->UserClick(); });
      } else if (auto* box = dynamic_cast<TCheckBox*>(control)) {
        if (!box->Checked()) application.Dispatch([box] { box->UserClick(); });
      } else {
        Fail(what + ": " + action.control + " is neither a radio button nor a check box");
      }
      break;
    case Kind::kDrive: {
      auto* drives = dynamic_cast<TDriveComboBox*>(control);
      if (!drives) Fail(what + ": " + action.control + " is not a drive list");
      application.Dispatch([drives, &action] { drives->SetDrive(action.letter); });
      break;
    }
    case Kind::kFolder: {
      auto* folders = dynamic_cast<TDirectoryListBox*>(control);
      if (!folders) Fail(what + ": " + action.control + " is not a folder list");
      application.Dispatch([folders, &action] { folders->SetDirectory(action.text); });
      break;
    }
    default:
      Fail(what + ": not an action on a control");
  }
  PaintPending();
}

std::string HeadlessBackend::Situation() const {
  std::string text;
  if (application_) {
    std::string shown;
    for (TForm* form : application_->Forms()) {
      if (!form->Visible()) continue;
      if (!shown.empty()) shown += ", ";
      shown += form->Name();
      if (form->Modal()) shown += " (modal)";
    }
    text += "\n  shown: " + (shown.empty() ? std::string("none") : shown);
    text += "\n  active: " +
            (application_->ActiveForm() ? application_->ActiveForm()->Name() : std::string("none"));
  }
  if (!messageBoxes_.empty()) text += "\n  last message box: " + Quoted(messageBoxes_.back().text);
  const std::vector<std::string> remaining = user_.Remaining();
  text += "\n  actions left: " + std::to_string(remaining.size());
  for (std::size_t i = 0; i < remaining.size() && i < 3; ++i) text += "\n    " + remaining[i];
  return text;
}

void HeadlessBackend::Fail(const std::string& what) const {
  throw ScriptError("scripted user: " + what + Situation());
}

}  // namespace vk::toolkit::headless
