// TGIS_LayerPixel: the colour pipeline (Prepare, colour tables, zones,
// histogram, transparency) and grid colouring.
#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisKeywords.h"
#include "gis/core/GisParams.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

std::uint8_t ByteAt(std::uint32_t color, int position) {
  return std::uint8_t((color >> (8 * position)) & 0xFF);
}

/// Splits a zone line at commas (double quotes group).
std::vector<std::string> SplitZone(const std::string& line) {
  std::vector<std::string> parts;
  std::string cur;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted) {
      parts.push_back(cur);
      cur.clear();
    } else
      cur += c;
  }
  parts.push_back(cur);
  return parts;
}

bool HasLines(TStringList& list) {
  return list.Count() > 0;
}

/// Non-finite values count as no data; infinities clamp.
double SafeValue(double value, double noData) {
  if (std::isnan(value)) return noData;
  if (std::isinf(value)) return value > 0 ? 3.4e38 : -3.4e38;
  return value;
}

} // namespace

// ---- pure steps --------------------------------------------------------------------------------

int GisAdjustChannel(int value, int brightness, int contrast) {
  const int t = value + int(idiv(Int64(brightness) * 255, 100));
  const int d = std::abs(128 - t) * contrast;
  const Int64 r = t < 128 ? Trunc(t - d / 100.0) : Trunc(t + d / 100.0);
  if (r < 0) return 1;
  if (r > 255) return 255;
  return int(r);
}

bool GisParseMapZone(const std::string& line, TGIS_MapZone& zone) {
  std::vector<std::uint32_t> v;
  const int n = GisParseColorList(line, v, 3);
  zone = TGIS_MapZone{};
  zone.Values = n;
  if (n < 2) return false;
  zone.From = (v[0] & 0xFFFFFF) == 0 ? 0x010101 : v[0];
  zone.To = (v[1] & 0xFFFFFF) == 0 ? 0x010101 : v[1];
  if (n == 3) {
    zone.OutFrom = zone.OutTo = v[2];
  } else if (n >= 4) {
    zone.OutFrom = v[2];
    zone.OutTo = v[3];
  }
  return true;
}

void GisApplyZoneRamp(TGIS_ByteTable& table, int position, const TGIS_MapZone& zone) {
  // a two-value line gives no output range: it counts, but changes nothing
  if (zone.Values < 3) return;
  int from = int(zone.From & 0xFF), to = int(zone.To & 0xFF);
  const int outFrom = int(zone.OutFrom & 0xFF), outTo = int(zone.OutTo & 0xFF);
  if (from > to) std::swap(from, to);
  const int width = to - from;
  const int step = outTo >= outFrom ? 1 : -1;
  const int delta = std::abs(outTo - outFrom);
  int out = outFrom, acc = 0;
  for (int i = from; i <= to; ++i) {
    table[std::size_t(i)][std::size_t(position)] = std::uint8_t(out);
    if (width == 0) break;
    acc += delta;
    while (acc >= width) {
      acc -= width;
      out += step;
    }
  }
}

// ---- grid colouring ---------------------------------------------------------------------------

void TGIS_LayerPixel::ParseAltitudeZones() {
  TStringList& lines = PixelParams().AltitudeMapZone();
  if (!HasLines(lines)) {
    altitudeZones_.clear();
    return;
  }
  histogramEqualised_ = false;
  hasAltitudeZones_ = true;
  const double eps = (double(maxValue_) - double(minValue_)) * 1e-13;
  altitudeZones_.clear();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::vector<std::string> parts = SplitZone(lines.Get(i));
    TGIS_AltitudeZone z;
    try {
      if (parts.size() > 0) z.Min = GisStrToFloat(Trim(parts[0]));
      if (parts.size() > 1) z.Max = GisStrToFloat(Trim(parts[1])) + eps;
    } catch (const Exception&) {
    }
    if (parts.size() > 2) z.Color = GisStrToColor(Trim(parts[2]), z.Color);
    altitudeZones_.push_back(z);
  }
}

