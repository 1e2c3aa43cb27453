// Controls: handlers that run on changes the program makes, value ranges,
// keys and focus.

#include <gtest/gtest.h>

#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::HeadlessBackend;
using testing::Dialog;

class Choices : public TForm {
 public:
  Choices() : TForm("choices") {
    Frame = Add<TPanel>("Frame");
    for (const char* name : {"cf_standard", "cf_min", "cf_custom"}) {
      TRadioButton* radio = Add<TRadioButton>(name, Frame);
      radio->OnClick = [this, radio](TObject&) { clicks.push_back(radio->Name()); };
      radios.push_back(radio);
    }
    // A second group on another parent is independent of the first.
    Other = Add<TRadioButton>("other");
    Other->OnClick = [this](TObject&) { clicks.push_back("other"); };
    Opt_1 = Add<TCheckBox>("Opt_1");
    Opt_1->OnClick = [this](TObject&) {
      clicks.push_back(std::string("Opt_1=") + (Opt_1->Checked() ? "1" : "0"));
    };
  }
  TPanel* Frame;
  std::vector<TRadioButton*> radios;
  TRadioButton* Other;
  TCheckBox* Opt_1;
  std::vector<std::string> clicks;
};

class ControlsTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  TApplication application{backend};
};

// A radio button runs its click handler when it becomes checked, also by the
// program, and clears its siblings without running theirs; a check box runs
// it on every change of state; setting the state it has is no change.
TEST_F(ControlsTest, RadioAndCheckHandlersRunOnProgrammaticChanges) {
  Choices* form = nullptr;
  application.CreateForm(form);
  struct Step {
    const char* why;
    std::function<void()> change;
    std::vector<std::string> clicks;
  };
  const std::vector<Step> steps = {
      {"select", [&] { form->radios[0]->SetChecked(true); }, {"cf_standard"}},
      {"select again: no change", [&] { form->radios[0]->SetChecked(true); }, {}},
      {"select a sibling", [&] { form->radios[2]->SetChecked(true); }, {"cf_custom"}},
      {"uncheck: no handler", [&] { form->radios[2]->SetChecked(false); }, {}},
      {"other group", [&] { form->Other->SetChecked(true); }, {"other"}},
      {"tick", [&] { form->Opt_1->SetChecked(true); }, {"Opt_1=1"}},
      {"tick again: no change", [&] { form->Opt_1->SetChecked(true); }, {}},
      {"untick", [&] { form->Opt_1->SetChecked(false); }, {"Opt_1=0"}},
  };
  for (const Step& step : steps) {
    form->clicks.clear();
    step.change();
    EXPECT_EQ(form->clicks, step.clicks) << step.why;
  }
}

TEST_F(ControlsTest, CheckingARadioButtonClearsOnlyItsOwnGroup) {
  Choices* form = nullptr;
  application.CreateForm(form);
  form->Other->SetChecked(true);
  form->radios[0]->SetChecked(true);
  form->radios[1]->SetChecked(true);
  EXPECT_FALSE(form->radios[0]->Checked());
  EXPECT_TRUE(form->radios[1]->Checked());
  EXPECT_TRUE(form->Other->Checked());
}

// A hidden radio button can still be the selected one.
TEST_F(ControlsTest, HiddenRadioButtonCanBeSelected) {
  Choices* form = nullptr;
  application.CreateForm(form);
  form->radios[0]->Hide();
  form->radios[0]->SetChecked(true);
  EXPECT_TRUE(form->radios[0]->Checked());
  EXPECT_FALSE(form->radios[0]->Showing());
}

TEST_F(ControlsTest, GaugeAndProgressBarKeepTheirValueInRange) {
  struct Case {
    int set;
    int expected;
    int percent;
  };
  TForm form("bars");
  TGauge* gauge = form.Add<TGauge>("Pr_o");
  TProgressBar* bar = form.Add<TProgressBar>("pr_load");
  for (const Case& c : {Case{-5, 0, 0}, Case{37, 37, 37}, Case{100, 100, 100}, Case{250, 100, 100}}) {
    gauge->SetProgress(c.set);
    bar->SetPosition(c.set);
    EXPECT_EQ(gauge->Progress(), c.expected) << c.set;
    EXPECT_EQ(gauge->PercentDone(), c.percent) << c.set;
    EXPECT_EQ(bar->Position(), c.expected) << c.set;
  }
  gauge->SetMaxValue(400);
  gauge->SetProgress(100);
  EXPECT_EQ(gauge->PercentDone(), 25);
}

