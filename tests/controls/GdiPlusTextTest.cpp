// Text of the anti-aliasing drawing layer: families, fonts, string formats,
// drawing in a layout rectangle and measuring the same layout.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/OwGDIP.h"
#include "platform/graphics/Surface.h"

namespace {
/// A white 32-bit surface with a DC on it.
struct TTextSurface {
  TMemorySurface surface;
  HDC dc;
  TTextSurface(int w = 160, int h = 60)
      : surface(w, h, 32, 0xFFFFFF), dc(CreateSurfaceDC(&surface)) {}
  ~TTextSurface() { DeleteDC(dc); }
  TTextSurface(const TTextSurface&) = delete;
  TTextSurface& operator=(const TTextSurface&) = delete;
  COLORREF At(int x, int y) {
    const std::uint8_t* p = surface.Row(y) + x * 4;
    return RGB(p[2], p[1], p[0]);
  }
  /// The box of every non-white pixel (empty when none).
  TRect Ink() {
    TRect r(1 << 20, 1 << 20, -1, -1);
    for (int y = 0; y < surface.Height(); ++y)
      for (int x = 0; x < surface.Width(); ++x)
        if (At(x, y) != 0xFFFFFF) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.Right < 0 ? TRect() : r;
  }
  /// Pixels that are neither white nor the text colour.
  int Greys(COLORREF text) {
    int n = 0;
    for (int y = 0; y < surface.Height(); ++y)
      for (int x = 0; x < surface.Width(); ++x)
        if (At(x, y) != 0xFFFFFF && At(x, y) != text) ++n;
    return n;
  }
};

struct TLive {
  int before = GdipLiveObjects();
  ~TLive() { EXPECT_EQ(GdipLiveObjects(), before) << "drawing objects left alive"; }
};

/// Draws `text` with Tahoma 8 pt in black; returns the ink box.
TRect DrawTahoma(TTextSurface& s, const std::u16string& text, TGPFloatRect layout, int alignment,
                 int lineAlignment, int hint = GpTextRenderingAntiAlias, int flags = 0x1000) {
  TGPGraphics g(s.dc);
  g.SetTextRenderingHint(hint);
  TGPFontFamily family(u"Tahoma");
  TGPFont font(&family, 8);
  TGPStringFormat format(flags);
  format.SetAlignment(alignment);
  format.SetLineAlignment(lineAlignment);
  TGPSolidBrush black(0xFF000000);
  EXPECT_EQ(g.DrawString(text, int(text.size()), &font, layout, &format, &black), GpOk);
  return s.Ink();
}
} // namespace

TEST(GdiPlusText, FamiliesAndFontsFollowTheStatusRule) {
  TLive live;
  struct TRow {
    const char16_t* face;
    GpStatus status;
  } rows[] = {{u"Tahoma", GpOk},
              {u"Arial", GpOk},
              {u"Courier New", GpOk},
              {u"No Such Face At All", GpFontFamilyNotFound},
              {u"", GpFontFamilyNotFound}};
  for (const TRow& row : rows) {
    TGPFontFamily family(row.face);
    EXPECT_EQ(family.LastStatus(), row.status);
    EXPECT_EQ(family.Native() != nullptr, row.status == GpOk);
    // A font of a missing family fails in turn.
    TGPFont font(&family, 8);
    EXPECT_EQ(font.LastStatus(), row.status == GpOk ? GpOk : GpInvalidParameter);
  }
  TGPFontFamily tahoma(u"Tahoma");
  EXPECT_EQ(TGPFont(&tahoma, 0).LastStatus(), GpInvalidParameter);
  EXPECT_EQ(TGPFont(&tahoma, 8, 0x10).LastStatus(), GpInvalidParameter);
  EXPECT_EQ(TGPFont(&tahoma, 8, GpFontStyleRegular, 7).LastStatus(), GpInvalidParameter);
  TGPStringFormat format(0x1000);
  EXPECT_EQ(format.SetAlignment(3), GpInvalidParameter);
  EXPECT_EQ(format.SetHotkeyPrefix(GpHotkeyPrefixShow), GpOk);
  EXPECT_EQ(format.LastStatus(), GpInvalidParameter); // the failure stays
}

