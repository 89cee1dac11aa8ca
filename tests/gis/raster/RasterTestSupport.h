// Shared helpers of the raster layers' tests: a temporary folder, files,
// photo-like pictures, running the reference tools, a viewer at 1:1 over a
// layer and reading its picture back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/rtl/Strings.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/raster/GisLayerPixel.h"
#include "tests/support/RunTool.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

/// A fresh folder removed with its files at the end of the test.
struct TTempFolder {
  TTempFolder() {
    static int counter = 0;
    path = std::filesystem::temp_directory_path() /
           ("sk_raster_" + IntToStr(::getpid()) + "_" + IntToStr(++counter));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string File(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

using sktest::HasTool;
using sktest::RunTool;

/// A smooth picture with edges and some noise (fixed seed): JPEG-like data.
inline std::unique_ptr<TBitmap> MakePhoto(int w, int h, std::uint32_t seed = 7) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  std::uint32_t s = seed;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      const int noise = int(s >> 28);
      row[3 * x] = std::uint8_t((x * 255 / std::max(1, w - 1) + noise) & 0xFF);
      row[3 * x + 1] =
          std::uint8_t(((y * 255 / std::max(1, h - 1)) ^ (x / 16 % 2 ? 40 : 0)) & 0xFF);
      row[3 * x + 2] = std::uint8_t(((x + y) % 64 < 32 ? 200 : 30) + noise);
    }
  }
  return b;
}

/// Saves a picture as a JPEG with the platform's encoder.
inline void SaveJpeg(const TBitmap& b, const std::string& path, int quality = 90) {
  TJPEGImage j;
  j.Assign(&b);
  j.SetCompressionQuality(quality);
  j.SaveToFile(path);
}

/// Rows of a BMP file as bottom-up B,G,R (3 bytes a pixel, top row first),
/// as the platform reads it.
inline std::vector<std::uint8_t> RowsOf(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  std::vector<std::uint8_t> out;
  for (int y = 0; y < b.Height(); ++y)
    out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + 3 * b.Width());
  return out;
}

/// The top-down B,G,R rows of a picture as `djpeg -bmp` or `convert`
/// decode it (through a BMP file they write).
inline std::vector<std::uint8_t> OracleRows(const std::string& command, const std::string& bmp) {
  RunTool(command);
  TBitmap b;
  b.LoadFromFile(bmp);
  return RowsOf(b);
}

/// The rows a layer delivers (top row first).
inline std::vector<std::uint8_t> LayerRows(TGIS_LayerPixel& layer) {
  layer.WakeUp();
  std::vector<std::uint8_t> out, row(std::size_t(layer.Width()) * 3 + 4);
  for (int y = 0; y < layer.Height(); ++y) {
    const int n = layer.CallLineReader(row.data(), y, layer.Width() * 3, 0);
    EXPECT_EQ(n, layer.Width() * 3) << "row " << y;
    out.insert(out.end(), row.begin(), row.begin() + layer.Width() * 3);
  }
  return out;
}

/// Pure black becomes (1, 1, 1), as raster drawing makes it.
inline void NonBlack(std::vector<std::uint8_t>& rows) {
  for (std::size_t i = 0; i + 2 < rows.size(); i += 3)
    if (rows[i] == 0 && rows[i + 1] == 0 && rows[i + 2] == 0)
      rows[i] = rows[i + 1] = rows[i + 2] = 1;
}

/// Renders the viewer's whole visible extent into a w x h bitmap.
inline std::vector<std::uint8_t> Render(TGIS_Viewer& v, int w, int h) {
  TBitmap b(w, h, pf24bit);
  v.RenderToBitmap(&b);
  return RowsOf(b);
}

/// A viewer window the size of the layer's image showing it at 1:1.
struct TRasterView {
  TRasterView(int w, int h) : form(w, h) {
    form.viewer->SetBigExtentMargin(0);
    form.viewer->SetColor(clWhite);
  }
  void Show(TGIS_LayerPixel* layer) {
    form.viewer->Add(layer);
    form.viewer->SetVisibleExtent(layer->Extent());
    TViewerForm::Pump();
  }
  TGIS_ViewerWnd& Viewer() { return *form.viewer; }
  TViewerForm form;
};

/// Shows `layer` (the viewer takes it) in a viewer the size of its image,
/// draws it, sends it dormant (its decoders, mappings and buffers go) and
/// draws it again: the two pictures must be equal and show the layer, not
/// the white background. Returns the first picture.
inline std::vector<std::uint8_t> ExpectSameDrawAfterDormancy(TGIS_LayerPixel* layer) {
  const int w = layer->Width(), h = layer->Height();
  TRasterView view(w, h);
  view.Show(layer);
  const std::vector<std::uint8_t> before = Render(view.Viewer(), w, h);
  layer->MakeDormant();
  const std::vector<std::uint8_t> after = Render(view.Viewer(), w, h);
  EXPECT_TRUE(before == after) << "the picture changed after the layer went dormant";
  EXPECT_NE(before, std::vector<std::uint8_t>(before.size(), 255)) << "nothing was drawn";
  return before;
}
