// The Qt classes behind WebEngineHost. For platform/ and for the browser
// control's .cpp files only; headers above platform/ include WebEngineHost.h.
#pragma once

#include "platform/web/WebEngineHost.h"

#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWidget>

#include <memory>

class QWebEngineProfile;
class QWebEngineScriptCollection;
class QWebEngineView;
class QWebEngineLoadingInfo;
class QMenu;

namespace web {

/// The profile that new pages of this process use: off-the-record, no disk
/// cache. Created on first use; lives until the application object goes. A
/// proxy change makes a new one, since the engine applies the application
/// proxy reliably only to profiles made after it; hosts move to it at their
/// next navigation.
QWebEngineProfile* WebProfile();

/// The widget that holds a host's view (the view fills it).
QWidget* HostWidget(WebEngineHost& host);
QWebEngineView* HostView(WebEngineHost& host);
/// Places the host's widget into parent (none: a widget of its own).
void AttachTo(WebEngineHost& host, QWidget* parent);

class WebEngineHostImpl;
class WebWatchdog;

/// Puts the bridge of window.moveTo/moveBy/resizeTo/resizeBy into every page
/// of a script collection (WebWindowBridge.cpp).
void InstallWindowBridge(QWebEngineScriptCollection& scripts);
/// A console message of the bridge goes to owner.OnWindowRequest; true when
/// the message was the bridge's (it goes nowhere else).
bool TakeWindowBridgeMessage(const QString& message, WebEngineHost& owner);

/// The page: routes dialogs, console messages and reloads to the host.
class WebEnginePage : public QWebEnginePage {
public:
  WebEnginePage(QWebEngineProfile* profile, QObject* parent, WebEngineHostImpl& host);
  void triggerAction(WebAction action, bool checked = false) override;

protected:
  void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                        QString* result) override;
  QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                          const QStringList& acceptedMimeTypes) override;
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int lineNumber, const QString& sourceID) override;

private:
  /// Asks the host's dialog hook, or the dialog boxes, with the watchdog
  /// paused.
  WebDialogAnswer AskDialog(const WebDialogRequest& request);
  WebEngineHostImpl& host_;
};

/// The widget holding the view; watches keys and drops on the view's input
/// widget.
class WebHostWidget : public QWidget {
public:
  WebHostWidget(WebEngineHostImpl& host);
  QWebEngineView* View() const { return view_; }

protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void WatchChild(QObject* child);
  WebEngineHostImpl& host_;
  QWebEngineView* view_;
  /// The key the host was asked about at its shortcut override (0: none)
  /// and its answer; the key press that follows keeps the answer.
  int askedAtOverride_ = 0;
  bool swallowedAtOverride_ = false;
};

class WebEngineHostImpl {
public:
  explicit WebEngineHostImpl(WebEngineHost& owner);
  ~WebEngineHostImpl();

  WebEngineHost& owner;
  QPointer<WebHostWidget> widget;
  WebEnginePage* page = nullptr;
  WebEngineOptions options;
  WebLoadState loadState = WebLoadState::None;
  bool hasDocument = false;
  bool navigationPending = false;
  QUrl pendingUrl;
  uint64_t generation = 0;
  std::string lastError;
  std::vector<int> lastMenuItems;
  QPointer<QMenu> lastMenu;
  std::unique_ptr<WebWatchdog> watchdog;
  /// The shown document's content type (empty: not known yet) and whether
  /// it is the engine's listing of a local folder.
  std::string contentType;
  bool folderListing = false;
  uint64_t contentTypeSerial = 0;

  /// (Re)creates the page on the process's current profile.
  void CreatePage();
  void ApplyOptions();
  void OnLoadingChanged(const QWebEngineLoadingInfo& info);
  /// Starts a top-level load of url (replacing an unfinished one).
  void LoadUrl(const QUrl& url);
  /// Finds the content type of the document just loaded from url.
  void LearnContentType(const QUrl& url);
  /// Reports the end of the current top-level load to the host's events.
  void ReportLoadEnd(bool ok);
  /// The watchdog gave up on a hung page: no document, a failed load
  /// (reported when a load was under way).
  void GiveUpLoad(bool duringLoad);
  void ShowContextMenu(const QPoint& pos);
  bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
  bool Refresh();
  WebDialogRequest DialogRequest(WebDialogKind kind, const QString& message) const;
};

} // namespace web
