// For harnesses whose readers need the window system (pictures, fonts,
// windows): one application object on the offscreen platform, made in
// LLVMFuzzerInitialize as the tests' mains make theirs.
#pragma once

#include <QApplication>
#include <cstdlib>

namespace skfuzz {

inline void StartGui(int* argc, char*** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(*argc, *argv);
  (void)app;
}

} // namespace skfuzz
