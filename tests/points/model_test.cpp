// Points, tables and the project: name keys, lookups, duplicates,
// numbering, deletion, and the stored layouts read back.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "points/project.hpp"
#include "points/serializer.hpp"

namespace {

pointDuDessin pt(const wchar_t* nom, double x, double y, double z = kIndefini, int code = 1) {
  pointDuDessin p;
  p.setParams(nom, {x, y, z}, code);
  return p;
}

// A point block of the point named `nom` (a block reference with its name
// attribute), standing for what the block writer makes.
ZcDbObjectId addPointBlock(ZcDbDatabase& db, const wchar_t* nom, const ZcGePoint3d& position = {0, 0, 0}) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  auto ref = std::make_unique<ZcDbBlockReference>(position, db.modelSpaceId());
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, ref.get());
  auto numero = std::make_unique<ZcDbAttribute>(position, nom, L"NUMPT");
  ref->appendAttribute(numero.get());
  return id;
}

// An entity of the drawing that shows no point.
ZcDbObjectId addText(ZcDbDatabase& db) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  auto text = std::make_unique<ZcDbText>(ZcGePoint3d(0, 0, 0), L"cote 12.5");
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, text.get());
  return id;
}

std::vector<std::string> names(const listePointsDuDessin& t) {
  std::vector<std::string> out;
  for (const auto& p : t.points()) out.push_back(p.getNomPoint());
  return out;
}

TEST(PointDuDessin, DefaultsAndNames) {
  pointDuDessin p;
  EXPECT_EQ(p.getX(), kIndefini);
  EXPECT_EQ(p.getY(), kIndefini);
  EXPECT_EQ(p.getZ(), kIndefini);
  EXPECT_EQ(p.getCode(), 1);
  EXPECT_STREQ(p.getNomPoint(), "");
  EXPECT_TRUE(p.getId().isNull());

  p.setNomPoint(L"ABCDEFGHIJKL");
  EXPECT_STREQ(p.getNomPoint(), "ABCDEFGHI");
  p.setNomPoint(L"Mär");  // Windows-1252 keeps the accented letter
  EXPECT_EQ(p.getNomPointW(), L"Mär");
  p.setNomPoint(static_cast<const char*>(nullptr));
  EXPECT_STREQ(p.getNomPoint(), "");

  pointXYZ r;
  r.nom = L"StationLongue";
  r.x = 1;
  r.y = 2;
  r.z = 3;
  r.code = 7;
  p = r;
  EXPECT_STREQ(p.getNomPoint(), "StationLo");
  EXPECT_EQ(p.getAs3dPnt(), ZcGePoint3d(1, 2, 3));
  EXPECT_EQ(p.getCode(), 7);
}

TEST(PointDuDessin, EqualityToleratesATenthOfAMillimetreAndIgnoresCase) {
  const pointDuDessin a = pt(L"P1", 10, 20, 30, 2);
  EXPECT_TRUE(a == pt(L"p1", 10.00009, 19.99991, 30.00009, 2));
  EXPECT_FALSE(a == pt(L"p1", 10.00011, 20, 30, 2));
  EXPECT_FALSE(a == pt(L"P1", 10, 20, 30, 3));
  EXPECT_FALSE(a == pt(L"P2", 10, 20, 30, 2));
  EXPECT_TRUE(pt(L"É1", 0, 0) == pt(L"é1", 0, 0));
}

TEST(PointXYZ, IdentifiersAreUniqueAndNeverTheUnsetValue) {
  pointXYZ a, b, c;
  EXPECT_NE(a.identifiant, b.identifiant);
  EXPECT_EQ(b.identifiant + 1, c.identifiant);
  EXPECT_NE(a.identifiant, 0xFFFFFFFFu);
  EXPECT_EQ(a.code, 1);
  EXPECT_EQ(a.etat, 0);
}

