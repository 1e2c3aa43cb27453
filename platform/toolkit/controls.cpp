#include "platform/toolkit/controls.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/machine.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/backend.h"
#include "platform/toolkit/form.h"
#include "platform/toolkit/toolkit_internal.h"

namespace vk::toolkit {

// ---------------------------------------------------------------- TControl

TControl::TControl(TForm* form, std::string name, TWinControl* parent)
    : form_(form), name_(std::move(name)), parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

TControl::~TControl() {
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TControl::Changed() {
  if (form_ && form_->application_) form_->application_->GetBackend().ControlChanged(*this);
}

void TControl::SetLeft(int left) { SetBounds(left, bounds_.top, bounds_.Width(), bounds_.Height()); }
void TControl::SetTop(int top) { SetBounds(bounds_.left, top, bounds_.Width(), bounds_.Height()); }
void TControl::SetWidth(int width) { SetBounds(bounds_.left, bounds_.top, width, bounds_.Height()); }
void TControl::SetHeight(int height) {
  SetBounds(bounds_.left, bounds_.top, bounds_.Width(), height);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const TRect bounds = MakeRect(left, top, std::max(width, 0), std::max(height, 0));
  if (bounds == bounds_) return;
  bounds_ = bounds;
  Changed();
}

TRect TControl::BoundsRect() const {
  if (align_ == TAlign::kClient && parent_)
    return MakeRect(0, 0, parent_->ClientWidth(), parent_->ClientHeight());
  return bounds_;
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  Changed();
}

void TControl::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
  CaptionChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (!visible_ && form_ && form_->activeControl_ && !form_->activeControl_->Showing())
    form_->activeControl_ = nullptr;
  Changed();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  return parent_ ? parent_->Showing() : true;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

bool TControl::EnabledWithParents() const {
  if (!enabled_) return false;
  return parent_ ? parent_->EnabledWithParents() : true;
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

const TFont& TControl::Font() const {
  if (parentFont_ && parent_) return parent_->Font();
  return font_;
}

void TControl::SetFont(TFont font) {
  font_ = std::move(font);
  parentFont_ = false;
  Changed();
}

void TControl::SetTabOrder(int order) { tabOrder_ = order; }

bool TControl::CanFocus() const { return Showing() && EnabledWithParents(); }

void TControl::SetFocus() {
  if (form_ && CanFocus()) form_->SetActiveControl(this);
}

bool TControl::Focused() const { return form_ && form_->ActiveControl() == this; }

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

void TControl::UserClick() {
  if (CanFocus()) SetFocus();
  Click();
}

// ---------------------------------------------------------------- kinds

TLabel::TLabel(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {}

void TLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  Changed();
}
void TLabel::SetWordWrap(bool wordWrap) {
  wordWrap_ = wordWrap;
  Changed();
}
void TLabel::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Changed();
}
void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Changed();
}

TButton::TButton(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  SetTabStop(true);
}

void TButton::SetDefault(bool isDefault) {
  default_ = isDefault;
  Changed();
}
void TButton::SetCancel(bool isCancel) {
  cancel_ = isCancel;
  Changed();
}
void TButton::SetModalResult(ModalResult result) { modalResult_ = result; }

void TButton::Click() {
  // The form learns the result before the handler runs, so a handler that
  // opens another modal form finds it set.
  if (modalResult_ != ModalResult::kNone) Form().SetModalResult(modalResult_);
  TControl::Click();
}

TBitBtn::TBitBtn(TForm* form, std::string name, TWinControl* parent)
    : TButton(form, std::move(name), parent) {
  glyph_.OnChange = [this] { Changed(); };
}

TEdit::TEdit(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  InitColor(kColorWindow);
  SetTabStop(true);
}

void TEdit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  Changed();
}

void TEdit::UserClick() {
  if (CanFocus()) SetFocus();
}

void TEdit::CaptionChanged() {
  if (OnChange) OnChange(*this);
}

