// TGIS_LayerVPF: primitives per tile, the row readers, shapes and the cursor.
#include "gis/formats/GisLayerVPF.h"

#include <cmath>
#include <numbers>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char VPF_DESCRIPTION[] = "VPF (Vector Product Format)";

/// What a feature class reads, by its kind (0 point, 1 line, 2 area, 3 text).
struct TVpfKind {
  const char* Extension;
  const char* IdColumn;
  const char* Assertion;
  std::vector<const char*> Primitives;
  std::vector<int> PrimitiveKinds;
};

const TVpfKind& VpfKind(int kind) {
  static const TVpfKind kinds[] = {
      {".PFT", "end_id", "Point - Unsupported type", {"END"}, {0}},
      {".LFT", "edg_id", "Line - Unsupported type", {"EDG"}, {1}},
      {".AFT", "fac_id", "Area - Unsupported type", {"FAC", "RNG", "EDG"}, {2, 3, 4}},
      {".TFT", "txt_id", "text - Unsupported type", {"TXT"}, {5}},
  };
  return kinds[kind];
}

[[noreturn]] void VpfUnsupported(const char* text, int line) {
  ::Assert(false, text, "GisLayerVPF", line);
  throw EAssertionFailed(text, "GisLayerVPF", line);
}

/// Moves to a record offset of an index; one outside the file goes to its end.
void VpfSeekOffset(TGIS_BufferedFileStream& s, std::int32_t offset) {
  s.Seek(offset < 0 || offset > s.Size() ? s.Size() : offset, 0);
}

} // namespace

TGIS_LayerVPF::TGIS_LayerVPF() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE;
  const std::span<const std::uint8_t> none{};
  point_ = std::make_unique<TGIS_ShapePoint>(nullptr, none, false, -1);
  arc_ = std::make_unique<TGIS_ShapeArc>(nullptr, none, false, -1);
}

TGIS_LayerVPF::~TGIS_LayerVPF() {
  EndPass();
  current_ = nullptr;
}

// ---- opening -------------------------------------------------------------------------------

void TGIS_LayerVPF::Open() {
  EndPass();
  current_ = nullptr;
  stream_.reset();
  primitives_.clear();
  chars_.clear();
  feature_.Reset();
  TGIS_LayerVector::Open();
  lastUid_ = -1;
  folder_ = ExtractFilePath(ToSlashes(path_));
  stream_ = std::make_unique<TGIS_BufferedFileStream>(path_, false, OnAfterRead);
  attributesWanted_ = directAccess_ = false;
  currentTile_ = 0;
  OpenJoinTable();
  OpenValueTables();
  OpenTileReference();
  const std::string extension = UpperCase(ExtractFileExt(path_));
  feature_.Kind = 2;
  for (int k = 0; k < 4; ++k)
    if (extension == VpfKind(k).Extension) feature_.Kind = k;
  OpenPrimitives();
  // The fields come from the header; every pass reads it again.
  ReadTableHeader(*stream_, feature_);
  for (const T_Column& c : feature_.Columns)
    AddColumnField(c);
  if (feature_.Kind == 3 && FindFieldIndex("String") < 0)
    AddFieldEx("String", gisFieldTypeString, 1, 0, true, 0);
  headerPending_ = true;
  endOfTable_ = true;
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(VPF_DESCRIPTION);
}

