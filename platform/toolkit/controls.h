#pragma once
// The controls a form holds. A form owns its controls (TForm::Add); a
// control has a name unique in its form, a parent (the form or a panel), a
// place in the parent's client area, a caption or text, visibility, enabled
// state, colour, font and handlers. Every change is passed to the backend,
// which shows it.
//
// Handlers run on the one GUI thread. A change the program makes runs the
// handler exactly where the toolkit always did: a check box runs OnClick on
// every change of its state, a radio button when it becomes checked, an edit
// field OnChange on every change of its text.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/graphics.h"

namespace vk::toolkit {

class TForm;
class TWinControl;
class TDirectoryListBox;
class TLabel;

// What ends a modal display, and the button a message box was closed with.
enum class ModalResult { kNone = 0, kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };

class TObject {
 public:
  virtual ~TObject() = default;
};

// Modifier keys held during a key event.
using TShiftState = unsigned;
inline constexpr TShiftState kShiftNone = 0;
inline constexpr TShiftState kShiftShift = 1;
inline constexpr TShiftState kShiftAlt = 2;
inline constexpr TShiftState kShiftControl = 4;

// Virtual key codes, as key-down handlers see them.
inline constexpr std::uint16_t kKeyBack = 8;
inline constexpr std::uint16_t kKeyTab = 9;
inline constexpr std::uint16_t kKeyReturn = 13;
inline constexpr std::uint16_t kKeyEscape = 27;
inline constexpr std::uint16_t kKeySpace = 32;
inline constexpr std::uint16_t kKeyLeft = 37;
inline constexpr std::uint16_t kKeyUp = 38;
inline constexpr std::uint16_t kKeyRight = 39;
inline constexpr std::uint16_t kKeyDown = 40;
inline constexpr std::uint16_t kKeyDelete = 46;
inline constexpr std::uint16_t kKeyF1 = 112;

using TNotifyEvent = std::function<void(TObject& sender)>;
// A key-down handler may set key to 0 to keep the control and the form from
// acting on it.
using TKeyEvent = std::function<void(TObject& sender, std::uint16_t& key, TShiftState shift)>;

enum class ControlKind {
  kForm,
  kLabel,
  kButton,
  kBitButton,
  kEdit,
  kCheckBox,
  kRadioButton,
  kPanel,
  kGroupBox,
  kBevel,
  kImage,
  kGauge,
  kProgressBar,
  kListBox,
  kDriveComboBox,
  kDirectoryListBox,
};

// kClient fills the parent's client area and follows its size.
enum class TAlign { kNone, kClient };
enum class TAlignment { kLeftJustify, kRightJustify, kCenter };

class TControl : public TObject {
 public:
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  ~TControl() override;

  virtual ControlKind Kind() const = 0;
  const std::string& Name() const { return name_; }
  // The form that owns the control (the form itself for a form).
  TForm& Form() const { return *form_; }
  // The form, a panel or a group box; null for a form.
  TWinControl* Parent() const { return parent_; }

  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  void SetBounds(int left, int top, int width, int height);
  // The place in the parent's client area, after alignment.
  TRect BoundsRect() const;
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // Caption and text are one value, as the toolkit always had them.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::string& Text() const { return caption_; }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  bool Visible() const { return visible_; }
  // For a form: shows or hides the window (see TForm).
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible together with every parent, and the form shown.
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Enabled together with every parent.
  bool EnabledWithParents() const;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // The control's own font, or its parent's while ParentFont holds.
  const TFont& Font() const;
  void SetFont(TFont font);
  bool ParentFont() const { return parentFont_; }

  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
  // Whether the control can take the keyboard focus now.
  virtual bool CanFocus() const;
  void SetFocus();
  bool Focused() const;

  TNotifyEvent OnClick;
  TKeyEvent OnKeyDown;

  // Runs OnClick, as a click does (buttons first hand their modal result to
  // the form). Exceptions go to the caller.
  virtual void Click();
  // What a click of the user does to this kind of control: a check box
  // toggles, a radio button becomes checked, a button clicks. Used by the
  // backends and the scripted user; the caller handles exceptions.
  virtual void UserClick();

  // Any state a backend must show changed. Public for the few places that
  // change a control in place (a picture's content).
  void Changed();

