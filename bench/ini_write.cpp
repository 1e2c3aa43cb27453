// Writes per second into the uninstall log of an installation of 10,000
// files: the log's sections in their order, with [files] growing while
// [directories], [extensions], [uninstall] and [language] follow it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/ini_file.h"

namespace {

namespace fs = std::filesystem;
using vk::platform::TIniFile;

constexpr int kFiles = 10000;
constexpr int kFolders = 40;

fs::path BenchFolder() {
  fs::path folder = fs::temp_directory_path() / ("vk-bench-ini-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  return folder;
}

// One installation's log, in the order the run writes it. Returns the
// number of writes.
std::int64_t WriteLog(const fs::path& path) {
  std::int64_t writes = 0;
  TIniFile log(path);
  auto text = [&](const char* section, const std::string& key, const std::string& value) {
    log.WriteString(section, key, value);
    ++writes;
  };
  text("important!", "c", "velmor-kit uninstall log");
  text("important!", "i1", "This file is needed to uninstall software Sample Viewer");
  text("important!", "i2", "Do not change something manually in this file!");
  text("files", "total", "0");
  text("directories", "total", "0");
  text("extensions", "total", "0");
  text("uninstall", "versionname", "velmor-kit");
  text("uninstall", "version", "2");
  text("uninstall", "subversion", "0");
  for (const char* key : {"l11", "l15", "l10", "l55", "l56", "l57", "l58", "l59", "l60"}) {
    text("language", key, std::string("text of ") + key);
  }
  text("uninstall", "name", "Sample Viewer");
  text("uninstall", "language", "english");
  text("uninstall", "directory", "C:\\Applications\\Sample Viewer");
  for (int number = 1; number <= kFolders; ++number) {
    text("directories", "d" + std::to_string(number), "\\folder" + std::to_string(number) + "\\");
  }
  text("directories", "total", std::to_string(kFolders));
  for (int number = 1; number <= kFiles; ++number) {
    text("files", "f" + std::to_string(number),
         "\\folder" + std::to_string(number % kFolders + 1) + "\\file" + std::to_string(number) +
             ".dat");
  }
  text("files", "total", std::to_string(kFiles));
  for (int number = 1; number <= 3; ++number) text("extensions", "e" + std::to_string(number), "ex");
  text("extensions", "total", "3");
  text("uninstall", "prggrp", "Sample Viewer");
  text("sysreg", "remove", "1");
  text("sysreg", "total", "2");
  for (int number = 1; number <= 2; ++number) {
    text("sysreg", "k" + std::to_string(number), "2");
    text("sysreg", "p" + std::to_string(number), "Software\\Sample\\Viewer");
  }
  return writes;  // the closing rewrite happens here and is counted in the time
}

void BM_UninstallLogOf10000Files(benchmark::State& state) {
  const fs::path folder = BenchFolder();
  const fs::path path = folder / "uninst.log";
  std::int64_t writes = 0;
  for (auto _ : state) {
    fs::remove(path);
    writes += WriteLog(path);
  }
  state.SetItemsProcessed(writes);
  state.counters["writes/s"] =
      benchmark::Counter(static_cast<double>(writes), benchmark::Counter::kIsRate);
  state.counters["log bytes"] = static_cast<double>(fs::file_size(path));
  fs::remove_all(folder);
}
BENCHMARK(BM_UninstallLogOf10000Files)->Unit(benchmark::kMillisecond);

// Replacing one value in the middle of the finished log: in place (a value
// of the same length) and by rewriting the whole file (a longer value).
void BM_ReplaceInTheMiddleOfALargeLog(benchmark::State& state) {
  const fs::path folder = BenchFolder();
  const fs::path path = folder / "uninst.log";
  WriteLog(path);
  TIniFile log(path);
  const bool longer = state.range(0) != 0;
  int round = 0;
  for (auto _ : state) {
    if (longer) {
      // Back to a short value, without padding, so the next one is longer.
      state.PauseTiming();
      log.WriteString("files", "total", "1");
      log.UpdateFile();
      state.ResumeTiming();
      log.WriteString("files", "total", "10000");
    } else {
      log.WriteString("files", "total", std::to_string(10000 + round % 10000));
    }
    ++round;
  }
  state.SetItemsProcessed(state.iterations());
  fs::remove_all(folder);
}
BENCHMARK(BM_ReplaceInTheMiddleOfALargeLog)->Arg(0)->Arg(1)->ArgNames({"longer"});

}  // namespace
