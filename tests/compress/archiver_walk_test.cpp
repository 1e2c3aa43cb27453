// The walk over the entries: where it stops, which entries it picks and
// where they go, and what the caller is told.

#include <gtest/gtest.h>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

using vk::platform::TMemoryStream;

std::vector<EntrySpec> ThreeEntries() {
  return {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "charlie"}};
}

// Where the i-th entry of a stored archive begins.
std::size_t EntryStart(const std::vector<EntrySpec>& entries, std::size_t index) {
  std::size_t at = kArchiveHeaderSize;
  for (std::size_t i = 0; i < index; ++i) {
    at += kEntryHeaderSize + entries[i].name.size() + entries[i].data.size();
  }
  return at;
}

class WalkTest : public ArchiverTest {
 protected:
  WalkTest() {
    machine.Files().CreateDirectories("C:\\out");
    archiver.SetTargetPath("C:\\out");
  }
  // Expands from memory with the given names (or all) and returns the list.
  NameList ExpandAll(const Bytes& archive, std::optional<NameList> names = std::nullopt) {
    TMemoryStream stream(archive);
    archiver.ExpandArchive(stream, names ? &*names : nullptr);
    return names.value_or(NameList{});
  }
};

TEST_F(WalkTest, TotalSizeZeroExpandsNothing) {
  const Bytes archive = MakeArchive(ThreeEntries(), "NON", 0);
  EXPECT_EQ(ExpandInto(archive, "a.txt"), "");
  EXPECT_FALSE(Exists("C:\\out\\a.txt"));
}

TEST_F(WalkTest, StopsOnceTotalSizeIsWrittenAndIgnoresWhatFollows) {
  Bytes archive = MakeArchive(ThreeEntries());
  // Anything after the last entry, even a header no writer makes, is never
  // looked at.
  archive.insert(archive.end(), kEntryHeaderSize + 4, 0xFF);
  EXPECT_EQ(ExpandAll(archive, NameList{"a.txt", "b.txt", "c.txt"}),
            (NameList{"C:\\out\\a.txt", "C:\\out\\b.txt", "C:\\out\\c.txt"}));

  // A total that ends after the first entry stops the walk there.
  const Bytes shortTotal = MakeArchive(ThreeEntries(), "LZH", 5);
  EXPECT_EQ(ExpandAll(shortTotal, NameList{"a.txt", "b.txt", "c.txt"}),
            (NameList{"C:\\out\\a.txt"}));
}

TEST_F(WalkTest, EmptyEntriesAfterTheTotalAreNeverReached) {
  // The walk stops before it reads on once the total is written, so an
  // empty last entry stays behind; writers put empty entries first.
  const Bytes archive = MakeArchive({{"a.txt", "alpha"}, {"empty.txt", ""}});
  EXPECT_EQ(ExpandAll(archive, NameList{"a.txt", "empty.txt"}), (NameList{"C:\\out\\a.txt"}));
  const Bytes emptyFirst = MakeArchive({{"empty.txt", ""}, {"a.txt", "alpha"}});
  EXPECT_EQ(ExpandAll(emptyFirst, NameList{"a.txt", "empty.txt"}),
            (NameList{"C:\\out\\empty.txt", "C:\\out\\a.txt"}));
}

TEST_F(WalkTest, SkippedEntriesDoNotCountTowardsTheTotal) {
  // Total 5 is reached only by a written entry; skipping a.txt leaves the
  // walk going, so b.txt is still found.
  const Bytes archive = MakeArchive(ThreeEntries(), "LZH", 5);
  EXPECT_EQ(ExpandInto(archive, "b.txt"), "C:\\out\\b.txt");
}

TEST_F(WalkTest, ArchiveCutInsideAHeaderEndsTheWalkQuietly) {
  const auto entries = ThreeEntries();
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{kEntryHeaderSize + 2}}) {
    SCOPED_TRACE(cut);
    Bytes archive = MakeArchive(entries);
    archive.resize(EntryStart(entries, 2) + cut);
    EXPECT_EQ(ExpandAll(archive, NameList{"a.txt", "b.txt", "c.txt"}),
              (NameList{"C:\\out\\a.txt", "C:\\out\\b.txt"}));
    EXPECT_EQ(Content("C:\\out\\b.txt"), "bravo");
  }
}

TEST_F(WalkTest, NamesAreFoundWithoutRegardToCase) {
  const Bytes archive = MakeArchive({{"readme.txt", "r"}, {"\xE4pfel.txt", "apples"}});
  EXPECT_EQ(ExpandInto(archive, "README.TXT"), "C:\\out\\readme.txt");
  EXPECT_EQ(ExpandInto(archive, "\xC4PFEL.TXT"), "C:\\out\\\xE4pfel.txt");
  EXPECT_EQ(Content("C:\\out\\\xE4pfel.txt"), "apples");
}

TEST_F(WalkTest, NameNotInTheArchiveWritesNothing) {
  const Bytes archive = MakeArchive(ThreeEntries());
  EXPECT_EQ(ExpandInto(archive, "d.txt"), "");
  EXPECT_TRUE(std::filesystem::is_empty(Host("C:\\out")));
}

TEST_F(WalkTest, WithoutNamesEveryEntryIsExpanded) {
  ExpandAll(MakeArchive(ThreeEntries()));
  EXPECT_EQ(Content("C:\\out\\a.txt"), "alpha");
  EXPECT_EQ(Content("C:\\out\\c.txt"), "charlie");
}

