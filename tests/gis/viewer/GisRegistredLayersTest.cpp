// The layer factory: the extension table in order, letter case, "?" params,
// empty slots, the special rows through fake hooks, relative paths.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include <unistd.h>

#include "gis/core/GisResource.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

namespace {

/// A layer that remembers the class name it was built for and its arguments.
class TFakeLayer : public TGIS_LayerAbstract {
public:
  explicit TFakeLayer(std::string cls, const TGIS_LayerFactoryArgs& a)
      : ClassName(std::move(cls)), TabPath(a.TabPath), Param(a.Param), E00Part(a.E00Part) {}
  ~TFakeLayer() override { ++Freed; }
  void DiscardChanges() override {}
  bool DrawDefault() override { return false; }
  std::string ClassName, TabPath, Param;
  std::uint8_t E00Part;
  std::unique_ptr<TGIS_BaseObject> Reader;
  static inline int Freed = 0;
};

struct TFakeReader : TGIS_BaseObject {
  ~TFakeReader() override { ++Freed; }
  static inline int Freed = 0;
};

/// Registers a fake creator for every class of every row and clears the
/// hooks; undoes both at the end.
class RegistredLayersTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const auto& row : TGIS_RegistredLayers::Rows())
      for (const auto& c : row.ClassNames)
        Register(c);
    TGIS_RegistredLayers::Hooks() = {};
  }
  void TearDown() override {
    for (const auto& row : TGIS_RegistredLayers::Rows())
      for (const auto& c : row.ClassNames)
        TGIS_RegistredLayers::UnregisterLayer(c);
    TGIS_RegistredLayers::Hooks() = {};
  }
  static void Register(const std::string& cls) {
    TGIS_RegistredLayers::RegisterLayer(cls, cls + " files", [cls](TGIS_LayerFactoryArgs& a) {
      auto l = std::make_unique<TFakeLayer>(cls, a);
      l->Reader = std::move(a.Reader);
      return l;
    });
  }
  static std::string ClassOf(const std::unique_ptr<TGIS_LayerAbstract>& l) {
    return l == nullptr ? "" : static_cast<TFakeLayer*>(l.get())->ClassName;
  }
  std::string Touch(const std::string& name) { return dir_.Write(name, "x"); }
  sktest::TTempDir dir_{"factory"};
};

TEST_F(RegistredLayersTest, ExtensionTableInOrderAnyCaseWithParams) {
  struct Row {
    const char* path;
    const char* cls;
  } rows[] = {
      {"/d/roads.shp", "TGIS_LayerSHP"},
      {"/d/roads.SHP", "TGIS_LayerSHP"},
      {"/d/a.mif", "TGIS_LayerMIF"},
      {"/d/a.e00", "TGIS_LayerE00"},
      {"/d/a.DGN", "TGIS_LayerDGN"},
      {"/d/a.gml", "TGIS_LayerGML"},
      {"/d/a.Xml", "TGIS_LayerGML"},
      {"/d/a.dlg", "TGIS_LayerDLG"},
      {"/d/a.opt", "TGIS_LayerDLG"},
      {"/d/a.dxf", "TGIS_LayerDXF"},
      {"/d/a.gdf", "TGIS_LayerGDF"},
      {"/d/a.rt1", "TGIS_LayerTiger"},
      {"/d/a.lft", "TGIS_LayerVPF"},
      {"/d/a.pft", "TGIS_LayerVPF"},
      {"/d/a.tft", "TGIS_LayerVPF"},
      {"/d/a.bt", "TGIS_LayerBT"},
      {"/d/a.adf", "TGIS_LayerADF"},
      {"/d/a.dt0", "TGIS_LayerDTED"},
      {"/d/a.DT2", "TGIS_LayerDTED"},
      {"/d/a.flt", "TGIS_LayerFLT"},
      {"/d/a.grd", "TGIS_LayerGRD"},
      {"/d/a.bmp", "TGIS_LayerBMP"},
      {"/d/a.toc", "TGIS_LayerCADRG"},
      {"/d/a.tif", "TGIS_LayerTIFF"},
      {"/d/a.TIFF", "TGIS_LayerTIFF"},
      {"/d/a.img", "TGIS_LayerIMG"},
      {"/d/a.bil", "TGIS_LayerBIL"},
      {"/d/a.ecw", "TGIS_LayerECW"},
      {"/d/a.sid", "TGIS_LayerMrSID"},
      {"/d/a.jp2", "TGIS_LayerMrSID"},
      {"/d/a.j2k", "TGIS_LayerMrSID"},
      {"/d/image1.jpg", "TGIS_LayerJPG"},
      {"/d/a.JPEG", "TGIS_LayerJPG"},
      {"/d/a.png", "TGIS_LayerPNG"},
      {"/d/a.png?x=1", "TGIS_LayerPNG"},
      {"/d/notes.txt", ""},
      {"/d/noext", ""},
      {"/d.dir/noext", ""},
      {"/d/a.shp.bak", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.path);
    auto layer = GisCreateLayer("L", r.path);
    EXPECT_EQ(ClassOf(layer), r.cls);
    if (layer != nullptr) {
      EXPECT_EQ(layer->Name(), "L");
      std::string p = r.path;
      EXPECT_EQ(layer->Path(), p.substr(0, p.find('?')));
    }
  }
}

