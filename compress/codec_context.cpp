#include "compress/codec_context.h"

#include <numeric>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "compress/lzh_decoder.h"
#include "compress/lzh_encoder.h"
#include "compress/rle_decoder.h"
#include "compress/rle_encoder.h"

namespace vk::compress {
namespace {

// Sums in 32 bits wrap exactly like adding one byte at a time, so a
// buffer's bytes can be summed at once when it is refilled or written.
std::uint32_t ByteSum(const std::uint8_t* begin, const std::uint8_t* end) {
  std::uint32_t sum = 0;
#ifdef __SSE2__
  // Sums of absolute differences against zero add 16 bytes per step.
  __m128i wide = _mm_setzero_si128();
  const __m128i zero = _mm_setzero_si128();
  for (; end - begin >= 16; begin += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
    wide = _mm_add_epi64(wide, _mm_sad_epu8(bytes, zero));
  }
  sum = static_cast<std::uint32_t>(_mm_cvtsi128_si64(wide)) +
        static_cast<std::uint32_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(wide, wide)));
#endif
  return std::accumulate(begin, end, sum);
}

}  // namespace

CodecContext::CodecContext(const TShowProgressEvent& progress, vk::platform::TStream& dest,
                           vk::platform::TStream& source, std::int32_t Sourcesize)
    : progress_(progress),
      dest_(dest),
      source_(source),
      input_buffer_(new std::uint8_t[kBufferSize]),
      output_buffer_(new std::uint8_t[kBufferSize]),
      input_cursor_(input_buffer_.get()),
      input_end_(input_buffer_.get()),
      output_cursor_(output_buffer_.get()),
      output_limit_(output_buffer_.get() + kBufferSize),
      // A negative size (a damaged header) reads nothing rather than asking
      // the stream for a negative count.
      remaining_(Sourcesize > 0 ? Sourcesize : 0) {}

CodecContext::~CodecContext() = default;

std::uint8_t CodecContext::RefillAndRead() {
  input_sum_ += ByteSum(input_buffer_.get(), input_cursor_);
  input_cursor_ = input_end_ = input_buffer_.get();
  end_of_input_ = true;
  if (cancelled_ || remaining_ == 0) return 0;
  if (remaining_ < chunk_size_) chunk_size_ = remaining_;
  const std::int32_t read = source_.Read(input_buffer_.get(), chunk_size_);
  if (read <= 0) return 0;
  remaining_ -= read;
  input_end_ = input_buffer_.get() + read;
  if (progress_) {
    consumed_ += read;
    std::int32_t percent = static_cast<std::int32_t>(std::int64_t{consumed_} * 100 /
                                                     (std::int64_t{consumed_} + remaining_));
    progress_(percent);
    if (percent < 0) {
      // The bytes of this chunk are never handed out.
      cancelled_ = true;
      input_end_ = input_buffer_.get();
      return 0;
    }
  }
  std::this_thread::yield();
  end_of_input_ = false;
  return *input_cursor_++;
}

void CodecContext::WriteOutput(std::int32_t count) {
  output_sum_ += ByteSum(output_buffer_.get(), output_buffer_.get() + count);
  flushed_count_ += count;
  output_cursor_ = output_buffer_.get();
  dest_.WriteBuffer(output_buffer_.get(), count);
}

void CodecContext::FlushFullBuffer() {
  std::this_thread::yield();
  WriteOutput(kBufferSize);
}

void CodecContext::FlushOutput() {
  const auto count = static_cast<std::int32_t>(output_cursor_ - output_buffer_.get());
  if (count > 0) WriteOutput(count);
}

std::uint32_t CodecContext::InputSum() const {
  return input_sum_ + ByteSum(input_buffer_.get(), input_cursor_);
}

std::uint32_t CodecContext::OutputSum() const {
  return output_sum_ + ByteSum(output_buffer_.get(), output_cursor_);
}

std::int32_t CodecContext::OutputCount() const {
  return flushed_count_ + static_cast<std::int32_t>(output_cursor_ - output_buffer_.get());
}

CodecResult RunCodec(const TShowProgressEvent& progress, vk::platform::TStream& dest,
                     vk::platform::TStream& source, CodecDirection direction, MethodKind kind,
                     std::int32_t Destsize, std::int32_t Sourcesize) {
  CodecContext context(progress, dest, source, Sourcesize);
  CodecResult result;
  if (direction == CodecDirection::kCompressing) {
    if (kind == MethodKind::mkRLE) {
      RleEncode(context);
    } else if (kind == MethodKind::mkLZH) {
      LzhEncode(context);
    }
    result.checksum = context.InputSum();
  } else {
    if (kind == MethodKind::mkRLE) {
      RleDecode(context);
    } else if (kind == MethodKind::mkLZH) {
      LzhDecode(context, Destsize);
    }
    result.checksum = context.OutputSum();
  }
  context.FlushOutput();
  result.output_count = context.OutputCount();
  return result;
}

}  // namespace vk::compress