TEST(ListePoints, NameKeysIgnoreCaseAndSurroundingSpaces) {
  listePointsDuDessin t;
  t.Ajouter(pt(L"p12", 1, 1));
  t.Ajouter(pt(L"Été", 2, 2));
  struct Case {
    const wchar_t* nom;
    int pos;
  } cases[] = {{L"  P12  ", 0}, {L"p12", 0}, {L"ÉTÉ", 1}, {L"P1", -1}, {L"p12x", -1}, {L"p12\u4e2d", -1}, {L"", -1}};
  for (const auto& c : cases) {
    int pos = 99;
    EXPECT_EQ(t.existPoint(c.nom, pos), c.pos >= 0 ? 1 : 0) << testing::PrintToString(std::wstring(c.nom));
    EXPECT_EQ(pos, c.pos);
  }
  // With duplicate names the last one added is found.
  t.Ajouter(pt(L"P12", 3, 3));
  int pos;
  ASSERT_TRUE(t.existPoint(L"p12", pos));
  EXPECT_EQ(pos, 2);
}

TEST(ListePoints, OutOfRangeAccessThrows) {
  listePointsDuDessin t;
  t.Ajouter(pt(L"A", 0, 0));
  EXPECT_NO_THROW(t.getData(0));
  EXPECT_THROW(t.getData(1), std::invalid_argument);
  EXPECT_THROW(t.getData(-1), std::invalid_argument);
  projetsTopo projet;
  EXPECT_THROW(projet.getTable(1), std::invalid_argument);
}

TEST(ListePoints, CreerPointSkipsAnExactZeroAltitudeAndNamesTheUnnamed) {
  listePointsDuDessin t;
  t.CreerPoint({1, 2, 0.0}, 5, L"A");
  EXPECT_EQ(t.nbPoint(), 0);
  t.CreerPoint({1, 2, 1e-12}, 5, nullptr);
  ASSERT_EQ(t.nbPoint(), 1);
  EXPECT_STREQ(t.getData(0)->getNomPoint(), "*");
  EXPECT_EQ(t.getData(0)->getCode(), 5);
}

TEST(ListePoints, NearestAndAtAPosition) {
  listePointsDuDessin t;
  pointDuDessin out;
  EXPECT_EQ(t.findNearestTo(0, 0, out), 0);
  t.Ajouter(pt(L"A", 1, 0));
  t.Ajouter(pt(L"B", -1, 0));
  t.Ajouter(pt(L"C", 5, 5));
  ASSERT_EQ(t.findNearestTo(0, 0, out), 1);
  EXPECT_STREQ(out.getNomPoint(), "A");  // equally near: the first added
  ASSERT_EQ(t.findNearestTo(4, 4, out), 1);
  EXPECT_STREQ(out.getNomPoint(), "C");
  // Farther than 1e18: nothing is "nearer" than the start, the first wins.
  ASSERT_EQ(t.findNearestTo(1e19, 0, out), 1);
  EXPECT_STREQ(out.getNomPoint(), "A");

  ASSERT_EQ(t.getAt(-1 + 5e-7, 5e-7, out), 1);
  EXPECT_STREQ(out.getNomPoint(), "B");
  EXPECT_EQ(t.getAt(-1 + 2e-6, 0, out), 0);
}

TEST(ListePoints, CountsNumbersAndAltitudeShift) {
  listePointsDuDessin t;
  for (auto p : {pt(L"12", 0, 0, 10, 3), pt(L"7b", 1, 0, kIndefini, 3), pt(L"abc", 2, 0, 1, 4), pt(L"-4", 3, 0, 2, 3)})
    t.Ajouter(p);
  EXPECT_EQ(t.getMaxNum(), 12);
  EXPECT_EQ(t.nombreAyantCode(3), 3);
  EXPECT_EQ(t.nombreAyantCode(9), 0);
  t.decalZ(1.5);
  EXPECT_EQ(t.getData(0)->getZ(), 11.5);
  EXPECT_EQ(t.getData(1)->getZ(), kIndefini);
  listePointsDuDessin vide;
  EXPECT_EQ(vide.getMaxNum(), 0);
}

