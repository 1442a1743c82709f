// The choice of a code or of a point number (typed or picked), and the LISP
// functions built on them: selectionnerCode, c:TopJndre, C:ZoomLeve and
// choixpoint. Each test runs in a LISP session bound to the module's entry
// point, on a drawing and a project of its own, with both questions back in
// typed mode.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "module/entry.hpp"
#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/lisp_choix.hpp"
#include "support/lisp_session.hpp"

namespace fs = std::filesystem;
using host::lisp::LineResult;

namespace {


bool contient(const std::string& texte, const std::string& morceau) { return texte.find(morceau) != std::string::npos; }

std::size_t occurrences(const std::string& texte, const std::string& morceau) {
  std::size_t n = 0;
  for (std::size_t i = texte.find(morceau); i != std::string::npos; i = texte.find(morceau, i + 1)) ++n;
  return n;
}

class LispChoix : public geltaro::testing::SessionLispModule {
 protected:
  // Both questions start back in typed mode.
  void SetUp() override {
    SessionLispModule::SetUp();
    reinitialiserSaisiesPoints();
  }
  void TearDown() override {
    reinitialiserSaisiesPoints();
    SessionLispModule::TearDown();
  }

  ZcDbObjectId ajouterPoint(const wchar_t* nom, int code, double x = 0, double y = 0) {
    pointDuDessin p;
    p.setParams(nom, {x, y, 1.0}, code);
    p.creer(true, nullptr);
    table().Ajouter(p);
    return p.getId();
  }
  ZcDbObjectId ajouterLigne() {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForWrite);
    auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(500, 500, 0), ZcGePoint3d(600, 500, 0));
    ZcDbObjectId id;
    espace->appendZcDbEntity(id, ligne.get());
    return id;
  }
  static std::string pick(ZcDbObjectId id) { return "#" + id.handle().toString() + "\n"; }
  static void changerAttribut(ZcDbObjectId bloc, const wchar_t* tag, const wchar_t* texte) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    for (ZcDbObjectId a : ref->attributeIds()) {
      ZcDbObjectPointer<ZcDbAttribute> attribut(a, ZcDb::kForWrite);
      if (attribut->tag() == tag) attribut->setTextString(texte);
    }
  }

  // The polylines of model space, as their vertices.
  std::vector<std::vector<ZcGePoint2d>> polylignes() {
    std::vector<std::vector<ZcGePoint2d>> resultat;
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForRead);
    for (ZcDbObjectId id : espace->entityIds()) {
      ZcDbObjectPointer<ZcDbPolyline> pl(id, ZcDb::kForRead);
      if (pl.openStatus() != Zcad::eOk) continue;
      std::vector<ZcGePoint2d> sommets;
      for (const ZcDbPolyline::Vertex& v : pl->vertices()) {
        EXPECT_EQ(v.bulge, 0.0);
        EXPECT_FALSE(v.hasWidths);
        sommets.push_back(v.point);
      }
      EXPECT_FALSE(pl->isClosed());
      resultat.push_back(sommets);
    }
    return resultat;
  }
  void effacerPolylignes() {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForRead);
    for (ZcDbObjectId id : espace->entityIds()) {
      ZcDbObjectPointer<ZcDbPolyline> pl(id, ZcDb::kForWrite);
      if (pl.openStatus() == Zcad::eOk) pl->erase();
    }
  }
};

// ------------------------------------------------------------ demanderCode

