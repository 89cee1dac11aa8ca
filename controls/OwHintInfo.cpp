#include "controls/OwHintInfo.h"

TOwHintInfo::TOwHintInfo()
    : picture_(std::make_unique<TGpPicture>()), notes_(std::make_unique<TStringList>()) {}

TOwHintInfo::~TOwHintInfo() = default;

void TOwHintInfo::SetPicture(const TGpPicture* picture) {
  picture_->Assign(picture);
}

void TOwHintInfo::SetNotes(const TStrings& lines) {
  notes_->Assign(lines);
}

void TOwHintInfo::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TOwHintInfo*>(source);
  if (!other || other == this) return;
  title_ = other->title_;
  notes_->Assign(*other->notes_);
  showHelp_ = other->showHelp_;
  picture_->Assign(other->picture_.get());
  wideTitle_ = other->wideTitle_;
  wideNotes_ = other->wideNotes_;
}
