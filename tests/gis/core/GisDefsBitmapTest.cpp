#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsBitmap.h"
#include "gis/core/GisKeywords.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// A picture whose size is the file's first two bytes; "BAD" files fail.
class FakePicture : public TGIS_BitmapPicture {
public:
  FakePicture(int w, int h) : w_(w), h_(h) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }

private:
  int w_, h_;
};

class GisBitmap : public GisCoreTest {
protected:
  void SetUp() override {
    GisCoreTest::SetUp();
    temp_ = std::make_unique<sktest::TTempDir>("gis-bitmap");
    dir_ = temp_->Path();
    Write("a.bmp", "\x03\x04");
    Write("bad.bmp", "BAD");
    GisSetBitmapLoaders(
        [this](const std::string& path) {
          ++loads;
          std::ifstream in(path, std::ios::binary);
          std::string data((std::istreambuf_iterator<char>(in)), {});
          if (data == "BAD") throw EInvalidGraphic("bad picture");
          return std::make_shared<FakePicture>(data[0], data[1]);
        },
        [](TStream&) { return std::make_shared<FakePicture>(9, 9); },
        [](const std::string& format, const std::vector<std::uint8_t>& data) {
          if (format != "image/bmp") throw EInvalidGraphic("not a picture format");
          return std::make_shared<FakePicture>(static_cast<int>(data.size()), 1);
        });
  }
  void TearDown() override {
    GisSetBitmapLoaders(nullptr, nullptr);
    temp_.reset();
    GisCoreTest::TearDown();
  }
  void Write(const std::string& name, const std::string& data) {
    std::ofstream(dir_ / name, std::ios::binary) << data;
  }
  std::string Dir() const { return dir_.string(); }
  int loads = 0;

private:
  std::unique_ptr<sktest::TTempDir> temp_;
  fs::path dir_;
};

TEST_F(GisBitmap, LoadRemembersTheAbsolutePath) {
  ASSERT_TRUE(SetCurrentDir(Dir()));
  TGIS_Bitmap b;
  EXPECT_TRUE(b.Empty());
  b.LoadFromFile("a.bmp");
  EXPECT_EQ(b.Path(), Dir() + "/a.bmp");
  EXPECT_EQ(b.Picture()->Width(), 3);

  TGIS_Bitmap copy;
  copy.Assign(&b);
  EXPECT_EQ(copy.Path(), b.Path());
  EXPECT_EQ(copy.Picture(), b.Picture());

  TMemoryStream stream;
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.Path(), "");
  EXPECT_EQ(copy.Picture()->Width(), 9);

  copy.LoadFromFile("a.bmp");
  copy.LoadFromClipboardFormat("image/bmp", {1, 2, 3, 4, 5});
  EXPECT_EQ(copy.Path(), "");
  EXPECT_EQ(copy.Picture()->Width(), 5);
  EXPECT_THROW(copy.LoadFromClipboardFormat("text/plain", {1}), EInvalidGraphic);
  EXPECT_EQ(copy.Picture()->Width(), 5);

  // Failures leave the bitmap as it was.
  EXPECT_THROW(b.LoadFromFile("missing.bmp"), EFOpenError);
  EXPECT_THROW(b.LoadFromFile("bad.bmp"), EInvalidGraphic);
  EXPECT_EQ(b.Path(), Dir() + "/a.bmp");
  GisSetBitmapLoaders(nullptr, nullptr);
  EXPECT_THROW(b.LoadFromFile("a.bmp"), EInvalidGraphic);
  EXPECT_THROW(b.LoadFromClipboardFormat("image/bmp", {1}), EInvalidGraphic);
  EXPECT_EQ(b.Path(), Dir() + "/a.bmp");

  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Path(), "");
}

TEST_F(GisBitmap, StrToBitmapGivesANewBitmapOrACopyOfTheDefault) {
  TGIS_Bitmap def;
  def.LoadFromFile(Dir() + "/a.bmp");

  auto fromFile = GisStrToBitmap(Dir() + "/a.bmp", &def);
  ASSERT_NE(fromFile, nullptr);
  EXPECT_NE(fromFile.get(), &def);
  EXPECT_EQ(fromFile->Path(), Dir() + "/a.bmp");
  EXPECT_EQ(loads, 2);

  for (const std::string text : {"nil", "", "bad.bmp", "missing.bmp"}) {
    auto b = GisStrToBitmap(text == "bad.bmp" ? Dir() + "/bad.bmp" : text, &def);
    ASSERT_NE(b, nullptr) << text;
    EXPECT_NE(b.get(), &def) << text;
    EXPECT_EQ(b->Path(), def.Path()) << text;
  }
  EXPECT_EQ(GisStrToBitmap("nil", nullptr), nullptr);
  EXPECT_EQ(GisStrToBitmap(Dir() + "/bad.bmp", nullptr), nullptr);
}

TEST_F(GisBitmap, PixelCapabilities) {
  const TGIS_PixelCapabilities caps[] = {{pf24bit, 1, 0, false},
                                         {pf8bit, 1, 1, true},
                                         {pf24bit, 2, 100, false},
                                         {pf8bit, 2, 101, false},
                                         {pf1bit, 2, 102, false}};
  EXPECT_EQ(caps[1].PixelFormat, pf8bit);
  EXPECT_EQ(caps[1].CompressionClass, 1);
  EXPECT_EQ(caps[1].Identifier, 1);
  EXPECT_TRUE(caps[1].Flag);
  EXPECT_EQ(caps[4].PixelFormat, pf1bit);
  EXPECT_EQ(caps[4].Identifier, 102);
}

} // namespace
