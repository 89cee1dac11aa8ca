// Database layer configurations: kinds, values, new database files, and the
// factory hooks.
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/viewer/GisRegistredLayers.h"

#include "platform/rtl/StringList.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace layerconfig_test {

struct TKindCase {
  const char* Name;
  const char* FileName;    // '' : the text is the path itself
  const char* FileText;    // nullptr: no file
  const char* Text;        // the path (or inline text)
  int Kind;
  int Lines;
};

TEST(GisLayerConfig, KindsOfPathsFilesAndInlineTexts) {
  const TKindCase cases[] = {
      {"inline three lines", "", nullptr, "Storage=Native\\nLayer=ROADS\\nADO=Provider=SQLite", 2, 3},
      {"inline without Storage", "", nullptr, "Layer=ROADS\\nADO=Provider=SQLite", 0, 2},
      {"missing lower-case file", "new.vrkls", nullptr, "", 1, 1},
      {"missing pixel store", "new.VRKPS", nullptr, "", 1, 1},
      {"file with ADO", "a.VRKLS", "[Vornakel Layer]\nStorage=Native\nLayer=A\nADO=\"Provider=SQLite;Data Source=x.db\"\n", "", 1, 3},
      {"file without ADO", "b.VRKLS", "[Vornakel Layer]\nStorage=Native\nLayer=B\n", "", 2, 2},
      {"file with blank ADO", "c.VRKLS", "[Vornakel Layer]\nStorage=Native\nADO=   \n", "", 2, 2},
      {"other extension", "d.ini", "[Vornakel Layer]\nADO=x\n", "", 0, 1},
  };
  sktest::TTempDir dir("cfg");
  for (const TKindCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string path = c.Text;
    if (*c.FileName != '\0') {
      path = dir / c.FileName;
      if (c.FileText != nullptr) dir.Write(c.FileName, c.FileText);
    }
    TStringList lines;
    EXPECT_EQ(GisReadLayerConfig(path, &lines), c.Kind);
    EXPECT_EQ(lines.Count(), c.Lines) << lines.Text();
  }
  std::string value;
  EXPECT_EQ(GisReadLayerConfigValue(dir / "a.VRKLS", "ado", value), 1);
  EXPECT_EQ(value, "Provider=SQLite;Data Source=x.db"); // quotes removed
  EXPECT_EQ(GisReadLayerConfigValue("Storage= Native \\nLayer=  R  ", "layer", value), 2);
  EXPECT_EQ(value, "R");
}

TEST(GisLayerConfig, JetDatabaseIsAnEmptySqliteFileNeverOverwritten) {
  sktest::TTempDir dir("cfg");
  const std::string file = dir / "Layers.mdb";
  EXPECT_EQ(GisCreateJetDatabase(file), "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Layers.mdb\"");
  EXPECT_EQ(sktest::TTempDir::Read(file).substr(0, 16), std::string("SQLite format 3\0", 16));
  dir.Write("Other.mdb", "keep me");
  EXPECT_EQ(GisCreateJetDatabase(dir / "Other.mdb"), "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Other.mdb\"");
  EXPECT_EQ(sktest::TTempDir::Read(dir / "Other.mdb"), "keep me");
}

TEST(GisLayerConfig, PixelStoreKindsAndFactoryHooks) {
  sktest::TTempDir dir("cfg");
  dir.Write("v2.VRKPS", "[Vornakel Layer]\nStorage=PixelStore2\nLayer=S\nADO=Provider=SQLite;Data Source=x\n");
  dir.Write("v2noado.VRKPS", "[Vornakel Layer]\nStorage=PixelStore2\nLayer=S\n");
  dir.Write("v1.VRKPS", "[Vornakel Layer]\nPixelStore=Provider=SQLite;Data Source=x\nADO=x\n");
  EXPECT_EQ(GisPixelStore2ConfigKind(dir / "v2.VRKPS"), 1);
  EXPECT_EQ(GisPixelStore2ConfigKind(dir / "v2noado.VRKPS"), 2);
  EXPECT_EQ(GisPixelStore2ConfigKind(dir / "v1.VRKPS"), 0);
  EXPECT_EQ(GisPixelStore2ConfigKind(dir / "missing.vrkps"), 1);
  EXPECT_EQ(GisPixelStore2ConfigKind("Storage=PixelStore2\\nADO=Provider=SQLite"), 1);

  GisDatabaseRegisterLayers();
  auto& hooks = TGIS_RegistredLayers::Hooks();
  ASSERT_TRUE(hooks.ReadLayerConfigValue);
  ASSERT_TRUE(hooks.PixelStoreV2Accepts);
  std::string value;
  EXPECT_EQ(hooks.ReadLayerConfigValue(dir / "v2.VRKPS", "Layer", value), 1);
  EXPECT_EQ(value, "S");
  EXPECT_TRUE(hooks.PixelStoreV2Accepts(dir / "v2.VRKPS"));
  EXPECT_FALSE(hooks.PixelStoreV2Accepts(dir / "v1.VRKPS"));
}

} // namespace layerconfig_test

#include "gis/core/GisResource.h"
#include "gis/database/GisLayerPixelStore.h"

namespace layerconfig_test {

TEST(GisLayerConfig, GoodAndDamagedSamples) {
  const std::string folder = std::string(std::getenv("SK_TEST_DATA")) + "/layerconfig/";
  TStringList lines;
  EXPECT_EQ(GisReadLayerConfig(folder + "good.VRKLS", &lines), 1);
  EXPECT_EQ(lines.Values("Storage"), "Native");
  EXPECT_EQ(lines.Values("Layer"), "ROADS");
  EXPECT_EQ(lines.Values("ADO"), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Layers.mdb");
  // A broken section header, a value cut at the line end, a line without "=":
  // read as far as the ini rules go, with no ADO value.
  EXPECT_EQ(GisReadLayerConfig(folder + "damaged.VRKLS", &lines), 2);
  EXPECT_EQ(lines.Values("ADO"), "");
  EXPECT_EQ(GisPixelStore2ConfigKind(folder + "pixelstore2.VRKPS"), 1);
  // A first-version layer file, and one whose cardinal point is no number.
  EXPECT_EQ(GisPixelStore2ConfigKind(folder + "pixelstore1.VRKPS"), 0);
  const TGIS_PixelStoreLayerFile old = GisReadPixelStoreLayerFile(folder + "pixelstore1.VRKPS");
  EXPECT_EQ(old.ConnectionString, "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ortho.mdb\"");
  EXPECT_EQ(old.CardinalX, 5400000.5);
  EXPECT_EQ(old.CardinalY, -120.25);
  EXPECT_THROW(GisReadPixelStoreLayerFile(folder + "pixelstore1-damaged.VRKPS"), Exception);
  GisDatabaseRegisterLayers();
  auto layer = GisCreateLayer("damaged", folder + "pixelstore1-damaged.VRKPS");
  ASSERT_NE(layer, nullptr);
  try {
    layer->EnsureOpen();
    FAIL() << "a damaged layer file opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0031"), std::string::npos) << e.Message();
  }
}

} // namespace layerconfig_test
