// E00: the logical lines of the compressed form (against e00conv's packing),
// and the layer's arcs, polygons, label points and INFO values against GDAL's
// AVCE00 driver on files a helper writes (and on avcexport's own layout).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerE00.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "tests/gis/formats/ErrorText.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace e00test {

using sktest::TTempDir;

/// The logical lines of a compressed stream (no header line), or the error
/// text.
std::string DecodeAll(const TTempDir& dir, const std::string& stream,
                      std::vector<std::string>& lines) {
  const std::string path = dir / "decode.e00";
  dir.Write("decode.e00", stream);
  lines.clear();
  try {
    TGIS_MappedStream s(path, false);
    TGIS_E00LineReader reader(s, path);
    reader.SetCompressed(true);
    while (!reader.Eof()) {
      reader.ReadLogicalLine();
      if (reader.Eof() && reader.CurrentLine().empty()) break;
      lines.push_back(reader.CurrentLine());
    }
  } catch (const EGIS_Exception& e) {
    return e.what();
  }
  return "";
}

std::string Fixed(double v, int width) {
  // "%14.7E" / "%21.14E" as export files write them: a two-digit exponent.
  const int digits = width == 14 ? 8 : 15; // significant digits
  std::string t = Format("%.*e", {digits, v}, GisDotFormatSettings());
  const std::size_t e = t.find_first_of("eE");
  std::string mantissa = t.substr(0, e), exponent = t.substr(e + 1);
  const char sign = exponent[0] == '-' ? '-' : '+';
  if (exponent[0] == '-' || exponent[0] == '+') exponent.erase(0, 1);
  while (exponent.size() > 2 && exponent[0] == '0')
    exponent.erase(0, 1);
  while (exponent.size() < 2)
    exponent.insert(0, "0");
  t = mantissa + "E" + sign + exponent;
  return std::string(std::size_t(std::max(0, width - int(t.size()))), ' ') + t;
}

std::string Int(std::int64_t v, int width) {
  return Format("%*d", {width, v});
}

struct TInfoItem {
  std::string Name;
  int Width, OutWidth, Decimals, Type;
};

/// Writes a plain export file of one coverage: arcs, label points, polygons
/// (PAL entries: arc, node, polygon) and INFO tables.
class TE00Writer {
public:
  TE00Writer(std::string cover, int precision) : cover_(std::move(cover)), p_(precision) {
    text_ = "EXP  0 /DATA/" + cover_ + ".E00\n";
  }
  int W() const { return p_ == 2 ? 14 : 21; }

  void Arcs(const std::vector<std::vector<TGIS_Point>>& arcs) {
    text_ += "ARC  " + IntToStr(p_) + "\n";
    int n = 0;
    for (const auto& a : arcs) {
      ++n;
      text_ += Int(n, 10) + Int(n, 10) + Int(n, 10) + Int(n + 1, 10) + Int(1, 10) + Int(2, 10) +
               Int(std::int64_t(a.size()), 10) + "\n";
      for (std::size_t i = 0; i < a.size(); ++i) {
        text_ += Fixed(a[i].X, W()) + Fixed(a[i].Y, W());
        if (p_ == 3 || i % 2 == 1 || i + 1 == a.size()) text_ += "\n";
      }
    }
    text_ += Int(-1, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) +
             Int(0, 10) + "\n";
  }

  void Labels(const std::vector<TGIS_Point>& points) {
    text_ += "LAB  " + IntToStr(p_) + "\n";
    int n = 0;
    for (const TGIS_Point& p : points) {
      ++n;
      const std::string xy = Fixed(p.X, W()) + Fixed(p.Y, W());
      text_ += Int(n + 1, 10) + Int(n + 1, 10) + xy + "\n";
      text_ += p_ == 2 ? xy + xy + "\n" : xy + "\n" + xy + "\n";
    }
    text_ += Int(-1, 10) + Int(0, 10) + Fixed(0, W()) + Fixed(0, W()) + "\n";
  }

