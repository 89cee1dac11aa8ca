// The vector tests run inside a QApplication on the offscreen platform (the
// viewer that some layers belong to needs one); the kernel is started once.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  GisKernelInit();
  return RUN_ALL_TESTS();
}
