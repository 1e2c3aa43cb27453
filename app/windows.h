#pragma once
// The program-wide references to the seven windows, named like them. The
// entry point sets each one as it creates the window and clears them all
// when the program ends; outside a run they are null.

namespace vk::app {
class Tmain;
class Ttrailer;
}  // namespace vk::app
namespace vk::wizard {
class Tleader;
class Tdlg_folder;
}  // namespace vk::wizard
namespace vk::install {
class Tabbruch;
class Tcopying;
class Tcomplete;
}  // namespace vk::install

namespace vk::app {

inline Tmain* main = nullptr;  // the backdrop, the application's main window
inline Ttrailer* trailer = nullptr;
inline install::Tabbruch* abbruch = nullptr;
inline wizard::Tleader* leader = nullptr;
inline install::Tcopying* copying = nullptr;
inline install::Tcomplete* complete = nullptr;
inline wizard::Tdlg_folder* dlg_folder = nullptr;

}  // namespace vk::app
