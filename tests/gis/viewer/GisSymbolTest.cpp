// Symbols: the list (names, keys, files on a case-sensitive file system,
// retries), the offset and rotation rules of the base, font and picture
// symbols drawn on a bitmap, and symbols in style ini files.
#include <cmath>
#include <filesystem>
#include <numbers>

#include "codecs/GifPicture.h"
#include "codecs/ImageCodecs.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKeywords.h"
#include "gis/viewer/GisGDI.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Format.h"
#include "tests/gis/viewer/SymbolTestSupport.h"

namespace {

/// A symbol of a fixed drawing size that records where it is drawn.
class TFixedSymbol : public TGIS_SymbolAbstract {
public:
  TFixedSymbol(const std::string& name, int w, int h) : TGIS_SymbolAbstract(name), w_(w), h_(h) {}
  int GetDrawWidth() override { return w_; }
  int GetDrawHeight() override { return h_; }

private:
  int w_, h_;
};

} // namespace

// ---- the list ---------------------------------------------------------------------------

TEST_F(SymbolTest, ListCreatesTheKindTheNameAsksForAndCachesIt) {
  TGIS_SymbolList& list = GisSymbolList();
  EXPECT_EQ(list.Get(""), nullptr);

  auto* code = dynamic_cast<TGIS_SymbolFont*>(list.Get("Liberation Sans:74"));
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(code->Character(), "J");
  EXPECT_EQ(code->Font().Name(), "Liberation Sans");
  EXPECT_EQ(list.Get("Liberation Sans:74"), code);

  auto* styled = dynamic_cast<TGIS_SymbolFont*>(list.Get("Liberation Sans:A:BOLD:ITALIC"));
  ASSERT_NE(styled, nullptr);
  EXPECT_EQ(styled->Character(), "A");
  EXPECT_EQ(styled->Font().Style(), fsBold | fsItalic);

  auto* notNumber = dynamic_cast<TGIS_SymbolFont*>(list.Get("Liberation Sans:xy"));
  ASSERT_NE(notNumber, nullptr);
  EXPECT_EQ(notNumber->Character(), std::string(1, '\0'));

  auto* line = dynamic_cast<TGIS_SymbolLine*>(list.Get("<[10T 5W]>"));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Pattern(), (std::vector<int>{10, -5}));
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(SymbolTest, FileSymbolsLoadFromTheirOwnNamesOnACaseSensitiveFileSystem) {
  // The key is upper-cased for the lookup only; the file is opened by the
  // name as given, or found without regard to case when that name is missing.
  const std::string pic = WriteBmp("Marker.bmp", 4, 2, 0x0000FF);
  const std::string cgm = dir.Write("Sym.cgm", "BEGMF 'x'; VDCEXT -1 -1 1 1; LINE 0 0 1 1;");
  TGIS_SymbolList& list = GisSymbolList();

  auto* byName = dynamic_cast<TGIS_SymbolPicture*>(list.Get(pic));
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName->Name(), pic); // letter case kept for the ini files
  EXPECT_EQ(list.Get(dir / "MARKER.BMP"), byName);

  auto* lower = dynamic_cast<TGIS_SymbolCGM*>(list.Get(dir / "sym.cgm"));
  ASSERT_NE(lower, nullptr) << "a missing exact name is found without regard to case";
  EXPECT_EQ(lower->FilePath(), cgm);
  EXPECT_EQ(list.Get(dir / "SYM.CGM"), lower);
  EXPECT_EQ(lower->Commands().size(), 1u);
}

TEST_F(SymbolTest, PictureTransparencySuffix) {
  const std::string pic = WriteBmp("t.bmp", 4, 2, 0x0000FF);
  dir.Write("T.BMP.INI", "[Vornakel Symbol]\nCenter.X=10\n");
  TGIS_SymbolList& list = GisSymbolList();
  auto* plain = dynamic_cast<TGIS_SymbolPicture*>(list.Get(pic));
  auto* opaque = dynamic_cast<TGIS_SymbolPicture*>(list.Get(pic + "?NO"));
  auto* clear = dynamic_cast<TGIS_SymbolPicture*>(list.Get(pic + "?whatever"));
  ASSERT_TRUE(plain && opaque && clear);
  EXPECT_NE(plain, opaque);
  EXPECT_FALSE(plain->Picture().Graphic()->Transparent()) << "left as loaded";
  EXPECT_FALSE(opaque->Picture().Graphic()->Transparent());
  EXPECT_TRUE(clear->Picture().Graphic()->Transparent()) << "unknown words mean true";
  EXPECT_EQ(opaque->NaturalHeight(), 2.0);
  // The companion ini belongs to the file, not to the name with its suffix,
  // and is found whatever its letter case.
  EXPECT_EQ(opaque->CenterShiftX(), 10);
  EXPECT_EQ(plain->CenterShiftX(), 10);
}

