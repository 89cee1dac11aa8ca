// TIGER/Line: data sets a helper writes column by column (the model is the
// expectation): versions, place names, ZIP+4 codes, shape points, damaged
// lines and missing files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerTiger.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "tests/gis/formats/ErrorText.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace tigertest {

using sktest::TTempDir;

/// A fixed-column line: `columns` blanks with texts put at 1-based columns.
class TColumns {
public:
  explicit TColumns(std::size_t width) : text_(width, ' ') {}
  TColumns& Put(int column, const std::string& value) {
    text_.replace(std::size_t(column - 1), value.size(), value);
    return *this;
  }
  /// Right-aligned in `width` columns.
  TColumns& Right(int column, int width, const std::string& value) {
    return Put(column + width - int(value.size()), value);
  }
  std::string Text() const { return text_; }

private:
  std::string text_;
};

std::string Coordinate(double degrees, int width) {
  const std::int64_t v = std::int64_t(degrees * 1000000.0 + (degrees < 0 ? -0.5 : 0.5));
  std::string t = (v < 0 ? "-" : "+") + IntToStr(v < 0 ? -v : v);
  return std::string(std::size_t(width) - t.size(), ' ') + t;
}

struct TChain {
  std::string Tlid;
  std::string Name;
  std::string PlaceL, PlaceR;
  TGIS_Point From, To;
};

std::string Rt1Line(const std::string& version, const TChain& c) {
  TColumns l(228);
  l.Put(1, "1").Put(2, version).Right(6, 10, c.Tlid).Put(16, "1").Put(17, "O").Put(18, "N");
  l.Put(20, c.Name).Put(50, "St").Put(56, "A41");
  l.Right(59, 11, "100").Right(70, 11, "198").Right(81, 11, "101").Right(92, 11, "199");
  l.Put(103, "0100").Put(107, "12345").Put(112, "12346");
  l.Right(117, 5, "7").Right(122, 5, "8").Put(127, "RL").Put(129, "AB");
  l.Put(131, "06").Put(133, "06").Put(135, "001").Put(138, "001");
  l.Put(141, "00100").Put(146, "00200").Right(151, 5, "3").Right(156, 5, "4");
  l.Put(161, c.PlaceL).Put(166, c.PlaceR).Right(171, 6, "100").Right(177, 6, "101");
  l.Put(183, "1000").Put(187, "1001A");
  l.Put(191, Coordinate(c.From.X, 10)).Put(201, Coordinate(c.From.Y, 9));
  l.Put(210, Coordinate(c.To.X, 10)).Put(220, Coordinate(c.To.Y, 9));
  return l.Text();
}

std::string Rt2Line(const std::string& version, const std::string& tlid, int sequence,
                    const std::vector<TGIS_Point>& points) {
  TColumns l(208);
  l.Put(1, "2").Put(2, version).Right(6, 10, tlid).Right(16, 3, IntToStr(sequence));
  for (std::size_t i = 0; i < 10; ++i) {
    const TGIS_Point p = i < points.size() ? points[i] : TGIS_Point{0, 0};
    l.Put(19 + int(i) * 19, Coordinate(p.X, 10)).Put(29 + int(i) * 19, Coordinate(p.Y, 9));
  }
  return l.Text();
}

/// A place record: class 1 names at column 53, classes 3 and 5 at 63.
std::string RtcLine(const std::string& version, bool fpLayout, const std::string& code,
                    const std::string& column11, char entity, const std::string& name) {
  TColumns l(fpLayout ? 122 : 112);
  l.Put(1, "C").Put(2, version).Put(6, "06").Put(8, "001").Put(11, column11).Put(15, code);
  l.Put(25, std::string(1, entity)).Put(fpLayout ? 63 : 53, name);
  return l.Text();
}

std::string RtzLine(const std::string& version, const std::string& tlid, const std::string& left,
                    const std::string& right) {
  TColumns l(26);
  l.Put(1, "Z").Put(2, version).Right(6, 10, tlid).Put(16, "  1").Put(19, left).Put(23, right);
  return l.Text();
}

