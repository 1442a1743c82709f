// Completing a drawing: what every modern drawing file holds (tables with
// their standard records, model and paper space, layouts, the named object
// dictionary), and modern tags (handles, owners, subclass markers) for
// drawings read from old versions.
#include <algorithm>
#include <cstring>
#include <functional>

#include "host/db/database.hpp"
#include "host/db/objects.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

namespace {

const char* kTableOrder[] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"};

const char* recordMarker(std::string_view table) {
  if (table == "VPORT") return "AcDbViewportTableRecord";
  if (table == "LTYPE") return "AcDbLinetypeTableRecord";
  if (table == "LAYER") return "AcDbLayerTableRecord";
  if (table == "STYLE") return "AcDbTextStyleTableRecord";
  if (table == "VIEW") return "AcDbViewTableRecord";
  if (table == "UCS") return "AcDbUCSTableRecord";
  if (table == "APPID") return "AcDbRegAppTableRecord";
  if (table == "DIMSTYLE") return "AcDbDimStyleTableRecord";
  if (table == "BLOCK_RECORD") return "AcDbBlockTableRecord";
  return nullptr;
}

bool hasMarkers(const ObjectRecord* r) {
  for (const auto& t : r->tags)
    if (t.code == 100) return true;
  return false;
}

std::string_view firstValue(const ObjectRecord* r, int code) {
  for (const auto& t : r->tags)
    if (t.code == code) return t.value;
  return {};
}

int flags70(const ObjectRecord* r) { return int(host::parseInt(firstValue(r, 70))); }

// Codes an old-style entity keeps in its common part.
bool isCommonEntityCode(int c) {
  return c == 8 || c == 6 || c == 62 || c == 67 || c == 48 || c == 60 || c == 370 || c == 420 || c == 430 ||
         c == 440 || c == 284 || c == 347 || c == 390;
}

// Position after app data groups and the owner, where markers start.
size_t afterOwner(const Tags& tags, bool& hasOwner) {
  size_t i = 0;
  int depth = 0;
  hasOwner = false;
  for (; i < tags.size(); ++i) {
    if (tags[i].code == 102) {
      depth = (!tags[i].value.empty() && tags[i].value[0] == '{') ? depth + 1 : std::max(0, depth - 1);
      continue;
    }
    if (depth > 0) continue;
    if (tags[i].code == 330 && !hasOwner) {
      hasOwner = true;
      continue;
    }
    break;
  }
  return i;
}

bool hasOwnerTag(const ObjectRecord* r) {
  int depth = 0;
  for (const auto& t : r->tags) {
    if (t.code == 102) {
      depth = (!t.value.empty() && t.value[0] == '{') ? depth + 1 : std::max(0, depth - 1);
      continue;
    }
    if (depth > 0) continue;
    return t.code == 330;
  }
  return false;
}

void ensureOwner(ObjectRecord* r, uint64_t owner) {
  if (hasOwnerTag(r)) return;  // the common case: no unpacking
  Tags tags = r->tags.unpack();
  bool hasOwner;
  size_t at = afterOwner(tags, hasOwner);
  if (hasOwner) return;
  tags.insert(tags.begin() + long(at), Tag{330, host::formatHandle(owner)});
  r->tags.assign(tags);
}

// Splits an old-style entity's own tags into its modern subclasses.
void upgradeEntityTags(ObjectRecord* r) {
  if (hasMarkers(r)) return;
  const std::string& type = r->typeName();
  Tags tags = r->tags.unpack();
  bool hasOwner;
  size_t start = afterOwner(tags, hasOwner);
  Tags head(tags.begin(), tags.begin() + long(start));
  Tags common, own, xdata;
  for (size_t i = start; i < tags.size(); ++i) {
    if (tags[i].code >= 1000) xdata.push_back(tags[i]);
    else if (isCommonEntityCode(tags[i].code)) common.push_back(tags[i]);
    else own.push_back(tags[i]);
  }
  Tags out = head;
  out.push_back({100, "AcDbEntity"});
  if (std::none_of(common.begin(), common.end(), [](const Tag& t) { return t.code == 8; }))
    out.push_back({8, "0"});
  out.insert(out.end(), common.begin(), common.end());

  auto split = [&](const char* first, const char* second, std::initializer_list<int> secondCodes) {
    Tags a, b;
    for (auto& t : own)
      (std::find(secondCodes.begin(), secondCodes.end(), t.code) != secondCodes.end() ? b : a).push_back(t);
    out.push_back({100, first});
    out.insert(out.end(), a.begin(), a.end());
    if (second) {
      out.push_back({100, second});
      out.insert(out.end(), b.begin(), b.end());
    }
  };
  auto single = [&](const char* marker) {
    out.push_back({100, marker});
    out.insert(out.end(), own.begin(), own.end());
  };

  if (type == "LINE") single("AcDbLine");
  else if (type == "POINT") single("AcDbPoint");
  else if (type == "CIRCLE") single("AcDbCircle");
  else if (type == "ARC") split("AcDbCircle", "AcDbArc", {50, 51});
  else if (type == "TEXT") split("AcDbText", "AcDbText", {73});
  else if (type == "ATTRIB") split("AcDbText", "AcDbAttribute", {2, 70, 73, 74, 280});
  else if (type == "ATTDEF") split("AcDbText", "AcDbAttributeDefinition", {3, 2, 70, 73, 74, 280});
  else if (type == "INSERT") single("AcDbBlockReference");
  else if (type == "3DFACE") single("AcDbFace");
  else if (type == "SOLID" || type == "TRACE") single("AcDbTrace");
  else if (type == "SHAPE") single("AcDbShape");
  else if (type == "VIEWPORT") single("AcDbViewport");
  else if (type == "DIMENSION") single("AcDbDimension");
  else if (type == "BLOCK") single("AcDbBlockBegin");
  else if (type == "ENDBLK") single("AcDbBlockEnd");
  else if (type == "SEQEND") out.insert(out.end(), own.begin(), own.end());
  else if (type == "POLYLINE") {
    int f = flags70(r);
    const char* m = (f & 8) ? "AcDb3dPolyline" : (f & 64) ? "AcDbPolyFaceMesh" : (f & 16) ? "AcDbPolygonMesh" : "AcDb2dPolyline";
    single(m);
  } else if (type == "VERTEX") {
    int f = flags70(r);
    std::string parentKind = r->parent ? std::string(r->parent->cls ? r->parent->cls->dxfMarker() ? r->parent->cls->dxfMarker() : "" : "") : "";
    if ((f & 128) && !(f & 64)) {
      single("AcDbFaceRecord");
    } else {
      out.push_back({100, "AcDbVertex"});
      const char* m = "AcDb2dVertex";
      if ((f & 128) && (f & 64)) m = "AcDbPolyFaceMeshVertex";
      else if (f & 32 || parentKind == "AcDb3dPolyline") m = "AcDb3dPolylineVertex";
      else if (f & 64 || parentKind == "AcDbPolygonMesh") m = "AcDbPolygonMeshVertex";
      single(m);
    }
  } else {
    // Unknown old entity kind: keep its tags as they are.
    return;
  }
  out.insert(out.end(), xdata.begin(), xdata.end());
  r->tags.assign(out);
  r->cls = classOfRecord(*r);
}

void upgradeTableRecord(ObjectRecord* r, std::string_view table) {
  if (hasMarkers(r)) return;
  const char* marker = recordMarker(table);
  if (!marker) return;
  Tags tags = r->tags.unpack();
  bool hasOwner;
  size_t at = afterOwner(tags, hasOwner);
  Tags ins{{100, "AcDbSymbolTableRecord"}, {100, marker}};
  tags.insert(tags.begin() + long(at), ins.begin(), ins.end());
  r->tags.assign(tags);
}

void upgradeTableHead(ObjectRecord* r) {
  if (hasMarkers(r)) return;
  Tags tags = r->tags.unpack();
  // 2 NAME stays first, then owner and marker.
  size_t at = (!tags.empty() && tags[0].code == 2) ? 1 : 0;
  Tags ins{{330, "0"}, {100, "AcDbSymbolTable"}};
  tags.insert(tags.begin() + long(at), ins.begin(), ins.end());
  r->tags.assign(tags);
}

}  // namespace

