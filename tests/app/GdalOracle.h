// gdalinfo as an oracle for where a picture lies by its world file.
#pragma once

#include <cstdio>
#include <string>

namespace apptest {

/// gdalinfo's "Origin = (x,y)" of a picture: "x,y" ('' without gdalinfo).
inline std::string GdalOrigin(const std::string& file) {
  std::string out;
  if (FILE* p = ::popen(("gdalinfo '" + file + "' 2>/dev/null").c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
      out += buf;
    ::pclose(p);
  }
  const std::size_t at = out.find("Origin = (");
  if (at == std::string::npos) return "";
  return out.substr(at + 10, out.find(')', at) - at - 10);
}

} // namespace apptest
