#include "gis/database/GisFilePixelStore2.h"

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisKeywords.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisPixelStoreCells.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "gis/database/GisSqlTemplates.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kCommands[TGIS_FilePixelStoreAbstract2::CommandCount] = {
    "CREATE TABLE <#vrkGISPixelStore2#> ( <#NAME#> <#VARCHAR#>(64),<#XMIN#> <#DOUBLE#>, <#XMAX#> "
    "<#DOUBLE#>,<#YMIN#> <#DOUBLE#>, <#YMAX#> <#DOUBLE#>,<#PIXELSIZE#> <#DOUBLE#>, <#IMAGETYPE#> "
    "<#SMALLINT#>,<#NCOMPRESS#> <#SMALLINT#>, <#NLEVEL#> <#SMALLINT#>,<#SRTEXT#> <#VARCHAR(2048)#>)",
    "CREATE TABLE %s (<#NLEVEL#> <#INTEGER#>, <#NROW#> <#INTEGER#>, <#NCOL#> <#INTEGER#>,<#CELL#> <#BLOB#> )",
    "DROP TABLE %s",
    "CREATE UNIQUE INDEX <#vrkGISPixelStore2#><#_IDX_#><#NAME#> ON <#vrkGISPixelStore2#> (<#NAME#>)",
    "CREATE INDEX %s<#_IDX_#><#NLEVEL#> ON %s (<#NLEVEL#>)",
    "CREATE INDEX %s<#_IDX_#><#NROW#> ON %s (<#NROW#>)",
    "CREATE INDEX %s<#_IDX_#><#NCOL#> ON %s (<#NCOL#>)",
    "INSERT INTO <#vrkGISPixelStore2#> VALUES('%s',%s,%s,%s,%s,%s,%d,%d,%d,'%s')",
    "UPDATE <#vrkGISPixelStore2#> SET <#NLEVEL#>=%D WHERE <#NAME#>='%s'",
    "SELECT * FROM <#vrkGISPixelStore2#> WHERE <#NAME#>='%s'",
    "DELETE FROM <#vrkGISPixelStore2#> WHERE <#NAME#>='%s'",
    "SELECT * FROM %s",
    "SELECT * FROM %s WHERE %s",
    "<#NLEVEL#>,<#NROW#>,<#NCOL#>,<#CELL#>",
    ":<#NLEVEL#>,:<#NROW#>,:<#NCOL#>,:<#CELL#>",
    "INSERT INTO %s ( %s ) VALUES ( %s ) %s",
    "<#NLEVEL#>=:<#NLEVEL#>,<#NROW#>=:<#NROW#>,<#NCOL#>=:<#NCOL#>,<#CELL#>=:<#CELL#>",
    "returning <#CELL#> into :<#CELL#>",
    "UPDATE %s SET %s WHERE ((<#NLEVEL#>=:<#NLEVEL#>) AND  (<#NROW#>=:<#NROW#>) AND  (<#NCOL#>=:<#NCOL#> ) %s",
    "(<#NLEVEL#>=%d) AND (<#NCOL#>=%d) AND (<#NROW#>=%d)",
    "<#vrkGISPixelStore2#>",
    "<#NAME#>",
    "<#XMIN#>",
    "<#XMAX#>",
    "<#YMIN#>",
    "<#YMAX#>",
    "<#PIXELSIZE#>",
    "<#IMAGETYPE#>",
    "<#NCOMPRESS#>",
    "<#NLEVEL#>",
    "<#WKT#>",
    "<#NCOL#>",
    "<#NROW#>",
    "<#CELL#>",
    "<#POSTRESTRUCTURE#>",
};

constexpr long double kBorder = 0.0000001L;

// A cell index within the int range (a damaged catalogue may give any
// number, or none).
int CellIndexOf(long double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(v, -2147483647.0L, 2147483647.0L));
}
// First index of a range: round, one less when the position lies before it.
int FirstIndex(long double u) {
  const long double r = std::nearbyintl(u);
  return CellIndexOf(u < r - kBorder ? r - 1 : r);
}
// Exclusive end of a range: trunc, one more past a border.
int EndIndex(long double u) {
  const long double t = std::truncl(u);
  return CellIndexOf(u - t > kBorder ? t + 1 : t);
}

} // namespace

