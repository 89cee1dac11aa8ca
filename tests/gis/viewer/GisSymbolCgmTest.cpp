// CGM symbols: the binary and clear-text readers (element table, precisions,
// colours, curves), one plotted picture giving one drawing list in either
// encoding, drawing on a bitmap, damaged files and a short mutation run.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "gis/core/GisDefsStyles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "tests/gis/viewer/SymbolTestSupport.h"
#include "tests/support/RunTool.h"

namespace {

std::string Sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/" + name;
}

// ---- binary element builder ---------------------------------------------------------

std::string I16(int v) {
  return {char((v >> 8) & 0xFF), char(v & 0xFF)};
}
std::string I32(std::int64_t v) {
  return I16(int((v >> 16) & 0xFFFF)) + I16(int(v & 0xFFFF));
}
std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes)
    s += char(b);
  return s;
}
std::string Pts(std::initializer_list<int> coords) {
  std::string s;
  for (int c : coords)
    s += I16(c);
  return s;
}

/// One element; the long form for 31 bytes or more; odd lengths padded.
std::string Element(int cls, int id, const std::string& params = "") {
  const int len = int(params.size());
  std::string out = I16(cls << 12 | id << 5 | (len < 31 ? len : 31));
  if (len >= 31) out += I16(len);
  out += params;
  if (len % 2 == 1) out += '\0';
  return out;
}

std::string Begin() {
  return Element(0, 1, Bytes({3, 'c', 'g', 'm'}));
}

std::string Square(int half) {
  return Element(4, 7, Pts({-half, -half, half, -half, half, half, -half, half}));
}

std::string Extent(int x1, int y1, int x2, int y2) {
  return Element(2, 6, Pts({x1, y1, x2, y2}));
}

std::string DirectRed() {
  return Element(2, 2, I16(1)) + Element(5, 23, Bytes({255, 0, 0}));
}

/// Compares two drawing lists field by field.
void ExpectSameLists(const std::vector<TGIS_CgmCommand>& a, const std::vector<TGIS_CgmCommand>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].kind, b[i].kind) << i;
    EXPECT_EQ(a[i].fillColor, b[i].fillColor) << i;
    EXPECT_EQ(a[i].brushStyle, b[i].brushStyle) << i;
    EXPECT_EQ(a[i].lineColor, b[i].lineColor) << i;
    EXPECT_EQ(a[i].width, b[i].width) << i;
    EXPECT_EQ(a[i].penStyle, b[i].penStyle) << i;
    EXPECT_EQ(a[i].points, b[i].points) << i;
  }
}

std::string RunPlot(const std::string& input, bool clearText) {
  return sktest::RunTool(std::string(clearText ? "CGM_ENCODING=clear_text " : "") +
                         "pic2plot -T cgm '" + input + "'");
}

} // namespace

class CgmTest : public SymbolTest {
protected:
  std::unique_ptr<TGIS_SymbolCGM> Load(const std::string& bytes,
                                       const std::string& name = "s.cgm") {
    return std::make_unique<TGIS_SymbolCGM>(dir.Write(name, bytes));
  }
};

// ---- elements -----------------------------------------------------------------------------

