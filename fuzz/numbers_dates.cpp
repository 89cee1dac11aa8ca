// Number and date parsing of the runtime: every text either converts or is
// refused, with the default settings and with comma decimals, dotted dates,
// day-first orders and long month names. A number that converts writes and
// reads back.

#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace {

TFormatSettings Continental() {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  fs.DateSeparator = '.';
  fs.ShortDateFormat = "dd.mm.yy";
  fs.LongDateFormat = "d. mmmm yyyy";
  fs.ShortTimeFormat = "h:nn AMPM";
  fs.TwoDigitYearCenturyWindow = 0;
  return fs;
}

void Parse(const std::string& text, const TFormatSettings& fs) {
  Integer i = 0;
  if (TryStrToInt(text, i)) skfuzz::Check(StrToInt(IntToStr(i)) == i, "an integer reads back");
  Int64 i64 = 0;
  if (TryStrToInt64(text, i64))
    skfuzz::Check(StrToInt64(IntToStr(i64)) == i64, "a 64-bit integer reads back");
  double d = 0;
  TryStrToFloat(text, d, fs);
  if (TryStrToFloat(text, d) && std::isfinite(d)) (void)StrToFloat(FloatToStr(d));
  Single s = 0;
  TryStrToFloat(text, s, fs);
  Extended e = 0;
  TryStrToFloat(text, e, fs);
  Currency c;
  TryStrToCurr(text, c, fs);
  TDateTime t = 0;
  if (TryStrToDateTime(text, t, fs) && std::isfinite(t)) (void)DateTimeToStr(t, fs);
  TryStrToDate(text, t, fs);
  TryStrToTime(text, t, fs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0; // numbers and dates are short; long texts only repeat
  const std::string text = skfuzz::Text(data, size);
  try {
    Parse(text, FormatSettings());
    Parse(text, Continental());
    (void)StrToIntDef(text, 7);
    (void)StrToFloatDef(text, 7);
  } catch (const Exception&) {
  }
  return 0;
}
