#include "install/copying_form.h"

namespace vk::install {

Tcopying::Tcopying() : TForm("copying") {
  SetBorderStyle(toolkit::TBorderStyle::kDialog);
  SetBorderIcons(0);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(398);
  SetClientHeight(97);
}

}  // namespace vk::install
