// Points imported from the entities of a received drawing: the rule of
// each kind, altitudes that are no numbers, codes and their entries in the
// codification table, duplicates, numbering, and a drawing left as it was.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "host/app/console_io.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "points/codification.hpp"
#include "points/import_dessin.hpp"
#include "points/table.hpp"

namespace {

struct Attendu {
  std::string nom;
  double x, y, z;
  int code;
};

class Import : public testing::Test {
 protected:
  void SetUp() override {
    precedent_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    console_ = host::setConsole(&io_);
  }
  void TearDown() override {
    host::setConsole(console_);
    zcdbSetCurDwg(precedent_);
  }

  ZcDbObjectId ajouter(ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(ms->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
  }
  template <class T, class... A>
  ZcDbObjectId nouveau(A&&... args) {
    auto e = std::make_unique<T>(std::forward<A>(args)...);
    return ajouter(e.get());
  }
  template <class Polyligne, class Sommet>
  ZcDbObjectId polyligne(std::unique_ptr<Polyligne> p, const std::vector<ZcGePoint3d>& sommets) {
    const ZcDbObjectId id = ajouter(p.get());
    for (const ZcGePoint3d& s : sommets) {
      auto v = std::make_unique<Sommet>(s);
      EXPECT_EQ(p->appendVertex(v.get()), Zcad::eOk);
    }
    return id;
  }
  // A block reference of `bloc` (made on first use) with its attributes.
  ZcDbObjectId bloc(const wchar_t* bloc, const ZcGePoint3d& position,
                    const std::vector<std::pair<std::wstring, std::wstring>>& attributs) {
    ZcDbObjectId def = db_.symbolId("BLOCK_RECORD", host::toUtf8(bloc));
    if (def.isNull()) {
      ZcDbObjectPointer<ZcDbBlockTable> table(db_.blockTableId(), ZcDb::kForWrite);
      auto btr = std::make_unique<ZcDbBlockTableRecord>();
      btr->setName(bloc);
      table->add(def, btr.get());
      auto cercle = std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 0.5);
      btr->appendZcDbEntity(cercle.get());
    }
    auto ref = std::make_unique<ZcDbBlockReference>(position, def);
    const ZcDbObjectId id = ajouter(ref.get());
    for (const auto& [tag, texte] : attributs) {
      auto a = std::make_unique<ZcDbAttribute>(position, texte, tag);
      EXPECT_EQ(ref->appendAttribute(a.get()), Zcad::eOk);
    }
    return id;
  }

  // Runs the import with the selection answer `choix`.
  void importer(int types, const std::wstring& tagCode = {}, const ZcGeVector2d& decalage = {},
                const std::wstring& tagNumero = L"NUMPT", const std::wstring& tagAltitude = L"Z",
                const std::string& choix = "all") {
    entree_.clear();
    entree_.str(choix + "\n");
    table_.importFromDrawing(types, tagNumero, tagAltitude, tagCode, decalage);
  }

  std::vector<Attendu> points() const {
    std::vector<Attendu> out;
    for (const pointDuDessin& p : table_.points())
      out.push_back({p.getNomPoint(), p.getX(), p.getY(), p.getZ(), p.getCode()});
    return out;
  }

