// The grid module's nine module-wide bitmap slots (nothing fills them in
// this program); freed in order at the module's end.
#pragma once

#include <memory>

#include "platform/graphics/Bitmap.h"

constexpr int kGridBitmapCount = 9;
std::unique_ptr<TBitmap>& GridBitmap(int index);
void GridBitmapsDone();
