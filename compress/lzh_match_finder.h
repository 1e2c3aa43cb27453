#pragma once
// The LZH encoder's window and match finder.
//
// Every position of the window is a node of a binary tree ordered by the 60
// bytes starting there. There are 4096 trees, chosen by a hash of a string's
// first three bytes, so each holds strings with the same first byte and a
// similar second and third. Inserting a position walks down its tree once,
// and on the way finds the longest earlier string that matches it (the
// nearest among equally long ones on the path). A newer string equal in all
// 60 bytes takes the older one's place, which keeps trees shallow on
// repetitive data. Each node remembers how many leading bytes it is known
// to share with its parent (exactly when inserted, at least after the tree
// has changed around it), so a step down compares only from there on; this
// changes no result. Walks into two different trees can go together,
// keeping the processor busier than one walk alone. The roots, the order, the insertion and deletion rules
// and the replacement decide which of equal matches is found, so they fix
// the encoder's output bytes.

#include <array>
#include <cstdint>

#include "compress/lzh_model.h"

namespace vk::compress {

class LzhMatchFinder {
 public:
  static constexpr std::uint16_t kNone = kLzhWindowSize;  // 4096
  static constexpr int kFirstRoot = kLzhWindowSize + 1;   // 4097
  static constexpr int kRoots = 4096;

  // Every tree empty; the window's first 4036 positions spaces, the rest 0.
  void Reset();

  // Stores byte at position (and in the mirror that lets strings near the
  // ring's end be read without wrapping).
  void Store(int position, std::uint8_t byte) {
    window_[position] = byte;
    if (position < kLzhLongestMatch - 1) window_[kLzhWindowSize + position] = byte;
  }
  std::uint8_t At(int position) const { return window_[position]; }

  // Inserts the string at r and sets MatchPosition/MatchLength to its longest
  // earlier match (length 0, or 3 to 60).
  void Insert(int r);
  // Whether Insert(r), Delete(next), Insert(r + 1) may run as Delete(next),
  // InsertPair(r): when r's tree is neither next's nor r + 1's.
  bool CanPair(int r, int next);
  // Inserts r and then r + 1 as two calls of Insert would, walking both
  // trees at once; the match found is r + 1's. Only after CanPair(r, next)
  // has said yes (and Delete(next) and the next Store), whose trees it uses.
  void InsertPair(int r);
  // Removes position p from its tree; nothing when it is in none.
  void Delete(int p);

  // Distance minus 1 (0-4095) and length of the last insertion's match;
  // the distance means nothing when the length is 0.
  int MatchPosition() const { return match_position_; }
  int MatchLength() const { return match_length_; }
  void SetMatchLength(int length) { match_length_ = length; }

  // For tests: the parent of a node (kNone when it is in no tree), and the
  // bytes it is known to share with its parent.
  int Parent(int node) const { return parent_[node]; }
  int KnownPrefix(int node) const { return known_[node]; }

 private:
  // The ring, the mirror of its first 59 positions, and slack for reads of
  // whole words at the end of a string.
  static constexpr int kWindowBytes = kLzhWindowSize + kLzhLongestMatch - 1 + 8;

  // An insertion on its way down: p is the node to compare next, below
  // the given side of parent.
  struct Walk {
    int r;
    int parent;
    int side = 1;   // a root's child counts as greater
    int equal = 1;  // leading bytes r shares with parent
    int p;
    // The best match so far as length * 4096 + (p - r) mod 4096; a match
    // must be longer than 2.
    int best = (kLzhMatchThreshold << 12) | kLzhWindowMask;
    bool replaced = false;
  };
  int Root(int r) const;
  Walk Begin(int r, int root);
  template <bool kFindMatch>
  void Step(Walk& walk);
  // Links r in where the walk ended.
  void Finish(const Walk& walk);
  void TakeMatch(const Walk& walk);
  // Number of equal leading bytes of the strings at a and b, from offset
  // `from` (all bytes before it known equal), at most 60.
  int CommonPrefix(int a, int b, int from) const;
  // The link on the given side of parent (a node or a root), and the link
  // of parent that holds child.
  std::uint16_t& LinkOf(int parent, int side);
  std::uint16_t& LinkTo(int parent, int child);

  std::array<std::uint8_t, kWindowBytes> window_;
  // Each node's two links side by side, [0] to the smaller strings, [1] to
  // the greater or equal ones, so that a step down loads both at once; 4096
  // is a spare node with none.
  std::array<std::array<std::uint16_t, 2>, kLzhWindowSize + 1> child_;
  // A node, a root (kFirstRoot + hash) or kNone; 4096 takes writes for "no
  // node".
  std::array<std::uint16_t, kLzhWindowSize + 1> parent_;
  // Leading bytes known equal to the parent's string: at least 1, and no
  // more than the strings share; 4096 is spare.
  std::array<std::uint8_t, kLzhWindowSize + 1> known_;
  std::array<std::uint16_t, kRoots> roots_;
  std::array<int, 2> pair_roots_{};  // of r and r + 1, from CanPair
  int match_position_ = 0;
  int match_length_ = 0;
};

}  // namespace vk::compress
