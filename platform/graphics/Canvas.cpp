#include "platform/graphics/Canvas.h"

#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Exceptions.h"

TCanvas::TCanvas() {
  pen_.OnChange = [this] { state_ &= ~csPen; };
  brush_.OnChange = [this] { state_ &= ~csBrush; };
  font_.OnChange = [this] { state_ &= ~csFont; };
  pen_.OnReleaseHandle = [this] { Deselect(csPen); };
  brush_.OnReleaseHandle = [this] { Deselect(csBrush); };
  font_.OnReleaseHandle = [this] { Deselect(csFont); };
}

TCanvas::~TCanvas() {
  DeselectHandles();
  pen_.OnReleaseHandle = nullptr;
  brush_.OnReleaseHandle = nullptr;
  font_.OnReleaseHandle = nullptr;
}

void TCanvas::Deselect(int which) {
  // Only this canvas's own object is replaced: another canvas or caller
  // sharing the DC may have selected its own since.
  if (dc_ && (state_ & which)) {
    UINT kind = which == csPen ? OBJ_PEN : which == csBrush ? OBJ_BRUSH : OBJ_FONT;
    HGDIOBJ mine = which == csPen     ? pen_.CurrentHandle()
                   : which == csBrush ? brush_.CurrentHandle()
                                      : font_.CurrentHandle();
    int stock = which == csPen ? BLACK_PEN : which == csBrush ? WHITE_BRUSH : SYSTEM_FONT;
    if (mine && GetCurrentObject(dc_, kind) == mine) SelectObject(dc_, GetStockObject(stock));
  }
  state_ &= ~which;
}

void TCanvas::DeselectHandles() {
  Deselect(csPen);
  Deselect(csBrush);
  Deselect(csFont);
}

HDC TCanvas::Handle() {
  if (!dc_) CreateHandle();
  if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DeselectHandles();
  dc_ = dc;
  state_ = dc ? csHandle : 0;
}

void TCanvas::AttachHandle(HDC dc) {
  SetHandle(dc);
}

void TCanvas::SelectPen() {
  SelectObject(dc_, pen_.Handle());
  SetROP2(dc_, PenModeToRop2(pen_.Mode()));
}

void TCanvas::SelectBrush() {
  SelectObject(dc_, brush_.Handle());
  if (brush_.Style() == bsSolid) {
    SetBkColor(dc_, ColorToRGB(brush_.Color()));
    SetBkMode(dc_, OPAQUE);
  } else {
    SetBkColor(dc_, ~ColorToRGB(brush_.Color()) & 0xFFFFFF);
    SetBkMode(dc_, TRANSPARENT);
  }
}

void TCanvas::SelectFont() {
  SelectObject(dc_, font_.Handle());
  SetTextColor(dc_, ColorToRGB(font_.Color()));
}

void TCanvas::RequireState(int needs) {
  Handle();
  if ((needs & csPen) && !(state_ & csPen)) {
    SelectPen();
    state_ |= csPen;
  } else if (needs & csPen) {
    SetROP2(dc_, PenModeToRop2(pen_.Mode()));
  }
  if ((needs & csBrush) && !(state_ & csBrush)) {
    SelectBrush();
    state_ |= csBrush;
  }
  if ((needs & csFont) && !(state_ & csFont)) {
    SelectFont();
    state_ |= csFont;
  } else if (needs & csFont) {
    SetTextColor(dc_, ColorToRGB(font_.Color()));
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging();
}
void TCanvas::Changed() {
  if (OnChange) OnChange();
}

TRect TCanvas::ClipRect() {
  RECT r;
  ::GetClipBox(Handle(), &r);
  return r;
}

void TCanvas::Lock() {
  lock_.lock();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lockCount_;
  return true;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequireState(csHandle);
  graphic->Draw(this, TRect(x, y, x + graphic->Width(), y + graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequireState(csHandle);
  graphic->Draw(this, rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source) return;
  Changing();
  RequireState(csBrush);
  ::StretchBlt(Handle(), dest.Left, dest.Top, dest.Width(), dest.Height(), source->Handle(),
               sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height(), copyMode_);
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  Changing();
  RequireState(csBrush);
  RECT r = rect;
  ::FillRect(dc_, &r, brush_.Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  Changing();
  RequireState(csBrush);
  RECT r = rect;
  ::FrameRect(dc_, &r, brush_.Handle());
  Changed();
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  Changing();
  RequireState(csPen | csBrush);
  ::Rectangle(dc_, l, t, r, b);
  Changed();
}

void TCanvas::RoundRect(int l, int t, int r, int b, int w, int h) {
  Changing();
  RequireState(csPen | csBrush);
  ::RoundRect(dc_, l, t, r, b, w, h);
  Changed();
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  Changing();
  RequireState(csPen | csBrush);
  ::Ellipse(dc_, l, t, r, b);
  Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Changing();
  RequireState(csPen | csBrush);
  ::Pie(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  Changing();
  RequireState(csPen | csBrush);
  ::Polygon(dc_, points.data(), int(points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  Changing();
  RequireState(csPen | csBrush);
  ::Polyline(dc_, points.data(), int(points.size()));
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequireState(csHandle);
  ::MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequireState(csPen | csBrush);
  ::LineTo(dc_, x, y);
  Changed();
}

TPoint TCanvas::PenPos() {
  POINT p;
  ::GetCurrentPositionEx(Handle(), &p);
  return p;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Changing();
  RequireState(csFont | csBrush);
  ::TextOut(dc_, x, y, text.data(), int(text.size()));
  ::MoveToEx(dc_, x + TextWidth(text), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  Changing();
  RequireState(csFont | csBrush);
  {
    TDCStateSaver saved(dc_);
    ::IntersectClipRect(dc_, rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (brush_.Style() != bsClear) {
      RECT r = rect;
      ::FillRect(dc_, &r, brush_.Handle());
    }
    ::TextOut(dc_, x, y, text.data(), int(text.size()));
  }
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequireState(csHandle | csFont);
  SIZE s;
  if (!::GetTextExtentPoint32(dc_, text.data(), int(text.size()), &s)) return TSize();
  return s;
}

int TCanvas::TextWidth(const std::string& text) {
  return TextExtent(text).cx;
}
int TCanvas::TextHeight(const std::string& text) {
  return TextExtent(text).cy;
}

TColor TCanvas::Pixels(int x, int y) {
  RequireState(csHandle);
  return TColor(::GetPixel(dc_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor c) {
  Changing();
  RequireState(csHandle);
  ::SetPixel(dc_, x, y, ColorToRGB(c));
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  Changing();
  RequireState(csHandle);
  HPEN pen = CreatePen(PS_ALTERNATE, 1, 0xFFFFFF);
  {
    TObjectSelector selectPen(dc_, pen);
    TObjectSelector selectBrush(dc_, GetStockObject(NULL_BRUSH));
    int rop = SetROP2(dc_, R2_XORPEN);
    int bk = SetBkMode(dc_, TRANSPARENT);
    ::Rectangle(dc_, rect.Left, rect.Top, rect.Right, rect.Bottom);
    SetBkMode(dc_, bk);
    SetROP2(dc_, rop);
  }
  DeleteObject(pen);
  Changed();
}

void TCanvas::Refresh() {
  DeselectHandles();
}
