#include "browser/WebHost.h"

#include "platform/forms/Properties.h"
#include "platform/web/WebDialogBoxes.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  return s;
}

void ReplaceFirst(std::string& s, const std::string& what, const std::string& with) {
  const size_t at = s.find(what);
  if (at != std::string::npos) s.replace(at, what.size(), with);
}

TWebDialogKind DialogKind(web::WebDialogKind kind) {
  switch (kind) {
  case web::WebDialogKind::Alert:
    return TWebDialogKind::wdAlert;
  case web::WebDialogKind::Confirm:
    return TWebDialogKind::wdConfirm;
  case web::WebDialogKind::Prompt:
    return TWebDialogKind::wdPrompt;
  default:
    return TWebDialogKind::wdChooseFiles;
  }
}

/// "host:port" into its parts; no port (or a bad one): 80.
web::WebProxy ParseProxyAddress(const std::string& address) {
  web::WebProxy proxy;
  proxy.Address = address;
  proxy.Port = 80;
  const size_t colon = address.rfind(':');
  if (colon != std::string::npos && address.find(']', colon) == std::string::npos) {
    int port = 0;
    const char* first = address.data() + colon + 1;
    const char* last = address.data() + address.size();
    auto r = std::from_chars(first, last, port);
    if (r.ec == std::errc() && r.ptr == last && port > 0 && port < 65536) {
      proxy.Address = address.substr(0, colon);
      proxy.Port = port;
    }
  }
  return proxy;
}

} // namespace

std::string ReplaceDialogCaption(const std::string& caption, const std::string& newCaption) {
  const std::string replacement = newCaption.empty() ? "Web Browser" : newCaption;
  std::string result = caption;
  ReplaceFirst(result, "Microsoft ", "");
  ReplaceFirst(result, "Internet Explorer", replacement);
  if (result.find(replacement) == std::string::npos) result = replacement + ":  " + result;
  return result;
}

TWebHost::TWebHost(TComponent* owner)
    : TCustomWebHost(owner), shortCuts_(std::make_unique<TShortCuts>(*this)),
      disableErrors_(std::make_unique<TDisableErrors>()),
      dialogBoxes_(std::make_unique<TDialogBoxes>()),
      printOptions_(std::make_unique<TPrintOptions>()),
      proxySettings_(std::make_unique<TProxySettings>()),
      visualEffects_(std::make_unique<TVisualEffects>()) {
  RegisterWebHostProperties();
  // The engine's window being closed is the control's WM_CLOSE.
  engine_->OnCloseRequested = [this] {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
  };
}

TWebHost::~TWebHost() {
  // The text size belongs to the whole process: it goes back even when this
  // browser has no document left (a failed load), or it would stay with
  // every other browser of the process.
  if (visualEffects_->TextSize() != 2) ApplyTextSize(2);
}

void TWebHost::SetHostCSS(const std::string& v) {
  hostCSS_ = v;
  UpdateEngineOptions();
}

void TWebHost::Loaded() {
  inherited::Loaded();
  enableMessageHandler_ = true;
  if (disableErrors_->ScriptErrorsSuppressed())
    SetScriptErrorAction(TScriptErrorAction::eaContinue);
  SetUserAgent(userAgent_);
  const TProxySettings& p = *proxySettings_;
  if (p.AutoLoadProxy() && !p.Address().empty()) {
    if (!p.UserName().empty()) {
      SetProxyWithLogin(userAgent_, p.Address(), p.Port(), p.UserName(), p.Password());
    } else {
      char port[16];
      auto r = std::to_chars(port, port + sizeof port, p.Port());
      SetProxy(userAgent_, p.Address() + ":" + std::string(port, r.ptr));
    }
  }
  if (visualEffects_->DisableSounds()) SetNavigationSound(true);
  UpdateEngineOptions();
}

HRESULT TWebHost::GetHostInfo(TDocHostUIInfo& info) {
  const HRESULT hr = inherited::GetHostInfo(info);
  if (info.pchHostCss.empty() && !hostCSS_.empty()) info.pchHostCss = hostCSS_;
  if (info.pchHostNS.empty() && !hostNS_.empty()) info.pchHostNS = hostNS_;
  return hr;
}

void TWebHost::WndProc(TMessage& message) {
  inherited::WndProc(message);
  if (enableMessageHandler_ && message.Msg == CN_KEYDOWN && message.WParam == VK_RETURN) {
    message.Result = 0; // the key goes on to the page
  } else if (message.Msg == WM_CLOSE) {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
  }
}

// ---- settings of this process ----------------------------------------------------------

void TWebHost::SetProxy(const std::string&, const std::string& address) {
  web::SetWebProxy(ParseProxyAddress(address));
}

void TWebHost::SetProxyWithLogin(const std::string&, const std::string& address, int,
                                 const std::string& user, const std::string& password) {
  web::WebProxy proxy = ParseProxyAddress(address);
  proxy.UserName = user;
  proxy.Password = password;
  web::SetWebProxy(proxy);
}

void TWebHost::SetUserAgent(const std::string& token) {
  std::string text = token;
  if (text != about_) text += " " + about_;
  userAgent_ = text;
  web::SetWebUserAgentToken(text);
}