TEST_F(LispChoix, SelectionnerCodeTyped) {
  // In order: the last code carries over from one call to the next.
  struct Cas {
    const char* reponses;
    const char* resultat;
    const char* invite;  // the prompt of the first question
  } cas[] = {
      {"\n", "1", "\nCode à utiliser / Tous / Sel [1]"},  // the module starts with code 1
      {"12\n", "12", "[1]"},
      {"\n", "12", "\nCode à utiliser / Tous / Sel [12]"},
      {"T\n", "-9999", "[12]"},
      {"t\n", "-9999", "[12]"},  // all codes leave the last code alone
      {"0\n-3\nabc\n7\n", "7", "[12]"},
      {"^C\n", "nil", "[7]"},
      {"", "nil", "[7]"},
      {"\n", "7", "[7]"},
  };
  for (const auto& c : cas) {
    repondre(c.reponses);
    const LineResult r = lisp("(selectionnerCode)");
    EXPECT_EQ(r.printed, c.resultat) << c.reponses;
    EXPECT_EQ(r.error, "") << c.reponses;
    const std::string s = sortie();
    EXPECT_TRUE(contient(s, c.invite)) << s;
    EXPECT_EQ(resteDesReponses(), "") << c.reponses;
  }
  // Zero, a negative number and a wrong answer were each asked again.
  repondre("0\n-3\nabc\n4\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "4");
  EXPECT_EQ(occurrences(sortie(), "Code à utiliser / Tous / Sel [7]"), 4u);
}

TEST_F(LispChoix, SelectionnerCodeByPickingAPointBlock) {
  const ZcDbObjectId b12 = ajouterPoint(L"1", 12, 10, 10);
  const ZcDbObjectId zero = ajouterPoint(L"2", 5, 20, 20);
  changerAttribut(zero, L"CODE", L"0");
  const ZcDbObjectId texte = ajouterPoint(L"3", 5, 30, 30);
  changerAttribut(texte, L"CODE", L"abc");
  const ZcDbObjectId ligne = ajouterLigne();

  // S switches to picking; a line is no point block, a code below 1 or not
  // a number, Enter and a pick of nothing ask again.
  repondre("S\n" + pick(ligne) + pick(zero) + pick(texte) + "\n1000,1000\n" + pick(b12));
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "12");
  std::string s = sortie();
  EXPECT_EQ(occurrences(s, "\nCe n'est pas un block Geltaro"), 1u);
  EXPECT_EQ(occurrences(s, "\nCode a utiliser / Tous / Code :"), 6u);
  EXPECT_EQ(resteDesReponses(), "");

  // The mode stays; T is all codes there too; Escape cancels.
  repondre("T\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "-9999");
  EXPECT_TRUE(contient(sortie(), "\nCode a utiliser / Tous / Code :"));
  repondre("^C\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "nil");

  // C goes back to typing, where the picked code is the last code.
  repondre("C\n\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "12");
  EXPECT_TRUE(contient(sortie(), "\nCode à utiliser / Tous / Sel [12]"));
  repondre("\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "12");
  EXPECT_FALSE(contient(sortie(), "Code :"));
}

// ------------------------------------------------------------ demanderNumeroPoint

TEST_F(LispChoix, DemanderNumeroPointTypedAndPicked) {
  const ZcDbObjectId p40000 = ajouterPoint(L"40000", 1);
  const ZcDbObjectId b4 = ajouterPoint(L"B4", 1);
  const ZcDbObjectId zero = ajouterPoint(L"0", 1);
  const ZcDbObjectId ligne = ajouterLigne();
  int numero = -1;

  // Typed: only a number above 0; Enter is no number either.
  repondre("0\n-2\n\n5\n");
  ASSERT_EQ(demanderNumeroPoint(L"Numero de départ", numero), RTNORM);
  EXPECT_EQ(numero, 5);
  std::string s = sortie();
  EXPECT_EQ(occurrences(s, "\nNumero de départ / Sel :"), 4u);
  EXPECT_EQ(occurrences(s, "\nNumero invalide"), 3u);

  // Picked: the number of the block's name, which may be beyond what can
  // be typed. A name that is no number above 0 is refused.
  repondre("S\n" + pick(ligne) + pick(b4) + pick(zero) + "\n" + pick(p40000));
  ASSERT_EQ(demanderNumeroPoint(L"Numero", numero), RTNORM);
  EXPECT_EQ(numero, 40000);
  s = sortie();
  EXPECT_EQ(occurrences(s, "\nNumero / Numero :"), 5u);
  EXPECT_EQ(occurrences(s, "\nCe n'est pas un block Geltaro"), 1u);
  EXPECT_EQ(occurrences(s, "\nNumero invalide"), 2u);
  EXPECT_EQ(resteDesReponses(), "");

  // The mode stays for the next question; N goes back to typing.
  repondre("N\n8\n");
  ASSERT_EQ(demanderNumeroPoint(L"Numero", numero), RTNORM);
  EXPECT_EQ(numero, 8);
  s = sortie();
  EXPECT_TRUE(contient(s, "\nNumero / Numero :"));
  EXPECT_TRUE(contient(s, "\nNumero / Sel :"));

  // Escape, or the end of the answers, in either mode.
  numero = -1;
  for (const char* reponses : {"^C\n", "", "S\n^C\n"}) {
    repondre(reponses);
    EXPECT_EQ(demanderNumeroPoint(L"Numero", numero), RTCAN) << reponses;
    EXPECT_EQ(numero, -1);
  }
  // The code's mode is its own.
  repondre("\n");
  EXPECT_EQ(lisp("(selectionnerCode)").printed, "1");
}

// ------------------------------------------------------------ c:TopJndre

// Points 1 to 6 (no 4) of codes 7 and 8, with blocks at (10n, n); P2 and
// 02 are not numbers.
class TopJndre : public LispChoix {
 protected:
  void SetUp() override {
    LispChoix::SetUp();
    for (int n : {1, 2, 3, 5, 6}) ajouterPoint(std::to_wstring(n).c_str(), n == 3 || n == 6 ? 8 : 7, 10.0 * n, n);
    ajouterPoint(L"P2", 7, -1, -1);
    ajouterPoint(L"02", 7, -2, -2);
  }
  std::vector<std::vector<ZcGePoint2d>> joindre(const std::string& reponses) {
    effacerPolylignes();
    repondre(reponses);
    const LineResult r = lisp("(c:TopJndre)");
    EXPECT_EQ(r.printed, "") << reponses;
    EXPECT_EQ(r.error, "") << reponses;
    EXPECT_EQ(resteDesReponses(), "") << reponses;
    return polylignes();
  }
  static std::vector<ZcGePoint2d> sommets(std::vector<int> numeros) {
    std::vector<ZcGePoint2d> v;
    for (int n : numeros) v.emplace_back(10.0 * n, n);
    return v;
  }
};

TEST_F(TopJndre, JoinsTheNumberedPointsInOrder) {
  struct Cas {
    const char* reponses;  // first, last, code, step
    std::vector<int> numeros;
  } cas[] = {
      {"1\n6\nT\n\n", {1, 2, 3, 5, 6}},  // Enter: step 1; 4 is missing
      {"6\n1\nT\n1\n", {6, 5, 3, 2, 1}},  // the step runs towards the last
      {"1\n6\nT\n-1\n", {1, 2, 3, 5, 6}},
      {"1\n6\nT\n2\n", {1, 3, 5}},
      {"6\n1\nT\n2\n", {6, 2}},  // 6, 4, 2
      {"1\n6\n7\n\n", {1, 2, 5}},  // code 7 only
      {"1\n6\n8\n\n", {3, 6}},
      {"2\n3\nT\n\n", {2, 3}},
      {"3\n5\nT\n2\n", {3, 5}},  // a step landing on the last number includes it
  };
  for (const auto& c : cas) {
    const auto p = joindre(c.reponses);
    ASSERT_EQ(p.size(), 1u) << c.reponses;
    EXPECT_EQ(p[0], sommets(c.numeros)) << c.reponses;
  }
  const std::string s = sortie();
  EXPECT_TRUE(contient(s, "\nNumero de départ / Sel :"));
  EXPECT_TRUE(contient(s, "\nNumero de fin / Sel :"));
  EXPECT_TRUE(contient(s, "\nCode à utiliser / Tous / Sel [8]"));
  EXPECT_TRUE(contient(s, "\nIncrement [1] :"));
}

TEST_F(TopJndre, DrawsNothingForFewerThanTwoVerticesOrAnAbandon) {
  for (const char* reponses : {
           "1\n6\n9\n\n",  // no point of code 9
           "3\n4\nT\n\n",  // 4 is missing: one vertex
           "1\n6\nT\n3\n",  // 1 and 4: one vertex
           "1\n6\nT\n0\n",  // step 0
           "^C\n", "1\n^C\n", "1\n6\n^C\n", "1\n6\nT\n^C\n",
       }) {
    EXPECT_TRUE(joindre(reponses).empty()) << reponses;
  }
  // First equal to last: over before the code is asked.
  sortie();
  EXPECT_TRUE(joindre("5\n5\n").empty());
  EXPECT_FALSE(contient(sortie(), "Code"));
}

TEST_F(TopJndre, TakesTheBlockPositionAndTheNameLookUp) {
  // A moved block gives its position; a point added again under a name is
  // the one the look-up finds; a name with blanks around it is that name.
  {
    ZcDbObjectId id;
    table().getObjId(L"2", id);
    ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForWrite);
    ref->setPosition(ZcGePoint3d(-50, 70, 3));
  }
  ajouterPoint(L"3", 7, 300, 300);
  ajouterPoint(L" 4 ", 7, 400, 400);
  const auto p = joindre("1\n4\nT\n\n");
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0], (std::vector<ZcGePoint2d>{{10, 1}, {-50, 70}, {300, 300}, {400, 400}}));
}

TEST_F(TopJndre, AWideRangeOfPickedNumbersEndsAtOnce) {
  // A picked number can be as large as a name: the range is not walked
  // number by number.
  const ZcDbObjectId grand = ajouterPoint(L"1000000000", 7, 5, 5);
  const auto debut = std::chrono::steady_clock::now();
  const auto p = joindre("1\nS\n" + pick(grand) + "T\n\n");
  EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(5));
  ASSERT_EQ(p.size(), 1u);
  std::vector<ZcGePoint2d> attendu = sommets({1, 2, 3, 5, 6});
  attendu.emplace_back(5, 5);
  EXPECT_EQ(p[0], attendu);
}

