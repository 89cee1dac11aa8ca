// The layer root: opening, configuration, style sections and conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unistd.h>

#include "gis/coords/GisProjections.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/viewer/ViewerTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class TOpenProbeLayer : public TTestLayer {
public:
  using TTestLayer::TTestLayer;
  std::string FolderDuringOpen;
  void Open() override {
    FolderDuringOpen = GetCurrentDir();
    TTestLayer::Open();
  }
};

struct TTempFolder {
  TTempFolder() {
    ForceDirectories(root + "/data");
    TFileStreamWriter(root + "/data/roads.shp");
  }
  static void TFileStreamWriter(const std::string& path) {
    TStringList l;
    l.Add("x");
    l.SaveToFile(path);
  }
  sktest::TTempDir temp{"viewer-layer"};
  std::string root = temp.Path();
};

class LayerRoot : public ::testing::Test {
protected:
  void SetUp() override { GisKernelInit(); }
};

TEST_F(LayerRoot, EnsureOpenMakesThePathAbsoluteOpensOnceAndKeepsTheCurrentFolder) {
  TTempFolder tmp;
  TCurrentDirGuard keep;
  ASSERT_TRUE(SetCurrentDir(tmp.root));
  const std::string before = GetCurrentDir();

  TOpenProbeLayer layer("roads");
  layer.SetPath("data/roads.shp");
  layer.EnsureOpen();
  EXPECT_EQ(layer.Path(), tmp.root + "/data/roads.shp");
  EXPECT_EQ(layer.FolderDuringOpen, tmp.root + "/data"); // companion files open relative
  EXPECT_EQ(GetCurrentDir(), before);
  EXPECT_EQ(layer.ConfigPath(), tmp.root + "/data/roads.shp");
  layer.EnsureOpen();
  EXPECT_EQ(layer.Opens, 1);

  TOpenProbeLayer failing("bad");
  failing.SetPath("data/roads.shp");
  failing.ThrowOnOpen = true;
  EXPECT_THROW(failing.EnsureOpen(), EGIS_Exception);
  EXPECT_EQ(GetCurrentDir(), before);
  EXPECT_TRUE(failing.Opened());
}

TEST_F(LayerRoot, PathlessLayersGetADummyFileOnlyWithTheOwnFileCapability) {
  TTestLayer own("own"), memory("memory");
  own.SetCapabilities(GIS_CAPABILITY_OWN_FILE);
  own.EnsureOpen();
  memory.EnsureOpen();
  ASSERT_NE(own.ConfigFile(), nullptr);
  EXPECT_EQ(own.ConfigPath(), "_DUMMY");
  EXPECT_EQ(ExtractFileName(own.ConfigFile()->Path()), "_DUMMY.ini");
  ASSERT_NE(memory.ConfigFile(), nullptr);
  EXPECT_EQ(memory.ConfigPath(), "");
  EXPECT_EQ(memory.ConfigFile()->Path(), ""); // memory only, never written
}

