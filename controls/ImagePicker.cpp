#include "controls/ImagePicker.h"

#include "controls/OwPaintUtil.h"

#include <algorithm>

#include "platform/forms/ImgList.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Properties.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

// ---- items ------------------------------------------------------------------------------------

void TImagePickerItem::SetImageIndex(int v) {
  imageIndex_ = v;
  if (picker_) picker_->Invalidate();
}

void TImagePickerItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  if (picker_) picker_->Invalidate();
}

void TImagePickerItem::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TImagePickerItem*>(source);
  if (!other) return TPersistent::Assign(source);
  imageIndex_ = other->imageIndex_;
  caption_ = other->caption_;
  tag_ = other->tag_;
  if (picker_) picker_->RebuildListStrings();
}

int TImagePickerItem::Index() const {
  if (!picker_) return -1;
  for (int i = 0; i < picker_->ItemCountOfItems(); ++i)
    if (picker_->Items(i) == this) return i;
  return -1;
}

std::string TImagePickerItem::DisplayName() const {
  return "Item" + IntToStr(Index());
}

// ---- the picker -------------------------------------------------------------------------------

TImagePicker::TImagePicker(TComponent* owner) : TOwCustomCombo(owner) {
  TCustomComboBox::SetStyle(TComboBoxStyle::csOwnerDrawFixed);
  SetBounds(left_, top_, 48, height_);
}

TImagePicker::~TImagePicker() = default;

void TImagePicker::SetStyle(TComboBoxStyle) {
  TCustomComboBox::SetStyle(TComboBoxStyle::csOwnerDrawFixed);
}

void TImagePicker::CreateWnd() {
  TOwCustomCombo::CreateWnd();
  if (editHeight_ == 0) SetEditHeight(18);
}

void TImagePicker::SetImages(TCustomImageList* images) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images_) images_->FreeNotification(this);
  Invalidate();
}

void TImagePicker::Notification(TComponent* component, TOperation operation) {
  TOwCustomCombo::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr &&
      component == static_cast<TComponent*>(images_))
    images_ = nullptr;
}

void TImagePicker::SetEditHeight(int v) {
  editHeight_ = v;
  Perform(CB_SETITEMHEIGHT, WPARAM(-1), v);
  Perform(CB_SETITEMHEIGHT, 0, v);
}

void TImagePicker::SetSorted(bool v) {
  sorted_ = v;
  if (v && !IsLoading()) Sort();
}

void TImagePicker::SetShowCaption(bool v) {
  showCaption_ = v;
  Invalidate();
}

TImagePickerItem* TImagePicker::AddItem(int imageIndex, const std::string& caption) {
  items_.push_back(std::make_unique<TImagePickerItem>(this));
  TImagePickerItem* item = items_.back().get();
  item->imageIndex_ = imageIndex;
  item->caption_ = caption;
  return item;
}

void TImagePicker::DeleteItemAt(int index) {
  if (index < 0 || index >= ItemCountOfItems()) return;
  items_.erase(items_.begin() + index);
  if (HandleAllocated()) RebuildListStrings();
}

void TImagePicker::SetItemIndex(int value) {
  if (droppedFlag_) remembered_ = value;
  Perform(CB_SETCURSEL, WPARAM(value), 0);
}

void TImagePicker::RebuildListStrings() {
  if (IsLoading()) return;
  std::vector<std::string>& strings = TCustomComboBox::Items();
  while (strings.size() > items_.size())
    strings.pop_back();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string s =
        IntToStr(items_[i]->ImageIndex()) + "|" + items_[i]->Caption() + "|" + IntToStr(int(i));
    if (i < strings.size())
      strings[i] = s;
    else
      strings.push_back(s);
  }
  Invalidate();
}

void TImagePicker::ParseListString(const std::string& s, int& imageIndex, std::string& caption) {
  const std::size_t first = s.find('|');
  // The caption runs to the last "|", so a caption may hold "|" itself.
  const std::size_t last = s.rfind('|');
  imageIndex = StrToIntDef(s.substr(0, first), -1);
  caption = first == std::string::npos
                ? std::string()
                : s.substr(first + 1, (last > first ? last : s.size()) - first - 1);
}

void TImagePicker::Sort() {
  std::vector<std::string>& strings = TCustomComboBox::Items();
  std::stable_sort(strings.begin(), strings.end(), [](const std::string& a, const std::string& b) {
    int ia, ib;
    std::string ca, cb;
    ParseListString(a, ia, ca);
    ParseListString(b, ib, cb);
    return AnsiCompareStr(ca, cb) < 0;
  });
  Invalidate();
}

void TImagePicker::Loaded() {
  TOwCustomCombo::Loaded();
  const int height = editHeight_;
  RebuildListStrings();
  SetItemIndex(remembered_);
  if (sorted_) Sort();
  SetEditHeight(height);
}

