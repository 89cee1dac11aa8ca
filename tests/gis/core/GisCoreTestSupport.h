// Shared fixture of the kernel foundation's tests: every test starts from the
// state right after the kernel's start-up, with the runtime's format settings
// saved and restored around it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "gis/core/GisKernel.h"
#include "platform/rtl/Format.h"

class GisCoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    settings_ = std::make_unique<TFormatSettingsGuard>();
    GisKernelResetForTests();
  }
  void TearDown() override {
    GisKernelResetForTests();
    settings_.reset();
  }

private:
  std::unique_ptr<TFormatSettingsGuard> settings_;
};
