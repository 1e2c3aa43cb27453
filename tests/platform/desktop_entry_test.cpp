#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/platform/desktop_validate.h"
#include "tests/support/temporary_folder.h"

namespace vk::platform {
namespace {

struct ExecCase {
  const char* why;
  std::vector<std::string> argv;
  std::string expected;  // as written in the file
};

class BuildExecValueTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(BuildExecValueTest, QuotesAndEscapesByTheDesktopRules) {
  EXPECT_EQ(BuildExecValue(GetParam().argv), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildExecValueTest,
    ::testing::Values(
        ExecCase{"plain words stay as they are", {"/opt/a/run", "-x"}, "/opt/a/run -x"},
        ExecCase{"a blank makes a quoted argument", {"/opt/My Tools/run"}, "\"/opt/My Tools/run\""},
        ExecCase{"dollar and backquote are escaped inside quotes, then the escape doubled",
                 {"/opt/$x`y"}, "\"/opt/\\\\$x\\\\`y\""},
        ExecCase{"a backslash becomes four", {"/opt/a\\b"}, "\"/opt/a\\\\\\\\b\""},
        ExecCase{"a quote inside quotes", {"say \"hi\""}, "\"say \\\\\"hi\\\\\"\""},
        ExecCase{"percent is doubled so it is no field code", {"/opt/100%", "50% off"},
                 "/opt/100%% \"50%% off\""},
        ExecCase{"an empty argument is kept", {"/opt/run", ""}, "/opt/run \"\""},
        ExecCase{"UTF-8 stays", {"/opt/Müller/run"}, "/opt/Müller/run"}));

TEST(EscapeDesktopValue, EscapesWhatAReaderWouldLoseAndRoundTrips) {
  const std::string text = "  lead\\back\ttab\nline";
  EXPECT_EQ(EscapeDesktopValue(text), "\\s\\slead\\\\back\\ttab\\nline");
  EXPECT_EQ(UnescapeDesktopValue(EscapeDesktopValue(text)), text);
  EXPECT_EQ(EscapeDesktopValue(std::string("a\x01" "b")), "a b");
}

// Every kind of awkward argument together, as the validator judges it.
TEST(DesktopEntry, AWrittenEntryWithAwkwardValuesPassesTheValidator) {
  testing::TemporaryFolder folder;
  DesktopEntry entry;
  entry.Set("Type", "Application");
  entry.Set("Name", " Tools \"100%\" $HOME \\ ;");
  entry.SetRaw("Exec", BuildExecValue({"/opt/My $Tools/run`x`.exe", "a\\b", "'q'", "100%",
                                       "~/x", "a;b", "#1", "(p)", "<>|&*?"}));
  auto file = folder / "velmor-kit-test.desktop";
  ASSERT_TRUE(WriteFileReplacing(file, entry.Serialize()));
  EXPECT_VALID_DESKTOP_FILE(file);
  EXPECT_EQ(ReadDesktopEntryValue(file, "Name"), " Tools \"100%\" $HOME \\ ;");
}

TEST(WriteFileReplacing, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
  testing::TemporaryFolder folder;
  auto file = folder / "sub" / "a.desktop";
  ASSERT_TRUE(WriteFileReplacing(file, "long first content\n"));
  ASSERT_TRUE(WriteFileReplacing(file, "short\n"));
  EXPECT_EQ(testing::ReadFile(file), "short\n");
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "sub")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace vk::platform
