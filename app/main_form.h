#pragma once
// Tmain: the backdrop that covers the screen behind the wizard and the
// installation run, and the application's main window. Its first
// activation shows the wizard modally.
//
// It has two faces: the title face (background, logo, three title lines)
// until the hand-over to the installation run, and the information face
// (information picture and text) from then on.
//
// The background: with [main] stretch, i1 shows the backdrop picture, or
// the built-in gradient when there is none; without stretch, the paint
// handler tiles the backdrop picture over the navy window, or i1 shows the
// gradient when there is none. The tile file is read at every repaint from
// the description's BackPicture, which the wizard points elsewhere when it
// expands a compressed backdrop.

#include "platform/toolkit/controls.h"
#include "platform/toolkit/form.h"

namespace vk::app {

class Tmain : public toolkit::TForm {
 public:
  Tmain();

  // Hides the logo and the title lines and shows the information picture
  // and text, as far as there are any: the picture centred in i2 without a
  // text, in i4 beside the text Lbl_4 with one; with neither, the title
  // face stays. The wizard calls this at the hand-over, after it loaded the
  // information picture (into i4 when there is a text, else into i2).
  void ShowInformationFace();

  // Whether the start-up read of setup.inf failed; the program then ends.
  bool StartupFailed() const { return startupFailed_; }

  toolkit::TImage* i1;  // stretched background; holds the built-in gradient
  toolkit::TImage* i2;  // information picture without a text, centred
  toolkit::TImage* i4;  // information picture beside the text
  toolkit::TImage* i3;  // logo
  toolkit::TLabel* Lbl_1;
  toolkit::TLabel* Lbl_2;
  toolkit::TLabel* Lbl_3;
  toolkit::TLabel* Lbl_4;  // information text

  void FormCreate(toolkit::TObject& sender);
  void FormActivate(toolkit::TObject& sender);
  void FormPaint(toolkit::TObject& sender);

 private:
  void SetUpFromDescription();

  bool startupFailed_ = false;
  bool wizardShown_ = false;
};

}  // namespace vk::app
