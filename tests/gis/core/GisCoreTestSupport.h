// Shared fixture of the kernel foundation's tests: every test starts from the
// runtime's and the kernel's start-up state, and leaves them so.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

using Bytes = std::vector<uint8_t>;

/// The whole file, byte for byte (empty when it cannot be read).
inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
