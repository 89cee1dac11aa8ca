// TGIS_LayerSqlAbstract: UIDs, writing shapes, field synchronisation,
// saving, building and importing.
#include "gis/database/GisLayerSql.h"

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisSqlRetry.h"
#include "gis/viewer/GisViewer.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <algorithm>

namespace {

/// The viewer's busy display, released on every path.
struct TSqlBusyDisplay {
  TGIS_Viewer* Viewer;
  void* Sender;
  TSqlBusyDisplay(TGIS_Viewer* viewer, void* sender) : Viewer(viewer), Sender(sender) {
    if (Viewer != nullptr) Viewer->BusyPrepare(Sender);
  }
  ~TSqlBusyDisplay() {
    if (Viewer == nullptr) return;
    try {
      Viewer->BusyRelease(Sender);
    } catch (...) {
    }
  }
  TSqlBusyDisplay(const TSqlBusyDisplay&) = delete;
  TSqlBusyDisplay& operator=(const TSqlBusyDisplay&) = delete;
};

/// Widens `extent` by a shape's extent; the first shape sets it.
void WidenSqlExtent(TGIS_Extent& extent, bool& first, const TGIS_Shape& shape) {
  const TGIS_Extent e = shape.GetExtentRaw();
  extent = first ? e : GisExtentUnion(extent, e);
  first = false;
}

} // namespace

// ---- UIDs ------------------------------------------------------------------------------------

void TGIS_LayerSqlAbstract::BeginBatch() {
  cachedLastUid_ = -1;
}

void TGIS_LayerSqlAbstract::EndBatch() {
  TableClose(0);
  TableClose(1);
}

std::int32_t TGIS_LayerSqlAbstract::GetStoredLastUid() {
  QueryOpen(Format(Command(21), {GeometryTableName()}));
  auto close = ScopeExit([this] { QueryClose(); });
  try {
    if (QueryEof()) return 0;
    const Variant v = QueryField(UidColumn(false));
    if (v.IsNull() || v.IsEmpty()) return 0;
    return v.AsInteger();
  } catch (const Exception&) {
    return 0;
  }
}

std::int32_t TGIS_LayerSqlAbstract::NextStoredUid(bool& noRetry) {
  noRetry = false;
  return GetStoredLastUid() + 1;
}

std::int32_t TGIS_LayerSqlAbstract::GetLastUid() const {
  auto* self = const_cast<TGIS_LayerSqlAbstract*>(this);
  return std::max(self->GetStoredLastUid(), TGIS_LayerVector::GetLastUid());
}

std::int32_t TGIS_LayerSqlAbstract::GetNewUid() const {
  return const_cast<TGIS_LayerSqlAbstract*>(this)->GetStoredNewUid();
}

std::int32_t TGIS_LayerSqlAbstract::GetStoredNewUid() {
  if (readOnly_) return -1;
  BeginBatch();
  auto end = ScopeExit([this] { EndBatch(); });
  std::int32_t uid = -1;
  bool noRetry = false, appended = false;
  const std::string geo = GeometryTableName();
  GisSqlRetry(
      [&](int) {
        uid = uid < 0 ? NextStoredUid(noRetry) : uid + 1;
        if (!appended) {
          TableAppend(0, geo);
          appended = true;
        }
        TableSetFieldByName(0, UidColumn(false), uid);
        WritePlaceholderValues();
        TablePost(0);
      },
      [&] { return noRetry; }, [&] { cachedLastUid_ = GetLastUid(); });
  return uid;
}

// ---- writing ---------------------------------------------------------------------------------

void TGIS_LayerSqlAbstract::TableSetFieldByName(int cursor, const std::string& name,
                                                const Variant& value) {
  const TGIS_FieldInfo* f = GetFieldInfo(FindFieldIndex(name));
  const std::string column = f == nullptr || f->IsUID ? name : f->Name;
  try {
    TableSetField(cursor, column, value);
  } catch (const Exception&) {
    SK_ASSERT(false, "Field not exists", "GisLayerSql", __LINE__);
  }
}

void TGIS_LayerSqlAbstract::DeleteStoredShape(std::int32_t uid) {
  if (readOnly_) return;
  for (const std::string& t : {GeometryTableName(), FeatureTableName()}) {
    try {
      DbExecute(Format(Command(22), {t, uid}));
    } catch (const data::EDataConnectionLost&) {
      // Unconfirmed: the shape must stay in the list for the next save.
      throw;
    } catch (const Exception&) {
    }
  }
}

