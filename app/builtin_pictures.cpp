#include "app/builtin_pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vk::app {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

void PutU16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

struct Rgb {
  std::uint8_t red, green, blue;
};

// Bottom-up rows, each padded to four bytes, as every reader expects.
std::string BitmapFile(int width, int height, int bitsPerPixel, const std::vector<Rgb>& palette,
                       const std::string& pixelRows) {
  const std::uint32_t paletteBytes = static_cast<std::uint32_t>(palette.size()) * 4;
  const std::uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
  std::string out;
  out += "BM";
  PutU32(out, dataOffset + static_cast<std::uint32_t>(pixelRows.size()));
  PutU32(out, 0);
  PutU32(out, dataOffset);
  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<std::uint32_t>(width));
  PutU32(out, static_cast<std::uint32_t>(height));
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint16_t>(bitsPerPixel));
  PutU32(out, 0);  // uncompressed
  PutU32(out, static_cast<std::uint32_t>(pixelRows.size()));
  PutU32(out, 2835);  // 72 dots per inch
  PutU32(out, 2835);
  PutU32(out, static_cast<std::uint32_t>(palette.size()));
  PutU32(out, 0);
  for (const Rgb& colour : palette) {
    out.push_back(static_cast<char>(colour.blue));
    out.push_back(static_cast<char>(colour.green));
    out.push_back(static_cast<char>(colour.red));
    out.push_back(0);
  }
  return out + pixelRows;
}

int RowBytes(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

}  // namespace

std::string GradientBitmap() {
  constexpr int kHeight = 768;
  std::vector<Rgb> palette(256);
  for (int level = 0; level < 256; ++level) {
    palette[level] = Rgb{0, 0, static_cast<std::uint8_t>(level)};
  }
  // Four-step ordered thresholds: each row takes the level below or above
  // its exact value, so the 768 rows spread over the 256 levels evenly.
  constexpr std::array<double, 4> kThreshold = {0.125, 0.625, 0.375, 0.875};
  const int rowBytes = RowBytes(1, 8);
  std::string rows(static_cast<std::size_t>(rowBytes) * kHeight, '\0');
  for (int y = 0; y < kHeight; ++y) {
    const double exact = 255.0 * (kHeight - 1 - y) / (kHeight - 1);
    const int level = std::min(255, static_cast<int>(std::floor(exact + kThreshold[y % 4])));
    const int fileRow = kHeight - 1 - y;  // bottom-up
    rows[static_cast<std::size_t>(fileRow) * rowBytes] = static_cast<char>(level);
  }
  return BitmapFile(1, kHeight, 8, palette, rows);
}

std::string SetupIconBitmap() {
  constexpr int kSize = 32;
  constexpr Rgb kFace{192, 192, 192};
  constexpr Rgb kBody{0, 0, 128};
  constexpr Rgb kEdge{0, 0, 64};
  constexpr Rgb kShutter{160, 160, 168};
  constexpr Rgb kSlot{64, 64, 72};
  constexpr Rgb kLabel{255, 255, 255};
  constexpr Rgb kLine{0, 0, 255};
  std::array<std::array<Rgb, kSize>, kSize> image{};
  auto fill = [&](int left, int top, int right, int bottom, Rgb colour) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) image[y][x] = colour;
    }
  };
  fill(0, 0, kSize, kSize, kFace);
  fill(3, 3, 29, 29, kEdge);       // outline of the disk
  fill(4, 4, 28, 28, kBody);       // the disk
  fill(4, 4, 6, 6, kFace);         // the cut corner
  fill(10, 4, 24, 13, kShutter);   // metal shutter
  fill(19, 6, 22, 11, kSlot);      // its window
  fill(7, 16, 25, 28, kLabel);     // paper label
  for (int line = 19; line < 27; line += 3) fill(9, line, 23, line + 1, kLine);
  const int rowBytes = RowBytes(kSize, 24);
  std::string rows;
  rows.reserve(static_cast<std::size_t>(rowBytes) * kSize);
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      rows.push_back(static_cast<char>(image[y][x].blue));
      rows.push_back(static_cast<char>(image[y][x].green));
      rows.push_back(static_cast<char>(image[y][x].red));
    }
    rows.append(static_cast<std::size_t>(rowBytes - kSize * 3), '\0');
  }
  return BitmapFile(kSize, kSize, 24, {}, rows);
}

}  // namespace vk::app
