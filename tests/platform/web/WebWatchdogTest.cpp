// The watchdog with the real engine: pages whose script never returns,
// during and after their load. The watchdog runs on the runtime's timers and
// clock, so a manual clock decides when time passes; the engine itself is
// waited for in the event loop with generous bounds.
#include "platform/forms/Timers.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"
#include "tests/platform/web/WebTestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QWidget>

#include <cstdlib>
#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace web;
using webtest::Pump;
using webtest::WaitUntil;
using webtest::WritePage;

namespace {

constexpr unsigned kStepMs = 250;

std::string ColourPage(const QString& name, const QString& colour) {
  return WritePage(name, QStringLiteral("<!DOCTYPE html><html><head><title>%1</title></head>"
                                        "<body style='margin:0;background:%2'></body></html>")
                             .arg(name, colour));
}

/// A host with counters, created under the test's manual clock.
struct WatchedHost {
  WebEngineHost host;
  int completes = 0;
  int succeeded = 0;
  int failed = 0;
  WatchedHost() {
    host.SetBounds(0, 0, 240, 160);
    host.SetVisible(true);
    host.OnDownloadComplete = [this] { ++completes; };
    host.OnLoadFinished = [this](bool ok) { ++(ok ? succeeded : failed); };
  }
  int Finished() const { return succeeded + failed; }
};

/// Moves the clock on in watchdog periods, letting every answer of a live
/// page in before the next step (a healthy page is never taken for hung).
bool AdvanceAnswered(TManualTimerClock& clock, WebEngineHost& host,
                     const std::function<bool()>& until, int maxSteps = 200) {
  for (int i = 0; i < maxSteps && !until(); ++i) {
    clock.Advance(kStepMs);
    WaitUntil([&] { return !host.ScriptAnswerPending() || until(); }, 10000);
  }
  return until();
}

/// Moves the clock on in watchdog periods with short breaks for the engine,
/// for a page that is known to hang.
bool AdvanceUntil(TManualTimerClock& clock, const std::function<bool()>& until,
                  int maxSteps = 400) {
  for (int i = 0; i < maxSteps && !until(); ++i) {
    clock.Advance(kStepMs);
    Pump(10);
  }
  return until();
}

uint32_t Centre(const WebSnapshot& shot) {
  return shot.Rgb(shot.Width / 2, shot.Height / 2);
}

} // namespace

TEST(WebWatchdog, HealthyPageIsNeverTakenForHung) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  w.host.Navigate(ColourPage("healthy.htm", "#2040c0"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  // A minute of the clock with a live page.
  AdvanceAnswered(
      clock, w.host, [] { return false; }, 240);
  EXPECT_EQ(w.host.WatchdogRecoveries(), 0);
  EXPECT_TRUE(w.host.HasDocument());
  ASSERT_TRUE(w.host.Snapshot().has_value());
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0x2040c0u);
}

TEST(WebWatchdog, PageHungDuringItsLoadIsEndedTriedAgainThenFailed) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  const std::string hung = WritePage(
      "hung-load.htm", "<!DOCTYPE html><html><body>x<script>while(true){}</script></body></html>");
  w.host.Navigate(hung);
  ASSERT_TRUE(WaitUntil([&] { return w.host.LoadState() == WebLoadState::Loading; }));
  const int64_t firstProcess = w.host.RenderProcessId();

  // The first hang: the render process is ended and the page loaded again;
  // the ended load is not reported.
  ASSERT_TRUE(AdvanceUntil(clock, [&] { return w.host.WatchdogRecoveries() == 1; }));
  EXPECT_FALSE(w.host.Snapshot().has_value());
  ASSERT_TRUE(WaitUntil(
      [&] { return w.host.RenderProcessId() != 0 && w.host.RenderProcessId() != firstProcess; }));
  EXPECT_EQ(w.Finished(), 0);
  EXPECT_EQ(w.completes, 0);

  // The second hang ends it for good: one failed load, three completions.
  ASSERT_TRUE(AdvanceUntil(clock, [&] { return w.Finished() > 0; }));
  EXPECT_EQ(w.host.WatchdogRecoveries(), 2);
  EXPECT_EQ(w.failed, 1);
  EXPECT_EQ(w.completes, kDownloadCompletesPerLoad);
  EXPECT_EQ(w.host.LoadState(), WebLoadState::Failed);
  EXPECT_EQ(w.host.LastError(), kPageDidNotRespond);
  EXPECT_FALSE(w.host.HasDocument());
  EXPECT_FALSE(w.host.Snapshot().has_value());

  // The next navigation completes at once and gives a picture of its page
  // as soon as it has shown a frame.
  w.completes = 0;
  w.host.Navigate(ColourPage("after-hung-load.htm", "#30a050"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }, 15000));
  EXPECT_EQ(w.succeeded, 1);
  ASSERT_TRUE(AdvanceAnswered(clock, w.host, [&] { return w.host.Snapshot().has_value(); }));
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0x30a050u);
  EXPECT_EQ(w.host.WatchdogRecoveries(), 2);
}

