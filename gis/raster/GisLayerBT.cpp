// TGIS_LayerBT: the header and its companion, column-gathered rows and the
// value range.
#include "gis/raster/GisLayerBT.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {
constexpr int kBinaryTerrainHeader = 256;
}

TGIS_LayerBT::TGIS_LayerBT() {
  SetGridLayerDefaults();
  noDataValue_ = -9999;
}

TGIS_LayerBT::~TGIS_LayerBT() {
  MakeDormant();
}

void TGIS_LayerBT::Open() {
  try {
    bool placed = false;
    if (ExtractFileExt(path_) == ".bt") {
      const std::string prj = GisPathWithoutExt(path_) + ".prj";
      if (FileExists(prj)) {
        try {
          TGIS_GridHeader h;
          GisReadGridHeader(prj, TGIS_HeaderDecimal::Locale, h);
          // a projection text (no keyword) leaves the placement to the header
          if (h.Any) {
            width_ = h.Columns;
            height_ = h.Rows;
            if (h.HasNoData) {
              noDataValue_ = float(h.NoData);
              transparentMask_[0] = {true, true, true};
            }
            pixelSizeX_ = h.CellSize;
            pixelSizeY_ = -pixelSizeX_;
            const double x = h.LowerLeftX(pixelSizeX_), y = h.LowerLeftY(pixelSizeX_);
            SetExtent(GisExtent(x, y, x + width_ * pixelSizeX_, y + height_ * pixelSizeX_));
            placed = true;
          }
        } catch (const Exception&) {
          pixelSizeX_ = pixelSizeY_ = 0;
          SetExtent(GisExtent(0, 0, 0, 0));
          placed = true;
        }
      }
    }
    SetGridLayerFormat();
    fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
    fileSize_ = fileStream_->Size();
    std::uint8_t h[kBinaryTerrainHeader];
    if (!GisReadExactly(*fileStream_, fileSize_, 0, h, kBinaryTerrainHeader))
      throw EReadError("no header");
    using namespace gis_grid_bytes;
    width_ = std::int32_t(LoadLE32(h + 10));
    height_ = std::int32_t(LoadLE32(h + 14));
    dataSize_ = LoadLE16(h + 18);
    const int floatFlag = LoadLE16(h + 20);
    const double left = LoadLEDouble(h + 28), right = LoadLEDouble(h + 36);
    const double bottom = LoadLEDouble(h + 44), top = LoadLEDouble(h + 52);
    // 2 bytes are 16-bit integers; 4 bytes floats, or 32-bit integers
    // when the floating-point flag is clear
    if (dataSize_ != 2 && dataSize_ != 4) throw EReadError("unknown value size");
    floats_ = dataSize_ == 4 && floatFlag != 0;
    if (!GisGridFits(fileSize_, kBinaryTerrainHeader, width_, height_, dataSize_))
      throw EReadError("the header announces more values than the file holds");
    lineBytes_ = outLineBytes_ = 3 * width_;
    rowBuffer_.assign(std::size_t(width_), 0);
    cachedRow_ = cachedColumn_ = -1;
    cachedCount_ = 0;
    scale_.Value = cachedScale_ = 1.0;
    maxValue_ = -3.4e38f;
    minValue_ = 3.4e38f;
    // The header's bounds are the grid's outer edges. The vertical scale
    // (byte 62) scales neither the geometry nor the values.
    pixelSizeX_ = (right - left) / width_;
    pixelSizeY_ = (bottom - top) / height_;
    if (!placed) {
      if (std::isfinite(pixelSizeX_) && std::isfinite(pixelSizeY_) && pixelSizeX_ > 0 &&
          pixelSizeY_ < 0)
        SetExtent(GisExtent(left, bottom, right, top));
      else
        pixelSizeX_ = pixelSizeY_ = 0, SetExtent(GisExtent(0, 0, 0, 0));
    }
    ComputeMinMax(1);
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("Binary Terrian Grid Format(BT)\r\n%d x %d; ", {width_, height_}) +
              (floats_ ? "floats" : "integers"));
}

float TGIS_LayerBT::Decode(const std::uint8_t* p) const {
  using namespace gis_grid_bytes;
  if (dataSize_ == 2) return float(std::int16_t(LoadLE16(p)));
  if (floats_) return LoadFloat(p, false);
  return float(std::int32_t(LoadLE32(p)));
}

float TGIS_LayerBT::ValueAt(std::int64_t index) {
  std::uint8_t b[4];
  ReadValueBytes(kBinaryTerrainHeader + index * dataSize_, b, dataSize_);
  ++valueReads_;
  return Decode(b);
}

void TGIS_LayerBT::ComputeMinMax(double fraction) {
  if (width_ <= 0 || height_ <= 0) return;
  std::vector<std::uint8_t> column(std::size_t(height_) * std::size_t(dataSize_));
  GisSampleRows(width_, fraction, 200, [&](int c) {
    ReadValueBytes(kBinaryTerrainHeader + std::int64_t(c) * height_ * dataSize_, column.data(),
                   std::int64_t(column.size()));
    for (int r = 0; r < height_; ++r) {
      const float v = Decode(&column[std::size_t(r) * std::size_t(dataSize_)]);
      if (std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerBT::Gather(int r, int c0, int count) {
  count = std::min(count, width_);
  if (r == cachedRow_ && c0 == cachedColumn_ && scale_.Value == cachedScale_ && count <= cachedCount_)
    return cachedCount_;
  cachedRow_ = -1;
  int n = 0;
  GisWalkScaledColumns(c0, width_, scale_.Value, count, [&](int c) {
    rowBuffer_[std::size_t(n++)] = ValueAt(std::int64_t(c) * height_ + r);
  });
  cachedRow_ = r;
  cachedColumn_ = c0;
  cachedScale_ = scale_.Value;
  cachedCount_ = n;
  return n;
}

int TGIS_LayerBT::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (width_ <= 0 || height_ <= 0 || count <= 0 || offset < 0) return 0;
  const int r = scale_.RowFromBottom(row, height_);
  const int c0 = int(Round((offset / 3) / scale_.Value));
  const int n = Gather(r, c0, count / 3);
  const int pixels = std::min(n, count / 3);
  for (int i = 0; i < pixels; ++i)
    PutGridPixel(buffer + 3 * i, rowBuffer_[std::size_t(i)], false);
  return pixels * 3;
}

int TGIS_LayerBT::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (width_ <= 0 || height_ <= 0 || count <= 0 || firstColumn < 0) return 0;
  const int r = scale_.RowFromBottom(row, height_);
  const int c0 = int(Round(firstColumn / scale_.Value));
  const int wanted = std::min(int(Round(scale_.Value * count)), int(values.size()));
  const int n = std::min(Gather(r, c0, wanted), wanted);
  std::copy_n(rowBuffer_.begin(), std::max(n, 0), values.begin());
  return std::max(n, 0);
}

bool TGIS_LayerBT::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  const float v = ValueAt((std::int64_t(cell.x) + 1) * height_ - cell.y - 1);
  if (values.empty()) values.resize(1);
  values[0] = v;
  return true;
}
