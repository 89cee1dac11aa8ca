// Fonts and text: face substitution, metrics, extents and aliased glyphs.
//
// Text is laid out at whole-pixel advances (full hinting, no kerning), the
// same advances GetTextExtentExPoint reports; glyphs are drawn without
// antialiasing.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/graphics/GdiInternal.h"
#include "platform/rtl/CodePages.h"

namespace gdi {
namespace {

bool gTrueTypeReported = true;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string TrimSpaces(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

const QString& TahomaFamily() {
  static QString family = [] {
    QString name;
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
      int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
      if (id >= 0 && name.isEmpty()) {
        QStringList fams = QFontDatabase::applicationFontFamilies(id);
        if (!fams.isEmpty()) name = fams.first();
      }
    }
    return name.isEmpty() ? QStringLiteral("DejaVu Sans") : name;
  }();
  return family;
}

bool Installed(const QString& family) {
  static std::map<QString, bool> cache;
  auto it = cache.find(family.toLower());
  if (it != cache.end()) return it->second;
  bool found = false;
  for (const QString& f : QFontDatabase::families())
    if (f.compare(family, Qt::CaseInsensitive) == 0) found = true;
  cache[family.toLower()] = found;
  return found;
}

} // namespace

std::optional<std::string> InstalledFace(const std::string& face) {
  const std::string key = Lower(TrimSpaces(face));
  if (key.empty()) return std::nullopt;
  if (key == "tahoma" || key == "segoe ui") return TahomaFamily().toStdString();
  const std::string substitute = SubstituteFace(face);
  if (Lower(substitute) != "liberation sans" || key == "liberation sans" || key == "arial" ||
      key == "ms sans serif" || key == "helvetica" || key == "default" ||
      key.rfind("ms shell dlg", 0) == 0)
    return substitute;
  return std::nullopt;
}

std::string SubstituteFace(const std::string& face) {
  static const std::map<std::string, std::string> table = {
      {"arial", "Liberation Sans"},
      {"ms sans serif", "Liberation Sans"},
      {"default", "Liberation Sans"},
      {"ms shell dlg", "Liberation Sans"},
      {"ms shell dlg 2", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},
      {"times new roman", "Liberation Serif"},
      {"courier new", "Liberation Mono"},
      {"arial narrow", "Liberation Sans Narrow"}};
  std::string key = Lower(TrimSpaces(face));
  if (key == "tahoma" || key == "segoe ui") return TahomaFamily().toStdString();
  auto it = table.find(key);
  if (it != table.end()) return it->second;
  if (!key.empty() && key != "tahoma" && Installed(QString::fromStdString(TrimSpaces(face))))
    return TrimSpaces(face);
  return "Liberation Sans";
}

namespace {

std::unordered_map<std::string, std::unique_ptr<TResolvedFont>>& FontCache() {
  static auto& cache = *new std::unordered_map<std::string, std::unique_ptr<TResolvedFont>>;
  return cache;
}

} // namespace


const TResolvedFont& ResolveFont(const LOGFONT& lf) {
  auto& cache = FontCache();
  std::string key(reinterpret_cast<const char*>(&lf), sizeof lf);
  auto it = cache.find(key);
  if (it != cache.end()) return *it->second;
  auto r = std::make_unique<TResolvedFont>();
  r->face = SubstituteFace(lf.lfFaceName);
  QFont f(QString::fromStdString(r->face));
  // Glyphs are drawn without antialiasing (the painter's text antialiasing is
  // off); the font itself keeps the outline engine so that bold and regular
  // faces get their own hinted advances.
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoSubpixelAntialias | QFont::PreferOutline));
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  f.setWeight(QFont::Weight(std::clamp<int>(lf.lfWeight ? lf.lfWeight : 400, 100, 900)));
  f.setItalic(lf.lfItalic != 0);
  f.setUnderline(lf.lfUnderline != 0);
  f.setStrikeOut(lf.lfStrikeOut != 0);
  int px;
  if (lf.lfHeight < 0) {
    px = -lf.lfHeight;
  } else {
    int cell = lf.lfHeight == 0 ? 16 : lf.lfHeight;
    QFont probe = f;
    probe.setPixelSize(1000);
    QFontMetricsF m(probe);
    double ratio = (m.ascent() + m.descent()) / 1000.0;
    px = std::max(1, int(std::lround(cell / (ratio > 0 ? ratio : 1))));
  }
  f.setPixelSize(std::clamp(px, 1, 8192));
  r->font = f;
  QFontMetrics m(f);
  r->ascent = m.ascent();
  r->descent = m.descent();
  r->externalLeading = std::max(0, m.leading());
  r->internalLeading = std::max(0, r->ascent + r->descent - px);
  r->aveWidth = m.averageCharWidth();
  r->maxWidth = m.maxWidth();
  auto& out = *r;
  cache[key] = std::move(r);
  return out;
}