void TGIS_LayerVPF::OpenPrimitives() {
  const TVpfKind& kind = VpfKind(feature_.Kind);
  if (feature_.Kind == 0 || feature_.Kind == 3)
    SetSupportedShapes(GisShapeTypeBit(gisShapeTypePoint));
  else if (feature_.Kind == 1)
    SetSupportedShapes(GisShapeTypeBit(gisShapeTypeArc));
  ReadIndexFile(path_, &feature_, nullptr);
  for (std::size_t t = 0; t < tiles_.Tiles.size(); ++t) {
    const T_TileMgr::TTile& tile = tiles_.Tiles[t];
    // A gap in the tile ids is no tile: its places hold nothing.
    const bool listed = t == 0 || tile.Id == std::int32_t(t);
    for (std::size_t n = 0; n < kind.Primitives.size(); ++n) {
      if (!listed) {
        primitives_.push_back(nullptr);
        continue;
      }
      auto p = std::make_unique<T_Feature>();
      p->Kind = kind.PrimitiveKinds[n];
      p->Tile = int(t);
      const std::string name = kind.Primitives[n];
      const std::string file = FindFile(folder_, tile.Name.empty() ? name : tile.Name + "\\" + name);
      if (!file.empty()) {
        try {
          p->Stream = std::make_unique<TGIS_BufferedFileStream>(file, false, OnAfterRead);
          ReadTableHeader(*p->Stream, p->Table);
          p->FirstRow = p->Stream->GetPosition();
          ReadIndexFile(file, nullptr, p.get());
        } catch (const Exception&) {
          // A primitive table that cannot be set up gives no shapes; its
          // place in the list stays, so later tiles keep their own tables.
          p->Stream.reset();
          p->Offsets.clear();
          p->RecordCount = 0;
        }
      }
      primitives_.push_back(std::move(p));
    }
  }
}

void TGIS_LayerVPF::AddColumnField(const T_Column& c) {
  if (c.Name.empty() || FindFieldIndex(c.Name) >= 0) return;
  std::uint8_t type = gisFieldTypeString;
  switch (c.Type) {
  case 'D':
    type = gisFieldTypeDate;
    break;
  case 'F':
    type = gisFieldTypeFloat;
    break;
  case 'I':
  case 'K':
  case 'S':
    type = gisFieldTypeNumber;
    break;
  default:
    break;
  }
  if (!chars_.empty()) type = gisFieldTypeString;
  switch (type) {
  case gisFieldTypeNumber:
    AddFieldEx(c.Name, type, 10, 0, true, 0);
    break;
  case gisFieldTypeFloat:
    AddFieldEx(c.Name, type, 10, 4, true, 0);
    break;
  case gisFieldTypeDate:
    AddFieldEx(c.Name, type, 15, 0, true, 0);
    break;
  default:
    AddFieldEx(c.Name, type, 1, 0, true, 0);
    break;
  }
}

// ---- rows of the feature table ---------------------------------------------------------------

void TGIS_LayerVPF::ReadRow() {
  TGIS_BufferedFileStream& s = *stream_;
  const TVpfKind& kind = VpfKind(feature_.Kind);
  if (headerPending_) {
    ReadTableHeader(s, feature_);
    for (const T_Column& c : feature_.Columns)
      AddColumnField(c);
    headerPending_ = false;
  }
  if (directAccess_) {
    if (feature_.Offsets.size() < std::size_t(wantedUid_)) {
      directAccess_ = false;
    } else {
      VpfSeekOffset(s, feature_.Offsets[std::size_t(wantedUid_) - 1]);
      row_ = wantedUid_ - 1;
    }
  }
  if (s.Eof()) {
    endOfTable_ = true;
    return;
  }
  const std::int64_t start = s.GetPosition();
  ++row_;
  bool joinDue = false;
  for (T_Column& c : feature_.Columns) {
    switch (c.Type) {
    case 'F':
      c.Value = Variant(ReadFloat32(s));
      break;
    case 'I': {
      const std::int32_t v = ReadInt32(s);
      c.Value = Variant(v);
      if (c.Name == "id") {
        currentId_ = v;
        joinDue = true;
      } else if (c.Name == kind.IdColumn) {
        currentId_ = v;
        BuildShape(v);
      }
      break;
    }
    case 'S': {
      const std::int32_t v = ReadInt16(s);
      c.Value = Variant(v);
      if (c.Name == "tile_id") currentTile_ = v;
      break;
    }
    case 'T':
      c.Value = Variant(Trim(ReadText(s, c, true)));
      break;
    case 'D':
      if (feature_.Kind != 2) VpfUnsupported(kind.Assertion, __LINE__);
      c.Value = Variant(Trim(ReadBytes(s, 20)));
      break;
    default:
      VpfUnsupported(kind.Assertion, __LINE__);
    }
  }
  if (joinDue) {
    const T_Join* found = nullptr;
    if (join_.Rows != nullptr)
      join_.Rows->ForEach(
        [&](void*, const TGIS_HashItem&, void* object, bool& cont) {
          const auto* j = static_cast<const T_Join*>(object);
          if (j->FeatureId == currentId_) {
            found = j;
            cont = false;
          }
        },
        nullptr);
    if (found != nullptr) {
      currentTile_ = found->TileId;
      BuildShape(found->PrimitiveId);
    }
  }
  if (feature_.Kind != 2 && viewer_ != nullptr && current_ != nullptr &&
      current_->Uid() % 1000 == 1) {
    bool abort = false;
    viewer_->BusyShake(this, int(s.GetPosition() >> 10), int(s.Size() >> 10), abort);
  }
  // A row of no bytes (a header without columns) would never end the table.
  endOfTable_ = s.GetPosition() >= s.Size() || s.GetPosition() == start;
}