TEST_F(SymbolTest, FailedLoadsAreNotCachedAndAreTriedAgain) {
  const std::string missing = dir / "later.bmp";
  TGIS_SymbolList& list = GisSymbolList();
  EXPECT_EQ(list.Get(missing), nullptr);
  EXPECT_EQ(list.Get(missing), nullptr);
  EXPECT_EQ(list.Count(), 0);
  dir.Write("bad.cgm", "NOT A METAFILE");
  EXPECT_EQ(list.Get(dir / "bad.cgm"), nullptr);
  WriteBmp("later.bmp", 2, 2, 0xFF0000);
  EXPECT_NE(list.Get(missing), nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(SymbolTest, SymbolNamesRoundTripThroughStyleIniFiles) {
  const std::string pic = WriteBmp("p.bmp", 2, 2, 0xFF0000);
  TGIS_SymbolList& list = GisSymbolList();
  TGIS_SymbolAbstract* symbols[] = {list.Get(pic + "?NO"), list.Get("DejaVu Sans:65:BOLD"),
                                    list.Get("<[2T 3W]>")};
  {
    TGIS_Ini ini(nullptr, dir / "style.ini");
    for (int i = 0; i < 3; ++i)
      ini.WriteSymbol("S" + IntToStr(i), symbols[i]);
    ini.WriteSymbol("None", nullptr);
    ini.Save();
  }
  const std::string text = sktest::TTempDir::Read(dir / "style.ini");
  EXPECT_NE(text.find("S0=p.bmp?NO"), std::string::npos) << "file symbols relative: " << text;
  TGIS_Ini ini(nullptr, dir / "style.ini");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ini.ReadSymbol("S" + IntToStr(i), nullptr), symbols[i]) << i;
  EXPECT_EQ(ini.ReadSymbol("None", symbols[0]), nullptr) << "written as no symbol";
  EXPECT_EQ(ini.ReadSymbol("Missing", symbols[0]), symbols[0]);
  EXPECT_EQ(GisStrToSymbol("nil", symbols[1]), symbols[1]);
}

// ---- offsets, sizes and rotation ----------------------------------------------------------

TEST_F(SymbolTest, OffsetByPositionCodeAndCentreShift) {
  struct Row {
    int position;
    const char* shiftX;
    const char* shiftY;
    int x, y;
  };
  // A symbol 20 x 10 pixels (size 20).
  const Row rows[] = {
      {0, "0", "0", -10, -5}, {1, "0", "0", 0, -5},   {2, "0", "0", 10, -5},
      {3, "0", "0", -10, 0},  {4, "0", "0", 0, 0},    {5, "0", "0", 10, 0},
      {6, "0", "0", -10, 5},  {7, "0", "0", 0, 5},    {8, "0", "0", 10, 5},
      {4, "50", "0", 10, 0},  {4, "0", "-25", 0, -5}, {8, "12.5", "2,5", 12, 5},
      {9, "0", "0", 0, 0},    {9, "50", "0", 10, 0},
  };
  int n = 0;
  for (const Row& r : rows) {
    const std::string name = dir / ("s" + IntToStr(n++));
    dir.Write(name.substr(dir.Path().size() + 1) + ".ini",
              std::string("[Vornakel Symbol]\nCenter.X=") + r.shiftX + "\nCenter.Y=" + r.shiftY +
                  "\n");
    TFixedSymbol s(name, 20, 10);
    Prepare(s, 20, r.position);
    EXPECT_EQ(s.Size(), 20);
    EXPECT_EQ(s.OffsetX(), r.x) << "position " << r.position << " shift " << r.shiftX;
    EXPECT_EQ(s.OffsetY(), r.y) << "position " << r.position << " shift " << r.shiftY;
  }
}

TEST_F(SymbolTest, PreparedSizesAndRotation) {
  TFixedSymbol s("plain", 20, 10);
  Prepare(s, 30, 5, std::numbers::pi / 2);
  EXPECT_EQ(s.PreparedSize(), 30);
  EXPECT_EQ(s.SymbolScale(), 30);
  // Offset (10, 0) turned a quarter clockwise on screen.
  EXPECT_EQ(s.OffsetX(), 0);
  EXPECT_EQ(s.OffsetY(), 10);
  EXPECT_EQ(s.Transform(1, 0).x, 0);
  EXPECT_EQ(s.Transform(1, 0).y, 30);

  s.Prepare(form.viewer, 0, target.gdi.get(), 4, 0, 0, 0, 0);
  EXPECT_EQ(s.PreparedSize(), 0);
  EXPECT_EQ(s.PreparedFill(), 0x010101u) << "black passes the non-black rule";
  s.Prepare(form.viewer, 1440, target.gdi.get(), 4, 720, 0, GIS_RENDER_COLOR, 0x00FF00);
  EXPECT_EQ(s.PreparedSize(), 96); // one inch at 96 pixels per inch
  EXPECT_EQ(s.Gap(), 48);
  EXPECT_EQ(s.FillColor(0x123456), 0x00FF00u);
  EXPECT_EQ(s.OutlineColor(0x123456), 0x123456u) << "the render colour keeps the own colour";

  // The viewer's rotation adds to the symbol's angle.
  form.viewer->SetRotationAngle(std::numbers::pi / 2);
  Prepare(s, 30, 5, 0);
  EXPECT_EQ(s.OffsetX(), 0);
  EXPECT_EQ(s.OffsetY(), 10);
  form.viewer->SetRotationAngle(0);
}

// ---- font symbols -------------------------------------------------------------------------

TEST_F(SymbolTest, FontSymbolDrawsTheCharacterWithAHaloOneRingWideOnScreen) {
  auto* s = dynamic_cast<TGIS_SymbolFont*>(GisSymbolList().Get("Liberation Sans:H"));
  ASSERT_NE(s, nullptr);
  const COLORREF red = 0x0000FF, blue = 0xFF0000;
  Prepare(*s, 40, 4, 0, blue, red);
  EXPECT_GT(s->Width(), 10);
  EXPECT_GT(s->Height(), 20);
  s->Draw(60, 60);
  const TRect ink = target.InkBox(red);
  const TRect halo = target.InkBox(blue);
  ASSERT_GT(ink.Right, ink.Left);
  // Four copies one pixel away: the halo reaches one pixel beyond the
  // character on every side, no further.
  EXPECT_EQ(halo.Left, ink.Left - 1);
  EXPECT_EQ(halo.Right, ink.Right + 1);
  EXPECT_EQ(halo.Top, ink.Top - 1);
  EXPECT_EQ(halo.Bottom, ink.Bottom + 1);
  // Centred on the point at position 4.
  EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 60, 4);
  EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 60, 10);
  EXPECT_EQ(target.Pixel(60, 60), red);
}

