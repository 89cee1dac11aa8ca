// The MrSID and ECW layers over this platform's decoder adapters: lossless
// JPEG 2000 files made by GDAL, read back at full and reduced resolution
// against the source and OpenJPEG's own decoder.
#include "tests/gis/raster/Jp2TestSupport.h"

#include "gis/core/GisResource.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"

#include <filesystem>

namespace jp2real {

using jp2test::TDecoderTest;

struct TSource {
  int W = 0, H = 0;
  std::vector<std::uint8_t> Bgr; // top row first
};

TSource MakeSourcePpm(const std::string& path, int w, int h) {
  TSource s{w, h, {}};
  auto photo = MakePhoto(w, h, 11);
  s.Bgr = RowsOf(*photo);
  std::vector<std::uint8_t> rgb(s.Bgr.size());
  for (std::size_t i = 0; i + 2 < s.Bgr.size(); i += 3)
    rgb[i] = s.Bgr[i + 2], rgb[i + 1] = s.Bgr[i + 1], rgb[i + 2] = s.Bgr[i];
  jp2test::WritePpm(path, w, h, rgb);
  return s;
}

std::string Lossless(const std::string& src, const std::string& dst, const std::string& extra = "") {
  RunTool("gdal_translate -q -of JP2OpenJPEG -co REVERSIBLE=YES -co QUALITY=100 -co RESOLUTIONS=6 " +
          extra + " " + src + " " + dst);
  return dst;
}

/// The rows of `layer` at the current level: `w` x `h` pixels.
std::vector<std::uint8_t> RowsAt(TGIS_LayerPixel& layer, int w, int h) {
  std::vector<std::uint8_t> out, row(std::size_t(w) * 3 + 4);
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(layer.ReadLine(row.data(), y, w * 3, 0), w * 3) << "row " << y;
    out.insert(out.end(), row.begin(), row.begin() + w * 3);
  }
  return out;
}

class LayerJp2 : public TDecoderTest {
protected:
  void SetUp() override {
    if (!HasTool("gdal_translate") || !HasTool("opj_decompress")) GTEST_SKIP() << "no GDAL/OpenJPEG tools";
    UseLibraries(jp2test::kAdapters);
  }
};

TEST_F(LayerJp2, LosslessFilesEqualTheirSourceAtEveryLevel) {
  TTempFolder dir;
  const int w = 240, h = 180;
  const TSource src = MakeSourcePpm(dir.File("src.ppm"), w, h);
  const std::string jp2 = Lossless(dir.File("src.ppm"), dir.File("a.jp2"));
  {
    TGIS_LayerMrSID sid;
    sid.SetPath(jp2);
    sid.Open();
    EXPECT_EQ(sid.Width(), w);
    EXPECT_EQ(sid.Height(), h);
    EXPECT_EQ(sid.ColorSpace(), 3);
    EXPECT_EQ(sid.DataType(), 1);
    EXPECT_EQ(sid.MaxZoomLevel(), 5);
    EXPECT_NE(sid.InfoText().find("JPEG 2000 File Format\r\n240 x 180; 24 bit"), std::string::npos);
    EXPECT_EQ(sid.GetOverviewScale(w, w), 1.0);
    EXPECT_TRUE(RowsAt(sid, w, h) == src.Bgr) << "full resolution differs from the source";
    // reduced levels are what OpenJPEG itself decodes there
    for (int level : {1, 2, 3}) {
      RunTool("opj_decompress -i " + jp2 + " -o " + dir.File("r.ppm") + " -r " + IntToStr(level));
      int rw = 0, rh = 0;
      const auto expected = jp2test::ReadPnmAsBgr(dir.File("r.ppm"), rw, rh);
      ASSERT_FALSE(expected.empty());
      EXPECT_DOUBLE_EQ(sid.GetOverviewScale(w, w >> level), 1.0 / (1 << level));
      EXPECT_EQ(sid.ResolutionFactor(), 1 << level);
      EXPECT_TRUE(RowsAt(sid, rw, rh) == expected) << "level " << level;
    }
  }
  {
    // the ECW layer over the same file: exact at full size, and the
    // documented nearest sampling at half size
    TGIS_LayerECW ecw;
    ecw.SetPath(jp2);
    ecw.Open();
    EXPECT_EQ(ecw.Width(), w);
    EXPECT_EQ(ecw.BandsUsed(), 3);
    EXPECT_EQ(ecw.GetOverviewScale(w, w), 1.0);
    EXPECT_TRUE(RowsAt(ecw, w, h) == src.Bgr);
    EXPECT_EQ(ecw.GetOverviewScale(w, w / 2), 0.5);
    const int ow = w / 2, oh = h / 2;
    const auto half = RowsAt(ecw, ow, oh);
    int wrong = 0;
    const int span = 2 * (ow - 1) + 1; // columns 0 .. trunc((ow - 1) / 0.5)
    for (int j = 0; j < oh && wrong < 5; ++j)
      for (int i = 0; i < ow && wrong < 5; ++i) {
        const int x = (2 * i + 1) * span / (2 * ow), y = (2 * j + 1) * h / (2 * oh);
        for (int k = 0; k < 3; ++k)
          if (half[std::size_t((j * ow + i) * 3 + k)] != src.Bgr[std::size_t((y * w + x) * 3 + k)]) {
            ADD_FAILURE() << "pixel " << i << "," << j;
            ++wrong;
            break;
          }
      }
  }
}

