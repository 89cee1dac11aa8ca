#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

TEST(DateTime, EncodeAndDecodeDates) {
  struct Row {
    Word y, m, d;
    TDateTime serial;
  };
  const std::vector<Row> rows = {
      {1899, 12, 30, 0},    {1900, 1, 1, 2},         {1900, 3, 1, 61},    {1800, 1, 1, -36522},
      {2024, 2, 29, 45351}, {2000, 3, 1, 36586},     {1970, 1, 1, 25569}, {1905, 3, 14, 1900},
      {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EncodeDate(row.y, row.m, row.d), row.serial) << row.y << "-" << row.m << "-" << row.d;
    Word y, m, d;
    DecodeDate(row.serial, y, m, d);
    EXPECT_EQ(y, row.y);
    EXPECT_EQ(m, row.m);
    EXPECT_EQ(d, row.d);
    DecodeDate(row.serial + (row.serial < 0 ? -0.75 : 0.75), y, m, d);
    EXPECT_EQ(d, row.d) << "the time part never changes the day";
  }
  struct Bad {
    Word y, m, d;
  };
  for (const Bad& b : std::vector<Bad>{{2023, 2, 29},
                                       {1900, 2, 29},
                                       {2024, 13, 1},
                                       {2024, 0, 1},
                                       {0, 1, 1},
                                       {10000, 1, 1},
                                       {2024, 4, 31},
                                       {2024, 1, 0}}) {
    TDateTime v = -1;
    EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, v));
    EXPECT_EQ(v, -1);
    try {
      EncodeDate(b.y, b.m, b.d);
      ADD_FAILURE();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInAMonth(2024, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDate(2023, 4, 10)), 30);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5); // Thursday
  EXPECT_EQ(DayOfWeek(0), 7);                       // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(-1), 6);
}

TEST(DateTime, TimesAndNegativeValues) {
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  Word h, n, s, z;
  DecodeTime(EncodeTime(23, 59, 58, 999), h, n, s, z);
  EXPECT_EQ((std::vector<int>{h, n, s, z}), (std::vector<int>{23, 59, 58, 999}));
  // Negative values: the date is the integer part, the time the absolute fraction.
  const TDateTime v = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(v, -1.25);
  Word y, m, d;
  DecodeDate(v, y, m, d);
  DecodeTime(v, h, n, s, z);
  EXPECT_EQ((std::vector<int>{y, m, d, h, n}), (std::vector<int>{1899, 12, 29, 6, 0}));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -0.5), "1899-12-30 12:00");
  // Half a millisecond before midnight belongs to the next day.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", 45351.0 - 0.4 / MSecsPerDay),
            "2024-02-29 00:00:00.000");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", 45351.0 - 0.6 / MSecsPerDay),
            "2024-02-28 23:59:59.999");
  // Values beyond the calendar decode as zeros and do not format.
  for (const TDateTime bad : {std::nan(""), HUGE_VAL, 1e9, 2958466.0, -693594.0}) {
    DecodeDate(bad, y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{0, 0, 0})) << bad;
    EXPECT_THROW(FormatDateTime("yyyymmdd", bad), EConvertError) << bad;
  }
  try {
    FormatDateTime("yyyymmdd", 1e9);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1000000000' is not a valid timestamp");
  }
}

TEST(DateTime, FormatDateTimeTokens) {
  const TDateTime t = EncodeDate(2024, 2, 9) + EncodeTime(14, 5, 7, 42);
  struct Row {
    const char* format;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"yyyymmdd", "20240209"},
      {"yyyy-mm-dd hh:nn:ss", "2024-02-09 14:05:07"},
      {"yy/m/d", "24-2-9"},
      {"dd.mm.yyyy", "09.02.2024"},
      {"h:n:s.zzz", "14:5:7.042"},
      {"hh:mm", "14:05"},
      {"hh mm", "14 05"},
      {"mmm mmmm", "Feb February"},
      {"ddd dddd", "Fri Friday"},
      {"ddddd", "2024-02-09"},
      {"hh:nn am/pm", "02:05 pm"},
      {"h:nn AM/PM", "2:05 PM"},
      {"h a/p", "2 p"},
      {"hh ampm", "02 PM"},
      {"t|tt", "14:05|14:05:07"},
      {"c", "2024-02-09 14:05:07"},
      {"'yyyy' \"mm\" yyyy", "yyyy mm 2024"},
      {"YYYY-MM-DD", "2024-02-09"},
      {"z", "42"},
      {"x", "x"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatDateTime(row.format, t), row.expected) << row.format;
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 2, 9)), "2024-02-09");
  EXPECT_EQ(FormatDateTime("hh am/pm", EncodeTime(0, 30, 0, 0)), "12 am");
  EXPECT_EQ(FormatDateTime("hh am/pm", EncodeTime(12, 30, 0, 0)), "12 pm");
  TFormatSettings fs;
  fs.DateSeparator = '.';
  fs.TimeSeparator = '_';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", t, fs), "09.02.2024 14_05");
  EXPECT_EQ(DateToStr(t), "2024-02-09");
  EXPECT_EQ(TimeToStr(t), "14:05:07");
  EXPECT_EQ(DateTimeToStr(t), "2024-02-09 14:05:07");
}