TEST(WebWatchdog, ScriptCallWithoutAnswerEndsTheRenderProcessAndReloads) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  w.host.Navigate(ColourPage("hang-later.htm", "#c03020"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  // (Frames follow the end of a load closely but not at once.)
  ASSERT_TRUE(WaitUntil([&] {
    auto shot = w.host.Snapshot();
    return shot && Centre(*shot) == 0xc03020u;
  }));

  w.host.RunScript("while(true){}");
  ASSERT_TRUE(AdvanceUntil(clock, [&] { return w.host.WatchdogRecoveries() == 1; }));
  // Until the page loaded again has shown a frame, no picture of the hung one.
  EXPECT_FALSE(w.host.HasDocument());
  EXPECT_FALSE(w.host.Snapshot().has_value());
  ASSERT_TRUE(WaitUntil([&] { return w.succeeded == 2; }, 15000));
  ASSERT_TRUE(AdvanceAnswered(clock, w.host, [&] { return w.host.Snapshot().has_value(); }));
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0xc03020u);
  EXPECT_EQ(w.host.LoadState(), WebLoadState::Succeeded);

  // Then a navigation that must complete.
  w.completes = 0;
  w.host.Navigate(ColourPage("after-hang.htm", "#8020a0"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }, 15000));
  ASSERT_TRUE(AdvanceAnswered(clock, w.host, [&] {
    auto shot = w.host.Snapshot();
    return shot && Centre(*shot) == 0x8020a0u;
  }));
  EXPECT_EQ(w.host.WatchdogRecoveries(), 1);
  EXPECT_EQ(w.failed, 0);
}

TEST(WebWatchdog, NavigationWhilePageHangsCompletesAfterTheWatchdogActs) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  w.host.Navigate(ColourPage("stuck.htm", "#405060"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  w.host.RunScript("while(true){}");
  // The host navigates on while the page hangs: the new load cannot start
  // in the hung render process until the watchdog ends it.
  w.completes = 0;
  w.host.Navigate(ColourPage("rescued.htm", "#a0a020"));
  ASSERT_TRUE(AdvanceUntil(clock, [&] { return w.host.WatchdogRecoveries() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }, 15000));
  EXPECT_EQ(w.host.WatchdogRecoveries(), 1);
  EXPECT_EQ(w.host.LoadState(), WebLoadState::Succeeded);
  EXPECT_EQ(w.failed, 0);
  ASSERT_TRUE(AdvanceAnswered(clock, w.host, [&] { return w.host.Snapshot().has_value(); }));
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0xa0a020u);
}

TEST(WebWatchdog, PageThatHangsAfterEveryLoadIsGivenUpAfterTheSecond) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  const std::string hangs = WritePage(
      "hangs-after-load.htm",
      "<!DOCTYPE html><html><body onload='setTimeout(function(){while(true){}}, 0)'>x</body>"
      "</html>");
  w.host.Navigate(hangs);
  ASSERT_TRUE(WaitUntil([&] { return w.succeeded == 1; }));
  // Ended and loaded again, then ended for good.
  ASSERT_TRUE(AdvanceUntil(clock, [&] { return w.host.WatchdogRecoveries() == 2; }));
  ASSERT_TRUE(WaitUntil([&] { return w.host.LoadState() == WebLoadState::Failed; }));
  EXPECT_EQ(w.host.LastError(), kPageDidNotRespond);
  EXPECT_FALSE(w.host.HasDocument());
  EXPECT_FALSE(w.host.Snapshot().has_value());
  // Nothing more happens to it.
  AdvanceUntil(
      clock, [] { return false; }, 60);
  EXPECT_EQ(w.host.WatchdogRecoveries(), 2);

  w.completes = 0;
  w.host.Navigate(ColourPage("after-given-up.htm", "#208080"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }, 15000));
  ASSERT_TRUE(AdvanceAnswered(clock, w.host, [&] {
    auto shot = w.host.Snapshot();
    return shot && Centre(*shot) == 0x208080u;
  }));
}

