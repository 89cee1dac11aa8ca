// TGIS_SourcePass and GisIsSameLayerFile.
#include "gis/formats/GisFormatsWriter.h"

#include "gis/formats/GisFileSet.h"
#include "gis/viewer/GisViewer.h"

TGIS_SourcePass::TGIS_SourcePass(TGIS_LayerVector& source, std::int32_t end)
    : source_(source), viewer_(source.Viewer()), end_(end) {
  if (viewer_ != nullptr) viewer_->BusyPrepare(&source_);
}

TGIS_SourcePass::~TGIS_SourcePass() {
  RestoreScope();
  if (viewer_ == nullptr) return;
  try {
    viewer_->BusyRelease(&source_);
  } catch (...) {
  }
}

void TGIS_SourcePass::ClearScope() {
  if (!scopeSaved_) {
    scope_ = source_.Scope();
    scopeExtent_ = source_.ScopeExtent();
    scopeSaved_ = true;
  }
  source_.SetScope("");
  source_.SetScopeExtent(GisEmptyExtent());
}

void TGIS_SourcePass::RestoreScope() {
  if (!scopeSaved_) return;
  source_.SetScope(scope_);
  source_.SetScopeExtent(scopeExtent_);
  scopeSaved_ = false;
}

bool TGIS_SourcePass::Shake(int counter, std::int32_t uid) {
  if (viewer_ == nullptr || counter % 100 != 1) return false;
  bool abort = false;
  viewer_->BusyShake(&source_, uid, end_, abort);
  return abort;
}

bool TGIS_SourcePass::Walk(
    const TGIS_Extent& extent, const std::string& query, bool clip, TGIS_ShapeType shapeType,
    const std::function<void(TGIS_Shape& shape, TGIS_Shape& values)>& write) {
  ClearScope();
  source_.MoveFirst(extent, query, true, "", nullptr);
  for (int counter = 0; !source_.Eof(); ++counter) {
    TGIS_Shape* shape = source_.GetCurrentShape();
    std::unique_ptr<TGIS_Shape> clipped;
    if (clip) clipped = shape->GetClipped(extent);
    TGIS_Shape* out = clip ? clipped.get() : shape;
    if (out != nullptr && !out->IsDeleted() &&
        (shapeType == gisShapeTypeUnknown || out->ShapeType() == shapeType))
      write(*out, *shape);
    if (Shake(counter, shape->Uid())) return false;
    source_.MoveNext();
  }
  RestoreScope();
  return true;
}

bool GisIsSameLayerFile(TGIS_LayerVector& source, TGIS_LayerVector& target) {
  return &source == &target ||
         (!source.Path().empty() && GisIsSameFile(source.Path(), target.Path()));
}