  void Polygons(const std::vector<std::vector<std::int64_t>>& polygons) {
    text_ += "PAL  " + IntToStr(p_) + "\n";
    for (const auto& arcs : polygons) {
      text_ += Int(std::int64_t(arcs.size()), 10) + Fixed(0, W()) + Fixed(0, W());
      text_ += p_ == 3 ? "\n" : "";
      text_ += Fixed(10, W()) + Fixed(10, W()) + "\n";
      for (std::size_t i = 0; i < arcs.size(); ++i) {
        text_ += Int(arcs[i], 10) + Int(0, 10) + Int(0, 10);
        if (i % 2 == 1 || i + 1 == arcs.size()) text_ += "\n";
      }
    }
    text_ += Int(-1, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) + Int(0, 10) +
             Int(0, 10) + "\n";
  }

  /// `records`: each record's texts, one per item, at their text widths.
  void Table(const std::string& kind, const std::vector<TInfoItem>& items,
             const std::vector<std::vector<std::string>>& records) {
    if (!inInfo_) text_ += "IFO  2\n";
    inInfo_ = true;
    int size = 0;
    for (const auto& i : items)
      size += i.Width;
    std::string name = cover_ + kind;
    name.resize(32, ' ');
    text_ += name + "XX" + Int(std::int64_t(items.size()), 4) + Int(std::int64_t(items.size()), 4) +
             Int(size, 4) + Int(std::int64_t(records.size()), 10) + "\n";
    int at = 1, k = 0;
    for (const auto& i : items) {
      std::string n = i.Name;
      n.resize(16, ' ');
      text_ += n + Int(i.Width, 3) + "-1" + Int(at, 5) + "-1" + Int(i.OutWidth, 4) +
               Int(i.Decimals, 2) + Int(i.Type, 3) + "-1  -1  -1-1" + Int(++k, 20) + "-\n";
      at += i.Width;
    }
    for (const auto& r : records) {
      std::string line;
      for (const auto& v : r)
        line += v;
      // Records are cut into lines of 80 characters.
      for (std::size_t i = 0; i < line.size(); i += 80)
        text_ += line.substr(i, 80) + "\n";
    }
  }

  std::string Text() { return text_ + (inInfo_ ? "EOI\n" : "") + "EOS\n"; }

private:
  std::string cover_;
  int p_;
  std::string text_;
  bool inInfo_ = false;
};

/// A square of two arcs with a line inside it, two polygons (the universe
/// and the square), and one label point.
std::string SquareCoverage(int precision, bool withTables) {
  TE00Writer w("SQUARE", precision);
  w.Arcs({{{0, 0}, {10, 0}, {10, 10}},
          {{10, 10}, {0.1, 10}, {0, 0}},
          {{2, 2}, {3.3, 3}, {4.25, 2}, {1e-3, 123456.789}},
          {{20, 20}, {30, 20}, {30, 30}, {20, 20}}});
  w.Labels({{5, 5}, {25, 22}});
  w.Polygons({{1, 2, 0, 4}, {-2, -1}, {4}});
  if (withTables) {
    // GDAL takes the first four items for the node and polygon numbers.
    const std::vector<TInfoItem> aat = {
        {"FNODE#", 4, 5, -1, 50}, {"TNODE#", 4, 5, -1, 50}, {"LPOLY#", 4, 5, -1, 50},
        {"RPOLY#", 4, 5, -1, 50}, {"LENGTH", 8, 18, 5, 60}, {"NAME", 12, 12, -1, 20},
        {"CODE", 6, 6, -1, 30},   {"SHORT#", 2, 5, -1, 50}, {"RATE", 4, 12, 3, 60},
        {"WHEN", 8, 8, -1, 10},   {"FLOATV", 4, 14, -1, 40}};
    auto rec = [&](int n, const std::string& name, const std::string& when) {
      std::string nm = name;
      nm.resize(12, ' ');
      return std::vector<std::string>{
          Int(n, 11),      Int(n + 1, 11), Int(1, 11),         Int(2, 11), Fixed(n * 2.5, 24), nm,
          Int(n * 100, 6), Int(n, 6),      Fixed(n / 8.0, 14), when,       Fixed(n * 1.25, 14)};
    };
    w.Table(".AAT", aat,
            {rec(1, "first", "20031231"), rec(2, "zweite", "00000000"), rec(3, "", "        "),
             rec(4, "vier vier", "19991102")});
    const std::vector<TInfoItem> pat = {
        {"AREA", 4, 12, 3, 60}, {"SQUARE#", 4, 5, -1, 50}, {"LABEL", 8, 8, -1, 20}};
    auto prec = [&](double a, int n, const std::string& l) {
      std::string t = l;
      t.resize(8, ' ');
      return std::vector<std::string>{Fixed(a, 14), Int(n, 11), t};
    };
    w.Table(".PAT", pat,
            {prec(-100, 1, "universe"), prec(100, 2, "square"), prec(100, 3, "other")});
  }
  return w.Text();
}

