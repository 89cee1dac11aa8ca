// The meridian distance and footpoint latitude series that the Bonne,
// polyconic, sinusoidal and Cassini projections share, and the series of the
// latitude from the conformal latitude of Mercator and the conformal
// iterations (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

/// The series in e² of the meridian distance and in ε of the footpoint
/// latitude.
struct TGIS_MeridianSeries {
  long double E0 = 1, E1 = 0, E2 = 0, E3 = 0; // meridian distance
  long double J1 = 0, J2 = 0, J3 = 0, J4 = 0; // footpoint latitude

  /// The coefficients of the ellipsoid of eccentricity squared `e2`.
  void Compute(long double e2);

  /// M(φ) / a: the meridian distance from the equator in semi-major axes.
  double Distance(double latitude) const;

  /// dM/dφ / a.
  double Derivative(double latitude) const;

  /// The latitude of the rectifying latitude `mu`.
  double Footpoint(double mu) const;

  /// Distance and Derivative at once, from sin 2φ and cos 2φ (the multiple
  /// angles by recurrence: no further sine or cosine), for iterations.
  void DistanceAndDerivative(double latitude, double sin2, double cos2, double& distance,
                             double& derivative) const;

private:
  double d0_ = 1, d1_ = 0, d2_ = 0, d3_ = 0; // E0..E3 as doubles
};

/// The series in e² of the latitude from the conformal latitude χ:
/// φ = χ + A2 sin 2χ + A4 sin 4χ + A6 sin 6χ + A8 sin 8χ.
struct TGIS_ConformalSeries {
  long double A2 = 0, A4 = 0, A6 = 0, A8 = 0;

  /// The coefficients of the ellipsoid of eccentricity squared `e2`.
  void Compute(long double e2);

  /// The latitude of the conformal latitude `chi` (within 1e-11 rad on the
  /// earth's ellipsoids).
  double Latitude(double chi) const;
};