TEST_F(CgmTest, ElementTableGivesTheDrawingList) {
  struct Row {
    const char* what;
    std::string binary;
    std::string text;
    int kind;
    std::size_t points;
  };
  const Row rows[] = {
      {"circle: 90 points", Element(4, 12, Pts({0, 0, 40})), "CIRCLE 0 0 40;",
       TGIS_CgmCommand::Polygon, 90},
      {"60 degree arc: 23 points", Element(4, 15, Pts({0, 0, 100, 0, 50, 87, 100})),
       "ARCCTR 0 0 100 0 50 87 100;", TGIS_CgmCommand::Polyline, 23},
      {"120 degree arc: 46 points", Element(4, 15, Pts({0, 0, 10, 0, -5, 9, 10})),
       "ARCCTR (0,0) (10,0) (-5,9) 10;", TGIS_CgmCommand::Polyline, 46},
      {"two rectangles: 10 points", Element(4, 11, Pts({0, 0, 10, 10, 20, 20, 30, 30})),
       "RECT (0, 0) (10, 10) (20, 20) (30, 30);", TGIS_CgmCommand::Polygon, 10},
      {"ellipse: 90 points", Element(4, 17, Pts({0, 0, 30, 0, 0, 10})), "ELLIPSE 0 0 30 0 0 10;",
       TGIS_CgmCommand::Polygon, 90},
      {"elliptical arc", Element(4, 18, Pts({0, 0, 30, 0, 0, 10, 1, 0, -1, 1})),
       "ELLIPARC 0 0 30 0 0 10 1 0 -1 1;", TGIS_CgmCommand::Polyline, 46},
      {"polyline", Element(4, 1, Pts({0, 0, 5, 5, 9, 0})), "LINE 0 0 5 5 9 0;",
       TGIS_CgmCommand::Polyline, 3},
  };
  for (const Row& r : rows) {
    auto bin = Load(Begin() + r.binary, "b.cgm");
    auto txt = Load(std::string("BEGMF 'x';\n") + r.text + "\nENDMF;", "t.cgm");
    ASSERT_EQ(bin->Commands().size(), 1u) << r.what;
    EXPECT_EQ(bin->Commands()[0].kind, r.kind) << r.what;
    EXPECT_EQ(bin->Commands()[0].points.size(), r.points) << r.what;
    ExpectSameLists(bin->Commands(), txt->Commands());
  }
  // The circle lies on its radius; y is negated for the screen.
  auto circle = Load(Begin() + Element(4, 12, Pts({10, 20, 40})));
  for (const TPoint& p : circle->Commands()[0].points)
    EXPECT_NEAR(std::hypot(p.x - 10.0, p.y + 20.0), 40, 1.0);
  // The 60-degree arc runs counter-clockwise (VDC) from (100, 0) to (50, 87).
  auto arc = Load(Begin() + Element(4, 15, Pts({0, 0, 100, 0, 50, 87, 100})));
  EXPECT_EQ(arc->Commands()[0].points.front(), TPoint(100, 0));
  EXPECT_EQ(arc->Commands()[0].points.back(), TPoint(50, -87));
  EXPECT_EQ(arc->Commands()[0].points[11].y, -50) << "the middle point lies at 30 degrees";
}

TEST_F(CgmTest, StateOfTheAttributeElements) {
  const std::string body =
      Begin() + Extent(-50, -50, 50, 50) + Element(5, 22, I16(1)) /* solid */ + DirectRed() +
      Element(5, 29, Bytes({0, 0, 255})) + Element(5, 28, I16(3)) + Element(5, 30, I16(0)) +
      Square(50) + Element(4, 4, Pts({0, 0}) + Bytes({1, 0, 2, 'h', 'i'})) /* TEXT, skipped */ +
      Element(5, 4, Bytes({0, 255, 0})) + Element(5, 3, I16(7)) + Element(5, 22, I16(4)) +
      Element(4, 1, Pts({0, 0, 10, 0}));
  auto s = Load(body);
  EXPECT_EQ(s->NaturalHeight(), 100);
  const int* e = s->VdcExtent();
  EXPECT_EQ(std::vector<int>(e, e + 4), (std::vector<int>{-50, -50, 50, 50}));
  ASSERT_EQ(s->Commands().size(), 2u);
  const TGIS_CgmCommand& polygon = s->Commands()[0];
  EXPECT_EQ(polygon.kind, TGIS_CgmCommand::Polygon);
  EXPECT_EQ(polygon.fillColor, 0x0000FFu);
  EXPECT_EQ(polygon.brushStyle, 0);
  EXPECT_EQ(polygon.lineColor, 0xFF0000u) << "the edge colour for a polygon";
  EXPECT_EQ(polygon.width, 3);
  EXPECT_EQ(polygon.penStyle, 5) << "edges switched off";
  const TGIS_CgmCommand& line = s->Commands()[1];
  EXPECT_EQ(line.kind, TGIS_CgmCommand::Polyline);
  EXPECT_EQ(line.lineColor, 0x00FF00u);
  EXPECT_EQ(line.width, 7);
  EXPECT_EQ(line.brushStyle, 1) << "interior style empty";
  EXPECT_EQ(line.penStyle, 0);
}

