#include "calc/traverse_rows.hpp"
#include "calc/traverse_report.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

using geltaro::testing::Ligne;
using geltaro::testing::lignes;
using geltaro::testing::station;

// A value as the reports print it (four decimals, no negative zero).
std::string f4(double v) { return texteNombre(v, 4); }

struct Cellule {
  std::string attributs, texte;
};
using Rangee = std::vector<Cellule>;

// The rows of a table's markup, each as its cells (attributes and content).
std::vector<Rangee> rangees(const std::string& table) {
  std::vector<Rangee> result;
  static const std::regex rTr("<tr [^>]*>(.*?)</tr>");
  static const std::regex rTd("<td ([^>]*)>(.*?)</td>");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), rTr); it != std::sregex_iterator(); ++it) {
    const std::string corps = (*it)[1];
    Rangee r;
    for (auto c = std::sregex_iterator(corps.begin(), corps.end(), rTd); c != std::sregex_iterator(); ++c)
      r.push_back({(*c)[1], (*c)[2]});
    result.push_back(r);
  }
  return result;
}

std::vector<std::string> textes(const Rangee& r) {
  std::vector<std::string> t;
  for (const Cellule& c : r) t.push_back(c.texte);
  return t;
}

bool estTable(const std::string& fragment) { return fragment.rfind("<table ", 0) == 0; }

const char* const kTableFermee =
    "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\" cellpadding=\"9\" "
    "cellspacing =\"0\">\n";
const char* const kTableOuverte = "<table  cellpadding=\"9\" cellspacing =\"0\">\n";
const char* const kNum = "class=celnorm align=right";
const char* const kGauche = "class=celnorm align='left'";

// Square of side 100 m run clockwise from A in grades: exterior angles of
// 300 gr, start bearing 0; the rows name the end of each leg.
const StationPolygonale kDepartCarre = station(L"A", 1000, 2000, 50, 0);
std::vector<obsPolygonale> carre(double dz) {
  return lignes({{L"B", 300, 100, dz}, {L"C", 300, 100, dz}, {L"D", 300, 100, dz}, {L"A", 300, 100, dz}});
}

std::vector<std::string> rapportFerme(const StationPolygonale& depart, int mode, std::vector<obsPolygonale> obs) {
  const std::vector<obsPolygonale> mesurees = obs;
  const ResultatPolygonaleFermee r = calculerPolygonaleFermee(depart, mode, 0, obs);
  EXPECT_TRUE(r.ok) << r.message;
  htmlDocument doc;
  rapportPolygonaleFermee(doc, depart, mode, mesurees, r);
  EXPECT_FALSE(doc.styleNames().empty());  // the standard style sheet comes first
  return doc.bodyFragments();
}

}  // namespace