TEST_F(LayerJp2, CodestreamsGridsAndWorldFiles) {
  TTempFolder dir;
  const int w = 64, h = 48;
  const TSource src = MakeSourcePpm(dir.File("src.ppm"), w, h);
  // a bare codestream, placed by its ".JKW" world file
  Lossless(dir.File("src.ppm"), dir.File("b.j2k"), "-co CODEC=J2K");
  WriteFile(dir.File("b.jkw"), "2\n0\n0\n-3\n1001\n2001\n");
  TGIS_LayerMrSID j2k;
  j2k.SetPath(dir.File("b.j2k"));
  j2k.Open();
  EXPECT_TRUE(RowsAt(j2k, w, h) == src.Bgr);
  EXPECT_DOUBLE_EQ(j2k.Extent().XMin, 1000);
  EXPECT_DOUBLE_EQ(j2k.Extent().YMax, 2002.5);
  EXPECT_DOUBLE_EQ(j2k.Extent().XMax, 1000 + 2 * w);
  // without one the library's origin (0, 0) and resolution 1 place it
  Lossless(dir.File("src.ppm"), dir.File("c.j2c"), "-co CODEC=J2K");
  TGIS_LayerMrSID bare;
  bare.SetPath(dir.File("c.j2c"));
  bare.Open();
  EXPECT_DOUBLE_EQ(bare.Extent().XMax - bare.Extent().XMin, w);
  EXPECT_DOUBLE_EQ(bare.Extent().YMax - bare.Extent().YMin, h);
  // an unsigned 16-bit grid: samples as they were written
  std::string pgm = "P5\n" + IntToStr(w) + " " + IntToStr(h) + "\n65535\n";
  std::vector<int> values;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = (x * 397 + y * 1013) % 65536;
      values.push_back(v);
      pgm += char(v >> 8);
      pgm += char(v & 0xFF);
    }
  WriteFile(dir.File("g.pgm"), pgm);
  Lossless(dir.File("g.pgm"), dir.File("g.jp2"), "-ot UInt16");
  TGIS_LayerMrSID grid;
  grid.SetPath(dir.File("g.jp2"));
  grid.Open();
  EXPECT_TRUE(grid.IsGridSource());
  EXPECT_EQ(grid.DataType(), 3);
  std::vector<float> row(static_cast<std::size_t>(w));
  int wrong = 0;
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(grid.ReadGridLine(row, y, w, 0), w);
    for (int x = 0; x < w; ++x)
      if (row[std::size_t(x)] != float(values[std::size_t(y * w + x)])) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(LayerJp2, ImagesTheAdaptersCannotDecodeAndTheFactoryRows) {
  TTempFolder dir;
  WriteFile(dir.File("x.sid"), "msid\x01 not a picture this adapter can decode");
  WriteFile(dir.File("x.ecw"), std::string("\x00\x01\x02 an ECW stream", 17));
  TGIS_LayerMrSID sid;
  sid.SetPath(dir.File("x.sid"));
  try {
    sid.Open();
    ADD_FAILURE() << ".sid opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 3);
    EXPECT_EQ(e.ErrorText(), dir.File("x.sid"));
  }
  TGIS_LayerECW ecw;
  ecw.SetPath(dir.File("x.ecw"));
  try {
    ecw.Open();
    ADD_FAILURE() << ".ecw opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(std::string(e.what()).find("x.ecw"), std::string::npos) << e.what();
  }
  GisRasterRegisterLayers();
  struct TRoute {
    const char* File;
    bool (*Is)(TGIS_LayerAbstract*);
  } routes[] = {
      {"a.jp2", [](TGIS_LayerAbstract* l) { return dynamic_cast<TGIS_LayerMrSID*>(l) != nullptr; }},
      {"a.sid", [](TGIS_LayerAbstract* l) { return dynamic_cast<TGIS_LayerMrSID*>(l) != nullptr; }},
      {"a.ecw", [](TGIS_LayerAbstract* l) { return dynamic_cast<TGIS_LayerECW*>(l) != nullptr; }},
  };
  for (const TRoute& r : routes) {
    auto layer = GisCreateLayer("r", dir.File(r.File));
    EXPECT_TRUE(layer && r.Is(layer.get())) << r.File;
  }
}

