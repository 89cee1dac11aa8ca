// DLG: the optional records we write (golden bytes), reading both formats,
// round trips of random layers, the safe replacement of the file and the
// attribute-code table.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerDLG.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"
#include "tests/gis/formats/SaveKillSupport.h"
#include "tests/support/Sanitizers.h"

namespace dlgtest {

std::unique_ptr<TGIS_LayerDLG> OpenDlg(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerDLG>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

/// An in-memory source layer with the DLG fields.
std::unique_ptr<TGIS_LayerVector> Source() {
  auto layer = std::make_unique<TGIS_LayerVector>();
  layer->Open();
  layer->AddField("DLG_TYPE", gisFieldTypeString, 1, 0);
  for (const char* name :
       {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2", "DLG_MINOR2", "DLG_MAJOR3", "DLG_MINOR3"})
    layer->AddField(name, gisFieldTypeNumber, 10, 0);
  return layer;
}

TGIS_Shape* AddShape(TGIS_LayerVector& layer, TGIS_ShapeType type,
                     const std::vector<std::vector<TGIS_Point>>& parts, const std::string& dlgType,
                     std::vector<int> codes = {}) {
  TGIS_Shape* s = layer.CreateShape(type);
  s->Lock(1);
  for (const auto& part : parts) {
    s->AddPart();
    for (const auto& p : part)
      s->AddPoint(p);
  }
  s->Unlock();
  if (!dlgType.empty() && layer.FindFieldIndex("DLG_TYPE") >= 0) s->SetField("DLG_TYPE", dlgType);
  static const char* const names[6] = {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2",
                                       "DLG_MINOR2", "DLG_MAJOR3", "DLG_MINOR3"};
  for (std::size_t i = 0; i < codes.size() && i < 6; ++i)
    if (layer.FindFieldIndex(names[i]) >= 0) s->SetField(names[i], Variant(codes[i]));
  return s;
}

std::vector<std::string> Records(const std::string& bytes) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < bytes.size(); at += 80)
    out.push_back(bytes.substr(at, 80));
  return out;
}

std::string Pad(const std::string& text) {
  return text + std::string(80 - text.size(), ' ');
}

/// A category record for the counts.
std::string Category(const std::string& name, int nodes, int areas, int lines) {
  return Format("%-24s%6d%6d 01 %6d%6d 010%6d%6d 000%6d%2d",
                {name, nodes, nodes, areas, areas, lines, lines, 0, 0});
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EGIS_Exception& e) {
    return e.what();
  }
  return "";
}

} // namespace dlgtest

TEST(DlgLayer, OnePointGivesTheGoldenSeventeenRecords) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-golden");
  auto src = Source();
  AddShape(*src, gisShapeTypePoint, {{{100.5, 200.25}}}, "N");
  TGIS_LayerDLG out;
  out.SetPath(dir / "one.opt");
  out.ImportLayer(src.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const std::string bytes = sktest::TTempDir::Read(dir / "one.opt");
  ASSERT_EQ(bytes.size(), 17u * 80u);
  const auto r = Records(bytes);
  const std::string expected[] = {
      "*** DLG-OPTIONAL FORMAT PRODUCED BY VORNAKEL",
      std::string(41, ' ') + "0" + std::string(11, ' ') + "Unknown" + std::string(4, ' ') + "0",
      std::string(44, ' ') + "01,  01  202,  02    bbbbbbbb",
      "     3     1    16     2     0.00000000000     4     0     4     1  1  0",
      "     0.000000000000000       0.000000000000000       0.000000000000000",
      "     0.000000000000000       0.000000000000000       0.000000000000000",
      "     0.000000000000000       0.000000000000000       0.000000000000000",
      "     0.000000000000000       0.000000000000000       0.000000000000000",
      "     0.000000000000000       0.000000000000000       0.000000000000000",
      "   1.00000000000     0.00000000000     0.00000000000     0.00000000000",
      "SW       000000000  0000000000         000000000  0000000000",
      "NW       000000000  0000000000         000000000  0000000000",
      "NE       000000000  0000000000         000000000  0000000000",
      "SE       000000000  0000000000         000000000  0000000000",
      "VECTOR_DATA                  1     1 01      0     0 010     0     0 000     0 0",
      "N    1      100.50      200.25     0     1     0     3     0     0",
      "     0     0     0     0     0     0"};
  const std::size_t lengths[] = {44, 65, 73, 72, 70, 70, 70, 70, 70, 70, 60, 60, 60, 60, 80, 66, 36};
  for (std::size_t i = 0; i < 17; ++i) {
    EXPECT_EQ(expected[i].size(), lengths[i]) << i + 1;
    EXPECT_EQ(r[i], Pad(expected[i])) << i + 1;
  }
  // It reads back: the category, the counts and the point.
  auto back = OpenDlg(dir / "one.opt");
  EXPECT_TRUE(back->IsOptionalFormat());
  EXPECT_EQ(back->InfoText(), "DLG Optional Format - VECTOR_DATA");
  EXPECT_EQ(back->NodeCount(), 1);
  ASSERT_EQ(back->GetLastUid(), 1);
  EXPECT_EQ(back->GetShape(1)->GetPoint(0, 0).X, 100.5);
  EXPECT_EQ(back->GetShape(1)->GetField("DLG_TYPE").AsString(), "N");
  EXPECT_FALSE(back->IsModified());
}

