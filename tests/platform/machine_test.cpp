// The machine's mapping of Windows paths onto the host.

#include "platform/machine.h"

#include <gtest/gtest.h>

#include "app/source_folder.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;
using testing::TestMachine;
using testing::WriteFile;

struct MappingCase {
  const char* why;
  const char* windowsPath;
  std::optional<const char*> host;  // relative to the test's root folder
};

class PathMappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(PathMappingTest, MapsLikeWindows) {
  TestMachine test;
  WriteFile(test.DriveC() / "Data" / "ReadMe.TXT", "x");
  WriteFile(test.MediumFolder() / "SETUP.INF", "x");
  WriteFile(test.DriveC() / "M\xC3\x9CLLER" / "a.txt", "x");  // MÜLLER in UTF-8
  auto host = test.Machine().ToHost(GetParam().windowsPath);
  if (!GetParam().host) {
    EXPECT_FALSE(host) << GetParam().why << ": " << host->string();
  } else {
    ASSERT_TRUE(host) << GetParam().why;
    EXPECT_EQ(*host, test.Root() / *GetParam().host) << GetParam().why;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathMappingTest,
    ::testing::Values(
        MappingCase{"the Windows folder lives in drive_c", "C:\\WINDOWS", "prefix/drive_c/WINDOWS"},
        MappingCase{"slashes, lower case and a trailing separator", "c:/windows/",
                    "prefix/drive_c/WINDOWS"},
        MappingCase{"existing names match without regard to case", "C:\\DATA\\readme.txt",
                    "prefix/drive_c/Data/ReadMe.TXT"},
        MappingCase{"new names keep the case given", "C:\\Data\\New Folder\\Sub",
                    "prefix/drive_c/Data/New Folder/Sub"},
        MappingCase{"Windows-1252 letters fold too", "C:\\m\xFCller\\A.TXT",
                    "prefix/drive_c/M\xC3\x9CLLER/a.txt"},
        MappingCase{"the root of a drive", "C:\\", "prefix/drive_c"},
        MappingCase{"dots inside the drive", "C:\\Data\\.\\..\\WINDOWS", "prefix/drive_c/WINDOWS"},
        MappingCase{"C:\\temp is the prefix's own", "C:\\temp\\x.bmp", "prefix/drive_c/temp/x.bmp"},
        MappingCase{"the medium is D:", "D:\\setup.inf", "medium/SETUP.INF"},
        MappingCase{"dots never leave the drive", "C:\\..\\registry.db", std::nullopt},
        MappingCase{"an unmapped drive does not exist", "Q:\\file", std::nullopt},
        MappingCase{"a relative path names nothing", "Data\\file", std::nullopt},
        MappingCase{"no path at all", "", std::nullopt}));

TEST(MachineTest, CreatesItsFoldersAndDriveMap) {
  TestMachine test;
  EXPECT_TRUE(fs::is_directory(test.DriveC() / "WINDOWS"));
  EXPECT_TRUE(fs::is_directory(test.DriveC() / "temp"));
  EXPECT_TRUE(fs::exists(test.Root() / "prefix" / "drives.ini"));
  EXPECT_EQ(test.Machine().WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_EQ(test.Machine().RegistryFile(), test.Root() / "prefix" / "registry.db");
}

TEST(MachineTest, HostPathsMapBackToTheDriveThatHoldsThem) {
  TestMachine test;
  EXPECT_EQ(test.Machine().ToWindows(test.DriveC() / "Data" / "x.txt"), "C:\\Data\\x.txt");
  EXPECT_EQ(test.Machine().ToWindows(test.MediumFolder()), "D:\\");
  EXPECT_EQ(test.Machine().ToWindows(test.DriveC() / "M\xC3\xBCller"), "C:\\M\xFCller");
  EXPECT_FALSE(test.Machine().ToWindows(test.Root() / "elsewhere"));
}

// Which letter the medium gets, and the source folder that follows.
TEST(MachineTest, MediumInItsOwnFolderIsDriveDAndItsRoot) {
  TestMachine test;
  EXPECT_EQ(test.Machine().MediumLetter(), 'D');
  EXPECT_EQ(test.Machine().ProgramPath(), "D:\\setup");
  EXPECT_EQ(app::SourceFolderOf(test.Machine().ProgramPath()), "D:\\");
}

TEST(MachineTest, MediumInsideAConfiguredDriveUsesThatLetterAndFolder) {
  TemporaryFolder root;
  WriteFile(root / "prefix" / "drives.ini",
            "[drives]\r\nC=drive_c\r\nE=" + (root / "cdrom").string() + "\r\n");
  fs::create_directories(root / "cdrom" / "Inst");
  Machine machine(root / "prefix", {.programPath = root / "cdrom" / "Inst" / "setup"});
  EXPECT_EQ(machine.MediumLetter(), 'E');
  EXPECT_EQ(machine.ProgramPath(), "E:\\Inst\\setup");
  EXPECT_EQ(app::SourceFolderOf(machine.ProgramPath()), "E:\\Inst\\");
}

TEST(MachineTest, MediumTakesTheNextFreeLetterWhenDIsTaken) {
  TemporaryFolder root;
  fs::create_directories(root / "other");
  fs::create_directories(root / "medium");
  WriteFile(root / "prefix" / "drives.ini",
            "[drives]\nC=drive_c\nD=" + (root / "other").string() + "\n");
  Machine machine(root / "prefix", {.programPath = root / "medium" / "setup"});
  EXPECT_EQ(machine.MediumLetter(), 'E');
  EXPECT_EQ(machine.ToHost("e:\\setup.inf"), root / "medium" / "setup.inf");
  EXPECT_EQ(machine.ToHost("D:\\x"), root / "other" / "x");
}

}  // namespace
}  // namespace vk::platform
