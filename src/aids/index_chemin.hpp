// The closest point of a long path to many points, each wanted only when it
// lies within a search radius: the path's segments are put once into the
// cells of a plan grid that their boxes cover, so that a query looks at the
// segments of the cells around it, not at every segment of the path. The
// answer is the one Path::closestPoint gives (ties to the first segment).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/geom/path.hpp"

struct procheChemin {
  bool trouve = false;       // a point of the path lies within the radius
  ZcGePoint2d point;         // the closest point, in plan
  double distance = 0.0;     // plan distance from the query point
  double distanceLe = 0.0;   // length along the path from its start to that point
};

class indexChemin {
 public:
  // `rayon`: the largest distance queries look at (at least 1e-9).
  indexChemin(const Path& chemin, double rayon);

  // The closest point of the path when it is within the radius.
  procheChemin plusProche(const ZcGePoint2d& p) const;

 private:
  struct Boite {
    double x0, y0, x1, y1;
  };
  void cellules(const Boite& b, long& i0, long& j0, long& i1, long& j1) const;

  const Path& chemin_;
  double rayon_;
  std::vector<double> cumul_;  // length from the start to each vertex
  double x0_ = 0, y0_ = 0, taille_ = 1;
  long nx_ = 0, ny_ = 0;
  std::vector<std::uint32_t> debut_;     // per cell, into segments_ (nx_ * ny_ + 1 values)
  std::vector<std::uint32_t> segments_;  // segment indexes, ascending within a cell
  mutable std::vector<std::uint32_t> vu_;  // per segment, the query that last looked at it
  mutable std::uint32_t requete_ = 0;
};
