// TGIS_LayerPixel: line readers, ReadGridLine, Locate, GetGrid, GetBitmap,
// CreateCopy and the grid range harmonisation of AfterConfig.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisParams.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Numerics.h"

namespace {

/// A double to an int for file or caller data: NaN gives `fallback`, the
/// rest is clamped to the int range before truncation.
int SafeTrunc(double v, int fallback) {
  if (std::isnan(v)) return fallback;
  return int(Trunc(std::clamp(v, -2.0e9, 2.0e9)));
}
int SafeRound(double v, int fallback) {
  if (std::isnan(v)) return fallback;
  return int(Round(std::clamp(v, -2.0e9, 2.0e9)));
}

/// The walk over source cells that fills output cells by a running ratio.
struct TAxisWalk {
  int FirstSource = 0; // first source cell read
  int FirstOutput = 0; // first output cell written
  double Phase = 0;    // the part of the first source cell inside the extent
  double Ratio = 1;    // output cells per source cell
};

/// One axis of a resampling; rows pass their coordinates negated, so that
/// both axes grow from their minimum.
TAxisWalk PlanAxis(double extMin, double layerMin, double outCell, double srcCell) {
  TAxisWalk w;
  w.Ratio = srcCell / outCell;
  double start = (std::max(extMin, layerMin) - layerMin) / srcCell;
  if (std::isnan(start) || start < 0) start = 0;
  w.FirstSource = SafeTrunc(start, 0);
  w.Phase = 1 - (start - w.FirstSource);
  const double before = (layerMin - extMin) / outCell;
  if (before > 0) w.FirstOutput = SafeRound(before, 0);
  return w;
}

} // namespace

// ---- line readers ----------------------------------------------------------------------------

namespace {

/// A row buffer of the line readers, kept per thread so that rows are read without
/// allocating once it has grown to the widest row.
std::vector<std::uint8_t>& PixelLineScratch(std::size_t size) {
  thread_local std::vector<std::uint8_t> scratch;
  if (scratch.size() < size) scratch.resize(size);
  return scratch;
}

} // namespace

void TGIS_LayerPixel::SetUpLineReader() {
  BuildInversionTable();
  paletteCount_ = 256;
  if (bitsPerPixel_ == 1) {
    lineReader_ = &TGIS_LayerPixel::ReadLine1Bit;
    bitMasks_ = {128, 64, 32, 16, 8, 4, 2, 1};
  } else if (bitsPerPixel_ == 4) {
    lineReader_ = &TGIS_LayerPixel::ReadLine4Bit;
    bitMasks_ = {240, 15, 0, 0, 0, 0, 0, 0};
  } else {
    SetLineReader(lineReader_);
  }
  sourceWindow_ = TRect{0, 0, readWidth_, readHeight_};
}

void TGIS_LayerPixel::SetLineReader(TLineReader& reader) {
  if (reader != nullptr) return;
  reader = bitsPerPixel_ == 8 ? &TGIS_LayerPixel::ReadLine8Bit : &TGIS_LayerPixel::ReadLine;
}

int TGIS_LayerPixel::ReadLine1Bit(std::uint8_t* buffer, int row, int count, int offset) {
  const int pixels = count / 3, first = offset / 3;
  if (pixels <= 0) return 0;
  const int byteFirst = first / 8, byteLast = (first + pixels - 1) / 8;
  std::vector<std::uint8_t>& src = PixelLineScratch(std::size_t(byteLast - byteFirst + 1));
  const int got = ReadLine(src.data(), row, byteLast - byteFirst + 1, byteFirst);
  // The two colours, blue-green-red, and the pixels the bytes read cover.
  const std::uint8_t colours[2][3] = {
      {info_.Info.bmiColors[0].rgbBlue, info_.Info.bmiColors[0].rgbGreen,
       info_.Info.bmiColors[0].rgbRed},
      {info_.Info.bmiColors[1].rgbBlue, info_.Info.bmiColors[1].rgbGreen,
       info_.Info.bmiColors[1].rgbRed}};
  const int covered = got <= 0 ? 0 : std::min(pixels, (byteFirst + got) * 8 - first);
  std::uint8_t* out = buffer;
  for (int i = 0; i < covered; ++i, out += 3) {
    const int x = first + i;
    const int bit = (src[std::size_t(x / 8 - byteFirst)] & bitMasks_[std::size_t(x % 8)]) != 0;
    std::memcpy(out, colours[bit], 3);
  }
  return 3 * covered;
}

