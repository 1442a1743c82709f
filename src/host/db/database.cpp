#include "host/db/database.hpp"

#include <algorithm>
#include <unordered_set>

#include "host/db/entities.hpp"
#include "host/db/objects.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

const ZcDbObjectId ZcDbObjectId::kNull;

bool ZcDbObjectId::operator<(const ZcDbObjectId& o) const {
  uint64_t a = rec_ ? rec_->handle : 0, b = o.rec_ ? o.rec_->handle : 0;
  if (a != b) return a < b;
  return std::less<const void*>()(rec_, o.rec_);
}

Zcad::ErrorStatus zcdbGetAdsName(ads_name& name, ZcDbObjectId id) {
  if (id.isNull()) return Zcad::eNullObjectId;
  name.id = id;
  return Zcad::eOk;
}
Zcad::ErrorStatus zcdbGetObjectId(ZcDbObjectId& id, const ads_name& name) {
  id = name.id;
  return id.isNull() ? Zcad::eNullObjectId : Zcad::eOk;
}

namespace host {

const std::string& ObjectRecord::typeName() const {
  static const std::string empty;
  return type ? *type : empty;
}

const std::string* internType(std::string_view name) {
  static std::unordered_set<std::string> pool;
  auto it = pool.find(std::string(name));
  if (it == pool.end()) it = pool.insert(std::string(name)).first;
  return &*it;
}

static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

bool isModelSpaceName(std::string_view n) { return iequals(n, "*Model_Space"); }
bool isPaperSpaceName(std::string_view n) {
  return n.size() >= 12 && iequals(n.substr(0, 12), "*Paper_Space");
}

std::string toUtf8(const std::wstring& w) {
  std::string out;
  out.reserve(w.size());
  for (wchar_t wc : w) {
    uint32_t c = uint32_t(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) out.push_back(char(c));
    else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::wstring fromUtf8(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1F;
      n = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0F;
      n = 3;
    } else if ((c >> 3) == 30) {
      cp = c & 0x07;
      n = 4;
    } else {
      out.push_back(wchar_t(0xFFFD));
      ++i;
      continue;
    }
    if (i + n > s.size()) {
      out.push_back(wchar_t(0xFFFD));
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc >> 6) != 2) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(wchar_t(0xFFFD));
      ++i;
      continue;
    }
    out.push_back(wchar_t(cp));
    i += n;
  }
  return out;
}

// ---------------------------------------------------------- handle index

bool HandleIndex::tableSlot(uint64_t h) {
  if (h < dense_.size()) return true;
  // Within reach: the table stays at least about half full.
  if (h >= 2 * uint64_t(size_) + 4096) return false;
  dense_.resize(size_t(h) + 1, nullptr);
  return true;
}

std::pair<HandleIndex::Position, bool> HandleIndex::emplace(uint64_t h, ObjectRecord* r) {
  if (ObjectRecord* existing = get(h)) return {Position(Entry{h, existing}), false};
  if (!r) return {Position(Entry{h, nullptr}), false};
  if (tableSlot(h)) dense_[size_t(h)] = r;
  else sparse_.emplace(h, r);
  ++size_;
  return {Position(Entry{h, r}), true};
}

void HandleIndex::set(uint64_t h, ObjectRecord* r) {
  if (!r) {
    erase(h);
    return;
  }
  if (h < dense_.size() && dense_[size_t(h)]) {
    dense_[size_t(h)] = r;
    return;
  }
  if (!sparse_.empty()) {
    auto it = sparse_.find(h);
    if (it != sparse_.end()) {
      it->second = r;
      return;
    }
  }
  if (tableSlot(h)) dense_[size_t(h)] = r;
  else sparse_.emplace(h, r);
  ++size_;
}

void HandleIndex::erase(uint64_t h) {
  if (h < dense_.size() && dense_[size_t(h)]) {
    dense_[size_t(h)] = nullptr;
    --size_;
    return;
  }
  if (sparse_.erase(h)) --size_;
}

