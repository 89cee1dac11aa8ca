// TGIS_LayerDGN: element decoding, the cursor with its UID index, complex
// chains and shapes, file symbology and the range-based extent.
#include "gis/formats/GisLayerDGN.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

namespace {

constexpr char DGN_DESCRIPTION[] = "Microstation Native Format (DGN)";
constexpr int DGN_INDEX_STEP = 512;
/// Linkage pairs kept per element. Real elements carry a few; a body full of
/// linkage words would otherwise add thousands of fields at Open.
constexpr std::size_t DGN_MAX_PAIRS = 64;

constexpr int KIND_POINT = 0, KIND_ARC = 1, KIND_POLYGON = 2, KIND_TEXT = 3;

double DegreesToRadians(double d) {
  return d * std::numbers::pi / 180.0;
}

TPenStyle PenOfLineStyle(int style) {
  switch (style) {
  case 1:
    return psDot;
  case 2:
  case 3:
  case 5:
    return psDash;
  case 4:
  case 7:
    return psDashDot;
  case 6:
    return psDashDotDot;
  default:
    return psSolid;
  }
}

TGIS_LabelPosition PositionOfJustification(int j) {
  switch (j) {
  case 0:
    return gisLabelPositionUpLeft;
  case 1:
    return gisLabelPositionMiddleLeft;
  case 2:
    return gisLabelPositionDownLeft;
  case 6:
    return gisLabelPositionUpCenter;
  case 8:
    return gisLabelPositionDownCenter;
  case 12:
    return gisLabelPositionUpRight;
  case 13:
    return gisLabelPositionMiddleRight;
  case 14:
    return gisLabelPositionDownRight;
  default:
    return gisLabelPositionMiddleCenter;
  }
}

} // namespace

// ---- number encodings and curves ---------------------------------------------------------

double GisDgnDFloat(const std::uint8_t* b) {
  std::uint64_t v = 0;
  for (int w = 0; w < 4; ++w)
    v = (v << 16) | std::uint64_t(b[2 * w] | (b[2 * w + 1] << 8));
  const std::uint32_t hi = std::uint32_t(v >> 32), lo = std::uint32_t(v);
  const std::uint32_t e = (hi >> 23) & 0xFF;
  const std::uint32_t e2 = e == 0 ? 0 : e + 894;
  std::uint32_t lo2 = (lo >> 3) | (hi << 29);
  if ((lo & 7) != 0) lo2 |= 1; // the bits shifted out stick to bit 0
  const std::uint32_t hi2 = ((hi >> 3) & 0xFFFFF) | (e2 << 20) | (hi & 0x80000000u);
  const std::uint64_t bits = (std::uint64_t(hi2) << 32) | lo2;
  double d;
  std::memcpy(&d, &bits, 8);
  if (std::fabs(d) > 1e20) return 0;
  return d;
}

std::vector<TGIS_Point> GisDgnStrokeArc(const TGIS_Point& origin, double a, double b, double start,
                                        double end, double rotation) {
  const double sweep = end - start;
  const double mag = std::fabs(sweep);
  const int n = mag < std::numbers::pi / 4 ? 2 : mag < std::numbers::pi / 2 ? 4 : mag < std::numbers::pi ? 8 : 15;
  std::vector<TGIS_Point> out;
  out.reserve(std::size_t(n) + 1);
  for (int k = 0; k <= n; ++k) {
    const double t = start + k * sweep / n;
    const double c = std::cos(t), s = std::sin(t);
    const double q = b * b * c * c + a * a * s * s;
    const double r = q == 0 ? 0 : std::sqrt(a * a * b * b / q);
    out.push_back({origin.X + r * std::cos(t + rotation), origin.Y + r * std::sin(t + rotation)});
  }
  return out;
}

