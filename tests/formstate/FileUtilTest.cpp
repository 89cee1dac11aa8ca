// File and folder helpers: paths, folder creation, the copy (sizes, targets,
// failures, a file size limit in a child process), progress properties, the
// file operator and the folder dialog through the chooser hook.
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "formstate/FileUtil.h"
#include "platform/forms/Properties.h"
#include "platform/forms/Shell.h"
#include "platform/rtl/Files.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

// A gauge-like control registered under the name the progress list knows.
class TGauge : public TGraphicControl {
  SK_CLASS(TGauge, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;
  int MaxValue() const { return max_; }
  void SetMaxValue(int v) { max_ = v; }
  int MinValue() const { return min_; }
  void SetMinValue(int v) { min_ = v; }
  int Progress() const { return progress_; }
  void SetProgress(int v) {
    progress_ = v;
    positions.push_back(v);
  }
  std::vector<int> positions;

private:
  int max_ = 100, min_ = 0, progress_ = 0;
};

class TMyGauge : public TGauge {
  SK_CLASS(TMyGauge, TGauge)
public:
  using TGauge::TGauge;
};

void registerGauges() {
  RegisterProperties<TGauge>()
      .Integer("MaxValue", &TGauge::MaxValue, &TGauge::SetMaxValue)
      .Integer("MinValue", &TGauge::MinValue, &TGauge::SetMinValue)
      .Integer("Progress", &TGauge::Progress, &TGauge::SetProgress);
  RegisterProperties<TMyGauge>();
}

std::string bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = char((i * 131 + 7) & 0xFF);
  return s;
}

time_t mtimeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtime;
}

void setMtime(const std::string& path, time_t t) {
  const struct timespec times[2] = {{t, 0}, {t, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

TEST(FileUtil, PathSeparatorsAndFolders) {
  TTempFolder tmp;
  EXPECT_EQ(AppendPathSeparator(""), "");
  EXPECT_EQ(AppendPathSeparator("/a"), "/a/");
  EXPECT_EQ(AppendPathSeparator("/a/"), "/a/");
  EXPECT_EQ(AppendPathSeparator("c:\\temp"), "c:/temp/");
  EXPECT_EQ(DropPathSeparator("/"), "/");
  EXPECT_EQ(DropPathSeparator("/a/"), "/a");
  EXPECT_EQ(DropPathSeparator("\\a\\"), "/a");
  EXPECT_EQ(DropPathSeparator("a"), "a");

  EXPECT_TRUE(FolderExists("/"));
  EXPECT_TRUE(FolderExists(tmp.Path()));
  WriteWholeFile(tmp / "file", "x");
  EXPECT_FALSE(FolderExists(tmp / "file"));
  EXPECT_FALSE(FolderExists(tmp / "missing"));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_TRUE(HasFileAttributes(tmp.Path(), 0x10));
  EXPECT_FALSE(HasFileAttributes(tmp / "file", 0x10));

  CreateFolderPath(tmp / "a/b/c/");
  EXPECT_TRUE(FolderExists(tmp / "a/b/c"));
  CreateFolderPath(tmp / "file/sub"); // under a file: silently nothing
  EXPECT_FALSE(FolderExists(tmp / "file/sub"));
  CreateFolderPath("");

  EXPECT_EQ(LongPathOf("/PROGRA~1/x"), "/PROGRA~1/x");
  EXPECT_EQ(ShortPathOf("/a b/c"), "/a b/c");
}

TEST(FileUtil, CopySizesTargetsAndProgress) {
  registerGauges();
  TTestEnvironment env;
  struct Row {
    size_t size;
    std::vector<int> positions; // the progress positions while copying
  };
  for (const Row& r : std::vector<Row>{{0, {0, 0, 0}},
                                       {8191, {0, 8191, 0}},
                                       {8192, {0, 8192, 8192, 0}},
                                       {8193, {0, 8192, 8193, 0}}}) {
    TTempFolder tmp;
    const std::string data = bytes(r.size);
    WriteWholeFile(tmp / "src.bin", data);
    setMtime(tmp / "src.bin", 1000000000);
    TMyGauge gauge(nullptr); // a subclass of the registered gauge class

    FileCopy(tmp / "src.bin", tmp / "dst.bin", &gauge); // absent target
    EXPECT_EQ(ReadWholeFile(tmp / "dst.bin"), data) << r.size;
    EXPECT_EQ(mtimeOf(tmp / "dst.bin"), 1000000000);
    EXPECT_EQ(gauge.MaxValue(), int(r.size));
    EXPECT_EQ(gauge.positions, r.positions) << r.size;

    WriteWholeFile(tmp / "old.bin", "old contents"); // an existing file
    FileCopy(tmp / "src.bin", tmp / "old.bin");
    EXPECT_EQ(ReadWholeFile(tmp / "old.bin"), data);

    CreateDir(tmp / "folder"); // a folder: the file goes into it
    FileCopy(tmp / "src.bin", tmp / "folder");
    EXPECT_EQ(ReadWholeFile(tmp / "folder/src.bin"), data);

    FileCopy(tmp / "src.bin", tmp / "new/deeper/dst.bin"); // a missing path is made
    EXPECT_EQ(ReadWholeFile(tmp / "new/deeper/dst.bin"), data);

    // No temporary file is left anywhere.
    EXPECT_EQ(FolderEntries(tmp.Path()),
              (std::vector<std::string>{"dst.bin", "folder", "new", "old.bin", "src.bin"}));
  }
}

TEST(FileUtil, CopyFailuresKeepTheOldTarget) {
  TTempFolder tmp;
  const std::string data = bytes(20000);
  WriteWholeFile(tmp / "src.bin", data);

  // The source itself: refused, the source intact.
  try {
    FileCopy(tmp / "src.bin", tmp / "src.bin");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + tmp / "src.bin");
  }
  EXPECT_EQ(ReadWholeFile(tmp / "src.bin"), data);

  // A missing source.
  try {
    FileCopy(tmp / "none.bin", tmp / "x.bin");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + tmp / "none.bin");
  }

  // A read-only target: refused unless clear-read-only is asked for.
  WriteWholeFile(tmp / "ro.bin", "keep me");
  chmod((tmp / "ro.bin").c_str(), 0444);
  EXPECT_THROW(FileCopy(tmp / "src.bin", tmp / "ro.bin"), EFCreateError);
  EXPECT_EQ(ReadWholeFile(tmp / "ro.bin"), "keep me");
  FileCopyChunked(tmp / "src.bin", tmp / "ro.bin", true, nullptr, false);
  EXPECT_EQ(ReadWholeFile(tmp / "ro.bin"), data);

  // A folder in the target's place under the source's name.
  CreateDir(tmp / "dir");
  CreateDir(tmp / "dir/src.bin");
  EXPECT_THROW(FileCopy(tmp / "src.bin", tmp / "dir"), EFCreateError);
  EXPECT_EQ(FolderEntries(tmp / "dir"), std::vector<std::string>{"src.bin"});
}

TEST(FileUtil, WriteErrorUnderAFileSizeLimitLeavesTheOldTarget) {
  TTempFolder tmp;
  WriteWholeFile(tmp / "src.bin", bytes(100000));
  WriteWholeFile(tmp / "dst.bin", "old tile");
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      20000, 20000
    };
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      FileCopy(tmp / "src.bin", tmp / "dst.bin");
    } catch (const EWriteError& e) {
      _exit(e.Message() == "Stream write error" ? 0 : 2);
    } catch (...) {
      _exit(3);
    }
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadWholeFile(tmp / "dst.bin"), "old tile");
  EXPECT_EQ(FolderEntries(tmp.Path()), (std::vector<std::string>{"dst.bin", "src.bin"}));
}

