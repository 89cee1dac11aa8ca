// TGIS_LayerADF: the grid's files, tiles and their row readers.
#include "gis/raster/GisLayerADF.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// the largest row buffer (cells) and side the layer accepts from a header
constexpr std::int64_t kMaxCells = std::int64_t(1) << 24;
// tiles are written whole into the row buffer: a side beyond this is damage
constexpr int kMaxTileSide = 65536;

std::uint32_t BE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint16_t BE16(const std::uint8_t* p) {
  return std::uint16_t(p[0] << 8 | p[1]);
}
double BEDouble(const std::uint8_t* p) {
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i)
    b[i] = p[7 - i];
  double d;
  std::memcpy(&d, b, 8);
  return d;
}
float BEFloat(const std::uint8_t* p) {
  const std::uint32_t u = BE32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

/// Exactly `n` bytes at `offset` of a stream of `size` bytes; false when it
/// holds fewer (checked before any call, so that misses cost nothing).
bool ReadAt(TStream& s, std::int64_t size, std::int64_t offset, void* buffer, std::int64_t n) {
  if (offset < 0 || n < 0 || offset > size || n > size - offset) return false;
  s.SetPosition(offset);
  return s.Read(buffer, n) == n;
}

/// The same, asking the stream for its size.
bool ReadAt(TStream& s, std::int64_t offset, void* buffer, std::int64_t n) {
  return ReadAt(s, s.Size(), offset, buffer, n);
}

/// A whole small file, or nothing when it is missing.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::int64_t atLeast) {
  if (path.empty()) return false;
  TFileStream f(path, fmOpenRead | fmShareDenyNone);
  const std::int64_t n = std::min<std::int64_t>(f.Size(), 4096);
  if (n < atLeast) throw EReadError("file too short");
  bytes.resize(std::size_t(n));
  return ReadAt(f, 0, bytes.data(), n);
}

} // namespace

TGIS_LayerADF::TGIS_LayerADF() {
  SetGridLayerDefaults();
}

TGIS_LayerADF::~TGIS_LayerADF() {
  tiles_.clear();
  indexStream_.reset();
}

// ---- Open ---------------------------------------------------------------------------------

