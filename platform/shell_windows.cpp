#include "platform/shell_windows.h"

#include <algorithm>
#include <cstring>

#include "platform/path_case.h"

namespace vk::platform {
namespace {

bool Activates(int command) {
  switch (command) {
    case SW_SHOWNORMAL:
    case SW_SHOWMINIMIZED:
    case SW_MAXIMIZE:
    case SW_SHOW:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowHandle ShellWindows::Find(std::string_view title) const {
  for (const auto& [handle, window] : windows_)
    if (EqualIgnoringCase(window.title, title)) return handle;
  return 0;
}

WindowHandle ShellWindows::ShowGroupWindow(std::string_view title, int command) {
  WindowHandle handle = Find(title);
  if (handle == 0) {
    handle = next_;
    next_ += 0x10;
    windows_[handle].title = std::string(title);
  }
  ShowWindow(handle, command);
  return handle;
}

void ShellWindows::CloseGroupWindow(std::string_view title) {
  WindowHandle handle = Find(title);
  if (handle == 0) return;
  windows_.erase(handle);
  if (foreground_ == handle) foreground_ = 0;
}

int ShellWindows::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) const {
  if (buffer == nullptr || maxCount <= 0) return 0;
  auto found = windows_.find(window);
  if (found == windows_.end()) {
    buffer[0] = '\0';
    return 0;
  }
  const std::string& title = found->second.title;
  std::size_t count = std::min(title.size(), static_cast<std::size_t>(maxCount - 1));
  std::memcpy(buffer, title.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

bool ShellWindows::ShowWindow(WindowHandle window, int command) {
  auto found = windows_.find(window);
  if (found == windows_.end()) return false;
  Window& state = found->second;
  bool wasVisible = state.state != WindowState::kHidden;
  switch (command) {
    case SW_HIDE: state.state = WindowState::kHidden; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: state.state = WindowState::kMinimized; break;
    case SW_MAXIMIZE: state.state = WindowState::kMaximized; break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
    case SW_SHOWDEFAULT: state.state = WindowState::kNormal; break;
    case SW_SHOW:
    case SW_SHOWNA:
      if (state.state == WindowState::kHidden) state.state = WindowState::kNormal;
      break;
    default: break;
  }
  bool minimisedOrHidden =
      state.state == WindowState::kMinimized || state.state == WindowState::kHidden;
  if (minimisedOrHidden) {
    if (foreground_ == window) foreground_ = 0;
  } else if (Activates(command)) {
    foreground_ = window;
  }
  return wasVisible;
}

WindowState ShellWindows::State(WindowHandle window) const {
  auto found = windows_.find(window);
  return found == windows_.end() ? WindowState::kHidden : found->second.state;
}

}  // namespace vk::platform
