// The projection registry (part of the GisProjections module; see
// GisProjections.h for the map of the module).
//
// One instance of each projection class is registered under its code. The
// registered instances are shared: LoadProjection changes the instance of the
// code it reads. Layers and the viewer keep their own copies (CreateCopy).
#pragma once

#include "gis/coords/GisCodeList.h"
#include "gis/coords/GisProjectionAbstract.h"

#include <memory>
#include <string>

class TGIS_Ini;

class TGIS_ProjectionList {
public:
  TGIS_ProjectionList();

  /// Registers `projection` under its code; an instance registered under
  /// that code is freed and replaced. Returns the registered instance.
  TGIS_ProjectionAbstract* AddProjection(std::unique_ptr<TGIS_ProjectionAbstract> projection);

  /// The registered instance of `code` (letter case ignored), or nullptr.
  TGIS_ProjectionAbstract* FindProjection(const std::string& code) const {
    return items_.Find(code);
  }

  /// The instance at a position of the code-sorted list.
  TGIS_ProjectionAbstract* GetProjection(int position) const { return items_.Item(position); }

  int Count() const { return items_.Count(); }

  /// Reads "Projection.Code" from the ini's current section and applies
  /// ReadParameters to the registered instance of that code, which it
  /// returns; nullptr for an empty or unregistered code. The caller keeps a
  /// copy, not the returned instance. Raises 0003 when the keys are wrong.
  TGIS_ProjectionAbstract* LoadProjection(TGIS_Ini& ini);

  /// WriteParameters of `projection`; for nullptr an empty "Projection.Code".
  void SaveProjection(TGIS_Ini& ini, const TGIS_ProjectionAbstract* projection) const;

private:
  TGIS_CodeList<TGIS_ProjectionAbstract> items_;
};

/// The process-wide registry; registered on first use (GisRegisterProjections).
TGIS_ProjectionList& GisProjectionList();

/// Builds the datum and ellipsoid tables when they do not exist yet, then,
/// unless the registry exists, creates it and registers one instance of each
/// projection class that exists, in the order of the registry table.
void GisRegisterProjections();

/// Frees the registry with its instances (the projection module's
/// finalization).
void GisFreeProjections();

/// Makes the coordinate-system lists a unit of the kernel's start-up
/// (GisKernel.h): GisKernelInit builds the datum and ellipsoid tables and the
/// registry, GisKernelDone frees the registry and then the tables. The lists
/// are also built on first use, so this only fixes when that happens.
void GisCoordsRegisterUnit();

/// Frees and rebuilds the datum and ellipsoid tables and the registry, so
/// that a test starts from the built-in state.
void GisCoordsResetForTests();
