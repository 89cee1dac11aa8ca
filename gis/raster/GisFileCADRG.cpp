#include "gis/raster/GisFileCADRG.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "gis/raster/GisGridFiles.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

// a table of contents or frame file larger than this is not one
constexpr std::int64_t kRpfMaxFileBytes = std::int64_t(64) << 20;
constexpr std::uint32_t kRpfNone = 0xFFFFFFFFu;
constexpr int kRpfSubframeBytes = 6144;
constexpr int kRpfLookupBytes = 16384;

/// The bytes of an RPF file with reads in its byte order, each checked
/// against the size (EReadError past the end).
class TRpfBytes {
public:
  explicit TRpfBytes(const std::string& path) {
    TFileStream f(path, fmOpenRead | fmShareDenyNone);
    const std::int64_t n = f.Size();
    if (n <= 0 || n > kRpfMaxFileBytes) throw EReadError("not an RPF file");
    data_.resize(std::size_t(n));
    f.ReadBuffer(data_.data(), n);
  }
  bool big = true;
  std::int64_t Size() const { return std::int64_t(data_.size()); }
  const std::uint8_t* At(std::int64_t offset, std::int64_t n) const {
    if (offset < 0 || n < 0 || offset > Size() || n > Size() - offset)
      throw EReadError("RPF field outside the file");
    return data_.data() + offset;
  }
  std::uint8_t U8(std::int64_t o) const { return *At(o, 1); }
  std::uint16_t U16(std::int64_t o) const { return gis_grid_bytes::Load16(At(o, 2), big); }
  std::uint32_t U32(std::int64_t o) const { return gis_grid_bytes::Load32(At(o, 4), big); }
  double F64(std::int64_t o) const { return gis_grid_bytes::LoadDouble(At(o, 8), big); }
  std::string Text(std::int64_t o, int n) const {
    const std::uint8_t* p = At(o, n);
    return std::string(reinterpret_cast<const char*>(p), std::size_t(n));
  }
  const std::vector<std::uint8_t>& Data() const { return data_; }

private:
  std::vector<std::uint8_t> data_;
};

/// Finds the RPF header (after "RPFHDR00048" in a NITF 2.0 file, else at
/// 0), sets the byte order and gives the location section's offset.
std::int64_t RpfLocationSection(TRpfBytes& b) {
  std::int64_t header = 0;
  if (b.Size() >= 7 && std::memcmp(b.At(0, 7), "NITF02.", 7) == 0) {
    const std::int64_t from = 360, n = std::min<std::int64_t>(1024, b.Size() - from);
    if (n <= 0) throw EReadError("NITF file without an RPF header");
    const std::uint8_t* p = b.At(from, n);
    static const char tag[] = "RPFHDR00048";
    const auto* end = p + n;
    const auto* hit = std::search(p, end, tag, tag + 11);
    if (hit == end) throw EReadError("NITF file without an RPF header");
    header = from + (hit - p) + 11;
  }
  b.big = b.U8(header) == 0;
  b.U16(header + 1); // header length
  return b.U32(header + 44);
}

/// Offsets and lengths of the wanted components (0 for those absent).
std::vector<std::pair<std::uint32_t, std::uint32_t>>
RpfFindComponents(const TRpfBytes& b, std::int64_t location, const std::vector<int>& ids) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> found(ids.size(), {0, 0});
  const int count = b.U16(location + 6);
  const int recordLength = b.U16(location + 8);
  const std::int64_t records = location + 14;
  const int step = recordLength >= 10 ? recordLength : 10;
  for (int i = 0; i < count; ++i) {
    const std::int64_t r = records + std::int64_t(i) * step;
    const int id = b.U16(r);
    for (std::size_t k = 0; k < ids.size(); ++k)
      if (ids[k] == id) found[k] = {b.U32(r + 6), b.U32(r + 2)};
  }
  return found;
}

std::string TrimmedText(const std::string& s) {
  std::string t = Trim(s);
  const auto z = t.find('\0');
  return z == std::string::npos ? t : Trim(t.substr(0, z));
}

