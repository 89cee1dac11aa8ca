// The browser engine wrapper: one embedded web view with its page, under the
// control of the system's browser control (browser/WebHostCore).
//
// This header is free of Qt types so that the browser control's headers can
// use it. The Qt side (the widget that holds the view, the page subclass, the
// process's profile) is in WebEngineQt.h, for platform/ and the browser
// control's .cpp files only.
//
// Files of this module:
//   WebEngineHost.h/.cpp        this facade (navigation, loads, scripts, snapshot, options, hooks)
//   WebEngineEnvironment.h/.cpp process set-up before the application object; user agent, proxy
//   WebEngineQt.h               the Qt classes behind the facade
//   WebEnginePage.cpp           the page subclass (dialogs, console, reload interception)
//   WebHostWidget.cpp           the widget holding the view (keys, drops, context menu)
//   WebWatchdog.h/.cpp          the watchdog that ends a hung render process
//   WebWindowBridge.cpp         the page's window moves and resizes, bridged to the host
//
// Threads: everything here runs on the user-interface thread. The engine
// loads pages on its own; its events arrive through the Qt event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace web {

/// How many download-complete events one finished top-level load fires. The
/// system's page rebuild waits for more than two of them; the engine reports
/// one finish per load, so a finished load counts three times.
inline constexpr int kDownloadCompletesPerLoad = 3;

/// A page snapshot: 24-bit pixels in B, G, R byte order, rows top-down, each
/// row padded to a multiple of four bytes (the layout of a device-independent
/// bitmap's rows).
struct WebSnapshot {
  int Width = 0;
  int Height = 0;
  int BytesPerLine = 0;
  std::vector<uint8_t> Pixels;

  const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * BytesPerLine; }
  /// The pixel at (x, y) as 0xRRGGBB.
  uint32_t Rgb(int x, int y) const;
};

/// The state of the last top-level load.
enum class WebLoadState {
  None,      // nothing loaded yet
  Loading,   // a load is under way
  Succeeded, // the page loaded
  Failed,    // the load failed; the engine shows its error page
  Stopped,   // the load was stopped before it finished
};

/// An uncaught error of a page script, as the engine reports it.
struct WebScriptError {
  int Line = 0;
  std::string Message; // "Uncaught ReferenceError: undefinedFn is not defined"
  std::string Url;     // the script's source
};

enum class WebDialogKind { Alert, Confirm, Prompt, ChooseFiles };

/// A dialog the page asks for.
struct WebDialogRequest {
  WebDialogKind Kind = WebDialogKind::Alert;
  std::string Message;
  std::string DefaultText; // prompt only
  std::string PageTitle;
  std::string PageUrl;
  bool MultipleFiles = false; // ChooseFiles only
};

/// The answer to a page dialog: Accepted is the confirm/prompt result;
/// Text the prompt's text; Files the chosen files.
struct WebDialogAnswer {
  bool Accepted = false;
  std::string Text;
  std::vector<std::string> Files;
};

/// Menu item ids of the engine's context menu that have a counterpart among
/// the browser's own command ids.
enum WebMenuItem : int {
  wmiBack = 2282,
  wmiForward = 2283,
  wmiReload = 2300,
  wmiViewSource = 2139,
  wmiSelectAll = 31,
  wmiPaste = 26,
  wmiOpenLink = 2136,
  wmiOpenLinkInNewWindow = 2137,
  wmiInspectElement = 28,
};

/// A context-menu request. ContextId: 0 default, 1 image, 2 editable content,
/// 4 selected text, 5 link. ItemIds lists the mapped items of the engine's
/// standard menu; a hook may erase ids to drop those items.
struct WebContextMenuRequest {
  int ContextId = 0;
  int ScreenX = 0;
  int ScreenY = 0;
  std::vector<int> ItemIds;
};

enum class WebDropHandling {
  Engine, // the engine handles drops itself
  Host,   // drag and drop events go to the host's hooks
  None,   // no drops
};

enum class WebDragEvent { Enter, Over, Leave, Drop };

/// A page's request to move or resize its window.
enum class WebWindowRequest { MoveTo, MoveBy, ResizeTo, ResizeBy };

/// Engine options that the browser control's option sets map onto.
struct WebEngineOptions {
  bool AutoLoadImages = true;
  bool JavascriptEnabled = true;
  bool PluginsEnabled = false;
  bool ShowScrollBars = true;
  /// Font size in pixels; 0: the process's default (WebEngineEnvironment.h).
  int DefaultFontSize = 0;
  /// Style sheet added to every document when it is ready (empty: none).
  std::string UserStyleSheet;
  /// Every page dialog is answered "no" without asking the dialog hook.
  bool SuppressDialogs = false;
  WebDropHandling DropHandling = WebDropHandling::Engine;
};

