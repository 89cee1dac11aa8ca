// TGifPicture as a picture: the registry, frame bitmaps and masks,
// drawing opaque, through the mask and tiled, copying, sizes and options.
#include <gtest/gtest.h>

#include "codecs/GifPicture.h"
#include "codecs/ImageCodecs.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Streams.h"
#include "tests/codecs/GifOracle.h"

namespace gif_picture_test {

class GifPicture : public ::testing::Test {
protected:
  void SetUp() override { live = GdiLiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(GdiLiveObjectCount(), live) << "GDI objects leaked"; }

  static std::unique_ptr<TGifPicture> Load(const std::string& name) {
    auto gif = std::make_unique<TGifPicture>();
    gif->LoadFromFile(gif_oracle::Sample(name));
    return gif;
  }
  long live = 0;
};

COLORREF TableColor(const gif_oracle::File& ref, const gif_oracle::Frame& f, int index) {
  const auto& map = f.localMap.empty() ? ref.globalMap : f.localMap;
  return COLORREF(map[std::size_t(index) * 3]) | (COLORREF(map[std::size_t(index) * 3 + 1]) << 8) |
         (COLORREF(map[std::size_t(index) * 3 + 2]) << 16);
}

TEST_F(GifPicture, LoadsThroughThePictureRegistryByExtension) {
  RegisterImageCodecs();
  {
    TPicture picture;
    picture.LoadFromFile(gif_oracle::Sample("good-photo.gif"));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TGifPicture");
    EXPECT_EQ(picture.Width(), 96);
    EXPECT_EQ(picture.Height(), 64);
    auto gif = TPicture::CreateForExtension("GIF");
    ASSERT_NE(gif, nullptr);
    EXPECT_STREQ(gif->ClassName(), "TGifPicture");
  }
  UnregisterImageCodecs();
  EXPECT_EQ(TPicture::CreateForExtension("gif"), nullptr);
}

// The frame bitmap holds the indices with the table as its palette; the
// mask marks exactly the pixels of the transparent index.
TEST_F(GifPicture, FrameBitmapAndMaskFollowTheIndices) {
  auto gif = Load("good-disposals.gif");
  const auto ref = gif_oracle::Slurp(gif_oracle::ReadFile(gif_oracle::Sample("good-disposals.gif")));
  for (int i = 0; i < gif->Frames().Count(); ++i) {
    SCOPED_TRACE(i);
    TGIFSubImage& f = *gif->Frame(i);
    const auto& g = ref.frames[std::size_t(i)];
    TBitmap* bitmap = f.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
    const auto palette = bitmap->PaletteEntries();
    ASSERT_GE(palette.size(), std::size_t(1) << 4);
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < f.Width(); ++x) {
        const std::uint8_t v = bitmap->ScanLine(y)[x];
        ASSERT_EQ(v, g.pixels[std::size_t(y * f.Width() + x)]);
        const RGBQUAD q = palette[v];
        ASSERT_EQ(COLORREF(q.rgbRed) | (COLORREF(q.rgbGreen) << 8) | (COLORREF(q.rgbBlue) << 16),
                  TableColor(ref, g, v));
      }
    ASSERT_TRUE(f.Transparent());
    EXPECT_TRUE(f.HasMask());
  }
  // a transparent frame that never uses its index has no mask, and asking
  // again does not render again
  TGIFSubImage& f = *gif->Frame(0);
  f.ControlExt()->SetTransparentColorIndex(15);
  f.FreeBitmap();
  f.FreeMask();
  EXPECT_FALSE(f.HasMask());
  TBitmap* once = f.Bitmap();
  EXPECT_FALSE(f.HasMask());
  EXPECT_EQ(f.Bitmap(), once);
}

