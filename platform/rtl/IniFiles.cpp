#include "platform/rtl/IniFiles.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

#include <iterator>
#include <string_view>

namespace {

// One line of an ini file as the reading rules see it.
struct IniLine {
  enum Kind { Skip, SectionHeader, KeyValue, Other } kind = Skip;
  std::string name;  // section name or key
  std::string value; // value of a key line
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A UTF-8 byte-order mark is the file's, so it is dropped from the first
// line only; anywhere else U+FEFF is part of a name or value.
IniLine classify(const std::string& raw, bool fileStart) {
  IniLine line;
  std::string_view bare = raw;
  if (fileStart && bare.substr(0, kUtf8Bom.size()) == kUtf8Bom)
    bare.remove_prefix(kUtf8Bom.size());
  const std::string text = Trim(bare);
  if (text.empty() || text[0] == ';') return line;
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    line.kind = IniLine::SectionHeader;
    line.name = Trim(text.substr(1, text.size() - 2));
    return line;
  }
  const size_t eq = text.find('=');
  if (eq == std::string::npos) {
    line.kind = IniLine::Other;
    line.name = text;
    return line;
  }
  line.kind = IniLine::KeyValue;
  line.name = Trim(text.substr(0, eq));
  line.value = Trim(text.substr(eq + 1));
  return line;
}

template <class Lines>
IniLine classifyAt(const Lines& lines, int index) {
  return classify(lines.Get(index), index == 0);
}

bool sameName(const std::string& a, const std::string& b) {
  return AnsiSameText(a, b);
}

// Removes one pair of matching quotes around a value.
std::string dequote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

void loadLines(const std::string& fileName, TStringList& lines) {
  if (!fileName.empty() && FileExists(fileName)) lines.LoadFromFile(fileName);
}

} // namespace

// ---- TCustomIniFile ------------------------------------------------------------------

bool TCustomIniFile::SectionExists(const std::string& section) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.IndexOf(ident) >= 0;
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                int defaultValue) {
  std::string text = ReadString(section, ident, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  return StrToIntDef(text, defaultValue);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident,
                              bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident,
                                 double defaultValue) {
  const std::string text = ReadString(section, ident, "");
  double value = 0;
  if (text.empty() || !TryStrToFloat(text, value)) return defaultValue;
  return value;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident,
                                double value) {
  WriteString(section, ident, FloatToStr(value));
}

// ---- TMemIniFile -------------------------------------------------------------------

TMemIniFile::TMemIniFile(const std::string& fileName) : TCustomIniFile(fileName) {
  load();
}

void TMemIniFile::load() {
  TStringList lines;
  loadLines(FileName(), lines);
  SetStrings(lines);
}

std::size_t TMemIniFile::KeyNameHash::operator()(const KeyName& k) const {
  return std::hash<const void*>()(k.section) ^ (AnsiCaseFoldHash(k.key) * 31);
}

bool TMemIniFile::KeyNameEqual::operator()(const KeyName& a, const KeyName& b) const {
  return a.section == b.section && AnsiSameText(a.key, b.key);
}

TMemIniFile::Section* TMemIniFile::findSection(const std::string& name) {
  const auto it = sectionIndex_.find(name);
  return it == sectionIndex_.end() ? nullptr : &*it->second;
}

TMemIniFile::Section& TMemIniFile::findOrAddSection(const std::string& name) {
  if (Section* s = findSection(name)) return *s;
  const auto at = sections_.insert(sections_.end(), Section{name, {}, 0});
  sectionIndex_.emplace(at->name, at);
  return *at;
}

TMemIniFile::Entry* TMemIniFile::findEntry(Section& section, const std::string& key) {
  const auto it = keys_.find(KeyName{&section, key});
  return it == keys_.end() ? nullptr : &*it->second.first;
}

void TMemIniFile::addEntry(Section& section, Entry entry) {
  const auto at = section.entries.insert(section.entries.end(), std::move(entry));
  if (at->value.empty()) return;
  auto [it, added] = keys_.try_emplace(KeyName{&section, at->key}, KeyRef{at, 0});
  if (added)
    ++section.keyCount;
  else
    ++it->second.repeats;
}

void TMemIniFile::Clear() {
  keys_.clear();
  sectionIndex_.clear();
  sections_.clear();
}

void TMemIniFile::SetStrings(const TStrings& lines) {
  Clear();
  Section* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) {
    IniLine line = classifyAt(lines, i);
    switch (line.kind) {
    case IniLine::Skip:
      break;
    case IniLine::SectionHeader:
      current = &findOrAddSection(line.name);
      break;
    case IniLine::KeyValue:
      // A line without '=' is kept as a key without a value (it is written
      // back as it was, but reads as no key).
    case IniLine::Other:
      if (current != nullptr)
        addEntry(*current,
                 Entry{std::move(line.name),
                       line.kind == IniLine::KeyValue ? "=" + line.value : std::string()});
      break;
    }
  }
}

void TMemIniFile::GetStrings(TStrings& lines) const {
  TUpdateScope<TStrings> update(lines);
  lines.Clear();
  for (const Section& section : sections_) {
    if (lines.Count() > 0) lines.Add("");
    lines.Add("[" + section.name + "]");
    for (const auto& entry : section.entries)
      lines.Add(entry.key + entry.value);
  }
  update.End();
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) {
  Section* s = findSection(section);
  const Entry* entry = s ? findEntry(*s, ident) : nullptr;
  return entry ? entry->value.substr(1) : defaultValue;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  Section& s = findOrAddSection(section);
  if (Entry* entry = findEntry(s, ident))
    entry->value = "=" + value;
  else
    addEntry(s, Entry{ident, "=" + value});
}

