// Device contexts: creation, state, object selection, transforms, caps.
#include <cmath>
#include <unordered_map>

#include "platform/graphics/GdiInternal.h"

namespace gdi {
namespace {

struct TDcRegistry {
  std::unordered_map<std::uintptr_t, std::unique_ptr<TDc>> dcs;
  std::uintptr_t next = 0x40000002;
};
TDcRegistry& DcReg() {
  // never destroyed: objects freed during program exit may still call in
  static TDcRegistry* r = new TDcRegistry;
  return *r;
}

int gScreenBits = 32;
int gScreenPpi = 96;

void Retain(HGDIOBJ h) {
  if (auto o = Lookup(h)) o->selections++;
}
void Release(HGDIOBJ h) {
  if (auto o = Lookup(h)) o->selections--;
}
void RetainState(const TDcState& s) {
  Retain(s.penHandle);
  Retain(s.brushHandle);
  Retain(s.fontHandle);
  Retain(s.paletteHandle);
}
void ReleaseState(const TDcState& s) {
  Release(s.penHandle);
  Release(s.brushHandle);
  Release(s.fontHandle);
  Release(s.paletteHandle);
}

void InitState(TDcState& s) {
  s.penHandle = GetStockObject(BLACK_PEN);
  s.brushHandle = GetStockObject(WHITE_BRUSH);
  s.fontHandle = GetStockObject(SYSTEM_FONT);
  s.paletteHandle = GetStockObject(DEFAULT_PALETTE);
  s.pen = LookupAs<TPenObject>(s.penHandle, OBJ_PEN);
  s.brush = LookupAs<TBrushObject>(s.brushHandle, OBJ_BRUSH);
  s.font = LookupAs<TFontObject>(s.fontHandle, OBJ_FONT);
}

QTransform ToQ(const XFORM& x) {
  return QTransform(x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy);
}
XFORM FromQ(const QTransform& t) {
  XFORM x;
  x.eM11 = float(t.m11());
  x.eM12 = float(t.m12());
  x.eM21 = float(t.m21());
  x.eM22 = float(t.m22());
  x.eDx = float(t.dx());
  x.eDy = float(t.dy());
  return x;
}

} // namespace

TDc* Dc(HDC h) {
  if (!h) return nullptr;
  auto& m = DcReg().dcs;
  auto it = m.find(reinterpret_cast<std::uintptr_t>(h));
  return it == m.end() ? nullptr : it->second.get();
}

HDC RegisterDc(std::unique_ptr<TDc> dc) {
  InitState(dc->state);
  RetainState(dc->state);
  auto id = DcReg().next;
  DcReg().next += 4;
  DcReg().dcs[id] = std::move(dc);
  return reinterpret_cast<HDC>(id);
}

QTransform TDc::Transform() const {
  return StateTransform(state);
}

int TDc::SurfaceWidth() const {
  if (recording) return recordWidth;
  return surface ? surface->Width() : 0;
}
int TDc::SurfaceHeight() const {
  if (recording) return recordHeight;
  return surface ? surface->Height() : 0;
}

const std::vector<QRect>& TDc::ClipRects() const {
  if (clipValid) return clipRects;
  clipRects.clear();
  QRect all(0, 0, SurfaceWidth(), SurfaceHeight());
  if (!state.clipped) {
    if (!all.isEmpty()) clipRects.push_back(all);
  } else {
    for (const QRect& r : state.clip.intersected(all))
      clipRects.push_back(r);
  }
  clipValid = true;
  return clipRects;
}

int TDc::Ppi() const {
  if (ppi > 0) return ppi;
  if (surface && surface->Kind() != TSurfaceKind::Memory) return surface->PixelsPerInch();
  if (surface) return surface->PixelsPerInch() == 96 ? gScreenPpi : surface->PixelsPerInch();
  return gScreenPpi;
}

TFill TDc::BrushFill(const TBrushObject* brush) const {
  TFill f;
  const TBrushObject& b = brush ? *brush : *state.brush;
  const LOGBRUSH& lb = b.lb;
  f.orgX = state.brushOrg.x();
  f.orgY = state.brushOrg.y();
  f.bk = state.bkColor;
  f.text = state.textColor;
  f.opaque = state.bkMode == OPAQUE;
  f.rop2 = state.rop2;
  f.color = lb.lbColor;
  switch (lb.lbStyle) {
  case BS_SOLID:
    f.kind = TFill::Solid;
    break;
  case BS_HATCHED:
    f.kind = TFill::Hatch;
    f.hatch = int(lb.lbHatch);
    break;
  case BS_PATTERN:
    f.kind = TFill::Pattern;
    f.pattern = b.pattern;
    f.monoPattern = f.pattern && f.pattern->DibBitsPerPixel() == 1;
    break;
  default:
    f.kind = TFill::None;
  }
  return f;
}

TFill TDc::PenFill(COLORREF color) const {
  TFill f;
  f.color = color;
  f.rop2 = state.rop2;
  f.orgX = state.brushOrg.x();
  f.orgY = state.brushOrg.y();
  f.bk = state.bkColor;
  f.text = state.textColor;
  f.opaque = state.bkMode == OPAQUE;
  const TPenObject& p = *state.pen;
  if (p.extended && p.Geometric()) {
    if (p.brushStyle == BS_HATCHED) {
      f.kind = TFill::Hatch;
      f.hatch = int(p.hatch);
    } else if (p.brushStyle == BS_PATTERN && p.pattern) {
      f.kind = TFill::Pattern;
      f.pattern = p.pattern;
      f.monoPattern = p.pattern->DibBitsPerPixel() == 1;
    } else if (p.brushStyle == BS_NULL) {
      f.kind = TFill::None;
    }
  }
  return f;
}

namespace {
bool RunKind(HDC h, const std::function<bool(TDc&)>& op, TVectorOp vector, bool draws) {
  TDc* dc = Dc(h);
  if (!dc) return false;
  if (dc->recording) {
    // Recorded for replay, and run here too so that the recording DC's own
    // state (position, clipping, paths) follows; it has no pixels. Calls
    // made while a path is open only build the path.
    TRecording::TEntry e;
    e.state = dc->state;
    e.op = op;
    e.draws = draws && !dc->pathOpen;
    if (e.draws) e.vector = std::move(vector);
    dc->recording->entries.push_back(std::move(e));
    op(*dc);
    return true;
  }
  return op(*dc);
}
} // namespace

bool Run(HDC h, const std::function<bool(TDc&)>& op, TVectorOp vector) {
  return RunKind(h, op, std::move(vector), true);
}

bool RunState(HDC h, const std::function<bool(TDc&)>& op) {
  return RunKind(h, op, nullptr, false);
}

QTransform StateTransform(const TDcState& s) {
  QTransform t = s.world;
  QPointF off = QPointF(s.viewportOrg - s.windowOrg);
  if (!off.isNull()) t = t * QTransform::fromTranslate(off.x(), off.y());
  return t;
}

} // namespace gdi

