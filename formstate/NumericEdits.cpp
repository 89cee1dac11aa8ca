#include "formstate/NumericEdits.h"

#include <cmath>
#include <cstdint>

#include "formstate/EditGlyphs.h"
#include "formstate/FsGuards.h"
#include "formstate/StrUtils.h"
#include "formstate/VisUtils.h"
#include "platform/forms/EditExtras.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

// ---- number texts ------------------------------------------------------------------

std::string NormalizeNumberText(const std::string& text) {
  const TFormatSettings& fs = FormatSettings();
  const char dec = fs.DecimalSeparator, thou = fs.ThousandSeparator;
  std::string s = StrStripSpaces(text);
  if (dec != thou) s = StrRemoveChar(s, thou);
  const std::string decimal(1, dec);
  if (dec != '.' && thou != '.') s = StrReplaceAll(s, ".", decimal);
  if (dec != ',' && thou != ',') s = StrReplaceAll(s, ",", decimal);
  if (s.empty()) return "0";
  if (s == "-") return "-0";
  return s;
}

bool IsFloatText(const std::string& text, long double& value) {
  const char dec = FormatSettings().DecimalSeparator;
  for (char c : text)
    if (!(c == '+' || c == '-' || (c >= '0' && c <= '9') || c == 'E' || c == 'e' || c == dec))
      return false;
  Extended v = 0;
  if (!TryStrToFloat(text.substr(0, 63), v)) return false;
  value = v;
  return true;
}

std::string InsertThousandSeparators(const std::string& s, bool group) {
  int last = int(s.size());
  const bool isSigned = !s.empty() && (s[0] == '+' || s[0] == '-');
  const int first = isSigned ? 2 : 1;
  if (const int p = Pos(std::string(1, FormatSettings().DecimalSeparator), s); p > 0) last = p - 1;
  if (const int e = Pos("E", UpperCase(s)); e > 0) last = IntMin(e - 1, last);
  std::string result = s.substr(size_t(last));
  int count = 0;
  for (int i = last; i >= first; --i) {
    result.insert(result.begin(), s[size_t(i) - 1]);
    if (++count == 3 && group && i > first) {
      result.insert(result.begin(), FormatSettings().ThousandSeparator);
      count = 0;
    }
  }
  if (isSigned) result.insert(result.begin(), s[0]);
  return result;
}

// ---- TCustomNumEdit ------------------------------------------------------------------------

TCustomNumEdit::TCustomNumEdit(TComponent* owner) : TCustomComboEdit(owner) {
  TControlStyle style = ControlStyle();
  style.Exclude(TControlStyleItem::csSetCaption);
  SetControlStyle(style);
  SetMaxLength(0);
  displayFormat_ = StandardDisplayFormat();
  TEdit::SetText("");
  standardGlyphCount_ = 2;
  RefreshEditText();
  SetGlyphKind(TGlyphKind::gkDefault);
  SetButtonWidth(20);
  creating_ = false;
}

TBitmap* TCustomNumEdit::GetStandardGlyph() {
  return StandardEditGlyph("CEDITBMP");
}

long double TCustomNumEdit::ClampToRange(long double v, bool raiseOnChange) const {
  long double result = v;
  if (minValue_ < maxValue_) {
    result = v < minValue_ ? minValue_ : v > maxValue_ ? maxValue_ : v;
  } else if (minValue_ > maxValue_) {
    if (maxValue_ == 0) {
      if (v < minValue_) result = minValue_;
    } else if (minValue_ == 0) {
      if (v > maxValue_) result = maxValue_;
    }
  }
  if (raiseOnChange && result != v)
    throw ERangeError(Format(ResourceText("Value must be between %.*f and %.*f"),
                             {decimalPlaces_, minValue_, decimalPlaces_, maxValue_}));
  return result;
}

void TCustomNumEdit::ParseEditText() {
  value_ = ClampToRange(StrToExtended(NormalizeNumberText(Text())), false);
}

long double TCustomNumEdit::Value() {
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) return value_;
  try {
    ParseEditText();
  } catch (...) {
    value_ = minValue_;
  }
  return value_;
}

void TCustomNumEdit::SetValue(long double value) {
  value_ = ClampToRange(value, false);
  RefreshEditText();
  Invalidate();
}

void TCustomNumEdit::SetMinValue(long double value) {
  if (value == minValue_) return;
  minValue_ = value;
  SetValue(value_);
}

void TCustomNumEdit::SetMaxValue(long double value) {
  if (value == maxValue_) return;
  maxValue_ = value;
  SetValue(value_);
}

