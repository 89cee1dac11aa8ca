// The raster layers' factory rows and the ".tab" route: a picture opens
// through its extension, a raster ".tab" opens the image it names with its
// registration, and the capture file "image1.jpg" gives a JPEG layer.
#include <gtest/gtest.h>

#include "gis/formats/GisFileTAB.h"
#include "gis/raster/GisLayerBMP.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/raster/GisLayerPNG.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "tests/gis/raster/RasterTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

struct RegisteredRasterRows {
  RegisteredRasterRows() {
    GisRasterRegisterLayers();
    GisRegisterRasterRegistration();
  }
};

} // namespace

TEST(LayerFactoryRows, PicturesOpenThroughTheirExtensions) {
  RegisteredRasterRows rows;
  sktest::TTempDir dir("factory-rows");
  auto photo = MakePhoto(8, 4);
  SaveJpeg(*photo, dir / "image1.jpg");
  photo->SaveToFile(dir / "pic.bmp");

  struct Row {
    const char* file;
    const char* className;
  };
  const Row table[] = {{"image1.jpg", "TGIS_LayerJPG"}, {"IMAGE1.JPG", "TGIS_LayerJPG"},
                       {"pic.bmp", "TGIS_LayerBMP"}, {"pic.png", "TGIS_LayerPNG"}};
  for (const Row& r : table) {
    SCOPED_TRACE(r.file);
    EXPECT_TRUE(TGIS_RegistredLayers::IsRegistered(r.className));
    auto layer = GisCreateLayer(r.file, dir / r.file);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Name(), r.file);
    if (std::string(r.className) == "TGIS_LayerJPG") {
      EXPECT_NE(dynamic_cast<TGIS_LayerJPG*>(layer.get()), nullptr);
    }
    if (std::string(r.className) == "TGIS_LayerBMP") {
      EXPECT_NE(dynamic_cast<TGIS_LayerBMP*>(layer.get()), nullptr);
    }
    if (std::string(r.className) == "TGIS_LayerPNG") {
      EXPECT_NE(dynamic_cast<TGIS_LayerPNG*>(layer.get()), nullptr);
    }
  }
  EXPECT_EQ(GisCreateLayer("x", dir / "x.unknown"), nullptr);
}

TEST(LayerFactoryRows, ARasterTableOpensTheImageItNamesWithItsRegistration) {
  RegisteredRasterRows rows;
  sktest::TTempDir dir("factory-tab");
  auto photo = MakePhoto(1000, 500);
  photo->SaveToFile(dir / "pic.bmp");
  dir.Write("pic.tab",
            "!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\n"
            "  File \"pic.bmp\"\r\n  Type \"RASTER\"\r\n"
            "  (100,200) (0,0) Label \"Pt 1\",\r\n"
            "  (300,200) (1000,0) Label \"Pt 2\",\r\n"
            "  (300,100) (1000,500) Label \"Pt 3\"\r\n");

  auto layer = GisCreateLayer("pic", dir / "pic.tab");
  ASSERT_NE(layer, nullptr);
  auto* bmp = dynamic_cast<TGIS_LayerBMP*>(layer.get());
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->TabPath(), dir / "pic.tab");
  bmp->Open();
  const TGIS_Extent e = bmp->Extent();
  EXPECT_DOUBLE_EQ(e.XMin, 100);
  EXPECT_DOUBLE_EQ(e.YMin, 100);
  EXPECT_DOUBLE_EQ(e.XMax, 300);
  EXPECT_DOUBLE_EQ(e.YMax, 200);
}
