#include "gis/coords/GisProjectionList.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumTables.h"
#include "gis/coords/GisProjectionClasses.h"
#include "gis/coords/GisProjectionTable.h"
#include "gis/core/GisKernel.h"

namespace {

std::unique_ptr<TGIS_ProjectionList> g_projections;

} // namespace

TGIS_ProjectionList::TGIS_ProjectionList()
    : items_(TGIS_CodeList<TGIS_ProjectionAbstract>::Replaced::Free) {}

TGIS_ProjectionAbstract*
TGIS_ProjectionList::AddProjection(std::unique_ptr<TGIS_ProjectionAbstract> projection) {
  if (!projection) return nullptr;
  const std::string code = projection->GetCode();
  return items_.Add(code, std::move(projection));
}

void GisRegisterProjections() {
  GisBuildDatumTables();
  if (g_projections) return;
  auto list = std::make_unique<TGIS_ProjectionList>();
  for (const TGIS_ProjectionRow& row : GisProjectionTableRows()) {
    if (const TGIS_ProjectionClass* cls = GisFindProjectionClass(row.ClassName))
      list->AddProjection(cls->Construct());
  }
  g_projections = std::move(list);
}

void GisFreeProjections() {
  g_projections.reset();
}

TGIS_ProjectionList& GisProjectionList() {
  if (!g_projections) GisRegisterProjections();
  return *g_projections;
}

void GisCoordsRegisterUnit() {
  GisKernelRegisterUnit("GisProjections", GisRegisterProjections, [] {
    GisFreeProjections();
    GisFreeDatumTables();
  });
}

void GisCoordsResetForTests() {
  GisFreeProjections();
  GisFreeDatumTables();
  GisRegisterProjections();
}
