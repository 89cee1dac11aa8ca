// TGIS_LayerDXF: the entity readers, from the (0, name) group to the next
// code-0 group, and the arcs, bulges and curves they cut into segments.
#include <algorithm>
#include <cmath>
#include <memory>

#include "gis/formats/GisLayerDXFReader.h"
#include "gis/vector/GisTopology.h"
#include "platform/graphics/GraphicsObjects.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "gis/core/GisDefsCodePages.h"

namespace {

constexpr double TWO_PI = 2 * M_PI;
/// Most vertices an arc is cut into, half of a full turn.
constexpr double MAX_ARC_STEPS = 1024;

bool Finite(const TGIS_DxfVec& v) {
  return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

/// The label text of group 1: formatting braces removed.
std::string CleanText(std::string text) {
  if (text.find('{') == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'P') {
      out += '\r';
      ++i;
    } else if (text[i] != '}') {
      out += text[i];
    }
  }
  const std::size_t semi = out.find(';');
  return semi == std::string::npos ? out : out.substr(semi + 1);
}

TGIS_LabelPositions TextPosition(int h, int v) {
  if (h < 0 || h > 5) h = 0;
  if (v < 0 || v > 3) v = 0;
  static const TGIS_LabelPosition table[3][4] = {
      {gisLabelPositionMiddleRight, gisLabelPositionUpRight, gisLabelPositionMiddleRight,
       gisLabelPositionDownRight},
      {gisLabelPositionMiddleCenter, gisLabelPositionUpCenter, gisLabelPositionMiddleCenter,
       gisLabelPositionDownCenter},
      {gisLabelPositionMiddleLeft, gisLabelPositionUpLeft, gisLabelPositionMiddleLeft,
       gisLabelPositionDownLeft}};
  const int row = h == 2 ? 2 : (h == 1 || h == 4) ? 1 : 0;
  return LabelPositionBit(table[row][v]);
}

double DirectionAngle(double px, double py, double qx, double qy) {
  const double ex = qx - px, ey = qy - py, e = std::sqrt(ex * ex + ey * ey);
  if (e == 0) return 0;
  if (ex >= 0 && ey >= 0) return std::acos(ex / e);
  if (ex >= 0) return TWO_PI - std::acos(ex / e);
  if (ey >= 0) return M_PI - std::acos(-ex / e);
  return M_PI + std::acos(-ex / e);
}

/// The weight of a uniform cubic B-spline at distance e from a knot.
double SplineWeight(double e) {
  if (e < 1) return 2.0 / 3 - e * e + e * e * e / 2;
  if (e < 2) return (2 - e) * (2 - e) * (2 - e) / 6;
  return 0;
}

} // namespace

// ---- shapes ------------------------------------------------------------------------------

TGIS_Shape* TGIS_LayerDXF::TReader::StartShape(TGIS_ShapeType type, const char* kind) {
  shape_ = layer_.CreateShape(type);
  if (shape_ == nullptr) g_.Fail();
  shape_->Lock(2);
  shape_->AddPart();
  shape_->SetField("DXF_TYPE", kind);
  return shape_;
}

void TGIS_LayerDXF::TReader::EndShape() {
  if (shape_ != nullptr) shape_->Unlock();
  shape_ = nullptr;
}

void TGIS_LayerDXF::TReader::AddArc(const TGIS_DxfVec& c, const TGIS_DxfVec& u,
                                    const TGIS_DxfVec& v, double start, double sweep) {
  if (!Finite(c) || !Finite(u) || !Finite(v) || !std::isfinite(start) || !std::isfinite(sweep))
    g_.Fail();
  sweep = std::clamp(sweep, -TWO_PI, TWO_PI);
  const double rx = std::sqrt(u.X * u.X + u.Y * u.Y + u.Z * u.Z);
  const double n = std::clamp(rx / 2, 6.0, MAX_ARC_STEPS);
  const double step = M_PI / n, s = sweep < 0 ? -step : step;
  auto at = [&](double t) {
    const double ct = std::cos(t), st = std::sin(t);
    AddPoint({c.X + ct * u.X + st * v.X, c.Y + ct * u.Y + st * v.Y, c.Z + ct * u.Z + st * v.Z});
  };
  const double a = std::fabs(sweep) + 1e-15;
  if (a < step) {
    at(start);
    at(start + sweep);
    return;
  }
  const int k = int(std::floor(a / step));
  const double rem = a - k * step;
  double m = start + (sweep < 0 ? -1 : 1) * (rem - step) / 2;
  at(start);
  at(m + s);
  m += s;
  for (int i = 1; i < k; ++i, m += s) {
    at(m);
    at(m + s);
  }
  at(m);
  at(start + sweep);
}

