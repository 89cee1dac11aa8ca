// TRichEdit: the platform's rich edit control as far as the system uses it.
// Its lines load rich text (or plain text) from a stream through the rich
// text reader (RtfReader.h), and it renders the document into any DC with
// EM_FORMATRANGE: paragraphs laid out in the target rectangle (in twips),
// each run in its face, size, weight, slant, underline and colour, aligned
// left, centred or right, wrapped at words when WordWrap is on and cut at
// the rectangle otherwise. Lines that do not fit below are left for the next
// call, whose start the message answers. It is never shown: its own window
// paints nothing.
//
// Messages: EM_FORMATRANGE (wParam 0 measures, non-zero draws; a null record
// releases the formatting kept between calls) and EM_SETBKGNDCOLOR (wParam
// 0: the colour in lParam; otherwise the system window colour). The
// background colour fills the target rectangle when the DC's background mode
// is opaque; over a transparent DC only the text is drawn.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/forms/Controls.h"
#include "platform/forms/RtfReader.h"
#include "platform/rtl/StringList.h"

enum : UINT { EM_FORMATRANGE = WM_USER + 57, EM_SETBKGNDCOLOR = WM_USER + 67 };

struct CHARRANGE {
  LONG cpMin = 0;
  LONG cpMax = 0; // -1: to the end
};

struct FORMATRANGE {
  HDC hdc = nullptr;
  HDC hdcTarget = nullptr;
  RECT rc;     // twips
  RECT rcPage; // twips
  CHARRANGE chrg;
};

class TRichEdit;

/// The rich edit's lines: the document's paragraphs as plain text. Loading
/// from a stream reads rich text when the bytes begin as such.
class TRichEditStrings : public TStringList {
public:
  explicit TRichEditStrings(TRichEdit& owner) : owner_(owner) {}
  void LoadFromStream(TStream& stream) override;

private:
  TRichEdit& owner_;
};

using TRichEditResizeEvent = std::function<void(TPersistent* Sender, const TRect& Rect)>;

class TRichEdit : public TWinControl {
  SK_CLASS(TRichEdit, TWinControl)
public:
  explicit TRichEdit(TComponent* owner);
  ~TRichEdit() override;

  TStrings* Lines() const { return lines_.get(); }
  /// Reads rich text (or plain text) into the control.
  void LoadDocument(std::string_view bytes);
  const TRtfDocument& Document() const { return document_; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v) { wordWrap_ = v; }
  /// The colour EM_SETBKGNDCOLOR set last (the window colour at first).
  TColor BackgroundColor() const { return background_; }
  /// The characters the document counts: each paragraph's text and one for
  /// its end.
  int TextLength() const;

  /// Asked when the content wants another size; the stand-in never asks.
  TRichEditResizeEvent OnResizeRequest;

  void Dispatch(TMessage& message) override;

private:
  LRESULT FormatRange(WPARAM draw, const FORMATRANGE* range);
  std::unique_ptr<TRichEditStrings> lines_;
  TRtfDocument document_;
  bool wordWrap_ = true;
  TColor background_;
  bool formatting_ = false; // formatting kept since the last release
};
