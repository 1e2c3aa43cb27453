// Pictures: BMP files of every kind the decoder reads, refusals of damaged
// files, and loading by extension through the machine's drives.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/machine.h"
#include "platform/stream.h"
#include "platform/toolkit/bmp_decoder.h"
#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::HeadlessBackend;
using ::testing::HasSubstr;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// File header + 40-byte info header, with a field list chosen by the test.
std::string Header(int width, int height, int bitCount, std::uint32_t compression,
                   std::uint32_t dataOffset, std::uint32_t colours = 0) {
  std::string out = "BM";
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, dataOffset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  out += Bytes({1, 0, bitCount, 0});
  Put32(out, compression);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
  return out;
}

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

struct GoodCase {
  const char* name;
  std::string file;
  int width;
  int height;
  // Expected pixels, top row first.
  std::vector<std::uint32_t> pixels;
};

std::vector<GoodCase> GoodCases() {
  std::vector<GoodCase> cases;
  // 24 bits, bottom-up: the first stored row is the bottom one.
  cases.push_back({"24-bit bottom-up",
                   testing::MakeBmp24(2, 2,
                                      [](int x, int y) {
                                        return y == 0 ? (x == 0 ? 0xFF0000u : 0x00FF00u)
                                                      : 0x0000FFu;
                                      }),
                   2, 2, {kRed, kGreen, kBlue, kBlue}});
  cases.push_back({"24-bit top-down",
                   testing::MakeBmp24(1, 2, [](int, int y) { return y == 0 ? 0xFF0000u : 0u; },
                                      true),
                   1, 2, {kRed, kBlack}});
  cases.push_back({"8-bit palette",
                   testing::MakeBmp8(3, 1, {0x000000, 0xFFFFFF, 0x00FF00},
                                     [](int x, int) { return 2 - x; }),
                   3, 1, {kGreen, kWhite, kBlack}});
  {
    // 1 bit: 0b10100000 over 3 pixels, palette black/white.
    std::string file = Header(3, 1, 1, 0, 14 + 40 + 8, 2);
    file += Bytes({0, 0, 0, 0, 255, 255, 255, 0});
    file += Bytes({0xA0, 0, 0, 0});
    cases.push_back({"1-bit", file, 3, 1, {kWhite, kBlack, kWhite}});
  }
  {
    // 4 bits uncompressed: nibbles 1, 0.
    std::string file = Header(2, 1, 4, 0, 14 + 40 + 8, 2);
    file += Bytes({0, 0, 0, 0, 0, 0, 255, 0});
    file += Bytes({0x10, 0, 0, 0});
    cases.push_back({"4-bit", file, 2, 1, {kRed, kBlack}});
  }
  {
    // RLE8 over 4 x 2: bottom row "3 x index 1, then absolute 1 pixel (pad)",
    // top row "delta" unused; end of line, then 4 x index 2, end of bitmap.
    std::string file = Header(4, 2, 8, 1, 14 + 40 + 12, 3);
    file += Bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0});
    file += Bytes({3, 1, 0, 3, 2, 2, 2, 0, 0, 0, 4, 2, 0, 1});
    cases.push_back({"RLE8 with an absolute run",
                     file,
                     4,
                     2,
                     {kGreen, kGreen, kGreen, kGreen, kRed, kRed, kRed, kGreen}});
  }
  {
    // RLE4 over 3 x 1: 3 pixels alternating 1, 2, 1.
    std::string file = Header(3, 1, 4, 2, 14 + 40 + 12, 3);
    file += Bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0});
    file += Bytes({3, 0x12, 0, 1});
    cases.push_back({"RLE4", file, 3, 1, {kRed, kGreen, kRed}});
  }
  {
    // 16 bits 5:6:5 in bit fields.
    std::string file = Header(2, 1, 16, 3, 14 + 40 + 12);
    Put32(file, 0xF800);
    Put32(file, 0x07E0);
    Put32(file, 0x001F);
    file += Bytes({0x00, 0xF8, 0x1F, 0x00});
    cases.push_back({"16-bit 5:6:5", file, 2, 1, {kRed, kBlue}});
  }
  {
    // 16 bits default 5:5:5.
    std::string file = Header(1, 1, 16, 0, 14 + 40);
    file += Bytes({0xE0, 0x03, 0, 0});
    cases.push_back({"16-bit 5:5:5", file, 1, 1, {kGreen}});
  }
  {
    // 32 bits with the fourth byte zero: opaque, not transparent.
    std::string file = Header(1, 1, 32, 0, 14 + 40);
    file += Bytes({0xFF, 0, 0, 0});
    cases.push_back({"32-bit BGRX", file, 1, 1, {kBlue}});
  }
  {
    // OS/2 header (12 bytes) with a 3-byte palette.
    std::string file = "BM";
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 14 + 12 + 6);
    Put32(file, 12);
    file += Bytes({1, 0, 1, 0, 1, 0, 8, 0});
    file += Bytes({0, 0, 0, 0, 0, 255});
    file += Bytes({1, 0, 0, 0});
    cases.push_back({"OS/2 header", file, 1, 1, {kRed}});
  }
  return cases;
}

