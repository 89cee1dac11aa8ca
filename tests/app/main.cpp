// The application's tests: one application object on the offscreen platform,
// with the engine's environment prepared before it; message boxes are
// answered at once and fail the test that shows them.
#include "controls/ControlsInit.h"
#include "formstate/FormState.h"
#include "platform/forms/Forms.h"
#include "platform/web/WebEngineEnvironment.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  FormStateInit();
  ControlsInitialize();
  ::testing::InitGoogleTest(&argc, argv);
  // No test waits for a person: a message box fails the running test.
  SetDialogAnswerer([](const TDialogRequest& r) {
    ADD_FAILURE() << "a message box was shown: " << r.Text;
    return IDOK;
  });
  const int result = RUN_ALL_TESTS();
  ControlsFinalize();
  FormStateDone();
  return result;
}
