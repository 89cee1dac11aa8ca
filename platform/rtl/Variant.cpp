#include "platform/rtl/Variant.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <cmath>
#include <limits>

namespace {

bool isSigned(TVarType t) {
  return t == varSmallint || t == varInteger || t == varShortInt || t == varInt64;
}
bool isUnsigned(TVarType t) {
  return t == varByte || t == varWord || t == varLongWord || t == varUInt64;
}
bool isInt(TVarType t) {
  return isSigned(t) || isUnsigned(t);
}
bool isFloat(TVarType t) {
  return t == varSingle || t == varDouble || t == varDate;
}
bool isStr(TVarType t) {
  return t == varString || t == varOleStr || t == varStrArg;
}

[[noreturn]] void overflow(TVarType from, TVarType to) {
  throw EVariantError("Arithmetic overflow converting variant of type (" + Variant::TypeName(from) +
                      ") into type (" + Variant::TypeName(to) + ")");
}

// Halves to even, exactly, for a Currency's scaled value.
int64_t roundCurrency(int64_t raw) {
  int64_t q = raw / 10000;
  const int64_t r = raw % 10000;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

// Halves to even; false when the value has no int64.
bool roundFloat(long double x, int64_t& out) {
  if (!std::isfinite(x)) return false;
  const long double r = std::nearbyint(x);
  if (r < -9223372036854775808.0L || r >= 9223372036854775808.0L) return false;
  out = static_cast<int64_t>(r);
  return true;
}

} // namespace

// A number as equality compares it.
struct VariantNumber {
  enum Kind { Int, Curr, Float } kind = Int;
  __int128 i = 0;
  int64_t raw = 0;
  long double f = 0;
};

Variant Variant::MakeNull() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant Variant::FromDate(TDateTime value) {
  Variant v(value);
  v.type_ = varDate;
  return v;
}

Variant Variant::FromStrArg(std::u16string value) {
  Variant v(std::move(value));
  v.type_ = varStrArg;
  return v;
}

Variant Null() {
  return Variant::MakeNull();
}
Variant Unassigned() {
  return Variant();
}

std::string Variant::TypeName(TVarType type) {
  switch (type) {
  case varEmpty:
    return "Empty";
  case varNull:
    return "Null";
  case varSmallint:
    return "Smallint";
  case varInteger:
    return "Integer";
  case varSingle:
    return "Single";
  case varDouble:
    return "Double";
  case varCurrency:
    return "Currency";
  case varDate:
    return "Date";
  case varOleStr:
    return "OleStr";
  case varBoolean:
    return "Boolean";
  case varShortInt:
    return "ShortInt";
  case varByte:
    return "Byte";
  case varWord:
    return "Word";
  case varLongWord:
    return "LongWord";
  case varInt64:
    return "Int64";
  case varUInt64:
    return "UInt64";
  case varStrArg:
    return "StrArg";
  case varString:
    return "String";
  case varArray | varByte:
    return "Array Byte";
  default:
    return "Unknown";
  }
}

void Variant::cannotConvert(TVarType to) const {
  throw EVariantError("Could not convert variant of type (" + TypeName(type_) + ") into type (" +
                      TypeName(to) + ")");
}

int64_t Variant::AsInt64() const {
  if (type_ == varEmpty) return 0;
  if (type_ == varBoolean) return std::get<bool>(value_) ? -1 : 0;
  if (isSigned(type_)) return std::get<int64_t>(value_);
  if (isUnsigned(type_)) {
    const uint64_t u = std::get<uint64_t>(value_);
    if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) overflow(type_, varInt64);
    return static_cast<int64_t>(u);
  }
  if (isFloat(type_)) {
    int64_t out = 0;
    if (!roundFloat(AsDouble(), out)) overflow(type_, varInt64);
    return out;
  }
  if (type_ == varCurrency) return roundCurrency(std::get<Currency>(value_).Raw());
  if (isStr(type_)) {
    const std::string str = AsString();
    int64_t out = 0;
    double d = 0;
    if (TryStrToInt64(str, out)) return out;
    if (TryStrToFloat(str, d)) {
      if (!roundFloat(d, out)) overflow(type_, varInt64);
      return out;
    }
  }
  cannotConvert(varInt64);
}

int32_t Variant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    overflow(type_, varInteger);
  return static_cast<int32_t>(v);
}

double Variant::AsDouble() const {
  if (type_ == varEmpty) return 0;
  if (type_ == varBoolean) return std::get<bool>(value_) ? -1 : 0;
  if (isSigned(type_)) return static_cast<double>(std::get<int64_t>(value_));
  if (isUnsigned(type_)) return static_cast<double>(std::get<uint64_t>(value_));
  if (type_ == varSingle) return std::get<float>(value_);
  if (type_ == varDouble || type_ == varDate) return std::get<double>(value_);
  if (type_ == varCurrency) return std::get<Currency>(value_).ToDouble();
  if (isStr(type_)) {
    double d = 0;
    if (TryStrToFloat(AsString(), d)) return d;
  }
  cannotConvert(varDouble);
}

