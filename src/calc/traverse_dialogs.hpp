// The traverse dialogs: observations typed or loaded from a traverse file,
// the unit and the levelling mode, then the adjustment shown as a report
// ("Calculer !") or the adjusted stations placed in the drawing as survey
// points ("Placer !!!"). Also the placement options dialog, the bearing
// dialog the open traverse uses for its reference bearings, and the commands
// CORRPOLFERMEE and CORRPOLOUVERTE.
#pragma once

#include <string>
#include <vector>

#include "calc/traverse.hpp"
#include "calc/traverse_files.hpp"
#include "host/ui/dialog.hpp"
#include "points/point.hpp"
#include "report/html.hpp"

// ------------------------------------------------------------ placement options

// "Params mise en place": the code of the placed stations, whether they get
// their altitudes, and which polylines are drawn.
class CParamMisePlaceResultCalcs : public host::ui::Dialog {
 public:
  enum : int { kCode = 2001, kAltitudes = 2002, kOriginelle = 2003, kCompensee = 2004 };

  CParamMisePlaceResultCalcs();

  // A code below 1 or above 9999 (or not a number) becomes 100 on OK.
  int code = 100;
  bool placerAltitudes = false;
  bool dessinerOriginelle = false;
  bool dessinerCompensee = false;

 protected:
  void onInit() override;
  void onPress(int id) override;
  bool onOk() override;

 private:
  void legenderAltitudes();
};

// ------------------------------------------------------------ bearing

// "Calcul de gisement": the bearing from a station to a direction point,
// recomputed whenever one of the four coordinates is left.
class CCalcGisementDlg : public host::ui::Dialog {
 public:
  enum : int {
    kNomStation = 2101, kXStation = 2102, kYStation = 2103, kPreleverStation = 2104,
    kNomDirection = 2105, kXDirection = 2106, kYDirection = 2107, kPreleverDirection = 2108,
    kResultat = 2109, kUnite = 2110,
  };

  CCalcGisementDlg();

  // Fixes the unit (the label then shows its file name: "grades", "degres"
  // or "radians"); without it the unit is grades and the label "Grades".
  void fixerUnite(int u);

  std::string nomStation, nomDirection;
  double xStation = 0, yStation = 0, xDirection = 0, yDirection = 0;
  int unite = kGrades;
  // The bearing at full precision, set on OK.
  double gisement = 0;

 protected:
  void onInit() override;
  void onKillFocus(int id) override;
  bool onOk() override;

 private:
  void lireCoordonnees();
  double calculer() const;
  bool uniteFixee_ = false;
};

// ------------------------------------------------------------ traverses

// What the two traverse dialogs share: the options, the data entry, the
// observation list and the buttons.
class dialoguePolygonale : public host::ui::Dialog {
 public:
  enum : int {
    kComboNivellement = 1001, kComboAngles = 1002,
    kStation = 1003, kAngle = 1004, kDistance = 1005, kAltitude = 1006,
    kListe = 1007,
    kAjouter = 1008, kEnlever = 1009, kCalculer = 1010, kPlacer = 1011, kSauvegarder = 1012, kCharger = 1013,
  };
  // "Fermer" is the dialog's OK button (host::ui::IDOK).

  int nivellement = kNivAucun;
  int unite = kGrades;
  std::string station;
  double angle = 0, distance = 0, altitude = 0;
  // What the misclosures are checked against: the settings
  // ToleranceAngulairePolygonale and DenominateurToleranceLineaire.
  TolerancesPolygonale tolerances;

  // The rows of the list as the computations read them: names cut to 18
  // characters, numbers converted as the run-time library does (text that
  // is not a number gives 0).
  std::vector<obsPolygonale> lignes() const;

  // The button actions (what a press does). "Ajouter" writes the numbers
  // with five decimals, the angle with ten in radians. "Placer !!!" refuses,
  // before anything else, stations whose point names could not be told
  // apart: a name longer than a point name holds (9 characters) or with a
  // character it cannot hold, or two stations whose point names would be
  // the same (names match ignoring case and surrounding blanks), since the
  // later would replace the earlier. When a misclosure is beyond its
  // tolerance it asks first, and places nothing unless told yes.
  void ajouter();
  void enlever();
  void calculer();
  void placer();
  void sauvegarder();
  void charger();

