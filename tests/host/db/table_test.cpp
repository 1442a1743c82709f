#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "host/db/table.hpp"
#include "host/dxf/dxf.hpp"

#include "reload.hpp"

namespace {

using host::testing::reload;
using host::testing::tempPath;

void addLayer(ZcDbDatabase& db, const std::wstring& name) {
  ZcDbObjectPointer<ZcDbLayerTable> lt(db.layerTableId(), ZcDb::kForWrite);
  auto rec = std::make_unique<ZcDbLayerTableRecord>();
  rec->setName(name);
  ASSERT_EQ(lt->add(rec.get()), Zcad::eOk);
}

std::vector<ZcDbObjectId> tablesOf(ZcDbDatabase& db) {
  std::vector<ZcDbObjectId> out;
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  for (ZcDbObjectId id : ms->entityIds())
    if (id.record()->typeName() == "ACAD_TABLE") out.push_back(id);
  return out;
}

// A stake-out list: header row and two points, accented texts, one empty cell.
host::TableContent stakeOut() {
  host::TableContent c;
  c.cells = {{L"Point", L"X", L"Y", L"Z"},
             {L"Borne é1", L"2500.125", L"1200.500", L""},
             {L"Repère", L"2510.000", L"1195.250", L"401.12"}};
  c.columnWidths = {30, 25, 25, 20};
  c.rowHeight = 8;
  c.textHeight = 2.5;
  return c;
}

struct Graphics {
  std::vector<std::pair<ZcGePoint3d, ZcGePoint3d>> lines;
  std::vector<std::pair<std::wstring, ZcGePoint3d>> texts;  // plain text, location
};

Graphics graphicsOf(ZcDbObjectId btrId) {
  Graphics g;
  ZcDbObjectPointer<ZcDbBlockTableRecord> btr(btrId, ZcDb::kForRead);
  for (ZcDbObjectId id : btr->entityIds()) {
    if (ZcDbObjectPointer<ZcDbLine> l(id, ZcDb::kForRead); l) {
      g.lines.emplace_back(l->startPoint(), l->endPoint());
      EXPECT_EQ(l->layerName(), "0");
      EXPECT_EQ(l->colorIndex(), 0);  // by block: the table's colour
    } else if (ZcDbObjectPointer<ZcDbMText> m(id, ZcDb::kForRead); m) {
      g.texts.emplace_back(m->text(), m->location());
      EXPECT_EQ(m->colorIndex(), 0);
    } else {
      ADD_FAILURE() << "unexpected " << id.record()->typeName() << " in the table's block";
    }
  }
  return g;
}

}  // namespace

