// Private to gis/coords: what the coordinate-system code uses of the kernel
// foundation (message texts, the kernel exception, float text) and the
// constants several files share.
#pragma once

#include "gis/core/GisDefs.h"
#include "gis/core/GisResource.h"

#include <string>

class TGIS_Ellipsoid;

namespace gis_coords {

/// Raises EGIS_Exception with a message-table text, an offending text and a
/// value.
[[noreturn]] void RaiseGis(const std::string& message, const std::string& text = std::string(),
                           int value = 0);

/// A radian value as the messages show it.
std::string FloatText(double value);

/// Raises the coordinate error (0217, with the value) unless X, Y and Z are
/// finite numbers.
void CheckFinite(const TGIS_Point3D& point);

/// The ellipsoids listed under "WE" and "WD"; 0200 when missing.
TGIS_Ellipsoid& WGS84Ellipsoid();
TGIS_Ellipsoid& WGS72Ellipsoid();

/// Arc-seconds per radian, as the datum rotations are given and stored.
inline constexpr double kArcSecondsPerRadian = 206264.8062471;

/// Radians per degree, as the validity boxes are given and stored.
inline constexpr double kRadiansPerDegree = 0.017453292519943295;

} // namespace gis_coords
