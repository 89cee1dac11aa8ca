// TGIS_LayerVPF: the table format and the auxiliary tables read at open.
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisLayerVPF.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

/// Tile ids beyond this are a damaged tile reference.
constexpr std::int32_t kVpfMaxTileId = 65535;

[[noreturn]] void VpfTableUnsupported(const char* text, int line) {
  ::Assert(false, text, "GisLayerVPF", line);
  throw EAssertionFailed(text, "GisLayerVPF", line);
}

std::int32_t VpfColumnIndex(const TGIS_LayerVPF::T_Table& table, const char* name) {
  for (std::size_t i = 0; i < table.Columns.size(); ++i)
    if (table.Columns[i].Name == name) return std::int32_t(i);
  return -1;
}

} // namespace

void TGIS_LayerVPF::T_Table::Reset() {
  HeaderLength = 0;
  ByteOrder = "L";
  Description.clear();
  Narrative.clear();
  Columns.clear();
  Points.clear();
  Rows.reset();
  JoinRows.clear();
  Offsets.clear();
}

// ---- scalar readers --------------------------------------------------------------------------

void TGIS_LayerVPF::BadFile(const std::string& path) const {
  throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path.empty() ? path_ : path, 0);
}

std::int32_t TGIS_LayerVPF::ReadInt32(TGIS_BufferedFileStream& s) {
  std::uint8_t b[4];
  s.ReadBuffer(b, 4);
  return std::int32_t(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                      (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24));
}

std::uint16_t TGIS_LayerVPF::ReadInt16(TGIS_BufferedFileStream& s) {
  std::uint8_t b[2];
  s.ReadBuffer(b, 2);
  return std::uint16_t(b[0] | (b[1] << 8));
}

std::uint8_t TGIS_LayerVPF::ReadByte(TGIS_BufferedFileStream& s) {
  std::uint8_t b = 0;
  s.ReadBuffer(&b, 1);
  return b;
}

double TGIS_LayerVPF::ReadFloat32(TGIS_BufferedFileStream& s) {
  const std::uint32_t bits = std::uint32_t(ReadInt32(s));
  float f = 0;
  std::memcpy(&f, &bits, 4);
  return double(f);
}

std::int64_t TGIS_LayerVPF::CheckedCount(TGIS_BufferedFileStream& s, std::int64_t count,
                                         std::int64_t size) {
  const std::int64_t left = s.Size() - s.GetPosition();
  if (count < 0 || (size > 0 && count > left / size)) BadFile(s.Path());
  return count;
}

std::string TGIS_LayerVPF::ReadBytes(TGIS_BufferedFileStream& s, std::int64_t n) {
  std::string text(std::size_t(CheckedCount(s, n, 1)), '\0');
  if (n > 0) s.ReadBuffer(text.data(), n);
  return text;
}

void TGIS_LayerVPF::ReadTriplet(TGIS_BufferedFileStream& s, std::int32_t& id,
                                std::int32_t& tileId) {
  const std::uint8_t type = ReadByte(s);
  auto part = [&](int bits) -> std::int32_t {
    switch (bits & 3) {
    case 1:
      return ReadByte(s);
    case 2:
      return ReadInt16(s);
    case 3:
      return ReadInt32(s);
    default:
      return 0;
    }
  };
  id = part(type >> 6);
  tileId = part(type >> 4);
  part(type >> 2); // the external id is dropped
}

TGIS_Point TGIS_LayerVPF::ReadCoordinate(TGIS_BufferedFileStream& s, bool is3D) {
  TGIS_Point p;
  p.X = ReadFloat32(s);
  p.Y = ReadFloat32(s);
  if (is3D) ReadFloat32(s);
  return p;
}

std::string TGIS_LayerVPF::ReadText(TGIS_BufferedFileStream& s, const T_Column& c,
                                    bool allowVariable) {
  if (c.Count == "*") {
    if (!allowVariable) BadFile(s.Path());
    return ReadBytes(s, ReadInt32(s));
  }
  Integer n = 0;
  if (!TryStrToInt(c.Count, n)) BadFile(s.Path());
  return ReadBytes(s, n);
}

// ---- headers and index files -------------------------------------------------------------------

