// Rows and stations of traverses written briefly in the tests.
#pragma once

#include <initializer_list>
#include <vector>

#include "calc/traverse.hpp"

namespace geltaro::testing {

struct Ligne {
  const wchar_t* nom;
  double angle, distance, dz;
};

inline std::vector<obsPolygonale> lignes(std::initializer_list<Ligne> l) {
  std::vector<obsPolygonale> v;
  for (const Ligne& x : l) v.push_back(creerObs(x.nom, x.angle, x.distance, x.dz));
  return v;
}

inline StationPolygonale station(const wchar_t* nom, double x, double y, double z, double g) {
  StationPolygonale s;
  s.nom = nom;
  s.x = x;
  s.y = y;
  s.z = z;
  s.gisement = g;
  return s;
}

}  // namespace geltaro::testing