Variant TGIS_LayerSqlAbstract::FeatureValue(const TGIS_FieldInfo& field, TGIS_Shape& shape) {
  Variant v = shape.GetField(field.NewName);
  switch (field.FieldType) {
  case gisFieldTypeString:
    if (v.IsNull() || v.IsEmpty()) return v;
    if (outputCodePage_ != layerCodePage_)
      return Variant(GisConvertCodePage(v.AsString(), outputCodePage_, layerCodePage_));
    return Variant(v.AsString());
  case gisFieldTypeNumber:
  case gisFieldTypeFloat:
  case gisFieldTypeBoolean:
  case gisFieldTypeDate:
    return v;
  default:
    throw EGIS_Exception(GIS_RS_ERR_WRONGFIELD);
  }
}

void TGIS_LayerSqlAbstract::WriteFeatureRow(TGIS_Shape& shape, std::int32_t uid, bool append) {
  const std::string fea = FeatureTableName();
  if (!append) {
    // The row of the key is rewritten when it is there (a save that failed
    // half-way wrote some of them already), else appended.
    TableOpenRow(1, fea, uid);
    append = TableEof(1);
  }
  if (append) {
    TableAppend(1, fea);
    TableSetFieldByName(1, UidColumn(false), uid);
  }
  TGIS_Shape& values = ValuesOf(shape);
  for (int i = 0; i < FieldCount(); ++i) {
    const TGIS_FieldInfo& f = *GetFieldInfo(i);
    if (f.Deleted || f.IsUID || f.ReadOnly || f.Hidden) continue;
    TableSetFieldByName(1, f.NewName, FeatureValue(f, values));
  }
  TablePost(1);
}

void TGIS_LayerSqlAbstract::WriteShape(TGIS_Shape& shape, bool isNew) {
  if (readOnly_) return;
  const bool ownTransaction = (engineOptions_ & 1) != 0;
  if (ownTransaction) DbBeginTrans();
  const std::string geo = GeometryTableName();
  std::int32_t uid = shape.Uid();
  try {
    bool noRetry = false, appended = false;
    GisSqlRetry(
        [&](int) {
          if (isNew) {
            uid = cachedLastUid_ < 0 ? NextStoredUid(noRetry) : cachedLastUid_ + 1;
            if (!noRetry) cachedLastUid_ = uid;
            if (!appended) {
              TableAppend(0, geo);
              appended = true;
            }
            TableSetFieldByName(0, UidColumn(false), uid);
            WriteGeometryValues(shape);
            TablePost(0);
          } else {
            uid = shape.Uid();
            RewriteGeometryRow(shape, uid);
          }
        },
        [&] { return noRetry; }, [&] { cachedLastUid_ = GetLastUid(); });
  } catch (const Exception&) {
    if (ownTransaction) {
      try {
        DbCommitTrans();
      } catch (const Exception&) {
      }
    }
    throw;
  }
  if (ownTransaction) DbCommitTrans();
  // Attributes go to the layer's own feature table only; its row is
  // written even without fields, or the join would never show the shape.
  if (AttributeTableName() != FeatureTableName()) return;
  WriteFeatureRow(shape, uid, isNew);
}

void TGIS_LayerSqlAbstract::WritePlaceholderValues() {
  // The empty extent and no shape type.
  TableSetFieldByName(0, Command(47), 1.0);
  TableSetFieldByName(0, Command(48), -1.0);
  TableSetFieldByName(0, Command(49), 1.0);
  TableSetFieldByName(0, Command(50), -1.0);
  TableSetFieldByName(0, Command(51), 0);
}

void TGIS_LayerSqlAbstract::WriteGeometryValues(TGIS_Shape& shape) {
  const TGIS_Extent e = shape.GetExtentRaw();
  TableSetFieldByName(0, Command(47), e.XMin);
  TableSetFieldByName(0, Command(48), e.XMax);
  TableSetFieldByName(0, Command(49), e.YMin);
  TableSetFieldByName(0, Command(50), e.YMax);
  TableSetFieldByName(0, Command(51), static_cast<int>(shape.ShapeType()));
  TableWriteGeometry(0, Command(53), shape);
}