// Keys: the control's key-down handler first (it can swallow the key), then
// Enter clicks the focused button or else the default button, Escape the
// cancel button; a button's modal result reaches the form before its click
// handler runs.
TEST_F(ControlsTest, KeysReachHandlerThenDefaultAndCancelButtons) {
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  std::vector<std::string> seen;
  ModalResult resultInHandler = ModalResult::kNone;
  dialog->Btn_ok->OnClick = [&](TObject&) {
    seen.push_back("ok");
    resultInHandler = dialog->GetModalResult();
  };
  dialog->Btn_cancel->OnClick = [&](TObject&) { seen.push_back("cancel"); };
  dialog->Edt->OnKeyDown = [&](TObject&, std::uint16_t& key, TShiftState) {
    seen.push_back("key " + std::to_string(key));
    if (key == 'X') key = 0;
  };
  dialog->Show();
  dialog->Edt->SetFocus();
  EXPECT_TRUE(dialog->KeyDown(nullptr, 'X'));
  EXPECT_TRUE(dialog->KeyDown(nullptr, kKeyReturn));
  EXPECT_EQ(resultInHandler, ModalResult::kOk);
  EXPECT_TRUE(dialog->KeyDown(nullptr, kKeyEscape));
  dialog->Btn_cancel->SetFocus();
  EXPECT_TRUE(dialog->KeyDown(nullptr, kKeyReturn));  // the focused button, not the default
  dialog->Btn_cancel->SetCancel(false);
  EXPECT_FALSE(dialog->KeyDown(dialog->Edt, kKeyEscape));
  EXPECT_EQ(seen, (std::vector<std::string>{"key 88", "key 13", "ok", "key 27", "cancel",
                                            "cancel", "key 27"}));
}

// A disabled or hidden default button is not pressed by Enter.
TEST_F(ControlsTest, EnterIgnoresDisabledDefaultButton) {
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  int clicks = 0;
  dialog->Btn_ok->OnClick = [&](TObject&) { ++clicks; };
  dialog->Show();
  dialog->Edt->SetFocus();
  dialog->Btn_ok->SetEnabled(false);
  EXPECT_FALSE(dialog->KeyDown(nullptr, kKeyReturn));
  dialog->Btn_ok->SetEnabled(true);
  dialog->Btn_ok->Hide();
  EXPECT_FALSE(dialog->KeyDown(nullptr, kKeyReturn));
  EXPECT_EQ(clicks, 0);
}

// Showing a form focuses its chosen active control, or else the first
// control that takes the focus; Tab moves along the tab stops.
TEST_F(ControlsTest, FocusOnShowAndTab) {
  Dialog* dialog = nullptr;
  application.CreateForm(dialog);
  dialog->Show();
  EXPECT_EQ(dialog->ActiveControl(), dialog->Edt);
  dialog->KeyDown(nullptr, kKeyTab);
  EXPECT_EQ(dialog->ActiveControl(), dialog->Btn_ok);
  dialog->KeyDown(nullptr, kKeyTab, kShiftShift);
  EXPECT_EQ(dialog->ActiveControl(), dialog->Edt);
  dialog->Hide();
  dialog->SetActiveControl(dialog->Btn_cancel);
  dialog->Show();
  EXPECT_EQ(dialog->ActiveControl(), dialog->Btn_cancel);
}

TEST_F(ControlsTest, EditRunsOnChangeForEveryChangeOfText) {
  TForm form("f");
  TEdit* edit = form.Add<TEdit>("Edt_verz");
  int changes = 0;
  edit->OnChange = [&](TObject&) { ++changes; };
  edit->SetText("C:\\a");
  edit->SetText("C:\\a");
  edit->SetText("C:\\b");
  EXPECT_EQ(changes, 2);
}

// Fonts come from the parent until the control gets its own; a control
// aligned to the client area follows its parent's size.
TEST_F(ControlsTest, ParentFontAndClientAlignment) {
  TForm form("f");
  TFont arial;
  arial.name = "Arial";
  arial.height = 21;
  arial.bold = true;
  form.SetFont(arial);
  TPanel* panel = form.Add<TPanel>("panel");
  TLabel* label = form.Add<TLabel>("label", panel);
  EXPECT_EQ(label->Font().name, "Arial");
  TFont own = label->Font();
  own.color = kColorSilver;
  label->SetFont(own);
  arial.name = "Times New Roman";
  form.SetFont(arial);
  EXPECT_EQ(label->Font().name, "Arial");
  EXPECT_EQ(label->Font().color, kColorSilver);
  EXPECT_EQ(label->Font().PixelHeight(), 21);

  TImage* image = form.Add<TImage>("i1");
  image->SetAlign(TAlign::kClient);
  form.SetBounds(0, 0, 1023, 767);
  EXPECT_EQ(image->BoundsRect(), MakeRect(0, 0, 1023, 767));
}

TEST_F(ControlsTest, ControlNamesAreUniqueInAForm) {
  TForm form("f");
  form.Add<TLabel>("Lbl_1");
  EXPECT_THROW(form.Add<TButton>("Lbl_1"), std::logic_error);
  EXPECT_EQ(form.Find<TLabel>("Lbl_1")->Name(), "Lbl_1");
  EXPECT_EQ(form.Find<TButton>("Lbl_1"), nullptr);
}

}  // namespace
}  // namespace vk::toolkit
