// The GisFilePixel module: TGIS_FilePixel, the base of files that receive
// raster pixels tile by tile (the tiled pixel stores derive from it). It
// holds what every such file is created with (path, size, extent, tile
// size, quality, pixel sub-format), the list of sub-formats a concrete file
// can write, and writes a bitmap as a sequence of row writes. It stores
// nothing itself: descendants do the storage in WriteLine and Complete.
//
// Use: construct the concrete file, then call CreateNew (a new file) or
// Create (an existing one). Both build the capability list through the
// virtual CreateCapabilities, so a descendant's list is in place when the
// sub-format is chosen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsBitmap.h"
#include "gis/viewer/GisViewer.h"

class TBitmap;

class TGIS_FilePixel {
public:
  TGIS_FilePixel();
  virtual ~TGIS_FilePixel();
  TGIS_FilePixel(const TGIS_FilePixel&) = delete;
  TGIS_FilePixel& operator=(const TGIS_FilePixel&) = delete;

  /// Writes `count` bytes of image row `row` from the buffer, which starts
  /// at byte `offset` of the row (3 bytes a pixel, B,G,R); the bytes taken.
  /// Nothing here (0).
  virtual int WriteLine(const std::uint8_t* buffer, int row, int count, int offset);
  /// Creates the empty capability list; descendants add their sub-formats.
  virtual void CreateCapabilities();
  /// Set-up of a file that is not new: tile sizes 0, the capability list.
  virtual void Create();
  /// Set-up of a new file: tile sizes min(1024, width), quality clamped to
  /// 0..100, 24-bit rows, and the sub-format with id `subFormat` chosen
  /// from the capability list; raises EGIS_Exception "0120 Unsupported
  /// pixel format (color depth)" when the list has none with that id.
  /// `reserved` is not used here.
  virtual void CreateNew(const std::string& path, const TGIS_Extent& extent, int width, int height,
                         int quality, int subFormat, int reserved);
  /// Writes a bitmap whose top-left pixel lands at column x, row y of the
  /// image, one WriteLine per bitmap row inside the image; the parts of the
  /// bitmap outside the image on any side are left out.
  virtual void WriteBitmap(int x, int y, TBitmap& bitmap);
  /// Called when every pixel has been written; nothing here.
  virtual void Complete();

  const std::string& Path() const { return path_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int TileWidth() const { return tileWidth_; }
  int TileHeight() const { return tileHeight_; }
  const TGIS_Extent& Extent() const { return extent_; }
  int Quality() const { return quality_; }
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  const std::vector<std::unique_ptr<TGIS_PixelCapabilities>>& Capabilities() const {
    return capabilities_;
  }
  /// The sub-format chosen by CreateNew (an item of Capabilities), or null.
  const TGIS_PixelCapabilities* SubFormat() const { return subFormat_; }

  /// Progress of long operations of descendants (sender, position, end,
  /// abort); the base never calls it.
  TGIS_BusyEvent OnBusy;

protected:
  std::string path_;
  int width_ = 0, height_ = 0;
  int tileWidth_ = 0, tileHeight_ = 0;
  TGIS_Extent extent_{0, 0, 0, 0};
  int quality_ = 0;
  TPixelFormat pixelFormat_ = pf24bit;
  std::vector<std::unique_ptr<TGIS_PixelCapabilities>> capabilities_;
  TGIS_PixelCapabilities* subFormat_ = nullptr;
};
