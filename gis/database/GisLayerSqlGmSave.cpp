// TGIS_LayerSqlGmAbstract: the metadata tables and rows, attribute columns,
// UIDs and writing shapes.
#include "gis/database/GisLayerSqlGm.h"

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisSqlRetry.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <functional>

namespace {

// The fixed rows of the metadata tables, as value lists of an INSERT.
const char* const kAliasRowsBoth[] = {
    "'INGRFeatures','GFeatures'",
    "'INGRFieldLookup','FieldLookup'",
    "'INGRAttributeProperties','AttributeProperties'",
    "'INGRGeometryProperties','GeometryProperties'",
    "'GCoordSystemTable','GCoordSystem'",
    "'GModifications','ModificationLog'",
    "'GModifiedTables','ModifiedTables'",
};
const char* const kAliasRowsSqlServer[] = {
    "'GParameters','GParameters'",
    "'GADOFieldMapping','GFieldMapping'",
    "'INGRDictionaryProperties','GDictionaryProperties'",
};
const char* const kAliasRowsAccess[] = {
    "'INGRSQLOperatorsTable','GSQLOperatorTable'",
    "'INGRDictionaryProperties','GDictionaryProperties'",
};
const char* const kParameterRows[] = {
    "'ADOTypeForBinaryStorage','205'",
    "'ADOTypeForGeometryStorage','205'",
    "'ADOTypeForDateStorage','135'",
};
const char* const kOperatorRows[] = {
    "'%','gdbPattern','Zero or more characters may fill this position.'",
    "'*','gdbArithmetic','This is the multiplication sign.'",
    "'+','gdbArithmetic','This is the plus sign.'",
    "'-','gdbArithmetic','This is the minus sign.'",
    "'/','gdbArithmetic','This is the division sign.'",
    "'_','gdbPattern','Single character may fill this position.'",
    "'||','gdbArithmetic','This is the concatenation operator.'",
    "'AVG','gdbStatistics','Finds the average of a column''s values.'",
    "'BETWEEN','gdbSelection','Allows specification of a range of values associated with a column''s value.'",
    "'COUNT','gdbStatistics','Finds the number of rows in the query.'",
    "'FALSE','gdbConstants','Indicator for negative boolean values.'",
    "'IN','gdbSelection','Preceeds a list of values from which the column''s value shall be included.'",
    "'IS','gdbSelection','Preceeds a constant value for comparison to a column''s value.'",
    "'LIKE','gdbSelection','Used in conjunction with wildcard characters to look for patterns.'",
    "'MAX', 'gdbStatistics','Finds the maximum value within a column.'",
    "'MIN','gdbStatistics','Finds the minimum value within a column.'",
    "'NOT','gdbLogical','This is the logical negation operator.'",
    "'NULL','gdbConstants','Indicator for NULL (undefined) values.'",
    "'SUM','gdbStatistics','Finds the sum of a column''s testing common values.'",
    "'TRUE','gdbConstants','Indicator for positive boolean values.'",
};

/// One step of the metadata work whose failure is ignored; a lost
/// connection still raises (the statement was not confirmed).
void GmAttempt(const std::function<void()>& step) {
  try {
    step();
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
  }
}

/// AttributeProperties values of a field type: format, type, precision.
struct TGmFieldRow {
  const char* Format;
  int Type;
  int Precision;
};

TGmFieldRow GmFieldRow(const TGIS_FieldInfo& f) {
  switch (f.FieldType) {
  case gisFieldTypeNumber:
    return f.Decimal > 0 ? TGmFieldRow{"General Number", 7, 6} : TGmFieldRow{"General Number", 4, 0};
  case gisFieldTypeFloat:
    return {"General Number", 7, 6};
  case gisFieldTypeBoolean:
    return {"", 1, 0};
  case gisFieldTypeDate:
    return {"Date", 8, 0};
  default:
    return {"", 10, 0};
  }
}

} // namespace

bool TGIS_LayerSqlGmAbstract::TryExecute(const std::string& sql) {
  try {
    DbExecute(sql);
    return true;
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    return false;
  }
}

// ---- metadata ---------------------------------------------------------------------------------

