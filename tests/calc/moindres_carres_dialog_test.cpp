// The least-squares dialog: a network loaded from a file, computed, weighted
// and placed as survey points; a refused or cancelled file keeps the network.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "calc/moindres_carres_dialog.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/session.hpp"
#include "points/project.hpp"
#include "support/current_drawing.hpp"
#include "support/temp_folder.hpp"
#include "points/codification.hpp"

namespace fs = std::filesystem;
using host::ui::RichText;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

fs::path dossier() { return geltaro::testing::dossierDeTest("geltaro-moindres-carres-dialog"); }

// Two known points 100 m apart on the X axis and one point to compute at
// (50, 50), seen from both with angles, distances and height differences,
// and a bearing from A.
const char* const kReseau =
    "XYZ\r\n"
    "A 0 0 10\r\n"
    "B 100 0 12\r\n"
    "OBS\r\n"
    "A B P 350 70.7107 1.5\r\n"
    "B A P 50 70.7107 -0.5\r\n"
    "A NORD P 50\r\n";

class DialogueMoindresCarres : public testing::Test {
 protected:
  void SetUp() override {
    fichier_ = (dossier() / "reseau.mc").string();
    std::ofstream(fichier_, std::ios::binary) << kReseau;
    dialogue_.init();
  }

  std::string resultat() const { return dialogue_.get<RichText>(CDlgMoindresCarres::kResultat).text(); }
  void charger() {
    Session s(fichier_ + "\n");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kDonnees), "");
  }
  std::map<std::string, pointDuDessin> places() {
    std::map<std::string, pointDuDessin> out;
    for (const pointDuDessin& p : projet_.currTable()->points()) out[p.getNomPoint()] = p;
    return out;
  }

  ZcDbDatabase db_{true};
  projetsTopo projet_;
  geltaro::testing::DessinCourant courant_{db_, projet_};
  std::string fichier_;
  CDlgMoindresCarres dialogue_;
};

TEST_F(DialogueMoindresCarres, ChargeCalculeEtPlace) {
  charger();
  ASSERT_EQ(dialogue_.reseau.points.size(), 3u);
  EXPECT_TRUE(contains(resultat(), "Points à calculer:")) << resultat();
  EXPECT_TRUE(contains(resultat(), "Observations")) << resultat();

  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kCalculerXY), "");
  EXPECT_TRUE(contains(resultat(), "XYZ:")) << resultat();
  const pointACalculer& p = dialogue_.reseau.points[2];
  EXPECT_NEAR(p.X, 50, 1e-3);
  EXPECT_NEAR(p.Y, 50, 1e-3);

  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kCalculerZ), "");
  EXPECT_NEAR(dialogue_.reseau.points[2].Z, 11.5, 1e-9);  // 10 + 1.5 and 12 - 0.5 agree

  {
    Session s("");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPlacerCanevas), "");
    EXPECT_TRUE(contains(s.out(), "2 points placés")) << s.out();
  }
  auto lus = places();
  ASSERT_EQ(lus.size(), 2u);
  EXPECT_DOUBLE_EQ(lus["A"].getZ(), 10);
  EXPECT_DOUBLE_EQ(lus["B"].getX(), 100);
  {
    Session s("");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPlacerCalcules), "");
  }
  lus = places();
  ASSERT_EQ(lus.size(), 3u);
  EXPECT_NEAR(lus["P"].getX(), 50, 1e-3);
  EXPECT_NEAR(lus["P"].getZ(), 11.5, 1e-9);
  for (const auto& [nom, point] : lus) {
    EXPECT_EQ(point.getCode(), CDlgMoindresCarres::kCodePoints) << nom;
    EXPECT_TRUE(point.getId().isValid()) << nom;
  }
  EXPECT_GE(codification().indexDuCode(CDlgMoindresCarres::kCodePoints), 0);

  // "&Clear" empties the text; "Itérer" changes nothing.
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kIterer), "");
  EXPECT_FALSE(resultat().empty());
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kClear), "");
  EXPECT_EQ(resultat(), "");
}

TEST_F(DialogueMoindresCarres, PointsNonCalculesNeSontPasPlaces) {
  charger();
  Session s("");
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPlacerCalcules), "");
  EXPECT_TRUE(places().empty());
}

TEST_F(DialogueMoindresCarres, FichierAnnuleOuIllisibleGardeLeReseau) {
  charger();
  const std::string avant = resultat();
  {
    Session s("^C\n");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kDonnees), "");
  }
  {
    // A folder passes the existence check but cannot be read as a file.
    Session s(dossier().string() + "\n");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kDonnees), "");
  }
  EXPECT_EQ(dialogue_.reseau.points.size(), 3u);
  EXPECT_EQ(resultat(), avant);
}

TEST_F(DialogueMoindresCarres, PoidsFixesDansLaTable) {
  charger();
  // Every observation selected, weight 4.
  Session s("select 2301 0 1 2 3 4 5 6\nset 2302 -4\npress 2303\nok\n");
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPoids), "");
  for (const ObservationReduite& o : dialogue_.reseau.observations) EXPECT_DOUBLE_EQ(o.poids, 4);
  // The computation goes on with the weights: the position is the same.
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kCalculerXY), "");
  EXPECT_NEAR(dialogue_.reseau.points[2].X, 50, 1e-3);
}

TEST_F(DialogueMoindresCarres, ResultatNonFiableDemandeAvantDePlacer) {
  // Q's observations disagree by metres: it is not computed, so the result
  // is not reliable and "Placer !!!" asks; No places nothing, Yes places
  // the points that have a position.
  std::ofstream(fichier_, std::ios::binary) << std::string(kReseau) + "A NORD Q - 72.111\r\nB NORD Q - 56.569\r\n"
                                                                      "P NORD Q - 5.000\r\n";
  charger();
  EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kCalculerXY), "");
  ASSERT_FALSE(dialogue_.reseau.alertesXY.empty()) << resultat();
  {
    Session s("no\n");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPlacerCalcules), "");
    EXPECT_TRUE(contains(s.out(), "Le calcul n'est pas fiable")) << s.out();
    EXPECT_TRUE(contains(s.out(), "Point(s) non calculé(s)") || contains(s.out(), "point(s) non calculé(s)"))
        << s.out();
  }
  EXPECT_TRUE(places().empty());
  {
    Session s("yes\n");
    EXPECT_EQ(dialogue_.userPress(CDlgMoindresCarres::kPlacerCalcules), "");
  }
  const auto lus = places();
  EXPECT_EQ(lus.size(), 1u);
  EXPECT_EQ(lus.count("P"), 1u);
}

TEST(CommandeMoindresCarres, OuvreEtFermeLeDialogue) {
  Session s("show\nok\n");
  commandeCorrMCarres();
  EXPECT_TRUE(contains(s.out(), "Moindres carrés")) << s.out();
  EXPECT_TRUE(contains(s.out(), "Calculer X,Y")) << s.out();
}

}  // namespace
