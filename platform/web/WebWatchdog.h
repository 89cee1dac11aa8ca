// The watchdog of one browser view: it keeps a probe script in flight to the
// page's render process, watches the host's own script calls and the current
// top-level load, and ends a render process that stops answering, then loads
// the page again (see WebWatchdogLimits in WebEngineHost.h for the rules).
// For platform/web's .cpp files only.
#pragma once

#include "platform/forms/Windows.h"
#include "platform/rtl/Types.h"
#include "platform/web/WebEngineHost.h"

#include <QUrl>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace web {

class WebEngineHostImpl;

class WebWatchdog {
public:
  explicit WebWatchdog(WebEngineHostImpl& host);
  ~WebWatchdog();
  WebWatchdog(const WebWatchdog&) = delete;
  WebWatchdog& operator=(const WebWatchdog&) = delete;

  void SetLimits(const WebWatchdogLimits& limits);
  const WebWatchdogLimits& Limits() const { return limits_; }
  int Recoveries() const { return recoveries_; }
  bool AnswerPending() const { return !pending_.empty(); }
  /// False after a hung render process was ended, until the page loaded again
  /// has shown a frame; likewise after the view was hidden and shown again.
  bool FrameReady() const { return !frameGate_; }

  // ---- what the host tells the watchdog ----
  /// The view's frame is stale (it was hidden): FrameReady is false until
  /// the page has drawn anew.
  void FrameWanted();
  /// The host navigates on its own account: a fresh chance for a hung page.
  void NavigationRequested();
  void LoadStarted();
  void LoadEnded();
  /// The page's document changed (a commit): answers of the old one no
  /// longer come.
  void DocumentChanged();
  /// The end of a load that ran in a render process the watchdog ended:
  /// true when the host must not report it (the page is loaded again).
  bool SwallowLoadEnd();
  /// The page's render process ended: true when the watchdog ended it.
  bool RenderProcessEnded();
  /// A page dialog opens or closes: the time it is open does not count.
  void DialogOpened() { ++dialogDepth_; }
  void DialogClosed() { --dialogDepth_; }
  /// The answer callback of a script call of the host, watched until it
  /// comes.
  std::function<void(const QVariant&)> Watch(std::function<void(const QVariant&)> done);

private:
  enum class Phase { Watching, Ending, Ended };

  void Tick();
  /// Moves every running deadline on by ms (time that does not count).
  void Discount(UInt64 ms);
  void SendProbe();
  bool Hung(UInt64 now) const;
  void EndRenderProcess();
  void MaybeFinishRecovery();
  void FinishRecovery();
  void StartTimer();

  WebEngineHostImpl& host_;
  /// Expires with the watchdog: answers that come later touch nothing.
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  WebWatchdogLimits limits_;
  HWND window_ = 0;
  UInt64 lastTick_ = 0;
  bool loadActive_ = false;
  /// Bumped at the end of every top-level load and whenever a new frame is
  /// wanted: the probe counts the page's frames from the last bump.
  int frameEpoch_ = 0;
  UInt64 loadStartedAt_ = 0;
  /// Script calls waiting for their answer: serial -> time sent.
  std::map<uint64_t, UInt64> pending_;
  uint64_t nextSerial_ = 1;
  /// Bumped when pending calls are forgotten; older answers are ignored.
  uint64_t epoch_ = 0;
  bool probeOutstanding_ = false;
  int64_t lastPid_ = 0;
  int dialogDepth_ = 0;

  int recoveries_ = 0;
  /// Hangs since the host's last navigation or the last healthy frame.
  int strikes_ = 0;
  Phase phase_ = Phase::Watching;
  bool killedDuringLoad_ = false;
  bool killedLoadEnded_ = false;
  bool giveUp_ = false;
  /// The page was given up: nothing is watched until the next load.
  bool givenUp_ = false;
  UInt64 endedAt_ = 0;
  QUrl reloadUrl_;
  bool frameGate_ = false;
};

} // namespace web
