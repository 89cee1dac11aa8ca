// DGN: the number encodings and curve stroking, hand-built elements, GDAL's
// design files read as GDAL reads them, the UID index and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerDGN.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace dgntest {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, int v) {
  b.push_back(std::uint8_t(v & 0xFF));
  b.push_back(std::uint8_t((v >> 8) & 0xFF));
}

/// A 32-bit integer as the design file holds it: high word first.
void Put32(Bytes& b, std::int32_t v) {
  const std::uint32_t u = std::uint32_t(v);
  Put16(b, int(u >> 16));
  Put16(b, int(u & 0xFFFF));
}

/// The D-float of a double (exact for the values the tests use).
void PutD(Bytes& b, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  std::uint64_t v = 0;
  if (d != 0) {
    const std::uint64_t sign = bits >> 63;
    const std::uint64_t e = ((bits >> 52) & 0x7FF) - 894;
    v = (sign << 63) | (e << 55) | ((bits & ((1ull << 52) - 1)) << 3);
  }
  for (int s = 48; s >= 0; s -= 16)
    Put16(b, int((v >> s) & 0xFFFF));
}

/// Builds a design file element by element.
struct TBuilder {
  bool Is3D = false;
  Bytes Data;

  explicit TBuilder(bool is3D = false, int subPerMaster = 10, int uorPerSub = 100,
                    double originX = 0, double originY = 0)
      : Is3D(is3D) {
    Bytes body(1532, 0);
    Bytes units;
    Put32(units, subPerMaster);
    Put32(units, uorPerSub);
    std::copy(units.begin(), units.end(), body.begin() + 1108);
    body[1116] = 'm';
    body[1117] = 'u';
    body[1118] = 's';
    body[1119] = 'u';
    Bytes origin;
    PutD(origin, originX);
    PutD(origin, originY);
    std::copy(origin.begin(), origin.end(), body.begin() + 1236);
    Element(9, 8, body);
    if (is3D) Data[0] = 0xC8;
  }

  void Element(int type, int level, const Bytes& body, bool complex = false, bool deleted = false) {
    Data.push_back(std::uint8_t((level & 0x3F) | (complex ? 0x80 : 0)));
    Data.push_back(std::uint8_t(type | (deleted ? 0x80 : 0)));
    Put16(Data, int((body.size() + 1) / 2));
    Data.insert(Data.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) Data.push_back(0);
  }

  /// The display header (range zero, no linkages unless `linkWords`).
  static Bytes Display(int color = 0, int weight = 0, int style = 0,
                       const Bytes& linkWords = {}) {
    Bytes b(24, 0);
    Put16(b, 0); // graphic group
    Put16(b, 0); // attribute offset: filled by Finish
    Put16(b, linkWords.empty() ? 0 : 0x800);
    b.push_back(std::uint8_t((weight << 3) | (style & 7)));
    b.push_back(std::uint8_t(color));
    return b;
  }

  /// Appends linkages after the element's own data and points the display
  /// header at them.
  static Bytes WithLinks(Bytes body, const Bytes& linkWords) {
    if (linkWords.empty()) return body;
    const int offset = (int(body.size()) - 28) / 2;
    body[26] = std::uint8_t(offset & 0xFF);
    body[27] = std::uint8_t(offset >> 8);
    body[28] = 0x00;
    body[29] = 0x08;
    body.insert(body.end(), linkWords.begin(), linkWords.end());
    return body;
  }

  void Point(Bytes& b, double x, double y, double z = 0) const {
    Put32(b, std::int32_t(std::lround(x * 1000)));
    Put32(b, std::int32_t(std::lround(y * 1000)));
    if (Is3D) Put32(b, std::int32_t(std::lround(z * 1000)));
  }

  void Line(int level, double x1, double y1, double x2, double y2, bool complex = false,
            const Bytes& links = {}) {
    Bytes b = Display(3, 1, 2);
    Point(b, x1, y1, 7);
    Point(b, x2, y2, 7);
    Element(3, level, WithLinks(b, links), complex);
  }

  void Poly(int type, int level, const std::vector<TGIS_Point>& pts, bool complex = false) {
    Bytes b = Display(4);
    Put16(b, int(pts.size()));
    for (const auto& p : pts)
      Point(b, p.X, p.Y);
    Element(type, level, b, complex);
  }

  void Complex(int type, int level, int components, const Bytes& links = {}) {
    Bytes b = Display(9, 2, 1);
    Put16(b, 0);          // total length
    Put16(b, components); // body offset 34
    Bytes pad(8, 0);
    b.insert(b.end(), pad.begin(), pad.end());
    Element(type, level, WithLinks(b, links));
  }

  void Arc(int level, double startDeg, std::uint32_t sweepRaw, double a, double b, double x,
           double y) {
    Bytes e = Display();
    Put32(e, std::int32_t(std::lround(startDeg * 360000)));
    Put32(e, std::int32_t(sweepRaw));
    PutD(e, a * 1000);
    PutD(e, b * 1000);
    if (Is3D) {
      for (int i = 0; i < 4; ++i)
        Put32(e, 0);
      PutD(e, x * 1000);
      PutD(e, y * 1000);
      PutD(e, 0);
    } else {
      Put32(e, 0);
      PutD(e, x * 1000);
      PutD(e, y * 1000);
    }
    Element(16, level, e);
  }

