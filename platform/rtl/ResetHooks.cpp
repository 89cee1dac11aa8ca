#include "platform/rtl/ResetHooks.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Registry {
  std::mutex lock;
  std::vector<std::pair<std::string, std::function<void()>>> hooks;
};

// Constructed on first use, so registrars in other translation units may run
// in any order.
Registry& registry() {
  static Registry r;
  return r;
}

} // namespace

void RegisterResetHook(const std::string& name, std::function<void()> reset) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (auto& hook : r.hooks)
    if (hook.first == name) {
      hook.second = std::move(reset);
      return;
    }
  r.hooks.emplace_back(name, std::move(reset));
}

void RunResetHooks() {
  std::vector<std::function<void()>> hooks;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (const auto& hook : r.hooks)
      hooks.push_back(hook.second);
  }
  for (const auto& hook : hooks)
    if (hook) hook();
}
