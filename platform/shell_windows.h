#pragma once
// The shell's windows as the program sees them: Program Manager opens a
// window for a group when it creates or shows it, and that window comes to
// the front. GetForegroundWindow, GetWindowTextA and ShowWindow work on
// these windows with the Windows conventions; the program's own windows
// belong to the toolkit and are not among them.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vk::platform {

// A window handle; 0 is no window.
using WindowHandle = std::uintptr_t;

// ShowWindow and WinExec show commands.
enum ShowCommand : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_MAXIMIZE = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWMINNOACTIVE = 7,
  SW_SHOWNA = 8,
  SW_RESTORE = 9,
  SW_SHOWDEFAULT = 10,
};

enum class WindowState { kNormal, kMinimized, kMaximized, kHidden };

class ShellWindows {
 public:
  // Opens the window titled title (Windows-1252), or finds the open one
  // with that title without regard to case, and shows it with command;
  // a command that activates brings it to the front.
  WindowHandle ShowGroupWindow(std::string_view title, int command);
  // Closes the window titled title, if open.
  void CloseGroupWindow(std::string_view title);

  // The window in front, or 0 when none of the shell's windows is.
  WindowHandle GetForegroundWindow() const { return foreground_; }
  // Copies at most maxCount - 1 characters of the title and a terminating
  // zero into buffer; returns the number copied, 0 for no window.
  int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) const;
  // Shows the window with command; returns whether it was visible before.
  // A minimised or hidden window leaves the front.
  bool ShowWindow(WindowHandle window, int command);

  // For callers and tests that look at a window's state.
  bool IsWindow(WindowHandle window) const { return windows_.count(window) != 0; }
  WindowState State(WindowHandle window) const;

 private:
  struct Window {
    std::string title;
    WindowState state = WindowState::kNormal;
  };
  WindowHandle Find(std::string_view title) const;

  std::map<WindowHandle, Window> windows_;
  WindowHandle foreground_ = 0;
  WindowHandle next_ = 0x10;
};

}  // namespace vk::platform
