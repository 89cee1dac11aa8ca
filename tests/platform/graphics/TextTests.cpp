// Fonts and text: substitution, metrics, extents, alignment, escapement,
// no antialiasing.
#include <QFontDatabase>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "GraphicsTestUtil.h"
#include "ImageOracle.h"

namespace {

HFONT MakeFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfEscapement = lf.lfOrientation = escapement;
  lf.lfWeight = weight;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

std::string FaceOf(HDC dc) {
  char face[64];
  GetTextFace(dc, sizeof face, face);
  return face;
}

/// The box of pixels of colour c.
RECT Box(const TTestCanvas& c, COLORREF col) {
  RECT r{1 << 20, 1 << 20, -1, -1};
  for (int y = 0; y < c.surface->Height(); ++y)
    for (int x = 0; x < c.surface->Width(); ++x)
      if (c.At(x, y) == col) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

TEST(Text, FaceNamesMapToInstalledMetricCompatibleFonts) {
  struct Row {
    const char* face;
    const char* resolved;
  } rows[] = {{"Arial", "Liberation Sans"},
              {"Arial ", "Liberation Sans"},
              {"MS Sans Serif", "Liberation Sans"},
              {"Default", "Liberation Sans"},
              {"Tahoma", "Tahoma"},
              {"Segoe UI", "Tahoma"},
              {"No Such Face 42", "Liberation Sans"},
              {"Times New Roman", "Liberation Serif"}};
  TTestCanvas c(4, 4);
  for (const Row& r : rows) {
    TSelected f(c.dc, MakeFont(r.face, -12));
    EXPECT_EQ(FaceOf(c.dc), r.resolved) << r.face;
  }
  // the two Tahoma files are registered by themselves: the bitmap-only faces of
  // their folder stay out
  EXPECT_FALSE(QFontDatabase::families().contains("MS Sans Serif"));
  std::vector<std::string> faces = GdiInstalledFaces();
  for (const char* f : {"Arial", "Liberation Sans", "Tahoma", "DejaVu Sans"})
    EXPECT_TRUE(std::binary_search(faces.begin(), faces.end(), std::string(f))) << f;
}

TEST(Text, FontFilesInUseAreLogged) {
  // Widths are measured, never hard-coded: the versions explain a changed
  // measurement between machines.
  for (const char* file :
       {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
    QByteArray v =
        RunTool("fc-query", {"-f", "%{family[0]} %{style[0]} version %{fontversion}", file});
    ASSERT_FALSE(v.isEmpty()) << file;
    RecordProperty(file, v.toStdString());
    std::fputs(("font " + std::string(file) + ": " + v.toStdString() + "\n").c_str(), stdout);
  }
}

TEST(Text, ExtentsAreCumulativeIntegerAdvancesOfTheRealFont) {
  TTestCanvas c(4, 4);
  TSelected f(c.dc, MakeFont("Arial", -16));
  const char* text = "Hillo WW.";
  int n = int(std::strlen(text));
  std::vector<int> dx(std::size_t(n), 0);
  int fit = 0;
  SIZE size;
  ASSERT_TRUE(GetTextExtentExPoint(c.dc, text, n, 1 << 30, &fit, dx.data(), &size));
  EXPECT_EQ(fit, n);
  EXPECT_EQ(dx.back(), size.cx);
  for (int i = 1; i < n; ++i)
    EXPECT_GT(dx[i], dx[i - 1]);
  SIZE whole;
  GetTextExtentPoint32(c.dc, text, n, &whole);
  EXPECT_EQ(whole, size);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(size.cy, tm.tmHeight);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  // 'l' is narrower than 'W' in a proportional face
  EXPECT_LT(dx[2] - dx[1], dx[7] - dx[6]);
  // the fit count stops at the limit
  GetTextExtentExPoint(c.dc, text, n, dx[3], &fit, nullptr, nullptr);
  EXPECT_EQ(fit, 4);
  // UTF-8 counts code points
  const char* accented = "\xC3\xA9t\xC3\xA9";
  GetTextExtentExPoint(c.dc, accented, 5, 1 << 30, &fit, dx.data(), &size);
  EXPECT_EQ(fit, 3);
}

TEST(Text, BoldFacesHaveTheirOwnWiderAdvances) {
  for (const char* face : {"Tahoma", "Arial"}) {
    TTestCanvas c(4, 4);
    SIZE regular, bold;
    {
      TSelected f(c.dc, MakeFont(face, -16));
      GetTextExtentPoint32(c.dc, "Tahoma Bold", 11, &regular);
    }
    {
      TSelected f(c.dc, MakeFont(face, -16, 0, FW_BOLD));
      GetTextExtentPoint32(c.dc, "Tahoma Bold", 11, &bold);
    }
    EXPECT_GT(bold.cx, regular.cx) << face;
  }
}

TEST(Text, HeightSignSelectsEmOrCellHeight) {
  TTestCanvas c(4, 4);
  TEXTMETRIC em, cell;
  {
    TSelected f(c.dc, MakeFont("Arial", -20));
    GetTextMetrics(c.dc, &em);
  }
  {
    TSelected f(c.dc, MakeFont("Arial", 20));
    GetTextMetrics(c.dc, &cell);
  }
  EXPECT_GT(em.tmHeight, 20); // em 20 px has a taller cell
  EXPECT_NEAR(cell.tmHeight, 20, 1);
  EXPECT_EQ(em.tmInternalLeading, em.tmHeight - 20);
}

TEST(Text, TrueTypeFlagAndItsTestHook) {
  TTestCanvas c(4, 4);
  TSelected f(c.dc, MakeFont("Arial", -12));
  TEXTMETRIC tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH); // set = variable pitch
  GdiSetTrueTypeReported(false);
  GetTextMetrics(c.dc, &tm);
  GdiSetTrueTypeReported(true);
  EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
}

TEST(Text, GlyphsAreAliasedAndDrawnInsideTheCell) {
  TTestCanvas c(120, 40);
  TSelected f(c.dc, MakeFont("Arial", -20, 0, FW_BOLD));
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, 0x0000FF);
  TextOut(c.dc, 10, 5, "Agile", 5);
  SIZE s;
  GetTextExtentPoint32(c.dc, "Agile", 5, &s);
  int other = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      COLORREF p = c.At(x, y);
      if (p != 0xFFFFFF && p != 0x0000FF) ++other;
    }
  EXPECT_EQ(other, 0) << "antialiased pixels";
  RECT ink = Box(c, 0x0000FF);
  EXPECT_GE(ink.Left, 10);
  EXPECT_LE(ink.Right, 10 + s.cx + 1);
  EXPECT_GE(ink.Top, 5);
  EXPECT_LE(ink.Bottom, 5 + s.cy);
  EXPECT_GT(c.Count(0x0000FF), 50);
}

