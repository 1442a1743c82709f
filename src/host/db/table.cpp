// Table entities made by the program (see table.hpp).
//
// A table is kept twice: as data in the ACAD_TABLE record (row heights,
// column widths, one cell group per cell with its text) and as graphics in
// an anonymous block "*T<n>" that the record names. Readers that know tables
// read the data; the others draw the block, as they draw any block reference.
#include <algorithm>
#include "host/db/table.hpp"

#include <cmath>
#include <memory>

#include "host/db/entity_tags.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

namespace host {

namespace {

// A table record made from its tags: the host's table class is otherwise a
// view of a record read from a file.
class NewTable : public ZcDbTable {
 public:
  explicit NewTable(Tags tags) { initNew("ACAD_TABLE", std::move(tags)); }
};

// An object of a kind the host has no class for (the table style), made
// from its tags.
class NewObject : public ZcDbObject {
 public:
  NewObject(std::string_view type, Tags tags) { initNew(type, std::move(tags)); }
};

bool positive(double v) { return std::isfinite(v) && v > 0; }

// Whether row r is one cell across every column.
bool isMerged(const TableContent& c, size_t r) {
  return (c.titleRow && r == 0) || std::find(c.mergedRows.begin(), c.mergedRows.end(), int(r)) != c.mergedRows.end();
}

// The content describes a table this function can draw: see addTable.
bool isDrawable(const TableContent& c) {
  const size_t columns = c.columnWidths.size();
  if (c.cells.empty() || columns == 0) return false;
  for (double w : c.columnWidths)
    if (!positive(w)) return false;
  if (!positive(c.rowHeight) || !positive(c.textHeight)) return false;
  if (c.alignment < 1 || c.alignment > 9) return false;
  for (size_t r = 0; r < c.cells.size(); ++r) {
    const auto& row = c.cells[r];
    if (isMerged(c, r)) {
      if (row.empty() || (row.size() != 1 && row.size() != columns)) return false;
      for (size_t k = 1; k < row.size(); ++k)
        if (!row[k].empty()) return false;  // a title cell hides what the other cells say
      continue;
    }
    if (row.size() != columns) return false;
  }
  return true;
}

// Chunks of at most 250 bytes, never inside a UTF-8 character, as long texts
// are kept in DXF: every chunk but the last, then the last.
std::vector<std::string> chunks(const std::string& u) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (u.size() - pos > 250) {
    size_t n = 250;
    while (n > 0 && (static_cast<unsigned char>(u[pos + n]) & 0xC0) == 0x80) --n;
    out.push_back(u.substr(pos, n));
    pos += n;
  }
  out.push_back(u.substr(pos));
  return out;
}

// The class records a drawing declares for the kinds a table brings, so that
// readers which map custom kinds through them know the table and its style.
void declareClasses(ZcDbDatabase* db) {
  struct Kind {
    const char* dxfName;
    const char* className;
    const char* flags;
    const char* isEntity;
  };
  for (const Kind& k : {Kind{"TABLESTYLE", "AcDbTableStyle", "4095", "0"}, Kind{"ACAD_TABLE", "AcDbTable", "1025", "1"}}) {
    bool declared = false;
    for (const ObjectRecord* c : db->store().classes)
      for (const auto& t : c->tags)
        if (t.code == 1 && !c->erased()) declared |= iequals(t.value, k.dxfName);
    if (declared) continue;
    ObjectRecord* r = db->newRecord("CLASS",
                                    {{1, k.dxfName},
                                     {2, k.className},
                                     {3, "ObjectDBX Classes"},
                                     {90, k.flags},
                                     {91, "0"},
                                     {280, "0"},
                                     {281, k.isEntity}},
                                    nullptr, false);
    db->store().classes.push_back(r);
  }
}

// One group of a table style: the look of the data, title or header cells.
void addCellStyle(Tags& t, double textHeight) {
  t.push_back({7, "Standard"});
  t.push_back({140, formatDouble(textHeight)});
  t.push_back({170, "5"});  // middle centre
  t.push_back({62, "0"});
  t.push_back({63, "257"});
  t.push_back({283, "0"});
  t.push_back({90, "4"});
  t.push_back({91, "0"});
  t.push_back({1, ""});
  // Border lineweights (by block), visibility and colours (by block): top,
  // inside horizontal, bottom, left, inside vertical, right.
  for (int k = 0; k < 6; ++k) {
    t.push_back({274 + k, "-2"});
    t.push_back({284 + k, "1"});
    t.push_back({64 + k, "0"});
  }
}

// The drawing's "Standard" table style, made with the dictionary that lists
// the styles when the drawing has none. Null when the named object
// dictionary cannot be opened or a "Standard" entry is not a table style.
ZcDbObjectId standardTableStyle(ZcDbDatabase* db, double textHeight, double margin) {
  ZcDbObjectPointer<ZcDbDictionary> nod(db->namedObjectsDictionaryId(), ZcDb::kForWrite);
  if (!nod) return {};
  ZcDbObjectId stylesId;
  if (nod->getAt(std::string_view("ACAD_TABLESTYLE"), stylesId) != Zcad::eOk) {
    auto styles = std::make_unique<ZcDbDictionary>();
    if (nod->setAt(L"ACAD_TABLESTYLE", styles.get(), stylesId) != Zcad::eOk) return {};
  }
  ZcDbObjectPointer<ZcDbDictionary> styles(stylesId, ZcDb::kForWrite);
  if (!styles) return {};
  ZcDbObjectId id;
  if (styles->getAt(std::string_view("Standard"), id) == Zcad::eOk)
    return id.isValid() && id.record()->typeName() == "TABLESTYLE" ? id : ZcDbObjectId();
  Tags t{{100, "AcDbTableStyle"},
         {3, "Standard"},
         {70, "0"},  // rows flow down
         {71, "0"},
         {40, formatDouble(margin)},
         {41, formatDouble(margin)},
         {280, "0"},
         {281, "0"}};
  for (int k = 0; k < 3; ++k) addCellStyle(t, textHeight);  // data, title, header
  NewObject style("TABLESTYLE", t);
  if (styles->setAt(L"Standard", &style, id) != Zcad::eOk) return {};
  return id;
}

// The cell groups of the table record, row by row.
void addCells(Tags& t, const TableContent& c) {
  const size_t columns = c.columnWidths.size();
  for (size_t r = 0; r < c.cells.size(); ++r)
    for (size_t k = 0; k < columns; ++k) {
      const bool title = isMerged(c, r);
      const bool hidden = title && k > 0;  // covered by the merged cell
      const std::string value = hidden ? std::string() : toUtf8(mtextContentsOf(c.cells[r][k]));
      t.push_back({171, "1"});  // text cell
      t.push_back({172, "0"});
      t.push_back({173, hidden ? "1" : "0"});
      t.push_back({174, "0"});
      t.push_back({175, title && k == 0 ? std::to_string(columns) : "1"});  // columns spanned
      t.push_back({176, "1"});                                               // rows spanned
      t.push_back({91, "0"});
      t.push_back({178, "0"});
      t.push_back({145, "0.0"});
      t.push_back({92, "0"});
      t.push_back({301, "CELL_VALUE"});
      if (value.empty()) {
        t.push_back({93, "3"});
        t.push_back({90, "0"});
        t.push_back({91, "0"});
      } else {
        t.push_back({93, "2"});
        t.push_back({90, "4"});  // a string
        std::vector<std::string> parts = chunks(value);
        for (size_t p = 0; p + 1 < parts.size(); ++p) t.push_back({2, parts[p]});
        t.push_back({1, parts.back()});
      }
      t.push_back({94, "0"});
      t.push_back({300, ""});
      t.push_back({302, value});
      t.push_back({304, "ACVALUE_END"});
    }
}

// Lines and texts of the table in block coordinates: the upper-left corner
// at the origin, rows downwards.
Zcad::ErrorStatus drawTable(ZcDbBlockTableRecord& block, const TableContent& c, double margin) {
  const size_t rows = c.cells.size(), columns = c.columnWidths.size();
  std::vector<double> x{0};
  for (double w : c.columnWidths) x.push_back(x.back() + w);
  const double width = x.back(), height = double(rows) * c.rowHeight;

  auto line = [&](double x0, double y0, double x1, double y1) {
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(x0, y0, 0), ZcGePoint3d(x1, y1, 0));
    l->setColorIndex(0);
    l->setLinetype(L"ByBlock");
    return block.appendZcDbEntity(l.get());
  };
  for (size_t r = 0; r <= rows; ++r)
    if (auto s = line(0, -double(r) * c.rowHeight, width, -double(r) * c.rowHeight)) return s;
  for (size_t k = 0; k <= columns; ++k) {
    // Inside a merged row there is no column border: an inner border runs
    // down each stretch of rows between merged ones.
    const bool inside = k > 0 && k < columns;
    if (!inside) {
      if (auto s = line(x[k], 0, x[k], -height)) return s;
      continue;
    }
    for (size_t r = 0; r < rows;) {
      if (isMerged(c, r)) {
        ++r;
        continue;
      }
      size_t end = r;
      while (end < rows && !isMerged(c, end)) ++end;
      if (auto s = line(x[k], -double(r) * c.rowHeight, x[k], -double(end) * c.rowHeight)) return s;
      r = end;
    }
  }