void HandleIndex::clear() {
  dense_.clear();
  sparse_.clear();
  size_ = 0;
}

}  // namespace host

// ------------------------------------------------------------- records

ZcDbDatabase::ZcDbDatabase(bool buildDefaultDrawing, bool) {
  if (buildDefaultDrawing) completeStructure();
}

ZcDbDatabase::~ZcDbDatabase() = default;

uint64_t ZcDbDatabase::allocateHandle() {
  while (store_.byHandle.count(store_.nextHandle)) ++store_.nextHandle;
  return store_.nextHandle++;
}

void ZcDbDatabase::indexHandle(ObjectRecord* r) {
  if (r->handle) store_.byHandle.set(r->handle, r);
  if (r->handle >= store_.nextHandle) store_.nextHandle = r->handle + 1;
}

ObjectRecord* ZcDbDatabase::recordOfHandle(uint64_t h) const {
  if (!h) return nullptr;
  return store_.byHandle.get(h);
}

ZcDbObjectId ZcDbDatabase::idOfHandle(uint64_t h) const { return ZcDbObjectId(recordOfHandle(h)); }

Zcad::ErrorStatus ZcDbDatabase::getZcDbObjectId(ZcDbObjectId& id, bool createIfNotFound, const ZcDbHandle& h) {
  if (h.isNull()) return Zcad::eNullHandle;
  id = idOfHandle(h.value());
  if (!id.isNull()) return Zcad::eOk;
  if (!createIfNotFound) return Zcad::eKeyNotFound;
  // A placeholder for an object that does not exist yet: nothing writes it.
  ObjectRecord* r = newRecord("ACDBPLACEHOLDER", {}, nullptr, false);
  r->handle = h.value();
  r->flags |= ObjectRecord::kErased;
  indexHandle(r);
  id = ZcDbObjectId(r);
  return Zcad::eOk;
}

ObjectRecord* ZcDbDatabase::newRecord(std::string_view type, Tags tags, ObjectRecord* parent, bool assignHandle) {
  ObjectRecord& r = store_.records.emplace_back();
  r.db = this;
  r.type = host::internType(type);
  r.parent = parent;
  r.tags.assign(tags);
  if (assignHandle) {
    r.handle = allocateHandle();
    indexHandle(&r);
  }
  r.cls = classOfRecord(r);
  return &r;
}

ObjectRecord* ZcDbDatabase::adoptRecord(std::unique_ptr<ObjectRecord> detached, ObjectRecord* parent) {
  ObjectRecord& r = store_.records.emplace_back(std::move(*detached));
  r.db = this;
  r.parent = parent;
  r.handle = allocateHandle();
  indexHandle(&r);
  r.cls = classOfRecord(r);
  return &r;
}

ObjectRecord* ZcDbDatabase::tableHead(std::string_view name) const {
  for (ObjectRecord* t : store_.tables) {
    for (const auto& tag : t->tags)
      if (tag.code == 2) {
        if (host::iequals(tag.value, name)) return t;
        break;
      }
  }
  return nullptr;
}

ZcDbObjectId ZcDbDatabase::tableId(std::string_view name) const { return ZcDbObjectId(tableHead(name)); }

static std::string_view nameOf(const ObjectRecord* r) {
  for (const auto& t : r->tags)
    if (t.code == 2) return t.value;
  return {};
}

ZcDbObjectId ZcDbDatabase::symbolId(std::string_view tableName, std::string_view recordName) const {
  ObjectRecord* head = tableHead(tableName);
  if (!head) return {};
  for (ObjectRecord* r : head->children)
    if (!r->erased() && host::iequals(nameOf(r), recordName)) return ZcDbObjectId(r);
  return {};
}

