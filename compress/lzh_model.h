#pragma once
// The adaptive Huffman model of the LZH method, shared by its decoder and
// encoder, and the static prefix code of match positions.
//
// 314 symbols: the bytes 0-255 and the match lengths 3-60 (symbol - 253).
// The 627 tree nodes stay ordered by frequency (the sibling property), so
// the code of a symbol is its path from the root, node 626: 0 for the first
// child, 1 for the second.

#include <array>
#include <cstdint>

namespace vk::compress {

inline constexpr int kLzhWindowSize = 4096;
inline constexpr int kLzhWindowMask = kLzhWindowSize - 1;
inline constexpr int kLzhLongestMatch = 60;
inline constexpr int kLzhMatchThreshold = 2;  // matches this short go out as literals
inline constexpr int kLzhStart = kLzhWindowSize - kLzhLongestMatch;  // 4036
inline constexpr std::uint8_t kLzhFill = 0x20;

inline constexpr int kLzhSymbols = 256 + kLzhLongestMatch - kLzhMatchThreshold;  // 314
inline constexpr int kLzhNodes = 2 * kLzhSymbols - 1;                            // 627
inline constexpr int kLzhRoot = kLzhNodes - 1;                                   // 626
inline constexpr std::uint16_t kLzhRebuildAt = 0x8000;

// The symbol of a match of the given length.
constexpr int LzhLengthSymbol(int length) { return 255 - kLzhMatchThreshold + length; }

class LzhModel {
 public:
  // Builds the starting tree: every symbol counted once, leaves in symbol
  // order.
  void Reset();
  // Counts one occurrence of symbol and restores the order; rebuilds first
  // when the root's count has reached 8000h.
  void Update(int symbol) {
    if (frequency[kLzhRoot] == kLzhRebuildAt) Rebuild();
    UpdateFrom(parent[kLzhNodes + symbol]);
  }
  // Halves every leaf's count (rounding up) and rebuilds the tree.
  void Rebuild();

  // Node 627 holds FFFFh, a sentinel that ends the searches of Update.
  std::array<std::uint16_t, kLzhNodes + 1> frequency;
  // Inner node: its first child (the second is the next number).
  // Leaf: 627 + symbol.
  std::array<std::uint16_t, kLzhNodes> child;
  // 0-626: the parent of each node (0 for the root); 627 + symbol: the
  // node holding the symbol's leaf.
  std::array<std::uint16_t, kLzhNodes + kLzhSymbols> parent;

 private:
  void UpdateFrom(int node);
};

// The prefix code of the upper 6 bits of a match position: 3 bits for 0,
// 4 for 1-3, 5 for 4-11, 6 for 12-23, 7 for 24-47, 8 for 48-63, assigned
// canonically in increasing order of value.
struct PositionCode {
  // Left-aligned in a byte.
  std::array<std::uint8_t, 64> code;
  std::array<std::uint8_t, 64> length;
  // Indexed by the next 8 input bits: the value whose code they begin with,
  // and that code's length.
  std::array<std::uint8_t, 256> decode_value;
  std::array<std::uint8_t, 256> decode_length;
};

const PositionCode& PositionCodeTable();

}  // namespace vk::compress
