// Writing GIF files: the LZW and run-length encoders round-trip through
// giflib, and a loaded file saved again reads back alike.
#include <gtest/gtest.h>

#include <random>

#include "codecs/GifPicture.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/codecs/GifOracle.h"

namespace gif_encode_test {

std::vector<std::uint8_t> Bytes(TMemoryStream& s) {
  std::vector<std::uint8_t> out(std::size_t(s.Size()));
  s.SetPosition(0);
  if (!out.empty()) s.ReadBuffer(out.data(), std::int64_t(out.size()));
  return out;
}

// A picture of one frame with `colors` colours (in the global table, or in
// a local one) and the given pixels.
std::unique_ptr<TGifPicture> OneFrame(int w, int h, int colors, bool interlaced,
                                      const std::vector<std::uint8_t>& pixels,
                                      bool global = false) {
  auto gif = std::make_unique<TGifPicture>();
  auto* frame = new TGIFSubImage(gif.get());
  TGIFColorMap& map = global ? static_cast<TGIFColorMap&>(gif->GlobalColors()) : frame->LocalColors();
  for (int c = 0; c < colors; ++c) map.Add(COLORREF(c * 0x010203));
  frame->SetBounds(0, 0, w, h);
  frame->Data() = pixels;
  frame->SetInterlaced(interlaced);
  gif->AppendFrame(frame);
  return gif;
}

// Seeded frames of 1-70 × 1-70 pixels with 2-256 colours, plain and
// interlaced, written by both encoders: giflib reads the pixels back.
TEST(GifEncode, EncodersRoundTripThroughGiflib) {
  std::mt19937 random(2029);
  for (int round = 0; round < 120; ++round) {
    const int w = 1 + int(random() % 70), h = 1 + int(random() % 70);
    const int colors = 2 + int(random() % 255);
    const bool interlaced = random() % 2 == 0;
    // a frame with a local table is written without interlace
    const bool global = interlaced || random() % 2 == 0;
    const int runs = int(random() % 3); // 0 noise, 1 short runs, 2 long runs
    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
    int v = 0;
    for (auto& p : pixels) {
      if (runs == 0 || random() % (runs == 1 ? 4 : 60) == 0) v = int(random() % std::uint32_t(colors));
      p = std::uint8_t(v);
    }
    for (std::uint8_t encoding : {std::uint8_t(enLZW), std::uint8_t(enRLE)}) {
      SCOPED_TRACE(IntToStr(w) + "x" + IntToStr(h) + (global ? " global" : " local") + " colours " +
                   IntToStr(colors) + (interlaced ? " interlaced" : "") + " encoding " +
                   IntToStr(encoding));
      auto gif = OneFrame(w, h, colors, interlaced, pixels, global);
      gif->Encoding = encoding;
      TMemoryStream out;
      gif->SaveToStream(out);
      const auto ref = gif_oracle::Slurp(Bytes(out));
      ASSERT_TRUE(ref.ok) << "giflib error " << ref.error;
      ASSERT_EQ(ref.frames.size(), 1u);
      EXPECT_EQ(ref.frames[0].interlaced, interlaced);
      EXPECT_TRUE(ref.frames[0].pixels == pixels);
      // and we read our own output alike
      TGifPicture back;
      out.SetPosition(0);
      back.LoadFromStream(out);
      EXPECT_TRUE(back.Frame(0)->Data() == pixels);
    }
  }
}

TEST(GifEncode, RunLengthEncoderPacksLongRuns) {
  const std::vector<std::uint8_t> same(10000, 3);
  auto gif = OneFrame(100, 100, 256, false, same);
  gif->Frame(0)->SetInterlaced(true);
  gif->Encoding = enRLE;
  TMemoryStream out;
  gif->SaveToStream(out);
  const auto bytes = Bytes(out);
  const auto ref = gif_oracle::Slurp(bytes);
  ASSERT_TRUE(ref.ok);
  EXPECT_TRUE(ref.frames[0].pixels == same);
  // header 13, descriptor 10, local table 768, trailer 1, code size byte 1;
  // every code takes at least 9 bits: fewer than 500 codes
  const std::size_t data = bytes.size() - 13 - 10 - 768 - 1 - 1;
  EXPECT_LT(data * 8 / 9, 500u);
}

TEST(GifEncode, EdgeCasesOfTheEncoders) {
  // a frame with a local table that was interlaced is written plainly
  {
    auto local = OneFrame(3, 5, 4, true, std::vector<std::uint8_t>(15, 1));
    TMemoryStream s;
    local->SaveToStream(s);
    const auto ref = gif_oracle::Slurp(Bytes(s));
    ASSERT_TRUE(ref.ok);
    EXPECT_FALSE(ref.frames[0].interlaced);
  }
  // one pixel of a 2-colour frame: code size 2, clear, pixel, end (3 bits)
  auto one = OneFrame(1, 1, 2, false, {1});
  TMemoryStream out;
  one->SaveToStream(out);
  const auto bytes = Bytes(out);
  // GIF87a, screen, no global table; descriptor; 2 local entries
  const std::size_t data = 6 + 7 + 10 + 6;
  ASSERT_GT(bytes.size(), data + 4);
  EXPECT_EQ(bytes[data], 2) << "minimum code size";
  EXPECT_EQ(bytes[data + 1], 2) << "one sub-block of two bytes";
  // 4 (100), 1 (001), 5 (101) packed LSB first: 0b01001100, 0b00000001
  EXPECT_EQ(bytes[data + 2], 0x4C);
  EXPECT_EQ(bytes[data + 3], 0x01);
  EXPECT_EQ(bytes[data + 4], 0);
  // a pixel not in the table
  auto bad = OneFrame(2, 1, 2, false, {0, 2});
  TMemoryStream sink;
  try {
    bad->SaveToStream(sink);
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::ColorNotInTable);
  }
  // no frames: no version
  TGifPicture empty;
  try {
    empty.SaveToStream(sink);
    ADD_FAILURE() << "no error";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message(), GifTexts::UnsupportedVersion);
  }
}

