// TGIS_LabelsArea: drawn texts, reserved label rectangles on a grid, and the
// measuring and drawing of label text.
#include "gis/viewer/GisLabelsArea.h"

#include <algorithm>
#include <cmath>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Strings.h"

namespace {

/// About this many pixels a side per grid cell.
constexpr double kCellPixels = 64;
/// An extent covering more cells than this goes to the list of wide ones.
constexpr std::int64_t kMaxCells = 256;

int TextAlignment(int alignment) {
  return alignment >= 1 && alignment <= 3 ? alignment : 0;
}

bool Apart(const TGIS_Extent& r, const TGIS_Extent& e) {
  return r.XMin > e.XMax || r.XMax < e.XMin || r.YMin > e.YMax || r.YMax < e.YMin;
}

bool IsFinite(const TGIS_Extent& e) {
  return std::isfinite(e.XMin) && std::isfinite(e.YMin) && std::isfinite(e.XMax) &&
         std::isfinite(e.YMax);
}

std::int64_t CellOf(double v, double cell) {
  const double c = std::floor(v / cell);
  return std::int64_t(std::clamp(c, -2147483648.0, 2147483647.0));
}

std::uint64_t KeyOf(std::int64_t x, std::int64_t y) {
  return (std::uint64_t(std::uint32_t(std::int32_t(x))) << 32) |
         std::uint64_t(std::uint32_t(std::int32_t(y)));
}

} // namespace

bool TGIS_LabelsArea::TextLess::operator()(const std::string& a, const std::string& b) const {
  return AnsiCompareText(a, b) < 0;
}

TGIS_LabelsArea::TGIS_LabelsArea(TGIS_Viewer* viewer) : viewer_(viewer) {}

TGIS_LabelsArea::~TGIS_LabelsArea() = default;

bool TGIS_LabelsArea::IsTextDrawn(const std::string& text) const {
  return texts_.count(text) > 0;
}

void TGIS_LabelsArea::AddText(const std::string& text) {
  texts_.insert(text);
}

void TGIS_LabelsArea::Clear() {
  texts_.clear();
  extents_.clear();
  grid_.clear();
  wide_.clear();
  cell_ = 0;
}

bool TGIS_LabelsArea::CellRange(const TGIS_Extent& e, std::int64_t& x0, std::int64_t& y0,
                                std::int64_t& x1, std::int64_t& y1) const {
  x0 = CellOf(e.XMin, cell_);
  y0 = CellOf(e.YMin, cell_);
  x1 = CellOf(e.XMax, cell_);
  y1 = CellOf(e.YMax, cell_);
  return x1 - x0 < kMaxCells && y1 - y0 < kMaxCells && (x1 - x0 + 1) * (y1 - y0 + 1) <= kMaxCells;
}

int TGIS_LabelsArea::FirstOverlap(const TGIS_Extent& e) const {
  std::int64_t x0, y0, x1, y1;
  if (!CellRange(e, x0, y0, x1, y1)) {
    // A wide query: every reserved extent in insertion order.
    for (int id = 0; id < int(extents_.size()); ++id)
      if (!Apart(extents_[std::size_t(id)], e)) return id;
    return -1;
  }
  int first = -1;
  const auto consider = [&](int id) {
    if ((first < 0 || id < first) && !Apart(extents_[std::size_t(id)], e)) first = id;
  };
  for (int id : wide_)
    consider(id);
  for (std::int64_t x = x0; x <= x1; ++x)
    for (std::int64_t y = y0; y <= y1; ++y)
      if (auto it = grid_.find(KeyOf(x, y)); it != grid_.end())
        for (int id : it->second)
          consider(id);
  return first;
}

void TGIS_LabelsArea::Store(const TGIS_Extent& e) {
  const int id = int(extents_.size());
  extents_.push_back(e);
  std::int64_t x0, y0, x1, y1;
  if (!CellRange(e, x0, y0, x1, y1)) {
    wide_.push_back(id);
    return;
  }
  for (std::int64_t x = x0; x <= x1; ++x)
    for (std::int64_t y = y0; y <= y1; ++y)
      grid_[KeyOf(x, y)].push_back(id);
}

bool TGIS_LabelsArea::Allocate(const TGIS_Extent& extent) {
  if (!IsFinite(extent)) return false;
  const double zoom = viewer_ != nullptr ? viewer_->Zoom() : 1.0;
  if (viewer_ != nullptr && viewer_->FullPaint() && !viewer_->IncrementalPainting()) {
    const TGIS_Extent v = viewer_->GetVisibleExtent();
    if (extent.XMin < v.XMin || extent.XMax > v.XMax || extent.YMin < v.YMin ||
        extent.YMax > v.YMax)
      return false;
  }
  if (cell_ == 0) cell_ = zoom > 0 && std::isfinite(zoom) ? kCellPixels / zoom : kCellPixels;
  const int first = FirstOverlap(extent);
  if (first >= 0) {
    // The same label placed again (all four sides within half a pixel).
    const TGIS_Extent& r = extents_[std::size_t(first)];
    const double half = zoom > 0 ? 0.5 / zoom : 0.5;
    return std::abs(r.XMin - extent.XMin) <= half && std::abs(r.XMax - extent.XMax) <= half &&
           std::abs(r.YMin - extent.YMin) <= half && std::abs(r.YMax - extent.YMax) <= half;
  }
  Store(extent);
  return true;
}

bool TGIS_LabelsArea::AllocateQuad(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& p3,
                                   const TGIS_Point& p4) {
  const TGIS_Extent e{std::min({p1.X, p2.X, p3.X, p4.X}), std::min({p1.Y, p2.Y, p3.Y, p4.Y}),
                      std::max({p1.X, p2.X, p3.X, p4.X}), std::max({p1.Y, p2.Y, p3.Y, p4.Y})};
  return Allocate(e);
}

TPoint TGIS_LabelsArea::MeasureText(TGIS_GDI& gdi, const std::string& text, int alignment,
                                    const TPoint& box) {
  TRect rect(0, 0, box.x, box.y);
  gdi.DrawTextBox(text, rect, false, false, 0, TextAlignment(alignment));
  return TPoint(rect.Right - rect.Left, rect.Bottom - rect.Top);
}

void TGIS_LabelsArea::DrawText(TGIS_GDI& gdi, const std::string& text, TRect& rect, int alignment,
                               bool halo) {
  gdi.DrawTextBox(text, rect, true, halo, 0, TextAlignment(alignment));
}
