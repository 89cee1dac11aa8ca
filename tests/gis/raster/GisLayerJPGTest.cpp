// The JPEG layer: the capture path (a JPEG with a lower-case .jgw in a
// viewer), rows against djpeg, world-file precedence, damaged files.
#include "platform/rtl/Strings.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Files.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

std::string WorldText(double sx, double sy, double x, double y) {
  return GisFloatToStr(sx) + "\n0\n0\n" + GisFloatToStr(sy) + "\n" + GisFloatToStr(x) + "\n" +
         GisFloatToStr(y) + "\n";
}

void ExpectExtent(const TGIS_Extent& e, double xmin, double ymin, double xmax, double ymax) {
  EXPECT_NEAR(e.XMin, xmin, 1e-9);
  EXPECT_NEAR(e.YMin, ymin, 1e-9);
  EXPECT_NEAR(e.XMax, xmax, 1e-9);
  EXPECT_NEAR(e.YMax, ymax, 1e-9);
}

} // namespace

TEST(LayerJPG, CapturePathPlacesAndDrawsTheImagePixelExactly) {
  TTempFolder dir;
  auto photo = MakePhoto(796, 613);
  const std::string jpg = dir.File("image1.jpg");
  SaveJpeg(*photo, jpg);
  const double tlx = 37123456, tly = 24876543.5;
  WriteFile(dir.File("image1.jgw"), WorldText(1, -1, tlx, tly));

  TRasterView view(796, 613);
  auto* layer = new TGIS_LayerJPG();
  layer->SetPath(jpg);
  view.Show(layer);
  ExpectExtent(layer->Extent(), tlx - 0.5, tly - 612.5, tlx + 795.5, tly + 0.5);
  EXPECT_EQ(layer->InfoText(), "JPEG File Interchange Format (JPG)\r\n796 x 613; 24 bit");
  EXPECT_EQ(layer->Capabilities() & 1, 1);

  // gdalinfo puts the corners at the same places
  if (HasTool("gdalinfo")) {
    const std::string info = RunTool("gdalinfo '" + jpg + "'");
    EXPECT_NE(info.find("Upper Left  (37123455.500,24876544.000)"), std::string::npos) << info;
  }

  std::vector<std::uint8_t> expected = LayerRows(*layer);
  layer->MakeDormant();
  TJPEGImage j;
  j.LoadFromFile(jpg);
  TBitmap decoded;
  decoded.Assign(&j.Bitmap());
  EXPECT_EQ(expected, RowsOf(decoded));
  NonBlack(expected);
  const std::vector<std::uint8_t> drawn = Render(view.Viewer(), 796, 613);
  ASSERT_EQ(drawn.size(), expected.size());
  std::size_t diff = 0;
  while (diff < drawn.size() && drawn[diff] == expected[diff])
    ++diff;
  EXPECT_EQ(diff, drawn.size()) << "first difference at pixel " << diff / 3 % 796 << ","
                                << diff / 3 / 796;
}

TEST(LayerJPG, RowsEqualDjpegForEverySamplingAndMode) {
  if (!HasTool("cjpeg") || !HasTool("djpeg")) GTEST_SKIP() << "cjpeg/djpeg missing";
  TTempFolder dir;
  struct Row {
    int w, h;
    std::string options;
    int bits;
  };
  const Row rows[] = {
      {17, 9, "-sample 2x2", 24},
      {17, 9, "-sample 2x1", 24},
      {17, 9, "-sample 1x1", 24},
      {33, 20, "-progressive -sample 2x2", 24},
      {1, 1, "", 24},
      {23, 11, "-grayscale", 24},
      {64, 48, "-optimize -sample 2x2", 24},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.options + " " + IntToStr(r.w) + "x" + IntToStr(r.h));
    auto photo = MakePhoto(r.w, r.h, 3);
    const std::string src = dir.File("src.bmp"), jpg = dir.File("t.jpg"), ref = dir.File("ref.bmp");
    photo->SaveToFile(src);
    RunTool("cjpeg -quality 85 " + r.options + " -outfile '" + jpg + "' '" + src + "'");
    const std::vector<std::uint8_t> oracle =
        OracleRows("djpeg -bmp -outfile '" + ref + "' '" + jpg + "'", ref);
    TGIS_LayerJPG layer;
    layer.SetPath(jpg);
    layer.Open();
    EXPECT_EQ(layer.BitsPerPixel(), r.bits);
    EXPECT_EQ(LayerRows(layer), oracle);
  }
}

