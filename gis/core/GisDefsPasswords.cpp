#include "gis/core/GisDefsPasswords.h"

#include <memory>

#include "platform/rtl/Strings.h"

namespace {

std::unique_ptr<TGIS_PasswordList> gPasswords;

std::string PasswordKey(const std::string& prefix, const std::string& name) {
  return UpperCase(prefix + "." + name);
}

} // namespace

void TGIS_PasswordList::Put(const std::string& key, const std::string& value) {
  for (auto& line : lines_) {
    if (line.first == key) {
      line.second = value;
      return;
    }
  }
  lines_.emplace_back(key, value);
}

void TGIS_PasswordList::Add(const std::string& prefix, const std::string& name,
                            const std::string& value) {
  if (value.empty()) return;
  Put(PasswordKey(prefix, name), value);
}

std::string TGIS_PasswordList::Get(const std::string& prefix, const std::string& name) const {
  const std::string key = PasswordKey(prefix, name);
  for (const auto& line : lines_)
    if (line.first == key) return line.second;
  return std::string();
}

void TGIS_PasswordList::Merge(const TGIS_PasswordList* other) {
  if (!other || other == this) return;
  for (const auto& line : other->lines_)
    Put(line.first, line.second);
}

void TGIS_PasswordList::Clear() {
  lines_.clear();
}

TGIS_PasswordList& GisLayerPasswords() {
  if (!gPasswords) gPasswords = std::make_unique<TGIS_PasswordList>();
  return *gPasswords;
}

void GisPasswordsInit() {
  gPasswords = std::make_unique<TGIS_PasswordList>();
}

void GisPasswordsDone() {
  gPasswords.reset();
}
