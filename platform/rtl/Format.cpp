#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatDecimal.h"
#include "platform/rtl/Runtime.h"
#include "platform/rtl/Strings.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

using namespace rtl_detail;

namespace {

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

// Qt takes the user's locale (LC_ALL) when the application object is made;
// LC_NUMERIC goes back to "C" right after, as a backup for any C library
// number conversion that slips in. This file is linked into every program
// that formats numbers, so the hook is always registered.
void restoreNumericLocaleAfterQtStarts() {
  rtl_restore_numeric_locale();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(restoreNumericLocaleAfterQtStarts)

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
