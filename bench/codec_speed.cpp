// Speed of the LZH and RLE codecs on a few MiB of text, program-like binary,
// random and repetitive data and real program code, in MiB/s of plain data,
// beside a plain memory copy.
//
//   bench_codec_speed --benchmark_filter=Lzh

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "compress/codec_context.h"
#include "platform/stream.h"

namespace {

using vk::compress::CodecDirection;
using vk::compress::MethodKind;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSampleSize = 4 * 1024 * 1024;

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }

 private:
  std::uint64_t state_;
};

// Prose from a vocabulary with a skewed word frequency, in lines.
Bytes MakeText() {
  static const char* const kWords[] = {
      "the",     "of",        "and",      "to",       "a",         "in",      "is",
      "that",    "for",       "it",       "as",       "with",      "was",     "on",
      "be",      "by",        "this",     "are",      "or",        "from",    "at",
      "which",   "setup",     "program",  "files",    "folder",    "install", "disk",
      "Windows", "component", "archive",  "copied",   "target",    "user",    "group",
      "registry", "uninstall", "version", "software", "expanded",  "data",    "medium",
      "space",   "free",      "required", "select",   "continue",  "cancel",  "next",
      "directory", "system",  "product",  "license",  "agreement", "terms",   "copyright",
      "reserved", "rights",   "shall",    "not",      "may",       "any",     "all"};
  constexpr std::uint32_t kCount = sizeof kWords / sizeof kWords[0];
  Random random(1);
  Bytes text;
  text.reserve(kSampleSize + 64);
  std::size_t line = 0;
  bool capital = true;
  while (text.size() < kSampleSize) {
    // Squaring a uniform index favours the first words, roughly like prose.
    const std::uint32_t pick = random.Below(kCount * kCount);
    const char* word = kWords[static_cast<std::uint32_t>(pick / kCount * pick / kCount) % kCount];
    const std::size_t length = std::strlen(word);
    text.insert(text.end(), word, word + length);
    if (capital) text[text.size() - length] = static_cast<std::uint8_t>(std::toupper(word[0]));
    capital = false;
    line += length + 1;
    const std::uint32_t mark = random.Below(20);
    if (mark == 0) {
      text.push_back('.');
      capital = true;
    } else if (mark == 1) {
      text.push_back(',');
    }
    if (line > 70) {
      text.push_back('\r');
      text.push_back('\n');
      line = 0;
    } else {
      text.push_back(' ');
    }
  }
  text.resize(kSampleSize);
  return text;
}

// Something like a program file: code with recurring instruction patterns
// and addresses, tables of little-endian numbers, and runs of zeros.
Bytes MakeBinary() {
  Random random(2);
  Bytes binary;
  binary.reserve(kSampleSize + 4096);
  static const std::uint8_t kOpcodes[][3] = {{0x8B, 0x45, 0x08}, {0x89, 0x45, 0xFC},
                                             {0xE8, 0x00, 0x00}, {0x83, 0xC4, 0x04},
                                             {0x55, 0x8B, 0xEC}, {0x5D, 0xC3, 0x90},
                                             {0x6A, 0x00, 0xFF}, {0x85, 0xC0, 0x74}};
  while (binary.size() < kSampleSize) {
    const std::uint32_t section = random.Below(10);
    if (section < 6) {
      for (int instruction = 0; instruction < 200; ++instruction) {
        const auto& opcode = kOpcodes[random.Below(8)];
        binary.insert(binary.end(), opcode, opcode + 1 + random.Below(3));
        if (random.Below(3) == 0) {
          const std::uint32_t address = 0x401000 + random.Below(0x4000) * 4;
          for (int shift = 0; shift < 32; shift += 8) binary.push_back((address >> shift) & 0xFF);
        } else {
          binary.push_back(static_cast<std::uint8_t>(random.Below(256)));
        }
      }
    } else if (section < 9) {
      std::uint32_t value = random.Next() & 0xFFFF;
      for (int entry = 0; entry < 256; ++entry) {
        value += random.Below(64);
        for (int shift = 0; shift < 32; shift += 8) binary.push_back((value >> shift) & 0xFF);
      }
    } else {
      binary.insert(binary.end(), 64 + random.Below(1024), 0);
    }
  }
  binary.resize(kSampleSize);
  return binary;
}

Bytes MakeRandom() {
  Random random(3);
  Bytes bytes(kSampleSize);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random.Next() >> 23);  // the top 8 of 31 bits
  return bytes;
}

// Long runs of a few bytes, the marker among them.
Bytes MakeRepetitive() {
  Random random(4);
  static const std::uint8_t kBytes[] = {0x00, 0x20, 0xFF, 0x94, 0x41};
  Bytes bytes;
  bytes.reserve(kSampleSize + 2048);
  while (bytes.size() < kSampleSize) bytes.insert(bytes.end(), 1 + random.Below(1000), kBytes[random.Below(5)]);
  bytes.resize(kSampleSize);
  return bytes;
}

