// The buffered source and sink: chunk reads, progress values and cancel,
// block writes, byte sums, and streams that deliver or take too little.

#include <gtest/gtest.h>

#include <numeric>

#include "codec_test_util.h"
#include "platform/stream.h"

namespace vk::compress::testing {
namespace {

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t index = 0; index < size; ++index) {
    bytes[index] = static_cast<std::uint8_t>((index * 7 + index / 251) % 251);
  }
  return bytes;
}

// RLE data that expands to itself: a pattern without the marker byte.
Bytes Literals(std::size_t size) {
  Bytes bytes = Pattern(size);
  for (auto& byte : bytes) {
    if (byte == 0x94) byte = 0x95;
  }
  return bytes;
}

std::uint32_t Sum(const Bytes& bytes) {
  return std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0});
}

struct ProgressCase {
  std::int32_t source_size;
  std::vector<std::int32_t> reads;
  std::vector<std::int32_t> percentages;
};

class CodecProgressTest : public ::testing::TestWithParam<ProgressCase> {};

// One read and one progress call per chunk, before the chunk is decoded.
TEST_P(CodecProgressTest, ReportsPercentageAfterEachChunk) {
  const ProgressCase& test = GetParam();
  const Bytes data = Literals(static_cast<std::size_t>(test.source_size));
  RecordingSource source(data);
  RecordingDest dest;
  std::vector<std::int32_t> percentages;
  std::vector<std::size_t> written_at_call;
  const TShowProgressEvent progress = [&](std::int32_t& percent) {
    percentages.push_back(percent);
    written_at_call.push_back(dest.data.size());
  };
  const CodecResult result = RunCodec(progress, dest, source, CodecDirection::kExpanding,
                                      MethodKind::mkRLE, 0, test.source_size);
  EXPECT_EQ(source.delivered, test.reads);
  EXPECT_EQ(percentages, test.percentages);
  EXPECT_EQ(dest.data, data);
  EXPECT_EQ(result.checksum, Sum(data));
  for (std::size_t call = 0; call < written_at_call.size(); ++call) {
    EXPECT_LE(written_at_call[call], call * CodecContext::kBufferSize);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CodecProgressTest,
    ::testing::Values(ProgressCase{0, {}, {}},
                      ProgressCase{1, {1}, {100}},
                      ProgressCase{8192, {8192}, {100}},
                      ProgressCase{8193, {8192, 1}, {99, 100}},
                      ProgressCase{20000, {8192, 8192, 3616}, {40, 81, 100}}));

TEST(CodecContextTest, ReadsNeverPastTheEntry) {
  // The entry's 100 bytes are followed by the next entry's header.
  Bytes archive = Literals(100);
  archive.insert(archive.end(), 50, 0xAA);
  vk::platform::TMemoryStream source(archive);
  vk::platform::TMemoryStream dest;
  RunCodec(nullptr, dest, source, CodecDirection::kExpanding, MethodKind::mkRLE, 0, 100);
  EXPECT_EQ(source.Position(), 100);
  EXPECT_EQ(dest.Data(), Literals(100));
}

TEST(CodecContextTest, NegativeSourceSizeReadsNothing) {
  RecordingSource source(Literals(10));
  RecordingDest dest;
  const CodecResult result =
      RunCodec(nullptr, dest, source, CodecDirection::kExpanding, MethodKind::mkRLE, 0, -5);
  EXPECT_TRUE(source.requested.empty());
  EXPECT_TRUE(dest.data.empty());
  EXPECT_EQ(result.checksum, 0u);
}

// A short read (a truncated archive) leaves bytes to read; the next empty
// buffer reads again, and a read of nothing ends the input.
TEST(CodecContextTest, ShortReadsReadAgainUntilNothingComes) {
  const Bytes data = Literals(20000);
  RecordingSource source(data, 5000);
  source.EndAfter(12000);
  RecordingDest dest;
  std::vector<std::int32_t> percentages;
  const TShowProgressEvent progress = [&](std::int32_t& percent) {
    percentages.push_back(percent);
  };
  RunCodec(progress, dest, source, CodecDirection::kExpanding, MethodKind::mkRLE, 0, 20000);
  EXPECT_EQ(source.requested, (std::vector<std::int32_t>{8192, 8192, 8192, 8000}));
  EXPECT_EQ(source.delivered, (std::vector<std::int32_t>{5000, 5000, 2000, 0}));
  // The share of Sourcesize read so far.
  EXPECT_EQ(percentages, (std::vector<std::int32_t>{25, 50, 60}));
  EXPECT_EQ(dest.data, Bytes(data.begin(), data.begin() + 12000));
}

struct CancelCase {
  const char* name;
  int cancel_at_call;  // 1-based
  std::size_t rle_output;
};

class CodecCancelTest : public ::testing::TestWithParam<CancelCase> {};

// A negative percentage ends the input: the chunk just read is never handed
// out, and nothing more is read or reported.
TEST_P(CodecCancelTest, NegativePercentageEndsTheInput) {
  const CancelCase& test = GetParam();
  const Bytes data = Literals(30000);
  RecordingSource source(data);
  RecordingDest dest;
  int calls = 0;
  const TShowProgressEvent progress = [&](std::int32_t& percent) {
    if (++calls == test.cancel_at_call) percent = -1;
  };
  const CodecResult result = RunCodec(progress, dest, source, CodecDirection::kExpanding,
                                      MethodKind::mkRLE, 0, 30000);
  EXPECT_EQ(calls, test.cancel_at_call);
  EXPECT_EQ(source.requested.size(), static_cast<std::size_t>(test.cancel_at_call));
  EXPECT_EQ(dest.data, Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(test.rle_output)));
  EXPECT_EQ(result.checksum, Sum(dest.data));
}

