// Styled popup menus: TOwMenuStyler (every size, colour, font and glyph the
// menus draw with, in small style objects) and TOwPopupMenu (a popup menu
// whose items the menu engine measures and draws with its styler's look).
//
// Files: OwMenuStyles.cpp (the style classes and the styler),
// OwPopupMenu.cpp (the menu: styler binding, item hooking, popup position),
// OwMenuMeasure.cpp (item measuring and short-cut texts), OwMenuDraw.cpp
// (item drawing, background pictures), OwMenuSideBar.cpp (the side bar),
// OwMenuUtil.h (the gradients and small routines).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/OwGDIP.h"
#include "controls/OwMenuUtil.h"
#include "platform/forms/Menus.h"
#include "platform/graphics/Graphic.h"

class TCustomImageList;
class TOwPopupMenu;
struct TMenuOwnerDraw;

enum class TSideBarVisibleIn { viFirstVisible, viFirstLevel, viAnyLevel };
enum class TDirection { dDownToUp, dUpToDown };
enum class TBackgroundPosition {
  bpTopLeft,
  bpTopRight,
  bpBottomLeft,
  bpBottomRight,
  bpTopCenter,
  bpBottomCenter,
  bpTiled,
  bpStretched,
  bpCenter,
  bpXY
};
enum class TCaptionAlignment { taLeftJustify, taRightJustify, taCenter };

/// What the drawing reaches through a styled menu.
class IStyledMenu {
public:
  virtual ~IStyledMenu() = default;
  virtual void UpdateItems() = 0;
  virtual TPopupMenu* Menu() = 0;
  virtual class TCustomAdvMenuStyler* MenuStyler() const = 0;
  virtual class TCustomAdvMenuStyler* CurrentStyler() const = 0;
  virtual void SetMenuStyler(class TCustomAdvMenuStyler* styler) = 0;
  virtual int Opacity() const = 0;
  virtual void SetOpacity(int value) = 0;
  virtual bool ShowNotes() const = 0;
  virtual void SetShowNotes(bool value) = 0;
  virtual bool IntlKeybShortCuts() const = 0;
  virtual void SetIntlKeybShortCuts(bool value) = 0;
};

/// Base of the style objects: the menu they refresh.
class TMenuStyleObject : public TPersistent {
public:
  IStyledMenu* BoundMenu() const { return boundMenu_; }
  void Bind(IStyledMenu* menu) { boundMenu_ = menu; }

protected:
  /// Asks the bound menu to measure and draw its items again.
  void Update() {
    if (boundMenu_) boundMenu_->UpdateItems();
  }
  IStyledMenu* boundMenu_ = nullptr;
};

class TGradientBar : public TMenuStyleObject {
public:
  TGradientBar(TColor color, TColor colorTo, TMenuGradientDirection direction)
      : direction_(direction), colors_{color, colorTo} {}
  std::string ClassName() const override { return "TGradientBar"; }
  TMenuGradientDirection GradientDirection() const { return direction_; }
  void SetGradientDirection(TMenuGradientDirection v) { direction_ = v; }
  TColor Color() const { return colors_[0]; }
  TColor ColorTo() const { return colors_[1]; }
  void SetColor(TColor v) { colors_[0] = v; }
  void SetColorTo(TColor v) { colors_[1] = v; }
  /// Index 0 Color, 1 ColorTo; others raise EInvalidPropertyIndex.
  TColor GetColor(int index) const;
  void SetColor(int index, TColor value);
  void Assign(const TPersistent* source) override;

protected:
  TMenuGradientDirection direction_;
  TColor colors_[2];
};

/// Check and radio box colours shared by the icon bar and the selection.
struct TBoxColors {
  TColor RadioBorder = 0x6F4B4B, CheckBorder = 0x6F4B4B;
  TColor Radio[2], Check[2];
  TMenuGradientDirection CheckDirection = TMenuGradientDirection::gdVertical;
  TMenuGradientDirection RadioDirection = TMenuGradientDirection::gdVertical;
};

class TIconBar : public TGradientBar {
public:
  TIconBar();
  std::string ClassName() const override { return "TIconBar"; }
  TBoxColors Boxes;
  int Size() const { return size_; }
  /// At least 16.
  void SetSize(int v);
  TColor SeparatorColor = clNone;
  void Assign(const TPersistent* source) override;

private:
  int size_ = 24;
};

