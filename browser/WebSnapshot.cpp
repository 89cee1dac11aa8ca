#include "browser/WebHost.h"

#include "platform/graphics/Bitmap.h"
#include "platform/web/WebEngineHost.h"

#include <algorithm>
#include <cstring>

bool IsHtmlDocument(const WebDocument* document) {
  return document && document->IsHtml();
}

std::unique_ptr<TBitmap> SnapshotDocument(WebDocument* document, HWND, int width, int height,
                                          std::unique_ptr<TBitmap> reuse) {
  if (!IsHtmlDocument(document) || width <= 0 || height <= 0) return nullptr;
  try {
    // The engine's rows go straight into the bitmap's.
    std::unique_ptr<TBitmap> bitmap = std::move(reuse);
    if (!bitmap || bitmap->Width() != width || bitmap->Height() != height ||
        bitmap->PixelFormat() != pf24bit)
      bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
    if (!document->Engine().SnapshotInto(
            width, height, [&](int y) { return static_cast<std::uint8_t*>(bitmap->ScanLine(y)); }))
      return nullptr;
    return bitmap;
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<TBitmap> TWebHost::Snapshot() {
  return SnapshotDocument(Document(), 0, Width(), Height());
}

std::unique_ptr<TBitmap> TWebHost::Snapshot(std::unique_ptr<TBitmap> reuse) {
  return SnapshotDocument(Document(), 0, Width(), Height(), std::move(reuse));
}
