// The coordinate table: a table of points (name, X, Y, Z, code, code
// label) drawn with texts and lines at a position the user picks, and the
// dialog of its settings ("Params mise en place").
#pragma once

#include <vector>

#include "host/db/database.hpp"
#include "host/ui/dialog.hpp"
#include "points/point.hpp"

// Controls of the settings dialog.
enum : int {
  IDC_TABXYZ_COORD_Z = 286,
  IDC_TABXYZ_CODE = 287,
  IDC_TABXYZ_LIBELLE = 288,
  IDC_TABXYZ_HAUTEUR = 289,
  IDC_TABXYZ_COLONNES_TOUT = 290,
  IDC_TABXYZ_COLONNES_STD = 291,
  IDC_TABXYZ_ENCADRER = 292,
  IDC_TABXYZ_SEP_ENTETE = 293,
  IDC_TABXYZ_SEP_COLONNES = 294,
  IDC_TABXYZ_SEP_LIGNES = 295,
  IDC_TABXYZ_TRAITS_TOUT = 296,
  IDC_TABXYZ_TRAITS_STD = 298,
  IDC_TABXYZ_PRECISION_XY = 405,
  IDC_TABXYZ_PRECISION_Z = 406,
  IDC_TABXYZ_NUMEROS = 439,
  IDC_TABXYZ_COORD_X = 440,
  IDC_TABXYZ_COORD_Y = 441,
};

// What the table shows and how it is drawn.
struct parametresTableCoordonnees {
  // Lines of the table (bits of `traits`).
  enum : int { kSeparerColonnes = 1, kSeparerEntete = 2, kSeparerLignes = 4, kEncadrer = 8 };

  // Text height H0.
  double hauteur = 2.5;
  // Columns, drawn in this order when ticked.
  bool numeros = true;
  bool coordX = true;
  bool coordY = true;
  bool coordZ = true;
  bool code = false;
  bool libelle = false;
  int traits = kSeparerColonnes | kSeparerEntete | kEncadrer;
  // Decimals of X and Y, and of Z.
  int precisionXY = 4;
  int precisionZ = 2;

  bool uneColonne() const { return numeros || coordX || coordY || coordZ || code || libelle; }
};

// The settings dialog. `params` holds the values shown, then those entered
// once the dialog ends with OK.
class CParamMiseEnPlaceTableCoordonnees : public host::ui::Dialog {
 public:
  CParamMiseEnPlaceTableCoordonnees();

  parametresTableCoordonnees params;

 protected:
  void onInit() override;
  void onPress(int id) override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  void cocherColonnes(bool codeEtLibelle);
  void cocherTraits(bool lignes);
};

// Draws the table of `points` (in that order) in the model space of `db`
// with its upper-left corner at `coin`: texts and lines on the current
// layer, colour by layer, texts in the current text style, all put in one
// new anonymous group. Returns the group; the null id when nothing was
// drawn (no database, no column, model space not writable).
ZcDbObjectId dessinerTableCoordonnees(ZcDbDatabase* db, const std::vector<pointDuDessin>& points,
                                      const parametresTableCoordonnees& params, const ZcGePoint3d& coin);

// The TABLEXYZ action of the point table dialog: asks the settings, hides
// `appelant` (when given) while the user picks the table's upper-left
// corner, then draws the table of `points` in the current drawing.
void placerTableCoordonnees(const std::vector<pointDuDessin>& points, host::ui::Dialog* appelant);