void TGIS_LayerSqlGmAbstract::CreateCatalogue() {
  if (IsReadOnly()) return;
  const auto rows = [this](const char* table, const char* columns, std::span<const char* const> values) {
    for (const char* v : values) DbExecute(Format(Command(61), {table, columns, v, ""}));
  };
  for (int n = 0; n <= 3; ++n) TryExecute(Command(n));
  GmAttempt([&] {
    DbExecute(Command(4));
    DbExecute(Command(5));
  });
  // The alias rows come with their table only: an existing table keeps its rows.
  GmAttempt([&] {
    DbExecute(Command(6));
    rows("GAliasTable", "TableType, TableName", kAliasRowsBoth);
    if (sqlServer_)
      rows("GAliasTable", "TableType, TableName", kAliasRowsSqlServer);
    else
      rows("GAliasTable", "TableType, TableName", kAliasRowsAccess);
  });
  TryExecute(Command(9));
  TryExecute(Command(10));
  if (sqlServer_) {
    GmAttempt([&] {
      DbExecute(Command(7));
      rows("GParameters", "GPARAMETER, GVALUE", kParameterRows);
    });
    TryExecute(Command(8));
    GmAttempt([&] {
      DbExecute(Command(12));
      DbExecute(Command(13));
    });
  } else {
    GmAttempt([&] {
      DbExecute(Command(11));
      rows("GSQLOperatorTable", "[Operator], [OperatorClass], [Description]", kOperatorRows);
    });
  }
  DbExecute(Command(71));
}

void TGIS_LayerSqlGmAbstract::WriteClassRows(int code) {
  const std::string t = LayerName(), k = Command(85), g = Command(86), s = Command(87);
  const std::string guid = DefaultCsGuid;
  const int yes = sqlServer_ ? 1 : -1;
  DbExecute(Format(Command(56), {t, k}));
  DbExecute(Format(Command(55), {yes, "General Number", 4, yes, 0, t, k}));
  if (sqlServer_) DbExecute(Format(Command(59), {t, k, "NULL", "NULL", "NULL", "1"}));
  DbExecute(Format(Command(56), {t, g}));
  DbExecute(Format(Command(54), {yes, code, guid, t, g}));
  DbExecute(Format(Command(57), {t, code, g}));
  if (sqlServer_) {
    DbExecute(Format(Command(59), {t, g, "32", IntToStr(code), "'" + guid + "'", "NULL"}));
  } else {
    DbExecute(Format(Command(56), {t, s}));
    DbExecute(Format(Command(55), {0, "", 10, 0, 0, t, s}));
  }
}

void TGIS_LayerSqlGmAbstract::CreateTables(const TGIS_Extent&, TGIS_ShapeType shapeType) {
  if (IsReadOnly()) return;
  const std::string t = LayerName();
  const int code = GeometryTypeCode(shapeType);
  if (sqlServer_) {
    DbExecute(Format(Command(14), {t, t}));
    for (int n : {15, 17, 16, 18}) DbExecute(Format(Command(n), {t, t}));
  } else {
    // A class whose table cannot be made is an error, not an empty class.
    DbExecute(Format(Command(19), {t, t}));
    TryExecute(Format(Command(92), {t, t}));
  }
  // A failure among the rows ends them; the rows written stay.
  GmAttempt([&] { WriteClassRows(code); });
  DbExecute(Command(71));
  try {
    QueryOpen(Format(Command(36), {std::string(DefaultCsGuid)}));
    const bool missing = QueryEof();
    QueryClose();
    if (missing) DbExecute(Format(Command(58), {std::string(DefaultCsGuid)}));
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    QueryClose();
  }
}

void TGIS_LayerSqlGmAbstract::DropTables() {
  if (IsReadOnly()) return;
  const std::string t = LayerName();
  TryExecute(Format(Command(21), {t}));
  for (int n : {38, 39, 40, 41}) TryExecute(Format(Command(n), {t}));
  DbExecute(Command(71));
  if (sqlServer_) TryExecute(Format(Command(45), {t}));
}

void TGIS_LayerSqlGmAbstract::ColumnAdded(const std::string& name, const TGIS_FieldInfo& field) {
  const std::string t = LayerName();
  const TGmFieldRow row = GmFieldRow(field);
  DbExecute(Format(Command(56), {t, name}));
  DbExecute(Format(Command(55), {0, row.Format, row.Type, sqlServer_ ? 1 : -1, row.Precision, t, name}));
}

void TGIS_LayerSqlGmAbstract::ColumnDropped(const std::string& name) {
  const std::string t = LayerName();
  TryExecute(Format(Command(43), {t, name}));
  TryExecute(Format(Command(44), {t, name}));
}