TGIS_FilePixelStoreAbstract2::TGIS_FilePixelStoreAbstract2()
    : capabilities_{{pf24bit, 1, 0, false},
                    {pf8bit, 1, 1, true},
                    {pf24bit, 2, 100, false},
                    {pf8bit, 2, 101, false},
                    {pf1bit, 2, 102, false}} {}

TGIS_FilePixelStoreAbstract2::~TGIS_FilePixelStoreAbstract2() = default;

std::string TGIS_FilePixelStoreAbstract2::ConfigValue(const std::string& name) const {
  return config_.Values(name);
}

void TGIS_FilePixelStoreAbstract2::SetConfigValue(const std::string& name, const std::string& value) {
  config_.SetValues(name, value);
}

int TGIS_FilePixelStoreAbstract2::ConfigKind(const std::string& path) const {
  return GisPixelStore2ConfigKind(path);
}

std::string TGIS_FilePixelStoreAbstract2::SelectSql(const std::string& table,
                                                    const std::string& condition) const {
  if (condition.empty()) return Format(Command(11), {table});
  return Format(Command(12), {table, condition});
}

std::string TGIS_FilePixelStoreAbstract2::CellCondition(int factor, int column, int row) const {
  return Format(Command(19), {factor, column, row});
}

void TGIS_FilePixelStoreAbstract2::FillCommands() {
  if (OnBeforeFillCommands) OnBeforeFillCommands(this);
  commands_.Clear();
  for (int i = 0; i < CommandCount; ++i) commands_.Add("");
  TStringList list;
  list.AddStrings(config_);
  list.AddStrings(dialect_);
  for (int i = 0; i < CommandCount; ++i) {
    SK_ASSERT(commands_[i].empty(), "command slot filled twice", "GisFilePixelStore2", __LINE__);
    commands_.SetStrings(i, GisExpandTemplate(kCommands[i], &list));
  }
  if (OnAfterFillCommands) OnAfterFillCommands(this);
}

std::string TGIS_FilePixelStoreAbstract2::Command(int n) const {
  SK_ASSERT(n >= 0 && n < commands_.Count(), "no such command", "GisFilePixelStore2", __LINE__);
  return commands_[n];
}

std::string TGIS_FilePixelStoreAbstract2::MacroValue(const std::string& name) {
  const std::string& prefix = KeyPrefix.empty() ? name_ : KeyPrefix;
  std::string value = GisLayerPasswords().Get(prefix, name);
  if (value.empty()) {
    value = name;
    if (OnPassword) OnPassword(this, name, value);
  }
  passwords_.Add(prefix, name, value);
  return value;
}

void TGIS_FilePixelStoreAbstract2::Connect() {
  TStringList lines;
  GisReadLayerConfig(ConfigPath, &lines);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string name = lines.Names(i);
    if (name.empty() || !config_.Values(name).empty()) continue;
    config_.SetValues(name, lines.ValueFromIndex(i));
  }
  passwords_.Clear();
  for (int i = 0; i < commands_.Count(); ++i)
    commands_.SetStrings(i, GisExpandTemplate(commands_[i], nullptr,
                                              [this](const std::string& n) { return MacroValue(n); }));
  dialect_.SetText(GisSqlDialect(UpperCase(Trim(ConfigValue("Dialect")))));
  name_ = Trim(ConfigValue("Layer"));
  readOnly_ = GisStrToBoolean(Trim(ConfigValue("ReadOnly")), false);
  if (commands_.Count() == 0) FillCommands();
  engineOptions_ = GisStrToSize(Trim(ConfigValue("ENGINEOPTIONS")), GisStrToSize(Trim(dialect_.Values("ENGINEOPTIONS")), 0));
  engine_ = UpperCase(Trim(dialect_.Values("ENGINE")));
  mySql_ = engine_ == "MYSQL";
  const std::string file = GisPathAbsolute("", ConfigPath);
  if (!file.empty() && FileExists(file) && DirectoryExists(ExtractFileDir(file))) {
    TCurrentDirGuard keep;
    SetCurrentDir(ExtractFileDir(file));
    DbConnect();
  } else {
    DbConnect();
  }
  GisLayerPasswords().Merge(&passwords_);
}