std::unique_ptr<TGIS_LayerE00> OpenE00(const std::string& path, std::uint8_t part = 0) {
  auto layer = std::make_unique<TGIS_LayerE00>(part);
  layer->SetPath(path);
  layer->Open();
  return layer;
}

double RingArea(TGIS_Shape& s, int part) {
  double a = 0;
  for (int i = 0; i + 1 < s.GetPartSize(part); ++i) {
    const TGIS_Point p = s.GetPoint(part, i), q = s.GetPoint(part, i + 1);
    a += p.X * q.Y - q.X * p.Y;
  }
  return a / 2;
}

TEST(E00Lines, CompressedFormsDecode) {
  TTempDir dir("e00-lines");
  struct Case {
    const char* name;
    std::string stream;
    std::vector<std::string> lines; // empty with an error
    bool fails;
  };
  const std::vector<Case> cases = {
      {"number with point", "~$-CY ~}", {"123.456 "}, false},
      {"exponent and dropped pad", "~^-CYg5 ~}", {"1.234567E+02 "}, false},
      {"blank run", "~ %~}", {"     "}, false},
      {"tilde", "~~~}", {"~"}, false},
      {"plain text ends a line", "A~}B~}", {"A", "B"}, false},
      {"pair escape", "~!}$ ~}", {"95 "}, false},
      {"dash escape", "~-~}", {"-"}, false},
      {"number ends the line", "~!-~}", {"12"}, false},
      {"line ends across physical lines", "AB\nC~\n}D~}", {"ABC", "D"}, false},
      {"control characters skipped", std::string("A\tB\r\n\x01~}", 8), {"AB"}, false},
      {"cut at the end keeps the text", "ABC", {"ABC"}, false},
      // The end of a number removes only what the number appended.
      {"drop without digits", "AB~N ~}", {}, true},
      {"exponent without two digits", "AB~0 ~}", {}, true},
      {"exponent of one pair", "AB~0- ~}", {"ABE+12 "}, false},
      {"odd digits dropped", "AB~N- ~}", {"AB1 "}, false},
      {"pair beyond 99", "~!\xE9 ~}", {}, true},
      {"nothing after the tilde", "~{~}", {}, true},
      {"a line of blank runs without end",
       [] {
         std::string t;
         for (int i = 0; i < 2000; ++i)
           t += "~ ~";
         return t;
       }(),
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines;
    const std::string error = DecodeAll(dir, c.stream, lines);
    if (c.fails) {
      EXPECT_NE(error.find("0090"), std::string::npos) << error;
    } else {
      EXPECT_EQ(error, "");
      EXPECT_EQ(lines, c.lines);
    }
  }
}

TEST(E00Lines, TakeCharsRunsOnAndDashedIntegers) {
  TTempDir dir("e00-take");
  dir.Write("t.e00", "abcd\n0123456789\nXY\n");
  TGIS_MappedStream s(dir / "t.e00", false);
  TGIS_E00LineReader reader(s, dir / "t.e00");
  reader.ReadLogicalLine();
  EXPECT_EQ(reader.TakeChars(10), "abcd012345");
  reader.DiscardLine();
  EXPECT_EQ(reader.TakeChars(5), "XY");
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.LineCounter(), 3);

  EXPECT_EQ(E00IntBeforeDash("14-1"), 14);
  EXPECT_EQ(E00IntBeforeDash("2"), 2);
  EXPECT_THROW(E00IntBeforeDash("-1"), EConvertError);
}