void TGIS_LayerSqlAbstract::RewriteGeometryRow(TGIS_Shape& shape, std::int32_t uid) {
  TableOpenRow(0, GeometryTableName(), uid);
  if (TableEof(0)) {
    // The row went away (another client): it comes back.
    TableAppend(0, GeometryTableName());
    TableSetFieldByName(0, UidColumn(false), uid);
  }
  WriteGeometryValues(shape);
  TablePost(0);
}

// ---- fields ----------------------------------------------------------------------------------

void TGIS_LayerSqlAbstract::SyncFields(TGIS_LayerVector& source) {
  if (readOnly_) return;
  QueryClose();
  eof_ = true;
  TableClose(0);
  const int longest = LongestName();
  source.PrepareExportNames(longest, false);
  const std::string fea = FieldTableName();
  const bool self = &source == this;
  for (int i = 0; i < source.FieldCount(); ++i) {
    TGIS_FieldInfo& f = *source.GetFieldInfo(i);
    std::string name = f.Stored ? f.Name : (f.ExportName.empty() ? f.NewName : f.ExportName);
    const int prefix =
        std::min(static_cast<int>(name.size()) + 2, longest) - 2;
    if (f.Deleted) {
      try {
        DbExecute(Format(Command(RoleCommand(TGIS_SqlRole::DropColumn)), {fea, name}));
      } catch (const data::EDataConnectionLost&) {
        throw;
      } catch (const Exception&) {
      }
      ColumnDropped(name);
      continue;
    }
    if (f.Stored && self) {
      // Columns keep their names: a rename is taken back.
      if (f.NewName != f.Name) f.NewName = f.ExportName = f.Name;
      if (f.FieldType == gisFieldTypeString && f.NewWidth != f.Width) {
        try {
          DbExecute(Format(Command(RoleCommand(TGIS_SqlRole::WidenString)), {fea, name, f.NewWidth}));
          f.Width = f.NewWidth;
        } catch (const data::EDataConnectionLost&) {
          throw;
        } catch (const Exception&) {
          f.NewWidth = f.Width;
        }
      }
      continue;
    }
    TGIS_SqlRole role = TGIS_SqlRole::AddString;
    switch (f.FieldType) {
    case gisFieldTypeString:
      role = TGIS_SqlRole::AddString;
      break;
    case gisFieldTypeNumber:
      role = f.NewDecimal > 0 ? TGIS_SqlRole::AddDouble
                              : (f.NewWidth > WideIntegerWidth() ? TGIS_SqlRole::AddBigInteger
                                                                 : TGIS_SqlRole::AddInteger);
      break;
    case gisFieldTypeFloat:
      role = TGIS_SqlRole::AddDouble;
      break;
    case gisFieldTypeBoolean:
      role = TGIS_SqlRole::AddBoolean;
      break;
    case gisFieldTypeDate:
      role = TGIS_SqlRole::AddDate;
      break;
    default:
      throw EGIS_Exception(GIS_RS_ERR_WRONGFIELD);
    }
    const int command = RoleCommand(role);
    const std::string base = name.substr(0, static_cast<std::size_t>(std::max(prefix, 0)));
    for (int counter = -1;; ++counter) {
      if (counter >= 0) name = Format("%s%.2x", {base, counter});
      try {
        DbExecute(role == TGIS_SqlRole::AddString ? Format(Command(command), {fea, name, f.NewWidth})
                                                  : Format(Command(command), {fea, name}));
        break;
      } catch (const data::EDataConnectionLost&) {
        throw;
      } catch (const Exception&) {
        if (counter >= 255) throw;
      }
    }
    f.Stored = true;
    f.Name = f.ExportName = name;
    f.Width = f.NewWidth;
    f.Decimal = f.NewDecimal;
    ColumnAdded(name, f);
  }
  FreeNameCaches();
  if (!self) source.PrepareExportNames(longest, false);
  DbExecute(Command(RoleCommand(TGIS_SqlRole::PostRestructure)));
}

// ---- whole-layer operations ------------------------------------------------------------------

