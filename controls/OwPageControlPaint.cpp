// The page control's tab painter, for tabs on any side: the tab strip, the
// scroll-arrow area, the page margin and frame, the join between the active
// tab and its page, every tab in its style or skin, the close glyph in its
// three looks, captions (turned for left and right tabs), the focus
// rectangle and the hover outline.
//
// The outlines are written once for tabs on top, in tab coordinates (a runs
// along the row, b from the outer edge toward the page), and mapped onto the
// other sides by TTabFrame.
#include <algorithm>

#include "controls/OwMenuUtil.h"
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
bool Horizontal(TTabPosition p) {
  return p == TTabPosition::tpTop || p == TTabPosition::tpBottom;
}

/// A tab's rectangle seen as a tab on top: a0..a1 along the row, b0 the
/// outer edge, b1 the edge at the page.
struct TTabFrame {
  TTabPosition pos;
  TRect r;
  int a0() const { return Horizontal(pos) ? r.Left : r.Top; }
  int a1() const { return Horizontal(pos) ? r.Right : r.Bottom; }
  int b0() const {
    return pos == TTabPosition::tpLeft || pos == TTabPosition::tpRight ? r.Left : r.Top;
  }
  int b1() const {
    return pos == TTabPosition::tpLeft || pos == TTabPosition::tpRight ? r.Right : r.Bottom;
  }
  /// A point in tab coordinates on the control.
  TPoint At(int a, int b) const {
    switch (pos) {
    case TTabPosition::tpTop:
      return TPoint(a, b);
    case TTabPosition::tpBottom:
      return TPoint(a, r.Top + r.Bottom - 1 - b);
    case TTabPosition::tpLeft:
      return TPoint(b, a);
    case TTabPosition::tpRight:
      return TPoint(r.Left + r.Right - 1 - b, a);
    }
    return TPoint(a, b);
  }
  void Lines(TCanvas* c, std::initializer_list<std::pair<int, int>> points) const {
    std::vector<TPoint> mapped;
    for (const auto& [a, b] : points)
      mapped.push_back(At(a, b));
    c->Polyline(mapped);
  }
  /// The rectangle covering a0..a1 − 1 and b0..b1 − 1 in tab coordinates.
  TRect Box(int a0, int b0, int a1, int b1) const {
    const TPoint p = At(a0, b0), q = At(a1 - 1, b1 - 1);
    return TRect(std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x) + 1,
                 std::max(p.y, q.y) + 1);
  }
};

/// Copies a part of `source` onto the canvas, stretched to the destination
/// size, leaving the canvas alone where the source has the transparent colour.
void TransparentStretchBlit(TCanvas* dest, TBitmap* source, int x, int y, int w, int h,
                            TColor transparent, int sx, int sy, int sw, int sh) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  TBitmap part(sw, sh, pf24bit);
  part.Canvas()->CopyRect(TRect(0, 0, sw, sh), source->Canvas(), TRect(sx, sy, sx + sw, sy + sh));
  part.SetTransparentMode(tmFixed);
  part.SetTransparentColor(transparent);
  part.SetTransparent(true);
  if (w == sw && h == sh)
    dest->Draw(x, y, &part);
  else
    dest->StretchDraw(TRect(x, y, x + w, y + h), &part);
}

void TransparentBlit(TCanvas* dest, TBitmap* source, int x, int y, TColor transparent, int sx,
                     int sy, int w, int h) {
  TransparentStretchBlit(dest, source, x, y, w, h, transparent, sx, sy, w, h);
}
} // namespace

/// A skin along a row: its two halves at the ends and its middle columns
/// stretched between them; the bottom-left pixel is transparent.
void DrawSkinHorizontal(TBitmap* skin, TCanvas* c, int x, int width, int y) {
  const int w = skin->Width(), h = skin->Height();
  if (w < 2 || h < 1) return;
  const TColor key = skin->Canvas()->Pixels(0, h - 1);
  TransparentBlit(c, skin, x, y, key, 0, 0, w / 2, h);
  TransparentStretchBlit(c, skin, x + w / 2, y, width - w, h, key, w / 2 - 1, 0, 2, h);
  TransparentBlit(c, skin, x + w / 2 + width - w, y, key, w / 2, 0, w / 2, h);
}