// Real program code: this benchmark's own executable, repeated to the
// sample's size (the repeats lie far beyond the LZH window).
Bytes MakeProgram() {
  std::ifstream file("/proc/self/exe", std::ios::binary);
  const Bytes program((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (program.empty()) throw std::runtime_error("cannot read /proc/self/exe for the program sample");
  Bytes bytes;
  bytes.reserve(kSampleSize + program.size());
  while (bytes.size() < kSampleSize) bytes.insert(bytes.end(), program.begin(), program.end());
  bytes.resize(kSampleSize);
  return bytes;
}

const Bytes& Sample(int kind) {
  static const Bytes samples[] = {MakeText(), MakeBinary(), MakeRandom(), MakeRepetitive(),
                                  MakeProgram()};
  return samples[kind];
}

const char* const kSampleNames[] = {"text", "binary", "random", "repetitive", "program"};

// Reads from and writes into fixed memory, so the codec is what is measured.
class FixedStream : public vk::platform::TStream {
 public:
  explicit FixedStream(std::size_t capacity) : data_(capacity) {}
  explicit FixedStream(const Bytes& data) : data_(data), size_(data.size()) {}

  void Rewind() { position_ = 0; }
  void Clear() { position_ = size_ = 0; }
  Bytes Contents() const { return Bytes(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(size_)); }

  std::int32_t Read(void* buffer, std::int32_t count) override {
    const std::size_t size = std::min(static_cast<std::size_t>(count), size_ - position_);
    std::memcpy(buffer, data_.data() + position_, size);
    position_ += size;
    return static_cast<std::int32_t>(size);
  }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const std::size_t size = std::min(static_cast<std::size_t>(count), data_.size() - position_);
    std::memcpy(data_.data() + position_, buffer, size);
    position_ += size;
    size_ = std::max(size_, position_);
    return static_cast<std::int32_t>(size);
  }
  std::int64_t Seek(std::int64_t offset, vk::platform::SeekOrigin origin) override {
    if (origin == vk::platform::SeekOrigin::kBeginning) position_ = static_cast<std::size_t>(offset);
    if (origin == vk::platform::SeekOrigin::kCurrent) position_ += static_cast<std::size_t>(offset);
    if (origin == vk::platform::SeekOrigin::kEnd) position_ = size_ + static_cast<std::size_t>(offset);
    return static_cast<std::int64_t>(position_);
  }

 private:
  Bytes data_;
  std::size_t size_ = 0;
  std::size_t position_ = 0;
};

Bytes Compress(MethodKind kind, const Bytes& plain) {
  FixedStream source(plain);
  FixedStream dest(plain.size() * 2 + 1024);
  vk::compress::RunCodec(nullptr, dest, source, CodecDirection::kCompressing, kind, 0,
                         static_cast<std::int32_t>(plain.size()));
  return dest.Contents();
}

void Encode(benchmark::State& state, MethodKind kind) {
  const Bytes& plain = Sample(static_cast<int>(state.range(0)));
  FixedStream source(plain);
  FixedStream dest(plain.size() * 2 + 1024);
  std::int32_t compressed = 0;
  for (auto _ : state) {
    source.Rewind();
    dest.Clear();
    compressed = vk::compress::RunCodec(nullptr, dest, source, CodecDirection::kCompressing, kind,
                                        0, static_cast<std::int32_t>(plain.size()))
                     .output_count;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
  state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(plain.size());
  state.SetLabel(kSampleNames[state.range(0)]);
}

void Decode(benchmark::State& state, MethodKind kind) {
  const Bytes& plain = Sample(static_cast<int>(state.range(0)));
  const Bytes coded = Compress(kind, plain);
  FixedStream source(coded);
  FixedStream dest(plain.size() + 1024);
  for (auto _ : state) {
    source.Rewind();
    dest.Clear();
    vk::compress::RunCodec(nullptr, dest, source, CodecDirection::kExpanding, kind,
                           static_cast<std::int32_t>(plain.size()),
                           static_cast<std::int32_t>(coded.size()));
  }
  if (dest.Contents() != plain) state.SkipWithError("decoded data differs from the input");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
  state.SetLabel(kSampleNames[state.range(0)]);
}

void BM_LzhEncode(benchmark::State& state) { Encode(state, MethodKind::mkLZH); }
void BM_LzhDecode(benchmark::State& state) { Decode(state, MethodKind::mkLZH); }
void BM_RleEncode(benchmark::State& state) { Encode(state, MethodKind::mkRLE); }
void BM_RleDecode(benchmark::State& state) { Decode(state, MethodKind::mkRLE); }

void BM_MemoryCopy(benchmark::State& state) {
  const Bytes& plain = Sample(static_cast<int>(state.range(0)));
  Bytes copy(plain.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), plain.data(), plain.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
  state.SetLabel(kSampleNames[state.range(0)]);
}

BENCHMARK(BM_LzhEncode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzhDecode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RleEncode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RleDecode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryCopy)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace
