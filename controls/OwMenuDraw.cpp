// Drawing styled menu items: the item's share of the icon column and the
// background, the selection box, check and radio boxes, images, the submenu
// arrow, caption, note lines and short-cut, separators; and composing a
// background with its picture.
#include "controls/OwMenus.h"

#include "controls/OwPaintUtil.h"

#include <cmath>
#include <memory>
#include <vector>

#include "platform/forms/ImgList.h"
#include "platform/rtl/CodePages.h"

namespace {
const std::string kNoteSeparator = "\\n";
enum : UINT { kSelected = 1, kGrayed = 2, kDisabled = 4, kChecked = 8 };

TColor DisabledColor(bool selected) {
  if (!selected) return clBtnShadow;
  return ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow) ? clBtnHighlight : clBtnShadow;
}

/// Smooth text through the anti-aliasing layer, in one font and colour.
/// A measuring call (DT_CALCRECT) shrinks the rectangle to the text's
/// extent and draws nothing.
class TSmoothText {
public:
  TSmoothText(TCanvas* c, TAntiAlias mode)
      : graphics_(c->Handle()), format_(GpStringFormatFlagsNoWrap, 0) {
    graphics_.SetTextRenderingHint(mode == TAntiAlias::aaClearType ? GpTextRenderingClearTypeGridFit
                                                                   : GpTextRenderingAntiAlias);
    format_.SetHotkeyPrefix(GpHotkeyPrefixShow);
  }
  void SetFont(const TFont& font, TColor color) {
    family_ = std::make_unique<TGPFontFamily>(Utf8ToUtf16(font.Name()));
    font_ = std::make_unique<TGPFont>(family_.get(), float(font.Size()), GpFontStyleRegular,
                                      GpUnitPoint);
    brush_ = std::make_unique<TGPSolidBrush>(ArgbOfColor(color));
  }
  TGPStringFormat& Format() { return format_; }
  void Draw(const std::string& text, const TGPFloatRect& layout) {
    graphics_.DrawString(text, int(text.size()), font_.get(), layout, &format_, brush_.get());
  }
  TGPFloatRect Measure(const std::string& text, const TGPFloatRect& layout) {
    TGPFloatRect box;
    graphics_.MeasureString(Utf8ToUtf16(text), -1, font_.get(), layout, &format_, box);
    return box;
  }

private:
  TGPGraphics graphics_;
  TGPStringFormat format_;
  std::unique_ptr<TGPFontFamily> family_;
  std::unique_ptr<TGPFont> font_;
  std::unique_ptr<TGPSolidBrush> brush_;
};

TGPFloatRect LayoutOf(const TRect& r) {
  return GPRectOf(float(r.Left), float(r.Top), float(MenuRectWidth(r)), float(MenuRectHeight(r)));
}

/// Shrinks `r` to the measured box of the text.
void ShrinkTo(TRect& r, const TGPFloatRect& box) {
  r.Right = r.Left + int(std::ceil(box.Width));
  r.Bottom = r.Top + int(std::ceil(box.Height));
}

/// The caption and the note lines below it, through the anti-aliasing
/// layer; only the caption when measuring.
void DrawSmoothText(TCanvas* c, TAntiAlias mode, const std::string& caption,
                    const std::string* notes, const TFont& notesFont, TColor notesColor,
                    TColor color, TRect& r, UINT flags) {
  TSmoothText text(c, mode);
  text.SetFont(*c->Font(), color);
  // Right- or centre-aligned outputs (the short-cut) keep their alignment.
  if (flags & DT_RIGHT) text.Format().SetAlignment(GpStringAlignmentFar);
  if (flags & DT_CENTER) text.Format().SetAlignment(GpStringAlignmentCenter);
  if (!notes) text.Format().SetLineAlignment(GpStringAlignmentCenter);
  TGPFloatRect layout = LayoutOf(r);
  if (flags & DT_CALCRECT) {
    ShrinkTo(r, text.Measure(caption, GPRectOf(layout.X, layout.Y, 0, 0)));
    return;
  }
  text.Draw(caption, layout);
  if (!notes) return;
  text.SetFont(notesFont, notesColor);
  layout.Y += 20;
  const int line = int(std::lround(text.Measure("gh", GPRectOf(0, 0, 0, 0)).Height));
  std::string rest = *notes;
  for (;;) {
    const std::size_t at = rest.find(kNoteSeparator);
    text.Draw(rest.substr(0, at), layout);
    layout.Y += float(line);
    if (at == std::string::npos) break;
    rest = rest.substr(at + kNoteSeparator.size());
  }
}

