#include "formstate/SettingsStore.h"

#include "formstate/FsGuards.h"
#include "formstate/StrUtils.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WindowPlacement.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/SafeFiles.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

std::function<std::string()> DefaultIniNameProvider;
std::string RegistryCompanyKey;
bool RegistryUseAppTitle = false;

// ---- the ini store ----------------------------------------------------------------

namespace {

std::string dequote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::string withoutLineBreaks(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  return value;
}

} // namespace

TStoreIniFile::TStoreIniFile(const std::string& fileName)
    : fileName_(fileName), ini_(fileName.empty() ? std::string() : ExpandFileName(fileName)) {}

std::string TStoreIniFile::ReadString(const std::string& section, const std::string& ident,
                                      const std::string& defaultValue) {
  if (!ini_.ValueExists(section, ident)) return defaultValue;
  return dequote(ini_.ReadString(section, ident, defaultValue));
}

int TStoreIniFile::ReadInteger(const std::string& section, const std::string& ident,
                               int defaultValue) {
  return StrToIntDef(ReadString(section, ident, ""), defaultValue);
}

void TStoreIniFile::WriteString(const std::string& section, const std::string& ident,
                                const std::string& value) {
  ini_.WriteString(section, ident, withoutLineBreaks(value));
  changed_ = true;
}

void TStoreIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

void TStoreIniFile::EraseSection(const std::string& section) {
  if (!ini_.SectionExists(section)) {
    TStringList sections;
    ini_.ReadSections(sections);
    if (sections.IndexOf(section) < 0) return;
  }
  ini_.EraseSection(section);
  changed_ = true;
}

void TStoreIniFile::Flush() {
  if (!changed_) return;
  TStringList lines;
  ini_.GetStrings(lines);
  std::string text;
  for (int i = 0; i < lines.Count(); ++i)
    text += lines.Get(i) + "\r\n";
  WriteFileAtomically(fileName_.empty() ? DefaultIniFileName() : fileName_, text);
  changed_ = false;
}

// ---- default names ----------------------------------------------------------------

std::string DefaultSectionName(const TComponent* component) {
  if (component == nullptr) return {};
  if (dynamic_cast<const TForm*>(component) != nullptr) return component->ClassName();
  if (auto* control = dynamic_cast<const TControl*>(component)) {
    if (TForm* form = GetParentForm(const_cast<TControl*>(control)))
      return form->ClassName() + control->Name();
    if (control->Parent() != nullptr) return control->Parent()->Name() + control->Name();
  }
  if (dynamic_cast<const TForm*>(component->Owner()) != nullptr)
    return Format("%s.%s", {component->Owner()->ClassName(), component->Name()});
  return component->Name();
}

std::string DefaultIniFileName() {
  if (DefaultIniNameProvider) return DefaultIniNameProvider();
  return ChangeFileExt(ExtractFileName(ExeName()), ".INI");
}

std::string DefaultRegistryKey() {
  std::string key = "Software\\";
  if (!RegistryCompanyKey.empty()) key += RegistryCompanyKey + "\\";
  const std::string title = Application()->Title();
  if (RegistryUseAppTitle && !title.empty()) return key + title;
  return key + ChangeFileExt(ExtractFileName(ExeName()), "");
}

// ---- store-neutral access -----------------------------------------------------------

std::string StoreReadString(TSettingsStore store, const std::string& section,
                            const std::string& ident, const std::string& defaultValue) {
  if (auto* ini = std::get_if<TStoreIniFile*>(&store); ini && *ini)
    return (*ini)->ReadString(section, ident, defaultValue);
  if (auto* reg = std::get_if<TRegIniFile*>(&store); reg && *reg)
    return (*reg)->ReadString(section, ident, defaultValue);
  return defaultValue;
}

int StoreReadInteger(TSettingsStore store, const std::string& section, const std::string& ident,
                     int defaultValue) {
  if (auto* ini = std::get_if<TStoreIniFile*>(&store); ini && *ini)
    return (*ini)->ReadInteger(section, ident, defaultValue);
  if (auto* reg = std::get_if<TRegIniFile*>(&store); reg && *reg)
    return (*reg)->ReadInteger(section, ident, defaultValue);
  return defaultValue;
}

void StoreWriteString(TSettingsStore store, const std::string& section, const std::string& ident,
                      const std::string& value) {
  if (auto* ini = std::get_if<TStoreIniFile*>(&store); ini && *ini) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    const bool lone = value.size() == 1 && (value[0] == '"' || value[0] == '\'');
    (*ini)->WriteString(section, ident, quoted || lone ? "\"" + value + "\"" : value);
  } else if (auto* reg = std::get_if<TRegIniFile*>(&store); reg && *reg) {
    (*reg)->WriteString(section, ident, value);
  }
}

void StoreWriteInteger(TSettingsStore store, const std::string& section, const std::string& ident,
                       int value) {
  if (auto* ini = std::get_if<TStoreIniFile*>(&store); ini && *ini)
    (*ini)->WriteInteger(section, ident, value);
  else if (auto* reg = std::get_if<TRegIniFile*>(&store); reg && *reg)
    (*reg)->WriteInteger(section, ident, value);
}

void StoreEraseSection(TSettingsStore store, const std::string& section) {
  if (auto* ini = std::get_if<TStoreIniFile*>(&store); ini && *ini)
    (*ini)->EraseSection(section);
  else if (auto* reg = std::get_if<TRegIniFile*>(&store); reg && *reg)
    (*reg)->EraseSection(section);
}

// ---- screen keys ------------------------------------------------------------------