TEST(RapportFerme, SequenceEtTablesDuCarreSansNivellement) {
  const auto b = rapportFerme(kDepartCarre, 0, carre(0));
  ASSERT_EQ(b.size(), 15u);
  EXPECT_EQ(b[0], "<P CLASS=grand>Corrections de fermeture polygonale</P>");
  EXPECT_EQ(b[1], "<P CLASS=titre>Donn\xe9" "es</P>");
  EXPECT_EQ(b[2], "<P class=petit>\r\nStation de d\xe9part : A\tX=1000.0000\tY=2000.0000\tZ=50.0000\tVo=0.0000</P>");
  EXPECT_EQ(b[3], "<P class=titre>Observations</P>");
  EXPECT_EQ(b[5], "<P CLASS=titre>Fermeture Angulaire</P>");
  EXPECT_EQ(b[6], "<P CLASS=petit>\r\nErreur angulaire=0.00000</P>");
  EXPECT_EQ(b[7], "<P CLASS=petit>\r\nCorrection angulaire=0.00000</P>");
  EXPECT_EQ(b[9], "<P class=titre>Correction des distances</P>");
  EXPECT_EQ(b[11], "<P class=titre>Pas de correction de nivellement</P>");
  EXPECT_EQ(b[12], std::string(kTableFermee) + "</table>");
  EXPECT_EQ(b[13], "<P class=titre>Coordonn\xe9" "es finales</P>");
  for (size_t i : {4u, 8u, 10u, 14u}) EXPECT_EQ(b[i].rfind(kTableFermee, 0), 0u) << i;

  // Observations: the first table has its own header and name attributes.
  const auto obs = rangees(b[4]);
  ASSERT_EQ(obs.size(), 5u);
  EXPECT_EQ(textes(obs[0]),
            (std::vector<std::string>{"Station", "Vise", "Angle (gr)", "Distance (m)", "Altitude (m)"}));
  for (const Cellule& c : obs[0]) EXPECT_EQ(c.attributs, "CLASS=celgris");
  EXPECT_EQ(textes(obs[1]), (std::vector<std::string>{"A", "B", "300.0000", "100.0000", "0.0000"}));
  EXPECT_EQ(obs[1][0].attributs, "class=celnorm align='center'");
  EXPECT_EQ(obs[1][2].attributs, kNum);

  // Angular closure: header, 4 stations, then Somme / Erreur / Correction
  // and the tolerance.
  const auto ang = rangees(b[8]);
  ASSERT_EQ(ang.size(), 9u);
  EXPECT_EQ(textes(ang[0]), (std::vector<std::string>{"R\xe9" "f", "Station", "Vise", "Ang Ext (gr)", "Ang Int (gr)",
                                                      "Ang Int Corr (gr)", "Ang Ext Corr (gr)", "Gisement Corr (gr)"}));
  EXPECT_EQ(ang[0][0].attributs, "class=celgris align=center");
  EXPECT_EQ(textes(ang[2]), (std::vector<std::string>{"A", "B", "C", "300.0000", "100.0000", "100.0000", "300.0000",
                                                      "100.0000"}));
  EXPECT_EQ(ang[2][0].attributs, kGauche);
  EXPECT_EQ(textes(ang[5]), (std::vector<std::string>{"", "", "", "Somme", "400.0000"}));
  EXPECT_EQ(ang[5][0].attributs, "");
  EXPECT_EQ(ang[5][3].attributs, kGauche);
  EXPECT_EQ(textes(ang[6])[3], "Erreur");
  EXPECT_EQ(textes(ang[7])[3], "Correction");

  // Distances: the sums row, then the linear misclosure and its tolerance.
  const auto dist = rangees(b[10]);
  ASSERT_EQ(dist.size(), 8u);
  EXPECT_EQ(dist[0].size(), 11u);
  EXPECT_EQ(textes(dist[0]), (std::vector<std::string>{"R\xe9" "f", "Station", "Vise", "Gis. Corrig\xe9 (gr)",
                                                       "Distance (m)", "Dx (m)", "Dy (m)", "Dx corrig\xe9 (m)",
                                                       "Dy corrig\xe9 (m)", "X (m)", "Y (m)"}));
  // Dy and its corrected value are rounding residues, of either sign: they
  // print as zero, never "-0.0000".
  EXPECT_EQ(textes(dist[2]), (std::vector<std::string>{"A", "B", "C", "100.0000", "100.0000", "100.0000", "0.0000",
                                                       "100.0000", "0.0000", "1000.0000", "2100.0000"}));
  for (const auto& rangee : dist)
    for (const Cellule& c : rangee) EXPECT_NE(c.texte, "-0.0000");
  ASSERT_EQ(dist[5].size(), 7u);
  EXPECT_EQ(dist[5][3].texte, "Somme");
  EXPECT_EQ(dist[5][3].attributs, "class=celgris align=center");
  EXPECT_EQ(dist[5][4].texte, "400.0000");

  // The final coordinates, whole: P(i) is named after row i - 1.
  const std::string h = "<td class=celgris align=center>";
  const std::string g = "<td class=celnorm align='left'>";
  const std::string n = "<td class=celnorm align=right>";
  auto ligne = [&](const char* nom, const char* x, const char* y) {
    return "<tr >" + g + nom + "</td>" + n + x + "</td>" + n + y + "</td>" + n + "50.0000</td></tr>";
  };
  EXPECT_EQ(b[14], std::string(kTableFermee) + "<tr >" + h + "Station</td>" + h + "X (m)</td>" + h + "Y (m)</td>" +
                       h + "Z (m)</td></tr>" + ligne("A", "1000.0000", "2000.0000") + ligne("B", "1000.0000", "2100.0000") +
                       ligne("C", "1100.0000", "2100.0000") + ligne("D", "1100.0000", "2000.0000") + "</table>");
}

