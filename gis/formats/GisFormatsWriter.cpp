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

bool GisIsSameLayerFile(TGIS_LayerVector& source, TGIS_LayerVector& target) {
  return &source == &target ||
         (!source.Path().empty() && GisIsSameFile(source.Path(), target.Path()));
}