class TSelectedItem : public TGradientBar {
public:
  TSelectedItem();
  std::string ClassName() const override { return "TSelectedItem"; }
  TBoxColors Boxes;
  TColor BorderColor = 0x6F4B4B;
  TFont* Font() { return &font_; }
  TFont* NotesFont() { return &notesFont_; }
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool v);
  TColor ColorMirror = clNone, ColorMirrorTo = clNone;
  void Assign(const TPersistent* source) override;

private:
  TFont font_, notesFont_;
  bool useSystemFont_ = true;
};

class TRootItem : public TGradientBar {
public:
  TRootItem();
  std::string ClassName() const override { return "TRootItem"; }
  TFont* Font() { return &font_; }
  bool UseSystemFont = true;
  TColor SelectedBorderColor = 0x947C7C, SelectedTextColor = clWindowText;
  TColor HoverTextColor = clWindowText, HoverBorderColor = 0x6F4B4B;
  /// Index 0 … 3: colour, to, mirror, mirror to.
  TColor GetSelectedColor(int index) const;
  void SetSelectedColor(int index, TColor v);
  TColor GetHoverColor(int index) const;
  void SetHoverColor(int index, TColor v);
  TMenuGradientDirection HoverGradientDirection = TMenuGradientDirection::gdVertical;
  TMenuGradientDirection SelectedGradientDirection = TMenuGradientDirection::gdVertical;
  void Assign(const TPersistent* source) override;

private:
  TFont font_;
  TColor selected_[4] = {0xF2E8E8, 0xCDB8B9, clNone, clNone};
  TColor hover_[4] = {0xCFF6FF, 0x9DD8FF, clNone, clNone};
};

class TBackground : public TGradientBar {
public:
  TBackground();
  std::string ClassName() const override { return "TBackground"; }
  /// The picture (created when missing); a bitmap in it is transparent.
  TPicture* Image();
  /// Copies the picture; none clears it.
  void SetImage(const TPicture* picture);
  bool HasPicture() const;
  int OffsetX = 0, OffsetY = 0, MarginX = 0, MarginY = 0;
  TBackgroundPosition Position = TBackgroundPosition::bpCenter;
  TBitmap* WorkBitmap();
  void Assign(const TPersistent* source) override;
  /// Changes of the picture, position or colours (the menu's cache listens).
  std::function<void()> OnChanged;

private:
  std::unique_ptr<TPicture> image_;
  std::unique_ptr<TBitmap> work_;
};

class TSeparator : public TGradientBar {
public:
  TSeparator();
  std::string ClassName() const override { return "TSeparator"; }
  TGradientType GradientType = TGradientType::gtBoth;
  int GradientWidth = 0, Margin = 2, Width = 1;
  void Assign(const TPersistent* source) override;
};

class TBarCaption : public TMenuStyleObject {
public:
  TBarCaption();
  std::string ClassName() const override { return "TBarCaption"; }
  std::string Caption;
  TFont* Font() { return &font_; }
  int CaptionOffset = 6;
  TDirection Direction = TDirection::dDownToUp;
  TColor ShadowColor = clNone, HighlightColor = clNone;
  int Depth = 1;
  TCaptionAlignment Alignment = TCaptionAlignment::taLeftJustify;
  void Assign(const TPersistent* source) override;

private:
  TFont font_;
};