/// `relative` ("./A/B/" + name) below `folder`, each part found without
/// regard to letter case; '' when missing.
std::string FindCaseless(const std::string& folder, const std::string& relative) {
  namespace fs = std::filesystem;
  fs::path at(folder.empty() ? "." : folder);
  std::string part;
  std::vector<std::string> parts;
  for (char c : relative + "/") {
    if (c == '/' || c == '\\') {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  std::error_code ec;
  for (const std::string& p : parts) {
    if (p == "..") {
      at = at / p;
      continue;
    }
    if (fs::exists(at / p, ec)) {
      at = at / p;
      continue;
    }
    std::vector<std::string> matches;
    for (const auto& e : fs::directory_iterator(at, ec))
      if (SameText(e.path().filename().string(), p)) matches.push_back(e.path().filename().string());
    if (matches.empty()) return {};
    std::sort(matches.begin(), matches.end());
    at = at / matches.front();
  }
  return fs::is_regular_file(at, ec) ? at.string() : std::string();
}

} // namespace

TGIS_FileCADRGDecoder::TGIS_FileCADRGDecoder(const std::string& tocPath) : path_(tocPath) {
  folder_ = ExtractFilePath(tocPath);
  slots_.resize(kSlots);
  for (auto& s : slots_)
    s = std::make_unique<TGIS_RPFFrameSlot>();
  ReadToc();
}

TGIS_FileCADRGDecoder::~TGIS_FileCADRGDecoder() = default;

void TGIS_FileCADRGDecoder::ReadToc() {
  TRpfBytes b(path_);
  const std::int64_t location = RpfLocationSection(b);
  bigEndian_ = b.big;
  const auto c = RpfFindComponents(b, location, {148, 149, 150, 151});
  if (c[0].first == 0 || c[2].first == 0 || c[3].first == 0) throw EReadError("no table of contents");
  // boundary rectangles
  const std::int64_t rectCount = b.U16(c[0].first + 4);
  const std::int64_t rectTable = c[1].first != 0 ? c[1].first : c[0].first + 8 + b.U32(c[0].first);
  rectangles_.clear();
  if (rectCount * 132 > b.Size()) throw EReadError("too many rectangles");
  for (std::int64_t i = 0; i < rectCount; ++i) {
    const std::int64_t r = rectTable + i * 132;
    TGIS_RPFRectangle t;
    t.ProductType = b.Text(r, 5);
    t.Compression = b.Text(r + 5, 5);
    t.Scale = b.Text(r + 10, 12);
    t.Zone = b.Text(r + 22, 1);
    t.Producer = b.Text(r + 23, 5);
    double* d[12] = {&t.NWLatitude,         &t.NWLongitude,          &t.SWLatitude,
                     &t.SWLongitude,        &t.NELatitude,           &t.NELongitude,
                     &t.SELatitude,         &t.SELongitude,          &t.VerticalResolution,
                     &t.HorizontalResolution, &t.VerticalInterval,   &t.HorizontalInterval};
    for (int k = 0; k < 12; ++k)
      *d[k] = b.F64(r + 28 + 8 * k);
    t.FramesNS = b.U32(r + 124);
    t.FramesEW = b.U32(r + 128);
    rectangles_.push_back(t);
  }
  productKind_ = 0;
  if (!rectangles_.empty()) {
    if (rectangles_[0].ProductType == "CADRG")
      productKind_ = 0;
    else if (TrimmedText(rectangles_[0].ProductType) == "CIB")
      productKind_ = 1;
  }
  // frame file index
  const std::int64_t indexOffset = b.U32(c[2].first + 1);
  const std::int64_t indexCount = b.U32(c[2].first + 5);
  const std::int64_t indexStart = std::int64_t(c[3].first) + indexOffset;
  if (indexCount * 33 > b.Size()) throw EReadError("too many frames");
  frames_.clear();
  for (std::int64_t i = 0; i < indexCount; ++i) {
    const std::int64_t r = indexStart + i * 33;
    TGIS_RPFFrameEntry f;
    f.Rectangle = b.U16(r);
    f.Row = b.U16(r + 2);
    f.Column = b.U16(r + 4);
    f.PathOffset = b.U32(r + 6);
    f.FileName = TrimmedText(b.Text(r + 10, 12));
    frames_.push_back(f);
  }
  pathRecords_.assign(b.Data().begin() + std::min<std::int64_t>(c[3].first, b.Size()), b.Data().end());
  for (auto& s : slots_) {
    s->Frame = -1;
    s->Loaded = false;
    s->LoadTime = clock_;
  }
}

std::string TGIS_FileCADRGDecoder::PathOf(std::uint32_t pathOffset) const {
  if (std::uint64_t(pathOffset) + 2 > pathRecords_.size()) return {};
  const std::uint8_t* p = pathRecords_.data() + pathOffset;
  const std::size_t n = bigEndian_ ? std::size_t(p[0] << 8 | p[1]) : std::size_t(p[1] << 8 | p[0]);
  if (std::uint64_t(pathOffset) + 2 + n > pathRecords_.size()) return {};
  return TrimmedText(std::string(reinterpret_cast<const char*>(p + 2), n));
}

int TGIS_FileCADRGDecoder::FindFrame(int rectangle, int row, int column) const {
  for (std::size_t i = 0; i < frames_.size(); ++i)
    if (frames_[i].Rectangle == rectangle && frames_[i].Row == row && frames_[i].Column == column)
      return int(i);
  return -1;
}

std::string TGIS_FileCADRGDecoder::FrameFilePath(int frame) const {
  if (frame < 0 || frame >= int(frames_.size())) return {};
  const TGIS_RPFFrameEntry& f = frames_[std::size_t(frame)];
  std::string rel = PathOf(f.PathOffset);
  if (!rel.empty() && rel.back() != '/' && rel.back() != '\\') rel += '/';
  return FindCaseless(folder_, rel + f.FileName);
}

void TGIS_FileCADRGDecoder::LoadFrame(int frame) {
  TGIS_RPFFrameSlot& s = *slots_[std::size_t(current_)];
  s.Frame = frame;
  s.Loaded = false;
  s.ColorCount = 0;
  const std::string file = FrameFilePath(frame);
  if (file.empty()) return;
  try {
    ++frameReads_;
    TRpfBytes b(file);
    const std::int64_t location = RpfLocationSection(b);
    const auto c = RpfFindComponents(b, location, {131, 136, 132, 140, 137, 138, 134, 135, 139, 130});
    const std::int64_t compression = c[0].first, description = c[1].first,
                       spatial = c[3].first, mask = c[5].first, colour = c[6].first,
                       colormap = c[7].first;
    if (compression == 0 || description == 0 || spatial == 0) return;
    if (c[9].first != 0) b.At(c[9].first, 96); // the coverage section
    // lookup tables
    const std::int64_t lookup = c[2].first != 0 ? std::int64_t(c[2].first) : compression + 6;
    s.Lookup.assign(4 * kRpfLookupBytes, 0);
    for (int t = 0; t < 4; ++t) {
      const std::int64_t rec = lookup + 6 + 14 * t;
      const std::int64_t table = lookup + b.U32(rec + 10);
      std::memcpy(s.Lookup.data() + t * kRpfLookupBytes, b.At(table, kRpfLookupBytes), kRpfLookupBytes);
    }
    // subframes and their mask
    const std::uint32_t maskOffset = b.U32(description + 20);
    s.Missing.fill(false);
    if (maskOffset != kRpfNone) {
      if (mask == 0) return;
      for (int k = 0; k < 36; ++k)
        s.Missing[std::size_t(k)] = b.U32(mask + std::int64_t(maskOffset) + 4 * k) == kRpfNone;
    }
    b.U32(c[4].first != 0 ? c[4].first : description); // display parameters (rows)
    s.Subframes.assign(std::size_t(36) * kRpfSubframeBytes, 0);
    std::int64_t at = spatial;
    for (int k = 0; k < 36; ++k) {
      if (s.Missing[std::size_t(k)]) continue;
      std::memcpy(s.Subframes.data() + std::size_t(k) * kRpfSubframeBytes, b.At(at, kRpfSubframeBytes),
                  kRpfSubframeBytes);
      at += kRpfSubframeBytes;
    }
    // the palette
    if (colour != 0 && colormap != 0) {
      const int tables = b.U8(colour);
      for (int t = 0; t < tables; ++t) {
        const std::int64_t rec = colormap + 6 + 17 * t;
        const std::uint32_t count = b.U32(rec + 2);
        if (count != 216 && count != 217) continue;
        const int element = b.U8(rec + 6);
        const std::int64_t table = colormap + b.U32(rec + 9);
        for (std::uint32_t i = 0; i < count; ++i) {
          auto& e = s.Palette[i];
          if (element == 1) {
            const std::uint8_t g = b.U8(table + i);
            e = {g, g, g, 0};
          } else {
            const std::uint8_t* p = b.At(table + std::int64_t(i) * 4, 4);
            e = {p[0], p[1], p[2], p[3]};
            if (e[0] == transparent_[0] && e[1] == transparent_[1] && e[2] == transparent_[2])
              e[2] = e[2] == 0 ? 1 : std::uint8_t(e[2] - 1);
          }
        }
        if (count == 217) s.Palette[216] = {transparent_[0], transparent_[1], transparent_[2], 0};
        s.ColorCount = int(count);
        break;
      }
    }
    s.Loaded = true;
  } catch (const Exception&) {
    s.Loaded = false; // a damaged frame draws in the transparent colour
  }
}

void TGIS_FileCADRGDecoder::SelectFrame(int frame) {
  for (int i = 0; i < kSlots; ++i)
    if (slots_[std::size_t(i)]->Frame == frame) {
      current_ = i;
      return;
    }
  int target = -1;
  for (int i = 0; i < kSlots && target < 0; ++i)
    if (slots_[std::size_t(i)]->Frame < 0) target = i;
  if (target < 0) {
    target = 0;
    for (int i = 1; i < kSlots; ++i)
      if (slots_[std::size_t(i)]->LoadTime < slots_[std::size_t(target)]->LoadTime) target = i;
  }
  current_ = target;
  LoadFrame(frame);
  slots_[std::size_t(target)]->LoadTime = ++clock_;
}

int TGIS_FileCADRGDecoder::DecodeFrameRow(int frame, int row, std::uint8_t* buffer, int count,
                                          int firstColumn) {
  if (row < 0 || row >= kFrameSide || firstColumn < 0 || firstColumn >= kFrameSide || count <= 0)
    return 0;
  SelectFrame(frame);
  const TGIS_RPFFrameSlot& s = *slots_[std::size_t(current_)];
  const int subRow = row / 256, codeRow = (row / 4) % 64, lutRow = row % 4;
  int written = 0;
  auto put = [&](int index) {
    std::uint8_t* p = buffer + written;
    if (index >= 216 || index >= s.ColorCount || s.ColorCount == 0) {
      p[0] = transparent_[2], p[1] = transparent_[1], p[2] = transparent_[0];
    } else {
      const auto& e = s.Palette[std::size_t(index)];
      p[0] = e[2], p[1] = e[1], p[2] = e[0];
    }
    written += 3;
  };
  const int usable = count / 3 * 3;
  for (int sub = firstColumn / 256; sub < 6 && written < usable; ++sub) {
    const int k = subRow * 6 + sub;
    const int skip = std::max(0, firstColumn - sub * 256); // pixels left of the first column
    if (!s.Loaded || s.Missing[std::size_t(k)]) {
      // a missing subframe (or frame) is passed over
      const int n = std::min(256 - skip, (usable - written) / 3);
      for (int i = 0; i < n; ++i) {
        std::uint8_t* p = buffer + written;
        p[0] = transparent_[2], p[1] = transparent_[1], p[2] = transparent_[0];
        written += 3;
      }
      continue;
    }
    const std::uint8_t* codes = s.Subframes.data() + std::size_t(k) * kRpfSubframeBytes + codeRow * 96;
    for (int pair = 0; pair < 32 && written < usable; ++pair) {
      const std::uint8_t* t = codes + 3 * pair;
      const int code[2] = {t[0] << 4 | t[1] >> 4, (t[1] & 0x0F) << 8 | t[2]};
      for (int h = 0; h < 2 && written < usable; ++h) {
        const std::uint8_t* lut =
            s.Lookup.data() + lutRow * kRpfLookupBytes + std::size_t(code[h]) * 4;
        for (int x = 0; x < 4 && written < usable; ++x) {
          const int column = (pair * 2 + h) * 4 + x;
          if (column < skip) continue;
          put(lut[x]);
        }
      }
    }
  }
  return written;
}
