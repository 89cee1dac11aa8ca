// Shared helpers of the coordinate-system tests.
#pragma once

#include "gis/coords/GisProjections.h"
#include "gis/core/GisResource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <numbers>
#include <string>

namespace coords_test {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180.0;

inline TGIS_Point3D Pt(double x, double y, double z = 0, double m = 0) {
  return {x, y, z, m};
}
inline TGIS_Point3D Deg(double lon, double lat, double h = 0) {
  return {lon * kDeg, lat * kDeg, h, 0};
}

/// Runs `f`, expects EGIS_Exception, and returns it (with its message and
/// error number) for further checks.
inline EGIS_Exception ExpectGisError(const std::function<void()>& f) {
  try {
    f();
  } catch (const EGIS_Exception& e) {
    return e;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return EGIS_Exception("");
  }
  ADD_FAILURE() << "no exception";
  return EGIS_Exception("");
}

/// Numbers as one line of text for a trace, through the kernel's float text.
inline std::string Numbers(std::initializer_list<double> values) {
  std::string text;
  for (double v : values) {
    if (!text.empty()) text += ' ';
    text += GisFloatToStr(v);
  }
  return text;
}

/// Byte-wise equality of two points, M included (to show a record was not
/// touched).
inline bool SameBytes(const TGIS_Point3D& a, const TGIS_Point3D& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

/// The kernel started and the coordinate-system lists in their built-in
/// state before every test.
class CoordsTest : public ::testing::Test {
protected:
  void SetUp() override;
};

} // namespace coords_test
