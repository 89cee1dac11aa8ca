#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "platform/forms/Loading.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Strings.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

TEST(StdCtrls, PanelPaintsItsBevelAndFace) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(TAlign::alBottom);
  panel->SetHeight(27);
  panel->HandleNeeded();
  panel->Update();
  EXPECT_EQ(panel->Top(), form.ClientHeight() - 27);
  EXPECT_EQ(BufferPixel(panel, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(BufferPixel(panel, panel->Width() - 1, 26), ColorToRGB(clBtnShadow));
  EXPECT_EQ(BufferPixel(panel, 10, 10), ColorToRGB(clBtnFace));
  panel->SetBevelOuter(TBevelCut::bvLowered);
  panel->Update();
  EXPECT_EQ(BufferPixel(panel, 0, 0), ColorToRGB(clBtnShadow));
}

TEST(StdCtrls, LabelSizesToItsCaptionAndDrawsIntoItsParent) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* panel = new TPanel(&form);
  panel->SetBounds(0, 0, 300, 40);
  panel->SetParent(&form);
  panel->SetBevelOuter(TBevelCut::bvNone);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetLeft(5);
  label->Font()->SetName("Arial");
  label->Font()->SetHeight(-13);
  label->SetCaption("59.5");
  int shortWidth = label->Width();
  EXPECT_GT(shortWidth, 10);
  EXPECT_GT(label->Height(), 10);
  label->SetCaption("59.512345");
  EXPECT_GT(label->Width(), shortWidth);
  panel->HandleNeeded();
  panel->Update();
  int dark = 0;
  for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
    for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
      if (GetRValue(BufferPixel(panel, x, y)) < 100) ++dark;
  EXPECT_GT(dark, 10); // the text's pixels
  EXPECT_EQ(BufferPixel(panel, label->Left() + label->Width() + 5, 5), ColorToRGB(clBtnFace));
  // A label of its own colour fills its background on every paint (each
  // paint leaves the canvas brush clear behind it).
  label->SetColor(clYellow);
  for (int paint = 0; paint < 2; ++paint) {
    panel->Invalidate();
    panel->Update();
    EXPECT_EQ(BufferPixel(panel, label->Left() + label->Width() - 1, label->Top()), 0x00FFFFu)
        << "paint " << paint;
  }
}

TEST(StdCtrls, EditTypesThroughQtUnlessTheKeyIsSwallowed) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  form.Show();
  std::vector<std::string> changes;
  edit->OnChange = [&](TPersistent*) { changes.push_back(edit->Text()); };
  auto type = [&](int key, const char* text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromUtf8(text));
    QApplication::sendEvent(edit->Widget(), &press);
  };
  type(Qt::Key_A, "a");
  type(Qt::Key_B, "b");
  EXPECT_EQ(edit->Text(), "ab");
  edit->OnKeyPress = [](TPersistent*, char& key) {
    if (key == 'x') key = 0; // swallowed: Qt never sees it
  };
  type(Qt::Key_X, "x");
  type(Qt::Key_C, "c");
  EXPECT_EQ(edit->Text(), "abc");
  edit->SetText("file.txt");
  EXPECT_EQ(static_cast<QLineEdit*>(edit->Widget())->text().toStdString(), "file.txt");
  EXPECT_EQ(changes, (std::vector<std::string>{"a", "ab", "abc", "file.txt"}));
  edit->SetMaxLength(4);
  EXPECT_EQ(edit->Text(), "file");
  edit->SelectAll();
  EXPECT_EQ(edit->SelText(), "file");
  EXPECT_EQ(edit->BackBuffer(), nullptr); // native controls have no buffer
}

TEST(StdCtrls, StoredDefinitionOfAStatusPanel) {
  TForm form(nullptr);
  ReadDefinition(&form, R"(object F: TForm
  ClientWidth = 400
  ClientHeight = 300
  object panelbottom: TPanel
    Align = alBottom
    Height = 27
    BevelOuter = bvLowered
    object lat: TLabel
      Left = 4
      Top = 6
      Caption = 'Lat'
    end
  end
  object filep: TEdit
    Left = 8
    Top = 8
    Text = 'a.shp'
  end
end
)");
  EXPECT_EQ(GetComponentPropText(form, "filep.Text"), "a.shp");
  EXPECT_EQ(GetComponentPropText(form, "panelbottom.BevelOuter"), "bvLowered");
  auto* lat = dynamic_cast<TLabel*>(form.FindComponent("lat"));
  ASSERT_NE(lat, nullptr);
  EXPECT_GT(lat->Width(), 0); // sized at its loaded step
  EXPECT_EQ(form.FindComponent("panelbottom")->ClassName(), "TPanel");
}

} // namespace