TEST(ListePoints, DelDupsKeepsTheSmallestCodeOfEachPosition) {
  listePointsDuDessin t;
  t.Ajouter(pt(L"A", 0, 0, 1, 3));
  t.Ajouter(pt(L"Far", 5, 0, 1, 1));
  t.Ajouter(pt(L"B", 0, 5e-9, 2, 1));  // within 1e-8 of A
  t.Ajouter(pt(L"C", -1, 0, 1, 2));
  t.delDups();
  EXPECT_EQ(names(t), (std::vector<std::string>{"C", "B", "Far"}));
  int pos;
  EXPECT_FALSE(t.existPoint(L"A", pos));
  ASSERT_TRUE(t.existPoint(L"far", pos));
  EXPECT_EQ(pos, 2);

  // Nothing to remove: order and index untouched.
  listePointsDuDessin u;
  u.Ajouter(pt(L"Z", 9, 9));
  u.Ajouter(pt(L"Y", 1, 1));
  u.delDups();
  EXPECT_EQ(names(u), (std::vector<std::string>{"Z", "Y"}));
  ASSERT_TRUE(u.existPoint(L"y", pos));
  EXPECT_EQ(pos, 1);
}

TEST(ListePoints, Renumbering) {
  listePointsDuDessin t;
  for (const wchar_t* n : {L"7", L"", L"abc", L" *. "}) t.Ajouter(pt(n, 0, 0));
  t.renumeroter(false);
  EXPECT_EQ(names(t), (std::vector<std::string>{"7", "8", "abc", "9"}));
  int pos;
  ASSERT_TRUE(t.existPoint(L"9", pos));  // found at once
  EXPECT_EQ(pos, 3);

  t.renumeroter(true);
  EXPECT_EQ(names(t), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_FALSE(t.existPoint(L"abc", pos));
  ASSERT_TRUE(t.existPoint(L"3", pos));
  EXPECT_EQ(pos, 2);
}

TEST(ListePoints, SupprimerPointMovesTheLastIntoThePlaceAndErasesTheBlock) {
  ZcDbDatabase db;
  const ZcDbObjectId bloc = addPointBlock(db, L"1");
  listePointsDuDessin t;
  pointDuDessin premier = pt(L"1", 0, 0);
  premier.setId(bloc);
  t.Ajouter(premier);
  t.Ajouter(pt(L"2", 1, 0));
  t.Ajouter(pt(L"3", 2, 0));
  t.supprimerPoint(L"absent");
  EXPECT_EQ(t.nbPoint(), 3);
  t.supprimerPoint(L" 1");
  EXPECT_EQ(names(t), (std::vector<std::string>{"3", "2"}));
  int pos;
  EXPECT_FALSE(t.existPoint(L"1", pos));
  ASSERT_TRUE(t.existPoint(L"3", pos));
  EXPECT_EQ(pos, 0);
  EXPECT_TRUE(bloc.isErased());
  t.supprimerPoint(L"2");  // the last one
  EXPECT_EQ(names(t), std::vector<std::string>{"3"});
}

TEST(ListePoints, BlockLinks) {
  ZcDbDatabase db;
  const ZcDbObjectId bloc = addPointBlock(db, L"A", {7, 8, 9});
  listePointsDuDessin t;
  pointDuDessin a = pt(L"A", 1, 2, 3, 4);
  a.setId(bloc);
  t.Ajouter(a);
  t.Ajouter(pt(L"B", 5, 6, 7, 8));

  ZcDbObjectId id;
  ASSERT_EQ(t.getObjId(L"a", id), 1);
  EXPECT_EQ(id, bloc);
  EXPECT_EQ(t.getObjId(L"C", id), 0);

  ZcGePoint3d pos;
  int code = 0;
  ASSERT_EQ(t.getBlockPosition(L"A", pos, code), 1);
  EXPECT_EQ(pos, ZcGePoint3d(7, 8, 9));  // the block's insertion point
  EXPECT_EQ(code, 4);
  ASSERT_EQ(t.getBlockPosition(L"B", pos, code), 1);
  EXPECT_EQ(pos, ZcGePoint3d(5, 6, 7));  // no block: the stored coordinates
  EXPECT_EQ(t.getBlockPosition(L"Z", pos, code), 0);

  t.notifyPositionPoint(bloc, {10, 20, 30}, 1 | 4);
  EXPECT_EQ(t.getData(0)->getAs3dPnt(), ZcGePoint3d(10, 2, 30));
}

// A stored id may name any entity once the drawing was edited elsewhere (a
// project kept from another drawing, an entity replaced): deleting the
// point erases nothing but its own block, and its position is its own.
TEST(ListePoints, AnIdThatIsNotThePointsBlockIsLeftAlone) {
  ZcDbDatabase db;
  ZcDbObjectId plain;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
    auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(4, 5, 6), db.modelSpaceId());
    ms->appendZcDbEntity(plain, ref.get());
  }
  struct Cas {
    const char* why;
    ZcDbObjectId id;
  } cas[] = {
      {"a text", addText(db)},
      {"the block of another point", addPointBlock(db, L"B", {7, 8, 9})},
      {"a block reference without attributes", plain},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.why);
    listePointsDuDessin t;
    pointDuDessin a = pt(L"A", 1, 2, 3);
    a.setId(c.id);
    t.Ajouter(a);
    ZcGePoint3d pos;
    int code = 0;
    ASSERT_EQ(t.getBlockPosition(L"A", pos, code), 1);
    EXPECT_EQ(pos, ZcGePoint3d(1, 2, 3));
    t.supprimerPoint(L"A");
    EXPECT_EQ(t.nbPoint(), 0);
    EXPECT_FALSE(c.id.isErased());
  }
  // The point's own block, its name written in another case and with
  // blanks, goes with it.
  listePointsDuDessin t;
  pointDuDessin a = pt(L"A1", 1, 2, 3);
  a.setId(addPointBlock(db, L" a1 "));
  t.Ajouter(a);
  t.supprimerPoint(L"A1");
  EXPECT_TRUE(a.getId().isErased());
}