TEST_F(LayerRoot, ExtentAfterOpeningIsCheckedOrRecalculated) {
  struct Row {
    const char* name;
    TGIS_Extent extent;
    bool bad;
    int recalcs;
  };
  const Row rows[] = {
      {"ordinary", {0, 0, 10, 10}, false, 0},        {"huge", {0, 0, 2e100, 1}, true, 0},
      {"huge negative", {-2e100, 0, 1, 1}, true, 0}, {"nan", {0, kNaN, 10, 10}, true, 0},
      {"infinite", {0, 0, kInf, 10}, true, 0},       {"empty", {1, 1, -1, -1}, false, 1},
      {"inverted", {5, 0, 1, 10}, false, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTestLayer layer("L", row.extent);
    if (row.bad) {
      try {
        layer.EnsureOpen();
        ADD_FAILURE() << "no exception";
      } catch (const EGIS_Exception& e) {
        EXPECT_NE(std::string(e.Message()).find("0082 Layer \"L\""), std::string::npos);
      }
      EXPECT_TRUE(layer.Opened());
    } else {
      EXPECT_NO_THROW(layer.EnsureOpen());
    }
    EXPECT_EQ(layer.Recalcs, row.recalcs);
  }
}

TEST_F(LayerRoot, ConfigurationIsWrittenInOrderAndReadBackClamped) {
  TTestLayer layer("roads");
  layer.SetConfigPath("");
  TGIS_Ini& ini = *layer.ConfigFile();
  layer.SetCaption("Roads");
  layer.SetTransparency(40);
  layer.SetDormantMode(gisDormantAgressive);
  layer.SetCodePage(1250);
  layer.WriteConfig(ini);
  TStringList keys;
  ini.IniFile().ReadSection(ini.Section(), keys);
  std::vector<std::string> names;
  for (int i = 0; i < keys.Count(); ++i)
    names.push_back(keys[i]);
  ASSERT_GE(names.size(), 13u);
  const std::vector<std::string> expected = {
      "Caption",     "Comments",         "Active",       "LabelsOnTop", "HideFromLegend",
      "CachedPaint", "IncrementalPaint", "Transparency", "Addition",    "DormantMode",
      "CodePage",    "OutCodePage",      "Units"};
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 13), expected);
  EXPECT_EQ(std::find(names.begin(), names.end(), "UseFileParams"), names.end());

  TTestLayer copy("copy");
  copy.ReadConfig(ini);
  EXPECT_EQ(copy.Caption(), "Roads");
  EXPECT_EQ(copy.Transparency(), 40);
  EXPECT_EQ(copy.DormantMode(), gisDormantAgressive);
  EXPECT_EQ(copy.CodePage(), 1250);

  ini.WriteInteger("Transparency", 150);
  ini.WriteInteger("Addition", -5);
  copy.ReadConfig(ini);
  EXPECT_EQ(copy.Transparency(), 100);
  EXPECT_EQ(copy.Addition(), 0);
}

TEST_F(LayerRoot, AMissingCodePageFixesTheCodePageEffectiveAtThatMoment) {
  TViewerForm f;
  f.viewer->SetViewerCodePage(1250);
  auto* layer = new TTestLayer("a");
  f.viewer->Add(layer);
  EXPECT_EQ(layer->CodePage(), 1250); // LoadConfig read a section without the key
  f.viewer->SetViewerCodePage(1251);
  EXPECT_EQ(layer->GetCodePage(), 1250);
}

TEST_F(LayerRoot, AProjectConfigurationOverridesTheLayersOwnAndReceivesItsSaves) {
  TViewerForm f;
  auto project = std::make_unique<TGIS_Ini>(nullptr, "");
  project->SelectSection(0);
  project->WriteString("Caption", "From the project");
  project->WriteInteger("Transparency", 30);
  TGIS_Units km;
  km.SetType(gisUnitsKilometer);
  project->WriteUnits("Units", km);
  project->SelectSection(1);
  project->WriteString("Caption", "old second style");
  TGIS_Ini* ini = project.get();
  f.viewer->SetProjectConfig(std::move(project));
  ASSERT_EQ(f.viewer->ProjectConfig(), ini);

  // Adding reads the coordinate system and then the layer keys from it, over
  // what the layer's own configuration says.
  auto* layer = new TTestLayer("roads");
  layer->SetCaption("Own");
  f.viewer->Add(layer);
  EXPECT_EQ(layer->Units().Type(), gisUnitsKilometer);
  EXPECT_EQ(layer->Caption(), "From the project");
  EXPECT_EQ(layer->Transparency(), 30);

  // Saving writes sub-section 0; the further ones are erased and written
  // anew from the layer's style sections (the second came from the project),
  // so the key that is no style key is gone from it.
  layer->SetCaption("Saved");
  layer->SaveConfig();
  EXPECT_EQ(ini->IniFile().ReadString("Vornakel Layer", "Caption", ""), "Saved");
  EXPECT_EQ(ini->IniFile().ReadString("Vornakel Layer 1", "Caption", "none"), "none");
  EXPECT_TRUE(ini->Changed());

  // A layer's save without a project writes nothing anywhere.
  f.viewer->Close();
  EXPECT_EQ(f.viewer->ProjectConfig(), nullptr);
  EXPECT_EQ(f.viewer->ProjectPath(), "");
  TTestLayer alone("alone");
  alone.SetConfigPath("");
  alone.SaveConfig();
  EXPECT_FALSE(alone.ConfigFile()->Changed());
}

