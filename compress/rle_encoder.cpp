#include "compress/rle_encoder.h"

#include "compress/rle_decoder.h"

namespace vk::compress {
namespace {

constexpr std::int32_t kLongestRun = 255;

// The encoder's state, kept in locals while the loop runs: the compiler must
// assume a byte written to the sink could change the context's fields.
struct RleEncoderState {
  std::uint8_t previous_byte;
  bool in_run;
  std::int32_t run_count;
  bool first_byte;
};

void WriteLiteral(CodecContext& context, std::uint8_t byte) {
  context.WriteSinkByte(byte);
  if (byte == RLEMarker) context.WriteSinkByte(0);
}

// The run's first byte is already out as a literal; a run of two is
// cheaper as a second literal than as a run item.
void CloseRun(CodecContext& context, RleEncoderState& state) {
  if (state.run_count >= 3) {
    context.WriteSinkByte(RLEMarker);
    context.WriteSinkByte(static_cast<std::uint8_t>(state.run_count));
  } else if (state.run_count == 2) {
    context.WriteSinkByte(state.previous_byte);
  }
  state.in_run = false;
}

}  // namespace

void RleEncode(CodecContext& context) {
  RleEncoderState state{context.previous_byte, context.in_run, context.run_count,
                        context.first_byte};
  for (;;) {
    // While the output has room for the most one byte can cause (a closed
    // run and an escaped marker), encode straight between the buffers; the
    // byte-wise path below handles their edges.
    const std::uint8_t* in = context.InputCursor();
    const std::uint8_t* const in_end = context.InputEnd();
    std::uint8_t* out = context.OutputCursor();
    std::uint8_t* const out_start = out;
    const std::uint8_t* const out_end = out + context.OutputSpace();
    while (in < in_end && out_end - out >= 4) {
      const std::uint8_t byte = *in++;
      if (state.in_run) {
        if (byte == state.previous_byte && state.run_count < kLongestRun) {
          ++state.run_count;
        } else {
          if (state.run_count >= 3) {
            *out++ = RLEMarker;
            *out++ = static_cast<std::uint8_t>(state.run_count);
          } else {
            *out++ = state.previous_byte;
          }
          state.in_run = false;
          state.previous_byte = byte;
          *out++ = byte;
          if (byte == RLEMarker) *out++ = 0;
        }
      } else {
        if (byte == RLEMarker) {
          *out++ = byte;
          *out++ = 0;
        } else if (byte == state.previous_byte && !state.first_byte) {
          state.in_run = true;
          state.run_count = 2;
        } else {
          *out++ = byte;
        }
        state.previous_byte = byte;
      }
      state.first_byte = false;
    }
    context.SkipInput(static_cast<std::int32_t>(in - context.InputCursor()));
    context.CommitOutput(static_cast<std::int32_t>(out - out_start));

    const std::uint8_t byte = context.ReadSourceByte();
    if (context.EndOfInput()) break;
    if (state.in_run) {
      if (byte == state.previous_byte && state.run_count < kLongestRun) {
        ++state.run_count;
      } else {
        CloseRun(context, state);
        state.previous_byte = byte;
        WriteLiteral(context, byte);
      }
    } else {
      // The marker never forms runs, and the first byte of the input never
      // continues the start value of the previous byte.
      if (byte == RLEMarker) {
        WriteLiteral(context, byte);
      } else if (byte == state.previous_byte && !state.first_byte) {
        state.in_run = true;
        state.run_count = 2;
      } else {
        context.WriteSinkByte(byte);
      }
      state.previous_byte = byte;
    }
    state.first_byte = false;
  }
  if (state.in_run) CloseRun(context, state);
  context.previous_byte = state.previous_byte;
  context.in_run = state.in_run;
  context.run_count = state.run_count;
  context.first_byte = state.first_byte;
}

}  // namespace vk::compress
