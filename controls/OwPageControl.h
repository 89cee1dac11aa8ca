// TOwPageControl: a page control that paints its own tabs over the tab
// control model, with per-sheet tab colours, an active-tab colour and font,
// hidden and disabled tabs, a close glyph with a can-close/close protocol,
// tab margins and three tab styles, and a docking site whose docked
// controls become pages of their own; TOwTabSheet: one page.
//
// Two index spaces: the page index (position in the page list) and the
// visible tab index (position among the listed tabs); a sheet whose tab is
// hidden has visible tab index -1.
//
// Files: OwPageControl.cpp (pages, activation, tab texts, keyboard, close
// protocol), OwTabSheet.cpp (the sheet), OwPageControlPaint.cpp (the tab
// painter), OwPageControlDock.cpp (the docking site),
// OwPageControlRegistration.cpp (published properties).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/OwPaintUtil.h"
#include "platform/forms/TabControl.h"
#include "platform/graphics/Bitmap.h"

class TOwPageControl;
class TCustomImageList;

/// Tab gradient directions of this module.
enum class TTabGradientDirection { gdVertical, gdHorizontal };
enum class TTabStyle { tsClassic, tsDotNet, tsTarvex };

/// Padding of the tab contents; a change reports (new, old, index) to its
/// owner before the value is stored.
class TTabMargin : public TPersistent {
public:
  std::string ClassName() const override { return "TTabMargin"; }
  int LeftMargin() const { return values_[0]; }
  int TopMargin() const { return values_[1]; }
  int RightMargin() const { return values_[2]; }
  void SetLeftMargin(int v) { SetMargin(0, v); }
  void SetTopMargin(int v) { SetMargin(1, v); }
  void SetRightMargin(int v) { SetMargin(2, v); }
  /// Index 0 … 2; another index raises "Invalid property index N.".
  void SetMargin(int index, int value);
  void Assign(const TPersistent* source) override;
  std::function<void(int newValue, int oldValue, int index)> OnChange;

private:
  int values_[3] = {0, 0, 0};
};

using TCanCloseEvent = std::function<void(TPersistent* Sender, bool& CanClose)>;
using TCanChangeEvent =
    std::function<void(TPersistent* Sender, int FromPage, int ToPage, bool& AllowChange)>;
using TDrawTabEvent =
    std::function<void(TPersistent* Control, int TabIndex, const TRect& Rect, bool Active)>;

class TOwTabSheet : public TCustomControl {
  SK_CLASS(TOwTabSheet, TCustomControl)
public:
  explicit TOwTabSheet(TComponent* owner);
  ~TOwTabSheet() override;

  const std::string& TabText() const { return tabText_; }
  void SetText(const std::string& value) override;
  TColor TextColor() const { return textColor_; }
  void SetTextColor(TColor v);
  TColor TabColor() const { return tabColor_; }
  void SetTabColor(TColor v);
  TColor TabColorTo() const { return tabColorTo_; }
  void SetTabColorTo(TColor v);
  bool ShowClose() const { return showClose_; }
  void SetShowClose(bool v);
  TTabGradientDirection TabGradientDirection() const { return tabGradientDirection_; }
  void SetTabGradientDirection(TTabGradientDirection v);
  TTabGradientDirection HoverGradientDirection() const { return hoverGradientDirection_; }
  void SetHoverGradientDirection(TTabGradientDirection v) { hoverGradientDirection_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int SpacingImageIndex() const { return spacingImageIndex_; }
  TOwPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TOwPageControl* p) { AttachToPageControl(p); }
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  bool TabListed() const { return listed_; }
  bool Highlighted() const { return highlighted_; }
  void SetHighlighted(bool v);
  bool TabEnable() const { return tabEnable_; }
  /// "Can not disable active tab." for the active page.
  void SetTabEnable(bool v);
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  void SetSheetColor(TColor v);

  /// Position in the page list, -1 when not attached.
  int PageIndex() const;
  /// Moves the sheet in the page list (and its tab along).
  void SetPageIndex(int value);

