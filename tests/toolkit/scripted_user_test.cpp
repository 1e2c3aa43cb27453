// The scripted user: actions taken when a loop waits, message boxes
// answered and recorded, actions that wait for a condition, and failures
// that say what was awaited.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::HeadlessBackend;
using headless::ScriptError;
using headless::TextStartsWith;
using ::testing::HasSubstr;
using testing::Dialog;

// A window whose activation does a long run of steps, letting messages run
// after each and stopping when the application ends, with an exit button
// that asks before ending: the shape of an installation run.
class Runner : public TForm {
 public:
  Runner() : TForm("copying") {
    Lbl_o = Add<TLabel>("Lbl_o");
    Btn_exit = Add<TButton>("Btn_exit");
    Btn_exit->SetCancel(true);
    Btn_exit->SetModalResult(ModalResult::kCancel);
    Btn_exit->OnClick = [this](TObject&) {
      if (Application().MessageBox("Abort?", "velmor-kit", MessageButtons::kOkCancel,
                                   MessageIcon::kExclamation) == ModalResult::kOk)
        Application().Terminate();
    };
    OnActivate = [this](TObject&) {
      for (int step = 1; step <= 10; ++step) {
        Lbl_o->SetCaption("Copying file" + std::to_string(step));
        Application().ProcessMessages();
        if (Application().Terminated()) return;
        done = step;
      }
    };
  }
  TLabel* Lbl_o;
  TButton* Btn_exit;
  int done = 0;
};

class ScriptedUserTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  TApplication application{backend};
};

// An action that waits for a condition is taken at the first letting-run of
// messages at which the condition holds: the abort lands after exactly four
// steps of the run.
TEST_F(ScriptedUserTest, WaitingActionAbortsALongRunAtTheExactStep) {
  Runner* runner = nullptr;
  application.CreateForm(runner);
  backend.User()
      .When(TextStartsWith("copying", "Lbl_o", "Copying file5"))
      .Click("copying", "Btn_exit")
      .Answer(ModalResult::kOk, "Abort?");
  EXPECT_EQ(runner->ShowModal(), ModalResult::kCancel);
  EXPECT_EQ(runner->done, 4);
  EXPECT_TRUE(application.Terminated());
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  const auto& box = backend.MessageBoxes()[0];
  EXPECT_EQ(box.caption, "velmor-kit");
  EXPECT_EQ(box.buttons, MessageButtons::kOkCancel);
  EXPECT_EQ(box.icon, MessageIcon::kExclamation);
  EXPECT_EQ(box.answer, ModalResult::kOk);
}

// Declining the abort during the run: the click's modal result has no
// lasting effect; the run completes and the loop then waits for the user.
TEST_F(ScriptedUserTest, DeclinedAbortDuringTheRunLeavesTheRunGoing) {
  Runner* runner = nullptr;
  application.CreateForm(runner);
  backend.User()
      .When(TextStartsWith("copying", "Lbl_o", "Copying file3"))
      .Click("copying", "Btn_exit")
      .Answer(ModalResult::kCancel)
      .PressKey("copying", "", kKeyEscape)  // after the run: the cancel button closes
      .Answer(ModalResult::kCancel);
  EXPECT_EQ(runner->ShowModal(), ModalResult::kCancel);
  EXPECT_EQ(runner->done, 10);
  EXPECT_FALSE(application.Terminated());
  EXPECT_EQ(backend.MessageBoxes().size(), 2u);
  EXPECT_TRUE(backend.User().Finished());
}

struct FailureCase {
  const char* why;
  std::function<void(headless::ScriptedUser&)> script;
  std::vector<const char*> mentions;
};

// Every failure of a script names the loop or box and what was awaited.
TEST_F(ScriptedUserTest, FailuresNameTheFormTheLoopAndWhatWasAwaited) {
  const std::vector<FailureCase> cases = {
      {"script ran out",
       [](headless::ScriptedUser&) {},
       {"the modal display of dialog", "no action left"}},
      {"condition that cannot come",
       [](headless::ScriptedUser& user) {
         user.When(TextStartsWith("dialog", "Edt", "never")).Click("dialog", "Btn_ok");
       },
       {"the modal display of dialog", "Edt of dialog starts with \"never\""}},
      {"answer with no box",
       [](headless::ScriptedUser& user) { user.Answer(ModalResult::kOk); },
       {"answers a message box and none is open"}},
      {"disabled control",
       [](headless::ScriptedUser& user) {
         user.Do("disable", [](TApplication& application) {
           application.FindForm("dialog")->FindControl("Btn_ok")->SetEnabled(false);
         });
         user.Click("dialog", "Btn_ok");
       },
       {"click Btn_ok on dialog", "is disabled"}},
      {"unknown control",
       [](headless::ScriptedUser& user) { user.Click("dialog", "Btn_nothing"); },
       {"has no control named Btn_nothing"}},
      {"form beneath a modal display",
       [](headless::ScriptedUser& user) {
         user.Do("open inner", [](TApplication& application) {
           application.FindForm("inner")->ShowModal();
         });
         user.Click("dialog", "Btn_ok");
       },
       {"takes no input while the modal display of inner runs"}},
  };
  for (const FailureCase& c : cases) {
    HeadlessBackend fresh;
    c.script(fresh.User());
    TApplication app(fresh);
    Dialog* dialog = nullptr;
    Dialog* inner = nullptr;
    app.CreateForm(dialog);
    app.CreateForm(inner, "inner");
    try {
      dialog->ShowModal();
      ADD_FAILURE() << c.why << ": no failure";
    } catch (const ScriptError& error) {
      for (const char* part : c.mentions) EXPECT_THAT(error.what(), HasSubstr(part)) << c.why;
    }
  }
}