class TSideBar : public TBarCaption {
public:
  TSideBar();
  std::string ClassName() const override { return "TSideBar"; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TBackground* Background() { return &background_; }
  TBackground* Image() { return &image_; }
  int SplitterWidth = 1, Side = 0, Size = 24, SplitterMargin = 0, SplitterGradientWidth = 0;
  TGradientType SplitterGradientType = TGradientType::gtBoth;
  TColor BorderColor = 0xA19D9D, SplitterColor = 0x808080, SplitterColorTo = clNone;
  TSideBarVisibleIn VisibleIn = TSideBarVisibleIn::viFirstVisible;
  void Assign(const TPersistent* source) override;

private:
  bool visible_ = false;
  TBackground background_, image_;
};

class TMenuGlyphs : public TMenuStyleObject {
public:
  TMenuGlyphs();
  std::string ClassName() const override { return "TMenuGlyphs"; }
  TBitmap* SubMenu() { return &subMenu_; }
  TBitmap* Check() { return &check_; }
  TBitmap* Radio() { return &radio_; }
  void SetSubMenu(TBitmap* b);
  void SetCheck(TBitmap* b);
  void SetRadio(TBitmap* b);
  void Assign(const TPersistent* source) override;

private:
  TBitmap subMenu_, check_, radio_;
};

class TButtonAppearance : public TPersistent {
public:
  TButtonAppearance();
  std::string ClassName() const override { return "TButtonAppearance"; }
  TColor HoverColor = 0xD2BDB6, ColorTo = clNone, Color = clNone, HoverColorTo = clNone,
         DownColorTo = clNone, DownColor = 0xB59285, DownBorderColor = 0x6A240A,
         BorderColor = clNone, HoverBorderColor = 0x6A240A;
  TMenuGradientDirection GradientDirection = TMenuGradientDirection::gdVertical;
  TFont* CaptionFont() { return &captionFont_; }
  void Assign(const TPersistent* source) override;

private:
  TFont captionFont_;
};

class TCustomAdvMenuStyler : public TComponent {
  SK_CLASS(TCustomAdvMenuStyler, TComponent)
public:
  explicit TCustomAdvMenuStyler(TComponent* owner);
  ~TCustomAdvMenuStyler() override;

  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool v);
  TSeparator* Separator() { return &separator_; }
  TBackground* Background() { return &background_; }
  TFont* Font() { return &font_; }
  TIconBar* IconBar() { return &iconBar_; }
  TMenuGlyphs* Glyphs() { return &glyphs_; }
  TRootItem* RootItem() { return &rootItem_; }
  TSelectedItem* SelectedItem() { return &selectedItem_; }
  TSideBar* SideBar() { return &sideBar_; }
  TColor MenuBorderColor() const { return menuBorderColor_; }
  void SetMenuBorderColor(TColor v) { menuBorderColor_ = v; }
  TFont* NotesFont() { return &notesFont_; }
  TAntiAlias AntiAlias() const { return antiAlias_; }
  void SetAntiAlias(TAntiAlias v);
  TButtonAppearance* ButtonAppearance() { return &buttonAppearance_; }
  /// The rendered background picture (one menu size at a time).
  TBitmap* PictureCache() { return &pictureCache_; }
  bool PictureCacheValid() const { return cacheValid_; }
  void SetPictureCacheValid(bool v) { cacheValid_ = v; }
  /// The background values the cache was rendered with.
  const std::vector<int>& PictureCacheKey() const { return cacheKey_; }
  void SetPictureCacheKey(std::vector<int> key) { cacheKey_ = std::move(key); }

  IStyledMenu* BoundMenu() const { return boundMenu_; }
  /// The styler and its style objects serve `menu` (none: unbound).
  void Bind(IStyledMenu* menu);
  void Assign(const TPersistent* source) override;

private:
  bool useSystemFont_ = true;
  TSeparator separator_;
  TBackground background_;
  TFont font_;
  TIconBar iconBar_;
  TMenuGlyphs glyphs_;
  TRootItem rootItem_;
  TSelectedItem selectedItem_;
  TSideBar sideBar_;
  TColor menuBorderColor_ = 0x7C7C94;
  IStyledMenu* boundMenu_ = nullptr;
  TBitmap pictureCache_;
  bool cacheValid_ = false;
  std::vector<int> cacheKey_;
  TFont notesFont_;
  TAntiAlias antiAlias_ = TAntiAlias::aaNone;
  TButtonAppearance buttonAppearance_;
};

class TOwMenuStyler : public TCustomAdvMenuStyler {
  SK_CLASS(TOwMenuStyler, TCustomAdvMenuStyler)
public:
  using TCustomAdvMenuStyler::TCustomAdvMenuStyler;
};

/// The screen's menu font: Tahoma, height -11.
void AssignMenuFont(TFont& font);

