// The host's answers to the browser's questions, option flag sums and the
// option objects: no page needed.
#include "browser/WebHost.h"
#include "platform/forms/Properties.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using D = TDownloadControlOption;
using U = TUserInterfaceOption;

struct HostFixture : ::testing::Test {
  std::unique_ptr<TWebHost> host = std::make_unique<TWebHost>(nullptr);
};

TMessage KeyDown(char c) {
  TMessage m;
  m.Msg = WM_KEYDOWN;
  m.WParam = WPARAM(c);
  return m;
}

} // namespace

TEST(WebHostFlags, SumsOfTheOptionSets) {
  TDownloadControlOptions allD;
  for (int i = 0; i < kDownloadControlOptionCount; ++i)
    allD.Include(static_cast<D>(i));
  TUserInterfaceOptions allU;
  for (int i = 0; i < kUserInterfaceOptionCount; ++i)
    allU.Include(static_cast<U>(i));
  struct Case {
    const char* name;
    std::uint32_t got, expected;
  } cases[] = {
      {"download defaults",
       DownloadControlFlags({D::DownloadImages, D::DownloadVideos, D::DownloadBGSounds}), 0x70},
      {"scripts off", DownloadControlFlags({D::DontExecuteScripts}), 0x80},
      {"empty download set", DownloadControlFlags({}), 0},
      {"work offline", DownloadControlFlags({D::WorkOffline}), 0x80000000u},
      {"silent and no java", DownloadControlFlags({D::Silent, D::NoJava}), 0x40000100u},
      {"all download options", DownloadControlFlags(allD), 0xF007FFF0u},
      {"empty UI set", UserInterfaceFlags({}), 0},
      {"text select", UserInterfaceFlags({U::DisableTextSelect}), 0x1},
      {"after the gap",
       UserInterfaceFlags({U::EnableFormsAutoComplete, U::EnableInPlaceNavigation}), 0x14000},
      {"last UI option", UserInterfaceFlags({U::ForceUserActivationOn}), 0x20000000u},
      {"all UI options, without 0x8000", UserInterfaceFlags(allU), 0x3FFF7FFFu},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST_F(HostFixture, DefaultsOfThePublishedProperties) {
  struct Case {
    const char* path;
    const char* text;
  } cases[] = {
      {"DownloadOptions", "[DownloadImages,DownloadVideos,DownloadBGSounds]"},
      {"UserInterfaceOptions", "[]"},
      {"DropHandlingType", "ddtMS"},
      {"DisabledPopupMenus", "[]"},
      {"FloatingHosting", "False"},
      {"ScriptErrorAction", "eaContinue"},
      {"OverrideOptionKeyPath", "False"},
      {"About", kWebHostProductText},
      {"UserAgent", kWebHostProductText},
      {"EnableMessageHandler", "True"},
      {"DisabledPopupMenuItems", "[]"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetPropText(*host, c.path), c.text) << c.path;
  struct Sub {
    TPersistent* object;
    const char* name;
    const char* text;
  } subs[] = {
      {host->ShortCuts(), "CtrlCharMask", "N"},
      {host->ShortCuts(), "DisableCTRL_N", "True"},
      {host->ShortCuts(), "DisableCTRL_P", "False"},
      {host->DisableErrors(), "EnableDDE", "True"},
      {host->DisableErrors(), "fpExceptions", "True"},
      {host->DisableErrors(), "ScriptErrorsSuppressed", "True"},
      {host->DialogBoxes(), "DisableAll", "False"},
      {host->DialogBoxes(), "ReplaceCaption", "True"},
      {host->DialogBoxes(), "ReplaceIcon", "True"},
      {host->DialogBoxes(), "NewCaption", ""},
      {host->PrintOptions(), "Enabled", "False"},
      {host->PrintOptions(), "Orientation", "poPortrait"},
      {host->PrintOptions()->Margins(), "Left", "0"},
      {host->ProxySettings(), "AutoLoadProxy", "False"},
      {host->ProxySettings(), "Port", "80"},
      {host->ProxySettings(), "Address", ""},
      {host->VisualEffects(), "TextSize", "2"},
      {host->VisualEffects(), "DisableSounds", "False"},
  };
  for (const Sub& s : subs)
    EXPECT_EQ(GetPropText(*s.object, s.name), s.text) << s.name;
  EXPECT_EQ(host->PrintOptions()->HTMLHeader()->Text(), "<HTML></HTML>\r\n");
  // The header list by name, as its text; default: not stored.
  TPrintOptions& print = *host->PrintOptions();
  EXPECT_EQ(GetPropText(print, "HTMLHeader"), "<HTML></HTML>\r\n");
  const TPropInfo* header = GetPropInfo(print, "HTMLHeader");
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(IsStoredProp(print, *header));
  SetPropText(print, "HTMLHeader", "<HTML>\r\n<B>Map</B></HTML>\r\n");
  EXPECT_EQ(print.HTMLHeader()->Count(), 2);
  EXPECT_EQ(print.HTMLHeader()->Strings(1), "<B>Map</B></HTML>");
  EXPECT_TRUE(IsStoredProp(print, *header));
  EXPECT_EQ(host->CtrlCharMask(), "N");
  EXPECT_EQ(host->DownloadFlags(), 0x70u);
  // About ignores new values.
  SetPropText(*host, "About", "other");
  EXPECT_EQ(host->About(), kWebHostProductText);
  // The flag sums follow the option sets, also when set by name.
  SetPropText(*host, "DownloadOptions", "[DontExecuteScripts]");
  EXPECT_EQ(host->DownloadFlags(), 0x80u);
  SetPropText(*host, "UserInterfaceOptions", "[ScrollNo,DisableTextSelect]");
  EXPECT_EQ(host->HostUIFlags(), 0x9u);
}

TEST_F(HostFixture, AmbientPropertiesThroughInvoke) {
  std::vector<int> unknown;
  host->OnInvoke = [&](TPersistent*, int dispId, std::uint16_t) { unknown.push_back(dispId); };
  TWebVariant result;
  EXPECT_EQ(host->Invoke(DISPID_AMBIENT_DLCONTROL, DISPATCH_PROPERTYGET, nullptr, &result), S_OK);
  EXPECT_EQ(std::get<std::int64_t>(result), 0x70);
  host->SetDownloadOptions({D::DontExecuteScripts});
  EXPECT_EQ(host->Invoke(DISPID_AMBIENT_DLCONTROL, DISPATCH_PROPERTYGET, nullptr, &result), S_OK);
  EXPECT_EQ(std::get<std::int64_t>(result), 0x80);
  // User mode: the negation of what was stored.
  EXPECT_EQ(host->Invoke(DISPID_AMBIENT_USERMODE, DISPATCH_PROPERTYGET, nullptr, &result), S_OK);
  EXPECT_EQ(std::get<bool>(result), true);
  const TWebVariant on = true;
  EXPECT_EQ(host->Invoke(DISPID_AMBIENT_USERMODE, DISPATCH_PROPERTYPUT, &on, nullptr), S_OK);
  host->Invoke(DISPID_AMBIENT_USERMODE, DISPATCH_PROPERTYGET, nullptr, &result);
  EXPECT_EQ(std::get<bool>(result), false);
  EXPECT_TRUE(unknown.empty());
  EXPECT_EQ(host->Invoke(-5501, DISPATCH_PROPERTYGET, nullptr, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(unknown, std::vector<int>{-5501});
}

TEST_F(HostFixture, ContextMenuDecisions) {
  const std::vector<int> standard = {2282, 2283, 2300, 2139, 28};
  struct Case {
    const char* name;
    TIEPopupMenus disabledMenus;
    TIEPopupMenuItems disabledItems;
    int contextId;
    HRESULT hr;
    bool shown;
    std::vector<int> items;
  } cases[] = {
      {"nothing disabled: the engine's menu", {}, {}, 0, S_FALSE, false, standard},
      {"all menus off", {TIEPopupMenu::rcmAll}, {}, 0, S_OK, false, standard},
      {"all menus off, high id", {TIEPopupMenu::rcmAll}, {}, 12, S_OK, false, standard},
      {"image menu off, image", {TIEPopupMenu::rcmImage}, {}, 1, S_OK, false, standard},
      {"image menu off, link", {TIEPopupMenu::rcmImage}, {}, 5, S_FALSE, false, standard},
      {"ids of 10 and more only by rcmAll",
       {TIEPopupMenu::rcmDefault},
       {},
       10,
       S_FALSE,
       false,
       standard},
      {"item filter",
       {},
       {TIEPopupMenuItem::rcsViewSource, TIEPopupMenuItem::rcsProperties},
       0,
       S_OK,
       true,
       {2282, 2283, 2300}},
      {"item filter under a disabled menu",
       {TIEPopupMenu::rcmAnchor},
       {TIEPopupMenuItem::rcsBack},
       5,
       S_OK,
       false,
       standard},
  };
  for (const Case& c : cases) {
    host->SetDisabledPopupMenus(c.disabledMenus);
    host->SetDisabledPopupMenuItems(c.disabledItems);
    std::vector<int> items = standard;
    bool shown = true;
    EXPECT_EQ(host->ShowContextMenu(std::uint32_t(c.contextId), {0, 0}, &items, &shown), c.hr)
        << c.name;
    EXPECT_EQ(shown, c.shown) << c.name;
    EXPECT_EQ(items, c.items) << c.name;
  }
  // The filter event alone makes a filter; it runs before the item deletion.
  host->SetDisabledPopupMenus({});
  host->SetDisabledPopupMenuItems({TIEPopupMenuItem::rcsRefresh});
  std::vector<int> seen;
  host->OnFilterPopupMenu = [&](TPersistent*, int, std::vector<int>& items) { seen = items; };
  std::vector<int> items = standard;
  bool shown = false;
  EXPECT_EQ(host->ShowContextMenu(4, {0, 0}, &items, &shown), S_OK);
  EXPECT_EQ(seen, standard);
  EXPECT_EQ(items, (std::vector<int>{2282, 2283, 2139, 28}));
  // The event decides before anything else.
  host->SetDisabledPopupMenus({TIEPopupMenu::rcmAll});
  host->OnShowContextMenu = [](TPersistent*, std::uint32_t id, TPoint) {
    return id == 1 ? S_FALSE : S_OK;
  };
  EXPECT_EQ(host->ShowContextMenu(1, {0, 0}, &items, &shown), S_FALSE);
  EXPECT_FALSE(shown);
}

TEST_F(HostFixture, CtrlKeyMaskAndAccelerators) {
  std::string masked;
  std::vector<WPARAM> asked;
  host->OnMaskedCtrlChar = [&](TPersistent*, char c) { masked += c; };
  host->OnTranslateAccelerator = [&](TPersistent*, const TMessage& m) {
    asked.push_back(m.WParam);
    return S_FALSE;
  };
  EXPECT_EQ(host->TranslateAccelerator(KeyDown('N'), true), S_OK);
  EXPECT_EQ(masked, "N");
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(host->TranslateAccelerator(KeyDown('P'), true), S_FALSE);
  EXPECT_EQ(asked, std::vector<WPARAM>{'P'});
  EXPECT_EQ(host->TranslateAccelerator(KeyDown('N'), false), S_FALSE); // no Ctrl
  TMessage up = KeyDown('N');
  up.Msg = WM_KEYUP;
  EXPECT_EQ(host->TranslateAccelerator(up, true), S_FALSE);
  // An empty mask passes everything on.
  host->SetCtrlCharMask("");
  EXPECT_EQ(host->TranslateAccelerator(KeyDown('N'), true), S_FALSE);
  EXPECT_EQ(masked, "N");
  EXPECT_EQ(asked, (std::vector<WPARAM>{'P', 'N', 'N', 'N'}));
}

TEST_F(HostFixture, CommandTarget) {
  const TScriptErrorAction actions[] = {
      TScriptErrorAction::eaContinue, TScriptErrorAction::eaCancel, TScriptErrorAction::eaAskUser};
  const HRESULT results[] = {S_OK, S_OK, S_FALSE};
  for (int i = 0; i < 3; ++i) {
    host->SetScriptErrorAction(actions[i]);
    TWebVariant out;
    EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, 40, 0, {}, out), results[i]) << i;
    if (i < 2) {
      EXPECT_EQ(std::get<bool>(out), i == 0) << i;
    }
  }
  // Refresh: S_OK only when the event cancels.
  for (std::uint32_t id : {2300u, 6041u, 6042u}) {
    TWebVariant out;
    host->OnRefresh = nullptr;
    EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, id, 0, {}, out), OLECMDERR_E_NOTSUPPORTED);
    std::vector<std::uint32_t> ids;
    host->OnRefresh = [&](TPersistent*, std::uint32_t cmd, bool&) { ids.push_back(cmd); };
    EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, id, 0, {}, out), OLECMDERR_E_NOTSUPPORTED);
    host->OnRefresh = [&](TPersistent*, std::uint32_t cmd, bool& cancel) {
      ids.push_back(cmd);
      cancel = true;
    };
    EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, id, 0, {}, out), S_OK);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{id, id}));
  }
  // Unload, with the group's GUID in any case.
  TWebVariant out;
  EXPECT_EQ(host->Exec(CGID_Explorer, 37, 0, {}, out), OLECMDERR_E_NOTSUPPORTED);
  int unloads = 0;
  host->OnUnload = [&](TPersistent*) { ++unloads; };
  EXPECT_EQ(host->Exec("{000214d0-0000-0000-c000-000000000046}", 37, 0, {}, out), S_OK);
  EXPECT_EQ(unloads, 1);
  // Anything else goes to OnCommandExec, which may change the result.
  EXPECT_EQ(host->Exec(CGID_Explorer, 38, 0, {}, out), OLECMDERR_E_NOTSUPPORTED);
  host->OnCommandExec = [](TPersistent*, const std::string&, std::uint32_t id, std::uint32_t,
                           const TWebVariant&, TWebVariant&, HRESULT& result) {
    if (id == 38) result = S_OK;
  };
  EXPECT_EQ(host->Exec(CGID_Explorer, 38, 0, {}, out), S_OK);
  EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, 41, 0, {}, out), OLECMDERR_E_NOTSUPPORTED);
}