/// The watchdog's limits, in milliseconds of the runtime's tick clock
/// (platform/rtl Ticks.h); its checks run on the runtime's window timers
/// (platform/forms Timers.h), so a test's manual clock drives both.
///
/// The render process counts as hung when a script call (the host's or the
/// watchdog's own probe, sent every PeriodMs) has had no answer for AnswerMs;
/// while a top-level load is under way, only once the load has also run for
/// LoadMs (a slow server with a live page is not a hang). A hung render
/// process is ended and the page loaded again (the ended load reports
/// nothing); a second hang before the page has shown a frame, with no
/// navigation of the host's in between, ends it for good: no document,
/// LoadState Failed, LastError "The page did not respond", and a load under
/// way reports its failure (with its three completions). Until the page
/// loaded again has shown a frame, Snapshot gives none. Time in which the
/// user-interface thread did not run, and time in which a page dialog is
/// open, do not count. Under a manual clock,
/// advancing it past AnswerMs without letting the engine's answers in
/// counts as no answer.
struct WebWatchdogLimits {
  unsigned LoadMs = 6000;
  unsigned AnswerMs = 4000;
  unsigned PeriodMs = 250;
};

/// The error text of a load the watchdog ended for good.
inline constexpr const char* kPageDidNotRespond = "The page did not respond";

class WebEngineHostImpl;

/// One embedded web view. The view lives in a widget that the host owns; it
/// can be placed into another window's widget with AttachTo (WebEngineQt.h).
/// Events are called only when assigned.
class WebEngineHost {
public:
  WebEngineHost();
  ~WebEngineHost();
  WebEngineHost(const WebEngineHost&) = delete;
  WebEngineHost& operator=(const WebEngineHost&) = delete;

  // ---- geometry ----
  void SetBounds(int left, int top, int width, int height);
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetVisible(bool visible);
  bool Visible() const;

  // ---- navigation ----
  /// Text with "://" or beginning with "about:" is a URL; anything else is a
  /// local path made absolute and turned into a file URL.
  static std::string UrlFromText(const std::string& text);
  /// Starts loading; never throws. A failure shows as a failed load. A newer
  /// Navigate replaces an unfinished one, which then fires nothing.
  void Navigate(const std::string& urlOrPath);
  void Stop();
  void Reload();
  WebLoadState LoadState() const;
  /// True while a page the engine loaded successfully is shown and its
  /// render process runs.
  bool HasDocument() const;
  std::string Url() const;
  std::string Title() const;
  /// The content type of the shown document ("text/html", "image/png";
  /// "inode/directory" for the listing of a local folder); empty without a
  /// document or while the document has not told it yet.
  std::string DocumentContentType() const;
  /// True while a document is shown that is an HTML document by its content
  /// type (assumed until the document has told it); false for an image, a
  /// plain text or a folder listing.
  bool HasHtmlDocument() const;
  std::string LastError() const; // the engine's text for the last failed load
  /// The zoom factor of the page (never changed by this wrapper).
  double ZoomFactor() const;

  // ---- scripts ----
  /// Runs a script in the page without waiting; calls run in order. Errors
  /// arrive through OnScriptError.
  void RunScript(const std::string& script);
  /// Runs a script and delivers its result as text (numbers, strings and
  /// booleans as JavaScript would print them, objects as JSON); none when the
  /// script failed or gave undefined.
  void EvaluateScript(const std::string& script,
                      std::function<void(std::optional<std::string>)> done);
  /// EvaluateScript waiting in a local event loop up to timeoutMs.
  std::optional<std::string> EvaluateScriptAndWait(const std::string& script, int timeoutMs = 5000);

  // ---- snapshot ----
  /// The page as rendered by the engine at the view's size, whatever covers
  /// the view; none when there is no document, while the view or its window
  /// is hidden or minimized (the engine does not draw it then), until the
  /// page has drawn anew after the view was shown again or after the
  /// watchdog ended its render process, or when the engine gives no image.
  std::optional<WebSnapshot> Snapshot() const;
  /// The same picture written straight into rows the caller owns: row(y)
  /// gives the start of row y (room for width x 3 bytes); at most width x
  /// height pixels of the view are written. False (nothing written) where
  /// Snapshot gives none.
  bool SnapshotInto(int width, int height, const std::function<uint8_t*(int y)>& row) const;
  /// The same picture without the document check (for comparisons).
  std::optional<WebSnapshot> GrabView() const;

