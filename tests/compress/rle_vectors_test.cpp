// The RLE format both ways: every item of the code, the run limits, and the
// marker byte, which never forms runs.

#include <gtest/gtest.h>

#include "codec_test_util.h"

namespace vk::compress::testing {
namespace {

struct RleVector {
  const char* name;
  Bytes coded;
  Bytes plain;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Items the decoder must understand, including ones the encoder never writes.
class RleDecodeTest : public ::testing::TestWithParam<RleVector> {};

TEST_P(RleDecodeTest, ExpandsItems) {
  const CodecRun run = RunOnBytes(CodecDirection::kExpanding, MethodKind::mkRLE, GetParam().coded);
  EXPECT_EQ(run.output, GetParam().plain);
  std::uint32_t sum = 0;
  for (std::uint8_t byte : GetParam().plain) sum += byte;
  EXPECT_EQ(run.result.checksum, sum);
}

INSTANTIATE_TEST_SUITE_P(
    Items, RleDecodeTest,
    ::testing::Values(
        RleVector{"Empty", {}, {}},
        RleVector{"RunOfFive", {0x41, 0x94, 0x05}, Bytes(5, 0x41)},
        RleVector{"EscapedMarker", {0x94, 0x00}, {0x94}},
        RleVector{"MarkerAsLastByte", {0x41, 0x94}, {0x41, 0x94}},
        RleVector{"CountOneAddsNothing", {0x41, 0x94, 0x01}, {0x41}},
        RleVector{"CountTwoAddsOne", {0x41, 0x94, 0x02}, {0x41, 0x41}},
        // The previous byte starts as 0.
        RleVector{"RunAtStartRepeatsZero", {0x94, 0x03}, {0x00, 0x00}},
        // After a run item the previous byte is the marker itself.
        RleVector{"SecondRunRepeatsMarker", {0x41, 0x94, 0x03, 0x94, 0x03},
                  {0x41, 0x41, 0x41, 0x94, 0x94}},
        RleVector{"LongestRun", {0x41, 0x94, 0xFF}, Bytes(255, 0x41)},
        RleVector{"RunAcrossChunkBoundary",
                  Concat({Bytes(8191, 0x01), {0x94, 0x04}}),
                  Concat({Bytes(8191, 0x01), Bytes(3, 0x01)})}),
    [](const auto& info) { return std::string(info.param.name); });

// What the encoder writes, byte for byte.
class RleEncodeTest : public ::testing::TestWithParam<RleVector> {};

TEST_P(RleEncodeTest, WritesExactBytes) {
  const CodecRun run =
      RunOnBytes(CodecDirection::kCompressing, MethodKind::mkRLE, GetParam().plain);
  EXPECT_EQ(run.output, GetParam().coded);
  EXPECT_EQ(run.result.output_count, static_cast<std::int32_t>(GetParam().coded.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Items, RleEncodeTest,
    ::testing::Values(
        RleVector{"Empty", {}, {}},
        RleVector{"RunOfThree", {0x41, 0x42, 0x94, 0x03, 0x43}, {0x41, 0x42, 0x42, 0x42, 0x43}},
        RleVector{"PairStaysLiterals", {0x41, 0x41, 0x42}, {0x41, 0x41, 0x42}},
        RleVector{"PairAtEnd", {0x42, 0x41, 0x41}, {0x42, 0x41, 0x41}},
        RleVector{"RunAtEnd", {0x42, 0x41, 0x94, 0x04}, {0x42, 0x41, 0x41, 0x41, 0x41}},
        // Runs stop at 255; the 256th byte is a literal that may start a new run.
        RleVector{"ThreeHundred", {0x41, 0x94, 0xFF, 0x41, 0x94, 0x2D}, Bytes(300, 0x41)},
        RleVector{"TwoHundredFiftySix", {0x41, 0x94, 0xFF, 0x41}, Bytes(256, 0x41)},
        RleVector{"TwoHundredFiftySeven", {0x41, 0x94, 0xFF, 0x41, 0x41}, Bytes(257, 0x41)},
        RleVector{"MarkersNeverRun", {0x94, 0x00, 0x94, 0x00, 0x94, 0x00}, {0x94, 0x94, 0x94}},
        // The first byte never continues the start value 0 of the previous byte.
        RleVector{"ZerosAtStart", {0x00, 0x94, 0x03}, {0x00, 0x00, 0x00}},
        RleVector{"RunEndsAtMarker", {0x41, 0x94, 0x03, 0x94, 0x00, 0x41},
                  {0x41, 0x41, 0x41, 0x94, 0x41}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk::compress::testing
