#pragma once
// What the headless backend records for assertions: the window events in
// order, every message box with its answer, and the draw calls of every
// paint.

#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/application.h"
#include "platform/toolkit/graphics.h"

namespace vk::toolkit::headless {

enum class WindowEventKind {
  kCreated,       // the form exists; its creation handler follows
  kShown,         // visible (before its activation)
  kActivated,     // became the active window
  kHidden,
  kModalStarted,  // its modal display began
  kModalEnded,    // its modal display ended, with result
  kDestroyed,
};
std::string_view ToString(WindowEventKind kind);
// "OK", "Cancel", ... for messages.
std::string_view ButtonName(ModalResult result);

struct WindowEvent {
  WindowEventKind kind;
  std::string form;
  ModalResult result = ModalResult::kNone;  // for kModalEnded
  friend bool operator==(const WindowEvent&, const WindowEvent&) = default;
};

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
  ModalResult answer = ModalResult::kNone;
};

enum class DrawKind { kDraw, kStretchDraw, kFillRect, kTextOut };

struct DrawCall {
  DrawKind kind;
  // kDraw: the bitmap's place at its own size; kStretchDraw, kFillRect:
  // the rectangle; kTextOut: the text's place and measured size.
  TRect rect;
  // kFillRect: the brush colour; kTextOut: the font colour.
  TColor color = 0;
  // kDraw, kStretchDraw: the bitmap's source (empty for one made in
  // memory); kTextOut: the text.
  std::string text;
  // kDraw, kStretchDraw: the bitmap's size.
  TSize bitmapSize;
};

// The draw calls of one run of a form's paint handler.
struct PaintRecord {
  std::string form;
  std::vector<DrawCall> calls;
};

// Text widths of the headless backend: every character as wide as 11/20 of
// the font's pixel height, rounded up.
int HeadlessTextWidth(const TFont& font, std::string_view text);

class RecordingCanvas : public TCanvas {
 public:
  void Draw(int x, int y, const TBitmap& bitmap) override;
  void StretchDraw(const TRect& rect, const TBitmap& bitmap) override;
  void FillRect(const TRect& rect) override;
  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;

  const std::vector<DrawCall>& Calls() const { return calls_; }
  std::vector<DrawCall> TakeCalls() { return std::move(calls_); }

 private:
  std::vector<DrawCall> calls_;
};

}  // namespace vk::toolkit::headless