TEST_F(CgmTest, PrecisionsOfNumbersAndColours) {
  struct Row {
    const char* what;
    std::string setup;
    std::string extent; // parameters of VDC EXTENT
    int expected[4];
  };
  const std::string real = Element(1, 3, I16(1));
  const Row rows[] = {
      {"32-bit VDC integers",
       Element(3, 1, I16(32)),
       I32(-70000) + I32(-2) + I32(70000) + I32(3),
       {-70000, -2, 70000, 3}},
      {"24-bit VDC integers",
       Element(3, 1, I16(24)),
       Bytes({0xFF, 0xFF, 0xFE, 0, 0, 5, 0, 1, 0, 0x80, 0, 0}),
       {-2, 5, 256, -8388608}},
      {"8-bit VDC integers read unsigned",
       Element(3, 1, I16(8)),
       Bytes({0xFF, 1, 2, 3}),
       {255, 1, 2, 3}},
      {"32-bit float VDC, rounded half to even",
       real + Element(3, 2, I16(0) + I16(9) + I16(23)),
       Bytes({0x3F, 0xC0, 0, 0, 0x40, 0x20, 0, 0, 0xC0, 0x60, 0, 0, 0x42, 0x28, 0, 0}),
       {2, 2, -4, 42}},
      {"64-bit float VDC",
       real + Element(3, 2, I16(0) + I16(12) + I16(52)),
       Bytes({0x40, 0x59, 0, 0, 0, 0, 0, 0, 0xC0, 0x24, 0, 0, 0, 0, 0, 0,
              0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0}),
       {100, -10, 1, 0}},
      {"fixed 16.16 VDC",
       real + Element(3, 2, I16(1) + I16(16) + I16(16)),
       I16(7) + I16(0xC000) + I16(-3) + I16(0) + I16(0) + I16(0x4000) + I16(-1) + I16(0x8000),
       {8, -3, 0, 0}},
      {"fixed 32.32 VDC",
       real + Element(3, 2, I16(1) + I16(32) + I16(32)),
       I32(100000) + I32(0x80000000LL) + I32(-5) + I32(0) + I32(0) + I32(0) + I32(1) + I32(0),
       {100000, -5, 0, 1}},
  };
  for (const Row& r : rows) {
    auto s = Load(Begin() + r.setup + Element(2, 6, r.extent));
    const int* e = s->VdcExtent();
    EXPECT_EQ(std::vector<int>(e, e + 4), std::vector<int>(r.expected, r.expected + 4)) << r.what;
  }
  // Any other precision fails the parse, so the list gives no symbol.
  dir.Write("bad.cgm", Begin() + Element(3, 1, I16(12)) + Extent(1, 2, 3, 4));
  EXPECT_EQ(GisSymbolList().Get(dir / "bad.cgm"), nullptr);
}

TEST_F(CgmTest, ColourPrecisionsAreHonoured) {
  // 16-bit direct colours keep their top byte: FF FF 00 00 00 00 is red.
  auto direct = Load(Begin() + Element(1, 7, I16(16)) + Element(2, 2, I16(1)) +
                     Element(5, 23, Bytes({0xFF, 0xFF, 0, 0, 0x80, 0x00})) + Square(5));
  EXPECT_EQ(direct->Commands()[0].fillColor, 0x8000FFu);
  // A 16-bit colour index and a table written at that precision.
  auto indexed =
      Load(Begin() + Element(1, 8, I16(16)) + Element(5, 34, I16(2) + Bytes({1, 2, 3, 4, 5, 6})) +
           Element(5, 23, I16(3)) + Square(5));
  EXPECT_EQ(indexed->Commands()[0].fillColor, 0x060504u);
  // 8-bit defaults; an index above the table reads entry 0.
  auto plain =
      Load(Begin() + Element(5, 34, Bytes({0, 9, 8, 7, 1, 1, 1})) + Element(5, 23, Bytes({1})) +
           Square(5) + Element(1, 8, I16(16)) + Element(5, 23, I16(300)) + Square(5));
  EXPECT_EQ(plain->Commands()[0].fillColor, 0x010101u);
  EXPECT_EQ(plain->Commands()[1].fillColor, 0x070809u);
  // Clear text: COLRPREC gives the largest value; components scale to 0..255.
  auto text = Load("BEGMF 'x'; COLRPREC 65535; COLRMODE direct; FILLCOLR 65535 0 32768;"
                   " POLYGON 0 0 1 0 1 1;");
  EXPECT_EQ(text->Commands()[0].fillColor, 0x8000FFu);
}

