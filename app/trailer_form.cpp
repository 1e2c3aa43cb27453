#include "app/trailer_form.h"

#include "app/builtin_pictures.h"
#include "app/program.h"
#include "platform/toolkit/application.h"

namespace vk::app {

Ttrailer::Ttrailer() : TForm("trailer") {
  SetCaption("Setup");
  SetBorderStyle(toolkit::TBorderStyle::kSingle);
  SetBorderIcons(0);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(256);
  SetClientHeight(81);

  img_sp = Add<toolkit::TImage>("img_sp");
  img_sp->SetBounds(9, 11, 32, 32);
  toolkit::TBitmap icon;
  icon.LoadFromBytes(SetupIconBitmap());
  img_sp->Picture().Assign(std::move(icon));

  Lbl = Add<toolkit::TLabel>("Lbl");
  Lbl->SetBounds(55, 11, 132, 13);
  Lbl_wait = Add<toolkit::TLabel>("Lbl_wait");
  Lbl_wait->SetBounds(55, 26, 67, 13);

  pr_load = Add<toolkit::TProgressBar>("pr_load");
  pr_load->SetBounds(54, 44, 174, 16);
  pr_load->SetMin(0);
  pr_load->SetMax(100);

  OnCreate = [this](toolkit::TObject& sender) { FormCreate(sender); };
  OnActivate = [this](toolkit::TObject& sender) { FormActivate(sender); };
  // Unlike the other windows it shows as soon as it exists.
  SetVisible(true);
}

void Ttrailer::FormCreate(toolkit::TObject&) {
  const TextTable& texts = State().Description.Texts;
  Lbl_wait->SetCaption(texts[10]);
  Lbl->SetCaption("velmor-kit " + texts[1]);
}

void Ttrailer::FormActivate(toolkit::TObject&) {
  // Paint the window before the long creation of the wizard begins.
  toolkit::Application().ProcessMessages();
}

}  // namespace vk::app
