#pragma once
// The command language of Program Manager: commands in square brackets,
// each a name and an argument list in parentheses, several on one line
// and lines separated by line breaks:
//   [CreateGroup(Tools)][AddItem(C:\Tools\run.exe,Run it)]
// Arguments are separated by commas; one that starts with a double quote
// runs to the next double quote and may hold commas, brackets and
// parentheses. Unquoted arguments are trimmed and may themselves hold
// balanced text such as "[unbenannt_1]" or "Readme (English)": a command
// ends only at a ")" followed by "]" and then the end of the line or the
// next command.

#include <string>
#include <string_view>
#include <vector>

namespace vk::platform {

struct ProgmanCommand {
  std::string name;                    // as written, e.g. "AddItem"
  std::vector<std::string> arguments;  // "()" gives none
  std::string text;                    // the command as written, for messages
  std::string error;                   // set when malformed; name and arguments are then unreliable
  bool Malformed() const { return !error.empty(); }
};

// Splits a command text into its commands, in order. A malformed command
// comes back with its error, and parsing resumes after it, so that one bad
// command never hides the others.
std::vector<ProgmanCommand> ParseProgmanCommands(std::string_view text);

}  // namespace vk::platform
