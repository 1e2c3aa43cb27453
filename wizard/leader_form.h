#pragma once
// Tleader: the wizard. Created once at start, after the backdrop, the
// loading window and the abort dialog; shown modally by the backdrop's
// first activation; hidden, never destroyed, at the hand-over to the run.

#include "platform/toolkit/form.h"

namespace vk::wizard {

class Tleader : public toolkit::TForm {
 public:
  Tleader();

  void FormCreate(toolkit::TObject& sender);
};

}  // namespace vk::wizard
