// What the pseudocylindrical world projections on the sphere of equal area
// share (part of the GisProjections module; see GisProjections.h for the map
// of the module): their set-up, fixed limits, input checks and output
// normalisation. Each member supplies the sphere's formulas.
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"

#include <functional>

class TGIS_ProjectionWorldSphere : public TGIS_ProjectionAbstract {
public:
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

protected:
  /// The fixed limits (metres from the false origin) of the member.
  TGIS_ProjectionWorldSphere(double fullLimit, double reducedLimit, double northingRange);

  /// Map offsets from the false origin of (Δλ, φ) on the sphere of radius R.
  virtual void Forward(double deltaLongitude, double latitude, double& x, double& y) const = 0;
  /// Δλ and φ of map offsets from the false origin.
  virtual void Inverse(double x, double y, double& deltaLongitude, double& latitude) const = 0;

  /// θ of f(θ) = 0 by Newton steps θ += -f/f' from `start`, while the step
  /// exceeds `tolerance` (at least one step, at most 100).
  static double SolveNewton(const std::function<double(double)>& f,
                            const std::function<double(double)>& derivative, double start,
                            double tolerance);

  double R() const { return static_cast<double>(r_); }

private:
  long double r_ = 0; // radius of the sphere of equal area
  double fullLimit_;
  double reducedLimit_;
  TGIS_EastingLimits limits_;
};
