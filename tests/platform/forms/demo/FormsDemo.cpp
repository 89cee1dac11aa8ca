// A demo window built from a stored definition, as a user sees the layer:
// a captioned panel of speed buttons, a group box with labels, an edit and a
// memo, a custom-drawn dial that follows the mouse wheel (a drag draws XOR
// rubber bands) and a status panel. With --screenshot FILE it saves the
// screen after showing the window and ends; otherwise it runs until the
// window closes.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstring>

#include "platform/forms/Forms.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Properties.h"
#include "platform/rtl/Strings.h"

namespace {

class TDial : public TCustomControl {
  SK_CLASS(TDial, TCustomControl)
public:
  explicit TDial(TComponent* owner) : TCustomControl(owner) {
    SetBorderStyle(TBorderStyle::bsSingle);
    SetColor(clWhite);
  }
  int Position() const { return position_; }
  void SetPosition(int v) {
    position_ = v;
    Invalidate();
  }
  TNotifyEvent OnChange;

protected:
  void Paint() override {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    int cx = r.Width() / 2, cy = r.Height() / 2;
    int radius = std::min(cx, cy) - 10;
    for (int i = 0; i < 12; ++i) {
      c->Brush()->SetColor(RGB(20 * i, 120, 255 - 20 * i));
      c->Pen()->SetColor(clBlack);
      int rr = radius - i * radius / 12;
      c->Ellipse(cx - rr, cy - rr, cx + rr, cy + rr);
    }
    double a = position_ * 3.14159265358979 / 18;
    c->Pen()->SetColor(clRed);
    c->Pen()->SetWidth(3);
    c->MoveTo(cx, cy);
    c->LineTo(cx + int(std::cos(a) * radius), cy - int(std::sin(a) * radius));
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(8, 8, "Position " + IntToStr(position_));
  }
  bool DoMouseWheel(TShiftState, int delta, TPoint) override {
    SetPosition(position_ + (delta > 0 ? 1 : -1));
    if (OnChange) OnChange(this);
    return true;
  }
  void MouseDown(TMouseButton, TShiftState, int x, int y) override {
    down_ = TPoint(x, y);
    band_ = TRect();
  }
  void MouseMove(TShiftState shift, int x, int y) override {
    if (!shift.Contains(TShiftStateItem::ssLeft)) return;
    HDC dc = GetDC(Handle());
    SetROP2(dc, R2_NOT);
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    if (!band_.IsEmpty()) ::Rectangle(dc, band_.Left, band_.Top, band_.Right, band_.Bottom);
    band_ = TRect(std::min(down_.x, x), std::min(down_.y, y), std::max(down_.x, x),
                  std::max(down_.y, y));
    ::Rectangle(dc, band_.Left, band_.Top, band_.Right, band_.Bottom);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
  }
  void MouseUp(TMouseButton, TShiftState, int, int) override { Invalidate(); }

private:
  int position_ = 3;
  TPoint down_;
  TRect band_;
};

class TDemoForm : public TForm {
  SK_CLASS(TDemoForm, TForm)
public:
  explicit TDemoForm(TComponent* owner) : TForm(owner) {
    ReadDefinition(this, R"(object DemoForm: TDemoForm
  Left = 40
  Top = 40
  ClientWidth = 520
  ClientHeight = 360
  Caption = 'Windowing layer demo'
  object paneltop: TPanel
    Align = alTop
    Height = 34
    Caption = 'Tools'
    Alignment = taLeftJustify
    object open: TSpeedButton
      Left = 60
      Top = 5
      Width = 70
      Height = 24
      Caption = 'Open'
    end
    object save: TSpeedButton
      Left = 134
      Top = 5
      Width = 70
      Height = 24
      Caption = 'Save'
    end
    object grid: TSpeedButton
      Left = 208
      Top = 5
      Width = 70
      Height = 24
      Caption = 'Grid'
      GroupIndex = 1
      AllowAllUp = True
      Down = True
    end
  end
  object details: TGroupBox
    Left = 8
    Top = 42
    Width = 240
    Height = 276
    Caption = 'Position'
    object latlabel: TLabel
      Left = 12
      Top = 26
      Caption = 'Latitude:'
    end
    object latedit: TEdit
      Left = 90
      Top = 22
      Width = 136
      Height = 22
      Text = '46.0'
    end
    object lonlabel: TLabel
      Left = 12
      Top = 56
      Caption = 'Longitude:'
    end
    object lonedit: TEdit
      Left = 90
      Top = 52
      Width = 136
      Height = 22
      Text = '14.0'
    end
    object notes: TMemo
      Left = 12
      Top = 86
      Width = 214
      Height = 176
      Lines.Strings = (
        'A memo with two lines,'
        'and a third one.'
        'Wheel the dial to turn it.')
    end
  end
  object dial: TDial
    Left = 256
    Top = 42
    Width = 256
    Height = 276
    Position = 4
  end
  object panelbottom: TPanel
    Align = alBottom
    Height = 27
    BevelOuter = bvLowered
    Caption = 'Ready'
    Alignment = taLeftJustify
  end
end
)");
    auto* dial = static_cast<TDial*>(FindComponent("dial"));
    dial->OnChange = [this](TPersistent* s) {
      SetCaption("Position " + IntToStr(static_cast<TDial*>(s)->Position()));
    };
  }
};

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterProperties<TDial>().Integer("Position", &TDial::Position, &TDial::SetPosition, 0);
  RegisterComponentClass<TDial>();
  RegisterProperties<TDemoForm>();
  const char* shot = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--screenshot") == 0) shot = argv[i + 1];
  TDemoForm* form = nullptr;
  try {
    Application()->CreateForm(form);
    if (shot != nullptr) {
      QTimer::singleShot(800, [shot] {
        if (QScreen* s = QGuiApplication::primaryScreen()) s->grabWindow(0).save(shot);
        Application()->Terminate();
      });
    }
    Application()->Run();
  } catch (const EHalt& h) {
    return h.ExitCode();
  }
  return 0;
}
