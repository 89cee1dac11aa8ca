// The application's owner-drawn controls on a form, built from their stored
// definitions. With --screenshot FILE it saves the screen after showing the
// window and ends. With --styled-menu as well, the menu shown is a styled
// one with a side bar, smooth text and an open submenu.
#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstring>

#include "AppDefinitions.h"
#include "controls/ControlsInit.h"
#include "controls/ImagePicker.h"
#include "controls/OwGlassButton.h"
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
#include "controls/rtflabel.h"
#include "controls/zq/zqButtons.h"
#include "platform/forms/Messages.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Loading.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/TestInput.h"

namespace {
TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::string& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

/// A styled menu showing what the engine draws beyond the map window's menus.
TOwPopupMenu* StyledMenu(TForm* form) {
  auto* styler = new TOwMenuStyler(form);
  styler->SetAntiAlias(TAntiAlias::aaAntiAlias);
  TSideBar& bar = *styler->SideBar();
  bar.SetVisible(true);
  bar.VisibleIn = TSideBarVisibleIn::viFirstLevel;
  bar.Caption = "Skorvaplinth";
  bar.Font()->SetName("Tahoma");
  bar.Font()->SetHeight(-15);
  bar.Font()->SetStyle(fsBold);
  bar.Font()->SetColor(clWhite);
  bar.Background()->SetColor(0x7F3F1F);
  bar.Background()->SetColorTo(0xD08050);
  bar.Image()->SetColor(clNone);
  auto* menu = new TOwPopupMenu(form);
  menu->SetMenuStyler(styler);
  TMenuItem* root = menu->Items();
  AddItem(form, root, "&Open")->SetShortCut(TShortCut(scCtrl | 'O'));
  TMenuItem* maps = AddItem(form, root, "&Maps");
  AddItem(form, maps, "Google")->SetChecked(true);
  AddItem(form, maps, "Yahoo");
  AddItem(form, maps, "Virtual Earth");
  AddItem(form, root, "-");
  AddItem(form, root, "Copy UTM to clipboard")->SetShortCut(TShortCut(scCtrl | scShift | 'C'));
  AddItem(form, root, "Disabled")->SetEnabled(false);
  return menu;
}
/// Page controls with their tabs on each side, to look at: top with more
/// tabs than fit (scroll buttons), left with a skin, right multi-line with
/// the tab model's own raised tabs (TabBorder3D), bottom with a close glyph
/// and gradients.
void ShowPageSides() {
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 780, 580);
  form->SetColor(clWhite);
  form->SetCaption("Page controls");
  const TTabPosition sides[4] = {TTabPosition::tpTop, TTabPosition::tpBottom, TTabPosition::tpLeft,
                                 TTabPosition::tpRight};
  const char* captions[5] = {" Map position ", " Map size ", " Navigation ", " Settings ",
                             " About "};
  for (int k = 0; k < 4; ++k) {
    auto* pc = new TOwPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(10 + (k % 2) * 385, 10 + (k / 2) * 285, 370, 270);
    pc->SetDefaultTabColor(0xDADADA);
    pc->SetActiveColor(clWhite);
    pc->SetTabBackGroundColor(clWhite);
    pc->SetTabPosition(sides[k]);
    pc->SetMultiLine(k == 3);
    for (int i = 0; i < (k == 0 ? 7 : 5); ++i) {
      auto* sheet = new TOwTabSheet(form);
      sheet->SetPageControl(pc);
      sheet->SetCaption(i < 5 ? captions[i] : i == 5 ? " Extra one " : " Extra two ");
      sheet->SetColor(clWhite);
      sheet->SetTabColor(0xDADADA);
      if (k == 1) {
        sheet->SetTabColor(0xF0D0B0);
        sheet->SetTabColorTo(0xC08040);
      }
    }
    pc->SetActivePage(pc->Pages(2));
    if (k == 1) pc->Pages(2)->SetShowClose(true);
    if (k == 3) pc->SetTabBorder3D(true);
    if (k == 2) {
      TBitmap skin(20, 22, pf24bit);
      skin.Canvas()->Brush()->SetColor(clFuchsia);
      skin.Canvas()->FillRect(TRect(0, 0, 20, 22));
      skin.Canvas()->Brush()->SetColor(0xB07030);
      skin.Canvas()->Pen()->SetColor(0x603010);
      skin.Canvas()->RoundRect(0, 0, 20, 22, 8, 8);
      pc->SetTabBackGround(&skin);
    }
  }
  form->Show();
}
/// The map window's glass button and rich-text label, and more of what the
/// two controls draw: shapes, symbols, a latched group button with its glow,
/// a disabled one, the key tip, and a label of formatted text.
TForm* ShowGlassAndRichText() {
  auto* form = new TForm(nullptr);
  form->SetBounds(380, 20, 400, 330);
  form->SetCaption("Glass buttons and rich text");
  auto* map = new TPanel(form);
  map->SetParent(form);
  map->SetBounds(10, 10, 380, 200);
  map->SetBevelOuter(TBevelCut::bvNone);
  map->SetColor(0x00E6EEF2);
  auto glass = [&](int left, int top, int width, int height, const std::string& caption) {
    auto* b = new TOwGlassButton(form);
    b->SetParent(map);
    b->SetBounds(left, top, width, height);
    b->SetCaption(caption);
    b->Font()->SetHeight(-11);
    return b;
  };
  // The map window's button as stored (shown here).
  TOwGlassButton* bb = glass(10, 10, 127, 21, "podatki niso na voljo");
  bb->SetBackColor(clSilver);
  bb->SetCornerRadius(8);
  bb->SetGlowColor(16760205);
  const TColor colours[3] = {0x00804000, 0x00206020, 0x00303090};
  const char* names[3] = {"Google", "Yahoo", "VE"};
  for (int i = 0; i < 3; ++i) {
    TOwGlassButton* b = glass(10 + 75 * i, 45, 70, 24, names[i]);
    b->SetBackColor(colours[i]);
    b->SetGroupIndex(1);
    b->SetDown(i == 1);
  }
  TOwGlassButton* curved = glass(10, 85, 110, 34, "Play");
  curved->SetButtonShape(TButtonShape::btsCurvedRectangle);
  curved->SetBackColor(0x00A05010);
  TOwGlassButton* left = glass(130, 85, 110, 34, "Back");
  left->SetButtonShape(TButtonShape::btsCurvedRectangle);
  left->SetButtonDirection(TButtonDirection::bdLeft);
  left->SetBackColor(0x00A05010);
  const TBackGroundSymbol symbols[6] = {
      TBackGroundSymbol::bsArrowLeft, TBackGroundSymbol::bsPlay,    TBackGroundSymbol::bsPause,
      TBackGroundSymbol::bsStop,      TBackGroundSymbol::bsForward, TBackGroundSymbol::bsSpeaker};
  for (int i = 0; i < 6; ++i) {
    TOwGlassButton* b = glass(10 + 45 * i, 135, 40, 40, "");
    b->SetBackColor(0x00505050);
    b->SetBackGroundSymbol(symbols[i]);
  }
  TOwGlassButton* off = glass(250, 85, 110, 34, "Disabled");
  off->SetBackColor(0x00505050);
  off->SetEnabled(false);
  TOwGlassButton* tip = glass(280, 135, 80, 40, "Save");
  tip->SetBackColor(0x00206020);
  tip->SetShortCutHint("S");
  tip->SetShortCutHintPos(TShortCutHintPos::shpBottom);
  // Buttons of the small control library: a default one and a disabled one
  // with a glyph.
  auto* apply = new TzqButton(form);
  apply->SetParent(map);
  apply->SetBounds(250, 10, 100, 23);
  apply->SetCaption("&Apply");
  apply->SetDefault(true);
  auto* open = new TzqButton(form);
  open->SetParent(map);
  open->SetBounds(250, 45, 100, 23);
  open->SetCaption("Open");
  TBitmap glyph(12, 12, pf24bit);
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect(TRect(0, 0, 12, 12));
  glyph.Canvas()->Brush()->SetColor(0x2060C0);
  glyph.Canvas()->Ellipse(1, 1, 11, 11);
  open->SetGlyph(&glyph);
  open->SetEnabled(false);
  // The rich-text label: the map window's is empty; this one shows text.
  auto* label = new TRTFLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 220, 380, 95);
  label->SetWordWrap(true);
  label->SetRichText(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Times New Roman;}}"
      "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green90\\blue160;}"
      "\\qc\\f0\\fs28\\b Zemljevid\\b0\\par\\pard\\fs18 Rich text: \\b bold\\b0 , \\i italic\\i0 , "
      "\\ul underlined\\ulnone , \\cf1 red\\cf0 , \\cf2\\fs24 blue and larger\\cf0\\fs18 .\\par"
      "\\f1 \\'e8\\'9a\\'9e and \\u269?\\u353?\\u382?, a tab:\\tab and long text that wraps at "
      "the label's right edge.\\par}");
  form->Show();
  tip->Perform(CM_HINTSHOW, 1, 1);
  if (TShortCutHintWindow* keyTip = tip->KeyTip()) { // black until its caller colours it
    keyTip->SetColor(clWhite);
    keyTip->SetColorTo(clSilver);
  }
  return form;
}
} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ControlsInitialize();
  const char* shot = nullptr;
  bool styled = false, pageSides = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) shot = argv[i + 1];
    if (std::strcmp(argv[i], "--styled-menu") == 0) styled = true;
    if (std::strcmp(argv[i], "--page-sides") == 0) pageSides = true;
  }
  if (pageSides) {
    ShowPageSides();
    QTimer::singleShot(800, [shot] {
      if (QScreen* s = QGuiApplication::primaryScreen(); s && shot) s->grabWindow(0).save(shot);
      Application()->Terminate();
    });
    Application()->Run();
    ControlsFinalize();
    return 0;
  }
  // The tool window's controls as the program places them: the zoom bar and
  // the picker on the top panel, the page control below; the check boxes
  // (on the Settings page in the program) on the page that shows.
  auto* form = new TForm(nullptr);
  form->SetBounds(20, 20, 340, 330);
  form->SetColor(clWhite);
  form->SetCaption("Controls");
  form->SetClientWidth(340);
  form->SetClientHeight(300);
  ReadDefinition(form, kPageControlDefinition);
  ReadDefinition(form, kToolControlsDefinition);
  ReadDefinition(form, kCheckBoxesDefinition);
  ReadDefinition(form, kPickerDefinition);
  auto* panel = dynamic_cast<TWinControl*>(form->FindComponent("Panel1"));
  auto* page = dynamic_cast<TWinControl*>(form->FindComponent("TabSheet3"));
  auto place = [form](const char* name, TWinControl* parent, int left, int top) {
    if (auto* c = dynamic_cast<TControl*>(form->FindComponent(name)); c && parent) {
      c->SetParent(parent);
      c->SetLeft(left);
      c->SetTop(top);
    }
  };
  place("Egzoom", panel, 10, 1);
  place("mapPick", panel, 180, 10);
  place("Cstayontop", page, 10, 10);
  place("cdescr", page, 10, 32);
  if (auto* picker = dynamic_cast<TImagePicker*>(form->FindComponent("mapPick"))) {
    for (int i = 0; i < 9; ++i)
      picker->AddItem(i / 3, kPickerCaptions[i]);
    picker->RebuildListStrings();
    picker->SetItemIndex(6);
  }
  ReadDefinition(form, kMapMenusDefinition);
  form->Show();
  TForm* glassForm = ShowGlassAndRichText();
  if (shot != nullptr) {
    // The map window's source menu is opened beside the controls; the
    // screen is saved while it shows, then everything closes.
    SetMenuWindowHook([shot, styled](TMenuWindow* window) {
      if (styled) {
        const TRect maps = window->ItemRect(1);
        TestInput::MouseMove(window, maps.Left + 40, maps.Top + 5);
      }
      QEventLoop wait;
      QTimer::singleShot(800, &wait, &QEventLoop::quit);
      wait.exec();
      if (QScreen* s = QGuiApplication::primaryScreen()) s->grabWindow(0).save(shot);
      window->CloseWith(nullptr);
    });
    TOwPopupMenu* showcase = styled ? StyledMenu(form) : nullptr;
    QTimer::singleShot(300, [form, showcase] {
      if (showcase)
        showcase->Popup(form->Left() + 150, form->Top() + 200);
      else if (auto* pmap = dynamic_cast<TOwPopupMenu*>(form->FindComponent("pmap")))
        pmap->Popup(form->Left() + 200, form->Top() + 250);
      Application()->Terminate();
    });
  }
  Application()->Run();
  delete glassForm;
  delete form;
  ControlsFinalize();
  return 0;
}
