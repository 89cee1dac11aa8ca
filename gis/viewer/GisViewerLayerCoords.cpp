// TGIS_LayerAbstract: conversions between the layer's and the viewer's
// coordinate systems, and the projected extent.
#include "gis/coords/GisProjections.h"
#include "gis/viewer/GisViewer.h"

namespace {

bool UnitsApply(const TGIS_LayerAbstract& layer, const TGIS_Viewer* viewer) {
  return viewer != nullptr && layer.Units().Type() != gisUnitsNone &&
         viewer->Units().Type() != gisUnitsNone;
}

} // namespace

// Layer projection inverse and datum to WGS 84 (failures pass on), then the
// viewer's datum and projection (a failing step keeps the last good value).
TGIS_Point3D TGIS_LayerAbstract::ToViewerSteps(TGIS_Point3D v) const {
  TGIS_ProjectionAbstract* target = viewer_->Projection();
  if (target == nullptr) return v;
  if (projection_) {
    TGIS_Point3D r;
    projection_->Unproject(v, r);
    v = r;
    if (projection_->Datum() != nullptr) {
      projection_->Datum()->ToWGS84(v, r);
      v = r;
    }
  }
  try {
    TGIS_Point3D r;
    if (target->Datum() != nullptr) {
      target->Datum()->FromWGS84(v, r);
      v = r;
    }
    target->Project(v, r);
    v = r;
  } catch (...) {
  }
  return v;
}

TGIS_Point3D TGIS_LayerAbstract::FromViewerSteps(TGIS_Point3D v) const {
  TGIS_ProjectionAbstract* source = viewer_->Projection();
  if (source == nullptr) return v;
  try {
    TGIS_Point3D r;
    source->Unproject(v, r);
    v = r;
    if (source->Datum() != nullptr) {
      source->Datum()->ToWGS84(v, r);
      v = r;
    }
  } catch (...) {
  }
  if (projection_) {
    TGIS_Point3D r;
    if (projection_->Datum() != nullptr) {
      projection_->Datum()->FromWGS84(v, r);
      v = r;
    }
    projection_->Project(v, r);
    v = r;
  }
  return v;
}

TGIS_Point TGIS_LayerAbstract::PointToViewer(const TGIS_Point& p) const {
  if (UnitsApply(*this, viewer_)) {
    const double lf = double(units_->Factor()), vf = double(viewer_->Units().Factor());
    TGIS_Point3D v = ToViewerSteps(TGIS_Point3D{p.X * lf, p.Y * lf, 0, 0});
    TGIS_Point r{v.X / vf, v.Y / vf};
    if (viewer_->RotationAngle() != 0) r = viewer_->RotatePoint(r);
    return r;
  }
  if (viewer_ != nullptr && viewer_->RotationAngle() != 0) return viewer_->RotatePoint(p);
  return p;
}

TGIS_Point3D TGIS_LayerAbstract::Point3DToViewer(const TGIS_Point3D& p) const {
  if (UnitsApply(*this, viewer_)) {
    const double lf = double(units_->Factor()), vf = double(viewer_->Units().Factor());
    TGIS_Point3D v = ToViewerSteps(TGIS_Point3D{p.X * lf, p.Y * lf, p.Z, 0});
    TGIS_Point3D r{v.X / vf, v.Y / vf, v.Z, p.M};
    if (viewer_->RotationAngle() != 0) r = viewer_->RotatePoint3D(r);
    return r;
  }
  if (viewer_ != nullptr && viewer_->RotationAngle() != 0) return viewer_->RotatePoint3D(p);
  return p;
}

TGIS_Point TGIS_LayerAbstract::PointFromViewer(const TGIS_Point& p) const {
  if (UnitsApply(*this, viewer_)) {
    TGIS_Point q = p;
    if (viewer_->RotationAngle() != 0) q = viewer_->UnrotatePoint(q);
    const double lf = double(units_->Factor()), vf = double(viewer_->Units().Factor());
    TGIS_Point3D v = FromViewerSteps(TGIS_Point3D{q.X * vf, q.Y * vf, 0, 0});
    return TGIS_Point{v.X / lf, v.Y / lf};
  }
  if (viewer_ != nullptr && viewer_->RotationAngle() != 0) return viewer_->UnrotatePoint(p);
  return p;
}

namespace {

template <class F> TGIS_Extent EightPoints(const TGIS_Extent& e, F convert) {
  const double mx = (e.XMin + e.XMax) / 2, my = (e.YMin + e.YMax) / 2;
  const TGIS_Point pts[8] = {{e.XMin, e.YMin}, {e.XMax, e.YMin}, {e.XMax, e.YMax}, {e.XMin, e.YMax},
                             {mx, e.YMin},     {e.XMax, my},     {mx, e.YMax},     {e.XMin, my}};
  TGIS_Extent r{0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) {
    const TGIS_Point q = convert(pts[i]);
    if (i == 0) {
      r = TGIS_Extent{q.X, q.Y, q.X, q.Y};
    } else {
      r.XMin = GisMin(r.XMin, q.X);
      r.YMin = GisMin(r.YMin, q.Y);
      r.XMax = GisMax(r.XMax, q.X);
      r.YMax = GisMax(r.YMax, q.Y);
    }
  }
  return r;
}

} // namespace

TGIS_Extent TGIS_LayerAbstract::ExtentToViewer(const TGIS_Extent& e) const {
  return EightPoints(e, [this](const TGIS_Point& p) { return PointToViewer(p); });
}

TGIS_Extent TGIS_LayerAbstract::ExtentFromViewer(const TGIS_Extent& e) const {
  if (GisIsEmptyExtent(e) || GisIsWholeWorld(e)) return e;
  return EightPoints(e, [this](const TGIS_Point& p) { return PointFromViewer(p); });
}

void TGIS_LayerAbstract::RecalcProjectedExtent() {
  if (viewer_ == nullptr || GisIsEmptyExtent(extent_)) {
    projectedExtent_ = extent_;
    return;
  }
  TGIS_Extent r = ExtentToViewer(extent_);
  const double stepX = (extent_.XMax - extent_.XMin) / 72;
  const double stepY = (extent_.YMax - extent_.YMin) / 72;
  if (stepX > 0 && stepY > 0) {
    auto widen = [&r](const TGIS_Point& q) {
      if (q.X < r.XMin)
        r.XMin = q.X;
      else if (q.X > r.XMax)
        r.XMax = q.X;
      if (q.Y < r.YMin)
        r.YMin = q.Y;
      else if (q.Y > r.YMax)
        r.YMax = q.Y;
    };
    for (int k = 0; k < 72; ++k) {
      const double x = extent_.XMin + k * stepX, y = extent_.YMin + k * stepY;
      widen(PointToViewer({x, extent_.YMin}));
      widen(PointToViewer({x, extent_.YMax}));
      widen(PointToViewer({extent_.XMin, y}));
      widen(PointToViewer({extent_.XMax, y}));
    }
  }
  projectedExtent_ = r;
}
