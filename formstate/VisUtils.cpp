#include "formstate/VisUtils.h"

#include <vector>

#include "formstate/FsGuards.h"
#include "platform/forms/CursorArt.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"

void FitRectToScreen(TRect& rect) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  auto shift = [](TRect& r, int dx, int dy) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  };
  if (rect.Right > w) shift(rect, w - rect.Right, 0);
  if (rect.Left < 0) shift(rect, -rect.Left, 0);
  if (rect.Bottom > h) shift(rect, 0, h - rect.Bottom);
  if (rect.Top < 0) shift(rect, 0, -rect.Top);
}

void CenterOnScreen(HWND window) {
  TRect r;
  if (!GetWindowRect(window, &r)) return;
  const int width = RectWidth(r), height = RectHeight(r);
  TRect centred(0, 0, width, height);
  centred.Left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  centred.Top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  centred.Right = centred.Left + width;
  centred.Bottom = centred.Top + height;
  FitRectToScreen(centred);
  SetWindowPos(window, 0, centred.Left, centred.Top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string ShortenTextToWidth(const std::string& text, TCanvas* canvas, int maxWidth) {
  std::string result = text;
  const Int64 length = Utf8Length(text);
  for (Int64 i = 1; i <= length && canvas->TextWidth(result) > maxWidth; ++i)
    result = Utf8Copy(text, 1, length - i > 0 ? length - i : 0) + "...";
  return result;
}

bool ActiveWindowIsOwn() {
  const HWND active = GetActiveWindow();
  if (active == 0) return false;
  bool found = false;
  EnumWindows([&](HWND h) {
    found = h == active;
    return !found;
  });
  return found;
}

// ---- painting the parent under a windowless control ------------------------------

namespace {

// Reaches the protected painting step of a windowed control.
struct TPaintAccess : TWinControl {
  using TWinControl::PaintWindow;
};

void markPaintCopy(TControl* control, bool on) {
  TControlState state = control->ControlState();
  if (on)
    state.Include(TControlStateItem::csPaintCopy);
  else
    state.Exclude(TControlStateItem::csPaintCopy);
  control->SetControlState(state);
}

bool intersects(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

} // namespace

void PaintParentBackground(TControl* control, TCanvas* canvas) {
  if (control == nullptr || control->Parent() == nullptr) return;
  TWinControl* parent = control->Parent();
  HDC dc = canvas->Handle();
  markPaintCopy(parent, true);
  auto unmark = ScopeExit([parent] { markPaintCopy(parent, false); });
  {
    const int saved = SaveDC(dc);
    auto restore = ScopeExit([dc, saved] { RestoreDC(dc, saved); });
    SetViewportOrgEx(dc, -control->Left(), -control->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
    parent->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
    (parent->*(&TPaintAccess::PaintWindow))(dc);
  }
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* child = parent->Controls(i);
    if (child == control) break;
    if (child->IsWindowed() || !child->Visible() ||
        !intersects(child->BoundsRect(), control->BoundsRect()))
      continue;
    markPaintCopy(child, true);
    auto unmarkChild = ScopeExit([child] { markPaintCopy(child, false); });
    const int saved = SaveDC(dc);
    auto restore = ScopeExit([dc, saved] { RestoreDC(dc, saved); });
    SetViewportOrgEx(dc, child->Left() - control->Left(), child->Top() - control->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    child->Perform(WM_PAINT, WPARAM(dc), 0);
  }
}

// ---- disabled glyphs ----------------------------------------------------------------

std::unique_ptr<TBitmap> MakeDisabledGlyphEx(TBitmap* source, TColor outline, TColor background,
                                             TColor highlight, TColor shadow, bool drawHighlight) {
  const int w = source->Width(), h = source->Height();
  auto result = std::make_unique<TBitmap>(w, h, pf24bit);
  TCanvas* out = result->Canvas();
  out->Brush()->SetColor(background);
  out->FillRect(TRect(0, 0, w, h));
  // The mask: the pixels the monochrome conversion turns white, those in the
  // brush (outline) colour; a monochrome source counts its white pixels.
  const bool mono = source->Monochrome();
  const COLORREF key = ColorToRGB(mono ? clWhite : outline);
  std::vector<bool> mask(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      mask[size_t(y) * size_t(w) + size_t(x)] = ColorToRGB(source->Canvas()->Pixels(x, y)) == key;
  auto paint = [&](int dx, int dy, TColor colour) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (mask[size_t(y) * size_t(w) + size_t(x)] && x + dx < w && y + dy < h)
          out->SetPixels(x + dx, y + dy, colour);
  };
  if (drawHighlight) paint(1, 1, highlight);
  paint(0, 0, shadow);
  return result;
}

std::unique_ptr<TBitmap> MakeDisabledGlyph(TBitmap* source, TColor outline) {
  return MakeDisabledGlyphEx(source, outline, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

namespace {

std::function<void()>& beepRecorder() {
  static std::function<void()> recorder;
  return recorder;
}

} // namespace

void UxBeep() {
  if (beepRecorder())
    beepRecorder()();
  else
    MessageBeep(0);
}

void SetBeepRecorder(std::function<void()> recorder) {
  beepRecorder() = std::move(recorder);
}

// ---- the hand cursors -------------------------------------------------------------------

namespace {

// 32 x 32 rows of the union of the rectangles: white inside, black edge.
std::vector<std::string> cursorRows(std::initializer_list<TRect> parts) {
  std::vector<std::string> rows(32, std::string(32, ' '));
  for (const TRect& r : parts)
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        rows[size_t(y)][size_t(x)] = '.';
  auto inside = [&rows](int x, int y) {
    return x >= 0 && y >= 0 && x < 32 && y < 32 && rows[size_t(y)][size_t(x)] != ' ';
  };
  std::vector<std::string> out = rows;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (inside(x, y) &&
          (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1)))
        out[size_t(y)][size_t(x)] = '#';
  return out;
}

} // namespace

void UxCursorsInit() {
  // A hand pointing left with its fingertip at (6, 16), and a closed hand
  // held at (15, 16).
  const HCURSOR hand = CreateCursorFromRows(
      cursorRows({TRect(6, 14, 18, 19), TRect(16, 10, 27, 24), TRect(18, 7, 22, 11)}), 6, 16);
  const HCURSOR drag = CreateCursorFromRows(
      cursorRows({TRect(8, 11, 23, 23), TRect(10, 8, 21, 12), TRect(22, 14, 25, 20)}), 15, 16);
  Screen()->SetCursors(UxHandCursor, hand);
  Screen()->SetCursors(UxDragCursor, drag);
}
