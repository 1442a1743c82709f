#include "calc/reseau_mc.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "support/temp_folder.hpp"
#include "ajustement_reference.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string fichier(std::initializer_list<const char*> lignes) {
  std::string s;
  for (const char* l : lignes) s += std::string(l) + "\r\n";
  return s;
}

// The lines of a computation text (each starts with CR LF).
std::vector<std::wstring> lignes(const std::wstring& texte) {
  std::vector<std::wstring> out;
  std::size_t pos = 0;
  while ((pos = texte.find(L"\r\n", pos)) != std::wstring::npos) {
    pos += 2;
    const std::size_t fin = texte.find(L"\r\n", pos);
    out.push_back(texte.substr(pos, fin == std::wstring::npos ? std::wstring::npos : fin - pos));
  }
  return out;
}

bool contient(const std::wstring& texte, const std::wstring& ligne) {
  for (const auto& l : lignes(texte))
    if (l == ligne) return true;
  return false;
}

int compte(const std::wstring& texte, const std::wstring& morceau) {
  int n = 0;
  for (std::size_t p = texte.find(morceau); p != std::wstring::npos; p = texte.find(morceau, p + 1)) ++n;
  return n;
}

std::string utf8(const std::wstring& w) { return host::toUtf8(w); }

const pointACalculer& point(const reseauMoindresCarres& r, const wchar_t* nom) {
  const int i = r.trouverPoint(nom);
  EXPECT_GE(i, 0) << utf8(nom);
  return r.points.at(std::size_t(i));
}

// Captures what the host's command line prints.
struct LigneDeCommande {
  std::istringstream entree;
  std::ostringstream sortie;
  host::ConsoleIO io{entree, sortie};
  host::ConsoleIO* avant;
  LigneDeCommande() : avant(host::setConsole(&io)) {}
  ~LigneDeCommande() { host::setConsole(avant); }
};

}  // namespace

// ---- Reading -------------------------------------------------------------

TEST(ReseauMcLecture, SectionsUnitesPointsEtObservations) {
  reseauMoindresCarres r;
  r.chargerTexte(fichier({
      "* un commentaire XYZ",
      "  xyz  ",
      "A 1000 2000 100.5",
      "b\t1100.25 2000 Z",  // non-numeric Z: no altitude
      "C=1000:2100",
      "D 12 X",             // Y not a number: ignored
      "",
      "obs",
      "A B P 50 70.5 1.25 2 3 4",   // three observations and their weights
      "A NORD P 100.5 - - x",       // a bearing; weight not a number
      "ANGLES DEGRES",
      "b a q 90",
      "angles radians",
      "C A Q 1",
      "ANGLES FOO",                 // not a unit: a data line with two tokens, ignored
      "p nord q - 12",
  }));
  ASSERT_EQ(r.points.size(), 5u) << utf8(r.points.back().nom);
  EXPECT_EQ(r.points[0].nom, L"A");
  EXPECT_TRUE(r.points[0].connuXY && r.points[0].connuZ);
  EXPECT_DOUBLE_EQ(r.points[0].Z, 100.5);
  EXPECT_EQ(r.points[1].nom, L"B");
  EXPECT_DOUBLE_EQ(r.points[1].X, 1100.25);
  EXPECT_FALSE(r.points[1].connuZ);
  EXPECT_EQ(r.points[1].Z, kValeurAbsente);
  EXPECT_DOUBLE_EQ(r.points[2].Y, 2100);
  EXPECT_EQ(r.points[3].nom, L"P");
  EXPECT_FALSE(r.points[3].connuXY);
  EXPECT_EQ(r.points[4].nom, L"Q");
  EXPECT_EQ(r.trouverPoint(L"q"), 4);
  EXPECT_EQ(r.trouverPoint(L"D"), -1);
  EXPECT_EQ(r.positionne, (std::vector<bool>{true, true, true, false, false}));

  struct Attendu {
    std::uint8_t type;
    const wchar_t *station, *cible, *reference;
    double valeur, poids;
  };
  const Attendu attendus[] = {
      {kObsAngle, L"A", L"P", L"B", 50 * kPi / 200, 2},
      {kObsDistance, L"A", L"P", nullptr, 70.5, 3},
      {kObsDenivelee, L"A", L"P", nullptr, 1.25, 4},
      {kObsAngle, L"A", L"P", nullptr, 100.5 * kPi / 200, kValeurAbsente},
      {kObsAngle, L"B", L"Q", L"A", kPi / 2, kValeurAbsente},
      {kObsAngle, L"C", L"Q", L"A", 1, kValeurAbsente},
      {kObsDistance, L"P", L"Q", nullptr, 12, kValeurAbsente},
  };
  ASSERT_EQ(r.observations.size(), std::size(attendus));
  for (std::size_t i = 0; i < std::size(attendus); ++i) {
    SCOPED_TRACE(i);
    const auto& o = r.observations[i];
    EXPECT_EQ(o.type, attendus[i].type);
    EXPECT_EQ(o.station, r.trouverPoint(attendus[i].station));
    EXPECT_EQ(o.cible, r.trouverPoint(attendus[i].cible));
    EXPECT_EQ(o.reference, attendus[i].reference ? r.trouverPoint(attendus[i].reference) : -1);
    EXPECT_NEAR(o.valeur, attendus[i].valeur, 1e-12);
    EXPECT_EQ(o.poids, attendus[i].poids);
  }
}

