// Host object classes over the tag records, and the open/close protocol.
//
// Opening an id gives an object of the most derived class the record is,
// held by a guard (ZcDbObjectPointer) that closes it on every path. New
// objects are made with std::make_unique and appended to their owner.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/database.hpp"
#include "host/db/resbuf.hpp"

namespace host {
// True while the database builds a view of a record it holds: constructors
// then skip the template tags of a new object, which the view would drop.
bool makingView();
// Removes the {ACAD_XDICTIONARY group of a record that names no dictionary
// (nothing, an erased object, an object of another class); true when it did.
bool dropBrokenExtensionDictionary(ObjectRecord& r);
}  // namespace host

// Run-time class of a host object: its name and the DXF subclass marker it
// adds ("AcDbBlockReference"), which the selection filters match.
class ZcRxClass {
 public:
  constexpr ZcRxClass(const char* name, const char* marker, const ZcRxClass* parent)
      : name_(name), marker_(marker), parent_(parent) {}
  const char* name() const { return name_; }
  const char* dxfMarker() const { return marker_; }
  const ZcRxClass* myParent() const { return parent_; }
  bool isDerivedFrom(const ZcRxClass* other) const;
  // True when the class or one of its parents carries this subclass marker.
  bool hasMarker(std::string_view marker) const;

 private:
  const char* name_;
  const char* marker_;
  const ZcRxClass* parent_;
};

#define GELTARO_DECLARE_CLASS(T)                          \
 public:                                                  \
  static const ZcRxClass* desc();                         \
  static T* cast(ZcDbObject* o);                          \
  static const T* cast(const ZcDbObject* o);              \
  const ZcRxClass* isA() const override { return desc(); }

class ZcDbObject {
 public:
  virtual ~ZcDbObject();
  ZcDbObject(const ZcDbObject&) = delete;
  ZcDbObject& operator=(const ZcDbObject&) = delete;

  static const ZcRxClass* desc();
  virtual const ZcRxClass* isA() const { return desc(); }
  bool isKindOf(const ZcRxClass* c) const { return isA()->isDerivedFrom(c); }

  ZcDbObjectId objectId() const;
  ZcDbObjectId ownerId() const;
  Zcad::ErrorStatus setOwnerId(ZcDbObjectId owner);
  ZcDbDatabase* database() const;
  ZcDbHandle getZcDbHandle() const;
  const std::string& dxfName() const;  // "LINE"

  bool isWriteEnabled() const { return mode_ == ZcDb::kForWrite; }
  bool isReadEnabled() const { return true; }
  bool isNewObject() const { return owned_ != nullptr; }
  bool isErased() const;
  Zcad::ErrorStatus upgradeOpen();
  Zcad::ErrorStatus downgradeOpen();
  Zcad::ErrorStatus close();  // the object stays usable only through its id
  Zcad::ErrorStatus erase(bool erasing = true);

  // Extension dictionary (ACAD_XDICTIONARY app data).
  ZcDbObjectId extensionDictionary() const;
  Zcad::ErrorStatus createExtensionDictionary();  // eAlreadyInDb when it exists

  // Extended data: the chain of one application (starting with its 1001),
  // or of all applications when appName is empty.
  ResbufChain xData(const std::wstring& appName = {}) const;
  // Replaces the data of every application named in the chain (a chain of a
  // single 1001 removes that application's data). The application must be
  // registered in the drawing's application table.
  Zcad::ErrorStatus setXData(const ResbufChain& chain);
  bool hasXData(std::string_view appName) const;

  // The object's DXF tags (after the type, without the handle).
  host::Tags dxfTags() const;
  Zcad::ErrorStatus setDxfTags(host::Tags tags);
  host::ObjectRecord* record() const { return rec_; }

 protected:
  ZcDbObject() = default;
  // A new object, not yet in a database, with its template tags.
  void initNew(std::string_view type, host::Tags tags);
  void initNew(std::string_view type, host::PackedTags tags);
  Zcad::ErrorStatus checkWrite() const;

