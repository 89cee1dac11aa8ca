// What the raster layers of both pixel stores share: a store is drawn,
// located and resampled cell by cell. Each cell is decoded into a 24-bit
// bitmap (the presented cell) whose rows the raster base reads through
// ReadLine, placed at the cell's extent.
#pragma once

#include "gis/raster/GisLayerPixel.h"

#include <cstdint>
#include <memory>

class TBitmap;

class TGIS_LayerPixelStoreTiled : public TGIS_LayerPixel {
public:
  /// The most cells one drawing or resampling walks: a range of more (cells
  /// far below a screen pixel, as a damaged catalogue gives) draws nothing.
  static constexpr std::int64_t MostCells = std::int64_t(1) << 20;

  TGIS_LayerPixelStoreTiled();
  ~TGIS_LayerPixelStoreTiled() override;

  /// Draws the cells of the viewer's drawing extent at the viewer's zoom;
  /// nothing while the viewer paints incrementally and IncrementalPaint is
  /// off. True when any cell was drawn.
  bool DrawDefault() override;
  /// Rows of the presented cell (top row 0); 0 outside it.
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  /// The pixel of the cell holding the point (the presented one, else the
  /// first such cell of the drawing extent at the viewer's zoom).
  bool Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
              std::vector<double>& values) override;
  /// Each cell of `extent` fills its part of the grid or bitmap.
  bool GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) override;
  bool GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap) override;
  /// The store stays connected: no file to take up again.
  void WakeUp() override {}

  /// The presented cell and its extent.
  const TBitmap& PresentedCell() const { return *cell_; }
  const TGIS_Extent& PresentedExtent() const { return presented_; }

protected:
  // ---- the store's cell iteration, given by each store's layer --------------------------------
  /// Whether the store is open.
  virtual bool StoreOpened() const = 0;
  /// The cells of `extent` at `zoom` (screen pixels per map unit).
  virtual void StoreStartCells(const TGIS_Extent& extent, double zoom) = 0;
  /// The next cell, loaded; false at the end.
  virtual bool StoreNextCell() = 0;
  /// The cells of the started range.
  virtual std::int64_t StoreCellCount() const = 0;
  virtual TGIS_Extent StoreCellExtent() const = 0;
  /// The current cell decoded into a 24-bit bitmap.
  virtual void StoreCellBitmap(TBitmap& cell) = 0;

  /// Sets the raster geometry of an opened store: pixel sizes, image size
  /// (0 without a pixel size), cell size, 24 bits; then the raster base's
  /// Open and the store's extent, keeping the exact pixel sizes.
  void SetUpStoreRaster(const TGIS_Extent& extent, double pixelWidth, double pixelHeight,
                        int cellWidth, int cellHeight);

private:
  /// Decodes the current cell and hands it to the raster base.
  void PresentCell();
  /// Whether the viewer's incremental painting skips this layer.
  bool SkipsIncremental() const;
  /// The viewer's zoom; without a viewer `fallback`, else one screen pixel
  /// per store pixel.
  double CellZoom(double fallback = 0) const;
  /// Starts the cells of `extent` at `zoom`; false when there are none or
  /// more than MostCells.
  bool StartWalk(const TGIS_Extent& extent, double zoom);
  /// The viewer's drawing extent (the layer's without a viewer) within the layer.
  TGIS_Extent CellArea() const;
  /// Runs `fill` for each cell of `extent` (at the viewer's zoom, or at
  /// `outputZoom` without a viewer) with the cell's extent as the layer's;
  /// the results OR-ed, the layer's extent restored.
  template <class TFill> bool EachCellAsLayer(const TGIS_Extent& extent, double outputZoom, TFill fill);

  std::unique_ptr<TBitmap> cell_;
  TGIS_Extent presented_{1, 1, -1, -1};
  double storePixelX_ = 0, storePixelY_ = 0;
};

/// The cell iteration taken from a store class that has StartCells,
/// NextCell, CellExtent and CellBitmap.
template <class TStore> class TGIS_LayerPixelStoreOver : public TGIS_LayerPixelStoreTiled {
protected:
  /// The store; null before one is opened.
  virtual TStore* CellStore() const = 0;
  bool StoreOpened() const override { return CellStore() != nullptr; }
  void StoreStartCells(const TGIS_Extent& extent, double zoom) override { CellStore()->StartCells(extent, zoom); }
  bool StoreNextCell() override { return CellStore()->NextCell(); }
  std::int64_t StoreCellCount() const override { return CellStore()->CellCount(); }
  TGIS_Extent StoreCellExtent() const override { return CellStore()->CellExtent(); }
  void StoreCellBitmap(TBitmap& cell) override { CellStore()->CellBitmap(cell); }
};
