// The numeric edit: bounds, typed keys under three locales, texts and
// pictures, focus exit with and without the range check, paste, Esc, the
// integer accessors and the unfocused painting.
#include <gtest/gtest.h>

#include "formstate/NumericEdits.h"
#include "platform/forms/Clipboard.h"
#include "platform/forms/EditExtras.h"
#include "platform/forms/Loading.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

class TFNumbers : public TForm {
  SK_CLASS(TFNumbers, TForm)
public:
  explicit TFNumbers(TComponent* owner) : TForm(owner) {
    SetBounds(0, 0, 300, 200);
    edit = new TCurrencyEdit(this);
    edit->SetName("edit");
    edit->SetParent(this);
    edit->SetDecimalPlaces(5);
    edit->SetDisplayFormat("###0.#####");
    other = new TEdit(this);
    other->SetName("other");
    other->SetParent(this);
    other->SetTop(50);
  }
  TCurrencyEdit* edit;
  TEdit* other;
};

std::unique_ptr<TFNumbers, TFormFree> makeNumbersForm() {
  return std::unique_ptr<TFNumbers, TFormFree>(new TFNumbers(nullptr));
}

void typeKeys(TWinControl* c, const std::string& keys) {
  for (char k : keys)
    c->Perform(WM_CHAR, WPARAM(static_cast<unsigned char>(k)), 0);
}

void setLocale(char decimal, char thousands) {
  FormatSettings().DecimalSeparator = decimal;
  FormatSettings().ThousandSeparator = thousands;
}

} // namespace

TEST(NumericEdit, ClampToRange) {
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  struct Row {
    long double min, max, value, expected;
  };
  for (const Row& r : std::vector<Row>{{0, 0, -5, -5},
                                       {0, 100, 150, 100},
                                       {0, 100, -1, 0},
                                       {10, 0, 5, 10},
                                       {10, 0, 500, 500},
                                       {0, -5, 3, -5},
                                       {0, -5, -9, -9},
                                       {5, 1, 3, 3},
                                       {5, 1, 100, 100}}) {
    e->SetMinValue(0);
    e->SetMaxValue(0);
    e->SetMinValue(r.min);
    e->SetMaxValue(r.max);
    EXPECT_EQ(e->ClampToRange(r.value, false), r.expected)
        << double(r.min) << ".." << double(r.max);
  }
  e->SetMinValue(10);
  e->SetMaxValue(0);
  e->SetValue(3);
  EXPECT_EQ(e->Value(), 10.0L); // the setter clamps too
  EXPECT_THROW(e->ClampToRange(3, true), ERangeError);
}

TEST(NumericEdit, TypedKeysUnderThreeLocales) {
  TTestEnvironment env;
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  struct Row {
    char decimal, thousands;
    std::string start; // the text before typing (caret at the end)
    std::string keys;
    std::string expected;
    int beeps;
  };
  const std::vector<Row> rows = {
      {'.', ',', "", "12.5", "12.5", 0},
      {'.', ',', "1.12345", "6", "1.12345", 1}, // a sixth decimal
      {'.', ',', "", "1a", "1", 1},             // letters
      {'.', ',', "", "1,2", "1,2", 0},          // ',' is the thousands separator
      {',', '.', "", "3.5", "3.5", 0},          // '.' stays a thousands separator
      {',', '.', "", "3,5", "3,5", 0},
      {',', ' ', "", "7.25", "7,25", 0},  // '.' becomes the decimal comma
      {'.', ',', "1.25", "E", "1.25", 1}, // "1.25E" is no number
  };
  for (const Row& r : rows) {
    setLocale(r.decimal, r.thousands);
    e->SetMinValue(0);
    e->SetMaxValue(0);
    e->SetDecimalPlaces(5);
    e->TEdit::SetText(r.start);
    e->SetSelStart(int(r.start.size()));
    env.Beeps = 0;
    typeKeys(e, r.keys);
    EXPECT_EQ(e->Text(), r.expected) << r.decimal << " " << r.start << "+" << r.keys;
    EXPECT_EQ(env.Beeps, r.beeps) << r.keys;
  }
  setLocale('.', ',');
  // Two places: 'E' after 1.25 is refused (e - p = 3 digits).
  e->SetDecimalPlaces(2);
  e->TEdit::SetText("1.25");
  e->SetSelStart(4);
  typeKeys(e, "E");
  EXPECT_EQ(e->Text(), "1.25");
  // A non-negative range refuses a minus that makes the text negative, but
  // takes a lone minus.
  e->SetMinValue(0);
  e->SetMaxValue(100);
  e->TEdit::SetText("5");
  e->SetSelStart(0);
  typeKeys(e, "-");
  EXPECT_EQ(e->Text(), "5");
  e->TEdit::SetText("");
  typeKeys(e, "-");
  EXPECT_EQ(e->Text(), "-");
}

