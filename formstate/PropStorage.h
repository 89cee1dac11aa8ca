// Storing chosen published properties of a form's components as text keys
// of a settings section.
//
// A stored-property list holds lines "Component.Property" (blanks around
// either name ignored); each line can be bound to its component (the line's
// object). TPropsStorage writes and reads the listed properties through
// callbacks for reading a key, writing a key and clearing a section, so it
// never opens a store itself. Keys, for component C and property P in
// section S:
//   plain values (integers, characters, enumerations, floats, texts, sets,
//   variants, component references)   S: C_P
//   string lists   section S.C_P: "Count", Item0, Item1, ...
//   collections    S: C_P.Count; section S.C_P: Item0_Q, Item1_Q, ...
//   other objects  S: C_PQ for each published property Q (recursively);
//                  a flattened sub-object ("Font.Size") counts as one.
// Floats are written in general format with their type's digits (single 7,
// double 15, extended 18, currency 19) and a '.' whatever the locale.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Collections.h"
#include "platform/forms/Properties.h"
#include "platform/rtl/StringList.h"

/// A string list that can be a published property (stored as a sub-section).
class TPersistentStrings : public TPersistent {
  SK_CLASS(TPersistentStrings, TPersistent)
public:
  TStringList& Lines() { return lines_; }
  const TStringList& Lines() const { return lines_; }
  void Assign(const TPersistent* source) override;

private:
  TStringList lines_;
};

/// Above this many items a stored "Count" is not believed.
constexpr int kMaxStoredCount = 100000;

class TPropsStorage {
public:
  using TReadString = std::function<std::string(const std::string& section, const std::string& key,
                                                const std::string& def)>;
  using TWriteString = std::function<void(const std::string& section, const std::string& key,
                                          const std::string& value)>;
  using TEraseSection = std::function<void(const std::string& section)>;

  virtual ~TPropsStorage() = default;

  TPersistent* AObject = nullptr;       ///< the object handled now
  TComponent* OwnerComponent = nullptr; ///< set during Store/LoadProperties
  std::string Prefix;
  std::string Section;
  TReadString OnReadString;
  TWriteString OnWriteString;
  TEraseSection OnEraseSection;

  void StoreProperties(TComponent* owner, TStrings& list);
  void LoadProperties(TComponent* owner, TStrings& list);
  /// One property of AObject; null does nothing.
  void StoreProperty(const TPropInfo* info);
  void LoadProperty(const TPropInfo* info);

protected:
  virtual std::string ReadValue(const std::string& section, const std::string& key,
                                const std::string& def);
  virtual void WriteValue(const std::string& section, const std::string& key,
                          const std::string& value);
  virtual void ClearSection(const std::string& section);
  virtual std::string KeyFor(const std::string& propName);
  virtual std::unique_ptr<TPropsStorage> CreateNested();

private:
  std::string valueText(const TPropInfo& info);
  void setFromText(const TPropInfo& info, const std::string& text);
  void storeObject(const TPropInfo& info);
  void loadObject(const TPropInfo& info, const std::string& text);
  void storeAllOf(TPersistent* object, const std::string& prefix, const std::string& section);
  void loadAllOf(TPersistent* object, const std::string& prefix, const std::string& section);
  std::vector<const TPropInfo*> flattenedParts(const std::string& name) const;
  /// Renames the list's lines after their components, then hands every listed
  /// property (each part of a flattened sub-object) of its component to
  /// `action`, with AObject and Prefix set.
  void forEachStored(TComponent* owner, TStrings& list,
                     const std::function<void(const TPropInfo*)>& action);
  std::unique_ptr<TPropsStorage> nestedFor(TPersistent* object, const std::string& prefix,
                                           const std::string& section);
};

/// Splits "Component.Property" (each part trimmed); false unless both parts
/// are non-empty.
bool SplitStoredPropName(const std::string& line, std::string& component, std::string& property);
/// The line with another component name; '' when the line does not split.
std::string RenameStoredProp(const std::string& line, const std::string& newComponent);
/// Visits the lines last to first: in bind mode a line naming one of the
/// owner's components is bound to it, in rename mode a bound line takes its
/// component's current name; every other line is deleted.
void SyncStoredProps(TComponent* owner, TStrings& list, bool bind);
/// The first of the screen's forms with that name (ignoring case).
TComponent* FindFormByName(const std::string& name);
/// The first property of that name (ignoring case) in the list.
const TPropInfo* FindPropInfo(const std::vector<const TPropInfo*>& list, const std::string& name);
/// The storable properties of an object (every kind but events), by name.
std::vector<const TPropInfo*> StorablePropList(const TPersistent* object);
