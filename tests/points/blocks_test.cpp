// Point blocks: layout, texts, reading back, updates, block names and the
// library drawings.
#include <gtest/gtest.h>

#include <sstream>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"

namespace fs = std::filesystem;

namespace {

class PointBlocks : public testing::Test {
 public:
  // The test programs' own installation folder (block library, no
  // codification file: the table is made with its defaults there).
  static fs::path home() { return fs::path(std::getenv("GELTARO_HOME")); }

 protected:
  void SetUp() override {
    previous_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    facteurTailleBlocs = 1.0;
    codifPoint& cinq = codification().codeCree(5);
    cinq.tailleBlock = 2.0;
    cinq.precisionAltitudes = 3;
    cinq.calques = {L"BLOCS", L"ALTI", L"NUM", L"OBS", L"CODES"};
    cinq.couleurs = {1, 2, 3, 4, 5};
  }
  void TearDown() override { zcdbSetCurDwg(previous_); }

  struct Attribute {
    std::wstring tag, text, layer;
    ZcGePoint3d position;
    double height;
    bool invisible;
  };
  std::vector<Attribute> attributes(ZcDbObjectId ref) {
    std::vector<Attribute> out;
    ZcDbObjectPointer<ZcDbBlockReference> r(ref, ZcDb::kForRead);
    for (auto id : r->attributeIds()) {
      ZcDbObjectPointer<ZcDbAttribute> a(id, ZcDb::kForRead);
      out.push_back({a->tag(), a->textString(), host::fromUtf8(a->layerName()), a->position(), a->height(),
                     a->isInvisible()});
    }
    return out;
  }

  ZcDbDatabase db_{true};
  ZcDbDatabase* previous_ = nullptr;
};

pointDuDessin pt(const wchar_t* nom, double x, double y, double z, int code) {
  pointDuDessin p;
  p.setParams(nom, {x, y, z}, code);
  return p;
}

TEST_F(PointBlocks, LayoutOfAPointBlock) {
  pointDuDessin p = pt(L" p12 ", 100, 200, 12.3456, 5);
  p.creer(true, L"  regard ");
  ASSERT_TRUE(p.getId().isValid());
  ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForRead);
  ASSERT_TRUE(ref);
  EXPECT_EQ(ref->position(), ZcGePoint3d(100, 200, 0));
  EXPECT_DOUBLE_EQ(ref->scaleFactors().sx, 2.0);
  EXPECT_DOUBLE_EQ(ref->scaleFactors().sz, 2.0);
  EXPECT_EQ(ref->layerName(), "BLOCS");
  EXPECT_EQ(ref->blockName(), "vrelblk1");
  const ResbufChain xdata = ref->xData(L"VRELPLUS");
  ASSERT_EQ(xdata.size(), 2u);
  EXPECT_EQ(xdata[1].restype, 1070);
  EXPECT_EQ(xdata[1].resval.rint, 1);
  ref.close();

  const auto a = attributes(p.getId());
  ASSERT_EQ(a.size(), 4u);
  struct Expected {
    const wchar_t *tag, *text, *layer;
    ZcGePoint3d at;
    bool invisible;
  } expected[] = {{L"CODE", L"5", L"CODES", {101.5, 204, 0}, true},
                  {L"NUMPT", L"P12", L"NUM", {101.5, 201, 0}, false},
                  {L"Z", L"12.346", L"ALTI", {101.5, 198, 0}, false},
                  {L"OBS", L"regard", L"OBS", {101.5, 195, 0}, false}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(a[i].tag, expected[i].tag);
    EXPECT_EQ(a[i].text, expected[i].text) << i;
    EXPECT_EQ(a[i].layer, expected[i].layer) << i;
    EXPECT_EQ(a[i].position, expected[i].at) << i;
    EXPECT_DOUBLE_EQ(a[i].height, 2.0);
    EXPECT_EQ(a[i].invisible, expected[i].invisible) << i;
  }
  // The code's layers were made with its colours.
  ZcDbObjectPointer<ZcDbLayerTableRecord> alti(db_.symbolId("LAYER", "ALTI"), ZcDb::kForRead);
  ASSERT_TRUE(alti);
  EXPECT_EQ(alti->colorIndex(), 2);

