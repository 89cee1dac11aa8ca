// TIcon: icons (.ico files, any of their sizes; the largest image is kept)
// read and written through Qt's icon format. Drawn with their transparency:
// pixels less than half opaque are left out.
#pragma once

#include <memory>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"

class TIcon : public TGraphic {
public:
  TIcon();
  ~TIcon() override;
  const char* ClassName() const override { return "TIcon"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override;
  int Height() const override;
  /// An icon's size is its image's: setting it raises EInvalidGraphicOperation.
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  bool Empty() const override;
  /// EInvalidGraphic "Icon image is not valid" for bytes that are no icon.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  /// The pixels with alpha, top row first (32 bits, BGRA).
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

/// Registers "ico" with the picture classes (idempotent).
void RegisterIconFormat();
