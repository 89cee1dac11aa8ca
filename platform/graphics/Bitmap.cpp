#include "platform/graphics/Bitmap.h"

#include <cstring>
#include <map>

#include "platform/graphics/Dib.h"
#include "platform/graphics/GdiInternal.h"
#include "platform/rtl/Streams.h"

/// The bitmap's canvas: a memory DC with the bitmap selected.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) {}
  ~TBitmapCanvas() override { Free(); }
  void Free() {
    if (!HandleAllocated()) return;
    HDC dc = Handle();
    DeselectHandles();
    SetHandle(nullptr);
    DeleteDC(dc);
  }

protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, owner_->Handle());
    Font()->SetPixelsPerInch(owner_->dib_->PixelsPerInchValue);
    AttachHandle(dc);
  }

private:
  TBitmap* owner_;
};

namespace {
int BppOf(TPixelFormat f) {
  switch (f) {
  case pf1bit:
    return 1;
  case pf4bit:
    return 4;
  case pf8bit:
    return 8;
  case pf15bit:
  case pf16bit:
    return 16;
  case pf32bit:
    return 32;
  default:
    return 24;
  }
}

void FillWhite(TDibData& dib, int fromX, int fromY) {
  int bpp = dib.DibBitsPerPixel();
  // the palette's nearest entry to white, found once
  const int white = bpp == 8 && dib.DibHeight() > 0 ? dib.NearestIndex(0xFFFFFF) : 0;
  for (int y = 0; y < dib.DibHeight(); ++y) {
    int x0 = y >= fromY ? 0 : fromX;
    if (x0 >= dib.DibWidth()) continue;
    if (bpp == 24 || bpp == 32) {
      int bytes = bpp / 8;
      std::uint8_t* row = dib.StoredRow(y);
      std::memset(row + std::size_t(x0) * bytes, 0xFF, std::size_t(dib.DibWidth() - x0) * bytes);
    } else if (bpp == 8) {
      std::memset(dib.StoredRow(y) + x0, white, std::size_t(dib.DibWidth() - x0));
    } else {
      for (int x = x0; x < dib.DibWidth(); ++x)
        dib.SetPixelColor(x, y, 0xFFFFFF);
    }
  }
}
} // namespace

TBitmap::TBitmap() : dib_(std::make_shared<TDibData>(0, 0, 24)) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap() {
  SetPixelFormat(format);
  SetSize(width, height);
}

TBitmap::~TBitmap() {
  canvas_.reset();
  if (handle_) DeleteObject(handle_);
}

void TBitmap::Changed() {
  TGraphic::Changed();
}

void TBitmap::SurfaceChanged() {
  if (canvas_ && canvas_->HandleAllocated()) SetDCSurface(canvas_->Handle(), dib_.get());
}

int TBitmap::Width() const {
  return dib_->DibWidth();
}
int TBitmap::Height() const {
  return dib_->DibHeight();
}
bool TBitmap::Empty() const {
  return Width() == 0 || Height() == 0;
}

void TBitmap::SetSize(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == Width() && h == Height()) return;
  int oldW = Width(), oldH = Height();
  dib_->Resize(w, h);
  if (w > oldW || h > oldH) FillWhite(*dib_, oldW, oldH);
  SurfaceChanged();
  Changed();
}

void TBitmap::SetSizeForOverwrite(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == Width() && h == Height()) return;
  dib_->ResizeForOverwrite(w, h);
  SurfaceChanged();
  Changed();
}

void TBitmap::SetWidth(int w) {
  SetSize(w, Height());
}
void TBitmap::SetHeight(int h) {
  SetSize(Width(), h);
}

