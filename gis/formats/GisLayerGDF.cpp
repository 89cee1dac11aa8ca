// TGIS_LayerGDF: the two passes of Open, features, geometry and attributes.
#include "gis/formats/GisLayerGDF.h"

#include <algorithm>

#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisLayerGDFReader.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char GDF_DESCRIPTION[] = "Geographic Data File";

/// Attribute types whose values are name ids ("41" records): official and
/// alternate names and route numbers. Other values are never replaced by
/// names, however numeric they are.
bool GdfIsNameType(const std::string& type) {
  static const char* const types[] = {"ON", "AN", "RN"};
  return std::any_of(std::begin(types), std::end(types),
                     [&](const char* t) { return type == t; });
}

/// An id as an index key: letter case ignored; a numeric id by its decimal
/// text, so that "0012" and "12" meet.
std::string GdfKey(const std::string& id) {
  Int64 v = 0;
  const std::string t = Trim(id);
  if (TryStrToInt64(t, v)) return IntToStr(v);
  return UpperCase(t);
}

} // namespace

TGIS_LayerGDF::TReader::TReader(TGIS_LayerGDF& layer) : layer_(layer) {}

TGIS_LayerGDF::TReader::~TReader() = default;

void TGIS_LayerGDF::TReader::Run() {
  TGIS_LayerGDF& l = layer_;
  stream_ = std::make_unique<TGIS_BufferedFileStream>(l.path_, false, l.OnAfterRead);
  TGIS_Viewer* viewer = l.viewer_;
  if (viewer != nullptr) viewer->BusyPrepare(&l);
  auto done = ScopeExit([&] {
    l.modified_ = false;
    if (viewer != nullptr) viewer->BusyRelease(&l);
    stream_.reset();
  });
  size_ = stream_->Size();
  eof_ = size_ == 0;
  DetectSeparator();
  ReadRecord();
  try {
    // The definition section runs to the first "16" or "23" record.
    bool data = true;
    while (!IsRecordType("16") && !IsRecordType("23")) {
      ReadDefinition();
      if (eof_) {
        data = false;
        break;
      }
      ReadRecord();
    }
    l.AddFieldEx("FEATURE_NAME", gisFieldTypeString, 255, 0, true, 0);
    while (data && IsRecordType("16")) {
      if (eof_) data = false;
      ReadRecord();
    }
    if (data) {
      const std::int64_t first = recordStart_;
      firstPass_ = true;
      for (;;) {
        IndexRecord();
        if (eof_) break;
        ReadRecord();
      }
      firstPass_ = false;
      ReadAt(first);
      for (;;) {
        FeatureRecord();
        progress_ = size_ + stream_->GetPosition();
        if (eof_) break;
        ReadRecord();
      }
    }
  } catch (const Exception&) {
    Fail();
  }
  done.Run();
  l.SetInfoText(std::string(GDF_DESCRIPTION) + " " + description_);
}

// ---- random access ---------------------------------------------------------------------------

TGIS_LayerGDF::TReader::TSaved TGIS_LayerGDF::TReader::Save() const {
  return TSaved{stream_->GetPosition(), eof_};
}

void TGIS_LayerGDF::TReader::Restore(const TSaved& saved) {
  stream_->Seek(saved.Position, 0);
  eof_ = saved.Eof;
}

void TGIS_LayerGDF::TReader::ReadAt(std::int64_t position) {
  stream_->Seek(position, 0);
  eof_ = position >= size_;
  ReadRecord();
}

// ---- the first pass: indexes and names -------------------------------------------------------

void TGIS_LayerGDF::TReader::IndexRecord() {
  const std::int64_t start = recordStart_;
  auto index = [&](int type, const char* id, std::map<std::string, std::int64_t>& target) {
    const TRecord r = ReadLayout(type, id);
    const std::string key = GdfKey(r.Text(id));
    if (!key.empty()) target.emplace(key, start);
  };
  if (IsRecordType("23"))
    index(23, "XYZ_ID", coordinates_);
  else if (IsRecordType("25"))
    index(25, "KNOT_ID", knots_);
  else if (IsRecordType("24"))
    index(24, "EDGE_ID", edges_);
  else if (IsRecordType("44"))
    index(44, "SATT_ID", attributes_);
  else if (IsRecordType("41")) {
    try {
      const TRecord r = ReadLayout(41);
      names_.emplace(r.Number("NAME_ID"), r.Text("TEXT"));
    } catch (const Exception&) {
      // A name record that cannot be read is dropped.
    }
  }
}

