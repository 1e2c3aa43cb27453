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

  // The next 8 bits without taking them; only valid after EnsureByte.
  std::uint32_t PeekByte() const { return static_cast<std::uint32_t>(bits_ >> 56); }
  void EnsureByte() {
    if (count_ <= 8) Refill();
  }
  void Skip(int count) {
    bits_ <<= count;
    count_ -= count;
  }
  int Count() const { return count_; }

 private:
  void Refill() {
    const std::uint8_t* cursor = context_.InputCursor();
    const auto available = static_cast<std::int32_t>(context_.InputEnd() - cursor);
    if (available >= 8) {
      // Take as many whole bytes as fit beside the bits held.
      std::uint64_t word;
      std::memcpy(&word, cursor, sizeof word);
      word = __builtin_bswap64(word);
      const int take = (64 - count_) >> 3;
      bits_ |= word >> count_;
      // The bytes beyond take were shifted in only partly; keep whole bytes.
      const int kept = count_ + take * 8;
      if (kept < 64) bits_ &= ~(~std::uint64_t{0} >> kept);
      count_ = kept;
      context_.SkipInput(take);
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
