// The application object: creation order, creation handlers, the window
// sequence of shown, activated and modal forms, and ending.

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/exception.h"
#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::HeadlessBackend;
using headless::ScriptError;
using headless::WindowEventKind;
using testing::Dialog;
using testing::LoggingForm;

class ApplicationTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  std::vector<std::string> log;
};

// The forms exist in creation order; each creation handler runs inside its
// creation step, after the program-wide reference is set, so a later form's
// handler can use the earlier forms.
TEST_F(ApplicationTest, CreatesFormsInOrderAndRunsCreationHandlersWithReferencesSet) {
  LoggingForm* first = nullptr;
  LoggingForm* second = nullptr;
  TApplication application(backend);
  application.SetTitle("Setup");
  bool referenceSetInHandler = false;
  application.CreateForm(first, "main", log);
  application.CreateForm(second, "trailer", log);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(application.MainForm(), first);
  EXPECT_EQ(application.Forms(), (std::vector<TForm*>{first, second}));
  EXPECT_EQ(log, (std::vector<std::string>{"main.Create", "trailer.Create"}));

  class Reader : public TForm {
   public:
    Reader(LoggingForm*& earlier, Reader*& self, bool& seen) : TForm("reader") {
      OnCreate = [&earlier, &self, &seen, this](TObject&) {
        seen = self == this && earlier != nullptr && earlier->Name() == "main";
      };
    }
  };
  Reader* reader = nullptr;
  application.CreateForm(reader, first, reader, referenceSetInHandler);
  EXPECT_TRUE(referenceSetInHandler);
  EXPECT_EQ(backend.FormsWith(WindowEventKind::kCreated),
            (std::vector<std::string>{"main", "trailer", "reader"}));
}

// An exception from a creation handler goes to the standard handler (a
// message box with the title and the error icon); the form still exists and
// the next form is created.
TEST_F(ApplicationTest, ExceptionInCreationHandlerIsShownAndCreationGoesOn) {
  backend.User().Answer(ModalResult::kOk);
  TApplication application(backend);
  application.SetTitle("Setup");
  LoggingForm* first = nullptr;
  LoggingForm* next = nullptr;
  application.CreateForm(first, "main", log);
  class Throwing : public TForm {
   public:
    Throwing() : TForm("throwing") {
      OnCreate = [](TObject&) { throw vk::platform::Exception("Bad checksum"); };
    }
  };
  Throwing* throwing = nullptr;
  application.CreateForm(throwing);
  application.CreateForm(next, "copying", log);
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(backend.MessageBoxes()[0].text, "Bad checksum");
  EXPECT_EQ(backend.MessageBoxes()[0].caption, "Setup");
  EXPECT_EQ(backend.MessageBoxes()[0].icon, MessageIcon::kError);
  EXPECT_EQ(application.Forms().size(), 3u);
  EXPECT_EQ(log.back(), "copying.Create");
}

// A form made visible in its constructor appears right after its creation
// handler and is activated at once; Run then shows the main form.
TEST_F(ApplicationTest, VisibleFormIsShownAfterCreationAndRunShowsTheMainForm) {
  backend.User().Do("end", [](TApplication& application) { application.Terminate(); });
  TApplication application(backend);
  LoggingForm* main = nullptr;
  LoggingForm* trailer = nullptr;
  application.CreateForm(main, "main", log);
  class Visible : public LoggingForm {
   public:
    explicit Visible(std::vector<std::string>& log) : LoggingForm("trailer", log) { Show(); }
  };
  Visible* visible = nullptr;
  application.CreateForm(visible, log);
  trailer = visible;
  EXPECT_TRUE(trailer->Visible());
  EXPECT_EQ(log, (std::vector<std::string>{"main.Create", "trailer.Create", "trailer.Show",
                                           "trailer.Activate"}));
  trailer->Hide();
  application.Run();
  EXPECT_TRUE(main->Visible());
  EXPECT_EQ(log.back(), "main.Activate");
}

