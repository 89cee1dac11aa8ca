// Typed reading and writing of the kernel's configuration files in ini form:
// a layer's own file (its path + ".ini"), the text form of style sections, and
// project configurations.
//
// Every read passes one convention: a missing key, or any key while no
// section is selected, reads as "nil", which every converter maps to the
// caller's default. So readers pass the current value as default, and a
// configuration holds only the keys it changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/core/GisKeywords.h"
#include "platform/rtl/IniFiles.h"

class TGIS_LayerAbstract;
class TStrings;

class TGIS_Ini {
public:
  /// Path := GisPathAbsolute(path) (an empty path stays empty: a memory-only
  /// ini, never read or written); the file is loaded (a missing one gives an
  /// empty ini, which Save creates); RelativePaths := true; then
  /// SetLayer(layer). A layer's own file selects "Vornakel Layer".
  TGIS_Ini(const TGIS_LayerAbstract* layer, const std::string& path);
  virtual ~TGIS_Ini() = default;
  TGIS_Ini(const TGIS_Ini&) = delete;
  TGIS_Ini& operator=(const TGIS_Ini&) = delete;

  // --- state -------------------------------------------------------------------------
  TMemIniFile& IniFile() { return *iniFile_; }
  /// The selected section; empty when none is.
  const std::string& Section() const { return section_; }
  bool Changed() const { return changed_; }
  void SetChanged(bool value) { changed_ = value; }
  bool RelativePaths() const { return relativePaths_; }
  void SetRelativePaths(bool value) { relativePaths_ = value; }
  const std::string& Path() const { return path_; }
  int SectionCount() const { return sectionCount_; }
  int SubIndex() const { return subIndex_; }
  int LayerNumber() const { return layerNumber_; }

  // --- sections ----------------------------------------------------------------------
  /// "Vornakel Layer", + N when N > 0, + " " M when M > 0; '' when
  /// N >= 1,000,000. Asserts 0 <= M <= 999,998 and N >= 0.
  virtual std::string SectionName(int layerNumber, int subIndex) const;
  /// LayerNumber := 0 for this class (a project configuration would look the
  /// layer up); then CountSections and SelectSection(0).
  void SetLayer(const TGIS_LayerAbstract* layer);
  /// 0 without a layer; otherwise the first layer number whose section names
  /// the layer; 2,147,483,647 when none does.
  int FindLayerNumber(const TGIS_LayerAbstract* layer);
  /// 1 without a layer; otherwise the number of consecutive sections of the
  /// layer number that have keys.
  void CountSections(const TGIS_LayerAbstract* layer);
  /// Selects sub-section M (even when it does not exist yet, so writes create
  /// it); true when M < SectionCount.
  bool SelectSection(int subIndex);
  /// Selects a section by its name; LayerNumber and SubIndex stay.
  void SelectSectionByName(const std::string& name);
  /// Erases the sub-sections 1, 2, ... of the layer number up to the first
  /// that does not exist.
  void EraseSubSections();
  /// Rereads the file (unsaved writes are lost; Changed stays).
  void Reload();
  /// When changed and named: the previous file is kept as its backup
  /// (roads.~ini for roads.ini), the contents are written and Changed is
  /// cleared. A backup that cannot be made is ignored; a failed write raises.
  void Save();

  // --- raw access ----------------------------------------------------------------------
  /// The key's value in the selected section; "nil" when missing or when no
  /// section is selected.
  std::string ReadRaw(const std::string& key);
  /// Writes into the selected section and sets Changed; nothing when no
  /// section is selected.
  void WriteRaw(const std::string& key, const std::string& text);
  /// The path as written: relative to the ini's folder with RelativePaths.
  std::string RelativePath(const std::string& path) const;
  /// The path as used: absolute against the ini's folder when a file or folder
  /// of that name exists, else the text unchanged ("nil" too).
  std::string AbsolutePath(const std::string& text) const;