TEST_F(RegistredLayersTest, EmptySlotGivesNoLayerAndNeverFallsThrough) {
  TGIS_RegistredLayers::UnregisterLayer("TGIS_LayerGML");
  EXPECT_EQ(GisCreateLayer("x", "/d/a.xml"), nullptr);
  TGIS_RegistredLayers::UnregisterLayer("TGIS_LayerBIL");
  EXPECT_EQ(GisCreateLayer("x", "/d/a.bil"), nullptr);
  EXPECT_FALSE(TGIS_RegistredLayers::IsRegistered("TGIS_LayerBIL"));
  EXPECT_EQ(TGIS_RegistredLayers::Description("TGIS_LayerSHP"), "TGIS_LayerSHP files");
  try {
    TGIS_RegistredLayers::RegisterLayer("TGIS_LayerNone", "", nullptr);
    FAIL() << "an unknown class was registered";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.Message().rfind("0002 Untested case", 0), 0u);
  }
}

TEST_F(RegistredLayersTest, E00SelectorFromParameter) {
  struct Row {
    const char* path;
    int part;
  } rows[] = {{"cover.e00?PAL", 5},
              {"cover.e00?arc", 4},
              {"cover.E00?Lab", 2},
              {"cover.e00?tic", 0},
              {"cover.e00", 0}};
  for (const auto& r : rows) {
    auto layer = GisCreateLayer("e", std::string("/data/") + r.path);
    ASSERT_NE(layer, nullptr) << r.path;
    EXPECT_EQ(static_cast<TFakeLayer*>(layer.get())->E00Part, r.part) << r.path;
    EXPECT_EQ(layer->Path(), "/data/cover." + std::string(r.path).substr(6, 3));
  }
}

TEST_F(RegistredLayersTest, RelativeAndBackslashPathsResolveAgainstLogicalFolder) {
  const std::string before = GetCurrentDir();
  {
    TCurrentDirGuard guard;
    ASSERT_TRUE(SetCurrentDir(dir_.Path()));
    auto layer = GisCreateLayer("r", "roads.SHP");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Path(), dir_ / "roads.SHP");
    EXPECT_EQ(ClassOf(GisCreateLayer("r", "sub\\dir.x\\roads.shp")), "TGIS_LayerSHP");
    EXPECT_EQ(GisCreateLayer("r", "sub.shp\\roads"), nullptr);
  }
  EXPECT_EQ(GetCurrentDir(), before);
  EXPECT_EQ(std::filesystem::current_path().string().empty(), false);
}

TEST_F(RegistredLayersTest, DemChoosesBilBesideHdrWithExactCase) {
  const std::string dem = Touch("terrain.dem");
  EXPECT_EQ(ClassOf(GisCreateLayer("t", dem)), "TGIS_LayerDEM");
  Touch("terrain.HDR");
  EXPECT_EQ(ClassOf(GisCreateLayer("t", dem + "?x")), "TGIS_LayerDEM");
  Touch("terrain.hdr");
  EXPECT_EQ(ClassOf(GisCreateLayer("t", dem + "?x")), "TGIS_LayerBIL");
}

TEST_F(RegistredLayersTest, TabByTableType) {
  const std::string tab = dir_ / "map.tab";
  int type = 0;
  int calls = 0;
  TGIS_RegistredLayers::Hooks().TabParse = [&](const std::string& path, std::string& image) {
    ++calls;
    EXPECT_EQ(path, tab);
    image = "img/scan.JPG";
    return type;
  };
  EXPECT_EQ(GisCreateLayer("t", tab), nullptr); // type 0
  type = 1;
  EXPECT_EQ(ClassOf(GisCreateLayer("t", tab)), "TGIS_LayerTAB");
  type = 2;
  EXPECT_EQ(ClassOf(GisCreateLayer("t", tab)), "TGIS_LayerTAB");
  type = 3;
  auto raster = GisCreateLayer("t", tab);
  ASSERT_EQ(ClassOf(raster), "TGIS_LayerJPG");
  EXPECT_EQ(raster->Path(), dir_ / "img/scan.JPG");
  EXPECT_EQ(static_cast<TFakeLayer*>(raster.get())->TabPath, tab);
  EXPECT_EQ(calls, 4);
  TGIS_RegistredLayers::Hooks().TabParse = [](const std::string& p, std::string&) -> int {
    throw EGIS_Exception(GIS_RS_ERR_UNTESTED, p, 0);
  };
  EXPECT_THROW(GisCreateLayer("t", tab), EGIS_Exception);
}

