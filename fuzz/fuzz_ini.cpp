// Any bytes as an INI file: reading every kind of value and then writing
// into it must neither crash nor leave a file that reads differently from
// what was written.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ini_file.h"

namespace {

std::filesystem::path ScratchFile() {
  static const std::filesystem::path path = [] {
    std::string folder = (std::filesystem::temp_directory_path() / "vk-fuzz-ini-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    return std::filesystem::path(folder) / "fuzz.ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vk::platform::TIniFile ini(path);
  for (const std::string& section : ini.ReadSections()) {
    for (const std::string& key : ini.ReadSection(section)) {
      if (ini.ReadString(section, key, "").size() > vk::platform::kMaximumIniValueLength) std::abort();
      ini.ReadInteger(section, key, 0);
      ini.ReadBool(section, key, false);
    }
  }
  try {
    ini.WriteString("files", "f1", "C:\\Applications\\New\\a.txt");
    ini.WriteInteger("files", "total", 1);
  } catch (const vk::platform::EIniFileError&) {
    return 0;  // a refused write is reported, which is all that is asked
  }
  vk::platform::TIniFile again(path);
  if (again.ReadString("files", "f1", "") != "C:\\Applications\\New\\a.txt") std::abort();
  if (again.ReadInteger("files", "total", 0) != 1) std::abort();
  return 0;
}
