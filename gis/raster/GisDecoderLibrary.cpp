#include "gis/raster/GisDecoderLibrary.h"

#include <utility>

TGIS_DecoderLibrary::TGIS_DecoderLibrary(std::string name, std::vector<std::string> required,
                                         std::vector<std::string> optional)
    : name_(std::move(name)), required_(std::move(required)), optional_(std::move(optional)) {}

bool TGIS_DecoderLibrary::Load() {
  if (module_) return true;
  HMODULE m = LoadLibrary(name_);
  if (!m) return false;
  std::vector<void*> entries;
  for (const std::string& e : required_) {
    void* p = GetProcAddress(m, e);
    if (!p) {
      FreeLibrary(m);
      return false;
    }
    entries.push_back(p);
  }
  for (const std::string& e : optional_)
    entries.push_back(GetProcAddress(m, e));
  module_ = m;
  entries_ = std::move(entries);
  return true;
}

void* TGIS_DecoderLibrary::Entry(const std::string& name) const {
  if (!module_) return nullptr;
  for (std::size_t i = 0; i < required_.size(); ++i)
    if (required_[i] == name) return entries_[i];
  for (std::size_t i = 0; i < optional_.size(); ++i)
    if (optional_[i] == name) return entries_[required_.size() + i];
  return nullptr;
}

bool TGIS_DecoderLibrary::DropInstance() {
  if (instances_ <= 0) return false;
  --instances_;
  if (instances_ == 0) Unload();
  return true;
}

void TGIS_DecoderLibrary::Unload() {
  if (!module_) return;
  FreeLibrary(module_);
  module_ = nullptr;
  entries_.clear();
}
