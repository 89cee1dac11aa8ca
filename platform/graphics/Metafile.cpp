#include "platform/graphics/Metafile.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPathStroker>
#include <QSvgGenerator>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/QtBridge.h"
#include "platform/rtl/Streams.h"

namespace gdi {

void Replay(const TRecording& recording, int w, int h, TDc& dc, const QRect& dest) {
  if (w <= 0 || h <= 0 || dest.isEmpty()) return;
  TDcState saved = dc.state;
  bool hadClip = dc.state.clipped;
  QRegion baseClip = dc.state.clip;
  QTransform place = QTransform::fromScale(double(dest.width()) / w, double(dest.height()) / h) *
                     QTransform::fromTranslate(dest.left(), dest.top());
  QTransform destXf = dc.Transform();
  QTransform toDevice = place * destXf;
  QRegion frame = QRegion(destXf.mapRect(QRectF(dest)).toAlignedRect());
  for (const TRecording::TEntry& e : recording.entries) {
    dc.state = e.state;
    dc.state.world = e.state.world *
                     QTransform::fromTranslate(e.state.viewportOrg.x() - e.state.windowOrg.x(),
                                               e.state.viewportOrg.y() - e.state.windowOrg.y()) *
                     toDevice;
    dc.state.viewportOrg = dc.state.windowOrg = QPoint(0, 0);
    QRegion clip = hadClip ? baseClip & frame : frame;
    if (e.state.clipped) {
      QRegion mapped;
      if (toDevice.type() <= QTransform::TxTranslate)
        mapped = e.state.clip.translated(int(std::floor(toDevice.dx() + 0.5)),
                                         int(std::floor(toDevice.dy() + 0.5)));
      else
        for (const QRect& r : e.state.clip)
          mapped += toDevice.mapRect(QRectF(r)).toAlignedRect();
      clip &= mapped;
    }
    dc.state.clip = clip;
    dc.state.clipped = true;
    dc.InvalidateClip();
    e.op(dc);
  }
  dc.state = saved;
  dc.InvalidateClip();
}

namespace {
QColor Q(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
} // namespace

bool VectorPen(const TDcState& s, QPen& pen) {
  if (s.rop2 != R2_COPYPEN) return false;
  const TPenObject& p = *s.pen;
  if (p.Style() == PS_NULL) {
    pen = QPen(Qt::NoPen);
    return true;
  }
  pen = QPen(Q(p.color));
  if (p.Thin()) {
    pen.setWidth(1);
    pen.setCosmetic(true);
    static const QList<qreal> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
        dashDotDot{9, 3, 3, 3, 3, 3}, alternate{1, 1};
    switch (p.Style()) {
    case PS_DASH:
      pen.setDashPattern(dash);
      break;
    case PS_DOT:
      pen.setDashPattern(dot);
      break;
    case PS_DASHDOT:
      pen.setDashPattern(dashDot);
      break;
    case PS_DASHDOTDOT:
      pen.setDashPattern(dashDotDot);
      break;
    case PS_ALTERNATE:
      pen.setDashPattern(alternate);
      break;
    default:
      break;
    }
    pen.setCapStyle(Qt::FlatCap);
    return true;
  }
  pen.setWidthF(p.width);
  pen.setCapStyle(p.Cap() == PS_ENDCAP_FLAT     ? Qt::FlatCap
                  : p.Cap() == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                : Qt::RoundCap);
  pen.setJoinStyle(p.Join() == PS_JOIN_BEVEL   ? Qt::BevelJoin
                   : p.Join() == PS_JOIN_MITER ? Qt::MiterJoin
                                               : Qt::RoundJoin);
  return true;
}

namespace {
/// One tile of a hatch or pattern brush in device pixels, made by the raster
/// engine's own rule (hatch lines, gaps in the background colour or left
/// transparent, mono patterns in the text and background colours), so that a
/// vector rendering shows the brush in its colours.
QBrush TileBrush(const TFill& f, int width, int height, QPoint origin) {
  QImage tile(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      COLORREF c = 0;
      tile.setPixel(x, y, f.ColorAt(x, y, c) ? qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) : 0);
    }
  QBrush brush(tile);
  brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
  return brush;
}

/// Fills with a tiled brush through an image of the shape's box: the SVG
/// writer keeps images but drops texture brushes. The box is limited to the
/// painter's device.
void FillWithTile(QPainter& p, const QPainterPath& shape, const QBrush& tile) {
  QRect box = shape.boundingRect().toAlignedRect();
  if (p.device()) {
    QRect device(0, 0, p.device()->width(), p.device()->height());
    box &= p.worldTransform().inverted().mapRect(QRectF(device)).toAlignedRect().adjusted(-1, -1,
                                                                                           1, 1);
  }
  if (box.isEmpty()) return;
  QImage image(box.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter q(&image);
    q.translate(-box.topLeft());
    q.fillPath(shape, tile);
  }
  p.drawImage(box.topLeft(), image);
}
} // namespace

void VectorStroke(QPainter& p, const QPainterPath& path, const QPen& pen) {
  if (!p.hasClipping()) {
    p.strokePath(path, pen);
    return;
  }
  QPainterPathStroker stroker(pen);
  stroker.setWidth(std::max<qreal>(pen.widthF(), 1));
  QPainterPath outline = stroker.createStroke(path);
  outline.setFillRule(Qt::WindingFill);
  p.fillPath(outline.intersected(p.clipPath()), pen.brush());
}

void VectorFill(QPainter& p, const TDcState& s, const QPainterPath& area,
                const std::shared_ptr<TBrushObject>& given) {
  const TBrushObject& b = given ? *given : *s.brush;
  // the SVG writer drops clipping: fills are cut to the clip themselves
  QPainterPath shape = p.hasClipping() ? area.intersected(p.clipPath()) : area;
  TFill f; // phase 0: the brush transform moves the tile to the brush origin
  f.color = b.lb.lbColor;
  f.bk = s.bkColor;
  f.text = s.textColor;
  f.opaque = s.bkMode == OPAQUE;
  switch (b.lb.lbStyle) {
  case BS_SOLID:
    p.fillPath(shape, Q(b.lb.lbColor));
    break;
  case BS_HATCHED:
    f.kind = TFill::Hatch;
    f.hatch = int(std::min<std::uintptr_t>(b.lb.lbHatch, 5));
    FillWithTile(p, shape, TileBrush(f, 8, 8, s.brushOrg));
    break;
  case BS_PATTERN:
    if (b.pattern && b.pattern->DibWidth() > 0 && b.pattern->DibHeight() > 0) {
      f.kind = TFill::Pattern;
      f.pattern = b.pattern;
      f.monoPattern = b.pattern->DibBitsPerPixel() == 1;
      FillWithTile(p, shape, TileBrush(f, b.pattern->DibWidth(), b.pattern->DibHeight(), s.brushOrg));
    }
    break;
  default:
    break;
  }
}

} // namespace gdi

