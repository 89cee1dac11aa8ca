// TGIS_LayerGML: writing GML 2 text through the document writer.
#include <cerrno>
#include <set>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsWriter.h"
#include "gis/formats/GisLayerGML.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char GML_NAMESPACE[] = "http://www.opengis.net/gml";
/// Text gathered before it goes to the file.
constexpr std::size_t FLUSH_SIZE = std::size_t(1) << 18;

} // namespace

std::string GmlEscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '"': out += "&quot;"; break;
    case '&': out += "&amp;"; break;
    case '\'': out += "&apos;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    default:
      if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\n' && c != '\r') out += ' ';
      else out += c;
    }
  }
  return out;
}

std::vector<std::string> GisGmlElementNames(const std::vector<std::string>& fieldNames) {
  std::vector<std::string> names;
  std::set<std::string> used;
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    const std::string& f = fieldNames[i];
    std::string name;
    int replaced = 0;
    for (std::size_t k = 0; k < f.size(); ++k) {
      char c = f[k];
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      const bool ok = (c >= 'A' && c <= 'Z') || (k > 0 && c >= '0' && c <= '9');
      if (!ok) {
        c = '_';
        ++replaced;
      }
      name += c;
    }
    if (f.empty() || double(replaced) >= double(f.size()) / 4) name = "NAME_" + IntToStr(int(i));
    std::string unique = name;
    for (int k = 2; used.count(unique) != 0; ++k)
      unique = name + "_" + IntToStr(k);
    used.insert(unique);
    names.push_back(unique);
  }
  return names;
}

class TGIS_LayerGML::TWriter {
public:
  TWriter(TGIS_LayerGML& layer) : layer_(layer), w_(*layer.contentWriter_) {}

  void Start(const std::string& qName) {
    w_.startElement("", "", qName, none_);
  }
  void End(const std::string& qName) { w_.endElement("", "", qName); }
  void Text(const std::string& text) { w_.characters(text); }
  void Element(const std::string& qName, const std::string& text) {
    Start(qName);
    Text(text);
    End(qName);
  }

  void Coordinates(const std::vector<TGIS_Point>& points) {
    if (layer_.UseCoordinates) {
      Start("gml:coordinates");
      for (std::size_t i = 0; i < points.size(); ++i)
        Text(GisFloatToStr(points[i].X) + "," + GisFloatToStr(points[i].Y) +
             (i + 1 < points.size() ? " " : ""));
      End("gml:coordinates");
    } else {
      for (const TGIS_Point& p : points) {
        Start("gml:coord");
        Element("gml:X", GisFloatToStr(p.X));
        Element("gml:Y", GisFloatToStr(p.Y));
        End("gml:coord");
      }
    }
  }

  void Part(TGIS_Shape& s, int part) {
    std::vector<TGIS_Point> points;
    for (int i = 0; i < s.GetPartSize(part); ++i)
      points.push_back(s.GetPoint(part, i));
    Coordinates(points);
  }

  void BoundedBy(const TGIS_Extent& e) {
    Start("gml:boundedBy");
    Start("gml:Box");
    Coordinates({{e.XMin, e.YMin}, {e.XMax, e.YMax}});
    End("gml:Box");
    End("gml:boundedBy");
  }

  void Geometry(TGIS_Shape& s) {
    const int parts = s.GetNumParts();
    switch (s.ShapeType()) {
    case gisShapeTypePoint:
      Start("gml:Point");
      Coordinates({s.GetPoint(0, 0)});
      End("gml:Point");
      break;
    case gisShapeTypeMultiPoint:
      Start("gml:MultiPoint");
      for (int p = 0; p < parts; ++p)
        for (int i = 0; i < s.GetPartSize(p); ++i) {
          Start("pointMember");
          Start("gml:Point");
          Coordinates({s.GetPoint(p, i)});
          End("gml:Point");
          End("pointMember");
        }
      End("gml:MultiPoint");
      break;
    case gisShapeTypeArc:
      if (parts == 1) {
        Start("gml:LineString");
        Part(s, 0);
        End("gml:LineString");
      } else {
        Start("gml:MultiLineString");
        for (int p = 0; p < parts; ++p) {
          Start("gml:LineStringMember");
          Start("gml:LineString");
          Part(s, p);
          End("gml:LineString");
          End("gml:LineStringMember");
        }
        End("gml:MultiLineString");
      }
      break;
    case gisShapeTypePolygon:
      Start("gml:Polygon");
      for (int p = 0; p < parts; ++p) {
        const char* boundary = p == 0 ? "gml:outerBoundaryIs" : "gml:innerBoundaryIs";
        Start(boundary);
        Start("gml:LinearRing");
        Part(s, p);
        End("gml:LinearRing");
        End(boundary);
      }
      End("gml:Polygon");
      break;
    default:
      break;
    }
  }

