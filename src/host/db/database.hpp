// The drawing database: objects reached by identifier, symbol tables,
// dictionaries, header variables. Objects are stored as tag records
// (see tags.hpp) and presented through the host's object classes
// (objects.hpp, entities.hpp).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/db/status.hpp"
#include "host/db/tags.hpp"
#include "host/geom/point.hpp"

class ZcDbDatabase;
class ZcRxClass;

namespace host {

// One object of a drawing: its DXF type, handle and tags.
struct ObjectRecord {
  ZcDbDatabase* db = nullptr;
  uint64_t handle = 0;                 // 0: none (CLASS records, objects not yet in a database)
  const std::string* type = nullptr;   // interned DXF type, "LINE"
  const ZcRxClass* cls = nullptr;      // most derived known class
  ObjectRecord* parent = nullptr;      // structural owner: block record, INSERT, POLYLINE, TABLE
  uint32_t flags = 0;
  PackedTags tags;                     // every tag after the type, except the handle
  std::vector<ObjectRecord*> children; // ATTRIBs/VERTEXes + SEQEND, a block's entities, a table's records

  enum : uint32_t { kErased = 1 };
  bool erased() const { return (flags & kErased) != 0; }
  const std::string& typeName() const;
};

const std::string* internType(std::string_view name);

// BLOCK and ENDBLK entities that open and close a block definition.
struct BlockDef {
  ObjectRecord* begin = nullptr;
  ObjectRecord* end = nullptr;
};

struct RawSection {
  std::string name;
  Tags tags;
};

// Records by handle. A drawing's handles run mostly from 1 up without gaps:
// those below a bound that follows the number of entries are kept in a
// table indexed by the handle (8 bytes a record where a hash map node takes
// about 40), the others in a hash map. A null record is no entry.
class HandleIndex {
 public:
  struct Entry {
    uint64_t first;
    ObjectRecord* second;
  };
  // The entry emplace() found or made, read as a map iterator is.
  class Position {
   public:
    explicit Position(Entry e) : e_(e) {}
    const Entry* operator->() const { return &e_; }
    const Entry& operator*() const { return e_; }

   private:
    Entry e_;
  };

  ObjectRecord* get(uint64_t h) const {
    if (h < dense_.size() && dense_[h]) return dense_[h];
    if (sparse_.empty()) return nullptr;
    auto it = sparse_.find(h);
    return it == sparse_.end() ? nullptr : it->second;
  }
  size_t count(uint64_t h) const { return get(h) ? 1 : 0; }
  // Adds the record when the handle is free; gives the record under the handle.
  std::pair<Position, bool> emplace(uint64_t h, ObjectRecord* r);
  // Puts the record under the handle, replacing any other.
  void set(uint64_t h, ObjectRecord* r);
  void erase(uint64_t h);
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear();

 private:
  bool tableSlot(uint64_t h);  // true when h is (now) within the table
  std::vector<ObjectRecord*> dense_;
  std::unordered_map<uint64_t, ObjectRecord*> sparse_;
  size_t size_ = 0;
};

// Everything a drawing holds, in the shape of its DXF sections. The reader
// fills it, the writer walks it; the host classes work on the records.
struct DrawingStore {
  Tags header;                         // HEADER: 9 $NAME followed by its values
  std::vector<ObjectRecord*> classes;  // CLASS records
  std::vector<ObjectRecord*> tables;   // TABLE heads in file order; records are their children
  std::vector<ObjectRecord*> objects;  // OBJECTS section order, root dictionary first
  std::vector<RawSection> extraSections;
  std::unordered_map<const ObjectRecord*, BlockDef> blockDefs;  // by BLOCK_RECORD
  std::deque<ObjectRecord> records;    // storage: addresses are stable
  HandleIndex byHandle;
  uint64_t nextHandle = 1;
  std::string versionRead;             // $ACADVER of the file read, empty for a new drawing

