#include "install/abort_dialog.h"

namespace vk::install {

Tabbruch::Tabbruch() : TForm("abbruch") {
  SetBorderStyle(toolkit::TBorderStyle::kDialog);
  // The close box counts as cancel.
  SetBorderIcons(toolkit::kBorderIconSystemMenu);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(287);
  SetClientHeight(83);
  OnCreate = [this](toolkit::TObject& sender) { FormCreate(sender); };
}

void Tabbruch::FormCreate(toolkit::TObject&) { SetCaption("Velmor-kit"); }

}  // namespace vk::install