using namespace gdi;

HDC CreateMetafileDC(int width, int height) {
  auto dc = std::make_unique<TDc>();
  dc->kind = OBJ_ENHMETADC;
  dc->recording = std::make_shared<TRecording>();
  dc->recordWidth = std::max(width, 0);
  dc->recordHeight = std::max(height, 0);
  return RegisterDc(std::move(dc));
}

// ---- TMetafile --------------------------------------------------------------------------

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::SetWidth(int w) {
  if (w == width_) return;
  width_ = std::max(w, 0);
  Changed();
}

void TMetafile::SetHeight(int h) {
  if (h == height_) return;
  height_ = std::max(h, 0);
  Changed();
}

bool TMetafile::Empty() const {
  return !recording_;
}

int TMetafile::RecordCount() const {
  return recording_ ? int(recording_->entries.size()) : 0;
}

void TMetafile::Clear() {
  recording_.reset();
  Changed();
}

void TMetafile::Draw(TCanvas* canvas, const TRect& rect) {
  if (!recording_ || !canvas) return;
  TDc* dc = Dc(canvas->Handle());
  if (!dc) return;
  if (dc->recording) { // drawing a metafile into another recording
    auto rec = recording_;
    int w = width_, h = height_;
    QRect dest(rect.Left, rect.Top, rect.Width(), rect.Height());
    Run(canvas->Handle(), [rec, w, h, dest](TDc& d) {
      Replay(*rec, w, h, d, dest);
      return true;
    });
    return;
  }
  Replay(*recording_, width_, height_, *dc,
         QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
}

void TMetafile::Assign(const TGraphic* source) {
  if (source == this) return;
  if (auto* m = dynamic_cast<const TMetafile*>(source)) {
    recording_ = m->recording_; // recordings are immutable once complete
    width_ = m->width_;
    height_ = m->height_;
    Changed();
    return;
  }
  if (!source) {
    Clear();
    return;
  }
  // any other graphic: record its drawing
  width_ = source->Width();
  height_ = source->Height();
  {
    TMetafileCanvas canvas(this, nullptr);
    const_cast<TGraphic*>(source)->Draw(&canvas, TRect(0, 0, width_, height_));
  }
  Changed();
}

void TMetafile::LoadFromStream(TStream&) {
  throw EInvalidGraphic("Metafile is not valid");
}

namespace {
QImage Render(const TMetafile& mf, const std::shared_ptr<TRecording>& rec) {
  QImage image(std::max(mf.Width(), 1), std::max(mf.Height(), 1), QImage::Format_RGB32);
  image.fill(Qt::white);
  if (!rec) return image;
  TQImageSurface surface(&image, TSurfaceKind::Memory);
  HDC dc = CreateSurfaceDC(&surface);
  Replay(*rec, mf.Width(), mf.Height(), *Dc(dc), QRect(0, 0, mf.Width(), mf.Height()));
  DeleteDC(dc);
  return image;
}
} // namespace

bool TMetafile::Vectorizable() const {
  if (!recording_) return true;
  for (const TRecording::TEntry& e : recording_->entries) {
    if (!e.draws) continue;
    QPen probe;
    if (!e.vector || !VectorPen(e.state, probe)) return false;
  }
  return true;
}

void TMetafile::SaveToStream(TStream& stream) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(width_, height_));
  svg.setViewBox(QRect(0, 0, width_, height_));
  svg.setResolution(96);
  {
    QPainter p(&svg);
    if (Vectorizable()) {
      // every call has a vector form: shapes, lines, text and images as SVG
      // elements, each clipped as it was recorded
      QRegion frame(0, 0, width_, height_);
      for (const TRecording::TEntry& e :
           recording_ ? recording_->entries : std::vector<TRecording::TEntry>()) {
        if (!e.draws) continue;
        p.save();
        p.setClipRegion(e.state.clipped ? e.state.clip & frame : frame);
        p.setWorldTransform(StateTransform(e.state));
        e.vector(p, e.state);
        p.restore();
      }
    } else {
      // raster operations SVG cannot express: the exact replay as an image
      p.drawImage(QRect(0, 0, width_, height_), Render(*this, recording_));
    }
  }
  const QByteArray& bytes = buffer.data();
  if (!bytes.isEmpty()) stream.WriteBuffer(bytes.constData(), bytes.size());
}

TClipboardData TMetafile::SaveToClipboardFormat() {
  QImage image = Render(*this, recording_);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  TClipboardData d;
  d.format = "image/png";
  d.data.assign(buffer.data().begin(), buffer.data().end());
  return d;
}

// ---- TMetafileCanvas ----------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC)
    : metafile_(metafile),
      dc_(CreateMetafileDC(metafile ? metafile->Width() : 0, metafile ? metafile->Height() : 0)) {
  recording_ = Dc(dc_)->recording;
  // the metafile resolution is the screen's
  Font()->SetPixelsPerInch(ScreenPixelsPerInch());
  SetHandle(dc_);
}

TMetafileCanvas::~TMetafileCanvas() {
  DeselectHandles();
  SetHandle(nullptr);
  DeleteDC(dc_);
  if (metafile_) {
    metafile_->recording_ = recording_;
    metafile_->SetModified(true);
  }
}
