#include "controls/rtflabel.h"

#include "controls/OwPaintUtil.h"
#include "platform/forms/Properties.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"

RECT RichTextTwips(const TRect& r, int dpiX, int dpiY) {
  if (dpiX == 0) dpiX = 96;
  if (dpiY == 0) dpiY = 96;
  auto twips = [](int pixels, int dpi) { return int(Round(Extended(pixels) / dpi * 1440)); };
  RECT t;
  t.Left = twips(r.Left + 1, dpiX);
  t.Top = twips(r.Top + 1, dpiY);
  t.Right = t.Left + twips(r.Right - r.Left - 1, dpiX);
  t.Bottom = t.Top + twips(r.Bottom - r.Top - 1, dpiY);
  return t;
}

TRTFLabel::TRTFLabel(TComponent* owner) : TLabel(owner) {
  richEdit_ = new TRichEdit(this);
  richEdit_->OnResizeRequest = [](TPersistent*, const TRect&) {};
  SetAutoSize(false);
  SetCaption("");
}

TRTFLabel::~TRTFLabel() {
  delete richEdit_;
  richEdit_ = nullptr;
}

std::string TRTFLabel::Version() const {
  return PackedVersionText(PackedVersion());
}

void TRTFLabel::Loaded() {
  TLabel::Loaded();
  richEdit_->SetVisible(false);
  richEdit_->SetBounds(0, 0, 10, 10);
  richEdit_->SetWordWrap(false);
  richEdit_->SetBorderStyle(TBorderStyle::bsNone);
  SetCaption("");
}

void TRTFLabel::SetWordWrap(bool v) {
  wordWrap_ = v;
  if (Parent() && richEdit_ && !IsLoading()) richEdit_->SetWordWrap(v);
}

void TRTFLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TLabel::MouseDown(button, shift, x, y);
}

void TRTFLabel::Paint() {
  if (!Caption().empty()) SetCaption("");
  TLabel::Paint();
  if (updateCount_ > 0 || !richEdit_ || painting_) return;
  painting_ = true;
  auto done = ScopeExit([this] { painting_ = false; });
  richEdit_->SetParent(Parent());
  if (Parent() && Parent()->HandleAllocated()) {
    HWND h = richEdit_->Handle();
    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    richEdit_->SetHeight(0);
    SetBkMode(Canvas()->Handle(), TRANSPARENT);
    RenderText(Canvas(), TRect(0, 0, Width(), Height()));
    richEdit_->SetParent(nullptr);
  }
}

void TRTFLabel::RenderText(TCanvas* canvas, const TRect& rect) {
  TMemoryStream stream;
  if (!richText_.empty()) stream.Write(richText_.data(), std::int64_t(richText_.size()));
  stream.SetPosition(0);
  richEdit_->Lines()->LoadFromStream(stream);
  HDC dc = canvas->Handle();
  const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  const TColor background = Transparent() ? (Parent() ? Parent()->Color() : Color()) : Color();
  richEdit_->Perform(EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(background)));
  FORMATRANGE range;
  range.hdc = dc;
  range.hdcTarget = dc;
  range.rc = RichTextTwips(rect, dpiX, dpiY);
  range.rcPage = range.rc;
  range.chrg.cpMin = 0;
  range.chrg.cpMax = -1;
  richEdit_->Perform(EM_FORMATRANGE, 1, LPARAM(&range));
  richEdit_->Perform(EM_FORMATRANGE, 0, 0);
}

void RegisterRTFLabel() {
  EnsureFormsClassesRegistered();
  using L = TRTFLabel;
  RegisterProperties<L>()
      .String("RichText", &L::RichText, &L::SetRichText, "")
      .Boolean("WordWrap", &L::WordWrap, &L::SetWordWrap, false)
      .String("Version", &L::Version, &L::SetVersion, "1.3.0.0");
  RegisterComponentClass<L>();
}