// ------------------------------------------------------------ C:ZoomLeve

TEST_F(LispChoix, ZoomLeveFramesThePointsWithTheirMargins) {
  // The host fits the window to the screen's shape (1280 × 800): the view
  // height is the larger of the window's height and 0.625 × its width.
  struct Cas {
    std::vector<ZcGePoint2d> points;
    ZcGePoint2d centre;
    double hauteur;
  } cas[] = {
      // 1000 by 10: margins 1.0 in X (width 1002) and 0.25 in Y.
      {{{0, 0}, {1000, 10}, {500, 5}}, {500, 5}, 1002 * 0.625},
      // 10 by 1000: margins 0.25 in X and 1.0 in Y (height 1002).
      {{{100, 0}, {110, 1000}}, {105, 500}, 1002},
      // 4 by 2: margins of a fortieth, 0.1 and 0.05.
      {{{-2, 3}, {2, 5}}, {0, 4}, 4.2 * 0.625},
      {{{0, 0}, {2, 4}}, {1, 2}, 4.2},
  };
  for (const auto& c : cas) {
    table().vider();
    for (const ZcGePoint2d& q : c.points) ajouterPoint(L"Z", 1, q.x, q.y);
    EXPECT_EQ(lisp("(c:ZoomLeve)").printed, "");
    EXPECT_EQ(sortie(), "");
    EXPECT_NEAR(db_.viewCenter().x, c.centre.x, 1e-9);
    EXPECT_NEAR(db_.viewCenter().y, c.centre.y, 1e-9);
    EXPECT_NEAR(db_.viewHeight(), c.hauteur, 1e-9);
  }
}

