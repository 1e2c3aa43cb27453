#pragma once
// Tdlg_folder: the folder browse dialog of the wizard's folder page.

#include "platform/toolkit/form.h"

namespace vk::wizard {

class Tdlg_folder : public toolkit::TForm {
 public:
  Tdlg_folder();

  void FormCreate(toolkit::TObject& sender);
};

}  // namespace vk::wizard
