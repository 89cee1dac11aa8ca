#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Components.h"

namespace {

std::vector<std::string> gFreed;

/// A component that logs its destruction and the notifications it gets.
class TLogComponent : public TComponent {
  SK_CLASS(TLogComponent, TComponent)
public:
  using TComponent::TComponent;
  ~TLogComponent() override { gFreed.push_back(Name()); }
  std::vector<std::string> Notes;
  TComponent* Watched = nullptr;

protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    Notes.push_back(std::string(op == TOperation::opInsert ? "insert " : "remove ") +
                    (c ? c->Name() : "?"));
    if (op == TOperation::opRemove && c == Watched) Watched = nullptr;
  }
};

TEST(Components, OwnerFreesOwnedComponentsLastToFirst) {
  gFreed.clear();
  auto* owner = new TLogComponent(nullptr);
  owner->SetName("Owner");
  for (const char* n : {"A", "B", "C"})
    (new TLogComponent(owner))->SetName(n);
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(1)->Name(), "B");
  EXPECT_EQ(owner->Components(2)->ComponentIndex(), 2);
  delete owner;
  EXPECT_EQ(gFreed, (std::vector<std::string>{"Owner", "C", "B", "A"}));
}

TEST(Components, FreeingAComponentLeavesItsOwner) {
  TLogComponent owner(nullptr);
  auto* a = new TLogComponent(&owner);
  a->SetName("A");
  auto* b = new TLogComponent(&owner);
  b->SetName("B");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW(owner.Components(1), EListError);
}

TEST(Components, NamesAreUniqueIgnoringCaseAndMustBeIdentifiers) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("Button1");
  auto* b = new TComponent(&owner);
  try {
    b->SetName("BUTTON1");
    FAIL() << "duplicate accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
  }
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  b->SetName("_ok2");
  b->SetName("");
  (new TComponent(&owner))->SetName(""); // several unnamed components are fine
  a->SetName("button1");                 // a component may change its own name's case
  EXPECT_EQ(owner.FindComponent("BUTTON1"), a);
  EXPECT_EQ(owner.FindComponent("missing"), nullptr);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST(Components, OwnerBroadcastsInsertAndRemoveToItsComponents) {
  TLogComponent owner(nullptr);
  owner.SetName("Owner");
  auto* watcher = new TLogComponent(nullptr);
  watcher->SetName("W");
  owner.InsertComponent(watcher);
  auto* other = new TLogComponent(nullptr);
  other->SetName("X");
  owner.InsertComponent(other);
  owner.RemoveComponent(other);
  EXPECT_EQ(owner.Notes, (std::vector<std::string>{"insert W", "insert X", "remove X"}));
  // The owner tells every component it holds, the new one included.
  EXPECT_EQ(watcher->Notes, (std::vector<std::string>{"insert W", "insert X", "remove X"}));
  EXPECT_EQ(other->Owner(), nullptr);
  delete other;
}

TEST(Components, FreeNotificationWorksBothWaysAcrossOwners) {
  TLogComponent ownerA(nullptr), ownerB(nullptr);
  auto* viewer = new TLogComponent(&ownerA);
  viewer->SetName("viewer");
  auto* user = new TLogComponent(&ownerB);
  user->SetName("user");
  user->Watched = viewer;
  viewer->FreeNotification(user);
  delete viewer; // the user hears of it and clears its reference
  EXPECT_EQ(user->Watched, nullptr);
  EXPECT_EQ(user->Notes.back(), "remove viewer");

  // The other way: the user goes first; the viewer no longer points at it.
  auto* viewer2 = new TLogComponent(&ownerA);
  viewer2->SetName("viewer2");
  auto* user2 = new TLogComponent(&ownerB);
  user2->SetName("user2");
  viewer2->Watched = user2;
  viewer2->FreeNotification(user2);
  delete user2;
  EXPECT_EQ(viewer2->Watched, nullptr);
  // RemoveFreeNotification breaks the link: no notification any more.
  auto* user3 = new TLogComponent(&ownerB);
  user3->SetName("user3");
  viewer2->FreeNotification(user3);
  viewer2->RemoveFreeNotification(user3);
  size_t before = viewer2->Notes.size();
  delete user3;
  EXPECT_EQ(viewer2->Notes.size(), before);
}

TEST(Components, DestroyingIsMarkedOnOwnedComponentsBeforeTheyGo) {
  struct TCheck : TComponent {
    using TComponent::TComponent;
    bool* sawDestroying;
    ~TCheck() override { *sawDestroying = IsDestroying(); }
  };
  bool saw = false;
  auto* owner = new TComponent(nullptr);
  auto* child = new TCheck(owner);
  child->sawDestroying = &saw;
  delete owner;
  EXPECT_TRUE(saw);
  // Freed alone, through any pointer type: marked before its own class's
  // destructor runs.
  saw = false;
  TPersistent* alone = new TCheck(nullptr);
  static_cast<TCheck*>(alone)->sawDestroying = &saw;
  delete alone;
  EXPECT_TRUE(saw);
  saw = false;
  auto held = std::make_unique<TCheck>(nullptr);
  held->sawDestroying = &saw;
  held.reset();
  EXPECT_TRUE(saw);
}

TEST(Components, AssignWithoutSupportFailsNamingBothClasses) {
  TComponent a(nullptr), b(nullptr);
  try {
    a.Assign(&b);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TComponent");
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

TEST(Components, LoadingStateIsSetAndClearedByTheLoadedStep) {
  TComponent c(nullptr);
  EXPECT_FALSE(c.IsLoading());
  c.BeginLoading();
  EXPECT_TRUE(c.ComponentState().Contains(TComponentStateItem::csLoading));
  EXPECT_TRUE(c.ComponentState().Contains(TComponentStateItem::csReading));
  c.Loaded();
  EXPECT_FALSE(c.IsLoading());
  EXPECT_FALSE(c.ComponentState().Contains(TComponentStateItem::csReading));
  EXPECT_FALSE(c.ComponentState().Contains(TComponentStateItem::csDesigning));
}

} // namespace
