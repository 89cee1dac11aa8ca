// Style bitmaps: the drawing pictures behind them and the loaders the
// drawing layer installs while the kernel runs.
#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/support/TempDir.h"

namespace {

/// A picture of the kernel's kind that this module did not make.
class TForeignPicture : public TGIS_BitmapPicture {
public:
  int Width() const override { return 3; }
  int Height() const override { return 3; }
};

} // namespace

TEST(GisStyleBitmap, LoadedFilesAndStreamsGiveDrawingBitmaps) {
  GisKernelInit();
  GisStyleBitmapsRegisterUnit();
  sktest::TTempDir dir{"stylebitmap"};
  TBitmap source(7, 5, pf24bit);
  std::uint8_t* corner = source.ScanLine(0);
  corner[0] = 0x30, corner[1] = 0x20, corner[2] = 0x10;
  const std::string path = dir / "tile.bmp";
  source.SaveToFile(path);

  TGIS_Bitmap fromFile;
  fromFile.LoadFromFile(path);
  TBitmap* drawing = GisStyleBitmap(&fromFile);
  ASSERT_NE(drawing, nullptr);
  EXPECT_EQ(drawing->Width(), 7);
  EXPECT_EQ(drawing->Height(), 5);
  drawing->SetPixelFormat(pf24bit);
  EXPECT_EQ(drawing->ScanLine(0)[2], 0x10);
  EXPECT_EQ(fromFile.Path(), path);

  TMemoryStream stream;
  source.SaveToStream(stream);
  stream.SetPosition(0);
  TGIS_Bitmap fromStream;
  fromStream.LoadFromStream(stream);
  ASSERT_NE(GisStyleBitmap(&fromStream), nullptr);
  EXPECT_EQ(GisStyleBitmap(&fromStream)->Width(), 7);

  // A copy shares the picture; nothing, an empty bitmap or a foreign
  // picture give no drawing bitmap.
  TGIS_Bitmap copy;
  copy.Assign(&fromFile);
  EXPECT_EQ(GisStyleBitmap(&copy), drawing);
  EXPECT_EQ(GisStyleBitmap(nullptr), nullptr);
  TGIS_Bitmap empty;
  EXPECT_EQ(GisStyleBitmap(&empty), nullptr);
  TGIS_Bitmap foreign;
  foreign.SetPicture(std::make_shared<TForeignPicture>());
  EXPECT_EQ(GisStyleBitmap(&foreign), nullptr);

  // A damaged file raises and leaves the bitmap as it was.
  const std::string bad = dir / "bad.bmp";
  {
    TFileStream out(bad, fmCreate);
    out.WriteBuffer("BMnot a bitmap", 14);
  }
  EXPECT_THROW(fromFile.LoadFromFile(bad), Exception);
  EXPECT_EQ(GisStyleBitmap(&fromFile), drawing);
}
