#include "platform/forms/DataSets.h"

#include "platform/rtl/Strings.h"

std::string TField::Text() const {
  const auto& rows = dataSet_->rows_;
  if (rows.empty() || dataSet_->cursor_ >= int(rows.size())) return {};
  return rows[size_t(dataSet_->cursor_)][size_t(index_)];
}

void TField::SetText(const std::string& value) {
  if (dataSet_->state_ != TDataSetState::dsEdit && dataSet_->state_ != TDataSetState::dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  dataSet_->rows_[size_t(dataSet_->cursor_)][size_t(index_)] = value;
}

TDataSet::~TDataSet() = default;

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (!value) {
    state_ = TDataSetState::dsInactive;
    fields_.clear();
    return;
  }
  fields_.clear();
  for (size_t i = 0; i < fieldDefs_.size(); ++i)
    fields_.push_back(std::make_unique<TField>(this, fieldDefs_[i], int(i)));
  for (auto& row : rows_)
    row.resize(fields_.size());
  state_ = TDataSetState::dsBrowse;
  First();
}

void TDataSet::requireActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (AnsiSameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  if (TField* f = FindField(name)) return f;
  throw EDatabaseError("Field '" + name + "' not found");
}

void TDataSet::Append() {
  requireActive();
  rows_.emplace_back(fields_.size());
  cursor_ = int(rows_.size()) - 1;
  eof_ = bof_ = false;
  state_ = TDataSetState::dsInsert;
}

void TDataSet::Edit() {
  requireActive();
  if (!rows_.empty()) state_ = TDataSetState::dsEdit;
}

void TDataSet::Post() {
  requireActive();
  state_ = TDataSetState::dsBrowse;
}

void TDataSet::First() {
  requireActive();
  cursor_ = 0;
  bof_ = true;
  eof_ = rows_.empty();
}

void TDataSet::Next() {
  requireActive();
  bof_ = false;
  if (cursor_ + 1 < int(rows_.size()))
    ++cursor_;
  else
    eof_ = true;
}

void TDataSet::EmptyDataSet() {
  rows_.clear();
  cursor_ = 0;
  eof_ = bof_ = true;
}

bool TDataSet::Locate(const std::string& fieldName, const Variant& value, TLocateOptions options) {
  requireActive();
  const TField* field = FieldByName(fieldName);
  const std::string key = value.IsEmpty() || value.IsNull() ? std::string() : VarToStr(value);
  const bool noCase = options.Contains(TLocateOption::loCaseInsensitive);
  const bool partial = options.Contains(TLocateOption::loPartialKey);
  for (size_t i = 0; i < rows_.size(); ++i) {
    std::string text = rows_[i][size_t(field->Index())];
    if (partial && text.size() > key.size()) text = Utf8Copy(text, 1, Utf8Length(key));
    if (noCase ? AnsiSameText(text, key) : text == key) {
      cursor_ = int(i);
      eof_ = bof_ = false;
      return true;
    }
  }
  return false;
}
