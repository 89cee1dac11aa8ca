// Image lists: equally sized images with transparency masks, drawn onto
// canvases (greyed when disabled), with change links for the controls that
// show them.
#pragma once

#include <functional>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/graphics/Bitmap.h"

class TCustomImageList;

/// Tells a control that the list it shows changed.
class TChangeLink {
public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  TCustomImageList* Sender() const { return sender_; }
  TNotifyEvent OnChange;

private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
  SK_CLASS(TCustomImageList, TComponent)
public:
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  /// A new size empties the list.
  void SetWidth(int w);
  void SetHeight(int h);
  int Count() const { return int(images_.size()); }
  bool Masked() const { return masked_; }
  void SetMasked(bool v) { masked_ = v; }

  /// Adds the image (cut into Width-wide pieces when wider); `mask` marks the
  /// transparent pixels white (null: none transparent). Returns the first
  /// new index, -1 for an empty image.
  int Add(TBitmap* image, TBitmap* mask);
  /// Adds the image with the pixels of `maskColor` transparent.
  int AddMasked(TBitmap* image, TColor maskColor);
  void Replace(int index, TBitmap* image, TBitmap* mask);
  void Delete(int index);
  void Clear();
  /// The image on a fresh bitmap (transparent pixels in the background
  /// colour of the bitmap: white).
  void GetBitmap(int index, TBitmap* image) const;

  /// Draws image `index` at (x, y); a disabled image is drawn greyed.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
  /// Draws the mask: black where the image is opaque, white elsewhere.
  void DrawMask(TCanvas* canvas, int x, int y, int index) const;

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

protected:
  void Change();

private:
  struct TImage {
    std::vector<COLORREF> pixels;
    std::vector<bool> opaque;
  };
  TImage cut(TBitmap* image, TBitmap* mask, TColor maskColor, bool useColor, int piece) const;
  const TImage& at(int index) const;
  int width_ = 16, height_ = 16;
  bool masked_ = true;
  std::vector<TImage> images_;
  std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
  SK_CLASS(TImageList, TCustomImageList)
public:
  using TCustomImageList::TCustomImageList;
};