TEST(LayerJPG, WorldFilePrecedenceAndCaseOfTheCompanionName) {
  TTempFolder dir;
  auto photo = MakePhoto(10, 5);
  const std::string jpg = dir.File("pic.jpg");
  SaveJpeg(*photo, jpg);
  auto open = [&] {
    auto layer = std::make_unique<TGIS_LayerJPG>();
    layer->SetPath(jpg);
    layer->Open();
    return layer;
  };
  // none: pixel size 1 around (0, 0)
  ExpectExtent(open()->Extent(), -0.5, -4.5, 9.5, 0.5);
  // .JGW alone
  WriteFile(dir.File("pic.JGW"), WorldText(2, -2, 100, 200));
  ExpectExtent(open()->Extent(), 99, 191, 119, 201);
  // .JFW beats .JGW
  WriteFile(dir.File("pic.JFW"), WorldText(1, -1, 10, 20));
  ExpectExtent(open()->Extent(), 9.5, 15.5, 19.5, 20.5);
  // a .JFW at the origin with a .JGW: the .JGW places it
  WriteFile(dir.File("pic.JFW"), WorldText(3, -3, 0, 0));
  ExpectExtent(open()->Extent(), 99, 191, 119, 201);
  // ... and without: the .JFW's georeference is kept, not lost
  std::filesystem::remove(dir.File("pic.JGW"));
  auto layer = open();
  ExpectExtent(layer->Extent(), -1.5, -13.5, 28.5, 1.5);
  EXPECT_DOUBLE_EQ(layer->PixelSizeX(), 3);
  std::filesystem::remove(dir.File("pic.JFW"));
  // exact name first, then the lower-case extension
  WriteFile(dir.File("pic.jgw"), WorldText(1, -1, 1000, 2000));
  ExpectExtent(open()->Extent(), 999.5, 1995.5, 1009.5, 2000.5);
  WriteFile(dir.File("pic.JGW"), WorldText(2, -2, 100, 200));
  ExpectExtent(open()->Extent(), 99, 191, 119, 201);
  std::filesystem::remove(dir.File("pic.JGW"));
  std::filesystem::remove(dir.File("pic.jgw"));
  WriteFile(dir.File("pic.Jgw"), WorldText(1, -1, 5, 5));
  ExpectExtent(open()->Extent(), 4.5, 0.5, 14.5, 5.5);
}

TEST(LayerJPG, DamagedFilesRaise0031WithThePath) {
  TTempFolder dir;
  auto photo = MakePhoto(40, 30);
  const std::string good = dir.File("good.jpg");
  SaveJpeg(*photo, good);
  const std::string bytes = ReadFile(good);
  struct Row {
    std::string name, bytes;
    bool failsAtOpen;
  };
  std::vector<Row> rows = {
      {"empty.jpg", "", true},
      {"header-cut.jpg", bytes.substr(0, 100), true},
      {"data-cut.jpg", bytes.substr(0, bytes.size() * 2 / 3), false},
      {"text.jpg", "hello world", true},
      {"missing.jpg", "-", true},
  };
  if (HasTool("convert")) {
    RunTool("convert -size 8x8 xc:red -colorspace CMYK '" + dir.File("cmyk-src.jpg") + "'");
    rows.push_back({"cmyk.jpg", ReadFile(dir.File("cmyk-src.jpg")), true});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path = dir.File(r.name);
    if (r.bytes != "-") WriteFile(path, r.bytes);
    TGIS_LayerJPG layer;
    layer.SetPath(path);
    try {
      layer.Open();
      ASSERT_FALSE(r.failsAtOpen);
      layer.WakeUp();
      FAIL() << "no error";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.ErrorNumber(), 3);
      // the reason follows the code
      const std::string head = "0031 Error during reading file \"" + path + "\" (code 0): ";
      EXPECT_EQ(std::string(e.Message()).substr(0, head.size()), head);
    }
  }
}

TEST(LayerJPG, FileDeletedAfterOpenSwitchesTheLayerOffAtThePaint) {
  TTempFolder dir;
  auto photo = MakePhoto(30, 20);
  const std::string jpg = dir.File("gone.jpg");
  SaveJpeg(*photo, jpg);
  TRasterView view(30, 20);
  auto* layer = new TGIS_LayerJPG();
  layer->SetPath(jpg);
  view.Show(layer);
  EXPECT_TRUE(layer->Active());
  layer->MakeDormant();
  std::filesystem::remove(jpg);
  TBitmap b(30, 20, pf24bit);
  EXPECT_THROW(view.Viewer().RenderToBitmap(&b), EGIS_Exception);
  EXPECT_FALSE(layer->Active());
}

TEST(LayerJPG, OpenTimeIsTheFileTimeAndTheLayerIsDormantAfterOpen) {
  TTempFolder dir;
  auto photo = MakePhoto(8, 8);
  const std::string jpg = dir.File("t.jpeg");
  SaveJpeg(*photo, jpg);
  TGIS_LayerJPG layer;
  layer.SetPath(jpg);
  layer.Open();
  EXPECT_DOUBLE_EQ(layer.OpenTime(), FileAge(jpg));
  EXPECT_EQ(layer.DecodedBitmap(), nullptr);
  layer.WakeUp();
  TBitmap* first = layer.DecodedBitmap();
  ASSERT_NE(first, nullptr);
  layer.WakeUp();
  EXPECT_EQ(layer.DecodedBitmap(), first) << "one decode per wake-up";
  layer.MakeDormant();
  EXPECT_EQ(layer.DecodedBitmap(), nullptr);
}

TEST(LayerJPG, EightBitScreensGiveGreyLevelsThroughAGreyPalette) {
  if (!HasTool("djpeg")) GTEST_SKIP() << "djpeg missing";
  TTempFolder dir;
  auto photo = MakePhoto(23, 7);
  const std::string jpg = dir.File("g.jpg"), ref = dir.File("g.bmp");
  SaveJpeg(*photo, jpg);
  auto saved = JpegScreenBitsHook();
  JpegScreenBitsHook() = [] { return 8; };
  TGIS_LayerJPG layer;
  layer.SetPath(jpg);
  layer.Open();
  JpegScreenBitsHook() = saved;
  EXPECT_EQ(layer.BitsPerPixel(), 8);
  EXPECT_EQ(layer.OutBitsPerPixel(), 24);
  EXPECT_EQ(layer.InfoText(), "JPEG File Interchange Format (JPG)\r\n23 x 7; 8 bit");
  std::vector<std::uint8_t> expected =
      OracleRows("djpeg -grayscale -bmp -outfile '" + ref + "' '" + jpg + "'", ref);
  NonBlack(expected);
  EXPECT_EQ(LayerRows(layer), expected);
}