  ZcDbDatabase db_{true};
  listePointsDuDessin table_;
  std::istringstream entree_;
  std::ostringstream sortie_;
  host::ConsoleIO io_{entree_, sortie_};
  ZcDbDatabase* precedent_ = nullptr;
  host::ConsoleIO* console_ = nullptr;
};

void expectPoints(const std::vector<Attendu>& obtenus, const std::vector<Attendu>& attendus) {
  ASSERT_EQ(obtenus.size(), attendus.size());
  for (std::size_t i = 0; i < attendus.size(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    EXPECT_EQ(obtenus[i].nom, attendus[i].nom);
    EXPECT_NEAR(obtenus[i].x, attendus[i].x, 1e-9);
    EXPECT_NEAR(obtenus[i].y, attendus[i].y, 1e-9);
    EXPECT_NEAR(obtenus[i].z, attendus[i].z, 1e-9);
    EXPECT_EQ(obtenus[i].code, attendus[i].code);
  }
}

TEST_F(Import, VerticesCornersAndEndsOfEveryKind) {
  pointDuDessin existant;
  existant.setParams(L"7", {-100, -100, 1}, 1);
  table_.Ajouter(existant);
  polyligne<ZcDb3dPolyline, ZcDb3dPolylineVertex>(std::make_unique<ZcDb3dPolyline>(),
                                                  {{0, 90, 0}, {10, 90, 102.5}, {20, 90, 103}});
  nouveau<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(10, 0, 5));
  nouveau<ZcDbPoint>(ZcGePoint3d(30, 10, 101.5));
  nouveau<ZcDbPoint>(ZcGePoint3d(40, 10, 0));
  {
    // Old-style 2D polylines hold their altitude in the elevation.
    auto p = std::make_unique<ZcDb2dPolyline>();
    p->setElevation(65);
    polyligne<ZcDb2dPolyline, ZcDb2dVertex>(std::move(p), {{50, 70, 0}, {60, 70, 0}});
  }
  {
    auto lw = std::make_unique<ZcDbPolyline>();
    lw->addVertexAt(0, ZcGePoint2d(80, 50));
    lw->addVertexAt(1, ZcGePoint2d(90, 50));
    lw->setElevation(55);
    ajouter(lw.get());
  }
  nouveau<ZcDbFace>(ZcGePoint3d(100, 50, 1), ZcGePoint3d(110, 50, 2), ZcGePoint3d(110, 60, 3), ZcGePoint3d(110, 60, 3));
  polyligne<ZcDbPolygonMesh, ZcDbPolygonMeshVertex>(std::make_unique<ZcDbPolygonMesh>(1, 2),
                                                    {{200, 200, 50}, {200, 210, 51}});
  {
    auto pf = std::make_unique<ZcDbPolyFaceMesh>();
    const ZcDbObjectId id =
        polyligne<ZcDbPolyFaceMesh, ZcDbPolyFaceMeshVertex>(std::move(pf), {{300, 300, 10}, {310, 300, 11}});
    ZcDbObjectPointer<ZcDbPolyFaceMesh> m(id, ZcDb::kForWrite);
    auto face = std::make_unique<ZcDbFaceRecord>(1, 2, 1, 0);
    m->appendVertex(face.get());
  }
  const std::size_t entites = db_.entityCount();
  importer(kImportTous);
  // Sorted by x then y (duplicate removal), numbered after "7".
  expectPoints(points(), {{"7", -100, -100, 1, 1},
                          {"8", 10, 0, 5, kCodeImportLigne},
                          {"9", 10, 90, 102.5, kCodeImportPolyligne3d},
                          {"10", 20, 90, 103, kCodeImportPolyligne3d},
                          {"11", 30, 10, 101.5, kCodeImportPoint},
                          {"12", 50, 70, 65, kCodeImportPolyligne2dAncienne},
                          {"13", 60, 70, 65, kCodeImportPolyligne2dAncienne},
                          {"14", 80, 50, 55, kCodeImportPolyligne2d},
                          {"15", 90, 50, 55, kCodeImportPolyligne2d},
                          {"16", 100, 50, 1, kCodeImportFacette3d},
                          {"17", 110, 50, 2, kCodeImportFacette3d},
                          {"18", 110, 60, 3, kCodeImportFacette3d},
                          {"19", 200, 200, 50, kCodeImportMaillage3d},
                          {"20", 200, 210, 51, kCodeImportMaillage3d},
                          {"21", 300, 300, 10, kCodeImportMaillageFacettes},
                          {"22", 310, 300, 11, kCodeImportMaillageFacettes}});
  EXPECT_EQ(db_.entityCount(), entites);
  EXPECT_NE(sortie_.str().find("Selectionnez :"), std::string::npos);
}

TEST_F(Import, OnlyTheKindsAskedAndOnlyWhatIsSelected) {
  nouveau<ZcDbPoint>(ZcGePoint3d(30, 10, 101.5));
  const ZcDbObjectId ligne = nouveau<ZcDbLine>(ZcGePoint3d(0, 0, 1), ZcGePoint3d(10, 0, 5));
  nouveau<ZcDbLine>(ZcGePoint3d(50, 0, 1), ZcGePoint3d(60, 0, 5));
  importer(kImportLignes, {}, {}, L"NUMPT", L"Z", "#" + ligne.handle().toString());
  expectPoints(points(), {{"1", 0, 0, 1, kCodeImportLigne}, {"2", 10, 0, 5, kCodeImportLigne}});
  // No kind, or an empty selection: nothing, not even a prompt.
  table_.vider();
  sortie_.str("");
  importer(0);
  EXPECT_TRUE(points().empty());
  EXPECT_EQ(sortie_.str().find("Selectionnez"), std::string::npos);
  importer(kImportPoints, {}, {}, L"NUMPT", L"Z", "");
  EXPECT_TRUE(points().empty());
}

TEST_F(Import, BlocksByTheirAttributes) {
  const ZcDbObjectId douze = bloc(L"PTB", {500, 500, 0}, {{L"NUMPT", L"12"}, {L"Z", L"105.25"}, {L"OBS", L"x"}});
  bloc(L"PTB", {510, 500, 0}, {{L"numpt", L"A7"}, {L"z", L"haut"}, {L"CODE", L"0"}});
  bloc(L"PTB", {520, 500, 0}, {{L"NUMPT", L"A8"}, {L"Z", L"1.0E999"}, {L"CODE", L"12"}});
  bloc(L"AUTRE", {600, 600, 0}, {{L"NUM", L"B1"}, {L"ALT", L"44.5"}});
  bloc(L"AUTRE", {610, 600, 0}, {{L"NUM", L"B2"}, {L"ALT", L"45.5"}, {L"COD", L"12345"}});
  bloc(L"AUTRE", {620, 600, 0}, {{L"NUM", L"B3"}, {L"ALT", L"46.5"}, {L"COD", L"77"}});
  bloc(L"AUTRE", {630, 600, 0}, {{L"NUM", L"B4"}, {L"ALT", L"0"}, {L"COD", L"77"}});
  bloc(L"AUTRE", {640, 600, 0}, {{L"NUM", L"B5"}, {L"ALT", L"47"}, {L"COD", L"0"}});
  bloc(L"AUTRE", {700, 700, 88}, {});
  bloc(L"AUTRE", {710, 700, 0}, {});

  // Without the tags of the other blocks: only the point blocks and the
  // block at an altitude.
  importer(kImportBlocs3d | kImportBlocsPoints | kImportBlocsAttributs);
  expectPoints(points(), {{"12", 500, 500, 105.25, kCodeImportBlocPoint},
                          {"A7", 510, 500, kIndefini, kCodeImportBlocPoint},
                          {"A8", 520, 500, kIndefini, 12},
                          {"13", 700, 700, 88, kCodeImportBloc3d}});
  // A point block becomes the block of its point.
  EXPECT_EQ(table_.getData(0)->getId(), douze);
  EXPECT_TRUE(table_.getData(3)->getId().isNull());

  table_.vider();
  importer(kImportBlocsAttributs, L"COD", {}, L"num", L"alt");
  // B4 at altitude 0 gives nothing; codes outside 1..9999, or 0, are none.
  expectPoints(points(), {{"B1", 600, 600, 44.5, kCodeImportBlocAttributs},
                          {"B2", 610, 600, 45.5, kCodeImportBlocAttributs},
                          {"B3", 620, 600, 46.5, 77},
                          {"B5", 640, 600, 47, kCodeImportBlocAttributs}});
  EXPECT_TRUE(table_.getData(0)->getId().isNull());
}

TEST_F(Import, EveryCodeGivenHasItsCodificationEntry) {
  tableCodification& codes = codification();
  for (int c : {31, 32, 9989, 9991, int(kCodeImportTexte)}) {
    const int i = codes.indexDuCode(c);
    if (i >= 0) codes.supprimer(i);
  }
  // The first code met is already in the table; the later ones still get
  // their entries.
  codifPoint present;
  present.code = 31;
  codes.ajouter(present);
  bloc(L"AUTRE", {600, 600, 0}, {{L"NUM", L"B1"}, {L"ALT", L"44.5"}, {L"COD", L"31"}});
  bloc(L"AUTRE", {610, 600, 0}, {{L"NUM", L"B2"}, {L"ALT", L"45.5"}, {L"COD", L"32"}});
  bloc(L"AUTRE", {620, 600, 0}, {{L"NUM", L"B3"}, {L"ALT", L"46.5"}});
  importer(kImportBlocsAttributs, L"COD", {}, L"NUM", L"ALT");
  ASSERT_GE(codes.indexDuCode(32), 0);
  EXPECT_EQ(codes.getAt(codes.indexDuCode(32)).libelle, L"Import Code");
  ASSERT_GE(codes.indexDuCode(9989), 0);
  EXPECT_EQ(codes.getAt(codes.indexDuCode(9989)).libelle, L"Points importes a partir des blocs avec attributs");
  EXPECT_EQ(codes.getAt(codes.indexDuCode(31)).libelle, present.libelle);
  // A source whose points all fail adds no entry.
  nouveau<ZcDbText>(ZcGePoint3d(0, 0, 0), L"0");
  importer(kImportTextes);
  EXPECT_LT(codes.indexDuCode(kCodeImportTexte), 0);
}

TEST_F(Import, TextsHoldingAnAltitude) {
  struct Cas {
    const wchar_t* texte;
    bool point;
  } cas[] = {{L"98.40", true}, {L" 98.40 ", true}, {L"0", false},      {L"98,40", false},
             {L"1.0E999", false}, {L"-1e3", false}, {L"cote 12", false}, {L"-2.5", true}};
  double x = 0;
  for (const Cas& c : cas) {
    SCOPED_TRACE(host::toUtf8(c.texte));
    table_.vider();
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(100 + x, 200, 0), c.texte);
    const ZcDbObjectId id = ajouter(t.get());
    importer(kImportTextes, {}, ZcGeVector2d(0.5, -0.2), L"NUMPT", L"Z", "#" + id.handle().toString());
    ASSERT_EQ(table_.nbPoint(), c.point ? 1 : 0);
    if (c.point) {
      EXPECT_NEAR(table_.getData(0)->getX(), 100.5 + x, 1e-9);
      EXPECT_NEAR(table_.getData(0)->getY(), 199.8, 1e-9);
      EXPECT_EQ(table_.getData(0)->getCode(), kCodeImportTexte);
    }
    x += 10;
  }
  // A multiline text: at the lower-left corner of its extents, no offset.
  table_.vider();
  auto m = std::make_unique<ZcDbMText>();
  m->setLocation(ZcGePoint3d(140, 200, 0));
  m->setTextHeight(0.5);
  m->setContents(L"97.25");
  const ZcDbObjectId mid = ajouter(m.get());
  ZcDbExtents etendue;
  {
    ZcDbObjectPointer<ZcDbMText> lu(mid, ZcDb::kForRead);
    ASSERT_EQ(lu->getGeomExtents(etendue), Zcad::eOk);
  }
  importer(kImportTextes, {}, ZcGeVector2d(0.5, -0.2), L"NUMPT", L"Z", "#" + mid.handle().toString());
  expectPoints(points(), {{"1", etendue.minPoint().x, etendue.minPoint().y, 97.25, kCodeImportTexte}});
}

TEST_F(Import, DuplicatesInPlanLeaveOnePoint) {
  nouveau<ZcDbPoint>(ZcGePoint3d(10, 10, 101.5));
  nouveau<ZcDbLine>(ZcGePoint3d(10, 10, 99), ZcGePoint3d(20, 10, 98));
  importer(kImportTous);
  // The point of the smaller code stays (9993 for the line's start).
  expectPoints(points(), {{"1", 10, 10, 99, kCodeImportLigne}, {"2", 20, 10, 98, kCodeImportLigne}});
}

}  // namespace