  // ---- options and actions ----
  void SetOptions(const WebEngineOptions& options);
  const WebEngineOptions& Options() const;
  /// Triggers the engine action of a menu item id (WebMenuItem); false when
  /// the id has none.
  bool TriggerMenuItem(int itemId);
  /// The item ids of the last context menu shown (for callers that check it).
  std::vector<int> LastShownMenuItems() const;
  /// The process id of the page's render process (0 when none).
  int64_t RenderProcessId() const;

  // ---- watchdog ----
  void SetWatchdogLimits(const WebWatchdogLimits& limits);
  const WebWatchdogLimits& WatchdogLimits() const;
  /// How many hung render processes the watchdog has ended.
  int WatchdogRecoveries() const;
  /// True while a script call or the watchdog's probe waits for its answer.
  bool ScriptAnswerPending() const;

  // ---- events ----
  std::function<void()> OnLoadStarted;
  std::function<void(int percent)> OnLoadProgress;
  /// The current top-level load ended (ok: it succeeded).
  std::function<void(bool ok)> OnLoadFinished;
  /// Fired kDownloadCompletesPerLoad times when the current top-level load ends.
  std::function<void()> OnDownloadComplete;
  /// A new top-level load starts while a document is shown.
  std::function<void()> OnUnload;
  std::function<void()> OnRenderProcessTerminated;
  std::function<void(const std::string& title)> OnTitleChanged;
  std::function<void(const WebScriptError&)> OnScriptError;
  /// Every console message: level 0 info, 1 warning, 2 error.
  std::function<void(int level, const std::string& message, int line, const std::string& source)>
      OnConsoleMessage;
  /// A dialog of the page. Unset: the dialog boxes of the windowing layer
  /// (WebDialogBoxes.h), captioned with the page title.
  std::function<WebDialogAnswer(const WebDialogRequest&)> OnDialog;
  /// A context menu is about to show; false suppresses it. Unset: the
  /// engine's standard menu.
  std::function<bool(WebContextMenuRequest&)> OnContextMenu;
  /// A key press reaching the page; true swallows it. key is the Qt key
  /// code, which equals the upper-case letter for letters.
  std::function<bool(int key, bool ctrl, bool shift, bool alt)> OnKeyDown;
  /// A reload is about to happen (engine action, F5); true cancels it.
  std::function<bool()> OnRefresh;
  /// The page asks for a new window; true opens the URL with the desktop's
  /// default program. Unset: refused.
  std::function<bool(const std::string& url, bool userInitiated)> OnNewWindow;
  /// A download; return a full file path to accept it, empty to cancel it.
  /// Unset: cancelled.
  std::function<std::string(const std::string& url, const std::string& suggestedName)> OnDownload;
  /// The engine asks to give the page's window this geometry (popups of the
  /// engine's own only).
  std::function<void(int x, int y, int width, int height)> OnGeometryChangeRequested;
  /// The page called window.moveTo (x, y), moveBy (dx, dy), resizeTo (w, h)
  /// or resizeBy (dw, dh). The engine moves no window for a page; a bridge
  /// put into every page before its own scripts delivers the calls here.
  std::function<void(WebWindowRequest kind, int a, int b)> OnWindowRequest;
  /// Drag and drop events with WebDropHandling::Host; true accepts.
  std::function<bool(WebDragEvent kind, int x, int y, const std::string& text)> OnDrag;
  /// The host widget gets a close request.
  std::function<void()> OnCloseRequested;
  /// The page's input widget gains (true) or loses the keyboard focus.
  std::function<void(bool focused)> OnFocusChanged;
  /// The window holding the view becomes active (true) or inactive.
  std::function<void(bool active)> OnWindowActivationChanged;
  /// The selection in the page changed.
  std::function<void()> OnSelectionChanged;

  /// Unassigns every event (before the owner of the handlers goes).
  void ClearEvents();

  WebEngineHostImpl& Impl() { return *impl_; }
  const WebEngineHostImpl& Impl() const { return *impl_; }

private:
  /// A document is shown, the view is shown and holds a frame of it.
  bool SnapshotPossible() const;
  std::unique_ptr<WebEngineHostImpl> impl_;
};

/// A plain widget in parent that holds the host's widget: for a window that
/// owns its widget. The host's widget leaves it when the host goes first;
/// the caller keeps the host's bounds (SetBounds) in step with it.
QWidget* CreateContainer(WebEngineHost& host, QWidget* parent);

/// The platform's virtual-key code of a key code that OnKeyDown reports
/// (letters, digits, space, F1-F12, Return, Escape, Tab, Backspace); 0 for
/// any other key.
int VirtualKeyOfEngineKey(int key);

} // namespace web