std::vector<TGIS_Point3D> GisDgnBSpline(const std::vector<TGIS_Point3D>& poles) {
  const int m = int(poles.size());
  std::vector<TGIS_Point3D> out(std::size_t(4) * std::size_t(m < 0 ? 0 : m) + 1);
  if (m < 2) return out;
  std::vector<TGIS_Point3D> p(std::size_t(m) + 2);
  for (int i = 0; i < m; ++i)
    p[std::size_t(i) + 1] = poles[std::size_t(i)];
  auto mirror = [](const TGIS_Point3D& a, const TGIS_Point3D& b) {
    return TGIS_Point3D{2 * a.X - b.X, 2 * a.Y - b.Y, 2 * a.Z - b.Z, 0};
  };
  p[0] = mirror(p[1], p[2]);
  p[std::size_t(m) + 1] = mirror(p[std::size_t(m)], p[std::size_t(m) - 1]);
  auto weight = [](double d) {
    if (d < 1) return 2.0 / 3.0 - d * d + d * d * d / 2;
    if (d < 2) return (2 - d) * (2 - d) * (2 - d) / 6;
    return 0.0;
  };
  const int steps = 4 * m;
  for (int k = 0; k <= steps; ++k) {
    const float u = float(1.0 + (double(k) / steps) * (m - 1));
    const int first = int(std::floor(double(u) - 1));
    TGIS_Point3D q{};
    for (int j = first; j <= first + 3; ++j) {
      if (j < 0 || j > m + 1) continue;
      const double w = weight(std::fabs(double(j) - double(u)));
      q.X += w * p[std::size_t(j)].X;
      q.Y += w * p[std::size_t(j)].Y;
      q.Z += w * p[std::size_t(j)].Z;
    }
    out[std::size_t(k)] = q;
  }
  return out;
}

// ---- the element being decoded -------------------------------------------------------------

struct TGIS_LayerDGN::TElement {
  std::int64_t Start = 0;
  int Type = 0, Level = 0;
  bool Complex = false, Deleted = false;
  const std::uint8_t* Body = nullptr;
  int Size = 0;
  bool Ok = true; // false once a field past the body was asked for
  // Display header.
  int Style = 0, Weight = 0, Color = 0, Properties = 0, AttributeOffset = 0;
  int FillColor = 0;
  std::vector<TPair> Pairs;

  bool Has(int off, int n) {
    if (off < 0 || n < 0 || off > Size - n) {
      Ok = false;
      return false;
    }
    return true;
  }
  int U8(int off) { return Has(off, 1) ? Body[off] : 0; }
  int U16(int off) { return Has(off, 2) ? Body[off] | (Body[off + 1] << 8) : 0; }
  int I16(int off) { return std::int16_t(std::uint16_t(U16(off))); }
  std::int32_t I32(int off) {
    if (!Has(off, 4)) return 0;
    const std::uint32_t v = (std::uint32_t(U16(off)) << 16) | std::uint32_t(U16(off + 2));
    return std::int32_t(v);
  }
  double D(int off) { return Has(off, 8) ? GisDgnDFloat(Body + off) : 0; }
};

// ---- construction and opening ----------------------------------------------------------------

TGIS_LayerDGN::TGIS_LayerDGN() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE;
  const std::span<const std::uint8_t> none{};
  point_ = std::make_unique<TGIS_ShapePoint>(nullptr, none, false, -1);
  multiPoint_ = std::make_unique<TGIS_ShapeMultiPoint>(nullptr, none, false, -1);
  arc_ = std::make_unique<TGIS_ShapeArc>(nullptr, none, false, -1);
  polygon_ = std::make_unique<TGIS_ShapePolygon>(nullptr, none, false, -1);
  complexPolygon_ = std::make_unique<TGIS_ShapePolygon>(nullptr, none, false, -1);
  complexArc_ = std::make_unique<TGIS_ShapeArc>(nullptr, none, false, -1);
  indexPosition_.assign(1, 0);
  indexCounter_.assign(1, 0);
}

TGIS_LayerDGN::~TGIS_LayerDGN() {
  current_ = nullptr;
  stream_.reset();
}

std::string TGIS_LayerDGN::GetIndexPath() const {
  return path_ + ".RTREE";
}