TEST(RapportFerme, AnneauDeDeuxLignesLesNomsFontLeTour) {
  // Out and back: two legs, names of rows i-1 and i-2 wrap around the ring.
  const auto b = rapportFerme(station(L"Q", 0, 0, 10, 100), 1, lignes({{L"P", 0, 50, 1}, {L"Q", 0, 50, -1}}));
  std::vector<std::vector<Rangee>> tables;
  for (const std::string& f : b)
    if (estTable(f)) tables.push_back(rangees(f));
  ASSERT_EQ(tables.size(), 5u);
  EXPECT_EQ(tables[0].size(), 3u);      // header + 2
  EXPECT_EQ(tables[1].size(), 3u + 4);  // + Somme, Erreur, Correction, Tolérance
  EXPECT_EQ(tables[2].size(), 3u + 3);  // + Somme, Erreur linéaire, Tolérance
  EXPECT_EQ(tables[3].size(), 3u + 1);  // + Total
  EXPECT_EQ(tables[4].size(), 3u);
  EXPECT_EQ(textes(tables[0][1])[0], "Q");
  EXPECT_EQ(textes(tables[0][2])[0], "P");
  for (size_t t = 1; t <= 3; ++t) {
    const auto r1 = textes(tables[t][1]);
    const auto r2 = textes(tables[t][2]);
    EXPECT_EQ(std::vector<std::string>(r1.begin(), r1.begin() + 3), (std::vector<std::string>{"P", "Q", "P"})) << t;
    EXPECT_EQ(std::vector<std::string>(r2.begin(), r2.begin() + 3), (std::vector<std::string>{"Q", "P", "Q"})) << t;
  }
  EXPECT_EQ(textes(tables[4][1]), (std::vector<std::string>{"Q", "0.0000", "0.0000", "10.0000"}));
  EXPECT_EQ(textes(tables[4][2]), (std::vector<std::string>{"P", "50.0000", "0.0000", "11.0000"}));
}

TEST(RapportFerme, ErreurAngulaireEtCorrection) {
  // One angle 0.004 gr too large: E = -0.004 spread as -0.001 per station.
  auto obs = carre(0);
  obs[2].angle = 300.004;
  const auto b = rapportFerme(kDepartCarre, 0, obs);
  ASSERT_EQ(b.size(), 15u);
  EXPECT_EQ(b[6], "<P CLASS=petit>\r\nErreur angulaire=-0.00400</P>");
  EXPECT_EQ(b[7], "<P CLASS=petit>\r\nCorrection angulaire=-0.00100</P>");
  const auto ang = rangees(b[8]);
  ASSERT_EQ(ang.size(), 9u);
  EXPECT_EQ(textes(ang[3]), (std::vector<std::string>{"B", "C", "D", "300.0040", "99.9960", "99.9970", "300.0030",
                                                      "200.0020"}));
  EXPECT_EQ(textes(ang[5])[4], "399.9960");
  EXPECT_EQ(textes(ang[6])[4], "-0.0040");
  EXPECT_EQ(textes(ang[7])[4], "-0.0010");
}

TEST(RapportFerme, VariantesDuNivellement) {
  struct Cas {
    int mode;
    const char* titre;
    const char* colonne;  // extra column of the proportional modes, or nullptr
    const char* terme;    // L(0) or sqrt(L(0))
    const char* somme;    // SL or SR
  };
  const Cas cas[] = {
      {1, "Correction simple, erreur de fermeture r\xe9partie uniform\xe8ment", nullptr, nullptr, nullptr},
      {2, "Correction proportionnelle aux distances", "Distance (m)", "100.0000", "400.0000"},
      {3, "Correction proportionnelle aux racines distances", "Racine.dist", "10.0000", "40.0000"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.mode);
    // dz sum to 0.02 on four equal legs: every mode corrects each by 0.005.
    const auto b = rapportFerme(kDepartCarre, c.mode, carre(0.005));
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(b[11], "<P class=titre>Correction des altitudes</P>");
    EXPECT_EQ(b[12], std::string("<P class=titre>") + c.titre + "</P>");
    const auto t = rangees(b[13]);
    ASSERT_EQ(t.size(), 6u);
    std::vector<std::string> entete{"R\xe9" "f", "Station", "Vise", "X (m)", "Y (m)", "d.Z (m)"};
    if (c.colonne) entete.push_back(c.colonne);
    for (const char* s : {"Correction (m)", "d.Z Corrig\xe9 (m)", "Z (m)"}) entete.push_back(s);
    EXPECT_EQ(textes(t[0]), entete);
    std::vector<std::string> r1{"D", "A", "B", "1000.0000", "2000.0000", "0.0050"};
    if (c.terme) r1.push_back(c.terme);
    for (const char* s : {"0.0050", "0.0000", "50.0000"}) r1.push_back(s);
    EXPECT_EQ(textes(t[1]), r1);
    std::vector<std::string> total{"", "Total", "0.0200"};
    if (c.somme) total.push_back(c.somme);
    EXPECT_EQ(textes(t[5]), total);
    EXPECT_EQ(t[5][0].attributs, "colspan=4");
    EXPECT_EQ(t[5][1].attributs, kGauche);
  }
}

