// The object registry: counters, read-back, deletion rules.
#include <cstring>

#include "GraphicsTestUtil.h"

namespace {

struct TCounts {
  long pens, extPens, brushes, fonts, regions, live;
  static TCounts Now() {
    return {GdiObjectCount(OBJ_PEN).Created,    GdiObjectCount(OBJ_EXTPEN).Created,
            GdiObjectCount(OBJ_BRUSH).Created,  GdiObjectCount(OBJ_FONT).Created,
            GdiObjectCount(OBJ_REGION).Created, GdiLiveObjectCount()};
  }
};

TEST(GdiObjects, CountersTrackCreationAndDeletionPerKind) {
  TCounts before = TCounts::Now();
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  LOGBRUSH lb{BS_SOLID, 0xFF, 0};
  HPEN ext = ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &lb, 0, nullptr);
  HBRUSH brush = CreateSolidBrush(0xFF);
  HRGN rgn = CreateRectRgn(0, 0, 1, 1);
  TCounts mid = TCounts::Now();
  EXPECT_EQ(mid.pens - before.pens, 1);
  EXPECT_EQ(mid.extPens - before.extPens, 1);
  EXPECT_EQ(mid.brushes - before.brushes, 1);
  EXPECT_EQ(mid.regions - before.regions, 1);
  EXPECT_EQ(mid.live - before.live, 4);
  for (HGDIOBJ h : {pen, ext, brush, rgn})
    EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(TCounts::Now().live, before.live);
  EXPECT_EQ(GdiObjectCount(OBJ_PEN).Deleted - GdiObjectCount(OBJ_PEN).Created,
            -GdiObjectCount(OBJ_PEN).Live());
}

TEST(GdiObjects, DeletingASelectedObjectFailsUntilItsSuccessorIsSelected) {
  TTestCanvas c(4, 4);
  HPEN first = CreatePen(PS_SOLID, 1, 0xFF);
  HGDIOBJ stock = SelectObject(c.dc, first);
  EXPECT_FALSE(DeleteObject(first));
  HPEN second = CreatePen(PS_SOLID, 1, 0xFF00);
  EXPECT_EQ(SelectObject(c.dc, second), first);
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_FALSE(DeleteObject(first)); // unknown now
  SelectObject(c.dc, stock);
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(std::uintptr_t(0xDEAD0))));
}

TEST(GdiObjects, SavedStateKeepsObjectsSelected) {
  TTestCanvas c(4, 4);
  HBRUSH b = CreateSolidBrush(0xFF);
  HGDIOBJ old = SelectObject(c.dc, b);
  int level = SaveDC(c.dc);
  SelectObject(c.dc, old);
  EXPECT_FALSE(DeleteObject(b)); // still held by the saved state
  RestoreDC(c.dc, level);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), b);
  SelectObject(c.dc, old);
  EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiObjects, GetObjectReadsBackEveryField) {
  LOGPEN lp;
  lp.lopnStyle = PS_DASHDOT;
  lp.lopnWidth.x = 1;
  lp.lopnColor = 0x123456;
  HPEN pen = CreatePenIndirect(&lp);
  LOGPEN back;
  EXPECT_EQ(GetObject(pen, sizeof back, &back), int(sizeof back));
  EXPECT_EQ(back.lopnStyle, UINT(PS_DASHDOT));
  EXPECT_EQ(back.lopnColor, 0x123456u);
  DeleteObject(pen);

  LOGBRUSH lb{BS_HATCHED, 0xABCDEF, HS_BDIAGONAL};
  HPEN ext =
      ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_BEVEL, 4, &lb, 0, nullptr);
  EXTLOGPEN elp;
  ASSERT_GT(GetObject(ext, sizeof elp, &elp), 0);
  EXPECT_EQ(elp.elpPenStyle, DWORD(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_BEVEL));
  EXPECT_EQ(elp.elpWidth, 4u);
  EXPECT_EQ(elp.elpBrushStyle, UINT(BS_HATCHED));
  EXPECT_EQ(elp.elpColor, 0xABCDEFu);
  EXPECT_EQ(elp.elpHatch, std::uintptr_t(HS_BDIAGONAL));
  EXPECT_EQ(GetObjectType(ext), DWORD(OBJ_EXTPEN));
  DeleteObject(ext);

  LOGFONT lf;
  lf.lfHeight = -13;
  lf.lfEscapement = 450;
  lf.lfOrientation = 450;
  lf.lfWeight = FW_BOLD;
  lf.lfItalic = 1;
  lf.lfCharSet = 238;
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirect(&lf);
  LOGFONT fb;
  ASSERT_EQ(GetObject(font, sizeof fb, &fb), int(sizeof fb));
  EXPECT_EQ(std::memcmp(&lf, &fb, sizeof lf), 0);
  DeleteObject(font);
}

TEST(GdiObjects, CosmeticPensMustBeOnePixelAndSolidBrushed) {
  LOGBRUSH solid{BS_SOLID, 0, 0}, hatched{BS_HATCHED, 0, HS_CROSS};
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 2, &solid, 0, nullptr), nullptr);
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &hatched, 0, nullptr), nullptr);
  HPEN ok = ExtCreatePen(PS_COSMETIC | PS_DOT, 1, &solid, 0, nullptr);
  EXPECT_NE(ok, nullptr);
  DeleteObject(ok);
}

TEST(GdiObjects, SettersReturnThePreviousValueAndDefaultsAreThePlatforms) {
  TTestCanvas c(4, 4);
  EXPECT_EQ(GetBkColor(c.dc), 0xFFFFFFu);
  EXPECT_EQ(GetTextColor(c.dc), 0u);
  EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
  EXPECT_EQ(GetROP2(c.dc), R2_COPYPEN);
  EXPECT_EQ(GetPolyFillMode(c.dc), ALTERNATE);
  EXPECT_EQ(GetStretchBltMode(c.dc), BLACKONWHITE);
  EXPECT_EQ(GetGraphicsMode(c.dc), GM_COMPATIBLE);
  EXPECT_EQ(GetTextAlign(c.dc), 0u);
  EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(c.dc, OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetROP2(c.dc, R2_XORPEN), R2_COPYPEN);
  EXPECT_EQ(SetROP2(c.dc, 17), 0); // invalid: refused
  EXPECT_EQ(GetROP2(c.dc), R2_XORPEN);
  EXPECT_EQ(SetTextAlign(c.dc, TA_BASELINE | TA_CENTER), 0u);
  EXPECT_EQ(SetTextAlign(c.dc, 0), UINT(TA_BASELINE | TA_CENTER));
  EXPECT_EQ(SetPolyFillMode(c.dc, WINDING), ALTERNATE);
  EXPECT_EQ(SetStretchBltMode(c.dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(SetGraphicsMode(c.dc, GM_ADVANCED), GM_COMPATIBLE);
  POINT old;
  SetBrushOrgEx(c.dc, 3, 4, &old);
  EXPECT_EQ(old, POINT(0, 0));
}

TEST(GdiObjects, SystemColoursComeFromTheFixedTable) {
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), 0x800000u);
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), 0x808080u);
  EXPECT_NE(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetSysColor(COLOR_INFOBK), 0xE1FFFFu);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
  EXPECT_EQ(GetSysColor(99), 0u);
}

} // namespace
