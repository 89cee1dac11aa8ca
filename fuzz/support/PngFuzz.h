// What the PNG harnesses share: the application the drawing needs and the
// smaller image cap of fuzzing.
#pragma once

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "codecs/PngPicture.h"

inline void PngFuzzInit(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  PngMaxImageBytes = std::int64_t(64) << 20;
}
