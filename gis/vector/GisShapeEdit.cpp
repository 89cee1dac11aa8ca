// TGIS_Shape as the shape the viewer's editor edits: the parts are written
// back through the shape's own editing operations, the end of an edit
// normalises the shape through the topology engine, and the vertex marks
// come from the shape's vertex labels.
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisEditor.h"

void TGIS_Shape::SetParts(const std::vector<std::vector<TGIS_Point>>& parts) {
  Reset();
  for (const std::vector<TGIS_Point>& part : parts) {
    if (part.empty()) continue;
    AddPart();
    for (const TGIS_Point& p : part)
      AddPoint(p);
  }
}

TGIS_LayerAbstract* TGIS_Shape::EditLayer() const {
  return layer_;
}

void TGIS_Shape::FixShape() {
  GisCreateTopology()->FixShape(this, false);
}

void TGIS_Shape::DrawEditing(const TGIS_Editor&) {
  if (layer_ != nullptr) layer_->DrawEditor();
}

TGIS_EditableShape* TGIS_Shape::GetEditable() {
  TGIS_Shape* editable = MakeEditable();
  return editable != nullptr ? editable : this;
}