// The lists are built aside and then assigned, so that the target (which may
// be sorted, or refuse duplicates) is left in order whatever happens.
void TMemIniFile::ReadSection(const std::string& section, TStrings& keys) {
  TStringList lines;
  if (Section* s = findSection(section))
    for (const auto& entry : s->entries)
      if (!entry.value.empty()) lines.Add(entry.key);
  keys.Assign(lines);
}

void TMemIniFile::ReadSections(TStrings& sections) {
  TStringList lines;
  for (const auto& s : sections_)
    lines.Add(s.name);
  sections.Assign(lines);
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings& values) {
  TStringList lines;
  if (Section* s = findSection(section))
    for (const auto& entry : s->entries)
      if (!entry.value.empty()) lines.Add(entry.key + entry.value);
  values.Assign(lines);
}

bool TMemIniFile::SectionExists(const std::string& section) {
  const Section* s = findSection(section);
  return s != nullptr && s->keyCount > 0;
}

bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) {
  Section* s = findSection(section);
  return s != nullptr && findEntry(*s, ident) != nullptr;
}

void TMemIniFile::EraseSection(const std::string& section) {
  const auto it = sectionIndex_.find(section);
  if (it == sectionIndex_.end()) return;
  const Sections::iterator at = it->second;
  // The tables view names held by the section: they go first.
  for (const Entry& entry : at->entries)
    if (!entry.value.empty()) keys_.erase(KeyName{&*at, entry.key});
  sectionIndex_.erase(it);
  sections_.erase(at);
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Section* s = findSection(section);
  if (s == nullptr) return;
  const auto ref = keys_.find(KeyName{s, ident});
  if (ref == keys_.end()) return;
  const Entries::iterator gone = ref->second.first;
  const int repeats = ref->second.repeats;
  keys_.erase(ref); // before the key it views goes
  if (repeats == 0) {
    --s->keyCount;
  } else {
    // A repeated key: the next entry of the same name becomes the one read.
    auto next = std::next(gone);
    while (next->value.empty() || !AnsiSameText(next->key, gone->key))
      ++next;
    keys_.emplace(KeyName{s, next->key}, KeyRef{next, repeats - 1});
  }
  s->entries.erase(gone);
}

void TMemIniFile::UpdateFile() {
  if (FileName().empty()) return;
  TStringList lines;
  GetStrings(lines);
  lines.SaveToFile(FileName());
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  setFileName(fileName);
  if (reload) load();
}

// ---- TIniFile ----------------------------------------------------------------------

namespace {

// The lines [first, end) of the first section named `section` (first is the
// header); false when there is none.
bool sectionRange(const TStringList& lines, const std::string& section, int& first, int& end) {
  first = -1;
  for (int i = 0; i < lines.Count(); ++i) {
    const IniLine line = classifyAt(lines, i);
    if (line.kind != IniLine::SectionHeader) continue;
    if (first >= 0) {
      end = i;
      return true;
    }
    if (sameName(line.name, section)) first = i;
  }
  end = lines.Count();
  return first >= 0;
}

int findKeyLine(const TStringList& lines, int first, int end, const std::string& ident) {
  for (int i = first + 1; i < end; ++i) {
    const IniLine line = classifyAt(lines, i);
    if (line.kind == IniLine::KeyValue && sameName(line.name, ident)) return i;
  }
  return -1;
}

} // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) {
  TMemIniFile ini(FileName());
  if (!ini.ValueExists(section, ident)) return defaultValue;
  return dequote(ini.ReadString(section, ident, defaultValue));
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  TStringList lines;
  loadLines(FileName(), lines);
  const std::string text = ident + "=" + value;
  int first = 0, end = 0;
  if (!sectionRange(lines, section, first, end)) {
    if (lines.Count() > 0 && !Trim(lines.Get(lines.Count() - 1)).empty()) lines.Add("");
    lines.Add("[" + section + "]");
    lines.Add(text);
  } else if (const int keyLine = findKeyLine(lines, first, end, ident); keyLine >= 0) {
    lines.SetStrings(keyLine, text);
  } else {
    // After the section's last key: blank lines and comments at its end
    // belong to what follows.
    int at = end;
    while (at > first + 1 && classifyAt(lines, at - 1).kind == IniLine::Skip)
      --at;
    lines.Insert(at, text);
  }
  lines.SaveToFile(FileName());
}

void TIniFile::ReadSection(const std::string& section, TStrings& keys) {
  TMemIniFile(FileName()).ReadSection(section, keys);
}

void TIniFile::ReadSections(TStrings& sections) {
  TMemIniFile(FileName()).ReadSections(sections);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& values) {
  TStringList lines;
  TMemIniFile(FileName()).ReadSectionValues(section, lines);
  for (int i = 0; i < lines.Count(); ++i)
    lines.SetStrings(i, lines.Names(i) + "=" + dequote(lines.ValueFromIndex(i)));
  values.Assign(lines); // also into a sorted list, which refuses edits in place
}

void TIniFile::EraseSection(const std::string& section) {
  TStringList lines;
  loadLines(FileName(), lines);
  bool changed = false;
  int first = 0, end = 0;
  while (sectionRange(lines, section, first, end)) {
    // Blank lines and comments at the end belong to what follows: they stay.
    while (end > first + 1 && classifyAt(lines, end - 1).kind == IniLine::Skip)
      --end;
    for (int i = end - 1; i >= first; --i)
      lines.Delete(i);
    changed = true;
  }
  if (changed) lines.SaveToFile(FileName());
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  TStringList lines;
  loadLines(FileName(), lines);
  int first = 0, end = 0;
  if (!sectionRange(lines, section, first, end)) return;
  const int at = findKeyLine(lines, first, end, ident);
  if (at < 0) return;
  lines.Delete(at);
  lines.SaveToFile(FileName());
}
