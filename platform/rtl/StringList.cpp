#include "platform/rtl/StringList.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

#include <utility>

namespace {
const char* const kSortedListError = "Operation not allowed on sorted list";
const char* const kDuplicateError = "String list does not allow duplicates";
} // namespace

// ---- TStrings -----------------------------------------------------------------------

void TStrings::indexError(int index) {
  throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

void* TStrings::GetObject(int) const {
  return nullptr;
}

void TStrings::PutObject(int, void*) {}

void TStrings::Put(int index, const std::string& s) {
  void* object = GetObject(index);
  TUpdateScope<TStrings> update(*this);
  Delete(index);
  InsertObject(index, s, object);
  update.End();
}

int TStrings::Add(const std::string& s) {
  const int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, void* object) {
  const int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& s, void* object) {
  Insert(index, s);
  PutObject(index, object);
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

void TStrings::Exchange(int index1, int index2) {
  TUpdateScope<TStrings> update(*this);
  const std::string s1 = Get(index1), s2 = Get(index2);
  void* o1 = GetObject(index1);
  void* o2 = GetObject(index2);
  Put(index1, s2);
  PutObject(index1, o2);
  Put(index2, s1);
  PutObject(index2, o1);
  update.End();
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  TUpdateScope<TStrings> update(*this);
  const std::string s = Get(curIndex);
  void* object = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, object);
  update.End();
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  TUpdateScope<TStrings> update(*this);
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      Add(text.substr(start));
      break;
    }
    Add(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  update.End();
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  TUpdateScope<TStrings> update(*this);
  Clear();
  AddStrings(source);
  update.End();
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
  return AnsiCompareText(a, b);
}

void TStrings::AddStrings(const TStrings& strings) {
  TUpdateScope<TStrings> update(*this);
  for (int i = 0; i < strings.Count(); ++i)
    AddObject(strings.Get(i), strings.GetObject(i));
  update.End();
}

int TStrings::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

std::string TStrings::Names(int index) const {
  const std::string line = Get(index);
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string line = Get(index);
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string line = Get(i);
    const size_t eq = line.find('=');
    if (eq != std::string::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0)
    Add(name + "=" + value);
  else
    replaceValueLine(index, name + "=" + value);
}

void TStrings::replaceValueLine(int index, const std::string& line) {
  Put(index, line);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromStream(TStream& stream) {
  const int64_t size = stream.Size() - stream.Position();
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  SetText(bytes);
}

void TStrings::SaveToStream(TStream& stream) const {
  const std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- TStringList -------------------------------------------------------------------

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_) {
    std::vector<Item> old;
    old.swap(items_);
    for (auto& item : old)
      freeObject(item.object);
  }
}

void TStringList::checkIndex(int index) const {
  if (index < 0 || index >= Count()) indexError(index);
}

void TStringList::freeObject(void* object) {
  if (ownsObjects_ && object != nullptr && deleter_ != nullptr) deleter_(object);
}

std::string TStringList::Get(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError(kSortedListError);
  checkIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

void* TStringList::GetObject(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, void* object) {
  checkIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}

int TStringList::Add(const std::string& s) {
  return AddObject(s, nullptr);
}

int TStringList::AddObject(const std::string& s, void* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    switch (duplicates_) {
    case dupIgnore:
      return index; // nothing stored: the caller keeps its object
    case dupError:
      throw EStringListError(kDuplicateError);
    case dupAccept:
      break;
    }
  }
  insertItem(index, s, object);
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string& s, void* object) {
  if (sorted_) throw EStringListError(kSortedListError);
  if (index < 0 || index > Count()) indexError(index);
  insertItem(index, s, object);
}

void TStringList::insertItem(int index, const std::string& s, void* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  checkIndex(index);
  Changing();
  void* object = items_[static_cast<size_t>(index)].object;
  items_.erase(items_.begin() + index);
  freeObject(object);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  for (auto& item : old)
    freeObject(item.object);
  Changed();
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

void TStringList::Exchange(int index1, int index2) {
  if (sorted_) throw EStringListError(kSortedListError);
  checkIndex(index1);
  checkIndex(index2);
  Changing();
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (sorted_) throw EStringListError(kSortedListError);
  checkIndex(curIndex);
  checkIndex(newIndex);
  Changing();
  Item item = std::move(items_[static_cast<size_t>(curIndex)]);
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, std::move(item));
  Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<size_t>(mid)].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int i, int j) {
    return list.CompareStrings(list.items_[static_cast<size_t>(i)].text,
                               list.items_[static_cast<size_t>(j)].text);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || Count() < 2) return;
  Changing();
  sortBy(compare);
  Changed();
}

void TStringList::sortBy(const TStringListSortCompare& compare) {
  // Quicksort on the live list, so that `compare` sees the lines by index.
  // The scans stay inside their range even when `compare` is inconsistent.
  std::vector<std::pair<int, int>> ranges{{0, Count() - 1}};
  while (!ranges.empty()) {
    auto [lo, hi] = ranges.back();
    ranges.pop_back();
    while (lo < hi) {
      int i = lo, j = hi, p = lo + (hi - lo) / 2;
      do {
        while (i < hi && compare(*this, i, p) < 0)
          ++i;
        while (j > lo && compare(*this, j, p) > 0)
          --j;
        if (i <= j) {
          if (i != j) {
            std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
            if (p == i)
              p = j;
            else if (p == j)
              p = i;
          }
          ++i;
          --j;
        }
      } while (i <= j);
      // Go on with the larger part; keep the smaller for later.
      if (j - lo < hi - i) {
        if (lo < j) ranges.emplace_back(lo, j);
        lo = i;
      } else {
        if (i < hi) ranges.emplace_back(i, hi);
        hi = j;
      }
    }
  }
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

void TStringList::SetOwnsObjects(bool value, void (*deleter)(void*)) {
  if (deleter != nullptr) deleter_ = deleter;
  if (value && deleter_ == nullptr)
    throw EInvalidOperation("A string list that owns its objects needs a deleter");
  ownsObjects_ = value;
}

void TStringList::replaceValueLine(int index, const std::string& line) {
  if (!sorted_) {
    Put(index, line);
    return;
  }
  checkIndex(index);
  Changing();
  void* object = items_[static_cast<size_t>(index)].object;
  items_.erase(items_.begin() + index);
  int at = 0;
  Find(line, at);
  items_.insert(items_.begin() + at, Item{line, object});
  Changed();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}
