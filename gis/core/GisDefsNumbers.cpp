#include "gis/core/GisDefsNumbers.h"

#include "platform/rtl/Format.h"

namespace {

char gRememberedSeparator = '.';

// Settings used only for their decimal separator.
TFormatSettings& ParseSettings(char separator) {
  thread_local TFormatSettings settings;
  settings.DecimalSeparator = separator;
  return settings;
}

} // namespace

void GisNumbersInit() {
  gRememberedSeparator = FormatSettings().DecimalSeparator;
}

const TFormatSettings& GisDotFormatSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    return s;
  }();
  return settings;
}

char GisRememberedDecimalSeparator() {
  return gRememberedSeparator;
}

double GisStrToFloat(const std::string& text) {
  const char first = gRememberedSeparator;
  double value = 0;
  if (TryStrToFloat(text, value, ParseSettings(first))) return value;
  const char second = first == '.' ? ',' : '.';
  gRememberedSeparator = second;
  return StrToFloat(text, ParseSettings(second));
}

std::string GisFloatToStr(double value) {
  return FloatToStr(value, ParseSettings('.'));
}

std::string GisFloatToStrExact(double value) {
  const TFormatSettings& dot = ParseSettings('.');
  std::string text = FloatToStr(value, dot);
  for (int precision = 16; precision <= 18; ++precision) {
    double back = 0;
    if (!TryStrToFloat(text, back, dot) || back == value) break;
    text = FloatToStrF(value, ffGeneral, precision, 0, dot);
  }
  return text;
}
