// DrawText and ExtTextOut.
#include <cstring>

#include "GraphicsTestUtil.h"

namespace {

struct TTextCanvas : TTestCanvas {
  TTextCanvas() : TTestCanvas(200, 120) {
    LOGFONT lf;
    lf.lfHeight = -14;
    std::strcpy(lf.lfFaceName, "Arial");
    font = CreateFontIndirect(&lf);
    old = SelectObject(dc, font);
    GetTextMetrics(dc, &tm);
  }
  ~TTextCanvas() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
  int Width(const char* s) {
    SIZE sz;
    GetTextExtentPoint32(dc, s, int(std::strlen(s)), &sz);
    return sz.cx;
  }
  HFONT font;
  HGDIOBJ old;
  TEXTMETRIC tm;
};

TEST(DrawText, MeasuringWrapsAtWordsAndLineBreaks) {
  TTextCanvas c;
  struct Row {
    const char* text;
    UINT format;
    int lines;
  } rows[] = {
      {"alpha beta", DT_WORDBREAK, 2}, // the box is one word wide
      {"alpha beta", 0, 1},
      {"alpha beta", DT_SINGLELINE | DT_WORDBREAK, 1},
      {"a\r\nb\nc", 0, 3},
      {"a\n\rb\rc", 0, 3},   // LF CR is one break too
      {"a\n\nb\r\rc", 0, 5}, // two alike are two
      {"a\r\nb\nc", DT_SINGLELINE, 1},
  };
  int boxWidth = c.Width("alpha") + 2;
  for (const Row& r : rows) {
    RECT rc{0, 0, boxWidth, 10};
    int h = DrawText(c.dc, r.text, -1, &rc, r.format | DT_CALCRECT);
    EXPECT_EQ(h, r.lines * c.tm.tmHeight) << r.text << " " << r.format;
    EXPECT_EQ(rc.Bottom, h);
  }
  RECT rc{0, 0, boxWidth, 10};
  DrawText(c.dc, "alpha beta", -1, &rc, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(rc.Right, c.Width("alpha"));
  EXPECT_EQ(c.Count(0xFFFFFF), 200 * 120); // measuring draws nothing
}

TEST(DrawText, AlignmentPlacesTheLine) {
  struct Row {
    UINT format;
    int expectedLeft; // relative to the box, -1 = computed below
  } rows[] = {{DT_LEFT | DT_SINGLELINE, 0},
              {DT_RIGHT | DT_SINGLELINE, -1},
              {DT_CENTER | DT_SINGLELINE, -2}};
  for (const Row& r : rows) {
    TTextCanvas c;
    SetBkColor(c.dc, RGB(0, 255, 0));
    RECT rc{10, 10, 150, 60};
    DrawText(c.dc, "Wide", -1, &rc, r.format | DT_VCENTER);
    int w = c.Width("Wide");
    int left = r.expectedLeft == 0 ? 10 : r.expectedLeft == -1 ? 150 - w : 10 + (140 - w) / 2;
    int top = 10 + (50 - c.tm.tmHeight) / 2;
    EXPECT_EQ(c.At(left, top), RGB(0, 255, 0)) << r.format;
    EXPECT_EQ(c.At(left - 1, top), 0xFFFFFFu) << r.format;
    EXPECT_EQ(c.At(left, top - 1), 0xFFFFFFu) << r.format;
  }
}

TEST(DrawText, PrefixUnderlinesAndDoubleAmpersandIsLiteral) {
  TTextCanvas c;
  RECT rc{0, 0, 200, 40};
  SetBkMode(c.dc, TRANSPARENT);
  DrawText(c.dc, "&File", -1, &rc, DT_SINGLELINE);
  int underlineY = c.tm.tmAscent + 1;
  int fw = c.Width("F");
  EXPECT_EQ(c.At(fw / 2, underlineY), 0u);
  EXPECT_EQ(c.At(fw + c.Width("i") / 2 + 1, underlineY), 0xFFFFFFu);
  RECT m{0, 0, 200, 40};
  DrawText(c.dc, "a&&b", -1, &m, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(m.Right, c.Width("a&b"));
  DrawText(c.dc, "a&&b", -1, &m, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(m.Right, c.Width("a&&b"));
}

TEST(DrawText, EndEllipsisFitsTheBox) {
  TTextCanvas c;
  int box = c.Width("A long caption") / 2;
  RECT rc{0, 0, box, 40};
  DrawText(c.dc, "A long caption", -1, &rc, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(rc.Right, box);
  EXPECT_GT(rc.Right, c.Width("..."));
}

TEST(ExtTextOut, OpaqueRectangleAndClipping) {
  TTextCanvas c;
  SetBkColor(c.dc, RGB(0, 0, 255));
  RECT r{5, 5, 30, 30};
  ExtTextOut(c.dc, 5, 5, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWWWWWW", 10, nullptr);
  EXPECT_EQ(c.At(29, 29), RGB(0, 0, 255));
  EXPECT_EQ(c.At(30, 6), 0xFFFFFFu); // clipped at the rectangle
  RECT clip;
  GetClipBox(c.dc, &clip);
  EXPECT_EQ(clip, RECT(0, 0, 200, 120)); // clipping restored
}

} // namespace
