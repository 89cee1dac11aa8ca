// The engine wrapper with the real engine on local pages.
#include "platform/web/WebEngineHost.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineQt.h"
#include "tests/platform/web/WebTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QShortcut>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace web;
using webtest::Pump;
using webtest::WaitUntil;
using webtest::WritePage;

namespace {

const char* const kOpenLayers = "/usr/share/javascript/openlayers/OpenLayers.js";

constexpr int kViewWidth = 826;
constexpr int kViewHeight = 643;
constexpr int kCell = 100; // grid cells, in map units = pixels at zoom 0

/// The colour of grid cell (i, j), counted from the map's origin (x right, y up).
uint32_t CellColour(int i, int j) {
  const int r = 30 + 25 * i, g = 30 + 25 * j, b = ((i + j) % 2) ? 200 : 60;
  return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

QString Hex(uint32_t rgb) {
  return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0'));
}

/// An OpenLayers 2 map of kViewWidth x kViewHeight pixels over a vector
/// layer of coloured squares; at zoom 0 one map unit is one pixel, and the
/// start centre puts the map's origin at the view's bottom-left corner.
std::string GridPage() {
  QString cells;
  for (int i = -4; i < 14; ++i)
    for (int j = -4; j < 12; ++j)
      cells += QStringLiteral("cell(%1,%2,'%3');\n").arg(i).arg(j).arg(Hex(CellColour(i, j)));
  const QString html =
      QStringLiteral(
          "<!DOCTYPE html><html><head><title>Grid</title>"
          "<style>html,body{margin:0;padding:0;overflow:hidden;background:#fff}"
          "#map{position:absolute;left:0;top:0;width:%1px;height:%2px}</style>"
          "<script src='file://%3'></script></head><body><div id='map'></div><script>"
          "var map = new OpenLayers.Map('map', {controls: [], units: 'm',"
          " maxExtent: new OpenLayers.Bounds(-10000, -10000, 10000, 10000),"
          " resolutions: [1, 0.5]});"
          "var grid = new OpenLayers.Layer.Vector('grid', {isBaseLayer: true,"
          " renderers: ['SVG', 'Canvas']});"
          "function cell(i, j, colour) {"
          " var x = i * %4, y = j * %4;"
          " var ring = new OpenLayers.Geometry.LinearRing(["
          "  new OpenLayers.Geometry.Point(x, y), new OpenLayers.Geometry.Point(x + %4, y),"
          "  new OpenLayers.Geometry.Point(x + %4, y + %4), new OpenLayers.Geometry.Point(x, y + "
          "%4)]);"
          " grid.addFeatures([new OpenLayers.Feature.Vector(new "
          "OpenLayers.Geometry.Polygon([ring]),"
          "  null, {fillColor: colour, fillOpacity: 1, strokeWidth: 0, stroke: false})]);"
          "}\n%5"
          "map.addLayer(grid);"
          "map.setCenter(new OpenLayers.LonLat(%1 / 2, %2 / 2), 0);"
          "</script></body></html>")
          .arg(kViewWidth)
          .arg(kViewHeight)
          .arg(QString::fromLatin1(kOpenLayers))
          .arg(kCell)
          .arg(cells);
  return WritePage("grid.htm", html);
}

/// The expected colour at view pixel (px, py) when the view's top-left pixel
/// shows map point (left, top).
uint32_t ExpectedAt(int px, int py, double left, double top) {
  const double x = left + px, y = top - py;
  return CellColour(static_cast<int>(std::floor(x / kCell)),
                    static_cast<int>(std::floor(y / kCell)));
}

/// Probes the centres of the grid cells that lie fully in the snapshot;
/// returns the number of probes that differ (by more than 3 per channel).
int GridMismatches(const WebSnapshot& shot, double left, double top) {
  auto close = [](uint32_t a, uint32_t b) {
    for (int s = 0; s < 24; s += 8)
      if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > 3) return false;
    return true;
  };
  int bad = 0, probes = 0;
  for (int py = 10; py < shot.Height - 10; py += 37)
    for (int px = 10; px < shot.Width - 10; px += 41) {
      // Skip probes near a cell border.
      const double x = left + px, y = top - py;
      const double fx = x - kCell * std::floor(x / kCell), fy = y - kCell * std::floor(y / kCell);
      if (fx < 5 || fx > kCell - 5 || fy < 5 || fy > kCell - 5) continue;
      ++probes;
      if (!close(shot.Rgb(px, py), ExpectedAt(px, py, left, top))) ++bad;
    }
  return probes > 100 ? bad : -1;
}

/// A host with counters of its events.
struct CountingHost {
  WebEngineHost host;
  int completes = 0;
  int finished = 0;
  std::vector<WebScriptError> errors;
  CountingHost() {
    host.OnDownloadComplete = [this] { ++completes; };
    host.OnLoadFinished = [this](bool) { ++finished; };
    host.OnScriptError = [this](const WebScriptError& e) { errors.push_back(e); };
  }
  /// Navigates and waits as the page rebuild does: for more than two completions.
  bool Load(const std::string& target, int timeoutMs = 15000) {
    completes = 0;
    host.Navigate(target);
    return WaitUntil([this] { return completes > 2; }, timeoutMs);
  }
};

QWidget* InputWidget(WebEngineHost& host) {
  QWebEngineView* view = HostView(host);
  return view->focusProxy() ? view->focusProxy() : view;
}

/// A press and release of one mouse button at p of the page's input widget.
void Click(WebEngineHost& host, QPoint p, Qt::MouseButton button) {
  QWidget* input = InputWidget(host);
  QMouseEvent press(QEvent::MouseButtonPress, p, input->mapToGlobal(p), button, button,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, p, input->mapToGlobal(p), button, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(input, &press);
  QApplication::sendEvent(input, &release);
}

} // namespace

TEST(WebEngineHost, UrlFromTextTellsUrlsFromPaths) {
  struct Case {
    std::string text, url;
  } cases[] = {
      {"http://example.invalid/a.htm", "http://example.invalid/a.htm"},
      {"file:///tmp/x.htm", "file:///tmp/x.htm"},
      {"about:blank", "about:blank"},
      {"/tmp/map g.htm", "file:///tmp/map%20g.htm"},
      {"/tmp/dir\\sub\\mapg.htm", "file:///tmp/dir/sub/mapg.htm"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WebEngineHost::UrlFromText(c.text), c.url) << c.text;
  const std::string rel = WebEngineHost::UrlFromText("rel.htm");
  EXPECT_EQ(
      rel,
      QUrl::fromLocalFile(QDir::current().absoluteFilePath("rel.htm")).toString().toStdString());
}

TEST(WebEngineHost, NoSnapshotBeforeAnyPage) {
  WebEngineHost host;
  host.SetBounds(0, 0, 200, 100);
  host.SetVisible(true);
  EXPECT_EQ(host.LoadState(), WebLoadState::None);
  EXPECT_FALSE(host.HasDocument());
  EXPECT_FALSE(host.Snapshot().has_value());
}

TEST(WebEngineHost, OpenLayersGridLoadsMovesAndSnapshotsWhileCovered) {
  ASSERT_TRUE(QFileInfo::exists(kOpenLayers)) << "libjs-openlayers is missing";
  QWidget window;
  window.resize(kViewWidth + 40, kViewHeight + 40);
  CountingHost h;
  AttachTo(h.host, &window);
  h.host.SetBounds(0, 0, kViewWidth, kViewHeight);
  QLabel cover(&window); // the viewer lies over the browser
  cover.setGeometry(0, 0, kViewWidth + 40, kViewHeight + 40);
  cover.setStyleSheet("background:#ff00ff");
  cover.raise();
  window.show();

  ASSERT_TRUE(h.Load(GridPage())) << h.host.LastError();
  Pump(100);
  EXPECT_EQ(h.completes, kDownloadCompletesPerLoad);
  EXPECT_EQ(h.finished, 1);
  EXPECT_EQ(h.host.LoadState(), WebLoadState::Succeeded);
  EXPECT_TRUE(h.host.HasDocument());
  EXPECT_TRUE(h.errors.empty()) << h.errors.front().Message;
  EXPECT_EQ(h.host.EvaluateScriptAndWait("map.getCenter().lon + ',' + map.getCenter().lat"),
            "413,321.5");

  // The covered view still gives the page, at exactly its size.
  std::optional<WebSnapshot> shot;
  auto gridShown = [&](double left, double top) {
    return WaitUntil([&] {
      shot = h.host.Snapshot();
      return shot && GridMismatches(*shot, left, top) == 0;
    });
  };
  ASSERT_TRUE(gridShown(0, kViewHeight));
  EXPECT_EQ(shot->Width, kViewWidth);
  EXPECT_EQ(shot->Height, kViewHeight);
  EXPECT_EQ(shot->BytesPerLine, (kViewWidth * 3 + 3) & ~3);
  EXPECT_EQ(shot->Pixels.size(), size_t(shot->BytesPerLine) * kViewHeight);
  // Byte order B, G, R: a probe in cell (0, 0) at the bottom-left.
  const uint32_t c00 = CellColour(0, 0);
  const uint8_t* p = shot->Row(kViewHeight - 50) + 50 * 3;
  EXPECT_NEAR(p[0], c00 & 255, 3);
  EXPECT_NEAR(p[2], c00 >> 16, 3);

  // The position script moves the map: 150 units right and 50 units up.
  h.host.RunScript("map.setCenter(new OpenLayers.LonLat(563, 371.5), 0 );");
  EXPECT_EQ(h.host.EvaluateScriptAndWait("map.getCenter().lon + ',' + map.getCenter().lat"),
            "563,371.5");
  EXPECT_TRUE(gridShown(150, kViewHeight + 50));
  // Zoom 1 halves the resolution: the cells get 200 pixels wide.
  h.host.RunScript("map.setCenter(new OpenLayers.LonLat(413, 321.5), 1 );");
  EXPECT_EQ(h.host.EvaluateScriptAndWait("map.getZoom()"), "1");
  EXPECT_TRUE(WaitUntil([&] {
    shot = h.host.Snapshot();
    // The centre pixel shows map point (413, 321.5): cell (4, 3).
    return shot && shot->Rgb(kViewWidth / 2 - 20, kViewHeight / 2 + 20) == CellColour(4, 3) &&
           shot->Rgb(kViewWidth / 2 - 220, kViewHeight / 2 + 20) == CellColour(3, 3);
  }));
  EXPECT_TRUE(h.errors.empty());
  EXPECT_DOUBLE_EQ(h.host.ZoomFactor(), 1.0);
}

// The rows are packed sixteen pixels at a time with a plain tail: every
// width gives exactly the engine's pixels, with zero padding bytes.
TEST(WebEngineHost, SnapshotRowsAreTheEnginesPixelsAtEveryWidth) {
  CountingHost h;
  h.host.SetBounds(0, 0, 53, 9);
  h.host.SetVisible(true);
  ASSERT_TRUE(h.Load(WritePage(
      "columns.htm", "<html><body style='margin:0;height:100px;background:linear-gradient("
                     "to right, #ff0000, #00ff80 30%, #2040ff 60%, #ffff00)'></body></html>")));
  for (int width : {53, 17, 16, 15, 1}) {
    h.host.SetBounds(0, 0, width, 9);
    ASSERT_TRUE(WaitUntil([&] {
      auto shot = h.host.Snapshot();
      return shot && shot->Width == width;
    }));
    const QImage engine = HostView(h.host)->grab().toImage();
    const std::optional<WebSnapshot> shot = h.host.Snapshot();
    ASSERT_TRUE(shot.has_value());
    ASSERT_EQ(engine.width(), width);
    EXPECT_EQ(shot->BytesPerLine, (width * 3 + 3) / 4 * 4);
    int wrong = 0;
    for (int y = 0; y < shot->Height; ++y) {
      for (int x = 0; x < width; ++x)
        wrong += shot->Rgb(x, y) != (engine.pixel(x, y) & 0xFFFFFFu);
      for (int b = width * 3; b < shot->BytesPerLine; ++b)
        wrong += shot->Row(y)[b] != 0;
    }
    EXPECT_EQ(wrong, 0) << width;
    // Straight into rows of the caller's: only the part asked for.
    std::vector<uint8_t> rows(size_t(width) * 3 * 4, 0xEE);
    ASSERT_TRUE(h.host.SnapshotInto(width, 2, [&](int y) { return rows.data() + y * width * 3; }));
    std::vector<uint8_t> expected(shot->Row(0), shot->Row(0) + width * 3);
    expected.insert(expected.end(), shot->Row(1), shot->Row(1) + width * 3);
    EXPECT_EQ(std::vector<uint8_t>(rows.begin(), rows.begin() + width * 6), expected) << width;
    EXPECT_EQ(rows[size_t(width) * 6], 0xEE);
  }
}

TEST(WebEngineHost, HostLargerThanItsParentGrabsItsFullSize) {
  QWidget window;
  window.resize(900, 700);
  QWidget panel(&window);
  panel.setGeometry(0, 0, kViewWidth - 30, kViewHeight - 30);
  CountingHost h;
  AttachTo(h.host, &panel);
  h.host.SetBounds(0, 0, kViewWidth, kViewHeight);
  window.show();
  const std::string page = WritePage(
      "edges.htm",
      "<html><body style='margin:0;overflow:hidden;background:#102030'>"
      "<div "
      "style='position:absolute;left:806px;top:0;width:20px;height:643px;background:#f00'></div>"
      "<div "
      "style='position:absolute;left:0;top:623px;width:806px;height:20px;background:#00f'></div>"
      "</body></html>");
  ASSERT_TRUE(h.Load(page));
  std::optional<WebSnapshot> shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = h.host.Snapshot();
    return shot && shot->Rgb(816, 300) == 0xff0000 && shot->Rgb(400, 633) == 0x0000ff &&
           shot->Rgb(400, 300) == 0x102030;
  }));
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->Width, kViewWidth);
  EXPECT_EQ(shot->Height, kViewHeight);
  // Run again by the next test at a device pixel ratio of 2: the engine's
  // picture then has twice the pixels and is scaled to the view's size.
  if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
    EXPECT_DOUBLE_EQ(HostView(h.host)->devicePixelRatioF(),
                     qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
  }
}

TEST(WebEngineHost, SnapshotsKeepTheViewSizeAtDevicePixelRatioTwo) {
  if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) GTEST_SKIP() << "already the child run";
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_SCALE_FACTOR", "2");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=WebEngineHost.HostLargerThanItsParentGrabsItsFullSize:"
               "WebEngineHost.OpenLayersGridLoadsMovesAndSnapshotsWhileCovered"});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QByteArray output = child.readAll();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.right(2000).constData();
  EXPECT_TRUE(output.contains("[  PASSED  ] 2 tests.")) << output.right(2000).constData();
}

TEST(WebEngineHost, FailedLoadCountsAndLeavesNoDocument) {
  CountingHost h;
  h.host.SetBounds(0, 0, 300, 200);
  h.host.SetVisible(true);
  ASSERT_TRUE(h.Load((webtest::Dir() + "/missing.htm").toStdString()));
  Pump(100);
  EXPECT_EQ(h.completes, kDownloadCompletesPerLoad);
  EXPECT_EQ(h.host.LoadState(), WebLoadState::Failed);
  EXPECT_FALSE(h.host.HasDocument());
  EXPECT_NE(h.host.LastError().find("FILE_NOT_FOUND"), std::string::npos) << h.host.LastError();
  EXPECT_FALSE(h.host.Snapshot().has_value());
  // The engine's error page is there to grab, but it is not a snapshot.
  EXPECT_TRUE(h.host.GrabView().has_value());

  // A good page afterwards gives snapshots again.
  const std::string good =
      WritePage("good.htm", "<html><body style='margin:0;background:#00ff00'></body></html>");
  ASSERT_TRUE(h.Load(good));
  EXPECT_TRUE(h.host.HasDocument());
  EXPECT_TRUE(WaitUntil([&] {
    auto shot = h.host.Snapshot();
    return shot && shot->Rgb(150, 100) == 0x00ff00;
  }));
}

TEST(WebEngineHost, RewrittenPageIsReadAgainFromDisk) {
  // The map page is written anew before every rebuild and loaded under the
  // same name: nothing of the earlier version may come from a cache.
  CountingHost h;
  h.host.SetBounds(0, 0, 200, 100);
  h.host.SetVisible(true);
  const struct {
    const char* colour;
    uint32_t rgb;
  } versions[] = {{"#00ff00", 0x00ff00}, {"#ff0000", 0xff0000}, {"#0000ff", 0x0000ff}};
  for (const auto& v : versions) {
    const std::string page =
        WritePage("mapg.htm", QStringLiteral("<html><body style='margin:0;background:%1'>"
                                             "<script>var version = '%1';</script></body></html>")
                                  .arg(QLatin1String(v.colour)));
    ASSERT_TRUE(h.Load(page)) << v.colour;
    EXPECT_EQ(h.completes, kDownloadCompletesPerLoad) << v.colour;
    EXPECT_EQ(h.host.EvaluateScriptAndWait("version"), v.colour);
    EXPECT_TRUE(WaitUntil([&] {
      auto shot = h.host.Snapshot();
      return shot && shot->Rgb(100, 50) == v.rgb;
    })) << v.colour;
  }
}

TEST(WebEngineHost, ReplacedNavigationFiresNothing) {
  const std::string slow =
      WritePage("slow.htm", QStringLiteral("<html><head><script src='file://%1'></script></head>"
                                           "<body style='background:#f00'>slow</body></html>")
                                .arg(QString::fromLatin1(kOpenLayers)));
  const std::string fast =
      WritePage("fast.htm", "<html><head><title>Fast</title></head><body>fast</body></html>");
  struct Case {
    const char* name;
    std::string first, second;
  } cases[] = {{"other page", slow, fast}, {"same page", slow, slow}, {"start page", fast, slow}};
  for (const Case& c : cases) {
    CountingHost h;
    h.host.Navigate(c.first);
    h.host.Navigate(c.second);
    ASSERT_TRUE(WaitUntil([&] { return h.completes > 2; })) << c.name;
    Pump(300);
    EXPECT_EQ(h.completes, kDownloadCompletesPerLoad) << c.name;
    EXPECT_EQ(h.finished, 1) << c.name;
    EXPECT_EQ(h.host.Url(), WebEngineHost::UrlFromText(c.second)) << c.name;
    EXPECT_TRUE(h.host.HasDocument()) << c.name;
  }
}

