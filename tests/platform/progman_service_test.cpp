#include "platform/progman.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/desktop_entry.h"
#include "platform/toolkit/dde_client_conv.h"
#include "tests/platform/desktop_validate.h"
#include "tests/support/test_machine.h"

namespace vk::platform {
namespace {
namespace fs = std::filesystem;

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<fs::path> FilesUnder(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file()) files.push_back(entry.path());
  return files;
}

// The installer's side: a conversation with "Progman" and an empty topic.
class ProgmanTest : public ::testing::Test {
 protected:
  ProgmanTest() {
    progman_ = std::make_shared<ProgmanService>(machine_.Machine(), windows_);
    registry_.Register(kProgmanService, progman_);
  }

  // Opens, sends the lines as one request without waiting, closes: what
  // the installation run does.
  DdeExecuteResult Send(const std::vector<std::string>& lines) {
    toolkit::TDdeClientConv conversation(registry_);
    conversation.SetLink("Progman", "");
    EXPECT_TRUE(conversation.OpenLink());
    conversation.ExecuteMacroLines(lines, false);
    conversation.CloseLink();
    return conversation.LastResult();
  }

  fs::path Program(const std::string& windowsPath) {
    auto host = machine_.Machine().ToHost(windowsPath);
    testing::WriteFile(*host, "#!/bin/sh\n");
    return *host;
  }

  fs::path DataHome() { return machine_.Root() / "xdg-data"; }
  fs::path ConfigHome() { return machine_.Root() / "xdg-config"; }

  testing::TestMachine machine_;
  ShellWindows windows_;
  DdeServiceRegistry registry_;
  std::shared_ptr<ProgmanService> progman_;
};

// The lines a normal installation sends: the group travels with the first
// item, a folder ending in a backslash doubles it, titles carry blanks,
// quotes, percent and dollar signs ("%%" has already become "%").
TEST_F(ProgmanTest, TheInstallersLinesBecomeASubmenuWithValidEntries) {
  fs::path tool = Program("C:\\Programme\\Velmor Tools\\tool.exe");
  fs::path runner = Program("C:\\Programme\\Velmor Tools\\bin\\run $me.exe");
  const std::string group = "Velmor \"Tools\" 100% $HOME";
  auto result = Send({
      "[CreateGroup(" + group + ")][AddItem(C:\\Programme\\Velmor Tools\\\\tool.exe,Tool)]",
      "[AddItem(C:\\Programme\\Velmor Tools\\bin\\run $me.exe,Run \"it\" 50% $now)]",
      "[AddItem(C:\\Programme\\Velmor Tools\\\\tool.exe,[unbenannt_3])]",
  });
  EXPECT_TRUE(result.Succeeded()) << ::testing::PrintToString(result.errors);
  EXPECT_EQ(result.commandsExecuted, 4);

  auto found = progman_->FindGroup(group);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, group);
  ASSERT_EQ(found->items.size(), 3u);
  EXPECT_EQ(found->items[0].title, "Tool");
  EXPECT_EQ(found->items[1].title, "Run \"it\" 50% $now");
  EXPECT_EQ(found->items[2].title, "[unbenannt_3]");

  EXPECT_EQ(ReadDesktopEntryValue(found->directoryFile, "Name"), group);
  EXPECT_VALID_DESKTOP_FILE(found->directoryFile);
  for (const auto& item : found->items) EXPECT_VALID_DESKTOP_FILE(item.file);

  // Exec names the host program, quoted with its dollar escaped twice.
  EXPECT_EQ(ReadDesktopEntryValue(found->items[0].file, "Exec"), "\"" + tool.string() + "\"");
  std::string runExec = "\"" + Replace(runner.string(), "$", "\\$") + "\"";
  EXPECT_EQ(ReadDesktopEntryValue(found->items[1].file, "Exec"), runExec);
  EXPECT_EQ(ReadDesktopEntryValue(found->items[1].file, "Path"), runner.parent_path().string());

  // The menu lists the items in the order they were added.
  std::string menu = testing::ReadFile(found->menuFile);
  EXPECT_NE(menu.find("<Directory>" + found->directoryFile.filename().string()), std::string::npos);
  auto first = menu.find(found->items[0].file.stem().string());
  auto second = menu.find(found->items[1].file.stem().string());
  EXPECT_LT(first, second);
  EXPECT_EQ(found->menuFile.parent_path(), ConfigHome() / "menus" / "applications-merged");
}

