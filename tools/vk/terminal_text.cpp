#include "tools/vk/terminal_text.h"

#include <cstdio>

#include "platform/code_page.h"

namespace vk::cli {

std::string Printable(std::string_view windowsText) {
  std::string text;
  for (char c : windowsText) {
    if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
      text += escaped;
    } else {
      text += c;
    }
  }
  return platform::ToUtf8(text);
}

}  // namespace vk::cli