using namespace gdi;

// ---- surfaces --------------------------------------------------------------------------------

TMemorySurface::TMemorySurface(int width, int height, int bitsPerPixel, COLORREF fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bpp_(bitsPerPixel == 24 ? 24 : 32) {
  stride_ = DibRowBytes(width_, bpp_);
  pixels_.assign(std::size_t(stride_ * height_), 0);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      std::uint8_t* p = pixels_.data() + y * stride_ + x * (bpp_ / 8);
      WritePixel(p, fill);
      if (bpp_ == 32) p[3] = 0xFF;
    }
}

TBufferSurface::TBufferSurface(std::uint8_t* bits, int width, int height, std::int64_t stride,
                               int bitsPerPixel, TSurfaceKind kind)
    : bits_(bits), width_(width), height_(height), stride_(stride), bpp_(bitsPerPixel),
      kind_(kind) {}

void TBufferSurface::Reset(std::uint8_t* bits, int width, int height, std::int64_t stride) {
  bits_ = bits;
  width_ = width;
  height_ = height;
  stride_ = stride;
}

HDC CreateSurfaceDC(TSurface* surface) {
  auto dc = std::make_unique<TDc>();
  dc->kind = surface && surface->Kind() == TSurfaceKind::Memory ? OBJ_MEMDC : OBJ_DC;
  dc->surface = surface;
  return RegisterDc(std::move(dc));
}

