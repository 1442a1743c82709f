// The dialog "Import GSI": opening a field book, cancelling the file
// dialog, the analysis and its progress, unreadable and oversized input, and
// the command run from a script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "field/gsi_dialog.hpp"
#include "host/ui/session.hpp"
#include "points/codification.hpp"
#include "points/project.hpp"
#include "report/html.hpp"
#include "support/current_drawing.hpp"
#include "support/temp_folder.hpp"

namespace fs = std::filesystem;
using host::ui::Button;
using host::ui::Edit;
using host::ui::ProgressBar;
using host::ui::RichText;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

const std::string kInvitation = "Appuyer sur le bouton Analyser \npour démarrer l'analyse!";

std::string donnee(const std::string& nom) { return std::string(GELTARO_TEST_DATA_DIR) + "/gsi/" + nom; }

std::string ecrire(const std::string& nom, const std::string& contenu) {
  const fs::path chemin = geltaro::testing::dossierDeTest("geltaro-gsi-dialog") / nom;
  std::ofstream(chemin, std::ios::binary) << contenu;
  return chemin.string();
}

struct Dialogue {
  carnetObservations carnet;
  ImportGSI d{&carnet};
  Dialogue() { d.init(); }
  const std::string& haut() const { return d.get<RichText>(ImportGSI::kTexteFichier).text(); }
  const std::string& bas() const { return d.get<RichText>(ImportGSI::kAnalyse).text(); }
  const ProgressBar& barre() const { return d.get<ProgressBar>(ImportGSI::kProgression); }
  bool analyserActif() const { return d.get<Button>(ImportGSI::kAnalyser).enabled(); }
  std::string chemin() const { return d.get<Edit>(ImportGSI::kChemin).text(); }
};

TEST(ImportGSI, OuvrirPuisAnalyser) {
  Dialogue t;
  EXPECT_FALSE(t.analyserActif());
  EXPECT_EQ(t.chemin(), "");
  EXPECT_TRUE(t.d.get<Edit>(ImportGSI::kChemin).readOnly());

  const std::string chemin =
      ecrire("deux.gsi", "110001+0000A101 21...2+10000000 \r410001+00000002 \n\xE9t\xE9\r\n");
  {
    Session s(chemin + "\n");
    EXPECT_EQ(t.d.userPress(ImportGSI::kFichier), "");
    EXPECT_TRUE(contains(s.out(), "Leica GSI")) << s.out();
    EXPECT_TRUE(contains(s.out(), "Fichier <*.TXT>")) << s.out();
  }
  EXPECT_EQ(t.chemin(), chemin);
  EXPECT_TRUE(t.analyserActif());
  EXPECT_EQ(t.d.lignes().size(), 3u);
  // Each line ends with CR LF in the box; Windows-1252 shown as UTF-8.
  EXPECT_EQ(t.haut(), "110001+0000A101 21...2+10000000 \r\n410001+00000002 \r\n\xC3\xA9t\xC3\xA9\r\n");
  EXPECT_EQ(t.bas(), kInvitation);
  EXPECT_EQ(t.barre().upper(), 100);
  EXPECT_EQ(t.barre().pos(), 0);

  EXPECT_EQ(t.d.userPress(ImportGSI::kAnalyser), "");
  EXPECT_EQ(t.bas(), "    A101\tah = 100.00000\n code: 41 val = [       2]\n");
  EXPECT_EQ(t.barre().lower(), 0);
  EXPECT_EQ(t.barre().upper(), 2);
  EXPECT_EQ(t.barre().pos(), 2);
  EXPECT_EQ(t.carnet.observations().size(), 1u);

  // Every run records the lines again.
  t.d.userPress(ImportGSI::kAnalyser);
  EXPECT_EQ(t.carnet.observations().size(), 2u);
}

