#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

// ---------------------------------------------------------------------------------------
// The rounding engine
// ---------------------------------------------------------------------------------------
namespace {

/// A decimal number: value = 0.digits x 10^exponent. `digits` has no leading or
/// trailing zeros; empty means zero.
struct Decimal {
  enum Class { Finite, NaN, Infinite } cls = Finite;
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool isZero() const { return cls == Finite && digits.empty(); }
};

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

// ---------------------------------------------------------------------------------------
// Pictures (FormatFloat)
// ---------------------------------------------------------------------------------------

// Splits a picture into its sections at ';' outside quotes.
std::vector<std::string_view> pictureSections(std::string_view picture) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(picture.substr(start));
  return sections;
}

struct PictureInfo {
  int integerPlaceholders = 0; // '0' and '#' before the point
  int integerZeros = 0;        // placeholders from the first '0' before the point on
  int decimalZeros = 0;        // position of the last '0' after the point (count)
  int decimalPlaceholders = 0; // '0' and '#' after the point
  bool hasPoint = false;
  bool grouped = false;
  bool scientific = false;
  int exponentZeros = 0;
};

bool isExponentMark(std::string_view s, std::size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

PictureInfo analysePicture(std::string_view s) {
  PictureInfo info;
  char quote = 0;
  bool seenIntegerZero = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (!info.scientific && isExponentMark(s, i)) {
      info.scientific = true;
      std::size_t k = i + 2;
      while (k < s.size() && s[k] == '0') {
        ++info.exponentZeros;
        ++k;
      }
      i = k - 1;
    } else if (c == '.' && !info.hasPoint && !info.scientific) {
      info.hasPoint = true;
    } else if (c == ',' && !info.hasPoint && !info.scientific) {
      info.grouped = true;
    } else if ((c == '0' || c == '#') && !info.scientific) {
      if (info.hasPoint) {
        ++info.decimalPlaceholders;
        if (c == '0') info.decimalZeros = info.decimalPlaceholders;
      } else {
        ++info.integerPlaceholders;
        if (c == '0') seenIntegerZero = true;
        if (seenIntegerZero) ++info.integerZeros;
      }
    }
  }
  return info;
}

// The digits a section prints, before they are laid into the picture.
struct PictureDigits {
  std::string integer;  // padded to the '0' placeholders
  std::string fraction; // between decimalZeros and decimalPlaceholders digits
  int exponent = 0;     // scientific only
};

PictureDigits pictureDigits(Decimal d, const PictureInfo& info, int maxPrec) {
  PictureDigits out;
  if (info.scientific) {
    const int integerDigits = std::max(info.integerPlaceholders, 1);
    const int significant = std::min(integerDigits + info.decimalPlaceholders, maxPrec);
    roundAtDigit(d, significant);
    out.exponent = d.isZero() ? 0 : d.exponent - integerDigits;
    std::string all = d.digits;
    all.resize(static_cast<std::size_t>(integerDigits + info.decimalPlaceholders), '0');
    out.integer = all.substr(0, static_cast<std::size_t>(integerDigits));
    out.fraction = all.substr(static_cast<std::size_t>(integerDigits));
    if (info.integerPlaceholders == 0) out.integer.clear();
  } else {
    roundAtDigit(d, std::min(d.exponent + info.decimalPlaceholders, maxPrec));
    out.integer = d.exponent > 0 ? integerPart(d) : std::string();
    out.fraction = fractionPart(d, info.decimalPlaceholders);
    if (static_cast<int>(out.integer.size()) < info.integerZeros)
      out.integer.insert(0, static_cast<std::size_t>(info.integerZeros) - out.integer.size(), '0');
  }
  while (static_cast<int>(out.fraction.size()) > info.decimalZeros && !out.fraction.empty() &&
         out.fraction.back() == '0')
    out.fraction.pop_back();
  return out;
}

bool roundsToZero(const Decimal& d, const PictureInfo& info, int maxPrec) {
  Decimal r = d;
  if (info.scientific) return d.isZero();
  roundAtDigit(r, std::min(r.exponent + info.decimalPlaceholders, maxPrec));
  return r.isZero();
}