TEST_F(SymbolTest, FontSymbolHaloWhenPrintingHasOneRingPer96PixelsPerInchAndDiagonals) {
  auto* s = dynamic_cast<TGIS_SymbolFont*>(GisSymbolList().Get("Liberation Sans:H"));
  ASSERT_NE(s, nullptr);
  TTestLayer* layer = form.AddLayer("map", {0, 0, 200, 100}, 0xFFFFFF);
  int ppi = 0;
  layer->DuringDraw = [&](TTestLayer* l) {
    // Prepared on the viewer's current context: the external one.
    s->Prepare(l->Viewer(), -60, nullptr, 4, 0, 0, 0xFF0000, 0x0000FF);
    ppi = s->Gdi()->Font()->PixelsPerInch();
    s->Draw(150, 150);
  };
  TBitmap page(300, 300, pf24bit);
  double scale = 0;
  form.viewer->RenderToDC(page.Canvas()->Handle(), 192, scale, {0, 0, 200, 100},
                          TRect(0, 0, 300, 300));
  ASSERT_EQ(ppi, 192);
  const auto inkBox = [&](COLORREF c) {
    TRect box(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x)
        if (BitmapPixel(page, x, y) == c) {
          box.Left = std::min<LONG>(box.Left, x);
          box.Top = std::min<LONG>(box.Top, y);
          box.Right = std::max<LONG>(box.Right, x + 1);
          box.Bottom = std::max<LONG>(box.Bottom, y + 1);
        }
    return box;
  };
  const TRect ink = inkBox(0x0000FF), halo = inkBox(0xFF0000);
  ASSERT_GT(ink.Right, ink.Left);
  // Two rings (192 div 96), each with its four diagonal copies.
  EXPECT_EQ(halo.Left, ink.Left - 2);
  EXPECT_EQ(halo.Right, ink.Right + 2);
  EXPECT_EQ(halo.Top, ink.Top - 2);
  EXPECT_EQ(halo.Bottom, ink.Bottom + 2);
  // The H's top-left corner is reached from (left - 2, top - 2) only by the
  // second ring's diagonal copy.
  EXPECT_EQ(BitmapPixel(page, ink.Left - 2, ink.Top - 2), COLORREF(0xFF0000));
}

