// vk progman: sends Program Manager commands to the machine's shell, as the
// installer's conversation does, so a distributor sees what a program group
// becomes and an administrator can remove one.
//   vk progman "[CreateGroup(Tools)][AddItem(C:\Tools\run.exe,Run)]"
//   vk progman --file commands.txt       the command text from a file ("-": stdin)
//   vk progman --list                    the groups this shell made
// Each argument is one line of the request. Every command runs even when
// another fails; the failures are listed on stderr and the exit code is 1.

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/dde.h"
#include "platform/machine.h"
#include "platform/progman.h"
#include "platform/shell_windows.h"
#include "platform/toolkit/dde_client_conv.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"
#include "tools/vk/prefix_option.h"

namespace vk::cli {
namespace {

struct ProgmanOptions {
  std::string prefix;
  std::string file;
  std::vector<std::string> lines;
  bool list = false;
  bool quiet = false;
};

std::string ReadCommandText(const std::string& file) {
  if (file == "-") {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw CommandError("cannot read " + file);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ListGroups(const platform::ProgmanService& progman) {
  auto groups = progman.Groups();
  if (groups.empty()) {
    std::cout << "no program groups\n";
    return;
  }
  for (const auto& group : groups) {
    std::cout << platform::ToUtf8(group.name) << "\n";
    for (const auto& item : group.items)
      std::cout << "  " << platform::ToUtf8(item.title) << "  " << item.file.string() << "\n";
  }
}

void Run(const ProgmanOptions& options) {
  if (!options.list && options.file.empty() && options.lines.empty())
    throw CommandError("nothing to send: give commands, --file FILE or --list", 2);

  platform::Machine machine(ResolvePrefix(options.prefix));
  platform::ShellWindows windows;
  auto progman = std::make_shared<platform::ProgmanService>(machine, windows);
  if (!options.quiet) {
    progman->SetReporter([](std::string_view action) { std::cout << action << "\n"; });
  }
  if (options.list && options.file.empty() && options.lines.empty()) {
    ListGroups(*progman);
    return;
  }

  // Requests are Windows-1252, as the installer sends them: a file is taken
  // as it is, while arguments come from the terminal in UTF-8.
  std::string text;
  if (!options.file.empty()) text = ReadCommandText(options.file);
  for (const auto& line : options.lines) text += platform::FromUtf8(line) + "\r\n";

  platform::DdeServiceRegistry services;
  services.Register(platform::kProgmanService, progman);
  toolkit::TDdeClientConv conversation(services);
  conversation.SetLink("Progman", "");
  if (!conversation.OpenLink()) throw CommandError("Program Manager does not answer");
  conversation.ExecuteMacro(text, true);
  conversation.CloseLink();
  const auto& result = conversation.LastResult();
  for (const auto& error : result.errors)
    std::cerr << "vk progman: skipped " << platform::ToUtf8(error) << "\n";
  if (options.list) ListGroups(*progman);
  if (!result.Succeeded()) {
    throw CommandError(std::to_string(result.errors.size()) + " of " +
                       std::to_string(result.errors.size() + result.commandsExecuted) +
                       " commands failed");
  }
}

}  // namespace

void AddProgmanCommand(CLI::App& app) {
  auto options = std::make_shared<ProgmanOptions>();
  CLI::App* command = app.add_subcommand(
      "progman", "Send Program Manager commands (CreateGroup, AddItem, DeleteGroup, ...)");
  AddPrefixOption(*command, options->prefix);
  // The command lines are collected as extras, so that CLI11 does not read
  // "[a,b]" as a list of two values.
  command->allow_extras();
  command->footer(
      "COMMANDS: each argument is one line, e.g. "
      "\"[CreateGroup(Tools)][AddItem(C:\\Tools\\run.exe,Run)]\"");
  command->add_option("--file", options->file, "Read the command text, in Windows-1252 as the installer sends it, from FILE (- for stdin)");
  command->add_flag("--list", options->list, "List the program groups (after the commands)");
  command->add_flag("--quiet,-q", options->quiet, "Do not list the files written and removed");
  command->callback([options, command] {
    options->lines = command->remaining();
    for (const auto& line : options->lines) {
      if (!line.empty() && line.front() == '-') throw CommandError("unknown option " + line, 2);
    }
    Run(*options);
  });
}

}  // namespace vk::cli
