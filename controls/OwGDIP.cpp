#include "controls/OwGDIP.h"

#include <algorithm>
#include <new>

#include "platform/rtl/CodePages.h"

namespace {
std::uintptr_t gToken = 0;

GpPen* N(const TGPPen* p) {
  return p ? p->Native() : nullptr;
}
GpPath* N(const TGPGraphicsPath* p) {
  return p ? p->Native() : nullptr;
}
GpImage* N(const TGPImage* i) {
  return i ? i->Native() : nullptr;
}
GpFont* N(const TGPFont* f) {
  return f ? f->Native() : nullptr;
}
GpStringFormat* N(const TGPStringFormat* f) {
  return f ? f->Native() : nullptr;
}
GpBrush* N(const TGPBrush* b) {
  return b ? b->Native() : nullptr;
}
GpRectF RectOf(const TGPFloatRect& r) {
  return GpRectF{r.X, r.Y, r.Width, r.Height};
}
} // namespace

TGPFloatRect GPRectOf(float x, float y, float width, float height) {
  return {x, y, width, height};
}

TGPIntPoint GPPointOf(std::int32_t x, std::int32_t y) {
  return {x, y};
}

ARGB ArgbOf(std::uint8_t alpha, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return ARGB(blue) | ARGB(green) << 8 | ARGB(red) << 16 | ARGB(alpha) << 24;
}

