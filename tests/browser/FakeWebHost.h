// A stand-in browser for tests of the browser's users: it completes N
// downloads a while after each navigation (or none), records the scripts it
// is given and returns a canned snapshot (or none).
#pragma once

#include "browser/WebHostIntf.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"

#include <memory>
#include <string>
#include <vector>

class FakeWebHost : public IWebHost {
public:
  /// completions: download completions per navigation (0: none ever);
  /// delayMs: the time from Navigate to the first completion.
  FakeWebHost(int completions, unsigned delayMs) : completions_(completions) {
    timer_.SetEnabled(false);
    timer_.SetInterval(delayMs > 0 ? delayMs : 1);
    timer_.SetOnTimer([this](TPersistent*) { Complete(); });
  }

  /// While set, navigations wait for Complete() instead of the delay.
  bool withhold = false;
  /// Completes the navigation under way now (the document is there).
  void Complete() {
    timer_.SetEnabled(false);
    hasDocument_ = true;
    for (int i = 0; i < completions_; ++i)
      if (OnDownloadComplete) OnDownloadComplete();
  }

  void Navigate(const std::string& url) override {
    navigations.push_back(url);
    if (completions_ > 0 && !withhold) {
      timer_.SetEnabled(false);
      timer_.SetEnabled(true);
    }
  }
  bool HasDocument() override { return hasDocument_; }
  void ExecScript(const std::string& text) override {
    if (hasDocument_) scripts.push_back(text);
  }
  std::unique_ptr<TBitmap> Snapshot() override {
    if (!hasDocument_ || !cannedSnapshot) return nullptr;
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(cannedSnapshot.get());
    return copy;
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetBounds(int, int, int width, int height) override {
    width_ = width;
    height_ = height;
  }

  std::vector<std::string> navigations;
  std::vector<std::string> scripts;
  std::unique_ptr<TBitmap> cannedSnapshot;

private:
  int completions_;
  bool hasDocument_ = false;
  int width_ = 0, height_ = 0;
  TTimer timer_{nullptr};
};
