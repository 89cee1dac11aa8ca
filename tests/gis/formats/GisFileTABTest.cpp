// The MapInfo ".tab" reader: table types and character sets, field lines,
// raster registration (against gdalinfo), its errors, and its use by the
// raster layers' georeference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/rtl/Strings.h"
#include "gis/core/GisResource.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/raster/GisLayerJPG.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "tests/gis/formats/SizedLayer.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

const char* kThreePoints =
    "!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\n"
    "  File \"pic.bmp\"\r\n  Type \"RASTER\"\r\n"
    "  (100,200) (0,0) Label \"Pt 1\",\r\n"
    "  (300,200) (1000,0) Label \"Pt 2\",\r\n"
    "  (300,100) (1000,500) Label \"Pt 3\"\r\n"
    "  CoordSys Earth Projection 1, 104\r\n";

TGIS_Extent Registered(const std::string& path, int w, int h) {
  TGIS_FileTAB tab(path);
  EXPECT_EQ(tab.Parse(), gisTabRaster);
  TSizedLayer layer(w, h);
  tab.ApplyRasterRegistration(layer);
  return layer.Extent();
}

} // namespace

TEST(FileTAB, TypesCharsetsAndFieldLines) {
  TTempFolder dir;
  struct Row {
    std::string name, text;
    std::int32_t type;
    int codePage; // 0: the system's
    int items;
  };
  const Row rows[] = {
      {"native latin1",
       "!table\nDefinition Table\n Type NATIVE Charset \"WindowsLatin1\"\n Fields 2\n"
       "  ID Integer ;\n  Name Char (30) ;\n",
       gisTabNative, 1252, 2},
      {"dbf latin2", "Definition Table\nType DBF Charset \"WindowsLatin2\"\nFields 1\n A Float ;\n",
       gisTabDbf, 1250, 1},
      {"linked", "Definition Table\nType LINKED\n", gisTabUnknown, 0, 0},
      {"no type line", "Definition Table\nFIELDS:1\n X Integer ;\n", gisTabNative, 0, 1},
      {"fields cut short", "Definition Table\nType NATIVE\nFields 5\n X Integer ;\n", gisTabNative,
       0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(dir.File("t.tab"), r.text);
    TGIS_FileTAB tab(dir.File("t.tab"));
    EXPECT_EQ(tab.Parse(), r.type);
    EXPECT_EQ(tab.CodePage(), r.codePage == 0 ? GetACP() : r.codePage);
    EXPECT_EQ(tab.ItemLines().Count(), r.items);
  }
}

TEST(FileTAB, MissingFileRaisesTheRuntimeError) {
  TGIS_FileTAB tab("/nonexistent/none.tab");
  try {
    tab.Parse();
    FAIL();
  } catch (const EGIS_Exception&) {
    FAIL() << "the runtime's file error, not 0090";
  } catch (const Exception&) {
  }
}

TEST(FileTAB, RegistrationPointsInAnyOrderGiveThePixelEdgeExtent) {
  TTempFolder dir;
  WriteFile(dir.File("a.tab"), kThreePoints);
  TGIS_Extent e = Registered(dir.File("a.tab"), 1000, 500);
  EXPECT_DOUBLE_EQ(e.XMin, 100);
  EXPECT_DOUBLE_EQ(e.YMin, 100);
  EXPECT_DOUBLE_EQ(e.XMax, 300);
  EXPECT_DOUBLE_EQ(e.YMax, 200);
  WriteFile(dir.File("b.tab"), "Definition Table\nFile \"pic.bmp\"\nType RASTER\n"
                               "(300,100) (1000,500)\n(300,200) (1000,0)\n(100,200) (0,0)\n");
  e = Registered(dir.File("b.tab"), 1000, 500);
  EXPECT_DOUBLE_EQ(e.XMin, 100);
  EXPECT_DOUBLE_EQ(e.YMin, 100);
  EXPECT_DOUBLE_EQ(e.XMax, 300);
  EXPECT_DOUBLE_EQ(e.YMax, 200);
  // a comma always separates: 100,5 are two numbers
  WriteFile(dir.File("c.tab"), "Definition Table\nType RASTER\n(100.5,200) (0,0)\n"
                               "(300.5,100) (1000,500)\n");
  e = Registered(dir.File("c.tab"), 1000, 500);
  EXPECT_DOUBLE_EQ(e.XMin, 100.5);
  // no points: the empty extent
  WriteFile(dir.File("d.tab"), "Definition Table\nType RASTER\n");
  e = Registered(dir.File("d.tab"), 10, 10);
  EXPECT_TRUE(GisIsSameExtent(e, GisExtent(0, 0, 0, 0)));
}

TEST(FileTAB, RegistrationAgreesWithGdalinfo) {
  if (!HasTool("gdalinfo")) GTEST_SKIP() << "gdalinfo missing";
  TTempFolder dir;
  auto photo = MakePhoto(1000, 500);
  SaveJpeg(*photo, dir.File("pic.jpg"), 50);
  WriteFile(dir.File("pic.tab"), kThreePoints);
  const std::string info = RunTool("gdalinfo '" + dir.File("pic.jpg") + "'");
  EXPECT_NE(info.find("Upper Left  (     100.000,     200.000)"), std::string::npos) << info;
  EXPECT_NE(info.find("Lower Right (     300.000,     100.000)"), std::string::npos) << info;
  GisRegisterRasterRegistration();
  TGIS_LayerJPG layer;
  layer.SetPath(dir.File("pic.jpg"));
  layer.Open();
  EXPECT_DOUBLE_EQ(layer.Extent().XMin, 100);
  EXPECT_DOUBLE_EQ(layer.Extent().YMax, 200);
  EXPECT_DOUBLE_EQ(layer.Extent().XMax, 300);
  EXPECT_DOUBLE_EQ(layer.Extent().YMin, 100);
  EXPECT_DOUBLE_EQ(layer.PixelSizeX(), 0.2);
}

TEST(FileTAB, BadPointsRaise0090WithTheirLine) {
  TTempFolder dir;
  struct Row {
    std::string name, text;
    int line;
  };
  const Row rows[] = {
      {"one point", "Definition Table\nType RASTER\n(1,2) (3,4)\n", 3},
      {"equal columns", "Definition Table\nType RASTER\n(1,2) (3,4)\n(5,6) (3,9)\n", 4},
      {"not a number", "Definition Table\nType RASTER\n(1,2) (0,0)\n(x,6) (7,9)\n", 4},
      {"NaN column", "Definition Table\nType RASTER\n(1,2) (0,0)\n(5,6) (nan,9)\n", 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(dir.File("bad.tab"), r.text);
    TGIS_FileTAB tab(dir.File("bad.tab"));
    ASSERT_EQ(tab.Parse(), gisTabRaster);
    TSizedLayer layer(10, 10);
    try {
      tab.ApplyRasterRegistration(layer);
      FAIL();
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(std::string(e.Message()), "0090 File structure error in file \"" +
                                              dir.File("bad.tab") + "\" as line " +
                                              IntToStr(r.line));
    }
  }
}

TEST(FileTAB, RasterLayerPrecedenceTabPathAndWorldFile) {
  TTempFolder dir;
  GisRegisterRasterRegistration();
  auto photo = MakePhoto(1000, 500);
  SaveJpeg(*photo, dir.File("pic.jpg"), 50);
  WriteFile(dir.File("pic.tab"), kThreePoints);
  WriteFile(dir.File("other.TAB"),
            "Definition Table\nType RASTER\n(0,0) (0,0)\n(10,-5) (1000,500)\n");
  auto open = [&](const std::string& tabPath) {
    auto layer = std::make_unique<TGIS_LayerJPG>();
    layer->SetPath(dir.File("pic.jpg"));
    layer->SetTabPath(tabPath);
    layer->Open();
    return layer->Extent();
  };
  EXPECT_DOUBLE_EQ(open("").XMin, 100) << "the default .tab name";
  EXPECT_DOUBLE_EQ(open(dir.File("other.TAB")).XMax, 10) << "TabPath beats the default name";
  // a .tab with points beats a .jgw
  WriteFile(dir.File("pic.jgw"), "1\n0\n0\n-1\n5000\n6000\n");
  EXPECT_DOUBLE_EQ(open("").XMin, 100);
  // a .jfw beats the .tab
  WriteFile(dir.File("pic.jfw"), "1\n0\n0\n-1\n7000\n8000\n");
  EXPECT_DOUBLE_EQ(open("").XMin, 6999.5);
}

TEST(FileTAB, SamplesAndMutations) {
  const char* root = std::getenv("SK_TEST_DATA");
  const std::string data = std::string(root != nullptr ? root : "tests/data") + "/tab/";
  TSizedLayer good(17, 9);
  TGIS_FileTAB tab(data + "good-raster.tab");
  ASSERT_EQ(tab.Parse(), gisTabRaster);
  EXPECT_EQ(tab.RasterFile(), "good.jpg");
  tab.ApplyRasterRegistration(good);
  EXPECT_DOUBLE_EQ(good.Extent().XMax, 134);
  EXPECT_DOUBLE_EQ(good.Extent().YMin, 182);
  for (const char* name : {"damaged-one-point.tab", "damaged-numbers.tab", "regression-empty-item-line.tab"}) {
    SCOPED_TRACE(name);
    TGIS_FileTAB bad(data + name);
    ASSERT_EQ(bad.Parse(), gisTabRaster);
    TSizedLayer layer(17, 9);
    EXPECT_THROW(bad.ApplyRasterRegistration(layer), EGIS_Exception);
  }
  // mutations: a type, an error of the kernel, never anything else
  TTempFolder dir;
  const std::string text = ReadFile(data + "good-raster.tab");
  std::mt19937 rng(9);
  const char* values = "(),. \"0123456789-eE\r\nTypeRASTERFIELDS:";
  const char* env = std::getenv("SK_FUZZ_ITERATIONS");
  const int n = env != nullptr ? std::atoi(env) * 4 : 600;
  for (int i = 0; i < n; ++i) {
    std::string s = text;
    for (int k = 0, m = 1 + int(rng() % 5); k < m; ++k) {
      const std::size_t at = rng() % s.size();
      if (rng() % 4 == 0)
        s.erase(at, 1 + rng() % 8);
      else
        s[at] = values[rng() % std::strlen(values)];
      if (s.empty()) s = "x";
    }
    WriteFile(dir.File("m.tab"), s);
    TGIS_FileTAB m(dir.File("m.tab"));
    try {
      if (m.Parse() == gisTabRaster) {
        TSizedLayer layer(17, 9);
        m.ApplyRasterRegistration(layer);
      }
    } catch (const EGIS_Exception&) {
    }
  }
}