TEST(ReseauMcLecture, LignesFautivesSignaleesAvecLeurNumero) {
  std::string longue(1024, 'X');
  std::string limite = "L 1 2" + std::string(1018, ' ');  // 1023 characters: read
  reseauMoindresCarres r;
  r.chargerTexte(fichier({
      "A 0 0",
      longue.c_str(),
      "POINTLONG10 1 1",  // 11 characters
      "NEUFCARAC 5 5",    // 9 characters: fine
      limite.c_str(),
      "OBS",
      "A NORD A 10",       // station = target
      "A P P 10 20",       // reference = target: the angle goes, the distance stays
      "A A P 10",          // reference = station, nothing else
      "A NORD PTROPLONGUE 10",
      "NORD A P 10",
      "A NORD P",          // too few tokens
  }));
  ASSERT_EQ(r.avertissements.size(), 8u) << utf8(r.avertissements.back());
  const char* debuts[] = {"Ligne 2 : ", "Ligne 3 : ", "Ligne 7 : ", "Ligne 8 : ",
                          "Ligne 9 : ", "Ligne 10 : ", "Ligne 11 : ", "Ligne 12 : "};
  for (std::size_t i = 0; i < std::size(debuts); ++i)
    EXPECT_EQ(utf8(r.avertissements[i]).rfind(debuts[i], 0), 0u) << utf8(r.avertissements[i]);
  EXPECT_NE(r.trouverPoint(L"NEUFCARAC"), -1);
  EXPECT_NE(r.trouverPoint(L"L"), -1);
  EXPECT_EQ(r.trouverPoint(L"POINTLONG10"), -1);
  ASSERT_EQ(r.observations.size(), 1u);
  EXPECT_EQ(r.observations[0].type, kObsDistance);
  EXPECT_DOUBLE_EQ(r.observations[0].valeur, 20);
}

TEST(ReseauMcLecture, FichierIllisibleLaisseLeReseau) {
  reseauMoindresCarres r;
  r.chargerTexte("A 0 0\r\n");
  EXPECT_FALSE(r.charger(L"/nonexistent/reseau.mc"));
  EXPECT_EQ(r.points.size(), 1u);
  EXPECT_FALSE(r.charger(host::fromUtf8(geltaro::testing::dossierDeTest("reseau-mc").string())));  // a folder
  EXPECT_EQ(r.points.size(), 1u);

  const auto chemin = geltaro::testing::dossierDeTest("reseau-mc") / "r\xC3\xA9seau.mc";
  std::ofstream(chemin, std::ios::binary) << "XYZ\r\n\xC9TAI 1 2\r\nOBS\r\n\xE9tai NORD P 10\r\n";
  ASSERT_TRUE(r.charger(host::fromUtf8(chemin.string())));
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_EQ(r.points[0].nom, L"ÉTAI");  // upper-cased in the file's code page
  EXPECT_EQ(r.trouverPoint(L"étai"), 0);
  EXPECT_EQ(r.observations.size(), 1u);
}

TEST(ReseauMcLecture, IndexDesNomsSuitLesPoints) {
  reseauMoindresCarres r;
  r.chargerTexte("A 0 0\r\nB 1 1\r\n");
  pointACalculer p;
  p.nom = L"Zed";
  r.points.push_back(p);  // behind the index's back
  EXPECT_EQ(r.trouverPoint(L"ZED"), 2);
  r.points[0].nom = L"AA";
  r.reindexer();
  EXPECT_EQ(r.trouverPoint(L"aa"), 0);
  EXPECT_EQ(r.trouverPoint(L"A"), -1);
}

// ---- Listing -------------------------------------------------------------

TEST(ReseauMcListe, TexteApresChargement) {
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 10 20 30", "B 1.5 2.25", "OBS", "A B P 100 12.5 -0.75", "A NORD Q 50"}));
  r.lister();
  EXPECT_EQ(r.texte,
            L"\r\n0 Point          A  X=       10.0000 Y=       20.0000 Z=       30.0000"
            L"\r\n1 Point          B  X=        1.5000 Y=        2.2500 Z: Inconnu"
            L"\r\nPoints à calculer:"
            L"\r\nPoint 2          P  "
            L"\r\nPoint 3          Q  "
            L"\r\nObservations"
            L"\r\nAngle B A P =       100.0000 (grades)"
            L"\r\nDistance A-P =        12.5000 "
            L"\r\nDénivellée A vers P =       -0.7500"
            L"\r\nAngle NORD A Q =        50.0000 (grades)");
}

TEST(ReseauMcFormats, VecteurEtMatrice) {
  EXPECT_EQ(texteVecteur(L"Solution", {1.5, -0.25}),
            L"\r\nVecteur Solution (2 elements)\r\n0 |   1.5000000000 |\r\n1 |  -0.2500000000 |\r\n---------");
  EXPECT_EQ(texteVecteur(L"Solution", {}), L"\r\nVecteur Solution (0 elements)\r\n---------");
  EXPECT_EQ(texteMatrice(L"N", 2, 2, {1, 2, 3, 4.5}),
            L"\r\nMatrice N (2 Lignes, 2 Colonnes)\r\n0 |         1.0000         2.0000"
            L"\r\n1 |         3.0000         4.5000\r\n---------");
}

