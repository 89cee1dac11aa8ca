// TCustomWebHost: the windowed control that holds the embedded browser and
// answers the browser's questions about host UI, downloads, scripts, context
// menus, keys, drag and drop, new windows, file downloads and window moves,
// mostly by asking an optional event of its own and answering with a fixed
// default when no event is set.
//
// The engine under it (platform/web) asks fewer questions than the hosting
// protocol has; the answers below are called where the engine has a
// counterpart:
//   engine event                      answer asked
//   finished top-level load           OnDownloadComplete (three times)
//   a new load while a page is shown  Exec(CGID_Explorer, 37) -> OnUnload
//   reload action, F5                 Exec(CGID_DocHostCommandHandler, 2300)
//   uncaught script error             Exec(CGID_DocHostCommandHandler, 40)
//   key press                         TranslateAccelerator (Ctrl-key filter)
//   context menu                      ShowContextMenu
//   page dialog                       ShowMessage, then the dialog handling
//                                     of TWebHost
//   new window                        EvaluateNewWindow
//   download                          Download
//   the page's window.moveTo/moveBy/  moveTo/moveBy/resizeTo/resizeBy (window
//   resizeTo/resizeBy (bridged)       services), when QueryService answers them
//   geometry request of the engine    moveTo/resizeTo (window services)
//   drag and drop (ddtMy, ddtCustom)  DragEnter, DragOver, DragLeave, Drop of
//                                     the drop target (GetDropTarget)
//   focus into / out of the page      OnDocWindowActivate with ShowUI / HideUI
//   activation of the window          OnFrameWindowActivate
//   selection change in the page      UpdateUI
//   a dialog of the host's own        EnableModeless (False before, True after)
// The other answers (ResizeBorder, TranslateUrl, FilterDataObject,
// GetExternal, ZoomPercentChanged, GetIDsOfNames, GetTypeInfo,
// GetTypeInfoCount) are never asked by the engine; they answer the
// program's own callers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/WebDocument.h"
#include "browser/WebHostTypes.h"
#include "platform/forms/Controls.h"

namespace web {
class WebEngineHost;
struct WebContextMenuRequest;
struct WebScriptError;
struct WebDialogRequest;
struct WebDialogAnswer;
} // namespace web

/// What the script-error event receives.
struct TScriptErrorInfo {
  std::string Line;
  std::string Character;
  std::string Code;
  std::string Message;
  std::string Url;
};

using THostResultEvent = std::function<HRESULT(TPersistent* Sender)>;
using TShowContextMenuEvent =
    std::function<HRESULT(TPersistent* Sender, std::uint32_t id, TPoint pt)>;
using TTranslateAcceleratorEvent = std::function<HRESULT(TPersistent* Sender, const TMessage& msg)>;
using TMaskedCtrlCharEvent = std::function<void(TPersistent* Sender, char c)>;
using TRefreshEvent = std::function<void(TPersistent* Sender, std::uint32_t cmdId, bool& cancel)>;
using TCommandExecEvent = std::function<void(
    TPersistent* Sender, const std::string& group, std::uint32_t cmdId, std::uint32_t options,
    const TWebVariant& in, TWebVariant& out, HRESULT& result)>;
using TQueryServiceEvent =
    std::function<HRESULT(TPersistent* Sender, const std::string& service, const std::string& iid)>;
using TEvaluateNewWindowEvent =
    std::function<HRESULT(TPersistent* Sender, const std::string& url, const std::string& name,
                          const std::string& urlContext, const std::string& features, bool replace,
                          std::uint32_t flags, std::uint32_t userActionFlags)>;
/// A file download: S_OK with a full path in savePath takes the file there.
using TFileDownloadEvent =
    std::function<HRESULT(TPersistent* Sender, const std::string& url,
                          const std::string& suggestedName, std::string& savePath)>;
using TFilterPopupMenuEvent =
    std::function<void(TPersistent* Sender, int contextId, std::vector<int>& menuItems)>;
using TWindowServiceEvent = std::function<void(TPersistent* Sender, int a, int b)>;
using TShowHelpEvent = std::function<HRESULT(TPersistent* Sender, const std::string& helpFile,
                                             std::uint32_t command, std::uint32_t data, TPoint pt)>;
/// result: the button chosen (IDOK 1, IDCANCEL 2) when the handler answers S_OK.
using TShowMessageEvent =
    std::function<HRESULT(TPersistent* Sender, const std::string& text, const std::string& caption,
                          std::uint32_t type, int& result)>;
using TGetHostInfoEvent = std::function<HRESULT(TPersistent* Sender, TDocHostUIInfo& info)>;
using TInvokeEvent = std::function<void(TPersistent* Sender, int dispId, std::uint16_t flags)>;
using TDragEvent = std::function<HRESULT(TPersistent* Sender, int x, int y, const std::string& text,
                                         std::uint32_t& effect)>;
