// The codecs' tests run inside a QGuiApplication on the offscreen platform
// (pictures draw through device contexts).
#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
