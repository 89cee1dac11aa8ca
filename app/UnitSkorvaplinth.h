// The tool window: the map's position, size, navigation, tile saving and
// settings on five pages, kept between runs by its form storage `fs`. It
// drives the map window (UnitFearth1.h) and shows the capture's read-outs.
//
// Files: UnitSkorvaplinth.cpp (the stored definition, creation, handlers).
#pragma once

#include "app/UnitFearth1.h"
#include "platform/forms/Forms.h"

#include <string>

class TCurrencyEdit;
class TDirectoryEdit;
class TEdit;
class TFormStorage;
class TImagePicker;
class TLabel;
class TMemo;
class TOwPageControl;
class TOwTrackBar;
class TPanel;
class TSpeedButton;
class TzqCheckbox;

class TFSkorvaplinth : public TForm, public IToolWindow {
  SK_CLASS(TFSkorvaplinth, TForm)
public:
  /// Builds the window from its stored definition: AppDir, the store folder
  /// AppDir + "tmp" (created), the storage's ini file beside the program.
  explicit TFSkorvaplinth(TComponent* owner);
  ~TFSkorvaplinth() override;

  /// The map window the handlers drive (set once it exists).
  void SetMapWindow(TFEarth1* map) { map_ = map; }
  TFEarth1* MapWindow() const { return map_; }

  // IToolWindow
  void OpenStartPage(TFEarth1& map) override;
  void ShowReadouts(const TPositionReadouts& readouts) override;
  void SetZoomBarPosition(int position) override;

  std::string AppDir;
  std::string AppVersion;

  // The stored components.
  TPanel* Panel1 = nullptr;
  TOwPageControl* OwPageControl1 = nullptr;
  TOwTrackBar* Egzoom = nullptr;
  TImagePicker* mapPick = nullptr;
  TCurrencyEdit *elat = nullptr, *elon = nullptr;
  TCurrencyEdit *Erwidth = nullptr, *Erheight = nullptr;
  TCurrencyEdit *nx = nullptr, *ny = nullptr;
  TEdit* filep = nullptr;
  TDirectoryEdit* eloc = nullptr;
  TMemo* Mtemplate = nullptr;
  TzqCheckbox *Cstayontop = nullptr, *cdescr = nullptr;
  // Read-outs: top left, centre, bottom right (pixel X/Y, lat/lon, client X/Y).
  TEdit *utmleft1 = nullptr, *utmtop1 = nullptr, *wleft = nullptr, *wtop = nullptr;
  TEdit *Edit1 = nullptr, *Edit2 = nullptr;
  TEdit *cleft1 = nullptr, *ctop1 = nullptr, *cleft = nullptr, *ctop = nullptr;
  TEdit *pcx = nullptr, *pcy = nullptr;
  TEdit *utmright1 = nullptr, *utmbottom1 = nullptr, *rleft = nullptr, *rtop = nullptr;
  TEdit *prx = nullptr, *pry = nullptr;
  TLabel *Ewidth = nullptr, *Eheight = nullptr;
  TLabel *lfilename = nullptr, *lver = nullptr;
  TLabel* lhome = nullptr; // the home page's link on the About page
  TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
               *SpeedButton4 = nullptr, *SpeedButton5 = nullptr, *SpeedButton6 = nullptr,
               *SpeedButton7 = nullptr, *SpeedButton8 = nullptr, *SpeedButton9 = nullptr,
               *SpeedButton10 = nullptr, *SpeedButton12 = nullptr, *SpeedButton13 = nullptr,
               *SpeedButton14 = nullptr, *SpeedButton15 = nullptr;
  TFormStorage* fs = nullptr;

  // Handlers.
  void FormCreate();
  void mapPickChange();
  void EgzoomClick();
  void zqButton2Click();     // "Apply position"
  void zqButton3Click();     // "Apply map size"
  void OwGlassButton2Click(); // "Open"
  void SpeedButton1Click();  // "r"
  void ggg();                // "rb"
  void SpeedButton3Click();  // "b"
  void SpeedButton4Click();  // "lb"
  void SpeedButton5Click();  // "l"
  void SpeedButton6Click();  // "lt"
  void SpeedButton7Click();  // "t"
  void SpeedButton2Click();  // "rt"
  void SpeedButton15Click(); // "Save"
  void CstayontopClick();
  /// "Help" and the About page's link: the link's address with the desktop.
  void OpenHomePage();

private:
  void BuildFromDefinition();
  void Step(const std::string& code);
  TFEarth1* map_ = nullptr;
};
