// The OpenGIS layer's read path over rows a database hands it. The first
// byte picks the storage:
//   - even: binary storage, the rest is the well-known binary of shape 1;
//   - odd: normalized storage, the rest is a list of rows of shape 1, each
//     ESEQ, ETYPE, SEQ and a pair count (one byte each) and that many pairs
//     of doubles (the other pairs NULL); a second byte of the row list caps
//     the catalogue's points per row.
// The cursor and GetShape read the shape back: extent, points, attribute
// and its exchange forms.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/ShapeExports.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/database/GisLayerSqlOgis.h"
#include "gis/database/GisSharedConnections.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace {

struct TOgisFuzzLayers {
  std::unique_ptr<TGIS_LayerSqlOgisAdo> Binary, Normalized;
  std::string File;
};

TOgisFuzzLayers& OgisFuzz() {
  // The connection registry is made first, so that it is destroyed after
  // the layers that hold its connections.
  GisSharedConnections();
  static TOgisFuzzLayers layers;
  return layers;
}

std::unique_ptr<TGIS_LayerSqlOgisAdo> OgisFuzzLayer(const std::string& storage, const std::string& name) {
  const std::string config = "Storage=" + storage + "\\nLayer=" + name +
                             "\\nDialect=MSJET\\nADO=Provider=SQLite;Data Source=" + OgisFuzz().File;
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
  TGIS_LayerSqlOgisAdo builder;
  builder.SetPath(config);
  builder.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  auto layer = std::make_unique<TGIS_LayerSqlOgisAdo>();
  layer->SetPath(config);
  layer->Open();
  return layer;
}

void OgisFuzzRead(TGIS_LayerSqlOgisAdo& layer) {
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
    layer.MakeDormant();
    if (TGIS_Shape* s = layer.GetShape(1)) s->GetField("NAME");
  } catch (const Exception&) {
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  OgisFuzz().File = skfuzz::ScratchPath("ogis_layer.db");
  std::remove(OgisFuzz().File.c_str());
  data::CreateDatabaseFile(OgisFuzz().File);
  OgisFuzz().Binary = OgisFuzzLayer("OpenGisBlob", "FZB");
  OgisFuzz().Normalized = OgisFuzzLayer("OpenGisNormalized", "FZN");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool binary = data[0] % 2 == 0;
  TGIS_LayerSqlOgisAdo& layer = binary ? *OgisFuzz().Binary : *OgisFuzz().Normalized;
  layer.MakeDormant();
  const std::string geo = layer.GeometryTableName();
  try {
    if (binary) {
      layer.TableOpenRow(2, geo, 1);
      layer.TableSetField(2, "WKB_GEOMETRY", Variant(std::vector<std::uint8_t>(data + 1, data + size)));
      layer.TablePost(2);
      layer.TableClose(2);
    } else {
      layer.DbExecute("DELETE FROM " + geo + " WHERE GID=1");
      layer.DbExecute("UPDATE GEOMETRY_COLUMNS SET MAX_PPR=" + IntToStr(static_cast<int>(data[1] % 20) - 1) +
                      " WHERE G_TABLE_NAME='FZN'");
      std::size_t at = 2;
      for (int rows = 0; at + 4 <= size && rows < 64; ++rows) {
        const int eseq = data[at], etype = data[at + 1] % 5, seq = data[at + 2], pairs = data[at + 3] % 17;
        at += 4;
        layer.TableAppend(2, geo);
        layer.TableSetField(2, "GID", 1);
        layer.TableSetField(2, "ESEQ", eseq);
        layer.TableSetField(2, "ETYPE", etype);
        layer.TableSetField(2, "SEQ", seq);
        for (int k = 1; k <= pairs && at + 16 <= size; ++k, at += 16) {
          double xy[2];
          std::memcpy(xy, data + at, 16);
          layer.TableSetField(2, "X" + IntToStr(k), xy[0]);
          layer.TableSetField(2, "Y" + IntToStr(k), xy[1]);
        }
        layer.TablePost(2);
      }
      layer.TableClose(2);
    }
  } catch (const Exception&) {
    layer.TableClose(2);
    return 0;
  }
  if (binary) {
    OgisFuzzRead(layer);
    return 0;
  }
  // The catalogue's points per row are read on open.
  try {
    TGIS_LayerSqlOgisAdo reader;
    reader.SetPath(layer.Path());
    reader.Open();
    OgisFuzzRead(reader);
  } catch (const Exception&) {
  }
  return 0;
}
