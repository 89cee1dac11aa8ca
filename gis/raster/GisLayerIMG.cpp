// TGIS_LayerIMG: the HFA tree, block reading, band mapping and grids.
#include "gis/raster/GisLayerIMG.h"

#include "gis/raster/GisFileTIFF.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"

namespace {

const char* const kUnsupported = "0997 Unsupported IMG format";
constexpr int kMaxNodes = 100000;
constexpr std::int64_t kMaxSide = std::int64_t(1) << 24;

std::uint32_t LE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
std::uint16_t LE16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | p[1] << 8);
}
double LEDouble(const std::uint8_t* p) {
  double d;
  std::memcpy(&d, p, 8);
  return d;
}
std::string Text(const std::uint8_t* p, std::size_t n) {
  std::size_t len = 0;
  while (len < n && p[len] != 0)
    ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

[[noreturn]] void Unsupported() {
  throw EGIS_Exception(kUnsupported);
}

} // namespace

TGIS_LayerIMG::TGIS_LayerIMG() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
  minColor_ = 0x202020;
  maxColor_ = 0xFFFFFF;
  noDataColor_ = 0;
  hasAltitudeZones_ = false;
  noDataValue_ = 32768;
  PixelParams().SetGridNoValue(32768);
  transparentMask_[0] = {true, true, true};
}

std::vector<std::uint8_t> TGIS_LayerIMG::ReadAt(std::int64_t offset, std::int64_t count) {
  if (!fileStream_) WakeUp();
  if (!fileStream_ || offset < 0 || count < 0 || offset > fileSize_ || count > fileSize_ - offset)
    Unsupported();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  fileStream_->SetPosition(offset);
  if (count > 0 && fileStream_->Read(bytes.data(), count) != count) Unsupported();
  return bytes;
}

TGIS_HfaEntry TGIS_LayerIMG::ReadEntry(std::uint32_t offset) {
  const std::vector<std::uint8_t> b = ReadAt(offset, 124);
  TGIS_HfaEntry e;
  e.Next = LE32(b.data());
  e.Prev = LE32(b.data() + 4);
  e.Parent = LE32(b.data() + 8);
  e.Child = LE32(b.data() + 12);
  e.Data = LE32(b.data() + 16);
  e.DataSize = LE32(b.data() + 20);
  e.Name = Text(b.data() + 24, 64);
  e.Type = Text(b.data() + 88, 32);
  return e;
}

void TGIS_LayerIMG::ReadHfaNode(const TGIS_HfaEntry& node, TBand& band) {
  if (node.Type == "Edms_State") {
    const std::vector<std::uint8_t> d = ReadAt(node.Data, 26);
    const std::uint32_t count = LE32(d.data());
    const std::vector<std::uint8_t> table = ReadAt(LE32(d.data() + 18), std::int64_t(count) * 14);
    band.Blocks.assign(count, {});
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* r = table.data() + 14 * std::size_t(i);
      TBand::TBlock& b = band.Blocks[i];
      b.Offset = LE32(r + 2);
      b.Size = LE32(r + 6);
      b.Valid = LE16(r + 10) != 0;
      if (b.Valid && LE16(r + 12) != 0) Unsupported(); // compressed blocks are not read
      if (b.Valid && b.Offset + b.Size > fileSize_) Unsupported();
    }
  } else if (node.Type == "Eprj_MapInfo") {
    // five pointers (count, offset), each followed by its data
    std::int64_t at = node.Data;
    auto pointer = [&](std::int64_t size) {
      const std::vector<std::uint8_t> p = ReadAt(at, 8);
      const std::int64_t count = LE32(p.data()), offset = LE32(p.data() + 4);
      const std::vector<std::uint8_t> data = ReadAt(offset, size < 0 ? count : size);
      at = offset + std::int64_t(data.size());
      return data;
    };
    pointer(-1); // the projection name
    const std::vector<std::uint8_t> ul = pointer(16), lr = pointer(16), size = pointer(16);
    upperLeftX_ = LEDouble(ul.data());
    upperLeftY_ = LEDouble(ul.data() + 8);
    lowerRightX_ = LEDouble(lr.data());
    pixelWidth_ = LEDouble(size.data());
    pixelHeight_ = LEDouble(size.data() + 8);
    hasMapInfo_ = true;
  } else if (node.Type == "Esta_Statistics") {
    const std::vector<std::uint8_t> d = ReadAt(node.Data, 48);
    band.Min = LEDouble(d.data());
    band.Max = LEDouble(d.data() + 8);
    band.HasStatistics = true;
  }
}

