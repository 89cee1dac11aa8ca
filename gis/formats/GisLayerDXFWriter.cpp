// TGIS_LayerDXF: writing a minimal ASCII drawing through a file set.
#include <cerrno>
#include <memory>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsWriter.h"
#include "gis/formats/GisLayerDXF.h"
#include "gis/formats/GisLayerDXFGroups.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

/// A longest string group value: longer ones are cut on a character boundary.
constexpr std::size_t MAX_VALUE_BYTES = 255;

/// A value as one line: CR and LF become blanks, so the code and value lines
/// stay paired; cut to 255 bytes without splitting a UTF-8 character.
std::string LineValue(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  if (text.size() > MAX_VALUE_BYTES) {
    std::size_t cut = MAX_VALUE_BYTES;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
      --cut;
    text.resize(cut);
  }
  return text;
}

class TDxfText {
public:
  void Line(const std::string& text) {
    out_ += text;
    out_ += "\r\n";
  }
  void Lines(std::initializer_list<const char*> lines) {
    for (const char* l : lines)
      Line(l);
  }
  /// Coordinates read back exactly: as many digits as the value needs.
  void Number(const char* code, double value) {
    Line(code);
    Line(GisFloatToStrExact(value));
  }
  std::string& Buffer() { return out_; }

private:
  std::string out_;
};

std::string FieldText(TGIS_Shape& shape, const std::string& name) {
  if (shape.Layer() == nullptr || shape.Layer()->FindField(name) < 0) return "";
  try {
    const Variant v = shape.GetField(name);
    if (v.IsNull() || v.IsEmpty()) return "";
    return v.AsString();
  } catch (const Exception&) {
    return "";
  }
}

std::string ColourOf(TGIS_Shape& shape) {
  const std::string own = FieldText(shape, "DXF_COLOR");
  if (!own.empty() && own != "0") return own;
  TGIS_ParamsSectionVector& p = shape.GetParamsSection();
  std::uint32_t c = 0;
  switch (shape.ShapeType()) {
  case gisShapeTypeArc: c = p.GetLine().Color(); break;
  case gisShapeTypePolygon: c = p.GetArea().OutlineColor(); break;
  default: c = p.GetMarker().Color(); break;
  }
  const auto& palette = DxfPalette();
  for (std::size_t i = 0; i < palette.size(); ++i)
    if (palette[i][0] == (c & 0xFF) && palette[i][1] == ((c >> 8) & 0xFF) &&
        palette[i][2] == ((c >> 16) & 0xFF))
      return IntToStr(int(i));
  return "0";
}

/// Horizontal (72) and vertical (73) text codes of a label position set.
void TextCodes(TGIS_LabelPositions p, std::string& h, std::string& v) {
  auto has = [p](TGIS_LabelPosition x) { return (p & LabelPositionBit(x)) != 0; };
  if (has(gisLabelPositionUpCenter))
    h = "1";
  else if (has(gisLabelPositionUpRight) || has(gisLabelPositionUpLeft) ||
           has(gisLabelPositionMiddleLeft))
    h = has(gisLabelPositionUpRight) ? "0" : "2";
  else if (has(gisLabelPositionMiddleCenter) || has(gisLabelPositionMiddleRight))
    h = has(gisLabelPositionMiddleCenter) ? "1" : "0";
  else if (has(gisLabelPositionDownLeft) || has(gisLabelPositionDownRight))
    h = has(gisLabelPositionDownLeft) ? "2" : "0";
  else
    h = has(gisLabelPositionDownCenter) ? "1" : "2";
  if (has(gisLabelPositionUpCenter) || has(gisLabelPositionUpRight) ||
      has(gisLabelPositionUpLeft))
    v = "1";
  else if (has(gisLabelPositionMiddleLeft) || has(gisLabelPositionMiddleCenter) ||
           has(gisLabelPositionMiddleRight))
    v = "0";
  else if (has(gisLabelPositionDownLeft) || has(gisLabelPositionDownRight))
    v = "3";
  else
    v = has(gisLabelPositionDownCenter) ? "3" : "0";
}

