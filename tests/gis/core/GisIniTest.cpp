#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "GisCoreTestSupport.h"
#include "gis/core/GisIni.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class GisIniTest : public GisCoreTest {
protected:
  void SetUp() override {
    GisCoreTest::SetUp();
    temp_ = std::make_unique<sktest::TTempDir>("gis-ini");
    dir_ = temp_->Path();
  }
  void TearDown() override {
    temp_.reset();
    GisCoreTest::TearDown();
  }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Any non-null layer: the ini only asks whether there is one.
  const TGIS_LayerAbstract* Layer() const {
    return reinterpret_cast<const TGIS_LayerAbstract*>(&dir_);
  }

private:
  std::unique_ptr<sktest::TTempDir> temp_;
  fs::path dir_;
};

TEST_F(GisIniTest, SectionNames) {
  TGIS_Ini ini(nullptr, "");
  struct Row {
    int n, m;
    const char* expected;
  };
  const Row rows[] = {{0, 0, "Vornakel Layer"},  {0, 2, "Vornakel Layer 2"},
                      {3, 0, "Vornakel Layer3"}, {3, 1, "Vornakel Layer3 1"},
                      {1000000, 0, ""},          {999999, 999998, "Vornakel Layer999999 999998"}};
  for (const auto& r : rows)
    EXPECT_EQ(ini.SectionName(r.n, r.m), r.expected) << r.n << " " << r.m;
  for (const auto& bad : {std::pair{0, -1}, std::pair{0, 999999}, std::pair{-1, 0}}) {
    try {
      ini.SectionName(bad.first, bad.second);
      ADD_FAILURE() << bad.first << " " << bad.second;
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.Message().rfind("Assertion failure (GisIni, line ", 0), 0u);
    }
  }
}

TEST_F(GisIniTest, LayerFileSectionsStopAtTheFirstGap) {
  Write("roads.shp.ini",
        "[Vornakel Layer]\r\nLine.Color=RED\r\n\r\n[Vornakel Layer 2]\r\nLine.Color=BLUE\r\n");
  TGIS_Ini ini(Layer(), File("roads.shp.ini"));
  EXPECT_EQ(ini.LayerNumber(), 0);
  EXPECT_EQ(ini.SectionCount(), 1); // no [Vornakel Layer 1]: section 2 is not read
  EXPECT_EQ(ini.Section(), "Vornakel Layer");
  EXPECT_EQ(ini.ReadColor("Line.Color", 0), 0x0000FFu);
  EXPECT_FALSE(ini.SelectSection(1));
  EXPECT_EQ(ini.Section(), "Vornakel Layer 1"); // selected anyway, so writes create it
  EXPECT_EQ(ini.ReadColor("Line.Color", 7), 7u);

  Write("full.ini", "[vornakel layer]\nA=1\n[Vornakel Layer 1]\nA=2\n[VORNAKEL LAYER "
                    "2]\nA=3\n[Vornakel Layer 4]\nA=5\n");
  TGIS_Ini full(Layer(), File("full.ini"));
  EXPECT_EQ(full.SectionCount(), 3);
  int sum = 0;
  for (int m = 0; full.SelectSection(m); ++m)
    sum += full.ReadInteger("A", 0);
  EXPECT_EQ(sum, 6);

  // Without a layer there is one section; erasing sub-sections stops at the
  // first one missing.
  TGIS_Ini noLayer(nullptr, File("full.ini"));
  EXPECT_EQ(noLayer.SectionCount(), 1);
  noLayer.EraseSubSections();
  EXPECT_TRUE(noLayer.Changed());
  EXPECT_FALSE(noLayer.IniFile().SectionExists("Vornakel Layer 2"));
  EXPECT_TRUE(noLayer.IniFile().SectionExists("Vornakel Layer 4"));
  EXPECT_TRUE(noLayer.IniFile().SectionExists("Vornakel Layer"));
}

// A project configuration numbers its layers; it names them itself.
class ProjectIni : public TGIS_Ini {
public:
  using TGIS_Ini::TGIS_Ini;
  std::string name;

protected:
  std::string LayerNameOf(const TGIS_LayerAbstract*) const override { return name; }
};

