// TRTFLabel: a windowless label that shows formatted text given as rich text.
// It keeps a hidden rich edit, loads RichText into it when it paints and has
// it render the text into the label's canvas (EM_FORMATRANGE), over the
// label's own background.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/RichEdit.h"
#include "platform/forms/StdCtrls.h"

/// The twips rectangle the label asks the rich edit to fill for the pixel
/// rectangle `r`: one pixel in from its top-left corner, one pixel less wide
/// and high, at the given resolution (0 counts as 96), rounded half to even.
RECT RichTextTwips(const TRect& r, int dpiX, int dpiY);

class TRTFLabel : public TLabel {
  SK_CLASS(TRTFLabel, TLabel)
public:
  explicit TRTFLabel(TComponent* owner);
  ~TRTFLabel() override;

  /// The rich text; assigning it does not repaint by itself.
  const std::string& RichText() const { return richText_; }
  void SetRichText(const std::string& v) { richText_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  /// "1.3.0.0"; writing it does nothing.
  std::string Version() const;
  void SetVersion(const std::string&) {}
  virtual std::uint32_t PackedVersion() const { return 0x01030000u; }
  TRichEdit* RichEdit() const { return richEdit_; }

  void Loaded() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  /// Loads RichText into the rich edit and has it draw into `rect`.
  void RenderText(TCanvas* canvas, const TRect& rect);

  int updateCount_ = 0; // painting is skipped while above 0

private:
  TRichEdit* richEdit_ = nullptr; // owned as a component of the label
  std::string richText_;
  bool wordWrap_ = false;
  bool painting_ = false;
};

void RegisterRTFLabel();
