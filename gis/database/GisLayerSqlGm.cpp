// TGIS_LayerSqlGmAbstract: the command list, connecting, opening and the
// read cursor; TGIS_LayerSqlGmAdo: the GDO geometry blobs.
#include "gis/database/GisLayerSqlGm.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisSqlTemplates.h"
#include "gis/vector/GisGeometryGdo.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr const char* kModule = "GisLayerSqlGm";

#define GM_DELETE_BY_CLASS(table)                                                                    \
  "DELETE FROM [" table "] WHERE [IndexID] in (  SELECT [IndexID] FROM [FieldLookup]  WHERE "      \
  "[<#Table#>]='%s')"
#define GM_FIELD_LOOKUP_ROW                                                                          \
  " FROM [FieldLookup]   WHERE ([FieldLookup].[<#Table#>]     ='%s')  AND "                          \
  "([FieldLookup].[<#FieldName#>] ='%s')"
#define GM_DOUBLES16(p)                                                                              \
  "[" p "1] <#DOUBLE#> NULL, [" p "2] <#DOUBLE#> NULL, [" p "3] <#DOUBLE#> NULL, [" p "4] <#DOUBLE#> " \
  "NULL, [" p "5] <#DOUBLE#> NULL, [" p "6] <#DOUBLE#> NULL, [" p "7] <#DOUBLE#> NULL, [" p "8] "     \
  "<#DOUBLE#> NULL, [" p "9] <#DOUBLE#> NULL, [" p "10] <#DOUBLE#> NULL, [" p "11] <#DOUBLE#> NULL, " \
  "[" p "12] <#DOUBLE#> NULL, [" p "13] <#DOUBLE#> NULL, [" p "14] <#DOUBLE#> NULL, [" p "15] "       \
  "<#DOUBLE#> NULL, [" p "16] <#DOUBLE#> NULL"
#define GM_VARCHARS10(p)                                                                             \
  "[" p "1] <#VARCHAR#>(255) NULL, [" p "2] <#VARCHAR#>(255) NULL, [" p "3] <#VARCHAR#>(255) NULL, "  \
  "[" p "4] <#VARCHAR#>(255) NULL, [" p "5] <#VARCHAR#>(255) NULL, [" p "6] <#VARCHAR#>(255) NULL, "  \
  "[" p "7] <#VARCHAR#>(255) NULL, [" p "8] <#VARCHAR#>(255) NULL, [" p "9] <#VARCHAR#>(255) NULL, "  \
  "[" p "10] <#VARCHAR#>(255) NULL"
#define GM_NULLS10 ",NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL"

