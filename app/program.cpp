#include "app/program.h"

#include <stdexcept>

#include "app/windows.h"

namespace vk::app {
namespace {

SetupState* currentState = nullptr;
platform::Machine* currentMachine = nullptr;
platform::FileSystem* currentFiles = nullptr;

template <class T>
T& Require(T* value) {
  if (value == nullptr) throw std::logic_error("velmor-kit: no setup program is running");
  return *value;
}

void ClearWindowReferences() {
  main = nullptr;
  trailer = nullptr;
  abbruch = nullptr;
  leader = nullptr;
  copying = nullptr;
  complete = nullptr;
  dlg_folder = nullptr;
}

}  // namespace

SetupState& State() { return Require(currentState); }
platform::Machine& HostMachine() { return Require(currentMachine); }
platform::FileSystem& Files() { return Require(currentFiles); }

ProgramScope::ProgramScope(SetupState& state, platform::Machine& machine,
                           platform::FileSystem& files) {
  if (currentState != nullptr) throw std::logic_error("velmor-kit: a setup program is running");
  currentState = &state;
  currentMachine = &machine;
  currentFiles = &files;
  ClearWindowReferences();
}

ProgramScope::~ProgramScope() {
  ClearWindowReferences();
  currentState = nullptr;
  currentMachine = nullptr;
  currentFiles = nullptr;
}

}  // namespace vk::app
