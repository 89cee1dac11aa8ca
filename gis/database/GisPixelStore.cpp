#include "gis/database/GisPixelStore.h"

#include "gis/database/GisPixelStoreCells.h"

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisResource.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cmath>

TGIS_PixelStore::TGIS_PixelStore() = default;

TGIS_PixelStore::~TGIS_PixelStore() {
  Close();
}

void TGIS_PixelStore::Close() {
  if (connection_ && connection_->State() != 0) connection_->Close();
  connection_.reset();
}

void TGIS_PixelStore::Open() {
  Close();
  connection_ = std::make_unique<data::Connection>();
  connection_->Open(GisDequote(ConnectionString, '"'));
  data::Recordset rs;
  rs.Open("SELECT * FROM vrkGISPixelStore", *connection_);
  if (rs.Eof()) throw EGIS_Exception("Not exist");
  auto f = [&](const char* name) { return rs.Item(name).Value(); };
  extent_.XMin = f("XMin").AsDouble();
  extent_.XMax = f("XMax").AsDouble();
  extent_.YMin = f("YMin").AsDouble();
  extent_.YMax = f("YMax").AsDouble();
  cellWidth_ = f("CellWidth").AsInteger();
  cellHeight_ = f("CellHeight").AsInteger();
  pixelWidth_ = f("PixelWidth").AsDouble();
  pixelHeight_ = f("PixelHeight").AsDouble();
  compress_ = f("Compress").AsInteger();
  imageType_ = f("ImgType").AsInteger();
  maxFactor_ = f("MaxFactor").AsInteger();
}

int TGIS_PixelStore::CellIndex(double v, double origin, double pixelSize, int cellPixels, int factor) {
  const double t = (v - origin) / pixelSize / cellPixels / factor;
  if (!std::isfinite(t)) return 0;
  return static_cast<int>(std::clamp(std::floor(t), -2147483647.0, 2147483647.0));
}

void TGIS_PixelStore::StartCells(const TGIS_Extent& extent, double zoom) {
  eof_ = true;
  if (extent.XMax - extent.XMin == 0 || extent.YMax - extent.YMin == 0) return;
  if (pixelWidth_ <= 0 || pixelHeight_ <= 0 || cellWidth_ <= 0 || cellHeight_ <= 0) return;
  int f = std::max(maxFactor_, 1);
  const double s = std::max(pixelWidth_, pixelHeight_) * zoom;
  while (f > 1 && f > 1 / s) f /= 2;
  factor_ = f;
  firstColumn_ = CellIndex(extent.XMin, CardinalX, pixelWidth_, cellWidth_, f);
  lastColumn_ = CellIndex(extent.XMax, CardinalX, pixelWidth_, cellWidth_, f);
  topRow_ = CellIndex(extent.YMax, CardinalY, pixelHeight_, cellHeight_, f);
  bottomRow_ = CellIndex(extent.YMin, CardinalY, pixelHeight_, cellHeight_, f);
  column_ = firstColumn_ - 1;
  row_ = topRow_;
  eof_ = false;
}

bool TGIS_PixelStore::NextCell() {
  if (eof_) return false;
  ++column_;
  if (column_ > lastColumn_) {
    column_ = firstColumn_;
    --row_;
  }
  if (row_ < bottomRow_) {
    eof_ = true;
    return false;
  }
  LoadCell();
  return true;
}

std::int64_t TGIS_PixelStore::CellCount() const {
  if (eof_ || lastColumn_ < firstColumn_ || topRow_ < bottomRow_) return 0;
  return (std::int64_t(lastColumn_) - firstColumn_ + 1) * (std::int64_t(topRow_) - bottomRow_ + 1);
}

TGIS_Extent TGIS_PixelStore::CellExtent() const {
  const double w = static_cast<double>(cellWidth_) * pixelWidth_ * factor_;
  const double h = static_cast<double>(cellHeight_) * pixelHeight_ * factor_;
  return {CardinalX + column_ * w, CardinalY + row_ * h, CardinalX + (column_ + 1) * w, CardinalY + (row_ + 1) * h};
}

void TGIS_PixelStore::CacheStore() {
  if (static_cast<int>(cache_.size()) >= CacheCapacity) cache_.pop_back();
  cache_.push_front({factor_, column_, row_, cellKind_, cellImageType_, cellBytes_});
}

void TGIS_PixelStore::LoadCell() {
  for (auto it = cache_.begin(); it != cache_.end(); ++it)
    if (it->Factor == factor_ && it->Column == column_ && it->Row == row_) {
      cellKind_ = it->Kind;
      cellImageType_ = it->ImageType;
      cellBytes_ = it->Bytes;
      cache_.splice(cache_.begin(), cache_, it);
      return;
    }
  ++cellQueries_;
  data::Recordset rs;
  rs.Open(Format("SELECT * FROM vrkGISPixelStore_CELL WHERE (Factor = %d) and (Col = %d ) and (Row = %d)",
                 {factor_, column_, row_}),
          *connection_, 0, 3);
  cellBytes_.clear();
  cellImageType_ = 0;
  cellKind_ = TGIS_PixelStoreCellKind::White;
  if (rs.Eof()) { // a missing cell is white, and stays so
    CacheStore();
    return;
  }
  const Variant img = rs.Item("Img").Value();
  if (img.VarType() != (varArray | varByte) || img.Bytes().empty()) return; // read again next time
  cellBytes_ = img.Bytes();
  cellImageType_ = rs.Item("ImgType").Value().AsInteger();
  SK_ASSERT(cellImageType_ >= 0 && cellImageType_ <= 2, "not supported", "GisPixelStore", __LINE__);
  cellKind_ = TGIS_PixelStoreCellKind::Data;
  CacheStore();
}

void TGIS_PixelStore::CellBitmap(TBitmap& cell) const {
  if (cellKind_ == TGIS_PixelStoreCellKind::White) {
    GisPixelStoreFillCell(cell, cellWidth_, cellHeight_, 0xFFFFFF);
    return;
  }
  const TGIS_PixelStoreCellCodec codecs[] = {TGIS_PixelStoreCellCodec::Bmp, TGIS_PixelStoreCellCodec::Jpeg,
                                              TGIS_PixelStoreCellCodec::Png};
  GisPixelStoreDecodeCell(cellBytes_, codecs[cellImageType_], cell);
}
