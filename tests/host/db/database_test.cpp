#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"
#include "support/viewer_fonts.hpp"

#include "reload.hpp"

namespace {

using host::testing::reload;
using host::testing::tempPath;

ZcDbObjectId addToModel(ZcDbDatabase& db, ZcDbEntity* e) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectId id;
  EXPECT_EQ(ms->appendZcDbEntity(id, e), Zcad::eOk);
  return id;
}

ZcDbObjectId addLayer(ZcDbDatabase& db, const std::wstring& name, int color) {
  ZcDbObjectPointer<ZcDbLayerTable> lt(db.layerTableId(), ZcDb::kForWrite);
  auto rec = std::make_unique<ZcDbLayerTableRecord>();
  rec->setName(name);
  rec->setColorIndex(color);
  ZcDbObjectId id;
  EXPECT_EQ(lt->add(id, rec.get()), Zcad::eOk);
  return id;
}

// A block "PT" with a circle, and a reference to it with two attributes.
ZcDbObjectId makePointBlock(ZcDbDatabase& db, const ZcGePoint3d& at, const std::wstring& name) {
  ZcDbObjectId btrId = db.symbolId("BLOCK_RECORD", "PT");
  if (btrId.isNull()) {
    ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"PT");
    EXPECT_EQ(bt->add(btrId, btr.get()), Zcad::eOk);
    auto circle = std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 0.5);
    EXPECT_EQ(btr->appendZcDbEntity(circle.get()), Zcad::eOk);
  }
  auto ref = std::make_unique<ZcDbBlockReference>(at, btrId);
  ref->setScaleFactors(ZcGeScale3d(2.0));
  ZcDbObjectId refId = addToModel(db, ref.get());
  auto code = std::make_unique<ZcDbAttribute>(ZcGePoint3d(at.x + 1.5, at.y + 4, 0), L"5", L"CODE");
  code->setHeight(2);
  code->setInvisible(true);
  EXPECT_EQ(ref->appendAttribute(code.get()), Zcad::eOk);
  auto num = std::make_unique<ZcDbAttribute>(ZcGePoint3d(at.x + 1.5, at.y + 1, 0), name, L"NUMPT");
  num->setHeight(2);
  EXPECT_EQ(ref->appendAttribute(num.get()), Zcad::eOk);
  return refId;
}

}  // namespace

TEST(Database, NewDrawingHasWhatEveryDrawingNeeds) {
  ZcDbDatabase db;
  for (const char* t : {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"})
    EXPECT_FALSE(db.tableId(t).isNull()) << t;
  EXPECT_FALSE(db.modelSpaceId().isNull());
  EXPECT_FALSE(db.paperSpaceId().isNull());
  EXPECT_FALSE(db.symbolId("LAYER", "0").isNull());
  EXPECT_FALSE(db.symbolId("STYLE", "Standard").isNull());
  EXPECT_EQ(db.clayer(), db.symbolId("LAYER", "0"));
  EXPECT_FALSE(db.groupDictionaryId().isNull());
  // Names of symbols are looked up ignoring case.
  EXPECT_EQ(db.symbolId("layer", "0"), db.symbolId("LAYER", "0"));
  EXPECT_EQ(db.symbolId("BLOCK_RECORD", "*MODEL_SPACE"), db.modelSpaceId());
}

TEST(Database, OpenProtocolStatuses) {
  ZcDbDatabase db;
  ZcDbObjectId line = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0)).get());

  ZcDbObjectPointer<ZcDbLine> none(ZcDbObjectId(), ZcDb::kForRead);
  EXPECT_EQ(none.openStatus(), Zcad::eNullObjectId);
  ZcDbObjectPointer<ZcDbCircle> wrong(line, ZcDb::kForRead);
  EXPECT_EQ(wrong.openStatus(), Zcad::eNotThatKindOfClass);
  ZcDbObjectPointer<ZcDbEntity> asEntity(line, ZcDb::kForRead);
  ASSERT_EQ(asEntity.openStatus(), Zcad::eOk);
  EXPECT_TRUE(asEntity->isKindOf(ZcDbLine::desc()));
  EXPECT_TRUE(asEntity->isA()->hasMarker("AcDbLine"));
  // Read-opened objects refuse changes until upgraded.
  EXPECT_EQ(asEntity->setColorIndex(1), Zcad::eNotOpenForWrite);
  EXPECT_EQ(asEntity->upgradeOpen(), Zcad::eOk);
  EXPECT_EQ(asEntity->setColorIndex(1), Zcad::eOk);
  EXPECT_EQ(asEntity->erase(), Zcad::eOk);
  asEntity.close();

  EXPECT_TRUE(line.isErased());
  EXPECT_FALSE(line.isValid());
  ZcDbObjectPointer<ZcDbLine> erased(line, ZcDb::kForRead);
  EXPECT_EQ(erased.openStatus(), Zcad::eWasErased);
  ZcDbObjectPointer<ZcDbLine> openErased(line, ZcDb::kForRead, true);
  EXPECT_EQ(openErased.openStatus(), Zcad::eOk);
}