TEST(WebEngineHost, ScriptErrorsAreReportedWithLineAndSource) {
  CountingHost h;
  const std::string page = WritePage("error.htm", "<html><body>\n"
                                                  "<script>\n"
                                                  "var before = 1;\n"
                                                  "undefinedFn();\n"
                                                  "</script></body></html>");
  ASSERT_TRUE(h.Load(page));
  ASSERT_TRUE(WaitUntil([&] { return !h.errors.empty(); }));
  EXPECT_NE(h.errors[0].Message.find("undefinedFn"), std::string::npos) << h.errors[0].Message;
  EXPECT_EQ(h.errors[0].Message.rfind("Uncaught ", 0), 0u);
  EXPECT_EQ(h.errors[0].Line, 4);
  EXPECT_EQ(h.errors[0].Url, WebEngineHost::UrlFromText(page));
  // The page goes on after the error; a later script still runs.
  EXPECT_TRUE(h.host.HasDocument());

  // Results of evaluated scripts, and none for a failing one.
  struct Case {
    const char* script;
    std::optional<std::string> result;
  } cases[] = {
      {"1 + 1", "2"},
      {"'a' + 'b'", "ab"},
      {"1.5 * 2.5", "3.75"},
      {"before === 1", "true"},
      {"({a: 1, b: [2, 'x']})", R"({"a":1,"b":[2,"x"]})"},
      {"undefined", std::nullopt},
      {"throw new Error('boom')", std::nullopt},
      {"foo(", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(h.host.EvaluateScriptAndWait(c.script), c.result) << c.script;
  EXPECT_TRUE(WaitUntil([&] { return h.errors.size() >= 3; }));
  ASSERT_GE(h.errors.size(), 3u);
  EXPECT_NE(h.errors[1].Message.find("boom"), std::string::npos);
  EXPECT_NE(h.errors[2].Message.find("SyntaxError"), std::string::npos);
}

TEST(WebEngineHost, EndedRenderProcessLeavesNoDocument) {
  CountingHost h;
  h.host.SetBounds(0, 0, 200, 100);
  h.host.SetVisible(true);
  bool terminated = false;
  h.host.OnRenderProcessTerminated = [&] { terminated = true; };
  ASSERT_TRUE(
      h.Load(WritePage("victim.htm", "<html><body style='background:#0f0'></body></html>")));
  ASSERT_TRUE(
      WaitUntil([&] { return h.host.Snapshot().has_value() && h.host.RenderProcessId() > 0; }));
  // The render process is one this test started (through the engine).
  ASSERT_EQ(::kill(static_cast<pid_t>(h.host.RenderProcessId()), SIGKILL), 0);
  ASSERT_TRUE(WaitUntil([&] { return terminated; }));
  EXPECT_FALSE(h.host.HasDocument());
  EXPECT_FALSE(h.host.Snapshot().has_value());
  // A new navigation brings a new render process and a document.
  ASSERT_TRUE(h.Load(WritePage("again.htm", "<html><body>again</body></html>")));
  EXPECT_TRUE(h.host.HasDocument());
}

TEST(WebEngineHost, PageDialogsGoToTheHook) {
  CountingHost h;
  ASSERT_TRUE(h.Load(WritePage(
      "dialogs.htm", "<html><head><title>Dialog page</title></head><body></body></html>")));
  std::vector<WebDialogRequest> asked;
  h.host.OnDialog = [&](const WebDialogRequest& r) {
    asked.push_back(r);
    WebDialogAnswer a;
    a.Accepted = r.Kind != WebDialogKind::Alert;
    a.Text = "typed";
    return a;
  };
  const char* script =
      "alert('hello'); window.c = confirm('Sure?'); window.p = prompt('Name?', 'def');"
      " String(window.c) + '/' + window.p";
  EXPECT_EQ(h.host.EvaluateScriptAndWait(script), "true/typed");
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].Kind, WebDialogKind::Alert);
  EXPECT_EQ(asked[0].Message, "hello");
  EXPECT_EQ(asked[0].PageTitle, "Dialog page");
  EXPECT_EQ(asked[1].Kind, WebDialogKind::Confirm);
  EXPECT_EQ(asked[1].Message, "Sure?");
  EXPECT_EQ(asked[2].Kind, WebDialogKind::Prompt);
  EXPECT_EQ(asked[2].DefaultText, "def");

  // Suppressed dialogs never reach the hook and answer no.
  WebEngineOptions options;
  options.SuppressDialogs = true;
  h.host.SetOptions(options);
  asked.clear();
  EXPECT_EQ(h.host.EvaluateScriptAndWait(script), "false/null");
  EXPECT_TRUE(asked.empty());
}

TEST(WebEngineHost, PageDialogsWithoutHookGoThroughTheDialogBoxes) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 300, 200);
  ASSERT_TRUE(h.Load(WritePage(
      "dialog-boxes.htm",
      "<html><head><title>Boxes</title></head><body style='margin:0'>"
      "<input id='f' type='file' multiple style='position:absolute;left:0;top:0;width:200px;"
      "height:60px' onchange='window.chosen=Array.from(this.files).map(function(x){"
      "return x.name;}).join(\",\")'></body></html>")));
  std::vector<TDialogRequest> boxes;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    boxes.push_back(r);
    return IDCANCEL;
  });
  std::vector<TInputRequest> prompts;
  SetInputAnswerer([&](TInputRequest& r) {
    prompts.push_back(r);
    r.Value = "typed";
    return true;
  });
  std::vector<TOpenFilesRequest> choosers;
  const std::string chosen = WritePage("chosen.txt", "x");
  SetOpenFilesAnswerer([&](TOpenFilesRequest& r) {
    choosers.push_back(r);
    r.Files = {chosen};
    return true;
  });
  EXPECT_EQ(h.host.EvaluateScriptAndWait("alert('hello'); window.c = confirm('Sure?');"
                                         " window.p = prompt('Name?', 'def');"
                                         " String(window.c) + '/' + window.p"),
            "false/typed");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "Boxes");
  EXPECT_EQ(boxes[0].Text, "hello");
  EXPECT_EQ(boxes[0].Flags & 0x0F, UINT(MB_OK));
  EXPECT_EQ(boxes[1].Text, "Sure?");
  EXPECT_EQ(boxes[1].Flags & 0x0F, UINT(MB_OKCANCEL));
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].Prompt, "Name?");
  EXPECT_EQ(prompts[0].Value, "def");

  // The file chooser opens on a click into the file field.
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  Click(h.host, QPoint(100, 30), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return choosers.size() == 1; }));
  EXPECT_TRUE(choosers[0].Multiple);
  EXPECT_TRUE(WaitUntil(
      [&] { return h.host.EvaluateScriptAndWait("window.chosen") == std::string("chosen.txt"); }));
  SetDialogAnswerer(nullptr);
  SetInputAnswerer(nullptr);
  SetOpenFilesAnswerer(nullptr);
}

/// A loopback HTTP server that answers each path with the body and content
/// type given for it through Url.
class FileServer {
public:
  FileServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      QTcpSocket* s = server_.nextPendingConnection();
      QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
        const QByteArray head = s->readAll();
        if (!head.contains("\r\n\r\n")) return;
        const QByteArray path = head.split(' ').value(1);
        const auto& [type, body] = files_[path];
        s->write("HTTP/1.1 200 OK\r\nContent-Type: " + type +
                 "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\n\r\n" + body);
        s->disconnectFromHost();
      });
    });
  }
  std::string Url(const char* path, const QByteArray& type, const QByteArray& body) {
    files_[path] = {type, body};
    return "http://127.0.0.1:" + QString::number(server_.serverPort()).toStdString() + path;
  }