class TOwPopupMenu : public TPopupMenu, public IStyledMenu {
  SK_CLASS(TOwPopupMenu, TPopupMenu)
public:
  explicit TOwPopupMenu(TComponent* owner);
  ~TOwPopupMenu() override;

  // IStyledMenu
  void UpdateItems() override { ++updates_; }
  TPopupMenu* Menu() override { return this; }
  TCustomAdvMenuStyler* MenuStyler() const override { return menuStyler_; }
  TCustomAdvMenuStyler* CurrentStyler() const override { return current_; }
  void SetMenuStyler(TCustomAdvMenuStyler* styler) override;
  int Opacity() const override { return opacity_; }
  void SetOpacity(int v) override { opacity_ = v & 0xFF; }
  bool ShowNotes() const override { return showNotes_; }
  void SetShowNotes(bool v) override { showNotes_ = v; }
  bool IntlKeybShortCuts() const override { return intlKeyb_; }
  void SetIntlKeybShortCuts(bool v) override { intlKeyb_ = v; }

  TCustomImageList* DisabledImages() const { return disabledImages_; }
  void SetDisabledImages(TCustomImageList* images);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);
  enum class TPopupAlignment { paLeft, paRight, paCenter };
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment v) { alignment_ = v; }
  std::uint32_t GetVersionNr() const { return 0x02050200; }
  std::string Version() const { return "2.5.2.0"; }
  void SetVersion(const std::string&) {}
  /// Item updates asked for by the styler (tests).
  int UpdateCount() const { return updates_; }

  /// The x at which a popup asked for at `x` is shown.
  int PopupX(int x) const;
  void Popup(int x, int y) override;
  void PopupAtPoint(TPoint p) { Popup(p.x, p.y); }
  /// The measure, draw and frame callbacks of this menu's windows.
  TMenuOwnerDraw OwnerDraw();
  void Loaded() override;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void CreateInternalStyler();
  TCustomAdvMenuStyler* menuStyler_ = nullptr;
  TCustomAdvMenuStyler* internal_ = nullptr;
  TCustomAdvMenuStyler* current_ = nullptr;
  int opacity_ = 255;
  bool showNotes_ = true;
  TCustomImageList* disabledImages_ = nullptr;
  TCustomImageList* images_ = nullptr;
  bool intlKeyb_ = false;
  TPopupAlignment alignment_ = TPopupAlignment::paLeft;
  int updates_ = 0;
};

/// The styled-menu interface of an item's menu (none for other menus).
IStyledMenu* StyledMenuOf(TMenuItem* item);

// ---- measuring and drawing --------------------------------------------------------------------

/// The short-cut text of a short-cut value ($0200: the Windows key).
std::string MenuShortCutText(TShortCut shortCut, bool keyboardNames);
/// Sizes an item: width and height hold the default measurement on entry.
void MeasureStyledItem(TMenuItem* item, TCanvas* canvas, int& width, int& height, bool sideBar);
/// The side bar applies to the item.
bool SideBarShown(TMenuItem* item);
/// Draws an item into its rectangle of the menu window's canvas; `menuArea`
/// is the rectangle of all its menu's items (PR). `state` holds the
/// owner-draw bits (ODS_SELECTED 1, ODS_GRAYED 2, ODS_DISABLED 4,
/// ODS_CHECKED 8).
void DrawStyledItem(TMenuItem* item, TCanvas* canvas, TRect rect, const TRect& menuArea,
                    bool sideBar, UINT state);
/// Composes a background (gradient and picture) over `rect` of the canvas.
void DrawBackgroundPicture(TCanvas* canvas, const TRect& rect, TBackground& background,
                           bool gradient);
TPoint PicturePosition(TBackground& background, const TRect& rect);
/// The bar's rectangle (BR) at the left or right end of the menu area.
TRect SideBarRect(TSideBar& bar, const TRect& menuArea);
/// Draws the side bar over its rectangle: background, picture layer,
/// caption, frame and splitter.
void DrawSideBar(TCanvas* canvas, TSideBar& bar, const TRect& menuArea);
/// No visible item at or before this one in its parent starts a column.
bool MenuItemInFirstColumn(TMenuItem* item);

/// Registers the menu classes and their published properties.
void RegisterOwMenus();