void TGIS_LayerDGN::Open() {
  current_ = nullptr;
  stream_.reset();
  TGIS_LayerVector::Open();
  lastUid_ = -1;
  stream_ = std::make_unique<TGIS_MappedStream>(path_, false, OnAfterRead, OnBeforeWrite);
  std::uint8_t b[4] = {0, 0, 0, 0};
  const bool read = stream_->Size() >= 4 && stream_->Read(b, 4) == 4;
  if (!read || (b[0] & 0x0F) != 8 || (b[1] != 9 && b[1] != 5) || (b[2] != 0xFE && b[2] != 0x17) ||
      (b[3] != 2 && b[3] != 0)) {
    stream_.reset();
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  }
  is3D_ = b[0] == 0xC8;
  cellLibrary_ = b[1] == 5 && b[2] == 0x17 && b[3] == 0;
  originX_ = originY_ = 0;
  scale_ = 1;
  masterUnits_.clear();
  subUnits_.clear();
  for (auto& c : colors_)
    c = {0, 0, 0};
  indexPosition_.assign(1, 0);
  indexCounter_.assign(1, 0);

  AddFieldEx("DGN_LEVEL", gisFieldTypeNumber, 12, 0, true, 0);
  AddFieldEx("DGN_ELEVATION", gisFieldTypeNumber, 18, 6, true, 0);
  AddFieldEx("DGN_LABEL", gisFieldTypeString, 5, 0, true, 0);
  AddFieldEx("DGN_LABEL_ANGLE", gisFieldTypeNumber, 5, 0, true, 0);
  AddFieldEx("DGN_COLOR", gisFieldTypeNumber, 5, 0, true, 0);
  AddFieldEx("DGN_STYLE", gisFieldTypeNumber, 5, 0, true, 0);
  AddFieldEx("DGN_WEIGHT", gisFieldTypeNumber, 5, 0, true, 0);

  // One full pass: the index, the units, the colour table and the linkage fields.
  pairFields_ = 0;
  openPass_ = true;
  try {
    MoveFirst(TGIS_Extent{1, 1, -1, -1}, "", true);
    while (!eof_)
      ReadElement();
  } catch (...) {
    openPass_ = false;
    throw;
  }
  openPass_ = false;
  current_ = nullptr;
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(DGN_DESCRIPTION);
}

void TGIS_LayerDGN::AddPairFields(std::size_t count) {
  while (pairFields_ < count) {
    AddFieldEx(Format("%s%.2x", {"DGN_ENT_", int(pairFields_)}), gisFieldTypeNumber, 5, 0, true,
               0);
    AddFieldEx(Format("%s%.2x", {"DGN_LNK_", int(pairFields_)}), gisFieldTypeNumber, 10, 0, true,
               0);
    ++pairFields_;
  }
}

// ---- element decoding ---------------------------------------------------------------------

bool TGIS_LayerDGN::ReadHeader(TElement& e) {
  if (stream_ == nullptr) return false;
  const std::int64_t size = stream_->Size();
  if (position_ < 0 || size - position_ < 4) return false;
  stream_->Seek(position_, 0);
  const std::uint8_t* h = stream_->Peek(4);
  if (h[0] == 0xFF && h[1] == 0xFF) return false;
  const std::int64_t body = std::int64_t(h[2] | (h[3] << 8)) * 2;
  // A body past the end of the file ends the element sequence.
  if (body > size - position_ - 4) return false;
  e.Start = position_;
  e.Level = h[0] & 0x3F;
  e.Complex = (h[0] & 0x80) != 0;
  e.Type = h[1] & 0x7F;
  e.Deleted = (h[1] & 0x80) != 0;
  e.Size = int(body);
  e.Body = body > 0 ? stream_->Peek(4 + body) + 4 : nullptr;
  position_ += 4 + body;
  ++elementsRead_;
  return true;
}

