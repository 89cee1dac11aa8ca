// The page control's tab painter (tabs along the top): the tab strip, the
// scroll-arrow area, the page margin and frame, the join between the active
// tab and its page, and every tab in its style.
#include <algorithm>

#include "controls/OwPageControl.h"
#include "platform/forms/ImgList.h"

namespace {
void Line(TCanvas* c, int x1, int y1, int x2, int y2) {
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}
void Polyline(TCanvas* c, std::initializer_list<TPoint> points) {
  c->Polyline(std::vector<TPoint>(points));
}
} // namespace

void TOwPageControl::Paint() {
  TCustomTabControl::Paint();
  // The painter runs for the paint and once more after it, as the native
  // control's window procedure did.
  PaintTabs(Canvas());
  PaintTabs(Canvas());
}

void TOwPageControl::PaintTabs(TCanvas* c) {
  const int W = Width(), H = Height();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Parent() ? Parent()->Color() : clBtnFace);
  c->Font()->Assign(font_);
  // The extent of the visible tabs; their enlarged boxes are cleared.
  int B = 0, R = 0;
  bool anyVisible = false;
  for (int i = PageCount() - 1; i >= 0; --i) {
    if (!pages_[std::size_t(i)]->TabVisible()) continue;
    anyVisible = true;
    const TRect r = PageTabRect(i);
    B = std::max(B, r.Bottom);
    R = std::max(R, r.Right);
    c->FillRect(TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom));
  }
  if (!anyVisible) B = 2;
  // The scroll-arrow area at the far end of the row.
  c->Brush()->SetColor(Color());
  c->FillRect(TRect(W - 35, 0, W, B));
  c->Pen()->SetColor(clWhite);
  Line(c, std::max(W - 35, R), B, W, B);
  // The tab strip.
  c->Brush()->SetColor(tabBackGroundColor_);
  c->FillRect(TRect(0, 0, W, B));
  // The margin around the active sheet, in its colours.
  const bool coloured =
      activePage_ && (activePage_->Color() != clNone || activePage_->ColorTo() != clNone);
  if (coloured) {
    HDC dc = c->Handle();
    TDCStateSaver saved(dc);
    const int top = tabSheet3D_ ? B + 2 : B + 1;
    HRGN bands = CreateRectRgn(1, top, W - 1, top + 3);
    for (const TRect& band : {TRect(1, top, 4, H - 1), TRect(W - 4, top, W - 1, H - 1),
                              TRect(1, H - 4, W - 1, H - 1)}) {
      HRGN part = CreateRectRgn(band.Left, band.Top, band.Right, band.Bottom);
      CombineRgn(bands, bands, part, RGN_OR);
      DeleteObject(part);
    }
    ExtSelectClipRgn(dc, bands, RGN_AND);
    DeleteObject(bands);
    if (activePage_->ColorTo() == clNone) {
      c->Brush()->SetColor(activePage_->Color());
      c->FillRect(ClientRect());
    } else {
      DrawSteppedGradient(c, activePage_->Color(), activePage_->ColorTo(), false, ClientRect(), 16,
                          TGradientForm::gfFullExtent);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(activePage_->Color());
      c->FillRect(TRect(1, B + 1, W - 1, B + 4));
    }
  }
  // The page frame.
  if (!tabSheet3D_) {
    c->Pen()->SetColor(tabSheetBorderColor_);
    Line(c, 0, B, 0, H);
    Line(c, 0, H - 1, W, H - 1);
    Line(c, W - 1, H - 2, W - 1, B);
    Line(c, 0, B, W, B);
    if (!coloured) {
      c->Pen()->SetColor(Color());
      Line(c, 1, H - 2, W - 1, H - 2);
      Line(c, W - 2, H - 2, W - 2, B);
    }
    if (roundEdges_) {
      c->Pen()->SetColor(Color());
      Polyline(c, {{0, H - 4}, {0, H - 1}, {4, H - 1}});
      Polyline(c, {{W - 4, H - 1}, {W - 1, H - 1}, {W - 1, H - 5}});
      c->Pen()->SetColor(tabSheetBorderColor_);
      Line(c, 1, H - 4, 1, H - 2);
      Line(c, 2, H - 2, 4, H - 2);
      Line(c, W - 4, H - 2, W - 2, H - 2);
      Line(c, W - 2, H - 3, W - 2, H - 5);
    }
  }
  // The active tab joins its page.
  int split = 0;
  if (!tabSheet3D_ && !tabSplitLine_ && PageCount() > 0 && anyVisible) {
    split = 1;
    c->Pen()->SetColor(coloured ? activePage_->Color() : Color());
    Line(c, 3, B, R + tabOverlap_, B);
  }
  for (int i = PageCount() - 1; i >= 0; --i)
    if (pages_[std::size_t(i)]->TabVisible()) PaintTab(c, i, PageTabRect(i), B, R, split);
}