  void AttachToPageControl(TOwPageControl* pageControl);
  int VisibleTabIndex() const;
  void SetTabListed(bool listed);
  void RefreshTabListed();
  bool QueryCanClose();
  void NotifyClosed();

  void SetParent(TWinControl* parent) override;

  TNotifyEvent OnHide;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  TCanCloseEvent OnCanClose;

protected:
  void Paint() override;
  void Dispatch(TMessage& message) override;
  void VisibleChanged() override;
  virtual void NotifyShown();
  virtual void NotifyHidden();

private:
  friend class TOwPageControl;
  void PageControlRepaint();
  std::string tabText_;
  TColor textColor_ = clBlack;
  TColor tabColor_ = clNone;
  TColor tabColorTo_ = clNone;
  bool showClose_ = false;
  TTabGradientDirection tabGradientDirection_ = TTabGradientDirection::gdVertical;
  TTabGradientDirection hoverGradientDirection_ = TTabGradientDirection::gdVertical;
  int imageIndex_ = 0;
  int spacingImageIndex_ = 0;
  TOwPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  bool listed_ = false;
  bool highlighted_ = false;
  bool tabEnable_ = true;
  TColor colorTo_ = clNone;
  bool attaching_ = false;
};

class TOwPageControl : public TCustomTabControl {
  SK_CLASS(TOwPageControl, TCustomTabControl)
public:
  explicit TOwPageControl(TComponent* owner);
  ~TOwPageControl() override;