/// Text of an item, with its note lines below it when notes are shown.
void DrawItemText(TMenuItem* item, IStyledMenu& menu, TCanvas* c, const std::string& text, TRect& r,
                  UINT state, UINT flags) {
  TCustomAdvMenuStyler& s = *menu.CurrentStyler();
  const bool selected = (state & kSelected) != 0;
  const bool disabled = (state & (kDisabled | kGrayed)) != 0 || !item->Enabled();
  std::string shown = text;
  if ((flags & DT_CALCRECT) && (shown.empty() || shown == "&")) shown += " ";
  c->Brush()->SetStyle(bsClear);
  TFont font;
  AssignMenuFont(font);
  if (!selected && !s.UseSystemFont()) font.Assign(*s.Font());
  if (selected && !s.SelectedItem()->UseSystemFont()) font.Assign(*s.SelectedItem()->Font());
  if (item->Default()) font.SetStyle(font.Style() | fsBold);
  c->Font()->Assign(font);
  if (disabled) c->Font()->SetColor(DisabledColor(selected));
  const std::size_t note = shown.find(kNoteSeparator);
  const bool withNotes = note != std::string::npos && menu.ShowNotes();
  const TFont& notesFont = selected ? *s.SelectedItem()->NotesFont() : *s.NotesFont();
  if (s.AntiAlias() != TAntiAlias::aaNone) {
    const TColor color = c->Font()->Color();
    const TColor notesColor = disabled ? DisabledColor(selected) : notesFont.Color();
    if (!withNotes) {
      DrawSmoothText(c, s.AntiAlias(), shown, nullptr, notesFont, notesColor, color, r, flags);
      return;
    }
    const std::string notes = shown.substr(note + kNoteSeparator.size());
    DrawSmoothText(c, s.AntiAlias(), shown.substr(0, note), &notes, notesFont, notesColor, color, r,
                   flags);
    return;
  }
  if (!withNotes) {
    CanvasDrawText(c, shown, r, flags);
    return;
  }
  // A measuring call measures the caption part only: the note lines are
  // below it and must not be drawn while measuring.
  if (flags & DT_CALCRECT) {
    CanvasDrawText(c, shown.substr(0, note), r, flags);
    return;
  }
  // Caption, then each note line one line lower in the notes font.
  if (flags & DT_SINGLELINE) flags = DT_SINGLELINE;
  CanvasDrawText(c, shown.substr(0, note), r, flags);
  TRect notes = r;
  notes.Top += c->TextHeight("gh");
  c->Font()->Assign(notesFont);
  if (disabled) c->Font()->SetColor(DisabledColor(selected));
  const int line = c->TextHeight("gh");
  std::string rest = shown.substr(note + kNoteSeparator.size());
  for (;;) {
    const std::size_t at = rest.find(kNoteSeparator);
    TRect lineRect = notes;
    CanvasDrawText(c, rest.substr(0, at), lineRect, flags);
    notes.Top += line;
    if (at == std::string::npos) break;
    rest = rest.substr(at + kNoteSeparator.size());
  }
}

/// A monochrome glyph takes the text colour: its black pixels are drawn in
/// `color`, the others leave the canvas alone.
void DrawMonoGlyph(TCanvas* c, int x, int y, TBitmap* glyph, TColor color) {
  TCanvas* from = glyph->Canvas();
  for (int gy = 0; gy < glyph->Height(); ++gy)
    for (int gx = 0; gx < glyph->Width(); ++gx)
      if (ColorToRGB(from->Pixels(gx, gy)) == 0) c->SetPixels(x + gx, y + gy, color);
}