void TGIS_LayerADF::Open() {
  try {
    if (SameText(ExtractFileExt(path_), ".adf")) {
      folder_ = ExtractFilePath(path_);
      path_ = folder_ + "w001001.adf";
    } else {
      folder_ = ExtractFilePath(path_);
    }
    bool missing = false;
    std::vector<std::uint8_t> b;
    // the header
    if (ReadFileBytes(GisFindFileCaseless(folder_ + "hdr.adf"), b, 308)) {
      cellType_ = int(BE32(b.data() + 16));
      if (cellType_ != 1 && cellType_ != 2) throw EReadError("unknown cell type");
      noDataValue_ = cellType_ == 1 ? -2147483648.0f : -3.4028235e38f;
      PixelParams().SetGridNoValue(noDataValue_);
      transparentMask_[0] = {true, true, true};
      cellWidth_ = BEDouble(b.data() + 256);
      cellHeight_ = BEDouble(b.data() + 264);
      pixelSizeX_ = cellWidth_;
      pixelSizeY_ = -cellHeight_;
      tilesPerRow_ = int(BE32(b.data() + 288));
      tilesPerColumn_ = int(BE32(b.data() + 292));
      tileWidth_ = int(BE32(b.data() + 296));
      tileHeight_ = int(BE32(b.data() + 304));
      if (tilesPerRow_ <= 0 || tilesPerColumn_ <= 0 || tileWidth_ <= 0 || tileHeight_ <= 0 ||
          std::int64_t(tilesPerRow_) * tileWidth_ > kMaxCells || tileWidth_ > kMaxTileSide ||
          tileHeight_ > kMaxTileSide || std::int64_t(tileWidth_) * tileHeight_ > kMaxCells ||
          !(cellWidth_ > 0) || !(cellHeight_ > 0) || !std::isfinite(cellWidth_) ||
          !std::isfinite(cellHeight_))
        throw EReadError("bad header sizes");
    } else {
      missing = true;
    }
    // the statistics
    if (ReadFileBytes(GisFindFileCaseless(folder_ + "sta.adf"), b, 16)) {
      minValue_ = float(BEDouble(b.data()));
      maxValue_ = float(BEDouble(b.data() + 8));
    } else {
      minValue_ = maxValue_ = 0;
    }
    // the bounds
    TGIS_Extent bounds = GisExtent(0, 0, 0, 0);
    try {
      if (ReadFileBytes(GisFindFileCaseless(folder_ + "dblbnd.adf"), b, 32))
        bounds = GisExtent(BEDouble(b.data()), BEDouble(b.data() + 8), BEDouble(b.data() + 16),
                           BEDouble(b.data() + 24));
      else
        missing = true;
    } catch (const Exception&) {
      pixelSizeX_ = pixelSizeY_ = 0;
    }
    if (GisFindFileCaseless(folder_ + "w001001.adf").empty() ||
        GisFindFileCaseless(folder_ + "w001001x.adf").empty())
      missing = true;
    width_ = height_ = 0;
    if (!missing && cellWidth_ > 0 && cellHeight_ > 0) {
      const double w = (bounds.XMax - bounds.XMin) / cellWidth_;
      const double h = (bounds.YMax - bounds.YMin) / cellHeight_;
      if (!(w >= 0.5) || !(h >= 0.5) || w > double(kMaxCells) || h > double(kMaxCells))
        throw EReadError("bad bounds");
      width_ = int(Round(w));
      height_ = int(Round(h));
      if (width_ > tilesPerRow_ * tileWidth_) throw EReadError("grid wider than its tiles");
    }
    bitsPerPixel_ = 24;
    paletteCount_ = 0;
    ResetPictureHeader(24);
    info_.Info.bmiHeader.biSize = 40;
    outBitsPerPixel_ = 24;
    lineBytes_ = outLineBytes_ = width_ * 3;
    if (missing) {
      SetExtent(GisExtent(0, 0, 0, 0));
    } else {
      SetExtent(bounds);
      pixelSizeX_ = cellWidth_;
      pixelSizeY_ = -cellHeight_;
      OpenTiles();
    }
    // the tile columns the grid uses, each at full tile width
    const std::size_t columns = std::size_t((width_ + std::max(tileWidth_, 1) - 1) / std::max(tileWidth_, 1));
    rowBuffer_.assign(std::max<std::size_t>(columns, 1) * std::size_t(std::max(tileWidth_, 1)),
                      noDataValue_);
    rowHeld_ = -1;
    if (minValue_ == 0 && maxValue_ == 0 && width_ > 0 && height_ > 0) {
      minValue_ = 3.4e38f;
      maxValue_ = -3.4e38f;
      ScanGridRange(-1);
    }
    isGrid_ = true;
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  SetFileInfo(Format("Arc/Info Binary Grid (ADF)\r\n%d x %d; ", {width_, height_}) +
              (cellType_ == 1 ? "integers" : "floats"));
}

void TGIS_LayerADF::OpenTiles() {
  const std::string data = GisFindFileCaseless(folder_ + "w001001.adf");
  const std::string index = GisFindFileCaseless(folder_ + "w001001x.adf");
  if (data.empty() || index.empty()) return;
  fileStream_ = std::make_unique<TFileStream>(data, fmOpenRead | fmShareDenyNone);
  indexStream_ = std::make_unique<TFileStream>(index, fmOpenRead | fmShareDenyNone);
  dataSize_ = fileStream_->Size();
  indexSize_ = indexStream_->Size();
  tiles_.clear();
  // one tile info per tile column the grid uses (a header may name more)
  tiles_.resize(std::size_t((width_ + tileWidth_ - 1) / std::max(tileWidth_, 1)));
}

void TGIS_LayerADF::WakeUp() {
  if (fileStream_ || width_ == 0) return;
  try {
    OpenTiles();
  } catch (const Exception&) {
    fileStream_.reset(); // reading reports it
    indexStream_.reset();
  }
}

void TGIS_LayerADF::MakeDormant() {
  tiles_.clear();
  indexStream_.reset();
  TGIS_LayerPixel::MakeDormant();
}

// ---- tiles ----------------------------------------------------------------------------------

void TGIS_LayerADF::LoadTileInfo(std::int64_t tileIndex) {
  T_TileInfo& tile = tiles_[std::size_t(tileIndex % tilesPerRow_)];
  if (tile.Valid && tile.Index == tileIndex) return;
  tile.Valid = false;
  tile.Decoder.reset();
  tile.Data.clear();
  tile.Index = tileIndex;
  const int column = int(tileIndex % tilesPerRow_);
  tile.VisibleWidth = std::min(tileWidth_, width_ - column * tileWidth_);
  tile.Reader = &TGIS_LayerADF::ReadTileMissing;
  std::uint8_t entry[8];
  // a tile outside the index or the data file, or of no size, is no data
  if (!ReadAt(*indexStream_, indexSize_, 100 + 8 * tileIndex, entry, 8)) {
    tile.Valid = true;
    return;
  }
  const std::int64_t offset = std::int64_t(BE32(entry)) * 2;
  const std::int64_t size = std::int64_t(BE32(entry + 4)) * 2;
  if (size <= 0 || offset < 0 || offset >= dataSize_ || offset + 2 + size > dataSize_ + 2) {
    tile.Valid = true;
    return;
  }
  if (cellType_ == 2) {
    tile.DataOffset = offset + 2;
    tile.DataSize = std::min<std::int64_t>(size, dataSize_ - tile.DataOffset);
    tile.Reader = &TGIS_LayerADF::ReadTileFloat;
  } else {
    std::uint8_t head[2 + 8];
    std::memset(head, 0, sizeof head);
    if (!ReadAt(*fileStream_, dataSize_, offset + 2, head, std::min<std::int64_t>(10, dataSize_ - offset - 2))) {
      tile.Valid = true;
      return;
    }
    tile.Type = head[0];
    const int minSize = head[1];
    int minBytes = 4;
    switch (minSize) {
    case 0: tile.Minimum = 0; minBytes = 0; break;
    case 1: tile.Minimum = head[2]; minBytes = 1; break;
    case 2: tile.Minimum = BE16(head + 2); minBytes = 2; break;
    case 4: case 127: tile.Minimum = std::int32_t(BE32(head + 2)); break;
    case 8: tile.Minimum = std::int32_t(BE32(head + 2)); minBytes = 8; break;
    default: // the minimum of the tile read before stays
      break;
    }
    tile.DataOffset = offset + 4 + minBytes;
    tile.DataSize = std::min<std::int64_t>(size - (minBytes + 2), dataSize_ - tile.DataOffset);
    switch (tile.Type) {
    case 0x01: tile.Reader = &TGIS_LayerADF::ReadTile1Bit; break;
    case 0x04: tile.Reader = &TGIS_LayerADF::ReadTile4Bit; break;
    case 0x08: tile.Reader = &TGIS_LayerADF::ReadTile8Bit; break;
    case 0x10: tile.Reader = &TGIS_LayerADF::ReadTile16Bit; break;
    case 0xCF: tile.Reader = &TGIS_LayerADF::ReadTileRuns16; break;
    case 0xD7: tile.Reader = &TGIS_LayerADF::ReadTileRuns8; break;
    case 0xDF: tile.Reader = &TGIS_LayerADF::ReadTileRunsMin; break;
    case 0xE0: case 0xF0: case 0xF8: case 0xFC:
      tile.Reader = &TGIS_LayerADF::ReadTileRunLength;
      break;
    case 0xFF: tile.Reader = &TGIS_LayerADF::ReadTileCCITT; break;
    default: tile.Reader = &TGIS_LayerADF::ReadTileConstant; break;
    }
  }
  tile.DataSize = std::max<std::int64_t>(tile.DataSize, 0);
  // a tile holds at most its cells in 4 bytes each, plus a run byte for each
  const std::int64_t cap = std::int64_t(tileWidth_) * tileHeight_ * 5 + 16;
  tile.Data.resize(std::size_t(std::min(tile.DataSize, cap)));
  if (!tile.Data.empty() &&
      !ReadAt(*fileStream_, dataSize_, tile.DataOffset, tile.Data.data(), std::int64_t(tile.Data.size())))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  if (tile.Type == 0xFF && cellType_ == 1) SetUpTileDecoder(tile);
  tile.Valid = true;
}

void TGIS_LayerADF::SetUpTileDecoder(T_TileInfo& tile) {
  TGIS_FileTIFFDecodeState s;
  s.Kind = GIS_TIFF_DECODER_HUFFMAN;
  s.Strips = {TGIS_FileTIFFStrip{0, std::int64_t(tile.Data.size())}};
  s.RowsPerStrip = tileHeight_;
  s.ImageHeight = tileHeight_;
  s.RowBytes = (tileWidth_ + 7) / 8;
  s.RowPixels = tileWidth_;
  s.FillOrder = 1;
  tile.Decoder = std::make_unique<TGIS_FileTIFFDecoder>();
  tile.Decoder->SetState(s);
  tile.Decoder->SetData(tile.Data.data(), std::int64_t(tile.Data.size()));
  tile.Decoder->AllocateBuffers();
}

const std::uint8_t* TGIS_LayerADF::RawRow(const T_TileInfo& tile, int row, int rowBytes) const {
  const std::int64_t at = std::int64_t(row) * rowBytes;
  if (at + rowBytes > std::int64_t(tile.Data.size())) return nullptr;
  return tile.Data.data() + at;
}

void TGIS_LayerADF::ReadTileMissing(float* out, int, T_TileInfo& tile) {
  std::fill(out, out + tile.VisibleWidth, noDataValue_);
}

void TGIS_LayerADF::ReadTileConstant(float* out, int, T_TileInfo& tile) {
  std::fill(out, out + tileWidth_, float(tile.Minimum));
}

void TGIS_LayerADF::ReadTile1Bit(float* out, int row, T_TileInfo& tile) {
  const std::uint8_t* p = RawRow(tile, row, (tileWidth_ + 7) / 8);
  if (p == nullptr) return ReadTileMissing(out, row, tile);
  for (int i = 0; i < tile.VisibleWidth; ++i)
    out[i] = float(tile.Minimum + ((p[i / 8] & (0x80 >> (i % 8))) ? 1 : 0));
}

void TGIS_LayerADF::ReadTile4Bit(float* out, int row, T_TileInfo& tile) {
  const std::uint8_t* p = RawRow(tile, row, (tileWidth_ + 1) / 2);
  if (p == nullptr) return ReadTileMissing(out, row, tile);
  for (int i = 0; i < tile.VisibleWidth; ++i) // low nibble first
    out[i] = float(tile.Minimum + (i % 2 == 0 ? p[i / 2] & 0x0F : p[i / 2] >> 4));
}

void TGIS_LayerADF::ReadTile8Bit(float* out, int row, T_TileInfo& tile) {
  const std::uint8_t* p = RawRow(tile, row, tileWidth_);
  if (p == nullptr) return ReadTileMissing(out, row, tile);
  for (int i = 0; i < tile.VisibleWidth; ++i)
    out[i] = float(tile.Minimum + p[i]);
}

void TGIS_LayerADF::ReadTile16Bit(float* out, int row, T_TileInfo& tile) {
  const std::uint8_t* p = RawRow(tile, row, 2 * tileWidth_);
  if (p == nullptr) return ReadTileMissing(out, row, tile);
  for (int i = 0; i < tile.VisibleWidth; ++i)
    out[i] = float(tile.Minimum + BE16(p + 2 * i));
}

void TGIS_LayerADF::ReadTileFloat(float* out, int row, T_TileInfo& tile) {
  const std::uint8_t* p = RawRow(tile, row, 4 * tileWidth_);
  if (p == nullptr) return ReadTileMissing(out, row, tile);
  for (int i = 0; i < tile.VisibleWidth; ++i)
    out[i] = BEFloat(p + 4 * i);
}

template <class TRun>
void TGIS_LayerADF::WalkRuns(int row, T_TileInfo& tile, float* out, TRun run) {
  // cells are counted from the tile's start; the requested row's are written
  const std::int64_t first = std::int64_t(row) * tileWidth_;
  const std::int64_t last = first + tile.VisibleWidth; // exclusive
  const std::int64_t total = std::int64_t(tileWidth_) * tileHeight_;
  std::fill(out, out + tile.VisibleWidth, noDataValue_);
  std::int64_t cell = 0;
  std::size_t at = 0;
  const std::vector<std::uint8_t>& d = tile.Data;
  auto put = [&](std::int64_t count, float value) {
    count = std::min(count, total - cell);
    const std::int64_t from = std::max(cell, first), to = std::min(cell + count, last);
    for (std::int64_t c = from; c < to; ++c)
      out[c - first] = value;
    cell += std::max<std::int64_t>(count, 0);
  };
  while (cell < last && cell < total && at < d.size())
    if (!run(d, at, put)) break;
}

void TGIS_LayerADF::ReadTileRuns16(float* out, int row, T_TileInfo& tile) {
  ReadTileLiteralRuns(out, row, tile, 2);
}

void TGIS_LayerADF::ReadTileRuns8(float* out, int row, T_TileInfo& tile) {
  ReadTileLiteralRuns(out, row, tile, 1);
}

void TGIS_LayerADF::ReadTileLiteralRuns(float* out, int row, T_TileInfo& tile, int valueBytes) {
  WalkRuns(row, tile, out, [&](const std::vector<std::uint8_t>& d, std::size_t& at, auto& put) {
    const int n = d[at++];
    if (n >= 128) {
      put(256 - n, noDataValue_);
      return true;
    }
    for (int i = 0; i < n; ++i) {
      if (at + std::size_t(valueBytes) > d.size()) return false;
      put(1, float(tile.Minimum + (valueBytes == 2 ? BE16(&d[at]) : d[at])));
      at += std::size_t(valueBytes);
    }
    return true;
  });
}

void TGIS_LayerADF::ReadTileRunsMin(float* out, int row, T_TileInfo& tile) {
  WalkRuns(row, tile, out, [&](const std::vector<std::uint8_t>& d, std::size_t& at, auto& put) {
    const int n = d[at++];
    put(n >= 128 ? 256 - n : n, n >= 128 ? noDataValue_ : float(tile.Minimum));
    return true;
  });
}

void TGIS_LayerADF::ReadTileRunLength(float* out, int row, T_TileInfo& tile) {
  const int valueBytes = tile.Type == 0xE0 ? 4 : tile.Type == 0xF0 ? 2 : 1;
  WalkRuns(row, tile, out, [&](const std::vector<std::uint8_t>& d, std::size_t& at, auto& put) {
    if (at + 1 + std::size_t(valueBytes) > d.size()) return false;
    const int n = d[at++];
    std::int64_t v = valueBytes == 4   ? std::int32_t(BE32(&d[at]))
                     : valueBytes == 2 ? std::int16_t(BE16(&d[at]))
                                       : d[at];
    at += std::size_t(valueBytes);
    put(n, float(tile.Minimum + v));
    return true;
  });
}

void TGIS_LayerADF::ReadTileCCITT(float* out, int row, T_TileInfo& tile) {
  if (!tile.Decoder) return ReadTileMissing(out, row, tile);
  tile.Decoder->DecodeRowHuffman(row, 0);
  const std::uint8_t* bits = tile.Decoder->RowBuffer();
  for (int i = 0; i < tileWidth_; ++i)
    out[i] = float(tile.Minimum + ((bits[i / 8] & (0x80 >> (i % 8))) ? 1 : 0));
}

// ---- rows ---------------------------------------------------------------------------------

void TGIS_LayerADF::ReadGridRow(int row) {
  if (row == rowHeld_) return;
  if (row < 0 || row >= height_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  if (!fileStream_) WakeUp();
  if (!fileStream_ || !indexStream_ || tiles_.empty())
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  rowHeld_ = -1;
  const std::int64_t tileRow = row / tileHeight_;
  const int rowIn = row % tileHeight_;
  const int columns = (width_ + tileWidth_ - 1) / tileWidth_;
  for (int c = 0; c < columns; ++c) {
    LoadTileInfo(tileRow * tilesPerRow_ + c);
    T_TileInfo& tile = tiles_[std::size_t(c)];
    (this->*tile.Reader)(rowBuffer_.data() + std::size_t(c) * std::size_t(tileWidth_), rowIn, tile);
  }
  rowHeld_ = row;
}

void TGIS_LayerADF::ScanGridRange(double share) {
  GisSampleRows(height_, share, 200, [&](int r) {
    ReadGridRow(r);
    for (int i = 0; i < width_; ++i) {
      const float v = rowBuffer_[std::size_t(i)];
      if (v == noDataValue_ || std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerADF::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || row < 0 || row >= height_) return 0;
  ReadGridRow(row);
  for (int i = 0; i < pixels; ++i) {
    const float v = rowBuffer_[std::size_t(first + i)];
    PutGridPixel(buffer + 3 * i, v, !(v > noDataValue_));
  }
  return pixels * 3;
}

bool TGIS_LayerADF::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  ReadGridRow(cell.y);
  const float v = rowBuffer_[std::size_t(cell.x)];
  if (values.empty()) values.resize(1);
  values[0] = v;
  return v != noDataValue_;
}

int TGIS_LayerADF::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (row < 0 || row >= height_ || firstColumn < 0) return 0;
  const int n = std::min({count, width_ - firstColumn, int(values.size())});
  if (n <= 0) return 0;
  ReadGridRow(row);
  std::copy_n(rowBuffer_.begin() + firstColumn, n, values.begin());
  return n;
}
