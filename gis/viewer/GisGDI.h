// The drawing context of the map viewer: TGIS_GDI over a device context, with
// its cached pen (TGIS_Pen), brush (TGIS_Brush) and font (TGIS_Font).
//
// Every map drawing call goes through a TGIS_GDI. The context hides the target
// (a canvas, a device context such as a printer's, a bitmap it owns or one it
// is given) and re-creates its GDI objects only when an attribute really
// changed. It also carries the two selection regions that shape drawing
// collects while it draws.
//
// Colours are class-library colour values ($00BBGGRR or system colours) and
// pass through ColorToRGB before they reach the device context. Sizes are
// device pixels.
//
// Which file holds what:
//   GisGDIObjects.cpp  TGIS_Pen, TGIS_Brush, TGIS_Font
//   GisGDI.cpp         construction, state, shapes, presets, pictures, regions
//   GisGDIText.cpp     TextWidth/TextHeight/TextOut and DrawTextBox
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/GraphicsObjects.h"

/// The window handle used by the invalidation helpers (the windowing layer's
/// HWND).
using TGIS_WindowHandle = std::uintptr_t;

/// Pen style indexes (map one to one to PS_SOLID .. PS_INSIDEFRAME).
enum : int {
  GIS_PEN_SOLID = 0,
  GIS_PEN_DASH = 1,
  GIS_PEN_DOT = 2,
  GIS_PEN_DASHDOT = 3,
  GIS_PEN_DASHDOTDOT = 4,
  GIS_PEN_CLEAR = 5,
  GIS_PEN_INSIDEFRAME = 6
};

/// Pen mode indexes 0..15 (black, white, nop, not, copy, not-copy,
/// merge-pen-not, mask-pen-not, merge-not-pen, mask-not-pen, merge, not-merge,
/// mask, not-mask, xor, not-xor).
enum : int {
  GIS_PENMODE_BLACK = 0,
  GIS_PENMODE_WHITE = 1,
  GIS_PENMODE_NOP = 2,
  GIS_PENMODE_NOT = 3,
  GIS_PENMODE_COPY = 4,
  GIS_PENMODE_NOTCOPY = 5,
  GIS_PENMODE_MERGEPENNOT = 6,
  GIS_PENMODE_MASKPENNOT = 7,
  GIS_PENMODE_MERGENOTPEN = 8,
  GIS_PENMODE_MASKNOTPEN = 9,
  GIS_PENMODE_MERGE = 10,
  GIS_PENMODE_NOTMERGE = 11,
  GIS_PENMODE_MASK = 12,
  GIS_PENMODE_NOTMASK = 13,
  GIS_PENMODE_XOR = 14,
  GIS_PENMODE_NOTXOR = 15
};

/// The ROP2 code of a pen mode index (0..15); R2_COPYPEN for anything else.
int GisPenModeToRop2(int mode);

/// Brush styles seen from outside: 0 solid, 1 clear, 2..7 hatched with
/// HS_* = style - 2. A pattern brush reports its kind, 3.
enum : int { GIS_BRUSH_SOLID = 0, GIS_BRUSH_CLEAR = 1, GIS_BRUSH_HATCH_FIRST = 2 };

/// Brush kinds.
enum : int {
  GIS_BRUSHKIND_SOLID = 0,
  GIS_BRUSHKIND_CLEAR = 1,
  GIS_BRUSHKIND_HATCHED = 2,
  GIS_BRUSHKIND_PATTERN = 3
};

/// Font style bits.
enum : int {
  GIS_FONT_BOLD = 1,
  GIS_FONT_ITALIC = 2,
  GIS_FONT_UNDERLINE = 4,
  GIS_FONT_STRIKEOUT = 8
};

// ---------------------------------------------------------------------------

/// A cached GDI pen: simple (CreatePenIndirect) or extended (ExtCreatePen),
/// sharing one handle slot.
class TGIS_Pen {
public:
  TGIS_Pen();
  ~TGIS_Pen();
  TGIS_Pen(const TGIS_Pen&) = delete;
  TGIS_Pen& operator=(const TGIS_Pen&) = delete;

