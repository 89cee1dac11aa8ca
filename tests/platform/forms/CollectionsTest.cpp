#include <gtest/gtest.h>

#include "platform/forms/Collections.h"

namespace {

class TColumn : public TCollectionItem {
  SK_CLASS(TColumn, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  int Width() const { return width_; }
  void SetWidth(int w) {
    width_ = w;
    Changed(false);
  }
  void Assign(const TPersistent* source) override {
    if (auto* c = dynamic_cast<const TColumn*>(source)) {
      width_ = c->width_;
      return;
    }
    TCollectionItem::Assign(source);
  }

private:
  int width_ = 64;
};

TEST(Collections, ItemsWithIdsOrderAndBatchedChangeReports) {
  TComponent owner(nullptr);
  TOwnedCollection cols(&owner, [](TCollection* c) { return new TColumn(c); });
  EXPECT_EQ(cols.GetOwner(), &owner);
  std::vector<std::string> reports;
  cols.OnUpdate = [&](TCollectionItem* item) {
    reports.push_back(item ? "item " + std::string(1, char('0' + item->ID())) : "all");
  };
  auto* a = static_cast<TColumn*>(cols.Add());
  auto* b = static_cast<TColumn*>(cols.Add());
  EXPECT_EQ(reports, (std::vector<std::string>{"all", "all"}));
  reports.clear();
  b->SetWidth(10);
  EXPECT_EQ(reports, (std::vector<std::string>{"item 1"}));
  reports.clear();
  cols.BeginUpdate();
  cols.Add();
  a->SetWidth(5);
  cols.Insert(0);
  cols.EndUpdate();
  EXPECT_EQ(reports, (std::vector<std::string>{"all"}));
  ASSERT_EQ(cols.Count(), 4);
  EXPECT_EQ(cols.Items(0)->ID(), 3);
  EXPECT_EQ(a->Index(), 1);
  b->SetIndex(0);
  EXPECT_EQ(cols.Items(0), b);
  EXPECT_EQ(cols.FindItemID(2)->Index(), 3);
  delete a; // an item freed on its own leaves the collection
  EXPECT_EQ(cols.Count(), 3);
  EXPECT_EQ(cols.FindItemID(0), nullptr);
  EXPECT_THROW(cols.Items(3), EListError);

  TCollection copy([](TCollection* c) { return new TColumn(c); });
  copy.Assign(&cols);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(static_cast<TColumn*>(copy.Items(0))->Width(), 10);
  cols.Clear();
  EXPECT_EQ(cols.Count(), 0);
  TComponent other(nullptr);
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

} // namespace
