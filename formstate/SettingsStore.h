// The settings store of the form state and the window-placement keys.
//
// A store is an ini file (TStoreIniFile) or a registry key read and written
// like an ini file (TRegIniFile); TSettingsStore refers to either, or to
// nothing (reads give their defaults, writes do nothing). The ini store reads
// the file once, collects every write in memory and replaces the file in one
// step on Flush, so the file is never half-written. Its reading rules:
// sections and keys ignore letter case, the first of two equal keys wins,
// values are trimmed and lose one pair of matching enclosing quotes. Writing
// keeps the order, puts new keys at the end of their section and ends lines
// with CR LF; a line break inside a value is written as a blank.
//
// A form's section holds "FormVersion" (see Placement.h), the placement keys
// written here ("Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" and
// "NormPos", the last two once with the screen-size suffix and once plain),
// "Visible", and the stored properties (PropStorage.h).
#pragma once

#include <functional>
#include <string>
#include <variant>

#include "platform/forms/Registry.h"
#include "platform/rtl/IniFiles.h"

class TComponent;
class TForm;

class TStoreIniFile {
public:
  /// Reads the file (resolved against the logical current folder); a
  /// missing file reads as empty.
  explicit TStoreIniFile(const std::string& fileName);
  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue);
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue);
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  void EraseSection(const std::string& section);
  bool Changed() const { return changed_; }
  /// Writes the collected changes (nothing when there are none); raises
  /// EWriteError / EFCreateError naming the file, the old file left whole.
  void Flush();

private:
  std::string fileName_;
  TMemIniFile ini_;
  bool changed_ = false;
};

/// The store a helper works on: an ini file, a registry ini, or none.
using TSettingsStore = std::variant<std::monostate, TStoreIniFile*, TRegIniFile*>;

// Module settings (nobody in the program sets them).
/// When set, DefaultIniFileName returns its result.
extern std::function<std::string()> DefaultIniNameProvider;
extern std::string RegistryCompanyKey;
extern bool RegistryUseAppTitle;

/// The default section of a component: a form's class name; a control's
/// parent form class name (or its parent's name) followed by its name; a
/// component owned by a form "FormClass.Name"; else its name.
std::string DefaultSectionName(const TComponent* component);
/// The executable's name with the extension ".INI", without folder.
std::string DefaultIniFileName();
/// "Software\" + company key + "\" + the title or the executable's name.
std::string DefaultRegistryKey();

std::string StoreReadString(TSettingsStore store, const std::string& section,
                            const std::string& ident, const std::string& defaultValue);
int StoreReadInteger(TSettingsStore store, const std::string& section, const std::string& ident,
                     int defaultValue);
/// In an ini file a value enclosed in a pair of equal quotes gets one more
/// pair of double quotes, so it reads back unchanged.
void StoreWriteString(TSettingsStore store, const std::string& section, const std::string& ident,
                      const std::string& value);
void StoreWriteInteger(TSettingsStore store, const std::string& section, const std::string& ident,
                       int value);
void StoreEraseSection(TSettingsStore store, const std::string& section);

/// "(1280x1024)": the primary screen's size.
std::string ScreenSizeSuffix();
/// The key with the screen suffix, or else the plain key; '' when neither.
std::string ReadScreenKey(TSettingsStore store, const std::string& section,
                          const std::string& ident);
/// Writes the key with the screen suffix, then the plain key.
void WriteScreenKey(TSettingsStore store, const std::string& section, const std::string& ident,
                    const std::string& value);

void WriteWindowPlacement(TForm* form, TSettingsStore store, const std::string& section);
void ReadWindowPlacement(TForm* form, TSettingsStore store, const std::string& section,
                         bool loadState, bool loadPosition);
