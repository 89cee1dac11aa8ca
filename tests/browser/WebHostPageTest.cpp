// TWebHost with the real engine on local pages, in a form where another
// control covers the browser as the map window's viewer does.
#include "browser/WebHost.h"
#include "browser/WebHostIntf.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/GraphicsObjects.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"
#include "tests/browser/TestWait.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kOpenLayers = "/usr/share/javascript/openlayers/OpenLayers.js";

/// A control painted in one colour, raised over the browser.
class TCover : public TCustomControl {
public:
  using TCustomControl::TCustomControl;

protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(TColor(0x00FF00FF));
    Canvas()->FillRect(ClientRect());
  }
};

std::string Digits(unsigned long value, int base = 10, int width = 0) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value, base);
  std::string s(buf, r.ptr);
  if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
  return s;
}

/// The pages of this run, in a folder of its own that goes when the program ends.
fs::path PageDir() {
  static const sktest::TTempDir folder("browser-test");
  return folder.Path();
}

std::string WritePage(const std::string& name, const std::string& html) {
  const fs::path path = PageDir() / name;
  std::ofstream(path, std::ios::binary) << html;
  return path.string();
}

/// The colour of grid cell (i, j) as 0xRRGGBB.
std::uint32_t Cell(int i, int j) {
  return std::uint32_t((40 + 20 * i) << 16 | (40 + 25 * j) << 8 | 0x80);
}

std::string GridPage() {
  std::string cells;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j)
      cells += "<div style='position:absolute;left:" + Digits(unsigned(i * 100)) +
               "px;top:" + Digits(unsigned(j * 100)) + "px;width:100px;height:100px;background:#" +
               Digits(Cell(i, j), 16, 6) + "'></div>";
  return WritePage("grid.htm", "<html><head><title>Grid</title></head>"
                               "<body style='margin:0;overflow:hidden'>" +
                                   cells + "</body></html>");
}

std::uint32_t PixelAt(TBitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + x * 3;
  return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

bool GridMatches(TBitmap& bitmap) {
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 6; ++j)
      if (PixelAt(bitmap, i * 100 + 50, j * 100 + 50) != Cell(i, j)) return false;
  return true;
}

/// A page dialog presenter that records what it is asked.
struct RecordingPresenter : TWebDialogPresenter {
  struct Call {
    web::WebDialogKind kind;
    std::string caption, message;
  };
  std::vector<Call> calls;
  web::WebDialogAnswer Present(const web::WebDialogRequest& r,
                               const std::string& caption) override {
    calls.push_back({r.Kind, caption, r.Message});
    web::WebDialogAnswer a;
    a.Accepted = true;
    a.Text = "typed";
    return a;
  }
};

/// The map window's arrangement: the browser under a viewer-like control.
struct MapWindow : ::testing::Test {
  std::unique_ptr<TForm> form;
  TWebHost* web = nullptr;
  TCover* gis = nullptr;
  int downloadCount = 0;
  RecordingPresenter presenter;

  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 900, 720);
    web = new TWebHost(form.get());
    web->SetParent(form.get());
    web->SetBounds(0, 0, 826, 643);
    gis = new TCover(form.get());
    gis->SetParent(form.get());
    gis->SetBounds(0, 0, 900, 700);
    gis->BringToFront();
    web->Loaded();
    web->SetDialogPresenter(&presenter);
    web->OnDownloadComplete = [this](TPersistent*) { ++downloadCount; };
    form->Show();
  }
  void TearDown() override { FreeForm(); }
  /// Hidden before it is freed: under X11, freeing a shown window sends
  /// enter and leave events to controls that are going.
  void FreeForm() {
    if (form) form->Hide();
    form.reset();
  }

  /// The page rebuild's wait: more than two completions or 15 s.
  bool Load(const std::string& path) {
    downloadCount = 0;
    web->Navigate(path);
    return WaitUntil([this] { return downloadCount > 2; }, 15000);
  }
  std::string Eval(const std::string& script) {
    return web->Engine().EvaluateScriptAndWait(script).value_or("<none>");
  }
};

} // namespace

TEST_F(MapWindow, NoSnapshotAndNoDocumentBeforeAnyPage) {
  EXPECT_EQ(web->Document(), nullptr);
  EXPECT_FALSE(IsHtmlDocument(web->Document()));
  EXPECT_EQ(web->Snapshot(), nullptr);
  EXPECT_EQ(SnapshotDocument(nullptr, 0, 826, 643), nullptr);
}

