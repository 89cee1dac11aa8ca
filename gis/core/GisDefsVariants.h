// Variants in the kernel: the owning variant list, re-encoding of text
// variants between code pages, reading database field values, and the
// attribute field types with their default values.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Variant.h"

/// The box of one value in a TGIS_VariantList.
struct T_Variant {
  Variant Value;
};

/// A list of variants; Add and Put store copies, Get copies one out. A bad
/// index raises EListError.
class TGIS_VariantList {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  Variant Get(int index) const;
  void Put(int index, const Variant& value);
  void Add(const Variant& value);
  void Clear() { items_.clear(); }

private:
  std::vector<T_Variant> items_;
};

/// A UTF-16 text variant (OleStr or StrArg) becomes a string variant encoded
/// in the to code page; a string variant is re-encoded from the from code page
/// when the two differ, else copied; anything else is copied.
void GisVariantToCodePage(const Variant& value, int fromCodePage, int toCodePage, Variant& out);
/// A string variant becomes a UTF-16 text variant decoded from the code page;
/// for any other kind `out` is left untouched.
void GisVariantToWide(const Variant& value, int codePage, Variant& out);

/// The data types of database fields, with the numbers the data-access layer
/// reports them with.
namespace GisAdo {
inline constexpr int adSmallInt = 2;
inline constexpr int adInteger = 3;
inline constexpr int adSingle = 4;
inline constexpr int adDouble = 5;
inline constexpr int adCurrency = 6;
inline constexpr int adDate = 7;
inline constexpr int adBSTR = 8;
inline constexpr int adBoolean = 11;
inline constexpr int adDecimal = 14;
inline constexpr int adTinyInt = 16;
inline constexpr int adUnsignedTinyInt = 17;
inline constexpr int adUnsignedSmallInt = 18;
inline constexpr int adUnsignedInt = 19;
inline constexpr int adBigInt = 20;
inline constexpr int adUnsignedBigInt = 21;
inline constexpr int adChar = 129;
inline constexpr int adWChar = 130;
inline constexpr int adNumeric = 131;
inline constexpr int adDBDate = 133;
inline constexpr int adDBTime = 134;
inline constexpr int adDBTimeStamp = 135;
inline constexpr int adVarNumeric = 139;
inline constexpr int adVarChar = 200;
inline constexpr int adLongVarChar = 201;
inline constexpr int adVarWChar = 202;
inline constexpr int adLongVarWChar = 203;
} // namespace GisAdo

/// What the kernel reads of a database field; the data-access layer provides
/// the real fields.
class TGIS_AdoField {
public:
  virtual ~TGIS_AdoField() = default;
  /// The value; a Null variant for NULL.
  virtual Variant Value() const = 0;
  /// The field's data type (GisAdo::ad...).
  virtual int DataType() const = 0;
  virtual int NumericScale() const = 0;
};

/// The field's value as the kernel keeps it: NULL gives Null; wide texts become
/// text in the output code page; narrow texts are re-encoded from the layer
/// code page to the output code page when they differ, then right-trimmed;
/// decimal numbers are floats with a non-zero scale, else 32-bit integers
/// (floats when they do not fit); every other type as the field gives it.
void GisAdoFieldToVariant(const TGIS_AdoField& field, int layerCodePage, int outputCodePage,
                          Variant& out);

/// The type byte of an attribute field.
enum TGIS_FieldType : std::uint8_t {
  gisFieldTypeString = 0,
  gisFieldTypeNumber = 1,
  gisFieldTypeFloat = 2,
  gisFieldTypeBoolean = 3,
  gisFieldTypeDate = 4,
};

/// The default value of a field type (its top bit masked off): '' for
/// strings, 0.0 for numbers and floats, false for booleans, 1900-01-01 for
/// dates; any other type leaves the value unchanged.
void GisDefaultFieldValue(std::uint8_t fieldType, Variant& value);