TEST_F(GisIniTest, ProjectConfigurationsFindTheirLayerByName) {
  Write("project.ini", "[Vornakel Layer1]\nName=roads\n"
                       "[Vornakel Layer2]\nPath=/data/Rivers.shp\n"
                       "[Vornakel Layer2 1]\nA=1\n"
                       "[Vornakel Layer4]\nName=lost\n");
  ProjectIni ini(nullptr, File("project.ini"));
  EXPECT_EQ(ini.LayerNumber(), 0); // during construction the base class decides
  ini.name = "Rivers";
  ini.SetLayer(Layer());
  EXPECT_EQ(ini.LayerNumber(), 2);
  EXPECT_EQ(ini.SectionCount(), 2);
  EXPECT_EQ(ini.Section(), "Vornakel Layer2");
  ini.name = "roads";
  EXPECT_EQ(ini.FindLayerNumber(Layer()), 1);
  EXPECT_EQ(ini.FindLayerNumber(nullptr), 0);
  ini.name = "lost"; // behind the gap at [Vornakel Layer3]
  ini.SetLayer(Layer());
  EXPECT_EQ(ini.LayerNumber(), 2147483647);
  EXPECT_EQ(ini.SectionCount(), 0);
  EXPECT_EQ(ini.Section(), "");
  EXPECT_EQ(ini.ReadRaw("Name"), "nil");
  ini.WriteString("Name", "x"); // a layer missing from the project writes nowhere
  EXPECT_FALSE(ini.Changed());
}

