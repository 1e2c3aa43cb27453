// Writing INI files the way the uninstall log is written: order of sections
// and keys, replacement in place, untouched lines, failures, and a log that
// grows by thousands of entries in its middle.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TemporaryFolder;
using testing::WriteFile;

struct Write {
  std::string section;
  std::string key;
  std::string value;
};

struct WriteCase {
  const char* why;
  std::string before;  // the file's content; "<absent>" for no file
  std::vector<Write> writes;
  std::string after;  // the file once the writer is closed
};

class IniWriteTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  fs::path path = folder / "uninst.log";
};

TEST_F(IniWriteTest, WritesKeepOrderReplaceInPlaceAndLeaveOtherLinesAlone) {
  const WriteCase cases[] = {
      {"a new file gets the section and the key",
       "<absent>",
       {{"important!", "c", "velmor-kit"}},
       "[important!]\r\nc=velmor-kit\r\n"},
      {"sections and keys stay in first-write order, a blank line parts sections",
       "<absent>",
       {{"a", "x", "1"}, {"b", "y", "2"}, {"a", "z", "3"}, {"c", "w", "4"}, {"b", "v", "5"}},
       "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\nv=5\r\n\r\n[c]\r\nw=4\r\n"},
      {"a value is replaced in place, shorter or longer",
       "[files]\r\ntotal=0\r\nf1=\\a\r\n\r\n[directories]\r\ntotal=12345\r\n",
       {{"files", "total", "10000"}, {"directories", "total", "7"}},
       "[files]\r\ntotal=10000\r\nf1=\\a\r\n\r\n[directories]\r\ntotal=7\r\n"},
      {"the key keeps its spelling in the file, names match without regard to case",
       "[Files]\r\nTotal=0\r\n",
       {{"FILES", "total", "3"}, {"files", "F1", "x"}},
       "[Files]\r\nTotal=3\r\nF1=x\r\n"},
      {"a new key goes after the last key, before the comments of the next section",
       "[a]\r\nk=1\r\n; k=old\r\n\r\n; about b\r\n[b]\r\nj=2\r\n",
       {{"a", "n", "3"}},
       "[a]\r\nk=1\r\nn=3\r\n; k=old\r\n\r\n; about b\r\n[b]\r\nj=2\r\n"},
      {"comments, blank lines and odd lines stay as they are",
       "; head\r\n\r\n[a]\r\n  spaced  =  kept  \r\nodd line\r\n]junk[\r\n;c\r\n[b]\r\n",
       {{"a", "new", "v"}, {"b", "k", "w"}},
       "; head\r\n\r\n[a]\r\n  spaced  =  kept  \r\nodd line\r\n]junk[\r\nnew=v\r\n;c\r\n[b]\r\nk=w\r\n"},
      {"a line without '=' is replaced as a key",
       "[a]\r\nflag\r\n",
       {{"a", "flag", "1"}},
       "[a]\r\nflag=1\r\n"},
      {"a file in LF lines gets LF lines",
       "[a]\nk=1\n",
       {{"a", "j", "2"}, {"b", "x", "3"}},
       "[a]\nk=1\nj=2\n\n[b]\nx=3\n"},
      {"a file without a final line break gets one before the new line",
       "[a]\r\nk=1",
       {{"a", "j", "2"}},
       "[a]\r\nk=1\r\nj=2\r\n"},
      {"a new section after a last line without a line break",
       "[a]\r\nk=1",
       {{"b", "j", "2"}},
       "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n"},
      {"only the first of repeated keys is replaced",
       "[a]\r\nk=1\r\nk=2\r\n",
       {{"a", "K", "3"}},
       "[a]\r\nk=3\r\nk=2\r\n"},
      {"writes go to the first of repeated sections",
       "[a]\r\nk=1\r\n[b]\r\n[a]\r\nj=2\r\n",
       {{"a", "j", "3"}},
       "[a]\r\nk=1\r\nj=3\r\n[b]\r\n[a]\r\nj=2\r\n"},
      {"keys before any section stay and are never written to",
       "k=1\r\n[a]\r\n",
       {{"a", "k", "2"}},
       "k=1\r\n[a]\r\nk=2\r\n"},
      {"names are trimmed, values and bytes above 127 are written as given",
       "<absent>",
       {{" s ", " k ", "\xE4=;\"x\""}},
       "[s]\r\nk=\xE4=;\"x\"\r\n"},
      {"writing a value that reads back the same changes nothing",
       "[a]\r\nk = \"1\"\r\n",
       {{"a", "k", "1"}, {"a", "K", " 1 "}},
       "[a]\r\nk = \"1\"\r\n"},
      {"an empty file gets no blank line before its first section",
       "",
       {{"a", "k", "1"}},
       "[a]\r\nk=1\r\n"},
  };
  for (const WriteCase& each : cases) {
    fs::remove(path);
    if (each.before != "<absent>") WriteFile(path, each.before);
    {
      TIniFile ini(path);
      for (const Write& write : each.writes) ini.WriteString(write.section, write.key, write.value);
      for (const Write& write : each.writes) {
        EXPECT_EQ(ini.ReadString(write.section, write.key, "_"), TIniFile(path).ReadString(write.section, write.key, "_"))
            << each.why;
      }
    }
    EXPECT_EQ(ReadFile(path), each.after) << each.why;
  }
}