// Every good sample saved again reads back in giflib with the same frames,
// delays, disposals and loops. Frames with a local table are written
// without interlace; giflib's de-interlaced pixels stay equal.
TEST(GifEncode, LoadedSamplesSaveAlike) {
  for (const std::string& name : gif_oracle::Samples("good-")) {
    SCOPED_TRACE(name);
    const auto original = gif_oracle::ReadFile(gif_oracle::Sample(name));
    const auto before = gif_oracle::Slurp(original);
    for (std::uint8_t encoding : {std::uint8_t(enLZW), std::uint8_t(enRLE)}) {
      TGifPicture gif;
      gif.Encoding = encoding;
      TMemoryStream in;
      in.WriteBuffer(original.data(), std::int64_t(original.size()));
      in.SetPosition(0);
      gif.LoadFromStream(in);
      TMemoryStream out;
      gif.SaveToStream(out);
      const auto after = gif_oracle::Slurp(Bytes(out));
      ASSERT_TRUE(after.ok);
      ASSERT_EQ(after.frames.size(), before.frames.size());
      EXPECT_EQ(after.loops, before.loops);
      EXPECT_EQ(after.width, before.width);
      EXPECT_EQ(after.height, before.height);
      for (std::size_t i = 0; i < before.frames.size(); ++i) {
        const auto& a = after.frames[i];
        const auto& b = before.frames[i];
        EXPECT_TRUE(a.pixels == b.pixels) << "frame " << i;
        EXPECT_EQ(a.delay, b.delay);
        EXPECT_EQ(a.disposal, b.disposal);
        EXPECT_EQ(a.transparent, b.transparent);
        EXPECT_EQ(a.comments, b.comments);
      }
    }
  }
}

} // namespace gif_encode_test