TEST_F(GisIniTest, MissingNilAndEmptyValuesReadAsTheDefault) {
  Write("a.ini",
        "; comment\n[Vornakel Layer]\nName = Roads \nLiteral=nil\nEmpty=\nNum=12\nFlag=yes\n"
        "Size=render\nHalf=1,5\nText=a\\nb\n");
  TGIS_Ini ini(nullptr, File("a.ini"));
  EXPECT_EQ(ini.ReadRaw("name"), "Roads"); // trimmed, case ignored
  EXPECT_EQ(ini.ReadRaw("Missing"), "nil");
  EXPECT_EQ(ini.ReadString("Literal", "d"), "d");
  EXPECT_EQ(ini.ReadString("Empty", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("Empty", 4), 4);
  EXPECT_EQ(ini.ReadBoolean("Empty", true), true);
  EXPECT_EQ(ini.ReadPenStyle("Empty", psDot), psDot);
  EXPECT_EQ(ini.ReadInteger("Num", 0), 12);
  EXPECT_EQ(ini.ReadBoolean("Flag", false), true);
  EXPECT_EQ(ini.ReadInteger("Size", 0), static_cast<std::int32_t>(0xF0000001u));
  EXPECT_EQ(ini.ReadString("Text", ""), "a\r\nb");
  // ReadFloat never raises.
  for (const char separator : {'.', ','}) {
    FormatSettings().DecimalSeparator = separator;
    EXPECT_EQ(ini.ReadFloat("Missing", 2.5), 2.5);
    EXPECT_EQ(ini.ReadFloat("Empty", 2.5), 2.5);
    EXPECT_EQ(ini.ReadFloat("Name", 2.5), 2.5);
    EXPECT_EQ(ini.ReadFloat("Half", 0), 1.5);
  }
  // No section selected: everything reads nil, writes go nowhere.
  ini.SelectSectionByName("");
  EXPECT_EQ(ini.ReadRaw("Num"), "nil");
  ini.WriteString("Num", "x");
  EXPECT_FALSE(ini.Changed());
  // A section picked by name; layer number and sub-index stay.
  ini.SelectSection(0);
  ini.SelectSectionByName("Other");
  EXPECT_EQ(ini.SubIndex(), 0);
  ini.WriteString("Key", "v\\w");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(ini.IniFile().ReadString("Other", "Key", ""), "v\\\\w");
  EXPECT_EQ(ini.ReadString("Key", ""), "v\\w");
}

TEST_F(GisIniTest, TypedValuesRoundTripThroughAFile) {
  TGIS_Units units;
  units.SetCustom(gisUnitsLinearCustom, 0.3048);
  {
    FormatSettings().DecimalSeparator = ',';
    TGIS_Ini ini(nullptr, File("t.ini"));
    ini.WriteBoolean("B", true);
    ini.WriteInteger("I", -42);
    ini.WriteFloat("F", 1.25);
    ini.WriteString("S", "two\r\nlines \\ here");
    ini.WriteColor("C", 0x123456);
    ini.WritePenStyle("P", psDashDot);
    ini.WriteBrushStyle("Br", bsCross);
    ini.WriteMarkerStyle("M", gisMarkerStyleTriangleLeft);
    ini.WriteFontStyle("Fs", 5);
    ini.WriteLabelPosition("Lp", 257);
    ini.WriteLabelAlignment("La", gisLabelAlignmentCenter);
    ini.WriteChartStyle("Cs", gisChartStyleBar);
    ini.WriteDormantMode("D", gisDormantStandard);
    ini.WriteUnits("U", units);
    ini.Save();
    EXPECT_FALSE(ini.Changed());
  }
  const std::string text = Read("t.ini");
  EXPECT_NE(text.find("F=1.25\r\n"), std::string::npos) << text; // '.' whatever the settings
  EXPECT_NE(text.find("S=two\\nlines \\\\ here\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Lp=UPLEFT:DOWNRIGHT\r\n"), std::string::npos) << text;

  TGIS_Ini ini(nullptr, File("t.ini"));
  EXPECT_EQ(ini.ReadBoolean("B", false), true);
  EXPECT_EQ(ini.ReadInteger("I", 0), -42);
  EXPECT_EQ(ini.ReadFloat("F", 0), 1.25);
  EXPECT_EQ(ini.ReadString("S", ""), "two\r\nlines \\ here");
  EXPECT_EQ(ini.ReadColor("C", 0), 0x123456u);
  EXPECT_EQ(ini.ReadPenStyle("P", psSolid), psDashDot);
  EXPECT_EQ(ini.ReadBrushStyle("Br", bsSolid), bsCross);
  EXPECT_EQ(ini.ReadMarkerStyle("M", gisMarkerStyleBox), gisMarkerStyleTriangleLeft);
  EXPECT_EQ(ini.ReadFontStyle("Fs", 0), 5);
  EXPECT_EQ(ini.ReadLabelPosition("Lp", 0), 257);
  EXPECT_EQ(ini.ReadLabelAlignment("La", gisLabelAlignmentSingle), gisLabelAlignmentCenter);
  EXPECT_EQ(ini.ReadChartStyle("Cs", gisChartStylePie), gisChartStyleBar);
  EXPECT_EQ(ini.ReadDormantMode("D", gisDormantOff), gisDormantStandard);
  TGIS_Units read;
  EXPECT_EQ(&ini.ReadUnits("U", read), &read);
  EXPECT_EQ(read.Type(), gisUnitsLinearCustom);
  EXPECT_EQ(static_cast<double>(read.Factor()), 0.3048);
}

TEST_F(GisIniTest, SaveKeepsTheBackupAndMemoryOnlyIniIsNeverWritten) {
  Write("roads.ini", "[Vornakel Layer]\nA=old\n");
  Write("roads.~ini", "stale backup");
  TGIS_Ini ini(nullptr, File("roads.ini"));
  ini.Save(); // unchanged: nothing happens
  EXPECT_EQ(Read("roads.~ini"), "stale backup");
  ini.WriteString("A", "new");
  ini.Save();
  EXPECT_EQ(Read("roads.~ini"), "[Vornakel Layer]\nA=old\n");
  EXPECT_EQ(Read("roads.ini"), "[Vornakel Layer]\r\nA=new\r\n");

  // A file that does not exist yet is created, without a backup.
  TGIS_Ini fresh(nullptr, File("fresh.ini"));
  fresh.WriteInteger("N", 1);
  fresh.Save();
  EXPECT_TRUE(fs::exists(File("fresh.ini")));
  EXPECT_FALSE(fs::exists(File("fresh.~ini")));

  // Reload drops unsaved writes.
  fresh.WriteInteger("N", 2);
  fresh.Reload();
  EXPECT_EQ(fresh.ReadInteger("N", 0), 1);

  TGIS_Ini memory(nullptr, "");
  EXPECT_EQ(memory.Path(), "");
  memory.WriteString("A", "b");
  memory.Save();
  EXPECT_TRUE(memory.Changed());
  TStringList lines;
  memory.IniFile().GetStrings(lines);
  EXPECT_EQ(lines.Text(), "[Vornakel Layer]\r\nA=b\r\n");
}

TEST_F(GisIniTest, StringListsSurviveARoundTrip) {
  TGIS_Ini ini(nullptr, File("l.ini"));
  for (int i = 1; i <= 12; ++i)
    ini.WriteRaw("Pixel.RedMapZone" + IntToStr(i), "old");
  ini.WriteRaw("Pixel.RedMapZoneX", "kept"); // not followed by a digit
  ini.WriteRaw("Pixel.RedMapZone0", "kept"); // 0 is not 1-9

  TStringList two;
  two.Add("a");
  two.Add("b");
  ini.WriteStringList("Pixel.RedMapZone", &two);
  TStringList keys;
  ini.IniFile().ReadSection(ini.Section(), keys);
  int numbered = 0;
  for (int i = 0; i < keys.Count(); ++i)
    numbered += keys[i].rfind("Pixel.RedMapZone", 0) == 0;
  EXPECT_EQ(numbered, 4); // 1, 2, X and 0
  EXPECT_EQ(ini.ReadRaw("pixel.redmapzone12"), "nil");

  // Backslashes, line breaks, an empty middle line and a line that reads
  // "nil" come back as written; trailing empty lines are not stored.
  TStringList lines;
  for (const char* line : {"c:\\maps", "x\r\ny", "", "nil", "last", "", ""})
    lines.Add(line);
  ini.WriteStringList("Zone", &lines);
  ini.Save();
  TGIS_Ini again(nullptr, File("l.ini"));
  TStringList read;
  read.Add("to be replaced");
  again.ReadStringList("Zone", &read);
  ASSERT_EQ(read.Count(), 5);
  EXPECT_EQ(read[0], "c:\\maps");
  EXPECT_EQ(read[1], "x\r\ny");
  EXPECT_EQ(read[2], "");
  EXPECT_EQ(read[3], "nil");
  EXPECT_EQ(read[4], "last");
  // Saving again changes nothing: no doubled backslashes.
  again.WriteStringList("Zone", &read);
  again.Save();
  TGIS_Ini third(nullptr, File("l.ini"));
  TStringList reread;
  third.ReadStringList("Zone", &reread);
  EXPECT_TRUE(reread.Equals(read));

  // Without key1 the list stays; a list whose only line reads "nil" comes back.
  TStringList untouched;
  untouched.Add("keep");
  third.ReadStringList("Nothing", &untouched);
  EXPECT_EQ(untouched.Count(), 1);
  TStringList nilOnly;
  nilOnly.Add("nil");
  third.WriteStringList("Single", &nilOnly);
  third.ReadStringList("Single", &untouched);
  EXPECT_TRUE(untouched.Equals(nilOnly));
  EXPECT_THROW(third.ReadStringList("Zone", nullptr), EAssertionFailed);
  EXPECT_THROW(third.WriteStringList("Zone", nullptr), EAssertionFailed);
}

TEST_F(GisIniTest, PathsAreStoredRelativeToTheIni) {
  fs::create_directories(File("sym"));
  Write("sym/a.bmp", "\x02\x02");
  TGIS_Ini ini(nullptr, File("proj.ini"));
  EXPECT_EQ(ini.RelativePath(File("sym/a.bmp")), "sym/a.bmp");
  EXPECT_EQ(ini.RelativePath("http://x/y"), "http://x/y");
  EXPECT_EQ(ini.AbsolutePath("sym/a.bmp"), File("sym/a.bmp"));
  EXPECT_EQ(ini.AbsolutePath("sym"), File("sym"));
  EXPECT_EQ(ini.AbsolutePath("nosuch/b.bmp"), "nosuch/b.bmp");
  EXPECT_EQ(ini.AbsolutePath("nil"), "nil");
  ini.SetRelativePaths(false);
  EXPECT_EQ(ini.RelativePath(File("sym/a.bmp")), File("sym/a.bmp"));
}

// A rough cross-check with another reader: Python's configparser reads what we
// wrote (skipped when python3 is not installed).
TEST_F(GisIniTest, AnotherReaderReadsWhatWeWrote) {
  if (std::system("command -v python3 > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  {
    TGIS_Ini ini(nullptr, File("cross.ini"));
    ini.WriteString("Name", "Main roads");
    ini.WriteFloat("Scale", 0.5);
    ini.WriteColor("Line.Color", 0x00FF00);
    ini.SelectSection(2);
    ini.WriteInteger("Count", 12);
    ini.Save();
  }
  const std::string script = File("read.py");
  std::ofstream(script)
      << "import configparser, sys\n"
         "c = configparser.RawConfigParser()\n"
         "c.read(sys.argv[1])\n"
         "print(c['Vornakel Layer']['name'], c['Vornakel Layer']['scale'],\n"
         "      c['Vornakel Layer']['line.color'], c['Vornakel Layer 2']['count'],\n"
         "      sep='|', end='')\n";
  const std::string command =
      "python3 " + script + " " + File("cross.ini") + " > " + File("out.txt");
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(Read("out.txt"), "Main roads|0.5|LIME|12");
}

class FakePicture : public TGIS_BitmapPicture {
public:
  int Width() const override { return 1; }
  int Height() const override { return 1; }
};

class FakeSymbols : public TGIS_SymbolResolver {
public:
  explicit FakeSymbols(std::string file) : file_(std::move(file)) {}
  TGIS_SymbolAbstract* Find(const std::string& name) override {
    found = name;
    return reinterpret_cast<TGIS_SymbolAbstract*>(this);
  }
  std::string NameOf(const TGIS_SymbolAbstract*, bool& isFile) override {
    isFile = true;
    return file_;
  }
  std::string found;

private:
  std::string file_;
};

TEST_F(GisIniTest, BitmapsAndSymbolsByPath) {
  fs::create_directories(File("sym"));
  Write("sym/a.bmp", "x");
  Write("sym/s.cgm", "x");
  GisSetBitmapLoaders([](const std::string&) { return std::make_shared<FakePicture>(); }, nullptr);
  FakeSymbols symbols(File("sym/s.cgm"));
  GisSetSymbolResolver(&symbols);

  TGIS_Ini ini(nullptr, File("proj.ini"));
  TGIS_Bitmap bitmap;
  bitmap.LoadFromFile(File("sym/a.bmp"));
  ini.WriteBitmap("Area.Bitmap", &bitmap);
  ini.WriteBitmap("None", nullptr);
  TGIS_Bitmap notFromFile;
  notFromFile.SetPicture(std::make_shared<FakePicture>());
  ini.WriteBitmap("Memory", &notFromFile);
  ini.WriteSymbol("Marker.Symbol", reinterpret_cast<TGIS_SymbolAbstract*>(&symbols));
  ini.WriteSymbol("NoSymbol", nullptr);
  EXPECT_EQ(ini.ReadRaw("Area.Bitmap"), "sym/a.bmp");
  EXPECT_EQ(ini.ReadRaw("None"), "");
  EXPECT_EQ(ini.ReadRaw("Memory"), "");
  EXPECT_EQ(ini.ReadRaw("Marker.Symbol"), "sym/s.cgm");
  EXPECT_EQ(ini.ReadRaw("NoSymbol"), "");

  auto read = ini.ReadBitmap("Area.Bitmap", nullptr);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Path(), File("sym/a.bmp"));
  EXPECT_EQ(ini.ReadBitmap("Missing", nullptr), nullptr);
  auto def = ini.ReadBitmap("None", &bitmap); // empty value: a copy of the default
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->Path(), bitmap.Path());

  EXPECT_EQ(ini.ReadSymbol("Marker.Symbol", nullptr),
            reinterpret_cast<TGIS_SymbolAbstract*>(&symbols));
  EXPECT_EQ(symbols.found, File("sym/s.cgm")); // looked up by its absolute path
  EXPECT_EQ(ini.ReadSymbol("Missing", nullptr), nullptr);

  GisSetSymbolResolver(nullptr);
  GisSetBitmapLoaders(nullptr, nullptr);
}

} // namespace