TEST(Table, SavedTableReadsBackWithItsCellsBlockAndLayer) {
  ZcDbDatabase db;
  addLayer(db, L"IMPLANTATION");
  const ZcGePoint3d corner(2480.5, 1230.25, 0);
  const host::TableContent content = stakeOut();
  ZcDbObjectId id = host::addTable(&db, corner, content, L"implantation", 3);
  ASSERT_FALSE(id.isNull());

  auto again = reload(db, "stake-out.dxf");
  std::vector<ZcDbObjectId> tables = tablesOf(*again);
  ASSERT_EQ(tables.size(), 1u);
  ZcDbObjectPointer<ZcDbTable> table(tables[0], ZcDb::kForRead);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->numRows(), 3);
  ASSERT_EQ(table->numColumns(), 4);
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 4; ++k) EXPECT_EQ(table->textString(r, k), content.cells[r][k]) << r << "," << k;
  EXPECT_EQ(table->textString(3, 0), L"");  // outside the table
  // The layer as the layer table spells it, the colour asked for.
  EXPECT_EQ(table->layerName(), "IMPLANTATION");
  EXPECT_EQ(table->colorIndex(), 3);
  EXPECT_EQ(table->position().x, corner.x);
  EXPECT_EQ(table->position().y, corner.y);

  // The style and block the table names are what they should be.
  ZcDbObjectId style = again->idOfHandle(table->getHandle("AcDbTable", 342));
  ASSERT_FALSE(style.isNull());
  EXPECT_EQ(style.record()->typeName(), "TABLESTYLE");
  ZcDbObjectId btrId = table->blockTableRecord();
  EXPECT_EQ(again->idOfHandle(table->getHandle("AcDbTable", 343)), btrId);
  ZcDbObjectPointer<ZcDbBlockTableRecord> btr(btrId, ZcDb::kForRead);
  ASSERT_TRUE(btr);
  EXPECT_EQ(btr->name(), "*T1");
  EXPECT_TRUE(btr->isAnonymous());

  // Graphics: 4 row borders and 5 column borders, a text per non-empty cell
  // centred in its cell (block coordinates: the corner at the origin).
  Graphics g = graphicsOf(btrId);
  EXPECT_EQ(g.lines.size(), 9u);
  ASSERT_EQ(g.texts.size(), 11u);
  const double x[] = {15, 42.5, 67.5, 90};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 4; ++k) {
      if (content.cells[r][k].empty()) continue;
      auto it = std::find_if(g.texts.begin(), g.texts.end(), [&](auto& t) { return t.first == content.cells[r][k]; });
      ASSERT_NE(it, g.texts.end());
      EXPECT_NEAR(it->second.x, x[k], 1e-9);
      EXPECT_NEAR(it->second.y, -4 - 8 * r, 1e-9);
    }
  // The table covers its cells from the upper-left corner down.
  ZcDbExtents ext;
  ASSERT_EQ(table->getGeomExtents(ext), Zcad::eOk);
  EXPECT_NEAR(ext.minPoint().x, corner.x, 1e-9);
  EXPECT_NEAR(ext.maxPoint().x, corner.x + 100, 1e-9);
  EXPECT_NEAR(ext.maxPoint().y, corner.y, 1e-9);
  EXPECT_NEAR(ext.minPoint().y, corner.y - 24, 1e-9);
}

TEST(Table, TitleRowSpansEveryColumn) {
  ZcDbDatabase db;
  host::TableContent c = stakeOut();
  c.titleRow = true;
  c.cells.insert(c.cells.begin(), {L"Implantation du 12/03"});
  ZcDbObjectId id = host::addTable(&db, ZcGePoint3d(0, 0, 0), c);
  ASSERT_FALSE(id.isNull());
  auto again = reload(db, "title.dxf");
  ZcDbObjectPointer<ZcDbTable> table(tablesOf(*again).at(0), ZcDb::kForRead);
  EXPECT_EQ(table->numRows(), 4);
  EXPECT_EQ(table->textString(0, 0), L"Implantation du 12/03");
  EXPECT_EQ(table->textString(0, 1), L"");
  EXPECT_EQ(table->textString(1, 0), L"Point");
  EXPECT_EQ(table->textString(3, 3), L"401.12");

  Graphics g = graphicsOf(table->blockTableRecord());
  // The title is centred on the whole width; no column border crosses it.
  auto title = std::find_if(g.texts.begin(), g.texts.end(), [](auto& t) { return t.first == L"Implantation du 12/03"; });
  ASSERT_NE(title, g.texts.end());
  EXPECT_NEAR(title->second.x, 50, 1e-9);
  EXPECT_NEAR(title->second.y, -4, 1e-9);
  for (auto& [a, b] : g.lines) {
    if (a.x != b.x || a.x == 0 || a.x == 100) continue;  // inner column borders
    EXPECT_NEAR(std::max(a.y, b.y), -8, 1e-9);
    EXPECT_NEAR(std::min(a.y, b.y), -32, 1e-9);
  }
}

