// TCustomTabControl: the tab-control model page controls stand on. It keeps
// the tabs (text, an object, a highlight flag), the selected index, the tab
// rectangles and the page area, answers hit tests, and turns a press on a
// tab or the Left/Right keys into the selection notifications: CanChange
// (may veto), then the new selection, then Change. With OwnerDraw it paints
// only its background (the control above it paints the tabs); otherwise it
// draws raised tabs with their images and texts and the page's frame itself.
//
// Geometry: tabs along one side of the control (TabPosition), the first at
// 2 pixels from the corner and 2 from the edge; a tab is as long as its text
// in the control's font plus 6 pixels at each end plus the image room (the
// extra room every tab reserves, and the width of TabImages, or their
// height for left and right tabs, when the tab's image index is 0 or more),
// and as thick as the text height plus 6 (or TabHeight when set). Left and right
// tabs run downward. With MultiLine the tabs wrap into rows, and the row of
// the selected tab lies next to the pages (rows move on selection). One row
// of top or bottom tabs longer than the control scrolls: a pair of arrow
// buttons in the last 35 pixels moves the first tab shown, and a selected
// tab is scrolled into view. The page area lies 4 pixels inside the frame
// beside the rows.
//
// A user's change (a press on a tab, an arrow key) goes through CN_NOTIFY:
// TCN_SELCHANGING (a non-zero result vetoes; the default asks CanChange),
// then the new selection, then TCN_SELCHANGE (the default calls Change).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

/// Selection notification codes of a tab control.
enum : int { TCN_SELCHANGE = -551, TCN_SELCHANGING = -552 };

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };

/// The header of a control notification (CN_NOTIFY's LParam points to it).
struct NMHDR {
  HWND hwndFrom = 0;
  std::uintptr_t idFrom = 0;
  int code = 0;
};

using TTabChangingEvent = std::function<void(TPersistent* Sender, bool& AllowChange)>;

class TCustomImageList;
using TTabGetImageEvent = std::function<void(TPersistent* Sender, int TabIndex, int& ImageIndex)>;

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
  /// The images the tabs reserve room for and, unless owner-drawn, show
  /// (not owned; cleared when the list goes).
  TCustomImageList* TabImages() const { return tabImages_; }
  void SetTabImages(TCustomImageList* images);
  /// The image of a tab: OnGetImageIndex when assigned, else the tab index.
  virtual int GetImageIndex(int tabIndex);
  TTabGetImageEvent OnGetImageIndex;
  /// The control above paints the tabs; the model paints only its
  /// background then.
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool value);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition value);
  /// Rows of tabs (1 without MultiLine; 0 without tabs).
  int RowCount() const;
  /// One row of top or bottom tabs that does not fit: it scrolls.
  bool Scrolling() const;
  /// The first tab shown at the start of a scrolling row.
  int FirstShownTab() const { return firstShown_; }
  /// The scroll button pointing left or right (empty without scrolling).
  TRect ScrollButtonRect(bool right) const;
  /// Draws the scroll buttons over whatever the tabs' painter drew.
  void PaintScrollButtons(TCanvas* canvas);

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
  void Dispatch(TMessage& message) override;
  void BoundsChanged(bool sizeChanged) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void FontChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  /// The tabs and the page frame as the model draws them itself.
  void PaintTabsRaised(TCanvas* canvas);
  void PaintRaisedTabContent(TCanvas* canvas, int index, const TRect& rect, bool selected);

private:
  struct TTab {
    std::string text;
    TPersistent* object = nullptr;
    bool highlighted = false;
  };
  void Relayout();
  /// Places the tabs for the current size and selection (cached).
  const std::vector<TRect>& Rects() const;
  bool Vertical() const {
    return tabPosition_ == TTabPosition::tpLeft || tabPosition_ == TTabPosition::tpRight;
  }
  std::vector<TTab> tabs_;
  std::vector<int> lengths_; // each tab's extent along its row
  int thickness_ = 0;        // each row's extent across
  mutable std::vector<TRect> rects_;
  mutable int rowCount_ = 0;
  mutable bool placed_ = false;
  mutable bool scrolling_ = false;
  int firstShown_ = 0;
  /// The first tab that may be shown first: from it on all tabs fit.
  int LastFirstShown() const;
  void ScrollTo(int first);
  void EnsureShown(int index);
  int tabIndex_ = -1;
  int tabHeight_ = 0;
  int imageRoom_ = 0;
  TCustomImageList* tabImages_ = nullptr;
  bool ownerDraw_ = false;
  bool multiLine_ = false;
  TTabPosition tabPosition_ = TTabPosition::tpTop;
};
