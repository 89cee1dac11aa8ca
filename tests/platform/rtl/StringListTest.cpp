#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"

#include "RtlTempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace {
std::string joined(const TStrings& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i)
    out += (i ? "|" : "") + list.Get(i);
  return out;
}

void* tag(intptr_t n) {
  return reinterpret_cast<void*>(n);
}
} // namespace

TEST(TStringListTest, SortedListsIgnoreCaseByDefault) {
  TStringList list;
  EXPECT_FALSE(list.CaseSensitive());
  list.SetSorted(true);
  for (const char* s : {"b", "Z", "\xC3\xA9", "A", "E"})
    list.Add(s);
  // Letter case is ignored; other letters follow in code-point order.
  EXPECT_EQ(joined(list), "A|b|E|Z|\xC3\xA9");
  EXPECT_EQ(list.Add("a"), 0); // the same line as "A" under dupIgnore
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf("z"), 3);
  EXPECT_EQ(list.IndexOf("\xC3\x89"), 4); // É finds é

  int index = -1;
  EXPECT_TRUE(list.Find("e", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("c", index));
  EXPECT_EQ(index, 2); // where it would go
  EXPECT_FALSE(list.Find("zz", index));
  EXPECT_EQ(index, 4);

  list.SetCaseSensitive(true); // re-sorted by the case-sensitive order
  EXPECT_EQ(list.IndexOf("a"), -1);
  EXPECT_EQ(list.Add("a"), 3);
  EXPECT_EQ(joined(list), "A|E|Z|a|b|\xC3\xA9");
}

TEST(TStringListTest, UnsortedListsSearchInOrder) {
  TStringList list;
  list.SetText("beta\r\nALPHA\r\nalpha\r\n");
  EXPECT_EQ(list.IndexOf("Alpha"), 1); // the first match, case ignored
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("Alpha"), -1);
  EXPECT_EQ(list.IndexOf("alpha"), 2);
  list.SetCaseSensitive(false);
  list.Sort();
  EXPECT_EQ(list.IndexOf("beta"), 2);
  list.Insert(0, "first"); // allowed: not Sorted
  list.Exchange(0, 3);
  list.Move(0, 1);
  EXPECT_EQ(list.Get(3), "first");
}

TEST(TStringListTest, Duplicates) {
  const struct {
    TDuplicates rule;
    int expectedIndex; // of the second Add; -2: raises
    int count;
  } rows[] = {{dupIgnore, 1, 3}, {dupAccept, 1, 4}, {dupError, -2, 3}};
  for (const auto& row : rows) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(row.rule);
    list.AddObject("a", tag(1));
    list.AddObject("key", tag(2));
    list.AddObject("z", tag(3));
    int changes = 0;
    list.OnChange = [&](TStrings*) { ++changes; };
    if (row.expectedIndex == -2) {
      try {
        list.AddObject("KEY", tag(9));
        ADD_FAILURE() << "no exception";
      } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
      }
    } else {
      EXPECT_EQ(list.AddObject("KEY", tag(9)), row.expectedIndex) << row.rule;
    }
    EXPECT_EQ(list.Count(), row.count) << row.rule;
    EXPECT_EQ(changes, row.rule == dupAccept ? 1 : 0) << row.rule;
    // Under dupIgnore the offered object is not stored: the old line keeps its own.
    EXPECT_EQ(list.Objects(list.IndexOf("key")), row.rule == dupAccept ? tag(9) : tag(2));
  }
}

