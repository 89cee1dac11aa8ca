// The widget of a windowed control with a back buffer: its paint event only
// shows the buffer (and the border); scroll bars are child widgets whose
// actions become WM_HSCROLL/WM_VSCROLL messages.
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

constexpr int kScrollBarSize = 16;

QColor sysColor(int index) {
  COLORREF c = GetSysColor(index);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

/// A one-pixel frame just inside `r`: `topLeft` along the left column and
/// top row, `bottomRight` along the right column and bottom row.
void drawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

class TBufferWidget : public QWidget {
public:
  TBufferWidget(QWidget* parent, TWinControl* control) : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
  }

  QScrollBar* bar(int which, bool create) {
    QScrollBar*& b = which == SB_HORZ ? hbar_ : vbar_;
    if (b == nullptr && create) {
      b = new QScrollBar(which == SB_HORZ ? Qt::Horizontal : Qt::Vertical, this);
      b->setEnabled(false);
      b->setRange(0, 0);
      QObject::connect(b, &QScrollBar::actionTriggered, this,
                       [this, which](int action) { onAction(which, action); });
      QObject::connect(b, &QScrollBar::sliderReleased, this, [this, which] { onReleased(which); });
      b->show();
    }
    return b;
  }

  void removeBar(int which) {
    QScrollBar*& b = which == SB_HORZ ? hbar_ : vbar_;
    delete b;
    b = nullptr;
  }

  void layoutBars() {
    if (control_ == nullptr) return;
    TPoint off = control_->ClientOffset();
    int cw = control_->ClientWidth(), ch = control_->ClientHeight();
    if (vbar_) vbar_->setGeometry(off.x + cw, off.y, kScrollBarSize, ch);
    if (hbar_) hbar_->setGeometry(off.x, off.y + ch, cw, kScrollBarSize);
  }

  bool painting = false;
  void Detach() { control_ = nullptr; }

protected:
  void paintEvent(QPaintEvent* e) override {
    if (control_ == nullptr) return;
    painting = true;
    QPainter p(this);
    TPoint off = control_->ClientOffset();
    QImage* img = control_->BackBuffer();
    if (img != nullptr && !img->isNull()) {
      QRect target = e->rect().intersected(QRect(off.x, off.y, img->width(), img->height()));
      if (!target.isEmpty()) p.drawImage(target, *img, target.translated(-off.x, -off.y));
    }
    // The frame: a sunken 3-D edge or a single line.
    std::uint32_t ex = control_->HandleAllocated()
                           ? std::uint32_t(GetWindowLongPtr(control_->Handle(), GWL_EXSTYLE))
                           : 0;
    std::uint32_t st = control_->HandleAllocated()
                           ? std::uint32_t(GetWindowLongPtr(control_->Handle(), GWL_STYLE))
                           : 0;
    // Filled one-pixel strips: a pen's line would fall half a pixel beside
    // the edge and take the client's last column and row.
    QRect r = rect();
    if (ex & WS_EX_CLIENTEDGE) {
      drawEdge(p, r, sysColor(COLOR_BTNSHADOW), sysColor(COLOR_BTNHIGHLIGHT));
      drawEdge(p, r.adjusted(1, 1, -1, -1), sysColor(COLOR_3DDKSHADOW), sysColor(COLOR_BTNFACE));
    } else if (st & WS_BORDER) {
      drawEdge(p, r, sysColor(COLOR_WINDOWFRAME), sysColor(COLOR_WINDOWFRAME));
    }
    if (hbar_ && vbar_)
      p.fillRect(QRect(off.x + control_->ClientWidth(), off.y + control_->ClientHeight(),
                       kScrollBarSize, kScrollBarSize),
                 sysColor(COLOR_BTNFACE));
    painting = false;
  }

private:
  void send(int which, int code, int pos) {
    if (control_ == nullptr || !control_->HandleAllocated()) return;
    HWND h = control_->Handle();
    TQtEntry entry;
    Guarded([&] {
      SendMessage(h, which == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MakeWParam(code, pos), 0);
    });
  }

  void resync(int which) {
    if (control_ == nullptr || !control_->HandleAllocated()) return;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    GetScrollInfo(control_->Handle(), which, &si);
    if (QScrollBar* b = bar(which, false)) {
      // Placing the thumb is no user action: no message for it.
      QSignalBlocker block(b);
      b->setSliderPosition(si.nPos);
      b->setValue(si.nPos);
    }
  }

  void onAction(int which, int action) {
    QScrollBar* b = bar(which, false);
    if (b == nullptr || control_ == nullptr) return;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      send(which, SB_LINEUP, 0);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      send(which, SB_LINEDOWN, 0);
      break;
    case QAbstractSlider::SliderPageStepSub:
      send(which, SB_PAGEUP, 0);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      send(which, SB_PAGEDOWN, 0);
      break;
    case QAbstractSlider::SliderToMinimum:
      send(which, SB_TOP, 0);
      break;
    case QAbstractSlider::SliderToMaximum:
      send(which, SB_BOTTOM, 0);
      break;
    case QAbstractSlider::SliderMove: {
      int pos = b->sliderPosition();
      if (TWindowRecord* r = FindRecord(control_->Handle())) r->bars[which].trackPos = pos;
      send(which, SB_THUMBTRACK, pos);
      return; // the thumb follows the mouse while dragged
    }
    default:
      return;
    }
    send(which, SB_ENDSCROLL, 0);
    // The window decides where the bar stands (SetScrollInfo).
    if (b == bar(which, false)) resync(which);
  }

  void onReleased(int which) {
    QScrollBar* b = bar(which, false);
    if (b == nullptr) return;
    send(which, SB_THUMBPOSITION, b->sliderPosition());
    send(which, SB_ENDSCROLL, 0);
    resync(which);
  }

  TWinControl* control_;
  QScrollBar* hbar_ = nullptr;
  QScrollBar* vbar_ = nullptr;
};

} // namespace

