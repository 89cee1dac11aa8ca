// Pop-up menus: TPopupMenu with TMenuItem items (captions with '&', enabled,
// visible, sub-items). A menu pops up in a nested loop; the chosen item's
// OnClick fires once, after the menu has closed. Tests answer menus through
// a hook instead of showing them.
//
// An owner-drawn menu (OwnerDraw) shows in menu windows of its own
// (MenuWindow.h): each item is sized by MeasureItem (the default size, then
// OnMeasureItem) and drawn by AdvancedDrawItem (OnAdvancedDrawItem, else
// OnDrawItem, else a plain look). A change of an item (a sub-item added, a
// caption, the visible, enabled or checked state) tells its menu through
// MenuChanged.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

class TBitmap;
class TCustomImageList;
class TPopupMenu;

/// Owner-draw states of a menu item (bits of the state it is drawn in).
enum : UINT {
  ODS_MENU_SELECTED = 1,
  ODS_MENU_GRAYED = 2,
  ODS_MENU_DISABLED = 4,
  ODS_MENU_CHECKED = 8
};

using TMenuMeasureItemEvent =
    std::function<void(TPersistent* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent =
    std::function<void(TPersistent* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TPersistent* Sender, TCanvas* ACanvas, const TRect& ARect, UINT State)>;

class TMenuItem : public TComponent {
  SK_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  int Command() const { return command_; }
  void SetCommand(int v) { command_ = v; }
  /// Virtual key with scShift/scCtrl/scAlt bits (0: none).
  Word ShortCut() const { return shortCut_; }
  void SetShortCut(Word v) { shortCut_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v) { imageIndex_ = v; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v) { radioItem_ = v; }
  bool Default() const { return default_; }
  void SetDefault(bool v) { default_ = v; }
  /// The item starts a new column.
  bool Break() const { return break_; }
  void SetBreak(bool v) { break_ = v; }

  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(size_t(index)); }
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  /// Takes the item into this one's sub-items (it stays owned by its owner).
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  void Clear();

  /// The item's own picture (created empty when first asked for).
  TBitmap* Bitmap();
  /// The item has a picture that is not empty.
  bool HasBitmap() const;
  /// Images of this item's sub-items (not owned).
  TCustomImageList* SubMenuImages() const { return subMenuImages_; }
  void SetSubMenuImages(TCustomImageList* images) { subMenuImages_ = images; }
  /// The images of this item: the nearest ancestor's SubMenuImages, else its
  /// menu's Images.
  TCustomImageList* GetImageList() const;
  /// The menu the item belongs to (through its root item); null for none.
  TPopupMenu* GetParentMenu() const;

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  virtual void Click();
  /// Sizes the item in an owner-drawn menu: its default height (the images'
  /// height, 16 for a picture or a plain item, plus 3), then OnMeasureItem.
  virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
  /// Draws the item: OnAdvancedDrawItem, else OnDrawItem, else its caption on
  /// the menu colour (the highlight colours when selected).
  virtual void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, UINT state);

private:
  friend class TPopupMenu;
  /// Tells the item's menu that `source` changed.
  void Changed(TMenuItem* source);
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  int command_ = 0;
  Word shortCut_ = 0;
  int imageIndex_ = -1;
  bool radioItem_ = false;
  bool default_ = false;
  bool break_ = false;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  std::unique_ptr<TBitmap> bitmap_;
  TCustomImageList* subMenuImages_ = nullptr;
  TPopupMenu* menu_ = nullptr; // the root item's menu
};

class TPopupMenu : public TComponent {
  SK_CLASS(TPopupMenu, TComponent)
public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  /// The root item; its sub-items are the menu.
  TMenuItem* Items() const { return items_; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c);

  /// Items are measured and drawn by their owner-draw events, in menu
  /// windows of the layer's own.
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v) { ownerDraw_ = v; }
  /// Images of the items (not owned; cleared when the list goes).
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);

  /// Shows the menu at a screen point and waits for the choice.
  virtual void Popup(int x, int y);
  TNotifyEvent OnPopup;

  /// An item of the menu changed: `source` is that item, null for the menu
  /// itself. Fires OnChange.
  virtual void MenuChanged(TMenuItem* source);
  std::function<void(TPersistent* Sender, TMenuItem* Source)> OnChange;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TMenuItem* items_;
  bool ownerDraw_ = false;
  TCustomImageList* images_ = nullptr;
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
};

/// Test hook: called instead of showing a menu with the menu and the screen
/// point; returns the item to choose (null: the menu is dismissed).
using TMenuAnswerer = std::function<TMenuItem*(TPopupMenu* menu, TPoint at)>;
void SetMenuAnswerer(TMenuAnswerer answerer);
/// The menu answerer in place (tests), or an empty function.
const TMenuAnswerer& CurrentMenuAnswerer();

/// Shortcuts: a virtual key with scShift/scCtrl/scAlt bits (Alt+Down = 32808).
using TShortCut = Word;
enum : Word { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(Word key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);
/// "Ctrl+N", "Alt+Down", "F5", "Shift+Ctrl+Del"; "" for none.
std::string ShortCutToText(TShortCut shortCut);
/// The inverse of ShortCutToText; 0 when the text names no shortcut.
TShortCut TextToShortCut(const std::string& text);