std::string ScreenSizeSuffix() {
  return Format("(%dx%d)", {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

std::string ReadScreenKey(TSettingsStore store, const std::string& section,
                          const std::string& ident) {
  std::string value = StoreReadString(store, section, ident + ScreenSizeSuffix(), "");
  if (value.empty()) value = StoreReadString(store, section, ident, "");
  return value;
}

void WriteScreenKey(TSettingsStore store, const std::string& section, const std::string& ident,
                    const std::string& value) {
  StoreWriteString(store, section, ident + ScreenSizeSuffix(), value);
  StoreWriteString(store, section, ident, value);
}

// ---- placement keys ----------------------------------------------------------------

void WriteWindowPlacement(TForm* form, TSettingsStore store, const std::string& section) {
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  if (form == Application()->MainForm() && IsIconic(Application()->Handle()))
    p.showCmd = SW_SHOWMINIMIZED;
  if (form->FormStyle() == TFormStyle::fsMDIChild &&
      form->WindowState() == TWindowState::wsMinimized)
    p.flags |= WPF_SETMINPOSITION;
  StoreWriteInteger(store, section, "Flags", int(p.flags));
  StoreWriteInteger(store, section, "ShowCmd", int(p.showCmd));
  StoreWriteInteger(store, section, "PixelsPerInch", Screen()->PixelsPerInch());
  WriteScreenKey(store, section, "MinMaxPos",
                 Format("%d,%d,%d,%d", {p.ptMinPosition.x, p.ptMinPosition.y, p.ptMaxPosition.x,
                                        p.ptMaxPosition.y}));
  const TRect& r = p.rcNormalPosition;
  WriteScreenKey(store, section, "NormPos",
                 Format("%d,%d,%d,%d", {r.Left, r.Top, r.Right, r.Bottom}));
}

namespace {

const TCharSet kPositionDelimiters{' ', ','};

int wordAsInteger(const std::string& text, int n, int defaultValue) {
  return StrToIntDef(StrWordAt(n, text, kPositionDelimiters), defaultValue);
}

bool isMainOrNoMain(TForm* form) {
  return Application()->MainForm() == nullptr || Application()->MainForm() == form;
}

// Reads the position keys into `p`; true when either key gave text and the
// screen's resolution in pixels per inch is the stored one.
bool readPositionKeys(TForm* form, TSettingsStore store, const std::string& section,
                      WINDOWPLACEMENT& p) {
  p.flags = UINT(StoreReadInteger(store, section, "Flags", int(p.flags)));
  const std::string minMax = ReadScreenKey(store, section, "MinMaxPos");
  if (!minMax.empty()) {
    p.ptMinPosition = {wordAsInteger(minMax, 1, 0), wordAsInteger(minMax, 2, 0)};
    p.ptMaxPosition = {wordAsInteger(minMax, 3, 0), wordAsInteger(minMax, 4, 0)};
  }
  const std::string norm = ReadScreenKey(store, section, "NormPos");
  if (!norm.empty()) {
    p.rcNormalPosition = {wordAsInteger(norm, 1, form->Left()), wordAsInteger(norm, 2, form->Top()),
                          wordAsInteger(norm, 3, form->Left() + form->Width()),
                          wordAsInteger(norm, 4, form->Top() + form->Height())};
  }
  const int ppi = Screen()->PixelsPerInch();
  return (!minMax.empty() || !norm.empty()) &&
         StoreReadInteger(store, section, "PixelsPerInch", ppi) == ppi;
}

void applyPosition(TForm* form, WINDOWPLACEMENT& p) {
  TRect& r = p.rcNormalPosition;
  if (form->BorderStyle() != TBorderStyle::bsSizeable &&
      form->BorderStyle() != TBorderStyle::bsSizeToolWin) {
    r.Right = r.Left + form->Width();
    r.Bottom = r.Top + form->Height();
  }
  if (r.Right <= r.Left) return;
  const bool designing = form->ComponentState().Contains(TComponentStateItem::csDesigning);
  if ((form->Position() == TPosition::poScreenCenter ||
       form->Position() == TPosition::poDesktopCenter) &&
      !designing)
    form->SetPosition(TPosition::poDesigned);
  SetWindowPlacement(form->Handle(), &p);
}

TWindowState defaultState(TForm* form) {
  const bool wantsMax =
      form->FormStyle() == TFormStyle::fsMDIForm ||
      (form->FormStyle() == TFormStyle::fsNormal && form->Position() == TPosition::poDefault);
  return isMainOrNoMain(form) && wantsMax ? TWindowState::wsMaximized : TWindowState::wsNormal;
}

TWindowState stateFromShowCmd(int showCmd, TWindowState fallback) {
  switch (showCmd) {
  case 1:
  case 5:
  case 9:
    return TWindowState::wsNormal;
  case 2:
  case 6:
  case 7:
    return TWindowState::wsMinimized;
  case 3:
    return TWindowState::wsMaximized;
  default:
    return fallback;
  }
}

} // namespace

void ReadWindowPlacement(TForm* form, TSettingsStore store, const std::string& section,
                         bool loadState, bool loadPosition) {
  if (!loadState && !loadPosition) return;
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  if (!form->Visible()) p.showCmd = SW_HIDE;
  if (loadPosition && readPositionKeys(form, store, section, p)) applyPosition(form, p);
  if (loadState) {
    const TWindowState state =
        stateFromShowCmd(StoreReadInteger(store, section, "ShowCmd", 0), defaultState(form));
    if (state == TWindowState::wsMinimized && isMainOrNoMain(form)) {
      // Shown normal first; the posted command minimises it (also when it
      // shows only later).
      InstallApplicationMinimize();
      PostMessage(Application()->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    }
    if (form->FormStyle() != TFormStyle::fsMDIChild && form->FormStyle() != TFormStyle::fsMDIForm)
      form->SetWindowState(state);
  }
  form->Update();
}
