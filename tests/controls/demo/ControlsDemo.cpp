// The application's owner-drawn controls on a form, built from their stored
// definitions. With --screenshot FILE it saves the screen after showing the
// window and ends.
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

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ControlsInitialize();
  const char* shot = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--screenshot") == 0) shot = argv[i + 1];
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
    SetMenuWindowHook([shot](TMenuWindow* window) {
      QEventLoop wait;
      QTimer::singleShot(800, &wait, &QEventLoop::quit);
      wait.exec();
      if (QScreen* s = QGuiApplication::primaryScreen()) s->grabWindow(0).save(shot);
      window->CloseWith(nullptr);
    });
    QTimer::singleShot(300, [form] {
      if (auto* pmap = dynamic_cast<TOwPopupMenu*>(form->FindComponent("pmap")))
        pmap->Popup(form->Left() + 200, form->Top() + 250);
      Application()->Terminate();
    });
  }
  Application()->Run();
  delete form;
  ControlsFinalize();
  return 0;
}