void SetDCSurface(HDC h, TSurface* surface) {
  if (TDc* dc = Dc(h)) {
    dc->surface = surface;
    dc->InvalidateClip();
  }
}

TSurface* GetDCSurface(HDC h) {
  TDc* dc = Dc(h);
  return dc ? dc->surface : nullptr;
}

HDC CreateCompatibleDC(HDC) {
  auto dc = std::make_unique<TDc>();
  dc->kind = OBJ_MEMDC;
  return RegisterDc(std::move(dc));
}

BOOL DeleteDC(HDC h) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  ReleaseState(dc->state);
  for (auto& s : dc->saved)
    ReleaseState(s);
  if (dc->state.bitmapHandle)
    if (auto b = LookupAs<TBitmapObject>(dc->state.bitmapHandle, OBJ_BITMAP)) b->dcSelections--;
  auto& m = DcReg().dcs;
  m.erase(reinterpret_cast<std::uintptr_t>(h));
  return TRUE;
}

int GdiScreenBitsPerPixel() {
  return gScreenBits;
}

void GdiSetScreenCaps(int bitsPerPixel, int pixelsPerInch) {
  gScreenBits = bitsPerPixel;
  gScreenPpi = pixelsPerInch;
}

int GetDeviceCaps(HDC h, int index) {
  TDc* dc = Dc(h);
  if (!dc) return 0;
  bool printer = dc->surface && dc->surface->Kind() == TSurfaceKind::Printer;
  int w = dc->SurfaceWidth(), hgt = dc->SurfaceHeight();
  switch (index) {
  case TECHNOLOGY:
    return printer ? DT_RASPRINTER : dc->recording ? DT_METAFILE : DT_RASDISPLAY;
  case HORZRES:
    return dc->horzRes ? dc->horzRes : w;
  case VERTRES:
    return dc->vertRes ? dc->vertRes : hgt;
  case BITSPIXEL:
    if (printer) return 32;
    return gScreenBits;
  case PLANES:
    return 1;
  case LOGPIXELSX:
  case LOGPIXELSY:
    return dc->Ppi();
  case HORZSIZE:
    return int(std::lround((dc->horzRes ? dc->horzRes : w) * 25.4 / dc->Ppi()));
  case VERTSIZE:
    return int(std::lround((dc->vertRes ? dc->vertRes : hgt) * 25.4 / dc->Ppi()));
  case PHYSICALWIDTH:
    return dc->physWidth ? dc->physWidth : (printer ? w : 0);
  case PHYSICALHEIGHT:
    return dc->physHeight ? dc->physHeight : (printer ? hgt : 0);
  case PHYSICALOFFSETX:
    return dc->physOffX;
  case PHYSICALOFFSETY:
    return dc->physOffY;
  case NUMCOLORS:
    return -1;
  case SIZEPALETTE:
    return 0;
  case RASTERCAPS:
    return 0x0001 | 0x0008 | 0x0800 | 0x0200;
  default:
    return 0;
  }
}

// ---- object selection
// -----------------------------------------------------------------------------

HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
  TDc* dc = Dc(h);
  if (!dc || !obj) return nullptr;
  TDcState& s = dc->state;
  // The pen, brush or font already selected (and so alive): nothing changes.
  if (obj == s.penHandle || obj == s.brushHandle || obj == s.fontHandle) return obj;
  auto o = Lookup(obj);
  if (!o) return nullptr;
  auto swap = [&](HGDIOBJ& slot) {
    HGDIOBJ old = slot;
    Retain(obj);
    Release(old);
    slot = obj;
    return old;
  };
  switch (o->kind) {
  case OBJ_PEN:
  case OBJ_EXTPEN:
    s.pen = std::static_pointer_cast<TPenObject>(o);
    return swap(s.penHandle);
  case OBJ_BRUSH:
    s.brush = std::static_pointer_cast<TBrushObject>(o);
    return swap(s.brushHandle);
  case OBJ_FONT:
    s.font = std::static_pointer_cast<TFontObject>(o);
    return swap(s.fontHandle);
  case OBJ_PAL:
    return swap(s.paletteHandle);
  case OBJ_BITMAP: {
    if (dc->kind != OBJ_MEMDC || dc->recording) return nullptr;
    auto b = std::static_pointer_cast<TBitmapObject>(o);
    if (b->dcSelections > 0 && s.bitmapHandle != obj) return nullptr; // one DC at a time
    HGDIOBJ old = s.bitmapHandle;
    if (old == obj) return old;
    if (auto ob = LookupAs<TBitmapObject>(old, OBJ_BITMAP)) ob->dcSelections--;
    b->dcSelections++;
    s.bitmapHandle = obj;
    dc->selectedDib = b->dib;
    dc->surface = b->dib.get();
    dc->InvalidateClip();
    return old ? old : GetStockObject(19);
  }
  case OBJ_REGION:
    return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(h, obj)));
  default:
    return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC h, UINT kind) {
  TDc* dc = Dc(h);
  if (!dc) return nullptr;
  switch (kind) {
  case OBJ_PEN:
    return dc->state.penHandle;
  case OBJ_BRUSH:
    return dc->state.brushHandle;
  case OBJ_FONT:
    return dc->state.fontHandle;
  case OBJ_BITMAP:
    return dc->state.bitmapHandle;
  case OBJ_PAL:
    return dc->state.paletteHandle;
  default:
    return nullptr;
  }
}

// ---- simple state
// ---------------------------------------------------------------------------------

#define SK_DC_SETTER(Name, Getter, Type, field, check)                                             \
  Type Name(HDC h, Type value) {                                                                   \
    TDc* dc = Dc(h);                                                                               \
    if (!dc || !(check)) return 0;                                                                 \
    Type old = Type(dc->state.field);                                                              \
    dc->state.field = value;                                                                       \
    return old;                                                                                    \
  }                                                                                                \
  Type Getter(HDC h) {                                                                             \
    TDc* dc = Dc(h);                                                                               \
    return dc ? Type(dc->state.field) : 0;                                                         \
  }

SK_DC_SETTER(SetBkMode, GetBkMode, int, bkMode, value == TRANSPARENT || value == OPAQUE)
SK_DC_SETTER(SetBkColor, GetBkColor, COLORREF, bkColor, (value &= 0xFFFFFF, true))
SK_DC_SETTER(SetTextColor, GetTextColor, COLORREF, textColor, (value &= 0xFFFFFF, true))
SK_DC_SETTER(SetTextAlign, GetTextAlign, UINT, textAlign, true)
SK_DC_SETTER(SetPolyFillMode, GetPolyFillMode, int, polyFillMode,
             value == ALTERNATE || value == WINDING)
SK_DC_SETTER(SetROP2, GetROP2, int, rop2, value >= 1 && value <= 16)
SK_DC_SETTER(SetStretchBltMode, GetStretchBltMode, int, stretchMode, value >= 1 && value <= 4)
#undef SK_DC_SETTER

int SetGraphicsMode(HDC h, int mode) {
  TDc* dc = Dc(h);
  if (!dc || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) return 0;
  int old = dc->state.graphicsMode;
  if (mode == GM_COMPATIBLE && !dc->state.world.isIdentity()) return 0;
  dc->state.graphicsMode = mode;
  return old;
}

int GetGraphicsMode(HDC h) {
  TDc* dc = Dc(h);
  return dc ? dc->state.graphicsMode : 0;
}

BOOL SetBrushOrgEx(HDC h, int x, int y, POINT* previous) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  if (previous) *previous = POINT(dc->state.brushOrg.x(), dc->state.brushOrg.y());
  dc->state.brushOrg = QPoint(x, y);
  return TRUE;
}

BOOL GetBrushOrgEx(HDC h, POINT* origin) {
  TDc* dc = Dc(h);
  if (!dc || !origin) return FALSE;
  *origin = POINT(dc->state.brushOrg.x(), dc->state.brushOrg.y());
  return TRUE;
}

