#include "gis/formats/GisFileTAB.h"
#include "gis/viewer/GisRegistredLayers.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {

bool StartsWith(const std::string& line, const char* keyword) {
  return UpperCase(line).rfind(UpperCase(keyword), 0) == 0;
}

/// A control point: map position and image position.
struct TControlPoint {
  double X = 0, Y = 0;
  Int64 Column = 0, Row = 0;
};

} // namespace

TGIS_FileTAB::TGIS_FileTAB(const std::string& path)
    : path_(path), headerLines_(std::make_unique<TStringList>()),
      itemLines_(std::make_unique<TStringList>()), codePage_(GetACP()) {}

TGIS_FileTAB::~TGIS_FileTAB() = default;

void TGIS_FileTAB::StructureError(int line) const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, path_, line);
}

std::string TGIS_FileTAB::TakeLine() {
  std::string line = headerLines_->Get(0);
  headerLines_->Delete(0);
  lastLine_ = nextLine_++;
  return line;
}

std::int32_t TGIS_FileTAB::Parse() {
  tableType_ = gisTabNative;
  headerLines_->LoadFromFile(path_); // a missing file raises the runtime's error
  for (int i = 0; i < headerLines_->Count(); ++i)
    headerLines_->Put(i, Trim(headerLines_->Get(i)));
  nextLine_ = 1;
  lastLine_ = 0;
  try {
    SkipPreamble();
    while (headerLines_->Count() > 0) {
      const std::string line = TakeLine();
      if (StartsWith(line, "File")) {
        TGIS_Tokenizer t;
        t.Execute(line, " ", true);
        rasterFile_ = t.Result().Count() > 1 ? t.Result().Get(1) : std::string();
      } else if (StartsWith(line, "Type")) {
        ParseTypeLine(line);
        if (tableType_ == gisTabNative || tableType_ == gisTabDbf)
          ReadFieldLines();
        else if (tableType_ == gisTabRaster)
          ReadControlPointLines();
      } else if (StartsWith(line, "FIELDS:")) {
        headerLines_->Insert(0, line);
        --nextLine_;
        ReadFieldLines();
      } else if (StartsWith(line, "CoordSys")) {
        coordSysLine_ = line;
      }
    }
  } catch (const EGIS_Exception&) {
    throw;
  } catch (const Exception&) {
    StructureError(lastLine_);
  }
  return tableType_;
}

void TGIS_FileTAB::SkipPreamble() {
  while (headerLines_->Count() > 0) {
    if (StartsWith(headerLines_->Get(0), "FIELDS:")) return;
    const std::string line = TakeLine();
    if (StartsWith(line, "Definition Table")) return;
  }
}

void TGIS_FileTAB::ParseTypeLine(const std::string& line) {
  tableType_ = gisTabUnknown;
  TGIS_Tokenizer t;
  t.Execute(UpperCase(line), " ", true);
  const TStringList& r = t.Result();
  if (r.Count() >= 2) {
    const std::string kind = r.Get(1);
    tableType_ = kind == "NATIVE"   ? gisTabNative
                 : kind == "DBF"    ? gisTabDbf
                 : kind == "RASTER" ? gisTabRaster
                                    : gisTabUnknown;
  }
  if (r.Count() >= 4) {
    const std::string charset = r.Get(3);
    if (charset == "WINDOWSLATIN1") codePage_ = 1252;
    if (charset == "WINDOWSLATIN2") codePage_ = 1250;
  }
}

void TGIS_FileTAB::ReadFieldLines() {
  itemLines_->Clear();
  if (headerLines_->Count() == 0) return;
  const std::string line = TakeLine();
  TGIS_Tokenizer t;
  t.Execute(UpperCase(line), " :", false);
  if (t.Result().Count() < 2) return;
  const std::string count = t.Result().Get(1);
  if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos ||
      count.size() > 9)
    return;
  firstItemLine_ = lastLine_;
  const int n = int(StrToInt(count));
  for (int i = 0; i < n && headerLines_->Count() > 0; ++i)
    itemLines_->Add(TakeLine());
}

void TGIS_FileTAB::ReadControlPointLines() {
  itemLines_->Clear();
  firstItemLine_ = lastLine_;
  while (headerLines_->Count() > 0 && headerLines_->Get(0).rfind("(", 0) == 0)
    itemLines_->Add(TakeLine());
}

