// String lists.
//
// TStrings is the abstract list of text lines, each with an object slot the
// size of a pointer (callers may keep integers in it); descendants provide
// the storage (TStringList here, the item lists of controls elsewhere).
// Lines are bytes: Text joins them with CR LF after every line, the last one
// included, and setting Text splits at CR LF, LF or CR. Name=value lines:
// the name is the text before the first '='; names compare as the list
// compares its lines (ignoring case unless CaseSensitive is set).
//
// TStringList adds sorting (Find is a binary search; the sort is not
// stable), the duplicate rule of sorted lists, change events and owned
// objects. CaseSensitive is false by default: lines compare with
// AnsiCompareText (Unicode letter case ignored, independent of the locale).
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"

#include <functional>
#include <string>
#include <vector>

class TStream;
class TStrings;

using TStringsNotifyEvent = std::function<void(TStrings* Sender)>;

class TStrings {
public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  // The storage a descendant provides.
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void* GetObject(int index) const;
  virtual void PutObject(int index, void* object);
  virtual void Put(int index, const std::string& s);

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, void* object);
  virtual void InsertObject(int index, const std::string& s, void* object);
  virtual int IndexOf(const std::string& s) const;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);
  virtual std::string Text() const;
  virtual void SetText(const std::string& text);
  /// Replaces the lines and objects with those of `source`.
  virtual void Assign(const TStrings& source);
  /// Negative, zero or positive; the base ignores letter case.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;

  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  std::string operator[](int index) const { return Get(index); }
  void* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, void* object) { PutObject(index, object); }
  void Append(const std::string& s) { Add(s); }
  void AddStrings(const TStrings& strings);
  int IndexOfObject(const void* object) const;
  bool Equals(const TStrings& other) const;

  /// The text before the first '=' ('' when the line has none).
  std::string Names(int index) const;
  /// The text after the first '=' of line `index`.
  std::string ValueFromIndex(int index) const;
  /// The index of the first line whose name is `name`, or -1.
  int IndexOfName(const std::string& name) const;
  /// The value of the first line named `name` (not trimmed); '' when none.
  std::string Values(const std::string& name) const;
  /// Sets the value of the first line named `name`, adding a line when there
  /// is none; an empty value deletes the line.
  void SetValues(const std::string& name, const std::string& value);

  /// Changes between BeginUpdate and the matching EndUpdate are reported
  /// once, at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  /// Reads the stream from its position to its end as Text (bytes kept).
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

protected:
  /// Called with true at the outermost BeginUpdate, false at its EndUpdate.
  virtual void SetUpdateState(bool updating);
  /// Replaces line `index` with `line` for SetValues (Put by default).
  virtual void replaceValueLine(int index, const std::string& line);
  [[noreturn]] static void indexError(int index);

private:
  int updateCount_ = 0;
};

class TStringList;
/// Compares the lines at two indexes of the list.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

class TStringList : public TStrings {
public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, void* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, void* object) override;
  void Delete(int index) override;
  void Clear() override;
  int IndexOf(const std::string& s) const override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;

  /// Binary search of a sorted list: true when `s` is there, with `index`
  /// its first position; otherwise false with `index` where it would go.
  bool Find(const std::string& s, int& index) const;
  /// Sorts the lines (nothing for a list that is already Sorted).
  void Sort();
  void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);

  /// With OwnsObjects the list frees the object of every line it deletes,
  /// and all of them when cleared or destroyed, through `deleter`
  /// (DeleteAs<T> for objects made with new T).
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value, void (*deleter)(void*) = nullptr);
  template <class T> static void DeleteAs(void* object) { delete static_cast<T*>(object); }

  TStringsNotifyEvent OnChange;
  TStringsNotifyEvent OnChanging;

protected:
  void SetUpdateState(bool updating) override;
  /// A sorted list moves the line to its new place, keeping its object.
  void replaceValueLine(int index, const std::string& line) override;
  virtual void Changing();
  virtual void Changed();

private:
  struct Item {
    std::string text;
    void* object;
  };
  void checkIndex(int index) const;
  void insertItem(int index, const std::string& s, void* object);
  void sortBy(const TStringListSortCompare& compare);
  void freeObject(void* object);

  std::vector<Item> items_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  void (*deleter_)(void*) = nullptr;
};