TEST(DlgLayer, ElementsAreNumberedOnePerPointAndPart) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-elements");
  auto src = Source();
  std::vector<TGIS_Point> seven;
  for (int i = 0; i < 7; ++i)
    seven.push_back({double(i), double(10 * i)});
  AddShape(*src, gisShapeTypeArc, {seven}, "L", {50, 412});
  AddShape(*src, gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}, {4, 4}}}, "L", {170, 201});
  AddShape(*src, gisShapeTypeMultiPoint, {{{5, 5}, {6, 6}, {7, 7}}}, "A", {90, 1});
  AddShape(*src, gisShapeTypePolygon, {{{0, 0}, {0, 1}, {1, 1}, {0, 0}}}, "A");
  AddShape(*src, gisShapeTypePoint, {{{8, 8}}}, "", {20, 0});
  TGIS_LayerDLG out;
  out.SetPath(dir / "e.opt");
  out.ImportLayer(src.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const auto r = Records(sktest::TTempDir::Read(dir / "e.opt"));
  // Counts: one node (the untyped point), three areas, three lines.
  EXPECT_EQ(r[14].substr(24, 6), "     1");
  EXPECT_EQ(r[14].substr(40, 6), "     3");
  EXPECT_EQ(r[14].substr(56, 6), "     3");
  // Nodes first, then areas (one numbered element per point), then lines.
  EXPECT_EQ(r[15].substr(0, 6), "N    1");
  EXPECT_EQ(r[16], Pad("    20     0     0     0     0     0"));
  EXPECT_EQ(r[17].substr(0, 6), "A    1");
  EXPECT_EQ(r[19].substr(0, 6), "A    2");
  EXPECT_EQ(r[21].substr(0, 6), "A    3");
  EXPECT_EQ(r[22], Pad("    90     1     0     0     0     0"));
  // The arc of seven: its L record, three coordinate records (3, 3, 1), one attribute record.
  EXPECT_EQ(r[23].substr(0, 6), "L    1");
  EXPECT_EQ(r[23].substr(42, 6), "     7");
  EXPECT_EQ(r[24], Pad("        0.00        0.00        1.00       10.00        2.00       20.00"));
  EXPECT_EQ(r[26], Pad("        6.00       60.00"));
  EXPECT_EQ(r[27], Pad("    50   412     0     0     0     0"));
  // The two parts are lines 2 and 3, each with its attribute record.
  EXPECT_EQ(r[28].substr(0, 6), "L    2");
  EXPECT_EQ(r[31].substr(0, 6), "L    3");
  EXPECT_EQ(r.size(), 34u);

  auto back = OpenDlg(dir / "e.opt");
  ASSERT_EQ(back->GetLastUid(), 7);
  struct Row {
    std::int32_t uid;
    const char* type;
    int points, major;
    const char* desc;
  };
  // Nodes and areas come first in the file, then lines.
  const Row rows[] = {{1, "N", 1, 20, "Contour"},           {2, "A", 1, 90, "Boundary Monument"},
                      {3, "A", 1, 90, "Boundary Monument"}, {4, "A", 1, 90, "Boundary Monument"},
                      {5, "L", 7, 50, "Stream"},           {6, "L", 2, 170, ""},
                      {7, "L", 3, 170, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.uid);
    TGIS_Shape* s = back->GetShape(row.uid);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetField("DLG_TYPE").AsString(), row.type);
    EXPECT_EQ(s->GetNumPoints(), row.points);
    EXPECT_EQ(s->GetField("DLG_MAJOR1").AsInteger(), row.major);
    if (row.major != 170) {
      EXPECT_EQ(s->GetField("DLG_DESC").AsString(), row.desc);
    }
  }
  EXPECT_EQ(back->GetShape(6)->GetField("DLG_DESC").AsString(),
            "Primary Route; Class 1; Undivided");
}