// ---- Preparation ---------------------------------------------------------

TEST(ReseauMcPreparation, ObservationsEquivalentesSupprimees) {
  reseauMoindresCarres r;
  r.chargerTexte(fichier({
      "A 0 0", "B 100 0", "C 0 100",
      "OBS",
      "A NORD P - 50",       // 0 distance A-P
      "P NORD A - 50.01",    // the same distance written P-A
      "A B P 50",            // angle
      "A B P 50.002",        // the same angle
      "A NORD P - - 1",      // height differences are never removed
      "A NORD P - - 1",
      "P NORD A - 50.02",    // a third copy of A-P
  }));
  r.calculerXY();  // P keeps two observations: no position, one text
  const std::wstring attendu =
      L"\r\nSuppression de l'observation 1 (equiv a 0)"
      L"\r\nAngle B A P =        50.0020 (grades)"
      L"\r\nAngle B A P =        50.0000 (grades)"
      L"\r\n---"
      L"\r\nSuppression de l'observation 2 (equiv a 1)"
      L"\r\nDistance P-A =        50.0100 "
      L"\r\nDistance A-P =        50.0000 "
      L"\r\n---"
      L"\r\nSuppression de l'observation 2 (equiv a 1)"
      L"\r\nDistance P-A =        50.0200 "
      L"\r\nDistance A-P =        50.0000 "
      L"\r\n---";
  EXPECT_EQ(r.texte.substr(0, attendu.size()), attendu);
  // In place, each earlier observation removes its later equivalents, so
  // the second copy of A-P is number 2 when the pass of number 1 meets it.
  ASSERT_EQ(r.observations.size(), 4u);
  const std::uint8_t types[] = {kObsAngle, kObsDistance, kObsDenivelee, kObsDenivelee};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(r.observations[i].type, types[i]);
  EXPECT_DOUBLE_EQ(r.observations[0].valeur, 50 * kPi / 200);  // the first angle
  EXPECT_DOUBLE_EQ(r.observations[1].valeur, 50);              // the first of A-P
  EXPECT_TRUE(contient(r.texte, L"Vecteur Solution (0 elements)"));
}

// ---- Planimetry ----------------------------------------------------------

TEST(ReseauMcPlanimetrie, IntersectionDeDistancesTexteComplet) {
  // P = (60, 40) from three known points, exact distances: the approximate
  // position is the solution and no further iteration follows.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0", "B 100 0", "C 0 100", "OBS", "A NORD P - 72.1110255093",
                          "B NORD P - 56.5685424949", "C NORD P - 84.8528137424"}));
  r.calculerXY();
  const auto l = lignes(r.texte);
  ASSERT_GE(l.size(), 12u) << utf8(r.texte);
  EXPECT_EQ(l[0], L"Calcul du point P  à l'aide de 3 equations ");
  EXPECT_EQ(l[1], L"Solution trouvée: X=       60.0000 Y=       40.0000 ");
  EXPECT_EQ(l[2], L"Vecteur Solution (2 elements)");
  const std::wregex element(LR"(\d \| +-?0\.0000000000 \|)");
  EXPECT_TRUE(std::regex_match(l[3], element));
  EXPECT_TRUE(std::regex_match(l[4], element));
  EXPECT_EQ(l[5], L"---------");
  const std::wregex residu(LR"(Résidu pour l'observation \d  = +-?0\.\d{10} mm \(- L : +-?0\.\d{10} mm\))");
  for (int i = 6; i < 9; ++i) EXPECT_TRUE(std::regex_match(l[i], residu)) << utf8(l[i]);
  EXPECT_EQ(l[9], L"XYZ:");
  EXPECT_EQ(l[10], L"[P]\t(       60.0000\t       40.0000)");
  EXPECT_EQ(l[11], L"Valeur du chi 2=  0.0000000000");
  EXPECT_EQ(r.bilan.iterations, 1);
  EXPECT_EQ(r.bilan.redondance, 1);
  EXPECT_EQ(r.positionne, (std::vector<bool>{true, true, true, true}));
}

