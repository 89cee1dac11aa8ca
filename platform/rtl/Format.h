// Formatting and parsing of numbers, and the process-wide format settings.
//
// Nothing here uses the C library's number formatting or parsing, so the
// output never depends on the process locale. All decimal output goes through
// one rounding engine: the value is first rounded correctly to 18 significant
// digits (19 for an Extended asked for 19 digits; Currency values are exact),
// and that digit string is then rounded half away from zero at the requested
// place. Non-finite values print as "NAN", "INF" and "-INF".
//
// Every formatter and parser has an overload taking explicit settings; the
// others use the process-wide FormatSettings(). Threads other than the
// user-interface thread use the explicit overloads.
//
// Files: Format.cpp (settings, Format), FormatDecimal.h/.cpp (the rounding
// engine, FloatToStr, FloatToStrF, CurrToStrF), FormatFloat.cpp (pictures),
// FormatParse.cpp (StrToInt, StrToFloat and their variants).
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

#include <array>
#include <concepts>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// --- settings ---------------------------------------------------------------------------

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  /// Positive amounts: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  Byte CurrencyFormat = 0;
  /// Negative amounts: 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$",
  /// 6 "1-$", 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1",
  /// 13 "1- $", 14 "($ 1)", 15 "(1 $)".
  Byte NegCurrFormat = 0;
  Byte CurrencyDecimals = 2;
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  /// Sunday first.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  /// Two-digit years read by StrToDate fall within this many years before now.
  Word TwoDigitYearCenturyWindow = 50;
};

/// The process-wide settings (user-interface thread only). They start with the
/// fixed defaults above, never from the C locale.
TFormatSettings& FormatSettings();
/// The user's separators and formats as Qt's default locale reports them
/// (opt-in; separators that are not single ASCII characters become a blank).
TFormatSettings LocaleFormatSettings();

/// Sets the process-wide decimal separator for the guard's lifetime and
/// restores the previous one on every exit.
class TDecimalSeparatorGuard {
public:
  explicit TDecimalSeparatorGuard(char separator);
  ~TDecimalSeparatorGuard();
  TDecimalSeparatorGuard(const TDecimalSeparatorGuard&) = delete;
  TDecimalSeparatorGuard& operator=(const TDecimalSeparatorGuard&) = delete;

private:
  char saved_;
};

/// Saves all process-wide settings and restores them on every exit.
class TFormatSettingsGuard {
public:
  TFormatSettingsGuard();
  ~TFormatSettingsGuard();
  TFormatSettingsGuard(const TFormatSettingsGuard&) = delete;
  TFormatSettingsGuard& operator=(const TFormatSettingsGuard&) = delete;

private:
  TFormatSettings saved_;
};

// --- Format -----------------------------------------------------------------------------

/// One argument of Format. Integers, floats, Currency, texts and pointers; a
/// bool is refused at compile time (it is not a number to the system).
class FormatArg {
public:
  enum class Kind { Signed, Unsigned, Float, Extended, Currency, String, Pointer };

  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) FormatArg(T v)
      : bits64_(sizeof(T) > 4) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Signed;
      int_ = static_cast<Int64>(v);
    } else {
      kind_ = Kind::Unsigned;
      int_ = static_cast<Int64>(static_cast<UInt64>(v));
    }
  }
  FormatArg(bool) = delete;
  FormatArg(char c) : kind_(Kind::String), text_(1, c) {}
  FormatArg(float v) : kind_(Kind::Float), float_(v) {}
  FormatArg(double v) : kind_(Kind::Float), float_(v) {}
  FormatArg(long double v) : kind_(Kind::Extended), float_(v) {}
  FormatArg(Currency v) : kind_(Kind::Currency), int_(v.Raw()) {}
  FormatArg(const char* s) : kind_(Kind::String), text_(s ? s : "") {}
  FormatArg(std::string_view s) : kind_(Kind::String), text_(s) {}
  FormatArg(const std::string& s) : kind_(Kind::String), text_(s) {}
  FormatArg(std::string&& s) : kind_(Kind::String), text_(std::move(s)) {}
  FormatArg(const void* p)
      : kind_(Kind::Pointer), bits64_(true), int_(static_cast<Int64>(reinterpret_cast<UInt64>(p))) {
  }

  Kind kind() const { return kind_; }
  bool is64() const { return bits64_; }
  /// The integer's bits (Signed, Unsigned, Pointer) or the currency's raw value.
  Int64 intValue() const { return int_; }
  long double floatValue() const { return float_; }
  const std::string& text() const { return text_; }

private:
  Kind kind_;
  bool bits64_ = false;
  Int64 int_ = 0;
  long double float_ = 0;
  std::string text_;
};

/// Formats `fmt`: placeholders "%[index:][-][width][.prec]type" with the types
/// d u x e f g n m s p (any letter case), width and precision may be '*', and
/// "%%" gives "%". Arguments left over are ignored. A missing argument raises
/// EConvertError "No argument for format '...'", any other mismatch
/// "Format '...' invalid or incompatible with argument".
///   d, u  integers; the precision is a minimum digit count ("%.3d" of 7 = "007")
///   x     upper-case hexadecimal, the precision a minimum digit count
///   f     fixed, default 2 decimals; n likewise with thousands separators
///   e     "d.ddd...E+ddd", the precision counts significant digits (default 15)
///   g     general format (as FloatToStrF(v, ffGeneral, prec, 0); default 15)
///   m     currency format, default CurrencyDecimals decimals
///   s     text; the precision truncates
///   p     pointer as 16 hex digits
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args,
                   const TFormatSettings& settings);
