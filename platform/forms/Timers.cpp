#include "platform/forms/Timers.h"

#include <QTimer>
#include <map>
#include <memory>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

struct TTimerEntry {
  HWND window = 0;
  std::uintptr_t id = 0;
  UINT interval = 0;
  UInt64 due = 0;             // manual mode
  std::uint64_t seq = 0;      // start order, ties of due times
  std::unique_ptr<QTimer> qt; // Qt mode
};

using TTimerKey = std::pair<HWND, std::uintptr_t>;

std::map<TTimerKey, std::unique_ptr<TTimerEntry>>& timers() {
  static std::map<TTimerKey, std::unique_ptr<TTimerEntry>> t;
  return t;
}

std::uint64_t& seqCounter() {
  static std::uint64_t s = 0;
  return s;
}

TManualTimerClock*& activeManual() {
  static TManualTimerClock* m = nullptr;
  return m;
}

void fire(HWND h, std::uintptr_t id) {
  if (!IsWindow(h)) {
    KillTimer(h, id);
    return;
  }
  Guarded([&] { SendMessage(h, WM_TIMER, WPARAM(id), 0); });
}

void startQt(TTimerEntry& e) {
  e.qt = std::make_unique<QTimer>();
  e.qt->setTimerType(Qt::PreciseTimer);
  e.qt->setInterval(int(e.interval));
  HWND h = e.window;
  std::uintptr_t id = e.id;
  QObject::connect(e.qt.get(), &QTimer::timeout, [h, id] {
    TQtEntry entry;
    fire(h, id);
  });
  e.qt->start();
}

} // namespace

std::uintptr_t SetTimer(HWND h, std::uintptr_t id, UINT elapseMs) {
  if (!IsWindow(h)) return 0;
  if (elapseMs == 0) elapseMs = 1;
  auto entry = std::make_unique<TTimerEntry>();
  entry->window = h;
  entry->id = id;
  entry->interval = elapseMs;
  entry->seq = ++seqCounter();
  if (activeManual() != nullptr)
    entry->due = GetTickCount64() + elapseMs;
  else
    startQt(*entry);
  timers()[{h, id}] = std::move(entry);
  return id;
}

bool KillTimer(HWND h, std::uintptr_t id) {
  return timers().erase({h, id}) > 0;
}

// ---------------------------------------------------------------------------
// The manual clock

TManualTimerClock::TManualTimerClock(UInt64 startMs) : clock_(startMs) {
  activeManual() = this;
  // Running Qt timers move over to the manual clock.
  for (auto& [key, e] : timers()) {
    e->qt.reset();
    e->due = clock_.Now() + e->interval;
  }
}

TManualTimerClock::~TManualTimerClock() {
  activeManual() = nullptr;
  for (auto& [key, e] : timers())
    if (!e->qt) startQt(*e);
}

TManualTimerClock* TManualTimerClock::Active() {
  return activeManual();
}

void TManualTimerClock::Advance(UInt64 ms) {
  UInt64 target = clock_.Now() + ms;
  for (;;) {
    TTimerEntry* next = nullptr;
    for (auto& [key, e] : timers()) {
      if (e->due > target) continue;
      if (next == nullptr || e->due < next->due || (e->due == next->due && e->seq < next->seq))
        next = e.get();
    }
    if (next == nullptr) break;
    if (next->due > clock_.Now()) clock_.Set(next->due);
    next->due = clock_.Now() + next->interval;
    next->seq = ++seqCounter();
    HWND h = next->window;
    std::uintptr_t id = next->id;
    fire(h, id);
    if (activeManual() != this) return;
  }
  if (target > clock_.Now()) clock_.Set(target);
}

// ---------------------------------------------------------------------------
// TTimer

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_ = AllocateHWnd([this](TMessage& m) { wndProc(m); });
}

TTimer::~TTimer() {
  Destroying();
  if (running_) KillTimer(window_, 1);
  DeallocateHWnd(window_);
}

void TTimer::wndProc(TMessage& m) {
  if (m.Msg == WM_TIMER) {
    Timer();
    return;
  }
  m.Result = DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
}

void TTimer::Timer() {
  if (onTimer_) onTimer_(this);
}

void TTimer::updateTimer() {
  if (running_) KillTimer(window_, 1);
  running_ = false;
  if (interval_ != 0 && enabled_ && onTimer_) running_ = SetTimer(window_, 1, interval_) != 0;
}

void TTimer::SetInterval(UINT value) {
  if (value == interval_) return;
  interval_ = value;
  updateTimer();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  updateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  updateTimer();
}