/// The extended data of a shape: its layer's fields as name=value.
void WriteXData(TDxfText& out, TGIS_Shape& shape, TGIS_LayerDXF& target) {
  TGIS_LayerVector* layer = shape.Layer();
  if (layer == nullptr || layer->FieldCount() == 0) return;
  out.Lines({"1001", "ADE", "1002", "{", "1011", "0", "1021", "0", "1031", "0"});
  const int from = target.GetOutCodePage(), to = target.GetCodePage();
  for (int i = 0; i < layer->FieldCount(); ++i) {
    const TGIS_FieldInfo& f = *layer->GetFieldInfo(i);
    if (f.Deleted) continue;
    std::string value = FieldText(shape, f.NewName);
    if (from != to) value = GisConvertCodePage(value, from, to);
    out.Line("1000");
    out.Line(LineValue(f.NewName + "=" + value));
  }
  out.Lines({"1002", "}"});
}

/// One shape's entities; false for a shape without parts (nothing written).
bool WriteShape(TDxfText& out, TGIS_Shape& shape, TGIS_LayerDXF& target) {
  shape.Lock(2);
  auto unlock = ScopeExit([&] { shape.Unlock(); });
  if (shape.GetNumParts() == 0 || shape.GetNumPoints() == 0) return false;
  const std::string layerName =
      LineValue(GisFileNameWithoutExt(shape.Layer() != nullptr ? shape.Layer()->Name() : ""));
  const std::string colour = ColourOf(shape);
  auto common = [&](const TGIS_Point3D& p) {
    out.Line("  8");
    out.Line(layerName);
    out.Line(" 62");
    out.Line(colour);
    out.Number(" 10", p.X);
    out.Number(" 20", p.Y);
    out.Number(" 30", p.Z);
  };
  switch (shape.ShapeType()) {
  case gisShapeTypePoint: {
    const TGIS_Point3D p = shape.GetPoint3D(0, 0);
    const std::string label = FieldText(shape, "DXF_LABEL");
    if (!label.empty()) {
      std::string height = FieldText(shape, "DXF_LABEL_HEIGHT");
      std::string angle = FieldText(shape, "DXF_LABEL_ANGLE");
      if (height.empty() || height == "0") height = "0.05";
      if (angle.empty()) angle = "0";
      std::string h, v;
      TextCodes(shape.GetParamsSection().GetLabel().Position(), h, v);
      out.Lines({"0", "TEXT", "1"});
      out.Line(LineValue(label));
      out.Line("40");
      out.Line(height);
      out.Line("50");
      out.Line(angle);
      out.Line("72");
      out.Line(h);
      out.Line("73");
      out.Line(v);
      out.Number(" 11", p.X);
      out.Number(" 21", p.Y);
      out.Number(" 31", p.Z);
    } else {
      out.Lines({"  0", "POINT"});
    }
    common(p);
    WriteXData(out, shape, target);
    break;
  }
  case gisShapeTypeMultiPoint:
    for (int i = 0; i < shape.GetPartSize(0); ++i) {
      out.Lines({"  0", "POINT"});
      common(shape.GetPoint3D(0, i));
      WriteXData(out, shape, target);
    }
    break;
  case gisShapeTypeArc:
  case gisShapeTypePolygon:
    for (int part = 0; part < shape.GetNumParts(); ++part) {
      out.Lines({"  0", "POLYLINE"});
      out.Line("  8");
      out.Line(layerName);
      out.Line(" 62");
      out.Line(colour);
      out.Lines({" 66", "     1", " 10", "0", " 20", "0", " 30", "0", " 70"});
      out.Line(shape.ShapeType() == gisShapeTypePolygon ? "     1" : "     0");
      WriteXData(out, shape, target);
      for (int i = 0; i < shape.GetPartSize(part); ++i) {
        const TGIS_Point3D p = shape.GetPoint3D(part, i);
        out.Lines({"  0", "VERTEX", "  8"});
        out.Line(layerName);
        out.Lines({" 70", "     0"});
        out.Number(" 10", p.X);
        out.Number(" 20", p.Y);
        out.Number(" 30", p.Z);
      }
      out.Lines({"  0", "SEQEND"});
    }
    break;
  default:
    return false;
  }
  return true;
}

} // namespace