  TColor Color() const { return color_; }
  /// Also sets the LOGBRUSH colour to the RGB of the colour.
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  /// The style index 0..6.
  int GetStyle() const { return int(style_); }
  void SetStyle(int style);
  /// The mode index 0..15.
  int GetMode() const { return mode_; }
  void SetMode(int mode);
  const LOGBRUSH& Brush() const { return brush_; }
  void SetBrush(const LOGBRUSH& brush);
  DWORD EndCap() const { return endCap_; }
  void SetEndCap(DWORD endCap);
  DWORD Join() const { return join_; }

  HPEN Handle() const { return handle_; }
  bool IsChanged() const { return changed_; }
  /// The cached handle is an extended pen.
  bool IsExtended() const { return extended_; }

  /// Selects the pen as a simple pen (re-created when changed or when the
  /// cached handle is an extended pen) and sets the ROP2 of the mode.
  void Select(HDC dc);
  /// Selects the pen as an extended pen: cosmetic at width 1, geometric
  /// otherwise (re-created when changed or when the cached handle is simple).
  void SelectExtended(HDC dc);

private:
  void Replace(HDC dc, HPEN pen);
  TColor color_ = 0;
  int width_ = 1;
  DWORD style_ = PS_SOLID;
  int mode_ = GIS_PENMODE_COPY;
  DWORD endCap_ = PS_ENDCAP_FLAT;
  DWORD join_ = PS_JOIN_BEVEL;
  LOGBRUSH brush_{};
  HPEN handle_ = nullptr;
  bool changed_ = true;
  bool extended_ = false;
};

/// A cached GDI brush: solid, clear, hatched or pattern.
class TGIS_Brush {
public:
  TGIS_Brush();
  ~TGIS_Brush();
  TGIS_Brush(const TGIS_Brush&) = delete;
  TGIS_Brush& operator=(const TGIS_Brush&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  /// 0 solid, 1 clear, 2..7 hatched (HS_* = style - 2), 3 for a pattern.
  int GetStyle() const;
  void SetStyle(int style);
  int Kind() const { return kind_; }
  /// HS_* of a hatched brush.
  int Hatch() const { return hatch_; }
  /// A pattern brush over the bitmap's handle (unchanged for the same handle).
  void SetPattern(TBitmap* bitmap);
  /// A pattern brush over a bitmap handle (not owned).
  void SetPatternHandle(HBITMAP bitmap);
  HBITMAP Pattern() const { return pattern_; }

  HBRUSH Handle() const { return handle_; }
  bool IsChanged() const { return changed_; }
  /// Selects the brush, re-created only when changed.
  void Select(HDC dc);

private:
  TColor color_ = 0xFFFFFF;
  int kind_ = GIS_BRUSHKIND_SOLID;
  int hatch_ = 0;
  HBITMAP pattern_ = nullptr;
  HBRUSH handle_ = nullptr;
  bool changed_ = true;
};

/// A cached GDI font.
class TGIS_Font {
public:
  explicit TGIS_Font(int pixelsPerInch = 96);
  ~TGIS_Font();
  TGIS_Font(const TGIS_Font&) = delete;
  TGIS_Font& operator=(const TGIS_Font&) = delete;

  const std::string& Name() const { return name_; }
  /// An empty name is ignored.
  void SetName(const std::string& name);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  /// Bits GIS_FONT_BOLD .. GIS_FONT_STRIKEOUT.
  int Style() const { return style_; }
  void SetStyle(int style);
  /// Points: -MulDiv(height, 72, pixelsPerInch).
  int GetSize() const;
  /// Stores height = -MulDiv(points, pixelsPerInch, 72).
  void SetSize(int points);
  /// The LOGFONT height (negative: character height in pixels).
  int Height() const { return height_; }
  void SetHeight(int height);
  /// Escapement in tenths of a degree.
  int Angle() const { return angle_; }
  void SetAngle(int angle);
  /// 0 default, 1 variable, 2 fixed.
  int Pitch() const { return pitch_; }
  void SetPitch(int pitch);
  int PixelsPerInch() const { return ppi_; }
  /// Keeps the point size and recomputes the height.
  void SetPixelsPerInch(int ppi);
  /// Copies name, size, charset, colour (black becomes $010101), pitch,
  /// style and the escapement of the font's own LOGFONT.
  void AssignFont(TFont* font);
  /// Fills and returns the owned class-library font (pixels per inch too).
  TFont* GetFont();