std::string layPicture(std::string_view s, const PictureInfo& info, const PictureDigits& digits,
                       const TFormatSettings& fs) {
  std::string out;
  char quote = 0;
  bool inFraction = false;
  int integerSeen = 0;
  int fractionSeen = 0;
  const int integerCount = static_cast<int>(digits.integer.size());
  const int extra = integerCount - info.integerPlaceholders;
  auto emitIntegerDigit = [&](int index) {
    out.push_back(digits.integer[static_cast<std::size_t>(index)]);
    const int remaining = integerCount - index - 1;
    if (info.grouped && !info.scientific && remaining > 0 && remaining % 3 == 0)
      out.push_back(fs.ThousandSeparator);
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out.push_back(c);
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (isExponentMark(s, i) && info.scientific) {
      out.push_back(c);
      if (digits.exponent < 0)
        out.push_back('-');
      else if (s[i + 1] == '+')
        out.push_back('+');
      std::string e = IntToStr(digits.exponent < 0 ? -digits.exponent : digits.exponent);
      if (static_cast<int>(e.size()) < info.exponentZeros)
        e.insert(0, static_cast<std::size_t>(info.exponentZeros) - e.size(), '0');
      out += e;
      std::size_t k = i + 2;
      while (k < s.size() && s[k] == '0')
        ++k;
      // The remaining picture after the exponent is literal text.
      for (; k < s.size(); ++k) {
        if (quote) {
          if (s[k] == quote)
            quote = 0;
          else
            out.push_back(s[k]);
        } else if (s[k] == '\'' || s[k] == '"') {
          quote = s[k];
        } else {
          out.push_back(s[k]);
        }
      }
      return out;
    } else if (c == '.' && !inFraction) {
      inFraction = true;
      // A picture without integer placeholders still shows the integer digits.
      if (info.integerPlaceholders == 0 && !info.scientific)
        for (int j = 0; j < integerCount; ++j)
          emitIntegerDigit(j);
      if (!digits.fraction.empty()) out.push_back(fs.DecimalSeparator);
    } else if (c == ',' && !inFraction) {
      // grouping marker, not printed itself
    } else if (c == '0' || c == '#') {
      if (!inFraction) {
        const int k = integerSeen++;
        if (k == 0)
          for (int j = 0; j < extra; ++j)
            emitIntegerDigit(j);
        const int index = k + extra;
        if (index >= 0) emitIntegerDigit(index);
      } else {
        const int k = fractionSeen++;
        if (k < static_cast<int>(digits.fraction.size()))
          out.push_back(digits.fraction[static_cast<std::size_t>(k)]);
      }
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Chooses the section: the negative one (without minus sign) for a negative
// value when present, and the zero one for a value that rounds to zero under
// the chosen section (else the first section, also without minus sign). An
// empty chosen section gives the general format.
std::string formatPicture(std::string_view picture, const Decimal& value, int maxPrec,
                          const TFormatSettings& fs) {
  if (value.cls != Decimal::Finite) return nonFinite(value);
  const std::vector<std::string_view> sections = pictureSections(picture);
  auto present = [&](std::size_t k) { return sections.size() > k && !sections[k].empty(); };
  std::size_t chosen = 0;
  bool writeMinus = value.negative;
  if (value.negative && present(1)) {
    chosen = 1;
    writeMinus = false;
  }
  PictureInfo info = analysePicture(sections[chosen]);
  if (value.isZero() || roundsToZero(value, info, maxPrec)) {
    chosen = present(2) ? 2 : 0;
    writeMinus = false;
    info = analysePicture(sections[chosen]);
  }
  const std::string_view section = sections[chosen];
  if (section.empty()) {
    Decimal general = value;
    if (!writeMinus) general.negative = false;
    return generalText(general, maxPrec > 18 ? 19 : 15, 0, fs);
  }
  const PictureDigits digits = pictureDigits(value, info, maxPrec);
  std::string out = layPicture(section, info, digits, fs);
  return writeMinus ? "-" + out : out;
}

// ---------------------------------------------------------------------------------------
// Format
// ---------------------------------------------------------------------------------------

[[noreturn]] void invalidFormat(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

[[noreturn]] void missingArgument(std::string_view fmt) {
  throw EConvertError("No argument for format '" + std::string(fmt) + "'");
}

bool isInteger(const FormatArg& a) {
  return a.kind() == FormatArg::Kind::Signed || a.kind() == FormatArg::Kind::Unsigned;
}

bool isFloat(const FormatArg& a) {
  return a.kind() == FormatArg::Kind::Float || a.kind() == FormatArg::Kind::Extended ||
         a.kind() == FormatArg::Kind::Currency;
}

// The integer's bits in its own width, zero-extended.
UInt64 unsignedBits(const FormatArg& a) {
  const auto bits = static_cast<UInt64>(a.intValue());
  return a.is64() ? bits : (bits & 0xFFFFFFFFull);
}

Decimal decomposeArg(const FormatArg& a, int precision) {
  switch (a.kind()) {
  case FormatArg::Kind::Currency:
    return decomposeCurrency(Currency::FromRaw(a.intValue()));
  case FormatArg::Kind::Extended:
    return decomposeExtended(a.floatValue(), precision);
  default:
    return decomposeDouble(static_cast<double>(a.floatValue()));
  }
}

int maxPrecisionOf(const FormatArg& a) {
  return a.kind() == FormatArg::Kind::Float ? 18 : 19;
}

std::string withMinDigits(std::string digits, int minDigits) {
  if (static_cast<int>(digits.size()) < minDigits)
    digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return digits;
}

std::string decimalText(const FormatArg& a, bool asUnsigned, int minDigits) {
  bool negative = false;
  UInt64 magnitude;
  if (asUnsigned || a.kind() == FormatArg::Kind::Unsigned) {
    magnitude = asUnsigned ? unsignedBits(a) : static_cast<UInt64>(a.intValue());
  } else {
    const Int64 v = a.intValue();
    negative = v < 0;
    magnitude = negative ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v);
  }
  const std::string digits = withMinDigits(IntToStr(magnitude), minDigits);
  return negative ? "-" + digits : digits;
}

struct Spec {
  bool leftJustify = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

std::string formatOne(const Spec& spec, const FormatArg& a, std::string_view fmt,
                      const TFormatSettings& fs) {
  const int prec = spec.precision;
  switch (spec.type) {
  case 'D':
  case 'U':
    if (!isInteger(a)) invalidFormat(fmt);
    return decimalText(a, spec.type == 'U', prec);
  case 'X':
    if (!isInteger(a)) invalidFormat(fmt);
    return IntToHexBits(unsignedBits(a), prec);
  case 'P':
    if (a.kind() != FormatArg::Kind::Pointer) invalidFormat(fmt);
    return IntToHexBits(static_cast<UInt64>(a.intValue()), 16);
  case 'S':
    if (a.kind() != FormatArg::Kind::String) invalidFormat(fmt);
    if (prec >= 0 && static_cast<std::size_t>(prec) < a.text().size())
      return a.text().substr(0, static_cast<std::size_t>(prec));
    return a.text();
  case 'E':
  case 'F':
  case 'G':
  case 'N':
  case 'M': {
    if (!isFloat(a)) invalidFormat(fmt);
    const int maxPrec = maxPrecisionOf(a);
    switch (spec.type) {
    case 'E': {
      const int p = prec < 0 ? 15 : prec;
      return formatDecimal(decomposeArg(a, p), ffExponent, p, 3, maxPrec, fs);
    }
    case 'G': {
      const int p = prec < 0 ? 15 : prec;
      return formatDecimal(decomposeArg(a, p), ffGeneral, p, 0, maxPrec, fs);
    }
    case 'F':
      return formatDecimal(decomposeArg(a, 18), ffFixed, 18, prec < 0 ? 2 : prec, maxPrec, fs);
    case 'N':
      return formatDecimal(decomposeArg(a, 18), ffNumber, 18, prec < 0 ? 2 : prec, maxPrec, fs);
    default:
      return formatDecimal(decomposeArg(a, 18), ffCurrency, 18,
                           prec < 0 ? fs.CurrencyDecimals : prec, maxPrec, fs);
    }
  }
  default:
    invalidFormat(fmt);
  }
}

std::string formatImpl(std::string_view fmt, std::span<const FormatArg> args,
                       const TFormatSettings& fs) {
  std::string out;
  out.reserve(fmt.size() + 16);
  std::size_t next = 0;
  std::size_t i = 0;
  const std::size_t n = fmt.size();
  auto argAt = [&](std::size_t index) -> const FormatArg& {
    if (index >= args.size()) missingArgument(fmt);
    return args[index];
  };
  auto readNumber = [&](int& value) {
    value = 0;
    const std::size_t start = i;
    while (i < n && fmt[i] >= '0' && fmt[i] <= '9') {
      value = std::min(value * 10 + (fmt[i] - '0'), 1 << 20);
      ++i;
    }
    return i > start;
  };
  auto readStarOrNumber = [&](int& value) {
    if (i < n && fmt[i] == '*') {
      ++i;
      const FormatArg& a = argAt(next++);
      if (!isInteger(a)) invalidFormat(fmt);
      value = static_cast<int>(std::clamp<Int64>(a.intValue(), -(1 << 20), 1 << 20));
      return true;
    }
    return readNumber(value);
  };
  while (i < n) {
    const char c = fmt[i++];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i < n && fmt[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    Spec spec;
    int number = 0;
    const std::size_t specStart = i;
    if (readNumber(number) && i < n && fmt[i] == ':') {
      ++i;
      next = static_cast<std::size_t>(number);
    } else {
      i = specStart;
    }
    if (i < n && fmt[i] == '-') {
      spec.leftJustify = true;
      ++i;
    }
    if (readStarOrNumber(number)) {
      spec.width = number;
      if (number < 0) {
        spec.leftJustify = true;
        spec.width = -number;
      }
    }
    if (i < n && fmt[i] == '.') {
      ++i;
      if (!readStarOrNumber(number)) number = 0;
      spec.precision = number < 0 ? -1 : number;
    }
    if (i >= n) invalidFormat(fmt);
    const char letter = fmt[i++];
    spec.type = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    if (std::string_view("DUXPSEFGNM").find(spec.type) == std::string_view::npos)
      invalidFormat(fmt);
    const std::string text = formatOne(spec, argAt(next++), fmt, fs);
    const auto width = static_cast<std::size_t>(std::max(spec.width, 0));
    if (text.size() >= width) {
      out += text;
    } else if (spec.leftJustify) {
      out += text;
      out.append(width - text.size(), ' ');
    } else {
      out.append(width - text.size(), ' ');
      out += text;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Parsing
// ---------------------------------------------------------------------------------------

bool isParseBlank(char c) {
  return c == ' ' || c == '\t';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an integer of `bits` (32 or 64) bits.
bool parseInteger(std::string_view s, int bits, Int64& value) {
  std::size_t i = 0;
  while (i < s.size() && isParseBlank(s[i]))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  UInt64 magnitude = 0;
  if (hex) {
    int significant = 0;
    for (; i < s.size(); ++i) {
      const int h = hexValue(s[i]);
      if (h < 0) return false;
      if (magnitude != 0 || h != 0) ++significant;
      if (significant > bits / 4) return false;
      magnitude = (magnitude << 4) | static_cast<UInt64>(h);
    }
    if (negative) magnitude = UInt64(0) - magnitude;
    if (bits == 32)
      value = static_cast<Integer>(static_cast<std::uint32_t>(magnitude));
    else
      value = static_cast<Int64>(magnitude);
    return true;
  }
  const UInt64 limit = bits == 32 ? (negative ? 0x80000000ull : 0x7FFFFFFFull)
                                  : (negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull);
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return false;
    const auto d = static_cast<UInt64>(c - '0');
    if (magnitude > (limit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  value = negative ? static_cast<Int64>(UInt64(0) - magnitude) : static_cast<Int64>(magnitude);
  return true;
}

[[noreturn]] void notAnInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

[[noreturn]] void notAFloat(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
}

// Checks the grammar and rewrites the number with '.' for from_chars. Sets
// `leadingExponent` to the decimal exponent of the first significant digit
// (value ~ 10^leadingExponent), or INT_MIN for zero.
bool normalizeFloat(std::string_view s, char separator, std::string& out, bool& negative,
                    long& leadingExponent) {
  std::size_t i = 0, n = s.size();
  while (i < n && isParseBlank(s[i]))
    ++i;
  while (n > i && isParseBlank(s[n - 1]))
    --n;
  negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  out.clear();
  int integerDigits = 0, fractionDigits = 0;
  constexpr long kNone = std::numeric_limits<long>::min();
  long lead = kNone; // decimal exponent of the first significant digit, before the exponent part
  int firstInteger = -1;
  while (i < n && s[i] >= '0' && s[i] <= '9') {
    if (s[i] != '0' && firstInteger < 0) firstInteger = integerDigits;
    out.push_back(s[i++]);
    ++integerDigits;
  }
  if (firstInteger >= 0) lead = integerDigits - 1 - firstInteger;
  if (i < n && s[i] == separator) {
    ++i;
    out.push_back('.');
    while (i < n && s[i] >= '0' && s[i] <= '9') {
      if (s[i] != '0' && lead == kNone) lead = -(fractionDigits + 1);
      out.push_back(s[i++]);
      ++fractionDigits;
    }
  }
  if (integerDigits + fractionDigits == 0) return false;
  long exp10 = 0;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    out.push_back('e');
    ++i;
    bool expNegative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
      expNegative = s[i] == '-';
      out.push_back(s[i++]);
    }
    const std::size_t start = i;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
      exp10 = std::min<long>(exp10 * 10 + (s[i] - '0'), 100000000L);
      out.push_back(s[i++]);
    }
    if (i == start) return false;
    if (expNegative) exp10 = -exp10;
  }
  if (i != n) return false;
  leadingExponent = lead == kNone ? kNone : lead + exp10;
  return true;
}

template <typename F> bool parseFloat(std::string_view s, F& value, const TFormatSettings& fs) {
  std::string text;
  bool negative = false;
  long leadingExponent = 0;
  if (!normalizeFloat(s, fs.DecimalSeparator, text, negative, leadingExponent)) return false;
  F result{};
  const auto r = std::from_chars(text.data(), text.data() + text.size(), result);
  if (r.ptr != text.data() + text.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    if (leadingExponent >= 0 || leadingExponent == std::numeric_limits<long>::min()) return false;
    result = 0; // below the smallest magnitude
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(result)) return false;
  value = negative ? -result : result;
  return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Public functions
// ---------------------------------------------------------------------------------------

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

TFormatSettings LocaleFormatSettings() {
  TFormatSettings fs;
  const QLocale locale;
  auto single = [](const QString& text, char fallback) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 0x80) return bytes[0];
    return fallback;
  };
  fs.DecimalSeparator = single(locale.decimalPoint(), '.');
  fs.ThousandSeparator = single(locale.groupSeparator(), ' ');
  if (fs.ThousandSeparator == fs.DecimalSeparator) fs.ThousandSeparator = ' ';
  const QString date = locale.dateFormat(QLocale::ShortFormat);
  for (const QChar ch : date)
    if (!ch.isLetter()) {
      fs.DateSeparator = single(QString(ch), '-');
      break;
    }
  return fs;
}

TDecimalSeparatorGuard::TDecimalSeparatorGuard(char separator)
    : saved_(FormatSettings().DecimalSeparator) {
  FormatSettings().DecimalSeparator = separator;
}

TDecimalSeparatorGuard::~TDecimalSeparatorGuard() {
  FormatSettings().DecimalSeparator = saved_;
}

TFormatSettingsGuard::TFormatSettingsGuard() : saved_(FormatSettings()) {}
TFormatSettingsGuard::~TFormatSettingsGuard() {
  FormatSettings() = saved_;
}

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  return formatImpl(fmt, std::span<const FormatArg>(args.begin(), args.size()), FormatSettings());
}

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args,
                   const TFormatSettings& settings) {
  return formatImpl(fmt, std::span<const FormatArg>(args.begin(), args.size()), settings);
}

std::string FormatList(std::string_view fmt, std::span<const FormatArg> args) {
  return formatImpl(fmt, args, FormatSettings());
}

std::string FormatList(std::string_view fmt, std::span<const FormatArg> args,
                       const TFormatSettings& settings) {
  return formatImpl(fmt, args, settings);
}

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

std::string FormatFloat(std::string_view picture, double value) {
  return FormatFloat(picture, value, FormatSettings());
}
std::string FormatFloat(std::string_view picture, double value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeDouble(value), 18, settings);
}
std::string FormatFloat(std::string_view picture, Extended value) {
  return FormatFloat(picture, value, FormatSettings());
}
std::string FormatFloat(std::string_view picture, Extended value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeExtended(value, 18), 18, settings);
}
std::string FormatCurr(std::string_view picture, Currency value) {
  return FormatCurr(picture, value, FormatSettings());
}
std::string FormatCurr(std::string_view picture, Currency value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeCurrency(value), 19, settings);
}

Integer StrToInt(std::string_view s) {
  Integer v;
  if (!TryStrToInt(s, v)) notAnInteger(s);
  return v;
}
bool TryStrToInt(std::string_view s, Integer& value) {
  Int64 v;
  if (!parseInteger(s, 32, v)) return false;
  value = static_cast<Integer>(v);
  return true;
}
Integer StrToIntDef(std::string_view s, Integer def) {
  Integer v;
  return TryStrToInt(s, v) ? v : def;
}
Int64 StrToInt64(std::string_view s) {
  Int64 v;
  if (!TryStrToInt64(s, v)) notAnInteger(s);
  return v;
}
bool TryStrToInt64(std::string_view s, Int64& value) {
  return parseInteger(s, 64, value);
}
Int64 StrToInt64Def(std::string_view s, Int64 def) {
  Int64 v;
  return TryStrToInt64(s, v) ? v : def;
}

double StrToFloat(std::string_view s) {
  return StrToFloat(s, FormatSettings());
}
double StrToFloat(std::string_view s, const TFormatSettings& settings) {
  double v;
  if (!parseFloat(s, v, settings)) notAFloat(s);
  return v;
}
bool TryStrToFloat(std::string_view s, double& value) {
  return parseFloat(s, value, FormatSettings());
}
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
  return parseFloat(s, value, settings);
}
bool TryStrToFloat(std::string_view s, Single& value) {
  return parseFloat(s, value, FormatSettings());
}
bool TryStrToFloat(std::string_view s, Single& value, const TFormatSettings& settings) {
  return parseFloat(s, value, settings);
}
bool TryStrToFloat(std::string_view s, Extended& value) {
  return parseFloat(s, value, FormatSettings());
}
bool TryStrToFloat(std::string_view s, Extended& value, const TFormatSettings& settings) {
  return parseFloat(s, value, settings);
}
double StrToFloatDef(std::string_view s, double def) {
  return StrToFloatDef(s, def, FormatSettings());
}
double StrToFloatDef(std::string_view s, double def, const TFormatSettings& settings) {
  double v;
  return parseFloat(s, v, settings) ? v : def;
}
Extended StrToExtended(std::string_view s) {
  return StrToExtended(s, FormatSettings());
}
Extended StrToExtended(std::string_view s, const TFormatSettings& settings) {
  Extended v;
  if (!parseFloat(s, v, settings)) notAFloat(s);
  return v;
}
Extended StrToExtendedDef(std::string_view s, Extended def) {
  return StrToExtendedDef(s, def, FormatSettings());
}
Extended StrToExtendedDef(std::string_view s, Extended def, const TFormatSettings& settings) {
  Extended v;
  return parseFloat(s, v, settings) ? v : def;
}
