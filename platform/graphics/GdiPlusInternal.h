// Internal to the anti-aliasing drawing layer (GdiPlus.cpp, GdiPlusImage.cpp).
#pragma once

#include <QImage>

#include "platform/graphics/GdiPlus.h"

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
