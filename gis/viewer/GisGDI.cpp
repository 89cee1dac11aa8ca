// TGIS_GDI: construction, device-context state, shapes, presets, pictures,
// paths and the selection regions.
#include "gis/viewer/GisGDI.h"

#include "platform/forms/Windows.h"
#include "platform/rtl/Exceptions.h"

namespace {
constexpr const char* kModule = "GisGDI";

// Restores the background mode and colour of a device context when it goes.
class TBkSaver {
public:
  explicit TBkSaver(HDC dc) : dc_(dc), mode_(GetBkMode(dc)), color_(GetBkColor(dc)) {}
  ~TBkSaver() {
    ::SetBkMode(dc_, mode_);
    ::SetBkColor(dc_, color_);
  }
  TBkSaver(const TBkSaver&) = delete;
  TBkSaver& operator=(const TBkSaver&) = delete;

private:
  HDC dc_;
  int mode_;
  COLORREF color_;
};

// Puts the pen mode back when it goes.
class TPenModeSaver {
public:
  explicit TPenModeSaver(TGIS_Pen* pen) : pen_(pen), mode_(pen->GetMode()) {}
  ~TPenModeSaver() { pen_->SetMode(mode_); }
  TPenModeSaver(const TPenModeSaver&) = delete;
  TPenModeSaver& operator=(const TPenModeSaver&) = delete;

private:
  TGIS_Pen* pen_;
  int mode_;
};

void DeselectIfCurrent(HDC dc, UINT kind, HGDIOBJ handle, int stock) {
  if (handle != nullptr && GetCurrentObject(dc, kind) == handle)
    SelectObject(dc, GetStockObject(stock));
}
} // namespace

// ---- construction -------------------------------------------------------------

TGIS_GDI::TGIS_GDI(TCanvas* canvas, bool ownsCanvas, TBitmap* bitmap,
                   std::unique_ptr<TBitmap> ownedBitmap, std::unique_ptr<TCanvas> ownedCanvas)
    : canvas_(canvas), bitmap_(bitmap), ownsCanvas_(ownsCanvas),
      ownedCanvas_(std::move(ownedCanvas)), ownedBitmap_(std::move(ownedBitmap)),
      pen_(std::make_unique<TGIS_Pen>()), brush_(std::make_unique<TGIS_Brush>()),
      font_(std::make_unique<TGIS_Font>(canvas != nullptr ? canvas->Font()->PixelsPerInch()
                                                          : ScreenPixelsPerInch())) {}

std::unique_ptr<TGIS_GDI> TGIS_GDI::CreateForCanvas(TCanvas* canvas) {
  return std::unique_ptr<TGIS_GDI>(new TGIS_GDI(canvas, false, nullptr, nullptr, nullptr));
}

std::unique_ptr<TGIS_GDI> TGIS_GDI::CreateForDC(HDC dc) {
  auto canvas = std::make_unique<TCanvas>();
  canvas->SetHandle(dc);
  TCanvas* c = canvas.get();
  return std::unique_ptr<TGIS_GDI>(new TGIS_GDI(c, true, nullptr, nullptr, std::move(canvas)));
}

std::unique_ptr<TGIS_GDI> TGIS_GDI::Create() {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetHandleType(bmDIB);
  TBitmap* b = bitmap.get();
  TCanvas* c = b->Canvas();
  return std::unique_ptr<TGIS_GDI>(new TGIS_GDI(c, false, b, std::move(bitmap), nullptr));
}

std::unique_ptr<TGIS_GDI> TGIS_GDI::CreateForBitmap(TBitmap* bitmap) {
  TCanvas* c = bitmap != nullptr ? bitmap->Canvas() : nullptr;
  return std::unique_ptr<TGIS_GDI>(new TGIS_GDI(c, false, bitmap, nullptr, nullptr));
}

