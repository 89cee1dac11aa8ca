// Shared helpers of the controls' tests: pixel probes of a window's back
// buffer and of bitmaps, an event spy (the host form is the window layer's).
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Gdi.h"
#include "tests/platform/forms/FormsTestSupport.h"

/// A pixel of a window's back buffer.
inline COLORREF WindowPixel(TWinControl* c, int x, int y) {
  HWND h = c->Handle();
  HDC dc = GetDC(h);
  COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(h, dc);
  return color;
}

/// Records the names of events in order.
struct TSpy {
  std::vector<std::string> Log;
  TNotifyEvent Note(const std::string& name) {
    return [this, name](TPersistent*) { Log.push_back(name); };
  }
};

/// A 24-bit bitmap filled with one colour.
inline std::unique_ptr<TBitmap> FilledBitmap(int w, int h, TColor color) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  b->Canvas()->Brush()->SetColor(color);
  b->Canvas()->FillRect(TRect(0, 0, w, h));
  return b;
}