/// The same down a column.
void DrawSkinVertical(TBitmap* skin, TCanvas* c, int x, int height, int y) {
  const int w = skin->Width(), h = skin->Height();
  if (w < 1 || h < 2) return;
  const TColor key = skin->Canvas()->Pixels(0, h - 1);
  TransparentBlit(c, skin, x, y, key, 0, 0, w, h / 2);
  TransparentStretchBlit(c, skin, x, y + h / 2, w, height - h, key, 0, h / 2 - 1, w, 2);
  TransparentBlit(c, skin, x, y + h / 2 + height - h, key, 0, h / 2, w, h / 2);
}

struct TOwPageControl::TTabExtent {
  int B = 0, T = 0, L = 0, R = 0, W = 0, H = 0;
  bool anyVisible = false;
  TTabPosition pos = TTabPosition::tpTop;
};

struct TOwPageControl::TDeferredTab {
  int pageIndex = -1;
  TRect r;
  TPoint text{-10, -10};
};

void TOwPageControl::Paint() {
  TCustomTabControl::Paint();
  // With TabBorder3D the tab model draws the tabs itself.
  if (tabBorder3D_) return;
  // The painter runs for the paint and once more after it, as the native
  // control's window procedure did.
  PaintTabs(Canvas());
  PaintTabs(Canvas());
  PaintScrollButtons(Canvas());
}

void TOwPageControl::PaintTabs(TCanvas* c) {
  if (redrawLock_ >= 1) return;
  TTabExtent e;
  e.W = Width();
  e.H = Height();
  e.pos = TabPosition();
  e.L = e.W;
  e.T = PageCount() > 0 ? PageTabRect(0).Top : 0;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Parent() ? Parent()->Color() : clBtnFace);
  c->Font()->Assign(font_);
  // The extent of the visible tabs; their enlarged boxes are cleared.
  for (int i = PageCount() - 1; i >= 0; --i) {
    if (!pages_[std::size_t(i)]->TabVisible()) continue;
    e.anyVisible = true;
    TRect r = PageTabRect(i);
    e.B = std::max(e.B, r.Bottom);
    e.T = std::min(e.T, r.Top);
    e.L = std::min(e.L, r.Left);
    e.R = std::max(e.R, r.Right);
    switch (e.pos) {
    case TTabPosition::tpTop:
      r = TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom);
      break;
    case TTabPosition::tpBottom:
      r = TRect(r.Left - 2, r.Top, r.Right + 2, r.Bottom + 2);
      break;
    case TTabPosition::tpLeft:
      r = TRect(r.Left - 2, r.Top - 2, r.Right, r.Bottom + 2);
      break;
    case TTabPosition::tpRight:
      r = TRect(r.Left, r.Top - 2, r.Right + 2, r.Bottom + 2);
      break;
    }
    c->FillRect(r);
  }
  if (!e.anyVisible) {
    if (e.pos == TTabPosition::tpTop) e.B = 2;
    if (e.pos == TTabPosition::tpBottom) e.T = e.H - 2;
    if (e.pos == TTabPosition::tpLeft) e.R = 2;
    if (e.pos == TTabPosition::tpRight) e.L = e.W - 2;
  }
  const bool coloured =
      activePage_ && (activePage_->Color() != clNone || activePage_->ColorTo() != clNone);
  PaintStripAndFrame(c, e, coloured);
  // The active tab joins its page.
  int split = 0;
  if (!tabSheet3D_ && !tabSplitLine_ && PageCount() > 0 && e.anyVisible) {
    split = 1;
    TColor page = Color();
    if (coloured)
      page = e.pos == TTabPosition::tpBottom && activePage_->ColorTo() != clNone
                 ? activePage_->ColorTo()
                 : activePage_->Color();
    c->Pen()->SetColor(page);
    const int ov = tabOverlap_;
    switch (e.pos) {
    case TTabPosition::tpTop:
      Line(c, 3, e.B, e.R + ov, e.B);
      break;
    case TTabPosition::tpBottom:
      Line(c, 2, e.T - 1, e.R + ov, e.T - 1);
      break;
    case TTabPosition::tpLeft: {
      const int longer = tabStyle_ == TTabStyle::tsClassic && !tabBackGround_->Empty() ? 2 : 0;
      Line(c, e.R, 2, e.R, e.B + ov + longer);
      break;
    }
    case TTabPosition::tpRight:
      Line(c, e.L - 1, e.B + ov - 1, e.L - 1, 2);
      break;
    }
  }
  // Tabs of a scrolling row pass under the scroll buttons' area.
  TCanvasStateSaver saved(c);
  if (Scrolling()) {
    const bool top = e.pos == TTabPosition::tpTop;
    ExcludeClipRect(c->Handle(), e.W - 35, top ? 0 : e.T, e.W, top ? e.B : e.H);
  }
  TDeferredTab deferred;
  for (int i = PageCount() - 1; i >= 0; --i)
    if (pages_[std::size_t(i)]->TabVisible()) PaintTab(c, i, PageTabRect(i), e, split, deferred);
  if (deferred.pageIndex >= 0 && !OnDrawTab) PaintDeferredTab(c, deferred);
  PaintHoverOutline(c);
}

