// TGIS_LayerPixel: drawing in strips (DrawRaster), drawing a tile in one
// piece (DrawExtent), and the strip arithmetic.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisParams.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisGDI.h"
#include "platform/rtl/Numerics.h"

namespace {

constexpr std::int64_t kStripBytes = 1024000;

std::int64_t RowBytes(int width) {
  return (std::int64_t(width) * 3 + 3) / 4 * 4;
}

int CeilHalf(int v) {
  return v / 2 + v % 2;
}

double FracOf(double v) {
  return v - std::trunc(v);
}

int ClampToInt(double v) {
  if (std::isnan(v)) return 0;
  return int(Round(std::clamp(v, -1.0e9, 1.0e9)));
}

/// One strip of a drawing: source rows (fractional) and destination rows.
struct TStrip {
  double SrcTop = 0, SrcBottom = 0;
  int DestTop = 0, DestBottom = 0;
};

} // namespace

// ---- strip arithmetic ------------------------------------------------------------------------

int GisComputeStripCount(int destWidth, int destHeight, int srcWidth, int srcHeight) {
  const std::int64_t d = std::int64_t(destWidth) * 3 + 4;
  const std::int64_t s = std::int64_t(srcWidth) * 3 + 4;
  std::int64_t r = srcHeight, h = destHeight;
  if (d + s > kStripBytes) return std::max(1, srcHeight);
  int count = 1;
  while ((d * h + s > kStripBytes || r > 800) && count < 16 && h > 1) {
    r = r / 2 + r % 2;
    h = h / 2 + h % 2;
    count *= 2;
  }
  return count;
}

void GisStripRows(int count, int index, int top, int bottom, int& outTop, int& outBottom) {
  int lo = 0, hi = count - 1, n = count;
  while (n > 1) {
    const int g = CeilHalf(bottom - top);
    const int mid = lo + n / 2;
    if (index < mid) {
      bottom = top + g;
      hi = mid - 1;
    } else {
      top = bottom - g;
      lo = mid;
    }
    n = hi - lo + 1;
  }
  outTop = top;
  outBottom = bottom;
}

// ---- per-row helpers ---------------------------------------------------------------------------

void TGIS_LayerPixel::MakeRowNonBlack(std::uint8_t* row, int byteCount) const {
  // one test per pixel (a black pixel is rare)
  for (int i = 0; i + 2 < byteCount; i += 3)
    if ((row[i] | row[i + 1] | row[i + 2]) == 0) row[i] = row[i + 1] = row[i + 2] = 1;
}

namespace {

/// The source pixel each of `width` output pixels takes when a row of
/// `srcPixels` pixels spanning `span` output pixels is scaled, the first
/// covering `phase` (the walk of ScaleLine, run once for every row alike).
void PickColumns(double phase, int width, double span, int srcPixels, std::vector<int>& pick) {
  pick.resize(std::size_t(std::max(width, 0)));
  const double e = width / span;
  double a = phase;
  int j = 0;
  for (int i = 0; i < width;) {
    if (a >= 1) {
      pick[std::size_t(i++)] = j;
      a -= 1;
    } else {
      if (j < srcPixels - 1) ++j;
      a += e;
    }
  }
}

} // namespace

void TGIS_LayerPixel::ScaleLine(const std::uint8_t* src, std::uint8_t* out, double phase, int width,
                                double span, int srcPixels) const {
  if (srcPixels <= 0) return;
  const int b0 = bandIndex_[0], b1 = bandIndex_[1], b2 = bandIndex_[2];
  if (bitsPerPixel_ != 1) {
    std::vector<int> pick;
    PickColumns(phase, width, span, srcPixels, pick);
    CopyPicked(src, out, pick);
    return;
  }
  const double e = width / span;
  double a = phase;
  int j = 0;
  // For 1-bit sources an output pixel is the AND of the source pixels passed
  // since the previous output pixel and its own; a source pixel already
  // written out is not taken in again when it is left behind.
  std::uint8_t acc[3] = {255, 255, 255};
  bool written = false; // source pixel j has gone into an output pixel
  for (int i = 0; i < width;) {
    if (a >= 1) {
      const std::uint8_t* p = src + 3 * j;
      std::uint8_t* o = out + 3 * i;
      o[0] = std::uint8_t(acc[0] & p[b0]);
      o[1] = std::uint8_t(acc[1] & p[b1]);
      o[2] = std::uint8_t(acc[2] & p[b2]);
      acc[0] = acc[1] = acc[2] = 255;
      written = true;
      ++i;
      a -= 1;
    } else {
      if (!written) {
        const std::uint8_t* p = src + 3 * j;
        acc[0] &= p[b0];
        acc[1] &= p[b1];
        acc[2] &= p[b2];
      }
      if (j < srcPixels - 1) {
        ++j;
        written = false;
      }
      a += e;
    }
  }
}