  // The size factor scales the block and its texts.
  facteurTailleBlocs = 0.5;
  pointDuDessin q = pt(L"Q", 0, 0, kIndefini, 5);
  q.creer(true, nullptr);
  ZcDbObjectPointer<ZcDbBlockReference> rq(q.getId(), ZcDb::kForRead);
  EXPECT_DOUBLE_EQ(rq->scaleFactors().sx, 1.0);
  EXPECT_EQ(attributes(q.getId())[2].text, L"");  // no altitude
}

TEST_F(PointBlocks, ReadingPointsBack) {
  struct Case {
    const wchar_t *code, *altitude;
    int expectedCode;
    double expectedZ;
  } cases[] = {{L"5", L"12.346", 5, 12.346},   {L"10000", L"1", 1, 1},          {L"abc", L"1", 1, 1},
               {L"-3", L"1", 1, 1},           {L" 7 ", L" 12.5  ", 7, 12.5},   {L"7", L"12,5", 7, kIndefini},
               {L"7", L"", 7, kIndefini},     {L"7", L"1.5E3", 7, 1500},       {L"7", L"12.5 m", 7, kIndefini}};
  for (const auto& c : cases) {
    pointDuDessin p = pt(L"R1", 10, 20, 30, 5);
    p.creer(true, nullptr);
    {
      ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForRead);
      for (auto id : ref->attributeIds()) {
        ZcDbObjectPointer<ZcDbAttribute> a(id, ZcDb::kForWrite);
        if (a->tag() == L"CODE") a->setTextString(c.code);
        if (a->tag() == L"Z") a->setTextString(c.altitude);
      }
    }
    pointDuDessin back;
    ASSERT_EQ(back.updateFromDrawing(p.getId()), 1);
    EXPECT_EQ(back.getCode(), c.expectedCode) << host::toAnsi(c.code);
    EXPECT_EQ(back.getZ(), c.expectedZ) << host::toAnsi(c.altitude);
    EXPECT_STREQ(back.getNomPoint(), "R1");
    EXPECT_EQ(back.getX(), 10);
    EXPECT_EQ(back.getId(), p.getId());
  }
  // Not point blocks: a line, a block reference without a name attribute.
  ZcDbObjectId line, bare;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0));
    ms->appendZcDbEntity(line, l.get());
    ZcDbObjectId def;
    trouverOuDefinirBloc(L"biblio\\vrelblk3.dwg", &db_, def);
    auto r = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), def);
    ms->appendZcDbEntity(bare, r.get());
  }
  pointDuDessin none;
  EXPECT_EQ(none.updateFromDrawing(line), 0);
  EXPECT_EQ(none.updateFromDrawing(bare), 0);
  EXPECT_EQ(none.updateFromDrawing(ZcDbObjectId()), 0);
  EXPECT_TRUE(none.getId().isNull());
}

TEST_F(PointBlocks, UpdateDrawingMovesInPlanAndRewritesTheTexts) {
  pointDuDessin p = pt(L"M1", 50, 60, 7, 5);
  p.creer(true, L"borne");
  {
    // The block stands at some elevation of its own.
    ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForWrite);
    ref->transformBy(ZcGeMatrix3d::translation(ZcGeVector3d(0, 0, 3)));
  }
  p.setX(60);
  p.setZ(kIndefini);
  p.setCode(1);
  p.updateDrawing();
  ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForRead);
  EXPECT_EQ(ref->position(), ZcGePoint3d(60, 60, 3));
  ref.close();
  const auto a = attributes(p.getId());
  EXPECT_EQ(a[0].text, L"1");
  EXPECT_EQ(a[2].text, L"");
  EXPECT_EQ(a[3].text, L"borne");  // the observation stays
  EXPECT_DOUBLE_EQ(a[1].position.x, 61.5);

  // Without a block, the update creates one.
  pointDuDessin q = pt(L"N1", 1, 2, 3, 1);
  q.updateDrawing();
  EXPECT_TRUE(q.getId().isValid());
}

