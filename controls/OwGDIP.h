// Wrapper objects over the anti-aliasing drawing layer
// (platform/graphics/GdiPlus.h). Each wrapper owns one object of the layer,
// makes one flat call per operation and keeps the last failing status
// instead of throwing: a constructor stores its creation status, every later
// call stores a failure and leaves the field alone on success. Wrappers made
// from other wrappers (a region or a gradient brush from a path) take only
// the other's handle at creation, so each may be freed in any order.
//
// Heap instances take their memory from GdipAlloc; when that fails the layer
// is started again and the allocation tried once more, then std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiPlus.h"

/// Text rendering of the controls that draw through this layer.
enum class TAntiAlias { aaNone, aaClearType, aaAntiAlias };

struct TGPFloatRect {
  float X = 0, Y = 0, Width = 0, Height = 0;
};
struct TGPIntPoint {
  std::int32_t X = 0, Y = 0;
};

TGPFloatRect GPRectOf(float x, float y, float width, float height);
TGPIntPoint GPPointOf(std::int32_t x, std::int32_t y);
/// $AARRGGBB from its four bytes.
ARGB ArgbOf(std::uint8_t alpha, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
/// A class-library colour (system colours resolved) as opaque $FFRRGGBB.
ARGB ArgbOfColor(TColor color);

class TGdiplusBase {
public:
  TGdiplusBase() = default;
  TGdiplusBase(const TGdiplusBase&) = delete;
  TGdiplusBase& operator=(const TGdiplusBase&) = delete;
  virtual ~TGdiplusBase() = default;
  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  GpStatus LastStatus() const { return lastStatus_; }

protected:
  /// The status rule: a failure is kept, success leaves the field alone.
  GpStatus Check(GpStatus status) {
    if (status != GpOk) lastStatus_ = status;
    return status;
  }
  GpStatus lastStatus_ = GpOk;
};

class TGPGraphicsPath;
class TGPPen;
class TGPBrush;
class TGPRegion;
class TGPImage;
class TGPFont;
class TGPStringFormat;

class TGPGraphics : public TGdiplusBase {
public:
  explicit TGPGraphics(HDC dc);
  ~TGPGraphics() override;
  GpGraphics* Native() const { return native_; }
  GpStatus SetTextRenderingHint(int hint);
  GpStatus SetSmoothingMode(int mode);
  GpStatus DrawPath(const TGPPen* pen, const TGPGraphicsPath* path);
  GpStatus FillRectangle(const TGPBrush& brush, float x, float y, float width, float height);
  GpStatus FillRectangle(const TGPBrush& brush, const TGPFloatRect& rect);
  /// UTF-8 text: converted to UTF-16, and `length` (bytes) becomes the
  /// converted length (the same for ASCII text).
  GpStatus DrawString(const std::string& text, int length, const TGPFont* font,
                      const TGPFloatRect& layout, const TGPStringFormat* format,
                      const TGPBrush* brush);
  GpStatus DrawString(const std::u16string& text, int length, const TGPFont* font,
                      const TGPFloatRect& layout, const TGPStringFormat* format,
                      const TGPBrush* brush);
  GpStatus MeasureString(const std::u16string& text, int length, const TGPFont* font,
                         const TGPFloatRect& layout, const TGPStringFormat* format,
                         TGPFloatRect& bounds, int* codepointsFitted = nullptr,
                         int* linesFilled = nullptr);
  GpStatus DrawImage(const TGPImage* image, int x, int y, int width, int height);
  GpStatus FillPath(const TGPBrush& brush, const TGPGraphicsPath& path);
  GpStatus SetClipRegion(const TGPRegion& region, int combineMode);
  GpStatus ResetClip();

private:
  GpGraphics* native_ = nullptr;
};

class TGPPen : public TGdiplusBase {
public:
  explicit TGPPen(ARGB color, float width = 1.0f);
  ~TGPPen() override;
  GpPen* Native() const { return native_; }
  GpStatus SetEndCap(int cap);

private:
  GpPen* native_ = nullptr;
};

class TGPBrush : public TGdiplusBase {
public:
  ~TGPBrush() override;
  GpBrush* Native() const { return native_; }

protected:
  TGPBrush() = default;
  GpBrush* native_ = nullptr;
};

class TGPSolidBrush : public TGPBrush {
public:
  explicit TGPSolidBrush(ARGB color);
};

class TGPLinearGradientBrush : public TGPBrush {
public:
  /// `mode`: GpLinearHorizontal … GpLinearBackwardDiagonal; tiled.
  TGPLinearGradientBrush(const TGPFloatRect& rect, ARGB color1, ARGB color2, int mode);
};

class TGPPathGradientBrush : public TGPBrush {
public:
  explicit TGPPathGradientBrush(const TGPGraphicsPath& path);
  GpStatus SetCenterColor(ARGB color);
  int GetPointCount();
  /// Sets the boundary colours. With no colours, or more than the brush has
  /// points, records GpInvalidParameter and calls nothing; on success writes
  /// back the count the layer took.
  GpStatus SetSurroundColors(const ARGB* colors, int& count);
  GpStatus SetCenterPoint(TGPIntPoint point);
};

class TGPGraphicsPath : public TGdiplusBase {
public:
  explicit TGPGraphicsPath(int fillMode = GpFillAlternate);
  ~TGPGraphicsPath() override;
  GpPath* Native() const { return native_; }
  GpStatus CloseFigure();
  GpStatus AddLine(float x1, float y1, float x2, float y2);
  GpStatus AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle);
  GpStatus AddEllipse(float x, float y, float width, float height);
  GpStatus AddEllipse(const TGPFloatRect& rect);
  GpStatus AddPolygon(const TGPIntPoint* points, int count);
  GpStatus AddCurve(const TGPIntPoint* points, int count);

private:
  GpPath* native_ = nullptr;
};