void TGIS_FileTAB::ApplyRasterRegistration(TGIS_LayerPixel& layer) {
  Int64 minCol = INT_MAX, minRow = INT_MAX, maxCol = -INT_MAX, maxRow = -INT_MAX;
  double xMinCol = 0, xMaxCol = 0, yMinRow = 0, yMaxRow = 0;
  TControlPoint p;
  const int count = itemLines_->Count();
  for (int i = 0; i < count; ++i) {
    const int lineNo = firstItemLine_ + 1 + i;
    // The first character of an item line is skipped; an empty line gives
    // no item text.
    const std::string line = itemLines_->Get(i);
    const std::string text = line.empty() ? std::string() : line.substr(1, 1024);
    TGIS_Tokenizer t;
    t.Execute(text, " (),", true);
    const TStringList& r = t.Result();
    try {
      if (r.Count() > 0) p.X = GisStrToFloat(r.Get(0));
      if (r.Count() > 1) p.Y = GisStrToFloat(r.Get(1));
      if (r.Count() > 2) p.Column = checkedRound(GisStrToFloat(r.Get(2)));
      if (r.Count() > 3) p.Row = checkedRound(GisStrToFloat(r.Get(3)));
    } catch (const Exception&) {
      StructureError(lineNo);
    }
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) StructureError(lineNo);
    if (p.Column < minCol) minCol = p.Column, xMinCol = p.X;
    if (p.Column > maxCol) maxCol = p.Column, xMaxCol = p.X;
    if (p.Row < minRow) minRow = p.Row, yMinRow = p.Y;
    if (p.Row > maxRow) maxRow = p.Row, yMaxRow = p.Y;
  }
  itemLines_->Clear();
  if (count == 0) {
    layer.SetExtent(TGIS_Extent{0, 0, 0, 0});
    return;
  }
  if (maxCol == minCol || maxRow == minRow) StructureError(firstItemLine_ + count);
  const double w = layer.Width(), h = layer.Height();
  if (w <= 0 || h <= 0) StructureError(firstItemLine_ + count);
  const double mapWidth = w / double(maxCol - minCol) * (xMaxCol - xMinCol);
  const double mapHeight = h / double(maxRow - minRow) * (yMaxRow - yMinRow);
  TGIS_Extent e;
  e.XMin = xMinCol - (double(minCol) / w) * mapWidth;
  e.XMax = e.XMin + mapWidth;
  e.YMax = yMinRow - (double(minRow) / h) * mapHeight;
  e.YMin = e.YMax + mapHeight;
  layer.SetExtent(e);
}

// ---- field definitions -----------------------------------------------------------------

namespace {

/// The definition a field line's type keyword gives; false for a keyword
/// that adds no field.
bool FieldDefinition(const std::string& keyword, const std::string& widthToken,
                     const std::string& decimalsToken, std::uint8_t& type, int& width,
                     int& decimals, int& binary) {
  auto number = [](const std::string& token, int fallback) {
    Integer v = 0;
    return token.empty() || !TryStrToInt(token, v) ? fallback : int(v);
  };
  const std::string k = UpperCase(keyword);
  decimals = 0;
  binary = 0;
  if (k == "DECIMAL") {
    type = gisFieldTypeNumber;
    width = number(widthToken, 10);
    decimals = number(decimalsToken, 2);
  } else if (k == "LOGICAL") {
    type = gisFieldTypeBoolean;
    width = 1;
  } else if (k == "SMALLINT") {
    type = gisFieldTypeNumber;
    width = 4;
    binary = 2;
  } else if (k == "INTEGER") {
    type = gisFieldTypeNumber;
    width = 10;
    binary = 4;
  } else if (k == "FLOAT") {
    type = gisFieldTypeFloat;
    width = 20;
    decimals = 5;
    binary = 8;
  } else if (k == "CHAR") {
    type = gisFieldTypeString;
    width = number(widthToken, 10);
  } else if (k == "DATE") {
    type = gisFieldTypeDate;
    width = 10;
    binary = 4;
  } else {
    return false;
  }
  return true;
}

} // namespace

void TGIS_FileTAB::ReadFields(TGIS_LayerVector& layer) {
  layer.ClearFields();
  const int count = itemLines_->Count();
  for (int i = 0; i < count; ++i) {
    const int lineNo = firstItemLine_ + 1 + i;
    TGIS_Tokenizer t;
    t.Execute(itemLines_->Get(i), " (),;", true);
    const TStringList& r = t.Result();
    auto token = [&r](int k) { return r.Count() > k ? r.Get(k) : std::string(); };
    std::uint8_t type = gisFieldTypeString;
    int width = 0, decimals = 0, binary = 0;
    const bool known = FieldDefinition(token(1), token(2), token(3), type, width, decimals, binary);
    // A dBASE table keeps every value as text.
    if (tableType_ != gisTabNative) binary = 0;
    try {
      if (!known) {
        // The column still takes its bytes in every row: a placeholder
        // keeps the later fields at their positions.
        layer.AddFieldEx(token(0), gisFieldTypeString, 1, 0, true, 0);
        layer.GetFieldInfo(layer.FieldCount() - 1)->Deleted = true;
        continue;
      }
      layer.AddFieldEx(token(0), type, width, decimals, true, binary);
    } catch (const Exception&) {
      StructureError(lineNo);
    }
  }
  itemLines_->Clear();
}

