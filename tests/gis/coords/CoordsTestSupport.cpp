#include "CoordsTestSupport.h"

#include "gis/core/GisKernel.h"

namespace coords_test {

void CoordsTest::SetUp() {
  GisKernelInit();
  GisCoordsResetForTests();
}

} // namespace coords_test
