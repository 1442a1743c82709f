// The project and block descriptions kept in the drawing, through a DXF
// file and back.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "points/serializer.hpp"
#include "points/storage.hpp"

namespace gp = geltaro::points;

namespace {

std::string tempFile(const std::string& name) {
  return (std::filesystem::path(testing::TempDir()) / ("geltaro-storage-" + name)).string();
}

std::unique_ptr<ZcDbDatabase> reread(ZcDbDatabase& db, const std::string& name) {
  const std::string path = tempFile(name);
  EXPECT_EQ(db.saveAs(path), Zcad::eOk);
  auto again = std::make_unique<ZcDbDatabase>(false);
  EXPECT_EQ(again->readDwgFile(path), Zcad::eOk) << again->lastError();
  return again;
}

ZcDbObjectId addInsert(ZcDbDatabase& db, const ZcGePoint3d& at) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  auto ref = std::make_unique<ZcDbPoint>(at);
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, ref.get());
  return id;
}

TEST(DrawingStorage, TheProjectTravelsThroughTheDxfFile) {
  ZcDbDatabase db(true);
  projetsTopo projet;
  pointDuDessin a;
  a.setParams(L"A1", {1000.123, 2000.456, 99.5}, 10);
  a.setId(addInsert(db, a.getAs3dPnt()));
  projet.currTable()->Ajouter(a);
  projet.creerTablePoints(L"Stations");
  pointDuDessin s;
  s.setParams(L"S\u00e92", {-5.25, 1e-9, kIndefini}, 100);
  projet.getTable(1)->Ajouter(s);
  projet.courant = 1;

  testing::internal::CaptureStdout();
  gp::sauverProjet(&db, &projet, true);
  auto again = reread(db, "project.dxf");
  projetsTopo relu;
  relu.reset();
  EXPECT_EQ(gp::lireProjet(again.get(), relu), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nLecture des données Topo");

  ASSERT_EQ(relu.nbTables(), 2);
  EXPECT_EQ(relu.courant, 1);
  EXPECT_EQ(relu.getTable(0)->getNomTable(), L"LEVE");
  EXPECT_EQ(relu.getTable(1)->getNomTable(), L"Stations");
  const pointDuDessin& ra = *relu.getTable(0)->getData(0);
  EXPECT_TRUE(ra == a);
  EXPECT_EQ(ra.getX(), a.getX());  // doubles come back exactly
  EXPECT_EQ(ra.getY(), a.getY());
  // The block link now names the same entity in the re-read drawing.
  ASSERT_TRUE(ra.getId().isValid());
  EXPECT_EQ(ra.getId().database(), again.get());
  EXPECT_EQ(ra.getId().handle().value(), a.getId().handle().value());
  const pointDuDessin& rs = *relu.getTable(1)->getData(0);
  EXPECT_TRUE(rs == s);
  EXPECT_EQ(rs.getY(), 1e-9);
  EXPECT_TRUE(rs.getId().isNull());
}

TEST(DrawingStorage, SavingTwiceKeepsOneRecordAndEmptyRecordsReadAsAFreshProject) {
  ZcDbDatabase db(true);
  projetsTopo projet;
  projet.currTable()->CreerPoint({1, 1, 1}, 2, L"P");
  gp::sauverProjet(&db, &projet, true);
  gp::sauverProjet(&db, &projet, true);
  {
    ZcDbObjectPointer<ZcDbLayerTableRecord> zero(db.symbolId("LAYER", "0"), ZcDb::kForRead);
    ZcDbObjectPointer<ZcDbDictionary> dict(zero->extensionDictionary(), ZcDb::kForRead);
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->numEntries(), 1u);
  }
  gp::effacerProjetStocke(&db);
  ResbufChain stored{resbuf::longInt(90, 1)};
  ASSERT_TRUE(gp::lireChaine(db.symbolId("LAYER", "0"), gp::kCleProjet, stored));
  EXPECT_TRUE(stored.empty());

  testing::internal::CaptureStdout();
  EXPECT_EQ(gp::lireProjet(&db, projet), 0);
  ZcDbDatabase bare(true);  // nothing stored at all
  EXPECT_EQ(gp::lireProjet(&bare, projet), 0);
  EXPECT_EQ(gp::lireProjet(nullptr, projet), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(projet.nbTables(), 1);
  EXPECT_EQ(projet.currTable()->getNomTable(), L"LEVE");
  EXPECT_EQ(projet.currTable()->nbPoint(), 0);
}

TEST(DrawingStorage, ACutChainResetsTheProject) {
  ZcDbDatabase db(true);
  projetsTopo projet;
  projet.currTable()->CreerPoint({1, 1, 1}, 2, L"P");
  chaineResbuf chain;
  ResbufSerializer w(&chain);
  ASSERT_EQ(projet.SaveToXRecord(&w), 1);
  ResbufChain cut = chain.chain();
  cut.pop_back();  // the block id of the last point
  gp::stockerChaine(gp::calqueZero(&db), gp::kCleProjet, cut);
  auto again = reread(db, "cut.dxf");
  testing::internal::CaptureStdout();
  EXPECT_EQ(gp::lireProjet(again.get(), projet), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(projet.nbTables(), 1);
  EXPECT_EQ(projet.currTable()->nbPoint(), 0);
}

TEST(BlockDescription, WrittenOnTheDefinitionAndItsFirstEntity) {
  ZcDbDatabase db(true);
  ZcDbObjectId def, first, second;
  {
    ZcDbObjectPointer<ZcDbBlockTable> blocks(db.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"REGARD");
    blocks->add(def, btr.get());
  }
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> btr(def, ZcDb::kForWrite);
    auto c = std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 1.0);
    btr->appendZcDbEntity(first, c.get());
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0));
    btr->appendZcDbEntity(second, l.get());
  }
  ASSERT_EQ(gp::ecrireDescriptionBloc(def, L"Regard de visite \u00e9gout"), Zcad::eOk);
  auto again = reread(db, "description.dxf");
  const ZcDbObjectId def2 = again->symbolId("BLOCK_RECORD", "REGARD");
  gp::descriptionBloc d;
  ASSERT_EQ(gp::lireDescriptionBloc(def2, d), 1);
  EXPECT_EQ(d.commentaires, L"Regard de visite \u00e9gout");
  EXPECT_EQ(d.surEntite, L"Regard de visite \u00e9gout");
  EXPECT_EQ(d.surDefinition, L"Regard de visite \u00e9gout");

  // A record without the signature is not a description: the next entity's
  // record is taken instead.
  std::vector<ZcDbObjectId> ents;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> btr(def2, ZcDb::kForRead);
    ents = btr->entityIds();
  }
  ASSERT_EQ(ents.size(), 2u);
  gp::stockerChaine(ents[0], gp::kCleDescriptionBloc, {resbuf::longInt(90, 1), resbuf::string(300, L"autre")});
  gp::stockerChaine(ents[1], gp::kCleDescriptionBloc,
                    {resbuf::longInt(90, gp::kSignatureDescriptionBloc), resbuf::string(300, L"second")});
  ASSERT_EQ(gp::lireDescriptionBloc(def2, d), 1);
  EXPECT_EQ(d.surEntite, L"second");

  // Only a block definition has a description.
  EXPECT_EQ(gp::lireDescriptionBloc(again->layerTableId(), d), 0);
  EXPECT_EQ(gp::lireDescriptionBloc(ZcDbObjectId(), d), 0);
  EXPECT_NE(gp::ecrireDescriptionBloc(ents[0], L"x"), Zcad::eOk);
}

}  // namespace