TGIS_GDI::~TGIS_GDI() {
  // Handles still selected cannot be deleted: put stock objects in their place.
  if (canvas_ != nullptr && canvas_->HandleAllocated()) {
    try {
      HDC dc = canvas_->Handle();
      DeselectIfCurrent(dc, OBJ_PEN, pen_->Handle(), BLACK_PEN);
      DeselectIfCurrent(dc, OBJ_EXTPEN, pen_->Handle(), BLACK_PEN);
      DeselectIfCurrent(dc, OBJ_BRUSH, brush_->Handle(), WHITE_BRUSH);
      DeselectIfCurrent(dc, OBJ_FONT, font_->Handle(), SYSTEM_FONT);
      // The canvas selects its own objects again when it next draws.
      canvas_->Refresh();
    } catch (...) {
    }
  }
  pen_.reset();
  brush_.reset();
  font_.reset();
  FreeSelectionRegions();
  ownedCanvas_.reset();
  ownedBitmap_.reset();
}

// ---- state --------------------------------------------------------------------

HDC TGIS_GDI::GetHandle() const {
  return canvas_ != nullptr ? canvas_->Handle() : nullptr;
}

int TGIS_GDI::SetBkMode(int mode) {
  return ::SetBkMode(GetHandle(), mode);
}

UINT TGIS_GDI::SetTextAlign(UINT align) {
  return ::SetTextAlign(GetHandle(), align);
}

int TGIS_GDI::SetPolyFillMode(int mode) {
  return ::SetPolyFillMode(GetHandle(), mode);
}

void TGIS_GDI::SetBrushOrigin(int x, int y) {
  SetBrushOrgEx(GetHandle(), x, y, nullptr);
}

int TGIS_GDI::SetGraphicsMode(int mode) {
  return ::SetGraphicsMode(GetHandle(), mode);
}

XFORM TGIS_GDI::GetWorldTransform() {
  XFORM xf;
  ::GetWorldTransform(GetHandle(), &xf);
  return xf;
}

void TGIS_GDI::SetWorldTransform(const XFORM& xf) {
  ::SetWorldTransform(GetHandle(), &xf);
}

void TGIS_GDI::ModifyWorldTransform(const XFORM& xf, DWORD mode) {
  ::ModifyWorldTransform(GetHandle(), &xf, mode);
}

void TGIS_GDI::Lock() {
  SK_ASSERT(canvas_ != nullptr, "", kModule, __LINE__);
  canvas_->Lock();
}

void TGIS_GDI::Unlock() {
  if (canvas_ != nullptr) canvas_->Unlock();
}

TRect TGIS_GDI::GetClipBox() {
  RECT r;
  int kind = ::GetClipBox(GetHandle(), &r);
  SK_ASSERT(kind != ERROR, "", kModule, __LINE__);
  return r;
}

void TGIS_GDI::SelectClipRgn(HRGN region) {
  ::SelectClipRgn(GetHandle(), region);
}

void TGIS_GDI::IntersectClipRect(int left, int top, int right, int bottom) {
  ::IntersectClipRect(GetHandle(), left, top, right, bottom);
}

// ---- areas and lines ------------------------------------------------------------

void TGIS_GDI::SelectPenAndBrush() {
  HDC dc = GetHandle();
  pen_->Select(dc);
  brush_->Select(dc);
}

void TGIS_GDI::SelectExtendedPenAndBrush() {
  HDC dc = GetHandle();
  pen_->SelectExtended(dc);
  brush_->Select(dc);
}

void TGIS_GDI::FillRect(const TRect& rect) {
  HDC dc = GetHandle();
  brush_->Select(dc);
  TBkSaver saver(dc);
  COLORREF rgb = ColorToRGB(brush_->Color());
  if (brush_->Kind() != GIS_BRUSHKIND_SOLID) {
    ::SetBkColor(dc, ~rgb & 0xFFFFFF);
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetBkColor(dc, rgb);
    ::SetBkMode(dc, OPAQUE);
  }
  RECT r = rect;
  ::FillRect(dc, &r, brush_->Handle());
}

void TGIS_GDI::FrameRect(const TRect& rect) {
  HDC dc = GetHandle();
  brush_->Select(dc);
  TBkSaver saver(dc);
  ::SetBkMode(dc, OPAQUE);
  RECT r = rect;
  ::FrameRect(dc, &r, brush_->Handle());
}

void TGIS_GDI::Rectangle(int left, int top, int right, int bottom) {
  SelectPenAndBrush();
  ::Rectangle(GetHandle(), left, top, right, bottom);
}