ZcDbObjectId ZcDbDatabase::modelSpaceId() const { return symbolId("BLOCK_RECORD", "*Model_Space"); }
ZcDbObjectId ZcDbDatabase::paperSpaceId() const { return symbolId("BLOCK_RECORD", "*Paper_Space"); }

ZcDbObjectId ZcDbDatabase::namedObjectsDictionaryId() const {
  if (store_.objects.empty()) return {};
  return ZcDbObjectId(store_.objects.front());
}

ZcDbObjectId ZcDbDatabase::groupDictionaryId() const {
  ZcDbObjectPointer<ZcDbDictionary> nod(namedObjectsDictionaryId(), ZcDb::kForRead);
  ZcDbObjectId id;
  if (nod) nod->getAt(std::string_view("ACAD_GROUP"), id);
  return id;
}

// --------------------------------------------------------------- header

static size_t headerFind(const Tags& h, std::string_view name) {
  for (size_t i = 0; i < h.size(); ++i)
    if (h[i].code == 9 && h[i].value == name) return i;
  return h.size();
}

Tags ZcDbDatabase::headerVariable(std::string_view name) const {
  const Tags& h = store_.header;
  size_t i = headerFind(h, name);
  Tags out;
  for (++i; i < h.size() && h[i].code != 9; ++i) out.push_back(h[i]);
  return out;
}

void ZcDbDatabase::setHeaderVariable(std::string_view name, const Tags& values) {
  Tags& h = store_.header;
  size_t i = headerFind(h, name);
  if (i == h.size()) {
    h.push_back(Tag{9, std::string(name)});
    h.insert(h.end(), values.begin(), values.end());
    return;
  }
  size_t j = i + 1;
  while (j < h.size() && h[j].code != 9) ++j;
  h.erase(h.begin() + long(i) + 1, h.begin() + long(j));
  h.insert(h.begin() + long(i) + 1, values.begin(), values.end());
}

double ZcDbDatabase::headerDouble(std::string_view name, int code, double fallback) const {
  for (const Tag& t : headerVariable(name))
    if (t.code == code) return t.toDouble();
  return fallback;
}

std::string ZcDbDatabase::headerString(std::string_view name, std::string_view fallback) const {
  Tags v = headerVariable(name);
  return v.empty() ? std::string(fallback) : v.front().value;
}

ZcDbObjectId ZcDbDatabase::clayer() const {
  ZcDbObjectId id = symbolId("LAYER", headerString("$CLAYER", "0"));
  return id.isNull() ? symbolId("LAYER", "0") : id;
}
Zcad::ErrorStatus ZcDbDatabase::setClayer(ZcDbObjectId layerId) {
  if (layerId.isNull() || layerId.database() != this) return Zcad::eInvalidInput;
  setHeaderVariable("$CLAYER", {{8, std::string(nameOf(layerId.record()))}});
  return Zcad::eOk;
}
ZcDbObjectId ZcDbDatabase::textstyle() const {
  ZcDbObjectId id = symbolId("STYLE", headerString("$TEXTSTYLE", "Standard"));
  if (id.isNull()) id = symbolId("STYLE", "Standard");
  return id;
}
Zcad::ErrorStatus ZcDbDatabase::setTextstyle(ZcDbObjectId styleId) {
  if (styleId.isNull() || styleId.database() != this) return Zcad::eInvalidInput;
  setHeaderVariable("$TEXTSTYLE", {{7, std::string(nameOf(styleId.record()))}});
  return Zcad::eOk;
}
double ZcDbDatabase::textsize() const { return headerDouble("$TEXTSIZE", 40, 2.5); }

