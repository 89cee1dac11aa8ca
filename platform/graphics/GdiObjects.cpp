// The object registry: handles, counters, creation, read-back and deletion.
#include <charconv>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/graphics/GdiInternal.h"

namespace gdi {
namespace {

struct TRegistry {
  std::unordered_map<std::uintptr_t, std::shared_ptr<TObject>> objects;
  std::map<DWORD, TGdiObjectCount> counts;
  std::uintptr_t next = 0x1000;
  std::unordered_map<const TDibData*, HBITMAP> dibHandles;
  HGDIOBJ stock[20] = {};
};

TRegistry& Reg() {
  // never destroyed: objects freed during program exit may still call in
  static TRegistry* r = new TRegistry;
  return *r;
}

void MakeStock() {
  TRegistry& r = Reg();
  if (r.stock[WHITE_BRUSH]) return;
  auto add = [&](int index, std::shared_ptr<TObject> o) {
    o->stock = true;
    HGDIOBJ h = reinterpret_cast<HGDIOBJ>(r.next);
    r.next += 4;
    r.objects[reinterpret_cast<std::uintptr_t>(h)] = std::move(o);
    r.stock[index] = h;
  };
  auto brush = [](UINT style, COLORREF c) {
    auto b = std::make_shared<TBrushObject>();
    b->lb.lbStyle = style;
    b->lb.lbColor = c;
    return b;
  };
  add(WHITE_BRUSH, brush(BS_SOLID, 0xFFFFFF));
  add(LTGRAY_BRUSH, brush(BS_SOLID, 0xC0C0C0));
  add(GRAY_BRUSH, brush(BS_SOLID, 0x808080));
  add(DKGRAY_BRUSH, brush(BS_SOLID, 0x404040));
  add(BLACK_BRUSH, brush(BS_SOLID, 0));
  add(NULL_BRUSH, brush(BS_NULL, 0));
  auto pen = [](int style, COLORREF c) {
    auto p = std::make_shared<TPenObject>();
    p->style = DWORD(style);
    p->width = 1;
    p->color = c;
    return p;
  };
  add(WHITE_PEN, pen(PS_SOLID, 0xFFFFFF));
  add(BLACK_PEN, pen(PS_SOLID, 0));
  add(NULL_PEN, pen(PS_NULL, 0));
  auto font = std::make_shared<TFontObject>();
  std::strcpy(font->lf.lfFaceName, "MS Sans Serif");
  font->lf.lfHeight = -11;
  add(SYSTEM_FONT, font);
  auto guiFont = std::make_shared<TFontObject>(*font);
  add(DEFAULT_GUI_FONT, guiFont);
  auto pal = std::make_shared<TPaletteObject>();
  static const COLORREF def[20] = {0,        0x80,     0x8000,   0x8080,   0x800000,
                                   0x800080, 0x808000, 0xC0C0C0, 0xC0DCC0, 0xF0CAA6,
                                   0xF0FBFF, 0xA4A0A0, 0x808080, 0xFF,     0xFF00,
                                   0xFFFF,   0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  for (COLORREF c : def) {
    RGBQUAD q;
    q.rgbRed = GetRValue(c);
    q.rgbGreen = GetGValue(c);
    q.rgbBlue = GetBValue(c);
    pal->entries.push_back(q);
  }
  add(DEFAULT_PALETTE, pal);
  auto bitmap = std::make_shared<TBitmapObject>(); // what a new memory DC holds
  bitmap->dib = std::make_shared<TDibData>(1, 1, 1);
  add(19, bitmap);
}

} // namespace

HGDIOBJ Register(std::shared_ptr<TObject> object) {
  TRegistry& r = Reg();
  std::uintptr_t id = r.next;
  r.next += 4;
  r.counts[object->kind].Created++;
  r.objects[id] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(id);
}

std::shared_ptr<TObject> Lookup(HGDIOBJ h) {
  if (!h) return nullptr;
  MakeStock();
  TRegistry& r = Reg();
  auto it = r.objects.find(reinterpret_cast<std::uintptr_t>(h));
  return it == r.objects.end() ? nullptr : it->second;
}

TObject* LookupObject(HGDIOBJ h) {
  if (!h) return nullptr;
  MakeStock();
  TRegistry& r = Reg();
  auto it = r.objects.find(reinterpret_cast<std::uintptr_t>(h));
  return it == r.objects.end() ? nullptr : it->second.get();
}

std::shared_ptr<TRegionObject> Region(HRGN h) {
  return LookupAs<TRegionObject>(h, OBJ_REGION);
}

HBITMAP HandleForDib(const std::shared_ptr<TDibData>& dib) {
  TRegistry& r = Reg();
  auto it = r.dibHandles.find(dib.get());
  if (it != r.dibHandles.end() && Lookup(it->second)) return it->second;
  auto o = std::make_shared<TBitmapObject>();
  o->dib = dib;
  HBITMAP h = Register(o);
  r.dibHandles[dib.get()] = h;
  return h;
}

std::shared_ptr<TDibData> DibOfHandle(HBITMAP h) {
  auto b = LookupAs<TBitmapObject>(h, OBJ_BITMAP);
  if (!b || !b->dib) return std::make_shared<TDibData>(0, 0, 24);
  Reg().dibHandles[b->dib.get()] = h;
  return b->dib;
}

} // namespace gdi

using namespace gdi;

TGdiObjectCount GdiObjectCount(DWORD objectKind) {
  return Reg().counts[objectKind];
}

long GdiLiveObjectCount() {
  long n = 0;
  for (auto& [id, o] : Reg().objects)
    if (!o->stock) ++n;
  return n;
}

void GdiResetObjectCounts() {
  TRegistry& r = Reg();
  r.counts.clear();
  for (auto& [id, o] : r.objects)
    if (!o->stock) r.counts[o->kind].Created++;
}

namespace {
const std::pair<DWORD, const char*> kKinds[] = {
    {OBJ_PEN, "pens"},    {OBJ_EXTPEN, "extended pens"}, {OBJ_BRUSH, "brushes"},
    {OBJ_FONT, "fonts"},  {OBJ_BITMAP, "bitmaps"},       {OBJ_REGION, "regions"},
    {OBJ_PAL, "palettes"}};
long LiveOf(DWORD kind) {
  long n = 0;
  for (auto& [id, o] : Reg().objects)
    if (!o->stock && o->kind == kind) ++n;
  return n;
}
} // namespace

TGdiObjectSnapshot::TGdiObjectSnapshot() {
  for (auto [kind, name] : kKinds)
    live_[kind & 15] = LiveOf(kind);
}

std::string TGdiObjectSnapshot::Leaks() const {
  std::string out;
  for (auto [kind, name] : kKinds) {
    long extra = LiveOf(kind) - live_[kind & 15];
    if (extra <= 0) continue;
    if (!out.empty()) out += ", ";
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, extra);
    out += std::string(name) + " +" + std::string(digits, r.ptr);
  }
  return out;
}

