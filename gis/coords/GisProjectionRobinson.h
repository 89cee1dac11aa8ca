// ROB: the Robinson world projection (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// Robinson's table of parallel lengths and distances from the equator at 5°
/// steps, interpolated with Stirling's second-difference formula, on a
/// sphere of radius a. The central meridian is kept unreduced and the
/// longitude difference is not reduced either.
class TGIS_ProjectionRobinson : public TGIS_RegisteredProjection<TGIS_ProjectionRobinson> {
public:
  static constexpr const char* kCode = "ROB";

  TGIS_ProjectionRobinson();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The row and fraction of an interpolation.
  struct Row {
    int Index;
    double Fraction;
  };
  /// A latitude in 5° steps (finite, not negative) as a table row and the
  /// fraction beyond it; the row never reaches past the table.
  static Row RowOf(double steps);
  /// The start latitude (degrees) of the inverse from the table of
  /// distances, by inverting the interpolation row by row.
  static double SearchLatitude(double yy);
  /// The latitude (degrees) whose northing offset is `y`, refined from
  /// `degrees`; `row` receives the row of the last step.
  double RefineLatitude(double degrees, double y, Row& row) const;
};
