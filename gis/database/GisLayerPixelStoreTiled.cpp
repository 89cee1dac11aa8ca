#include "gis/database/GisLayerPixelStoreTiled.h"

#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

/// A pixel count of an extent: 0 for no pixel size, limited to the int range.
int StorePixelCount(double span, double pixelSize) {
  if (pixelSize == 0) return 0;
  const double n = std::trunc(span / pixelSize);
  if (!std::isfinite(n)) return 0;
  return static_cast<int>(std::clamp(n, 0.0, 2147483647.0));
}

bool CellHolds(const TGIS_Extent& cell, const TGIS_Point& p) {
  return p.X >= cell.XMin && p.X < cell.XMax && p.Y > cell.YMin && p.Y <= cell.YMax;
}

} // namespace

TGIS_LayerPixelStoreTiled::TGIS_LayerPixelStoreTiled() : cell_(std::make_unique<TBitmap>()) {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerPixelStoreTiled::~TGIS_LayerPixelStoreTiled() = default;

void TGIS_LayerPixelStoreTiled::SetUpStoreRaster(const TGIS_Extent& extent, double pixelWidth,
                                                 double pixelHeight, int cellWidth, int cellHeight) {
  storePixelX_ = pixelWidth;
  storePixelY_ = pixelHeight;
  pixelSizeX_ = pixelWidth;
  pixelSizeY_ = -pixelHeight;
  width_ = StorePixelCount(extent.XMax - extent.XMin, pixelWidth);
  height_ = StorePixelCount(extent.YMax - extent.YMin, pixelHeight);
  readWidth_ = width_ == 0 ? 0 : cellWidth;
  readHeight_ = height_ == 0 ? 0 : cellHeight;
  bitsPerPixel_ = outBitsPerPixel_ = 24;
  lineBytes_ = outLineBytes_ = readWidth_ * 3;
  TGIS_LayerPixel::Open();
  SetExtent(extent);
  // The raster base derives its pixel sizes from the whole pixels of the
  // extent; the cells are placed by the store's own.
  if (pixelWidth != 0 && pixelHeight != 0) {
    pixelSizeX_ = pixelWidth;
    pixelSizeY_ = -pixelHeight;
  }
}

bool TGIS_LayerPixelStoreTiled::SkipsIncremental() const {
  return viewer_ != nullptr && viewer_->IncrementalPainting() && !incrementalPaint_;
}

double TGIS_LayerPixelStoreTiled::CellZoom(double fallback) const {
  if (viewer_ != nullptr && viewer_->Zoom() > 0) return viewer_->Zoom();
  if (fallback > 0 && std::isfinite(fallback)) return fallback;
  const double p = std::max(storePixelX_, storePixelY_);
  return p > 0 ? 1 / p : 1;
}

bool TGIS_LayerPixelStoreTiled::StartWalk(const TGIS_Extent& extent, double zoom) {
  StoreStartCells(extent, zoom);
  const std::int64_t n = StoreCellCount();
  return n > 0 && n <= MostCells;
}

TGIS_Extent TGIS_LayerPixelStoreTiled::CellArea() const {
  TGIS_Extent area = extent_;
  if (viewer_ != nullptr && viewer_->Zoom() > 0) GetDrawExtent(area);
  return GisExtentIntersection(area, extent_);
}

void TGIS_LayerPixelStoreTiled::PresentCell() {
  StoreCellBitmap(*cell_);
  if (cell_->PixelFormat() != pf24bit) cell_->SetPixelFormat(pf24bit);
  presented_ = StoreCellExtent();
  readWidth_ = cell_->Width();
  readHeight_ = cell_->Height();
  bitsPerPixel_ = outBitsPerPixel_ = 24;
  lineBytes_ = outLineBytes_ = readWidth_ * 3;
  paletteCount_ = 0;
  SetUpLineReader();
}

int TGIS_LayerPixelStoreTiled::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (cell_->Empty()) return 0;
  return CopyBitmapRow(*cell_, cell_->Width() * 3, buffer, row, count, offset);
}

bool TGIS_LayerPixelStoreTiled::DrawDefault() {
  if (viewer_ == nullptr || !StoreOpened() || SkipsIncremental()) return false;
  const TGIS_Extent area = CellArea();
  if (GisIsEmptyExtent(area)) return false;
  bool drawn = false;
  if (!StartWalk(area, viewer_->Zoom())) return false;
  while (StoreNextCell()) {
    PresentCell();
    drawn = DrawExtent(presented_, false) || drawn;
    if (viewer_->HourglassShake()) break;
  }
  return drawn;
}

bool TGIS_LayerPixelStoreTiled::Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
                                       std::vector<double>& values) {
  if (!StoreOpened() || SkipsIncremental()) return false;
  if (std::isnan(point.X) || std::isnan(point.Y)) return false;
  if (point.X < extent_.XMin || point.X > extent_.XMax || point.Y < extent_.YMin || point.Y > extent_.YMax)
    return false;
  if (cell_->Empty() || !CellHolds(presented_, point)) {
    const TGIS_Extent area = CellArea();
    if (point.X < area.XMin || point.X > area.XMax || point.Y < area.YMin || point.Y > area.YMax) return false;
    // Only the cells next to the point: the factor follows from the zoom alone.
    const double dx = std::max(std::fabs(storePixelX_) / 4, std::fabs(point.X) * 1e-12);
    const double dy = std::max(std::fabs(storePixelY_) / 4, std::fabs(point.Y) * 1e-12);
    bool found = false;
    if (!StartWalk(TGIS_Extent{point.X - dx, point.Y - dy, point.X + dx, point.Y + dy}, CellZoom())) return false;
    while (StoreNextCell()) {
      if (!CellHolds(StoreCellExtent(), point)) continue;
      PresentCell();
      found = true;
      break;
    }
    if (!found) return false;
  }
  const double kx = readWidth_ / (presented_.XMax - presented_.XMin);
  const double ky = readHeight_ / (presented_.YMax - presented_.YMin);
  const TGIS_Point mapped{(point.X - presented_.XMin) * kx * storePixelX_ + extent_.XMin,
                          extent_.YMax - (presented_.YMax - point.Y) * ky * storePixelY_};
  return TGIS_LayerPixel::Locate(mapped, rgb, transparent, values);
}

template <class TFill>
bool TGIS_LayerPixelStoreTiled::EachCellAsLayer(const TGIS_Extent& extent, double outputZoom, TFill fill) {
  if (!StoreOpened() || SkipsIncremental()) return false;
  const TGIS_Extent area = GisExtentIntersection(extent, extent_);
  if (GisIsEmptyExtent(area)) return false;
  const TGIS_Extent layer = extent_;
  bool any = false;
  try {
    if (!StartWalk(area, CellZoom(outputZoom))) return false;
    while (StoreNextCell()) {
      PresentCell();
      extent_ = presented_;
      any = fill() || any;
    }
  } catch (...) {
    extent_ = layer;
    throw;
  }
  extent_ = layer;
  return any;
}

bool TGIS_LayerPixelStoreTiled::GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) {
  const double cols = grid.empty() ? 0 : double(grid[0].size());
  return EachCellAsLayer(extent, cols / (extent.XMax - extent.XMin),
                         [&] { return TGIS_LayerPixel::GetGrid(extent, grid); });
}

bool TGIS_LayerPixelStoreTiled::GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap) {
  return EachCellAsLayer(extent, bitmap.Width() / (extent.XMax - extent.XMin),
                         [&] { return TGIS_LayerPixel::GetBitmap(extent, bitmap); });
}