TEST(TStringListTest, SortedListsRefusePositionalEdits) {
  TStringList list;
  list.SetSorted(true);
  list.Add("b");
  list.Add("a");
  int changes = 0;
  list.OnChange = [&](TStrings*) { ++changes; };
  const std::function<void(TStringList&)> edits[] = {
      [](TStringList& l) { l.Insert(0, "c"); },
      [](TStringList& l) { l.InsertObject(0, "c", nullptr); },
      [](TStringList& l) { l.Exchange(0, 1); },
      [](TStringList& l) { l.Put(0, "c"); },
      [](TStringList& l) { l.Move(0, 1); },
  };
  for (const auto& edit : edits) {
    try {
      edit(list);
      ADD_FAILURE() << "no exception";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
  }
  EXPECT_EQ(joined(list), "a|b");
  EXPECT_EQ(changes, 0);
  try {
    list.Get(2);
    ADD_FAILURE() << "no exception";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(list.Delete(-1), EStringListError);
}

TEST(TStringListTest, NameValueLines) {
  TStringList list;
  list.SetText("a=1\r\nB= 2=3 \r\nnoequals\r\nb=second\r\n=empty name\r\n");
  const struct {
    const char* name;
    const char* value;
    int index;
  } rows[] = {
      {"a", "1", 0},     {"b", " 2=3 ", 1}, // the first match, case ignored, not trimmed
      {"B", " 2=3 ", 1}, {"noequals", "", -1}, {"", "empty name", 4}, {"missing", "", -1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(list.Values(row.name), row.value) << row.name;
    EXPECT_EQ(list.IndexOfName(row.name), row.index) << row.name;
  }
  EXPECT_EQ(list.Names(1), "B");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(3), "second");

  list.SetValues("b", "new"); // replaced in place
  EXPECT_EQ(list.Get(1), "b=new");
  list.SetValues("c", "3"); // added at the end
  EXPECT_EQ(list.Get(list.Count() - 1), "c=3");
  list.SetValues("a", ""); // an empty value deletes the line
  EXPECT_EQ(list.IndexOfName("a"), -1);
  list.SetValues("missing", ""); // nothing to delete
  EXPECT_EQ(joined(list), "b=new|noequals|b=second|=empty name|c=3");

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.AddObject("m=1", tag(5));
  sorted.Add("z=2");
  sorted.SetValues("m", "x"); // sorted lists move the line instead of refusing
  sorted.SetValues("n", "y");
  EXPECT_EQ(joined(sorted), "m=x|n=y|z=2");
  EXPECT_EQ(sorted.Objects(0), tag(5));
}

TEST(TStringListTest, TextEndsEveryLineWithCrLf) {
  const struct {
    std::string text;
    const char* lines;
    int count;
  } rows[] = {
      {"", "", 0},
      {"one", "one", 1},
      {"one\r\n", "one", 1},
      {"one\r\ntwo", "one|two", 2},
      {"a\nb\rc\r\nd", "a|b|c|d", 4},
      {"\r\n", "", 1},
      {"a\r\r\nb", "a||b", 3},
      {"a\n\n", "a|", 2},
  };
  for (const auto& row : rows) {
    TStringList list;
    list.SetText(row.text);
    EXPECT_EQ(list.Count(), row.count) << row.text;
    EXPECT_EQ(joined(list), row.lines) << row.text;
  }
  TStringList list;
  list.Add("x");
  list.Add("");
  list.Add("y");
  EXPECT_EQ(list.Text(), "x\r\n\r\ny\r\n");
  TStringList nul;
  nul.SetText(std::string("n\0l\r\n", 5));
  EXPECT_EQ(nul.Get(0), std::string("n\0l", 3));
}

TEST(TStringListTest, FilesAndStreamsKeepTheBytes) {
  RtlTempDir dir;
  const std::string bytes = "caf\xE9\tx \r\n\xEF\xBB\xBFline2\n";
  const std::string path = dir.Write("image1.jgw", bytes);
  TStringList list;
  list.LoadFromFile(path);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), "caf\xE9\tx ");
  EXPECT_EQ(list.Get(1), "\xEF\xBB\xBFline2");
  list.SetStrings(1, "46.5");
  list.SaveToFile(dir / "out.jgw");
  EXPECT_EQ(RtlTempDir::Read(dir / "out.jgw"), "caf\xE9\tx \r\n46.5\r\n");

  TStringStream stream("skip|a\nb");
  stream.SetPosition(5); // from the stream's position on
  list.LoadFromStream(stream);
  EXPECT_EQ(joined(list), "a|b");
  TStringStream out;
  list.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "a\r\nb\r\n");
  EXPECT_THROW(list.LoadFromFile(dir / "missing.txt"), EFOpenError);
  EXPECT_EQ(joined(list), "a|b"); // untouched by the failed load
}