void TGIS_LayerDGN::ReadDisplayHeader(TElement& e) {
  if (e.Size < 32 || cellLibrary_) return;
  e.AttributeOffset = e.U16(26);
  e.Properties = e.U16(28);
  const int sw = e.U8(30);
  e.Style = sw & 7;
  e.Weight = (sw >> 3) & 0x1F;
  e.Color = e.U8(31);
  if ((e.Properties & 0x800) == 0) return;
  // Attribute linkages, to the end of the body; reading stops at the first
  // word that does not fit.
  int at = e.AttributeOffset * 2 + 28;
  auto next16 = [&](int& v) {
    if (at < 0 || at > e.Size - 2) return false;
    v = e.Body[at] | (e.Body[at + 1] << 8);
    at += 2;
    return true;
  };
  int w = 0;
  while (next16(w)) {
    const int s = w & 0x7FFF;
    if (e.Pairs.size() >= DGN_MAX_PAIRS) break;
    if (s == 0) {
      int entity = 0, low = 0, high = 0;
      if (!next16(entity) || !next16(low) || !next16(high)) break;
      e.Pairs.push_back({entity, (std::int64_t(high & 0xFF) << 16) + low});
    } else if (s == 0x1007) {
      int id = 0;
      if (!next16(id)) break;
      if (std::int16_t(id) == 0x41) {
        int skip = 0;
        if (!next16(skip) || !next16(skip)) break;
        if (at >= e.Size) break;
        e.FillColor = e.Body[at];
        at += 2; // the colour byte and its pad
        for (int k = 0; k < 4; ++k)
          if (!next16(skip)) break;
      } else {
        int marker = 0, entity = 0, low = 0, high = 0, skip = 0;
        if (!next16(marker) || marker != 0x0F81) break;
        if (!next16(entity) || !next16(low) || !next16(high)) break;
        e.Pairs.push_back({entity, (std::int64_t(high) << 16) + low});
        if (!next16(skip) || !next16(skip)) break;
      }
    }
  }
}

void TGIS_LayerDGN::ReadUnits(TElement& e) {
  if (e.Size < 1252) return;
  const std::int32_t subPerMaster = e.I32(1108);
  const std::int32_t uorPerSub = e.I32(1112);
  if (subPerMaster == 0 || uorPerSub == 0) return;
  masterUnits_.assign(reinterpret_cast<const char*>(e.Body + 1116), 2);
  subUnits_.assign(reinterpret_cast<const char*>(e.Body + 1118), 2);
  for (std::string* s : {&masterUnits_, &subUnits_}) {
    const auto zero = s->find('\0');
    if (zero != std::string::npos) s->resize(zero);
  }
  originX_ = e.D(1236);
  originY_ = e.D(1244);
  scale_ = 1.0 / (double(uorPerSub) * double(subPerMaster));
}

std::int32_t TGIS_LayerDGN::NextUid(std::int64_t start, std::int32_t before) {
  ++counter_;
  if (counter_ % DGN_INDEX_STEP == 0) {
    const std::size_t k = std::size_t(counter_ / DGN_INDEX_STEP);
    if (indexPosition_.size() < k + 1) {
      indexPosition_.resize(k + 1, 0);
      indexCounter_.resize(k + 1, 0);
    }
    indexPosition_[k] = start;
    indexCounter_[k] = before;
  }
  return counter_;
}

TGIS_Shape* TGIS_LayerDGN::StartShape(TGIS_Shape* work, std::int64_t start, std::int32_t before) {
  const std::int32_t uid = NextUid(start, before);
  work->Recreate(nullptr, {}, false, uid, this);
  work->Lock(3);
  return work;
}

void TGIS_LayerDGN::SetPairs(TGIS_Shape* shape, const std::vector<TPair>& pairs) {
  for (std::size_t i = 0; i < pairs.size() && i < pairFields_; ++i) {
    shape->SetField(Format("%s%.2x", {"DGN_ENT_", int(i)}), Variant(pairs[i].Entity));
    shape->SetField(Format("%s%.2x", {"DGN_LNK_", int(i)}), Variant(double(pairs[i].Link)));
  }
}