TEST_F(MapWindow, CoveredBrowserGivesSnapshotsOfItsOwnSize) {
  ASSERT_TRUE(Load(GridPage()));
  EXPECT_EQ(downloadCount, 3);
  ASSERT_NE(web->Document(), nullptr);
  EXPECT_TRUE(IsHtmlDocument(web->Document()));
  std::unique_ptr<TBitmap> shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = web->Snapshot();
    return shot && GridMatches(*shot);
  }));
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->Width(), 826);
  EXPECT_EQ(shot->Height(), 643);
  EXPECT_EQ(shot->PixelFormat(), pf24bit);

  // A browser of no size gives no picture.
  web->SetBounds(0, 0, 0, 0);
  EXPECT_EQ(web->Snapshot(), nullptr);
  // A resized browser snapshots at its new size.
  web->SetBounds(0, 0, 700, 500);
  EXPECT_TRUE(WaitUntil([&] {
    shot = web->Snapshot();
    return shot && shot->Width() == 700 && shot->Height() == 500 &&
           PixelAt(*shot, 650, 450) == Cell(6, 4);
  }));
}

TEST_F(MapWindow, PositionScriptMovesTheOpenLayersMap) {
  const std::string page = WritePage(
      "mapg.htm",
      std::string("<html><head><script src='file://") + kOpenLayers +
          "'></script></head><body style='margin:0'><div id='map' style='width:796px;height:613px'>"
          "</div><script>var map = new OpenLayers.Map('map', {controls: []});"
          "map.addLayer(new OpenLayers.Layer.Vector('v', {isBaseLayer: true}));"
          "map.setCenter(new OpenLayers.LonLat(0, 0), 2);</script></body></html>");
  ASSERT_TRUE(Load(page));
  ASSERT_NE(web->Document(), nullptr);
  EXPECT_EQ(Eval("map.getCenter().lon + ',' + map.getCenter().lat + ',' + map.getZoom()"), "0,0,2");
  web->Document()->ExecScript("map.setCenter(new OpenLayers.LonLat(14, 46), 6 );", "JavaScript");
  EXPECT_EQ(Eval("map.getCenter().lon + ',' + map.getCenter().lat + ',' + map.getZoom()"),
            "14,46,6");
  EXPECT_THROW(web->Document()->ExecScript("x = 1", "VBScript"), EOleException);
}

TEST_F(MapWindow, FailedAndReplacedNavigations) {
  ASSERT_TRUE(Load((PageDir() / "missing.htm").string()));
  EXPECT_EQ(downloadCount, 3);
  EXPECT_EQ(web->Document(), nullptr);
  EXPECT_EQ(web->Snapshot(), nullptr);

  // A navigation replaced by a newer one fires nothing of its own.
  const std::string slow =
      WritePage("slow.htm", std::string("<html><head><script src='file://") + kOpenLayers +
                                "'></script></head><body>slow</body></html>");
  downloadCount = 0;
  web->Navigate(slow);
  web->Navigate(GridPage());
  ASSERT_TRUE(WaitUntil([&] { return downloadCount > 2; }));
  WaitUntil([] { return false; }, 300);
  EXPECT_EQ(downloadCount, 3);
  ASSERT_NE(web->Document(), nullptr);
  EXPECT_EQ(web->Document()->Title(), "Grid");

  // Leaving a loaded page unloads it.
  int unloads = 0;
  web->OnUnload = [&](TPersistent*) { ++unloads; };
  ASSERT_TRUE(Load(GridPage()));
  EXPECT_EQ(unloads, 1);
}

