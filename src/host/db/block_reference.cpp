// Block references and their attributes.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "host/db/entities.hpp"
#include "host/db/entity_tags.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;
using namespace host::entity_tags;

namespace {

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

}  // namespace

// ------------------------------------------------------- block reference

ZcDbBlockReference::ZcDbBlockReference() : ZcDbBlockReference(ZcGePoint3d(), ZcDbObjectId()) {}
ZcDbBlockReference::ZcDbBlockReference(const ZcGePoint3d& p, ZcDbObjectId btr) {
  if (host::makingView()) return;
  std::string_view name;
  if (!btr.isNull()) {
    blockDb_ = btr.record()->db;
    for (const auto& tag : btr.record()->tags)
      if (tag.code == 2) {
        name = tag.value;
        break;
      }
  }
  host::PackedBuilder b(144 + name.size());
  b.add(100, "AcDbEntity").add(8, "0").add(100, "AcDbBlockReference").add(2, name);
  b.addPoint(10, p.x, p.y, p.z).add(41, "1.0").add(42, "1.0").add(43, "1.0").add(50, "0.0");
  initNew("INSERT", b.finish());
}
ZcGePoint3d ZcDbBlockReference::position() const { return getPoint("AcDbBlockReference", 10); }
Zcad::ErrorStatus ZcDbBlockReference::setPosition(const ZcGePoint3d& p) { return setPoint("AcDbBlockReference", 10, p); }
std::string ZcDbBlockReference::blockName() const { return getString("AcDbBlockReference", 2); }
ZcDbObjectId ZcDbBlockReference::blockTableRecord() const {
  ZcDbDatabase* db = rec_->db ? rec_->db : blockDb_;
  return db ? db->symbolId("BLOCK_RECORD", blockName()) : ZcDbObjectId();
}
Zcad::ErrorStatus ZcDbBlockReference::setBlockTableRecord(ZcDbObjectId btr) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> r(btr, ZcDb::kForRead);
  if (!r) return r.openStatus();
  if (auto s = setValue("AcDbBlockReference", 2, r->name())) return s;
  if (!rec_->db) blockDb_ = r->database();
  return Zcad::eOk;
}
ZcGeScale3d ZcDbBlockReference::scaleFactors() const {
  return ZcGeScale3d(getDouble("AcDbBlockReference", 41, 1), getDouble("AcDbBlockReference", 42, 1),
                     getDouble("AcDbBlockReference", 43, 1));
}
Zcad::ErrorStatus ZcDbBlockReference::setScaleFactors(const ZcGeScale3d& s) {
  if (s.sx == 0 || s.sy == 0 || s.sz == 0) return Zcad::eInvalidInput;
  if (auto st = setDouble("AcDbBlockReference", 41, s.sx)) return st;
  setDouble("AcDbBlockReference", 42, s.sy);
  return setDouble("AcDbBlockReference", 43, s.sz);
}
double ZcDbBlockReference::rotation() const { return toRad(getDouble("AcDbBlockReference", 50, 0)); }
Zcad::ErrorStatus ZcDbBlockReference::setRotation(double r) { return setDouble("AcDbBlockReference", 50, toDeg(r)); }
ZcGeVector3d ZcDbBlockReference::normal() const {
  ZcGePoint3d n = getPoint("AcDbBlockReference", 210, ZcGePoint3d(0, 0, 1));
  return ZcGeVector3d(n.x, n.y, n.z);
}
ZcGeMatrix3d ZcDbBlockReference::blockTransform() const {
  ZcGeScale3d s = scaleFactors();
  ZcGeMatrix3d scale;
  scale.entry[0][0] = s.sx;
  scale.entry[1][1] = s.sy;
  scale.entry[2][2] = s.sz;
  ZcGePoint3d base;
  ZcDbObjectPointer<ZcDbBlockTableRecord> btr(blockTableRecord(), ZcDb::kForRead);
  if (btr) base = btr->origin();
  ZcGePoint3d p = position();
  return ZcGeMatrix3d::translation(ZcGeVector3d(p.x, p.y, p.z)) * ZcGeMatrix3d::rotation(rotation(), kZ) * scale *
         ZcGeMatrix3d::translation(ZcGeVector3d(-base.x, -base.y, -base.z));
}
std::vector<ZcDbObjectId> ZcDbBlockReference::attributeIds() const {
  std::vector<ZcDbObjectId> out;
  for (ObjectRecord* c : rec_->children)
    if (!c->erased() && c->typeName() == "ATTRIB") out.emplace_back(c);
  return out;
}