void TGIS_FilePixelStoreAbstract2::Disconnect() {
  DbDisconnect();
}

void TGIS_FilePixelStoreAbstract2::CreateCatalogue() {
  DbExecute(Command(0));
  DbExecute(Command(3));
  DbExecute(Command(34));
}

void TGIS_FilePixelStoreAbstract2::DropStore() {
  try {
    DbExecute(Format(Command(2), {name_}));
  } catch (const Exception&) {
  }
  try {
    DbExecute(Format(Command(10), {name_}));
  } catch (const Exception&) {
  }
  DbExecute(Command(34));
}

void TGIS_FilePixelStoreAbstract2::CreateStoreTables(const TGIS_Extent& extent, int imageType,
                                                     const std::string& spatialText, long double pixelSize,
                                                     int compress) {
  DbExecute(Format(Command(1), {name_}));
  for (int n = 4; n <= 6; ++n) DbExecute(Format(Command(n), {name_, name_}));
  DbExecute(Format(Command(7), {name_, GisFloatToStr(extent.XMin), GisFloatToStr(extent.XMax),
                                GisFloatToStr(extent.YMin), GisFloatToStr(extent.YMax),
                                GisFloatToStr(static_cast<double>(pixelSize)), imageType, compress, 1,
                                spatialText}));
  DbExecute(Command(34));
}

void TGIS_FilePixelStoreAbstract2::ReadCatalogue() {
  Connect();
  QueryOpen(Format(Command(9), {name_}));
  auto close = ScopeExit([this] { QueryClose(); });
  if (QueryEof()) return;
  extent_.XMin = QueryField(Command(22)).AsDouble();
  extent_.XMax = QueryField(Command(23)).AsDouble();
  extent_.YMin = QueryField(Command(24)).AsDouble();
  extent_.YMax = QueryField(Command(25)).AsDouble();
  pixelSize_ = QueryField(Command(26)).AsDouble();
  compress_ = QueryField(Command(28)).AsInteger();
  imageType_ = QueryField(Command(27)).AsInteger();
  levels_ = QueryField(Command(29)).AsInteger();
}

void TGIS_FilePixelStoreAbstract2::CreateStore(const std::string& path, const TGIS_Extent& extent,
                                               long double pixelSize, int imageType, int quality) {
  CreateStoreObjects(path, extent, pixelSize, imageType, quality, true);
}

void TGIS_FilePixelStoreAbstract2::CreateStoreObjects(const std::string& path, const TGIS_Extent& extent,
                                                      long double pixelSize, int imageType, int quality,
                                                      bool dropOlder) {
  ConfigPath = path;
  Connect();
  {
    auto disconnect = ScopeExit([this] { Disconnect(); });
    try {
      CreateCatalogue();
    } catch (const Exception&) { // the catalogue may exist
    }
    if (dropOlder) DropStore();
    CreateStoreTables(extent, imageType, "", pixelSize, quality);
  }
  ReadCatalogue();
}

int TGIS_FilePixelStoreAbstract2::ImageTypeOf(const TGIS_PixelCapabilities& capability) {
  switch (capability.CompressionClass) {
  case 1:
    SK_ASSERT(capability.PixelFormat == (capability.Flag ? pf8bit : pf24bit), GIS_RS_ERR_UNTESTED,
              "GisFilePixelStore2", __LINE__);
    return capability.Flag ? 2 : 1;
  case 2:
    SK_ASSERT(!capability.Flag, GIS_RS_ERR_UNTESTED, "GisFilePixelStore2", __LINE__);
    switch (capability.PixelFormat) {
    case pf24bit: return 3;
    case pf8bit: return 4;
    case pf1bit: return 5;
    default: SK_ASSERT(false, GIS_RS_ERR_UNTESTED, "GisFilePixelStore2", __LINE__);
    }
    return 3;
  default: return 0;
  }
}