TEST(FileUtil, FileOperatorRenameCopyAndConfirm) {
  TTestEnvironment env;
  TTempFolder tmp;
  WriteWholeFile(tmp / "a.txt", "A");
  WriteWholeFile(tmp / "b.txt", "B");
  TUxFileOperator op(nullptr);
  op.SetOperation(TFileOperation::foRename);
  op.SetSource(tmp / "a.txt");
  op.SetDestination(tmp / "b.txt");
  EXPECT_FALSE(op.Run()); // a rename never replaces
  EXPECT_EQ(ReadWholeFile(tmp / "a.txt"), "A");
  EXPECT_EQ(ReadWholeFile(tmp / "b.txt"), "B");

  op.SetOperation(TFileOperation::foCopy);
  env.Answer = IDNO;
  EXPECT_FALSE(op.Run());
  EXPECT_TRUE(op.Aborted());
  EXPECT_EQ(env.Boxes.size(), 1u);
  EXPECT_EQ(ReadWholeFile(tmp / "b.txt"), "B");
  env.Answer = IDYES;
  EXPECT_TRUE(op.Run());
  EXPECT_EQ(ReadWholeFile(tmp / "b.txt"), "A");

  op.SetOptions(op.Options() + TFileOperFlags{TFileOperFlag::flNoConfirmation});
  op.SetOperation(TFileOperation::foMove);
  op.SetSource(tmp / "a.txt");
  op.SetDestination(tmp / "c.txt");
  EXPECT_TRUE(op.Run());
  EXPECT_EQ(FolderEntries(tmp.Path()), (std::vector<std::string>{"b.txt", "c.txt"}));
  EXPECT_EQ(env.Boxes.size(), 2u);

  // A failed shell-style copy ends the action silently.
  EXPECT_THROW(ShellCopyOrMove(tmp / "none", tmp / "x", false, false, false), EAbort);
}

TEST(FileUtil, FolderDialogThroughTheChooser) {
  TTempFolder tmp;
  std::vector<std::pair<std::string, std::string>> asked;
  std::string answer = tmp.Path() + "/";
  SetFolderChooser([&](const std::string& caption, const std::string& start) {
    asked.emplace_back(caption, start);
    return answer;
  });
  std::string folder = tmp / "missing";
  EXPECT_TRUE(BrowseForFolder(folder, "Store location", 0));
  EXPECT_EQ(folder, tmp.Path()); // the trailing separator dropped
  EXPECT_EQ(asked.back(), std::make_pair(std::string("Store location"), std::string()));

  TBrowseFolderDlg dialog(nullptr);
  int initialized = 0, changed = 0;
  dialog.OnInitialized = [&](TPersistent*) { ++initialized; };
  dialog.OnSelChanged = [&](TPersistent*) { ++changed; };
  dialog.SetFolderName(tmp.Path());
  answer = "";
  EXPECT_FALSE(dialog.Browse());
  EXPECT_EQ(asked.back().second, tmp.Path()); // an existing start is preselected
  EXPECT_EQ(dialog.FolderName(), tmp.Path());
  EXPECT_EQ(initialized, 1);
  EXPECT_EQ(changed, 0);
  dialog.SetBrowseKind(TBrowseKind::bfComputers);
  EXPECT_FALSE(dialog.Browse());
  SetFolderChooser(nullptr);
}
