#include "platform/toolkit/fltk/fltk_backend.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_JPEG_Image.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace vk::toolkit::fltk {
namespace {

class FltkBackend;

// ------------------------------------------------------------ conversions

Fl_Color ToFl(TColor color) {
  const TColor plain = ResolveColor(color);
  return fl_rgb_color(static_cast<uchar>(RedOf(plain)), static_cast<uchar>(GreenOf(plain)),
                      static_cast<uchar>(BlueOf(plain)));
}

Fl_Font ToFlFace(const TFont& font) {
  std::string name = font.name;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  Fl_Font face = FL_HELVETICA;
  if (name.find("times") != std::string::npos || name.find("serif") == 0) face = FL_TIMES;
  if (name.find("courier") != std::string::npos) face = FL_COURIER;
  if (font.bold) face += FL_BOLD;
  if (font.italic) face += FL_ITALIC;
  return face;
}

int ToFlSize(const TFont& font) { return std::max(font.PixelHeight(), 6); }

// Window texts: UTF-8, with the system's line break (character 13) as a
// line feed.
std::string ToScreenText(std::string_view text) {
  std::string utf8 = vk::platform::ToUtf8(text);
  std::replace(utf8.begin(), utf8.end(), '\r', '\n');
  return utf8;
}

// Labels drawn by FLTK read '@' as a symbol; the program's texts mean it
// literally.
std::string EscapeSymbols(std::string text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

std::uint16_t ToVirtualKey(int key) {
  switch (key) {
    case FL_Escape:
      return kKeyEscape;
    case FL_Enter:
    case FL_KP_Enter:
      return kKeyReturn;
    case FL_Tab:
      return kKeyTab;
    case FL_BackSpace:
      return kKeyBack;
    case FL_Left:
      return kKeyLeft;
    case FL_Up:
      return kKeyUp;
    case FL_Right:
      return kKeyRight;
    case FL_Down:
      return kKeyDown;
    case FL_Delete:
      return kKeyDelete;
    case ' ':
      return kKeySpace;
    default:
      break;
  }
  if (key >= FL_F + 1 && key <= FL_F + 12) return static_cast<std::uint16_t>(kKeyF1 + key - FL_F - 1);
  if (key >= 'a' && key <= 'z') return static_cast<std::uint16_t>(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return static_cast<std::uint16_t>(key);
  return 0;
}

TShiftState ToShift(int state) {
  TShiftState shift = kShiftNone;
  if (state & FL_SHIFT) shift |= kShiftShift;
  if (state & FL_ALT) shift |= kShiftAlt;
  if (state & FL_CTRL) shift |= kShiftControl;
  return shift;
}

// An FLTK image of a model bitmap (RGBA bytes), owning its pixels.
class ImageCopy {
 public:
  explicit ImageCopy(const TBitmap& bitmap) : width_(bitmap.Width()), height_(bitmap.Height()) {
    bytes_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    std::size_t at = 0;
    for (std::uint32_t pixel : bitmap.Pixels()) {
      bytes_[at++] = static_cast<uchar>((pixel >> 16) & 0xFF);
      bytes_[at++] = static_cast<uchar>((pixel >> 8) & 0xFF);
      bytes_[at++] = static_cast<uchar>(pixel & 0xFF);
      bytes_[at++] = static_cast<uchar>(pixel >> 24);
    }
    image_ = std::make_unique<Fl_RGB_Image>(bytes_.data(), width_, height_, 4);
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Draw(int x, int y) { image_->draw(x, y); }
  // Drawn scaled to w x h; the scaled copy is kept while the size stays.
  void DrawScaled(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return;
    if (w == width_ && h == height_) {
      image_->draw(x, y);
      return;
    }
    if (!scaled_ || scaled_->w() != w || scaled_->h() != h)
      scaled_.reset(image_->copy(w, h));
    scaled_->draw(x, y);
  }

 private:
  int width_;
  int height_;
  std::vector<uchar> bytes_;
  std::unique_ptr<Fl_RGB_Image> image_;
  std::unique_ptr<Fl_Image> scaled_;
};

// The canvas of a form's paint, drawing with FLTK in window coordinates.
class FltkCanvas : public TCanvas {
 public:
  void Draw(int x, int y, const TBitmap& bitmap) override { Copy(bitmap).Draw(x, y); }
  void StretchDraw(const TRect& rect, const TBitmap& bitmap) override {
    Copy(bitmap).DrawScaled(rect.left, rect.top, rect.Width(), rect.Height());
  }
  void FillRect(const TRect& rect) override {
    fl_rectf(rect.left, rect.top, rect.Width(), rect.Height(), ToFl(brush.color));
  }
  void TextOut(int x, int y, std::string_view text) override {
    fl_font(ToFlFace(font), ToFlSize(font));
    fl_color(ToFl(font.color));
    const std::string utf8 = vk::platform::ToUtf8(text);
    fl_draw(utf8.c_str(), x, y + fl_height() - fl_descent());
  }
  int TextWidth(std::string_view text) override {
    fl_font(ToFlFace(font), ToFlSize(font));
    const std::string utf8 = vk::platform::ToUtf8(text);
    return static_cast<int>(fl_width(utf8.c_str()));
  }

 private:
  // A paint handler draws the same bitmap many times (tiles): convert once.
  ImageCopy& Copy(const TBitmap& bitmap) {
    if (!copy_ || source_ != &bitmap || data_ != bitmap.Pixels().data()) {
      copy_ = std::make_unique<ImageCopy>(bitmap);
      source_ = &bitmap;
      data_ = bitmap.Pixels().data();
    }
    return *copy_;
  }
  std::unique_ptr<ImageCopy> copy_;
  const TBitmap* source_ = nullptr;
  const std::uint32_t* data_ = nullptr;
};

// ------------------------------------------------------------ widgets

// Every widget of a control sends keys and focus to the model first.
class FltkBackend;
bool RouteKey(FltkBackend& backend, TControl* control);
void FocusedIn(FltkBackend& backend, TControl* control);

// Which control a widget with callbacks shows (its user data is the
// backend).
class ControlLink {
 public:
  explicit ControlLink(TControl& control) : control_(control) {}
  virtual ~ControlLink() = default;
  TControl& Control() { return control_; }

 protected:
  TControl& control_;
};

TControl* ControlOf(Fl_Widget* widget) {
  auto* link = dynamic_cast<ControlLink*>(widget);
  return link ? &link->Control() : nullptr;
}

template <class Base>
class Hooked : public Base, public ControlLink {
 public:
  Hooked(FltkBackend& backend, TControl& control, int x, int y, int w, int h)
      : Base(x, y, w, h), ControlLink(control), backend_(backend) {}
  int handle(int event) override {
    if (event == FL_KEYBOARD && RouteKey(backend_, &control_)) return 1;
    if (event == FL_FOCUS) FocusedIn(backend_, &control_);
    return Base::handle(event);
  }

 private:
  FltkBackend& backend_;
};

class LabelWidget : public Fl_Widget {
 public:
  LabelWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void Set(const TLabel& label) {
    text_ = EscapeSymbols(ToScreenText(label.Caption()));
    font_ = label.Font();
    transparent_ = label.Transparent();
    wrap_ = label.WordWrap();
    alignment_ = label.Alignment();
    color(ToFl(label.Color()));
  }
  void draw() override {
    if (!transparent_) fl_rectf(x(), y(), w(), h(), color());
    fl_font(ToFlFace(font_), ToFlSize(font_));
    fl_color(active_r() ? ToFl(font_.color) : fl_inactive(ToFl(font_.color)));
    Fl_Align align = FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    if (alignment_ == TAlignment::kLeftJustify) align |= FL_ALIGN_LEFT;
    if (alignment_ == TAlignment::kRightJustify) align |= FL_ALIGN_RIGHT;
    if (wrap_) align |= FL_ALIGN_WRAP;
    fl_push_clip(x(), y(), w(), h());
    fl_draw(text_.c_str(), x(), y(), w(), h(), align, nullptr, 1);
    fl_pop_clip();
  }

 private:
  std::string text_;
  TFont font_;
  bool transparent_ = false;
  bool wrap_ = false;
  TAlignment alignment_ = TAlignment::kLeftJustify;
};

class ImageWidget : public Fl_Widget {
 public:
  ImageWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void Set(const TImage& image) {
    if (image.Picture().Bitmap() != bitmap_) {
      bitmap_ = image.Picture().Bitmap();
      copy_.reset();
      if (bitmap_ && !bitmap_->Empty()) copy_ = std::make_unique<ImageCopy>(*bitmap_);
    }
    stretch_ = image.Stretch();
    center_ = image.Center();
  }
  void draw() override {
    if (!copy_) return;
    fl_push_clip(x(), y(), w(), h());
    if (stretch_) {
      copy_->DrawScaled(x(), y(), w(), h());
    } else if (center_) {
      copy_->Draw(x() + (w() - copy_->Width()) / 2, y() + (h() - copy_->Height()) / 2);
    } else {
      copy_->Draw(x(), y());
    }
    fl_pop_clip();
  }

 private:
  std::shared_ptr<const TBitmap> bitmap_;
  std::unique_ptr<ImageCopy> copy_;
  bool stretch_ = false;
  bool center_ = false;
};

class BevelWidget : public Fl_Widget {
 public:
  BevelWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void Set(const TBevel& bevel) {
    shape_ = bevel.Shape();
    lowered_ = bevel.Style() == TBevelStyle::kLowered;
  }
  void draw() override {
    const Fl_Color dark = FL_DARK3;
    const Fl_Color light = FL_WHITE;
    const Fl_Color first = lowered_ ? dark : light;
    const Fl_Color second = lowered_ ? light : dark;
    const int r = x() + w() - 1;
    const int b = y() + h() - 1;
    auto horizontal = [&](int yy) {
      fl_color(first);
      fl_xyline(x(), yy, r);
      fl_color(second);
      fl_xyline(x(), yy + 1, r);
    };
    auto vertical = [&](int xx) {
      fl_color(first);
      fl_yxline(xx, y(), b);
      fl_color(second);
      fl_yxline(xx + 1, y(), b);
    };
    switch (shape_) {
      case TBevelShape::kBox:
        fl_draw_box(lowered_ ? FL_THIN_DOWN_FRAME : FL_THIN_UP_FRAME, x(), y(), w(), h(), FL_BLACK);
        break;
      case TBevelShape::kFrame:
        fl_draw_box(lowered_ ? FL_ENGRAVED_FRAME : FL_EMBOSSED_FRAME, x(), y(), w(), h(), FL_BLACK);
        break;
      case TBevelShape::kTopLine:
        horizontal(y());
        break;
      case TBevelShape::kBottomLine:
        horizontal(b - 1);
        break;
      case TBevelShape::kLeftLine:
        vertical(x());
        break;
      case TBevelShape::kRightLine:
        vertical(r - 1);
        break;
      case TBevelShape::kSpacer:
        break;
    }
  }

 private:
  TBevelShape shape_ = TBevelShape::kBox;
  bool lowered_ = true;
};

class GaugeWidget : public Fl_Widget {
 public:
  GaugeWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void Set(const TGauge& gauge) {
    percent_ = gauge.PercentDone();
    showText_ = gauge.ShowText();
    fore_ = ToFl(gauge.ForeColor());
    back_ = ToFl(gauge.BackColor());
    font_ = gauge.Font();
  }
  void draw() override {
    fl_draw_box(FL_DOWN_BOX, x(), y(), w(), h(), back_);
    const int inner = w() - 4;
    const int filled = inner * std::clamp(percent_, 0, 100) / 100;
    if (filled > 0) fl_rectf(x() + 2, y() + 2, filled, h() - 4, fore_);
    if (!showText_) return;
    const std::string text = std::to_string(percent_) + "%";
    fl_font(ToFlFace(font_), ToFlSize(font_));
    fl_color(ToFl(font_.color));
    fl_draw(text.c_str(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
  }

 private:
  int percent_ = 0;
  bool showText_ = true;
  Fl_Color fore_ = FL_BLACK;
  Fl_Color back_ = FL_WHITE;
  TFont font_;
};

// ------------------------------------------------------------ form windows

class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(FltkBackend& backend, TForm& form)
      : Fl_Double_Window(form.Left(), form.Top(), std::max(form.Width(), 1),
                         std::max(form.Height(), 1)),
        backend_(backend),
        form_(form) {
    end();
    Fl_Group::current(nullptr);
    callback(&FormWindow::Closing, this);
  }
  TForm& Form() { return form_; }
  void draw() override;
  int handle(int event) override;

 private:
  static void Closing(Fl_Widget*, void* self);
  FltkBackend& backend_;
  TForm& form_;
};

// ------------------------------------------------------------ message boxes

class MessageDialog {
 public:
  explicit MessageDialog(const MessageBoxRequest& request) : request_(request) {}

  ModalResult Run(int screenWidth, int screenHeight) {
    const std::string text = EscapeSymbols(ToScreenText(request_.text));
    fl_font(FL_HELVETICA, 14);
    int textWidth = 360;
    int textHeight = 0;
    fl_measure(text.c_str(), textWidth, textHeight, 0);
    textWidth = std::clamp(textWidth, 160, 560);
    textHeight = 0;
    int measureWidth = textWidth;
    fl_measure(text.c_str(), measureWidth, textHeight, 0);
    const bool hasIcon = request_.icon != MessageIcon::kNone;
    const int iconSpace = hasIcon ? 60 : 0;
    const std::vector<ModalResult> buttons = Buttons();
    const int buttonsWidth = static_cast<int>(buttons.size()) * 90;
    const int width = std::max(iconSpace + textWidth + 30, buttonsWidth + 20);
    const int height = std::max(textHeight, hasIcon ? 40 : 0) + 75;

    Fl_Double_Window window((screenWidth - width) / 2, (screenHeight - height) / 2, width, height);
    const std::string caption = vk::platform::ToUtf8(request_.caption);
    window.copy_label(caption.c_str());
    if (hasIcon) {
      auto* icon = new Fl_Box(15, 15, 40, 40);
      icon->box(FL_OVAL_BOX);
      icon->labelfont(FL_TIMES_BOLD);
      icon->labelsize(28);
      switch (request_.icon) {
        case MessageIcon::kError:
          icon->label("X");
          icon->color(FL_RED);
          icon->labelcolor(FL_WHITE);
          break;
        case MessageIcon::kExclamation:
          icon->label("!");
          icon->color(FL_YELLOW);
          break;
        case MessageIcon::kInformation:
          icon->label("i");
          icon->color(FL_BLUE);
          icon->labelcolor(FL_WHITE);
          break;
        case MessageIcon::kQuestion:
          icon->label("?");
          icon->color(FL_BLUE);
          icon->labelcolor(FL_WHITE);
          break;
        case MessageIcon::kNone:
          break;
      }
    }
    auto* message = new Fl_Box(15 + iconSpace, 15, textWidth, std::max(textHeight, 20));
    message->copy_label(text.c_str());
    message->labelsize(14);
    message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_TOP);
    int x = (width - buttonsWidth) / 2;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      // The first button is the default: Enter presses it.
      Fl_Button* button = i == 0 ? new Fl_Return_Button(x + 5, height - 40, 80, 27, Name(buttons[i]))
                                 : new Fl_Button(x + 5, height - 40, 80, 27, Name(buttons[i]));
      // FLTK keeps a callback's argument in its user data; the dialog
      // finds the result by the widget instead.
      button->callback(&MessageDialog::Pressed, this);
      pressed_.emplace_back(button, buttons[i]);
      x += 90;
    }
    window.end();
    window.set_modal();
    window.callback(&MessageDialog::Closed, this);
    buttons_ = buttons;
    window_ = &window;
    window.show();
    // Only now: on X11, focus taken in a window without its X window makes
    // that window, which ends the group, so later buttons would belong to
    // no window (never shown, never freed).
    pressed_.front().first->take_focus();
    Fl_Window* grab = Fl::grab();
    if (grab) Fl::grab(nullptr);
    while (window.shown()) Fl::wait();
    if (grab) Fl::grab(grab);
    return result_;
  }

 private:
  std::vector<ModalResult> Buttons() const {
    switch (request_.buttons) {
      case MessageButtons::kOk:
        return {ModalResult::kOk};
      case MessageButtons::kOkCancel:
        return {ModalResult::kOk, ModalResult::kCancel};
      case MessageButtons::kYesNo:
        return {ModalResult::kYes, ModalResult::kNo};
      case MessageButtons::kYesNoCancel:
        return {ModalResult::kYes, ModalResult::kNo, ModalResult::kCancel};
      case MessageButtons::kRetryCancel:
        return {ModalResult::kRetry, ModalResult::kCancel};
    }
    return {ModalResult::kOk};
  }
  static const char* Name(ModalResult result) {
    switch (result) {
      case ModalResult::kOk:
        return "OK";
      case ModalResult::kCancel:
        return "Cancel";
      case ModalResult::kYes:
        return "&Yes";
      case ModalResult::kNo:
        return "&No";
      case ModalResult::kRetry:
        return "&Retry";
      default:
        return "?";
    }
  }
  static void Pressed(Fl_Widget* widget, void* data) {
    auto* self = static_cast<MessageDialog*>(data);
    for (const auto& [button, result] : self->pressed_) {
      if (button == widget) self->result_ = result;
    }
    self->window_->hide();
  }
  // Escape and the close box: Cancel where there is one, else No, else OK.
  static void Closed(Fl_Widget*, void* data) {
    auto* self = static_cast<MessageDialog*>(data);
    const auto& buttons = self->buttons_;
    auto has = [&](ModalResult r) { return std::find(buttons.begin(), buttons.end(), r) != buttons.end(); };
    self->result_ = has(ModalResult::kCancel) ? ModalResult::kCancel
                    : has(ModalResult::kNo)   ? ModalResult::kNo
                                              : buttons.front();
    self->window_->hide();
  }

  const MessageBoxRequest& request_;
  std::vector<ModalResult> buttons_;
  std::vector<std::pair<Fl_Widget*, ModalResult>> pressed_;
  Fl_Window* window_ = nullptr;
  ModalResult result_ = ModalResult::kCancel;
};

// ------------------------------------------------------------ the backend

struct ControlWidget {
  Fl_Widget* widget = nullptr;
  Fl_Group* group = nullptr;  // for containers: where the children go
};

class FltkBackend : public Backend {
 public:
  FltkBackend() { start_ = std::chrono::steady_clock::now(); }
  ~FltkBackend() override {
    for (auto& [form, window] : windows_) delete window;
  }

  void Attach(TApplication& application) override { application_ = &application; }
  void Detach(TApplication& application) override {
    if (application_ == &application) application_ = nullptr;
  }

  void FormCreated(TForm& form) override {
    auto* window = new FormWindow(*this, form);
    windows_[&form] = window;
    dirty_.insert(&form);
  }

  void FormDestroying(TForm& form) override {
    auto found = windows_.find(&form);
    if (found == windows_.end()) return;
    for (TControl* control : form.AllControls()) widgets_.erase(control);
    dirty_.erase(&form);
    delete found->second;  // deletes the widgets inside
    windows_.erase(found);
  }

  void FormShown(TForm& form) override {
    FormWindow* window = WindowOf(form);
    if (!window) return;
    Sync(form);
    window->clear_modal_states();
    if (form.Modal()) window->set_modal();
    if (form.BorderStyle() == TBorderStyle::kNone) window->border(0);
    if (form.BorderStyle() != TBorderStyle::kSizeable &&
        form.BorderStyle() != TBorderStyle::kSizeToolWindow)
      window->size_range(window->w(), window->h(), window->w(), window->h());
    window->show();
    ApplyWindowState(form, *window);
    focused_[&form] = nullptr;
    ApplyFocus(form);
    Fl::flush();
  }

  void FormHidden(TForm& form) override {
    if (FormWindow* window = WindowOf(form)) window->hide();
  }

  void ControlChanged(TControl& control) override {
    dirty_.insert(&control.Form());
    if (control.Kind() == ControlKind::kForm) {
      if (FormWindow* window = WindowOf(control.Form())) window->redraw();
    }
  }

  void Invalidate(TForm& form) override {
    if (FormWindow* window = WindowOf(form)) window->redraw();
  }

  void CursorChanged(TCursor cursor) override {
    const Fl_Cursor shape = cursor == TCursor::kHourGlass ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT;
    for (auto& [form, window] : windows_) {
      if (window->shown()) window->cursor(shape);
    }
    Fl::flush();
  }

  void WaitForInput(TForm*) override {
    SyncAll();
    Fl::wait(0.25);
    SyncAll();
  }

  void ProcessMessages() override {
    // A paint handler that lets messages run must not start another paint.
    if (painting_ > 0) return;
    SyncAll();
    Fl::check();
  }

  ModalResult ShowMessageBox(const MessageBoxRequest& request) override {
    SyncAll();
    MessageDialog dialog(request);
    return dialog.Run(Fl::w(), Fl::h());
  }

  TSize ScreenSize() override { return TSize{Fl::w(), Fl::h()}; }

  int TextWidth(const TFont& font, std::string_view text) override {
    fl_font(ToFlFace(font), ToFlSize(font));
    const std::string utf8 = vk::platform::ToUtf8(text);
    return static_cast<int>(fl_width(utf8.c_str()));
  }

  std::uint32_t TickCount() override {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start_)
                                          .count());
  }

  // From the widgets.
  void Dispatch(const std::function<void()>& event) {
    if (application_) {
      application_->Dispatch(event);
    } else {
      event();
    }
    SyncAll();
  }

  bool RouteKey(TControl* control) {
    const std::uint16_t key = ToVirtualKey(Fl::event_key());
    if (key == 0) return false;
    // Printable keys and editing keys belong to the edit field unless its
    // handler takes them; the model acts on the dialog keys.
    bool handled = false;
    TForm& form = control->Form();
    Dispatch([&] { handled = form.KeyDown(control, key, ToShift(Fl::event_state())); });
    return handled;
  }

  bool RouteWindowKey(TForm& form) {
    const std::uint16_t key = ToVirtualKey(Fl::event_key());
    if (key == 0) return false;
    bool handled = false;
    Dispatch([&] { handled = form.KeyDown(nullptr, key, ToShift(Fl::event_state())); });
    return handled;
  }

  void FocusedIn(TControl* control) {
    focused_[&control->Form()] = control;
    if (control->Form().ActiveControl() != control) control->Form().SetActiveControl(control);
  }

  void Paint(TForm& form) {
    ++painting_;
    struct Done {
      int& painting;
      ~Done() { --painting; }
    } done{painting_};
    FltkCanvas canvas;
    form.Paint(canvas);
  }

  void Closing(TForm& form) {
    // Escape is the model's business (cancel buttons, key handlers); only
    // the close box closes.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    Dispatch([&form] { form.CloseBoxClicked(); });
  }

 private:
  FormWindow* WindowOf(TForm& form) {
    auto found = windows_.find(&form);
    return found == windows_.end() ? nullptr : found->second;
  }

  void SyncAll() {
    while (!dirty_.empty()) {
      TForm* form = *dirty_.begin();
      dirty_.erase(dirty_.begin());
      Sync(*form);
    }
  }

  // Brings the window and every widget of a form up to the model.
  void Sync(TForm& form) {
    FormWindow* window = WindowOf(form);
    if (!window) return;
    const std::string caption = vk::platform::ToUtf8(form.Caption());
    if (!window->label() || caption != window->label()) window->copy_label(caption.c_str());
    window->color(ToFl(form.Color()));
    if (form.WindowState() != TWindowState::kMaximized &&
        (window->x() != form.Left() || window->y() != form.Top() ||
         window->w() != std::max(form.Width(), 1) || window->h() != std::max(form.Height(), 1))) {
      window->size_range(1, 1);
      window->resize(form.Left(), form.Top(), std::max(form.Width(), 1), std::max(form.Height(), 1));
    }
    for (TControl* control : form.AllControls()) SyncControl(*window, *control);
    if (window->shown()) {
      ApplyWindowState(form, *window);
      ApplyFocus(form);
    }
    window->redraw();
  }

  void ApplyWindowState(TForm& form, FormWindow& window) {
    switch (form.WindowState()) {
      case TWindowState::kMaximized: {
        int x = 0, y = 0, w = 0, h = 0;
        Fl::screen_work_area(x, y, w, h);
        if (window.x() != x || window.y() != y || window.w() != w || window.h() != h) {
          window.size_range(1, 1);
          window.resize(x, y, w, h);
        }
        break;
      }
      case TWindowState::kMinimized:
        if (window.visible()) window.iconize();
        break;
      case TWindowState::kNormal:
        break;
    }
  }

  void ApplyFocus(TForm& form) {
    TControl* wanted = form.ActiveControl();
    if (focused_[&form] == wanted) return;
    focused_[&form] = wanted;
    if (!wanted) return;
    auto found = widgets_.find(wanted);
    if (found != widgets_.end() && found->second.widget->visible_r()) found->second.widget->take_focus();
  }

  Fl_Group* GroupOf(FormWindow& window, TControl& control) {
    TWinControl* parent = control.Parent();
    if (!parent || parent->Kind() == ControlKind::kForm) return &window;
    auto found = widgets_.find(parent);
    return found != widgets_.end() && found->second.group ? found->second.group : &window;
  }

  // Widgets sit at window coordinates in FLTK; the model places them in
  // their parent's client area.
  static TRect WindowRect(const TControl& control) {
    TRect rect = control.BoundsRect();
    for (TWinControl* parent = control.Parent(); parent && parent->Kind() != ControlKind::kForm;
         parent = parent->Parent()) {
      rect.left += parent->Left();
      rect.right += parent->Left();
      rect.top += parent->Top();
      rect.bottom += parent->Top();
    }
    return rect;
  }

  ControlWidget Create(TControl& control, const TRect& r) {
    const int x = r.left, y = r.top, w = std::max(r.Width(), 1), h = std::max(r.Height(), 1);
    ControlWidget made;
    switch (control.Kind()) {
      case ControlKind::kLabel:
        made.widget = new LabelWidget(x, y, w, h);
        break;
      case ControlKind::kButton:
      case ControlKind::kBitButton: {
        auto* button = new Hooked<Fl_Button>(*this, control, x, y, w, h);
        button->callback(&FltkBackend::Clicked, this);
        made.widget = button;
        break;
      }
      case ControlKind::kEdit: {
        auto* input = new Hooked<Fl_Input>(*this, control, x, y, w, h);
        input->when(FL_WHEN_CHANGED);
        input->callback(&FltkBackend::Edited, this);
        made.widget = input;
        break;
      }
      case ControlKind::kCheckBox: {
        auto* box = new Hooked<Fl_Check_Button>(*this, control, x, y, w, h);
        box->callback(&FltkBackend::Clicked, this);
        made.widget = box;
        break;
      }
      case ControlKind::kRadioButton: {
        // The model keeps the group; FLTK's own radio logic stays out.
        auto* radio = new Hooked<Fl_Round_Button>(*this, control, x, y, w, h);
        radio->type(FL_TOGGLE_BUTTON);
        radio->callback(&FltkBackend::Clicked, this);
        made.widget = radio;
        break;
      }
      case ControlKind::kPanel:
      case ControlKind::kGroupBox: {
        auto* group = new Fl_Group(x, y, w, h);
        group->end();
        Fl_Group::current(nullptr);
        made.widget = group;
        made.group = group;
        break;
      }
      case ControlKind::kBevel:
        made.widget = new BevelWidget(x, y, w, h);
        break;
      case ControlKind::kImage:
        made.widget = new ImageWidget(x, y, w, h);
        break;
      case ControlKind::kGauge:
        made.widget = new GaugeWidget(x, y, w, h);
        break;
      case ControlKind::kProgressBar: {
        auto* progress = new Fl_Progress(x, y, w, h);
        progress->selection_color(ToFl(kColorHighlight));
        made.widget = progress;
        break;
      }
      case ControlKind::kListBox:
      case ControlKind::kDirectoryListBox: {
        auto* browser = new Hooked<Fl_Hold_Browser>(*this, control, x, y, w, h);
        browser->format_char(0);
        browser->callback(&FltkBackend::Chosen, this);
        made.widget = browser;
        break;
      }
      case ControlKind::kDriveComboBox: {
        auto* choice = new Hooked<Fl_Choice>(*this, control, x, y, w, h);
        choice->callback(&FltkBackend::Chosen, this);
        made.widget = choice;
        break;
      }
      case ControlKind::kForm:
        break;
    }
    return made;
  }

  void SyncControl(FormWindow& window, TControl& control) {
    if (control.Kind() == ControlKind::kForm) return;
    const TRect rect = WindowRect(control);
    auto found = widgets_.find(&control);
    if (found == widgets_.end()) {
      ControlWidget made = Create(control, rect);
      if (!made.widget) return;
      Fl_Group::current(nullptr);
      GroupOf(window, control)->add(made.widget);
      found = widgets_.emplace(&control, made).first;
    }
    Fl_Widget* widget = found->second.widget;
    if (widget->x() != rect.left || widget->y() != rect.top || widget->w() != rect.Width() ||
        widget->h() != rect.Height()) {
      if (found->second.group) {
        // Fl_Group::resize would move the children a second time; they are
        // placed from the model anyway.
        widget->Fl_Widget::resize(rect.left, rect.top, std::max(rect.Width(), 1),
                                  std::max(rect.Height(), 1));
      } else {
        widget->resize(rect.left, rect.top, std::max(rect.Width(), 1), std::max(rect.Height(), 1));
      }
    }
    if (control.Visible()) {
      widget->show();
    } else {
      widget->hide();
    }
    if (control.Enabled()) {
      widget->activate();
    } else {
      widget->deactivate();
    }
    const TFont& font = control.Font();
    widget->labelfont(ToFlFace(font));
    widget->labelsize(ToFlSize(font));
    widget->labelcolor(ToFl(font.color));
    const std::string label = ToScreenText(control.Caption());
    switch (control.Kind()) {
      case ControlKind::kLabel:
        static_cast<LabelWidget*>(widget)->Set(static_cast<TLabel&>(control));
        break;
      case ControlKind::kButton:
      case ControlKind::kBitButton: {
        widget->copy_label(EscapeSymbols(label).c_str());
        widget->color(ToFl(control.Color()));
        auto& button = static_cast<TButton&>(control);
        static_cast<Fl_Button*>(widget)->box(button.Default() ? FL_ENGRAVED_BOX : FL_UP_BOX);
        break;
      }
      case ControlKind::kEdit: {
        auto* input = static_cast<Fl_Input*>(widget);
        if (label != input->value()) input->value(label.c_str());
        auto& edit = static_cast<TEdit&>(control);
        input->readonly(edit.ReadOnly() ? 1 : 0);
        input->maximum_size(edit.MaxLength() > 0 ? edit.MaxLength() : 32767);
        input->textfont(ToFlFace(font));
        input->textsize(ToFlSize(font));
        input->textcolor(ToFl(font.color));
        input->color(ToFl(control.Color()));
        break;
      }
      case ControlKind::kCheckBox:
        widget->copy_label(EscapeSymbols(label).c_str());
        widget->color(ToFl(control.Color()));
        static_cast<Fl_Button*>(widget)->value(static_cast<TCheckBox&>(control).Checked() ? 1 : 0);
        break;
      case ControlKind::kRadioButton:
        widget->copy_label(EscapeSymbols(label).c_str());
        widget->color(ToFl(control.Color()));
        static_cast<Fl_Button*>(widget)->value(static_cast<TRadioButton&>(control).Checked() ? 1 : 0);
        break;
      case ControlKind::kPanel: {
        auto& panel = static_cast<TPanel&>(control);
        Fl_Boxtype box = FL_FLAT_BOX;
        if (panel.BevelOuter() == TBevelCut::kRaised) box = FL_THIN_UP_BOX;
        if (panel.BevelOuter() == TBevelCut::kLowered) box = FL_THIN_DOWN_BOX;
        if (panel.BorderStyle() == TBorderLine::kSingle) box = FL_BORDER_BOX;
        widget->box(box);
        widget->color(ToFl(control.Color()));
        widget->copy_label(EscapeSymbols(label).c_str());
        widget->align(FL_ALIGN_CENTER | FL_ALIGN_INSIDE);
        break;
      }
      case ControlKind::kGroupBox:
        widget->box(FL_ENGRAVED_FRAME);
        widget->copy_label(EscapeSymbols(label).c_str());
        widget->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
        break;
      case ControlKind::kBevel:
        static_cast<BevelWidget*>(widget)->Set(static_cast<TBevel&>(control));
        break;
      case ControlKind::kImage:
        static_cast<ImageWidget*>(widget)->Set(static_cast<TImage&>(control));
        break;
      case ControlKind::kGauge:
        static_cast<GaugeWidget*>(widget)->Set(static_cast<TGauge&>(control));
        break;
      case ControlKind::kProgressBar: {
        auto& bar = static_cast<TProgressBar&>(control);
        auto* progress = static_cast<Fl_Progress*>(widget);
        progress->minimum(static_cast<float>(bar.Min()));
        progress->maximum(static_cast<float>(bar.Max()));
        progress->value(static_cast<float>(bar.Position()));
        break;
      }
      case ControlKind::kListBox: {
        auto& list = static_cast<TListBox&>(control);
        auto* browser = static_cast<Fl_Hold_Browser*>(widget);
        browser->clear();
        for (const std::string& item : list.Items()) browser->add(ToScreenText(item).c_str());
        if (list.ItemIndex() >= 0) browser->select(list.ItemIndex() + 1);
        break;
      }
      case ControlKind::kDirectoryListBox: {
        auto& list = static_cast<TDirectoryListBox&>(control);
        auto* browser = static_cast<Fl_Hold_Browser*>(widget);
        browser->clear();
        for (const auto& item : list.Items()) {
          const std::string line =
              std::string(static_cast<std::size_t>(item.level) * 3, ' ') +
              (item.open ? "- " : "+ ") + ToScreenText(item.caption);
          browser->add(line.c_str());
        }
        if (list.ItemIndex() >= 0) browser->select(list.ItemIndex() + 1);
        break;
      }
      case ControlKind::kDriveComboBox: {
        auto& drives = static_cast<TDriveComboBox&>(control);
        auto* choice = static_cast<Fl_Choice*>(widget);
        choice->clear();
        const std::vector<char> letters = drives.Drives();
        for (const std::string& item : drives.Items()) choice->add(item.c_str());
        for (std::size_t i = 0; i < letters.size(); ++i) {
          if (letters[i] == drives.Drive()) choice->value(static_cast<int>(i));
        }
        break;
      }
      case ControlKind::kForm:
        break;
    }
    widget->redraw();
  }

  static void Clicked(Fl_Widget* widget, void* self) {
    TControl* control = ControlOf(widget);
    if (!control) return;
    static_cast<FltkBackend*>(self)->Dispatch([control] { control->UserClick(); });
  }

  static void Edited(Fl_Widget* widget, void* self) {
    TControl* control = ControlOf(widget);
    if (!control) return;
    const std::string text = vk::platform::FromUtf8(static_cast<Fl_Input*>(widget)->value());
    static_cast<FltkBackend*>(self)->Dispatch([control, text] { control->SetText(text); });
  }

  static void Chosen(Fl_Widget* widget, void* self) {
    auto* backend = static_cast<FltkBackend*>(self);
    TControl* control = ControlOf(widget);
    if (auto* list = dynamic_cast<TDirectoryListBox*>(control)) {
      const int line = static_cast<Fl_Hold_Browser*>(widget)->value();
      if (line < 1 || static_cast<std::size_t>(line) > list->Items().size()) return;
      const std::string path = list->Items()[static_cast<std::size_t>(line - 1)].path;
      backend->Dispatch([list, path] { list->SetDirectory(path); });
    } else if (auto* box = dynamic_cast<TListBox*>(control)) {
      const int line = static_cast<Fl_Hold_Browser*>(widget)->value();
      backend->Dispatch([box, line] { box->SetItemIndex(line - 1); });
    } else if (auto* drives = dynamic_cast<TDriveComboBox*>(control)) {
      const int index = static_cast<Fl_Choice*>(widget)->value();
      const std::vector<char> letters = drives->Drives();
      if (index < 0 || static_cast<std::size_t>(index) >= letters.size()) return;
      const char letter = letters[static_cast<std::size_t>(index)];
      backend->Dispatch([drives, letter] { drives->SetDrive(letter); });
    }
  }

  TApplication* application_ = nullptr;
  std::map<TForm*, FormWindow*> windows_;
  std::map<TControl*, ControlWidget> widgets_;
  std::map<TForm*, TControl*> focused_;
  std::set<TForm*> dirty_;
  int painting_ = 0;
  std::chrono::steady_clock::time_point start_;
};

bool RouteKey(FltkBackend& backend, TControl* control) { return backend.RouteKey(control); }
void FocusedIn(FltkBackend& backend, TControl* control) { backend.FocusedIn(control); }

void FormWindow::draw() {
  fl_rectf(0, 0, w(), h(), ToFl(form_.Color()));
  backend_.Paint(form_);
  draw_children();
}

int FormWindow::handle(int event) {
  const int used = Fl_Double_Window::handle(event);
  if (used) return used;
  // Keys no widget took (a form without focusable controls, or keys the
  // focused widget ignores as shortcuts).
  if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
    if (backend_.RouteWindowKey(form_)) return 1;
  }
  return 0;
}