void TGIS_GDI::DrawRect(const TRect& rect) {
  Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TGIS_GDI::Ellipse(int left, int top, int right, int bottom) {
  SelectPenAndBrush();
  ::Ellipse(GetHandle(), left, top, right, bottom);
}

void TGIS_GDI::Polygon(const TPoint* points, int count) {
  if (points == nullptr || count <= 0) return;
  SelectPenAndBrush();
  ::Polygon(GetHandle(), points, count);
}

void TGIS_GDI::PolygonArray(const TPoint* points, int lastIndex) {
  Polygon(points, lastIndex + 1);
}

void TGIS_GDI::Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
  SelectPenAndBrush();
  ::Pie(GetHandle(), left, top, right, bottom, x1, y1, x2, y2);
}

void TGIS_GDI::PolygonPart(const TPoint* points, int count, int first) {
  if (points == nullptr || count <= 0 || first < 0) return;
  SelectExtendedPenAndBrush();
  ::Polygon(GetHandle(), points + first, count);
}

void TGIS_GDI::PolyPolygon(const TPoint* points, const DWORD* counts, int n) {
  if (points == nullptr || counts == nullptr || n <= 0) return;
  SelectPenAndBrush();
  // The counts are below 2^31: the same values as int.
  ::PolyPolygon(GetHandle(), points, reinterpret_cast<const int*>(counts), n);
}

void TGIS_GDI::Polyline(const TPoint* points, int count) {
  if (points == nullptr || count <= 0) return;
  pen_->SelectExtended(GetHandle());
  ::Polyline(GetHandle(), points, count);
}

void TGIS_GDI::PolylinePart(const TPoint* points, int count, int first) {
  if (points == nullptr || count <= 0 || first < 0) return;
  pen_->SelectExtended(GetHandle());
  ::Polyline(GetHandle(), points + first, count);
}

void TGIS_GDI::MoveTo(int x, int y) {
  MoveToEx(GetHandle(), x, y, nullptr);
}

void TGIS_GDI::LineTo(int x, int y) {
  pen_->SelectExtended(GetHandle());
  ::LineTo(GetHandle(), x, y);
}

void TGIS_GDI::PolyPolyline(const TPoint* points, const DWORD* counts, int n) {
  if (points == nullptr || counts == nullptr || n <= 0) return;
  SelectPenAndBrush();
  HDC dc = GetHandle();
  TBkSaver saver(dc);
  ::SetBkMode(dc, OPAQUE);
  ::SetBkColor(dc, ColorToRGB(brush_->Color()));
  ::PolyPolyline(dc, points, counts, DWORD(n));
}

void TGIS_GDI::RectangleOutline(int left, int top, int right, int bottom) {
  HDC dc = GetHandle();
  pen_->Select(dc);
  TBkSaver saver(dc);
  ::SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, left, top, nullptr);
  ::LineTo(dc, right, top);
  ::LineTo(dc, right, bottom);
  ::LineTo(dc, left, bottom);
  ::LineTo(dc, left, top);
}

// ---- presets --------------------------------------------------------------------

namespace {
LOGBRUSH PresetBrush(TColor color, bool solidOnly, int brushStyle, TBitmap* pattern) {
  LOGBRUSH lb;
  lb.lbColor = ColorToRGB(color);
  if (pattern != nullptr) {
    pattern->SetHandleType(bmDDB);
    lb.lbStyle = BS_PATTERN;
    lb.lbHatch = reinterpret_cast<std::uintptr_t>(pattern->Handle());
  } else if (brushStyle == GIS_BRUSH_SOLID) {
    lb.lbStyle = BS_SOLID;
  } else if (brushStyle == GIS_BRUSH_CLEAR) {
    lb.lbStyle = BS_NULL;
  } else if (brushStyle >= GIS_BRUSH_HATCH_FIRST &&
             brushStyle <= GIS_BRUSH_HATCH_FIRST + int(HS_DIAGCROSS)) {
    lb.lbStyle = BS_HATCHED;
    lb.lbHatch = std::uintptr_t(brushStyle - GIS_BRUSH_HATCH_FIRST);
  } else {
    lb.lbStyle = BS_SOLID;
  }
  if (solidOnly) {
    lb.lbStyle = BS_SOLID;
    lb.lbHatch = 0;
  }
  return lb;
}
} // namespace