// Modal displays nest inside the handlers that open them; Terminate ends
// every one of them, innermost first, and then the message loop, without
// activating the forms beneath again; the forms are destroyed last created
// first.
TEST_F(ApplicationTest, TerminateEndsEveryNestedModalDisplayAndTheMessageLoop) {
  LoggingForm* main = nullptr;
  LoggingForm* leader = nullptr;
  LoggingForm* copying = nullptr;
  LoggingForm* complete = nullptr;
  std::vector<ModalResult> results;
  {
    TApplication application(backend);
    application.CreateForm(main, "main", log);
    application.CreateForm(leader, "leader", log);
    application.CreateForm(copying, "copying", log);
    application.CreateForm(complete, "complete", log);
    main->activate = [&] { results.push_back(leader->ShowModal()); };
    leader->activate = [&] { results.push_back(copying->ShowModal()); };
    copying->activate = [&] { results.push_back(complete->ShowModal()); };
    backend.User().Do("OK on the completion dialog",
                      [](TApplication& application) { application.Terminate(); });
    log.clear();
    application.Run();
    EXPECT_TRUE(application.Terminated());
    EXPECT_TRUE(application.ModalForms().empty());
    EXPECT_FALSE(leader->Visible());
    EXPECT_FALSE(copying->Visible());
    EXPECT_FALSE(complete->Visible());
  }
  EXPECT_EQ(results, (std::vector<ModalResult>(3, ModalResult::kCancel)));
  EXPECT_EQ(backend.FormsWith(WindowEventKind::kModalEnded),
            (std::vector<std::string>{"complete", "copying", "leader"}));
  EXPECT_EQ(backend.FormsWith(WindowEventKind::kDestroyed),
            (std::vector<std::string>{"complete", "copying", "leader", "main"}));
  EXPECT_EQ(log.back(), "main.Destroy");
}

// A modal display shows its form, runs the activation, and only then clears
// the modal result and loops: a result given during the activation has no
// lasting effect, one given in the loop ends it. When the nested display
// ends, the form beneath is activated again.
TEST_F(ApplicationTest, ModalResultIsClearedAfterActivationAndTheFormBeneathIsReactivated) {
  TApplication application(backend);
  LoggingForm* main = nullptr;
  Dialog* dialog = nullptr;
  application.CreateForm(main, "main", log);
  application.CreateForm(dialog);
  int activations = 0;
  dialog->OnActivate = [&](TObject&) {
    ++activations;
    dialog->SetModalResult(ModalResult::kAbort);  // as a click during a long activation
  };
  // The main form is activated again when the dialog closes, inside
  // ShowModal: a flag set before the call keeps it from opening the dialog
  // twice.
  ModalResult result = ModalResult::kNone;
  bool opened = false;
  main->activate = [&] {
    if (opened) return;
    opened = true;
    result = dialog->ShowModal();
  };
  backend.User().Type("dialog", "Edt", "text").Click("dialog", "Btn_ok").Do(
      "end", [](TApplication& application) { application.Terminate(); });
  application.Run();
  EXPECT_EQ(result, ModalResult::kOk);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(dialog->Edt->Text(), "text");
  const std::vector<std::string> activated = backend.FormsWith(WindowEventKind::kActivated);
  EXPECT_EQ(activated, (std::vector<std::string>{"main", "dialog", "main"}));
}

// A form hidden during its own modal display leaves no window active, so the
// form beneath is not activated (and does not reopen what its activation
// opens); the loop goes on until its result or the end.
TEST_F(ApplicationTest, HidingTheRunningModalFormActivatesNothingBeneath) {
  TApplication application(backend);
  LoggingForm* main = nullptr;
  LoggingForm* leader = nullptr;
  LoggingForm* copying = nullptr;
  application.CreateForm(main, "main", log);
  application.CreateForm(leader, "leader", log);
  application.CreateForm(copying, "copying", log);
  int mainActivations = 0;
  main->activate = [&] {
    ++mainActivations;
    leader->ShowModal();
  };
  leader->activate = [&] {
    leader->Hide();
    copying->ShowModal();
  };
  backend.User()
      .Do("close copying", [&](TApplication&) { copying->SetModalResult(ModalResult::kCancel); })
      .Do("end", [](TApplication& application) { application.Terminate(); });
  application.Run();
  EXPECT_EQ(mainActivations, 1);
  EXPECT_EQ(backend.FormsWith(WindowEventKind::kActivated),
            (std::vector<std::string>{"main", "leader", "copying"}));
}

