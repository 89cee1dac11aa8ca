#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

TEST(Exceptions, AssertionCarriesModuleAndLine) {
  try {
    SK_ASSERT(1 + 1 == 3, "List is locked", "GisDefs", 2140);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "List is locked (GisDefs, line 2140)");
  }
  try {
    SK_ASSERT(false, "", "GisLayerECW", 397);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (GisLayerECW, line 397)");
  }
  EXPECT_NO_THROW(SK_ASSERT(true, "never", "GisDefs", 1));
}

TEST(Exceptions, KindsCatchByBase) {
  EXPECT_THROW(Abort(), EAbort);
  EXPECT_THROW(throw EReadError("Stream read error"), EStreamError);
  EXPECT_THROW(throw EDivByZero("Division by zero"), EIntError);
  try {
    throw EFOpenError("Cannot open file x");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot open file x");
  }
}

namespace {

// A stand-in for a C library that calls back for each item and stops when the
// callback returns non-zero.
extern "C" int visitItems(int count, int (*callback)(void*, int), void* context) {
  for (int i = 0; i < count; ++i)
    if (callback(context, i) != 0) return i;
  return count;
}

struct Visitor {
  TExceptionTrap trap;
  int seen = 0;
};

} // namespace

TEST(Exceptions, TrapCarriesAnExceptionOverCFrames) {
  Visitor visitor;
  const int stoppedAt = visitItems(
      10,
      [](void* context, int item) -> int {
        auto* v = static_cast<Visitor*>(context);
        return v->trap.Guard([&] {
          ++v->seen;
          if (item == 3) throw EReadError("Stream read error");
        })
                   ? 0
                   : 1;
      },
      &visitor);
  EXPECT_EQ(stoppedAt, 3);
  EXPECT_EQ(visitor.seen, 4);
  EXPECT_TRUE(visitor.trap.Pending());
  EXPECT_FALSE(visitor.trap.Guard([&] { ++visitor.seen; })) << "nothing runs after a failure";
  EXPECT_EQ(visitor.seen, 4);
  EXPECT_THROW(visitor.trap.RethrowIfAny(), EReadError);
  EXPECT_FALSE(visitor.trap.Pending());
  EXPECT_NO_THROW(visitor.trap.RethrowIfAny());
}