TEST(ReseauMcPlanimetrie, AnglesGisementsEtDistancesConvergent) {
  // True positions P = (400, 300), Q = (650, 520). Every kind of locus:
  // rays from known stations (angle, bearing), a station seeing two known
  // points (resection arc), distances. Small errors in the values make the
  // first solution move the points.
  const double gr = 200 / kPi;
  auto gis = [](double x1, double y1, double x2, double y2) { return std::atan2(x2 - x1, y2 - y1); };
  auto texteAngle = [&](double a) {
    a = std::fmod(a * gr + 800, 400);
    return std::to_string(a);
  };
  const double A[] = {0, 0}, B[] = {1000, 0}, C[] = {500, 1000}, P[] = {400, 300}, Q[] = {650, 520};
  std::string obs;
  // Weights: angles σ 1e-5 rad, distances σ 3 mm.
  const std::string pa = " 1e10\r\n", pd = " 1e5\r\n";
  obs += "A B P " + texteAngle(gis(A[0], A[1], P[0], P[1]) - gis(A[0], A[1], B[0], B[1]) + 2e-5) + " " +
         std::to_string(std::hypot(400, 300) + 0.004) + " - 1e10 1e5\r\n";
  obs += "B NORD P " + texteAngle(gis(B[0], B[1], P[0], P[1]) - 1e-5) + " - -" + pa;
  obs += "P A C " + texteAngle(gis(P[0], P[1], C[0], C[1]) - gis(P[0], P[1], A[0], A[1])) + " - -" + pa;
  obs += "P NORD Q - " + std::to_string(std::hypot(250, 220) - 0.003) + " - -" + pd;
  obs += "C NORD Q - " + std::to_string(std::hypot(150, 480) + 0.002) + " - -" + pd;
  obs += "B C Q " + texteAngle(gis(B[0], B[1], Q[0], Q[1]) - gis(B[0], B[1], C[0], C[1]) + 1e-5) + " " +
         std::to_string(std::hypot(350, 520)) + " - 1e10 1e5\r\n";
  reseauMoindresCarres r;
  r.chargerTexte("A 0 0\r\nB 1000 0\r\nC 500 1000\r\nOBS\r\n" + obs);
  ASSERT_TRUE(r.avertissements.empty());
  r.calculerXY();
  EXPECT_GT(r.bilan.iterations, 1);
  EXPECT_LT(r.bilan.iterations, 6);
  // Only the last iteration's text stays.
  EXPECT_EQ(compte(r.texte, L"Calcul du point"), 0) << utf8(r.texte);
  EXPECT_EQ(compte(r.texte, L"Vecteur Solution (4 elements)"), 1);
  EXPECT_EQ(compte(r.texte, L"mgr (- L :"), 4);
  EXPECT_EQ(compte(r.texte, L"mm (- L :"), 4);
  EXPECT_NEAR(point(r, L"P").X, P[0], 0.01);
  EXPECT_NEAR(point(r, L"P").Y, P[1], 0.01);
  EXPECT_NEAR(point(r, L"Q").X, Q[0], 0.01);
  EXPECT_NEAR(point(r, L"Q").Y, Q[1], 0.01);
  EXPECT_EQ(r.bilan.redondance, 8 - 4);
  ASSERT_TRUE(r.bilan.sigma0.has_value());
  ASSERT_EQ(r.bilan.precisions.size(), 2u);
  EXPECT_TRUE(contient(r.texte, [&] {
    const auto& pp = r.bilan.precisions[0];
    wchar_t buf[200];
    std::swprintf(buf, 200, L"[P] sX=%.4f sY=%.4f a=%.4f b=%.4f gis=%.4f gr", pp.sX, pp.sY, pp.a, pp.b, pp.gisement);
    return std::wstring(buf);
  }())) << utf8(r.texte);
}

TEST(ReseauMcPlanimetrie, GisementProcheDuNordSansSautDeTour) {
  // P straight north of A: observed bearings just below 400 gr and just
  // above 0 gr must both pull P onto the line, not a full turn away.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0", "B 100 0", "OBS", "A NORD P 399.9990 100", "B NORD P 350.0010 141.4214",
                          "A B P 299.9995"}));
  r.calculerXY();
  EXPECT_NEAR(point(r, L"P").X, 0, 0.01) << utf8(r.texte);
  EXPECT_NEAR(point(r, L"P").Y, 100, 0.01);
  EXPECT_LT(r.bilan.iterations, 5);
}

TEST(ReseauMcPlanimetrie, UneIterationSuffitQuandLaPremiereEstNegligeable) {
  // Far stations make the distances nearly linear: the first solution moves
  // P by centimetres and the next by far less than 1e-8 m, so exactly one
  // further iteration runs.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A -100000 0", "B 0 -100000", "C 70710.678118 70710.678118", "OBS",
                          "A NORD P - 100000.01", "B NORD P - 100000.02", "C NORD P - 99999.99"}));
  r.calculerXY();
  EXPECT_EQ(r.bilan.iterations, 2) << utf8(r.texte);
}

TEST(ReseauMcPlanimetrie, ReseauSinguliereSansSolution) {
  // Three collinear stations: P is found on their line but nothing fixes it
  // across the line. A point with two observations gets no position.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0", "B 100 0", "C 200 0", "OBS", "A NORD P - 50", "B NORD P - 50",
                          "C NORD P - 150", "A NORD Q - 10", "B NORD Q - 95"}));
  r.calculerXY();
  EXPECT_TRUE(r.bilan.singulier);
  EXPECT_EQ(r.bilan.iterations, 1);
  EXPECT_TRUE(contient(r.texte, L"Vecteur Solution (0 elements)")) << utf8(r.texte);
  EXPECT_TRUE(contient(r.texte, L"Système singulier : aucune solution"));
  EXPECT_FALSE(contient(r.texte, L"XYZ:"));
  EXPECT_NEAR(point(r, L"P").X, 50, 1e-6);
  EXPECT_NEAR(point(r, L"P").Y, 0, 1e-6);
  EXPECT_TRUE(r.positionne[size_t(r.trouverPoint(L"P"))]);
  EXPECT_FALSE(r.positionne[size_t(r.trouverPoint(L"Q"))]);
  EXPECT_EQ(compte(r.texte, L"Calcul du point Q"), 0);
  EXPECT_TRUE(contient(r.texte, L"Point Q non calculé : moins de 3 observations vers des points positionnés"))
      << utf8(r.texte);
  EXPECT_EQ(compte(r.texte, L"Point P non calculé"), 0);
}

