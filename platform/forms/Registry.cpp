#include "platform/forms/Registry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <charconv>
#include <map>

#include "platform/forms/TextUtil.h"
#include "platform/rtl/StringList.h"

using forms_detail::LowerName;
using forms_detail::SameName;

namespace {

/// One root's keys in file order; names keep their case, lookups ignore it.
struct TKey {
  std::string path;
  std::vector<std::pair<std::string, std::string>> values;
};

struct TStore {
  std::vector<TKey> keys;

  TKey* find(const std::string& path) {
    for (TKey& k : keys)
      if (SameName(k.path, path)) return &k;
    return nullptr;
  }
};

std::string& folderSetting() {
  static std::string folder;
  return folder;
}

const char* rootName(HKEY root) {
  switch (root) {
  case HKEY_CLASSES_ROOT:
    return "HKEY_CLASSES_ROOT";
  case HKEY_LOCAL_MACHINE:
    return "HKEY_LOCAL_MACHINE";
  case HKEY_USERS:
    return "HKEY_USERS";
  default:
    return "HKEY_CURRENT_USER";
  }
}

QString fileOf(HKEY root) {
  return QDir(QString::fromStdString(RegistryFolder())).filePath(QString(rootName(root)) + ".ini");
}

std::string escape(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\\')
      r += "\\\\";
    else if (c == '\n')
      r += "\\n";
    else if (c == '\r')
      r += "\\r";
    else
      r += c;
  }
  return r;
}

std::string unescape(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      r += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      r += s[i];
    }
  }
  return r;
}

TStore load(HKEY root) {
  TStore store;
  QFile f(fileOf(root));
  if (!f.open(QIODevice::ReadOnly)) return store;
  QByteArray all = f.readAll();
  TKey* current = nullptr;
  for (const QByteArray& rawLine : all.split('\n')) {
    std::string line = rawLine.toStdString();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      store.keys.push_back({line.substr(1, line.size() - 2), {}});
      current = &store.keys.back();
      continue;
    }
    // The first '=' that is not escaped ends the name.
    size_t eq = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\') {
        ++i;
        continue;
      }
      if (line[i] == '=') {
        eq = i;
        break;
      }
    }
    if (current == nullptr || eq == std::string::npos) continue;
    std::string raw = line.substr(0, eq);
    std::string name = raw == "@" ? std::string() : unescape(raw);
    current->values.emplace_back(name, unescape(line.substr(eq + 1)));
  }
  return store;
}

bool save(HKEY root, const TStore& store) {
  QDir().mkpath(QString::fromStdString(RegistryFolder()));
  QSaveFile f(fileOf(root));
  if (!f.open(QIODevice::WriteOnly)) return false;
  std::string text;
  for (const TKey& k : store.keys) {
    text += "[" + k.path + "]\n";
    for (auto& [name, value] : k.values) {
      // '=' would end a name early and a lone '@' is the default value.
      std::string n = "@";
      if (!name.empty()) {
        n.clear();
        for (char c : escape(name))
          n += c == '=' ? std::string("\\=") : std::string(1, c);
        if (n[0] == '@') n.insert(0, "\\");
      }
      text += n + "=" + escape(value) + "\n";
    }
    text += "\n";
  }
  f.write(text.data(), qint64(text.size()));
  return f.commit();
}

/// "a\\b\\" -> "a\b"; empty parts dropped.
std::string normalize(const std::string& path) {
  std::string r;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find_first_of("\\/", i);
    if (j == std::string::npos) j = path.size();
    if (j > i) {
      if (!r.empty()) r += '\\';
      r += path.substr(i, j - i);
    }
    i = j + 1;
  }
  return r;
}

bool isBelow(const std::string& path, const std::string& key) {
  return path.size() > key.size() + 1 && SameName(path.substr(0, key.size()), key) &&
         path[key.size()] == '\\';
}

void createWithParents(TStore& store, const std::string& path) {
  size_t pos = 0;
  for (;;) {
    size_t j = path.find('\\', pos);
    std::string part = j == std::string::npos ? path : path.substr(0, j);
    if (!part.empty() && store.find(part) == nullptr) store.keys.push_back({part, {}});
    if (j == std::string::npos) break;
    pos = j + 1;
  }
}

