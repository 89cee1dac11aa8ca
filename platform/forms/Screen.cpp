// TScreen, TMouse, the cursors and the cursor resources.
#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <map>

#include "platform/forms/CursorArt.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"
#include "platform/graphics/Gdi.h"

using namespace forms_detail;

namespace {

std::optional<TScreenMetrics>& metricsOverride() {
  static std::optional<TScreenMetrics> m;
  return m;
}

TScreenMetrics realMetrics() {
  TScreenMetrics m;
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect g = s->geometry();
    QRect a = s->availableGeometry();
    m.Width = g.width();
    m.Height = g.height();
    m.PixelsPerInch = int(s->logicalDotsPerInch() + 0.5);
    m.BitsPerPixel = s->depth();
    m.WorkArea = TRect(a.left(), a.top(), a.left() + a.width(), a.top() + a.height());
  }
  return m;
}

TScreenMetrics metrics() {
  return metricsOverride() ? *metricsOverride() : realMetrics();
}

// Cursor handles made by this layer: id -> cursor.
std::map<HCURSOR, QCursor>& cursorTable() {
  static std::map<HCURSOR, QCursor> t;
  return t;
}

HCURSOR addCursor(const QCursor& c) {
  static HCURSOR next = 0x5000;
  HCURSOR h = next++;
  cursorTable()[h] = c;
  return h;
}

/// The program's own cursor artwork, drawn here: a closed hand (grab), an open
/// hand with a pointing finger, a magnifier and a pencil; 32 x 32, black
/// outline on white.
QCursor drawCursor(const std::string& name) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  int hx = 16, hy = 16;
  if (name == "HANDGRAB") {
    p.drawRoundedRect(8, 10, 16, 14, 4, 4);
    for (int i = 0; i < 4; ++i)
      p.drawLine(11 + i * 3, 10, 11 + i * 3, 14);
  } else if (name == "HANDPNT") {
    p.drawRect(13, 4, 4, 12);
    p.drawRoundedRect(9, 14, 14, 12, 3, 3);
    hx = 15;
    hy = 4;
  } else if (name == "HANDZOOM") {
    p.drawEllipse(6, 6, 14, 14);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(19, 19, 27, 27);
    hx = 13;
    hy = 13;
  } else if (name == "HANDEDIT") {
    p.setPen(QPen(Qt::black, 1));
    QPolygon pencil;
    pencil << QPoint(4, 28) << QPoint(8, 20) << QPoint(24, 4) << QPoint(28, 8) << QPoint(12, 24);
    p.drawPolygon(pencil);
    hx = 4;
    hy = 28;
  } else {
    return QCursor();
  }
  p.end();
  return QCursor(pm, hx, hy);
}

TPoint& lastPointer() {
  static TPoint p;
  return p;
}

} // namespace

namespace forms_detail {

void ApplyCursor(TWinControl* control, TCursor cursor) {
  QWidget* w = control ? control->Widget() : nullptr;
  if (w == nullptr) return;
  w->setProperty("skCursor", cursor);
  if (cursor == crDefault)
    w->unsetCursor();
  else
    w->setCursor(QtCursorFor(cursor));
}

void SetLastPointer(TPoint p) {
  lastPointer() = p;
}

} // namespace forms_detail

TCursor ShownCursor(const TWinControl* control) {
  QWidget* w = control ? control->Widget() : nullptr;
  if (w == nullptr) return crDefault;
  QVariant v = w->property("skCursor");
  return v.isValid() ? TCursor(v.toInt()) : crDefault;
}

HCURSOR LoadCursorResource(const std::string& name) {
  static std::map<std::string, HCURSOR> loaded;
  auto it = loaded.find(name);
  if (it != loaded.end()) return it->second;
  QCursor c = drawCursor(name);
  if (c.shape() != Qt::BitmapCursor) return 0;
  HCURSOR h = addCursor(c);
  loaded[name] = h;
  return h;
}

namespace forms_detail {

QSize BackBufferBound() {
  QRect all;
  for (QScreen* s : QGuiApplication::screens())
    all |= s->geometry();
  TScreenMetrics m = metrics();
  return QSize(std::max({all.width(), m.Width, 1}), std::max({all.height(), m.Height, 1}));
}

} // namespace forms_detail

void SetScreenMetricsForTests(std::optional<TScreenMetrics> m) {
  metricsOverride() = m;
}

// ---------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
  menuFont_.SetName("Tahoma");
  menuFont_.SetHeight(-11);
}

TScreen::~TScreen() {
  if (cursor_ != crDefault && QGuiApplication::instance() != nullptr)
    QGuiApplication::restoreOverrideCursor();
}

void TScreen::SetCursor(TCursor value) {
  if (value == cursor_) return;
  TCursor old = cursor_;
  cursor_ = value;
  if (QGuiApplication::instance() == nullptr) return;
  if (value == crDefault)
    QGuiApplication::restoreOverrideCursor();
  else if (old == crDefault)
    QGuiApplication::setOverrideCursor(QtCursorFor(value));
  else
    QGuiApplication::changeOverrideCursor(QtCursorFor(value));
}

HCURSOR TScreen::Cursors(int index) const {
  for (auto& [i, h] : cursors_)
    if (i == index) return h;
  return 0;
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  for (auto& entry : cursors_)
    if (entry.first == index) {
      entry.second = cursor;
      return;
    }
  cursors_.emplace_back(index, cursor);
}

QCursor TScreen::QtCursor(TCursor cursor) const {
  HCURSOR h = Cursors(cursor);
  auto it = cursorTable().find(h);
  if (it != cursorTable().end()) return it->second;
  return QCursor(Qt::ArrowCursor);
}

TRect TScreen::WorkAreaRect() const {
  return metrics().WorkArea;
}
int TScreen::Width() const {
  return metrics().Width;
}
int TScreen::Height() const {
  return metrics().Height;
}
int TScreen::PixelsPerInch() const {
  return metrics().PixelsPerInch;
}
int TScreen::BitsPerPixel() const {
  return metrics().BitsPerPixel;
}

void TScreen::AddForm(TForm* form) {
  if (std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::RemoveForm(TForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (activeForm_ == form) activeForm_ = nullptr;
}

TScreen* Screen() {
  static TScreen* s = new TScreen(nullptr);
  return s;
}

// ---------------------------------------------------------------------------
// TMouse

TPoint TMouse::CursorPos() const {
  return lastPointer();
}
void TMouse::SetCursorPos(TPoint p) {
  lastPointer() = p;
}

TMouse* Mouse() {
  static TMouse m;
  return &m;
}

std::vector<std::string> TScreen::Fonts() const {
  return GdiInstalledFaces();
}

void MessageBeep(unsigned /*type*/) {
  QApplication::beep();
}

HCURSOR CreateCursorFromRows(const std::vector<std::string>& rows, int hotX, int hotY) {
  int width = 0;
  for (const std::string& row : rows)
    width = std::max(width, int(row.size()));
  QImage image(std::max(width, 1), std::max(int(rows.size()), 1), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < int(rows.size()); ++y)
    for (int x = 0; x < int(rows[size_t(y)].size()); ++x) {
      const char c = rows[size_t(y)][size_t(x)];
      if (c == '#') image.setPixel(x, y, qRgba(0, 0, 0, 255));
      if (c == '.') image.setPixel(x, y, qRgba(255, 255, 255, 255));
    }
  return addCursor(QCursor(QPixmap::fromImage(image), hotX, hotY));
}