bool TGIS_LayerIMG::ReadHfaTree() {
  if (fileSize_ < 20) return false;
  const std::vector<std::uint8_t> head = ReadAt(0, 20);
  if (Text(head.data(), 16) != "EHFA_HEADER_TAG") return false;
  const std::vector<std::uint8_t> record = ReadAt(LE32(head.data() + 16), 18);
  std::set<std::uint32_t> seen;
  auto visit = [&](std::uint32_t offset) {
    if (offset == 0 || offset >= fileSize_ || !seen.insert(offset).second ||
        int(seen.size()) > kMaxNodes)
      Unsupported(); // a loop, a node outside the file or a runaway tree
  };
  const std::uint32_t rootOffset = LE32(record.data() + 8);
  visit(rootOffset);
  const TGIS_HfaEntry root = ReadEntry(rootOffset);
  bands_.clear();
  for (std::uint32_t off = root.Child; off != 0;) {
    visit(off);
    const TGIS_HfaEntry e = ReadEntry(off);
    if (e.Type == "Eimg_Layer") {
      bands_.emplace_back();
      bands_.back().Entry = e;
    }
    off = e.Next;
  }
  if (bands_.empty()) Unsupported();
  for (TBand& band : bands_) {
    const std::vector<std::uint8_t> d = ReadAt(band.Entry.Data, 20);
    const std::int64_t w = LE32(d.data()), h = LE32(d.data() + 4);
    const std::int64_t bw = LE32(d.data() + 12), bh = LE32(d.data() + 16);
    if (w <= 0 || h <= 0 || bw <= 0 || bh <= 0 || w > kMaxSide || h > kMaxSide || bw > 65536 ||
        bh > 65536)
      Unsupported();
    if (&band != &bands_.front() && (w != width_ || h != height_ || bw != blockWidth_ || bh != blockHeight_))
      Unsupported(); // bands of different layouts
    width_ = int(w);
    height_ = int(h);
    blockWidth_ = int(bw);
    blockHeight_ = int(bh);
    pixelType_ = LE16(d.data() + 10);
    // every child of the band, in sibling order
    for (std::uint32_t off = band.Entry.Child; off != 0;) {
      visit(off);
      const TGIS_HfaEntry c = ReadEntry(off);
      ReadHfaNode(c, band);
      off = c.Next;
    }
  }
  bandCount_ = int(bands_.size());
  blocksAcross_ = (width_ + blockWidth_ - 1) / blockWidth_;
  const int blocksDown = (height_ + blockHeight_ - 1) / blockHeight_;
  const TBand& first = bands_.front();
  isGrid_ = isGridSource_ = false;
  switch (pixelType_) {
  case 0: bitsPerSample_ = 1; bytesPerSample_ = 1; break;
  case 2: bitsPerSample_ = 4; bytesPerSample_ = 1; break;
  case 3: case 4: bitsPerSample_ = 8; bytesPerSample_ = 1; break;
  case 5:
    if (!first.Blocks.empty() &&
        first.Blocks[0].Size / (std::int64_t(blockWidth_) * blockHeight_) == 2) {
      isGrid_ = true;
      bitsPerSample_ = 16;
      bytesPerSample_ = 2;
    } else {
      bitsPerSample_ = 8;
      bytesPerSample_ = 1;
    }
    break;
  case 6: bitsPerSample_ = 16; bytesPerSample_ = 2; break;
  case 9: isGrid_ = true; bitsPerSample_ = 32; bytesPerSample_ = 4; break;
  default: Unsupported();
  }
  // every band's blocks must be there and hold a full block
  const std::int64_t blockRow = bitsPerSample_ < 8 ? (std::int64_t(blockWidth_) * bitsPerSample_ + 7) / 8
                                                   : std::int64_t(blockWidth_) * bytesPerSample_;
  for (const TBand& band : bands_) {
    if (std::int64_t(band.Blocks.size()) < std::int64_t(blocksAcross_) * blocksDown) Unsupported();
    for (const TBand::TBlock& b : band.Blocks)
      if (b.Valid && b.Size < blockRow * blockHeight_) Unsupported();
  }
  if (isGrid_ || bitsPerSample_ == 8) {
    minValue_ = float(first.Min);
    maxValue_ = float(first.Max);
  }
  bitsPerPixel_ = isGrid_ ? 24 : bitsPerSample_;
  outLineBytes_ = width_ * 3;
  DefaultMapping();
  return true;
}

void TGIS_LayerIMG::DefaultMapping() {
  if (bandCount_ >= 4)
    bufferBand_ = {2, 3, 4};
  else if (bandCount_ == 3)
    bufferBand_ = {3, 2, 1};
  else
    bufferBand_ = {1, 1, 1};
  outputBuffer_ = {0, 1, 2};
}

