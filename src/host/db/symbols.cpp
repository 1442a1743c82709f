#include <algorithm>
#include <cctype>

#include "host/db/entities.hpp"
#include "host/db/objects.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

// ------------------------------------------------------------ records

std::string ZcDbSymbolTableRecord::name() const { return getString("", 2); }
std::wstring ZcDbSymbolTableRecord::getName() const { return host::fromUtf8(name()); }
Zcad::ErrorStatus ZcDbSymbolTableRecord::setName(const std::wstring& n) {
  if (zcdbSNValid(n, 0) != 1 && n.rfind(L"*", 0) != 0) return Zcad::eInvalidSymbolTableName;
  return setValue("", 2, host::toUtf8(n));
}
int ZcDbSymbolTableRecord::flags() const { return int(getInt("", 70, 0)); }
Zcad::ErrorStatus ZcDbSymbolTableRecord::setFlags(int f) { return setInt("", 70, f); }

static Tags recordTemplate(const char* marker, const std::string& extraName = {}) {
  return {{330, "0"}, {100, "AcDbSymbolTableRecord"}, {100, marker}, {2, extraName}, {70, "0"}};
}

ZcDbLayerTableRecord::ZcDbLayerTableRecord() {
  if (host::makingView()) return;
  Tags t = recordTemplate("AcDbLayerTableRecord");
  t.push_back({62, "7"});
  t.push_back({6, "Continuous"});
  t.push_back({370, "-3"});
  initNew("LAYER", t);
}
int ZcDbLayerTableRecord::colorIndex() const {
  long long c = getInt("AcDbLayerTableRecord", 62, 7);
  return int(c < 0 ? -c : c);
}
Zcad::ErrorStatus ZcDbLayerTableRecord::setColorIndex(int c) {
  c = std::clamp(c, 1, 255);
  return setInt("AcDbLayerTableRecord", 62, isOff() ? -c : c);
}
bool ZcDbLayerTableRecord::isOff() const { return getInt("AcDbLayerTableRecord", 62, 7) < 0; }
Zcad::ErrorStatus ZcDbLayerTableRecord::setIsOff(bool off) {
  int c = colorIndex();
  return setInt("AcDbLayerTableRecord", 62, off ? -c : c);
}
bool ZcDbLayerTableRecord::isFrozen() const { return (flags() & 1) != 0; }
Zcad::ErrorStatus ZcDbLayerTableRecord::setIsFrozen(bool on) { return setFlags(on ? flags() | 1 : flags() & ~1); }
bool ZcDbLayerTableRecord::isLocked() const { return (flags() & 4) != 0; }
Zcad::ErrorStatus ZcDbLayerTableRecord::setIsLocked(bool on) { return setFlags(on ? flags() | 4 : flags() & ~4); }
std::string ZcDbLayerTableRecord::linetypeName() const { return getString("AcDbLayerTableRecord", 6, "Continuous"); }

