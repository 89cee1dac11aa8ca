// The CADRG/CIB decoder and layer over product sets written by the test's
// RPF writer (RpfTestWriter.h): frames in both byte orders, plain and
// NITF-wrapped tables of contents, palettes of 216 and 217 colours, masks,
// several scales, the frame slots, and damage.
#include "tests/gis/raster/RpfTestWriter.h"

#include <filesystem>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerCADRG.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/StringList.h"

namespace cadrgtest {

using rpftest::TRpfFrameRef;
using rpftest::TRpfFrameSpec;
using rpftest::TRpfRect;

/// Compares `n` pixels of a decoded row with the frame's tables; the
/// mismatches (at most a few are reported).
int RowMismatches(const TRpfFrameSpec& f, const std::uint8_t* row, int y, int first, int n) {
  int wrong = 0;
  for (int i = 0; i < n; ++i) {
    const auto want = f.Pixel(first + i, y);
    if (row[3 * i] != want[0] || row[3 * i + 1] != want[1] || row[3 * i + 2] != want[2]) {
      if (++wrong <= 3)
        ADD_FAILURE() << "pixel " << first + i << "," << y << ": " << int(row[3 * i]) << " "
                      << int(row[3 * i + 1]) << " " << int(row[3 * i + 2]) << " instead of "
                      << int(want[0]) << " " << int(want[1]) << " " << int(want[2]);
    }
  }
  return wrong;
}

struct TProductSet {
  std::string Toc;
};

/// One rectangle of frames (`ns` x `ew`), each frame of spec `spec(row, col)`.
template <class TSpec>
TProductSet WriteSet(const TTempFolder& dir, bool big, bool nitf, int ns, int ew, TSpec spec,
                     const std::string& path = "./RPF/ZONE2/") {
  std::vector<TRpfFrameRef> refs;
  std::filesystem::create_directories(dir.path / "rpf" / "zone2");
  for (int r = 0; r < ns; ++r)
    for (int c = 0; c < ew; ++c) {
      const std::string name = "F" + IntToStr(r) + "X" + IntToStr(c) + ".I21";
      refs.push_back({0, r, c, path, name});
      WriteFile((dir.path / "rpf" / "zone2" / LowerCase(name)).string(),
                rpftest::RpfFrame(spec(r, c), big, false));
    }
  TRpfRect rect;
  rect.FramesNS = ns;
  rect.FramesEW = ew;
  WriteFile(dir.File("A.TOC"), rpftest::RpfToc({rect}, refs, big, nitf));
  return {dir.File("A.TOC")};
}

TEST(FileCADRG, FramesDecodeAsTheirTablesSay) {
  struct TCase {
    const char* Name;
    bool Big, Nitf;
    int Colors;
    bool Grey, Masked;
  } cases[] = {
      {"big-endian, plain, 216", true, false, 216, false, false},
      {"little-endian, NITF, 217", false, true, 217, false, false},
      {"grey elements", true, false, 216, true, false},
      {"masked subframes", false, false, 217, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder dir;
    TRpfFrameSpec spec;
    spec.Seed = 3;
    spec.Colors = c.Colors;
    spec.GreyElements = c.Grey;
    spec.Masked = c.Masked;
    spec.Missing[0] = spec.Missing[7] = spec.Missing[35] = c.Masked;
    const TProductSet set = WriteSet(dir, c.Big, c.Nitf, 1, 1, [&](int, int) { return spec; });
    TGIS_FileCADRGDecoder d(set.Toc);
    EXPECT_EQ(d.BigEndian(), c.Big);
    ASSERT_EQ(d.Frames().size(), 1u);
    EXPECT_EQ(d.PathOf(d.Frames()[0].PathOffset), "./RPF/ZONE2/");
    EXPECT_EQ(d.ProductKind(), 0);
    std::vector<std::uint8_t> row(1536 * 3);
    for (int y : {0, 3, 255, 256, 700, 1535})
      for (int first : {0, 5, 300, 1535}) {
        const int n = 1536 - first;
        ASSERT_EQ(d.DecodeFrameRow(0, y, row.data(), n * 3, first), n * 3);
        EXPECT_EQ(RowMismatches(spec, row.data(), y, first, n), 0) << "row " << y << " from " << first;
      }
    // the count limits the bytes written
    std::fill(row.begin(), row.end(), 0xAB);
    EXPECT_EQ(d.DecodeFrameRow(0, 10, row.data(), 7, 1), 6);
    EXPECT_EQ(row[6], 0xAB);
    EXPECT_EQ(d.DecodeFrameRow(0, 1536, row.data(), 30, 0), 0);
    EXPECT_EQ(d.FrameFileReads(), 1);
  }
}

TEST(FileCADRG, SlotsKeepFiftyOneFramesAndNamesIgnoreCase) {
  TTempFolder dir;
  // 52 frames of one row; upper-case names and paths find lower-case files
  const TProductSet set = WriteSet(dir, true, false, 1, 52, [](int, int c) {
    TRpfFrameSpec s;
    s.Seed = c % 5;
    return s;
  });
  TGIS_FileCADRGDecoder d(set.Toc);
  std::vector<std::uint8_t> row(30);
  for (int f = 0; f < 52; ++f)
    ASSERT_EQ(d.DecodeFrameRow(f, 0, row.data(), 30, 0), 30);
  EXPECT_EQ(d.FrameFileReads(), 52);
  d.DecodeFrameRow(51, 1, row.data(), 30, 0); // still held
  EXPECT_EQ(d.FrameFileReads(), 52);
  d.DecodeFrameRow(0, 1, row.data(), 30, 0); // the first gave its slot to the 52nd
  EXPECT_EQ(d.FrameFileReads(), 53);
  TRpfFrameSpec s;
  s.Seed = 0;
  EXPECT_EQ(RowMismatches(s, row.data(), 1, 0, 10), 0);
}

TEST(LayerCADRG, ChildrenByScaleFramesFromTheSouthAndTransparency) {
  TTempFolder dir;
  std::filesystem::create_directories(dir.path / "rpf");
  // a 1:50K rectangle of 2 x 2 frames (one missing) and a 1:250K one of 1
  TRpfFrameSpec specs[3];
  for (int i = 0; i < 3; ++i)
    specs[i].Seed = i + 1;
  std::vector<TRpfFrameRef> refs = {
      {0, 0, 0, "./rpf/", "S00.I42"}, {0, 1, 0, "./rpf/", "S10.I42"}, {0, 1, 1, "./rpf/", "S11.I42"},
      {1, 0, 0, "./rpf/", "L00.I21"}};
  WriteFile(dir.File("rpf/S00.I42"), rpftest::RpfFrame(specs[0], true, false));
  WriteFile(dir.File("rpf/S10.I42"), rpftest::RpfFrame(specs[1], true, false));
  WriteFile(dir.File("rpf/S11.I42"), rpftest::RpfFrame(specs[2], true, false));
  WriteFile(dir.File("rpf/L00.I21"), rpftest::RpfFrame(specs[0], true, false));
  TRpfRect small, large;
  small.Scale = "1:50K";
  small.North = 46, small.South = 45.5, small.West = 14, small.East = 14.5;
  small.FramesNS = small.FramesEW = 2;
  large.Scale = "1:250K ";
  large.North = 47, large.South = 45, large.West = 13, large.East = 15;
  WriteFile(dir.File("A.TOC"), rpftest::RpfToc({small, large}, refs, true, true));
  GisRasterRegisterLayers();
  auto made = GisCreateLayer("set", dir.File("A.TOC"));
  auto* layer = dynamic_cast<TGIS_LayerCADRG*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->Open();
  ASSERT_EQ(layer->Children().size(), 2u);
  EXPECT_EQ(layer->Children()[0]->ScaleDenominator(), 250000);
  EXPECT_EQ(layer->Children()[1]->ScaleDenominator(), 50000);
  EXPECT_DOUBLE_EQ(layer->Extent().XMin, 13);
  EXPECT_DOUBLE_EQ(layer->Extent().YMax, 47);
  EXPECT_NE(layer->InfoText().find("CADRG - Compressed ARC Digitized Raster Graphics (TOC)\r\n"),
            std::string::npos);
  T_LayerCADRG_Child& child = *layer->Children()[1];
  EXPECT_EQ(child.Width(), 3072);
  EXPECT_DOUBLE_EQ(child.Extent().XMax, 14.5);
  // the top frame row is index row 1 (counted from the south); the bottom
  // right frame is missing and shows the transparent colour
  std::vector<std::uint8_t> row(3072 * 3);
  ASSERT_EQ(child.ReadLine(row.data(), 10, 3072 * 3, 0), 3072 * 3);
  EXPECT_EQ(RowMismatches(specs[1], row.data(), 10, 0, 1536), 0);
  EXPECT_EQ(RowMismatches(specs[2], row.data() + 1536 * 3, 10, 0, 1536), 0);
  ASSERT_EQ(child.ReadLine(row.data(), 1536 + 20, 1000 * 3, 1000 * 3), 3000);
  EXPECT_EQ(RowMismatches(specs[0], row.data(), 20, 1000, 536), 0);
  for (int i = 536; i < 1000; ++i)
    ASSERT_TRUE(row[3 * i] == 255 && row[3 * i + 1] == 0 && row[3 * i + 2] == 0) << i;
  // the viewer's Add loads the configuration: the transparent colour's zone
  TRasterView view(200, 200);
  view.Viewer().Add(made.release());
  EXPECT_EQ(layer->PixelParams().TransparentZone().Count(), 1);
  EXPECT_EQ(layer->PixelParams().TransparentZone()[0], "$000000FF,$000000FF");
  view.Viewer().SetVisibleExtent(GisExtent(14, 45.5, 14.5, 46));
  const auto shown = Render(view.Viewer(), 200, 200);
  EXPECT_NE(shown, std::vector<std::uint8_t>(shown.size(), 255)) << "nothing was drawn";
}

TEST(LayerCADRG, DamagedTablesAndFrames) {
  TTempFolder dir;
  TRpfFrameSpec spec;
  const TProductSet set = WriteSet(dir, false, false, 1, 2, [&](int, int) { return spec; });
  const std::string toc = ReadFile(set.Toc);
  struct TCut {
    const char* Name;
    std::string Bytes;
  } cuts[] = {
      {"empty", ""},
      {"header only", toc.substr(0, 60)},
      {"half", toc.substr(0, toc.size() / 2)},
      {"NITF without an RPF header", "NITF02.00" + std::string(500, ' ')},
  };
  for (const TCut& c : cuts) {
    WriteFile(dir.File("B.TOC"), c.Bytes);
    TGIS_LayerCADRG l;
    l.SetPath(dir.File("B.TOC"));
    try {
      l.Open();
      ADD_FAILURE() << c.Name << " opened";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.ErrorText(), dir.File("B.TOC")) << c.Name;
    }
  }
  // a frame cut short, and one whose file is gone, draw transparent
  const std::string frame = dir.File("rpf/zone2/f0x0.i21");
  WriteFile(frame, ReadFile(frame).substr(0, 100000));
  std::filesystem::remove(dir.File("rpf/zone2/f0x1.i21"));
  TGIS_LayerCADRG l;
  l.SetPath(set.Toc);
  l.Open();
  std::vector<std::uint8_t> row(3072 * 3, 7);
  ASSERT_EQ(l.Children()[0]->ReadLine(row.data(), 5, 3072 * 3, 0), 3072 * 3);
  for (int i = 0; i < 3072; ++i)
    ASSERT_TRUE(row[3 * i] == 255 && row[3 * i + 1] == 0 && row[3 * i + 2] == 0) << i;
}

} // namespace cadrgtest

