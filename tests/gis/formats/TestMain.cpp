// The format readers' tests run inside a QApplication on the offscreen platform: the
// window control, the clipboard and the printer need one. The kernel is
// started once, as the program does, so that its message texts are there.
//
// No test may wait for a person: every message box (for instance the one the
// application shows for an exception that escapes a timer or paint handler)
// is answered at once and fails the running test, naming the box's text.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"
#include "platform/forms/Forms.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("GisFormatsTest");
  ::testing::InitGoogleTest(&argc, argv);
  GisKernelInit();
  SetDialogAnswerer([](const TDialogRequest& r) {
    ADD_FAILURE() << "a message box was shown: \"" << r.Caption << "\": " << r.Text;
    return (r.Flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  });
  return RUN_ALL_TESTS();
}
