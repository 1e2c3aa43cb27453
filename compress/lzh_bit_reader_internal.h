#pragma once
// The LZH decoder's bit reader: the input as one stream of bits, most
// significant bit of each byte first, reading as 0 after the end.
//
// The bits are held in 64 bits, filled from the source's buffer as far as
// it reaches, so most reads cost no call. Only when the buffer is used up is
// a byte taken with ReadSourceByte, and then exactly when a reader holding
// at most 8 bits would take it: the source sees the same reads, progress
// calls and cancels as with a byte-wise reader.

#include <cstdint>
#include <cstring>

#include "compress/codec_context.h"

namespace vk::compress::internal {

class LzhBitReader {
 public:
  explicit LzhBitReader(CodecContext& context) : context_(context) {}

  // Reads count bits (1 to 8).
  std::uint32_t ReadBits(int count) {
    if (count_ <= 8) Refill();
    const auto result = static_cast<std::uint32_t>(bits_ >> (64 - count));
    bits_ <<= count;
    count_ -= count;
    return result;
  }

  std::uint32_t ReadBit() { return ReadBits(1); }

  // Takes bytes that the source's buffer already holds until at least
  // `wanted` bits (at most 56) are held, if the buffer has them. Reading
  // ahead within the buffer reads nothing more from the stream.
  void Prefetch(int wanted) {
    if (count_ < wanted &&
        context_.InputEnd() - context_.InputCursor() >= static_cast<std::ptrdiff_t>(sizeof bits_)) {
      TakeWord();
    }
  }
  // The bits held, left-aligned; Count() of them are valid.
  std::uint64_t Bits() const { return bits_; }
  int Count() const { return count_; }
  void Skip(int count) {
    bits_ <<= count;
    count_ -= count;
  }

 private:
  void TakeWord() {
    std::uint64_t word;
    std::memcpy(&word, context_.InputCursor(), sizeof word);
    word = __builtin_bswap64(word);
    const int take = (64 - count_) >> 3;
    bits_ |= word >> count_;
    // The bytes beyond take were shifted in only partly; keep whole bytes.
    const int kept = count_ + take * 8;
    if (kept < 64) bits_ &= ~(~std::uint64_t{0} >> kept);
    count_ = kept;
    context_.SkipInput(take);
  }

  void Refill() {
    const std::uint8_t* cursor = context_.InputCursor();
    const auto available = static_cast<std::int32_t>(context_.InputEnd() - cursor);
    if (available >= 8) {
      TakeWord();
      return;
    }
    if (available > 0) {
      while (count_ <= 56 && cursor < context_.InputEnd()) {
        bits_ |= std::uint64_t{*cursor++} << (56 - count_);
        count_ += 8;
      }
      context_.SkipInput(static_cast<std::int32_t>(cursor - context_.InputCursor()));
      return;
    }
    // Past the end ReadSourceByte gives 0, which is what is wanted.
    bits_ |= std::uint64_t{context_.ReadSourceByte()} << (56 - count_);
    count_ += 8;
  }

  CodecContext& context_;
  std::uint64_t bits_ = 0;  // left-aligned
  int count_ = 0;
};

}  // namespace vk::compress::internal