// Appends a sub-entity (attribute, vertex) before the sequence end.
Zcad::ErrorStatus host::appendSubEntity(ObjectRecord* owner, ZcDbObject* sub, ZcDbObjectId& id) {
  if (!owner->db || owner->handle == 0) return Zcad::eNotInDatabase;
  if (!sub || !sub->isNewObject()) return Zcad::eAlreadyInDb;
  ZcDbDatabase* db = owner->db;
  ObjectRecord* r = db->adoptRecord(sub->releaseNewRecord(), owner);
  auto it = std::find_if(owner->children.begin(), owner->children.end(),
                         [](ObjectRecord* c) { return c->typeName() == "SEQEND"; });
  if (it == owner->children.end()) {
    ObjectRecord* seq = db->newRecord("SEQEND", {{330, host::formatHandle(owner->handle)}, {100, "AcDbEntity"}, {8, "0"}}, owner);
    owner->children.push_back(seq);
    it = owner->children.end() - 1;
  }
  owner->children.insert(it, r);
  sub->attachRecord(r, ZcDb::kForWrite);
  sub->setOwnerId(ZcDbObjectId(owner));
  id = ZcDbObjectId(r);
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbBlockReference::appendAttribute(ZcDbObjectId& id, ZcDbAttribute* attribute) {
  if (auto s = checkWrite()) return s;
  if (auto s = host::appendSubEntity(rec_, attribute, id)) return s;
  if (getInt("AcDbBlockReference", 66, 0) != 1) {
    // "Attributes follow" comes first in the block reference's part; it is
    // written into the packed tags in place (a block gets it once).
    host::PackedTags& packed = rec_->tags;
    const char* at = nullptr;
    const char* to = nullptr;
    for (auto it = packed.begin(); it != packed.end(); ++it) {
      if (it->code == 66) {
        at = it.start();
        to = it.next();
        break;
      }
      if (it->code == 100 && it->value == "AcDbBlockReference") {
        at = to = it.next();
        break;
      }
    }
    if (!at) at = to = packed.bytes().data() + packed.byteSize();
    packed.replaceBytes(at, to, 66, "1");
  }
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbBlockReference::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  double k = m.scale();
  ZcGeScale3d sc = scaleFactors();
  double mirror = mirrors(m) ? -1.0 : 1.0;
  setPosition(m * position());
  setRotation(rotation() + rotationOf(m));
  setScaleFactors(ZcGeScale3d(sc.sx * k * mirror, sc.sy * k, sc.sz * k));
  for (ZcDbObjectId a : attributeIds()) {
    ZcDbObjectPointer<ZcDbAttribute> at(a, ZcDb::kForWrite);
    if (at) at->transformBy(m);
  }
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbBlockReference::geomExtentsBestFit(ZcDbExtents& ext) const {
  ZcDbExtents inner = BlockMeasure().of(blockTableRecord().record());
  if (!inner.isValid()) return Zcad::eInvalidExtents;
  inner.transformBy(blockTransform());
  ext = inner;
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbBlockReference::getGeomExtents(ZcDbExtents& ext) const {
  ZcDbExtents all;
  ZcDbExtents inner;
  if (geomExtentsBestFit(inner) == Zcad::eOk) all.addExt(inner);
  for (ZcDbObjectId a : attributeIds()) {
    ZcDbObjectPointer<ZcDbAttribute> at(a, ZcDb::kForRead);
    ZcDbExtents ae;
    if (at && !at->isInvisible() && at->getGeomExtents(ae) == Zcad::eOk) all.addExt(ae);
  }
  if (!all.isValid()) {
    // An empty block still has a place.
    all.addPoint(position());
  }
  ext = all;
  return Zcad::eOk;
}