void TGIS_LayerPixel::CopyPicked(const std::uint8_t* src, std::uint8_t* out,
                                 const std::vector<int>& pick) const {
  const int b0 = bandIndex_[0], b1 = bandIndex_[1], b2 = bandIndex_[2];
  for (const int j : pick) {
    const std::uint8_t* p = src + 3 * j;
    out[0] = p[b0];
    out[1] = p[b1];
    out[2] = p[b2];
    out += 3;
  }
}

void TGIS_LayerPixel::FillStrip(std::uint8_t* strip, double x0, double y0, double x1, double y1,
                                int w, int h) {
  if (x1 - x0 > readWidth_) x1 = x0 + readWidth_;
  if (y1 - y0 > readHeight_) y1 = y0 + readHeight_;
  if (x1 <= x0 || y1 <= y0) return;
  const int first = int(std::trunc(std::fabs(x0)));
  int columns = int(std::trunc(x1)) - int(std::trunc(x0)) + 1;
  columns = std::min(columns, readWidth_ - first);
  if (columns <= 0) return;
  const double sx = w / (x1 - x0), sy = h / (y1 - y0);
  // the first source pixel covers sx x (1 - fraction) output pixels (a
  // further +1 here would widen it by one and shift the rest right)
  const double r = sx > 1 ? sx * (1 - FracOf(x0)) : 1;
  double q = sy > 1 ? sy * (1 - FracOf(y0)) : 1;
  int srcRow = int(std::trunc(std::min(std::fabs(y0), std::fabs(y1))));
  const std::int64_t stride = RowBytes(w);
  std::vector<std::uint8_t> row(std::size_t(columns) * 3 + 4);
  int loaded = -1;
  int got = 0;
  std::vector<int> pick;
  int pickedFor = 0;
  const bool nonBlack = !isGrid_ && bitsPerPixel_ > 8;
  const bool nonBlackAfter = w < columns;
  for (int out = 0; out < h;) {
    if (q < 1) {
      ++srcRow;
      q += sy;
      continue;
    }
    const int rr = std::min(srcRow, readHeight_ - 1);
    if (rr != loaded) {
      std::memset(row.data(), 0, row.size());
      got = CallLineReader(row.data(), rr, columns * 3, first * 3) / 3;
      if (isGrid_) {
        if (!isGridSource_) ColorizeGridLine(row.data(), got * 3);
      } else if (nonBlack && !nonBlackAfter) {
        MakeRowNonBlack(row.data(), got * 3);
      }
      loaded = rr;
    }
    std::uint8_t* dib = strip + stride * (h - 1 - out);
    if (bitsPerPixel_ == 1) {
      ScaleLine(row.data(), dib, r, w, x1 - x0, std::max(got, 1));
    } else {
      // the columns picked depend on the row's length only: found once
      if (std::max(got, 1) != pickedFor) {
        pickedFor = std::max(got, 1);
        PickColumns(r, w, x1 - x0, pickedFor, pick);
      }
      CopyPicked(row.data(), dib, pick);
    }
    // scaling copies whole pixels, so black can be replaced on the shorter row
    if (nonBlack && nonBlackAfter) MakeRowNonBlack(dib, w * 3);
    ApplyPipeline(dib, w * 3);
    q -= 1;
    ++out;
  }
}

