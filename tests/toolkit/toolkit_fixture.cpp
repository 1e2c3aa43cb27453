#include "toolkit_fixture.h"

namespace vk::toolkit::testing {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string Headers(int width, int height, int bitCount, std::uint32_t paletteBytes,
                    std::uint32_t imageBytes, std::uint32_t colours) {
  std::string out = "BM";
  Put32(out, 14 + 40 + paletteBytes + imageBytes);
  Put32(out, 0);
  Put32(out, 14 + 40 + paletteBytes);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bitCount));
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
  return out;
}

}  // namespace

std::string MakeBmp24(int width, int height, const std::function<std::uint32_t(int, int)>& colour,
                      bool topDown) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string out = Headers(width, topDown ? -height : height, 24, 0,
                            static_cast<std::uint32_t>(stride * height), 0);
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    std::string line;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      line += static_cast<char>(c & 0xFF);
      line += static_cast<char>((c >> 8) & 0xFF);
      line += static_cast<char>((c >> 16) & 0xFF);
    }
    line.resize(static_cast<std::size_t>(stride), '\0');
    out += line;
  }
  return out;
}

std::string MakeBmp8(int width, int height, const std::vector<std::uint32_t>& palette,
                     const std::function<int(int, int)>& index) {
  const int stride = (width + 3) / 4 * 4;
  std::string out = Headers(width, height, 8, static_cast<std::uint32_t>(palette.size() * 4),
                            static_cast<std::uint32_t>(stride * height),
                            static_cast<std::uint32_t>(palette.size()));
  for (std::uint32_t c : palette) Put32(out, c & 0xFFFFFF);
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;
    std::string line;
    for (int x = 0; x < width; ++x) line += static_cast<char>(index(x, y));
    line.resize(static_cast<std::size_t>(stride), '\0');
    out += line;
  }
  return out;
}

}  // namespace vk::toolkit::testing
