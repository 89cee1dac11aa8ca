// Making pictures smaller never changes what they show; turning bitmaps and
// other pictures into frames.
#include <gtest/gtest.h>

#include "codecs/GifPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Streams.h"
#include "tests/codecs/GifAnimation.h"

namespace gif_compact_test {

using gif_anim::FrameSpec;

const std::vector<TGIFColor> kPalette = {{0, 0, 0},     {200, 30, 30},  {30, 200, 30},  {30, 30, 200},
                                         {220, 220, 0}, {0, 220, 220},  {240, 240, 240}, {100, 100, 100}};

std::vector<std::uint8_t> Pattern(int w, int h, int seed, int colours) {
  std::vector<std::uint8_t> p(std::size_t(w) * std::size_t(h));
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t((i * 7 + std::size_t(seed) * 3 + i / std::size_t(w)) % std::size_t(colours));
  return p;
}

struct Animation {
  std::string name;
  std::function<std::unique_ptr<TGifPicture>()> make;
};

std::unique_ptr<TGifPicture> FromBytes(const std::vector<std::uint8_t>& bytes) {
  auto gif = std::make_unique<TGifPicture>();
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  in.SetPosition(0);
  gif->LoadFromStream(in);
  return gif;
}

std::vector<Animation> Animations() {
  std::vector<Animation> list;
  for (const char* sample : {"good-disposals.gif", "good-blocks.gif", "good-local-tables.gif", "good-photo.gif"})
    list.push_back({sample, [sample] { return FromBytes(gif_oracle::ReadFile(gif_oracle::Sample(sample))); }});
  // frames that repeat much of the one before
  list.push_back({"repeats", [] {
                    std::vector<FrameSpec> frames;
                    std::vector<std::uint8_t> base = Pattern(12, 10, 0, 6);
                    frames.push_back(FrameSpec{0, 0, 12, 10, base, 0, 1, 5});
                    for (int k = 1; k < 5; ++k) {
                      std::vector<std::uint8_t> next = base;
                      for (int i = 0; i < 8; ++i) next[std::size_t((k * 13 + i * 5) % 120)] = std::uint8_t(6 + k % 2);
                      frames.push_back(FrameSpec{0, 0, 12, 10, next, 0, k == 3 ? 3 : 1, 5, k == 2 ? 7 : -1});
                      if (k != 3) base = next;
                    }
                    frames.push_back(FrameSpec{0, 0, 12, 10, base, 0, 1, 5});
                    return gif_anim::MakeAnimation(12, 10, kPalette, frames, 0);
                  }});
  // fault: another frame's transparent index reused by a frame that draws it
  list.push_back({"foreign transparent index", [] {
                    std::vector<std::uint8_t> b(8 * 6, 1);
                    for (std::size_t i = 24; i < b.size(); ++i) b[i] = 5;
                    return gif_anim::MakeAnimation(8, 6, kPalette,
                                                   {FrameSpec{0, 0, 8, 6, {}, 1, 1, 2},
                                                    FrameSpec{0, 0, 8, 6, b, 0, 1, 2},
                                                    FrameSpec{2, 2, 3, 3, {5, 2, 5, 2, 5, 2, 5, 2, 5}, 0, 1, 2, 5}});
                  }});
  // fault: a frame cleared to the background, then a smaller opaque one
  list.push_back({"clear under a smaller frame", [] {
                    return gif_anim::MakeAnimation(8, 6, kPalette,
                                                   {FrameSpec{0, 0, 8, 6, {}, 1, 2, 2},
                                                    FrameSpec{2, 2, 3, 3, {}, 4, 1, 2},
                                                    FrameSpec{0, 0, 4, 4, {}, 3, 2, 2},
                                                    FrameSpec{0, 0, 6, 6, {}, 2, 3, 2},
                                                    FrameSpec{4, 2, 4, 4, {}, 6, 0, 2}});
                  }});
  // a transparent frame that shows nothing but clears its area afterwards
  list.push_back({"empty frame that clears", [] {
                    return gif_anim::MakeAnimation(8, 6, kPalette,
                                                   {FrameSpec{0, 0, 8, 6, {}, 1, 1, 2},
                                                    FrameSpec{1, 1, 5, 4, {}, 0, 2, 2, 0},
                                                    FrameSpec{6, 0, 2, 2, {}, 4, 1, 2}});
                  }});
  return list;
}

TEST(GifCompact, NeverChangesWhatIsShown) {
  const std::uint8_t optionSets[] = {GifCompactOption(coCrop), GifCompactOption(coMerge),
                                     GifCompactOption(coCleanup), GifCompactOption(coColorTables),
                                     GifCompactOption(coReduceColors), GifCompactAll};
  for (const Animation& a : Animations()) {
    auto original = a.make();
    const std::vector<std::uint8_t> before = gif_anim::SavedBytes(*original);
    const auto expected = gif_anim::Distinct(gif_anim::Coalesce(gif_oracle::Slurp(before)));
    for (std::uint8_t options : optionSets) {
      SCOPED_TRACE(testing::Message() << a.name << " options " << int(options));
      auto gif = a.make();
      gif->Compact(options);
      const std::vector<std::uint8_t> after = gif_anim::SavedBytes(*gif);
      const auto file = gif_oracle::Slurp(after);
      ASSERT_TRUE(file.ok);
      EXPECT_EQ(gif_anim::Distinct(gif_anim::Coalesce(file)), expected);
      EXPECT_LE(after.size(), before.size());
    }
  }
}

TEST(GifCompact, EdgeCases) {
  // two equal frames: the second becomes transparent, then is cropped away
  // and its delay goes to the first, which is transparent
  auto twins = [] {
    return gif_anim::MakeAnimation(6, 4, kPalette,
                                   {FrameSpec{0, 0, 6, 4, Pattern(6, 4, 1, 5), 0, 1, 20, 7},
                                    FrameSpec{0, 0, 6, 4, Pattern(6, 4, 1, 5), 0, 1, 30}});
  };
  auto merged = twins();
  merged->Compact(GifCompactOption(coMerge));
  ASSERT_EQ(merged->Frames().Count(), 2);
  ASSERT_TRUE(merged->Frame(1)->Transparent());
  const int t = merged->Frame(1)->ControlExt()->TransparentColorIndex();
  for (std::uint8_t v : merged->Frame(1)->Data()) EXPECT_EQ(v, t);
  auto cropped = twins();
  cropped->Compact(GifCompactOption(coMerge) | GifCompactOption(coCrop));
  ASSERT_EQ(cropped->Frames().Count(), 1);
  EXPECT_EQ(cropped->Frame(0)->ControlExt()->Delay(), 50);

  // a frame after a restore-to-previous frame is merged against the one before
  auto skip = gif_anim::MakeAnimation(4, 4, kPalette,
                                      {FrameSpec{0, 0, 4, 4, {}, 2, 1, 1},
                                       FrameSpec{0, 0, 4, 4, {}, 3, 3, 1},
                                       FrameSpec{0, 0, 4, 4, {}, 2, 1, 1}});
  skip->Compact(GifCompactOption(coMerge));
  EXPECT_TRUE(skip->Frame(2)->Transparent());
  EXPECT_FALSE(skip->Frame(1)->Transparent());

  // cleanup: comments go, the looping block stays on the first frame of an
  // animation; a one-frame picture loses it and its plain control block
  std::vector<FrameSpec> commented = {FrameSpec{0, 0, 4, 4, {}, 1, 1, 1}, FrameSpec{0, 0, 4, 4, {}, 2, 1, 1}};
  commented[0].comment = "made by hand";
  commented[1].comment = "and again";
  auto animation = gif_anim::MakeAnimation(4, 4, kPalette, commented, 2);
  animation->Compact(GifCompactOption(coCleanup));
  ASSERT_EQ(animation->Frames().Count(), 2);
  for (int i = 0; i < 2; ++i)
    for (int e = 0; e < animation->Frame(i)->ExtensionItems().Count(); ++e)
      EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(animation->Frame(i)->ExtensionItems().Extension(e)), nullptr);
  EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(animation->Frame(0)->ExtensionItems().Extension(0)), nullptr);
  auto single = gif_anim::MakeAnimation(4, 4, kPalette, {FrameSpec{0, 0, 4, 4, {}, 1, 2, 9}}, 0);
  single->Compact(GifCompactOption(coCleanup));
  EXPECT_EQ(single->Frame(0)->ExtensionItems().Count(), 0);
  auto keeps = gif_anim::MakeAnimation(4, 4, kPalette, {FrameSpec{0, 0, 4, 4, Pattern(4, 4, 0, 3), 0, 0, 9, 2}}, 0);
  keeps->Compact(GifCompactOption(coCleanup));
  ASSERT_EQ(keeps->Frame(0)->ExtensionItems().Count(), 1);
  EXPECT_NE(keeps->Frame(0)->ControlExt(), nullptr);

  // colour reduction by a given palette is refused, unless cleaning up
  auto reduce = gif_anim::MakeAnimation(4, 4, kPalette, {FrameSpec{0, 0, 4, 4, {}, 1}});
  EXPECT_THROW(reduce->Compact(GifCompactOption(coReduceColors), rdPalette), GIFException);
  EXPECT_NO_THROW(reduce->Compact(GifCompactOption(coReduceColors) | GifCompactOption(coCleanup), rdPalette));

  // an empty picture: nothing, not even progress
  TGifPicture empty;
  int progress = 0;
  empty.OnProgress = [&](TGraphic*, TProgressStage, int, bool, const TRect&, const std::string&) { ++progress; };
  empty.Compact(GifCompactAll);
  EXPECT_EQ(progress, 0);
}

