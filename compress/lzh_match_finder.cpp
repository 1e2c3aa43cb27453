#include "compress/lzh_match_finder.h"

#include <algorithm>
#include <cstring>

namespace vk::compress {

void LzhMatchFinder::Reset() {
  std::fill(window_.begin(), window_.begin() + kLzhStart, kLzhFill);
  // Positions the input has not filled yet, and the mirror before the input
  // reaches it: any fixed value keeps the output repeatable.
  std::fill(window_.begin() + kLzhStart, window_.end(), 0);
  std::fill(right_.begin() + kFirstRoot, right_.end(), kNone);
  std::fill(parent_.begin(), parent_.end(), kNone);
  match_position_ = 0;
  match_length_ = 0;
}

int LzhMatchFinder::Root(int r) const {
  const unsigned x = window_[r + 1] ^ window_[r + 2];
  return kFirstRoot + window_[r] + 256 * static_cast<int>((x ^ (x >> 4)) & 0x0F);
}

int LzhMatchFinder::CommonPrefix(int a, int b, int from) const {
  const std::uint8_t* left = window_.data() + a;
  const std::uint8_t* right = window_.data() + b;
  for (int offset = from; offset < kLzhLongestMatch; offset += 8) {
    std::uint64_t left_word;
    std::uint64_t right_word;
    std::memcpy(&left_word, left + offset, sizeof left_word);
    std::memcpy(&right_word, right + offset, sizeof right_word);
    const std::uint64_t difference = left_word ^ right_word;
    if (difference != 0) {
      // Little-endian: the lowest set bit is in the first differing byte.
      return std::min(offset + __builtin_ctzll(difference) / 8, kLzhLongestMatch);
    }
  }
  return kLzhLongestMatch;
}

int LzhMatchFinder::PrefixAgainst(int node, int parent) const {
  if (parent >= kFirstRoot) return 1;
  return CommonPrefix(node, parent, 1);
}

void LzhMatchFinder::Relink(int parent, int old_child, int new_child) {
  // A root has only a right child.
  if (parent >= kFirstRoot || right_[parent] == old_child) {
    right_[parent] = static_cast<std::uint16_t>(new_child);
  } else {
    left_[parent] = static_cast<std::uint16_t>(new_child);
  }
}

void LzhMatchFinder::Insert(int r) {
  left_[r] = right_[r] = kNone;
  match_length_ = 0;
  int p = Root(r);
  int comparison = 1;
  int equal = 1;  // leading bytes known equal between r and p
  for (;;) {
    std::uint16_t* link = comparison >= 0 ? &right_[p] : &left_[p];
    if (*link == kNone) {
      *link = static_cast<std::uint16_t>(r);
      parent_[r] = static_cast<std::uint16_t>(p);
      known_prefix_[r] = static_cast<std::uint8_t>(equal);
      return;
    }
    p = *link;
    const int known = known_prefix_[p];
    if (known < equal) {
      // p parts from its parent before r does: r and p part right there.
      equal = known;
      comparison = window_[r + equal] - window_[p + equal];
    } else if (known == equal) {
      equal = CommonPrefix(r, p, equal);
      // At 60 equal bytes this reads the slack; the result is then unused.
      comparison = window_[r + equal] - window_[p + equal];
    }
    // known > equal: p agrees with its parent beyond where r parts from it,
    // so r parts from p at the same byte, the same way.
    if (equal > kLzhMatchThreshold && equal >= match_length_) {
      const int position = ((r - p) & kLzhWindowMask) - 1;
      if (equal > match_length_) {
        match_position_ = position;
        match_length_ = equal;
        if (equal >= kLzhLongestMatch) break;
      } else if (position < match_position_) {
        match_position_ = position;
      }
    }
  }
  // r equals p in all 60 bytes and is newer: r takes p's place.
  parent_[r] = parent_[p];
  left_[r] = left_[p];
  right_[r] = right_[p];
  known_prefix_[r] = known_prefix_[p];
  parent_[left_[p]] = static_cast<std::uint16_t>(r);
  parent_[right_[p]] = static_cast<std::uint16_t>(r);
  Relink(parent_[p], p, r);
  parent_[p] = kNone;
}

void LzhMatchFinder::Delete(int p) {
  if (parent_[p] == kNone) return;
  const int above = parent_[p];
  // A node moving up from under `from` to under from's parent `to` keeps a
  // true known prefix without comparing, except when both prefixes agree.
  auto move_up = [this](int node, int from, int to) {
    if (node == kNone) return;
    const int from_prefix = known_prefix_[from];
    const int node_prefix = known_prefix_[node];
    if (from_prefix < node_prefix) {
      known_prefix_[node] = static_cast<std::uint8_t>(from_prefix);
    } else if (from_prefix == node_prefix) {
      known_prefix_[node] =
          static_cast<std::uint8_t>(to >= kFirstRoot ? 1 : CommonPrefix(node, to, from_prefix));
    }
  };
  int q;
  if (right_[p] == kNone) {
    q = left_[p];
    move_up(q, p, above);
  } else if (left_[p] == kNone) {
    q = right_[p];
    move_up(q, p, above);
  } else {
    const int old_left = left_[p];
    const int old_right = right_[p];
    q = old_left;
    const bool deeper = right_[q] != kNone;
    if (deeper) {
      do {
        q = right_[q];
      } while (right_[q] != kNone);
      const int q_parent = parent_[q];
      const int q_left = left_[q];
      move_up(q_left, q, q_parent);
      right_[q_parent] = static_cast<std::uint16_t>(q_left);
      parent_[q_left] = static_cast<std::uint16_t>(q_parent);
      left_[q] = static_cast<std::uint16_t>(old_left);
      parent_[old_left] = static_cast<std::uint16_t>(q);
    }
    right_[q] = static_cast<std::uint16_t>(old_right);
    parent_[old_right] = static_cast<std::uint16_t>(q);
    known_prefix_[q] = static_cast<std::uint8_t>(PrefixAgainst(q, above));
    known_prefix_[old_right] = static_cast<std::uint8_t>(PrefixAgainst(old_right, q));
    if (deeper) known_prefix_[old_left] = static_cast<std::uint8_t>(PrefixAgainst(old_left, q));
  }
  parent_[q] = static_cast<std::uint16_t>(above);
  Relink(above, p, q);
  parent_[p] = kNone;
}

}  // namespace vk::compress
