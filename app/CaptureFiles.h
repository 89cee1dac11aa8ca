// The capture's pictures: the crop of the browser's snapshot and the two
// image files the capture layer and Save read.
#pragma once

#include <memory>
#include <string>

class TBitmap;

/// The snapshot's rectangle (2, 2)-(width, height) stretched onto a
/// width x height bitmap (24-bit; nearest sample): the page's 2-pixel margin
/// is cut and the rest stretched by 2 pixels each way. `reuse`, when it has
/// that size, is drawn into and returned instead of a new bitmap.
std::unique_ptr<TBitmap> CropSnapshot(TBitmap& snapshot, int width, int height,
                                      std::unique_ptr<TBitmap> reuse = nullptr);

/// The same 2-pixel shift and stretch on the bitmap itself.
void ShiftStretchInPlace(TBitmap& bitmap);

/// Writes the bitmap as `folder` + "image1.bmp" (24-bit) and as
/// `folder` + "image1.jpg" (baseline JPEG, quality 90), each through a
/// temporary file: WriteCaptureBitmap, then WriteCaptureJpeg.
void WriteCaptureImages(TBitmap& bitmap, const std::string& folder);
void WriteCaptureBitmap(TBitmap& bitmap, const std::string& folder);
void WriteCaptureJpeg(const TBitmap& bitmap, const std::string& folder);
