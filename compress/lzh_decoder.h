#pragma once
// Expands LZH data: a 4096-byte sliding window with matches of 3 to 60
// bytes, literals and match lengths coded by an adaptive Huffman code, match
// positions by a static prefix code for their upper 6 bits.

#include <cstdint>

#include "compress/codec_context.h"

namespace vk::compress {

// Produces ExpandedSize bytes (a match that passes the end is still written
// whole). Input that ends early reads as zero bits.
void LzhDecode(CodecContext& context, std::int32_t ExpandedSize);

}  // namespace vk::compress