TEST_F(LayerRoot, TransparencyAndAdditionStayWithinPercent) {
  const int cases[][2] = {{150, 100}, {100, 100}, {50, 50}, {0, 0}, {-5, 0}};
  for (const auto& c : cases) {
    TTestLayer layer;
    layer.SetTransparency(c[0]);
    layer.SetAddition(c[0]);
    EXPECT_EQ(layer.Transparency(), c[1]) << c[0];
    EXPECT_EQ(layer.Addition(), c[1]) << c[0];
  }
}

TEST_F(LayerRoot, RenamingInAViewerRejectsTakenNamesInAnyCase) {
  TViewerForm f;
  auto* a = f.AddLayer("roads", {0, 0, 10, 10}, clRed);
  f.AddLayer("rivers", {0, 0, 10, 10}, clBlue);
  EXPECT_THROW(a->SetName("ROADS"), EGIS_Exception); // finds itself
  EXPECT_THROW(a->SetName("Rivers"), EGIS_Exception);
  EXPECT_NO_THROW(a->SetName("roads"));
  a->SetName("lakes");
  EXPECT_EQ(f.viewer->Get("LAKES"), a);
}

TEST_F(LayerRoot, StyleSectionsAreChosenByZoomOrScale) {
  TViewerForm f(200, 100);
  f.viewer->SetRestrictedDrag(false);
  auto* layer = f.AddLayer("a", {0, 0, 1000, 1000}, clRed);
  TGIS_ParamsList& list = layer->ParamsList();
  list.Add(); // 1: pixels per map unit at least 2
  list.GetItem(1).SetMinZoom(-2);
  list.Add(); // 2: twips zoom at least 2000 (zoom 133.3 at 96 ppi)
  list.GetItem(2).SetMinZoom(2000);
  list.Add(); // 3: another style
  list.GetItem(3).SetStyle("Big");
  list.Add(); // 4: a scale range
  list.GetItem(4).SetMinScale(1e-6);
  list.GetItem(4).SetMaxScale(1e-3);

  auto active = [&](const std::string& style) {
    layer->SelectParamsSections(style);
    std::vector<int> r;
    for (TGIS_ParamsSection* s : layer->ActiveSections())
      for (int i = 0; i < list.GetCount(); ++i)
        if (&list.GetItem(i) == s) r.push_back(i);
    return r;
  };
  // Zoom 1 and 2 also lie within the scale range of section 4.
  f.viewer->SetZoom(1);
  EXPECT_EQ(active(""), (std::vector<int>{0, 4}));
  f.viewer->SetZoom(2);
  EXPECT_EQ(active(""), (std::vector<int>{0, 1, 4}));
  f.viewer->SetZoom(140);
  EXPECT_EQ(active(""), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(active("big"), (std::vector<int>{3}));
  EXPECT_EQ(list.Current(), 0);
  // 1 pixel = 0.0264583 cm of paper; at zoom 0.1 one pixel is 10 m.
  f.viewer->SetZoom(0.1);
  const double scale = f.viewer->GetScale();
  EXPECT_NEAR(scale, 0.000264583 / 10, 1e-9);
  EXPECT_EQ(active(""), (std::vector<int>{0, 4}));

  layer->SelectParamsSections("");
  layer->UseParamsSection(1);
  EXPECT_EQ(list.Current(), 4);
  EXPECT_EQ(layer->ActiveSections().back(), &list.GetItem(4));
}

// ---------------------------------------------------------------- conversions

/// A projection of the tests' own: x and y pass unchanged, except that y
/// bends along x by sin(4 pi x) / 10, and that x beyond `Limit` raises.
class TFakeProjection : public TGIS_ProjectionAbstract {
public:
  TFakeProjection() { UpdateConstants(); }
  double Bend = 0;
  double Limit = 1e300;
  std::string GetCode() const override { return "TESTBEND"; }
  std::string GetDescription() const override { return "bending test projection"; }
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override {
    return std::make_unique<TFakeProjection>();
  }
  void CopyExtraState(TGIS_ProjectionAbstract& target) const override {
    auto& t = static_cast<TFakeProjection&>(target);
    t.Bend = Bend;
    t.Limit = Limit;
  }
  void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override {
    if (in.X > Limit) throw EGIS_Exception("outside");
    out = TGIS_Point3D{in.X, in.Y + Bend * std::sin(4 * M_PI * in.X), in.Z, in.M};
  }
  void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override {
    if (in.X > Limit) throw EGIS_Exception("outside");
    out = TGIS_Point3D{in.X, in.Y - Bend * std::sin(4 * M_PI * in.X), in.Z, in.M};
  }
};

TEST_F(LayerRoot, UnitsAndRotationConvertWithoutAViewerProjection) {
  TViewerForm f;
  auto* layer = f.AddLayer("km", {0, 0, 10, 10}, clRed);
  layer->Units().SetType(gisUnitsKilometer);
  const TGIS_Point p = layer->PointToViewer({1, 2});
  EXPECT_DOUBLE_EQ(p.X, 1000);
  EXPECT_DOUBLE_EQ(p.Y, 2000);
  const TGIS_Point back = layer->PointFromViewer({1000, 2000});
  EXPECT_DOUBLE_EQ(back.X, 1);
  EXPECT_DOUBLE_EQ(back.Y, 2);
  // A layer projection alone changes nothing.
  TFakeProjection bend;
  bend.Bend = 0.5;
  layer->SetProjection(&bend);
  EXPECT_DOUBLE_EQ(layer->PointToViewer({0.125, 0}).Y, 0);

  const TGIS_Extent empty = GisEmptyExtent();
  EXPECT_TRUE(GisIsSameExtent(layer->ExtentFromViewer(empty), empty));
  layer->Units().SetType(gisUnitsMeter);
  layer->SetProjection(nullptr);
  f.viewer->SetRotationAngle(M_PI / 2);
  const TGIS_Point r = layer->PointToViewer({1, 0});
  EXPECT_NEAR(r.X, 0, 1e-12);
  EXPECT_NEAR(r.Y, -1, 1e-12); // a positive angle turns the map clockwise
  const TGIS_Point u = layer->PointFromViewer(r);
  EXPECT_NEAR(u.X, 1, 1e-12);
  EXPECT_NEAR(u.Y, 0, 1e-12);
}

TEST_F(LayerRoot, ProjectionFailuresPassOnTheLayerSideOnly) {
  TViewerForm f;
  auto* layer = f.AddLayer("a", {0, 0, 1, 1}, clRed);
  TFakeProjection layerSide, viewerSide;
  layerSide.Limit = 0.5;
  viewerSide.Bend = 0.1;
  viewerSide.Limit = 0.7;
  f.viewer->SetProjection(&viewerSide);
  layer->SetProjection(&layerSide);
  EXPECT_THROW(layer->PointToViewer({0.6, 0}), EGIS_Exception);
  layer->SetProjection(nullptr);
  // The viewer's projection raises beyond 0.7: the point keeps its value
  // from the datum step.
  const TGIS_Point kept = layer->PointToViewer({0.8, 0.25});
  EXPECT_NEAR(kept.X, 0.8, 1e-9);
  EXPECT_NEAR(kept.Y, 0.25, 1e-9);
  const TGIS_Point bent = layer->PointToViewer({0.125, 0.25});
  EXPECT_NEAR(bent.Y, 0.35, 1e-9);
}

TEST_F(LayerRoot, ProjectedExtentSamplesCurvedEdges) {
  TViewerForm f;
  auto* layer = f.AddLayer("a", {0, 0, 1, 1}, clRed);
  TFakeProjection bend;
  bend.Bend = 0.1;
  f.viewer->SetProjection(&bend);
  // The eight corner and midpoint samples all sit where the sine is 0.
  const TGIS_Extent eight = layer->ExtentToViewer(layer->Extent());
  EXPECT_NEAR(eight.YMax, 1, 1e-9);
  layer->RecalcProjectedExtent();
  const TGIS_Extent sampled = layer->ProjectedExtent();
  EXPECT_GT(sampled.YMax, 1.09); // the top edge bulges near x = 1/8
  EXPECT_LT(sampled.YMin, -0.09);
}

} // namespace
