#include "app/Readouts.h"

#include "app/MapPage.h"
#include "platform/rtl/Format.h"

namespace {

std::string Picture(std::string_view picture, Extended value) {
  FormatSettings().DecimalSeparator = '.';
  return FormatFloat(picture, value);
}

std::string Pair(std::string_view format, Extended a, Extended b) {
  FormatSettings().DecimalSeparator = '.';
  return Format(format, {a, b});
}

} // namespace

std::string FormatPixelReadout(Extended value) {
  return Picture("######0.###", value);
}
std::string FormatDegreesReadout(Extended value) {
  return Picture("######0.#####", value);
}
std::string FormatClientReadout(Extended value) {
  return Picture("######0.##", value);
}
std::string FormatStatusPixels(Extended x, Extended y) {
  return Pair("%.2f | %.2f", x, y);
}
std::string FormatStatusDegrees(Extended lat, Extended lon) {
  return Pair("%.5f | %.5f", lat, lon);
}
std::string FormatClipboardPair(Extended a, Extended b) {
  return GeneralNumber(a) + ";" + GeneralNumber(b);
}
