// The controls' tests run inside a QApplication on the offscreen platform,
// with the drawing layer started and the controls registered, as the program
// does. A message box fails the running test instead of waiting.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "controls/ControlsInit.h"
#include "platform/forms/Forms.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("ControlsTest");
  ::testing::InitGoogleTest(&argc, argv);
  ControlsInitialize();
  SetDialogAnswerer([](const TDialogRequest& r) {
    ADD_FAILURE() << "a message box was shown: \"" << r.Caption << "\": " << r.Text;
    return (r.Flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  });
  int result = RUN_ALL_TESTS();
  ControlsFinalize();
  return result;
}
