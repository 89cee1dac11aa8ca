// TMetafile: a recorded display list of drawing calls, replayed by Draw and
// saved as SVG. TMetafileCanvas records into a metafile; freeing the canvas
// completes it.
#pragma once

#include <memory>

#include "platform/graphics/Graphic.h"

namespace gdi {
class TRecording;
}

class TMetafile : public TGraphic {
public:
  TMetafile();
  ~TMetafile() override;

  const char* ClassName() const override { return "TMetafile"; }
  /// Replays the recording with (0, 0)-(Width, Height) mapped onto `rect`.
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  bool Empty() const override;
  bool Enhanced() const { return true; }
  /// Number of recorded calls.
  int RecordCount() const;

  void Assign(const TGraphic* source) override;
  /// Metafiles are not read from files here: raises EInvalidGraphic.
  void LoadFromStream(TStream& stream) override;
  /// Writes the picture as an SVG document: as vector elements when every
  /// recorded call has a vector form (copy operations, no paths), else as the
  /// exact replay embedded as an image.
  void SaveToStream(TStream& stream) override;
  bool Vectorizable() const;
  /// A PNG rendering of the picture.
  TClipboardData SaveToClipboardFormat() override;
  void Clear();

private:
  friend class TMetafileCanvas;
  std::shared_ptr<gdi::TRecording> recording_;
  int width_ = 0, height_ = 0;
};

class TMetafileCanvas : public TCanvas {
public:
  /// Records onto `metafile` (its previous contents are replaced when the
  /// canvas is freed). `referenceDevice` is accepted and unused.
  TMetafileCanvas(TMetafile* metafile, HDC referenceDevice);
  ~TMetafileCanvas() override;

private:
  TMetafile* metafile_;
  std::shared_ptr<gdi::TRecording> recording_;
  HDC dc_;
};

/// Records into a new recording DC of the given extent; for platform code.
HDC CreateMetafileDC(int width, int height);
