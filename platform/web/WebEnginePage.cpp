#include "platform/web/WebEngineQt.h"

namespace web {

WebEnginePage::WebEnginePage(QWebEngineProfile* profile, QObject* parent, WebEngineHostImpl& host)
    : QWebEnginePage(profile, parent), host_(host) {}

void WebEnginePage::triggerAction(WebAction action, bool checked) {
  if ((action == Reload || action == ReloadAndBypassCache) && !host_.Refresh()) return;
  QWebEnginePage::triggerAction(action, checked);
}

void WebEnginePage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
  if (host_.options.SuppressDialogs) return;
  if (!host_.owner.OnDialog) return QWebEnginePage::javaScriptAlert(securityOrigin, msg);
  host_.owner.OnDialog(host_.DialogRequest(WebDialogKind::Alert, msg));
}

bool WebEnginePage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
  if (host_.options.SuppressDialogs) return false;
  if (!host_.owner.OnDialog) return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
  return host_.owner.OnDialog(host_.DialogRequest(WebDialogKind::Confirm, msg)).Accepted;
}

bool WebEnginePage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                     const QString& defaultValue, QString* result) {
  if (host_.options.SuppressDialogs) return false;
  if (!host_.owner.OnDialog)
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
  WebDialogRequest request = host_.DialogRequest(WebDialogKind::Prompt, msg);
  request.DefaultText = defaultValue.toStdString();
  const WebDialogAnswer answer = host_.owner.OnDialog(request);
  if (answer.Accepted && result) *result = QString::fromStdString(answer.Text);
  return answer.Accepted;
}

QStringList WebEnginePage::chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                                       const QStringList& acceptedMimeTypes) {
  if (host_.options.SuppressDialogs) return {};
  if (!host_.owner.OnDialog) return QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
  WebDialogRequest request = host_.DialogRequest(WebDialogKind::ChooseFiles, QString());
  request.MultipleFiles = mode == FileSelectOpenMultiple;
  const WebDialogAnswer answer = host_.owner.OnDialog(request);
  QStringList files;
  if (answer.Accepted)
    for (const std::string& f : answer.Files)
      files << QString::fromStdString(f);
  return files;
}

void WebEnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                             const QString& message, int lineNumber,
                                             const QString& sourceID) {
  WebEngineHost& owner = host_.owner;
  if (owner.OnConsoleMessage)
    owner.OnConsoleMessage(static_cast<int>(level), message.toStdString(), lineNumber,
                           sourceID.toStdString());
  if (level == ErrorMessageLevel && message.startsWith(QLatin1String("Uncaught ")) &&
      owner.OnScriptError) {
    WebScriptError error;
    error.Line = lineNumber;
    error.Message = message.toStdString();
    error.Url = sourceID.toStdString();
    owner.OnScriptError(error);
  }
}

} // namespace web
