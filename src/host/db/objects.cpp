#include "host/db/objects.hpp"
#include "host/db/memory.hpp"

#include <algorithm>
#include <unordered_set>

#include "host/db/entities.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

// ------------------------------------------------------------ class tree

bool ZcRxClass::isDerivedFrom(const ZcRxClass* other) const {
  for (const ZcRxClass* c = this; c; c = c->parent_)
    if (c == other) return true;
  return false;
}

bool ZcRxClass::hasMarker(std::string_view marker) const {
  for (const ZcRxClass* c = this; c; c = c->parent_)
    if (c->marker_ && marker == c->marker_) return true;
  return false;
}

#define GELTARO_DEFINE_CLASS(T, MARKER, PARENT)                                        \
  const ZcRxClass* T::desc() {                                                          \
    static const ZcRxClass c(#T, MARKER, PARENT::desc());                              \
    return &c;                                                                          \
  }                                                                                     \
  T* T::cast(ZcDbObject* o) { return o && o->isKindOf(desc()) ? static_cast<T*>(o) : nullptr; } \
  const T* T::cast(const ZcDbObject* o) {                                               \
    return o && o->isKindOf(desc()) ? static_cast<const T*>(o) : nullptr;              \
  }

const ZcRxClass* ZcDbObject::desc() {
  static const ZcRxClass c("ZcDbObject", nullptr, nullptr);
  return &c;
}

GELTARO_DEFINE_CLASS(ZcDbDictionary, "AcDbDictionary", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbXrecord, "AcDbXrecord", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbGroup, "AcDbGroup", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbSymbolTableRecord, "AcDbSymbolTableRecord", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbSymbolTable, "AcDbSymbolTable", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbLayerTable, nullptr, ZcDbSymbolTable)
GELTARO_DEFINE_CLASS(ZcDbBlockTable, nullptr, ZcDbSymbolTable)
GELTARO_DEFINE_CLASS(ZcDbTextStyleTable, nullptr, ZcDbSymbolTable)
GELTARO_DEFINE_CLASS(ZcDbRegAppTable, nullptr, ZcDbSymbolTable)
GELTARO_DEFINE_CLASS(ZcDbLinetypeTable, nullptr, ZcDbSymbolTable)
GELTARO_DEFINE_CLASS(ZcDbLayerTableRecord, "AcDbLayerTableRecord", ZcDbSymbolTableRecord)
GELTARO_DEFINE_CLASS(ZcDbBlockTableRecord, "AcDbBlockTableRecord", ZcDbSymbolTableRecord)
GELTARO_DEFINE_CLASS(ZcDbTextStyleTableRecord, "AcDbTextStyleTableRecord", ZcDbSymbolTableRecord)
GELTARO_DEFINE_CLASS(ZcDbRegAppTableRecord, "AcDbRegAppTableRecord", ZcDbSymbolTableRecord)
GELTARO_DEFINE_CLASS(ZcDbLinetypeTableRecord, "AcDbLinetypeTableRecord", ZcDbSymbolTableRecord)

GELTARO_DEFINE_CLASS(ZcDbEntity, "AcDbEntity", ZcDbObject)
GELTARO_DEFINE_CLASS(ZcDbText, "AcDbText", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbAttributeDefinition, "AcDbAttributeDefinition", ZcDbText)
GELTARO_DEFINE_CLASS(ZcDbAttribute, "AcDbAttribute", ZcDbText)
GELTARO_DEFINE_CLASS(ZcDbMText, "AcDbMText", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbBlockReference, "AcDbBlockReference", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbTable, "AcDbTable", ZcDbBlockReference)
GELTARO_DEFINE_CLASS(ZcDbLine, "AcDbLine", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbRay, "AcDbRay", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbPoint, "AcDbPoint", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbCircle, "AcDbCircle", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbArc, "AcDbArc", ZcDbCircle)
GELTARO_DEFINE_CLASS(ZcDbFace, "AcDbFace", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbPolyline, "AcDbPolyline", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbVertex, "AcDbVertex", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDb2dVertex, "AcDb2dVertex", ZcDbVertex)
GELTARO_DEFINE_CLASS(ZcDb3dPolylineVertex, "AcDb3dPolylineVertex", ZcDbVertex)
GELTARO_DEFINE_CLASS(ZcDbPolygonMeshVertex, "AcDbPolygonMeshVertex", ZcDbVertex)
GELTARO_DEFINE_CLASS(ZcDbPolyFaceMeshVertex, "AcDbPolyFaceMeshVertex", ZcDbVertex)
GELTARO_DEFINE_CLASS(ZcDbFaceRecord, "AcDbFaceRecord", ZcDbVertex)
GELTARO_DEFINE_CLASS(ZcDbSequenceEnd, nullptr, ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDb2dPolyline, "AcDb2dPolyline", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDb3dPolyline, "AcDb3dPolyline", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbPolygonMesh, "AcDbPolygonMesh", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbPolyFaceMesh, "AcDbPolyFaceMesh", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbBlockBegin, "AcDbBlockBegin", ZcDbEntity)
GELTARO_DEFINE_CLASS(ZcDbBlockEnd, "AcDbBlockEnd", ZcDbEntity)

// The subclass markers of a record, in order (app data groups skipped).
static bool recordHasMarker(const ObjectRecord& r, std::string_view marker) {
  for (const auto& t : r.tags)
    if (t.code == 100 && t.value == marker) return true;
  return false;
}

static const ZcRxClass* tableClass(const ObjectRecord& r) {
  std::string_view name;
  for (const auto& t : r.tags)
    if (t.code == 2) {
      name = t.value;
      break;
    }
  if (name == "LAYER") return ZcDbLayerTable::desc();
  if (name == "BLOCK_RECORD") return ZcDbBlockTable::desc();
  if (name == "STYLE") return ZcDbTextStyleTable::desc();
  if (name == "APPID") return ZcDbRegAppTable::desc();
  if (name == "LTYPE") return ZcDbLinetypeTable::desc();
  return ZcDbSymbolTable::desc();
}

static int recordFlags70(const ObjectRecord& r) {
  for (const auto& t : r.tags)
    if (t.code == 70) return int(host::parseInt(t.value));
  return 0;
}

const ZcRxClass* classOfRecord(const ObjectRecord& r) {
  const std::string& t = r.typeName();
  if (t == "LINE") return ZcDbLine::desc();
  if (t == "INSERT") return ZcDbBlockReference::desc();
  if (t == "ATTRIB") return ZcDbAttribute::desc();
  if (t == "ATTDEF") return ZcDbAttributeDefinition::desc();
  if (t == "TEXT") return ZcDbText::desc();
  if (t == "MTEXT") return ZcDbMText::desc();
  if (t == "LWPOLYLINE") return ZcDbPolyline::desc();
  if (t == "POINT") return ZcDbPoint::desc();
  if (t == "CIRCLE") return ZcDbCircle::desc();
  if (t == "ARC") return ZcDbArc::desc();
  if (t == "RAY") return ZcDbRay::desc();
  if (t == "3DFACE") return ZcDbFace::desc();
  if (t == "SEQEND") return ZcDbSequenceEnd::desc();
  if (t == "ACAD_TABLE") return ZcDbTable::desc();
  if (t == "BLOCK") return ZcDbBlockBegin::desc();
  if (t == "ENDBLK") return ZcDbBlockEnd::desc();
  if (t == "POLYLINE") {
    if (recordHasMarker(r, "AcDb3dPolyline")) return ZcDb3dPolyline::desc();
    if (recordHasMarker(r, "AcDbPolyFaceMesh")) return ZcDbPolyFaceMesh::desc();
    if (recordHasMarker(r, "AcDbPolygonMesh")) return ZcDbPolygonMesh::desc();
    if (recordHasMarker(r, "AcDb2dPolyline")) return ZcDb2dPolyline::desc();
    int f = recordFlags70(r);
    if (f & 8) return ZcDb3dPolyline::desc();
    if (f & 64) return ZcDbPolyFaceMesh::desc();
    if (f & 16) return ZcDbPolygonMesh::desc();
    return ZcDb2dPolyline::desc();
  }
  if (t == "VERTEX") {
    if (recordHasMarker(r, "AcDb3dPolylineVertex")) return ZcDb3dPolylineVertex::desc();
    if (recordHasMarker(r, "AcDbPolyFaceMeshVertex")) return ZcDbPolyFaceMeshVertex::desc();
    if (recordHasMarker(r, "AcDbFaceRecord")) return ZcDbFaceRecord::desc();
    if (recordHasMarker(r, "AcDbPolygonMeshVertex")) return ZcDbPolygonMeshVertex::desc();
    if (recordHasMarker(r, "AcDb2dVertex")) return ZcDb2dVertex::desc();
    int f = recordFlags70(r);
    if (f & 32) return ZcDb3dPolylineVertex::desc();
    if ((f & 128) && (f & 64)) return ZcDbPolyFaceMeshVertex::desc();
    if (f & 128) return ZcDbFaceRecord::desc();
    if (f & 64) return ZcDbPolygonMeshVertex::desc();
    return ZcDb2dVertex::desc();
  }
  if (t == "DICTIONARY" || t == "ACDBDICTIONARYWDFLT") return ZcDbDictionary::desc();
  if (t == "XRECORD") return ZcDbXrecord::desc();
  if (t == "GROUP") return ZcDbGroup::desc();
  if (t == "TABLE") return tableClass(r);
  if (t == "LAYER") return ZcDbLayerTableRecord::desc();
  if (t == "BLOCK_RECORD") return ZcDbBlockTableRecord::desc();
  if (t == "STYLE") return ZcDbTextStyleTableRecord::desc();
  if (t == "APPID") return ZcDbRegAppTableRecord::desc();
  if (t == "LTYPE") return ZcDbLinetypeTableRecord::desc();
  if (t == "VPORT" || t == "VIEW" || t == "UCS" || t == "DIMSTYLE") return ZcDbSymbolTableRecord::desc();
  if (recordHasMarker(r, "AcDbEntity")) return ZcDbEntity::desc();
  if (r.parent && r.parent->cls && r.parent->cls->isDerivedFrom(ZcDbBlockTableRecord::desc()))
    return ZcDbEntity::desc();
  return ZcDbObject::desc();
}

template <class T>
static std::unique_ptr<ZcDbObject> viewOf() {
  return std::unique_ptr<ZcDbObject>(new T());
}

namespace {
thread_local bool tMakingView = false;
struct ViewConstruction {
  ViewConstruction() { tMakingView = true; }
  ~ViewConstruction() { tMakingView = false; }
};
}  // namespace

bool host::makingView() { return tMakingView; }

std::unique_ptr<ZcDbObject> ZcDbObject::makeView(ObjectRecord* r, ZcDb::OpenMode mode) {
  if (!r->cls) r->cls = classOfRecord(*r);
  const ZcRxClass* c = r->cls;
  std::unique_ptr<ZcDbObject> v;
  const ViewConstruction view;
  if (c == ZcDbLine::desc()) v.reset(new ZcDbLine());
  else if (c == ZcDbBlockReference::desc()) v.reset(new ZcDbBlockReference());
  else if (c == ZcDbAttribute::desc()) v.reset(new ZcDbAttribute());
  else if (c == ZcDbAttributeDefinition::desc()) v.reset(new ZcDbAttributeDefinition());
  else if (c == ZcDbText::desc()) v.reset(new ZcDbText());
  else if (c == ZcDbMText::desc()) v.reset(new ZcDbMText());
  else if (c == ZcDbPolyline::desc()) v.reset(new ZcDbPolyline());
  else if (c == ZcDbPoint::desc()) v.reset(new ZcDbPoint());
  else if (c == ZcDbCircle::desc()) v.reset(new ZcDbCircle());
  else if (c == ZcDbArc::desc()) v.reset(new ZcDbArc());
  else if (c == ZcDbRay::desc()) v.reset(new ZcDbRay());
  else if (c == ZcDbFace::desc()) v.reset(new ZcDbFace());
  else if (c == ZcDbSequenceEnd::desc()) v.reset(new ZcDbSequenceEnd());
  else if (c == ZcDbTable::desc()) v.reset(new ZcDbTable());
  else if (c == ZcDbBlockBegin::desc()) v.reset(new ZcDbBlockBegin());
  else if (c == ZcDbBlockEnd::desc()) v.reset(new ZcDbBlockEnd());
  else if (c == ZcDb2dPolyline::desc()) v.reset(new ZcDb2dPolyline());
  else if (c == ZcDb3dPolyline::desc()) v.reset(new ZcDb3dPolyline());
  else if (c == ZcDbPolygonMesh::desc()) v.reset(new ZcDbPolygonMesh());
  else if (c == ZcDbPolyFaceMesh::desc()) v.reset(new ZcDbPolyFaceMesh());
  else if (c == ZcDb2dVertex::desc()) v.reset(new ZcDb2dVertex());
  else if (c == ZcDb3dPolylineVertex::desc()) v.reset(new ZcDb3dPolylineVertex());
  else if (c == ZcDbPolygonMeshVertex::desc()) v.reset(new ZcDbPolygonMeshVertex());
  else if (c == ZcDbPolyFaceMeshVertex::desc()) v.reset(new ZcDbPolyFaceMeshVertex());
  else if (c == ZcDbFaceRecord::desc()) v.reset(new ZcDbFaceRecord());
  else if (c == ZcDbDictionary::desc()) v.reset(new ZcDbDictionary());
  else if (c == ZcDbXrecord::desc()) v.reset(new ZcDbXrecord());
  else if (c == ZcDbGroup::desc()) v.reset(new ZcDbGroup());
  else if (c == ZcDbLayerTable::desc()) v.reset(new ZcDbLayerTable());
  else if (c == ZcDbBlockTable::desc()) v.reset(new ZcDbBlockTable());
  else if (c == ZcDbTextStyleTable::desc()) v.reset(new ZcDbTextStyleTable());
  else if (c == ZcDbRegAppTable::desc()) v.reset(new ZcDbRegAppTable());
  else if (c == ZcDbLinetypeTable::desc()) v.reset(new ZcDbLinetypeTable());
  else if (c == ZcDbSymbolTable::desc()) v.reset(new ZcDbSymbolTable());
  else if (c == ZcDbLayerTableRecord::desc()) v.reset(new ZcDbLayerTableRecord());
  else if (c == ZcDbBlockTableRecord::desc()) v.reset(new ZcDbBlockTableRecord());
  else if (c == ZcDbTextStyleTableRecord::desc()) v.reset(new ZcDbTextStyleTableRecord());
  else if (c == ZcDbRegAppTableRecord::desc()) v.reset(new ZcDbRegAppTableRecord());
  else if (c == ZcDbLinetypeTableRecord::desc()) v.reset(new ZcDbLinetypeTableRecord());
  else if (c == ZcDbSymbolTableRecord::desc()) v.reset(new ZcDbSymbolTableRecord());
  else if (c == ZcDbEntity::desc()) v.reset(new ZcDbEntity());
  else v.reset(new ZcDbObject());
  // Constructors of new objects made a detached record: drop it, use `r`.
  v->owned_.reset();
  v->attachRecord(r, mode);
  return v;
}

Zcad::ErrorStatus openObject(std::unique_ptr<ZcDbObject>& out, ZcDbObjectId id, ZcDb::OpenMode mode,
                             const ZcRxClass* cls, bool openErased) {
  out.reset();
  ObjectRecord* r = id.record();
  if (!r) return Zcad::eNullObjectId;
  if (r->erased() && !openErased) return Zcad::eWasErased;
  if (!r->cls) r->cls = classOfRecord(*r);
  if (cls && !r->cls->isDerivedFrom(cls)) return Zcad::eNotThatKindOfClass;
  out = ZcDbObject::makeView(r, mode);
  return Zcad::eOk;
}

// ------------------------------------------------------------ ZcDbObject

ZcDbObject::~ZcDbObject() = default;

void ZcDbObject::initNew(std::string_view type, Tags tags) { initNew(type, host::PackedTags(tags)); }

void ZcDbObject::initNew(std::string_view type, host::PackedTags tags) {
  owned_ = std::make_unique<ObjectRecord>();
  owned_->type = host::internType(type);
  owned_->tags = std::move(tags);
  owned_->cls = classOfRecord(*owned_);
  rec_ = owned_.get();
  mode_ = ZcDb::kForWrite;
}

std::unique_ptr<ObjectRecord> ZcDbObject::releaseNewRecord() { return std::move(owned_); }

ZcDbObjectId ZcDbObject::objectId() const { return owned_ ? ZcDbObjectId() : ZcDbObjectId(rec_); }
ZcDbDatabase* ZcDbObject::database() const { return rec_ ? rec_->db : nullptr; }
ZcDbHandle ZcDbObject::getZcDbHandle() const { return ZcDbHandle(rec_ ? rec_->handle : 0); }
const std::string& ZcDbObject::dxfName() const { return rec_->typeName(); }
bool ZcDbObject::isErased() const { return rec_->erased(); }

ZcDbObjectId ZcDbObject::ownerId() const {
  if (rec_->parent) return ZcDbObjectId(rec_->parent);
  uint64_t h = getHandle("", 330);
  if (h && rec_->db) return rec_->db->idOfHandle(h);
  return {};
}

Zcad::ErrorStatus ZcDbObject::setOwnerId(ZcDbObjectId owner) {
  if (auto s = checkWrite()) return s;
  std::string h = host::formatHandle(owner.isNull() ? 0 : owner.handle().value());
  // The owner is the first 330 outside app data groups, before the first
  // marker. Only the head is looked at, in the packed tags: a record may
  // hold millions of values after it.
  host::PackedTags& packed = rec_->tags;
  int depth = 0;
  const char* insertAt = packed.bytes().data() + packed.byteSize();
  for (auto it = packed.begin(), end = packed.end(); it != end; ++it) {
    if (it->code == 102) {
      depth = (!it->value.empty() && it->value[0] == '{') ? depth + 1 : std::max(0, depth - 1);
      continue;
    }
    if (depth > 0) continue;
    if (it->code == 330) {
      packed.replaceBytes(it.start(), it.next(), 330, h);
      return Zcad::eOk;
    }
    if (it->code == 100 || it->code >= 1000) {
      insertAt = it.start();
      break;
    }
  }
  packed.replaceBytes(insertAt, insertAt, 330, h);
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbObject::checkWrite() const {
  if (mode_ != ZcDb::kForWrite) return Zcad::eNotOpenForWrite;
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbObject::upgradeOpen() {
  if (rec_->erased()) return Zcad::eWasErased;
  mode_ = ZcDb::kForWrite;
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbObject::downgradeOpen() {
  mode_ = ZcDb::kForRead;
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbObject::close() { return Zcad::eOk; }

Zcad::ErrorStatus ZcDbObject::erase(bool erasing) {
  if (auto s = checkWrite()) return s;
  if (owned_) return Zcad::eNotInDatabase;
  if (erasing) rec_->flags |= ObjectRecord::kErased;
  else rec_->flags &= ~ObjectRecord::kErased;
  return Zcad::eOk;
}

// Walks tags with the subclass each belongs to. App data groups (102 {...})
// belong to no subclass; extended data ends the walk.
namespace {
// Follows which subclass each tag of an object belongs to. App data groups
// (102 {...}) belong to none; an embedded object (101) hides what follows.
struct SubclassTracker {
  std::string_view current;
  int depth = 0;
  // True for a tag of the object's own content, false for structure tags.
  bool content(int code, std::string_view value) {
    if (code == 102) {
      depth = (!value.empty() && value[0] == '{') ? depth + 1 : (depth > 0 ? depth - 1 : 0);
      return false;
    }
    if (depth > 0) return false;
    if (code == 100) {
      current = value;
      return false;
    }
    if (code == 101) {
      current = "\x01";
      return false;
    }
    return true;
  }
};
}  // namespace

template <class F>
static void walkSubclasses(const host::PackedTags& tags, F&& f) {
  SubclassTracker tracker;
  for (const auto& t : tags) {
    if (t.code >= 1000) return;
    if (!tracker.content(t.code, t.value)) continue;
    if (!f(tracker.current, t)) return;
  }
}

const char* ZcDbObject::find(std::string_view subclass, int code, std::string_view* value) const {
  const char* found = nullptr;
  walkSubclasses(rec_->tags, [&](std::string_view sc, const host::PackedTags::View& t) {
    if (t.code == code && (subclass.empty() || sc == subclass)) {
      if (value) *value = t.value;
      found = t.value.data() ? t.value.data() : "";
      return false;
    }
    return true;
  });
  return found;
}

bool ZcDbObject::has(std::string_view subclass, int code) const { return find(subclass, code, nullptr) != nullptr; }

double ZcDbObject::getDouble(std::string_view subclass, int code, double fallback) const {
  std::string_view v;
  return find(subclass, code, &v) ? host::parseDouble(v) : fallback;
}
long long ZcDbObject::getInt(std::string_view subclass, int code, long long fallback) const {
  std::string_view v;
  return find(subclass, code, &v) ? host::parseInt(v) : fallback;
}
std::string ZcDbObject::getString(std::string_view subclass, int code, std::string_view fallback) const {
  std::string_view v;
  return std::string(find(subclass, code, &v) ? v : fallback);
}
uint64_t ZcDbObject::getHandle(std::string_view subclass, int code) const {
  std::string_view v;
  return find(subclass, code, &v) ? host::parseHandle(v) : 0;
}
ZcGePoint3d ZcDbObject::getPoint(std::string_view subclass, int xCode, const ZcGePoint3d& fallback) const {
  ZcGePoint3d p = fallback;
  bool any = false;
  walkSubclasses(rec_->tags, [&](std::string_view sc, const host::PackedTags::View& t) {
    if (!subclass.empty() && sc != subclass) return true;
    if (t.code == xCode) {
      if (any) return false;  // a second point of the same code: stop at the first one
      p.x = host::parseDouble(t.value);
      p.y = fallback.y;
      p.z = 0;
      any = true;
    } else if (any && t.code == xCode + 10) {
      p.y = host::parseDouble(t.value);
    } else if (any && t.code == xCode + 20) {
      p.z = host::parseDouble(t.value);
      return false;
    }
    return true;
  });
  return any ? p : fallback;
}

// Index range [first, last) of a subclass's own tags in an unpacked list, or
// npos when the subclass is absent. The whole object when `subclass` is empty.
struct Range {
  size_t first, last;
  bool found;
};
static Range subclassRange(const Tags& tags, std::string_view subclass) {
  size_t xdata = tags.size();
  for (size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code >= 1000) {
      xdata = i;
      break;
    }
  if (subclass.empty()) return {0, xdata, true};
  for (size_t i = 0; i < xdata; ++i) {
    if (tags[i].code == 100 && tags[i].value == subclass) {
      size_t j = i + 1;
      while (j < xdata && tags[j].code != 100 && tags[j].code != 101) ++j;
      return {i + 1, j, true};
    }
  }
  return {xdata, xdata, false};
}

Zcad::ErrorStatus ZcDbObject::setValue(std::string_view subclass, int code, std::string value) {
  if (auto s = checkWrite()) return s;
  // Most calls replace a value the record holds: done in the packed tags.
  {
    host::PackedTags& packed = rec_->tags;
    SubclassTracker tracker;
    for (auto it = packed.begin(), end = packed.end(); it != end; ++it) {
      if (it->code >= 1000) break;
      if (!tracker.content(it->code, it->value)) continue;
      if (it->code == code && (subclass.empty() || tracker.current == subclass)) {
        if (it->value != value) packed.replaceBytes(it.start(), it.next(), code, value);
        return Zcad::eOk;
      }
    }
  }
  Tags tags = rec_->tags.unpack();
  // Search every part with this marker (texts have two AcDbText parts).
  size_t xdata = tags.size();
  for (size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code >= 1000) {
      xdata = i;
      break;
    }
  SubclassTracker tracker;
  for (size_t i = 0; i < xdata; ++i) {
    Tag& t = tags[i];
    if (!tracker.content(t.code, t.value)) continue;
    if (t.code == code && (subclass.empty() || tracker.current == subclass)) {
      t.value = std::move(value);
      rec_->tags.assign(tags);
      return Zcad::eOk;
    }
  }
  Range r = subclassRange(tags, subclass);
  if (!r.found) {
    tags.insert(tags.begin() + long(r.last), Tag{100, std::string(subclass)});
    ++r.last;
  }
  tags.insert(tags.begin() + long(r.last), Tag{code, std::move(value)});
  rec_->tags.assign(tags);
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbObject::setDouble(std::string_view subclass, int code, double v) {
  return setValue(subclass, code, host::formatDouble(v));
}
Zcad::ErrorStatus ZcDbObject::setInt(std::string_view subclass, int code, long long v) {
  return setValue(subclass, code, std::to_string(v));
}
Zcad::ErrorStatus ZcDbObject::setPoint(std::string_view subclass, int xCode, const ZcGePoint3d& p) {
  if (auto s = setDouble(subclass, xCode, p.x)) return s;
  setDouble(subclass, xCode + 10, p.y);
  return setDouble(subclass, xCode + 20, p.z);
}

Zcad::ErrorStatus ZcDbObject::removeCode(std::string_view subclass, int code) {
  if (auto s = checkWrite()) return s;
  Tags tags = rec_->tags.unpack();
  Range r = subclassRange(tags, subclass);
  if (!r.found) return Zcad::eOk;
  for (size_t i = r.first; i < r.last; ++i)
    if (tags[i].code == code) {
      tags.erase(tags.begin() + long(i));
      rec_->tags.assign(tags);
      return Zcad::eOk;
    }
  return Zcad::eOk;
}

Tags ZcDbObject::dxfTags() const { return rec_->tags.unpack(); }
Zcad::ErrorStatus ZcDbObject::setDxfTags(Tags tags) {
  if (auto s = checkWrite()) return s;
  rec_->tags.assign(tags);
  rec_->cls = classOfRecord(*rec_);
  return Zcad::eOk;
}

// ----------------------------------------------------- extension dictionary

namespace {

// The handle the {ACAD_XDICTIONARY group of a record names; false without one.
bool extensionDictionaryHandle(const ObjectRecord& r, uint64_t& handle) {
  bool inGroup = false;
  for (const auto& t : r.tags) {
    if (t.code == 102) {
      inGroup = t.value == "{ACAD_XDICTIONARY";
      continue;
    }
    if (t.code == 100) break;
    if (inGroup && t.code == 360) {
      handle = host::parseHandle(t.value);
      return true;
    }
  }
  return false;
}

// The dictionary a handle names in the record's database: null when it names
// nothing, an erased object or an object of another class.
ObjectRecord* dictionaryOfHandle(const ObjectRecord& r, uint64_t handle) {
  ObjectRecord* d = r.db ? r.db->recordOfHandle(handle) : nullptr;
  if (!d || d->erased()) return nullptr;
  if (!d->cls) d->cls = classOfRecord(*d);
  return d->cls->isDerivedFrom(ZcDbDictionary::desc()) ? d : nullptr;
}

// The tags without their {ACAD_XDICTIONARY groups.
Tags withoutExtensionDictionary(const Tags& tags) {
  Tags out;
  out.reserve(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code == 102 && tags[i].value == "{ACAD_XDICTIONARY") {
      // Up to its closing brace; a group left open ends where the next
      // group or the first marker begins.
      size_t j = i + 1;
      while (j < tags.size() && tags[j].code != 100 && tags[j].code != 102) ++j;
      i = (j < tags.size() && tags[j].code == 102 && tags[j].value == "}") ? j : j - 1;
      continue;
    }
    out.push_back(tags[i]);
  }
  return out;
}

}  // namespace

namespace host {

bool dropBrokenExtensionDictionary(ObjectRecord& r) {
  uint64_t handle = 0;
  if (!extensionDictionaryHandle(r, handle) || dictionaryOfHandle(r, handle)) return false;
  r.tags.assign(withoutExtensionDictionary(r.tags.unpack()));
  return true;
}

}  // namespace host

ZcDbObjectId ZcDbObject::extensionDictionary() const {
  // Only a dictionary is one: a group naming anything else (a damaged
  // drawing, an erased dictionary) counts as none.
  uint64_t handle = 0;
  if (!extensionDictionaryHandle(*rec_, handle)) return {};
  return ZcDbObjectId(dictionaryOfHandle(*rec_, handle));
}

Zcad::ErrorStatus ZcDbObject::createExtensionDictionary() {
  if (!extensionDictionary().isNull()) return Zcad::eAlreadyInDb;
  if (auto s = checkWrite()) return s;
  if (owned_ || !rec_->db) return Zcad::eNotInDatabase;
  ZcDbDatabase* db = rec_->db;
  Tags dtags{{330, host::formatHandle(rec_->handle)}, {100, "AcDbDictionary"}, {280, "1"}, {281, "1"}};
  ObjectRecord* dict = db->newRecord("DICTIONARY", dtags, nullptr);
  // The dictionary's owner is the object: its reactor group names it too.
  Tags withReactors{{102, "{ACAD_REACTORS"}, {330, host::formatHandle(rec_->handle)}, {102, "}"}};
  Tags dt = dict->tags.unpack();
  dt.insert(dt.begin(), withReactors.begin(), withReactors.end());
  dict->tags.assign(dt);
  db->store().objects.push_back(dict);

  // A group that names no dictionary gives way to the new one.
  Tags tags = withoutExtensionDictionary(rec_->tags.unpack());
  // After an existing reactor group, before the owner and the first marker.
  size_t at = 0;
  int depth = 0;
  for (size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].code == 102) {
      depth = (!tags[i].value.empty() && tags[i].value[0] == '{') ? depth + 1 : std::max(0, depth - 1);
      at = i + 1;
      continue;
    }
    if (depth > 0) continue;
    break;
  }
  Tags group{{102, "{ACAD_XDICTIONARY"}, {360, host::formatHandle(dict->handle)}, {102, "}"}};
  tags.insert(tags.begin() + long(at), group.begin(), group.end());
  rec_->tags.assign(tags);
  return Zcad::eOk;
}

// ------------------------------------------------------------- extended data

ResbufChain ZcDbObject::xData(const std::wstring& appName) const {
  Tags xd;
  bool take = false;
  std::string app = host::toUtf8(appName);
  for (const auto& t : rec_->tags) {
    if (t.code < 1000) continue;
    if (t.code == 1001) take = appName.empty() || host::iequals(t.value, app);
    if (take) xd.push_back(Tag{t.code, std::string(t.value)});
  }
  return host::tagsToResbufs(xd, rec_->db);
}

bool ZcDbObject::hasXData(std::string_view appName) const {
  for (const auto& t : rec_->tags)
    if (t.code == 1001 && host::iequals(t.value, appName)) return true;
  return false;
}

Zcad::ErrorStatus ZcDbObject::setXData(const ResbufChain& chain) {
  if (auto s = checkWrite()) return s;
  if (chain.empty() || chain.front().restype != 1001) return Zcad::eInvalidInput;
  Tags incoming = host::resbufsToTags(chain);
  Tags tags = rec_->tags.unpack();
  // Split the current tags into the object's own and per-application data.
  Tags own;
  std::vector<Tags> apps;
  for (auto& t : tags) {
    if (t.code == 1001) apps.push_back({});
    if (t.code >= 1000 && !apps.empty()) apps.back().push_back(std::move(t));
    else own.push_back(std::move(t));
  }
  std::vector<Tags> newApps;
  for (auto& t : incoming) {
    if (t.code == 1001) newApps.push_back({});
    if (!newApps.empty()) newApps.back().push_back(std::move(t));
  }
  for (auto& na : newApps) {
    const std::string& name = na.front().value;
    if (rec_->db) zcdbRegApp(rec_->db, host::fromUtf8(name));
    auto it = std::find_if(apps.begin(), apps.end(),
                           [&](const Tags& a) { return host::iequals(a.front().value, name); });
    bool remove = na.size() == 1;
    if (it != apps.end()) {
      if (remove) apps.erase(it);
      else *it = std::move(na);
    } else if (!remove) {
      apps.push_back(std::move(na));
    }
  }
  for (auto& a : apps) own.insert(own.end(), a.begin(), a.end());
  rec_->tags.assign(own);
  return Zcad::eOk;
}

// ------------------------------------------------------------- dictionary

ZcDbDictionary::ZcDbDictionary() {
  if (host::makingView()) return;
  initNew("DICTIONARY", {{330, "0"}, {100, "AcDbDictionary"}, {281, "1"}});
}

bool ZcDbDictionary::isHardOwner() const { return getInt("AcDbDictionary", 280, 0) != 0; }

std::vector<std::pair<std::wstring, ZcDbObjectId>> ZcDbDictionary::entries() const {
  std::vector<std::pair<std::wstring, ZcDbObjectId>> out;
  std::string key;
  bool haveKey = false;
  walkSubclasses(rec_->tags, [&](std::string_view sc, const host::PackedTags::View& t) {
    if (sc != "AcDbDictionary") return true;
    if (t.code == 3) {
      key = std::string(t.value);
      haveKey = true;
    } else if ((t.code == 350 || t.code == 360) && haveKey) {
      ZcDbObjectId id = rec_->db ? rec_->db->idOfHandle(host::parseHandle(t.value)) : ZcDbObjectId();
      out.emplace_back(host::fromUtf8(key), id);
      haveKey = false;
    }
    return true;
  });
  return out;
}

size_t ZcDbDictionary::numEntries() const { return entries().size(); }

Zcad::ErrorStatus ZcDbDictionary::getAt(std::string_view key, ZcDbObjectId& id) const {
  return getAt(host::fromUtf8(key), id);
}

Zcad::ErrorStatus ZcDbDictionary::getAt(const std::wstring& key, ZcDbObjectId& id) const {
  std::string k = host::toUtf8(key);
  for (auto& [name, eid] : entries())
    if (host::iequals(host::toUtf8(name), k)) {
      if (eid.isNull() || eid.isErased()) break;
      id = eid;
      return Zcad::eOk;
    }
  id = ZcDbObjectId();
  return Zcad::eKeyNotFound;
}

bool ZcDbDictionary::has(const std::wstring& key) const {
  ZcDbObjectId id;
  return getAt(key, id) == Zcad::eOk;
}

Zcad::ErrorStatus ZcDbDictionary::setAt(const std::wstring& key, ZcDbObject* object, ZcDbObjectId& id) {
  if (auto s = checkWrite()) return s;
  if (!object || !rec_->db) return Zcad::eInvalidInput;
  ZcDbDatabase* db = rec_->db;
  if (object->isNewObject()) {
    ObjectRecord* r = db->adoptRecord(object->releaseNewRecord(), nullptr);
    object->attachRecord(r, ZcDb::kForWrite);
    db->store().objects.push_back(r);
  }
  object->setOwnerId(objectId());
  id = object->objectId();
  return setAt(key, id);
}

Zcad::ErrorStatus ZcDbDictionary::setAt(const std::wstring& key, ZcDbObjectId existing) {
  if (auto s = checkWrite()) return s;
  std::string k = host::toUtf8(key);
  if (k == "*") {
    std::vector<std::string> taken;
    for (auto& [name, id] : entries()) taken.push_back(host::toUtf8(name));
    for (unsigned n = 1;; ++n) {
      k = "*A" + std::to_string(n);
      if (std::none_of(taken.begin(), taken.end(), [&](const std::string& t) { return host::iequals(t, k); })) break;
    }
  }
  std::string h = host::formatHandle(existing.handle().value());
  Tags tags = rec_->tags.unpack();
  Range r = subclassRange(tags, "AcDbDictionary");
  int refCode = isHardOwner() ? 360 : 350;
  for (size_t i = r.first; i + 1 < r.last; ++i) {
    if (tags[i].code == 3 && host::iequals(tags[i].value, k) &&
        (tags[i + 1].code == 350 || tags[i + 1].code == 360)) {
      ObjectRecord* old = rec_->db->recordOfHandle(host::parseHandle(tags[i + 1].value));
      if (old && old != existing.record()) old->flags |= ObjectRecord::kErased;
      tags[i + 1].value = h;
      rec_->tags.assign(tags);
      return Zcad::eOk;
    }
  }
  if (!r.found) {
    tags.insert(tags.begin() + long(r.last), Tag{100, "AcDbDictionary"});
    ++r.last;
  }
  tags.insert(tags.begin() + long(r.last), {Tag{3, k}, Tag{refCode, h}});
  rec_->tags.assign(tags);
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbDictionary::remove(const std::wstring& key) {
  if (auto s = checkWrite()) return s;
  std::string k = host::toUtf8(key);
  Tags tags = rec_->tags.unpack();
  Range r = subclassRange(tags, "AcDbDictionary");
  for (size_t i = r.first; i + 1 < r.last; ++i)
    if (tags[i].code == 3 && host::iequals(tags[i].value, k)) {
      tags.erase(tags.begin() + long(i), tags.begin() + long(i) + 2);
      rec_->tags.assign(tags);
      return Zcad::eOk;
    }
  return Zcad::eKeyNotFound;
}

// --------------------------------------------------------------- XRecord

ZcDbXrecord::ZcDbXrecord() {
  if (host::makingView()) return;
  initNew("XRECORD", {{330, "0"}, {100, "AcDbXrecord"}, {280, "1"}});
}

// Data of an XRecord: the tags after its marker, less the leading cloning flag.

// The data of an XRecord follows its subclass marker and the cloning flag
// (280). Both directions work on the packed tags directly: XRecords may hold
// millions of values.
ResbufChain ZcDbXrecord::rbChain() const {
  const host::PackedTags& packed = rec_->tags;
  auto it = packed.begin(), end = packed.end();
  while (it != end && !(it->code == 100 && it->value == "AcDbXrecord")) ++it;
  if (it == end) return {};
  ++it;
  if (it != end && it->code == 280) ++it;
  return host::tagsToResbufs(it, end, rec_->db);
}

Zcad::ErrorStatus ZcDbXrecord::setFromRbChain(const ResbufChain& chain) {
  if (auto s = checkWrite()) return s;
  const host::PackedTags& packed = rec_->tags;
  std::string buffer;
  host::reserveLarge(buffer, packed.byteSize() / 4 + 64 + chain.size() * 12);
  std::string cloning = "1";
  bool marker = false;
  for (auto it = packed.begin(), end = packed.end(); it != end; ++it) {
    host::PackedTags::appendTo(buffer, it->code, it->value);
    if (it->code == 100 && it->value == "AcDbXrecord") {
      marker = true;
      auto next = it;
      if (++next != end && next->code == 280) cloning = std::string(next->value);
      break;
    }
  }
  if (!marker) host::PackedTags::appendTo(buffer, 100, "AcDbXrecord");
  host::PackedTags::appendTo(buffer, 280, cloning);
  host::appendResbufsPacked(chain, buffer);
  buffer.shrink_to_fit();
  rec_->tags.setBytes(std::move(buffer));
  return Zcad::eOk;
}

bool ZcDbXrecord::isXlateReferences() const { return true; }
Zcad::ErrorStatus ZcDbXrecord::setXlateReferences(bool) { return checkWrite(); }

// ----------------------------------------------------------------- group

ZcDbGroup::ZcDbGroup(const std::wstring& description, bool selectable) {
  if (host::makingView()) return;
  initNew("GROUP", {{330, "0"},
                    {100, "AcDbGroup"},
                    {300, host::toUtf8(description)},
                    {70, "0"},
                    {71, selectable ? "1" : "0"}});
}
std::wstring ZcDbGroup::description() const { return host::fromUtf8(getString("AcDbGroup", 300)); }
bool ZcDbGroup::isSelectable() const { return getInt("AcDbGroup", 71, 1) != 0; }
bool ZcDbGroup::isAnonymous() const { return getInt("AcDbGroup", 70, 0) != 0; }
Zcad::ErrorStatus ZcDbGroup::setSelectable(bool on) { return setInt("AcDbGroup", 71, on ? 1 : 0); }
Zcad::ErrorStatus ZcDbGroup::setAnonymous() { return setInt("AcDbGroup", 70, 1); }

std::vector<ZcDbObjectId> ZcDbGroup::allEntityIds() const {
  std::vector<ZcDbObjectId> out;
  walkSubclasses(rec_->tags, [&](std::string_view sc, const host::PackedTags::View& t) {
    if (sc == "AcDbGroup" && t.code == 340 && rec_->db) {
      ZcDbObjectId id = rec_->db->idOfHandle(host::parseHandle(t.value));
      if (!id.isNull() && !id.isErased()) out.push_back(id);
    }
    return true;
  });
  return out;
}
size_t ZcDbGroup::numEntities() const { return allEntityIds().size(); }
bool ZcDbGroup::has(ZcDbObjectId e) const {
  auto ids = allEntityIds();
  return std::find(ids.begin(), ids.end(), e) != ids.end();
}
Zcad::ErrorStatus ZcDbGroup::append(ZcDbObjectId e) {
  if (auto s = checkWrite()) return s;
  if (e.isNull()) return Zcad::eNullObjectId;
  Tags tags = rec_->tags.unpack();
  Range r = subclassRange(tags, "AcDbGroup");
  tags.insert(tags.begin() + long(r.last), Tag{340, host::formatHandle(e.handle().value())});
  rec_->tags.assign(tags);
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbGroup::remove(ZcDbObjectId e) {
  if (auto s = checkWrite()) return s;
  Tags tags = rec_->tags.unpack();
  std::string h = host::formatHandle(e.handle().value());
  auto it = std::find_if(tags.begin(), tags.end(), [&](const Tag& t) { return t.code == 340 && t.value == h; });
  if (it == tags.end()) return Zcad::eKeyNotFound;
  tags.erase(it);
  rec_->tags.assign(tags);
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbGroup::clear() {
  if (auto s = checkWrite()) return s;
  Tags tags = rec_->tags.unpack();
  tags.erase(std::remove_if(tags.begin(), tags.end(), [](const Tag& t) { return t.code == 340; }), tags.end());
  rec_->tags.assign(tags);
  return Zcad::eOk;
}

ZcDbObjectId host::addAnonymousGroup(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& entities) {
  if (!db) return {};
  ZcDbObjectPointer<ZcDbDictionary> groups(db->groupDictionaryId(), ZcDb::kForWrite);
  if (groups.openStatus() != Zcad::eOk) return {};
  auto group = std::make_unique<ZcDbGroup>();
  group->setAnonymous();
  ZcDbObjectId id;
  if (groups->setAt(L"*", group.get(), id) != Zcad::eOk) return {};
  for (const ZcDbObjectId& e : entities) group->append(e);
  return id;
}
