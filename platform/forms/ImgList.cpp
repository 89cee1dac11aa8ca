#include "platform/forms/ImgList.h"

#include <algorithm>

#include "platform/forms/TextUtil.h"
#include "platform/graphics/Dib.h"

TChangeLink::~TChangeLink() {
  if (sender_ != nullptr) sender_->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  Destroying();
  for (TChangeLink* l : links_)
    l->sender_ = nullptr;
}

void TCustomImageList::SetWidth(int w) {
  if (w == width_) return;
  width_ = std::max(w, 1);
  images_.clear();
  Change();
}

void TCustomImageList::SetHeight(int h) {
  if (h == height_) return;
  height_ = std::max(h, 1);
  images_.clear();
  Change();
}

TCustomImageList::TImage TCustomImageList::cut(TBitmap* image, TBitmap* mask, TColor maskColor,
                                               bool useColor, int piece) const {
  TImage img;
  img.pixels.assign(size_t(width_) * size_t(height_), RGB(255, 255, 255));
  img.opaque.assign(size_t(width_) * size_t(height_), false);
  const TDibData& dib = *image->Dib();
  const TDibData* mdib = mask != nullptr && !mask->Empty() ? mask->Dib().get() : nullptr;
  COLORREF key = ColorToRGB(maskColor);
  for (int y = 0; y < height_ && y < dib.DibHeight(); ++y)
    for (int x = 0; x < width_; ++x) {
      int sx = piece * width_ + x;
      if (sx >= dib.DibWidth()) break;
      COLORREF c = dib.PixelColor(sx, y);
      bool opaque = true;
      if (useColor) opaque = c != key;
      if (mdib != nullptr && sx < mdib->DibWidth() && y < mdib->DibHeight())
        opaque = mdib->PixelColor(sx, y) != RGB(255, 255, 255);
      size_t i = size_t(y) * size_t(width_) + size_t(x);
      img.pixels[i] = c;
      img.opaque[i] = opaque || !masked_;
    }
  return img;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (image == nullptr || image->Empty()) return -1;
  int first = Count();
  int pieces = std::max(1, image->Width() / width_);
  for (int p = 0; p < pieces; ++p)
    images_.push_back(cut(image, mask, clNone, false, p));
  Change();
  return first;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (image == nullptr || image->Empty()) return -1;
  int first = Count();
  int pieces = std::max(1, image->Width() / width_);
  for (int p = 0; p < pieces; ++p)
    images_.push_back(cut(image, nullptr, maskColor, true, p));
  Change();
  return first;
}

const TCustomImageList::TImage& TCustomImageList::at(int index) const {
  if (index < 0 || index >= Count())
    throw EInvalidOperation("Invalid ImageList Index " + forms_detail::IntText(index));
  return images_[size_t(index)];
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  at(index);
  images_[size_t(index)] = cut(image, mask, clNone, false, 0);
  Change();
}

void TCustomImageList::Delete(int index) {
  at(index);
  images_.erase(images_.begin() + index);
  Change();
}

void TCustomImageList::Clear() {
  images_.clear();
  Change();
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) const {
  const TImage& img = at(index);
  image->SetSize(width_, height_);
  image->Canvas()->Brush()->SetColor(clWhite);
  image->Canvas()->FillRect(TRect(0, 0, width_, height_));
  HDC dc = image->Canvas()->Handle();
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      size_t i = size_t(y) * size_t(width_) + size_t(x);
      if (img.opaque[i]) SetPixel(dc, x, y, img.pixels[i]);
    }
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (canvas == nullptr || index < 0 || index >= Count()) return;
  const TImage& img = at(index);
  HDC dc = canvas->Handle();
  COLORREF grey = ColorToRGB(clBtnShadow);
  for (int py = 0; py < height_; ++py)
    for (int px = 0; px < width_; ++px) {
      size_t i = size_t(py) * size_t(width_) + size_t(px);
      if (!img.opaque[i]) continue;
      COLORREF c = img.pixels[i];
      if (!enabled) {
        // Greyed: dark pixels in the shadow colour, light ones left out.
        int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
        if (lum >= 192) continue;
        c = grey;
      }
      SetPixel(dc, x + px, y + py, c);
    }
}

void TCustomImageList::DrawMask(TCanvas* canvas, int x, int y, int index) const {
  if (canvas == nullptr) return;
  const TImage& img = at(index);
  HDC dc = canvas->Handle();
  for (int py = 0; py < height_; ++py)
    for (int px = 0; px < width_; ++px) {
      size_t i = size_t(py) * size_t(width_) + size_t(px);
      SetPixel(dc, x + px, y + py, img.opaque[i] ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (link == nullptr) return;
  if (link->sender_ != nullptr && link->sender_ != this) link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (link != nullptr && link->sender_ == this) link->sender_ = nullptr;
}

void TCustomImageList::Change() {
  if (IsDestroying()) return;
  for (TChangeLink* l : std::vector<TChangeLink*>(links_))
    if (l->OnChange) l->OnChange(this);
  if (OnChange) OnChange(this);
}
