// The published properties and creatable classes of the form-state library.
#include "formstate/FileUtil.h"
#include "formstate/NumericEdits.h"
#include "formstate/Placement.h"
#include "formstate/UxHook.h"

namespace {

const std::vector<std::string> kAlignments = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kGlyphKinds = {"gkCustom", "gkDefault", "gkDropDown", "gkEllipsis"};

template <class C> void registerComboEdit(TPropRegistrar<C> r) {
  r.Integer("ButtonWidth", &C::ButtonWidth, &C::SetButtonWidth)
      .String("ButtonHint", &C::ButtonHint, &C::SetButtonHint)
      .Integer("ClickKey", &C::ClickKey, &C::SetClickKey, 32808)
      .Boolean("DirectInput", &C::DirectInput, &C::SetDirectInput, true)
      .Boolean("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false)
      .Integer("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs)
      .template Enum<TGlyphKind>("GlyphKind", "TGlyphKind", &C::GlyphKind, &C::SetGlyphKind,
                                 kGlyphKinds, TGlyphKind::gkDefault);
}

void registerAll() {
  EnsureFormsClassesRegistered();
  RegisterProperties<TWinMinMaxInfo>()
      .Integer("MaxPosLeft", &TWinMinMaxInfo::MaxPosLeft, &TWinMinMaxInfo::SetMaxPosLeft, 0)
      .Integer("MaxPosTop", &TWinMinMaxInfo::MaxPosTop, &TWinMinMaxInfo::SetMaxPosTop, 0)
      .Integer("MaxSizeHeight", &TWinMinMaxInfo::MaxSizeHeight, &TWinMinMaxInfo::SetMaxSizeHeight,
               0)
      .Integer("MaxSizeWidth", &TWinMinMaxInfo::MaxSizeWidth, &TWinMinMaxInfo::SetMaxSizeWidth, 0)
      .Integer("MaxTrackHeight", &TWinMinMaxInfo::MaxTrackHeight,
               &TWinMinMaxInfo::SetMaxTrackHeight, 0)
      .Integer("MaxTrackWidth", &TWinMinMaxInfo::MaxTrackWidth, &TWinMinMaxInfo::SetMaxTrackWidth,
               0)
      .Integer("MinTrackHeight", &TWinMinMaxInfo::MinTrackHeight,
               &TWinMinMaxInfo::SetMinTrackHeight, 0)
      .Integer("MinTrackWidth", &TWinMinMaxInfo::MinTrackWidth, &TWinMinMaxInfo::SetMinTrackWidth,
               0);

  RegisterProperties<TFormPlacement>()
      .Boolean("Active", &TFormPlacement::Active, &TFormPlacement::SetActive, true)
      .String("IniFileName", &TFormPlacement::IniFileName, &TFormPlacement::SetIniFileName)
      .String("IniSection", &TFormPlacement::IniSection, &TFormPlacement::SetIniSection)
      .Object("MinMaxInfo", "TWinMinMaxInfo", &TFormPlacement::MinMaxInfo)
      .SetOf<TPlacementOption>(
          "Options", "TPlacementOptions", &TFormPlacement::Options, &TFormPlacement::SetOptions,
          {"fpState", "fpPosition", "fpActiveControl"},
          TPlacementOptions{TPlacementOption::fpState, TPlacementOption::fpPosition})
      .Boolean("PreventResize", &TFormPlacement::PreventResize, &TFormPlacement::SetPreventResize,
               false)
      .Enum<TPlacementRegRoot>("RegistryRoot", "TPlacementRegRoot", &TFormPlacement::RegistryRoot,
                               &TFormPlacement::SetRegistryRoot,
                               {"prCurrentUser", "prLocalMachine", "prCurrentConfig",
                                "prClassesRoot", "prUsers", "prDynData"},
                               TPlacementRegRoot::prCurrentUser)
      .Boolean("UseRegistry", &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry, false)
      .Integer("Version", &TFormPlacement::Version, &TFormPlacement::SetVersion, 0);
  RegisterComponentClass<TFormPlacement>();
  RegisterProperties<TFormStorage>().String("StoredProps.Strings", &TFormStorage::StoredPropsText,
                                            &TFormStorage::SetStoredPropsText);
  RegisterComponentClass<TFormStorage>();

  RegisterProperties<TUxWindowHook>()
      .Boolean("Active", &TUxWindowHook::Active, &TUxWindowHook::SetActive, true)
      .Boolean("IsForm", &TUxWindowHook::IsForm, &TUxWindowHook::SetIsForm, false);
  RegisterComponentClass<TUxWindowHook>();

  RegisterProperties<TUxSpeedButton>()
      .Integer("NumGlyphs", &TUxSpeedButton::NumGlyphs, &TUxSpeedButton::SetNumGlyphs, 1)
      .Boolean("Flat", &TUxSpeedButton::Flat, &TUxSpeedButton::SetFlat, false)
      .Integer("GroupIndex", &TUxSpeedButton::GroupIndex, &TUxSpeedButton::SetGroupIndex, 0)
      .Boolean("Down", &TUxSpeedButton::Down, &TUxSpeedButton::SetDown, false)
      .Boolean("AllowAllUp", &TUxSpeedButton::AllowAllUp, &TUxSpeedButton::SetAllowAllUp, false)
      .Boolean("AllowTimer", &TUxSpeedButton::AllowTimer, &TUxSpeedButton::SetAllowTimer, false)
      .Integer("InitPause", &TUxSpeedButton::InitPause, &TUxSpeedButton::SetInitPause, 500)
      .Integer("RepeatInterval", &TUxSpeedButton::RepeatInterval,
               &TUxSpeedButton::SetRepeatInterval, 100)
      .Integer("Margin", &TUxSpeedButton::Margin, &TUxSpeedButton::SetMargin, -1)
      .Integer("Spacing", &TUxSpeedButton::Spacing, &TUxSpeedButton::SetSpacing, 1)
      .Boolean("Transparent", &TUxSpeedButton::Transparent, &TUxSpeedButton::SetTransparent, false)
      .Boolean("GrayedInactive", &TUxSpeedButton::GrayedInactive,
               &TUxSpeedButton::SetGrayedInactive, true)
      .Boolean("MarkDropDown", &TUxSpeedButton::MarkDropDown, &TUxSpeedButton::SetMarkDropDown,
               true)
      .Boolean("WordWrap", &TUxSpeedButton::WordWrap, &TUxSpeedButton::SetWordWrap, false)
      .Enum<ux::TButtonLayout>(
          "Layout", "TButtonLayout", &TUxSpeedButton::Layout, &TUxSpeedButton::SetLayout,
          {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}, ux::TButtonLayout::blGlyphTop)
      .Enum<TAlignment>("Alignment", "TAlignment", &TUxSpeedButton::Alignment,
                        &TUxSpeedButton::SetAlignment, kAlignments, TAlignment::taCenter)
      .Integer("ModalResult", &TUxSpeedButton::ModalResult, &TUxSpeedButton::SetModalResult, 0);
  RegisterComponentClass<TUxSpeedButton>();

  registerComboEdit(RegisterProperties<TCustomComboEdit>());
  RegisterProperties<TFileDirEdit>()
      .Boolean("AcceptFiles", &TFileDirEdit::AcceptFiles, &TFileDirEdit::SetAcceptFiles, false)
      .Boolean("MultipleDirs", &TFileDirEdit::MultipleDirs, &TFileDirEdit::SetMultipleDirs, false);
  RegisterProperties<TDirectoryEdit>()
      .Enum<TDirDialogKind>("DialogKind", "TDirDialogKind", &TDirectoryEdit::DialogKind,
                            &TDirectoryEdit::SetDialogKind, {"dkVCL", "dkWin32"},
                            TDirDialogKind::dkVCL)
      .String("DialogText", &TDirectoryEdit::DialogText, &TDirectoryEdit::SetDialogText)
      .String("InitialDir", &TDirectoryEdit::InitialDir, &TDirectoryEdit::SetInitialDir)
      .SetOf<TSelectDirOpt>("DialogOptions", "TSelectDirOpts", &TDirectoryEdit::DialogOptions,
                            &TDirectoryEdit::SetDialogOptions,
                            {"sdAllowCreate", "sdPerformCreate", "sdPrompt"});
  RegisterComponentClass<TDirectoryEdit>();

  RegisterProperties<TCustomNumEdit>()
      .Float(
          "Value", [](const TCustomNumEdit& e) { return const_cast<TCustomNumEdit&>(e).Value(); },
          &TCustomNumEdit::SetValue, TFloatType::ftExtended)
      .Float("MinValue", &TCustomNumEdit::MinValue, &TCustomNumEdit::SetMinValue,
             TFloatType::ftExtended)
      .Float("MaxValue", &TCustomNumEdit::MaxValue, &TCustomNumEdit::SetMaxValue,
             TFloatType::ftExtended)
      .Integer("DecimalPlaces", &TCustomNumEdit::DecimalPlaces, &TCustomNumEdit::SetDecimalPlaces,
               2)
      .String("DisplayFormat", &TCustomNumEdit::DisplayFormat, &TCustomNumEdit::SetDisplayFormat)
      .Enum<TAlignment>("Alignment", "TAlignment", &TCustomNumEdit::Alignment,
                        &TCustomNumEdit::SetAlignment, kAlignments, TAlignment::taRightJustify)
      .Boolean("BeepOnError", &TCustomNumEdit::BeepOnError, &TCustomNumEdit::SetBeepOnError, true)
      .Boolean("CheckOnExit", &TCustomNumEdit::CheckOnExit, &TCustomNumEdit::SetCheckOnExit, false)
      .Boolean("ZeroEmpty", &TCustomNumEdit::ZeroEmpty, &TCustomNumEdit::SetZeroEmpty, true)
      .Boolean("FormatOnEditing", &TCustomNumEdit::FormatOnEditing,
               &TCustomNumEdit::SetFormatOnEditing, false);
  RegisterProperties<TCurrencyEdit>();
  RegisterComponentClass<TCurrencyEdit>();
}

} // namespace

void RegisterFormStateClasses() {
  static const bool done = (registerAll(), true);
  (void)done;
}