void TGIS_LayerPixel::BlitStrip(const std::uint8_t* bits, int x, int y, int w, int h,
                                std::int64_t size) {
  TGIS_GDI* gdi = viewer_->GetGDI();
  info_.Info.bmiHeader.biSize = 40;
  info_.Info.bmiHeader.biWidth = w;
  info_.Info.bmiHeader.biHeight = h;
  info_.Info.bmiHeader.biPlanes = 1;
  info_.Info.bmiHeader.biBitCount = 24;
  info_.Info.bmiHeader.biCompression = 0;
  info_.Info.bmiHeader.biSizeImage = DWORD(size);
  if (!hasTransparency_) {
    gdi->StretchDIBits(x, y, w, h, 0, 0, w, h, bits, &info_.Info, DIB_RGB_COLORS, SRCCOPY);
    return;
  }
  const std::int64_t stride = RowBytes(w);
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(size)), masked(bits, bits + size);
  for (int yy = 0; yy < h; ++yy) {
    for (int xx = 0; xx < w; ++xx) {
      const std::int64_t at = stride * yy + 3 * xx;
      const bool t = IsTransparentPixel(bits + at);
      std::memset(mask.data() + at, t ? 255 : 0, 3);
      if (t) std::memset(masked.data() + at, 0, 3);
    }
  }
  gdi->StretchDIBits(x, y, w, h, 0, 0, w, h, mask.data(), &info_.Info, DIB_RGB_COLORS, SRCAND);
  gdi->StretchDIBits(x, y, w, h, 0, 0, w, h, masked.data(), &info_.Info, DIB_RGB_COLORS, SRCPAINT);
}

// ---- DrawRaster ------------------------------------------------------------------------------

bool TGIS_LayerPixel::StartDrawing(const TGIS_Extent& extent) {
  if (viewer_ == nullptr || viewer_->Zoom() <= 0) return false;
  SelectParamsSections("");
  if (activeSections_.empty()) return false;
  UseParamsSection(int(activeSections_.size()) - 1);
  if (!paramsSection_->Visible()) return false;
  Prepare();
  if (viewer_->IncrementalPainting() && !incrementalPaint_) return false;
  if (!GisIsExtentIntersecting(extent, extent_)) return false;
  WakeUp();
  return true;
}

bool TGIS_LayerPixel::DrawRaster(const TGIS_Extent& extent) {
  if (!StartDrawing(extent)) return false;
  const TGIS_Extent px = viewer_->ScreenToMapRect(TRect{-1, -1, 1, 1});
  const double dx = std::fabs(px.XMax - px.XMin), dy = std::fabs(px.YMax - px.YMin);
  TGIS_Extent wide =
      GisExtent(extent.XMin - dx, extent.YMin - dy, extent.XMax + dx, extent.YMax + dy);
  wide = GisExtentIntersection(wide, extent_);
  const TRect dest = viewer_->MapToScreenRect(wide);
  double c0 = (wide.XMin - extent_.XMin) / pixelSizeX_;
  double c1 = (wide.XMax - extent_.XMin) / pixelSizeX_;
  double r0 = (wide.YMax - extent_.YMax) / pixelSizeY_;
  double r1 = (wide.YMin - extent_.YMax) / pixelSizeY_;
  if (!std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(r0) || !std::isfinite(r1))
    return false;
  const double s = GetOverviewScale(c1 - c0, dest.Right - dest.Left);
  if (s < 1) {
    c0 *= s, c1 *= s, r0 *= s, r1 *= s;
  }
  sourceWindow_ = TRect{ClampToInt(c0), ClampToInt(r0), ClampToInt(c1), ClampToInt(r1)};
  const int destW = dest.Right - dest.Left, destH = dest.Bottom - dest.Top;
  if (destW <= 0 || destH <= 0) return false;
  stripCount_ = GisComputeStripCount(destW, destH, sourceWindow_.Right - sourceWindow_.Left,
                                     sourceWindow_.Bottom - sourceWindow_.Top);
  const bool perRow =
      std::int64_t(destW) * 3 + 4 + std::int64_t(sourceWindow_.Right - sourceWindow_.Left) * 3 + 4 >
      kStripBytes;
  // The source rows of a strip follow from its destination rows: where a
  // halving met an odd row count, neighbouring strips overlap by one
  // destination row, and that row must show the same source row in both
  // (halving the source window separately would shift the lower strip by
  // a row).
  auto stripOf = [&](int i) {
    TStrip st;
    if (perRow) {
      // one strip per source row: the destination rows split evenly
      st.DestTop = dest.Top + int(std::int64_t(destH) * i / stripCount_);
      st.DestBottom = dest.Top + int(std::int64_t(destH) * (i + 1) / stripCount_);
    } else {
      GisStripRows(stripCount_, i, dest.Top, dest.Bottom, st.DestTop, st.DestBottom);
    }
    st.SrcTop = r0 + (r1 - r0) * (st.DestTop - dest.Top) / destH;
    st.SrcBottom = r0 + (r1 - r0) * (st.DestBottom - dest.Top) / destH;
    return st;
  };
  int maxH = 0;
  for (int i = 0; i < (perRow ? stripCount_ : 1); ++i) {
    const TStrip st = stripOf(i);
    maxH = std::max(maxH, st.DestBottom - st.DestTop);
  }
  if (maxH <= 0) return false;
  std::vector<std::uint8_t> buffer(std::size_t(RowBytes(destW) * maxH));
  bool drawn = false;
  for (int i = 0; i < stripCount_; ++i) {
    if (viewer_->HourglassShake()) break;
    const TStrip st = stripOf(i);
    const int h = st.DestBottom - st.DestTop;
    if (h <= 0) continue;
    const std::int64_t size = RowBytes(destW) * h;
    FillStrip(buffer.data(), c0, st.SrcTop, c1, st.SrcBottom, destW, h);
    BlitStrip(buffer.data(), dest.Left, st.DestTop, destW, h, size);
    drawn = true;
  }
  return drawn;
}

