// The byte vectors the LZH format fixes: the encoder must produce exactly
// these bytes, and the decoder must read them back.

#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "compress/method_kind.h"

namespace vk::compress::testing {
namespace {

struct LzhVector {
  const char* name;
  Bytes plain;
  Bytes coded;
};

class LzhVectorTest : public ::testing::TestWithParam<LzhVector> {};

TEST_P(LzhVectorTest, EncoderProducesExactBytes) {
  EXPECT_EQ(Encode(MethodKind::mkLZH, GetParam().plain), GetParam().coded);
}

TEST_P(LzhVectorTest, DecoderRestoresPlainBytes) {
  const auto& vector = GetParam();
  const CodecRun run = RunOnBytes(CodecDirection::kExpanding, MethodKind::mkLZH, vector.coded,
                           static_cast<std::int32_t>(vector.plain.size()));
  EXPECT_EQ(run.output, vector.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Format, LzhVectorTest,
    ::testing::Values(
        LzhVector{"SingleLiteral", {0x41}, {0xE6, 0x80}},
        // A literal, then a match of length 7 at position 0.
        LzhVector{"RunOfEight", Bytes(8, 0x41), {0xE6, 0xC8, 0x00, 0x00}},
        // Three literals, then a match of length 6 at position 2.
        LzhVector{"RepeatedTriple", ToBytes("abcabcabc"), {0xF6, 0xFB, 0xBD, 0xF1, 0xE0, 0x20}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk::compress::testing