void TGIS_LayerDGN::FinishShape(TGIS_Shape* shape, const TElement& e, double elevation) {
  shape->SetField("DGN_LEVEL", Variant(e.Level));
  shape->SetField("DGN_ELEVATION", Variant(elevation));
  shape->SetField("DGN_COLOR", Variant(e.Color + 1));
  shape->SetField("DGN_WEIGHT", Variant(e.Weight + 1));
  shape->SetField("DGN_STYLE", Variant(e.Style));
  SetPairs(shape, e.Pairs);
  shape->Unlock();
}

std::uint32_t TGIS_LayerDGN::IndexColor(int index) const {
  const auto& c = colors_[index & 255];
  int r = c[0], g = c[1], b = c[2];
  if (viewer_ != nullptr) {
    const std::uint32_t bg = std::uint32_t(viewer_->Color());
    const int br = bg & 0xFF, bgG = (bg >> 8) & 0xFF, bb = (bg >> 16) & 0xFF;
    if (std::abs(r - br) < 16 && std::abs(g - bgG) < 16 && std::abs(b - bb) < 16) {
      r ^= br;
      g ^= bgG;
      b ^= bb;
    }
  }
  return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}

bool TGIS_LayerDGN::SymbologyInUse() {
  if (!UseFileParams()) return false;
  TGIS_ParamsSectionVector& s = GetParamsSection();
  return s.GetLine().Serial() == 1 && s.GetArea().Serial() == 1 &&
         s.GetMarker().Serial() == 1 && s.GetLabel().Serial() == 1;
}

void TGIS_LayerDGN::ApplySymbology(TGIS_Shape* shape, const TElement& e, int kind) {
  if (!symbology_) return;
  shape->UseOwnParams(true);
  TGIS_ParamsSectionVector& s = shape->GetParamsSection();
  const std::uint32_t color = IndexColor(e.Color + 1);
  const int width = viewer_ != nullptr ? viewer_->PixelsToTwips(e.Weight + 1)
                                       : int(std::lround((e.Weight + 1) * 1440.0 / 96.0));
  switch (kind) {
  case KIND_ARC:
    s.GetLine().SetSmartSize(0);
    s.GetLine().SetColor(color);
    s.GetLine().SetWidth(width);
    s.GetLine().SetStyle(PenOfLineStyle(e.Style));
    break;
  case KIND_POLYGON:
    s.GetArea().SetSmartSize(0);
    s.GetArea().SetOutlineColor(color);
    s.GetArea().SetOutlineWidth(width);
    s.GetArea().SetOutlineStyle(PenOfLineStyle(e.Style));
    if (e.FillColor != 0) {
      s.GetArea().SetPattern(bsSolid);
      s.GetArea().SetColor(color);
    } else {
      s.GetArea().SetPattern(bsClear);
    }
    break;
  default:
    s.GetMarker().SetSmartSize(0);
    s.GetMarker().SetSize(90);
    s.GetLabel().SetField("DGN_LABEL");
    s.GetLabel().SetWidth(-1000);
    s.GetLabel().SetColor(0);
    s.GetLabel().SetOutlineWidth(0);
    s.GetLabel().SetPattern(bsClear);
    break;
  }
}