bool keyExists(TStore& store, const std::string& path) {
  if (path.empty()) return true;
  if (store.find(path) != nullptr) return true;
  return std::any_of(store.keys.begin(), store.keys.end(),
                     [&](const TKey& k) { return isBelow(k.path, path); });
}

} // namespace

void SetRegistryFolder(const std::string& folder) {
  folderSetting() = folder;
}

std::string RegistryFolder() {
  if (!folderSetting().empty()) return folderSetting();
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(base).filePath("skorvaplinth/registry").toStdString();
}

TRegistry::TRegistry(std::uint32_t access) : access_(access) {}
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

std::string TRegistry::resolve(const std::string& key) const {
  bool absolute = !key.empty() && (key[0] == '\\' || key[0] == '/');
  std::string rel = normalize(key);
  if (absolute || !open_ || current_.empty()) return rel;
  return rel.empty() ? current_ : current_ + "\\" + rel;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path = resolve(key);
  TStore store = load(root_);
  if (!keyExists(store, path)) {
    if (!canCreate || access_ == KEY_READ) return false;
    createWithParents(store, path);
    if (!save(root_, store)) return false;
  }
  current_ = path;
  open_ = true;
  readOnly_ = access_ == KEY_READ;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  std::string path = resolve(key);
  TStore store = load(root_);
  if (!keyExists(store, path)) return false;
  current_ = path;
  open_ = true;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  readOnly_ = false;
  current_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const {
  TStore store = load(root_);
  return keyExists(store, resolve(key));
}

bool TRegistry::ValueExists(const std::string& name) const {
  if (!open_) return false;
  TStore store = load(root_);
  TKey* k = store.find(current_);
  if (k == nullptr) return false;
  return std::any_of(k->values.begin(), k->values.end(),
                     [&](auto& v) { return SameName(v.first, name); });
}

std::string TRegistry::ReadString(const std::string& name) const {
  if (!open_) return {};
  TStore store = load(root_);
  TKey* k = store.find(current_);
  if (k == nullptr) return {};
  for (auto& [n, v] : k->values)
    if (SameName(n, name)) return v;
  return {};
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  auto failed = [&] { return ERegistryException("Failed to set data for '" + name + "'"); };
  if (!open_ || readOnly_) throw failed();
  TStore store = load(root_);
  createWithParents(store, current_);
  TKey* k = store.find(current_);
  if (k == nullptr) throw failed();
  bool done = false;
  for (auto& [n, v] : k->values)
    if (SameName(n, name)) {
      v = value;
      done = true;
    }
  if (!done) k->values.emplace_back(name, value);
  if (!save(root_, store)) throw failed();
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (!open_ || readOnly_) return false;
  TStore store = load(root_);
  TKey* k = store.find(current_);
  if (k == nullptr) return false;
  size_t before = k->values.size();
  k->values.erase(std::remove_if(k->values.begin(), k->values.end(),
                                 [&](auto& v) { return SameName(v.first, name); }),
                  k->values.end());
  return k->values.size() != before && save(root_, store);
}

bool TRegistry::DeleteKey(const std::string& key) {
  if (access_ == KEY_READ) return false;
  std::string path = resolve(key);
  if (path.empty()) return false;
  TStore store = load(root_);
  size_t before = store.keys.size();
  store.keys.erase(std::remove_if(store.keys.begin(), store.keys.end(),
                                  [&](const TKey& k) {
                                    return SameName(k.path, path) || isBelow(k.path, path);
                                  }),
                   store.keys.end());
  if (store.keys.size() == before) return false;
  if (open_ && (SameName(current_, path) || isBelow(current_, path))) CloseKey();
  return save(root_, store);
}

void TRegistry::MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld) {
  if (access_ == KEY_READ) return;
  std::string from = resolve(oldName), to = resolve(newName);
  if (from.empty() || to.empty() || SameName(from, to)) return;
  TStore store = load(root_);
  if (!keyExists(store, from)) return;
  std::vector<TKey> copies;
  for (const TKey& k : store.keys)
    if (SameName(k.path, from) || isBelow(k.path, from))
      copies.push_back({to + k.path.substr(from.size()), k.values});
  // The target is replaced.
  store.keys.erase(std::remove_if(store.keys.begin(), store.keys.end(),
                                  [&](const TKey& k) {
                                    return SameName(k.path, to) || isBelow(k.path, to) ||
                                           (deleteOld &&
                                            (SameName(k.path, from) || isBelow(k.path, from)));
                                  }),
                   store.keys.end());
  createWithParents(store, to);
  for (TKey& c : copies) {
    if (TKey* existing = store.find(c.path))
      existing->values = c.values;
    else
      store.keys.push_back(std::move(c));
  }
  save(root_, store);
}