  void Cell(int level, double x, double y) {
    Bytes b = Display();
    b.resize(Is3D ? 108 : 80, 0);
    Point(b, x, y);
    Element(2, level, b);
  }

  void Text(int level, double x, double y, const std::string& text, int justification = 0,
            int rotationDeg = 0) {
    Bytes b = Display(5);
    b.push_back(1); // font
    b.push_back(std::uint8_t(justification));
    Put32(b, 0);
    Put32(b, 0);
    if (Is3D) {
      for (int i = 0; i < 4; ++i)
        Put32(b, 0);
    } else {
      Put32(b, rotationDeg * 360000);
    }
    Point(b, x, y);
    b.push_back(std::uint8_t(text.size()));
    b.push_back(0);
    b.insert(b.end(), text.begin(), text.end());
    Element(17, level, b);
  }

  std::string Save(const sktest::TTempDir& dir, const std::string& name) const {
    const std::string path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data.data()), std::streamsize(Data.size()));
    return path;
  }
};

/// A linkage of the first kind (word 0).
Bytes UserLink(int entity, int link) {
  Bytes b;
  Put16(b, 0);
  Put16(b, entity);
  Put16(b, link & 0xFFFF);
  Put16(b, (link >> 16) & 0xFF);
  return b;
}

std::unique_ptr<TGIS_LayerDGN> OpenDgn(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerDGN>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

struct TPass {
  std::vector<std::int32_t> Uids;
  std::vector<std::vector<TGIS_Point>> Points;
};

TPass FullPass(TGIS_LayerDGN& layer) {
  TPass out;
  layer.MoveFirst(GisWholeWorldExtent());
  while (!layer.Eof()) {
    TGIS_Shape* s = layer.GetCurrentShape();
    out.Uids.push_back(s->Uid());
    std::vector<TGIS_Point> pts;
    for (int p = 0; p < s->GetNumParts(); ++p)
      for (int i = 0; i < s->GetPartSize(p); ++i)
        pts.push_back(s->GetPoint(p, i));
    out.Points.push_back(pts);
    layer.MoveNext();
  }
  return out;
}

std::uint64_t SplitMix(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string HexByte(unsigned v) {
  return LowerCase(IntToHex(v & 0xFF, 2));
}

std::uint64_t FromHex(const std::string& hex) {
  return std::stoull(hex, nullptr, 16);
}

} // namespace dgntest

// ---- numbers and curves --------------------------------------------------------------------

TEST(DgnElements, DFloatRowsAndTheIndependentVectors) {
  using namespace dgntest;
  struct Row {
    const char* name;
    Bytes bytes;
    double expected;
  };
  Bytes one, minus, big, bigger;
  PutD(one, 1.0);
  PutD(minus, -2.5);
  PutD(big, 1e20);
  PutD(bigger, 1e21);
  EXPECT_EQ(one, (Bytes{0x80, 0x40, 0, 0, 0, 0, 0, 0}));
  const Row rows[] = {{"1.0", one, 1.0},       {"-2.5", minus, -2.5},
                      {"e = 0", Bytes(8, 0), 0}, {"1e20 kept", big, 1e20},
                      {"1e21 -> 0", bigger, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(GisDgnDFloat(r.bytes.data()), r.expected);
  }
  // The three bits dropped stick to the lowest bit: 1.0 with the last bit set.
  Bytes sticky = one;
  sticky[6] = 1;
  EXPECT_EQ(fmttest::BitsOf(GisDgnDFloat(sticky.data())), 0x3FF0000000000001ull);

  // A million patterns against the script's digest and rows.
  std::ifstream in(fmttest::DataFile("dgn/dfloat.vectors"));
  std::string word, digestHex;
  in >> word >> digestHex;
  ASSERT_EQ(word, "digest");
  std::vector<std::pair<std::string, std::string>> expected;
  std::string a, b;
  while (in >> a >> b)
    expected.push_back({a, b});
  ASSERT_EQ(expected.size(), 32u);
  std::uint64_t state = 0x5EED, digest = 0xCBF29CE484222325ull;
  for (int i = 0; i < 1000000; ++i) {
    const std::uint64_t v = SplitMix(state);
    Bytes bytes;
    for (int s = 48; s >= 0; s -= 16)
      Put16(bytes, int((v >> s) & 0xFFFF));
    const std::uint64_t r = fmttest::BitsOf(GisDgnDFloat(bytes.data()));
    for (int k = 0; k < 8; ++k)
      digest = (digest ^ ((r >> (8 * k)) & 0xFF)) * 0x100000001B3ull;
    if (i < 32) {
      std::string hex;
      for (std::uint8_t c : bytes)
        hex += HexByte(c);
      EXPECT_EQ(hex, expected[std::size_t(i)].first);
      EXPECT_EQ(r, FromHex(expected[std::size_t(i)].second)) << i;
    }
  }
  EXPECT_EQ(digest, FromHex(digestHex));
}

TEST(DgnElements, ArcAndSplineStrokes) {
  using namespace dgntest;
  const double pi = 3.14159265358979323846;
  struct Row {
    double sweep;
    std::size_t points;
  };
  for (const Row& r : {Row{pi / 8, 3}, Row{pi / 4, 5}, Row{pi / 2, 9}, Row{pi, 16},
                       Row{2 * pi, 16}, Row{-pi / 2, 9}}) {
    const auto pts = GisDgnStrokeArc({10, 20}, 3, 3, 0, r.sweep, 0);
    EXPECT_EQ(pts.size(), r.points) << r.sweep;
    for (const auto& p : pts)
      EXPECT_NEAR(std::hypot(p.X - 10, p.Y - 20), 3, 1e-9);
  }
  // An ellipse: the primary axis along the rotation.
  const auto e = GisDgnStrokeArc({0, 0}, 4, 2, 0, 2 * pi, pi / 2);
  EXPECT_NEAR(e[0].X, 0, 1e-9);
  EXPECT_NEAR(e[0].Y, 4, 1e-9);
  // Degenerate axes give the origin, never a division by zero.
  for (const auto& p : GisDgnStrokeArc({1, 1}, 0, 0, 0, pi, 0)) {
    EXPECT_EQ(p.X, 1);
    EXPECT_EQ(p.Y, 1);
  }

  // The B-spline: 4 m + 1 points; the curve of collinear poles stays on the
  // line and runs from the first pole to the last.
  std::vector<TGIS_Point3D> poles = {{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}};
  const auto s = GisDgnBSpline(poles);
  ASSERT_EQ(s.size(), 17u);
  EXPECT_NEAR(s.front().X, 0, 1e-9);
  EXPECT_NEAR(s.back().X, 3, 1e-6);
  for (const auto& p : s)
    EXPECT_NEAR(p.X, p.Y, 1e-9);
  // u is held as a float: the sixth point sits at u = float(1 + 5/16 * 3).
  const double u = double(float(1.0 + 5.0 / 16.0 * 3.0));
  EXPECT_NEAR(s[5].X, u - 1, 1e-12);
  for (std::size_t m : {0u, 1u}) {
    std::vector<TGIS_Point3D> few(m, TGIS_Point3D{5, 5, 0, 0});
    const auto z = GisDgnBSpline(few);
    EXPECT_EQ(z.size(), 4 * m + 1);
    for (const auto& p : z)
      EXPECT_EQ(p.X, 0);
  }
}

// ---- hand-built files ------------------------------------------------------------------------

TEST(DgnLayer, SignaturesOpenAndOthersAreRefused) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-sig");
  struct Row {
    std::uint8_t b[4];
    bool opens;
  };
  const Row rows[] = {{{0x08, 0x09, 0xFE, 0x02}, true},  {{0xC8, 0x09, 0xFE, 0x02}, true},
                      {{0x08, 0x05, 0x17, 0x00}, true},  {{0x08, 0x09, 0xFE, 0x03}, false},
                      {{0x07, 0x09, 0xFE, 0x02}, false}, {{0x08, 0x04, 0xFE, 0x02}, false},
                      {{'P', 'K', 3, 4}, false}};
  int n = 0;
  for (const Row& r : rows) {
    const std::string path = dir / ("s" + IntToStr(n++) + ".dgn");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(r.b), 4);
    TGIS_LayerDGN layer;
    layer.SetPath(path);
    if (r.opens) {
      EXPECT_NO_THROW(layer.Open()) << n;
      EXPECT_EQ(layer.IsCellLibrary(), r.b[1] == 5);
      EXPECT_EQ(layer.Is3D(), r.b[0] == 0xC8);
    } else {
      try {
        layer.Open();
        ADD_FAILURE() << "opened " << n;
      } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorNumber(), 3); // "0034 ..." reads as 3
        EXPECT_NE(std::string(e.what()).find("0034"), std::string::npos);
      }
    }
  }
  TGIS_LayerDGN missing;
  missing.SetPath(dir / "none.dgn");
  EXPECT_THROW(missing.Open(), Exception);
}