TEST(Table, MergedRowsHeadTheirGroupOfRows) {
  ZcDbDatabase db;
  host::TableContent c = stakeOut();
  // A heading before each group: rows 1 and 3 span the table.
  c.cells.insert(c.cells.begin() + 1, {L"Station S1", L"", L"", L""});
  c.cells.insert(c.cells.begin() + 3, {L"Station S2"});
  c.mergedRows = {1, 3};
  ZcDbObjectId id = host::addTable(&db, ZcGePoint3d(0, 0, 0), c);
  ASSERT_FALSE(id.isNull());
  auto again = reload(db, "merged.dxf");
  ZcDbObjectPointer<ZcDbTable> table(tablesOf(*again).at(0), ZcDb::kForRead);
  EXPECT_EQ(table->numRows(), 5);
  EXPECT_EQ(table->textString(1, 0), L"Station S1");
  EXPECT_EQ(table->textString(3, 0), L"Station S2");
  EXPECT_EQ(table->textString(4, 0), L"Repère");
  Graphics g = graphicsOf(table->blockTableRecord());
  // Inner column borders run over rows 0, 2 and 4 only: three stretches
  // per inner border, none across a heading.
  std::vector<std::pair<double, double>> stretches;
  for (auto& [a, b] : g.lines)
    if (a.x == b.x && a.x == 30) stretches.emplace_back(std::max(a.y, b.y), std::min(a.y, b.y));
  std::sort(stretches.begin(), stretches.end());
  const std::vector<std::pair<double, double>> want = {{-32, -40}, {-16, -24}, {0, -8}};
  EXPECT_EQ(stretches, want);
  // A merged row holding text beyond its first cell is refused.
  c.cells[3] = {L"Station S2", L"x", L"", L""};
  EXPECT_TRUE(host::addTable(&db, ZcGePoint3d(0, 0, 0), c).isNull());
}

TEST(Table, RefusedContentLeavesTheDrawingAsItWas) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* why;
    void (*change)(host::TableContent&);
    std::wstring layer = L"0";
    ZcGePoint3d at = ZcGePoint3d(0, 0, 0);
    int color = 256;
  };
  const Case cases[] = {
      {"no cells", [](host::TableContent& c) { c.cells.clear(); }},
      {"no columns", [](host::TableContent& c) { c.columnWidths.clear(); }},
      {"fewer widths than cells", [](host::TableContent& c) { c.columnWidths.pop_back(); }},
      {"a short row", [](host::TableContent& c) { c.cells[1].pop_back(); }},
      {"a zero width", [](host::TableContent& c) { c.columnWidths[2] = 0; }},
      {"a negative row height", [](host::TableContent& c) { c.rowHeight = -8; }},
      {"text height not a number", [](host::TableContent& c) { c.textHeight = std::numeric_limits<double>::quiet_NaN(); }},
      {"alignment out of range", [](host::TableContent& c) { c.alignment = 10; }},
      {"a title that hides a cell", [](host::TableContent& c) { c.titleRow = true; }},
      {"a layer the drawing lacks", [](host::TableContent&) {}, L"PIQUETS"},
      {"a position not a number", [](host::TableContent&) {}, L"0", ZcGePoint3d(nan, 0, 0)},
      {"a colour out of range", [](host::TableContent&) {}, L"0", ZcGePoint3d(0, 0, 0), 257},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.why);
    ZcDbDatabase db;
    const std::string before = host::dxf::writeDxf(db);
    host::TableContent c = stakeOut();
    k.change(c);
    EXPECT_TRUE(host::addTable(&db, k.at, c, k.layer, k.color).isNull());
    EXPECT_EQ(host::dxf::writeDxf(db), before);
  }
  EXPECT_TRUE(host::addTable(nullptr, ZcGePoint3d(0, 0, 0), stakeOut()).isNull());
}

TEST(Table, TextsWithBreaksBracesAndLengthStayReadable) {
  ZcDbDatabase db;
  host::TableContent c;
  std::wstring longText;
  for (int i = 0; i < 130; ++i) longText += L"é";  // 260 bytes: two chunks, the cut between characters
  c.cells = {{L"ligne 1\nligne 2", L"C:\\relevés\\{x}"}, {longText, L"a\r\nb\tc\x01"}};
  c.columnWidths = {40, 40};
  c.rowHeight = 10;
  c.textHeight = 2;
  ASSERT_FALSE(host::addTable(&db, ZcGePoint3d(0, 0, 0), c).isNull());
  auto again = reload(db, "texts.dxf");
  ZcDbObjectPointer<ZcDbTable> table(tablesOf(*again).at(0), ZcDb::kForRead);
  // Cell data is multiline text contents: the escapes read back as written.
  EXPECT_EQ(table->textString(0, 0), L"ligne 1\\Pligne 2");
  EXPECT_EQ(table->textString(0, 1), L"C:\\\\relevés\\\\\\{x\\}");
  EXPECT_EQ(table->textString(1, 0), longText);
  // The texts drawn show what was given; other control characters as spaces.
  Graphics g = graphicsOf(table->blockTableRecord());
  std::vector<std::wstring> shown;
  for (auto& t : g.texts) shown.push_back(t.first);
  std::sort(shown.begin(), shown.end());
  std::vector<std::wstring> expected{L"ligne 1\nligne 2", L"C:\\relevés\\{x}", longText, L"a\nb c "};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(shown, expected);
}

