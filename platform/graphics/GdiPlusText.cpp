// Text of the anti-aliasing drawing layer: font families, fonts and string
// formats, and text drawn or measured in a layout rectangle. Drawing and
// measuring share one layout (TTextBlock), so a measured box is the box the
// drawn text takes.
#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/GdiPlusInternal.h"

struct GpFontFamily : GdipObject {
  std::string face;
};

struct GpFont : GdipObject {
  QFont font;
};

namespace {
/// What a string format holds (copied into a text layout).
struct TFormatData {
  int flags = 0;
  int alignment = GpStringAlignmentNear;
  int lineAlignment = GpStringAlignmentNear;
  int trimming = GpStringTrimmingCharacter;
  int prefix = GpHotkeyPrefixNone;
};
} // namespace

struct GpStringFormat : GdipObject, TFormatData {};

namespace {
template <class T> GpStatus MakeObject(T** out) {
  if (!out) return GpInvalidParameter;
  *out = new (std::nothrow) T;
  return *out ? GpOk : GpOutOfMemory;
}

const QImage& Device96() {
  static QImage device = [] {
    QImage d(1, 1, QImage::Format_RGB32);
    d.setDotsPerMeterX(kDotsPerMeter96);
    d.setDotsPerMeterY(kDotsPerMeter96);
    return d;
  }();
  return device;
}

QString TextOf(const WCHAR* text, int length) {
  if (length < 0) {
    length = 0;
    while (text[length] != 0)
      ++length;
  }
  return QString::fromUtf16(text, length);
}

/// The text as shown: hot-key prefixes resolved, with the position of the
/// underlined character (−1: none).
struct TShownText {
  QString text;
  int underline = -1;
  /// For each shown unit, its position in the given text; one more entry
  /// for the end.
  std::vector<int> origin;
};

TShownText ResolvePrefixes(const QString& text, int prefix) {
  TShownText out;
  for (int i = 0; i < text.size(); ++i) {
    if (prefix != GpHotkeyPrefixNone && text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != u'&' && out.underline < 0 && prefix == GpHotkeyPrefixShow)
        out.underline = int(out.text.size());
    }
    out.text += text[i];
    out.origin.push_back(i);
  }
  out.origin.push_back(int(text.size()));
  return out;
}

/// Text laid out in lines inside a layout rectangle, placed by the format's
/// alignments.
class TTextBlock {
public:
  TTextBlock(const QString& text, QFont font, const GpRectF& layout, const GpStringFormat* format,
             int hint)
      : layout_(layout), format_(format ? TFormatData(*format) : TFormatData()),
        given_(int(text.size())) {
    if (hint == GpTextRenderingSingleBitPerPixelGridFit || hint == GpTextRenderingSingleBitPerPixel)
      font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::NoAntialias));
    const QFontMetricsF metrics(font, &Device96());
    // Some faces declare a negative line gap: lines never overlap.
    lineSpacing_ = std::max(metrics.lineSpacing(), metrics.height());
    TShownText shown = ResolvePrefixes(text, format_.prefix);
    shown.text.replace(u'\n', QChar::LineSeparator);
    if (Elides() && metrics.horizontalAdvance(shown.text) > layout.Width) {
      const Qt::TextElideMode mode =
          format_.trimming == GpStringTrimmingEllipsisPath ? Qt::ElideMiddle : Qt::ElideRight;
      shown.text = metrics.elidedText(shown.text, mode, layout.Width);
      if (shown.underline >= shown.text.size() - 1) shown.underline = -1;
      shown.origin.clear(); // the shown units no longer map onto the given ones
    }
    text_ = shown.text;
    origin_ = std::move(shown.origin);
    layout_text_ = std::make_unique<QTextLayout>(shown.text, font, &Device96());
    if (shown.underline >= 0) {
      QTextLayout::FormatRange range;
      range.start = shown.underline;
      range.length = 1;
      range.format.setFontUnderline(true);
      layout_text_->setFormats({range});
    }
    QTextOption option;
    option.setWrapMode(Wraps() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout_text_->setTextOption(option);
    LayOutLines();
  }

  void Draw(QPainter& p, const QPen& pen) {
    if (!(format_.flags & GpStringFormatFlagsNoClip) && layout_.Width > 0 && layout_.Height > 0)
      p.setClipRect(QRectF(layout_.X, layout_.Y, layout_.Width, layout_.Height), Qt::IntersectClip);
    p.setPen(pen);
    layout_text_->draw(&p, QPointF(0, 0));
  }

  GpRectF Bounds() const { return bounds_; }
  int Lines() const { return lines_; }
  int Fitted() const { return fitted_; }