 protected:
  explicit dialoguePolygonale(std::string titre);
  // Adds the options, the data entry, the list and the buttons; the
  // station fields come before, added by the derived dialog.
  void ajouterControlesCommuns();

  void onInit() override;
  void onPress(int id) override;
  void onKillFocus(int id) override;
  void onSelectionChange(int id) override;

  // Members -> controls, and every control -> members.
  virtual void afficher();
  virtual void lireControles();
  // The edit's value read from its text (0 when not a number).
  double nombre(int id) const;
  void afficherNombre(int id, double valeur);

  // What differs between the closed and the open traverse.
  virtual bool ouverte() const = 0;
  // Computes with the rows; with a document the report goes into it. False,
  // after telling the user, when the computation is refused; `r` receives
  // what the placement needs.
  struct Stations {
    std::vector<pointDuDessin> points;
    std::vector<SommetPolyligne> brut, compense;
    bool compenseFerme = false;
    ControleTolerance angulaire, lineaire;  // the computation's checks
  };
  virtual bool calculerAvec(std::vector<obsPolygonale>& obs, htmlDocument* document, int code,
                            bool altitudes, Stations& s) = 0;
  // The names of the stations "Placer !!!" places, in the order it places
  // them (the rows' names as `lignes` gives them).
  virtual std::vector<std::wstring> nomsStations(const std::vector<obsPolygonale>& obs) const = 0;
  // The file data model from the fields and back.
  virtual void versFichier(fichierPolygonale& f) const = 0;
  virtual void depuisFichier(const fichierPolygonale& f) = 0;
};

// "Correction de polygonale fermée".
class corrPolygoDLG : public dialoguePolygonale {
 public:
  enum : int { kNumero = 1020, kX = 1021, kY = 1022, kZ = 1023, kNord = 1024 };

  corrPolygoDLG();

  std::string numero = "ST1";
  double x = 1000, y = 1000, z = 100;
  double nord = 0;  // bearing of the first leg

 protected:
  void afficher() override;
  void lireControles() override;
  bool ouverte() const override { return false; }
  bool calculerAvec(std::vector<obsPolygonale>& obs, htmlDocument* document, int code, bool altitudes,
                    Stations& s) override;
  std::vector<std::wstring> nomsStations(const std::vector<obsPolygonale>& obs) const override;
  void versFichier(fichierPolygonale& f) const override;
  void depuisFichier(const fichierPolygonale& f) override;
};

// "Correction Polygonale ouverte".
class corrPolygoOuverteDLG : public dialoguePolygonale {
 public:
  enum : int {
    kNumeroDepart = 1030, kXDepart = 1031, kYDepart = 1032, kZDepart = 1033, kGisDepart = 1034, kCalDepart = 1035,
    kNumeroArrivee = 1040, kXArrivee = 1041, kYArrivee = 1042, kZArrivee = 1043, kGisArrivee = 1044,
    kCalArrivee = 1045,
    kDernierAngle = 1050,
  };

  corrPolygoOuverteDLG();

  std::string numeroDepart, numeroArrivee;
  // Reference bearings, in the unit: gisDepart from the start's reference
  // point to the start station, gisArrivee from the end station to its
  // reference point (what the computation and the traverse files take).
  double xDepart = 0, yDepart = 0, zDepart = 0, gisDepart = 0;
  double xArrivee = 0, yArrivee = 0, zArrivee = 0, gisArrivee = 0;
  double dernierAngle = 0;  // the closing angle measured at the end station

  // What "Cal" does for the start (true) or the end station: the bearing
  // dialog filled with that station, the reference point typed as its
  // direction; on OK the station's "Gisement" receives, at the end, the
  // bearing end -> reference, and at the start the reversed one,
  // reference -> start (the dialog's bearing plus a half turn, in [0, F)).
  void calculerGisement(bool depart);

 protected:
  void onPress(int id) override;
  void afficher() override;
  void lireControles() override;
  bool ouverte() const override { return true; }
  bool calculerAvec(std::vector<obsPolygonale>& obs, htmlDocument* document, int code, bool altitudes,
                    Stations& s) override;
  std::vector<std::wstring> nomsStations(const std::vector<obsPolygonale>& obs) const override;
  void versFichier(fichierPolygonale& f) const override;
  void depuisFichier(const fichierPolygonale& f) override;
};

// The commands CORRPOLFERMEE and CORRPOLOUVERTE.
void commandeCorrPolFermee();
void commandeCorrPolOuverte();
