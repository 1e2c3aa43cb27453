// Reading setup.inf at start: outcomes, defaults, sentinels and totals.

#include "app/setup_description.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace vk::app {
namespace {

using testing::TestMachine;
using testing::WriteFile;

constexpr const char* kVersion =
    "[velmor-kit]\r\nversionname=velmor-kit\r\nversion=2\r\nsubversion=0\r\n";

class SetupDescriptionTest : public ::testing::Test {
 protected:
  SetupReadResult Read(const std::string& content) {
    WriteFile(test.MediumFolder() / "setup.inf", content);
    return ReadSetupDescription(test.Files(), "D:\\");
  }
  SetupDescription Loaded(const std::string& content) {
    SetupReadResult result = Read(content);
    EXPECT_EQ(result.outcome, SetupReadOutcome::kLoaded);
    return result.description;
  }
  TestMachine test;
};

TEST_F(SetupDescriptionTest, TheDemoMediumGivesItsTotals) {
  WriteFile(test.MediumFolder() / "setup.inf",
            testing::ReadFile(std::filesystem::path(VK_SOURCE_DIR) / "demo/medium/setup.inf"));
  SetupReadResult result = ReadSetupDescription(test.Files(), "D:\\");
  ASSERT_EQ(result.outcome, SetupReadOutcome::kLoaded);
  const SetupDescription& d = result.description;
  EXPECT_EQ(d.LanguageCode, 2);
  EXPECT_EQ(d.TotalStandard, 1048576);
  EXPECT_EQ(d.TotalCustom, 1253376);
  EXPECT_EQ(d.TotalMinimal, 0);
  EXPECT_TRUE(d.OfferStandard);
  EXPECT_TRUE(d.OfferCustom);
  EXPECT_FALSE(d.OfferMinimal);
  EXPECT_FALSE(d.OfferFromMedium);
  EXPECT_TRUE(d.Option1Locked) << "Opt1_locked is missing, so true";
  EXPECT_EQ(d.Texts[1], "loading data.");
  EXPECT_EQ(d.Texts[2], "");
  EXPECT_EQ(d.TitleLines[0], "Sample Viewer");
  EXPECT_EQ(d.TitleColors[0], 0xFFFFFF);
  EXPECT_EQ(d.TitleColors[1], 0);
  EXPECT_EQ(d.BackPicture, "D:\\back.bmp");
  EXPECT_EQ(d.WizardPicture, "D:\\wizard.bmp");
  EXPECT_EQ(d.InfoText, "_");
  EXPECT_EQ(d.Options[1].name, "Examples");
  EXPECT_EQ(result.targetFolder, "C:\\Applications\\Viewer");
  EXPECT_EQ(result.programGroup, "Sample Viewer");
  EXPECT_TRUE(result.reader) << "the start reader stays open";
}

TEST_F(SetupDescriptionTest, MissingFileIsItsOwnOutcome) {
  SetupReadResult result = ReadSetupDescription(test.Files(), "D:\\");
  EXPECT_EQ(result.outcome, SetupReadOutcome::kFileMissing);
  EXPECT_FALSE(result.reader);
}

struct VersionCase {
  const char* why;
  const char* product;
};

class VersionConflictTest : public SetupDescriptionTest,
                            public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionConflictTest, OnlyTheExactVersionIsAccepted) {
  EXPECT_EQ(Read(GetParam().product).outcome, SetupReadOutcome::kVersionConflict)
      << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionConflictTest,
    ::testing::Values(
        VersionCase{"version 3", "[velmor-kit]\nversionname=velmor-kit\nversion=3\nsubversion=0\n"},
        VersionCase{"version 2.0 is not 2",
                    "[velmor-kit]\nversionname=velmor-kit\nversion=2.0\nsubversion=0\n"},
        VersionCase{"the name is compared with its case",
                    "[velmor-kit]\nversionname=Velmor-kit\nversion=2\nsubversion=0\n"},
        VersionCase{"a missing subversion", "[velmor-kit]\nversionname=velmor-kit\nversion=2\n"},
        VersionCase{"an empty file", ""},
        VersionCase{"no sections at all", "versionname=velmor-kit\nversion=2\nsubversion=0\n"}));

struct LanguageCase {
  const char* language;
  int code;
  const char* defaultFolder;
};

class LanguageTest : public SetupDescriptionTest,
                     public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageTest, CodeAndDefaultFolder) {
  SetupReadResult result = Read(std::string(kVersion) + GetParam().language);
  ASSERT_EQ(result.outcome, SetupReadOutcome::kLoaded);
  EXPECT_EQ(result.description.LanguageCode, GetParam().code) << GetParam().language;
  EXPECT_EQ(result.targetFolder, GetParam().defaultFolder) << GetParam().language;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageTest,
    ::testing::Values(LanguageCase{"language=german\n", 1, "C:\\Programme\\Neu"},
                      LanguageCase{"language=english\n", 2, "C:\\Applications\\New"},
                      LanguageCase{"language=french\n", 3, "C:\\Applications\\New"},
                      LanguageCase{"language=German\n", 0, "C:\\Applications\\New"},
                      LanguageCase{"language=klingon\n", 0, "C:\\Applications\\New"},
                      LanguageCase{"", 2, "C:\\Applications\\New"}));

