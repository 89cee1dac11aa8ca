#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/forms/Shell.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void touch(const fs::path& p, const char* text = "x") {
  std::ofstream(p) << text;
}

TEST(Shell, OpenHandsAddressesAndExistingFilesToTheLauncher) {
  sktest::TTempDir dir{"shell"};
  fs::path root = dir.Path();
  touch(root / "print.bmp");
  std::vector<std::string> opened;
  SetShellLauncher([&](const std::string& t) {
    opened.push_back(t);
    return true;
  });
  EXPECT_GT(ShellExecute(0, "open", "https://example.org/help.html", "", "", 1), 32);
  EXPECT_GT(ShellExecute(0, "open", "print.bmp", "", root.string(), 1), 32);
  EXPECT_EQ(ShellExecute(0, "open", "missing.bmp", "", root.string(), 1), 2);
  EXPECT_EQ(ShellExecute(0, "print", "print.bmp", "", root.string(), 1), 31);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/help.html",
                                              (root / "print.bmp").string()}));
  SetShellLauncher(nullptr);
}

TEST(Shell, FolderChooserAcceptsOnlyExistingFolders) {
  sktest::TTempDir dir{"shell"};
  std::string root = dir.Path();
  std::string startSeen;
  std::string answer = root;
  SetFolderChooser([&](const std::string&, const std::string& start) {
    startSeen = start;
    return answer;
  });
  EXPECT_EQ(BrowseForFolder("Choose", root), root);
  EXPECT_EQ(startSeen, root);
  EXPECT_EQ(BrowseForFolder("Choose", root + "/nothere"), root);
  EXPECT_EQ(startSeen, ""); // a start folder that does not exist is not preselected
  answer = root + "/nothere";
  EXPECT_EQ(BrowseForFolder("Choose", root), "");
  answer = "";
  EXPECT_EQ(BrowseForFolder("Choose", root), ""); // cancelled
  SetFolderChooser(nullptr);
}

TEST(Shell, FileOperationsOnPathLists) {
  sktest::TTempDir dir{"shell"};
  fs::path root = dir.Path();
  fs::create_directory(root / "out");
  touch(root / "a.txt");
  touch(root / "b.txt");
  EXPECT_EQ(SHFileOperation(FO_COPY, (root / "a.txt").string() + ";" + (root / "b.txt").string(),
                            (root / "out").string(), FOF_NOCONFIRMATION),
            0);
  EXPECT_TRUE(fs::exists(root / "out" / "a.txt"));
  EXPECT_TRUE(fs::exists(root / "out" / "b.txt"));
  EXPECT_EQ(SHFileOperation(FO_COPY, (root / "a.txt").string(), (root / "out").string(),
                            FOF_RENAMEONCOLLISION),
            0);
  EXPECT_TRUE(fs::exists(root / "out" / "Copy of a.txt"));
  EXPECT_EQ(SHFileOperation(FO_RENAME, (root / "b.txt").string(), (root / "c.txt").string(), 0), 0);
  EXPECT_TRUE(fs::exists(root / "c.txt"));
  EXPECT_EQ(SHFileOperation(FO_MOVE, (root / "c.txt").string(), (root / "out").string(), 0), 0);
  EXPECT_FALSE(fs::exists(root / "c.txt"));
  EXPECT_TRUE(fs::exists(root / "out" / "c.txt"));
  EXPECT_EQ(SHFileOperation(FO_DELETE, (root / "out").string() + "|" + (root / "a.txt").string(),
                            "", FOF_NOCONFIRMATION),
            0);
  EXPECT_FALSE(fs::exists(root / "out"));
  EXPECT_FALSE(fs::exists(root / "a.txt"));
  EXPECT_EQ(SHFileOperation(FO_DELETE, (root / "gone").string(), "", 0), 2);
}

} // namespace