void TOwPageControl::PaintStripAndFrame(TCanvas* c, const TTabExtent& e, bool coloured) {
  const int W = e.W, H = e.H, B = e.B, T = e.T, L = e.L, R = e.R;
  // The scroll-arrow area at the far end of a single row.
  if (!MultiLine() && (e.pos == TTabPosition::tpTop || e.pos == TTabPosition::tpBottom)) {
    c->Brush()->SetColor(Color());
    const bool top = e.pos == TTabPosition::tpTop;
    c->FillRect(top ? TRect(W - 35, 0, W, B) : TRect(W - 35, T, W, H));
    c->Pen()->SetColor(top ? clWhite : cl3DDkShadow);
    Line(c, std::max(W - 35, R), top ? B : T - 1, W, top ? B : T - 1);
  }
  // The tab strip.
  c->Brush()->SetColor(tabBackGroundColor_);
  switch (e.pos) {
  case TTabPosition::tpTop:
    c->FillRect(TRect(0, 0, W, B));
    break;
  case TTabPosition::tpBottom:
    c->FillRect(TRect(0, T, W, H));
    break;
  case TTabPosition::tpLeft:
    c->FillRect(TRect(0, 0, R, H));
    break;
  case TTabPosition::tpRight:
    c->FillRect(TRect(L, 0, W, H));
    break;
  }
  // The page area inside the frame; with a 3-D sheet the margin starts one
  // pixel further from the strip.
  TRect page;
  const int inset = tabSheet3D_ ? 1 : 0;
  switch (e.pos) {
  case TTabPosition::tpTop:
    page = TRect(1, B + 1 + inset, W - 1, H - 1);
    break;
  case TTabPosition::tpBottom:
    page = TRect(1, 1, W - 1, T - 1 - inset);
    break;
  case TTabPosition::tpLeft:
    page = TRect(R + 1 + inset, 1, W - 2, H - 2);
    break;
  case TTabPosition::tpRight:
    page = TRect(1, 1, L - 1 - inset, H - 2);
    break;
  }
  if (coloured) {
    HDC dc = c->Handle();
    TCanvasStateSaver saved(c);
    HRGN bands = CreateRectRgn(page.Left, page.Top, page.Right, page.Top + 3);
    for (const TRect& band : {TRect(page.Left, page.Top, page.Left + 3, page.Bottom),
                              TRect(page.Right - 3, page.Top, page.Right, page.Bottom),
                              TRect(page.Left, page.Bottom - 3, page.Right, page.Bottom)}) {
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
      c->FillRect(e.pos == TTabPosition::tpTop
                      ? TRect(1, B + 1, W - 1, B + 4)
                      : TRect(page.Left, page.Top, page.Right, page.Top + 3));
    }
  }
  if (tabSheet3D_) return;
  // The page frame.
  auto frame = [&](std::initializer_list<std::array<int, 4>> lines, TColor color) {
    c->Pen()->SetColor(color);
    for (const auto& l : lines)
      Line(c, l[0], l[1], l[2], l[3]);
  };
  switch (e.pos) {
  case TTabPosition::tpTop:
    frame({{0, B, 0, H}, {0, H - 1, W, H - 1}, {W - 1, H - 2, W - 1, B}, {0, B, W, B}},
          tabSheetBorderColor_);
    if (!coloured) frame({{1, H - 2, W - 1, H - 2}, {W - 2, H - 2, W - 2, B}}, Color());
    break;
  case TTabPosition::tpBottom:
    frame({{0, 0, 0, T}, {0, T - 1, W, T - 1}, {W - 1, T - 1, W - 1, 0}, {0, 0, W, 0}},
          tabSheetBorderColor_);
    if (!coloured) frame({{1, T - 2, W - 1, T - 2}, {W - 2, T - 2, W - 2, 0}}, Color());
    break;
  case TTabPosition::tpLeft:
    frame({{R, 0, R, H}, {R, H - 2, W - 2, H - 2}, {W - 2, H, W - 2, 0}, {W - 2, 0, R, 0}},
          tabSheetBorderColor_);
    frame({{R, H - 1, W - 1, H - 1}, {W - 1, H - 1, W - 1, -1}}, Color());
    break;
  case TTabPosition::tpRight:
    frame({{0, 0, 0, H}, {0, H - 2, L, H - 2}, {L - 1, H, L - 1, 0}, {L - 1, 0, 0, 0}},
          tabSheetBorderColor_);
    frame({{0, H - 1, L, H - 1}}, Color());
    if (!coloured) frame({{L - 2, H - 3, L - 2, 0}}, Color());
    break;
  }
  if (!roundEdges_) return;
  // The two frame corners away from the strip are bevelled: a runs along
  // the far edge (length A), d counts from that edge inward.
  int A = W;
  auto at = [&](int a, int d) {
    switch (e.pos) {
    case TTabPosition::tpTop:
      return TPoint(a, H - 1 - d);
    case TTabPosition::tpBottom:
      return TPoint(a, d);
    case TTabPosition::tpLeft:
      return TPoint(W - 2 - d, a);
    case TTabPosition::tpRight:
      return TPoint(d, a);
    }
    return TPoint(a, d);
  };
  if (!Horizontal(e.pos)) A = H - 1;
  auto poly = [&](std::initializer_list<std::pair<int, int>> points) {
    std::vector<TPoint> mapped;
    for (const auto& [a, d] : points)
      mapped.push_back(at(a, d));
    c->Polyline(mapped);
  };
  c->Pen()->SetColor(Color());
  poly({{0, 3}, {0, 0}, {4, 0}});
  poly({{A - 4, 0}, {A - 1, 0}, {A - 1, 4}});
  c->Pen()->SetColor(tabSheetBorderColor_);
  poly({{1, 3}, {1, 1}});
  poly({{2, 1}, {4, 1}});
  poly({{A - 4, 1}, {A - 2, 1}});
  poly({{A - 2, 2}, {A - 2, 4}});
}