  int PageCount() const { return int(pages_.size()); }
  TOwTabSheet* Pages(int index) const { return pages_.at(std::size_t(index)); }
  TOwTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TOwTabSheet* page);
  int ActiveIndex() const;
  TOwTabSheet* NextVisiblePage(TOwTabSheet* start, bool forward, bool visibleOnly) const;
  void StepPage(bool forward);
  void SelectPage(TOwTabSheet* page);

  // Used by the sheets.
  void InsertPage(TOwTabSheet* page);
  void RemovePage(TOwTabSheet* page);
  void ListTab(TOwTabSheet* page);
  void UnlistTab(TOwTabSheet* page, int formerIndex);
  void MoveTabOf(TOwTabSheet* page, int from, int to);
  void UpdateTabText(TOwTabSheet* page);
  void UpdateActiveTabText(TOwTabSheet* page);
  int PageIndexAt(TPoint p) const;
  TRect PageTabRect(int pageIndex) const;
  void UpdateActivePageFromTab();
  /// The close glyph of the page's tab holds the point.
  bool CloseGlyphHit(int pageIndex, TPoint p) const;
  /// Answers whether the tab at a visible tab index may be shown.
  bool CanShowTab(int tabIndex) const;

  // Appearance.
  TFont* ActiveFont() { return &activeFont_; }
  const TFont* ActiveFont() const { return &activeFont_; }
  TColor ActiveColor() const { return activeColor_; }
  void SetActiveColor(TColor v);
  TColor ActiveColorTo() const { return activeColorTo_; }
  void SetActiveColorTo(TColor v);
  TColor TabBorderColor() const { return tabBorderColor_; }
  void SetTabBorderColor(TColor v);
  TColor DefaultTextColor() const { return defaultTextColor_; }
  void SetDefaultTextColor(TColor v);
  TColor DefaultTabColor() const { return defaultTabColor_; }
  void SetDefaultTabColor(TColor v);
  TColor DefaultTabColorTo() const { return defaultTabColorTo_; }
  void SetDefaultTabColorTo(TColor v);
  /// True hands the tabs back to the tab model: no own painting, no close
  /// glyph, no hover; the tabs show Images and the captions.
  bool TabBorder3D() const { return tabBorder3D_; }
  void SetTabBorder3D(bool v);
  /// A tab's image: OnGetImageIndex when assigned, else its page's spacing
  /// image index.
  int GetImageIndex(int tabIndex) override;
  bool TabSheet3D() const { return tabSheet3D_; }
  void SetTabSheet3D(bool v);
  TColor TabSheetBorderColor() const { return tabSheetBorderColor_; }
  void SetTabSheetBorderColor(TColor v);
  TColor TabBackGroundColor() const { return tabBackGroundColor_; }
  void SetTabBackGroundColor(TColor v);
  bool TabSplitLine() const { return tabSplitLine_; }
  /// True with tsDotNet or tsTarvex raises.
  void SetTabSplitLine(bool v);
  bool RoundEdges() const { return roundEdges_; }
  void SetRoundEdges(bool v);
  TTabStyle TabStyle() const { return tabStyle_; }
  void SetTabStyle(TTabStyle v);
  int LowerActive() const { return lowerActive_; }
  void SetLowerActive(int v);
  int TabOverlap() const { return tabOverlap_; }
  void SetTabOverlap(int v);
  TTabMargin* TabMargin() const { return tabMargin_.get(); }
  TColor TabHoverColor() const { return tabHoverColor_; }
  void SetTabHoverColor(TColor v) { tabHoverColor_ = v; }
  TColor TabHoverColorTo() const { return tabHoverColorTo_; }
  void SetTabHoverColorTo(TColor v) { tabHoverColorTo_ = v; }
  TColor TabHoverBorder() const { return tabHoverBorder_; }
  void SetTabHoverBorder(TColor v) { tabHoverBorder_ = v; }
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool v) { showFocus_ = v; }
  bool FreeOnClose() const { return freeOnClose_; }
  void SetFreeOnClose(bool v) { freeOnClose_ = v; }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);
  TBitmap* CloseGlyph() const { return closeGlyph_.get(); }
  void SetCloseGlyph(const TBitmap* bitmap);
  /// Skins of the inactive and the active tabs (empty: none).
  TBitmap* TabBackGround() const { return tabBackGround_.get(); }
  void SetTabBackGround(const TBitmap* bitmap);
  TBitmap* TabBackGroundActive() const { return tabBackGroundActive_.get(); }
  void SetTabBackGroundActive(const TBitmap* bitmap);
  /// Hands the images over around the change of side.
  void SetTabPosition(TTabPosition value);
  /// Multi-line rows move on selection: their painting waits meanwhile.
  void LockTabRedraw();
  void UnlockTabRedraw();
  int RedrawLock() const { return redrawLock_; }
  std::string Version() const { return "1.5.0.8"; }
  void SetVersion(const std::string&) {}
  int HoverIndex() const { return hoverIndex_; }

  // Docking site (with DockSite set).
  /// The page whose sheet holds the control while it is docked here.
  TOwTabSheet* DockPageOf(TControl* control) const;
  /// The docked control shown by the tab at a client point; none unless
  /// DockSite.
  TControl* DockClientAt(TPoint p) const;
  /// A control may dock only when no page hosts it yet.
  void GetSiteInfo(TControl* client, TRect& influenceRect, TPoint mousePos, bool& canDock) override;
  /// The drag object's rectangle becomes the whole page control.
  void DockOver(TDragDockObject& source, int x, int y, TDragState state, bool& accept) override;

  TCanChangeEvent OnCanChange;
  TDrawTabEvent OnDrawTab;

  void Loaded() override;
  /// The painter: strip, frame, margin and every tab.
  void PaintTabs(TCanvas* canvas);
  void DrawCloseGlyph(TCanvas* canvas, const TRect& tab, bool active);
  void DrawCloseGlyphHot(TCanvas* canvas, const TRect& tab);
  void DrawCloseGlyphDown(TCanvas* canvas, const TRect& tab);