// ---- the second pass: features ----------------------------------------------------------------

void TGIS_LayerGDF::TReader::FeatureRecord() {
  if (IsRecordType("51"))
    HandlePointFeature();
  else if (IsRecordType("52"))
    HandleLineFeature();
  else if (IsRecordType("54"))
    HandleComplexFeature();
}

void TGIS_LayerGDF::TReader::AddCoordinates(const std::string& xyzId,
                                            std::vector<TGIS_Point3D>& points) {
  auto it = coordinates_.find(GdfKey(xyzId));
  if (it == coordinates_.end()) return;
  ReadAt(it->second);
  const TRecord r = ReadLayout(23);
  for (const auto& c : r.Groups[0]) {
    Int64 x = 0, y = 0, z = 0;
    TryStrToInt64(c[0], x);
    TryStrToInt64(c[1], y);
    TryStrToInt64(c[2], z);
    points.push_back(TGIS_Point3D{double(x), double(y), double(z), 0});
  }
}

std::string TGIS_LayerGDF::TReader::KnotCoordinates(const std::string& knotId) {
  auto it = knots_.find(GdfKey(knotId));
  if (it == knots_.end()) return std::string();
  ReadAt(it->second);
  return ReadLayout(25).Text("XYZ_ID");
}

bool TGIS_LayerGDF::TReader::ReadEdge(const std::string& edgeId, std::string& xyz,
                                      std::string& from, std::string& to) {
  auto it = edges_.find(GdfKey(edgeId));
  if (it == edges_.end()) return false;
  ReadAt(it->second);
  const TRecord r = ReadLayout(24);
  xyz = r.Text("XYZ_ID");
  const std::string fromKnot = r.Text("FKNOT_ID"), toKnot = r.Text("TKNOT_ID");
  from = KnotCoordinates(fromKnot);
  to = KnotCoordinates(toKnot);
  return true;
}

void TGIS_LayerGDF::TReader::AddPointFeature(const std::string& pointId,
                                             std::vector<TGIS_Point3D>& points) {
  auto it = points_.find(GdfKey(pointId));
  if (it == points_.end()) return;
  ReadAt(it->second);
  const TRecord r = ReadLayout(51);
  for (const auto& knot : r.Groups[0])
    AddCoordinates(KnotCoordinates(knot[0]), points);
}

void TGIS_LayerGDF::TReader::AddLineFeature(const std::string& lineId,
                                            std::vector<TGIS_Point3D>& points) {
  auto it = lines_.find(GdfKey(lineId));
  if (it == lines_.end()) return;
  ReadAt(it->second);
  AddLineGeometry(ReadLayout(52), points);
}

void TGIS_LayerGDF::TReader::AddLineGeometry(const TRecord& line,
                                             std::vector<TGIS_Point3D>& points) {
  AddPointFeature(line.Text("FROM_ID"), points);
  for (const auto& edge : line.Groups[0]) {
    std::string xyz, from, to;
    if (!ReadEdge(edge[0], xyz, from, to)) continue;
    if (Trim(edge[1]) == "-") {
      // Walked against its direction: to-knot, the edge reversed, from-knot.
      AddCoordinates(to, points);
      std::vector<TGIS_Point3D> own;
      AddCoordinates(xyz, own);
      points.insert(points.end(), own.rbegin(), own.rend());
      AddCoordinates(from, points);
    } else {
      AddCoordinates(from, points);
      AddCoordinates(xyz, points);
      AddCoordinates(to, points);
    }
  }
  AddPointFeature(line.Text("TO_ID"), points);
}

namespace {

/// A new shape of the layer holding the points in one part (locked at level 3).
TGIS_Shape* GdfShape(TGIS_LayerVector& layer, TGIS_ShapeType type,
                     const std::vector<TGIS_Point3D>& points) {
  TGIS_Shape* shape = layer.CreateShape(type);
  if (shape == nullptr) return nullptr;
  shape->Lock(3);
  auto unlock = ScopeExit([&] { shape->Unlock(); });
  shape->AddPart();
  for (const TGIS_Point3D& p : points)
    shape->AddPoint3D(p);
  return shape;
}

} // namespace