TEST_F(WalkTest, NameStoredTwiceIsWrittenTwiceAndTheFirstPathReported) {
  const Bytes archive = MakeArchive({{"a.txt", "first"}, {"A.TXT", "second"}});
  int count = 0;
  archiver.OnCheckFile = [&](std::string& path, TProcessMode mode) {
    EXPECT_EQ(mode, TProcessMode::pmExpand);
    path = "C:\\out\\copy" + std::to_string(++count) + ".txt";
  };
  EXPECT_EQ(ExpandInto(archive, "a.txt"), "C:\\out\\copy1.txt");
  EXPECT_EQ(Content("C:\\out\\copy1.txt"), "first");
  EXPECT_EQ(Content("C:\\out\\copy2.txt"), "second");
}

TEST_F(WalkTest, OnCheckFileSkipsWithEmptyTextAndStopsWithStar) {
  struct Case {
    const char* why;
    std::vector<std::string> answers;  // per entry; "=" keeps the path
    NameList written;
  };
  const Case cases[] = {
      {"star at the first entry writes nothing", {"*"}, {}},
      {"star later keeps what was written", {"=", "*"}, {"C:\\out\\a.txt"}},
      {"empty skips one entry, the next is read right",
       {"", "=", "="},
       {"C:\\out\\b.txt", "C:\\out\\c.txt"}},
      {"a new path redirects", {"C:\\out\\moved.txt", "", ""}, {"C:\\out\\moved.txt"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.why);
    std::filesystem::remove_all(Host("C:\\out"));
    machine.Files().CreateDirectories("C:\\out");
    std::size_t asked = 0;
    archiver.OnCheckFile = [&](std::string& path, TProcessMode) {
      const std::string& answer = test.answers.at(asked++);
      if (answer != "=") path = answer;
    };
    EXPECT_EQ(ExpandAll(MakeArchive(ThreeEntries()), NameList{"a.txt", "b.txt", "c.txt"}),
              test.written);
    EXPECT_EQ(asked, test.answers.size());
    for (const auto& path : test.written) EXPECT_TRUE(Exists(path)) << path;
  }
  EXPECT_EQ(Content("C:\\out\\moved.txt"), "alpha");
}

TEST_F(WalkTest, TargetPathIsPutBeforeRelativeNamesOnly) {
  struct Case {
    const char* set;
    const char* reads;
    const char* name;
    const char* target;
  };
  const Case cases[] = {
      {"C:\\Prog", "C:\\Prog\\", "a.txt", "C:\\Prog\\a.txt"},
      {"C:\\Prog\\", "C:\\Prog\\", "sub\\a.txt", "C:\\Prog\\sub\\a.txt"},
      {"C:\\Prog", "C:\\Prog\\", "\\a.txt", "\\a.txt"},
      {"", "", "a.txt", "a.txt"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.set);
    archiver.SetTargetPath(test.set);
    EXPECT_EQ(archiver.TargetPath(), test.reads);
    std::string seen;
    archiver.OnCheckFile = [&](std::string& path, TProcessMode) {
      seen = path;
      path.clear();
    };
    ExpandAll(MakeArchive({{test.name, "x"}}));
    EXPECT_EQ(seen, test.target);
  }
}

TEST_F(WalkTest, NamesAreLeftAsTheyWereWhenTheWalkFails) {
  Bytes archive = MakeArchive({{"a.txt", "alpha"}, {"b.txt", "bravo", MethodKind::mkLZH}});
  // b.txt's stored checksum, one off.
  archive[kArchiveHeaderSize + kEntryHeaderSize + 5 + 5 + 17] ^= 1;
  NameList names{"a.txt", "b.txt"};
  TMemoryStream stream(archive);
  EXPECT_THROW(archiver.ExpandArchive(stream, &names), EBadChecksum);
  EXPECT_EQ(names, (NameList{"a.txt", "b.txt"}));
  std::string fileName = "b.txt";
  const std::string path = PutArchive(archive);
  EXPECT_THROW(archiver.ExpandFile(fileName, path), EBadChecksum);
  EXPECT_EQ(fileName, "b.txt");
}

TEST_F(WalkTest, FilesGetTheirDateAndAttributes) {
  const std::uint32_t date = PackDosDateTime({1999, 12, 31, 23, 59, 58});
  ExpandAll(MakeArchive(
      {
          {"plain.txt", "data", MethodKind::mkLZH, std::nullopt, date, 0x20},
          {"locked.txt", "data", MethodKind::mkStored, std::nullopt, date, 0x21},
          {"empty.txt", "", MethodKind::mkStored, std::nullopt, date, 0x01},
      },
      "LZH", 9));
  for (const char* name : {"C:\\out\\plain.txt", "C:\\out\\locked.txt", "C:\\out\\empty.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ModificationTime(Host(name)), LocalTimeOf(date));
  }
  EXPECT_EQ(machine.Files().GetFileAttributes("C:\\out\\plain.txt") & 0x01, 0u);
  EXPECT_NE(machine.Files().GetFileAttributes("C:\\out\\locked.txt") & 0x01, 0u);
  EXPECT_NE(machine.Files().GetFileAttributes("C:\\out\\empty.txt") & 0x01, 0u);
  EXPECT_EQ(Content("C:\\out\\empty.txt"), "");
}

TEST_F(WalkTest, ArchiveThatCannotBeOpenedRaisesTheOpenError) {
  std::string name = "a.txt";
  try {
    archiver.ExpandFile(name, "C:\\nowhere\\data.arc");
    FAIL() << "no exception";
  } catch (const vk::platform::EFOpenError& error) {
    EXPECT_STREQ(error.what(),
                 "Kann Datei C:\\nowhere\\data.arc nicht \xF6"
                 "ffnen");
  }
  EXPECT_EQ(name, "a.txt");
}

}  // namespace
}  // namespace vk::compress::testing