TEST(BmpDecoderTest, DecodesEveryKindOfBitmap) {
  for (const GoodCase& c : GoodCases()) {
    TBitmap bitmap;
    ASSERT_NO_THROW(bitmap.LoadFromBytes(c.file)) << c.name;
    ASSERT_EQ(bitmap.Width(), c.width) << c.name;
    ASSERT_EQ(bitmap.Height(), c.height) << c.name;
    EXPECT_EQ(bitmap.Pixels(), c.pixels) << c.name;
    EXPECT_EQ(ReadBmpSize(c.file), (TSize{c.width, c.height})) << c.name;
  }
}

// Damaged files are refused with the toolkit's picture error, never read
// beyond their end.
TEST(BmpDecoderTest, RefusesDamagedFiles) {
  const std::string good = testing::MakeBmp24(4, 4, [](int, int) { return 0x123456u; });
  std::string badSignature = good;
  badSignature[0] = 'X';
  std::string tooLarge = Header(100000, 100000, 24, 0, 54);
  std::string badDepth = Header(1, 1, 7, 0, 54) + Bytes({0, 0, 0, 0});
  std::string zeroWidth = Header(0, 1, 24, 0, 54) + Bytes({0, 0, 0, 0});
  std::string dataOffsetPastEnd = Header(1, 1, 24, 0, 5000) + Bytes({0, 0, 0, 0});
  std::string truncatedRun = Header(4, 1, 8, 1, 14 + 40 + 4, 1) + Bytes({0, 0, 0, 0}) +
                             Bytes({0, 4, 1});  // absolute run of 4 with one byte
  std::string rleOnTwentyFour = Header(1, 1, 24, 1, 54) + Bytes({0, 0, 0, 0});
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"signature", badSignature},
      {"header cut", good.substr(0, 30)},
      {"pixels cut", good.substr(0, good.size() - 5)},
      {"too large", tooLarge},
      {"bit depth", badDepth},
      {"no width", zeroWidth},
      {"data offset past the end", dataOffsetPastEnd},
      {"truncated RLE run", truncatedRun},
      {"RLE on 24 bits", rleOnTwentyFour},
  };
  for (const auto& [name, bytes] : cases) {
    TBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromBytes(bytes), EInvalidGraphic) << name;
  }
}

class PictureTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder folder;
};

// Without a machine, paths are host paths; a picture is read by its
// extension, an unknown extension and a missing file are errors.
TEST_F(PictureTest, LoadsByExtensionAndRefusesUnknownOnes) {
  const auto file = folder.Path() / "LOGO.BMP";
  testing::WriteFile(file, testing::MakeBmp24(116, 98, [](int, int) { return 0u; }));
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile(file.string());
  EXPECT_EQ(picture.Width(), 116);
  EXPECT_EQ(picture.Height(), 98);
  EXPECT_EQ(changes, 1);
  testing::WriteFile(folder.Path() / "x.xyz", "data");
  EXPECT_THAT([&] { picture.LoadFromFile((folder.Path() / "x.xyz").string()); },
              ::testing::ThrowsMessage<EInvalidGraphic>(
                  HasSubstr("Unknown picture file extension (.xyz)")));
  EXPECT_THROW(picture.LoadFromFile((folder.Path() / "none.bmp").string()),
               vk::platform::EFOpenError);
  EXPECT_EQ(picture.Width(), 116);  // a failed load keeps the picture
}

// With a machine, the program's Windows paths reach the drive folders
// without regard to case; an image with AutoSize takes the picture's size.
TEST_F(PictureTest, WindowsPathsGoThroughTheMachine) {
  vk::platform::Machine machine(folder.Path() / "prefix");
  testing::WriteFile(folder.Path() / "prefix" / "drive_c" / "temp" / "vmk.bmp",
                     testing::MakeBmp24(3, 5, [](int, int) { return 0u; }));
  HeadlessBackend backend;
  TApplication application(backend);
  application.SetMachine(&machine);
  TForm form("main");
  TImage* image = form.Add<TImage>("i3");
  image->SetAutoSize(true);
  image->Picture().LoadFromFile("C:\\TEMP\\VMK.BMP");
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(image->Height(), 5);
  EXPECT_EQ(image->Picture().Bitmap()->Source(), "C:\\TEMP\\VMK.BMP");
  EXPECT_THROW(image->Picture().LoadFromFile("Q:\\x.bmp"), vk::platform::EFOpenError);
}

TEST_F(PictureTest, RegisteredReaderServesItsExtension) {
  RegisterPictureReader(".TST", [](const std::string&) { return TBitmap(7, 9); });
  testing::WriteFile(folder.Path() / "a.tst", "");
  TPicture picture;
  picture.LoadFromFile((folder.Path() / "a.tst").string());
  EXPECT_EQ(picture.Width(), 7);
  EXPECT_EQ(picture.Bitmap()->Source(), (folder.Path() / "a.tst").string());
}

}  // namespace
}  // namespace vk::toolkit