bool TGIS_LayerDGN::ReadElement() {
  current_ = nullptr;
  TElement e;
  if (!ReadHeader(e)) {
    eof_ = true;
    return false;
  }
  // The element that follows a cell header directly may take the cell's place.
  const bool followsCell = inCell_ && e.Type != 2;
  const std::int64_t cellStart = cellPosition_;
  const std::int32_t cellBefore = cellCounter_;
  if (e.Type != 2) inCell_ = false;
  if (e.Deleted) return false;
  const std::int64_t start = followsCell ? cellStart : e.Start;
  const std::int32_t before = followsCell ? cellBefore : counter_;

  ReadDisplayHeader(e);
  if (!e.Ok) return false;
  if (openPass_) AddPairFields(e.Pairs.size());
  const int pointSize = is3D_ ? 12 : 8;
  double elevation = 0;
  auto point = [&](int off) {
    TGIS_Point3D p{};
    p.X = (double(e.I32(off)) - originX_) * scale_;
    p.Y = (double(e.I32(off + 4)) - originY_) * scale_;
    if (is3D_) {
      p.Z = double(e.I32(off + 8)) * scale_;
      elevation = p.Z;
    }
    return p;
  };
  auto dpoint = [&](int off) {
    TGIS_Point3D p{};
    p.X = (e.D(off) - originX_) * scale_;
    p.Y = (e.D(off + 8) - originY_) * scale_;
    if (is3D_) {
      p.Z = e.D(off + 16) * scale_;
      elevation = p.Z;
    }
    return p;
  };

  std::vector<TGIS_Point3D> pts;
  int kind = -1;
  std::string label;
  int justification = 0;
  double rotationDegrees = 0;
  switch (e.Type) {
  case 2: { // cell header
    const TGIS_Point3D o = point(is3D_ ? 108 : 80);
    if (!e.Ok) return false;
    inCell_ = true;
    cellPosition_ = e.Start;
    cellCounter_ = counter_;
    cellOrigin_ = o;
    pts.push_back(o);
    kind = KIND_POINT;
    break;
  }
  case 3: // line
    pts.push_back(point(32));
    pts.push_back(point(32 + pointSize));
    kind = KIND_ARC;
    break;
  case 4:   // line string
  case 6:   // shape
  case 21: { // B-spline poles
    const int count = e.U16(32);
    if (!e.Has(34, count * pointSize)) return false;
    for (int i = 0; i < count; ++i)
      pts.push_back(point(34 + i * pointSize));
    if (e.Type == 21) pts = GisDgnBSpline(pts);
    kind = e.Type == 6 ? KIND_POLYGON : KIND_ARC;
    break;
  }
  case 5: // colour table
    if (e.Level == 1 && e.Has(34, 768))
      for (int i = 0; i < 256; ++i)
        colors_[std::size_t(i)] = {e.Body[34 + 3 * i], e.Body[35 + 3 * i], e.Body[36 + 3 * i]};
    return false;
  case 9: // design-file header
    ReadUnits(e);
    return false;
  case 11: { // curve: two leading and two trailing control points
    const int count = e.U16(32);
    if (!e.Has(34, count * pointSize)) return false;
    for (int i = 2; i < count - 2; ++i)
      pts.push_back(point(34 + i * pointSize));
    kind = KIND_ARC;
    break;
  }
  case 12:
  case 14: { // complex chain / complex shape header
    // The total length (words) at body offset 32, the component count at 34.
    const int components = e.U16(34);
    if (!e.Ok) return false;
    complexOpen_ = true;
    complexReady_ = false;
    complexKind_ = e.Type;
    complexLeft_ = components;
    complexLevel_ = e.Level;
    complexPairs_ = e.Pairs;
    complexElevation_ = 0;
    TGIS_Shape* c = StartShape(e.Type == 12 ? complexArc_.get() : complexPolygon_.get(), start,
                               before);
    c->AddPart();
    ApplySymbology(c, e, e.Type == 12 ? KIND_ARC : KIND_POLYGON);
    c->SetField("DGN_COLOR", Variant(e.Color + 1));
    c->SetField("DGN_WEIGHT", Variant(e.Weight + 1));
    c->SetField("DGN_STYLE", Variant(e.Style));
    if (components <= 0) {
      c->Unlock();
      complexOpen_ = false;
      complexReady_ = true;
    }
    return false;
  }
  case 15:
  case 16: { // ellipse / arc
    int off = 32;
    double startAngle = 0, sweep = 2 * std::numbers::pi;
    if (e.Type == 16) {
      startAngle = DegreesToRadians(double(e.I32(32)) / 360000.0);
      const std::uint32_t raw = std::uint32_t(e.I32(36));
      const double magnitude = double(raw & 0x7FFFFFFFu) / 360000.0;
      if (magnitude != 0) sweep = DegreesToRadians((raw & 0x80000000u) != 0 ? -magnitude : magnitude);
      off = 40;
    }
    const double a = e.D(off) * scale_, b = e.D(off + 8) * scale_;
    double rotation = 0;
    TGIS_Point3D o{};
    if (is3D_) {
      o = dpoint(off + 32);
    } else {
      rotation = DegreesToRadians(double(e.I32(off + 16)) / 360000.0);
      o = dpoint(off + 20);
    }
    if (!e.Ok) return false;
    for (const TGIS_Point& p : GisDgnStrokeArc({o.X, o.Y}, a, b, startAngle, startAngle + sweep,
                                               rotation))
      pts.push_back({p.X, p.Y, o.Z, 0});
    kind = KIND_ARC;
    break;
  }
  case 17: { // text
    const int font = e.U8(32);
    (void)font;
    justification = e.U8(33);
    int off = 42;
    if (is3D_) {
      off = 58;
    } else {
      rotationDegrees = double(e.I32(42) / 360000);
      off = 46;
    }
    TGIS_Point3D o = point(off);
    const int countAt = off + pointSize;
    const int count = e.U8(countAt);
    if (!e.Ok) return false;
    if (followsCell) o = cellOrigin_;
    const int textAt = countAt + 2;
    for (int i = 0; i < count && textAt + i < e.Size; ++i) {
      const char c = char(e.Body[textAt + i]);
      if (c == '\0') break;
      label += c;
    }
    pts.push_back(o);
    kind = KIND_TEXT;
    break;
  }
  default:
    return false;
  }
  if (!e.Ok) return false;

  // A component adds its points to the open complex, whatever its level.
  const bool joins = e.Complex && complexOpen_ && complexLeft_ > 0;
  if (joins) {
    TGIS_Shape* c = complexKind_ == 12 ? complexArc_.get() : complexPolygon_.get();
    for (const TGIS_Point3D& p : pts)
      c->AddPoint3D(p);
    complexElevation_ = elevation;
    if (--complexLeft_ == 0) {
      if (!complexPairs_.empty()) {
        c->SetField("DGN_LEVEL", Variant(complexLevel_));
        c->SetField("DGN_ELEVATION", Variant(complexElevation_));
      }
      SetPairs(c, complexPairs_);
      c->Unlock();
      complexOpen_ = false;
      complexReady_ = true;
    }
  }
  if (e.Level == 0) return false;

  TGIS_Shape* shape = nullptr;
  switch (kind) {
  case KIND_POINT:
  case KIND_TEXT:
    shape = StartShape(point_.get(), start, before);
    break;
  case KIND_ARC:
    // A line of two equal ends is a point.
    if (e.Type == 3 && pts[0].X == pts[1].X && pts[0].Y == pts[1].Y) {
      shape = StartShape(point_.get(), start, before);
      pts.resize(1);
      kind = KIND_POINT;
    } else {
      shape = StartShape(arc_.get(), start, before);
    }
    break;
  default:
    shape = StartShape(polygon_.get(), start, before);
    break;
  }
  ApplySymbology(shape, e, kind == KIND_TEXT ? KIND_POINT : kind);
  shape->AddPart();
  for (const TGIS_Point3D& p : pts)
    shape->AddPoint3D(p);
  if (kind == KIND_TEXT) {
    shape->SetField("DGN_LABEL", Variant(label));
    shape->SetField("DGN_LABEL_ANGLE", Variant(-rotationDegrees));
    if (symbology_) {
      TGIS_ParamsSectionVector& s = shape->GetParamsSection();
      const std::uint32_t color = IndexColor(e.Color + 1);
      s.GetMarker().SetSize(90);
      s.GetLabel().SetColor(color);
      s.GetLabel().Font().Color = color;
      s.GetLabel().SetPosition(LabelPositionBit(PositionOfJustification(justification)));
      s.GetLabel().SetAlignment(gisLabelAlignmentLeftJustify);
      s.GetLabel().SetRotate(-DegreesToRadians(rotationDegrees));
    }
  }
  FinishShape(shape, e, elevation);
  current_ = FindEditedShape(shape);
  return true;
}

