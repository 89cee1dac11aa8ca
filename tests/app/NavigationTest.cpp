// One navigation step: the move by the view less 4 pixels and the counters.
#include "app/Navigation.h"

#include <gtest/gtest.h>

namespace {

struct TStepCase {
  const char* Code;
  int Dx, Dy; // in steps
  Int64 Nx, Ny;
};

// From counters 2.7 / -1.5: the counters are truncated, then moved.
const TStepCase kStepCases[] = {
    {"r", 1, 0, 3, -1},  {"rb", 1, 1, 3, 0},   {"b", 0, 1, 2, 0},
    {"lb", -1, 1, 1, 0}, {"l", -1, 0, 1, -1},  {"lt", -1, -1, 1, -2},
    {"t", 0, -1, 2, -2}, {"rt", 1, -1, 3, -2}, {"x", 0, 0, 2, -1},
};

TEST(ComputeMapStep, EightDirectionsAndAnUnknownCode) {
  const TGlobalPixel centre = LatLonToPixel(6, 46, 14);
  for (const TStepCase& c : kStepCases) {
    const auto step = ComputeMapStep(c.Code, 6, 46, 14, 796, 613, 2.7L, -1.5L);
    ASSERT_TRUE(step.has_value()) << c.Code;
    const TGlobalPixel moved = LatLonToPixel(6, step->Centre.Lat, step->Centre.Lon);
    EXPECT_NEAR(static_cast<double>(moved.X - centre.X), c.Dx * 792.0, 1e-6) << c.Code;
    EXPECT_NEAR(static_cast<double>(moved.Y - centre.Y), c.Dy * 609.0, 1e-6) << c.Code;
    EXPECT_EQ(step->Nx, c.Nx) << c.Code;
    EXPECT_EQ(step->Ny, c.Ny) << c.Code;
  }
}

TEST(ComputeMapStep, RightThenLeftReturns) {
  const auto right = ComputeMapStep("r", 9, 46, 14, 796, 613, 4, 7);
  ASSERT_TRUE(right);
  const auto back =
      ComputeMapStep("l", 9, right->Centre.Lat, right->Centre.Lon, 796, 613, right->Nx, right->Ny);
  ASSERT_TRUE(back);
  EXPECT_NEAR(static_cast<double>(back->Centre.Lat), 46, 1e-9);
  EXPECT_NEAR(static_cast<double>(back->Centre.Lon), 14, 1e-9);
  EXPECT_EQ(back->Nx, 4);
  EXPECT_EQ(back->Ny, 7);
}

TEST(ComputeMapStep, NoStepBeforeTheViewIsKnown) {
  // Before the first read-out the span is 0: a step would go back by 4 pixels.
  EXPECT_FALSE(ComputeMapStep("r", 6, 46, 14, 0, 0, 0, 0));
  EXPECT_FALSE(ComputeMapStep("r", 6, 46, 14, 796, 4, 0, 0));
  EXPECT_TRUE(ComputeMapStep("r", 6, 46, 14, 5, 5, 0, 0));
}

} // namespace