void TGIS_LayerDXF::Build(const std::string& path, const TGIS_Extent& extent,
                          TGIS_ShapeType shapeType) {
  TGIS_FileSet::Recover(path);
  TGIS_LayerVector::Build(path, extent, shapeType);
  if (FileExists(path)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, path, 0);
  ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerDXF::SaveData() {
  TGIS_LayerVector::SaveData();
  if (ShapeCount() > 0) ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerDXF::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  TGIS_FileSet::Recover(path_);
  TGIS_SourcePass pass(*layer, layer->GetLastUid());
  if (layer != this) ImportStructure(*layer);
  PrepareExportNames(32, false);
  const bool sameFile = GisIsSameLayerFile(*layer, *this);

  TGIS_FileSet set({path_});
  std::unique_ptr<TGIS_BufferedFileStream> file;
  TDxfText out;
  auto flush = [&](bool all) {
    std::string& b = out.Buffer();
    if (all || b.size() > (1 << 18)) {
      file->Write(b.data(), std::int64_t(b.size()));
      b.clear();
    }
  };
  bool written = false, aborted = false;
  try {
    file = std::make_unique<TGIS_BufferedFileStream>(set.Temp(0), true, OnAfterRead,
                                                     OnBeforeWrite);
    const TGIS_Extent box = GisExtentIntersection(layer->Extent(), extent);
    out.Lines({"  0", "SECTION", "  2", "HEADER", "  9", "$EXTMIN"});
    out.Number(" 10", box.XMin);
    out.Number(" 20", box.YMin);
    out.Lines({"  9", "$EXTMAX"});
    out.Number(" 10", box.XMax);
    out.Number(" 20", box.YMax);
    out.Lines({"  0", "ENDSEC", "  0", "SECTION", "   2", "TABLES", "  0", "TABLE", "   2",
               "APPID", " 70", "     1", "  0", "APPID", "  2", "ADE", " 70", "    64", "  0",
               "ENDTAB", "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES"});
    pass.ClearScope();
    layer->MoveFirst(extent, query, true, "", nullptr);
    for (int counter = 0; !layer->Eof(); ++counter) {
      TGIS_Shape* shape = layer->GetCurrentShape();
      std::unique_ptr<TGIS_Shape> clipped;
      if (clip && shape != nullptr) {
        clipped = shape->GetClipped(extent);
        if (clipped != nullptr) clipped->CopyFields(*shape);
      }
      TGIS_Shape* one = clip ? clipped.get() : shape;
      if (one != nullptr && !one->IsDeleted() &&
          (shapeType == gisShapeTypeUnknown || one->ShapeType() == shapeType) &&
          WriteShape(out, *one, *this)) {
        written = true;
        flush(false);
      }
      if (shape != nullptr && pass.Shake(counter, shape->Uid())) {
        aborted = true;
        break;
      }
      layer->MoveNext();
    }
    pass.RestoreScope();
    out.Lines({"  0", "ENDSEC", "  0", "EOF"});
    flush(true);
    file.reset();
  } catch (const EGIS_Exception&) {
    file.reset();
    set.Abort();
    throw;
  } catch (const Exception&) {
    const int code = errno != 0 ? errno : EIO;
    file.reset();
    set.Fail(0, code);
  }
  if (aborted || (!written && !sameFile)) {
    set.Abort();
    return;
  }
  set.Commit();
}
