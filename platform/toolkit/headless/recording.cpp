#include "platform/toolkit/headless/recording.h"

namespace vk::toolkit::headless {

std::string_view ToString(WindowEventKind kind) {
  switch (kind) {
    case WindowEventKind::kCreated:
      return "created";
    case WindowEventKind::kShown:
      return "shown";
    case WindowEventKind::kActivated:
      return "activated";
    case WindowEventKind::kHidden:
      return "hidden";
    case WindowEventKind::kModalStarted:
      return "modal started";
    case WindowEventKind::kModalEnded:
      return "modal ended";
    case WindowEventKind::kDestroyed:
      return "destroyed";
  }
  return "?";
}

std::string_view ButtonName(ModalResult result) {
  switch (result) {
    case ModalResult::kNone:
      return "none";
    case ModalResult::kOk:
      return "OK";
    case ModalResult::kCancel:
      return "Cancel";
    case ModalResult::kAbort:
      return "Abort";
    case ModalResult::kRetry:
      return "Retry";
    case ModalResult::kIgnore:
      return "Ignore";
    case ModalResult::kYes:
      return "Yes";
    case ModalResult::kNo:
      return "No";
  }
  return "?";
}

int HeadlessTextWidth(const TFont& font, std::string_view text) {
  const int perCharacter = (font.PixelHeight() * 11 + 19) / 20;
  return static_cast<int>(text.size()) * perCharacter;
}

void RecordingCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  calls_.push_back(DrawCall{DrawKind::kDraw, MakeRect(x, y, bitmap.Width(), bitmap.Height()), 0,
                            bitmap.Source(), TSize{bitmap.Width(), bitmap.Height()}});
}

void RecordingCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  calls_.push_back(DrawCall{DrawKind::kStretchDraw, rect, 0, bitmap.Source(),
                            TSize{bitmap.Width(), bitmap.Height()}});
}

void RecordingCanvas::FillRect(const TRect& rect) {
  calls_.push_back(DrawCall{DrawKind::kFillRect, rect, brush.color, {}, {}});
}

void RecordingCanvas::TextOut(int x, int y, std::string_view text) {
  calls_.push_back(DrawCall{DrawKind::kTextOut,
                            MakeRect(x, y, TextWidth(text), font.PixelHeight()), font.color,
                            std::string(text), {}});
}

int RecordingCanvas::TextWidth(std::string_view text) { return HeadlessTextWidth(font, text); }

}  // namespace vk::toolkit::headless