int TGIS_LayerPixel::ReadLine4Bit(std::uint8_t* buffer, int row, int count, int offset) {
  const int pixels = count / 3, first = offset / 3;
  if (pixels <= 0) return 0;
  const int byteFirst = first / 2, byteLast = (first + pixels - 1) / 2;
  std::vector<std::uint8_t> src(std::size_t(byteLast - byteFirst + 1));
  const int got = ReadLine(src.data(), row, int(src.size()), byteFirst);
  int done = 0;
  for (int i = 0; i < pixels; ++i) {
    const int x = first + i;
    const int at = x / 2 - byteFirst;
    if (at >= got) break;
    const std::uint8_t b = src[std::size_t(at)];
    const int index = x % 2 == 0 ? (b & bitMasks_[0]) >> 4 : (b & bitMasks_[1]);
    const RGBQUAD& q = info_.Info.bmiColors[index];
    buffer[3 * i] = q.rgbBlue;
    buffer[3 * i + 1] = q.rgbGreen;
    buffer[3 * i + 2] = q.rgbRed;
    done += 3;
  }
  return done;
}

int TGIS_LayerPixel::ReadLine8Bit(std::uint8_t* buffer, int row, int count, int offset) {
  const int pixels = count / 3;
  if (pixels <= 0) return 0;
  std::vector<std::uint8_t>& src = PixelLineScratch(std::size_t(pixels));
  const int got = ReadLine(src.data(), row, pixels, offset / 3);
  if (got <= 0) return 0;
  // The palette as blue-green-red triples, one copy per pixel.
  std::uint8_t colours[256][3];
  for (int c = 0; c < 256; ++c) {
    const RGBQUAD& q = info_.Info.bmiColors[c];
    colours[c][0] = q.rgbBlue;
    colours[c][1] = q.rgbGreen;
    colours[c][2] = q.rgbRed;
  }
  const std::uint8_t* in = src.data();
  std::uint8_t* out = buffer;
  for (int i = 0; i < got; ++i, out += 3) std::memcpy(out, colours[in[i]], 3);
  return got * 3;
}

int TGIS_LayerPixel::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  return ReadMemoryLine(buffer, row, count, offset);
}

int TGIS_LayerPixel::CopyBitmapRow(TBitmap& bitmap, int rowBytes, std::uint8_t* buffer, int row,
                                   int count, int offset) {
  if (row < 0 || row >= bitmap.Height() || offset < 0 || offset >= rowBytes) return 0;
  const int n = std::min(count, rowBytes - offset);
  if (n <= 0) return 0;
  std::memcpy(buffer, bitmap.ScanLine(row) + offset, std::size_t(n));
  return n;
}

int TGIS_LayerPixel::ReadMemoryLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (row < 0 || offset < 0 || count <= 0) return 0;
  if (inMemoryBitmap_)
    return CopyBitmapRow(*inMemoryBitmap_, 3 * inMemoryBitmap_->Width(), buffer, row, count,
                         offset);
  if (inMemoryGrid_) {
    if (row >= readHeight_ || row >= int(inMemoryGrid_->size())) return 0;
    const std::vector<float>& values = (*inMemoryGrid_)[std::size_t(row)];
    const int column = offset / 3;
    const int n = std::min({count / 3, readWidth_ - column, int(values.size()) - column});
    for (int i = 0; i < n; ++i) {
      const float v = values[std::size_t(column + i)];
      PutGridPixel(buffer + 3 * i, v, v == noDataValue_ || std::isnan(v));
    }
    return std::max(n, 0) * 3;
  }
  return 0;
}

int TGIS_LayerPixel::ReadLineColored(std::uint8_t* buffer, int row, int count, int offset) {
  CallLineReader(buffer, row, count, offset);
  ColorizeGridLine(buffer, count);
  return count;
}

bool TGIS_LayerPixel::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  (void)cell, (void)values;
  return false;
}

int TGIS_LayerPixel::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (values.empty()) return 0;
  count = std::min(count, readWidth_ - firstColumn);
  count = std::min(count, int(values.size()));
  if (count <= 0 || firstColumn < 0) return 0;
  if (inMemoryGrid_) {
    if (row < 0 || row >= readHeight_ || row >= int(inMemoryGrid_->size())) return 0;
    const std::vector<float>& src = (*inMemoryGrid_)[std::size_t(row)];
    const int n = std::min(count, int(src.size()) - firstColumn);
    for (int i = 0; i < n; ++i)
      values[std::size_t(i)] = src[std::size_t(firstColumn + i)];
    return count;
  }
  std::vector<std::uint8_t> buf(std::size_t(readWidth_) * 3 + 4);
  const int bytes = std::min(SafeRound(count * overviewScale_ * 3, 0), readWidth_ * 3);
  CallLineReader(buf.data(), row, bytes, firstColumn * 3);
  const int band = gridBand_ == 2 ? 1 : gridBand_ == 3 ? 2 : 0;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* p = buf.data() + 3 * i;
    const std::uint8_t t[3] = {colorTable_[p[0]][0], colorTable_[p[1]][1], colorTable_[p[2]][2]};
    const bool transparent = hasTransparency_ && IsTransparentPixel(t) &&
                             !(isGrid_ && t[0] == 0 && t[1] == 0 && t[2] == 0);
    values[std::size_t(i)] = transparent ? noDataValue_ : float(p[band]);
  }
  return count;
}