  const int horizontal = (c.alignment - 1) % 3, vertical = (c.alignment - 1) / 3;
  for (size_t r = 0; r < rows; ++r) {
    const bool title = isMerged(c, r);
    for (size_t k = 0; k < (title ? 1 : columns); ++k) {
      const std::wstring& text = c.cells[r][k];
      if (text.empty()) continue;
      const double left = x[k], right = title ? width : x[k + 1];
      const double top = -double(r) * c.rowHeight;
      const double px = horizontal == 0 ? left + margin : horizontal == 1 ? (left + right) / 2 : right - margin;
      const double py = vertical == 0 ? top - margin : vertical == 1 ? top - c.rowHeight / 2 : top - c.rowHeight + margin;
      auto m = std::make_unique<ZcDbMText>();
      m->setLocation(ZcGePoint3d(px, py, 0));
      m->setTextHeight(c.textHeight);
      m->setWidth(std::max(right - left - 2 * margin, 0.0));
      m->setAttachment(c.alignment);
      m->setContents(mtextContentsOf(text));
      m->setColorIndex(0);
      if (auto s = block.appendZcDbEntity(m.get())) return s;
    }
  }
  return Zcad::eOk;
}

}  // namespace

std::wstring mtextContentsOf(const std::wstring& plain) {
  std::wstring out;
  out.reserve(plain.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    const wchar_t ch = plain[i];
    if (ch == L'\\' || ch == L'{' || ch == L'}') {
      out.push_back(L'\\');
      out.push_back(ch);
    } else if (ch == L'\r' || ch == L'\n') {
      if (ch == L'\r' && i + 1 < plain.size() && plain[i + 1] == L'\n') ++i;
      out += L"\\P";
    } else if (ch < 32 || ch == 127) {
      out.push_back(L' ');
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

ZcDbObjectId addTable(ZcDbDatabase* db, const ZcGePoint3d& insertion, const TableContent& content,
                      const std::wstring& layer, int colorIndex) {
  if (!db || !isDrawable(content)) return {};
  if (!std::isfinite(insertion.x) || !std::isfinite(insertion.y) || !std::isfinite(insertion.z)) return {};
  if (colorIndex < 0 || colorIndex > 256) return {};
  const std::string layerName = toUtf8(layer.empty() ? std::wstring(L"0") : layer);
  ZcDbObjectId layerId = db->symbolId("LAYER", layerName);
  if (layerId.isNull()) return {};
  // What is appended to must open before anything is made.
  ZcDbObjectPointer<ZcDbBlockTableRecord> model(db->modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectPointer<ZcDbBlockTable> blocks(db->blockTableId(), ZcDb::kForWrite);
  ZcDbObjectPointer<ZcDbDictionary> nod(db->namedObjectsDictionaryId(), ZcDb::kForRead);
  if (!model || !blocks || !nod) return {};
  nod.close();

  // Cell margins of the graphics; the style made here says the same.
  const double margin = content.textHeight / 3;
  ZcDbObjectId style = standardTableStyle(db, content.textHeight, margin);
  if (style.isNull()) return {};
  declareClasses(db);

  auto block = std::make_unique<ZcDbBlockTableRecord>();
  block->setName(L"*T");
  ZcDbObjectId blockId;
  if (blocks->add(blockId, block.get()) != Zcad::eOk) return {};
  // The block is anonymous: flag 1 of its BLOCK entity.
  if (auto it = db->store().blockDefs.find(blockId.record()); it != db->store().blockDefs.end())
    ZcDbObject::makeView(it->second.begin, ZcDb::kForWrite)->setInt("AcDbBlockBegin", 70, 1);
  if (drawTable(*block, content, margin) != Zcad::eOk) {
    block->erase();
    return {};
  }

  // Layer names are kept as the layer table spells them.
  ZcDbObjectPointer<ZcDbLayerTableRecord> layerRecord(layerId, ZcDb::kForRead);
  Tags t = entity_tags::entityHead();
  t[1].value = layerRecord ? layerRecord->name() : layerName;
  if (colorIndex != 256) t.push_back({62, std::to_string(colorIndex)});
  t.push_back({100, "AcDbBlockReference"});
  t.push_back({2, block->name()});
  entity_tags::addPoint(t, 10, insertion);
  t.push_back({100, "AcDbTable"});
  t.push_back({342, formatHandle(style.handle().value())});
  t.push_back({343, formatHandle(blockId.handle().value())});
  entity_tags::addPoint(t, 11, ZcGePoint3d(1, 0, 0));  // rows run along X
  t.push_back({90, "22"});
  t.push_back({91, std::to_string(content.cells.size())});
  t.push_back({92, std::to_string(content.columnWidths.size())});
  for (int code : {93, 94, 95, 96}) t.push_back({code, "0"});  // no overrides
  for (size_t r = 0; r < content.cells.size(); ++r) t.push_back({141, formatDouble(content.rowHeight)});
  for (double w : content.columnWidths) t.push_back({142, formatDouble(w)});
  addCells(t, content);

  NewTable table(std::move(t));
  ZcDbObjectId id;
  if (model->appendZcDbEntity(id, &table) != Zcad::eOk) {
    block->erase();
    return {};
  }
  return id;
}

}  // namespace host
