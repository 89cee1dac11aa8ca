#include <gtest/gtest.h>

#include "platform/forms/Registry.h"
#include "platform/rtl/StringList.h"
#include "tests/support/TempDir.h"

namespace {

class Registry : public ::testing::Test {
protected:
  void SetUp() override { SetRegistryFolder(dir.Path()); }
  void TearDown() override { SetRegistryFolder(""); }
  sktest::TTempDir dir{"registry"};
};

TEST_F(Registry, KeysAndValuesIgnoreCaseAndSurviveANewObject) {
  const std::string ua = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\"
                         "User Agent\\Post Platform";
  {
    TRegistry r;
    EXPECT_FALSE(r.OpenKey(ua, false));
    ASSERT_TRUE(r.OpenKey(ua, true));
    r.WriteString("Skorvaplinth 1.0", "");
    r.WriteString("", "default");
    r.WriteString("a=b", "line1\nline2\\");
    r.WriteString("@home", "x");
  }
  TRegistry r;
  EXPECT_TRUE(r.KeyExists("\\software\\MICROSOFT\\windows"));
  EXPECT_TRUE(r.KeyExists(ua));
  ASSERT_TRUE(r.OpenKeyReadOnly(ua));
  EXPECT_TRUE(r.ValueExists("SKORVAPLINTH 1.0"));
  EXPECT_EQ(r.ReadString(""), "default");
  EXPECT_EQ(r.ReadString("A=B"), "line1\nline2\\");
  EXPECT_EQ(r.ReadString("@home"), "x");
  EXPECT_EQ(r.ReadString("missing"), "");
  EXPECT_THROW(r.WriteString("x", "y"), ERegistryException); // read-only
  TStringList names;
  r.GetValueNames(names);
  EXPECT_EQ(names.Count(), 4);
  // Another root is another store.
  TRegistry m(KEY_READ);
  m.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(m.KeyExists(ua));
  ASSERT_FALSE(m.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", false));
  EXPECT_EQ(m.ReadString("CommonFilesDir"), ""); // missing: empty
}

TEST_F(Registry, RelativeKeysSubKeysDeleteAndMove) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("\\AppEvents\\Schemes\\Apps\\Explorer\\Navigating", true));
  ASSERT_TRUE(r.OpenKey(".Current", true)); // relative to the open key
  EXPECT_EQ(r.CurrentPath(), "AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current");
  r.WriteString("", "sound.wav");
  ASSERT_TRUE(r.OpenKey("\\AppEvents\\Schemes\\Apps\\Explorer\\Navigating", false));
  TStringList keys;
  r.GetKeyNames(keys);
  ASSERT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Strings(0), ".Current");
  r.MoveKey(".Current", "Old_Current", true);
  EXPECT_FALSE(r.KeyExists(".Current"));
  ASSERT_TRUE(r.OpenKey("Old_Current", false));
  EXPECT_EQ(r.ReadString(""), "sound.wav");
  EXPECT_TRUE(r.DeleteKey("\\AppEvents\\Schemes"));
  EXPECT_FALSE(r.HasOpenKey()); // the open key went with it
  EXPECT_FALSE(r.KeyExists("\\AppEvents\\Schemes\\Apps"));
  EXPECT_TRUE(r.KeyExists("\\AppEvents"));
  EXPECT_FALSE(r.DeleteKey("\\AppEvents\\Schemes"));
  EXPECT_THROW(r.WriteString("v", "x"), ERegistryException); // no open key
}

} // namespace

namespace {

TEST_F(Registry, IniFilesOverKeysKeepSectionsAsSubKeys) {
  TRegIniFile ini("Software\\Skorvaplinth\\FormState");
  EXPECT_EQ(ini.ReadString("TFSkorvaplinth", "Left", "none"), "none");
  ini.WriteInteger("TFSkorvaplinth", "Left", -12);
  ini.WriteBool("TFSkorvaplinth", "StayOnTop", true);
  ini.WriteString("TFMap", "Caption", "Map");
  EXPECT_EQ(ini.ReadInteger("tfskorvaplinth", "LEFT", 0), -12);
  EXPECT_TRUE(ini.ReadBool("TFSkorvaplinth", "StayOnTop", false));
  EXPECT_EQ(ini.ReadInteger("TFMap", "Caption", 5), 5); // not a number: the default
  EXPECT_TRUE(ini.ValueExists("TFMap", "Caption"));
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Count(), 2);
  TStringList idents;
  ini.ReadSection("TFSkorvaplinth", idents);
  EXPECT_EQ(idents.Count(), 2);
  ini.DeleteKey("TFSkorvaplinth", "Left");
  EXPECT_FALSE(ini.ValueExists("TFSkorvaplinth", "Left"));
  ini.EraseSection("TFMap");
  EXPECT_FALSE(ini.SectionExists("TFMap"));
  EXPECT_TRUE(ini.SectionExists("TFSkorvaplinth"));
  // A read-only one writes nothing.
  TRegIniFile readOnly("Software\\Skorvaplinth\\FormState", KEY_READ);
  EXPECT_THROW(readOnly.WriteString("X", "Y", "Z"), ERegistryException);
}

} // namespace