// The warehouse's command templates, by number (100 stays empty).
const char* const kGmCommands[TGIS_LayerSqlGmAbstract::CommandCount] = {
    /* 0 */ "CREATE TABLE [GFeatures] ( [<#FeatureName#>] <#VARCHAR#>(255) NOT NULL, [GeometryType] "
            "<#INTEGER#> NULL, [PrimaryGeometryFieldName] <#VARCHAR#>(255) NULL, "
            "[<#FeatureDescription#>] <#VARCHAR#>(255) NULL, CONSTRAINT PK_GFeatures PRIMARY KEY "
            "([<#FeatureName#>]) )",
    /* 1 */ "CREATE TABLE [GeometryProperties] ( [IndexID] <#INTEGER#> NOT NULL, [PrimaryGeometryFlag] "
            "<#BIT#> NULL, [GeometryType] <#INTEGER#> NULL, [GCoordSystemGUID] <#VARCHAR#>(39) NULL, "
            "[<#FieldDescription#>] <#VARCHAR#>(255) NULL, CONSTRAINT PK_GeometryProperties PRIMARY KEY "
            "([IndexID]) )",
    /* 2 */ "CREATE TABLE [AttributeProperties] ( [IndexID] <#INTEGER#> NOT NULL, [<#IsKeyField#>] "
            "<#BIT#> NULL, [<#FieldDescription#>] <#VARCHAR#>(255) NULL, [<#FieldFormat#>] "
            "<#VARCHAR#>(255) NULL, [<#FieldType#>] <#SMALLINT#> NULL, [<#IsFieldDisplayable#>] <#BIT#> "
            "NULL, [<#FieldPrecision#>] <#SMALLINT#> NULL, CONSTRAINT PK_AttributeProperties PRIMARY "
            "KEY ([IndexID]) )",
    /* 3 */ "CREATE TABLE [FieldLookup] ( [IndexID] <#COUNTER#> NOT NULL, [<#Table#>] <#VARCHAR#>(255) "
            "NOT NULL, [<#FieldName#>] <#VARCHAR#>(255) NOT NULL, CONSTRAINT PK_FieldLookup PRIMARY KEY "
            "([IndexID]) )",
    /* 4 */ "CREATE TABLE [GCoordSystem] ( [CSGUID] <#VARCHAR#>(39) NOT NULL, [CSGUIDTYPE] <#INTEGER#> "
            "NULL, [Name] <#VARCHAR#>(255) NULL, [Description] <#VARCHAR#>(255) NULL, [BaseStorageType] "
            "<#BYTE#> NULL, " GM_DOUBLES16("Stor2CompMatrix") ", [HeightStorageType] <#BYTE#> NULL, "
            "[LonNormStorageOpt] <#BYTE#> NULL, [GeodeticDatum] <#SMALLINT#> NULL, [Ellipsoid] "
            "<#SMALLINT#> NULL, [EquatorialRadius] <#DOUBLE#> NULL, [InverseFlattening] <#DOUBLE#> NULL, "
            "[ProjAlgorithm] <#SMALLINT#> NULL, [AzimuthAngle] <#DOUBLE#> NULL, [FalseX] <#DOUBLE#> NULL, "
            "[FalseY] <#DOUBLE#> NULL, [Hemisphere] <#BYTE#> NULL, [LatOfOrigin] <#DOUBLE#> NULL, "
            "[LatOfTrueScale] <#DOUBLE#> NULL, [LonOfOrigin] <#DOUBLE#> NULL, [RadOfStandCircle] "
            "<#DOUBLE#> NULL, [ScaleReductFact] <#DOUBLE#> NULL, [StandPar1] <#DOUBLE#> NULL, [StandPar2] "
            "<#DOUBLE#> NULL, [Zone] <#SMALLINT#> NULL, [PathNumber] <#SMALLINT#> NULL, [RowNumber] "
            "<#SMALLINT#> NULL, [Satellite] <#SMALLINT#> NULL, [XAzDefOpt] <#BYTE#> NULL, "
            "[GeomHeightOfOrig] <#DOUBLE#> NULL, [GeomHeightOfPoint1] <#DOUBLE#> NULL, "
            "[GeomHeightOfPoint2] <#DOUBLE#> NULL, [LatOfPoint1] <#DOUBLE#> NULL, [LatOfPoint2] "
            "<#DOUBLE#> NULL, [LonOfPoint1] <#DOUBLE#> NULL, [LonOfPoint2] <#DOUBLE#> NULL, "
            "[ArgumentOfPerigee] <#DOUBLE#> NULL, [EarthRotPeriod] <#DOUBLE#> NULL, "
            "[FourierExpansionDegree] <#BYTE#> NULL, [NodesInSimpsonIntegration] <#BYTE#> NULL, "
            "[OrbEarthRotPeriodRatio] <#DOUBLE#> NULL, [OrbEcc] <#DOUBLE#> NULL, [OrbInclination] "
            "<#DOUBLE#> NULL, [OrbOff] <#DOUBLE#> NULL, [OrbPeriod] <#DOUBLE#> NULL, [OrbSemimajAxis] "
            "<#DOUBLE#> NULL, [OblMercDefMode] <#BYTE#> NULL, CONSTRAINT PK_GCoordSystem PRIMARY KEY "
            "([CSGUID]) )",
    /* 5 */ "ALTER TABLE [GCoordSystem] ADD [LatOfMapCenter] <#DOUBLE#> NULL, [OblLamConfConDefMode] "
            "<#BYTE#> NULL, [RotNorthPoleLat] <#DOUBLE#> NULL, [RotNorthPoleLon] <#DOUBLE#> NULL, "
            "[GaussianLat] <#DOUBLE#> NULL, [SpherModel] <#BYTE#> NULL, [SpherRadius] <#DOUBLE#> NULL, "
            "[LatOfBasisPointA] <#DOUBLE#> NULL, [LatOfBasisPointB] <#DOUBLE#> NULL, [LatOfBasisPointC] "
            "<#DOUBLE#> NULL, [LonOfBasisPointA] <#DOUBLE#> NULL, [LonOfBasisPointB] <#DOUBLE#> NULL, "
            "[LonOfBasisPointC] <#DOUBLE#> NULL, [ChamTriOriginDefMode] <#BYTE#> NULL, "
            "[AngOrientationProjPlaneDefMode] <#BYTE#> NULL, [AzOfUpwardTilt] <#DOUBLE#> NULL, "
            "[FocalLength] <#DOUBLE#> NULL, [HeightAboveEllipAtNadir] <#DOUBLE#> NULL, "
            "[HeightOrigOfLocalHorizSys] <#DOUBLE#> NULL, [LatOrigOfLocalHorizSys] <#DOUBLE#> NULL, "
            "[LocationOfProjPlaneDefMode] <#BYTE#> NULL, [LonOrigOfLocalHorizSys] <#DOUBLE#> NULL, "
            "[PerspCenterGeocX] <#DOUBLE#> NULL, [PerspCenterGeocY] <#DOUBLE#> NULL, [PerspCenterGeocZ] "
            "<#DOUBLE#> NULL, [PerspCenterHeight] <#DOUBLE#> NULL, [PerspCenterLat] <#DOUBLE#> NULL, "
            "[PerspCenterLon] <#DOUBLE#> NULL, [PerspCenterXEast] <#DOUBLE#> NULL, [PerspCenterYNorth] "
            "<#DOUBLE#> NULL, [PerspCenterZUp] <#DOUBLE#> NULL, [RefCoordSysDefMode] <#BYTE#> NULL, "
            "[RotAboutXAxis] <#DOUBLE#> NULL, [RotAboutYAxis] <#DOUBLE#> NULL, [RotAboutZAxis] "
            "<#DOUBLE#> NULL, [SwingAng] <#DOUBLE#> NULL, [TiltAng] <#DOUBLE#> NULL, "
            GM_DOUBLES16("ExtendProjMatrix") ", [VerticalDatum] <#SMALLINT#> NULL, [UndulationModel] "
            "<#SMALLINT#> NULL, [AverageUndulation] <#DOUBLE#> NULL",
    /* 6 */ "CREATE TABLE [GAliasTable] ( [TableType] <#VARCHAR#>(255) NOT NULL, [TableName] "
            "<#VARCHAR#>(255) NOT NULL, CONSTRAINT PK_GAliasTable PRIMARY KEY ([TableType]) )",
    /* 7 */ "CREATE TABLE [GParameters] ( [GPARAMETER] <#VARCHAR#>(255) NOT NULL, [GVALUE] "
            "<#VARCHAR#>(255) NOT NULL, CONSTRAINT PK_GParameters PRIMARY KEY ([GPARAMETER]) )",
    /* 8 */ "CREATE TABLE [GFieldMapping] ( [TABLE_NAME] <#VARCHAR#>(255) NOT NULL, [COLUMN_NAME] "
            "<#VARCHAR#>(255) NOT NULL, [DATA_TYPE] <#INTEGER#> NULL, [DATA_SUBTYPE] <#INTEGER#> NULL, "
            "[CSGUID] <#VARCHAR#>(39) NULL, [AUTOINCREMENT] <#BIT#> NULL, CONSTRAINT PK_GFieldMapping "
            "PRIMARY KEY ([TABLE_NAME], [COLUMN_NAME]) )",
    /* 9 */ "CREATE TABLE [ModificationLog] ( [ModificationNumber] <#COUNTER#> NOT NULL, [Type] <#BYTE#> "
            "NULL, [ModifiedTableID] <#INTEGER#> NULL, " GM_VARCHARS10("KeyValue") ", [SESSIONID] "
            "<#INTEGER#> NULL, CONSTRAINT PK_ModificationLog PRIMARY KEY ([ModificationNumber]) )",
    /* 10 */ "CREATE TABLE [ModifiedTables] ( [ModifiedTableID] <#COUNTER#> NOT NULL, [TableName] "
             "<#VARCHAR#>(255) NULL, " GM_VARCHARS10("KeyField") ", CONSTRAINT PK_ModifiedTables "
             "PRIMARY KEY ([ModifiedTableID]) )",
    /* 11 */ "CREATE TABLE [GSQLOperatorTable] ( [Operator] <#VARCHAR#>(32) NULL, [OperatorClass] "
             "<#VARCHAR#>(100) NULL, [Description] <#TEXT#> NULL )",
    /* 12 */ "CREATE TABLE [GADOIndexColumns] ( [OBJECT_NAME] <#VARCHAR#> (255) NOT NULL, [INDEX_NAME] "
             "<#VARCHAR#> (255) NOT NULL, [INDEX_TYPE] <#VARCHAR#> (2) NULL, [COLUMN_NAME] <#VARCHAR#> "
             "(255) NOT NULL, [COLUMN_POSITION] <#INTEGER#> NULL )",
    /* 13 */ "ALTER TABLE [GADOIndexColumns] WITH NOCHECK ADD CONSTRAINT PK_GADOIndexColumns PRIMARY KEY "
             "CLUSTERED([OBJECT_NAME],[INDEX_NAME],[COLUMN_NAME])",
    /* 14 */ "CREATE TABLE %s ( [<#GDO_ID#>] <#COUNTER#> NOT NULL, [<#GEOMETRY#>_XLO] <#DOUBLE#> NULL, "
             "[<#GEOMETRY#>_YLO] <#DOUBLE#> NULL, [<#GEOMETRY#>_XHI] <#DOUBLE#> NULL, [<#GEOMETRY#>_YHI] "
             "<#DOUBLE#> NULL, [<#GEOMETRY#>] <#BLOB#> NULL, CONSTRAINT PK_%s PRIMARY KEY ([<#GDO_ID#>]) )",
    /* 15 */ "CREATE INDEX %s<#_IDX_#><#XLO#> ON %s ([<#GEOMETRY#>_XLO])",
    /* 16 */ "CREATE INDEX %s<#_IDX_#><#YLO#> ON %s ([<#GEOMETRY#>_YLO])",
    /* 17 */ "CREATE INDEX %s<#_IDX_#><#XHI#> ON %s ([<#GEOMETRY#>_XHI])",
    /* 18 */ "CREATE INDEX %s<#_IDX_#><#YHI#> ON %s ([<#GEOMETRY#>_YHI])",
    /* 19 */ "CREATE TABLE %s ( [<#GDO_ID#>] <#COUNTER#> NOT NULL, [<#GEOMETRY#>] <#BLOB#> NULL, "
             "[<#GEOMETRY#>_SK] <#VARCHAR#>(15) NULL, CONSTRAINT PK_%s PRIMARY KEY ([<#GDO_ID#>]) )",
    /* 20 */ "CREATE TABLE %s ( [<#GDO_ID#>] <#INTEGER#> )",
    /* 21 */ "DROP TABLE [%s]",
    /* 22 */ "SELECT * FROM [<#GFeatures#>] WHERE [<#FeatureName#>]='%s' AND [<#GeometryType#>]<>-1",
    /* 23 */ "SELECT * FROM [<#GeometryProperties#>] <#GP#>, [<#FieldLookup#>] <#FL#> WHERE "
             "<#FL#>.[<#Table#>]='%s' AND <#FL#>.[<#IndexID#>]=<#GP#>.[<#IndexID#>]",
    /* 24 */ "SELECT * FROM [<#AttributeProperties#>] <#AP#>, [<#FieldLookup#>] <#FL#> WHERE "
             "<#FL#>.[<#Table#>]='%s' AND <#FL#>.[<#IndexID#>]=<#AP#>.[<#IndexID#>]",
    /* 25 */ "SELECT <#MAX#>([<#GDO_ID#>]) <#OPERATOR#> <#LASTUID#> FROM %s",
    /* 26 */ "SELECT [<#FieldName#>] FROM [<#AttributeProperties#>] <#AP#>, [<#FieldLookup#>] <#FL#> "
             "WHERE <#FL#>.[<#Table#>]='%s' AND (<#AP#>.[<#IsKeyField#>]=%d OR "
             "<#AP#>.[<#FieldDescription#>] LIKE 'Primary Key') AND "
             "<#FL#>.[<#IndexID#>]=<#AP#>.[<#IndexID#>]",
    /* 27 */ "SELECT [<#FieldName#>], [<#GeometryType#>], [GCoordSystemGUID] FROM "
             "[<#GeometryProperties#>] <#GP#>, [<#FieldLookup#>] <#FL#> WHERE <#FL#>.[<#Table#>]='%s' "
             "AND <#FL#>.[<#IndexID#>]=<#GP#>.[<#IndexID#>]",
    /* 28 */ "SELECT <#MIN#>([<#GEOMETRY#>_XLO]) <#OPERATOR#> [<#GEOMETRY#>_XLO], "
             "<#MIN#>([<#GEOMETRY#>_YLO]) <#OPERATOR#> [<#GEOMETRY#>_YLO], <#MAX#>([<#GEOMETRY#>_XHI]) "
             "<#OPERATOR#> [<#GEOMETRY#>_XHI], <#MAX#>([<#GEOMETRY#>_YHI]) <#OPERATOR#> "
             "[<#GEOMETRY#>_YHI] FROM %s",
    /* 29 */ "SELECT * FROM %s",
    /* 30 */ "SELECT * FROM %s WHERE %s",
    /* 31 */ "SELECT * FROM %s <#GEO#> WHERE (<#GEO#>.%s=%d)",
    /* 32 */ "SELECT * FROM %s <#GEO#> WHERE <#GEO#>.[<#GEOMETRY#>_XHI]>%s AND "
             "<#GEO#>.[<#GEOMETRY#>_XLO]<%s AND <#GEO#>.[<#GEOMETRY#>_YHI]>%s AND "
             "<#GEO#>.[<#GEOMETRY#>_YLO]<%s ORDER BY <#GEO#>.%s",
    /* 33 */ "SELECT * FROM %s <#GEO#> WHERE (%s) AND  <#GEO#>.[<#GEOMETRY#>_XHI]>%s AND "
             "<#GEO#>.[<#GEOMETRY#>_XLO]<%s AND <#GEO#>.[<#GEOMETRY#>_YHI]>%s AND "
             "<#GEO#>.[<#GEOMETRY#>_YLO]<%s ORDER BY %s",
    /* 34 */ "SELECT * FROM %s <#GEO#> ORDER BY <#GEO#>.[%s]",
    /* 35 */ "SELECT * FROM %s <#GEO#> WHERE (%s) ORDER BY %s",
    /* 36 */ "SELECT CSGUID FROM GCoordSystem WHERE CSGUID ='%s'",
    /* 37 */ "DELETE FROM %s WHERE %s=%d",
    /* 38 */ GM_DELETE_BY_CLASS("GeometryProperties"),
    /* 39 */ GM_DELETE_BY_CLASS("AttributeProperties"),
    /* 40 */ "DELETE FROM [FieldLookup] WHERE [<#Table#>]='%s'",
    /* 41 */ "DELETE FROM [GFeatures] WHERE [<#FeatureName#>]='%s'",
    /* 42 */ "DELETE FROM [GeometryProperties] WHERE [IndexID] in (  SELECT [IndexID] FROM [FieldLookup]  "
             "WHERE ([<#Table#>]     ='%s')  AND ([<#FieldName#>] ='%s') )",
    /* 43 */ "DELETE FROM [AttributeProperties] WHERE [IndexID] in (  SELECT [IndexID] FROM [FieldLookup]  "
             "WHERE ([<#Table#>]     ='%s')  AND ([<#FieldName#>] ='%s') )",
    /* 44 */ "DELETE FROM [FieldLookup] WHERE ([<#Table#>] ='%s') AND ([<#FieldName#>]   ='%s')",
    /* 45 */ "DELETE FROM [GFieldMapping] WHERE ([TABLE_NAME]  ='%s')",
    /* 46 */ "UPDATE [GFeatures] SET [GeometryType]=%d WHERE [<#FeatureName#>]='%s'",
    /* 47 */ "UPDATE [GEOMETRY_COLUMNS] SET [GEOMETRY_TYPE]=%d WHERE <#G_TABLE_CATALOG#>='%s' AND "
             "<#G_TABLE_SCHEMA#>='%s' AND <#G_TABLE_NAME#>='%s'",
    /* 48 */ "UPDATE GEOMETRY_COLUMNS SET LASTUID=%d WHERE <#G_TABLE_CATALOG#>='%s' AND "
             "<#G_TABLE_SCHEMA#>='%s' AND <#G_TABLE_NAME#>='%s'",
    /* 49 */ "UPDATE STATISTICS [%s]",
    /* 50 */ "<#GEOMETRY#>_XLO=:<#GEOMETRY#>_XLO,<#GEOMETRY#>_YLO=:<#GEOMETRY#>_YLO,"
             "<#GEOMETRY#>_XHI=:<#GEOMETRY#>_XHI,<#GEOMETRY#>_YHI=:<#GEOMETRY#>_YHI,"
             "<#GEOMETRY#>=:<#GEOMETRY#>",
    /* 51 */ "<#GEOMETRY#>=:<#GEOMETRY#>,<#GEOMETRY#>_SK=:<#GEOMETRY#>_SK",
    /* 52 */ "UPDATE %s SET %s WHERE %s=:%s %s",
    /* 53 */ "returning WKB_GEOMETRY into :WKB_GEOMETRY",
    /* 54 */ "INSERT INTO [GeometryProperties] ([IndexID],[PrimaryGeometryFlag],[GeometryType],"
             "[GCoordSystemGUID],[<#FieldDescription#>]) SELECT [IndexID],%d,%d,'%s',''" GM_FIELD_LOOKUP_ROW,
    /* 55 */ "INSERT INTO [AttributeProperties] ([IndexID],[<#IsKeyField#>],[<#FieldDescription#>],"
             "[<#FieldFormat#>],[<#FieldType#>],[<#IsFieldDisplayable#>],[<#FieldPrecision#>]) SELECT "
             "[IndexID],%d,'','%s',%d,%d,%d" GM_FIELD_LOOKUP_ROW,
    /* 56 */ "INSERT INTO [FieldLookup] ([<#Table#>],[<#FieldName#>]) VALUES('%s','%s')",
    /* 57 */ "INSERT INTO [GFeatures] ([<#FeatureName#>],[GeometryType],  "
             "[PrimaryGeometryFieldName],[<#FeatureDescription#>]) VALUES('%s',%d,'%s','')",
    /* 58 */ "INSERT INTO [GCoordSystem] VALUES('%s',2,NULL,'Default',0, 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1, "
             "0,NULL,0,21,6378137,298.257223563011,0,NULL" GM_NULLS10 GM_NULLS10 GM_NULLS10 GM_NULLS10
                 GM_NULLS10 GM_NULLS10 GM_NULLS10 GM_NULLS10 ",NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)",
    /* 59 */ "INSERT INTO [GFieldMapping] ([TABLE_NAME],[COLUMN_NAME],[DATA_TYPE],  "
             "[DATA_SUBTYPE],[CSGUID],[AUTOINCREMENT]) VALUES('%s','%s',%s,%s,%s,%s)",
    /* 60 */ "SET IDENTITY_INSERT %s ON INSERT INTO %s ( <#GDO_ID#> ) VALUES ( %d ) SET IDENTITY_INSERT %s OFF",
    /* 61 */ "INSERT INTO %s ( %s ) VALUES ( %s ) %s",
    /* 62 */ "INSERT INTO %s VALUES ( %s )",
    /* 63 */ "ALTER TABLE %s <#DROP COLUMN#> [%s]",
    /* 64 */ "ALTER TABLE %s ADD [%s] <#VARCHAR#>(%d)",
    /* 65 */ "ALTER TABLE %s <#ALTER#> [%s] <#VARCHAR_LEN#> <#VARCHAR#>(%d)",
    /* 66 */ "ALTER TABLE %s ADD [%s] <#DATE#>",
    /* 67 */ "ALTER TABLE %s ADD [%s] <#BIT#>",
    /* 68 */ "ALTER TABLE %s ADD [%s] <#INTEGER#>",
    /* 69 */ "ALTER TABLE %s ADD %s <#BIGINT#>",
    /* 70 */ "ALTER TABLE %s ADD [%s] <#DOUBLE#>",
    /* 71 */ "<#POSTRESTRUCTURE#>",
    /* 72 */ "%s=%d",
    /* 73 */ "(%s>=%d) and (%s<=%d)",
    /* 74 */ "      <#G_TABLE_CATALOG#>='%s'  AND <#G_TABLE_SCHEMA#>='%s'  AND <#G_TABLE_NAME#>='%s'",
    /* 75 */ "<#MAX_NAMELENGTH#>",
    /* 76 */ "<#GEOMETRY#>_XLO",
    /* 77 */ "<#GEOMETRY#>_XHI",
    /* 78 */ "<#GEOMETRY#>_YLO",
    /* 79 */ "<#GEOMETRY#>_YHI",
    /* 80 */ "<#SHAPETYPE#>",
    /* 81 */ "<#GEOMETRYTYPE#>",
    /* 82 */ "<#FieldName#>",
    /* 83 */ "<#Table#>",
    /* 84 */ "<#LASTUID#>",
    /* 85 */ "<#GDO_ID#>",
    /* 86 */ "<#GEOMETRY#>",
    /* 87 */ "<#GEOMETRY#>_SK",
    /* 88 */ "<#GCOORDSYSTEMGUID#>",
    /* 89 */ "<#GEO#>",
    /* 90 */ "CREATE UNIQUE INDEX [<#IDX_#><#UID_#>%s] ON %s ([<#GEO_GID#>])",
    /* 91 */ "CREATE UNIQUE INDEX [<#IDX_#><#UIDEXT_#>%s] ON %s ([<#GEO_GID#>],[<#GEOMETRY#>_XHI],"
             "[<#GEOMETRY#>_XLO],[<#GEOMETRY#>_YHI],[<#GEOMETRY#>_YLO])",
    /* 92 */ "CREATE INDEX [<#IDX_#><#GEOMETRY#>_SK_%s] ON %s ([<#GEOMETRY#>_SK])",
    /* 93 */ "CREATE UNIQUE INDEX [<#IDX_#>GFeatures] ON [GFeatures] ([<#FeatureName#>])",
    /* 94 */ "CREATE UNIQUE INDEX [<#IDX_#>AttributeProperties] ON [AttributeProperties] ([IndexID])",
    /* 95 */ "CREATE UNIQUE INDEX [<#IDX_#>GeometryProperties] ON [GeometryProperties] ([IndexID])",
    /* 96 */ "CREATE UNIQUE INDEX [<#IDX_#>FieldLookup] ON [FieldLookup] ([<#Table#>],[<#FieldName#>])",
    /* 97 */ "CREATE UNIQUE INDEX [<#IDX_#>GCoordSystem] ON [GCoordSystem] ([CSGUID])",
    /* 98 */ "CREATE UNIQUE INDEX [<#IDX_#>GAliasTable] ON [GAliasTable] ([TableType])",
    /* 99 */ "CREATE UNIQUE INDEX [<#IDX_#>GParameters] ON [GParameters] ([GPARAMETER])",
    /* 100 */ nullptr,
    /* 101 */ "CREATE UNIQUE INDEX [<#IDX_#>ModificationLog] ON [ModificationLog] ([ModificationNumber])",
    /* 102 */ "CREATE UNIQUE INDEX [<#IDX_#>ModifiedTables] ON [ModifiedTables] ([ModifiedTableID])",
    /* 103 */ "<#GDO_ID#>\r\n<#GEOMETRY#>_XLO\r\n<#GEOMETRY#>_YLO\r\n<#GEOMETRY#>_XHI\r\n<#GEOMETRY#>_YHI\r\n"
              "<#GEOMETRY#>",
    /* 104 */ "<#GDO_ID#>\r\n<#GEOMETRY#>\r\n<#GEOMETRY#>_SK",
};