private:
  bool Wraps() const { return !(format_.flags & GpStringFormatFlagsNoWrap) && layout_.Width > 0; }
  bool Elides() const {
    return layout_.Width > 0 && !Wraps() && format_.trimming >= GpStringTrimmingEllipsisCharacter;
  }
  /// Offset of a piece of `size` along a side of `extent` (0: unbounded,
  /// the piece is then placed about the start).
  static double Place(int alignment, double extent, double size) {
    if (alignment == GpStringAlignmentCenter) return (extent - size) / 2;
    if (alignment == GpStringAlignmentFar) return extent - size;
    return 0;
  }

  void LayOutLines() {
    const double width = Wraps() ? layout_.Width : 1e7;
    std::vector<QTextLine> lines;
    layout_text_->beginLayout();
    for (QTextLine line = layout_text_->createLine(); line.isValid();
         line = layout_text_->createLine()) {
      line.setLineWidth(width);
      lines.push_back(line);
    }
    layout_text_->endLayout();
    int alignment = format_.alignment;
    if (format_.flags & GpStringFormatFlagsDirectionRightToLeft)
      alignment = alignment == GpStringAlignmentNear  ? GpStringAlignmentFar
                  : alignment == GpStringAlignmentFar ? GpStringAlignmentNear
                                                      : alignment;
    // Lines that start inside a bounded height are shown.
    int shown = int(lines.size());
    if (layout_.Height > 0)
      shown = std::clamp(int(std::ceil(layout_.Height / lineSpacing_ - 1e-6)), 1, shown);
    const double total = shown * lineSpacing_;
    const double top =
        layout_.Y + Place(format_.lineAlignment, std::max<double>(layout_.Height, 0), total);
    double left = 1e300, right = -1e300;
    for (int i = 0; i < int(lines.size()); ++i) {
      QTextLine& line = lines[std::size_t(i)];
      const double w = line.naturalTextWidth();
      const double x = layout_.X + Place(alignment, std::max<double>(layout_.Width, 0), w);
      // Lines past the shown ones go out of sight.
      line.setPosition(QPointF(x, i < shown ? top + i * lineSpacing_ : -1e7));
      if (i < shown) {
        left = std::min(left, x);
        right = std::max(right, x + w);
        const int end = line.textStart() + line.textLength();
        fitted_ = end < int(origin_.size()) ? origin_[std::size_t(end)] : given_;
      }
    }
    lines_ = text_.isEmpty() ? 0 : shown;
    if (lines_ == 0) left = right = layout_.X;
    bounds_ = GpRectF{float(left), float(top), float(right - left), float(total)};
    if (text_.isEmpty()) bounds_.Width = 0;
  }

  GpRectF layout_;
  TFormatData format_;
  QString text_;
  int given_;
  std::vector<int> origin_;
  std::unique_ptr<QTextLayout> layout_text_;
  double lineSpacing_ = 0;
  GpRectF bounds_;
  int lines_ = 0;
  int fitted_ = 0;
};
} // namespace

// ---- families, fonts, formats --------------------------------------------------------------

GpStatus GdipCreateFontFamilyFromName(const WCHAR* name, void* collection, GpFontFamily** family) {
  if (!family) return GpInvalidParameter;
  *family = nullptr;
  if (!name || collection) return GpInvalidParameter;
  const std::optional<std::string> face = gdi::InstalledFace(TextOf(name, -1).toStdString());
  if (!face) return GpFontFamilyNotFound;
  GpStatus s = MakeObject(family);
  if (s == GpOk) (*family)->face = *face;
  return s;
}

GpStatus GdipDeleteFontFamily(GpFontFamily* family) {
  return GdipDeleteObject(family);
}

