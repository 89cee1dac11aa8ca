#include "browser/WebHostOptions.h"

#include "browser/WebHostCore.h"
#include "platform/forms/Properties.h"

// ---- TShortCuts ----------------------------------------------------------------

const std::string& TShortCuts::CtrlCharMask() const {
  return host_.CtrlCharMask();
}
void TShortCuts::SetCtrlCharMask(const std::string& value) {
  host_.SetCtrlCharMask(value);
}
bool TShortCuts::IsMaskStored() const {
  return host_.CtrlCharMask() != "N";
}

bool TShortCuts::Has(char c) const {
  return host_.CtrlCharMask().find(c) != std::string::npos;
}

void TShortCuts::Set(char c, bool on) {
  std::string mask = host_.CtrlCharMask();
  const size_t at = mask.find(c);
  if (on && at == std::string::npos)
    mask += c;
  else if (!on && at != std::string::npos)
    mask.erase(at, 1);
  host_.SetCtrlCharMask(mask);
}

// ---- TPrintOptions ---------------------------------------------------------------

TPrintOptions::TPrintOptions()
    : margins_(std::make_unique<TMargins>()), htmlHeader_(std::make_unique<TStringList>()) {
  htmlHeader_->Add("<HTML></HTML>");
}

TPrintOptions::~TPrintOptions() = default;

std::string TPrintOptions::HTMLHeaderText() const {
  return htmlHeader_->Text();
}

void TPrintOptions::SetHTMLHeaderText(const std::string& text) {
  htmlHeader_->SetText(text);
}

// ---- properties --------------------------------------------------------------------

void RegisterWebHostOptionProperties() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterProperties<TShortCuts>()
      .String("CtrlCharMask", &TShortCuts::CtrlCharMask, &TShortCuts::SetCtrlCharMask, "N")
      .Boolean("DisableCTRL_A", &TShortCuts::DisableCTRL_A, &TShortCuts::SetDisableCTRL_A)
      .Boolean("DisableCTRL_C", &TShortCuts::DisableCTRL_C, &TShortCuts::SetDisableCTRL_C)
      .Boolean("DisableCTRL_F", &TShortCuts::DisableCTRL_F, &TShortCuts::SetDisableCTRL_F)
      .Boolean("DisableCTRL_N", &TShortCuts::DisableCTRL_N, &TShortCuts::SetDisableCTRL_N)
      .Boolean("DisableCTRL_P", &TShortCuts::DisableCTRL_P, &TShortCuts::SetDisableCTRL_P);
  RegisterProperties<TDisableErrors>()
      .Boolean("EnableDDE", &TDisableErrors::EnableDDE, &TDisableErrors::SetEnableDDE, true)
      .Boolean("fpExceptions", &TDisableErrors::fpExceptions, &TDisableErrors::SetfpExceptions,
               true)
      .Boolean("ScriptErrorsSuppressed", &TDisableErrors::ScriptErrorsSuppressed,
               &TDisableErrors::SetScriptErrorsSuppressed, true);
  RegisterProperties<TDialogBoxes>()
      .Boolean("DisableAll", &TDialogBoxes::DisableAll, &TDialogBoxes::SetDisableAll, false)
      .Boolean("ReplaceCaption", &TDialogBoxes::ReplaceCaption, &TDialogBoxes::SetReplaceCaption,
               true)
      .Boolean("ReplaceIcon", &TDialogBoxes::ReplaceIcon, &TDialogBoxes::SetReplaceIcon, true)
      .String("NewCaption", &TDialogBoxes::NewCaption, &TDialogBoxes::SetNewCaption);
  RegisterProperties<TMargins>()
      .Float("Left", &TMargins::Left, &TMargins::SetLeft, TFloatType::ftDouble)
      .Float("Right", &TMargins::Right, &TMargins::SetRight, TFloatType::ftDouble)
      .Float("Top", &TMargins::Top, &TMargins::SetTop, TFloatType::ftDouble)
      .Float("Bottom", &TMargins::Bottom, &TMargins::SetBottom, TFloatType::ftDouble);
  RegisterProperties<TPrintOptions>()
      .Boolean("Enabled", &TPrintOptions::Enabled, &TPrintOptions::SetEnabled, false)
      .Object("Margins", "TMargins", &TPrintOptions::Margins)
      .String("Header", &TPrintOptions::Header, &TPrintOptions::SetHeader)
      .String("Footer", &TPrintOptions::Footer, &TPrintOptions::SetFooter)
      .String("HTMLHeader", &TPrintOptions::HTMLHeaderText, &TPrintOptions::SetHTMLHeaderText,
              "<HTML></HTML>\r\n")
      .Enum<TPrintOrientationOption>("Orientation", "TPrintOrientationOption",
                                     &TPrintOptions::Orientation, &TPrintOptions::SetOrientation,
                                     {"poPortrait", "poLandscape"},
                                     TPrintOrientationOption::poPortrait);
  RegisterProperties<TProxySettings>()
      .Boolean("AutoLoadProxy", &TProxySettings::AutoLoadProxy, &TProxySettings::SetAutoLoadProxy,
               false)
      .Integer("Port", &TProxySettings::Port, &TProxySettings::SetPort, 80)
      .String("Address", &TProxySettings::Address, &TProxySettings::SetAddress)
      .String("UserName", &TProxySettings::UserName, &TProxySettings::SetUserName)
      .String("Password", &TProxySettings::Password, &TProxySettings::SetPassword);
  RegisterProperties<TVisualEffects>()
      .Integer("TextSize", &TVisualEffects::TextSize, &TVisualEffects::SetTextSize, 2)
      .Boolean("DisableSounds", &TVisualEffects::DisableSounds, &TVisualEffects::SetDisableSounds,
               false);
}