// Drawn 1:1 and at twice the size over a checkerboard, a transparent frame
// equals the composition of giflib's pixels over the same background.
TEST_F(GifPicture, TransparentDrawsEqualTheComposition) {
  auto gif = Load("good-blocks.gif");
  const auto ref = gif_oracle::Slurp(gif_oracle::ReadFile(gif_oracle::Sample("good-blocks.gif")));
  const auto& g = ref.frames[0];
  ASSERT_EQ(g.transparent, 2);
  gif->DrawFlags = GifDrawFlag(dfTransparent);
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const int w = gif->Width() * scale, h = gif->Height() * scale;
    TBitmap target(w, h, pf24bit);
    auto background = [](int x, int y) { return (x + y) % 2 ? COLORREF(0x808080) : COLORREF(0x102030); };
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) target.Canvas()->SetPixels(x, y, background(x, y));
    gif->Draw(target.Canvas(), TRect(0, 0, w, h));
    int differ = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = x / scale - g.left, sy = y / scale - g.top;
        COLORREF want = background(x, y);
        if (sx >= 0 && sy >= 0 && sx < g.width && sy < g.height) {
          const int v = g.pixels[std::size_t(sy * g.width + sx)];
          if (v != g.transparent) want = TableColor(ref, g, v);
        }
        if ((target.Canvas()->Pixels(x, y) & 0xFFFFFF) != want) ++differ;
      }
    EXPECT_EQ(differ, 0);
  }
  // opaque: the transparent index shows its table colour
  gif->DrawFlags = 0;
  TBitmap opaque(gif->Width(), gif->Height(), pf24bit);
  gif->Draw(opaque.Canvas(), TRect(0, 0, gif->Width(), gif->Height()));
  EXPECT_EQ(opaque.Canvas()->Pixels(g.left + 2, g.top + 2) & 0xFFFFFF, TableColor(ref, g, 2));
}

TEST_F(GifPicture, FixedFrameTilingAndScaling) {
  auto gif = Load("good-local-tables.gif"); // three frames of 20 × 16
  ASSERT_EQ(gif->Frames().Count(), 3);
  gif->DrawFlags = 0; // not animated
  auto firstPixel = [&](int fixed) {
    gif->FixedFrame = fixed;
    TBitmap target(20, 16, pf24bit);
    gif->Draw(target.Canvas(), TRect(0, 0, 20, 16));
    return target.Canvas()->Pixels(0, 0) & 0xFFFFFF;
  };
  auto frameColor = [&](int i) {
    TGIFSubImage& f = *gif->Frame(i);
    return f.ActiveColorMap().Colors(f.Pixels(0, 0));
  };
  ASSERT_NE(frameColor(0), frameColor(2));
  EXPECT_EQ(firstPixel(2), frameColor(2));
  EXPECT_EQ(firstPixel(3), frameColor(0)) << "an index past the end shows frame 0";
  EXPECT_EQ(firstPixel(-1), frameColor(0));

  // scaling a frame at (10, 10) of 20 × 20 on a 40 × 40 screen into 0..80
  TGifPicture screen;
  auto* f = new TGIFSubImage(&screen);
  screen.GlobalColors().Add(0x0000FF);
  screen.GlobalColors().Add(0x00FF00);
  f->SetBounds(0, 0, 40, 40);
  f->SetBounds(10, 10, 20, 20);
  screen.AppendFrame(f);
  EXPECT_EQ(f->ScaleRect(TRect(0, 0, 80, 80)), TRect(20, 20, 60, 60));

  // tiling a 16 × 16 picture into 40 × 20 draws 3 × 2 whole tiles
  TGifPicture tiles;
  auto* t = new TGIFSubImage(&tiles);
  tiles.GlobalColors().Add(0x0000FF);
  tiles.GlobalColors().Add(0x00FF00);
  t->SetBounds(0, 0, 16, 16);
  for (int y = 0; y < 16; ++y) t->ScanLine(y)[0] = 1; // a green left column
  tiles.AppendFrame(t);
  tiles.DrawFlags = GifDrawFlag(dfTile);
  TBitmap target(48, 32, pf24bit);
  target.Canvas()->Brush()->SetColor(0xFFFFFF);
  target.Canvas()->FillRect(TRect(0, 0, 48, 32));
  tiles.Draw(target.Canvas(), TRect(0, 0, 40, 20));
  for (int x : {0, 16, 32}) EXPECT_EQ(target.Canvas()->Pixels(x, 17) & 0xFFFFFF, 0x00FF00u) << x;
  EXPECT_EQ(target.Canvas()->Pixels(47, 31) & 0xFFFFFF, 0x0000FFu) << "edge tiles are drawn whole";

  // a screen of no size has no tile step: nothing is drawn, nothing hangs
  tiles.ScreenInfo().Descriptor().ScreenWidth = 0;
  tiles.ScreenInfo().Descriptor().ScreenHeight = 0;
  TBitmap untouched(8, 8, pf24bit);
  const TColor before = untouched.Canvas()->Pixels(0, 0);
  tiles.Draw(untouched.Canvas(), TRect(0, 0, 8, 8));
  EXPECT_EQ(untouched.Canvas()->Pixels(0, 0), before);
}

