#pragma once
// Windows-1252 at the host boundary. Texts inside the program are
// Windows-1252 bytes; host file names, window texts and desktop files are
// UTF-8, and files written by Windows tools may be UTF-16LE.

#include <string>
#include <string_view>

namespace vk::platform {

// Every byte has a character, so this never fails. The five bytes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 controls of the same number, as Windows itself does.
std::string ToUtf8(std::string_view windows1252);

// Characters outside Windows-1252 and invalid UTF-8 become '?'.
std::string FromUtf8(std::string_view utf8);

// UTF-16LE code units, as Windows tools write Unicode files, to UTF-8. An
// odd last byte is dropped and an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace vk::platform
