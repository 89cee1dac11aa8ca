// The form-state tests run inside a Qt application on the offscreen
// platform; every message box fails the test that raised it unless the test
// answers it itself. SK_COMMA_LOCALE runs the same tests with the decimal
// comma of the user's locale.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "formstate/FormState.h"
#include "tests/formstate/FormStateTestSupport.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("FormStateTest");
  UseCommaLocaleWhenAsked();
  FormStateInit();
  const int result = [&] {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  }();
  FormStateDone();
  return result;
}
