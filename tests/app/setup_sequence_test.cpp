// The entry point: the seven windows in their order, the loading window,
// the hand-on to the wizard, and the two start-up failures.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_form.h"
#include "app/program.h"
#include "app/trailer_form.h"
#include "app/windows.h"
#include "install/abort_dialog.h"
#include "install/complete_form.h"
#include "install/copying_form.h"
#include "tests/app/setup_run.h"
#include "wizard/folder_dialog.h"
#include "wizard/leader_form.h"

namespace vk::app::testing {
namespace {

using toolkit::ModalResult;
using toolkit::headless::WindowEvent;
using toolkit::headless::WindowEventKind;
using ::testing::ElementsAre;

class SetupSequence : public SetupRun {
 protected:
  // Where the first event of kind for form stands in the recording.
  std::ptrdiff_t IndexOf(WindowEventKind kind, const std::string& form) {
    const auto& events = backend.WindowEvents();
    auto found = std::find(events.begin(), events.end(), WindowEvent{kind, form});
    EXPECT_NE(found, events.end()) << ToString(kind) << " " << form;
    return found - events.begin();
  }
};

TEST_F(SetupSequence, CreatesTheSevenWindowsInTheirOrder) {
  WriteSetupInf();
  EXPECT_EQ(RunAndLook([] {}), 0);
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kCreated),
              ElementsAre("main", "trailer", "abbruch", "leader", "copying", "complete",
                          "dlg_folder"));
}

TEST_F(SetupSequence, TheLoadingWindowShowsWhileTheWizardIsBuiltThenTheBackdropShowsTheWizard) {
  WriteSetupInf();
  EXPECT_EQ(RunAndLook([] {}), 0);
  // The loading window is up before the wizard is built and gone before
  // the backdrop appears; the backdrop's activation starts the wizard.
  EXPECT_LT(IndexOf(WindowEventKind::kShown, "trailer"), IndexOf(WindowEventKind::kCreated, "leader"));
  EXPECT_LT(IndexOf(WindowEventKind::kCreated, "dlg_folder"), IndexOf(WindowEventKind::kShown, "main"));
  EXPECT_LT(IndexOf(WindowEventKind::kHidden, "trailer"), IndexOf(WindowEventKind::kShown, "main"));
  EXPECT_LT(IndexOf(WindowEventKind::kActivated, "main"),
            IndexOf(WindowEventKind::kModalStarted, "leader"));
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kModalStarted), ElementsAre("leader"));
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kShown), ElementsAre("trailer", "main", "leader"));
}

TEST_F(SetupSequence, TheLoadingWindowReadsItsTextsAndItsBarRisesToTheEnd) {
  WriteSetupInf();
  EXPECT_EQ(RunAndLook([] {
              EXPECT_EQ(trailer->Lbl->Caption(), "velmor-kit loading data.");
              EXPECT_EQ(trailer->Lbl_wait->Caption(), "Please wait...");
              EXPECT_EQ(trailer->pr_load->Position(), 100);
              EXPECT_FALSE(trailer->Visible());
            }),
            0);
  // Uncompressed and without pictures the bar jumps through its milestones.
  EXPECT_THAT(backend.LoadingBarPositions(), ElementsAre(7, 15, 35, 65, 90, 100));
}

TEST_F(SetupSequence, EachWindowHasItsCaptionAndClientSize) {
  WriteSetupInf();
  RunAndLook([] {
    struct Expected {
      toolkit::TForm* form;
      std::string caption;
      int width, height;
    };
    const Expected windows[] = {
        {trailer, "Setup", 256, 81},
        {abbruch, "Velmor-kit", 287, 83},
        {leader, "Welcome to the Sample Viewer setup", 461, 310},
        {copying, "", 398, 97},
        {complete, "velmor-kit", 312, 101},
        {dlg_folder, "Choose a folder", 320, 206},
    };
    for (const Expected& window : windows) {
      SCOPED_TRACE(window.form->Name());
      EXPECT_EQ(window.form->Caption(), window.caption);
      EXPECT_EQ(window.form->ClientWidth(), window.width);
      EXPECT_EQ(window.form->ClientHeight(), window.height);
    }
    EXPECT_EQ(main->Caption(), "SETUP-Assistent");
    EXPECT_TRUE(leader->Modal());
    EXPECT_EQ(toolkit::Application().Title(), "Setup");
    EXPECT_EQ(toolkit::Application().MainForm(), main);
  });
}

