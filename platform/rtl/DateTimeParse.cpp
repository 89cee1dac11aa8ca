#include "platform/rtl/DateTime.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <string>

namespace {

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Scanner {
  std::string_view s;
  std::size_t i = 0;

  void blanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
      ++i;
  }
  bool end() const { return i >= s.size(); }
  bool number(int maxDigits, int& value, int* digits = nullptr) {
    const std::size_t start = i;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && static_cast<int>(i - start) < maxDigits) {
      value = value * 10 + (s[i] - '0');
      ++i;
    }
    if (digits) *digits = static_cast<int>(i - start);
    return i > start;
  }
  bool accept(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
};

Word currentYear() {
  Word y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

int expandYear(int year, int digits, const TFormatSettings& fs) {
  if (digits > 2) return year;
  const int now = currentYear();
  const int window = fs.TwoDigitYearCenturyWindow;
  int pivot = now - (window > 0 ? window : 50);
  int century = pivot - pivot % 100;
  int y = century + year;
  if (y < pivot) y += 100;
  return y;
}

// "hh:nn[:ss[.zzz]]" with an optional AM/PM.
bool parseTime(Scanner& sc, const TFormatSettings& fs, TDateTime& time) {
  int h = 0, n = 0, s = 0, z = 0;
  if (!sc.number(2, h)) return false;
  const auto separator = [&] { return sc.accept(fs.TimeSeparator) || sc.accept(':'); };
  if (!separator() || !sc.number(2, n)) return false;
  if (separator()) {
    if (!sc.number(2, s)) return false;
    if (sc.accept('.') || sc.accept(fs.DecimalSeparator)) {
      int digits = 0;
      if (!sc.number(3, z, &digits)) return false;
      for (; digits < 3; ++digits)
        z *= 10;
    }
  }
  sc.blanks();
  const std::string rest = UpperCase(sc.s.substr(sc.i));
  const std::string am = UpperCase(fs.TimeAMString), pm = UpperCase(fs.TimePMString);
  auto take = [&](const std::string& word) {
    if (!word.empty() && rest.compare(0, word.size(), word) == 0) {
      sc.i += word.size();
      return true;
    }
    return false;
  };
  if (take(am) || take("AM")) {
    if (h < 1 || h > 12) return false;
    if (h == 12) h = 0;
  } else if (take(pm) || take("PM")) {
    if (h < 1 || h > 12) return false;
    if (h != 12) h += 12;
  }
  TDateTime t;
  if (!TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s),
                     static_cast<Word>(z), t))
    return false;
  time = t;
  return true;
}

bool encode(int y, int m, int d, TDateTime& date) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool parseIsoDate(Scanner& sc, TDateTime& date) {
  int y, m, d, digits;
  if (!sc.number(4, y, &digits) || digits != 4 || !sc.accept('-')) return false;
  if (!sc.number(2, m) || !sc.accept('-') || !sc.number(2, d)) return false;
  return encode(y, m, d, date);
}

// The order of day, month and year in the short date format, e.g. "dmy".
std::string dateOrder(const std::string& format) {
  std::string order;
  char quote = 0;
  for (const char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    const char lc = lower(c);
    if ((lc == 'd' || lc == 'm' || lc == 'y') && order.find(lc) == std::string::npos)
      order.push_back(lc);
  }
  return order.size() == 3 ? order : "ymd";
}

bool parseFormatDate(Scanner& sc, const TFormatSettings& fs, TDateTime& date) {
  const std::string order = dateOrder(fs.ShortDateFormat);
  int values[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  char separator = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      const char c = sc.end() ? 0 : sc.s[sc.i];
      const bool ok = c != 0 && (c == fs.DateSeparator || c == '-' || c == '/' || c == '.');
      if (!ok || (separator && c != separator)) return false;
      separator = c;
      ++sc.i;
    }
    if (!sc.number(order[static_cast<std::size_t>(k)] == 'y' ? 4 : 2, values[k], &digits[k]))
      return false;
  }
  int y = 0, m = 0, d = 0;
  for (int k = 0; k < 3; ++k) {
    switch (order[static_cast<std::size_t>(k)]) {
    case 'y':
      y = expandYear(values[k], digits[k], fs);
      break;
    case 'm':
      m = values[k];
      break;
    default:
      d = values[k];
      break;
    }
  }
  return encode(y, m, d, date);
}

// A date (ISO first, then the short date format), then a time when `allowTime`.
bool parseDateTime(std::string_view text, const TFormatSettings& fs, bool allowTime,
                   TDateTime& value) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    Scanner sc{text};
    sc.blanks();
    TDateTime date = 0;
    const bool ok = attempt == 0 ? parseIsoDate(sc, date) : parseFormatDate(sc, fs, date);
    if (!ok) continue;
    TDateTime time = 0;
    if (allowTime && !sc.end()) {
      const std::size_t before = sc.i;
      if (!sc.accept('T')) sc.blanks();
      if (sc.i == before) continue;
      if (!sc.end() && !parseTime(sc, fs, time)) continue;
    }
    sc.blanks();
    if (!sc.end()) continue;
    value = ComposeDateTime(date, time);
    return true;
  }
  return false;
}

} // namespace

bool TryStrToDateTime(std::string_view text, TDateTime& value) {
  return TryStrToDateTime(text, value, FormatSettings());
}
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  if (parseDateTime(text, settings, true, value)) return true;
  // A time alone is a time on day 0.
  return TryStrToTime(text, value, settings);
}
TDateTime StrToDateTime(std::string_view text) {
  return StrToDateTime(text, FormatSettings());
}
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDateTime(text, v, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  return v;
}

bool TryStrToDate(std::string_view text, TDateTime& value) {
  return TryStrToDate(text, value, FormatSettings());
}
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return parseDateTime(text, settings, false, value);
}
TDateTime StrToDate(std::string_view text) {
  return StrToDate(text, FormatSettings());
}
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDate(text, v, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
  return v;
}

bool TryStrToTime(std::string_view text, TDateTime& value) {
  return TryStrToTime(text, value, FormatSettings());
}
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner sc{text};
  sc.blanks();
  TDateTime t;
  if (!parseTime(sc, settings, t)) return false;
  sc.blanks();
  if (!sc.end()) return false;
  value = t;
  return true;
}
TDateTime StrToTime(std::string_view text) {
  return StrToTime(text, FormatSettings());
}
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToTime(text, v, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
  return v;
}