#undef GM_DELETE_BY_CLASS
#undef GM_FIELD_LOOKUP_ROW
#undef GM_DOUBLES16
#undef GM_VARCHARS10
#undef GM_NULLS10

const char* const kNewNaming[] = {"Table=FeatureName"};
const char* const kOldNaming[] = {
    "FeatureName=Name",       "FieldName=Field",         "IsKeyField=Key",
    "FeatureDescription=Description", "FieldDescription=Description", "FieldFormat=Format",
    "FieldType=Type",         "IsFieldDisplayable=Displayable", "FieldPrecision=Precision"};

/// The file of an Access warehouse's connection string: Data Source (made
/// absolute against `folder`), else DBQ, else the data source name of DSN.
std::string WarehouseFile(const std::string& ado, const std::string& folder) {
  std::string source, dbq, dsn;
  for (const data::TConnectionPair& p : data::ParseConnectionString(ado)) {
    if (SameText(p.Key, "Data Source") && source.empty()) source = p.Value;
    if (SameText(p.Key, "DBQ") && dbq.empty()) dbq = p.Value;
    if (SameText(p.Key, "DSN") && dsn.empty()) dsn = p.Value;
  }
  if (!source.empty()) return GisPathAbsolute(folder, source);
  if (!dbq.empty()) return dbq;
  return dsn;
}

} // namespace

