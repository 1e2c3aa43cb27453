// vk reg: the machine's registry for distributors and administrators, and the
// registry editor that "regedit FILE" starts.
//   import FILE          imports a .reg file (REGEDIT4 or version 5.00)
//   export [KEY] [FILE]  writes KEY (default: everything) as REGEDIT4 to FILE
//                        (default: standard output)
//   query KEY [VALUE]    prints the values and subkeys of KEY, or one value
// KEY is a full key name ("HKEY_CURRENT_USER\Software\Example"; HKCR, HKCU
// and HKLM count as well). FILE is a host path, or a Windows path with a
// drive letter ("D:\zsys.re_") on the machine's drives. Names on the command
// line and in the output are UTF-8; the store and .reg files hold
// Windows-1252.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/machine.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/sqlite_registry.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"
#include "tools/vk/prefix_option.h"
#include "tools/vk/terminal_text.h"

namespace vk::cli {
namespace {

using platform::HKEY;
using platform::LSTATUS;
using platform::Registry;
using platform::RegistryValue;
using platform::RegKeyName;

// Exit code of an import that skipped lines but imported the rest.
constexpr int kPartialImport = 2;

struct RegArguments {
  std::string prefix;
  std::string first;   // FILE of import, KEY or FILE of export, KEY of query
  std::string second;  // FILE of export, VALUE of query
  bool secondGiven = false;
};

bool IsWindowsDrivePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

std::filesystem::path HostFile(const platform::Machine& machine, const std::string& file) {
  if (!IsWindowsDrivePath(file)) return file;
  std::optional<std::filesystem::path> host = machine.ToHost(platform::FromUtf8(file));
  if (!host) throw CommandError(file + ": the drive is not mapped on this machine");
  return *host;
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw CommandError("cannot read " + file.string() + ": " + std::strerror(errno));
  std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) throw CommandError("cannot read " + file.string());
  return bytes;
}

// The store, checked once so that a broken store is one clear message
// rather than a failure on every key.
std::unique_ptr<Registry> OpenStore(const platform::Machine& machine) {
  std::unique_ptr<Registry> registry = platform::OpenMachineRegistry(machine);
  HKEY key{};
  LSTATUS status = registry->RegOpenKeyA(platform::HKEY_CURRENT_USER, "", &key);
  if (status != platform::ERROR_SUCCESS) {
    std::string why = registry->LastStoreMessage();
    throw CommandError("cannot open the registry store " + machine.RegistryFile().string() + ": " +
                       (why.empty() ? platform::RegistryErrorText(status) : why));
  }
  return registry;
}

// Reading a machine must not make one where a mistyped prefix points.
platform::Machine ExistingMachine(const std::string& prefix) {
  std::filesystem::path folder = ResolvePrefix(prefix);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw CommandError("no machine at " + folder.string());
  }
  return platform::Machine(folder);
}

RegKeyName KeyArgument(const std::string& text) {
  std::optional<RegKeyName> key =
      platform::ParseRegKeyName(platform::FromUtf8(text), platform::RootAbbreviations::kAccept);
  if (!key) {
    throw CommandError(text + ": not a key name (it must begin with HKEY_CLASSES_ROOT, " +
                       "HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE)");
  }
  return *key;
}

void RunImport(const RegArguments& arguments) {
  platform::Machine machine(ResolvePrefix(arguments.prefix));
  std::filesystem::path file = HostFile(machine, arguments.first);
  std::string bytes = ReadWholeFile(file);
  std::unique_ptr<Registry> registry = OpenStore(machine);
  platform::RegImportResult result = platform::ImportRegFile(*registry, bytes);

  // Notes in line order, warnings among them.
  std::vector<std::pair<platform::RegFileNote, bool>> notes;
  for (const auto& note : result.skipped) notes.push_back({note, false});
  for (const auto& note : result.warnings) notes.push_back({note, true});
  std::stable_sort(notes.begin(), notes.end(),
                   [](const auto& a, const auto& b) { return a.first.line < b.first.line; });
  for (const auto& [note, warning] : notes) {
    std::cerr << arguments.first << ':' << note.line << ": " << (warning ? "warning: " : "")
              << Printable(note.message) << '\n';
  }
  if (!result.recognised) throw CommandError(arguments.first + ": nothing imported");
  if (!result.skipped.empty()) {
    throw CommandError(arguments.first + ": " + std::to_string(result.skipped.size()) +
                           (result.skipped.size() == 1 ? " line" : " lines") +
                           " not imported, the rest imported",
                       kPartialImport);
  }
}