void TImagePicker::DrawItem(int index, const TRect& rect, UINT state) {
  TCanvas* c = Canvas();
  const bool selected = (state & ODS_SELECTED) != 0;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(selected ? clHighlight : Color());
  c->Pen()->SetColor(selected ? clHighlight : Color());
  c->Font()->Assign(*Font());
  if (selected) c->Font()->SetColor(clHighlightText);
  c->Rectangle(rect);
  if (index >= 0 && index < TCustomComboBox::ItemCount()) {
    TRect r = rect;
    r.Left += 2;
    int image = -1;
    std::string caption;
    ParseListString(TCustomComboBox::Item(index), image, caption);
    if (images_) images_->Draw(c, r.Left, rect.Top, image, true);
    if (!((state & ODS_COMBOBOXEDIT) && !showCaption_)) {
      if (images_) r.Left += images_->Width() + 4;
      c->Brush()->SetStyle(bsClear);
      CanvasDrawText(c, caption, r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->Pen()->SetColor(Color());
}

void TImagePicker::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CN_COMMAND: {
    TOwCustomCombo::Dispatch(m);
    const int code = int(m.WParam >> 16);
    if (code == CBN_SELCHANGE) {
      droppedFlag_ = false;
      remembered_ = ItemIndex();
      Change();
    } else if (code == CBN_DROPDOWN) {
      TCustomComboBox::SetBounds(Left(), Top(), Width(), editHeight_ + dropHeight_);
      DropDown();
      droppedFlag_ = true;
      SetItemIndex(ItemIndex());
      m.Result = 0;
      Click();
    }
    return;
  }
  case WM_LBUTTONUP:
    TOwCustomCombo::Dispatch(m);
    if (droppedFlag_) {
      SetItemIndex(remembered_);
      if (Perform(CB_GETDROPPEDSTATE) == 0) droppedFlag_ = false;
    }
    return;
  case WM_CHAR: {
    TOwCustomCombo::Dispatch(m);
    // The lookup is the user's choice of an item: a changed selection is
    // reported as a choice in the list is.
    const int before = ItemIndex();
    if (m.WParam >= 32) Lookup(char(m.WParam));
    if (ItemIndex() != before) Notify(CBN_SELCHANGE);
    return;
  }
  default:
    TOwCustomCombo::Dispatch(m);
  }
}

void TImagePicker::KeyDown(Word& key, TShiftState shift) {
  TOwCustomCombo::KeyDown(key, shift);
  if (key == VK_ESCAPE || (key >= 33 && key <= 40))
    lookup_.clear();
  else if (key == VK_BACK && !lookup_.empty())
    lookup_.pop_back();
}

bool TImagePicker::SelectFirstMatch(int from, const std::string& text, bool localeUpper) {
  const std::string wanted = localeUpper ? AnsiUpperCase(text) : UpperCase(text);
  for (int i = std::max(from, 0); i < TCustomComboBox::ItemCount(); ++i) {
    int image;
    std::string caption;
    ParseListString(TCustomComboBox::Item(i), image, caption);
    if (caption.empty()) continue;
    const std::string have = localeUpper ? AnsiUpperCase(caption) : UpperCase(caption);
    if (have.compare(0, wanted.size(), wanted) == 0) {
      SetItemIndex(i);
      return true;
    }
  }
  return false;
}

void TImagePicker::Lookup(char c) {
  lookup_ = lookupIncr_ ? lookup_ + c : std::string(1, c);
  const int current = ItemIndex();
  if ((current >= 0 || lookupIncr_) && SelectFirstMatch(current, lookup_, true)) return;
  if (SelectFirstMatch(0, lookup_, false)) return;
  if (lookupIncr_) {
    lookup_ = std::string(1, c);
    SelectFirstMatch(0, lookup_, true);
  }
}

void RegisterImagePicker() {
  EnsureFormsClassesRegistered();
  RegisterProperties<TCustomComboBox>();
  RegisterProperties<TOwCustomCombo>()
      .String("Version", &TOwCustomCombo::Version, &TOwCustomCombo::SetVersion, "1.2.4.1")
      .Integer("Color", &TOwCustomCombo::Color, &TOwCustomCombo::SetComboColor);
  using P = TImagePicker;
  RegisterProperties<P>()
      .Boolean("Flat", &P::Flat, &P::SetFlat, false)
      .Boolean("Etched", &P::Etched, &P::SetEtched, false)
      .Boolean("FocusBorder", &P::FocusBorder, &P::SetFocusBorder, false)
      .Integer("DropWidth", &P::DropWidth, &P::SetDropWidth, 0)
      .Integer("DropHeight", &P::DropHeight, &P::SetDropHeight, 200)
      .Integer("EditHeight", &P::EditHeight, &P::SetEditHeight, 0)
      .Boolean("LookupIncr", &P::LookupIncr, &P::SetLookupIncr, false)
      .Boolean("Sorted", &P::Sorted, &P::SetSorted, false)
      .Boolean("ShowCaption", &P::ShowCaption, &P::SetShowCaption, false)
      .Integer("ItemIndex", &P::ItemIndex, &P::SetItemIndex, -1)
      .Reference<TCustomImageList>("Images", &P::Images, &P::SetImages)
      .String("Version", &P::Version, &P::SetVersion, "1.1.1.0");
  RegisterComponentClass<P>();
}
