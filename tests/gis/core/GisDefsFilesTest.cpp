// Paths, code pages and system queries.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "GisCodePagesExpected.h"
#include "GisCoreTestSupport.h"
#include "gis/core/GisDefs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class GisPaths : public GisCoreTest {
protected:
  void SetUp() override {
    GisCoreTest::SetUp();
    temp_ = std::make_unique<sktest::TTempDir>("gis-paths");
    root_ = temp_->Path();
    fs::create_directories(root_ / "maps" / "sym");
    fs::create_directories(root_ / "data");
    processDir_ = fs::current_path();
  }
  void TearDown() override {
    // Nothing here ever changes the process's working folder.
    EXPECT_EQ(fs::current_path(), processDir_);
    temp_.reset();
    GisCoreTest::TearDown();
  }
  std::string Root() const { return root_.string(); }

private:
  std::unique_ptr<sktest::TTempDir> temp_;
  fs::path root_;
  fs::path processDir_;
};

using GisCodePages = GisCoreTest;
using GisSystem = GisCoreTest;

TEST_F(GisPaths, DerivedNames) {
  struct Row {
    const char* path;
    const char* withoutExt;
    const char* fileWithoutExt;
    const char* backup;
  };
  const Row rows[] = {
      {"/a/roads.shp", "/a/roads", "roads", "/a/roads.~shp"},
      {"/a/roads", "/a/roads", "roads", "/a/roads.~"},
      {"c:\\a\\roads.shp", "c:\\a\\roads", "roads", "c:\\a\\roads.~shp"},
      {" /a.b/roads ", "/a.b/roads", "roads", " /a.b/roads .~"},
      {"/a.b/c.tar.gz", "/a.b/c.tar", "c.tar", "/a.b/c.tar.~gz"},
      {"name.", "name", "name", "name.~"},
      {"", "", "", ".~"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GisPathWithoutExt(r.path), r.withoutExt) << r.path;
    EXPECT_EQ(GisFileNameWithoutExt(r.path), r.fileWithoutExt) << r.path;
    EXPECT_EQ(GisBackupFileName(r.path), r.backup) << r.path;
  }
  EXPECT_EQ(GisTempFileName("/a/roads.shp"), "/a/roads.shp~tmp");
}

TEST_F(GisPaths, RelativeTable) {
  struct Row {
    const char* base;
    const char* path;
    const char* expected;
  };
  const Row rows[] = {
      {"/maps/proj.ini", "/maps/sym/a.cgm", "sym/a.cgm"},
      {"/maps/proj.ini", "/data/x.shp", "../data/x.shp"},
      {"/MAPS/proj.ini", "/maps/x.shp", "../maps/x.shp"}, // letter case counts
      {"/maps/", "/maps/x.shp", "x.shp"},                 // same base as /maps/proj.ini
      {"/maps/proj.ini", "/maps/x.shp", "x.shp"},
      {"/maps/a/b/proj.ini", "/maps/x.shp", "../../x.shp"},
      {"/maps/proj.ini", "/mapsX/x.shp", "../mapsX/x.shp"},
      {"\\maps\\proj.ini", "\\maps\\sym\\a.cgm", "sym/a.cgm"}, // backslashes accepted
      {"/maps/proj.ini", "/maps/./sym/../x.shp", "x.shp"},
      {"/maps/proj.ini", "http://server/x.shp", "http://server/x.shp"},
      {"/maps/proj.ini", "Provider=x\r\nData=y", "Provider=x\r\nData=y"},
      {"/maps/proj.ini", "", ""},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisPathRelative(r.base, r.path), r.expected) << r.path;
}