TEST(NumericEdit, TextsAndPictures) {
  TTestEnvironment env;
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  const char dec = FormatSettings().DecimalSeparator;
  auto local = [dec](std::string s) {
    for (char& c : s)
      if (c == '.') c = dec;
    return s;
  };
  e->SetValue(14.123456789L);
  EXPECT_EQ(e->Text(), local("14.12346"));
  e->SetValue(0.015625L);
  EXPECT_EQ(e->Text(), local("0.01563")); // half away from zero
  e->SetValue(46);
  EXPECT_EQ(e->Text(), "46");
  EXPECT_EQ(e->GetUnfocusedText(), "46");
  e->SetValue(0);
  EXPECT_EQ(e->Text(), ""); // ZeroEmpty
  EXPECT_EQ(e->GetUnfocusedText(), "0");
  e->SetZeroEmpty(false);
  EXPECT_EQ(e->Text(), "0");

  // Text normalises: blanks, thousands separators and either punctuation.
  e->SetText(" 1" + std::string(1, FormatSettings().ThousandSeparator) + "234" +
             std::string(1, dec) + "5 ");
  EXPECT_EQ(e->Value(), 1234.5L);
  EXPECT_THROW(e->SetText("abc"), EConvertError);
  e->SetMinValue(10);
  e->TEdit::SetText("1e");      // left after deleting with Backspace
  EXPECT_EQ(e->Value(), 10.0L); // a text that is no number reads as MinValue
  e->SetMinValue(0);

  // Text is ignored while the control is read from a definition.
  e->SetValue(5);
  e->BeginLoading();
  e->SetText("99");
  e->Loaded();
  EXPECT_EQ(e->Value(), 5.0L);

  TFormatSettingsGuard guard;
  setLocale('.', ',');
  EXPECT_EQ(NormalizeNumberText(""), "0");
  EXPECT_EQ(NormalizeNumberText("-"), "-0");
  EXPECT_EQ(NormalizeNumberText(" 1,234.5 "), "1234.5");
  EXPECT_EQ(InsertThousandSeparators("-1234567.5", true), "-1,234,567.5");
  EXPECT_EQ(InsertThousandSeparators("123", true), "123");
  EXPECT_EQ(InsertThousandSeparators("1234567E10", true), "1,234,567E10");
  FormatSettings().CurrencyString = "EUR.";
  FormatSettings().CurrencyFormat = 3;
  FormatSettings().CurrencyDecimals = 2;
  EXPECT_EQ(e->StandardDisplayFormat(), ",0.00 EUR'.';-,0.00 EUR'.'");
  FormatSettings().CurrencyString = "";
  EXPECT_EQ(e->StandardDisplayFormat(), ",0.00;-,0.00");
}