TEST(TStringListTest, OnChangeCounts) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TStrings* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TStrings*) { ++changed; };

  list.Add("one");
  list.Add("two");
  list.Delete(0);
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(changing, 3);

  changed = changing = 0;
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("a");
  list.SetStrings(0, "b");
  list.EndUpdate();
  EXPECT_EQ(changed, 0); // still inside the outer update
  list.Add("c");
  list.EndUpdate();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(changing, 1);
  list.EndUpdate(); // unbalanced: ignored
  EXPECT_EQ(changed, 1);

  changed = 0;
  list.SetText("x\r\ny\r\nz");
  EXPECT_EQ(changed, 1);
  list.Sort();
  EXPECT_EQ(changed, 2);
  list.Clear();
  list.Clear(); // nothing to clear: no event
  EXPECT_EQ(changed, 3);
  TStringList other;
  other.Add("copied");
  list.Assign(other);
  EXPECT_EQ(changed, 4);
  EXPECT_EQ(joined(list), "copied");
}

namespace {
struct Owned {
  explicit Owned(int& deaths) : deaths_(deaths) {}
  ~Owned() { ++deaths_; }
  int& deaths_;
};
} // namespace

TEST(TStringListTest, ObjectsAndOwnership) {
  int deaths = 0;
  {
    TStringList list;
    EXPECT_THROW(list.SetOwnsObjects(true), EInvalidOperation);
    list.SetOwnsObjects(true, &TStringList::DeleteAs<Owned>);
    list.AddObject("a", new Owned(deaths));
    list.AddObject("b", new Owned(deaths));
    list.AddObject("c", new Owned(deaths));
    list.Add("no object");
    list.Delete(0);
    EXPECT_EQ(deaths, 1);
    list.Move(0, 2); // moving keeps the object alive
    list.Exchange(0, 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(list.IndexOfObject(list.Objects(2)), 2);
  }
  EXPECT_EQ(deaths, 3); // the rest went with the list

  TStringList codes; // integers in the object slot
  codes.AddObject("WGE", tag(7));
  codes.AddObject("WD", tag(-1));
  EXPECT_EQ(reinterpret_cast<intptr_t>(codes.Objects(codes.IndexOf("wd"))), -1);
  codes.SetObjects(0, tag(8));
  EXPECT_EQ(codes.Objects(0), tag(8));
}

TEST(TStringListTest, CustomSort) {
  TStringList list;
  list.SetText("ccc\r\na\r\nbb\r\ndddd");
  list.CustomSort([](TStringList& l, int i, int j) {
    return static_cast<int>(l.Get(i).size()) - static_cast<int>(l.Get(j).size());
  });
  EXPECT_EQ(joined(list), "a|bb|ccc|dddd");

  // A comparison that contradicts itself must not take the sort out of the list.
  TStringList big;
  for (int i = 0; i < 200; ++i)
    big.Add(std::string(1, static_cast<char>('a' + i % 26)));
  unsigned seed = 1;
  big.CustomSort([&](TStringList&, int, int) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % 3) - 1;
  });
  EXPECT_EQ(big.Count(), 200);

  big.SetSorted(true);
  big.CustomSort([](TStringList&, int, int) { return 1; }); // a Sorted list stays as it is
  for (int i = 1; i < big.Count(); ++i)
    EXPECT_LE(big.CompareStrings(big[i - 1], big[i]), 0);
}
