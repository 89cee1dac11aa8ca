// A small set of enumeration values, stored as bits (ordinals 0..63).
//
// The class library keeps control styles, component states and shift states
// as sets of enumeration values; this template gives them the same algebra:
// s.Contains(x), s + x, s - x, s * t, s.Include(x), s.Exclude(x).
#pragma once

#include <cstdint>
#include <initializer_list>

template <typename E> class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values)
      bits_ |= bit(v);
  }
  static constexpr TSet FromBits(std::uint64_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E v) const { return (bits_ & bit(v)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint64_t Bits() const { return bits_; }

  constexpr TSet& Include(E v) {
    bits_ |= bit(v);
    return *this;
  }
  constexpr TSet& Exclude(E v) {
    bits_ &= ~bit(v);
    return *this;
  }
  constexpr TSet& operator+=(TSet o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr TSet& operator-=(TSet o) {
    bits_ &= ~o.bits_;
    return *this;
  }
  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.bits_ & b.bits_); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }

private:
  static constexpr std::uint64_t bit(E v) { return std::uint64_t(1) << static_cast<unsigned>(v); }
  std::uint64_t bits_ = 0;
};