std::vector<int> Advances(const TResolvedFont& font, const std::u32string& text) {
  std::vector<int> out;
  out.reserve(text.size());
  for (char32_t c : text) {
    auto it = font.advances.find(c);
    if (it == font.advances.end()) {
      char32_t one = c;
      it = font.advances
               .emplace(c, QFontMetrics(font.font).horizontalAdvance(QString::fromUcs4(&one, 1)))
               .first;
    }
    out.push_back(it->second);
  }
  return out;
}

std::u32string DecodeText(const char* text, int length, BYTE charset) {
  std::u32string out;
  if (!text || length <= 0) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  // strict UTF-8 first
  bool valid = true;
  for (int i = 0; i < length && valid;) {
    unsigned c = s[i];
    int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (n < 0 || i + n >= length) {
      valid = false;
      break;
    }
    char32_t cp = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k <= n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) ||
        (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      valid = false;
    out.push_back(cp);
    i += n + 1;
  }
  if (valid) return out;
  // Not UTF-8: 8-bit text in the code page of the font's character set (the
  // system code page for DEFAULT_CHARSET); Windows-1252 maps every byte
  // when nothing else fits.
  static const std::pair<BYTE, int> pages[] = {
      {0, 1252},   {238, 1250}, {204, 1251}, {161, 1253}, {162, 1254}, {177, 1255}, {178, 1256},
      {186, 1257}, {163, 1258}, {222, 874},  {128, 932},  {134, 936},  {129, 949},  {136, 950}};
  int codePage = charset == DEFAULT_CHARSET ? GetACP() : 1252;
  for (auto [cs, cp] : pages)
    if (cs == charset) codePage = cp;
  if (codePage == CP_UTF8) codePage = 1252;
  std::string utf8 = CodePageToUtf8(std::string(text, std::size_t(length)), codePage);
  std::u32string decoded = DecodeText(utf8.data(), int(utf8.size()), DEFAULT_CHARSET);
  if (!utf8.empty()) return decoded;
  static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  out.clear();
  for (int i = 0; i < length; ++i) {
    unsigned c = s[i];
    out.push_back(c >= 0x80 && c < 0xA0 ? char32_t(high[c - 0x80]) : char32_t(c));
  }
  return out;
}

QPainterPath TextPath(const TResolvedFont& font, const std::u32string& text,
                      const std::vector<int>& advances) {
  QPainterPath p;
  int x = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    p.addText(QPointF(x, 0), font.font, QString::fromUcs4(&c, 1));
    x += advances[i];
  }
  return p;
}

QPainterPath& TDc::Path() {
  for (const TPathText& t : pathText)
    path.addPath(t.local.map(TextPath(*t.font, t.text, t.advances)));
  pathText.clear();
  return path;
}

void TDc::ClearPath() {
  path = QPainterPath();
  pathText.clear();
}

namespace {

struct TLayout {
  const TResolvedFont* font;
  std::u32string text;
  std::vector<int> adv;
  int width = 0;
  QTransform local; // text space (pen start at 0, baseline 0) -> device
};

TLayout Layout(TDc& d, int x, int y, const char* text, int length) {
  TLayout l;
  const LOGFONT& lf = d.state.font->lf;
  l.font = &ResolveFont(lf);
  l.text = DecodeText(text, length, lf.lfCharSet);
  l.adv = Advances(*l.font, l.text);
  for (int a : l.adv)
    l.width += a;
  UINT align = d.state.textAlign;
  int dx = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    dx = -(l.width / 2);
  else if (align & TA_RIGHT)
    dx = -l.width;
  int dy;
  if ((align & TA_BASELINE) == TA_BASELINE)
    dy = 0;
  else if (align & TA_BOTTOM)
    dy = -l.font->descent;
  else
    dy = l.font->ascent;
  QTransform t;
  t.translate(dx, dy);
  QTransform rot;
  if (lf.lfEscapement != 0) rot.rotate(-lf.lfEscapement / 10.0);
  l.local = t * rot * QTransform::fromTranslate(x, y) * d.Transform();
  return l;
}

} // namespace
} // namespace gdi

