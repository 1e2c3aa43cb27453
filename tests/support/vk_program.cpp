#include "tests/support/vk_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <stdexcept>

#include "tests/support/spawn.h"
#include "tests/support/temporary_folder.h"

namespace vk::testing {

std::filesystem::path VkProgram() { return std::filesystem::path(VK_BINARY_DIR) / "tools" / "vk"; }

VkRun RunVk(const std::vector<std::string>& arguments, const VkRunOptions& options) {
  const TemporaryFolder folder;
  const std::string input = (folder / "stdin").string();
  const std::string out = (folder / "stdout").string();
  const std::string err = (folder / "stderr").string();
  WriteFile(input, options.input);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> command = {VkProgram().string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<std::string> variables = EnvironmentWith(options.environment);
  pid_t child = -1;
  const int failed = posix_spawn(&child, command.front().c_str(), &actions, nullptr,
                                 NullTerminated(command).data(), NullTerminated(variables).data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    throw std::runtime_error("cannot start " + command.front() + ": " + std::strerror(failed));
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) throw std::runtime_error("lost the vk process");

  VkRun run;
  run.exitCode = ExitCodeOf(status);
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

}  // namespace vk::testing