void TGIS_LayerGDF::TReader::HandlePointFeature() {
  const std::int64_t start = recordStart_;
  const TSaved saved = Save();
  const TRecord r = ReadLayout(51);
  std::vector<TGIS_Point3D> points;
  for (const auto& knot : r.Groups[0])
    AddCoordinates(KnotCoordinates(knot[0]), points);
  Describe(GdfShape(layer_, gisShapeTypeMultiPoint, points), r);
  Restore(saved);
  points_.emplace(GdfKey(r.Text("POINT_ID")), start);
}

void TGIS_LayerGDF::TReader::HandleLineFeature() {
  const std::int64_t start = recordStart_;
  const TSaved saved = Save();
  const TRecord r = ReadLayout(52);
  std::vector<TGIS_Point3D> points;
  AddLineGeometry(r, points);
  Describe(GdfShape(layer_, gisShapeTypeArc, points), r);
  Restore(saved);
  lines_.emplace(GdfKey(r.Text("LIFE_ID")), start);
}

void TGIS_LayerGDF::TReader::HandleComplexFeature() {
  const TSaved saved = Save();
  const TRecord r = ReadLayout(54, nullptr, true);
  for (const auto& part : r.Groups[0]) {
    Int64 category = 0;
    TryStrToInt64(part[0], category);
    if (category == 4) break;
    std::vector<TGIS_Point3D> points;
    TGIS_ShapeType type = gisShapeTypeUnknown;
    if (category == 1) {
      AddPointFeature(part[1], points);
      type = gisShapeTypePoint;
    } else if (category == 2 || category == 3) {
      AddLineFeature(part[1], points);
      type = gisShapeTypeArc;
    } else {
      continue;
    }
    Describe(GdfShape(layer_, type, points), r);
  }
  Restore(saved);
}

void TGIS_LayerGDF::TReader::Describe(TGIS_Shape* shape, const TRecord& feature) {
  if (shape == nullptr) return;
  SetFeatureName(*shape, feature.Number("FEAT_CODE"));
  // Every feature record keeps its attribute ids in its second group.
  for (const auto& a : feature.Groups[1])
    ApplyAttributes(*shape, a[0]);
}

void TGIS_LayerGDF::TReader::SetFeatureName(TGIS_Shape& shape, std::int64_t code) {
  auto it = featureClasses_.find(code);
  if (it != featureClasses_.end()) shape.SetField("FEATURE_NAME", Variant(it->second));
}

void TGIS_LayerGDF::TReader::ApplyAttributes(TGIS_Shape& shape, const std::string& attributeId) {
  auto it = attributes_.find(GdfKey(attributeId));
  if (it == attributes_.end()) return;
  ReadAt(it->second);
  const TRecord r = ReadLayout(44);
  for (const auto& a : r.Groups[0]) {
    const std::string& type = a[0];
    std::string name = type;
    for (const T_AttrDefobj& d : attributeDefinitions_)
      if (d.Code == type) {
        name = d.Name;
        break;
      }
    if (!name.empty() && layer_.FindFieldIndex(name) < 0)
      layer_.AddFieldEx(name, gisFieldTypeString, 1, 0, true, 0);
    shape.SetField(name, Variant(DecodeValue(type, a[2])));
  }
}

std::string TGIS_LayerGDF::TReader::DecodeValue(const std::string& type,
                                                const std::string& value) {
  if (value.empty()) return value;
  const char first = char(UpperCase(value.substr(0, 1))[0]);
  if ((first < 'A' || first > 'Z') && GdfIsNameType(type)) {
    Int64 id = 0;
    if (TryStrToInt64(value, id)) {
      auto it = names_.find(id);
      if (it != names_.end()) return it->second;
    }
  }
  auto it = valueDescriptions_.find(type + value);
  return it != valueDescriptions_.end() ? it->second : value;
}

// ---- the layer -------------------------------------------------------------------------------

TGIS_LayerGDF::TGIS_LayerGDF() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerGDF::~TGIS_LayerGDF() = default;

void TGIS_LayerGDF::Open() {
  TGIS_LayerVector::Open();
  if (path_.empty()) return;
  TReader reader(*this);
  reader.Run();
  RecalcExtent();
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
}

void GisRegisterLayerGDF() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerGDF", GDF_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerGDF>();
      });
}
