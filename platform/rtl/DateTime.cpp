#include "platform/rtl/DateTime.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ResetHooks.h"
#include "platform/rtl/Strings.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

namespace {

constexpr Word kDaysBefore[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                     {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

std::function<TDateTime()>& nowSource() {
  static std::function<TDateTime()> source;
  return source;
}

const TResetHookRegistrar resetNow("DateTime.Now", [] { nowSource() = nullptr; });

// Days since 0001-01-01 (that day is 0).
Int64 dayNumber(Word year, Word month, Word day) {
  const Int64 y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + kDaysBefore[IsLeapYear(year)][month - 1] + day - 1;
}

// Splits |value| into whole days and milliseconds, rounding to the millisecond.
struct Stamp {
  Int64 days;  // signed date part
  Int64 msecs; // time of day
};

bool toStamp(TDateTime value, Stamp& stamp) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return false;
  const auto total = static_cast<Int64>(std::nearbyint(std::fabs(value) * MSecsPerDay));
  const Int64 days = total / MSecsPerDay;
  stamp.days = value < 0 ? -days : days;
  stamp.msecs = total % MSecsPerDay;
  return true;
}

bool civilFromDays(Int64 serial, Word& year, Word& month, Word& day) {
  Int64 n = serial + DateDelta - 1; // days since 0001-01-01
  if (n < 0 || n > dayNumber(9999, 12, 31)) return false;
  Int64 y = 1;
  y += 400 * (n / 146097);
  n %= 146097;
  Int64 c = n / 36524;
  if (c == 4) c = 3;
  y += 100 * c;
  n -= c * 36524;
  y += 4 * (n / 1461);
  n %= 1461;
  Int64 k = n / 365;
  if (k == 4) k = 3;
  y += k;
  n -= k * 365;
  year = static_cast<Word>(y);
  const auto& table = kDaysBefore[IsLeapYear(year)];
  Word m = 1;
  while (m < 12 && n >= table[m])
    ++m;
  month = m;
  day = static_cast<Word>(n - table[m - 1] + 1);
  return true;
}

TDateTime systemNow() {
  using namespace std::chrono;
  const auto since = system_clock::now().time_since_epoch();
  const Int64 ms = duration_cast<milliseconds>(since).count();
  const Int64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  return UnixToDateTime(seconds, static_cast<Integer>((ms - seconds * 1000) * 1000000));
}

std::string pad(Int64 value, int width) {
  std::string digits = IntToStr(value);
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return digits;
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, std::size_t i, std::string_view word) {
  if (s.size() - i < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (lower(s[i + k]) != word[k]) return false;
  return true;
}

bool usesTwelveHours(std::string_view fmt) {
  char quote = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (startsWithNoCase(fmt, i, "am/pm") || startsWithNoCase(fmt, i, "a/p") ||
               startsWithNoCase(fmt, i, "ampm")) {
      return true;
    }
  }
  return false;
}

struct Parts {
  Word year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0, dow = 1;
  bool timeIsZero = true;
};

Parts decompose(TDateTime value) {
  Parts p;
  DecodeDate(value, p.year, p.month, p.day);
  DecodeTime(value, p.hour, p.min, p.sec, p.msec);
  p.dow = DayOfWeek(value);
  Stamp stamp{};
  p.timeIsZero = !toStamp(value, stamp) || stamp.msecs == 0;
  return p;
}

void formatInto(std::string& out, std::string_view fmt, const Parts& p, const TFormatSettings& fs,
                int depth) {
  if (depth > 2) return; // a named format that names itself
  const bool twelve = usesTwelveHours(fmt);
  bool afterHour = false;
  std::size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i];
    const char lc = lower(c);
    auto run = [&] {
      std::size_t n = 1;
      while (i + n < fmt.size() && lower(fmt[i + n]) == lc)
        ++n;
      return n;
    };
    if (c == '\'' || c == '"') {
      const std::size_t end = fmt.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? fmt.size() : end;
      out.append(fmt.substr(i + 1, stop - i - 1));
      i = stop == fmt.size() ? stop : stop + 1;
      continue;
    }
    if (startsWithNoCase(fmt, i, "am/pm")) {
      out += p.hour < 12 ? std::string(fmt.substr(i, 2)) : std::string(fmt.substr(i + 3, 2));
      i += 5;
      continue;
    }
    if (startsWithNoCase(fmt, i, "a/p")) {
      out.push_back(p.hour < 12 ? fmt[i] : fmt[i + 2]);
      i += 3;
      continue;
    }
    if (startsWithNoCase(fmt, i, "ampm")) {
      out += p.hour < 12 ? fs.TimeAMString : fs.TimePMString;
      i += 4;
      continue;
    }
    bool hourToken = false;
    switch (lc) {
    case 'y': {
      const std::size_t n = run();
      out += n <= 2 ? pad(p.year % 100, 2) : pad(p.year, 4);
      i += n;
      break;
    }
    case 'm': {
      const std::size_t n = run();
      if (afterHour && n <= 2)
        out += pad(p.min, n == 2 ? 2 : 1);
      else if (n == 1)
        out += IntToStr(p.month);
      else if (n == 2)
        out += pad(p.month, 2);
      else if (p.month >= 1)
        out += n == 3 ? fs.ShortMonthNames[p.month - 1] : fs.LongMonthNames[p.month - 1];
      i += n;
      break;
    }
    case 'd': {
      const std::size_t n = run();
      if (n == 1)
        out += IntToStr(p.day);
      else if (n == 2)
        out += pad(p.day, 2);
      else if (n == 3)
        out += fs.ShortDayNames[p.dow - 1];
      else if (n == 4)
        out += fs.LongDayNames[p.dow - 1];
      else if (n == 5)
        formatInto(out, fs.ShortDateFormat, p, fs, depth + 1);
      else
        formatInto(out, fs.LongDateFormat, p, fs, depth + 1);
      i += n;
      break;
    }
    case 'h': {
      const std::size_t n = std::min<std::size_t>(run(), 2);
      Word h = p.hour;
      if (twelve) {
        h = h % 12;
        if (h == 0) h = 12;
      }
      out += n == 2 ? pad(h, 2) : IntToStr(h);
      i += n;
      hourToken = true;
      break;
    }
    case 'n': {
      const std::size_t n = std::min<std::size_t>(run(), 2);
      out += n == 2 ? pad(p.min, 2) : IntToStr(p.min);
      i += n;
      break;
    }
    case 's': {
      const std::size_t n = std::min<std::size_t>(run(), 2);
      out += n == 2 ? pad(p.sec, 2) : IntToStr(p.sec);
      i += n;
      break;
    }
    case 'z': {
      const std::size_t n = run();
      out += n >= 3 ? pad(p.msec, 3) : IntToStr(p.msec);
      i += std::min<std::size_t>(n, 3);
      break;
    }
    case 't': {
      const std::size_t n = std::min<std::size_t>(run(), 2);
      formatInto(out, n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, fs, depth + 1);
      i += n;
      break;
    }
    case 'c':
      formatInto(out, fs.ShortDateFormat, p, fs, depth + 1);
      if (!p.timeIsZero) {
        out.push_back(' ');
        formatInto(out, fs.LongTimeFormat, p, fs, depth + 1);
      }
      ++i;
      break;
    case '/':
      out.push_back(fs.DateSeparator);
      ++i;
      break;
    case ':':
      out.push_back(fs.TimeSeparator);
      ++i;
      break;
    default:
      out.push_back(c);
      ++i;
      // An 'm' after an hour token is a minute also across a blank, '.' or '-'.
      if (afterHour && (c == ' ' || c == '.' || c == '-')) hourToken = true;
      break;
    }
    if (lc == 'h' || hourToken)
      afterHour = true;
    else if (lc != ':')
      afterHour = false;
  }
}

} // namespace