TEST(WebWatchdog, TimeInAPageDialogDoesNotCount) {
  TManualTimerClock clock(1000);
  WatchedHost w;
  int dialogs = 0;
  w.host.OnDialog = [&](const WebDialogRequest&) {
    ++dialogs;
    // The user reads the alert for half a minute; the page waits meanwhile.
    clock.Advance(30000);
    return WebDialogAnswer{true, {}, {}};
  };
  w.host.Navigate(ColourPage("alerting.htm", "#102030"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  w.host.RunScript("alert('read me')");
  ASSERT_TRUE(WaitUntil([&] { return dialogs == 1; }));
  AdvanceAnswered(
      clock, w.host, [] { return false; }, 40);
  EXPECT_EQ(w.host.WatchdogRecoveries(), 0);
  EXPECT_TRUE(w.host.HasDocument());
}

// The engine draws no hidden view: a snapshot then would be a stale frame
// (offscreen) or the background (X11). None is given while the view or its
// window is hidden or minimized, and none until the page has drawn anew once
// it is shown again. The same test runs again under a real X server.
TEST(WebSnapshotVisibility, NoSnapshotWhileHiddenAndAFreshOneWhenShown) {
  if (std::getenv("SK_WEB_X11_CHILD") == nullptr && !qEnvironmentVariableIsSet("SK_WEB_NO_X11")) {
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    if (!xvfbRun.isEmpty()) {
      QProcess child;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("QT_QPA_PLATFORM", "xcb");
      env.insert("SK_WEB_X11_CHILD", "1");
      const QString asan = env.value("ASAN_OPTIONS");
      env.insert("ASAN_OPTIONS", asan.isEmpty() ? "detect_leaks=0" : asan + ":detect_leaks=0");
      child.setProcessEnvironment(env);
      child.setProcessChannelMode(QProcess::MergedChannels);
      child.start(xvfbRun,
                  {"-a", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                   "--gtest_filter=WebSnapshotVisibility.NoSnapshotWhileHidden*"});
      ASSERT_TRUE(child.waitForFinished(180000));
      const std::string out = child.readAll().toStdString();
      EXPECT_EQ(child.exitCode(), 0) << out;
      EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    }
  }
  QWidget window;
  WatchedHost w;
  webtest::ShowIn(window, w.host, 300, 200);
  w.host.Navigate(ColourPage("visible.htm", "#1080f0"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  auto showsPage = [&] {
    auto shot = w.host.Snapshot();
    return shot && Centre(*shot) == 0x1080f0u;
  };
  ASSERT_TRUE(WaitUntil(showsPage));

  // The window hidden (the map window closed), then shown again.
  window.hide();
  EXPECT_FALSE(w.host.Snapshot().has_value());
  w.host.RunScript("document.body.style.background = '#f0a010'");
  Pump(200);
  EXPECT_FALSE(w.host.Snapshot().has_value());
  window.show();
  EXPECT_FALSE(w.host.Snapshot().has_value()); // the frame it holds is stale
  ASSERT_TRUE(WaitUntil([&] { return w.host.Snapshot().has_value(); }));
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0xf0a010u);

  // The control hidden inside a shown window.
  w.host.SetVisible(false);
  EXPECT_FALSE(w.host.Snapshot().has_value());
  w.host.SetVisible(true);
  ASSERT_TRUE(WaitUntil([&] { return w.host.Snapshot().has_value(); }));
  EXPECT_EQ(Centre(*w.host.Snapshot()), 0xf0a010u);

  // The window minimized.
  window.showMinimized();
  if (WaitUntil([&] { return window.isMinimized(); }, 3000)) {
    EXPECT_FALSE(w.host.Snapshot().has_value());
  }
  window.showNormal();
  EXPECT_TRUE(WaitUntil([&] { return w.host.Snapshot().has_value(); }));
}

// Without scripts the frames cannot be counted: the view shown again gives
// its picture at the next check instead of never.
TEST(WebSnapshotVisibility, PageWithoutScriptsIsSnapshotAgainWhenShown) {
  QWidget window;
  WatchedHost w;
  webtest::ShowIn(window, w.host, 200, 120);
  WebEngineOptions options;
  options.JavascriptEnabled = false;
  w.host.SetOptions(options);
  w.host.Navigate(ColourPage("no-scripts.htm", "#60c0e0"));
  ASSERT_TRUE(WaitUntil([&] { return w.completes == kDownloadCompletesPerLoad; }));
  window.hide();
  EXPECT_FALSE(w.host.Snapshot().has_value());
  window.show();
  ASSERT_TRUE(WaitUntil([&] {
    auto shot = w.host.Snapshot();
    return shot && Centre(*shot) == 0x60c0e0u;
  }));
}
