// Shared fixture of the kernel foundation's tests: every test starts from the
// runtime's and the kernel's start-up state, and leaves them so.
#pragma once

#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"
#include "platform/rtl/Runtime.h"

class GisCoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl_reset_for_tests();
    GisKernelResetForTests();
  }
  void TearDown() override {
    rtl_reset_for_tests();
    GisKernelResetForTests();
  }
};
