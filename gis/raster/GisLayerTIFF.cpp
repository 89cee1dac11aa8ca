// TGIS_LayerTIFF: header and pages, GeoTIFF placement, reading of stored and
// compressed rows, planar images, 16-bit RGB and grid data.
#include "gis/raster/GisLayerTIFF.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

const char* const kUnsupportedTIFF = "0997 Unsupported TIFF format";

// The largest row the layer reads (bytes of one stored row of one plane) and
// the largest image side: beyond them the header is taken as damaged.
constexpr std::int64_t kMaxRowBytes = std::int64_t(8) << 20;
constexpr std::int64_t kMaxTIFFSide = std::int64_t(1) << 22;

[[noreturn]] void Invalid() {
  throw EReadError("invalid TIFF directory");
}

int TypeSize(int type) {
  switch (type) {
  case 1: case 2: case 6: case 7:
    return 1;
  case 3: case 8:
    return 2;
  case 4: case 9: case 11:
    return 4;
  case 5: case 10: case 12:
    return 8;
  default:
    return 0;
  }
}

std::uint16_t Get16(const std::uint8_t* p, bool be) {
  return be ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
}

std::uint32_t Get32(const std::uint8_t* p, bool be) {
  return be ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
                  p[3]
            : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 |
                  p[0];
}

double GetDouble(const std::uint8_t* p, bool be) {
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i)
    b[i] = be ? p[7 - i] : p[i];
  double d;
  std::memcpy(&d, b, 8);
  return d;
}

float GetFloat(const std::uint8_t* p, bool be) {
  const std::uint32_t u = Get32(p, be);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

} // namespace

// ---- TGIS_LayerTIFF ----------------------------------------------------------------------------

TGIS_LayerTIFF::TGIS_LayerTIFF() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerTIFF::~TGIS_LayerTIFF() {
  decoders_.clear();
  mapping_.reset();
}

void TGIS_LayerTIFF::ReadFailure() const {
  throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
}

void TGIS_LayerTIFF::OpenFile() {
  fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
  fileSize_ = fileStream_->Size();
}

std::vector<std::uint8_t> TGIS_LayerTIFF::ReadBytesAt(std::int64_t offset, std::int64_t count) {
  if (!fileStream_) OpenFile();
  if (offset < 0 || count < 0 || offset > fileSize_ || count > fileSize_ - offset) Invalid();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  fileStream_->SetPosition(offset);
  if (count > 0 && fileStream_->Read(bytes.data(), count) != count) Invalid();
  return bytes;
}

// ---- header and pages ----------------------------------------------------------------------

void TGIS_LayerTIFF::Open() {
  try {
    OpenFile();
    const std::vector<std::uint8_t> head = ReadBytesAt(0, 8);
    const std::uint16_t order = std::uint16_t(head[0] | head[1] << 8);
    if (order != 0x4949 && order != 0x4D4D) Invalid();
    bigEndian_ = order == 0x4D4D;
    if (Get16(head.data() + 2, bigEndian_) != 42) Invalid();
    firstIfd_ = Get32(head.data() + 4, bigEndian_);
    isGrid_ = false;
    bandCount_ = 3;
    pageCount_ = CountPages();
    currentPage_ = 1;
  } catch (const Exception&) {
    fileStream_.reset();
    throw EGIS_Exception(kUnsupportedTIFF, path_);
  }
  ReadPage(1);
}

int TGIS_LayerTIFF::CountPages() {
  int count = 1;
  std::int64_t offset = firstIfd_;
  for (;;) {
    const std::vector<std::uint8_t> n = ReadBytesAt(offset, 2);
    const std::int64_t at = offset + 2 + 12 * std::int64_t(Get16(n.data(), bigEndian_));
    if (at + 4 > fileSize_) break;
    const std::int64_t next = Get32(ReadBytesAt(at, 4).data(), bigEndian_);
    if (next <= 0 || next >= fileSize_ || next <= offset) break;
    ++count;
    offset = next;
  }
  return count;
}

std::int64_t TGIS_LayerTIFF::PageOffset(int page) {
  std::int64_t offset = firstIfd_;
  for (int i = 1; i < page; ++i) {
    const std::vector<std::uint8_t> n = ReadBytesAt(offset, 2);
    const std::int64_t next =
        Get32(ReadBytesAt(offset + 2 + 12 * std::int64_t(Get16(n.data(), bigEndian_)), 4).data(),
              bigEndian_);
    if (next == 0) break;
    offset = next;
  }
  return offset;
}

