#include "calc/traverse_files.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Jetons = std::vector<std::wstring>;

// A folder of its own for the files a test writes.
struct DossierTemporaire {
  fs::path chemin;
  DossierTemporaire() {
    chemin = fs::temp_directory_path() / ("geltaro-tfiles-" + std::to_string(::getpid()));
    fs::create_directories(chemin);
  }
  ~DossierTemporaire() {
    std::error_code ec;
    fs::remove_all(chemin, ec);
  }
  std::string operator/(const std::string& nom) const { return (chemin / nom).string(); }
};

std::string contenu(const std::string& chemin) {
  std::ifstream f(chemin, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Lines ended by CR LF, as the files hold them.
std::string crlf(const std::vector<std::string>& lignes) {
  std::string out;
  for (const auto& l : lignes) out += l + "\r\n";
  return out;
}

fichierPolygonale lire(const std::string& octets, bool ouverte) {
  fichierPolygonale f;
  lireTextePolygonale(octets, ouverte, f);
  return f;
}

// ---------------------------------------------------------------- tokenizer

TEST(DecouperLigne, Cases) {
  struct Cas {
    std::wstring ligne;
    Jetons attendu;
  } cas[] = {
      {L"", {}},
      {L"* Angles: degres", {}},
      {L"*Nivellement: simple", {}},
      {L"  * x", {L"*", L"x"}},  // only a '*' in the first column makes a comment
      {L"X= 12.5", {L"X", L"12.5"}},
      {L"X:12.5", {L"X", L"12.5"}},
      {L"X 12.5", {L"X", L"12.5"}},
      {L" \t X \t=: 12.5 \t", {L"X", L"12.5"}},
      {L"Nom=\"Borne 12\" X= 1 Y= 2 Z= 3 Gis= 4",
       {L"Nom", L"Borne 12", L"X", L"1", L"Y", L"2", L"Z", L"3", L"Gis", L"4"}},
      {L"\"S1\"\t\t\t12.5\t100\t\t0.3", {L"S1", L"12.5", L"100", L"0.3"}},
      {L"\"\" a", {L"a"}},              // an empty quoted token is not stored
      {L"Nom=\"\" X= 1", {L"Nom", L"X", L"1"}},
      {L"\"a: b=c", {L"a: b=c"}},       // unterminated quote runs to the end
      {L"ab\"c d", {L"ab\"c", L"d"}},   // a quote inside a plain token is plain
      {L"\"a\"b", {L"a", L"b"}},
      {L"\"\"", {}},
  };
  for (const auto& c : cas) {
    Jetons jetons = {L"reste"};
    decouperLigne(c.ligne, kSeparateursPolygonale, jetons);
    EXPECT_EQ(jetons, c.attendu) << std::string(c.ligne.begin(), c.ligne.end());
  }
}

TEST(DecouperLigne, UsesTheGivenSeparators) {
  Jetons jetons;
  decouperLigne(L"a;b c;;\"d;e\"", L";", jetons);
  EXPECT_EQ(jetons, (Jetons{L"a", L"b c", L"d;e"}));
}

// ------------------------------------------------------------ exact layouts

std::vector<std::string> blocUnites(const std::string& unite) {
  return {"* Unit\xE9" "s angulaires",
          "* Syntaxe: ",
          "* Angles : <unit\xE9" " de mesure des angles>",
          "* Avec <unit\xE9" " de mesure des angles> qui \xEA" "tre :",
          "* Grades Degres ou Radians",
          "",
          "",
          "Angles: " + unite};
}

std::vector<std::string> blocNivellement(const std::string& mode) {
  return {"* Mode de calcul du nivellement",
          "* Syntaxe: ",
          "* Nivellement: <Mode de nivellement>",
          "* Avec <Mode de nivellement> qui peut \xEA" "tre",
          "* \taucun\tPour aucune compensation sur les alitutudes",
          "* \tsimple\tPour une compensation simple",
          "* \tdistance\tPour une compensation proportionnelle aux distances entre stations",
          "* \tracine\tPour une compensation proportionnelle aux racines des distances",
          "",
          "",
          "Nivellement: " + mode};
}

const std::vector<std::string> kEnteteDonnees = {"* Donn\xE9" "es de la polygonale",
                                                  "* Nom Station\t\tAngle\t\tDistance\t\tDz"};

void ajouter(std::vector<std::string>& a, const std::vector<std::string>& b) { a.insert(a.end(), b.begin(), b.end()); }

TEST(TexteFichierPolygonale, ClosedLayout) {
  fichierPolygonale f;
  f.depart = {L"S1", 1000, 2000, 100.5, 12.3456789};
  f.unite = kGrades;
  f.nivellement = kNivSimple;
  f.lignes = {{L"S2", L"123.4567", L"45.678", L"0.12"}, {L"\u00C9glise", L"1", L"2", L"-0.5"}};

  std::vector<std::string> l = {"* Fichier de donn\xE9" "es pour calcul de polygonale Ferm\xE9" "e", "",
                                "* Station de depart", "",
                                "Nom=\"S1\" X= 1000.00000 Y= 2000.00000 Z= 100.50000 Gis= 12.34568"};
  ajouter(l, blocUnites("grades"));
  ajouter(l, blocNivellement("simple"));
  ajouter(l, kEnteteDonnees);
  ajouter(l, {"", "\"S2\"\t\t\t123.4567\t45.678\t\t0.12", "", "\"\xC9glise\"\t\t\t1\t2\t\t-0.5"});
  EXPECT_EQ(texteFichierPolygonale(f), crlf(l));
}

TEST(TexteFichierPolygonale, OpenLayoutRepeatsTheLevellingBlock) {
  fichierPolygonale f;
  f.ouverte = true;
  f.depart = {L"A", 1, 2, 3, 4};
  f.arrivee = {L"B", 5, -6, 7, 8.5};
  f.fermeture = 123.45678;
  f.unite = kDegres;
  f.nivellement = kNivAucun;
  f.lignes = {{L"P1", L"90", L"10.5", L"0"}};

  std::vector<std::string> l = {"* Fichier de donn\xE9" "es pour calcul de polygonale Ouverte",
                                "* Station de depart",
                                "",
                                "Depart=\"A\" X= 1.00000 Y= 2.00000 Z= 3.00000 Gis= 4.00000",
                                "",
                                "Arrivee=\"B\" X= 5.00000 Y= -6.00000 Z= 7.00000 Gis= 8.50000",
                                "",
                                "Fermeture: 123.4568"};
  ajouter(l, blocUnites("degres"));
  ajouter(l, blocNivellement("aucun"));
  l.push_back("");
  ajouter(l, kEnteteDonnees);
  l.push_back("");
  ajouter(l, blocNivellement("aucun"));
  l.push_back("");
  ajouter(l, kEnteteDonnees);
  ajouter(l, {"", "\"P1\"\t\t\t90\t10.5\t\t0"});
  EXPECT_EQ(texteFichierPolygonale(f), crlf(l));
}

TEST(TexteFichierPolygonale, TextsGoThroughWindows1252) {
  fichierPolygonale f;
  f.depart.nom = L"\u20AC\u4E2D";  // the euro sign exists in the code page, the ideograph does not
  f.lignes = {{L"\u0152uvre", L"1", L"2", L"3"}};
  std::string t = texteFichierPolygonale(f);
  EXPECT_NE(t.find("Nom=\"\x80?\""), std::string::npos);
  EXPECT_NE(t.find("\"\x8Cuvre\""), std::string::npos);
  fichierPolygonale r = lire(t, false);
  EXPECT_EQ(r.depart.nom, L"\u20AC?");
  ASSERT_EQ(r.lignes.size(), 1u);
  EXPECT_EQ(r.lignes[0].nom, L"\u0152uvre");
}

// ------------------------------------------------------------- round trips

TEST(FichierPolygonale, ClosedFileWrittenAndReadBack) {
  DossierTemporaire dossier;
  fichierPolygonale f;
  f.depart = {L"Borne 12", 652310.12345, 6862100.5, 45.25, 387.1234};
  f.unite = kDegres;
  f.nivellement = kNivRacine;
  f.lignes = {{L"S2", L"123.45670", L"45.67800", L"0.12000"},
              {L"Un nom bien trop long pour la liste", L"200", L"12.5", L"-1.25"},
              {L"Av. Gare 3", L"399.9999", L"0.001", L"0"}};
  std::string chemin = dossier / "fermee.obs";
  ASSERT_TRUE(ecrireFichierPolygonale(chemin, f));

  fichierPolygonale r;
  r.lignes = {{L"ancienne", L"1", L"2", L"3"}};
  ASSERT_TRUE(lireFichierPolygonale(chemin, false, r));
  EXPECT_FALSE(r.ouverte);
  EXPECT_EQ(r.unite, kDegres);
  EXPECT_EQ(r.nivellement, kNivRacine);
  EXPECT_EQ(r.depart.nom, L"Borne 12");
  EXPECT_NEAR(r.depart.x, 652310.12345, 1e-6);
  EXPECT_NEAR(r.depart.y, 6862100.5, 1e-6);
  EXPECT_NEAR(r.depart.z, 45.25, 1e-6);
  EXPECT_NEAR(r.depart.gis, 387.1234, 1e-6);
  ASSERT_EQ(r.lignes.size(), 3u);
  EXPECT_EQ(r.lignes[0].nom, L"S2");
  EXPECT_EQ(r.lignes[0].angle, L"123.45670");
  EXPECT_EQ(r.lignes[0].distance, L"45.67800");
  EXPECT_EQ(r.lignes[0].dz, L"0.12000");
  EXPECT_EQ(r.lignes[1].nom, L"Un nom bien trop l");  // cut to 18 characters
  EXPECT_EQ(r.lignes[1].dz, L"-1.25");
  EXPECT_EQ(r.lignes[2].nom, L"Av. Gare 3");
  EXPECT_EQ(r.lignes[2].angle, L"399.9999");
}

TEST(FichierPolygonale, OpenFileWrittenAndReadBack) {
  DossierTemporaire dossier;
  fichierPolygonale f;
  f.ouverte = true;
  f.depart = {L"D\u00E9part", 100, 200, 10, 1.2345};
  f.arrivee = {L"Arriv\u00E9e", 300, 400, 20, 5.4321};
  f.fermeture = 2.5;
  f.unite = kRadians;
  f.nivellement = kNivDistance;
  f.lignes = {{L"P1", L"3.14159", L"150.2", L"1.5"}};
  std::string chemin = dossier / "ouverte.obs";
  ASSERT_TRUE(ecrireFichierPolygonale(chemin, f));

  fichierPolygonale r;
  ASSERT_TRUE(lireFichierPolygonale(chemin, true, r));
  EXPECT_TRUE(r.ouverte);
  EXPECT_EQ(r.unite, kRadians);
  EXPECT_EQ(r.nivellement, kNivDistance);
  EXPECT_DOUBLE_EQ(r.fermeture, 2.5);
  EXPECT_EQ(r.depart.nom, L"D\u00E9part");
  EXPECT_EQ(r.arrivee.nom, L"Arriv\u00E9e");
  EXPECT_DOUBLE_EQ(r.depart.x, 100);
  EXPECT_DOUBLE_EQ(r.depart.gis, 1.2345);
  EXPECT_DOUBLE_EQ(r.arrivee.y, 400);
  EXPECT_DOUBLE_EQ(r.arrivee.z, 20);
  EXPECT_DOUBLE_EQ(r.arrivee.gis, 5.4321);
  ASSERT_EQ(r.lignes.size(), 1u);
  EXPECT_EQ(r.lignes[0].angle, L"3.14159");
}

// ------------------------------------------------------------- reader rules

TEST(LireTextePolygonale, LaterLevellingLineWins) {
  std::string t = crlf({"Nivellement: simple", "* Nivellement: distance", "NIVELLEMENT = racine"});
  EXPECT_EQ(lire(t, true).nivellement, kNivRacine);
}

TEST(LireTextePolygonale, KeywordsByUpperCasedPrefix) {
  struct Cas {
    const char* ligne;
    int unite, nivellement;  // -1: unchanged (the start values are 9)
  } cas[] = {
      {"Angles: degres", kDegres, -1},        {"ANGLES=RADIANS", kRadians, -1},
      {"angl grades", kGrades, -1},           {"Angles: DEG", kDegres, -1},
      {"Angles: Degr\xE9s", kDegres, -1},     {"Angles: rad", kRadians, -1},
      {"Angles: x", kGrades, -1},             {"Ang: degres", -1, -1},
      {"Angle\t\"radians\"", kRadians, -1},   {"Nivellement: Simple", -1, kNivSimple},
      {"NIVE distance", -1, kNivDistance},    {"nivel: racine", -1, kNivRacine},
      {"Nivellement: autre", -1, kNivAucun},  {"Niv: simple", -1, -1},
      {"Angles: degres radians", -1, -1},     {"* Angles: degres", -1, -1},
  };
  for (const auto& c : cas) {
    fichierPolygonale f;
    f.unite = 9;
    f.nivellement = 9;
    lireTextePolygonale(crlf({c.ligne}), false, f);
    EXPECT_EQ(f.unite, c.unite < 0 ? 9 : c.unite) << c.ligne;
    EXPECT_EQ(f.nivellement, c.nivellement < 0 ? 9 : c.nivellement) << c.ligne;
  }
}

TEST(LireTextePolygonale, ClosingAngleOnlyInOpenFiles) {
  EXPECT_DOUBLE_EQ(lire(crlf({"Fermeture: 12.75"}), true).fermeture, 12.75);
  EXPECT_DOUBLE_EQ(lire(crlf({"FERM=-3e2"}), true).fermeture, -300);
  EXPECT_DOUBLE_EQ(lire(crlf({"Fermeture: 12.75"}), false).fermeture, 0);
  // Numbers as the C run-time reads them: the numeric prefix, 0 for no number.
  EXPECT_DOUBLE_EQ(lire(crlf({"Fermeture: 12,5"}), true).fermeture, 12);
  EXPECT_DOUBLE_EQ(lire(crlf({"Fermeture: abc"}), true).fermeture, 0);
  EXPECT_DOUBLE_EQ(lire(crlf({"Fermeture: +7.5m"}), true).fermeture, 7.5);
}

TEST(LireTextePolygonale, RowsNeedExactlyFourTokens) {
  std::string t = crlf({"\"S1\"\t\t\t10\t20\t\t0.5", "S2 10 20", "S3 10 20 30 40", "* S4 1 2 3", "S5 1 2 3"});
  fichierPolygonale f = lire(t, false);
  ASSERT_EQ(f.lignes.size(), 2u);
  EXPECT_EQ(f.lignes[0].nom, L"S1");
  EXPECT_EQ(f.lignes[0].dz, L"0.5");  // no line-end character kept
  EXPECT_EQ(f.lignes[1].nom, L"S5");
  // Rows keep the texts read, numbers or not.
  EXPECT_EQ(f.lignes[1].angle, L"1");
}

TEST(LireTextePolygonale, LineEndsLfOrCrLf) {
  fichierPolygonale f = lire("Angles: radians\nS1 1 2 3\r\nS2 4 5 6", false);
  EXPECT_EQ(f.unite, kRadians);
  ASSERT_EQ(f.lignes.size(), 2u);
  EXPECT_EQ(f.lignes[0].dz, L"3");
  EXPECT_EQ(f.lignes[1].dz, L"6");
}

TEST(LireTextePolygonale, StationLines) {
  // Closed: the name and values as met, a blank kept inside the quotes.
  fichierPolygonale f = lire(crlf({"Nom=\"Borne 12\" X= 1.5 Y= 2,5 Z= z Gis= 100"}), false);
  EXPECT_EQ(f.depart.nom, L"Borne 12");
  EXPECT_DOUBLE_EQ(f.depart.x, 1.5);
  EXPECT_DOUBLE_EQ(f.depart.y, 2);
  EXPECT_DOUBLE_EQ(f.depart.z, 0);
  EXPECT_DOUBLE_EQ(f.depart.gis, 100);
  // Open keys are ignored in a closed file, and the closed key in an open one.
  EXPECT_EQ(lire(crlf({"Depart=\"A\" X= 1 Y= 2 Z= 3 Gis= 4"}), false).depart.nom, L"");

  fichierPolygonale o;
  o.depart.nom = L"gard\u00E9";
  lireTextePolygonale(crlf({"Nom=\"N\" X= 1 Y= 2 Z= 3 Gis= 4", "x 9 y 8 z 7 g 6 q 5"}), true, o);
  EXPECT_EQ(o.depart.nom, L"gard\u00E9");  // no D or A key: the numbers are dropped
  EXPECT_DOUBLE_EQ(o.depart.x, 0);
  EXPECT_DOUBLE_EQ(o.arrivee.x, 0);

  // Both keys on one line: the later one takes the numbers.
  o = lire(crlf({"Depart=\"A\" X= 1 Y= 2 Arrivee=\"B\" Gis= 4"}), true);
  EXPECT_EQ(o.depart.nom, L"A");
  EXPECT_EQ(o.arrivee.nom, L"B");
  EXPECT_DOUBLE_EQ(o.depart.x, 0);
  EXPECT_DOUBLE_EQ(o.arrivee.x, 1);
  EXPECT_DOUBLE_EQ(o.arrivee.y, 2);
  EXPECT_DOUBLE_EQ(o.arrivee.gis, 4);
  // An empty quoted name is no token: the nine tokens left are still the
  // station's line, with an empty name. Other lines of nine tokens are not.
  f = lire(crlf({"Nom=\"\" X= 1 Y= 2 Z= 3 Gis= 4"}), false);
  EXPECT_EQ(f.depart.nom, L"");
  EXPECT_DOUBLE_EQ(f.depart.x, 1);
  EXPECT_DOUBLE_EQ(f.depart.gis, 4);
  EXPECT_DOUBLE_EQ(lire(crlf({"X= 1 Y= 2 Z= 3 Gis= 4 Nom"}), false).depart.x, 0);
  EXPECT_DOUBLE_EQ(lire(crlf({"Depart=\"\" X= 1 Y= 2 Z= 3 Gis= 4"}), false).depart.x, 0);
  o = lire(crlf({"Arrivee=\"\" X= 5 Y= 6 Z= 7 Gis= 8"}), true);
  EXPECT_DOUBLE_EQ(o.arrivee.x, 5);
  EXPECT_DOUBLE_EQ(o.depart.x, 0);
}

// Stations without a name, saved and read back, keep their coordinates
// (found by fuzzing: an open file read as a closed one, saved, lost them).
TEST(FichierPolygonale, StationsWithoutANameReadBack) {
  for (bool ouverte : {false, true}) {
    SCOPED_TRACE(ouverte ? "open" : "closed");
    fichierPolygonale f;
    f.ouverte = ouverte;
    f.depart = {L"", 1000.5, 2000.25, 100, 50};
    f.arrivee = {L"", 1300, 2050, 101, 120};
    f.lignes = {{L"S2", L"300", L"100", L"1.0"}};
    const fichierPolygonale lu = lire(texteFichierPolygonale(f), ouverte);
    EXPECT_DOUBLE_EQ(lu.depart.x, 1000.5);
    EXPECT_DOUBLE_EQ(lu.depart.y, 2000.25);
    EXPECT_DOUBLE_EQ(lu.depart.gis, 50);
    if (ouverte) {
      EXPECT_DOUBLE_EQ(lu.arrivee.x, 1300);
      EXPECT_DOUBLE_EQ(lu.arrivee.gis, 120);
    }
    EXPECT_EQ(texteFichierPolygonale(lu), texteFichierPolygonale(f));
  }
}

TEST(LireTextePolygonale, ResetsRowsAndStationsKeepsTheRest) {
  fichierPolygonale f;
  f.unite = kRadians;
  f.nivellement = kNivSimple;
  f.fermeture = 5;
  f.depart = {L"ancien", 1, 2, 3, 4};
  f.arrivee = {L"fin", 5, 6, 7, 8};
  f.lignes = {{L"a", L"1", L"2", L"3"}};

  fichierPolygonale ouverte = f;
  lireTextePolygonale(crlf({"* rien"}), true, ouverte);
  EXPECT_TRUE(ouverte.lignes.empty());
  EXPECT_EQ(ouverte.depart.nom, L"ancien");  // open files keep the station names
  EXPECT_EQ(ouverte.arrivee.nom, L"fin");
  EXPECT_DOUBLE_EQ(ouverte.depart.x + ouverte.depart.gis + ouverte.arrivee.y + ouverte.arrivee.z, 0);
  EXPECT_EQ(ouverte.unite, kRadians);
  EXPECT_EQ(ouverte.nivellement, kNivSimple);
  EXPECT_DOUBLE_EQ(ouverte.fermeture, 5);

  fichierPolygonale fermee = f;
  lireTextePolygonale("", false, fermee);
  EXPECT_TRUE(fermee.lignes.empty());
  EXPECT_EQ(fermee.depart.nom, L"");
  EXPECT_DOUBLE_EQ(fermee.depart.z, 0);
  EXPECT_EQ(fermee.unite, kRadians);
}

TEST(LireTextePolygonale, OverlongLinesAreSkippedWhole) {
  std::string limite = "S1 1 2 3" + std::string(1023 - 8, ' ');
  // Read whole, this line would be a row.
  std::string rangee = "S2 1 2" + std::string(1100, ' ') + "3";
  // Read in 1023-character pieces, this one would give a row and a keyword.
  std::string morceaux = "S4 1 2 3" + std::string(1015, ' ') + "Angles: radians";
  ASSERT_EQ(limite.size(), 1023u);
  fichierPolygonale f = lire(crlf({limite, rangee, morceaux, "S3 4 5 6"}), false);
  ASSERT_EQ(f.lignes.size(), 2u);
  EXPECT_EQ(f.lignes[0].nom, L"S1");
  EXPECT_EQ(f.lignes[1].nom, L"S3");
  EXPECT_EQ(f.unite, kGrades);
}

TEST(LireFichierPolygonale, MissingFileLeavesTheDataAlone) {
  DossierTemporaire dossier;
  fichierPolygonale f;
  f.depart = {L"S", 1, 2, 3, 4};
  f.lignes = {{L"a", L"1", L"2", L"3"}};
  EXPECT_FALSE(lireFichierPolygonale(dossier / "absent.obs", false, f));
  EXPECT_EQ(f.depart.nom, L"S");
  EXPECT_DOUBLE_EQ(f.depart.x, 1);
  EXPECT_EQ(f.lignes.size(), 1u);
}

TEST(EcrireFichierPolygonale, FailsWhenTheFileCannotBeCreated) {
  DossierTemporaire dossier;
  fichierPolygonale f;
  EXPECT_FALSE(ecrireFichierPolygonale(dossier / "absent/f.obs", f));
  EXPECT_FALSE(ecrireFichierPolygonale(dossier.chemin.string(), f));  // a folder
  EXPECT_FALSE(fs::exists(dossier / "absent"));
}

TEST(EcrireFichierPolygonale, TruncatesAnExistingFile) {
  DossierTemporaire dossier;
  std::string chemin = dossier / "f.obs";
  { std::ofstream(chemin) << std::string(20000, 'x'); }
  fichierPolygonale f;
  ASSERT_TRUE(ecrireFichierPolygonale(chemin, f));
  EXPECT_EQ(contenu(chemin), texteFichierPolygonale(f));
}

// ------------------------------------------------------------------- paths

TEST(CheminFichierPolygonale, ExtensionByFilter) {
  struct Cas {
    const char* chemin;
    int filtre;
    const char* attendu;
  } cas[] = {
      {"/home/u/Trav", kFiltreObservations, "/home/u/Trav.obs"},
      {"/home/u/Trav.obs", kFiltreObservations, "/home/u/Trav.obs"},
      {"/home/u/Trav.OBS", kFiltreObservations, "/home/u/Trav.OBS"},  // the user's case is kept
      {"/home/u/Trav.txt", kFiltreObservations, "/home/u/Trav.txt.obs"},
      {"/home/u/Trav", kFiltreTexte, "/home/u/Trav.txt"},
      {"/home/u/Trav.TXT", kFiltreTexte, "/home/u/Trav.TXT"},
      // "Sans extension" and "Tous": the name as typed, never with a trailing '.'.
      {"/home/u/Trav", kFiltreSansExtension, "/home/u/Trav"},
      {"/home/u/Trav.", kFiltreSansExtension, "/home/u/Trav"},
      {"/home/u/Trav..", kFiltreSansExtension, "/home/u/Trav"},
      {"/home/u.v/Trav", kFiltreSansExtension, "/home/u.v/Trav"},
      {"/home/u/Trav.dat", kFiltreTous, "/home/u/Trav.dat"},
      {"/home/u/polyg.txt", kFiltreTous, "/home/u/polyg.txt"},
      {"/home/u/Trav.", kFiltreTous, "/home/u/Trav"},
      {"/home/u/Trav.", kFiltreObservations, "/home/u/Trav..obs"},
      {"/home/u/Trav.", kFiltreTexte, "/home/u/Trav..txt"},
      {"/home/u/Trav", 0, "/home/u/Trav.obs"},
      {"/home/u.v/Trav", 0, "/home/u.v/Trav.obs"},  // a dotted folder is no extension
      {"/home/u/Trav.dat", 0, "/home/u/Trav.dat"},
  };
  for (const auto& c : cas) EXPECT_EQ(cheminFichierPolygonale(c.chemin, c.filtre), c.attendu) << c.chemin << " " << c.filtre;
}

}  // namespace
