#include "tests/gui/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/spawn.h"

namespace vk::test {
namespace {

using namespace std::chrono_literals;

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Spawns command; its standard output goes to outputFd (or /dev/null when
// -1), its standard error to errorFile (or /dev/null when empty). extraFd,
// when not -1, is passed on as descriptor 3.
pid_t Spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int outputFd,
            const std::filesystem::path& errorFile, int extraFd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  const std::string errorPath = errorFile.empty() ? "/dev/null" : errorFile.string();
  posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  if (extraFd >= 0) posix_spawn_file_actions_adddup2(&actions, extraFd, 3);
  std::vector<std::string> arguments = command;
  std::vector<std::string> variables = vk::testing::EnvironmentWith(environment);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, arguments.front().c_str(), &actions, nullptr,
                                  vk::testing::NullTerminated(arguments).data(),
                                  vk::testing::NullTerminated(variables).data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    throw std::runtime_error("cannot start " + command.front() + ": " + std::strerror(failed));
  }
  return pid;
}

}  // namespace

std::optional<std::string> MissingXTool() {
  for (const char* tool : {"Xvfb", "xdotool", "import"}) {
    if (!OnPath(tool)) return std::string(tool);
  }
  return std::nullopt;
}

Screenshot::Pixel Screenshot::At(int x, int y) const {
  const std::size_t offset = (static_cast<std::size_t>(y) * width + x) * 3;
  return Pixel{rgb.at(offset), rgb.at(offset + 1), rgb.at(offset + 2)};
}

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::map<std::string, std::string>& environment,
                           const std::filesystem::path& errorFile) {
  pid_ = Spawn(command, environment, -1, errorFile);
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    WaitForExit(5s);
  }
}

bool ChildProcess::Running() { return !WaitForExit(0ms).has_value(); }

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (exitCode_) return exitCode_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, WNOHANG);
    if (ended == pid_) {
      exitCode_ = vk::testing::ExitCodeOf(status);
      return exitCode_;
    }
    if (ended < 0) {
      exitCode_ = -1;
      return exitCode_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(20ms);
  }
}

namespace {

// Starts Xvfb on the given display and returns its pid, or -1 when it ended
// or stayed silent before saying it accepts clients.
pid_t StartServer(int display, const std::string& screen, const std::filesystem::path& log) {
  // -displayfd says when the server accepts clients; -noreset keeps it from
  // resetting when its last client leaves, which turns the next one away
  // meanwhile.
  std::array<int, 2> ready{};
  if (pipe(ready.data()) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = -1;
  try {
    pid = Spawn({"Xvfb", ":" + std::to_string(display), "-displayfd", "3", "-screen", "0", screen,
                 "-nolisten", "tcp", "-noreset"},
                {}, -1, log, ready[1]);
  } catch (...) {
    close(ready[0]);
    close(ready[1]);
    throw;
  }
  close(ready[1]);
  std::string number;
  pollfd waiting{ready[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (poll(&waiting, 1, 200) > 0) {
      char buffer[16];
      const ssize_t got = read(ready[0], buffer, sizeof buffer);
      if (got <= 0) break;
      number.append(buffer, static_cast<std::size_t>(got));
    }
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}

}  // namespace

XSession::XSession(int width, int height, const std::filesystem::path& workFolder)
    : workFolder_(workFolder) {
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  // Servers left to pick the lowest free display race for it when tests
  // (or two test runs) start them at once, and one can end up unreachable.
  // Each test process tries its own numbers instead, from 200 on (the
  // toolkit's smoke test keeps below), and the next when one is taken.
  for (int attempt = 0; attempt < 8 && serverPid_ < 0; ++attempt) {
    const int display = 200 + static_cast<int>((getpid() + 101 * attempt) % 800);
    serverPid_ = StartServer(display, screen, workFolder_ / "xvfb.log");
    if (serverPid_ > 0) displayNumber_ = display;
  }
  if (serverPid_ < 0) {
    throw std::runtime_error("Xvfb did not start; see " + (workFolder_ / "xvfb.log").string());
  }
}

XSession::~XSession() {
  if (serverPid_ > 0) {
    kill(serverPid_, SIGTERM);
    int status = 0;
    for (int tries = 0; tries < 100 && waitpid(serverPid_, &status, WNOHANG) == 0; ++tries) {
      std::this_thread::sleep_for(20ms);
    }
    if (waitpid(serverPid_, &status, WNOHANG) == 0) {
      kill(serverPid_, SIGKILL);
      waitpid(serverPid_, &status, 0);
    }
  }
}

std::string XSession::RunTool(const std::vector<std::string>& command, int* exitCode) const {
  std::array<int, 2> output{};
  if (pipe(output.data()) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = -1;
  try {
    pid = Spawn(command, {{"DISPLAY", Display()}}, output[1], workFolder_ / "tools.log");
  } catch (...) {
    close(output[0]);
    close(output[1]);
    throw;
  }
  close(output[1]);
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(output[0], buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  close(output[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (exitCode != nullptr) *exitCode = vk::testing::ExitCodeOf(status);
  return text;
}

std::vector<std::string> XSession::WaitForWindow(const std::string& namePattern,
                                                 std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    std::stringstream found(RunTool({"xdotool", "search", "--onlyvisible", "--name", namePattern}));
    std::vector<std::string> ids;
    for (std::string id; std::getline(found, id);) {
      if (!id.empty()) ids.push_back(id);
    }
    if (!ids.empty() || std::chrono::steady_clock::now() >= deadline) return ids;
    std::this_thread::sleep_for(100ms);
  }
}

std::string XSession::ServerLog() const {
  std::ifstream in(workFolder_ / "xvfb.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Screenshot XSession::TakeScreenshot() const {
  const std::filesystem::path file = workFolder_ / "screenshot.ppm";
  int exitCode = 0;
  RunTool({"import", "-window", "root", "-depth", "8", "ppm:" + file.string()}, &exitCode);
  if (exitCode != 0) throw std::runtime_error("import failed; see tools.log");
  // Keep a PNG beside it for people looking at a failed run.
  RunTool({"import", "-window", "root", (workFolder_ / "screenshot.png").string()});
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int maximum = 0;
  Screenshot shot;
  in >> magic >> shot.width >> shot.height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255 || shot.width <= 0 || shot.height <= 0) {
    throw std::runtime_error("unexpected screenshot format in " + file.string());
  }
  shot.rgb.resize(static_cast<std::size_t>(shot.width) * shot.height * 3);
  in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
  if (!in) throw std::runtime_error("short screenshot in " + file.string());
  return shot;
}

}  // namespace vk::test