namespace {

// The text of an MTEXT's tags: its 3 chunks, then its 1.
std::string mtextText(const Tags& tags) {
  std::string chunks, last;
  bool inXData = false;
  for (const Tag& t : tags) {
    if (t.code == 1001) inXData = true;
    if (inXData) continue;
    if (t.code == 3) chunks += t.value;
    if (t.code == 1) last = t.value;
  }
  return chunks + last;
}

}  // namespace

void ZcDbDatabase::mergeLinkedMTextColumns(ObjectRecord* r) {
  Tags tags = r->tags.unpack();
  // The ACAD extended data: where it starts and ends.
  std::size_t acad = tags.size(), acadEnd = tags.size();
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (tags[i].code == 1001) {
      if (acad != tags.size()) {
        acadEnd = i;
        break;
      }
      if (tags[i].value == "ACAD") acad = i;
    }
  if (acad == tags.size()) return;
  // The (1070 code, value) pairs of a named block of the ACAD data.
  struct Block {
    std::size_t begin = 0, end = 0;  // [begin, end]: the tags from BEGIN to END
    Tags content;
  };
  auto block = [&](const char* name) {
    Block b;
    const std::string begin = std::string(name) + "_BEGIN", end = std::string(name) + "_END";
    for (std::size_t i = acad + 1; i < acadEnd; ++i) {
      if (tags[i].code == 1000 && tags[i].value == begin) b.begin = i;
      else if (b.begin && tags[i].code == 1000 && tags[i].value == end) {
        b.end = i;
        b.content.assign(tags.begin() + std::ptrdiff_t(b.begin) + 1, tags.begin() + std::ptrdiff_t(i));
        return b;
      }
    }
    return Block{};
  };
  const Block info = block("ACAD_MTEXT_COLUMN_INFO");
  const Block columns = block("ACAD_MTEXT_COLUMNS");
  const Block heightBlock = block("ACAD_MTEXT_DEFINED_HEIGHT");
  if (!info.end) return;  // a column of another text, or no columns
  // Values by their code: a 1070 code, then its 1070/1040 value.
  auto value = [](const Tags& c, int code, double fallback) {
    for (std::size_t i = 0; i + 1 < c.size(); ++i)
      if (c[i].code == 1070 && c[i].toInt() == code) return c[i + 1].toDouble();
    return fallback;
  };
  std::vector<ObjectRecord*> linked;
  for (const Tag& t : columns.content)
    if (t.code == 1005)
      if (ObjectRecord* l = recordOfHandle(host::parseHandle(t.value)); l && l != r && l->typeName() == "MTEXT")
        linked.push_back(l);

  const int type = int(value(info.content, 75, 0));
  const int count = int(value(info.content, 76, double(linked.size() + 1)));
  const bool autoHeight = value(info.content, 79, 0) != 0;
  const bool reversed = value(info.content, 78, 0) != 0;
  const double width = value(info.content, 48, 0), gutter = value(info.content, 49, 0);
  const double definedHeight = value(heightBlock.content, 46, 0);
  std::vector<double> heights;
  for (std::size_t i = 0; i + 1 < info.content.size(); ++i)
    if (info.content[i].code == 1070 && info.content[i].toInt() == 50)
      for (std::size_t k = i + 2; k < info.content.size() && info.content[k].code == 1040; ++k)
        heights.push_back(info.content[k].toDouble());

  // The text: the first column's, then each linked column's after a column
  // break.
  std::string text = mtextText(tags);
  for (ObjectRecord* l : linked) text += "\\N" + mtextText(l->tags.unpack());

  // The entity's own tags, without its text and without the column blocks.
  Tags own;
  double x = 0, y = 0, z = 0, dx = 1, dy = 0, dz = 0, referenceWidth = 0;
  for (std::size_t i = 0; i < acad; ++i) {
    const Tag& t = tags[i];
    if (t.code == 1 || t.code == 3) continue;
    if (t.code == 10) x = t.toDouble();
    if (t.code == 20) y = t.toDouble();
    if (t.code == 30) z = t.toDouble();
    if (t.code == 11) dx = t.toDouble();
    if (t.code == 21) dy = t.toDouble();
    if (t.code == 31) dz = t.toDouble();
    if (t.code == 41) referenceWidth = t.toDouble();
    own.push_back(t);
  }
  // Text chunks of at most 250 bytes, never inside a UTF-8 character.
  std::size_t pos = 0;
  while (text.size() - pos > 250) {
    std::size_t n = 250;
    while (n > 0 && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80) --n;
    own.push_back({3, text.substr(pos, n)});
    pos += n;
  }
  own.push_back({1, text.substr(pos)});
  auto number = [](double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.15g", v);
    return std::string(b);
  };
  const double totalWidth = count * width + (count > 1 ? (count - 1) * gutter : 0);
  double totalHeight = definedHeight;
  for (double h : heights) totalHeight = std::max(totalHeight, h);
  Tags embedded{{101, "Embedded Object"},
             {70, "1"},
             {10, number(dx)},
             {20, number(dy)},
             {30, number(dz)},
             {11, number(x)},
             {21, number(y)},
             {31, number(z)},
             {40, number(referenceWidth)},
             {41, number(definedHeight)},
             {42, number(totalWidth)},
             {43, number(totalHeight)},
             {71, std::to_string(type)},
             {72, std::to_string(type == 2 && autoHeight ? 0 : count)},
             {44, number(width)},
             {45, number(gutter)},
             {73, autoHeight ? "1" : "0"},
             {74, reversed ? "1" : "0"}};
  if (type == 2 && !autoHeight)
    for (double h : heights) embedded.push_back({46, number(h)});
  own.insert(own.end(), embedded.begin(), embedded.end());

  // The ACAD data without the column blocks (dropped whole when nothing
  // else is left in it), then the other applications' data.
  Tags acadRest;
  for (std::size_t i = acad + 1; i < acadEnd; ++i) {
    const bool inBlock = [&] {
      for (const Block* b : {&info, &columns, &heightBlock})
        if (b->end && i >= b->begin && i <= b->end) return true;
      return false;
    }();
    if (!inBlock) acadRest.push_back(tags[i]);
  }
  if (!acadRest.empty()) {
    own.push_back(tags[acad]);
    own.insert(own.end(), acadRest.begin(), acadRest.end());
  }
  own.insert(own.end(), tags.begin() + std::ptrdiff_t(acadEnd), tags.end());
  r->tags.assign(own);

  // The linked columns are now part of the first text.
  for (ObjectRecord* l : linked) {
    l->flags |= ObjectRecord::kErased;
    if (ObjectRecord* p = l->parent) std::erase(p->children, l);
  }
}

