// The published properties and the creatable classes of the windowing layer.
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Properties.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"

namespace {

void registerAll() {
  RegisterClassInfo("TPersistent", "");
  RegisterProperties<TComponent>()
      .String("Name", &TComponent::Name, &TComponent::SetName)
      .Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0);

  RegisterProperties<TControl>()
      .Integer("Left", &TControl::Left, &TControl::SetLeft)
      .Integer("Top", &TControl::Top, &TControl::SetTop)
      .Integer("Width", &TControl::Width, &TControl::SetWidth)
      .Integer("Height", &TControl::Height, &TControl::SetHeight)
      .Enum<TAlign>("Align", "TAlign", &TControl::Align, &TControl::SetAlign,
                    {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"},
                    TAlign::alNone)
      .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true)
      .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
      .Integer("Color", &TControl::Color, &TControl::SetColor)
      .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false)
      .Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, 0)
      // The font's stored parts, as the dotted names definitions use.
      .String(
          "Font.Name", [](const TControl& c) { return c.Font()->Name(); },
          [](TControl& c, const std::string& v) { c.Font()->SetName(v); })
      .Integer(
          "Font.Height", [](const TControl& c) { return c.Font()->Height(); },
          [](TControl& c, int v) { c.Font()->SetHeight(v); })
      .Integer(
          "Font.Size", [](const TControl& c) { return c.Font()->Size(); },
          [](TControl& c, int v) { c.Font()->SetSize(v); })
      .Integer(
          "Font.Color", [](const TControl& c) { return c.Font()->Color(); },
          [](TControl& c, int v) { c.Font()->SetColor(v); })
      .Integer(
          "Font.Charset", [](const TControl& c) { return int(c.Font()->Charset()); },
          [](TControl& c, int v) { c.Font()->SetCharset(BYTE(v)); })
      .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
      .String("Caption", &TControl::Caption, &TControl::SetCaption)
      .String("Hint", &TControl::Hint, &TControl::SetHint)
      .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
      .Reference<TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);

  static const std::vector<std::string> borderStyles = {
      "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"};
  RegisterProperties<TWinControl>()
      .Boolean("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D, true)
      .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
      .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
      .Enum<TBorderStyle>("BorderStyle", "TBorderStyle", &TWinControl::BorderStyle,
                          &TWinControl::SetBorderStyle, borderStyles, TBorderStyle::bsNone);
  RegisterComponentClass<TWinControl>();
  RegisterProperties<TCustomControl>();
  RegisterComponentClass<TCustomControl>();
  RegisterProperties<TGraphicControl>();
  RegisterComponentClass<TGraphicControl>();

  RegisterProperties<TForm>()
      .Enum<TBorderStyle>("BorderStyle", "TFormBorderStyle", &TForm::BorderStyle,
                          &TForm::SetBorderStyle, borderStyles, TBorderStyle::bsSizeable)
      .Integer("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth)
      .Integer("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight)
      .Enum<TFormStyle>("FormStyle", "TFormStyle", &TForm::FormStyle, &TForm::SetFormStyle,
                        {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"},
                        TFormStyle::fsNormal)
      .Enum<TPosition>("Position", "TPosition", &TForm::Position, &TForm::SetPosition,
                       {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                        "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                        "poOwnerFormCenter"},
                       TPosition::poDesigned)
      .Enum<TWindowState>("WindowState", "TWindowState", &TForm::WindowState,
                          &TForm::SetWindowState, {"wsNormal", "wsMinimized", "wsMaximized"},
                          TWindowState::wsNormal)
      .Boolean("Visible", &TForm::Visible, &TForm::SetVisible, false);
  RegisterComponentClass<TForm>();

  static const std::vector<std::string> alignments = {"taLeftJustify", "taRightJustify",
                                                      "taCenter"};
  static const std::vector<std::string> bevels = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
  RegisterProperties<TPanel>()
      .Enum<TBevelCut>("BevelOuter", "TBevelCut", &TPanel::BevelOuter, &TPanel::SetBevelOuter,
                       bevels, TBevelCut::bvRaised)
      .Enum<TBevelCut>("BevelInner", "TBevelCut", &TPanel::BevelInner, &TPanel::SetBevelInner,
                       bevels, TBevelCut::bvNone)
      .Integer("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1)
      .Enum<TAlignment>("Alignment", "TAlignment", &TPanel::Alignment, &TPanel::SetAlignment,
                        alignments, TAlignment::taCenter);
  RegisterComponentClass<TPanel>();
  RegisterProperties<TLabel>()
      .Boolean("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true)
      .Boolean("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false)
      .Enum<TAlignment>("Alignment", "TAlignment", &TLabel::Alignment, &TLabel::SetAlignment,
                        alignments, TAlignment::taLeftJustify)
      .Boolean("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor, true);
  RegisterComponentClass<TLabel>();
  RegisterProperties<TEdit>()
      .String("Text", &TEdit::Text, &TEdit::SetText)
      .Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false)
      .Integer("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength, 0)
      .Boolean("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect, true)
      .Boolean("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true);
  RegisterComponentClass<TEdit>();
  RegisterProperties<TGroupBox>();
  RegisterComponentClass<TGroupBox>();
  RegisterProperties<TSpeedButton>()
      .Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1)
      .Boolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, false)
      .Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex, 0)
      .Boolean("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, false)
      .Boolean("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp, false);
  RegisterComponentClass<TSpeedButton>();
  RegisterProperties<TMemo>()
      .String("Text", &TMemo::MemoText, &TMemo::SetText)
      .String("Lines.Strings", &TMemo::MemoText, &TMemo::SetText)
      .Boolean("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly, false)
      .Boolean("TabStop", &TMemo::TabStop, &TMemo::SetTabStop, true);
  RegisterComponentClass<TMemo>();

  RegisterProperties<TCustomImageList>()
      .Integer("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16)
      .Integer("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, 16)
      .Boolean("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked, true);
  RegisterProperties<TImageList>();
  RegisterComponentClass<TImageList>();

  RegisterProperties<TDataSet>();
  RegisterProperties<TClientDataSet>().Boolean("Active", &TClientDataSet::Active,
                                               &TClientDataSet::SetActive, false);
  RegisterComponentClass<TClientDataSet>();

  RegisterProperties<TTimer>()
      .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
      .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true);
  RegisterComponentClass<TTimer>();

  RegisterProperties<TMenuItem>()
      .String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
      .Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
      .Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
      .Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
      .Integer("Command", &TMenuItem::Command, &TMenuItem::SetCommand, 0);
  RegisterComponentClass<TMenuItem>();
  RegisterProperties<TPopupMenu>().Boolean("AutoPopup", &TPopupMenu::AutoPopup,
                                           &TPopupMenu::SetAutoPopup, true);
  RegisterComponentClass<TPopupMenu>();
}

} // namespace

void EnsureFormsClassesRegistered() {
  static bool done = false;
  if (done) return;
  done = true;
  registerAll();
}
