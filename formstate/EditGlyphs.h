// The artwork of the edit buttons, drawn once per process on first request
// and kept in a module-wide cache (handed out without ownership):
//   "FEDITBMP" 14 x 12, one cell: an open folder with a bent arrow;
//   "CEDITBMP" 28 x 12, two cells: a calculator, normal and disabled.
// Also the drop-down arrow (the system's combo bitmap) and the ellipsis.
#pragma once

#include <memory>
#include <string>

#include "platform/graphics/Bitmap.h"

/// "FEDITBMP" or "CEDITBMP"; null for another name.
TBitmap* StandardEditGlyph(const std::string& name);
/// Frees the cached glyphs (module end, tests).
void ReleaseEditGlyphs();
/// The system's combo arrow (OBM_COMBO): a 7 x 4 black triangle on its own
/// background, 11 x 6 in all.
std::unique_ptr<TBitmap> ComboArrowGlyph();
/// Three 2 x 2 dots in a monochrome bitmap max(1, buttonWidth - 6) x 4.
std::unique_ptr<TBitmap> MakeEllipsisGlyph(int buttonWidth);
