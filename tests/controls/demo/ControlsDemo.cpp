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
} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ControlsInitialize();
  const char* shot = nullptr;
  bool styled = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) shot = argv[i + 1];
    if (std::strcmp(argv[i], "--styled-menu") == 0) styled = true;
  }
  auto* form = new TForm(nullptr);
  form->SetBounds(20, 20, 340, 400);
  form->SetColor(clWhite);
  form->SetCaption("Controls");
  ReadDefinition(form, kToolControlsDefinition);
  ReadDefinition(form, kCheckBoxesDefinition);
  ReadDefinition(form, kPageControlDefinition);
  ReadDefinition(form, kPickerDefinition);
  if (auto* picker = dynamic_cast<TImagePicker*>(form->FindComponent("mapPick"))) {
    for (int i = 0; i < 9; ++i)
      picker->AddItem(i / 3, kPickerCaptions[i]);
    picker->RebuildListStrings();
    picker->SetItemIndex(3);
  }
  if (auto* pages = dynamic_cast<TControl*>(form->FindComponent("OwPageControl1")))
    pages->SetTop(150);
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
