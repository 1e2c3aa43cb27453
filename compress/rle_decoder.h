#pragma once
// Expands RLE data: every byte stands for itself except the escape byte
// 94h, which is followed by a count n: 0 for the byte 94h itself, otherwise
// n - 1 further copies of the byte before the escape.

#include "compress/codec_context.h"

namespace vk::compress {

inline constexpr std::uint8_t RLEMarker = 0x94;

// Reads until the end of input; the output length follows from the data.
void RleDecode(CodecContext& context);

}  // namespace vk::compress