// Glyphs come from a cache per font and size: the same label drawn again, at
// another place or cut by a clip, shows the same pixels.
TEST(Text, ALabelDrawnAgainShowsTheSamePixelsAndHonoursTheClip) {
  TTestCanvas c(200, 80);
  TSelected f(c.dc, MakeFont("Arial", -13));
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 3, 4, "Label 12345", 11);
  TextOut(c.dc, 97, 41, "Label 12345", 11);
  int ink = 0;
  for (int y = 0; y < 35; ++y)
    for (int x = 0; x < 94; ++x) {
      ASSERT_EQ(c.At(x, y), c.At(x + 94, y + 37)) << x << "," << y;
      ink += c.At(x, y) == 0;
    }
  EXPECT_GT(ink, 40);
  // Clipped to the left half of a third copy: nothing right of the clip.
  TTestCanvas clipped(200, 80);
  TSelected cf(clipped.dc, MakeFont("Arial", -13));
  SetBkMode(clipped.dc, TRANSPARENT);
  IntersectClipRect(clipped.dc, 0, 0, 30, 80);
  TextOut(clipped.dc, 3, 4, "Label 12345", 11);
  for (int y = 0; y < 35; ++y)
    for (int x = 0; x < 94; ++x)
      ASSERT_EQ(clipped.At(x, y), x < 30 ? c.At(x, y) : COLORREF(0xFFFFFF)) << x << "," << y;
}

// Very large text is drawn straight into the part of the target it covers:
// no glyph is cached (a cached glyph is drawn whole, three text heights
// square), and the ink is the glyphs' outline filled as a path is.
TEST(Text, VeryLargeTextIsDrawnWithoutTheCacheAndCutToTheTarget) {
  struct Row {
    const char* name;
    int height, x, y;
    const char* text;
    bool halo;
  } rows[] = {
      // the target lies on the stem of the (fourth) I
      {"one huge glyph", -8000, -800, -3000, "I", false},
      {"a line of them", -5000, -4670, -2000, "IIIIIIIIII", false},
      {"halo stroke", -3000, -250, -1500, "I", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const int n = int(std::strlen(r.text));
    const std::size_t cached = GdiCachedGlyphCount();
    TTestCanvas direct(160, 120), path(160, 120);
    for (TTestCanvas* c : {&direct, &path}) {
      TSelected f(c->dc, MakeFont("Arial", r.height));
      SetBkMode(c->dc, TRANSPARENT);
      TSelected pen(c->dc, CreatePen(PS_SOLID, 5, 0));
      TSelected brush(c->dc, CreateSolidBrush(0));
      if (c == &direct && !r.halo) {
        TextOut(c->dc, r.x, r.y, r.text, n);
        continue;
      }
      BeginPath(c->dc);
      TextOut(c->dc, r.x, r.y, r.text, n);
      EndPath(c->dc);
      if (r.halo && c == &direct)
        StrokePath(c->dc); // from single glyphs where they are cached
      else if (r.halo)
        GdiSetTextStrokeFromGlyphs(false), StrokePath(c->dc), GdiSetTextStrokeFromGlyphs(true);
      else
        FillPath(c->dc);
    }
    EXPECT_EQ(GdiCachedGlyphCount(), cached) << "a glyph of this size was cached";
    int ink = 0, differ = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) {
        ink += direct.At(x, y) == 0;
        differ += direct.At(x, y) != path.At(x, y);
      }
    EXPECT_GT(ink, 100) << "some of the glyphs lies on the target";
    EXPECT_LE(differ, 160 * 120 / 100) << "the outline filled as a path";
  }
  // text of an ordinary size is still cached
  TTestCanvas small(60, 30);
  TSelected f(small.dc, MakeFont("Arial", -23));
  const std::size_t before = GdiCachedGlyphCount();
  TextOut(small.dc, 2, 2, "Q", 1);
  EXPECT_EQ(GdiCachedGlyphCount(), before + 1);
}

