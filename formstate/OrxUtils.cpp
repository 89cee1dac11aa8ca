#include "formstate/OrxUtils.h"

#include <cstring>

#include "formstate/FsGuards.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

bool TLocateObject::ValueMatches(const TField& field) const {
  std::string s = field.Text();
  if (!WholeValue) s = Utf8Copy(s, 1, Utf8Length(SearchText));
  return MatchCase ? AnsiSameStr(s, SearchText) : AnsiSameText(s, SearchText);
}

void TLocateObject::CheckLookupValue(TField*) {}

bool TLocateObject::LocateByScan() {
  DataSet->First();
  while (!DataSet->Eof()) {
    if (ValueMatches(*SearchField)) return true;
    DataSet->Next();
  }
  return false;
}

bool TLocateObject::LocateWithDataSet() {
  const TCursor saved = Screen()->Cursor();
  Screen()->SetCursor(crHourGlass);
  auto restore = ScopeExit([saved] { Screen()->SetCursor(saved); });
  TLocateOptions options;
  if (!MatchCase) options.Include(TLocateOption::loCaseInsensitive);
  if (!WholeValue) options.Include(TLocateOption::loPartialKey);
  const Variant key = SearchText.empty() ? Variant() : Variant(SearchText);
  try {
    return DataSet->Locate(SearchField->FieldName(), key, options);
  } catch (...) {
    return false;
  }
}

bool TLocateObject::LocateByIndex() {
  return false;
}

bool TLocateObject::CanUseIndex() {
  return false;
}

bool TLocateObject::CanUseFilter() {
  return SearchField != nullptr && (SearchField->FieldKind() == TFieldKind::fkData ||
                                    SearchField->FieldKind() == TFieldKind::fkInternalCalc);
}

void TDBLocate::CheckLookupValue(TField* field) {
  if (field == nullptr) return;
  const TFieldType t = field->DataType();
  if (t == TFieldType::ftDate || t == TFieldType::ftTime || t == TFieldType::ftDateTime) return;
  TextToNativeValue(EngineTypeOf(t), field->DataSize() > 0 ? field->DataSize() : 8, SearchText,
                    field->FieldName());
}

TLocateObjectFactory& LocateObjectFactory() {
  static TLocateObjectFactory factory;
  return factory;
}

std::unique_ptr<TLocateObject> MakeEngineLocate() {
  return std::make_unique<TDBLocate>();
}

void TCloneDbDataset::SetReadOnly(bool value) {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
  readOnly_ = value;
}

void TCloneDbDataset::OpenAsCloneOf(TDataSet*, bool) {
  throw EDatabaseError("Database engine error (10000): no cursor can be cloned");
}

TEngineType EngineTypeOf(TFieldType type) {
  switch (type) {
  case TFieldType::ftString:
  case TFieldType::ftMemo:
    return TEngineType::String;
  case TFieldType::ftSmallint:
    return TEngineType::Int16;
  case TFieldType::ftInteger:
    return TEngineType::Int32;
  case TFieldType::ftWord:
    return TEngineType::Word;
  case TFieldType::ftBoolean:
    return TEngineType::Boolean;
  case TFieldType::ftFloat:
  case TFieldType::ftCurrency:
    return TEngineType::Float;
  case TFieldType::ftDate:
    return TEngineType::Date;
  case TFieldType::ftTime:
    return TEngineType::Time;
  case TFieldType::ftDateTime:
    return TEngineType::Timestamp;
  default:
    return TEngineType::Unknown;
  }
}

std::vector<std::uint8_t> TextToNativeValue(TEngineType type, int size, const std::string& text,
                                            const std::string& fieldName) {
  std::vector<std::uint8_t> out(size_t(size > 0 ? size : 0), 0);
  auto put = [&out](const void* data, size_t n) {
    std::memcpy(out.data(), data, n < out.size() ? n : out.size());
  };
  switch (type) {
  case TEngineType::String:
  case TEngineType::Bytes:
  case TEngineType::VarBytes:
    put(text.data(), text.size());
    return out;
  case TEngineType::Boolean: {
    const char c = text.empty() ? '\0' : text[0];
    const std::int16_t v = (c == '1' || c == 'T' || c == 'Y' || c == 't' || c == 'y') ? -1 : 0;
    put(&v, 2);
    return out;
  }
  case TEngineType::Int16:
  case TEngineType::Int32:
  case TEngineType::Word: {
    if (text.empty()) return out;
    Integer v = 0;
    if (!TryStrToInt(text, v))
      throw EDatabaseError(
          Format("'%s' is not a valid integer value for field '%s'", {text, fieldName}));
    if (type == TEngineType::Int32) {
      put(&v, 4);
    } else {
      const std::uint16_t w = std::uint16_t(v);
      put(&w, 2);
    }
    return out;
  }
  case TEngineType::Float: {
    if (text.empty()) return out;
    const double v = StrToFloat(text);
    put(&v, 8);
    return out;
  }
  default:
    throw EDatabaseError("Database engine error (10000)");
  }
}

void OrxUtilsInit() {
  LocateObjectFactory() = MakeEngineLocate;
}

void OrxUtilsDone() {
  LocateObjectFactory() = nullptr;
}