TEST_F(MapWindow, ScriptErrorsReachTheEventAndTheDialogRule) {
  std::vector<TScriptErrorInfo> errors;
  web->OnScriptError = [&](TPersistent*, const TScriptErrorInfo& e, TScriptErrorAction&) {
    errors.push_back(e);
  };
  const std::string page = WritePage(
      "error.htm", "<html><head><title>Errors</title></head><body>\n<script>\nvar a = 1;\n"
                   "undefinedFn();\n</script></body></html>");
  ASSERT_TRUE(Load(page));
  ASSERT_TRUE(WaitUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(errors[0].Line, "4");
  EXPECT_EQ(errors[0].Character, "0");
  EXPECT_EQ(errors[0].Code, "0");
  EXPECT_NE(errors[0].Message.find("undefinedFn"), std::string::npos) << errors[0].Message;
  EXPECT_EQ(errors[0].Url, web::WebEngineHost::UrlFromText(page));
  EXPECT_TRUE(presenter.calls.empty()); // eaContinue: nothing shown

  // Asking the user: shown unless script errors are suppressed (the caption
  // holds "Script").
  web->SetScriptErrorAction(TScriptErrorAction::eaAskUser);
  web->Document()->ExecScript("undefinedFn();");
  ASSERT_TRUE(WaitUntil([&] { return errors.size() == 2; }));
  EXPECT_TRUE(presenter.calls.empty());
  web->DisableErrors()->SetScriptErrorsSuppressed(false);
  web->Document()->ExecScript("undefinedFn();");
  ASSERT_TRUE(WaitUntil([&] { return errors.size() == 3; }));
  ASSERT_EQ(presenter.calls.size(), 1u);
  EXPECT_EQ(presenter.calls[0].caption, "Web Browser:  Script Error");
  EXPECT_NE(presenter.calls[0].message.find("undefinedFn"), std::string::npos);
  // The load step puts suppressed errors back to eaContinue.
  web->DisableErrors()->SetScriptErrorsSuppressed(true);
  web->Loaded();
  EXPECT_EQ(web->ScriptErrorAction(), TScriptErrorAction::eaContinue);
}

TEST_F(MapWindow, PageDialogsFollowTheDialogOptions) {
  const std::string script =
      "alert('hello'); window.c = confirm('Sure?'); window.p = prompt('Name?', 'def');"
      " String(window.c) + '/' + window.p";
  ASSERT_TRUE(Load(WritePage("dialogs.htm",
                             "<html><head><title>Dialog page</title></head><body></body></html>")));
  std::vector<std::string> shown;
  web->OnShowDialog = [&](TPersistent*, TWebDialogKind, const std::string& caption) {
    shown.push_back(caption);
  };
  EXPECT_EQ(Eval(script), "true/typed");
  ASSERT_EQ(presenter.calls.size(), 3u);
  EXPECT_EQ(presenter.calls[0].caption, "Web Browser:  Dialog page");
  EXPECT_EQ(presenter.calls[0].message, "hello");
  EXPECT_EQ(presenter.calls[1].kind, web::WebDialogKind::Confirm);
  EXPECT_EQ(presenter.calls[2].kind, web::WebDialogKind::Prompt);
  EXPECT_EQ(shown.size(), 3u);
  EXPECT_EQ(web->DialogBoxes()->NewCaption(), "Web Browser");

  // Modeless windows are disabled while a dialog of the host's own is up.
  std::vector<std::string> order;
  web->OnEnableModeless = [&](TPersistent*, bool enable) {
    order.push_back(enable ? "enable" : "disable");
    order.push_back(Digits(presenter.calls.size()));
    return S_OK;
  };
  presenter.calls.clear();
  Eval("alert('x')");
  EXPECT_EQ(order, (std::vector<std::string>{"disable", "0", "enable", "1"}));
  web->OnEnableModeless = nullptr;

  // Own caption, no replacement.
  web->DialogBoxes()->SetNewCaption("Map");
  presenter.calls.clear();
  Eval("alert('x')");
  ASSERT_EQ(presenter.calls.size(), 1u);
  EXPECT_EQ(presenter.calls[0].caption, "Map:  Dialog page");
  web->DialogBoxes()->SetReplaceCaption(false);
  presenter.calls.clear();
  Eval("alert('x')");
  ASSERT_EQ(presenter.calls.size(), 1u);
  EXPECT_EQ(presenter.calls[0].caption, "Dialog page");

  // Everything disabled: nothing shown, confirm and prompt say no.
  web->DialogBoxes()->SetDisableAll(true);
  presenter.calls.clear();
  shown.clear();
  EXPECT_EQ(Eval(script), "false/null");
  EXPECT_TRUE(presenter.calls.empty());
  EXPECT_EQ(shown.size(), 3u);

  // OnShowMessage answering S_OK handles the box itself.
  web->DialogBoxes()->SetDisableAll(false);
  web->OnShowMessage = [](TPersistent*, const std::string&, const std::string&, std::uint32_t,
                          int& result) {
    result = 1;
    return S_OK;
  };
  presenter.calls.clear();
  EXPECT_EQ(Eval("String(confirm('Sure?'))"), "true");
  EXPECT_TRUE(presenter.calls.empty());

  // A page whose title says "error" gets no dialogs while errors are suppressed.
  web->OnShowMessage = nullptr;
  ASSERT_TRUE(Load(WritePage("errtitle.htm",
                             "<html><head><title>Load error</title></head><body></body></html>")));
  EXPECT_EQ(Eval("String(confirm('Sure?'))"), "false");
  EXPECT_TRUE(presenter.calls.empty());
}

TEST_F(MapWindow, ImagesAndFolderListingsAreNoHtmlDocumentsAndGiveNoSnapshot) {
  const std::string folder = (PageDir() / "listed").string();
  fs::create_directories(folder);
  const std::string image = folder + "/shown.bmp";
  TBitmap bitmap(64, 32, pf24bit);
  bitmap.SaveToFile(image);
  for (const std::string& target : {image, folder}) {
    ASSERT_TRUE(Load(target)) << target;
    ASSERT_NE(web->Document(), nullptr) << target;
    EXPECT_FALSE(IsHtmlDocument(web->Document())) << target;
    EXPECT_EQ(web->Snapshot(), nullptr) << target;
  }
  ASSERT_TRUE(Load(GridPage()));
  EXPECT_TRUE(IsHtmlDocument(web->Document()));
  EXPECT_TRUE(WaitUntil([&] { return web->Snapshot() != nullptr; }));
}

// Without a presenter of its own the control's dialogs are the windowing
// layer's boxes: the test answerers answer them, nothing blocks.
TEST_F(MapWindow, PageDialogsWithoutPresenterGoThroughTheDialogBoxes) {
  web->SetDialogPresenter(nullptr);
  ASSERT_TRUE(Load(WritePage("box-dialogs.htm",
                             "<html><head><title>Box page</title></head><body></body></html>")));
  std::vector<TDialogRequest> boxes;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    boxes.push_back(r);
    return IDOK;
  });
  std::vector<std::string> prompts;
  SetInputAnswerer([&](TInputRequest& r) {
    prompts.push_back(r.Caption + "|" + r.Prompt);
    r.Value = "typed";
    return true;
  });
  EXPECT_EQ(Eval("alert('hello'); window.c = confirm('Sure?'); window.p = prompt('Name?', 'def');"
                 " String(window.c) + '/' + window.p"),
            "true/typed");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "Web Browser:  Box page");
  EXPECT_EQ(boxes[0].Text, "hello");
  EXPECT_EQ(boxes[1].Caption, "Web Browser:  Box page");
  EXPECT_EQ(boxes[1].Flags & 0x0F, UINT(MB_OKCANCEL));
  EXPECT_EQ(prompts, std::vector<std::string>{"Web Browser:  Box page|Name?"});

  // The script-error dialog too, when the user is to be asked.
  web->DisableErrors()->SetScriptErrorsSuppressed(false);
  web->SetScriptErrorAction(TScriptErrorAction::eaAskUser);
  boxes.clear();
  web->Engine().RunScript("undefinedFunctionOfThePage();");
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  EXPECT_EQ(boxes[0].Caption, "Web Browser:  Script Error");
  EXPECT_NE(boxes[0].Text.find("undefinedFunctionOfThePage"), std::string::npos);
  SetDialogAnswerer(nullptr);
  SetInputAnswerer(nullptr);
}

