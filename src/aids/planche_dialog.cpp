#include "aids/planche_dialog.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "frame/installation.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"

using namespace host::ui;

namespace {

constexpr const char* kEchelles[] = {"10000", "5000", "2500", "2000", "1000", "500", "400",
                                     "250",   "200",  "100",  "50",   "20",   "10"};
constexpr const char* kModeles[] = {"100", "100.0", "100.00", "100.000", "100.0000"};
constexpr int kChampsCarroyage[] = {DlgCreerPlanche::kPasX,         DlgCreerPlanche::kPasY,
                                    DlgCreerPlanche::kTailleCroix,  DlgCreerPlanche::kHauteurTexte,
                                    DlgCreerPlanche::kStyle,        DlgCreerPlanche::kModele};

std::string deuxDecimales(double v) {
  char t[64];
  std::snprintf(t, sizeof t, "%.2f", v);
  return t;
}

// A number as short as it reads ("1000", "2500", "12.5").
std::string texteNombreCourt(double v) {
  char t[64];
  std::snprintf(t, sizeof t, "%.10g", v);
  return t;
}

// A scale denominator typed in the combo: a positive number, else none.
std::optional<double> lireEchelle(const std::string& texte) {
  char* fin = nullptr;
  const double v = std::strtod(texte.c_str(), &fin);
  while (fin && *fin == ' ') ++fin;
  if (fin == texte.c_str() || (fin && *fin) || !(v > 0) || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

DlgCreerPlanche::DlgCreerPlanche() : Dialog("Creation de planche") {
  add<Edit>(kFichier, "Fichier Cartouche").setReadOnly(true);
  add<Button>(kParcourir, "...");
  add<Button>(kEffacer, "X");
  add<ComboBox>(kEchelle, "Echelle", true);
  add<ComboBox>(kFormat, "Format du papier");
  add<Edit>(kMarge, "Marge papier (mm)").setRange(-1e9, 1e9);
  add<Static>(kTailleCartouche, "");
  add<Edit>(kLargeur, "Largeur").setRange(-1e9, 1e9);
  add<Edit>(kHauteur, "Hauteur").setRange(-1e9, 1e9);
  add<CheckBox>(kProportions, "<=>", true);
  add<Radio>(kBasGauche, "Bas gauche", 1, true);
  add<Radio>(kBasDroite, "Bas droite", 1);
  add<Radio>(kHautGauche, "Haut gauche", 1);
  add<Radio>(kHautDroite, "Haut droite", 1);
  add<Radio>(kSansCarroyage, "Pas de carroyage. Le carroyage sera ajouté plus tard", 2, true);
  add<Radio>(kToutEspace, "Occuper tout l'espace vide restant", 2);
  add<Radio>(kPasACote, " Ne pas carroyer a coté du cartouche", 2);
  add<Edit>(kPasX, "Espacement  X ").setRange(-1e36, 1e36);
  add<Edit>(kPasY, "Espacement Y").setRange(-1e36, 1e36);
  add<Edit>(kTailleCroix, "Taille Croisillons (mm)").setRange(-1e9, 1e9);
  add<Edit>(kHauteurTexte, "Haut. txt (mm)").setRange(-1e9, 1e9);
  add<ComboBox>(kStyle, "Style");
  add<ComboBox>(kModele, "Modele");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void DlgCreerPlanche::onInit() {
  auto& echelle = get<ComboBox>(kEchelle);
  echelle.clear();
  for (const char* e : kEchelles) echelle.addItem(e);
  auto& format = get<ComboBox>(kFormat);
  format.clear();
  for (const formatPapier& f : formatsPapier()) format.addItem(libelleFormatPapier(f));
  auto& modele = get<ComboBox>(kModele);
  modele.clear();
  for (const char* m : kModeles) modele.addItem(m);
  auto& style = get<ComboBox>(kStyle);
  style.clear();
  if (ZcDbDatabase* db = zcdbCurDwg()) {
    ZcDbObjectPointer<ZcDbSymbolTable> styles(db->textStyleTableId(), ZcDb::kForRead);
    if (styles.openStatus() == Zcad::eOk)
      for (const ZcDbObjectId& id : styles->recordIds()) {
        ZcDbObjectPointer<ZcDbSymbolTableRecord> s(id, ZcDb::kForRead);
        if (s.openStatus() == Zcad::eOk && !s->name().empty()) style.addItem(s->name());
      }
    if (params.style.empty()) {
      ZcDbObjectPointer<ZcDbSymbolTableRecord> courant(db->textstyle(), ZcDb::kForRead);
      if (courant.openStatus() == Zcad::eOk) params.style = courant->getName();
    }
  }
  updateData(false);
  activerCartouche(!params.fichierCartouche.empty());
  suivreMode();
}

void DlgCreerPlanche::doDataExchange(DataExchange& dx) {
  std::string fichier = host::toUtf8(params.fichierCartouche);
  dx.text(kFichier, fichier);
  std::string echelle = texteNombreCourt(params.echelle);
  dx.comboText(kEchelle, echelle);
  dx.comboIndex(kFormat, params.format);
  dx.number(kMarge, params.marge, 2);
  dx.number(kLargeur, params.largeurCartouche, 2);
  dx.number(kHauteur, params.hauteurCartouche, 2);
  dx.radio(kBasGauche, params.position);
  dx.radio(kSansCarroyage, params.modeCarroyage);
  dx.number(kPasX, params.pasX, 2);
  dx.number(kPasY, params.pasY, 2);
  dx.number(kTailleCroix, params.tailleCroix, 2);
  dx.number(kHauteurTexte, params.hauteurTexte, 2);
  std::string style = host::toUtf8(params.style);
  dx.comboText(kStyle, style);
  dx.comboIndex(kModele, params.precision);
  params.style = host::fromUtf8(style);
  if (auto e = lireEchelle(echelle)) params.echelle = *e;
}

void DlgCreerPlanche::activerCartouche(bool oui) {
  for (int id : {int(kLargeur), int(kHauteur), int(kBasGauche), int(kBasDroite), int(kHautGauche), int(kHautDroite)})
    find(id)->enable(oui);
}

void DlgCreerPlanche::suivreMode() {
  int mode = 0;
  for (int id : {int(kSansCarroyage), int(kToutEspace), int(kPasACote)})
    if (get<Radio>(id).checked()) mode = id - kSansCarroyage;
  for (int id : kChampsCarroyage) find(id)->show(mode > 0);
}

void DlgCreerPlanche::onPress(int id) {
  switch (id) {
    case kParcourir: parcourir(); break;
    case kEffacer: effacer(); break;
    case kSansCarroyage:
    case kToutEspace:
    case kPasACote: suivreMode(); break;
    default: break;
  }
}

void DlgCreerPlanche::parcourir() {
  FileDialog dialogue(true, "dwg", {}, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, "Fichier dessin (*.dwg)|*.dwg||");
  // The installation folder's title blocks: a bare name is one of them.
  dialogue.setInitialFolder(cheminSysteme(dossierInstallation() + L"\\Cartouches"));
  if (dialogue.doModal() != IDOK) return;
  const std::string chemin = dialogue.pathName();
  ZcDbDatabase cartouche(false);
  if (cartouche.readDwgFile(chemin) != Zcad::eOk) {
    zcMessageBox("Echec lors de la lecture du fichier cartouche", "Fichier cartouche", MB_OK | MB_ICONWARNING);
    return;
  }
  cartouche.updateExt();
  const ZcGePoint3d a = cartouche.extmin(), b = cartouche.extmax();
  const double largeur = b.x >= a.x ? b.x - a.x : 0, hauteur = b.y >= a.y ? b.y - a.y : 0;
  updateData(true);
  params.fichierCartouche = host::fromUtf8(chemin);
  largeurEtendue_ = std::max(largeur, 0.001);
  hauteurEtendue_ = std::max(hauteur, 0.001);
  params.largeurCartouche = largeur;
  params.hauteurCartouche = hauteur;
  get<Static>(kTailleCartouche).setText("Largeur : " + deuxDecimales(largeur) + "\nHauteur : " + deuxDecimales(hauteur));
  updateData(false);
  activerCartouche(true);
}

void DlgCreerPlanche::effacer() {
  updateData(true);
  params.fichierCartouche.clear();
  get<Static>(kTailleCartouche).setText("");
  updateData(false);
  activerCartouche(false);
}

void DlgCreerPlanche::onKillFocus(int id) {
  if (id == kEchelle) {
    if (!lireEchelle(get<ComboBox>(kEchelle).text())) setFocus(kEchelle);
    return;
  }
  if (!updateData(true)) return;
  if (get<CheckBox>(kProportions).checked()) {
    if (id == kHauteur) {
      if (params.hauteurCartouche <= 0) params.hauteurCartouche = hauteurEtendue_;
      params.largeurCartouche = largeurEtendue_ / hauteurEtendue_ * params.hauteurCartouche;
    } else if (id == kLargeur) {
      if (params.largeurCartouche <= 0) params.largeurCartouche = largeurEtendue_;
      params.hauteurCartouche = hauteurEtendue_ / largeurEtendue_ * params.largeurCartouche;
    }
  }
  for (double* v : {&params.pasX, &params.pasY, &params.largeurCartouche, &params.hauteurCartouche, &params.marge,
                    &params.tailleCroix, &params.hauteurTexte})
    *v = std::max(std::abs(*v), 0.1);
  updateData(false);
}

bool DlgCreerPlanche::onOk() {
  if (!Dialog::onOk()) return false;
  if (!lireEchelle(get<ComboBox>(kEchelle).text())) params.echelle = 1000;
  for (double* v : {&params.pasX, &params.pasY, &params.largeurCartouche, &params.hauteurCartouche, &params.marge,
                    &params.tailleCroix, &params.hauteurTexte})
    *v = std::max(std::abs(*v), 0.1);
  return true;
}

void c_CREERPLANCHE() {
  DlgCreerPlanche dialogue;
  {
    geltaro::frame::ressourcesModule ressources;
    if (dialogue.doModal() != IDOK) return;
  }
  const paramsPlanche& p = dialogue.params;
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  // The position: the middle of the sheet, or (after "Coin") its lower-left
  // corner; a keyword switches and asks again.
  bool milieu = true;
  ZcGePoint3d point;
  for (;;) {
    zcedInitGet(0, milieu ? L"Coin" : L"Milieu");
    const int r = zcedGetPoint(nullptr,
                               milieu ? L"Selectionnez le Milieu de la planche / Coin :"
                                      : L"Selectionnez le coin bas gauche de la planche / Milieu :",
                               point);
    if (r == RTNORM) break;
    if (r != RTKWORD) return;
    milieu = !milieu;
  }
  double orientation = 0;
  const int r = zcedGetAngle(&point, L"\nOrientation de la planche <0.0>", orientation);
  if (r == RTNONE) orientation = 0;
  else if (r != RTNORM) return;
  const std::vector<formatPapier> formats = formatsPapier();
  const formatPapier& f = formats[std::size_t(std::clamp(p.format, 0, int(formats.size()) - 1))];
  const ZcGePoint2d choisi(point.x, point.y);
  const ZcGePoint2d coin = milieu ? coinDepuisMilieu(choisi, orientation, f.largeur, f.hauteur, p.s()) : choisi;
  CAcadUndoGroup groupe;
  dessinerPlanche(db, p, coin, orientation);
  zcedRetVoid();
}
