// Internal to platform/graphics: the objects behind GDI handles, the device
// context state and the raster engine. Includes Qt.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/graphics/Dib.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

namespace gdi {

// ---- objects ---------------------------------------------------------------------------
struct TObject {
  explicit TObject(DWORD k) : kind(k) {}
  virtual ~TObject() = default;
  DWORD kind;
  bool stock = false;
  int selections = 0; // DCs (and saved DC states) holding it selected
};

struct TPenObject : TObject {
  TPenObject() : TObject(OBJ_PEN) {}
  bool extended = false;
  DWORD style = PS_SOLID; // full style word (type | style | cap | join)
  int width = 0;
  COLORREF color = 0;
  UINT brushStyle = BS_SOLID;
  std::uintptr_t hatch = 0;
  std::shared_ptr<TDibData> pattern;
  int Style() const { return int(style & PS_STYLE_MASK); }
  bool Geometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
  /// Drawn one pixel wide by the line algorithm.
  bool Thin() const { return width <= 1 || (extended && !Geometric()); }
  DWORD Cap() const { return extended ? (style & PS_ENDCAP_MASK) : DWORD(PS_ENDCAP_ROUND); }
  DWORD Join() const { return extended ? (style & PS_JOIN_MASK) : DWORD(PS_JOIN_ROUND); }
};

struct TBrushObject : TObject {
  TBrushObject() : TObject(OBJ_BRUSH) {}
  LOGBRUSH lb;
  std::shared_ptr<TDibData> pattern; // a copy taken at creation
};

struct TFontObject : TObject {
  TFontObject() : TObject(OBJ_FONT) {}
  LOGFONT lf;
};

struct TBitmapObject : TObject {
  TBitmapObject() : TObject(OBJ_BITMAP) {}
  std::shared_ptr<TDibData> dib;
  int dcSelections = 0;
};

struct TRegionObject : TObject {
  TRegionObject() : TObject(OBJ_REGION) {}
  QRegion region;
};

struct TPaletteObject : TObject {
  TPaletteObject() : TObject(OBJ_PAL) {}
  std::vector<RGBQUAD> entries;
};

HGDIOBJ Register(std::shared_ptr<TObject> object);
std::shared_ptr<TObject> Lookup(HGDIOBJ h);
/// The object of a handle without taking a reference (null for none); valid
/// until the object is deleted.
TObject* LookupObject(HGDIOBJ h);
template <class T> std::shared_ptr<T> LookupAs(HGDIOBJ h, DWORD kind) {
  auto o = Lookup(h);
  if (!o || (o->kind != kind && !(kind == OBJ_PEN && o->kind == OBJ_EXTPEN))) return nullptr;
  return std::static_pointer_cast<T>(o);
}
std::shared_ptr<TRegionObject> Region(HRGN h);
/// A bitmap handle for a dib owned elsewhere (TBitmap): one handle per dib.
HBITMAP HandleForDib(const std::shared_ptr<TDibData>& dib);
/// The pixel store of a bitmap handle (an empty 24-bit one for a bad handle).
std::shared_ptr<TDibData> DibOfHandle(HBITMAP h);

// ---- raster engine ----------------------------------------------------------------------
struct TSpan {
  int y, x0, x1; // [x0, x1)
};

/// What a fill paints with.
struct TFill {
  enum Kind { Solid, Hatch, Pattern, None } kind = Solid;
  COLORREF color = 0; // solid colour, hatch line colour
  int hatch = 0;
  std::shared_ptr<TDibData> pattern;
  bool monoPattern = false;
  COLORREF bk = 0xFFFFFF; // hatch gaps / mono pattern 1 bits
  COLORREF text = 0;      // mono pattern 0 bits
  bool opaque = true;     // hatch gaps drawn
  int orgX = 0, orgY = 0;
  int rop2 = R2_COPYPEN;
  /// The colour at device pixel (x, y); false for a transparent hatch gap.
  bool ColorAt(int x, int y, COLORREF& out) const;
};

/// A drawing target: the surface and the clip rectangles (device pixels).
class TTarget {
public:
  TTarget(TSurface* surface, const std::vector<QRect>* clip);
  bool Valid() const { return bits_ != nullptr; }
  /// Fills the spans moved by (dx, dy), clipped.
  void FillSpans(const std::vector<TSpan>& spans, const TFill& fill, int dx = 0, int dy = 0);
  void FillRect(const QRect& r, const TFill& fill);
  /// Pixels with their own colours (styled pen pixels), ROP2 applied.
  void Plot(int x, int y, COLORREF color, int rop2);
  /// Copies a colour without raster operation (text), the spans moved by
  /// (dx, dy).
  void PlotMask(const std::vector<TSpan>& spans, COLORREF color, int dx = 0, int dy = 0);
  std::uint8_t* PixelAddress(int x, int y) const { return bits_ + y * stride_ + x * bytes_; }
  bool Visible(int x, int y) const;
  /// True when one clip rectangle holds all of `box`; the box then counts as
  /// changed, and its pixels can be written with PutPixel without asking.
  bool Claim(const QRect& box);
  /// Plot for a pixel inside a claimed box.
  void PutPixel(int x, int y, COLORREF color, int rop2);
  void Finish();
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bytes() const { return bytes_; }
  const std::vector<QRect>& ClipRects() const { return *clip_; }
  TSurface* Surface() const { return surface_; }

private:
  void Touch(int x0, int y0, int x1, int y1);
  /// Pixels [x0, x1) of row y, already clipped.
  void FillRun(int y, int x0, int x1, const TFill& fill);
  TSurface* surface_;
  const std::vector<QRect>* clip_;
  std::uint8_t* bits_ = nullptr;
  std::int64_t stride_ = 0;
  int bytes_ = 4, width_ = 0, height_ = 0;
  int fourth_ = -1; // the surface's fixed fourth byte, -1: kept
  int dirtyX0_, dirtyY0_, dirtyX1_, dirtyY1_;
};

/// Where a pixel is sampled, in device coordinates of pixel corners: at its
/// centre (shapes given by their outline, as rectangles, ellipses, text and
/// strokes are), or at its top-left corner. Polygons and paths are drawn
/// through points that stand for pixels: a vertex (x, y) is pixel (x, y),
/// which the one-pixel pen draws, so the fill samples each pixel at its own
/// point (x, y), the edge's left and top pixels inside, its right and bottom
/// ones outside. Sampled at centres, a slanted edge would leave the pixel
/// between fill and pen empty on its right and bottom sides.
inline constexpr double kSampleCentre = 0.5, kSamplePoint = 0.0;

struct TPolygonEdge {
  double x0, y0, x1, y1; // y0 < y1
  int dir;               // +1 downwards, -1 upwards as given
};

/// The edges of polygons, collected for one scan conversion.
class TPolygonEdges {
public:
  /// The edge from a to b (a horizontal one is left out); false, and no
  /// spans at all, once a coordinate is not finite.
  bool Add(QPointF a, QPointF b);
  void Clear();
  /// Spans of the pixels inside the edges sampled at x + offset, y + offset
  /// (device coords).
  void Spans(bool winding, double offset, std::vector<TSpan>& spans, const QRect& bounds);

private:
  std::vector<TPolygonEdge> edges_;
  double minY_ = 1e300, maxY_ = -1e300;
  bool finite_ = true;
};

/// Spans of the pixels inside the polygons (device coords), sampled at
/// x + offset, y + offset: by default at their centres.
void PolygonSpans(const std::vector<QPolygonF>& polygons, bool winding, std::vector<TSpan>& spans,
                  const QRect& bounds, double offset = kSampleCentre);
void PathSpans(const QPainterPath& path, std::vector<TSpan>& spans, const QRect& bounds,
               double offset = kSampleCentre);
QRegion SpansToRegion(const std::vector<TSpan>& spans);

/// Applies the binary raster operation `rop2` to 24-bit colour values.
inline std::uint32_t Rop2(int rop2, std::uint32_t p, std::uint32_t d) {
  unsigned code = unsigned(rop2 - 1) & 15;
  std::uint32_t r = 0;
  if (code & 1) r |= ~p & ~d;
  if (code & 2) r |= ~p & d;
  if (code & 4) r |= p & ~d;
  if (code & 8) r |= p & d;
  return r & 0xFFFFFF;
}
/// Applies the ternary raster operation (the code's byte 2) to 24-bit values.
inline std::uint32_t Rop3(unsigned code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    std::uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    r |= m;
  }
  return r & 0xFFFFFF;
}

