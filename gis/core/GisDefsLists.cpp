#include "gis/core/GisDefsLists.h"

#include <cstdint>

#include "platform/rtl/Format.h"

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

} // namespace

void TGIS_PointList::Add(const TGIS_Point& point) {
  items_.push_back({point});
}

TGIS_Point TGIS_PointList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<std::size_t>(index)].Point;
}

void TGIS_Point3DList::Add(const TGIS_Point3D& point) {
  items_.push_back({point});
}

TGIS_Point3D TGIS_Point3DList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<std::size_t>(index)].Point;
}

void TGIS_Stack::Push(void* item) {
  Add(item);
}

void* TGIS_Stack::Pop() {
  if (IsEmpty()) return nullptr;
  void* item = Last();
  Delete(Count() - 1);
  return item;
}

void* TGIS_Stack::Peek() const {
  return IsEmpty() ? nullptr : Last();
}

void TGIS_Stack::Assign(const TGIS_Stack& other) {
  if (&other == this) return;
  Clear();
  for (void* item : other.List())
    Push(item);
}

void TGIS_StackInteger::Push(int value) {
  TGIS_Stack::Push(reinterpret_cast<void*>(static_cast<std::intptr_t>(value)));
}

int TGIS_StackInteger::Pop() {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(TGIS_Stack::Pop()));
}

int TGIS_StackInteger::Peek() const {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(TGIS_Stack::Peek()));
}
