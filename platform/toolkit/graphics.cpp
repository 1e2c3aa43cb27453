#include "platform/toolkit/graphics.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <filesystem>

#include "platform/stream.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/bmp_decoder.h"
#include "platform/toolkit/toolkit_internal.h"

namespace vk::toolkit {
namespace {

std::map<std::string, PictureReader>& Readers() {
  static std::map<std::string, PictureReader> readers;
  return readers;
}

// ".bmp" for "C:\a.b\Logo.BMP"; empty without an extension.
std::string ExtensionOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string extension(path.substr(dot));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace

TColor ResolveColor(TColor color) {
  if ((static_cast<std::uint32_t>(color) & 0x80000000u) == 0) return color;
  switch (color) {
    case kColorButtonFace:
      return MakeColor(192, 192, 192);
    case kColorButtonText:
    case kColorWindowText:
      return kColorBlack;
    case kColorWindow:
    case kColorHighlightText:
      return kColorWhite;
    case kColorActiveCaption:
    case kColorHighlight:
      return kColorNavy;
    case kColorGrayText:
      return kColorGray;
    default:
      return MakeColor(192, 192, 192);
  }
}

TBitmap::TBitmap(int width, int height, std::uint32_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
}

void TBitmap::LoadFromBytes(std::string_view bytes) {
  TBitmap decoded = DecodeBmp(bytes);
  decoded.source_ = source_;
  *this = std::move(decoded);
}

void TBitmap::LoadFromFile(std::string_view path) {
  const std::string bytes = ReadPictureFile(path);
  LoadFromBytes(bytes);
  source_ = std::string(path);
}

std::filesystem::path ResolvePicturePath(std::string_view path) {
  if (TApplication* application = CurrentApplication()) {
    auto mapped = application->HostPath(path);
    if (!mapped) throw vk::platform::EFOpenError(path);
    return *mapped;
  }
  return std::filesystem::path(std::string(path));
}

std::string ReadPictureFile(std::string_view path) {
  const std::filesystem::path host = ResolvePicturePath(path);
  std::ifstream in(host, std::ios::binary);
  if (!in) throw vk::platform::EFOpenError(path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw vk::platform::EFOpenError(path);
  return bytes;
}

void RegisterPictureReader(std::string extension, PictureReader reader) {
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Readers()[extension] = std::move(reader);
}

void TPicture::LoadFromFile(std::string_view path) {
  const std::string extension = ExtensionOf(path);
  TBitmap bitmap;
  if (extension == ".bmp" || extension == ".dib") {
    bitmap.LoadFromFile(path);
  } else {
    auto found = Readers().find(extension);
    if (found == Readers().end())
      throw EInvalidGraphic("Unknown picture file extension (" + extension + ")");
    const std::filesystem::path host = ResolvePicturePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(host, error)) throw vk::platform::EFOpenError(path);
    bitmap = found->second(host.string());
    bitmap.SetSource(std::string(path));
  }
  Assign(std::move(bitmap));
}

void TPicture::Assign(TBitmap bitmap) {
  bitmap_ = std::make_shared<const TBitmap>(std::move(bitmap));
  Changed();
}

void TPicture::Assign(std::shared_ptr<const TBitmap> bitmap) {
  bitmap_ = std::move(bitmap);
  Changed();
}

void TPicture::Clear() {
  bitmap_.reset();
  Changed();
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

}  // namespace vk::toolkit