private:
  QTcpServer server_;
  std::map<QByteArray, std::pair<QByteArray, QByteArray>> files_;
};

TEST(WebEngineHost, ContentTypeTellsHtmlDocumentsFromImagesAndFolders) {
  CountingHost h;
  h.host.SetBounds(0, 0, 200, 100);
  h.host.SetVisible(true);
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString png = webtest::Dir() + "/picture.png";
  ASSERT_TRUE(image.save(png));
  QByteArray pngBytes;
  {
    QFile f(png);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    pngBytes = f.readAll();
  }
  QDir(webtest::Dir()).mkpath("folder");
  FileServer server;
  struct Case {
    std::string target, type;
    bool html;
  } cases[] = {
      {WritePage("typed.htm", "<html><body>page</body></html>"), "text/html", true},
      {png.toStdString(), "image/png", false},
      {(webtest::Dir() + "/folder").toStdString(), "inode/directory", false},
      {WritePage("notes.txt", "plain words"), "text/plain", false},
      // Not a local file: the document's own answer decides.
      {server.Url("/picture", "image/png", pngBytes), "image/png", false},
      {server.Url("/page", "text/html", "<html><body>served</body></html>"), "text/html", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(h.Load(c.target)) << c.target;
    EXPECT_TRUE(h.host.HasDocument()) << c.target;
    EXPECT_TRUE(WaitUntil([&] { return h.host.DocumentContentType() == c.type; }))
        << c.target << " " << h.host.DocumentContentType();
    EXPECT_EQ(h.host.HasHtmlDocument(), c.html) << c.target;
  }
}

TEST(WebEngineHost, PageWindowMovesAndResizesReachTheHost) {
  CountingHost h;
  std::vector<std::string> requests;
  std::vector<std::string> console;
  h.host.OnWindowRequest = [&](WebWindowRequest kind, int a, int b) {
    static const char* const names[] = {"moveTo", "moveBy", "resizeTo", "resizeBy"};
    requests.push_back(std::string(names[int(kind)]) + " " + QString::number(a).toStdString() +
                       " " + QString::number(b).toStdString());
  };
  h.host.OnConsoleMessage = [&](int, const std::string& text, int, const std::string&) {
    console.push_back(text);
  };
  // The page's own scripts call them while it loads and later.
  ASSERT_TRUE(h.Load(WritePage("window-moves.htm", "<html><body><script>window.moveTo(10, 20);"
                                                   "console.log('page');</script></body></html>")));
  h.host.RunScript("window.moveBy(-3, 4); window.resizeTo(640.7, '480'); window.resizeBy();"
                   "console.log('script');");
  ASSERT_TRUE(WaitUntil([&] { return console.size() == 2; }));
  EXPECT_EQ(requests, (std::vector<std::string>{"moveTo 10 20", "moveBy -3 4", "resizeTo 640 480",
                                                "resizeBy 0 0"}));
  // The bridge's messages go nowhere else.
  EXPECT_EQ(console, (std::vector<std::string>{"page", "script"}));
}

// Anything a page writes to its console may look like the bridge's messages:
// malformed ones are taken and dropped, nothing else is taken.
TEST(WebEngineHost, WindowBridgeMessagesSurviveAnyText) {
  WebEngineHost host;
  int requests = 0;
  host.OnWindowRequest = [&](WebWindowRequest kind, int, int) {
    EXPECT_TRUE(kind >= WebWindowRequest::MoveTo && kind <= WebWindowRequest::ResizeBy);
    ++requests;
  };
  const QString valid = QString::fromLatin1("\x01sk-window moveTo 10 20");
  EXPECT_TRUE(TakeWindowBridgeMessage(valid, host));
  EXPECT_EQ(requests, 1);
  struct Case {
    const char* text;
    bool taken;
  } cases[] = {
      {"\x01sk-window moveTo 1", true},
      {"\x01sk-window jump 1 2", true},
      {"\x01sk-window resizeBy x y", true},
      {"\x01sk-window", true},
      {"sk-window moveTo 1 2", false},
      {"", false},
      {"\x01sk-window moveTo 99999999999 -3", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TakeWindowBridgeMessage(QString::fromLatin1(c.text), host), c.taken) << c.text;
  // Random mutations of a valid message.
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int i = 0; i < 20000; ++i) {
    QString text = valid;
    for (int m = next() % 4; m >= 0; --m) {
      const int at = int(next() % uint32_t(text.size() + 1));
      switch (next() % 3) {
      case 0:
        text.insert(at, QChar(ushort(next() % 0x3000)));
        break;
      case 1:
        if (!text.isEmpty()) text.remove(std::min(at, int(text.size()) - 1), 1);
        break;
      default:
        text.insert(at, QLatin1Char(' '));
        break;
      }
    }
    TakeWindowBridgeMessage(text, host);
  }
  EXPECT_GE(requests, 1);
}

TEST(WebEngineHost, OptionsReachThePage) {
  CountingHost h;
  WebEngineOptions options;
  options.DefaultFontSize = 20;
  options.UserStyleSheet = "body { user-select: none; border-left: 7px solid red; }";
  h.host.SetOptions(options);
  const std::string page = WritePage(
      "options.htm",
      "<html><body><p id='t'>text</p><script>document.title='ran';</script></body></html>");
  ASSERT_TRUE(h.Load(page));
  EXPECT_EQ(h.host.EvaluateScriptAndWait("getComputedStyle(document.getElementById('t')).fontSize"),
            "20px");
  EXPECT_TRUE(WaitUntil([&] {
    return h.host.EvaluateScriptAndWait("getComputedStyle(document.body).borderLeftWidth") == "7px";
  }));
  EXPECT_EQ(h.host.EvaluateScriptAndWait("getComputedStyle(document.body).userSelect"), "none");
  EXPECT_EQ(h.host.Title(), "ran");

  // Scripts off: the page's own script does not run.
  options = WebEngineOptions();
  options.JavascriptEnabled = false;
  h.host.SetOptions(options);
  ASSERT_TRUE(h.Load(page));
  EXPECT_NE(h.host.Title(), "ran");
  EXPECT_DOUBLE_EQ(h.host.ZoomFactor(), 1.0);
}

TEST(WebEngineHost, KeysAndRefreshGoThroughTheHooks) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 300, 200);
  ASSERT_TRUE(h.Load(WritePage("keys.htm", "<html><body>keys</body></html>")));
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  std::vector<int> keys;
  h.host.OnKeyDown = [&](int key, bool ctrl, bool, bool) {
    keys.push_back(key);
    return ctrl && key == 'N';
  };
  bool cancel = true;
  int refreshes = 0;
  h.host.OnRefresh = [&] {
    ++refreshes;
    return cancel;
  };
  QKeyEvent ctrlN(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier, "\x0e");
  QApplication::sendEvent(InputWidget(h.host), &ctrlN);
  EXPECT_EQ(keys, std::vector<int>{'N'});

  // A Ctrl key is offered to the focus widget as a shortcut override before
  // the application's shortcuts see it: a key the hook swallows must not fire
  // a shortcut; a key it lets through still does.
  int shortcutN = 0, shortcutP = 0;
  QShortcut scN(QKeySequence(QStringLiteral("Ctrl+N")), &window);
  QShortcut scP(QKeySequence(QStringLiteral("Ctrl+P")), &window);
  for (QShortcut* sc : {&scN, &scP})
    sc->setContext(Qt::ApplicationShortcut);
  QObject::connect(&scN, &QShortcut::activated, [&] { ++shortcutN; });
  QObject::connect(&scP, &QShortcut::activated, [&] { ++shortcutP; });
  // Shortcuts need an active window (under X11 without a window manager
  // nothing activates it).
  QApplication::setActiveWindow(&window);
  const struct {
    const char* name;
    Qt::Key key;
    int shortcutsN, shortcutsP;
  } overrides[] = {{"swallowed", Qt::Key_N, 0, 0},
                   {"passed on", Qt::Key_P, 0, 1},
                   {"no shortcut", Qt::Key_Q, 0, 1}};
  for (const auto& o : overrides) {
    keys.clear();
    QKeyEvent press(QEvent::KeyPress, o.key, Qt::ControlModifier);
    QApplication::sendEvent(InputWidget(h.host), &press);
    EXPECT_EQ(keys, std::vector<int>{int(o.key)}) << o.name; // asked once
    EXPECT_EQ(shortcutN, o.shortcutsN) << o.name;
    EXPECT_EQ(shortcutP, o.shortcutsP) << o.name;
  }
  keys.clear();

  h.host.RunScript("window.marker = 1;");
  QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  QApplication::sendEvent(InputWidget(h.host), &f5);
  EXPECT_EQ(refreshes, 1);
  h.host.Reload();
  EXPECT_EQ(refreshes, 2);
  Pump(200);
  EXPECT_EQ(h.host.EvaluateScriptAndWait("window.marker"), "1"); // both reloads cancelled
  cancel = false;
  h.completes = 0;
  QApplication::sendEvent(InputWidget(h.host), &f5);
  EXPECT_EQ(refreshes, 3);
  ASSERT_TRUE(WaitUntil([&] { return h.completes > 2; }));
  EXPECT_EQ(h.host.EvaluateScriptAndWait("typeof window.marker"), "undefined");
}