void TGIS_LayerTIFF::ReadDirectory(std::int64_t offset) {
  const int count = Get16(ReadBytesAt(offset, 2).data(), bigEndian_);
  if (count < 1) Invalid();
  const std::vector<std::uint8_t> raw = ReadBytesAt(offset + 2, 12 * std::int64_t(count));
  entries_.assign(std::size_t(count), TGIS_TIFFEntry{});
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* p = raw.data() + 12 * i;
    TGIS_TIFFEntry& e = entries_[std::size_t(i)];
    e.Tag = Get16(p, bigEndian_);
    e.Type = Get16(p + 2, bigEndian_);
    e.Count = Get32(p + 4, bigEndian_);
    std::memcpy(e.Value, p + 8, 4);
  }
}

const TGIS_TIFFEntry* TGIS_LayerTIFF::FindTag(int tag) const {
  for (const TGIS_TIFFEntry& e : entries_)
    if (e.Tag == tag) return &e;
  return nullptr;
}

std::vector<std::uint64_t> TGIS_LayerTIFF::ReadValues(const TGIS_TIFFEntry& e, std::size_t atMost) {
  const int size = TypeSize(e.Type);
  if (size == 0 || size > 4) Invalid();
  const std::int64_t total = std::int64_t(e.Count) * size;
  const std::size_t n = std::min<std::size_t>(e.Count, atMost);
  std::vector<std::uint8_t> bytes;
  if (total <= 4)
    bytes.assign(e.Value, e.Value + 4);
  else
    bytes = ReadBytesAt(Get32(e.Value, bigEndian_), std::int64_t(n) * size);
  std::vector<std::uint64_t> values(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = bytes.data() + i * std::size_t(size);
    values[i] = size == 1 ? *p : size == 2 ? Get16(p, bigEndian_) : Get32(p, bigEndian_);
  }
  return values;
}

std::vector<double> TGIS_LayerTIFF::ReadDoubles(const TGIS_TIFFEntry& e) {
  if (e.Type != 12 || e.Count == 0) return {};
  const std::vector<std::uint8_t> bytes =
      ReadBytesAt(Get32(e.Value, bigEndian_), std::int64_t(e.Count) * 8);
  std::vector<double> values(e.Count);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = GetDouble(bytes.data() + 8 * i, bigEndian_);
  return values;
}

std::uint32_t TGIS_LayerTIFF::Scalar(int tag, std::uint32_t fallback) {
  const TGIS_TIFFEntry* e = FindTag(tag);
  if (e == nullptr || e->Count == 0) return fallback;
  return std::uint32_t(ReadValues(*e, 1)[0]);
}

void TGIS_LayerTIFF::ReadPage(int page) {
  try {
    if (!fileStream_) OpenFile();
    ReadDirectory(page == 1 ? firstIfd_ : PageOffset(page));
    ReadPageFields();
    ReadStripTable();
    if (!ReadWorldFile(".TFW")) {
      pixelSizeX_ = pixelSizeY_ = 0;
    }
    if (rgb16_) sampleDivisor_ = ComputeSampleDivisor();
    hasTiePoint_ = false;
    if (pixelSizeX_ == 0 && pixelSizeY_ == 0) ReadGeoTiff();
    const TGIS_TIFFEntry* soft = FindTag(305);
    software_.clear();
    if (soft != nullptr && soft->Count > 0) {
      std::vector<std::uint64_t> chars = ReadValues(*soft, 50);
      for (std::uint64_t c : chars) {
        if (c == 0) break;
        software_ += char(c);
      }
    }
    infoText_ = Description();
    if (gridData_) {
      gridRow_.assign(std::size_t(width_), 0.0f);
      gridRowIndex_ = -1;
      noDataValue_ = gridBits_ == 16 && gridFormat_ == 2 ? -32768.0f : 32768.0f;
      PixelParams().SetGridNoValue(noDataValue_);
      minColor_ = 0x202020;
      maxColor_ = 0xFFFFFF;
      noDataColor_ = 0;
      hasAltitudeZones_ = false;
      transparentMask_[0] = {true, true, true};
      ScanGridRange(-1);
    }
    fileStream_.reset();
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    fileStream_.reset();
    throw EGIS_Exception(kUnsupportedTIFF, path_);
  }
  SetFileInfo(infoText_);
}