TEST_F(ProgmanTest, DeleteGroupInAnotherProcessRemovesEverythingItMade) {
  Program("C:\\App\\app.exe");
  Send({"[CreateGroup(My App)][AddItem(C:\\App\\app.exe,App)]", "[AddItem(C:\\App\\app.exe,Two)]"});
  ASSERT_FALSE(FilesUnder(DataHome()).empty());

  // The uninstaller has only the name, a service of its own and no windows.
  ShellWindows otherWindows;
  ProgmanService uninstaller(machine_.Machine(), otherWindows);
  auto result = uninstaller.Execute("", "[DeleteGroup(MY APP)]\r\n");
  EXPECT_TRUE(result.Succeeded()) << ::testing::PrintToString(result.errors);
  EXPECT_EQ(FilesUnder(DataHome()), std::vector<fs::path>{});
  EXPECT_EQ(FilesUnder(ConfigHome()), std::vector<fs::path>{});
  EXPECT_FALSE(fs::exists(DataHome() / "applications" / "velmor-kit"));
  EXPECT_FALSE(uninstaller.FindGroup("My App"));

  auto again = uninstaller.Execute("", "[DeleteGroup(My App)]");
  EXPECT_EQ(again.errors.size(), 1u) << "a group that is gone is an error";
}

TEST_F(ProgmanTest, DeleteGroupLeavesOtherGroupsAlone) {
  Program("C:\\App\\app.exe");
  Send({"[CreateGroup(One)][AddItem(C:\\App\\app.exe,App)]",
        "[CreateGroup(Two)][AddItem(C:\\App\\app.exe,App)]"});
  progman_->Execute("", "[DeleteGroup(One)]");
  EXPECT_FALSE(progman_->FindGroup("One"));
  auto two = progman_->FindGroup("Two");
  ASSERT_TRUE(two);
  ASSERT_EQ(two->items.size(), 1u);
  EXPECT_TRUE(fs::exists(two->items[0].file));
}

TEST_F(ProgmanTest, AMalformedCommandIsSkippedAndTheOthersRun) {
  Program("C:\\App\\app.exe");
  auto result = Send({"[CreateGroup(G)][AddItem(C:\\App\\app.exe,Broken]",
                      "[Frobnicate(x)][AddItem(C:\\App\\app.exe,Good)]", "[AddItem(Q:\\no.exe,X)]"});
  EXPECT_EQ(result.commandsExecuted, 2);
  ASSERT_EQ(result.errors.size(), 3u) << ::testing::PrintToString(result.errors);
  EXPECT_NE(result.errors[0].find("[AddItem(C:\\App\\app.exe,Broken]"), std::string::npos);
  EXPECT_NE(result.errors[1].find("unknown command"), std::string::npos);
  auto group = progman_->FindGroup("G");
  ASSERT_TRUE(group);
  ASSERT_EQ(group->items.size(), 1u);
  EXPECT_EQ(group->items[0].title, "Good");
}

TEST_F(ProgmanTest, ItemsNeedAGroupAndShowGroupChoosesIt) {
  Program("C:\\App\\app.exe");
  auto orphan = progman_->Execute("", "[AddItem(C:\\App\\app.exe,Lost)]");
  EXPECT_EQ(orphan.errors.size(), 1u);
  EXPECT_EQ(progman_->Execute("", "[ShowGroup(Nowhere,1)]").errors.size(), 1u);

  progman_->Execute("", "[CreateGroup(First)][CreateGroup(Second)]");
  auto result = progman_->Execute("", "[ShowGroup(first,1)][AddItem(C:\\App\\app.exe)]");
  EXPECT_TRUE(result.Succeeded()) << ::testing::PrintToString(result.errors);
  auto first = progman_->FindGroup("First");
  ASSERT_TRUE(first);
  ASSERT_EQ(first->items.size(), 1u);
  EXPECT_EQ(first->items[0].title, "app") << "an item without a title takes the program's name";
  EXPECT_TRUE(progman_->FindGroup("Second")->items.empty());
}

TEST_F(ProgmanTest, DeleteItemAndTheSameTitleAgainReplaceAnItem) {
  Program("C:\\App\\app.exe");
  Program("C:\\App\\new.exe");
  progman_->Execute("", "[CreateGroup(G)][AddItem(C:\\App\\app.exe,A)][AddItem(C:\\App\\app.exe,B)]");
  progman_->Execute("", "[AddItem(C:\\App\\new.exe,a)]");
  auto group = progman_->FindGroup("G");
  ASSERT_EQ(group->items.size(), 2u) << "titles match without regard to case";
  EXPECT_NE(ReadDesktopEntryValue(group->items[0].file, "Exec")->find("new.exe"),
            std::string::npos);

  EXPECT_TRUE(progman_->Execute("", "[DeleteItem(A)]").Succeeded());
  group = progman_->FindGroup("G");
  ASSERT_EQ(group->items.size(), 1u);
  EXPECT_EQ(group->items[0].title, "B");
  EXPECT_EQ(testing::ReadFile(group->menuFile).find(ProgmanNameKey("A")), std::string::npos);
  EXPECT_EQ(progman_->Execute("", "[DeleteItem(A)]").errors.size(), 1u);
}