// ---- shapes ----------------------------------------------------------------------------------

void TGIS_LayerVPF::BuildShape(std::int32_t primitiveId) {
  if (currentTile_ < 0 || std::size_t(currentTile_) >= tiles_.Tiles.size() ||
      std::size_t(currentTile_) >= primitives_.size())
    return;
  if (primitives_[std::size_t(currentTile_)] == nullptr) return;
  T_Feature& p = *primitives_[std::size_t(currentTile_)];
  p.WantedId = primitiveId;
  if (!GisIsExtentIntersecting(tiles_.Tiles[std::size_t(currentTile_)].Extent, CursorExtent()))
    return;
  if (p.Stream == nullptr) return;
  p.Table.Points.clear();
  switch (feature_.Kind) {
  case 0:
    ReadNode(p);
    if (!p.Table.Points.empty()) {
      TGIS_Shape* shape = BeginShape();
      shape->AddPart();
      shape->AddPoint(p.Table.Points.front());
      EndShape();
      if (attributesWanted_) SetAttributes(*shape);
    }
    break;
  case 1:
    ReadEdge(p);
    if (primitiveFound_ && !p.Table.Points.empty()) {
      TGIS_Shape* shape = BeginShape();
      shape->AddPart();
      for (const TGIS_Point& pt : p.Table.Points)
        shape->AddPoint(pt);
      EndShape();
      if (attributesWanted_) SetAttributes(*shape);
    }
    break;
  case 3:
    ReadTextPrimitive(p);
    if (!p.Table.Points.empty()) {
      TGIS_Shape* shape = BeginShape();
      shape->AddPart();
      shape->AddPoint(p.Table.Points.front());
      TGIS_ParamsSectionVector& section = shape->GetParamsSection();
      if (p.Table.Points.size() >= 2) {
        const TGIS_Point& a = p.Table.Points[0];
        const TGIS_Point& b = p.Table.Points[1];
        // Clockwise on screen is positive: the map angle turned over.
        double angle = -std::atan2(b.Y - a.Y, b.X - a.X);
        if (angle < 0) angle += 2 * std::numbers::pi;
        section.GetLabel().SetRotate(angle);
      }
      section.GetLabel().SetField("String");
      EndShape();
      if (attributesWanted_) {
        SetAttributes(*shape);
        for (const T_Column& c : p.Table.Columns)
          if (SameText(c.Name, "string")) shape->SetField(c.Name, c.Value);
      }
    }
    break;
  default:
    break;
  }
  p.Table.Points.clear();
}

std::int32_t TGIS_LayerVPF::ReadPrimitiveRow(T_Feature& p, bool counted, bool keepAll,
                                             const char* assertion) {
  TGIS_BufferedFileStream& s = *p.Stream;
  std::int32_t rowId = -1;
  for (T_Column& c : p.Table.Columns) {
    switch (c.Type) {
    case 'C':
    case 'Z': {
      // Coordinates count only for the wanted row, whose id came first.
      const bool is3D = c.Type == 'Z';
      const std::int64_t n = counted ? CheckedCount(s, ReadInt32(s), is3D ? 12 : 8) : 1;
      const bool keep = keepAll || rowId == p.WantedId;
      if (keep) p.Table.Points.reserve(p.Table.Points.size() + std::size_t(n));
      for (std::int64_t i = 0; i < n; ++i) {
        const TGIS_Point pt = ReadCoordinate(s, is3D);
        if (keep) p.Table.Points.push_back(pt);
      }
      break;
    }
    case 'I': {
      const std::int32_t v = ReadInt32(s);
      c.Value = Variant(v);
      if (c.Name == "id") rowId = v;
      break;
    }
    case 'S':
      c.Value = Variant(std::int32_t(ReadInt16(s)));
      break;
    case 'F':
      c.Value = Variant(ReadFloat32(s));
      break;
    case 'K': {
      std::int32_t id = 0, tile = 0;
      ReadTriplet(s, id, tile);
      c.Value = Variant(id);
      break;
    }
    case 'T':
      c.Value = Variant(Trim(ReadText(s, c, true)));
      break;
    case 'X':
      break;
    default:
      VpfUnsupported(assertion, __LINE__);
    }
  }
  return rowId;
}