TEST_F(HostFixture, ScriptErrorEventMayChangeTheActionForLaterErrors) {
  TWebVariant out;
  int calls = 0;
  host->OnScriptError = [&](TPersistent*, const TScriptErrorInfo&, TScriptErrorAction& action) {
    ++calls;
    action = TScriptErrorAction::eaAskUser;
  };
  EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, 40, 0, {}, out), S_OK); // this error: continue
  EXPECT_EQ(host->ScriptErrorAction(), TScriptErrorAction::eaAskUser);
  EXPECT_EQ(host->Exec(CGID_DocHostCommandHandler, 40, 0, {}, out), S_FALSE);
  EXPECT_EQ(calls, 2);
}

/// A drop target of a handler's own that records what reaches it.
struct RecordingDropTarget : IWebDropTarget {
  std::vector<std::string> calls;
  HRESULT DragEnter(int x, int y, const std::string& text, std::uint32_t& effect) override {
    calls.push_back("enter " + text);
    effect = (x > 0 && y > 0) ? 1 : 0;
    return S_OK;
  }
  HRESULT DragOver(int, int, const std::string&, std::uint32_t& effect) override {
    calls.push_back("over");
    effect = 1;
    return S_OK;
  }
  HRESULT DragLeave() override {
    calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(int, int, const std::string& text, std::uint32_t& effect) override {
    calls.push_back("drop " + text);
    effect = 1;
    return S_OK;
  }
};

TEST_F(HostFixture, DropTargetFollowsTheDropHandlingType) {
  RecordingDropTarget custom;
  int asked = 0;
  host->OnGetDropTarget = [&](TPersistent* sender, IWebDropTarget* own, IWebDropTarget*& result) {
    ++asked;
    EXPECT_EQ(sender, host.get());
    EXPECT_EQ(own, static_cast<IWebDropTarget*>(host.get()));
    result = &custom;
    return S_OK;
  };
  std::vector<std::string> own;
  host->OnDragEnter = [&](TPersistent*, int, int, const std::string& text, std::uint32_t& effect) {
    own.push_back("enter " + text);
    effect = 1;
    return S_OK;
  };
  IWebDropTarget* target = nullptr;
  struct Case {
    TDragDropHandlingType type;
    HRESULT answer;
    IWebDropTarget* target;
    int asked;
  } cases[] = {
      {TDragDropHandlingType::ddtMS, E_NOTIMPL, nullptr, 0},
      {TDragDropHandlingType::ddtMy, S_OK, host.get(), 0},
      {TDragDropHandlingType::ddtCustom, S_OK, &custom, 1},
      {TDragDropHandlingType::ddtNo, S_OK, nullptr, 0},
  };
  for (const Case& c : cases) {
    host->SetDropHandlingType(c.type);
    asked = 0;
    EXPECT_EQ(host->GetDropTarget(host.get(), target), c.answer) << int(c.type);
    EXPECT_EQ(target, c.target) << int(c.type);
    EXPECT_EQ(host->CurrentDropTarget(), c.target) << int(c.type);
    EXPECT_EQ(asked, c.asked) << int(c.type);
  }

  // Drags over the page reach the chosen target: the handler's with
  // ddtCustom, the control's events with ddtMy, nothing with ddtNo.
  web::WebEngineHost& engine = host->Engine();
  host->SetDropHandlingType(TDragDropHandlingType::ddtCustom);
  EXPECT_TRUE(engine.OnDrag(web::WebDragEvent::Enter, 5, 5, "a"));
  EXPECT_TRUE(engine.OnDrag(web::WebDragEvent::Drop, 5, 5, "a"));
  EXPECT_EQ(custom.calls, (std::vector<std::string>{"enter a", "drop a"}));
  EXPECT_TRUE(own.empty());
  host->SetDropHandlingType(TDragDropHandlingType::ddtMy);
  EXPECT_TRUE(engine.OnDrag(web::WebDragEvent::Enter, 5, 5, "b"));
  EXPECT_EQ(own, std::vector<std::string>{"enter b"});
  host->SetDropHandlingType(TDragDropHandlingType::ddtNo);
  EXPECT_FALSE(engine.OnDrag(web::WebDragEvent::Enter, 5, 5, "c"));
  EXPECT_EQ(custom.calls.size(), 2u);
  EXPECT_EQ(own.size(), 1u);
}

TEST_F(HostFixture, DispatchQuestionsOfTheControlsOwnMembers) {
  std::vector<int> ids = {7};
  EXPECT_EQ(host->GetIDsOfNames({"Navigate", "Zoom"}, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids, (std::vector<int>{DISPID_UNKNOWN, DISPID_UNKNOWN}));
  int count = 5;
  EXPECT_EQ(host->GetTypeInfoCount(count), S_OK);
  EXPECT_EQ(count, 0);
  TWebVariant info = std::string("stale");
  EXPECT_EQ(host->GetTypeInfo(0, 0, info), E_NOTIMPL);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(info));

  host->OnGetIDsOfNames = [](TPersistent*, const std::vector<std::string>& names, int localeId,
                             std::vector<int>& dispIds) {
    for (size_t i = 0; i < names.size(); ++i)
      dispIds[i] = names[i] == "Zoom" ? 100 + localeId : DISPID_UNKNOWN;
    return S_OK;
  };
  host->OnGetTypeInfoCount = [](TPersistent*, int& n) {
    n = 1;
    return S_OK;
  };
  host->OnGetTypeInfo = [](TPersistent*, int index, int, TWebVariant& typeInfo) {
    typeInfo = std::int64_t(index + 40);
    return S_OK;
  };
  EXPECT_EQ(host->GetIDsOfNames({"Navigate", "Zoom"}, 9, ids), S_OK);
  EXPECT_EQ(ids, (std::vector<int>{DISPID_UNKNOWN, 109}));
  EXPECT_EQ(host->GetTypeInfoCount(count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(host->GetTypeInfo(2, 0, info), S_OK);
  EXPECT_EQ(std::get<std::int64_t>(info), 42);
}

TEST_F(HostFixture, ServicesHostInfoAndDefaults) {
  struct Case {
    const char* service;
    bool answered;
  };
  auto check = [&](std::initializer_list<Case> cases, const char* stage) {
    for (const Case& c : cases) {
      bool answered = !c.answered;
      const HRESULT hr = host->QueryService(c.service, c.service, answered);
      EXPECT_EQ(answered, c.answered) << stage << " " << c.service;
      EXPECT_EQ(hr, c.answered ? S_OK : E_NOINTERFACE) << stage << " " << c.service;
    }
  };
  check({{SID_INewWindowManager, false},
         {SID_IDownloadManager, false},
         {SID_IHTMLOMWindowServices, false}},
        "no events");
  host->OnEvaluateNewWindow = [](TPersistent*, const std::string&, const std::string&,
                                 const std::string&, const std::string&, bool, std::uint32_t,
                                 std::uint32_t) { return S_OK; };
  host->SetFloatingHosting(true);
  check({{SID_INewWindowManager, true},
         {SID_IDownloadManager, false},
         {SID_IHTMLOMWindowServices, true}},
        "events set");
  host->OnQueryService = [](TPersistent*, const std::string&, const std::string&) {
    return S_FALSE;
  };
  bool answered = true;
  EXPECT_EQ(host->QueryService(SID_IDownloadManager, "", answered), S_FALSE);
  EXPECT_FALSE(answered);

  // Defaults without events.
  std::string path;
  EXPECT_EQ(host->Download("file:///x", "x", path), E_NOTIMPL);
  host->OnEvaluateNewWindow = nullptr;
  EXPECT_EQ(host->EvaluateNewWindow("u", "", "", "", false, 0, 0), E_FAIL);
  int result = 0;
  EXPECT_EQ(host->ShowMessage("t", "c", 0, result), S_FALSE);
  EXPECT_EQ(host->ShowHelp("", 0, 0, {0, 0}), S_FALSE);
  std::uint32_t effect = 0;
  EXPECT_EQ(host->DragEnter(1, 2, "", effect), S_OK);
  EXPECT_EQ(host->QueryStatus(), S_OK);

  // UI answers without events, then with them.
  TWebVariant object = std::string("x");
  EXPECT_EQ(host->FilterDataObject(std::string("in"), object), S_FALSE);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(object));
  object = std::string("x");
  EXPECT_EQ(host->GetExternal(object), S_FALSE);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(object));
  std::string translated;
  const HRESULT defaults[] = {host->ShowUI(0),
                              host->HideUI(),
                              host->UpdateUI(),
                              host->OnDocWindowActivate(true),
                              host->OnFrameWindowActivate(false),
                              host->ResizeBorder({0, 0, 10, 10}, true),
                              host->TranslateUrl(0, "a", translated),
                              host->ZoomPercentChanged(150)};
  for (HRESULT hr : defaults)
    EXPECT_EQ(hr, S_FALSE);
  EXPECT_EQ(host->EnableModeless(false), S_OK);
  std::vector<std::string> ui;
  host->OnShowUI = [&](TPersistent*, std::uint32_t id) {
    ui.push_back("show " + std::string(1, char('0' + id)));
    return S_OK;
  };
  host->OnHideUI = [&](TPersistent*) {
    ui.push_back("hide");
    return S_OK;
  };
  host->OnOnDocWindowActivate = [&](TPersistent*, bool on) {
    ui.push_back(on ? "doc on" : "doc off");
    return S_OK;
  };
  host->OnTranslateUrl = [](TPersistent*, std::uint32_t, const std::string& in, std::string& out) {
    out = in + "?x";
    return S_OK;
  };
  EXPECT_EQ(host->ShowUI(1), S_OK);
  EXPECT_EQ(host->HideUI(), S_OK);
  EXPECT_EQ(host->OnDocWindowActivate(false), S_OK);
  EXPECT_EQ(ui, (std::vector<std::string>{"show 1", "hide", "doc off"}));
  EXPECT_EQ(host->TranslateUrl(0, "a", translated), S_OK);
  EXPECT_EQ(translated, "a?x");

  // Host information, with the style sheet and namespace of TWebHost.
  host->SetUserInterfaceOptions({U::ScrollNo, U::No3DBorder});
  host->SetHostCSS("body{color:red}");
  host->SetHostNS("ns");
  TDocHostUIInfo info;
  EXPECT_EQ(host->GetHostInfo(info), S_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0xCu);
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(info.pchHostCss, "body{color:red}");
  EXPECT_EQ(info.pchHostNS, "ns");
  host->OnGetHostInfo = [](TPersistent*, TDocHostUIInfo& i) {
    i.pchHostCss = "own";
    return S_FALSE;
  };
  EXPECT_EQ(host->GetHostInfo(info), S_FALSE);
  EXPECT_EQ(info.pchHostCss, "own");

  // Option key paths.
  std::optional<std::string> key;
  host->GetOptionKeyPath(key);
  EXPECT_FALSE(key);
  host->SetOptionKeyPath("Software\\Skorvaplinth");
  host->GetOptionKeyPath(key);
  EXPECT_EQ(key, "Software\\Skorvaplinth");
  host->GetOverrideKeyPath(key);
  EXPECT_FALSE(key);
  host->SetOverrideOptionKeyPath(true);
  host->GetOverrideKeyPath(key);
  EXPECT_EQ(key, "Software\\Skorvaplinth");
}

TEST_F(HostFixture, MapWindowDefinitionSetsPrintOptionsAndRunsTheLoadStep) {
  host->SetScriptErrorAction(TScriptErrorAction::eaAskUser);
  ApplyMapWindowWebDefinition(*host);
  const TPrintOptions& print = *host->PrintOptions();
  const TMargins& m = *print.Margins();
  for (double side : {m.Left(), m.Right(), m.Top(), m.Bottom()})
    EXPECT_DOUBLE_EQ(side, 19.05);
  EXPECT_EQ(print.Header(), "&w&bPage &p of &P");
  EXPECT_EQ(print.Footer(), "&u&b&d");
  EXPECT_EQ(print.Orientation(), TPrintOrientationOption::poPortrait);
  EXPECT_FALSE(print.Enabled());
  EXPECT_EQ(host->UserAgent(), kWebHostProductText);
  // The load step ran: suppressed script errors continue, the product text
  // reaches the engine's user agent.
  EXPECT_EQ(host->ScriptErrorAction(), TScriptErrorAction::eaContinue);
  EXPECT_EQ(web::WebUserAgent(), web::DefaultWebUserAgent() + " " + kWebHostProductText);
  web::SetWebUserAgentToken("");
}

TEST_F(HostFixture, ShortCutsEditTheMask) {
  TShortCuts& s = *host->ShortCuts();
  struct Case {
    const char* start;
    char letter;
    bool on;
    const char* mask;
  } cases[] = {
      {"N", 'A', true, "NA"}, {"NA", 'N', false, "A"}, {"NAN", 'N', false, "AN"},
      {"N", 'N', true, "N"},  {"", 'P', false, ""},    {"PCF", 'C', false, "PF"},
  };
  for (const Case& c : cases) {
    s.SetCtrlCharMask(c.start);
    SetPropText(s, std::string("DisableCTRL_") + c.letter, c.on ? "True" : "False");
    EXPECT_EQ(host->CtrlCharMask(), c.mask) << c.start << " " << c.letter;
  }
  s.SetCtrlCharMask("N");
  EXPECT_FALSE(s.IsMaskStored());
  s.SetDisableCTRL_C(true);
  EXPECT_TRUE(s.IsMaskStored());
  EXPECT_TRUE(s.DisableCTRL_C());
  EXPECT_FALSE(s.DisableCTRL_F());
}

TEST(WebHostDialogs, CaptionRule) {
  struct Case {
    const char* caption;
    const char* newCaption;
    const char* expected;
  } cases[] = {
      {"Microsoft Internet Explorer", "", "Web Browser"},
      {"Search", "", "Web Browser:  Search"},
      {"Microsoft Internet Explorer", "Map", "Map"},
      {"Dialog page", "Map", "Map:  Dialog page"},
      {"Map of Europe", "Map", "Map of Europe"},
      {"Internet Explorer - Internet Explorer", "", "Web Browser - Internet Explorer"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceDialogCaption(c.caption, c.newCaption), c.expected) << c.caption;
}
