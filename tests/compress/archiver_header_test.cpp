// The archive header is judged before any entry: signature, archive type
// and method id, each with its own exception, and nothing written.

#include <gtest/gtest.h>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

enum class Outcome { kExpands, kInvalidHeader, kInvalidArchiveType, kUnrecognizedMethod };

struct HeaderCase {
  const char* why;
  std::function<void(Bytes&)> damage;
  bool customHandlers;
  Outcome outcome;
};

class HeaderTest : public ArchiverTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderTest, IsJudgedBeforeAnyEntry) {
  const HeaderCase& test = GetParam();
  Bytes archive = MakeArchive({{"a.txt", "alpha"}});
  test.damage(archive);
  if (test.customHandlers) {
    archiver.OnExpand = [](vk::platform::TStream&, vk::platform::TStream&, std::int32_t,
                           std::int32_t, const std::string&, std::uint32_t&) {};
    archiver.OnRecognize = [](const std::string& id, bool& recognized) {
      recognized = id == "ZIP";
    };
  }
  auto expand = [&] { return ExpandInto(archive, "a.txt"); };
  switch (test.outcome) {
    case Outcome::kExpands:
      EXPECT_EQ(expand(), "C:\\out\\a.txt");
      EXPECT_EQ(Content("C:\\out\\a.txt"), "alpha");
      return;
    case Outcome::kInvalidHeader:
      EXPECT_THROW(expand(), EInvalidHeader);
      break;
    case Outcome::kInvalidArchiveType:
      EXPECT_THROW(expand(), EInvalidHeaderArchiveType);
      break;
    case Outcome::kUnrecognizedMethod:
      EXPECT_THROW(expand(), EUnrecognizedCompressionMethod);
      break;
  }
  EXPECT_FALSE(Exists("C:\\out\\a.txt"));
}

auto SetId(std::string id) {
  return [id](Bytes& archive) { std::copy(id.begin(), id.end(), archive.begin() + 5); };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderTest,
    ::testing::Values(
        HeaderCase{"the writer's archive", [](Bytes&) {}, false, Outcome::kExpands},
        HeaderCase{"first signature byte", [](Bytes& a) { a[0] = 'X'; }, false,
                   Outcome::kInvalidHeader},
        HeaderCase{"fifth byte 00h instead of 1Ah", [](Bytes& a) { a[4] = 0; }, false,
                   Outcome::kInvalidHeader},
        HeaderCase{"shorter than the header", [](Bytes& a) { a.resize(20); }, false,
                   Outcome::kInvalidHeader},
        HeaderCase{"empty file", [](Bytes& a) { a.clear(); }, false, Outcome::kInvalidHeader},
        HeaderCase{"archive type 0", [](Bytes& a) { a[12] = 0; }, false,
                   Outcome::kInvalidArchiveType},
        HeaderCase{"archive type 2", [](Bytes& a) { a[12] = 2; }, false,
                   Outcome::kInvalidArchiveType},
        HeaderCase{"NON", SetId("NON"), false, Outcome::kExpands},
        HeaderCase{"RLE", SetId("RLE"), false, Outcome::kExpands},
        HeaderCase{"lzh in lower case", SetId("lzh"), false, Outcome::kUnrecognizedMethod},
        HeaderCase{"CUS without OnExpand", SetId("CUS"), false, Outcome::kUnrecognizedMethod},
        HeaderCase{"CUS with OnExpand", SetId("CUS"), true, Outcome::kExpands},
        HeaderCase{"an id OnRecognize accepts", SetId("ZIP"), true, Outcome::kExpands},
        HeaderCase{"an id OnRecognize refuses", SetId("ARJ"), true, Outcome::kUnrecognizedMethod}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.why)) name += std::isalnum(c) ? c : '_';
      return name;
    });

TEST(ArchiveExceptionTest, CarryTheirFixedMessages) {
  EXPECT_STREQ(EInvalidHeader().what(), "Can't recognize compressed file header");
  EXPECT_STREQ(EInvalidHeaderArchiveType().what(),
               "Expand can't handle caSingle archive type in compressed header");
  EXPECT_STREQ(EUnrecognizedCompressionMethod().what(),
               "Unrecognized compression method in header");
  EXPECT_STREQ(EInsufficientDiskSpace("C:\\x\\a.txt").what(),
               "Not enough disk space to expand C:\\x\\a.txt");
  EXPECT_STREQ(EInvalidKey().what(), "File locked -- valid key required");
  EXPECT_STREQ(EBadChecksum().what(), "Bad checksum during expansion -- data may be invalid");
  EXPECT_STREQ(EInOutError(5).what(), "I/O-Fehler 5");
  // The toolkit's handler catches them by the base class.
  const vk::platform::Exception& base = EBadChecksum();
  EXPECT_NE(dynamic_cast<const EBadChecksum*>(&base), nullptr);
}

TEST(MethodKindOfTest, OnRecognizeIsAskedOnlyWithAnExpandHandler) {
  vk::testing::TestMachine machine;
  TArchiver archiver(machine.Files());
  int asked = 0;
  archiver.OnRecognize = [&](const std::string&, bool& recognized) {
    ++asked;
    recognized = true;
  };
  EXPECT_THROW(archiver.MethodKindOf("ZIP"), EUnrecognizedCompressionMethod);
  EXPECT_EQ(asked, 0);
  archiver.OnExpand = [](vk::platform::TStream&, vk::platform::TStream&, std::int32_t, std::int32_t,
                         const std::string&, std::uint32_t&) {};
  EXPECT_EQ(archiver.MethodKindOf("ZIP"), MethodKind::mkCustom);
  EXPECT_EQ(archiver.MethodKindOf("LZH"), MethodKind::mkLZH);
  EXPECT_EQ(archiver.MethodKindOf("RLE"), MethodKind::mkRLE);
  EXPECT_EQ(archiver.MethodKindOf("CUS"), MethodKind::mkCustom);
  EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace vk::compress::testing