// Updating through an id that is not the point's block (a text, the block
// of another point) changes nothing there: the id is forgotten and the point
// gets a block of its own. Renumbering still finds the blocks by the names
// they show.
TEST_F(PointBlocks, UpdateDrawingChangesOnlyThePointsOwnBlock) {
  pointDuDessin autre = pt(L"AUTRE", 5, 5, 1, 5);
  autre.creer(true, nullptr);
  ZcDbObjectId texte;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(3, 4, 0), L"cote 12.5");
    ms->appendZcDbEntity(texte, t.get());
  }
  struct Cas {
    const char* why;
    ZcDbObjectId id;
  } cas[] = {{"a text", texte}, {"the block of another point", autre.getId()}};
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.why);
    pointDuDessin p = pt(L"M2", 50, 60, 7, 5);
    p.setId(c.id);
    p.updateDrawing();
    EXPECT_NE(p.getId(), c.id);
    ASSERT_TRUE(ZcDbObjectPointer<ZcDbBlockReference>(p.getId(), ZcDb::kForRead));
    EXPECT_EQ(attributes(p.getId())[1].text, L"M2");
  }
  ZcDbObjectPointer<ZcDbText> t(texte, ZcDb::kForRead);
  EXPECT_EQ(t->textString(), L"cote 12.5");
  EXPECT_EQ(t->position(), ZcGePoint3d(3, 4, 0));
  t.close();
  EXPECT_EQ(attributes(autre.getId())[1].text, L"AUTRE");
  ZcDbObjectPointer<ZcDbBlockReference> ref(autre.getId(), ZcDb::kForRead);
  EXPECT_EQ(ref->position(), ZcGePoint3d(5, 5, 0));
  ref.close();

  listePointsDuDessin table;
  table.Ajouter(pt(L"p7", 1, 1, 1, 5));
  table.Ajouter(pt(L"p8", 2, 2, 2, 5));
  table.updateDrawing();
  const ZcDbObjectId premier = table.getData(0)->getId(), second = table.getData(1)->getId();
  table.renumeroter(true);
  EXPECT_EQ(table.getData(0)->getId(), premier);
  EXPECT_EQ(table.getData(1)->getId(), second);
  EXPECT_EQ(attributes(premier)[1].text, L"1");
  EXPECT_EQ(attributes(second)[1].text, L"2");
}

TEST_F(PointBlocks, ATableGoesToTheDrawingAndComesBack) {
  projetsTopo projet;
  tablesPoints = &projet;
  listePointsDuDessin* t = projet.currTable();
  t->Ajouter(pt(L"1", 1000, 2000, 100.25, 1));
  t->Ajouter(pt(L"S1", 1010, 2000, kIndefini, 100));
  t->Ajouter(pt(L"B", 1005, 2010, -3.5, 5));
  t->updateDrawing();
  for (const auto& p : t->points()) EXPECT_TRUE(p.getId().isValid());

  // Through a DXF file, then every point block read into a table.
  const std::string path = (PointBlocks::home() / "table.dxf").string();
  ASSERT_EQ(db_.saveAs(path), Zcad::eOk);
  ZcDbDatabase again(false);
  ASSERT_EQ(again.readDwgFile(path), Zcad::eOk);
  zcdbSetCurDwg(&again);
  listePointsDuDessin lue;
  lue.updateFromDrawing();
  ASSERT_EQ(lue.nbPoint(), 3);
  for (int i = 0; i < 3; ++i) {
    const pointDuDessin& a = *t->getData(i);
    int pos;
    ASSERT_TRUE(lue.existPoint(a.getNomPointW().c_str(), pos));
    const pointDuDessin& b = *lue.getData(pos);
    EXPECT_TRUE(a == b) << a.getNomPoint();
  }
  // Each code's block came from its own library file, defined once.
  ZcDbObjectPointer<ZcDbBlockTable> blocks(again.blockTableId(), ZcDb::kForRead);
  EXPECT_TRUE(blocks->has(std::wstring(L"vrelblk1")));
  EXPECT_TRUE(blocks->has(std::wstring(L"vrelblk3")));
  tablesPoints = nullptr;
}