void DrawCheckGlyph(TMenuItem* item, TCustomAdvMenuStyler& s, TCanvas* c, const TRect& box,
                    const TRect& itemRect, UINT state) {
  const bool selected = (state & kSelected) != 0;
  const TBoxColors& k = selected ? s.SelectedItem()->Boxes : s.IconBar()->Boxes;
  const bool radio = item->RadioItem();
  DrawGradientBox(c, box, radio ? k.Radio[0] : k.Check[0], radio ? k.Radio[1] : k.Check[1],
                  radio ? k.RadioDirection : k.CheckDirection,
                  radio ? k.RadioBorder : k.CheckBorder, (state & kDisabled) == 0);
  if (selected) {
    c->Brush()->SetColor(s.SelectedItem()->BorderColor);
    c->FrameRect(itemRect);
  }
  TRect glyph = box;
  CenterRect(glyph, 16, 16);
  TBitmap* mark = radio ? s.Glyphs()->Radio() : s.Glyphs()->Check();
  DrawMonoGlyph(c, glyph.Left, glyph.Top, mark, clBtnText);
}

void DrawSubmenuArrow(TCustomAdvMenuStyler& s, TCanvas* c, const TRect& r) {
  const int y = (r.Top + r.Bottom - 5) / 2;
  TRect arrow(r.Right - 8, y, r.Right - 5, y + 6);
  TBitmap* glyph = s.Glyphs()->SubMenu();
  CenterRect(arrow, glyph->Width(), glyph->Height());
  DrawMonoGlyph(c, arrow.Left, arrow.Top, glyph, clBlack);
}

void DrawItemContent(TMenuItem* item, IStyledMenu& menu, TCanvas* c, TRect r, UINT state) {
  TCustomAdvMenuStyler& s = *menu.CurrentStyler();
  TSelectedItem& sel = *s.SelectedItem();
  if (state & kSelected)
    DrawMirrorGradientBox(c, r, sel.Color(), sel.ColorTo(), sel.ColorMirror, sel.ColorMirrorTo,
                          sel.GradientDirection(), sel.BorderColor, true);
  TRect box(r.Left, r.Top + 1, r.Left + s.IconBar()->Size(), r.Bottom - 1);
  const int side = MenuMin(MenuRectWidth(box), MenuRectHeight(box));
  CenterRect(box, side, side);
  auto* popup = static_cast<TOwPopupMenu*>(menu.Menu());
  TCustomImageList* images = item->GetImageList();
  const bool hasImage = images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
  const bool hasBitmap = !hasImage && item->HasBitmap();
  const bool checkOnly = item->Checked() && !hasImage && !item->HasBitmap();
  if (hasImage || hasBitmap || checkOnly) {
    if (item->Checked() && !checkOnly) {
      const TBoxColors& k = (state & kSelected) ? sel.Boxes : s.IconBar()->Boxes;
      DrawGradientBox(c, box, k.Check[0], k.Check[1], k.CheckDirection, k.CheckBorder,
                      (state & kDisabled) == 0);
    }
    if (hasImage) {
      TCustomImageList* source =
          !item->Enabled() && popup->DisabledImages() ? popup->DisabledImages() : images;
      TRect image = box;
      CenterRect(image, source->Width(), source->Height());
      if (item->ImageIndex() < source->Count())
        source->Draw(c, image.Left, image.Top, item->ImageIndex(),
                     source == images ? item->Enabled() : true);
    } else if (checkOnly) {
      DrawCheckGlyph(item, s, c, box, r, state);
    } else {
      // The item's own picture, its bottom-left colour transparent.
      TRect glyph = box;
      CenterRect(glyph, 16, 16);
      TBitmap* bitmap = item->Bitmap();
      bitmap->SetTransparent(true);
      c->Draw(glyph.Left, glyph.Top, bitmap);
    }
  }
  if (item->Count() > 0) DrawSubmenuArrow(s, c, r);
  r.Left += s.IconBar()->Size() + 8;
  const UINT flags = DT_LEFT | DT_SINGLELINE | DT_EXPANDTABS;
  const TRect full = r;
  DrawItemText(item, menu, c, item->Caption(), r, state, flags | DT_CALCRECT | DT_NOCLIP);
  const int dy = (MenuRectHeight(full) - MenuRectHeight(r)) / 2;
  r = TRect(r.Left, r.Top + dy, r.Right, r.Bottom + dy);
  DrawItemText(item, menu, c, item->Caption(), r, state, flags);
  if (item->ShortCut()) {
    TRect cut(r.Right, r.Top, full.Right - 10, r.Bottom);
    DrawItemText(item, menu, c, MenuShortCutText(item->ShortCut(), menu.IntlKeybShortCuts()), cut,
                 state, DT_RIGHT);
  }
}

