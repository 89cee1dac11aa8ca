// The texts of the position read-outs, the status bar and the clipboard.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

/// Global pixels in the tool window's read-outs: "######0.###".
std::string FormatPixelReadout(Extended value);
/// Degrees in the tool window's read-outs: "######0.#####".
std::string FormatDegreesReadout(Extended value);
/// Viewer client sizes in the read-outs: "######0.##".
std::string FormatClientReadout(Extended value);
/// The status bar's pixel pair: "8829.16 | 5828.80".
std::string FormatStatusPixels(Extended x, Extended y);
/// The status bar's degree pair: "46.00000 | 14.00000".
std::string FormatStatusDegrees(Extended lat, Extended lon);
/// The clipboard's pair "a;b" in the general number format.
std::string FormatClipboardPair(Extended a, Extended b);
