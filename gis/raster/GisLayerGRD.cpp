// TGIS_LayerGRD: the two text headers, the values and the value range.
#include "gis/raster/GisLayerGRD.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

bool StartsWithLetter(const std::string& s) {
  return !s.empty() && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}


} // namespace

TGIS_LayerGRD::TGIS_LayerGRD() {
  SetGridLayerDefaults();
}

TGIS_LayerGRD::~TGIS_LayerGRD() = default;

const TGIS_GridArray& TGIS_LayerGRD::Values() const {
  return GisGridOrEmpty(inMemoryGrid_.get());
}

void TGIS_LayerGRD::NextToken() {
  token_ = stream_ && !stream_->Eof() ? stream_->ReadToken() : std::string();
}

void TGIS_LayerGRD::ReadHeader() {
  TGIS_GridHeader h;
  double ydim = 0;
  for (;;) {
    NextToken();
    if (token_.empty()) break;
    const std::string key = UpperCase(token_);
    if (key == "DSAA") {
      ReadSurferHeader();
      return;
    }
    if (TGIS_GridHeader::IsKeyword(key) || key == "XDIM" || key == "YDIM") {
      NextToken();
      if (key == "XDIM")
        h.CellSize = GisStrToFloat(token_);
      else if (key == "YDIM")
        ydim = GisStrToFloat(token_);
      else
        h.Apply(key, token_, TGIS_HeaderDecimal::DotOrComma);
      if (key == "NODATA_VALUE") {
        noDataValue_ = float(h.NoData);
        transparentMask_[0] = {true, true, true};
      }
      continue;
    }
    if (StartsWithLetter(token_)) continue;
    break; // the first value
  }
  width_ = h.Columns;
  height_ = h.Rows;
  msbFirst_ = h.MsbFirst;
  hasCentre_ = h.HasCentre;
  centreX_ = h.CentreX;
  centreY_ = h.CentreY;
  pixelSizeX_ = h.CellSize;
  pixelSizeY_ = ydim != 0 ? ydim : -pixelSizeX_;
  const double cellY = std::fabs(pixelSizeY_);
  const double x = h.LowerLeftX(pixelSizeX_), y = h.LowerLeftY(cellY);
  SetExtent(GisExtent(x, y, x + width_ * pixelSizeX_, y + height_ * cellY));
  if (h.HasNoData) PixelParams().SetGridNoValue(h.NoData);
}

void TGIS_LayerGRD::ReadSurferHeader() {
  surfer_ = true;
  double v[8];
  for (double& d : v) {
    NextToken();
    d = GisStrToFloat(token_);
  }
  const double nx = v[0], ny = v[1];
  if (!(std::fabs(nx) < 2e9) || !(std::fabs(ny) < 2e9) || nx != std::trunc(nx) || ny != std::trunc(ny))
    throw EConvertError("bad grid size");
  width_ = int(nx);
  height_ = int(ny);
  double xlo = v[2], xhi = v[3], ylo = v[4], yhi = v[5];
  minValue_ = float(v[6]);
  maxValue_ = float(v[7]);
  // The limits are the centres of the outer nodes: the extent reaches half
  // a node step beyond them (a single node keeps its limits).
  if (width_ >= 2) {
    const double dx = (xhi - xlo) / (width_ - 1);
    xlo -= dx / 2, xhi += dx / 2;
  }
  if (height_ >= 2) {
    const double dy = (yhi - ylo) / (height_ - 1);
    ylo -= dy / 2, yhi += dy / 2;
  }
  pixelSizeX_ = width_ != 0 ? (xhi - xlo) / width_ : 0;
  pixelSizeY_ = height_ != 0 ? (ylo - yhi) / height_ : 0;
  NextToken();
  SetExtent(GisExtent(xlo, ylo, xhi, yhi));
}

void TGIS_LayerGRD::ReadValues() {
  const std::int64_t size = stream_ ? stream_->Size() : 0;
  // every value takes at least one character and a separator
  if (width_ < 0 || height_ < 0 || (width_ > 0 && height_ > size / width_))
    throw EReadError("the header announces more values than the file holds");
  inMemoryGrid_ = std::make_unique<TGIS_GridArray>(std::size_t(height_),
                                                   std::vector<float>(std::size_t(width_), 0.0f));
  std::int64_t n = 0;
  bool abort = false;
  for (int r = 0; r < height_ && !abort; ++r) {
    // the Surfer grid's first row is the southern one
    std::vector<float>& row = (*inMemoryGrid_)[std::size_t(surfer_ ? height_ - 1 - r : r)];
    for (int c = 0; c < width_; ++c) {
      if (token_.empty()) return;
      row[std::size_t(c)] = float(GisStrToFloat(token_));
      NextToken();
      if (n++ % 1000 == 0 && viewer_ != nullptr) {
        viewer_->BusyShake(this, int(std::min<std::int64_t>(stream_->Position(), INT32_MAX)),
                           int(std::min<std::int64_t>(size, INT32_MAX)), abort);
        if (abort) break;
      }
    }
  }
}

void TGIS_LayerGRD::ComputeMinMax() {
  if (!inMemoryGrid_) return;
  for (const auto& row : *inMemoryGrid_)
    for (float v : row) {
      if (v == noDataValue_ || std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
}

void TGIS_LayerGRD::Open() {
  TGIS_Viewer* busy = viewer_;
  if (busy != nullptr) busy->BusyPrepare(this);
  try {
    const std::string ext = ExtractFileExt(path_);
    if (SameText(ext, ".grd") || SameText(ext, ".agr")) dataPath_ = path_;
    if (!dataPath_.empty() && FileExists(dataPath_)) {
      stream_ = std::make_unique<TGIS_MappedStream>(dataPath_, false);
      try {
        ReadHeader();
      } catch (const Exception&) {
        pixelSizeX_ = pixelSizeY_ = 0;
        SetExtent(GisExtent(0, 0, 0, 0));
      }
    } else {
      SetExtent(GisExtent(0, 0, 0, 0));
    }
    SetGridLayerFormat();
    lineBytes_ = outLineBytes_ = width_ * 3;
    ReadValues();
    if (minValue_ == 0 && maxValue_ == 0) {
      maxValue_ = -3.4e38f;
      minValue_ = 3.4e38f;
      ComputeMinMax();
    }
    TGIS_LayerPixel::Open();
    stream_.reset();
  } catch (const Exception&) {
    stream_.reset();
    if (busy != nullptr) busy->BusyRelease(this);
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  if (busy != nullptr) busy->BusyRelease(this);
  SetFileInfo(Format("Arc/Info ASCII Grid Format (GRD)\r\n%d x %d", {width_, height_}));
}

bool TGIS_LayerGRD::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  return GisGridCellValue(inMemoryGrid_.get(), cell.x, cell.y, noDataValue_, values);
}
