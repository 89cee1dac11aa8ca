#include "gis/core/GisResource.h"

#include <algorithm>

#include "platform/rtl/Format.h"

namespace {

std::unique_ptr<TGIS_LocalizedNotifcation> gNotification;

} // namespace

void TGIS_LocalizedNotifcation::Add(const void* owner, std::function<void()> callback) {
  items_.push_back({owner, std::move(callback)});
}

void TGIS_LocalizedNotifcation::Remove(const void* owner) {
  std::erase_if(items_, [owner](const T_LocalizedNotifyItem& i) { return i.Owner == owner; });
}

void TGIS_LocalizedNotifcation::Notify() {
  // A callback may remove entries: walk a copy.
  const auto items = items_;
  for (const auto& item : items)
    if (item.Callback) item.Callback();
}

TGIS_LocalizedNotifcation* GisLocalizedNotification() {
  return gNotification.get();
}

void GisLocalizeMessages(const TGIS_LocalizeEvent& localizer) {
  if (localizer) {
    for (const auto& entry : GisMessages()) {
      if (entry.Key.empty()) continue;
      localizer(*entry.Text, std::string(entry.Key));
    }
  } else {
    for (const auto& entry : GisMessages())
      entry.Text->assign(entry.Default);
  }
  if (gNotification) gNotification->Notify();
}

void GisResourceInit() {
  if (!gNotification) gNotification = std::make_unique<TGIS_LocalizedNotifcation>();
  GisLocalizeMessages(nullptr);
}

void GisResourceDone() {
  gNotification.reset();
  for (const auto& entry : GisMessages()) {
    entry.Text->clear();
    entry.Text->shrink_to_fit();
  }
}

namespace {

// The first three characters read as the runtime reads an integer, so
// leading blanks and a sign count (" 12" gives 12, "-12" gives -12); 0 when
// they are no decimal integer (a hexadecimal "$1F" included).
int LeadingErrorNumber(const std::string& message) {
  if (message.size() < 3) return 0;
  const std::string_view head(message.data(), 3);
  if (head.find_first_of("$xX") != std::string_view::npos) return 0;
  Integer value = 0;
  return TryStrToInt(head, value) ? value : 0;
}

} // namespace

EGIS_Exception::EGIS_Exception(const std::string& message, const std::string& text, int value)
    : Exception(message), errorText_(text), errorValue_(value) {
  try {
    SetMessage(Format(message, {text, value}));
  } catch (...) {
    // The unformatted message stays.
  }
  try {
    errorNumber_ = LeadingErrorNumber(message);
  } catch (...) {
    errorNumber_ = 0;
  }
}
