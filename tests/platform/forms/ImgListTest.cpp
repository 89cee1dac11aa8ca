#include <gtest/gtest.h>

#include <memory>

#include "platform/forms/ImgList.h"

namespace {

/// A strip of `n` 4 x 4 images: a fuchsia background with a coloured 2 x 2
/// centre per image.
std::unique_ptr<TBitmap> strip(int n, const std::vector<TColor>& colours) {
  auto bitmap = std::make_unique<TBitmap>(4 * n, 4);
  TBitmap& b = *bitmap;
  b.Canvas()->Brush()->SetColor(clFuchsia);
  b.Canvas()->FillRect(TRect(0, 0, 4 * n, 4));
  for (int i = 0; i < n; ++i) {
    b.Canvas()->Brush()->SetColor(colours[size_t(i)]);
    b.Canvas()->FillRect(TRect(4 * i + 1, 1, 4 * i + 3, 3));
  }
  return bitmap;
}

TEST(ImageLists, AddMaskedCutsStripsAndDrawsWithTransparency) {
  TImageList list(nullptr);
  list.SetWidth(4);
  list.SetHeight(4);
  int changes = 0;
  TChangeLink link;
  link.OnChange = [&](TPersistent*) { ++changes; };
  list.RegisterChanges(&link);
  auto s = strip(2, {clRed, clBlue});
  EXPECT_EQ(list.AddMasked(s.get(), clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 1);

  TBitmap target(10, 6);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect(0, 0, 10, 6));
  list.Draw(target.Canvas(), 2, 1, 1);
  EXPECT_EQ(target.Canvas()->Pixels(3, 2), clBlue);  // the centre
  EXPECT_EQ(target.Canvas()->Pixels(2, 1), clWhite); // transparent corner
  list.Draw(target.Canvas(), 6, 1, 0, false);        // greyed
  EXPECT_EQ(ColorToRGB(target.Canvas()->Pixels(7, 2)), ColorToRGB(clBtnShadow));
  list.DrawMask(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlack);

  TBitmap back;
  list.GetBitmap(0, &back);
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.Canvas()->Pixels(1, 1), clRed);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  list.SetWidth(8); // a new size empties the list
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(changes, 3);
  list.UnRegisterChanges(&link);
  list.Clear();
  EXPECT_EQ(changes, 3);
}

TEST(ImageLists, AChangeLinkOutlivingItsListIsSafe) {
  TChangeLink link;
  {
    TImageList list(nullptr);
    list.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &list);
  }
  EXPECT_EQ(link.Sender(), nullptr);
}

} // namespace