 public:
  // Tag access within a subclass (between its 100 marker and the next 100,
  // 101 or extended data). An empty subclass means the whole object.
  const char* find(std::string_view subclass, int code, std::string_view* value) const;
  bool has(std::string_view subclass, int code) const;
  double getDouble(std::string_view subclass, int code, double fallback = 0.0) const;
  long long getInt(std::string_view subclass, int code, long long fallback = 0) const;
  std::string getString(std::string_view subclass, int code, std::string_view fallback = {}) const;
  ZcGePoint3d getPoint(std::string_view subclass, int xCode, const ZcGePoint3d& fallback = {}) const;
  uint64_t getHandle(std::string_view subclass, int code) const;
  Zcad::ErrorStatus setValue(std::string_view subclass, int code, std::string value);
  Zcad::ErrorStatus setDouble(std::string_view subclass, int code, double v);
  Zcad::ErrorStatus setInt(std::string_view subclass, int code, long long v);
  Zcad::ErrorStatus setPoint(std::string_view subclass, int xCode, const ZcGePoint3d& p);
  Zcad::ErrorStatus removeCode(std::string_view subclass, int code);

 public:
  // Internal: the object class for a record, opened in a mode.
  static std::unique_ptr<ZcDbObject> makeView(host::ObjectRecord* r, ZcDb::OpenMode mode);
  void attachRecord(host::ObjectRecord* r, ZcDb::OpenMode mode) {
    rec_ = r;
    mode_ = mode;
  }
  // Internal: hands over a new object's record to the database.
  std::unique_ptr<host::ObjectRecord> releaseNewRecord();

 protected:
  host::ObjectRecord* rec_ = nullptr;
  std::unique_ptr<host::ObjectRecord> owned_;  // set while the object is not in a database
  ZcDb::OpenMode mode_ = ZcDb::kForWrite;
};

// The most derived class a record is (computed from its type and markers).
const ZcRxClass* classOfRecord(const host::ObjectRecord& r);

// Opens an object: eNullObjectId, eWasErased (unless openErased),
// eNotThatKindOfClass when it is not a T.
Zcad::ErrorStatus openObject(std::unique_ptr<ZcDbObject>& out, ZcDbObjectId id, ZcDb::OpenMode mode,
                             const ZcRxClass* cls, bool openErased = false);

template <class T>
class ZcDbObjectPointer {
 public:
  ZcDbObjectPointer() = default;
  ZcDbObjectPointer(ZcDbObjectId id, ZcDb::OpenMode mode, bool openErased = false) {
    open(id, mode, openErased);
  }
  Zcad::ErrorStatus open(ZcDbObjectId id, ZcDb::OpenMode mode, bool openErased = false) {
    obj_.reset();
    status_ = openObject(obj_, id, mode, T::desc(), openErased);
    return status_;
  }
  // Takes a new object (not in a database) under the guard.
  explicit ZcDbObjectPointer(std::unique_ptr<T> created) : obj_(std::move(created)), status_(Zcad::eOk) {}
  Zcad::ErrorStatus openStatus() const { return status_; }
  explicit operator bool() const { return obj_ != nullptr; }
  T* object() const { return static_cast<T*>(obj_.get()); }
  T* operator->() const { return object(); }
  T& operator*() const { return *object(); }
  Zcad::ErrorStatus close() {
    obj_.reset();
    status_ = Zcad::eNullObjectId;
    return Zcad::eOk;
  }

 private:
  std::unique_ptr<ZcDbObject> obj_;
  Zcad::ErrorStatus status_ = Zcad::eNullObjectId;
};

// The host's free open function, with a guard instead of a raw pointer.
template <class T>
Zcad::ErrorStatus zcdbOpenObject(ZcDbObjectPointer<T>& out, ZcDbObjectId id, ZcDb::OpenMode mode,
                                 bool openErased = false) {
  return out.open(id, mode, openErased);
}

// ---------------------------------------------------------------- objects

