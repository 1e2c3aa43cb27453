#include "wizard/leader_form.h"

#include "app/main_form.h"
#include "app/program.h"
#include "app/trailer_form.h"
#include "app/windows.h"
#include "platform/toolkit/application.h"

namespace vk::wizard {

Tleader::Tleader() : TForm("leader") {
  SetBorderStyle(toolkit::TBorderStyle::kDialog);
  SetBorderIcons(0);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(461);
  SetClientHeight(310);
  OnCreate = [this](toolkit::TObject& sender) { FormCreate(sender); };
}

void Tleader::FormCreate(toolkit::TObject&) {
  app::SetupState& state = app::State();
  toolkit::TApplication& application = toolkit::Application();
  toolkit::Screen().SetCursor(toolkit::TCursor::kHourGlass);
  toolkit::TProgressBar* bar = app::trailer->pr_load;
  const bool compressed = state.Description.CompressionMode == 1;
  if (!compressed) bar->SetPosition(7);

  state.WizardStep = 1;
  SetCaption(state.Description.Texts[30]);

  // The wide information picture first takes the full screen width.
  app::main->i2->SetWidth(toolkit::Screen().Width());
  app::main->i2->SetHeight(toolkit::Screen().Height() * 2 / 3);

  // The wizard, information, logo and backdrop pictures, in that order.
  for (int milestone : {15, 35, 65, 90}) {
    bar->SetPosition(milestone);
    application.ProcessMessages();
  }
  bar->SetPosition(100);
  app::trailer->Hide();
  toolkit::Screen().SetCursor(toolkit::TCursor::kDefault);
}

}  // namespace vk::wizard