std::uint32_t TGIS_LayerPixel::GridToColor(double value) {
  if (std::isnan(value)) return noDataColor_;
  value = SafeValue(value, noDataValue_);
  auto swapRB = [](std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  };
  if (hasAltitudeZones_ && !altitudeZones_.empty()) {
    for (const TGIS_AltitudeZone& z : altitudeZones_)
      if (z.Min <= value && value <= z.Max) return swapRB(z.Color);
    if (value >= altitudeZones_.back().Max) return swapRB(altitudeZones_.back().Color);
    return swapRB(altitudeZones_.front().Color);
  }
  if (maxValue_ == minValue_) return noDataColor_;
  const double span = double(maxValue_) - double(minValue_);
  std::uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const int lo = int((minColor_ >> shift) & 0xFF), hi = int((maxColor_ >> shift) & 0xFF);
    const double v = (value - minValue_) * (hi - lo) / span;
    const double clamped = std::clamp(v, -1e6, 1e6);
    const int c = std::clamp(int(lo + Round(clamped)), 0, 255);
    // red in bits 16-23 (the bitmap's byte order): the colour's low byte goes high
    out |= std::uint32_t(c) << (16 - shift);
  }
  return out;
}

void TGIS_LayerPixel::PutGridPixel(std::uint8_t* pixel, double value, bool noData) {
  std::uint32_t c;
  if (noData) {
    c = noDataColor_;
    hasTransparency_ = true;
  } else {
    c = GridToColor(value);
  }
  pixel[0] = std::uint8_t(c);
  pixel[1] = std::uint8_t(c >> 8);
  pixel[2] = std::uint8_t(c >> 16);
}

void TGIS_LayerPixel::ColorizeGridLine(std::uint8_t* row, int byteCount) {
  const int band = gridBand_ == 2 ? 1 : gridBand_ == 3 ? 2 : 0;
  for (int i = 0; i + 2 < byteCount; i += 3) {
    std::uint8_t* p = row + i;
    const std::uint8_t b0 = colorTable_[p[0]][0], b1 = colorTable_[p[1]][1],
                       b2 = colorTable_[p[2]][2];
    const bool marked = transparentMask_[b0][0] && transparentMask_[b1][1] &&
                        transparentMask_[b2][2] && !(b0 == 0 && b1 == 0 && b2 == 0);
    const double value = marked ? double(noDataValue_) : double(p[band]);
    const std::uint32_t c = value == noDataValue_ ? noDataColor_ : GridToColor(value);
    p[0] = std::uint8_t(c);
    p[1] = std::uint8_t(c >> 8);
    p[2] = std::uint8_t(c >> 16);
  }
}

// ---- palettes
// ------------------------------------------------------------------------------------

void TGIS_LayerPixel::SetGrayPalette() {
  const int n = std::clamp(paletteCount_, 2, 256);
  const int step = 255 / (n - 1);
  for (int i = 0; i < n; ++i) {
    RGBQUAD& q = info_.Info.bmiColors[i];
    q.rgbBlue = q.rgbGreen = q.rgbRed = std::uint8_t(std::min(255, i * step));
  }
}

void TGIS_LayerPixel::MakePaletteNonBlack() {
  for (RGBQUAD& q : info_.Info.bmiColors)
    if (q.rgbBlue == 0 && q.rgbGreen == 0 && q.rgbRed == 0) q.rgbBlue = q.rgbGreen = q.rgbRed = 1;
}

void TGIS_LayerPixel::InvertPalette() {
  for (RGBQUAD& q : info_.Info.bmiColors) {
    q.rgbBlue = std::uint8_t(255 - q.rgbBlue);
    q.rgbGreen = std::uint8_t(255 - q.rgbGreen);
    q.rgbRed = std::uint8_t(255 - q.rgbRed);
  }
}

// ---- Prepare
// ---------------------------------------------------------------------------------------

void TGIS_LayerPixel::Prepare() {
  if (viewer_ == nullptr || paramsSection_ == nullptr) return;
  TGIS_ParamsPixel& px = PixelParams();
  SetUpLineReader();
  useColorTable_ = false;
  if (isGrid_) ParseAltitudeZones();
  if (HasLines(px.TransparentZone())) hasTransparency_ = true;
  hasGrayZones_ = HasLines(px.GrayMapZone());
  hasRedZones_ = HasLines(px.RedMapZone());
  hasGreenZones_ = HasLines(px.GreenMapZone());
  hasBlueZones_ = HasLines(px.BlueMapZone());
  hasFullRgbZones_ = HasLines(px.FullRGBMapZone());
  if (hasTransparency_ && !histogramReady_) BuildTransparency();
  if (px.Histogram() && !histogramReady_) ComputeHistogram();
  if (hasFullRgbZones_) BuildFullRgbTable();
  hasColorAdjust_ = hasRedZones_ || hasGreenZones_ || hasBlueZones_ || px.Red() != 0 ||
                    px.Blue() != 0 || px.Green() != 0 || px.Brightness() != 0 || px.Contrast() != 0;
  useColorTable_ =
      hasTransparency_ || hasColorAdjust_ || px.Inversion() || px.Histogram() || px.GrayScale();
  if (px.Inversion() != inversionApplied_) {
    histogramEqualised_ = false;
    inversionApplied_ = px.Inversion();
  }
  if (useColorTable_) PrepareColorTables();
  if (isGrid_) {
    if (minValue_ == maxValue_) {
      minValue_ = 0;
      maxValue_ = 255;
    }
    if (minColor_ == maxColor_) {
      minColor_ = 0x202020;
      maxColor_ = 0xFFFFFF;
      noDataColor_ = 0;
    }
    if (float(px.GridNoValue()) != noDataValue_) noDataValue_ = float(px.GridNoValue());
  }
  if (!isGrid_ || (!isGridSource_ && gridBandInUse_ == 0)) ApplyBandSelection();
  if (hasTransparency_) BuildTransparency();
}