TEST_F(ProgmanTest, ViewerItemsOpenTheDocumentAndWindowsPathArgumentsAreMapped) {
  fs::path readme = Program("C:\\App\\read me.txt");
  fs::path app = Program("C:\\App\\app.exe");
  progman_->Execute("",
                    "[CreateGroup(G)][AddItem(write C:\\App\\read me.txt,ReadMe)]"
                    "[AddItem(C:\\App\\app.exe /open C:\\App\\read me.txt,Open)]");
  auto group = progman_->FindGroup("G");
  ASSERT_EQ(group->items.size(), 2u);
  EXPECT_EQ(ReadDesktopEntryValue(group->items[0].file, "Exec"),
            "xdg-open \"" + readme.string() + "\"");
  EXPECT_EQ(ReadDesktopEntryValue(group->items[1].file, "Exec"),
            app.string() + " /open " + (readme.parent_path() / "read").string() + " me.txt")
      << "an unquoted argument splits at its blank, as Windows splits it";
  for (const auto& item : group->items) EXPECT_VALID_DESKTOP_FILE(item.file);
}

TEST_F(ProgmanTest, WindowsNamesBecomeUtf8) {
  Program("C:\\App\\app.exe");
  const std::string group = "Gr\xFC\xDF" "e";  // "Grüße" in Windows-1252
  progman_->Execute("", "[CreateGroup(" + group + ")][AddItem(C:\\App\\app.exe,M\xFCller)]");
  auto found = progman_->FindGroup(group);
  ASSERT_TRUE(found);
  EXPECT_EQ(ReadDesktopEntryValue(found->directoryFile, "Name"), "Grüße");
  EXPECT_EQ(found->items[0].title, "M\xFCller");
  EXPECT_VALID_DESKTOP_FILE(found->items[0].file);
}

TEST_F(ProgmanTest, TheNewGroupIsTheForegroundWindowUntilMinimised) {
  EXPECT_EQ(windows_.GetForegroundWindow(), 0u);
  Send({"[CreateGroup(Velmor Tools for Everyone)]"});
  WindowHandle window = windows_.GetForegroundWindow();
  ASSERT_NE(window, 0u);
  char title[20];
  EXPECT_EQ(windows_.GetWindowTextA(window, title, sizeof title), 19);
  EXPECT_STREQ(title, "Velmor Tools for Ev");

  EXPECT_TRUE(windows_.ShowWindow(window, SW_MINIMIZE));
  EXPECT_EQ(windows_.State(window), WindowState::kMinimized);
  EXPECT_EQ(windows_.GetForegroundWindow(), 0u);

  progman_->Execute("", "[ShowGroup(Velmor Tools for Everyone,1)]");
  EXPECT_EQ(windows_.GetForegroundWindow(), window) << "the same window comes back";
  progman_->Execute("", "[DeleteGroup(Velmor Tools for Everyone)]");
  EXPECT_EQ(windows_.GetForegroundWindow(), 0u);
  EXPECT_EQ(windows_.GetWindowTextA(window, title, sizeof title), 0);
  EXPECT_STREQ(title, "");
}

TEST(TDdeClientConv, OpensOnlyServicesSomebodyOffers) {
  testing::TestMachine machine;
  ShellWindows windows;
  DdeServiceRegistry registry;
  toolkit::TDdeClientConv conversation(registry);
  conversation.SetLink("Progman", "");
  EXPECT_FALSE(conversation.OpenLink()) << "nobody offers Progman yet";
  EXPECT_FALSE(conversation.ExecuteMacro("[CreateGroup(G)]", false));

  registry.Register(kProgmanService, std::make_shared<ProgmanService>(machine.Machine(), windows));
  conversation.SetLink("PROGMAN", "progman");
  EXPECT_TRUE(conversation.OpenLink()) << "service and topic match without regard to case";
  EXPECT_TRUE(conversation.ExecuteMacro("[CreateGroup(G)][Bad", false))
      << "without waiting, delivery is success";
  EXPECT_FALSE(conversation.ExecuteMacro("[CreateGroup(G)][Bad", true));
  EXPECT_EQ(conversation.LastResult().commandsExecuted, 1);

  conversation.SetLink("Progman", "Groups");
  EXPECT_FALSE(conversation.OpenLink()) << "Program Manager has no such topic";
  conversation.CloseLink();
  EXPECT_FALSE(conversation.Connected());
}

}  // namespace
}  // namespace vk::platform
