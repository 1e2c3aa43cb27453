#pragma once
// --prefix DIR, the folder that plays the Windows machine, for every
// subcommand that uses the machine.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>

namespace vk::cli {

// Adds --prefix to the subcommand; the returned string is empty unless given.
void AddPrefixOption(CLI::App& command, std::string& prefix);

// The prefix to use: the option's value, else the user's default prefix.
std::filesystem::path ResolvePrefix(const std::string& prefix);

}  // namespace vk::cli
