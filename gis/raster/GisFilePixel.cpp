// TGIS_FilePixel: creation parameters, the capability list and writing a
// bitmap as rows.
#include "gis/raster/GisFilePixel.h"

#include <algorithm>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"

TGIS_FilePixel::TGIS_FilePixel() = default;

TGIS_FilePixel::~TGIS_FilePixel() = default;

int TGIS_FilePixel::WriteLine(const std::uint8_t* buffer, int row, int count, int offset) {
  (void)buffer, (void)row, (void)count, (void)offset;
  return 0;
}

void TGIS_FilePixel::CreateCapabilities() {
  subFormat_ = nullptr;
  capabilities_.clear();
}

void TGIS_FilePixel::Create() {
  tileWidth_ = tileHeight_ = 0;
  CreateCapabilities();
}

void TGIS_FilePixel::CreateNew(const std::string& path, const TGIS_Extent& extent, int width,
                               int height, int quality, int subFormat, int reserved) {
  (void)reserved;
  Create();
  path_ = path;
  width_ = width;
  height_ = height;
  extent_ = extent;
  tileWidth_ = tileHeight_ = std::min(1024, width);
  quality_ = std::clamp(quality, 0, 100);
  pixelFormat_ = pf24bit;
  for (const auto& c : capabilities_) {
    if (c->Identifier == subFormat) {
      subFormat_ = c.get();
      return;
    }
  }
  throw EGIS_Exception(GIS_RS_ERR_BADPIXELFORMAT);
}

void TGIS_FilePixel::WriteBitmap(int x, int y, TBitmap& bitmap) {
  TBitmap* source = &bitmap;
  TBitmap converted;
  if (bitmap.PixelFormat() != pf24bit) {
    converted.Assign(&bitmap);
    converted.SetPixelFormat(pf24bit);
    source = &converted;
  }
  // the bitmap's columns and rows that fall inside the image
  const std::int64_t firstColumn = std::max<std::int64_t>(0, -std::int64_t(x));
  const std::int64_t lastColumn =
      std::min<std::int64_t>(source->Width(), std::int64_t(width_) - x); // exclusive
  if (lastColumn <= firstColumn) return;
  const int firstRow = int(std::max<std::int64_t>(0, -std::int64_t(y)));
  const int lastRow = int(std::min<std::int64_t>(source->Height(), std::int64_t(height_) - y));
  const int bytes = int(lastColumn - firstColumn) * 3;
  const int offset = int(firstColumn + x) * 3;
  for (int r = firstRow; r < lastRow; ++r)
    WriteLine(source->ScanLine(r) + firstColumn * 3, y + r, bytes, offset);
}

void TGIS_FilePixel::Complete() {}