void TGIS_FilePixelStoreAbstract2::CreateNew(const std::string& path, int width, int height,
                                             const TGIS_Extent& extent, int quality, int subFormat) {
  const TGIS_PixelCapabilities* chosen = nullptr;
  for (const TGIS_PixelCapabilities& c : capabilities_)
    if (c.Identifier == subFormat) chosen = &c;
  if (chosen == nullptr) throw EGIS_Exception(GIS_RS_ERR_BADPIXELFORMAT);
  capability_ = *chosen;
  width_ = width;
  height_ = height;
  quality_ = std::clamp(quality, 0, 100);
  const long double pixelSize =
      width > 0 ? (static_cast<long double>(extent.XMax) - extent.XMin) / width : 0.0L;
  CreateStoreObjects(path, extent, pixelSize, ImageTypeOf(capability_), quality_, !path.empty());
}

TGIS_Extent TGIS_FilePixelStoreAbstract2::PixelCellExtent(int x, int y) const {
  TGIS_Extent e;
  e.XMin = static_cast<double>(x * pixelSize_ + extent_.XMin);
  e.XMax = static_cast<double>(e.XMin + CellSize * pixelSize_);
  e.YMin = static_cast<double>(extent_.YMax - (y + CellSize) * pixelSize_);
  e.YMax = static_cast<double>(e.YMin + CellSize * pixelSize_);
  return e;
}

void TGIS_FilePixelStoreAbstract2::WriteBitmap(int x, int y, TBitmap& bitmap) {
  WriteCellBitmap(bitmap, PixelCellExtent(x, y));
}

// ---- cells ------------------------------------------------------------------------------

void TGIS_FilePixelStoreAbstract2::StartCells(const TGIS_Extent& extent, long double scale) {
  eof_ = true;
  if (extent.XMax - extent.XMin == 0 || extent.YMax - extent.YMin == 0) return;
  if (pixelSize_ == 0) return;
  int f;
  long double s;
  if (scale > 0) {
    f = levels_;
    s = pixelSize_ * scale;
  } else {
    f = 2 * levels_;
    s = std::fabs(scale);
  }
  while (f > 1 && f > 1 / s) f /= 2;
  if (f < 1) f = 1;
  SetRange(extent, f);
}

void TGIS_FilePixelStoreAbstract2::SetRange(const TGIS_Extent& extent, int factor) {
  factor_ = factor;
  const long double span = pixelSize_ * CellSize * factor;
  firstColumn_ = FirstIndex((extent.XMin - extent_.XMin) / span);
  endColumn_ = EndIndex((extent.XMax - extent_.XMin) / span);
  firstRow_ = FirstIndex((extent_.YMax - extent.YMax) / span);
  endRow_ = EndIndex((extent_.YMax - extent.YMin) / span);
  column_ = firstColumn_ - 1;
  row_ = firstRow_;
  eof_ = false;
}

bool TGIS_FilePixelStoreAbstract2::NextCell() {
  if (eof_) return false;
  ++column_;
  if (column_ >= endColumn_) {
    column_ = firstColumn_;
    ++row_;
  }
  if (row_ >= endRow_ || firstColumn_ >= endColumn_) {
    eof_ = true;
    return false;
  }
  LoadCell();
  return true;
}

std::int64_t TGIS_FilePixelStoreAbstract2::CellCount() const {
  if (eof_ || endColumn_ <= firstColumn_ || endRow_ <= firstRow_) return 0;
  return (std::int64_t(endColumn_) - firstColumn_) * (std::int64_t(endRow_) - firstRow_);
}