void RunExport(const RegArguments& arguments) {
  std::optional<RegKeyName> key;
  std::string file;
  if (arguments.secondGiven) {
    key = KeyArgument(arguments.first);
    file = arguments.second;
  } else if (!arguments.first.empty()) {
    // One argument: a key name, else the file to write everything to.
    key = platform::ParseRegKeyName(platform::FromUtf8(arguments.first),
                                    platform::RootAbbreviations::kAccept);
    if (!key) file = arguments.first;
  }
  platform::Machine machine = ExistingMachine(arguments.prefix);
  std::unique_ptr<Registry> registry = OpenStore(machine);
  std::string text;
  LSTATUS status = platform::ExportRegFile(*registry, key, &text);
  if (status == platform::ERROR_FILE_NOT_FOUND)
    throw CommandError(arguments.first + ": no such key");
  if (status != platform::ERROR_SUCCESS) {
    throw CommandError("cannot export: " + platform::RegistryErrorText(status));
  }
  if (file.empty()) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    return;
  }
  std::filesystem::path host = HostFile(machine, file);
  std::ofstream stream(host, std::ios::binary | std::ios::trunc);
  if (!stream) throw CommandError("cannot write " + file + ": " + std::strerror(errno));
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.close();
  if (!stream) throw CommandError("cannot write " + file + ": " + std::strerror(errno));
}

// Data as reg.exe shows it.
std::string ShowData(const RegistryValue& value) {
  const std::string& data = value.data;
  char number[24];
  switch (value.type) {
    case platform::REG_SZ:
    case platform::REG_EXPAND_SZ:
      return Printable(data.substr(0, data.find('\0')));
    case platform::REG_MULTI_SZ: {
      std::string shown;
      std::size_t start = 0;
      while (start < data.size()) {
        std::size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        if (end == start) break;
        if (!shown.empty()) shown += "\\0";
        shown += Printable(data.substr(start, end - start));
        start = end + 1;
      }
      return shown;
    }
    case platform::REG_DWORD:
      if (data.size() == 4) {
        std::uint32_t dword = 0;
        for (int i = 3; i >= 0; --i) dword = dword << 8 | static_cast<unsigned char>(data[i]);
        std::snprintf(number, sizeof number, "0x%x", dword);
        return number;
      }
      break;
    case platform::REG_QWORD:
      if (data.size() == 8) {
        unsigned long long qword = 0;
        for (int i = 7; i >= 0; --i) qword = qword << 8 | static_cast<unsigned char>(data[i]);
        std::snprintf(number, sizeof number, "0x%llx", qword);
        return number;
      }
      break;
    default:
      break;
  }
  std::string hex;
  for (char c : data) {
    std::snprintf(number, sizeof number, "%02X", static_cast<unsigned char>(c));
    hex += number;
  }
  return hex;
}

void ShowValue(const std::string& name, const RegistryValue& value) {
  std::cout << "    " << (name.empty() ? "(Default)" : Printable(name)) << "    "
            << platform::RegistryTypeName(value.type) << "    " << ShowData(value) << '\n';
}

