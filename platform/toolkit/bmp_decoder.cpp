#include "platform/toolkit/bmp_decoder.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace vk::toolkit {
namespace {

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

[[noreturn]] void Invalid(const char* why) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid (") + why + ")");
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  std::uint8_t U8(std::size_t offset) const {
    if (!Has(offset, 1)) Invalid("truncated");
    return static_cast<std::uint8_t>(bytes_[offset]);
  }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8));
  }
  std::uint32_t U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(U16(offset)) |
           (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
  }
  std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

struct Header {
  int width = 0;
  int height = 0;  // always positive
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kCompressionRgb;
  std::uint32_t dataOffset = 0;
  std::size_t paletteOffset = 0;
  int paletteEntrySize = 4;
  std::size_t paletteCount = 0;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  bool hasMasks = false;
};

Header ReadHeader(const Reader& reader) {
  if (reader.Size() < 26 || reader.U8(0) != 'B' || reader.U8(1) != 'M') Invalid("no BM signature");
  Header header;
  header.dataOffset = reader.U32(10);
  const std::uint32_t infoSize = reader.U32(14);
  std::int64_t width = 0;
  std::int64_t height = 0;
  if (infoSize == 12) {
    width = reader.U16(18);
    height = static_cast<std::int16_t>(reader.U16(20));
    header.bitCount = reader.U16(24);
    header.paletteEntrySize = 3;
  } else if (infoSize >= 40 && infoSize <= 1024) {
    width = reader.I32(18);
    height = reader.I32(22);
    header.bitCount = reader.U16(28);
    header.compression = reader.U32(30);
    header.paletteCount = reader.U32(46);
    if (header.compression == kCompressionBitFields ||
        header.compression == kCompressionAlphaBitFields) {
      // Version 3 headers keep the masks after the header, later ones inside.
      const std::size_t masksAt = 14 + 40;
      const int maskCount = header.compression == kCompressionAlphaBitFields ? 4 : 3;
      for (int i = 0; i < maskCount; ++i) header.masks[i] = reader.U32(masksAt + 4 * i);
      if (infoSize >= 56 && maskCount == 3) header.masks[3] = reader.U32(masksAt + 12);
      header.hasMasks = true;
      header.paletteOffset = infoSize == 40 ? masksAt + 4 * maskCount : 14 + infoSize;
    }
  } else {
    Invalid("unknown header");
  }
  if (header.paletteOffset == 0) header.paletteOffset = 14 + infoSize;
  if (height < 0) {
    header.topDown = true;
    height = -height;
  }
  if (width <= 0 || height <= 0) Invalid("no pixels");
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
    Invalid("too large");
  header.width = static_cast<int>(width);
  header.height = static_cast<int>(height);
  switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
      if (header.paletteCount == 0 || header.paletteCount > (1u << header.bitCount))
        header.paletteCount = 1u << header.bitCount;
      break;
    case 16:
    case 24:
    case 32:
      header.paletteCount = 0;
      break;
    default:
      Invalid("unsupported bit depth");
  }
  const bool rle = header.compression == kCompressionRle8 || header.compression == kCompressionRle4;
  if (rle) {
    if (header.bitCount != (header.compression == kCompressionRle8 ? 8 : 4))
      Invalid("compression does not fit the bit depth");
    if (header.topDown) Invalid("top-down compressed rows");
  } else if (header.compression == kCompressionBitFields ||
             header.compression == kCompressionAlphaBitFields) {
    if (header.bitCount != 16 && header.bitCount != 32) Invalid("bit fields need 16 or 32 bits");
  } else if (header.compression != kCompressionRgb) {
    Invalid("unsupported compression");
  }
  return header;
}

// Scales a masked field to 0..255.
std::uint32_t Field(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t raw = (value & mask) >> shift;
  if (bits >= 8) return raw >> (bits - 8);
  const std::uint32_t maximum = (1u << bits) - 1;
  return (raw * 255 + maximum / 2) / maximum;
}

