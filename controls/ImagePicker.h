// TImagePicker: a drop-down list whose items show an image from an image
// list and a caption, with keyboard lookup on the captions. Each item is
// kept in the list as the string "image index|caption|position"; drawing
// and lookup read the image index and caption back from those strings, so a
// caption changed later shows only once the strings are rebuilt.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/OwCombo.h"

class TCustomImageList;
class TImagePicker;

class TImagePickerItem : public TPersistent {
public:
  explicit TImagePickerItem(TImagePicker* picker) : picker_(picker) {}
  std::string ClassName() const override { return "TImagePickerItem"; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int Tag() const { return tag_; }
  void SetTag(int v) { tag_ = v; }
  /// Copies ImageIndex, Caption and Tag, then rebuilds the list strings.
  void Assign(const TPersistent* source) override;
  int Index() const;
  /// "Item" and the index.
  std::string DisplayName() const;

private:
  friend class TImagePicker;
  TImagePicker* picker_;
  int imageIndex_ = -1;
  std::string caption_;
  int tag_ = 0;
};

class TImagePicker : public TOwCustomCombo {
  SK_CLASS(TImagePicker, TOwCustomCombo)
public:
  explicit TImagePicker(TComponent* owner);
  ~TImagePicker() override;

  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);
  int DropHeight() const { return dropHeight_; }
  void SetDropHeight(int v) { dropHeight_ = v; }
  int EditHeight() const { return editHeight_; }
  void SetEditHeight(int v);
  bool LookupIncr() const { return lookupIncr_; }
  void SetLookupIncr(bool v) { lookupIncr_ = v; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  const std::string& LookupText() const { return lookup_; }
  bool DroppedFlag() const { return droppedFlag_; }

  // The items.
  int ItemCountOfItems() const { return int(items_.size()); }
  TImagePickerItem* Items(int index) const { return items_.at(std::size_t(index)).get(); }
  TImagePickerItem* AddItem(int imageIndex, const std::string& caption);
  /// Removes an item (and rebuilds the strings when the window exists).
  void DeleteItemAt(int index);

  /// The list's selection, -1 for none.
  int ItemIndex() const { return int(const_cast<TImagePicker*>(this)->Perform(CB_GETCURSEL)); }
  /// Selects without any event (remembered while the list is open).
  void SetItemIndex(int value);
  void SetStyle(TComboBoxStyle) override;
  std::uint32_t VersionNumber() const override { return 0x01010100; }

  void RebuildListStrings();
  void Sort();
  /// Image index and caption read back from a list string.
  static void ParseListString(const std::string& s, int& imageIndex, std::string& caption);

  void Loaded() override;

protected:
  void DrawItem(int index, const TRect& rect, UINT state) override;
  void Dispatch(TMessage& message) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void CreateWnd() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TImagePickerItem;
  void Lookup(char c);
  bool SelectFirstMatch(int from, const std::string& text, bool localeUpper);
  TCustomImageList* images_ = nullptr;
  int dropHeight_ = 200;
  int editHeight_ = 0;
  std::vector<std::unique_ptr<TImagePickerItem>> items_;
  int remembered_ = 0;
  std::string lookup_;
  bool lookupIncr_ = false;
  bool sorted_ = false;
  bool droppedFlag_ = false;
  bool showCaption_ = false;
};

void RegisterImagePicker();
