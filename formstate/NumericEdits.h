// Numeric edits: TCustomNumEdit and TCurrencyEdit hold an extended number.
//
// Typed keys are judged so that the text stays a number with at most
// DecimalPlaces digits after the decimal separator; the value is kept within
// MinValue..MaxValue (equal bounds: none; MinValue > MaxValue with MaxValue 0:
// the lower bound only; with MinValue 0: the upper bound only). While the
// edit has the focus it shows the plain editing form of the number
// ("0.#####" for 5 places); without the focus it paints the value with the
// DisplayFormat picture. TCurrencyEdit hides the combo edit's button.
#pragma once

#include <string>

#include "formstate/ComboEdits.h"

class TCustomNumEdit : public TCustomComboEdit {
  SK_CLASS(TCustomNumEdit, TCustomComboEdit)
public:
  explicit TCustomNumEdit(TComponent* owner);

  /// Parses the edit text first (outside design); a text that is no number
  /// gives MinValue.
  long double Value();
  void SetValue(long double value);
  long double MinValue() const { return minValue_; }
  void SetMinValue(long double value);
  long double MaxValue() const { return maxValue_; }
  void SetMaxValue(long double value);
  int DecimalPlaces() const { return decimalPlaces_; }
  void SetDecimalPlaces(int value);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool v) { beepOnError_ = v; }
  bool CheckOnExit() const { return checkOnExit_; }
  void SetCheckOnExit(bool v) { checkOnExit_ = v; }
  bool ZeroEmpty() const { return zeroEmpty_; }
  void SetZeroEmpty(bool value);
  bool FormatOnEditing() const { return formatOnEditing_; }
  void SetFormatOnEditing(bool value);
  bool HasFocus() const { return hasFocus_; }

  /// Normalises, converts (EConvertError when no number) and clamps the text
  /// into Value; ignored while the control is read from a definition.
  void SetText(const std::string& value) override;
  /// Text := '' (so Value becomes 0, clamped).
  void Clear();

  /// The value truncated toward zero; ERangeError when it lies outside the
  /// 32-bit range.
  int GetIntegerValue();
  void SetIntegerValue(int value);

  /// The bounds applied to v; with `raiseOnChange` a changed value raises
  /// ERangeError "Value must be between <min> and <max>".
  long double ClampToRange(long double v, bool raiseOnChange) const;
  /// Whether typing `key` at the selection leaves an acceptable text.
  virtual bool AcceptsKey(char key);
  /// The text painted while the edit has no focus.
  virtual std::string GetUnfocusedText();
  /// Paints the unfocused face into a DC of the client's size.
  void PaintUnfocusedText(HDC dc, const TRect& client);
  virtual std::string StandardDisplayFormat() const { return ",0.##"; }
  void Dispatch(TMessage& message) override;
  void Loaded() override;

protected:
  virtual void RefreshEditText();
  void ParseEditText();
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;
  void Change() override;
  TBitmap* GetStandardGlyph() override;

private:
  void setFocusState(bool focused);
  void verifyRangeOnExit();
  void regroupEditText();
  void resetText();
  void installFacePainter();
  TAlignment alignment_ = TAlignment::taRightJustify;
  bool hasFocus_ = false;
  long double value_ = 0;
  long double minValue_ = 0;
  long double maxValue_ = 0;
  int decimalPlaces_ = 2;
  bool beepOnError_ = true;
  bool checkOnExit_ = false;
  bool zeroEmpty_ = true;
  bool formatOnEditing_ = false;
  bool reformatting_ = false;
  bool facePainter_ = false;
  std::string displayFormat_;
};

class TCurrencyEdit : public TCustomNumEdit {
  SK_CLASS(TCurrencyEdit, TCustomNumEdit)
public:
  explicit TCurrencyEdit(TComponent* owner);
  /// The locale's currency picture: ",0.00" style with the symbol placed.
  std::string StandardDisplayFormat() const override;
};

/// The text made ready for conversion: outer blanks gone, thousands
/// separators removed, '.' and ',' turned into the decimal separator where
/// they are not the thousands separator; '' gives "0", "-" gives "-0".
std::string NormalizeNumberText(const std::string& text);
/// Only sign, digit, exponent and decimal-separator characters, and the
/// first 63 of them convert.
bool IsFloatText(const std::string& text, long double& value);
/// Thousands separators put into the integer part (with `group`).
std::string InsertThousandSeparators(const std::string& text, bool group);
