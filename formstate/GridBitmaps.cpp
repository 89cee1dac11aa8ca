#include "formstate/GridBitmaps.h"

#include <array>

namespace {
std::array<std::unique_ptr<TBitmap>, kGridBitmapCount>& slots() {
  static std::array<std::unique_ptr<TBitmap>, kGridBitmapCount> bitmaps;
  return bitmaps;
}
} // namespace

std::unique_ptr<TBitmap>& GridBitmap(int index) {
  return slots().at(size_t(index));
}

void GridBitmapsDone() {
  for (auto& slot : slots())
    slot.reset();
}