TEST_F(PointBlocks, RefreshKeepsThePointsNeverPlaced) {
  // Two points with blocks and one never placed: a refresh from the drawing
  // reads the two back and keeps the third.
  projetsTopo projet;
  tablesPoints = &projet;
  listePointsDuDessin* t = projet.currTable();
  t->Ajouter(pt(L"P1", 10, 20, 1, 1));
  t->Ajouter(pt(L"P2", 11, 21, 2, 1));
  t->updateDrawing();
  t->Ajouter(pt(L"P3", 12, 22, 3, 1));
  ASSERT_TRUE(t->getData(2)->getId().isNull());
  t->updateFromDrawing();
  ASSERT_EQ(t->nbPoint(), 3);
  int pos;
  ASSERT_TRUE(t->existPoint(L"P3", pos));
  EXPECT_EQ(t->getData(pos)->getX(), 12);
  EXPECT_EQ(t->getData(pos)->getZ(), 3);
  EXPECT_TRUE(t->existPoint(L"P1", pos));
  EXPECT_TRUE(t->getData(pos)->getId().isValid());
  tablesPoints = nullptr;
}

TEST_F(PointBlocks, PlacerPointReplacesThePointOfTheSameName) {
  projetsTopo projet;
  tablesPoints = &projet;
  placerPointDansTableCourante(pt(L"S1", 0, 0, 1, 100), L"premier");
  const ZcDbObjectId first = projet.currTable()->getData(0)->getId();
  placerPointDansTableCourante(pt(L"S1", 5, 5, 2, 100), L"second");
  ASSERT_EQ(projet.currTable()->nbPoint(), 1);
  EXPECT_TRUE(first.isErased());
  EXPECT_EQ(attributes(projet.currTable()->getData(0)->getId())[3].text, L"second");
  tablesPoints = nullptr;
}

TEST_F(PointBlocks, MissingLibraryFileLeavesThePointWithoutBlock) {
  codifPoint& c = codification().codeCree(77);
  c.chemin = L"biblio\\absent.dwg";
  pointDuDessin p = pt(L"X", 0, 0, 0, 77);
  const ZcDbObjectId before = p.getId();
  std::istringstream entree;
  std::ostringstream sortie;
  host::ConsoleIO io(entree, sortie);
  host::ConsoleIO* avant = host::setConsole(&io);
  p.creer(true, nullptr);
  pointDuDessin q = pt(L"Y", 1, 0, 0, 77);
  q.creer(true, nullptr);
  host::setConsole(avant);
  EXPECT_EQ(p.getId(), before);
  // Told once for the code, not once a point.
  const std::string dit = sortie.str();
  EXPECT_NE(dit.find("Bloc du code 77 introuvable ["), std::string::npos) << dit;
  EXPECT_NE(dit.find("biblio/absent.dwg] : ses points ne sont pas dessinés"), std::string::npos) << dit;
  EXPECT_EQ(dit.find("Bloc du code 77"), dit.rfind("Bloc du code 77")) << dit;
}

TEST(BlockNames, DerivedFromThePath) {
  struct Case {
    const wchar_t *path, *name;
  } cases[] = {{L"C:\\Biblio\\Arbre Fruitier.DWG", L"arbre_fruitier"},
               {L"/opt/data/biblio/vrelblk1.dwg", L"vrelblk1"},
               {L"a/b\\Regard-EU.dwg", L"regard_eu"},
               {L"sans extension", L"sans_extension"},
               {L"dossier\\.dwg", L"invalid"},
               {L"", L"invalid"},
               {L"x\\Mur<bas>.dwg", L"mur<bas>"}};  // the host refuses the name: kept as it is
  for (const auto& c : cases) EXPECT_EQ(nomBlocDuChemin(c.path), c.name) << host::toAnsi(c.path);
}

TEST(EstNombre, TheAltitudeAutomaton) {
  struct Case {
    const char* text;
    bool number;
  } cases[] = {{"12", true},     {"-3", true},       {"+4", true},    {"12.5", true},  {"1.5E3", true},
               {"  12.5  ", true}, {"1.5E-3", true}, {"-0.25", true}, {"12.", false},  {".5", false},
               {"1E3", false},   {"1.5e3", false},   {"12,5", false}, {"12.5 m", false}, {"", false},
               {"-", false},     {"1.5E", false},    {"abc", false},  {"12\t", false},  {"1 2", false}};
  for (const auto& c : cases) EXPECT_EQ(estNombre(c.text), c.number) << '"' << c.text << '"';
}

}  // namespace