TEST(DgnLayer, ElementTypesGiveTheirShapes) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-types");
  for (bool is3D : {false, true}) {
    SCOPED_TRACE(is3D ? "3D" : "2D");
    TBuilder f(is3D);
    f.Line(1, 1, 2, 3, 4);                                           // 1 arc
    f.Line(1, 5, 5, 5, 5);                                           // 2 point
    f.Line(0, 1, 1, 2, 2);                                           // level 0: none
    f.Poly(6, 2, {{0, 0}, {0, 1}, {1, 1}, {0, 0}});                  // 3 polygon
    f.Poly(11, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}); // 4 curve: 2 points
    f.Poly(11, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});                 // 5 curve: empty
    f.Arc(4, 0, 0, 2, 2, 10, 10);                                    // 6 full turn
    f.Arc(4, 0, 45 * 360000, 2, 2, 10, 10);                          // 7 45 degrees
    f.Arc(4, 90, 0x80000000u | (90u * 360000u), 2, 2, 10, 10);       // 8 -90 degrees
    f.Text(5, 7, 8, "abc", 13, 30);                                  // 9 label
    f.Cell(6, 100, 200);                                             // 10 cell point
    f.Text(5, 1, 1, "in cell");                                      // 11 at the cell origin
    f.Element(3, 1, TBuilder::Display(), false, true);               // deleted
    f.Poly(21, 7, {{0, 0}, {1, 1}, {2, 2}});                         // 12 B-spline: 13 points
    auto layer = OpenDgn(f.Save(dir, is3D ? "t3.dgn" : "t2.dgn"));
    EXPECT_EQ(layer->MasterUnits(), "mu");
    EXPECT_EQ(layer->SubUnits(), "su");
    EXPECT_DOUBLE_EQ(layer->Scale(), 0.001);
    // Without a colour-table element every colour is black.
    for (int c : {0, 4, 255})
      EXPECT_EQ(layer->TableColor(c), (std::array<std::uint8_t, 3>{0, 0, 0}));
    const TPass pass = FullPass(*layer);
    ASSERT_EQ(pass.Uids, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const std::size_t counts[] = {2, 1, 4, 2, 0, 16, 5, 9, 1, 1, 1, 13};
    for (std::size_t i = 0; i < 12; ++i)
      EXPECT_EQ(pass.Points[i].size(), counts[i]) << i + 1;
    EXPECT_EQ(layer->GetShape(1)->ShapeType(), gisShapeTypeArc);
    EXPECT_EQ(layer->GetShape(2)->ShapeType(), gisShapeTypePoint);
    EXPECT_EQ(layer->GetShape(3)->ShapeType(), gisShapeTypePolygon);
    TGIS_Shape* line = layer->GetShape(1);
    EXPECT_DOUBLE_EQ(line->GetPoint(0, 1).X, 3);
    EXPECT_DOUBLE_EQ(line->GetPoint(0, 1).Y, 4);
    EXPECT_EQ(line->GetField("DGN_ELEVATION").AsDouble(), is3D ? 7 : 0);
    EXPECT_EQ(line->GetField("DGN_COLOR").AsInteger(), 4);
    EXPECT_EQ(line->GetField("DGN_WEIGHT").AsInteger(), 2);
    EXPECT_EQ(line->GetField("DGN_STYLE").AsInteger(), 2);
    EXPECT_EQ(line->GetField("DGN_LEVEL").AsInteger(), 1);
    TGIS_Shape* curve = layer->GetShape(4);
    EXPECT_DOUBLE_EQ(curve->GetPoint(0, 0).X, 2);
    EXPECT_DOUBLE_EQ(curve->GetPoint(0, 1).X, 3);
    TGIS_Shape* sweep = layer->GetShape(8);
    EXPECT_NEAR(sweep->GetPoint(0, 0).X, 10, 1e-9); // starts at 90 degrees
    EXPECT_NEAR(sweep->GetPoint(0, 0).Y, 12, 1e-9);
    EXPECT_NEAR(sweep->GetPoint(0, 8).X, 12, 1e-9); // and turns back to 0
    TGIS_Shape* label = layer->GetShape(9);
    EXPECT_EQ(label->GetField("DGN_LABEL").AsString(), "abc");
    EXPECT_DOUBLE_EQ(label->GetPoint(0, 0).X, 7);
    EXPECT_EQ(label->GetField("DGN_LABEL_ANGLE").AsInteger(), is3D ? 0 : -30);
    TGIS_Shape* inCell = layer->GetShape(11);
    EXPECT_EQ(inCell->GetField("DGN_LABEL").AsString(), "in cell");
    EXPECT_DOUBLE_EQ(inCell->GetPoint(0, 0).X, 100);
    EXPECT_DOUBLE_EQ(inCell->GetPoint(0, 0).Y, 200);
    EXPECT_EQ(layer->GetLastUid(), 12);
    EXPECT_EQ(layer->GetNewUid(), 13);
  }
}