// ---- the cursor ---------------------------------------------------------------------------

void TGIS_LayerDGN::Restart(std::int64_t position, std::int32_t counter) {
  position_ = position;
  counter_ = counter;
  lastStartCounter_ = counter;
  inCell_ = false;
  eof_ = stream_ == nullptr;
  complexOpen_ = complexReady_ = false;
  complexLeft_ = 0;
  current_ = nullptr;
}

void TGIS_LayerDGN::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                              bool skipDeleted, const std::string& pattern, TGIS_Shape* shape) {
  Restart(0, 0);
  symbology_ = SymbologyInUse();
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  MoveNext();
}

void TGIS_LayerDGN::MoveNext() {
  for (;;) {
    TGIS_Shape* shape = nullptr;
    if (complexReady_) {
      complexReady_ = false;
      shape = FindEditedShape(complexKind_ == 12 ? complexArc_.get() : complexPolygon_.get());
    } else {
      current_ = nullptr;
      while (!eof_ && !complexReady_) {
        if (ReadElement()) break;
      }
      if (current_ != nullptr) {
        shape = current_;
      } else if (complexReady_) {
        continue;
      }
    }
    if (shape == nullptr) {
      // The file is done: the new in-memory shapes follow.
      shape = NextNewShape();
      if (shape == nullptr) {
        current_ = nullptr;
        return;
      }
    }
    current_ = shape;
    if (CursorSkipDeleted() && shape->IsDeleted()) continue;
    if (MatchesFilter(shape)) return;
  }
}