TEST(Database, HandlesAreUniqueAndIdsConvert) {
  ZcDbDatabase db;
  ZcDbObjectId a = addToModel(db, std::make_unique<ZcDbPoint>(ZcGePoint3d(1, 2, 3)).get());
  ZcDbObjectId b = addToModel(db, std::make_unique<ZcDbPoint>(ZcGePoint3d(4, 5, 6)).get());
  EXPECT_NE(a.handle().value(), b.handle().value());
  EXPECT_LT(a, b);
  ZcDbObjectId back;
  ASSERT_EQ(db.getZcDbObjectId(back, false, ZcDbHandle(a.handle().toString())), Zcad::eOk);
  EXPECT_EQ(back, a);
  ads_name name;
  ASSERT_EQ(zcdbGetAdsName(name, b), Zcad::eOk);
  ASSERT_EQ(zcdbGetObjectId(back, name), Zcad::eOk);
  EXPECT_EQ(back, b);
  EXPECT_EQ(db.getZcDbObjectId(back, false, ZcDbHandle(uint64_t(0xFFFFFF))), Zcad::eKeyNotFound);

  // Handles survive a save and a read.
  auto again = reload(db, "handles.dxf");
  ZcDbObjectPointer<ZcDbPoint> p(again->idOfHandle(b.handle().value()), ZcDb::kForRead);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->position().z, 6.0);
}

TEST(Database, SymbolTablesAddAndRefuseDuplicates) {
  ZcDbDatabase db;
  ZcDbObjectId id = addLayer(db, L"TOPO_POINTS", 3);
  ZcDbObjectPointer<ZcDbLayerTable> lt(db.layerTableId(), ZcDb::kForWrite);
  auto dup = std::make_unique<ZcDbLayerTableRecord>();
  dup->setName(L"topo_points");
  EXPECT_EQ(lt->add(dup.get()), Zcad::eDuplicateRecordName);
  ZcDbObjectId found;
  EXPECT_EQ(lt->getAt(L"Topo_Points", found), Zcad::eOk);
  EXPECT_EQ(found, id);
  lt.close();
  ZcDbObjectPointer<ZcDbLayerTableRecord> rec(id, ZcDb::kForWrite);
  EXPECT_EQ(rec->colorIndex(), 3);
  rec->setIsOff(true);
  EXPECT_TRUE(rec->isOff());
  EXPECT_EQ(rec->colorIndex(), 3);
  rec.close();
  EXPECT_EQ(db.setClayer(id), Zcad::eOk);
  auto again = reload(db, "layers.dxf");
  EXPECT_EQ(again->clayer(), again->symbolId("LAYER", "TOPO_POINTS"));
  ZcDbObjectPointer<ZcDbLayerTableRecord> r2(again->clayer(), ZcDb::kForRead);
  EXPECT_TRUE(r2->isOff());
  EXPECT_EQ(r2->colorIndex(), 3);
}

TEST(Database, ExtensionDictionaryAndXrecordKeepEveryValueType) {
  ZcDbDatabase db;
  ZcDbObjectId layer0 = db.symbolId("LAYER", "0");
  ZcDbObjectId line = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(3, 4, 0)).get());
  std::vector<unsigned char> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  ResbufChain chain{resbuf::longInt(90, -9999999), resbuf::longInt(91, 123456), resbuf::shortInt(70, -3),
                    resbuf::shortInt(280, 200), resbuf::real(40, 0.1 + 0.2), resbuf::real(40, 1e38),
                    resbuf::string(300, L"LEVE é ü"), resbuf::longInt(92, 300)};
  for (size_t off = 0; off < bytes.size(); off += 127)
    chain.push_back(resbuf::binary(310, std::vector<unsigned char>(bytes.begin() + long(off),
                                                                  bytes.begin() + long(std::min(off + 127, bytes.size())))));
  chain.push_back(resbuf::id(330, line));
  {
    ZcDbObjectPointer<ZcDbLayerTableRecord> layer(layer0, ZcDb::kForWrite);
    EXPECT_EQ(layer->createExtensionDictionary(), Zcad::eOk);
    EXPECT_EQ(layer->createExtensionDictionary(), Zcad::eAlreadyInDb);
    EXPECT_EQ(int(Zcad::eAlreadyInDb), 26);
    ZcDbObjectPointer<ZcDbDictionary> dict(layer->extensionDictionary(), ZcDb::kForWrite);
    ASSERT_TRUE(dict);
    auto xr = std::make_unique<ZcDbXrecord>();
    xr->setFromRbChain(chain);
    xr->setXlateReferences(true);
    ZcDbObjectId xid;
    ASSERT_EQ(dict->setAt(L"GELTARO4_VREL_DATA", xr.get(), xid), Zcad::eOk);
    // Replacing the entry leaves one record under the key.
    auto xr2 = std::make_unique<ZcDbXrecord>();
    xr2->setFromRbChain(chain);
    ASSERT_EQ(dict->setAt(L"GELTARO4_VREL_DATA", xr2.get(), xid), Zcad::eOk);
    EXPECT_EQ(dict->numEntries(), 1u);
  }
  auto again = reload(db, "xrecord.dxf");
  ZcDbObjectPointer<ZcDbLayerTableRecord> layer(again->symbolId("LAYER", "0"), ZcDb::kForRead);
  ZcDbObjectPointer<ZcDbDictionary> dict(layer->extensionDictionary(), ZcDb::kForRead);
  ASSERT_TRUE(dict);
  ZcDbObjectId xid;
  ASSERT_EQ(dict->getAt(L"gelTARO4_vrel_data", xid), Zcad::eOk);
  ZcDbObjectPointer<ZcDbXrecord> xr(xid, ZcDb::kForRead);
  ResbufChain got = xr->rbChain();
  ASSERT_EQ(got.size(), chain.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].restype, chain[i].restype) << i;
  EXPECT_EQ(got[0].resval.rlong, -9999999);
  EXPECT_EQ(got[1].resval.rlong, 123456);
  EXPECT_EQ(got[2].resval.rint, -3);
  EXPECT_EQ(got[3].resval.rint, 200);
  EXPECT_EQ(got[4].resval.rreal, 0.1 + 0.2);  // exact, not rounded
  EXPECT_EQ(got[5].resval.rreal, 1e38);
  EXPECT_EQ(got[6].resval.rstring, L"LEVE é ü");
  std::vector<unsigned char> joined;
  for (size_t i = 8; i + 1 < got.size(); ++i)
    joined.insert(joined.end(), got[i].resval.rbinary.begin(), got[i].resval.rbinary.end());
  EXPECT_EQ(joined, bytes);
  // The handle came back as the id of the same line in the new database.
  ZcDbObjectPointer<ZcDbLine> l(got.back().resval.rlname, ZcDb::kForRead);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->endPoint().y, 4.0);
}

