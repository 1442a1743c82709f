// Small helpers the stake-out files share: whether a value is defined, and
// one number put into a printf format.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "points/point.hpp"

namespace implantation {

// Neither kIndefini nor a NaN or an infinity.
inline bool defini(double v) { return v != kIndefini && std::isfinite(v); }

inline std::wstring formater(const wchar_t* format, double v) {
  wchar_t tampon[96];
  std::swprintf(tampon, 96, format, v);
  return tampon;
}

inline std::string formater(const char* format, double v) {
  char tampon[96];
  std::snprintf(tampon, sizeof tampon, format, v);
  return tampon;
}

}  // namespace implantation
