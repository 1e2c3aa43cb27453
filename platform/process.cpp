#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/code_page.h"
#include "platform/machine.h"
#include "platform/path_case.h"

extern char** environ;

namespace vk::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The rest of a command line as one file name: blanks around it and one
// pair of enclosing quotes removed.
std::string_view WholeArgument(std::string_view rest) {
  rest = TrimBlanks(rest);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
    rest = rest.substr(1, rest.size() - 2);
  } else if (!rest.empty() && rest.front() == '"') {
    rest.remove_prefix(1);
  }
  return rest;
}

bool HasFolder(std::string_view path) {
  return path.find_first_of("\\/:") != std::string_view::npos;
}

std::string_view BaseName(std::string_view path) {
  auto slash = path.find_last_of("\\/:");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderOf(std::string_view path) {
  auto slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

bool HasExtension(std::string_view path) {
  return BaseName(path).find('.') != std::string_view::npos;
}

bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool IsDirectory(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

struct Located {
  std::filesystem::path host;
  unsigned failure = 0;
};

// Finds a program by its Windows path; a name without a folder is looked
// for in the Windows folder, and a name without an extension also with
// ".exe", as Windows does.
Located LocateProgram(const Machine& machine, std::string_view windowsPath) {
  if (windowsPath.empty()) return {{}, ERROR_FILE_NOT_FOUND};
  if (!HasFolder(windowsPath)) {
    for (std::string folder : {machine.WindowsDirectory(), machine.WindowsDirectory() + "\\system32"}) {
      Located found = LocateProgram(machine, folder + "\\" + std::string(windowsPath));
      if (found.failure == 0) return found;
    }
    return {{}, ERROR_FILE_NOT_FOUND};
  }
  auto host = machine.ToHost(windowsPath);
  if (!host) return {{}, ERROR_PATH_NOT_FOUND};
  if (IsRegularFile(*host)) return {*host, 0};
  if (!HasExtension(windowsPath)) {
    auto withExtension = machine.ToHost(std::string(windowsPath) + ".exe");
    if (withExtension && IsRegularFile(*withExtension)) return {*withExtension, 0};
  }
  return {*host, IsDirectory(host->parent_path()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND};
}

// A document named by a Windows path, for the viewer or the registry editor.
Located LocateDocument(const Machine& machine, std::string_view windowsPath) {
  if (windowsPath.empty()) return {{}, ERROR_FILE_NOT_FOUND};
  auto host = machine.ToHost(windowsPath);
  if (!host) return {{}, ERROR_PATH_NOT_FOUND};
  if (IsRegularFile(*host)) return {*host, 0};
  return {*host, IsDirectory(host->parent_path()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND};
}

enum class Builtin { kNone, kRegistryEditor, kViewer };

// regedit, write and notepad, by bare name or in the Windows folder.
Builtin BuiltinProgram(const Machine& machine, std::string_view program) {
  std::string_view folder = FolderOf(program);
  if (!folder.empty() && !EqualIgnoringCase(folder, machine.WindowsDirectory()) &&
      !EqualIgnoringCase(folder, machine.WindowsDirectory() + "\\system32"))
    return Builtin::kNone;
  if (folder.empty() && HasFolder(program)) return Builtin::kNone;  // "D:regedit"
  std::string name = UpperCase1252(BaseName(program));
  if (name == "REGEDIT" || name == "REGEDIT.EXE") return Builtin::kRegistryEditor;
  if (name == "WRITE" || name == "WRITE.EXE" || name == "NOTEPAD" || name == "NOTEPAD.EXE")
    return Builtin::kViewer;
  return Builtin::kNone;
}

std::filesystem::path VkProgram(const ProgramLauncherOptions& options) {
  if (!options.vkProgram.empty()) return options.vkProgram;
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    auto beside = self.parent_path() / "vk";
    if (::access(beside.c_str(), X_OK) == 0) return beside;
  }
  return "vk";
}

// The first word of a command line: quoted, or up to the first blank.
struct FirstWord {
  std::string_view word;
  std::string_view rest;
  bool quoted = false;
};

FirstWord SplitFirstWord(std::string_view line) {
  FirstWord result;
  if (!line.empty() && line.front() == '"') {
    auto close = line.find('"', 1);
    if (close == std::string_view::npos) close = line.size();
    result.word = line.substr(1, close - 1);
    result.rest = close < line.size() ? line.substr(close + 1) : std::string_view();
    result.quoted = true;
    return result;
  }
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  result.word = line.substr(0, end);
  result.rest = line.substr(end);
  return result;
}

std::vector<std::string> ToUtf8Arguments(std::string_view rest) {
  std::vector<std::string> arguments;
  for (const auto& argument : SplitCommandLineArguments(rest)) arguments.push_back(ToUtf8(argument));
  return arguments;
}

TranslatedCommand Failure(unsigned code) {
  TranslatedCommand result;
  result.failure = code;
  return result;
}

}  // namespace

std::vector<std::string> SplitCommandLineArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::string argument;
    bool inQuotes = false;
    while (i < text.size() && (inQuotes || !IsBlank(text[i]))) {
      char c = text[i];
      if (c == '\\') {
        std::size_t backslashes = 0;
        while (i < text.size() && text[i] == '\\') {
          ++backslashes;
          ++i;
        }
        if (i < text.size() && text[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument += '"';
            ++i;
          }
        } else {
          argument.append(backslashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (inQuotes && i + 1 < text.size() && text[i + 1] == '"') {
          argument += '"';
          i += 2;
          continue;
        }
        inQuotes = !inQuotes;
        ++i;
        continue;
      }
      argument += c;
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

TranslatedCommand TranslateCommandLine(const Machine& machine, std::string_view commandLine,
                                       const ProgramLauncherOptions& options,
                                       MissingProgram missing) {
  std::string_view line = TrimBlanks(commandLine);
  if (line.empty()) return Failure(ERROR_FILE_NOT_FOUND);
  FirstWord first = SplitFirstWord(line);

  switch (BuiltinProgram(machine, first.word)) {
    case Builtin::kRegistryEditor: {
      // Switches such as /s (no questions) come before the file.
      std::string_view rest = TrimBlanks(first.rest);
      while (!rest.empty() && (rest.front() == '/' || rest.front() == '-')) {
        FirstWord option = SplitFirstWord(rest);
        rest = TrimBlanks(option.rest);
      }
      Located file = LocateDocument(machine, WholeArgument(rest));
      if (file.failure != 0 && missing == MissingProgram::kFail) return Failure(file.failure);
      if (file.host.empty()) return Failure(file.failure);
      TranslatedCommand result;
      result.request.program = VkProgram(options);
      result.request.arguments = {"reg", "import", "--prefix", machine.Prefix().string(),
                                  file.host.string()};
      return result;
    }
    case Builtin::kViewer: {
      Located file = LocateDocument(machine, WholeArgument(first.rest));
      if (file.failure != 0 && missing == MissingProgram::kFail) return Failure(file.failure);
      if (file.host.empty()) return Failure(file.failure);
      TranslatedCommand result;
      result.request.program = options.viewer;
      // An absolute path never starts with "-", so the viewer cannot take
      // it for an option.
      result.request.arguments = {std::filesystem::absolute(file.host).string()};
      return result;
    }
    case Builtin::kNone:
      break;
  }

  TranslatedCommand result;
  if (first.quoted) {
    Located program = LocateProgram(machine, first.word);
    if (program.failure != 0 && (missing == MissingProgram::kFail || program.host.empty()))
      return Failure(program.failure);
    result.request.program = program.host;
    result.request.arguments = ToUtf8Arguments(first.rest);
    return result;
  }

  // An unquoted program path may hold blanks: try ever longer runs of
  // words until one names a file.
  for (std::size_t end = 0; end <= line.size(); ++end) {
    if (end < line.size() && !IsBlank(line[end])) continue;
    if (end > 0 && IsBlank(line[end - 1])) continue;
    Located program = LocateProgram(machine, line.substr(0, end));
    if (program.failure == 0) {
      result.request.program = program.host;
      result.request.arguments = ToUtf8Arguments(line.substr(end));
      return result;
    }
  }
  if (missing == MissingProgram::kFail) return Failure(LocateProgram(machine, first.word).failure);

  // Not there yet: the program is everything up to the first switch.
  std::size_t end = first.word.size();
  while (end < line.size()) {
    std::size_t next = end;
    while (next < line.size() && IsBlank(line[next])) ++next;
    if (next >= line.size() || line[next] == '/' || line[next] == '-') break;
    while (next < line.size() && !IsBlank(line[next])) ++next;
    end = next;
  }
  Located program = LocateProgram(machine, line.substr(0, end));
  if (program.host.empty()) return Failure(program.failure);
  result.request.program = program.host;
  result.request.arguments = ToUtf8Arguments(line.substr(end));
  return result;
}

StartResult RecordingProcessStarter::Start(const ProcessRequest& request) {
  requests_.push_back(request);
  return result_;
}

namespace {

class HostProcessStarter : public ProcessStarter {
 public:
  StartResult Start(const ProcessRequest& request) override {
    std::vector<std::string> strings;
    strings.push_back(request.program.string());
    for (const auto& argument : request.arguments) strings.push_back(argument);
    std::vector<char*> argv;
    for (auto& text : strings) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Our open files (the registry, the uninstall log) are none of the
    // child's business, whether or not they were opened close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGCHLD);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGQUIT);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    // A session of its own: the viewer outlives us and ignores our terminal.
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t child = 0;
    bool searchPath = request.program.string().find('/') == std::string::npos;
    int status = searchPath
                     ? posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ)
                     : posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);

    switch (status) {
      case 0:
        break;
      case ENOENT:
      case ENOTDIR:
        return StartResult::kNotFound;
      case EACCES:
      case ENOEXEC:
      case EISDIR:
        return StartResult::kNotExecutable;
      default:
        return StartResult::kFailed;
    }
    // The program does not wait for what it starts, but someone must reap
    // the child when it ends.
    std::thread([child] {
      int childStatus = 0;
      while (::waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return StartResult::kStarted;
  }
};

}  // namespace

std::unique_ptr<ProcessStarter> MakeHostProcessStarter() {
  return std::make_unique<HostProcessStarter>();
}

ProgramLauncher::ProgramLauncher(const Machine& machine, ProcessStarter& starter,
                                 ProgramLauncherOptions options)
    : machine_(machine), starter_(starter), options_(std::move(options)) {}

unsigned ProgramLauncher::WinExec(std::string_view commandLine, int showCommand) {
  TranslatedCommand command = TranslateCommandLine(machine_, commandLine, options_);
  if (command.failure != 0) return command.failure;
  command.request.showCommand = showCommand;
  switch (starter_.Start(command.request)) {
    case StartResult::kStarted:
      return kWinExecStarted;
    case StartResult::kNotFound:
      return ERROR_FILE_NOT_FOUND;
    case StartResult::kNotExecutable:
      return ERROR_BAD_FORMAT;
    case StartResult::kFailed:
      return 0;
  }
  return 0;
}

}  // namespace vk::platform
