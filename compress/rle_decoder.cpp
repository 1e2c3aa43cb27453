#include "compress/rle_decoder.h"

namespace vk::compress {

void RleDecode(CodecContext& context) {
  for (;;) {
    const std::uint8_t byte = context.ReadSourceByte();
    if (context.EndOfInput()) break;
    if (byte == RLEMarker) {
      // A marker that is the last byte of the data reads the count 0 and so
      // stands for the marker byte itself.
      const std::uint8_t count = context.ReadSourceByte();
      if (count == 0) {
        context.WriteSinkByte(RLEMarker);
      } else {
        const std::uint8_t repeated = context.previous_byte;
        for (int copy = 1; copy < count; ++copy) context.WriteSinkByte(repeated);
      }
    } else {
      context.WriteSinkByte(byte);
    }
    // After a run item the previous byte is the marker, not the repeated
    // byte: a second run item right after the first repeats 94h.
    context.previous_byte = byte;
  }
}

}  // namespace vk::compress