TCheckBox::TCheckBox(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  SetTabStop(true);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
  Click();
}

void TCheckBox::UserClick() {
  if (CanFocus()) SetFocus();
  SetChecked(!checked_);
}

TRadioButton::TRadioButton(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {}

void TRadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  SetTabStop(checked);
  Changed();
  if (!checked) return;
  if (TWinControl* parent = Parent()) {
    for (TControl* sibling : parent->Controls()) {
      auto* radio = dynamic_cast<TRadioButton*>(sibling);
      if (radio && radio != this && radio->checked_) {
        radio->checked_ = false;
        radio->SetTabStop(false);
        radio->Changed();
      }
    }
  }
  Click();
}

void TRadioButton::UserClick() {
  if (CanFocus()) SetFocus();
  SetChecked(true);
}

TPanel::TPanel(TForm* form, std::string name, TWinControl* parent)
    : TWinControl(form, std::move(name), parent) {}

void TPanel::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  Changed();
}
void TPanel::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  Changed();
}
void TPanel::SetBorderStyle(TBorderLine style) {
  borderStyle_ = style;
  Changed();
}

TGroupBox::TGroupBox(TForm* form, std::string name, TWinControl* parent)
    : TWinControl(form, std::move(name), parent) {}

TBevel::TBevel(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {}

void TBevel::SetShape(TBevelShape shape) {
  shape_ = shape;
  Changed();
}
void TBevel::SetStyle(TBevelStyle style) {
  style_ = style;
  Changed();
}

TImage::TImage(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  picture_.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (autoSize_ && !picture_.Empty()) {
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  }
  Changed();
}

void TImage::SetStretch(bool stretch) {
  stretch_ = stretch;
  Changed();
}
void TImage::SetCenter(bool center) {
  center_ = center;
  Changed();
}
void TImage::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Changed();
}
void TImage::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  PictureChanged();
}

TGauge::TGauge(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {}

void TGauge::SetMinValue(int value) {
  minValue_ = value;
  if (maxValue_ < minValue_) maxValue_ = minValue_;
  SetProgress(progress_);
  Changed();
}

void TGauge::SetMaxValue(int value) {
  maxValue_ = value;
  if (minValue_ > maxValue_) minValue_ = maxValue_;
  SetProgress(progress_);
  Changed();
}

void TGauge::SetProgress(int value) {
  value = std::clamp(value, minValue_, maxValue_);
  if (value == progress_) return;
  progress_ = value;
  Changed();
}

int TGauge::PercentDone() const {
  const long long range = static_cast<long long>(maxValue_) - minValue_;
  if (range <= 0) return 0;
  return static_cast<int>((static_cast<long long>(progress_) - minValue_) * 100 / range);
}

void TGauge::SetShowText(bool showText) {
  showText_ = showText;
  Changed();
}
void TGauge::SetForeColor(TColor color) {
  foreColor_ = color;
  Changed();
}
void TGauge::SetBackColor(TColor color) {
  backColor_ = color;
  Changed();
}

TProgressBar::TProgressBar(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {}

void TProgressBar::SetMin(int value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
  Changed();
}

void TProgressBar::SetMax(int value) {
  max_ = value;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
  Changed();
}

void TProgressBar::SetPosition(int value) {
  value = std::clamp(value, min_, max_);
  if (value == position_) return;
  position_ = value;
  Changed();
}

TListBox::TListBox(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  InitColor(kColorWindow);
  SetTabStop(true);
}

void TListBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Changed();
}

void TListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= Count()) itemIndex_ = -1;
  Changed();
}

void TListBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Changed();
}

void TListBox::SetItemIndex(int index) {
  itemIndex_ = (index >= 0 && index < Count()) ? index : -1;
  Changed();
}

// ---------------------------------------------------------------- folders

