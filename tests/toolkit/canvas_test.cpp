// Paint handlers and the recording canvas.

#include <gtest/gtest.h>

#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::DrawCall;
using headless::DrawKind;
using headless::HeadlessBackend;

// A backdrop-like window that tiles a bitmap file over the screen in its
// paint handler, letting messages run first.
class Tiled : public TForm {
 public:
  explicit Tiled(std::string file) : TForm("main"), file_(std::move(file)) {
    SetColor(kColorNavy);
    OnPaint = [this](TObject&) {
      Application().ProcessMessages();
      TBitmap bitmap;
      bitmap.LoadFromFile(file_);
      if (bitmap.Width() < 2 || bitmap.Height() < 2) return;
      for (int y = 0; y < Screen().Height(); y += bitmap.Height())
        for (int x = 0; x < Screen().Width(); x += bitmap.Width()) Canvas().Draw(x, y, bitmap);
    };
  }

 private:
  std::string file_;
};

class CanvasTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder folder;
  HeadlessBackend backend;
};

TEST_F(CanvasTest, PaintHandlerDrawsTilesIntoTheRecording) {
  const auto file = folder.Path() / "back.bmp";
  testing::WriteFile(file, testing::MakeBmp24(64, 64, [](int, int) { return 0x336699u; }));
  backend.SetScreenSize(1024, 768);
  TApplication application(backend);
  Tiled* main = nullptr;
  application.CreateForm(main, file.string());
  main->Show();
  application.ProcessMessages();  // paints what is marked
  const headless::PaintRecord* paint = backend.LastPaint("main");
  ASSERT_NE(paint, nullptr);
  ASSERT_EQ(paint->calls.size(), 16u * 12u);
  EXPECT_EQ(paint->calls.front().rect, MakeRect(0, 0, 64, 64));
  EXPECT_EQ(paint->calls.back().rect, MakeRect(960, 704, 64, 64));
  EXPECT_EQ(paint->calls.front().text, file.string());
  EXPECT_EQ(paint->calls.front().kind, DrawKind::kDraw);
  // Painting once more only when invalidated.
  application.ProcessMessages();
  EXPECT_EQ(backend.Paints().size(), 1u);
  main->Invalidate();
  application.ProcessMessages();
  EXPECT_EQ(backend.Paints().size(), 2u);
}

// A bitmap 1 pixel wide draws no tiles; the canvas starts with the form's
// colour as its brush.
TEST_F(CanvasTest, NarrowBitmapDrawsNothingAndBrushStartsWithTheFormColour) {
  const auto file = folder.Path() / "thin.bmp";
  testing::WriteFile(file, testing::MakeBmp24(1, 64, [](int, int) { return 0u; }));
  TApplication application(backend);
  Tiled* main = nullptr;
  application.CreateForm(main, file.string());
  TColor brush = 0;
  auto tiles = main->OnPaint;
  main->OnPaint = [&](TObject& sender) {
    brush = main->Canvas().brush.color;
    tiles(sender);
  };
  main->Show();
  backend.PaintNow(*main);
  ASSERT_NE(backend.LastPaint("main"), nullptr);
  EXPECT_TRUE(backend.LastPaint("main")->calls.empty());
  EXPECT_EQ(brush, kColorNavy);
}

// An exception from a paint handler (the tile file gone) is shown by the
// standard handler; painting goes on afterwards.
TEST_F(CanvasTest, PaintExceptionGoesToTheStandardHandler) {
  TApplication application(backend);
  application.SetTitle("Setup");
  Tiled* main = nullptr;
  application.CreateForm(main, (folder.Path() / "missing.bmp").string());
  backend.User().Answer(ModalResult::kOk);
  main->Show();
  application.ProcessMessages();
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_NE(backend.MessageBoxes()[0].text.find("missing.bmp"), std::string::npos);
}

TEST_F(CanvasTest, RecordingCanvasRecordsEveryKindOfCall) {
  headless::RecordingCanvas canvas;
  TBitmap band(1, 768);
  canvas.brush.color = kColorBlue;
  canvas.FillRect(MakeRect(0, 0, 100, 10));
  canvas.StretchDraw(MakeRect(0, 0, 1023, 767), band);
  canvas.font.color = kColorWhite;
  canvas.font.height = 20;
  canvas.TextOut(5, 6, "abc");
  ASSERT_EQ(canvas.Calls().size(), 3u);
  EXPECT_EQ(canvas.Calls()[0].kind, DrawKind::kFillRect);
  EXPECT_EQ(canvas.Calls()[0].color, kColorBlue);
  EXPECT_EQ(canvas.Calls()[1].kind, DrawKind::kStretchDraw);
  EXPECT_EQ(canvas.Calls()[1].bitmapSize, (TSize{1, 768}));
  EXPECT_EQ(canvas.Calls()[2].text, "abc");
  EXPECT_EQ(canvas.Calls()[2].rect, MakeRect(5, 6, 3 * 11, 20));
}

// Outside a paint the canvas draws nothing (and does not crash).
TEST_F(CanvasTest, CanvasOutsideAPaintIsHarmless) {
  TForm form("f");
  form.Canvas().FillRect(MakeRect(0, 0, 10, 10));
  EXPECT_FALSE(form.Painting());
}

}  // namespace
}  // namespace vk::toolkit