void TGIS_GDI::PrepareLinePen(TColor color, int style, bool solidOnly, int width, int brushStyle,
                              TBitmap* pattern) {
  SK_ASSERT(color != 0, "", kModule, __LINE__);
  pen_->SetStyle(style);
  pen_->SetBrush(PresetBrush(color, solidOnly, brushStyle, pattern));
  pen_->SetWidth(width);
  pen_->SetEndCap(PS_ENDCAP_ROUND);
  if (width == 0) pen_->SetStyle(GIS_PEN_CLEAR);
}

void TGIS_GDI::PrepareOutlinePen(TColor color, int style, bool solidOnly, int width, int brushStyle,
                                 TBitmap* pattern) {
  SK_ASSERT(color != 0, "", kModule, __LINE__);
  pen_->SetStyle(style);
  pen_->SetColor(color);
  pen_->SetBrush(PresetBrush(color, solidOnly, brushStyle, pattern));
  pen_->SetWidth(width);
  pen_->SetEndCap(PS_ENDCAP_FLAT);
  if (width == 0) pen_->SetStyle(GIS_PEN_CLEAR);
}

void TGIS_GDI::PrepareSimplePen(int width, int style) {
  pen_->SetWidth(width);
  pen_->SetStyle(style);
  pen_->SetEndCap(PS_ENDCAP_FLAT);
}

void TGIS_GDI::PrepareSolidPen(TColor color, int width, bool visible) {
  SK_ASSERT(color != 0, "", kModule, __LINE__);
  pen_->SetBrush(PresetBrush(color, true, GIS_BRUSH_SOLID, nullptr));
  pen_->SetColor(color);
  pen_->SetWidth(width);
  pen_->SetEndCap(PS_ENDCAP_FLAT);
  pen_->SetStyle(visible ? GIS_PEN_SOLID : GIS_PEN_CLEAR);
}

void TGIS_GDI::PrepareBrush(TColor color, TBitmap* pattern, int style) {
  SK_ASSERT(color != 0, "", kModule, __LINE__);
  if (pattern != nullptr) {
    pattern->SetHandleType(bmDDB);
    brush_->SetPattern(pattern);
  } else {
    brush_->SetStyle(style);
  }
  brush_->SetColor(color);
}

void TGIS_GDI::PrepareRubberBand() {
  brush_->SetColor(0);
  pen_->SetWidth(1);
  pen_->SetStyle(GIS_PEN_DOT);
}

// ---- rubber band ----------------------------------------------------------------