TEST_F(SymbolTest, FontSymbolWithoutHaloAtSizeZeroAndAtOneTwip) {
  auto* s = dynamic_cast<TGIS_SymbolFont*>(GisSymbolList().Get("Liberation Sans:H"));
  ASSERT_NE(s, nullptr);
  Prepare(*s, 40, 4, 0, 0x0000FF, 0x0000FF);
  s->Draw(60, 60);
  EXPECT_GT(target.CountColor(0x0000FF), 20);
  EXPECT_EQ(target.CountColor(0xFF0000), 0);

  target.Fill(0xFFFFFF);
  s->Prepare(form.viewer, 0, target.gdi.get(), 4, 0, 0, 0xFF0000, 0x0000FF);
  EXPECT_EQ(s->FontSize(), 0);
  s->Draw(60, 60);
  EXPECT_EQ(target.CountColor(0xFFFFFF), 120 * 120) << "size 0 draws nothing";

  s->Prepare(form.viewer, 1, target.gdi.get(), 4, 0, 0, 0xFF0000, 0x0000FF);
  EXPECT_EQ(s->FontSize(), 2);

  // The largest pixel size a style can give (found by fuzzing): 2147483647
  // pixels are 32212254705 twips, once cut to an int (and multiplied past
  // the int range through a viewer).
  s->Prepare(nullptr, -2147483647, nullptr, 4, 0, 0, 0xFF0000, 0x0000FF);
  EXPECT_EQ(s->FontSize(), 1610612735);
}

TEST_F(SymbolTest, FontSymbolTurnsWithItsAngle) {
  auto* s = dynamic_cast<TGIS_SymbolFont*>(GisSymbolList().Get("Liberation Sans:I"));
  ASSERT_NE(s, nullptr);
  Prepare(*s, 50, 4, 0, 0x0000FF, 0x0000FF);
  s->Draw(60, 60);
  const TRect upright = target.InkBox(0x0000FF);
  target.Fill(0xFFFFFF);
  Prepare(*s, 50, 4, std::numbers::pi / 2, 0x0000FF, 0x0000FF);
  s->Draw(60, 60);
  const TRect turned = target.InkBox(0x0000FF);
  // The tall narrow I lies on its side.
  EXPECT_GT(upright.Bottom - upright.Top, 2 * (upright.Right - upright.Left));
  EXPECT_GT(turned.Right - turned.Left, 2 * (turned.Bottom - turned.Top));
  EXPECT_NEAR((turned.Left + turned.Right) / 2.0, 60, 8);
  EXPECT_NEAR((turned.Top + turned.Bottom) / 2.0, 60, 8);
}

// ---- picture symbols ----------------------------------------------------------------------

TEST_F(SymbolTest, PictureSymbolIsStretchedToItsSizeAndPlacedByPosition) {
  const std::string pic = WriteBmp("red.bmp", 10, 6, 0x0000FF);
  dir.Write("red.bmp.ini", "[Vornakel Symbol]\nCenter.X=50\n");
  auto* s = dynamic_cast<TGIS_SymbolPicture*>(GisSymbolList().Get(pic));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->CenterShiftX(), 50);
  Prepare(*s, 12, 4); // natural height 6: scale 2
  EXPECT_EQ(s->Width(), 20);
  EXPECT_EQ(s->Height(), 12);
  EXPECT_EQ(s->OffsetX(), 10) << "half the size to the right";
  s->Draw(50, 50);
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(50, 44, 70, 56));

  target.Fill(0xFFFFFF);
  Prepare(*s, 12, 8, std::numbers::pi / 3); // pictures never turn
  s->Draw(50, 50);
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(60, 50, 80, 62));
}