TEST(DlgLayer, RandomLayersRoundTripAtTwoDecimals) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-random");
  std::mt19937 rng(3);
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    TDecimalSeparatorGuard comma(round % 2 == 0 ? ',' : '.');
    auto src = round == 5 ? std::make_unique<TGIS_LayerVector>() : Source();
    if (round == 5) src->Open(); // no DLG fields at all
    std::uniform_real_distribution<double> coord(round == 3 ? -9e8 : -1e4, round == 3 ? 9e8 : 1e4);
    std::uniform_int_distribution<int> code(0, 999), kind(0, 2), len(1, 9);
    const int shapes = round == 4 ? 10050 : 40;
    for (int i = 0; i < shapes; ++i) {
      const int k = round == 4 ? 0 : kind(rng);
      std::vector<std::vector<TGIS_Point>> parts;
      const int nparts = k == 2 ? 1 + len(rng) % 3 : 1;
      for (int p = 0; p < nparts; ++p) {
        std::vector<TGIS_Point> pts;
        const int n = k == 0 ? 1 : k == 1 ? len(rng) : 1 + len(rng);
        for (int j = 0; j < n; ++j)
          pts.push_back({coord(rng), coord(rng)});
        parts.push_back(pts);
      }
      const TGIS_ShapeType type = k == 0 ? gisShapeTypePoint
                                  : k == 1 ? gisShapeTypeMultiPoint
                                           : gisShapeTypeArc;
      const std::string letter = k == 2 ? "L" : (i % 3 == 0 ? "A" : (i % 3 == 1 ? "N" : ""));
      AddShape(*src, type, parts, letter,
               {code(rng), code(rng), code(rng), code(rng), code(rng), code(rng)});
    }
    TGIS_LayerDLG out;
    out.SetPath(dir / ("r" + IntToStr(round) + ".dlg"));
    out.ImportLayer(src.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    auto back = OpenDlg(out.Path());
    EXPECT_TRUE(back->IsOptionalFormat()); // a ".dlg" without line ends
    // Expected elements: points by letter (areas first, then nodes, in source
    // order within each), then lines, one per part.
    struct TElem {
      std::string letter;
      std::vector<TGIS_Point> pts;
      std::vector<int> codes;
    };
    std::vector<TElem> areas, nodes, lines;
    for (int i = 0; i < src->ShapeCount(); ++i) {
      TGIS_Shape* s = src->ShapeAt(i);
      std::vector<int> codes;
      for (const char* name : {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2", "DLG_MINOR2",
                               "DLG_MAJOR3", "DLG_MINOR3"})
        codes.push_back(src->FindFieldIndex(name) >= 0 ? int(s->GetField(name).AsInteger()) : 0);
      const std::string letter =
          src->FindFieldIndex("DLG_TYPE") >= 0 ? s->GetField("DLG_TYPE").AsString() : "";
      for (int p = 0; p < s->GetNumParts(); ++p) {
        if (s->ShapeType() == gisShapeTypeArc) {
          TElem e{"L", {}, codes};
          for (int j = 0; j < s->GetPartSize(p); ++j)
            e.pts.push_back(s->GetPoint(p, j));
          lines.push_back(e);
        } else {
          for (int j = 0; j < s->GetPartSize(p); ++j)
            (letter == "A" ? areas : nodes)
                .push_back({letter == "A" ? "A" : "N", {s->GetPoint(p, j)}, codes});
        }
      }
    }
    // The file holds nodes and areas in source order; collect ours by letter.
    std::vector<TElem> gotAreas, gotNodes, gotLines;
    for (int i = 0; i < back->ShapeCount(); ++i) {
      TGIS_Shape* s = back->ShapeAt(i);
      TElem e{s->GetField("DLG_TYPE").AsString(), {}, {}};
      for (int j = 0; j < s->GetPartSize(0); ++j)
        e.pts.push_back(s->GetPoint(0, j));
      for (const char* name : {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2", "DLG_MINOR2",
                               "DLG_MAJOR3", "DLG_MINOR3"})
        e.codes.push_back(int(s->GetField(name).AsInteger()));
      (e.letter == "A" ? gotAreas : e.letter == "N" ? gotNodes : gotLines).push_back(e);
    }
    EXPECT_EQ(back->NodeCount(), int(nodes.size()));
    EXPECT_EQ(back->AreaCount(), int(areas.size()));
    EXPECT_EQ(back->LineCount(), int(lines.size()));
    auto same = [](const std::vector<TElem>& a, const std::vector<TElem>& b) {
      ASSERT_EQ(a.size(), b.size());
      for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].pts.size(), b[i].pts.size()) << i;
        for (std::size_t j = 0; j < a[i].pts.size(); ++j) {
          EXPECT_NEAR(a[i].pts[j].X, b[i].pts[j].X, 0.005 + 1e-9 * std::fabs(a[i].pts[j].X));
          EXPECT_NEAR(a[i].pts[j].Y, b[i].pts[j].Y, 0.005 + 1e-9 * std::fabs(a[i].pts[j].Y));
        }
        EXPECT_EQ(a[i].codes, b[i].codes) << i;
      }
    };
    same(areas, gotAreas);
    same(nodes, gotNodes);
    same(lines, gotLines);
  }
}

