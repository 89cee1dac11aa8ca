#include "platform/graphics/ClassicEdges.h"

namespace {
/// A one-pixel line from (x1, y1) to (x2, y2), the end point excluded.
void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c) {
  HPEN pen = CreatePen(PS_SOLID, 1, c);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}
void HLine(HDC dc, int x1, int x2, int y, COLORREF c) {
  Line(dc, x1, y, x2, y, c);
}
void VLine(HDC dc, int x, int y1, int y2, COLORREF c) {
  Line(dc, x, y1, x, y2, c);
}
/// One ring: `light` on the left and top, `dark` on the right and bottom.
void Ring(HDC dc, RECT& r, UINT flags, COLORREF light, COLORREF dark) {
  if (flags & BF_LEFT) VLine(dc, r.Left, r.Top, r.Bottom, light);
  if (flags & BF_TOP) HLine(dc, r.Left, r.Right, r.Top, light);
  if (flags & BF_RIGHT) VLine(dc, r.Right - 1, r.Top, r.Bottom, dark);
  if (flags & BF_BOTTOM) HLine(dc, r.Left, r.Right, r.Bottom - 1, dark);
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
}
} // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (!rect) return FALSE;
  RECT r = *rect;
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), light = GetSysColor(COLOR_3DLIGHT),
                 shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
  if (flags & BF_FLAT) {
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) Ring(dc, r, flags, shadow, shadow);
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER))
      Ring(dc, r, flags, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
  } else {
    if (edge & BDR_RAISEDOUTER) Ring(dc, r, flags, light, dark);
    if (edge & BDR_SUNKENOUTER) Ring(dc, r, flags, shadow, highlight);
    if (edge & BDR_RAISEDINNER) Ring(dc, r, flags, highlight, shadow);
    if (edge & BDR_SUNKENINNER) Ring(dc, r, flags, dark, light);
  }
  if (flags & BF_MIDDLE) {
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, face);
    DeleteObject(face);
  }
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  const UINT kind = state & 0xFF;
  if (!rect || type != DFC_SCROLL ||
      (kind != DFCS_SCROLLCOMBOBOX && kind != DFCS_SCROLLLEFT && kind != DFCS_SCROLLRIGHT))
    return FALSE;
  RECT r = *rect;
  if (state & DFCS_FLAT)
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
  else
    DrawEdge(dc, &r, (state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED,
             BF_RECT | BF_MIDDLE | BF_ADJUST);
  // The arrow: a downward triangle four rows high in the middle.
  const COLORREF arrow = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2 - 1;
  if (kind == DFCS_SCROLLCOMBOBOX) {
    for (int i = 0; i < 4; ++i)
      HLine(dc, cx - 3 + i, cx + 4 - i, cy + i, arrow);
    return TRUE;
  }
  // A triangle four columns wide pointing left or right.
  const int cyMid = cy + 1;
  for (int i = 0; i < 4; ++i) {
    const int x = kind == DFCS_SCROLLLEFT ? cx - 2 + i : cx + 1 - i;
    VLine(dc, x, cyMid - i, cyMid + i + 1, arrow);
  }
  return TRUE;
}
