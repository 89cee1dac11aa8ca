// Freeing an owned object and clearing its reference in one step.
#pragma once

#include <memory>

/// Frees the object the variable holds, if any, and sets the variable to null,
/// so that a freed reference never survives.
template <class T> void GisFreeObject(T*& object) {
  T* doomed = object;
  object = nullptr;
  delete doomed;
}

template <class T> void GisFreeObject(std::unique_ptr<T>& object) {
  object.reset();
}
