#include "platform/forms/ComboBox.h"

#include <QWidget>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Windows.h"

namespace {
constexpr Word kVkF4 = VK_F1 + 3;
} // namespace

// ---- the combo box ----------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  // The list reports clicks (CBN_SELCHANGE); a press and release on the
  // control itself is no click.
  controlStyle_.Exclude(TControlStyleItem::csClickEvents);
  color_ = clWindow;
  list_ = new TComboListWindow(this, this);
  SetBounds(left_, top_, 145, 21);
}

TCustomComboBox::~TCustomComboBox() {
  list_ = nullptr; // owned by this control as a component
}

int TCustomComboBox::ButtonWidth() const {
  return GetSystemMetrics(SM_CXVSCROLL);
}

void TCustomComboBox::SetBounds(int left, int top, int width, int height) {
  // The height given sets the dropped list; the control keeps its own.
  if (height != height_ && height_ != 0) droppedHeight_ = height;
  TCustomControl::SetBounds(left, top, width, editItemHeight_ + 6);
}

void TCustomComboBox::DeleteItem(int index) {
  if (index < 0 || index >= ItemCount()) return;
  items_.erase(items_.begin() + index);
  if (itemIndex_ >= ItemCount()) itemIndex_ = -1;
}

void TCustomComboBox::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
}

void TCustomComboBox::Notify(int code) {
  Perform(CN_COMMAND, MakeWParam(0, code), 0);
}

void TCustomComboBox::SetDroppedDown(bool value) {
  if (value == dropped_) return;
  if (value) {
    Notify(CBN_DROPDOWN);
    dropped_ = true;
    const int rows = std::max(1, ItemCount());
    const int h = std::max(listItemHeight_ * std::min(rows, 8) + 2,
                           std::min(droppedHeight_, listItemHeight_ * rows + 2));
    const TPoint at = ClientToScreen(TPoint(0, Height()));
    list_->SetBounds(at.x, at.y, std::max(Width(), droppedWidth_), h);
    list_->Open();
  } else {
    dropped_ = false;
    list_->Close();
    Notify(CBN_CLOSEUP);
  }
  Invalidate();
}

void TCustomComboBox::ListClicked(int index) {
  // The list consumes the click: it hides, then the selection is reported.
  dropped_ = false;
  list_->Close();
  Notify(CBN_CLOSEUP);
  if (index >= 0 && index < ItemCount()) {
    itemIndex_ = index;
    Notify(CBN_SELCHANGE);
  }
  Invalidate();
}

void TCustomComboBox::SelectByPrefix(char c) {
  const int count = ItemCount();
  for (int k = 1; k <= count; ++k) {
    const int i = (std::max(itemIndex_, -1) + k) % count;
    const std::string& s = items_[std::size_t(i)];
    if (!s.empty() && (s[0] == c || (s[0] >= 'a' && s[0] <= 'z' && s[0] - 32 == c) ||
                       (c >= 'a' && c <= 'z' && s[0] == c - 32))) {
      SelectByKey(i);
      return;
    }
  }
}

void TCustomComboBox::SelectByKey(int index) {
  if (index < 0 || index >= ItemCount() || index == itemIndex_) return;
  itemIndex_ = index;
  Invalidate();
  if (dropped_) list_->ShowSelection();
  Notify(CBN_SELCHANGE);
  // A handler that moved the focus elsewhere (in a window that is not the
  // active one no focus message comes) leaves no list open behind it.
  TForm* form = GetParentForm(this);
  if (dropped_ && form != nullptr && form->ActiveControl() != this) SetDroppedDown(false);
}