TEST_F(SetupSequence, OnlyTheBackdropsFirstActivationShowsTheWizard) {
  WriteSetupInf("[main]\r\nshow=0\r\n");
  RunAndLook([] {
    // The user restores the minimised backdrop while the wizard runs.
    main->SetWindowState(toolkit::TWindowState::kNormal);
    main->OnActivate(*main);
    EXPECT_EQ(main->WindowState(), toolkit::TWindowState::kNormal);
    EXPECT_TRUE(leader->Modal());
  });
  EXPECT_TRUE(backend.MessageBoxes().empty());
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kModalStarted), ElementsAre("leader"));
}

TEST_F(SetupSequence, TheStartUpReadFillsTheState) {
  WriteSetupInf("[directories]\r\nd0=C:\\Applications\\Viewer\r\n[software]\r\nprggrp=Viewer\r\n");
  RunAndLook([] {
    const SetupState& state = State();
    EXPECT_EQ(state.SourceFolder, "D:\\") << "a program at the medium's root";
    EXPECT_EQ(state.TargetFolder, "C:\\Applications\\Viewer");
    EXPECT_EQ(state.ProgramGroup, "Viewer");
    EXPECT_TRUE(state.DescriptionLoaded);
    EXPECT_FALSE(state.GroupItemsCreated);
    EXPECT_EQ(state.WizardStep, 1);
    ASSERT_NE(state.StartReader, nullptr);
  });
}

TEST_F(SetupSequence, EndingTheProgramClearsTheWindowReferences) {
  WriteSetupInf();
  EXPECT_EQ(RunAndLook([] {}), 0);
  EXPECT_EQ(main, nullptr);
  EXPECT_EQ(leader, nullptr);
  EXPECT_EQ(dlg_folder, nullptr);
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kDestroyed),
              ElementsAre("dlg_folder", "complete", "copying", "leader", "abbruch", "trailer",
                          "main"));
}

struct StartUpFailure {
  const char* name;
  const char* setupInf;  // null: no setup.inf at all
  const char* message;
};

class SetupStartUpFailure : public SetupRun,
                            public ::testing::WithParamInterface<StartUpFailure> {};

TEST_P(SetupStartUpFailure, ShowsOnlyItsMessageAndEndsWithExitCodeZero) {
  if (GetParam().setupInf != nullptr) WriteMediumFile("setup.inf", GetParam().setupInf);
  backend.User().Answer(ModalResult::kOk);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  const auto& box = backend.MessageBoxes()[0];
  EXPECT_EQ(box.text, GetParam().message);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.icon, toolkit::MessageIcon::kError);
  EXPECT_EQ(box.buttons, toolkit::MessageButtons::kOk);
  // No other window was made, none was shown.
  EXPECT_THAT(backend.FormsWith(WindowEventKind::kCreated), ElementsAre("main"));
  EXPECT_TRUE(backend.FormsWith(WindowEventKind::kShown).empty());
}

INSTANTIATE_TEST_SUITE_P(
    , SetupStartUpFailure,
    ::testing::Values(
        StartUpFailure{"Missing", nullptr,
                       "File setup.inf not found.\rAsk your software-distributor for help."},
        StartUpFailure{"Version3",
                       "[velmor-kit]\r\nversionname=velmor-kit\r\nversion=3\r\nsubversion=0\r\n",
                       "There is a conflict with version of file setup.inf.\r"
                       "Ask your software-distributor for help."},
        StartUpFailure{"NameInOtherCase",
                       "[velmor-kit]\r\nversionname=Velmor-Kit\r\nversion=2\r\nsubversion=0\r\n",
                       "There is a conflict with version of file setup.inf.\r"
                       "Ask your software-distributor for help."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk::app::testing