  // --- typed pairs ---------------------------------------------------------------------
  bool ReadBoolean(const std::string& key, bool defaultValue);
  void WriteBoolean(const std::string& key, bool value);
  std::int32_t ReadInteger(const std::string& key, std::int32_t defaultValue);
  void WriteInteger(const std::string& key, std::int32_t value);
  /// Never raises: "nil", empty or unparsable text gives the default; '.' or
  /// ',' accepted.
  double ReadFloat(const std::string& key, double defaultValue);
  /// '.' as decimal separator whatever the settings.
  void WriteFloat(const std::string& key, double value);
  std::string ReadString(const std::string& key, const std::string& defaultValue);
  void WriteString(const std::string& key, const std::string& value);
  std::uint32_t ReadColor(const std::string& key, std::uint32_t defaultValue);
  void WriteColor(const std::string& key, std::uint32_t value);
  TPenStyle ReadPenStyle(const std::string& key, TPenStyle defaultValue);
  void WritePenStyle(const std::string& key, TPenStyle value);
  TBrushStyle ReadBrushStyle(const std::string& key, TBrushStyle defaultValue);
  void WriteBrushStyle(const std::string& key, TBrushStyle value);
  TGIS_MarkerStyle ReadMarkerStyle(const std::string& key, TGIS_MarkerStyle defaultValue);
  void WriteMarkerStyle(const std::string& key, TGIS_MarkerStyle value);
  TFontStyles ReadFontStyle(const std::string& key, TFontStyles defaultValue);
  void WriteFontStyle(const std::string& key, TFontStyles value);
  TGIS_LabelPositions ReadLabelPosition(const std::string& key, TGIS_LabelPositions defaultValue);
  void WriteLabelPosition(const std::string& key, TGIS_LabelPositions value);
  TGIS_LabelAlignment ReadLabelAlignment(const std::string& key, TGIS_LabelAlignment defaultValue);
  void WriteLabelAlignment(const std::string& key, TGIS_LabelAlignment value);
  TGIS_ChartStyle ReadChartStyle(const std::string& key, TGIS_ChartStyle defaultValue);
  void WriteChartStyle(const std::string& key, TGIS_ChartStyle value);
  TGIS_DormantMode ReadDormantMode(const std::string& key, TGIS_DormantMode defaultValue);
  void WriteDormantMode(const std::string& key, TGIS_DormantMode value);
  /// Sets the given units in place and returns them.
  TGIS_Units& ReadUnits(const std::string& key, TGIS_Units& units);
  void WriteUnits(const std::string& key, const TGIS_Units& units);
  /// A new bitmap owned by the caller: loaded from the stored path, or a copy
  /// of the default.
  std::unique_ptr<TGIS_Bitmap> ReadBitmap(const std::string& key, const TGIS_Bitmap* defaultValue);
  /// The bitmap's path relative to the ini; no bitmap, or one not loaded from
  /// a file, writes an empty value.
  void WriteBitmap(const std::string& key, const TGIS_Bitmap* bitmap);
  TGIS_SymbolAbstract* ReadSymbol(const std::string& key, TGIS_SymbolAbstract* defaultValue);
  /// The symbol's name (relative to the ini for file symbols); no symbol
  /// writes an empty value.
  void WriteSymbol(const std::string& key, const TGIS_SymbolAbstract* symbol);

  // --- numbered lists ------------------------------------------------------------------
  /// When key1 exists, the list is replaced by the values of key1, key2, ...
  /// up to the first missing key, unescaped (a value that reads nil is the
  /// line "nil"); otherwise it is left unchanged.
  void ReadStringList(const std::string& key, TStrings* list);
  /// Deletes every key of the section named key + a digit 1-9 + anything, then
  /// writes the lines escaped under key1, key2, ... up to the last non-empty
  /// line (empty lines in between as empty values).
  void WriteStringList(const std::string& key, const TStrings* list);

protected:
  /// The name of a layer as a project configuration lists it; a project
  /// configuration class provides it. The base class never needs it.
  virtual std::string LayerNameOf(const TGIS_LayerAbstract* layer) const;

private:
  std::string IniFolder() const;

  std::unique_ptr<TMemIniFile> iniFile_;
  std::string section_;
  bool changed_ = false;
  bool relativePaths_ = true;
  std::string path_;
  int sectionCount_ = 0;
  int subIndex_ = 0;
  int layerNumber_ = 0;
};