// Cancelling the file dialog keeps the file already shown.
TEST(ImportGSI, AnnulerGardeLeFichier) {
  Dialogue t;
  {
    Session s("\n");
    t.d.userPress(ImportGSI::kFichier);
  }
  EXPECT_EQ(t.chemin(), "");
  EXPECT_FALSE(t.analyserActif());

  const std::string chemin = donnee("RILIEVO.gsi");
  {
    Session s(chemin + "\n");
    t.d.userPress(ImportGSI::kFichier);
  }
  t.d.userPress(ImportGSI::kAnalyser);
  const std::string analyse = t.bas();
  for (const char* annulation : {"\n", "^C\n", ""}) {
    SCOPED_TRACE(annulation);
    Session s(annulation);
    t.d.userPress(ImportGSI::kFichier);
    EXPECT_EQ(t.chemin(), chemin);
    EXPECT_EQ(t.d.chemin(), chemin);
    EXPECT_EQ(t.d.lignes().size(), 70u);
    EXPECT_EQ(t.bas(), analyse);
    EXPECT_TRUE(t.analyserActif());
  }
}

TEST(ImportGSI, FichierIllisible) {
  Dialogue t;
  const std::string dossier = geltaro::testing::dossierDeTest("geltaro-gsi-dialog").string();
  {
    Session s("");
    for (const std::string& chemin : {dossier + "/absent.gsi", dossier}) {  // missing, a folder
      t.d.charger(chemin);
      t.d.userPress(ImportGSI::kAnalyser);
    }
    EXPECT_EQ(s.out(), "");  // no message
  }
  EXPECT_TRUE(t.analyserActif());
  EXPECT_TRUE(t.d.lignes().empty());
  EXPECT_EQ(t.haut(), "");
  EXPECT_EQ(t.bas(), "");
  EXPECT_EQ(t.barre().upper(), 0);
  EXPECT_TRUE(t.carnet.observations().empty());
}

TEST(ImportGSI, LigneTropLongueSignalee) {
  Dialogue t;
  t.d.charger(ecrire("long.gsi", "110001+0000A101 \n" + std::string(70000, '2') + "\n110002+0000A102 \n"));
  t.d.analyser();
  EXPECT_EQ(t.bas(), "    A101\nLigne 2 ignorée : elle dépasse 65535 caractères.\n    A102\n");
  EXPECT_EQ(t.carnet.observations().size(), 2u);
}

// A script opens a real field book and shows the analysis.
TEST(ImportGSI, Commande) {
  const std::size_t avant = carnetObservations::instance().observations().size();
  Session s("press Fichier...\n" + donnee("leica_gsi16_gurob.gsi") + "\npress Analyser\nshow\nok\n");
  commandeImportGSI();
  EXPECT_EQ(s.rest(), "");
  EXPECT_TRUE(contains(s.out(), "=== Import GSI ===")) << s.out().substr(0, 2000);
  EXPECT_TRUE(contains(s.out(), "[3004] button \"Analyser\"  (grisé)"));
  EXPECT_TRUE(contains(s.out(), "      |         GDEM5415\tah = 39.72531\tav =  101.44167\tdi =  13.82500"
                                "\tPPM-MM =           17+000\thmire = 1.30000\thAppareil = 1.32400\n"));
  EXPECT_EQ(carnetObservations::instance().observations().size(), avant + 343);
}

