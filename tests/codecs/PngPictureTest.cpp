// TPngPicture: loading through the picture registry, size, drawing with
// its three kinds of pixels (opaque, key colour, alpha), damaged data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "platform/rtl/Strings.h"
#include "codecs/PngPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

std::string Sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/" + name;
}

std::string TempPng(const std::string& convertArgs, const std::string& kind) {
  const std::string path = "/tmp/sk_codecs_" + IntToStr(::getpid()) + ".png";
  const std::string cmd = "convert " + convertArgs +
                          " -define png:exclude-chunks=gAMA,cHRM,bKGD,date,tIME,pHYs " + kind +
                          "'" + path + "' 2>/dev/null";
  return std::system(cmd.c_str()) == 0 ? path : std::string();
}

} // namespace

TEST(PngPicture, LoadsThroughThePictureRegistryByExtension) {
  TPicture picture;
  picture.LoadFromFile(Sample("png/good.png"));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TPngPicture");
  EXPECT_EQ(picture.Width(), 17);
  EXPECT_EQ(picture.Height(), 9);
  TPngPicture damaged;
  EXPECT_THROW(damaged.LoadFromFile(Sample("png/damaged-idat.png")), EInvalidGraphic);
  EXPECT_TRUE(damaged.Empty());
}

TEST(PngPicture, KeyColourLeavesTheDestinationAndAlphaBlends) {
  // left half blue and transparent by key (tRNS), right half red
  const std::string key = TempPng("-size 4x1 xc:red -fill blue -draw 'point 0,0' -draw 'point 1,0' "
                                  "-transparent blue",
                                  "PNG8:");
  if (key.empty()) GTEST_SKIP() << "ImageMagick missing";
  TPngPicture png;
  png.LoadFromFile(key);
  TBitmap target(4, 1, pf24bit);
  std::uint8_t* row = target.ScanLine(0);
  for (int i = 0; i < 12; ++i)
    row[i] = std::uint8_t(0x40 + i);
  png.Draw(target.Canvas(), TRect{0, 0, 4, 1});
  row = target.ScanLine(0);
  EXPECT_EQ(row[0], 0x40);
  EXPECT_EQ(row[5], 0x45);
  EXPECT_EQ(row[6], 0);
  EXPECT_EQ(row[8], 255);
  std::remove(key.c_str());

  const std::string alpha = TempPng("-size 1x1 xc:'rgba(255,0,0,0.50196)'", "PNG32:");
  ASSERT_FALSE(alpha.empty());
  TPngPicture half;
  half.LoadFromFile(alpha);
  TBitmap white(1, 1, pf24bit);
  std::memset(white.ScanLine(0), 0xFF, 3);
  half.BlendInto(white);
  const int a = 128; // 0.50196 = 128 / 255
  EXPECT_EQ(white.ScanLine(0)[0], (0 * a + (255 - a) * 255 + 255) >> 8);
  EXPECT_EQ(white.ScanLine(0)[2], (255 * a + (255 - a) * 255 + 255) >> 8);
  std::remove(alpha.c_str());
}

TEST(PngPicture, ChunksLongerThanTheDataAreRefusedBeforeDecoding) {
  // A text chunk announcing a gigabyte, from fuzzing: the decoder once set
  // the gigabyte aside (seconds and a gigabyte of memory) before it found the
  // data at an end.
  std::ifstream in(Sample("png/good.png"), std::ios::binary);
  const std::string good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::size_t iend = good.rfind("IEND") - 4;
  ASSERT_LT(iend, good.size());
  const std::string bytes = good.substr(0, iend) + std::string("\x44\x41\x00\x25tEXtComment", 15) +
                            good.substr(iend);
  TStringStream stream(bytes);
  TPngPicture picture;
  try {
    picture.LoadFromStream(stream);
    ADD_FAILURE() << "the damaged picture loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.Message()),
              "PNG error: chunk tEXt of 1145110565 bytes runs past the end of the data");
  }
  EXPECT_TRUE(picture.Empty());
  TStringStream whole(good);
  picture.LoadFromStream(whole);
  EXPECT_EQ(picture.Width(), 17);
}
