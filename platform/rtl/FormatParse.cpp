#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

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