void TGIS_LayerVPF::ScanPrimitive(T_Feature& p, bool counted, const char* assertion) {
  TGIS_BufferedFileStream& s = *p.Stream;
  while (!s.Eof()) {
    const std::int64_t start = s.GetPosition();
    if (ReadPrimitiveRow(p, counted, false, assertion) == p.WantedId) break;
    if (s.GetPosition() == start) break; // a row of no bytes would never end
  }
  primitiveFound_ = shapeComplete_ = true;
}

void TGIS_LayerVPF::ReadEdge(T_Feature& p) {
  primitiveFound_ = false;
  if (p.WantedId <= 0 || p.Offsets.size() < std::size_t(p.WantedId)) return;
  VpfSeekOffset(*p.Stream, p.Offsets[std::size_t(p.WantedId) - 1]);
  if (p.Stream->Eof()) return;
  ReadPrimitiveRow(p, true, true, "Primary edge - Unsupported type");
  primitiveFound_ = shapeComplete_ = true;
}

void TGIS_LayerVPF::ReadNode(T_Feature& p) {
  primitiveFound_ = false;
  if (p.WantedId <= 0) return;
  if (p.Offsets.size() >= std::size_t(p.WantedId)) {
    const std::int32_t offset = p.Offsets[std::size_t(p.WantedId) - 1];
    if (offset != 0) VpfSeekOffset(*p.Stream, offset);
  } else {
    p.Stream->Seek(p.FirstRow, 0);
  }
  ScanPrimitive(p, false, "Primary node - Unsupported type");
}

void TGIS_LayerVPF::ReadTextPrimitive(T_Feature& p) {
  primitiveFound_ = false;
  if (p.WantedId <= 0) return;
  if (p.Offsets.size() >= std::size_t(p.WantedId))
    VpfSeekOffset(*p.Stream, p.Offsets[std::size_t(p.WantedId) - 1]);
  ScanPrimitive(p, true, "Primary text - Unsupported type");
}

TGIS_Shape* TGIS_LayerVPF::BeginShape() {
  TGIS_Shape* work = feature_.Kind == 1 ? arc_.get() : point_.get();
  // The UID is the feature's row, whichever way the row was reached.
  work->Recreate(nullptr, {}, false, row_, this);
  current_ = work;
  work->Lock(2);
  work->Reset();
  return work;
}

void TGIS_LayerVPF::EndShape() {
  if (current_ != nullptr) current_->Unlock();
}

void TGIS_LayerVPF::SetAttributes(TGIS_Shape& shape) {
  for (const T_Column& c : feature_.Columns)
    if (!c.Name.empty()) DescribeValue(c, &shape);
}

Variant TGIS_LayerVPF::DescribeValue(const T_Column& c, TGIS_Shape* shape) {
  Variant v = c.Value;
  if (!chars_.empty()) {
    const std::string attribute = UpperCase(c.Name);
    const std::string value = UpperCase(VarToStr(v));
    for (const auto& ch : chars_)
      if (ch->Attribute == attribute && ch->Value == value) {
        v = Variant(ch->Description);
        break;
      }
  }
  if (shape != nullptr) shape->SetField(c.Name, v);
  return v;
}