static ZcGePoint3d headerPoint(const ZcDbDatabase& db, std::string_view name) {
  return ZcGePoint3d(db.headerDouble(name, 10, 0), db.headerDouble(name, 20, 0), db.headerDouble(name, 30, 0));
}
static Tags pointTags(const ZcGePoint3d& p) {
  return {{10, host::formatDouble(p.x)}, {20, host::formatDouble(p.y)}, {30, host::formatDouble(p.z)}};
}
ZcGePoint3d ZcDbDatabase::insbase() const { return headerPoint(*this, "$INSBASE"); }
void ZcDbDatabase::setInsbase(const ZcGePoint3d& p) { setHeaderVariable("$INSBASE", pointTags(p)); }
ZcGePoint3d ZcDbDatabase::extmin() const { return headerPoint(*this, "$EXTMIN"); }
ZcGePoint3d ZcDbDatabase::extmax() const { return headerPoint(*this, "$EXTMAX"); }

void ZcDbDatabase::updateExt() {
  ZcDbExtents all;
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(modelSpaceId(), ZcDb::kForRead);
  if (ms)
    for (ZcDbObjectId id : ms->entityIds()) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
      ZcDbExtents ext;
      if (e && e->getGeomExtents(ext) == Zcad::eOk) all.addExt(ext);
    }
  if (!all.isValid()) {
    // An empty drawing: the host's inverted box.
    setHeaderVariable("$EXTMIN", pointTags(ZcGePoint3d(1e20, 1e20, 1e20)));
    setHeaderVariable("$EXTMAX", pointTags(ZcGePoint3d(-1e20, -1e20, -1e20)));
    return;
  }
  setHeaderVariable("$EXTMIN", pointTags(all.minPoint()));
  setHeaderVariable("$EXTMAX", pointTags(all.maxPoint()));
}

ZcGePoint2d ZcDbDatabase::viewCenter() const {
  ZcDbObjectPointer<ZcDbSymbolTableRecord> vp(symbolId("VPORT", "*Active"), ZcDb::kForRead);
  if (!vp) return ZcGePoint2d(0, 0);
  return ZcGePoint2d(vp->getDouble("", 12, 0), vp->getDouble("", 22, 0));
}
double ZcDbDatabase::viewHeight() const {
  ZcDbObjectPointer<ZcDbSymbolTableRecord> vp(symbolId("VPORT", "*Active"), ZcDb::kForRead);
  return vp ? vp->getDouble("", 40, 100) : 100;
}
void ZcDbDatabase::setView(const ZcGePoint2d& center, double height) {
  ZcDbObjectPointer<ZcDbSymbolTableRecord> vp(symbolId("VPORT", "*Active"), ZcDb::kForWrite);
  if (!vp || !(height > 0)) return;
  vp->setDouble("AcDbViewportTableRecord", 12, center.x);
  vp->setDouble("AcDbViewportTableRecord", 22, center.y);
  vp->setDouble("AcDbViewportTableRecord", 40, height);
  setHeaderVariable("$VIEWCTR", {{10, host::formatDouble(center.x)}, {20, host::formatDouble(center.y)}});
  setHeaderVariable("$VIEWSIZE", {{40, host::formatDouble(height)}});
}

// ----------------------------------------------------------------- counts

size_t ZcDbDatabase::entityCount() const {
  size_t n = 0;
  ObjectRecord* head = tableHead("BLOCK_RECORD");
  if (!head) return 0;
  for (ObjectRecord* btr : head->children)
    if (!btr->erased() && (host::isModelSpaceName(nameOf(btr)) || host::isPaperSpaceName(nameOf(btr))))
      for (ObjectRecord* e : btr->children)
        if (!e->erased()) ++n;
  return n;
}

size_t ZcDbDatabase::blockCount() const {
  size_t n = 0;
  if (ObjectRecord* head = tableHead("BLOCK_RECORD"))
    for (ObjectRecord* btr : head->children)
      if (!btr->erased() && !host::isModelSpaceName(nameOf(btr)) && !host::isPaperSpaceName(nameOf(btr))) ++n;
  return n;
}

size_t ZcDbDatabase::layerCount() const {
  size_t n = 0;
  if (ObjectRecord* head = tableHead("LAYER"))
    for (ObjectRecord* r : head->children)
      if (!r->erased()) ++n;
  return n;
}
