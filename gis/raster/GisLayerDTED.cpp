// TGIS_LayerDTED: the header records, column-gathered rows and the value
// range.
#include "gis/raster/GisLayerDTED.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

// the UHL, DSI and ACC records in front of the first column record
constexpr int kDtedHeaders = 3428;
// each column record: 8 bytes of record header before the elevations
constexpr int kDtedRecordHead = 8;

/// A fixed-width number field of a DTED header record.
double DtedField(const std::uint8_t* record, int at, int width) {
  const std::string text(reinterpret_cast<const char*>(record) + at, std::size_t(width));
  return GisHeaderNumber(Trim(text), TGIS_HeaderDecimal::Dot);
}

constexpr double kRadiansPerSecond = std::numbers::pi / 648000.0;

} // namespace

TGIS_LayerDTED::TGIS_LayerDTED() {
  SetGridLayerDefaults();
}

TGIS_LayerDTED::~TGIS_LayerDTED() {
  MakeDormant();
}

int TGIS_LayerDTED::DecodeElevation(const std::uint8_t* p) {
  const int magnitude = (p[0] & 0x7F) << 8 | p[1];
  return (p[0] & 0x80) != 0 ? -magnitude : magnitude;
}

void TGIS_LayerDTED::Open() {
  try {
    extent_ = GisExtent(0, 0, 0, 0);
    projectedExtent_ = extent_;
    pixelSizeX_ = pixelSizeY_ = 0;
    SetGridLayerFormat();
    scale_.Value = cachedScale_ = 1.0;
    fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
    fileSize_ = fileStream_->Size();
    std::uint8_t h[160];
    if (!GisReadExactly(*fileStream_, fileSize_, 0, h, sizeof h)) throw EReadError("no header");
    if (std::string(reinterpret_cast<const char*>(h), 3) != "UHL" ||
        std::string(reinterpret_cast<const char*>(h) + 80, 3) != "DSI")
      throw EReadError("not a DTED file");
    const double columns = Round(DtedField(h, 47, 4)), rows = Round(DtedField(h, 51, 4));
    if (!(columns > 0) || !(rows > 0)) throw EReadError("no size");
    width_ = int(columns);
    height_ = int(rows);
    recordSize_ = height_ * 2 + 12;
    if (!GisGridFits(fileSize_, kDtedHeaders, width_, recordSize_, 1))
      throw EReadError("the header announces more values than the file holds");
    lineBytes_ = outLineBytes_ = 3 * width_;
    rowBuffer_.assign(std::size_t(width_), 0);
    cachedRow_ = -1;
    cachedCount_ = 0;
    // the origin is the south-west post
    const double x = GisLongitudeFromDMS(h[11] == 'W' ? -1 : 1, DtedField(h, 4, 3),
                                         DtedField(h, 7, 2), DtedField(h, 9, 2));
    const double y = GisLatitudeFromDMS(h[19] == 'S' ? -1 : 1, DtedField(h, 12, 3),
                                        DtedField(h, 15, 2), DtedField(h, 17, 2));
    const double dx = DtedField(h, 20, 4) / 10 * kRadiansPerSecond;
    const double dy = DtedField(h, 24, 4) / 10 * kRadiansPerSecond;
    if (!(dx > 0) || !(dy > 0)) throw EReadError("no post spacing");
    pixelSizeX_ = dx;
    pixelSizeY_ = -dy;
    // every post is the centre of its cell: the extent reaches half a post
    // beyond the outer ones
    const double x0 = x - dx / 2, y0 = y - dy / 2;
    SetExtent(GisExtent(x0, y0, x0 + width_ * dx, y0 + height_ * dy));
    maxValue_ = -32768;
    minValue_ = 32767;
    ComputeMinMax(1);
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("DTED - Digital Terrain Elevation Data %d x %d, 2 byte integers",
                     {width_, height_}));
}

std::int64_t TGIS_LayerDTED::ValueOffset(int column, int rowFromBottom) const {
  return kDtedHeaders + kDtedRecordHead + std::int64_t(column) * recordSize_ +
         std::int64_t(rowFromBottom) * 2;
}

void TGIS_LayerDTED::ComputeMinMax(double fraction) {
  if (width_ <= 0 || height_ <= 0) return;
  std::vector<std::uint8_t> record(std::size_t(height_) * 2);
  GisSampleRows(width_, fraction, 200, [&](int c) {
    ReadValueBytes(ValueOffset(c, 0), record.data(), std::int64_t(record.size()));
    for (int r = 0; r < height_; ++r) {
      const float v = float(DecodeElevation(&record[std::size_t(r) * 2]));
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerDTED::Gather(int r) {
  if (r == cachedRow_ && scale_.Value == cachedScale_) return cachedCount_;
  if (!fileStream_) WakeUp();
  cachedRow_ = -1;
  int n = 0;
  GisWalkScaledColumns(0, width_, scale_.Value, width_, [&](int c) {
    std::uint8_t b[2];
    ReadValueBytes(ValueOffset(c, r), b, 2);
    rowBuffer_[std::size_t(n++)] = float(DecodeElevation(b));
  });
  cachedRow_ = r;
  cachedScale_ = scale_.Value;
  cachedCount_ = n;
  return n;
}

int TGIS_LayerDTED::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (width_ <= 0 || height_ <= 0 || count <= 0 || offset < 0) return 0;
  const int r = scale_.RowFromBottom(row, height_);
  const int n = Gather(r);
  const int first = offset / 3;
  const int pixels = std::min(count / 3, n - first);
  for (int i = 0; i < pixels; ++i)
    PutGridPixel(buffer + 3 * i, rowBuffer_[std::size_t(first + i)], false);
  return std::max(pixels, 0) * 3;
}

int TGIS_LayerDTED::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (width_ <= 0 || height_ <= 0 || count <= 0 || firstColumn < 0) return 0;
  const int r = scale_.RowFromBottom(row, height_);
  const int n = std::min({count, Gather(r) - firstColumn, int(values.size())});
  if (n <= 0) return 0;
  std::copy_n(rowBuffer_.begin() + firstColumn, n, values.begin());
  return n;
}

bool TGIS_LayerDTED::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  std::uint8_t b[2];
  ReadValueBytes(ValueOffset(cell.x, height_ - cell.y - 1), b, 2);
  if (values.empty()) values.resize(1);
  values[0] = DecodeElevation(b);
  return true;
}
