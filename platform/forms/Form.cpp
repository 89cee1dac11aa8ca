// TForm: a top-level window with a back buffer, shown and hidden, closed
// through OnCloseQuery/OnClose, modal in a nested loop.
#include <QApplication>
#include <QEventLoop>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

// A window raised above the others still stays under the windows that stay
// on top, on a display without a window manager to keep them there too.
void KeepStayOnTopFormsAbove(const TForm* raised) {
  if (raised->FormStyle() == TFormStyle::fsStayOnTop) return;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TForm* f = Screen()->Forms(i);
    if (f == raised || f->Parent() != nullptr || f->FormStyle() != TFormStyle::fsStayOnTop) continue;
    if (QWidget* w = f->Widget(); w != nullptr && w->isVisible()) w->raise();
  }
}

} // namespace

TForm* GetParentForm(TControl* control) {
  TControl* c = control;
  while (c != nullptr && c->Parent() != nullptr)
    c = c->Parent();
  return dynamic_cast<TForm*>(c);
}

TControl* ControlAtScreenPoint(TWinControl* root, TPoint screen) {
  TControl* found = root;
  for (TWinControl* w = root; w != nullptr;) {
    TControl* c = w->ControlAtPos(w->ScreenToClient(screen));
    if (c == nullptr) break;
    found = c;
    w = dynamic_cast<TWinControl*>(c);
  }
  return found;
}

bool IsAccel(int key, const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto upper = [](int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    return upper((unsigned char)caption[i + 1]) == upper(key);
  }
  return false;
}

