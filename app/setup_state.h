#pragma once
// The one program-wide record of the values that all windows share during
// one run of the program. It starts empty: texts empty, numbers 0, flags
// false, no open files.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/install_option.h"
#include "app/setup_description.h"
#include "platform/ini_file.h"

namespace vk::app {

struct SetupState {
  SetupDescription Description;

  std::string SourceFolder;  // folder of the running program, ending in a backslash
  std::string TargetFolder;
  std::string ProgramGroup;

  int WizardStep = 0;    // current wizard page, 1 to 6
  int PicturePhase = 0;  // picture being expanded while the wizard is built, 1 to 4
  std::string TargetDrive;     // "C:"
  int TargetDriveNumber = 0;   // 3 for C:
  bool TakeStandard = false, TakeMinimal = false, TakeCustom = false;
  bool RunFromMedium = false;
  std::array<bool, kOptionCount> ComponentChosen{};
  std::int32_t ProgressTotal = 0;

  bool DescriptionLoaded = false;
  bool RunStarted = false;
  bool RollbackRequested = false;
  bool GroupItemsCreated = false;

  // The start reader on setup.inf, open until the program ends.
  std::unique_ptr<platform::TIniFile> StartReader;
  // The run's copy setup.tmp of setup.inf.
  std::unique_ptr<platform::TIniFile> DescriptionCopy;
  // The open uninstall log.
  std::unique_ptr<platform::TIniFile> Log;
  std::int32_t FilesRecorded = 0;

  std::string ReadmePath;
  std::string CompressTmpPath;
  std::string UninstallerPath;
  std::string CurrentTargetPath;
  std::string CurrentEntryName;
  bool ExpandingUninstaller = false;
  std::int32_t ProgressUnits = 0;
};

}  // namespace vk::app
