// The stored samples of each picture format (a good and a damaged one), and
// short runs of random mutations of the good ones through the layers: every
// outcome is either a layer that reads its rows or an EGIS_Exception.
// SK_FUZZ_ITERATIONS raises the number of mutations per format.
#include <functional>
#include <cstdlib>
#include <cstring>
#include <random>

#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerADF.h"
#include "gis/raster/GisLayerBMP.h"
#include "gis/raster/GisLayerIMG.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/raster/GisLayerPNG.h"
#include "gis/raster/GisLayerTIFF.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

std::string Sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/" + name;
}

template <class TLayer> std::unique_ptr<TLayer> OpenLayer(const std::string& path) {
  auto layer = std::make_unique<TLayer>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

/// Opens the file and reads every row; false when it raised the kernel's error.
template <class TLayer> bool OpensAndReads(const std::string& path) {
  try {
    auto layer = OpenLayer<TLayer>(path);
    LayerRows(*layer);
    return true;
  } catch (const EGIS_Exception&) {
    return false;
  }
}

std::string Mutate(std::string s, std::mt19937& rng) {
  const int kind = int(rng() % 4);
  if (s.empty()) return s;
  switch (kind) {
  case 0: // flip some bits
    for (int i = 0, n = 1 + int(rng() % 4); i < n; ++i)
      s[rng() % s.size()] = char(s[rng() % s.size()] ^ (1 << (rng() % 8)));
    break;
  case 1: // set bytes to telling values
    for (int i = 0, n = 1 + int(rng() % 3); i < n; ++i) {
      const char values[] = {0, char(0xFF), char(0x7F), char(0x80), 1};
      s[rng() % s.size()] = values[rng() % 5];
    }
    break;
  case 2: // cut
    s.resize(rng() % s.size());
    break;
  default: // a 32-bit field in the header area overwritten
    if (s.size() > 8) {
      const std::size_t at = rng() % std::min<std::size_t>(s.size() - 4, 128);
      const std::uint32_t v = rng() % 2 ? 0xFFFFFFFFu : rng();
      std::memcpy(&s[at], &v, 4);
    }
  }
  return s;
}

int Iterations() {
  const char* v = std::getenv("SK_FUZZ_ITERATIONS");
  return v != nullptr ? std::atoi(v) : 150;
}

template <class TLayer>
void Fuzz(const std::string& sample, const std::string& ext, std::uint32_t seed) {
  TTempFolder dir;
  const std::string good = ReadFile(Sample(sample));
  ASSERT_FALSE(good.empty()) << sample;
  std::mt19937 rng(seed);
  const std::string path = dir.File("f" + ext);
  for (int i = 0; i < Iterations(); ++i) {
    const std::string bytes = Mutate(good, rng);
    WriteFile(path, bytes);
    OpensAndReads<TLayer>(path);
  }
}

} // namespace

TEST(Samples, GoodFilesOpenAndDamagedOnesRaise0031) {
  auto jpg = OpenLayer<TGIS_LayerJPG>(Sample("jpeg/good.jpg"));
  EXPECT_EQ(jpg->Width(), 17);
  EXPECT_DOUBLE_EQ(jpg->Extent().XMin, 99);
  EXPECT_EQ(LayerRows(*jpg).size(), 17u * 9 * 3);
  auto bmp = OpenLayer<TGIS_LayerBMP>(Sample("bmp/good-4bit.bmp"));
  EXPECT_EQ(bmp->BitsPerPixel(), 4);
  EXPECT_DOUBLE_EQ(bmp->Extent().XMin, 0);
  EXPECT_TRUE(OpensAndReads<TGIS_LayerBMP>(Sample("bmp/good-v5-24bit.bmp")));
  auto png = OpenLayer<TGIS_LayerPNG>(Sample("png/good.png"));
  EXPECT_EQ(png->Height(), 9);
  EXPECT_DOUBLE_EQ(png->Extent().XMin, -0.5) << "a .PGW at the origin";
  for (const char* name : {"jpeg/damaged-cut.jpg", "jpeg/damaged-huge-header.jpg"})
    EXPECT_FALSE(OpensAndReads<TGIS_LayerJPG>(Sample(name))) << name;
  for (const char* name :
       {"bmp/damaged-offset.bmp", "bmp/damaged-16bit.bmp", "bmp/damaged-cut.bmp"})
    EXPECT_FALSE(OpensAndReads<TGIS_LayerBMP>(Sample(name))) << name;
  EXPECT_FALSE(OpensAndReads<TGIS_LayerPNG>(Sample("png/damaged-idat.png")));
}

