// Data sets held in memory: field definitions, fields, rows and a cursor,
// as the class library's data-set classes offer them to their users. There
// is no database engine behind them: TDataSet keeps its rows itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Components.h"
#include "platform/rtl/Variant.h"

SK_DECLARE_EXCEPTION(EDatabaseError, Exception)

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
enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum class TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;
  TFieldKind Kind = TFieldKind::fkData;
};

class TDataSet;

/// One column of the open data set; its value is the current row's.
class TField {
public:
  TField(TDataSet* dataSet, const TFieldDef& def, int index)
      : dataSet_(dataSet), def_(def), index_(index) {}
  TDataSet* DataSet() const { return dataSet_; }
  const std::string& FieldName() const { return def_.Name; }
  TFieldType DataType() const { return def_.DataType; }
  TFieldKind FieldKind() const { return def_.Kind; }
  int DataSize() const { return def_.Size; }
  int Index() const { return index_; }
  /// The current row's value as text ('' without a current row).
  std::string Text() const;
  /// Sets the current row's value (the data set must be editing).
  void SetText(const std::string& value);

private:
  TDataSet* dataSet_;
  TFieldDef def_;
  int index_;
};

class TDataSet : public TComponent {
  SK_CLASS(TDataSet, TComponent)
public:
  using TComponent::TComponent;
  ~TDataSet() override;

  std::vector<TFieldDef>& FieldDefs() { return fieldDefs_; }
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  int FieldCount() const { return int(fields_.size()); }
  TField* Fields(int index) const { return fields_.at(size_t(index)).get(); }
  /// The field of that name (ignoring case); null when none.
  TField* FindField(const std::string& name) const;
  /// The field of that name; EDatabaseError "Field 'name' not found".
  TField* FieldByName(const std::string& name) const;

  /// A new empty row at the end, being inserted.
  void Append();
  void Edit();
  void Post();
  void First();
  void Next();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int RecordCount() const { return int(rows_.size()); }
  /// The current row, 1-based (0 without rows).
  int RecNo() const { return rows_.empty() ? 0 : cursor_ + 1; }
  /// Removes every row; the definitions stay.
  virtual void EmptyDataSet();
  /// Moves to the first row whose field matches the value's text: with
  /// loCaseInsensitive ignoring case, with loPartialKey as a prefix. An
  /// empty value matches empty texts. The cursor stays when nothing matches.
  virtual bool Locate(const std::string& fieldName, const Variant& value, TLocateOptions options);

private:
  friend class TField;
  void requireActive() const;
  std::vector<TFieldDef> fieldDefs_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::vector<std::string>> rows_;
  TDataSetState state_ = TDataSetState::dsInactive;
  int cursor_ = 0;
  bool eof_ = true, bof_ = true;
};