namespace {

TEST(StdCtrls, FocusMovesInsideAFormFireExitThenEnter) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* a = new TEdit(&form);
  a->SetName("a");
  a->SetParent(&form);
  auto* b = new TEdit(&form);
  b->SetName("b");
  b->SetTop(40);
  b->SetParent(&form);
  std::vector<std::string> steps;
  for (TEdit* e : {a, b}) {
    e->OnEnter = [&steps, e](TPersistent*) { steps.push_back("enter " + e->Name()); };
    e->OnExit = [&steps, e](TPersistent*) { steps.push_back("exit " + e->Name()); };
  }
  form.Show();
  PumpEvents();
  a->SetFocus();
  PumpEvents();
  b->SetFocus();
  PumpEvents();
  EXPECT_EQ(steps, (std::vector<std::string>{"enter a", "exit a", "enter b"}));
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(form.ActiveControl(), b);
  // The form coming back to the foreground gives b the focus again: no enter.
  SendMessage(b->Handle(), WM_KILLFOCUS, 0, 1);
  SendMessage(b->Handle(), WM_SETFOCUS, 0, 1);
  EXPECT_EQ(steps.size(), 3u);
  b->Hide();
  EXPECT_THROW(b->SetFocus(), EInvalidOperation);
}

} // namespace

namespace {

TEST(StdCtrls, MemoLinesAndTextWithCrLf) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  int changes = 0;
  memo->OnChange = [&](TPersistent*) { ++changes; };
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ(memo->MemoText(), "first\r\nsecond\r\n");
  memo->HandleNeeded();
  auto* editor = static_cast<QPlainTextEdit*>(memo->Widget());
  EXPECT_EQ(editor->toPlainText().toStdString(), "first\nsecond");
  editor->setPlainText("a\nb\nc"); // as typing would
  EXPECT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(2), "c");
  int before = changes;
  memo->SetText("one\r\ntwo");
  EXPECT_EQ(editor->toPlainText().toStdString(), "one\ntwo");
  EXPECT_GT(changes, before);
}

} // namespace

namespace {

/// A native control whose input arrives in an inner widget.
class TWrapped : public TWinControl {
  SK_CLASS(TWrapped, TWinControl)
public:
  using TWinControl::TWinControl;
  std::vector<std::string> Got;
  QWidget* Inner = nullptr;

protected:
  QWidget* CreateWidget(QWidget* parent) override {
    auto* outer = new QWidget(parent);
    Inner = new QLineEdit(outer);
    Inner->setGeometry(10, 5, 60, 20);
    AttachInputWidget(Inner);
    return outer;
  }
  bool HasBackBuffer() const override { return false; }
  void MouseDown(TMouseButton, TShiftState, int x, int y) override {
    Got.push_back("down " + IntToStr(x) + "," + IntToStr(y));
  }
};

TEST(StdCtrls, InputOfAnInnerWidgetReachesTheControl) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* w = new TWrapped(&form);
  w->SetBounds(0, 0, 100, 40);
  w->SetParent(&form);
  form.Show();
  ASSERT_NE(w->Inner, nullptr);
  QPointF p(2, 3);
  QMouseEvent press(QEvent::MouseButtonPress, p, w->Inner->mapToGlobal(p), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->Inner, &press);
  EXPECT_EQ(w->Got, (std::vector<std::string>{"down 12,8"})); // in the control's coordinates
}

} // namespace

namespace {

TEST(StdCtrls, SpeedButtonsClickGroupAndPaintTheirGlyph) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* panel = new TPanel(&form);
  panel->SetBounds(0, 0, 200, 40);
  panel->SetParent(&form);
  panel->SetBevelOuter(TBevelCut::bvNone);
  auto* b1 = new TSpeedButton(&form);
  b1->SetBounds(10, 5, 30, 30);
  b1->SetParent(panel);
  auto* b2 = new TSpeedButton(&form);
  b2->SetBounds(50, 5, 30, 30);
  b2->SetParent(panel);
  int clicks = 0;
  b1->OnClick = [&](TPersistent*) { ++clicks; };
  TBitmap glyph(8, 8);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(TRect(0, 0, 8, 8));
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(TRect(2, 2, 6, 6));
  b1->SetGlyph(&glyph);
  panel->HandleNeeded();
  panel->Update();
  // The glyph is centred (11 + 4 = 15 .. 23 on x); its key colour is left out.
  EXPECT_EQ(BufferPixel(panel, 10 + 11 + 3, 5 + 11 + 3), RGB(255, 0, 0));
  EXPECT_EQ(BufferPixel(panel, 10 + 11, 5 + 11), ColorToRGB(clBtnFace));
  EXPECT_EQ(BufferPixel(panel, 10, 5), ColorToRGB(clBtnHighlight)); // raised edge