std::uint32_t Opaque(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::vector<std::uint32_t> ReadPalette(const Reader& reader, const Header& header) {
  std::vector<std::uint32_t> palette(header.paletteCount, 0xFF000000u);
  for (std::size_t i = 0; i < header.paletteCount; ++i) {
    const std::size_t at = header.paletteOffset + i * static_cast<std::size_t>(header.paletteEntrySize);
    // Files that announce more colours than they hold keep black for the rest.
    if (!reader.Has(at, 3)) break;
    palette[i] = Opaque(reader.U8(at + 2), reader.U8(at + 1), reader.U8(at));
  }
  return palette;
}

void DecodeRle(const Reader& reader, const Header& header, const std::vector<std::uint32_t>& palette,
               TBitmap& bitmap) {
  const bool four = header.compression == kCompressionRle4;
  std::size_t at = header.dataOffset;
  int x = 0;
  int row = 0;  // counted from the bottom
  auto put = [&](unsigned index) {
    if (x < header.width && row < header.height) {
      const std::uint32_t color = index < palette.size() ? palette[index] : 0xFF000000u;
      bitmap.SetPixel(x, header.height - 1 - row, color);
    }
    ++x;
  };
  while (row < header.height) {
    if (!reader.Has(at, 2)) break;  // a missing end marker ends the picture
    const unsigned count = reader.U8(at);
    const unsigned value = reader.U8(at + 1);
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // delta
        x += reader.U8(at);
        row += reader.U8(at + 1);
        at += 2;
        break;
      default: {  // absolute run of value pixels, padded to a word
        const unsigned bytes = four ? (value + 1) / 2 : value;
        if (!reader.Has(at, bytes)) Invalid("truncated run");
        for (unsigned i = 0; i < value; ++i) {
          const unsigned byte = reader.U8(at + (four ? i / 2 : i));
          put(four ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
        }
        at += bytes + (bytes & 1);
        break;
      }
    }
  }
}

void DecodeRows(const Reader& reader, const Header& header, const std::vector<std::uint32_t>& palette,
                TBitmap& bitmap) {
  const std::size_t stride =
      ((static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.bitCount) + 31) / 32) * 4;
  if (!reader.Has(header.dataOffset, stride * static_cast<std::size_t>(header.height)))
    Invalid("truncated pixel data");
  std::array<std::uint32_t, 4> masks = header.masks;
  if (!header.hasMasks) {
    if (header.bitCount == 16) masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (header.bitCount == 32) masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  }
  bool anyAlpha = false;
  for (int row = 0; row < header.height; ++row) {
    const std::size_t line = header.dataOffset + stride * static_cast<std::size_t>(row);
    const int y = header.topDown ? row : header.height - 1 - row;
    for (int x = 0; x < header.width; ++x) {
      std::uint32_t color = 0;
      switch (header.bitCount) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(header.bitCount);
          const unsigned byte = reader.U8(line + bit / 8);
          const unsigned shift = 8 - header.bitCount - static_cast<unsigned>(bit % 8);
          const unsigned index = (byte >> shift) & ((1u << header.bitCount) - 1);
          color = index < palette.size() ? palette[index] : 0xFF000000u;
          break;
        }
        case 16: {
          const std::uint32_t value = reader.U16(line + 2 * static_cast<std::size_t>(x));
          color = Opaque(Field(value, masks[0]), Field(value, masks[1]), Field(value, masks[2]));
          break;
        }
        case 24: {
          const std::size_t at = line + 3 * static_cast<std::size_t>(x);
          color = Opaque(reader.U8(at + 2), reader.U8(at + 1), reader.U8(at));
          break;
        }
        case 32: {
          const std::uint32_t value = reader.U32(line + 4 * static_cast<std::size_t>(x));
          color = Opaque(Field(value, masks[0]), Field(value, masks[1]), Field(value, masks[2]));
          if (masks[3] != 0) {
            const std::uint32_t alpha = Field(value, masks[3]);
            if (alpha != 0) anyAlpha = true;
            color = (color & 0x00FFFFFFu) | (alpha << 24);
          }
          break;
        }
      }
      bitmap.SetPixel(x, y, color);
    }
  }
  // Many writers leave the alpha byte zero; such a picture is meant opaque.
  if (masks[3] != 0 && !anyAlpha) {
    for (int y = 0; y < header.height; ++y)
      for (int x = 0; x < header.width; ++x) bitmap.SetPixel(x, y, bitmap.Pixel(x, y) | 0xFF000000u);
  }
}

}  // namespace

TSize ReadBmpSize(std::string_view bytes) {
  const Header header = ReadHeader(Reader(bytes));
  return TSize{header.width, header.height};
}

TBitmap DecodeBmp(std::string_view bytes) {
  const Reader reader(bytes);
  const Header header = ReadHeader(reader);
  const std::vector<std::uint32_t> palette = ReadPalette(reader, header);
  TBitmap bitmap(header.width, header.height, palette.empty() ? 0xFF000000u : palette[0]);
  if (header.compression == kCompressionRle8 || header.compression == kCompressionRle4) {
    DecodeRle(reader, header, palette, bitmap);
  } else {
    DecodeRows(reader, header, palette, bitmap);
  }
  return bitmap;
}

}  // namespace vk::toolkit
