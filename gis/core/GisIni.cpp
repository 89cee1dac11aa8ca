#include "gis/core/GisIni.h"

#include <climits>
#include <typeinfo>
#include <unordered_set>

#include "gis/core/GisDefsPaths.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kMaxLayerNumber = 1000000;
constexpr int kMaxSubIndex = 999998;
constexpr int kLayerNotListed = INT_MAX;
constexpr int kMaxListItems = 999999;

const char* const kSectionBase = "Vornakel Layer";

} // namespace

TGIS_Ini::TGIS_Ini(const TGIS_LayerAbstract* layer, const std::string& path) {
  path_ = path.empty() ? std::string() : GisPathAbsolute(std::string(), path);
  iniFile_ = std::make_unique<TMemIniFile>(path_);
  relativePaths_ = true;
  SetLayer(layer);
}

std::string TGIS_Ini::SectionName(int layerNumber, int subIndex) const {
  SK_ASSERT(subIndex >= 0 && subIndex <= kMaxSubIndex && layerNumber >= 0, "", "GisIni", __LINE__);
  if (layerNumber >= kMaxLayerNumber) return std::string();
  std::string name = kSectionBase;
  if (layerNumber > 0) name += IntToStr(layerNumber);
  if (subIndex > 0) name += " " + IntToStr(subIndex);
  return name;
}

void TGIS_Ini::SetLayer(const TGIS_LayerAbstract* layer) {
  layerNumber_ = typeid(*this) == typeid(TGIS_Ini) ? 0 : FindLayerNumber(layer);
  CountSections(layer);
  SelectSection(0);
}

std::string TGIS_Ini::LayerNameOf(const TGIS_LayerAbstract*) const {
  return std::string();
}

int TGIS_Ini::FindLayerNumber(const TGIS_LayerAbstract* layer) {
  if (!layer) return 0;
  const std::string wanted = LayerNameOf(layer);
  for (int n = 1; n < kMaxLayerNumber; ++n) {
    const std::string section = SectionName(n, 0);
    std::string name = iniFile_->ReadString(section, "Name", std::string());
    if (name.empty())
      name = GisFileNameWithoutExt(iniFile_->ReadString(section, "Path", std::string()));
    if (name.empty()) break;
    if (name == wanted) return n;
  }
  return kLayerNotListed;
}

void TGIS_Ini::CountSections(const TGIS_LayerAbstract* layer) {
  if (!layer) {
    sectionCount_ = 1;
    return;
  }
  int count = 0;
  while (count < kMaxLayerNumber && count <= kMaxSubIndex) {
    const std::string name = SectionName(layerNumber_, count);
    if (name.empty() || !iniFile_->SectionExists(name)) break;
    ++count;
  }
  sectionCount_ = count;
}

bool TGIS_Ini::SelectSection(int subIndex) {
  subIndex_ = subIndex;
  section_ = SectionName(layerNumber_, subIndex);
  return subIndex < sectionCount_;
}

void TGIS_Ini::SelectSectionByName(const std::string& name) {
  section_ = name;
}

void TGIS_Ini::EraseSubSections() {
  for (int m = 1; m <= kMaxSubIndex; ++m) {
    const std::string name = SectionName(layerNumber_, m);
    if (name.empty() || !iniFile_->SectionExists(name)) break;
    iniFile_->EraseSection(name);
    changed_ = true;
  }
}

void TGIS_Ini::Reload() {
  iniFile_ = std::make_unique<TMemIniFile>(path_);
}

void TGIS_Ini::Save() {
  if (!changed_ || path_.empty()) return;
  const std::string backup = GisBackupFileName(path_);
  DeleteFile(backup);
  if (FileExists(path_)) CopyFile(path_, backup, true); // a failed backup is ignored
  iniFile_->UpdateFile();
  changed_ = false;
}

std::string TGIS_Ini::ReadRaw(const std::string& key) {
  if (section_.empty()) return GIS_INI_NIL;
  return iniFile_->ReadString(section_, key, GIS_INI_NIL);
}

void TGIS_Ini::WriteRaw(const std::string& key, const std::string& text) {
  SK_ASSERT(iniFile_ != nullptr, "", "GisIni", __LINE__);
  if (section_.empty()) return;
  iniFile_->WriteString(section_, key, text);
  changed_ = true;
}