TEST(DgnLayer, LinkagesBecomeNumberedFieldPairs) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-links");
  TBuilder f;
  Bytes two = UserLink(7, 0x123456);
  const Bytes second = UserLink(8, 9);
  two.insert(two.end(), second.begin(), second.end());
  f.Line(1, 0, 0, 1, 1, false, two);
  // $1007: the fill colour ($41, no pair), then an entity linkage.
  Bytes db;
  for (int w : {0x1007, 0x41, 0, 0})
    Put16(db, w);
  db.push_back(6); // fill colour
  db.push_back(0);
  for (int w : {0, 0, 0, 0, 0x1007, 0x22, 0x0F81, 11, 0x4567, 0x12, 0, 0})
    Put16(db, w);
  f.Line(1, 0, 0, 2, 2, false, db);
  // Eleven pairs: the last is DGN_ENT_0A (upper-case hexadecimal).
  Bytes eleven;
  for (int i = 0; i < 11; ++i) {
    const Bytes l = UserLink(100 + i, i);
    eleven.insert(eleven.end(), l.begin(), l.end());
  }
  f.Line(1, 0, 0, 3, 3, false, eleven);
  // A linkage cut by the end of the body stops the parsing.
  Bytes cut = UserLink(1, 1);
  cut.resize(5);
  f.Line(1, 0, 0, 4, 4, false, cut);
  auto layer = OpenDgn(f.Save(dir, "l.dgn"));
  EXPECT_GE(layer->FindFieldIndex("DGN_ENT_0A"), 0);
  EXPECT_LT(layer->FindFieldIndex("DGN_ENT_0B"), 0);
  EXPECT_EQ(layer->GetFieldInfo(layer->FindFieldIndex("DGN_ENT_0A"))->Name, "DGN_ENT_0A");
  TGIS_Shape* s = layer->GetShape(1);
  EXPECT_EQ(s->GetField("DGN_ENT_00").AsInteger(), 7);
  EXPECT_EQ(s->GetField("DGN_LNK_00").AsInteger(), 0x123456);
  EXPECT_EQ(s->GetField("DGN_ENT_01").AsInteger(), 8);
  EXPECT_EQ(s->GetField("DGN_LNK_01").AsInteger(), 9);
  s = layer->GetShape(2);
  EXPECT_EQ(s->GetField("DGN_ENT_00").AsInteger(), 11);
  EXPECT_EQ(s->GetField("DGN_LNK_00").AsInteger(), (0x12 << 16) + 0x4567);
  EXPECT_TRUE(VarIsClear(s->GetFieldEx("DGN_ENT_01")));
  s = layer->GetShape(3);
  EXPECT_EQ(s->GetField("DGN_ENT_0A").AsInteger(), 110);
  EXPECT_EQ(s->GetField("DGN_LNK_0A").AsInteger(), 10);
  s = layer->GetShape(4);
  EXPECT_TRUE(VarIsClear(s->GetFieldEx("DGN_ENT_00")));
}

