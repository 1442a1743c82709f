// What the entity files share: angles, the tags of a new entity's head and
// of a point, the rotation and mirroring of a transformation. Used by the
// database's entity files only.
#pragma once

#include <cmath>
#include <string>

#include "host/db/entities.hpp"

namespace host::entity_tags {

using host::Tags;

using geltaro::geom::kPi;
inline double toRad(double deg) { return deg * kPi / 180.0; }
inline double toDeg(double rad) { return rad * 180.0 / kPi; }
inline const ZcGeVector3d kZ(0, 0, 1);

inline Tags entityHead() { return {{100, "AcDbEntity"}, {8, "0"}}; }
inline void addPoint(Tags& t, int code, const ZcGePoint3d& p) {
  t.push_back({code, host::formatDouble(p.x)});
  t.push_back({code + 10, host::formatDouble(p.y)});
  t.push_back({code + 20, host::formatDouble(p.z)});
}

// Angle of the X axis after a transformation, in the plan.
inline double rotationOf(const ZcGeMatrix3d& m) {
  ZcGeVector3d x = m * ZcGeVector3d(1, 0, 0);
  return std::atan2(x.y, x.x);
}
inline bool mirrors(const ZcGeMatrix3d& m) { return m.det() < 0; }

}  // namespace host::entity_tags