TEST(E00Lines, PackedFilesDecodeToThePlainLinesAtEveryWidth) {
  if (!sktest::HasTool("e00conv")) GTEST_SKIP() << "e00conv (package e00compr) is not installed";
  TTempDir dir("e00-packed");
  const std::string plain = SquareCoverage(3, true) + SquareCoverage(2, true).substr(0);
  dir.Write("plain.e00", SquareCoverage(3, true));
  const std::vector<std::string> expected = fmttest::Split(SquareCoverage(3, true), '\n');
  for (const char* level : {"PARTIAL", "FULL"}) {
    SCOPED_TRACE(level);
    sktest::RunTool("e00conv '" + (dir / "plain.e00") + "' '" + (dir / "packed.e00") + "' " +
                    level + " >/dev/null");
    const std::string packed = TTempDir::Read(dir / "packed.e00");
    ASSERT_EQ(packed.rfind("EXP  1 ", 0), 0u);
    // The packed stream without its header line, re-cut at every width.
    std::string stream;
    for (const std::string& l : fmttest::Split(packed.substr(packed.find('\n') + 1), '\n'))
      stream += l;
    for (std::size_t width = 1; width <= 80; ++width) {
      std::string cut;
      for (std::size_t i = 0; i < stream.size(); i += width)
        cut += stream.substr(i, width) + "\n";
      std::vector<std::string> lines;
      ASSERT_EQ(DecodeAll(dir, cut, lines), "") << width;
      lines.insert(lines.begin(), expected[0]);
      // The plain text ends with a line break: its last split piece is empty.
      std::vector<std::string> want(expected.begin(), expected.end() - 1);
      ASSERT_EQ(lines.size(), want.size()) << width;
      for (std::size_t i = 1; i < want.size(); ++i)
        ASSERT_EQ(TrimRight(lines[i]), TrimRight(want[i])) << "width " << width << " line " << i;
    }
    // The layer reads the packed file as it reads the plain one.
    for (std::uint8_t part : {gisShapeTypeArc, gisShapeTypePolygon, gisShapeTypePoint}) {
      auto a = OpenE00(dir / "plain.e00", part), b = OpenE00(dir / "packed.e00", part);
      ASSERT_EQ(a->ShapeCount(), b->ShapeCount());
      for (int i = 0; i < a->ShapeCount(); ++i) {
        TGIS_Shape *x = a->ShapeAt(i), *y = b->ShapeAt(i);
        ASSERT_EQ(x->GetNumPoints(), y->GetNumPoints());
        for (int k = 0; k < x->GetPartSize(0); ++k) {
          EXPECT_EQ(x->GetPoint(0, k).X, y->GetPoint(0, k).X);
          EXPECT_EQ(x->GetPoint(0, k).Y, y->GetPoint(0, k).Y);
        }
        for (int f = 0; f < a->FieldCount(); ++f) {
          const std::string n = a->GetFieldInfo(f)->NewName;
          EXPECT_EQ(VarToStr(x->GetField(n)), VarToStr(y->GetField(n))) << n;
        }
      }
    }
  }
}