using TShowUIEvent = std::function<HRESULT(TPersistent* Sender, std::uint32_t id)>;
using TActivateEvent = std::function<HRESULT(TPersistent* Sender, bool activate)>;
using TResizeBorderEvent =
    std::function<HRESULT(TPersistent* Sender, TRect border, bool frameWindow)>;
using TTranslateUrlEvent = std::function<HRESULT(TPersistent* Sender, std::uint32_t translate,
                                                 const std::string& in, std::string& out)>;
using TFilterDataObjectEvent =
    std::function<HRESULT(TPersistent* Sender, const TWebVariant& in, TWebVariant& out)>;
using TGetExternalEvent = std::function<HRESULT(TPersistent* Sender, TWebVariant& dispatch)>;
using TZoomPercentChangeEvent = std::function<HRESULT(TPersistent* Sender, std::uint32_t percent)>;
using TScriptErrorEvent = std::function<void(TPersistent* Sender, const TScriptErrorInfo& error,
                                             TScriptErrorAction& action)>;

/// What receives drag and drop over the page with ddtMy and ddtCustom: the
/// control itself, or a target that the OnGetDropTarget handler gives (it
/// must outlive its use by the control).
class IWebDropTarget {
public:
  virtual ~IWebDropTarget() = default;
  virtual HRESULT DragEnter(int x, int y, const std::string& text, std::uint32_t& effect) = 0;
  virtual HRESULT DragOver(int x, int y, const std::string& text, std::uint32_t& effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(int x, int y, const std::string& text, std::uint32_t& effect) = 0;
};

/// dropTarget: the control's own; the handler may set result to another.
using TGetDropTargetEvent = std::function<HRESULT(TPersistent* Sender, IWebDropTarget* dropTarget,
                                                  IWebDropTarget*& result)>;
/// The dispatch questions about the control's own members: dispIds receives
/// one id per name.
using TGetIDsOfNamesEvent =
    std::function<HRESULT(TPersistent* Sender, const std::vector<std::string>& names, int localeId,
                          std::vector<int>& dispIds)>;
using TGetTypeInfoEvent =
    std::function<HRESULT(TPersistent* Sender, int index, int localeId, TWebVariant& typeInfo)>;
using TGetTypeInfoCountEvent = std::function<HRESULT(TPersistent* Sender, int& count)>;

/// Dispatch flags of Invoke.
enum : std::uint16_t { DISPATCH_PROPERTYGET = 2, DISPATCH_PROPERTYPUT = 4 };

class TCustomWebHost : public TWinControl, public IWebDropTarget {
  SK_CLASS(TCustomWebHost, TWinControl)
public:
  explicit TCustomWebHost(TComponent* owner);
  ~TCustomWebHost() override;

  // ---- published properties ----
  TDownloadControlOptions DownloadOptions() const { return downloadOptions_; }
  void SetDownloadOptions(TDownloadControlOptions value);
  TUserInterfaceOptions UserInterfaceOptions() const { return uiOptions_; }
  void SetUserInterfaceOptions(TUserInterfaceOptions value);
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& v) { helpFile_ = v; }
  const std::string& OptionKeyPath() const { return optionKeyPath_; }
  void SetOptionKeyPath(const std::string& v) { optionKeyPath_ = v; }
  bool OverrideOptionKeyPath() const { return overrideOptionKeyPath_; }
  void SetOverrideOptionKeyPath(bool v) { overrideOptionKeyPath_ = v; }
  TDragDropHandlingType DropHandlingType() const { return dropHandling_; }
  void SetDropHandlingType(TDragDropHandlingType value);
  TIEPopupMenus DisabledPopupMenus() const { return disabledPopupMenus_; }
  void SetDisabledPopupMenus(TIEPopupMenus v) { disabledPopupMenus_ = v; }
  bool FloatingHosting() const { return floatingHosting_; }
  void SetFloatingHosting(bool v) { floatingHosting_ = v; }
  TScriptErrorAction ScriptErrorAction() const { return scriptErrorAction_; }
  void SetScriptErrorAction(TScriptErrorAction v) { scriptErrorAction_ = v; }

  /// The Ctrl-key mask (default "N"), edited through TShortCuts (TWebHost).
  const std::string& CtrlCharMask() const { return ctrlCharMask_; }
  void SetCtrlCharMask(const std::string& v) { ctrlCharMask_ = v; }
  /// The flag sums of the two option sets.
  std::uint32_t DownloadFlags() const { return downloadFlags_; }
  std::uint32_t HostUIFlags() const { return hostUIFlags_; }