TEST(Database, ExtendedDataPerApplication) {
  ZcDbDatabase db;
  ZcDbObjectId id = addToModel(db, std::make_unique<ZcDbPoint>(ZcGePoint3d(1, 1, 0)).get());
  {
    ZcDbObjectPointer<ZcDbPoint> p(id, ZcDb::kForWrite);
    EXPECT_EQ(p->setXData({resbuf::string(1001, L"VRELPLUS"), resbuf::shortInt(1070, 1)}), Zcad::eOk);
    EXPECT_EQ(p->setXData({resbuf::string(1001, L"OTHER"), resbuf::string(1002, L"{"),
                           resbuf::string(1000, L"nom"), resbuf::point(1010, ZcGePoint3d(1, 2, 3)),
                           resbuf::real(1040, 2.5), resbuf::longInt(1071, 70000), resbuf::string(1002, L"}")}),
              Zcad::eOk);
    // Setting one application's data leaves the other's alone.
    EXPECT_EQ(p->setXData({resbuf::string(1001, L"VRELPLUS"), resbuf::shortInt(1070, 2)}), Zcad::eOk);
  }
  EXPECT_FALSE(db.symbolId("APPID", "VRELPLUS").isNull());
  auto again = reload(db, "xdata.dxf");
  ZcDbObjectPointer<ZcDbPoint> p(again->idOfHandle(id.handle().value()), ZcDb::kForWrite);
  ResbufChain v = p->xData(L"vrelplus");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].resval.rint, 2);
  ResbufChain o = p->xData(L"OTHER");
  ASSERT_EQ(o.size(), 7u);
  EXPECT_EQ(o[3].restype, 1010);
  EXPECT_EQ(o[3].resval.rpoint.z, 3.0);
  EXPECT_EQ(o[5].resval.rlong, 70000);
  EXPECT_EQ(p->xData().size(), 9u);
  // A chain of the application name alone removes its data.
  EXPECT_EQ(p->setXData({resbuf::string(1001, L"OTHER")}), Zcad::eOk);
  EXPECT_TRUE(p->xData(L"OTHER").empty());
  EXPECT_TRUE(p->hasXData("VRELPLUS"));
}

TEST(Database, BlockReferenceWithAttributesRoundTrips) {
  ZcDbDatabase db;
  ZcDbObjectId ref = makePointBlock(db, ZcGePoint3d(100, 200, 0), L"P12");
  auto again = reload(db, "block.dxf");
  ZcDbObjectPointer<ZcDbBlockReference> br(again->idOfHandle(ref.handle().value()), ZcDb::kForRead);
  ASSERT_TRUE(br);
  EXPECT_TRUE(br->isA()->hasMarker("AcDbBlockReference"));
  EXPECT_EQ(br->blockName(), "PT");
  EXPECT_EQ(br->scaleFactors().sx, 2.0);
  auto attrs = br->attributeIds();
  ASSERT_EQ(attrs.size(), 2u);
  ZcDbObjectPointer<ZcDbAttribute> code(attrs[0], ZcDb::kForRead);
  ZcDbObjectPointer<ZcDbAttribute> num(attrs[1], ZcDb::kForRead);
  EXPECT_EQ(code->tag(), L"CODE");
  EXPECT_TRUE(code->isInvisible());
  EXPECT_EQ(num->textString(), L"P12");
  EXPECT_EQ(num->position().x, 101.5);
  EXPECT_EQ(num->ownerId(), br->objectId());
}