TEST(RapportFerme, CalculRefuseNeDonneQueLeMotif) {
  // A zero total distance is refused by the computation: no figure may
  // reach the report, only the title and the reason.
  std::vector<obsPolygonale> obs = lignes({{L"B", 200, 0, 0}, {L"A", 200, 0, 0}});
  const auto mesurees = obs;
  const ResultatPolygonaleFermee r = calculerPolygonaleFermee(kDepartCarre, 0, 0, obs);
  ASSERT_FALSE(r.ok);
  htmlDocument doc;
  rapportPolygonaleFermee(doc, kDepartCarre, 0, mesurees, r);
  const auto& b = doc.bodyFragments();
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0], "<P CLASS=grand>Corrections de fermeture polygonale</P>");
  EXPECT_EQ(b[1].rfind("<P class=titre>", 0), 0u);
  EXPECT_GT(b[1].size(), std::string("<P class=titre></P>").size());
  for (const std::string& f : b) EXPECT_EQ(f.find("nan"), std::string::npos);

  // The same for an open traverse.
  htmlDocument doc2;
  rapportPolygonaleOuverte(doc2, kDepartCarre, kDepartCarre, 0, 0, mesurees, ResultatPolygonaleOuverte{});
  ASSERT_EQ(doc2.bodyFragments().size(), 2u);
}

TEST(RapportFerme, NomsEnCodePageEtSansBalise) {
  const auto b = rapportFerme(station(L"Q\u00e9", 0, 0, 10, 100),
                              0, lignes({{L"P<b>", 200, 50, 0}, {L"Q\u00e9", 200, 50, 0}}));
  EXPECT_NE(b[2].find("Station de d\xe9part : Q\xe9\t"), std::string::npos);
  const auto obs = rangees(b[4]);
  EXPECT_EQ(textes(obs[1])[0], "Q\xe9");
  EXPECT_EQ(textes(obs[1])[1], "P&lt;b&gt;");
}

namespace {

// Two legs of 100 m due east (100 gr) from S to E with one closing error of
// 0.003 gr and a misclosure of 0.02 m in Y.
const StationPolygonale kS = station(L"S", 1000, 1000, 100, 0);
const StationPolygonale kE = station(L"E", 1200, 1000.02, 102.01, 0);
const double kFermeture = 100.003;

struct Ouvert {
  ResultatPolygonaleOuverte r;
  std::vector<std::string> b;
};

Ouvert rapportOuvert(int mode) {
  std::vector<obsPolygonale> obs = lignes({{L"P1", 300, 100, 1}, {L"P2", 200, 100, 1}});
  const auto mesurees = obs;
  Ouvert o;
  o.r = calculerPolygonaleOuverte(kS, kE, kFermeture, mode, 0, obs);
  EXPECT_TRUE(o.r.ok) << o.r.message;
  htmlDocument doc;
  rapportPolygonaleOuverte(doc, kS, kE, kFermeture, mode, mesurees, o.r);
  o.b = doc.bodyFragments();
  return o;
}

}  // namespace