// ---- Locate -------------------------------------------------------------------------------------

bool TGIS_LayerPixel::Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
                             std::vector<double>& values) {
  if (std::isnan(point.X) || std::isnan(point.Y)) return false;
  if (point.X < extent_.XMin || point.X > extent_.XMax || point.Y < extent_.YMin ||
      point.Y > extent_.YMax)
    return false;
  const int column = SafeTrunc((point.X - extent_.XMin) / pixelSizeX_, -1);
  const int row = SafeTrunc((point.Y - extent_.YMax) / pixelSizeY_, -1);
  if (column < 0 || column > readWidth_ - 1 || row < 0 || row > readHeight_ - 1) return false;
  WakeUp();
  GetOverviewScale(width_, width_);
  std::vector<std::uint8_t> buf(std::size_t(readWidth_) * 3 + 3);
  CallLineReader(buf.data(), row, readWidth_ * 3, 0);
  std::uint8_t* p = buf.data() + 3 * column;
  if (isGrid_) {
    values.assign(1, 0);
    if (!GetGridValue(TPoint{column, row}, values)) {
      values.clear();
      return false;
    }
  } else if (flagUseBandValues_) {
    values.assign(3, 0);
    if (!GetGridValue(TPoint{column, row}, values)) {
      values.clear();
      return false;
    }
  } else {
    values = {double(p[0]), double(p[1]), double(p[2])};
  }
  if (bitsPerPixel_ > 8) MakeRowNonBlack(p, 3);
  if (!isGrid_) ApplyPipeline(p, 3);
  rgb = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
  transparent = hasTransparency_ && IsTransparentPixel(p);
  return true;
}

// ---- resampling ---------------------------------------------------------------------------------

/// Resampling by running ratios: each source row read (`readRow(row)` gives
/// the cells read from the first source column) fills as many output rows
/// as the accumulated row ratio allows; within a row each source cell fills
/// as many output cells as the column ratio allows (`put(outRow, outCol,
/// cell)`), a ratio below 1 skipping cells.
template <class TReadRow, class TPut>
void TGIS_LayerPixel::Resample(const TGIS_Extent& extent, int rows, int cols, TReadRow readRow,
                               TPut put) {
  const double w = (extent.XMax - extent.XMin) / cols, h = (extent.YMax - extent.YMin) / rows;
  const double sx = (extent_.XMax - extent_.XMin) / readWidth_;
  const double sy = (extent_.YMax - extent_.YMin) / readHeight_;
  const TAxisWalk cx = PlanAxis(extent.XMin, extent_.XMin, w, sx);
  const TAxisWalk cy = PlanAxis(-extent.YMax, -extent_.YMax, h, sy);
  double accY = cy.Ratio * cy.Phase;
  int srcRow = cy.FirstSource, outRow = cy.FirstOutput;
  while (outRow < rows && srcRow < readHeight_ + rows + 2) {
    const int got = readRow(std::min(srcRow, readHeight_ - 1), cx.FirstSource);
    for (; accY >= 0.5 && outRow < rows; accY -= 1, ++outRow) {
      double accX = cx.Ratio * cx.Phase;
      for (int j = 0, outCol = cx.FirstOutput; outCol < cols && j < got;) {
        if (accX >= 0.5) {
          put(outRow, outCol++, j);
          accX -= 1;
        } else {
          ++j;
          accX += cx.Ratio;
        }
      }
    }
    ++srcRow;
    accY += cy.Ratio;
  }
}

bool TGIS_LayerPixel::GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) {
  if (!GisIsExtentIntersecting(extent, extent_) || grid.empty() || grid[0].empty()) return false;
  WakeUp();
  const int rows = int(grid.size()), cols = int(grid[0].size());
  const double sx = (extent_.XMax - extent_.XMin) / readWidth_;
  const int needed = std::max(
      1, SafeTrunc((std::min(extent.XMax, extent_.XMax) - std::max(extent.XMin, extent_.XMin)) / sx,
                   1));
  overviewScale_ = GetOverviewScale(needed, cols);
  std::vector<float> line(std::size_t(readWidth_) + 1);
  Resample(
      extent, rows, cols,
      [&](int row, int first) { return ReadGridLine(line, row, readWidth_ - first, first); },
      [&](int r, int c, int j) {
        const float v = line[std::size_t(j)];
        if (v != noDataValue_) grid[std::size_t(r)][std::size_t(c)] = v;
      });
  overviewScale_ = 1.0;
  return true;
}

