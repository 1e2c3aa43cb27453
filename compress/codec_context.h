#pragma once
// The buffered byte source and sink that every codec works through, and
// RunCodec, which sets them up for one entry and runs the chosen codec.
//
// A codec pulls bytes with ReadSourceByte and pushes them with
// WriteSinkByte. The source reads the stream in chunks of at most 8192
// bytes, reports the percentage read after each chunk and lets other
// threads run; the sink writes dest in blocks of 8192 bytes. Both keep a
// byte sum, which becomes the entry's checksum. One context belongs to one
// run, so a progress handler may start another expansion safely.

#include <cstdint>
#include <functional>
#include <memory>

#include "compress/method_kind.h"
#include "platform/stream.h"

namespace vk::compress {

// Receives the whole-number percentage of the entry's input read so far.
// Leaving a negative value in PercentageDone cancels the run: the input
// then ends as if the data stopped there.
using TShowProgressEvent = std::function<void(std::int32_t& PercentageDone)>;

enum class CodecDirection { kExpanding, kCompressing };

struct CodecResult {
  // Expanding: byte sum of the bytes written. Compressing: byte sum of the
  // plain bytes read. Either way the entry header's Checksum.
  std::uint32_t checksum = 0;
  // Compressing: bytes written to dest (the entry's CompressedSize).
  // Meaningless when expanding.
  std::int32_t output_count = 0;
};

// Runs one codec over Sourcesize bytes of source, writing to dest.
// Destsize is the size of the expanded data; only the LZH decoder uses it.
// Kinds other than mkRLE and mkLZH run nothing and give checksum 0. Errors of
// the streams (EWriteError on a short write) pass to the caller.
CodecResult RunCodec(const TShowProgressEvent& progress, vk::platform::TStream& dest,
                     vk::platform::TStream& source, CodecDirection direction, MethodKind kind,
                     std::int32_t Destsize, std::int32_t Sourcesize);

class CodecContext {
 public:
  static constexpr std::int32_t kBufferSize = 8192;

  CodecContext(const TShowProgressEvent& progress, vk::platform::TStream& dest,
               vk::platform::TStream& source, std::int32_t Sourcesize);
  CodecContext(const CodecContext&) = delete;
  CodecContext& operator=(const CodecContext&) = delete;
  ~CodecContext();

  // The next input byte, or 0 with EndOfInput() set when the input is used
  // up, cut short or cancelled. Test EndOfInput() after every call.
  std::uint8_t ReadSourceByte() {
    if (input_cursor_ < input_end_) return *input_cursor_++;
    return RefillAndRead();
  }
  bool EndOfInput() const { return end_of_input_; }

  void WriteSinkByte(std::uint8_t byte) {
    if (output_cursor_ == output_limit_) FlushFullBuffer();
    *output_cursor_++ = byte;
  }

  // Writes what the sink still holds, in one piece.
  void FlushOutput();

  // Sum of the bytes handed out by ReadSourceByte, wrapping.
  std::uint32_t InputSum() const;
  // Sum of the bytes given to WriteSinkByte, wrapping.
  std::uint32_t OutputSum() const;
  // Bytes given to WriteSinkByte.
  std::int32_t OutputCount() const;

  // Direct access to the input buffer for codecs that take several bytes at
  // once: the bytes from InputCursor() to InputEnd() are available, and
  // SkipInput(n) hands out n of them as n calls of ReadSourceByte would.
  const std::uint8_t* InputCursor() const { return input_cursor_; }
  const std::uint8_t* InputEnd() const { return input_end_; }
  void SkipInput(std::int32_t count) { input_cursor_ += count; }

  // Direct access to the output buffer: up to OutputSpace() bytes may be
  // written from OutputCursor() on, and CommitOutput(n) adds n of them to the
  // output as n calls of WriteSinkByte would.
  std::uint8_t* OutputCursor() { return output_cursor_; }
  std::int32_t OutputSpace() const {
    return static_cast<std::int32_t>(output_limit_ - output_cursor_);
  }
  void CommitOutput(std::int32_t count) { output_cursor_ += count; }

  // State of the RLE coders, kept here as the format describes it.
  std::uint8_t previous_byte = 0;
  bool in_run = false;
  std::int32_t run_count = 0;
  bool first_byte = true;

 private:
  std::uint8_t RefillAndRead();
  void FlushFullBuffer();
  void WriteOutput(std::int32_t count);

  const TShowProgressEvent& progress_;
  vk::platform::TStream& dest_;
  vk::platform::TStream& source_;

  std::unique_ptr<std::uint8_t[]> input_buffer_;
  std::unique_ptr<std::uint8_t[]> output_buffer_;
  const std::uint8_t* input_cursor_;
  const std::uint8_t* input_end_;
  std::uint8_t* output_cursor_;
  std::uint8_t* output_limit_;

  bool end_of_input_ = false;
  bool cancelled_ = false;
  std::int32_t remaining_;
  std::int32_t chunk_size_ = kBufferSize;
  std::int32_t consumed_ = 0;
  // Sums and count of the bytes of earlier chunks and flushed blocks; the
  // bytes still in the buffers are added when asked for.
  std::uint32_t input_sum_ = 0;
  std::uint32_t output_sum_ = 0;
  std::int32_t flushed_count_ = 0;
};

}  // namespace vk::compress