ARGB ArgbOfColor(TColor color) {
  const COLORREF c = ColorToRGB(color);
  return ArgbOf(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

void OwGDIPInitialize() {
  if (gToken == 0) GdiplusStartup(&gToken);
}

void OwGDIPFinalize() {
  if (gToken != 0) GdiplusShutdown(gToken);
  gToken = 0;
}

// ---- TGdiplusBase -------------------------------------------------------------------------

void* TGdiplusBase::operator new(std::size_t size) {
  void* p = GdipAlloc(size);
  if (!p) {
    // Start the layer again and retry once.
    std::uintptr_t token = 0;
    GdiplusStartup(&token);
    if (gToken == 0) gToken = token;
    p = GdipAlloc(size);
  }
  if (!p) throw std::bad_alloc();
  return p;
}

void TGdiplusBase::operator delete(void* p) noexcept {
  GdipFree(p);
}

// ---- TGPGraphics --------------------------------------------------------------------------

TGPGraphics::TGPGraphics(HDC dc) {
  lastStatus_ = GdipCreateFromHDC(dc, &native_);
}
TGPGraphics::~TGPGraphics() {
  GdipDeleteGraphics(native_);
}
GpStatus TGPGraphics::SetTextRenderingHint(int hint) {
  return Check(GdipSetTextRenderingHint(native_, hint));
}
GpStatus TGPGraphics::SetSmoothingMode(int mode) {
  return Check(GdipSetSmoothingMode(native_, mode));
}
GpStatus TGPGraphics::DrawPath(const TGPPen* pen, const TGPGraphicsPath* path) {
  return Check(GdipDrawPath(native_, N(pen), N(path)));
}
GpStatus TGPGraphics::FillRectangle(const TGPBrush& brush, float x, float y, float w, float h) {
  return Check(GdipFillRectangle(native_, brush.Native(), x, y, w, h));
}
GpStatus TGPGraphics::FillRectangle(const TGPBrush& brush, const TGPFloatRect& r) {
  return FillRectangle(brush, r.X, r.Y, r.Width, r.Height);
}
GpStatus TGPGraphics::DrawString(const std::string& text, int length, const TGPFont* font,
                                 const TGPFloatRect& layout, const TGPStringFormat* format,
                                 const TGPBrush* brush) {
  const std::size_t bytes = std::min(text.size(), std::size_t(std::max(length, 0)));
  const std::u16string wide = Utf8ToUtf16(text.substr(0, bytes));
  return DrawString(wide, int(wide.size()), font, layout, format, brush);
}
GpStatus TGPGraphics::DrawString(const std::u16string& text, int length, const TGPFont* font,
                                 const TGPFloatRect& layout, const TGPStringFormat* format,
                                 const TGPBrush* brush) {
  const GpRectF r = RectOf(layout);
  length = std::clamp(length, -1, int(text.size()));
  return Check(GdipDrawString(native_, text.c_str(), length, N(font), &r, N(format), N(brush)));
}
GpStatus TGPGraphics::MeasureString(const std::u16string& text, int length, const TGPFont* font,
                                    const TGPFloatRect& layout, const TGPStringFormat* format,
                                    TGPFloatRect& bounds, int* codepointsFitted, int* linesFilled) {
  const GpRectF r = RectOf(layout);
  GpRectF out;
  length = std::clamp(length, -1, int(text.size()));
  GpStatus s = Check(GdipMeasureString(native_, text.c_str(), length, N(font), &r, N(format), &out,
                                       codepointsFitted, linesFilled));
  if (s == GpOk) bounds = {out.X, out.Y, out.Width, out.Height};
  return s;
}
GpStatus TGPGraphics::DrawImage(const TGPImage* image, int x, int y, int w, int h) {
  return Check(GdipDrawImageRect(native_, N(image), float(x), float(y), float(w), float(h)));
}
GpStatus TGPGraphics::FillPath(const TGPBrush& brush, const TGPGraphicsPath& path) {
  return Check(GdipFillPath(native_, brush.Native(), path.Native()));
}
GpStatus TGPGraphics::SetClipRegion(const TGPRegion& region, int combineMode) {
  return Check(GdipSetClipRegion(native_, region.Native(), combineMode));
}
GpStatus TGPGraphics::ResetClip() {
  return Check(GdipResetClip(native_));
}

// ---- pens and brushes ---------------------------------------------------------------------

TGPPen::TGPPen(ARGB color, float width) {
  lastStatus_ = GdipCreatePen1(color, width, 0, &native_);
}
TGPPen::~TGPPen() {
  GdipDeletePen(native_);
}
GpStatus TGPPen::SetEndCap(int cap) {
  return Check(GdipSetPenEndCap(native_, cap));
}

TGPBrush::~TGPBrush() {
  GdipDeleteBrush(native_);
}

TGPSolidBrush::TGPSolidBrush(ARGB color) {
  lastStatus_ = GdipCreateSolidFill(color, &native_);
}

TGPLinearGradientBrush::TGPLinearGradientBrush(const TGPFloatRect& rect, ARGB color1, ARGB color2,
                                               int mode) {
  const GpRectF r{rect.X, rect.Y, rect.Width, rect.Height};
  lastStatus_ = GdipCreateLineBrushFromRect(&r, color1, color2, mode, 0, &native_);
}

TGPPathGradientBrush::TGPPathGradientBrush(const TGPGraphicsPath& path) {
  lastStatus_ = GdipCreatePathGradientFromPath(path.Native(), &native_);
}
GpStatus TGPPathGradientBrush::SetCenterColor(ARGB color) {
  Check(GdipSetPathGradientCenterColor(native_, color));
  return lastStatus_;
}
int TGPPathGradientBrush::GetPointCount() {
  int count = 0;
  Check(GdipGetPathGradientPointCount(native_, &count));
  return count;
}
GpStatus TGPPathGradientBrush::SetSurroundColors(const ARGB* colors, int& count) {
  if (!colors) return Check(GpInvalidParameter);
  const int points = GetPointCount();
  if (count > points || points <= 0) return Check(GpInvalidParameter);
  int taken = count;
  GpStatus s = Check(GdipSetPathGradientSurroundColorsWithCount(native_, colors, &taken));
  if (lastStatus_ == GpOk) count = taken;
  return s;
}
GpStatus TGPPathGradientBrush::SetCenterPoint(TGPIntPoint point) {
  const GpPointI p{point.X, point.Y};
  return Check(GdipSetPathGradientCenterPointI(native_, &p));
}

// ---- paths, regions, images ---------------------------------------------------------------

TGPGraphicsPath::TGPGraphicsPath(int fillMode) {
  lastStatus_ = GdipCreatePath(fillMode, &native_);
}
TGPGraphicsPath::~TGPGraphicsPath() {
  GdipDeletePath(native_);
}
GpStatus TGPGraphicsPath::CloseFigure() {
  return Check(GdipClosePathFigure(native_));
}
GpStatus TGPGraphicsPath::AddLine(float x1, float y1, float x2, float y2) {
  return Check(GdipAddPathLine(native_, x1, y1, x2, y2));
}
GpStatus TGPGraphicsPath::AddArc(float x, float y, float w, float h, float start, float sweep) {
  return Check(GdipAddPathArc(native_, x, y, w, h, start, sweep));
}
GpStatus TGPGraphicsPath::AddEllipse(float x, float y, float w, float h) {
  return Check(GdipAddPathEllipse(native_, x, y, w, h));
}
GpStatus TGPGraphicsPath::AddEllipse(const TGPFloatRect& r) {
  return AddEllipse(r.X, r.Y, r.Width, r.Height);
}
GpStatus TGPGraphicsPath::AddPolygon(const TGPIntPoint* points, int count) {
  static_assert(sizeof(TGPIntPoint) == sizeof(GpPointI));
  return Check(GdipAddPathPolygonI(native_, reinterpret_cast<const GpPointI*>(points), count));
}
GpStatus TGPGraphicsPath::AddCurve(const TGPIntPoint* points, int count) {
  return Check(GdipAddPathCurveI(native_, reinterpret_cast<const GpPointI*>(points), count));
}

TGPRegion::TGPRegion(const TGPGraphicsPath& path) {
  lastStatus_ = GdipCreateRegionPath(path.Native(), &native_);
}
TGPRegion::~TGPRegion() {
  GdipDeleteRegion(native_);
}

TGPFontFamily::TGPFontFamily(const std::u16string& name) {
  lastStatus_ = GdipCreateFontFamilyFromName(name.c_str(), nullptr, &native_);
}
TGPFontFamily::~TGPFontFamily() {
  GdipDeleteFontFamily(native_);
}

TGPFont::TGPFont(const TGPFontFamily* family, float emSize, int style, int unit) {
  lastStatus_ = GdipCreateFont(family ? family->Native() : nullptr, emSize, style, unit, &native_);
}
TGPFont::~TGPFont() {
  GdipDeleteFont(native_);
}

TGPStringFormat::TGPStringFormat(int flags, std::uint16_t language) {
  lastStatus_ = GdipCreateStringFormat(flags, language, &native_);
}
TGPStringFormat::~TGPStringFormat() {
  GdipDeleteStringFormat(native_);
}
GpStatus TGPStringFormat::SetAlignment(int alignment) {
  return Check(GdipSetStringFormatAlign(native_, alignment));
}
GpStatus TGPStringFormat::SetLineAlignment(int alignment) {
  return Check(GdipSetStringFormatLineAlign(native_, alignment));
}
GpStatus TGPStringFormat::SetTrimming(int trimming) {
  return Check(GdipSetStringFormatTrimming(native_, trimming));
}
GpStatus TGPStringFormat::SetHotkeyPrefix(int prefix) {
  return Check(GdipSetStringFormatHotkeyPrefix(native_, prefix));
}

TGPImage::TGPImage(const std::uint8_t* bytes, std::size_t size) {
  lastStatus_ = GdipLoadImageFromMemory(bytes, size, &native_);
}
TGPImage::~TGPImage() {
  GdipDisposeImage(native_);
}
unsigned TGPImage::GetWidth() {
  unsigned w = 0;
  Check(GdipGetImageWidth(native_, &w));
  return w;
}
unsigned TGPImage::GetHeight() {
  unsigned h = 0;
  Check(GdipGetImageHeight(native_, &h));
  return h;
}
int TGPImage::GetRawFormat() {
  int f = GpFormatUndefined;
  Check(GdipGetImageRawFormat(native_, &f));
  return f;
}
