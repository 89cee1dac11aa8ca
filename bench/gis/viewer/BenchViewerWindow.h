// For the benchmarks that paint through the viewer: an offscreen screen that
// shows a whole window of the given size (back buffers hold what a screen can
// show), and a borderless viewer window of that size without scroll bars on
// a form of its own.
#pragma once

#include "gis/core/GisKernel.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"

namespace bench_viewer {

/// Makes the screen exactly width x height, all of it work area.
inline void UseScreenOf(int width, int height) {
  TScreenMetrics screen;
  screen.Width = width;
  screen.Height = height;
  screen.WorkArea = TRect(0, 0, width, height);
  SetScreenMetricsForTests(screen);
}

/// A viewer window of width x height at the top left of its form; freeing
/// this frees both.
struct TBenchViewerWindow {
  TBenchViewerWindow(int width, int height) {
    GisKernelInit();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, width + 40, height + 40);
    viewer = new TGIS_ViewerWnd(form);
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, width, height);
    viewer->Handle();
  }
  ~TBenchViewerWindow() { delete form; }
  TBenchViewerWindow(const TBenchViewerWindow&) = delete;
  TBenchViewerWindow& operator=(const TBenchViewerWindow&) = delete;

  TForm* form;
  TGIS_ViewerWnd* viewer;
};

} // namespace bench_viewer