bool FirstVisibleItem(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return true;
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return parent->Items(i) == item;
  return false;
}

void DrawSeparatorItem(TCustomAdvMenuStyler& s, TCanvas* c, TRect r) {
  r.Left += s.IconBar()->Size();
  const int m = r.Top + MenuRectHeight(r) / 2, w = s.Separator()->Width;
  const TSeparator& sep = *s.Separator();
  DrawBandedLine(c, TRect(r.Left, m - w / 2, r.Right, m + (w + 1) / 2), sep.Color(), sep.ColorTo(),
                 sep.GradientDirection(), sep.GradientType, sep.GradientWidth, sep.Margin);
}
} // namespace

void DrawStyledItem(TMenuItem* item, TCanvas* c, TRect rect, bool sideBar, UINT state) {
  // The menu area in the coordinates of the item rectangles: the union of
  // the window's item rectangles moved to (0, 0).
  TRect area = MenuItemArea(item, WindowFromDC(c->Handle()));
  area = TRect(0, 0, area.Right - area.Left, area.Bottom - area.Top);
  DrawStyledItem(item, c, rect, area, sideBar, state);
}

void DrawStyledItem(TMenuItem* item, TCanvas* c, TRect rect, const TRect& menuArea, bool sideBar,
                    UINT state) {
  rect.Right -= 17;
  IStyledMenu* menu = StyledMenuOf(item);
  if (!menu || !menu->CurrentStyler()) return;
  TCustomAdvMenuStyler& s = *menu->CurrentStyler();
  TRect ir = rect;
  sideBar = sideBar && MenuItemInFirstColumn(item);
  if (sideBar) {
    const int bar = s.SideBar()->Size + s.SideBar()->SplitterWidth;
    ir.Left += bar;
    if (s.SideBar()->Side == 1) {
      ir.Left -= bar;
      ir.Right -= bar;
    }
  }
  TRect pr = menuArea;
  pr.Right -= 17;
  if (sideBar && FirstVisibleItem(item)) DrawSideBar(c, *s.SideBar(), pr);
  // The icon column and the background, as parts of menu-wide gradients.
  const TIconBar& icon = *s.IconBar();
  const TRect ic(ir.Left, pr.Top, ir.Left + icon.Size(), pr.Bottom);
  FillGradientPart(c, ic, ir, icon.Color(), icon.ColorTo(), icon.GradientDirection());
  if (icon.SeparatorColor != clNone) {
    c->Pen()->SetColor(icon.SeparatorColor);
    c->MoveTo(ic.Right - 1, ic.Top);
    c->LineTo(ic.Right - 1, ic.Bottom);
  }
  TBackground& bg = *s.Background();
  TRect tr(ic.Right, ir.Top, ir.Right, ir.Bottom);
  if (bg.MarginX > 0 || bg.MarginY > 0) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(bg.Color());
    c->FillRect(tr);
    tr = TRect(tr.Left + bg.MarginX, tr.Top + bg.MarginY, tr.Right - bg.MarginX,
               tr.Bottom - bg.MarginY);
  }
  FillGradientPart(c, TRect(ic.Right, pr.Top, ir.Right, pr.Bottom), tr, bg.Color(), bg.ColorTo(),
                   bg.GradientDirection());
  if (bg.HasPicture()) {
    TBitmap* cache = s.PictureCache();
    const TRect local(0, 0, MenuRectWidth(pr), MenuRectHeight(pr));
    // Any change of the background (picture, position, offsets, colours)
    // renders the cache again, not only a new menu size.
    std::vector<int> key = {bg.Color(),       bg.ColorTo(), int(bg.GradientDirection()),
                            int(bg.Position), bg.OffsetX,   bg.OffsetY,
                            bg.MarginX,       bg.MarginY,   local.Right,
                            local.Bottom};
    if (!s.PictureCacheValid() || s.PictureCacheKey() != key) {
      s.SetPictureCacheKey(std::move(key));
      cache->SetSize(local.Right, local.Bottom);
      // A resized cache starts from the background's colours.
      FillGradient(cache->Canvas(), local, bg.Color(), bg.ColorTo(), bg.GradientDirection());
      DrawBackgroundPicture(cache->Canvas(), local, bg, false);
      s.SetPictureCacheValid(true);
    }
    const TRect from(tr.Left - pr.Left, tr.Top - pr.Top, tr.Right - pr.Left, tr.Bottom - pr.Top);
    c->CopyRect(tr, cache->Canvas(), from);
  }
  if (item->Caption() == "-")
    DrawSeparatorItem(s, c, ir);
  else
    DrawItemContent(item, *menu, c, ir, state);
  HookMenuWindow(item, c);
}