struct TTigerSet {
  std::string Version = "1002"; // swapped: 210, class 3
  std::vector<std::string> Rt1, Rt2, Rtc, Rtz;

  std::string Write(const TTempDir& dir, const std::string& base = "TGR06001") const {
    auto join = [](const std::vector<std::string>& lines) {
      std::string t;
      for (const auto& l : lines)
        t += l + "\r\n";
      return t;
    };
    dir.Write(base + ".RT1", join(Rt1));
    dir.Write(base + ".RT2", join(Rt2));
    dir.Write(base + ".RTC", join(Rtc));
    dir.Write(base + ".RTZ", join(Rtz));
    return dir / (base + ".RT1");
  }
};

TTigerSet SampleSet(const std::string& version = "1002") {
  TTigerSet s;
  s.Version = version;
  const bool fp = version != "0301";
  s.Rt1 = {Rt1Line(version, {"101", "Main", "12345", "", {-122, 37}, {-122.1, 37.1}}),
           Rt1Line(version, {"102", "Oak", "54321", "12345", {-122.1, 37.1}, {-122.2, 37}}),
           Rt1Line(version, {"103", "Elm", "", "", {-121.5, 36.5}, {-121.6, 36.6}})};
  s.Rt2 = {Rt2Line(version, "101", 1, {{-122.01, 37.01}, {-122.02, 37.02}}),
           Rt2Line(version, "102", 1,
                   {{-122.11, 37.1},
                    {-122.12, 37.1},
                    {-122.13, 37.1},
                    {-122.14, 37.1},
                    {-122.15, 37.1},
                    {-122.16, 37.1},
                    {-122.17, 37.1},
                    {-122.18, 37.1},
                    {-122.19, 37.1},
                    {-122.195, 37.05}}),
           Rt2Line(version, "102", 2, {{-122.197, 37.03}})};
  s.Rtc = {RtcLine(version, fp, "12345", "2000", 'P', "Springfield"),
           RtcLine(version, fp, "54321", "1990", 'P', "Shelbyville"),
           RtcLine(version, fp, "54321", "2000", 'P', "Shelbyville Heights"),
           RtcLine(version, fp, "54321", "1995", 'P', "Old Shelbyville"),
           RtcLine(version, fp, "99999", "2000", 'C', "Not a place")};
  s.Rtz = {RtzLine(version, "101", "0045", "0000"), RtzLine(version, "101", "9999", "9999"),
           RtzLine(version, "102", "0000", "1234")};
  return s;
}

