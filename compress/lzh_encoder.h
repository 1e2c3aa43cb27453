#pragma once
// Produces LZH data that LzhDecode turns back into the input, byte for byte
// the data the format fixes for it.

#include "compress/codec_context.h"

namespace vk::compress {

// Reads until the end of input. An empty input produces no bytes at all.
void LzhEncode(CodecContext& context);

}  // namespace vk::compress
