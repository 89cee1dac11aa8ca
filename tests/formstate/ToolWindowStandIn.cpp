#include "tests/formstate/ToolWindowStandIn.h"

#include "platform/rtl/Strings.h"

void RegisterToolWindowStandIns() {
  RegisterProperties<TZoomBarStandIn>().Integer("Position", &TZoomBarStandIn::Position,
                                                &TZoomBarStandIn::SetPosition);
  RegisterProperties<TCheckBoxStandIn>().Boolean("Checked", &TCheckBoxStandIn::Checked,
                                                 &TCheckBoxStandIn::SetChecked);
  RegisterProperties<TPickerStandIn>().Integer("ItemIndex", &TPickerStandIn::ItemIndex,
                                               &TPickerStandIn::SetItemIndex);
  RegisterProperties<TFSkorvaplinth>();
}

namespace {

TCurrencyEdit* numericEdit(TDefinitionLoader& l, TForm* form, const char* name, double value,
                           double minValue) {
  auto* e = l.Add<TCurrencyEdit>(name, form);
  l.Set(e, "DecimalPlaces", 5);
  l.Set(e, "DisplayFormat", "###0.#####");
  l.Set(e, "Ctl3D", false);
  if (minValue != 0) l.Set(e, "MinValue", TPropValue(static_cast<long double>(minValue)));
  if (value != 0) l.Set(e, "Value", TPropValue(static_cast<long double>(value)));
  return e;
}

} // namespace

TFSkorvaplinth::TFSkorvaplinth(TComponent* owner, const std::string& iniFile) : TForm(owner) {
  RegisterToolWindowStandIns();
  TDefinitionLoader l(this);
  SetBounds(195, 194, 629, 343);
  elat = numericEdit(l, this, "elat", 46.0, 0);
  elon = numericEdit(l, this, "elon", 5.0, 0);
  Egzoom = l.Add<TZoomBarStandIn>("Egzoom", this);
  Erwidth = numericEdit(l, this, "Erwidth", 500.0, 10.0);
  Erheight = numericEdit(l, this, "Erheight", 500.0, 10.0);
  Cstayontop = l.Add<TCheckBoxStandIn>("Cstayontop", this);
  cdescr = l.Add<TCheckBoxStandIn>("cdescr", this);
  filep = l.Add<TEdit>("filep", this);
  l.Set(filep, "Text", "ym");
  nx = numericEdit(l, this, "nx", 0, 0);
  ny = numericEdit(l, this, "ny", 0, 0);
  mapPick = l.Add<TPickerStandIn>("mapPick", this);
  eloc = l.Add<TDirectoryEdit>("eloc", this);
  l.SetText(eloc, "DialogKind", "dkWin32");
  l.SetText(eloc, "BorderStyle", "bsNone");
  fs = l.Add<TFormStorage>("fs");
  l.Set(fs, "StoredProps.Strings",
        "elat.Value\r\nelon.Value\r\nEgzoom.Position\r\nErwidth.Value\r\nErheight.Value\r\n"
        "Cstayontop.Checked\r\ncdescr.Checked\r\nfilep.Text\r\nnx.Value\r\nny.Value\r\n"
        "mapPick.ItemIndex\r\n");
  l.Finish();
  fs->SetIniFileName(iniFile);
}

std::string GoldenToolWindowSection(int showCmd) {
  const std::string s = IntToStr(showCmd);
  return "[TFSkorvaplinth]\r\n"
         "FormVersion=0\r\n"
         "Flags=0\r\n"
         "ShowCmd=" +
         s +
         "\r\n"
         "PixelsPerInch=96\r\n"
         "MinMaxPos(1280x1024)=-1,-1,-4,-4\r\n"
         "MinMaxPos=-1,-1,-4,-4\r\n"
         "NormPos(1280x1024)=195,194,824,537\r\n"
         "NormPos=195,194,824,537\r\n"
         "Visible=0\r\n"
         "elat_Value=46\r\n"
         "elon_Value=5\r\n"
         "Egzoom_Position=6\r\n"
         "Erwidth_Value=500\r\n"
         "Erheight_Value=500\r\n"
         "Cstayontop_Checked=True\r\n"
         "cdescr_Checked=True\r\n"
         "filep_Text=ym\r\n"
         "nx_Value=0\r\n"
         "ny_Value=0\r\n"
         "mapPick_ItemIndex=0\r\n";
}