// New references, texts and attributes are written straight into packed
// tags: the flag "attributes follow" comes once, right after the reference's
// marker, and numbers are written as everywhere else.
TEST(Database, NewEntitiesPackedTags) {
  ZcDbDatabase db;
  ZcDbObjectId ref = makePointBlock(db, ZcGePoint3d(100.125, -2e-7, 0), L"P12");
  std::vector<std::pair<int, std::string>> tags;
  for (const auto& t : ref.record()->tags) tags.emplace_back(t.code, std::string(t.value));
  const std::vector<std::pair<int, std::string>> attendu = {
      {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockReference"}, {66, "1"}, {2, "PT"},
      {10, "100.125"}, {20, "-2e-07"}, {30, "0.0"}, {41, "2.0"}, {42, "2.0"}, {43, "2.0"}, {50, "0.0"}};
  // The owner and the handle come before the entity's own part.
  ASSERT_GE(tags.size(), attendu.size());
  EXPECT_EQ(std::vector(tags.end() - long(attendu.size()), tags.end()), attendu);

  // Longest texts included, in a buffer of the documented size.
  const std::pair<double, const char*> nombres[] = {
      {-0.0, "0.0"}, {-3.0, "-3.0"}, {0.1, "0.1"}, {1e300, "1e+300"}, {std::nan(""), "0.0"},
      {-2.2250738585072014e-308, "-2.2250738585072014e-308"}, {-1.2345678901234568e22, "-1.2345678901234568e+22"}};
  for (auto [v, texte] : nombres) {
    char buf[host::kDoubleTextMax];
    EXPECT_EQ(std::string(buf, host::formatDoubleInto(buf, v)), texte) << v;
  }
}

TEST(Database, TransformMovesBlockAndAttributes) {
  ZcDbDatabase db;
  ZcDbObjectId ref = makePointBlock(db, ZcGePoint3d(10, 20, 5), L"7");
  ZcDbObjectPointer<ZcDbBlockReference> br(ref, ZcDb::kForWrite);
  const double quarter = std::acos(-1.0) / 2;
  ASSERT_EQ(br->transformBy(ZcGeMatrix3d::rotation(quarter, ZcGeVector3d(0, 0, 1), ZcGePoint3d(10, 20, 0))), Zcad::eOk);
  EXPECT_NEAR(br->position().x, 10, 1e-12);
  EXPECT_NEAR(br->position().z, 5, 1e-12);
  EXPECT_NEAR(br->rotation(), quarter, 1e-12);
  ZcDbObjectPointer<ZcDbAttribute> num(br->attributeIds()[1], ZcDb::kForRead);
  EXPECT_NEAR(num->position().x, 10 - 1, 1e-9);
  EXPECT_NEAR(num->position().y, 20 + 1.5, 1e-9);
  EXPECT_NEAR(num->rotation(), quarter, 1e-12);
  br->transformBy(ZcGeMatrix3d::scaling(3, ZcGePoint3d(0, 0, 0)));
  EXPECT_NEAR(br->scaleFactors().sx, 6, 1e-12);
  EXPECT_NEAR(num->height(), 6, 1e-12);
}

TEST(Database, TextExtentsFollowJustification) {
  // Text "AB" height 2: advance 1.1 + 1.1 = 2.2 -> width 4.4.
  struct Case {
    const char* why;
    ZcDb::TextHorzMode h;
    ZcDb::TextVertMode v;
    double minX, minY, maxX, maxY;
  } cases[] = {
      {"left base at the position", ZcDb::kTextLeft, ZcDb::kTextBase, 10, 20, 14.4, 22},
      {"centred on the alignment point", ZcDb::kTextCenter, ZcDb::kTextBase, 7.8, 20, 12.2, 22},
      {"right", ZcDb::kTextRight, ZcDb::kTextBase, 5.6, 20, 10, 22},
      {"middle", ZcDb::kTextMid, ZcDb::kTextBase, 7.8, 19, 12.2, 21},
      {"top right", ZcDb::kTextRight, ZcDb::kTextTop, 5.6, 18, 10, 20},
  };
  ZcDbDatabase db;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(10, 20, 0), L"AB", ZcDbObjectId(), 2.0, 0.0);
    t->setHorizontalMode(c.h);
    t->setVerticalMode(c.v);
    t->setAlignmentPoint(ZcGePoint3d(10, 20, 0));
    ZcDbExtents ext;
    ASSERT_EQ(t->getGeomExtents(ext), Zcad::eOk);
    EXPECT_NEAR(ext.minPoint().x, c.minX, 1e-9);
    EXPECT_NEAR(ext.minPoint().y, c.minY, 1e-9);
    EXPECT_NEAR(ext.maxPoint().x, c.maxX, 1e-9);
    EXPECT_NEAR(ext.maxPoint().y, c.maxY, 1e-9);
  }
  // A mode outside the enumeration (a damaged file's 72 = 100, found by
  // fuzzing) reads as left: no value the enumeration does not hold.
  auto t = std::make_unique<ZcDbText>(ZcGePoint3d(10, 20, 0), L"AB", ZcDbObjectId(), 2.0, 0.0);
  t->setInt("AcDbText", 72, 100);
  EXPECT_EQ(t->horizontalMode(), ZcDb::kTextLeft);
  EXPECT_EQ(t->getInt("AcDbText", 72), 100);  // the tag stays as read
  ZcDbExtents ext, gauche;
  ASSERT_EQ(t->getGeomExtents(ext), Zcad::eOk);
  auto left = std::make_unique<ZcDbText>(ZcGePoint3d(10, 20, 0), L"AB", ZcDbObjectId(), 2.0, 0.0);
  ASSERT_EQ(left->getGeomExtents(gauche), Zcad::eOk);
  EXPECT_NEAR(ext.maxPoint().x, gauche.maxPoint().x, 1e-9);
  EXPECT_NEAR(ext.minPoint().x, 10, 1e-9);
}

TEST(Database, TextWidthsCoverWhatViewersDraw) {
  // Each character alone, then the texts of a coordinate table: the host's
  // box is never narrower than the common viewers draw the standard style
  // (a table sized on a narrower box has its values run across its lines).
  for (const geltaro::testing::LargeurVue& v : geltaro::testing::kLargeursVues) {
    SCOPED_TRACE(int(v.c));
    EXPECT_GE(textAdvance(std::wstring(1, v.c)), v.largeur);
  }
  ZcDbDatabase db;
  for (const char* texte : {"-0.0289", "0.0013", "-1.06", "651234.5678", "6862345.1234", "P12", "Libelle",
                            "Code 4321", "Point topo", "MUR_EST 1%"}) {
    SCOPED_TRACE(texte);
    const std::wstring s(texte, texte + std::char_traits<char>::length(texte));
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(0, 0, 0), s, ZcDbObjectId(), 2.5, 0.0);
    ZcGePoint3d bas, haut;
    t->textBox(bas, haut);
    EXPECT_GE(haut.x - bas.x, geltaro::testing::largeurVue(s, 2.5));
    EXPECT_DOUBLE_EQ(haut.y - bas.y, 2.5);
  }
}