TEST_F(MapWindow, ProcessSettingsOfTheLoadStep) {
  ASSERT_TRUE(Load(GridPage()));
  const std::string engine = web::DefaultWebUserAgent();
  EXPECT_EQ(Eval("navigator.userAgent"), engine + " " + kWebHostProductText);
  web->SetUserAgent("Token/2");
  EXPECT_EQ(web->UserAgent(), std::string("Token/2 ") + kWebHostProductText);
  EXPECT_EQ(web::WebUserAgent(), engine + " Token/2 " + kWebHostProductText);

  // The proxy as "Address:Port"; with a login the port is not appended.
  web->ProxySettings()->SetAutoLoadProxy(true);
  web->ProxySettings()->SetAddress("127.0.0.1");
  web->ProxySettings()->SetPort(3128);
  web->Loaded();
  EXPECT_EQ(web::CurrentWebProxy().Address, "127.0.0.1");
  EXPECT_EQ(web::CurrentWebProxy().Port, 3128);
  web->SetProxyWithLogin("agent", "proxy.invalid", 8080, "user", "secret");
  EXPECT_EQ(web::CurrentWebProxy().Address, "proxy.invalid");
  EXPECT_EQ(web::CurrentWebProxy().Port, 80);
  EXPECT_EQ(web::CurrentWebProxy().UserName, "user");
  web::SetWebProxy({});
  web::SetWebUserAgentToken("");
}

