#include "platform/forms/Dialogs.h"

#include "platform/forms/Forms.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>

namespace {

TInputAnswerer& inputAnswerer() {
  static TInputAnswerer a;
  return a;
}

TOpenFilesAnswerer& openFilesAnswerer() {
  static TOpenFilesAnswerer a;
  return a;
}

/// The message-box answerer asked in place of a dialog: true for IDOK.
bool AskedAsBox(const std::string& caption, const std::string& text) {
  TDialogRequest request;
  request.Caption = caption;
  request.Text = text;
  request.Flags = MB_OKCANCEL;
  return CurrentDialogAnswerer()(request) == IDOK;
}

bool ShowInputDialog(TInputRequest& request) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(request.Caption),
                            QString::fromStdString(request.Prompt), QLineEdit::Normal,
                            QString::fromStdString(request.Value), &ok);
  if (ok) request.Value = text.toStdString();
  return ok;
}

bool ShowOpenFilesDialog(TOpenFilesRequest& request) {
  QWidget* parent = QApplication::activeWindow();
  const QString caption = QString::fromStdString(request.Caption);
  const QStringList chosen = request.Multiple
                                 ? QFileDialog::getOpenFileNames(parent, caption)
                                 : QStringList{QFileDialog::getOpenFileName(parent, caption)};
  request.Files.clear();
  for (const QString& f : chosen)
    if (!f.isEmpty()) request.Files.push_back(f.toStdString());
  return !request.Files.empty();
}

} // namespace

void SetInputAnswerer(TInputAnswerer answerer) {
  inputAnswerer() = std::move(answerer);
}

void SetOpenFilesAnswerer(TOpenFilesAnswerer answerer) {
  openFilesAnswerer() = std::move(answerer);
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  TInputRequest request{caption, prompt, value};
  const int answer = RunDialogWindow(caption, IDCANCEL, [&](const std::string& shownCaption) {
    request.Caption = shownCaption;
    bool ok = false;
    if (inputAnswerer())
      ok = inputAnswerer()(request);
    else if (CurrentDialogAnswerer())
      ok = AskedAsBox(shownCaption, prompt);
    else
      ok = ShowInputDialog(request);
    return ok ? IDOK : IDCANCEL;
  });
  if (answer != IDOK) return false;
  value = request.Value;
  return true;
}

bool PromptForFiles(const std::string& caption, bool multiple, std::vector<std::string>& files) {
  TOpenFilesRequest request{caption, multiple, {}};
  const int answer = RunDialogWindow(caption, IDCANCEL, [&](const std::string& shownCaption) {
    request.Caption = shownCaption;
    bool ok = false;
    if (openFilesAnswerer())
      ok = openFilesAnswerer()(request) && !request.Files.empty();
    else if (CurrentDialogAnswerer())
      AskedAsBox(shownCaption, ""); // a box answerer has no files to give
    else
      ok = ShowOpenFilesDialog(request);
    return ok ? IDOK : IDCANCEL;
  });
  files.clear();
  if (answer != IDOK) return false;
  if (!multiple && request.Files.size() > 1) request.Files.resize(1);
  files = request.Files;
  return true;
}