// A picture too large for the whole-picture decode fails with its reason in
// the error, whichever picture layer opens it.
TEST(Samples, PicturesTooLargeToDecodeSayWhy) {
  struct Row {
    const char* sample;
    std::function<void(const std::string&)> open;
  } rows[] = {
      {"jpeg/damaged-too-large.jpg", [](const std::string& p) { OpenLayer<TGIS_LayerJPG>(p); }},
      {"png/damaged-too-large.png", [](const std::string& p) { OpenLayer<TGIS_LayerPNG>(p); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.sample);
    try {
      r.open(Sample(r.sample));
      ADD_FAILURE() << "opened";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.ErrorNumber(), 3);
      EXPECT_EQ(e.Message().substr(0, 4), "0031");
      EXPECT_NE(e.Message().find("image of 20000 × 20000 pixels is larger than the 268435456 pixels"),
                std::string::npos)
          << e.Message();
    }
  }
}

TEST(Fuzz, MutatedBitmapsJpegsAndPngs) {
  Fuzz<TGIS_LayerBMP>("bmp/good-4bit.bmp", ".bmp", 1);
  Fuzz<TGIS_LayerBMP>("bmp/good-v5-24bit.bmp", ".bmp", 2);
  Fuzz<TGIS_LayerJPG>("jpeg/good.jpg", ".jpg", 3);
  Fuzz<TGIS_LayerPNG>("png/good.png", ".png", 4);
}

TEST(Fuzz, MutatedWorldFiles) {
  TTempFolder dir;
  const std::string good = ReadFile(Sample("jpeg/good.jgw"));
  std::filesystem::copy_file(Sample("jpeg/good.jpg"), dir.File("w.jpg"));
  std::mt19937 rng(5);
  for (int i = 0; i < Iterations() * 4; ++i) {
    WriteFile(dir.File("w.jgw"), Mutate(good, rng));
    auto layer = OpenLayer<TGIS_LayerJPG>(dir.File("w.jpg"));
    const TGIS_Extent e = layer->Extent();
    (void)e;
  }
}

TEST(Samples, TiffAndArcGridSamples) {
  auto lzw = OpenLayer<TGIS_LayerTIFF>(Sample("tiff/good-lzw.tif"));
  EXPECT_EQ(lzw->Width(), 24);
  EXPECT_EQ(LayerRows(*lzw).size(), 24u * 16 * 3);
  auto grid = OpenLayer<TGIS_LayerTIFF>(Sample("tiff/good-grid-geo.tif"));
  EXPECT_TRUE(grid->IsGridData());
  EXPECT_DOUBLE_EQ(grid->Extent().XMin, 100);
  EXPECT_FALSE(OpensAndReads<TGIS_LayerTIFF>(Sample("tiff/damaged-cut.tif")));
  auto adf = OpenLayer<TGIS_LayerADF>(Sample("adf/good/hdr.adf"));
  EXPECT_EQ(adf->Width(), 13);
  EXPECT_EQ(LayerRows(*adf).size(), 13u * 7 * 3);
  EXPECT_FALSE(OpensAndReads<TGIS_LayerADF>(Sample("adf/damaged/hdr.adf")));
  auto img = OpenLayer<TGIS_LayerIMG>(Sample("img/good-rgb.img"));
  EXPECT_EQ(img->BandCount(), 3);
  EXPECT_EQ(LayerRows(*img).size(), 20u * 12 * 3);
  EXPECT_FALSE(OpensAndReads<TGIS_LayerIMG>(Sample("img/damaged-cut.img")));
}

TEST(Fuzz, MutatedTiffsAndImagineFiles) {
  Fuzz<TGIS_LayerTIFF>("tiff/good-lzw.tif", ".tif", 6);
  Fuzz<TGIS_LayerTIFF>("tiff/good-grid-geo.tif", ".tif", 7);
  Fuzz<TGIS_LayerIMG>("img/good-rgb.img", ".img", 8);
}
