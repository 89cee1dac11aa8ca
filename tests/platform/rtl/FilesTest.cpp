#include "platform/rtl/Files.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/Runtime.h"

#include "RtlTempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string processDir() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

void setMtime(const std::string& path, time_t seconds, long nanoseconds) {
  const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Restores the logical folder after each test.
class FilesTest : public ::testing::Test {
protected:
  TCurrentDirGuard keepFolder;
  RtlTempDir dir;
};
} // namespace

TEST(PathNames, Table) {
  const struct {
    const char* name;
    const char* path;
    const char* file;
    const char* ext;
    const char* changed; // ChangeFileExt(name, ".new")
  } rows[] = {
      {"/a/b/c.txt", "/a/b/", "c.txt", ".txt", "/a/b/c.new"},
      {"c:\\maps\\roads.shp", "c:/maps/", "roads.shp", ".shp", "c:/maps/roads.new"},
      {"maps\\sub/x.tar.gz", "maps/sub/", "x.tar.gz", ".gz", "maps/sub/x.tar.new"},
      {"pic.bmp?NO", "", "pic.bmp?NO", ".bmp?NO", "pic.new"},
      {"/a.b/noext", "/a.b/", "noext", "", "/a.b/noext.new"},
      {"/a/b/", "/a/b/", "", "", "/a/b/.new"},
      {".hidden", "", ".hidden", ".hidden", ".new"},
      {"name.", "", "name.", ".", "name.new"},
      {"", "", "", "", ".new"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ExtractFilePath(row.name), row.path) << row.name;
    EXPECT_EQ(ExtractFileName(row.name), row.file) << row.name;
    EXPECT_EQ(ExtractFileExt(row.name), row.ext) << row.name;
    EXPECT_EQ(ChangeFileExt(row.name, ".new"), row.changed) << row.name;
  }
  // The backup name the kernel builds: roads.shp -> roads.~shp.
  const std::string shp = "/a/roads.shp";
  EXPECT_EQ(ChangeFileExt(shp, ".~" + ExtractFileExt(shp).substr(1)), "/a/roads.~shp");

  EXPECT_EQ(ExtractFileDir("c:\\a\\b.txt"), "c:/a");
  EXPECT_EQ(ExtractFileDir("/b.txt"), "/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("\\a\\"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a\\"), "a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST_F(FilesTest, ExpandFileNameWorksOnTextAgainstTheLogicalFolder) {
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  const std::string cur = dir.Path();
  const struct {
    const char* name;
    std::string expected;
  } rows[] = {
      {"x.shp", cur + "/x.shp"},
      {"sub\\y.shp", cur + "/sub/y.shp"},
      {"./a/./b", cur + "/a/b"},
      {"a/../b", cur + "/b"},
      {"missing/folder/", cur + "/missing/folder/"},
      {"/abs//double/./x/../y", "/abs/double/y"},
      {"\\abs\\z", "/abs/z"},
      {"/../../x", "/x"},
      {"/", "/"},
      {"", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ExpandFileName(row.name), row.expected) << row.name;
}

TEST_F(FilesTest, LogicalFolderNeverChangesTheProcessFolder) {
  const std::string before = processDir();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(GetCurrentDir(), dir.Path());
  EXPECT_EQ(processDir(), before);

  dir.Write("here.txt", "x");
  EXPECT_TRUE(FileExists("here.txt")); // resolved against the logical folder
  ASSERT_TRUE(CreateDir("inner"));
  EXPECT_TRUE(DirectoryExists(dir / "inner"));
  ASSERT_TRUE(SetCurrentDir("inner")); // relative to the current one
  EXPECT_EQ(GetCurrentDir(), dir / "inner");
  EXPECT_TRUE(FileExists("../here.txt"));

  EXPECT_FALSE(SetCurrentDir(dir / "nope"));
  EXPECT_EQ(GetLastError(), ENOENT);
  EXPECT_FALSE(SetCurrentDir(dir / "here.txt"));
  EXPECT_FALSE(SetCurrentDir(""));
  EXPECT_EQ(GetCurrentDir(), dir / "inner"); // unchanged by the failures

  {
    TCurrentDirGuard guard;
    try {
      SetCurrentDir("/");
      throw std::runtime_error("open failed");
    } catch (const std::runtime_error&) {
    }
  }
  EXPECT_EQ(GetCurrentDir(), dir / "inner");
  ResetCurrentDir();
  EXPECT_EQ(GetCurrentDir(), before);
}

TEST_F(FilesTest, ExistenceAndDeletion) {
  const std::string file = dir.Write("f.txt", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.Path())); // a folder is no file
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(""));
  EXPECT_EQ(FileSizeOf(file), 1);
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(DeleteFile(file));
  EXPECT_EQ(GetLastError(), ENOENT);
  EXPECT_EQ(FileSizeOf(file), -1);

  const struct {
    const char* what;
    std::function<bool()> step;
    int error; // 0: succeeds; otherwise the last error of the failure
  } steps[] = {
      {"CreateDir", [&] { return CreateDir(dir / "sub"); }, 0},
      {"CreateDir again", [&] { return CreateDir(dir / "sub"); }, EEXIST},
      {"RemoveDir of a folder that is not empty",
       [&] { return dir.Write("sub/x", "x"), RemoveDir(dir / "sub"); }, ENOTEMPTY},
      {"RemoveDir", [&] { return DeleteFile(dir / "sub/x") && RemoveDir(dir / "sub"); }, 0},
      {"RemoveDir again", [&] { return RemoveDir(dir / "sub"); }, ENOENT},
      {"CreateDir without a name", [] { return CreateDir(""); }, ENOENT},
  };
  for (const auto& row : steps) {
    SetLastError(0);
    EXPECT_EQ(row.step(), row.error == 0) << row.what;
    if (row.error != 0) {
      EXPECT_EQ(GetLastError(), row.error) << row.what;
    }
  }
  EXPECT_FALSE(DirectoryExists(dir / "sub"));
}