TGIS_LayerSqlGmAbstract::TGIS_LayerSqlGmAbstract() = default;
TGIS_LayerSqlGmAbstract::~TGIS_LayerSqlGmAbstract() = default;

// ---- commands and names --------------------------------------------------------------------

std::vector<std::string> TGIS_LayerSqlGmAbstract::CommandTemplates() const {
  std::vector<std::string> templates;
  templates.reserve(std::size(kGmCommands));
  for (const char* t : kGmCommands) templates.emplace_back(t != nullptr ? t : "");
  return templates;
}

int TGIS_LayerSqlGmAbstract::RoleCommand(TGIS_SqlRole role) const {
  switch (role) {
  case TGIS_SqlRole::SelectAll:
    return 29;
  case TGIS_SqlRole::SelectWhere:
    return 30;
  case TGIS_SqlRole::DropColumn:
    return 63;
  case TGIS_SqlRole::WidenString:
    return 65;
  case TGIS_SqlRole::AddString:
    return 64;
  case TGIS_SqlRole::AddDate:
    return 66;
  case TGIS_SqlRole::AddBoolean:
    return 67;
  case TGIS_SqlRole::AddInteger:
    return 68;
  case TGIS_SqlRole::AddBigInteger:
    return 69;
  case TGIS_SqlRole::AddDouble:
    return 70;
  case TGIS_SqlRole::PostRestructure:
    return 71;
  case TGIS_SqlRole::KeyCondition:
    return 72;
  case TGIS_SqlRole::UidWindow:
    return 73;
  case TGIS_SqlRole::MaxNameLength:
    return 75;
  }
  return -1;
}

