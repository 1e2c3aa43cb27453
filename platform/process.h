#pragma once
// Starting programs the way WinExec does: a Windows command line, started
// without waiting and without a shell. The first word names the program:
//   regedit FILE   imports FILE into the machine's registry (vk reg import)
//   write FILE     opens FILE in the desktop's viewer (xdg-open); notepad too
//   C:\path\prog   runs that program through the drive map
// The viewer's and the registry editor's file is the rest of the command
// line, so an unquoted path with spaces still names one file, as it did
// for those programs. A program path with spaces is either quoted or found
// by trying ever longer runs of words, as Windows does.
//
// Starting itself is a ProcessStarter: the host's, or a recording one for
// tests.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell_windows.h"

namespace vk::platform {

class Machine;

// Windows error codes that WinExec gives back; a start gives a value
// above 31.
inline constexpr unsigned ERROR_FILE_NOT_FOUND = 2;
inline constexpr unsigned ERROR_PATH_NOT_FOUND = 3;
inline constexpr unsigned ERROR_BAD_FORMAT = 11;
inline constexpr unsigned kWinExecStarted = 33;

// One host process to start. program is an absolute host path, or a bare
// name looked up in PATH; arguments are UTF-8 and do not repeat it.
struct ProcessRequest {
  std::filesystem::path program;
  std::vector<std::string> arguments;
  int showCommand = SW_SHOWNORMAL;
  bool operator==(const ProcessRequest&) const = default;
};

enum class StartResult { kStarted, kNotFound, kNotExecutable, kFailed };

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts the process and returns at once; the child is reaped when it
  // ends, so none is left as a zombie.
  virtual StartResult Start(const ProcessRequest& request) = 0;
};

// posix_spawn with a new session and standard input from /dev/null; the
// environment is passed on unchanged (the viewer needs the display's).
std::unique_ptr<ProcessStarter> MakeHostProcessStarter();

// Records every request and answers with a chosen result.
class RecordingProcessStarter : public ProcessStarter {
 public:
  StartResult Start(const ProcessRequest& request) override;
  const std::vector<ProcessRequest>& Requests() const { return requests_; }
  void SetResult(StartResult result) { result_ = result; }

 private:
  std::vector<ProcessRequest> requests_;
  StartResult result_ = StartResult::kStarted;
};

// The arguments of a Windows command line after the program, split as the
// C run-time splits them: blanks separate, double quotes group, 2n
// backslashes before a quote give n and the quote, 2n+1 give n and a
// literal quote, other backslashes are literal, "" inside quotes is a quote.
std::vector<std::string> SplitCommandLineArguments(std::string_view arguments);

struct ProgramLauncherOptions {
  // The vk program that imports registry files. Empty: "vk" beside the
  // running program, else "vk" on PATH.
  std::filesystem::path vkProgram;
  // The desktop's opener for documents.
  std::string viewer = "xdg-open";
};

// What a Windows command line starts on the host.
struct TranslatedCommand {
  ProcessRequest request;
  unsigned failure = 0;  // a Windows error code; 0 when request is valid
};

enum class MissingProgram {
  kFail,    // WinExec: a program that does not exist is an error
  kAccept,  // a menu item may name a program that comes later
};

// Translates a Windows command line (Windows-1252) into the host process.
// With kAccept an unquoted program that is not found is the line up to
// its first switch.
TranslatedCommand TranslateCommandLine(const Machine& machine, std::string_view commandLine,
                                       const ProgramLauncherOptions& options,
                                       MissingProgram missing = MissingProgram::kFail);

// WinExec over a machine.
class ProgramLauncher {
 public:
  ProgramLauncher(const Machine& machine, ProcessStarter& starter,
                  ProgramLauncherOptions options = {});
  // Starts commandLine without waiting; a value above 31 when it started,
  // else ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_BAD_FORMAT or 0.
  unsigned WinExec(std::string_view commandLine, int showCommand);

 private:
  const Machine& machine_;
  ProcessStarter& starter_;
  ProgramLauncherOptions options_;
};

}  // namespace vk::platform
