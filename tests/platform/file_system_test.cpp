// The Windows file functions on the host, through a test machine.

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TestMachine;
using testing::WriteFile;

class FileSystemTest : public ::testing::Test {
 protected:
  TestMachine test;
  FileSystem& files = test.Files();
};

TEST_F(FileSystemTest, ExistenceOfFilesAndFolders) {
  WriteFile(test.DriveC() / "Apps" / "Tool.exe", "x");
  EXPECT_TRUE(files.FileExists("c:\\apps\\tool.EXE"));
  EXPECT_FALSE(files.FileExists("C:\\Apps"));
  EXPECT_TRUE(files.DirectoryExists("C:\\APPS\\"));
  EXPECT_FALSE(files.DirectoryExists("C:\\Apps\\Tool.exe"));
  EXPECT_FALSE(files.FileExists("C:\\Apps\\missing"));
  EXPECT_FALSE(files.FileExists("Q:\\Apps\\Tool.exe"));
}

TEST_F(FileSystemTest, CopyReplacesUnlessAskedToKeepAndKeepsTheTime) {
  WriteFile(test.DriveC() / "a.txt", "new");
  WriteFile(test.DriveC() / "b.txt", "old");
  fs::last_write_time(test.DriveC() / "a.txt", fs::file_time_type::clock::now() - std::chrono::hours(48));
  EXPECT_FALSE(files.CopyFile("C:\\a.txt", "C:\\b.txt", ExistingTarget::kKeep));
  EXPECT_EQ(ReadFile(test.DriveC() / "b.txt"), "old");
  EXPECT_TRUE(files.CopyFile("C:\\a.txt", "C:\\B.TXT", ExistingTarget::kReplace));
  EXPECT_EQ(ReadFile(test.DriveC() / "b.txt"), "new");
  EXPECT_EQ(fs::last_write_time(test.DriveC() / "b.txt"), fs::last_write_time(test.DriveC() / "a.txt"));
  EXPECT_TRUE(files.CopyFile("C:\\a.txt", "C:\\c.txt", ExistingTarget::kKeep));
  EXPECT_FALSE(files.CopyFile("C:\\missing.txt", "C:\\d.txt", ExistingTarget::kReplace));
  EXPECT_FALSE(files.CopyFile("C:\\a.txt", "C:\\no\\such\\folder\\a.txt", ExistingTarget::kReplace));
}

TEST_F(FileSystemTest, ReadOnlyFilesRefuseReplacementAndDeletion) {
  WriteFile(test.DriveC() / "a.txt", "new");
  WriteFile(test.DriveC() / "locked.txt", "keep");
  ASSERT_TRUE(files.SetFileAttributes("C:\\locked.txt", kAttributeReadOnly));
  EXPECT_FALSE(files.CopyFile("C:\\a.txt", "C:\\locked.txt", ExistingTarget::kReplace));
  EXPECT_FALSE(files.DeleteFile("C:\\locked.txt"));
  EXPECT_EQ(ReadFile(test.DriveC() / "locked.txt"), "keep");
  ASSERT_TRUE(files.SetFileAttributes("C:\\locked.txt", kAttributeNormal));
  EXPECT_TRUE(files.DeleteFile("C:\\locked.txt"));
  EXPECT_FALSE(fs::exists(test.DriveC() / "locked.txt"));
  EXPECT_FALSE(files.DeleteFile("C:\\locked.txt"));
}

TEST_F(FileSystemTest, FoldersAreCreatedWithTheirParentsAndRemovedWhenEmpty) {
  EXPECT_TRUE(files.CreateDirectories("C:\\Programs\\Viewer\\bin"));
  EXPECT_TRUE(fs::is_directory(test.DriveC() / "Programs" / "Viewer" / "bin"));
  EXPECT_TRUE(files.CreateDirectories("c:\\programs\\viewer\\BIN"));
  EXPECT_FALSE(files.CreateDirectories("Q:\\Programs"));
  EXPECT_FALSE(files.RemoveDirectory("C:\\Programs\\Viewer"));
  EXPECT_TRUE(files.RemoveDirectory("C:\\Programs\\Viewer\\bin"));
}

struct AttributeCase {
  const char* why;
  std::uint32_t set;
  std::uint32_t expected;
};

