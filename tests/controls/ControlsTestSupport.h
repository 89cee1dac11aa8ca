// Shared helpers of the controls' tests: a form hosting one control, pixel
// probes of a window's back buffer and of bitmaps, an event spy.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Gdi.h"

inline void Pump() {
  for (int i = 0; i < 3; ++i)
    Application()->ProcessMessages();
}

/// A pixel of a window's back buffer.
inline COLORREF WindowPixel(TWinControl* c, int x, int y) {
  HWND h = c->Handle();
  HDC dc = GetDC(h);
  COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(h, dc);
  return color;
}

/// A form that owns what is put on it (freed with the host).
struct THostForm {
  explicit THostForm(int w = 300, int h = 200, TColor color = clWhite) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, w, h);
    form->SetColor(color);
  }
  ~THostForm() { delete form; }
  THostForm(const THostForm&) = delete;
  THostForm& operator=(const THostForm&) = delete;
  template <class T> T* Add(int left, int top, int width, int height) {
    T* c = new T(form);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    return c;
  }
  void Show() {
    form->Show();
    Pump();
  }
  TForm* form;
};

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
