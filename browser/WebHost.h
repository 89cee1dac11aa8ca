// TWebHost: the browser control that windows place on their forms (the map
// window's `web`). Adds to TCustomWebHost the option sets, the handling of
// the page's dialogs, the user agent, proxy and text size of this process,
// the control's own message handling and the page snapshot.
//
// Nothing here changes settings outside the program: the user agent, the
// proxy and the text size belong to this process's off-the-record engine
// profile and its application proxy, so there is nothing to restore at exit.
#pragma once

#include <memory>
#include <string>

#include "browser/WebHostCore.h"
#include "browser/WebHostOptions.h"
#include "platform/forms/Forms.h"

class TBitmap;

namespace web {
struct WebDialogRequest;
struct WebDialogAnswer;
} // namespace web

/// Shows the page's dialogs; replaceable so that tests and batch runs never
/// block on a modal box.
class TWebDialogPresenter {
public:
  virtual ~TWebDialogPresenter() = default;
  virtual web::WebDialogAnswer Present(const web::WebDialogRequest& request,
                                       const std::string& caption) = 0;
};

enum class TWebDialogKind { wdAlert, wdConfirm, wdPrompt, wdChooseFiles, wdScriptError };
using TShowDialogEvent =
    std::function<void(TPersistent* Sender, TWebDialogKind kind, const std::string& caption)>;

/// The caption rule for the browser's dialogs: "Microsoft " removed, the
/// first "Internet Explorer" replaced by newCaption (empty: "Web Browser"),
/// and newCaption + ":  " put in front when it does not occur.
std::string ReplaceDialogCaption(const std::string& caption, const std::string& newCaption);

/// The product text: the default of About and UserAgent.
inline constexpr const char* kWebHostProductText = "SkorvaplinthWebHost/1.0";

class TWebHost : public TCustomWebHost {
  SK_CLASS(TWebHost, TCustomWebHost)
public:
  explicit TWebHost(TComponent* owner);
  ~TWebHost() override;

  const std::string& About() const { return about_; }
  void SetAbout(const std::string&) {}
  const std::string& UserAgent() const { return userAgent_; }
  void SetUserAgentText(const std::string& v) { userAgent_ = v; }
  const std::string& HostCSS() const { return hostCSS_; }
  void SetHostCSS(const std::string& v);
  const std::string& HostNS() const { return hostNS_; }
  void SetHostNS(const std::string& v) { hostNS_ = v; }
  bool EnableMessageHandler() const { return enableMessageHandler_; }
  void SetEnableMessageHandler(bool v) { enableMessageHandler_ = v; }
  TIEPopupMenuItems DisabledPopupMenuItems() const { return disabledItems_; }
  void SetDisabledPopupMenuItems(TIEPopupMenuItems v) { disabledItems_ = v; }
  TShortCuts* ShortCuts() const { return shortCuts_.get(); }
  TDisableErrors* DisableErrors() const { return disableErrors_.get(); }
  TDialogBoxes* DialogBoxes() const { return dialogBoxes_.get(); }
  TPrintOptions* PrintOptions() const { return printOptions_.get(); }
  TProxySettings* ProxySettings() const { return proxySettings_.get(); }
  TVisualEffects* VisualEffects() const { return visualEffects_.get(); }

  TCloseQueryEvent OnCloseQuery;
  TShowDialogEvent OnShowDialog;

  /// The load step (after the stored properties are set).
  void Loaded() override;

  HRESULT GetHostInfo(TDocHostUIInfo& info) override;
  void WndProc(TMessage& message) override;

  /// The process's proxy, "host:port" (no port: 80); agent is not used.
  void SetProxy(const std::string& agent, const std::string& address);
  /// The same with a login; the port is not appended to the address (it
  /// served the login connection only).
  void SetProxyWithLogin(const std::string& agent, const std::string& address, int port,
                         const std::string& user, const std::string& password);
  /// The user agent of this process: the engine's own, then the token (with
  /// the product text appended when the token differs from it).
  void SetUserAgent(const std::string& token);
  /// Navigation sounds do not exist in the engine: nothing to do.
  void SetNavigationSound(bool off);
  /// The text size 0..4 (clamped) as the default font size of this process's
  /// pages: 12, 14, 16, 18, 20 pixels; the page zoom stays 1. A browser
  /// without a document is left alone.
  void SetTextSize(int size);

  /// The page at the control's width and height; none before any page, after
  /// a failed load, after the page's render process ended, while the control
  /// or its window is hidden or minimized (and until the page has drawn anew
  /// once shown again), when the document is not an HTML document, or when
  /// the engine gives no image. The caller owns the bitmap.
  std::unique_ptr<TBitmap> Snapshot();
  /// Snapshot drawn into `reuse` when it is 24-bit at the control's size
  /// (a repeated capture keeps its buffer), else into a new bitmap.
  std::unique_ptr<TBitmap> Snapshot(std::unique_ptr<TBitmap> reuse);

  /// The presenter of the page's dialogs (none: the standard dialog boxes).
  void SetDialogPresenter(TWebDialogPresenter* presenter) { presenter_ = presenter; }

protected:
  bool HasPopupFilter() override;
  void FilterPopupMenu(int contextId, std::vector<int>& menuItems) override;
  web::WebDialogAnswer PageDialog(const web::WebDialogRequest& request) override;
  void ShowScriptErrorDialog(const TScriptErrorInfo& error) override;

private:
  /// The dialog path of the page's dialogs and the script-error dialog;
  /// false when the dialog is not shown.
  /// The process's default font size for text size 0..4 (clamped).
  static void ApplyTextSize(int size);
  bool PresentDialog(TWebDialogKind kind, const web::WebDialogRequest& request,
                     web::WebDialogAnswer& answer);

  std::string about_ = kWebHostProductText;
  std::string userAgent_ = kWebHostProductText;
  std::string hostCSS_;
  std::string hostNS_;
  bool enableMessageHandler_ = true;
  TIEPopupMenuItems disabledItems_;
  std::unique_ptr<TShortCuts> shortCuts_;
  std::unique_ptr<TDisableErrors> disableErrors_;
  std::unique_ptr<TDialogBoxes> dialogBoxes_;
  std::unique_ptr<TPrintOptions> printOptions_;
  std::unique_ptr<TProxySettings> proxySettings_;
  std::unique_ptr<TVisualEffects> visualEffects_;
  TWebDialogPresenter* presenter_ = nullptr;
};

/// The map window's browser as its stored definition sets it: print margins
/// of 19.05 on all four sides, Header "&w&bPage &p of &P", Footer "&u&b&d",
/// portrait, the product text as UserAgent; then the load step.
void ApplyMapWindowWebDefinition(TWebHost& web);

/// Draws a document into a new bitmap of the given size (or into `reuse`
/// when it is 24-bit at that size: every pixel is drawn over); none when the
/// document is none or the drawing fails. window is not used (the engine
/// draws its own view).
std::unique_ptr<TBitmap> SnapshotDocument(WebDocument* document, HWND window, int width,
                                          int height, std::unique_ptr<TBitmap> reuse = nullptr);
/// True when the document is present and is an HTML document.
bool IsHtmlDocument(const WebDocument* document);

/// Registers the published properties of TWebHost and makes it creatable by
/// class name (idempotent).
void RegisterWebHostProperties();