TEST_F(GifPicture, SizesCopiesAndTheClipboard) {
  auto gif = Load("good-blocks.gif");
  try {
    gif->SetWidth(4); // frame 0 reaches x = 5, frame 1 x = 8
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::WidthTooSmall);
  }
  try {
    gif->SetHeight(5);
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::HeightTooSmall);
  }
  TBitmap* snapshot = gif->RenderSnapshot();
  ASSERT_NE(snapshot, nullptr);
  gif->SetWidth(gif->Width());
  EXPECT_EQ(gif->Snapshot(), snapshot) << "the same width keeps the snapshot";
  gif->SetWidth(30);
  EXPECT_EQ(gif->Snapshot(), nullptr);
  EXPECT_EQ(gif->Width(), 30);

  // copying: the source's flags, the target's own encoding and speed, no
  // handlers left behind
  gif->DrawFlags = 0x0123;
  gif->FixedFrame = 1;
  gif->OnNotice = [](void*, int, const std::string&) {};
  TGifPicture copy;
  copy.Encoding = enRLE;
  copy.PlaybackSpeed = 50;
  copy.Assign(gif.get());
  EXPECT_EQ(copy.DrawFlags, 0x0123);
  EXPECT_EQ(copy.FixedFrame, 1);
  EXPECT_EQ(copy.Encoding, enRLE);
  EXPECT_EQ(copy.PlaybackSpeed, 50);
  EXPECT_FALSE(copy.OnNotice);
  EXPECT_FALSE(copy.OnProgress);
  ASSERT_EQ(copy.Frames().Count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(copy.Frame(i)->Data(), gif->Frame(i)->Data());
    EXPECT_EQ(copy.Frame(i)->BoundsRect(), gif->Frame(i)->BoundsRect());
    EXPECT_EQ(copy.Frame(i)->ExtensionItems().Count(), gif->Frame(i)->ExtensionItems().Count());
  }
  EXPECT_TRUE(copy.Frame(0)->Transparent());
  EXPECT_EQ(copy.Frame(0)->ControlExt()->TransparentColorIndex(), 2);

  // the clipboard carries the file under "GIF Image"
  const TClipboardData clip = copy.SaveToClipboardFormat();
  EXPECT_EQ(clip.format, "GIF Image");
  TGifPicture pasted;
  pasted.LoadFromClipboardFormat(clip);
  EXPECT_EQ(pasted.Frame(1)->Data(), gif->Frame(1)->Data());
  try {
    pasted.LoadFromClipboardFormat(TClipboardData{"text/plain", {}});
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::UnsupportedClipboardFormat);
  }
}

TEST_F(GifPicture, ColourTables) {
  TGifPicture gif;
  TGIFColorMap& map = gif.GlobalColors();
  map.SetCapacity(5);
  EXPECT_EQ(map.Capacity(), 16);
  map.SetCapacity(17);
  EXPECT_EQ(map.Capacity(), 32);
  map.SetCapacity(250);
  EXPECT_EQ(map.Capacity(), 256);
  map.Clear();
  map.Add(0x000001);
  map.Add(0x000002);
  map.Add(0x000001);
  EXPECT_EQ(map.IndexOf(0x000001), 2) << "unsorted: the later entry";
  EXPECT_EQ(map.BitsPerPixel(), 2);
  TMemoryStream s;
  map.SaveToStream(s);
  EXPECT_EQ(s.Size(), 12) << "3 entries written as 4";
  std::vector<std::string> notices;
  gif.OnNotice = [&](void*, int, const std::string& m) { notices.push_back(m); };
  EXPECT_EQ(map.Colors(5), 0x000001u);
  EXPECT_EQ(notices, std::vector<std::string>{GifTexts::InvalidColorIndex});
  for (int i = 3; i < 256; ++i) map.Add(COLORREF(i));
  try {
    map.Add(7);
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::ColorTableOverflow);
  }
  // the usage re-sort: colour 3 used most becomes entry 0, unused ones go
  TGifPicture used;
  for (int c = 0; c < 5; ++c) used.GlobalColors().Add(COLORREF(0x10 * c));
  auto* f = new TGIFSubImage(&used);
  f->SetBounds(0, 0, 4, 1);
  f->Data() = {3, 3, 3, 1};
  used.AppendFrame(f);
  EXPECT_TRUE(used.GlobalColors().Optimize());
  EXPECT_EQ(used.GlobalColors().Count(), 2);
  EXPECT_EQ(used.GlobalColors().Colors(0), 0x30u);
  EXPECT_EQ(used.GlobalColors().Colors(1), 0x10u);
  EXPECT_EQ(f->Data(), (std::vector<std::uint8_t>{0, 0, 0, 1}));
  EXPECT_TRUE(used.GlobalColors().Sorted());
  EXPECT_EQ(used.RequiredVersion(), 2) << "a sorted table needs 89a";
}

} // namespace gif_picture_test
