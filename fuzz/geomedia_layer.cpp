// The GeoMedia warehouse layer's open and read path over hostile metadata
// and geometry: the input gives the class's geometry type code (first
// byte), the key column's and the geometry table's names in FieldLookup
// (two texts ended by a 0 byte) and the GDO blob of the first row (the
// rest). The layer opens the warehouse and its cursor reads every shape.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/database/GisLayerSqlGm.h"
#include "gis/database/GisSharedConnections.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

std::string& FuzzGmConfig() {
  static std::string config;
  return config;
}

std::string& FuzzGmAdo() {
  static std::string ado;
  return ado;
}

/// A text as a SQL literal (apostrophes doubled).
std::string FuzzGmQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

std::string FuzzGmHex(const std::uint8_t* data, std::size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out = "X'";
  for (std::size_t i = 0; i < size; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
  return out + "'";
}

/// The next text of the input, up to a 0 byte (at most 40 bytes).
std::string FuzzGmText(const std::uint8_t*& data, std::size_t& size, const std::string& fallback) {
  std::string out;
  while (size > 0 && *data != 0 && out.size() < 40) {
    out += static_cast<char>(*data);
    ++data, --size;
  }
  if (size > 0) ++data, --size;
  return out.empty() ? fallback : out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  const std::string file = skfuzz::ScratchPath("geomedia_layer.mdb");
  std::remove(file.c_str());
  data::CreateDatabaseFile(file);
  FuzzGmAdo() = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
  FuzzGmConfig() = "Storage=Geomedia\\nLayer=FZ\\nDialect=MSJET\\nADO=" + FuzzGmAdo();
  TGIS_LayerVector source;
  source.SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source.AddField("NAME", gisFieldTypeString, 10, 0);
  for (int i = 0; i < 2; ++i) {
    TGIS_Shape* s = source.CreateShape(gisShapeTypeArc);
    s->Lock(2);
    s->AddPart();
    s->AddPoint({0, 0});
    s->AddPoint({1.0 + i, 1});
    s->Unlock();
    s->SetField("NAME", "seed");
  }
  TGIS_LayerSqlGmAdo builder;
  builder.SetPath(FuzzGmConfig());
  builder.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeArc, "", false);
  // Held for the whole run: the layers share it.
  GisSharedConnections().Acquire(FuzzGmAdo(), "", "");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int code = static_cast<std::int8_t>(data[0]);
  ++data, --size;
  const std::string key = FuzzGmText(data, size, "GDO_ID");
  const std::string table = FuzzGmText(data, size, "FZ");
  data::Connection* c = GisSharedConnections().Acquire(FuzzGmAdo(), "", "");
  try {
    c->Execute("UPDATE GeometryProperties SET GeometryType=" + IntToStr(code));
    c->Execute("UPDATE FieldLookup SET FieldName=" + FuzzGmQuoted(key) + " WHERE FieldName<>'GEOMETRY' AND "
               "FieldName<>'GEOMETRY_SK' AND FieldName<>'NAME'");
    c->Execute("UPDATE FieldLookup SET FeatureName=" + FuzzGmQuoted(table) + " WHERE FieldName='GEOMETRY'");
    c->Execute("UPDATE FZ SET GEOMETRY=" + FuzzGmHex(data, size) + " WHERE GDO_ID=1");
  } catch (const Exception&) {
    GisSharedConnections().Release(c);
    return 0;
  }
  GisSharedConnections().Release(c);
  try {
    TGIS_LayerSqlGmAdo layer;
    layer.SetPath(FuzzGmConfig());
    layer.Open();
    for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext()) {
      TGIS_Shape* s = layer.GetCurrentShape();
      skfuzz::Check(s != nullptr, "the cursor gave no shape");
      s->GetExtentRaw();
      for (int p = 0; p < s->GetNumParts(); ++p)
        for (int i = 0; i < s->GetPartSize(p); ++i) s->GetPoint(p, i);
      s->GetField("NAME");
    }
    layer.GetShape(1);
  } catch (const Exception&) {
  }
  return 0;
}
