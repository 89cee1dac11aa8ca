// TGIS_ControlPrintPreviewSimple: the print-preview component a window places
// beside its viewer. It carries the settings of the preview window (caption,
// state, position and size) and the viewer to preview, and shows its glyph
// only while a window is being designed; at run time it is invisible.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"

class TGIS_Viewer;

/// Asks for help on a topic: (sender, topic name).
using TGIS_HelpEvent = std::function<void(TPersistent* _sender, const std::string& _name)>;

class TGIS_ControlPrintPreviewSimple : public TCustomControl {
  SK_CLASS(TGIS_ControlPrintPreviewSimple, TCustomControl)
public:
  /// Becomes a child of its owner when the owner is a windowed control; sized
  /// to its glyph; invisible unless designing.
  explicit TGIS_ControlPrintPreviewSimple(TComponent* owner);
  ~TGIS_ControlPrintPreviewSimple() override;

  /// The viewer to preview (cleared when that viewer is freed).
  TGIS_Viewer* GIS_Viewer() const { return viewer_; }
  void SetGIS_Viewer(TGIS_Viewer* viewer);

  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value) { windowState_ = value; }
  TPosition WindowPosition() const { return windowPosition_; }
  void SetWindowPosition(TPosition value) { windowPosition_ = value; }
  int WindowLeft() const { return windowLeft_; }
  void SetWindowLeft(int value) { windowLeft_ = value; }
  int WindowTop() const { return windowTop_; }
  void SetWindowTop(int value) { windowTop_ = value; }
  int WindowWidth() const { return windowWidth_; }
  void SetWindowWidth(int value) { windowWidth_ = value; }
  int WindowHeight() const { return windowHeight_; }
  void SetWindowHeight(int value) { windowHeight_ = value; }

  TGIS_HelpEvent OnHelp;

  /// The glyph shown while designing (transparent colour $FF00FF).
  TBitmap* Glyph() const { return glyph_.get(); }

  /// Registers the published properties and the class (idempotent).
  static void RegisterClass();

protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;

private:
  TGIS_Viewer* viewer_ = nullptr;
  TWindowState windowState_ = TWindowState::wsMaximized;
  TPosition windowPosition_ = TPosition::poDesigned;
  int windowLeft_ = 0;
  int windowTop_ = 0;
  int windowWidth_ = 640;
  int windowHeight_ = 480;
  std::unique_ptr<TBitmap> glyph_;
};