TEST_F(CgmTest, LongFormDefaultsReplacementAndUnknownElements) {
  std::string many;
  for (int i = 0; i < 20; ++i)
    many += Pts({i, i * 2});
  auto s = Load(Begin() + Element(1, 12, Extent(-4, -6, 4, 6)) + Element(4, 1, many) +
                Element(7, 2, "some application data") + Element(4, 1, Pts({1, 1, 2, 2})));
  EXPECT_EQ(s->VdcExtent()[3], 6) << "defaults replacement read as elements";
  EXPECT_EQ(s->NaturalHeight(), 12);
  ASSERT_EQ(s->Commands().size(), 2u);
  EXPECT_EQ(s->Commands()[0].points.size(), 20u) << "long-form element";
  EXPECT_EQ(s->Commands()[0].points[19], TPoint(19, -38));
  EXPECT_EQ(s->Commands()[1].points.size(), 2u);
}

TEST_F(CgmTest, EncodingIsRecognisedByTheFirstBytes) {
  EXPECT_NE(Load("begmf 'lower';  line 0 0 1 1 ;")->Commands().size(), 0u);
  for (const char* bad : {"HELLO WORLD", "BEG", ""}) {
    dir.Write("x.cgm", bad);
    EXPECT_EQ(GisSymbolList().Get(dir / "x.cgm"), nullptr) << bad;
  }
  dir.Write("n.cgm", "BEGMF 'x'; LINE 0 zero 1 1;");
  EXPECT_EQ(GisSymbolList().Get(dir / "n.cgm"), nullptr) << "a parameter that is no number";
}

// ---- geometry and drawing ----------------------------------------------------------------

TEST_F(CgmTest, FilledSquareIsScaledAboutTheOriginAndPlaced) {
  auto s = Load(Begin() + Extent(-50, -50, 50, 50) + Element(5, 22, I16(1)) + DirectRed() +
                Element(5, 30, I16(0)) + Square(50));
  Prepare(*s, 20, 4, 0, GIS_RENDER_COLOR, GIS_RENDER_COLOR);
  EXPECT_DOUBLE_EQ(s->SymbolScale(), 0.2);
  EXPECT_EQ(s->Width(), 20);
  EXPECT_EQ(s->Height(), 20);
  EXPECT_EQ(s->GetDrawWidth(), 20);
  s->Draw(50, 50);
  const TRect ink = target.InkBox(0x0000FF);
  EXPECT_NEAR(ink.Left, 40, 1);
  EXPECT_NEAR(ink.Top, 40, 1);
  EXPECT_NEAR(ink.Right, 60, 1);
  EXPECT_NEAR(ink.Bottom, 60, 1);

  // A prepared fill colour replaces the metafile's own.
  target.Fill(0xFFFFFF);
  Prepare(*s, 20, 4, 0, GIS_RENDER_COLOR, 0x00FF00);
  s->Draw(50, 50);
  EXPECT_EQ(target.Pixel(50, 50), 0x00FF00u);
  EXPECT_EQ(target.CountColor(0x0000FF), 0);

  // Position 7: below the point, centred horizontally.
  Prepare(*s, 20, 7);
  EXPECT_EQ(s->OffsetX(), 0);
  EXPECT_EQ(s->OffsetY(), 10);
  Prepare(*s, 20, 0);
  EXPECT_EQ(s->OffsetX(), -10);
  EXPECT_EQ(s->OffsetY(), -10);
}

TEST_F(CgmTest, HollowDrawingIsOutlinedInTheFillColour) {
  auto s = Load(Begin() + Extent(-50, -50, 50, 50) + Element(5, 22, I16(0)) + Square(40));
  Prepare(*s, 50, 4, 0, 0xFF0000, 0x0000FF);
  s->Draw(60, 60);
  EXPECT_EQ(target.Pixel(60, 60), 0xFFFFFFu) << "not filled";
  const TRect ink = target.InkBox(0x0000FF);
  EXPECT_NEAR(ink.Left, 40, 1);
  EXPECT_NEAR(ink.Right, 80, 1);
  EXPECT_EQ(target.CountColor(0xFF0000), 0);
}