TEST(ListePoints, FusionnerAvecAppendsInOrder) {
  listePointsDuDessin a, b;
  a.Ajouter(pt(L"1", 0, 0));
  b.Ajouter(pt(L"2", 1, 0));
  b.Ajouter(pt(L"1", 2, 0));
  a.fusionnerAvec(b);
  EXPECT_EQ(names(a), (std::vector<std::string>{"1", "2", "1"}));
  int pos;
  ASSERT_TRUE(a.existPoint(L"1", pos));
  EXPECT_EQ(pos, 2);
  a.fusionnerAvec(a);
  EXPECT_EQ(a.nbPoint(), 6);
}

TEST(ProjetsTopo, TablesAndTheCurrentOne) {
  projetsTopo p;
  ASSERT_EQ(p.nbTables(), 1);
  EXPECT_EQ(p.currTable()->getNomTable(), L"LEVE");
  p.removeTablePoints(0);  // the only table stays
  EXPECT_EQ(p.nbTables(), 1);

  p.creerTablePoints(L"B");
  p.creerTablePoints(L"C");
  EXPECT_EQ(p.courant, 0);
  p.courant = 2;
  p.removeTablePoints(1);
  EXPECT_EQ(p.courant, 1);
  EXPECT_EQ(p.currTable()->getNomTable(), L"C");
  p.removeTablePoints(5);
  EXPECT_EQ(p.nbTables(), 2);
  p.courant = 0;
  p.removeTablePoints(0);  // courant 0 >= 0: -1, then back to 0
  EXPECT_EQ(p.courant, 0);
  EXPECT_EQ(p.currTable()->getNomTable(), L"C");

  p.courant = 7;
  EXPECT_EQ(p.currTable()->getNomTable(), L"C");
  EXPECT_EQ(p.courant, 0);

  p.removeAll();
  EXPECT_EQ(p.courant, -1);
  EXPECT_EQ(p.nbTables(), 0);
  EXPECT_EQ(p.currTable()->getNomTable(), L"");
  EXPECT_EQ(p.nbTables(), 1);
}

