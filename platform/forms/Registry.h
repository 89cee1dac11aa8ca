// The settings registry, as the system uses it: keys under a root, string
// values, existence tests, deleting and moving keys.
//
// There is no registry on this platform: each root is a text file in the
// registry folder ("HKEY_CURRENT_USER.ini", ...), one section per key
// (its full path), one "name=value" line per value. Key and value names
// ignore letter case. Every change is written through a temporary file that
// replaces the old one, so a failed write loses nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"

class TStrings;

using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

SK_DECLARE_EXCEPTION(ERegistryException, Exception)

/// The folder of the registry files (by default the user's configuration
/// folder of this program). Tests point it at a temporary folder.
void SetRegistryFolder(const std::string& folder);
std::string RegistryFolder();

class TRegistry {
public:
  explicit TRegistry(std::uint32_t access = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return root_; }
  /// Changing the root closes the open key.
  void SetRootKey(HKEY root);
  std::uint32_t Access() const { return access_; }

  /// Opens `key`: from the root when it starts with '\', else below the open
  /// key. With `canCreate` a missing key (and its parents) is created.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool HasOpenKey() const { return open_; }
  /// The open key's path ("" for the root).
  const std::string& CurrentPath() const { return current_; }

  bool KeyExists(const std::string& key) const;
  bool ValueExists(const std::string& name) const;
  /// The value's text; "" when the value does not exist.
  std::string ReadString(const std::string& name) const;
  /// ERegistryException "Failed to set data for 'name'" without an open
  /// writable key or when the file cannot be written.
  void WriteString(const std::string& name, const std::string& value);
  bool DeleteValue(const std::string& name);
  /// Deletes the key with all its sub-keys and values.
  bool DeleteKey(const std::string& key);
  /// Copies the key (with sub-keys and values) to `newName`, replacing what
  /// is there; with `deleteOld` the old key goes.
  void MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld);
  /// Names of the open key's direct sub-keys / values.
  void GetKeyNames(TStrings& list) const;
  void GetValueNames(TStrings& list) const;

private:
  std::string resolve(const std::string& key) const;
  HKEY root_ = HKEY_CURRENT_USER;
  std::uint32_t access_;
  bool open_ = false;
  bool readOnly_ = false;
  std::string current_;
};

/// Settings kept like an ini file under a registry key: sections are
/// sub-keys of `keyPath`, idents are values.
class TRegIniFile {
public:
  explicit TRegIniFile(const std::string& keyPath, std::uint32_t access = KEY_ALL_ACCESS);
  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY root) { root_ = root; }
  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;
  void ReadSections(TStrings& list) const;
  void ReadSection(const std::string& section, TStrings& list) const;
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);

private:
  std::string key(const std::string& section) const;
  std::string path_;
  std::uint32_t access_;
  HKEY root_ = HKEY_CURRENT_USER;
};
