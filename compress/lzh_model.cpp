#include "compress/lzh_model.h"

#include <algorithm>

namespace vk::compress {
namespace {

constexpr PositionCode MakePositionCode() {
  PositionCode table{};
  int code = 0;
  int previous_length = 3;
  for (int value = 0; value < 64; ++value) {
    const int length = value == 0 ? 3 : value < 4 ? 4 : value < 12 ? 5 : value < 24 ? 6
                                  : value < 48 ? 7 : 8;
    if (value > 0) code = (code + 1) << (length - previous_length);
    previous_length = length;
    table.code[value] = static_cast<std::uint8_t>(code << (8 - length));
    table.length[value] = static_cast<std::uint8_t>(length);
    const int first = code << (8 - length);
    for (int index = first; index < first + (1 << (8 - length)); ++index) {
      table.decode_value[index] = static_cast<std::uint8_t>(value);
      table.decode_length[index] = static_cast<std::uint8_t>(length);
    }
  }
  return table;
}

constexpr PositionCode kPositionCode = MakePositionCode();
static_assert(kPositionCode.code[63] == 0xFF && kPositionCode.code[13] == 0x94);

}  // namespace

const PositionCode& PositionCodeTable() { return kPositionCode; }

void LzhModel::Reset() {
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    frequency[symbol] = 1;
    child[symbol] = static_cast<std::uint16_t>(kLzhNodes + symbol);
    parent[kLzhNodes + symbol] = static_cast<std::uint16_t>(symbol);
  }
  for (int node = kLzhSymbols, first = 0; node < kLzhNodes; ++node, first += 2) {
    frequency[node] = static_cast<std::uint16_t>(frequency[first] + frequency[first + 1]);
    child[node] = static_cast<std::uint16_t>(first);
    parent[first] = parent[first + 1] = static_cast<std::uint16_t>(node);
  }
  frequency[kLzhNodes] = 0xFFFF;
  parent[kLzhRoot] = 0;
}

void LzhModel::Rebuild() {
  // Collect the leaves at the bottom, in their old order, counts halved.
  int leaf = 0;
  for (int node = 0; node < kLzhNodes; ++node) {
    if (child[node] >= kLzhNodes) {
      frequency[leaf] = static_cast<std::uint16_t>((frequency[node] + 1) / 2);
      child[leaf] = child[node];
      ++leaf;
    }
  }
  // Join pairs from the bottom up, inserting each sum where it keeps the
  // counts ordered (after every equal count).
  for (int node = kLzhSymbols, first = 0; node < kLzhNodes; ++node, first += 2) {
    const auto sum = static_cast<std::uint16_t>(frequency[first] + frequency[first + 1]);
    frequency[node] = sum;
    int place = node - 1;
    while (sum < frequency[place]) --place;
    ++place;
    std::copy_backward(frequency.begin() + place, frequency.begin() + node,
                       frequency.begin() + node + 1);
    std::copy_backward(child.begin() + place, child.begin() + node, child.begin() + node + 1);
    frequency[place] = sum;
    child[place] = static_cast<std::uint16_t>(first);
  }
  for (int node = 0; node < kLzhNodes; ++node) {
    const int first = child[node];
    parent[first] = static_cast<std::uint16_t>(node);
    if (first < kLzhNodes) parent[first + 1] = static_cast<std::uint16_t>(node);
  }
}

void LzhModel::UpdateFrom(int node) {
  do {
    const std::uint16_t count = ++frequency[node];
    if (count > frequency[node + 1]) {
      // Swap with the highest node whose count is still below the new one;
      // the sentinel at 627 ends the search.
      int swap = node + 2;
      while (count > frequency[swap]) ++swap;
      --swap;
      frequency[node] = frequency[swap];
      frequency[swap] = count;

      const int node_child = child[node];
      parent[node_child] = static_cast<std::uint16_t>(swap);
      if (node_child < kLzhNodes) parent[node_child + 1] = static_cast<std::uint16_t>(swap);

      const int swap_child = child[swap];
      child[swap] = static_cast<std::uint16_t>(node_child);
      parent[swap_child] = static_cast<std::uint16_t>(node);
      if (swap_child < kLzhNodes) parent[swap_child + 1] = static_cast<std::uint16_t>(node);
      child[node] = static_cast<std::uint16_t>(swap_child);

      node = swap;
    }
    node = parent[node];
  } while (node != 0);
}

}  // namespace vk::compress