void TGIS_LayerSqlGmAbstract::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                          TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr || IsReadOnly()) return;
  TGIS_LayerSqlAdo::ImportLayer(layer, extent, shapeType, query, clip);
  if (!sqlServer_) return;
  Connect();
  auto done = ScopeExit([this] {
    try {
      Disconnect();
    } catch (const Exception&) {
    }
  });
  TryExecute(Format(Command(49), {LayerName()}));
}

// ---- UIDs and shapes ----------------------------------------------------------------------------

void TGIS_LayerSqlGmAbstract::DeleteStoredShape(std::int32_t uid) {
  if (IsReadOnly()) return;
  TryExecute(Format(Command(37), {LayerName(), UidColumn(false), uid}));
}

std::int32_t TGIS_LayerSqlGmAbstract::GetStoredLastUid() {
  try {
    const Variant v = QueryScalar(Format(Command(25), {FieldTableName()}), Command(84));
    if (v.IsNull() || v.IsEmpty()) return 0;
    // As the warehouse layers always did: the greatest key + 1.
    return v.AsInteger() + 1;
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    return 0;
  }
}

std::int32_t TGIS_LayerSqlGmAbstract::GetStoredNewUid() {
  if (IsReadOnly()) return -1;
  BeginBatch();
  auto end = ScopeExit([this] { EndBatch(); });
  const std::string t = LayerName();
  std::int32_t uid = -1;
  bool noRetry = false, appended = false;
  GisSqlRetry(
      [&](int) {
        uid = uid < 0 ? NextStoredUid(noRetry) : uid + 1;
        if (sqlServer_) {
          DbExecute(Format(Command(60), {t, t, uid, t}));
          return;
        }
        if (!appended) {
          TableAppend(0, t);
          appended = true;
        }
        TableSetFieldByName(0, UidColumn(false), uid);
        TablePost(0);
      },
      [&] { return noRetry; }, [&] { CachedLastUid() = GetLastUid(); });
  return uid;
}

void TGIS_LayerSqlGmAbstract::WriteShape(TGIS_Shape& shape, bool isNew) {
  if (IsReadOnly()) return;
  const bool ownTransaction = (EngineOptions() & 1) != 0;
  if (ownTransaction) DbBeginTrans();
  auto commit = ScopeExit([&] {
    if (!ownTransaction) return;
    try {
      DbCommitTrans();
    } catch (const Exception&) {
    }
  });
  const std::string t = LayerName();
  const std::string key = UidColumn(false);
  std::int32_t& cached = CachedLastUid();
  bool noRetry = false, appended = false;
  GisSqlRetry(
      [&](int) {
        if (isNew) {
          const std::int32_t uid = cached < 0 ? NextStoredUid(noRetry) : cached + 1;
          if (!noRetry) cached = uid;
          if (sqlServer_) {
            DbExecute(Format(Command(60), {t, t, uid, t}));
            TableOpenRow(0, t, uid);
          } else {
            if (!appended) {
              TableAppend(0, t);
              appended = true;
            }
            TableSetFieldByName(0, key, uid);
          }
        } else {
          TableOpenRow(0, t, shape.Uid());
          if (TableEof(0)) {
            // The row went away (another client): it comes back.
            if (!appended) {
              TableAppend(0, t);
              appended = true;
            }
            TableSetFieldByName(0, key, shape.Uid());
          }
        }
        TableWriteGeometry(0, GeometryColumn(false), shape);
        TGIS_Shape& values = ValuesOf(shape);
        for (int i = 0; i < FieldCount(); ++i) {
          const TGIS_FieldInfo& f = *GetFieldInfo(i);
          if (f.Deleted || f.IsUID || f.ReadOnly || f.Hidden) continue;
          Variant v = FeatureValue(f, values);
          if (f.FieldType == gisFieldTypeBoolean && !v.IsNull() && !v.IsEmpty())
            v = Variant(std::string(v.AsBoolean() ? "1" : "0"));
          TableSetFieldByName(0, f.NewName, v);
        }
        if (sqlServer_) {
          const TGIS_Extent e = shape.GetExtentRaw();
          TableSetFieldByName(0, Command(76), e.XMin);
          TableSetFieldByName(0, Command(77), e.XMax);
          TableSetFieldByName(0, Command(78), e.YMin);
          TableSetFieldByName(0, Command(79), e.YMax);
        }
        TablePost(0);
      },
      [&] { return noRetry; }, [&] { cached = GetLastUid(); });
  commit.Dismiss();
  if (ownTransaction) DbCommitTrans();
}
