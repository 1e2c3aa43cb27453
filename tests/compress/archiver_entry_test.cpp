// One entry's data: each method expands to the bytes that went in, and the
// checksum and lock key decide whether the result stands.

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

using vk::platform::TMemoryStream;

std::string RandomText(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string text(size, '\0');
  for (char& c : text)
    c = static_cast<char>(generator() % 7 == 0 ? generator() : 'a' + generator() % 4);
  return text;
}

class EntryTest : public ArchiverTest {
 protected:
  EntryTest() {
    machine.Files().CreateDirectories("C:\\out");
    archiver.SetTargetPath("C:\\out");
  }
  void Expand(const Bytes& archive) {
    TMemoryStream stream(archive);
    archiver.ExpandArchive(stream);
  }
};

TEST_F(EntryTest, EveryMethodGivesBackTheBytesThatWentIn) {
  const std::string samples[] = {"",
                                 "x",
                                 std::string(3, '\x94'),
                                 "abcabcabcabc",
                                 RandomText(20000, 1),
                                 std::string(70000, '\0'),
                                 RandomText(100000, 2)};
  for (MethodKind method : {MethodKind::mkStored, MethodKind::mkRLE, MethodKind::mkLZH}) {
    std::vector<EntrySpec> entries;
    for (std::size_t i = 0; i < std::size(samples); ++i) {
      entries.push_back({"f" + std::to_string(i), samples[i], method});
    }
    Expand(MakeArchive(entries));
    for (std::size_t i = 0; i < std::size(samples); ++i) {
      SCOPED_TRACE(std::string(MethodId(method)) + " sample " + std::to_string(i));
      EXPECT_EQ(Content("C:\\out\\f" + std::to_string(i)), samples[i]);
    }
  }
}

TEST_F(EntryTest, ChecksumOffByOneRaisesAndTheFileStaysWithoutItsDate) {
  for (MethodKind method : {MethodKind::mkLZH, MethodKind::mkRLE}) {
    SCOPED_TRACE(std::string(MethodId(method)));
    std::filesystem::remove_all(Host("C:\\out"));
    machine.Files().CreateDirectories("C:\\out");
    const std::uint32_t date = PackDosDateTime({1990, 6, 1, 12, 0, 0});
    Bytes archive = MakeArchive({{"a.txt", "payload", method, std::nullopt, date, 0x21}});
    archive[kArchiveHeaderSize + 17] += 1;
    EXPECT_THROW(Expand(archive), EBadChecksum);
    EXPECT_EQ(Content("C:\\out\\a.txt"), "payload");
    EXPECT_NE(ModificationTime(Host("C:\\out\\a.txt")), LocalTimeOf(date));
    EXPECT_NE(machine.Files().GetFileAttributes("C:\\out\\a.txt") & 0x01, 0u);
  }
}

TEST_F(EntryTest, StoredEntriesHaveNoChecksumTest) {
  Bytes archive = MakeArchive({{"a.txt", "payload"}});
  archive[kArchiveHeaderSize + 17] += 1;
  Expand(archive);
  EXPECT_EQ(Content("C:\\out\\a.txt"), "payload");
}

TEST_F(EntryTest, LockedEntriesNeedTheirKey) {
  enum class Result { kExpanded, kRefusedUnread, kRefusedAfterWriting };
  struct Case {
    const char* why;
    MethodKind method;
    std::int32_t lockedWith;
    std::int32_t key;
    Result result;
  };
  const Case cases[] = {
      {"no key set", MethodKind::mkLZH, 1234, 0, Result::kRefusedUnread},
      {"no key set, stored", MethodKind::mkStored, 1234, 0, Result::kRefusedUnread},
      {"the right key", MethodKind::mkLZH, 1234, 1234, Result::kExpanded},
      {"the right negative key", MethodKind::mkRLE, -7, -7, Result::kExpanded},
      {"a wrong key", MethodKind::mkLZH, 1234, 99, Result::kRefusedAfterWriting},
      {"any key opens a stored entry", MethodKind::mkStored, 1234, 99, Result::kExpanded},
      // The plain sum also passes: the key only offsets the checksum.
      {"locked with key 0", MethodKind::mkLZH, 0, 99, Result::kExpanded},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.why);
    std::filesystem::remove(Host("C:\\out\\a.txt"));
    archiver.Key = test.key;
    int progressCalls = 0;
    archiver.OnShowProgress = [&](std::int32_t&) { ++progressCalls; };
    Bytes archive = MakeArchive({{"a.txt", "secret data", test.method, test.lockedWith}});
    if (test.result == Result::kExpanded) {
      Expand(archive);
      EXPECT_EQ(Content("C:\\out\\a.txt"), "secret data");
      continue;
    }
    EXPECT_THROW(Expand(archive), EInvalidKey);
    EXPECT_FALSE(Exists("C:\\out\\a.txt"));
    EXPECT_EQ(progressCalls > 0, test.result == Result::kRefusedAfterWriting);
  }
}

TEST_F(EntryTest, CustomEntriesGoToOnExpand) {
  // The "custom method" here stores every byte twice.
  archiver.OnExpand = [](vk::platform::TStream& dest, vk::platform::TStream& source,
                         std::int32_t Sourcesize, std::int32_t Destsize,
                         const std::string& CompressID, std::uint32_t& checksum) {
    EXPECT_EQ(CompressID, "CUS");
    std::string data(static_cast<std::size_t>(Sourcesize), '\0');
    source.ReadBuffer(data.data(), Sourcesize);
    for (std::int32_t i = 0; i < Destsize; ++i) {
      dest.WriteBuffer(&data[static_cast<std::size_t>(2 * i)], 1);
      checksum += static_cast<std::uint8_t>(data[static_cast<std::size_t>(2 * i)]);
    }
  };
  TMemoryStream stream;
  ArchiveWriter writer(stream, "CUS");
  const std::string plain = "custom";
  EntryHeader header;
  header.NameLength = 5;
  header.ExpandedSize = 6;
  header.CompressedSize = 12;
  header.MethodKind = static_cast<std::uint8_t>(MethodKind::mkCustom);
  header.Checksum = std::accumulate(plain.begin(), plain.end(), 0u,
                                    [](unsigned sum, char c) { return sum + std::uint8_t(c); });
  writer.AddRawEntry(header, "a.txt", ToBytes("ccuussttoomm"));
  writer.AddEntry("b.txt", ToBytes("after"), {.method = MethodKind::mkStored});
  writer.Finish();
  Expand(stream.Data());
  EXPECT_EQ(Content("C:\\out\\a.txt"), "custom");
  EXPECT_EQ(Content("C:\\out\\b.txt"), "after");
}

TEST_F(EntryTest, ProgressIsReportedPerChunkAndANegativeAnswerCancels) {
  const std::string data = RandomText(60000, 3);
  const Bytes archive = MakeArchive({{"a.txt", data, MethodKind::mkRLE}});
  std::vector<std::int32_t> seen;
  archiver.OnShowProgress = [&](std::int32_t& percent) { seen.push_back(percent); };
  Expand(archive);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

  archiver.OnShowProgress = [](std::int32_t& percent) { percent = -1; };
  EXPECT_THROW(Expand(archive), EBadChecksum);
}

}  // namespace
}  // namespace vk::compress::testing
