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