TEST(GdiPlusText, AlignmentsPlaceTheTextInTheLayout) {
  TLive live;
  // The layout (10, 10, 140, 40): the ink's left edge, right edge and
  // vertical middle follow the alignments.
  const TGPFloatRect layout = GPRectOf(10, 10, 140, 40);
  TTextSurface near, centre, far;
  const TRect a = DrawTahoma(near, u"Open", layout, GpStringAlignmentNear, GpStringAlignmentNear);
  const TRect b =
      DrawTahoma(centre, u"Open", layout, GpStringAlignmentCenter, GpStringAlignmentCenter);
  const TRect c = DrawTahoma(far, u"Open", layout, GpStringAlignmentFar, GpStringAlignmentFar);
  ASSERT_FALSE(a.IsEmpty());
  EXPECT_NEAR(a.Left, 10, 2);
  EXPECT_LT(a.Top, 16);
  EXPECT_NEAR((b.Left + b.Right) / 2.0, 80, 2);
  EXPECT_NEAR((b.Top + b.Bottom) / 2.0, 30, 3);
  EXPECT_NEAR(c.Right, 150, 2);
  EXPECT_GT(c.Bottom, 44);
  EXPECT_LE(c.Bottom, 50);
  // One width whatever the alignment.
  EXPECT_EQ(a.Right - a.Left, b.Right - b.Left);
  EXPECT_EQ(a.Right - a.Left, c.Right - c.Left);
}

TEST(GdiPlusText, RenderingHintChoosesSmoothOrAliasedGlyphs) {
  TLive live;
  TTextSurface smooth, aliased;
  DrawTahoma(smooth, u"Window", GPRectOf(2, 2, 150, 30), 0, 0, GpTextRenderingAntiAlias);
  DrawTahoma(aliased, u"Window", GPRectOf(2, 2, 150, 30), 0, 0,
             GpTextRenderingSingleBitPerPixelGridFit);
  EXPECT_GT(smooth.Greys(0), 10);
  EXPECT_EQ(aliased.Greys(0), 0);
  EXPECT_GT(aliased.Ink().Right - aliased.Ink().Left, 20);
}

TEST(GdiPlusText, TextIsCutAtTheLayoutUnlessNoClip) {
  TLive live;
  const std::u16string text = u"A rather long caption";
  TTextSurface clipped, free;
  const TRect a = DrawTahoma(clipped, text, GPRectOf(5, 5, 40, 20), 0, 0);
  const TRect b = DrawTahoma(free, text, GPRectOf(5, 5, 40, 20), 0, 0, GpTextRenderingAntiAlias,
                             GpStringFormatFlagsNoWrap | GpStringFormatFlagsNoClip);
  EXPECT_LE(a.Right, 46);
  EXPECT_GT(b.Right, 80);
}

