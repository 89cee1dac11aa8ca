// Invalidation, paint DCs, window DCs and scrolling of back buffers.
#include <QPainter>
#include <cstring>
#include <map>

#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

std::map<HDC, HWND>& windowDCs() {
  static std::map<HDC, HWND> m;
  return m;
}

QRect clientQRect(TWindowRecord* r) {
  if (r->control == nullptr) return QRect();
  return QRect(0, 0, r->control->ClientWidth(), r->control->ClientHeight());
}

HRGN regionToHrgn(const QRegion& region) {
  return CreateRegionFromQRegion(region);
}

QRegion hrgnToRegion(HRGN rgn) {
  return RegionToQRegion(rgn);
}

HDC newWindowDC(HWND h, TWindowRecord* r) {
  TBackBuffer* b = r->control ? BufferOf(r->control) : nullptr;
  if (b == nullptr || !b->surface) return nullptr;
  HDC dc = CreateSurfaceDC(b->surface.get());
  if (dc != nullptr) windowDCs()[dc] = h;
  return dc;
}

/// Moves the pixels of `area` whose source lies inside it by (dx, dy); the
/// buffer may hold less than the client area, so both ends are clipped to it.
void moveBufferPixels(QImage& img, const QRect& area, int dx, int dy) {
  QRect held = area.intersected(img.rect());
  QRect dest = held.translated(dx, dy).intersected(held);
  if (dest.isEmpty()) return;
  QRect src = dest.translated(-dx, -dy);
  int bpl = img.bytesPerLine();
  int rowBytes = dest.width() * 4;
  auto moveRow = [&](int y) {
    std::memmove(img.bits() + (dest.top() + y) * bpl + dest.left() * 4,
                 img.constBits() + (src.top() + y) * bpl + src.left() * 4, size_t(rowBytes));
  };
  if (dy > 0) {
    for (int y = dest.height() - 1; y >= 0; --y)
      moveRow(y);
  } else {
    for (int y = 0; y < dest.height(); ++y)
      moveRow(y);
  }
}

} // namespace

bool InvalidateRect(HWND h, const TRect* rect, bool erase) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  QRect area = rect ? ToQRect(*rect).intersected(clientQRect(r)) : clientQRect(r);
  if (area.isEmpty()) return true;
  r->invalid += area;
  if (erase) r->erasePending = true;
  RequestPaint(*r);
  return true;
}

bool InvalidateRgn(HWND h, HRGN rgn, bool erase) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  if (rgn == nullptr) return InvalidateRect(h, nullptr, erase);
  QRegion area = hrgnToRegion(rgn).intersected(clientQRect(r));
  if (area.isEmpty()) return true;
  r->invalid += area;
  if (erase) r->erasePending = true;
  RequestPaint(*r);
  return true;
}

bool ValidateRect(HWND h, const TRect* rect) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  if (rect == nullptr)
    r->invalid = QRegion();
  else
    r->invalid -= ToQRect(*rect);
  if (r->invalid.isEmpty()) r->erasePending = false;
  return true;
}

bool GetUpdateRect(HWND h, TRect* rect, bool /*erase*/) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  if (rect) *rect = r->invalid.isEmpty() ? TRect() : FromQRect(r->invalid.boundingRect());
  return !r->invalid.isEmpty();
}

bool UpdateWindow(HWND h) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  if (r->invalid.isEmpty() || r->redrawOff) return true;
  if (r->erasePending) {
    r->erasePending = false;
    HDC dc = newWindowDC(h, r);
    if (dc != nullptr) {
      HRGN clip = regionToHrgn(r->invalid);
      SelectClipRgn(dc, clip);
      DeleteObject(clip);
    }
    SendMessage(h, WM_ERASEBKGND, WPARAM(dc), 0);
    if (dc != nullptr) ReleaseDC(h, dc);
  }
  r = FindRecord(h);
  if (r == nullptr) return true;
  SendMessage(h, WM_PAINT, 0, 0);
  // A procedure that neither painted nor validated would be asked again and
  // again; the window is taken as painted.
  if ((r = FindRecord(h)) != nullptr) {
    r->invalid = QRegion();
    r->erasePending = false;
  }
  return true;
}