TEST(Database, BlockReferenceExtentsIncludeVisibleAttributes) {
  ZcDbDatabase db;
  ZcDbObjectId ref = makePointBlock(db, ZcGePoint3d(100, 200, 0), L"P1");
  ZcDbObjectPointer<ZcDbBlockReference> br(ref, ZcDb::kForRead);
  ZcDbExtents ext, own;
  ASSERT_EQ(br->getGeomExtents(ext), Zcad::eOk);
  ASSERT_EQ(br->geomExtentsBestFit(own), Zcad::eOk);
  // The circle of radius 0.5 scaled 2 around (100, 200).
  EXPECT_NEAR(own.minPoint().x, 99, 1e-9);
  EXPECT_NEAR(own.maxPoint().y, 201, 1e-9);
  // The visible name attribute reaches past the circle; the invisible code does not count.
  EXPECT_NEAR(ext.maxPoint().y, 203, 1e-9);
  EXPECT_GT(ext.maxPoint().x, 101.5);
}

// A block measured through a reference that is in no drawing (the legend's
// way of sizing a symbol): the reference knows its block's drawing at once.
TEST(Database, NewBlockReferenceMeasuresItsBlockBeforeBeingAdded) {
  ZcDbDatabase db;
  ZcDbObjectId btrId;
  {
    ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"REGARD");
    ASSERT_EQ(bt->add(btrId, btr.get()), Zcad::eOk);
    // A 4 x 2 rectangle from (1, 3), the base point at (1, 0).
    btr->setOrigin(ZcGePoint3d(1, 0, 0));
    auto rect = std::make_unique<ZcDbPolyline>();
    rect->addVertexAt(0, ZcGePoint2d(1, 3));
    rect->addVertexAt(1, ZcGePoint2d(5, 3));
    rect->addVertexAt(2, ZcGePoint2d(5, 5));
    rect->addVertexAt(3, ZcGePoint2d(1, 5));
    rect->setClosed(true);
    ASSERT_EQ(btr->appendZcDbEntity(rect.get()), Zcad::eOk);
  }
  struct Case {
    const char* why;
    double scale;
    ZcGePoint3d at, min, max;
  };
  const Case cases[] = {
      {"at the origin, scale 1", 1.0, {0, 0, 0}, {0, 3, 0}, {4, 5, 0}},
      {"a quarter, moved", 0.25, {10, 20, 0}, {10, 20.75, 0}, {11, 21.25, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ZcDbBlockReference ref(c.at, btrId);
    ASSERT_EQ(ref.setScaleFactors(ZcGeScale3d(c.scale)), Zcad::eOk);
    EXPECT_TRUE(ref.objectId().isNull());
    EXPECT_EQ(ref.blockTableRecord(), btrId);
    ZcDbExtents ext;
    ASSERT_EQ(ref.getGeomExtents(ext), Zcad::eOk);
    EXPECT_NEAR(ext.minPoint().x, c.min.x, 1e-12);
    EXPECT_NEAR(ext.minPoint().y, c.min.y, 1e-12);
    EXPECT_NEAR(ext.maxPoint().x, c.max.x, 1e-12);
    EXPECT_NEAR(ext.maxPoint().y, c.max.y, 1e-12);
  }
  // A reference made empty and given its block afterwards measures the same.
  ZcDbBlockReference later;
  ASSERT_EQ(later.setBlockTableRecord(btrId), Zcad::eOk);
  ZcDbExtents ext;
  ASSERT_EQ(later.geomExtentsBestFit(ext), Zcad::eOk);
  EXPECT_NEAR(ext.maxPoint().x - ext.minPoint().x, 4, 1e-12);
  // Once added, the reference is measured in its drawing as before.
  auto added = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), btrId);
  addToModel(db, added.get());
  ASSERT_EQ(added->getGeomExtents(ext), Zcad::eOk);
  EXPECT_NEAR(ext.minPoint().y, 3, 1e-12);
}

// External references and the blocks they bring are told apart from the
// drawing's own blocks.
TEST(Database, BlocksFromExternalReferences) {
  const std::string path = tempPath("xref-blocks.dxf");
  {
    std::ofstream f(path);
    auto block = [&](const char* name, int flags, const char* file) {
      f << "0\nBLOCK\n8\n0\n2\n" << name << "\n70\n" << flags << "\n10\n0.0\n20\n0.0\n30\n0.0\n3\n"
        << name << "\n1\n" << file << "\n0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n1.0\n21\n0.0\n31\n0.0\n"
        << "0\nENDBLK\n8\n0\n";
    };
    f << "0\nSECTION\n2\nBLOCKS\n";
    block("BORNE", 0, "");
    block("PLAN", 4, "plan.dwg");
    block("FOND", 8, "fond.dwg");
    block("PLAN|BORNE", 16 | 32, "");
    f << "0\nENDSEC\n0\nEOF\n";
  }
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(path), Zcad::eOk) << db.lastError();
  struct Case {
    const char* name;
    bool external, dependent;
  };
  for (const Case& c : {Case{"BORNE", false, false}, Case{"PLAN", true, false}, Case{"FOND", true, false},
                        Case{"PLAN|BORNE", false, true}}) {
    SCOPED_TRACE(c.name);
    ZcDbObjectPointer<ZcDbBlockTableRecord> btr(db.symbolId("BLOCK_RECORD", c.name), ZcDb::kForRead);
    ASSERT_EQ(btr.openStatus(), Zcad::eOk);
    EXPECT_EQ(btr->isFromExternalReference(), c.external);
    EXPECT_EQ(btr->isDependent(), c.dependent);
  }
}

