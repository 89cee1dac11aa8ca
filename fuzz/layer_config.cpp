// Database layer configurations: the input as a ".VRKLS" / ".VRKPS" file and
// as an inline text is read into lines, its values expand the SQL command
// templates with its dialect, the SQL identifier routines walk it, and its
// connection string is parsed (never opened: no server is reached); as a
// first-version store's layer file, its connection string and cardinal point
// are read.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisLayerPixelStore.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlTemplates.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"

namespace {

const char* const kTemplates[] = {
    "CREATE TABLE <#vrkGISPixelStore2#> ( <#NAME#> <#VARCHAR#>(64),<#XMIN#> <#DOUBLE#>)",
    "SELECT * FROM %s WHERE <#NAME#>='%s' <#ENGINE#><#BLOB#><#",
    "<#POSTRESTRUCTURE#><<#X##>#>",
};

void Walk(const std::string& path) {
  TStringList lines;
  const int kind = GisReadLayerConfig(path, &lines);
  skfuzz::Check(kind >= 0 && kind <= 2, "configuration kind out of range");
  std::string value;
  skfuzz::Check(GisReadLayerConfigValue(path, "ADO", value) == kind, "kinds differ");
  const int storeKind = GisPixelStore2ConfigKind(path);
  skfuzz::Check(storeKind >= 0 && storeKind <= 2, "pixel store kind out of range");
  (void)data::ParseConnectionString(value);
  (void)TGIS_SharedConnections::Key(value);
  std::string dialect;
  GisReadLayerConfigValue(path, "Dialect", dialect);
  TStringList list;
  list.Assign(lines);
  TStringList dialectLines;
  dialectLines.SetText(GisSqlBuiltinDialect(dialect));
  for (int i = 0; i < dialectLines.Count(); ++i) list.Add(dialectLines[i]);
  for (const char* t : kTemplates) {
    const std::string once = GisExpandTemplate(t, &list);
    (void)GisExpandTemplate(once, nullptr, [](const std::string& n) { return n; });
  }
  const std::string text = lines.Text();
  (void)GisExpandTemplate(text, &list);
  (void)GisSqlReplaceIdentifier(text, "GIS_UID", "GEO.UID");
  (void)GisSqlUsesIdentifier(text, "GIS_AREA\r\nGIS_LENGTH");
  (void)GisSafeIdentifier(value, "NAME");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = skfuzz::Text(data, size);
  try {
    Walk(text);
  } catch (const Exception&) {
  }
  try {
    const std::string file = skfuzz::WriteScratch("layer.VRKLS", data, size);
    Walk(file);
    const std::string store = skfuzz::WriteScratch("store.vrkps", data, size);
    Walk(store);
    // A first-version store's layer file.
    const TGIS_PixelStoreLayerFile old = GisReadPixelStoreLayerFile(store);
    (void)data::ParseConnectionString(old.ConnectionString);
  } catch (const Exception&) {
  }
  return 0;
}
