// What the drawing tests read back from a drawing's model space: the
// entities of one class, in drawing order, and the vertices of a light
// polyline.
#pragma once

#include <vector>

#include "host/db/entities.hpp"
#include "host/db/objects.hpp"

namespace geltaro::testing {

template <class T>
std::vector<ZcDbObjectId> entitesDe(ZcDbDatabase& db) {
  std::vector<ZcDbObjectId> out;
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  for (const ZcDbObjectId& id : ms->entityIds()) {
    ZcDbObjectPointer<T> e(id, ZcDb::kForRead);
    if (e.openStatus() == Zcad::eOk) out.push_back(id);
  }
  return out;
}

inline std::vector<ZcGePoint2d> sommetsDe(const ZcDbObjectId& polyligne) {
  ZcDbObjectPointer<ZcDbPolyline> pl(polyligne, ZcDb::kForRead);
  std::vector<ZcGePoint2d> out;
  for (const auto& v : pl->vertices()) out.push_back(v.point);
  return out;
}

}  // namespace geltaro::testing
