// IWebHost: what the application uses of its browser, so that it can be
// driven by a stand-in in tests. TWebHost implements it through
// TWebHostAdapter.
#pragma once

#include <functional>
#include <memory>
#include <string>

class TBitmap;
class TWebHost;

class IWebHost {
public:
  virtual ~IWebHost() = default;
  /// A URL or a local path.
  virtual void Navigate(const std::string& url) = 0;
  /// True while a document is loaded.
  virtual bool HasDocument() = 0;
  /// Runs a script in the document; nothing without a document.
  virtual void ExecScript(const std::string& text) = 0;
  /// The page at the host's size; none when there is no page to draw.
  virtual std::unique_ptr<TBitmap> Snapshot() = 0;
  /// Snapshot that may draw into `reuse` (the caller's last snapshot) instead
  /// of a new bitmap.
  virtual std::unique_ptr<TBitmap> SnapshotReusing(std::unique_ptr<TBitmap> reuse);
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  /// Fired for each completed download (three per finished page load).
  std::function<void()> OnDownloadComplete;
};

/// IWebHost over a TWebHost (which it does not own). Assigning the adapter's
/// OnDownloadComplete is enough: the host's event is routed to it.
class TWebHostAdapter : public IWebHost {
public:
  explicit TWebHostAdapter(TWebHost& host);
  /// Takes its handler off the host, which may outlive it.
  ~TWebHostAdapter() override;
  TWebHostAdapter(const TWebHostAdapter&) = delete;
  TWebHostAdapter& operator=(const TWebHostAdapter&) = delete;
  void Navigate(const std::string& url) override;
  bool HasDocument() override;
  void ExecScript(const std::string& text) override;
  std::unique_ptr<TBitmap> Snapshot() override;
  std::unique_ptr<TBitmap> SnapshotReusing(std::unique_ptr<TBitmap> reuse) override;
  int Width() const override;
  int Height() const override;
  void SetBounds(int left, int top, int width, int height) override;

private:
  TWebHost& host_;
};
