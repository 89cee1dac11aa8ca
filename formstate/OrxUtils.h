// Locate objects and clone data sets.
//
// TLocateObject finds the first record of a data set whose field matches a
// text: by scanning (LocateByScan) or through the data set's own Locate
// (LocateWithDataSet). LocateObjectFactory makes the locate object callers
// use; the module's start sets it to MakeEngineLocate (a TDBLocate).
//
// The database engine these classes were made for does not exist here: a
// TDBLocate behaves as its base class, the clone data sets cannot be opened
// (EDatabaseError with the engine's code 10000), and TextToNativeValue
// converts only the field kinds that need no engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/DataSets.h"

class TLocateObject {
public:
  virtual ~TLocateObject() = default;

  TDataSet* DataSet = nullptr;
  TField* SearchField = nullptr;
  std::string SearchText;
  bool WholeValue = true;
  bool MatchCase = false;
  bool AllowIndexSwitch = false;

  /// The field's text (cut to the search text's length unless WholeValue)
  /// equals the search text (ignoring case unless MatchCase).
  bool ValueMatches(const TField& field) const;
  virtual void CheckLookupValue(TField* field);
  virtual bool LocateWithDataSet();
  virtual bool LocateByIndex();
  virtual bool LocateByScan();
  virtual bool CanUseIndex();
  /// A data field or an internal calculated one.
  virtual bool CanUseFilter();
};

/// The engine specialisation; without an engine every path is its base's.
class TDBLocate : public TLocateObject {
public:
  void CheckLookupValue(TField* field) override;
};

using TLocateObjectFactory = std::function<std::unique_ptr<TLocateObject>()>;
/// The hook; empty until the module starts.
TLocateObjectFactory& LocateObjectFactory();
std::unique_ptr<TLocateObject> MakeEngineLocate();

/// A data set opened as a clone of another's cursor (inert: no engine).
class TCloneDbDataset : public TDataSet {
  SK_CLASS(TCloneDbDataset, TDataSet)
public:
  using TDataSet::TDataSet;
  bool ReadOnly() const { return readOnly_; }
  /// Only while closed.
  void SetReadOnly(bool value);
  /// Raises the engine error: there is no cursor to clone.
  void OpenAsCloneOf(TDataSet* source, bool reset);

private:
  bool readOnly_ = false;
};

class TCloneTable : public TCloneDbDataset {
  SK_CLASS(TCloneTable, TCloneDbDataset)
public:
  using TCloneDbDataset::TCloneDbDataset;
};

/// Engine types of the typed conversion.
enum class TEngineType {
  String,
  Date,
  Time,
  Timestamp,
  Boolean,
  Int16,
  Int32,
  Word,
  Float,
  Bcd,
  Bytes,
  VarBytes,
  Unknown
};
TEngineType EngineTypeOf(TFieldType type);
/// The text as the engine's value of `type` in `size` bytes (zero-filled):
/// booleans as -1/0 in 2 bytes, integers, floats as 8-byte doubles, texts
/// and bytes cut to `size`. Dates and BCD need the engine: EDatabaseError
/// code 10000, as does any other type. A bad integer raises EDatabaseError
/// "'text' is not a valid integer value for field 'name'".
std::vector<std::uint8_t> TextToNativeValue(TEngineType type, int size, const std::string& text,
                                            const std::string& fieldName);

/// The module's start and end (the locate hook).
void OrxUtilsInit();
void OrxUtilsDone();
