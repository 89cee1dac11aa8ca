#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(ScopeGuard, CleanupRunsOnceWhicheverWayTheScopeEnds) {
  struct Row {
    const char* name;
    bool raise, run, dismiss;
    int expected;
  };
  const Row rows[] = {
      {"normal end", false, false, false, 1},
      {"exception", true, false, false, 1},
      {"run early", false, true, false, 1},
      {"dismissed", false, false, true, 0},
      {"dismissed, then raised", true, false, true, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int runs = 0;
    try {
      auto guard = ScopeExit([&] { ++runs; });
      if (r.dismiss) guard.Dismiss();
      if (r.run) guard.Run();
      if (r.raise) throw std::runtime_error("body");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(runs, r.expected);
  }
}

TEST(ScopeGuard, RunLetsTheCleanupRaiseAndTheDestructorKeepsTheFirstException) {
  auto raising = ScopeExit([] { throw std::runtime_error("cleanup"); });
  EXPECT_THROW(raising.Run(), std::runtime_error);
  EXPECT_NO_THROW(raising.Run()); // disarmed

  std::string caught;
  try {
    auto guard = ScopeExit([] { throw std::runtime_error("cleanup"); });
    throw std::runtime_error("body");
  } catch (const std::runtime_error& e) {
    caught = e.what();
  }
  EXPECT_EQ(caught, "body");
}

TEST(ScopeGuard, UpdateScopeEndsTheUpdateOnEveryPath) {
  TStringList list;
  std::vector<std::string> changes;
  list.OnChange = [&](TStrings* s) { changes.push_back(s->Text()); };
  try {
    TUpdateScope<TStrings> update(list);
    list.Add("a");
    EXPECT_EQ(list.UpdateCount(), 1);
    EXPECT_TRUE(changes.empty());
    throw std::runtime_error("body");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(changes, std::vector<std::string>{"a\r\n"}); // reported once, at the end

  // On the normal path End() lets the change event's exception out.
  list.OnChange = [](TStrings*) { throw std::runtime_error("event"); };
  TUpdateScope<TStrings> update(list);
  list.Add("b");
  EXPECT_THROW(update.End(), std::runtime_error);
  EXPECT_EQ(list.UpdateCount(), 0);
}

} // namespace