TEST(ReseauMcPlanimetrie, PointsConfondusIgnoresDansLIteration) {
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0", "A2 0 0", "B 100 0", "C 0 100", "OBS", "A NORD A2 - 1", "A NORD P - 72.1110255093",
                          "B NORD P - 56.5685424949", "C NORD P - 84.8528137424"}));
  r.calculerXY();
  EXPECT_TRUE(contient(r.texte, L"Observation 0 ignorée : points confondus")) << utf8(r.texte);
  EXPECT_NEAR(point(r, L"P").X, 60, 1e-6);
  EXPECT_EQ(r.bilan.observations, 3);
}

// ---- Weights and precision -------------------------------------------------

TEST(ReseauMcPoids, PoidsFixesFormulesEtVariables) {
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"S 0 0", "R 0 10", "T 30 40", "OBS", "S R T 10"}));
  ObservationReduite angle = r.observations[0];
  const auto v = r.variablesPoids(angle);
  EXPECT_DOUBLE_EQ(v.d1, 50);                   // station - target
  EXPECT_DOUBLE_EQ(v.d2, 10);                   // station - reference
  EXPECT_DOUBLE_EQ(v.d3, std::hypot(30, 30));   // target - reference
  EXPECT_NEAR(v.ang, 10, 1e-12);

  std::vector<genreFormule> genres;
  auto formule = [&](std::optional<double> valeur) {
    return [&genres, valeur](genreFormule g, const variablesObservation&) {
      genres.push_back(g);
      return valeur;
    };
  };
  struct Cas {
    double fixe;
    std::optional<double> formule;
    double attendu;
  };
  const Cas cas[] = {
      {4, 99, 4}, {-4, 99, 4}, {0, 7, 7}, {kValeurAbsente, 7, 7}, {kValeurAbsente, std::nullopt, 1},
      {kValeurAbsente, -2, 1}, {kValeurAbsente, std::nan(""), 1},
  };
  for (const auto& c : cas) {
    angle.poids = c.fixe;
    r.formules = formule(c.formule);
    EXPECT_DOUBLE_EQ(*r.poidsObservation(angle), c.attendu) << c.fixe;
  }
  r.formules = nullptr;
  angle.poids = kValeurAbsente;
  EXPECT_DOUBLE_EQ(*r.poidsObservation(angle), 1);

  genres.clear();
  r.formules = formule(2.0);
  ObservationReduite gisement = angle, distance = angle, denivelee = angle;
  gisement.reference = -1;
  distance.type = kObsDistance;
  denivelee.type = kObsDenivelee;
  r.poidsObservation(angle);
  r.poidsObservation(gisement);
  r.poidsObservation(distance);
  EXPECT_DOUBLE_EQ(*r.poidsObservation(denivelee), 1);
  EXPECT_EQ(genres, (std::vector<genreFormule>{genreFormule::angle, genreFormule::gisement, genreFormule::distance}));
}