TEST(DgnLayer, ComplexChainsJoinOnlyWhileOpen) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-complex");
  TBuilder f;
  f.Complex(12, 3, 2, UserLink(5, 6));              // 1: the chain, returned after 3
  f.Poly(4, 1, {{0, 0}, {1, 0}}, true);             // 2
  f.Poly(4, 0, {{1, 0}, {1, 1}, {2, 1}}, true);     // level 0: points only
  f.Line(1, 9, 9, 8, 8, true);                      // 3: complex bit, no complex open
  f.Cell(2, 50, 50);                                // 4
  f.Poly(6, 2, {{0, 0}, {0, 1}, {1, 1}, {0, 0}}, true); // 5: a cell part
  f.Complex(14, 4, 1);                              // 6: a complex shape without linkage
  f.Poly(6, 0, {{0, 0}, {0, 2}, {2, 2}, {0, 0}}, true);
  f.Line(1, 0, 0, 1, 1);                            // 7
  auto layer = OpenDgn(f.Save(dir, "c.dgn"));
  const TPass pass = FullPass(*layer);
  EXPECT_EQ(pass.Uids, (std::vector<std::int32_t>{2, 1, 3, 4, 5, 6, 7}));
  TGIS_Shape* chain = layer->GetShape(1);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->ShapeType(), gisShapeTypeArc);
  EXPECT_EQ(chain->GetNumPoints(), 5);
  EXPECT_EQ(chain->GetField("DGN_LEVEL").AsInteger(), 3);
  EXPECT_EQ(chain->GetField("DGN_ENT_00").AsInteger(), 5);
  TGIS_Shape* shape = layer->GetShape(6);
  EXPECT_EQ(shape->ShapeType(), gisShapeTypePolygon);
  EXPECT_EQ(shape->GetNumPoints(), 4);
  // Without a linkage the complex keeps no level of its own.
  EXPECT_TRUE(VarIsClear(shape->GetFieldEx("DGN_LEVEL")));

  // A pass broken off inside the chain leaves nothing for the next one.
  layer->GetShape(2);
  const TPass again = FullPass(*layer);
  EXPECT_EQ(again.Uids, pass.Uids);
  std::set<std::int32_t> unique(again.Uids.begin(), again.Uids.end());
  EXPECT_EQ(unique.size(), again.Uids.size());
}

TEST(DgnLayer, UidAccessEqualsTheFullPass) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-index");
  TBuilder f;
  std::mt19937 rng(11);
  for (int i = 0; i < 2000; ++i) {
    switch (i % 5) {
    case 0:
      f.Line(1 + i % 60, i, 0, i + 1, 3);
      break;
    case 1:
      f.Complex(12, 2, 2);
      f.Poly(4, 0, {{double(i), 0}, {double(i), 1}}, true);
      f.Poly(4, 0, {{double(i), 1}, {double(i) + 1, 1}}, true);
      break;
    case 2:
      f.Cell(3, i, i);
      f.Text(4, 0, 0, "t" + IntToStr(i));
      break;
    default:
      f.Poly(6, 5, {{double(i), 0}, {double(i), 1}, {double(i) + 1, 1}, {double(i), 0}});
    }
  }
  auto layer = OpenDgn(f.Save(dir, "big.dgn"));
  const TPass pass = FullPass(*layer);
  std::map<std::int32_t, std::vector<TGIS_Point>> byUid;
  for (std::size_t i = 0; i < pass.Uids.size(); ++i)
    byUid[pass.Uids[i]] = pass.Points[i];
  const std::int32_t last = layer->GetLastUid();
  EXPECT_EQ(std::size_t(last), byUid.size());
  EXPECT_EQ(layer->IndexEntries(), int(last / 512) + 1);
  std::uniform_int_distribution<std::int32_t> pick(1, last);
  for (int n = 0; n < 200; ++n) {
    const std::int32_t uid = pick(rng);
    TGIS_Shape* s = layer->GetShape(uid);
    ASSERT_NE(s, nullptr) << uid;
    ASSERT_EQ(s->Uid(), uid);
    std::vector<TGIS_Point> pts;
    for (int p = 0; p < s->GetNumParts(); ++p)
      for (int i = 0; i < s->GetPartSize(p); ++i)
        pts.push_back(s->GetPoint(p, i));
    ASSERT_EQ(pts.size(), byUid[uid].size()) << uid;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      EXPECT_EQ(pts[i].X, byUid[uid][i].X);
      EXPECT_EQ(pts[i].Y, byUid[uid][i].Y);
    }
  }
  // UID 1000 is decoded from the entry of UID 512 on.
  layer->GetShape(1);
  const std::int64_t before = layer->ElementsRead();
  ASSERT_NE(layer->GetShape(1000), nullptr);
  EXPECT_EQ(layer->LastStartCounter(), 511);
  EXPECT_LT(layer->ElementsRead() - before, 1000);
  EXPECT_EQ(layer->GetShape(last + 1), nullptr);
  EXPECT_EQ(layer->GetShape(0), nullptr);
}

