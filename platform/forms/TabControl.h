// TCustomTabControl: the tab-control model owner-drawn page controls stand
// on. It keeps the tabs (text, an object, a highlight flag), the selected
// index, the tab rectangles and the page area, answers hit tests, and turns a
// press on a tab or the Left/Right keys into the selection notifications:
// CanChange (may veto), then the new selection, then Change. It paints only
// its background: the control above it paints the tabs.
//
// Geometry, one row of tabs along the top: the first tab at (2, 2); a tab is
// as wide as its text in the control's font plus 6 pixels on each side plus
// the image room, and as high as the text plus 6 (or TabHeight when set).
// The page area lies 4 pixels inside the frame below the row.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

/// Selection notification codes of a tab control.
enum : int { TCN_SELCHANGE = -551, TCN_SELCHANGING = -552 };

using TTabChangingEvent = std::function<void(TPersistent* Sender, bool& AllowChange)>;

class TCustomTabControl : public TCustomControl {
  SK_CLASS(TCustomTabControl, TCustomControl)
public:
  explicit TCustomTabControl(TComponent* owner);

  int TabCount() const { return int(tabs_.size()); }
  const std::string& TabText(int index) const { return tabs_.at(std::size_t(index)).text; }
  void SetTabText(int index, const std::string& text);
  TPersistent* TabObject(int index) const { return tabs_.at(std::size_t(index)).object; }
  /// Inserts at `index` (clamped to the list); the selection follows its tab.
  void InsertTab(int index, const std::string& text, TPersistent* object);
  void DeleteTab(int index);
  void MoveTab(int from, int to);
  bool Highlighted(int index) const { return tabs_.at(std::size_t(index)).highlighted; }
  void SetHighlighted(int index, bool value);

  /// The selected tab, -1 for none. Setting it sends no notification.
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int index);

  int TabHeight() const { return tabHeight_; }
  void SetTabHeight(int value);
  /// Extra width every tab reserves for an image.
  int ImageRoom() const { return imageRoom_; }
  void SetImageRoom(int value);
  bool MultiLine() const { return false; }

  /// The tab's rectangle (client coordinates); empty for a bad index.
  TRect TabRect(int index) const;
  /// The tab under a client point, -1 for none.
  int IndexOfTabAt(TPoint p) const;
  /// The area the pages fill.
  TRect DisplayRect() const;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

protected:
  /// The selection is about to change: false vetoes. Fires OnChanging.
  virtual bool CanChange();
  /// The selection changed. Fires OnChange.
  virtual void Change();
  /// Runs the user's change to `index`: the veto, the selection, Change.
  void SelectByUser(int index);
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void FontChanged() override;

private:
  struct TTab {
    std::string text;
    TPersistent* object = nullptr;
    bool highlighted = false;
  };
  void Relayout();
  std::vector<TTab> tabs_;
  std::vector<TRect> rects_;
  int tabIndex_ = -1;
  int tabHeight_ = 0;
  int imageRoom_ = 0;
};