TEST_F(FilesTest, CopyFileNeverOverwritesWhenAskedAndKeepsTheTime) {
  const std::string source = dir.Write("roads.ini", "new contents");
  setMtime(source, 1000000000, 250000000);
  const std::string backup = dir.Write("roads.~ini", "old backup");

  EXPECT_FALSE(CopyFile(source, backup, true));
  EXPECT_EQ(GetLastError(), EEXIST);
  EXPECT_EQ(RtlTempDir::Read(backup), "old backup");

  const std::string fresh = dir / "copy.ini";
  ASSERT_TRUE(CopyFile(source, fresh, true));
  EXPECT_EQ(RtlTempDir::Read(fresh), "new contents");
  EXPECT_DOUBLE_EQ(FileAge(fresh), FileAge(source));

  ASSERT_TRUE(CopyFile(source, backup, false)); // replacing is allowed when asked
  EXPECT_EQ(RtlTempDir::Read(backup), "new contents");
  EXPECT_DOUBLE_EQ(FileAge(backup), FileAge(source));

  EXPECT_FALSE(CopyFile(dir / "missing", dir / "t", true));
  EXPECT_EQ(GetLastError(), ENOENT);
  EXPECT_FALSE(FileExists(dir / "t"));
  EXPECT_FALSE(CopyFile(source, dir / "no/such/folder/t", false));
}

TEST_F(FilesTest, RenameFileNeverReplaces) {
  const std::string a = dir.Write("a.shp", "AAAA");
  const std::string b = dir.Write("b.shp", "BB");
  EXPECT_FALSE(RenameFile(a, b));
  EXPECT_EQ(GetLastError(), EEXIST);
  EXPECT_EQ(RtlTempDir::Read(a), "AAAA");
  EXPECT_EQ(RtlTempDir::Read(b), "BB");

  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_TRUE(RenameFile("a.shp", "c.shp")); // relative names use the logical folder
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(RtlTempDir::Read(dir / "c.shp"), "AAAA");
  EXPECT_FALSE(RenameFile("missing", "d.shp"));
  EXPECT_EQ(GetLastError(), ENOENT);
}

TEST_F(FilesTest, RenameFileReplacingReplacesInOneStep) {
  const std::string a = dir.Write("a.jpg.new", "NEW");
  const std::string b = dir.Write("b.jpg", "OLD!");
  EXPECT_TRUE(RenameFileReplacing(a, b));
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(RtlTempDir::Read(b), "NEW");

  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  dir.Write("c.new", "C");
  EXPECT_TRUE(RenameFileReplacing("c.new", "d.jpg")); // no target yet; the logical folder
  EXPECT_EQ(RtlTempDir::Read(dir / "d.jpg"), "C");
  // Failures leave both as they were.
  EXPECT_FALSE(RenameFileReplacing("missing", "d.jpg"));
  EXPECT_EQ(GetLastError(), ENOENT);
  EXPECT_EQ(RtlTempDir::Read(dir / "d.jpg"), "C");
  ASSERT_TRUE(CreateDir(dir / "folder"));
  dir.Write("folder/inside", "x");
  EXPECT_FALSE(RenameFileReplacing(dir / "d.jpg", dir / "folder"));
  EXPECT_EQ(RtlTempDir::Read(dir / "d.jpg"), "C");
  EXPECT_EQ(RtlTempDir::Read(dir / "folder/inside"), "x");
}

