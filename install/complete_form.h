#pragma once
// Tcomplete: the completion dialog (ReadMe, restart).

#include "platform/toolkit/form.h"

namespace vk::install {

class Tcomplete : public toolkit::TForm {
 public:
  Tcomplete();
};

}  // namespace vk::install
