#pragma once
// A private X server (Xvfb) for tests of the real programs, with the few
// X tools the tests drive it with: xdotool to find windows and press keys,
// ImageMagick's import for screenshots.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vk::test {

// Whether Xvfb, xdotool and import are on the PATH; names the first missing
// one otherwise, for the skip message.
std::optional<std::string> MissingXTool();

// A 24-bit screenshot.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel

  struct Pixel {
    int red, green, blue;
  };
  Pixel At(int x, int y) const;
};

// A child process started without a shell.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& command,
               const std::map<std::string, std::string>& environment,
               const std::filesystem::path& errorFile);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code once the process has ended, waiting at most timeout;
  // no value while it still runs. A process ended by a signal gives
  // 128 + the signal's number.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  bool Running();

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

class XSession {
 public:
  // Starts Xvfb on a free display with one screen of the given size and
  // waits until it accepts clients. Throws std::runtime_error on failure.
  XSession(int width, int height, const std::filesystem::path& workFolder);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  std::string Display() const { return ":" + std::to_string(displayNumber_); }

  // Runs an X tool to its end with DISPLAY set; its standard output.
  std::string RunTool(const std::vector<std::string>& command, int* exitCode = nullptr) const;

  // Window ids whose name matches the pattern, polled until at least one
  // shows or timeout passes.
  std::vector<std::string> WaitForWindow(const std::string& namePattern,
                                         std::chrono::milliseconds timeout) const;

  Screenshot TakeScreenshot() const;

  // What the X server wrote to its standard error, for failure messages.
  std::string ServerLog() const;

 private:
  std::filesystem::path workFolder_;
  pid_t serverPid_ = -1;
  int displayNumber_ = -1;
};

}  // namespace vk::test