 protected:
  TControl(TForm* form, std::string name, TWinControl* parent);
  // The default colour of this kind, before the program sets one.
  void InitColor(TColor color) { color_ = color; }
  // Runs after the caption or text has changed.
  virtual void CaptionChanged() {}

 private:
  friend class TWinControl;
  friend class TForm;
  friend class TApplication;

  TForm* form_;
  std::string name_;
  TWinControl* parent_;
  TRect bounds_{};
  TAlign align_ = TAlign::kNone;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = kColorButtonFace;
  TFont font_;
  bool parentFont_ = true;
  int tabOrder_ = 0;
  bool tabStop_ = false;
};

// A control that holds others: the form, panels and group boxes.
class TWinControl : public TControl {
 public:
  // The children in creation order, which is also their stacking order
  // from bottom to top.
  const std::vector<TControl*>& Controls() const { return children_; }
  // The client area's size (the control's own size).
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }

 protected:
  using TControl::TControl;

 private:
  friend class TControl;
  friend class TForm;
  std::vector<TControl*> children_;
};

class TLabel : public TControl {
 public:
  TLabel(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kLabel; }
  bool CanFocus() const override { return false; }

  // A label with AutoSize takes the size of its text; the forms of this
  // system use fixed sizes.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  // A transparent label shows what is behind it instead of its colour.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 private:
  bool autoSize_ = false;
  bool wordWrap_ = false;
  bool transparent_ = false;
  TAlignment alignment_ = TAlignment::kLeftJustify;
};

class TButton : public TControl {
 public:
  TButton(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kButton; }

  // The default button is clicked by Enter unless another button has the
  // focus; the cancel button by Escape.
  bool Default() const { return default_; }
  void SetDefault(bool isDefault);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool isCancel);
  // Given to the form by every click, before OnClick runs; a modal form
  // whose result is not kNone closes.
  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult result);

  void Click() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  ModalResult modalResult_ = ModalResult::kNone;
};

// A button with a small picture beside its caption.
class TBitBtn : public TButton {
 public:
  TBitBtn(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kBitButton; }
  TPicture& Glyph() { return glyph_; }
  const TPicture& Glyph() const { return glyph_; }

 private:
  TPicture glyph_;
};

class TEdit : public TControl {
 public:
  TEdit(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kEdit; }
  // 0: no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  void UserClick() override;

 protected:
  void CaptionChanged() override;

 public:
  // Runs after every change of the text, also one the program makes.
  TNotifyEvent OnChange;

 private:
  int maxLength_ = 0;
  bool readOnly_ = false;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kCheckBox; }
  bool Checked() const { return checked_; }
  // A change runs OnClick; setting the state it already has is no change.
  void SetChecked(bool checked);
  void UserClick() override;

 private:
  bool checked_ = false;
};

// Radio buttons with the same parent form one group: checking one clears
// the others.
class TRadioButton : public TControl {
 public:
  TRadioButton(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kRadioButton; }
  bool Checked() const { return checked_; }
  // Checking runs OnClick when the button was not checked before;
  // unchecking (also of the siblings) runs nothing.
  void SetChecked(bool checked);
  void UserClick() override;

 private:
  bool checked_ = false;
};

enum class TBevelCut { kNone, kLowered, kRaised };
enum class TBorderLine { kNone, kSingle };

class TPanel : public TWinControl {
 public:
  TPanel(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kPanel; }
  bool CanFocus() const override { return false; }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  TBorderLine BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderLine style);

 private:
  TBevelCut bevelOuter_ = TBevelCut::kRaised;
  TBevelCut bevelInner_ = TBevelCut::kNone;
  TBorderLine borderStyle_ = TBorderLine::kNone;
};

// A frame with a caption in its top line.
class TGroupBox : public TWinControl {
 public:
  TGroupBox(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kGroupBox; }
  bool CanFocus() const override { return false; }
};

enum class TBevelShape { kBox, kFrame, kTopLine, kBottomLine, kLeftLine, kRightLine, kSpacer };
enum class TBevelStyle { kLowered, kRaised };

class TBevel : public TControl {
 public:
  TBevel(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kBevel; }
  bool CanFocus() const override { return false; }
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape shape);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle style);

 private:
  TBevelShape shape_ = TBevelShape::kBox;
  TBevelStyle style_ = TBevelStyle::kLowered;
};

