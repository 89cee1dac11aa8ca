#include "platform/web/WebEngineQt.h"

#include "platform/web/WebDialogBoxes.h"
#include "platform/web/WebWatchdog.h"

namespace web {

WebEnginePage::WebEnginePage(QWebEngineProfile* profile, QObject* parent, WebEngineHostImpl& host)
    : QWebEnginePage(profile, parent), host_(host) {}

void WebEnginePage::triggerAction(WebAction action, bool checked) {
  if ((action == Reload || action == ReloadAndBypassCache) && !host_.Refresh()) return;
  QWebEnginePage::triggerAction(action, checked);
}

namespace {

/// While a page dialog is open the page waits for it: the watchdog does not
/// count that time.
class PageDialogScope {
public:
  explicit PageDialogScope(WebWatchdog& watchdog) : watchdog_(watchdog) {
    watchdog_.DialogOpened();
  }
  ~PageDialogScope() { watchdog_.DialogClosed(); }
  PageDialogScope(const PageDialogScope&) = delete;
  PageDialogScope& operator=(const PageDialogScope&) = delete;

private:
  WebWatchdog& watchdog_;
};

} // namespace

WebDialogAnswer WebEnginePage::AskDialog(const WebDialogRequest& request) {
  PageDialogScope scope(*host_.watchdog);
  if (host_.owner.OnDialog) return host_.owner.OnDialog(request);
  // Without a hook the dialog still goes through the windowing layer's
  // dialog boxes (and their test answerer), never a box of the engine's own.
  return ShowWebDialogBox(request, request.PageTitle.empty() ? request.PageUrl : request.PageTitle);
}

void WebEnginePage::javaScriptAlert(const QUrl&, const QString& msg) {
  if (host_.options.SuppressDialogs) return;
  AskDialog(host_.DialogRequest(WebDialogKind::Alert, msg));
}

bool WebEnginePage::javaScriptConfirm(const QUrl&, const QString& msg) {
  if (host_.options.SuppressDialogs) return false;
  return AskDialog(host_.DialogRequest(WebDialogKind::Confirm, msg)).Accepted;
}

bool WebEnginePage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue,
                                     QString* result) {
  if (host_.options.SuppressDialogs) return false;
  WebDialogRequest request = host_.DialogRequest(WebDialogKind::Prompt, msg);
  request.DefaultText = defaultValue.toStdString();
  const WebDialogAnswer answer = AskDialog(request);
  if (answer.Accepted && result) *result = QString::fromStdString(answer.Text);
  return answer.Accepted;
}

QStringList WebEnginePage::chooseFiles(FileSelectionMode mode, const QStringList&,
                                       const QStringList&) {
  if (host_.options.SuppressDialogs) return {};
  WebDialogRequest request = host_.DialogRequest(WebDialogKind::ChooseFiles, QString());
  request.MultipleFiles = mode == FileSelectOpenMultiple;
  const WebDialogAnswer answer = AskDialog(request);
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
  if (TakeWindowBridgeMessage(message, owner)) return;
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
