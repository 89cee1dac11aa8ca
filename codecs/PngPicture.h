// The PngPicture module: TPngPicture, the PNG picture class, registered with
// the picture loader for ".png".
//
// For now the pixels come from the platform's PNG decoding helper
// (platform/graphics/PngDecode.h); the codec of this folder replaces that
// one source file, the class's surface stays.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics/Graphic.h"

class TBitmap;

class TPngPicture : public TGraphic {
public:
  TPngPicture();
  ~TPngPicture() override;

  const char* ClassName() const override { return "TPngPicture"; }
  /// Pixels with alpha 0 leave the destination, alpha 255 replace it, and
  /// the others blend: (s * a + (255 - a) * d + 255) >> 8.
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override { return width_ == 0 || height_ == 0; }
  /// Decodes the whole PNG from the stream position to its end; raises
  /// EInvalidGraphic on damaged or unsupported data (the picture stays as it was).
  void LoadFromStream(TStream& stream) override;
  /// Writes the PNG bytes it was loaded from.
  void SaveToStream(TStream& stream) override;
  void Assign(const TGraphic* source) override;

  /// Blends the picture into the rows of a 24-bit bitmap at (0, 0), as Draw does.
  void BlendInto(TBitmap& target) const;

private:
  std::vector<std::uint8_t> data_;
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> bgr_, alpha_; // bottom-up rows
};

/// Registers ".png" with the picture loader (also done at start-up).
void PngPictureRegister();