void TRegistry::GetKeyNames(TStrings& list) const {
  list.Clear();
  TStore store = load(root_);
  std::vector<std::string> seen;
  for (const TKey& k : store.keys) {
    std::string rest;
    if (current_.empty())
      rest = k.path;
    else if (isBelow(k.path, current_))
      rest = k.path.substr(current_.size() + 1);
    else
      continue;
    std::string first = rest.substr(0, rest.find('\\'));
    if (first.empty()) continue;
    if (std::none_of(seen.begin(), seen.end(), [&](auto& s) { return SameName(s, first); })) {
      seen.push_back(first);
      list.Add(first);
    }
  }
}

void TRegistry::GetValueNames(TStrings& list) const {
  list.Clear();
  if (!open_) return;
  TStore store = load(root_);
  if (TKey* k = store.find(current_))
    for (auto& [n, v] : k->values)
      list.Add(n);
}

// ---------------------------------------------------------------------------
// TRegIniFile

TRegIniFile::TRegIniFile(const std::string& keyPath, std::uint32_t access)
    : path_(keyPath), access_(access) {}

std::string TRegIniFile::key(const std::string& section) const {
  return "\\" + normalize(path_) + (section.empty() ? "" : "\\" + section);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const {
  TRegistry r(KEY_READ);
  r.SetRootKey(root_);
  if (!r.OpenKeyReadOnly(key(section)) || !r.ValueExists(ident)) return defaultValue;
  return r.ReadString(ident);
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  TRegistry r(access_);
  r.SetRootKey(root_);
  if (!r.OpenKey(key(section), true))
    throw ERegistryException("Failed to set data for '" + ident + "'");
  r.WriteString(ident, value);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident,
                             int defaultValue) const {
  std::string text = ReadString(section, ident, "");
  int v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  return res.ec == std::errc() && res.ptr == text.data() + text.size() && !text.empty()
             ? v
             : defaultValue;
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, forms_detail::IntText(value));
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident,
                           bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteInteger(section, ident, value ? 1 : 0);
}

bool TRegIniFile::SectionExists(const std::string& section) const {
  TRegistry r(KEY_READ);
  r.SetRootKey(root_);
  return r.KeyExists(key(section));
}

bool TRegIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  TRegistry r(KEY_READ);
  r.SetRootKey(root_);
  return r.OpenKeyReadOnly(key(section)) && r.ValueExists(ident);
}

void TRegIniFile::ReadSections(TStrings& list) const {
  TRegistry r(KEY_READ);
  r.SetRootKey(root_);
  list.Clear();
  if (r.OpenKeyReadOnly(key(""))) r.GetKeyNames(list);
}

void TRegIniFile::ReadSection(const std::string& section, TStrings& list) const {
  TRegistry r(KEY_READ);
  r.SetRootKey(root_);
  list.Clear();
  if (r.OpenKeyReadOnly(key(section))) r.GetValueNames(list);
}

void TRegIniFile::EraseSection(const std::string& section) {
  TRegistry r(access_);
  r.SetRootKey(root_);
  r.DeleteKey(key(section));
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  TRegistry r(access_);
  r.SetRootKey(root_);
  if (r.OpenKey(key(section), false)) r.DeleteValue(ident);
}