ZcDbBlockTableRecord::ZcDbBlockTableRecord() {
  if (host::makingView()) return;
  initNew("BLOCK_RECORD",
          {{330, "0"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"}, {2, ""}, {340, "0"}, {70, "0"}, {280, "1"}, {281, "0"}});
}

static ObjectRecord* blockBegin(const ObjectRecord* btr) {
  if (!btr->db) return nullptr;
  auto& defs = btr->db->store().blockDefs;
  auto it = defs.find(btr);
  return it == defs.end() ? nullptr : it->second.begin;
}

std::vector<ZcDbObjectId> ZcDbBlockTableRecord::entityIds() const {
  std::vector<ZcDbObjectId> out;
  out.reserve(rec_->children.size());
  for (ObjectRecord* r : rec_->children)
    if (!r->erased()) out.emplace_back(r);
  return out;
}

Zcad::ErrorStatus ZcDbBlockTableRecord::appendZcDbEntity(ZcDbObjectId& id, ZcDbEntity* entity) {
  if (auto s = checkWrite()) return s;
  if (!entity) return Zcad::eInvalidInput;
  if (!entity->isNewObject()) return Zcad::eAlreadyInDb;
  if (!rec_->db) return Zcad::eNotInDatabase;
  ZcDbDatabase* db = rec_->db;
  auto detached = entity->releaseNewRecord();
  ObjectRecord* r = db->adoptRecord(std::move(detached), rec_);
  rec_->children.push_back(r);
  entity->attachRecord(r, ZcDb::kForWrite);
  entity->setOwnerId(objectId());
  id = ZcDbObjectId(r);
  return Zcad::eOk;
}

ZcGePoint3d ZcDbBlockTableRecord::origin() const {
  ObjectRecord* b = blockBegin(rec_);
  if (!b) return {};
  auto v = ZcDbObject::makeView(b, ZcDb::kForRead);
  auto* e = static_cast<ZcDbBlockBegin*>(v.get());
  return e->getPoint("AcDbBlockBegin", 10);
}

Zcad::ErrorStatus ZcDbBlockTableRecord::setOrigin(const ZcGePoint3d& p) {
  if (auto s = checkWrite()) return s;
  ObjectRecord* b = blockBegin(rec_);
  if (!b) return Zcad::eNotInDatabase;
  auto v = ZcDbObject::makeView(b, ZcDb::kForWrite);
  return v->setPoint("AcDbBlockBegin", 10, p);
}

std::wstring ZcDbBlockTableRecord::comments() const {
  ObjectRecord* b = blockBegin(rec_);
  if (!b) return {};
  auto v = ZcDbObject::makeView(b, ZcDb::kForRead);
  return host::fromUtf8(v->getString("AcDbBlockBegin", 4));
}

Zcad::ErrorStatus ZcDbBlockTableRecord::setComments(const std::wstring& text) {
  if (auto s = checkWrite()) return s;
  ObjectRecord* b = blockBegin(rec_);
  if (!b) return Zcad::eNotInDatabase;
  auto v = ZcDbObject::makeView(b, ZcDb::kForWrite);
  return v->setValue("AcDbBlockBegin", 4, host::toUtf8(text));
}

bool ZcDbBlockTableRecord::isLayout() const {
  std::string n = name();
  return host::isModelSpaceName(n) || host::isPaperSpaceName(n);
}
bool ZcDbBlockTableRecord::isAnonymous() const {
  std::string n = name();
  return !n.empty() && n[0] == '*' && !isLayout();
}
// Flags of the BLOCK entity: 4 external reference, 8 overlaid, 16
// dependent on an external reference.
static long long blockFlags(ObjectRecord* btr) {
  ObjectRecord* b = blockBegin(btr);
  if (!b) return 0;
  auto v = ZcDbObject::makeView(b, ZcDb::kForRead);
  return v->getInt("AcDbBlockBegin", 70, 0);
}
bool ZcDbBlockTableRecord::isFromExternalReference() const {
  return (blockFlags(rec_) & (4 | 8)) != 0 || !pathName().empty();
}
bool ZcDbBlockTableRecord::isDependent() const { return (blockFlags(rec_) & 16) != 0; }
bool ZcDbBlockTableRecord::hasAttributeDefinitions() const {
  for (ObjectRecord* r : rec_->children)
    if (!r->erased() && r->typeName() == "ATTDEF") return true;
  return false;
}
std::string ZcDbBlockTableRecord::pathName() const {
  ObjectRecord* b = blockBegin(rec_);
  if (!b) return {};
  for (const auto& t : b->tags)
    if (t.code == 1) return std::string(t.value);
  return {};
}

ZcDbTextStyleTableRecord::ZcDbTextStyleTableRecord() {
  if (host::makingView()) return;
  Tags t = recordTemplate("AcDbTextStyleTableRecord");
  t.push_back({40, "0.0"});
  t.push_back({41, "1.0"});
  t.push_back({50, "0.0"});
  t.push_back({71, "0"});
  t.push_back({42, "2.5"});
  t.push_back({3, "txt"});
  t.push_back({4, ""});
  initNew("STYLE", t);
}
double ZcDbTextStyleTableRecord::textSize() const { return getDouble("AcDbTextStyleTableRecord", 40, 0); }
Zcad::ErrorStatus ZcDbTextStyleTableRecord::setTextSize(double h) { return setDouble("AcDbTextStyleTableRecord", 40, h); }
double ZcDbTextStyleTableRecord::xScale() const { return getDouble("AcDbTextStyleTableRecord", 41, 1); }
Zcad::ErrorStatus ZcDbTextStyleTableRecord::setXScale(double w) { return setDouble("AcDbTextStyleTableRecord", 41, w); }
std::string ZcDbTextStyleTableRecord::fileName() const { return getString("AcDbTextStyleTableRecord", 3); }
Zcad::ErrorStatus ZcDbTextStyleTableRecord::setFileName(const std::string& f) {
  return setValue("AcDbTextStyleTableRecord", 3, f);
}

ZcDbRegAppTableRecord::ZcDbRegAppTableRecord() {
  if (host::makingView()) return;
  initNew("APPID", recordTemplate("AcDbRegAppTableRecord"));
}

ZcDbLinetypeTableRecord::ZcDbLinetypeTableRecord() {
  if (host::makingView()) return;
  Tags t = recordTemplate("AcDbLinetypeTableRecord");
  t.push_back({3, ""});
  t.push_back({72, "65"});
  t.push_back({73, "0"});
  t.push_back({40, "0.0"});
  initNew("LTYPE", t);
}
std::string ZcDbLinetypeTableRecord::comments() const { return getString("AcDbLinetypeTableRecord", 3); }

// -------------------------------------------------------------- tables

std::string ZcDbSymbolTable::tableName() const { return getString("", 2); }

std::vector<ZcDbObjectId> ZcDbSymbolTable::recordIds() const {
  std::vector<ZcDbObjectId> out;
  for (ObjectRecord* r : rec_->children)
    if (!r->erased()) out.emplace_back(r);
  return out;
}

static std::string_view recordName(const ObjectRecord* r) {
  for (const auto& t : r->tags)
    if (t.code == 2) return t.value;
  return {};
}

Zcad::ErrorStatus ZcDbSymbolTable::getAt(std::string_view name, ZcDbObjectId& id, bool getErased) const {
  for (ObjectRecord* r : rec_->children) {
    if (r->erased() && !getErased) continue;
    if (host::iequals(recordName(r), name)) {
      id = ZcDbObjectId(r);
      return Zcad::eOk;
    }
  }
  id = ZcDbObjectId();
  return Zcad::eKeyNotFound;
}
Zcad::ErrorStatus ZcDbSymbolTable::getAt(const std::wstring& name, ZcDbObjectId& id, bool getErased) const {
  return getAt(std::string_view(host::toUtf8(name)), id, getErased);
}
bool ZcDbSymbolTable::has(std::string_view name) const {
  ZcDbObjectId id;
  return getAt(name, id) == Zcad::eOk;
}
bool ZcDbSymbolTable::has(const std::wstring& name) const { return has(std::string_view(host::toUtf8(name))); }

Zcad::ErrorStatus ZcDbSymbolTable::add(ZcDbObjectId& id, ZcDbSymbolTableRecord* record) {
  if (auto s = checkWrite()) return s;
  if (!record || !record->isNewObject()) return Zcad::eAlreadyInDb;
  if (!rec_->db) return Zcad::eNotInDatabase;
  std::string n = record->name();
  if (n.empty()) return Zcad::eInvalidSymbolTableName;
  if (n.size() == 2 && n[0] == '*' && std::isalpha(static_cast<unsigned char>(n[1]))) {
    // An anonymous block "*U" gets the next free number: *U1, *U2 ...
    for (int k = 1;; ++k) {
      std::string candidate = n + std::to_string(k);
      if (!has(std::string_view(candidate))) {
        n = candidate;
        record->setValue("", 2, n);
        break;
      }
    }
  }
  if (has(std::string_view(n))) return Zcad::eDuplicateRecordName;
  ZcDbDatabase* db = rec_->db;
  ObjectRecord* r = db->adoptRecord(record->releaseNewRecord(), rec_);
  rec_->children.push_back(r);
  record->attachRecord(r, ZcDb::kForWrite);
  record->setOwnerId(objectId());
  if (r->typeName() == "BLOCK_RECORD") {
    // A block definition opens with BLOCK and closes with ENDBLK.
    std::string layer = "0";
    ObjectRecord* b = db->newRecord(
        "BLOCK",
        {{330, host::formatHandle(r->handle)}, {100, "AcDbEntity"}, {8, layer}, {100, "AcDbBlockBegin"},
         {2, n}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, n}, {1, ""}},
        r);
    ObjectRecord* e = db->newRecord(
        "ENDBLK", {{330, host::formatHandle(r->handle)}, {100, "AcDbEntity"}, {8, layer}, {100, "AcDbBlockEnd"}}, r);
    db->store().blockDefs[r] = host::BlockDef{b, e};
  }
  id = ZcDbObjectId(r);
  return Zcad::eOk;
}

// --------------------------------------------------------- free functions

int zcdbRegApp(ZcDbDatabase* db, const std::wstring& appName) {
  if (!db || appName.empty()) return 0;
  ZcDbObjectPointer<ZcDbRegAppTable> table(db->regAppTableId(), ZcDb::kForWrite);
  if (!table) return 0;
  if (table->has(appName)) return 0;
  auto rec = std::make_unique<ZcDbRegAppTableRecord>();
  rec->setName(appName);
  return table->add(rec.get()) == Zcad::eOk ? 1 : 0;
}

int zcdbSNValid(const std::wstring& name, int pipeTest) {
  if (name.empty() || name.size() > 255) return 0;
  static const std::wstring forbidden = L"<>/\\\":;?*,=`";
  for (wchar_t c : name) {
    if (c < 32) return 0;
    if (forbidden.find(c) != std::wstring::npos) return 0;
    if (pipeTest && c == L'|') return 0;
  }
  if (name.front() == L' ' || name.back() == L' ') return 0;
  return 1;
}