TEST(DlgLayer, StandardAndOptionalFilesRead) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-read");
  // Standard: the category on line 16, blank lines skipped, tokens split at blanks.
  std::string standard;
  for (int i = 1; i <= 15; ++i)
    standard += "header line " + IntToStr(i) + "\n" + (i == 3 ? "\n" : "");
  standard += Category("HYDROGRAPHY", 2, 0, 2) + "\n";
  standard += "  050 0412\n"; // before any element: belongs to no shape
  standard += "N 1 10.5 20.25 0 1\n";
  standard += "050 0412\n";
  standard += "\n";
  standard += "n 2 11 21\n";
  standard += "091 7 -050 -0101\n";
  standard += "L 1 0 0 0 0 3 1\n";
  standard += "1 2 3 4\n5 6\n";
  standard += "050 9999\n";
  standard += "L 2 0 0 0 0 1 0\n7 8\n";
  standard += "50 101 90 100 170 1 180 2";
  dir.Write("s.dlg", standard);
  auto s = OpenDlg(dir / "s.dlg");
  EXPECT_FALSE(s->IsOptionalFormat());
  EXPECT_EQ(s->CategoryName(), "HYDROGRAPHY");
  EXPECT_EQ(s->InfoText(), "DLG Standard Format - HYDROGRAPHY");
  EXPECT_EQ(s->NodeCount(), 2);
  EXPECT_EQ(s->LineCount(), 2);
  ASSERT_EQ(s->GetLastUid(), 4);
  EXPECT_EQ(s->GetShape(1)->GetField("DLG_DESC").AsString(), "Stream");
  EXPECT_EQ(s->GetShape(1)->GetField("DLG_MINOR1").AsInteger(), 412);
  EXPECT_EQ(s->GetShape(2)->GetField("DLG_TYPE").AsString(), "n");
  EXPECT_EQ(s->GetShape(2)->GetField("DLG_DESC").AsString(),
            "State or State Equivalent FIPS Code");
  EXPECT_EQ(s->GetShape(2)->GetField("DLG_MAJOR2").AsInteger(), 50);
  EXPECT_EQ(s->GetShape(2)->GetField("DLG_MINOR2").AsInteger(), 101);
  EXPECT_EQ(s->GetShape(3)->GetNumPoints(), 3);
  EXPECT_EQ(s->GetShape(3)->GetField("DLG_DESC").AsString(), "");
  EXPECT_EQ(s->GetShape(3)->GetField("DLG_MINOR1").AsInteger(), 9999);
  // Eight codes: the second round of six overwrites the first.
  EXPECT_EQ(s->GetShape(4)->GetField("DLG_MAJOR1").AsInteger(), 180);
  EXPECT_EQ(s->GetShape(4)->GetField("DLG_MINOR1").AsInteger(), 2);
  EXPECT_EQ(s->GetShape(4)->GetField("DLG_MAJOR2").AsInteger(), 90);
  EXPECT_EQ(s->GetShape(4)->GetField("DLG_DESC").AsString(), "Reservoir");

  // Optional records with CR LF, LF or nothing after each, and a short last record.
  std::string records;
  for (int i = 1; i <= 14; ++i)
    records += Pad("header " + IntToStr(i));
  records += Pad(Category("ROADS", 1, 0, 1));
  // Ids from 10000 on, and 12-character coordinates, touch their neighbours.
  records += Pad("N10000123456789.00-12345678.00     0     1     0     3     0     0");
  records += Pad("   170   201     0     0     0     0");
  records += Pad("L    1     0     0     0     0                 2     3     0");
  records += Pad("123456789.00-12345678.00        1.00        2.00");
  const std::string lastRecord = "   170   209";
  for (const char* ending : {"", "\r\n", "\n"}) {
    SCOPED_TRACE(std::string("ending ") + IntToStr(std::strlen(ending)));
    std::string bytes;
    for (std::size_t at = 0; at < records.size(); at += 80)
      bytes += records.substr(at, 80) + ending;
    bytes += lastRecord;
    dir.Write("o.opt", bytes);
    auto o = OpenDlg(dir / "o.opt");
    EXPECT_TRUE(o->IsOptionalFormat());
    EXPECT_EQ(o->NodeCount(), 1);
    ASSERT_EQ(o->GetLastUid(), 2);
    EXPECT_EQ(o->GetShape(1)->GetPoint(0, 0).X, 123456789.0);
    EXPECT_EQ(o->GetShape(1)->GetPoint(0, 0).Y, -12345678.0);
    EXPECT_EQ(o->GetShape(1)->GetField("DLG_MINOR1").AsInteger(), 201);
    EXPECT_EQ(o->GetShape(2)->GetNumPoints(), 2);
    EXPECT_EQ(o->GetShape(2)->GetField("DLG_MINOR1").AsInteger(), 209);
    EXPECT_EQ(o->GetShape(2)->GetField("DLG_DESC").AsString(), "Road or Street; Class 3");
  }
}