TEST(ReseauMcPoids, AjustementPondereEgalAUneReferenceIndependante) {
  // Distances σ 3 to 8 mm, angles σ 2" to 6" (weights 1/σ², radians and
  // metres), small errors in every value. Coordinates, σ0, the standard
  // deviations and the error ellipses must match an independent dense
  // adjustment.
  reseauMoindresCarres r;
  ASSERT_TRUE(r.charger(host::fromUtf8(GELTARO_TEST_DATA_DIR "/mc/reseau_pondere.mc")));
  ASSERT_TRUE(r.avertissements.empty());
  ASSERT_EQ(r.observations.size(), 14u);
  r.calculerXY();
  ASSERT_FALSE(r.bilan.singulier) << utf8(r.texte);
  std::vector<ObservationReduite> plani;
  for (const auto& o : r.observations)
    if (o.type != kObsDenivelee) plani.push_back(o);
  ASSERT_EQ(plani.size(), 10u);

  geltaro::testing::ReferenceAjustement ref;
  for (const auto& p : r.points) ref.xy.push_back({p.X, p.Y});
  for (std::size_t i = 0; i < r.points.size(); ++i)
    if (!r.points[i].connuXY) ref.inconnus.push_back(int(i));
  // Start the reference away from the solution found.
  for (int i : ref.inconnus) {
    ref.xy[i][0] += 0.5;
    ref.xy[i][1] -= 0.3;
  }
  std::vector<double> poids;
  for (const auto& o : plani) poids.push_back(*r.poidsObservation(o));
  ref.ajuster(plani, poids);

  const int u = int(ref.inconnus.size()), n = 2 * u;
  ASSERT_TRUE(r.bilan.sigma0.has_value()) << utf8(r.texte);
  EXPECT_NEAR(*r.bilan.sigma0, ref.sigma0, 1e-6 * ref.sigma0);
  EXPECT_EQ(r.bilan.redondance, 10 - 4);
  ASSERT_EQ(r.bilan.precisions.size(), std::size_t(u));
  for (int j = 0; j < u; ++j) {
    const auto& p = r.points[std::size_t(ref.inconnus[j])];
    EXPECT_NEAR(p.X, ref.xy[ref.inconnus[j]][0], 1e-6);
    EXPECT_NEAR(p.Y, ref.xy[ref.inconnus[j]][1], 1e-6);
    const double s2 = ref.sigma0 * ref.sigma0;
    const double qxx = ref.inverseN[j * n + j], qyy = ref.inverseN[(u + j) * n + u + j],
                 qxy = ref.inverseN[j * n + u + j];
    const auto& pp = r.bilan.precisions[j];
    EXPECT_EQ(pp.point, ref.inconnus[j]);
    EXPECT_NEAR(pp.sX, std::sqrt(s2 * qxx), 1e-4 * pp.sX);
    EXPECT_NEAR(pp.sY, std::sqrt(s2 * qyy), 1e-4 * pp.sY);
    // Semi-axes: square roots of the eigenvalues; the major axis direction
    // is an eigenvector.
    const double t = (qxx + qyy) / 2, d = std::sqrt((qxx - qyy) * (qxx - qyy) / 4 + qxy * qxy);
    EXPECT_NEAR(pp.a, std::sqrt(s2 * (t + d)), 1e-4 * pp.a);
    EXPECT_NEAR(pp.b, std::sqrt(s2 * (t - d)), 1e-4 * pp.a);
    const double g = pp.gisement * kPi / 200, ex = std::sin(g), ey = std::cos(g);
    EXPECT_NEAR(qxx * ex + qxy * ey, (t + d) * ex, 1e-3 * (t + d));
    EXPECT_NEAR(qxy * ex + qyy * ey, (t + d) * ey, 1e-3 * (t + d));
    EXPECT_GE(pp.gisement, 0);
    EXPECT_LT(pp.gisement, 200);
  }
  EXPECT_TRUE(contient(r.texte, [&] {
    wchar_t buf[100];
    std::swprintf(buf, 100, L"Ecart type de l'unité de poids = %.4f", *r.bilan.sigma0);
    return std::wstring(buf);
  }()));
  // Chi 2 is the weighted sum of squared residuals.
  EXPECT_NEAR(r.bilan.vtpv, ref.sigma0 * ref.sigma0 * 6, 1e-6 * r.bilan.vtpv);

  // The height differences with their weights: two unknown heights, normal
  // equations solved by hand.
  r.calculerZ();
  double n11 = 0, n12 = 0, n22 = 0, b1 = 0, b2 = 0, vtpv = 0;
  const int iP = r.trouverPoint(L"P"), iQ = r.trouverPoint(L"Q");
  for (const auto& o : r.observations) {
    if (o.type != kObsDenivelee) continue;
    const double w = *r.poidsObservation(o);
    double aP = 0, aQ = 0, l = o.valeur;
    for (auto [i, signe] : {std::pair{o.cible, 1.0}, {o.station, -1.0}}) {
      if (i == iP) aP += signe;
      else if (i == iQ) aQ += signe;
      else l -= signe * r.points[std::size_t(i)].Z;
    }
    n11 += w * aP * aP;
    n12 += w * aP * aQ;
    n22 += w * aQ * aQ;
    b1 += w * aP * l;
    b2 += w * aQ * l;
  }
  const double det = n11 * n22 - n12 * n12;
  const double zP = (n22 * b1 - n12 * b2) / det, zQ = (n11 * b2 - n12 * b1) / det;
  EXPECT_NEAR(r.points[std::size_t(iP)].Z, zP, 1e-9);
  EXPECT_NEAR(r.points[std::size_t(iQ)].Z, zQ, 1e-9);
  for (const auto& o : r.observations)
    if (o.type == kObsDenivelee) {
      const double v = r.points[std::size_t(o.cible)].Z - r.points[std::size_t(o.station)].Z - o.valeur;
      vtpv += *r.poidsObservation(o) * v * v;
    }
  EXPECT_NEAR(r.bilan.vtpv, vtpv, 1e-12);
  EXPECT_EQ(r.bilan.redondance, 2);
  ASSERT_EQ(r.bilan.precisions.size(), 2u);
  EXPECT_NEAR(r.bilan.precisions[0].sZ, std::sqrt(vtpv / 2 * n22 / det), 1e-9);
}

