// The decimal rounding engine shared by the number formatters (internal to
// the runtime; not for use outside platform/rtl).
//
// A value is decomposed into its decimal digits, correctly rounded to 18
// significant digits (19 for an Extended asked for 19; Currency exactly), and
// then rounded half away from zero at the place a format asks for.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Format.h"

#include <string>

namespace rtl_detail {

/// A decimal number: value = 0.digits x 10^exponent. `digits` has no leading or
/// trailing zeros; empty means zero.
struct Decimal {
  enum Class { Finite, NaN, Infinite } cls = Finite;
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool isZero() const { return cls == Finite && digits.empty(); }
};

Decimal decomposeDouble(double v);
/// 18 significant digits, or 19 when `precision` asks for more than 18.
Decimal decomposeExtended(Extended v, int precision);
Decimal decomposeCurrency(Currency c);

/// Keeps the first `keep` digits, rounding half away from zero.
void roundAtDigit(Decimal& d, int keep);
/// "NAN", "INF" or "-INF".
std::string nonFinite(const Decimal& d);
/// The integer digits of a rounded decimal ("0" when below one).
std::string integerPart(const Decimal& d);
/// The first `count` fraction digits, zero-padded.
std::string fractionPart(const Decimal& d, int count);
/// The general format of FloatToStrF.
std::string generalText(Decimal d, int precision, int digits, const TFormatSettings& fs);
/// FloatToStrF's formats; `maxPrec` is 18 for doubles, 19 for Extended and Currency.
std::string formatDecimal(const Decimal& value, TFloatFormat format, int precision, int digits,
                          int maxPrec, const TFormatSettings& fs);

} // namespace rtl_detail
