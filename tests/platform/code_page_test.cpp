// The code page at the host boundary: Windows-1252 to UTF-8 and back, and
// UTF-16LE files as Windows tools write them.

#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk::platform {
namespace {

struct Utf16Case {
  const char* why;
  std::string utf16le;
  std::string utf8;
};

TEST(CodePage, Utf16LeToUtf8) {
  const std::vector<Utf16Case> cases = {
      {"one to three UTF-8 bytes", std::string("A\0\xE9\0\xAC\x20", 6), "A\xC3\xA9\xE2\x82\xAC"},
      {"a surrogate pair is one character of four bytes", std::string("\x3D\xD8\x00\xDE", 4),
       "\xF0\x9F\x98\x80"},
      {"a high surrogate without its low one", std::string("\x3D\xD8\x41\x00", 4),
       "\xEF\xBF\xBD\x41"},
      {"a high surrogate at the end", "\x3D\xD8", "\xEF\xBF\xBD"},
      {"a lone low surrogate", std::string("\x00\xDE", 2), "\xEF\xBF\xBD"},
      {"an odd last byte is dropped", std::string("A\0B", 3), "A"},
  };
  for (const Utf16Case& each : cases) {
    EXPECT_EQ(Utf16LeToUtf8(each.utf16le), each.utf8) << each.why;
  }
}

// Every byte has a character, so every byte comes back.
TEST(CodePage, EveryWindows1252ByteRoundTrips) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
  EXPECT_EQ(ToUtf8("\x80\x81\x9F"), "\xE2\x82\xAC\xC2\x81\xC5\xB8");
}

TEST(CodePage, FromUtf8ReplacesWhatWindows1252Lacks) {
  EXPECT_EQ(FromUtf8("\xCE\xA9 \xF0\x9F\x98\x80"), "? ?") << "not in the code page";
  EXPECT_EQ(FromUtf8("a\xC3"), "a?") << "cut short";
  EXPECT_EQ(FromUtf8("\xC3(b"), "?(b") << "not a continuation byte";
}

}  // namespace
}  // namespace vk::platform
