// Waiting in tests: the engine's browser side runs on the user-interface
// thread, so a wait must block in the event loop (a busy loop of
// ProcessMessages and sleeps slows every page load down to about a second).
#pragma once

#include <functional>

/// Runs the event loop until cond holds or timeoutMs passes; returns cond().
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000);
