#include "app/entry_point.h"

#include "app/main_form.h"
#include "app/program.h"
#include "app/setup_state.h"
#include "app/trailer_form.h"
#include "app/windows.h"
#include "install/abort_dialog.h"
#include "install/complete_form.h"
#include "install/copying_form.h"
#include "platform/toolkit/application.h"
#include "wizard/folder_dialog.h"
#include "wizard/leader_form.h"

namespace vk::app {
namespace {

// The forms go before the state they use; also when a backend failure
// leaves the loop by an exception.
class FormsDestroyer {
 public:
  explicit FormsDestroyer(toolkit::TApplication& application) : application_(application) {}
  ~FormsDestroyer() { application_.DestroyForms(); }

 private:
  toolkit::TApplication& application_;
};

}  // namespace

int RunSetup(toolkit::TApplication& application, platform::Machine& machine,
             platform::FileSystem& files) {
  SetupState state;
  ProgramScope scope(state, machine, files);
  FormsDestroyer destroyer(application);

  application.Initialize();
  application.SetTitle("Setup");
  application.SetMachine(&machine);

  // The backdrop reads setup.inf while it is created; the wizard uses the
  // backdrop's images and the loading window's bar, so this order holds.
  application.CreateForm(main);
  if (main->StartupFailed()) return 0;
  if (!state.DescriptionLoaded) return 1;
  application.CreateForm(trailer);
  application.CreateForm(abbruch);
  application.CreateForm(leader);
  application.CreateForm(copying);
  application.CreateForm(complete);
  application.CreateForm(dlg_folder);

  application.Run();
  return 0;
}

}  // namespace vk::app
