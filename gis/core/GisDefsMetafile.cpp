#include "gis/core/GisDefsMetafile.h"

#include "platform/graphics/Metafile.h"

TGIS_MetafileTarget::TGIS_MetafileTarget(TMetafile* metafile, int width, int height)
    : Metafile(metafile), Width(width), Height(height) {}

TGIS_MetafileTarget::~TGIS_MetafileTarget() = default;

TCanvas* GisMetafileCanvas(TGIS_MetafileTarget& target) {
  if (!target.Canvas) {
    target.Metafile->SetWidth(target.Width);
    target.Metafile->SetHeight(target.Height);
    auto canvas = std::make_unique<TMetafileCanvas>(target.Metafile, nullptr);
    SetStretchBltMode(canvas->Handle(), HALFTONE);
    target.Canvas = std::move(canvas);
  }
  return target.Canvas.get();
}
