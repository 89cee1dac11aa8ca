// The anti-aliasing drawing layer's flat interface: surfaces made on a device
// context, pens, solid, linear-gradient and path-gradient brushes, paths,
// regions, and images decoded from bytes.
//
// Every call returns a status (GpOk, GpInvalidParameter ...) and never throws.
// A drawing surface draws into the pixels of the DC's surface, the same store
// the DC's own calls write, so calls of both kinds may interleave freely. It
// is always clipped to the DC's clip region; the DC's window and viewport
// origins and world transform apply. Integer coordinates name pixel centres:
// a rectangle (0, 0, 10, 10) filled without smoothing covers pixels 0 … 9.
//
// Objects are counted (GdipLiveObjects) so tests can check that every object
// made was freed. Files: GdiPlus.cpp (objects, paths, brushes, drawing),
// GdiPlusText.cpp (font families, fonts, string formats, drawing and
// measuring text), GdiPlusImage.cpp (image decoding).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/graphics/Gdi.h"

using GpStatus = int;
enum : GpStatus {
  GpOk = 0,
  GpGenericError = 1,
  GpInvalidParameter = 2,
  GpOutOfMemory = 3,
  GpNotImplemented = 6,
  GpUnknownImageFormat = 13,
  GpFontFamilyNotFound = 14,
};

using ARGB = std::uint32_t;

struct GpGraphics;
struct GpPen;
struct GpBrush;
struct GpPath;
struct GpRegion;
struct GpImage;
struct GpFontFamily;
struct GpFont;
struct GpStringFormat;
using WCHAR = char16_t;

struct GpRectF {
  float X = 0, Y = 0, Width = 0, Height = 0;
};
struct GpPointI {
  std::int32_t X = 0, Y = 0;
};

enum : int {
  GpSmoothingDefault = 0,
  GpSmoothingHighSpeed = 1,
  GpSmoothingHighQuality = 2,
  GpSmoothingNone = 3,
  GpSmoothingAntiAlias = 4,
};
enum : int { GpFillAlternate = 0, GpFillWinding = 1 };
enum : int {
  GpCombineReplace = 0,
  GpCombineIntersect = 1,
  GpCombineUnion = 2,
  GpCombineXor = 3,
  GpCombineExclude = 4,
  GpCombineComplement = 5,
};
enum : int {
  GpLinearHorizontal = 0,
  GpLinearVertical = 1,
  GpLinearForwardDiagonal = 2,
  GpLinearBackwardDiagonal = 3,
};
/// Text rendering hints: 1 and 2 draw aliased glyphs, the others smooth ones.
enum : int {
  GpTextRenderingSystemDefault = 0,
  GpTextRenderingSingleBitPerPixelGridFit = 1,
  GpTextRenderingSingleBitPerPixel = 2,
  GpTextRenderingAntiAliasGridFit = 3,
  GpTextRenderingAntiAlias = 4,
  GpTextRenderingClearTypeGridFit = 5,
};
enum : int { GpUnitWorld = 0, GpUnitDisplay = 1, GpUnitPixel = 2, GpUnitPoint = 3 };
enum : int {
  GpFontStyleRegular = 0,
  GpFontStyleBold = 1,
  GpFontStyleItalic = 2,
  GpFontStyleUnderline = 4,
  GpFontStyleStrikeout = 8,
};
/// String format flags the layer honours.
enum : int {
  GpStringFormatFlagsDirectionRightToLeft = 0x0001,
  GpStringFormatFlagsNoWrap = 0x1000,
  GpStringFormatFlagsNoClip = 0x4000,
};
enum : int { GpStringAlignmentNear = 0, GpStringAlignmentCenter = 1, GpStringAlignmentFar = 2 };
enum : int {
  GpStringTrimmingNone = 0,
  GpStringTrimmingCharacter = 1,
  GpStringTrimmingWord = 2,
  GpStringTrimmingEllipsisCharacter = 3,
  GpStringTrimmingEllipsisWord = 4,
  GpStringTrimmingEllipsisPath = 5,
};
/// "&x": 0 shows the ampersand, 1 underlines x, 2 hides the ampersand.
enum : int { GpHotkeyPrefixNone = 0, GpHotkeyPrefixShow = 1, GpHotkeyPrefixHide = 2 };
/// Line caps. The arrow anchor ends a line in a filled arrowhead two pen
/// widths long and two wide, whose tip is the line's end point.
enum : int {
  GpCapFlat = 0,
  GpCapSquare = 1,
  GpCapRound = 2,
  GpCapTriangle = 3,
  GpCapArrowAnchor = 20
};
/// Raw image formats, numbered as the controls know them.
enum : int {
  GpFormatUndefined = 0,
  GpFormatMemoryBmp = 1,
  GpFormatBmp = 2,
  GpFormatEmf = 3,
  GpFormatWmf = 4,
  GpFormatJpeg = 5,
  GpFormatPng = 6,
  GpFormatGif = 7,
  GpFormatTiff = 8,
  GpFormatExif = 9,
  GpFormatIcon = 10,
};

// ---- start-up and memory -----------------------------------------------------------------
GpStatus GdiplusStartup(std::uintptr_t* token);
void GdiplusShutdown(std::uintptr_t token);
/// Memory for a wrapper object; null when exhausted.
void* GdipAlloc(std::size_t size);
void GdipFree(void* p);
/// Tests: the next `count` GdipAlloc calls fail.
void GdipFailNextAllocs(int count);
/// Objects (surfaces, pens, brushes, paths, regions, images) alive now.
int GdipLiveObjects();