TEST(RapportOuvert, DonneesEtFermetureAngulaire) {
  const auto o = rapportOuvert(0);
  const auto& b = o.b;
  ASSERT_EQ(b.size(), 11u);
  EXPECT_EQ(b[0], "<P CLASS=grand>Corrections de fermeture polygonale</P>");
  EXPECT_EQ(b[1], "<P CLASS=titre>Donn\xe9" "es</P>");
  EXPECT_EQ(b[3], "<P class=titre>Fermeture angulaire</P>");
  EXPECT_EQ(b[5], "<P class=titre>Comprensation des distances</P>");
  EXPECT_EQ(b[7], "<P class=titre>Pas de correction de nivellement</P>");
  EXPECT_EQ(b[8], std::string(kTableOuverte) + "</table>");
  EXPECT_EQ(b[9], "<P class=titre>R\xe9sultats finaux :</P>");

  // The data table, whole.
  const std::string h = "<td class=celgris align=center>";
  const std::string c = "<td class=celnorm align='center'>";
  EXPECT_EQ(b[2], std::string(kTableOuverte) + "<tr ><td ></td>" + h + "Station</td>" + h + "X (m)</td>" + h +
                      "Y (m)</td>" + h + "Z (m)</td>" + h + "Gis (gr)</td></tr>" + "<tr ><td class=celgris align=left>D\xe9part</td>" + c +
                      "S</td>" + c + "1000.0000</td>" + c + "1000.0000</td>" + c + "100.0000</td>" + c +
                      "0.0000</td></tr>" + "<tr ><td class=celgris align=left>Arriv\xe9" "e</td>" + c + "E</td>" + c +
                      "1200.0000</td>" + c + "1000.0200</td>" + c + "102.0100</td>" + c + "0.0000</td></tr>" +
                      "<tr ><td class=celgris colspan=5 align=right>Fermeture</td>"
                      "<td class=celnorm align=right>100.0030</td></tr></table>");

  const auto ang = rangees(b[4]);
  ASSERT_EQ(ang.size(), 7u);
  EXPECT_EQ(textes(ang[0]),
            (std::vector<std::string>{"Station", "Angle (gr)", "Gisement (gr)", "Erreur (gr)", "Gis.Compens\xe9 (gr)"}));
  EXPECT_EQ(textes(ang[1]), (std::vector<std::string>{"Ref", "&nbsp", "0.0000", "&nbsp", "&nbsp"}));
  EXPECT_EQ(ang[1][1].attributs, "class=celnorm");
  EXPECT_EQ(textes(ang[2]), (std::vector<std::string>{"S", "300.0000", "100.0000", "-0.0010", "99.9990"}));
  EXPECT_EQ(textes(ang[3]), (std::vector<std::string>{"P1", "200.0000", "100.0000", "-0.0020", "99.9980"}));
  EXPECT_EQ(textes(ang[4]), (std::vector<std::string>{"E", "100.0030", "0.0030", "-0.0030", "0.0000"}));
  EXPECT_EQ(ang[4][2].attributs, "class=celnorm");
  EXPECT_EQ(ang[4][3].attributs, "class=celnorm");
  EXPECT_EQ(ang[4][4].attributs, kNum);
  EXPECT_EQ(textes(ang[5]), (std::vector<std::string>{"", "Erreur :", "0.0030"}));
  EXPECT_EQ(ang[5][1].attributs, kNum);
}

