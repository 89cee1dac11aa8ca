// Ini files: sections of key=value lines.
//
// Reading rules, shared by both kinds: lines are trimmed; empty lines, lines
// starting with ';' and lines before the first section are skipped; a line
// "[name]" starts a section (the name trimmed); elsewhere the text before the
// first '=' is the key and the rest the value, both trimmed, with no
// unquoting. Sections and keys compare ignoring letter case; the first of
// two equal keys wins; a section named twice is one section. A UTF-8
// byte-order mark at the start of a line is ignored. Bytes are kept as they
// are (no code-page conversion).
//
// TMemIniFile holds the whole file in memory (a missing file gives an empty
// ini) and writes it back with UpdateFile: sections and keys in their order,
// CR LF line ends, comments dropped. TIniFile reads the file on every call
// and writes every change straight to disk, editing only the lines it
// changes; its reads remove one pair of matching quotes around a value.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/rtl/Strings.h"

class TStrings;

class TCustomIniFile {
public:
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  /// The value of the key, or `defaultValue` when the key is missing (an
  /// existing key with an empty value gives '').
  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;
  /// The keys of the section, in order.
  virtual void ReadSection(const std::string& section, TStrings& keys) = 0;
  /// The section names, in order.
  virtual void ReadSections(TStrings& sections) = 0;
  /// The section's lines as key=value.
  virtual void ReadSectionValues(const std::string& section, TStrings& values) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;

  /// True when the section has at least one key.
  virtual bool SectionExists(const std::string& section);
  virtual bool ValueExists(const std::string& section, const std::string& ident);

  /// A decimal or hexadecimal ("$", "0x") integer; the default when the key
  /// is missing or its value is no integer.
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  /// An integer: 0 is false, anything else true.
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
  /// Writes "1" or "0".
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  /// A float with the process's decimal separator; the default when missing
  /// or not a number.
  double ReadFloat(const std::string& section, const std::string& ident, double defaultValue);
  void WriteFloat(const std::string& section, const std::string& ident, double value);

protected:
  void setFileName(std::string fileName) { fileName_ = std::move(fileName); }

private:
  std::string fileName_;
};

class TMemIniFile : public TCustomIniFile {
public:
  /// Loads the file; a missing file (or an empty name) gives an empty ini.
  explicit TMemIniFile(const std::string& fileName);

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  void ReadSection(const std::string& section, TStrings& keys) override;
  void ReadSections(TStrings& sections) override;
  void ReadSectionValues(const std::string& section, TStrings& values) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  bool SectionExists(const std::string& section) override;
  bool ValueExists(const std::string& section, const std::string& ident) override;
  /// Writes the contents to FileName (CR LF line ends); nothing for an empty
  /// name.
  void UpdateFile() override;

  /// Empties the ini (the file is untouched).
  void Clear();
  /// The contents as lines: "[section]", its key=value lines, and an empty
  /// line between sections.
  void GetStrings(TStrings& lines) const;
  /// Replaces the contents by parsing `lines`.
  void SetStrings(const TStrings& lines);
  /// Uses another file name; with `reload` the contents are read from it.
  void Rename(const std::string& fileName, bool reload);

private:
  // Sections and keys are found through hash tables of their names (views
  // of the names held in the list nodes, compared ignoring case); the lists
  // keep the written order. Lines without '=' are entries without a value
  // (written back, never found).
  struct Entry {
    std::string key;
    std::string value; // "=" + value, or empty for a line without '='
  };
  using Entries = std::list<Entry>;
  struct Section {
    std::string name;
    Entries entries;
    int keyCount = 0; // entries with a value, repeated names counted once
  };
  using Sections = std::list<Section>;
  using SectionIndex =
      std::unordered_map<std::string_view, Sections::iterator, TAnsiTextHash, TAnsiTextEqual>;
  // One table holds the keys of every section.
  struct KeyName {
    const Section* section;
    std::string_view key;
  };
  struct KeyNameHash {
    std::size_t operator()(const KeyName& k) const;
  };
  struct KeyNameEqual {
    bool operator()(const KeyName& a, const KeyName& b) const;
  };
  // The first entry of a key, and how many later entries repeat its name.
  struct KeyRef {
    Entries::iterator first;
    int repeats = 0;
  };
  using KeyIndex = std::unordered_map<KeyName, KeyRef, KeyNameHash, KeyNameEqual>;

  Section* findSection(const std::string& name);
  Section& findOrAddSection(const std::string& name);
  Entry* findEntry(Section& section, const std::string& key);
  void addEntry(Section& section, Entry entry);
  void load();

  Sections sections_;
  SectionIndex sectionIndex_;
  KeyIndex keys_;
};

class TIniFile : public TCustomIniFile {
public:
  explicit TIniFile(const std::string& fileName) : TCustomIniFile(fileName) {}

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  void ReadSection(const std::string& section, TStrings& keys) override;
  void ReadSections(TStrings& sections) override;
  void ReadSectionValues(const std::string& section, TStrings& values) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  /// Nothing to do: every change is on disk already.
  void UpdateFile() override {}
};
