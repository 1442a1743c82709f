// What the entity files share: angles, the tags of a new entity's head and
// of a point, the rotation and mirroring of a transformation, the extents
// of a block's contents, the decoding of "\\U+XXXX" escapes. Used by the
// database's entity files only.
#pragma once

#include <cmath>
#include <string>
#include <unordered_map>

#include "host/db/entities.hpp"

namespace host::entity_tags {

using host::Tags;

inline constexpr double kPi = 3.14159265358979323846;
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

// Decodes \U+XXXX escapes of DXF strings.
inline std::wstring decodeEscapes(const std::string& s) {
  std::wstring w = host::fromUtf8(s);
  if (w.find(L"\\U+") == std::wstring::npos) return w;
  std::wstring out;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == L'\\' && i + 7 <= w.size() && w[i + 1] == L'U' && w[i + 2] == L'+') {
      bool hex = true;
      unsigned v = 0;
      for (size_t k = 3; k < 7; ++k) {
        wchar_t c = w[i + k];
        int d = (c >= L'0' && c <= L'9') ? c - L'0' : (c >= L'A' && c <= L'F') ? c - L'A' + 10 : (c >= L'a' && c <= L'f') ? c - L'a' + 10 : -1;
        if (d < 0) {
          hex = false;
          break;
        }
        v = v * 16 + unsigned(d);
      }
      if (hex) {
        out.push_back(wchar_t(v));
        i += 6;
        continue;
      }
    }
    out.push_back(w[i]);
  }
  return out;
}

// Extents of every entity of a block definition, in block coordinates.
// Extents of a block definition's entities in block coordinates. Each block
// is measured once per query (`cache`), and a block that contains itself,
// directly or not, adds nothing the second time (`open`).
struct BlockMeasure {
  std::unordered_map<const ObjectRecord*, ZcDbExtents> cache;
  std::vector<const ObjectRecord*> open;

  ZcDbExtents of(ObjectRecord* btr) {
    if (!btr) return {};
    if (auto it = cache.find(btr); it != cache.end()) return it->second;
    if (std::find(open.begin(), open.end(), btr) != open.end()) return {};
    open.push_back(btr);
    ZcDbExtents ext;
    for (ObjectRecord* r : btr->children) {
      if (r->erased() || r->typeName() == "ATTDEF") continue;
      auto v = ZcDbObject::makeView(r, ZcDb::kForRead);
      auto* e = ZcDbEntity::cast(v.get());
      if (!e) continue;
      ZcDbExtents sub;
      if (auto* br = ZcDbBlockReference::cast(e)) {
        ZcDbExtents inner = of(br->blockTableRecord().record());
        if (inner.isValid()) {
          inner.transformBy(br->blockTransform());
          sub = inner;
        }
        for (ZcDbObjectId a : br->attributeIds()) {
          ZcDbObjectPointer<ZcDbAttribute> at(a, ZcDb::kForRead);
          ZcDbExtents ae;
          if (at && at->getGeomExtents(ae) == Zcad::eOk) sub.addExt(ae);
        }
      } else if (e->getGeomExtents(sub) != Zcad::eOk) {
        continue;
      }
      ext.addExt(sub);
    }
    open.pop_back();
    cache[btr] = ext;
    return ext;
  }
};

}  // namespace host::entity_tags
