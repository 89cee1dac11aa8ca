#include "platform/forms/EditExtras.h"

#include <QEvent>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <map>
#include <memory>

#include "platform/forms/WindowTable.h"
#include "platform/graphics/QtBridge.h"

namespace {

QLineEdit* lineEdit(TEdit* edit) {
  edit->HandleNeeded();
  return dynamic_cast<QLineEdit*>(edit->Widget());
}

class TFacePaintFilter : public QObject {
public:
  TFacePaintFilter(TEdit* edit, TEditFacePainter painter)
      : QObject(lineEdit(edit)), edit_(edit), painter_(std::move(painter)) {
    setObjectName(QStringLiteral("skEditFacePainter"));
  }
  bool Paint(HDC dc) {
    if (!painter_) return false;
    painter_(dc, TRect(0, 0, edit_->Width(), edit_->Height()));
    return true;
  }
  void SetPainter(TEditFacePainter painter) { painter_ = std::move(painter); }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = static_cast<QWidget*>(watched);
    if (event->type() != QEvent::Paint || !painter_ || widget->hasFocus()) return false;
    forms_detail::TQtEntry entry;
    // The face takes the client area; the edit's frame stays as the style
    // draws it around a focused edit.
    QPainter p(widget);
    QRect client = widget->rect();
    auto* edit = static_cast<QLineEdit*>(widget);
    if (edit->hasFrame()) {
      QStyleOptionFrame frame;
      frame.initFrom(widget);
      frame.rect = widget->rect();
      frame.lineWidth = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, widget);
      frame.midLineWidth = 0;
      frame.state |= QStyle::State_Sunken;
      widget->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, widget);
      client = client.adjusted(frame.lineWidth, frame.lineWidth, -frame.lineWidth,
                               -frame.lineWidth);
    }
    if (client.isEmpty()) return true;
    QImage image(client.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    TQImageSurface surface(&image, TSurfaceKind::Memory);
    HDC dc = CreateSurfaceDC(&surface);
    forms_detail::Guarded([&] { painter_(dc, TRect(0, 0, image.width(), image.height())); });
    DeleteDC(dc);
    p.drawImage(client.topLeft(), image);
    return true;
  }

private:
  TEdit* edit_;
  TEditFacePainter painter_;
};

TFacePaintFilter* filterOf(TEdit* edit) {
  QLineEdit* e = lineEdit(edit);
  return e == nullptr ? nullptr
                      : static_cast<TFacePaintFilter*>(e->findChild<QObject*>(
                            QStringLiteral("skEditFacePainter"), Qt::FindDirectChildrenOnly));
}

} // namespace

void SetEditTextMargins(TEdit* edit, int left, int right) {
  if (QLineEdit* e = lineEdit(edit)) e->setTextMargins(left, 0, right, 0);
}

void SetEditAlignment(TEdit* edit, TAlignment alignment) {
  QLineEdit* e = lineEdit(edit);
  if (e == nullptr) return;
  Qt::Alignment a = Qt::AlignLeft;
  if (alignment == TAlignment::taRightJustify) a = Qt::AlignRight;
  if (alignment == TAlignment::taCenter) a = Qt::AlignHCenter;
  e->setAlignment(a | Qt::AlignVCenter);
}

void SetEditUnfocusedPainter(TEdit* edit, TEditFacePainter painter) {
  QLineEdit* e = lineEdit(edit);
  if (e == nullptr) return;
  if (TFacePaintFilter* f = filterOf(edit)) {
    f->SetPainter(std::move(painter));
  } else {
    auto* filter = new TFacePaintFilter(edit, std::move(painter));
    e->installEventFilter(filter);
  }
  e->update();
}

bool PaintEditFace(TEdit* edit, HDC dc) {
  TFacePaintFilter* f = filterOf(edit);
  return f != nullptr && f->Paint(dc);
}