void TGIS_LayerDXF::TReader::AddBulgeArc(const TVertex& a, const TVertex& b) {
  const bool negative = a.Bulge < 0;
  const double theta = 4 * std::atan(std::fabs(a.Bulge));
  const double d = std::hypot(b.X - a.X, b.Y - a.Y);
  const double h = M_PI / 2 - theta / 2;
  const double r = (d / 2) / std::cos(h);
  const double alpha = DirectionAngle(a.X, a.Y, b.X, b.Y);
  const double beta = negative ? alpha - h : alpha + h;
  const TGIS_DxfVec c{a.X + r * std::cos(beta), a.Y + r * std::sin(beta), a.Z};
  const double start = DirectionAngle(c.X, c.Y, a.X, a.Y);
  AddArc(c, {r, 0, 0}, {0, r, 0}, start, negative ? -theta : theta);
}

void TGIS_LayerDXF::TReader::AddVertices(const std::vector<TVertex>& vertices, bool closed) {
  const std::size_t n = vertices.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TVertex& v = vertices[i];
    if (v.Bulge != 0 && i + 1 < n)
      AddBulgeArc(v, vertices[i + 1]);
    else if (v.Bulge != 0 && closed && n > 1)
      AddBulgeArc(v, vertices[0]); // the closing segment's arc
    else
      AddPoint({v.X, v.Y, v.Z});
  }
}

// ---- simple entities -------------------------------------------------------------------

void TGIS_LayerDXF::TReader::ExtrusionGroup(TGIS_DxfVec& extrusion) {
  const double v = g_.Double();
  if (g_.Code() == 210) extrusion.X = v;
  if (g_.Code() == 220) extrusion.Y = v;
  if (g_.Code() == 230) extrusion.Z = v;
}

void TGIS_LayerDXF::TReader::SimpleCommonGroup() {
  switch (g_.Code()) {
  case 5:
    shape_->SetField("DXF_HANDLE", g_.Text());
    break;
  case 8:
    shape_->SetField("DXF_LAYER", LayerValue());
    shape_->SetIsHidden(IsLayerHidden(g_.Text()));
    ApplyColor(g_.Text(), 0);
    break;
  default: { // 62
    const int c = g_.Int();
    shape_->SetField("DXF_COLOR", c);
    ApplyColor("", c);
  }
  }
}