TEST(ProjetsTopo, CurrentTableHelpers) {
  projetsTopo p;
  p.currTable()->Ajouter(pt(L"S1", 10, 10, 5));
  p.currTable()->Ajouter(pt(L"S2", 20, 10, 6));
  tablesPoints = &p;
  double x = 19, y = 11;
  std::wstring nom = L"inchangé";
  ZcGePoint3d pos;
  ASSERT_EQ(pointLePlusProche(x, y, nom, pos), 1);
  EXPECT_EQ(nom, L"S2");
  EXPECT_EQ(pos, ZcGePoint3d(20, 10, 6));
  ZcDbObjectId id;
  EXPECT_EQ(idPointCourant(L"s1", id), 1);
  EXPECT_EQ(idPointCourant(L"s3", id), 0);
  p.currTable()->vider();
  nom = L"inchangé";
  EXPECT_EQ(pointLePlusProche(x, y, nom, pos), 0);
  EXPECT_EQ(nom, L"inchangé");
  tablesPoints = nullptr;
  EXPECT_EQ(pointLePlusProche(x, y, nom, pos), 0);
}

// ------------------------------------------------------------ stored layouts

std::string describe(const ResbufChain& chain) {
  std::string out;
  for (const auto& rb : chain) {
    out += "(" + std::to_string(rb.restype) + " ";
    switch (rb.restype) {
      case 90: case 92: out += std::to_string(rb.resval.rlong); break;
      case 40: out += testing::PrintToString(rb.resval.rreal); break;
      case 300: out += host::toAnsi(rb.resval.rstring); break;
      case 310: out += std::to_string(rb.resval.rbinary.size()) + "b"; break;
      default: out += "?";
    }
    out += ")";
  }
  return out;
}

TEST(StoredLayout, AFreshProjectAndAPoint) {
  projetsTopo p;
  chaineResbuf chain;
  ResbufSerializer s(&chain);
  ASSERT_EQ(p.SaveToXRecord(&s), 1);
  EXPECT_EQ(describe(chain.chain()), "(90 0)(90 1)(300 LEVE)(90 0)");

  chaineResbuf one;
  ResbufSerializer s1(&one);
  ASSERT_EQ(pt(L"P1", 1.5, 2.5, kIndefini, 3).saveToXRecord(&s1), 1);
  EXPECT_EQ(describe(one.chain()), "(92 10)(310 10b)(90 3)(40 1.5)(40 2.5)(40 1e+38)(90 -9999999)");
  const auto& bytes = one.chain()[1].resval.rbinary;
  EXPECT_EQ(bytes, (std::vector<unsigned char>{'P', '1', 0, 0, 0, 0, 0, 0, 0, 0}));
}

// A project of named tables, written and read back whole.
TEST(StoredLayout, ProjectRoundTrip) {
  ZcDbDatabase db;
  const ZcDbObjectId bloc = addPointBlock(db, L"S1");
  projetsTopo p;
  p.currTable()->Ajouter(pt(L"A1", 1, 2, 3, 10));
  p.creerTablePoints(L"Polygonale");
  pointDuDessin s = pt(L"S\u00e91", 100.25, 200.5, kIndefini, 100);
  s.setId(bloc);
  p.getTable(1)->Ajouter(s);
  p.courant = 1;

  chaineResbuf chain;
  ResbufSerializer w(&chain);
  ASSERT_EQ(p.SaveToXRecord(&w), 1);

  projetsTopo q;
  ResbufSerializer r(&chain);
  ASSERT_EQ(q.GetFromXRecord(&r), 1);
  ASSERT_EQ(q.nbTables(), 2);
  EXPECT_EQ(q.courant, 1);
  EXPECT_EQ(q.getTable(1)->getNomTable(), L"Polygonale");
  ASSERT_EQ(q.getTable(1)->nbPoint(), 1);
  const pointDuDessin& back = *q.getTable(1)->getData(0);
  EXPECT_TRUE(back == s);
  EXPECT_EQ(back.getId(), bloc);
  int pos;
  EXPECT_TRUE(q.getTable(1)->existPoint(L"s\u00c91", pos));  // index rebuilt
  EXPECT_TRUE(q.getTable(0)->getData(0)->getId().isNull());
}