void RunQuery(const RegArguments& arguments) {
  RegKeyName key = KeyArgument(arguments.first);
  platform::Machine machine = ExistingMachine(arguments.prefix);
  std::unique_ptr<Registry> registry = OpenStore(machine);
  HKEY handle{};
  LSTATUS status = registry->RegOpenKeyA(key.root, key.path, &handle);
  if (status == platform::ERROR_FILE_NOT_FOUND)
    throw CommandError(arguments.first + ": no such key");
  if (status != platform::ERROR_SUCCESS) {
    throw CommandError(arguments.first + ": " + platform::RegistryErrorText(status));
  }
  std::string fullName = Printable(platform::FullRegKeyName(key));
  while (fullName.size() > 1 && fullName.back() == '\\') fullName.pop_back();

  if (arguments.secondGiven) {
    RegistryValue value;
    status = registry->RegQueryValueExA(handle, platform::FromUtf8(arguments.second), &value);
    registry->RegCloseKey(handle);
    if (status == platform::ERROR_FILE_NOT_FOUND) {
      throw CommandError(arguments.first + ": no value " +
                         (arguments.second.empty() ? "(Default)" : "\"" + arguments.second + "\""));
    }
    if (status != platform::ERROR_SUCCESS) {
      throw CommandError(arguments.first + ": " + platform::RegistryErrorText(status));
    }
    std::cout << fullName << '\n';
    ShowValue(platform::FromUtf8(arguments.second), value);
    return;
  }

  std::vector<platform::NamedRegistryValue> values;
  std::vector<std::string> subKeys;
  status = registry->EnumerateValues(handle, &values);
  if (status == platform::ERROR_SUCCESS) status = registry->EnumerateSubKeys(handle, &subKeys);
  registry->RegCloseKey(handle);
  if (status != platform::ERROR_SUCCESS) {
    throw CommandError(arguments.first + ": " + platform::RegistryErrorText(status));
  }
  std::cout << fullName << '\n';
  for (const platform::NamedRegistryValue& value : values) ShowValue(value.name, value.value);
  if (!subKeys.empty()) std::cout << '\n';
  for (const std::string& subKey : subKeys) {
    std::cout << fullName << '\\' << Printable(subKey) << '\n';
  }
}

}  // namespace

void AddRegCommand(CLI::App& app) {
  CLI::App* reg = app.add_subcommand("reg", "Import, export and query the machine's registry");
  reg->require_subcommand(1);

  auto import = std::make_shared<RegArguments>();
  CLI::App* importCommand = reg->add_subcommand(
      "import",
      "Import a .reg file (REGEDIT4, or version 5.00 in UTF-16 or 8-bit text); malformed lines "
      "are reported and skipped (exit code 2), the rest is imported");
  AddPrefixOption(*importCommand, import->prefix);
  importCommand->add_option("FILE", import->first, "the .reg file: a host path or a Windows path")
      ->required();
  importCommand->callback([import] { RunImport(*import); });

  auto exportArguments = std::make_shared<RegArguments>();
  CLI::App* exportCommand = reg->add_subcommand(
      "export", "Write a key with its subkeys (default: everything) as a REGEDIT4 file");
  AddPrefixOption(*exportCommand, exportArguments->prefix);
  exportCommand->add_option("KEY", exportArguments->first,
                            "the key, e.g. HKEY_CURRENT_USER\\Software\\Example; a single "
                            "argument that is not a key name is the FILE");
  exportCommand->add_option("FILE", exportArguments->second,
                            "the file to write (default: standard output)");
  exportCommand->callback([exportArguments, exportCommand] {
    exportArguments->secondGiven = exportCommand->count("FILE") > 0;
    RunExport(*exportArguments);
  });

  auto query = std::make_shared<RegArguments>();
  CLI::App* queryCommand =
      reg->add_subcommand("query", "Print the values and subkeys of a key, or one value");
  AddPrefixOption(*queryCommand, query->prefix);
  queryCommand->add_option("KEY", query->first, "the key")->required();
  queryCommand->add_option("VALUE", query->second,
                           "the value's name; an empty name is the default value");
  queryCommand->callback([query, queryCommand] {
    query->secondGiven = queryCommand->count("VALUE") > 0;
    RunQuery(*query);
  });
}

}  // namespace vk::cli
