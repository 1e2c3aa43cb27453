// vk ini: read and write INI files with the installer's own rules, for build
// scripts that edit setup.inf and for reading uninstall logs.
//   get FILE SECTION KEY [DEFAULT]      prints the text (default: empty)
//   getint FILE SECTION KEY [DEFAULT]   prints the integer (default: 0)
//   getbool FILE SECTION KEY [DEFAULT]  prints 1 or 0 (default: 0)
//   set FILE SECTION KEY VALUE          writes the text; creates the file
// FILE is a host path; names, values and output are the file's bytes as they
// are, with no conversion of character sets.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "platform/ini_file.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"

namespace vk::cli {
namespace {

struct IniArguments {
  std::string file;
  std::string section;
  std::string key;
  std::optional<std::string> value;  // DEFAULT of the readers, VALUE of set
};

void AddArguments(CLI::App& command, IniArguments& arguments, const char* last,
                  bool lastRequired) {
  command.add_option("FILE", arguments.file, "the INI file (a host path)")->required();
  command.add_option("SECTION", arguments.section, "the section name")->required();
  command.add_option("KEY", arguments.key, "the key name")->required();
  CLI::Option* option = command.add_option(last, arguments.value);
  if (lastRequired) option->required();
}

// A reader needs the file to exist: a typing error in FILE must not print
// the default as if the key were missing.
void RequireReadableFile(const std::string& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw CommandError("no such file: " + file);
    throw CommandError("cannot read " + file + ": " + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) throw CommandError("not a regular file: " + file);
  int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) throw CommandError("cannot read " + file + ": " + std::strerror(errno));
  ::close(descriptor);
}

std::int32_t IntegerArgument(const std::optional<std::string>& text, const char* what) {
  if (!text.has_value()) return 0;
  // Text that is no integer gives whichever default it is handed.
  std::int32_t value = platform::ParseIniInteger(*text, 0);
  if (value != platform::ParseIniInteger(*text, 1)) {
    throw CommandError(std::string(what) + " is not an integer: " + *text);
  }
  return value;
}

bool FlagArgument(const std::optional<std::string>& text) {
  if (text.has_value() && (*text == "true" || *text == "false")) return *text == "true";
  return IntegerArgument(text, "DEFAULT") != 0;
}

void PrintLine(const std::string& bytes) {
  std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::cout << '\n';
}

}  // namespace

void AddIniCommand(CLI::App& app) {
  CLI::App* ini = app.add_subcommand("ini", "read and write INI files (setup.inf, uninstall logs)");
  ini->require_subcommand(1);
  auto arguments = std::make_shared<IniArguments>();

  CLI::App* get = ini->add_subcommand("get", "print a key's text, or DEFAULT when it is missing");
  AddArguments(*get, *arguments, "DEFAULT", false);
  get->callback([arguments] {
    RequireReadableFile(arguments->file);
    platform::TIniFile file(arguments->file);
    PrintLine(file.ReadString(arguments->section, arguments->key, arguments->value.value_or("")));
  });

  CLI::App* getint = ini->add_subcommand(
      "getint", "print a key's integer (decimal, 0x or $ hexadecimal), or DEFAULT");
  AddArguments(*getint, *arguments, "DEFAULT", false);
  getint->callback([arguments] {
    std::int32_t fallback = IntegerArgument(arguments->value, "DEFAULT");
    RequireReadableFile(arguments->file);
    platform::TIniFile file(arguments->file);
    PrintLine(std::to_string(file.ReadInteger(arguments->section, arguments->key, fallback)));
  });

  CLI::App* getbool = ini->add_subcommand(
      "getbool", "print 1 when a key's integer is not 0, else 0; DEFAULT when it is no integer");
  AddArguments(*getbool, *arguments, "DEFAULT", false);
  getbool->callback([arguments] {
    bool fallback = FlagArgument(arguments->value);
    RequireReadableFile(arguments->file);
    platform::TIniFile file(arguments->file);
    PrintLine(file.ReadBool(arguments->section, arguments->key, fallback) ? "1" : "0");
  });

  CLI::App* set = ini->add_subcommand("set", "write a key's text, adding the section or key");
  AddArguments(*set, *arguments, "VALUE", true);
  set->callback([arguments] {
    try {
      platform::TIniFile file(arguments->file);
      file.WriteString(arguments->section, arguments->key, *arguments->value);
      file.UpdateFile();
    } catch (const platform::EIniFileError& error) {
      throw CommandError(error.what());
    }
  });
}

}  // namespace vk::cli