bool IsLeapYear(Word year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

Word DaysInAMonth(Word year, Word month) {
  if (month < 1 || month > 12) return 0;
  const auto& table = kDaysBefore[IsLeapYear(year)];
  return static_cast<Word>(table[month] - table[month - 1]);
}

Word DaysInMonth(Word year, Word month) {
  return DaysInAMonth(year, month);
}

Word DaysInMonth(TDateTime value) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  return DaysInAMonth(y, m);
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInAMonth(year, month))
    return false;
  value = static_cast<TDateTime>(dayNumber(year, month, day) - (DateDelta - 1));
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime v;
  if (!TryEncodeDate(year, month, day, v)) throw EConvertError("Invalid argument to date encode");
  return v;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& value) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  value = static_cast<TDateTime>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime v;
  if (!TryEncodeTime(hour, min, sec, msec, v))
    throw EConvertError("Invalid argument to time encode");
  return v;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - std::fabs(time) : date + std::fabs(time);
}

void DecodeDate(TDateTime value, Word& year, Word& month, Word& day) {
  Stamp stamp{};
  if (!toStamp(value, stamp) || !civilFromDays(stamp.days, year, month, day)) {
    year = month = day = 0;
  }
}

void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec) {
  Stamp stamp{};
  if (!toStamp(value, stamp)) stamp.msecs = 0;
  Int64 ms = stamp.msecs;
  msec = static_cast<Word>(ms % 1000);
  ms /= 1000;
  sec = static_cast<Word>(ms % 60);
  ms /= 60;
  min = static_cast<Word>(ms % 60);
  hour = static_cast<Word>(ms / 60);
}

