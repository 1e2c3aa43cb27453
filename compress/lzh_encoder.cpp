#include "compress/lzh_encoder.h"

#include <memory>

#include "compress/lzh_match_finder.h"
#include "compress/lzh_model.h"

namespace vk::compress {
namespace {

// Bits go out most significant first; the last byte is padded with 0 bits.
// Fewer than 32 bits are pending between calls, and they go out four bytes
// at a time: a test per code rather than a loop of unforeseeable length.
class LzhBitWriter {
 public:
  explicit LzhBitWriter(CodecContext& context) : context_(context) {}

  // Writes the first `length` bits (at most 32) of the left-aligned code.
  void Put(std::uint64_t code, int length) {
    bits_ |= code >> count_;
    count_ += length;
    if (count_ >= 32) {
      for (int shift = 56; shift >= 32; shift -= 8) {
        context_.WriteSinkByte(static_cast<std::uint8_t>(bits_ >> shift));
      }
      bits_ <<= 32;
      count_ -= 32;
    }
  }

  void Flush() {
    for (; count_ > 0; count_ -= 8) {
      context_.WriteSinkByte(static_cast<std::uint8_t>(bits_ >> 56));
      bits_ <<= 8;
    }
    bits_ = 0;
    count_ = 0;
  }

 private:
  CodecContext& context_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

struct LzhEncoderState {
  LzhModel model;
  LzhMatchFinder finder;
};

void EncodeSymbol(LzhModel& model, LzhBitWriter& writer, int symbol) {
  // The path from the leaf up, the bit nearest the root ending up first.
  // The sibling property and a root count of at most 8000h keep the tree
  // shallower than 24 levels, so the code fits one word.
  std::uint64_t code = 0;
  int length = 0;
  unsigned node = model.parent[kLzhNodes + symbol];
  do {
    code = (code >> 1) | (std::uint64_t{node & 1} << 63);
    ++length;
    node = model.parent[node];
  } while (node != kLzhRoot);
  writer.Put(code, length);
  model.Update(symbol);
}

void EncodePosition(LzhBitWriter& writer, int position) {
  const PositionCode& table = PositionCodeTable();
  const int upper = position >> 6;
  writer.Put(std::uint64_t{table.code[upper]} << 56, table.length[upper]);
  writer.Put(std::uint64_t(position & 0x3F) << 58, 6);
}

}  // namespace

void LzhEncode(CodecContext& context) {
  auto state = std::make_unique<LzhEncoderState>();
  LzhModel& model = state->model;
  LzhMatchFinder& finder = state->finder;
  model.Reset();
  finder.Reset();
  LzhBitWriter writer(context);

  int s = 0;
  int r = kLzhStart;
  int length = 0;  // bytes of lookahead from r on
  bool input_ended = false;
  while (length < kLzhLongestMatch) {
    const std::uint8_t byte = context.ReadSourceByte();
    if (context.EndOfInput()) {
      input_ended = true;
      break;
    }
    finder.Store(r + length, byte);
    ++length;
  }
  if (length == 0) return;

  // The spaces before the start can be matched like earlier input.
  for (int back = 1; back <= kLzhLongestMatch; ++back) finder.Insert(r - back);
  finder.Insert(r);

  while (length > 0) {
    if (finder.MatchLength() > length) finder.SetMatchLength(length);
    if (finder.MatchLength() <= kLzhMatchThreshold) {
      finder.SetMatchLength(1);
      EncodeSymbol(model, writer, finder.At(r));
    } else {
      EncodeSymbol(model, writer, LzhLengthSymbol(finder.MatchLength()));
      EncodePosition(writer, finder.MatchPosition());
    }
    const int steps = finder.MatchLength();
    int step = 0;
    while (step < steps && !input_ended) {
      const std::uint8_t byte = context.ReadSourceByte();
      if (context.EndOfInput()) {
        input_ended = true;
        break;
      }
      finder.Delete(s);
      finder.Store(s, byte);
      s = (s + 1) & kLzhWindowMask;
      r = (r + 1) & kLzhWindowMask;
      ++step;
      // Within a match, two insertions into different trees go together.
      if (step < steps && finder.CanPair(r, s)) {
        const std::uint8_t next_byte = context.ReadSourceByte();
        if (!context.EndOfInput()) {
          finder.Delete(s);
          finder.Store(s, next_byte);
          s = (s + 1) & kLzhWindowMask;
          finder.InsertPair(r);
          r = (r + 1) & kLzhWindowMask;
          ++step;
          continue;
        }
        input_ended = true;
      }
      finder.Insert(r);
    }
    // The input has ended: the window drains without new bytes.
    for (; step < steps; ++step) {
      finder.Delete(s);
      s = (s + 1) & kLzhWindowMask;
      r = (r + 1) & kLzhWindowMask;
      if (--length > 0) finder.Insert(r);
    }
  }
  writer.Flush();
}

}  // namespace vk::compress