void TGIS_LayerTIFF::ReadPageFields() {
  const std::uint32_t compression = Scalar(259, 1);
  switch (compression) {
  case 1: kind_ = GIS_TIFF_DECODER_NONE; break;
  case 2: kind_ = GIS_TIFF_DECODER_HUFFMAN; break;
  case 4: kind_ = GIS_TIFF_DECODER_GROUP4; break; // uncompressed mode allowed or not
  case 5: kind_ = GIS_TIFF_DECODER_LZW; break;
  case 7: kind_ = GIS_TIFF_DECODER_JPEG; break;
  case 32773: kind_ = GIS_TIFF_DECODER_PACKBITS; break;
  default: Invalid();
  }
  fillOrder_ = std::uint16_t(Scalar(266, 1));
  const std::uint32_t predictor = kind_ == GIS_TIFF_DECODER_LZW ? Scalar(317, 1) : 1;
  if (predictor == 3) Invalid(); // floating-point differencing
  predictor_ = predictor == 2;
  const TGIS_TIFFEntry* photoEntry = FindTag(262);
  if (photoEntry == nullptr) Invalid();
  std::uint32_t photometric = Scalar(262, 0);
  const TGIS_TIFFEntry* bpsEntry = FindTag(258);
  const int bpsCount = bpsEntry != nullptr ? int(std::min<std::uint32_t>(bpsEntry->Count, 64)) : 0;
  bitsPerSample_ = bpsEntry != nullptr && bpsCount > 0 ? int(ReadValues(*bpsEntry, 1)[0]) : 1;
  samples_ = int(Scalar(277, std::uint32_t(std::max(bpsCount, 1))));
  if (samples_ < 1 || samples_ > 64) Invalid();
  const std::uint32_t sampleFormat = Scalar(339, 1);
  extraBytes_ = 0;
  rgb16_ = grayscale_ = gridData_ = false;
  isGrid_ = false;
  gridRow_.clear();
  jpegTables_.clear();
  if (const TGIS_TIFFEntry* t = FindTag(347); t != nullptr && kind_ == GIS_TIFF_DECODER_JPEG) {
    const std::vector<std::uint64_t> v = ReadValues(*t, t->Count);
    jpegTables_.assign(v.begin(), v.end());
    if (photometric == 1) // keep the first set of tables only
      for (std::size_t i = 0; i + 1 < jpegTables_.size(); ++i)
        if (jpegTables_[i] == 0xFF && jpegTables_[i + 1] == 0xD9) {
          jpegTables_.resize(i + 2);
          break;
        }
  }
  int depth = 0;
  if (kind_ == GIS_TIFF_DECODER_JPEG) {
    if (photometric != 1 && photometric != 2 && photometric != 6) Invalid();
    if (bitsPerSample_ != 8) Invalid();
    photometric = 2; // decoded to B,G,R whatever the colour space
    samples_ = 3;
    depth = 24;
  } else if (photometric == 0 || photometric == 1) {
    if (bitsPerSample_ == 1 || bitsPerSample_ == 4 || bitsPerSample_ == 8) {
      if (sampleFormat == 2 && bitsPerSample_ == 8) Invalid(); // signed bytes
      if (samples_ > 1 && bitsPerSample_ != 8) Invalid();
      depth = bitsPerSample_;
      extraBytes_ = samples_ - 1;
    } else if ((bitsPerSample_ == 16 || bitsPerSample_ == 32) && samples_ == 1) {
      if (sampleFormat < 1 || sampleFormat > 3 || (bitsPerSample_ == 16 && sampleFormat == 3))
        Invalid();
      gridData_ = true;
      gridBits_ = bitsPerSample_;
      gridFormat_ = int(sampleFormat);
      depth = 24;
    } else {
      Invalid();
    }
  } else if (photometric == 2) {
    if (samples_ < 3 || sampleFormat != 1) Invalid();
    if (bitsPerSample_ == 8) {
      extraBytes_ = samples_ - 3;
    } else if (bitsPerSample_ == 16) {
      rgb16_ = true;
      extraBytes_ = 2 * (samples_ - 3);
    } else {
      Invalid();
    }
    depth = 24;
  } else if (photometric == 3) {
    if (samples_ != 1 || (bitsPerSample_ != 1 && bitsPerSample_ != 4 && bitsPerSample_ != 8))
      Invalid();
    depth = bitsPerSample_;
  } else {
    Invalid();
  }
  chunky_ = !(Scalar(284, 1) == 2 && samples_ > 1 && kind_ != GIS_TIFF_DECODER_JPEG);
  if (!chunky_ && (photometric != 2 || bitsPerSample_ != 8)) Invalid();
  planes_ = chunky_ ? 1 : 3;
  storedPixelBits_ = chunky_ ? bitsPerSample_ * samples_ : bitsPerSample_;
  if ((kind_ == GIS_TIFF_DECODER_HUFFMAN || kind_ == GIS_TIFF_DECODER_GROUP4) &&
      storedPixelBits_ != 1)
    Invalid();
  bitsPerPixel_ = depth;
  const std::int64_t w = Scalar(256, 0), h = Scalar(257, 0);
  if (w <= 0 || h <= 0 || w > kMaxTIFFSide || h > kMaxTIFFSide) Invalid();
  width_ = int(w);
  height_ = int(h);
  readWidth_ = readHeight_ = 0;
  if ((w * storedPixelBits_ + 7) / 8 > kMaxRowBytes) Invalid();
  lineBytes_ = int((w * depth + 7) / 8);
  ResetPictureHeader(depth);
  paletteCount_ = depth <= 8 ? 1 << depth : 0;
  if (depth <= 8) {
    const TGIS_TIFFEntry* map = FindTag(320);
    if (map != nullptr && photometric == 3) {
      ReadColorMap(*map);
    } else {
      SetGrayPalette();
      if (depth == 8) grayscale_ = true;
      if (photometric == 0) InvertPalette(); // WhiteIsZero: 0 is white at every depth
    }
    outBitsPerPixel_ = 24;
    outLineBytes_ = width_ * 3;
    info_.Info.bmiHeader.biBitCount = 24;
    paletteCount_ = 0;
  } else {
    outBitsPerPixel_ = depth;
    outLineBytes_ = lineBytes_;
  }
}

