#pragma once
// Ttrailer: the small loading window shown while the other windows are
// built. It is visible from its creation; the wizard moves its bar while it
// prepares its pictures and hides it when it is done.

#include "platform/toolkit/controls.h"
#include "platform/toolkit/form.h"

namespace vk::app {

class Ttrailer : public toolkit::TForm {
 public:
  Ttrailer();

  toolkit::TImage* img_sp;
  toolkit::TLabel* Lbl;
  toolkit::TLabel* Lbl_wait;
  toolkit::TProgressBar* pr_load;  // 0 to 100

  void FormCreate(toolkit::TObject& sender);
  void FormActivate(toolkit::TObject& sender);
};

}  // namespace vk::app