TPoint PicturePosition(TBackground& background, const TRect& rect) {
  TGraphic* g = background.Image()->Graphic();
  if (!g || g->Empty()) return TPoint(0, 0);
  const int W = MenuRectWidth(rect), H = MenuRectHeight(rect), pw = g->Width(), ph = g->Height();
  const int ox = background.OffsetX, oy = background.OffsetY;
  switch (background.Position) {
  case TBackgroundPosition::bpTopLeft:
    return TPoint(ox, oy);
  case TBackgroundPosition::bpTopRight:
    return TPoint(W + ox - pw, oy);
  case TBackgroundPosition::bpBottomLeft:
    return TPoint(ox, H + oy - ph);
  case TBackgroundPosition::bpBottomRight:
    return TPoint(W + ox - pw, H + oy - ph);
  case TBackgroundPosition::bpTopCenter:
    return TPoint((W - pw) / 2 + ox, oy);
  case TBackgroundPosition::bpBottomCenter:
    return TPoint((W - pw) / 2 + ox, H + oy - ph);
  default:
    return TPoint((W - pw) / 2 + ox, (H - ph) / 2 + oy);
  }
}

void DrawBackgroundPicture(TCanvas* canvas, const TRect& rect, TBackground& background,
                           bool gradient) {
  const TRect r(rect.Left + background.MarginX, rect.Top + background.MarginY,
                rect.Right - background.MarginX, rect.Bottom - background.MarginY);
  if (MenuRectWidth(r) <= 0 || MenuRectHeight(r) <= 0) return;
  TBitmap* work = background.WorkBitmap();
  work->SetSize(MenuRectWidth(r), MenuRectHeight(r));
  TGraphic* picture = background.HasPicture() ? background.Image()->Graphic() : nullptr;
  const TRect all(0, 0, work->Width(), work->Height());
  const bool covers = picture &&
                      (background.Position == TBackgroundPosition::bpTiled ||
                       background.Position == TBackgroundPosition::bpStretched) &&
                      !picture->Transparent();
  if (gradient && !covers)
    FillGradient(work->Canvas(), all, background.Color(), background.ColorTo(),
                 background.GradientDirection());
  if (picture) {
    const int pw = picture->Width(), ph = picture->Height();
    switch (background.Position) {
    case TBackgroundPosition::bpTiled:
      if (pw >= 1 && ph >= 1)
        for (int y = 0; y < work->Height(); y += ph)
          for (int x = 0; x < work->Width(); x += pw)
            work->Canvas()->Draw(x, y, picture);
      break;
    case TBackgroundPosition::bpStretched:
      work->Canvas()->StretchDraw(all, picture);
      break;
    case TBackgroundPosition::bpXY:
      work->Canvas()->Draw(background.OffsetX, background.OffsetY, picture);
      break;
    default: {
      const TPoint at = PicturePosition(background, all);
      work->Canvas()->Draw(at.x, at.y, picture);
    }
    }
  }
  canvas->Draw(r.Left, r.Top, work);
}