TForm::TForm(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {
  visible_ = false;
  color_ = clBtnFace;
  SetBorderStyle(TBorderStyle::bsSizeable);
  controlStyle_ = {TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                   TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption,
                   TControlStyleItem::csDoubleClicks};
  Screen()->AddForm(this);
}

TForm::~TForm() {
  Destroying();
  if (!destroyFired_) {
    destroyFired_ = true;
    if (OnDestroy) Guarded([this] { OnDestroy(this); });
  }
  Screen()->RemoveForm(this);
  if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

TSize TForm::NonClientSize() const {
  if (parent_ != nullptr) return TSize(0, 0); // docked: no frame of its own
  switch (BorderStyle()) {
  case TBorderStyle::bsNone:
    return TSize(0, 0);
  case TBorderStyle::bsSingle:
  case TBorderStyle::bsDialog:
    return TSize(6, 25);
  case TBorderStyle::bsToolWindow:
    return TSize(6, 21);
  case TBorderStyle::bsSizeToolWin:
    return TSize(8, 23);
  case TBorderStyle::bsSizeable:
    return TSize(8, 27);
  }
  return TSize(8, 27);
}

TPoint TForm::ClientOffset() const {
  return TPoint(0, 0);
}

// A form of its own is placed at its position (Left, Top): the window
// manager draws its frame there, and without one the window itself is there.
// The frame NonClientSize counts is part of the form's size only. Screen
// coordinates follow the window where it is: below the window manager's
// frame, or at the form's position.
TPoint TForm::ClientOrigin() const {
  if (parent_ != nullptr) return TWinControl::ClientOrigin();
  if (QWidget* w = Widget(); w != nullptr && w->isVisible()) {
    const QPoint p = w->mapToGlobal(QPoint(0, 0));
    return TPoint(p.x(), p.y());
  }
  return TPoint(left_, top_);
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  if (parent_ != nullptr) return; // docked: a child window
  p.Style = WS_OVERLAPPED | WS_CLIPCHILDREN;
  if (BorderStyle() != TBorderStyle::bsNone) p.Style |= WS_CAPTION;
  if (BorderStyle() == TBorderStyle::bsSizeable || BorderStyle() == TBorderStyle::bsSizeToolWin)
    p.Style |= WS_THICKFRAME;
  p.ExStyle = 0;
  if (formStyle_ == TFormStyle::fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  p.WndParent = 0;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (parent_ != nullptr) return;
  QWidget* w = Widget();
  w->setWindowTitle(QString::fromStdString(text_));
  Qt::WindowFlags flags = Qt::Window;
  if (BorderStyle() == TBorderStyle::bsNone) flags |= Qt::FramelessWindowHint;
  if (formStyle_ == TFormStyle::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  w->setWindowFlags(flags);
  w->setFocusPolicy(Qt::StrongFocus);
}

void TForm::SetBorderStyle(TBorderStyle value) {
  if (value == BorderStyle()) return;
  // The client area keeps its place; the window grows or shrinks around it.
  TWinControl::SetBorderStyle(value);
}

void TForm::SetFormStyle(TFormStyle value) {
  if (value == formStyle_) return;
  formStyle_ = value;
  QWidget* w = Widget();
  if (w == nullptr) return;
  // Qt hides a window whose flags change: show it again in place, quietly.
  bool wasVisible = w->isVisible();
  switchingStyle_ = true;
  w->setWindowFlag(Qt::WindowStaysOnTopHint, value == TFormStyle::fsStayOnTop);
  if (HandleAllocated()) {
    std::uint32_t ex = std::uint32_t(GetWindowLongPtr(Handle(), GWL_EXSTYLE));
    ex = value == TFormStyle::fsStayOnTop ? (ex | WS_EX_TOPMOST) : (ex & ~WS_EX_TOPMOST);
    SetWindowLongPtr(Handle(), GWL_EXSTYLE, LONG_PTR(ex));
  }
  w->move(left_, top_);
  if (wasVisible) w->show();
  switchingStyle_ = false;
  if (value == TFormStyle::fsStayOnTop && HandleAllocated()) {
    RaiseZOrder(Handle());
    // On the screen too: a window shown again keeps its old place in the
    // stack, below the windows raised meanwhile, where no window manager
    // lifts a window that stays on top.
    if (wasVisible) w->raise();
  }
}

void TForm::SetWindowState(TWindowState value) {
  windowState_ = value;
  QWidget* w = Widget();
  if (w == nullptr || !w->isVisible()) return;
  switch (value) {
  case TWindowState::wsMinimized:
    w->showMinimized();
    break;
  case TWindowState::wsMaximized:
    w->showMaximized();
    break;
  default:
    w->showNormal();
    break;
  }
}

void TForm::SetActiveControl(TWinControl* control) {
  activeControl_ = control;
}

bool TForm::Showing() const {
  return visible_ && Widget() != nullptr && Widget()->isVisible();
}

namespace {

// A window reports its size once when it first appears, as the system does at
// window creation: WM_SIZE (realign, OnResize) for the window and then for each
// visible windowed child, whether or not anything changed.
void reportFirstSize(TWinControl* control) {
  if (control->IsLoading()) return;
  control->Perform(WM_SIZE, SIZE_RESTORED,
                   MakeLParam(control->ClientWidth(), control->ClientHeight()));
  for (int i = 0; i < control->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(control->Controls(i)); w && w->Visible())
      reportFirstSize(w);
}

} // namespace

void TForm::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  VisibleChanged();
  NotifyHostDockSite(CM_VISIBLECHANGED, value ? 1 : 0, 0);
}

void TForm::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  TWinControl::SetParent(parent);
  // Docked, the form is a child window; floating again, a window of its own.
  RecreateWnd();
  if (parent_ == nullptr && visible_ && Widget() != nullptr) {
    Widget()->move(left_, top_);
    Widget()->show();
  }
}

void TForm::VisibleChanged() {
  if (parent_ != nullptr) {
    // Docked: shown and hidden as a child window.
    TWinControl::VisibleChanged();
    if (visible_ && OnShow)
      OnShow(this);
    else if (!visible_ && OnHide)
      OnHide(this);
    return;
  }
  HandleNeeded();
  QWidget* w = Widget();
  if (visible_) {
    if (!shown_) {
      shown_ = true;
      placeByPosition();
      reportFirstSize(this);
    }
    if (OnShow) OnShow(this);
    if (!visible_) return;
    w->move(left_, top_);
    w->show();
    if (windowState_ == TWindowState::wsMinimized) w->showMinimized();
    if (windowState_ == TWindowState::wsMaximized) w->showMaximized();
    RaiseZOrder(Handle());
    KeepStayOnTopFormsAbove(this);
  } else {
    w->hide();
    if (OnHide) OnHide(this);
  }
}

void TForm::placeByPosition() {
  TRect area(0, 0, Screen()->Width(), Screen()->Height());
  switch (position_) {
  case TPosition::poMainFormCenter:
  case TPosition::poOwnerFormCenter: {
    TForm* around =
        position_ == TPosition::poOwnerFormCenter ? dynamic_cast<TForm*>(Owner()) : nullptr;
    if (around == nullptr) around = Application()->MainForm();
    if (around != nullptr && around != this) area = around->BoundsRect();
    break;
  }
  case TPosition::poScreenCenter:
  case TPosition::poDesktopCenter:
    break;
  default:
    return;
  }
  SetBounds(area.Left + (area.Width() - width_) / 2, area.Top + (area.Height() - height_) / 2,
            width_, height_);
}

void TForm::Show() {
  SetVisible(true);
  if (parent_ != nullptr) return; // docked
  if (QWidget* w = Widget()) {
    w->raise();
    w->activateWindow();
  }
  RaiseZOrder(Handle());
  KeepStayOnTopFormsAbove(this);
  Screen()->SetActiveForm(this);
}

void TForm::Hide() {
  SetVisible(false);
}

void TForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  bool modal = modalLoop_;
  TCloseAction action = TCloseAction::caHide;
  if (modal)
    modalResult_ = modalResult_ == mrNone ? mrCancel : modalResult_;
  else if (Application()->MainForm() == this)
    action = TCloseAction::caFree;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) {
    if (modal) modalResult_ = mrNone;
    return;
  }
  if (!modal && Application()->MainForm() == this) {
    Hide();
    Application()->Terminate();
    return;
  }
  switch (action) {
  case TCloseAction::caHide:
    Hide();
    break;
  case TCloseAction::caMinimize:
    SetWindowState(TWindowState::wsMinimized);
    break;
  case TCloseAction::caFree:
    Release();
    break;
  default:
    break;
  }
}

