// The in-memory client data set as the windows hold it: field definitions,
// opened and emptied, holding no records (nothing in the program reads it).
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Components.h"

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo
};

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;
};

class TClientDataSet : public TComponent {
  SK_CLASS(TClientDataSet, TComponent)
public:
  using TComponent::TComponent;
  std::vector<TFieldDef>& FieldDefs() { return fieldDefs_; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  void CreateDataSet() { active_ = true; }
  /// Removes every record (there are none to keep); the definitions stay.
  void EmptyDataSet() { ++emptied_; }
  int RecordCount() const { return 0; }
  int EmptiedCount() const { return emptied_; }

private:
  std::vector<TFieldDef> fieldDefs_;
  bool active_ = false;
  int emptied_ = 0;
};
