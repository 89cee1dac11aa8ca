// TCanvas: the class library's drawing surface over a device context, with
// its pen, brush and font selected on demand.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/GraphicsObjects.h"

class TGraphic;

class TCanvas {
public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  /// The device context; a canvas without one asks CreateHandle and fails
  /// with EInvalidOperation "Canvas does not allow drawing" when none comes.
  HDC Handle();
  /// Attaches an external DC (not owned); nullptr detaches.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }
  TFont* Font() { return &font_; }
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD rop) { copyMode_ = rop; }
  /// The clip box of the DC (logical coordinates).
  TRect ClipRect();

  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lockCount_; }

  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int w, int h);
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  TPoint PenPos();
  void SetPenPos(const TPoint& p) { MoveTo(p.x, p.y); }
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  TSize TextExtent(const std::string& text);
  /// $FFFFFFFF outside the surface.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor c);
  void DrawFocusRect(const TRect& rect);
  void Refresh();

  TNotifyProc OnChange;
  TNotifyProc OnChanging;

protected:
  /// Subclasses make their DC here (a bitmap's memory DC, a control's DC).
  virtual void CreateHandle() {}
  /// Sets the DC without the deselect/reselect bookkeeping of SetHandle.
  void AttachHandle(HDC dc);
  /// Deselects pen, brush and font so that their handles can go.
  void DeselectHandles();
  void Changing();
  void Changed();

private:
  enum { csHandle = 1, csFont = 2, csPen = 4, csBrush = 8 };
  void RequireState(int needs);
  void Deselect(int which);
  void SelectPen();
  void SelectBrush();
  void SelectFont();

  HDC dc_ = nullptr;
  int state_ = 0;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  DWORD copyMode_ = SRCCOPY;
  std::recursive_mutex lock_;
  int lockCount_ = 0;
};