void TGIS_GDI::XorRectangle(const TRect& rect) {
  TPenModeSaver saver(pen_.get());
  pen_->SetColor(rubberBandColor_);
  pen_->SetMode(GIS_PENMODE_XOR);
  Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TGIS_GDI::XorLine(int x1, int y1, int x2, int y2) {
  TPenModeSaver saver(pen_.get());
  pen_->SetColor(rubberBandColor_);
  pen_->SetMode(GIS_PENMODE_XOR);
  MoveTo(x1, y1);
  LineTo(x2, y2);
}

void TGIS_GDI::InvertRectangle(const TRect& rect) {
  TPenModeSaver saver(pen_.get());
  pen_->SetMode(GIS_PENMODE_NOT);
  Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

// ---- pictures -------------------------------------------------------------------

void TGIS_GDI::DrawGraphic(int x, int y, TGraphic* graphic) {
  if (canvas_ == nullptr || graphic == nullptr) return;
  canvas_->Draw(x, y, graphic);
}

void TGIS_GDI::StretchDrawGraphic(const TRect& rect, TGraphic* graphic) {
  if (graphic == nullptr) return;
  HDC dc = GetHandle();
  if (dc == nullptr) return;
  TCanvas temporary;
  temporary.SetHandle(dc);
  temporary.StretchDraw(rect, graphic);
  temporary.SetHandle(nullptr);
}

void TGIS_GDI::CopyRect(const TRect& destRect, TGIS_GDI* source, const TRect& sourceRect) {
  if (source == nullptr) return;
  ::StretchBlt(GetHandle(), destRect.Left, destRect.Top, destRect.Width(), destRect.Height(),
               source->GetHandle(), sourceRect.Left, sourceRect.Top, sourceRect.Width(),
               sourceRect.Height(), SRCCOPY);
}

int TGIS_GDI::StretchDIBits(int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                            int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                            DWORD rop) {
  return ::StretchDIBits(GetHandle(), x, y, width, height, srcX, srcY, srcWidth, srcHeight, bits,
                         info, usage, rop);
}

// ---- paths and regions ----------------------------------------------------------

void TGIS_GDI::BeginPath() {
  ::BeginPath(GetHandle());
}

void TGIS_GDI::EndPath() {
  ::EndPath(GetHandle());
}

void TGIS_GDI::WidenPath() {
  ::WidenPath(GetHandle());
}

HRGN TGIS_GDI::PathToRegion() {
  return ::PathToRegion(GetHandle());
}

int TGIS_GDI::CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  return ::CombineRgn(dest, src1, src2, mode);
}

HRGN TGIS_GDI::CreateRectRgn(int left, int top, int right, int bottom) {
  return ::CreateRectRgn(left, top, right, bottom);
}

TRect TGIS_GDI::GetRgnBox(HRGN region) {
  RECT r;
  ::GetRgnBox(region, &r);
  return r;
}

void TGIS_GDI::DeleteObject(HGDIOBJ& handle) {
  if (handle == nullptr) return;
  BOOL done = ::DeleteObject(handle);
  SK_ASSERT(done != FALSE, "", kModule, __LINE__);
  handle = nullptr;
}

void TGIS_GDI::InvalidateRect(TGIS_WindowHandle window, const TRect* rect, bool erase) {
  ::InvalidateRect(HWND(window), rect, erase);
}

void TGIS_GDI::InvalidateWindow(TGIS_WindowHandle window, bool erase) {
  ::InvalidateRect(HWND(window), nullptr, erase);
}

// ---- selection regions ----------------------------------------------------------

void TGIS_GDI::AddSelectionRegion(bool secondaryAllowed, HRGN region, bool primary) {
  HRGN* target = primary ? &selection_ : secondaryAllowed ? &selectionSecondary_ : nullptr;
  if (target == nullptr) return;
  if (*target == nullptr) *target = ::CreateRectRgn(-1, -1, -1, -1);
  if (region != nullptr) {
    ::CombineRgn(*target, *target, region, RGN_OR);
    return;
  }
  HRGN path = ::PathToRegion(GetHandle());
  if (path == nullptr) return;
  ::CombineRgn(*target, *target, path, RGN_OR);
  ::DeleteObject(path);
}

void TGIS_GDI::FreeSelectionRegions() {
  if (selection_ != nullptr) ::DeleteObject(selection_);
  if (selectionSecondary_ != nullptr) ::DeleteObject(selectionSecondary_);
  selection_ = nullptr;
  selectionSecondary_ = nullptr;
}

void TGIS_GDI::SetSelectionRegion(HRGN region) {
  if (region == selection_) return;
  if (selection_ != nullptr) ::DeleteObject(selection_);
  selection_ = region;
}

void TGIS_GDI::SetSelectionRegionSecondary(HRGN region) {
  if (region == selectionSecondary_) return;
  if (selectionSecondary_ != nullptr) ::DeleteObject(selectionSecondary_);
  selectionSecondary_ = region;
}

void TGIS_GDI::MoveSelectionRegionsTo(TGIS_GDI& target) {
  if (&target == this) return;
  target.SetSelectionRegion(selection_);
  target.SetSelectionRegionSecondary(selectionSecondary_);
  selection_ = nullptr;
  selectionSecondary_ = nullptr;
}

void TGIS_GDI::CopySelectionRegionsTo(TGIS_GDI& target) const {
  if (&target == this) return;
  auto copy = [](HRGN source) -> HRGN {
    if (source == nullptr) return nullptr;
    HRGN r = ::CreateRectRgn(0, 0, 0, 0);
    ::CombineRgn(r, source, nullptr, RGN_COPY);
    return r;
  };
  target.SetSelectionRegion(copy(selection_));
  target.SetSelectionRegionSecondary(copy(selectionSecondary_));
}