TEST(Database, BlockReferenceOutsideTheDrawingMeasuresItsBlock) {
  ZcDbDatabase db;
  makePointBlock(db, ZcGePoint3d(0, 0, 0), L"P1");
  const ZcDbObjectId pt = db.symbolId("BLOCK_RECORD", "PT");
  // A reference made to be measured, never appended.
  auto measured = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(10, 20, 0), pt);
  ZcDbExtents ext;
  ASSERT_EQ(measured->geomExtentsBestFit(ext), Zcad::eOk);
  EXPECT_NEAR(ext.minPoint().x, 9.5, 1e-12);
  EXPECT_NEAR(ext.maxPoint().y, 20.5, 1e-12);
  // The same once its block is set after construction.
  auto later = std::make_unique<ZcDbBlockReference>();
  ASSERT_EQ(later->setBlockTableRecord(pt), Zcad::eOk);
  ASSERT_EQ(later->geomExtentsBestFit(ext), Zcad::eOk);
  EXPECT_NEAR(ext.maxPoint().x, 0.5, 1e-12);

  // A block that draws nothing has no extents of its own.
  ZcDbObjectId emptyId;
  {
    ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"VIDE");
    ASSERT_EQ(bt->add(emptyId, btr.get()), Zcad::eOk);
  }
  auto empty = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), emptyId);
  EXPECT_EQ(empty->geomExtentsBestFit(ext), Zcad::eInvalidExtents);
}

TEST(Database, GroupsHoldEntities) {
  ZcDbDatabase db;
  ZcDbObjectId a = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0)).get());
  ZcDbObjectId b = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 1, 0), ZcGePoint3d(1, 1, 0)).get());
  {
    ZcDbObjectPointer<ZcDbDictionary> groups(db.groupDictionaryId(), ZcDb::kForWrite);
    auto g = std::make_unique<ZcDbGroup>(L"table de coordonnees");
    ZcDbObjectId gid;
    ASSERT_EQ(groups->setAt(L"TABLE1", g.get(), gid), Zcad::eOk);
    g->append(a);
    g->append(b);
    auto anon = std::make_unique<ZcDbGroup>();
    anon->setAnonymous();
    ASSERT_EQ(groups->setAt(L"*A1", anon.get(), gid), Zcad::eOk);
    anon->append(a);
  }
  auto again = reload(db, "groups.dxf");
  ZcDbObjectPointer<ZcDbDictionary> groups(again->groupDictionaryId(), ZcDb::kForRead);
  ZcDbObjectId gid;
  ASSERT_EQ(groups->getAt(L"TABLE1", gid), Zcad::eOk);
  ZcDbObjectPointer<ZcDbGroup> g(gid, ZcDb::kForRead);
  EXPECT_EQ(g->description(), L"table de coordonnees");
  EXPECT_EQ(g->numEntities(), 2u);
  EXPECT_TRUE(g->isSelectable());
  ASSERT_EQ(groups->getAt(L"*A1", gid), Zcad::eOk);
  ZcDbObjectPointer<ZcDbGroup> anon(gid, ZcDb::kForRead);
  EXPECT_TRUE(anon->isAnonymous());
}

TEST(Database, AnonymousGroupsTakeTheFirstFreeKey) {
  ZcDbDatabase db;
  ZcDbObjectId a = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0)).get());
  ZcDbObjectPointer<ZcDbDictionary> groups(db.groupDictionaryId(), ZcDb::kForWrite);
  ZcDbObjectId first, taken, second;
  // "*A2" is taken by a group read from a file, say.
  ASSERT_EQ(groups->setAt(L"*A2", std::make_unique<ZcDbGroup>().get(), taken), Zcad::eOk);
  for (ZcDbObjectId* id : {&first, &second}) {
    auto g = std::make_unique<ZcDbGroup>();
    g->setAnonymous();
    ASSERT_EQ(groups->setAt(L"*", g.get(), *id), Zcad::eOk);
    EXPECT_EQ(g->append(a), Zcad::eOk);
  }
  groups.close();
  // The service that makes one at once, with its entities.
  ZcDbObjectId b = addToModel(db, std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 1.0).get());
  ZcDbObjectId third = host::addAnonymousGroup(&db, {b, a});
  EXPECT_TRUE(host::addAnonymousGroup(nullptr, {a}).isNull());

  groups.open(db.groupDictionaryId(), ZcDb::kForRead);
  std::vector<std::pair<std::wstring, ZcDbObjectId>> want = {
      {L"*A2", taken}, {L"*A1", first}, {L"*A3", second}, {L"*A4", third}};
  EXPECT_EQ(groups->entries(), want);
  EXPECT_FALSE(groups->has(L"*"));
  ZcDbObjectPointer<ZcDbGroup> g(third, ZcDb::kForRead);
  EXPECT_TRUE(g->isAnonymous());
  EXPECT_EQ(g->allEntityIds(), (std::vector<ZcDbObjectId>{b, a}));
}

TEST(Database, InsertDrawingAsBlockTranslatesHandles) {
  ZcDbDatabase source;
  addLayer(source, L"SYMBOLE", 2);
  addLayer(source, L"0BIS", 4);
  {
    auto c = std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 1.0);
    c->setLayer(L"SYMBOLE");
    addToModel(source, c.get());
    addToModel(source, std::make_unique<ZcDbLine>(ZcGePoint3d(-1, 0, 0), ZcGePoint3d(1, 0, 0)).get());
  }
  ZcDbDatabase target;
  addLayer(target, L"SYMBOLE", 6);  // the target's own layer wins
  makePointBlock(target, ZcGePoint3d(0, 0, 0), L"1");
  ZcDbObjectId blockId;
  ASSERT_EQ(target.insert(blockId, L"vrelblk1", &source), Zcad::eOk);
  EXPECT_EQ(target.insert(blockId, L"vrelblk1", &source), Zcad::eDuplicateRecordName);
  blockId = target.symbolId("BLOCK_RECORD", "vrelblk1");
  ZcDbObjectPointer<ZcDbBlockTableRecord> btr(blockId, ZcDb::kForRead);
  ASSERT_TRUE(btr);
  auto ids = btr->entityIds();
  ASSERT_EQ(ids.size(), 2u);
  ZcDbObjectPointer<ZcDbCircle> c(ids[0], ZcDb::kForRead);
  EXPECT_EQ(c->layerName(), "SYMBOLE");
  EXPECT_EQ(c->ownerId(), blockId);
  EXPECT_EQ(c->database(), &target);
  ZcDbObjectPointer<ZcDbLayerTableRecord> l(target.symbolId("LAYER", "SYMBOLE"), ZcDb::kForRead);
  EXPECT_EQ(l->colorIndex(), 6);
  EXPECT_FALSE(target.symbolId("LAYER", "0BIS").isNull());
  // Every handle of the target is used once, and the drawing reads back.
  auto again = reload(target, "inserted.dxf");
  EXPECT_FALSE(again->symbolId("BLOCK_RECORD", "vrelblk1").isNull());
  EXPECT_TRUE(again->store().warnings.empty());
}

