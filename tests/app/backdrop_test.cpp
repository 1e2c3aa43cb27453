// The backdrop: its set-up from setup.inf, its activation, the tiled
// background and the switch to the information face.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/builtin_pictures.h"
#include "app/main_form.h"
#include "app/windows.h"
#include "tests/app/setup_run.h"

namespace vk::app::testing {
namespace {

using toolkit::TWindowState;
using toolkit::headless::DrawCall;
using toolkit::headless::DrawKind;

class Backdrop : public SetupRun {
 protected:
  // The draw calls of one paint of the backdrop, made now.
  std::vector<DrawCall> PaintBackdrop() {
    backend.PaintNow(*main);
    const auto* paint = backend.LastPaint("main");
    return paint ? paint->calls : std::vector<DrawCall>{};
  }
};

TEST_F(Backdrop, IsTheNavyMaximisedMainWindowCoveringTheScreen) {
  WriteSetupInf();
  backend.SetScreenSize(800, 600);
  RunAndLook([] {
    EXPECT_EQ(main->Color(), toolkit::kColorNavy);
    EXPECT_EQ(main->WindowState(), TWindowState::kMaximized);
    EXPECT_EQ(main->BoundsRect(), toolkit::MakeRect(0, 0, 799, 599));
    EXPECT_EQ(main->BorderIcons(), 0u);
  });
}

// The background for each combination of [main] stretch and a backdrop
// picture that exists or not: i1 shows the gradient or the stretched
// picture, or the paint handler tiles the picture.
struct BackgroundCase {
  const char* name;
  const char* stretch;  // the [main] stretch line, or ""
  bool pictureExists;
  bool i1Visible;
  bool tiled;
};

class BackdropBackground : public Backdrop, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(BackdropBackground, ShowsWhatTheTableSays) {
  const BackgroundCase& row = GetParam();
  WriteSetupInf(std::string("[main]\r\nback=back.bmp\r\n") + row.stretch);
  if (row.pictureExists) WriteMediumFile("back.bmp", SolidBitmap(64, 64, 0x00FF00));
  RunAndLook([&] {
    EXPECT_EQ(main->i1->Visible(), row.i1Visible);
    std::size_t tiles = 0;
    for (const DrawCall& call : PaintBackdrop()) tiles += call.kind == DrawKind::kDraw;
    EXPECT_EQ(tiles > 0, row.tiled) << tiles << " tiles";
  });
}

INSTANTIATE_TEST_SUITE_P(
    , BackdropBackground,
    ::testing::Values(BackgroundCase{"StretchedPicture", "stretch=1\r\n", true, true, false},
                      BackgroundCase{"StretchedGradient", "stretch=1\r\n", false, true, false},
                      BackgroundCase{"TiledPicture", "stretch=0\r\n", true, false, true},
                      BackgroundCase{"GradientWithoutPicture", "stretch=0\r\n", false, true, false},
                      BackgroundCase{"StretchMissingMeansTiled", "", true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Backdrop, TheStretchedImageHoldsTheBuiltInGradient) {
  WriteSetupInf("[main]\r\nstretch=1\r\n");
  RunAndLook([] {
    const toolkit::TPicture& picture = main->i1->Picture();
    EXPECT_TRUE(main->i1->Stretch());
    EXPECT_EQ(main->i1->Align(), toolkit::TAlign::kClient);
    ASSERT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), 1);
    EXPECT_EQ(picture.Height(), 768);
  });
}

TEST(BuiltInGradient, FallsEvenlyFromPureBlueToBlack) {
  toolkit::TBitmap gradient;
  gradient.LoadFromBytes(GradientBitmap());
  ASSERT_EQ(gradient.Width(), 1);
  ASSERT_EQ(gradient.Height(), 768);
  EXPECT_EQ(gradient.Pixel(0, 0) & 0xFFFFFF, 0x0000FFu) << "pure blue on top";
  EXPECT_EQ(gradient.Pixel(0, 767) & 0xFFFFFF, 0x000000u) << "black at the bottom";
  for (int y = 0; y < 768; ++y) {
    const std::uint32_t pixel = gradient.Pixel(0, y);
    EXPECT_EQ(pixel & 0xFFFF00, 0u) << "only blue, row " << y;
    // The dither never strays more than one level from the even fall.
    const double exact = 255.0 * (767 - y) / 767;
    EXPECT_NEAR(static_cast<double>(pixel & 0xFF), exact, 1.0) << "row " << y;
  }
}

TEST_F(Backdrop, TitleLinesTakeTheirTextsAndColoursAndAMissingColourIsBlack) {
  WriteSetupInf(
      "[main]\r\nl1=Sample Viewer\r\nl1_color=0xFFFFFF\r\nl2=Version 2\r\nl2_color=$FF\r\n"
      "text=Thank you\r\n");
  RunAndLook([] {
    EXPECT_EQ(main->Lbl_1->Caption(), "Sample Viewer");
    EXPECT_EQ(main->Lbl_2->Caption(), "Version 2");
    EXPECT_EQ(main->Lbl_3->Caption(), "");
    EXPECT_EQ(main->Lbl_1->Font().color, toolkit::kColorWhite);
    EXPECT_EQ(main->Lbl_2->Font().color, toolkit::kColorRed);
    EXPECT_EQ(main->Lbl_3->Font().color, toolkit::kColorBlack);
    EXPECT_EQ(main->Lbl_1->Font().name, "Times New Roman");
    EXPECT_EQ(main->Lbl_1->Font().PixelHeight(), 35);
    EXPECT_EQ(main->Lbl_4->Caption(), "Thank you");
    EXPECT_FALSE(main->Lbl_4->Visible()) << "the information text waits for the hand-over";
  });
}

TEST_F(Backdrop, TitleLinesMoveToTheLeftEdgeWithoutALogo) {
  WriteSetupInf("[main]\r\nlogo=logo.bmp\r\n");
  RunAndLook([] {
    EXPECT_EQ(main->Lbl_1->BoundsRect(), toolkit::MakeRect(13, 8, 630, 44));
    EXPECT_EQ(main->Lbl_2->BoundsRect(), toolkit::MakeRect(13, 47, 636, 32));
    EXPECT_EQ(main->Lbl_3->BoundsRect(), toolkit::MakeRect(13, 73, 634, 35));
  });
}

TEST_F(Backdrop, TitleLinesStayBesideAnExistingLogo) {
  WriteSetupInf("[main]\r\nlogo=logo.bmp\r\n");
  WriteMediumFile("logo.bmp", SolidBitmap(16, 16, 0xFF0000));
  RunAndLook([] {
    EXPECT_EQ(main->Lbl_1->Left(), 134);
    EXPECT_EQ(main->Lbl_2->Left(), 135);
    EXPECT_EQ(main->Lbl_3->Left(), 135);
  });
}

TEST_F(Backdrop, ShowZeroMinimisesTheBackdropAndStillShowsTheWizard) {
  WriteSetupInf("[main]\r\nshow=0\r\n");
  RunAndLook([] {
    EXPECT_EQ(main->WindowState(), TWindowState::kMinimized);
    EXPECT_TRUE(main->Visible()) << "minimised, never hidden";
  });
  EXPECT_THAT(backend.FormsWith(toolkit::headless::WindowEventKind::kModalStarted),
              ::testing::ElementsAre("leader"));
}

TEST_F(Backdrop, TheWideInformationPictureTakesTwoThirdsOfTheScreenRounded) {
  WriteSetupInf();
  backend.SetScreenSize(1280, 1024);
  RunAndLook([] {
    // Two thirds of 1024 is 682.67.
    EXPECT_EQ(main->i2->BoundsRect(), toolkit::MakeRect(-1, 0, 1278, 683));
  });
}

// Tiles from the top left corner, row by row, until they cover the screen.
struct TilingCase {
  const char* name;
  int width, height;
  int columns, rows;
};

class BackdropTiling : public Backdrop, public ::testing::WithParamInterface<TilingCase> {};

TEST_P(BackdropTiling, DrawsTheBitmapUnscaledOverTheScreen) {
  const TilingCase& row = GetParam();
  WriteSetupInf("[main]\r\nback=tile.bmp\r\nstretch=0\r\n");
  WriteMediumFile("tile.bmp", SolidBitmap(row.width, row.height, 0x808000));
  RunAndLook([&] {
    std::vector<toolkit::TRect> places;
    for (const DrawCall& call : PaintBackdrop()) {
      if (call.kind == DrawKind::kDraw) places.push_back(call.rect);
    }
    ASSERT_EQ(places.size(), static_cast<std::size_t>(row.columns * row.rows));
    if (places.empty()) return;
    EXPECT_EQ(places.front(), toolkit::MakeRect(0, 0, row.width, row.height));
    EXPECT_EQ(places[1].left, row.columns > 1 ? row.width : 0) << "left to right first";
    EXPECT_EQ(places.back(), toolkit::MakeRect((row.columns - 1) * row.width,
                                               (row.rows - 1) * row.height, row.width,
                                               row.height));
  });
}

INSTANTIATE_TEST_SUITE_P(, BackdropTiling,
                         ::testing::Values(TilingCase{"Square64", 64, 64, 16, 12},
                                           TilingCase{"UnevenCoversTheScreen", 100, 100, 11, 8},
                                           TilingCase{"TwoWideIsTiled", 2, 768, 512, 1},
                                           TilingCase{"OneWideIsNotTiled", 1, 768, 0, 0},
                                           TilingCase{"OneHighIsNotTiled", 64, 1, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Backdrop, ATileFileThatIsNoBitmapShowsTheWindowColourWithoutAMessage) {
  WriteSetupInf("[main]\r\nback=back.jpg\r\nstretch=0\r\n");
  WriteMediumFile("back.jpg", "\xFF\xD8\xFF\xE0 not a bitmap");
  RunAndLook([this] { EXPECT_TRUE(PaintBackdrop().empty()); });
  EXPECT_TRUE(backend.MessageBoxes().empty());
}

TEST_F(Backdrop, ATileFileThatDisappearsIsNoLongerDrawn) {
  WriteSetupInf("[main]\r\nback=back.bmp\r\nstretch=0\r\n");
  WriteMediumFile("back.bmp", SolidBitmap(64, 64, 0x808000));
  RunAndLook([this] {
    EXPECT_FALSE(PaintBackdrop().empty());
    std::filesystem::remove(test.MediumFolder() / "back.bmp");
    EXPECT_TRUE(PaintBackdrop().empty());
  });
}

// The information face after the hand-over, for each combination of an
// information picture (as the wizard loaded it) and an information text.
struct FaceCase {
  const char* name;
  const char* text;  // the [main] text line, or ""
  bool picture;
  bool titles, i2, i4, Lbl_4;
};

class BackdropInformationFace : public Backdrop,
                                public ::testing::WithParamInterface<FaceCase> {};

TEST_P(BackdropInformationFace, ShowsThePictureAndTheTextThatExist) {
  const FaceCase& row = GetParam();
  WriteSetupInf(std::string("[main]\r\nlogo=logo.bmp\r\n") + row.text);
  WriteMediumFile("logo.bmp", SolidBitmap(16, 16, 0xFF0000));
  RunAndLook([&] {
    if (row.picture) {
      // The wizard puts the picture beside a text, or centred without one.
      toolkit::TImage* image = main->Lbl_4->Caption() != "_" ? main->i4 : main->i2;
      image->Picture().Assign(toolkit::TBitmap(40, 30));
    }
    main->ShowInformationFace();
    EXPECT_EQ(main->i3->Visible(), row.titles);
    EXPECT_EQ(main->Lbl_1->Visible(), row.titles);
    EXPECT_EQ(main->Lbl_2->Visible(), row.titles);
    EXPECT_EQ(main->Lbl_3->Visible(), row.titles);
    EXPECT_EQ(main->i2->Visible(), row.i2);
    EXPECT_EQ(main->i4->Visible(), row.i4);
    EXPECT_EQ(main->Lbl_4->Visible(), row.Lbl_4);
  });
}

INSTANTIATE_TEST_SUITE_P(
    , BackdropInformationFace,
    ::testing::Values(
        FaceCase{"PictureAndText", "text=Thank you\r\n", true, false, false, true, true},
        FaceCase{"PictureOnly", "", true, false, true, false, false},
        FaceCase{"TextOnly", "text=Thank you\r\n", false, false, false, false, true},
        FaceCase{"NeitherKeepsTheTitles", "", false, true, false, false, false},
        FaceCase{"AnEmptyTextIsAText", "text=\r\n", true, false, false, true, true},
        FaceCase{"UnderscoreIsNoText", "text=_\r\n", true, false, true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk::app::testing
