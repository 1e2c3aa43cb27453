#include "wizard/folder_dialog.h"

#include "app/program.h"

namespace vk::wizard {

Tdlg_folder::Tdlg_folder() : TForm("dlg_folder") {
  SetBorderStyle(toolkit::TBorderStyle::kDialog);
  SetBorderIcons(toolkit::kBorderIconSystemMenu);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(320);
  SetClientHeight(206);
  OnCreate = [this](toolkit::TObject& sender) { FormCreate(sender); };
}

void Tdlg_folder::FormCreate(toolkit::TObject&) { SetCaption(app::State().Description.Texts[9]); }

}  // namespace vk::wizard
