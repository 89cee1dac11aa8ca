#include "gis/database/GisLayerConfig.h"

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisKeywords.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

// One pair of enclosing double or single quotes removed.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

void ReadSection(const std::string& file, TStringList& lines) {
  TMemIniFile ini(file);
  TStringList keys;
  ini.ReadSection(GIS_LAYER_CONFIG_SECTION, keys);
  lines.Clear();
  for (int i = 0; i < keys.Count(); ++i) {
    const std::string key = Trim(keys[i]);
    lines.Add(key + "=" + Unquote(Trim(ini.ReadString(GIS_LAYER_CONFIG_SECTION, keys[i], ""))));
  }
}

} // namespace

int GisReadLayerConfig(const std::string& path, TStrings* list) {
  TStringList lines;
  lines.SetText(GisUnescapeStr(path, ""));
  int result = 0;
  if (!Trim(lines.Values("Storage")).empty()) {
    result = 2;
  } else {
    const std::string ext = UpperCase(ExtractFileExt(path));
    if (ext == ".VRKLS" || ext == ".VRKPS") {
      result = 1;
      const std::string file = GisPathAbsolute("", path);
      if (FileExists(file)) {
        ReadSection(file, lines);
        if (Trim(lines.Values("ADO")).empty()) result = 2;
      }
    }
  }
  if (list != nullptr) list->Assign(lines);
  return result;
}

int GisReadLayerConfigValue(const std::string& path, const std::string& key, std::string& value) {
  TStringList lines;
  const int result = GisReadLayerConfig(path, &lines);
  value = Trim(lines.Values(key));
  return result;
}

std::string GisCreateJetDatabase(const std::string& fileName) {
  if (!FileExists(fileName)) data::CreateDatabaseFile(fileName);
  return "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ExtractFileName(ToSlashes(fileName)) + "\"";
}
