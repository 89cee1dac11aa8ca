// TGIS_Pen, TGIS_Brush and TGIS_Font: GDI objects made again only when one of
// their attributes changed.
#include <algorithm>
#include <cstring>

#include "gis/core/GisDefsGeometry.h"
#include "gis/viewer/GisGDI.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

int GisPenModeToRop2(int mode) {
  static constexpr int kRop2[16] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return mode >= 0 && mode < 16 ? kRop2[mode] : R2_COPYPEN;
}

namespace {
// Deletes `old` once `fresh` is selected in its place; a handle GDI refuses to
// delete (still selected elsewhere) is left to GDI rather than dereferenced.
void SelectReplacing(HDC dc, HGDIOBJ& slot, HGDIOBJ fresh) {
  HGDIOBJ old = slot;
  slot = fresh;
  if (dc != nullptr) SelectObject(dc, fresh);
  if (old != nullptr && old != fresh) ::DeleteObject(old);
}

void ReleaseHandle(HGDIOBJ& handle) {
  if (handle != nullptr) ::DeleteObject(handle);
  handle = nullptr;
}
} // namespace

// ---- TGIS_Pen -----------------------------------------------------------------

TGIS_Pen::TGIS_Pen() {
  brush_.lbStyle = BS_SOLID;
  brush_.lbColor = 0;
  brush_.lbHatch = 0;
}

TGIS_Pen::~TGIS_Pen() {
  ReleaseHandle(handle_);
}

void TGIS_Pen::SetColor(TColor color) {
  COLORREF rgb = ColorToRGB(color);
  if (color == color_ && brush_.lbColor == rgb) return;
  color_ = color;
  brush_.lbColor = rgb;
  changed_ = true;
}

void TGIS_Pen::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  changed_ = true;
}

void TGIS_Pen::SetStyle(int style) {
  if (style < GIS_PEN_SOLID || style > GIS_PEN_INSIDEFRAME) return;
  if (DWORD(style) == style_) return;
  style_ = DWORD(style);
  changed_ = true;
}

void TGIS_Pen::SetMode(int mode) {
  // The mode is applied with SetROP2 at every selection: no new pen needed.
  if (mode < 0 || mode > 15) return;
  mode_ = mode;
}

void TGIS_Pen::SetBrush(const LOGBRUSH& brush) {
  if (brush.lbStyle == brush_.lbStyle && brush.lbColor == brush_.lbColor &&
      brush.lbHatch == brush_.lbHatch)
    return;
  brush_ = brush;
  changed_ = true;
}

void TGIS_Pen::SetEndCap(DWORD endCap) {
  if (endCap == endCap_) return;
  endCap_ = endCap;
  changed_ = true;
}

void TGIS_Pen::Replace(HDC dc, HPEN pen) {
  SelectReplacing(dc, handle_, pen);
}

void TGIS_Pen::Select(HDC dc) {
  if (handle_ == nullptr || changed_ || extended_) {
    LOGPEN lp;
    lp.lopnStyle = style_;
    lp.lopnWidth = TPoint(width_, 0);
    lp.lopnColor = ColorToRGB(color_);
    HPEN pen = CreatePenIndirect(&lp);
    if (pen != nullptr) Replace(dc, pen);
  } else {
    SelectObject(dc, handle_);
  }
  SetROP2(dc, GisPenModeToRop2(mode_));
  changed_ = false;
  extended_ = false;
}

void TGIS_Pen::SelectExtended(HDC dc) {
  if (handle_ == nullptr || changed_ || !extended_) {
    DWORD type = width_ == 1 ? PS_COSMETIC : PS_GEOMETRIC;
    DWORD width = DWORD(std::max(width_, 0));
    HPEN pen = ExtCreatePen(type | style_ | endCap_ | join_, width, &brush_, 0, nullptr);
    // A cosmetic pen must be solid: a hatched or pattern line one pixel wide
    // is made as a geometric pen instead of leaving the previous pen in use.
    if (pen == nullptr && type == PS_COSMETIC)
      pen = ExtCreatePen(PS_GEOMETRIC | style_ | endCap_ | join_, width, &brush_, 0, nullptr);
    if (pen != nullptr) Replace(dc, pen);
  } else {
    SelectObject(dc, handle_);
  }
  SetROP2(dc, GisPenModeToRop2(mode_));
  changed_ = false;
  extended_ = true;
}

// ---- TGIS_Brush ---------------------------------------------------------------

TGIS_Brush::TGIS_Brush() = default;

TGIS_Brush::~TGIS_Brush() {
  ReleaseHandle(handle_);
}

void TGIS_Brush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  changed_ = true;
}

int TGIS_Brush::GetStyle() const {
  switch (kind_) {
  case GIS_BRUSHKIND_HATCHED:
    return GIS_BRUSH_HATCH_FIRST + hatch_;
  default:
    return kind_;
  }
}

void TGIS_Brush::SetStyle(int style) {
  int kind = GIS_BRUSHKIND_SOLID;
  int hatch = hatch_;
  if (style == GIS_BRUSH_CLEAR) {
    kind = GIS_BRUSHKIND_CLEAR;
  } else if (style >= GIS_BRUSH_HATCH_FIRST && style <= GIS_BRUSH_HATCH_FIRST + int(HS_DIAGCROSS)) {
    kind = GIS_BRUSHKIND_HATCHED;
    hatch = style - GIS_BRUSH_HATCH_FIRST;
  }
  if (kind == kind_ && (kind != GIS_BRUSHKIND_HATCHED || hatch == hatch_)) return;
  kind_ = kind;
  hatch_ = hatch;
  changed_ = true;
}

