#include "platform/web/WebEngineQt.h"

#include "platform/web/WebWatchdog.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QWebEngineView>

namespace web {

WebHostWidget::WebHostWidget(WebEngineHostImpl& host) : host_(host) {
  view_ = new QWebEngineView(this);
  view_->setGeometry(rect());
  view_->installEventFilter(this);
  for (QObject* child : view_->children())
    WatchChild(child);
}

void WebHostWidget::WatchChild(QObject* child) {
  if (child->isWidgetType()) child->installEventFilter(this);
}

void WebHostWidget::resizeEvent(QResizeEvent* event) {
  view_->setGeometry(QRect(QPoint(0, 0), event->size()));
  QWidget::resizeEvent(event);
}

void WebHostWidget::closeEvent(QCloseEvent* event) {
  if (host_.owner.OnCloseRequested) host_.owner.OnCloseRequested();
  QWidget::closeEvent(event);
}

void WebHostWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && host_.owner.OnWindowActivationChanged)
    host_.owner.OnWindowActivationChanged(isActiveWindow());
  QWidget::changeEvent(event);
}

bool WebHostWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_) {
    // A child is a complete widget only once it is polished.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
      WatchChild(static_cast<QChildEvent*>(event)->child());
    // The engine stops drawing a hidden view; shown again, the frame it
    // holds is stale until the page has drawn anew.
    if (event->type() == QEvent::Show && host_.hasDocument && host_.watchdog)
      host_.watchdog->FrameWanted();
    return false;
  }
  switch (event->type()) {
  case QEvent::FocusIn:
  case QEvent::FocusOut:
    if (host_.owner.OnFocusChanged) host_.owner.OnFocusChanged(event->type() == QEvent::FocusIn);
    return false;
  case QEvent::ShortcutOverride: {
    // A Ctrl key is asked about before the window's shortcuts see it: a key
    // the host swallows must not fire a shortcut of the application either.
    auto* key = static_cast<QKeyEvent*>(event);
    askedAtOverride_ = 0;
    if (!(key->modifiers() & Qt::ControlModifier)) return false;
    swallowedAtOverride_ = host_.KeyPress(key->key(), key->modifiers());
    askedAtOverride_ = key->key();
    if (!swallowedAtOverride_) return false;
    event->accept();
    return true;
  }
  case QEvent::KeyPress: {
    auto* key = static_cast<QKeyEvent*>(event);
    // A key asked about at its shortcut override keeps that answer: the host
    // hears of every key once.
    const bool asked = askedAtOverride_ != 0 && askedAtOverride_ == key->key();
    askedAtOverride_ = 0;
    if (asked) return swallowedAtOverride_;
    return host_.KeyPress(key->key(), key->modifiers());
  }
  case QEvent::DragEnter:
  case QEvent::DragMove:
  case QEvent::DragLeave:
  case QEvent::Drop: {
    const WebDropHandling handling = host_.options.DropHandling;
    if (handling == WebDropHandling::Engine) return false;
    // A refusal is an accepted event with no action: an ignored drag event
    // travels on to the parent widgets, and the view among them would hand
    // it to the page after all.
    auto refuse = [event] {
      if (event->type() == QEvent::DragLeave) return;
      auto* drop = static_cast<QDropEvent*>(event);
      drop->setDropAction(Qt::IgnoreAction);
      drop->accept();
    };
    if (handling == WebDropHandling::None) {
      refuse();
      return true;
    }
    WebDragEvent kind = WebDragEvent::Leave;
    int x = 0, y = 0;
    std::string text;
    if (event->type() != QEvent::DragLeave) {
      auto* drop = static_cast<QDropEvent*>(event);
      kind = event->type() == QEvent::DragEnter  ? WebDragEvent::Enter
             : event->type() == QEvent::DragMove ? WebDragEvent::Over
                                                 : WebDragEvent::Drop;
      x = drop->position().toPoint().x();
      y = drop->position().toPoint().y();
      if (const QMimeData* mime = drop->mimeData()) text = mime->text().toStdString();
    }
    const bool accept = host_.owner.OnDrag && host_.owner.OnDrag(kind, x, y, text);
    if (!accept)
      refuse();
    else if (kind != WebDragEvent::Leave)
      static_cast<QDropEvent*>(event)->acceptProposedAction();
    return true;
  }
  default:
    return false;
  }
}

} // namespace web
