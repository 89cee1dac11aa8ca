// Pop-up menus: TPopupMenu with TMenuItem items (captions with '&', enabled,
// visible, sub-items). A menu pops up in a nested loop; the chosen item's
// OnClick fires once, after the menu has closed. Tests answer menus through
// a hook instead of showing them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

class TMenuItem : public TComponent {
  SK_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool Checked() const { return checked_; }
  void SetChecked(bool v) { checked_ = v; }
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

  TNotifyEvent OnClick;
  virtual void Click();

private:
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

  /// Shows the menu at a screen point and waits for the choice.
  virtual void Popup(int x, int y);
  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TMenuItem* items_;
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