TEST(RapportOuvert, DistancesEtResultatsFinaux) {
  const auto o = rapportOuvert(0);
  const auto& r = o.r;
  const auto dist = rangees(o.b[6]);
  ASSERT_EQ(dist.size(), 9u);
  EXPECT_EQ(dist[0].size(), 9u);
  // Leg 1 starts at the adjusted end of leg 0; the corrected increments are
  // paragraphs inside their cells.
  EXPECT_EQ(textes(dist[2]),
            (std::vector<std::string>{"P1", f4(r.gisementCalcul[1]), "100.0000", f4(r.dx[1]), f4(r.dy[1]),
                                      "<P >" + f4(r.dxCorrige[1]) + "</P>", "<P >" + f4(r.dyCorrige[1]) + "</P>",
                                      f4(r.X[0]), f4(r.Y[0])}));
  EXPECT_EQ(textes(dist[1])[7], "1000.0000");
  EXPECT_EQ(textes(dist[3]), (std::vector<std::string>{"E", "0.0000", "&nbsp", "&nbsp", "&nbsp", "&nbsp", "&nbsp",
                                                       "1200.0000", "1000.0200"}));
  EXPECT_EQ(dist[3][8].attributs, "class=celnorm");
  EXPECT_EQ(textes(dist[4]), (std::vector<std::string>{"", "Total", f4(r.SX), f4(r.SY)}));
  EXPECT_EQ(dist[4][0].attributs, "colspan=2");
  EXPECT_EQ(textes(dist[5]), (std::vector<std::string>{"", "S-E", "200.0000", "0.0200"}));
  EXPECT_EQ(dist[5][1].attributs, kGauche);
  EXPECT_EQ(textes(dist[6]), (std::vector<std::string>{"", "Erreur", f4(r.eX), f4(r.eY)}));

  const auto fin = rangees(o.b[10]);
  ASSERT_EQ(fin.size(), 4u);
  EXPECT_EQ(textes(fin[1]), (std::vector<std::string>{"S", "1000.0000", "1000.0000", "100.0000"}));
  EXPECT_EQ(textes(fin[2]), (std::vector<std::string>{"P1", f4(r.X[0]), f4(r.Y[0]), "101.0000"}));
  EXPECT_EQ(textes(fin[3]), (std::vector<std::string>{"E", "1200.0000", "1000.0200", "102.0100"}));
}

TEST(RapportOuvert, NivellementProportionnelAuxDistances) {
  const auto o = rapportOuvert(2);
  const auto& r = o.r;
  ASSERT_EQ(o.b.size(), 12u);
  EXPECT_EQ(o.b[7], "<P class=titre>Correction des altitudes</P>");
  EXPECT_EQ(o.b[8], "<P class=titre>Correction proportionnelle aux distances</P>");
  const auto t = rangees(o.b[9]);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(textes(t[0]), (std::vector<std::string>{"Station", "Vise", "X (m)", "Y (m)", "d.Z (m)", "Distance (m)",
                                                    "Correction (m)", "d.Z Corrig\xe9 (m)", "Z (m)"}));
  // L(i) is the length of leg i itself; the last leg ends at the end station.
  EXPECT_EQ(textes(t[1]), (std::vector<std::string>{"S", "P1", f4(r.X[0]), f4(r.Y[0]), "1.0000", "100.0000",
                                                    "-0.0050", "1.0050", "100.0000"}));
  EXPECT_EQ(textes(t[2])[1], "E");
  EXPECT_EQ(textes(t[2])[8], "101.0050");
  EXPECT_EQ(textes(t[3]), (std::vector<std::string>{"", "Total", "2.0000", "200.0000"}));
  EXPECT_EQ(t[3][0].attributs, "colspan=3");
  EXPECT_EQ(textes(t[4]), (std::vector<std::string>{"", "S-E", "2.0100"}));
  EXPECT_EQ(textes(t[5]), (std::vector<std::string>{"", "Erreur", "-0.0100"}));
  // The final results use the corrected altitudes.
  EXPECT_EQ(textes(rangees(o.b[11])[2])[3], "101.0050");
}

// ------------------------------------------------------------ tolerances

namespace {

const char* const kDepassee = "Tol\xe9rance d\xe9pass\xe9" "e";

// The texts of a row, with the verdict cell when one is expected.
std::vector<std::string> avecVerdict(std::vector<std::string> t, bool depassee) {
  if (depassee) t.push_back(kDepassee);
  return t;
}

}  // namespace