TEST_F(MapWindow, TextSizeIsTheProcessFontSizeNotAZoom) {
  const std::string page = WritePage("text.htm", "<html><body><p id='t'>text</p></body></html>");
  const char* size = "getComputedStyle(document.getElementById('t')).fontSize";
  web->SetTextSize(4); // no document yet: left alone
  EXPECT_EQ(web::WebDefaultFontSize(), 16);
  ASSERT_TRUE(Load(page));
  struct Case {
    int size;
    const char* px;
  } cases[] = {{4, "20px"}, {0, "12px"}, {9, "20px"}, {-3, "12px"}, {2, "16px"}};
  for (const Case& c : cases) {
    web->SetTextSize(c.size);
    EXPECT_TRUE(WaitUntil([&] { return Eval(size) == c.px; }, 3000)) << c.size << " " << Eval(size);
    EXPECT_DOUBLE_EQ(web->Engine().ZoomFactor(), 1.0);
  }
  // A control whose stored text size is not 2 sets it back when it goes.
  web->SetTextSize(3);
  web->VisualEffects()->SetTextSize(3);
  EXPECT_EQ(web::WebDefaultFontSize(), 18);
  FreeForm();
  EXPECT_EQ(web::WebDefaultFontSize(), 16);
}

TEST_F(MapWindow, TextSizeGoesBackAtDestructionEvenWithoutADocument) {
  ASSERT_TRUE(Load(WritePage("size.htm", "<html><body>size</body></html>")));
  web->SetTextSize(4);
  web->VisualEffects()->SetTextSize(4);
  EXPECT_EQ(web::WebDefaultFontSize(), 20);
  ASSERT_TRUE(Load((PageDir() / "no-such-page.htm").string()));
  ASSERT_EQ(web->Document(), nullptr);
  web->SetTextSize(0); // no document: left alone
  EXPECT_EQ(web::WebDefaultFontSize(), 20);
  FreeForm();
  EXPECT_EQ(web::WebDefaultFontSize(), 16);
}

TEST_F(MapWindow, RefreshAndCloseGoThroughTheControl) {
  ASSERT_TRUE(Load(GridPage()));
  web->Document()->ExecScript("window.marker = 1;");
  std::vector<std::uint32_t> refreshes;
  web->OnRefresh = [&](TPersistent*, std::uint32_t id, bool& cancel) {
    refreshes.push_back(id);
    cancel = true;
  };
  web->Engine().Reload();
  EXPECT_EQ(refreshes, std::vector<std::uint32_t>{2300});
  WaitUntil([] { return false; }, 200);
  EXPECT_EQ(Eval("window.marker"), "1");
  bool asked = false;
  web->OnCloseQuery = [&](TPersistent*, bool& canClose) { asked = canClose; };
  web->Perform(WM_CLOSE);
  EXPECT_TRUE(asked);
  // A close of the engine's own window asks too.
  asked = false;
  web::HostWidget(web->Engine())->close();
  EXPECT_TRUE(asked);
}

