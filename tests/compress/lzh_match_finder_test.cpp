// The match finder's trees stay true to their strings through insertions,
// replacements and deletions: no known prefix claims more than the strings
// share, and every match found is the longest the tree holds. Insertions
// walked in pairs leave the trees and matches one at a time would.

#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "compress/lzh_match_finder.h"

namespace vk::compress::testing {
namespace {

int SharedPrefix(const LzhMatchFinder& finder, int a, int b) {
  int length = 0;
  while (length < kLzhLongestMatch && finder.At(a + length) == finder.At(b + length)) ++length;
  return length;
}

// Every node against its parent: a known prefix may fall short of what the
// strings share but never exceed it; nodes under a root count 1.
void ExpectKnownPrefixesTrue(const LzhMatchFinder& finder) {
  for (int node = 0; node < kLzhWindowSize; ++node) {
    const int parent = finder.Parent(node);
    if (parent == LzhMatchFinder::kNone) continue;
    if (parent >= LzhMatchFinder::kFirstRoot) {
      ASSERT_EQ(finder.KnownPrefix(node), 1) << "node " << node;
      continue;
    }
    ASSERT_GE(finder.KnownPrefix(node), 1) << "node " << node;
    ASSERT_LE(finder.KnownPrefix(node), SharedPrefix(finder, node, parent))
        << "node " << node << " parent " << parent;
  }
}

// The longest string of r's tree that r shares more than 2 bytes with.
int LongestInTree(const LzhMatchFinder& finder, int r) {
  auto root = [&finder](int node) {
    int parent = finder.Parent(node);
    while (parent < LzhMatchFinder::kFirstRoot) parent = finder.Parent(parent);
    return parent;
  };
  const int tree = root(r);
  int longest = 0;
  for (int node = 0; node < kLzhWindowSize; ++node) {
    if (node == r || finder.Parent(node) == LzhMatchFinder::kNone || root(node) != tree) continue;
    longest = std::max(longest, SharedPrefix(finder, r, node));
  }
  return longest > kLzhMatchThreshold ? longest : 0;
}

// Drives the finder as the encoder does, checking after every step.
void Drive(const Bytes& input, bool check_longest) {
  auto finder = std::make_unique<LzhMatchFinder>();
  finder->Reset();
  int s = 0;
  int r = kLzhStart;
  std::size_t next = 0;
  int length = 0;
  while (length < kLzhLongestMatch && next < input.size()) finder->Store(r + length++, input[next++]);
  for (int back = 1; back <= kLzhLongestMatch; ++back) finder->Insert(r - back);
  finder->Insert(r);
  std::size_t step_count = 0;
  while (length > 0) {
    // A match of 60 bytes replaced its twin, which the tree then no longer
    // holds; shorter matches must be the best the tree has.
    if (check_longest && finder->MatchLength() < kLzhLongestMatch) {
      const int longest = LongestInTree(*finder, r);
      ASSERT_EQ(finder->MatchLength(), longest) << "at step " << step_count;
    }
    const int steps = std::max(1, std::min(finder->MatchLength(), length));
    for (int step = 0; step < steps; ++step, ++step_count) {
      finder->Delete(s);
      if (next < input.size()) {
        finder->Store(s, input[next++]);
      } else {
        --length;
      }
      s = (s + 1) & kLzhWindowMask;
      r = (r + 1) & kLzhWindowMask;
      if (length > 0) finder->Insert(r);
      if (step_count % 257 == 0) ExpectKnownPrefixesTrue(*finder);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  ExpectKnownPrefixesTrue(*finder);
}

struct FinderCase {
  const char* name;
  SampleKind kind;
  std::size_t size;
};

class LzhMatchFinderTest : public ::testing::TestWithParam<FinderCase> {};

TEST_P(LzhMatchFinderTest, KnownPrefixesStayTrue) {
  Drive(Sample(GetParam().kind, GetParam().size), false);
}

TEST_P(LzhMatchFinderTest, FindsTheLongestMatchOfTheTree) {
  Drive(Sample(GetParam().kind, std::min<std::size_t>(GetParam().size, 6000)), true);
}

// Two finders fed alike, one inserting as the encoder does within a match
// (in pairs where it may), the other one position at a time.
TEST_P(LzhMatchFinderTest, PairedInsertionsMatchSingleOnes) {
  const Bytes input = Sample(GetParam().kind, GetParam().size);
  auto paired = std::make_unique<LzhMatchFinder>();
  auto single = std::make_unique<LzhMatchFinder>();
  paired->Reset();
  single->Reset();
  int s = 0;
  int r = kLzhStart;
  std::size_t next = 0;
  for (int length = 0; length < kLzhLongestMatch && next < input.size(); ++length, ++next) {
    paired->Store(r + length, input[next]);
    single->Store(r + length, input[next]);
  }
  for (int back = kLzhLongestMatch; back >= 0; --back) {
    paired->Insert(r - back);
    single->Insert(r - back);
  }
  std::size_t pairs = 0;
  auto advance = [&](LzhMatchFinder& finder) {
    finder.Delete(s);
    finder.Store(s, input[next]);
  };
  while (next + 1 < input.size()) {
    // A match as long as the single finder's, at least 2 steps, so that
    // pairs come up even where matches are rare.
    const int steps = std::max(2, single->MatchLength());
    for (int step = 0; step < steps && next + 1 < input.size(); ++step) {
      advance(*paired);
      advance(*single);
      ++next;
      s = (s + 1) & kLzhWindowMask;
      r = (r + 1) & kLzhWindowMask;
      if (step + 1 < steps && paired->CanPair(r, s)) {
        advance(*paired);
        paired->InsertPair(r);
        single->Insert(r);
        advance(*single);
        single->Insert((r + 1) & kLzhWindowMask);
        ++next;
        ++step;
        ++pairs;
        s = (s + 1) & kLzhWindowMask;
        r = (r + 1) & kLzhWindowMask;
      } else {
        paired->Insert(r);
        single->Insert(r);
      }
      ASSERT_EQ(paired->MatchLength(), single->MatchLength()) << "at byte " << next;
      if (single->MatchLength() > 0) {
        ASSERT_EQ(paired->MatchPosition(), single->MatchPosition()) << "at byte " << next;
      }
    }
  }
  EXPECT_GT(pairs, 0u);
  for (int node = 0; node < kLzhWindowSize; ++node) {
    ASSERT_EQ(paired->Parent(node), single->Parent(node)) << "node " << node;
    if (single->Parent(node) != LzhMatchFinder::kNone) {
      ASSERT_EQ(paired->KnownPrefix(node), single->KnownPrefix(node)) << "node " << node;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, LzhMatchFinderTest,
                         ::testing::Values(FinderCase{"Text", SampleKind::kText, 60000},
                                           FinderCase{"Binary", SampleKind::kBinary, 60000},
                                           FinderCase{"Random", SampleKind::kRandom, 20000},
                                           FinderCase{"Repetitive", SampleKind::kRepetitive, 60000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk::compress::testing
