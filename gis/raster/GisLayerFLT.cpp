// TGIS_LayerFLT: the companion header, rows on demand and the value range.
#include "gis/raster/GisLayerFLT.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

TGIS_LayerFLT::TGIS_LayerFLT() {
  SetGridLayerDefaults();
}

TGIS_LayerFLT::~TGIS_LayerFLT() = default;

void TGIS_LayerFLT::ReadHdr(const std::string& path) {
  TGIS_GridHeader h;
  GisReadGridHeader(path, TGIS_HeaderDecimal::DotOrComma, h);
  width_ = h.Columns;
  height_ = h.Rows;
  swapBytes_ = h.MsbFirst;
  if (h.HasNoData) {
    noDataValue_ = float(h.NoData);
    PixelParams().SetGridNoValue(h.NoData);
    transparentMask_[0] = {true, true, true};
  }
  pixelSizeX_ = h.CellSize;
  pixelSizeY_ = -pixelSizeX_;
  const double x = h.LowerLeftX(pixelSizeX_), y = h.LowerLeftY(std::fabs(pixelSizeY_));
  SetExtent(GisExtent(x, y, x + width_ * pixelSizeX_, y + height_ * std::fabs(pixelSizeY_)));
}

void TGIS_LayerFLT::Open() {
  try {
    if (SameText(ExtractFileExt(path_), ".flt")) {
      const std::string hdr = GisFindCompanionFile(path_, ".hdr");
      if (!hdr.empty()) {
        try {
          ReadHdr(hdr);
        } catch (const Exception&) {
          pixelSizeX_ = pixelSizeY_ = 0;
          SetExtent(GisExtent(0, 0, 0, 0));
        }
      } else {
        SetExtent(GisExtent(0, 0, 0, 0));
      }
    }
    SetGridLayerFormat();
    fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
    fileSize_ = fileStream_->Size();
    // the announced grid must be in the file before anything is sized by it
    if (!GisGridFits(fileSize_, 0, width_, height_, 4))
      throw EReadError("the header announces more values than the file holds");
    lineBytes_ = outLineBytes_ = width_ * 3;
    rowBuffer_.assign(std::size_t(width_), 0);
    rowBytes_.assign(std::size_t(width_) * 4, 0);
    cachedRow_ = -1;
    maxValue_ = -3.4e38f;
    minValue_ = 3.4e38f;
    ComputeMinMax();
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("Arc/Info Float(Binary) Grid Format (FLT)\r\n%d x %d", {width_, height_}));
}

void TGIS_LayerFLT::ReadRow(int row) {
  if (row == cachedRow_) return;
  if (!fileStream_) WakeUp();
  cachedRow_ = -1;
  if (!fileStream_ ||
      !GisReadExactly(*fileStream_, fileSize_, std::int64_t(row) * width_ * 4, rowBytes_.data(),
                      std::int64_t(rowBytes_.size())))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  for (int i = 0; i < width_; ++i)
    rowBuffer_[std::size_t(i)] = gis_grid_bytes::LoadFloat(&rowBytes_[std::size_t(i) * 4], swapBytes_);
  cachedRow_ = row;
}

void TGIS_LayerFLT::ComputeMinMax(double fraction) {
  GisSampleRows(height_, fraction, 750, [&](int row) {
    ReadRow(row);
    for (float v : rowBuffer_) {
      if (v == noDataValue_ || std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerFLT::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || first < 0 || row < 0 || row >= height_) return 0;
  ReadRow(row);
  return GisPutGridValues(*this, buffer, rowBuffer_.data() + first, pixels);
}

bool TGIS_LayerFLT::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  if (!fileStream_) WakeUp();
  std::uint8_t b[4];
  if (!fileStream_ ||
      !GisReadExactly(*fileStream_, fileSize_, (std::int64_t(cell.y) * width_ + cell.x) * 4, b, 4))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  const float v = gis_grid_bytes::LoadFloat(b, swapBytes_);
  if (values.empty()) values.resize(1);
  values[0] = v;
  return v != noDataValue_;
}

int TGIS_LayerFLT::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (row < 0 || row >= height_ || firstColumn < 0) return 0;
  const int n = std::min({count, width_ - firstColumn, int(values.size())});
  if (n <= 0) return 0;
  ReadRow(row);
  std::copy_n(rowBuffer_.begin() + firstColumn, n, values.begin());
  return n;
}