namespace {

const vk::platform::Machine* CurrentMachine() {
  TApplication* application = CurrentApplication();
  return application ? application->HostMachine() : nullptr;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

// Folder paths of the list: Windows paths with a machine ("C:\" and
// "C:\a\b"), host paths without ("/" and "/a/b").
struct FolderPath {
  const vk::platform::Machine* machine;

  char Separator() const { return machine ? '\\' : '/'; }

  std::string Normalize(std::string path) const {
    if (machine) std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > RootLength(path) && path.back() == Separator()) path.pop_back();
    if (machine && path.size() == 2 && path[1] == ':') path += '\\';
    if (machine && path.size() >= 2 && path[1] == ':') path[0] = Upper(path[0]);
    return path;
  }

  std::size_t RootLength(const std::string& path) const {
    if (!machine) return path.empty() ? 0 : 1;
    return path.size() >= 3 ? 3 : path.size();
  }

  std::optional<std::filesystem::path> Host(const std::string& path) const {
    if (!machine) return std::filesystem::path(path);
    return machine->ToHost(path);
  }

  // The on-disk spelling of an existing folder.
  std::string Canonical(const std::string& path) const {
    auto host = Host(path);
    if (!host) return path;
    if (!machine) {
      std::error_code error;
      auto canonical = std::filesystem::weakly_canonical(*host, error);
      return error ? path : Normalize(canonical.string());
    }
    auto windows = machine->ToWindows(*host);
    return windows ? Normalize(*windows) : path;
  }

  bool Exists(const std::string& path) const {
    auto host = Host(path);
    std::error_code error;
    return host && std::filesystem::is_directory(*host, error);
  }

  std::string Join(const std::string& folder, const std::string& name) const {
    if (!folder.empty() && folder.back() == Separator()) return folder + name;
    return folder + Separator() + name;
  }

  std::vector<std::string> Children(const std::string& path) const {
    std::vector<std::string> names;
    auto host = Host(path);
    if (!host) return names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(*host, error), end; !error && it != end;
         it.increment(error)) {
      std::error_code typeError;
      if (!it->is_directory(typeError)) continue;
      const std::string name = it->path().filename().string();
      names.push_back(machine ? vk::platform::FromUtf8(name) : name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
  }

  std::string Initial() const {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (!machine) return error ? std::string("/") : current.string();
    if (!error) {
      if (auto windows = machine->ToWindows(current)) return Normalize(*windows);
    }
    if (machine->Drives().empty()) return {};
    return std::string(1, machine->Drives().begin()->first) + ":\\";
  }
};

}  // namespace

TDriveComboBox::TDriveComboBox(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  InitColor(kColorWindow);
  SetTabStop(true);
  FolderPath paths{CurrentMachine()};
  const std::string initial = paths.Initial();
  if (paths.machine && initial.size() >= 2 && initial[1] == ':') drive_ = Upper(initial[0]);
}

std::vector<char> TDriveComboBox::Drives() const {
  std::vector<char> letters;
  if (const vk::platform::Machine* machine = CurrentMachine()) {
    for (const auto& [letter, folder] : machine->Drives()) letters.push_back(Upper(letter));
  }
  return letters;
}

std::vector<std::string> TDriveComboBox::Items() const {
  std::vector<std::string> items;
  for (char letter : Drives()) {
    items.push_back(std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))) + ":");
  }
  return items;
}

void TDriveComboBox::SetDrive(char letter) {
  letter = Upper(letter);
  const std::vector<char> drives = Drives();
  if (std::find(drives.begin(), drives.end(), letter) == drives.end())
    throw vk::platform::Exception(std::string("Drive ") + letter + ": does not exist");
  if (letter == drive_) return;
  drive_ = letter;
  Changed();
  if (dirList_) dirList_->SetDrive(letter);
  if (OnChange) OnChange(*this);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) { dirList_ = list; }