HGDIOBJ GetStockObject(int index) {
  MakeStock();
  if (index < 0 || index >= 20) return nullptr;
  return Reg().stock[index];
}

DWORD GetObjectType(HGDIOBJ h) {
  if (auto o = Lookup(h)) return o->kind;
  if (Dc(reinterpret_cast<HDC>(h))) return Dc(reinterpret_cast<HDC>(h))->kind;
  return 0;
}

BOOL DeleteObject(HGDIOBJ h) {
  auto o = Lookup(h);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (o->selections > 0) return FALSE;
  if (o->kind == OBJ_BITMAP) {
    auto b = std::static_pointer_cast<TBitmapObject>(o);
    if (b->dcSelections > 0) return FALSE;
    auto it = Reg().dibHandles.find(b->dib.get());
    if (it != Reg().dibHandles.end() && it->second == h) Reg().dibHandles.erase(it);
  }
  Reg().counts[o->kind].Deleted++;
  Reg().objects.erase(reinterpret_cast<std::uintptr_t>(h));
  return TRUE;
}

namespace {
std::shared_ptr<TDibData> CopyDibOfBitmap(HBITMAP h) {
  auto b = LookupAs<TBitmapObject>(h, OBJ_BITMAP);
  if (!b || !b->dib) return nullptr;
  b->dib->Flush();
  return std::make_shared<TDibData>(*b->dib);
}
} // namespace

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  int style = int(lp->lopnStyle & PS_STYLE_MASK);
  if (style > int(PS_INSIDEFRAME) && style != int(PS_ALTERNATE)) return nullptr;
  auto p = std::make_shared<TPenObject>();
  p->style = lp->lopnStyle;
  p->width = lp->lopnWidth.x;
  p->color = lp->lopnColor & 0xFFFFFF;
  return Register(p);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  LOGPEN lp;
  lp.lopnStyle = UINT(style);
  lp.lopnWidth.x = width;
  lp.lopnColor = color;
  return CreatePenIndirect(&lp);
}

