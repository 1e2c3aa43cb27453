// The folder browse dialog's controls: the drive list, the folder list and
// the label that shows the current folder.

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/machine.h"
#include "toolkit_fixture.h"

namespace vk::toolkit {
namespace {

using headless::HeadlessBackend;

class Browser : public TForm {
 public:
  Browser() : TForm("dlg_folder") {
    Label1 = Add<TLabel>("Label1");
    Label1->SetBounds(8, 15, 200, 13);
    DirectoryListBox1 = Add<TDirectoryListBox>("DirectoryListBox1");
    DirectoryListBox1->SetBounds(9, 33, 188, 133);
    DirectoryListBox1->SetDirLabel(Label1);
    DriveComboBox1 = Add<TDriveComboBox>("DriveComboBox1");
    DriveComboBox1->SetBounds(9, 172, 188, 19);
    DriveComboBox1->SetDirList(DirectoryListBox1);
    Btn_ok = Add<TButton>("Btn_ok");
    Btn_ok->SetModalResult(ModalResult::kOk);
  }
  TLabel* Label1;
  TDirectoryListBox* DirectoryListBox1;
  TDriveComboBox* DriveComboBox1;
  TButton* Btn_ok;
};

class FolderListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto drive = folder.Path() / "prefix" / "drive_c";
    std::filesystem::create_directories(drive / "Programme" / "Alpha");
    std::filesystem::create_directories(drive / "Programme" / "beta");
    std::filesystem::create_directories(drive / "Programme" / "A very long folder name");
    testing::WriteFile(drive / "Programme" / "file.txt", "not a folder");
    testing::WriteFile(folder.Path() / "prefix" / "drives.ini",
                       "[drives]\nC=" + drive.string() + "\nE=" + (folder.Path() / "e").string() +
                           "\n");
    std::filesystem::create_directories(folder.Path() / "e" / "Data");
    machine = std::make_unique<vk::platform::Machine>(folder.Path() / "prefix");
    application.SetMachine(machine.get());
  }

  testing::TemporaryFolder folder;
  std::unique_ptr<vk::platform::Machine> machine;
  HeadlessBackend backend;
  TApplication application{backend};
};

TEST_F(FolderListTest, ListsAncestorsTheCurrentFolderAndItsSubfolders) {
  Browser* browser = nullptr;
  application.CreateForm(browser);
  TDirectoryListBox& list = *browser->DirectoryListBox1;
  list.SetDirectory("c:\\PROGRAMME");
  EXPECT_EQ(list.Directory(), "C:\\Programme");  // the spelling on disk
  std::vector<std::string> captions;
  std::vector<int> levels;
  for (const auto& item : list.Items()) {
    captions.push_back(item.caption);
    levels.push_back(item.level);
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"C:\\", "Programme", "A very long folder name",
                                                "Alpha", "beta"}));
  EXPECT_EQ(levels, (std::vector<int>{0, 1, 2, 2, 2}));
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.Items()[3].path, "C:\\Programme\\Alpha");
  EXPECT_THROW(list.SetDirectory("C:\\Programme\\missing"), vk::platform::Exception);
  EXPECT_EQ(list.Directory(), "C:\\Programme");
}

// The label follows the current folder and shortens a long path with "..."
// to its width.
TEST_F(FolderListTest, LabelShowsTheCurrentFolderShortened) {
  Browser* browser = nullptr;
  application.CreateForm(browser);
  browser->DirectoryListBox1->SetDirectory("C:\\Programme");
  EXPECT_EQ(browser->Label1->Caption(), "C:\\Programme");
  browser->DirectoryListBox1->SetDirectory("C:\\Programme\\A very long folder name");
  EXPECT_EQ(browser->Label1->Caption(), "C:\\...\\A very long folder name");
}

// Choosing a drive switches the folder list to its root; the scripted user
// picks drives and folders like a user.
TEST_F(FolderListTest, DriveListSwitchesTheFolderList) {
  Browser* browser = nullptr;
  application.CreateForm(browser);
  EXPECT_EQ(browser->DriveComboBox1->Drives(), (std::vector<char>{'C', 'E'}));
  EXPECT_EQ(browser->DriveComboBox1->Items(), (std::vector<std::string>{"c:", "e:"}));
  backend.User()
      .PickDrive("dlg_folder", "DriveComboBox1", 'e')
      .PickFolder("dlg_folder", "DirectoryListBox1", "E:\\Data")
      .Click("dlg_folder", "Btn_ok");
  EXPECT_EQ(browser->ShowModal(), ModalResult::kOk);
  EXPECT_EQ(browser->DriveComboBox1->Drive(), 'E');
  EXPECT_EQ(browser->DirectoryListBox1->Directory(), "E:\\Data");
  EXPECT_THROW(browser->DriveComboBox1->SetDrive('Q'), vk::platform::Exception);
}

TEST(MinimizeNameTest, DropsLeadingFoldersFirst) {
  auto measure = [](std::string_view text) { return static_cast<int>(text.size()); };
  struct Case {
    const char* path;
    int width;
    const char* expected;
  };
  for (const Case& c : {
           Case{"C:\\a\\b\\name", 20, "C:\\a\\b\\name"},
           Case{"C:\\alpha\\beta\\name", 16, "C:\\...\\beta\\name"},
           Case{"C:\\alpha\\beta\\name", 15, "C:\\...\\name"},
           Case{"C:\\alpha\\beta\\name", 12, "C:\\...\\name"},
           Case{"C:\\alpha\\beta\\name", 8, "...\\name"},
           Case{"C:\\alpha\\beta\\name", 3, "name"},
       }) {
    EXPECT_EQ(MinimizeName(c.path, c.width, measure), c.expected) << c.path << " " << c.width;
  }
}

}  // namespace
}  // namespace vk::toolkit