TEST_F(CgmTest, ReleaseFreesTheListAndDrawParsesAgain) {
  auto s = Load(Begin() + Extent(-5, -5, 5, 5) + Element(5, 22, I16(1)) + DirectRed() + Square(5));
  s->Release();
  EXPECT_FALSE(s->Parsed());
  EXPECT_TRUE(s->Commands().empty());
  Prepare(*s, 10, 4, 0, GIS_RENDER_COLOR, GIS_RENDER_COLOR);
  s->Draw(30, 30);
  EXPECT_TRUE(s->Parsed());
  EXPECT_EQ(target.Pixel(30, 30), 0x0000FFu);
}

// ---- samples, the plotting oracle, damaged input ---------------------------------------------

TEST_F(CgmTest, PlottedPictureGivesOneDrawingListInEitherEncoding) {
  auto bin = std::make_unique<TGIS_SymbolCGM>(Sample("cgm/good-plot-binary.cgm"));
  auto txt = std::make_unique<TGIS_SymbolCGM>(Sample("cgm/good-plot-clear.cgm"));
  ASSERT_EQ(bin->Commands().size(), 4u); // circle, box, line, ellipse
  EXPECT_EQ(bin->Commands()[0].points.size(), 90u);
  EXPECT_EQ(bin->Commands()[1].points.size(), 5u);
  EXPECT_EQ(bin->Commands()[0].lineColor, 0x010101u) << "black edges at 16-bit precision";
  EXPECT_EQ(bin->Commands()[0].width, 19);
  ExpectSameLists(bin->Commands(), txt->Commands());
  EXPECT_EQ(std::vector<int>(bin->VdcExtent(), bin->VdcExtent() + 4),
            std::vector<int>(txt->VdcExtent(), txt->VdcExtent() + 4));

  // The plotting program, where installed, as the oracle of today's output.
  if (!sktest::HasTool("pic2plot")) GTEST_SKIP() << "pic2plot (plotutils) is not installed";
  const std::string a = RunPlot(Sample("cgm/plot.pic"), false);
  const std::string b = RunPlot(Sample("cgm/plot.pic"), true);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  auto plotBin = Load(a, "pb.cgm");
  auto plotTxt = Load(b, "pt.cgm");
  ExpectSameLists(plotBin->Commands(), plotTxt->Commands());
  ExpectSameLists(plotBin->Commands(), bin->Commands());
}

TEST_F(CgmTest, DamagedFilesAndMutationsNeverCrash) {
  for (const char* name :
       {"cgm/damaged-truncated.cgm", "cgm/damaged-long-length.cgm", "cgm/crash-huge-extent.cgm"}) {
    TGIS_SymbolAbstract* s = GisSymbolList().Get(Sample(name));
    if (s != nullptr) {
      Prepare(*s, 30);
      s->Draw(40, 40);
    }
  }
  const std::string good = sktest::TTempDir::Read(Sample("cgm/good-plot-binary.cgm"));
  const std::string text = sktest::TTempDir::Read(Sample("cgm/good-plot-clear.cgm"));
  ASSERT_FALSE(good.empty());
  // SK_FUZZ_SEED picks another sequence for longer runs by hand.
  const char* seed = std::getenv("SK_FUZZ_SEED");
  std::mt19937 rng(std::uint32_t(StrToIntDef(seed != nullptr ? seed : "", 20261210)));
  int parsed = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = round % 2 == 0 ? good : text;
    const int edits = 1 + int(rng() % 6);
    for (int k = 0; k < edits; ++k) {
      const std::size_t at = rng() % bytes.size();
      switch (rng() % 3) {
      case 0:
        bytes[at] = char(rng());
        break;
      case 1:
        bytes.erase(at, 1 + rng() % 8);
        break;
      default:
        bytes.insert(at, 1, char(rng()));
        break;
      }
      if (bytes.empty()) bytes = "\0";
    }
    try {
      auto s = Load(bytes, "fuzz.cgm");
      ++parsed;
      Prepare(*s, 30);
      s->Draw(40, 40);
    } catch (const Exception&) {
      // A clear error is fine; a crash or a hang is not.
    }
  }
  EXPECT_GT(parsed, 100);
}
