// Every encoder's output decodes to its input, across the sizes where the
// window, the lookahead and the buffers turn over, and both sides agree on
// the checksum.

#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "codec_test_util.h"

namespace vk::compress::testing {
namespace {

using RoundTripParam = std::tuple<MethodKind, SampleKind, std::size_t>;

class CodecRoundTripTest : public ::testing::TestWithParam<RoundTripParam> {};

TEST_P(CodecRoundTripTest, DecodesToTheInput) {
  const auto [kind, sample, size] = GetParam();
  const Bytes plain = Sample(sample, size, static_cast<std::uint32_t>(size));
  const CodecRun encoded = RunOnBytes(CodecDirection::kCompressing, kind, plain);
  EXPECT_EQ(encoded.result.output_count, static_cast<std::int32_t>(encoded.output.size()));
  EXPECT_EQ(encoded.result.checksum,
            std::accumulate(plain.begin(), plain.end(), std::uint32_t{0}));
  if (size == 0) {
    EXPECT_TRUE(encoded.output.empty());
  }

  // The entry's data is followed by more of the archive, which the decoder
  // must leave alone.
  Bytes archive = encoded.output;
  archive.insert(archive.end(), {0x19, 0x00, 0x41});
  vk::platform::TMemoryStream source(archive);
  vk::platform::TMemoryStream dest;
  const CodecResult decoded =
      RunCodec(nullptr, dest, source, CodecDirection::kExpanding, kind,
               static_cast<std::int32_t>(size), static_cast<std::int32_t>(encoded.output.size()));
  // Exactly the input: an encoder's match never passes the end.
  ASSERT_EQ(dest.Data().size(), plain.size());
  EXPECT_TRUE(dest.Data() == plain);
  EXPECT_EQ(decoded.checksum, encoded.result.checksum);
  EXPECT_EQ(source.Position(), static_cast<std::int64_t>(encoded.output.size()));
}

std::string ParamName(const ::testing::TestParamInfo<RoundTripParam>& info) {
  const auto [kind, sample, size] = info.param;
  static const char* const kSamples[] = {"Text", "Binary", "Random", "Repetitive"};
  return std::string(kind == MethodKind::mkLZH ? "Lzh" : "Rle") +
         kSamples[static_cast<int>(sample)] + std::to_string(size);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, CodecRoundTripTest,
    ::testing::Combine(::testing::Values(MethodKind::mkRLE, MethodKind::mkLZH),
                       ::testing::Values(SampleKind::kText, SampleKind::kBinary,
                                         SampleKind::kRandom, SampleKind::kRepetitive),
                       ::testing::Values(0, 1, 2, 3, 59, 60, 61, 119, 120, 121, 4095, 4096, 4097,
                                         8191, 8192, 8193, 3 * 1024 * 1024 + 17)),
    ParamName);

// Runs of a single byte stress the replacement of equal strings and the
// longest matches; runs of the marker stress its escape.
TEST(CodecRoundTripTest, SingleByteRuns) {
  for (const std::uint8_t byte : {0x00, 0x20, 0x94, 0xFF}) {
    for (const std::size_t size : {1, 2, 3, 60, 61, 255, 256, 4096, 70000}) {
      const Bytes plain(size, byte);
      for (const MethodKind kind : {MethodKind::mkRLE, MethodKind::mkLZH}) {
        const Bytes coded = Encode(kind, plain);
        ASSERT_EQ(Decode(kind, coded, static_cast<std::int32_t>(size)), plain)
            << "byte " << int{byte} << " size " << size;
      }
    }
  }
}

}  // namespace
}  // namespace vk::compress::testing