void TGIS_LayerTIFF::ReadStripTable() {
  strips_.clear();
  const int planesInFile = chunky_ ? 1 : samples_;
  const TGIS_TIFFEntry* offsets = FindTag(273);
  const TGIS_TIFFEntry* counts = FindTag(279);
  if (offsets != nullptr) {
    tiled_ = false;
    const std::int64_t rps = Scalar(278, std::uint32_t(height_));
    if (rps <= 0) Invalid();
    rowsPerStrip_ = int(std::min<std::int64_t>(rps, height_));
    tileWidth_ = width_;
    tileLength_ = rowsPerStrip_;
    tilesAcross_ = 1;
    tilesDown_ = (height_ + rowsPerStrip_ - 1) / rowsPerStrip_;
  } else {
    offsets = FindTag(324);
    counts = FindTag(325);
    if (offsets == nullptr) Invalid();
    tiled_ = true;
    const std::int64_t tw = Scalar(322, 0), tl = Scalar(323, 0);
    if (tw <= 0 || tl <= 0 || tw > kMaxTIFFSide || tl > kMaxTIFFSide) Invalid();
    if ((tw * storedPixelBits_ + 7) / 8 > kMaxRowBytes) Invalid();
    tileWidth_ = int(tw);
    tileLength_ = int(tl);
    rowsPerStrip_ = tileLength_;
    tilesAcross_ = int((width_ + tw - 1) / tw);
    tilesDown_ = int((height_ + tl - 1) / tl);
  }
  const std::int64_t needed = std::int64_t(tilesAcross_) * tilesDown_ * planesInFile;
  if (offsets->Count < needed) Invalid();
  if (counts != nullptr && counts->Count != offsets->Count) Invalid();
  const std::vector<std::uint64_t> off = ReadValues(*offsets, std::size_t(needed));
  std::vector<std::uint64_t> cnt;
  if (counts != nullptr) {
    cnt = ReadValues(*counts, std::size_t(needed));
  } else if (tiled_) {
    cnt.assign(off.size(), std::uint64_t((std::int64_t(tileWidth_) * storedPixelBits_ + 7) / 8 *
                                         tileLength_));
  } else {
    cnt = off; // the offsets stand in for the counts (clamped to the file)
  }
  strips_.resize(off.size());
  for (std::size_t i = 0; i < off.size(); ++i)
    strips_[i] = TGIS_FileTIFFStrip{std::int64_t(off[i]), std::int64_t(cnt[i])};
}