TEST(Database, LightPolylineVerticesAndPath) {
  ZcDbDatabase db;
  auto pl = std::make_unique<ZcDbPolyline>();
  pl->addVertexAt(0, ZcGePoint2d(0, 0));
  pl->addVertexAt(1, ZcGePoint2d(10, 0), 1.0);  // half circle to (10, 10)
  pl->addVertexAt(2, ZcGePoint2d(10, 10));
  pl->setElevation(5);
  ZcDbObjectId id = addToModel(db, pl.get());
  pl.reset();
  auto again = reload(db, "lwpolyline.dxf");
  ZcDbObjectPointer<ZcDbPolyline> p(again->idOfHandle(id.handle().value()), ZcDb::kForRead);
  ASSERT_EQ(p->numVerts(), 3u);
  double bulge;
  p->getBulgeAt(1, bulge);
  EXPECT_EQ(bulge, 1.0);
  ZcGePoint3d v;
  p->getPointAt(2, v);
  EXPECT_EQ(v.z, 5.0);
  ZcDbExtents ext;
  ASSERT_EQ(p->getGeomExtents(ext), Zcad::eOk);
  EXPECT_NEAR(ext.maxPoint().x, 15, 1e-9);  // the arc bulges to x = 15

  // A tapering segment: no constant width of 0 is left for readers to take
  // instead of the vertices' widths.
  auto fleche = std::make_unique<ZcDbPolyline>();
  fleche->addVertexAt(0, ZcGePoint2d(0, 0), 0, 2.5, 0);
  fleche->addVertexAt(1, ZcGePoint2d(0, 3));
  EXPECT_FALSE(fleche->has("AcDbPolyline", 43));
  double debut = 0, fin = 1;
  fleche->getWidthsAt(0, debut, fin);
  EXPECT_EQ(debut, 2.5);
  EXPECT_EQ(fin, 0.0);
}

TEST(Database, HeaderVariablesAndView) {
  ZcDbDatabase db;
  db.setInsbase(ZcGePoint3d(1, 2, 3));
  db.setView(ZcGePoint2d(500, 600), 80);
  addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(-5, 1, 0), ZcGePoint3d(10, 20, 2)).get());
  db.updateExt();
  auto again = reload(db, "header.dxf");
  EXPECT_EQ(again->insbase().z, 3.0);
  EXPECT_EQ(again->viewCenter().x, 500.0);
  EXPECT_EQ(again->viewHeight(), 80.0);
  EXPECT_EQ(again->extmin().x, -5.0);
  EXPECT_EQ(again->extmax().y, 20.0);
}

TEST(Database, AnonymousBlocksAreNumbered) {
  ZcDbDatabase db;
  ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
  std::vector<std::string> names;
  for (int i = 0; i < 2; ++i) {
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"*U");
    ZcDbObjectId id;
    ASSERT_EQ(bt->add(id, btr.get()), Zcad::eOk);
    EXPECT_TRUE(btr->isAnonymous());
    names.push_back(btr->name());
  }
  EXPECT_EQ(names[0], "*U1");
  EXPECT_EQ(names[1], "*U2");
}

TEST(Database, OldStylePolylinesWithVerticesAndCurveServices) {
  ZcDbDatabase db;
  auto pl = std::make_unique<ZcDb3dPolyline>();
  ZcDbObjectId id = addToModel(db, pl.get());
  for (ZcGePoint3d p : {ZcGePoint3d(0, 0, 100), ZcGePoint3d(10, 0, 102), ZcGePoint3d(10, 10, 104)}) {
    auto v = std::make_unique<ZcDb3dPolylineVertex>(p);
    ASSERT_EQ(pl->appendVertex(v.get()), Zcad::eOk);
  }
  auto ctl = std::make_unique<ZcDb3dPolylineVertex>(ZcGePoint3d(50, 50, 0));
  ASSERT_EQ(pl->appendVertex(ctl.get()), Zcad::eOk);
  ctl->setDxfTags([&] {
    auto t = ctl->dxfTags();
    for (auto& tag : t)
      if (tag.code == 70) tag.value = "48";  // a spline control vertex
    return t;
  }());
  pl.reset();
  ctl.reset();
  auto again = reload(db, "poly3d.dxf");
  ZcDbObjectPointer<ZcDb3dPolyline> p(again->idOfHandle(id.handle().value()), ZcDb::kForRead);
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->isA()->hasMarker("AcDb3dPolyline"));
  EXPECT_EQ(p->vertexIds().size(), 4u);
  Path path;
  ASSERT_TRUE(p->toPath(path));
  EXPECT_EQ(path.vertices().size(), 3u);  // the control vertex is not on the curve
  // A line across the second leg meets it at z 103 (half way up).
  auto hits = path.intersectionsWithLine(ZcGePoint2d(5, 5), ZcGePoint2d(15, 5), LineExtent::Segment);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0].point.z, 103, 1e-9);
  auto closest = path.closestPoint(ZcGePoint3d(12, 5, 0));
  EXPECT_NEAR(closest.param, 1.5, 1e-9);
  EXPECT_NEAR(closest.distanceAlong, 1.5 * std::sqrt(104.0), 1e-9);  // along the curve in space
}