void TGIS_LayerPixel::ApplyBandSelection() {
  TGIS_ParamsPixel& px = PixelParams();
  const int wanted[3] = {px.RedBand(), px.GreenBand(), px.BlueBand()};
  for (int k = 0; k < 3; ++k) {
    if (wanted[k] != appliedBands_[std::size_t(k)] && wanted[k] >= 1 && wanted[k] <= bandCount_)
      bandIndex_[std::size_t(k)] = wanted[k] - 1;
    appliedBands_[std::size_t(k)] = wanted[k];
  }
}

void TGIS_LayerPixel::PrepareColorTables() {
  TGIS_ParamsPixel& px = PixelParams();
  BuildInversionTable();
  if (px.Histogram() && histogramReady_) EqualizeHistogram();
  if (hasColorAdjust_) BuildAdjustTable();
  if (px.GrayScale()) SetGrayWeights();
  if (hasGrayZones_ && (px.GrayScale() || flagGrayZonesAlways_)) BuildGrayZoneTable();
}

void TGIS_LayerPixel::BuildInversionTable() {
  const bool inv = PixelParams().Inversion();
  for (int i = 0; i < 256; ++i)
    for (int k = 0; k < 3; ++k)
      colorTable_[std::size_t(i)][std::size_t(k)] = std::uint8_t(inv ? 255 - i : i);
}

void TGIS_LayerPixel::EqualizeHistogram() {
  std::uint64_t total = 0;
  for (std::uint32_t c : histogram_)
    total += c;
  const std::uint64_t q = total / 255;
  if (q == 0) return;
  std::uint64_t acc = 0;
  int a = 0;
  for (int i = 0; i < 256; ++i) {
    acc += histogram_[std::size_t(i)];
    int b = a;
    while (acc > q) {
      acc -= q;
      ++b;
    }
    const std::uint8_t v = std::uint8_t(std::min((a + b) / 2, 255));
    for (int k = 0; k < 3; ++k)
      colorTable_[std::size_t(i)][std::size_t(k)] = v;
    a = b;
  }
  if (inversionApplied_)
    for (auto& e : colorTable_)
      for (auto& v : e)
        v = std::uint8_t(255 - v);
  histogramEqualised_ = true;
}

void TGIS_LayerPixel::BuildAdjustTable() {
  TGIS_ParamsPixel& px = PixelParams();
  const int bright[3] = {px.Blue() + px.Brightness(), px.Green() + px.Brightness(),
                         px.Red() + px.Brightness()};
  for (int i = 0; i < 256; ++i)
    for (int k = 0; k < 3; ++k)
      adjustTable_[std::size_t(i)][std::size_t(k)] =
          std::uint8_t(GisAdjustChannel(i, bright[k], px.Contrast()));
  TStringList* lists[3] = {&px.BlueMapZone(), &px.GreenMapZone(), &px.RedMapZone()};
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < lists[k]->Count(); ++i) {
      TGIS_MapZone z;
      if (GisParseMapZone(lists[k]->Get(i), z)) GisApplyZoneRamp(adjustTable_, k, z);
    }
  }
  for (auto& e : colorTable_)
    for (int k = 0; k < 3; ++k)
      e[std::size_t(k)] = adjustTable_[e[std::size_t(k)]][std::size_t(k)];
}

void TGIS_LayerPixel::SetGrayWeights() {
  paletteCount_ = 256;
  // integers: in double, trunc(0.35 * 180) would give 62
  for (int i = 0; i < 256; ++i) {
    grayWeights_[std::size_t(i)][0] = std::uint8_t(i * 20 / 100);
    grayWeights_[std::size_t(i)][1] = std::uint8_t(i * 45 / 100);
    grayWeights_[std::size_t(i)][2] = std::uint8_t(i * 35 / 100);
  }
}

