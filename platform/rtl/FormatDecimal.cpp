#include "platform/rtl/FormatDecimal.h"

#include "platform/rtl/Strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace rtl_detail {

void stripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0')
    d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

// Parses the output of to_chars(..., scientific, n): "-d.ddddde+xx".
Decimal fromScientific(const char* first, const char* last) {
  Decimal d;
  if (first != last && *first == '-') {
    d.negative = true;
    ++first;
  }
  const char* e = std::find(first, last, 'e');
  for (const char* p = first; p != e; ++p)
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  int exp10 = 0;
  const char* q = e + 1;
  if (q != last && *q == '+') ++q;
  std::from_chars(q, last, exp10);
  d.exponent = exp10 + 1;
  stripTrailingZeros(d);
  return d;
}

template <typename F> Decimal decompose(F value, int significant) {
  Decimal d;
  if (std::isnan(value)) {
    d.cls = Decimal::NaN;
    return d;
  }
  if (std::isinf(value)) {
    d.cls = Decimal::Infinite;
    d.negative = value < 0;
    return d;
  }
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                               significant - 1);
  return fromScientific(buffer, r.ptr);
}

Decimal decomposeDouble(double v) {
  return decompose(v, 18);
}
Decimal decomposeExtended(Extended v, int precision) {
  return decompose(v, precision > 18 ? 19 : 18);
}

Decimal decomposeCurrency(Currency c) {
  Decimal d;
  const Int64 raw = c.Raw();
  d.negative = raw < 0;
  UInt64 magnitude = raw < 0 ? UInt64(0) - static_cast<UInt64>(raw) : static_cast<UInt64>(raw);
  char buffer[24];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  std::string all(buffer, r.ptr);
  if (magnitude == 0) return d;
  d.digits = all;
  d.exponent = static_cast<int>(all.size()) - 4;
  // Leading zeros cannot occur: the magnitude is non-zero.
  stripTrailingZeros(d);
  return d;
}

/// Keeps the first `keep` digits, rounding half away from zero.
void roundAtDigit(Decimal& d, int keep) {
  if (d.cls != Decimal::Finite || d.digits.empty()) return;
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent += 1;
    } else {
      ++d.digits[static_cast<std::size_t>(i)];
    }
  }
  stripTrailingZeros(d);
}

std::string nonFinite(const Decimal& d) {
  if (d.cls == Decimal::NaN) return "NAN";
  return d.negative ? "-INF" : "INF";
}

std::string group(const std::string& integerDigits, char separator) {
  std::string out;
  const std::size_t n = integerDigits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(separator);
    out.push_back(integerDigits[i]);
  }
  return out;
}

// The integer digits of a rounded decimal ("0" when below one).
std::string integerPart(const Decimal& d) {
  if (d.exponent <= 0 || d.digits.empty()) return "0";
  std::string out = d.digits.substr(
      0, std::min<std::size_t>(d.digits.size(), static_cast<std::size_t>(d.exponent)));
  out.resize(static_cast<std::size_t>(d.exponent), '0');
  return out;
}

// The first `count` fraction digits, zero-padded.
std::string fractionPart(const Decimal& d, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const int k = d.exponent + i;
    out.push_back(k >= 0 && k < static_cast<int>(d.digits.size())
                      ? d.digits[static_cast<std::size_t>(k)]
                      : '0');
  }
  return out;
}

std::string exponentText(int exp10, int minDigits, bool alwaysSign) {
  std::string out = "E";
  if (exp10 < 0)
    out.push_back('-');
  else if (alwaysSign)
    out.push_back('+');
  std::string digits = IntToStr(exp10 < 0 ? -exp10 : exp10);
  if (static_cast<int>(digits.size()) < minDigits)
    digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return out + digits;
}

std::string generalText(Decimal d, int precision, int digits, const TFormatSettings& fs) {
  roundAtDigit(d, precision);
  if (d.isZero()) return "0";
  std::string out = d.negative ? "-" : "";
  if (d.exponent <= precision && d.exponent >= -4) {
    out += integerPart(d);
    const int fraction = static_cast<int>(d.digits.size()) - d.exponent;
    if (fraction > 0) {
      out.push_back(fs.DecimalSeparator);
      out += fractionPart(d, fraction);
    }
    return out;
  }
  out.push_back(d.digits[0]);
  if (d.digits.size() > 1) {
    out.push_back(fs.DecimalSeparator);
    out.append(d.digits, 1);
  }
  return out + exponentText(d.exponent - 1, std::clamp(digits, 0, 4), false);
}