class FileAttributeTest : public FileSystemTest,
                          public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(FileAttributeTest, AttributesSurviveTheHost) {
  WriteFile(test.DriveC() / "f.dat", "x");
  ASSERT_TRUE(files.SetFileAttributes("C:\\f.dat", GetParam().set)) << GetParam().why;
  EXPECT_EQ(files.GetFileAttributes("C:\\f.dat"), GetParam().expected) << GetParam().why;
  struct stat info {};
  ASSERT_EQ(::stat((test.DriveC() / "f.dat").c_str(), &info), 0);
  EXPECT_EQ((info.st_mode & S_IWUSR) == 0, (GetParam().set & kAttributeReadOnly) != 0)
      << GetParam().why << ": read-only is the host's write bit";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileAttributeTest,
    ::testing::Values(
        AttributeCase{"read-only", kAttributeReadOnly, kAttributeReadOnly},
        AttributeCase{"hidden and system", kAttributeHidden | kAttributeSystem,
                      kAttributeHidden | kAttributeSystem},
        AttributeCase{"archive and read-only", kAttributeArchive | kAttributeReadOnly,
                      kAttributeArchive | kAttributeReadOnly},
        AttributeCase{"nothing left is normal", kAttributeNormal, kAttributeNormal},
        AttributeCase{"the directory bit cannot be set on a file", kAttributeDirectory,
                      kAttributeNormal}));

TEST_F(FileSystemTest, NewFilesAreArchiveAndFoldersAreDirectories) {
  WriteFile(test.DriveC() / "f.dat", "x");
  EXPECT_EQ(files.GetFileAttributes("C:\\f.dat"), kAttributeArchive);
  EXPECT_EQ(files.GetFileAttributes("C:\\WINDOWS"), kAttributeDirectory);
  EXPECT_EQ(files.GetFileAttributes("C:\\missing"), kInvalidFileAttributes);
  EXPECT_EQ(files.GetFileAttributes("Q:\\f.dat"), kInvalidFileAttributes);
}

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

TEST_F(FileSystemTest, DosTimesAreLocalTime) {
  WriteFile(test.DriveC() / "f.dat", "x");
  ASSERT_TRUE(files.SetFileDosTime("C:\\f.dat", DosDate(1997, 7, 14), DosTime(13, 45, 58)));
  struct stat info {};
  ASSERT_EQ(::stat((test.DriveC() / "f.dat").c_str(), &info), 0);
  std::tm local{};
  localtime_r(&info.st_mtime, &local);
  EXPECT_EQ(local.tm_year + 1900, 1997);
  EXPECT_EQ(local.tm_mon + 1, 7);
  EXPECT_EQ(local.tm_mday, 14);
  EXPECT_EQ(local.tm_hour, 13);
  EXPECT_EQ(local.tm_min, 45);
  EXPECT_EQ(local.tm_sec, 58);
}

TEST_F(FileSystemTest, DosTimesOutOfRangeAreRefused) {
  WriteFile(test.DriveC() / "f.dat", "x");
  EXPECT_FALSE(files.SetFileDosTime("C:\\f.dat", DosDate(1997, 0, 14), 0));
  EXPECT_FALSE(files.SetFileDosTime("C:\\f.dat", DosDate(1997, 13, 14), 0));
  EXPECT_FALSE(files.SetFileDosTime("C:\\f.dat", DosDate(1997, 7, 0), 0));
  EXPECT_FALSE(files.SetFileDosTime("C:\\f.dat", DosDate(1997, 7, 1), DosTime(24, 0, 0)));
  EXPECT_FALSE(files.SetFileDosTime("C:\\missing", DosDate(1997, 7, 1), 0));
}

TEST_F(FileSystemTest, FreeSpaceOfMappedDrivesOnly) {
  EXPECT_GT(files.GetDiskFreeSpace("C:\\"), 0);
  EXPECT_EQ(files.GetDiskFreeSpace("c:\\WINDOWS"), files.GetDiskFreeSpace("C:\\"));
  EXPECT_GT(files.GetDiskFreeSpace("D:\\"), 0);
  EXPECT_EQ(files.GetDiskFreeSpace("Q:\\"), -1);
  EXPECT_EQ(files.GetDiskFreeSpace(""), -1);
}

TEST_F(FileSystemTest, WindowsFolderIsInsideThePrefix) {
  EXPECT_EQ(files.GetWindowsDirectory(), "C:\\WINDOWS");
  EXPECT_TRUE(files.DirectoryExists(files.GetWindowsDirectory()));
}

}  // namespace
}  // namespace vk::platform
