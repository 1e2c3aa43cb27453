#include "compress/lzh_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "compress/lzh_bit_reader_internal.h"
#include "compress/lzh_model.h"

namespace vk::compress {
namespace {

// The decoder keeps twice the window: the bytes 4096 to 8191 back are never
// referred to, so a copy may run up to 7 bytes past its end into them, and
// matches move in whole words. The slack takes the overrun at the top.
constexpr unsigned kRingSize = 2 * kLzhWindowSize;
constexpr unsigned kRingMask = kRingSize - 1;
constexpr int kWord = 8;

struct LzhDecoderState {
  LzhModel model;
  std::array<std::uint8_t, kRingSize + kWord> ring;
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
  std::uint8_t* ring = state->ring.data();
  model.Reset();
  // As seen from the start: 4036 spaces back, then 60 zeros.
  std::fill(ring, ring + kLzhStart, kLzhFill);
  std::fill(ring + kLzhStart, ring + kRingSize + kWord, 0);

  internal::LzhBitReader bits(context);
  unsigned r = kLzhStart;
  // 64 bits: a match that starts just below the largest size passes it.
  std::int64_t count = 0;
  while (count < ExpandedSize) {
    const int symbol = DecodeSymbol(model, bits);
    if (symbol < 256) {
      const auto byte = static_cast<std::uint8_t>(symbol);
      context.WriteSinkByte(byte);
      ring[r] = byte;
      r = (r + 1) & kRingMask;
      ++count;
    } else {
      const int position = DecodePosition(bits);
      const int length = symbol - (255 - kLzhMatchThreshold);
      const int distance = position + 1;
      unsigned source = (r - static_cast<unsigned>(distance)) & kRingMask;
      count += length;
      if (distance >= kWord && source + length <= kRingSize && r + length <= kRingSize &&
          context.OutputSpace() >= length + kWord) {
        // Neither end wraps, a word read never reaches bytes this copy
        // writes, and the sink has room for the overrun.
        std::uint8_t* out = context.OutputCursor();
        for (int k = 0; k < length; k += kWord) {
          std::uint8_t word[kWord];
          std::memcpy(word, ring + source + k, kWord);
          std::memcpy(ring + r + k, word, kWord);
          std::memcpy(out + k, word, kWord);
        }
        context.CommitOutput(length);
        r = (r + length) & kRingMask;
        continue;
      }
      // Byte by byte: a match may run on into the bytes it is producing.
      for (int k = 0; k < length; ++k) {
        const std::uint8_t byte = ring[source];
        source = (source + 1) & kRingMask;
        context.WriteSinkByte(byte);
        ring[r] = byte;
        r = (r + 1) & kRingMask;
      }
    }
  }
}

}  // namespace vk::compress