Currency Variant::AsCurrency() const {
  if (type_ == varCurrency) return std::get<Currency>(value_);
  if (isStr(type_)) {
    Currency c;
    if (TryStrToCurr(AsString(), c)) return c;
    cannotConvert(varCurrency);
  }
  if (type_ == varNull || (type_ & varArray)) cannotConvert(varCurrency);
  if (isFloat(type_)) {
    try {
      return Currency::FromDouble(AsDouble());
    } catch (const Exception&) {
      overflow(type_, varCurrency);
    }
  }
  const int64_t v = AsInt64();
  if (v > std::numeric_limits<int64_t>::max() / 10000 ||
      v < std::numeric_limits<int64_t>::min() / 10000)
    overflow(type_, varCurrency);
  return Currency::FromInt(v);
}

TDateTime Variant::AsDateTime() const {
  if (isStr(type_)) {
    TDateTime d = 0;
    if (TryStrToDateTime(AsString(), d)) return d;
    cannotConvert(varDate);
  }
  if (type_ == varNull || (type_ & varArray)) cannotConvert(varDate);
  return AsDouble();
}

bool Variant::AsBoolean() const {
  if (type_ == varEmpty) return false;
  if (type_ == varBoolean) return std::get<bool>(value_);
  if (isSigned(type_)) return std::get<int64_t>(value_) != 0;
  if (isUnsigned(type_)) return std::get<uint64_t>(value_) != 0;
  if (isFloat(type_)) return AsDouble() != 0;
  if (type_ == varCurrency) return std::get<Currency>(value_).Raw() != 0;
  if (isStr(type_)) {
    const std::string str = AsString();
    if (SameText(str, "True")) return true;
    if (SameText(str, "False")) return false;
  }
  cannotConvert(varBoolean);
}

std::string Variant::AsString() const {
  if (type_ == varNull) cannotConvert(varString);
  return text();
}

std::u16string Variant::AsOleStr() const {
  if (type_ == varOleStr || type_ == varStrArg) return std::get<std::u16string>(value_);
  return Utf8ToUtf16(AsString());
}

const std::vector<uint8_t>& Variant::Bytes() const {
  if (type_ != (varArray | varByte)) cannotConvert(varArray | varByte);
  return std::get<std::vector<uint8_t>>(value_);
}

Variant Variant::AsType(TVarType type) const {
  if (type == type_) return *this;
  const auto ranged = [&](int64_t lo, int64_t hi) {
    const int64_t v = AsInt64();
    if (v < lo || v > hi) overflow(type_, type);
    return v;
  };
  switch (type) {
  case varEmpty:
    return Variant();
  case varNull:
    return Null();
  case varShortInt:
    return Variant(static_cast<int8_t>(ranged(INT8_MIN, INT8_MAX)));
  case varSmallint:
    return Variant(static_cast<int16_t>(ranged(INT16_MIN, INT16_MAX)));
  case varInteger:
    return Variant(static_cast<int32_t>(ranged(INT32_MIN, INT32_MAX)));
  case varInt64:
    return Variant(AsInt64());
  case varByte:
    return Variant(static_cast<uint8_t>(ranged(0, UINT8_MAX)));
  case varWord:
    return Variant(static_cast<uint16_t>(ranged(0, UINT16_MAX)));
  case varLongWord:
    return Variant(static_cast<uint32_t>(ranged(0, UINT32_MAX)));
  case varUInt64:
    if (isUnsigned(type_)) return Variant(std::get<uint64_t>(value_));
    return Variant(static_cast<uint64_t>(ranged(0, INT64_MAX)));
  case varSingle:
    return Variant(static_cast<float>(AsDouble()));
  case varDouble:
    return Variant(AsDouble());
  case varCurrency:
    return Variant(AsCurrency());
  case varDate:
    return FromDate(AsDateTime());
  case varBoolean:
    return Variant(AsBoolean());
  case varString:
    return Variant(AsString());
  case varOleStr:
    return Variant(AsOleStr());
  case varStrArg:
    return FromStrArg(AsOleStr());
  default:
    cannotConvert(type);
  }
}

bool VarIsOrdinal(const Variant& v) {
  return isInt(v.VarType());
}
bool VarIsFloat(const Variant& v) {
  return isFloat(v.VarType());
}
bool VarIsNumeric(const Variant& v) {
  return isInt(v.VarType()) || isFloat(v.VarType()) || v.VarType() == varCurrency;
}
bool VarIsStr(const Variant& v) {
  return isStr(v.VarType());
}

std::string Variant::text() const {
  return text(FormatSettings());
}

std::string Variant::text(const TFormatSettings& settings) const {
  const TVarType t = type_;
  if (t == varEmpty || t == varNull) return std::string();
  if (t == varBoolean) return std::get<bool>(value_) ? "True" : "False";
  if (isSigned(t)) return IntToStr(std::get<int64_t>(value_));
  if (isUnsigned(t)) return IntToStr(std::get<uint64_t>(value_));
  if (t == varSingle)
    return FloatToStrF(static_cast<double>(std::get<float>(value_)), ffGeneral, 7, 0, settings);
  if (t == varDouble) return FloatToStr(std::get<double>(value_), settings);
  if (t == varDate) return DateTimeToStr(std::get<double>(value_), settings);
  if (t == varCurrency) return CurrToStr(std::get<Currency>(value_), settings);
  if (t == varString) return std::get<std::string>(value_);
  if (t == varOleStr || t == varStrArg) return Utf16ToUtf8(std::get<std::u16string>(value_));
  cannotConvert(varString);
}

