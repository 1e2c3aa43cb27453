#include "compress/rle_decoder.h"

namespace vk::compress {

void RleDecode(CodecContext& context) {
  // Kept in a local while the loop runs: the compiler must assume a byte
  // written to the sink could change the context's fields.
  std::uint8_t previous = context.previous_byte;
  for (;;) {
    // While both buffers have room for a whole item, decode straight
    // between them; the byte-wise path below handles their edges.
    const std::uint8_t* in = context.InputCursor();
    const std::uint8_t* const in_end = context.InputEnd();
    std::uint8_t* out = context.OutputCursor();
    std::uint8_t* const out_start = out;
    std::uint8_t* const out_end = out + context.OutputSpace();
    while (in_end - in >= 2 && out_end - out >= 255) {
      const std::uint8_t byte = *in++;
      if (byte == RLEMarker) {
        const std::uint8_t count = *in++;
        if (count == 0) {
          *out++ = RLEMarker;
        } else {
          for (int copy = 1; copy < count; ++copy) *out++ = previous;
        }
      } else {
        *out++ = byte;
      }
      previous = byte;
    }
    context.SkipInput(static_cast<std::int32_t>(in - context.InputCursor()));
    context.CommitOutput(static_cast<std::int32_t>(out - out_start));

    const std::uint8_t byte = context.ReadSourceByte();
    if (context.EndOfInput()) break;
    if (byte == RLEMarker) {
      // A marker that is the last byte of the data reads the count 0 and so
      // stands for the marker byte itself.
      const std::uint8_t count = context.ReadSourceByte();
      if (count == 0) {
        context.WriteSinkByte(RLEMarker);
      } else {
        for (int copy = 1; copy < count; ++copy) context.WriteSinkByte(previous);
      }
    } else {
      context.WriteSinkByte(byte);
    }
    // After a run item the previous byte is the marker, not the repeated
    // byte: a second run item right after the first repeats 94h.
    previous = byte;
  }
  context.previous_byte = previous;
}

}  // namespace vk::compress