void TOwPageControl::PaintTab(TCanvas* c, int pageIndex, TRect r, int B, int R, int& split) {
  TOwTabSheet* page = pages_[std::size_t(pageIndex)];
  const bool active = pageIndex == ActiveIndex();
  const int W = Width();
  if (OnDrawTab) OnDrawTab(this, pageIndex, r, active);
  // Fill colours.
  TColor from = page->TabColor(), to = page->TabColorTo();
  TTabGradientDirection direction = page->TabGradientDirection();
  if (active && activeColor_ != clNone) {
    from = activeColor_;
    to = activeColorTo_;
  } else if (pageIndex == hoverIndex_ && (tabHoverColor_ != clNone || tabHoverColorTo_ != clNone)) {
    from = tabHoverColor_;
    to = tabHoverColorTo_;
    direction = page->HoverGradientDirection();
  }
  int x = r.Left + (page->ShowClose() ? 18 : 4);
  int y = r.Top + (active ? lowerActive_ + 1 : 1);
  r.Top -= 1;
  if (!OnDrawTab) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(from);
    if (to != clNone) {
      const bool horizontal = direction == TTabGradientDirection::gdHorizontal;
      TRect fill = r;
      fill.Bottom -= 1;
      if (horizontal) fill.Right -= 1;
      DrawSteppedGradient(c, from, to, horizontal, fill, 16, TGradientForm::gfFullExtent);
    } else if (from != clNone) {
      c->FillRect(r);
    }
  }
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(tabBorderColor_);
  const bool lastInRow = r.Right > R - 3;
  TOwTabSheet* next = NextVisiblePage(page, true, true);
  const bool separator = next != activePage_ || lastInRow;
  switch (tabStyle_) {
  case TTabStyle::tsClassic:
    if (active) {
      Polyline(c, {{r.Left, r.Bottom - 1}, {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}});
    } else {
      if (r.Bottom < B) split = 0;
      c->Rectangle(r.Left, r.Top, r.Right > W - 5 ? r.Right : r.Right + 1, r.Bottom + split);
      if (!tabSheet3D_ && !tabSplitLine_) split = 1;
    }
    break;
  case TTabStyle::tsDotNet:
    if (active) {
      Polyline(c, {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}});
    } else {
      Line(c, r.Left, r.Bottom, r.Right, r.Bottom);
      if (separator) {
        c->Pen()->SetColor(activeColor_);
        Line(c, r.Right - 2, r.Bottom - 3, r.Right - 2, r.Top + 2);
        Line(c, r.Right - 3, r.Bottom - 3, r.Right - 3, r.Top + 2);
      }
    }
    break;
  case TTabStyle::tsTarvex:
    if (active) {
      Line(c, r.Left, r.Bottom, r.Left, r.Top);
      Line(c, r.Right, r.Top, r.Right, r.Bottom);
    } else {
      Line(c, r.Left, r.Bottom, r.Right, r.Bottom);
      if (separator) Line(c, r.Right - 2, r.Bottom, r.Right - 2, r.Top);
    }
    break;
  }
  x += tabMargin_->LeftMargin();
  y += tabMargin_->TopMargin();
  if (page->ShowClose()) DrawCloseGlyph(c, r, active);
  if (images_ && page->ImageIndex() >= 0 && !OnDrawTab) {
    images_->Draw(c, x - 2, y, page->ImageIndex(), true);
    x += images_->Width();
  }
  c->Font()->Assign(active ? activeFont_ : font_);
  if (!active) c->Font()->SetColor(page->TextColor());
  if (!page->TabEnable()) c->Font()->SetColor(clGray);
  if (!page->Enabled()) c->Font()->SetColor(clGrayText);
  c->Brush()->SetStyle(bsClear);
  if (!OnDrawTab) {
    TRect text(x, y, r.Right, r.Bottom);
    CanvasDrawText(c, page->Caption(), text, DT_NOCLIP | DT_SINGLELINE);
  }
  if (active) c->Font()->Assign(font_);
  // The focus rectangle of the active tab.
  if (active && showFocus_ && Focused() &&
      !ComponentState().Contains(TComponentStateItem::csDesigning))
    DrawDottedFocusRect(c, TRect(r.Left + 5, r.Top + 3, r.Right - 5, r.Bottom - 3), clBlack);
}

void TOwPageControl::DrawCloseGlyph(TCanvas* c, const TRect& r, bool active) {
  const int lower = active ? lowerActive_ : 0;
  const int x = r.Left + tabMargin_->LeftMargin(), y = r.Top + lower + tabMargin_->TopMargin();
  if (!closeGlyph_->Empty()) {
    TDCStateSaver saved(c->Handle());
    IntersectClipRect(c->Handle(), x + 2, y + 2, x + 14, y + 13);
    closeGlyph_->SetTransparentMode(tmAuto);
    closeGlyph_->SetTransparent(true);
    c->Draw(x + 2, y + 2, closeGlyph_.get());
    return;
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clWhite);
  c->Pen()->SetColor(clGray);
  c->Rectangle(x + 2, y + 2, x + 14, y + 13);
  c->Pen()->SetColor(clBlack);
  Line(c, x + 5, y + 9, x + 11, y + 4);
  Line(c, x + 6, y + 9, x + 10, y + 4);
  Line(c, x + 5, y + 5, x + 11, y + 10);
  Line(c, x + 6, y + 5, x + 10, y + 10);
  c->Brush()->SetStyle(bsClear);
}
