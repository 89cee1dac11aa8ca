// TGIS_LayerVector: locating the shape nearest to a point, and the choice of
// a shape's style section.
#include <cmath>

#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeSegments.h"
#include "platform/rtl/Exceptions.h"

namespace {
bool AnyVisible(const std::vector<TGIS_ParamsSection*>& sections) {
  for (const TGIS_ParamsSection* s : sections)
    if (s->Visible()) return true;
  return false;
}
} // namespace

TGIS_ParamsSectionVector* TGIS_LayerVector::ChooseParamsSection(TGIS_Shape& shape, bool& endPass) {
  endPass = false;
  const auto& active = ActiveSections();
  for (int i = int(active.size()) - 1; i >= 0; --i) {
    auto* section = dynamic_cast<TGIS_ParamsSectionVector*>(active[std::size_t(i)]);
    if (section == nullptr) continue;
    bool holds = section->Query() == nullptr;
    if (!holds) {
      try {
        holds = section->Query()->EvaluateBoolean(&shape, false, *this);
      } catch (const Exception&) {
        holds = false;
      }
    }
    if (!holds) continue;
    endPass = !section->Visible() && section->Query() == nullptr && active.size() == 1;
    UseParamsSection(i);
    return section;
  }
  return nullptr;
}

TGIS_Shape* TGIS_LayerVector::Locate(const TGIS_Point& point, double precision, bool visibleOnly) {
  double distance;
  int part;
  TGIS_Point nearest;
  return LocateEx(point, precision, -1, distance, part, nearest, visibleOnly);
}

TGIS_ShapeAbstract* TGIS_LayerVector::LocateShape(const TGIS_Point& point, double precision,
                                                  bool visibleOnly, double& distance) {
  int part;
  TGIS_Point nearest;
  return LocateEx(point, precision, -1, distance, part, nearest, visibleOnly);
}

const TGIS_EditableShape* TGIS_LayerVector::LocateSnapShape(const TGIS_Point& point,
                                                            double margin) {
  double distance;
  int part;
  TGIS_Point nearest;
  return LocateEx(point, margin, -1, distance, part, nearest, true);
}

TGIS_Shape* TGIS_LayerVector::LocateEx(const TGIS_Point& point, double precision, int uid,
                                       double& distance, int& part, TGIS_Point& proj,
                                       bool visibleOnly) {
  distance = GIS_MAX_SHAPE_DISTANCE;
  proj = point;
  part = -1;
  std::int32_t best = -1;
  if (visibleOnly) {
    SelectParamsSections("");
    if (!AnyVisible(ActiveSections())) return nullptr;
  }
  const double r = std::fabs(precision);
  const TGIS_Extent square{point.X - r, point.Y - r, point.X + r, point.Y + r};
  for (TGIS_Shape* shape = FindFirst(square, "", true); shape != nullptr; shape = FindNext()) {
    if (visibleOnly) {
      if (shape->IsHidden()) continue;
      bool endPass;
      const TGIS_ParamsSectionVector* section = ChooseParamsSection(*shape, endPass);
      if (section == nullptr || !section->Visible()) continue;
    }
    // A polygon holding the point measures with the inside bonus.
    const bool holds =
        shape->ShapeType() == gisShapeTypePolygon && GisPointInPolygon(point, shape, -1);
    const double limit =
        shape->ShapeType() == gisShapeTypePolygon && !holds ? GIS_MAX_SHAPE_DISTANCE : precision;
    for (int i = 0; i < shape->GetNumParts(); ++i) {
      TGIS_Point p;
      const double d = shape->DistanceToPart(point, i, p, limit);
      if (shape->Uid() == uid || !(d < distance)) continue;
      distance = d;
      part = i;
      proj = p;
      best = shape->Uid();
    }
  }
  if (best < 0 || !(r >= distance)) return nullptr;
  return GetShape(best);
}
