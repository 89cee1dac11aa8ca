// Currency: a fixed-point number with four decimals, held as int64 x 10000.
#pragma once

#include "platform/rtl/Types.h"

#include <compare>
#include <string>
#include <string_view>

struct TFormatSettings;

class Currency {
public:
  constexpr Currency() = default;
  /// The currency nearest to `value` (halves to even, as assigning a float to a
  /// currency does). Raises EInvalidOp when the value is not finite or out of range.
  static Currency FromDouble(double value);
  static Currency FromExtended(Extended value);
  /// Raises EOverflow beyond the currency's range.
  static Currency FromInt(Int64 value);
  /// The currency whose scaled value (x 10000) is `raw`.
  static constexpr Currency FromRaw(Int64 raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }

  constexpr Int64 Raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / 10000.0; }
  Extended ToExtended() const { return static_cast<Extended>(raw_) / 10000.0L; }

  friend constexpr bool operator==(Currency, Currency) = default;
  friend constexpr std::strong_ordering operator<=>(Currency a, Currency b) {
    return a.raw_ <=> b.raw_;
  }
  /// Sums and differences raise EOverflow when they leave the range.
  friend Currency operator+(Currency a, Currency b);
  friend Currency operator-(Currency a, Currency b);
  constexpr Currency operator-() const { return FromRaw(-raw_); }

private:
  Int64 raw_ = 0;
};

/// At most four decimals, no trailing zeros, the current decimal separator:
/// 1.5 -> "1.5", 2 -> "2", -0.0001 -> "-0.0001".
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, const TFormatSettings& settings);
/// Parses like StrToFloat (blanks around, sign, the current decimal separator,
/// exponent) and rounds to four decimals, halves away from zero. Raises
/// EConvertError "'%s' is not a valid floating point value".
Currency StrToCurr(std::string_view s);
Currency StrToCurr(std::string_view s, const TFormatSettings& settings);
bool TryStrToCurr(std::string_view s, Currency& value);
bool TryStrToCurr(std::string_view s, Currency& value, const TFormatSettings& settings);
Currency StrToCurrDef(std::string_view s, Currency def);
Currency StrToCurrDef(std::string_view s, Currency def, const TFormatSettings& settings);