TEST(ReseauMcPoids, FactorisationCreuseEtDenseDonnentLesMemesPrecisions) {
  // A 6 × 5 grid of points to compute tied by distances and angles, four
  // control points: many levels in the elimination tree.
  std::ostringstream f;
  f.precision(10);
  f << std::fixed;
  auto nom = [](int i, int j) { return "G" + std::to_string(i) + "_" + std::to_string(j); };
  auto x = [](int i, int j) { return 100.0 * i + 3.0 * (j % 3); };
  auto y = [](int i, int j) { return 100.0 * j + 2.0 * (i % 2); };
  f << "XYZ\r\nK1 -80 -60\r\nK2 580 -70\r\nK3 590 470\r\nK4 -90 480\r\nOBS\r\n";
  unsigned graine = 7;
  auto bruit = [&] {
    graine = graine * 1103515245u + 12345u;
    return (double((graine >> 8) % 2001) - 1000.0) * 1e-6;
  };
  const int I = 6, J = 5;
  auto distance = [&](const std::string& a, double xa, double ya, const std::string& b, double xb, double yb) {
    f << a << " NORD " << b << " - " << std::hypot(xb - xa, yb - ya) + bruit() << "\r\n";
  };
  auto gisement = [&](const std::string& a, double xa, double ya, const std::string& b, double xb, double yb) {
    f << a << " NORD " << b << " " << std::fmod(std::atan2(xb - xa, yb - ya) * 200 / kPi + 400, 400) + bruit() * 10 << "\r\n";
  };
  const double K[4][2] = {{-80, -60}, {580, -70}, {590, 470}, {-90, 480}};
  const int coins[4][2] = {{0, 0}, {I - 1, 0}, {I - 1, J - 1}, {0, J - 1}};
  for (int k = 0; k < 4; ++k) {
    const auto [ci, cj] = coins[k];
    const std::string kn = "K" + std::to_string(k + 1);
    distance(kn, K[k][0], K[k][1], nom(ci, cj), x(ci, cj), y(ci, cj));
    gisement(kn, K[k][0], K[k][1], nom(ci, cj), x(ci, cj), y(ci, cj));
    const int s = (k + 1) % 4;
    const double a = std::atan2(x(ci, cj) - K[k][0], y(ci, cj) - K[k][1]) - std::atan2(K[s][0] - K[k][0], K[s][1] - K[k][1]);
    f << kn << " K" << s + 1 << " " << nom(ci, cj) << " " << std::fmod(a * 200 / kPi + 800, 400) + bruit() * 10 << "\r\n";
  }
  // Each edge: its distance and its bearing both ways.
  auto arete = [&](int i, int j, int i2, int j2) {
    distance(nom(i, j), x(i, j), y(i, j), nom(i2, j2), x(i2, j2), y(i2, j2));
    gisement(nom(i, j), x(i, j), y(i, j), nom(i2, j2), x(i2, j2), y(i2, j2));
    gisement(nom(i2, j2), x(i2, j2), y(i2, j2), nom(i, j), x(i, j), y(i, j));
  };
  for (int i = 0; i < I; ++i)
    for (int j = 0; j < J; ++j) {
      if (i + 1 < I) arete(i, j, i + 1, j);
      if (j + 1 < J) arete(i, j, i, j + 1);
    }
  reseauMoindresCarres creux, dense;
  creux.chargerTexte(f.str());
  dense.chargerTexte(f.str());
  dense.factorisationDense = true;
  creux.calculerXY();
  dense.calculerXY();
  ASSERT_FALSE(creux.bilan.singulier);
  ASSERT_EQ(creux.bilan.precisions.size(), std::size_t(I * J)) << utf8(creux.texte.substr(0, 3000));
  ASSERT_EQ(dense.bilan.precisions.size(), std::size_t(I * J));
  for (int k = 0; k < I * J; ++k) {
    const auto &a = creux.bilan.precisions[k], &b = dense.bilan.precisions[k];
    EXPECT_NEAR(a.sX, b.sX, 1e-9);
    EXPECT_NEAR(a.sY, b.sY, 1e-9);
    EXPECT_NEAR(a.a, b.a, 1e-9);
    EXPECT_NEAR(a.b, b.b, 1e-9);
    const auto& p = creux.points[std::size_t(a.point)];
    EXPECT_NEAR(p.X, dense.points[std::size_t(a.point)].X, 1e-9);
  }
}

TEST(ReseauMcPlanimetrie, EcartTypeNonCalculableSansRedondance) {
  // Every positioned point needs three observations, so the redundancy is
  // only 0 when an observation drops out of the iteration: here the angle
  // whose reference coincides with its station.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0", "A2 0 0", "B 100 0", "OBS", "A NORD P - 70.7106781187",
                          "B NORD P - 70.7106781187", "A A2 P 350"}));
  r.calculerXY();
  EXPECT_NEAR(point(r, L"P").X, 50, 1e-6) << utf8(r.texte);
  EXPECT_NEAR(point(r, L"P").Y, 50, 1e-6);
  EXPECT_EQ(r.bilan.redondance, 0);
  EXPECT_FALSE(r.bilan.sigma0.has_value());
  EXPECT_TRUE(r.bilan.precisions.empty());
  EXPECT_TRUE(contient(r.texte, L"Observation 0 ignorée : points confondus"));
  EXPECT_TRUE(contient(r.texte, L"Ecart type de l'unité de poids : non calculable (redondance nulle)"));
  EXPECT_EQ(compte(r.texte, L" sX="), 0);
}

// ---- Altimetry -------------------------------------------------------------

TEST(ReseauMcAltimetrie, BoucleDeNivellement) {
  LigneDeCommande console;
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0 100", "D 5 5 50", "OBS", "A NORD B - - 1.000", "B NORD C - - 2.000",
                          "C NORD A - - -2.994", "A NORD D - - -50"}));
  r.calculerZ();
  EXPECT_EQ(console.sortie.str(), "\nBizarre !!!");
  const auto l = lignes(r.texte);
  const std::vector<std::wstring> attendu = {
      L"Calcul du point B  à l'aide de 1 equations ",
      // B and C have no plan position: no X, Y of 0 shown as if computed.
      L"Solution trouvée: X, Y non calculés Z=      101.0000",
      L"Calcul du point C  à l'aide de 2 equations ",
      L"Solution trouvée: X, Y non calculés Z=      102.9970",
      L"Vecteur Solution (2 elements)",
      L"0 | 100.9980000000 |",
      L"1 | 102.9960000000 |",
      L"---------",
      L"Résidu pour l'observation 0 (mm) = -2.0000000000",
      L"Résidu pour l'observation 1 (mm) = -2.0000000000",
      L"Résidu pour l'observation 2 (mm) = -2.0000000000",
      L"XYZ:",
      L"\t[B]\t(X, Y non calculés\t      100.9980\t)",
      L"\t[C]\t(X, Y non calculés\t      102.9960\t)",
      L"Valeur du chi 2=  0.0000120000",
      L"Ecart type de l'unité de poids = 0.0035",
      L"[B] sZ=0.0028",
      L"[C] sZ=0.0028",
      L"Test global non effectué : tous les poids valent 1 (aucune précision donnée)",
      L"Résidus normés (faute probable au-delà de 3.29) :",
      L"Observation 0 : v = -2.0000 mm, w = -0.00 (redondance 0.33)",
      L"Observation 1 : v = -2.0000 mm, w = -0.00 (redondance 0.33)",
      L"Observation 2 : v = -2.0000 mm, w = -0.00 (redondance 0.33)",
  };
  ASSERT_EQ(l.size(), attendu.size()) << utf8(r.texte);
  for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l[i], attendu[i]) << i;
  EXPECT_NEAR(point(r, L"B").Z, 100.998, 1e-9);
  EXPECT_FALSE(point(r, L"B").connuZ);
}

