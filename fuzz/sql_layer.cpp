// The native SQL layer's read path over values a database hands it: the
// input becomes the row of one shape (its type from the first byte, its
// bound point from the next sixteen, the rest as its geometry value) in a
// SQLite file, and the layer's cursor reads it back: every shape's extent,
// points and attribute, and its exchange forms.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/ShapeExports.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/database/GisLayerSqlAdo.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::string& FuzzSqlConfig() {
  static std::string config;
  return config;
}

std::unique_ptr<TGIS_LayerSqlAdo>& FuzzSqlLayer() {
  static std::unique_ptr<TGIS_LayerSqlAdo> layer;
  return layer;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  const std::string file = skfuzz::ScratchPath("sql_layer.db");
  std::remove(file.c_str());
  data::CreateDatabaseFile(file);
  FuzzSqlConfig() = "Storage=Native\\nLayer=FZ\\nDialect=MSJET\\nADO=Provider=SQLite;Data Source=" + file;
  TGIS_LayerVector source;
  source.SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source.AddField("NAME", gisFieldTypeString, 10, 0);
  TGIS_Shape* s = source.CreateShape(gisShapeTypeArc);
  s->Lock(2);
  s->AddPart();
  s->AddPoint({0, 0});
  s->AddPoint({1, 1});
  s->Unlock();
  s->SetField("NAME", "seed");
  TGIS_LayerSqlAdo builder;
  builder.SetPath(FuzzSqlConfig());
  builder.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  FuzzSqlLayer() = std::make_unique<TGIS_LayerSqlAdo>();
  FuzzSqlLayer()->SetPath(FuzzSqlConfig());
  FuzzSqlLayer()->Open();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 17) return 0;
  TGIS_LayerSqlAdo& layer = *FuzzSqlLayer();
  layer.MakeDormant();
  try {
    double xy[2];
    std::memcpy(xy, data + 1, 16);
    layer.TableOpenRow(2, layer.GeometryTableName(), 1);
    layer.TableSetField(2, "SHAPETYPE", static_cast<int>(data[0] % 8));
    layer.TableSetField(2, "XMIN", xy[0]);
    layer.TableSetField(2, "YMIN", xy[1]);
    layer.TableSetField(2, "GEOMETRY", Variant(std::vector<std::uint8_t>(data + 17, data + size)));
    layer.TablePost(2);
    layer.TableClose(2);
  } catch (const Exception&) {
    layer.TableClose(2);
    return 0;
  }
  try {
    for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext()) {
      TGIS_Shape* s = layer.GetCurrentShape();
      skfuzz::Check(s != nullptr && s->Uid() == 1, "the cursor gave another shape");
      s->GetExtentRaw();
      for (int p = 0; p < s->GetNumParts(); ++p)
        for (int i = 0; i < s->GetPartSize(p); ++i) s->GetPoint(p, i);
      s->GetField("NAME");
      skfuzz::ExportAndReadBack(*s);
    }
  } catch (const Exception&) {
  }
  return 0;
}
