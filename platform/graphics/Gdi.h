// The device-context drawing calls and the GDI objects they use.
//
// Objects (pens, brushes, fonts, bitmaps, regions, palettes) are handles into
// one registry that counts, per kind, the objects created and deleted. A
// device context draws onto a surface (Surface.h) with aliased, integer pixel
// rules: rectangles leave out their right and bottom edge, lines leave out
// their end point, raster operations work bit for bit on the stored pixels.
// Failures return 0 / FALSE / nullptr; nothing here throws.
//
// Text is UTF-8; lengths are byte counts; per-character results (extents)
// count code points.
//
// Files: GdiObjects.cpp (registry, object creation, GetObject, DeleteObject),
// DeviceContext.cpp (DC state and setters, surfaces, device caps, system
// colours), Primitives.cpp (lines, shapes, paths), Raster.cpp (span
// rasteriser, raster operations), Regions.cpp (regions, clipping),
// TextOut.cpp (fonts, face table, text, metrics), TextFormat.cpp (DrawText,
// ExtTextOut), Blit.cpp (BitBlt, StretchBlt, MaskBlt, StretchDIBits),
// DibSections.cpp (bitmaps from DIBs, GetDIBits, palettes, mapping modes),
// Metafile.cpp (recording DCs and replay). GdiInternal.h has the objects
// behind the handles; QtBridge.h the meeting points with Qt for platform/.
//
// The class-library side: Colors.h, GraphicsObjects.h (TPen, TBrush,
// TFont), Canvas.h (TCanvas), Graphic.h (TGraphic, TPicture and the
// picture-format registry), Bitmap.h (TBitmap, BmpFormat.cpp), Jpeg.h
// (TJPEGImage), Metafile.h (TMetafile, TMetafileCanvas), Printer.h (TPrinter).
// GdiPlus.h is the anti-aliasing layer over a DC's pixels (GdiPlus.cpp,
// GdiPlusImage.cpp); ClassicEdges.h the three-dimensional edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/GdiTypes.h"

struct TGdiObjectTag;
struct TDcTag;
using HGDIOBJ = TGdiObjectTag*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HRGN = HGDIOBJ;
using HPALETTE = HGDIOBJ;
using HDC = TDcTag*;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

// ---- object kinds (GetObjectType) --------------------------------------------
enum : DWORD {
  OBJ_PEN = 1,
  OBJ_BRUSH = 2,
  OBJ_DC = 3,
  OBJ_PAL = 5,
  OBJ_FONT = 6,
  OBJ_BITMAP = 7,
  OBJ_REGION = 8,
  OBJ_MEMDC = 10,
  OBJ_EXTPEN = 11,
  OBJ_ENHMETADC = 12
};

// ---- pens ---------------------------------------------------------------------
enum : DWORD {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
  PS_USERSTYLE = 7,
  PS_ALTERNATE = 8,
  PS_STYLE_MASK = 0x0F,
  PS_ENDCAP_ROUND = 0,
  PS_ENDCAP_SQUARE = 0x100,
  PS_ENDCAP_FLAT = 0x200,
  PS_ENDCAP_MASK = 0xF00,
  PS_JOIN_ROUND = 0,
  PS_JOIN_BEVEL = 0x1000,
  PS_JOIN_MITER = 0x2000,
  PS_JOIN_MASK = 0xF000,
  PS_COSMETIC = 0,
  PS_GEOMETRIC = 0x10000,
  PS_TYPE_MASK = 0xF0000
};

// ---- brushes ------------------------------------------------------------------
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int {
  HS_HORIZONTAL = 0,
  HS_VERTICAL = 1,
  HS_FDIAGONAL = 2,
  HS_BDIAGONAL = 3,
  HS_CROSS = 4,
  HS_DIAGCROSS = 5
};

// ---- stock objects -------------------------------------------------------------
enum : int {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  SYSTEM_FONT = 13,
  DEFAULT_PALETTE = 15,
  DEFAULT_GUI_FONT = 17
};

// ---- DC modes -------------------------------------------------------------------
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : int { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3 };
enum : int {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16
};
enum : UINT {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
  TA_RTLREADING = 256
};