TPixelFormat TBitmap::PixelFormat() const {
  switch (dib_->DibBitsPerPixel()) {
  case 1:
    return pf1bit;
  case 4:
    return pf4bit;
  case 8:
    return pf8bit;
  case 16:
    return pf15bit;
  case 32:
    return pf32bit;
  default:
    return pf24bit;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  int bpp = BppOf(format);
  if (bpp == dib_->DibBitsPerPixel()) return;
  dib_->SetBitsPerPixel(bpp);
  SurfaceChanged();
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

HBITMAP TBitmap::Handle() {
  if (!handle_) handle_ = gdi::HandleForDib(dib_);
  return handle_;
}

void TBitmap::DropCanvasHandle() {
  if (canvas_) canvas_->Free();
}

void TBitmap::SetHandle(HBITMAP h) {
  BITMAP bm;
  if (h && !GetObject(h, sizeof bm, &bm)) return;
  DropCanvasHandle();
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
  if (!h) {
    dib_ = std::make_shared<TDibData>(0, 0, 24);
  } else {
    dib_ = gdi::DibOfHandle(h);
    handle_ = h;
  }
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  HBITMAP h = Handle();
  DropCanvasHandle();
  handle_ = nullptr;
  dib_ = std::make_shared<TDibData>(0, 0, 24);
  return h;
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
  return dib_->StoredRow(y);
}

std::vector<RGBQUAD> TBitmap::PaletteEntries() const {
  return dib_->Palette();
}

void TBitmap::SetPaletteEntries(const std::vector<RGBQUAD>& entries) {
  dib_->SetPalette(entries);
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
  if (m == transparentMode_) return;
  transparentMode_ = m;
  if (m == tmAuto) transparentColor_ = clDefault;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
  if (Empty()) return clDefault;
  return TColor(dib_->PixelColor(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor c) {
  transparentColor_ = c;
  transparentMode_ = c == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty() || !canvas) return;
  HDC src = Canvas()->Handle();
  HDC dst = canvas->Handle();
  if (Transparent()) {
    TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, Width(),
                   Height(), ColorToRGB(TransparentColor()));
  } else {
    StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, Width(), Height(),
               canvas->CopyMode());
  }
}

void TBitmap::Assign(const TGraphic* source) {
  if (source == this) return;
  if (!source) {
    SetSize(0, 0);
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    DropCanvasHandle();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    b->dib_->Flush();
    dib_ = std::make_shared<TDibData>(*b->dib_);
    transparent_ = b->transparent_;
    transparentMode_ = b->transparentMode_;
    transparentColor_ = b->transparentColor_;
    handleType_ = b->handleType_;
    Changed();
    return;
  }
  // any other graphic: drawn onto a 24-bit image of its size
  SetPixelFormat(pf24bit);
  SetSize(source->Width(), source->Height());
  Canvas()->Brush()->SetColor(clWhite);
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(TRect(0, 0, Width(), Height()));
  const_cast<TGraphic*>(source)->Draw(Canvas(), TRect(0, 0, Width(), Height()));
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  auto dib = std::make_shared<TDibData>(0, 0, 24);
  ReadBmp(stream, *dib);
  DropCanvasHandle();
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
  dib_ = dib;
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  WriteBmp(stream, *dib_);
}

void TBitmap::LoadFromClipboardFormat(const TClipboardData& data) {
  TGraphic::LoadFromClipboardFormat(data);
}

TClipboardData TBitmap::SaveToClipboardFormat() {
  TClipboardData d = TGraphic::SaveToClipboardFormat();
  d.format = "image/bmp";
  return d;
}

namespace {
std::map<std::string, std::vector<std::uint8_t>>& Resources() {
  static std::map<std::string, std::vector<std::uint8_t>> r;
  return r;
}
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}
} // namespace

void RegisterBitmapResource(const std::string& name, std::vector<std::uint8_t> bmpFile) {
  Resources()[Upper(name)] = std::move(bmpFile);
}

const std::vector<std::uint8_t>* FindBitmapResource(const std::string& name) {
  auto it = Resources().find(Upper(name));
  return it == Resources().end() ? nullptr : &it->second;
}

void TBitmap::LoadFromResourceName(std::uintptr_t, const std::string& name) {
  const std::vector<std::uint8_t>* data = FindBitmapResource(name);
  if (!data) throw EResNotFound("Resource " + name + " not found");
  TMemoryStream m;
  if (!data->empty()) m.WriteBuffer(data->data(), std::int64_t(data->size()));
  m.SetPosition(0);
  LoadFromStream(m);
}
