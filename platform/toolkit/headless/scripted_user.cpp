#include "platform/toolkit/headless/scripted_user.h"

#include "platform/toolkit/controls.h"
#include "platform/toolkit/form.h"
#include "platform/toolkit/headless/recording.h"

namespace vk::toolkit::headless {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const TControl* Lookup(TApplication& application, const std::string& form,
                       const std::string& control) {
  const TForm* found = application.FindForm(form);
  return found ? found->FindControl(control) : nullptr;
}

}  // namespace

Condition TextStartsWith(std::string form, std::string control, std::string prefix) {
  std::string description = control + " of " + form + " starts with " + Quoted(prefix);
  return Condition{std::move(description), [=](TApplication& application) {
                     const TControl* found = Lookup(application, form, control);
                     return found && found->Text().starts_with(prefix);
                   }};
}

Condition TextIs(std::string form, std::string control, std::string text) {
  std::string description = control + " of " + form + " is " + Quoted(text);
  return Condition{std::move(description), [=](TApplication& application) {
                     const TControl* found = Lookup(application, form, control);
                     return found && found->Text() == text;
                   }};
}

Condition FormShowing(std::string form) {
  std::string description = form + " is shown";
  return Condition{std::move(description), [=](TApplication& application) {
                     const TForm* found = application.FindForm(form);
                     return found && found->Visible();
                   }};
}

Condition ProgressAtLeast(std::string form, std::string control, int value) {
  std::string description = control + " of " + form + " is at least " + std::to_string(value);
  return Condition{std::move(description), [=](TApplication& application) {
                     const TControl* found = Lookup(application, form, control);
                     if (auto* gauge = dynamic_cast<const TGauge*>(found))
                       return gauge->Progress() >= value;
                     if (auto* bar = dynamic_cast<const TProgressBar*>(found))
                       return bar->Position() >= value;
                     return false;
                   }};
}

Condition Custom(std::string description, std::function<bool(TApplication&)> holds) {
  return Condition{std::move(description), std::move(holds)};
}

ScriptedUser& ScriptedUser::Push(Action action) {
  action.when = std::move(pendingWhen_);
  pendingWhen_.reset();
  actions_.push_back(std::move(action));
  return *this;
}

ScriptedUser& ScriptedUser::Click(std::string form, std::string control) {
  Action action;
  action.kind = Action::Kind::kClick;
  action.form = std::move(form);
  action.control = std::move(control);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::Type(std::string form, std::string control, std::string text) {
  Action action;
  action.kind = Action::Kind::kType;
  action.form = std::move(form);
  action.control = std::move(control);
  action.text = std::move(text);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::PressKey(std::string form, std::string control, std::uint16_t key,
                                     TShiftState shift) {
  Action action;
  action.kind = Action::Kind::kKey;
  action.form = std::move(form);
  action.control = std::move(control);
  action.key = key;
  action.shift = shift;
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::Pick(std::string form, std::string control) {
  Action action;
  action.kind = Action::Kind::kPick;
  action.form = std::move(form);
  action.control = std::move(control);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::PickDrive(std::string form, std::string control, char letter) {
  Action action;
  action.kind = Action::Kind::kDrive;
  action.form = std::move(form);
  action.control = std::move(control);
  action.letter = letter;
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::PickFolder(std::string form, std::string control, std::string path) {
  Action action;
  action.kind = Action::Kind::kFolder;
  action.form = std::move(form);
  action.control = std::move(control);
  action.text = std::move(path);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::CloseWindow(std::string form) {
  Action action;
  action.kind = Action::Kind::kClose;
  action.form = std::move(form);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::Answer(ModalResult button, std::string textPrefix) {
  Action action;
  action.kind = Action::Kind::kAnswer;
  action.answer = button;
  action.text = std::move(textPrefix);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::Do(std::string description,
                               std::function<void(TApplication&)> function) {
  Action action;
  action.kind = Action::Kind::kDo;
  action.text = std::move(description);
  action.custom = std::move(function);
  return Push(std::move(action));
}

ScriptedUser& ScriptedUser::When(Condition condition) {
  pendingWhen_ = std::move(condition);
  return *this;
}

void ScriptedUser::AnswerAlways(ModalResult button, std::string textPart) {
  standing_.push_back(StandingAnswer{button, std::move(textPart)});
}

std::vector<std::string> ScriptedUser::Remaining() const {
  std::vector<std::string> descriptions;
  for (const Action& action : actions_) descriptions.push_back(action.Describe());
  return descriptions;
}

std::string ScriptedUser::Action::Describe() const {
  std::string what;
  switch (kind) {
    case Kind::kClick:
      what = "click " + control + " on " + form;
      break;
    case Kind::kType:
      what = "type " + Quoted(text) + " into " + control + " on " + form;
      break;
    case Kind::kKey:
      what = "press key " + std::to_string(key) + " on " +
             (control.empty() ? std::string("the focused control") : control) + " of " + form;
      break;
    case Kind::kPick:
      what = "pick " + control + " on " + form;
      break;
    case Kind::kDrive:
      what = std::string("pick drive ") + letter + ": in " + control + " on " + form;
      break;
    case Kind::kFolder:
      what = "pick folder " + Quoted(text) + " in " + control + " on " + form;
      break;
    case Kind::kClose:
      what = "close the window " + form;
      break;
    case Kind::kAnswer:
      what = "answer a message box with " + std::string(ButtonName(answer));
      if (!text.empty()) what += " (text starting with " + Quoted(text) + ")";
      break;
    case Kind::kDo:
      what = text;
      break;
  }
  if (when) what = "when " + when->description + ": " + what;
  return what;
}

}  // namespace vk::toolkit::headless
