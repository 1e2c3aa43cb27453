// Before an entry is written: the free-space test, the folders made for it,
// and what happens when its file cannot be created.

#include <gtest/gtest.h>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

using vk::platform::TMemoryStream;

class SpaceTest : public ArchiverTest {
 protected:
  SpaceTest() {
    machine.Files().CreateDirectories("C:\\out");
    archiver.SetTargetPath("C:\\out");
  }
  void Expand(const Bytes& archive) {
    TMemoryStream stream(archive);
    archiver.ExpandArchive(stream);
  }
};

TEST_F(SpaceTest, EntryMustFitIntoTheFreeSpaceCountingTheFileItReplaces) {
  struct Case {
    const char* why;
    std::int64_t free;
    std::size_t existing;  // bytes of a file already at the target, 0 for none
    std::size_t size;
    bool fits;
  };
  const Case cases[] = {
      {"exactly enough", 1000, 0, 1000, true},
      {"one byte short", 999, 0, 1000, false},
      {"the replaced file's room counts", 0, 1000, 1000, true},
      {"the replaced file's room is not enough", 0, 999, 1000, false},
      {"a failed query is -1: even an empty entry fails", -1, 0, 0, false},
      {"a failed query and a replaced file of one byte", -1, 1, 0, true},
      {"a drive beyond 2 GB", std::int64_t{8} << 30, 0, 1000, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.why);
    std::filesystem::remove(Host("C:\\out\\a.txt"));
    if (test.existing > 0) {
      vk::testing::WriteFile(Host("C:\\out\\a.txt"), std::string(test.existing, 'o'));
    }
    files.freeSpace = test.free;
    // A total of at least 1, or the walk would stop before an empty entry.
    const Bytes archive = MakeArchive({{"a.txt", std::string(test.size, 'n')}}, "LZH",
                                      std::max<std::int32_t>(1, std::int32_t(test.size)));
    if (test.fits) {
      Expand(archive);
      EXPECT_EQ(Content("C:\\out\\a.txt"), std::string(test.size, 'n'));
    } else {
      try {
        Expand(archive);
        FAIL() << "no exception";
      } catch (const EInsufficientDiskSpace& error) {
        EXPECT_STREQ(error.what(), "Not enough disk space to expand C:\\out\\a.txt");
      }
      // Nothing was touched: the old file is still there, whole.
      EXPECT_EQ(Content("C:\\out\\a.txt"), std::string(test.existing, 'o'));
    }
  }
  EXPECT_EQ(files.freeSpaceQueries.back(), "C:\\");
}

TEST_F(SpaceTest, FilesWrittenBeforeAShortageStay) {
  files.freeSpace = 10;
  EXPECT_THROW(Expand(MakeArchive({{"a.txt", "small"}, {"b.txt", std::string(11, 'b')}})),
               EInsufficientDiskSpace);
  EXPECT_EQ(Content("C:\\out\\a.txt"), "small");
  EXPECT_FALSE(Exists("C:\\out\\b.txt"));
}

TEST_F(SpaceTest, FreeSpaceForTakesTheDriveFromThePath) {
  files.freeSpace = 4096;
  EXPECT_EQ(archiver.FreeSpaceFor("c:\\any\\where.txt"), 4096);
  EXPECT_EQ(files.freeSpaceQueries.back(), "c:\\");
  // Larger drives are reported as the largest count, which every entry fits.
  files.freeSpace = std::int64_t{5} << 32;
  EXPECT_EQ(archiver.FreeSpaceFor("C:\\a.txt"), 2147483647);
  // The real query of the machine's drive C: answers something.
  files.freeSpace.reset();
  EXPECT_GT(archiver.FreeSpaceFor("C:\\a.txt"), 0);
}

TEST_F(SpaceTest, ReadOnlyFileAtTheTargetFailsTheQueryBeforeAnythingIsWritten) {
  vk::testing::WriteFile(Host("C:\\out\\a.txt"), "old");
  ASSERT_TRUE(machine.Files().SetFileAttributes("C:\\out\\a.txt", 0x01));
  try {
    Expand(MakeArchive({{"a.txt", "new"}}));
    FAIL() << "no exception";
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.ErrorCode(), 5);
    EXPECT_STREQ(error.what(), "I/O-Fehler 5");
  }
  EXPECT_EQ(Content("C:\\out\\a.txt"), "old");
}

TEST_F(SpaceTest, MakeDirectoriesCreatesEachMissingFolderFromTheTop) {
  archiver.SetTargetPath("");
  archiver.MakeDirectories = true;
  archiver.OnCheckFile = [](std::string& path, TProcessMode) { path = "C:\\a\\b\\c.txt"; };
  Expand(MakeArchive({{"c.txt", "deep"}}));
  EXPECT_EQ(files.createdFolders, (std::vector<std::string>{"C:\\a", "C:\\a\\b"}));
  EXPECT_EQ(Content("C:\\a\\b\\c.txt"), "deep");
}

TEST_F(SpaceTest, CreateDirectoryPathLeavesShortPathsAndExistingFoldersAlone) {
  for (const char* folder : {"", "C:", "C:\\", "C:\\out", "C:\\out\\"}) {
    archiver.CreateDirectoryPath(folder);
  }
  EXPECT_TRUE(files.createdFolders.empty());
  archiver.CreateDirectoryPath("C:\\out\\x\\\\y\\");
  EXPECT_TRUE(archiver.IsDirectory("C:\\out\\x\\y"));
  EXPECT_FALSE(archiver.IsDirectory("C:\\out\\x\\nothing"));
}

TEST_F(SpaceTest, FolderEndingInAColonIsNotItsOwnParent) {
  // "C:\\out\\x:" has itself as its folder part; walking up from it must
  // still reach C:\\out.
  files.createdFolders.clear();
  try {
    archiver.CreateDirectoryPath("C:\\out\\sub\\x:");
  } catch (const EInOutError&) {
  }
  ASSERT_FALSE(files.createdFolders.empty());
  EXPECT_EQ(files.createdFolders.front(), "C:\\out\\sub");
}

TEST_F(SpaceTest, FolderThatCannotBeCreatedRaisesTheIOError) {
  vk::testing::WriteFile(Host("C:\\out\\file"), "in the way");
  try {
    archiver.CreateDirectoryPath("C:\\out\\file\\sub\\");
    FAIL() << "no exception";
  } catch (const EInOutError& error) {
    EXPECT_STREQ(error.what(), "I/O-Fehler 183");
  }
  EXPECT_THROW(archiver.CreateDirectoryPath("Q:\\unmapped\\"), EInOutError);
}

TEST_F(SpaceTest, OutputFileThatCannotBeCreatedIsSkippedOrRaised) {
  const Bytes archive = MakeArchive({{"missing\\a.txt", "alpha"}, {"b.txt", "bravo"}});
  // Skipped: the next entry is read from the right place and expanded.
  NameList names{"missing\\a.txt", "b.txt"};
  TMemoryStream stream(archive);
  archiver.ExpandArchive(stream, &names);
  EXPECT_EQ(names, (NameList{"C:\\out\\b.txt"}));
  EXPECT_EQ(Content("C:\\out\\b.txt"), "bravo");

  archiver.ExceptionOnFileError = true;
  try {
    Expand(archive);
    FAIL() << "no exception";
  } catch (const vk::platform::EFCreateError& error) {
    EXPECT_STREQ(error.what(), "Kann Datei C:\\out\\missing\\a.txt nicht erstellen");
  }
}

}  // namespace
}  // namespace vk::compress::testing