TEST_F(LispChoix, ZoomLeveNeedsTwoPoints) {
  db_.setView(ZcGePoint2d(7, 8), 9);
  table().vider();
  ajouterPoint(L"1", 1, 100, 100);
  EXPECT_EQ(lisp("(c:ZoomLeve)").printed, "");
  EXPECT_EQ(sortie(), "\nPas de points dans cette table");
  table().vider();
  lisp("(c:ZoomLeve)");
  EXPECT_EQ(sortie(), "\nPas de points dans cette table");
  tablesPoints = nullptr;
  lisp("(c:ZoomLeve)");
  EXPECT_EQ(sortie(), "\nPas de points dans cette table");
  EXPECT_EQ(db_.viewCenter().x, 7);
  EXPECT_EQ(db_.viewCenter().y, 8);
  EXPECT_EQ(db_.viewHeight(), 9);
}

// ------------------------------------------------------------ choixpoint

TEST_F(LispChoix, ChoixpointGivesTheNameOfThePointChosen) {
  for (const wchar_t* nom : {L"A", L"S1"}) ajouterPoint(nom, nom[0] == L'A' ? 1 : 100);
  ajouterPoint(L"S2", 100);
  ajouterPoint(L"B", 1);
  struct Cas {
    const char* script;
    const char* resultat;
  } cas[] = {
      {"select Points 1\npress Fermer\n", "\"S2\""},  // the list opens on code 100
      {"select Points 0\nok\n", "\"S1\""},
      {"press Fermer\n", "nil"},  // no row selected
      {"select Points 0\ncancel\n", "nil"},
      {"select Points 0\n", "nil"},  // end of input
      {"pick Code 0\nselect Points 3\npress Fermer\n", "\"B\""},
  };
  for (const auto& c : cas) {
    repondre(c.script);
    const LineResult r = lisp("(choixpoint)");
    EXPECT_EQ(r.printed, c.resultat) << c.script;
    EXPECT_EQ(r.error, "") << c.script;
    const std::string s = sortie();
    EXPECT_TRUE(contient(s, "Points du dessin")) << s;
    EXPECT_EQ(resteDesReponses(), "") << c.script;
  }
  // Pick mode: "Fermer" is the only button shown.
  repondre("press Fermer\n");
  lisp("(choixpoint)");
  const std::string s = sortie();
  EXPECT_EQ(occurrences(s, "] button "), 1u) << s;
  EXPECT_TRUE(contient(s, "] button \"Fermer\"")) << s;

  tablesPoints = nullptr;
  repondre("press Fermer\n");
  EXPECT_EQ(lisp("(choixpoint)").printed, "nil");
}

}  // namespace
