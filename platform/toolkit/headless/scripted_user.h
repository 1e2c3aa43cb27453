#pragma once
// The scripted user: a queue of actions taken, one at a time, whenever a
// loop of the program waits for input. A message box takes the next action,
// which must answer it. An action can wait for a condition ("when Lbl_o
// starts with ..."): it is then taken at the first moment the program lets
// messages run with the condition holding, so an abort can be placed
// exactly in the middle of a long run.
//
// A user can only do what a user can do: clicking a hidden or disabled
// control, or a form beneath a modal display, is a ScriptError. So is a
// loop or message box that finds no action left, or only one that waits
// for a condition that no longer can come true; the error names the form,
// the loop and what was awaited.
//
//   user.Click("leader", "Btn_weiter")
//       .Type("leader", "Edt_verz", "C:\\Programme\\Demo")
//       .Click("leader", "Btn_weiter")
//       .Answer(ModalResult::kOk, "Not enough")
//       .When(TextStartsWith("copying", "Lbl_o", "Copying"))
//       .Click("copying", "Btn_exit")
//       .Click("abbruch", "Btn_terminate");

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/application.h"
#include "platform/toolkit/backend.h"

namespace vk::toolkit::headless {

class ScriptError : public BackendFailure {
 public:
  using BackendFailure::BackendFailure;
};

struct Condition {
  std::string description;  // "Lbl_o of copying starts with \"Copying\""
  std::function<bool(TApplication&)> holds;
};

// The control's caption or text starts with prefix (false while the form or
// control does not exist).
Condition TextStartsWith(std::string form, std::string control, std::string prefix);
Condition TextIs(std::string form, std::string control, std::string text);
// The form is visible.
Condition FormShowing(std::string form);
// A gauge's or progress bar's value has reached at least value.
Condition ProgressAtLeast(std::string form, std::string control, int value);
Condition Custom(std::string description, std::function<bool(TApplication&)> holds);

class ScriptedUser {
 public:
  // Clicks a control as the user would: a button clicks, a check box
  // toggles, a radio button becomes checked.
  ScriptedUser& Click(std::string form, std::string control);
  // Replaces the text of an edit field (one change, OnChange once).
  ScriptedUser& Type(std::string form, std::string control, std::string text);
  // Presses a key while the control has the focus (the form's active
  // control when control is empty).
  ScriptedUser& PressKey(std::string form, std::string control, std::uint16_t key,
                         TShiftState shift = kShiftNone);
  // Selects a radio button (a click on one already checked changes
  // nothing) or sets a check box to checked by clicking it when needed.
  ScriptedUser& Pick(std::string form, std::string control);
  // Chooses a drive in a drive list, or a folder in a folder list.
  ScriptedUser& PickDrive(std::string form, std::string control, char letter);
  ScriptedUser& PickFolder(std::string form, std::string control, std::string path);
  // The title bar's close box.
  ScriptedUser& CloseWindow(std::string form);
  // Answers the next message box with button; with textPrefix, the box's
  // text must start with it.
  ScriptedUser& Answer(ModalResult button, std::string textPrefix = {});
  // Anything else, with a description for the error messages.
  ScriptedUser& Do(std::string description, std::function<void(TApplication&)> action);
  // The next action waits for the condition.
  ScriptedUser& When(Condition condition);

  // Answers every message box that the queue does not answer and whose text
  // contains textPart, with button, for unattended runs. Rules are tried in
  // the order given.
  void AnswerAlways(ModalResult button, std::string textPart = {});

  bool Finished() const { return actions_.empty(); }
  // Descriptions of the actions not yet taken, for error messages.
  std::vector<std::string> Remaining() const;

  // For the headless backend.
  struct Action {
    enum class Kind { kClick, kType, kKey, kPick, kDrive, kFolder, kClose, kAnswer, kDo };
    Kind kind = Kind::kDo;
    std::string form;
    std::string control;
    std::string text;  // typed text, folder, answer's text prefix
    std::uint16_t key = 0;
    TShiftState shift = kShiftNone;
    char letter = 0;
    ModalResult answer = ModalResult::kNone;
    std::function<void(TApplication&)> custom;
    std::optional<Condition> when;
    std::string Describe() const;
  };
  struct StandingAnswer {
    ModalResult button;
    std::string textPart;
  };
  std::deque<Action>& Queue() { return actions_; }
  const std::vector<StandingAnswer>& StandingAnswers() const { return standing_; }

 private:
  ScriptedUser& Push(Action action);
  std::deque<Action> actions_;
  std::optional<Condition> pendingWhen_;
  std::vector<StandingAnswer> standing_;
};

}  // namespace vk::toolkit::headless