TEST(ReseauMcAltimetrie, PoidsDesDeniveleesEtPlanimetrieQuiDonneZ) {
  // Fixed weights pull the loop towards the heavy observations.
  reseauMoindresCarres r;
  r.chargerTexte(fichier({"A 0 0 100", "OBS", "A NORD B - - 1.000 - - 100", "B NORD C - - 2.000 - - 100",
                          "C NORD A - - -2.994 - - 1"}));
  r.calculerZ();
  // Unweighted, C would be 102.996.
  EXPECT_NEAR(point(r, L"B").Z, 100.99994, 1e-5);
  EXPECT_NEAR(point(r, L"C").Z, 102.99988, 1e-5);

  // Planimetry derives an approximate altitude from height differences.
  reseauMoindresCarres p;
  p.chargerTexte(fichier({"A 0 0 10", "B 100 0", "C 0 100 20", "OBS", "A NORD P - 72.1110255093 1.5",
                          "B NORD P - 56.5685424949", "C NORD P - 84.8528137424 -8.5"}));
  p.calculerXY();
  EXPECT_NEAR(point(p, L"P").Z, 11.5, 1e-9);
  // No further iteration: the first text stays, with the altitude.
  EXPECT_TRUE(contient(p.texte, L"Solution trouvée: X=       60.0000 Y=       40.0000 Z=       11.5000"));
}

TEST(ReseauMcPublie, ExemplesDeManuelReproduits) {
  // Worked examples with their published adjustment (sources in the file
  // headers). The published standard deviations are a posteriori, the
  // standard deviation of unit weight times sqrt(qxx), like sX and sY here;
  // their weights are 1/σ², so an a priori figure would differ by σ0 (0.60
  // and 9.3 in these two networks). Coordinates are published to 4 decimals
  // of the book's length unit: 0.001 is tighter than 1 mm in feet or metres.
  struct PointPublie {
    const wchar_t* nom;
    double X, Y, sX, sY;
  };
  struct Exemple {
    const char* fichier;
    int observations, redondance;
    std::vector<PointPublie> points;
  };
  const Exemple exemples[] = {
      // Resection from three angles at the new station (arcs of circles).
      {"/mc/relevement_publie.mc", 3, 1, {{L"U", 999.9989, 1000.0253, 0.02057, 0.04268}}},
      // Braced quadrilateral, angles and distances, one distance between
      // the two control points counted as the published adjustment does.
      {"/mc/quadrilatere_publie.mc",
       14,
       10,
       {{L"C", 9787.8250, 8038.5354, 0.09523, 0.16778}, {L"D", 9260.8604, 4843.9341, 0.09761, 0.15117}}},
  };
  for (const auto& ex : exemples) {
    SCOPED_TRACE(ex.fichier);
    reseauMoindresCarres r;
    ASSERT_TRUE(r.charger(host::fromUtf8(std::string(GELTARO_TEST_DATA_DIR) + ex.fichier)));
    ASSERT_TRUE(r.avertissements.empty()) << utf8(r.avertissements.front());
    r.calculerXY();
    ASSERT_FALSE(r.bilan.singulier) << utf8(r.texte);
    EXPECT_EQ(r.bilan.observations, ex.observations);
    EXPECT_EQ(r.bilan.redondance, ex.redondance);
    ASSERT_TRUE(r.bilan.sigma0.has_value());
    ASSERT_EQ(r.bilan.precisions.size(), ex.points.size());
    for (const auto& pub : ex.points) {
      SCOPED_TRACE(utf8(pub.nom));
      const int i = r.trouverPoint(pub.nom);
      ASSERT_GE(i, 0);
      EXPECT_NEAR(r.points[std::size_t(i)].X, pub.X, 0.001);
      EXPECT_NEAR(r.points[std::size_t(i)].Y, pub.Y, 0.001);
      const precisionPoint* pp = nullptr;
      for (const auto& p : r.bilan.precisions)
        if (p.point == i) pp = &p;
      ASSERT_NE(pp, nullptr);
      EXPECT_NEAR(pp->sX, pub.sX, 0.1 * pub.sX);
      EXPECT_NEAR(pp->sY, pub.sY, 0.1 * pub.sY);
    }
  }
}
