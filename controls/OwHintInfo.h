// TOwHintInfo: the content of a rich hint (a title, lines of notes, a picture
// and a help flag). A glass button publishes one so that it is edited and
// stored with the button; nothing in the system shows it.
#pragma once

#include <memory>
#include <string>

#include "controls/GpPicture.h"
#include "platform/forms/Components.h"
#include "platform/rtl/StringList.h"

class TOwHintInfo : public TPersistent {
public:
  TOwHintInfo();
  ~TOwHintInfo() override;
  std::string ClassName() const override { return "TOwHintInfo"; }

  TGpPicture* Picture() const { return picture_.get(); }
  /// Copies the given picture into the owned one.
  void SetPicture(const TGpPicture* picture);
  bool ShowHelp() const { return showHelp_; }
  void SetShowHelp(bool v) { showHelp_ = v; }
  TStringList* Notes() const { return notes_.get(); }
  /// Copies the lines into the owned list.
  void SetNotes(const TStrings& lines);
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  const std::u16string& WideTitle() const { return wideTitle_; }
  void SetWideTitle(const std::u16string& v) { wideTitle_ = v; }
  const std::u16string& WideNotes() const { return wideNotes_; }
  void SetWideNotes(const std::u16string& v) { wideNotes_ = v; }

  /// From another hint info: title, notes (line by line), help flag,
  /// picture and the wide texts; any other source is ignored.
  void Assign(const TPersistent* source) override;

private:
  std::unique_ptr<TGpPicture> picture_;
  bool showHelp_ = false;
  std::unique_ptr<TStringList> notes_;
  std::string title_;
  std::u16string wideTitle_;
  std::u16string wideNotes_;
};
