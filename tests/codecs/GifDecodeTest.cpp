// TGifPicture reading: every good sample equals giflib frame by frame;
// odd block structures, damaged and cut files give only the documented
// errors and notices; the LZW decoder's edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>

#include "codecs/GifPicture.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/codecs/GifCompare.h"
#include "tests/codecs/GifOracle.h"

namespace gif_decode_test {

using gif_oracle::ReadFile;
using gif_oracle::Sample;

struct Loaded {
  std::unique_ptr<TGifPicture> picture = std::make_unique<TGifPicture>();
  std::vector<std::string> notices;
  std::string error; // "" when the load succeeded
};

Loaded Load(const std::vector<std::uint8_t>& bytes) {
  Loaded r;
  r.picture->OnNotice = [&r](void*, int severity, const std::string& m) {
    EXPECT_EQ(severity, 1);
    r.notices.push_back(m);
  };
  TMemoryStream in;
  if (!bytes.empty()) in.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  in.SetPosition(0);
  try {
    r.picture->LoadFromStream(in);
  } catch (const GIFException& e) {
    r.error = e.Message();
    EXPECT_EQ(in.Position(), 0) << "a failed load leaves the stream where it was";
  }
  r.picture->OnNotice = nullptr;
  return r;
}

// Our frames and screen equal giflib's reading of the same bytes.
void ExpectLikeGiflib(TGifPicture& ours, const gif_oracle::File& ref) {
  EXPECT_EQ(gif_compare::FirstDifference(ours, ref), "");
}

TEST(GifDecode, GoodSamplesDecodeLikeGiflib) {
  const auto names = gif_oracle::Samples("good-");
  ASSERT_GE(names.size(), 30u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = ReadFile(Sample(name));
    const gif_oracle::File ref = gif_oracle::Slurp(bytes);
    ASSERT_TRUE(ref.ok) << "giflib error " << ref.error;
    Loaded ours = Load(bytes);
    EXPECT_EQ(ours.error, "");
    EXPECT_TRUE(ours.notices.empty()) << ours.notices.front();
    ExpectLikeGiflib(*ours.picture, ref);
  }
}

// The odd samples: what giflib reads alike is compared with it; each file
// has its own notices and facts.
TEST(GifDecode, OddBlockStructures) {
  struct Row {
    const char* name;
    std::vector<std::string> notices;
    bool likeGiflib;
  } rows[] = {
      {"odd-padding.gif", {}, false}, // giflib stops at the first zero byte
      {"odd-two-gces.gif", {}, true},
      {"odd-app-size10.gif", {}, false},
      {"odd-width0.gif", {GifTexts::ExceedsScreen}, false},
      {"odd-no-trailer.gif", {}, true},
      {"odd-prefix.gif", {}, false},
      {"odd-lowercase.gif", {}, false},
      // the block loop stops at the byte, then the trailer reads it
      {"odd-bad-trailer.gif", {GifTexts::UnknownBlockType, GifTexts::InvalidTrailer}, true},
      {"odd-no-color-table.gif", {}, true},
      {"odd-early-end.gif", {}, false},
      {"odd-code-size9.gif", {}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto bytes = ReadFile(Sample(r.name));
    Loaded ours = Load(bytes);
    EXPECT_EQ(ours.error, "");
    EXPECT_EQ(ours.notices, r.notices);
    ASSERT_GE(ours.picture->Frames().Count(), 1);
    if (r.likeGiflib) ExpectLikeGiflib(*ours.picture, gif_oracle::Slurp(bytes));
  }
  const std::vector<std::uint8_t> f1 = {0, 1, 2, 3, 3, 2, 1, 0, 2, 2, 2, 2};
  for (const char* name : {"odd-padding.gif", "odd-prefix.gif", "odd-lowercase.gif",
                           "odd-app-size10.gif", "odd-code-size9.gif"}) {
    SCOPED_TRACE(name);
    Loaded ours = Load(ReadFile(Sample(name)));
    EXPECT_EQ(ours.picture->Frame(0)->Data(), f1);
  }
  {
    // the second control extension stays in the list; the first one rules
    Loaded two = Load(ReadFile(Sample("odd-two-gces.gif")));
    TGIFSubImage& f = *two.picture->Frame(0);
    ASSERT_EQ(f.ExtensionItems().Count(), 2);
    EXPECT_EQ(f.ControlExt(), f.ExtensionItems().Extension(0));
    EXPECT_EQ(f.ControlExt()->Disposal(), 1);
    EXPECT_TRUE(f.Transparent());
  }
  {
    // size 10: read as unknown, the 11th byte taken as data
    Loaded app = Load(ReadFile(Sample("odd-app-size10.gif")));
    auto* e = dynamic_cast<TGIFUnknownAppExtension*>(
        app.picture->Frame(0)->ExtensionItems().Extension(0));
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Blocks().size(), 2u);
    EXPECT_EQ(e->Blocks()[1], "12");
  }
  {
    Loaded w0 = Load(ReadFile(Sample("odd-width0.gif")));
    EXPECT_EQ(w0.picture->Frame(0)->BoundsRect(), TRect(0, 0, 4, 3));
  }
  {
    // the end code after five pixels: the rest keeps the fill (index 0)
    Loaded early = Load(ReadFile(Sample("odd-early-end.gif")));
    EXPECT_EQ(early.picture->Frame(0)->Data(),
              (std::vector<std::uint8_t>{0, 1, 2, 3, 3, 0, 0, 0, 0, 0, 0, 0}));
  }
  {
    // no table anywhere: the palette cannot be made
    Loaded none = Load(ReadFile(Sample("odd-no-color-table.gif")));
    try {
      none.picture->Palette();
      ADD_FAILURE() << "no error";
    } catch (const GIFException& e) {
      EXPECT_EQ(e.Message(), GifTexts::NoColorTable);
    }
  }
}

TEST(GifDecode, DamagedSamplesGiveTheirErrors) {
  struct Row {
    const char* name;
    const char* error;
    int frames;
  } rows[] = {
      {"damaged-signature.gif", GifTexts::InvalidSignature, 0},
      {"damaged-lzw-cycle.gif", GifTexts::CircularEntry, 0},
      {"damaged-extension.gif", GifTexts::UnknownExtension, 0},
      {"damaged-loop.gif", GifTexts::InvalidData, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Loaded ours = Load(ReadFile(Sample(r.name)));
    EXPECT_EQ(ours.error, r.error);
    EXPECT_EQ(ours.picture->Frames().Count(), r.frames);
  }
  // a cut inside the image data: a notice, the rows before the cut
  const auto whole = ReadFile(Sample("good-photo.gif"));
  Loaded cut = Load(ReadFile(Sample("damaged-cut.gif")));
  EXPECT_EQ(cut.error, "");
  EXPECT_EQ(cut.notices, std::vector<std::string>{GifTexts::PrematureEnd});
  const auto ref = gif_oracle::Slurp(whole);
  ASSERT_EQ(cut.picture->Frames().Count(), 1);
  const auto& got = cut.picture->Frame(0)->Data();
  const int w = ref.frames[0].width;
  int sameRows = 0;
  while (sameRows < ref.frames[0].height &&
         std::equal(got.begin() + sameRows * w, got.begin() + (sameRows + 1) * w,
                    ref.frames[0].pixels.begin() + sameRows * w))
    ++sameRows;
  EXPECT_GT(sameRows, 10);
}

// Files cut at each of their last 300 offsets and at 50 random ones: only
// documented texts, and every frame that lies wholly before the cut equals
// giflib's reading of the whole file.
TEST(GifDecode, TruncationSweep) {
  const std::set<std::string> documented = {
      GifTexts::PrematureEnd,     GifTexts::BitBufferUnderRun, GifTexts::InvalidSignature,
      GifTexts::UnknownBlockType, GifTexts::InvalidIntroducer, GifTexts::InvalidData,
      GifTexts::ExceedsScreen,    GifTexts::UnknownExtension};
  std::mt19937 random(29);
  for (const char* name : {"good-blocks.gif", "good-disposals.gif", "good-local-tables.gif",
                           "good-photo-interlaced.gif", "good-87a.gif"}) {
    SCOPED_TRACE(name);
    const auto whole = ReadFile(Sample(name));
    const auto ref = gif_oracle::Slurp(whole);
    ASSERT_TRUE(ref.ok);
    std::vector<std::size_t> cuts;
    for (std::size_t k = 1; k <= 300 && k <= whole.size(); ++k) cuts.push_back(whole.size() - k);
    for (int k = 0; k < 50; ++k) cuts.push_back(std::size_t(random() % whole.size()));
    for (std::size_t cut : cuts) {
      const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
      Loaded ours = Load(part);
      if (!ours.error.empty()) {
        EXPECT_TRUE(documented.count(ours.error)) << ours.error;
      }
      for (const std::string& n : ours.notices) EXPECT_TRUE(documented.count(n)) << n;
      const auto cutRef = gif_oracle::Slurp(part);
      // frames giflib completes from the cut file are ours too
      const int complete = cutRef.ok ? int(cutRef.frames.size()) : int(cutRef.frames.size()) - 1;
      for (int i = 0; i < complete && i < ours.picture->Frames().Count(); ++i)
        EXPECT_TRUE(ours.picture->Frame(i)->Data() == ref.frames[std::size_t(i)].pixels)
            << "cut " << cut << " frame " << i;
      EXPECT_GE(ours.picture->Frames().Count(), std::max(0, complete)) << "cut " << cut;
    }
  }
}

// ---- the LZW decoder's edge cases ---------------------------------------------------------

// Writes codes LSB first as sub-blocks behind a screen and one descriptor.
class GifCodeWriter {
public:
  void Put(int code, int bits) {
    acc_ |= std::uint64_t(code) << count_;
    count_ += bits;
    while (count_ >= 8) {
      data_.push_back(std::uint8_t(acc_));
      acc_ >>= 8;
      count_ -= 8;
    }
  }
  std::vector<std::uint8_t> File(int w, int h, int m, bool tail = false) {
    if (count_ > 0) data_.push_back(std::uint8_t(acc_));
    std::vector<std::uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', std::uint8_t(w), 0,
                                   std::uint8_t(h), 0, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) f.insert(f.end(), {std::uint8_t(i), std::uint8_t(i), 0});
    f.insert(f.end(), {',', 0, 0, 0, 0, std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h),
                       std::uint8_t(h >> 8), 0, std::uint8_t(m)});
    for (std::size_t i = 0; i < data_.size(); i += 255) {
      const std::size_t n = std::min<std::size_t>(255, data_.size() - i);
      f.push_back(std::uint8_t(n));
      f.insert(f.end(), data_.begin() + std::ptrdiff_t(i), data_.begin() + std::ptrdiff_t(i + n));
    }
    f.push_back(0);
    if (tail) f.insert(f.end(), {'!', 0xFE, 2, 'h', 'i', 0});
    f.push_back(';');
    return f;
  }

private:
  std::uint64_t acc_ = 0;
  int count_ = 0;
  std::vector<std::uint8_t> data_;
};