std::size_t GdiCachedGlyphCount() {
  std::size_t n = 0;
  for (const auto& [key, font] : gdi::FontCache())
    n += font->glyphs.size() + font->strokes.size();
  return n;
}

using namespace gdi;

void gdi::VectorText(QPainter& p, const TDcState& s, int x, int y, const std::string& text) {
  TDc logical; // the painter carries the transform already
  logical.state = s;
  logical.state.world = QTransform();
  logical.state.viewportOrg = logical.state.windowOrg = QPoint(0, 0);
  int px = x, py = y;
  if (s.textAlign & TA_UPDATECP) {
    px = s.position.x();
    py = s.position.y();
  }
  TLayout l = Layout(logical, px, py, text.data(), int(text.size()));
  p.save();
  p.setTransform(l.local, true);
  QColor bk(GetRValue(s.bkColor), GetGValue(s.bkColor), GetBValue(s.bkColor));
  QColor ink(GetRValue(s.textColor), GetGValue(s.textColor), GetBValue(s.textColor));
  // the SVG writer drops clipping: clipped text is written as glyph outlines
  // cut to the clip
  bool clipped = p.hasClipping();
  QPainterPath clip = clipped ? p.clipPath() : QPainterPath();
  if (s.bkMode == OPAQUE && l.width > 0) {
    QPainterPath cell;
    cell.addRect(QRectF(0, -l.font->ascent, l.width, l.font->ascent + l.font->descent));
    p.fillPath(clipped ? cell.intersected(clip) : cell, bk);
  }
  p.setFont(l.font->font);
  p.setPen(ink);
  int pen = 0;
  for (std::size_t i = 0; i < l.text.size(); ++i) {
    char32_t c = l.text[i];
    if (clipped) {
      QPainterPath glyph;
      glyph.addText(QPointF(pen, 0), l.font->font, QString::fromUcs4(&c, 1));
      p.fillPath(glyph.intersected(clip), ink);
    } else {
      p.drawText(QPointF(pen, 0), QString::fromUcs4(&c, 1));
    }
    pen += l.adv[i];
  }
  p.restore();
}

void GdiSetTrueTypeReported(bool reported) {
  gTrueTypeReported = reported;
}

