#include "controls/OwCombo.h"

#include "controls/ACXPVS.h"
#include "controls/OwPaintUtil.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/ClassicEdges.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SystemVersion.h"

TOwCustomCombo::TOwCustomCombo(TComponent* owner)
    : TCustomComboBox(owner), buttonWidth_(GetSystemMetrics(SM_CXVSCROLL) + 2) {
  const std::uint32_t version = GetVersion();
  const int major = int(version & 0xFF), minor = int((version >> 8) & 0xFF);
  isXP_ = major > 5 || (major == 5 && minor >= 1);
  comctl6_ = SystemLibraryMajorVersion("COMCTL32.DLL") > 5;
}

std::string TOwCustomCombo::Version() const {
  const std::uint32_t v = VersionNumber();
  return IntToStr(int(v >> 24)) + "." + IntToStr(int((v >> 16) & 0xFF)) + "." +
         IntToStr(int((v >> 8) & 0xFF)) + "." + IntToStr(int(v & 0xFF));
}

void TOwCustomCombo::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  SetCtl3D(!value);
  if (value && Parent())
    SetColor(Parent()->Color());
  else if (!value)
    SetColor(designedColor_);
  Invalidate();
}

void TOwCustomCombo::SetEtched(bool value) {
  if (value == etched_) return;
  etched_ = value;
  Invalidate();
}

void TOwCustomCombo::SetDropWidth(int value) {
  dropWidth_ = value;
  if (value > 0) Perform(CB_SETDROPPEDWIDTH, WPARAM(value), 0);
}

void TOwCustomCombo::SetComboColor(TColor value) {
  if (IsLoading()) designedColor_ = value;
  SetColor(value);
}

void TOwCustomCombo::Loaded() {
  TCustomComboBox::Loaded();
  if (dropWidth_ > 0) Perform(CB_SETDROPPEDWIDTH, WPARAM(dropWidth_), 0);
  savedColor_ = designedColor_;
  if (flat_) SetColor(designedColor_);
}

bool TOwCustomCombo::FrameActive() const {
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  return !designing && (mouseOver_ || focused_) && focusBorder_;
}

bool TOwCustomCombo::ButtonActive() const {
  return mouseOver_ || focused_;
}

void TOwCustomCombo::DrawButton(TCanvas* c) {
  HDC dc = c->Handle();
  const int w = ClientWidth(), h = ClientHeight();
  RECT r(w - buttonWidth_, 0, w, h);
  r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  DrawFrameControl(dc, &r, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (Enabled() ? UINT(DFCS_FLAT) : UINT(DFCS_INACTIVE)));
  ExcludeClipRect(dc, w - buttonWidth_ - 4, 0, w + 2, h);
}

void TOwCustomCombo::Paint() {
  if (!flat_) {
    TCustomComboBox::Paint();
    return;
  }
  TCanvas* c = Canvas();
  {
    TCanvasStateSaver saved(c);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    DrawButton(c);
    const TRect r = ClientRect();
    DrawItem(ItemIndex(), TRect(3, 3, r.Right - buttonWidth_ - 1, r.Bottom - 3),
             ODS_COMBOBOXEDIT | (focused_ && !DroppedDown() ? UINT(ODS_SELECTED) : 0u));
  }
  DrawFrameOn(c);
}

void TOwCustomCombo::DrawFrame() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  HDC dc = GetDC(h);
  TCanvas canvas;
  canvas.SetHandle(dc);
  DrawFrameOn(&canvas);
  canvas.SetHandle(nullptr);
  ReleaseDC(h, dc);
}