bool TGIS_LayerPixel::GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap) {
  if (!GisIsExtentIntersecting(extent, extent_) || bitmap.Width() <= 0 || bitmap.Height() <= 0)
    return false;
  WakeUp();
  bitmap.SetPixelFormat(pf24bit);
  std::vector<std::uint8_t> line(std::size_t(readWidth_) * 3 + 12);
  Resample(
      extent, bitmap.Height(), bitmap.Width(),
      [&](int row, int first) {
        return CallLineReader(line.data(), row, (readWidth_ - first) * 3, first * 3) / 3;
      },
      [&](int r, int c, int j) {
        std::memcpy(bitmap.ScanLine(r) + 3 * c, line.data() + 3 * j, 3);
      });
  return true;
}

void TGIS_LayerPixel::CreateCopy(TGIS_LayerPixel& source, const TGIS_Extent& extent, int width,
                                 int height) {
  const double ew = extent.XMax - extent.XMin, eh = extent.YMax - extent.YMin;
  if (ew == 0 || eh == 0 || std::isnan(ew) || std::isnan(eh)) return;
  int cols = width, rows = height;
  if (cols <= 0)
    cols = height > 0 ? SafeRound(ew / eh * height, 0) : SafeRound(ew / source.pixelSizeX_, 0);
  if (rows <= 0)
    rows = width > 0 ? SafeRound(std::fabs(eh / ew * width), 0)
                     : SafeRound(std::fabs(eh / source.pixelSizeY_), 0);
  if (cols <= 0 || rows <= 0) return;
  width_ = readWidth_ = cols;
  height_ = readHeight_ = rows;
  SetExtent(extent);
  lineReader_ = &TGIS_LayerPixel::ReadLine;
  if (source.isGrid_) {
    noDataValue_ = source.noDataValue_;
    minValue_ = source.minValue_;
    maxValue_ = source.maxValue_;
    minColor_ = source.minColor_;
    maxColor_ = source.maxColor_;
    transparentMask_[0] = {true, true, true};
    inMemoryGrid_ = std::make_unique<TGIS_GridArray>(
        std::size_t(rows), std::vector<float>(std::size_t(cols), noDataValue_));
    source.WakeUp();
    source.GetGrid(extent, *inMemoryGrid_);
  } else {
    inMemoryBitmap_ = std::make_unique<TBitmap>(cols, rows, pf24bit);
    source.WakeUp();
    source.GetBitmap(extent, *inMemoryBitmap_);
  }
  outLineBytes_ = 3 * cols;
  bitsPerPixel_ = 24;
  outBitsPerPixel_ = 24;
  GetParamsSection().Assign(source.GetParamsSection());
  isGrid_ = source.isGrid_;
  isGridSource_ = source.isGridSource_;
  info_ = source.info_;
  info_.Info.bmiHeader.biPlanes = 1;
  info_.Info.bmiHeader.biBitCount = 24;
  useColorTable_ = source.useColorTable_;
  histogramEqualised_ = false;
  if (source.CopiesHistogram()) {
    if (!source.histogramReady_) source.ComputeHistogram();
    channelHistograms_ = source.channelHistograms_;
    histogram_ = source.histogram_;
    histogramReady_ = source.histogramReady_;
  }
  inversionApplied_ = source.inversionApplied_;
  hasTransparency_ = source.hasTransparency_;
  transparentMask_ = source.transparentMask_;
  colorTable_ = source.colorTable_;
}

// ---- AfterConfig
// ----------------------------------------------------------------------------------

void TGIS_LayerPixel::AfterConfig() {
  if (!isGrid_ || viewer_ == nullptr) return;
  auto others = [this] {
    std::vector<TGIS_LayerPixel*> list;
    for (TGIS_LayerAbstract* l : viewer_->Layers()) {
      auto* p = dynamic_cast<TGIS_LayerPixel*>(l);
      if (p != nullptr && p != this && p->isGrid_) list.push_back(p);
    }
    return list;
  };
  const double f = double(valueUnits_->Factor());
  for (TGIS_LayerPixel* l : others()) {
    const double g = double(l->valueUnits_->Factor());
    if (f * minValue_ >= g * l->minValue_) {
      minValue_ = float(g * l->minValue_ / f);
      break;
    }
    l->minValue_ = float(f * minValue_ / g);
  }
  for (TGIS_LayerPixel* l : others()) {
    const double g = double(l->valueUnits_->Factor());
    if (f * maxValue_ <= g * l->maxValue_) {
      maxValue_ = float(g * l->maxValue_ / f);
      break;
    }
    l->maxValue_ = float(f * maxValue_ / g);
  }
}
