#include "platform/graphics/GraphicsObjects.h"

#include <cstring>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Numerics.h"

namespace {
int gScreenPpi = 96;
}

int ScreenPixelsPerInch() {
  return gScreenPpi;
}
void SetScreenPixelsPerInch(int ppi) {
  gScreenPpi = ppi > 0 ? ppi : 96;
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange();
}

void TGraphicsObject::FreeHandle(HGDIOBJ& handle) {
  if (!handle) return;
  if (OnReleaseHandle) OnReleaseHandle();
  DeleteObject(handle);
  handle = nullptr;
}

int PenModeToRop2(TPenMode mode) {
  static const int codes[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
  return codes[int(mode) & 15];
}

// ---- TPen ----------------------------------------------------------------------------

TPen::~TPen() {
  if (handle_) DeleteObject(handle_);
}

#define SK_SETTER(Class, Name, Type, field)                                                        \
  void Class::Name(Type v) {                                                                       \
    if (field == v) return;                                                                        \
    FreeHandle(handle_);                                                                           \
    field = v;                                                                                     \
    Changed();                                                                                     \
  }

SK_SETTER(TPen, SetColor, TColor, color_)
SK_SETTER(TPen, SetWidth, int, width_)
SK_SETTER(TPen, SetStyle, TPenStyle, style_)

void TPen::SetMode(TPenMode m) {
  if (mode_ == m) return;
  mode_ = m;
  Changed();
}

void TPen::Assign(const TPen& o) {
  if (&o == this) return;
  FreeHandle(handle_);
  color_ = o.color_;
  width_ = o.width_;
  style_ = o.style_;
  mode_ = o.mode_;
  Changed();
}

HPEN TPen::Handle() {
  if (!handle_) {
    LOGPEN lp;
    lp.lopnStyle = UINT(style_);
    lp.lopnWidth.x = width_;
    lp.lopnColor = ColorToRGB(color_);
    handle_ = CreatePenIndirect(&lp);
  }
  return handle_;
}

void TPen::SetHandle(HPEN h) {
  FreeHandle(handle_);
  LOGPEN lp;
  if (GetObject(h, sizeof lp, &lp)) {
    color_ = TColor(lp.lopnColor);
    width_ = lp.lopnWidth.x;
    style_ = TPenStyle(lp.lopnStyle & PS_STYLE_MASK);
  }
  handle_ = h;
  Changed();
}

// ---- TBrush --------------------------------------------------------------------------------

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}

SK_SETTER(TBrush, SetColor, TColor, color_)

void TBrush::SetStyle(TBrushStyle s) {
  if (style_ == s && !bitmap_) return;
  FreeHandle(handle_);
  style_ = s;
  bitmap_ = nullptr;
  Changed();
}

void TBrush::SetBitmap(TBitmap* b) {
  if (bitmap_ == b) return;
  FreeHandle(handle_);
  bitmap_ = b;
  if (b) style_ = bsSolid;
  Changed();
}

void TBrush::Assign(const TBrush& o) {
  if (&o == this) return;
  FreeHandle(handle_);
  color_ = o.color_;
  style_ = o.style_;
  bitmap_ = o.bitmap_;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else {
      LOGBRUSH lb;
      lb.lbColor = ColorToRGB(color_);
      if (style_ == bsSolid)
        lb.lbStyle = BS_SOLID;
      else if (style_ == bsClear)
        lb.lbStyle = BS_NULL;
      else {
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = std::uintptr_t(int(style_) - 2);
      }
      handle_ = CreateBrushIndirect(&lb);
    }
  }
  return handle_;
}

#undef SK_SETTER

// ---- TFont -----------------------------------------------------------------------------------

TFont::TFont() : ppi_(gScreenPpi) {}

TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Change() {
  FreeHandle(handle_);
  Changed();
}

void TFont::SetName(const std::string& n) {
  if (n.empty() || n == name_) return;
  name_ = n;
  Change();
}

int TFont::Size() const {
  return -MulDiv(height_, 72, ppi_);
}

void TFont::SetSize(int points) {
  SetHeight(-MulDiv(points, ppi_, 72));
}

void TFont::SetHeight(int h) {
  if (h == height_) return;
  height_ = h;
  Change();
}

void TFont::SetStyle(TFontStyles s) {
  if (s == style_) return;
  style_ = s;
  Change();
}

void TFont::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed(); // the colour is not part of the handle
}

void TFont::SetCharset(BYTE c) {
  if (c == charset_) return;
  charset_ = c;
  Change();
}

void TFont::SetPitch(TFontPitch p) {
  if (p == pitch_) return;
  pitch_ = p;
  Change();
}

void TFont::Assign(const TFont& o) {
  if (&o == this) return;
  FreeHandle(handle_);
  name_ = o.name_;
  height_ = o.ppi_ == ppi_ ? o.height_ : -MulDiv(o.Size(), ppi_, 72);
  style_ = o.style_;
  color_ = o.color_;
  charset_ = o.charset_;
  pitch_ = o.pitch_;
  Changed();
}

LOGFONT TFont::MakeLogFont() const {
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
  lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                        : pitch_ == fpVariable ? VARIABLE_PITCH
                                               : DEFAULT_PITCH;
  std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  return lf;
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONT lf = MakeLogFont();
    handle_ = CreateFontIndirect(&lf);
  }
  return handle_;
}

void TFont::SetHandle(HFONT h) {
  LOGFONT lf;
  if (!GetObject(h, sizeof lf, &lf)) return;
  FreeHandle(handle_);
  name_ = lf.lfFaceName;
  height_ = lf.lfHeight;
  style_ = (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
           (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0);
  charset_ = lf.lfCharSet;
  BYTE pitch = lf.lfPitchAndFamily & 3;
  pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  handle_ = h;
  Changed();
}
