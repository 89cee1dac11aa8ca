// The root of every projection (part of the GisProjections module; see
// GisProjections.h for the map of the module).
//
// A projection converts geodetic points (X = longitude, Y = latitude in
// radians, Z = height) on its datum to map points (X = easting, Y = northing
// in metres, Z passed through) and back. It never shifts datums: callers do
// that between the projection steps with TGIS_Datum::ToWGS84 / FromWGS84.
//
// Projections never raise for out-of-range input: they correct it and record
// a warning text (AddWarning); only the conditions a projection documents
// raise EGIS_Exception.
#pragma once

#include "gis/core/GisDefs.h"

#include <cstdint>
#include <memory>
#include <string>

class TGIS_Datum;
class TGIS_Ellipsoid;
class TGIS_Ini;

/// The parameters a projection uses, as bits of its parameter mask.
enum TGIS_ProjectionParameter : uint16_t {
  gisPrjCentralMeridian = 1,
  gisPrjOriginLatitude = 2,
  gisPrjFalseEasting = 4,
  gisPrjFalseNorthing = 8,
  gisPrjStandardParallel1 = 16,
  gisPrjStandardParallel2 = 32,
  gisPrjZone = 64,
  gisPrjScaleFactor = 128,
  gisPrjCenter = 256, // reported by no projection
  gisPrjAzimuth = 512,
  gisPrjPoint1 = 1024,
  gisPrjPoint2 = 2048,
};

/// A set of TGIS_ProjectionParameter bits.
using TGIS_ProjectionParameters = uint16_t;

/// Every parameter of a projection at once, in SetUp order.
struct TGIS_ProjectionSetUp {
  double CentralMeridian = 0;
  double OriginLatitude = 0;
  double FalseEasting = 0;
  double FalseNorthing = 0;
  double StandardParallel1 = 0;
  double StandardParallel2 = 0;
  double ScaleFactor = 1.0;
  double LongitudeOfCenter = 0;
  double LatitudeOfCenter = 0;
  double Azimuth = 0;
  double LongitudeOfPoint1 = 0;
  double LatitudeOfPoint1 = 0;
  double LongitudeOfPoint2 = 0;
  double LatitudeOfPoint2 = 0;
  int32_t Zone = 0;
};

class TGIS_ProjectionAbstract {
public:
  /// Sets the defaults: the datum list's default datum (WGS 84) and its
  /// ellipsoid, scale factor 1, every other parameter 0. Does not compute
  /// the constants: a subclass constructor sets its own defaults and then
  /// calls UpdateConstants.
  TGIS_ProjectionAbstract();
  virtual ~TGIS_ProjectionAbstract();

  TGIS_ProjectionAbstract(const TGIS_ProjectionAbstract&) = delete;
  TGIS_ProjectionAbstract& operator=(const TGIS_ProjectionAbstract&) = delete;

  // --- virtual operations, in slot order ---

  virtual std::string GetCode() const = 0;
  virtual std::string GetDescription() const = 0;
  virtual TGIS_ProjectionParameters GetParameterMask() const { return 0; }

  /// Recomputes everything derived from the datum and the parameters. The
  /// base looks up the datum's ellipsoid (0200 when it is not listed) and
  /// copies its constants; subclasses call it first, then compute their own
  /// and set EastingRange and NorthingRange.
  virtual void UpdateConstants();

  /// The virtual constructor: a new instance of the same class with its
  /// defaults. The caller owns it.
  virtual std::unique_ptr<TGIS_ProjectionAbstract> Create() const = 0;

  /// Gives all parameters at once. The base only calls UpdateConstants;
  /// subclasses clear the warning flag, call the base, validate and clamp
  /// the parameters they use, store them and call UpdateConstants again.
  virtual void SetUp(const TGIS_ProjectionSetUp& parameters);

  /// Geodetic to map; `input` and `output` may be the same record. M is
  /// neither read nor written.
  virtual void Project(const TGIS_Point3D& input, TGIS_Point3D& output) = 0;

  /// Map to geodetic, the inverse of Project.
  virtual void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) = 0;

  /// Copies state that SetUp cannot carry into `target`, a fresh instance of
  /// the same class that CreateCopy has set up. Nothing in the base.
  virtual void CopyExtraState(TGIS_ProjectionAbstract& target) const;

  // --- non-virtual operations ---

  /// Records a warning: the first warning of an operation empties
  /// Warnings() first; an empty text empties it; texts are joined by "\r".
  void AddWarning(const std::string& text);

  /// Stores `datum` and recomputes the constants when it differs from the
  /// current one (nullptr is ignored). Raises 0200 when the datum's
  /// ellipsoid is not listed; the datum stays set.
  void SetDatum(TGIS_Datum* datum);

  /// A new projection of the same class with this one's datum, parameters
  /// and zone. The caller owns it.
  std::unique_ptr<TGIS_ProjectionAbstract> CreateCopy() const;

  /// Reads the "Projection.*" keys of the ini's current section into this
  /// projection, each with the current value as default. Any failure (a
  /// different code, an unlisted datum, a SetUp that raises) raises 0003;
  /// what was applied before the failure stays.
  void ReadParameters(TGIS_Ini& ini);

  /// Writes the "Projection.*" keys, angles in radians as stored.
  void WriteParameters(TGIS_Ini& ini) const;

  /// The parameters as SetUp takes them: what copies replay and the
  /// configuration keys hold. A projection that stores a parameter in
  /// another form gives it back as SetUp takes it.
  virtual TGIS_ProjectionSetUp Parameters() const;

  TGIS_Datum* Datum() const { return datum_; }
  TGIS_Ellipsoid* Ellipsoid() const { return ellipsoid_; }
  const std::string& Warnings() const { return warnings_; }

  // Parameters (change them through SetUp, so that the constants follow).
  double ScaleFactor = 1.0;
  double FalseEasting = 0;
  double FalseNorthing = 0;
  double EastingRange = 0;  // half-width of the eastings Unproject accepts
  double NorthingRange = 0; // half-height of the northings Unproject accepts
  double CentralMeridian = 0;
  double OriginLatitude = 0;
  double StandardParallel1 = 0;
  double StandardParallel2 = 0;
  int32_t Zone = 0; // UTM zone; negative in the southern hemisphere
  double LongitudeOfCenter = 0;
  double LatitudeOfCenter = 0;
  double Azimuth = 0;
  double LongitudeOfPoint1 = 0;
  double LatitudeOfPoint1 = 0;
  double LongitudeOfPoint2 = 0;
  double LatitudeOfPoint2 = 0;