std::string exponentFormText(Decimal d, int precision, int digits, const TFormatSettings& fs) {
  roundAtDigit(d, precision);
  std::string mantissa = d.digits.empty() ? std::string("0") : d.digits;
  mantissa.resize(static_cast<std::size_t>(precision), '0');
  std::string out = (d.negative && !d.isZero()) ? "-" : "";
  out.push_back(mantissa[0]);
  if (precision > 1) {
    out.push_back(fs.DecimalSeparator);
    out.append(mantissa, 1);
  }
  return out + exponentText(d.isZero() ? 0 : d.exponent - 1, std::clamp(digits, 0, 4), true);
}

// Fixed notation of an already rounded value, without sign.
std::string fixedDigits(const Decimal& d, int decimals, bool grouped, const TFormatSettings& fs) {
  std::string out = integerPart(d);
  if (grouped) out = group(out, fs.ThousandSeparator);
  if (decimals > 0) {
    out.push_back(fs.DecimalSeparator);
    out += fractionPart(d, decimals);
  }
  return out;
}

std::string currencyLayout(const std::string& amount, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
    case 1:
      return amount + c;
    case 2:
      return c + " " + amount;
    case 3:
      return amount + " " + c;
    default:
      return c + amount;
    }
  }
  switch (fs.NegCurrFormat) {
  case 1:
    return "-" + c + amount;
  case 2:
    return c + "-" + amount;
  case 3:
    return c + amount + "-";
  case 4:
    return "(" + amount + c + ")";
  case 5:
    return "-" + amount + c;
  case 6:
    return amount + "-" + c;
  case 7:
    return amount + c + "-";
  case 8:
    return "-" + amount + " " + c;
  case 9:
    return "-" + c + " " + amount;
  case 10:
    return amount + " " + c + "-";
  case 11:
    return c + " " + amount + "-";
  case 12:
    return c + " -" + amount;
  case 13:
    return amount + "- " + c;
  case 14:
    return "(" + c + " " + amount + ")";
  case 15:
    return "(" + amount + " " + c + ")";
  default:
    return "(" + c + amount + ")";
  }
}

std::string formatDecimal(const Decimal& value, TFloatFormat format, int precision, int digits,
                          int maxPrec, const TFormatSettings& fs) {
  if (value.cls != Decimal::Finite) return nonFinite(value);
  precision = std::clamp(precision, 1, maxPrec);
  switch (format) {
  case ffGeneral:
    return generalText(value, precision, digits, fs);
  case ffExponent:
    return exponentFormText(value, precision, digits, fs);
  case ffFixed:
  case ffNumber:
  case ffCurrency: {
    digits = std::clamp(digits, 0, 18);
    Decimal d = value;
    if (d.exponent > precision && !d.isZero()) return generalText(value, precision, 0, fs);
    roundAtDigit(d, std::min(precision, d.exponent + digits));
    const bool negative = d.negative && !d.isZero();
    const std::string amount = fixedDigits(d, digits, format != ffFixed, fs);
    if (format == ffCurrency) return currencyLayout(amount, negative, fs);
    return negative ? "-" + amount : amount;
  }
  }
  return generalText(value, precision, digits, fs);
}

} // namespace rtl_detail

using namespace rtl_detail;

std::string FloatToStr(double value) {
  return FloatToStr(value, FormatSettings());
}
std::string FloatToStr(double value, const TFormatSettings& settings) {
  return formatDecimal(decomposeDouble(value), ffGeneral, 15, 0, 18, settings);
}
std::string FloatToStr(Extended value) {
  return FloatToStr(value, FormatSettings());
}
std::string FloatToStr(Extended value, const TFormatSettings& settings) {
  return formatDecimal(decomposeExtended(value, 15), ffGeneral, 15, 0, 19, settings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
  return formatDecimal(decomposeDouble(value), format, precision, digits, 18, settings);
}
std::string FloatToStrF(Extended value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}
std::string FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
  return formatDecimal(decomposeExtended(value, precision), format, precision, digits, 19,
                       settings);
}
std::string CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings());
}
std::string CurrToStrF(Currency value, TFloatFormat format, int digits,
                       const TFormatSettings& settings) {
  return formatDecimal(decomposeCurrency(value), format, 19, digits, 19, settings);
}