// A stored table appended to a chain: its name, its count and `points`
// points "N" of code 1 at (0, 1, 2) with no block (7 values each).
namespace {
void ajouterTableStockee(ResbufChain& c, const wchar_t* name, int points) {
  c.push_back(resbuf::string(300, name));
  c.push_back(resbuf::longInt(90, points));
  for (int i = 0; i < points; ++i) {
    c.push_back(resbuf::longInt(92, 10));
    c.push_back(resbuf::binary(310, {'N', 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    c.push_back(resbuf::longInt(90, 1));
    for (int k = 0; k < 3; ++k) c.push_back(resbuf::real(40, k));
    c.push_back(resbuf::longInt(90, -9999999));
  }
}
}  // namespace

// What reading keeps of a stored project: the rules for empty "LEVE" tables,
// the current index, and the reset on any chain that cannot be read.
TEST(StoredLayout, ReadingRules) {
  auto project = [&](int current, std::vector<std::pair<const wchar_t*, int>> tables) {
    ResbufChain c{resbuf::longInt(90, current), resbuf::longInt(90, int(tables.size()))};
    for (auto [n, k] : tables) ajouterTableStockee(c, n, k);
    return c;
  };
  auto cut = [](ResbufChain c, std::size_t keep) {
    c.resize(keep);
    return c;
  };
  struct Case {
    const char* what;
    ResbufChain chain;
    int result;
    std::vector<std::wstring> tables;
    int current;
  } cases[] = {
      {"two empty LEVE and Table 2", project(2, {{L"LEVE", 0}, {L"LEVE", 0}, {L"Table 2", 0}}), 1, {L"Table 2"}, 0},
      {"two empty LEVE only", project(1, {{L"LEVE", 0}, {L"LEVE", 0}}), 1, {L"LEVE"}, 0},
      {"one empty LEVE keeps its place", project(1, {{L"A", 1}, {L"LEVE", 0}}), 1, {L"A", L"LEVE"}, 1},
      {"a LEVE with points is kept", project(0, {{L"LEVE", 1}, {L"LEVE", 0}}), 1, {L"LEVE", L"LEVE"}, 0},
      {"lower-case leve is not the default", project(0, {{L"leve", 0}, {L"leve", 0}}), 1, {L"leve", L"leve"}, 0},
      {"current out of range", project(5, {{L"A", 0}, {L"B", 0}}), 1, {L"A", L"B"}, 0},
      {"negative current", project(-3, {{L"A", 0}}), 1, {L"A"}, 0},
      {"no table", project(0, {}), 1, {L"LEVE"}, 0},
      {"empty chain", {}, 0, {L"LEVE"}, 0},
      {"too many tables", {resbuf::longInt(90, 0), resbuf::longInt(90, 1000000001)}, 0, {L"LEVE"}, 0},
      {"chain cut inside a point", cut(project(0, {{L"A", 2}}), 9), 0, {L"LEVE"}, 0},
      {"more points claimed than stored", [&] {
         ResbufChain c = project(0, {{L"A", 1}});
         c[3] = resbuf::longInt(90, 2000000000);
         return c;
       }(), 0, {L"LEVE"}, 0},
      {"wrong type where the count is", [&] {
         ResbufChain c = project(0, {{L"A", 0}});
         c[1] = resbuf::real(40, 1);
         return c;
       }(), 0, {L"LEVE"}, 0},
  };
  for (auto& c : cases) {
    gTropDeTablesTopo = false;
    projetsTopo p;
    p.creerTablePoints(L"old");
    chaineResbuf holder(c.chain);
    ResbufSerializer s(&holder);
    int32_t skipped;
    s.readInt(skipped);  // moves the cursor: reading starts over anyway
    EXPECT_EQ(p.GetFromXRecord(&s), c.result) << c.what;
    std::vector<std::wstring> names;
    for (int i = 0; i < p.nbTables(); ++i) names.push_back(p.getTable(i)->getNomTable());
    EXPECT_EQ(names, c.tables) << c.what;
    EXPECT_EQ(p.courant, c.current) << c.what;
    EXPECT_EQ(gTropDeTablesTopo, std::string(c.what) == "too many tables") << c.what;
  }
}

// A stored project with damaged tables: the tables that read are kept,
// each table left out is named (by its rank when even its name is
// unreadable), and so are the tables the reader could not reach. The
// project then says its reading was incomplete.
TEST(StoredLayout, ReadingKeepsTheTablesThatRead) {
  // T1 (1 point), T2 (2 points), T3 (1 point), current `current`; `damage`
  // changes the chain (indexes: T2 starts at 11, its points at 13 and 20).
  auto project = [&](int current, int tables, const std::function<void(ResbufChain&)>& damage) {
    ResbufChain c{resbuf::longInt(90, current), resbuf::longInt(90, tables)};
    ajouterTableStockee(c, L"T1", 1);
    ajouterTableStockee(c, L"T2", 2);
    ajouterTableStockee(c, L"T3", 1);
    damage(c);
    return c;
  };
  struct Case {
    const char* why;
    ResbufChain chain;
    std::vector<std::wstring> tables;
    int current;
    std::string said;
  } cases[] = {
      {"nothing damaged", project(2, 3, [](ResbufChain&) {}), {L"T1", L"T2", L"T3"}, 2, ""},
      {"a point of T2 with a text for its code",
       project(2, 3, [](ResbufChain& c) { c[22] = resbuf::string(1, L"x"); }), {L"T1", L"T3"}, 1,
       "\nTable T2 illisible : ignorée"},
      {"T2 claims more points than it holds", project(0, 3, [](ResbufChain& c) { c[12] = resbuf::longInt(90, 5); }),
       {L"T1", L"T3"}, 0, "\nTable T2 illisible : ignorée"},
      {"the name of T2 unreadable", project(1, 3, [](ResbufChain& c) { c[11] = resbuf::real(40, 2); }),
       {L"T1", L"T3"}, 0, "\nTable n° 2 illisible : ignorée"},
      {"the chain cut inside T2", project(0, 3, [](ResbufChain& c) { c.resize(16); }), {L"T1"}, 0,
       "\nTable T2 illisible : ignorée\n1 table suivante inaccessible : ignorée"},
      {"two tables more claimed than stored", project(0, 5, [](ResbufChain&) {}), {L"T1", L"T2", L"T3"}, 0,
       "\nTable n° 4 illisible : ignorée\n1 table suivante inaccessible : ignorée"},
      {"three tables more claimed than stored", project(0, 6, [](ResbufChain&) {}), {L"T1", L"T2", L"T3"}, 0,
       "\nTable n° 4 illisible : ignorée\n2 tables suivantes inaccessibles : ignorées"},
      {"no table readable", project(0, 1, [](ResbufChain& c) { c[2] = resbuf::real(40, 2); }), {L"LEVE"}, 0,
       "\nTable n° 1 illisible : ignorée"},
      {"a head that is not two ints", {resbuf::string(300, L"T1"), resbuf::longInt(90, 0)}, {L"LEVE"}, 0,
       "\nDonnées Topo illisibles : ignorées"},
      {"an empty record holds no project", {}, {L"LEVE"}, 0, ""},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.why);
    projetsTopo p;
    chaineResbuf holder(c.chain);
    ResbufSerializer s(&holder);
    testing::internal::CaptureStdout();
    const int result = p.GetFromXRecord(&s);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.said);
    // Complete only when nothing was said (an empty record is no project:
    // nothing read, nothing left out).
    EXPECT_EQ(result, c.said.empty() && !c.chain.empty() ? 1 : 0);
    EXPECT_EQ(p.lectureIncomplete(), !c.said.empty());
    std::vector<std::wstring> names;
    for (int i = 0; i < p.nbTables(); ++i) names.push_back(p.getTable(i)->getNomTable());
    EXPECT_EQ(names, c.tables);
    EXPECT_EQ(p.courant, c.current);
  }
}

TEST(StoredLayout, AFailedWriteIsReportedAndStops) {
  // A table name the file medium refuses (longer than it may write).
  projetsTopo p;
  p.currTable()->setNomTable(std::wstring(2000, L'x').c_str());
  const std::string path = testing::TempDir() + "/geltaro-failed-write.bin";
  FileSerializer f(path, true);
  ASSERT_TRUE(f.isOpen());
  testing::internal::CaptureStdout();
  EXPECT_EQ(p.SaveToXRecord(&f), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("\t*** ERREUR ***"), std::string::npos);
}

}  // namespace
