#pragma once
// Produces RLE data that RleDecode turns back into the input.

#include "compress/codec_context.h"

namespace vk::compress {

// Reads until the end of input.
void RleEncode(CodecContext& context);

}  // namespace vk::compress
