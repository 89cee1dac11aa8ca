// TBitmap: a device-independent bitmap with a canvas.
//
// Rows are kept top first (ScanLine(0) is the top row), padded to four
// bytes: B,G,R (pf24bit), B,G,R,X (pf32bit), 5-5-5 words (pf15bit/pf16bit)
// or packed palette indices (pf1bit, pf4bit, pf8bit). pfDevice makes a
// 24-bit image. BMP files of 1, 4, 8, 16, 24 and 32 bits are read and
// written (BmpFormat.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Graphic.h"

class TDibData;
class TBitmapCanvas;

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap() override;

  const char* ClassName() const override { return "TBitmap"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override;
  int Height() const override;
  /// New sizes keep the overlapping pixels; new pixels are white.
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  void SetSize(int w, int h);
  /// New size for a writer that fills every row at once (a decoder): the
  /// pixels are undefined until written, where SetSize makes them white.
  void SetSizeForOverwrite(int w, int h);
  bool Empty() const override;

  TPixelFormat PixelFormat() const;
  /// Converts the pixels to the new format.
  void SetPixelFormat(TPixelFormat format);
  TBitmapHandleType HandleType() const { return handleType_; }
  void SetHandleType(TBitmapHandleType t) { handleType_ = t; }
  bool Monochrome() const { return PixelFormat() == pf1bit; }
  void SetMonochrome(bool m) { SetPixelFormat(m ? pf1bit : pf24bit); }

  /// The canvas drawing on the bitmap (created on first use).
  TCanvas* Canvas();
  /// The bitmap handle; the bitmap owns it.
  HBITMAP Handle();
  /// Adopts a bitmap handle made elsewhere (a copy of its pixels is shared).
  void SetHandle(HBITMAP h);
  /// Gives the handle away: the caller deletes it; the bitmap becomes empty.
  HBITMAP ReleaseHandle();

  /// Row y (0 = top) of the stored pixels; EInvalidGraphicOperation "Scan line
  /// index out of range" for a bad y.
  std::uint8_t* ScanLine(int y);
  /// The palette entries of a <= 8-bit image.
  std::vector<RGBQUAD> PaletteEntries() const;
  void SetPaletteEntries(const std::vector<RGBQUAD>& entries);

  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode m);
  /// tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c);

  void Assign(const TGraphic* source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(const TClipboardData& data) override;
  TClipboardData SaveToClipboardFormat() override;
  /// Loads a bitmap registered under `name` (RegisterBitmapResource);
  /// EResNotFound "Resource NAME not found" otherwise.
  void LoadFromResourceName(std::uintptr_t instance, const std::string& name);
  void Dormant() {}
  void FreeImage() {}

  /// The pixel store (for the drawing layer and platform code).
  const std::shared_ptr<TDibData>& Dib() const { return dib_; }

protected:
  void Changed() override;

private:
  friend class TBitmapCanvas;
  void SurfaceChanged();
  void DropCanvasHandle();
  std::shared_ptr<TDibData> dib_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  HGDIOBJ handle_ = nullptr;
  TBitmapHandleType handleType_ = bmDIB;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
};

SK_DECLARE_EXCEPTION(EResNotFound, Exception)

/// Bitmap resources by name: the BMP file bytes (the application registers
/// its artwork at start).
void RegisterBitmapResource(const std::string& name, std::vector<std::uint8_t> bmpFile);
const std::vector<std::uint8_t>* FindBitmapResource(const std::string& name);

/// BMP reading and writing of a pixel store (BmpFormat.cpp).
void ReadBmp(TStream& stream, TDibData& dib);
/// The checks ReadBmp makes before it decodes anything (headers, sizes, the
/// rows or RLE data the file can hold): false, with the reason, when the
/// file fails one.
bool BmpFileIsSound(const std::uint8_t* bytes, std::size_t size, std::string* reason = nullptr);
void WriteBmp(TStream& stream, const TDibData& dib);

/// Draws the source rectangle stretched into the destination, leaving the
/// destination where the source has the colour `transparent`.
BOOL TransparentBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                    UINT transparent);
