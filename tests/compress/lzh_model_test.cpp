// The adaptive Huffman model: its starting codes, the order it keeps while
// counting, and the rebuild when the root's count reaches 8000h.

#include <gtest/gtest.h>

#include <random>

#include "codec_test_util.h"
#include "compress/lzh_model.h"

namespace vk::compress::testing {
namespace {

// The code of symbol as the path from the root: a string of '0' and '1'.
std::string CodeOf(const LzhModel& model, int symbol) {
  std::string code;
  for (int node = model.parent[kLzhNodes + symbol]; node != kLzhRoot; node = model.parent[node]) {
    code.insert(code.begin(), (node & 1) ? '1' : '0');
  }
  return code;
}

// Counts never decrease with the node number, an inner node counts its two
// children, and the parent links agree with the child links.
void ExpectOrdered(const LzhModel& model) {
  for (int node = 0; node + 1 < kLzhNodes; ++node) {
    ASSERT_LE(model.frequency[node], model.frequency[node + 1]) << "node " << node;
  }
  int leaves = 0;
  for (int node = 0; node < kLzhNodes; ++node) {
    const int first = model.child[node];
    if (first >= kLzhNodes) {
      ++leaves;
      ASSERT_EQ(model.parent[first], node);
    } else {
      ASSERT_EQ(model.frequency[node], model.frequency[first] + model.frequency[first + 1]);
      ASSERT_EQ(model.parent[first], node);
      ASSERT_EQ(model.parent[first + 1], node);
    }
  }
  EXPECT_EQ(leaves, kLzhSymbols);
  EXPECT_EQ(model.frequency[kLzhNodes], 0xFFFF);
}

TEST(LzhModelTest, StartingCodesAreEightOrNineBits) {
  LzhModel model;
  model.Reset();
  ExpectOrdered(model);
  int eight = 0;
  int nine = 0;
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    const std::size_t length = CodeOf(model, symbol).size();
    eight += length == 8;
    nine += length == 9;
  }
  EXPECT_EQ(eight, 198);
  EXPECT_EQ(nine, 116);
  EXPECT_EQ(CodeOf(model, 116), "00000000");
  EXPECT_EQ(CodeOf(model, 115), "111111111");
  EXPECT_EQ(CodeOf(model, 0x20), "110101100");
}

// The decoder reads the same starting codes from the bit stream.
TEST(LzhModelTest, DecoderReadsStartingCodes) {
  struct Case {
    Bytes coded;
    std::uint8_t byte;
  };
  for (const Case& test : {Case{{0x00}, 0x74}, Case{{0xFF, 0x80}, 0x73}, Case{{0xD6, 0x00}, 0x20}}) {
    EXPECT_EQ(Decode(MethodKind::mkLZH, test.coded, 1), Bytes{test.byte});
  }
}

TEST(LzhModelTest, UpdatesKeepTheOrder) {
  LzhModel model;
  model.Reset();
  std::mt19937 random(7);
  // Skewed symbols, so that nodes move far and the tree gets deep.
  std::geometric_distribution<int> symbols(0.05);
  for (int step = 0; step < 100000; ++step) {
    model.Update(symbols(random) % kLzhSymbols);
    if (step % 9973 == 0) ExpectOrdered(model);
  }
  ExpectOrdered(model);
}

TEST(LzhModelTest, RebuildsWhenTheRootReachesItsLimit) {
  LzhModel model;
  model.Reset();
  std::mt19937 random(11);
  std::uniform_int_distribution<int> symbols(0, kLzhSymbols - 1);
  while (model.frequency[kLzhRoot] < kLzhRebuildAt) {
    model.Update(symbols(random));
    ASSERT_LE(model.frequency[kLzhRoot], kLzhRebuildAt);
  }
  std::vector<int> before(kLzhSymbols);
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    before[symbol] = model.frequency[model.parent[kLzhNodes + symbol]];
  }
  // The root at the limit is left alone until the next symbol comes.
  const int counted = 42;
  model.Update(counted);
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    const int expected = (before[symbol] + 1) / 2 + (symbol == counted ? 1 : 0);
    ASSERT_EQ(model.frequency[model.parent[kLzhNodes + symbol]], expected) << "symbol " << symbol;
  }
  ExpectOrdered(model);
}

TEST(LzhModelTest, PositionCodesAreCanonical) {
  const PositionCode& table = PositionCodeTable();
  const std::uint8_t first_codes[] = {0x00, 0x20, 0x30, 0x40, 0x50, 0x58, 0x60,
                                      0x68, 0x70, 0x78, 0x80, 0x88, 0x90, 0x94};
  for (int value = 0; value < 14; ++value) EXPECT_EQ(table.code[value], first_codes[value]);
  EXPECT_EQ(table.code[62], 0xFE);
  EXPECT_EQ(table.code[63], 0xFF);
  // Every 8-bit prefix decodes to the value whose code it begins with.
  for (int value = 0; value < 64; ++value) {
    const int length = table.length[value];
    for (int tail = 0; tail < (1 << (8 - length)); ++tail) {
      const int index = table.code[value] | tail;
      ASSERT_EQ(table.decode_value[index], value);
      ASSERT_EQ(table.decode_length[index], length);
    }
  }
}

}  // namespace
}  // namespace vk::compress::testing