std::unique_ptr<TGIS_LayerTiger> OpenTiger(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerTiger>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

std::string Points(TGIS_Shape& s) {
  std::string t;
  for (int i = 0; i < s.GetPartSize(0); ++i)
    t += Format("(%.6f %.6f)", {s.GetPoint(0, i).X, s.GetPoint(0, i).Y});
  return t;
}

TEST(TigerLayer, ChainsWithTheirPointsNamesAndZipCodes) {
  TTempDir dir("tiger-good");
  auto layer = OpenTiger(SampleSet().Write(dir));
  EXPECT_EQ(layer->InfoText(), "Census 2000 TIGER/Line (RT1)");
  EXPECT_FALSE(layer->IsModified());
  ASSERT_EQ(layer->FieldCount(), 42);
  EXPECT_EQ(layer->GetFieldInfo(0)->NewName, "TLID");
  EXPECT_EQ(layer->GetFieldInfo(18)->NewName, "AIANHHFPL");
  EXPECT_EQ(layer->GetFieldInfo(41)->NewName, "ZIP4R");
  ASSERT_EQ(layer->ShapeCount(), 3);

  TGIS_Shape* main = layer->ShapeAt(0);
  EXPECT_EQ(main->GetField("TLID").AsString(), "101");
  EXPECT_EQ(main->GetField("FENAME").AsString(), "Main");
  EXPECT_EQ(main->GetField("CFCC").AsString(), "A41");
  EXPECT_EQ(main->GetField("FRADDR").AsString(), "101");
  EXPECT_FALSE(main->GetField("FRIADDL").AsBoolean());
  EXPECT_TRUE(main->GetField("TOIADDL").AsBoolean());
  EXPECT_EQ(main->GetField("AIANHHFPR").AsDouble(), 8);
  EXPECT_EQ(main->GetField("CENSUS2").AsString(), "B");
  EXPECT_EQ(main->GetField("COUNTYL").AsDouble(), 1);
  EXPECT_EQ(main->GetField("TRACTR").AsDouble(), 101);
  EXPECT_EQ(main->GetField("BLOCKR").AsString(), "1001");
  EXPECT_EQ(main->GetField("PLACEL").AsString(), "12345");
  EXPECT_EQ(main->GetField("NAMEL").AsString(), "Springfield");
  EXPECT_EQ(VarToStr(main->GetField("NAMER")), "");
  // ZIP+4: the first record of a chain; 0045 is 45, 0 is empty.
  EXPECT_EQ(main->GetField("ZIP4L").AsString(), "45");
  EXPECT_EQ(VarToStr(main->GetField("ZIP4R")), "");
  EXPECT_EQ(Points(*main), "(-122.000000 37.000000)(-122.010000 37.010000)"
                           "(-122.020000 37.020000)(-122.100000 37.100000)");

  TGIS_Shape* oak = layer->ShapeAt(1);
  // Duplicated place codes: the greatest column 11-14 wins.
  EXPECT_EQ(oak->GetField("NAMEL").AsString(), "Shelbyville Heights");
  EXPECT_EQ(oak->GetField("NAMER").AsString(), "Springfield");
  EXPECT_EQ(oak->GetField("ZIP4R").AsString(), "1234");
  // Ten pairs of the first record, one of the second, then the end point.
  EXPECT_EQ(oak->GetNumPoints(), 13);
  EXPECT_EQ(Format("%.6f", {oak->GetPoint(0, 11).X}), "-122.197000");

  // A chain without shape points keeps its two ends.
  EXPECT_EQ(layer->ShapeAt(2)->GetNumPoints(), 2);
}

TEST(TigerLayer, VersionClasses) {
  TTempDir dir("tiger-versions");
  struct Case {
    const char* version;
    bool opens;
    const char* placeField; // the 19th field's name
    const char* namel;      // the first chain's left place name
  } cases[] = {
      {"1000", true, "AIANHHL", ""},              // 10: class 0, places not decoded
      {"0301", true, "AIANHHL", "Springfield"},   // 103: class 1
      {"0402", true, "AIANHHL", ""},              // 204: class 2
      {"0602", false, "", ""},                    // 206: refused
      {"0902", false, "", ""},                    // 209: refused
      {"1002", true, "AIANHHFPL", "Springfield"}, // 210: class 3
      {"0203", true, "AIANHHL", ""},              // 302: class 4
      {"0403", false, "", ""},                    // 304: refused
      {"0503", true, "AIANHHFPL", "Springfield"}, // 305: class 3
      {"0603", true, "AIANHHFPL", "Springfield"}, // 306: class 3
      {"0004", true, "AIANHHFPL", "Springfield"}, // 400: class 5
      {"12AB", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TTigerSet set = SampleSet(c.version);
    const std::string path = set.Write(dir);
    if (!c.opens) {
      // Refused at the start of the place pass: the ".rtc" file, line 0.
      const std::string error = fmttest::ErrorText([&] { OpenTiger(path); });
      EXPECT_EQ(error.rfind("0090", 0), 0u) << error;
      EXPECT_NE(error.find("TGR06001.RTC\" as line 0"), std::string::npos) << error;
      continue;
    }
    auto layer = OpenTiger(path);
    EXPECT_EQ(layer->GetFieldInfo(18)->NewName, c.placeField);
    EXPECT_EQ(VarToStr(layer->ShapeAt(0)->GetField("NAMEL")), c.namel);
  }
}

TEST(TigerLayer, PlaceRecordsAndShapePointsInTheirForms) {
  TTempDir dir("tiger-forms");
  TTigerSet set = SampleSet();
  // A later record with blank columns 11-14 replaces a stored one.
  set.Rtc.push_back(RtcLine(set.Version, true, "12345", "    ", 'P', "Springfield Blank"));
  // A zero longitude ends the pairs of a record.
  set.Rt2[0] = Rt2Line(set.Version, "101", 1,
                       {{-122.01, 37.01}, {-122.02, 37.02}, {0, 5}, {-122.03, 37.03}});
  auto layer = OpenTiger(set.Write(dir));
  EXPECT_EQ(layer->ShapeAt(0)->GetField("NAMEL").AsString(), "Springfield Blank");
  EXPECT_EQ(layer->ShapeAt(0)->GetNumPoints(), 4);
}

TEST(TigerLayer, DamagedSetsGiveClearErrors) {
  TTempDir dir("tiger-damaged");
  struct Case {
    const char* name;
    std::function<void(TTigerSet&)> damage;
    const char* file;
    int line;
  };
  const std::vector<Case> cases = {
      {"short RT1 line", [](TTigerSet& s) { s.Rt1[1].resize(219); }, "RT1", 2},
      {"blank RT1 line", [](TTigerSet& s) { s.Rt1.insert(s.Rt1.begin() + 1, ""); }, "RT1", 2},
      {"short RT2 line", [](TTigerSet& s) { s.Rt2[0].resize(199); }, "RT2", 1},
      {"RT2 chain without RT1", [](TTigerSet& s) { s.Rt2[0].replace(12, 3, "999"); }, "RT2", 1},
      {"RT2 continuation first",
       [](TTigerSet& s) { s.Rt2.erase(s.Rt2.begin(), s.Rt2.begin() + 2); }, "RT2", 1},
      {"bad coordinate", [](TTigerSet& s) { s.Rt1[0].replace(195, 3, "x.y"); }, "RT1", 1},
      {"blank RTZ line", [](TTigerSet& s) { s.Rtz.push_back(""); }, "RTZ", 4},
      {"blank RTC line", [](TTigerSet& s) { s.Rtc.insert(s.Rtc.begin(), ""); }, "RTC", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTigerSet set = SampleSet();
    c.damage(set);
    const std::string path = set.Write(dir);
    auto layer = std::make_unique<TGIS_LayerTiger>();
    layer->SetPath(path);
    const std::string error = fmttest::ErrorText([&] { layer->Open(); });
    EXPECT_EQ(error, Format("0090 File structure error in file \"%s\" as line %d",
                            {(dir / (std::string("TGR06001.") + c.file)), c.line}));
    EXPECT_FALSE(layer->IsModified());
  }
  // Classes 0, 2 and 4 do not decode their place records: a blank one passes.
  TTigerSet old = SampleSet("1000");
  old.Rtc.insert(old.Rtc.begin(), "");
  EXPECT_EQ(OpenTiger(old.Write(dir))->ShapeCount(), 3);

  // A missing member of the set: 0030 before anything is read.
  for (const char* ext : {".RT2", ".RTC", ".RTZ"}) {
    TTempDir one("tiger-missing");
    const std::string path = SampleSet().Write(one);
    std::filesystem::remove(one / (std::string("TGR06001") + ext));
    auto layer = std::make_unique<TGIS_LayerTiger>();
    layer->SetPath(path);
    const std::string error = fmttest::ErrorText([&] { layer->Open(); });
    EXPECT_EQ(error.rfind("0030", 0), 0u) << error;
    EXPECT_EQ(layer->ShapeCount(), 0);
  }
}

TEST(TigerLayer, FactoryRowAndCompanionsInAnyCase) {
  GisFormatsRegisterLayers();
  TTempDir dir("tiger-factory");
  const std::string path = SampleSet().Write(dir, "tgr06001");
  // The companions written in upper case are found from a lower-case ".rt1".
  std::filesystem::rename(dir / "tgr06001.RT1", dir / "tgr06001.rt1");
  auto layer = GisCreateLayer("t", dir / "tgr06001.rt1");
  auto* tiger = dynamic_cast<TGIS_LayerTiger*>(layer.get());
  ASSERT_NE(tiger, nullptr);
  tiger->Open();
  EXPECT_EQ(tiger->ShapeCount(), 3);
  (void)path;
}

TEST(TigerLayer, ChainsAgreeWithGdal) {
  if (!fmttest::HaveGdal()) GTEST_SKIP() << "GDAL's Python bindings are not installed";
  TTempDir dir("tiger-gdal");
  // GDAL reads versions of classes 1 and 3 (its own names for the place columns).
  for (const char* version : {"0301", "1002"}) {
    SCOPED_TRACE(version);
    const std::string path = SampleSet(version).Write(dir);
    auto layer = OpenTiger(path);
    const auto lines = fmttest::Split(sktest::RunTool("/usr/bin/python3 " +
                                                      fmttest::DataFile("e00/dump_e00_layer.py") +
                                                      " '" + path + "' CompleteChain --header"),
                                      '\n');
    ASSERT_GT(lines.size(), 1u);
    const auto names = fmttest::Split(lines[0], '\t');
    int compared = 0;
    for (std::size_t k = 1; k < lines.size(); ++k) {
      if (lines[k].empty()) continue;
      const auto cols = fmttest::Split(lines[k], '\t');
      const auto geometry = fmttest::Split(cols[0], '|');
      TGIS_Shape* s = layer->ShapeAt(compared++);
      const auto xy = fmttest::Split(geometry[1], ' ');
      ASSERT_EQ(s->GetNumPoints(), int(xy.size()));
      for (int i = 0; i < s->GetNumPoints(); ++i) {
        const auto v = fmttest::Split(xy[std::size_t(i)], ',');
        double gx, gy;
        const std::uint64_t bx = fmttest::HexBits(v[0]), by = fmttest::HexBits(v[1]);
        std::memcpy(&gx, &bx, 8);
        std::memcpy(&gy, &by, 8);
        EXPECT_NEAR(s->GetPoint(0, i).X, gx, 1e-12);
        EXPECT_NEAR(s->GetPoint(0, i).Y, gy, 1e-12);
      }
      // Every field both sides have: equal as text (numbers as numbers).
      for (std::size_t c = 1; c < names.size(); ++c) {
        const int f = layer->FindField(names[c]);
        if (f < 0) continue;
        const TGIS_FieldInfo& info = *layer->GetFieldInfo(f);
        const std::string ours = Trim(VarToStr(s->GetField(info.NewName)));
        const std::string theirs = cols[c] == "<null>" ? "" : Trim(cols[c]);
        if (info.FieldType == gisFieldTypeBoolean) {
          EXPECT_EQ(s->GetField(info.NewName).AsBoolean(), theirs == "1") << names[c];
        } else if (info.FieldType == gisFieldTypeNumber && !theirs.empty()) {
          EXPECT_EQ(s->GetField(info.NewName).AsDouble(), StrToFloat(theirs)) << names[c];
        } else if (ours != theirs) {
          // GDAL reads some code columns as integers: "00100" is 100.
          EXPECT_EQ(StrToFloat(ours), StrToFloat(theirs)) << names[c];
        }
      }
    }
    EXPECT_EQ(compared, 3);
  }
}

TEST(TigerLayer, SamplesInTheDataFolder) {
  auto good = OpenTiger(fmttest::DataFile("tiger/TGR06001.RT1"));
  EXPECT_EQ(good->ShapeCount(), 3);
  const std::string error =
      fmttest::ErrorText([] { OpenTiger(fmttest::DataFile("tiger/damaged/TGR06002.RT1")); });
  EXPECT_EQ(error.rfind("0090", 0), 0u) << error;
}

} // namespace tigertest