TModalResult TForm::ShowModal() {
  modalResult_ = mrNone;
  modalLoop_ = true;
  HandleNeeded();
  Widget()->setWindowModality(Qt::ApplicationModal);
  Show();
  while (modalResult_ == mrNone && !Application()->Terminated()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (modalResult_ != mrNone) {
      bool canClose = true;
      if (OnCloseQuery) OnCloseQuery(this, canClose);
      if (!canClose) modalResult_ = mrNone;
    }
  }
  modalLoop_ = false;
  Hide();
  Widget()->setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TForm::Release() {
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::DoDestroy() {
  if (destroyFired_) return;
  destroyFired_ = true;
  if (OnDestroy) OnDestroy(this);
}

void TForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_CLOSE:
    Close();
    return;
  case WM_ACTIVATE:
    if (TWMActivate{m}.Active() != WA_INACTIVE) {
      Screen()->SetActiveForm(this);
      if (OnActivate) OnActivate(this);
    } else if (OnDeactivate) {
      OnDeactivate(this);
    }
    DefaultHandler(m);
    return;
  case CM_RELEASE:
    delete this;
    return;
  default:
    TWinControl::Dispatch(m);
  }
}

void TForm::PaintWindow(HDC dc) {
  forms_detail::PaintThroughCanvas(*canvas_, paintDC_, dc, [this] { Paint(); });
}

void TForm::Paint() {
  if (OnPaint) OnPaint(this);
}