// Each misclosure is followed by its tolerance with its unit; the one
// beyond its tolerance says so beside it.
TEST(RapportFerme, TolerancesEtVerdict) {
  struct Cas {
    const char* pourquoi;
    int unite;
    double faute;     // gr, on the angle at C
    double distance;  // of leg C-D, 100 when exact
    const char* tolerance;
    const char* symbole;
    bool angle, lineaire;
  };
  const Cas cas[] = {
      {"within", 0, 0.004, 100, "0.0090", "gr", false, false},
      {"10 mgr", 0, 0.010, 100, "0.0090", "gr", true, false},
      {"10 mgr in degrees", 1, 0.010, 100, "0.0081", "\xb0", true, false},
      {"10 mgr in radians", 2, 0.010, 100, "0.0001", "rad", true, false},
      {"10 cm on a leg", 0, 0, 100.1, "0.0090", "gr", false, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const double f = (c.unite == 0 ? 400.0 : c.unite == 1 ? 360.0 : 2 * 3.14159265358979323846) / 400;
    auto obs = carre(0);
    for (auto& o : obs) o.angle *= f;
    obs[2].angle += c.faute * f;
    obs[2].distance = c.distance;
    const auto mesurees = obs;
    const ResultatPolygonaleFermee r = calculerPolygonaleFermee(kDepartCarre, 0, c.unite, obs);
    ASSERT_TRUE(r.ok) << r.message;
    htmlDocument doc;
    rapportPolygonaleFermee(doc, kDepartCarre, 0, mesurees, r);
    const auto& b = doc.bodyFragments();
    ASSERT_EQ(b.size(), 15u);

    char erreur[80];
    std::snprintf(erreur, sizeof erreur, "<P CLASS=petit>\r\nErreur angulaire=%.5f%s</P>", r.erreurAngulaire,
                  c.angle ? "\tTol\xe9rance d\xe9pass\xe9" "e" : "");
    EXPECT_EQ(b[6], erreur);
    const auto ang = rangees(b[8]);
    ASSERT_EQ(ang.size(), 9u);
    EXPECT_EQ(textes(ang[6]), avecVerdict({"", "", "", "Erreur", f4(r.erreurAngulaire)}, c.angle));
    EXPECT_EQ(textes(ang[8]), (std::vector<std::string>{"", "", "", "Tol\xe9rance", c.tolerance, c.symbole}));
    EXPECT_EQ(ang[8][3].attributs, kGauche);
    EXPECT_EQ(ang[8][4].attributs, kNum);

    const auto dist = rangees(b[10]);
    ASSERT_EQ(dist.size(), 8u);
    EXPECT_EQ(textes(dist[6]),
              avecVerdict({"", "", "", "Erreur lin\xe9" "aire", f4(std::hypot(r.SX, r.SY)), "m"}, c.lineaire));
    EXPECT_EQ(textes(dist[7]), (std::vector<std::string>{"", "", "", "Tol\xe9rance", f4(r.D / 5000), "m"}));
  }
}

TEST(RapportOuvert, TolerancesEtVerdict) {
  // Three angles with the closing one: 4.5 mgr x sqrt(3) = 7.8 mgr; 200 m / 5000 = 0.04 m.
  struct Cas {
    const char* pourquoi;
    double fermeture;  // 100 when exact
    double yFin;       // 1000 when exact
    bool angle, lineaire;
  };
  const Cas cas[] = {
      {"within", 100.003, 1000.02, false, false},
      {"10 mgr", 100.010, 1000.0, true, false},
      {"5 cm at the end", 100.0, 1000.05, false, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const StationPolygonale fin = station(L"E", 1200, c.yFin, 102.01, 0);
    std::vector<obsPolygonale> obs = lignes({{L"P1", 300, 100, 1}, {L"P2", 200, 100, 1}});
    const auto mesurees = obs;
    const ResultatPolygonaleOuverte r = calculerPolygonaleOuverte(kS, fin, c.fermeture, 0, 0, obs);
    ASSERT_TRUE(r.ok) << r.message;
    htmlDocument doc;
    rapportPolygonaleOuverte(doc, kS, fin, c.fermeture, 0, mesurees, r);
    const auto& b = doc.bodyFragments();
    ASSERT_EQ(b.size(), 11u);

    const auto ang = rangees(b[4]);
    ASSERT_EQ(ang.size(), 7u);
    EXPECT_EQ(textes(ang[5]), avecVerdict({"", "Erreur :", f4(r.erreurAngulaire)}, c.angle));
    EXPECT_EQ(textes(ang[6]), (std::vector<std::string>{"", "Tol\xe9rance :", "0.0078", "gr"}));
    EXPECT_EQ(ang[6][1].attributs, kNum);

    const auto dist = rangees(b[6]);
    ASSERT_EQ(dist.size(), 9u);
    EXPECT_EQ(textes(dist[7]), avecVerdict({"", "Erreur lin\xe9" "aire", f4(std::hypot(r.eX, r.eY)), "m"}, c.lineaire));
    EXPECT_EQ(dist[7][0].attributs, "colspan=2");
    EXPECT_EQ(textes(dist[8]), (std::vector<std::string>{"", "Tol\xe9rance", "0.0400", "m"}));
  }
}