TEST_F(MapWindow, OptionSetsActAtTheNextNavigation) {
  const std::string page =
      WritePage("opts.htm", "<html><head><title>Opts</title></head><body><p id='t'>x</p>"
                            "<script>document.title = 'ran';</script></body></html>");
  web->SetDownloadOptions({TDownloadControlOption::DontExecuteScripts});
  ASSERT_TRUE(Load(page));
  EXPECT_EQ(web->Document()->Title(), "Opts");
  EXPECT_FALSE(web->Engine().Options().JavascriptEnabled);
  EXPECT_FALSE(web->Engine().Options().AutoLoadImages);

  web->SetDownloadOptions({TDownloadControlOption::DownloadImages, TDownloadControlOption::Silent});
  web->SetUserInterfaceOptions(
      {TUserInterfaceOption::DisableTextSelect, TUserInterfaceOption::ScrollNo});
  web->SetHostCSS("body { border-left: 7px solid red; }");
  ASSERT_TRUE(Load(page));
  EXPECT_EQ(web->Document()->Title(), "ran");
  EXPECT_TRUE(
      WaitUntil([&] { return Eval("getComputedStyle(document.body).borderLeftWidth") == "7px"; }));
  EXPECT_EQ(Eval("getComputedStyle(document.body).userSelect"), "none");
  EXPECT_FALSE(web->Engine().Options().ShowScrollBars);
  // Silent: the page's dialogs are answered "no" without showing anything.
  EXPECT_EQ(Eval("String(confirm('Sure?'))"), "false");
  EXPECT_TRUE(presenter.calls.empty());

  const struct {
    TDragDropHandlingType type;
    web::WebDropHandling handling;
  } drops[] = {{TDragDropHandlingType::ddtNo, web::WebDropHandling::None},
               {TDragDropHandlingType::ddtMy, web::WebDropHandling::Host},
               {TDragDropHandlingType::ddtCustom, web::WebDropHandling::Host},
               {TDragDropHandlingType::ddtMS, web::WebDropHandling::Engine}};
  for (const auto& d : drops) {
    web->SetDropHandlingType(d.type);
    EXPECT_EQ(web->Engine().Options().DropHandling, d.handling) << int(d.type);
  }
}

TEST_F(MapWindow, FileDownloadsNeedTheEvent) {
  const fs::path data = PageDir() / "data.bin";
  std::ofstream(data, std::ios::binary) << std::string(100, '\x01');
  ASSERT_TRUE(Load(GridPage()));
  std::vector<std::string> asked;
  const fs::path target = PageDir() / "saved" / "copy.bin";
  web->OnFileDownload = [&](TPersistent*, const std::string& url, const std::string& name,
                            std::string& path) {
    asked.push_back(url + " " + name);
    path = target.string();
    return S_OK;
  };
  web->Document()->ExecScript("location.href = 'data.bin';");
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 1; }));
  EXPECT_NE(asked[0].find("data.bin data.bin"), std::string::npos) << asked[0];
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(target) && fs::file_size(target) == 100; }));
}

TEST_F(MapWindow, WindowServicesMoveTheFormOnlyWhenFloating) {
  std::vector<std::string> events;
  auto record = [&](const char* name) {
    return [&events, name](TPersistent*, int a, int b) {
      events.push_back(std::string(name) + " " + Digits(unsigned(a)) + "," + Digits(unsigned(b)));
    };
  };
  web->OnMove = record("move");
  web->OnMoveBy = record("moveBy");
  web->OnResize = record("resize");
  web->OnResizeBy = record("resizeBy");
  form->SetBounds(10, 10, 900, 720);
  web->moveTo(40, 50);
  EXPECT_EQ(form->Left(), 10);
  web->SetFloatingHosting(true);
  web->moveTo(40, 50);
  web->moveBy(5, 6);
  web->resizeTo(800, 600);
  web->resizeBy(10, 20);
  EXPECT_EQ(form->Left(), 45);
  EXPECT_EQ(form->Top(), 56);
  EXPECT_EQ(form->Width(), 810);
  EXPECT_EQ(form->Height(), 620);
  EXPECT_EQ(events, (std::vector<std::string>{"move 40,50", "move 40,50", "moveBy 5,6",
                                              "resize 800,600", "resizeBy 10,20"}));
  bool answered = false;
  EXPECT_EQ(web->QueryService(SID_IHTMLOMWindowServices, "", answered), S_OK);
  EXPECT_TRUE(answered);

  // The same asked by the page itself.
  ASSERT_TRUE(Load(WritePage("mover.htm", "<html><body>moves</body></html>")));
  events.clear();
  web->Document()->ExecScript("window.moveTo(60, 70); window.moveBy(-5, 4);"
                              " window.resizeTo(700, 500); window.resizeBy(1.9, '2');");
  ASSERT_TRUE(WaitUntil([&] { return events.size() == 4; }));
  EXPECT_EQ(events, (std::vector<std::string>{"move 60,70", "moveBy " + Digits(unsigned(-5)) + ",4",
                                              "resize 700,500", "resizeBy 1,2"}));
  EXPECT_EQ(form->Left(), 55);
  EXPECT_EQ(form->Top(), 74);
  EXPECT_EQ(form->Width(), 701);
  EXPECT_EQ(form->Height(), 502);

  // Without the window services (not floating, no events) the page moves
  // nothing and nothing is told.
  web->SetFloatingHosting(false);
  web->OnMove = nullptr;
  web->OnMoveBy = nullptr;
  web->OnResize = nullptr;
  web->OnResizeBy = nullptr;
  bool done = false;
  web->Engine().OnConsoleMessage = [&](int, const std::string& text, int, const std::string&) {
    done = done || text == "done";
  };
  // (Console messages arrive in order: "done" comes after the bridge's.)
  web->Document()->ExecScript(
      "window.moveTo(0, 0); window.resizeTo(300, 200); console.log('done');");
  ASSERT_TRUE(WaitUntil([&] { return done; }));
  EXPECT_EQ(form->Left(), 55);
  EXPECT_EQ(form->Width(), 701);
}

