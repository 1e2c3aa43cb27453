#include "compress/lzh_decoder.h"

#include <algorithm>
#include <array>
#include <memory>

#include "compress/lzh_bit_reader_internal.h"
#include "compress/lzh_model.h"

namespace vk::compress {
namespace {

struct LzhDecoderState {
  LzhModel model;
  std::array<std::uint8_t, kLzhWindowSize> window;
};

int DecodeSymbol(LzhModel& model, internal::LzhBitReader& bits) {
  unsigned node = model.child[kLzhRoot];
  while (node < kLzhNodes) node = model.child[node + bits.ReadBit()];
  const int symbol = static_cast<int>(node) - kLzhNodes;
  model.Update(symbol);
  return symbol;
}

int DecodePosition(internal::LzhBitReader& bits) {
  const PositionCode& table = PositionCodeTable();
  bits.Prefetch(14);
  if (bits.Count() >= 14) {
    // The code (3 to 8 bits) and the 6 bits after it in one look.
    const auto first = static_cast<std::uint32_t>(bits.Bits() >> 56);
    const int length = table.decode_length[first];
    const auto lower = static_cast<std::uint32_t>(bits.Bits() >> (58 - length)) & 0x3F;
    bits.Skip(length + 6);
    return (table.decode_value[first] << 6) | static_cast<int>(lower);
  }
  const std::uint32_t first = bits.ReadBits(8);
  const int length = table.decode_length[first];
  // The 8 bits read hold the code and the first 8 - length bits of the
  // lower six; the rest follow.
  const std::uint32_t rest = bits.ReadBits(length - 2);
  const std::uint32_t lower = ((first << (length - 2)) | rest) & 0x3F;
  return (table.decode_value[first] << 6) | static_cast<int>(lower);
}

}  // namespace

void LzhDecode(CodecContext& context, std::int32_t ExpandedSize) {
  if (ExpandedSize <= 0) return;
  auto state = std::make_unique<LzhDecoderState>();
  LzhModel& model = state->model;
  std::uint8_t* window = state->window.data();
  model.Reset();
  std::fill(window, window + kLzhStart, kLzhFill);
  std::fill(window + kLzhStart, window + kLzhWindowSize, 0);

  internal::LzhBitReader bits(context);
  unsigned r = kLzhStart;
  // 64 bits: a match that starts just below the largest size passes it.
  std::int64_t count = 0;
  while (count < ExpandedSize) {
    const int symbol = DecodeSymbol(model, bits);
    if (symbol < 256) {
      const auto byte = static_cast<std::uint8_t>(symbol);
      context.WriteSinkByte(byte);
      window[r] = byte;
      r = (r + 1) & kLzhWindowMask;
      ++count;
    } else {
      const int position = DecodePosition(bits);
      const int length = symbol - (255 - kLzhMatchThreshold);
      unsigned source = (r - static_cast<unsigned>(position) - 1) & kLzhWindowMask;
      count += length;
      // Byte by byte: a match may run on into the bytes it is producing.
      if (source + length <= kLzhWindowSize && r + length <= kLzhWindowSize &&
          context.OutputSpace() >= length) {
        // Neither end wraps and the sink has room: no checks per byte.
        std::uint8_t* out = context.OutputCursor();
        for (int k = 0; k < length; ++k) out[k] = window[r + k] = window[source + k];
        context.CommitOutput(length);
        r = (r + length) & kLzhWindowMask;
        continue;
      }
      for (int k = 0; k < length; ++k) {
        const std::uint8_t byte = window[source];
        source = (source + 1) & kLzhWindowMask;
        context.WriteSinkByte(byte);
        window[r] = byte;
        r = (r + 1) & kLzhWindowMask;
      }
    }
  }
}

}  // namespace vk::compress
