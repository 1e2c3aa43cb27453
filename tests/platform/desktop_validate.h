#pragma once
// Runs desktop-file-validate, the checker desktops trust, on files the
// shell wrote. Skips the test where the validator is not installed.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vk::platform::testing_support {

inline bool HaveDesktopFileValidate() {
  return std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
}

// Empty when the file is valid, else what the validator said.
inline std::string DesktopFileProblems(const std::filesystem::path& file) {
  std::string command = "desktop-file-validate '" + file.string() + "' 2>&1";
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "cannot run desktop-file-validate";
  std::array<char, 512> buffer;
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
  int status = ::pclose(pipe);
  if (status != 0 && output.empty()) output = "desktop-file-validate failed";
  if (status == 0) output.clear();
  return output;
}

}  // namespace vk::platform::testing_support

#define EXPECT_VALID_DESKTOP_FILE(file)                                                    \
  do {                                                                                     \
    if (!::vk::platform::testing_support::HaveDesktopFileValidate())                       \
      GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps)";     \
    EXPECT_EQ(::vk::platform::testing_support::DesktopFileProblems(file), "") << (file);   \
  } while (false)