std::string VarToStr(const Variant& v) {
  return VarToStr(v, FormatSettings());
}

std::string VarToStr(const Variant& v, const TFormatSettings& settings) {
  return v.text(settings);
}

std::string VarToStrDef(const Variant& v, const std::string& defaultValue) {
  return v.IsNull() ? defaultValue : VarToStr(v);
}

std::string VarToStrDef(const Variant& v, const std::string& defaultValue,
                        const TFormatSettings& settings) {
  return v.IsNull() ? defaultValue : VarToStr(v, settings);
}

// ---- Equality -----------------------------------------------------------------------

namespace {

using Num = VariantNumber;

bool numbersEqual(const Num& a, const Num& b) {
  if (a.kind == Num::Int && b.kind == Num::Int) return a.i == b.i;
  if (a.kind == Num::Curr && b.kind == Num::Curr) return a.raw == b.raw;
  if (a.kind == Num::Curr && b.kind == Num::Int) return static_cast<__int128>(a.raw) == b.i * 10000;
  if (a.kind == Num::Int && b.kind == Num::Curr) return numbersEqual(b, a);
  // A float against Currency compares as Double, as the platform promotes it.
  if (a.kind == Num::Curr || b.kind == Num::Curr) {
    const double x =
        a.kind == Num::Curr ? static_cast<double>(a.raw) / 10000.0 : static_cast<double>(a.f);
    const double y =
        b.kind == Num::Curr ? static_cast<double>(b.raw) / 10000.0 : static_cast<double>(b.f);
    return x == y;
  }
  // Integers against floats: long double holds every int64 and double exactly.
  const long double x = a.kind == Num::Int ? static_cast<long double>(a.i) : a.f;
  const long double y = b.kind == Num::Int ? static_cast<long double>(b.i) : b.f;
  return x == y;
}

// A text as a number: an integer when it reads as one, otherwise a float.
bool textToNum(const std::string& text, Num& n) {
  int64_t i = 0;
  double d = 0;
  if (TryStrToInt64(text, i)) {
    n.kind = Num::Int;
    n.i = i;
    return true;
  }
  if (TryStrToFloat(text, d)) {
    n.kind = Num::Float;
    n.f = d;
    return true;
  }
  return false;
}

} // namespace

bool Variant::toNum(VariantNumber& n) const {
  switch (type_) {
  case varEmpty:
    n.kind = Num::Int;
    n.i = 0;
    return true;
  case varBoolean:
    n.kind = Num::Int;
    n.i = std::get<bool>(value_) ? -1 : 0;
    return true;
  case varCurrency:
    n.kind = Num::Curr;
    n.raw = std::get<Currency>(value_).Raw();
    return true;
  case varSingle:
    n.kind = Num::Float;
    n.f = std::get<float>(value_);
    return true;
  case varDouble:
  case varDate:
    n.kind = Num::Float;
    n.f = std::get<double>(value_);
    return true;
  default:
    break;
  }
  if (isSigned(type_)) {
    n.kind = Num::Int;
    n.i = std::get<int64_t>(value_);
    return true;
  }
  if (isUnsigned(type_)) {
    n.kind = Num::Int;
    n.i = static_cast<__int128>(std::get<uint64_t>(value_));
    return true;
  }
  if (isStr(type_)) return textToNum(text(), n);
  return false;
}

bool operator==(const Variant& a, const Variant& b) {
  const TVarType ta = a.type_, tb = b.type_;
  if (ta == varNull || tb == varNull) return ta == tb;
  if ((ta & varArray) || (tb & varArray)) {
    return ta == tb &&
           std::get<std::vector<uint8_t>>(a.value_) == std::get<std::vector<uint8_t>>(b.value_);
  }
  if (ta == varEmpty && tb == varEmpty) return true;
  if (ta == varEmpty || tb == varEmpty) {
    const Variant& other = ta == varEmpty ? b : a;
    if (isStr(other.type_)) return other.text().empty();
    if (other.type_ == varBoolean) return !std::get<bool>(other.value_);
  }
  if (isStr(ta) && isStr(tb)) return a.text() == b.text();
  if (ta == varBoolean || tb == varBoolean) {
    const Variant& boolean = ta == varBoolean ? a : b;
    const Variant& other = ta == varBoolean ? b : a;
    if (isStr(other.type_)) {
      const std::string str = other.text();
      if (SameText(str, "True")) return std::get<bool>(boolean.value_);
      if (SameText(str, "False")) return !std::get<bool>(boolean.value_);
      return false;
    }
  }
  Num x, y;
  if (!a.toNum(x) || !b.toNum(y)) return false;
  return numbersEqual(x, y);
}