TDirectoryListBox::TDirectoryListBox(TForm* form, std::string name, TWinControl* parent)
    : TControl(form, std::move(name), parent) {
  InitColor(kColorWindow);
  SetTabStop(true);
  FolderPath paths{CurrentMachine()};
  directory_ = paths.Initial();
  Fill();
}

void TDirectoryListBox::SetDirectory(std::string path) {
  FolderPath paths{CurrentMachine()};
  path = paths.Normalize(std::move(path));
  if (!paths.Exists(path))
    throw vk::platform::Exception("Folder " + path + " does not exist");
  path = paths.Canonical(path);
  if (path == directory_) return;
  directory_ = std::move(path);
  Fill();
  UpdateLabel();
  Changed();
  if (OnChange) OnChange(*this);
}

char TDirectoryListBox::Drive() const {
  if (!CurrentMachine() || directory_.size() < 2 || directory_[1] != ':') return 0;
  return Upper(directory_[0]);
}

void TDirectoryListBox::SetDrive(char letter) {
  if (Upper(letter) == Drive()) return;
  SetDirectory(std::string(1, Upper(letter)) + ":\\");
}

int TDirectoryListBox::ItemIndex() const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].path == directory_) return static_cast<int>(i);
  }
  return -1;
}

void TDirectoryListBox::Update() {
  Fill();
  Changed();
}

void TDirectoryListBox::Fill() {
  items_.clear();
  if (directory_.empty()) return;
  FolderPath paths{CurrentMachine()};
  const std::size_t rootLength = paths.RootLength(directory_);
  std::string current = directory_.substr(0, rootLength);
  items_.push_back(Item{current, current, 0, true});
  int level = 0;
  std::size_t at = rootLength;
  while (at < directory_.size()) {
    std::size_t next = directory_.find(paths.Separator(), at);
    if (next == std::string::npos) next = directory_.size();
    const std::string name = directory_.substr(at, next - at);
    current = paths.Join(current, name);
    items_.push_back(Item{name, current, ++level, true});
    at = next + 1;
  }
  for (const std::string& child : paths.Children(directory_)) {
    items_.push_back(Item{child, paths.Join(directory_, child), level + 1, false});
  }
}

void TDirectoryListBox::SetDirLabel(TLabel* label) {
  dirLabel_ = label;
  UpdateLabel();
}

void TDirectoryListBox::UpdateLabel() {
  if (!dirLabel_) return;
  const TFont font = dirLabel_->Font();
  dirLabel_->SetCaption(MinimizeName(directory_, dirLabel_->Width(), [&font](std::string_view text) {
    return MeasureText(font, text);
  }));
}

std::string MinimizeName(std::string_view path, int maxWidth,
                         const std::function<int(std::string_view)>& measure) {
  std::string text(path);
  if (measure(text) <= maxWidth) return text;
  const char separator = path.find('\\') != std::string_view::npos ? '\\' : '/';
  // Split into the drive ("C:" or empty) and the components.
  std::string drive;
  std::string rest = text;
  if (rest.size() >= 2 && rest[1] == ':') {
    drive = rest.substr(0, 2);
    rest = rest.substr(2);
  }
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= rest.size()) {
    std::size_t next = rest.find(separator, at);
    if (next == std::string::npos) next = rest.size();
    if (next > at) parts.push_back(rest.substr(at, next - at));
    at = next + 1;
  }
  if (parts.empty()) return text;
  const std::string name = parts.back();
  const std::string sep(1, separator);
  // Drop folders from the front, one at a time, keeping the drive.
  for (std::size_t skip = 1; skip < parts.size(); ++skip) {
    std::string candidate = drive + sep + "...";
    for (std::size_t i = skip; i < parts.size(); ++i) candidate += sep + parts[i];
    if (measure(candidate) <= maxWidth) return candidate;
  }
  const std::string shortest = "..." + sep + name;
  if (measure(shortest) <= maxWidth) return shortest;
  return name;
}

}  // namespace vk::toolkit