void TOwPageControl::PaintTab(TCanvas* c, int pageIndex, TRect r, const TTabExtent& e, int& split,
                              TDeferredTab& deferred) {
  TOwTabSheet* page = pages_[std::size_t(pageIndex)];
  const bool active = pageIndex == ActiveIndex();
  const TTabPosition pos = e.pos;
  const bool skin = !tabBackGround_->Empty();
  if (OnDrawTab) OnDrawTab(this, pageIndex, r, active);
  if (skin) work_.SetSize(tabBackGround_->Width(), tabBackGround_->Height());
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
  // Where the caption starts.
  const int lower = lowerActive_;
  const bool close = page->ShowClose();
  int x = 0, y = 0;
  switch (pos) {
  case TTabPosition::tpTop:
    x = r.Left + (close ? 18 : 4);
    y = r.Top + (active ? lower + 1 : 1);
    break;
  case TTabPosition::tpBottom:
    x = r.Left + (close ? 18 : 4);
    y = active ? r.Top + lower + 1 : r.Top;
    if (skin) y += 3;
    if (!active && tabStyle_ == TTabStyle::tsClassic) y += 2;
    break;
  case TTabPosition::tpLeft:
    x = active ? r.Left + lower + 1 : r.Left + 1;
    if (skin) x -= 2;
    y = r.Bottom - (close ? 17 : 4);
    if (skin) y -= 3;
    break;
  case TTabPosition::tpRight:
    x = active ? r.Right - lower - 1 : r.Right - 1;
    if (skin) x -= TabHeight() / 3;
    y = r.Top + (close ? 17 : 4);
    if (skin) y -= 3;
    break;
  }
  if (!skin) {
    if (pos == TTabPosition::tpTop) r.Top -= 1;
    if (pos == TTabPosition::tpBottom) r.Bottom += 1;
    if (pos == TTabPosition::tpLeft) r.Left -= 1;
    if (!OnDrawTab) {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(from);
      if (to != clNone) {
        const bool horizontal = direction == TTabGradientDirection::gdHorizontal;
        TRect fill = r;
        switch (pos) {
        case TTabPosition::tpTop:
          fill.Bottom -= 1;
          if (horizontal) fill.Right -= 1;
          break;
        case TTabPosition::tpBottom:
          (horizontal ? fill.Right : fill.Bottom) -= 1;
          break;
        case TTabPosition::tpLeft:
          fill.Right -= 1;
          if (!horizontal) fill.Bottom -= 1;
          break;
        case TTabPosition::tpRight:
          if (!active && !horizontal) fill.Bottom -= 1;
          break;
        }
        DrawSteppedGradient(c, from, to, horizontal, fill, 16, TGradientForm::gfFullExtent);
      } else if (from != clNone) {
        c->FillRect(r);
      }
      if (pos == TTabPosition::tpRight) r.Right += 1;
    }
    // The outline, written for a tab on top and mapped onto its side.
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(tabBorderColor_);
    const TTabFrame f{pos, r};
    const int a0 = f.a0(), a1 = f.a1(), b0 = f.b0(), b1 = f.b1();
    const bool rowAlongWidth = Horizontal(pos);
    const int limit = rowAlongWidth ? e.W : e.H;
    const bool lastInRow = rowAlongWidth ? r.Right > e.R - 3 : r.Bottom > e.B - 3;
    const bool separator = NextVisiblePage(page, true, true) != activePage_ || lastInRow;
    switch (tabStyle_) {
    case TTabStyle::tsClassic:
      if (active) {
        f.Lines(c, {{a0, b1 - 1}, {a0, b0}, {a1, b0}, {a1, b1}});
      } else {
        const bool atPage = pos == TTabPosition::tpTop      ? r.Bottom >= e.B
                            : pos == TTabPosition::tpBottom ? r.Top <= e.T
                            : pos == TTabPosition::tpLeft   ? r.Right >= e.R
                                                            : r.Left <= e.L;
        if (!atPage) split = 0;
        const TRect box = f.Box(a0, b0, a1 > limit - 5 ? a1 : a1 + 1, b1 + split);
        c->Rectangle(box.Left, box.Top, box.Right, box.Bottom);
        if (!tabSheet3D_ && !tabSplitLine_) split = 1;
      }
      break;
    case TTabStyle::tsDotNet:
      if (active) {
        f.Lines(c, {{a0, b1}, {a0, b0}, {a1, b0}, {a1, b1}});
      } else {
        f.Lines(c, {{a0, b1}, {a1, b1}});
        if (separator) {
          c->Pen()->SetColor(activeColor_);
          f.Lines(c, {{a1 - 2, b1 - 3}, {a1 - 2, b0 + 2}});
          f.Lines(c, {{a1 - 3, b1 - 3}, {a1 - 3, b0 + 2}});
        }
      }
      break;
    case TTabStyle::tsTarvex:
      if (active) {
        f.Lines(c, {{a0, b1}, {a0, b0}});
        f.Lines(c, {{a1, b0}, {a1, b1}});
      } else {
        f.Lines(c, {{a0, b1}, {a1, b1}});
        if (separator) f.Lines(c, {{a1 - 2, b1}, {a1 - 2, b0}});
      }
      break;
    }
  } else if (!OnDrawTab) {
    if (active && !tabBackGroundActive_->Empty()) {
      deferred.pageIndex = pageIndex;
      deferred.r = r;
    } else {
      work_.Assign(tabBackGround_.get());
      const int ov = tabOverlap_;
      switch (pos) {
      case TTabPosition::tpTop:
        DrawSkinHorizontal(&work_, c, r.Left - 1, r.Right + ov - r.Left + 2, r.Top - 2);
        break;
      case TTabPosition::tpBottom:
        DrawSkinHorizontal(&work_, c, r.Left - 2, r.Right + ov - r.Left + 2, r.Top - 1);
        break;
      case TTabPosition::tpLeft:
        DrawSkinVertical(&work_, c, r.Left, r.Bottom + ov - r.Top + 3, r.Top);
        break;
      case TTabPosition::tpRight:
        DrawSkinVertical(&work_, c, r.Left - 1, r.Bottom + ov - r.Top + 3, r.Top - 2);
        break;
      }
    }
  }
  // Margins.
  x += tabMargin_->LeftMargin();
  if (pos == TTabPosition::tpLeft) {
    y -= tabMargin_->TopMargin();
    if (!tabBackGroundActive_->Empty()) y += tabOverlap_ + 3;
  } else {
    y += tabMargin_->TopMargin();
  }
  if (deferred.pageIndex == pageIndex && deferred.text == TPoint(-10, -10)) {
    deferred.text = TPoint(x, y);
    return;
  }
  if (close) DrawCloseGlyph(c, r, active);
  if (!OnDrawTab) PaintTabImage(c, page, x, y, 1, -18);

  if (!OnDrawTab) PaintCaption(c, page, active, x, y, r, true);
  if (active) c->Font()->Assign(font_);
  DrawTabFocus(c, r, active, 0);
}