TEST_F(SetupDescriptionTest, FlagsOfATypeNotOfferedAreNotRead) {
  SetupDescription d = Loaded(std::string(kVersion) +
                              "[software]\no_min=0\no_custom=0\nOpt1_locked=1\nOpt3_min=1\n"
                              "Opt3_space=500\nOpt1_custom=1\nOpt1_space=100\n");
  EXPECT_FALSE(d.Options[2].minimal);
  EXPECT_EQ(d.TotalMinimal, 0);
  EXPECT_FALSE(d.Option1Locked) << "o_custom 0 leaves component 1 unlocked";
  EXPECT_FALSE(d.Options[0].custom);
  EXPECT_EQ(d.TotalCustom, 0);
}

TEST_F(SetupDescriptionTest, TotalsSumTheSpacesOfEachType) {
  SetupDescription d = Loaded(std::string(kVersion) +
                              "[software]\no_standard=1\no_min=1\no_custom=1\n"
                              "Opt1_standard=1\nOpt1_min=1\nOpt1_custom=1\nOpt1_space=1000\n"
                              "Opt2_standard=1\nOpt2_custom=1\nOpt2_space=0x100\n"
                              "Opt7_custom=-1\nOpt7_space=$10\n");
  EXPECT_EQ(d.TotalStandard, 1256);
  EXPECT_EQ(d.TotalMinimal, 1000);
  EXPECT_EQ(d.TotalCustom, 1272);
}

TEST_F(SetupDescriptionTest, CompressionModeAddsItsSizeAndReadsCompressedSizes) {
  const std::string software =
      "[software]\no_standard=1\nOpt1_standard=1\nOpt1_space=1000\nOpt1_cs=300\n";
  SetupDescription stored = Loaded(std::string(kVersion) + software + "[compression]\nsize=50\n");
  EXPECT_EQ(stored.TotalStandard, 1000);
  EXPECT_EQ(stored.Options[0].compressedSize, 0) << "mode 0 reads no compressed sizes";
  for (const char* mode : {"1", "2"}) {
    SetupDescription d = Loaded(std::string(kVersion) + software + "[compression]\nmode=" + mode +
                                "\nsize=50\n");
    EXPECT_EQ(d.TotalStandard, 1050) << "mode " << mode;
    EXPECT_EQ(d.TotalMinimal, 50) << "mode " << mode;
    EXPECT_EQ(d.Options[0].compressedSize, 300) << "mode " << mode;
    EXPECT_EQ(d.CompressionMode, std::stoi(mode));
  }
}

TEST_F(SetupDescriptionTest, TotalsDoNotWrapPastThirtyTwoBits) {
  SetupDescription d = Loaded(std::string(kVersion) +
                              "[software]\no_standard=1\nOpt1_standard=1\nOpt1_space=2147483647\n"
                              "Opt2_standard=1\nOpt2_space=2147483647\n");
  EXPECT_EQ(d.TotalStandard, 2147483647);
}

TEST_F(SetupDescriptionTest, PicturesAreSourceFolderPlusValueAndTextSentinelsStay) {
  SetupDescription d =
      Loaded(std::string(kVersion) + "[main]\nback=pics\\back.bmp\ntext=\n[leader]\nLbl_2=Hi\n");
  EXPECT_EQ(d.BackPicture, "D:\\pics\\back.bmp");
  EXPECT_EQ(d.LogoPicture, "D:\\_");
  EXPECT_EQ(d.InfoText, "") << "an empty text is a text, not the absent \"_\"";
  EXPECT_EQ(d.WizardNote, "Hi");
}

// Whatever the file holds, the reader survives it and falls back on defaults.
TEST_F(SetupDescriptionTest, HostileFilesAreReadWithDefaults) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131) & 0xFF);
  const std::string cases[] = {
      binary,
      std::string(kVersion) + "[language]\nl1=" + std::string(100000, 'x') + "\n",
      std::string(kVersion) + "[language]\nl1=ab" + std::string(1, '\0') + "cd\n[software]\n",
      "l1=before any section\n" + std::string(kVersion) + "[main]\n=\n[\n]]]\nno equals\n",
  };
  for (const std::string& content : cases) {
    SetupReadResult result = Read(content);
    if (result.outcome != SetupReadOutcome::kLoaded) continue;
    EXPECT_LE(result.description.Texts[1].size(), 1023u);
    EXPECT_EQ(result.description.TotalStandard, 0);
  }
  EXPECT_EQ(Read(cases[1]).description.Texts[1], std::string(1023, 'x'));
}

}  // namespace
}  // namespace vk::app