  // Read but not yet placed: blocks of files without a block record table
  // and the ENTITIES section (completeStructure() places them).
  struct PendingBlock {
    ObjectRecord* begin = nullptr;
    std::vector<ObjectRecord*> entities;
    ObjectRecord* end = nullptr;
  };
  std::vector<PendingBlock> pendingBlocks;
  std::vector<ObjectRecord*> pendingEntities;
  std::vector<std::string> warnings;   // what the reader repaired
};

}  // namespace host

class ZcDbHandle {
 public:
  ZcDbHandle() = default;
  explicit ZcDbHandle(uint64_t v) : value_(v) {}
  explicit ZcDbHandle(std::string_view hex) : value_(host::parseHandle(hex)) {}
  bool isNull() const { return value_ == 0; }
  uint64_t value() const { return value_; }
  std::string toString() const { return host::formatHandle(value_); }
  bool operator==(const ZcDbHandle&) const = default;

 private:
  uint64_t value_ = 0;
};

class ZcDbObjectId {
 public:
  ZcDbObjectId() = default;
  explicit ZcDbObjectId(host::ObjectRecord* r) : rec_(r) {}
  static const ZcDbObjectId kNull;

  bool isNull() const { return rec_ == nullptr; }
  bool isErased() const { return rec_ && rec_->erased(); }
  bool isValid() const { return rec_ && rec_->db && rec_->handle != 0 && !rec_->erased(); }
  ZcDbDatabase* database() const { return rec_ ? rec_->db : nullptr; }
  ZcDbHandle handle() const { return ZcDbHandle(rec_ ? rec_->handle : 0); }
  host::ObjectRecord* record() const { return rec_; }
  bool objectLeftOnDisk() const { return false; }

  bool operator==(const ZcDbObjectId& o) const { return rec_ == o.rec_; }
  bool operator<(const ZcDbObjectId& o) const;  // by handle: deterministic order

 private:
  host::ObjectRecord* rec_ = nullptr;
};

// The entity name a LISP program holds for an object.
struct ads_name {
  ZcDbObjectId id;
};
Zcad::ErrorStatus zcdbGetAdsName(ads_name& name, ZcDbObjectId id);
Zcad::ErrorStatus zcdbGetObjectId(ZcDbObjectId& id, const ads_name& name);

class ZcDbDatabase {
 public:
  // A new drawing holds the tables, records, blocks and objects every drawing
  // needs; without it the database is empty (the reader fills it).
  explicit ZcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
  ~ZcDbDatabase();
  ZcDbDatabase(const ZcDbDatabase&) = delete;
  ZcDbDatabase& operator=(const ZcDbDatabase&) = delete;

  // Files. Reading a path ending in .dwg that does not exist reads the .dxf of
  // the same name. On failure the database is left as it was and
  // lastError() tells why (file and line).
  Zcad::ErrorStatus readDwgFile(const std::string& path);
  Zcad::ErrorStatus readDwgFile(const std::wstring& path);
  Zcad::ErrorStatus saveAs(const std::string& path);
  Zcad::ErrorStatus saveAs(const std::wstring& path);
  const std::string& lastError() const { return lastError_; }
  void setLastError(std::string e) { lastError_ = std::move(e); }
  const std::string& filename() const { return filename_; }
  void setFilename(std::string f) { filename_ = std::move(f); }

  // Symbol tables.
  ZcDbObjectId blockTableId() const { return tableId("BLOCK_RECORD"); }
  ZcDbObjectId layerTableId() const { return tableId("LAYER"); }
  ZcDbObjectId textStyleTableId() const { return tableId("STYLE"); }
  ZcDbObjectId linetypeTableId() const { return tableId("LTYPE"); }
  ZcDbObjectId regAppTableId() const { return tableId("APPID"); }
  ZcDbObjectId viewportTableId() const { return tableId("VPORT"); }
  ZcDbObjectId dimStyleTableId() const { return tableId("DIMSTYLE"); }
  ZcDbObjectId viewTableId() const { return tableId("VIEW"); }
  ZcDbObjectId UCSTableId() const { return tableId("UCS"); }
  ZcDbObjectId tableId(std::string_view tableName) const;
  // A record of a table by name (case-insensitive), null when absent.
  ZcDbObjectId symbolId(std::string_view tableName, std::string_view recordName) const;