// ---- DrawExtent ------------------------------------------------------------------------------

bool TGIS_LayerPixel::DrawExtent(const TGIS_Extent& extent, bool frame) {
  if (!StartDrawing(extent)) return false;
  if (viewer_->HourglassShake()) return false;
  TGIS_Extent tile = extent;
  double x0 = 0, y0 = 0, x1 = readWidth_, y1 = readHeight_;
  TGIS_Extent draw{0, 0, 0, 0};
  GetDrawExtent(draw);
  draw = GisExtentIntersection(draw, extent_);
  const double tw = extent.XMax - extent.XMin, th = extent.YMax - extent.YMin;
  if (tw <= 0 || th <= 0) return false;
  if (tile.XMin < draw.XMin) {
    x0 = (draw.XMin - extent.XMin) / tw * readWidth_;
    tile.XMin = draw.XMin;
  }
  if (tile.XMax > draw.XMax) {
    x1 = readWidth_ - (extent.XMax - draw.XMax) / tw * readWidth_;
    tile.XMax = draw.XMax;
  }
  if (tile.YMax > draw.YMax) {
    y0 = (extent.YMax - draw.YMax) / th * readHeight_;
    tile.YMax = draw.YMax;
  }
  if (tile.YMin < draw.YMin) {
    y1 = readHeight_ - (draw.YMin - extent.YMin) / th * readHeight_;
    tile.YMin = draw.YMin;
  }
  sourceWindow_ = TRect{ClampToInt(x0), ClampToInt(y0), ClampToInt(x1), ClampToInt(y1)};
  const TRect dest = viewer_->MapToScreenRect(tile);
  const int w = dest.Right - dest.Left, h = dest.Bottom - dest.Top;
  if (w <= 0 || h <= 0 || x1 <= x0 || y1 <= y0) return false;
  const std::int64_t size = RowBytes(w) * h;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
  FillStrip(buffer.data(), x0, y0, x1, y1, w, h);
  BlitStrip(buffer.data(), dest.Left, dest.Top, w, h, size);
  if (frame) {
    TGIS_GDI* gdi = viewer_->GetGDI();
    gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
    gdi->Brush()->SetColor(0xFFFF00);
    gdi->FrameRect(TRect{dest.Left, dest.Top, dest.Right + 1, dest.Bottom + 1});
  }
  return true;
}