// A dormant JPEG 2000 layer frees its image and buffer; drawn again it shows
// the same picture.
TEST_F(LayerJp2, DrawsTheSameAfterGoingDormant) {
  TTempFolder dir;
  MakeSourcePpm(dir.File("src.ppm"), 96, 64);
  Lossless(dir.File("src.ppm"), dir.File("d.jp2"));
  auto* sid = new TGIS_LayerMrSID;
  sid->SetPath(dir.File("d.jp2"));
  sid->Open();
  ExpectSameDrawAfterDormancy(sid);
  auto* ecw = new TGIS_LayerECW;
  ecw->SetPath(dir.File("d.jp2"));
  ecw->Open();
  ExpectSameDrawAfterDormancy(ecw);
}

} // namespace jp2real

namespace jp2real {

std::string Jp2Sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/jp2/" + name;
}

/// The stored samples: a lossless JP2 of a photo-like picture and the same
/// cut short. SK_WRITE_JP2_SAMPLES=<source folder> makes them (and the fuzz
/// seeds) again.
TEST_F(LayerJp2, StoredSamples) {
  TTempFolder dir;
  const TSource src = MakeSourcePpm(dir.File("src.ppm"), 32, 24);
  if (const char* out = std::getenv("SK_WRITE_JP2_SAMPLES")) {
    const std::filesystem::path root(out);
    std::filesystem::create_directories(root / "tests/data/jp2");
    std::filesystem::create_directories(root / "fuzz/corpus/jp2_adapter");
    Lossless(dir.File("src.ppm"), (root / "tests/data/jp2/good.jp2").string());
    const std::string good = ReadFile((root / "tests/data/jp2/good.jp2").string());
    WriteFile((root / "tests/data/jp2/damaged-cut.jp2").string(), good.substr(0, good.size() / 2));
    Lossless(dir.File("src.ppm"), dir.File("s.j2k"), "-co CODEC=J2K");
    WriteFile((root / "fuzz/corpus/jp2_adapter/good.jp2").string(), good);
    WriteFile((root / "fuzz/corpus/jp2_adapter/damaged-cut.jp2").string(), good.substr(0, good.size() / 2));
    WriteFile((root / "fuzz/corpus/jp2_adapter/good.j2k").string(), ReadFile(dir.File("s.j2k")));
  }
  TGIS_LayerMrSID good;
  good.SetPath(Jp2Sample("good.jp2"));
  good.Open();
  good.GetOverviewScale(32, 32);
  EXPECT_TRUE(RowsAt(good, 32, 24) == src.Bgr);
  // a file cut short opens (its header is whole) but its rows fail cleanly
  TGIS_LayerMrSID damaged;
  damaged.SetPath(Jp2Sample("damaged-cut.jp2"));
  try {
    damaged.Open();
    damaged.GetOverviewScale(32, 32);
    std::vector<std::uint8_t> row(32 * 3);
    for (int y = 0; y < 24; ++y)
      damaged.ReadLine(row.data(), y, 96, 0);
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(std::string(e.what()).find("damaged-cut.jp2"), std::string::npos);
  }
}

} // namespace jp2real