TEST(NumericEdit, IntegerAccessors) {
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  struct Row {
    long double value;
    int expected;
    bool fails;
  };
  for (const Row& r : std::vector<Row>{{-2.7L, -2, false},
                                       {2.7L, 2, false},
                                       {2147483647.0L, 2147483647, false},
                                       {-2147483648.0L, -2147483647 - 1, false},
                                       {4294967296.0L, 0, true},
                                       {1e30L, 0, true},
                                       {-1e30L, 0, true}}) {
    e->SetDecimalPlaces(5);
    e->SetValue(r.value);
    if (r.fails) {
      try {
        e->GetIntegerValue();
        ADD_FAILURE() << double(r.value);
      } catch (const ERangeError& err) {
        EXPECT_EQ(err.Message(), "Value must be between -2147483648 and 2147483647");
      }
    } else {
      EXPECT_EQ(e->GetIntegerValue(), r.expected) << double(r.value);
    }
  }
  e->SetIntegerValue(12);
  EXPECT_EQ(e->Value(), 12.0L);
  e->Clear();
  EXPECT_EQ(e->Value(), 0.0L);
}

TEST(NumericEdit, FocusExitChecksAndKeepsTheFocus) {
  TTestEnvironment env;
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  form->Show();
  int exits = 0;
  e->OnExit = [&](TPersistent*) { ++exits; };
  e->SetMinValue(10);
  e->SetMaxValue(100);
  e->SetCheckOnExit(true);
  e->Perform(WM_SETFOCUS, 0, 0);
  EXPECT_TRUE(e->HasFocus());
  e->TEdit::SetText("5");
  try {
    e->Perform(WM_KILLFOCUS, 0, 0);
    ADD_FAILURE();
  } catch (const ERangeError& err) {
    const char d = FormatSettings().DecimalSeparator;
    EXPECT_EQ(err.Message(),
              std::string("Value must be between 10") + d + "00000 and 100" + d + "00000");
  }
  EXPECT_TRUE(e->HasFocus());
  EXPECT_EQ(exits, 0);
  EXPECT_EQ(e->Text(), "5");

  // Without the check the value is clamped silently and OnExit fires.
  e->SetCheckOnExit(false);
  e->Perform(WM_KILLFOCUS, 0, 0);
  EXPECT_FALSE(e->HasFocus());
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(e->Value(), 10.0L);
  EXPECT_EQ(e->Text(), "10");

  // Esc puts back the text of the stored value.
  e->Perform(WM_SETFOCUS, 0, 0);
  e->SetSelStart(2);
  typeKeys(e, "7");
  EXPECT_EQ(e->Text(), "107");
  typeKeys(e, "\x1b");
  EXPECT_EQ(e->Text(), "10");
}

TEST(NumericEdit, PasteOfLettersRestoresTheTextAndBeeps) {
  TTestEnvironment env;
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  e->SetValue(42);
  Clipboard()->SetAsText("abc");
  e->SetSelStart(2);
  e->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(e->Text(), "42");
  EXPECT_EQ(env.Beeps, 1);
  Clipboard()->SetAsText("5");
  e->SetSelStart(2);
  e->SetSelLength(0);
  e->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(e->Text(), "425");
  EXPECT_EQ(e->Value(), 425.0L);
  // Read-only or no direct input: paste and typing are blocked.
  e->SetDirectInput(false);
  e->Perform(WM_PASTE, 0, 0);
  typeKeys(e, "1");
  EXPECT_EQ(e->Text(), "425");
}

TEST(NumericEdit, UnfocusedFacePaintsTheDisplayPicture) {
  auto form = makeNumbersForm();
  TCurrencyEdit* e = form->edit;
  e->SetBounds(0, 0, 100, 21);
  e->SetValue(0);
  TBitmap face(100, 21);
  face.Canvas()->Brush()->SetColor(clWhite);
  face.Canvas()->FillRect(TRect(0, 0, 100, 21));
  e->PaintUnfocusedText(face.Canvas()->Handle(), TRect(0, 0, 100, 21));
  // "0", right-aligned: ink in the right part only.
  int leftInk = 0, rightInk = 0;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 100; ++x)
      if (ColorToRGB(face.Canvas()->Pixels(x, y)) != ColorToRGB(clWhite) &&
          ColorToRGB(face.Canvas()->Pixels(x, y)) != ColorToRGB(e->Color()))
        (x < 70 ? leftInk : rightInk)++;
  EXPECT_EQ(leftInk, 0);
  EXPECT_GT(rightInk, 5);
}