  /// The LOGFONT Select creates the font from.
  LOGFONT MakeLogFont() const;
  HFONT Handle() const { return handle_; }
  bool IsChanged() const { return changed_; }
  /// Selects the font (re-created only when changed) and sets the text colour.
  void Select(HDC dc);

private:
  void Change() { changed_ = true; }
  std::string name_ = "MS Sans Serif";
  BYTE charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int height_ = 0;
  int ppi_ = 96;
  int angle_ = 0;
  int style_ = GIS_FONT_BOLD;
  int pitch_ = 0;
  HFONT handle_ = nullptr;
  bool changed_ = true;
  std::unique_ptr<TFont> font_;
};

// ---------------------------------------------------------------------------

/// The drawing context.
class TGIS_GDI {
public:
  /// Over an existing canvas, owning nothing.
  static std::unique_ptr<TGIS_GDI> CreateForCanvas(TCanvas* canvas);
  /// Creates and owns a canvas attached to the device context (not owned).
  static std::unique_ptr<TGIS_GDI> CreateForDC(HDC dc);
  /// Creates and owns a device-independent bitmap (empty) and draws on it.
  static std::unique_ptr<TGIS_GDI> Create();
  /// Over a given bitmap's canvas, owning nothing.
  static std::unique_ptr<TGIS_GDI> CreateForBitmap(TBitmap* bitmap);

  /// Frees pen, brush and font (deleting their handles), the selection
  /// regions, then the owned canvas and the owned bitmap.
  ~TGIS_GDI();
  TGIS_GDI(const TGIS_GDI&) = delete;
  TGIS_GDI& operator=(const TGIS_GDI&) = delete;

  TGIS_Pen* Pen() { return pen_.get(); }
  TGIS_Brush* Brush() { return brush_.get(); }
  TGIS_Font* Font() { return font_.get(); }
  /// The bitmap drawn into (owned or given); nullptr for canvas and DC
  /// contexts.
  TBitmap* Bitmap() const { return bitmap_; }
  bool OwnsCanvas() const { return ownsCanvas_; }
  bool OwnsBitmap() const { return ownedBitmap_ != nullptr; }

  /// Rubber-band colour (0 at creation).
  TColor RubberBandColor() const { return rubberBandColor_; }
  void SetRubberBandColor(TColor color) { rubberBandColor_ = color; }

  // ---- state --------------------------------------------------------------
  TCanvas* GetCanvas() const { return canvas_; }
  HDC GetHandle() const;
  /// The font as a class-library TFont.
  TFont* GetFont() { return font_->GetFont(); }
  int SetBkMode(int mode);
  UINT SetTextAlign(UINT align);
  int SetPolyFillMode(int mode);
  void SetBrushOrigin(int x, int y);
  int SetGraphicsMode(int mode);
  XFORM GetWorldTransform();
  void SetWorldTransform(const XFORM& xf);
  void ModifyWorldTransform(const XFORM& xf, DWORD mode);
  /// Locks the canvas (assertion failure without one).
  void Lock();
  void Unlock();
  /// The clip box (assertion failure when GDI reports an error).
  TRect GetClipBox();
  /// nullptr removes clipping.
  void SelectClipRgn(HRGN region);
  void IntersectClipRect(int left, int top, int right, int bottom);

  // ---- text ---------------------------------------------------------------
  /// Extent of the text in the context font; 0 when GDI fails.
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  /// Font selected, background colour = brush colour, background mode kept.
  void TextOut(int x, int y, const std::string& text);
  /// Lays out (and when `draw` is set draws) text in the rectangle: alignment
  /// 0 one line, 1 left, 2 centred, 3 right (word-wrapped), 4 one line that
  /// neither wraps nor stops at the bottom. `angle` in radians, positive
  /// clockwise on screen. When measuring, `rect` comes back with the width of
  /// the widest line and the height of all lines.
  void DrawTextBox(const std::string& text, TRect& rect, bool draw, bool halo, double angle,
                   int alignment);

  // ---- areas and lines ----------------------------------------------------
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void Rectangle(int left, int top, int right, int bottom);
  void DrawRect(const TRect& rect);
  void Ellipse(int left, int top, int right, int bottom);
  void Polygon(const TPoint* points, int count);
  /// count = lastIndex + 1.
  void PolygonArray(const TPoint* points, int lastIndex);
  void Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  /// `count` points from `first` (extended pen and brush).
  void PolygonPart(const TPoint* points, int count, int first);
  /// `n` polygons of counts[i] points each, one after another, filled
  /// together by the current polygon fill mode (simple pen and brush).
  void PolyPolygon(const TPoint* points, const DWORD* counts, int n);
  void Polyline(const TPoint* points, int count);
  void PolylinePart(const TPoint* points, int count, int first);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  /// Simple pen and brush, opaque background in the brush colour.
  void PolyPolyline(const TPoint* points, const DWORD* counts, int n);
  /// Simple pen, transparent background, four LineTo's round the rectangle.
  void RectangleOutline(int left, int top, int right, int bottom);
  /// Called by shape drawing after outlines; it has no effect.
  void OutlineDone() {}