/// Format over an argument array built at run time.
std::string FormatList(std::string_view fmt, std::span<const FormatArg> args);
std::string FormatList(std::string_view fmt, std::span<const FormatArg> args,
                       const TFormatSettings& settings);

// --- floats to text ---------------------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

/// FloatToStrF(value, ffGeneral, 15, 0): 46 -> "46", 1e15 -> "1E15", 1e-6 -> "1E-6",
/// 0.00001 -> "0.00001", -0 -> "0".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
std::string FloatToStr(Extended value);
std::string FloatToStr(Extended value, const TFormatSettings& settings);

/// ffGeneral: `precision` significant digits; fixed notation when the rounded value
///   has at most `precision` integer digits and a magnitude of at least 0.00001,
///   otherwise "d.dddE-x" with at least `digits` (0-4) exponent digits and a sign
///   only when negative; no trailing zeros or point.
/// ffExponent: "d.ddd...E+xxx" with `precision` significant digits and at least
///   `digits` (0-4) exponent digits, the sign always written.
/// ffFixed: `digits` (0-18) decimals; a value with more than `precision` integer
///   digits is written in the general format. ffNumber: likewise with thousands
///   separators. ffCurrency: ffNumber laid out by the currency settings.
/// The precision is 1-18 (1-19 for Extended and Currency).
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
std::string FloatToStrF(Extended value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits,
                       const TFormatSettings& settings);

/// Formats by a picture: up to three sections separated by ';' (positive;
/// negative;zero), '0' a digit always written, '#' a digit written when
/// significant, the first '.' the decimal point, ',' in the integer part turns on
/// thousands separators, "E+0"/"E-0" (any case) scientific notation, '...' and
/// "..." literal text. A negative value uses the second section without a minus
/// sign, or the first with one. A value that rounds to zero under its section
/// uses the third section, or else the first, and never shows a minus sign. An
/// empty picture (or chosen section) gives the general format (FloatToStr).
std::string FormatFloat(std::string_view picture, double value);
std::string FormatFloat(std::string_view picture, double value, const TFormatSettings& settings);
std::string FormatFloat(std::string_view picture, Extended value);
std::string FormatFloat(std::string_view picture, Extended value, const TFormatSettings& settings);
std::string FormatCurr(std::string_view picture, Currency value);
std::string FormatCurr(std::string_view picture, Currency value, const TFormatSettings& settings);

// Integers given to the float formatters convert to double.
template <std::integral T>
requires(!std::same_as<T, bool>) std::string FloatToStr(T value) {
  return FloatToStr(static_cast<double>(value));
}
template <std::integral T>
requires(!std::same_as<T, bool>) std::string
    FloatToStrF(T value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(static_cast<double>(value), format, precision, digits);
}
template <std::integral T>
requires(!std::same_as<T, bool>) std::string FormatFloat(std::string_view picture, T value) {
  return FormatFloat(picture, static_cast<double>(value));
}

// --- text to numbers --------------------------------------------------------------------

/// Leading blanks (space, tab), an optional sign, then decimal digits or
/// hexadecimal after "$" or "0x". Nothing may follow, not even a blank. Decimal
/// values must fit the type; hexadecimal of up to 8 (16) digits wraps, so
/// "$FFFFFFFF" is -1. Failure raises EConvertError "'...' is not a valid integer value".
Integer StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, Integer& value);
Integer StrToIntDef(std::string_view s, Integer def);
Int64 StrToInt64(std::string_view s);
bool TryStrToInt64(std::string_view s, Int64& value);
Int64 StrToInt64Def(std::string_view s, Int64 def);
// Integers use no separator; these overloads only keep call sites uniform.
inline Integer StrToInt(std::string_view s, const TFormatSettings&) {
  return StrToInt(s);
}
inline bool TryStrToInt(std::string_view s, Integer& value, const TFormatSettings&) {
  return TryStrToInt(s, value);
}
inline Integer StrToIntDef(std::string_view s, Integer def, const TFormatSettings&) {
  return StrToIntDef(s, def);
}
inline Int64 StrToInt64(std::string_view s, const TFormatSettings&) {
  return StrToInt64(s);
}
inline bool TryStrToInt64(std::string_view s, Int64& value, const TFormatSettings&) {
  return TryStrToInt64(s, value);
}
inline Int64 StrToInt64Def(std::string_view s, Int64 def, const TFormatSettings&) {
  return StrToInt64Def(s, def);
}

/// Blanks (space, tab) around an optional sign, digits, an optional fraction after
/// the decimal separator of the settings, and an optional exponent. No digit
/// grouping, no INF or NAN; a value beyond the type's range fails, one below its
/// smallest magnitude reads as zero. Failure raises EConvertError
/// "'...' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view s, Single& value);
bool TryStrToFloat(std::string_view s, Single& value, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view s, Extended& value);
bool TryStrToFloat(std::string_view s, Extended& value, const TFormatSettings& settings);
double StrToFloatDef(std::string_view s, double def);
double StrToFloatDef(std::string_view s, double def, const TFormatSettings& settings);
Extended StrToExtended(std::string_view s);
Extended StrToExtended(std::string_view s, const TFormatSettings& settings);
Extended StrToExtendedDef(std::string_view s, Extended def);
Extended StrToExtendedDef(std::string_view s, Extended def, const TFormatSettings& settings);