namespace cadrgtest {

std::string CadrgSample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/cadrg/" + name;
}

/// The stored samples: a product set of one masked frame, and a table of
/// contents cut short. SK_WRITE_RPF_SAMPLES=<source folder> writes them
/// (and the fuzz seeds) again.
TEST(LayerCADRG, StoredSamples) {
  TRpfFrameSpec spec;
  spec.Seed = 4;
  spec.Colors = 217;
  spec.Masked = true;
  spec.Missing.fill(true);
  spec.Missing[7] = false;
  if (const char* out = std::getenv("SK_WRITE_RPF_SAMPLES")) {
    const std::filesystem::path root(out);
    const auto good = root / "tests/data/cadrg/good", damaged = root / "tests/data/cadrg/damaged";
    std::filesystem::create_directories(good / "rpf");
    std::filesystem::create_directories(damaged);
    const std::string frame = rpftest::RpfFrame(spec, true, true);
    TRpfRect rect;
    const std::string toc =
        rpftest::RpfToc({rect}, {{0, 0, 0, "./RPF/", "F0X0.I21"}}, true, true);
    WriteFile((good / "A.TOC").string(), toc);
    WriteFile((good / "rpf/f0x0.i21").string(), frame);
    WriteFile((damaged / "A.TOC").string(), toc.substr(0, toc.size() - 40));
    const auto corpus = root / "fuzz/corpus/cadrg";
    std::filesystem::create_directories(corpus);
    auto seed = [](const std::string& t, const std::string& f) {
      std::string s(4, '\0');
      for (int i = 0; i < 4; ++i)
        s[std::size_t(i)] = char((t.size() >> (24 - 8 * i)) & 0xFF);
      return s + t + f;
    };
    WriteFile((corpus / "good").string(), seed(toc, frame));
    WriteFile((corpus / "damaged-frame").string(), seed(toc, frame.substr(0, 30000)));
    WriteFile((corpus / "damaged-toc").string(), seed(toc.substr(0, toc.size() - 40), frame));
  }
  TGIS_LayerCADRG good;
  good.SetPath(CadrgSample("good/A.TOC"));
  good.Open();
  ASSERT_EQ(good.Children().size(), 1u);
  std::vector<std::uint8_t> row(1536 * 3);
  for (int y : {0, 300, 511, 1535}) {
    ASSERT_EQ(good.Children()[0]->ReadLine(row.data(), y, 1536 * 3, 0), 1536 * 3);
    EXPECT_EQ(RowMismatches(spec, row.data(), y, 0, 1536), 0) << "row " << y;
  }
  TGIS_LayerCADRG damaged;
  damaged.SetPath(CadrgSample("damaged/A.TOC"));
  EXPECT_THROW(damaged.Open(), EGIS_Exception);
}

} // namespace cadrgtest

