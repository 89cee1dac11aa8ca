// TMenuWindow: the window of an owner-drawn popup menu (class "#32768").
// Each visible item is sized by its MeasureItem (starting from 10 wide) and
// drawn by its AdvancedDrawItem on a device context of the window
// (WindowFromDC finds it); the items lie in columns (an item with Break
// starts a new one) inside a 3-pixel frame, and their rectangles are client
// coordinates whose origin is the frame's inner corner (3, 3) of the window.
// GetWindowDC draws on the whole window, frame included. The window
// procedure can be replaced (SetWindowLong with GWL_WNDPROC) like any
// other.
//
// The window opens with its left edge at X, or ending at X when it would
// pass the desktop's right edge, kept on the desktop. Moving the pointer
// highlights an item; a click or Enter closes the window, then the chosen
// item's OnClick fires once; Esc or a click outside closes it without a
// choice. Closing sends the window WM_SHOWWINDOW (hidden), then WM_CLOSE,
// which destroys it (WM_DESTROY), through its window procedure.
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

class TMenuWindow : public TCustomControl {
  SK_CLASS(TMenuWindow, TCustomControl)
public:
  explicit TMenuWindow(TPopupMenu* menu);
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
  /// An item's rectangle in window coordinates (its client rectangle moved
  /// by the frame).
  TRect ItemRect(int index) const;
  /// An item's rectangle in the client coordinates items are drawn in.
  TRect ItemClientRect(int index) const { return items_.at(std::size_t(index)).rect; }
  /// The items (rows) the window shows: the sub-items of this item.
  TMenuItem* ParentItem() const { return parentItem_; }
  int HotIndex() const { return hot_; }
  /// The item under a point in window coordinates, -1 for none.
  int ItemAt(TPoint p) const;
  /// Highlights an item (−1: none); an item with sub-items opens them.
  void SetHotIndex(int index);

  /// 1 for the menu's own window, one more per submenu level.
  int Level() const { return parent_ ? parent_->Level() + 1 : 1; }
  TMenuWindow* ParentWindow() const { return parent_; }
  /// The open submenu window (null: none).
  TMenuWindow* Submenu() const { return sub_.get(); }

  /// The item's rectangle on the screen; false when no open menu window shows
  /// `menu`'s items or `position` (among its visible items) is not shown.
  /// With `window` 0 the open window showing `menu` is found.
  static bool ItemScreenRect(HWND window, TMenuItem* menu, int position, TRect* rect);

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
    TRect rect; // client coordinates
  };
  /// Measures the items; the window's size.
  TSize Layout();
  void Place(int left, int top, int width, int height);
  void MoveHot(Word key);
  void OpenSubmenu(int index);
  void CloseSubmenu();
  /// Hides the window and lets its procedure hear of it.
  void HideWindow();
  /// The chain's root window.
  TMenuWindow* Root();
  void Show();

  TPopupMenu* menu_;
  TMenuWindow* parent_ = nullptr;
  TMenuItem* parentItem_ = nullptr;
  std::unique_ptr<TMenuWindow> sub_;
  std::vector<std::unique_ptr<TMenuWindow>> closed_; // freed with the root
  std::vector<TEntry> items_;
  int hot_ = -1;
  bool open_ = false;
  TMenuItem* chosen_ = nullptr;
};

/// The screen rectangle of the item at `position` (among the visible items)
/// of the menu `menu` (the item whose sub-items are shown) in the menu window
/// `window`, or in the open window showing it when `window` is 0; false when
/// there is none.
bool GetMenuItemRect(HWND window, TMenuItem* menu, int position, TRect* rect);

/// Tests: called with each menu window once it is shown (instead of waiting
/// for a person); the hook clicks or closes it.
void SetMenuWindowHook(std::function<void(TMenuWindow* window)> hook);