void TCustomNumEdit::SetDecimalPlaces(int value) {
  if (value < 0 || value == decimalPlaces_) return;
  decimalPlaces_ = value;
  RefreshEditText();
  Invalidate();
}

void TCustomNumEdit::SetDisplayFormat(const std::string& value) {
  if (value == displayFormat_) return;
  displayFormat_ = value;
  Invalidate();
  RefreshEditText();
}

void TCustomNumEdit::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TCustomNumEdit::SetZeroEmpty(bool value) {
  if (value == zeroEmpty_) return;
  zeroEmpty_ = value;
  RefreshEditText();
}

void TCustomNumEdit::SetFormatOnEditing(bool value) {
  if (value == formatOnEditing_) return;
  formatOnEditing_ = value;
  SetEditAlignment(value ? alignment_ : TAlignment::taLeftJustify);
  if (!hasFocus_) return;
  if (value) {
    regroupEditText();
  } else {
    ParseEditText();
    RefreshEditText();
  }
}

void TCustomNumEdit::SetText(const std::string& value) {
  if (ComponentState().Contains(TComponentStateItem::csReading)) return;
  value_ = ClampToRange(StrToExtended(NormalizeNumberText(value)), false);
  RefreshEditText();
  Invalidate();
}

void TCustomNumEdit::Clear() {
  SetText("");
}

int TCustomNumEdit::GetIntegerValue() {
  const long double t = std::trunc(Value());
  if (t < static_cast<long double>(INT32_MIN) || t > static_cast<long double>(INT32_MAX))
    throw ERangeError("Value must be between -2147483648 and 2147483647");
  return static_cast<int>(t);
}

void TCustomNumEdit::SetIntegerValue(int value) {
  SetValue(static_cast<long double>(value));
}

void TCustomNumEdit::RefreshEditText() {
  const std::string picture = decimalPlaces_ == 0 ? "0" : "0." + StrOfChar('#', decimalPlaces_);
  if (value_ == 0 && zeroEmpty_)
    TEdit::SetText("");
  else
    TEdit::SetText(FormatFloat(picture, static_cast<Extended>(value_)));
  if (HandleAllocated() && !facePainter_) installFacePainter();
}

std::string TCustomNumEdit::GetUnfocusedText() {
  if (!displayFormat_.empty()) return FormatFloat(displayFormat_, static_cast<Extended>(value_));
  return FloatToStr(static_cast<Extended>(value_));
}

void TCustomNumEdit::setFocusState(bool focused) {
  if (focused == hasFocus_) return;
  hasFocus_ = focused;
  Invalidate();
  TFlagGuard reformatting(reformatting_, true);
  RefreshEditText();
}

void TCustomNumEdit::verifyRangeOnExit() {
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || !checkOnExit_) return;
  ClampToRange(StrToExtended(NormalizeNumberText(Text())), true);
}

void TCustomNumEdit::resetText() {
  RefreshEditText();
  if (DirectInput()) SelectAll();
}

void TCustomNumEdit::regroupEditText() {
  TFlagGuard reformatting(reformatting_, true);
  std::string s = Text();
  const int oldLength = int(s.size());
  const bool empty = s.empty() || s == "-";
  const int selStart = HandleAllocated() ? SelStart() : 0;
  if (!empty) s = NormalizeNumberText(s);
  s = InsertThousandSeparators(s, displayFormat_.find(',') != std::string::npos);
  TEdit::SetText(s);
  if (HandleAllocated() && Focused() &&
      !ComponentState().Contains(TComponentStateItem::csDesigning))
    SetSelStart(IntMax(0, selStart + int(s.size()) - oldLength));
}

bool TCustomNumEdit::AcceptsKey(char key) {
  std::string s = Text();
  const int start = IntMin(HandleAllocated() ? SelStart() : int(s.size()), int(s.size()));
  const int length = HandleAllocated() ? IntMin(SelLength(), int(s.size()) - start) : 0;
  s.replace(size_t(start), size_t(length), std::string(1, key));
  s = NormalizeNumberText(s);
  const int p = Pos(std::string(1, FormatSettings().DecimalSeparator), s);
  if (p > 0) {
    const int e = Pos("E", UpperCase(s));
    const int digits = e > p ? e - p : int(s.size()) - p;
    if (digits > decimalPlaces_) return false;
  }
  long double v = 0;
  if (!IsFloatText(s, v)) return false;
  return !(minValue_ >= 0 && maxValue_ > 0 && v < 0);
}