TGIS_Shape* TGIS_LayerDGN::GetCurrentShape() const {
  return current_ != nullptr ? current_ : CursorShape();
}

TGIS_Shape* TGIS_LayerDGN::GetShape(std::int32_t uid) {
  symbology_ = SymbologyInUse();
  if (uid <= 0) return nullptr;
  if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
  if (current_ != nullptr && current_->Uid() == uid) return current_;
  if (stream_ == nullptr) return nullptr;
  std::size_t k = std::size_t(uid / DGN_INDEX_STEP);
  if (k >= indexPosition_.size()) k = indexPosition_.size() - 1;
  Restart(indexPosition_[k], indexCounter_[k]);
  CursorFirst(GisWholeWorldExtent(), "", false, "", nullptr);
  MoveNext();
  while (current_ != nullptr) {
    if (current_->Uid() == uid) return current_;
    // Past the wanted UID in the file: it gave no shape.
    MoveNext();
  }
  return nullptr;
}

std::int32_t TGIS_LayerDGN::GetLastUid() const {
  if (lastUid_ == -1) lastUid_ = ScanLastUid();
  return lastUid_;
}

std::int32_t TGIS_LayerDGN::GetNewUid() const {
  GetLastUid();
  return ++lastUid_;
}

void TGIS_LayerDGN::RecalcExtent() {
  if (ShapeCount() > 0 || stream_ == nullptr) {
    TGIS_LayerVector::RecalcExtent();
    return;
  }
  TGIS_Extent ext{1, 1, -1, -1};
  const std::int64_t saved = position_;
  const bool savedEof = eof_;
  position_ = 0;
  TElement e;
  while (ReadHeader(e)) {
    if (e.Deleted) continue;
    if (e.Type == 9) {
      ReadUnits(e);
      continue;
    }
    switch (e.Type) {
    case 2:
    case 3:
    case 4:
    case 6:
    case 11:
    case 15:
    case 16:
    case 17:
    case 21:
      break;
    default:
      continue;
    }
    if (e.Size < 32 || cellLibrary_) continue;
    auto range = [&](int off) {
      return double(std::int32_t(std::uint32_t(e.I32(off)) ^ 0x80000000u));
    };
    const TGIS_Extent box{(range(0) - originX_) * scale_, (range(4) - originY_) * scale_,
                          (range(12) - originX_) * scale_, (range(16) - originY_) * scale_};
    ext = GisIsEmptyExtent(ext) ? box : GisExtentUnion(ext, box);
  }
  position_ = saved;
  eof_ = savedEof;
  SetExtent(ext);
}

void GisRegisterLayerDGN() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerDGN", DGN_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerDGN>();
      });
}