TEST(GdiPlusText, MeasuringMatchesTheLayoutOfDrawing) {
  TLive live;
  TTextSurface s;
  TGPGraphics g(s.dc);
  TGPFontFamily family(u"Tahoma");
  TGPFont font(&family, 8);
  struct TRow {
    const char* name;
    std::u16string text;
    int flags, prefix;
    float width;
    int lines, fitted; // lines −1: three or more
  } rows[] = {
      {"one line", u"Open", 0x1000, GpHotkeyPrefixNone, 0, 1, 4},
      {"hot key shown", u"&Open", 0x1000, GpHotkeyPrefixShow, 0, 1, 5},
      {"ampersand kept", u"&Open", 0x1000, GpHotkeyPrefixNone, 0, 1, 5},
      {"wrapped", u"one two three four five", 0, GpHotkeyPrefixNone, 40, -1, 23},
      {"no wrap", u"one two three four five", 0x1000, GpHotkeyPrefixNone, 40, 1, 23},
      {"empty", u"", 0x1000, GpHotkeyPrefixNone, 0, 0, 0},
  };
  TGPFloatRect open;
  for (const TRow& row : rows) {
    TGPStringFormat format(row.flags);
    format.SetHotkeyPrefix(row.prefix);
    TGPFloatRect box;
    int fitted = -1, lines = -1;
    ASSERT_EQ(g.MeasureString(row.text, -1, &font, GPRectOf(3, 4, row.width, 0), &format, box,
                              &fitted, &lines),
              GpOk)
        << row.name;
    EXPECT_EQ(fitted, row.fitted) << row.name;
    if (row.lines >= 0) {
      EXPECT_EQ(lines, row.lines) << row.name;
    } else {
      EXPECT_GE(lines, 3) << row.name;
    }
    EXPECT_FLOAT_EQ(box.Y, 4) << row.name;
    if (row.text.empty()) {
      EXPECT_EQ(box.Width, 0) << row.name;
      continue;
    }
    EXPECT_NEAR(box.X, 3, 1) << row.name;
    // Tahoma 8 pt is 11 pixels: a line is 11 to 14 pixels high.
    EXPECT_GE(box.Height / lines, 11) << row.name;
    EXPECT_LE(box.Height / lines, 14) << row.name;
    if (std::string(row.name) == "one line") open = box;
    if (std::string(row.name) == "hot key shown") {
      EXPECT_FLOAT_EQ(box.Width, open.Width) << "the prefix takes no room";
    }
    if (std::string(row.name) == "ampersand kept") {
      EXPECT_GT(box.Width, open.Width + 3) << row.name;
    }
  }
  // The drawn ink lies within the measured box.
  TGPStringFormat format(0x1000);
  TGPFloatRect box;
  g.MeasureString(u"Window", -1, &font, GPRectOf(20, 10, 0, 0), &format, box);
  TGPSolidBrush black(0xFF000000);
  g.DrawString(std::u16string(u"Window"), 6, &font, GPRectOf(20, 10, 0, 0), &format, &black);
  const TRect ink = s.Ink();
  EXPECT_GE(ink.Left, int(box.X) - 1);
  EXPECT_LE(ink.Right, int(box.X + box.Width) + 2);
  EXPECT_GE(ink.Top, int(box.Y));
  EXPECT_LE(ink.Bottom, int(box.Y + box.Height) + 1);
}

TEST(GdiPlusText, SingleByteTextIsUtf8) {
  TLive live;
  // The UTF-8 form draws exactly what the wide form draws, also when the
  // byte length differs from the character count.
  TTextSurface a, b;
  for (auto* s : {&a, &b}) {
    TGPGraphics g(s->dc);
    TGPFontFamily family(u"Tahoma");
    TGPFont font(&family, 9);
    TGPStringFormat format(0x1000);
    TGPSolidBrush black(0xFF000000);
    if (s == &a)
      EXPECT_EQ(
          g.DrawString(std::string("Čas že"), 8, &font, GPRectOf(2, 2, 0, 0), &format, &black),
          GpOk);
    else
      EXPECT_EQ(
          g.DrawString(std::u16string(u"Čas že"), 6, &font, GPRectOf(2, 2, 0, 0), &format, &black),
          GpOk);
  }
  ASSERT_FALSE(a.Ink().IsEmpty());
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 160; ++x)
      ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
  // An empty text draws nothing and succeeds.
  TTextSurface empty;
  TGPGraphics g(empty.dc);
  TGPFontFamily family(u"Tahoma");
  TGPFont font(&family, 9);
  TGPSolidBrush black(0xFF000000);
  EXPECT_EQ(g.DrawString(std::string(), 0, &font, GPRectOf(2, 2, 50, 20), nullptr, &black), GpOk);
  EXPECT_TRUE(empty.Ink().IsEmpty());
  // A missing font or brush is an invalid parameter, recorded.
  EXPECT_EQ(g.DrawString(std::string("x"), 1, nullptr, GPRectOf(2, 2, 50, 20), nullptr, &black),
            GpInvalidParameter);
  EXPECT_EQ(g.LastStatus(), GpInvalidParameter);
}