GpStatus GdipCreateFont(const GpFontFamily* family, float emSize, int style, int unit,
                        GpFont** font) {
  if (!font) return GpInvalidParameter;
  *font = nullptr;
  if (!family || !(emSize > 0) || emSize > 8192 || (style & ~0xF) != 0) return GpInvalidParameter;
  if (unit != GpUnitWorld && unit != GpUnitPixel && unit != GpUnitPoint) return GpInvalidParameter;
  GpStatus s = MakeObject(font);
  if (s != GpOk) return s;
  QFont f(QString::fromStdString(family->face));
  // Point sizes at 96 dots per inch; world and pixel units are pixels.
  // Whole pixels, so that the size does not hang on a device's resolution.
  const double pixels = unit == GpUnitPoint ? emSize * 96.0 / 72.0 : emSize;
  f.setPixelSize(std::max(1, int(std::lround(pixels))));
  f.setBold(style & GpFontStyleBold);
  f.setItalic(style & GpFontStyleItalic);
  f.setUnderline(style & GpFontStyleUnderline);
  f.setStrikeOut(style & GpFontStyleStrikeout);
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoSubpixelAntialias | QFont::PreferOutline));
  f.setHintingPreference(QFont::PreferFullHinting);
  (*font)->font = f;
  return GpOk;
}

GpStatus GdipDeleteFont(GpFont* font) {
  return GdipDeleteObject(font);
}

GpStatus GdipCreateStringFormat(int flags, std::uint16_t /*language*/, GpStringFormat** format) {
  if (!format) return GpInvalidParameter;
  GpStatus s = MakeObject(format);
  if (s == GpOk) (*format)->flags = flags;
  return s;
}

GpStatus GdipDeleteStringFormat(GpStringFormat* format) {
  return GdipDeleteObject(format);
}

namespace {
/// Sets one setting of a format, when `value` lies in lo … hi.
GpStatus SetFormatSetting(GpStringFormat* format, int TFormatData::*setting, int value, int lo,
                          int hi) {
  if (!format || value < lo || value > hi) return GpInvalidParameter;
  format->*setting = value;
  return GpOk;
}
} // namespace

GpStatus GdipSetStringFormatAlign(GpStringFormat* format, int alignment) {
  return SetFormatSetting(format, &TFormatData::alignment, alignment, GpStringAlignmentNear,
                          GpStringAlignmentFar);
}

GpStatus GdipSetStringFormatLineAlign(GpStringFormat* format, int alignment) {
  return SetFormatSetting(format, &TFormatData::lineAlignment, alignment, GpStringAlignmentNear,
                          GpStringAlignmentFar);
}

GpStatus GdipSetStringFormatTrimming(GpStringFormat* format, int trimming) {
  return SetFormatSetting(format, &TFormatData::trimming, trimming, GpStringTrimmingNone,
                          GpStringTrimmingEllipsisPath);
}

GpStatus GdipSetStringFormatHotkeyPrefix(GpStringFormat* format, int prefix) {
  return SetFormatSetting(format, &TFormatData::prefix, prefix, GpHotkeyPrefixNone,
                          GpHotkeyPrefixHide);
}

// ---- drawing and measuring -----------------------------------------------------------------

GpStatus GdipDrawString(GpGraphics* g, const WCHAR* text, int length, const GpFont* font,
                        const GpRectF* layout, const GpStringFormat* format, const GpBrush* brush) {
  if (!g || !text || !font || !layout || !brush || length < -1) return GpInvalidParameter;
  auto block =
      std::make_shared<TTextBlock>(TextOf(text, length), font->font, *layout, format, g->textHint);
  const QPen pen(GdipBrushOf(brush), 1);
  const bool aliased = g->textHint == GpTextRenderingSingleBitPerPixelGridFit ||
                       g->textHint == GpTextRenderingSingleBitPerPixel;
  return GdipPaint(g, [block, pen, aliased](QPainter& p) {
    p.setRenderHint(QPainter::TextAntialiasing, !aliased);
    block->Draw(p, pen);
  });
}

GpStatus GdipMeasureString(GpGraphics* g, const WCHAR* text, int length, const GpFont* font,
                           const GpRectF* layout, const GpStringFormat* format, GpRectF* bounds,
                           int* codepointsFitted, int* linesFilled) {
  if (!g || !text || !font || !layout || !bounds || length < -1) return GpInvalidParameter;
  const TTextBlock block(TextOf(text, length), font->font, *layout, format, g->textHint);
  *bounds = block.Bounds();
  if (codepointsFitted) *codepointsFitted = block.Fitted();
  if (linesFilled) *linesFilled = block.Lines();
  return GpOk;
}