TEST(E00Layer, ArcsPolygonsAndLabelsMatchGdal) {
  TTempDir dir("e00-gdal");
  for (int precision : {2, 3}) {
    SCOPED_TRACE(precision);
    const std::string path = dir / ("square" + IntToStr(precision) + ".e00");
    dir.Write("square" + IntToStr(precision) + ".e00", SquareCoverage(precision, true));

    auto arcs = OpenE00(path);
    // PAL is there: a part-less open shows polygons.
    EXPECT_EQ(arcs->Part(), gisShapeTypePolygon);
    arcs = OpenE00(path, gisShapeTypeArc);
    EXPECT_EQ(arcs->CoverageName(), "SQUARE");
    EXPECT_EQ(arcs->InfoText(), "Arcinfo Export Format (E00) ARC");
    ASSERT_EQ(arcs->ShapeCount(), 4);
    ASSERT_EQ(arcs->FieldCount(), 11);
    TGIS_Shape* a1 = arcs->ShapeAt(0);
    EXPECT_EQ(a1->GetField("NAME").AsString(), "first");
    EXPECT_EQ(a1->GetField("CODE").AsDouble(), 100);
    EXPECT_EQ(a1->GetField("SHORT#").AsDouble(), 1);
    EXPECT_NEAR(a1->GetField("RATE").AsDouble(), 0.125, 1e-12);
    EXPECT_NEAR(a1->GetField("FLOATV").AsDouble(), 1.25, 1e-12);
    Word y, m, d;
    DecodeDate(a1->GetField("WHEN").AsDateTime(), y, m, d);
    EXPECT_EQ(Format("%d-%d-%d", {int(y), int(m), int(d)}), "2003-12-31");
    for (int k : {1, 2}) {
      // The placeholder date and a blank one are 1800-01-01.
      DecodeDate(arcs->ShapeAt(k)->GetField("WHEN").AsDateTime(), y, m, d);
      EXPECT_EQ(Format("%d-%d-%d", {int(y), int(m), int(d)}), "1800-1-1");
    }
    EXPECT_EQ(VarToStr(arcs->ShapeAt(2)->GetField("NAME")), "");
    EXPECT_EQ(arcs->ShapeAt(3)->GetField("NAME").AsString(), "vier vier");

    auto polygons = OpenE00(path + "", gisShapeTypePolygon);
    EXPECT_EQ(polygons->InfoText(), "Arcinfo Export Format (E00) .PAT");
    ASSERT_EQ(polygons->ShapeCount(), 2);
    // The universe polygon's record is replaced by the next one.
    EXPECT_EQ(polygons->ShapeAt(0)->GetField("LABEL").AsString(), "square");
    EXPECT_EQ(polygons->ShapeAt(1)->GetField("LABEL").AsString(), "other");

    auto labels = OpenE00(path, gisShapeTypePoint);
    EXPECT_EQ(labels->InfoText(), "Arcinfo Export Format (E00) LAB");
    ASSERT_EQ(labels->ShapeCount(), 2);
    EXPECT_EQ(labels->ShapeAt(1)->GetPoint(0, 0).X, 25);
    EXPECT_EQ(labels->ShapeAt(1)->GetPoint(0, 0).Y, 22);

    if (!fmttest::HaveGdal()) continue;
    auto dump = [&](const std::string& layer) {
      return sktest::RunTool("/usr/bin/python3 " + fmttest::DataFile("e00/dump_e00_layer.py") +
                             " '" + path + "' " + layer);
    };
    // Arcs: vertices bit-equal; GDAL's columns: UserId, then the table's items
    // after its own four node and polygon columns.
    int compared = 0;
    for (const std::string& line : fmttest::Split(dump("ARC"), '\n')) {
      if (line.empty()) continue;
      const auto cols = fmttest::Split(line, '\t');
      const auto geometry = fmttest::Split(cols[0], '|');
      TGIS_Shape* s = arcs->GetShape(StrToInt(geometry[0]));
      ASSERT_NE(s, nullptr);
      const auto xy = fmttest::Split(geometry[1], ' ');
      ASSERT_EQ(s->GetNumPoints(), int(xy.size()));
      for (int k = 0; k < s->GetNumPoints(); ++k) {
        const auto v = fmttest::Split(xy[std::size_t(k)], ',');
        EXPECT_EQ(fmttest::BitsOf(s->GetPoint(0, k).X), fmttest::HexBits(v[0]));
        EXPECT_EQ(fmttest::BitsOf(s->GetPoint(0, k).Y), fmttest::HexBits(v[1]));
      }
      EXPECT_NEAR(s->GetField("LENGTH").AsDouble(), StrToFloat(cols[6]), 1e-9) << line;
      EXPECT_EQ(VarToStr(s->GetField("NAME")), cols[7] == "<null>" ? "" : cols[7]);
      EXPECT_NEAR(s->GetField("RATE").AsDouble(), StrToFloat(cols[10]), 1e-9);
      EXPECT_NEAR(s->GetField("CODE").AsDouble(), StrToFloat(cols[8]), 1e-9);
      ++compared;
    }
    EXPECT_EQ(compared, 4);
    // Polygons: GDAL's feature k + 1 is our shape k; ring areas agree (we
    // keep shared end points twice and close by walking back, which adds no
    // area).
    compared = 0;
    for (const std::string& line : fmttest::Split(dump("PAL"), '\n')) {
      if (line.empty()) continue;
      const auto cols = fmttest::Split(line, '\t');
      const int fid = int(StrToInt(fmttest::Split(cols[0], '|')[0]));
      TGIS_Shape* s = polygons->GetShape(fid - 1);
      ASSERT_NE(s, nullptr) << line;
      double ours = 0, theirs = 0;
      for (int p = 0; p < s->GetNumParts(); ++p)
        ours += std::fabs(RingArea(*s, p));
      for (const std::string& a : fmttest::Split(cols[1], ';'))
        theirs += std::fabs(StrToFloat(a));
      EXPECT_NEAR(ours, theirs, 1e-9) << line;
      EXPECT_EQ(s->GetField("LABEL").AsString(), cols[cols.size() - 1]);
      ++compared;
    }
    EXPECT_EQ(compared, 2);
    compared = 0;
    for (const std::string& line : fmttest::Split(dump("LAB"), '\n')) {
      if (line.empty()) continue;
      const auto geometry = fmttest::Split(fmttest::Split(line, '\t')[0], '|');
      const auto v = fmttest::Split(geometry[1], ',');
      TGIS_Shape* s = labels->ShapeAt(compared++);
      EXPECT_EQ(fmttest::BitsOf(s->GetPoint(0, 0).X), fmttest::HexBits(v[0]));
      EXPECT_EQ(fmttest::BitsOf(s->GetPoint(0, 0).Y), fmttest::HexBits(v[1]));
    }
    EXPECT_EQ(compared, 2);
  }
}