std::string TGIS_LayerSqlGmAbstract::ExpandWithDialect(const std::string& text) const {
  return GisExpandTemplate(text, &const_cast<TGIS_LayerSqlGmAbstract*>(this)->DialectLines());
}

std::string TGIS_LayerSqlGmAbstract::UidColumn(bool qualified) const {
  const std::string key = keyColumn_.empty() ? Command(85) : keyColumn_;
  return qualified ? Command(89) + "." + key : key;
}

std::string TGIS_LayerSqlGmAbstract::GeometryColumn(bool qualified) const {
  return qualified ? Command(89) + "." + Command(86) : Command(86);
}

void TGIS_LayerSqlGmAbstract::SetDialectValue(const std::string& name, const std::string& value) {
  TStringList& d = DialectLines();
  const int i = d.IndexOfName(name);
  if (i >= 0) {
    if (value == name)
      d.Delete(i);
    else
      d.SetStrings(i, name + "=" + value);
  } else if (value != name) {
    d.Add(name + "=" + value);
  }
}

int TGIS_LayerSqlGmAbstract::GeometryTypeCode(TGIS_ShapeType type) {
  switch (type) {
  case gisShapeTypePoint:
    return 10;
  case gisShapeTypeMultiPoint:
    return 3;
  case gisShapeTypeArc:
    return 1;
  default:
    return 2;
  }
}

