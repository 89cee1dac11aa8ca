// Styled popup menus: TOwMenuStyler (every size, colour, font and glyph the
// menus draw with, in small style objects) and TOwPopupMenu (a popup menu
// whose items the menu engine measures and draws with its styler's look).
//
// Files: OwMenuStyles.cpp (the style classes and the styler),
// OwPopupMenu.cpp (the menu: styler binding, item hooking, popup position),
// OwMenuMeasure.cpp (item measuring and short-cut texts), OwMenuDraw.cpp
// (item drawing, background pictures), OwMenuSideBar.cpp (the side bar),
// OwMenuHook.cpp (the menu window's hook, region, move and border),
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
  void SetFont(const TFont* font) { font_.Assign(*font); }
  TFont* NotesFont() { return &notesFont_; }
  void SetNotesFont(const TFont* font) { notesFont_.Assign(*font); }
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
  void SetFont(const TFont* font) { font_.Assign(*font); }
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool v);
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
  bool useSystemFont_ = true;
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
  void SetFont(const TFont* font) { font_.Assign(*font); }
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
  /// Copies the background; a bitmap in its picture becomes transparent.
  void SetBackground(const TBackground* background);
  TBackground* Image() { return &image_; }
  void SetImage(const TBackground* image);
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
  /// Fired by the colour and direction writers on a real change and by the
  /// caption font writer always.
  std::function<void()> OnChange;
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Store(color_, v); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v) { Store(colorTo_, v); }
  TColor DownColor() const { return downColor_; }
  void SetDownColor(TColor v) { Store(downColor_, v); }
  TColor DownColorTo() const { return downColorTo_; }
  void SetDownColorTo(TColor v) { Store(downColorTo_, v); }
  TColor HoverColor() const { return hoverColor_; }
  void SetHoverColor(TColor v) { Store(hoverColor_, v); }
  TColor HoverColorTo() const { return hoverColorTo_; }
  void SetHoverColorTo(TColor v) { Store(hoverColorTo_, v); }
  TMenuGradientDirection GradientDirection() const { return direction_; }
  void SetGradientDirection(TMenuGradientDirection v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) { Store(borderColor_, v); }
  TColor DownBorderColor = 0x6A240A, HoverBorderColor = 0x6A240A;
  TFont* CaptionFont() { return &captionFont_; }
  void SetCaptionFont(const TFont* font);
  bool UseSystemFont() const { return useSystemFont_; }
  /// True (from False) renames the caption font as at creation.
  void SetUseSystemFont(bool v);
  void Assign(const TPersistent* source) override;

private:
  void Store(TColor& field, TColor v);
  TColor hoverColor_ = 0xD2BDB6, colorTo_ = clNone, color_ = clNone, hoverColorTo_ = clNone,
         downColorTo_ = clNone, downColor_ = 0xB59285, borderColor_ = clNone;
  TMenuGradientDirection direction_ = TMenuGradientDirection::gdVertical;
  TFont captionFont_;
  bool useSystemFont_ = true;
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
  // The object writers copy into the owned objects; the side bar's and the
  // fonts' ask the bound menu to measure and draw its items again.
  void SetSeparator(const TSeparator* v) { separator_.Assign(v); }
  void SetBackground(const TBackground* v) { background_.Assign(v); }
  void SetIconBar(const TIconBar* v) { iconBar_.Assign(v); }
  void SetGlyphs(const TMenuGlyphs* v) { glyphs_.Assign(v); }
  void SetRootItem(const TRootItem* v) { rootItem_.Assign(v); }
  void SetSelectedItem(const TSelectedItem* v) { selectedItem_.Assign(v); }
  void SetSideBar(const TSideBar* v);
  void SetFont(const TFont* v) { font_.Assign(*v); }
  void SetNotesFont(const TFont* v) { notesFont_.Assign(*v); }
  /// Copies the values only.
  void SetButtonAppearance(const TButtonAppearance* v) { buttonAppearance_.Assign(v); }
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
  void Loaded() override;
  /// Hooks the changed item (every item when `source` is none).
  void MenuChanged(TMenuItem* source) override;

  /// The engine's handlers, installed on the items (their type tells them
  /// from handlers of the program's own).
  struct TMeasureHandler {
    TOwPopupMenu* menu;
    void operator()(TPersistent* sender, TCanvas* canvas, int& width, int& height) const;
  };
  struct TDrawHandler {
    TOwPopupMenu* menu;
    void operator()(TPersistent* sender, TCanvas* canvas, const TRect& rect, UINT state) const;
  };

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
  bool intlKeyb_ = false;
  TPopupAlignment alignment_ = TPopupAlignment::paLeft;
  int updates_ = 0;
};

/// Installs the engine's handlers on `item` (on every item of the menu's
/// root when none; with `recursive` also on the sub-items), in menu order.
/// Nothing while the menu is loading or for an item that has the engine's
/// draw handler already. With `keep` a measure handler, or a draw handler
/// of either kind, that the item has stays.
void HookMenuItems(TOwPopupMenu* menu, TMenuItem* item, bool recursive, bool keep);

/// The styled-menu interface of an item's menu (none for other menus).
IStyledMenu* StyledMenuOf(TMenuItem* item);

// ---- measuring and drawing --------------------------------------------------------------------

/// The short-cut text of a short-cut value ($0200: the Windows key).
std::string MenuShortCutText(TShortCut shortCut, bool keyboardNames);
/// Sizes an item: width and height hold the default measurement on entry.
void MeasureStyledItem(TMenuItem* item, TCanvas* canvas, int& width, int& height, bool sideBar);
/// The side bar applies to the item.
bool SideBarShown(TMenuItem* item);
/// Draws an item into its rectangle of the menu window's canvas, then hooks
/// the window (HookMenuWindow). `state` holds the owner-draw bits
/// (ODS_SELECTED 1, ODS_GRAYED 2, ODS_DISABLED 4, ODS_CHECKED 8). The menu
/// area (PR) is MenuItemArea of the canvas's window moved to (0, 0).
void DrawStyledItem(TMenuItem* item, TCanvas* canvas, TRect rect, bool sideBar, UINT state);
/// The same with the rectangle of all the menu's items given (a canvas that
/// is no menu window's).
void DrawStyledItem(TMenuItem* item, TCanvas* canvas, TRect rect, const TRect& menuArea,
                    bool sideBar, UINT state);

// ---- the menu window --------------------------------------------------------------------------

/// Called after each item is drawn: subclasses the item's menu window on
/// its first drawing (region without the 17-pixel strip and the outer
/// pixel, one move into place) and draws the two-colour border.
void HookMenuWindow(TMenuItem* item, TCanvas* canvas);
/// The replacement window procedure of a hooked menu window: no erasing;
/// hiding, closing or destroying the window takes the region and the hook
/// away again.
LRESULT MenuWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
/// The procedure token MenuWindowProc is installed as.
LONG_PTR MenuWindowProcToken();
/// The number of ancestors between the item and its menu's root item.
int ItemDepth(TMenuItem* item);
/// The union of the screen rectangles of the item's menu's items on the
/// window (positions the platform does not know leave it unchanged).
TRect MenuItemArea(TMenuItem* item, HWND window);
/// The submenu holding `item` opened to the right of the item it belongs to.
bool SubmenuOpensRight(TMenuItem* item, HWND window);
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
