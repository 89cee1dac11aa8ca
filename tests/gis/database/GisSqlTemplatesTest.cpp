// Macro expansion, dialects, support files and SQL identifiers.
#include "gis/database/GisSqlTemplates.h"

#include "gis/core/GisDefsSystem.h"
#include "platform/rtl/StringList.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace sqltemplates_test {

std::string ExpandWith(const std::string& text, const std::string& lines) {
  TStringList list;
  list.SetText(lines);
  return GisExpandTemplate(text, &list);
}

TEST(GisSqlTemplates, MacroScanner) {
  struct {
    const char* Text;
    const char* Expected;
  } cases[] = {
      {"CREATE TABLE <#vrkGISLayerSQL#> (X <#DOUBLE#>)", "CREATE TABLE vrkGISLayerSQL (X DOUBLE PRECISION)"},
      {"a <#NOT NULL PRIMARY KEY#> b", "a NOT NULL PRIMARY KEY b"},
      {"x < y and x<=y", "x < y and x<=y"},
      {"ends with <", "ends with "},
      {"ends with <#", "ends with "},
      {"unfinished <#NAME", "unfinished "},
      {"<<#DOUBLE#>", "<<#DOUBLE#>"},
      {"<#A#B#>", "value of A#B"},
      {"<#A##>", "value of A#"},
      {"<#EMPTY#>|", "|"},
      {"<#double#>", "DOUBLE PRECISION"},
      {"<#LOOP#>", "<#DOUBLE#>"}, // values are not expanded again
  };
  const std::string lines = "DOUBLE=DOUBLE PRECISION\nA#B=value of A#B\nA#=value of A#\nEMPTY=\nLOOP=<#DOUBLE#>\n";
  for (const auto& c : cases) EXPECT_EQ(ExpandWith(c.Text, lines), c.Expected) << c.Text;
  EXPECT_EQ(GisExpandTemplate("a<#X#>b", nullptr, [](const std::string& n) { return "[" + n + "]"; }), "a[X]b");
  EXPECT_EQ(GisExpandTemplate("a<#X#>b", nullptr), "ab");
}

TEST(GisSqlTemplates, BuiltinDialects) {
  TStringList db2;
  db2.SetText(GisSqlBuiltinDialect("db2"));
  EXPECT_EQ(GisExpandTemplate("SELECT * FROM <#vrkGISLayerSQL#>", &db2), "SELECT * FROM vrkGIS");
  TStringList jet;
  jet.SetText(GisSqlBuiltinDialect("no such"));
  EXPECT_EQ(GisExpandTemplate("SELECT * FROM <#vrkGISLayerSQL#>", &jet), "SELECT * FROM vrkGISLayerSQL");
  EXPECT_EQ(jet[0], "ENGINE=MSJET");
  TStringList ib;
  ib.SetText(GisSqlBuiltinDialect("INTERBASE"));
  EXPECT_EQ(GisExpandTemplate("<#BLOB#>|<#DESC#>|<#OPERATOR#>|", &ib), "BLOB|| |");
  TStringList oracle;
  oracle.SetText(GisSqlBuiltinDialect("Oracle"));
  EXPECT_EQ(oracle.Values("ENGINEOPTIONS"), "1");
  EXPECT_EQ(oracle.Values("UID"), "FUID");
  EXPECT_EQ(oracle.Values(":WKB_GEOMETRY"), "empty_blob()");
}

TEST(GisSqlTemplates, DialectFilesReplaceTheBuiltinTableWhole) {
  sktest::TTempDir dir("dialect");
  std::filesystem::create_directories(dir / "Vornakel/SQLDIALECT");
  dir.Write("Vornakel/SQLDIALECT/MSJET", "ENGINE=MSJET\nBLOB=IMAGE\n");
  const char* old = std::getenv("CommonFilesDir");
  const std::string saved = old ? old : "";
  ::setenv("CommonFilesDir", dir.Path().c_str(), 1);
  TStringList d;
  d.SetText(GisSqlDialect("MSJET"));
  EXPECT_EQ(GisExpandTemplate("<#BLOB#> <#DOUBLE#> <#BIGINT#>", &d), "IMAGE DOUBLE BIGINT");
  EXPECT_EQ(GisLoadSupportFile("SQLDIALECT", "MSJET"), "ENGINE=MSJET\r\nBLOB=IMAGE\r\n");
  EXPECT_EQ(GisLoadSupportFile("SQLDIALECT", "NONE"), "");
  // The shipped dialects of the two engines.
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
  TStringList pg;
  pg.SetText(GisSqlDialect("POSTGRES"));
  EXPECT_EQ(pg.Values("ENGINE"), "POSTGRES");
  EXPECT_EQ(pg.Values("XMIN"), "GIS_XMIN");
  EXPECT_EQ(pg.Values("BLOB"), "BYTEA");
  TStringList lite;
  lite.SetText(GisSqlDialect("SQLITE"));
  EXPECT_EQ(lite.Values("ENGINE"), "SQLITE");
  EXPECT_EQ(lite.IndexOfName("ALTER"), -1);
  if (old) ::setenv("CommonFilesDir", saved.c_str(), 1);
  else ::unsetenv("CommonFilesDir");
}

TEST(GisSqlTemplates, IdentifiersOutsideLiteralsAndQuotes) {
  EXPECT_EQ(GisSqlReplaceIdentifier("GIS_UID=5 AND NAME='GIS_UID'", "gis_uid", "GEO.UID"),
            "GEO.UID=5 AND NAME='GIS_UID'");
  EXPECT_EQ(GisSqlReplaceIdentifier("\"GIS_UID\" = T.GIS_UID OR _GIS_UID<>1", "GIS_UID", "X"),
            "\"GIS_UID\" = T.GIS_UID OR _X<>1");
  EXPECT_EQ(GisSqlReplaceIdentifier("A='it''s' AND B=1.5E3", "B", "C"), "A='it''s' AND C=1.5E3");
  EXPECT_TRUE(GisSqlUsesIdentifier("NAME='x''y' AND GIS_AREA>1", "GIS_LENGTH\r\nGIS_AREA\r\n"));
  EXPECT_FALSE(GisSqlUsesIdentifier("NAME='GIS_AREA'", "GIS_AREA"));
  EXPECT_FALSE(GisSqlUsesIdentifier("\"GIS_AREA\" > 1", "GIS_AREA"));
}

TEST(GisSqlTemplates, SafeIdentifiers) {
  GisSetTickCountSource([] { return 0xBEEF; });
  EXPECT_EQ(GisSafeIdentifier("roads 2004", "NAME"), "ROADS_2004");
  EXPECT_EQ(GisSafeIdentifier("2roads", "NAME"), "_ROADS");
  EXPECT_EQ(GisSafeIdentifier("ab cd", "NAME"), "AB_CD");
  EXPECT_EQ(GisSafeIdentifier("a b", "NAME"), "NAME_BEEF");
  EXPECT_EQ(GisSafeIdentifier("", "NAME"), "NAME_BEEF");
  EXPECT_EQ(GisSafeIdentifier("ąęł", "NAME"), "NAME_BEEF");
  GisSetTickCountSource(nullptr);
}

} // namespace sqltemplates_test
