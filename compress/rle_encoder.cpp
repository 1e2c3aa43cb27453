#include "compress/rle_encoder.h"

#include "compress/rle_decoder.h"

namespace vk::compress {
namespace {

constexpr std::int32_t kLongestRun = 255;

void WriteLiteral(CodecContext& context, std::uint8_t byte) {
  context.WriteSinkByte(byte);
  if (byte == RLEMarker) context.WriteSinkByte(0);
}

// The run's first byte is already out as a literal; a run of two is
// cheaper as a second literal than as a run item.
void CloseRun(CodecContext& context) {
  if (context.run_count >= 3) {
    context.WriteSinkByte(RLEMarker);
    context.WriteSinkByte(static_cast<std::uint8_t>(context.run_count));
  } else if (context.run_count == 2) {
    context.WriteSinkByte(context.previous_byte);
  }
  context.in_run = false;
}

}  // namespace

void RleEncode(CodecContext& context) {
  for (;;) {
    const std::uint8_t byte = context.ReadSourceByte();
    if (context.EndOfInput()) break;
    if (context.in_run) {
      if (byte == context.previous_byte && context.run_count < kLongestRun) {
        ++context.run_count;
      } else {
        CloseRun(context);
        context.previous_byte = byte;
        WriteLiteral(context, byte);
      }
    } else {
      // The marker never forms runs, and the first byte of the input never
      // continues the start value of the previous byte.
      if (byte == RLEMarker) {
        WriteLiteral(context, byte);
      } else if (byte == context.previous_byte && !context.first_byte) {
        context.in_run = true;
        context.run_count = 2;
      } else {
        context.WriteSinkByte(byte);
      }
      context.previous_byte = byte;
    }
    context.first_byte = false;
  }
  if (context.in_run) CloseRun(context);
}

}  // namespace vk::compress