TEST(E00Layer, RingsAreJoinedFromArcsAndClosedByWalkingBack) {
  TTempDir dir("e00-rings");
  TE00Writer w("RINGS", 2);
  w.Arcs({{{0, 0}, {4, 0}}, {{0, 4}, {4, 0}}, {{7, 7}, {8, 8}, {9, 7}}});
  // Entries 1, -2, 0, 3: arc 1 forward then arc 2 backward, then arc 3.
  w.Polygons({{1}, {1, -2, 0, 3}});
  dir.Write("r.e00", w.Text());
  auto layer = OpenE00(dir / "r.e00", gisShapeTypePolygon);
  ASSERT_EQ(layer->ShapeCount(), 1);
  TGIS_Shape* s = layer->ShapeAt(0);
  ASSERT_EQ(s->GetNumParts(), 2);
  auto part = [&](int p) {
    std::string t;
    for (int i = 0; i < s->GetPartSize(p); ++i)
      t += Format("(%g %g)", {s->GetPoint(p, i).X, s->GetPoint(p, i).Y});
    return t;
  };
  // The first ring ends at (0,4), not at its start: its points are walked back.
  EXPECT_EQ(part(0), "(0 0)(4 0)(4 0)(0 4)(0 4)(4 0)(4 0)(0 0)");
  EXPECT_EQ(part(1), "(7 7)(8 8)(9 7)(9 7)(8 8)(7 7)");
}

