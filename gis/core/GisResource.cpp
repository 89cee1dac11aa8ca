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

// The first three characters as a decimal number; 0 unless all three are
// decimal digits.
int LeadingErrorNumber(const std::string& message) {
  if (message.size() < 3) return 0;
  int value = 0;
  for (int i = 0; i < 3; ++i) {
    if (message[i] < '0' || message[i] > '9') return 0;
    value = value * 10 + (message[i] - '0');
  }
  return value;
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