TEST(DlgLayer, DamagedFilesGiveTheLineOfTheError) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-damaged");
  std::string header;
  for (int i = 1; i <= 15; ++i)
    header += "h\n";
  struct Row {
    const char* name;
    std::string text;
    std::string message; // '' = opens
  };
  const Row rows[] = {
      {"bad x", Category("CAT", 1, 0, 1) + "\nN 1 1x5 2\n", "line 17"},
      {"odd coordinates", Category("CAT", 0, 0, 1) + "\nL 1 0 0 0 0 2\n1 2 3\n", "line 18"},
      {"bad code", Category("CAT", 1, 0, 0) + "\nN 1 1 2\n50 abc\n", "line 18"},
      {"counts not numbers", "CAT                          x\nN 1 1 2\n", ""},
      {"ends early", Category("CAT", 5, 0, 5) + "\nN 1 1 2\n", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    dir.Write("d.dlg", header + r.text);
    const std::string message = MessageOf([&] { OpenDlg(dir / "d.dlg"); });
    if (r.message.empty()) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find("0090"), std::string::npos) << message;
      EXPECT_NE(message.find(r.message.substr(5)), std::string::npos) << message;
    }
  }
  // The committed samples.
  auto good = OpenDlg(fmttest::DataFile("dlg/good.opt"));
  EXPECT_GT(good->GetLastUid(), 0);
  EXPECT_NE(MessageOf([&] { OpenDlg(fmttest::DataFile("dlg/damaged.dlg")); }), "");
}