// GIF pictures load through the image codecs: a red 10 × 6 frame whose
// left column holds the transparent index draws like the bitmap above,
// without that column.
TEST_F(SymbolTest, GifPictureSymbolIsDrawnThroughItsTransparency) {
  RegisterImageCodecs();
  const std::string pic = dir / "red.gif";
  {
    TGifPicture gif;
    gif.GlobalColors().Add(0x0000FF);
    gif.GlobalColors().Add(0x00FF00);
    auto* frame = new TGIFSubImage(&gif);
    frame->SetBounds(0, 0, 10, 6);
    for (int y = 0; y < 6; ++y) frame->ScanLine(y)[0] = 1;
    auto* control = new TGIFGraphicControlExtension(frame);
    frame->ExtensionItems().Add(control);
    control->SetTransparentColorIndex(1);
    control->SetTransparent(true);
    gif.AppendFrame(frame);
    gif.SaveToFile(pic);
  }
  dir.Write("red.gif.ini", "[Vornakel Symbol]\nCenter.X=50\n");
  auto* s = dynamic_cast<TGIS_SymbolPicture*>(GisSymbolList().Get(pic));
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->Picture().Graphic()->ClassName(), "TGifPicture");
  Prepare(*s, 12, 4); // natural height 6: scale 2
  EXPECT_EQ(s->Width(), 20);
  s->Draw(50, 50);
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(52, 44, 70, 56));
  EXPECT_EQ(target.CountColor(0x00FF00), 0) << "the transparent column is not drawn";
  GisSymbolList().Clear();
  UnregisterImageCodecs();
}

// A JPEG symbol is decoded when it is created: a damaged file gives no
// symbol (Get returns nil) instead of one that fails on every draw.
TEST_F(SymbolTest, DamagedJpegPictureGivesNoSymbol) {
  const char* root = std::getenv("SK_TEST_DATA");
  ASSERT_NE(root, nullptr) << "SK_TEST_DATA is set by CTest";
  struct Row {
    const char* sample;
    bool created;
  } rows[] = {{"good.jpg", true}, {"damaged-cut.jpg", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.sample);
    const std::string path = dir / (std::string("symbol-") + r.sample);
    std::filesystem::copy_file(std::string(root) + "/jpeg/" + r.sample, path);
    TGIS_SymbolAbstract* s = GisSymbolList().Get(path);
    EXPECT_EQ(s != nullptr, r.created);
    if (!s) continue;
    Prepare(*s, 12);
    EXPECT_NO_THROW(s->Draw(50, 50));
  }
}

// A font symbol 8000 pixels tall (a 58-byte layer style once made it take
// seconds and gigabytes) is drawn cut to the target, without caching glyphs
// of that size.
TEST_F(SymbolTest, HugeFontMarkerFromAStyleIsDrawnCutToTheTarget) {
  const char* root = std::getenv("SK_TEST_DATA");
  ASSERT_NE(root, nullptr) << "SK_TEST_DATA is set by CTest";
  TGIS_Ini ini(nullptr, std::string(root) + "/layerstyle/regression-huge-font-marker.ini");
  TGIS_SymbolAbstract* s = ini.ReadSymbol("Marker.Symbol", nullptr);
  ASSERT_NE(s, nullptr);
  const int size = ini.ReadInteger("Marker.Size", 0);
  ASSERT_EQ(size, -8000);
  const std::size_t cached = GdiCachedGlyphCount();
  Prepare(*s, -size, 4, 0, 0x0000FF, 0x0000FF); // no halo
  // the glyph moved over the target in steps: its strokes cover it somewhere
  int ink = 0;
  for (int dx = -4000; dx <= 4000; dx += 500)
    for (int dy = -4000; dy <= 4000; dy += 500) {
      target.Fill(0xFFFFFF);
      s->Draw(60 + dx, 60 + dy);
      ink += target.CountColor(0x0000FF);
    }
  EXPECT_EQ(GdiCachedGlyphCount(), cached);
  EXPECT_GT(ink, 0) << "the glyph's strokes never covered the target";
  Prepare(*s, -size); // with its halo
  s->Draw(60, 60);
  EXPECT_EQ(GdiCachedGlyphCount(), cached);
}

TEST_F(SymbolTest, PictureSymbolWithoutAContextFailsAnAssertion) {
  const std::string pic = WriteBmp("a.bmp", 2, 2, 0x0000FF);
  TGIS_SymbolAbstract* s = GisSymbolList().Get(pic);
  ASSERT_NE(s, nullptr);
  EXPECT_THROW(s->Draw(1, 1), EAssertionFailed);
}
