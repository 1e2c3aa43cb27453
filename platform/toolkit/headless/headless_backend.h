#pragma once
// The headless backend: no windows, a scripted user, a screen of the size
// the test sets, and recordings of what the program showed. Deterministic:
// time is counted, not measured (every letting-run of messages advances the
// clock by one millisecond, every wait for input by ten).
//
//   HeadlessBackend backend;
//   backend.SetScreenSize(1024, 768);
//   backend.User().Click("leader", "Btn_exit").Click("abbruch", "Btn_terminate");
//   TApplication application(backend);
//   ... CreateForm ..., application.Run();
//   EXPECT_EQ(backend.MessageBoxes().size(), 0u);
//
// Paints: showing a form or invalidating it marks it for painting; marked
// forms are painted when the program lets messages run or a loop waits, and
// PaintNow paints at once. Each paint is recorded.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/backend.h"
#include "platform/toolkit/headless/recording.h"
#include "platform/toolkit/headless/scripted_user.h"

namespace vk::toolkit::headless {

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  ScriptedUser& User() { return user_; }
  void SetScreenSize(int width, int height) { screen_ = TSize{width, height}; }

  const std::vector<WindowEvent>& WindowEvents() const { return events_; }
  // The names of the forms with an event of kind, in order.
  std::vector<std::string> FormsWith(WindowEventKind kind) const;
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<PaintRecord>& Paints() const { return paints_; }
  // The latest paint of a form; null when it was never painted.
  const PaintRecord* LastPaint(std::string_view form) const;
  // Every cursor change, in order.
  const std::vector<TCursor>& CursorChanges() const { return cursors_; }
  // How often the program let messages run.
  std::uint64_t ProcessMessagesCount() const { return pumps_; }

  // Runs the form's paint handler now on a recording canvas.
  void PaintNow(TForm& form);

  // Backend.
  void Attach(TApplication& application) override;
  void Detach(TApplication& application) override;
  void FormCreated(TForm& form) override;
  void FormDestroying(TForm& form) override;
  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  void FormActivated(TForm& form) override;
  void ModalStarted(TForm& form) override;
  void ModalEnded(TForm& form, ModalResult result) override;
  void Invalidate(TForm& form) override;
  void CursorChanged(TCursor cursor) override;
  void WaitForInput(TForm* modalForm) override;
  void ProcessMessages() override;
  ModalResult ShowMessageBox(const MessageBoxRequest& request) override;
  TSize ScreenSize() override { return screen_; }
  int TextWidth(const TFont& font, std::string_view text) override;
  std::uint32_t TickCount() override { return ticks_; }

 private:
  void PaintPending();
  void Perform(const ScriptedUser::Action& action);
  // True when an action was taken.
  bool TakeConditionalAction();
  [[noreturn]] void Fail(const std::string& what) const;
  std::string Situation() const;

  TApplication* application_ = nullptr;
  ScriptedUser user_;
  TSize screen_{1024, 768};
  std::vector<WindowEvent> events_;
  std::vector<MessageBoxRecord> messageBoxes_;
  std::vector<PaintRecord> paints_;
  std::vector<TCursor> cursors_;
  std::vector<TForm*> pendingPaints_;
  std::vector<TForm*> painting_;
  std::uint32_t ticks_ = 0;
  std::uint64_t pumps_ = 0;
};

}  // namespace vk::toolkit::headless