// ---- drawing surfaces ---------------------------------------------------------------------
GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, int mode);
GpStatus GdipSetTextRenderingHint(GpGraphics* graphics, int hint);
GpStatus GdipDrawPath(GpGraphics* graphics, GpPen* pen, GpPath* path);
GpStatus GdipFillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path);
GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, float x, float y, float width,
                           float height);
GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, float x, float y, float width,
                           float height);
GpStatus GdipSetClipRegion(GpGraphics* graphics, GpRegion* region, int combineMode);
GpStatus GdipResetClip(GpGraphics* graphics);

// ---- pens ---------------------------------------------------------------------------------
GpStatus GdipCreatePen1(ARGB color, float width, int unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipSetPenEndCap(GpPen* pen, int cap);

// ---- brushes ------------------------------------------------------------------------------
GpStatus GdipCreateSolidFill(ARGB color, GpBrush** brush);
/// Tiled (wrap mode 0) linear gradient over `rect`.
GpStatus GdipCreateLineBrushFromRect(const GpRectF* rect, ARGB color1, ARGB color2, int mode,
                                     int wrapMode, GpBrush** brush);
GpStatus GdipCreatePathGradientFromPath(GpPath* path, GpBrush** brush);
GpStatus GdipSetPathGradientCenterColor(GpBrush* brush, ARGB color);
GpStatus GdipGetPathGradientPointCount(GpBrush* brush, int* count);
GpStatus GdipSetPathGradientSurroundColorsWithCount(GpBrush* brush, const ARGB* colors, int* count);
GpStatus GdipSetPathGradientCenterPointI(GpBrush* brush, const GpPointI* point);
GpStatus GdipDeleteBrush(GpBrush* brush);

// ---- paths and regions --------------------------------------------------------------------
GpStatus GdipCreatePath(int fillMode, GpPath** path);
GpStatus GdipDeletePath(GpPath* path);
GpStatus GdipClosePathFigure(GpPath* path);
GpStatus GdipAddPathLine(GpPath* path, float x1, float y1, float x2, float y2);
/// Angles in degrees, clockwise from the positive x axis (y grows downward).
GpStatus GdipAddPathArc(GpPath* path, float x, float y, float width, float height, float startAngle,
                        float sweepAngle);
GpStatus GdipAddPathEllipse(GpPath* path, float x, float y, float width, float height);
GpStatus GdipAddPathPolygonI(GpPath* path, const GpPointI* points, int count);
/// A cardinal spline through the points (tension 0.5).
GpStatus GdipAddPathCurveI(GpPath* path, const GpPointI* points, int count);
/// Number of points of the path's outline (as the gradient brush counts them).
GpStatus GdipGetPointCount(GpPath* path, int* count);
GpStatus GdipCreateRegionPath(GpPath* path, GpRegion** region);
GpStatus GdipDeleteRegion(GpRegion* region);

// ---- text --------------------------------------------------------------------------------
/// A family exists only when the face is installed (the usual substitutes
/// count): else GpFontFamilyNotFound. `collection` must be null.
GpStatus GdipCreateFontFamilyFromName(const WCHAR* name, void* collection, GpFontFamily** family);
GpStatus GdipDeleteFontFamily(GpFontFamily* family);
/// `unit`: world, pixel or point (at 96 dots per inch); `style` GpFontStyle… bits.
GpStatus GdipCreateFont(const GpFontFamily* family, float emSize, int style, int unit,
                        GpFont** font);
GpStatus GdipDeleteFont(GpFont* font);
GpStatus GdipCreateStringFormat(int flags, std::uint16_t language, GpStringFormat** format);
GpStatus GdipDeleteStringFormat(GpStringFormat* format);
GpStatus GdipSetStringFormatAlign(GpStringFormat* format, int alignment);
GpStatus GdipSetStringFormatLineAlign(GpStringFormat* format, int alignment);
GpStatus GdipSetStringFormatTrimming(GpStringFormat* format, int trimming);
GpStatus GdipSetStringFormatHotkeyPrefix(GpStringFormat* format, int prefix);
/// Draws `length` UTF-16 units (−1: up to the terminating zero) into the
/// layout rectangle; a zero width or height leaves that side unbounded.
/// Without GpStringFormatFlagsNoClip the text is cut at the rectangle.
GpStatus GdipDrawString(GpGraphics* graphics, const WCHAR* text, int length, const GpFont* font,
                        const GpRectF* layout, const GpStringFormat* format, const GpBrush* brush);
/// The box the text would take when drawn into `layout`, the UTF-16 units
/// that fit and the lines filled (either count pointer may be null).
GpStatus GdipMeasureString(GpGraphics* graphics, const WCHAR* text, int length, const GpFont* font,
                           const GpRectF* layout, const GpStringFormat* format, GpRectF* bounds,
                           int* codepointsFitted, int* linesFilled);

// ---- images -------------------------------------------------------------------------------
/// Decodes BMP, PNG, JPEG, GIF, ICO (and TIFF when the platform has it).
/// Bytes it cannot decode give GpUnknownImageFormat and no image.
GpStatus GdipLoadImageFromMemory(const std::uint8_t* bytes, std::size_t size, GpImage** image);
GpStatus GdipDisposeImage(GpImage* image);
GpStatus GdipGetImageWidth(GpImage* image, unsigned* width);
GpStatus GdipGetImageHeight(GpImage* image, unsigned* height);
/// One of the GpFormat… numbers.
GpStatus GdipGetImageRawFormat(GpImage* image, int* format);
/// The raw format the leading bytes announce (GpFormatUndefined when none).
int GdipSniffImageFormat(const std::uint8_t* bytes, std::size_t size);
