#include "platform/progman_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk::platform {
namespace {

// A parsed command written back as Name(arg|arg), or "!" and the error.
std::string Describe(const ProgmanCommand& command) {
  if (command.Malformed()) return "!" + command.text;
  std::string out = command.name + "(";
  for (std::size_t i = 0; i < command.arguments.size(); ++i) {
    if (i > 0) out += "|";
    out += command.arguments[i];
  }
  return out + ")";
}

std::vector<std::string> DescribeAll(std::string_view text) {
  std::vector<std::string> out;
  for (const auto& command : ParseProgmanCommands(text)) out.push_back(Describe(command));
  return out;
}

struct ParseCase {
  const char* why;
  std::string text;
  std::vector<std::string> expected;
};

class ParseProgmanCommandsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseProgmanCommandsTest, GivesTheCommandsInOrder) {
  EXPECT_EQ(DescribeAll(GetParam().text), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseProgmanCommandsTest,
    ::testing::Values(
        ParseCase{"the installer's first line: group and item on one line",
                  "[CreateGroup(Tools)][AddItem(C:\\Tools\\\\run.exe,Run it)]\r\n",
                  {"CreateGroup(Tools)", "AddItem(C:\\Tools\\\\run.exe|Run it)"}},
        ParseCase{"lines separated by CR LF, LF alone, blanks around",
                  "[CreateGroup(G)]\r\n  [AddItem(a,b)] \n[AddItem(c,d)]",
                  {"CreateGroup(G)", "AddItem(a|b)", "AddItem(c|d)"}},
        ParseCase{"the default titles hold brackets", "[AddItem(D:_,[unbenannt_1])]",
                  {"AddItem(D:_|[unbenannt_1])"}},
        ParseCase{"titles with parentheses, a lone ')' and blanks",
                  "[AddItem(p,Readme (English))][AddItem(p, a)b )][AddItem(p,x()]",
                  {"AddItem(p|Readme (English))", "AddItem(p|a)b)", "AddItem(p|x()"}},
        ParseCase{"quoted arguments keep commas, brackets and blanks",
                  "[AddItem(\"C:\\My Tools\\run.exe\", \"Run, fast ]) [now]\" )]",
                  {"AddItem(C:\\My Tools\\run.exe|Run, fast ]) [now])"}},
        ParseCase{"empty and missing arguments", "[ExitProgman()][Reload][AddItem(p,,i)]",
                  {"ExitProgman()", "Reload()", "AddItem(p||i)"}},
        ParseCase{"percent and dollar signs are plain text", "[AddItem(C:\\a\\$x.exe,100% $HOME)]",
                  {"AddItem(C:\\a\\$x.exe|100% $HOME)"}},
        ParseCase{"a command without its closing is skipped; the next line still runs",
                  "[CreateGroup(G)][AddItem(a,b\r\n[AddItem(c,d)]",
                  {"CreateGroup(G)", "![AddItem(a,b", "AddItem(c|d)"}},
        ParseCase{"a missing ')' before the next command on the same line",
                  "[CreateGroup(G][AddItem(c,d)]", {"![CreateGroup(G]", "AddItem(c|d)"}},
        ParseCase{"stray text and a bad name are skipped",
                  "junk [Add Item(a)] [AddItem(a,b)]\r\ntrailing",
                  {"!junk ", "![Add Item(a)]", "AddItem(a|b)", "!trailing"}},
        ParseCase{"an unterminated quote ends at the line break",
                  "[AddItem(\"C:\\a,b)]\r\n[DeleteGroup(G)]",
                  {"![AddItem(\"C:\\a,b)]", "DeleteGroup(G)"}},
        ParseCase{"text after a quoted argument", "[AddItem(\"a\"b,c)][DeleteGroup(G)]",
                  {"![AddItem(\"a\"b,c)]", "DeleteGroup(G)"}},
        ParseCase{"nothing at all", " \r\n\r\n", {}}));

TEST(ParseProgmanCommands, KeepsTheTextOfEachCommandForMessages) {
  auto commands = ParseProgmanCommands("[CreateGroup(G)] [AddItem(a,b]");
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].text, "[CreateGroup(G)]");
  EXPECT_FALSE(commands[0].Malformed());
  EXPECT_TRUE(commands[1].Malformed());
  EXPECT_NE(commands[1].error, "");
}

}  // namespace
}  // namespace vk::platform