TEST(WebEngineHost, RightClicksAskTheContextMenuHook) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 400, 300);
  ASSERT_TRUE(h.Load(WritePage(
      "menu.htm",
      "<html><body style='margin:0'><img id='i' width='100' height='100' style='position:absolute;"
      "left:0;top:0' src=\"data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg' width='100' "
      "height='100'><rect width='100' height='100' fill='red'/></svg>\">"
      "<a href='other.htm' style='position:absolute;left:200px;top:0'>link</a>"
      "<div contenteditable='true' style='position:absolute;left:0;top:150px;width:100px;"
      "height:50px;background:#00f'>edit</div>"
      "<p id='sel' style='position:absolute;left:200px;top:150px;margin:0;font-size:40px'>"
      "words</p></body></html>")));
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  ASSERT_TRUE(WaitUntil([&] {
    auto shot = h.host.Snapshot();
    return shot && shot->Rgb(50, 50) == 0xff0000;
  }));
  std::vector<WebContextMenuRequest> asked;
  bool show = false;
  h.host.OnContextMenu = [&](WebContextMenuRequest& r) {
    asked.push_back(r);
    r.ItemIds.erase(std::remove(r.ItemIds.begin(), r.ItemIds.end(), int(wmiReload)),
                    r.ItemIds.end());
    return show;
  };
  auto rightClick = [&](QPoint p) { Click(h.host, p, Qt::RightButton); };
  rightClick({50, 50});
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 1; }));
  EXPECT_EQ(asked[0].ContextId, 1);
  EXPECT_TRUE(h.host.LastShownMenuItems().empty()); // suppressed
  show = true;
  rightClick({300, 200});
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 2; }));
  EXPECT_EQ(asked[1].ContextId, 0);
  const std::vector<int>& offered = asked[1].ItemIds;
  EXPECT_NE(std::find(offered.begin(), offered.end(), int(wmiReload)), offered.end());
  const std::vector<int> shown = h.host.LastShownMenuItems();
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(std::find(shown.begin(), shown.end(), int(wmiReload)), shown.end());
  rightClick({205, 5});
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 3; }));
  EXPECT_EQ(asked[2].ContextId, 5);
  show = false;
  rightClick({50, 175});
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 4; }));
  EXPECT_EQ(asked[3].ContextId, 2); // editable content
  h.host.RunScript("window.getSelection().selectAllChildren(document.getElementById('sel'));");
  ASSERT_TRUE(WaitUntil(
      [&] { return h.host.EvaluateScriptAndWait("window.getSelection().toString()") == "words"; }));
  rightClick({220, 170});
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 5; }));
  EXPECT_EQ(asked[4].ContextId, 4); // selected text
}