void TOwCustomCombo::DrawFrameOn(TCanvas* c) {
  if (Enabled() && !flat_) return;
  HDC dc = c->Handle();
  TRect r(0, 0, Width(), Height());
  const bool active = FrameActive();
  const TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
  HBRUSH a = CreateSolidBrush(ColorToRGB(active ? clBtnFace : parentColor));
  HBRUSH b = CreateSolidBrush(ColorToRGB(Color()));
  auto shrink = [&r] { r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1); };
  if (active) {
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    FrameRect(dc, &r, a);
    shrink();
    FrameRect(dc, &r, b);
  } else {
    FrameRect(dc, &r, a);
    shrink();
    FrameRect(dc, &r, a);
    shrink();
    FrameRect(dc, &r, b);
  }
  if (flat_ && bottomLineColor_ != clNone) {
    HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(bottomLineColor_));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, r.Left - 2, Height() - 1, nullptr);
    LineTo(dc, r.Right - 18, Height() - 1);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  // The classic button edge (the list style is never the editable one, and
  // themed drawing is used only with visual styles).
  if (!(isXP_ && comctl6_ && ThemesActive())) {
    TDCStateSaver saved(dc);
    const int w = ClientWidth(), h = ClientHeight();
    ExcludeClipRect(dc, w - buttonWidth_ + 4, 4, w - 4, h - 4);
    RECT e(w - buttonWidth_ - 2 + 2, 2, Width() - 2, Height() - 2);
    if (ButtonActive()) {
      DrawEdge(dc, &e, etched_ ? EDGE_ETCHED : EDGE_RAISED,
               BF_RECT | (DroppedDown() ? UINT(BF_FLAT) : 0u));
    } else {
      e = TRect(e.Left, e.Top + 1, e.Right - 1, e.Bottom - 1);
      HBRUSH face = CreateSolidBrush(ColorToRGB(clBtnFace));
      FillRect(dc, &e, face);
      DeleteObject(face);
    }
  }
  DeleteObject(a);
  DeleteObject(b);
}

void TOwCustomCombo::MouseMove(TShiftState shift, int x, int y) {
  TCustomComboBox::MouseMove(shift, x, y);
  const bool over = Width() - buttonWidth_ < x && x < Width();
  if (over != mouseOverButton_) {
    mouseOverButton_ = over;
    Invalidate();
  }
}

void TOwCustomCombo::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CM_MOUSEENTER:
    TCustomComboBox::Dispatch(m);
    if (!mouseOver_ && Enabled()) {
      mouseOver_ = true;
      DrawFrame();
      if (isXP_) Invalidate();
    }
    return;
  case CM_MOUSELEAVE:
    TCustomComboBox::Dispatch(m);
    if (mouseOver_ && Enabled()) {
      mouseOver_ = false;
      DrawFrame();
      if (isXP_) {
        mouseOverButton_ = false;
        Invalidate();
      }
    }
    return;
  case CN_COMMAND: {
    TCustomComboBox::Dispatch(m);
    const int code = int(m.WParam >> 16);
    if ((code == CBN_DROPDOWN || code == CBN_CLOSEUP) && HandleAllocated()) {
      const TRect button(ClientWidth() - buttonWidth_, 0, ClientWidth(), ClientHeight());
      InvalidateRect(Handle(), &button, false);
    }
    if (code == CBN_CLOSEUP && OnDropUp) OnDropUp(this);
    return;
  }
  case CM_ENTER:
  case CM_EXIT: {
    TCustomComboBox::Dispatch(m);
    if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;
    focused_ = m.Msg == CM_ENTER;
    DrawFrame();
    return;
  }
  case WM_KILLFOCUS:
    TCustomComboBox::Dispatch(m);
    if (isXP_) {
      SetWidth(Width() + 1);
      SetWidth(Width() - 1);
    } else {
      Invalidate();
    }
    return;
  case WM_NCPAINT:
    TCustomComboBox::Dispatch(m);
    if (flat_) DrawFrame();
    return;
  case CM_ENABLEDCHANGED:
    if (flat_ && !IsLoading()) {
      if (!Enabled()) {
        savedParentColor_ = ParentColor();
        savedColor_ = Color();
        SetParentColor(true);
      } else {
        SetParentColor(savedParentColor_);
        SetColor(savedColor_);
      }
    }
    TCustomComboBox::Dispatch(m);
    return;
  default:
    TCustomComboBox::Dispatch(m);
  }
}
