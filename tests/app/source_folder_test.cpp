// The source folder from the running program's path.

#include "app/source_folder.h"

#include <gtest/gtest.h>

namespace vk::app {
namespace {

TEST(SourceFolder, IsTheProgramsFolderWithOneTrailingBackslash) {
  struct Case {
    const char* programPath;
    const char* folder;
  };
  const Case cases[] = {
      {"D:\\inst\\setup", "D:\\inst\\"},
      {"A:\\setup", "A:\\"},                  // the root keeps its single backslash
      {"D:\\a\\b\\setup.exe", "D:\\a\\b\\"},
      {"D:setup", "D:\\"},                    // cut at the colon
      {"\\\\server\\share\\setup", "\\\\server\\share\\"},
      {"D:\\inst\\\\setup", "D:\\inst\\\\"},  // a doubled backslash stays
      {"setup", "\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SourceFolderOf(c.programPath), c.folder) << c.programPath;
  }
}

}  // namespace
}  // namespace vk::app