std::string TGIS_Ini::IniFolder() const {
  return path_.empty() ? std::string() : ExtractFilePath(path_);
}

std::string TGIS_Ini::RelativePath(const std::string& path) const {
  if (!relativePaths_ || path.empty()) return path;
  const std::string folder = IniFolder();
  if (folder.empty()) return path;
  return GisPathRelative(folder, path);
}

std::string TGIS_Ini::AbsolutePath(const std::string& text) const {
  if (text == GIS_INI_NIL || text.empty()) return text;
  try {
    const std::string path = GisPathAbsolute(IniFolder(), text);
    if (FileExists(path) || DirectoryExists(path)) return path;
  } catch (const Exception&) {
  }
  return text;
}

bool TGIS_Ini::ReadBoolean(const std::string& key, bool defaultValue) {
  return GisStrToBoolean(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteBoolean(const std::string& key, bool value) {
  WriteRaw(key, GisBooleanToStr(value));
}

std::int32_t TGIS_Ini::ReadInteger(const std::string& key, std::int32_t defaultValue) {
  return GisStrToSize(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteInteger(const std::string& key, std::int32_t value) {
  WriteRaw(key, GisSizeToStr(value));
}

double TGIS_Ini::ReadFloat(const std::string& key, double defaultValue) {
  return GisIniStrToFloat(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteFloat(const std::string& key, double value) {
  WriteRaw(key, GisIniFloatToStr(value));
}

std::string TGIS_Ini::ReadString(const std::string& key, const std::string& defaultValue) {
  return GisUnescapeStr(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteString(const std::string& key, const std::string& value) {
  WriteRaw(key, GisEscapeStr(value));
}

std::uint32_t TGIS_Ini::ReadColor(const std::string& key, std::uint32_t defaultValue) {
  return GisStrToColor(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteColor(const std::string& key, std::uint32_t value) {
  WriteRaw(key, GisColorToStr(value));
}

TPenStyle TGIS_Ini::ReadPenStyle(const std::string& key, TPenStyle defaultValue) {
  return GisStrToPenStyle(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WritePenStyle(const std::string& key, TPenStyle value) {
  WriteRaw(key, GisPenStyleToStr(value));
}

TBrushStyle TGIS_Ini::ReadBrushStyle(const std::string& key, TBrushStyle defaultValue) {
  return GisStrToBrushStyle(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteBrushStyle(const std::string& key, TBrushStyle value) {
  WriteRaw(key, GisBrushStyleToStr(value));
}

TGIS_MarkerStyle TGIS_Ini::ReadMarkerStyle(const std::string& key, TGIS_MarkerStyle defaultValue) {
  return GisStrToMarkerStyle(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteMarkerStyle(const std::string& key, TGIS_MarkerStyle value) {
  WriteRaw(key, GisMarkerStyleToStr(value));
}

TFontStyles TGIS_Ini::ReadFontStyle(const std::string& key, TFontStyles defaultValue) {
  return GisStrToFontStyle(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteFontStyle(const std::string& key, TFontStyles value) {
  WriteRaw(key, GisFontStyleToStr(value));
}

TGIS_LabelPositions TGIS_Ini::ReadLabelPosition(const std::string& key,
                                                TGIS_LabelPositions defaultValue) {
  return GisStrToLabelPosition(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteLabelPosition(const std::string& key, TGIS_LabelPositions value) {
  WriteRaw(key, GisLabelPositionToStr(value));
}

TGIS_LabelAlignment TGIS_Ini::ReadLabelAlignment(const std::string& key,
                                                 TGIS_LabelAlignment defaultValue) {
  return GisStrToLabelAlignment(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteLabelAlignment(const std::string& key, TGIS_LabelAlignment value) {
  WriteRaw(key, GisLabelAlignmentToStr(value));
}

TGIS_ChartStyle TGIS_Ini::ReadChartStyle(const std::string& key, TGIS_ChartStyle defaultValue) {
  return GisStrToChartStyle(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteChartStyle(const std::string& key, TGIS_ChartStyle value) {
  WriteRaw(key, GisChartStyleToStr(value));
}

TGIS_DormantMode TGIS_Ini::ReadDormantMode(const std::string& key, TGIS_DormantMode defaultValue) {
  return GisStrToDormantMode(ReadRaw(key), defaultValue);
}
void TGIS_Ini::WriteDormantMode(const std::string& key, TGIS_DormantMode value) {
  WriteRaw(key, GisDormantModeToStr(value));
}

TGIS_Units& TGIS_Ini::ReadUnits(const std::string& key, TGIS_Units& units) {
  return *GisStrToUnits(ReadRaw(key), &units);
}
void TGIS_Ini::WriteUnits(const std::string& key, const TGIS_Units& units) {
  WriteRaw(key, GisUnitsToStr(units));
}

std::unique_ptr<TGIS_Bitmap> TGIS_Ini::ReadBitmap(const std::string& key,
                                                  const TGIS_Bitmap* defaultValue) {
  return GisStrToBitmap(AbsolutePath(ReadRaw(key)), defaultValue);
}
void TGIS_Ini::WriteBitmap(const std::string& key, const TGIS_Bitmap* bitmap) {
  if (!bitmap || bitmap->Path().empty()) {
    WriteRaw(key, std::string());
    return;
  }
  WriteRaw(key, GisEscapeStr(RelativePath(bitmap->Path())));
}

TGIS_SymbolAbstract* TGIS_Ini::ReadSymbol(const std::string& key,
                                          TGIS_SymbolAbstract* defaultValue) {
  const std::string raw = ReadRaw(key);
  // A picture symbol's name may end in "?transparency": only the file part
  // is resolved against the ini file's folder.
  const std::size_t question = raw.find('?');
  if (question == std::string::npos || raw.find('<') != std::string::npos)
    return GisStrToSymbol(AbsolutePath(raw), defaultValue);
  return GisStrToSymbol(AbsolutePath(raw.substr(0, question)) + raw.substr(question),
                        defaultValue);
}
void TGIS_Ini::WriteSymbol(const std::string& key, const TGIS_SymbolAbstract* symbol) {
  TGIS_SymbolResolver* resolver = GisSymbolResolver();
  if (!symbol || !resolver) {
    WriteRaw(key, std::string());
    return;
  }
  bool isFile = false;
  std::string name = resolver->NameOf(symbol, isFile);
  if (isFile) name = RelativePath(name);
  WriteRaw(key, GisEscapeStr(name));
}

void TGIS_Ini::ReadStringList(const std::string& key, TStrings* list) {
  SK_ASSERT(list != nullptr, "_list must be assigned", "GisIni", __LINE__);
  // The list ends at the first missing key; an item stored as the word nil
  // is a line like any other (the writer stores such a line that way).
  if (section_.empty()) return;
  TStringList keys;
  iniFile_->ReadSection(section_, keys);
  std::unordered_set<std::string> stored;
  for (int i = 0; i < keys.Count(); ++i)
    stored.insert(UpperCase(keys[i]));
  auto exists = [&](int i) { return stored.count(UpperCase(key + IntToStr(i))) > 0; };
  if (!exists(1)) return;
  list->Clear();
  for (int i = 1; i <= kMaxListItems && exists(i); ++i) {
    const std::string raw = ReadRaw(key + IntToStr(i));
    list->Add(raw == GIS_INI_NIL ? raw : GisUnescapeStr(raw, std::string()));
  }
}

void TGIS_Ini::WriteStringList(const std::string& key, const TStrings* list) {
  SK_ASSERT(list != nullptr, "_list must be assigned", "GisIni", __LINE__);
  if (!section_.empty()) {
    TStringList keys;
    iniFile_->ReadSection(section_, keys);
    for (int i = 0; i < keys.Count(); ++i) {
      const std::string name = keys[i];
      if (name.size() > key.size() && SameText(name.substr(0, key.size()), key) &&
          name[key.size()] >= '1' && name[key.size()] <= '9') {
        iniFile_->DeleteKey(section_, name);
        changed_ = true;
      }
    }
  }
  int last = list->Count();
  while (last > 0 && list->Get(last - 1).empty())
    --last;
  for (int i = 0; i < last; ++i)
    WriteRaw(key + IntToStr(i + 1), GisEscapeStr(list->Get(i)));
}