// ---- ternary raster operations -----------------------------------------------------
enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA,
  MERGEPAINT = 0x00BB0226,
  PATCOPY = 0x00F00021,
  PATPAINT = 0x00FB0A09,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
  DSPDxax = 0x00E20746
};
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) {
  return ((back << 8) & 0xFF000000u) | fore;
}

// ---- regions ----------------------------------------------------------------------
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// ---- device capabilities --------------------------------------------------------------
enum : int {
  DRIVERVERSION = 0,
  TECHNOLOGY = 2,
  HORZSIZE = 4,
  VERTSIZE = 6,
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  NUMCOLORS = 24,
  RASTERCAPS = 38,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90,
  SIZEPALETTE = 104,
  PHYSICALWIDTH = 110,
  PHYSICALHEIGHT = 111,
  PHYSICALOFFSETX = 112,
  PHYSICALOFFSETY = 113
};
enum : int { DT_RASDISPLAY = 1, DT_RASPRINTER = 2, DT_METAFILE = 5 };

// ---- fonts and text ---------------------------------------------------------------
enum : int { LF_FACESIZE = 32 };
enum : int { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
enum : BYTE {
  ANSI_CHARSET = 0,
  DEFAULT_CHARSET = 1,
  SYMBOL_CHARSET = 2,
  SHIFTJIS_CHARSET = 128,
  HANGEUL_CHARSET = 129,
  GB2312_CHARSET = 134,
  CHINESEBIG5_CHARSET = 136,
  OEM_CHARSET = 255,
  HEBREW_CHARSET = 177,
  ARABIC_CHARSET = 178,
  GREEK_CHARSET = 161,
  TURKISH_CHARSET = 162,
  VIETNAMESE_CHARSET = 163,
  THAI_CHARSET = 222,
  EASTEUROPE_CHARSET = 238,
  RUSSIAN_CHARSET = 204,
  BALTIC_CHARSET = 186
};
enum : BYTE { OUT_DEFAULT_PRECIS = 0, OUT_TT_ONLY_PRECIS = 7 };
enum : BYTE { CLIP_DEFAULT_PRECIS = 0 };
enum : BYTE {
  DEFAULT_QUALITY = 0,
  DRAFT_QUALITY = 1,
  PROOF_QUALITY = 2,
  NONANTIALIASED_QUALITY = 3,
  ANTIALIASED_QUALITY = 4
};
enum : BYTE { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : BYTE { FF_DONTCARE = 0, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30 };
/// tmPitchAndFamily bits. TMPF_FIXED_PITCH set means a variable-pitch font.
enum : BYTE { TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4, TMPF_DEVICE = 8 };
enum : DWORD { TCI_SRCCHARSET = 1, TCI_SRCCODEPAGE = 2 };

// ---- DIBs -----------------------------------------------------------------------------
enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

// ---- system colours -------------------------------------------------------------------
enum : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24
};

// ---- structures ---------------------------------------------------------------------------
struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth; // x is the width
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  std::uintptr_t lbHatch = 0; // HS_* for BS_HATCHED, the HBITMAP for BS_PATTERN
};

struct EXTLOGPEN {
  DWORD elpPenStyle = 0; // type | style | end cap | join
  DWORD elpWidth = 0;
  UINT elpBrushStyle = BS_SOLID;
  COLORREF elpColor = 0;
  std::uintptr_t elpHatch = 0;
  DWORD elpNumEntries = 0;
  DWORD elpStyleEntry[1] = {0};
};

struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0; // tenths of a degree, counter-clockwise
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {0}; // UTF-8, zero-terminated
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 32;
  char32_t tmLastChar = 0xFFFF;
  char32_t tmDefaultChar = '?';
  char32_t tmBreakChar = ' ';
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

struct CHARSETINFO {
  UINT ciCharset = 0;
  UINT ciACP = 0;
};

struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0; // > 0 bottom-up, < 0 top-down
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

/// The 40-byte header followed by room for a full 256-entry colour table.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType = 0x4D42; // "BM"
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

// ---- object registry ---------------------------------------------------------------
/// Created/deleted counters of one object kind (OBJ_PEN, OBJ_EXTPEN, OBJ_BRUSH,
/// OBJ_FONT, OBJ_BITMAP, OBJ_REGION, OBJ_PAL).
struct TGdiObjectCount {
  long Created = 0;
  long Deleted = 0;
  long Live() const { return Created - Deleted; }
};
TGdiObjectCount GdiObjectCount(DWORD objectKind);
/// Objects of every kind alive now (stock objects excluded).
long GdiLiveObjectCount();
/// Restarts the created/deleted counters from the objects alive now.
void GdiResetObjectCounts();

