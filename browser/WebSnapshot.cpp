#include "browser/WebHost.h"

#include "platform/graphics/Bitmap.h"
#include "platform/web/WebEngineHost.h"

#include <algorithm>
#include <cstring>

bool IsHtmlDocument(const WebDocument* document) {
  return document && document->IsHtml();
}

std::unique_ptr<TBitmap> SnapshotDocument(WebDocument* document, HWND, int width, int height) {
  if (!IsHtmlDocument(document) || width <= 0 || height <= 0) return nullptr;
  try {
    const std::optional<web::WebSnapshot> shot = document->Engine().Snapshot();
    if (!shot) return nullptr;
    auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
    const int w = std::min(width, shot->Width);
    const int h = std::min(height, shot->Height);
    for (int y = 0; y < h; ++y)
      std::memcpy(bitmap->ScanLine(y), shot->Row(y), size_t(w) * 3);
    return bitmap;
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<TBitmap> TWebHost::Snapshot() {
  return SnapshotDocument(Document(), 0, Width(), Height());
}