TEST(GifImport, BitmapsBecomeFrames) {
  // an 8-bit bitmap keeps its indices and its palette
  TBitmap paletted(5, 3, pf8bit);
  std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
  for (int i = 0; i < 256; ++i) table[std::size_t(i)] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
  paletted.SetPaletteEntries(table);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) paletted.ScanLine(y)[x] = std::uint8_t(x * 40 + y);
  TGifPicture gif;
  gif.AppendFrame(&paletted);
  TGIFSubImage& f = *gif.Frame(0);
  ASSERT_EQ(f.Width(), 5);
  ASSERT_EQ(f.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const int v = f.Pixels(x, y);
      EXPECT_EQ(v, x * 40 + y);
      EXPECT_EQ(f.LocalColors().Colors(v), RGB(BYTE(v / 2), BYTE(255 - v), BYTE(v)));
    }
  // a 24-bit bitmap of 3 colours without reduction: exactly those colours,
  // in the order first seen
  TBitmap rgb(4, 2, pf24bit);
  const COLORREF colours[8] = {RGB(9, 8, 7), RGB(9, 8, 7), RGB(200, 0, 1), RGB(9, 8, 7),
                               RGB(0, 77, 0), RGB(200, 0, 1), RGB(0, 77, 0), RGB(9, 8, 7)};
  for (int i = 0; i < 8; ++i) {
    std::uint8_t* p = rgb.ScanLine(i / 4) + (i % 4) * 3;
    p[0] = GetBValue(colours[i]);
    p[1] = GetGValue(colours[i]);
    p[2] = GetRValue(colours[i]);
  }
  TGifPicture plain;
  plain.ReductionMethod = rdNone;
  plain.AppendFrame(&rgb);
  TGIFSubImage& g = *plain.Frame(0);
  ASSERT_EQ(g.LocalColors().Count(), 3);
  EXPECT_EQ(g.LocalColors().Colors(0), RGB(9, 8, 7));
  EXPECT_EQ(g.LocalColors().Colors(1), RGB(200, 0, 1));
  EXPECT_EQ(g.LocalColors().Colors(2), RGB(0, 77, 0));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(g.LocalColors().Colors(g.Pixels(i % 4, i / 4)), colours[i]);
  // the same bitmap marked transparent: its key colour becomes a black entry
  // appended after the re-sorted colours
  rgb.SetTransparent(true);
  rgb.SetTransparentColor(TColor(RGB(200, 0, 1)));
  TGifPicture masked;
  masked.ReductionMethod = rdNone;
  masked.Assign(&rgb);
  TGIFSubImage& m = *masked.Frame(0);
  ASSERT_TRUE(m.Transparent());
  const int t = m.ControlExt()->TransparentColorIndex();
  EXPECT_EQ(t, 3);
  EXPECT_EQ(m.LocalColors().Colors(t), RGB(0, 0, 0));
  EXPECT_EQ(m.Pixels(2, 0), t);
  EXPECT_NE(m.Pixels(0, 0), t);
  // a true-colour photo through the web palette
  TBitmap photo(16, 16, pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      std::uint8_t* p = photo.ScanLine(y) + x * 3;
      p[0] = std::uint8_t(x * 16);
      p[1] = std::uint8_t(y * 16);
      p[2] = 128;
    }
  TGifPicture web;
  web.DitherKind = dkFloydSteinberg;
  web.AppendFrame(&photo);
  EXPECT_EQ(web.Frame(0)->Width(), 16);
  EXPECT_LE(web.Frame(0)->LocalColors().Count(), 256);
  // frames copy their extensions as new objects
  TGIFSubImage copy(&masked);
  copy.Assign(m);
  masked.Reset();
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.ControlExt()->TransparentColorIndex(), 3);
}

} // namespace gif_compact_test