/// The live objects per kind at one moment; Leaks() names the kinds with
/// more live objects now ("" when none), for tests that check that drawing
/// code frees what it makes.
class TGdiObjectSnapshot {
public:
  TGdiObjectSnapshot();
  std::string Leaks() const;

private:
  long live_[16] = {};
};

HGDIOBJ GetStockObject(int index);
DWORD GetObjectType(HGDIOBJ h);
/// Copies the object's logical description into `buffer` (LOGPEN, EXTLOGPEN,
/// LOGBRUSH, LOGFONT or BITMAP); returns the bytes written, 0 on failure.
/// A null buffer returns the size needed.
int GetObject(HGDIOBJ h, int size, void* buffer);
/// Deletes a pen, brush, font, bitmap, region or palette. Fails (FALSE) for an
/// unknown handle or an object still selected into a device context.
BOOL DeleteObject(HGDIOBJ h);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ h);
HGDIOBJ GetCurrentObject(HDC dc, UINT objectKind);

HPEN CreatePenIndirect(const LOGPEN* lp);
HPEN CreatePen(int style, int width, COLORREF color);
HPEN ExtCreatePen(DWORD penStyle, DWORD width, const LOGBRUSH* lb, DWORD styleCount,
                  const DWORD* styles);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HFONT CreateFontIndirect(const LOGFONT* lf);

// ---- device contexts ------------------------------------------------------------------
/// A memory DC: draws into the bitmap selected into it (none at first).
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);

int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetGraphicsMode(HDC dc, int mode);
int GetGraphicsMode(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetBrushOrgEx(HDC dc, POINT* origin);
BOOL SetWorldTransform(HDC dc, const XFORM* xf);
BOOL GetWorldTransform(HDC dc, XFORM* xf);
BOOL ModifyWorldTransform(HDC dc, const XFORM* xf, DWORD mode);
/// Device = world transform of the logical point - window origin + viewport origin.
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
/// Saves the DC state on its stack; returns the new depth or 0.
int SaveDC(HDC dc);
/// Restores the state saved at `level` (negative: relative to the top).
BOOL RestoreDC(HDC dc, int level);

// ---- lines and shapes -----------------------------------------------------------------
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL PolyPolygon(HDC dc, const POINT* points, const int* counts, int polygons);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
/// A rectangle with corners rounded by ellipses of width x height.
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
COLORREF GetPixel(HDC dc, int x, int y); // CLR_INVALID outside
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// ---- paths, regions, clipping ------------------------------------------------------
BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
BOOL CloseFigure(HDC dc);
BOOL WidenPath(HDC dc);
BOOL StrokePath(HDC dc);
BOOL FillPath(HDC dc);
BOOL StrokeAndFillPath(HDC dc);
/// The ended path as a region in device coordinates (current fill mode); an
/// empty region for a path without area; nullptr when no path was ended.
HRGN PathToRegion(HDC dc);

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int GetRgnBox(HRGN rgn, RECT* box);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL EqualRgn(HRGN a, HRGN b);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
/// Clip regions are device coordinates; the region is copied; nullptr removes
/// clipping.
int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
/// The clip box in logical coordinates (the whole surface without clipping).
int GetClipBox(HDC dc, RECT* box);
/// 1 and a copy of the clip region in `rgn`, 0 without clipping, -1 on error.
int GetClipRgn(HDC dc, HRGN rgn);

// ---- text ---------------------------------------------------------------------------
BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size);
/// Cumulative extents of every character in `dx` (one per code point), the
/// number that fit `maxExtent` in `fit`.
BOOL GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, int* dx,
                          SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
/// The face the DC's font resolved to (after substitution).
int GetTextFace(HDC dc, int size, char* face);
BOOL TranslateCharsetInfo(DWORD* source, CHARSETINFO* cs, DWORD flags);

// ---- blits and DIBs ------------------------------------------------------------------
BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                DWORD rop);
/// Returns the number of scan lines copied, 0 on failure.
int StretchDIBits(HDC dest, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC dest, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);