void TWebHost::SetNavigationSound(bool) {}

void TWebHost::SetTextSize(int size) {
  if (!Document()) return;
  ApplyTextSize(size);
}

void TWebHost::ApplyTextSize(int size) {
  static const int kPixels[] = {12, 14, 16, 18, 20};
  web::SetWebDefaultFontSize(kPixels[std::clamp(size, 0, 4)]);
}

// ---- context menu --------------------------------------------------------------------

bool TWebHost::HasPopupFilter() {
  return bool(OnFilterPopupMenu) || !disabledItems_.Empty();
}

void TWebHost::FilterPopupMenu(int contextId, std::vector<int>& menuItems) {
  inherited::FilterPopupMenu(contextId, menuItems);
  for (int i = 0; i < kPopupMenuItemCount; ++i)
    if (disabledItems_.Contains(static_cast<TIEPopupMenuItem>(i))) {
      auto it = std::find(menuItems.begin(), menuItems.end(), kPopupMenuItemIds[i]);
      if (it != menuItems.end()) menuItems.erase(it);
    }
}

// ---- dialogs ---------------------------------------------------------------------------

bool TWebHost::PresentDialog(TWebDialogKind kind, const web::WebDialogRequest& request,
                             web::WebDialogAnswer& answer) {
  std::string caption = request.PageTitle.empty() ? request.PageUrl : request.PageTitle;
  if (kind == TWebDialogKind::wdScriptError) caption = "Script Error";
  if (dialogBoxes_->ReplaceCaption()) {
    if (dialogBoxes_->NewCaption().empty()) dialogBoxes_->SetNewCaption("Web Browser");
    caption = ReplaceDialogCaption(caption, dialogBoxes_->NewCaption());
  }
  if (disableErrors_->ScriptErrorsSuppressed()) {
    const std::string upper = Upper(caption);
    if (upper.find("SCRIPT") != std::string::npos || upper.find("ERROR") != std::string::npos)
      return false;
  }
  if (OnShowDialog) OnShowDialog(this, kind, caption);
  if (dialogBoxes_->DisableAll()) return false;
  EnableModeless(false);
  answer =
      presenter_ ? presenter_->Present(request, caption) : web::ShowWebDialogBox(request, caption);
  EnableModeless(true);
  return true;
}

web::WebDialogAnswer TWebHost::PageDialog(const web::WebDialogRequest& request) {
  web::WebDialogAnswer answer;
  if (AnsweredByShowMessage(request, answer)) return answer;
  if (!PresentDialog(DialogKind(request.Kind), request, answer)) answer = web::WebDialogAnswer();
  return answer;
}

void TWebHost::ShowScriptErrorDialog(const TScriptErrorInfo& error) {
  web::WebDialogAnswer answer;
  PresentDialog(TWebDialogKind::wdScriptError, ScriptErrorRequest(error), answer);
}

// ---- the map window's stored definition -------------------------------------------------

void ApplyMapWindowWebDefinition(TWebHost& web) {
  TPrintOptions& print = *web.PrintOptions();
  TMargins& margins = *print.Margins();
  margins.SetLeft(19.05);
  margins.SetRight(19.05);
  margins.SetTop(19.05);
  margins.SetBottom(19.05);
  print.SetHeader("&w&bPage &p of &P");
  print.SetFooter("&u&b&d");
  print.SetOrientation(TPrintOrientationOption::poPortrait);
  web.SetUserAgentText(kWebHostProductText);
  web.Loaded();
}

// ---- properties --------------------------------------------------------------------------

void RegisterWebHostProperties() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterWebHostCoreProperties();
  RegisterWebHostOptionProperties();
  RegisterProperties<TWebHost>()
      .String("About", &TWebHost::About, &TWebHost::SetAbout, kWebHostProductText)
      .String("UserAgent", &TWebHost::UserAgent, &TWebHost::SetUserAgentText, kWebHostProductText)
      .String("HostCSS", &TWebHost::HostCSS, &TWebHost::SetHostCSS)
      .String("HostNS", &TWebHost::HostNS, &TWebHost::SetHostNS)
      .Boolean("EnableMessageHandler", &TWebHost::EnableMessageHandler,
               &TWebHost::SetEnableMessageHandler, true)
      .SetOf<TIEPopupMenuItem>(
          "DisabledPopupMenuItems", "TIEPopupMenuItems", &TWebHost::DisabledPopupMenuItems,
          &TWebHost::SetDisabledPopupMenuItems,
          std::vector<std::string>(kPopupMenuItemNames, kPopupMenuItemNames + kPopupMenuItemCount))
      .Object("ShortCuts", "TShortCuts", &TWebHost::ShortCuts)
      .Object("DisableErrors", "TDisableErrors", &TWebHost::DisableErrors)
      .Object("DialogBoxes", "TDialogBoxes", &TWebHost::DialogBoxes)
      .Object("PrintOptions", "TPrintOptions", &TWebHost::PrintOptions)
      .Object("ProxySettings", "TProxySettings", &TWebHost::ProxySettings)
      .Object("VisualEffects", "TVisualEffects", &TWebHost::VisualEffects);
  RegisterComponentClass<TWebHost>();
}