void TGIS_LayerDXF::TReader::ReadSimple(const char* name) {
  const std::string kind = name;
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  const bool point = kind == "POINT", line = kind == "LINE", arc = kind == "ARC",
             face = kind == "3DFACE";
  StartShape(point ? gisShapeTypePoint : kind == "SOLID" ? gisShapeTypePolygon : gisShapeTypeArc,
             name);
  TGIS_DxfVec ext{0, 0, 1}, corner[4];
  int seen = 0, flags = 0;
  double radius = 0, a0 = 0, a1 = 0;
  while (!g_.EndOfData() && g_.Code() != 0) {
    const int code = g_.Code();
    switch (code) {
    case 5:
    case 8:
    case 62:
      SimpleCommonGroup();
      break;
    case 6:
      if (line || arc) ApplyLineType(g_.Text());
      break;
    case 370:
      if (line || arc) {
        const int w = g_.Int();
        if (w > 0) ApplyWeight(w);
      }
      break;
    case 210:
    case 220:
    case 230:
      ExtrusionGroup(ext);
      break;
    case 40: radius = g_.Double(); break;
    case 50: a0 = g_.Double(); break;
    case 51: a1 = g_.Double(); break;
    case 70: flags = g_.Int(); break;
    case 1001:
      if (point && g_.Is(1001, "ADE")) {
        ReadXData();
        continue;
      }
      break;
    default:
      if (code >= 10 && code <= 33 && code % 10 <= 3) {
        const int i = code % 10;
        const double value = g_.Double();
        if (code < 20) corner[i].X = value, seen |= 1 << i;
        else if (code < 30) corner[i].Y = value;
        else corner[i].Z = value;
        if (code == 30) shape_->SetField("DXF_ELEVATION", value);
      }
      break;
    }
    Next();
  }
  SetEntityOCS(ext);
  const int n = (seen & 8) ? 4 : (seen & 4) ? 3 : (seen & 2) ? 2 : (seen & 1) ? 1 : 0;
  if (point) {
    AddPoint(corner[0]);
  } else if (line) {
    AddPoint(corner[0]);
    AddPoint(corner[1]);
  } else if (arc) {
    double sweep = a1 - a0;
    if (a0 > a1) sweep += 360;
    if (std::fabs(sweep) > 360) sweep = std::fmod(sweep, 360);
    AddArc(corner[0], {radius, 0, 0}, {0, radius, 0}, a0 * M_PI / 180, sweep * M_PI / 180);
  } else if (face) {
    if (n > 0 && flags != 1) AddPoint(corner[0]);
    if (n > 1 && flags != 2) AddPoint(corner[1]);
    if (n > 2 && flags != 4) AddPoint(corner[2]);
    if (n > 3 && flags != 8) AddPoint(corner[3]);
    if (n > 0 && flags != 1) AddPoint(corner[0]);
  } else { // SOLID: the third and fourth corners cross over
    if (n > 0) AddPoint(corner[0]);
    if (n > 1) AddPoint(corner[1]);
    if (n > 3) AddPoint(corner[3]);
    if (n > 2) AddPoint(corner[2]);
    if (n > 0) AddPoint(corner[0]);
  }
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadText() {
  const bool mtext = g_.Raw() == "MTEXT";
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  StartShape(gisShapeTypePoint, "TEXT");
  TGIS_DxfVec anchor;
  int h = 0, v = 0;
  std::string text, chunks;
  bool haveText = false;
  while (!g_.EndOfData() && g_.Code() != 0) {
    switch (g_.Code()) {
    case 5:
    case 8:
    case 62:
      SimpleCommonGroup();
      break;
    case 10: anchor.X = g_.Double(); break;
    case 20: anchor.Y = g_.Double(); break;
    case 30:
      anchor.Z = g_.Double();
      shape_->SetField("DXF_ELEVATION", anchor.Z);
      break;
    case 1:
      text = g_.Text();
      haveText = true;
      break;
    case 3: // a long MTEXT's leading chunks
      if (mtext) chunks += g_.Text();
      break;
    case 50: {
      const double degrees = g_.Double();
      Own().GetLabel().SetRotate(-degrees * M_PI / 180);
      shape_->SetField("DXF_LABEL_ANGLE", degrees);
      break;
    }
    case 40: shape_->SetField("DXF_LABEL_HEIGHT", g_.Double()); break;
    case 72: h = g_.Int(); break;
    case 73: v = g_.Int(); break;
    case 1001:
      if (g_.Is(1001, "ADE")) {
        ReadXData();
        continue;
      }
      break;
    default: break;
    }
    Next();
  }
  if (haveText) {
    shape_->SetField("DXF_LABEL", CleanText(chunks + text));
    TGIS_ParamsSectionVector& p = Own();
    p.GetMarker().SetSize(1);
    p.GetLabel().SetAlignment(gisLabelAlignmentCenter);
    p.GetLabel().SetField("DXF_LABEL");
  }
  Own().GetLabel().SetPosition(TextPosition(h, v));
  SetEntityOCS({0, 0, 1});
  AddPoint(anchor);
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadCircle() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  StartShape(gisShapeTypeArc, "CIRCLE");
  TGIS_DxfVec ext{0, 0, 1}, c;
  double r = 0;
  while (!g_.EndOfData() && g_.Code() != 0) {
    switch (g_.Code()) {
    case 5:
    case 8:
    case 62:
      SimpleCommonGroup();
      break;
    case 6: ApplyLineType(g_.Text()); break;
    case 10: c.X = g_.Double(); break;
    case 20: c.Y = g_.Double(); break;
    case 30:
      c.Z = g_.Double();
      shape_->SetField("DXF_ELEVATION", c.Z);
      break;
    case 40: r = g_.Double(); break;
    case 210:
    case 220:
    case 230:
      ExtrusionGroup(ext);
      break;
    default: break;
    }
    Next();
  }
  SetEntityOCS(ext);
  // The radius from the transformed east point, whatever the rotation.
  const TGIS_DxfVec centre = Transform(c), east = Transform({c.X + r, c.Y, c.Z});
  const double radius = std::hypot(east.X - centre.X, east.Y - centre.Y);
  if (!Finite(centre) || !std::isfinite(radius)) g_.Fail();
  double a = M_PI / 2;
  for (int i = 0; i < 45; ++i, a += TWO_PI / 44)
    shape_->AddPoint3D(
        TGIS_Point3D{centre.X + radius * std::sin(a), centre.Y - radius * std::cos(a), centre.Z, 0});
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadEllipse() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  StartShape(gisShapeTypeArc, "ARC");
  TGIS_DxfVec ext{0, 0, 1}, c, major{1, 0, 0};
  double ratio = 1, p0 = 0, p1 = TWO_PI;
  while (!g_.EndOfData() && g_.Code() != 0) {
    switch (g_.Code()) {
    case 5:
    case 8:
    case 62:
      SimpleCommonGroup();
      break;
    case 6: ApplyLineType(g_.Text()); break;
    case 370: {
      const int w = g_.Int();
      if (w > 0) ApplyWeight(w);
      break;
    }
    case 10: c.X = g_.Double(); break;
    case 20: c.Y = g_.Double(); break;
    case 30:
      c.Z = g_.Double();
      shape_->SetField("DXF_ELEVATION", c.Z);
      break;
    case 11: major.X = g_.Double(); break;
    case 21: major.Y = g_.Double(); break;
    case 31: major.Z = g_.Double(); break;
    case 40: ratio = g_.Double(); break;
    case 41: p0 = g_.Double(); break;
    case 42: p1 = g_.Double(); break;
    case 210:
    case 220:
    case 230:
      ExtrusionGroup(ext);
      break;
    default: break;
    }
    Next();
  }
  // Centre and major axis are world coordinates; the minor axis lies
  // ratio · (extrusion × major axis), so the ellipse keeps its direction.
  const double len = std::sqrt(ext.X * ext.X + ext.Y * ext.Y + ext.Z * ext.Z);
  const TGIS_DxfVec n = len > 0 ? TGIS_DxfVec{ext.X / len, ext.Y / len, ext.Z / len}
                                : TGIS_DxfVec{0, 0, 1};
  const TGIS_DxfVec minor{ratio * (n.Y * major.Z - n.Z * major.Y),
                          ratio * (n.Z * major.X - n.X * major.Z),
                          ratio * (n.X * major.Y - n.Y * major.X)};
  entityT_ = depth_ > 0 ? blockT_ : DxfIdentity();
  double sweep = p1 - p0;
  if (p0 > p1) sweep += TWO_PI;
  if (std::fabs(sweep) > TWO_PI) sweep = std::fmod(sweep, TWO_PI);
  AddArc(c, major, minor, p0, sweep);
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadSpline() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  StartShape(gisShapeTypeArc, "SPLINE");
  SetEntityOCS({0, 0, 1});
  std::vector<TGIS_DxfVec> control, fit;
  int nc = 0, nf = 0;
  while (!g_.EndOfData() && g_.Code() != 0) {
    const int code = g_.Code();
    switch (code) {
    case 5:
    case 8:
    case 62:
      SimpleCommonGroup();
      break;
    case 10: control.push_back({g_.Double(), 0, 0}); break;
    case 11: fit.push_back({g_.Double(), 0, 0}); break;
    case 20: if (!control.empty()) control.back().Y = g_.Double(); break;
    case 21: if (!fit.empty()) fit.back().Y = g_.Double(); break;
    case 30: if (!control.empty()) control.back().Z = g_.Double(); break;
    case 31: if (!fit.empty()) fit.back().Z = g_.Double(); break;
    case 73: nc = g_.Int(); break;
    case 74: nf = g_.Int(); break;
    default: break;
    }
    Next();
  }
  std::vector<TGIS_DxfVec> pts;
  pts.reserve(control.size() + fit.size());
  for (const auto& p : control)
    pts.push_back(Transform(p));
  for (const auto& p : fit)
    pts.push_back(Transform(p));
  const long long want = nf != 0 ? nf : nc;
  const int m = want >= 2 && want <= (long long)pts.size() ? int(want) : int(pts.size());
  if (m < 2) {
    for (const auto& p : pts)
      shape_->AddPoint3D(TGIS_Point3D{p.X, p.Y, p.Z, 0});
    EndShape();
    return;
  }
  // Uniform cubic B-spline through phantom end points.
  std::vector<TGIS_DxfVec> q(std::size_t(m) + 2);
  for (int i = 1; i <= m; ++i)
    q[std::size_t(i)] = pts[std::size_t(i - 1)];
  auto phantom = [](const TGIS_DxfVec& a, const TGIS_DxfVec& b) {
    return TGIS_DxfVec{2 * a.X - b.X, 2 * a.Y - b.Y, 2 * a.Z - b.Z};
  };
  q[0] = phantom(q[1], q[2]);
  q[std::size_t(m) + 1] = phantom(q[std::size_t(m)], q[std::size_t(m) - 1]);
  const long long samples = 4LL * m;
  for (long long k = 0; k < samples; ++k) {
    const double t = double(k) / double(samples);
    const double u = double(float((m - 1) * t + 1));
    const int d = std::clamp(int(u - 1), 0, m + 1);
    TGIS_DxfVec s;
    for (int i = d; i <= d + 3 && i <= m + 1; ++i) {
      const double w = SplineWeight(std::fabs(i - u));
      s.X += w * q[std::size_t(i)].X, s.Y += w * q[std::size_t(i)].Y, s.Z += w * q[std::size_t(i)].Z;
    }
    if (!Finite(s)) g_.Fail();
    shape_->AddPoint3D(TGIS_Point3D{s.X, s.Y, s.Z, 0});
  }
  EndShape();
}

// ---- collecting entities -----------------------------------------------------------------

bool TGIS_LayerDXF::TReader::CommonGroup(TCommon& common, bool& stop) {
  switch (g_.Code()) {
  case 5: common.Handle = g_.Text(); return true;
  case 8:
    common.Layer = g_.Text();
    if (!AcceptLayer(common.Layer)) stop = true;
    return true;
  case 62: common.Color = g_.Int(); return true;
  case 6: common.LineType = g_.Text(); return true;
  case 370: common.Weight = g_.Text(); return true;
  default: return false;
  }
}

TGIS_Shape* TGIS_LayerDXF::TReader::MakeCollected(TGIS_ShapeType type, const char* kind,
                                                  const TCommon& common, bool elevation) {
  shape_ = layer_.CreateShape(type);
  if (shape_ == nullptr) g_.Fail();
  shape_->Lock(2);
  if (type == gisShapeTypePolygon) Own().GetArea().SetPattern(bsClear);
  shape_->SetField("DXF_HANDLE", common.Handle);
  shape_->SetField("DXF_TYPE", kind);
  const int from = layer_.GetCodePage(), to = layer_.GetOutCodePage();
  shape_->SetField("DXF_LAYER",
                   from != to ? GisConvertCodePage(common.Layer, from, to) : common.Layer);
  shape_->SetIsHidden(IsLayerHidden(common.Layer));
  shape_->SetField("DXF_ELEVATION", elevation ? common.Elevation : 0.0);
  shape_->SetField("DXF_COLOR", common.Color);
  // By layer (256) and none (0) take the drawing layer's colour.
  if (common.Color != 0 && common.Color != 256)
    ApplyColor("", common.Color);
  else
    ApplyColor(common.Layer, 0);
  ApplyLayerWeight(common.Layer);
  if (!common.LineType.empty()) ApplyLineType(common.LineType);
  if (!common.Weight.empty()) {
    Integer parsed = 0;
    const int w = TryStrToInt(Trim(common.Weight), parsed) ? int(parsed) : 0;
    shape_->SetField("DXF_WEIGHT", w);
    if (w > 0) ApplyWeight(w);
  }
  return shape_;
}

void TGIS_LayerDXF::TReader::ReadVertex(std::vector<TVertex>& vertices,
                                        std::vector<std::array<int, 4>>& faces) {
  TVertex v;
  Next();
  while (!g_.EndOfData() && g_.Code() != 0) {
    switch (g_.Code()) {
    case 10: v.X = g_.Double(); break;
    case 20: v.Y = g_.Double(); break;
    case 30: v.Z = g_.Double(); break;
    case 42: v.Bulge = g_.Double(); break;
    case 70:
      if (!(g_.Int() & 64)) faces.push_back({0, 0, 0, 0});
      break;
    case 71:
    case 72:
    case 73:
    case 74:
      if (!faces.empty()) faces.back()[std::size_t(g_.Code() - 71)] = g_.Int();
      break;
    default: break;
    }
    Next();
  }
  vertices.push_back(v);
}

void TGIS_LayerDXF::TReader::ReadPolyline() {
  TCommon common;
  TGIS_DxfVec ext{0, 0, 1};
  int flags = 0, m = 0, n = 0, md = 0, nd = 0;
  bool stop = false, ocs = false;
  std::vector<TVertex> vertices;
  std::vector<std::array<int, 4>> faces;
  shape_ = nullptr;
  auto kind = [&] {
    return (flags & 1) || (flags & 64) ? gisShapeTypePolygon : gisShapeTypeArc;
  };
  auto make = [&] {
    if (shape_ == nullptr) {
      SetEntityOCS(ext);
      MakeCollected(kind(), "POLYLINE", common, true);
    }
  };
  Next();
  while (!g_.EndOfData() && !g_.Is(0, "SEQEND")) {
    if (g_.Is(0, "VERTEX")) {
      if (!ocs) SetEntityOCS(ext), ocs = true;
      ReadVertex(vertices, faces);
      continue;
    }
    if (g_.Code() == 0) break; // no SEQEND: the next entity begins
    if (CommonGroup(common, stop)) {
      if (stop) break;
    } else {
      switch (g_.Code()) {
      case 30: common.Elevation = g_.Double(); break;
      case 210:
      case 220:
      case 230:
        ExtrusionGroup(ext);
        break;
      case 70: flags = g_.Int(); break;
      case 71: m = g_.Int(); break;
      case 72: n = g_.Int(); break;
      case 73: md = g_.Int(); break;
      case 74: nd = g_.Int(); break;
      case 1001:
        if (g_.Is(1001, "ADE")) {
          make();
          ReadXData();
          continue;
        }
        break;
      default: break;
      }
    }
    Next();
  }
  if (stop) {
    EndShape();
    return;
  }
  const auto count = std::int64_t(vertices.size());
  if (count > 0) {
    if (flags & 16) { // a polygon mesh of M rows by N columns
      make();
      SetEntityOCS(ext);
      const std::int64_t rows = std::clamp<std::int64_t>(md != 0 ? md : m, 0, count);
      const std::int64_t cols = std::clamp<std::int64_t>(nd != 0 ? nd : n, 0, count);
      for (std::int64_t r = 0; r < rows && r * cols < count; ++r) {
        shape_->AddPart();
        for (std::int64_t c = 0; c < cols && r * cols + c < count; ++c) {
          const TVertex& v = vertices[std::size_t(r * cols + c)];
          AddPoint({v.X, v.Y, v.Z});
        }
      }
      for (std::int64_t c = 0; c < cols; ++c) {
        shape_->AddPart();
        for (std::int64_t r = 0; r < rows && r * cols + c < count; ++r) {
          const TVertex& v = vertices[std::size_t(r * cols + c)];
          AddPoint({v.X, v.Y, v.Z});
        }
      }
    } else if (flags & 64) { // a polyface mesh: the union of its faces
      SetEntityOCS(ext);
      std::vector<std::vector<TGIS_DxfVec>> rings;
      bool oneZ = true;
      double z0 = 0;
      for (const auto& face : faces) {
        std::vector<TGIS_DxfVec> ring;
        for (int index : face) {
          if (index == 0) break;
          const std::int64_t i = std::int64_t(std::abs(double(index)));
          if (i < 1 || i > count) continue; // an index out of range names no vertex
          const TVertex& v = vertices[std::size_t(i - 1)];
          ring.push_back(Transform({v.X, v.Y, v.Z}));
        }
        if (ring.size() < 3) continue;
        for (const auto& p : ring) {
          if (!Finite(p)) g_.Fail();
          if (rings.empty() && &p == &ring.front()) z0 = p.Z;
          if (p.Z != z0) oneZ = false;
        }
        ring.push_back(ring.front());
        rings.push_back(std::move(ring));
      }
      auto polygon = [](const std::vector<TGIS_DxfVec>& ring) {
        auto s = std::make_unique<TGIS_ShapePolygon>();
        s->Lock(2);
        s->AddPart();
        for (const auto& p : ring)
          s->AddPoint3D(TGIS_Point3D{p.X, p.Y, p.Z, 0});
        s->Unlock();
        return s;
      };
      if (!rings.empty() && oneZ) {
        std::vector<std::unique_ptr<TGIS_Shape>> faceShapes;
        std::vector<TGIS_Shape*> list;
        for (const auto& ring : rings) {
          faceShapes.push_back(polygon(ring));
          list.push_back(faceShapes.back().get());
        }
        TGIS_Topology topology;
        std::unique_ptr<TGIS_Shape> merged = topology.UnionShapes(list);
        make();
        if (merged != nullptr) shape_->CopyGeometry(*merged);
      } else {
        for (const auto& ring : rings) {
          make();
          auto face = polygon(ring);
          shape_->CopyGeometry(*face);
          EndShape();
        }
      }
    } else {
      make();
      shape_->AddPart();
      // A 2-D polyline lies at its elevation in its coordinate system.
      if (!(flags & 8))
        for (auto& v : vertices)
          if (v.Z == 0) v.Z = common.Elevation;
      AddVertices(vertices, (flags & 1) != 0);
    }
  }
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadLWPolyline() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  TCommon common;
  TGIS_DxfVec ext{0, 0, 1};
  int flags = 0;
  double elevation = 0;
  bool stop = false;
  std::vector<TVertex> vertices;
  shape_ = nullptr;
  auto make = [&] {
    if (shape_ == nullptr)
      MakeCollected(flags & (1 | 64 | 128) ? gisShapeTypePolygon : gisShapeTypeArc, "LWPOLYLINE",
                    common, false);
  };
  while (!g_.EndOfData() && g_.Code() != 0) {
    if (CommonGroup(common, stop)) {
      if (stop) break;
    } else {
      switch (g_.Code()) {
      case 70: flags = g_.Int(); break;
      case 38: elevation = g_.Double(); break;
      case 10:
        make();
        vertices.push_back({g_.Double(), 0, elevation, 0});
        break;
      case 20: if (!vertices.empty()) vertices.back().Y = g_.Double(); break;
      case 30: if (!vertices.empty()) vertices.back().Z = g_.Double(); break;
      case 42: if (!vertices.empty()) vertices.back().Bulge = g_.Double(); break;
      case 210:
      case 220:
      case 230:
        ExtrusionGroup(ext);
        break;
      case 1001:
        if (g_.Is(1001, "ADE")) {
          make();
          ReadXData();
          continue;
        }
        break;
      default: break;
      }
    }
    Next();
  }
  if (shape_ == nullptr) return;
  if (!stop) {
    SetEntityOCS(ext);
    shape_->AddPart();
    AddVertices(vertices, (flags & 1) != 0);
  }
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadMPolygon() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  TCommon common;
  TGIS_DxfVec ext{0, 0, 1};
  bool stop = false;
  std::vector<TVertex> vertices;
  while (!g_.EndOfData() && g_.Code() != 0) {
    if (CommonGroup(common, stop)) {
      if (stop) break;
    } else {
      switch (g_.Code()) {
      case 10: vertices.push_back({g_.Double(), 0, 0, 0}); break;
      case 20: if (!vertices.empty()) vertices.back().Y = g_.Double(); break;
      case 210:
      case 220:
      case 230:
        ExtrusionGroup(ext);
        break;
      default: break;
      }
    }
    Next();
  }
  if (stop || vertices.empty()) return;
  MakeCollected(gisShapeTypePolygon, "MPOLYGON", common, false);
  shape_->AddPart();
  SetEntityOCS(ext);
  // The first pair is the entity's elevation point.
  for (std::size_t i = 1; i < vertices.size(); ++i)
    AddPoint({vertices[i].X, vertices[i].Y, 0});
  EndShape();
}

void TGIS_LayerDXF::TReader::ReadHatch() {
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  struct TEdge {
    int Kind = 0;
    TGIS_DxfVec A, B;
    double Value = 0, Start = 0, End = 0;
  };
  TCommon common;
  TGIS_DxfVec ext{0, 0, 1};
  bool stop = false, seed = false, polyline = false, any = false;
  std::vector<TVertex> vertices;
  std::vector<TEdge> edges;
  shape_ = nullptr;
  auto emit = [&] {
    if (!any) return;
    shape_->AddPart();
    if (polyline) {
      AddVertices(vertices, true);
      return;
    }
    for (const TEdge& e : edges) {
      if (e.Kind == 1) {
        AddPoint(e.A);
        AddPoint(e.B);
      } else if (e.Kind == 2) {
        double sweep = e.End - e.Start;
        if (e.Start > e.End) sweep += 360;
        if (std::fabs(sweep) > 360) sweep = std::fmod(sweep, 360);
        AddArc(e.A, {e.Value, 0, 0}, {0, e.Value, 0}, e.Start * M_PI / 180, sweep * M_PI / 180);
      } else if (e.Kind == 3) {
        // Angles in degrees; the major axis end relative to the centre.
        double sweep = e.End - e.Start;
        if (e.Start > e.End) sweep += 360;
        if (std::fabs(sweep) > 360) sweep = std::fmod(sweep, 360);
        AddArc(e.A, e.B, {-e.B.Y * e.Value, e.B.X * e.Value, 0}, e.Start * M_PI / 180,
               sweep * M_PI / 180);
      }
    }
  };
  while (!g_.EndOfData() && g_.Code() != 0) {
    if (CommonGroup(common, stop)) {
      if (stop) break;
      Next();
      continue;
    }
    const int code = g_.Code();
    TEdge* edge = !polyline && !edges.empty() ? &edges.back() : nullptr;
    switch (code) {
    case 210:
    case 220:
    case 230:
      ExtrusionGroup(ext);
      break;
    case 92: {
      const int type = g_.Int();
      if (shape_ == nullptr) {
        MakeCollected(gisShapeTypePolygon, "HATCH", common, false);
        SetEntityOCS(ext);
      }
      emit();
      any = true;
      polyline = (type & 2) == 2;
      vertices.clear();
      edges.clear();
      break;
    }
    case 72:
      if (any && !polyline && !seed) {
        edges.push_back({});
        edges.back().Kind = g_.Int();
      }
      break;
    case 75:
    case 98:
      seed = true;
      break;
    default:
      if (!any || seed) break;
      if (polyline) {
        if (code == 10) vertices.push_back({g_.Double(), 0, 0, 0});
        if (code == 20 && !vertices.empty()) vertices.back().Y = g_.Double();
        if (code == 42 && !vertices.empty()) vertices.back().Bulge = g_.Double();
      } else if (edge != nullptr && edge->Kind >= 1 && edge->Kind <= 3) {
        if (code == 10) edge->A.X = g_.Double();
        if (code == 20) edge->A.Y = g_.Double();
        if (code == 11) edge->B.X = g_.Double();
        if (code == 21) edge->B.Y = g_.Double();
        if (code == 40) edge->Value = g_.Double();
        if (code == 50) edge->Start = g_.Double();
        if (code == 51) edge->End = g_.Double();
      }
      break;
    }
    Next();
  }
  if (shape_ == nullptr) return;
  if (!stop) emit();
  EndShape();
}
