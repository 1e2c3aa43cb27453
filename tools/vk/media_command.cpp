// vk media: installation media.
//   describe MEDIUM   prints what setup.inf yields, one "Field: value" line each

#include <filesystem>
#include <iostream>
#include <string>

#include "app/setup_description.h"
#include "app/source_folder.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"
#include "tools/vk/prefix_option.h"
#include "tools/vk/terminal_text.h"

namespace vk::cli {
namespace {

// A message box's text for the terminal: its "\r" is a line break.
std::string MessageText(std::string text) {
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return platform::ToUtf8(text);
}

void Field(const std::string& name, const std::string& value) {
  std::cout << name << ": " << Printable(value) << '\n';
}
void Field(const std::string& name, std::int64_t value) { Field(name, std::to_string(value)); }
void Flag(const std::string& name, bool value) { Field(name, value ? "true" : "false"); }

void PrintDescription(const app::SetupReadResult& result) {
  const app::SetupDescription& d = result.description;
  Field("LanguageName", d.LanguageName);
  Field("LanguageCode", d.LanguageCode);
  for (int n = 1; n <= app::kStartTextCount; ++n) Field("Texts.l" + std::to_string(n), d.Texts[n]);
  for (int line = 0; line < 3; ++line) {
    Field("TitleLines." + std::to_string(line + 1), d.TitleLines[line]);
    Field("TitleColors." + std::to_string(line + 1), d.TitleColors[line]);
  }
  Field("BackPicture", d.BackPicture);
  Field("InfoPicture", d.InfoPicture);
  Field("LogoPicture", d.LogoPicture);
  Field("InfoText", d.InfoText);
  Field("WizardPicture", d.WizardPicture);
  Field("WizardNote", d.WizardNote);
  Field("WizardNoteColor", d.WizardNoteColor);
  Flag("OfferStandard", d.OfferStandard);
  Flag("OfferMinimal", d.OfferMinimal);
  Flag("OfferFromMedium", d.OfferFromMedium);
  Flag("OfferCustom", d.OfferCustom);
  Flag("Option1Locked", d.Option1Locked);
  for (int k = 1; k <= app::kOptionCount; ++k) {
    const app::InstallOption& option = d.Options[k - 1];
    std::string prefix = "Options." + std::to_string(k) + ".";
    Field(prefix + "Name", option.name);
    Flag(prefix + "Standard", option.standard);
    Flag(prefix + "Minimal", option.minimal);
    Flag(prefix + "Custom", option.custom);
    Flag(prefix + "ProgramItems", option.programItems);
    Field(prefix + "Space", option.space);
    Field(prefix + "CompressedSize", option.compressedSize);
  }
  Field("CompressionMode", d.CompressionMode);
  Field("CompressionSize", d.CompressionSize);
  Field("TotalStandard", d.TotalStandard);
  Field("TotalMinimal", d.TotalMinimal);
  Field("TotalCustom", d.TotalCustom);
  Field("TargetFolder", result.targetFolder);
  Field("ProgramGroup", result.programGroup);
}

void Describe(const std::string& medium, const std::string& prefix) {
  std::error_code error;
  if (!std::filesystem::is_directory(medium, error)) {
    throw CommandError("no such medium folder: " + medium);
  }
  // The medium is seen as setup would see it: as the drive of a program in
  // the medium's folder.
  platform::Machine machine(ResolvePrefix(prefix),
                            {.programPath = std::filesystem::path(medium) / "setup"});
  auto files = platform::MakeHostFileSystem(machine);
  app::SetupReadResult result =
      app::ReadSetupDescription(*files, app::SourceFolderOf(machine.ProgramPath()));
  switch (result.outcome) {
    case app::SetupReadOutcome::kLoaded:
      PrintDescription(result);
      return;
    case app::SetupReadOutcome::kFileMissing:
      throw CommandError(MessageText(app::kSetupMissingMessage));
    case app::SetupReadOutcome::kVersionConflict:
      throw CommandError(MessageText(app::kVersionConflictMessage));
  }
}

}  // namespace

void AddMediaCommand(CLI::App& app) {
  CLI::App* media = app.add_subcommand("media", "Installation media");
  media->require_subcommand(1);

  CLI::App* describe =
      media->add_subcommand("describe", "Print the description that setup.inf yields");
  static std::string medium;
  static std::string prefix;
  describe->add_option("MEDIUM", medium, "Folder of the medium, holding setup.inf")->required();
  AddPrefixOption(*describe, prefix);
  describe->callback([] { Describe(medium, prefix); });
}

}  // namespace vk::cli
