// TMenuWindow: a self-drawn popup menu window for owner-drawn menus. Each
// visible item of the menu is measured (starting from 10 × 19: a plain
// owner-drawn item is 16 high plus 3) and drawn by the owner's callbacks;
// items stack in one column inside a 3-pixel frame. The window opens with
// its left edge at X, or ending at X when it would pass the desktop's right
// edge, kept on the desktop. Moving the pointer highlights an item; a click
// or Enter closes the window, then the chosen item's OnClick fires once;
// Esc or a click outside closes it without a choice.
//
// An item with sub-items opens them in a window of their own (level 2 and
// deeper) when the pointer rests on it, when it is clicked, or with Right
// or Enter; the submenu opens beside the item, to the right unless it would
// pass the desktop's edge. Left or Esc closes only the submenu; a choice in
// a submenu closes the whole chain.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Menus.h"

/// Owner-draw states of a menu item.
enum : UINT {
  ODS_MENU_SELECTED = 1,
  ODS_MENU_GRAYED = 2,
  ODS_MENU_DISABLED = 4,
  ODS_MENU_CHECKED = 8
};

struct TMenuOwnerDraw {
  /// Adjusts the item's width and height (given the defaults).
  std::function<void(TMenuItem* item, TCanvas* canvas, int& width, int& height)> Measure;
  /// Draws the item into `rect` (window coordinates); `menuArea` is the
  /// rectangle of all items.
  std::function<void(TMenuItem* item, TCanvas* canvas, const TRect& rect, const TRect& menuArea,
                     UINT state)>
      Draw;
  /// Draws over the frame after the items (may be empty).
  std::function<void(class TMenuWindow* window, TCanvas* canvas)> DrawFrame;
};

class TMenuWindow : public TCustomControl {
  SK_CLASS(TMenuWindow, TCustomControl)
public:
  TMenuWindow(TPopupMenu* menu, TMenuOwnerDraw draw);
  /// A submenu window: the sub-items of `item`, opened from `parent`.
  TMenuWindow(TMenuWindow* parent, TMenuItem* item);
  ~TMenuWindow() override;
  /// Shows the window at the screen point and runs until it closes; returns
  /// the chosen item (null when dismissed).
  TMenuItem* Exec(int x, int y);
  /// Lays the items out and places the window (Exec does this first).
  void Prepare(int x, int y);
  /// Closes the window, choosing `item` (null: no choice).
  void CloseWith(TMenuItem* item);

  int ItemCount() const { return int(items_.size()); }
  TMenuItem* Item(int index) const { return items_.at(std::size_t(index)).item; }
  TRect ItemRect(int index) const { return items_.at(std::size_t(index)).rect; }
  TRect MenuArea() const { return area_; }
  int HotIndex() const { return hot_; }
  int ItemAt(TPoint p) const;
  /// Highlights an item (−1: none); an item with sub-items opens them.
  void SetHotIndex(int index);

  /// 1 for the menu's own window, one more per submenu level.
  int Level() const { return parent_ ? parent_->Level() + 1 : 1; }
  TMenuWindow* ParentWindow() const { return parent_; }
  /// The item whose sub-items this window shows.
  TMenuItem* ParentItem() const { return parentItem_; }
  /// The open submenu window (null: none).
  TMenuWindow* Submenu() const { return sub_.get(); }
  /// A submenu that opened to the right of its parent item.
  bool OpensRight() const { return opensRight_; }
  /// Set by the owner once it has adjusted the window for this showing.
  bool Adjusted() const { return adjusted_; }
  void SetAdjusted(bool value) { adjusted_ = value; }

protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void Dispatch(TMessage& message) override;

private:
  struct TEntry {
    TMenuItem* item;
    TRect rect;
  };
  /// Measures the items; the window's size.
  TSize Layout();
  void Place(int left, int top, int width, int height);
  void MoveHot(Word key);
  void OpenSubmenu(int index);
  void CloseSubmenu();
  /// The chain's root window.
  TMenuWindow* Root();
  void Show();

  TPopupMenu* menu_;
  TMenuOwnerDraw draw_;
  TMenuWindow* parent_ = nullptr;
  TMenuItem* parentItem_ = nullptr;
  std::unique_ptr<TMenuWindow> sub_;
  std::vector<std::unique_ptr<TMenuWindow>> closed_; // freed with the root
  bool opensRight_ = true;
  bool adjusted_ = false;
  std::vector<TEntry> items_;
  TRect area_;
  int hot_ = -1;
  bool open_ = false;
  TMenuItem* chosen_ = nullptr;
};

/// Tests: called with each menu window once it is shown (instead of waiting
/// for a person); the hook clicks or closes it.
void SetMenuWindowHook(std::function<void(TMenuWindow* window)> hook);