TEST(DlgLayer, SavingReplacesTheFileSafely) {
  using namespace dlgtest;
  sktest::TTempDir dir("dlg-save");
  auto src = Source();
  AddShape(*src, gisShapeTypePoint, {{{1, 2}}}, "N", {50, 412});
  // Build: a header-only file; building again is refused.
  TGIS_LayerDLG built;
  built.Build(dir / "b.dlg", GisWholeWorldExtent());
  EXPECT_EQ(sktest::TTempDir::Read(dir / "b.dlg").size(), 15u * 80u);
  TGIS_LayerDLG again;
  EXPECT_NE(MessageOf([&] { again.Build(dir / "b.dlg", GisWholeWorldExtent()); }).find("0033"),
            std::string::npos);

  TGIS_LayerDLG out;
  out.SetPath(dir / "s.dlg");
  out.ImportLayer(src.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const std::string old = sktest::TTempDir::Read(dir / "s.dlg");
  // A refused replace keeps the old file whole and leaves no temporary.
  AddShape(*src, gisShapeTypePoint, {{{3, 4}}}, "N");
  TGIS_FileSet::SetStepHook([](TGIS_FileSetStep step, int) {
    return step == TGIS_FileSetStep::Replace ? 28 : 0;
  });
  const std::string message = MessageOf([&] {
    out.ImportLayer(src.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  });
  TGIS_FileSet::SetStepHook(nullptr);
  EXPECT_NE(message.find("0032"), std::string::npos);
  EXPECT_EQ(sktest::TTempDir::Read(dir / "s.dlg"), old);
  EXPECT_FALSE(std::filesystem::exists(dir / "s.dlg~tmp"));

  // A layer edits and saves itself: the file reopens with the edit.
  auto layer = OpenDlg(dir / "s.dlg");
  layer->GetShape(1)->SetField("DLG_MINOR1", Variant(200));
  layer->SaveData();
  auto reread = OpenDlg(dir / "s.dlg");
  EXPECT_EQ(reread->GetShape(1)->GetField("DLG_DESC").AsString(), "Shoreline");
  // Values too wide for their columns fail the save, never shift the columns.
  auto wide = Source();
  AddShape(*wide, gisShapeTypePoint, {{{1e13, 0}}}, "N");
  EXPECT_NE(MessageOf([&] {
              out.ImportLayer(wide.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
            }).find("0032"),
            std::string::npos);
  EXPECT_EQ(OpenDlg(dir / "s.dlg")->GetShape(1)->GetField("DLG_MINOR1").AsInteger(), 200);
}

namespace dlgkilltest {

/// `count` nodes at (i + shift, -i) with major/minor codes 50 and i mod 1000.
std::unique_ptr<TGIS_LayerVector> Nodes(int count, double shift) {
  auto src = dlgtest::Source();
  for (int i = 0; i < count; ++i)
    dlgtest::AddShape(*src, gisShapeTypePoint, {{{i + shift, -double(i)}}}, "N", {50, i % 1000});
  return src;
}

/// The shift of a saved node file, checking every node's place and codes; -1
/// when the file does not hold `count` whole nodes.
double NodeShift(const std::string& path, int count) {
  auto layer = dlgtest::OpenDlg(path);
  int n = 0;
  double shift = -1;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext(), ++n) {
    TGIS_Shape* s = layer->GetCurrentShape();
    const TGIS_Point p = s->GetPoint(0, 0);
    if (n == 0) shift = p.X;
    if (p.X != n + shift || p.Y != -n || s->GetField("DLG_MINOR1").AsInteger() != n % 1000)
      return -1;
  }
  return n == count ? shift : -1;
}

} // namespace dlgkilltest

TEST(DlgLayer, RandomKillsDuringASaveLeaveTheOldOrTheNewFile) {
  using namespace dlgkilltest;
  sktest::TTempDir dir("dlg-kill");
#if SK_ADDRESS_SANITIZER
  const int count = 1000; // the sanitizer tree is many times slower
#else
  const int count = 8000;
#endif
  const auto g0 = Nodes(count, 0), g1 = Nodes(count, 0.5);
  auto save = [&](TGIS_LayerVector& from) {
    TGIS_LayerDLG out;
    out.SetPath(dir / "p.dlg");
    out.ImportLayer(&from, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  };
  const long span = fmttest::ChildSaveMicroseconds([&] { save(*g0); });
  ASSERT_GT(span, 0);
  ASSERT_EQ(NodeShift(dir / "p.dlg", count), 0);
  const fmttest::TKillTally tally = fmttest::KillAlternatingSaves(
      60, 13, span * 3 / 2, 0, 0.5, [&](int round) { save(round % 2 == 0 ? *g1 : *g0); },
      [&] {
        TGIS_FileSet::Recover(dir / "p.dlg");
        return NodeShift(dir / "p.dlg", count);
      });
  // Kills landed both before and after the commit point.
  EXPECT_GT(tally.Old, 0);
  EXPECT_GT(tally.New, 0);
}

TEST(DlgCodes, TableGroupsAndTheQuotedRows) {
  const auto groups = GisDlgCodeGroups();
  ASSERT_EQ(groups.size(), 7u);
  const std::size_t sizes[] = {29, 107, 31, 75, 25, 23, 40};
  const int majors[] = {-1, 50, 90, 170, 180, 190, 300};
  std::size_t total = 0;
  for (std::size_t g = 0; g < 7; ++g) {
    EXPECT_EQ(groups[g].size(), sizes[g]) << g;
    total += groups[g].size();
    for (const T_AttCodes& row : groups[g]) {
      EXPECT_LE(std::strlen(row.Description), 48u) << row.Major << "/" << row.Minor;
      EXPECT_GT(std::strlen(row.Description), 0u);
      if (g == 0) {
        EXPECT_EQ(row.Minor, -1);
        EXPECT_EQ(GisDlgCodeGroup(row.Major).data(), groups[0].data());
      } else {
        EXPECT_EQ(row.Major, majors[g]);
        EXPECT_GE(row.Minor, 0);
      }
    }
  }
  EXPECT_EQ(total, 330u);
  // Keys of every group, as ranges.
  auto minors = [&](int major) {
    std::vector<int> out;
    for (const T_AttCodes& r : GisDlgCodeGroup(major))
      out.push_back(r.Minor);
    return out;
  };
  auto expand = [](std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<int> out;
    for (const auto& [a, b] : ranges)
      for (int v = a; v <= b; ++v)
        out.push_back(v);
    return out;
  };
  std::vector<int> general;
  for (const T_AttCodes& r : groups[0])
    general.push_back(r.Major);
  EXPECT_EQ(general, std::vector<int>({20,  51,  52,  54,  55,  56,  57,  91,  92,  93,
                                       94,  95,  96,  172, 173, 174, 175, 176, 177, 179,
                                       181, 301, 302, 303, 304, 305, 306, 307, 308}));
  EXPECT_EQ(minors(50), expand({{1, 5}, {100, 112}, {114, 126}, {200, 203}, {205, 210},
                                {299, 305}, {400, 401}, {403, 426}, {601, 610}, {612, 612},
                                {614, 615}, {617, 617}, {620, 637}, {639, 639}}));
  EXPECT_EQ(minors(170), expand({{0, 2}, {4, 5}, {7, 7}, {100, 100}, {200, 214}, {217, 219},
                                 {221, 223}, {299, 299}, {401, 405}, {601, 603}, {605, 607},
                                 {609, 610}, {612, 612}, {614, 622}, {624, 624}, {630, 632},
                                 {634, 642}, {650, 659}}));
  EXPECT_EQ(minors(190), expand({{0, 0}, {100, 100}, {201, 203}, {208, 209}, {299, 299},
                                 {400, 406}, {409, 410}, {601, 603}, {605, 607}}));
  EXPECT_EQ(minors(180), expand({{0, 2}, {7, 7}, {100, 100}, {201, 202}, {204, 205}, {207, 209},
                                 {299, 299}, {400, 402}, {601, 602}, {605, 606}, {609, 613}}));
  EXPECT_EQ(minors(90), expand({{0, 1}, {100, 101}, {103, 108}, {110, 111}, {129, 136},
                                {150, 151}, {197, 199}, {201, 204}, {299, 299}, {301, 301}}));
  EXPECT_EQ(minors(300), expand({{1, 1}, {4, 4}, {7, 10}, {12, 12}, {14, 14}, {101, 106},
                                 {108, 108}, {110, 114}, {198, 198}, {201, 203}, {299, 301},
                                 {600, 610}, {612, 612}, {625, 625}}));

  struct Row {
    int major, minor;
    const char* text;
  };
  const Row quoted[] = {{20, 5, "Contour"},
                        {91, 7, "State or State Equivalent FIPS Code"},
                        {181, 2, "Number of Tracks "},
                        {301, 0, "Section Number"},
                        {50, 1, "Upper Origin"},
                        {50, 101, "Reservoir"},
                        {50, 200, "Shoreline"},
                        {50, 412, "Stream"},
                        {50, 601, "Underground"},
                        {90, 0, "Photorevised Feature"},
                        {170, 0, "Photorevised Feature"},
                        {180, 0, "Photorevised Feature"},
                        {190, 0, "Photorevised Feature"},
                        {90, 1, "Boundary Monument"},
                        {90, 100, "Civil Township; District; Precinct; or Barrio"},
                        {170, 1, "Bridge Abutment"},
                        {180, 1, "Bridge Abutment"},
                        {170, 2, "Tunnel Portal"},
                        {180, 2, "Tunnel Portal"},
                        {190, 100, "Void Area"},
                        {190, 201, "Pipeline"},
                        {300, 1, "Found PLSS Section Corner"},
                        {300, 4, "Meander Corner"},
                        {300, 7, "Witness Corner"},
                        {50, 9999, ""},
                        {999, 1, ""}};
  for (const Row& r : quoted) {
    const auto group = GisDlgCodeGroup(r.major);
    EXPECT_EQ(DlgFindDescription(group, int(group.size()) - 1, r.major, r.minor), r.text)
        << r.major << "/" << r.minor;
  }
  // The last index bounds the search.
  const auto hydro = GisDlgCodeGroup(50);
  EXPECT_EQ(DlgFindDescription(hydro, 0, 50, 412), "");
}

TEST(DlgLayer, FactoryRowsOpenBothExtensions) {
  using namespace dlgtest;
  GisFormatsRegisterLayers();
  for (const char* name : {"dlg/good.opt", "dlg/good.dlg"}) {
    auto layer = GisCreateLayer("d", fmttest::DataFile(name));
    ASSERT_NE(layer, nullptr) << name;
    EXPECT_NE(dynamic_cast<TGIS_LayerDLG*>(layer.get()), nullptr);
  }
}