TEST(Table, TablesShareTheDrawingsStyleAndNumberTheirBlocks) {
  // A drawing that has a table and its "Standard" style: a new table uses
  // that style and takes the next anonymous name.
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(std::string(GELTARO_TEST_DATA_DIR) + "/dxf/r2013_acad_table.dxf"), Zcad::eOk);
  const size_t classes = db.store().classes.size();
  ZcDbObjectId first = host::addTable(&db, ZcGePoint3d(0, -100, 0), stakeOut());
  ZcDbObjectId second = host::addTable(&db, ZcGePoint3d(0, -200, 0), stakeOut());
  ASSERT_FALSE(first.isNull());
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(db.store().classes.size(), classes);  // declared by the file already

  auto again = reload(db, "more-tables.dxf");
  std::vector<ZcDbObjectId> tables = tablesOf(*again);
  ASSERT_EQ(tables.size(), 3u);
  std::vector<std::string> names;
  for (ZcDbObjectId id : tables) {
    ZcDbObjectPointer<ZcDbTable> t(id, ZcDb::kForRead);
    EXPECT_EQ(t->getHandle("AcDbTable", 342), 0x6Bu) << "the file's Standard style";
    names.push_back(t->blockName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"*T1", "*T2", "*T3"}));

  // A new drawing gets one style and the class records once.
  ZcDbDatabase fresh;
  ASSERT_FALSE(host::addTable(&fresh, ZcGePoint3d(0, 0, 0), stakeOut()).isNull());
  ASSERT_FALSE(host::addTable(&fresh, ZcGePoint3d(0, 50, 0), stakeOut()).isNull());
  size_t styles = 0;
  for (const host::ObjectRecord* o : fresh.store().objects) styles += o->typeName() == "TABLESTYLE";
  EXPECT_EQ(styles, 1u);
  EXPECT_EQ(fresh.store().classes.size(), 2u);
}

TEST(Table, AnotherReaderLoadsAndDrawsTablesOfNewAndOldDrawings) {
  if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ezdxf";
  // A drawing read from an R12 file has no class records, styles or table
  // dictionaries of its own; it is saved in the modern version.
  for (const char* source : {"", "r12_leica_disto_points.dxf"}) {
    SCOPED_TRACE(*source ? source : "new drawing");
    ZcDbDatabase db(!*source);
    if (*source) {
      ASSERT_EQ(db.readDwgFile(std::string(GELTARO_TEST_DATA_DIR) + "/dxf/" + source), Zcad::eOk);
    }
    addLayer(db, L"Implantation é");
    host::TableContent c = stakeOut();
    c.titleRow = true;
    c.cells.insert(c.cells.begin(), {L"Piquetage"});
    ASSERT_FALSE(host::addTable(&db, ZcGePoint3d(100, 200, 0), c, L"Implantation é", 1).isNull());
    const std::string path = tempPath(std::string("ezdxf-") + (*source ? "r12" : "new") + ".dxf");
    ASSERT_EQ(db.saveAs(path), Zcad::eOk);

    std::ofstream expected(path + ".txt", std::ios::binary);
    expected << "Implantation é\n100\n200\n";
    for (auto& row : c.cells)
      for (auto& text : row) expected << host::toUtf8(text) << "\n";
    expected.close();
    const std::string command = "/usr/bin/python3 '" + std::string(GELTARO_SOURCE_DIR) +
                                "/tests/host/db/table_check.py' '" + path + "' '" + path + ".txt'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
}
