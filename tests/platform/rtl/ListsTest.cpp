#include "platform/rtl/Lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {
int a = 1, b = 2, c = 3, d = 4;

std::string order(const TList& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i)
    text += static_cast<char>('0' + *static_cast<int*>(list.Items(i)));
  return text;
}
} // namespace

TEST(TListTest, EditingKeepsOrder) {
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  list.Insert(0, &c); // 3 1 2
  list.Insert(3, &d); // 3 1 2 4
  EXPECT_EQ(order(list), "3124");
  EXPECT_EQ(list.IndexOf(&b), 2);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
  list.Exchange(0, 3); // 4 1 2 3
  EXPECT_EQ(order(list), "4123");
  list.Move(0, 3); // 1 2 3 4
  EXPECT_EQ(order(list), "1234");
  EXPECT_EQ(list.Remove(&c), 2);
  EXPECT_EQ(list.Remove(&c), -1);
  EXPECT_EQ(list.Extract(&a), &a);
  EXPECT_EQ(list.Extract(&a), nullptr);
  EXPECT_EQ(order(list), "24");
  list.Delete(1);
  EXPECT_EQ(order(list), "2");
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Last(), &b);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TListTest, SortAndPack) {
  TList list;
  for (int* p : {&c, &a, &d, &b})
    list.Add(p);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(order(list), "1234");
  list.Insert(2, nullptr);
  list.Add(nullptr);
  EXPECT_EQ(list.Count(), 6);
  list.Pack();
  EXPECT_EQ(order(list), "1234");
}

TEST(TListTest, BadIndexRaisesListError) {
  TList list;
  list.Add(&a);
  list.Add(&b);
  const struct {
    const char* what;
    std::function<void(TList&)> call;
    const char* message;
  } rows[] = {
      {"Items -1", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
      {"Items 2", [](TList& l) { l.Items(2); }, "List index out of bounds (2)"},
      {"SetItems", [](TList& l) { l.SetItems(5, nullptr); }, "List index out of bounds (5)"},
      {"Delete", [](TList& l) { l.Delete(2); }, "List index out of bounds (2)"},
      {"Insert past end", [](TList& l) { l.Insert(3, nullptr); }, "List index out of bounds (3)"},
      {"Exchange", [](TList& l) { l.Exchange(0, 7); }, "List index out of bounds (7)"},
      {"Move", [](TList& l) { l.Move(-2, 0); }, "List index out of bounds (-2)"},
  };
  for (const auto& row : rows) {
    try {
      row.call(list);
      ADD_FAILURE() << row.what << ": no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), row.message) << row.what;
    }
  }
  EXPECT_EQ(order(list), "12"); // nothing changed
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
}

namespace {
struct Counted {
  explicit Counted(int& deaths) : deaths_(deaths) {}
  ~Counted() { ++deaths_; }
  int& deaths_;
};
} // namespace

TEST(TObjectListTest, OwnsWhatItHolds) {
  int deaths = 0;
  {
    TObjectList<Counted> list;
    auto* kept = new Counted(deaths);
    for (int i = 0; i < 3; ++i)
      list.Add(new Counted(deaths));
    list.Add(kept);
    list.Delete(0);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(list.Extract(kept), kept); // handed out, not freed
    EXPECT_EQ(deaths, 1);
    list.SetItems(0, new Counted(deaths)); // the replaced object is freed
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(list.Remove(list.Items(1)), 1);
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(list.Count(), 1);
    delete kept;
    EXPECT_EQ(deaths, 4);
  }
  EXPECT_EQ(deaths, 5); // the last one went with the list

  Counted outside(deaths);
  {
    TObjectList<Counted> borrowed(false);
    borrowed.Add(&outside);
    borrowed.Delete(0);
    borrowed.Add(&outside);
  }
  EXPECT_EQ(deaths, 5);
  TObjectList<Counted> empty;
  EXPECT_THROW(empty.Items(0), EListError);
}

TEST(TObjectListTest, SortsIteratesAndChecksPositions) {
  int deaths = 0;
  TObjectList<Counted> list;
  std::vector<Counted*> made;
  for (int i = 0; i < 4; ++i)
    made.push_back(new Counted(deaths));
  // Sorted by address, descending, then walked in order.
  for (Counted* c : made)
    list.Add(c);
  list.Sort([](const Counted* a, const Counted* b) { return a < b ? 1 : (a > b ? -1 : 0); });
  std::vector<Counted*> walked;
  for (Counted* c : list)
    walked.push_back(c);
  std::sort(made.begin(), made.end(), std::greater<>());
  EXPECT_EQ(walked, made);

  list.Exchange(0, 3);
  EXPECT_EQ(list.First(), made[3]);
  list.Move(0, 2);
  EXPECT_EQ(list[2], made[3]);
  EXPECT_THROW(list.Insert(5, nullptr), EListError);
  EXPECT_THROW(list.Move(0, 4), EListError);
  EXPECT_THROW(list.SetItems(4, nullptr), EListError);
  EXPECT_EQ(list.Count(), 4);
  list.Clear();
  EXPECT_EQ(deaths, 4);
  EXPECT_EQ(list.begin(), list.end());
}

TEST(TBitsTest, GrowsOnWriteAndChecksReads) {
  TBits bits;
  EXPECT_EQ(bits.Size(), 0);
  EXPECT_EQ(bits.OpenBit(), 0);
  bits.SetBits(0, true);
  bits.SetBits(1, true);
  bits.SetBits(9, true);
  EXPECT_EQ(bits.Size(), 10);
  EXPECT_TRUE(bits.Bits(9));
  EXPECT_FALSE(bits.Bits(5));
  EXPECT_EQ(bits.OpenBit(), 2);
  EXPECT_THROW(bits.Bits(10), EBitsError);
  EXPECT_THROW(bits.Bits(-1), EBitsError);
  EXPECT_THROW(bits.SetBits(-1, true), EBitsError);
  bits.SetSize(2);
  EXPECT_EQ(bits.OpenBit(), 2); // all set: the next free index is the size
}

TEST(TThreadListTest, LockedAddAndDuplicates) {
  TThreadList list;
  list.Add(&a);
  list.Add(&a); // ignored by default
  list.Add(&b);
  {
    TList& locked = list.LockList();
    EXPECT_EQ(locked.Count(), 2);
    std::atomic<bool> added{false};
    std::thread other([&] {
      list.Add(&c); // waits for the lock
      added = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(added);
    EXPECT_EQ(locked.Count(), 2);
    list.UnlockList();
    other.join();
    EXPECT_TRUE(added);
    list.Remove(&c);
  }
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add(&b), EListError);
  list.SetDuplicates(dupAccept);
  list.Add(&b);
  list.Remove(&a);
  EXPECT_EQ(order(list.LockList()), "22");
  list.UnlockList();

  std::vector<std::thread> threads;
  std::vector<int> values(400);
  list.Clear();
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i)
        list.Add(&values[static_cast<size_t>(t * 100 + i)]);
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(list.LockList().Count(), 400);
  list.UnlockList();
}