  /// Writes the feature whole, or nothing of it when it fails; true when written.
  bool Feature(TGIS_Shape& shape, TGIS_Shape& values, const std::vector<int>& fields) {
    if (shape.GetNumParts() == 0 || shape.GetNumPoints() == 0) return false;
    T_SAXDocumentWriter& doc = *layer_.documentWriter_;
    doc.BeginUnit();
    try {
      shape.Lock(2);
      auto unlock = ScopeExit([&] { shape.Unlock(); });
      Start("gml:featureMember");
      Start("g:PROPERTIES fid=\"UID." + IntToStr(values.Uid()) + "\"");
      if (layer_.WriteAttributesOption)
        for (std::size_t k = 0; k < fields.size(); ++k) {
          const TGIS_FieldInfo& f = *layer_.GetFieldInfo(fields[k]);
          Element("g:" + layer_.exportedNames_[k], GmlEscapeText(Value(values, f)));
        }
      Start("g:GEOMETRY");
      Geometry(shape);
      End("g:GEOMETRY");
      End("g:PROPERTIES");
      End("gml:featureMember");
    } catch (const Exception&) {
      doc.EndUnit(false);
      return false;
    }
    doc.EndUnit(true);
    return true;
  }

private:
  static std::string Value(TGIS_Shape& shape, const TGIS_FieldInfo& f) {
    const Variant v = shape.GetFieldEx(f.NewName);
    if (v.IsNull() || v.IsEmpty()) return std::string();
    if (f.FieldType == gisFieldTypeNumber || f.FieldType == gisFieldTypeFloat)
      return GisFloatToStr(v.AsDouble());
    return v.AsString();
  }

  TGIS_LayerGML& layer_;
  T_SAXContentWriter& w_;
  TSAXAttributes none_;
};

void TGIS_LayerGML::Build(const std::string& path, const TGIS_Extent& extent,
                          TGIS_ShapeType shapeType) {
  TGIS_FileSet::Recover(path);
  TGIS_LayerVector::Build(path, extent, shapeType);
  if (FileExists(path_)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, path_, 0);
  ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerGML::SaveData() {
  TGIS_LayerVector::SaveData();
  if (ShapeCount() > 0 && IsModified())
    ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerGML::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  TGIS_FileSet::Recover(path_);
  const std::int32_t end = layer->GetLastUid();
  TGIS_SourcePass pass(*layer, end);
  const bool sameFile = GisIsSameLayerFile(*layer, *this);
  if (layer != this) ImportStructure(*layer);
  PrepareExportNames(32, false);
  // One element name per field for the whole export.
  std::vector<int> fields;
  std::vector<std::string> fieldNames;
  for (int i = 0; i < FieldCount(); ++i)
    if (!GetFieldInfo(i)->Deleted) {
      fields.push_back(i);
      fieldNames.push_back(GetFieldInfo(i)->NewName);
    }
  exportedNames_ = GisGmlElementNames(fieldNames);

  TGIS_FileSet set({path_});
  std::unique_ptr<TFileStream> file;
  T_SAXDocumentWriter& doc = *documentWriter_;
  auto detach = ScopeExit([&] { doc.SetOutput(nullptr); });
  int written = 0;
  bool aborted = false;
  try {
    file = std::make_unique<TFileStream>(set.Temp(0), fmCreate);
    doc.SetOutput(file.get());
    doc.LineBreak = 1;
    contentWriter_->startDocument();
    TWriter out(*this);
    TSAXAttributes root;
    root.addAttribute("", "", "xmlns:gml", "CDATA", GML_NAMESPACE);
    root.addAttribute("", "", "xmlns:g", "CDATA", GML_NAMESPACE);
    contentWriter_->startElement("", "", "Vornakel", root);
    out.BoundedBy(GisExtentIntersection(layer->Extent(), extent));

    aborted = !pass.Walk(extent, query, clip, shapeType, [&](TGIS_Shape& shape, TGIS_Shape& values) {
      if (out.Feature(shape, values, fields)) ++written;
      if (doc.PendingSize() > FLUSH_SIZE) doc.FlushOutput();
    });
    contentWriter_->endElement("", "", "Vornakel");
    contentWriter_->endDocument();
    doc.SetOutput(nullptr);
    file.reset();
  } catch (const EGIS_Exception&) {
    doc.SetOutput(nullptr);
    file.reset();
    set.Abort();
    throw;
  } catch (const Exception&) {
    const int code = errno != 0 ? errno : EIO;
    doc.SetOutput(nullptr);
    file.reset();
    set.Fail(0, code);
  }
  if (aborted || (written == 0 && !sameFile)) {
    set.Abort();
    return;
  }
  set.Commit();
}