  // ---- presets (each asserts a colour that is not 0) ------------------------
  void PrepareLinePen(TColor color, int style, bool solidOnly, int width, int brushStyle,
                      TBitmap* pattern);
  void PrepareOutlinePen(TColor color, int style, bool solidOnly, int width, int brushStyle,
                         TBitmap* pattern);
  void PrepareSimplePen(int width, int style);
  void PrepareSolidPen(TColor color, int width, bool visible);
  void PrepareBrush(TColor color, TBitmap* pattern, int style);
  void PrepareRubberBand();

  // ---- rubber band --------------------------------------------------------
  void XorRectangle(const TRect& rect);
  void XorLine(int x1, int y1, int x2, int y2);
  void InvertRectangle(const TRect& rect);

  // ---- pictures -----------------------------------------------------------
  void DrawGraphic(int x, int y, TGraphic* graphic);
  void StretchDrawGraphic(const TRect& rect, TGraphic* graphic);
  /// StretchBlt with SRCCOPY.
  void CopyRect(const TRect& destRect, TGIS_GDI* source, const TRect& sourceRect);
  int StretchDIBits(int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                    int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

  // ---- paths and regions --------------------------------------------------
  void BeginPath();
  void EndPath();
  void WidenPath();
  HRGN PathToRegion();
  int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
  HRGN CreateRectRgn(int left, int top, int right, int bottom);
  TRect GetRgnBox(HRGN region);
  /// Deletes the handle and clears the variable; nothing for nullptr;
  /// assertion failure when GDI refuses.
  void DeleteObject(HGDIOBJ& handle);
  void InvalidateRect(TGIS_WindowHandle window, const TRect* rect, bool erase);
  void InvalidateWindow(TGIS_WindowHandle window, bool erase);

  // ---- selection regions --------------------------------------------------
  /// Adds `region` (or, when nullptr, the current path as a region) to the
  /// primary region when `primary` is set, else to the secondary one when
  /// `secondaryAllowed` is set, else does nothing.
  void AddSelectionRegion(bool secondaryAllowed, HRGN region, bool primary);
  void FreeSelectionRegions();
  HRGN SelectionRegion() const { return selection_; }
  HRGN SelectionRegionSecondary() const { return selectionSecondary_; }
  /// Replaces the primary region (the previous one is deleted; the context
  /// owns the new one).
  void SetSelectionRegion(HRGN region);
  void SetSelectionRegionSecondary(HRGN region);
  /// Hands both regions to `target` (whose own are deleted) and clears them
  /// here.
  void MoveSelectionRegionsTo(TGIS_GDI& target);
  /// Gives `target` copies of both regions (its own are deleted).
  void CopySelectionRegionsTo(TGIS_GDI& target) const;

private:
  TGIS_GDI(TCanvas* canvas, bool ownsCanvas, TBitmap* bitmap, std::unique_ptr<TBitmap> ownedBitmap,
           std::unique_ptr<TCanvas> ownedCanvas);
  void SelectPenAndBrush();
  void SelectExtendedPenAndBrush();
  void DrawTextPass(const std::string& text, const TRect& rect, bool draw, int alignment,
                    const std::vector<int>& extents, int lineHeight, TRect* measured);

  TCanvas* canvas_ = nullptr;
  TBitmap* bitmap_ = nullptr;
  bool ownsCanvas_ = false;
  std::unique_ptr<TCanvas> ownedCanvas_;
  std::unique_ptr<TBitmap> ownedBitmap_;
  std::unique_ptr<TGIS_Pen> pen_;
  std::unique_ptr<TGIS_Brush> brush_;
  std::unique_ptr<TGIS_Font> font_;
  HRGN selection_ = nullptr;
  HRGN selectionSecondary_ = nullptr;
  TColor rubberBandColor_ = 0;
};