// A message box the script does not answer fails with the box's text, also
// when the box comes from inside a handler (never shown as an error box).
TEST_F(ScriptedUserTest, UnansweredMessageBoxFailsWithItsText) {
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  dialog->Btn_ok->OnClick = [](TObject&) {
    Application().MessageBox("Not enough space\ron drive C:", "velmor-kit");
  };
  backend.User().Click("dialog", "Btn_ok").Click("dialog", "Btn_cancel");
  try {
    dialog->ShowModal();
    FAIL() << "no failure";
  } catch (const ScriptError& error) {
    EXPECT_THAT(error.what(), HasSubstr("\"Not enough space\\ron drive C:\""));
    EXPECT_THAT(error.what(), HasSubstr("the next action is: click Btn_cancel on dialog"));
  }
  EXPECT_EQ(backend.MessageBoxes().size(), 1u);
}

TEST_F(ScriptedUserTest, AnswerMustMatchTheBoxTextAndButtons) {
  for (auto [prefix, button, mention] :
       {std::tuple{"Disk", ModalResult::kOk, "expected one starting with \"Disk\""},
        std::tuple{"", ModalResult::kYes, "has no button Yes"}}) {
    HeadlessBackend fresh;
    fresh.User().Answer(button, prefix);
    TApplication app(fresh);
    EXPECT_THAT(
        [&] {
          try {
            app.MessageBox("Insert the next disk", "velmor-kit", MessageButtons::kOkCancel);
          } catch (const ScriptError& error) {
            throw std::runtime_error(error.what());
          }
        },
        ::testing::ThrowsMessage<std::runtime_error>(HasSubstr(mention)));
  }
}

// Standing answers serve unattended runs: boxes the queue does not answer.
TEST_F(ScriptedUserTest, StandingAnswersAnswerWhatTheQueueDoesNot) {
  backend.User().AnswerAlways(ModalResult::kCancel, "restart");
  backend.User().AnswerAlways(ModalResult::kOk);
  backend.User().Answer(ModalResult::kOk, "first");
  EXPECT_EQ(application.MessageBox("first", "c", MessageButtons::kOkCancel), ModalResult::kOk);
  EXPECT_EQ(application.MessageBox("please restart", "c", MessageButtons::kOkCancel),
            ModalResult::kCancel);
  EXPECT_EQ(application.MessageBox("done", "c"), ModalResult::kOk);
  // Cancel does not fit an OK-only box: the next rule answers.
  EXPECT_EQ(application.MessageBox("restart failed", "c"), ModalResult::kOk);
}

// Typing, picking and keys act on the controls as a user would.
TEST_F(ScriptedUserTest, TypePickAndKeysChangeTheControls) {
  class Page : public TForm {
   public:
    Page() : TForm("leader") {
      Edt_verz = Add<TEdit>("Edt_verz");
      Edt_verz->SetMaxLength(8);
      cf_min = Add<TRadioButton>("cf_min");
      Opt_1 = Add<TCheckBox>("Opt_1");
      Btn_weiter = Add<TButton>("Btn_weiter");
      Btn_weiter->SetDefault(true);
      Btn_weiter->SetModalResult(ModalResult::kOk);
      Edt_verz->OnKeyDown = [this](TObject&, std::uint16_t& key, TShiftState) {
        if (key == kKeyEscape) escapes++;
      };
    }
    TEdit* Edt_verz;
    TRadioButton* cf_min;
    TCheckBox* Opt_1;
    TButton* Btn_weiter;
    int escapes = 0;
  };
  Page* page = nullptr;
  application.CreateForm(page);
  backend.User()
      .Type("leader", "Edt_verz", "C:\\Programme\\Demo")
      .PressKey("leader", "Edt_verz", kKeyEscape)
      .Pick("leader", "cf_min")
      .Pick("leader", "Opt_1")
      .Pick("leader", "Opt_1")  // already ticked: stays ticked
      .PressKey("leader", "Edt_verz", kKeyReturn);
  EXPECT_EQ(page->ShowModal(), ModalResult::kOk);
  EXPECT_EQ(page->Edt_verz->Text(), "C:\\Progr");
  EXPECT_EQ(page->escapes, 1);
  EXPECT_TRUE(page->cf_min->Checked());
  EXPECT_TRUE(page->Opt_1->Checked());
}

TEST_F(ScriptedUserTest, TimeAdvancesWithoutSleeping) {
  const std::uint32_t start = application.TickCount();
  for (int i = 0; i < 100; ++i) application.ProcessMessages();
  EXPECT_EQ(application.TickCount() - start, 100u);
  EXPECT_EQ(backend.ProcessMessagesCount(), 100u);
}

}  // namespace
}  // namespace vk::toolkit
