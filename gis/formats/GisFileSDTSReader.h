// The walk every SDTS module reader shares: open the module, map subfield
// labels to record members, then decode record after record.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "gis/formats/GisFileSDTS.h"

namespace sdts_reader {

/// A subfield label and the record member it fills.
struct TLabel {
  const char* Label;
  TGIS_FileSDTS_Target Target;
};

template <class R, class M> TLabel L(const char* label, M R::* member) {
  return {label, SdtsTarget(member)};
}

/// Gives the labels of `description` their targets (unnamed labels keep none).
inline void MapLabels(TGIS_FileSDTS_DDAEntry& description, std::initializer_list<TLabel> labels) {
  for (auto& s : description.Subfields)
    for (const TLabel& l : labels)
      if (s.Label == l.Label) s.Target = l.Target;
}

/// The labels of a reference to another module's record (ATID, ISID, ...).
inline void MapRefLabels(TGIS_FileSDTS_DDAEntry& description) {
  MapLabels(description,
            {L("MODN", &TGIS_FileSDTS_ExtRef::MODN), L("RCID", &TGIS_FileSDTS_ExtRef::RCID)});
}

/// The same for the description of `tag`, when the module has one.
inline void MapRefLabels(TGIS_FileSDTS_ISO8211& file, const char* tag) {
  if (auto* d = file.FindDescription(tag)) MapRefLabels(*d);
}

/// How many records to make room for: what the statistics promise, but
/// never more than the module's bytes could hold.
inline std::size_t Presize(std::int32_t expected, const TGIS_FileSDTS_ISO8211& file) {
  if (expected <= 0) return 0;
  return std::size_t(std::min<std::int64_t>(expected, file.Size() / 8 + 1));
}

/// Reads every data record of a module into `list`: `setup` maps the labels
/// (the main field is the first description), `further` decodes each
/// further field of a record (its description found by tag; null when the
/// module describes no such tag). `maxRecords` stops early (identification).
template <class R, class TSetup, class TFurther>
void ReadModule(TGIS_FileSDTS& transfer, TGIS_FileSDTS_ISO8211& file, std::int32_t expected,
                std::vector<R>& list, TSetup setup, TFurther further,
                std::size_t maxRecords = std::size_t(-1)) {
  auto& descriptions = file.Descriptions();
  if (descriptions.empty()) return;
  setup(file);
  list.reserve(list.size() + Presize(expected, file));
  TGIS_FileSDTS_DirEntryArray entries(descriptions.size() + 1);
  std::size_t read = 0;
  while (read < maxRecords && file.ReadRecord(entries)) {
    R record{};
    if (entries.size() > 1) transfer.ReadFieldInto(entries[1], descriptions[0].Subfields, 0, &record);
    for (std::size_t k = 2; k < entries.size(); ++k) {
      if (entries[k].Data == nullptr) continue;
      further(record, file.FindDescription(entries[k].Tag), entries[k]);
    }
    list.push_back(std::move(record));
    ++read;
  }
}

/// No further fields.
struct TNoFurther {
  template <class R>
  void operator()(R&, TGIS_FileSDTS_DDAEntry*, TGIS_FileSDTS_DirEntry&) const {}
};

} // namespace sdts_reader
