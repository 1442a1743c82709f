// 3D polylines made flat: a light polyline through the plan of each
// vertex, at an elevation chosen from the vertices' heights, on the source's
// layer or on a layer named after it; the dialog "Polylines 3D -> 2D" and
// its layer chooser.
#pragma once

#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "host/ui/dialog.hpp"

struct optionsPol3D {
  // 0 zero, 1 the first vertex's height, 2 the lowest, 3 the mean, 4 the highest.
  int modeAltitude = 0;
  bool supprimerOriginales = false;
  // 0 the source's layer; 1 the layer `modeleCalque` names.
  int modeCalque = 0;
  // "{LAYER}" stands for the source's layer name.
  std::wstring modeleCalque = L"{LAYER}-2D";
  int couleur = 7;  // of the layers created
  // Only polylines on these layers (any case) are converted; empty: all.
  std::vector<std::wstring> calques;
};

// The elevation of the flat polyline for the vertices' heights `z` (not
// empty) in mode 0 to 4.
double altitudePolyline(const std::vector<double>& z, int mode);

// The pattern with every "{LAYER}" replaced by `calque`.
std::wstring nomCalqueDepuisModele(const std::wstring& modele, const std::wstring& calque);

// Converts the 3D polylines of `ids` into light polylines of the model space
// of `db`; entities that cannot be opened, other kinds and polylines of
// fewer than two vertices are skipped. The number converted.
int convertirPolylines3D(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& ids, const optionsPol3D& options);

// The layer names of `db`, sorted by name (ignoring case).
std::vector<std::wstring> calquesTries(ZcDbDatabase* db);

// "Selection des layers": a check box per layer of the drawing.
class DlgChoixCalques : public host::ui::Dialog {
 public:
  enum : int { kListe = 1351 };
  explicit DlgChoixCalques(std::vector<std::wstring> calques, std::vector<std::wstring> choisis);
  // The layers checked once the dialog ends with OK; empty: all.
  std::vector<std::wstring> choisis;

 protected:
  void onInit() override;
  bool onOk() override;

 private:
  std::vector<std::wstring> calques_;
};

class CPol3DToPol2DDlg : public host::ui::Dialog {
 public:
  enum : int {
    kSelectionner = 1301,
    kNombre = 1302,
    kChoisir = 1303,
    kCalques = 1304,
    kAltitude0 = 1305,  // to 1309, the five elevation modes
    kSupprimer = 1310,
    kMemeCalque = 1311,
    kNouveauCalque = 1312,
    kModele = 1313,
    kCouleur = 1314,
  };

  CPol3DToPol2DDlg();

  optionsPol3D options;
  std::vector<ZcDbObjectId> polylines;

 protected:
  void onInit() override;
  void onPress(int id) override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  void selectionner();
  void choisir();
  void afficherCalques();
  void suivreModeCalque();
};

// C:POL3DTOPOL2D: the dialog, then the conversion in one undo step.
void C_POL3DTOPOL2D();
