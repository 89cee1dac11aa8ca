// A registry of functions that put a runtime module's hidden state back to its
// start-up value. Modules with hidden state register their reset function once,
// typically from a namespace-scope registrar in their .cpp:
//
//   namespace { const TResetHookRegistrar reg("Files", &resetLogicalFolder); }
//
// rtl_reset_for_tests() (Runtime.h) calls them all in registration order.
#pragma once

#include <functional>
#include <string>

/// Registers `reset` under `name`. Registering a name again replaces its function.
void RegisterResetHook(const std::string& name, std::function<void()> reset);
/// Calls every registered reset function.
void RunResetHooks();

struct TResetHookRegistrar {
  TResetHookRegistrar(const std::string& name, std::function<void()> reset) {
    RegisterResetHook(name, std::move(reset));
  }
};
