#pragma once
// The registry kept in one SQLite file, registry.db in the machine's prefix.
// The installer, the uninstaller and vk reg may use one file at the same time,
// from several processes: every call is one transaction, a writer waits for
// another writer, and a crash leaves the store as it was after the last
// finished call.

#include <filesystem>
#include <memory>

#include "platform/machine.h"
#include "platform/registry.h"

namespace vk::platform {

// Opens the store in file, creating it when missing (its folder must exist).
// Never fails: a store that cannot be opened answers every call with
// ERROR_CANTOPEN (or ERROR_BADDB for a file that is not a registry store),
// and LastStoreMessage() says why.
std::unique_ptr<Registry> OpenSqliteRegistry(const std::filesystem::path& file);

// The machine's own registry, in its prefix.
inline std::unique_ptr<Registry> OpenMachineRegistry(const Machine& machine) {
  return OpenSqliteRegistry(machine.RegistryFile());
}

}  // namespace vk::platform
