// The viewer's tests run inside a QApplication on the offscreen platform: the
// window control, the clipboard and the printer need one. The kernel is
// started once, as the program does, so that its message texts are there.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("GisViewerTest");
  ::testing::InitGoogleTest(&argc, argv);
  GisKernelInit();
  return RUN_ALL_TESTS();
}