TEST(E00Layer, RealWritersLayoutReadsAsTheHelpersFile) {
  if (!sktest::HasTool("avcimport") || !sktest::HasTool("avcexport"))
    GTEST_SKIP() << "avcimport/avcexport (package avce00) are not installed";
  for (int precision : {2, 3}) {
    SCOPED_TRACE(precision);
    TTempDir dir("e00-avc");
    dir.Write("square.e00", SquareCoverage(precision, true));
    sktest::RunTool("cd '" + dir.Path() +
                    "' && avcimport square.e00 square && avcexport square out.e00");
    const std::string out = TTempDir::Read(dir / "out.e00");
    ASSERT_EQ(out.rfind("EXP  0 ", 0), 0u) << out.substr(0, 200);
    for (std::uint8_t part : {gisShapeTypeArc, gisShapeTypePolygon, gisShapeTypePoint}) {
      SCOPED_TRACE(int(part));
      auto a = OpenE00(dir / "square.e00", part), b = OpenE00(dir / "out.e00", part);
      ASSERT_EQ(a->ShapeCount(), b->ShapeCount());
      for (int i = 0; i < a->ShapeCount(); ++i) {
        TGIS_Shape *x = a->ShapeAt(i), *y = b->ShapeAt(i);
        ASSERT_EQ(x->GetNumPoints(), y->GetNumPoints());
        for (int p = 0; p < x->GetNumParts(); ++p)
          for (int k = 0; k < x->GetPartSize(p); ++k) {
            EXPECT_EQ(x->GetPoint(p, k).X, y->GetPoint(p, k).X);
            EXPECT_EQ(x->GetPoint(p, k).Y, y->GetPoint(p, k).Y);
          }
      }
    }
    // The writer cuts the trailing blanks of every record line.
    ASSERT_NE(out.find("E+00first\n"), std::string::npos);
    auto arcs = OpenE00(dir / "out.e00", gisShapeTypeArc);
    EXPECT_EQ(arcs->CoverageName(), "SQUARE");
    for (int i = 0; i < 4; ++i)
      for (const char* name : {"LENGTH", "NAME", "CODE", "SHORT#", "RATE", "WHEN"})
        EXPECT_EQ(
            VarToStr(arcs->ShapeAt(i)->GetField(name)),
            VarToStr(OpenE00(dir / "square.e00", gisShapeTypeArc)->ShapeAt(i)->GetField(name)))
            << i << " " << name;
    EXPECT_EQ(arcs->ShapeAt(3)->GetField("NAME").AsString(), "vier vier");
    if (precision == 3) {
      // Double precision: the polygons' end line carries no box.
      const std::size_t pal = out.find("PAL  3\n");
      ASSERT_NE(pal, std::string::npos);
      EXPECT_NE(
          out.find("\n        -1         0         0         0         0         0         0\n",
                   pal),
          std::string::npos);
    }
  }
}