TEST_F(IniWriteTest, IntegersAreDecimalAndFlagsAreOneOrZero) {
  {
    TIniFile ini(path);
    ini.WriteInteger("s", "n", -42);
    ini.WriteInteger("s", "big", 2147483647);
    ini.WriteBool("s", "yes", true);
    ini.WriteBool("s", "no", false);
  }
  EXPECT_EQ(ReadFile(path), "[s]\r\nn=-42\r\nbig=2147483647\r\nyes=1\r\nno=0\r\n");
}

TEST_F(IniWriteTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  WriteFile(path, "[s]\r\nk=1\r\n");
  const Write refused[] = {
      {"s", "", "v"},   {"s", "  ", "v"},     {"s", "a=b", "v"}, {"s", ";k", "v"},
      {"s", "[k", "v"}, {"s", "a\nb", "v"},   {"a]b", "k", "v"}, {"a\r", "k", "v"},
      {"s", "k", "1\r\n[evil]\r\nx=1"},       {"s", "k", "\n"},
  };
  TIniFile ini(path);
  for (const Write& write : refused) {
    EXPECT_THROW(ini.WriteString(write.section, write.key, write.value), EIniFileError)
        << write.section << "/" << write.key << "/" << write.value;
  }
  EXPECT_EQ(ReadFile(path), "[s]\r\nk=1\r\n");
}

TEST_F(IniWriteTest, AWriteTheSystemRefusesRaisesAnErrorNamingTheFile) {
  WriteFile(folder / "plain", "x");
  const fs::path refused[] = {
      folder / "missing" / "uninst.log",  // no such folder
      folder / "plain" / "uninst.log",    // a file in the folder's place
  };
  for (const fs::path& target : refused) {
    TIniFile ini(target);
    try {
      ini.WriteString("s", "k", "v");
      ADD_FAILURE() << target;
    } catch (const EIniFileError& error) {
      EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
      EXPECT_EQ(error.FileName(), target);
      const Exception& base = error;
      EXPECT_NE(base.what(), nullptr);
    }
    EXPECT_EQ(ini.ReadString("s", "k", "_"), "_") << "a failed write is not seen";
  }
  WriteFile(folder / "readonly.log", "[s]\r\nk=1\r\n");
  ::chmod((folder / "readonly.log").c_str(), 0444);
  TIniFile readOnly(folder / "readonly.log");
  EXPECT_THROW(readOnly.WriteString("s", "k", "2"), EIniFileError) << "read-only, even for root";
  EXPECT_THROW(readOnly.WriteString("s", "j", "2"), EIniFileError);
  EXPECT_EQ(ReadFile(folder / "readonly.log"), "[s]\r\nk=1\r\n");
  fs::create_directories(folder / "folder.log");
  TIniFile directory(folder / "folder.log");
  EXPECT_THROW(directory.WriteString("s", "k", "v"), EIniFileError);
  EXPECT_TRUE(fs::is_directory(folder / "folder.log"));
}

TEST_F(IniWriteTest, TheFileKeepsItsPermissionsAndASymbolicLinkStays) {
  WriteFile(folder / "real.ini", "[a]\r\nk=1\r\n[b]\r\n");
  ::chmod((folder / "real.ini").c_str(), 0640);
  fs::create_symlink("real.ini", folder / "link.ini");
  {
    TIniFile ini(folder / "link.ini");
    ini.WriteString("a", "j", "2");  // into the middle: the whole file is written anew
    ini.WriteString("a", "k", "a longer value");
  }
  EXPECT_TRUE(fs::is_symlink(folder / "link.ini"));
  EXPECT_EQ(ReadFile(folder / "real.ini"), "[a]\r\nk=a longer value\r\nj=2\r\n[b]\r\n");
  struct stat status {};
  ASSERT_EQ(::stat((folder / "real.ini").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  for (const auto& entry : fs::directory_iterator(folder.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".vk-"), std::string::npos)
        << "temporary file left: " << entry.path();
  }
}

// A writer whose file was replaced by someone else writes into the new file
// instead of losing the write in the old one.
TEST_F(IniWriteTest, AFileReplacedByAnotherWriterIsReadBeforeTheNextWrite) {
  TIniFile ini(path);
  ini.WriteString("a", "k", "1");
  ini.WriteString("a", "j", "2");
  WriteFile(folder / "other", "[a]\r\nk=9\r\n[other]\r\nx=y\r\n");
  fs::rename(folder / "other", path);
  ini.WriteString("a", "n", "3");
  EXPECT_EQ(ini.ReadString("a", "k", "_"), "9");
  EXPECT_EQ(ini.ReadString("a", "j", "_"), "_");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path), "[a]\r\nk=9\r\nn=3\r\n[other]\r\nx=y\r\n");
}