TGIS_Extent TGIS_FilePixelStoreAbstract2::CellExtent() const {
  const long double span = pixelSize_ * CellSize * factor_;
  TGIS_Extent e;
  e.XMin = static_cast<double>(extent_.XMin + column_ * span);
  e.XMax = static_cast<double>(extent_.XMin + (column_ + 1) * span);
  e.YMin = static_cast<double>(extent_.YMax - (row_ + 1) * span);
  e.YMax = static_cast<double>(extent_.YMax - row_ * span);
  return e;
}

bool TGIS_FilePixelStoreAbstract2::CacheFetch() {
  for (auto it = cache_.begin(); it != cache_.end(); ++it)
    if (it->Factor == factor_ && it->Column == column_ && it->Row == row_) {
      cellState_ = it->State;
      cellBytes_ = it->Bytes;
      cache_.splice(cache_.begin(), cache_, it);
      return true;
    }
  return false;
}

void TGIS_FilePixelStoreAbstract2::CacheStore() {
  for (auto it = cache_.begin(); it != cache_.end(); ++it)
    if (it->Factor == factor_ && it->Column == column_ && it->Row == row_) {
      it->State = cellState_;
      it->Bytes = cellBytes_;
      cache_.splice(cache_.begin(), cache_, it);
      return;
    }
  if (static_cast<int>(cache_.size()) >= CacheCapacity) cache_.pop_back();
  cache_.push_front({factor_, column_, row_, cellState_, cellBytes_});
}

void TGIS_FilePixelStoreAbstract2::LoadCell() {
  if (CacheFetch()) return;
  ++cellQueries_;
  QueryOpen(SelectSql(name_, CellCondition(factor_, column_, row_)));
  auto close = ScopeExit([this] { QueryClose(); });
  if (QueryEof()) {
    cellState_ = TGIS_PixelStoreCellState::Missing;
    cellBytes_.clear();
    return;
  }
  cellBytes_ = QueryBlob(Command(33));
  cellState_ = cellBytes_.empty() ? TGIS_PixelStoreCellState::Empty : TGIS_PixelStoreCellState::Data;
  CacheStore();
}

void TGIS_FilePixelStoreAbstract2::WriteBitmapBytes(int x, int y, const std::vector<std::uint8_t>& bytes) {
  WriteCellBytes(PixelCellExtent(x, y), bytes);
}

void TGIS_FilePixelStoreAbstract2::WriteCellBytes(const TGIS_Extent& extent, const std::vector<std::uint8_t>& bytes) {
  if (readOnly_) return;
  // Always the cell of factor 1 (a scale of 1 would pick a pyramid level
  // when the pixel size is below 1 and the store has levels).
  eof_ = true;
  if (extent.XMax - extent.XMin == 0 || extent.YMax - extent.YMin == 0 || pixelSize_ == 0) return;
  SetRange(extent, 1);
  if (!FirstCell()) return;
  WriteCell(bytes);
}

void TGIS_FilePixelStoreAbstract2::WriteCell(const std::vector<std::uint8_t>& bytes) {
  if (readOnly_) return;
  TableOpenForWrite(name_, CellCondition(factor_, column_, row_));
  if (engineOptions_ & 1) DbBeginTrans();
  if (TableEof()) {
    try {
      TableAppend(name_);
      TableSetField(Command(29), Variant(factor_));
      TableSetField(Command(31), Variant(column_));
      TableSetField(Command(32), Variant(row_));
    } catch (const Exception&) {
    }
  }
  cellBytes_ = bytes;
  cellState_ = bytes.empty() ? TGIS_PixelStoreCellState::Empty : TGIS_PixelStoreCellState::Data;
  CacheStore();
  {
    auto close = ScopeExit([this] { TableClose(); });
    if (!bytes.empty()) TableSetBlob(Command(33), bytes);
    TablePost();
    if (engineOptions_ & 1) DbCommitTrans();
  }
  UpdateLevels();
}

void TGIS_FilePixelStoreAbstract2::UpdateLevels() {
  if (levels_ >= factor_) return;
  levels_ = factor_;
  DbExecute(Format(Command(8), {levels_, name_}));
}