namespace forms_detail {

QWidget* NewBufferWidget(QWidget* parent, TWinControl* control) {
  return new TBufferWidget(parent, control);
}

void DetachBufferWidget(QWidget* widget) {
  if (auto* w = dynamic_cast<TBufferWidget*>(widget)) w->Detach();
}

void SyncScrollBar(TWinControl* control, int which, const TScrollBarState& state) {
  auto* w = dynamic_cast<TBufferWidget*>(control->Widget());
  if (w == nullptr) return;
  QScrollBar* b = w->bar(which, state.present);
  if (b == nullptr) return;
  if (!state.present) {
    w->removeBar(which);
    return;
  }
  QSignalBlocker block(b);
  int span = state.page > 0 ? int(state.page) - 1 : 0;
  int maxPos = state.max - span;
  if (maxPos < state.min) maxPos = state.min;
  b->setRange(state.min, maxPos);
  b->setPageStep(state.page > 0 ? int(state.page) : 1);
  b->setSliderPosition(state.pos);
  b->setValue(state.pos);
  b->setEnabled(state.enabled);
  w->layoutBars();
}

void LayoutScrollBars(TWinControl* control) {
  if (auto* w = dynamic_cast<TBufferWidget*>(control->Widget())) w->layoutBars();
}

void ShowBufferArea(TWinControl* control, const QRect& area) {
  QWidget* w = control->Widget();
  if (w == nullptr || control->BackBuffer() == nullptr || !w->isVisible() || area.isEmpty()) return;
  TPoint off = control->ClientOffset();
  QRect r = area.translated(off.x, off.y);
  auto* bw = dynamic_cast<TBufferWidget*>(w);
  if (bw != nullptr && !bw->painting)
    w->repaint(r);
  else
    w->update(r);
}

QCursor QtCursorFor(TCursor cursor) {
  switch (cursor) {
  case crNone:
    return QCursor(Qt::BlankCursor);
  case crCross:
    return QCursor(Qt::CrossCursor);
  case crIBeam:
    return QCursor(Qt::IBeamCursor);
  case crSizeNESW:
    return QCursor(Qt::SizeBDiagCursor);
  case crSizeNS:
    return QCursor(Qt::SizeVerCursor);
  case crSizeNWSE:
    return QCursor(Qt::SizeFDiagCursor);
  case crSizeWE:
    return QCursor(Qt::SizeHorCursor);
  case crUpArrow:
    return QCursor(Qt::UpArrowCursor);
  case crHourGlass:
  case crSQLWait:
    return QCursor(Qt::WaitCursor);
  case crDrag:
  case crMultiDrag:
    return QCursor(Qt::DragMoveCursor);
  case crNoDrop:
  case crNo:
    return QCursor(Qt::ForbiddenCursor);
  case crHSplit:
    return QCursor(Qt::SplitHCursor);
  case crVSplit:
    return QCursor(Qt::SplitVCursor);
  case crAppStart:
    return QCursor(Qt::BusyCursor);
  case crHelp:
    return QCursor(Qt::WhatsThisCursor);
  case crHandPoint:
    return QCursor(Qt::PointingHandCursor);
  case crSizeAll:
    return QCursor(Qt::SizeAllCursor);
  case crDefault:
  case crArrow:
    return QCursor(Qt::ArrowCursor);
  default:
    return Screen()->QtCursor(cursor);
  }
}

} // namespace forms_detail