TEST(Database, ErasedObjectsLeaveNoDanglingReferences) {
  ZcDbDatabase db;
  ZcDbObjectId a = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0)).get());
  ZcDbObjectId b = addToModel(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 1, 0), ZcGePoint3d(1, 1, 0)).get());
  ZcDbObjectId xid;
  {
    ZcDbObjectPointer<ZcDbDictionary> groups(db.groupDictionaryId(), ZcDb::kForWrite);
    auto g = std::make_unique<ZcDbGroup>(L"g");
    ZcDbObjectId gid;
    groups->setAt(L"G", g.get(), gid);
    g->append(a);
    g->append(b);
    ZcDbObjectPointer<ZcDbDictionary> nod(db.namedObjectsDictionaryId(), ZcDb::kForWrite);
    auto xr = std::make_unique<ZcDbXrecord>();
    nod->setAt(L"TEMP", xr.get(), xid);
  }
  {
    ZcDbObjectPointer<ZcDbLine> l(a, ZcDb::kForWrite);
    l->erase();
    ZcDbObjectPointer<ZcDbXrecord> x(xid, ZcDb::kForWrite);
    x->erase();
  }
  std::string text = host::dxf::writeDxf(db);
  EXPECT_EQ(text.find("TEMP"), std::string::npos);
  auto again = reload(db, "erased.dxf");
  ZcDbObjectPointer<ZcDbDictionary> groups(again->groupDictionaryId(), ZcDb::kForRead);
  ZcDbObjectId gid;
  ASSERT_EQ(groups->getAt(L"G", gid), Zcad::eOk);
  ZcDbObjectPointer<ZcDbGroup> g(gid, ZcDb::kForRead);
  EXPECT_EQ(g->numEntities(), 1u);
  EXPECT_EQ(again->entityCount(), 1u);
}

TEST(Database, EntityListsReadAndWriteBack) {
  ZcDbDatabase db;
  ZcDbObjectId ref = makePointBlock(db, ZcGePoint3d(100, 200, 0), L"P1");
  {
    ZcDbObjectPointer<ZcDbBlockReference> br(ref, ZcDb::kForWrite);
    br->setXData({resbuf::string(1001, L"VRELPLUS"), resbuf::shortInt(1070, 1)});
  }
  ResbufChain list = zcdbEntGet(ref, {L"VRELPLUS"});
  ASSERT_GE(list.size(), 4u);
  EXPECT_EQ(list[0].restype, -1);
  EXPECT_EQ(list[0].resval.rlname, ref);
  EXPECT_EQ(list[1].resval.rstring, L"INSERT");
  auto group = [&](short code) {
    return std::find_if(list.begin(), list.end(), [&](const resbuf& r) { return r.restype == code; });
  };
  ASSERT_NE(group(10), list.end());
  EXPECT_EQ(group(10)->resval.rpoint.y, 200.0);
  EXPECT_EQ(group(41)->resval.rreal, 2.0);
  EXPECT_EQ(group(330)->resval.rlname, db.modelSpaceId());
  ASSERT_NE(group(-3), list.end());
  EXPECT_EQ(group(1070)->resval.rint, 1);
  EXPECT_EQ(zcdbEntGet(ref).back().restype == -3, false);  // no application asked, no extended data

  // Move the block by its list and change its extended data.
  group(10)->resval.rpoint = ZcGePoint3d(150, 250, 0);
  group(1070)->resval.rint = 7;
  ASSERT_EQ(zcdbEntMod(list), Zcad::eOk);
  ZcDbObjectPointer<ZcDbBlockReference> br(ref, ZcDb::kForRead);
  EXPECT_EQ(br->position().x, 150.0);
  EXPECT_EQ(br->xData(L"VRELPLUS")[1].resval.rint, 7);
  EXPECT_EQ(br->attributeIds().size(), 2u);

  // Another type in the list is refused and changes nothing.
  list[1].resval.rstring = L"LINE";
  EXPECT_EQ(zcdbEntMod(list), Zcad::eNotThatKindOfClass);
  EXPECT_EQ(zcdbEntMod({}), Zcad::eInvalidInput);
}

TEST(Database, BlockExtentsEndOnSelfReferenceAndDeepNesting) {
  ZcDbDatabase db;
  ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
  auto makeBlock = [&](const std::wstring& name) {
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(name);
    ZcDbObjectId id;
    EXPECT_EQ(bt->add(id, btr.get()), Zcad::eOk);
    return std::pair(id, std::move(btr));
  };
  // A block that holds a reference to itself.
  auto [selfId, self] = makeBlock(L"SELF");
  self->appendZcDbEntity(std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 1.0).get());
  self->appendZcDbEntity(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(5, 0, 0), selfId).get());
  // Forty levels of blocks, each holding three references to the level below.
  auto [prevId, prev] = makeBlock(L"L0");
  prev->appendZcDbEntity(std::make_unique<ZcDbPoint>(ZcGePoint3d(1, 1, 0)).get());
  for (int level = 1; level < 40; ++level) {
    auto [id, btr] = makeBlock(L"L" + std::to_wstring(level));
    for (int k = 0; k < 3; ++k)
      btr->appendZcDbEntity(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), prevId).get());
    prevId = id;
  }
  bt.close();
  for (ZcDbObjectId block : {selfId, prevId}) {
    auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), block);
    addToModel(db, ref.get());
    ZcDbExtents ext;
    ASSERT_EQ(ref->getGeomExtents(ext), Zcad::eOk);
    EXPECT_TRUE(ext.isValid());
  }
}