void TGIS_LayerTIFF::ReadColorMap(const TGIS_TIFFEntry& e) {
  const std::vector<std::uint64_t> v = ReadValues(e, e.Count);
  const std::size_t n = v.size() / 3;
  for (std::size_t i = 0; i < std::min<std::size_t>(n, 256); ++i) {
    RGBQUAD& q = info_.Info.bmiColors[i];
    q.rgbRed = std::uint8_t(v[i] >> 8);
    q.rgbGreen = std::uint8_t(v[n + i] >> 8);
    q.rgbBlue = std::uint8_t(v[2 * n + i] >> 8);
  }
}

void TGIS_LayerTIFF::ReadGeoTiff() {
  std::vector<double> tie, scale;
  if (const TGIS_TIFFEntry* e = FindTag(33922)) tie = ReadDoubles(*e);
  if (const TGIS_TIFFEntry* e = FindTag(33550)) scale = ReadDoubles(*e);
  hasTiePoint_ = !tie.empty();
  // the raster type key (1025): 1 PixelIsArea (also when absent), 2 PixelIsPoint
  int rasterType = 1;
  if (const TGIS_TIFFEntry* e = FindTag(34735); e != nullptr && e->Type == 3) {
    const std::vector<std::uint64_t> keys = ReadValues(*e, e->Count);
    for (std::size_t i = 4; i + 3 < keys.size(); i += 4)
      if (keys[i] == 1025 && keys[i + 1] == 0) rasterType = int(keys[i + 3]);
  }
  if (scale.size() < 2 || tie.size() < 6) return;
  const double sx = scale[0], sy = scale[1];
  if (sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy)) return;
  double x0 = tie[3] - tie[0] * sx, y0 = tie[4] + tie[1] * sy;
  if (rasterType != 2) { // the tie point is the corner of its pixel
    x0 += sx / 2;
    y0 -= sy / 2;
  }
  if (!std::isfinite(x0) || !std::isfinite(y0)) return;
  SetExtent(GisExtent(x0, y0, x0, y0));
  pixelSizeX_ = sx;
  pixelSizeY_ = -sy;
}

std::string TGIS_LayerTIFF::Description() {
  const int bits = rgb16_ ? 48 : gridData_ ? gridBits_ : bitsPerPixel_;
  std::string text =
      Format(hasTiePoint_ ? "GeoTIFF - Tag Image File Format (TIF)\r\n%d x %d; %d bit "
                          : "TIFF - Tag Image File Format (TIF)\r\n%d x %d; %d bit",
             {width_, height_, bits});
  if (grayscale_) text += "; Grayscale";
  if (extraBytes_ > 0) text += Format("; %d byte(s) Alfa Associated", {extraBytes_});
  const char* name = "Unknown";
  switch (kind_) {
  case GIS_TIFF_DECODER_NONE: name = "None"; break;
  case GIS_TIFF_DECODER_PACKBITS: name = "Packbits"; break;
  case GIS_TIFF_DECODER_HUFFMAN: name = "CCITT Huffman RLE"; break;
  case GIS_TIFF_DECODER_LZW: name = "LZW"; break;
  case GIS_TIFF_DECODER_GROUP4: name = "CCITT Fax Group 4"; break;
  default: break;
  }
  text += std::string("; Compression: ") + name;
  text += Format("; %d/%d Page", {currentPage_, pageCount_});
  if (!software_.empty()) text += "\r\n +Software: " + software_;
  return text;
}

void TGIS_LayerTIFF::ClosePage() {
  decoders_.clear();
  mapping_.reset();
  entries_.clear();
  strips_.clear();
  pixelSizeX_ = pixelSizeY_ = 0;
  readWidth_ = readHeight_ = 0;
  gridRowIndex_ = -1;
  extent_ = GisExtent(0, 0, 0, 0);
  infoText_.clear();
}

void TGIS_LayerTIFF::SetPage(int page) {
  if (page < 1 || page > pageCount_ || page == currentPage_) return;
  ClosePage();
  currentPage_ = page;
  ReadPage(page);
}

void TGIS_LayerTIFF::Prepare() {
  TGIS_ParamsPixel& px = PixelParams();
  if (pageCount_ > 1 && px.Page() >= 1 && px.Page() <= pageCount_ && px.Page() != currentPage_)
    SetPage(px.Page());
  ApplyGridBandParameter();
  TGIS_LayerPixel::Prepare();
}

