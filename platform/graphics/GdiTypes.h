// Basic value types of the drawing layer: points, sizes, rectangles and
// colours, shared by the device contexts, the canvas classes and everything
// above them. No toolkit types appear here.
#pragma once

#include <cstdint>

using COLORREF = std::uint32_t; // $00BBGGRR
using TColor = std::int32_t;    // COLORREF or a system colour $FF0000nn
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;

struct TPoint {
  LONG x = 0;
  LONG y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(LONG ax, LONG ay) : x(ax), y(ay) {}
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};
using POINT = TPoint;

struct TSize {
  LONG cx = 0;
  LONG cy = 0;
  constexpr TSize() = default;
  constexpr TSize(LONG w, LONG h) : cx(w), cy(h) {}
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};
using SIZE = TSize;

/// A rectangle whose right and bottom edges are exclusive.
struct TRect {
  LONG Left = 0;
  LONG Top = 0;
  LONG Right = 0;
  LONG Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(LONG l, LONG t, LONG r, LONG b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr LONG Width() const { return Right - Left; }
  constexpr LONG Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};
using RECT = TRect;

constexpr TRect Rect(LONG l, LONG t, LONG r, LONG b) {
  return {l, t, r, b};
}
constexpr TPoint Point(LONG x, LONG y) {
  return {x, y};
}

constexpr COLORREF RGB(int r, int g, int b) {
  return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
  return BYTE(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return BYTE((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return BYTE((c >> 16) & 0xFF);
}
