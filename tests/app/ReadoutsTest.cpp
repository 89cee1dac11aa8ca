// The read-outs' picture formats, the status bar and the clipboard texts.
#include "app/Readouts.h"

#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

namespace {

struct TFormatCase {
  const char* Name;
  std::string (*FormatValue)(Extended);
  Extended Value;
  const char* Expected;
};

const TFormatCase kFormatCases[] = {
    {"pixel", FormatPixelReadout, 8829.155555L, "8829.156"},
    {"pixel, whole", FormatPixelReadout, 8430, "8430"},
    {"pixel, tie away from zero", FormatPixelReadout, 0.0625L, "0.063"},
    {"pixel, negative tie", FormatPixelReadout, -0.0625L, "-0.063"},
    {"degrees, whole", FormatDegreesReadout, 46, "46"},
    {"degrees", FormatDegreesReadout, 50.488262L, "50.48826"},
    {"degrees, below one", FormatDegreesReadout, 0.5L, "0.5"},
    {"client", FormatClientReadout, 398, "398"},
    {"client, half", FormatClientReadout, 306.5L, "306.5"},
    {"no grouping", FormatPixelReadout, 1234567.5L, "1234567.5"},
};

TEST(Readouts, PictureFormats) {
  FormatSettings().DecimalSeparator = ',';
  for (const TFormatCase& c : kFormatCases)
    EXPECT_EQ(c.FormatValue(c.Value), c.Expected) << c.Name;
}

TEST(Readouts, StatusBarAndClipboard) {
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FormatStatusPixels(8829.1556L, 5828.8009L), "8829.16 | 5828.80");
  EXPECT_EQ(FormatStatusDegrees(46, 14.123456L), "46.00000 | 14.12346");
  EXPECT_EQ(FormatClipboardPair(46.25L, 14), "46.25;14");
  EXPECT_EQ(FormatClipboardPair(8829.155555555555L, -3), "8829.15555555556;-3");
}

} // namespace
