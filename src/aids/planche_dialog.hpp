// The dialog "Creation de planche" and the LISP command c:CREERPLANCHE: the
// title block, scale, paper format and margin, the title block's size and
// corner, the grid mode and its settings; then the sheet's position and
// orientation, asked at the command line.
#pragma once

#include "aids/planche.hpp"
#include "host/ui/dialog.hpp"

class DlgCreerPlanche : public host::ui::Dialog {
 public:
  enum : int {
    kFichier = 1201,
    kParcourir = 1202,
    kEffacer = 1203,
    kEchelle = 1204,
    kFormat = 1205,
    kMarge = 1206,
    kLargeur = 1207,
    kHauteur = 1208,
    kProportions = 1209,
    kBasGauche = 1210,  // the four corners, then the three grid modes
    kBasDroite = 1211,
    kHautGauche = 1212,
    kHautDroite = 1213,
    kSansCarroyage = 1214,
    kToutEspace = 1215,
    kPasACote = 1216,
    kPasX = 1217,
    kPasY = 1218,
    kTailleCroix = 1219,
    kHauteurTexte = 1220,
    kStyle = 1221,
    kModele = 1222,
    kTailleCartouche = 1223,
  };

  DlgCreerPlanche();

  // The values shown, then those entered once the dialog ends with OK.
  paramsPlanche params;

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onKillFocus(int id) override;
  bool onOk() override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  void parcourir();
  void effacer();
  void suivreMode();
  void activerCartouche(bool oui);
  // Width and height of the title block's drawing (at least 0.001 each).
  double largeurEtendue_ = 0.001, hauteurEtendue_ = 0.001;
};

// c:CREERPLANCHE: the dialog, the position (middle or corner) and the
// orientation, then the sheet.
void c_CREERPLANCHE();