void TGIS_Brush::SetPattern(TBitmap* bitmap) {
  if (bitmap == nullptr) return;
  SetPatternHandle(bitmap->Handle());
}

void TGIS_Brush::SetPatternHandle(HBITMAP bitmap) {
  if (bitmap == nullptr) return;
  if (kind_ == GIS_BRUSHKIND_PATTERN && bitmap == pattern_) return;
  kind_ = GIS_BRUSHKIND_PATTERN;
  pattern_ = bitmap;
  changed_ = true;
}

void TGIS_Brush::Select(HDC dc) {
  if (handle_ == nullptr || changed_) {
    LOGBRUSH lb;
    lb.lbColor = ColorToRGB(color_);
    switch (kind_) {
    case GIS_BRUSHKIND_CLEAR:
      lb.lbStyle = BS_NULL;
      break;
    case GIS_BRUSHKIND_HATCHED:
      lb.lbStyle = BS_HATCHED;
      lb.lbHatch = std::uintptr_t(hatch_);
      break;
    case GIS_BRUSHKIND_PATTERN:
      lb.lbStyle = BS_PATTERN;
      lb.lbHatch = reinterpret_cast<std::uintptr_t>(pattern_);
      break;
    default:
      lb.lbStyle = BS_SOLID;
      break;
    }
    HBRUSH brush = CreateBrushIndirect(&lb);
    if (brush != nullptr) SelectReplacing(dc, handle_, brush);
  } else {
    SelectObject(dc, handle_);
  }
  changed_ = false;
}

// ---- TGIS_Font ----------------------------------------------------------------

TGIS_Font::TGIS_Font(int pixelsPerInch)
    : ppi_(pixelsPerInch > 0 ? pixelsPerInch : 96), font_(std::make_unique<TFont>()) {
  height_ = -MulDiv(8, ppi_, 72);
}

TGIS_Font::~TGIS_Font() {
  ReleaseHandle(handle_);
}

void TGIS_Font::SetName(const std::string& name) {
  if (name.empty() || name == name_) return;
  name_ = name;
  Change();
}

void TGIS_Font::SetCharset(BYTE charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Change();
}

void TGIS_Font::SetColor(TColor color) {
  // The colour is set on the device context at each selection; the font
  // handle does not depend on it.
  color_ = color;
}

void TGIS_Font::SetStyle(int style) {
  style &= GIS_FONT_BOLD | GIS_FONT_ITALIC | GIS_FONT_UNDERLINE | GIS_FONT_STRIKEOUT;
  if (style == style_) return;
  style_ = style;
  Change();
}

int TGIS_Font::GetSize() const {
  return -MulDiv(height_, 72, ppi_);
}

void TGIS_Font::SetSize(int points) {
  SetHeight(-MulDiv(points, ppi_, 72));
}

void TGIS_Font::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Change();
}

void TGIS_Font::SetAngle(int angle) {
  if (angle == angle_) return;
  angle_ = angle;
  Change();
}

void TGIS_Font::SetPitch(int pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Change();
}

void TGIS_Font::SetPixelsPerInch(int ppi) {
  if (ppi <= 0 || ppi == ppi_) return;
  int points = GetSize();
  ppi_ = ppi;
  SetHeight(-MulDiv(points, ppi_, 72));
}

void TGIS_Font::AssignFont(TFont* font) {
  if (font == nullptr) return;
  SetName(font->Name());
  SetSize(font->Size());
  SetCharset(font->Charset());
  SetColor(TColor(GisNonBlackColor(std::uint32_t(font->Color()))));
  SetPitch(int(font->Pitch()));
  SetStyle(font->Style());
  LOGFONT lf;
  if (GetObject(font->Handle(), int(sizeof(lf)), &lf) != 0) SetAngle(lf.lfEscapement);
}

TFont* TGIS_Font::GetFont() {
  font_->SetName(name_);
  font_->SetCharset(charset_);
  font_->SetColor(color_);
  font_->SetPitch(TFontPitch(std::clamp(pitch_, 0, 2)));
  font_->SetStyle(style_);
  font_->SetPixelsPerInch(ppi_);
  font_->SetHeight(height_);
  return font_.get();
}

LOGFONT TGIS_Font::MakeLogFont() const {
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfWidth = 0;
  lf.lfEscapement = angle_;
  lf.lfOrientation = angle_;
  lf.lfWeight = (style_ & GIS_FONT_BOLD) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & GIS_FONT_ITALIC) ? 1 : 0;
  lf.lfUnderline = (style_ & GIS_FONT_UNDERLINE) ? 1 : 0;
  lf.lfStrikeOut = (style_ & GIS_FONT_STRIKEOUT) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = angle_ != 0 ? OUT_TT_ONLY_PRECIS : OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  // Map text is never anti-aliased: blending treats black as "nothing drawn"
  // and would merge grey fringes.
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lf.lfPitchAndFamily = pitch_ == 1 ? VARIABLE_PITCH : pitch_ == 2 ? FIXED_PITCH : DEFAULT_PITCH;
  std::string face = SameText(name_, "Default") ? std::string("MS Sans Serif") : name_;
  // Cut at a character boundary within the face buffer.
  std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
  while (n > 0 && n < face.size() && (static_cast<unsigned char>(face[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(lf.lfFaceName, face.data(), n);
  lf.lfFaceName[n] = '\0';
  return lf;
}

void TGIS_Font::Select(HDC dc) {
  if (handle_ == nullptr || changed_) {
    LOGFONT lf = MakeLogFont();
    HFONT font = CreateFontIndirect(&lf);
    if (font != nullptr) SelectReplacing(dc, handle_, font);
  } else {
    SelectObject(dc, handle_);
  }
  changed_ = false;
  SetTextColor(dc, ColorToRGB(color_));
}