void TGIS_LayerTIFF::SetLineReader(TLineReader& reader) {
  if (gridData_)
    reader = static_cast<TLineReader>(&TGIS_LayerTIFF::ReadLineColored);
  else if (bitsPerPixel_ == 8)
    reader = &TGIS_LayerPixel::ReadLine8Bit;
  else if (!chunky_)
    reader = static_cast<TLineReader>(&TGIS_LayerTIFF::ReadPlanarLine);
  else
    reader = &TGIS_LayerPixel::ReadLine;
}

// ---- wake-up and decoders ----------------------------------------------------------------

void TGIS_LayerTIFF::WakeUp() {
  if (fileStream_) return;
  try {
    OpenFile();
  } catch (const Exception&) {
    fileStream_.reset(); // the reads report the failure
  }
  decoders_.clear();
}

void TGIS_LayerTIFF::MakeDormant() {
  decoders_.clear();
  mapping_.reset();
  TGIS_LayerPixel::MakeDormant();
}

std::int64_t TGIS_LayerTIFF::DecodedRows() const {
  std::int64_t n = 0;
  for (const auto& d : decoders_)
    if (d) n += d->DecodedRows();
  return n;
}

void TGIS_LayerTIFF::CreateDecoders() {
  decoders_.clear();
  decoders_.resize(std::size_t(planes_) * std::size_t(tilesAcross_));
  if (!mapping_) mapping_ = std::make_unique<TGIS_MappedStream>(path_, false);
}

TGIS_FileTIFFDecoder& TGIS_LayerTIFF::Decoder(int plane, int tileColumn) {
  if (decoders_.empty() || !mapping_) CreateDecoders();
  const std::size_t index = std::size_t(plane) * std::size_t(tilesAcross_) + std::size_t(tileColumn);
  if (index >= decoders_.size()) ReadFailure();
  std::unique_ptr<TGIS_FileTIFFDecoder>& d = decoders_[index];
  if (!d) {
    TGIS_FileTIFFDecodeState s;
    s.Kind = kind_;
    s.RowPixels = tileWidth_;
    s.RowBytes = int((std::int64_t(tileWidth_) * storedPixelBits_ + 7) / 8);
    s.RowsPerStrip = rowsPerStrip_;
    s.ImageHeight = height_;
    s.Strips = strips_;
    s.JpegTables = jpegTables_;
    s.PageCount = pageCount_;
    s.CurrentPage = currentPage_;
    s.FillOrder = fillOrder_;
    s.Predictor = predictor_ ? 1 : 0;
    s.SamplesPerPixel = chunky_ ? samples_ : 1;
    s.BitsPerSample = bitsPerSample_;
    s.BigEndian = bigEndian_;
    s.Stream = mapping_.get();
    d = std::make_unique<TGIS_FileTIFFDecoder>();
    d->SetState(s);
    d->AllocateBuffers();
  }
  return *d;
}

// ---- reading --------------------------------------------------------------------------------

void TGIS_LayerTIFF::FetchStored(int plane, int row, std::int64_t byteOffset,
                                 std::int64_t byteCount, std::uint8_t* out) {
  try {
    if (row < 0 || row >= height_ || byteOffset < 0 || byteCount <= 0) ReadFailure();
    if (!fileStream_) OpenFile();
    const std::int64_t planeRowBytes = (std::int64_t(width_) * storedPixelBits_ + 7) / 8;
    if (byteOffset + byteCount > planeRowBytes) ReadFailure();
    const std::int64_t tileRowBytes = (std::int64_t(tileWidth_) * storedPixelBits_ + 7) / 8;
    const int tileRow = row / tileLength_, rowIn = row % tileLength_;
    const std::int64_t planeBase = std::int64_t(plane) * tilesAcross_ * tilesDown_;
    const int firstCol = int(byteOffset / tileRowBytes);
    const int lastCol = int((byteOffset + byteCount - 1) / tileRowBytes);
    for (int col = firstCol; col <= lastCol; ++col) {
      const std::int64_t colStart = std::int64_t(col) * tileRowBytes;
      const std::int64_t from = std::max(byteOffset, colStart);
      const std::int64_t to = std::min(byteOffset + byteCount, colStart + tileRowBytes);
      const std::int64_t index = planeBase + std::int64_t(tileRow) * tilesAcross_ + col;
      if (index >= std::int64_t(strips_.size())) ReadFailure();
      std::uint8_t* target = out + (from - byteOffset);
      if (kind_ != GIS_TIFF_DECODER_NONE) {
        TGIS_FileTIFFDecoder& d = Decoder(plane, col);
        d.DecodeRow(rowIn, int(index));
        std::memcpy(target, d.RowBuffer() + (from - colStart), std::size_t(to - from));
      } else {
        const std::int64_t at =
            strips_[std::size_t(index)].Offset + rowIn * tileRowBytes + (from - colStart);
        if (at < 0 || at > fileSize_ || to - from > fileSize_ - at) ReadFailure();
        fileStream_->SetPosition(at);
        if (fileStream_->Read(target, to - from) != to - from) ReadFailure();
      }
    }
  } catch (const EGIS_Exception&) {
    ReadFailure();
  } catch (const Exception&) {
    ReadFailure();
  }
}