void TGIS_LayerPixel::BuildFullRgbTable() {
  for (int i = 0; i < 256; ++i)
    for (int k = 0; k < 3; ++k) {
      fullRgbTable_[std::size_t(i)][std::size_t(k)] = std::uint8_t(i);
      fullRgbMask_[std::size_t(i)][std::size_t(k)] = false;
    }
  TStringList& lines = PixelParams().FullRGBMapZone();
  for (int i = 0; i < lines.Count(); ++i) {
    std::vector<std::uint32_t> c;
    GisParseColorList(lines.Get(i), c, 2);
    for (int k = 0; k < 3; ++k) {
      int lo = ByteAt(c[0], k), hi = ByteAt(c[1], k);
      if (lo > hi) std::swap(lo, hi);
      for (int v = lo; v <= hi; ++v) {
        fullRgbMask_[std::size_t(v)][std::size_t(k)] = true;
        fullRgbTable_[std::size_t(v)][std::size_t(k)] = ByteAt(c[2], k);
      }
    }
  }
}

void TGIS_LayerPixel::BuildGrayZoneTable() {
  for (int g = 0; g < 256; ++g)
    for (int k = 0; k < 3; ++k)
      grayZoneTable_[std::size_t(g)][std::size_t(k)] = std::uint8_t(g);
  TStringList& lines = PixelParams().GrayMapZone();
  for (int i = 0; i < lines.Count(); ++i) {
    TGIS_MapZone z;
    if (!GisParseMapZone(lines.Get(i), z)) continue;
    for (int k = 0; k < 3; ++k) {
      TGIS_MapZone part = z;
      part.From = z.From & 0xFF;
      part.To = z.To & 0xFF;
      part.OutFrom = ByteAt(z.OutFrom, k);
      part.OutTo = ByteAt(z.OutTo, k);
      GisApplyZoneRamp(grayZoneTable_, k, part);
    }
  }
}

void TGIS_LayerPixel::BuildTransparency() {
  for (auto& e : transparentMask_)
    e = {false, false, false};
  if (isGrid_) {
    const std::uint32_t c = ProcessColor(noDataColor_);
    for (int k = 0; k < 3; ++k)
      transparentMask_[ByteAt(c, k)][std::size_t(k)] = true;
  }
  TStringList& lines = PixelParams().TransparentZone();
  for (int i = 0; i < lines.Count(); ++i) {
    std::vector<std::uint32_t> c;
    GisParseColorList(lines.Get(i), c, 1);
    std::uint8_t px[6] = {ByteAt(c[0], 0), ByteAt(c[0], 1), ByteAt(c[0], 2),
                          ByteAt(c[1], 0), ByteAt(c[1], 1), ByteAt(c[1], 2)};
    // Black in the file is drawn as $010101 (pictures never draw pure
    // black), so a zone that holds black holds that colour too.
    bool holdsBlack = !isGrid_;
    for (int k = 0; k < 3; ++k)
      holdsBlack = holdsBlack && std::min(px[k], px[3 + k]) == 0;
    std::uint8_t drawnBlack[3] = {1, 1, 1};
    ApplyPipeline(px, 6);
    ApplyPipeline(drawnBlack, 3);
    for (int k = 0; k < 3; ++k) {
      int lo = px[k], hi = px[3 + k];
      if (lo > hi) std::swap(lo, hi);
      for (int v = lo; v <= hi; ++v)
        transparentMask_[std::size_t(v)][std::size_t(k)] = true;
      if (holdsBlack) transparentMask_[drawnBlack[k]][std::size_t(k)] = true;
    }
  }
}

