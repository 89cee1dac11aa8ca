// Both windows of the program over a stand-in browser on the manual clock,
// in a temporary program folder with the coded test page.
#pragma once

#include "app/AppFiles.h"
#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "controls/ImagePicker.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/CodedPage.h"
#include "tests/browser/FakeWebHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

/// The kernel and picture layers ready, and `dir` a program folder with the
/// coded test page, a fresh world file and a blank start page, where the
/// program takes its folder from.
inline void PrepareProgramFolder(const sktest::TTempDir& dir) {
  GisKernelInit();
  GisRasterRegisterLayers();
  PrepareAppDir(dir);
  dir.Write("gmaps.htm", "<html><body></body></html>");
  SetExeNameForTests(dir / "skorvaplinth");
}

/// Message boxes answered by the test while it lives: each one is recorded
/// (OK), and the first is held open for `holdMs` of clock while its loop
/// turns.
class TBoxRecorder {
public:
  explicit TBoxRecorder(int holdMs = 0) : previous_(CurrentDialogAnswerer()) {
    SetDialogAnswerer([this, holdMs](const TDialogRequest& r) {
      texts.push_back(r.Text);
      deepest = std::max(deepest, ++depth_);
      if (texts.size() == 1 && holdMs > 0) {
        if (onFirst) onFirst();
        for (int i = 0; i < holdMs / 10; ++i)
          Application()->ProcessMessages();
        if (afterFirst) afterFirst();
      }
      --depth_;
      return IDOK;
    });
  }
  ~TBoxRecorder() { SetDialogAnswerer(previous_); }
  TBoxRecorder(const TBoxRecorder&) = delete;
  TBoxRecorder& operator=(const TBoxRecorder&) = delete;
  std::vector<std::string> texts;
  int deepest = 0; // the most boxes open at once
  std::function<void()> onFirst, afterFirst;

private:
  TDialogAnswerer previous_;
  int depth_ = 0;
};

struct ProgramWindows : ::testing::Test {
  sktest::TTempDir dir{"app-tool"};
  TManualTimerClock clock{1000};
  FakeWebHost* web = nullptr;
  std::unique_ptr<TFSkorvaplinth> tool;
  std::unique_ptr<TFEarth1> map;
  bool layerThrows = false; // the picture layer cannot be opened

  void SetUp() override { PrepareProgramFolder(dir); }
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
  /// A selection in the picker as the person makes it: the picker has the
  /// focus and the list reports the change.
  void UserPicks(int index) {
    tool->SetActiveControl(tool->mapPick);
    tool->mapPick->SetItemIndex(index);
    tool->mapPick->Perform(CN_COMMAND, MakeWParam(0, CBN_SELCHANGE), 0);
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
