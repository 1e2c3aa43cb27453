#pragma once
// Tcopying: the installation run with its progress. Its caption is the
// product's name once the run has begun.

#include "platform/toolkit/form.h"

namespace vk::install {

class Tcopying : public toolkit::TForm {
 public:
  Tcopying();
};

}  // namespace vk::install
