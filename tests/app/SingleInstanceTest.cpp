// The single-instance guard within one process: the first guard registers
// its window, a second one finds it, brings the window back and halts.
#include "app/SingleInstance.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Strings.h"
#include "tests/support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <string>
#include <unistd.h>

namespace {

TEST(SingleInstance, ASecondStartRaisesTheFirstAndHalts) {
  // An identity of this test's own, so that a running program is not disturbed.
  const std::string title = "Skorva Plinth test " + IntToStr(::getpid());
  auto first = std::make_unique<TForm>(nullptr);
  first->SetBounds(10, 10, 200, 100);
  auto* guard = new TSingleInstance(first.get(), TSingleInstance::kClassName, title);
  EXPECT_TRUE(guard->Registered());
  first->Show();
  first->SetWindowState(TWindowState::wsMinimized);

  auto second = std::make_unique<TForm>(nullptr);
  int exitCode = -1;
  try {
    new TSingleInstance(second.get(), TSingleInstance::kClassName, title);
  } catch (const EHalt& halt) {
    exitCode = halt.ExitCode();
  }
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(
      sktest::WaitUntil([&] { return first->WindowState() == TWindowState::wsNormal; }, 5000));
  first->Hide();
}

TEST(SingleInstance, AWindowIconifiedByTheWindowManagerIsRestored) {
  // A window manager iconifies the window itself: the form's own state
  // stays normal while its window is iconic.
  const std::string title = "Skorva Plinth iconified " + IntToStr(::getpid());
  auto first = std::make_unique<TForm>(nullptr);
  first->SetBounds(10, 10, 200, 100);
  new TSingleInstance(first.get(), TSingleInstance::kClassName, title);
  first->Show();
  first->Widget()->showMinimized();
  ASSERT_TRUE(first->Widget()->isMinimized());
  ASSERT_EQ(first->WindowState(), TWindowState::wsNormal);

  auto second = std::make_unique<TForm>(nullptr);
  int exitCode = -1;
  try {
    new TSingleInstance(second.get(), TSingleInstance::kClassName, title);
  } catch (const EHalt& halt) {
    exitCode = halt.ExitCode();
  }
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(sktest::WaitUntil([&] { return !first->Widget()->isMinimized(); }, 5000));
  EXPECT_EQ(first->WindowState(), TWindowState::wsNormal);
  EXPECT_TRUE(first->Widget()->isVisible());
  first->Hide();
}

TEST(SingleInstance, AnOpenBoxComesForwardBeforeItsWindow) {
  const std::string title = "Skorva Plinth box " + IntToStr(::getpid());
  auto first = std::make_unique<TForm>(nullptr);
  first->SetBounds(10, 10, 200, 100);
  new TSingleInstance(first.get(), TSingleInstance::kClassName, title);
  first->Show();
  first->SetWindowState(TWindowState::wsMinimized);
  auto other = std::make_unique<TForm>(nullptr); // a window above the box
  other->SetBounds(20, 20, 200, 100);

  const std::string caption = "Box of " + title;
  auto topWindowText = [] {
    std::string text;
    EnumWindows([&](HWND h) {
      text = GetWindowText(h);
      return false;
    });
    return text;
  };
  bool boxOnTop = false;
  TWindowState stateMeanwhile = TWindowState::wsNormal;
  const TDialogAnswerer previous = CurrentDialogAnswerer();
  SetDialogAnswerer([&](const TDialogRequest&) {
    other->Show();
    other->BringToFront();
    auto second = std::make_unique<TForm>(nullptr);
    try {
      new TSingleInstance(second.get(), TSingleInstance::kClassName, title);
    } catch (const EHalt&) {
    }
    boxOnTop = sktest::WaitUntil([&] { return topWindowText() == caption; }, 5000);
    stateMeanwhile = first->WindowState();
    return IDOK;
  });
  ShowMessageBox("waiting", caption, MB_OK);
  SetDialogAnswerer(previous);
  EXPECT_TRUE(boxOnTop);
  // The window behind the box stays as it was until the box is answered.
  EXPECT_EQ(stateMeanwhile, TWindowState::wsMinimized);
  other->Hide();
  first->Hide();
}

TEST(SingleInstance, TheFirstStartRegisters) {
  const std::string title = "Skorva Plinth alone " + IntToStr(::getpid());
  auto form = std::make_unique<TForm>(nullptr);
  auto* guard = new TSingleInstance(form.get(), TSingleInstance::kClassName, title);
  EXPECT_TRUE(guard->Registered());
  EXPECT_EQ(form->FindComponent("SingleInstance1"), guard);
}

} // namespace