INSTANTIATE_TEST_SUITE_P(Calls, CodecCancelTest,
                         ::testing::Values(CancelCase{"First", 1, 0}, CancelCase{"Second", 2, 8192},
                                           CancelCase{"Last", 4, 3 * 8192}),
                         [](const auto& info) { return std::string(info.param.name); });

// Cancelled LZH data is decoded from zero bits, as if the data were empty.
TEST(CodecContextTest, CancelledLzhEntryDecodesFromZeroBits) {
  const Bytes plain = Pattern(5000);
  const Bytes coded = Encode(MethodKind::mkLZH, plain);
  const TShowProgressEvent cancel = [](std::int32_t& percent) { percent = -1; };
  const CodecRun cancelled =
      RunOnBytes(CodecDirection::kExpanding, MethodKind::mkLZH, coded, 5000, cancel);
  const Bytes zeros(coded.size(), 0);
  EXPECT_EQ(cancelled.output, Decode(MethodKind::mkLZH, zeros, 5000));
  EXPECT_GE(cancelled.output.size(), 5000u);
  EXPECT_NE(cancelled.output, plain);
}

struct BlockCase {
  std::size_t output_size;
  std::vector<std::int32_t> writes;
};

class CodecBlockTest : public ::testing::TestWithParam<BlockCase> {};

// Full blocks of 8192 bytes go out when the next byte comes; the rest goes
// out at the end in one write.
TEST_P(CodecBlockTest, WritesBlocksOf8192) {
  const Bytes data = Literals(GetParam().output_size);
  vk::platform::TMemoryStream source(data);
  RecordingDest dest;
  RunCodec(nullptr, dest, source, CodecDirection::kExpanding, MethodKind::mkRLE, 0,
           static_cast<std::int32_t>(data.size()));
  EXPECT_EQ(dest.writes, GetParam().writes);
  EXPECT_EQ(dest.data, data);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CodecBlockTest,
                         ::testing::Values(BlockCase{0, {}}, BlockCase{8191, {8191}},
                                           BlockCase{8192, {8192}}, BlockCase{8193, {8192, 1}},
                                           BlockCase{16384, {8192, 8192}}));

struct ShortWriteCase {
  const char* name;
  std::size_t output_size;
  std::size_t capacity;
};

class CodecShortWriteTest : public ::testing::TestWithParam<ShortWriteCase> {};

// A full disk is an error, both for a full block and for the last piece.
TEST_P(CodecShortWriteTest, RaisesWriteError) {
  const Bytes data = Literals(GetParam().output_size);
  vk::platform::TMemoryStream source(data);
  RecordingDest dest(GetParam().capacity);
  EXPECT_THROW(RunCodec(nullptr, dest, source, CodecDirection::kExpanding, MethodKind::mkRLE, 0,
                        static_cast<std::int32_t>(data.size())),
               vk::platform::EWriteError);
}

INSTANTIATE_TEST_SUITE_P(Places, CodecShortWriteTest,
                         ::testing::Values(ShortWriteCase{"FullBlock", 20000, 100},
                                           ShortWriteCase{"LastPiece", 9000, 8192 + 10},
                                           ShortWriteCase{"Compressing", 100000, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodecContextTest, ChecksumWrapsAt32Bits) {
  // 16,843,010 bytes of FFh sum to 4,294,967,550, which wraps to 254.
  const Bytes plain(16'843'010, 0xFF);
  const CodecRun run = RunOnBytes(CodecDirection::kCompressing, MethodKind::mkRLE, plain);
  EXPECT_EQ(run.result.checksum, 254u);
  EXPECT_EQ(Decode(MethodKind::mkRLE, run.output, 0).size(), plain.size());
  EXPECT_EQ(RunOnBytes(CodecDirection::kExpanding, MethodKind::mkRLE, run.output).result.checksum,
            254u);
}

TEST(CodecContextTest, OtherKindsRunNothing) {
  for (const MethodKind kind : {MethodKind::mkStored, MethodKind::mkCustom}) {
    for (const CodecDirection direction :
         {CodecDirection::kExpanding, CodecDirection::kCompressing}) {
      RecordingSource source(Literals(100));
      RecordingDest dest;
      const CodecResult result = RunCodec(nullptr, dest, source, direction, kind, 100, 100);
      EXPECT_EQ(result.checksum, 0u);
      EXPECT_EQ(result.output_count, 0);
      EXPECT_TRUE(source.requested.empty());
      EXPECT_TRUE(dest.writes.empty());
    }
  }
}

}  // namespace
}  // namespace vk::compress::testing
