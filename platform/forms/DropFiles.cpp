#include "platform/forms/DropFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <map>

#include "platform/forms/WindowTable.h"

namespace {

std::map<HDROP, std::vector<std::string>>& drops() {
  static std::map<HDROP, std::vector<std::string>> map;
  return map;
}

HDROP nextDrop = 1;

std::vector<std::string> localPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}

class TDropFilter : public QObject {
public:
  TDropFilter(QWidget* widget, TWinControl* control) : QObject(widget), control_(control) {
    setObjectName(QStringLiteral("skDropFilter"));
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::DragEnter) {
      auto* e = static_cast<QDragEnterEvent*>(event);
      if (localPaths(e->mimeData()).empty()) return false;
      e->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* e = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = localPaths(e->mimeData());
      if (paths.empty()) return false;
      forms_detail::TQtEntry entry;
      forms_detail::Guarded([&] { DeliverDroppedFiles(control_, paths); });
      e->acceptProposedAction();
      return true;
    }
    return false;
  }

private:
  TWinControl* control_;
};

TDropFilter* filterOf(QWidget* widget) {
  return static_cast<TDropFilter*>(
      widget->findChild<QObject*>(QStringLiteral("skDropFilter"), Qt::FindDirectChildrenOnly));
}

} // namespace

void DragAcceptFiles(TWinControl* control, bool accept) {
  control->HandleNeeded();
  QWidget* widget = control->Widget();
  if (widget == nullptr) return;
  TDropFilter* filter = filterOf(widget);
  if (accept && filter == nullptr) {
    widget->installEventFilter(new TDropFilter(widget, control));
  } else if (!accept && filter != nullptr) {
    widget->removeEventFilter(filter);
    delete filter;
  }
  widget->setAcceptDrops(accept);
}

UINT DragQueryFile(HDROP drop, UINT index, std::string* name) {
  auto it = drops().find(drop);
  if (it == drops().end()) return 0;
  if (index == 0xFFFFFFFFu) return UINT(it->second.size());
  if (index >= it->second.size()) return 0;
  if (name != nullptr) *name = it->second[index];
  return UINT(it->second[index].size());
}

void DragFinish(HDROP drop) {
  drops().erase(drop);
}

bool DeliverDroppedFiles(TWinControl* control, const std::vector<std::string>& paths) {
  if (control->Widget() == nullptr || filterOf(control->Widget()) == nullptr) return false;
  const HDROP drop = nextDrop++;
  drops()[drop] = paths;
  SendMessage(control->Handle(), WM_DROPFILES, WPARAM(drop), 0);
  return true;
}

int OpenDropCount() {
  return int(drops().size());
}