  ZcDbObjectId modelSpaceId() const;
  ZcDbObjectId paperSpaceId() const;
  ZcDbObjectId currentSpaceId() const { return modelSpaceId(); }
  ZcDbObjectId namedObjectsDictionaryId() const;
  ZcDbObjectId groupDictionaryId() const;

  // Header variables used by the tools.
  ZcDbObjectId clayer() const;
  Zcad::ErrorStatus setClayer(ZcDbObjectId layerId);
  ZcDbObjectId textstyle() const;
  Zcad::ErrorStatus setTextstyle(ZcDbObjectId styleId);
  double textsize() const;
  ZcGePoint3d insbase() const;
  void setInsbase(const ZcGePoint3d& p);
  ZcGePoint3d extmin() const;
  ZcGePoint3d extmax() const;
  // Recomputes $EXTMIN/$EXTMAX from the extents of the model space entities.
  void updateExt();
  // The view of the active viewport: centre and height in drawing units.
  ZcGePoint2d viewCenter() const;
  double viewHeight() const;
  void setView(const ZcGePoint2d& center, double height);
  // Raw header variable: its value tags (without the 9 $NAME), empty when absent.
  host::Tags headerVariable(std::string_view name) const;
  void setHeaderVariable(std::string_view name, const host::Tags& values);
  double headerDouble(std::string_view name, int code, double fallback) const;
  std::string headerString(std::string_view name, std::string_view fallback = {}) const;

  Zcad::ErrorStatus getZcDbObjectId(ZcDbObjectId& id, bool createIfNotFound, const ZcDbHandle& h);
  ZcDbObjectId idOfHandle(uint64_t handle) const;
  uint64_t handseed() const { return store_.nextHandle; }

  // Inserts every model space entity of `source` into this database as the
  // block definition `blockName`, with the blocks, layers, text styles,
  // linetypes and applications they use (records of the same name already
  // here are kept). Handles are translated to new ones.
  Zcad::ErrorStatus insert(ZcDbObjectId& blockId, const std::wstring& blockName, ZcDbDatabase* source,
                           bool preserveSourceDatabase = true);
  Zcad::ErrorStatus insert(ZcDbObjectId& blockId, const std::string& blockName, ZcDbDatabase* source);

  // Internal interface of the stand-in (reader, writer, object classes).
  host::DrawingStore& store() { return store_; }
  const host::DrawingStore& store() const { return store_; }
  host::ObjectRecord* newRecord(std::string_view type, host::Tags tags, host::ObjectRecord* parent,
                                bool assignHandle = true);
  host::ObjectRecord* adoptRecord(std::unique_ptr<host::ObjectRecord> detached, host::ObjectRecord* parent);
  uint64_t allocateHandle();
  void indexHandle(host::ObjectRecord* r);
  host::ObjectRecord* recordOfHandle(uint64_t h) const;
  host::ObjectRecord* tableHead(std::string_view name) const;
  // Makes the database complete: standard tables, records, blocks, layouts,
  // dictionaries, and modern tags for old-style entities. Run after reading
  // and on a new drawing.
  void completeStructure();
  // The columns of a 2007-2013 multiline text (separate MTEXT entities
  // linked from the first) merged into the first, as modern files keep them.
  void mergeLinkedMTextColumns(host::ObjectRecord* r);
  // Counts for the console summary.
  size_t entityCount() const;
  size_t blockCount() const;  // block definitions, model and paper spaces excluded
  size_t layerCount() const;

 private:
  host::DrawingStore store_;
  std::string lastError_;
  std::string filename_;
};

// Drawing files: the reader and writer live in host/dxf.
namespace host {
bool isModelSpaceName(std::string_view name);
bool isPaperSpaceName(std::string_view name);
bool iequals(std::string_view a, std::string_view b);
std::string toUtf8(const std::wstring& w);
std::wstring fromUtf8(std::string_view s);
}  // namespace host
