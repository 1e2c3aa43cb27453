// vk archive as people on the host run it: a folder goes in and comes back
// byte for byte with its dates, names that would leave the chosen folder
// are refused, and failures are one line with a non-zero exit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "compress/archive_writer.h"
#include "platform/stream.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/vk_program.h"

namespace vk::cli::testing {
namespace {

namespace fs = std::filesystem;
using vk::testing::ReadFile;
using vk::testing::RunVk;
using vk::testing::TemporaryFolder;
using vk::testing::VkRun;
using vk::testing::WriteFile;

class ArchiveCommandTest : public ::testing::Test {
 protected:
  // Writes an archive made by the writer into the temporary folder.
  std::string PutArchive(const std::function<void(compress::ArchiveWriter&)>& fill) {
    platform::TMemoryStream stream;
    compress::ArchiveWriter writer(stream, "LZH");
    fill(writer);
    writer.Finish();
    const fs::path path = temp / "made.arc";
    WriteFile(path, std::string(stream.Data().begin(), stream.Data().end()));
    return path.string();
  }

  TemporaryFolder temp;
};

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

void SetTime(const fs::path& path, std::time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::time_t TimeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mtim.tv_sec : -1;
}

TEST_F(ArchiveCommandTest, CreateThenExtractReproducesAFolder) {
  std::mt19937 generator(7);
  std::string random(150000, '\0');
  for (char& c : random) c = static_cast<char>(generator() % 5 == 0 ? generator() : 'a');
  const fs::path source = temp / "product";
  struct File {
    const char* name;
    std::string data;
    std::time_t time;
  };
  const std::vector<File> fileList = {
      {"readme.txt", "Read me first.\r\n", LocalTime(1998, 7, 1, 9, 30, 0)},
      {"db/app.exe", random, LocalTime(2024, 2, 29, 23, 59, 58)},
      {"db/empty.dat", "", LocalTime(1980, 1, 1, 0, 0, 0)},
      {"docs/\xC3\x9C"
       "bersicht.txt",
       std::string(20000, '\x94'), LocalTime(2010, 10, 10, 10, 10, 10)},
      {"docs/deep/er/note.txt", "n", LocalTime(2030, 12, 31, 12, 0, 2)},
  };
  for (const File& file : fileList) {
    WriteFile(source / file.name, file.data);
    SetTime(source / file.name, file.time);
  }
  fs::permissions(source / "readme.txt", fs::perms::owner_write, fs::perm_options::remove);

  for (const char* method : {"lzh", "rle", "none"}) {
    SCOPED_TRACE(method);
    const fs::path archive = temp / (std::string(method) + ".arc");
    const fs::path target = temp / (std::string("out-") + method);
    fs::create_directories(target);
    // Relative paths name the entries: "db\\app.exe" comes back into a
    // folder of two letters.
    VkRun create = RunVk({"archive", "create", archive.string(), "readme.txt", "db",
                          (source / "docs").string(), "--method", method, "-C", source.string()});
    ASSERT_EQ(create.exitCode, 0) << create.err;
    VkRun extract = RunVk({"archive", "extract", archive.string(), "-C", target.string()});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(extract.err, "");
    for (const File& file : fileList) {
      SCOPED_TRACE(file.name);
      const fs::path copy = target / file.name;
      EXPECT_EQ(ReadFile(copy), file.data);
      EXPECT_EQ(TimeOf(copy), file.time);
    }
    const auto perms = fs::status(target / "readme.txt").permissions();
    EXPECT_EQ(perms & fs::perms::owner_write, fs::perms::none);
    EXPECT_NE(fs::status(target / "db" / "app.exe").permissions() & fs::perms::owner_write,
              fs::perms::none);

    VkRun test = RunVk({"archive", "test", archive.string()});
    EXPECT_EQ(test.exitCode, 0) << test.err;
    EXPECT_NE(test.out.find("db\\app.exe: OK"), std::string::npos) << test.out;
  }

  VkRun list = RunVk({"archive", "list", (temp / "lzh.arc").string()});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("docs\\\xC3\x9C"
                          "bersicht.txt"),
            std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("2024-02-29 23:59:58"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("R--A"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("5 entries, method LZH"), std::string::npos) << list.out;
}

TEST_F(ArchiveCommandTest, ExtractsOnlyTheNamedEntriesAndUnlocksWithTheKey) {
  const std::string archive = PutArchive([](compress::ArchiveWriter& writer) {
    writer.AddEntry("one.txt", std::vector<std::uint8_t>{'1'}, {.key = 42});
    writer.AddEntry("two.txt", std::vector<std::uint8_t>{'2'}, {.key = 42});
  });
  const fs::path target = temp / "out";
  fs::create_directories(target);
  VkRun locked = RunVk({"archive", "extract", archive, "TWO.TXT", "-C", target.string()});
  EXPECT_NE(locked.exitCode, 0);
  EXPECT_EQ(locked.err, "vk: File locked -- valid key required\n");
  VkRun open =
      RunVk({"archive", "extract", archive, "TWO.TXT", "-C", target.string(), "--key", "42"});
  EXPECT_EQ(open.exitCode, 0) << open.err;
  EXPECT_EQ(ReadFile(target / "two.txt"), "2");
  EXPECT_FALSE(fs::exists(target / "one.txt"));

  VkRun missing = RunVk({"archive", "extract", archive, "three.txt", "-C", target.string()});
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_NE(missing.err.find("no entry named \"three.txt\""), std::string::npos) << missing.err;
}

TEST_F(ArchiveCommandTest, NamesLeavingTheFolderAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    const char* name;
    const char* message;
    bool allowedWithOption;
  };
  const Case cases[] = {
      {"..\\escaped.txt", "leads out of the folder", true},
      {"sub\\..\\..\\escaped.txt", "leads out of the folder", true},
      {"sub/../../escaped.txt", "leads out of the folder", true},
      {"\\escaped.txt", "is an absolute path", false},
      {"C:\\escaped.txt", "names a drive", false},
      {"bad\nname.txt", "has control characters", false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string archive = PutArchive([&](compress::ArchiveWriter& writer) {
      writer.AddEntry("first.txt", std::vector<std::uint8_t>{'f'});
      writer.AddEntry(test.name, std::vector<std::uint8_t>{'x'});
    });
    const fs::path target = temp / "box" / "inner";
    fs::remove_all(temp / "box");
    fs::create_directories(target);
    VkRun refused = RunVk({"archive", "extract", archive, "-C", target.string()});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find(test.message), std::string::npos) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    EXPECT_FALSE(fs::exists(target / "first.txt"));
    EXPECT_FALSE(fs::exists(temp / "box" / "escaped.txt"));
    EXPECT_FALSE(fs::exists(temp / "escaped.txt"));

    VkRun unsafe = RunVk({"archive", "extract", archive, "-C", target.string(), "--unsafe-paths"});
    if (test.allowedWithOption) {
      EXPECT_EQ(unsafe.exitCode, 0) << unsafe.err;
      EXPECT_EQ(ReadFile(temp / "box" / "escaped.txt"), "x");
    }
  }
}

TEST_F(ArchiveCommandTest, TestReportsEachEntryAndFailsOnABadOne) {
  std::string archive = PutArchive([](compress::ArchiveWriter& writer) {
    writer.AddEntry("good.txt", std::vector<std::uint8_t>(100, 'g'));
    writer.AddEntry("bad.txt", std::vector<std::uint8_t>(100, 'b'));
    writer.AddEntry("stored.txt", std::vector<std::uint8_t>(10, 's'),
                    {.method = compress::MethodKind::mkStored});
  });
  std::string bytes = ReadFile(archive);
  // bad.txt's checksum and stored.txt's checksum, one off each.
  const std::size_t second = bytes.find("bad.txt") - compress::kEntryHeaderSize;
  bytes[second + 17] = static_cast<char>(bytes[second + 17] + 1);
  const std::size_t third = bytes.find("stored.txt") - compress::kEntryHeaderSize;
  bytes[third + 17] = static_cast<char>(bytes[third + 17] + 1);
  WriteFile(archive, bytes);

  VkRun test = RunVk({"archive", "test", archive});
  EXPECT_NE(test.exitCode, 0);
  EXPECT_NE(test.out.find("good.txt: OK"), std::string::npos) << test.out;
  EXPECT_NE(test.out.find("bad.txt: FAILED: Bad checksum during expansion -- data may be invalid"),
            std::string::npos)
      << test.out;
  EXPECT_NE(test.out.find("stored.txt: BAD CHECKSUM"), std::string::npos) << test.out;
  EXPECT_EQ(test.err, "vk: 2 of 3 entries failed the test\n");
}

TEST_F(ArchiveCommandTest, FailuresAreTheExpandersMessagesOnOneLine) {
  WriteFile(temp / "not-an-archive", "hello, this is text and no archive");
  const fs::path missing = temp / "missing.arc";
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"archive", "list", (temp / "not-an-archive").string()},
       "vk: Can't recognize compressed file header\n"},
      {{"archive", "extract", (temp / "not-an-archive").string(), "-C", temp.Path().string()},
       "vk: Can't recognize compressed file header\n"},
      {{"archive", "test", missing.string()},
       "vk: Kann Datei " + missing.string() +
           " nicht \xC3\xB6"
           "ffnen\n"},
      {{"archive", "create", (temp / "x.arc").string(), (temp / "nothing-here").string()},
       "vk: " + (temp / "nothing-here").string() + ": no such file or folder\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.arguments[1]);
    VkRun result = RunVk(test.arguments);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(result.err, test.message);
  }
  EXPECT_FALSE(fs::exists(temp / "x.arc"));
}

TEST_F(ArchiveCommandTest, FailedCreateKeepsTheOlderArchive) {
  WriteFile(temp / "old.arc", "older archive");
  WriteFile(temp / "in" / "a.txt", "a");
  // A name Windows-1252 cannot hold: the euro sign is in it, the tick not.
  WriteFile(temp / "in" / "\xE2\x82\xAC\xE2\x9C\x93.txt", "b");
  VkRun result =
      RunVk({"archive", "create", (temp / "old.arc").string(), "in", "-C", temp.Path().string()});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find("outside Windows-1252"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(temp / "old.arc"), "older archive");
  EXPECT_FALSE(fs::exists(temp / "old.arc.vk-partial"));
}

}  // namespace
}  // namespace vk::cli::testing
