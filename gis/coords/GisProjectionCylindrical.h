// What the world-wide cylindrical and pseudocylindrical projections share
// (part of the GisProjections module; see GisProjections.h for the map of
// the module): east and west limits of the accepted eastings in place of a
// symmetric range, and northings beyond the range replaced by the false
// northing.
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

/// Offsets from the false easting of the accepted eastings.
struct TGIS_EastingLimits {
  double West = 0;
  double East = 0;
};

/// The limits from the projection's own Project at latitude `latitude`
/// (corrections included): with a central meridian east of 0 the east edge
/// stops 1° short of the antimeridian, west of 0 the west edge does; at 0
/// both reach it. Measured from the false easting.
TGIS_EastingLimits GisMeasureEastingLimits(TGIS_ProjectionAbstract& projection, double latitude);

/// Offsets from the false northing of the accepted northings.
struct TGIS_NorthingLimits {
  double South = 0;
  double North = 0;
};

/// The northings of the projection's own Project at ±`latitude` on the
/// meridian opposite the central one (π when it is 0), measured from the
/// false northing.
TGIS_NorthingLimits GisMeasureNorthingLimits(TGIS_ProjectionAbstract& projection, double latitude);

/// The fixed limits of the projections that keep them as numbers: `full`
/// on both sides, `reduced` on the side the central meridian leans to.
TGIS_EastingLimits GisFixedEastingLimits(double centralMeridian, double full, double reduced);

/// An easting outside FalseEasting + the limits set to that bound, with the
/// easting warning.
double GisCheckEastingLimits(TGIS_ProjectionAbstract& projection, double easting,
                             const TGIS_EastingLimits& limits);

/// A northing outside FalseNorthing ± |range| replaced by FalseNorthing, with
/// the northing warning.
double GisCheckNorthingOrOrigin(TGIS_ProjectionAbstract& projection, double northing, double range);