std::uint32_t TGIS_LayerPixel::ProcessColor(std::uint32_t color) {
  TGIS_ParamsPixel& px = PixelParams();
  if (isGrid_) ParseAltitudeZones();
  hasGrayZones_ = HasLines(px.GrayMapZone());
  if (HasLines(px.FullRGBMapZone())) BuildFullRgbTable();
  if (px.Histogram() && !histogramEqualised_) ComputeHistogram();
  const bool use = HasLines(px.TransparentZone()) || hasTransparency_ || hasColorAdjust_ ||
                   px.Inversion() || px.Histogram() || px.GrayScale();
  if (use) PrepareColorTables();
  std::uint8_t p[3] = {ByteAt(color, 0), ByteAt(color, 1), ByteAt(color, 2)};
  ApplyPipeline(p, 3);
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

// ---- per-row steps -----------------------------------------------------------------------------

void TGIS_LayerPixel::ApplyColorTable(std::uint8_t* row, int byteCount) const {
  for (int i = 0; i + 2 < byteCount; i += 3) {
    row[i] = colorTable_[row[i]][0];
    row[i + 1] = colorTable_[row[i + 1]][1];
    row[i + 2] = colorTable_[row[i + 2]][2];
  }
}

void TGIS_LayerPixel::ApplyGrayScale(std::uint8_t* row, int byteCount) const {
  for (int i = 0; i + 2 < byteCount; i += 3) {
    // as the weights are laid out: the first byte through the red weight
    int g = grayWeights_[colorTable_[row[i]][2]][2] + grayWeights_[colorTable_[row[i + 1]][1]][1] +
            grayWeights_[colorTable_[row[i + 2]][0]][0];
    if (g == 0) g = 1;
    g = std::min(g, 255);
    if (hasGrayZones_) {
      row[i] = grayZoneTable_[std::size_t(g)][0];
      row[i + 1] = grayZoneTable_[std::size_t(g)][1];
      row[i + 2] = grayZoneTable_[std::size_t(g)][2];
    } else {
      row[i] = row[i + 1] = row[i + 2] = std::uint8_t(g);
    }
  }
}

void TGIS_LayerPixel::ApplyFullRgbMap(std::uint8_t* row, int byteCount) const {
  for (int i = 0; i + 2 < byteCount; i += 3) {
    if (fullRgbMask_[row[i]][0] && fullRgbMask_[row[i + 1]][1] && fullRgbMask_[row[i + 2]][2]) {
      row[i] = fullRgbTable_[row[i]][0];
      row[i + 1] = fullRgbTable_[row[i + 1]][1];
      row[i + 2] = fullRgbTable_[row[i + 2]][2];
    }
  }
}

void TGIS_LayerPixel::ApplyPipeline(std::uint8_t* row, int byteCount) const {
  TGIS_ParamsPixel& px = const_cast<TGIS_LayerPixel*>(this)->PixelParams();
  if (px.GrayScale())
    ApplyGrayScale(row, byteCount);
  else if (useColorTable_)
    ApplyColorTable(row, byteCount);
  if (hasFullRgbZones_) ApplyFullRgbMap(row, byteCount);
}

bool TGIS_LayerPixel::IsTransparentPixel(const std::uint8_t* p) const {
  return transparentMask_[p[0]][0] && transparentMask_[p[1]][1] && transparentMask_[p[2]][2];
}

// ---- histogram
// ------------------------------------------------------------------------------------

void TGIS_LayerPixel::AddToHistogram(const std::uint8_t* row, int byteCount) {
  for (int i = 0; i + 2 < byteCount; i += 3) {
    if (hasTransparency_ && IsTransparentPixel(row + i)) continue;
    for (int k = 0; k < 3; ++k)
      ++channelHistograms_[std::size_t(k)][row[i + k]];
  }
  for (int i = 0; i < 256; ++i) {
    const double v = 0.35 * channelHistograms_[2][std::size_t(i)] +
                     0.45 * channelHistograms_[1][std::size_t(i)] +
                     0.2 * channelHistograms_[0][std::size_t(i)];
    histogram_[std::size_t(i)] = std::uint32_t(Round(v));
  }
}

void TGIS_LayerPixel::ComputeHistogram(double fraction) {
  WakeUp();
  for (auto& h : channelHistograms_)
    h.fill(0);
  histogram_.fill(0);
  histogramReady_ = false;
  histogramEqualised_ = false;
  if (readHeight_ <= 0 || outLineBytes_ <= 0 || lineReader_ == nullptr) return;
  int n = fraction >= 0 ? int(Trunc(readHeight_ * std::min(fraction, 1.0))) : 200;
  n = std::min(n, readHeight_);
  const double s = GetOverviewScale(readHeight_, n);
  std::vector<std::uint8_t> row(std::size_t(outLineBytes_) + 3);
  const int bytes = std::min(int(Trunc(s * outLineBytes_)), readWidth_ * 3);
  Int64 acc = readHeight_;
  int taken = 0;
  for (int d = 0; d < readHeight_ && taken < n; ++d) {
    if (acc >= readHeight_) {
      const int r = std::min(int(Trunc(s * d)), readHeight_ - 1);
      const int got = CallLineReader(row.data(), r, bytes, 0);
      AddToHistogram(row.data(), got);
      acc -= readHeight_;
      ++taken;
    }
    acc += n;
  }
  histogramReady_ = true;
}