TEST_F(FilesTest, ForceDirectories) {
  EXPECT_TRUE(ForceDirectories(dir / "a\\b/c/"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b")); // already there
  dir.Write("file", "x");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub"));
  EXPECT_FALSE(ForceDirectories(dir / "file"));
  EXPECT_FALSE(ForceDirectories(""));
}

TEST_F(FilesTest, FindFileNoCase) {
  ASSERT_TRUE(ForceDirectories(dir / "Data/TILEREF"));
  const std::string aft = dir.Write("Data/TILEREF/TileRef.AFT", "x");
  const std::string upper = dir.Write("Data/img.JGW", "1");
  const std::string lower = dir.Write("Data/img.jgw", "2");

  EXPECT_EQ(FindFileNoCase(dir / "data/tileref/TILEREF.aft"), aft);
  EXPECT_EQ(FindFileNoCase(dir / "Data\\TILEREF\\TileRef.AFT"), aft); // exact
  EXPECT_EQ(FindFileNoCase(dir / "Data/img.jgw"), lower);             // exact name first
  EXPECT_EQ(FindFileNoCase(dir / "Data/IMG.Jgw"), upper);             // first in byte order
  EXPECT_EQ(FindFileNoCase(dir / "Data/img.tfw"), "");
  EXPECT_EQ(FindFileNoCase(dir / "nope/img.jgw"), "");
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(FindFileNoCase("DATA/img.JGW"), upper);
  EXPECT_EQ(FindFileNoCase(""), "");
}

TEST_F(FilesTest, FileAgeIsLocalTimeWithSubSeconds) {
  const std::string a = dir.Write("a", "x");
  const std::string b = dir.Write("b", "x");
  setMtime(a, 1700000000, 0);
  setMtime(b, 1700000001, 500000000);
  EXPECT_NEAR((FileAge(b) - FileAge(a)) * 86400.0, 1.5, 1e-5);
  EXPECT_EQ(FileAge(dir / "missing"), -1);
  EXPECT_EQ(FileAge(dir.Path()), -1);

  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  setMtime(a, 0, 0);
  const double utc = FileAge(a);
  setenv("TZ", "CET-1", 1); // one hour east of Greenwich, no summer time
  tzset();
  const double cet = FileAge(a);
  if (oldTz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  EXPECT_DOUBLE_EQ(utc, 25569.0); // 1970-01-01
  EXPECT_NEAR(cet - utc, 1.0 / 24.0, 1e-9);
}

TEST_F(FilesTest, FindFirstListsMatchesInByteOrder) {
  dir.Write("b.TXT", "12");
  dir.Write("a.txt", "1");
  dir.Write("c.dat", "");
  dir.Write(".hidden.txt", "");
  ASSERT_TRUE(CreateDir(dir / "sub.txt"));

  const auto list = [&](const std::string& mask, int attr) {
    std::string names;
    TSearchRec rec;
    for (int r = FindFirst(dir / mask, attr, rec); r == 0; r = FindNext(rec))
      names += rec.Name + ";";
    FindClose(rec);
    return names;
  };
  EXPECT_EQ(list("*.txt", faAnyFile & ~faDirectory & ~faHidden), "a.txt;b.TXT;");
  EXPECT_EQ(list("*.txt", faAnyFile), ".hidden.txt;a.txt;b.TXT;sub.txt;");
  EXPECT_EQ(list("*.*", 0), "a.txt;b.TXT;c.dat;");
  EXPECT_EQ(list("?.dat", 0), "c.dat;");
  EXPECT_EQ(list("*.none", 0), "");

  TSearchRec rec;
  ASSERT_EQ(FindFirst(dir / "b.txt", 0, rec), 0);
  EXPECT_EQ(rec.Size, 2);
  EXPECT_EQ(rec.Attr & faDirectory, 0);
  EXPECT_EQ(FindNext(rec), ENOENT);
  EXPECT_NE(FindFirst(dir / "nope/*", faAnyFile, rec), 0);
}

TEST(Files, ExeNameIsTheTestProgram) {
  const std::string exe = ExeName();
  EXPECT_EQ(exe.front(), '/');
  EXPECT_NE(ExtractFileName(exe).find("test_rtl"), std::string::npos);
}

TEST_F(FilesTest, RuntimeResetRestoresFolderAndCodePage) {
  const std::string before = processDir();
  const int page = GetACP();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  SetACP(page == 1250 ? 1251 : 1250);
  rtl_reset_for_tests();
  EXPECT_EQ(GetCurrentDir(), before);
  EXPECT_EQ(GetACP(), page);
}
