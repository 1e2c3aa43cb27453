// Runs a fuzz target's LLVMFuzzerTestOneInput once on each file named on the
// command line (or each file of a folder named), so kept inputs are tests of
// every build, also without libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), data.size());
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int runs = 0;
  for (int index = 1; index < argc; ++index) {
    const std::filesystem::path path = argv[index];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) failures += RunFile(entry.path()), ++runs;
      }
    } else {
      failures += RunFile(path);
      ++runs;
    }
  }
  std::fprintf(stderr, "%d inputs run, %d unreadable\n", runs, failures);
  return failures == 0 ? 0 : 1;
}
