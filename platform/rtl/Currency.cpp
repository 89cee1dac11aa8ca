#include "platform/rtl/Currency.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <cmath>

namespace {

// The largest magnitude a currency holds, in units.
constexpr long double kLimit = 922337203685477.5807L;

Currency fromScaled(long double scaled) {
  if (!std::isfinite(scaled) || std::fabs(scaled) > kLimit * 10000.0L)
    throw EInvalidOp("Invalid floating point operation");
  return Currency::FromRaw(static_cast<Int64>(std::nearbyint(scaled)));
}

} // namespace

Currency Currency::FromInt(Int64 value) {
  Int64 raw;
  if (__builtin_mul_overflow(value, Int64(10000), &raw)) throw EOverflow("Floating point overflow");
  return FromRaw(raw);
}

Currency Currency::FromDouble(double value) {
  return fromScaled(static_cast<long double>(value) * 10000.0L);
}

Currency Currency::FromExtended(Extended value) {
  return fromScaled(value * 10000.0L);
}

Currency operator+(Currency a, Currency b) {
  Int64 r;
  if (__builtin_add_overflow(a.Raw(), b.Raw(), &r)) throw EOverflow("Floating point overflow");
  return Currency::FromRaw(r);
}

Currency operator-(Currency a, Currency b) {
  Int64 r;
  if (__builtin_sub_overflow(a.Raw(), b.Raw(), &r)) throw EOverflow("Floating point overflow");
  return Currency::FromRaw(r);
}

std::string CurrToStr(Currency value) {
  return CurrToStr(value, FormatSettings());
}

std::string CurrToStr(Currency value, const TFormatSettings& settings) {
  const Int64 raw = value.Raw();
  const UInt64 magnitude =
      raw < 0 ? UInt64(0) - static_cast<UInt64>(raw) : static_cast<UInt64>(raw);
  std::string out = raw < 0 ? "-" : "";
  out += IntToStr(magnitude / 10000);
  UInt64 fraction = magnitude % 10000;
  if (fraction != 0) {
    std::string digits = IntToStr(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0')
      digits.pop_back();
    out.push_back(settings.DecimalSeparator);
    out += digits;
  }
  return out;
}

bool TryStrToCurr(std::string_view s, Currency& value, const TFormatSettings& settings) {
  // Parse through the float grammar, then take the exact decimal digits so that
  // "0.00005" rounds half away from zero like the formatter does.
  Extended v;
  if (!TryStrToFloat(s, v, settings)) return false;
  if (std::fabs(v) > kLimit + 0.00005L) return false;
  TFormatSettings plain = settings;
  plain.DecimalSeparator = '.';
  const std::string fixed = FloatToStrF(v, ffFixed, 19, 4, plain);
  // fixed is "[-]digits.dddd"
  bool negative = false;
  Int64 raw = 0;
  for (const char c : fixed) {
    if (c == '-')
      negative = true;
    else if (c >= '0' && c <= '9') {
      if (__builtin_mul_overflow(raw, 10, &raw) || __builtin_add_overflow(raw, c - '0', &raw))
        return false;
    }
  }
  value = Currency::FromRaw(negative ? -raw : raw);
  return true;
}

bool TryStrToCurr(std::string_view s, Currency& value) {
  return TryStrToCurr(s, value, FormatSettings());
}

Currency StrToCurr(std::string_view s, const TFormatSettings& settings) {
  Currency c;
  if (!TryStrToCurr(s, c, settings))
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return c;
}

Currency StrToCurr(std::string_view s) {
  return StrToCurr(s, FormatSettings());
}

Currency StrToCurrDef(std::string_view s, Currency def) {
  return StrToCurrDef(s, def, FormatSettings());
}

Currency StrToCurrDef(std::string_view s, Currency def, const TFormatSettings& settings) {
  Currency c;
  return TryStrToCurr(s, c, settings) ? c : def;
}