void TGIS_LayerSqlAbstract::SaveData() {
  TakeCodePages();
  TGIS_LayerVector::SaveData();
  if (readOnly_) return;
  TSqlBusyDisplay busy(Viewer(), this);
  Connect();
  SyncFields(*this);
  BeginBatch();
  TGIS_Extent extent = Extent();
  bool first = GisIsEmptyExtent(extent) || GisIsWholeWorld(extent);
  int written = 0;
  bool abort = false;
  try {
    const int count = ShapeCount();
    for (int i = 0; i < count && !abort; ++i) {
      TGIS_Shape& shape = *ShapeAt(i);
      if (shape.IsDeleted()) {
        DeleteStoredShape(shape.Uid());
        continue;
      }
      WidenSqlExtent(extent, first, shape);
      SetExtent(extent);
      WriteShape(shape, false);
      if (written++ % 100 == 0) BusyShake(i, count, abort);
    }
  } catch (const Exception&) {
    // Nothing is dropped: the list stays for the next save.
    EndBatch();
    SetModified(false);
    throw;
  }
  if (written > 0) UpdateCatalogue(Extent(), storedType_);
  if (abort) {
    // What was not written stays in memory, and the layer stays modified.
    EndBatch();
    return;
  }
  ClearShapes();
  EndBatch();
  SetModified(false);
}

void TGIS_LayerSqlAbstract::Build(const std::string& path, const TGIS_Extent& extent,
                                  TGIS_ShapeType shapeType) {
  TGIS_LayerVector::Build(path, extent, shapeType);
  if (readOnly_) return;
  if (!path.empty()) {
    std::unique_ptr<TGIS_LayerSqlAbstract> other = CreateSibling();
    other->Config().Assign(config_);
    other->SetPath(path);
    other->Connect();
    auto done = ScopeExit([&] {
      try {
        other->Disconnect();
      } catch (const Exception&) {
      }
    });
    if (other->IsReadOnly()) return;
    try {
      other->CreateCatalogue();
    } catch (const Exception&) {
    }
    try {
      other->DropTables();
    } catch (const Exception&) {
    }
    other->CreateTables(extent, shapeType);
    return;
  }
  Connect();
  auto done = ScopeExit([&] {
    try {
      Disconnect();
    } catch (const Exception&) {
    }
  });
  try {
    CreateCatalogue();
  } catch (const Exception&) {
  }
  CreateTables(extent, shapeType);
}

void TGIS_LayerSqlAbstract::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                        TGIS_ShapeType shapeType, const std::string& query,
                                        bool clip) {
  if (layer == nullptr || readOnly_) return;
  SK_ASSERT(layer != this, "", "GisLayerSql", __LINE__);
  const std::int32_t total = layer->GetLastUid();
  SetExtent(layer->Extent());
  TSqlBusyDisplay busy(layer->Viewer(), layer);
  try {
    Connect();
    DropTables();
    Disconnect();
  } catch (const Exception&) {
  }
  Build(path_, TGIS_Extent{0, 0, 0, 0}, shapeType);
  Connect();
  auto finish = ScopeExit([this] {
    try {
      Disconnect();
    } catch (const Exception&) {
    }
  });
  ClearFields();
  ImportStructure(*layer);
  PrepareExportNames(LongestName(), false);
  SyncFields(*this);
  BeginBatch();
  TGIS_Extent box = Extent();
  bool first = true;
  auto close = ScopeExit([&] {
    valuesFrom_ = nullptr;
    SetModified(false);
  });
  try {
    layer->MoveFirst(extent, query, true);
    bool abort = false;
    for (int n = 0; !layer->Eof() && !abort; ++n) {
      TGIS_Shape* source = layer->GetCurrentShape();
      std::unique_ptr<TGIS_Shape> clipped;
      if (clip && source != nullptr) clipped = source->GetClipped(extent);
      TGIS_Shape* shape = clip ? clipped.get() : source;
      if (shape != nullptr && !shape->IsDeleted() &&
          (shapeType == gisShapeTypeUnknown || shape->ShapeType() == shapeType)) {
        WidenSqlExtent(box, first, *shape);
        SetExtent(box);
        valuesFrom_ = clip ? source : nullptr;
        WriteShape(*shape, true);
        valuesFrom_ = nullptr;
      }
      if (n % 100 == 0 && layer->Viewer() != nullptr && source != nullptr)
        layer->Viewer()->BusyShake(layer, source->Uid(), total, abort);
      layer->MoveNext();
    }
  } catch (const Exception&) {
    try {
      UpdateCatalogue(Extent(), shapeType);
    } catch (const Exception&) {
    }
    EndBatch();
    throw;
  }
  UpdateCatalogue(Extent(), shapeType);
  EndBatch();
}