void TGIS_FilePixelStoreAbstract2::WriteCellBitmap(TBitmap& bitmap, const TGIS_Extent& extent) {
  if (bitmap.Width() != CellSize || bitmap.Height() != CellSize)
    throw EGIS_Exception(GIS_RS_ERR_PIXELSTORE_WRONGSOURCE);
  WriteCellBytes(extent, GisPixelStore2EncodeCell(bitmap, imageType_, compress_));
}

void TGIS_FilePixelStoreAbstract2::CellBitmap(TBitmap& cell) const {
  switch (cellState_) {
  case TGIS_PixelStoreCellState::Missing:
    GisPixelStoreFillCell(cell, CellSize, CellSize, 0x000000);
    break;
  case TGIS_PixelStoreCellState::Empty:
    GisPixelStoreFillCell(cell, CellSize, CellSize, 0xFFFFFF);
    break;
  case TGIS_PixelStoreCellState::Data:
    GisPixelStoreDecodeCell(cellBytes_, GisPixelStore2Codec(imageType_), cell);
    break;
  }
}

int TGIS_FilePixelStoreAbstract2::PyramidCellCount(int a, int b, int c, int d) {
  const int n = (b / 2 - a / 2 + 1) * (d / 2 - c / 2 + 1);
  if (n <= 1) return 1;
  return n + PyramidCellCount(a / 2, b / 2, c / 2, d / 2);
}

void TGIS_FilePixelStoreAbstract2::Complete() {
  if (readOnly_ || pixelSize_ == 0) return;
  TBitmap work(2 * CellSize, 2 * CellSize, pf24bit);
  bool abort = false;
  SetRange(extent_, 1);
  const int total = PyramidCellCount(firstColumn_, endColumn_, firstRow_, endRow_);
  int done = 0;
  auto finish = ScopeExit([&] {
    if (OnBusy) {
      bool last = true;
      OnBusy(-1, -1, last);
    }
  });
  if (OnBusy) OnBusy(0, total, abort);
  long double x = 0.5L;
  int count = 0;
  for (;;) {
    const int previous = count;
    count = 0;
    StartCells(extent_, -x);
    FirstCell();
    while (!eof_) {
      const int pf = factor_, pc = column_, pr = row_;
      const int pfc = firstColumn_, pec = endColumn_, pfr = firstRow_, per = endRow_;
      factor_ = static_cast<int>(std::lround(1 / (2 * x)));
      firstColumn_ = 2 * pc;
      endColumn_ = 2 * pc + 2;
      firstRow_ = 2 * pr;
      endRow_ = 2 * pr + 2;
      column_ = firstColumn_ - 1;
      row_ = firstRow_;
      eof_ = false;
      int i = 0;
      TBitmap child;
      while (NextCell()) {
        SK_ASSERT(i < 4, "Prepare Quads - to many cells in quad", "GisFilePixelStore2", __LINE__);
        if (OnBusy) {
          abort = false;
          OnBusy(std::min(done, total), total, abort);
          if (abort) return;
        }
        CellBitmap(child);
        BitBlt(work.Canvas()->Handle(), (i % 2) * CellSize, (i / 2) * CellSize, CellSize, CellSize,
               child.Canvas()->Handle(), 0, 0, SRCCOPY);
        ++i;
      }
      factor_ = pf;
      column_ = pc;
      row_ = pr;
      firstColumn_ = pfc;
      endColumn_ = pec;
      firstRow_ = pfr;
      endRow_ = per;
      eof_ = false;
      TBitmap parent(CellSize, CellSize, pf24bit);
      SetStretchBltMode(parent.Canvas()->Handle(), HALFTONE);
      StretchBlt(parent.Canvas()->Handle(), 0, 0, CellSize, CellSize, work.Canvas()->Handle(), 0, 0,
                 2 * CellSize, 2 * CellSize, SRCCOPY);
      WriteCell(GisPixelStore2EncodeCell(parent, imageType_, compress_));
      ++done;
      ++count;
      NextCell();
    }
    x /= 2;
    if (count <= 1 || count == previous) break;
  }
}
