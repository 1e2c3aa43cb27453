#pragma once
// Windows bitmap files (.bmp): the OS/2 and Windows headers (versions 3 to
// 5), 1, 4 and 8 bits per pixel with a palette (uncompressed, RLE8, RLE4),
// 16, 24 and 32 bits per pixel (also with bit-field masks), bottom-up and
// top-down rows. Anything malformed is refused with EInvalidGraphic; the
// decoder never reads outside the bytes it is given.

#include <string_view>

#include "platform/toolkit/graphics.h"

namespace vk::toolkit {

// The largest picture accepted: 16384 pixels a side, 64 Mi pixels in all.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr long long kMaxBitmapPixels = 64ll * 1024 * 1024;

TBitmap DecodeBmp(std::string_view bytes);

// Only the size from the headers, without decoding the pixels.
TSize ReadBmpSize(std::string_view bytes);

}  // namespace vk::toolkit
