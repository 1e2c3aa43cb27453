#pragma once
// Colours, fonts, rectangles, bitmaps, pictures and the canvas that paint
// handlers draw on. Nothing here knows a backend: a bitmap is decoded into
// plain pixels by the model, so every backend shows the same picture and the
// headless one can measure it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace vk::toolkit {

// A colour in the platform's form: red + 256 * green + 65536 * blue, as
// setup.inf writes them. Values with the top bit set name a system colour
// (the button face, the window, the active caption), which the backend
// resolves with ResolveColor.
using TColor = std::int32_t;

constexpr TColor MakeColor(int red, int green, int blue) {
  return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(TColor color) { return color & 0xFF; }
constexpr int GreenOf(TColor color) { return (color >> 8) & 0xFF; }
constexpr int BlueOf(TColor color) { return (color >> 16) & 0xFF; }

inline constexpr TColor kColorBlack = MakeColor(0, 0, 0);
inline constexpr TColor kColorWhite = MakeColor(255, 255, 255);
inline constexpr TColor kColorNavy = MakeColor(0, 0, 128);
inline constexpr TColor kColorBlue = MakeColor(0, 0, 255);
inline constexpr TColor kColorSilver = MakeColor(192, 192, 192);
inline constexpr TColor kColorGray = MakeColor(128, 128, 128);
inline constexpr TColor kColorRed = MakeColor(255, 0, 0);
inline constexpr TColor kColorGreen = MakeColor(0, 128, 0);
inline constexpr TColor kColorYellow = MakeColor(255, 255, 0);

// System colours.
inline constexpr TColor kColorButtonFace = static_cast<TColor>(0x8000000F);
inline constexpr TColor kColorButtonText = static_cast<TColor>(0x80000012);
inline constexpr TColor kColorWindow = static_cast<TColor>(0x80000005);
inline constexpr TColor kColorWindowText = static_cast<TColor>(0x80000008);
inline constexpr TColor kColorActiveCaption = static_cast<TColor>(0x80000002);
inline constexpr TColor kColorHighlight = static_cast<TColor>(0x8000000D);
inline constexpr TColor kColorHighlightText = static_cast<TColor>(0x8000000E);
inline constexpr TColor kColorGrayText = static_cast<TColor>(0x80000011);

// The plain colour a system colour stands for (a classic grey desktop);
// plain colours come back unchanged.
TColor ResolveColor(TColor color);

struct TPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;  // exclusive
  int bottom = 0;  // exclusive
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect MakeRect(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}

struct TFont {
  std::string name = "MS Sans Serif";
  // Size in points; used when height is 0.
  int size = 8;
  // Height of the characters in pixels; 0 means: take it from size.
  int height = 0;
  TColor color = kColorWindowText;
  bool bold = false;
  bool italic = false;
  bool underline = false;

  // Character height in pixels on a 96-dpi screen.
  int PixelHeight() const { return height != 0 ? (height < 0 ? -height : height) : size * 96 / 72; }
  friend bool operator==(const TFont&, const TFont&) = default;
};

// The toolkit's picture errors.
class EInvalidGraphic : public vk::platform::Exception {
 public:
  using vk::platform::Exception::Exception;
};

// A bitmap decoded into 32-bit pixels, top row first. Each pixel is
// 0xAARRGGBB; alpha is 255 except where a 32-bit file carried real
// transparency.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, std::uint32_t fill = 0xFF000000u);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  std::uint32_t Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
  void SetPixel(int x, int y, std::uint32_t argb) { pixels_[Index(x, y)] = argb; }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  // Where the bitmap was loaded from, as the program named it; empty for a
  // bitmap made in memory. Recordings of draw calls show it.
  const std::string& Source() const { return source_; }
  void SetSource(std::string source) { source_ = std::move(source); }

  // Reads a BMP file. The path is a Windows path when the application has a
  // machine (TApplication::SetMachine), a host path otherwise. Throws
  // vk::platform::EFOpenError when the file cannot be read and
  // EInvalidGraphic when it is not a bitmap this toolkit decodes.
  void LoadFromFile(std::string_view path);
  // Decodes BMP file bytes (file header included).
  void LoadFromBytes(std::string_view bytes);

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
  std::string source_;
};

// What an image control shows: empty, or one bitmap. Loading chooses the
// reader by the file's extension; a missing reader for the extension is an
// EInvalidGraphic ("Unknown picture file extension (.xyz)").
class TPicture {
 public:
  bool Empty() const { return !bitmap_; }
  int Width() const { return bitmap_ ? bitmap_->Width() : 0; }
  int Height() const { return bitmap_ ? bitmap_->Height() : 0; }
  // Shared so that a backend can keep the decoded image while it is shown.
  const std::shared_ptr<const TBitmap>& Bitmap() const { return bitmap_; }

  void LoadFromFile(std::string_view path);
  void Assign(TBitmap bitmap);
  void Assign(std::shared_ptr<const TBitmap> bitmap);
  void Clear();

  // Called after every change; the owning image control hooks it.
  std::function<void()> OnChange;

 private:
  void Changed();
  std::shared_ptr<const TBitmap> bitmap_;
};

// A reader for pictures of one file extension (lower case, with the dot:
// ".png"). The BMP reader is built in; a backend may add more.
using PictureReader = std::function<TBitmap(const std::string& hostPath)>;
void RegisterPictureReader(std::string extension, PictureReader reader);

struct TBrush {
  TColor color = kColorWhite;
};

// The surface a paint handler draws on, in client coordinates of the form.
// It is valid while the handler runs.
class TCanvas {
 public:
  virtual ~TCanvas() = default;

  TBrush brush;
  TFont font;

  // The bitmap unscaled with its top left corner at (x, y).
  virtual void Draw(int x, int y, const TBitmap& bitmap) = 0;
  // The bitmap scaled to fill the rectangle.
  virtual void StretchDraw(const TRect& rect, const TBitmap& bitmap) = 0;
  // The rectangle in the brush colour.
  virtual void FillRect(const TRect& rect) = 0;
  // Text in the font, its top left corner at (x, y), on a transparent
  // background.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual int TextWidth(std::string_view text) = 0;
};

}  // namespace vk::toolkit
