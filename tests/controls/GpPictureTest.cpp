// The encoded-bytes picture: sizes, events, saved bytes, drawing and
// damaged data.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/GpPicture.h"
#include "controls/OwGDIP.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Ticks.h"

namespace {
std::string DataPath(const std::string& name) {
  return std::string(std::getenv("SK_TEST_DATA")) + "/gppicture/" + name;
}
std::string Bytes(TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}
} // namespace

TEST(GpPicture, StreamLoadReadsTheSizeAtOnceStoredDataDoesNot) {
  TMemoryStream png;
  png.LoadFromFile(DataPath("thumb-24x12.png"));
  TGpPicture loaded;
  int changes = 0;
  loaded.OnChange = [&](TGraphic*) { ++changes; };
  loaded.LoadFromStream(png);
  EXPECT_FALSE(loaded.Empty());
  EXPECT_EQ(loaded.Width(), 24);
  EXPECT_EQ(loaded.Height(), 12);
  EXPECT_EQ(changes, 1);

  png.SetPosition(0);
  TGpPicture stored;
  stored.ReadData(png);
  EXPECT_FALSE(stored.Empty());
  EXPECT_EQ(stored.Width(), 0);
  EXPECT_EQ(stored.Height(), 0);
  TBitmap target(30, 30);
  stored.Draw(target.Canvas(), TRect(0, 0, 30, 30));
  EXPECT_EQ(stored.Width(), 24);
}

TEST(GpPicture, SavingWritesExactlyTheLoadedBytes) {
  TMemoryStream png, saved, written;
  png.LoadFromFile(DataPath("thumb-24x12.png"));
  TGpPicture p;
  p.LoadFromFile(DataPath("thumb-24x12.png"));
  p.SaveToStream(saved);
  p.WriteData(written);
  EXPECT_EQ(Bytes(saved), Bytes(png));
  EXPECT_EQ(Bytes(written), Bytes(png));
}

TEST(GpPicture, AssigningNothingEmptiesWithChangeBeforeClear) {
  TGpPicture p;
  p.LoadFromFile(DataPath("green-2x2.gif"));
  std::vector<std::string> order;
  p.OnChange = [&](TGraphic*) { order.push_back("change"); };
  p.OnClear = [&](TGpPicture*) { order.push_back("clear"); };
  p.Assign(nullptr);
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(order, (std::vector<std::string>{"change", "clear"}));
  TMemoryStream out;
  p.SaveToStream(out);
  EXPECT_EQ(out.Size(), 0);
}

TEST(GpPicture, AssignFromPicturesAndBitmaps) {
  TGpPicture gif;
  gif.LoadFromFile(DataPath("green-2x2.gif"));
  TGpPicture copy;
  copy.Assign(&gif);
  EXPECT_EQ(copy.Width(), 2);
  auto bmp = FilledBitmap(5, 4, clRed);
  copy.Assign(bmp.get());
  EXPECT_FALSE(copy.Empty());
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_EQ(copy.Height(), 4);
  EXPECT_EQ(copy.Data().Memory()[0], 'B');
}

TEST(GpPicture, BitmapsAreDrawnUnscaledWithTheirCornerColourTransparent) {
  // A 4 x 4 bitmap: blue with a red bottom-left pixel (the transparent colour)
  // and a red pixel at (3, 0).
  auto bmp = FilledBitmap(4, 4, clBlue);
  bmp->Canvas()->SetPixels(0, 3, clRed);
  bmp->Canvas()->SetPixels(3, 0, clRed);
  TGpPicture p;
  p.Assign(bmp.get());
  auto target = FilledBitmap(20, 20, clWhite);
  p.Draw(target->Canvas(), TRect(2, 2, 18, 18));
  TCanvas* c = target->Canvas();
  EXPECT_EQ(c->Pixels(2, 2), clBlue);
  EXPECT_EQ(c->Pixels(5, 2), clWhite); // red = transparent
  EXPECT_EQ(c->Pixels(2, 5), clWhite);
  EXPECT_EQ(c->Pixels(6, 6), clWhite); // not stretched
  EXPECT_EQ(c->Pixels(1, 1), clWhite);

  // Other formats are stretched into the rectangle.
  TGpPicture png;
  png.LoadFromFile(DataPath("thumb-24x12.png"));
  auto wide = FilledBitmap(60, 30, clWhite);
  png.Draw(wide->Canvas(), TRect(0, 0, 48, 24));
  EXPECT_EQ(wide->Canvas()->Pixels(10, 20), clRed);
  EXPECT_EQ(wide->Canvas()->Pixels(40, 20), clBlue);
  EXPECT_EQ(wide->Canvas()->Pixels(50, 20), clWhite);
}

TEST(GpPicture, DamagedBytesGiveNoSizeAndDrawNothing) {
  for (const char* name : {"garbage.bin", "truncated.png", "huge-header.png", "huge-bitmap.bmp"}) {
    TGpPicture p;
    p.LoadFromFile(DataPath(name));
    EXPECT_FALSE(p.Empty()) << name;
    EXPECT_EQ(p.Width(), 0) << name;
    EXPECT_EQ(p.Height(), 0) << name;
    auto target = FilledBitmap(10, 10, clWhite);
    EXPECT_NO_THROW(p.Draw(target->Canvas(), TRect(0, 0, 10, 10))) << name;
    EXPECT_EQ(target->Canvas()->Pixels(5, 5), clWhite) << name;
  }
}

TEST(GpPicture, UnreadableFileLeavesThePictureEmpty) {
  TGpPicture p;
  bool cleared = false;
  p.OnClear = [&](TGpPicture*) { cleared = true; };
  p.LoadFromFile(DataPath("no-such-file.png"));
  EXPECT_TRUE(p.Empty());
  EXPECT_FALSE(cleared);
}

TEST(GpPicture, MemoryForTheDecodingCopyMayRunOut) {
  TGpPicture p;
  p.LoadFromFile(DataPath("green-2x2.gif"));
  TGpPicture::FailNextCopies(1);
  try {
    p.ReadSize();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Could not allocate memory for image");
  }
  EXPECT_TRUE(p.ReadSize());
}

TEST(GpPicture, RandomDamageNeverCrashes) {
  TMemoryStream png;
  png.LoadFromFile(DataPath("thumb-24x12.png"));
  const std::string good = Bytes(png);
  TRandomGenerator random(7);
  auto target = FilledBitmap(30, 30, clWhite);
  for (int round = 0; round < 400; ++round) {
    std::string bytes = good;
    const int flips = 1 + random.Next(8);
    for (int i = 0; i < flips; ++i)
      bytes[std::size_t(random.Next(int(bytes.size())))] = char(random.Next(256));
    if (random.Next(4) == 0) bytes.resize(std::size_t(random.Next(int(bytes.size()))));
    TStringStream s(bytes);
    TGpPicture p;
    p.LoadFromStream(s);
    p.Draw(target->Canvas(), TRect(0, 0, 30, 30));
    EXPECT_GE(p.Width(), 0);
  }
}