class TGPRegion : public TGdiplusBase {
public:
  explicit TGPRegion(const TGPGraphicsPath& path);
  ~TGPRegion() override;
  GpRegion* Native() const { return native_; }

private:
  GpRegion* native_ = nullptr;
};

class TGPFontFamily : public TGdiplusBase {
public:
  /// GpFontFamilyNotFound when no such face is installed.
  explicit TGPFontFamily(const std::u16string& name);
  ~TGPFontFamily() override;
  GpFontFamily* Native() const { return native_; }

private:
  GpFontFamily* native_ = nullptr;
};

class TGPFont : public TGdiplusBase {
public:
  /// `style`: GpFontStyle… bits; `unit`: GpUnitWorld, GpUnitPixel or GpUnitPoint.
  TGPFont(const TGPFontFamily* family, float emSize, int style = GpFontStyleRegular,
          int unit = GpUnitPoint);
  ~TGPFont() override;
  GpFont* Native() const { return native_; }

private:
  GpFont* native_ = nullptr;
};

class TGPStringFormat : public TGdiplusBase {
public:
  explicit TGPStringFormat(int flags = 0, std::uint16_t language = 0);
  ~TGPStringFormat() override;
  GpStringFormat* Native() const { return native_; }
  GpStatus SetAlignment(int alignment);
  GpStatus SetLineAlignment(int alignment);
  GpStatus SetTrimming(int trimming);
  GpStatus SetHotkeyPrefix(int prefix);

private:
  GpStringFormat* native_ = nullptr;
};

class TGPImage : public TGdiplusBase {
public:
  /// Decodes the encoded bytes.
  TGPImage(const std::uint8_t* bytes, std::size_t size);
  ~TGPImage() override;
  GpImage* Native() const { return native_; }
  /// Pixels; 0 when the image failed.
  unsigned GetWidth();
  unsigned GetHeight();
  /// GpFormatBmp … GpFormatIcon; GpFormatUndefined when the image failed.
  int GetRawFormat();

private:
  GpImage* native_ = nullptr;
};

/// Starts the drawing layer once for the process (before the first window)
/// and shuts it down (after the last wrapper is gone).
void OwGDIPInitialize();
void OwGDIPFinalize();
