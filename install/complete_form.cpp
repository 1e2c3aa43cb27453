#include "install/complete_form.h"

namespace vk::install {

Tcomplete::Tcomplete() : TForm("complete") {
  SetCaption("velmor-kit");
  SetBorderStyle(toolkit::TBorderStyle::kDialog);
  SetBorderIcons(0);
  SetPosition(toolkit::TPosition::kScreenCenter);
  SetClientWidth(312);
  SetClientHeight(101);
}

}  // namespace vk::install
