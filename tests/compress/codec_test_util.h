#pragma once
// Helpers for the codec tests: running a codec over bytes in memory, and
// streams that record or limit what passes through them.

#include <cstdint>
#include <string>
#include <vector>

#include "compress/codec_context.h"
#include "platform/stream.h"

namespace vk::compress::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct CodecRun {
  Bytes output;
  CodecResult result;
};

inline CodecRun RunOnBytes(CodecDirection direction, MethodKind kind, const Bytes& input,
                    std::int32_t destination_size = 0,
                    const TShowProgressEvent& progress = nullptr) {
  vk::platform::TMemoryStream source(input);
  vk::platform::TMemoryStream dest;
  CodecRun run;
  run.result = RunCodec(progress, dest, source, direction, kind, destination_size,
                        static_cast<std::int32_t>(input.size()));
  run.output = dest.Data();
  return run;
}

inline Bytes Encode(MethodKind kind, const Bytes& plain) {
  return RunOnBytes(CodecDirection::kCompressing, kind, plain).output;
}

inline Bytes Decode(MethodKind kind, const Bytes& coded, std::int32_t expanded_size) {
  return RunOnBytes(CodecDirection::kExpanding, kind, coded, expanded_size).output;
}

// A source over bytes that records each read's requested and delivered size,
// delivers at most `limit` bytes per read, and pretends to end after
// `available` bytes (a truncated archive).
class RecordingSource : public vk::platform::TStream {
 public:
  explicit RecordingSource(Bytes data, std::size_t limit = SIZE_MAX)
      : data_(std::move(data)), limit_(limit), available_(data_.size()) {}

  void EndAfter(std::size_t available) { available_ = available; }

  std::int32_t Read(void* buffer, std::int32_t count) override {
    requested.push_back(count);
    std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(count), limit_);
    size = std::min(size, available_ - std::min(available_, position_));
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), size,
                static_cast<std::uint8_t*>(buffer));
    position_ += size;
    delivered.push_back(static_cast<std::int32_t>(size));
    return static_cast<std::int32_t>(size);
  }
  std::int32_t Write(const void*, std::int32_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, vk::platform::SeekOrigin origin) override {
    if (origin == vk::platform::SeekOrigin::kBeginning) position_ = static_cast<std::size_t>(offset);
    if (origin == vk::platform::SeekOrigin::kCurrent) position_ += static_cast<std::size_t>(offset);
    if (origin == vk::platform::SeekOrigin::kEnd) position_ = data_.size() + offset;
    return static_cast<std::int64_t>(position_);
  }

  std::vector<std::int32_t> requested;
  std::vector<std::int32_t> delivered;

 private:
  Bytes data_;
  std::size_t limit_;
  std::size_t available_;
  std::size_t position_ = 0;
};

// A destination that records each write's size and takes at most
// `capacity` bytes in all (a full disk).
class RecordingDest : public vk::platform::TStream {
 public:
  explicit RecordingDest(std::size_t capacity = SIZE_MAX) : capacity_(capacity) {}

  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    writes.push_back(count);
    const std::size_t size =
        std::min(static_cast<std::size_t>(count), capacity_ - std::min(capacity_, data.size()));
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    data.insert(data.end(), bytes, bytes + size);
    return static_cast<std::int32_t>(size);
  }
  std::int64_t Seek(std::int64_t, vk::platform::SeekOrigin) override {
    return static_cast<std::int64_t>(data.size());
  }

  std::vector<std::int32_t> writes;
  Bytes data;

 private:
  std::size_t capacity_;
};

}  // namespace vk::compress::testing

namespace vk::compress::testing {

enum class SampleKind { kText, kBinary, kRandom, kRepetitive };

// Deterministic sample data of the given kind.
inline Bytes Sample(SampleKind kind, std::size_t size, std::uint32_t seed = 1) {
  Bytes bytes;
  bytes.reserve(size + 64);
  std::uint32_t state = seed * 2654435761u + 12345u;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  static const char* const kWords[] = {"the ",   "setup ", "archive ", "file ",  "of ",
                                       "and ",   "a ",     "folder ",  "is ",    "copied ",
                                       "to ",    "disk ",  "program ", "group ", "\r\n",
                                       "Window", "s ",     "install ", "data ",  "with "};
  while (bytes.size() < size) {
    switch (kind) {
      case SampleKind::kText: {
        const char* word = kWords[next() % 20];
        while (*word != '\0') bytes.push_back(static_cast<std::uint8_t>(*word++));
        break;
      }
      case SampleKind::kBinary: {
        // Little-endian records: a counter, a small value, a flag word.
        const std::uint32_t counter = static_cast<std::uint32_t>(bytes.size() / 12);
        const std::uint32_t value = next() % 600;
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back((counter >> shift) & 0xFF);
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back((value >> shift) & 0xFF);
        bytes.push_back(0x94);
        bytes.push_back(0);
        bytes.push_back(static_cast<std::uint8_t>(next() & 3));
        bytes.push_back(0xFF);
        break;
      }
      case SampleKind::kRandom:
        bytes.push_back(static_cast<std::uint8_t>(next() >> 24));
        break;
      case SampleKind::kRepetitive: {
        const std::uint8_t byte = static_cast<std::uint8_t>(next() % 4 == 0 ? 0x94 : 0x41);
        bytes.insert(bytes.end(), 1 + next() % 400, byte);
        break;
      }
    }
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace vk::compress::testing
