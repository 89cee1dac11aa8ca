// Controls: TControl (geometry, alignment, visibility, colour, cursor,
// mouse events, the message path), TWinControl (a window with a handle, a Qt
// widget, child controls, keyboard events), TCustomControl (a canvas on the
// window's back buffer and a Paint method), TGraphicControl (windowless,
// painted into its parent's back buffer).
//
// The message path of every control:
//   the window's current procedure (replaceable, Windows.h)
//     -> WindowProc (a replaceable method, by default WndProc)
//     -> Dispatch (each class handles its messages and passes the rest on to
//        its base class's Dispatch)
//     -> DefaultHandler (the platform's default processing).
// Perform sends a message straight to WindowProc, with or without a handle.
//
// Files: Controls.cpp (TControl), WinControl.cpp (TWinControl,
// TCustomControl, TGraphicControl), Painting.cpp, Input.cpp, Docking.cpp
// (docking sites and docked controls, see Docking.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Components.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiTypes.h"
#include "platform/graphics/GraphicsObjects.h"

class QWidget;
class QImage;
class TWinControl;
class TPopupMenu;
struct TDragDockObject;
enum class TDragState;
namespace forms_detail {
struct TBackBuffer;
}

using TNotifyEvent = std::function<void(TPersistent* Sender)>;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum class TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleItem>;
enum class TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TSet<TControlStateItem>;
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

using TCursor = int;
enum : TCursor {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22
};

using TMouseEvent =
    std::function<void(TPersistent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TPersistent* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = std::function<void(TPersistent* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TPersistent* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TPersistent* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TPersistent* Sender, char& Key)>;

/// What a window is created with.
struct TCreateParams {
  std::string Caption;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = 0;
  std::uint32_t ClassStyle = 0;
  std::string WinClassName;
};

/// Mouse key flags of a message to a shift state (Alt from the key state).
TShiftState KeysToShiftState(int keys);
/// Shift state of the keys held now (tracked).
TShiftState KeyboardStateToShiftState();
/// The cursor last applied to the control's widget (tests).
TCursor ShownCursor(const TWinControl* control);

class TControl : public TComponent {
  SK_CLASS(TControl, TComponent)
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  /// Stores the bounds, sends WM_SIZE synchronously (windowed controls;
  /// visible or not), realigns the children, fires OnResize (not while
  /// loading), then shows the change.
  virtual void SetBounds(int left, int top, int width, int height);

  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
  /// Screen position of the client area's (0, 0).
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  /// Visible and every parent visible (and the top window shown).
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);

  /// The control's font; changing it clears ParentFont.
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);

  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& v) { SetText(v); }
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle v) { controlStyle_ = v; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState v) { controlState_ = v; }

  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  // The message path.
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);
  LRESULT Perform(UINT msg, WPARAM w = 0, LPARAM l = 0);

  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  TNotifyEvent OnResize;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  virtual bool IsWindowed() const { return false; }
  void Loaded() override;

  /// Tests and form building: the value of Visible without the window.
  bool ReadingVisible() const { return visible_; }

  // Docking (Docking.h).
  /// The docking site that holds the control; null when not docked.
  TWinControl* HostDockSite() const { return hostDockSite_; }
  /// Docks the control into a docking site as a dock drag dropped on it
  /// would: the site's information and dock-over may refuse (false), then
  /// CM_DOCKCLIENT places it. A null site floats it: a form becomes a window
  /// of its own again where it stands; other controls cannot float (false).
  bool ManualDock(TWinControl* site);
  /// The docking step itself: the old site hears CM_UNDOCKCLIENT, the new
  /// one places the control (DoAddDockClient; `rect` in its client
  /// coordinates) or, with none, it floats (`rect` on the screen); then the
  /// old site lets it go (DoRemoveDockClient). A failure while placing leaves
  /// the control with its old site and passes on.
  void Dock(TWinControl* site, const TRect& rect);
  /// Starts a drag of the control through the drag start hook.
  void BeginDrag(bool immediate, int threshold = -1);

protected:
  friend class TWinControl;
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  virtual void Resize();
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
  virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
  void Notification(TComponent* component, TOperation operation) override;
  /// Called after bounds changed (windowed controls mirror them to Qt).
  virtual void BoundsChanged(bool sizeChanged);
  virtual void ColorChanged();
  virtual void VisibleChanged();
  void RequestAlign();
  void ParentColorChanged();
  void ParentFontChanged();
  virtual void FontChanged();

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_;
  bool parentColor_ = false;
  TFont font_;
  bool parentFont_ = true;
  bool takingParentFont_ = false;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
  std::string text_;
  std::string hint_;
  bool showHint_ = false;
  TControlStyle controlStyle_;
  TControlState controlState_;
  TWinControl* hostDockSite_ = nullptr;

  /// Passes a message of this control on to its docking site
  /// (CM_DOCKNOTIFICATION); nothing when not docked.
  void NotifyHostDockSite(UINT msg, WPARAM w, LPARAM l);

private:
  void mouseButtonDown(TMessage& m, TMouseButton button, bool dbl);
  void mouseButtonUp(TMessage& m, TMouseButton button);
};

class TWinControl : public TControl {
  SK_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  /// The window handle, created when first asked for.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != 0; }
  void HandleNeeded();
  /// Destroys the window (WM_DESTROY) and creates a new one with a new handle;
  /// the Qt widget and the back buffer stay.
  void RecreateWnd();
  void DestroyHandle();

