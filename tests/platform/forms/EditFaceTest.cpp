// The face a painter draws on an edit without focus: it fills the client
// area, and the edit keeps the frame it shows when focused.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "platform/forms/EditExtras.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

QRgb At(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFFu;
}

TEST(EditFace, IsPaintedInsideTheFrame) {
  auto* form = new TForm(nullptr);
  auto freeForm = ScopeExit([form] { delete form; });
  form->SetBounds(0, 0, 300, 100);
  auto* plain = new TEdit(form);
  plain->SetParent(form);
  plain->SetBounds(10, 10, 90, 21);
  auto* faced = new TEdit(form);
  faced->SetParent(form);
  faced->SetBounds(110, 10, 90, 21);
  TRect given;
  SetEditUnfocusedPainter(faced, [&given](HDC dc, const TRect& client) {
    given = client;
    TCanvas canvas;
    canvas.SetHandle(dc);
    auto detach = ScopeExit([&canvas] { canvas.SetHandle(nullptr); });
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(client);
  });
  auto* focused = new TEdit(form); // keeps the focus off the two compared
  focused->SetParent(form);
  focused->SetBounds(210, 10, 80, 21);
  form->Show();
  focused->SetFocus();
  PumpEvents();
  ASSERT_FALSE(plain->Widget()->hasFocus());
  ASSERT_FALSE(faced->Widget()->hasFocus());
  const QImage a = plain->Widget()->grab().toImage();
  const QImage b = faced->Widget()->grab().toImage();
  ASSERT_EQ(b.width(), 90);
  ASSERT_EQ(b.height(), 21);
  // The painter gets the client area: the frame's width less on every side.
  const int frame = (90 - given.Width()) / 2;
  ASSERT_GT(frame, 0);
  EXPECT_EQ(given.Width(), 90 - 2 * frame);
  EXPECT_EQ(given.Height(), 21 - 2 * frame);
  // The outermost ring is the frame of an edit without a face ...
  for (int x = 0; x < 90; ++x) {
    EXPECT_EQ(At(b, x, 0), At(a, x, 0)) << x;
    EXPECT_EQ(At(b, x, 20), At(a, x, 20)) << x;
  }
  for (int y = 0; y < 21; ++y) {
    EXPECT_EQ(At(b, 0, y), At(a, 0, y)) << y;
    EXPECT_EQ(At(b, 89, y), At(a, 89, y)) << y;
  }
  // ... and everything inside it the face.
  for (auto [x, y] : {std::pair{frame, frame}, {89 - frame, 20 - frame}, {45, 10}})
    EXPECT_EQ(At(b, x, y), 0xFF0000u) << x << "," << y;
  form->Hide();
}

} // namespace