void TGIS_LayerTIFF::CompactPixels(const std::uint8_t* stored, int pixels, std::uint8_t* out) const {
  if (rgb16_) {
    const int step = 6 + extraBytes_;
    for (int i = 0; i < pixels; ++i) {
      const std::uint8_t* p = stored + std::size_t(i) * std::size_t(step);
      for (int k = 0; k < 3; ++k)
        out[3 * i + k] = std::uint8_t(std::min(255, Get16(p + 2 * (2 - k), bigEndian_) / sampleDivisor_));
    }
    return;
  }
  const int keep = bitsPerPixel_ / 8;
  const int step = keep + extraBytes_;
  for (int i = 0; i < pixels; ++i) {
    const std::uint8_t* p = stored + std::size_t(i) * std::size_t(step);
    for (int k = 0; k < keep; ++k)
      out[keep * i + k] = p[keep - 1 - k];
  }
}

int TGIS_LayerTIFF::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (count <= 0 || offset < 0 || row < 0 || row >= height_) return 0;
  if (bitsPerPixel_ < 8) {
    const int n = std::min(count, lineBytes_ - offset);
    if (n <= 0) return 0;
    FetchStored(0, row, offset, n, buffer);
    return n;
  }
  const int keep = bitsPerPixel_ / 8;
  const int first = offset / keep;
  const int pixels = std::min(count / keep, width_ - first);
  if (pixels <= 0) return 0;
  const int stored = storedPixelBits_ / 8;
  if (extraBytes_ > 0 || rgb16_) {
    scratch_.resize(std::size_t(pixels) * std::size_t(stored));
    FetchStored(0, row, std::int64_t(first) * stored, std::int64_t(pixels) * stored,
                scratch_.data());
    CompactPixels(scratch_.data(), pixels, buffer);
  } else {
    FetchStored(0, row, std::int64_t(first) * stored, std::int64_t(pixels) * stored, buffer);
    if (keep == 3 && kind_ == GIS_TIFF_DECODER_NONE)
      for (int i = 0; i < pixels; ++i)
        std::swap(buffer[3 * i], buffer[3 * i + 2]);
  }
  return pixels * keep;
}

int TGIS_LayerTIFF::ReadPlanarLine(std::uint8_t* buffer, int row, int count, int offset) {
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || row < 0 || row >= height_) return 0;
  scratch_.resize(std::size_t(pixels) * 3);
  for (int p = 0; p < 3; ++p)
    FetchStored(p, row, first, pixels, scratch_.data() + std::size_t(p) * std::size_t(pixels));
  for (int i = 0; i < pixels; ++i) {
    buffer[3 * i] = scratch_[std::size_t(2 * pixels + i)];
    buffer[3 * i + 1] = scratch_[std::size_t(pixels + i)];
    buffer[3 * i + 2] = scratch_[std::size_t(i)];
  }
  return pixels * 3;
}

// ---- 16-bit RGB and grid data ----------------------------------------------------------------

int TGIS_LayerTIFF::ComputeSampleDivisor() {
  int limit = 255, factor = 1;
  const int stored = storedPixelBits_ / 8;
  std::vector<std::uint8_t> row(std::size_t(width_) * std::size_t(stored));
  GisSampleRows(height_, -1, 200, [&](int r) {
    FetchStored(0, r, 0, std::int64_t(row.size()), row.data());
    for (int i = 0; i < width_; ++i)
      for (int k = 0; k < 3; ++k) {
        const int v = Get16(row.data() + std::size_t(i) * std::size_t(stored) + 2 * k, bigEndian_);
        while (v > limit) {
          limit = 2 * limit + 1;
          factor *= 2;
        }
      }
  });
  return factor;
}

