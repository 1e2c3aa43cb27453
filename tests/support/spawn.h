#pragma once
// Pieces for starting test programs with posix_spawn, without a shell: the
// environment they get, the pointer arrays it takes, and their exit code.

#include <map>
#include <string>
#include <vector>

namespace vk::testing {

// The current environment with the given variables replaced or added, as
// "NAME=value" entries.
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes);

// The texts' pointers followed by a null pointer, as argv and envp are
// given; valid while the texts are.
std::vector<char*> NullTerminated(std::vector<std::string>& texts);

// A waitpid status as a shell reports it: the exit code, or 128 + the
// signal's number when a signal ended the process.
int ExitCodeOf(int status);

}  // namespace vk::testing
