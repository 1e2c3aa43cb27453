#pragma once

#include <string>
#include <string_view>

namespace vk::cli {

// A Windows-1252 text for the terminal: UTF-8, with control characters
// shown escaped ("\x0D") so that each text stays on one line.
std::string Printable(std::string_view windowsText);

}  // namespace vk::cli
