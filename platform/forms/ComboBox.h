// TCustomComboBox: a self-drawn drop-down list that gives owner-drawn combo
// boxes the native message order they rely on.
//
// - The list holds strings; the selection is read and written with
//   CB_GETCURSEL / CB_SETCURSEL (no event).
// - A left press on the control opens the list: the control receives
//   CN_COMMAND(CBN_DROPDOWN) during the press, and the release arrives as
//   WM_LBUTTONUP afterwards.
// - A click in the open list is the list's own: it hides the list, then the
//   control receives CN_COMMAND(CBN_CLOSEUP) and CN_COMMAND(CBN_SELCHANGE).
// - The default CN_COMMAND handling: CBN_SELCHANGE sets the text, then Click
//   (OnClick) and Change (OnChange); CBN_DROPDOWN raises OnDropDown;
//   CBN_CLOSEUP raises OnCloseUp.
// - Items are drawn through DrawItem with ODS_SELECTED and, for the
//   selection field, ODS_COMBOBOXEDIT.
// - WM_CHAR selects the next item whose text starts with the character.
// - Keys: F4 and Alt+Down/Up open and close the list, Return and Escape close
//   an open one, the arrows, Home, End and the page keys choose an item; a
//   choice by key is reported with CBN_SELCHANGE, as a click in the list is.
// - The focus moving to another control of the window closes the list.
// - A SetBounds height sets the dropped list's size; the control's own
//   height is the item height of the selection field + 6.
// - There is no non-client area: each WM_PAINT is followed by WM_NCPAINT,
//   where a control draws its frame.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

enum : UINT {
  WM_DRAWITEM = 0x002B,
  CB_GETCURSEL = 0x0147,
  CB_GETCOUNT = 0x0146,
  CB_SETCURSEL = 0x014E,
  CB_SHOWDROPDOWN = 0x014F,
  CB_SETITEMHEIGHT = 0x0153,
  CB_GETITEMHEIGHT = 0x0154,
  CB_GETDROPPEDSTATE = 0x0157,
  CB_SETDROPPEDWIDTH = 0x0160,
};
enum : int { CBN_SELCHANGE = 1, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8 };
enum : UINT { ODS_SELECTED = 0x0001, ODS_FOCUS = 0x0010, ODS_COMBOBOXEDIT = 0x1000 };
enum class TComboBoxStyle {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};

class TComboListWindow;

class TCustomComboBox : public TCustomControl {
  SK_CLASS(TCustomComboBox, TCustomControl)
public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  int ItemCount() const { return int(items_.size()); }
  const std::string& Item(int index) const { return items_.at(std::size_t(index)); }
  void AddItem(const std::string& text) { items_.push_back(text); }
  void SetItem(int index, const std::string& text) { items_.at(std::size_t(index)) = text; }
  void DeleteItem(int index);
  void ClearItems();
  /// All list strings (for sorting and tests).
  std::vector<std::string>& Items() { return items_; }

  int ItemIndex() const { return itemIndex_; }
  TComboBoxStyle Style() const { return style_; }
  virtual void SetStyle(TComboBoxStyle style) { style_ = style; }
  bool DroppedDown() const { return dropped_; }
  void SetDroppedDown(bool value);
  int DropDownHeight() const { return droppedHeight_; }
  int DropDownWidth() const { return droppedWidth_; }
  /// The list window (tests click into it).
  TComboListWindow* ListWindow() const { return list_; }
  /// Width of the drop-down button area.
  int ButtonWidth() const;

  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

protected:
  /// Draws one item (index -1: nothing selected) into `rect` of the canvas.
  virtual void DrawItem(int index, const TRect& rect, UINT state);
  virtual void Change();
  virtual void DropDown();
  void Dispatch(TMessage& message) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  /// F4 and Alt+Down/Up open and close the list; Return and Escape close an
  /// open one; the arrows, Home, End and the page keys choose an item.
  void KeyDown(Word& key, TShiftState shift) override;
  /// Selects `index` as the user does, reporting CBN_SELCHANGE when the
  /// selection changes.
  void SelectByKey(int index);
  /// Sends CN_COMMAND with a notification code to this control.
  void Notify(int code);

private:
  friend class TComboListWindow;
  void ListClicked(int index);
  void SelectByPrefix(char c);
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
  bool dropped_ = false;
  int editItemHeight_ = 16;
  int listItemHeight_ = 16;
  int droppedHeight_ = 0;
  int droppedWidth_ = 0;
  TComboListWindow* list_ = nullptr;
};

/// The dropped list: a borderless window below the combo box.
class TComboListWindow : public TCustomControl {
  SK_CLASS(TComboListWindow, TCustomControl)
public:
  TComboListWindow(TComponent* owner, TCustomComboBox* combo);
  int ItemAt(int y) const;
  int HotIndex() const { return hot_; }
  /// Shows the list at its bounds above the other windows / hides it.
  void Open();
  void Close();
  /// The highlight follows the combo box's selection again.
  void ShowSelection();

protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  TCustomComboBox* combo_;
  int hot_ = -1;
};