// An exception leaving an activation handler is shown; the modal display
// stays open and idle until the user closes it.
TEST_F(ApplicationTest, ExceptionInActivationIsShownAndTheModalDisplayStaysOpen) {
  TApplication application(backend);
  application.SetTitle("Setup");
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  dialog->OnActivate = [](TObject&) { throw std::runtime_error("Stream read error"); };
  backend.User()
      .Answer(ModalResult::kOk, "Stream read error")
      .Click("dialog", "Btn_cancel");
  EXPECT_EQ(dialog->ShowModal(), ModalResult::kCancel);
  EXPECT_TRUE(backend.User().Finished());
}

TEST_F(ApplicationTest, ShowModalOfAVisibleFormIsRefused) {
  TApplication application(backend);
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  dialog->Show();
  EXPECT_THROW(dialog->ShowModal(), vk::platform::Exception);
}

// Once the application ends, a modal display asked for later is not shown,
// so no activation handler does work after the end.
TEST_F(ApplicationTest, ModalDisplayAfterTerminateIsNotShown) {
  TApplication application(backend);
  LoggingForm* late = nullptr;
  application.CreateForm(late, "late", log);
  application.Terminate();
  EXPECT_EQ(late->ShowModal(), ModalResult::kCancel);
  EXPECT_FALSE(late->Visible());
  EXPECT_EQ(log, (std::vector<std::string>{"late.Create"}));
  application.Run();  // returns at once
}

// Close: a modal form ends with Cancel, the main form ends the application,
// another form hides. The close box does nothing without a system menu.
TEST_F(ApplicationTest, CloseEndsModalDisplayHidesOrTerminates) {
  TApplication application(backend);
  LoggingForm* main = nullptr;
  Dialog* dialog = nullptr;
  Dialog* other = nullptr;
  application.CreateForm(main, "main", log);
  application.CreateForm(dialog);
  application.CreateForm(other, "other");
  dialog->SetBorderIcons(0);
  backend.User()
      .CloseWindow("dialog")  // no close box: nothing happens
      .Do("close", [&](TApplication&) { dialog->Close(); });
  EXPECT_EQ(dialog->ShowModal(), ModalResult::kCancel);
  other->Show();
  other->Close();
  EXPECT_FALSE(other->Visible());
  EXPECT_FALSE(application.Terminated());
  main->Close();
  EXPECT_TRUE(application.Terminated());
}

// The headless screen has the size the test sets; a centred form is placed
// in its middle when shown; the busy cursor is recorded.
TEST_F(ApplicationTest, ScreenSizeCentringAndBusyCursor) {
  backend.SetScreenSize(1024, 768);
  TApplication application(backend);
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  dialog->SetPosition(TPosition::kScreenCenter);
  dialog->SetClientWidth(461);
  dialog->SetClientHeight(310);
  EXPECT_EQ(Screen().Width(), 1024);
  EXPECT_EQ(Screen().Height(), 768);
  dialog->Show();
  EXPECT_EQ(dialog->Left(), (1024 - 461) / 2);
  EXPECT_EQ(dialog->Top(), (768 - 310) / 2);
  Screen().SetCursor(TCursor::kHourGlass);
  Screen().SetCursor(TCursor::kDefault);
  EXPECT_EQ(backend.CursorChanges(),
            (std::vector<TCursor>{TCursor::kHourGlass, TCursor::kDefault}));
}

TEST_F(ApplicationTest, ApplicationIsReachableWhileItLives) {
  EXPECT_THROW(Application(), std::logic_error);
  {
    TApplication application(backend);
    EXPECT_EQ(&Application(), &application);
  }
  EXPECT_THROW(Application(), std::logic_error);
}

}  // namespace
}  // namespace vk::toolkit