void TCustomComboBox::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  // Alt shows in the key's data or in the tracked key state.
  const bool alt = shift.Contains(TShiftStateItem::ssAlt) || GetKeyState(VK_MENU) < 0;
  // F4 and Alt+Down or Alt+Up open and close the list.
  if (key == kVkF4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    SetDroppedDown(!dropped_);
    key = 0;
    return;
  }
  if (dropped_ && (key == VK_RETURN || key == VK_ESCAPE)) {
    // Return takes the item under the pointer, as a click there does.
    const int hot = list_->HotIndex();
    const bool take = key == VK_RETURN && hot >= 0;
    key = 0;
    if (take)
      ListClicked(hot);
    else
      SetDroppedDown(false);
    return;
  }
  // The arrows, Home, End and the page keys choose an item, open or closed:
  // each choice is reported as the user's change of the selection.
  const int count = ItemCount();
  if (count == 0) return;
  const int page = std::max(1, std::min(count, 8) - 1);
  int next = itemIndex_;
  switch (key) {
  case VK_DOWN:
  case VK_RIGHT:
    next = itemIndex_ < 0 ? 0 : std::min(count - 1, itemIndex_ + 1);
    break;
  case VK_UP:
  case VK_LEFT:
    next = itemIndex_ < 0 ? 0 : std::max(0, itemIndex_ - 1);
    break;
  case VK_HOME:
    next = 0;
    break;
  case VK_END:
    next = count - 1;
    break;
  case VK_NEXT:
    next = std::min(count - 1, std::max(itemIndex_, 0) + page);
    break;
  case VK_PRIOR:
    next = std::max(0, itemIndex_ - page);
    break;
  default:
    return;
  }
  SelectByKey(next);
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  // A press takes the focus, as the system's combo box does, before the
  // list opens.
  if (button == TMouseButton::mbLeft && !Focused() && CanFocus()) SetFocus();
  if (button == TMouseButton::mbLeft) SetDroppedDown(!dropped_);
}

void TCustomComboBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_GETDLGCODE: // the list's prefix search and arrows
    m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS;
    return;
  case CB_GETCURSEL:
    m.Result = itemIndex_;
    return;
  case CB_GETCOUNT:
    m.Result = ItemCount();
    return;
  case CB_SETCURSEL: {
    const int i = int(m.WParam);
    itemIndex_ = i >= 0 && i < ItemCount() ? i : -1;
    m.Result = itemIndex_;
    Invalidate();
    return;
  }
  case CB_SHOWDROPDOWN:
    SetDroppedDown(m.WParam != 0);
    return;
  case CB_SETITEMHEIGHT:
    if (int(m.WParam) == -1) {
      editItemHeight_ = int(m.LParam);
      TCustomControl::SetBounds(left_, top_, width_, editItemHeight_ + 6);
    } else {
      listItemHeight_ = int(m.LParam);
    }
    Invalidate();
    return;
  case CB_GETITEMHEIGHT:
    m.Result = int(m.WParam) == -1 ? editItemHeight_ : listItemHeight_;
    return;
  case CB_GETDROPPEDSTATE:
    m.Result = dropped_ ? 1 : 0;
    return;
  case CB_SETDROPPEDWIDTH:
    droppedWidth_ = int(m.WParam);
    return;
  case CN_COMMAND:
    switch (int(m.WParam >> 16)) {
    case CBN_SELCHANGE:
      SetText(itemIndex_ >= 0 ? items_[std::size_t(itemIndex_)] : std::string());
      Click();
      Change();
      break;
    case CBN_DROPDOWN:
      DropDown();
      break;
    case CBN_CLOSEUP:
      if (OnCloseUp) OnCloseUp(this);
      break;
    default:
      break;
    }
    return;
  case WM_CHAR:
    TCustomControl::Dispatch(m);
    if (m.WParam >= 32) SelectByPrefix(char(m.WParam));
    return;
  case WM_KILLFOCUS:
    // The focus moving to another control of the window closes the list (a
    // window coming to the front over this one does not).
    if (m.LParam == 0 && dropped_) SetDroppedDown(false);
    TCustomControl::Dispatch(m);
    return;
  case WM_PAINT:
    TCustomControl::Dispatch(m);
    // There is no non-client area: the frame's turn comes after each paint.
    Perform(WM_NCPAINT, 1, 0);
    return;
  default:
    TCustomControl::Dispatch(m);
  }
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, UINT state) {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor((state & ODS_SELECTED) ? clHighlight : Color());
  c->FillRect(rect);
  if (index < 0 || index >= ItemCount()) return;
  c->Font()->Assign(*Font());
  if (state & ODS_SELECTED) c->Font()->SetColor(clHighlightText);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(rect.Left + 2, rect.Top + 1, items_[std::size_t(index)]);
}

