#pragma once
// Shared inside the toolkit model, not for the program.

#include <filesystem>
#include <string>
#include <string_view>

namespace vk::toolkit {

class TApplication;
struct TFont;

// The living application, or null.
TApplication* CurrentApplication();

// The host path of a file as the program names it: a Windows path through
// the current application's machine, else a host path. Throws
// vk::platform::EFOpenError for a path the machine does not map.
std::filesystem::path ResolvePicturePath(std::string_view path);
// Reads a whole file so named; EFOpenError when it cannot be read.
std::string ReadPictureFile(std::string_view path);

// Text width for the model's own layout (the folder list's label), from
// the current application's backend.
int MeasureText(const TFont& font, std::string_view text);

}  // namespace vk::toolkit