BOOL SetWorldTransform(HDC h, const XFORM* xf) {
  TDc* dc = Dc(h);
  if (!dc || !xf || dc->state.graphicsMode != GM_ADVANCED) return FALSE;
  QTransform t = ToQ(*xf);
  if (!t.isInvertible()) return FALSE;
  dc->state.world = t;
  return TRUE;
}

BOOL GetWorldTransform(HDC h, XFORM* xf) {
  TDc* dc = Dc(h);
  if (!dc || !xf) return FALSE;
  *xf = FromQ(dc->state.world);
  return TRUE;
}

BOOL ModifyWorldTransform(HDC h, const XFORM* xf, DWORD mode) {
  TDc* dc = Dc(h);
  if (!dc || dc->state.graphicsMode != GM_ADVANCED) return FALSE;
  QTransform t;
  switch (mode) {
  case MWT_IDENTITY:
    break;
  case MWT_LEFTMULTIPLY:
    if (!xf) return FALSE;
    t = ToQ(*xf) * dc->state.world; // xf applies first
    break;
  case MWT_RIGHTMULTIPLY:
    if (!xf) return FALSE;
    t = dc->state.world * ToQ(*xf);
    break;
  default:
    return FALSE;
  }
  if (!t.isInvertible()) return FALSE;
  dc->state.world = ToQ(FromQ(t));
  return TRUE;
}

BOOL SetViewportOrgEx(HDC h, int x, int y, POINT* previous) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  if (previous) *previous = POINT(dc->state.viewportOrg.x(), dc->state.viewportOrg.y());
  dc->state.viewportOrg = QPoint(x, y);
  return TRUE;
}

BOOL GetViewportOrgEx(HDC h, POINT* origin) {
  TDc* dc = Dc(h);
  if (!dc || !origin) return FALSE;
  *origin = POINT(dc->state.viewportOrg.x(), dc->state.viewportOrg.y());
  return TRUE;
}

BOOL SetWindowOrgEx(HDC h, int x, int y, POINT* previous) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  if (previous) *previous = POINT(dc->state.windowOrg.x(), dc->state.windowOrg.y());
  dc->state.windowOrg = QPoint(x, y);
  return TRUE;
}

BOOL GetWindowOrgEx(HDC h, POINT* origin) {
  TDc* dc = Dc(h);
  if (!dc || !origin) return FALSE;
  *origin = POINT(dc->state.windowOrg.x(), dc->state.windowOrg.y());
  return TRUE;
}

int SaveDC(HDC h) {
  TDc* dc = Dc(h);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  RetainState(dc->state);
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC h, int level) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  int depth = int(dc->saved.size());
  int target = level < 0 ? depth + level + 1 : level;
  if (target < 1 || target > depth) return FALSE;
  while (int(dc->saved.size()) > target) {
    ReleaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  ReleaseState(dc->state);
  TDcState restored = dc->saved.back();
  dc->saved.pop_back();
  // the restored state already holds its selections (retained at save)
  restored.bitmapHandle = dc->state.bitmapHandle;
  dc->state = restored;
  dc->InvalidateClip();
  return TRUE;
}

DWORD GetSysColor(int index) {
  switch (index) {
  case COLOR_MENU:
    return 0xC0C0C0;
  case COLOR_WINDOW:
    return 0xFFFFFF;
  case COLOR_WINDOWFRAME:
    return 0;
  case COLOR_MENUTEXT:
    return 0;
  case COLOR_WINDOWTEXT:
    return 0;
  case COLOR_HIGHLIGHT:
    return 0x800000;
  case COLOR_HIGHLIGHTTEXT:
    return 0xFFFFFF;
  case COLOR_BTNFACE:
    return 0xC0C0C0;
  case COLOR_BTNSHADOW:
    return 0x808080;
  case COLOR_GRAYTEXT:
    return 0x808080;
  case COLOR_BTNTEXT:
    return 0;
  case COLOR_BTNHIGHLIGHT:
    return 0xFFFFFF;
  case COLOR_3DDKSHADOW:
    return 0x404040;
  case COLOR_3DLIGHT:
    return 0xDFDFDF;
  case COLOR_INFOTEXT:
    return 0;
  case COLOR_INFOBK:
    return 0xE1FFFF;
  default:
    return 0;
  }
}
