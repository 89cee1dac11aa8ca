// TJPEGImage: JPEG pictures through libjpeg-turbo.
//
// A loaded image keeps its file bytes and decodes on demand (loading reads
// only the header, refusing damaged headers, CMYK, 12-bit samples and
// declared sizes the data cannot hold; data that ends early fails the
// decode with the decoder's message); an image made
// from a bitmap (Assign) is compressed when saved, with the quality set at
// that moment (baseline, standard Huffman tables, 2x2 chroma subsampling,
// density unit 0 at 1:1; greyscale when Grayscale is set).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/graphics/Graphic.h"

class TBitmap;

enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;

  const char* ClassName() const override { return "TJPEGImage"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override;

  int CompressionQuality() const { return quality_; }
  /// 1..100 (values outside are clamped).
  void SetCompressionQuality(int q);
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool g);
  TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TJPEGPixelFormat f) { pixelFormat_ = f; }
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance p) { performance_ = p; }
  bool ProgressiveEncoding() const { return false; }
  TJPEGScale Scale() const { return jsFullSize; }

  /// Takes a TJPEGImage (bytes) or a TBitmap (pixels, compressed at save).
  void Assign(const TGraphic* source) override;
  /// Reads a JPEG from the stream position to the end of its end-of-image
  /// marker (the stream is left just after it).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  /// Decodes (if needed) and returns the pixels as a 24-bit bitmap.
  const TBitmap& Bitmap() const;
  /// Compresses the pixels now with the current quality.
  void Compress();
  /// Decodes now (errors raise EInvalidGraphic).
  void DIBNeeded() const;
  /// Decodes the file straight into the rows of `target`, sized to the
  /// image: 24-bit B,G,R (islow, fancy upsampling), or with the 8-bit pixel
  /// format grey levels under a grey palette. Keeps no copy of its own. The
  /// rows are not cleared first: they are undefined when the decode fails.
  void DecodeInto(TBitmap& target) const;

private:
  void ReadHeader();
  std::vector<std::uint8_t> data_;
  mutable std::unique_ptr<TBitmap> bitmap_;
  int width_ = 0, height_ = 0;
  int quality_ = 90;
  bool grayscale_ = false;
  bool fromPixels_ = false; // the bitmap, not the bytes, is the original
  TJPEGPixelFormat pixelFormat_ = jf24Bit;
  TJPEGPerformance performance_ = jpBestQuality;
};

/// The screen depth new JPEG pictures choose their pixel format by (8 bits
/// or fewer: jf8Bit); tests replace it.
std::function<int()>& JpegScreenBitsHook();

/// Encodes rows of a 24-bit image (B,G,R, top first) as a baseline JPEG.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grayscale);
/// Decodes a JPEG into a 24-bit bitmap; EInvalidGraphic on damaged data.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out);