std::vector<std::string> GdiInstalledFaces() {
  TahomaFamily(); // registered before listing
  std::vector<std::string> out;
  for (const QString& f : QFontDatabase::families())
    out.push_back(f.toStdString());
  for (const char* alias : {"Arial", "MS Sans Serif", "Times New Roman", "Courier New", "Segoe UI"})
    out.push_back(alias);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

namespace {

/// The pixels of a mask whose alpha is at least half, as spans moved by
/// (dx, dy).
void MaskSpans(const QImage& mask, int dx, int dy, std::vector<TSpan>& spans) {
  for (int yy = 0; yy < mask.height(); ++yy) {
    const QRgb* row = reinterpret_cast<const QRgb*>(mask.constScanLine(yy));
    int start = -1;
    for (int xx = 0; xx <= mask.width(); ++xx) {
      bool on = xx < mask.width() && qAlpha(row[xx]) >= 128;
      if (on && start < 0) start = xx;
      if (!on && start >= 0) {
        spans.push_back({yy + dy, start + dx, xx + dx});
        start = -1;
      }
    }
  }
}

/// A glyph's ink, drawn once per font and code point (aliased, as the text
/// of a whole line is) into a box of its cell with a margin of the cell's
/// height around it.
const std::vector<TSpan>& GlyphSpans(const TResolvedFont& font, char32_t c, int advance) {
  auto it = font.glyphs.find(c);
  if (it != font.glyphs.end()) return it->second;
  const int margin = font.ascent + font.descent;
  const QRect box(-margin, -font.ascent - margin, std::max(advance, 0) + 2 * margin,
                  font.ascent + font.descent + 2 * margin);
  QImage mask(box.size(), QImage::Format_ARGB32);
  mask.fill(0);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setTransform(QTransform::fromTranslate(-box.left(), -box.top()));
    p.setFont(font.font);
    p.setPen(Qt::black);
    p.drawText(QPointF(0, 0), QString::fromUcs4(&c, 1));
  }
  std::vector<TSpan> spans;
  MaskSpans(mask, box.left(), box.top(), spans);
  return font.glyphs.emplace(c, std::move(spans)).first->second;
}

/// The text's ink on the target. Text of a cached size moved by whole
/// pixels only (no rotation, no scaling) is stamped from the glyph cache;
/// any other text is drawn as a whole into a mask of the part of the target
/// it covers, so the work is bounded by the target, not by the font size.
void DrawTextInk(TTarget& target, const TLayout& l, COLORREF color) {
  const QTransform& t = l.local;
  if (l.font->CachesGlyphs() && t.type() <= QTransform::TxTranslate &&
      t.dx() == std::floor(t.dx()) &&
      t.dy() == std::floor(t.dy()) && std::abs(t.dx()) < 1e9 && std::abs(t.dy()) < 1e9) {
    int pen = int(t.dx());
    const int baseline = int(t.dy());
    for (std::size_t i = 0; i < l.text.size(); ++i) {
      target.PlotMask(GlyphSpans(*l.font, l.text[i], l.adv[i]), color, pen, baseline);
      pen += l.adv[i];
    }
    return;
  }
  QRect bounds(0, 0, target.Width(), target.Height());
  QRectF cell(0, -l.font->ascent, l.width, l.font->ascent + l.font->descent);
  const int margin = l.font->ascent + l.font->descent;
  const QRect area =
      (l.local.mapRect(cell.adjusted(-margin, -margin, margin, margin)) & QRectF(bounds))
          .toAlignedRect() &
      bounds;
  if (area.isEmpty()) return;
  QImage mask(area.size(), QImage::Format_ARGB32);
  mask.fill(0);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setTransform(l.local * QTransform::fromTranslate(-area.left(), -area.top()));
    p.setFont(l.font->font);
    p.setPen(Qt::black);
    int pen = 0;
    for (std::size_t i = 0; i < l.text.size(); ++i) {
      const char32_t c = l.text[i];
      // glyphs wholly outside the area cost nothing
      const QRectF glyphCell(pen - margin, -l.font->ascent - margin, l.adv[i] + 2.0 * margin,
                             3.0 * margin);
      if (l.local.mapRect(glyphCell).intersects(QRectF(area)))
        p.drawText(QPointF(pen, 0), QString::fromUcs4(&c, 1));
      pen += l.adv[i];
    }
  }
  std::vector<TSpan> spans;
  MaskSpans(mask, area.left(), area.top(), spans);
  target.PlotMask(spans, color);
}

} // namespace

BOOL TextOut(HDC h, int x, int y, const char* text, int length) {
  if (length < 0 || (!text && length > 0)) return FALSE;
  std::string copy(text ? text : "", std::size_t(length));
  return RunDirect(
      h,
      [x, y, copy](TDc& d) {
        int px = x, py = y;
        if (d.state.textAlign & TA_UPDATECP) {
          px = d.state.position.x();
          py = d.state.position.y();
        }
        TLayout l = Layout(d, px, py, copy.data(), int(copy.size()));
        if (d.state.textAlign & TA_UPDATECP) d.state.position.rx() += l.width;
        if (d.pathOpen) {
          d.pathText.push_back({l.font, std::move(l.text), std::move(l.adv), l.local});
          return true;
        }
        if (!d.surface) return true;
        TTarget target(d.surface, &d.ClipRects());
        QRect bounds(0, 0, target.Width(), target.Height());
        QRectF cell(0, -l.font->ascent, l.width, l.font->ascent + l.font->descent);
        if (d.state.bkMode == OPAQUE && l.width > 0) {
          std::vector<TSpan> spans;
          PolygonSpans({l.local.map(QPolygonF(cell))}, false, spans, bounds);
          target.PlotMask(spans, d.state.bkColor);
        }
        if (!l.text.empty()) DrawTextInk(target, l, d.state.textColor);
        target.Finish();
        return true;
      },
      [x, y, copy] {
        return [x, y, copy](QPainter& p, const TDcState& s) { VectorText(p, s, x, y, copy); };
      });
}

