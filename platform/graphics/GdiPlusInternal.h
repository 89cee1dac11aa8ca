// Internal to the anti-aliasing drawing layer (GdiPlus.cpp, GdiPlusImage.cpp,
// GdiPlusText.cpp).
#pragma once

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <optional>

#include "platform/graphics/GdiPlus.h"

/// 96 dots per inch: point sizes of the layer's fonts are at this resolution.
constexpr int kDotsPerMeter96 = 3780;

/// Base of every object of the layer: counts the objects alive.
struct GdipObject {
  GdipObject();
  GdipObject(const GdipObject&) = delete;
  GdipObject& operator=(const GdipObject&) = delete;
  virtual ~GdipObject();
};

/// Deletes an object of the layer; a null handle is an invalid parameter.
template <class T> GpStatus GdipDeleteObject(T* object) {
  if (!object) return GpInvalidParameter;
  delete object;
  return GpOk;
}

/// The decoded pixels of an image (null image for a bad handle).
QImage GdipImagePixels(GpImage* image);

struct GpGraphics : GdipObject {
  HDC dc = nullptr;
  bool smooth = false;
  int textHint = 0;
  std::optional<QPainterPath> clip; // in the surface's own coordinates
};

/// Runs `draw` with a painter on the DC's pixels: the DC's clip and
/// transform, the half-pixel shift that puts integer coordinates on pixel
/// centres, then the surface's own clip.
GpStatus GdipPaint(GpGraphics* g, std::function<void(QPainter&)> draw);
/// What a brush paints with.
QBrush GdipBrushOf(const GpBrush* brush);
