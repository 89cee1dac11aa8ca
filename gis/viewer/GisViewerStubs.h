// The shape editor as far as the viewer needs it until its own module
// exists: the viewer owns one, ends any edit when it closes and asks whether
// a shape is being edited.
#pragma once

class TGIS_Viewer;

class TGIS_Editor {
public:
  explicit TGIS_Editor(TGIS_Viewer* viewer) : viewer_(viewer) {}
  virtual ~TGIS_Editor() = default;
  TGIS_Viewer* Viewer() const { return viewer_; }
  /// Ends the edit under way; nothing to end here.
  virtual void EndEdit() { ++endEditCalls_; }
  /// Whether a shape is being edited.
  virtual bool InEdit() const { return false; }
  /// The edited shape draws its vertex marks.
  virtual void DrawEditingPoints() {}
  /// Takes over another editor's settings; the edit under way and the viewer
  /// stay. This editor has no settings yet.
  virtual void Assign(const TGIS_Editor&) {}
  int EndEditCalls() const { return endEditCalls_; }

private:
  TGIS_Viewer* viewer_;
  int endEditCalls_ = 0;
};