HDC BeginPaint(HWND h, PAINTSTRUCT* ps) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return nullptr;
  QRegion area = r->invalid;
  HDC dc = newWindowDC(h, r);
  if (dc != nullptr) {
    HRGN clip = regionToHrgn(area);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
  }
  bool erase = r->erasePending;
  if (erase) {
    r->erasePending = false;
    SendMessage(h, WM_ERASEBKGND, WPARAM(dc), 0);
    r = FindRecord(h);
  }
  if (r != nullptr) r->invalid = QRegion();
  if (ps != nullptr) {
    ps->hdc = dc;
    ps->fErase = erase;
    ps->rcPaint = area.isEmpty() ? TRect() : FromQRect(area.boundingRect());
  }
  return dc;
}

bool EndPaint(HWND h, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return false;
  if (ps->hdc != nullptr) ReleaseDC(h, ps->hdc);
  if (TWindowRecord* r = FindRecord(h); r && r->control)
    ShowBufferArea(r->control, ToQRect(ps->rcPaint));
  return true;
}

HDC GetDC(HWND h) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return nullptr;
  return newWindowDC(h, r);
}

HDC GetWindowDC(HWND h) {
  return GetDC(h);
}

int ReleaseDC(HWND h, HDC dc) {
  auto& m = windowDCs();
  auto it = m.find(dc);
  if (it == m.end() || (h != 0 && it->second != h)) return 0;
  m.erase(it);
  DeleteDC(dc);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto& m = windowDCs();
  auto it = m.find(dc);
  return it == m.end() ? 0 : it->second;
}

int ScrollWindowEx(HWND h, int dx, int dy, const TRect* scroll, const TRect* clip, HRGN updateRgn,
                   TRect* updateRect, UINT flags) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return ERROR;
  QRect client = clientQRect(r);
  QRect area = scroll ? ToQRect(*scroll).intersected(client) : client;
  if (clip) area = area.intersected(ToQRect(*clip));
  QRegion uncovered;
  if (!area.isEmpty() && (dx != 0 || dy != 0)) {
    // Pixels: the part of `area` whose source lies inside `area` moves.
    QRect dest = area.translated(dx, dy).intersected(area);
    TBackBuffer* b = r->control ? BufferOf(r->control) : nullptr;
    uncovered = QRegion(area) - QRegion(dest);
    if (b != nullptr) {
      moveBufferPixels(b->image, area, dx, dy);
      // What moves in from beyond the buffer was never held: it is
      // uncovered too.
      QRect shown = b->image.rect();
      uncovered += QRegion(dest & shown) - QRegion((area & shown).translated(dx, dy));
    }
    // A pending invalid region moves with the pixels.
    QRegion inside = r->invalid.intersected(area);
    QRegion outside = r->invalid - QRegion(area);
    r->invalid = outside + inside.translated(dx, dy).intersected(area);
    if (flags & SW_INVALIDATE) {
      r->invalid += uncovered;
      if (flags & SW_ERASE) r->erasePending = true;
      if (!r->invalid.isEmpty()) RequestPaint(*r);
    }
    if (r->control) ShowBufferArea(r->control, area);
  }
  if (updateRect) *updateRect = uncovered.isEmpty() ? TRect() : FromQRect(uncovered.boundingRect());
  if (updateRgn) {
    HRGN tmp = regionToHrgn(uncovered);
    CombineRgn(updateRgn, tmp, nullptr, RGN_COPY);
    DeleteObject(tmp);
  }
  return uncovered.isEmpty() ? NULLREGION : SIMPLEREGION;
}

int SetWindowRgn(HWND h, HRGN rgn, bool /*redraw*/) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || r->control == nullptr || r->control->Widget() == nullptr) {
    if (rgn != nullptr) DeleteObject(rgn);
    return 0;
  }
  QWidget* w = r->control->Widget();
  if (rgn == nullptr) {
    w->clearMask();
  } else {
    w->setMask(RegionToQRegion(rgn));
    DeleteObject(rgn); // the window owns the region from now on
  }
  return 1;
}
