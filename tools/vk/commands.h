#pragma once
// The subcommands of vk. Each Add*Command registers one subcommand group on
// the application; the group's file holds its options and its action.

#include <CLI/CLI.hpp>

namespace vk::cli {

void AddMediaCommand(CLI::App& app);
void AddProgmanCommand(CLI::App& app);
void AddRegCommand(CLI::App& app);
void AddIniCommand(CLI::App& app);
void AddArchiveCommand(CLI::App& app);

}  // namespace vk::cli
