// Shared helpers of the geometry exchange tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Exceptions.h"

using TParts = std::vector<std::vector<TGIS_Point>>;

/// Hand-made little-endian bytes; `Derived` adds the values of its form.
template <typename Derived> struct TLittleEndianBytes {
  TBytes bytes;
  Derived& Byte(std::uint8_t v) {
    bytes.push_back(v);
    return static_cast<Derived&>(*this);
  }
  Derived& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return static_cast<Derived&>(*this);
  }
  Derived& F64(double v) {
    std::uint8_t b[8];
    std::memcpy(b, &v, 8);
    bytes.insert(bytes.end(), b, b + 8);
    return static_cast<Derived&>(*this);
  }
};

inline std::string HexOf(const TBytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

inline TBytes BytesOfHex(const std::string& hex) {
  auto nibble = [](char c) -> std::uint8_t {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return static_cast<std::uint8_t>(c - 'A' + 10);
  };
  TBytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  return out;
}

/// The stored vertices, part by part.
inline TParts PartsOf(TGIS_Shape& shape) {
  TParts parts;
  shape.Lock(2);
  for (int part = 0; part < shape.GetNumParts(); ++part) {
    parts.emplace_back();
    for (int i = 0; i < shape.GetPartSize(part); ++i)
      parts.back().push_back(shape.GetPoint(part, i));
  }
  shape.Unlock();
  return parts;
}

/// A shape of `type` built part by part with AddPart and AddPoint.
inline std::unique_ptr<TGIS_Shape> ShapeOf(TGIS_ShapeType type, const TParts& parts,
                                           TGIS_LayerVector* layer = nullptr) {
  auto shape = GisCreateShapeOfType(type, -1, layer);
  for (const auto& part : parts) {
    shape->AddPart();
    for (const TGIS_Point& p : part)
      shape->AddPoint(p);
  }
  return shape;
}

inline bool SameParts(const TParts& a, const TParts& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (std::size_t j = 0; j < a[i].size(); ++j)
      if (a[i][j].X != b[i][j].X || a[i][j].Y != b[i][j].Y) return false;
  }
  return true;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string DataPath(const std::string& relative) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/" + relative;
}

/// The message of what `f` raises ("" when it returns).
inline std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

/// Lines of a text file split at tabs.
inline std::vector<std::vector<std::string>> TabLines(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(ReadFile(path));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find('\t', start)) != std::string::npos; start = at + 1)
      cells.push_back(line.substr(start, at - start));
    cells.push_back(line.substr(start));
    rows.push_back(cells);
  }
  return rows;
}