  int ControlCount() const { return int(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(size_t(index)); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  /// Moves a child to `index` in Controls[] (the stacking order, bottom first).
  void SetChildOrder(TControl* control, int index);
  /// Sends the message to every child control until one answers non-zero.
  void Broadcast(TMessage& message);
  /// The child (windowed or not, enabled or not) at a client point, topmost
  /// first; null when none.
  TControl* ControlAtPos(TPoint p, bool allowDisabled = true) const;

  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  virtual void SetBorderStyle(TBorderStyle value);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int v) { tabOrder_ = v; }

  bool Focused() const;
  bool CanFocus() const;
  virtual void SetFocus();

  int ClientWidth() const override;
  int ClientHeight() const override;
  TPoint ClientOrigin() const override;
  bool Showing() const override;
  bool IsWindowed() const override { return true; }

  /// The control's widget (created with the handle); null before.
  QWidget* Widget() const { return widget_; }
  /// The back buffer (client size); null for controls without one.
  QImage* BackBuffer() const;
  /// Left/top offset of the client area inside the window (borders).
  virtual TPoint ClientOffset() const;
  /// Non-client width and height (borders, scroll bars).
  virtual TSize NonClientSize() const;
  /// Paints the windowless children into `dc` (client coordinates).
  void PaintControls(HDC dc, TControl* first);
  void Realign();

  /// With a window, WM_WINDOWPOSCHANGING comes first: its handler may change
  /// the new place or size, or refuse them (SWP_NOMOVE, SWP_NOSIZE).
  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void Invalidate() override;
  void Update() override;
  void SetVisible(bool value) override;
  void SetEnabled(bool value) override;
  void SetText(const std::string& value) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  /// Internal: the window table calls this when the window is destroyed.
  void HandleDestroyedByTable();

  // Docking (Docking.h).
  /// Controls dropped on the window are docked into it.
  bool DockSite() const { return dockSite_; }
  void SetDockSite(bool value) { dockSite_ = value; }
  /// The controls docked into this site, in docking order.
  int DockClientCount() const { return int(dockClients_.size()); }
  TControl* DockClients(int index) const { return dockClients_.at(size_t(index)); }
  /// The site's answer to a dock drag over it: may the client dock here?
  /// The default leaves `canDock` as it is and the influence rectangle
  /// (screen) as the caller set it.
  virtual void GetSiteInfo(TControl* client, TRect& influenceRect, TPoint mousePos, bool& canDock);
  /// A dock drag moves over the site (client coordinates): the site may
  /// change the drag object's dock rectangle or refuse. The default leaves
  /// both as they are.
  virtual void DockOver(TDragDockObject& source, int x, int y, TDragState state, bool& accept);

protected:
  /// Places a control being docked: the default makes this its parent and
  /// gives it `rect`.
  virtual void DoAddDockClient(TControl* client, const TRect& rect);
  /// A docked control has left this site (after CM_UNDOCKCLIENT and its
  /// move); the default does nothing.
  virtual void DoRemoveDockClient(TControl* client);

  virtual void CreateParams(TCreateParams& params);
  /// The styles that shape the frame: the window's own once it has a
  /// handle, otherwise the ones it would be created with.
  void FrameStyles(std::uint32_t& style, std::uint32_t& exStyle) const;
  virtual void CreateWnd();
  virtual void DestroyWnd();
  void CreateHandle();
  /// Makes the control's widget; the default is a widget that shows the back
  /// buffer. Controls over native Qt widgets override it and return false
  /// from HasBackBuffer.
  virtual QWidget* CreateWidget(QWidget* parent);
  virtual bool HasBackBuffer() const { return true; }
  /// Native widgets that take their input in an inner widget (a web view's
  /// focus proxy) pass that widget here: its events become this control's
  /// messages too.
  void AttachInputWidget(QWidget* inner);
  /// Paints the client area into `dc` (the paint DC or a foreign DC).
  virtual void PaintWindow(HDC dc);
  void PaintHandler(TMessage& message);
  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void AlignControls(TControl* control, TRect& rect);
  void BoundsChanged(bool sizeChanged) override;
  void ColorChanged() override;
  void VisibleChanged() override;

  std::uint32_t classStyle_ = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

public:
  /// Internal: the back buffer and its surface.
  forms_detail::TBackBuffer* BackBufferData() const { return buffer_.get(); }

private:
  void updateWidgetGeometry();
  void resizeBuffer();
  void createChildHandles();

  HWND handle_ = 0;
  QWidget* widget_ = nullptr;
  std::unique_ptr<forms_detail::TBackBuffer> buffer_;
  std::vector<TControl*> controls_;
  bool ctl3D_ = true;
  TBorderStyle borderStyle_ = TBorderStyle::bsNone;
  bool tabStop_ = false;
  int tabOrder_ = -1;
  std::uint32_t style_ = 0, exStyle_ = 0;
  int aligning_ = 0;
  TControl* pressedChild_ = nullptr; // windowless child holding the mouse
  bool dockSite_ = false;
  std::vector<TControl*> dockClients_; // not owned
  friend class TControl;
};

/// A windowed control that draws itself: Canvas draws on the back buffer
/// through the paint DC while Paint runs.
class TCustomControl : public TWinControl {
  SK_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }
  /// The DC painting goes to while Paint runs (null otherwise).
  HDC PaintDC() const { return paintDC_; }

protected:
  virtual void Paint();
  void PaintWindow(HDC dc) override;

protected:
  std::unique_ptr<TCanvas> canvas_;
  HDC paintDC_ = nullptr;
};

/// A control without a window: painted into its parent's back buffer after the
/// parent's own painting, clipped to its bounds, with the canvas origin at its
/// top-left corner; the parent routes mouse input to it.
class TGraphicControl : public TControl {
  SK_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }
  /// The DC painting goes to while Paint runs (null otherwise).
  HDC PaintDC() const { return paintDC_; }
  void Dispatch(TMessage& message) override;

protected:
  virtual void Paint();

protected:
  std::unique_ptr<TCanvas> canvas_;
  HDC paintDC_ = nullptr;
};