void TGIS_LayerVPF::ReadTableHeader(TGIS_BufferedFileStream& stream, T_Table& table) {
  table.HeaderLength = 0;
  table.ByteOrder = "L";
  table.Description.clear();
  table.Narrative.clear();
  table.Columns.clear();
  stream.Seek(0, 0);
  table.HeaderLength = ReadInt32(stream);
  const std::uint8_t first = ReadByte(stream);
  if (first != ';') {
    table.ByteOrder = std::string(1, char(first));
    ReadByte(stream);
  }
  // A field runs to the next ';' or to the end of the file.
  auto field = [&] {
    std::string text;
    std::uint8_t b = 0;
    while (stream.Read(&b, 1) == 1 && b != ';')
      text += char(b);
    return text;
  };
  table.Description = field();
  table.Narrative = field();
  const std::string definitions = field();

  TGIS_Tokenizer columns, parts, nameType;
  columns.Execute(definitions, ":", false);
  for (int i = 0; i < columns.Result().Count(); ++i) {
    parts.Execute(columns.Result()[i], ",", false);
    if (parts.Result().Count() < 2) BadFile(stream.Path());
    const std::string head = parts.Result()[0];
    const std::size_t eq = head.find('=');
    if (eq == std::string::npos || eq + 1 >= head.size()) BadFile(stream.Path());
    T_Column c;
    c.Name = head.substr(0, eq);
    c.Type = head[eq + 1];
    c.Count = parts.Result()[1];
    table.Columns.push_back(std::move(c));
  }
}

void TGIS_LayerVPF::ReadIndexFile(const std::string& tablePath, T_Table* table,
                                  T_Feature* primitive) {
  if (tablePath.empty()) return;
  const std::string wanted = ToSlashes(tablePath.substr(0, tablePath.size() - 1) + "X");
  const std::string path = FindFileNoCase(wanted);
  if (path.empty() || !FileExists(path)) return;
  TGIS_BufferedFileStream s(path, false);
  const std::int32_t count = ReadInt32(s);
  ReadInt32(s); // header length
  CheckedCount(s, count, 8);
  std::vector<std::int32_t>& offsets = primitive != nullptr ? primitive->Offsets : table->Offsets;
  offsets.clear();
  offsets.reserve(std::size_t(count));
  for (std::int32_t i = 0; i < count && !s.Eof(); ++i) {
    offsets.push_back(ReadInt32(s));
    ReadInt32(s); // the record length is not needed
  }
  if (primitive != nullptr) primitive->RecordCount = count;
}

std::string TGIS_LayerVPF::FindFile(const std::string& folder, const std::string& relative) {
  std::string name = relative;
  for (char& c : name)
    if (c == '\\') c = '/';
  const std::string found = FindFileNoCase(folder + name);
  return !found.empty() && FileExists(found) ? found : std::string();
}

// ---- the join table ------------------------------------------------------------------------

void TGIS_LayerVPF::OpenJoinTable() {
  join_.Reset();
  if (path_.size() < 2) return;
  const std::string path = FindFileNoCase(ToSlashes(path_.substr(0, path_.size() - 2) + "JT"));
  if (path.empty() || !FileExists(path)) return;
  TGIS_BufferedFileStream s(path, false);
  ReadTableHeader(s, join_);
  join_.Rows = std::make_unique<TGIS_HashList>();
  // Only integer columns make a join row: every row of a table with another
  // type in its layout fails alike, so such a table gives no rows.
  for (const T_Column& c : join_.Columns)
    if (c.Type != 'I' && c.Type != 'S') return;
  while (!s.Eof()) {
    const std::int64_t start = s.GetPosition();
    auto row = std::make_unique<T_Join>();
    for (std::size_t i = 0; i < join_.Columns.size(); ++i) {
      T_Column& c = join_.Columns[i];
      const std::int32_t v = c.Type == 'I' ? ReadInt32(s) : std::int32_t(ReadInt16(s));
      c.Value = Variant(v);
      switch (i) {
      case 0:
        row->RowId = v;
        break;
      case 1:
        row->FeatureId = v;
        break;
      case 2:
        row->TileId = v;
        break;
      case 3:
        row->PrimitiveId = v;
        break;
      default:
        break;
      }
    }
    if (s.GetPosition() == start) break; // rows of no bytes would never end
    void* present = nullptr;
    if (join_.Rows->Find(Variant(row->RowId), present)) continue; // a repeated row id is dropped
    join_.Rows->Add(Variant(row->RowId), row.get());
    join_.JoinRows.push_back(std::move(row));
  }
}

// ---- value descriptions --------------------------------------------------------------------