TEST(Text, OpaqueCellAndAlignmentReferencePoints) {
  TTestCanvas probe(4, 4);
  TSelected pf(probe.dc, MakeFont("Arial", -14));
  SIZE s;
  GetTextExtentPoint32(probe.dc, "Mm", 2, &s);
  TEXTMETRIC tm;
  GetTextMetrics(probe.dc, &tm);
  struct Row {
    UINT align;
    RECT cell; // relative to the reference point (50, 40)
  } rows[] = {
      {TA_LEFT | TA_TOP, {0, 0, s.cx, s.cy}},
      {TA_RIGHT | TA_TOP, {-s.cx, 0, 0, s.cy}},
      {TA_CENTER | TA_TOP, {-(s.cx / 2), 0, s.cx - s.cx / 2, s.cy}},
      {TA_LEFT | TA_BASELINE, {0, -tm.tmAscent, s.cx, tm.tmDescent}},
      {TA_LEFT | TA_BOTTOM, {0, -s.cy, s.cx, 0}},
      {TA_LEFT | TA_TOP | TA_RTLREADING, {0, 0, s.cx, s.cy}},
  };
  for (const Row& r : rows) {
    TTestCanvas c(120, 100);
    TSelected f(c.dc, MakeFont("Arial", -14));
    SetBkColor(c.dc, 0x00FF00);
    SetTextColor(c.dc, 0);
    SetTextAlign(c.dc, r.align);
    TextOut(c.dc, 50, 40, "Mm", 2);
    RECT cell = Box(c, 0x00FF00);
    RECT expected{50 + r.cell.Left, 40 + r.cell.Top, 50 + r.cell.Right, 40 + r.cell.Bottom};
    EXPECT_EQ(cell, expected) << "align " << r.align;
  }
}

TEST(Text, EscapementRotatesCounterClockwiseAboutTheReferencePoint) {
  TTestCanvas c(100, 100);
  TSelected f(c.dc, MakeFont("Arial", -14, 900));
  SetBkColor(c.dc, 0x00FF00);
  SIZE s;
  GetTextExtentPoint32(c.dc, "Rotate", 6, &s);
  TextOut(c.dc, 30, 80, "Rotate", 6);
  RECT cell = Box(c, 0x00FF00);
  // the text runs upward from (30, 80); its cell lies to the right of x = 30
  EXPECT_NEAR(cell.Left, 30, 1);
  EXPECT_NEAR(cell.Right, 30 + s.cy, 1);
  EXPECT_NEAR(cell.Bottom, 80, 1);
  EXPECT_NEAR(cell.Top, 80 - s.cx, 1);
}

TEST(Text, TextCanBeDrawnIntoAPath) {
  TTestCanvas c(100, 40);
  TSelected f(c.dc, MakeFont("Arial", -24));
  BeginPath(c.dc);
  TextOut(c.dc, 5, 5, "OK", 2);
  EndPath(c.dc);
  EXPECT_EQ(c.Count(0xFFFFFF), 4000);
  HRGN r = PathToRegion(c.dc);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), COMPLEXREGION);
  EXPECT_GE(box.Left, 5);
  EXPECT_GT(box.Right, 20);
  DeleteObject(r);
}

TEST(Text, CharsetOfCodePages) {
  struct Row {
    UINT cp, charset;
  } rows[] = {{1250, 238}, {1251, 204}, {1252, 0},   {1253, 161}, {1254, 162},
              {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},
              {932, 128},  {936, 134},  {949, 129},  {950, 136},  {65001, 1}};
  for (const Row& r : rows) {
    CHARSETINFO cs;
    ASSERT_TRUE(
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(std::uintptr_t(r.cp)), &cs, TCI_SRCCODEPAGE));
    EXPECT_EQ(cs.ciCharset, r.charset) << r.cp;
  }
}

} // namespace
