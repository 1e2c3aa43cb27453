#include "app/setup_description.h"

#include <algorithm>
#include <limits>

#include "platform/file_system.h"

namespace vk::app {
namespace {

std::string OptionKey(int number, const char* suffix) {
  return "Opt" + std::to_string(number) + "_" + suffix;
}

// Sizes are 32-bit; a sum past the range stays at its end rather than
// wrapping to a negative need.
std::int32_t AddSaturated(std::int32_t a, std::int32_t b) {
  std::int64_t sum = static_cast<std::int64_t>(a) + b;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int LanguageCodeOf(const std::string& name) {
  if (name == "german") return 1;
  if (name == "english") return 2;
  if (name == "french") return 3;
  return 0;
}

}  // namespace

SetupReadResult ReadSetupDescription(platform::FileSystem& files, const std::string& sourceFolder) {
  SetupReadResult result;
  const std::string path = sourceFolder + "setup.inf";
  auto host = files.HostPath(path);
  if (!host || !files.FileExists(path)) {
    result.outcome = SetupReadOutcome::kFileMissing;
    return result;
  }
  result.reader = std::make_unique<platform::TIniFile>(*host);
  platform::TIniFile& ini = *result.reader;

  // All three are read even when one already differs.
  bool nameMatches = ini.ReadString("velmor-kit", "versionname", "_") == "velmor-kit";
  bool versionMatches = ini.ReadString("velmor-kit", "version", "_") == "2";
  bool subversionMatches = ini.ReadString("velmor-kit", "subversion", "_") == "0";
  if (!nameMatches || !versionMatches || !subversionMatches) {
    result.outcome = SetupReadOutcome::kVersionConflict;
    return result;
  }

  SetupDescription& d = result.description;
  d.LanguageName = ini.ReadString("velmor-kit", "language", "english");
  d.LanguageCode = LanguageCodeOf(d.LanguageName);
  for (int n = 1; n <= kStartTextCount; ++n) {
    d.Texts[n] = ini.ReadString("language", "l" + std::to_string(n), "");
  }

  d.WizardNote = ini.ReadString("leader", "Lbl_2", "");
  d.BackPicture = sourceFolder + ini.ReadString("main", "back", "_");
  d.InfoPicture = sourceFolder + ini.ReadString("main", "info", "_");
  d.InfoText = ini.ReadString("main", "text", "_");
  d.LogoPicture = sourceFolder + ini.ReadString("main", "logo", "_");
  for (int line = 0; line < 3; ++line) {
    std::string key = "l" + std::to_string(line + 1);
    d.TitleLines[line] = ini.ReadString("main", key, "");
    d.TitleColors[line] = ini.ReadInteger("main", key + "_color", 0);
  }
  d.WizardPicture = sourceFolder + ini.ReadString("leader", "image", "_");
  d.WizardNoteColor = ini.ReadInteger("leader", "Lbl2_color", 0);

  result.programGroup = ini.ReadString("software", "prggrp", "");
  result.targetFolder = ini.ReadString("directories", "d0", "_");
  if (result.targetFolder == "_") {
    result.targetFolder = d.LanguageCode == 1 ? "C:\\Programme\\Neu" : "C:\\Applications\\New";
  }

  for (int k = 1; k <= kOptionCount; ++k) {
    d.Options[k - 1].name = ini.ReadString("software", OptionKey(k, "name"), "");
  }
  d.OfferMinimal = ini.ReadBool("software", "o_min", false);
  d.OfferFromMedium = ini.ReadBool("software", "o_cd", false);
  d.OfferCustom = ini.ReadBool("software", "o_custom", false);
  d.OfferStandard = ini.ReadBool("software", "o_standard", false);
  // A family of flags whose type is not offered is not read and stays false.
  if (d.OfferCustom) {
    d.Option1Locked = ini.ReadBool("software", "Opt1_locked", true);
    for (int k = 1; k <= kOptionCount; ++k) {
      d.Options[k - 1].custom = ini.ReadBool("software", OptionKey(k, "custom"), false);
    }
  }
  if (d.OfferMinimal) {
    for (int k = 1; k <= kOptionCount; ++k) {
      d.Options[k - 1].minimal = ini.ReadBool("software", OptionKey(k, "min"), false);
    }
  }
  if (d.OfferStandard) {
    for (int k = 1; k <= kOptionCount; ++k) {
      d.Options[k - 1].standard = ini.ReadBool("software", OptionKey(k, "standard"), false);
    }
  }
  for (int k = 1; k <= kOptionCount; ++k) {
    d.Options[k - 1].programItems = ini.ReadBool("software", OptionKey(k, "prgitem"), false);
  }
  for (int k = 1; k <= kOptionCount; ++k) {
    d.Options[k - 1].space = ini.ReadInteger("software", OptionKey(k, "space"), 0);
  }

  for (const InstallOption& option : d.Options) {
    if (option.minimal) d.TotalMinimal = AddSaturated(d.TotalMinimal, option.space);
    if (option.custom) d.TotalCustom = AddSaturated(d.TotalCustom, option.space);
    if (option.standard) d.TotalStandard = AddSaturated(d.TotalStandard, option.space);
  }

  d.CompressionMode = ini.ReadInteger("compression", "mode", 0);
  d.CompressionSize = ini.ReadInteger("compression", "size", 0);
  if (d.CompressionMode != 0) {
    d.TotalStandard = AddSaturated(d.TotalStandard, d.CompressionSize);
    d.TotalMinimal = AddSaturated(d.TotalMinimal, d.CompressionSize);
    d.TotalCustom = AddSaturated(d.TotalCustom, d.CompressionSize);
    for (int k = 1; k <= kOptionCount; ++k) {
      d.Options[k - 1].compressedSize = ini.ReadInteger("software", OptionKey(k, "cs"), 0);
    }
  }

  result.outcome = SetupReadOutcome::kLoaded;
  return result;
}

}  // namespace vk::app