TEST(WebEngineHost, DragAndDropGoesToTheHostOnlyWhenItHandlesDrops) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 300, 200);
  ASSERT_TRUE(h.Load(WritePage("drop.htm", "<html><body>drop here</body></html>")));
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  std::vector<std::string> seen;
  bool accept = true;
  h.host.OnDrag = [&](WebDragEvent kind, int x, int y, const std::string& text) {
    const char* names[] = {"enter", "over", "leave", "drop"};
    seen.push_back(QStringLiteral("%1 %2,%3 %4")
                       .arg(QLatin1String(names[int(kind)]))
                       .arg(x)
                       .arg(y)
                       .arg(QString::fromStdString(text))
                       .toStdString());
    return accept;
  };
  QMimeData mime;
  mime.setText("dropped");
  // Sends enter, move, drop (or leave) to the page's input widget; returns
  // the action each of enter, move and drop ends with (none: ignored, or
  // refused). A refused event must not travel on to the page.
  auto drag = [&](bool leave) {
    QWidget* input = InputWidget(h.host);
    std::vector<Qt::DropAction> accepted;
    QDragEnterEvent enter(QPoint(10, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(input, &enter);
    accepted.push_back(enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction);
    QDragMoveEvent move(QPoint(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(input, &move);
    accepted.push_back(move.isAccepted() ? move.dropAction() : Qt::IgnoreAction);
    if (leave) {
      QDragLeaveEvent left;
      QApplication::sendEvent(input, &left);
    } else {
      QDropEvent drop(QPointF(50, 60), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(input, &drop);
      accepted.push_back(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction);
    }
    return accepted;
  };
  const struct {
    const char* name;
    WebDropHandling handling;
    bool accept, leave;
    std::vector<std::string> events;
    std::vector<Qt::DropAction> accepted;
  } cases[] = {
      {"host takes the drop",
       WebDropHandling::Host,
       true,
       false,
       {"enter 10,20 dropped", "over 30,40 dropped", "drop 50,60 dropped"},
       {Qt::CopyAction, Qt::CopyAction, Qt::CopyAction}},
      {"host refuses",
       WebDropHandling::Host,
       false,
       false,
       {"enter 10,20 dropped", "over 30,40 dropped", "drop 50,60 dropped"},
       {Qt::IgnoreAction, Qt::IgnoreAction, Qt::IgnoreAction}},
      {"drag leaves",
       WebDropHandling::Host,
       true,
       true,
       {"enter 10,20 dropped", "over 30,40 dropped", "leave 0,0 "},
       {Qt::CopyAction, Qt::CopyAction}},
      {"no drops",
       WebDropHandling::None,
       true,
       false,
       {},
       {Qt::IgnoreAction, Qt::IgnoreAction, Qt::IgnoreAction}},
  };
  for (const auto& c : cases) {
    WebEngineOptions options;
    options.DropHandling = c.handling;
    h.host.SetOptions(options);
    accept = c.accept;
    seen.clear();
    EXPECT_EQ(drag(c.leave), c.accepted) << c.name;
    EXPECT_EQ(seen, c.events) << c.name;
  }
  EXPECT_FALSE(HostView(h.host)->acceptDrops());
  WebEngineOptions options;
  options.DropHandling = WebDropHandling::Engine;
  h.host.SetOptions(options);
  EXPECT_TRUE(HostView(h.host)->acceptDrops());
  EXPECT_TRUE(h.host.HasDocument()); // no drop reached the page
}

TEST(WebEngineHost, MenuItemIdsTriggerTheirActions) {
  CountingHost h;
  const std::string first = WritePage("first.htm", "<html><body><p>first page</p></body></html>");
  const std::string second =
      WritePage("second.htm", "<html><body><p>second page</p></body></html>");
  ASSERT_TRUE(h.Load(first));
  ASSERT_TRUE(h.Load(second));
  // Back and forward through the two pages.
  const struct {
    int id;
    std::string url;
  } moves[] = {{wmiBack, first}, {wmiForward, second}};
  for (const auto& m : moves) {
    h.completes = 0;
    EXPECT_TRUE(h.host.TriggerMenuItem(m.id)) << m.id;
    EXPECT_TRUE(WaitUntil([&] { return h.completes > 2; })) << m.id;
    EXPECT_EQ(h.host.Url(), WebEngineHost::UrlFromText(m.url)) << m.id;
  }
  // Reload goes through the refresh hook; ids without an action say so.
  int refreshes = 0;
  h.host.OnRefresh = [&] {
    ++refreshes;
    return true;
  };
  EXPECT_TRUE(h.host.TriggerMenuItem(wmiReload));
  EXPECT_EQ(refreshes, 1);
  for (int id : {0, 27, 2301, 6041})
    EXPECT_FALSE(h.host.TriggerMenuItem(id)) << id;
}

TEST(WebEngineHost, FocusActivationAndSelectionAreReported) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 300, 200);
  ASSERT_TRUE(h.Load(WritePage("focus.htm", "<html><body><p id='p'>some text</p></body></html>")));
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  std::vector<bool> focus, activation;
  int selections = 0;
  h.host.OnFocusChanged = [&](bool in) { focus.push_back(in); };
  h.host.OnWindowActivationChanged = [&](bool active) { activation.push_back(active); };
  h.host.OnSelectionChanged = [&] { ++selections; };
  QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason),
      out(QEvent::FocusOut, Qt::OtherFocusReason);
  QApplication::sendEvent(InputWidget(h.host), &in);
  QApplication::sendEvent(InputWidget(h.host), &out);
  EXPECT_EQ(focus, (std::vector<bool>{true, false}));
  QEvent change(QEvent::ActivationChange);
  QApplication::sendEvent(HostWidget(h.host), &change);
  EXPECT_EQ(activation.size(), 1u);
  h.host.RunScript("window.getSelection().selectAllChildren(document.getElementById('p'));");
  EXPECT_TRUE(WaitUntil([&] { return selections > 0; }));
}

TEST(WebEngineHost, NewWindowsAreRefusedUnlessTheHookAllows) {
  QWidget window;
  CountingHost h;
  webtest::ShowIn(window, h.host, 400, 300);
  ASSERT_TRUE(h.Load(WritePage(
      "popup.htm", "<html><body style='margin:0'><a href='target.htm' target='_blank' "
                   "style='display:block;width:200px;height:100px;background:#0f0'>new</a>"
                   "</body></html>")));
  ASSERT_TRUE(WaitUntil([&] { return HostView(h.host)->focusProxy() != nullptr; }));
  ASSERT_TRUE(WaitUntil([&] {
    auto shot = h.host.Snapshot();
    return shot && shot->Rgb(50, 50) == 0x00ff00;
  }));
  std::vector<std::string> asked;
  h.host.OnNewWindow = [&](const std::string& url, bool userInitiated) {
    asked.push_back(url + (userInitiated ? " by the user" : ""));
    return false;
  };
  QWidget* input = InputWidget(h.host);
  const QPoint p(50, 50);
  QMouseEvent press(QEvent::MouseButtonPress, p, input->mapToGlobal(p), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, p, input->mapToGlobal(p), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(input, &press);
  QApplication::sendEvent(input, &release);
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 1; }));
  EXPECT_EQ(asked[0], WebEngineHost::UrlFromText((webtest::Dir() + "/target.htm").toStdString()) +
                          " by the user");
  // The page itself stays where it was.
  Pump(100);
  EXPECT_NE(h.host.Url().find("popup.htm"), std::string::npos);
}

