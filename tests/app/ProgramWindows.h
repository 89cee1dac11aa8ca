// Both windows of the program over a stand-in browser on the manual clock,
// in a temporary program folder with the coded test page.
#pragma once

#include "app/AppFiles.h"
#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/CodedPage.h"
#include "tests/browser/FakeWebHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace apptest {

struct ProgramWindows : ::testing::Test {
  sktest::TTempDir dir{"app-tool"};
  TManualTimerClock clock{1000};
  FakeWebHost* web = nullptr;
  std::unique_ptr<TFSkorvaplinth> tool;
  std::unique_ptr<TFEarth1> map;
  bool layerThrows = false; // the picture layer cannot be opened

  void SetUp() override {
    GisKernelInit();
    GisRasterRegisterLayers();
    PrepareAppDir(dir);
    dir.Write("gmaps.htm", "<html><body></body></html>");
    SetExeNameForTests(dir / "skorvaplinth");
  }
  void TearDown() override {
    map.reset();
    tool.reset();
    SetExeNameForTests("");
  }
  /// The program's layers, but a picture that cannot be opened while
  /// layerThrows is set.
  TCaptureLayers Layers() {
    TCaptureLayers layers = ProgramCaptureLayers();
    layers.CreateLayer = [this, open = layers.CreateLayer](const std::string& name,
                                                            const std::string& path) {
      if (layerThrows) throw Exception("bad picture");
      return open(name, path);
    };
    return layers;
  }
  void StartBoth() {
    tool = std::make_unique<TFSkorvaplinth>(nullptr);
    auto fake = std::make_unique<FakeWebHost>(3, 50);
    web = fake.get();
    web->SetBounds(0, 0, 826, 643);
    web->cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);
    map = std::make_unique<TFEarth1>(nullptr, tool.get(), Layers(), std::move(fake));
  }
  void CaptureThreeTimes() {
    map->gis->SetBounds(0, 0, 796, 613);
    map->Capture().ResizePending = false;
    map->Capture().CaptureWidth = 796;
    map->Capture().CaptureHeight = 613;
    const int target = map->Capture().CaptureCount() + 3;
    for (int i = 0; i < 200 && map->Capture().CaptureCount() < target; ++i)
      clock.Advance(10);
  }
};

} // namespace apptest