/// Bytes of one DIB row: ((width * bpp + 31) div 32) * 4.
constexpr std::int64_t DibRowBytes(std::int64_t width, int bitsPerPixel) {
  return ((width * bitsPerPixel + 31) / 32) * 4;
}
/// The memory row of image line `line` (0 = top) in a DIB of `height` rows
/// (negative = top-down), as StretchDIBits and the BMP format count them.
constexpr std::int64_t DibMemoryRow(std::int64_t line, std::int64_t height) {
  return height < 0 ? line : height - 1 - line;
}

/// Copies the source through a monochrome mask: where the mask bit is 1 the
/// foreground operation (low 24 bits of rop4) applies, elsewhere the
/// background one (MAKEROP4). Sizes are 1:1.
BOOL MaskBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx,
             int my, DWORD rop4);

// ---- bitmaps and DIB sections --------------------------------------------------------
/// A bitmap of the DC's depth (32 bits), black.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
/// A device-dependent bitmap from rows padded to 16 bits (1-bit masks,
/// 24- and 32-bit images); `bits` may be null (black).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
/// A DIB whose memory the caller writes through `*bits` in the layout of
/// `info` (biHeight > 0: bottom row first).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
/// A bitmap initialised from DIB bits (CBM_INIT).
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
enum : DWORD { CBM_INIT = 4 };
/// Copies lines of a bitmap into `bits` in the format of `info` (1, 4, 8,
/// 24 or 32 bits; biHeight < 0 top-down). With null `bits` fills in the
/// header of the bitmap's own format. Returns the lines copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
/// The colour table of the bitmap selected into a memory DC.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);

// ---- palettes ---------------------------------------------------------------------------
struct PALETTEENTRY {
  BYTE peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
enum : BYTE { PC_RESERVED = 1, PC_EXPLICIT = 2, PC_NOCOLLAPSE = 4 };
struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[256];
};
HPALETTE CreatePalette(const LOGPALETTE* palette);
/// 256 entries: the 20 default colours, then a 6x6x6 colour cube, then a grey ramp.
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
/// Nearest entry by squared RGB distance, the lowest index on ties.
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);

// ---- mapping modes ----------------------------------------------------------------------------
enum : int { MM_TEXT = 1 };
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL DPtoLP(HDC dc, POINT* points, int count);
BOOL LPtoDP(HDC dc, POINT* points, int count);

// ---- formatted text -----------------------------------------------------------------------------
enum : UINT { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, int length,
                const int* dx);
enum : UINT {
  DT_TOP = 0,
  DT_LEFT = 0,
  DT_CENTER = 1,
  DT_RIGHT = 2,
  DT_VCENTER = 4,
  DT_BOTTOM = 8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
  DT_RTLREADING = 0x20000
};
/// Draws (or with DT_CALCRECT measures) text in a rectangle; returns the
/// height of the text, 0 on failure. "&x" underlines x unless DT_NOPREFIX;
/// "&&" is a literal "&". A length of -1 means zero-terminated.
int DrawText(HDC dc, const char* text, int length, RECT* rect, UINT format);

// ---- colours and arithmetic ---------------------------------------------------------
DWORD GetSysColor(int index);

// ---- test hooks -----------------------------------------------------------------------
/// Makes GetTextMetrics report fonts without TMPF_TRUETYPE (tests of the
/// non-scalable text branches).
void GdiSetTrueTypeReported(bool reported);
/// StrokePath of a path of text from strokes of single glyphs (true, the
/// default) or of the whole path at once (tests that compare the two).
void GdiSetTextStrokeFromGlyphs(bool fromGlyphs);
/// The single glyphs (and their strokes) the text cache keeps, over all
/// fonts and sizes.
std::size_t GdiCachedGlyphCount();
/// Screen and bitmap DC capabilities (BITSPIXEL, LOGPIXELSX/Y); defaults 32, 96.
void GdiSetScreenCaps(int bitsPerPixel, int pixelsPerInch);
/// The screen's BITSPIXEL as set above.
int GdiScreenBitsPerPixel();
/// The face names installed (Screen.Fonts), sorted, with the substitutes'
/// system names ("Arial", "MS Sans Serif", "Tahoma" ...) included.
std::vector<std::string> GdiInstalledFaces();
