#pragma once
// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes. Tests build their machines in one, so no test
// touches the real home folder.

#include <filesystem>
#include <string>
#include <string_view>

namespace vk::testing {

class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& relative) const {
    return path_ / relative;
  }

 private:
  std::filesystem::path path_;
};

// Writes bytes to a file, creating its folders.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace vk::testing
