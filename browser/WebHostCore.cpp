#include "browser/WebHostCore.h"

#include "platform/forms/Properties.h"
#include "platform/web/WebDialogBoxes.h"
#include "platform/web/WebEngineHost.h"

#include <charconv>

namespace {

std::string IntText(int v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

TWinControl* TopParent(TControl* control) {
  TWinControl* top = control->Parent();
  while (top && top->Parent())
    top = top->Parent();
  return top;
}

} // namespace

TCustomWebHost::TCustomWebHost(TComponent* owner)
    : TWinControl(owner), engine_(std::make_unique<web::WebEngineHost>()) {
  RegisterWebHostCoreProperties();
  document_ = std::make_unique<WebDocument>(*engine_);
  downloadOptions_ = {TDownloadControlOption::DownloadImages,
                      TDownloadControlOption::DownloadVideos,
                      TDownloadControlOption::DownloadBGSounds};
  downloadFlags_ = DownloadControlFlags(downloadOptions_);
  hostUIFlags_ = UserInterfaceFlags(uiOptions_);
  WireEngine();
  UpdateEngineOptions();
}

TCustomWebHost::~TCustomWebHost() {
  // The engine's events must not reach a half-destroyed control.
  engine_->ClearEvents();
  engine_.reset();
}

void TCustomWebHost::WireEngine() {
  web::WebEngineHost& e = *engine_;
  e.OnDownloadComplete = [this] {
    if (OnDownloadComplete) OnDownloadComplete(this);
  };
  e.OnUnload = [this] {
    TWebVariant out;
    Exec(CGID_Explorer, kCmdUnload, 0, {}, out);
  };
  e.OnRefresh = [this] {
    TWebVariant out;
    return Exec(CGID_DocHostCommandHandler, kCmdRefresh, 0, {}, out) == S_OK;
  };
  e.OnScriptError = [this](const web::WebScriptError& error) { PageScriptError(error); };
  e.OnKeyDown = [this](int key, bool ctrl, bool, bool) { return EngineKey(key, ctrl); };
  e.OnContextMenu = [this](web::WebContextMenuRequest& r) { return EngineContextMenu(r); };
  e.OnDialog = [this](const web::WebDialogRequest& r) { return PageDialog(r); };
  e.OnNewWindow = [this](const std::string& url, bool userInitiated) {
    return EvaluateNewWindow(url, "", "", "", false, 0, userInitiated ? 1u : 0u) == S_OK;
  };
  e.OnDownload = [this](const std::string& url, const std::string& name) {
    std::string path;
    if (Download(url, name, path) != S_OK) path.clear();
    return path;
  };
  e.OnGeometryChangeRequested = [this](int x, int y, int w, int h) {
    if (!QueryServiceIntf(SID_IHTMLOMWindowServices, SID_IHTMLOMWindowServices)) return;
    TWinControl* form = TopParent(this);
    if (!form || form->Left() != x || form->Top() != y) moveTo(x, y);
    if (!form || form->Width() != w || form->Height() != h) resizeTo(w, h);
  };
  e.OnWindowRequest = [this](web::WebWindowRequest kind, int a, int b) {
    if (!QueryServiceIntf(SID_IHTMLOMWindowServices, SID_IHTMLOMWindowServices)) return;
    switch (kind) {
    case web::WebWindowRequest::MoveTo:
      moveTo(a, b);
      break;
    case web::WebWindowRequest::MoveBy:
      moveBy(a, b);
      break;
    case web::WebWindowRequest::ResizeTo:
      resizeTo(a, b);
      break;
    case web::WebWindowRequest::ResizeBy:
      resizeBy(a, b);
      break;
    }
  };
  e.OnDrag = [this](web::WebDragEvent kind, int x, int y, const std::string& text) {
    IWebDropTarget* target = dropTarget_;
    if (!target) return false;
    std::uint32_t effect = 0;
    HRESULT hr = S_OK;
    switch (kind) {
    case web::WebDragEvent::Enter:
      hr = target->DragEnter(x, y, text, effect);
      break;
    case web::WebDragEvent::Over:
      hr = target->DragOver(x, y, text, effect);
      break;
    case web::WebDragEvent::Leave:
      return target->DragLeave() == S_OK;
    case web::WebDragEvent::Drop:
      hr = target->Drop(x, y, text, effect);
      break;
    }
    return hr == S_OK && effect != 0;
  };
  e.OnFocusChanged = [this](bool in) {
    OnDocWindowActivate(in);
    if (in)
      ShowUI(0);
    else
      HideUI();
  };
  e.OnWindowActivationChanged = [this](bool active) { OnFrameWindowActivate(active); };
  e.OnSelectionChanged = [this] { UpdateUI(); };
}

// ---- properties ------------------------------------------------------------------

void TCustomWebHost::SetDownloadOptions(TDownloadControlOptions value) {
  downloadOptions_ = value;
  downloadFlags_ = DownloadControlFlags(value);
  UpdateEngineOptions();
}

void TCustomWebHost::SetUserInterfaceOptions(TUserInterfaceOptions value) {
  uiOptions_ = value;
  hostUIFlags_ = UserInterfaceFlags(value);
  UpdateEngineOptions();
}

void TCustomWebHost::SetDropHandlingType(TDragDropHandlingType value) {
  if (value == dropHandling_) return;
  dropHandling_ = value;
  GetDropTarget(this, dropTarget_);
  UpdateEngineOptions();
}

void TCustomWebHost::UpdateEngineOptions() {
  TDocHostUIInfo info;
  GetHostInfo(info);
  web::WebEngineOptions o = engine_->Options();
  using D = TDownloadControlOption;
  const TDownloadControlOptions d = downloadOptions_;
  o.AutoLoadImages = d.Contains(D::DownloadImages);
  o.JavascriptEnabled = !d.Contains(D::DontExecuteScripts);
  o.PluginsEnabled =
      !(d.Contains(D::NoJava) || d.Contains(D::NoRunActiveXCtls) || d.Contains(D::NoDlActiveXCtls));
  o.SuppressDialogs = d.Contains(D::Silent);
  o.ShowScrollBars = (info.dwFlags & kUserInterfaceFlags[int(TUserInterfaceOption::ScrollNo)]) == 0;
  std::string css;
  if (info.dwFlags & kUserInterfaceFlags[int(TUserInterfaceOption::DisableTextSelect)])
    css = "html, body { -webkit-user-select: none !important; user-select: none !important; }\n";
  css += info.pchHostCss;
  o.UserStyleSheet = css;
  switch (dropHandling_) {
  case TDragDropHandlingType::ddtMS:
    o.DropHandling = web::WebDropHandling::Engine;
    break;
  case TDragDropHandlingType::ddtNo:
    o.DropHandling = web::WebDropHandling::None;
    break;
  default:
    o.DropHandling = web::WebDropHandling::Host;
    break;
  }
  engine_->SetOptions(o);
}

// ---- browser ---------------------------------------------------------------------

void TCustomWebHost::Navigate(const std::string& url) {
  UpdateEngineOptions();
  engine_->Navigate(url);
}

WebDocument* TCustomWebHost::Document() {
  return engine_->HasDocument() ? document_.get() : nullptr;
}

void TCustomWebHost::Stop() {
  engine_->Stop();
}

QWidget* TCustomWebHost::CreateWidget(QWidget* parent) {
  QWidget* container = web::CreateContainer(*engine_, parent);
  engine_->SetBounds(0, 0, Width(), Height());
  engine_->SetVisible(true);
  return container;
}

void TCustomWebHost::BoundsChanged(bool sizeChanged) {
  inherited::BoundsChanged(sizeChanged);
  if (sizeChanged) engine_->SetBounds(0, 0, Width(), Height());
}

// ---- the host's answers -------------------------------------------------------------

HRESULT TCustomWebHost::GetHostInfo(TDocHostUIInfo& info) {
  info = TDocHostUIInfo();
  info.cbSize = 20;
  info.dwFlags = hostUIFlags_;
  info.dwDoubleClick = 0;
  if (OnGetHostInfo) return OnGetHostInfo(this, info);
  return S_OK;
}

HRESULT TCustomWebHost::GetOptionKeyPath(std::optional<std::string>& key) const {
  key.reset();
  if (!optionKeyPath_.empty() && !overrideOptionKeyPath_) key = optionKeyPath_;
  return S_OK;
}

HRESULT TCustomWebHost::GetOverrideKeyPath(std::optional<std::string>& key) const {
  key.reset();
  if (!optionKeyPath_.empty() && overrideOptionKeyPath_) key = optionKeyPath_;
  return S_OK;
}

HRESULT TCustomWebHost::ShowUI(std::uint32_t id) {
  return OnShowUI ? OnShowUI(this, id) : S_FALSE;
}
HRESULT TCustomWebHost::HideUI() {
  return OnHideUI ? OnHideUI(this) : S_FALSE;
}
HRESULT TCustomWebHost::UpdateUI() {
  return OnUpdateUI ? OnUpdateUI(this) : S_FALSE;
}
HRESULT TCustomWebHost::OnDocWindowActivate(bool activate) {
  return OnOnDocWindowActivate ? OnOnDocWindowActivate(this, activate) : S_FALSE;
}
HRESULT TCustomWebHost::OnFrameWindowActivate(bool activate) {
  return OnOnFrameWindowActivate ? OnOnFrameWindowActivate(this, activate) : S_FALSE;
}
HRESULT TCustomWebHost::EnableModeless(bool enable) {
  return OnEnableModeless ? OnEnableModeless(this, enable) : S_OK;
}
HRESULT TCustomWebHost::ResizeBorder(TRect border, bool frameWindow) {
  return OnResizeBorder ? OnResizeBorder(this, border, frameWindow) : S_FALSE;
}
HRESULT TCustomWebHost::TranslateUrl(std::uint32_t translate, const std::string& in,
                                     std::string& out) {
  return OnTranslateUrl ? OnTranslateUrl(this, translate, in, out) : S_FALSE;
}
HRESULT TCustomWebHost::FilterDataObject(const TWebVariant& in, TWebVariant& out) {
  out = std::monostate();
  return OnFilterDataObject ? OnFilterDataObject(this, in, out) : S_FALSE;
}
HRESULT TCustomWebHost::GetExternal(TWebVariant& dispatch) {
  dispatch = std::monostate();
  return OnGetExternal ? OnGetExternal(this, dispatch) : S_FALSE;
}
HRESULT TCustomWebHost::ZoomPercentChanged(std::uint32_t percent) {
  return OnZoomPercentChange ? OnZoomPercentChange(this, percent) : S_FALSE;
}

HRESULT TCustomWebHost::ShowMessage(const std::string& text, const std::string& caption,
                                    std::uint32_t type, int& result) {
  if (OnShowMessage) return OnShowMessage(this, text, caption, type, result);
  return S_FALSE;
}

HRESULT TCustomWebHost::ShowHelp(const std::string& helpFile, std::uint32_t command,
                                 std::uint32_t data, TPoint pt) {
  if (OnShowHelpRequest) return OnShowHelpRequest(this, helpFile, command, data, pt);
  return S_FALSE;
}

HRESULT TCustomWebHost::ShowContextMenu(std::uint32_t id, TPoint pt, std::vector<int>* menuItems,
                                        bool* menuShown) {
  if (menuShown) *menuShown = false;
  if (OnShowContextMenu) return OnShowContextMenu(this, id, pt);
  if (IsPopupMenuDisabled(disabledPopupMenus_, int(id))) return S_OK;
  if (!HasPopupFilter() || !menuItems) return S_FALSE;
  FilterPopupMenu(int(id), *menuItems);
  if (menuShown) *menuShown = true;
  return S_OK;
}

bool TCustomWebHost::HasPopupFilter() {
  return bool(OnFilterPopupMenu);
}

void TCustomWebHost::FilterPopupMenu(int contextId, std::vector<int>& menuItems) {
  if (OnFilterPopupMenu) OnFilterPopupMenu(this, contextId, menuItems);
}

bool TCustomWebHost::EngineContextMenu(web::WebContextMenuRequest& r) {
  bool shown = false;
  const HRESULT hr =
      ShowContextMenu(std::uint32_t(r.ContextId), TPoint{r.ScreenX, r.ScreenY}, &r.ItemIds, &shown);
  return shown || hr == S_FALSE;
}

HRESULT TCustomWebHost::FilterCtrlKey(const TMessage& msg, bool ctrlDown) {
  if (!ctrlCharMask_.empty() && msg.Msg == WM_KEYDOWN && ctrlDown && msg.WParam > 0 &&
      msg.WParam < 256 && ctrlCharMask_.find(char(msg.WParam)) != std::string::npos) {
    if (OnMaskedCtrlChar) OnMaskedCtrlChar(this, char(msg.WParam));
    return S_OK;
  }
  return S_FALSE;
}

HRESULT TCustomWebHost::TranslateAccelerator(const TMessage& msg, bool ctrlDown) {
  HRESULT hr = FilterCtrlKey(msg, ctrlDown);
  if (hr == S_FALSE && OnTranslateAccelerator) hr = OnTranslateAccelerator(this, msg);
  return hr;
}

bool TCustomWebHost::EngineKey(int key, bool ctrl) {
  TMessage msg;
  msg.Msg = WM_KEYDOWN;
  msg.WParam = WPARAM(web::VirtualKeyOfEngineKey(key));
  if (msg.WParam == 0) return false;
  return TranslateAccelerator(msg, ctrl) == S_OK;
}

HRESULT TCustomWebHost::EvaluateNewWindow(const std::string& url, const std::string& name,
                                          const std::string& urlContext,
                                          const std::string& features, bool replace,
                                          std::uint32_t flags, std::uint32_t userActionFlags) {
  if (OnEvaluateNewWindow)
    return OnEvaluateNewWindow(this, url, name, urlContext, features, replace, flags,
                               userActionFlags);
  return E_FAIL;
}

HRESULT TCustomWebHost::Download(const std::string& url, const std::string& suggestedName,
                                 std::string& savePath) {
  if (OnFileDownload) return OnFileDownload(this, url, suggestedName, savePath);
  return E_NOTIMPL;
}

HRESULT TCustomWebHost::GetDropTarget(IWebDropTarget* dropTarget, IWebDropTarget*& result) {
  switch (dropHandling_) {
  case TDragDropHandlingType::ddtMS:
    result = nullptr;
    return E_NOTIMPL;
  case TDragDropHandlingType::ddtMy:
    result = dropTarget;
    return S_OK;
  case TDragDropHandlingType::ddtCustom:
    result = dropTarget;
    if (OnGetDropTarget) OnGetDropTarget(this, dropTarget, result);
    return S_OK;
  default:
    result = nullptr;
    return S_OK;
  }
}

HRESULT TCustomWebHost::GetIDsOfNames(const std::vector<std::string>& names, int localeId,
                                      std::vector<int>& dispIds) {
  dispIds.assign(names.size(), DISPID_UNKNOWN);
  if (OnGetIDsOfNames) return OnGetIDsOfNames(this, names, localeId, dispIds);
  return DISP_E_UNKNOWNNAME;
}

HRESULT TCustomWebHost::GetTypeInfo(int index, int localeId, TWebVariant& typeInfo) {
  typeInfo = std::monostate();
  if (OnGetTypeInfo) return OnGetTypeInfo(this, index, localeId, typeInfo);
  return E_NOTIMPL;
}

HRESULT TCustomWebHost::GetTypeInfoCount(int& count) {
  count = 0;
  if (OnGetTypeInfoCount) return OnGetTypeInfoCount(this, count);
  return S_OK;
}

HRESULT TCustomWebHost::DragEnter(int x, int y, const std::string& text, std::uint32_t& effect) {
  return OnDragEnter ? OnDragEnter(this, x, y, text, effect) : S_OK;
}
HRESULT TCustomWebHost::DragOver(int x, int y, const std::string& text, std::uint32_t& effect) {
  return OnDragOver2 ? OnDragOver2(this, x, y, text, effect) : S_OK;
}
HRESULT TCustomWebHost::DragLeave() {
  return OnDragLeave ? OnDragLeave(this) : S_OK;
}
HRESULT TCustomWebHost::Drop(int x, int y, const std::string& text, std::uint32_t& effect) {
  return OnDropEvent ? OnDropEvent(this, x, y, text, effect) : S_OK;
}

void TCustomWebHost::ApplyWindowService(int kind, int a, int b) {
  if (!floatingHosting_) return;
  TWinControl* form = TopParent(this);
  if (!form) return;
  switch (kind) {
  case 0:
    form->SetBounds(a, b, form->Width(), form->Height());
    break;
  case 1:
    form->SetBounds(form->Left() + a, form->Top() + b, form->Width(), form->Height());
    break;
  case 2:
    form->SetBounds(form->Left(), form->Top(), a, b);
    break;
  default:
    form->SetBounds(form->Left(), form->Top(), form->Width() + a, form->Height() + b);
    break;
  }
}

HRESULT TCustomWebHost::moveTo(int x, int y) {
  ApplyWindowService(0, x, y);
  if (OnMove) OnMove(this, x, y);
  return S_OK;
}
HRESULT TCustomWebHost::moveBy(int x, int y) {
  ApplyWindowService(1, x, y);
  if (OnMoveBy) OnMoveBy(this, x, y);
  return S_OK;
}
HRESULT TCustomWebHost::resizeTo(int w, int h) {
  ApplyWindowService(2, w, h);
  if (OnResize) OnResize(this, w, h);
  return S_OK;
}
HRESULT TCustomWebHost::resizeBy(int w, int h) {
  ApplyWindowService(3, w, h);
  if (OnResizeBy) OnResizeBy(this, w, h);
  return S_OK;
}

bool TCustomWebHost::QueryServiceIntf(const std::string& service, const std::string&) {
  if (SameGuid(service, SID_INewWindowManager)) return bool(OnEvaluateNewWindow);
  if (SameGuid(service, SID_IDownloadManager)) return bool(OnFileDownload);
  if (SameGuid(service, SID_IHTMLOMWindowServices))
    return floatingHosting_ || OnMove || OnMoveBy || OnResize || OnResizeBy;
  return false;
}

HRESULT TCustomWebHost::QueryService(const std::string& service, const std::string& iid,
                                     bool& answered) {
  answered = QueryServiceIntf(service, iid);
  if (answered) return S_OK;
  if (OnQueryService) return OnQueryService(this, service, iid);
  return E_NOINTERFACE;
}

HRESULT TCustomWebHost::Exec(const std::string& group, std::uint32_t cmdId, std::uint32_t options,
                             const TWebVariant& in, TWebVariant& out) {
  if (SameGuid(group, CGID_Explorer) && cmdId == kCmdUnload && OnUnload) {
    OnUnload(this);
    return S_OK;
  }
  HRESULT result = OLECMDERR_E_NOTSUPPORTED;
  if (SameGuid(group, CGID_DocHostCommandHandler)) {
    if (cmdId == kCmdShowScriptError) return HandleScriptError(lastScriptError_, out);
    if (cmdId == kCmdRefresh || cmdId == kCmdRefresh2 || cmdId == kCmdRefresh3) {
      if (OnRefresh) {
        bool cancel = false;
        OnRefresh(this, cmdId, cancel);
        if (cancel) result = S_OK;
      }
      return result;
    }
  }
  if (OnCommandExec) OnCommandExec(this, group, cmdId, options, in, out, result);
  return result;
}

HRESULT TCustomWebHost::Invoke(int dispId, std::uint16_t flags, const TWebVariant* arg,
                               TWebVariant* result) {
  if ((flags & DISPATCH_PROPERTYGET) && result) {
    if (dispId == DISPID_AMBIENT_DLCONTROL) {
      *result = std::int64_t(downloadFlags_);
      return S_OK;
    }
    if (dispId == DISPID_AMBIENT_USERMODE) {
      // The negation of the stored value, as the ambient Boolean.
      *result = bool(~userMode_ != 0);
      return S_OK;
    }
  }
  if ((flags & DISPATCH_PROPERTYPUT) && arg && dispId == DISPID_AMBIENT_USERMODE) {
    if (const bool* b = std::get_if<bool>(arg))
      userMode_ = *b ? -1 : 0;
    else if (const std::int64_t* i = std::get_if<std::int64_t>(arg))
      userMode_ = int(*i);
    return S_OK;
  }
  if (OnInvoke) OnInvoke(this, dispId, flags);
  return DISP_E_MEMBERNOTFOUND;
}

// ---- script errors and dialogs ---------------------------------------------------------

HRESULT TCustomWebHost::HandleScriptError(const TScriptErrorInfo& in, TWebVariant& out) {
  HRESULT hr = S_OK;
  switch (scriptErrorAction_) {
  case TScriptErrorAction::eaContinue:
    out = true;
    break;
  case TScriptErrorAction::eaCancel:
    out = false;
    break;
  case TScriptErrorAction::eaAskUser:
    hr = S_FALSE;
    break;
  }
  if (OnScriptError) OnScriptError(this, in, scriptErrorAction_);
  return hr;
}

void TCustomWebHost::PageScriptError(const web::WebScriptError& error) {
  lastScriptError_.Line = IntText(error.Line);
  lastScriptError_.Character = "0";
  lastScriptError_.Code = "0";
  lastScriptError_.Message = error.Message;
  lastScriptError_.Url = error.Url;
  TWebVariant out;
  const HRESULT hr = Exec(CGID_DocHostCommandHandler, kCmdShowScriptError, 0, {}, out);
  if (hr == S_FALSE) {
    ShowScriptErrorDialog(lastScriptError_);
  } else if (const bool* keepRunning = std::get_if<bool>(&out); keepRunning && !*keepRunning) {
    engine_->Stop();
  }
}

web::WebDialogRequest TCustomWebHost::ScriptErrorRequest(const TScriptErrorInfo& error) {
  web::WebDialogRequest request;
  request.Kind = web::WebDialogKind::Alert;
  request.Message = error.Message + "\nLine: " + error.Line + "\nURL: " + error.Url;
  request.PageUrl = error.Url;
  return request;
}

void TCustomWebHost::ShowScriptErrorDialog(const TScriptErrorInfo& error) {
  EnableModeless(false);
  web::ShowWebDialogBox(ScriptErrorRequest(error), "Script Error");
  EnableModeless(true);
}

bool TCustomWebHost::AnsweredByShowMessage(const web::WebDialogRequest& request,
                                           web::WebDialogAnswer& answer) {
  if (request.Kind == web::WebDialogKind::ChooseFiles) return false;
  int result = 0;
  const std::uint32_t type = request.Kind == web::WebDialogKind::Alert ? 0x30u : 0x21u;
  if (ShowMessage(request.Message, request.PageTitle, type, result) != S_OK) return false;
  answer = web::WebDialogAnswer();
  answer.Accepted = result == 1;
  return true;
}

web::WebDialogAnswer TCustomWebHost::PageDialog(const web::WebDialogRequest& request) {
  web::WebDialogAnswer answer;
  if (AnsweredByShowMessage(request, answer)) return answer;
  EnableModeless(false);
  web::WebDialogAnswer shown = web::ShowWebDialogBox(request, request.PageTitle);
  EnableModeless(true);
  return shown;
}

// ---- published properties ----------------------------------------------------------

void RegisterWebHostCoreProperties() {
  static bool done = false;
  if (done) return;
  done = true;
  auto names = [](const char* const* list, int n) {
    return std::vector<std::string>(list, list + n);
  };
  RegisterProperties<TCustomWebHost>()
      .SetOf<TDownloadControlOption>(
          "DownloadOptions", "TDownloadControlOptions", &TCustomWebHost::DownloadOptions,
          &TCustomWebHost::SetDownloadOptions,
          names(kDownloadControlOptionNames, kDownloadControlOptionCount),
          {TDownloadControlOption::DownloadImages, TDownloadControlOption::DownloadVideos,
           TDownloadControlOption::DownloadBGSounds})
      .SetOf<TUserInterfaceOption>("UserInterfaceOptions", "TUserInterfaceOptions",
                                   &TCustomWebHost::UserInterfaceOptions,
                                   &TCustomWebHost::SetUserInterfaceOptions,
                                   names(kUserInterfaceOptionNames, kUserInterfaceOptionCount))
      .String("HelpFile", &TCustomWebHost::HelpFile, &TCustomWebHost::SetHelpFile)
      .String("OptionKeyPath", &TCustomWebHost::OptionKeyPath, &TCustomWebHost::SetOptionKeyPath)
      .Boolean("OverrideOptionKeyPath", &TCustomWebHost::OverrideOptionKeyPath,
               &TCustomWebHost::SetOverrideOptionKeyPath, false)
      .Enum<TDragDropHandlingType>(
          "DropHandlingType", "TDragDropHandlingType", &TCustomWebHost::DropHandlingType,
          &TCustomWebHost::SetDropHandlingType, {"ddtMS", "ddtMy", "ddtCustom", "ddtNo"},
          TDragDropHandlingType::ddtMS)
      .SetOf<TIEPopupMenu>("DisabledPopupMenus", "TIEPopupMenus",
                           &TCustomWebHost::DisabledPopupMenus,
                           &TCustomWebHost::SetDisabledPopupMenus, names(kPopupMenuNames, 11))
      .Boolean("FloatingHosting", &TCustomWebHost::FloatingHosting,
               &TCustomWebHost::SetFloatingHosting, false)
      .Enum<TScriptErrorAction>(
          "ScriptErrorAction", "TScriptErrorAction", &TCustomWebHost::ScriptErrorAction,
          &TCustomWebHost::SetScriptErrorAction, {"eaContinue", "eaCancel", "eaAskUser"},
          TScriptErrorAction::eaContinue);
}