class ZcDbDictionary : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbDictionary)
 public:
  ZcDbDictionary();
  Zcad::ErrorStatus getAt(const std::wstring& key, ZcDbObjectId& id) const;
  Zcad::ErrorStatus getAt(std::string_view key, ZcDbObjectId& id) const;
  bool has(const std::wstring& key) const;
  // Sets an entry; an earlier entry under the key is erased and replaced.
  // A new object is appended to the database and owned by the dictionary.
  // The key "*" gives the entry the first free anonymous key "*A1", "*A2"
  // ... (how anonymous groups are added to the group dictionary).
  Zcad::ErrorStatus setAt(const std::wstring& key, ZcDbObject* object, ZcDbObjectId& id);
  Zcad::ErrorStatus setAt(const std::wstring& key, ZcDbObjectId existing);
  Zcad::ErrorStatus remove(const std::wstring& key);
  size_t numEntries() const;
  std::vector<std::pair<std::wstring, ZcDbObjectId>> entries() const;
  // Hard (360) or soft (350) ownership of entries.
  bool isHardOwner() const;
};

class ZcDbXrecord : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbXrecord)
 public:
  ZcDbXrecord();
  ResbufChain rbChain() const;
  Zcad::ErrorStatus setFromRbChain(const ResbufChain& chain);
  bool isXlateReferences() const;
  Zcad::ErrorStatus setXlateReferences(bool translate);
};

class ZcDbGroup : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbGroup)
 public:
  ZcDbGroup(const std::wstring& description = {}, bool selectable = true);
  std::wstring description() const;
  bool isSelectable() const;
  bool isAnonymous() const;
  Zcad::ErrorStatus setSelectable(bool on);
  Zcad::ErrorStatus setAnonymous();
  Zcad::ErrorStatus append(ZcDbObjectId entity);
  Zcad::ErrorStatus remove(ZcDbObjectId entity);
  Zcad::ErrorStatus clear();
  std::vector<ZcDbObjectId> allEntityIds() const;
  size_t numEntities() const;
  bool has(ZcDbObjectId entity) const;
};

// ---------------------------------------------------------- symbol tables

class ZcDbSymbolTableRecord : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbSymbolTableRecord)
 public:
  std::wstring getName() const;
  std::string name() const;  // UTF-8
  Zcad::ErrorStatus setName(const std::wstring& name);
  int flags() const;
  Zcad::ErrorStatus setFlags(int f);
};

class ZcDbSymbolTable : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbSymbolTable)
 public:
  std::string tableName() const;  // "LAYER"
  bool has(const std::wstring& name) const;
  bool has(std::string_view name) const;
  Zcad::ErrorStatus getAt(const std::wstring& name, ZcDbObjectId& id, bool getErased = false) const;
  Zcad::ErrorStatus getAt(std::string_view name, ZcDbObjectId& id, bool getErased = false) const;
  // Appends a new record (eDuplicateRecordName when the name is taken).
  Zcad::ErrorStatus add(ZcDbObjectId& id, ZcDbSymbolTableRecord* record);
  Zcad::ErrorStatus add(ZcDbSymbolTableRecord* record) {
    ZcDbObjectId id;
    return add(id, record);
  }
  std::vector<ZcDbObjectId> recordIds() const;  // not erased, in table order
};

class ZcDbLayerTable : public ZcDbSymbolTable {
  GELTARO_DECLARE_CLASS(ZcDbLayerTable)
};
class ZcDbBlockTable : public ZcDbSymbolTable {
  GELTARO_DECLARE_CLASS(ZcDbBlockTable)
};
class ZcDbTextStyleTable : public ZcDbSymbolTable {
  GELTARO_DECLARE_CLASS(ZcDbTextStyleTable)
};
class ZcDbRegAppTable : public ZcDbSymbolTable {
  GELTARO_DECLARE_CLASS(ZcDbRegAppTable)
};
class ZcDbLinetypeTable : public ZcDbSymbolTable {
  GELTARO_DECLARE_CLASS(ZcDbLinetypeTable)
};

