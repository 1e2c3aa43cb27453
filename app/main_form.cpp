#include "app/main_form.h"

#include <cmath>

#include "app/builtin_pictures.h"
#include "app/program.h"
#include "app/setup_description.h"
#include "app/source_folder.h"
#include "app/windows.h"
#include "platform/exception.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/toolkit/application.h"
#include "wizard/leader_form.h"

namespace vk::app {
namespace {

using toolkit::TFont;

constexpr int kTitleLeftWithoutLogo = 13;

TFont TitleFont(int pixelHeight) {
  TFont font;
  font.name = "Times New Roman";
  font.height = pixelHeight;
  font.bold = true;
  return font;
}

toolkit::TLabel* MakeTitleLabel(toolkit::TLabel* label, int left, int top, int width, int height,
                                TFont font) {
  label->SetBounds(left, top, width, height);
  label->SetFont(std::move(font));
  label->SetTransparent(true);
  label->SetAutoSize(false);
  return label;
}

bool StretchBackdrop() { return State().StartReader->ReadBool("main", "stretch", false); }

// Two thirds of the screen height, to the nearest pixel.
int TwoThirdsRounded(int height) {
  return static_cast<int>(std::nearbyint(2.0 * height / 3.0));
}

}  // namespace

Tmain::Tmain() : TForm("main") {
  SetCaption("SETUP-Assistent");
  SetBorderStyle(toolkit::TBorderStyle::kSingle);
  SetBorderIcons(0);
  SetColor(toolkit::kColorNavy);
  SetClientWidth(640);
  SetClientHeight(411);
  SetWindowState(toolkit::TWindowState::kMaximized);

  const int screenWidth = toolkit::Screen().Width();
  const int screenHeight = toolkit::Screen().Height();

  i1 = Add<toolkit::TImage>("i1");
  i1->SetAlign(toolkit::TAlign::kClient);
  i1->SetStretch(true);
  i1->SetVisible(false);
  toolkit::TBitmap gradient;
  gradient.LoadFromBytes(GradientBitmap());
  i1->Picture().Assign(std::move(gradient));

  i2 = Add<toolkit::TImage>("i2");
  i2->SetBounds(-1, 0, screenWidth - 2, screenHeight * 2 / 3);
  i2->SetCenter(true);
  i2->SetVisible(false);

  i4 = Add<toolkit::TImage>("i4");
  i4->SetBounds(13, 9, 265, 246);
  i4->SetStretch(true);
  i4->SetVisible(false);

  i3 = Add<toolkit::TImage>("i3");
  i3->SetBounds(10, 9, 116, 98);
  i3->SetStretch(true);

  Lbl_1 = MakeTitleLabel(Add<toolkit::TLabel>("Lbl_1"), 134, 8, 630, 44, TitleFont(35));
  Lbl_2 = MakeTitleLabel(Add<toolkit::TLabel>("Lbl_2"), 135, 47, 636, 32, TitleFont(21));
  Lbl_3 = MakeTitleLabel(Add<toolkit::TLabel>("Lbl_3"), 135, 73, 634, 35, TitleFont(21));

  TFont infoFont;
  infoFont.name = "Arial";
  infoFont.height = 21;
  infoFont.bold = true;
  infoFont.color = toolkit::kColorSilver;
  Lbl_4 = MakeTitleLabel(Add<toolkit::TLabel>("Lbl_4"), 283, 9, 324, 247, std::move(infoFont));
  Lbl_4->SetWordWrap(true);
  Lbl_4->SetVisible(false);

  OnCreate = [this](toolkit::TObject& sender) { FormCreate(sender); };
  OnActivate = [this](toolkit::TObject& sender) { FormActivate(sender); };
  OnPaint = [this](toolkit::TObject& sender) { FormPaint(sender); };
}

void Tmain::FormCreate(toolkit::TObject&) {
  SetupState& state = State();
  state.GroupItemsCreated = false;
  state.SourceFolder = SourceFolderOf(HostMachine().ProgramPath());

  SetupReadResult read = ReadSetupDescription(Files(), state.SourceFolder);
  if (read.outcome != SetupReadOutcome::kLoaded) {
    startupFailed_ = true;
    const char* message = read.outcome == SetupReadOutcome::kFileMissing
                              ? kSetupMissingMessage
                              : kVersionConflictMessage;
    toolkit::Application().MessageBox(message, "Error", toolkit::MessageButtons::kOk,
                                      toolkit::MessageIcon::kError);
    toolkit::Application().Terminate();
    return;
  }
  state.Description = std::move(read.description);
  state.TargetFolder = std::move(read.targetFolder);
  state.ProgramGroup = std::move(read.programGroup);
  state.StartReader = std::move(read.reader);

  SetUpFromDescription();

  SetWidth(toolkit::Screen().Width() - 1);
  SetHeight(toolkit::Screen().Height() - 1);
  SetWindowState(toolkit::TWindowState::kMaximized);
  state.DescriptionLoaded = true;
}

void Tmain::SetUpFromDescription() {
  const SetupDescription& description = State().Description;
  platform::FileSystem& files = Files();

  toolkit::TLabel* titles[] = {Lbl_1, Lbl_2, Lbl_3};
  for (int line = 0; line < 3; ++line) {
    // Always set: a missing colour key makes its line black.
    TFont font = titles[line]->Font();
    font.color = description.TitleColors[line];
    titles[line]->SetFont(std::move(font));
  }

  const bool backPictureExists = files.FileExists(description.BackPicture);
  i1->SetVisible(StretchBackdrop() ? backPictureExists : !backPictureExists);

  if (!files.FileExists(description.LogoPicture)) {
    for (toolkit::TLabel* title : titles) title->SetLeft(kTitleLeftWithoutLogo);
  }

  for (int line = 0; line < 3; ++line) titles[line]->SetCaption(description.TitleLines[line]);
  Lbl_4->SetCaption(description.InfoText);
}

void Tmain::FormActivate(toolkit::TObject&) {
  // Only the first activation shows the wizard; later ones (the window
  // restored from minimised, or active again once a dialog above it has
  // gone) leave the running wizard and the window's state alone.
  if (wizardShown_) return;
  wizardShown_ = true;

  const int screenWidth = toolkit::Screen().Width();
  const int screenHeight = toolkit::Screen().Height();
  SetBounds(0, 0, screenWidth - 1, screenHeight - 1);
  const bool show = State().StartReader->ReadBool("main", "show", true);
  SetWindowState(show ? toolkit::TWindowState::kMaximized : toolkit::TWindowState::kMinimized);
  i2->SetWidth(screenWidth - 2);
  i2->SetHeight(TwoThirdsRounded(screenHeight));
  // Without a backdrop picture the stretched image shows the gradient.
  if (StretchBackdrop()) i1->Show();
  toolkit::Application().ProcessMessages();
  leader->ShowModal();
}

void Tmain::FormPaint(toolkit::TObject&) {
  toolkit::Application().ProcessMessages();
  if (StretchBackdrop()) return;
  const std::string& path = State().Description.BackPicture;
  if (!Files().FileExists(path)) return;
  toolkit::TBitmap tile;
  try {
    tile.LoadFromFile(path);
  } catch (const platform::Exception&) {
    // A backdrop that is not a readable bitmap shows the window colour;
    // reporting it would put up a message box at every repaint.
    return;
  }
  if (tile.Height() < 2 || tile.Width() < 2) return;
  const int screenWidth = toolkit::Screen().Width();
  const int screenHeight = toolkit::Screen().Height();
  toolkit::TCanvas& canvas = Canvas();
  for (int y = 0; y < screenHeight; y += tile.Height()) {
    for (int x = 0; x < screenWidth; x += tile.Width()) canvas.Draw(x, y, tile);
  }
}

void Tmain::ShowInformationFace() {
  const bool hasText = Lbl_4->Caption() != "_";
  const bool hasPicture = !i2->Picture().Empty() || !i4->Picture().Empty();
  if (!hasPicture && !hasText) return;
  i3->Hide();
  Lbl_1->Hide();
  Lbl_2->Hide();
  Lbl_3->Hide();
  if (hasPicture) (hasText ? i4 : i2)->Show();
  Lbl_4->SetVisible(hasText);
}

}  // namespace vk::app