void TOwPageControl::PaintTabImage(TCanvas* c, TOwTabSheet* page, int& x, int& y, int leftDx,
                                   int rightDx) {
  if (!images_ || page->ImageIndex() < 0) return;
  switch (TabPosition()) {
  case TTabPosition::tpLeft:
    images_->Draw(c, x + leftDx, y - 14, page->ImageIndex(), true);
    y -= images_->Height();
    break;
  case TTabPosition::tpRight:
    images_->Draw(c, x + rightDx, y, page->ImageIndex(), true);
    y += images_->Height();
    break;
  default:
    images_->Draw(c, x - 2, y, page->ImageIndex(), true);
    x += images_->Width();
  }
}

void TOwPageControl::PaintCaption(TCanvas* c, TOwTabSheet* page, bool active, int x, int y,
                                  const TRect& r, bool disabledGrey) {
  const TTabPosition pos = TabPosition();
  TFont font;
  font.Assign(active ? activeFont_ : font_);
  if (!active) font.SetColor(page->TextColor());
  if (disabledGrey && !page->TabEnable()) font.SetColor(clGray);
  if (!page->Enabled()) font.SetColor(clGrayText);
  c->Brush()->SetStyle(bsClear);
  if (Horizontal(pos)) {
    c->Font()->Assign(font);
    TRect text(x, y, r.Right, r.Bottom);
    CanvasDrawText(c, page->Caption(), text, DT_NOCLIP | DT_SINGLELINE);
    return;
  }
  // Left tabs read upward, right tabs downward; the ampersand is printed.
  HFONT turned = CreateRotatedFont(font, pos == TTabPosition::tpLeft ? -270 : -90);
  HDC dc = c->Handle();
  {
    TDCStateSaver saved(dc);
    SelectObject(dc, turned);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(font.Color()));
    TextOut(dc, x, y, page->Caption().c_str(), int(page->Caption().size()));
  }
  DeleteObject(turned);
}