void TCustomComboBox::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  // The classic frame and button.
  c->Pen()->SetColor(clBtnShadow);
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(r);
  const TRect button(r.Right - ButtonWidth() - 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(button);
  const int cx = (button.Left + button.Right) / 2, cy = (button.Top + button.Bottom) / 2;
  c->Pen()->SetColor(Enabled() ? clBtnText : clGrayText);
  for (int i = 0; i < 4; ++i) {
    c->MoveTo(cx - 3 + i, cy - 1 + i);
    c->LineTo(cx + 4 - i, cy - 1 + i);
  }
  const UINT state = ODS_COMBOBOXEDIT | (Focused() && !dropped_ ? ODS_SELECTED | ODS_FOCUS : 0);
  DrawItem(itemIndex_, TRect(3, 3, r.Right - ButtonWidth() - 3, r.Bottom - 3), state);
}

// ---- the list ---------------------------------------------------------------------------------

TComboListWindow::TComboListWindow(TComponent* owner, TCustomComboBox* combo)
    : TCustomControl(owner), combo_(combo) {
  visible_ = false;
  color_ = clWindow;
}

QWidget* TComboListWindow::CreateWidget(QWidget* parent) {
  QWidget* w = TCustomControl::CreateWidget(parent);
  // A window of its own that never takes the focus from the combo box: the
  // keys keep going to the combo box while the list is open.
  w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setFocusPolicy(Qt::NoFocus);
  return w;
}

void TComboListWindow::Open() {
  hot_ = -1;
  HandleNeeded();
  SetVisible(true);
  // A window without a parent shows through its widget, above the others.
  if (QWidget* w = Widget()) {
    w->show();
    w->raise();
  }
  Invalidate();
}

void TComboListWindow::Close() {
  hot_ = -1;
  SetVisible(false);
  if (QWidget* w = Widget()) w->hide();
}

void TComboListWindow::ShowSelection() {
  hot_ = -1;
  Invalidate();
}

void TComboListWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
}

int TComboListWindow::ItemAt(int y) const {
  const int h = int(combo_->Perform(CB_GETITEMHEIGHT, 0, 0));
  if (h <= 0 || y < 1) return -1;
  const int i = (y - 1) / h;
  return i < combo_->ItemCount() ? i : -1;
}

void TComboListWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int h = int(combo_->Perform(CB_GETITEMHEIGHT, 0, 0));
  // The items are drawn by the combo box on this window's canvas.
  TCanvas* own = combo_->Canvas();
  HDC saved = combo_->paintDC_;
  combo_->paintDC_ = PaintDC();
  own->SetHandle(PaintDC());
  for (int i = 0; i < combo_->ItemCount(); ++i) {
    const int selected = hot_ >= 0 ? hot_ : combo_->ItemIndex();
    combo_->DrawItem(i, TRect(1, 1 + i * h, Width() - 1, 1 + (i + 1) * h),
                     i == selected ? UINT(ODS_SELECTED) : 0u);
  }
  own->SetHandle(saved);
  combo_->paintDC_ = saved;
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(ClientRect());
}

void TComboListWindow::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  const int i = ItemAt(y);
  if (i != hot_) {
    hot_ = i;
    Invalidate();
  }
}

void TComboListWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  const int i = ItemAt(y);
  hot_ = -1;
  combo_->ListClicked(i);
}
