// TGIS_LayerDEM: record A and the profiles.
#include "gis/raster/GisLayerDEM.h"

#include <algorithm>
#include <cmath>

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

constexpr int kDemBlock = 1024;
// the most cells the layer holds in memory (256 MB of values)
constexpr std::int64_t kDemMaxCells = std::int64_t(1) << 26;

/// The text of a fixed-width field, blanks trimmed.
std::string DemText(const std::uint8_t* block, int at, int width) {
  return Trim(std::string(reinterpret_cast<const char*>(block) + at, std::size_t(width)));
}

/// A fixed-width number; a "D" exponent letter reads as "E".
double DemNumber(const std::uint8_t* block, int at, int width) {
  std::string text = DemText(block, at, width);
  for (char& c : text)
    if (c == 'D' || c == 'd') c = 'E';
  return GisHeaderNumber(text, TGIS_HeaderDecimal::Dot);
}


} // namespace

TGIS_LayerDEM::TGIS_LayerDEM() {
  SetGridLayerDefaults();
}

TGIS_LayerDEM::~TGIS_LayerDEM() = default;

const TGIS_GridArray& TGIS_LayerDEM::Values() const {
  return GisGridOrEmpty(inMemoryGrid_.get());
}

void TGIS_LayerDEM::ReadBlock(std::int64_t k, std::uint8_t* block) {
  if (!GisReadExactly(*fileStream_, fileSize_, kDemBlock + k * kDemBlock, block, kDemBlock))
    throw EReadError("a profile lies past the end of the file");
}

void TGIS_LayerDEM::ReadHeader() {
  std::uint8_t a[kDemBlock];
  if (!GisReadExactly(*fileStream_, fileSize_, 0, a, kDemBlock)) throw EReadError("no record A");
  levelCode_ = int(DemNumber(a, 144, 6));
  double x[4], y[4];
  for (int i = 0; i < 4; ++i) {
    x[i] = DemNumber(a, 546 + 48 * i, 24);
    y[i] = DemNumber(a, 546 + 48 * i + 24, 24);
  }
  minValue_ = float(DemNumber(a, 738, 24));
  maxValue_ = float(DemNumber(a, 762, 24));
  const std::string accuracy = DemText(a, 810, 6);
  accuracyCode_ = accuracy.empty() ? 0 : int(DemNumber(a, 810, 6));
  pixelSizeX_ = DemNumber(a, 816, 12);
  const double yResolution = DemNumber(a, 828, 12);
  pixelSizeY_ = -yResolution;
  zResolution_ = DemNumber(a, 840, 12);
  const double profiles = DemNumber(a, 858, 6);
  const TGIS_Extent box = GisExtent(*std::min_element(x, x + 4), *std::min_element(y, y + 4),
                                    *std::max_element(x, x + 4), *std::max_element(y, y + 4));
  if (!(yResolution > 0) || !std::isfinite(box.YMin) || !std::isfinite(box.YMax))
    throw EReadError("bad geometry");
  const double rows = std::floor(box.YMax / yResolution) - std::ceil(box.YMin / yResolution) + 1;
  // every profile takes at least one block after record A
  const std::int64_t blocks = fileSize_ / kDemBlock;
  if (!(profiles >= 1) || profiles > double(blocks - 1) || !(rows >= 1) ||
      rows * profiles > double(kDemMaxCells))
    throw EReadError("the header announces more values than the file holds");
  width_ = int(profiles);
  height_ = int(rows);
  SetExtent(box);
}

void TGIS_LayerDEM::ReadProfiles() {
  inMemoryGrid_ = std::make_unique<TGIS_GridArray>(std::size_t(height_),
                                                   std::vector<float>(std::size_t(width_), 0.0f));
  TGIS_GridArray& v = *inMemoryGrid_;
  std::uint8_t block[kDemBlock];
  std::int64_t k = 0;
  for (int i = 0; i < width_; ++i, ++k) {
    ReadBlock(k, block);
    const double count = DemNumber(block, 12, 6);
    const double firstY = DemNumber(block, 48, 24);
    const double rise = std::fabs((firstY - extent_.YMin) / pixelSizeY_);
    const int c = int(std::min<double>(Round(std::min(rise, 2e9)), height_));
    for (int r = height_ - c; r < height_; ++r)
      v[std::size_t(r)][std::size_t(i)] = noDataValue_;
    const int n = int(std::clamp<double>(count, 0, height_ - c));
    int at = 144;
    for (int j = 0; j < n; ++j) {
      const int row = height_ - 1 - c - j;
      if (DemText(block, at, 6).empty()) {
        for (int r = row; r >= 0; --r)
          v[std::size_t(r)][std::size_t(i)] = noDataValue_;
        break;
      }
      v[std::size_t(row)][std::size_t(i)] = float(DemNumber(block, at, 6));
      // the elevations go on in the next block (only when more follow)
      if (at + 12 > kDemBlock) {
        if (j + 1 < n) ReadBlock(++k, block);
        at = 0;
      } else {
        at += 6;
      }
    }
  }
}

void TGIS_LayerDEM::Open() {
  try {
    if (ExtractFileExt(path_) == ".dem") dataPath_ = path_;
    if (!dataPath_.empty() && FileExists(dataPath_)) {
      fileStream_ = std::make_unique<TFileStream>(dataPath_, fmOpenRead | fmShareDenyNone);
      fileSize_ = fileStream_->Size();
      ReadHeader();
    } else {
      SetExtent(GisExtent(0, 0, 0, 0));
    }
    SetGridLayerFormat();
    noDataValue_ = -32767;
    PixelParams().SetGridNoValue(noDataValue_);
    lineBytes_ = outLineBytes_ = 3 * width_;
    if (fileStream_) ReadProfiles();
    transparentMask_[0] = {true, true, true};
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("USGS Digital Elevation Model ASCII Grid (DEM)\r\n%d x %d", {width_, height_}));
}

bool TGIS_LayerDEM::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  return GisGridCellValue(inMemoryGrid_.get(), cell.x, cell.y, noDataValue_, values);
}
