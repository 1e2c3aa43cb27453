#include "compress/lzh_match_finder.h"

#include <algorithm>
#include <cstring>

namespace vk::compress {
namespace {

std::uint64_t LoadWord(const std::uint8_t* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

}  // namespace

void LzhMatchFinder::Reset() {
  std::fill(window_.begin(), window_.begin() + kLzhStart, kLzhFill);
  // Positions the input has not filled yet, and the mirror before the input
  // reaches it: any fixed value keeps the output repeatable.
  std::fill(window_.begin() + kLzhStart, window_.end(), 0);
  roots_.fill(kNone);
  parent_.fill(kNone);
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
    const std::uint64_t difference = LoadWord(left + offset) ^ LoadWord(right + offset);
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

std::uint16_t& LzhMatchFinder::LinkOf(int parent, int side) {
  // A root has only one child.
  return parent >= kFirstRoot ? roots_[parent - kFirstRoot] : child_[parent][side];
}

std::uint16_t& LzhMatchFinder::LinkTo(int parent, int child) {
  return LinkOf(parent, parent < kFirstRoot && child_[parent][1] == child);
}

void LzhMatchFinder::Insert(int r) {
  const std::uint8_t* const text = window_.data();
  child_[r] = {kNone, kNone};
  int parent = Root(r);
  int side = 1;   // the side of parent that p hangs on; a root's child counts as greater
  int equal = 1;  // leading bytes known equal between r and p
  int length = kLzhMatchThreshold;  // a match must be longer than this
  int position = match_position_;
  int p = roots_[parent - kFirstRoot];
  // The walk down is bound by the latency of each step, not by its work: a
  // step loads the node whole and chooses its next node without jumps, since
  // on typical data the way a string goes is unpredictable.
  while (p != kNone) {
    const int known = known_[p];
    std::uint32_t children;  // both links in one word, to choose by a shift
    std::memcpy(&children, child_[p].data(), sizeof children);
    // The words at `equal` hold where r and p part, unless p parts from its
    // parent first (then they part where p does, at `known`, the other way
    // than r went at the parent) or later (at `equal`, the same way).
    const std::uint64_t mine = LoadWord(text + r + equal);
    const std::uint64_t theirs = LoadWord(text + p + equal);
    const std::uint64_t difference = mine ^ theirs;
    int next_equal;
    int next_side;
    if ((static_cast<std::uint64_t>(known ^ equal) | difference) == 0) {
      // Equal so far and in all eight bytes: look further.
      next_equal = CommonPrefix(r, p, equal + 8);
      next_side = text[r + next_equal] > text[p + next_equal];
    } else {
      // Past 60 when the strings are equal in all 60 bytes.
      const int parting = equal + __builtin_ctzll(difference | (std::uint64_t{1} << 63)) / 8;
      // In big-endian order the words compare like the strings.
      const int greater = __builtin_bswap64(mine) > __builtin_bswap64(theirs);
      const int before = -static_cast<int>(known < equal);  // all ones or zero
      const int after = -static_cast<int>(known > equal);
      const int same = ~(before | after);
      next_equal = (parting & same) | (known & before) | (equal & after);
      next_side = (greater & same) | ((side ^ 1) & before) | (side & after);
    }
    // The longest match on the way, the nearest of equally long ones.
    const int distance = ((r - p) & kLzhWindowMask) - 1;
    const int longer = -static_cast<int>(next_equal > length);
    const int nearer = -static_cast<int>((next_equal == length) & (length > kLzhMatchThreshold) &
                                         (distance < position));
    position ^= (position ^ distance) & (longer | nearer);
    length ^= (length ^ next_equal) & longer;
    if (next_equal >= kLzhLongestMatch) {
      // r equals p in all 60 bytes and is newer: r takes p's place.
      child_[r] = child_[p];
      parent_[r] = parent_[p];
      known_[r] = known_[p];
      parent_[child_[p][0]] = static_cast<std::uint16_t>(r);
      parent_[child_[p][1]] = static_cast<std::uint16_t>(r);
      LinkOf(parent, side) = static_cast<std::uint16_t>(r);
      parent_[p] = kNone;
      match_length_ = kLzhLongestMatch;
      match_position_ = distance;
      return;
    }
    parent = p;
    side = next_side;
    equal = next_equal;
    p = static_cast<int>((children >> (16 * next_side)) & 0xFFFF);
  }
  LinkOf(parent, side) = static_cast<std::uint16_t>(r);
  parent_[r] = static_cast<std::uint16_t>(parent);
  known_[r] = static_cast<std::uint8_t>(equal);
  match_length_ = length > kLzhMatchThreshold ? length : 0;
  match_position_ = position;
}

void LzhMatchFinder::Delete(int p) {
  if (parent_[p] == kNone) return;
  const int above = parent_[p];
  // A node moving up from under `from` to under from's parent `to` keeps a
  // true known prefix without comparing, except when both prefixes agree.
  auto move_up = [this](int node, int from, int to) {
    if (node == kNone) return;
    const int from_prefix = known_[from];
    const int node_prefix = known_[node];
    if (from_prefix < node_prefix) {
      known_[node] = static_cast<std::uint8_t>(from_prefix);
    } else if (from_prefix == node_prefix) {
      known_[node] =
          static_cast<std::uint8_t>(to >= kFirstRoot ? 1 : CommonPrefix(node, to, from_prefix));
    }
  };
  std::uint16_t& link = LinkTo(above, p);
  int q;
  if (child_[p][1] == kNone) {
    q = child_[p][0];
    move_up(q, p, above);
  } else if (child_[p][0] == kNone) {
    q = child_[p][1];
    move_up(q, p, above);
  } else {
    // The greatest of the smaller strings takes p's place.
    const int old_left = child_[p][0];
    const int old_right = child_[p][1];
    q = old_left;
    const bool deeper = child_[q][1] != kNone;
    if (deeper) {
      do {
        q = child_[q][1];
      } while (child_[q][1] != kNone);
      const int q_parent = parent_[q];
      const int q_left = child_[q][0];
      move_up(q_left, q, q_parent);
      child_[q_parent][1] = static_cast<std::uint16_t>(q_left);
      parent_[q_left] = static_cast<std::uint16_t>(q_parent);
      child_[q][0] = static_cast<std::uint16_t>(old_left);
      parent_[old_left] = static_cast<std::uint16_t>(q);
    }
    child_[q][1] = static_cast<std::uint16_t>(old_right);
    parent_[old_right] = static_cast<std::uint16_t>(q);
    known_[q] = static_cast<std::uint8_t>(PrefixAgainst(q, above));
    known_[old_right] = static_cast<std::uint8_t>(PrefixAgainst(old_right, q));
    if (deeper) known_[old_left] = static_cast<std::uint8_t>(PrefixAgainst(old_left, q));
  }
  parent_[q] = static_cast<std::uint16_t>(above);
  link = static_cast<std::uint16_t>(q);
  parent_[p] = kNone;
}

}  // namespace vk::compress