TEST_F(GisPaths, AbsoluteTable) {
  const std::string maps = Root() + "/maps";
  struct Row {
    std::string base;
    std::string name;
    std::string expected;
  };
  const std::string cwd = GetCurrentDir();
  const Row rows[] = {
      {maps, "sym/a.cgm", maps + "/sym/a.cgm"},
      {maps, "../data/x.shp", Root() + "/data/x.shp"},
      {maps, "sym\\a.cgm", maps + "/sym/a.cgm"},
      {maps, "/abs/x.shp", "/abs/x.shp"},
      {maps + "/", "./x.shp", maps + "/x.shp"},
      {Root() + "/missing", "x.shp", cwd + "/x.shp"}, // a missing base: the current folder
      {"", "x.shp", cwd + "/x.shp"},
      {maps, "", ""},
      {maps, "http://server/x.shp", "http://server/x.shp"},
      {maps, "a\rb", "a\rb"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisPathAbsolute(r.base, r.name), r.expected) << r.base << " + " << r.name;

  // The runtime's current folder is what relative names resolve against.
  ASSERT_TRUE(SetCurrentDir(maps));
  EXPECT_EQ(GisPathAbsolute("", "sym/a.cgm"), maps + "/sym/a.cgm");
  EXPECT_EQ(GisPathRelative("proj.ini", "sym/a.cgm"), "sym/a.cgm");
  EXPECT_EQ(GetCurrentDir(), maps);
}

TEST_F(GisPaths, CommonFilesDir) {
  const char* saved = std::getenv("CommonFilesDir");
  const std::string keep = saved ? saved : "";
  ::setenv("CommonFilesDir", "/opt/common", 1);
  EXPECT_EQ(GisCommonFilesDir(), "/opt/common/Vornakel");
  ::unsetenv("CommonFilesDir");
  EXPECT_EQ(GisCommonFilesDir(), "/Vornakel");
  if (saved) ::setenv("CommonFilesDir", keep.c_str(), 1);
}

TEST_F(GisCodePages, EveryDefinedByteBothWays) {
  int checked = 0;
  for (const auto& c : kCodePageBytes) {
    const std::string ansi(1, static_cast<char>(c.byte));
    EXPECT_EQ(GisConvertCodePage(ansi, c.codePage, 65001), c.utf8) << c.codePage << " " << +c.byte;
    EXPECT_EQ(GisConvertCodePage(c.utf8, 65001, c.codePage), ansi) << c.codePage << " " << +c.byte;
    const std::u16string wide = GisStringToWide(ansi, c.codePage);
    EXPECT_EQ(wide.size(), 1u);
    EXPECT_EQ(GisWideToString(wide, c.codePage), ansi);
    ++checked;
  }
  EXPECT_EQ(checked, 373);
  // A whole text, and between two code pages.
  EXPECT_EQ(GisConvertCodePage("\x8a\x9a \xe8", 1250, 65001), "\xc5\xa0\xc5\xa1 \xc4\x8d");
  EXPECT_EQ(GisConvertCodePage("\xe8", 1250, 1252), "?"); // c-caron has no place in 1252
  EXPECT_EQ(GisWideToString(u"\u0160ola", 65001), "\xc5\xa0ola");
}

TEST_F(GisCodePages, EqualUnknownDequoteCharsets) {
  const std::string bytes("\x00\x81\xff text", 8);
  EXPECT_EQ(GisConvertCodePage(bytes, 1250, 1250), bytes);
  EXPECT_EQ(GisConvertCodePage("abc", 1252, 99999), "");
  EXPECT_EQ(GisConvertCodePage("abc", 99999, 1252), "");

  struct Row {
    const char* text;
    char quote;
    const char* expected;
  };
  const Row rows[] = {
      {"'abc'", '\'', "abc"}, {"'abc", '\'', "'abc"}, {" \"x\" ", '"', "x"}, {"'", '\'', ""},
      {"''", '\'', ""},       {"'a\"", '\'', "'a\""}, {"abc", '\'', "abc"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisDequote(r.text, r.quote), r.expected) << r.text;

  EXPECT_EQ(GisCodePageToCharset(1250), 238);
  EXPECT_EQ(GisCodePageToCharset(1251), 204);
  EXPECT_EQ(GisCodePageToCharset(1252), 0);
  EXPECT_EQ(GisCodePageToCharset(950), 136);
  EXPECT_EQ(GisCodePageToCharset(65001), 1);
  // The runtime's table serves both: the pages it knows beyond the common ones.
  EXPECT_EQ(GisCodePageToCharset(1258), 163);
  EXPECT_EQ(GisCodePageToCharset(1361), 130);
  EXPECT_EQ(GisCodePageToCharset(0), 1);
  EXPECT_EQ(GisSystemCodePage(), GetACP());
}

TEST_F(GisSystem, TickCountAndFileAge) {
  const std::int32_t t1 = GisTickCount();
  const std::int32_t t2 = GisTickCount();
  EXPECT_GE(t1, 0);
  EXPECT_LT(t1, 0x7FFFFFFF);
  EXPECT_GE(t2, t1);

  const sktest::TTempDir temp("gis-age");
  const fs::path file = temp / "age";
  std::ofstream(file) << "x";
  // 2021-03-04 12:00:00 UTC.
  const std::int64_t when = 1614859200;
  timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  // Local time of the file's modification time, as the runtime converts it.
  const double expected = UnixToDateTime(when);
  // Local days since 1899-12-30 differ from UTC by the zone offset only.
  EXPECT_NEAR(GisFileAge(file.string()), 44259.5, 1.0);
  EXPECT_NEAR(GisFileAge(file.string()), expected, 1e-6);
  fs::remove(file);
  EXPECT_EQ(GisFileAge(file.string()), 0.0);
  EXPECT_FALSE(GisLastOsErrorText().empty());
}

} // namespace
