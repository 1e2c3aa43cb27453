#pragma once
// The FLTK 1.3 backend: a window per form, a widget per control at its
// place, modal loops on Fl::wait, pending messages by Fl::check, pictures
// by FLTK's image classes, texts converted from Windows-1252 to UTF-8. No
// FLTK type appears in this header.

#include <memory>

#include "platform/toolkit/backend.h"

namespace vk::toolkit::fltk {

// No X display could be opened. Its message is one line for stderr, such
// as: cannot open the X display ":7" (is an X server running?)
class DisplayUnavailable : public BackendFailure {
 public:
  using BackendFailure::BackendFailure;
};

// Opens the display named by $DISPLAY; throws DisplayUnavailable when there
// is none. One backend per process.
std::unique_ptr<Backend> MakeFltkBackend();

}  // namespace vk::toolkit::fltk