TEST(WebEngineHost, UserAgentTokenIsThisProcesssOwn) {
  const std::string engine = DefaultWebUserAgent();
  ASSERT_FALSE(engine.empty());
  SetWebUserAgentToken("SkorvaplinthTest/1.0");
  CountingHost h;
  ASSERT_TRUE(h.Load(WritePage("ua.htm", "<html><body></body></html>")));
  EXPECT_EQ(h.host.EvaluateScriptAndWait("navigator.userAgent"), engine + " SkorvaplinthTest/1.0");
  SetWebUserAgentToken("");
  EXPECT_EQ(WebUserAgent(), engine);
}

/// An HTTP proxy on the loopback that answers every page with a title; with
/// a login it first asks for proxy authentication.
class TinyProxy {
public:
  explicit TinyProxy(QByteArray credentials = {}) : credentials_(std::move(credentials)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      QTcpSocket* s = server_.nextPendingConnection();
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
        *buffer += s->readAll();
        const int end = buffer->indexOf("\r\n\r\n");
        if (end < 0) return;
        const QByteArray head = buffer->left(end);
        buffer->remove(0, end + 4);
        requests.push_back(head);
        if (!credentials_.isEmpty() &&
            !head.contains("Proxy-Authorization: Basic " + credentials_.toBase64())) {
          s->write("HTTP/1.1 407 Proxy Authentication Required\r\n"
                   "Proxy-Authenticate: Basic realm=\"maps\"\r\nContent-Length: 0\r\n\r\n");
          return;
        }
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                 "Content-Length: 51\r\n\r\n<html><head><title>Via proxy</title></head></html>\n");
        s->disconnectFromHost();
      });
    });
  }
  quint16 Port() const { return server_.serverPort(); }
  std::vector<QByteArray> requests;

private:
  QByteArray credentials_;
  QTcpServer server_;
};

TEST(WebEngineHost, ProxyOfThisProcessCarriesThePagesRequests) {
  struct Case {
    const char* name;
    std::string user, password;
  } cases[] = {{"open proxy", "", ""}, {"proxy with a login", "user", "secret"}};
  for (const Case& c : cases) {
    TinyProxy proxy(c.user.empty() ? QByteArray()
                                   : QByteArray::fromStdString(c.user + ":" + c.password));
    // A host that already shows a page when the proxy is set.
    CountingHost h;
    ASSERT_TRUE(h.Load(WritePage("before-proxy.htm", "<html><body></body></html>"))) << c.name;
    SetWebProxy({"127.0.0.1", proxy.Port(), c.user, c.password});
    const bool loaded = h.Load("http://map.example.invalid/page.htm");
    SetWebProxy({});
    ASSERT_TRUE(loaded) << c.name;
    ASSERT_FALSE(proxy.requests.empty()) << c.name;
    EXPECT_TRUE(
        proxy.requests.front().startsWith("GET http://map.example.invalid/page.htm HTTP/1.1"))
        << c.name << " " << proxy.requests.front().left(80).constData();
    if (!c.user.empty()) {
      ASSERT_GE(proxy.requests.size(), 2u) << c.name;
      EXPECT_TRUE(proxy.requests[1].contains("Proxy-Authorization: Basic dXNlcjpzZWNyZXQ="))
          << c.name;
    }
    EXPECT_EQ(h.host.Title(), "Via proxy") << c.name;
    EXPECT_TRUE(h.host.HasDocument()) << c.name;
    EXPECT_EQ(CurrentWebProxy().Address, "");
  }
}

TEST(WebEngineHost, DownloadsAreCancelledUnlessTheHookTakesThem) {
  QFile data(webtest::Dir() + "/data.bin");
  ASSERT_TRUE(data.open(QIODevice::WriteOnly));
  data.write(QByteArray(100, '\x01'));
  data.close();
  CountingHost h;
  ASSERT_TRUE(h.Load(WritePage("dl.htm", "<html><body>dl</body></html>")));
  std::vector<std::string> asked;
  std::string target;
  h.host.OnDownload = [&](const std::string& url, const std::string& name) {
    asked.push_back(url + " " + name);
    return target;
  };
  h.host.RunScript("location.href = 'data.bin';");
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 1; }));
  EXPECT_NE(asked[0].find("data.bin data.bin"), std::string::npos) << asked[0];
  target = (webtest::Dir() + "/saved/copy.bin").toStdString();
  h.host.RunScript("location.href = 'data.bin';");
  ASSERT_TRUE(WaitUntil([&] { return asked.size() == 2; }));
  EXPECT_TRUE(WaitUntil([&] { return QFileInfo(QString::fromStdString(target)).size() == 100; }));
}

TEST(WebEngineHost, ProcessDefaultFontSizeReachesPagesWithoutTheirOwn) {
  const std::string page = WritePage("font.htm", "<html><body><p id='t'>text</p></body></html>");
  const char* size = "getComputedStyle(document.getElementById('t')).fontSize";
  CountingHost h;
  ASSERT_TRUE(h.Load(page));
  EXPECT_EQ(h.host.EvaluateScriptAndWait(size), "16px");
  SetWebDefaultFontSize(20);
  EXPECT_EQ(WebDefaultFontSize(), 20);
  ASSERT_TRUE(h.Load(page));
  EXPECT_EQ(h.host.EvaluateScriptAndWait(size), "20px");
  EXPECT_DOUBLE_EQ(h.host.ZoomFactor(), 1.0);
  SetWebDefaultFontSize(0);
  EXPECT_EQ(WebDefaultFontSize(), 16);
  ASSERT_TRUE(h.Load(page));
  EXPECT_EQ(h.host.EvaluateScriptAndWait(size), "16px");
}

TEST(WebEngineHost, NothingIsWrittenIntoHome) {
  // Loads a page of its own first, so that the check means something in any
  // test order; in file order it also sees what the other tests left.
  {
    CountingHost h;
    ASSERT_TRUE(
        h.Load(WritePage("home.htm", "<html><body><script>document.cookie = 'a=1; max-age=3600';"
                                     "localStorage.setItem('k', 'v');</script></body></html>")));
    EXPECT_EQ(h.host.EvaluateScriptAndWait("localStorage.getItem('k')"), "v");
  }
  QStringList written;
  QDirIterator it(webtest::Home(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (path.contains("QtWebEngine", Qt::CaseInsensitive) || path.contains("Cookies") ||
        path.contains("Cache_Data"))
      written << path;
  }
  EXPECT_TRUE(written.isEmpty()) << written.join(", ").toStdString();
}
