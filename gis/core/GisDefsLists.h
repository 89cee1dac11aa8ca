// Small owning lists of points and variants, and the pointer and integer
// stacks. Indexes are 0-based; a bad index raises EListError.
#pragma once

#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "platform/rtl/Lists.h"

/// The box of one point in a TGIS_PointList.
struct T_Point {
  TGIS_Point Point;
};

/// The box of one point in a TGIS_Point3DList.
struct T_Point3D {
  TGIS_Point3D Point;
};

/// A list of 2-D points; Add stores a copy, Get copies one out.
class TGIS_PointList {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  void Add(const TGIS_Point& point);
  TGIS_Point Get(int index) const;
  void Clear() { items_.clear(); }

private:
  std::vector<T_Point> items_;
};

/// A list of 3-D points; Add stores a copy, Get copies one out.
class TGIS_Point3DList {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  void Add(const TGIS_Point3D& point);
  TGIS_Point3D Get(int index) const;
  void Clear() { items_.clear(); }

private:
  std::vector<T_Point3D> items_;
};

/// A list of untyped pointers used as a stack: the end of the list is the top.
/// It never owns what it holds.
class TGIS_Stack : protected TList {
public:
  using TList::Count;
  void Push(void* item);
  /// Removes and returns the top; null when empty.
  void* Pop();
  /// The top without removing it; null when empty.
  void* Peek() const;
  bool IsEmpty() const { return Count() == 0; }
  /// Clears this stack and pushes the other's items from bottom to top.
  void Assign(const TGIS_Stack& other);
  void Clear() override { TList::Clear(); }
};

/// The stack of 32-bit integers kept in the same slots; 0 stands for empty.
class TGIS_StackInteger : public TGIS_Stack {
public:
  void Push(int value);
  int Pop();
  int Peek() const;
};