void TCustomNumEdit::KeyPress(char& key) {
  const char dec = FormatSettings().DecimalSeparator, thou = FormatSettings().ThousandSeparator;
  if ((key == ',' || key == '.') && key != thou) key = dec;
  TCustomComboEdit::KeyPress(key);
  if (key == 0) return;
  if (static_cast<unsigned char>(key) < 32) {
    if (key == 27) {
      resetText();
      key = 0;
    }
    return;
  }
  if (!AcceptsKey(key)) {
    key = 0;
    if (beepOnError_) UxBeep();
  }
}

void TCustomNumEdit::DoEnter() {
  setFocusState(true);
  if (formatOnEditing_) regroupEditText();
  TCustomComboEdit::DoEnter();
}

void TCustomNumEdit::DoExit() {
  try {
    verifyRangeOnExit();
    ParseEditText();
  } catch (...) {
    if (DirectInput()) SelectAll();
    if (CanFocus()) SetFocus();
    throw;
  }
  setFocusState(false);
  SetSelStart(0);
  TCustomComboEdit::DoExit();
}

void TCustomNumEdit::Change() {
  if (reformatting_) return;
  if (formatOnEditing_ && hasFocus_) regroupEditText();
  TCustomComboEdit::Change();
}

void TCustomNumEdit::Loaded() {
  TCustomComboEdit::Loaded();
  installFacePainter();
}

void TCustomNumEdit::installFacePainter() {
  facePainter_ = true;
  SetEditUnfocusedPainter(this,
                          [this](HDC dc, const TRect& client) { PaintUnfocusedText(dc, client); });
}

void TCustomNumEdit::PaintUnfocusedText(HDC dc, const TRect& client) {
  TCanvas canvas;
  canvas.SetHandle(dc);
  auto detach = ScopeExit([&canvas] { canvas.SetHandle(nullptr); });
  const std::string text = GetUnfocusedText();
  canvas.Font()->Assign(*Font());
  if (!Enabled() && ColorToRGB(Color()) != ColorToRGB(clGrayText))
    canvas.Font()->SetColor(clGrayText);
  TRect r = client;
  if (!Ctl3D() && BorderStyle() == TBorderStyle::bsSingle) {
    canvas.Brush()->SetColor(clWindowFrame);
    canvas.FrameRect(r);
    r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  canvas.Brush()->SetColor(Color());
  int w = canvas.TextWidth(text);
  const int border = BorderStyle() == TBorderStyle::bsNone ? 0 : Ctl3D() ? 1 : 2;
  const int mx = 1 + border, my = border;
  const int buttonWidth = ButtonHolder()->Visible() ? ButtonWidth() : 0;
  if (buttonWidth > 0) ++w;
  int left = mx;
  if (alignment_ == TAlignment::taRightJustify)
    left = client.Right - buttonWidth - w - mx - 2;
  else if (alignment_ == TAlignment::taCenter)
    left = (client.Right - buttonWidth - w) / 2;
  canvas.TextRect(r, left, my, text);
}

void TCustomNumEdit::Dispatch(TMessage& m) {
  if (m.Msg != WM_PASTE) {
    TCustomComboEdit::Dispatch(m);
    return;
  }
  const std::string remembered = Text();
  try {
    TCustomComboEdit::Dispatch(m);
    ParseEditText();
  } catch (...) {
    TEdit::SetText(remembered);
    if (DirectInput()) SelectAll();
    if (CanFocus() && !Focused()) SetFocus();
    if (beepOnError_) UxBeep();
  }
}

// ---- TCurrencyEdit -------------------------------------------------------------------------

TCurrencyEdit::TCurrencyEdit(TComponent* owner) : TCustomNumEdit(owner) {
  SetDisplayFormat(StandardDisplayFormat());
  creating_ = true;
  SetButtonWidth(0);
  creating_ = false;
}

std::string TCurrencyEdit::StandardDisplayFormat() const {
  const TFormatSettings& fs = FormatSettings();
  const std::string n = ",0." + StrOfChar('0', fs.CurrencyDecimals);
  std::string symbol;
  for (char c : fs.CurrencyString)
    symbol += (c == '.' || c == ',') ? "'" + std::string(1, c) + "'" : std::string(1, c);
  std::string picture = n;
  if (!symbol.empty()) {
    switch (fs.CurrencyFormat) {
    case 0:
      picture = symbol + n;
      break;
    case 1:
      picture = n + symbol;
      break;
    case 2:
      picture = symbol + " " + n;
      break;
    case 3:
      picture = n + " " + symbol;
      break;
    default:
      break;
    }
  }
  return Format("%s;-%s", {picture, picture});
}