  // ---- browser ----
  /// Loads a URL; text without "://" that does not begin with "about:" is a
  /// local path. Never throws: a failure shows as a failed load (three
  /// download completions, no document).
  void Navigate(const std::string& url);
  /// The current document; none before a page has loaded, after a failed
  /// load and after the page's render process ended.
  WebDocument* Document();
  void Stop();
  /// The engine under the control (for the snapshot and for tests).
  web::WebEngineHost& Engine() { return *engine_; }

  // ---- the host's answers (see the table at the top) ----
  virtual HRESULT GetHostInfo(TDocHostUIInfo& info);
  HRESULT GetOptionKeyPath(std::optional<std::string>& key) const;
  HRESULT GetOverrideKeyPath(std::optional<std::string>& key) const;
  HRESULT ShowUI(std::uint32_t id);
  HRESULT HideUI();
  HRESULT UpdateUI();
  HRESULT OnDocWindowActivate(bool activate);
  HRESULT OnFrameWindowActivate(bool activate);
  HRESULT EnableModeless(bool enable);
  HRESULT ResizeBorder(TRect border, bool frameWindow);
  HRESULT TranslateUrl(std::uint32_t translate, const std::string& in, std::string& out);
  HRESULT FilterDataObject(const TWebVariant& in, TWebVariant& out);
  HRESULT GetExternal(TWebVariant& dispatch);
  HRESULT ZoomPercentChanged(std::uint32_t percent);
  HRESULT ShowMessage(const std::string& text, const std::string& caption, std::uint32_t type,
                      int& result);
  HRESULT ShowHelp(const std::string& helpFile, std::uint32_t command, std::uint32_t data,
                   TPoint pt);
  /// menuItems: the items of the engine's menu for this context; the filter
  /// may remove some. S_OK without a built menu: no menu; S_FALSE: the
  /// engine's own menu; *menuShown tells whether the host built the menu.
  HRESULT ShowContextMenu(std::uint32_t id, TPoint pt, std::vector<int>* menuItems,
                          bool* menuShown);
  /// msg: WM_KEYDOWN with the key code in WParam; ctrlDown: Ctrl is held.
  HRESULT TranslateAccelerator(const TMessage& msg, bool ctrlDown);
  HRESULT EvaluateNewWindow(const std::string& url, const std::string& name,
                            const std::string& urlContext, const std::string& features,
                            bool replace, std::uint32_t flags, std::uint32_t userActionFlags);
  HRESULT Download(const std::string& url, const std::string& suggestedName, std::string& savePath);
  /// The drop target by DropHandlingType: ddtMS none (E_NOTIMPL: the
  /// engine's own handling); ddtMy the control; ddtCustom the control or
  /// what OnGetDropTarget gives; ddtNo none.
  HRESULT GetDropTarget(IWebDropTarget* dropTarget, IWebDropTarget*& result);
  /// The target that drags over the page go to (none: refused, or the
  /// engine's own handling with ddtMS).
  IWebDropTarget* CurrentDropTarget() const { return dropTarget_; }
  HRESULT DragEnter(int x, int y, const std::string& text, std::uint32_t& effect) override;
  HRESULT DragOver(int x, int y, const std::string& text, std::uint32_t& effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(int x, int y, const std::string& text, std::uint32_t& effect) override;
  /// The dispatch questions of the control's own members: the control
  /// describes none (no type information, DISP_E_UNKNOWNNAME for every
  /// name) unless the events answer.
  HRESULT GetIDsOfNames(const std::vector<std::string>& names, int localeId,
                        std::vector<int>& dispIds);
  HRESULT GetTypeInfo(int index, int localeId, TWebVariant& typeInfo);
  HRESULT GetTypeInfoCount(int& count);
  HRESULT moveTo(int x, int y);
  HRESULT moveBy(int x, int y);
  HRESULT resizeTo(int w, int h);
  HRESULT resizeBy(int w, int h);
  /// answered: the host serves it from its own interfaces.
  HRESULT QueryService(const std::string& service, const std::string& iid, bool& answered);
  HRESULT QueryStatus() const { return S_OK; }
  HRESULT Exec(const std::string& group, std::uint32_t cmdId, std::uint32_t options,
               const TWebVariant& in, TWebVariant& out);
  /// The ambient properties; everything else is DISP_E_MEMBERNOTFOUND.
  HRESULT Invoke(int dispId, std::uint16_t flags, const TWebVariant* arg, TWebVariant* result);

  // ---- events ----
  TNotifyEvent OnDownloadComplete;
  TGetIDsOfNamesEvent OnGetIDsOfNames;
  TGetTypeInfoEvent OnGetTypeInfo;
  TGetTypeInfoCountEvent OnGetTypeInfoCount;
  /// Asked with ddtCustom when the drop target is chosen (at the change of
  /// DropHandlingType to ddtCustom, and by GetDropTarget).
  TGetDropTargetEvent OnGetDropTarget;
  TShowUIEvent OnShowUI;
  THostResultEvent OnHideUI;
  THostResultEvent OnUpdateUI;
  TActivateEvent OnOnDocWindowActivate;
  TActivateEvent OnOnFrameWindowActivate;
  TActivateEvent OnEnableModeless;
  TResizeBorderEvent OnResizeBorder;
  TTranslateUrlEvent OnTranslateUrl;
  TFilterDataObjectEvent OnFilterDataObject;
  TGetExternalEvent OnGetExternal;
  TZoomPercentChangeEvent OnZoomPercentChange;
  TShowHelpEvent OnShowHelpRequest;
  TShowMessageEvent OnShowMessage;
  TGetHostInfoEvent OnGetHostInfo;
  TInvokeEvent OnInvoke;
  TShowContextMenuEvent OnShowContextMenu;
  TTranslateAcceleratorEvent OnTranslateAccelerator;
  TDragEvent OnDragEnter;
  THostResultEvent OnDragLeave;
  TDragEvent OnDragOver2;
  TDragEvent OnDropEvent;
  TRefreshEvent OnRefresh;
  TNotifyEvent OnUnload;
  TCommandExecEvent OnCommandExec;
  TQueryServiceEvent OnQueryService;
  TEvaluateNewWindowEvent OnEvaluateNewWindow;
  TFileDownloadEvent OnFileDownload;
  TFilterPopupMenuEvent OnFilterPopupMenu;
  TMaskedCtrlCharEvent OnMaskedCtrlChar;
  TWindowServiceEvent OnMove;
  TWindowServiceEvent OnMoveBy;
  /// The page's resizeTo (hides the control's own OnResize notification,
  /// which stays reachable as TControl::OnResize).
  TWindowServiceEvent OnResize;
  TWindowServiceEvent OnResizeBy;
  /// The script-error event (not published).
  TScriptErrorEvent OnScriptError;

protected:
  virtual HRESULT FilterCtrlKey(const TMessage& msg, bool ctrlDown);
  /// Answers the show-script-error command; out: keep running scripts.
  virtual HRESULT HandleScriptError(const TScriptErrorInfo& in, TWebVariant& out);
  virtual bool QueryServiceIntf(const std::string& service, const std::string& iid);
  virtual bool HasPopupFilter();
  virtual void FilterPopupMenu(int contextId, std::vector<int>& menuItems);

  QWidget* CreateWidget(QWidget* parent) override;
  void BoundsChanged(bool sizeChanged) override;
  bool HasBackBuffer() const override { return false; }

  /// Engine options from the option sets (TWebHost adds its own).
  virtual void UpdateEngineOptions();
  /// A page dialog; the default asks ShowMessage and then the engine's own
  /// dialog handling (TWebHost overrides it).
  virtual web::WebDialogAnswer PageDialog(const web::WebDialogRequest& request);
  /// The script-error dialog, when the action asks the user.
  virtual void ShowScriptErrorDialog(const TScriptErrorInfo& error);
  /// The alert that shows a script error.
  static web::WebDialogRequest ScriptErrorRequest(const TScriptErrorInfo& error);
  /// Asks ShowMessage about an alert, confirm or prompt; true when its
  /// handler answered (S_OK), with the answer (OK: accepted).
  bool AnsweredByShowMessage(const web::WebDialogRequest& request, web::WebDialogAnswer& answer);
  /// An uncaught script error of the page.
  virtual void PageScriptError(const web::WebScriptError& error);

  std::unique_ptr<web::WebEngineHost> engine_;

private:
  void WireEngine();
  bool EngineContextMenu(web::WebContextMenuRequest& request);
  bool EngineKey(int key, bool ctrl);
  void ApplyWindowService(int kind, int a, int b);

  TDownloadControlOptions downloadOptions_;
  TUserInterfaceOptions uiOptions_;
  std::uint32_t downloadFlags_ = 0;
  std::uint32_t hostUIFlags_ = 0;
  std::string helpFile_;
  std::string optionKeyPath_;
  bool overrideOptionKeyPath_ = false;
  TDragDropHandlingType dropHandling_ = TDragDropHandlingType::ddtMS;
  TIEPopupMenus disabledPopupMenus_;
  bool floatingHosting_ = false;
  TScriptErrorAction scriptErrorAction_ = TScriptErrorAction::eaContinue;
  std::string ctrlCharMask_ = "N";
  int userMode_ = 0;
  std::unique_ptr<WebDocument> document_;
  TScriptErrorInfo lastScriptError_; // what the page's error event holds
  IWebDropTarget* dropTarget_ = nullptr;
};

/// Registers the published properties of TCustomWebHost (idempotent).
void RegisterWebHostCoreProperties();