TEST(GifDecode, LzwCyclesAreCircularEntries) {
  // A code beyond the next free one makes it the previous code, so the entry
  // made next takes it as its prefix: a 1-cycle (the entry is its own
  // prefix), a 2-cycle (11 -> 12 -> 11) and a 3-cycle (11 -> 13 -> 12 -> 11).
  struct Row {
    int m;
    std::vector<std::pair<int, int>> codes; // code, bits
  } rows[] = {
      {2, {{4, 3}, {0, 3}, {7, 3}, {0, 3}, {7, 4}, {5, 4}}},
      {3, {{8, 4}, {0, 4}, {12, 4}, {11, 4}, {0, 4}, {11, 4}, {9, 4}}},
      {3, {{8, 4}, {0, 4}, {13, 4}, {11, 4}, {12, 4}, {0, 4}, {11, 4}, {9, 4}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.codes.size());
    GifCodeWriter w;
    for (auto [code, bits] : r.codes) w.Put(code, bits);
    const auto bytes = w.File(40, 1, r.m);
    Loaded ours = Load(bytes);
    EXPECT_EQ(ours.error, GifTexts::CircularEntry);
    // the code beyond the next free one is found, so the differential
    // comparison leaves the frame's later pixels out
    const auto scan = gif_compare::ScanImages(bytes);
    ASSERT_EQ(scan.images.size(), 1u);
    EXPECT_EQ(scan.images[0].agreedPixels, 1);
  }
}

// Invalid codes this decoder reads by its own rules, and what giflib makes
// of them. Where giflib reads the data without an error, the pixels from
// the first such code on differ; the scan finds that code, so that the
// differential fuzz target compares only the pixels before it.
TEST(GifDecode, LzwCodesReadDifferentlyFromGiflib) {
  struct Row {
    const char* what;
    int m;
    std::vector<std::pair<int, int>> codes; // code, bits
    bool giflibReads;
    std::int64_t agreed; // pixels before the first code read differently
    std::vector<std::uint8_t> ours;
  } rows[] = {
      // 7 when 6 is the next free code: read as 6 (1 1), giflib makes up 1 2
      {"beyond the next free code", 2,
       {{4, 3}, {1, 3}, {7, 3}, {0, 3}, {0, 4}, {0, 4}, {0, 4}, {0, 4}, {5, 4}}, true, 1,
       {1, 1, 1, 0, 0, 0, 0, 0}},
      // the codes widen after the first entry, as ImageMagick reads them;
      // giflib widens them one code earlier
      {"minimum code size 1", 1,
       {{2, 2}, {1, 2}, {0, 2}, {1, 3}, {0, 3}, {1, 3}, {0, 3}, {1, 3}, {0, 3}, {3, 4}}, true, 1,
       {1, 0, 1, 0, 1, 1, 1, 0}},
      // a first code above the clear code ends the data; giflib fails
      {"next free code after a clear", 2,
       {{4, 3}, {6, 3}, {0, 3}, {0, 3}, {0, 4}, {0, 4}, {5, 4}}, false, 0,
       {0, 0, 0, 0, 0, 0, 0, 0}},
      {"end code after a clear", 2, {{4, 3}, {5, 3}, {0, 3}, {5, 3}}, false, 0,
       {0, 0, 0, 0, 0, 0, 0, 0}},
      // valid data with the next free code: both read it alike
      {"the next free code", 2,
       {{4, 3}, {1, 3}, {6, 3}, {0, 3}, {0, 4}, {0, 4}, {0, 4}, {0, 4}, {5, 4}}, true, -1,
       {1, 1, 1, 0, 0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    GifCodeWriter w;
    for (auto [code, bits] : r.codes) w.Put(code, bits);
    const auto bytes = w.File(8, 1, r.m);
    Loaded ours = Load(bytes);
    EXPECT_EQ(ours.error, "");
    ASSERT_EQ(ours.picture->Frames().Count(), 1);
    EXPECT_EQ(ours.picture->Frame(0)->Data(), r.ours);
    const auto scan = gif_compare::ScanImages(bytes);
    ASSERT_EQ(scan.images.size(), 1u);
    EXPECT_EQ(scan.images[0].agreedPixels, r.agreed);
    const auto ref = gif_oracle::Slurp(bytes);
    EXPECT_EQ(ref.ok, r.giflibReads);
    if (!ref.ok) continue;
    EXPECT_EQ(gif_compare::FirstDifference(*ours.picture, ref, &scan), "");
    if (r.agreed >= 0) {
      EXPECT_NE(ref.frames[0].pixels, r.ours) << "giflib reads the code alike";
    } else {
      EXPECT_EQ(gif_compare::FirstDifference(*ours.picture, ref), "");
    }
  }
}

// Extension blocks this reader reads by their fixed layouts or refuses,
// where giflib reads a chain of sub-blocks: the scan finds the first one, so
// that the differential fuzz target compares only the frames before it.
TEST(GifDecode, ExtensionBlocksReadDifferentlyFromGiflib) {
  GifCodeWriter w;
  for (int code : {4, 1, 5}) w.Put(code, 3);
  const auto plain = w.File(1, 1, 2);
  const std::ptrdiff_t descriptor = 13 + 3 * 256;
  struct Row {
    const char* what;
    std::vector<std::uint8_t> block;
    const char* ourError;
    bool giflibReads = true;
  } rows[] = {
      {"control block of size 5", {'!', 0xF9, 5, 1, 0, 0, 0, 0, 0}, ""},
      // giflib takes the image separator after it for a sub-block's length
      {"empty comment", {'!', 0xFE, 0}, "", false},
      {"empty comment and a zero", {'!', 0xFE, 0, 0}, ""},
      {"control block without its terminator", {'!', 0xF9, 4, 1, 0, 0, 0, 3, 'a', 'b', 'c', 0}, ""},
      {"plain text header of 11", {'!', 0x01, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ""},
      {"unknown label", {'!', 0x99, 1, 'x', 0}, GifTexts::UnknownExtension},
      {"application block of 9",
       {'!', 0xFF, 9, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 0},
       GifTexts::UnsupportedAppBlockSize},
      {"short looping sub-block",
       {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 0, 0},
       GifTexts::InvalidData},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    auto bytes = plain;
    bytes.insert(bytes.begin() + descriptor, r.block.begin(), r.block.end());
    EXPECT_EQ(gif_oracle::Slurp(bytes).ok, r.giflibReads);
    EXPECT_EQ(gif_compare::ScanImages(bytes).agreedImages, 0);
    Loaded ours = Load(bytes);
    if (*r.ourError != 0) {
      EXPECT_EQ(ours.error, r.ourError);
    }
    if (!r.giflibReads) {
      // the valid file giflib refuses is read here
      EXPECT_EQ(ours.error, "");
      ASSERT_EQ(ours.picture->Frames().Count(), 1);
      EXPECT_EQ(ours.picture->Frame(0)->Data(), std::vector<std::uint8_t>{1});
    }
  }
  {
    // the size byte is taken as it is
    auto bytes = plain;
    bytes.insert(bytes.begin() + descriptor, rows[0].block.begin(), rows[0].block.end());
    Loaded ours = Load(bytes);
    ASSERT_GE(ours.picture->Frames().Count(), 1);
    ASSERT_NE(ours.picture->Frame(0)->ControlExt(), nullptr);
    EXPECT_EQ(ours.picture->Frame(0)->ControlExt()->Record().BlockSize, 5);
  }
  // blocks of the sizes they should have are read alike
  for (const char* name : {"good-blocks.gif", "good-disposals.gif", "odd-two-gces.gif"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(gif_compare::ScanImages(ReadFile(Sample(name))).agreedImages, -1);
  }
  EXPECT_EQ(gif_compare::ScanImages(ReadFile(Sample("odd-app-size10.gif"))).agreedImages, 0);
}

TEST(GifDecode, FullTableWithoutClearAndDataAfterTheEndCode) {
  // 8-bit codes: clear, then 5000 single pixels; the table fills at 4096
  // and codes stay 12 bits (a deferred clear), then the end code
  GifCodeWriter w;
  int size = 9, next = 258;
  w.Put(256, size);
  std::vector<std::uint8_t> expect;
  for (int i = 0; i < 5000; ++i) {
    const int p = (i * 7) % 256;
    w.Put(p, size);
    expect.push_back(std::uint8_t(p));
    if (i > 0 && next < 4096) {
      ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
  }
  w.Put(257, size);
  w.Put(1, size); // junk after the end code, in the same sub-block
  const auto bytes = w.File(100, 50, 8, true);
  const auto ref = gif_oracle::Slurp(bytes);
  ASSERT_TRUE(ref.ok) << ref.error;
  ASSERT_EQ(ref.frames[0].pixels, expect);
  Loaded ours = Load(bytes);
  EXPECT_EQ(ours.error, "");
  EXPECT_TRUE(ours.notices.empty());
  EXPECT_EQ(ours.picture->Frame(0)->Data(), expect);
  // the comment after the frame was read: the skip ended at the terminator
  ASSERT_EQ(ours.picture->Frames().Count(), 2);
}

// A header that asks for a huge frame fails before anything is allocated.
TEST(GifDecode, HugeFramesAreRefusedBeforeAllocating) {
  std::vector<std::uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0,
                                 0,   0,   0,   255, 255, 255, ',', 0,    0,    0,    0,    0xFF,
                                 0xFF, 0xFF, 0xFF, 0,   2,   2,   0x44, 0x01, 0,    ';'};
  const std::int64_t saved = GifMaxFramePixels;
  GifMaxFramePixels = std::int64_t(1) << 24;
  Loaded ours = Load(f);
  GifMaxFramePixels = saved;
  EXPECT_EQ(ours.error, GifTexts::InvalidImageDimensions);
  // the total over all frames is capped too
  const std::int64_t savedTotal = GifMaxTotalPixels;
  GifMaxTotalPixels = 100;
  Loaded many = Load(ReadFile(Sample("good-local-tables.gif"))); // 3 frames of 320 pixels
  GifMaxTotalPixels = savedTotal;
  EXPECT_EQ(many.error, GifTexts::InvalidImageDimensions);
}

} // namespace gif_decode_test