TEST_F(RegistredLayersTest, SdtsVectorFirstThenRasterReaderTakenOverOrFreed) {
  struct Row {
    bool vector, raster;
    const char* cls;
  } rows[] = {
      {true, true, "TGIS_LayerSDTS_TVP"}, {false, true, "TGIS_LayerSDTS_RPE"}, {false, false, ""}};
  for (const auto& r : rows) {
    TFakeReader::Freed = 0;
    TGIS_RegistredLayers::Hooks().SdtsOpen = [&](const std::string&, bool& v, bool& ra) {
      v = r.vector, ra = r.raster;
      return std::make_unique<TFakeReader>();
    };
    {
      auto layer = GisCreateLayer("s", "/d/TR01CATD.DDF");
      EXPECT_EQ(ClassOf(layer), r.cls);
      if (layer != nullptr) {
        EXPECT_NE(static_cast<TFakeLayer*>(layer.get())->Reader, nullptr);
        EXPECT_EQ(TFakeReader::Freed, 0);
      } else {
        EXPECT_EQ(TFakeReader::Freed, 1);
      }
    }
    EXPECT_EQ(TFakeReader::Freed, 1);
  }
}

TEST_F(RegistredLayersTest, DatabaseConfigurationsByKindAndStorage) {
  struct Row {
    int kind;
    const char* storage;
    const char* opengis;
    const char* cls;
  } rows[] = {
      {1, "", "", "TGIS_LayerSqlAdo"},
      {1, " native ", "", "TGIS_LayerSqlAdo"},
      {1, "", "1", "TGIS_LayerSqlOgisAdo"},
      {1, "", "2", "TGIS_LayerSqlOgisAdo"},
      {1, "OPENGISBLOB2", "", "TGIS_LayerSqlOgisAdo"},
      {1, "OpenGisNormalized2", "", "TGIS_LayerSqlOgisAdo"},
      {1, "", "3", "TGIS_LayerSqlGmAdo"},
      {1, "", "9", "TGIS_LayerSqlAdo"},
      {1, "Oracle", "", ""},
      {2, "Native", "", ""},
      {0, "", "", ""},
  };
  for (const auto& r : rows) {
    TGIS_RegistredLayers::Hooks().ReadLayerConfigValue =
        [&](const std::string&, const std::string& key, std::string& value) {
          value = key == "Storage" ? r.storage : key == "OpenGIS" ? r.opengis : "";
          return r.kind;
        };
    EXPECT_EQ(ClassOf(GisCreateLayer("db", "/d/roads.VRKLS")), r.cls)
        << r.kind << " " << r.storage << " " << r.opengis;
  }
}

TEST_F(RegistredLayersTest, PixelStoreVersionTwoElseOne) {
  std::string seen;
  bool accept = true;
  TGIS_RegistredLayers::Hooks().PixelStoreV2Accepts = [&](const std::string& p) {
    seen = p;
    return accept;
  };
  EXPECT_EQ(ClassOf(GisCreateLayer("p", "/d/tiles.vrkps?t=1")), "TGIS_LayerPixelStoreAdo2");
  EXPECT_EQ(seen, "/d/tiles.vrkps?t=1");
  accept = false;
  EXPECT_EQ(ClassOf(GisCreateLayer("p", "/d/tiles.VRKPS")), "TGIS_LayerPixelStore");
  TGIS_RegistredLayers::Hooks().PixelStoreV2Accepts = nullptr;
  EXPECT_EQ(GisCreateLayer("p", "/d/tiles.VRKPS"), nullptr);
}

TEST_F(RegistredLayersTest, UnsetHooksGiveNoLayer) {
  for (const char* p : {"/d/a.tab", "/d/a.ddf", "/d/a.VRKLS", "/d/a.VRKPS"})
    EXPECT_EQ(GisCreateLayer("h", p), nullptr) << p;
}

TEST_F(RegistredLayersTest, AddRefusingADuplicateNameLeavesTheLayerToItsOwner) {
  TGIS_Viewer viewer(nullptr);
  auto first = GisCreateLayer("same", "/d/a.shp");
  viewer.Add(first.release());
  const int freed = TFakeLayer::Freed;
  {
    auto second = GisCreateLayer("SAME", "/d/b.shp");
    ASSERT_NE(second, nullptr);
    EXPECT_THROW(viewer.Add(second.get()), EGIS_Exception);
  }
  EXPECT_EQ(TFakeLayer::Freed, freed + 1);
}

} // namespace