void TGIS_LayerIMG::ApplyMapInfo() {
  if (hasMapInfo_ && pixelWidth_ != 0 && pixelHeight_ != 0 && std::isfinite(upperLeftX_) &&
      std::isfinite(upperLeftY_)) {
    pixelSizeY_ = -pixelHeight_;
    // one pixel wide: the map information's own pixel width
    pixelSizeX_ = width_ > 1 ? (lowerRightX_ - upperLeftX_) / (width_ - 1) : pixelWidth_;
    extent_ = GisExtent(upperLeftX_, upperLeftY_, upperLeftX_, upperLeftY_);
    projectedExtent_ = extent_;
  } else {
    pixelSizeX_ = pixelSizeY_ = 0;
    extent_ = GisExtent(0, 0, 0, 0);
    projectedExtent_ = extent_;
  }
}

void TGIS_LayerIMG::Open() {
  bool tagged = false;
  try {
    fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
    fileSize_ = fileStream_->Size();
    tagged = ReadHfaTree();
    if (tagged) {
      ResetPictureHeader(bitsPerPixel_);
      lineBytes_ = int((std::int64_t(width_) * bitsPerPixel_ + 7) / 8);
      if (bitsPerPixel_ <= 8) {
        paletteCount_ = 1 << bitsPerPixel_;
        SetGrayPalette();
        outBitsPerPixel_ = 24;
        outLineBytes_ = width_ * 3;
        info_.Info.bmiHeader.biBitCount = 24;
        paletteCount_ = 0;
      } else {
        outBitsPerPixel_ = bitsPerPixel_;
        outLineBytes_ = lineBytes_;
      }
    } else {
      width_ = height_ = 0;
    }
    if (!ReadWorldFile(".IGW")) ApplyMapInfo();
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    fileStream_.reset();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("IMG Erdas Layer\r\n%d x %d", {width_, height_}));
}

void TGIS_LayerIMG::SetLineReader(TLineReader& reader) {
  if (isGrid_ && bitsPerSample_ == 8)
    reader = static_cast<TLineReader>(&TGIS_LayerIMG::ReadGridLineColored8);
  else if (isGrid_)
    reader = static_cast<TLineReader>(&TGIS_LayerIMG::ReadLineColored);
  else
    reader = &TGIS_LayerPixel::ReadLine;
}

// ---- rows -------------------------------------------------------------------------------------

const std::uint8_t* TGIS_LayerIMG::BandRow(int band, int row) {
  TBand& b = bands_[std::size_t(std::clamp(band, 1, bandCount_) - 1)];
  if (b.RowIndex == row) return b.Row.data();
  const std::int64_t rowBytes = bitsPerSample_ < 8
                                    ? (std::int64_t(blockWidth_) * bitsPerSample_ + 7) / 8
                                    : std::int64_t(blockWidth_) * bytesPerSample_;
  b.Row.assign(std::size_t(rowBytes * blocksAcross_), 0);
  b.RowIndex = -1;
  const int blockRow = row / blockHeight_, rowIn = row % blockHeight_;
  try {
    for (int c = 0; c < blocksAcross_; ++c) {
      const TBand::TBlock& block = b.Blocks[std::size_t(blockRow) * std::size_t(blocksAcross_) + std::size_t(c)];
      if (!block.Valid) continue;
      const std::vector<std::uint8_t> bytes = ReadAt(block.Offset + rowIn * rowBytes, rowBytes);
      std::memcpy(b.Row.data() + std::size_t(c) * std::size_t(rowBytes), bytes.data(), bytes.size());
    }
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  b.RowIndex = row;
  return b.Row.data();
}

int TGIS_LayerIMG::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (row < 0 || row >= height_ || count <= 0 || offset < 0) return 0;
  if (bitsPerPixel_ < 8) {
    const int n = std::min(count, lineBytes_ - offset);
    if (n <= 0) return 0;
    const std::uint8_t* src = BandRow(bufferBand_[0], row) + offset;
    for (int i = 0; i < n; ++i) // least significant bit or nibble first, as the base reads them
      buffer[i] = bitsPerPixel_ == 1 ? GisReverseBits(src[i]) : std::uint8_t(src[i] << 4 | src[i] >> 4);
    return n;
  }
  if (bitsPerPixel_ != 8) return 0; // 16-bit images deliver nothing
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0) return 0;
  for (int k = 0; k < 3; ++k) {
    const int buffer0 = outputBuffer_[std::size_t(k)];
    const int band = bufferBand_[std::size_t(buffer0)];
    const std::uint8_t* src = BandRow(band, row) + first;
    const double max = bands_[std::size_t(band - 1)].Max;
    const int divisor = max > 0 ? int(Round(std::min(max, 1e9))) : 0;
    for (int i = 0; i < pixels; ++i) {
      int v = bandLut_[src[i]][std::size_t(buffer0)];
      if (divisor > 0) {
        v = v * 255 / divisor;
        if (v > 254) v = 255;
      }
      buffer[3 * i + k] = std::uint8_t(v);
    }
  }
  return pixels * 3;
}