// "Calculer les points": a set-up, then points whose names are already in
// the table. Each conflict is asked: replace, keep both (suffix), skip.
TEST(ImportGSI, CalculerLesPointsConflitsDeNoms) {
  ZcDbDatabase dessin(true);
  projetsTopo projet;
  geltaro::testing::DessinCourant courant(dessin, projet);
  listePointsDuDessin* table = projet.currTable();
  for (const char* nom : {"A", "B", "C"}) {
    pointDuDessin p;
    p.setNomPoint(nom);
    p.setXY(0, 0, 0);
    table->Ajouter(p);
  }
  const std::string chemin = ecrire("conflits.gsi",
      "110001+000000S1 25...2+00000000 84...0+01000000 85...0+02000000 86...0+00100000 88...0+00001500 \n"
      "110002+0000000A 21...2+00000000 22...2+10000000 32...0+00010000 87...0+00001500 71....+00000100 \n"
      "110003+0000000B 21...2+10000000 22...2+10000000 32...0+00010000 71....+0000MK27 \n"
      "110004+0000000C 21...2+20000000 22...2+10000000 32...0+00010000 \n"
      "110005+0000000D 21...2+30000000 22...2+10000000 32...0+00010000 \n");
  Dialogue t;
  t.d.setAfficherRapport(false);
  EXPECT_FALSE(t.d.get<Button>(ImportGSI::kCalculer).enabled());
  t.d.charger(chemin);
  t.d.analyser();
  EXPECT_TRUE(t.d.get<Button>(ImportGSI::kCalculer).enabled());

  // Escape at a question: nothing placed.
  {
    Session s("r\n^C\n");
    EXPECT_FALSE(t.d.calculerPoints());
    EXPECT_EQ(table->nbPoint(), 3);
  }
  Session s("r\n\ni\n");  // A replaced, B kept beside (Enter), C skipped
  EXPECT_EQ(t.d.userPress(ImportGSI::kCalculer), "");
  EXPECT_TRUE(contains(s.out(), "Le point A existe déjà dans la table [Remplacer/Garder les deux/Ignorer/RTous/GTous/ITous]")) << s.out();
  EXPECT_TRUE(contains(s.out(), "3 points placés, 1 ignoré")) << s.out();
  EXPECT_EQ(t.d.nomsPlaces(), (std::vector<std::string>{"A", "B_2", "", "D"}));
  std::map<std::string, const pointDuDessin*> parNom;
  for (const pointDuDessin& p : table->points()) parNom[p.getNomPoint()] = &p;
  ASSERT_EQ(parNom.size(), 5u);  // A (replaced), B, B_2, C (kept), D
  EXPECT_NEAR(parNom["A"]->getY(), 2010.0, 1e-9);
  EXPECT_EQ(parNom["A"]->getCode(), codification().indexDuCode(100) >= 0 ? 100 : 1);
  EXPECT_NEAR(parNom["A"]->getZ(), 100.0, 1e-9);
  EXPECT_NEAR(parNom["B_2"]->getX(), 1010.0, 1e-9);
  EXPECT_NEAR(parNom["B"]->getX(), 0.0, 1e-9);
  EXPECT_NEAR(parNom["C"]->getX(), 0.0, 1e-9);
  EXPECT_NEAR(parNom["D"]->getX(), 990.0, 1e-9);
  for (const char* nom : {"A", "B_2", "D"}) EXPECT_TRUE(parNom[nom]->getId().isValid()) << nom;
  ASSERT_NE(t.d.rapport(), nullptr);
  EXPECT_TRUE(contains(t.d.rapport()->markup(), "MK27"));

  // Once more: "GTous" keeps every later one beside, without asking again.
  Session encore("gt\n");
  EXPECT_TRUE(t.d.calculerPoints());
  EXPECT_EQ(encore.rest(), "");
  EXPECT_EQ(t.d.nomsPlaces(), (std::vector<std::string>{"A_2", "B_3", "C_2", "D_2"}));
  EXPECT_EQ(table->nbPoint(), 9);
}

// A book without any distance gives directions only: no point placed.
TEST(ImportGSI, CalculerSansDistance) {
  ZcDbDatabase dessin(true);
  projetsTopo projet;
  geltaro::testing::DessinCourant courant(dessin, projet);
  Dialogue t;
  t.d.setAfficherRapport(false);
  t.d.charger(ecrire("angles.gsi",
      "110001+000000S1 25...2+00000000 84...0+01000000 85...0+02000000 \n"
      "110002+0000000A 21...2+00000000 22...2+10000000 \n"
      "110003+0000000B 21...2+10000000 22...2+10000000 \n"));
  t.d.analyser();
  Session s("");
  EXPECT_FALSE(t.d.calculerPoints());
  EXPECT_EQ(projet.currTable()->nbPoint(), 0);
  EXPECT_EQ(t.d.resultat().directions.size(), 2u);
  EXPECT_TRUE(contains(s.out(), "0 point placé, 0 ignoré, 2 directions seules")) << s.out();
}

}  // namespace