void TOwPageControl::PaintDeferredTab(TCanvas* c, const TDeferredTab& d) {
  TOwTabSheet* page = pages_[std::size_t(d.pageIndex)];
  const TRect r = d.r;
  const bool raised = lowerActive_ >= 1;
  const int ov = tabOverlap_;
  work_.Assign(tabBackGroundActive_.get());
  switch (TabPosition()) {
  case TTabPosition::tpTop:
    DrawSkinHorizontal(&work_, c, r.Left - 2, r.Right + ov - r.Left + 2,
                       raised ? r.Top - 1 : r.Top - 2);
    break;
  case TTabPosition::tpBottom:
    DrawSkinHorizontal(&work_, c, r.Left - 2, r.Right + ov - r.Left + 2,
                       raised ? r.Top - 3 : r.Top - 1);
    break;
  case TTabPosition::tpLeft:
    DrawSkinVertical(&work_, c, raised ? r.Left + 1 : r.Left, r.Bottom + ov - r.Top + 3, r.Top);
    break;
  case TTabPosition::tpRight:
    DrawSkinVertical(&work_, c, raised ? r.Left - 3 : r.Left - 1, r.Bottom + ov - r.Top + 3,
                     r.Top - 2);
    break;
  }
  if (page->ShowClose()) DrawCloseGlyph(c, r, true);
  int x = d.text.x, y = d.text.y;
  PaintTabImage(c, page, x, y, 0, -14);

  if (TabPosition() == TTabPosition::tpBottom) y -= 2;
  PaintCaption(c, page, true, x, y, r, false);
  c->Font()->Assign(font_);
  DrawTabFocus(c, r, true, ov);
}