TEST(DateTime, TextToDate) {
  rtl_reset_for_tests();
  SetNowSourceForTests([] { return EncodeDate(2026, 6, 1); });
  struct Row {
    const char* text;
    const char* shortFormat;
    char separator;
    bool ok;
    const char* expected; // as yyyy-mm-dd hh:nn:ss.zzz
  };
  const std::vector<Row> rows = {
      {"1800-01-01", "yyyy-mm-dd", '-', true, "1800-01-01 00:00:00.000"},
      {"2024-02-29 13:45", "dd/mm/yyyy", '.', true, "2024-02-29 13:45:00.000"},
      {"2024-02-29T13:45:30", "yyyy-mm-dd", '-', true, "2024-02-29 13:45:30.000"},
      {" 2024-02-29 13:45:30.5 ", "yyyy-mm-dd", '-', true, "2024-02-29 13:45:30.500"},
      {"29.02.2024", "dd/mm/yyyy", '.', true, "2024-02-29 00:00:00.000"},
      {"2/29/2024 1:05 PM", "m/d/yyyy", '/', true, "2024-02-29 13:05:00.000"},
      {"12/31/99", "m/d/yy", '/', true, "1999-12-31 00:00:00.000"},
      {"1/1/30", "m/d/yy", '/', true, "2030-01-01 00:00:00.000"},
      {"1/1/76", "m/d/yy", '/', true, "1976-01-01 00:00:00.000"}, // 50 years before 2026
      {"1/1/75", "m/d/yy", '/', true, "2075-01-01 00:00:00.000"},
      {"2023-02-29", "yyyy-mm-dd", '-', false, ""},
      {"29.02.2023", "dd/mm/yyyy", '.', false, ""},
      {"2024-02-29 25:00", "yyyy-mm-dd", '-', false, ""},
      {"2024-02-29x", "yyyy-mm-dd", '-', false, ""},
      {"29.02/2024", "dd/mm/yyyy", '.', false, ""},
      {"", "yyyy-mm-dd", '-', false, ""},
      {"today", "yyyy-mm-dd", '-', false, ""},
  };
  for (const Row& row : rows) {
    TFormatSettings fs;
    fs.ShortDateFormat = row.shortFormat;
    fs.DateSeparator = row.separator;
    TDateTime v = 0;
    EXPECT_EQ(TryStrToDateTime(row.text, v, fs), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), row.expected) << row.text;
    }
  }
  TDateTime v = 0;
  EXPECT_TRUE(TryStrToDateTime("06:30", v));
  EXPECT_EQ(v, 0.2708333333333333);
  EXPECT_FALSE(TryStrToDate("2024-02-29 13:45", v)) << "a date alone";
  EXPECT_EQ(StrToDate("1800-01-01"), -36522);
  EXPECT_EQ(StrToTime("12:00"), 0.5);
  try {
    StrToDate("31.31.2020");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31.31.2020' is not a valid date");
  }
  EXPECT_THROW(StrToDateTime("x"), EConvertError);
  EXPECT_THROW(StrToTime("12"), EConvertError);
  rtl_reset_for_tests();
}

namespace {

// Runs with TZ set for the test's duration.
class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

private:
  bool had_ = false;
  std::string saved_;
};

} // namespace

TEST(DateTime, UnixTimesAreLocal) {
  {
    ScopedTimeZone utc("UTC0");
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_EQ(UnixToDateTime(86400 + 43200, 500000000), 25570.5 + 0.5 / SecsPerDay);
    EXPECT_EQ(DateTimeToUnix(25570.5), 86400 + 43200);
    EXPECT_EQ(UnixToDateTime(-86400), 25568.0);
  }
  {
    ScopedTimeZone plusTwo("XST-2");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", UnixToDateTime(0)), "1970-01-01 02:00");
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
  }
}

TEST(DateTime, NowIsInjectableAndInMilliseconds) {
  SetNowSourceForTests([] { return 45351.5; });
  EXPECT_EQ(Now(), 45351.5);
  EXPECT_EQ(Date(), 45351.0);
  EXPECT_EQ(Time(), 0.5);
  rtl_reset_for_tests();
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  const double ms = now * MSecsPerDay;
  EXPECT_NEAR(ms, std::nearbyint(ms), 1e-3) << "whole milliseconds";
}
