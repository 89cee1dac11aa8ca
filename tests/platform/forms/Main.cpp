// The window layer's tests run inside a QApplication on the offscreen
// platform.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/forms/SingleInstance.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("FormsTest");
  // The second instance of the single-instance test: find the first, ask it
  // to come forward, end.
  if (const char* title = std::getenv("SK_FORMS_SECOND_INSTANCE"))
    return ActivateRunningInstance("TFSkorvaplinth", title) ? 0 : 3;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