void TOwPageControl::PaintHoverOutline(TCanvas* c) {
  if (hoverIndex_ < 0 || hoverIndex_ >= PageCount() || tabHoverBorder_ == clNone ||
      hoverIndex_ == ActiveIndex())
    return;
  TRect r = PageTabRect(hoverIndex_);
  const int W = Width(), H = Height();
  c->Pen()->SetColor(tabHoverBorder_);
  switch (TabPosition()) {
  case TTabPosition::tpTop:
    r.Top -= 1;
    if (r.Right > W - 5) r.Right -= 1;
    Polyline(c,
             {{r.Left, r.Bottom - 2}, {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom - 1}});
    break;
  case TTabPosition::tpBottom:
    if (r.Right > W - 5) r.Right -= 1;
    Polyline(c, {{r.Left, r.Top + 1}, {r.Left, r.Bottom}, {r.Right, r.Bottom}, {r.Right, r.Top}});
    break;
  case TTabPosition::tpLeft:
    r.Left -= 1;
    r.Top -= 2;
    if (r.Bottom > H - 5) r.Bottom -= 1;
    Polyline(
        c,
        {{r.Right - 1, r.Top + 2}, {r.Left, r.Top + 2}, {r.Left, r.Bottom}, {r.Right, r.Bottom}});
    break;
  case TTabPosition::tpRight:
    r.Left += 1;
    if (r.Bottom > H - 5) r.Bottom -= 1;
    Polyline(c, {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}});
    break;
  }
}