protected:
  bool CanChange() override;
  void Change() override;
  void Paint() override;
  void Dispatch(TMessage& message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  void DoAddDockClient(TControl* client, const TRect& rect) override;
  void DoRemoveDockClient(TControl* client) override;

private:
  friend class TOwTabSheet;
  void DockClient(TMessage& message);
  void UnDockClient(TMessage& message);
  void DockNotification(TMessage& message);
  /// After the tab model's handling: a press on a docked control's tab
  /// starts its drag, a double click floats it.
  void DockTabMouse(TMessage& message);
  void TabChanged();
  void CloseActivePage();
  void MarginChanged(int newValue, int oldValue, int index);
  void UpdateImageSpacing();
  /// The room every tab reserves (the spacing list's width, or height for
  /// left and right tabs); the tab model gets it unless TabBorder3D.
  void SetSpacing(int value);
  void DialogChar(TMessage& message);
  void DialogKey(TMessage& message);
  void Notify(TMessage& message);
  bool VerticalTabs() const;
  /// The images' room along a tab (width, or height for left and right tabs).
  int ImagesRoom() const;
  bool OnActiveCloseGlyph(TPoint p) const;
  /// The active tab's rectangle as the painter draws its body.
  TRect ActiveTabBody() const;
  /// Draws at once on the window (outside a paint).
  void OnWindowCanvas(const std::function<void(TCanvas*)>& draw);
  struct TTabExtent;
  struct TDeferredTab;
  void PaintStripAndFrame(TCanvas* c, const TTabExtent& e, bool coloured);
  void PaintTab(TCanvas* c, int pageIndex, TRect r, const TTabExtent& e, int& split,
                TDeferredTab& deferred);
  void PaintDeferredTab(TCanvas* c, const TDeferredTab& deferred);
  void PaintHoverOutline(TCanvas* c);
  /// A tab's image beside its caption position, which moves past it; left
  /// and right tabs place it by their own offsets.
  void PaintTabImage(TCanvas* c, TOwTabSheet* page, int& x, int& y, int leftDx, int rightDx);
  void PaintCaption(TCanvas* c, TOwTabSheet* page, bool active, int x, int y, const TRect& r,
                    bool disabledGrey);
  /// The close glyph's anchor for a tab, in the look's own rule.
  TPoint CloseGlyphAnchor(const TRect& tab, int lower, bool hotLook) const;
  void DrawCloseGlyphLook(TCanvas* c, const TRect& tab, int lower, bool hotLook, TColor fill,
                          TColor outline, TColor cross);
  void DrawTabFocus(TCanvas* c, const TRect& r, bool active, int overlap);

  std::vector<TOwTabSheet*> pages_;
  TOwTabSheet* activePage_ = nullptr;
  TOwTabSheet* dockSheet_ = nullptr;   // being made for a control docking in
  TOwTabSheet* undockSheet_ = nullptr; // whose control is leaving
  std::unique_ptr<TTabMargin> tabMargin_;
  TCustomImageList* images_ = nullptr;
  TColor defaultTextColor_ = clBlack;
  TColor defaultTabColor_ = clBtnFace;
  TColor defaultTabColorTo_ = clNone;
  TColor activeColor_ = clBtnFace;
  TColor activeColorTo_ = clNone;
  TColor tabBorderColor_ = clGray;
  TColor tabHoverColor_ = clNone, tabHoverColorTo_ = clNone, tabHoverBorder_ = clNone;
  bool showFocus_ = false;
  bool closeGlyphHot_ = false;
  int tabOverlap_ = 0;
  bool tabBorder3D_ = false;
  int spacing_ = 0;
  bool tabSheet3D_ = false;
  TColor tabSheetBorderColor_ = clGray;
  TColor tabBackGroundColor_ = clBtnFace;
  bool tabSplitLine_ = false;
  bool roundEdges_ = false;
  int hoverIndex_ = -1;
  TTabStyle tabStyle_ = TTabStyle::tsClassic;
  int lowerActive_ = 2;
  bool loaded_ = false;
  bool freeOnClose_ = false;
  TFont activeFont_;
  std::unique_ptr<TBitmap> closeGlyph_;
  std::unique_ptr<TBitmap> tabBackGround_, tabBackGroundActive_;
  TBitmap work_; // a skin about to be painted
  int redrawLock_ = 0;
};

/// A tab skin drawn along a row (x, width, y) or down a column (x, height,
/// y): both halves at the ends, the middle two pixels stretched between,
/// the skin's bottom-left colour transparent.
void DrawSkinHorizontal(TBitmap* skin, TCanvas* canvas, int x, int width, int y);
void DrawSkinVertical(TBitmap* skin, TCanvas* canvas, int x, int height, int y);

/// Registers the page control's classes and published properties.
void RegisterOwPageControl();