class ZcDbLayerTableRecord : public ZcDbSymbolTableRecord {
  GELTARO_DECLARE_CLASS(ZcDbLayerTableRecord)
 public:
  ZcDbLayerTableRecord();
  int colorIndex() const;  // always positive; isOff() tells a negative stored colour
  Zcad::ErrorStatus setColorIndex(int c);
  bool isOff() const;
  Zcad::ErrorStatus setIsOff(bool off);
  bool isFrozen() const;
  Zcad::ErrorStatus setIsFrozen(bool frozen);
  bool isLocked() const;
  Zcad::ErrorStatus setIsLocked(bool locked);
  std::string linetypeName() const;
};

class ZcDbEntity;
class ZcDbBlockTableRecord : public ZcDbSymbolTableRecord {
  GELTARO_DECLARE_CLASS(ZcDbBlockTableRecord)
 public:
  ZcDbBlockTableRecord();
  // Appends an entity at the end of the block (drawing order); the entity
  // stays open for write under its caller's ownership.
  Zcad::ErrorStatus appendZcDbEntity(ZcDbObjectId& id, ZcDbEntity* entity);
  Zcad::ErrorStatus appendZcDbEntity(ZcDbEntity* entity) {
    ZcDbObjectId id;
    return appendZcDbEntity(id, entity);
  }
  std::vector<ZcDbObjectId> entityIds() const;  // not erased, in drawing order
  ZcGePoint3d origin() const;
  Zcad::ErrorStatus setOrigin(const ZcGePoint3d& p);
  std::wstring comments() const;
  Zcad::ErrorStatus setComments(const std::wstring& text);
  bool isLayout() const;
  bool isAnonymous() const;
  // An external reference (attached or overlaid) and a block that comes
  // from one ("XREF|BLOCK").
  bool isFromExternalReference() const;
  bool isDependent() const;
  bool hasAttributeDefinitions() const;
  std::string pathName() const;  // external reference path
};

class ZcDbTextStyleTableRecord : public ZcDbSymbolTableRecord {
  GELTARO_DECLARE_CLASS(ZcDbTextStyleTableRecord)
 public:
  ZcDbTextStyleTableRecord();
  double textSize() const;
  Zcad::ErrorStatus setTextSize(double h);
  double xScale() const;
  Zcad::ErrorStatus setXScale(double w);
  std::string fileName() const;
  Zcad::ErrorStatus setFileName(const std::string& font);
};

class ZcDbRegAppTableRecord : public ZcDbSymbolTableRecord {
  GELTARO_DECLARE_CLASS(ZcDbRegAppTableRecord)
 public:
  ZcDbRegAppTableRecord();
};

class ZcDbLinetypeTableRecord : public ZcDbSymbolTableRecord {
  GELTARO_DECLARE_CLASS(ZcDbLinetypeTableRecord)
 public:
  ZcDbLinetypeTableRecord();
  std::string comments() const;
};

namespace host {
// A new anonymous group of the drawing ("*A<n>") holding `entities` in that
// order; the null id when the drawing's group dictionary cannot be opened.
ZcDbObjectId addAnonymousGroup(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& entities);
}  // namespace host

// Registers an application name in the drawing (1 when added, 0 when it was there).
int zcdbRegApp(ZcDbDatabase* db, const std::wstring& appName);
// The host's symbol name check: 1 when the name is valid for a table record.
int zcdbSNValid(const std::wstring& name, int pipeTest);

// Entity lists: an object as a resbuf chain of group codes, headed by
// (-1 entity name) (0 type) (5 handle) and, when applications are asked for,
// followed by (-3) and their extended data (each application's 1001 first).
// An empty application list gives no extended data; "*" gives all.
ResbufChain zcdbEntGet(ZcDbObjectId id, const std::vector<std::wstring>& apps = {});
// Writes an entity list back: the object named by its -1 group takes the
// groups of the list (its type and handle cannot change); extended data after
// -3 replaces that of the applications it names. Returns eOk, or a status
// when the list names no object, another type, or an erased one.
Zcad::ErrorStatus zcdbEntMod(const ResbufChain& list);