Word DayOfWeek(TDateTime value) {
  Stamp stamp{};
  if (!toStamp(value, stamp)) return 1;
  // 1899-12-30 was a Saturday (7).
  const Int64 k = ((stamp.days + 6) % 7 + 7) % 7;
  return static_cast<Word>(k + 1);
}

TDateTime Now() {
  const auto& source = nowSource();
  return source ? source() : systemNow();
}

TDateTime Date() {
  return std::trunc(Now());
}

TDateTime Time() {
  const TDateTime now = Now();
  return std::fabs(now - std::trunc(now));
}

void SetNowSourceForTests(std::function<TDateTime()> source) {
  nowSource() = std::move(source);
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
  return FormatDateTime(format, value, FormatSettings());
}

std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& settings) {
  Stamp stamp{};
  Word y, m, d;
  if (!toStamp(value, stamp) || !civilFromDays(stamp.days, y, m, d))
    throw EConvertError("'" + FloatToStr(value) + "' is not a valid timestamp");
  std::string out;
  const Parts parts = decompose(value);
  formatInto(out, format.empty() ? std::string_view("c") : format, parts, settings, 0);
  return out;
}

std::string DateToStr(TDateTime value) {
  return DateToStr(value, FormatSettings());
}
std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime(settings.ShortDateFormat, value, settings);
}
std::string TimeToStr(TDateTime value) {
  return TimeToStr(value, FormatSettings());
}
std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("hh:nn:ss", value, settings);
}
std::string DateTimeToStr(TDateTime value) {
  return DateTimeToStr(value, FormatSettings());
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

TDateTime UnixToDateTime(Int64 seconds, Integer nanoseconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return UnixDateDelta + static_cast<TDateTime>(seconds) / SecsPerDay;
  TDateTime date;
  if (!TryEncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                     static_cast<Word>(local.tm_mday), date))
    return UnixDateDelta + static_cast<TDateTime>(seconds) / SecsPerDay;
  const double secondsOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                              static_cast<double>(nanoseconds) / 1e9;
  return ComposeDateTime(date, secondsOfDay / SecsPerDay);
}

Int64 DateTimeToUnix(TDateTime value) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  std::tm local{};
  local.tm_year = y - 1900;
  local.tm_mon = mo - 1;
  local.tm_mday = d;
  local.tm_hour = h;
  local.tm_min = mi;
  local.tm_sec = s;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  return static_cast<Int64>(t) + (ms >= 500 ? 1 : 0);
}