void TGIS_LayerVPF::OpenValueTables() {
  chars_.clear();
  const std::string tableName = UpperCase(ExtractFileName(ToSlashes(path_)));
  for (const char* name : {"CHAR.VDT", "INT.VDT"}) {
    const std::string path = FindFile(folder_, name);
    if (path.empty()) continue;
    TGIS_BufferedFileStream s(path, false);
    ReadTableHeader(s, scratch_);
    std::int32_t tableColumn = VpfColumnIndex(scratch_, "table");
    if (tableColumn < 0) tableColumn = 1;
    const std::int32_t description = VpfColumnIndex(scratch_, "description");
    const std::int32_t attribute = VpfColumnIndex(scratch_, "attribute");
    const std::int32_t value = VpfColumnIndex(scratch_, "value");
    auto text = [&](std::int32_t i) {
      return i >= 0 && std::size_t(i) < scratch_.Columns.size()
                 ? VarToStr(scratch_.Columns[std::size_t(i)].Value)
                 : std::string();
    };
    while (!s.Eof()) {
      const std::int64_t start = s.GetPosition();
      for (T_Column& c : scratch_.Columns) {
        switch (c.Type) {
        case 'I':
          ReadInt32(s);
          break;
        case 'S':
          c.Value = Variant(std::int32_t(ReadInt16(s)));
          break;
        case 'T':
          c.Value = Variant(UpperCase(Trim(ReadText(s, c, false))));
          break;
        default:
          VpfTableUnsupported("CHAR - Unsupported type", __LINE__);
        }
      }
      if (s.GetPosition() == start) break; // rows of no bytes would never end
      if (text(tableColumn) != tableName) continue;
      auto row = std::make_unique<T_CHAR>();
      row->Description = text(description);
      row->Attribute = text(attribute);
      row->Value = text(value);
      chars_.push_back(std::move(row));
    }
  }
}

// ---- the tile reference --------------------------------------------------------------------

void TGIS_LayerVPF::OpenTileReference() {
  tiles_.Tiles.assign(1, T_TileMgr::TTile{});
  // The library folder is the one above the feature table's folder.
  const std::string library = ExtractFilePath(ExcludeTrailingPathDelimiter(folder_));
  const std::string path = FindFile(library, "TILEREF\\TILEREF.AFT");
  if (path.empty()) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, "TILEREF\\TILEREF.AFT", 0);
  {
    TGIS_BufferedFileStream s(path, false);
    ReadTableHeader(s, scratch_);
    if (scratch_.Columns.size() < 2) BadFile(path);
    while (!s.Eof()) {
      const std::int64_t start = s.GetPosition();
      for (T_Column& c : scratch_.Columns) {
        switch (c.Type) {
        case 'I':
          c.Value = Variant(ReadInt32(s));
          break;
        case 'T':
          c.Value = Variant(UpperCase(Trim(ReadText(s, c, false))));
          break;
        default:
          VpfTableUnsupported("Tile - Unsupported type", __LINE__);
        }
      }
      if (s.GetPosition() == start) BadFile(path); // rows of no bytes
      Integer id = -1;
      if (!TryStrToInt(VarToStr(scratch_.Columns[0].Value), id) || id < 0 || id > kVpfMaxTileId)
        BadFile(path);
      // Tiles may come in any order: the array only grows.
      if (tiles_.Tiles.size() < std::size_t(id) + 1) tiles_.Tiles.resize(std::size_t(id) + 1);
      tiles_.Tiles[std::size_t(id)].Id = id;
      tiles_.Tiles[std::size_t(id)].Name = VarToStr(scratch_.Columns[1].Value);
    }
  }

  const std::string fbr = FindFile(ExtractFilePath(path), "FBR");
  bool widened = false;
  auto pseudoTile = [&] {
    T_TileMgr::TTile& zero = tiles_.Tiles[0];
    zero.Id = 0;
    zero.Name.clear();
    zero.Extent = widened ? Extent() : TGIS_Extent{0, 0, 0, 0};
  };
  if (fbr.empty()) {
    pseudoTile();
    return;
  }
  auto finish = ScopeExit(pseudoTile);
  {
    TGIS_BufferedFileStream s(fbr, false);
    ReadTableHeader(s, scratch_);
    std::size_t k = 0;
    while (!s.Eof()) {
      ReadInt32(s);
      double v[4];
      for (double& x : v) {
        x = ReadFloat32(s);
        if (!std::isfinite(x)) BadFile(fbr);
        if (std::fabs(x) < 1e-10) x = 0;
      }
      if (k++ == 0) continue; // the universe face
      const TGIS_Extent e{v[0], v[1], v[2], v[3]};
      SetExtent(widened ? GisExtentUnion(Extent(), e) : e);
      widened = true;
      if (k - 1 < tiles_.Tiles.size()) tiles_.Tiles[k - 1].Extent = e;
    }
  }
}