// Pixel value <-> COLORREF (surfaces store B,G,R[,X]).
inline COLORREF ReadPixel(const std::uint8_t* p) {
  return RGB(p[2], p[1], p[0]);
}
inline void WritePixel(std::uint8_t* p, COLORREF c) {
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

inline void TTarget::PutPixel(int x, int y, COLORREF color, int rop2) {
  if (rop2 == R2_NOP) return;
  std::uint8_t* p = PixelAddress(x, y);
  WritePixel(p, rop2 == R2_COPYPEN ? color : Rop2(rop2, color, ReadPixel(p)));
}

// ---- device context ------------------------------------------------------------------------
struct TDcState {
  HGDIOBJ penHandle = nullptr, brushHandle = nullptr, fontHandle = nullptr, bitmapHandle = nullptr,
          paletteHandle = nullptr;
  std::shared_ptr<TPenObject> pen;
  std::shared_ptr<TBrushObject> brush;
  std::shared_ptr<TFontObject> font;
  COLORREF bkColor = 0xFFFFFF;
  COLORREF textColor = 0;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  int graphicsMode = GM_COMPATIBLE;
  UINT textAlign = 0;
  QPoint brushOrg{0, 0};
  QPoint position{0, 0};
  QPoint viewportOrg{0, 0}, windowOrg{0, 0};
  QTransform world;
  bool clipped = false;
  QRegion clip; // device coordinates
};

class TRecording;
struct TResolvedFont;

/// Text that TextOut put into the open path: kept as its glyphs until the
/// path is needed as a whole (TDc::Path), so that a stroked text path can
/// be drawn from strokes of single glyphs (StrokePath).
struct TPathText {
  const TResolvedFont* font = nullptr;
  std::u32string text;
  std::vector<int> advances;
  QTransform local; // text space (pen start at 0, baseline 0) -> device
};

struct TDc {
  DWORD kind = OBJ_MEMDC;
  TSurface* surface = nullptr;           // not owned
  std::shared_ptr<TDibData> selectedDib; // memory DC
  std::shared_ptr<TRecording> recording; // metafile DC
  int recordWidth = 0, recordHeight = 0; // metafile DC extent
  TDcState state;
  std::vector<TDcState> saved;
  // path under construction
  bool pathOpen = false;
  bool pathEnded = false;
  /// The path (device coordinates) with any text still kept as glyphs
  /// added to it.
  QPainterPath& Path();
  void ClearPath();
  /// Text added to the path after the figures of `path`, in order.
  std::vector<TPathText> pathText;
  QPainterPath path; // device coordinates; read through Path()
  // capabilities
  int horzRes = 0, vertRes = 0, physWidth = 0, physHeight = 0, physOffX = 0, physOffY = 0;
  int ppi = 0; // 0: from the surface
  // clip rectangles cache
  mutable std::vector<QRect> clipRects;
  mutable bool clipValid = false;

  QTransform Transform() const; // logical -> device
  const std::vector<QRect>& ClipRects() const;
  void InvalidateClip() { clipValid = false; }
  int Ppi() const;
  int SurfaceWidth() const;
  int SurfaceHeight() const;
  /// The fill of `brush` (the selected brush when null) in the DC's state.
  TFill BrushFill(const TBrushObject* brush = nullptr) const;
  TFill PenFill(COLORREF color) const;
};

TDc* Dc(HDC h);
HDC RegisterDc(std::unique_ptr<TDc> dc);

/// Draws a recorded operation as vectors (logical coordinates; the painter
/// already carries the state's transform and clip).
using TVectorOp = std::function<void(QPainter&, const TDcState&)>;

/// Runs a drawing operation on the DC: at once, or recorded for a metafile DC
/// (with its vector form when it has one).
bool Run(HDC h, const std::function<bool(TDc&)>& op, TVectorOp vector = nullptr);
/// Run for the frequent calls: on a DC that records nothing the operation runs
/// at once, without being wrapped in std::function; `makeVector` makes its
/// vector form only for a recording DC.
template <class Op, class MakeVector> bool RunDirect(HDC h, Op&& op, MakeVector&& makeVector) {
  TDc* dc = Dc(h);
  if (dc != nullptr && !dc->recording) return op(*dc);
  return Run(h, std::forward<Op>(op), TVectorOp(makeVector()));
}
/// Runs an operation that only changes the DC's state (position, clipping,
/// paths); recorded so that replays follow it.
bool RunState(HDC h, const std::function<bool(TDc&)>& op);

/// The logical-to-device transform of a state.
QTransform StateTransform(const TDcState& s);
/// The pen and brush of a state as Qt draws them; false when the state's
/// binary raster operation has no vector form.
bool VectorPen(const TDcState& s, QPen& pen);
/// Strokes `path` with `pen`; under a clip the stroke's outline is cut to it
/// (the SVG writer drops clipping).
void VectorStroke(QPainter& p, const QPainterPath& path, const QPen& pen);
/// Fills a shape with the state's brush (hatch gaps in the background colour
/// when OPAQUE; cut to the painter's clip).
void VectorFill(QPainter& p, const TDcState& s, const QPainterPath& shape,
                const std::shared_ptr<TBrushObject>& brush = nullptr);
/// Draws text as TextOut lays it out.
void VectorText(QPainter& p, const TDcState& s, int x, int y, const std::string& text);

/// Playback of a metafile recording onto another DC.
class TRecording {
public:
  struct TEntry {
    TDcState state;
    std::function<bool(TDc&)> op;
    bool draws = true; // false: state changes and path building
    TVectorOp vector;  // null: drawn only as pixels
  };
  std::vector<TEntry> entries;
};
/// Replays `recording` into `dc`, mapping (0,0)-(w,h) of the recording onto
/// `dest` (device units of the target).
void Replay(const TRecording& recording, int w, int h, TDc& dc, const QRect& dest);

// ---- text -------------------------------------------------------------------------------------
/// The resolved toolkit font of a LOGFONT at the DC's resolution.
struct TResolvedFont {
  QFont font;
  int ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0, aveWidth = 0, maxWidth = 0;
  std::string face;
  /// The glyph cache of this font and size: each code point's ink as spans
  /// relative to the pen position on the baseline (TextOut.cpp).
  mutable std::unordered_map<char32_t, std::vector<TSpan>> glyphs;
  /// Each code point's integer advance.
  mutable std::unordered_map<char32_t, int> advances;
  /// Strokes of single glyphs at the text origin as spans, by code point and
  /// pen (Primitives.cpp, StrokePath of text).
  mutable std::unordered_map<std::uint64_t, std::vector<TSpan>> strokes;
  /// Whether single glyphs are worth keeping as spans: a cached glyph is
  /// drawn whole, with a margin of its cell's height around it, before any
  /// clipping, so very large text is drawn straight into the visible area.
  bool CachesGlyphs() const { return ascent + descent <= kGlyphCacheMaxHeight; }
  static constexpr int kGlyphCacheMaxHeight = 256;
};
const TResolvedFont& ResolveFont(const LOGFONT& lf);
/// Integer advances of each code point of the text.
std::vector<int> Advances(const TResolvedFont& font, const std::u32string& text);
std::u32string DecodeText(const char* text, int length, BYTE charset);
QPainterPath TextPath(const TResolvedFont& font, const std::u32string& text,
                      const std::vector<int>& advances);
/// The face-name substitution (installed family name).
std::string SubstituteFace(const std::string& face);
/// The installed family a face name stands for; none when the face is
/// neither installed nor one of the substituted names.
std::optional<std::string> InstalledFace(const std::string& face);

// ---- blits
// ----------------------------------------------------------------------------------------
/// A source of pixels for stretching: `width` x `height`, 32-bit rows.
struct TSourceImage {
  int width = 0, height = 0;
  std::function<COLORREF(int x, int y)> pixel;
  const std::uint8_t* bits = nullptr; // direct access when set
  std::int64_t stride = 0;
  int bytes = 4;
  COLORREF At(int x, int y) const {
    if (bits) return ReadPixel(bits + y * stride + x * bytes);
    return pixel(x, y);
  }
};
/// `transparent`: source pixels of this colour leave the destination alone.
bool StretchImage(TDc& dc, int x, int y, int w, int h, const TSourceImage& src, int sx, int sy,
                  int sw, int sh, DWORD rop, std::optional<COLORREF> transparent = std::nullopt);

} // namespace gdi