std::string TGIS_LayerSqlGmAbstract::FieldTableName() const {
  return tableName_.empty() ? LayerName() : tableName_;
}

// ---- connecting ----------------------------------------------------------------------------

void TGIS_LayerSqlGmAbstract::ResetDialect(TStringList& dialect, const std::string& name) {
  dialect.SetText(GisSqlDialect(name));
  if (newNaming_)
    for (const char* line : kNewNaming) dialect.Add(line);
  else
    for (const char* line : kOldNaming) dialect.Add(line);
}

void TGIS_LayerSqlGmAbstract::LoadDialect(TStringList& dialect) {
  dialectName_ = UpperCase(Trim(ConfigValue("Dialect")));
  sqlServer_ = dialectName_ == "MSSQL";
  access_ = dialectName_ == "MSJET";
  if (!sqlServer_ && !access_) throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDDIALECT, dialectName_, 0);
  // Warehouses are Jet or SQL Server databases: their bracketed names and
  // metadata texts have no PostgreSQL form.
  for (const data::TConnectionPair& p : data::ParseConnectionString(ConfigValue("ADO")))
    if (SameText(p.Key, "Provider") && SameText(p.Value, "PostgreSQL"))
      throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDDIALECT, "POSTGRES", 0);
  if (access_) {
    newNaming_ = UpperCase(Trim(ConfigValue("Version"))) != "OLD";
    const std::string ado = ConfigValue("ADO");
    const std::string file = path_.empty() ? std::string() : GisPathAbsolute("", path_);
    const std::string folder = file.empty() || !FileExists(file) ? std::string() : ExtractFileDir(file);
    const std::vector<data::TConnectionPair> fields = data::ParseConnectionString(ado);
    databaseFile_ = fields.empty() || Trim(fields.front().Key).empty() ? std::string()
                                                                        : WarehouseFile(ado, folder);
    if (databaseFile_.empty()) throw EGIS_Exception(GIS_RS_ERR_BADPARAM, "ADO", 0);
  } else {
    newNaming_ = true;
  }
  ResetDialect(dialect, dialectName_);
  // A reconnect keeps the columns the metadata named.
  if (!keyColumn_.empty()) SetDialectValue("GDO_ID", keyColumn_);
  if (!geometryColumn_.empty()) SetDialectValue("GEOMETRY", geometryColumn_);
}

