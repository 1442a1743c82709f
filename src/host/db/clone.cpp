// Inserting a drawing into another as a block definition (deep clone with
// handle translation).
#include <functional>
#include <unordered_map>

#include "host/db/entities.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

namespace {

std::string_view nameOf(const ObjectRecord* r) {
  for (const auto& t : r->tags)
    if (t.code == 2) return t.value;
  return {};
}

class Cloner {
 public:
  Cloner(ZcDbDatabase& to, ZcDbDatabase& from) : to_(to), from_(from) {}

  Zcad::ErrorStatus run(const std::string& blockName, ZcDbObjectId& blockId) {
    if (!to_.symbolId("BLOCK_RECORD", blockName).isNull()) return Zcad::eDuplicateRecordName;
    // Symbol records: the target's own record wins over one of the same name.
    for (const char* table : {"LTYPE", "LAYER", "STYLE", "APPID", "DIMSTYLE"}) {
      ObjectRecord* src = from_.tableHead(table);
      ObjectRecord* dst = to_.tableHead(table);
      if (!src || !dst) continue;
      for (ObjectRecord* r : src->children) {
        if (r->erased()) continue;
        ZcDbObjectId existing = to_.symbolId(table, nameOf(r));
        if (!existing.isNull()) {
          map_[r->handle] = existing.record()->handle;
          continue;
        }
        ObjectRecord* c = plan(r, dst);
        dst->children.push_back(c);
      }
    }
    // Blocks of the source drawing used by its model space come along.
    ObjectRecord* srcBlocks = from_.tableHead("BLOCK_RECORD");
    ObjectRecord* dstBlocks = to_.tableHead("BLOCK_RECORD");
    ObjectRecord* srcModel = from_.modelSpaceId().record();
    for (ObjectRecord* btr : srcBlocks->children) {
      std::string_view n = nameOf(btr);
      if (btr->erased() || host::isModelSpaceName(n) || host::isPaperSpaceName(n)) continue;
      ZcDbObjectId existing = to_.symbolId("BLOCK_RECORD", n);
      if (!existing.isNull()) {
        map_[btr->handle] = existing.record()->handle;
        continue;
      }
      cloneBlock(btr, dstBlocks, std::string(n));
    }
    ObjectRecord* target = cloneBlock(srcModel, dstBlocks, blockName);
    // The block's base point is the source drawing's insertion base.
    Tags base = from_.headerVariable("$INSBASE");
    ObjectRecord* begin = to_.store().blockDefs[target].begin;
    Tags bt = begin->tags.unpack();
    for (Tag& t : bt) {
      for (const Tag& b : base)
        if (t.code == b.code && (t.code == 10 || t.code == 20 || t.code == 30)) t.value = b.value;
    }
    begin->tags.assign(bt);
    translateAll();
    blockId = ZcDbObjectId(target);
    return Zcad::eOk;
  }

 private:
  // A new record in the target for a source record (tags translated later).
  ObjectRecord* plan(ObjectRecord* src, ObjectRecord* parent) {
    ObjectRecord* c = to_.newRecord(src->typeName(), {}, parent);
    c->tags = src->tags;
    map_[src->handle] = c->handle;
    pending_.push_back(c);
    for (ObjectRecord* child : src->children) {
      if (child->erased()) continue;
      ObjectRecord* cc = plan(child, c);
      c->children.push_back(cc);
    }
    planOwnedObjects(src);
    return c;
  }

  // Extension dictionaries and what they own travel with their object.
  void planOwnedObjects(ObjectRecord* src) {
    for (const auto& t : src->tags) {
      if (t.code >= 1000) break;
      if (t.code != 360) continue;
      ObjectRecord* o = from_.recordOfHandle(host::parseHandle(t.value));
      if (!o || o->erased() || map_.count(o->handle)) continue;
      ObjectRecord* c = plan(o, nullptr);
      to_.store().objects.push_back(c);
    }
  }

  ObjectRecord* cloneBlock(ObjectRecord* srcBtr, ObjectRecord* dstBlocks, const std::string& name) {
    Tags t{{330, host::formatHandle(dstBlocks->handle)}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
           {2, name}, {340, "0"}, {70, "0"}, {280, "1"}, {281, "0"}};
    ObjectRecord* btr = to_.newRecord("BLOCK_RECORD", t, dstBlocks);
    dstBlocks->children.push_back(btr);
    map_[srcBtr->handle] = btr->handle;
    auto def = from_.store().blockDefs.find(srcBtr);
    host::BlockDef nd;
    std::string h = host::formatHandle(btr->handle);
    Tags beginTags{{330, h}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"}, {2, name}, {70, "0"},
                   {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, name}, {1, ""}};
    if (def != from_.store().blockDefs.end() && !host::isModelSpaceName(nameOf(srcBtr))) {
      // Keep the source's base point, flags and description.
      Tags src = def->second.begin->tags.unpack();
      for (Tag& bt : beginTags)
        for (const Tag& s : src)
          if (bt.code == s.code && (s.code == 10 || s.code == 20 || s.code == 30 || s.code == 70 || s.code == 4))
            bt.value = s.value;
    }
    nd.begin = to_.newRecord("BLOCK", beginTags, btr);
    nd.end = to_.newRecord("ENDBLK", {{330, h}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"}}, btr);
    to_.store().blockDefs[btr] = nd;
    for (ObjectRecord* e : srcBtr->children) {
      if (e->erased()) continue;
      btr->children.push_back(plan(e, btr));
    }
    return btr;
  }

  void translateAll() {
    for (ObjectRecord* r : pending_) {
      Tags tags = r->tags.unpack();
      for (Tag& t : tags) {
        if (!host::isHandleCode(t.code)) continue;
        uint64_t h = host::parseHandle(t.value);
        if (h == 0) continue;
        auto it = map_.find(h);
        t.value = host::formatHandle(it == map_.end() ? 0 : it->second);
      }
      r->tags.assign(tags);
      r->cls = classOfRecord(*r);
    }
  }

  ZcDbDatabase& to_;
  ZcDbDatabase& from_;
  std::unordered_map<uint64_t, uint64_t> map_;
  std::vector<ObjectRecord*> pending_;
};

}  // namespace

Zcad::ErrorStatus ZcDbDatabase::insert(ZcDbObjectId& blockId, const std::string& blockName, ZcDbDatabase* source) {
  if (!source || source == this) return Zcad::eInvalidInput;
  if (blockName.empty() || zcdbSNValid(host::fromUtf8(blockName), 0) != 1) return Zcad::eInvalidSymbolTableName;
  if (source->modelSpaceId().isNull()) return Zcad::eInvalidInput;
  return Cloner(*this, *source).run(blockName, blockId);
}

Zcad::ErrorStatus ZcDbDatabase::insert(ZcDbObjectId& blockId, const std::wstring& blockName, ZcDbDatabase* source,
                                       bool) {
  return insert(blockId, host::toUtf8(blockName), source);
}
