// Locale-independent float text of the kernel.
#pragma once

#include <string>

#include "platform/rtl/Format.h"

/// The text as a double with '.' or ',' as decimal separator: the separator that
/// last worked is tried first, then the other ('.' after anything but '.', else
/// ','). The separator in force when the conversion ends is remembered. Raises
/// EConvertError when neither parses. The process-wide decimal separator is
/// never touched.
double GisStrToFloat(const std::string& text);

/// The runtime's general float text (15 significant digits, no thousands
/// separators) with '.' as decimal separator whatever the settings.
std::string GisFloatToStr(double value);
/// As GisFloatToStr, with as many more digits (up to 18) as the value needs
/// to read back exactly: the shortest such form of 15 to 18 digits.
std::string GisFloatToStrExact(double value);

/// Format settings with '.' as decimal separator and ',' for thousands, for
/// numbers written into files whatever the process's settings.
const TFormatSettings& GisDotFormatSettings();

/// The separator GisStrToFloat tries first.
char GisRememberedDecimalSeparator();

// Start-up: remembers the process-wide decimal separator (GisKernelInit).
void GisNumbersInit();