void FormWindow::Closing(Fl_Widget*, void* self) {
  auto* window = static_cast<FormWindow*>(self);
  window->backend_.Closing(window->form_);
}

TBitmap FromFlImage(Fl_RGB_Image& image) {
  TBitmap bitmap(image.w(), image.h());
  const int depth = image.d();
  const int line = image.ld() ? image.ld() : image.w() * depth;
  const auto* data = reinterpret_cast<const uchar*>(image.data()[0]);
  for (int y = 0; y < image.h(); ++y) {
    for (int x = 0; x < image.w(); ++x) {
      const uchar* p = data + y * line + x * depth;
      std::uint32_t r = p[0], g = p[0], b = p[0], a = 255;
      if (depth >= 3) {
        g = p[1];
        b = p[2];
      }
      if (depth == 2) a = p[1];
      if (depth == 4) a = p[3];
      bitmap.SetPixel(x, y, (a << 24) | (r << 16) | (g << 8) | b);
    }
  }
  return bitmap;
}

template <class Image>
PictureReader ReaderOf() {
  return [](const std::string& hostPath) {
    Image image(hostPath.c_str());
    if (image.fail() || image.w() <= 0 || image.h() <= 0 || !image.data())
      throw EInvalidGraphic("The picture " + vk::platform::FromUtf8(hostPath) + " is not valid");
    return FromFlImage(image);
  };
}

}  // namespace

std::unique_ptr<Backend> MakeFltkBackend() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name)
    throw DisplayUnavailable("cannot open an X display: DISPLAY is not set");
  // libX11 is loaded with FLTK; finding XOpenDisplay there keeps the
  // backend's link line to FLTK's own libraries.
  using OpenDisplay = Display* (*)(const char*);
  auto open = reinterpret_cast<OpenDisplay>(dlsym(RTLD_DEFAULT, "XOpenDisplay"));
  Display* display = open ? open(nullptr) : nullptr;
  if (!display)
    throw DisplayUnavailable(std::string("cannot open the X display \"") + name +
                             "\" (is an X server running?)");
  fl_open_display(display);
  Fl::visual(FL_DOUBLE | FL_RGB);
  Fl_RGB_Image::RGB_scaling(FL_RGB_SCALING_BILINEAR);
  RegisterPictureReader(".png", ReaderOf<Fl_PNG_Image>());
  RegisterPictureReader(".jpg", ReaderOf<Fl_JPEG_Image>());
  RegisterPictureReader(".jpeg", ReaderOf<Fl_JPEG_Image>());
  return std::make_unique<FltkBackend>();
}

}  // namespace vk::toolkit::fltk
