#pragma once
// Letter case of Windows names: Windows matches file, key and section names
// without regard to case, over the letters of its code page.

#include <string>
#include <string_view>

namespace vk::platform {

// Upper case of a Windows-1252 byte.
char UpperCase1252(char c);
std::string UpperCase1252(std::string_view text);
// True when the two texts are equal without regard to case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vk::platform