void TOwPageControl::DrawTabFocus(TCanvas* c, const TRect& r, bool active, int overlap) {
  if (!active || !showFocus_ || !Focused() ||
      ComponentState().Contains(TComponentStateItem::csDesigning))
    return;
  const TRect box = Horizontal(TabPosition())
                        ? TRect(r.Left + 5, r.Top + 3, r.Right - 5 - overlap, r.Bottom - 3)
                        : TRect(r.Left + 5, r.Top + 3, r.Right - 5, r.Bottom - 3 - overlap);
  DrawDottedFocusRect(c, box, clBlack);
}

// ---- the close glyph ---------------------------------------------------------------------------

TPoint TOwPageControl::CloseGlyphAnchor(const TRect& r, int lower, bool hotLook) const {
  const int lm = tabMargin_->LeftMargin(), tm = tabMargin_->TopMargin();
  switch (TabPosition()) {
  case TTabPosition::tpRight:
    return TPoint(hotLook ? r.Left + lm : r.Left + lm - lower + 2, r.Top + tm);
  case TTabPosition::tpLeft:
    return TPoint(r.Left + lower + lm,
                  r.Bottom - tm + (tabBackGroundActive_->Empty() ? 0 : tabOverlap_));
  default:
    return TPoint(r.Left + lm, r.Top + lower + tm);
  }
}

void TOwPageControl::DrawCloseGlyphLook(TCanvas* c, const TRect& r, int lower, bool hotLook,
                                        TColor fill, TColor outline, TColor cross) {
  const TPoint p = CloseGlyphAnchor(r, lower, hotLook);
  const int x = p.x, y = p.y;
  const bool left = TabPosition() == TTabPosition::tpLeft;
  if (!closeGlyph_->Empty()) {
    const int top = left ? y - 13 : y + 2;
    TCanvasStateSaver saved(c);
    IntersectClipRect(c->Handle(), x + 2, top, x + 14, top + 11);
    closeGlyph_->SetTransparentMode(tmAuto);
    closeGlyph_->SetTransparent(true);
    c->Draw(x + 2, top, closeGlyph_.get());
    return;
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(fill);
  c->Pen()->SetColor(outline);
  if (left)
    c->Rectangle(x + 2, y - 13, x + 14, y - 2);
  else
    c->Rectangle(x + 2, y + 2, x + 14, y + 13);
  c->Pen()->SetColor(cross);
  if (left) {
    Line(c, x + 5, y - 10, x + 11, y - 5);
    Line(c, x + 6, y - 10, x + 10, y - 5);
    Line(c, x + 5, y - 6, x + 11, y - 11);
    Line(c, x + 6, y - 6, x + 10, y - 11);
  } else {
    Line(c, x + 5, y + 9, x + 11, y + 4);
    Line(c, x + 6, y + 9, x + 10, y + 4);
    Line(c, x + 5, y + 5, x + 11, y + 10);
    Line(c, x + 6, y + 5, x + 10, y + 10);
  }
  c->Brush()->SetStyle(bsClear);
}

void TOwPageControl::DrawCloseGlyph(TCanvas* c, const TRect& r, bool active) {
  DrawCloseGlyphLook(c, r, active ? lowerActive_ : 0, false, clWhite, clGray, clBlack);
}

void TOwPageControl::DrawCloseGlyphHot(TCanvas* c, const TRect& r) {
  DrawCloseGlyphLook(c, r, lowerActive_, true, clWhite, clBlack, clGray);
}

void TOwPageControl::DrawCloseGlyphDown(TCanvas* c, const TRect& r) {
  DrawCloseGlyphLook(c, r, lowerActive_, false, clSilver, clBlack, clBlack);
}
