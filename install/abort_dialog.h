#pragma once
// Tabbruch: the abort confirmation, with the clean-up of a started run.

#include "platform/toolkit/form.h"

namespace vk::install {

class Tabbruch : public toolkit::TForm {
 public:
  Tabbruch();

  void FormCreate(toolkit::TObject& sender);
};

}  // namespace vk::install
