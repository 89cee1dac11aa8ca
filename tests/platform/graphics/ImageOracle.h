// Test-only helpers around external tools (ImageMagick's convert, pdfinfo).
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <charconv>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"

/// Runs a program; returns its standard output, or fails the test.
inline QByteArray RunTool(const QString& program, const QStringList& args, bool* ok = nullptr) {
  QProcess p;
  p.start(program, args);
  bool done = p.waitForFinished(60000);
  bool good = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (ok) *ok = good;
  if (!good)
    ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
  return p.readAllStandardOutput();
}

/// A decoded binary PPM (P6, maxval 255).
struct TPpm {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  COLORREF At(int x, int y) const {
    const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
    return RGB(p[0], p[1], p[2]);
  }
};

inline TPpm ParsePpm(const QByteArray& bytes) {
  TPpm out;
  const char* p = bytes.constData();
  const char* end = p + bytes.size();
  auto token = [&]() -> int {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t' || *p == '#')) {
      if (*p == '#')
        while (p < end && *p != '\n')
          ++p;
      else
        ++p;
    }
    int v = 0;
    auto r = std::from_chars(p, end, v);
    p = r.ptr;
    return v;
  };
  if (bytes.size() < 2 || p[0] != 'P' || p[1] != '6') return out;
  p += 2;
  out.width = token();
  out.height = token();
  int maxval = token();
  ++p; // single whitespace
  if (maxval != 255 || end - p < std::ptrdiff_t(out.width) * out.height * 3) return TPpm();
  out.rgb.assign(p, p + std::ptrdiff_t(out.width) * out.height * 3);
  return out;
}

/// ImageMagick's reading of a file as 8-bit RGB.
inline TPpm ConvertToPpm(const QString& file) {
  return ParsePpm(RunTool("convert", {file, "-depth", "8", "ppm:-"}));
}
