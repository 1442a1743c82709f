// Any bytes given to the DXF reader: it must reject them with a message or
// build a drawing, and a drawing it built must write out as text it reads
// back. Every entity of the drawing then goes through the services later
// code calls on drawings it did not write: class, extents, paths, entity
// lists, extended data and a transformation.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string error;
  ZcDbDatabase db(false);
  if (!host::dxf::readDxf(db, input, "input.dxf", error)) return 0;

  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  if (ms) {
    const ZcGeMatrix3d move = ZcGeMatrix3d::translation(ZcGeVector3d(10, -5, 1)) *
                              ZcGeMatrix3d::rotation(0.3, ZcGeVector3d::kZAxis, ZcGePoint3d(1, 2, 0));
    for (ZcDbObjectId id : ms->entityIds()) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
      if (!e) continue;
      ZcDbExtents ext;
      e->getGeomExtents(ext);
      Path path;
      if (e->toPath(path)) {
        path.closestPoint(ZcGePoint3d(1, 1, 0));
        path.extents();
        path.intersectionsWithLine(ZcGePoint2d(0, 0), ZcGePoint2d(1, 1), LineExtent::Infinite);
      }
      if (auto* br = ZcDbBlockReference::cast(e.object()))
        for (ZcDbObjectId a : br->attributeIds()) {
          ZcDbObjectPointer<ZcDbAttribute> at(a, ZcDb::kForRead);
          if (at) at->textString();
        }
      (void)zcdbEntGet(id, {L"*"});
      e->xData();
      e->transformBy(move);
    }
  }
  ms.close();

  std::string written = host::dxf::writeDxf(db);
  ZcDbDatabase again(false);
  std::string error2;
  if (!host::dxf::readDxf(again, written, "written.dxf", error2)) {
    std::fprintf(stderr, "the written drawing does not read back: %s\n", error2.c_str());
    std::abort();
  }
  return 0;
}
