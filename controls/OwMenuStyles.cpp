// The menu styler and its style objects.
#include "controls/OwMenus.h"

#include "platform/forms/Forms.h"
#include "platform/rtl/DynLib.h"

void AssignMenuFont(TFont& font) {
  font.Assign(*Screen()->MenuFont());
}

namespace {
/// The screen's menu font, `points` smaller, in `color`.
void MenuFontCopy(TFont& font, int smaller, TColor color) {
  AssignMenuFont(font);
  if (smaller) font.SetSize(font.Size() - smaller);
  font.SetColor(color);
}

/// The monochrome glyphs, drawn anew: black marks on white (transparent).
void DrawGlyph(TBitmap& b, int w, int h, const char* const* rows) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.Canvas()->SetPixels(x, y, rows && rows[y][x] == 'X' ? clBlack : clWhite);
  b.SetTransparentMode(tmAuto);
  b.SetTransparent(true);
}
const char* const kCheckRows[16] = {
    "................", "................", "................", "................",
    "................", "..........X.....", ".........XX.....", "....X...XXX.....",
    "....XX.XXX......", "....XXXXX.......", ".....XXX........", "......X.........",
    "................", "................", "................", "................"};
const char* const kRadioRows[16] = {
    "................", "................", "................", "................",
    "................", "......XXXX......", ".....XXXXXX.....", ".....XXXXXX.....",
    ".....XXXXXX.....", ".....XXXXXX.....", "......XXXX......", "................",
    "................", "................", "................", "................"};
const char* const kSubMenuRows[7] = {"X...", "XX..", "XXX.", "XXXX", "XXX.", "XX..", "X..."};
} // namespace

// ---- gradient bars ----------------------------------------------------------------------------

TColor TGradientBar::GetColor(int index) const {
  if (index < 0 || index > 1) RaiseInvalidPropertyIndex(index);
  return colors_[index];
}

void TGradientBar::SetColor(int index, TColor value) {
  if (index < 0 || index > 1) RaiseInvalidPropertyIndex(index);
  colors_[index] = value;
}

void TGradientBar::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TGradientBar*>(source);
  if (!s) return TPersistent::Assign(source);
  colors_[0] = s->colors_[0];
  colors_[1] = s->colors_[1];
  direction_ = s->direction_;
}

TIconBar::TIconBar() : TGradientBar(0xFFF9F9, 0xBBA0A1, TMenuGradientDirection::gdHorizontal) {
  Boxes.Radio[0] = Boxes.Check[0] = 0x6FC0FF;
  Boxes.Radio[1] = Boxes.Check[1] = clNone;
}

void TIconBar::SetSize(int v) {
  size_ = v < 16 ? 16 : v;
  Update();
}

void TIconBar::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TIconBar*>(source);
  if (!s) return TGradientBar::Assign(source);
  Boxes = s->Boxes;
  SetSize(s->size_);
  SeparatorColor = s->SeparatorColor;
}

TSelectedItem::TSelectedItem()
    : TGradientBar(0xC2EEFF, clNone, TMenuGradientDirection::gdVertical) {
  Boxes.Radio[0] = Boxes.Check[0] = 0x3E80FE;
  Boxes.Radio[1] = Boxes.Check[1] = clNone;
  MenuFontCopy(font_, 0, clWindowText);
  MenuFontCopy(notesFont_, 2, clWindowText);
  font_.OnChange = [this] { Update(); };
  notesFont_.OnChange = [this] { Update(); };
}

void TSelectedItem::SetUseSystemFont(bool v) {
  useSystemFont_ = v;
  Update();
}

void TSelectedItem::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TSelectedItem*>(source);
  if (!s) return TGradientBar::Assign(source);
  ColorMirror = s->ColorMirror;
  ColorMirrorTo = s->ColorMirrorTo;
  BorderColor = s->BorderColor;
  font_.Assign(s->font_);
  useSystemFont_ = s->useSystemFont_;
  // Everything of the boxes but the check border.
  const TColor checkBorder = Boxes.CheckBorder;
  Boxes = s->Boxes;
  Boxes.CheckBorder = checkBorder;
}

TRootItem::TRootItem() : TGradientBar(0xE5D7D7, 0xF7F2F2, TMenuGradientDirection::gdHorizontal) {
  AssignMenuFont(font_);
  font_.OnChange = [this] { Update(); };
}

void TRootItem::SetUseSystemFont(bool v) {
  useSystemFont_ = v;
  Update();
}

