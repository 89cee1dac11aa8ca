// The menu window of a styled menu: hooked while its items are drawn (the
// region that cuts off the measured 17-pixel strip and the outer pixel, one
// move into place beside its parent), its two-colour border, and the
// geometric queries on menu windows the drawing uses.
#include "controls/OwMenus.h"

#include "platform/forms/MenuWindow.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/SystemVersion.h"

namespace {
/// The item's level: 1 for a popup menu's own items, more for submenus.
int ItemLevel(TMenuItem* item) {
  return ItemDepth(item) + 1;
}

bool EmptyRect(const TRect& r) {
  return r.Right - r.Left == 0 && r.Bottom - r.Top == 0;
}

TRect Union(const TRect& a, const TRect& b) {
  if (a.Right <= a.Left || a.Bottom <= a.Top) return b;
  return TRect(MenuMin(a.Left, b.Left), MenuMin(a.Top, b.Top), MenuMax(a.Right, b.Right),
               MenuMax(a.Bottom, b.Bottom));
}

/// Draws the border on the whole window: the menu's border colour on the
/// visible edge, the background colour one pixel inside it.
void DrawMenuBorder(HWND h, TMenuItem* item, const TRect& wr) {
  IStyledMenu* menu = StyledMenuOf(item);
  if (!menu || !menu->CurrentStyler()) return;
  TCustomAdvMenuStyler& s = *menu->CurrentStyler();
  const int w = wr.Right - wr.Left, ht = wr.Bottom - wr.Top;
  // The frame lies on the region's edge on every level. (A submenu opening
  // to the right would keep its frame 34 pixels from the window's right edge
  // where the platform widened such windows by another strip; these windows
  // are as wide as their items, so that frame would cut the widest item.)
  const TRect fr(1, 1, w - 1 - 17, ht - 1);
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(s.MenuBorderColor());
    canvas.FrameRect(fr);
    // A popup menu has no menu-bar item whose edge the border opens under.
    canvas.Brush()->SetColor(s.Background()->Color());
    canvas.FrameRect(TRect(fr.Left + 1, fr.Top + 1, fr.Right - 1, fr.Bottom - 1));
    canvas.SetHandle(nullptr);
  }
  ReleaseDC(h, dc);
}
} // namespace

int ItemDepth(TMenuItem* item) {
  int depth = 0;
  for (TMenuItem* p = item ? item->Parent() : nullptr; p && p->Parent(); p = p->Parent())
    ++depth;
  return depth;
}

LONG_PTR MenuWindowProcToken() {
  static const LONG_PTR token = MakeWndProc(&MenuWindowProc);
  return token;
}

LRESULT MenuWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  const LONG_PTR previous = GetWindowLong(window, GWL_USERDATA);
  if ((msg == WM_SHOWWINDOW && wParam == FALSE) || msg == WM_CLOSE || msg == WM_DESTROY) {
    SetWindowRgn(window, nullptr, true);
    if (previous) {
      SetWindowLong(window, GWL_WNDPROC, previous);
      SetWindowLong(window, GWL_USERDATA, 0);
    }
  }
  return CallWindowProc(previous, window, msg, wParam, lParam);
}

void HookMenuWindow(TMenuItem* item, TCanvas* canvas) {
  const HWND h = canvas ? WindowFromDC(canvas->Handle()) : 0;
  // A popup menu has no window of its own; only menu windows are hooked.
  if (!h || !IsWindow(h) || GetClassName(h) != "#32768") return;
  TRect wr;
  GetWindowRect(h, &wr);
  const int w = wr.Right - wr.Left, ht = wr.Bottom - wr.Top;
  const int level = ItemLevel(item);
  if (GetWindowLong(h, GWL_WNDPROC) != MenuWindowProcToken()) {
    SetWindowLong(h, GWL_USERDATA, GetWindowLong(h, GWL_WNDPROC));
    SetWindowLong(h, GWL_WNDPROC, MenuWindowProcToken());
    const TRect region(1, 1, w - 1 - 17, ht - 1);
    SetWindowRgn(h, CreateRectRgnIndirect(&region), true);
    if (level == 1) {
      MoveWindow(h, wr.Left - 1, wr.Top - 2, w, ht, true);
    } else {
      const int x = SubmenuOpensRight(item, h) ? wr.Left - 17 : wr.Left + 17;
      MoveWindow(h, x + 3, wr.Top, w, ht, true);
    }
  }
  DrawMenuBorder(h, item, wr);
}

TRect MenuItemArea(TMenuItem* item, HWND window) {
  TRect area;
  TMenuItem* parent = item ? item->Parent() : nullptr;
  if (!parent) return area;
  for (int position = 0; position <= parent->Count(); ++position) {
    TRect r;
    if (GetMenuItemRect(window, parent, position, &r)) area = Union(area, r);
  }
  return area;
}

bool SubmenuOpensRight(TMenuItem* item, HWND window) {
  TMenuItem* parent = item ? item->Parent() : nullptr;
  if (!parent) return true;
  // The NT family finds the menu window itself.
  const HWND h = Win32Platform() == VER_PLATFORM_WIN32_NT ? 0 : window;
  TRect r1;
  for (int tries = 0; tries <= item->MenuIndex() && EmptyRect(r1); ++tries)
    if (!GetMenuItemRect(h, parent, 0, &r1)) r1 = TRect();
  if (EmptyRect(r1)) return true;
  TRect r2;
  if (!parent->Parent() ||
      !GetMenuItemRect(h ? GetParent(h) : 0, parent->Parent(), parent->MenuIndex(), &r2))
    r2 = TRect();
  return r1.Left > r2.Left || (r1.Left == r2.Left && r1.Right > r2.Right);
}
