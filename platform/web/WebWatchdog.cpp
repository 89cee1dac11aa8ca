#include "platform/web/WebWatchdog.h"

#include "platform/forms/Messages.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Ticks.h"
#include "platform/web/WebEngineQt.h"

#include <QWebEngineScript>

#include <signal.h>

#include <algorithm>

namespace web {

namespace {

constexpr std::uintptr_t kTimerId = 1;

/// The probe (%1: the frame epoch, see frameEpoch_): any answer shows the
/// render process alive; 2 means that the document has produced two
/// animation frames since the probe first saw this epoch (so the view holds
/// a frame of the page as it is now). It runs in the host's own
/// script world, out of the page's sight.
const char* const kProbeScript =
    "(function(){var w=window;if(w.skLoad!==%1){w.skLoad=%1;w.skFrames=1;"
    "requestAnimationFrame(function(){requestAnimationFrame(function(){"
    "if(w.skLoad===%1)w.skFrames=2;});});}"
    "return w.skFrames;})()";

/// A render process whose load ended is taken as gone after this long even
/// when the engine reports no end of the killed load.
constexpr UInt64 kLostLoadEndMs = 1000;

} // namespace

WebWatchdog::WebWatchdog(WebEngineHostImpl& host) : host_(host) {
  window_ = AllocateHWnd([this](TMessage& m) {
    if (m.Msg == WM_TIMER) Tick();
    m.Result = 0;
  });
  lastTick_ = GetTickCount64();
  StartTimer();
}

WebWatchdog::~WebWatchdog() {
  if (window_ != 0) {
    KillTimer(window_, kTimerId);
    DeallocateHWnd(window_);
  }
}

void WebWatchdog::StartTimer() {
  SetTimer(window_, kTimerId, std::max(10u, limits_.PeriodMs));
}

void WebWatchdog::SetLimits(const WebWatchdogLimits& limits) {
  limits_ = limits;
  StartTimer();
}

// ---- what the host tells -----------------------------------------------------

void WebWatchdog::NavigationRequested() {
  strikes_ = 0;
  givenUp_ = false;
  loadActive_ = true;
  loadStartedAt_ = GetTickCount64();
}

void WebWatchdog::LoadStarted() {
  givenUp_ = false;
  if (!loadActive_) loadStartedAt_ = GetTickCount64();
  loadActive_ = true;
  DocumentChanged();
}

void WebWatchdog::LoadEnded() {
  loadActive_ = false;
  ++frameEpoch_;
  DocumentChanged();
}

void WebWatchdog::FrameWanted() {
  frameGate_ = true;
  ++frameEpoch_;
  // A probe in flight counted frames of the old epoch.
  DocumentChanged();
}

void WebWatchdog::DocumentChanged() {
  pending_.clear();
  probeOutstanding_ = false;
  ++epoch_;
}

bool WebWatchdog::SwallowLoadEnd() {
  if (phase_ == Phase::Watching || !killedDuringLoad_ || killedLoadEnded_) return false;
  killedLoadEnded_ = true;
  MaybeFinishRecovery();
  return true;
}

bool WebWatchdog::RenderProcessEnded() {
  DocumentChanged();
  if (phase_ != Phase::Ending) return false;
  phase_ = Phase::Ended;
  endedAt_ = GetTickCount64();
  MaybeFinishRecovery();
  return true;
}

std::function<void(const QVariant&)> WebWatchdog::Watch(std::function<void(const QVariant&)> done) {
  const uint64_t serial = nextSerial_++;
  pending_[serial] = GetTickCount64();
  return [this, life = std::weak_ptr<int>(life_), serial, epoch = epoch_,
          done = std::move(done)](const QVariant& v) {
    if (!life.expired() && epoch == epoch_) pending_.erase(serial);
    if (done) done(v);
  };
}

// ---- the periodic check ----------------------------------------------------------

void WebWatchdog::Discount(UInt64 ms) {
  if (ms == 0) return;
  for (auto& [serial, sentAt] : pending_)
    sentAt += ms;
  loadStartedAt_ += ms;
}

void WebWatchdog::Tick() {
  const UInt64 now = GetTickCount64();
  const UInt64 gap = now - lastTick_;
  lastTick_ = now;
  // Time in which the user-interface thread did not run (answers could not
  // be taken in) or a page dialog held the page does not count.
  const UInt64 period = std::max(10u, limits_.PeriodMs);
  if (dialogDepth_ > 0)
    Discount(gap);
  else if (gap > 3 * period)
    Discount(gap - period);

  if (phase_ == Phase::Ended && now - endedAt_ >= kLostLoadEndMs) {
    killedLoadEnded_ = true;
    MaybeFinishRecovery();
  }
  if (phase_ != Phase::Watching || dialogDepth_ > 0) return;
  if (!host_.options.JavascriptEnabled) {
    // No script runs in the page, so nothing of it can hang; nor can the
    // probe count its frames: the frame it holds is taken as it is.
    DocumentChanged();
    frameGate_ = false;
    return;
  }
  const int64_t pid = host_.page->renderProcessPid();
  if (pid != lastPid_) {
    lastPid_ = pid;
    DocumentChanged();
  }
  // Without a render process (none yet, or the page was given up) there is
  // nobody to answer: nothing to watch until the next load.
  if (pid <= 0 || givenUp_) return;
  if (Hung(now)) {
    EndRenderProcess();
    return;
  }
  if (!probeOutstanding_) SendProbe();
}

void WebWatchdog::SendProbe() {
  probeOutstanding_ = true;
  const uint64_t epoch = epoch_;
  host_.page->runJavaScript(
      QString::fromLatin1(kProbeScript).arg(frameEpoch_), QWebEngineScript::ApplicationWorld,
      Watch([this, life = std::weak_ptr<int>(life_), epoch](const QVariant& v) {
        if (life.expired() || epoch != epoch_) return;
        probeOutstanding_ = false;
        if (v.toInt() == 2 && !loadActive_ && host_.hasDocument) {
          // The page shows a frame of its own: healthy.
          frameGate_ = false;
          strikes_ = 0;
        }
      }));
}

bool WebWatchdog::Hung(UInt64 now) const {
  if (pending_.empty()) return false;
  UInt64 oldest = now;
  for (const auto& [serial, sentAt] : pending_)
    oldest = std::min(oldest, sentAt);
  if (now - oldest < limits_.AnswerMs) return false;
  return !loadActive_ || now - loadStartedAt_ >= limits_.LoadMs;
}

// ---- ending a hung render process ------------------------------------------------------

void WebWatchdog::EndRenderProcess() {
  ++recoveries_;
  ++strikes_;
  giveUp_ = strikes_ > 1;
  killedDuringLoad_ = loadActive_;
  killedLoadEnded_ = false;
  reloadUrl_ = host_.navigationPending ? host_.pendingUrl : host_.page->url();
  frameGate_ = true;
  host_.hasDocument = false;
  phase_ = Phase::Ending;
  const int64_t pid = host_.page->renderProcessPid();
  DocumentChanged();
  if (pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0) return;
  // No process to end (it is already gone): go on at once.
  phase_ = Phase::Ended;
  endedAt_ = GetTickCount64();
  killedLoadEnded_ = true;
  MaybeFinishRecovery();
}

void WebWatchdog::MaybeFinishRecovery() {
  if (phase_ == Phase::Ended && (!killedDuringLoad_ || killedLoadEnded_)) FinishRecovery();
}

void WebWatchdog::FinishRecovery() {
  phase_ = Phase::Watching;
  loadActive_ = false;
  if (giveUp_ || reloadUrl_.isEmpty()) {
    givenUp_ = true;
    host_.GiveUpLoad(killedDuringLoad_);
    return;
  }
  host_.LoadUrl(reloadUrl_);
  loadActive_ = true;
  loadStartedAt_ = GetTickCount64();
}

} // namespace web
