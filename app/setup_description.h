#pragma once
// setup.inf: the values read once at start, and the reader that stays open.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/install_option.h"
#include "platform/ini_file.h"

namespace vk::platform {
class FileSystem;
}

namespace vk::app {

inline constexpr int kTextCount = 60;
inline constexpr int kStartTextCount = 54;

// The texts l1 to l60 of [language]; l55 to l60 are read only by the run.
class TextTable {
 public:
  // The text lN, 1 <= number <= 60.
  const std::string& operator[](int number) const { return texts_.at(number - 1); }
  std::string& operator[](int number) { return texts_.at(number - 1); }

 private:
  std::array<std::string, kTextCount> texts_;
};

struct SetupDescription {
  std::string LanguageName;
  int LanguageCode = 0;  // 1 german, 2 english, 3 french, else 0
  TextTable Texts;
  std::array<std::string, 3> TitleLines;
  std::array<std::int32_t, 3> TitleColors{};
  std::string BackPicture, InfoPicture, LogoPicture;  // full Windows paths
  std::string InfoText;
  std::string WizardPicture;
  std::string WizardNote;
  std::int32_t WizardNoteColor = 0;
  bool OfferStandard = false, OfferMinimal = false, OfferFromMedium = false, OfferCustom = false;
  bool Option1Locked = false;
  std::array<InstallOption, kOptionCount> Options;
  std::int32_t CompressionMode = 0, CompressionSize = 0;
  std::int32_t TotalStandard = 0, TotalMinimal = 0, TotalCustom = 0;
};

enum class SetupReadOutcome { kLoaded, kFileMissing, kVersionConflict };

struct SetupReadResult {
  SetupReadOutcome outcome = SetupReadOutcome::kFileMissing;
  SetupDescription description;
  std::string targetFolder;
  std::string programGroup;
  // The start reader on setup.inf, kept open for [main] show and stretch.
  std::unique_ptr<platform::TIniFile> reader;
};

// The messages of the two failed outcomes; "\r" is a line break.
inline constexpr const char* kSetupMissingMessage =
    "File setup.inf not found.\rAsk your software-distributor for help.";
inline constexpr const char* kVersionConflictMessage =
    "There is a conflict with version of file setup.inf.\rAsk your software-distributor for help.";

// Reads sourceFolder + "setup.inf"; sourceFolder is a Windows path ending
// in a backslash.
SetupReadResult ReadSetupDescription(platform::FileSystem& files, const std::string& sourceFolder);

}  // namespace vk::app
