// The side bar of a styled menu: its background and picture layers, the
// caption written at 90 degrees, the frame and the splitter line.
#include "controls/OwMenus.h"

#include "platform/graphics/GdiGuards.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
bool RightBar(const TSideBar& bar) {
  return bar.Side == 1;
}

/// Writes the caption along the bar (BR) in its font, with the optional
/// highlight and shadow copies `Depth` pixels apart.
void DrawSideBarCaption(TCanvas* c, TSideBar& bar, const TRect& br) {
  if (bar.Caption.empty()) return;
  c->Font()->Assign(*bar.Font());
  const bool up = bar.Direction == TDirection::dDownToUp;
  HFONT rotated = CreateRotatedFont(*bar.Font(), up ? 90 : -90);
  auto deleteFont = ScopeExit([rotated] { DeleteObject(rotated); });
  HDC dc = c->Handle();
  TDCStateSaver saved(dc); // font, background mode and text colour come back
  SelectObject(dc, rotated);
  SIZE extent{};
  GetTextExtentPoint32(dc, bar.Caption.c_str(), int(bar.Caption.size()), &extent);
  const int cx = extent.cx, cy = extent.cy, H = MenuRectHeight(br);
  int x = int(Round((bar.Size - cy) / 2.0 - 0.5));
  SetBkMode(dc, TRANSPARENT);
  const RECT clip{br.Left, br.Top, br.Right, br.Bottom + 1};
  int y;
  const bool nearStart = (bar.Alignment == TCaptionAlignment::taRightJustify && up) ||
                         (bar.Alignment == TCaptionAlignment::taLeftJustify && !up);
  if (bar.Alignment == TCaptionAlignment::taCenter) {
    y = int(Round((H + cx) / 2.0 - 0.5));
  } else if (nearStart) {
    y = bar.CaptionOffset + cx;
  } else {
    y = H - bar.CaptionOffset;
    TBackground& image = *bar.Image();
    if (image.HasPicture() && (image.Position == TBackgroundPosition::bpBottomLeft ||
                               image.Position == TBackgroundPosition::bpBottomRight))
      y -= image.Image()->Graphic()->Height();
  }
  if (!up) {
    y -= cx;
    x += cy + 1;
  }
  // Positions are along the bar: its own top-left is the origin.
  x += br.Left;
  y += br.Top;
  const int d = bar.Depth;
  auto write = [&](TColor color, int at, int down) {
    SetTextColor(dc, ColorToRGB(color));
    ExtTextOut(dc, at, down, ETO_CLIPPED, &clip, bar.Caption.c_str(), int(bar.Caption.size()),
               nullptr);
  };
  if (bar.HighlightColor != clNone) write(bar.HighlightColor, x - d, y + d);
  if (bar.ShadowColor != clNone) write(bar.ShadowColor, x + d, y - d);
  write(bar.Font()->Color(), x, y);
}

void DrawSideBarBorder(TCanvas* c, const TSideBar& bar, TRect br) {
  if (bar.BorderColor == clNone) return;
  if (RightBar(bar))
    br.Left += bar.SplitterWidth;
  else
    br.Right -= bar.SplitterWidth;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(bar.BorderColor);
  c->FrameRect(br);
}

void DrawSideBarSplitter(TCanvas* c, const TSideBar& bar, const TRect& br) {
  if (bar.SplitterColor == clNone) return;
  const TRect line = RightBar(bar)
                         ? TRect(br.Left, br.Top, br.Left + bar.SplitterWidth, br.Bottom)
                         : TRect(br.Right - bar.SplitterWidth, br.Top, br.Right, br.Bottom);
  DrawBandedLine(c, line, bar.SplitterColor, bar.SplitterColorTo,
                 TMenuGradientDirection::gdVertical, bar.SplitterGradientType,
                 bar.SplitterGradientWidth, bar.SplitterMargin);
}
} // namespace

TRect SideBarRect(TSideBar& bar, const TRect& menuArea) {
  const int width = bar.Size + bar.SplitterWidth;
  TRect br = menuArea;
  if (RightBar(bar))
    br.Left = br.Right - width;
  else
    br.Right = br.Left + width;
  return br;
}

void DrawSideBar(TCanvas* canvas, TSideBar& bar, const TRect& menuArea) {
  const TRect br = SideBarRect(bar, menuArea);
  DrawBackgroundPicture(canvas, br, *bar.Background(), true);
  if (bar.Image()->Color() != clNone) DrawBackgroundPicture(canvas, br, *bar.Image(), true);
  DrawSideBarCaption(canvas, bar, br);
  DrawSideBarBorder(canvas, bar, br);
  DrawSideBarSplitter(canvas, bar, br);
}