protected:
  /// Clears the warning flag: every SetUp, Project and Unproject starts
  /// with it, so Warnings() holds the warnings of the latest operation that
  /// recorded any.
  void ClearWarningFlag() { warningFlag_ = 0; }

  /// Stores the parameters without computing anything.
  void StoreParameters(const TGIS_ProjectionSetUp& p);

  // SetUp conventions; each correction records its warning.

  /// OriginLatitude clamped to [-π/2, π/2].
  double FixOriginLatitude(double value);
  /// A central meridian below -π becomes `lowReplacement` (-π or π), one
  /// above 2π becomes 2π; a value above π is then reduced by 2π.
  double FixCentralMeridian(double value, double lowReplacement);

  /// The start of most SetUps: the warning flag cleared, the base SetUp,
  /// OriginLatitude checked (FixOriginLatitude) when `withOriginLatitude`,
  /// CentralMeridian checked (FixCentralMeridian, low values becoming π),
  /// and the false origin stored. The caller stores what else it uses and
  /// calls UpdateConstants.
  void BeginSetUp(const TGIS_ProjectionSetUp& parameters, bool withOriginLatitude);

  /// The forward input check. The input is copied first (input and output
  /// may be one record); the latitude is clamped to ±`latitudeLimit`, the
  /// longitude to [-π, 2π] with warnings; a longitude above π is reduced by
  /// 2π. Returns the longitude, the latitude, the height and the longitude
  /// difference from CentralMeridian brought into [-π, π].
  struct ForwardInput {
    double Longitude;
    double Latitude;
    double Height;
    double DeltaLongitude;
  };
  ForwardInput CheckForwardInput(const TGIS_Point3D& input, double latitudeLimit);

  /// The inverse input check: easting and northing clamped to the ranges
  /// around the false origin, with warnings.
  struct InverseInput {
    double Easting;
    double Northing;
    double Height;
  };
  InverseInput CheckInverseInput(const TGIS_Point3D& input);

  /// A longitude above π reduced by 2π, one below -π increased by 2π.
  static double WrapLongitude(double longitude);

  /// `value` clamped to [low, high]; a correction records `warning`. The
  /// shape of every SetUp clamp and of the easting and northing checks of
  /// projections that keep their own limits.
  double ClampWithWarning(double value, double low, double high, const std::string& warning);

  /// The output normalisation of an inverse: the latitude clamped to
  /// [-π/2, π/2]; the longitude wrapped by 2π once (WrapLongitude) and then
  /// clamped to [-π, π]. No warning is recorded.
  static void NormalizeOutput(double& longitude, double& latitude);

  /// The radius of the sphere of equal area of the ellipsoid constants:
  /// a (1 - e²/6 - 17e⁴/360 - 67e⁶/3024). Valid after UpdateConstants.
  long double EqualAreaRadius() const;

  /// The conformal function t(φ) = tan(π/4 - φ/2) / ((1 - e sin φ) /
  /// (1 + e sin φ))^(e/2) on the ellipsoid constants.
  long double ConformalT(long double latitude) const;
  /// The same function in double, for the per-point work, with the
  /// eccentricity `e` given as a double copy.
  static double ConformalTOf(double latitude, double e);

  /// m(φ) = cos φ / √(1 - e² sin²φ): the radius of the parallel of
  /// `latitude` in semi-major axes, on the ellipsoid constants.
  long double ParallelRadius(long double latitude) const;

  /// The latitude whose conformal function (ConformalT) is `t`: from
  /// `start`, φ := π/2 - 2 atan(t ((1 - e sin φ) / (1 + e sin φ))^(e/2))
  /// until two successive values differ by at most `tolerance`, at most
  /// `maxSteps` times. `settled` tells whether the steps met the tolerance;
  /// otherwise the last value is returned. A NaN never settles.
  double LatitudeOfConformalT(double t, double start, double tolerance, int maxSteps,
                              bool& settled) const;

  // The ellipsoid constants, copied by UpdateConstants.
  long double A = 0;   // semi-major axis
  long double B = 0;   // semi-minor axis
  long double A2 = 0;  // a²
  long double B2 = 0;  // b²
  long double E2 = 0;  // e²
  long double E = 0;   // e
  long double EP2 = 0; // e'²

private:
  /// Stores the centre, which no projection uses and so no SetUp stores,
  /// but which copies and configurations carry.
  void KeepCentre(double longitude, double latitude);

  std::string warnings_;
  int32_t warningFlag_ = 0;
  TGIS_Datum* datum_ = nullptr;
  TGIS_Ellipsoid* ellipsoid_ = nullptr;
};
