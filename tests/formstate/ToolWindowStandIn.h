// A form of the kind the application's tool window is: six numeric edits,
// a zoom bar, two check boxes, a prefix edit, a map-source picker, the
// store-folder edit and the form storage "fs" with the eleven stored
// properties. The zoom bar, the check boxes and the picker are stand-ins
// publishing the one property the storage keeps.
#pragma once

#include <string>

#include "formstate/ComboEdits.h"
#include "formstate/NumericEdits.h"
#include "formstate/Placement.h"
#include "platform/forms/Loading.h"

class TZoomBarStandIn : public TGraphicControl {
  SK_CLASS(TZoomBarStandIn, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;
  int Position() const { return position_; }
  void SetPosition(int v) { position_ = v; }

private:
  int position_ = 6;
};

class TCheckBoxStandIn : public TGraphicControl {
  SK_CLASS(TCheckBoxStandIn, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;
  bool Checked() const { return checked_; }
  void SetChecked(bool v) { checked_ = v; }

private:
  bool checked_ = true;
};

class TPickerStandIn : public TGraphicControl {
  SK_CLASS(TPickerStandIn, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;
  int ItemIndex() const { return index_; }
  void SetItemIndex(int v) { index_ = v; }

private:
  int index_ = 0;
};

class TFSkorvaplinth : public TForm {
  SK_CLASS(TFSkorvaplinth, TForm)
public:
  /// Built from its definition; the storage keeps `iniFile`.
  TFSkorvaplinth(TComponent* owner, const std::string& iniFile);
  ~TFSkorvaplinth() override { DoDestroy(); }

  TCurrencyEdit *elat, *elon, *Erwidth, *Erheight, *nx, *ny;
  TZoomBarStandIn* Egzoom;
  TCheckBoxStandIn *Cstayontop, *cdescr;
  TEdit* filep;
  TPickerStandIn* mapPick;
  TDirectoryEdit* eloc;
  TFormStorage* fs;
};

void RegisterToolWindowStandIns();
/// The section a fresh save of the stand-in writes at 1280x1024, 96 ppi,
/// with its designed values and bounds (195, 194, 629, 343).
std::string GoldenToolWindowSection(int showCmd);
