// The process-wide datum list (part of the GisDatums module; see GisDatums.h
// for the map of the module).
#pragma once

#include "gis/coords/GisCodeList.h"
#include "gis/coords/GisDatum.h"

#include <array>
#include <string>

class TGIS_Ini;

class TGIS_DatumList {
public:
  /// Creates a datum and lists it under `code`, replacing a datum listed
  /// under that code (the replaced one stays alive until the list goes).
  /// The ten numbers are, for gisDatumThreeParameter: ΔX, σX, ΔY, σY, ΔZ,
  /// σZ, south, north, west, east (degrees); for gisDatumSevenParameter: ΔX,
  /// ΔY, ΔZ, rotation X, Y, Z (arc-seconds), scale, and three that are
  /// ignored; for the other kinds all ten are ignored. Returns the new datum.
  TGIS_Datum* AddDatum(TGIS_DatumKind kind, const std::string& code, const std::string& description,
                       const std::string& ellipsoidCode, const std::array<double, 10>& values);

  /// The datum listed under `code` (letter case ignored), or nullptr.
  TGIS_Datum* FindDatum(const std::string& code) const { return items_.Find(code); }

  /// The datum at a position of the code-sorted list.
  TGIS_Datum* GetDatum(int position) const { return items_.Item(position); }

  int Count() const { return items_.Count(); }

  /// The datum listed under "WGE" (WGS 84): every new projection starts with
  /// it.
  TGIS_Datum* DefaultDatum() const { return items_.Find("WGE"); }

  /// The datum listed under "WGD" (WGS 72).
  TGIS_Datum* WGS72Datum() const { return items_.Find("WGD"); }

  /// Reads the "Datum.*" keys of the ini's current section. A listed code
  /// gives the listed datum unchanged. Otherwise the datum is added from the
  /// section and nullptr is returned: as seven-parameter when a rotation is
  /// not 0 or "Datum.Scale" is neither 0 nor 1, else as three-parameter with
  /// the sigmas and the validity box (degrees; 0..0 when the keys are
  /// missing). "Datum.Scale" is in parts per million; a value within 1e-4
  /// of 1 (but not 1) is a factor 1 + s and is read as s. A numeric key
  /// whose text is no number adds nothing.
  TGIS_Datum* LoadDatum(TGIS_Ini& ini);

  /// Writes the "Datum.*" keys of the listed datum `code` into the ini's
  /// current section; nothing for an unlisted code.
  void SaveDatum(TGIS_Ini& ini, const std::string& code) const;

private:
  TGIS_CodeList<TGIS_Datum> items_;
};

/// The process-wide datum list; built with the built-in tables on first use
/// (GisBuildDatumTables).
TGIS_DatumList& GisDatumList();