  TestInput::MouseDown(panel, TMouseButton::mbLeft, 15, 10);
  EXPECT_TRUE(b1->Pressed());
  panel->Update();
  EXPECT_EQ(BufferPixel(panel, 10, 5), ColorToRGB(clBtnShadow));   // sunk while pressed
  TestInput::MouseMove(panel, 150, 10, {TShiftStateItem::ssLeft}); // dragged off
  EXPECT_FALSE(b1->Pressed());
  TestInput::MouseUp(panel, TMouseButton::mbLeft, 150, 10);
  EXPECT_EQ(clicks, 0); // released outside
  TestInput::Click(panel, TMouseButton::mbLeft, 15, 10);
  EXPECT_EQ(clicks, 1);

  // A group: one button down at a time; the last one stays down.
  b1->SetGroupIndex(1);
  b2->SetGroupIndex(1);
  TestInput::Click(panel, TMouseButton::mbLeft, 15, 10);
  EXPECT_TRUE(b1->Down());
  TestInput::Click(panel, TMouseButton::mbLeft, 55, 10);
  EXPECT_TRUE(b2->Down());
  EXPECT_FALSE(b1->Down());
  TestInput::Click(panel, TMouseButton::mbLeft, 55, 10);
  EXPECT_TRUE(b2->Down());
  b2->SetAllowAllUp(true);
  TestInput::Click(panel, TMouseButton::mbLeft, 55, 10);
  EXPECT_FALSE(b2->Down());
}

TEST(StdCtrls, GroupBoxDrawsAnEtchedFrameUnderItsCaption) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* g = new TGroupBox(&form);
  g->SetBounds(0, 0, 150, 80);
  g->SetCaption("WGS 84");
  g->SetParent(&form);
  g->HandleNeeded();
  g->Update();
  EXPECT_EQ(BufferPixel(g, 0, 60), ColorToRGB(clBtnShadow));
  EXPECT_EQ(BufferPixel(g, 1, 60), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(BufferPixel(g, 40, 60), ColorToRGB(clBtnFace));
  int dark = 0;
  for (int x = 8; x < 60; ++x)
    for (int y = 0; y < 14; ++y)
      if (GetRValue(BufferPixel(g, x, y)) < 100) ++dark;
  EXPECT_GT(dark, 10); // the caption
}

} // namespace

namespace {

TEST(StdCtrls, AMemoTemplateStoredAsAListOfStrings) {
  TForm form(nullptr);
  ReadDefinition(&form, R"(object F: TForm
  object Mtemplate: TMemo
    Lines.Strings = (
      'first line'
      'second '#39'quoted'#39 +
        ' part'
      '')
  end
  object Empty: TMemo
    Lines.Strings = ()
  end
end
)");
  auto* memo = dynamic_cast<TMemo*>(form.FindComponent("Mtemplate"));
  ASSERT_NE(memo, nullptr);
  ASSERT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(0), "first line");
  EXPECT_EQ(memo->Lines()->Strings(1), "second 'quoted' part");
  EXPECT_EQ(memo->Lines()->Strings(2), "");
  EXPECT_EQ(dynamic_cast<TMemo*>(form.FindComponent("Empty"))->Lines()->Count(), 0);
}

} // namespace

namespace {

TEST(StdCtrls, HintWindowSizesItsTextAndShowsWithoutActivation) {
  THintWindow hint(nullptr);
  hint.Font()->SetName("Arial");
  hint.Font()->SetHeight(-13);
  TRect one = hint.CalcHintRect(300, "Zoom in");
  TRect two = hint.CalcHintRect(300, "Zoom in\r\nZoom out");
  TRect wrapped = hint.CalcHintRect(40, "Zoom in and out");
  EXPECT_GT(one.Width(), 20);
  EXPECT_GT(two.Height(), one.Height());
  EXPECT_GT(wrapped.Height(), one.Height());
  EXPECT_LE(wrapped.Width(), one.Width() + 40);
  TRect at(100, 120, 100 + one.Width(), 120 + one.Height());
  hint.ActivateHint(at, "Zoom in");
  EXPECT_TRUE(hint.IsShown());
  EXPECT_EQ(hint.BoundsRect(), at);
  EXPECT_EQ(BufferPixel(&hint, 1, 1), ColorToRGB(clInfoBk));
  EXPECT_TRUE(hint.Widget()->testAttribute(Qt::WA_ShowWithoutActivating));
  hint.ReleaseHandle();
  EXPECT_FALSE(hint.IsShown());
}

} // namespace