TColor TRootItem::GetSelectedColor(int index) const {
  if (index < 0 || index > 3) RaiseInvalidPropertyIndex(index);
  return selected_[index];
}
void TRootItem::SetSelectedColor(int index, TColor v) {
  if (index < 0 || index > 3) RaiseInvalidPropertyIndex(index);
  selected_[index] = v;
  Update();
}
TColor TRootItem::GetHoverColor(int index) const {
  if (index < 0 || index > 3) RaiseInvalidPropertyIndex(index);
  return hover_[index];
}
void TRootItem::SetHoverColor(int index, TColor v) {
  if (index < 0 || index > 3) RaiseInvalidPropertyIndex(index);
  hover_[index] = v;
  Update();
}

void TRootItem::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TRootItem*>(source);
  if (!s) return TGradientBar::Assign(source);
  font_.Assign(s->font_);
  SetUseSystemFont(s->useSystemFont_);
  selected_[0] = s->selected_[0];
  selected_[1] = s->selected_[1];
  selected_[2] = s->selected_[2];
  selected_[3] = s->selected_[3];
  SelectedGradientDirection = s->SelectedGradientDirection;
  SelectedBorderColor = s->SelectedBorderColor;
  SelectedTextColor = s->SelectedTextColor;
  hover_[0] = s->hover_[0];
  hover_[1] = s->hover_[1];
  HoverGradientDirection = s->HoverGradientDirection;
  HoverBorderColor = s->HoverBorderColor;
  HoverTextColor = s->HoverTextColor;
}

// ---- background, separator, side bar, glyphs --------------------------------------------------

TBackground::TBackground() : TGradientBar(0xFFFAFD, clNone, TMenuGradientDirection::gdVertical) {
  Image();
}

TPicture* TBackground::Image() {
  if (!image_) {
    image_ = std::make_unique<TPicture>();
    image_->OnChange = [this](TPicture*) {
      if (OnChanged) OnChanged();
    };
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(image_->Graphic())) {
    bitmap->SetTransparentMode(tmAuto);
    bitmap->SetTransparent(true);
  }
  return image_.get();
}

void TBackground::SetImage(const TPicture* picture) {
  if (!picture) {
    image_.reset();
  } else {
    Image()->Assign(picture);
  }
  if (OnChanged) OnChanged();
}

bool TBackground::HasPicture() const {
  return image_ && image_->Graphic() && !image_->Graphic()->Empty();
}

TBitmap* TBackground::WorkBitmap() {
  if (!work_) work_ = std::make_unique<TBitmap>();
  return work_.get();
}

void TBackground::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TBackground*>(source);
  if (!s) return TGradientBar::Assign(source);
  SetImage(s->image_.get());
  OffsetX = s->OffsetX;
  OffsetY = s->OffsetY;
  Position = s->Position;
  colors_[0] = s->colors_[0];
  colors_[1] = s->colors_[1];
  if (OnChanged) OnChanged();
}

TSeparator::TSeparator() : TGradientBar(0x8F6D6E, clNone, TMenuGradientDirection::gdHorizontal) {}

void TSeparator::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TSeparator*>(source)) {
    Width = s->Width;
    GradientType = s->GradientType;
    GradientWidth = s->GradientWidth;
    Margin = s->Margin;
  }
  TGradientBar::Assign(source);
}

TBarCaption::TBarCaption() {
  font_.SetName("Tahoma");
  font_.SetSize(14);
  font_.SetColor(clWhite);
  font_.SetStyle(fsBold | fsItalic);
  font_.OnChange = [this] { Update(); };
}

void TBarCaption::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TBarCaption*>(source);
  if (!s) return TPersistent::Assign(source);
  CaptionOffset = s->CaptionOffset;
  Alignment = s->Alignment;
  Caption = s->Caption;
  font_.Assign(s->font_);
  ShadowColor = s->ShadowColor;
  HighlightColor = s->HighlightColor;
  Depth = s->Depth;
  Direction = s->Direction;
}

TSideBar::TSideBar() = default;

void TSideBar::SetVisible(bool v) {
  visible_ = v;
  Update();
}

void TSideBar::SetBackground(const TBackground* background) {
  background_.Assign(background);
  background_.Image(); // marks a bitmap in it transparent
  Update();
}

void TSideBar::SetImage(const TBackground* image) {
  image_.Assign(image);
  Update();
}

void TSideBar::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TSideBar*>(source)) {
    SetVisible(s->visible_);
    image_.Assign(&s->image_);
    background_.Assign(&s->background_);
    Side = s->Side;
    Size = s->Size;
    SplitterWidth = s->SplitterWidth;
    SplitterMargin = s->SplitterMargin;
    SplitterGradientWidth = s->SplitterGradientWidth;
    SplitterGradientType = s->SplitterGradientType;
    BorderColor = s->BorderColor;
  }
  TBarCaption::Assign(source);
}

TMenuGlyphs::TMenuGlyphs() {
  DrawGlyph(check_, 16, 16, kCheckRows);
  DrawGlyph(radio_, 16, 16, kRadioRows);
  DrawGlyph(subMenu_, 4, 7, kSubMenuRows);
}