void ZcDbDatabase::completeStructure() {
  auto& s = store_;

  // 1. Handles: keep the ones read; give new ones to records without a
  // handle or with one already taken.
  std::vector<ObjectRecord*> needHandle;
  // The handle seed of the file is where new handles start.
  for (const Tag& t : headerVariable("$HANDSEED"))
    if (t.code == 5) s.nextHandle = std::max(s.nextHandle, host::parseHandle(t.value));
  for (ObjectRecord& r : s.records) {
    if (r.handle == 0 || r.typeName() == "CLASS") {
      if (r.typeName() != "CLASS" && !r.erased()) needHandle.push_back(&r);
      continue;
    }
    auto [it, inserted] = s.byHandle.emplace(r.handle, &r);
    if (!inserted && it->second != &r) {
      s.warnings.push_back("identifiant (handle) " + host::formatHandle(r.handle) + " en double : un nouveau lui est donné");
      needHandle.push_back(&r);
      continue;
    }
    if (r.handle >= s.nextHandle) s.nextHandle = r.handle + 1;
  }
  for (ObjectRecord* r : needHandle) {
    r->handle = allocateHandle();
    indexHandle(r);
  }

  // 2. Tables, in the standard order, with their standard records.
  for (const char* name : kTableOrder) {
    ObjectRecord* head = tableHead(name);
    if (!head) {
      Tags t{{2, name}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "0"}};
      if (std::strcmp(name, "DIMSTYLE") == 0) t.push_back({100, "AcDbDimStyleTable"});
      head = newRecord("TABLE", t, nullptr);
      // Keep the standard order among the tables already read.
      auto pos = s.tables.end();
      for (auto it = s.tables.begin(); it != s.tables.end(); ++it) {
        std::string_view other = firstValue(*it, 2);
        auto rank = [](std::string_view n) {
          for (size_t k = 0; k < std::size(kTableOrder); ++k)
            if (n == kTableOrder[k]) return int(k);
          return 100;
        };
        if (rank(other) > rank(name)) {
          pos = it;
          break;
        }
      }
      s.tables.insert(pos, head);
    }
    upgradeTableHead(head);
    // A record of another kind cannot stand for a record of this table (a
    // "*Model_Space" that is not a block record would be opened as one by
    // every command): it leaves the table, and what it named is made anew
    // below when the drawing needs it.
    std::erase_if(head->children, [&](ObjectRecord* r) {
      if (r->typeName() == name) return false;
      s.warnings.push_back("enregistrement " + (r->typeName().empty() ? std::string("sans type") : r->typeName()) +
                           " nommé « " + std::string(firstValue(r, 2)) + " » de la table " + name + " supprimé");
      r->flags |= ObjectRecord::kErased;
      r->parent = nullptr;
      return true;
    });
    for (ObjectRecord* r : head->children) {
      r->parent = head;
      upgradeTableRecord(r, name);
      ensureOwner(r, head->handle);
      r->cls = classOfRecord(*r);
    }
  }

  auto ensureRecord = [&](const char* table, const char* recName, Tags body) -> ObjectRecord* {
    ObjectRecord* head = tableHead(table);
    ZcDbObjectId id = symbolId(table, recName);
    if (!id.isNull()) return id.record();
    Tags t{{330, host::formatHandle(head->handle)}, {100, "AcDbSymbolTableRecord"}, {100, recordMarker(table)}, {2, recName}, {70, "0"}};
    t.insert(t.end(), body.begin(), body.end());
    ObjectRecord* r = newRecord(table, t, head);
    head->children.push_back(r);
    return r;
  };
  ensureRecord("VPORT", "*Active",
               {{10, "0.0"}, {20, "0.0"}, {11, "1.0"}, {21, "1.0"}, {12, "0.0"}, {22, "0.0"}, {13, "0.0"},
                {23, "0.0"}, {14, "10.0"}, {24, "10.0"}, {15, "10.0"}, {25, "10.0"}, {16, "0.0"}, {26, "0.0"},
                {36, "1.0"}, {17, "0.0"}, {27, "0.0"}, {37, "0.0"}, {40, "100.0"}, {41, "1.5"}, {42, "50.0"},
                {43, "0.0"}, {44, "0.0"}, {50, "0.0"}, {51, "0.0"}, {71, "0"}, {72, "1000"}, {73, "1"},
                {74, "3"}, {75, "0"}, {76, "0"}, {77, "0"}, {78, "0"}, {281, "0"}, {65, "1"}});
  ensureRecord("LTYPE", "ByBlock", {{3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"}});
  ensureRecord("LTYPE", "ByLayer", {{3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"}});
  ensureRecord("LTYPE", "Continuous", {{3, "Solid line"}, {72, "65"}, {73, "0"}, {40, "0.0"}});
  ensureRecord("LAYER", "0", {{62, "7"}, {6, "Continuous"}, {370, "-3"}});
  ensureRecord("STYLE", "Standard",
               {{40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"}, {42, "2.5"}, {3, "txt"}, {4, ""}});
  ensureRecord("APPID", "ACAD", {});
  if (symbolId("DIMSTYLE", "Standard").isNull()) ensureRecord("DIMSTYLE", "Standard", {});

  // 3. Block definitions: every block record has its BLOCK/ENDBLK pair.
  ObjectRecord* btrHead = tableHead("BLOCK_RECORD");
  auto ensureBlockRecord = [&](std::string_view name) -> ObjectRecord* {
    ZcDbObjectId id = symbolId("BLOCK_RECORD", name);
    if (!id.isNull()) return id.record();
    Tags t{{330, host::formatHandle(btrHead->handle)}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
           {2, std::string(name)}, {340, "0"}, {70, "0"}, {280, "1"}, {281, "0"}};
    ObjectRecord* r = newRecord("BLOCK_RECORD", t, btrHead);
    btrHead->children.push_back(r);
    return r;
  };
  ObjectRecord* model = ensureBlockRecord("*Model_Space");
  ObjectRecord* paper = ensureBlockRecord("*Paper_Space");

  for (auto& pb : s.pendingBlocks) {
    std::string name(firstValue(pb.begin, 2));
    // Old drawings name model and paper space $MODEL_SPACE / $PAPER_SPACE.
    if (host::iequals(name, "$MODEL_SPACE") || host::iequals(name, "$PAPER_SPACE")) {
      std::string modern = host::iequals(name, "$MODEL_SPACE") ? "*Model_Space" : "*Paper_Space";
      Tags bt = pb.begin->tags.unpack();
      for (Tag& t : bt)
        if ((t.code == 2 || t.code == 3) && host::iequals(t.value, name)) t.value = modern;
      pb.begin->tags.assign(bt);
      name = modern;
    }
    ObjectRecord* btr = nullptr;
    // A BLOCK names its record through its owner in modern files.
    if (ObjectRecord* o = recordOfHandle(host::parseHandle(firstValue(pb.begin, 330))))
      if (o->typeName() == "BLOCK_RECORD" && o->parent == btrHead && !o->erased()) btr = o;
    if (!btr) {
      if (name.empty()) {
        // A block without a name becomes an anonymous block of its own.
        for (int k = 1; name.empty() || !symbolId("BLOCK_RECORD", name).isNull(); ++k) name = "*U" + std::to_string(k);
      }
      btr = ensureBlockRecord(name);
    }
    // The definition carries its record's name.
    std::string_view recordName = firstValue(btr, 2);
    if (recordName != firstValue(pb.begin, 2)) {
      Tags bt = pb.begin->tags.unpack();
      bool named = false;
      for (Tag& t : bt)
        if (t.code == 2 || t.code == 3) {
          t.value = std::string(recordName);
          named |= t.code == 2;
        }
      if (!named) bt.push_back(Tag{2, std::string(recordName)});
      pb.begin->tags.assign(bt);
    }
    if (s.blockDefs.count(btr)) {
      s.warnings.push_back("bloc " + name + " défini deux fois : la seconde définition est ignorée");
      for (ObjectRecord* e : pb.entities) e->flags |= ObjectRecord::kErased;
      pb.begin->flags |= ObjectRecord::kErased;
      if (pb.end) pb.end->flags |= ObjectRecord::kErased;
      continue;
    }
    if (!pb.end) pb.end = newRecord("ENDBLK", {{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"}}, btr);
    pb.begin->parent = btr;
    pb.end->parent = btr;
    s.blockDefs[btr] = host::BlockDef{pb.begin, pb.end};
    // Model and paper space keep their entities in the ENTITIES section.
    for (ObjectRecord* e : pb.entities) {
      e->parent = btr;
      btr->children.push_back(e);
    }
  }
  s.pendingBlocks.clear();

  for (ObjectRecord* e : s.pendingEntities) {
    ObjectRecord* owner = recordOfHandle(host::parseHandle(firstValue(e, 330)));
    ObjectRecord* target = model;
    if (owner && owner->typeName() == "BLOCK_RECORD" && owner->parent == btrHead && !owner->erased()) target = owner;
    else if (host::parseInt(firstValue(e, 67)) == 1) target = paper;
    e->parent = target;
    target->children.push_back(e);
  }
  s.pendingEntities.clear();

  for (ObjectRecord* btr : btrHead->children) {
    if (s.blockDefs.count(btr)) continue;
    std::string name(firstValue(btr, 2));
    ObjectRecord* b = newRecord("BLOCK",
                                {{330, host::formatHandle(btr->handle)}, {100, "AcDbEntity"}, {8, "0"},
                                 {100, "AcDbBlockBegin"}, {2, name}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                                 {30, "0.0"}, {3, name}, {1, ""}},
                                btr);
    ObjectRecord* e = newRecord("ENDBLK", {{330, host::formatHandle(btr->handle)}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"}}, btr);
    s.blockDefs[btr] = host::BlockDef{b, e};
  }

  // 4. Entities: modern tags and owners.
  std::function<void(ObjectRecord*, ObjectRecord*)> fixEntity = [&](ObjectRecord* e, ObjectRecord* owner) {
    e->parent = owner;
    upgradeEntityTags(e);
    ensureOwner(e, owner->handle);
    e->cls = classOfRecord(*e);
    for (ObjectRecord* c : e->children) fixEntity(c, e);
  };
  for (ObjectRecord* btr : btrHead->children) {
    btr->cls = classOfRecord(*btr);
    auto& def = s.blockDefs[btr];
    fixEntity(def.begin, btr);
    fixEntity(def.end, btr);
    for (ObjectRecord* e : btr->children) fixEntity(e, btr);
  }
  // Multiline texts in columns, as 2007 to 2013 files keep them: the
  // columns after the first are separate MTEXT entities linked from the
  // first through its extended data. The drawing is written as a modern
  // version, which reads columns from the text itself: the columns are
  // merged into the first text, as modern files hold them.
  if (s.versionRead >= "AC1021" && s.versionRead < "AC1032")
    for (ObjectRecord* btr : btrHead->children)
      for (ObjectRecord* e : std::vector<ObjectRecord*>(btr->children))
        if (!e->erased() && e->typeName() == "MTEXT") mergeLinkedMTextColumns(e);

  // 5. Objects: the named object dictionary with groups and layouts.
  if (s.objects.empty() || s.objects.front()->typeName() != "DICTIONARY") {
    ObjectRecord* root = newRecord("DICTIONARY", {{330, "0"}, {100, "AcDbDictionary"}, {281, "1"}}, nullptr);
    s.objects.insert(s.objects.begin(), root);
  }
  for (ObjectRecord* o : s.objects) o->cls = classOfRecord(*o);
  ObjectRecord* root = s.objects.front();
  // A layout names its block record; records given new handles are named again.
  for (ObjectRecord* btr : btrHead->children) {
    ObjectRecord* layout = recordOfHandle(host::parseHandle(firstValue(btr, 340)));
    if (!layout || layout->typeName() != "LAYOUT") continue;
    Tags lt = layout->tags.unpack();
    bool inLayout = false;
    for (Tag& t : lt) {
      if (t.code == 100) inLayout = t.value == "AcDbLayout";
      if (inLayout && t.code == 330) t.value = host::formatHandle(btr->handle);
    }
    layout->tags.assign(lt);
  }
  auto rootEntry = [&](const char* key, const char* type, Tags body) -> ObjectRecord* {
    ZcDbObjectPointer<ZcDbDictionary> nod(ZcDbObjectId(root), ZcDb::kForWrite);
    ZcDbObjectId id;
    if (nod->getAt(std::string_view(key), id) == Zcad::eOk) return id.record();
    Tags t{{330, host::formatHandle(root->handle)}};
    t.insert(t.end(), body.begin(), body.end());
    ObjectRecord* r = newRecord(type, t, nullptr);
    s.objects.push_back(r);
    nod->setAt(host::fromUtf8(key), ZcDbObjectId(r));
    return r;
  };
  // An extension dictionary must be a dictionary: a group naming anything
  // else is dropped, and the object gets a new one when it needs one.
  for (ObjectRecord& r : s.records)
    if (!r.erased() && host::dropBrokenExtensionDictionary(r))
      s.warnings.push_back("dictionnaire d'extension de " + r.typeName() + " " + host::formatHandle(r.handle) +
                           " : ne désigne aucun dictionnaire, supprimé");
  rootEntry("ACAD_GROUP", "DICTIONARY", {{100, "AcDbDictionary"}, {281, "1"}});
  ObjectRecord* layouts = rootEntry("ACAD_LAYOUT", "DICTIONARY", {{100, "AcDbDictionary"}, {281, "1"}});

  // Every layout block needs its LAYOUT object.
  int tab = 0;
  for (ObjectRecord* btr : {model, paper}) {
    ObjectRecord* layout = recordOfHandle(host::parseHandle(firstValue(btr, 340)));
    if (layout && layout->typeName() == "LAYOUT" && !layout->erased()) continue;
    // A damaged drawing may have something else than a block record under
    // the space's name, or than a dictionary under ACAD_LAYOUT: no layout then.
    ZcDbObjectPointer<ZcDbBlockTableRecord> rec(ZcDbObjectId(btr), ZcDb::kForWrite);
    ZcDbObjectPointer<ZcDbDictionary> dict(ZcDbObjectId(layouts), ZcDb::kForWrite);
    if (!rec || !dict) continue;
    bool isModel = btr == model;
    std::string name = isModel ? "Model" : "Layout1";
    ZcDbObjectId existing;
    if (dict->getAt(std::string_view(name), existing) == Zcad::eOk) name = isModel ? "Model" : "Layout" + std::to_string(++tab + 1);
    Tags t{{330, host::formatHandle(layouts->handle)},
           {100, "AcDbPlotSettings"},
           {1, ""},
           {4, "A3"},
           {6, ""},
           {40, "7.5"},
           {41, "20.0"},
           {42, "7.5"},
           {43, "20.0"},
           {44, "420.0"},
           {45, "297.0"},
           {46, "0.0"},
           {47, "0.0"},
           {48, "0.0"},
           {49, "0.0"},
           {140, "0.0"},
           {141, "0.0"},
           {142, "1.0"},
           {143, "1.0"},
           {70, isModel ? "1712" : "688"},
           {72, "1"},
           {73, "0"},
           {74, "5"},
           {7, ""},
           {75, "16"},
           {76, "0"},
           {77, "2"},
           {78, "300"},
           {147, "1.0"},
           {148, "0.0"},
           {149, "0.0"},
           {100, "AcDbLayout"},
           {1, name},
           {70, "1"},
           {71, isModel ? "0" : "1"},
           {10, "0.0"},
           {20, "0.0"},
           {11, "420.0"},
           {21, "297.0"},
           {12, "0.0"},
           {22, "0.0"},
           {32, "0.0"},
           {14, "0.0"},
           {24, "0.0"},
           {34, "0.0"},
           {15, "0.0"},
           {25, "0.0"},
           {35, "0.0"},
           {146, "0.0"},
           {13, "0.0"},
           {23, "0.0"},
           {33, "0.0"},
           {16, "1.0"},
           {26, "0.0"},
           {36, "0.0"},
           {17, "0.0"},
           {27, "1.0"},
           {37, "0.0"},
           {76, "0"},
           {330, host::formatHandle(btr->handle)}};
    ObjectRecord* l = newRecord("LAYOUT", t, nullptr);
    s.objects.push_back(l);
    dict->setAt(host::fromUtf8(name), ZcDbObjectId(l));
    rec->setValue("AcDbBlockTableRecord", 340, host::formatHandle(l->handle));
  }
}