class TImage : public TControl {
 public:
  TImage(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kImage; }
  bool CanFocus() const override { return false; }

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  // Stretch scales the picture to the control; otherwise Center centres it
  // unscaled, or it sits at the top left corner, clipped.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // AutoSize gives the control the picture's size when one is loaded.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);

 private:
  void PictureChanged();
  TPicture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};

// A bar with its percentage written in it. The value is kept within
// MinValue..MaxValue.
class TGauge : public TControl {
 public:
  TGauge(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kGauge; }
  bool CanFocus() const override { return false; }
  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  int Progress() const { return progress_; }
  void SetProgress(int value);
  // Whole percent of the range done, as the bar's text shows it.
  int PercentDone() const;
  bool ShowText() const { return showText_; }
  void SetShowText(bool showText);
  // The bar's colour, and the colour of the rest.
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor color);
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor color);

 private:
  int minValue_ = 0;
  int maxValue_ = 100;
  int progress_ = 0;
  bool showText_ = true;
  TColor foreColor_ = kColorBlack;
  TColor backColor_ = kColorWhite;
};

// A bar without text. The position is kept within Min..Max.
class TProgressBar : public TControl {
 public:
  TProgressBar(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kProgressBar; }
  bool CanFocus() const override { return false; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int value);
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

class TListBox : public TControl {
 public:
  TListBox(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kListBox; }
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(std::string item);
  void SetItems(std::vector<std::string> items);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // -1: nothing selected.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// The drives of the machine, one chosen. Choosing a drive switches the
// linked folder list to it.
class TDriveComboBox : public TControl {
 public:
  TDriveComboBox(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kDriveComboBox; }
  // Upper-case letter; 0 when the machine has no drives.
  char Drive() const { return drive_; }
  // Chooses a drive (either case); runs OnChange when it changes. Throws
  // vk::platform::Exception for a letter the machine does not map.
  void SetDrive(char letter);
  // The mapped drives' letters, upper case, in order.
  std::vector<char> Drives() const;
  // The rows shown: "c:" for every drive.
  std::vector<std::string> Items() const;
  TDirectoryListBox* DirList() const { return dirList_; }
  void SetDirList(TDirectoryListBox* list);

  TNotifyEvent OnChange;

 private:
  char drive_ = 0;
  TDirectoryListBox* dirList_ = nullptr;
};

// The folders of one drive as a tree-like list: the current folder's
// ancestors from the root down, the current folder, then its subfolders.
// Paths are Windows paths through the application's machine (host paths
// without one). The linked label shows the current folder, shortened with
// "..." to fit its width.
class TDirectoryListBox : public TControl {
 public:
  TDirectoryListBox(TForm* form, std::string name, TWinControl* parent);
  ControlKind Kind() const override { return ControlKind::kDirectoryListBox; }

  // The full path of the current folder ("C:\" for a root, "C:\a\b"
  // otherwise). At creation: the process's current folder when the machine
  // maps it, else the root of the first drive.
  const std::string& Directory() const { return directory_; }
  // Makes an existing folder current; runs OnChange. Throws
  // vk::platform::Exception for a folder that does not exist.
  void SetDirectory(std::string path);
  // Upper-case letter of the current folder's drive; 0 without a machine.
  char Drive() const;
  // Switches to the root of a drive.
  void SetDrive(char letter);

  struct Item {
    std::string caption;  // the folder's own name; "C:\" for the root
    std::string path;     // full path
    int level = 0;        // indentation: 0 for the root
    bool open = false;    // an ancestor or the current folder
  };
  const std::vector<Item>& Items() const { return items_; }
  // The row of the current folder.
  int ItemIndex() const;
  // Reads the folders again (after a change on disk).
  void Update();

  TLabel* DirLabel() const { return dirLabel_; }
  void SetDirLabel(TLabel* label);

  TNotifyEvent OnChange;

 private:
  void Fill();
  void UpdateLabel();
  std::string directory_;
  std::vector<Item> items_;
  TLabel* dirLabel_ = nullptr;
};

// Shortens a path to fit maxWidth, as the folder list's label shows it:
// "C:\...\last\name" with as many of the last components as fit. measure
// gives a text's width in pixels.
std::string MinimizeName(std::string_view path, int maxWidth,
                         const std::function<int(std::string_view)>& measure);

}  // namespace vk::toolkit