HPEN ExtCreatePen(DWORD penStyle, DWORD width, const LOGBRUSH* lb, DWORD styleCount,
                  const DWORD* styles) {
  (void)styles;
  if (!lb || styleCount != 0) return nullptr;
  bool geometric = (penStyle & PS_TYPE_MASK) == PS_GEOMETRIC;
  if (!geometric && width != 1) return nullptr;
  if (!geometric && lb->lbStyle != BS_SOLID) return nullptr;
  auto p = std::make_shared<TPenObject>();
  p->kind = OBJ_EXTPEN;
  p->extended = true;
  p->style = penStyle;
  p->width = int(width);
  p->color = lb->lbColor & 0xFFFFFF;
  p->brushStyle = lb->lbStyle;
  p->hatch = lb->lbHatch;
  if (lb->lbStyle == BS_PATTERN) {
    p->pattern = CopyDibOfBitmap(reinterpret_cast<HBITMAP>(lb->lbHatch));
    if (!p->pattern) return nullptr;
  }
  return Register(p);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  auto b = std::make_shared<TBrushObject>();
  b->lb = *lb;
  b->lb.lbColor &= 0xFFFFFF;
  switch (lb->lbStyle) {
  case BS_SOLID:
  case BS_NULL:
    break;
  case BS_HATCHED:
    if (lb->lbHatch > HS_DIAGCROSS) return nullptr;
    break;
  case BS_PATTERN:
    b->pattern = CopyDibOfBitmap(reinterpret_cast<HBITMAP>(lb->lbHatch));
    if (!b->pattern) return nullptr;
    break;
  default:
    return nullptr;
  }
  return Register(b);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb;
  lb.lbColor = color;
  return CreateBrushIndirect(&lb);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  LOGBRUSH lb;
  lb.lbStyle = BS_HATCHED;
  lb.lbColor = color;
  lb.lbHatch = std::uintptr_t(hatch);
  return CreateBrushIndirect(&lb);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  LOGBRUSH lb;
  lb.lbStyle = BS_PATTERN;
  lb.lbHatch = reinterpret_cast<std::uintptr_t>(bitmap);
  return CreateBrushIndirect(&lb);
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto f = std::make_shared<TFontObject>();
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return Register(f);
}

int GetObject(HGDIOBJ h, int size, void* buffer) {
  auto o = Lookup(h);
  if (!o) return 0;
  auto copy = [&](const void* data, int n) {
    if (!buffer) return n;
    if (size < n) return 0;
    std::memcpy(buffer, data, std::size_t(n));
    return n;
  };
  switch (o->kind) {
  case OBJ_PEN: {
    auto p = std::static_pointer_cast<TPenObject>(o);
    LOGPEN lp;
    lp.lopnStyle = p->style;
    lp.lopnWidth.x = p->width;
    lp.lopnColor = p->color;
    return copy(&lp, sizeof lp);
  }
  case OBJ_EXTPEN: {
    auto p = std::static_pointer_cast<TPenObject>(o);
    EXTLOGPEN e;
    e.elpPenStyle = p->style;
    e.elpWidth = DWORD(p->width);
    e.elpBrushStyle = p->brushStyle;
    e.elpColor = p->color;
    e.elpHatch = p->hatch;
    return copy(&e, sizeof e);
  }
  case OBJ_BRUSH: {
    auto b = std::static_pointer_cast<TBrushObject>(o);
    return copy(&b->lb, sizeof b->lb);
  }
  case OBJ_FONT: {
    auto f = std::static_pointer_cast<TFontObject>(o);
    return copy(&f->lf, sizeof f->lf);
  }
  case OBJ_BITMAP: {
    auto b = std::static_pointer_cast<TBitmapObject>(o);
    BITMAP bm;
    bm.bmWidth = b->dib->DibWidth();
    bm.bmHeight = b->dib->DibHeight();
    bm.bmBitsPixel = WORD(b->dib->DibBitsPerPixel());
    bm.bmWidthBytes = LONG(b->dib->RowBytes());
    bm.bmBits = b->dib->StoredBits().data();
    return copy(&bm, sizeof bm);
  }
  case OBJ_PAL: {
    auto p = std::static_pointer_cast<TPaletteObject>(o);
    WORD n = WORD(p->entries.size());
    return copy(&n, sizeof n);
  }
  default:
    return 0;
  }
}