int TGIS_LayerIMG::GridBandIndex() const {
  return gridBandInUse_ >= 1 && gridBandInUse_ <= bandCount_ ? gridBandInUse_ : bufferBand_[0];
}

float TGIS_LayerIMG::GridValue(int band, int column, int row) {
  const std::uint8_t* p = BandRow(band, row);
  if (bitsPerSample_ == 16) return float(LE16(p + 2 * column));
  if (bitsPerSample_ == 32) {
    const std::uint32_t u = LE32(p + 4 * column);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
  return float(p[column]);
}

int TGIS_LayerIMG::ReadLineColored(std::uint8_t* buffer, int row, int count, int offset) {
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || row < 0 || row >= height_) return 0;
  const int band = GridBandIndex();
  for (int i = 0; i < pixels; ++i) {
    float v = GridValue(band, first + i, row);
    if (v > maxValue_) v = maxValue_;
    PutGridPixel(buffer + 3 * i, v, v == noDataValue_);
  }
  return pixels * 3;
}

int TGIS_LayerIMG::ReadGridLineColored8(std::uint8_t* buffer, int row, int count, int offset) {
  return ReadLineColored(buffer, row, count, offset);
}

bool TGIS_LayerIMG::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_ || bands_.empty())
    return false;
  const float v = GridValue(GridBandIndex(), cell.x, cell.y);
  if (values.empty()) values.resize(1);
  values[0] = v;
  return v != noDataValue_;
}

int TGIS_LayerIMG::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (row < 0 || row >= height_ || firstColumn < 0 || bands_.empty()) return 0;
  const int n = std::min({count, width_ - firstColumn, int(values.size())});
  if (n <= 0) return 0;
  const int band = GridBandIndex();
  for (int i = 0; i < n; ++i)
    values[std::size_t(i)] = GridValue(band, firstColumn + i, row);
  return n;
}

void TGIS_LayerIMG::ScanGridRange(double share) {
  WakeUp();
  minValue_ = 3.4e38f;
  maxValue_ = -3.4e38f;
  std::vector<float> row(static_cast<std::size_t>(width_));
  GisSampleRows(height_, share, 900, [&](int r) {
    const int n = ReadGridLine(row, r, width_, 0);
    for (int i = 0; i < n; ++i) {
      const float v = row[std::size_t(i)];
      if (v == noDataValue_ || std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

// ---- Prepare ----------------------------------------------------------------------------------

void TGIS_LayerIMG::Prepare() {
  TGIS_ParamsPixel& px = PixelParams();
  const int bandBefore = gridBandInUse_;
  ApplyGridBandParameter();
  if (gridBandInUse_ != 0) {
    bufferBand_ = {gridBandInUse_, gridBandInUse_, gridBandInUse_};
    outputBuffer_ = {0, 0, 0};
  } else if (bandBefore != 0) {
    DefaultMapping();
  }
  if (float(px.GridNoValue()) != noDataValue_) noDataValue_ = float(px.GridNoValue());
  const bool gridMode = isGrid_ && (isGridSource_ || gridBandInUse_ != 0);
  if (gridMode && width_ > 0 && height_ > 0) ScanGridRange(-1);
  if (!gridMode && bandCount_ > 1) {
    const int wanted[3] = {px.BlueBand(), px.GreenBand(), px.RedBand()};
    const int defaults[3] = {bandCount_ >= 4 ? 2 : bandCount_ == 3 ? 3 : 1,
                             bandCount_ >= 4 ? 3 : bandCount_ == 3 ? 2 : 1,
                             bandCount_ >= 4 ? 4 : 1};
    for (int k = 0; k < 3; ++k) {
      if (wanted[k] == appliedParams_[std::size_t(k)]) continue;
      appliedParams_[std::size_t(k)] = wanted[k];
      if (wanted[k] == -1) {
        ZeroBandLut(k);
        channelOff_[std::size_t(k)] = true;
        continue;
      }
      if (channelOff_[std::size_t(k)]) {
        IdentityBandLut(k);
        channelOff_[std::size_t(k)] = false;
      }
      bufferBand_[std::size_t(k)] = wanted[k] > 0 ? std::min(wanted[k], bandCount_) : defaults[k];
    }
  }
  TGIS_LayerPixel::Prepare();
  bandIndex_ = {0, 1, 2}; // the bands are mapped while reading
}
