// Dates and times: TDateTime is a double of days since 1899-12-30 in local
// time; the fraction is the time of day. For negative values the date is the
// integer part and the time of day is the absolute fraction (-1.25 is
// 1899-12-29 06:00).
//
// Files: DateTime.cpp (calendar, clock, FormatDateTime, Unix times),
// DateTimeParse.cpp (text to date and time).
#pragma once

#include "platform/rtl/Types.h"

#include <functional>
#include <string>
#include <string_view>

struct TFormatSettings;

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerDay = 24 * 60;
constexpr Integer SecsPerDay = 24 * 60 * 60;
constexpr Integer MSecsPerDay = 24 * 60 * 60 * 1000;
/// EncodeDate(1, 1, 1) = 1 - DateDelta (0001-01-01 lies 693593 days before 1899-12-30).
constexpr Integer DateDelta = 693594;
/// TDateTime of 1970-01-01.
constexpr Integer UnixDateDelta = 25569;

bool IsLeapYear(Word year);
/// Days in `month` of `year` (0 for a month outside 1-12).
Word DaysInAMonth(Word year, Word month);
Word DaysInMonth(Word year, Word month);
Word DaysInMonth(TDateTime value);

/// Years 1-9999 with the Gregorian leap rule. Raises EConvertError
/// "Invalid argument to date encode".
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& value);
/// Raises EConvertError "Invalid argument to time encode" outside
/// 0-23:0-59:0-59.0-999.
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& value);
/// A date plus a time of day, honouring the rule for negative dates.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

/// The value is first rounded to whole milliseconds, so 23:59:59.9996 belongs to
/// the next day. Values outside years 1-9999 decode as 0000-00-00.
void DecodeDate(TDateTime value, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec);
/// 1 = Sunday ... 7 = Saturday.
Word DayOfWeek(TDateTime value);

/// Local time now, in whole milliseconds; Date is its day, Time its time of day.
TDateTime Now();
TDateTime Date();
TDateTime Time();
/// Test hook: makes Now (and Date, Time, the two-digit-year window) return what
/// `source` gives; an empty function restores the system clock.
void SetNowSourceForTests(std::function<TDateTime()> source);

/// Formats by tokens (letter case ignored): yyyy yy, m mm mmm mmmm (minutes when
/// right after an hour token), d dd ddd dddd, ddddd (short date) dddddd (long
/// date), h hh, n nn, s ss, z zzz, t (short time) tt (long time), c (short date
/// and, when not midnight, long time), am/pm a/p ampm (12-hour clock), '/' the
/// date separator, ':' the time separator, '...' and "..." literal text. A value
/// outside years 1-9999 (or not finite) raises EConvertError
/// "'<value>' is not a valid timestamp".
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& settings);
/// ShortDateFormat.
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
/// Always "hh:nn:ss" with the time separator.
std::string TimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
/// ShortDateFormat, then LongTimeFormat unless the time is midnight.
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

/// Text to date: ISO "yyyy-mm-dd[ hh:nn[:ss[.zzz]]]" (also with 'T') first, then
/// the order of day, month and year of ShortDateFormat with the date separator
/// (or '-', '/', '.') and an optional time "hh:nn[:ss[.zzz]]" with AM/PM. A
/// two-digit year falls within TwoDigitYearCenturyWindow years before now.
bool TryStrToDateTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
/// Raises EConvertError "'%s' is not a valid date and time".
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings);
/// Date only; raises EConvertError "'%s' is not a valid date".
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(std::string_view text);
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings);
/// Time only ("hh:nn[:ss[.zzz]]", AM/PM); raises EConvertError "'%s' is not a valid time".
bool TryStrToTime(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings);

/// Seconds (and nanoseconds) since 1970-01-01 UTC to local TDateTime. Sub-second
/// parts are kept, so file times compare exactly wherever they are converted.
TDateTime UnixToDateTime(Int64 seconds, Integer nanoseconds = 0);
/// Local TDateTime to whole seconds since 1970-01-01 UTC (rounded to nearest).
Int64 DateTimeToUnix(TDateTime value);
