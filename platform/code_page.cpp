#include "platform/code_page.h"

#include <array>
#include <cstdint>

namespace vk::platform {
namespace {

// Code points of bytes 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

char ToWindows1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::string ToUtf8(std::string_view windows1252) {
  std::string out;
  out.reserve(windows1252.size());
  for (char c : windows1252) {
    auto byte = static_cast<std::uint8_t>(c);
    char32_t code = (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
    AppendUtf8(out, code);
  }
  return out;
}

std::string FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    auto lead = static_cast<std::uint8_t>(utf8[i]);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
               : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > utf8.size()) {
      out += '?';
      ++i;
      continue;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (int k = 1; k < length; ++k) {
      auto next = static_cast<std::uint8_t>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    out += ToWindows1252(code);
    i += length;
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](std::size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        code = 0xFFFD;
      }
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

}  // namespace vk::platform