// The uninstall log of a large installation: [files] grows in the middle
// while later sections follow. Every write is in the file at once, the file
// reads the same to any other reader, and the closed file is compact.
TEST_F(IniWriteTest, ALogGrowingInItsMiddleReadsRightAtEveryStepAndEndsCompact) {
  constexpr int kFiles = 3000;
  std::string expectedFiles = "[files]\r\ntotal=" + std::to_string(kFiles) + "\r\n";
  std::string expectedDirectories = "[directories]\r\ntotal=2\r\n";
  {
    TIniFile log(path);
    log.WriteString("important!", "c", "velmor-kit uninstall log");
    log.WriteInteger("files", "total", 0);
    log.WriteInteger("directories", "total", 0);
    log.WriteString("uninstall", "directory", "C:\\Applications\\Viewer");
    for (int number = 1; number <= kFiles; ++number) {
      std::string key = "f" + std::to_string(number);
      std::string value = "\\bin\\file" + std::to_string(number) + ".dat";
      log.WriteString("files", key, value);
      expectedFiles += key + "=" + value + "\r\n";
      if (number % 1000 == 0) {
        std::string dKey = "d" + std::to_string(number / 1000);
        log.WriteString("directories", dKey, "\\d\\");
        if (number / 1000 <= 2) expectedDirectories += dKey + "=\\d\\\r\n";
      }
      if (number % 250 == 0) {
        TIniFile reader(path);
        EXPECT_EQ(reader.ReadString("files", key, "_"), value);
        EXPECT_EQ(reader.ReadString("files", "f1", "_"), "\\bin\\file1.dat");
        EXPECT_EQ(reader.ReadString("uninstall", "directory", "_"), "C:\\Applications\\Viewer");
        EXPECT_EQ(reader.ReadSection("files").size(), static_cast<std::size_t>(number) + 1);
      }
    }
    log.WriteInteger("files", "total", kFiles);
    log.WriteInteger("directories", "total", 2);
    log.WriteString("sysreg", "remove", "1");
  }
  // The third directory entry was written after total's place, in order.
  expectedDirectories += "d3=\\d\\\r\n";
  EXPECT_EQ(ReadFile(path), "[important!]\r\nc=velmor-kit uninstall log\r\n\r\n" + expectedFiles +
                                "\r\n" + expectedDirectories +
                                "\r\n[uninstall]\r\ndirectory=C:\\Applications\\Viewer\r\n"
                                "\r\n[sysreg]\r\nremove=1\r\n");
}

// Random writes against a plain model of the file: after each write a fresh
// reader sees exactly the model, whichever way the write reached the file.
TEST_F(IniWriteTest, RandomWritesAlwaysReadBackAsTheModel) {
  std::mt19937 random(20261211);
  std::vector<std::string> sectionOrder;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> model;
  TIniFile ini(path);
  for (int step = 0; step < 1500; ++step) {
    std::string section = "s" + std::to_string(random() % 5);
    std::string key = "k" + std::to_string(random() % 60);
    std::string value(random() % 40, static_cast<char>('a' + step % 26));
    ini.WriteString(section, key, value);
    if (model.find(section) == model.end()) sectionOrder.push_back(section);
    auto& keys = model[section];
    auto found = std::find_if(keys.begin(), keys.end(), [&](auto& pair) { return pair.first == key; });
    if (found == keys.end()) {
      keys.emplace_back(key, value);
    } else {
      found->second = value;
    }
    if (step % 50 == 0 || step > 1450) {
      TIniFile reader(path);
      for (const auto& [name, entries] : model) {
        for (const auto& [entryKey, entryValue] : entries) {
          ASSERT_EQ(reader.ReadString(name, entryKey, "_"), entryValue) << name << "/" << entryKey;
        }
      }
    }
  }
  ini.UpdateFile();
  std::string expected;
  for (const std::string& section : sectionOrder) {
    if (!expected.empty()) expected += "\r\n";
    expected += "[" + section + "]\r\n";
    for (const auto& [key, value] : model[section]) expected += key + "=" + value + "\r\n";
  }
  EXPECT_EQ(ReadFile(path), expected);
}

}  // namespace
}  // namespace vk::platform
