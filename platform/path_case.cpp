#include "platform/path_case.h"

#include <cstdint>

namespace vk::platform {

char UpperCase1252(char c) {
  auto byte = static_cast<std::uint8_t>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  // à..þ except ÷, and the three letters whose capitals lie in 0x8A..0x9F.
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A: return static_cast<char>(0x8A);  // š
    case 0x9C: return static_cast<char>(0x8C);  // œ
    case 0x9E: return static_cast<char>(0x8E);  // ž
    case 0xFF: return static_cast<char>(0x9F);  // ÿ
    default: return c;
  }
}

std::string UpperCase1252(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperCase1252(c);
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCase1252(a[i]) != UpperCase1252(b[i])) return false;
  }
  return true;
}

}  // namespace vk::platform
