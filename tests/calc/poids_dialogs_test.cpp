// The weight dialogs and the formula files: fixed weights, the formula
// dialog (verify, constants, example, files), the file layout, damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "calc/formule_fichier.hpp"
#include "calc/poids_dialogs.hpp"
#include "host/ui/session.hpp"
#include "support/temp_folder.hpp"

namespace fs = std::filesystem;
using host::ui::Edit;
using host::ui::IDCANCEL;
using host::ui::IDOK;
using host::ui::ListView;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

fs::path dossier() { return geltaro::testing::dossierDeTest("geltaro-poids-dialogs"); }

std::string chemin(const std::string& nom) {
  std::error_code ec;
  fs::remove_all(dossier() / nom, ec);
  return (dossier() / nom).string();
}

std::string contenu(const std::string& fichier) {
  std::ifstream in(fichier, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ecrire(const std::string& fichier, const std::string& octets) {
  std::ofstream out(fichier, std::ios::binary | std::ios::trunc);
  out << octets;
}

// A, B known; C computed. An angle A->C with reference B, a bearing B->C,
// a distance A-C with a fixed weight, a height difference.
reseauMoindresCarres reseau() {
  reseauMoindresCarres r;
  r.points = {{0, 0, 10, true, true, L"A"}, {100, 0, 12, true, true, L"B"}, {50, 50, kValeurAbsente, false, false, L"C"}};
  r.observations = {
      {kValeurAbsente, 50 * std::numbers::pi / 200, kObsAngle, 0, 2, 1},
      {kValeurAbsente, 350 * std::numbers::pi / 200, kObsAngle, 1, 2, -1},
      {4, 70.7107, kObsDistance, 0, 2, -1},
      {kValeurAbsente, 1.5, kObsDenivelee, 0, 2, -1},
  };
  return r;
}

formulesPoids exemple() {
  formulesPoids f;
  f.libelle = L"essai";
  f.fixerFormule(genreFormule::angle, L"1/(k*d1)");
  f.fixerFormule(genreFormule::gisement, L"ang/100");
  f.fixerFormule(genreFormule::distance, L"1/(s^2+d1*ppm)");
  EXPECT_TRUE(f.ajouterConstante({L"k", 2, L"facteur"}));
  EXPECT_TRUE(f.ajouterConstante({L"s", 0.002, L"écart type"}));
  EXPECT_TRUE(f.ajouterConstante({L"ppm", 1e-6, L""}));
  return f;
}

void memesFormules(const formulesPoids& a, const formulesPoids& b) {
  EXPECT_EQ(a.libelle, b.libelle);
  for (genreFormule g : {genreFormule::angle, genreFormule::gisement, genreFormule::distance})
    EXPECT_EQ(a.formule(g), b.formule(g));
  ASSERT_EQ(a.constantes().size(), b.constantes().size());
  for (std::size_t i = 0; i < a.constantes().size(); ++i) {
    EXPECT_EQ(a.constantes()[i].nom, b.constantes()[i].nom);
    EXPECT_EQ(a.constantes()[i].valeur, b.constantes()[i].valeur);
    EXPECT_EQ(a.constantes()[i].commentaire, b.constantes()[i].commentaire);
  }
}

std::vector<std::string> colonne(const ListView& l, int c) {
  std::vector<std::string> out;
  for (int i = 0; i < l.rowCount(); ++i) out.push_back(l.cell(i, c));
  return out;
}

// ------------------------------------------------------------ files

TEST(FichierFormules, Disposition) {
  formulesPoids f;
  f.libelle = L"é";
  f.fixerFormule(genreFormule::distance, L"d1");
  ASSERT_TRUE(f.ajouterConstante({L"k", 0.5, L""}));
  const std::string fichier = chemin("disposition.fmc");
  ASSERT_EQ(ecrireFichierFormules(fichier, f), resultatFichierFormules::ok);
  auto texte = [](const std::string& t) {
    return std::string("ci") + char(t.size()) + std::string(3, '\0') + "b" + t + '\0';
  };
  std::string attendu = std::string("i\x39\x30\0\0", 5) + texte("\xe9") + texte("1.0") + texte("1.0") + texte("d1") +
                        texte("d1") + std::string("i\x01\0\0\0", 5) + texte("k") +
                        std::string("d\0\0\0\0\0\0\xe0\x3f", 9) + texte("");
  EXPECT_EQ(contenu(fichier), attendu);
}

TEST(FichierFormules, AllerRetour) {
  const formulesPoids f = exemple();
  const std::string fichier = chemin("aller.fmc");
  ASSERT_EQ(ecrireFichierFormules(fichier, f), resultatFichierFormules::ok);
  formulesPoids lu;
  ASSERT_TRUE(lu.ajouterConstante({L"autre", 1, L""}));  // replaced, not merged
  ASSERT_EQ(lireFichierFormules(fichier, lu), resultatFichierFormules::ok);
  memesFormules(lu, f);
  EXPECT_NEAR(*lu.evaluer(genreFormule::distance, {1000, 0, 0, 0}), 1 / (4e-6 + 1e-3), 1e-9);
}

TEST(FichierFormules, SecondeFormuleDistanceEtVariablesObservation) {
  // Written by hand: two different distance formulas, a constant named as
  // an observation variable and a constant met twice.
  auto texte = [](const std::string& t) {
    return std::string("ci") + char(t.size()) + std::string(3, '\0') + "b" + t + '\0';
  };
  auto reel = [](double v) {
    std::string s("d");
    s.append(reinterpret_cast<const char*>(&v), 8);
    return s;
  };
  const std::string octets = std::string("i\x39\x30\0\0", 5) + texte("") + texte("a") + texte("g") + texte("premiere") +
                             texte("k") + std::string("i\x03\0\0\0", 5) + texte("ANG") + reel(1) + texte("") +
                             texte("k") + reel(2) + texte("x") + texte("K") + reel(3) + texte("y");
  const std::string fichier = chemin("main.fmc");
  ecrire(fichier, octets);
  formulesPoids lu;
  ASSERT_EQ(lireFichierFormules(fichier, lu), resultatFichierFormules::ok);
  EXPECT_EQ(lu.formule(genreFormule::distance), L"k");
  ASSERT_EQ(lu.constantes().size(), 1u);
  EXPECT_EQ(lu.constantes()[0].nom, L"K");
  EXPECT_EQ(lu.constantes()[0].valeur, 3);
}

TEST(FichierFormules, FichiersEndommages) {
  const formulesPoids f = exemple();
  const std::string bon = chemin("bon.fmc");
  ASSERT_EQ(ecrireFichierFormules(bon, f), resultatFichierFormules::ok);
  const std::string octets = contenu(bon);
  const std::string fichier = chemin("abime.fmc");

  // Every truncation is refused and leaves the formulas as they were.
  for (std::size_t n = 0; n < octets.size(); ++n) {
    ecrire(fichier, octets.substr(0, n));
    formulesPoids lu = exemple();
    lu.fixerFormule(genreFormule::angle, L"d2");
    ASSERT_EQ(lireFichierFormules(fichier, lu), resultatFichierFormules::contenu) << n;
    EXPECT_EQ(lu.formule(genreFormule::angle), L"d2") << n;
  }

  const std::size_t compte = octets.find(std::string("i\x03\0\0\0", 5));
  ASSERT_NE(compte, std::string::npos);
  struct Cas {
    const char* quoi;
    std::string octets;
  } cas[] = {
      {"controle", std::string("i\x3a\x30\0\0", 5) + octets.substr(5)},
      {"compte absurde", octets.substr(0, compte) + std::string("i\xff\xff\xff\x7f", 5) + octets.substr(compte + 5)},
      {"compte negatif", octets.substr(0, compte) + std::string("i\xff\xff\xff\xff", 5) + octets.substr(compte + 5)},
      {"pas un entier", "d" + octets.substr(1)},
      {"nom illisible", octets.substr(0, compte + 5) + std::string("ci\x02\0\0\0b1a\0", 10) + octets.substr(compte + 5 + 9)},
  };
  for (const Cas& c : cas) {
    ecrire(fichier, c.octets);
    formulesPoids lu;
    EXPECT_EQ(lireFichierFormules(fichier, lu), resultatFichierFormules::contenu) << c.quoi;
    EXPECT_TRUE(lu.constantes().empty()) << c.quoi;
  }

  formulesPoids lu;
  EXPECT_EQ(lireFichierFormules(chemin("absent.fmc"), lu), resultatFichierFormules::ouverture);
  EXPECT_EQ(ecrireFichierFormules((dossier() / "pas-de-dossier" / "x.fmc").string(), f), resultatFichierFormules::creation);
  EXPECT_EQ(messageFichierFormules(resultatFichierFormules::ouverture), "Erreur ouverture de fichier");
  EXPECT_EQ(messageFichierFormules(resultatFichierFormules::contenu), "Erreur dans le fichier");
  EXPECT_EQ(messageFichierFormules(resultatFichierFormules::creation), "Erreur création de fichier");
}

TEST(FichierFormules, TexteTropLongPourEtreRelu) {
  // The reader takes texts of at most 255 characters: a longer formula is
  // refused before the file is touched, not written unreadable.
  const std::string fichier = chemin("long.fmc");
  ecrire(fichier, "avant");
  formulesPoids f;
  std::wstring formule = L"1";
  while (formule.size() < 300) formule += L"+1";
  f.fixerFormule(genreFormule::angle, formule);
  EXPECT_EQ(ecrireFichierFormules(fichier, f), resultatFichierFormules::creation);
  EXPECT_EQ(contenu(fichier), "avant");
  f.fixerFormule(genreFormule::angle, formule.substr(0, 255));
  ASSERT_EQ(ecrireFichierFormules(fichier, f), resultatFichierFormules::ok);
  formulesPoids lu;
  ASSERT_EQ(lireFichierFormules(fichier, lu), resultatFichierFormules::ok);
  EXPECT_EQ(lu.formule(genreFormule::angle), formule.substr(0, 255));
}

// ------------------------------------------------------------ weight table

TEST(TabPoidsObse, ListeEtPoidsFixes) {
  reseauMoindresCarres r = reseau();
  formulesPoids f;
  CDlgTabPoidsObse d(r, f);
  d.init();
  EXPECT_EQ(d.title(), "Poids des observations");
  const auto& liste = d.get<ListView>(CDlgTabPoidsObse::kListe);
  std::vector<std::string> entetes;
  for (const auto& c : liste.columns()) entetes.push_back(c.header);
  EXPECT_EQ(entetes, (std::vector<std::string>{"Type", "Stat", "Mesure", "Poids"}));
  EXPECT_EQ(colonne(liste, 0), (std::vector<std::string>{"Angle", "Gisement", "Distance", "Dénivellée"}));
  EXPECT_EQ(colonne(liste, 1), (std::vector<std::string>{"A-C (B)", "B-C", "A-C", "A-C"}));
  EXPECT_EQ(colonne(liste, 2), (std::vector<std::string>{"50.0000", "350.0000", "70.7107", "1.5000"}));
  EXPECT_EQ(colonne(liste, 3), (std::vector<std::string>{"* calc *", "* calc *", "4.0000", "* calc *"}));

  struct Cas {
    std::vector<int> lignes;
    const char* saisi;
    std::vector<std::string> attendu;
  } cas[] = {
      {{0, 1}, "-2.5", {"2.5000", "2.5000", "4.0000", "* calc *"}},
      {{1}, "", {"2.5000", "* calc *", "4.0000", "* calc *"}},
      {{2, 3}, "0,125", {"2.5000", "* calc *", "0.1250", "0.1250"}},
      {{3}, "0", {"2.5000", "* calc *", "0.1250", "* calc *"}},
      {{0}, "1e38", {"* calc *", "* calc *", "0.1250", "* calc *"}},
      {{}, "7", {"* calc *", "* calc *", "0.1250", "* calc *"}},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(d.userSelect(CDlgTabPoidsObse::kListe, c.lignes), "");
    EXPECT_EQ(d.userSetText(CDlgTabPoidsObse::kPoids, c.saisi), "");
    EXPECT_EQ(d.userPress(CDlgTabPoidsObse::kFixer), "");
    EXPECT_EQ(colonne(liste, 3), c.attendu) << c.saisi;
  }
  // Not a number: refused, nothing changes.
  {
    Session s("");
    d.userSelect(CDlgTabPoidsObse::kListe, {0, 1, 2, 3});
    d.userSetText(CDlgTabPoidsObse::kPoids, "lourd");
    d.userPress(CDlgTabPoidsObse::kFixer);
    EXPECT_TRUE(contains(s.out(), "[Erreur] (attention) Entrez un nombre.")) << s.out();
    EXPECT_EQ(colonne(liste, 3), cas[5].attendu);
  }
  // The network is untouched until OK.
  EXPECT_EQ(r.observations[2].poids, 4);
  EXPECT_EQ(d.userOk(), "");
  EXPECT_EQ(r.observations[0].poids, kValeurAbsente);
  EXPECT_EQ(r.observations[2].poids, 0.125);
  EXPECT_EQ(r.observations[3].poids, kValeurAbsente);
}

TEST(TabPoidsObse, AnnulerNeChangeRien) {
  reseauMoindresCarres r = reseau();
  formulesPoids f;
  CDlgTabPoidsObse d(r, f);
  d.init();
  d.userSelect(CDlgTabPoidsObse::kListe, {0, 2});
  d.userSetText(CDlgTabPoidsObse::kPoids, "9");
  d.userPress(CDlgTabPoidsObse::kFixer);
  d.userCancel();
  EXPECT_EQ(r.observations[0].poids, kValeurAbsente);
  EXPECT_EQ(r.observations[2].poids, 4);
}

TEST(TabPoidsObse, FormulesDepuisLaTable) {
  reseauMoindresCarres r = reseau();
  formulesPoids f;
  CDlgTabPoidsObse d(r, f);
  d.init();
  // The formula dialog runs from the console: a formula typed, verified, OK.
  Session s("set 2401 2*D1 ^2\npress 2402\nset 2405 1/(\npress 2406\nok\n");
  EXPECT_EQ(d.userPress(CDlgTabPoidsObse::kFormules), "");
  EXPECT_EQ(s.rest(), "");
  EXPECT_TRUE(contains(s.out(), "Formules poids des observations")) << s.out();
  EXPECT_TRUE(contains(s.out(), "[Angles] OK : ( 2.0000 * ( d1 ^ 2.0000 ) )\n")) << s.out();
  EXPECT_TRUE(contains(s.out(), "[Distances] Erreur dans la formule : ( 1.0000 / #ERR )\n")) << s.out();
  EXPECT_EQ(f.formule(genreFormule::angle), L"2*D1 ^2");
  EXPECT_EQ(f.formule(genreFormule::distance), L"1/(");
  EXPECT_DOUBLE_EQ(*f.evaluer(genreFormule::angle, {3, 0, 0, 0}), 18);
}

// ------------------------------------------------------------ formulas

class DialogueFormules : public testing::Test {
 protected:
  std::unique_ptr<CDlgFormulePoids> ouvrir() {
    auto d = std::make_unique<CDlgFormulePoids>(f_);
    d->init();
    return d;
  }
  static const ListView& liste(const CDlgFormulePoids& d) { return d.get<ListView>(CDlgFormulePoids::kVariables); }
  formulesPoids f_;
};

TEST_F(DialogueFormules, Ouverture) {
  ASSERT_TRUE(f_.ajouterConstante({L"k", 2.5, L"facteur"}));
  auto d = ouvrir();
  EXPECT_EQ(d->title(), "Formules poids des observations");
  for (int id : {CDlgFormulePoids::kAngles, CDlgFormulePoids::kGisements, CDlgFormulePoids::kDistances})
    EXPECT_EQ(d->get<Edit>(id).text(), "1.0");
  const auto& l = liste(*d);
  EXPECT_EQ(colonne(l, 0), (std::vector<std::string>{"ang", "d1", "d2", "d3", "k"}));
  EXPECT_EQ(colonne(l, 1), (std::vector<std::string>{"* obs *", "* obs *", "* obs *", "* obs *", "2.5"}));
  EXPECT_EQ(l.cell(1, 2), "Distance station - Point visé");
  EXPECT_EQ(l.cell(4, 2), "facteur");
  EXPECT_EQ(d->findByCaption("Vérifer").size(), 3u);
}

TEST_F(DialogueFormules, AjouterModifierSupprimer) {
  auto d = ouvrir();
  {
    // Refused names and values are asked again; then a valid definition.
    Session s("set 2501 ang\nok\nset 2501 k2\nok\nset 2501 k\nset 2502 x\nok\nset 2502 2,5\nset 2503 facteur\nok\n");
    EXPECT_EQ(d->userPress(CDlgFormulePoids::kAjouter), "");
    EXPECT_EQ(s.rest(), "");
    EXPECT_TRUE(contains(s.out(), "Ce nom est celui d'une variable des observations")) << s.out();
    EXPECT_TRUE(contains(s.out(), "Le nom de la variable ne doit contenir que des lettres"));
    EXPECT_TRUE(contains(s.out(), "Entrez un nombre."));
  }
  {
    Session s("set 2501 K\nok\ncancel\n");  // a duplicate, then Cancel
    d->userPress(CDlgFormulePoids::kAjouter);
    EXPECT_TRUE(contains(s.out(), "Cette variable existe déjà")) << s.out();
  }
  ASSERT_EQ(d->formules().constantes().size(), 1u);
  EXPECT_EQ(d->formules().constantes()[0].nom, L"k");
  EXPECT_EQ(liste(*d).rowCount(), 5);
  EXPECT_EQ(liste(*d).cell(4, 1), "2.5");

  {
    Session s("set 2501 AutreNom\nset 2502 -3\nok\n");
    d->userSelect(CDlgFormulePoids::kVariables, {4});
    d->userPress(CDlgFormulePoids::kModifier);
    EXPECT_TRUE(contains(s.out(), "\"Nom\" : \"k\"")) << s.out();  // the dialog shows the constant
  }
  EXPECT_EQ(colonne(liste(*d), 0).back(), "AutreNom");
  EXPECT_EQ(liste(*d).cell(4, 1), "-3");
  EXPECT_EQ(liste(*d).cell(4, 2), "facteur");

  // Observation variables can be neither modified nor deleted.
  {
    Session s("");
    d->userSelect(CDlgFormulePoids::kVariables, {1});
    d->userPress(CDlgFormulePoids::kSupprimer);
    d->userPress(CDlgFormulePoids::kModifier);
    EXPECT_EQ(liste(*d).rowCount(), 5);
    EXPECT_TRUE(contains(s.out(), "[Erreur] (attention) Les variables des observations ne peuvent être ni modifiées ni supprimées"));
  }
  d->userSelect(CDlgFormulePoids::kVariables, {4});
  d->userPress(CDlgFormulePoids::kSupprimer);
  EXPECT_EQ(liste(*d).rowCount(), 4);
  EXPECT_TRUE(d->formules().constantes().empty());
  // Nothing selected: nothing happens.
  d->userSelect(CDlgFormulePoids::kVariables, {});
  d->userPress(CDlgFormulePoids::kSupprimer);
  EXPECT_EQ(liste(*d).rowCount(), 4);
}

TEST_F(DialogueFormules, OkRendLesFormulesAnnulerNon) {
  {
    auto d = ouvrir();
    Session s("set 2501 k\nset 2502 2\nok\n");
    d->userPress(CDlgFormulePoids::kAjouter);
    d->userSetText(CDlgFormulePoids::kGisements, "k*ang");
    d->userCancel();
    EXPECT_TRUE(f_.constantes().empty());
    EXPECT_EQ(f_.formule(genreFormule::gisement), L"1.0");
  }
  auto d = ouvrir();
  Session s("set 2501 k\nset 2502 2\nok\n");
  d->userPress(CDlgFormulePoids::kAjouter);
  d->userSetText(CDlgFormulePoids::kGisements, "k*ang");
  EXPECT_EQ(d->userOk(), "");
  EXPECT_EQ(f_.formule(genreFormule::gisement), L"k*ang");
  EXPECT_DOUBLE_EQ(*f_.evaluer(genreFormule::gisement, {0, 0, 0, 50}), 100);
}

TEST_F(DialogueFormules, CalculerExemple) {
  auto d = ouvrir();
  using D = CDlgFormulePoids;
  d->userSetText(D::kAngles, "d1+d2+d3");
  d->userSetText(D::kGisements, "ang/(d1-10)");
  d->userSetText(D::kDistances, "2*d1^2");
  for (auto [id, t] : {std::pair{D::kD1, "10"}, {D::kD2, "20"}, {D::kD3, "30.5"}, {D::kAngle, "399"}})
    EXPECT_EQ(d->userSetText(id, t), "");
  d->userPress(D::kCalculer);
  EXPECT_EQ(d->get<Edit>(D::kPoidsAngle1).text(), "60.5000");
  EXPECT_EQ(d->get<Edit>(D::kPoidsAngle2).text(), "Erreur");  // division by zero
  EXPECT_EQ(d->get<Edit>(D::kPoidsDistance).text(), "200.0000");

  // An angle outside 0..400 is refused; the results stay.
  Session s("");
  d->userSetText(D::kAngle, "401");
  d->userSetText(D::kD1, "20");
  d->userPress(D::kCalculer);
  EXPECT_TRUE(contains(s.out(), "Entrez un nombre entre 0 et 400.")) << s.out();
  EXPECT_EQ(d->get<Edit>(D::kPoidsDistance).text(), "200.0000");
}

TEST_F(DialogueFormules, EnregistrerChargerImporter) {
  const std::string fichier = chemin("dialogue.fmc");
  {
    auto d = ouvrir();
    Session s("set 2501 sigma\nset 2502 0.003\nset 2503 écart\nok\n" + fichier + "\n");
    d->userPress(CDlgFormulePoids::kAjouter);
    d->userSetText(CDlgFormulePoids::kDistances, "1/sigma^2");
    d->userPress(CDlgFormulePoids::kEnregistrer);
    EXPECT_EQ(s.rest(), "");
    EXPECT_FALSE(contains(s.out(), "Erreur")) << s.out();
    EXPECT_TRUE(contains(s.out(), "Formules Moindres carrés (*.fmc)"));
  }
  {
    // Loading replaces the formulas and the constants.
    ASSERT_TRUE(f_.ajouterConstante({L"k", 1, L""}));
    auto d = ouvrir();
    Session s((dossier() / "dialogue").string() + "\n");  // ".fmc" added
    d->userPress(CDlgFormulePoids::kCharger);
    EXPECT_EQ(d->get<Edit>(CDlgFormulePoids::kDistances).text(), "1/sigma^2");
    EXPECT_EQ(colonne(liste(*d), 0), (std::vector<std::string>{"ang", "d1", "d2", "d3", "sigma"}));
    EXPECT_EQ(liste(*d).cell(4, 2), "écart");
    d->userOk();
    EXPECT_EQ(f_.constantes().size(), 1u);
    EXPECT_NEAR(*f_.evaluer(genreFormule::distance, {}), 1 / 9e-6, 1e-6);
  }
  {
    // Importing adds the file's constants and keeps the formulas; a
    // constant of the same name takes the file's value.
    f_.reinitialiser();
    ASSERT_TRUE(f_.ajouterConstante({L"SIGMA", 1, L"ancien"}));
    ASSERT_TRUE(f_.ajouterConstante({L"k", 5, L""}));
    f_.fixerFormule(genreFormule::angle, L"k");
    auto d = ouvrir();
    Session s(fichier + "\n");
    d->userPress(CDlgFormulePoids::kImporter);
    EXPECT_EQ(d->get<Edit>(CDlgFormulePoids::kAngles).text(), "k");
    EXPECT_EQ(d->get<Edit>(CDlgFormulePoids::kDistances).text(), "1.0");
    EXPECT_EQ(colonne(liste(*d), 0), (std::vector<std::string>{"ang", "d1", "d2", "d3", "sigma", "k"}));
    EXPECT_EQ(colonne(liste(*d), 1).at(4), "0.003");
  }
  {
    // A damaged file: the message, and the dialog keeps what it showed.
    const std::string abime = chemin("abime.fmc");
    ecrire(abime, contenu(fichier).substr(0, 20));
    auto d = ouvrir();
    Session s(abime + "\n" + abime + "\n");
    d->userPress(CDlgFormulePoids::kCharger);
    d->userPress(CDlgFormulePoids::kImporter);
    EXPECT_EQ(s.rest(), "");
    EXPECT_EQ(d->get<Edit>(CDlgFormulePoids::kAngles).text(), "k");
    EXPECT_EQ(liste(*d).rowCount(), 6);
    const std::string sortie = s.out();
    const auto premier = sortie.find("[Erreur] (attention) Erreur dans le fichier");
    ASSERT_NE(premier, std::string::npos) << sortie;
    EXPECT_NE(sortie.find("[Erreur] (attention) Erreur dans le fichier", premier + 1), std::string::npos);
  }
  {
    // A file that cannot be created (even by the super-user).
    auto d = ouvrir();
    Session s("/proc/geltaro-essai.fmc\n");
    d->userPress(CDlgFormulePoids::kEnregistrer);
    EXPECT_TRUE(contains(s.out(), "[Erreur] (attention) Erreur création de fichier")) << s.out();
  }
}

}  // namespace
