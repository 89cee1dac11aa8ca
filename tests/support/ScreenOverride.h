// A screen of a given size, its whole area the work area, for the life of a
// test's scope (the real screen's metrics come back afterwards).
#pragma once

#include "platform/forms/Forms.h"

namespace sktest {

struct TScreenOverride {
  TScreenOverride(int width, int height) {
    TScreenMetrics m;
    m.Width = width;
    m.Height = height;
    m.WorkArea = TRect(0, 0, width, height);
    SetScreenMetricsForTests(m);
  }
  ~TScreenOverride() { SetScreenMetricsForTests(std::nullopt); }
  TScreenOverride(const TScreenOverride&) = delete;
  TScreenOverride& operator=(const TScreenOverride&) = delete;
};

} // namespace sktest
