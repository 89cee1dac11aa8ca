// Variants: a value of one of the platform's kinds, tagged with its VarType
// code.
//
// Kinds: Empty and Null (they differ); signed and unsigned integers of 8 to
// 64 bits; Single; Double; Currency; Date; Boolean; String (UTF-8 bytes);
// OleStr and StrArg (UTF-16); byte arrays (varArray | varByte).
//
// Conversions follow the platform's rules: a Boolean is the number -1 or 0;
// a number converts to Boolean as "not zero" and a text only when it reads
// "True" or "False" (letter case ignored); a float converts to an integer
// rounding halves to even; texts convert to numbers with the process's
// decimal separator. What cannot convert raises EVariantError. Null converts
// to nothing (EVariantError), Empty to 0, '' or False.
//
// Equality: Null equals Null only; numbers compare by value whatever their
// kinds; texts compare byte for byte (letter case counts); a text compared
// with a number or a Boolean is converted first, and when that fails the two
// are not equal; Empty equals 0, '' and False.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

struct TFormatSettings;

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varUInt64 = 0x0015;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

/// A number as equality compares it (defined with the implementation).
struct VariantNumber;

class Variant {
public:
  /// Empty.
  Variant() = default;
  Variant(bool value) : type_(varBoolean), value_(value) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) Variant(T value)
      : type_(integerType<T>()) {
    if constexpr (std::is_signed_v<T>)
      value_ = static_cast<int64_t>(value);
    else
      value_ = static_cast<uint64_t>(value);
  }
  Variant(float value) : type_(varSingle), value_(value) {}
  Variant(double value) : type_(varDouble), value_(value) {}
  /// Extended values are held as Double, the widest float kind.
  Variant(long double value) : type_(varDouble), value_(static_cast<double>(value)) {}
  Variant(Currency value) : type_(varCurrency), value_(value) {}
  Variant(std::string value) : type_(varString), value_(std::move(value)) {}
  Variant(const char* value) : type_(varString), value_(std::string(value)) {}
  Variant(std::string_view value) : type_(varString), value_(std::string(value)) {}
  Variant(std::u16string value) : type_(varOleStr), value_(std::move(value)) {}
  Variant(const char16_t* value) : type_(varOleStr), value_(std::u16string(value)) {}
  /// No Variant from other pointers (they would silently become Booleans).
  Variant(const void*) = delete;
  Variant(std::vector<uint8_t> bytes) : type_(varArray | varByte), value_(std::move(bytes)) {}

  static Variant MakeNull();
  static Variant FromDate(TDateTime value);
  /// A UTF-16 text of the string-argument kind ($48).
  static Variant FromStrArg(std::u16string value);

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }

  /// Integer conversions raise EVariantError when the value does not fit.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  /// The text of the value (VarToStr); Null raises.
  std::string AsString() const;
  std::u16string AsOleStr() const;
  /// The bytes of a byte array (EVariantError for other kinds).
  const std::vector<uint8_t>& Bytes() const;

  /// The value converted to the kind `type` (Empty and Null stay as they are
  /// when asked for; other conversions as the As... functions).
  Variant AsType(TVarType type) const;

  friend bool operator==(const Variant& a, const Variant& b);

  /// The name of a kind as messages give it ("Integer", "String" ...).
  static std::string TypeName(TVarType type);

private:
  template <class T> static constexpr TVarType integerType() {
    if constexpr (std::is_signed_v<T>) {
      if constexpr (sizeof(T) == 1)
        return varShortInt;
      else if constexpr (sizeof(T) == 2)
        return varSmallint;
      else if constexpr (sizeof(T) == 4)
        return varInteger;
      else
        return varInt64;
    } else {
      if constexpr (sizeof(T) == 1)
        return varByte;
      else if constexpr (sizeof(T) == 2)
        return varWord;
      else if constexpr (sizeof(T) == 4)
        return varLongWord;
      else
        return varUInt64;
    }
  }
  [[noreturn]] void cannotConvert(TVarType to) const;
  std::string text() const;
  std::string text(const TFormatSettings& settings) const;
  friend std::string VarToStr(const Variant& v, const TFormatSettings& settings);
  bool toNum(VariantNumber& n) const;

  TVarType type_ = varEmpty;
  std::variant<std::monostate, bool, int64_t, uint64_t, float, double, Currency, std::string,
               std::u16string, std::vector<uint8_t>>
      value_;
};

/// A Null variant; an Empty one.
Variant Null();
Variant Unassigned();

inline TVarType VarType(const Variant& v) {
  return v.VarType();
}
inline bool VarIsNull(const Variant& v) {
  return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
  return v.IsEmpty();
}
/// Null or Empty.
inline bool VarIsClear(const Variant& v) {
  return v.IsNull() || v.IsEmpty();
}
/// An integer kind (Boolean not included).
bool VarIsOrdinal(const Variant& v);
bool VarIsFloat(const Variant& v);
/// An integer, float or Currency kind.
bool VarIsNumeric(const Variant& v);
/// String, OleStr or StrArg.
bool VarIsStr(const Variant& v);

/// '' for Empty and Null; integers in decimal; Double with FloatToStr and
/// Single with 7 significant digits, both with the current decimal
/// separator; Currency with CurrToStr; Date with DateTimeToStr; Booleans as
/// "True" or "False"; UTF-16 texts as UTF-8.
std::string VarToStr(const Variant& v);
/// VarToStr with explicit settings (for threads other than the user-interface one).
std::string VarToStr(const Variant& v, const TFormatSettings& settings);
/// As VarToStr, but `defaultValue` for Null.
std::string VarToStrDef(const Variant& v, const std::string& defaultValue);
std::string VarToStrDef(const Variant& v, const std::string& defaultValue,
                        const TFormatSettings& settings);
inline Variant VarAsType(const Variant& v, TVarType type) {
  return v.AsType(type);
}
