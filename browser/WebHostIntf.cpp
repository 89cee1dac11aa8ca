#include "browser/WebHostIntf.h"

#include "browser/WebHost.h"
#include "platform/graphics/Bitmap.h"

TWebHostAdapter::TWebHostAdapter(TWebHost& host) : host_(host) {
  host_.OnDownloadComplete = [this](TPersistent*) {
    if (OnDownloadComplete) OnDownloadComplete();
  };
}

TWebHostAdapter::~TWebHostAdapter() {
  host_.OnDownloadComplete = nullptr;
}

void TWebHostAdapter::Navigate(const std::string& url) {
  host_.Navigate(url);
}
bool TWebHostAdapter::HasDocument() {
  return host_.Document() != nullptr;
}

void TWebHostAdapter::ExecScript(const std::string& text) {
  if (WebDocument* doc = host_.Document()) doc->ExecScript(text, "JavaScript");
}

std::unique_ptr<TBitmap> IWebHost::SnapshotReusing(std::unique_ptr<TBitmap> reuse) {
  reuse.reset();
  return Snapshot();
}

std::unique_ptr<TBitmap> TWebHostAdapter::Snapshot() {
  return host_.Snapshot();
}

std::unique_ptr<TBitmap> TWebHostAdapter::SnapshotReusing(std::unique_ptr<TBitmap> reuse) {
  return host_.Snapshot(std::move(reuse));
}
int TWebHostAdapter::Width() const {
  return host_.Width();
}
int TWebHostAdapter::Height() const {
  return host_.Height();
}
void TWebHostAdapter::SetBounds(int left, int top, int width, int height) {
  host_.SetBounds(left, top, width, height);
}