Variant TGIS_LayerVPF::FetchFieldValue(std::int32_t, const std::string& storedName) {
  const T_Table* table = &feature_;
  if (SameText(storedName, "String")) {
    if (currentTile_ < 0 || std::size_t(currentTile_) >= primitives_.size() ||
        primitives_[std::size_t(currentTile_)] == nullptr)
      return Variant();
    table = &primitives_[std::size_t(currentTile_)]->Table;
  }
  const std::string wanted = UpperCase(storedName);
  Variant result;
  for (const T_Column& c : table->Columns)
    if (UpperCase(c.Name) == wanted) result = DescribeValue(c, nullptr);
  return result;
}

Variant TGIS_LayerVPF::ReadFieldValue(TGIS_Shape* shape, int index) {
  const TGIS_FieldInfo* info = GetFieldInfo(index);
  if (info == nullptr || shape == nullptr) return Variant();
  return FetchFieldValue(shape->Uid(), info->Name);
}

// ---- the cursor ----------------------------------------------------------------------------

void TGIS_LayerVPF::BeginPass() {
  EndPass();
  if (viewer_ != nullptr) {
    viewer_->BusyPrepare(this);
    busyHeld_ = true;
  }
}

void TGIS_LayerVPF::EndPass() {
  if (!busyHeld_) return;
  busyHeld_ = false;
  if (viewer_ != nullptr) viewer_->BusyRelease(this);
}

void TGIS_LayerVPF::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                              bool skipDeleted, const std::string& pattern, TGIS_Shape* shape) {
  current_ = nullptr;
  if (stream_ == nullptr) return;
  BeginPass();
  stream_->Seek(0, 0);
  row_ = 0;
  endOfTable_ = false;
  headerPending_ = true;
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  MoveNext();
}

void TGIS_LayerVPF::MoveNext() {
  // A failing row ends the pass: its busy state goes with it.
  auto failed = ScopeExit([&] {
    current_ = nullptr;
    EndPass();
  });
  for (;;) {
    current_ = nullptr;
    if (!endOfTable_ && stream_ != nullptr) {
      ReadRow();
      if (endOfTable_) EndPass();
      if (current_ != nullptr) {
        current_ = FindEditedShape(current_);
        break;
      }
      if (directAccess_) break; // exactly one row was asked for
      if (!endOfTable_) continue;
    }
    if (directAccess_) break;
    // The file is done: the shapes added in memory follow.
    TGIS_Shape* shape = NextNewShape();
    if (shape == nullptr) break;
    current_ = shape;
    if (CursorSkipDeleted() && shape->IsDeleted()) continue;
    if (MatchesFilter(shape)) break;
  }
  failed.Dismiss();
}

TGIS_Shape* TGIS_LayerVPF::GetCurrentShape() const {
  return current_ != nullptr ? current_ : TGIS_LayerVector::GetCurrentShape();
}

TGIS_Shape* TGIS_LayerVPF::GetShape(std::int32_t uid) {
  if (uid <= 0) return nullptr;
  if (current_ != nullptr && current_->Uid() == uid) return current_;
  if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
  if (stream_ == nullptr) return nullptr;
  // Before any pass the search covers the whole world.
  const TGIS_Extent search =
      GisIsEmptyExtent(CursorExtent()) ? GisWholeWorldExtent() : CursorExtent();
  auto done = ScopeExit([&] {
    attributesWanted_ = directAccess_ = false;
    headerPending_ = true;
    EndPass();
  });
  BeginPass();
  stream_->Seek(0, 0);
  headerPending_ = true;
  row_ = 0;
  endOfTable_ = false;
  attributesWanted_ = directAccess_ = true;
  wantedUid_ = uid;
  CursorFirst(search, "", true, "", nullptr);
  MoveNext();
  while (current_ != nullptr && current_->Uid() != uid && !directAccess_)
    MoveNext();
  if (current_ != nullptr && current_->Uid() != uid) current_ = nullptr;
  return current_;
}

std::int32_t TGIS_LayerVPF::GetLastUid() const {
  if (lastUid_ == -1) lastUid_ = ScanLastUid();
  return lastUid_;
}

std::int32_t TGIS_LayerVPF::GetNewUid() const {
  return GetLastUid() + 1;
}

void GisRegisterLayerVPF() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerVPF", VPF_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerVPF>();
      });
}