TEST(E00Layer, DamagedFilesGiveClearErrors) {
  TTempDir dir("e00-errors");
  const std::string good = SquareCoverage(2, true);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    const std::size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  TE00Writer palFirst("PF", 2);
  palFirst.Polygons({{1}, {1}});
  palFirst.Arcs({{{0, 0}, {1, 1}}});
  TE00Writer labOnly("LO", 2);
  labOnly.Labels({{1, 1}});
  // An INFO table promising 2^31 records ends at the end of the file.
  std::string endless = good;
  const std::string aatHeader = "XX  11  11  60         4";
  endless.replace(endless.find(aatHeader), aatHeader.size(), "XX  11  11  60 2147483647");
  struct Case {
    const char* name;
    std::string text;
    std::uint8_t part;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"second token 2", "EXP  2 /DATA/X.E00\nEOS\n", 0, "0090"},
      {"two tokens", "EXP  0\nEOS\n", 0, "0090"},
      {"no sections", "EXP  0 /DATA/X.E00\nEOS\n", 0, "0091"},
      {"part without shapes", labOnly.Text(), gisShapeTypeArc, "0091"},
      {"polygons before arcs", palFirst.Text(), gisShapeTypePolygon, "0090"},
      {"arc number beyond the arcs",
       replaced("        -2         0         0        -1",
                "        -2         0         0        -9"),
       gisShapeTypePolygon, "0090"},
      {"bad precision", replaced("ARC  2", "ARC  7"), gisShapeTypeArc, "0090"},
      {"bad coordinate", replaced(" 1.0000000E+01 0.0000000E+00", " 1.0000000E+01 x.0000000E+00"),
       gisShapeTypeArc, "0090"},
      {"unknown item type", replaced("-1 20-1", "-1 70-1"), gisShapeTypeArc, "0090"},
      {"endless dropped table", endless, gisShapeTypePolygon, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("bad.e00", c.text);
    const std::string error = fmttest::ErrorText([&] { OpenE00(dir / "bad.e00", c.part); });
    if (c.message.empty())
      EXPECT_EQ(error, "");
    else
      EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
  }
  // The error names the file and the logical line.
  const std::string entry = "        -2         0         0        -1";
  const std::string bad = replaced(entry, "        -2         0         0        -9");
  const int line = 1 + int(std::count(bad.begin(), bad.begin() + long(bad.find("-9")), '\n'));
  dir.Write("bad.e00", bad);
  EXPECT_NE(fmttest::ErrorText([&] {
              OpenE00(dir / "bad.e00", gisShapeTypePolygon);
            }).find("as line " + IntToStr(line)),
            std::string::npos);
}

TEST(E00Layer, FactoryRowChoosesThePartFromThePath) {
  GisFormatsRegisterLayers();
  TTempDir dir("e00-factory");
  dir.Write("square.e00", SquareCoverage(2, false));
  struct Case {
    const char* suffix;
    std::uint8_t part;
  } cases[] = {{"", gisShapeTypePolygon},
               {"?arc", gisShapeTypeArc},
               {"?PAL", gisShapeTypePolygon},
               {"?Lab", gisShapeTypePoint}};
  for (const Case& c : cases) {
    auto layer = GisCreateLayer("e", dir / ("square.e00" + std::string(c.suffix)));
    auto* e00 = dynamic_cast<TGIS_LayerE00*>(layer.get());
    ASSERT_NE(e00, nullptr) << c.suffix;
    e00->Open();
    EXPECT_EQ(e00->Part(), c.part) << c.suffix;
    EXPECT_FALSE(e00->IsModified());
  }
  // Only arcs and labels: a part-less open shows the arcs.
  TE00Writer w("AL", 2);
  w.Arcs({{{0, 0}, {1, 1}, {2, 0}}});
  w.Labels({{1, 1}});
  dir.Write("al.e00", w.Text());
  auto layer = OpenE00(dir / "al.e00");
  EXPECT_EQ(layer->Part(), gisShapeTypeArc);
  // Three points in single precision: two on the first line, one on the next.
  EXPECT_EQ(layer->ShapeAt(0)->GetNumPoints(), 3);
  EXPECT_EQ(layer->ShapeAt(0)->GetPoint(0, 2).X, 2);
}

TEST(E00Layer, SamplesInTheDataFolder) {
  auto good = OpenE00(fmttest::DataFile("e00/square.e00"), gisShapeTypeArc);
  EXPECT_EQ(good->ShapeCount(), 3);
  EXPECT_EQ(good->ShapeAt(2)->GetField("TEST-ID").AsDouble(), 12);
  auto packed = OpenE00(fmttest::DataFile("e00/square-packed.e00"), gisShapeTypePolygon);
  ASSERT_EQ(packed->ShapeCount(), 1);
  EXPECT_EQ(packed->ShapeAt(0)->GetNumPoints(), 6);
  EXPECT_EQ(
      fmttest::ErrorText([] { OpenE00(fmttest::DataFile("e00/damaged.e00")); }).rfind("0090", 0),
      0u);
}

} // namespace e00test