void TGIS_LayerSqlGmAbstract::DbConnect() {
  TGIS_LayerSqlAdo::DbConnect();
  if (Connection()->Engine() != data::TEngine::SQLite) {
    DbDisconnect();
    throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDDIALECT, "POSTGRES", 0);
  }
  // SQLite numbers a single-column INTEGER primary key by itself; its
  // COUNTER columns would stay empty.
  if (DialectLines().IndexOfName("COUNTER") < 0) {
    SetDialectValue("COUNTER", "INTEGER");
    FillCommands();
  }
}

void TGIS_LayerSqlGmAbstract::Disconnect() {
  QueryClose();
  TableClose(0);
  TableClose(1);
  DbDisconnect();
}

// ---- opening ----------------------------------------------------------------------------------

Variant TGIS_LayerSqlGmAbstract::QueryScalar(const std::string& sql, const std::string& column) {
  QueryOpen(sql);
  Variant v;
  try {
    if (!QueryEof()) v = QueryField(column);
  } catch (const Exception&) {
    QueryClose();
    throw;
  }
  QueryClose();
  return v;
}

void TGIS_LayerSqlGmAbstract::Open() {
  TGIS_LayerVector::Open();
  capabilities_ |= GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT;
  keyColumn_.clear();
  geometryColumn_.clear();
  Connect();
  tableName_ = LayerName();
  try {
    QueryOpen(Format(Command(23), {LayerName()}));
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    // The metadata has the other naming: a Version key that does not match
    // the warehouse still opens it.
    QueryClose();
    newNaming_ = !newNaming_;
    ResetDialect(DialectLines(), "MSJET");
    if (DialectLines().IndexOfName("COUNTER") < 0) SetDialectValue("COUNTER", "INTEGER");
    FillCommands();
    QueryOpen(Format(Command(23), {LayerName()}));
  }
  if (QueryEof()) {
    QueryClose();
    throw EGIS_Exception(GIS_RS_ERR_LAYERNOEXIST, LayerName(), 0);
  }
  int code = -1;
  try {
    const Variant v = QueryField(Command(81));
    code = v.IsNull() || v.IsEmpty() ? -1 : v.AsInteger();
  } catch (const Exception&) {
    code = -1;
  }
  TGIS_ShapeTypes allowed = 0;
  switch (code) {
  case 1:
    allowed = GisShapeTypeBit(gisShapeTypeArc);
    break;
  case 2:
    allowed = GisShapeTypeBit(gisShapeTypePolygon);
    break;
  case 3:
    allowed = GisShapeTypeBit(gisShapeTypeMultiPoint) | GisShapeTypeBit(gisShapeTypePolygon);
    break;
  case 5:
  case 10:
    allowed = GisShapeTypeBit(gisShapeTypePoint);
    break;
  default:
    break;
  }
  SetSupportedShapes(allowed);
  if (allowed == 0) {
    QueryClose();
    throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDFEATURE, "", code);
  }
  geometryCode_ = code;
  try {
    const std::string t = Trim(QueryField(Command(83)).AsString());
    if (!t.empty()) tableName_ = t;
  } catch (const Exception&) {
    tableName_ = LayerName();
  }
  QueryClose();

  // The key and geometry columns the metadata names.
  const std::string fieldName = ExpandWithDialect("<#FieldName#>");
  Variant key = QueryScalar(Format(ExpandWithDialect(kGmCommands[26]), {LayerName(), sqlServer_ ? 1 : -1}),
                            fieldName);
  keyColumn_ = key.IsNull() || key.IsEmpty() ? ExpandWithDialect("<#GDO_ID#>") : Trim(key.AsString());
  Variant geometry = QueryScalar(Format(ExpandWithDialect(kGmCommands[27]), {LayerName()}), fieldName);
  geometryColumn_ =
      geometry.IsNull() || geometry.IsEmpty() ? ExpandWithDialect("<#GEOMETRY#>") : Trim(geometry.AsString());
  SetDialectValue("GDO_ID", keyColumn_);
  SetDialectValue("GEOMETRY", geometryColumn_);
  FillCommands();

  try {
    QueryScalar(Format(Command(25), {tableName_}), Command(84));
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
  }
  if (sqlServer_) {
    TGIS_Extent e = GisEmptyExtent();
    try {
      QueryOpen(Format(Command(28), {tableName_}));
      if (!QueryEof())
        e = {QueryField(Command(76)).AsDouble(), QueryField(Command(78)).AsDouble(),
             QueryField(Command(77)).AsDouble(), QueryField(Command(79)).AsDouble()};
    } catch (const Exception&) {
      e = GisEmptyExtent();
    }
    QueryClose();
    SetExtent(e);
  }
  QueryOpen(Format(Command(30), {tableName_, Format("%s=0", {keyColumn_})}));
  QueryReadFields(keyColumn_);
  const std::string hidden = Command(sqlServer_ ? 103 : 104);
  TStringList names;
  names.SetText(hidden);
  for (int i = 0; i < FieldCount(); ++i) {
    TGIS_FieldInfo* f = GetFieldInfo(i);
    for (int k = 0; k < names.Count(); ++k)
      if (SameText(f->Name, Trim(names[k]))) f->IsUID = f->ReadOnly = f->Hidden = true;
  }
  QueryClose();
  SetUidKind(0);
  SetInfoText(sqlServer_ ? "GeoMedia MS SQL Server Warehouse (VRKLS)" : "GeoMedia Access Warehouse (VRKLS)");
}

