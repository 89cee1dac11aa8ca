#include "platform/web/WebDialogBoxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace web {

WebDialogAnswer ShowWebDialogBox(const WebDialogRequest& request, const std::string& caption) {
  WebDialogAnswer answer;
  const QString title = QString::fromStdString(caption);
  const QString text = QString::fromStdString(request.Message);
  QWidget* parent = QApplication::activeWindow();
  switch (request.Kind) {
  case WebDialogKind::Alert:
    QMessageBox::information(parent, title, text);
    answer.Accepted = true;
    break;
  case WebDialogKind::Confirm:
    answer.Accepted =
        QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel) ==
        QMessageBox::Ok;
    break;
  case WebDialogKind::Prompt: {
    bool ok = false;
    const QString value = QInputDialog::getText(parent, title, text, QLineEdit::Normal,
                                                QString::fromStdString(request.DefaultText), &ok);
    answer.Accepted = ok;
    answer.Text = value.toStdString();
    break;
  }
  case WebDialogKind::ChooseFiles: {
    const QStringList files = request.MultipleFiles
                                  ? QFileDialog::getOpenFileNames(parent, title)
                                  : QStringList{QFileDialog::getOpenFileName(parent, title)};
    for (const QString& f : files)
      if (!f.isEmpty()) answer.Files.push_back(f.toStdString());
    answer.Accepted = !answer.Files.empty();
    break;
  }
  }
  return answer;
}

} // namespace web