BOOL GetTextExtentPoint32(HDC h, const char* text, int length, SIZE* size) {
  return GetTextExtentExPoint(h, text, length, -1, nullptr, nullptr, size);
}

BOOL GetTextExtentExPoint(HDC h, const char* text, int length, int maxExtent, int* fit, int* dx,
                          SIZE* size) {
  TDc* dc = Dc(h);
  if (!dc || length < 0 || (!text && length > 0)) return FALSE;
  const LOGFONT& lf = dc->state.font->lf;
  const TResolvedFont& f = ResolveFont(lf);
  std::u32string s = DecodeText(text, length, lf.lfCharSet);
  std::vector<int> adv = Advances(f, s);
  int total = 0, fits = 0;
  for (std::size_t i = 0; i < adv.size(); ++i) {
    total += adv[i];
    if (dx) dx[i] = total;
    if (maxExtent < 0 || total <= maxExtent) fits = int(i) + 1;
  }
  if (fit) *fit = fits;
  if (size) *size = SIZE(total, f.ascent + f.descent);
  return TRUE;
}

BOOL GetTextMetrics(HDC h, TEXTMETRIC* tm) {
  TDc* dc = Dc(h);
  if (!dc || !tm) return FALSE;
  const LOGFONT& lf = dc->state.font->lf;
  const TResolvedFont& f = ResolveFont(lf);
  *tm = TEXTMETRIC();
  tm->tmAscent = f.ascent;
  tm->tmDescent = f.descent;
  tm->tmHeight = f.ascent + f.descent;
  tm->tmInternalLeading = f.internalLeading;
  tm->tmExternalLeading = f.externalLeading;
  tm->tmAveCharWidth = f.aveWidth;
  tm->tmMaxCharWidth = f.maxWidth;
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmItalic = lf.lfItalic;
  tm->tmUnderlined = lf.lfUnderline;
  tm->tmStruckOut = lf.lfStrikeOut;
  tm->tmCharSet = lf.lfCharSet;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = dc->Ppi();
  QFontInfo info(f.font);
  BYTE pf = info.fixedPitch() ? 0 : TMPF_FIXED_PITCH;
  pf |= TMPF_VECTOR;
  if (gTrueTypeReported) pf |= TMPF_TRUETYPE;
  tm->tmPitchAndFamily = pf;
  return TRUE;
}

int GetTextFace(HDC h, int size, char* face) {
  TDc* dc = Dc(h);
  if (!dc) return 0;
  std::string name = ResolveFont(dc->state.font->lf).face;
  if (!face) return int(name.size()) + 1;
  if (size <= 0) return 0;
  std::size_t n = std::min<std::size_t>(name.size(), std::size_t(size - 1));
  std::memcpy(face, name.data(), n);
  face[n] = 0;
  return int(n);
}

BOOL TranslateCharsetInfo(DWORD* source, CHARSETINFO* cs, DWORD flags) {
  if (!cs) return FALSE;
  static const std::pair<UINT, UINT> table[] = {
      {1250, 238}, {1251, 204}, {1252, 0},  {1253, 161}, {1254, 162}, {1255, 177}, {1256, 178},
      {1257, 186}, {1258, 163}, {874, 222}, {932, 128},  {936, 134},  {949, 129},  {950, 136}};
  UINT value = UINT(reinterpret_cast<std::uintptr_t>(source));
  for (auto [cp, charset] : table) {
    if ((flags == TCI_SRCCODEPAGE && cp == value) ||
        (flags == TCI_SRCCHARSET && charset == value)) {
      cs->ciACP = cp;
      cs->ciCharset = charset;
      return TRUE;
    }
  }
  if (flags == TCI_SRCCODEPAGE) {
    cs->ciACP = value;
    cs->ciCharset = DEFAULT_CHARSET;
    return TRUE;
  }
  return FALSE;
}
