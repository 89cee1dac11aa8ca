// Waiting in tests that run an application object: the engine's browser side
// and Qt's timers run on the user-interface thread, so a wait must block in
// the event loop (a busy loop of ProcessMessages and sleeps slows every page
// load down to about a second).
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace sktest {

/// Runs the event loop until cond holds or timeoutMs passes; returns cond().
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > timeoutMs) return cond();
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

} // namespace sktest