TEST_F(MapWindow, PageSurvivesANewParentAndANewWindowHandle) {
  ASSERT_TRUE(Load(GridPage()));
  web->Document()->ExecScript("window.marker = 7;");
  auto other = std::make_unique<TForm>(nullptr);
  other->SetBounds(0, 0, 900, 720);
  other->Show();
  web->SetParent(other.get());
  std::unique_ptr<TBitmap> shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = web->Snapshot();
    return shot && GridMatches(*shot);
  }));
  EXPECT_EQ(Eval("window.marker"), "7");
  web->RecreateWnd();
  EXPECT_EQ(Eval("window.marker"), "7");
  EXPECT_NE(web->Document(), nullptr);
  web->SetParent(form.get());
  other->Hide();
  other.reset();
  EXPECT_TRUE(WaitUntil([&] {
    shot = web->Snapshot();
    return shot && GridMatches(*shot);
  }));
  EXPECT_EQ(downloadCount, 3); // no reload on the way
}

TEST_F(MapWindow, AdapterLeavesNoHandlerBehindWhenItGoes) {
  {
    TWebHostAdapter adapter(*web);
    EXPECT_TRUE(bool(web->OnDownloadComplete));
  }
  EXPECT_FALSE(bool(web->OnDownloadComplete));
  // A load afterwards reaches no freed adapter.
  web->Navigate(GridPage());
  EXPECT_TRUE(WaitUntil([&] { return web->Document() != nullptr; }));
}

TEST_F(MapWindow, ApplicationInterfaceOverTheControl) {
  TWebHostAdapter adapter(*web);
  int completions = 0;
  adapter.OnDownloadComplete = [&] { ++completions; };
  EXPECT_FALSE(adapter.HasDocument());
  adapter.ExecScript("window.never = 1;"); // no document: nothing
  EXPECT_EQ(adapter.Snapshot(), nullptr);
  adapter.SetBounds(0, 0, 826, 643);
  EXPECT_EQ(adapter.Width(), 826);
  EXPECT_EQ(adapter.Height(), 643);
  adapter.Navigate(GridPage());
  ASSERT_TRUE(WaitUntil([&] { return completions > 2; }));
  EXPECT_TRUE(adapter.HasDocument());
  EXPECT_EQ(Eval("typeof window.never"), "undefined");
  adapter.ExecScript("window.sent = 'yes';");
  EXPECT_EQ(Eval("window.sent"), "yes");
  std::unique_ptr<TBitmap> shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = adapter.Snapshot();
    return shot && GridMatches(*shot);
  }));
  // A later snapshot may draw over the last one: the same bitmap, drawn
  // whole again (a grey one of the right size becomes the page).
  ASSERT_NE(shot, nullptr);
  shot->Canvas()->Brush()->SetColor(clGray);
  shot->Canvas()->FillRect(TRect(0, 0, 826, 643));
  TBitmap* buffer = shot.get();
  shot = adapter.SnapshotReusing(std::move(shot));
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot.get(), buffer);
  EXPECT_TRUE(GridMatches(*shot));
  // One of another size is not used.
  auto small = std::make_unique<TBitmap>(10, 10, pf24bit);
  TBitmap* smallBuffer = small.get();
  shot = adapter.SnapshotReusing(std::move(small));
  ASSERT_NE(shot, nullptr);
  EXPECT_NE(shot.get(), smallBuffer);
  EXPECT_EQ(shot->Width(), 826);
  EXPECT_TRUE(GridMatches(*shot));
}