// ---- the .map file -------------------------------------------------------------------------

namespace {

std::int16_t I16(const std::uint8_t* p) {
  std::int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

std::int32_t I32(const std::uint8_t* p) {
  std::int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

double F64(const std::uint8_t* p) {
  double v;
  std::memcpy(&v, p, 8);
  return v;
}

} // namespace

TGIS_FileTAB_MAPInternal::TGIS_FileTAB_MAPInternal(const std::string& path, bool create)
    : TGIS_BufferedFileStream(path, create) {}

TGIS_FileTAB_MAPInternal::~TGIS_FileTAB_MAPInternal() = default;

void TGIS_FileTAB_MAPInternal::BadFormat() const {
  throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, Path(), 0);
}

void TGIS_FileTAB_MAPInternal::ReadAt(std::int64_t offset, void* buffer, std::int64_t count) {
  if (offset < 0 || count < 0 || offset > Size() - count) BadFormat();
  if (GetPosition() != offset) Seek(offset, 0);
  if (Read(buffer, count) != count) BadFormat();
}

void TGIS_FileTAB_MAPInternal::ReadHeader() {
  std::uint8_t h[BlockSize];
  ReadAt(0, h, BlockSize);
  version_ = I16(h + 260);
  const std::int32_t bx0 = I32(h + 272), by0 = I32(h + 276), bx1 = I32(h + 280), by1 = I32(h + 284);
  precision_ = h[352];
  quadrant_ = h[353];
  unitsCode_ = h[367];
  xScale_ = F64(h + 368);
  yScale_ = F64(h + 376);
  xDisplacement_ = F64(h + 384);
  yDisplacement_ = F64(h + 392);
  if (version_ <= 100) {
    xScale_ = yScale_ = std::pow(10.0, double(precision_));
    xDisplacement_ = yDisplacement_ = 0;
  }
  if (xDisplacement_ == 0 && yDisplacement_ == 0 && bx0 == 0 && by0 == 0 && bx1 == 0 && by1 == 0) {
    mapExtent_ = GisEmptyExtent();
    return;
  }
  const TGIS_Point a = Convert(bx0, by0), b = Convert(bx1, by1);
  mapExtent_ =
      TGIS_Extent{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TGIS_Point TGIS_FileTAB_MAPInternal::Convert(std::int32_t ix, std::int32_t iy) const {
  const std::uint8_t q = quadrant_;
  TGIS_Point p;
  if (q == 0 || q == 2 || q == 3)
    p.X = -(double(ix) + xDisplacement_) / xScale_;
  else
    p.X = (double(ix) - xDisplacement_) / xScale_;
  if (q == 0 || q == 3 || q == 4)
    p.Y = -(double(iy) + yDisplacement_) / yScale_;
  else
    p.Y = (double(iy) - yDisplacement_) / yScale_;
  return p;
}

TGIS_FileTAB_MAP::TGIS_FileTAB_MAP(const std::string& path, bool create)
    : TGIS_FileTAB_MAPInternal(path, create) {
  visited_.assign(std::size_t(Size() / BlockSize + 1), 0);
}

void TGIS_FileTAB_MAP::SetPosition(std::int64_t position) {
  if (position < 0 || position > Size()) BadFormat();
  pos_ = position;
  if (++walk_ == 0) {
    std::fill(visited_.begin(), visited_.end(), 0);
    walk_ = 1;
  }
  // The block the walk starts in counts as entered.
  if (position % BlockSize != 0) visited_[std::size_t(position / BlockSize)] = walk_;
}

std::int64_t TGIS_FileTAB_MAP::BytesLeft() {
  return Size() - pos_;
}

void TGIS_FileTAB_MAP::Jump() {
  const std::int64_t block = ((pos_ - 1) / BlockSize) * BlockSize;
  std::uint8_t link[4];
  ReadAt(block + 4, link, 4);
  const std::int64_t next = I32(link);
  // A chain ends at a link that is no block of this file or was entered
  // already: data that still remain are damaged.
  if (next <= 0 || next >= 0x40000000 || next >= Size() || next % BlockSize != 0) BadFormat();
  std::uint32_t& stamp = visited_[std::size_t(next / BlockSize)];
  if (stamp == walk_) BadFormat();
  stamp = walk_;
  pos_ = next + 8;
}

void TGIS_FileTAB_MAP::Before(int count) {
  const std::int64_t r = (pos_ + count) % BlockSize;
  if (r != 0 && r <= count) Jump();
}

void TGIS_FileTAB_MAP::ReadBytes(void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    if (pos_ % BlockSize == 0) Jump();
    const std::int64_t room = BlockSize - pos_ % BlockSize;
    const std::int64_t n = std::min(room, count);
    ReadAt(pos_, out, n);
    pos_ += n;
    out += n;
    count -= n;
  }
}

std::uint8_t TGIS_FileTAB_MAP::ReadByte() {
  Before(1);
  std::uint8_t v;
  ReadAt(pos_, &v, 1);
  pos_ += 1;
  return v;
}

std::int16_t TGIS_FileTAB_MAP::ReadInt16() {
  Before(2);
  std::uint8_t v[2];
  ReadAt(pos_, v, 2);
  pos_ += 2;
  return I16(v);
}

std::int32_t TGIS_FileTAB_MAP::ReadInt32() {
  Before(4);
  std::uint8_t v[4];
  ReadAt(pos_, v, 4);
  pos_ += 4;
  return I32(v);
}

const TGIS_TABObjectHeader& TGIS_FileTAB_MAP::ReadObjectHeader() {
  header_.Code = ReadByte();
  header_.RowId = ReadInt32();
  originX_ = originY_ = 0;
  return header_;
}

void TGIS_FileTAB_MAP::ReadBlockCenter() {
  const std::int64_t block = ((pos_ - 1) / BlockSize) * BlockSize;
  std::uint8_t c[8];
  ReadAt(block + 4, c, 8);
  originX_ = I32(c);
  originY_ = I32(c + 4);
}

void TGIS_FileTAB_MAP::ReadOrigin() {
  originX_ = ReadInt32();
  originY_ = ReadInt32();
}

TGIS_Point TGIS_FileTAB_MAP::ReadCoord(bool compressed) {
  std::int32_t ix, iy;
  if (compressed) {
    const std::int16_t dx = ReadInt16();
    const std::int16_t dy = ReadInt16();
    // 32-bit sums, wrapping as the stored integers do.
    ix = std::int32_t(std::uint32_t(originX_) + std::uint32_t(std::int32_t(dx)));
    iy = std::int32_t(std::uint32_t(originY_) + std::uint32_t(std::int32_t(dy)));
  } else {
    ix = ReadInt32();
    iy = ReadInt32();
  }
  return Convert(ix, iy);
}

TGIS_Extent TGIS_FileTAB_MAP::ReadMBR(bool compressed) {
  const TGIS_Point a = ReadCoord(compressed);
  const TGIS_Point b = ReadCoord(compressed);
  return TGIS_Extent{a.X, a.Y, b.X, b.Y};
}

void TGIS_FileTAB_MAP::SkipBytes(std::int64_t count) {
  if (count < 0 || count > Size()) BadFormat();
  while (count > 0) {
    if (pos_ % BlockSize == 0) Jump();
    const std::int64_t b = pos_ % BlockSize;
    if (b + count < BlockSize) {
      pos_ += count;
      return;
    }
    count -= ((BlockSize - b) / 4) * 4;
    pos_ = (pos_ / BlockSize) * BlockSize + BlockSize;
    Jump();
  }
}

// ---- the .id file ------------------------------------------------------------------------

TGIS_FileTAB_ID::TGIS_FileTAB_ID(const std::string& path, bool create)
    : TGIS_BufferedFileStream(path, create) {
  rowCount_ = std::int32_t(std::min<std::int64_t>(Size() / 4, INT_MAX));
}

std::int32_t TGIS_FileTAB_ID::ReadEntry(std::int32_t n) {
  SK_ASSERT(n >= 1, "Assertion failure", "GisFileTAB", __LINE__);
  if (n > rowCount_) return 0;
  Seek(std::int64_t(n - 1) * 4, 0);
  std::uint8_t v[4];
  if (Read(v, 4) != 4) return 0;
  return I32(v);
}

void GisRegisterRasterRegistration() {
  GisSetRasterRegistrationReader([](const std::string& path, TGIS_LayerPixel& layer) {
    TGIS_FileTAB tab(path);
    if (tab.Parse() != gisTabRaster) return false;
    tab.ApplyRasterRegistration(layer);
    return true;
  });
  TGIS_RegistredLayers::Hooks().TabParse = [](const std::string& tabPath, std::string& imageName) {
    TGIS_FileTAB tab(tabPath);
    const std::int32_t type = tab.Parse();
    if (type == gisTabRaster) imageName = tab.RasterFile();
    return static_cast<int>(type);
  };
}