TEST(DgnLayer, DamagedElementsAreBoundedNeverRead) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-damaged");
  struct Row {
    const char* name;
    std::function<void(TBuilder&)> add;
    int shapes; // shapes of the file: a line before the damage, one after where any
  };
  const Row rows[] = {
      {"body past the end", [](TBuilder& f) { f.Element(4, 1, Bytes(40, 0)); f.Data.resize(f.Data.size() - 10); }, 1},
      {"count past the body",
       [](TBuilder& f) {
         Bytes b = TBuilder::Display();
         Put16(b, 30000);
         f.Element(4, 1, b);
         f.Line(1, 0, 0, 1, 1);
       },
       2},
      {"short colour table", [](TBuilder& f) { f.Element(5, 1, Bytes(100, 0)); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short design header", [](TBuilder& f) { f.Element(9, 1, Bytes(1200, 0)); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short display header", [](TBuilder& f) { f.Element(3, 1, Bytes(10, 0)); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short text", [](TBuilder& f) { Bytes b = TBuilder::Display(); b.resize(40); f.Element(17, 1, b); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short arc", [](TBuilder& f) { f.Element(16, 1, Bytes(50, 0)); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short cell", [](TBuilder& f) { f.Element(2, 1, Bytes(60, 0)); f.Line(1, 0, 0, 1, 1); }, 2},
      {"short complex", [](TBuilder& f) { f.Element(12, 1, Bytes(34, 0)); f.Line(1, 0, 0, 1, 1, true); }, 2},
      {"linkage offset far out",
       [](TBuilder& f) {
         Bytes b = TBuilder::Display();
         b[26] = 0xFF;
         b[27] = 0xFF;
         b[29] = 0x08;
         TBuilder g;
         g.Point(b, 0, 0);
         g.Point(b, 1, 1);
         f.Element(3, 1, b);
       },
       2},
      {"end marker", [](TBuilder& f) { f.Data.push_back(0xFF); f.Data.push_back(0xFF); f.Line(1, 0, 0, 1, 1); }, 1},
      {"three stray bytes", [](TBuilder& f) { f.Data.push_back(1); f.Data.push_back(3); f.Data.push_back(0); }, 1},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TBuilder f;
    f.Line(1, 0, 0, 1, 1);
    r.add(f);
    auto layer = OpenDgn(f.Save(dir, "d" + IntToStr(n++) + ".dgn"));
    EXPECT_EQ(FullPass(*layer).Uids.size(), std::size_t(r.shapes));
    layer->RecalcExtent();
  }
  // The committed damaged samples.
  for (const char* name : {"dgn/damaged.dgn", "dgn/truncated.dgn"}) {
    auto layer = OpenDgn(fmttest::DataFile(name));
    const TPass pass = FullPass(*layer);
    if (std::string(name) == "dgn/truncated.dgn") {
      EXPECT_EQ(pass.Uids.size(), 4u);
    }
    layer->RecalcExtent();
  }
}

// ---- GDAL's files --------------------------------------------------------------------------

TEST(DgnLayer, GdalFilesReadAsOgrinfoReadsThem) {
  using namespace dgntest;
  for (const char* stem : {"dgn/gdal2d", "dgn/gdal3d"}) {
    SCOPED_TRACE(stem);
    auto layer = OpenDgn(fmttest::DataFile(std::string(stem) + ".dgn"));
    EXPECT_EQ(layer->InfoText(), "Microstation Native Format (DGN)");
    EXPECT_EQ(layer->Is3D(), std::string(stem) == "dgn/gdal3d");
    // GDAL's features in file order; its cell headers and level-0 cell
    // parts give none, ours give a point for the cell and none for parts.
    std::map<int, std::vector<std::string>> gdal;
    std::istringstream dump(sktest::TTempDir::Read(fmttest::DataFile(std::string(stem) + ".dump")));
    std::string line;
    std::vector<int> order;
    while (std::getline(dump, line)) {
      const auto cells = fmttest::Split(line, '\t');
      const auto head = fmttest::Split(cells[0], '|');
      const int fid = std::stoi(head[0]);
      gdal[fid] = cells;
      if (cells[2] != "0") order.push_back(fid);
    }
    const TPass pass = FullPass(*layer);
    // Ours: the same features in the same order, plus the cell point.
    std::vector<std::int32_t> uids;
    for (std::int32_t uid : pass.Uids) {
      TGIS_Shape* s = layer->GetShape(uid);
      if (s->ShapeType() == gisShapeTypePoint && s->GetField("DGN_LABEL").AsString().empty() &&
          s->GetField("DGN_LEVEL").AsInteger() == 8)
        continue; // the cell of the holed polygon
      uids.push_back(uid);
    }
    ASSERT_EQ(uids.size(), order.size());
    for (std::size_t i = 0; i < uids.size(); ++i) {
      SCOPED_TRACE(order[i]);
      const auto& g = gdal[order[i]];
      TGIS_Shape* s = layer->GetShape(uids[i]);
      EXPECT_EQ(s->GetField("DGN_LEVEL").AsString(), g[2]);
      EXPECT_EQ(s->GetField("DGN_COLOR").AsInteger(), std::stoi(g[4]) + 1);
      EXPECT_EQ(s->GetField("DGN_WEIGHT").AsInteger(), std::stoi(g[5]) + 1);
      EXPECT_EQ(s->GetField("DGN_STYLE").AsString(), g[6]);
      EXPECT_EQ(s->GetField("DGN_LABEL").AsString(), g[9] == "<null>" ? "" : g[9]);
      // Vertices: GDAL's parts flattened (a chain's components in order).
      std::vector<std::string> theirs;
      for (std::size_t p = 1; p < fmttest::Split(g[0], '|').size(); ++p)
        for (const auto& xy : fmttest::Split(fmttest::Split(g[0], '|')[p], ' '))
          theirs.push_back(xy);
      std::vector<std::string> ours;
      for (int p = 0; p < s->GetNumParts(); ++p)
        for (int k = 0; k < s->GetPartSize(p); ++k) {
          const TGIS_Point pt = s->GetPoint(p, k);
          ours.push_back(fmttest::Hex16(fmttest::BitsOf(pt.X)) + "," + fmttest::Hex16(fmttest::BitsOf(pt.Y)));
        }
      if (s->ShapeType() == gisShapeTypePoint && theirs.size() == 2) theirs.resize(1);
      ASSERT_EQ(ours.size(), theirs.size());
      // GDAL's complex chains pass through single precision: their vertices
      // agree to its 24 bits, all others bit for bit.
      const bool single = g[1] == "12";
      for (std::size_t k = 0; k < ours.size(); ++k) {
        if (!single) {
          EXPECT_EQ(ours[k], theirs[k]) << k;
          continue;
        }
        for (int axis = 0; axis < 2; ++axis) {
          auto value = [&](const std::string& xy) {
            const std::uint64_t bits = fmttest::HexBits(fmttest::Split(xy, ',')[std::size_t(axis)]);
            double d;
            std::memcpy(&d, &bits, 8);
            return d;
          };
          const double a = value(ours[k]), b = value(theirs[k]);
          EXPECT_NEAR(a, b, 1e-6 * std::max(1.0, std::fabs(b))) << k;
        }
      }
    }
  }
}

TEST(DgnLayer, ExtentOfTheRangesEqualsOgrinfo) {
  using namespace dgntest;
  auto layer = OpenDgn(fmttest::DataFile("dgn/gdal2d.dgn"));
  layer->RecalcExtent();
  const std::string extent = sktest::TTempDir::Read(fmttest::DataFile("dgn/gdal2d.extent"));
  double x0, y0, x1, y1;
  ASSERT_EQ(std::sscanf(extent.c_str(), "(%lf, %lf) - (%lf, %lf)", &x0, &y0, &x1, &y1), 4);
  EXPECT_NEAR(layer->Extent().XMin, x0, 1e-6);
  EXPECT_NEAR(layer->Extent().YMin, y0, 1e-6);
  EXPECT_NEAR(layer->Extent().XMax, x1, 1e-6);
  EXPECT_NEAR(layer->Extent().YMax, y1, 1e-6);
}

TEST(DgnLayer, ColourTableEqualsGdalsPens) {
  using namespace dgntest;
  auto layer = OpenDgn(fmttest::DataFile("dgn/colors.dgn"));
  std::istringstream pens(sktest::TTempDir::Read(fmttest::DataFile("dgn/colors.pens")));
  std::vector<std::string> expected;
  for (std::string p; std::getline(pens, p);)
    expected.push_back(p);
  ASSERT_EQ(expected.size(), 256u);
  const TPass pass = FullPass(*layer);
  ASSERT_EQ(pass.Uids.size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    TGIS_Shape* s = layer->GetShape(pass.Uids[i]);
    const std::uint32_t c = layer->IndexColor(int(s->GetField("DGN_COLOR").AsInteger()));
    EXPECT_EQ(HexByte(c & 0xFF) + HexByte((c >> 8) & 0xFF) + HexByte(c >> 16), expected[i]) << i;
  }
}

TEST(DgnLayer, FactoryRowOpensDesignFiles) {
  using namespace dgntest;
  GisFormatsRegisterLayers();
  auto layer = GisCreateLayer("d", fmttest::DataFile("dgn/gdal2d.dgn"));
  ASSERT_NE(layer, nullptr);
  EXPECT_NE(dynamic_cast<TGIS_LayerDGN*>(layer.get()), nullptr);
}

TEST(DgnLayer, FileSymbologyOnlyWhileTheLayerStyleIsUntouched) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-style");
  TBuilder f;
  Bytes table(34 + 768, 0);
  table[34 + 3 * 4] = 10; // entry 4: colour byte 3 + 1
  table[35 + 3 * 4] = 20;
  table[36 + 3 * 4] = 30;
  f.Element(5, 1, table);
  f.Line(1, 0, 0, 1, 1); // colour 3, weight 1, style 2
  const std::string path = f.Save(dir, "s.dgn");
  {
    auto layer = OpenDgn(path);
    TGIS_Shape* s = layer->GetShape(1);
    ASSERT_NE(s->GetOwnSection(), nullptr);
    TGIS_ParamsLine& line = s->GetOwnSection()->GetLine();
    EXPECT_EQ(line.Style(), psDash);
    EXPECT_EQ(line.Width(), 30); // (1 + 1) pixels at 96 per inch, in twips
    EXPECT_EQ(layer->IndexColor(4), 0x1E140Au);
    EXPECT_EQ(line.Color(), 0x1E140Au);
  }
  {
    auto layer = OpenDgn(path);
    layer->SetUseFileParams(false);
    EXPECT_EQ(layer->GetShape(1)->GetOwnSection(), nullptr);
  }
  {
    auto layer = OpenDgn(path);
    layer->GetParamsSection().GetLine().SetStyle(psDot);
    EXPECT_EQ(layer->GetShape(1)->GetOwnSection(), nullptr);
  }
}

TEST(DgnLayer, ABodyFullOfLinkagesKeepsSixtyFourPairs) {
  using namespace dgntest;
  sktest::TTempDir dir("dgn-many-links");
  TBuilder f;
  Bytes many;
  for (int i = 0; i < 500; ++i) {
    const Bytes l = UserLink(i, i);
    many.insert(many.end(), l.begin(), l.end());
  }
  f.Line(1, 0, 0, 1, 1, false, many);
  auto layer = OpenDgn(f.Save(dir, "m.dgn"));
  EXPECT_GE(layer->FindFieldIndex("DGN_LNK_3F"), 0);
  EXPECT_LT(layer->FindFieldIndex("DGN_ENT_40"), 0);
  EXPECT_EQ(layer->GetShape(1)->GetField("DGN_ENT_3F").AsInteger(), 63);
}

namespace dgnviewtest {

using dgntest::Bytes;

/// A line element of the given colour byte and weight, with its range set so
/// that the layer's extent covers it.
void RangedLine(dgntest::TBuilder& f, int color, int weight, double x1, double y1, double x2,
                double y2) {
  Bytes b = dgntest::TBuilder::Display(color, weight, 0);
  Bytes range;
  for (double v : {std::min(x1, x2), std::min(y1, y2), 0.0, std::max(x1, x2), std::max(y1, y2),
                   0.0})
    dgntest::Put32(range, std::int32_t(std::uint32_t(std::lround(v * 1000)) ^ 0x80000000u));
  std::copy(range.begin(), range.end(), b.begin());
  f.Point(b, x1, y1);
  f.Point(b, x2, y2);
  f.Element(3, 1, b);
}

/// Draws the design file in a 100 x 100 viewer over map 0..100 on the given
/// background; returns the picture.
std::unique_ptr<TBitmap> DrawOn(const std::string& path, TColor background) {
  TViewerForm form(100, 100);
  form.viewer->SetBigExtentMargin(0);
  form.viewer->SetColor(background);
  auto layer = std::make_unique<TGIS_LayerDGN>();
  layer->SetPath(path);
  form.viewer->Add(layer.release());
  form.viewer->SetVisibleExtent(GisExtent(0, 0, 100, 100));
  TViewerForm::Pump();
  auto bitmap = std::make_unique<TBitmap>(100, 100, pf24bit);
  form.viewer->RenderToBitmap(bitmap.get());
  return bitmap;
}

} // namespace dgnviewtest

TEST(DgnLayer, ColoursCloseToTheViewerBackgroundAreDrawnInTheirXor) {
  using namespace dgnviewtest;
  sktest::TTempDir dir("dgn-xor");
  dgntest::TBuilder f;
  Bytes table(34 + 768, 0);
  auto entry = [&](int index, int r, int g, int b) {
    table[std::size_t(34 + 3 * index)] = std::uint8_t(r);
    table[std::size_t(35 + 3 * index)] = std::uint8_t(g);
    table[std::size_t(36 + 3 * index)] = std::uint8_t(b);
  };
  entry(4, 250, 245, 240); // within 16 of white in every channel
  entry(6, 200, 30, 30);   // far from white and from black
  entry(8, 240, 255, 230); // 25 from white in blue: not close enough
  f.Element(5, 1, table);
  // Colour bytes are table indexes less one; weight 9 draws 10 pixels wide.
  RangedLine(f, 3, 9, 0, 80, 100, 80);
  RangedLine(f, 5, 9, 0, 50, 100, 50);
  RangedLine(f, 7, 9, 0, 20, 100, 20);
  const std::string path = f.Save(dir, "xor.dgn");

  struct Case {
    const char* name;
    TColor background;
    COLORREF near, far, beyond;
  };
  const Case cases[] = {
      {"white", clWhite, RGB(250 ^ 255, 245 ^ 255, 240 ^ 255), RGB(200, 30, 30),
       RGB(240, 255, 230)},
      {"black", clBlack, RGB(250, 245, 240), RGB(200, 30, 30), RGB(240, 255, 230)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto picture = DrawOn(path, c.background);
    // Map y 80, 50 and 20 are rows 20, 50 and 80 of the picture.
    EXPECT_EQ(BitmapPixel(*picture, 50, 20), c.near);
    EXPECT_EQ(BitmapPixel(*picture, 50, 50), c.far);
    EXPECT_EQ(BitmapPixel(*picture, 50, 80), c.beyond);
    const COLORREF bg = c.background == clWhite ? RGB(255, 255, 255) : RGB(0, 0, 0);
    EXPECT_EQ(BitmapPixel(*picture, 50, 35), bg) << "between the lines";
  }
}
