// The controls' tests run inside a QApplication on the offscreen platform,
// with the drawing layer started and the controls registered, as the program
// does. A message box fails the running test instead of waiting. Every test
// must leave no device-context object and no anti-aliasing layer object
// alive: a listener counts both around each test.
#include <QApplication>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "controls/ControlsInit.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiPlus.h"
#include "platform/rtl/Strings.h"

namespace {
/// Fails a test that leaves drawing objects alive.
class TLiveObjectListener : public ::testing::EmptyTestEventListener {
public:
  void OnTestStart(const ::testing::TestInfo&) override {
    for (std::size_t k = 0; k < kKinds.size(); ++k)
      gdi_[k] = GdiObjectCount(kKinds[k].kind).Live();
    gdip_ = GdipLiveObjects();
  }
  void OnTestEnd(const ::testing::TestInfo& test) override {
    std::string left;
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
      const long n = GdiObjectCount(kKinds[k].kind).Live() - gdi_[k];
      if (n != 0) left += " " + std::string(kKinds[k].name) + " " + IntToStr(int(n));
    }
    const int gdip = GdipLiveObjects() - gdip_;
    if (gdip != 0) left += " anti-aliasing layer objects " + IntToStr(gdip);
    if (left.empty()) return;
    ++failures_;
    std::fprintf(stderr, "%s.%s left alive:%s\n", test.test_suite_name(), test.name(),
                 left.c_str());
  }
  int Failures() const { return failures_; }

private:
  struct TKind {
    DWORD kind;
    const char* name;
  };
  static constexpr std::array<TKind, 7> kKinds = {{{OBJ_PEN, "pens"},
                                                   {OBJ_EXTPEN, "extended pens"},
                                                   {OBJ_BRUSH, "brushes"},
                                                   {OBJ_FONT, "fonts"},
                                                   {OBJ_BITMAP, "bitmaps"},
                                                   {OBJ_REGION, "regions"},
                                                   {OBJ_PAL, "palettes"}}};
  std::array<long, 7> gdi_{};
  int gdip_ = 0;
  int failures_ = 0;
};
} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  app.setApplicationName("ControlsTest");
  ::testing::InitGoogleTest(&argc, argv);
  ControlsInitialize();
  SetDialogAnswerer([](const TDialogRequest& r) {
    ADD_FAILURE() << "a message box was shown: \"" << r.Caption << "\": " << r.Text;
    return (r.Flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  });
  auto* live = new TLiveObjectListener; // owned by the listener list
  ::testing::UnitTest::GetInstance()->listeners().Append(live);
  int result = RUN_ALL_TESTS();
  if (live->Failures() > 0) result = 1;
  ControlsFinalize();
  return result;
}
