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
  // The spare node has no links; what is written for a missing node lands
  // in its known prefix and is never used.
  child_[kNone] = {kNone, kNone};
  known_[kNone] = 1;
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

std::uint16_t& LzhMatchFinder::LinkOf(int parent, int side) {
  // A root has only one child.
  return parent >= kFirstRoot ? roots_[parent - kFirstRoot] : child_[parent][side];
}

std::uint16_t& LzhMatchFinder::LinkTo(int parent, int child) {
  // Chosen without jumps: which side a node hangs on is unpredictable. A
  // root reads the links of the spare node, which has none.
  const bool root = parent >= kFirstRoot;
  std::uint16_t* const links = child_[root ? kNone : parent].data();
  std::uint16_t* const node_link = links + (links[1] == child);
  std::uint16_t* const root_link = &roots_[(parent - kFirstRoot) & (kRoots - 1)];
  return *(root ? root_link : node_link);
}

LzhMatchFinder::Walk LzhMatchFinder::Begin(int r, int root) {
  child_[r] = {kNone, kNone};
  Walk walk;
  walk.r = r;
  walk.parent = root;
  walk.p = roots_[walk.parent - kFirstRoot];
  return walk;
}

// A step loads a node's links together and chooses the next node without
// jumps, since on typical data the way a string goes is unpredictable.
template <bool kFindMatch>
inline void LzhMatchFinder::Step(Walk& walk) {
  const std::uint8_t* const text = window_.data();
  const int r = walk.r;
  const int p = walk.p;
  const int equal = walk.equal;
  const int known = known_[p];
  std::uint32_t children;  // both links in one word, to choose by a shift
  std::memcpy(&children, child_[p].data(), sizeof children);
  // r shares `equal` bytes with the parent and p at least `known`, so r and
  // p share at least the fewer: they part at the first difference from
  // there on.
  const int from = std::min(known, equal);
  const std::uint64_t mine = LoadWord(text + r + from);
  const std::uint64_t theirs = LoadWord(text + p + from);
  const std::uint64_t difference = mine ^ theirs;
  int next_equal;
  int next_side;
  if (difference != 0) [[likely]] {
    // Past 60 when the strings are equal in all 60 bytes.
    next_equal = from + __builtin_ctzll(difference) / 8;
    // In big-endian order the words compare like the strings.
    next_side = __builtin_bswap64(mine) > __builtin_bswap64(theirs);
  } else {
    next_equal = CommonPrefix(r, p, from + 8);
    next_side = text[r + next_equal] > text[p + next_equal];
  }
  if constexpr (kFindMatch) {
    // Longer first, then nearer: (p - r) mod 4096 grows as p comes nearer.
    walk.best = std::max(walk.best, (next_equal << 12) | ((p - r) & kLzhWindowMask));
  }
  if (next_equal >= kLzhLongestMatch) {
    // r equals p in all 60 bytes and is newer: r takes p's place.
    child_[r] = child_[p];
    parent_[r] = parent_[p];
    known_[r] = known_[p];
    parent_[child_[p][0]] = static_cast<std::uint16_t>(r);
    parent_[child_[p][1]] = static_cast<std::uint16_t>(r);
    LinkOf(walk.parent, walk.side) = static_cast<std::uint16_t>(r);
    parent_[p] = kNone;
    walk.replaced = true;
    walk.p = kNone;
    return;
  }
  walk.parent = p;
  walk.side = next_side;
  walk.equal = next_equal;
  walk.p = static_cast<int>((children >> (16 * next_side)) & 0xFFFF);
}

void LzhMatchFinder::Finish(const Walk& walk) {
  if (walk.replaced) return;
  LinkOf(walk.parent, walk.side) = static_cast<std::uint16_t>(walk.r);
  parent_[walk.r] = static_cast<std::uint16_t>(walk.parent);
  known_[walk.r] = static_cast<std::uint8_t>(walk.equal);
}

void LzhMatchFinder::TakeMatch(const Walk& walk) {
  const int length = std::min(walk.best >> 12, kLzhLongestMatch);
  match_length_ = length > kLzhMatchThreshold ? length : 0;
  match_position_ = kLzhWindowMask - (walk.best & kLzhWindowMask);
}

void LzhMatchFinder::Insert(int r) {
  Walk walk = Begin(r, Root(r));
  while (walk.p != kNone) Step<true>(walk);
  Finish(walk);
  TakeMatch(walk);
}

bool LzhMatchFinder::CanPair(int r, int next) {
  // A node's first bytes stay as they were when it was inserted, so its tree
  // is still known from them.
  pair_roots_ = {Root(r), Root((r + 1) & kLzhWindowMask)};
  return pair_roots_[0] != pair_roots_[1] &&
         (parent_[next] == kNone || pair_roots_[0] != Root(next));
}

void LzhMatchFinder::InsertPair(int r) {
  Walk one = Begin(r, pair_roots_[0]);
  Walk two = Begin((r + 1) & kLzhWindowMask, pair_roots_[1]);
  // Two walks in step keep more work in flight.
  while ((one.p != kNone) & (two.p != kNone)) {
    Step<false>(one);
    Step<true>(two);
  }
  while (one.p != kNone) Step<false>(one);
  while (two.p != kNone) Step<true>(two);
  Finish(one);
  Finish(two);
  TakeMatch(two);
}

void LzhMatchFinder::Delete(int p) {
  if (parent_[p] == kNone) return;
  const int above = parent_[p];
  // A string shares with another at least the fewest bytes shared along a
  // chain of parents between them, so the nodes that move keep a true
  // lower bound without comparing. A missing node (kNone) takes its write
  // in the spare entry.
  auto move_up = [this](int node, int from) {
    known_[node] = std::min(known_[node], known_[from]);
  };
  std::uint16_t& link = LinkTo(above, p);
  int q;
  if (child_[p][1] == kNone) {
    q = child_[p][0];
    move_up(q, p);
  } else if (child_[p][0] == kNone) {
    q = child_[p][1];
    move_up(q, p);
  } else {
    // The greatest of the smaller strings takes p's place.
    const int old_left = child_[p][0];
    const int old_right = child_[p][1];
    q = old_left;
    // What q shares with p, and with old_left, at least.
    int with_p = known_[old_left];
    if (child_[q][1] != kNone) {
      int with_left = kLzhLongestMatch;
      do {
        q = child_[q][1];
        with_left = std::min<int>(with_left, known_[q]);
      } while (child_[q][1] != kNone);
      with_p = std::min(with_p, with_left);
      const int q_parent = parent_[q];
      const int q_left = child_[q][0];
      move_up(q_left, q);
      child_[q_parent][1] = static_cast<std::uint16_t>(q_left);
      parent_[q_left] = static_cast<std::uint16_t>(q_parent);
      child_[q][0] = static_cast<std::uint16_t>(old_left);
      parent_[old_left] = static_cast<std::uint16_t>(q);
      known_[old_left] = static_cast<std::uint8_t>(with_left);
    }
    child_[q][1] = static_cast<std::uint16_t>(old_right);
    parent_[old_right] = static_cast<std::uint16_t>(q);
    known_[old_right] = static_cast<std::uint8_t>(std::min<int>(known_[old_right], with_p));
    // Below a root this is 1, as p's own is.
    known_[q] = static_cast<std::uint8_t>(std::min<int>(known_[p], with_p));
  }
  parent_[q] = static_cast<std::uint16_t>(above);
  link = static_cast<std::uint16_t>(q);
  parent_[p] = kNone;
}

}  // namespace vk::compress
