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
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
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
  delete form;
  ControlsFinalize();
  return 0;
}
