// TGpPicture: a graphic that keeps an image as its encoded bytes (BMP, PNG,
// JPEG, GIF ...) and decodes them through the anti-aliasing layer each time
// it is drawn or measured. The bytes are what streams and stored forms hold,
// unchanged. BMP data is drawn at its own size with its bottom-left colour
// transparent; every other format is stretched into the rectangle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/graphics/Graphic.h"
#include "platform/rtl/Streams.h"

class TGpPicture : public TGraphic {
public:
  TGpPicture() = default;
  ~TGpPicture() override = default;

  const char* ClassName() const override { return "TGpPicture"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  bool Empty() const override { return empty_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}

  /// Takes the whole content of the stream (from its start); reads the size.
  void LoadFromStream(TStream& stream) override;
  /// Writes exactly the bytes held.
  void SaveToStream(TStream& stream) override;
  /// Takes the file's bytes; an unreadable file leaves the picture empty.
  void LoadFromFile(const std::string& fileName);
  void LoadFromClipboardFormat(const TClipboardData&) override {}
  TClipboardData SaveToClipboardFormat() override { return {}; }
  /// Stored-form data: the bytes, without reading the size.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;

  /// nullptr empties (OnChange, then OnClear); another TGpPicture or a bitmap
  /// gives its bytes; any other graphic leaves the picture empty.
  void Assign(const TGraphic* source) override;
  /// The current graphic of a picture container, in its own format.
  void AssignPicture(const TPicture* source);

  /// Decodes the bytes to read width and height; false when empty.
  bool ReadSize();
  /// The bytes held.
  const TMemoryStream& Data() const { return data_; }

  std::function<void(TGpPicture* sender)> OnClear;

  /// Tests: the next `count` decoding copies fail for want of memory.
  static void FailNextCopies(int count);

private:
  void TakeBytes(TStream& stream);
  void Clear() {
    if (OnClear) OnClear(this);
  }
  TMemoryStream data_;
  bool empty_ = true;
  int width_ = 0, height_ = 0;
};