void TGIS_LayerTIFF::LoadGridRow(int row) {
  if (row == gridRowIndex_) return;
  const int bytes = gridBits_ / 8;
  scratch_.resize(std::size_t(width_) * std::size_t(bytes));
  gridRowIndex_ = -1;
  FetchStored(0, row, 0, std::int64_t(scratch_.size()), scratch_.data());
  const std::uint8_t* p = scratch_.data();
  for (int i = 0; i < width_; ++i, p += bytes) {
    float v;
    if (gridBits_ == 16)
      v = gridFormat_ == 2 ? float(std::int16_t(Get16(p, bigEndian_))) : float(Get16(p, bigEndian_));
    else if (gridFormat_ == 3)
      v = GetFloat(p, bigEndian_);
    else if (gridFormat_ == 2)
      v = float(std::int32_t(Get32(p, bigEndian_)));
    else
      v = float(Get32(p, bigEndian_));
    gridRow_[std::size_t(i)] = v;
  }
  gridRowIndex_ = row;
}

void TGIS_LayerTIFF::ScanGridRange(double share) {
  minValue_ = 3.4e38f;
  maxValue_ = -3.4e38f;
  GisSampleRows(height_, share, 900, [&](int r) {
    LoadGridRow(r);
    for (float v : gridRow_) {
      if (gridBits_ == 32) {
        if (v == noDataValue_ || std::isnan(v)) continue;
        if (v <= -3.4e38f) { // the file's no-data value
          noDataValue_ = v;
          PixelParams().SetGridNoValue(v);
          break;
        }
      }
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerTIFF::ReadLineColored(std::uint8_t* buffer, int row, int count, int offset) {
  if (!gridData_) return TGIS_LayerPixel::ReadLineColored(buffer, row, count, offset);
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || row < 0 || row >= height_) return 0;
  LoadGridRow(row);
  for (int i = 0; i < pixels; ++i) {
    const float v = gridRow_[std::size_t(first + i)];
    // 16-bit samples are always coloured
    PutGridPixel(buffer + 3 * i, v, gridBits_ == 32 && v == noDataValue_);
  }
  return pixels * 3;
}

bool TGIS_LayerTIFF::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  if (gridData_) {
    LoadGridRow(cell.y);
    const float v = gridRow_[std::size_t(cell.x)];
    if (values.empty()) values.resize(1);
    values[0] = v;
    return v != noDataValue_;
  }
  if (rgb16_ && !isGrid_) {
    const int stored = storedPixelBits_ / 8;
    std::vector<std::uint8_t> p(static_cast<std::size_t>(stored));
    FetchStored(0, cell.y, std::int64_t(cell.x) * stored, stored, p.data());
    values.assign(3, 0);
    for (int k = 0; k < 3; ++k)
      values[std::size_t(k)] = Get16(p.data() + 2 * (2 - k), bigEndian_);
    return true;
  }
  return TGIS_LayerPixel::GetGridValue(cell, values);
}

int TGIS_LayerTIFF::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (gridData_) {
    if (row < 0 || row >= height_ || firstColumn < 0) return 0;
    const int n = std::min({count, width_ - firstColumn, int(values.size())});
    if (n <= 0) return 0;
    LoadGridRow(row);
    std::copy_n(gridRow_.begin() + firstColumn, n, values.begin());
    return n;
  }
  if (rgb16_ && !isGrid_) {
    if (row < 0 || row >= height_ || firstColumn < 0) return 0;
    const int n = std::min({count, width_ - firstColumn, int(values.size()) / 3});
    if (n <= 0) return 0;
    const int stored = storedPixelBits_ / 8;
    scratch_.resize(std::size_t(n) * std::size_t(stored));
    FetchStored(0, row, std::int64_t(firstColumn) * stored, std::int64_t(n) * stored,
                scratch_.data());
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < 3; ++k)
        values[std::size_t(3 * i + k)] =
            Get16(scratch_.data() + std::size_t(i) * std::size_t(stored) + 2 * k, bigEndian_);
    return n * 3;
  }
  return TGIS_LayerPixel::ReadGridLine(values, row, count, firstColumn);
}