TGIS_ShapeType TGIS_LayerSqlGmAbstract::GetDefaultShapeType() const {
  switch (geometryCode_) {
  case 1:
    return gisShapeTypeArc;
  case 3:
    return gisShapeTypeMultiPoint;
  case 5:
  case 10:
    return gisShapeTypePoint;
  default:
    return gisShapeTypePolygon;
  }
}

// ---- the read cursor --------------------------------------------------------------------------

std::string TGIS_LayerSqlGmAbstract::CursorSql(const TGIS_Extent& extent, const std::string& condition,
                                               const std::string& order, bool& filterInMemory) {
  // An Access warehouse has no bound columns: its rows are filtered here.
  filterInMemory = !sqlServer_ && !GisIsWholeWorld(extent);
  if (GisIsWholeWorld(extent) || !sqlServer_) {
    return condition.empty() ? Format(Command(34), {tableName_, keyColumn_})
                             : Format(Command(35), {tableName_, condition, order});
  }
  const TGIS_Extent w =
      GisExtentIntersection(ExtentFromViewer(CursorExtent()), TGIS_Extent{-1e37, -1e37, 1e37, 1e37});
  const std::string xmin = GisFloatToStr(w.XMin), xmax = GisFloatToStr(w.XMax),
                    ymin = GisFloatToStr(w.YMin), ymax = GisFloatToStr(w.YMax);
  return condition.empty()
             ? Format(Command(32), {tableName_, xmin, xmax, ymin, ymax, keyColumn_})
             : Format(Command(33), {tableName_, condition, xmin, xmax, ymin, ymax, order});
}

void TGIS_LayerSqlGmAbstract::ReadRowGeometry(std::int32_t uid) {
  QueryReadGeometry(uid, gisShapeTypeUnknown);
}

Variant TGIS_LayerSqlGmAbstract::FetchFieldValue(std::int32_t uid, const std::string& storedName) {
  try {
    const bool onRow = !QueryEof() && QueryUid().AsInteger() == uid;
    if (!onRow) {
      QueryClose();
      QueryOpen(Format(Command(31), {tableName_, keyColumn_, uid}));
    }
    if (QueryEof()) return Variant();
    return QueryField(storedName);
  } catch (const Exception&) {
    return Variant();
  }
}

// ---- GDO blobs ----------------------------------------------------------------------------------

void TGIS_LayerSqlGmAdo::QueryReadGeometry(std::int32_t uid, TGIS_ShapeType) {
  SetCurrentRowShape(nullptr);
  rowShape_.reset();
  Variant v;
  try {
    v = QueryField(GeometryColumn(false));
  } catch (const Exception&) {
    return;
  }
  if (v.IsNull() || v.VarType() != (varArray | varByte)) return;
  try {
    rowShape_ = GisCreateShapeFromGDO(v.Bytes(), nullptr, {}, false, uid, this);
  } catch (const Exception&) {
    // A damaged blob gives no shape; the cursor reads on.
    rowShape_.reset();
  }
  if (rowShape_ != nullptr) SetCurrentRowShape(rowShape_.get());
}

void TGIS_LayerSqlGmAdo::TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) {
  TBytes bytes;
  shape.ExportToGDO(bytes);
  TableSetField(cursor, column, Variant(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

std::unique_ptr<TGIS_LayerSqlAbstract> TGIS_LayerSqlGmAdo::CreateSibling() const {
  return std::make_unique<TGIS_LayerSqlGmAdo>();
}

void GisRegisterLayerSqlGm() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSqlGmAdo", "GeoMedia Warehouse (VRKLS)",
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerSqlGmAdo>();
      });
}