namespace cadrgtest {

// A dormant product set draws the same picture again (its frames stay in
// the decoder's slots; the children read them again).
TEST(LayerCADRG, DrawsTheSameAfterGoingDormant) {
  auto* layer = new TGIS_LayerCADRG;
  layer->SetPath(CadrgSample("good/A.TOC"));
  layer->Open();
  ExpectSameDrawAfterDormancy(layer);
}

} // namespace cadrgtest

namespace cadrgtest {

// GDAL's RPF reader over a product set of NITF frames (2 x 2 frames of a
// 1:250K rectangle) shows what the layer shows, pixel for pixel, but for
// the palette's own (0, 0, 255), which the layer draws as (0, 0, 254) so
// that it stays apart from the transparent colour.
TEST(LayerCADRG, AgreesWithGdalPixelForPixel) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "no GDAL";
  TTempFolder dir;
  std::filesystem::create_directories(dir.path / "rpf");
  std::vector<TRpfFrameRef> refs;
  TRpfFrameSpec specs[2][2];
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) {
      TRpfFrameSpec& s = specs[r][c];
      s.Seed = 1 + 2 * r + c;
      s.Colors = 217;
      s.IndexModulus = 217;
      s.PaletteSeed = 9; // one palette for the set, as GDAL shows the first frame's for all
      const double south = 45 + 0.5 * r, west = 14 + 0.5 * c;
      s.Coverage = {south + 0.5, west, south, west, south + 0.5, west + 0.5, south, west + 0.5,
                    100, 100, 0.5 / 1536, 0.5 / 1536};
      const std::string name = "000" + IntToStr(r) + IntToStr(c) + "F11.I21";
      refs.push_back({0, r, c, "./rpf/", name});
      WriteFile(dir.File("rpf/" + name), rpftest::RpfNitfFrame(s, name));
    }
  TRpfRect rect;
  rect.FramesNS = rect.FramesEW = 2;
  WriteFile(dir.File("A.TOC"), rpftest::RpfToc({rect}, refs, true, false));
  // the set's one table-of-contents entry, as GDAL names it
  const std::string info = RunTool("gdalinfo " + dir.File("A.TOC"));
  const std::string key = "SUBDATASET_1_NAME=";
  const std::size_t at = info.find(key);
  ASSERT_NE(at, std::string::npos) << info;
  const std::string entry = info.substr(at + key.size(), info.find('\n', at) - at - key.size());
  RunTool("gdal_translate -q -of ENVI -expand rgb \"" + entry + "\" " + dir.File("g.raw"));
  const std::string g = ReadFile(dir.File("g.raw"));
  constexpr int side = 3072;
  ASSERT_EQ(g.size(), std::size_t(side) * side * 3)
      << "GDAL did not read the set: " << sktest::RunCommand("gdalinfo " + dir.File("A.TOC") + " 2>&1");
  TGIS_LayerCADRG layer;
  layer.SetPath(dir.File("A.TOC"));
  layer.Open();
  ASSERT_EQ(layer.Children().size(), 1u);
  T_LayerCADRG_Child& child = *layer.Children()[0];
  ASSERT_EQ(child.Width(), side);
  std::vector<std::uint8_t> row(side * 3);
  std::int64_t differ = 0, palette255 = 0;
  for (int y = 0; y < side; ++y) {
    ASSERT_EQ(child.ReadLine(row.data(), y, side * 3, 0), side * 3);
    for (int x = 0; x < side; ++x) {
      const std::size_t plane = std::size_t(side) * side, at = std::size_t(y) * side + std::size_t(x);
      const std::uint8_t r = std::uint8_t(g[at]), gr = std::uint8_t(g[plane + at]),
                         b = std::uint8_t(g[2 * plane + at]);
      const std::uint8_t* ours = row.data() + 3 * x;
      if (ours[0] == b && ours[1] == gr && ours[2] == r) continue;
      if (r == 0 && gr == 0 && b == 255 && ours[0] == 254 && ours[1] == 0 && ours[2] == 0) {
        ++palette255;
        continue;
      }
      if (++differ <= 3)
        ADD_FAILURE() << "pixel " << x << "," << y << ": GDAL " << int(r) << " " << int(gr) << " "
                      << int(b) << ", ours " << int(ours[2]) << " " << int(ours[1]) << " " << int(ours[0]);
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(palette255, 0) << "no pixel of the palette's (0, 0, 255) was seen";
  // GDAL places the set as the layer does
  EXPECT_NE(info.find("Upper Left  (  14.0000000,  46.0000000)"), std::string::npos) << info;
  EXPECT_DOUBLE_EQ(child.Extent().XMin, 14);
  EXPECT_DOUBLE_EQ(child.Extent().YMax, 46);
}

} // namespace cadrgtest