namespace {
void CopyGlyph(TBitmap& to, TBitmap* from) {
  to.Assign(from);
  to.SetTransparentMode(tmAuto);
  to.SetTransparent(true);
}
} // namespace

void TMenuGlyphs::SetSubMenu(TBitmap* b) {
  CopyGlyph(subMenu_, b);
}
void TMenuGlyphs::SetCheck(TBitmap* b) {
  CopyGlyph(check_, b);
}
void TMenuGlyphs::SetRadio(TBitmap* b) {
  CopyGlyph(radio_, b);
}

void TMenuGlyphs::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TMenuGlyphs*>(source);
  if (!s) return TPersistent::Assign(source);
  auto& src = const_cast<TMenuGlyphs&>(*s);
  SetSubMenu(&src.subMenu_);
  SetCheck(&src.check_);
  SetRadio(&src.radio_);
}

namespace {
/// The caption font's face: "Segoe UI" where the system's kernel library
/// has the newer locale call, else "Tahoma" (always here).
std::string CaptionFontName() {
  HMODULE kernel = LoadLibrary("kernel32.dll");
  const bool newer = kernel && GetProcAddress(kernel, "GetLocaleInfoEx");
  if (kernel) FreeLibrary(kernel);
  return newer ? "Segoe UI" : "Tahoma";
}
} // namespace

TButtonAppearance::TButtonAppearance() {
  captionFont_.SetName(CaptionFontName());
}

void TButtonAppearance::Store(TColor& field, TColor v) {
  if (field == v) return;
  field = v;
  if (OnChange) OnChange();
}

void TButtonAppearance::SetGradientDirection(TMenuGradientDirection v) {
  if (direction_ == v) return;
  direction_ = v;
  if (OnChange) OnChange();
}

void TButtonAppearance::SetCaptionFont(const TFont* font) {
  captionFont_.Assign(*font);
  if (OnChange) OnChange();
}

void TButtonAppearance::SetUseSystemFont(bool v) {
  if (v && !useSystemFont_) captionFont_.SetName(CaptionFontName());
  useSystemFont_ = v;
}

void TButtonAppearance::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TButtonAppearance*>(source);
  if (!s) return TPersistent::Assign(source);
  color_ = s->color_;
  colorTo_ = s->colorTo_;
  hoverColor_ = s->hoverColor_;
  hoverColorTo_ = s->hoverColorTo_;
  downColor_ = s->downColor_;
  downColorTo_ = s->downColorTo_;
  direction_ = s->direction_;
  borderColor_ = s->borderColor_;
  HoverBorderColor = s->HoverBorderColor;
  DownBorderColor = s->DownBorderColor;
}

// ---- the styler -------------------------------------------------------------------------------

TCustomAdvMenuStyler::TCustomAdvMenuStyler(TComponent* owner) : TComponent(owner) {
  AssignMenuFont(font_);
  MenuFontCopy(notesFont_, 2, clGray);
  font_.OnChange = [this] {
    if (boundMenu_) boundMenu_->UpdateItems();
  };
  notesFont_.OnChange = font_.OnChange;
  // A new picture, position or colours renders the cache again.
  background_.OnChanged = [this] { cacheValid_ = false; };
}

TCustomAdvMenuStyler::~TCustomAdvMenuStyler() = default;

void TCustomAdvMenuStyler::SetUseSystemFont(bool v) {
  useSystemFont_ = v;
  if (boundMenu_) boundMenu_->UpdateItems();
}

void TCustomAdvMenuStyler::SetAntiAlias(TAntiAlias v) {
  antiAlias_ = v;
  if (boundMenu_) boundMenu_->UpdateItems();
}

void TCustomAdvMenuStyler::Bind(IStyledMenu* menu) {
  boundMenu_ = menu;
  for (TMenuStyleObject* o : std::initializer_list<TMenuStyleObject*>{
           &background_, &iconBar_, &selectedItem_, &rootItem_, &glyphs_, &sideBar_, &separator_})
    o->Bind(menu);
}

void TCustomAdvMenuStyler::SetSideBar(const TSideBar* v) {
  sideBar_.Assign(v);
  if (boundMenu_) boundMenu_->UpdateItems();
}

void TCustomAdvMenuStyler::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TOwMenuStyler*>(source);
  if (!s) return TComponent::Assign(source);
  auto& src = const_cast<TOwMenuStyler&>(*s);
  SetBackground(src.Background());
  SetIconBar(src.IconBar());
  SetSelectedItem(src.SelectedItem());
  SetRootItem(src.RootItem());
  SetGlyphs(src.Glyphs());
  SetSideBar(src.SideBar());
  SetSeparator(src.Separator());
  SetFont(src.Font());
  SetUseSystemFont(src.UseSystemFont());
}
