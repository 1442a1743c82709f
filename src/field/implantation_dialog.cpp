#include "field/implantation_dialog.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "field/implantation_rapport.hpp"
#include "field/implantation_saisie.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ui/filedialog.hpp"

using namespace host::ui;

namespace {

std::string utf8(const std::wstring& w) { return host::toUtf8(w); }

std::string deuxDecimales(double v) {
  char tampon[64];
  std::snprintf(tampon, sizeof tampon, "%.2f", v);
  return tampon;
}

// ------------------------------------------------------------ colours

void remplirCouleurs(ComboBox& combo, int couleur) {
  combo.clear();
  combo.addItem("ByLayer", 256);
  for (int i = 1; i <= 255; ++i) combo.addItem(std::to_string(i), i);
  const int index = combo.findData(couleur);
  combo.setSelection(index >= 0 ? index : 0);
}

int couleurChoisie(const ComboBox& combo, int defaut) {
  const auto data = combo.selectedData();
  return data ? int(*data) : defaut;
}

}  // namespace

// ------------------------------------------------------------ numbering and interpolation

CDlgParamsImplantationAuto::CDlgParamsImplantationAuto(chantierImplantation& chantier)
    : Dialog("Paramètres d'implantation"), chantier_(chantier) {
  add<Edit>(IDC_PARAM_DEPART, "Num départ").setIntRange(1, INT_MAX);
  add<Edit>(IDC_PARAM_PREFIXE, "Préfixe");
  add<Edit>(IDC_PARAM_SUFFIXE, "Suffixe");
  add<CheckBox>(IDC_PARAM_INCREMENT, "Incrémenation Automatique du préfixe");
  add<Static>(IDC_STATIC, "Clothoides");
  add<Radio>(IDC_PARAM_CLO_PAS, "Interpolation par pas", 1);
  add<Radio>(IDC_PARAM_CLO_ERREUR, "Implantation suivt erreur max", 1);
  add<Edit>(IDC_PARAM_CLO_VALEUR, "Dist / Err max");
  add<Static>(IDC_STATIC, "Arcs");
  add<Radio>(IDC_PARAM_ARC_PAS, "Interpolation par pas", 2);
  add<Radio>(IDC_PARAM_ARC_ERREUR, "Implantation suivt erreur max", 2);
  add<Edit>(IDC_PARAM_ARC_VALEUR, "Dist / Err max");
  add<CheckBox>(IDC_PARAM_DROITS, "Interpoler sur alignements droits");
  add<Edit>(IDC_PARAM_DISTANCE, "Distance");
  add<Edit>(IDC_PARAM_CODE, "Code des stations").show(false);
  add<Button>(IDOK, "Continuer");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgParamsImplantationAuto::onInit() {
  const parametresInterpolation& p = chantier_.interpolation;
  get<Edit>(IDC_PARAM_DEPART).setInteger(chantier_.numeroDepart);
  get<Edit>(IDC_PARAM_PREFIXE).setText(utf8(chantier_.prefixe));
  get<Edit>(IDC_PARAM_SUFFIXE).setText(utf8(chantier_.suffixe));
  get<CheckBox>(IDC_PARAM_INCREMENT).setChecked(p.incrementPrefixe);
  get<Radio>(IDC_PARAM_CLO_PAS).setChecked(p.modeClothoides == parametresInterpolation::kParPas);
  get<Radio>(IDC_PARAM_CLO_ERREUR).setChecked(p.modeClothoides == parametresInterpolation::kErreurMax);
  get<Edit>(IDC_PARAM_CLO_VALEUR).setNumber(p.valeurClothoides, 3);
  get<Radio>(IDC_PARAM_ARC_PAS).setChecked(p.modeArcs == parametresInterpolation::kParPas);
  get<Radio>(IDC_PARAM_ARC_ERREUR).setChecked(p.modeArcs == parametresInterpolation::kErreurMax);
  get<Edit>(IDC_PARAM_ARC_VALEUR).setNumber(p.valeurArcs, 3);
  get<CheckBox>(IDC_PARAM_DROITS).setChecked(p.alignementsDroits);
  get<Edit>(IDC_PARAM_DISTANCE).setNumber(p.distanceAlignements, 3);
}

bool CDlgParamsImplantationAuto::onOk() {
  if (!Dialog::onOk()) return false;
  const auto depart = get<Edit>(IDC_PARAM_DEPART).integer();
  if (!depart || *depart < 1) return false;
  // A step, a distance or a chord error of 0 or less would never get to
  // the end of an entity.
  double valeurs[3];
  const int ids[3] = {IDC_PARAM_CLO_VALEUR, IDC_PARAM_ARC_VALEUR, IDC_PARAM_DISTANCE};
  for (int i = 0; i < 3; ++i) {
    const auto v = get<Edit>(ids[i]).number();
    if (!v || !(*v > 0) || !std::isfinite(*v)) {
      zcMessageBox("Le pas, la distance et l'erreur maximale doivent être des nombres strictement positifs.",
                   "Erreur", MB_OK | MB_ICONERROR);
      setFocus(ids[i]);
      return false;
    }
    valeurs[i] = *v;
  }
  parametresInterpolation& p = chantier_.interpolation;
  chantier_.numeroDepart = *depart;
  chantier_.prefixe = host::fromUtf8(get<Edit>(IDC_PARAM_PREFIXE).text());
  chantier_.suffixe = host::fromUtf8(get<Edit>(IDC_PARAM_SUFFIXE).text());
  p.incrementPrefixe = get<CheckBox>(IDC_PARAM_INCREMENT).checked();
  p.modeClothoides = get<Radio>(IDC_PARAM_CLO_ERREUR).checked() ? parametresInterpolation::kErreurMax
                                                                  : parametresInterpolation::kParPas;
  p.valeurClothoides = valeurs[0];
  p.modeArcs = get<Radio>(IDC_PARAM_ARC_ERREUR).checked() ? parametresInterpolation::kErreurMax
                                                            : parametresInterpolation::kParPas;
  p.valeurArcs = valeurs[1];
  p.alignementsDroits = get<CheckBox>(IDC_PARAM_DROITS).checked();
  p.distanceAlignements = valeurs[2];
  chantier_.numerotation.initialiser(chantier_.prefixe, chantier_.numeroDepart, chantier_.suffixe, 1);
  chantier_.entiteDejaChoisie = false;
  return true;
}

// ------------------------------------------------------------ drawing settings

CDlgPrmDessImplantationAuto::CDlgPrmDessImplantationAuto(chantierImplantation& chantier)
    : Dialog("Parametres graphiques pour les implémentation"), chantier_(chantier) {
  add<Edit>(IDC_GRAPH_TEXTES, "Taille textes").setRange(1e-6, 1e36);
  add<Edit>(IDC_GRAPH_LARGEUR, "Largeur &Fleche").setRange(0, 1e36);
  add<Edit>(IDC_GRAPH_LONGUEUR, "Longueur de la f&leche").setRange(0, 1e36);
  add<Edit>(IDC_GRAPH_CROIX_POINTS, "Taille croix . points").setRange(0, 1e36);
  add<Edit>(IDC_GRAPH_CROIX_STATIONS, "Taille croix. Stations").setRange(0, 1e36);
  add<ComboBox>(IDC_GRAPH_NON_VERIFIE, "Point non vérifié");
  add<ComboBox>(IDC_GRAPH_NON_VISIBLE, "Point non visible");
  add<ComboBox>(IDC_GRAPH_VISIBLE, "Point visible");
  add<ComboBox>(IDC_GRAPH_STATION_OBS, "Mise en station - Obs");
  add<ComboBox>(IDC_GRAPH_STATION_REF, "Mise en station - Ref");
  add<CheckBox>(IDC_GRAPH_STATIONS, "Mises en station");
  add<CheckBox>(IDC_GRAPH_POINTS, "Implantations des points");
  add<CheckBox>(IDC_GRAPH_NUMEROS, "Placer Numéros points");
  add<CheckBox>(IDC_GRAPH_TEXTES_ANGLES, "Textes angles et distances");
  add<CheckBox>(IDC_GRAPH_COORDONNEES, "Coordonnees des points");
  add<Radio>(IDC_GRAPH_PAS_GROUPER, "Ne pas grouper", 1);
  add<Radio>(IDC_GRAPH_GROUPER_STATION, "Grouper par mise en station", 1);
  add<Radio>(IDC_GRAPH_TOUT_GROUPER, "Tout grouper", 1);
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Cancel");
}

void CDlgPrmDessImplantationAuto::onInit() {
  const parametresImplantation& r = reglagesImplantation();
  get<Edit>(IDC_GRAPH_TEXTES).setNumber(r.tailleTextes, 3);
  get<Edit>(IDC_GRAPH_LARGEUR).setNumber(r.largeurFleche, 3);
  get<Edit>(IDC_GRAPH_LONGUEUR).setNumber(r.longueurFleche, 3);
  get<Edit>(IDC_GRAPH_CROIX_POINTS).setNumber(r.croixPoints, 3);
  get<Edit>(IDC_GRAPH_CROIX_STATIONS).setNumber(r.croixStations, 3);
  remplirCouleurs(get<ComboBox>(IDC_GRAPH_NON_VERIFIE), r.couleurNonVerifie);
  remplirCouleurs(get<ComboBox>(IDC_GRAPH_NON_VISIBLE), r.couleurNonVisible);
  remplirCouleurs(get<ComboBox>(IDC_GRAPH_VISIBLE), r.couleurVisible);
  remplirCouleurs(get<ComboBox>(IDC_GRAPH_STATION_OBS), r.couleurStationObs);
  remplirCouleurs(get<ComboBox>(IDC_GRAPH_STATION_REF), r.couleurStationRef);
  const optionsDessinImplantation& o = chantier_.options;
  get<CheckBox>(IDC_GRAPH_STATIONS).setChecked(o.stations);
  get<CheckBox>(IDC_GRAPH_POINTS).setChecked(o.points);
  get<CheckBox>(IDC_GRAPH_NUMEROS).setChecked(o.numeros);
  get<CheckBox>(IDC_GRAPH_TEXTES_ANGLES).setChecked(o.textes);
  get<CheckBox>(IDC_GRAPH_COORDONNEES).setChecked(o.coordonnees);
  get<Radio>(IDC_GRAPH_PAS_GROUPER).setChecked(o.groupement == optionsDessinImplantation::kNePasGrouper);
  get<Radio>(IDC_GRAPH_GROUPER_STATION).setChecked(o.groupement == optionsDessinImplantation::kGrouperParStation);
  get<Radio>(IDC_GRAPH_TOUT_GROUPER).setChecked(o.groupement == optionsDessinImplantation::kToutGrouper);
}

bool CDlgPrmDessImplantationAuto::onOk() {
  if (!Dialog::onOk()) return false;
  parametresImplantation& r = reglagesImplantation();
  r.tailleTextes = get<Edit>(IDC_GRAPH_TEXTES).number().value_or(r.tailleTextes);
  r.largeurFleche = get<Edit>(IDC_GRAPH_LARGEUR).number().value_or(r.largeurFleche);
  r.longueurFleche = get<Edit>(IDC_GRAPH_LONGUEUR).number().value_or(r.longueurFleche);
  r.croixPoints = get<Edit>(IDC_GRAPH_CROIX_POINTS).number().value_or(r.croixPoints);
  r.croixStations = get<Edit>(IDC_GRAPH_CROIX_STATIONS).number().value_or(r.croixStations);
  r.couleurNonVerifie = couleurChoisie(get<ComboBox>(IDC_GRAPH_NON_VERIFIE), r.couleurNonVerifie);
  r.couleurNonVisible = couleurChoisie(get<ComboBox>(IDC_GRAPH_NON_VISIBLE), r.couleurNonVisible);
  r.couleurVisible = couleurChoisie(get<ComboBox>(IDC_GRAPH_VISIBLE), r.couleurVisible);
  r.couleurStationObs = couleurChoisie(get<ComboBox>(IDC_GRAPH_STATION_OBS), r.couleurStationObs);
  r.couleurStationRef = couleurChoisie(get<ComboBox>(IDC_GRAPH_STATION_REF), r.couleurStationRef);
  optionsDessinImplantation& o = chantier_.options;
  o.stations = get<CheckBox>(IDC_GRAPH_STATIONS).checked();
  o.points = get<CheckBox>(IDC_GRAPH_POINTS).checked();
  o.numeros = get<CheckBox>(IDC_GRAPH_NUMEROS).checked();
  o.textes = get<CheckBox>(IDC_GRAPH_TEXTES_ANGLES).checked();
  o.coordonnees = get<CheckBox>(IDC_GRAPH_COORDONNEES).checked();
  if (get<Radio>(IDC_GRAPH_PAS_GROUPER).checked()) o.groupement = optionsDessinImplantation::kNePasGrouper;
  else if (get<Radio>(IDC_GRAPH_TOUT_GROUPER).checked()) o.groupement = optionsDessinImplantation::kToutGrouper;
  else o.groupement = optionsDessinImplantation::kGrouperParStation;
  return true;
}

// ------------------------------------------------------------ the list

CDlgImplantationDirecte::CDlgImplantationDirecte(chantierImplantation& chantier)
    : Dialog("Implantation"), chantier_(chantier) {
  auto& liste = add<ListView>(IDC_IMPL_LISTE, "Points");
  liste.setMultiSelect(true);
  liste.addColumn("Num", 8, Align::Center);
  liste.addColumn("X", 14, Align::Center);
  liste.addColumn("Y", 14, Align::Center);
  liste.addColumn("Z", 8, Align::Center);
  liste.addColumn("Station", 12, Align::Right);
  liste.addColumn("Ref", 12, Align::Right);
  liste.addColumn("Angle", 12, Align::Center);
  liste.addColumn("Distance", 12, Align::Center);
  liste.addColumn("Visible", 8, Align::Center);
  add<Button>(IDC_IMPL_NUMEROTATION, "&Numérotation");
  add<Button>(IDC_IMPL_AJOUTER, "&Ajouter");
  add<Button>(IDC_IMPL_ENLEVER, "&Enlever");
  add<Button>(IDC_IMPL_STATION, "&Mise en station");
  add<Button>(IDC_IMPL_LOCALISER, "&Localiser");
  add<Button>(IDC_IMPL_APERCU, "Aperçu");
  add<Button>(IDC_IMPL_OBSTACLES, "&Gérer obstacles");
  add<CheckBox>(IDC_IMPL_VISIBILITE, "&Vérifier visibilité", true);
  add<Edit>(IDC_IMPL_HMIN, "H.Min");
  add<Edit>(IDC_IMPL_HSTAT, "H.Stat");
  add<Button>(IDC_IMPL_CONFIG, "Config Graphiques");
  add<CheckBox>(IDC_IMPL_DESSINER, "&Dessiner");
  add<CheckBox>(IDC_IMPL_EXPORTER, "E&xporter");
  add<CheckBox>(IDC_IMPL_SCHEMATISER, "&Schématiser");
  add<Button>(IDC_IMPL_GENERER, "Générer résultats");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgImplantationDirecte::onInit() {
  get<CheckBox>(IDC_IMPL_VISIBILITE).setChecked(chantier_.verifierVisibilite);
  afficherHauteurs();
  remplirListe();
}

void CDlgImplantationDirecte::afficherHauteurs() {
  get<Edit>(IDC_IMPL_HMIN).setText(deuxDecimales(reglagesImplantation().hMin));
  get<Edit>(IDC_IMPL_HSTAT).setText(deuxDecimales(chantier_.hStat));
}

void CDlgImplantationDirecte::remplirListe() {
  auto& liste = get<ListView>(IDC_IMPL_LISTE);
  liste.clear();
  char tampon[64];
  for (const observationImplantation& p : chantier_.points) {
    auto coordonnee = [&](double v, const char* format) {
      if (v == kIndefini || !std::isfinite(v)) return std::string();
      std::snprintf(tampon, sizeof tampon, format, v);
      return std::string(tampon);
    };
    liste.addRow({utf8(p.nom), coordonnee(p.x, "%.4f"), coordonnee(p.y, "%.4f"), coordonnee(p.z, "%.3f"),
                  utf8(texteStation(chantier_, p)), utf8(texteRef(chantier_, p)), utf8(texteAngle(chantier_, p)),
                  utf8(texteDistance(chantier_, p)), utf8(texteVisible(p))},
                 p.identifiant);
  }
  get<Button>(IDC_IMPL_NUMEROTATION).enable(chantier_.points.empty());
}

std::vector<std::uint32_t> CDlgImplantationDirecte::lignesChoisies(bool toutesSiAucune) const {
  std::vector<std::uint32_t> ids;
  const auto& liste = get<ListView>(IDC_IMPL_LISTE);
  for (std::int64_t d : liste.selectedData()) ids.push_back(std::uint32_t(d));
  if (ids.empty() && toutesSiAucune)
    for (const auto& p : chantier_.points) ids.push_back(p.identifiant);
  return ids;
}

void CDlgImplantationDirecte::onDoubleClick(int id, int) {
  if (id != IDC_IMPL_LISTE) return;
  auto& liste = get<ListView>(IDC_IMPL_LISTE);
  for (int i = 0; i < liste.rowCount(); ++i) liste.select(i, true);
}

void CDlgImplantationDirecte::onKillFocus(int id) {
  if (id != IDC_IMPL_HMIN && id != IDC_IMPL_HSTAT) return;
  // A text that is not a number is ignored: the field shows the value again.
  if (const auto v = get<Edit>(id).number()) {
    if (id == IDC_IMPL_HMIN) reglagesImplantation().hMin = borneHauteur(*v);
    else chantier_.hStat = borneHauteur(*v);
  }
  afficherHauteurs();
}

void CDlgImplantationDirecte::onPress(int id) {
  switch (id) {
    case IDC_IMPL_NUMEROTATION: {
      CDlgParamsImplantationAuto parametres(chantier_);
      parametres.doModal();
      break;
    }
    case IDC_IMPL_AJOUTER:
      hideForPick();
      ajouterPointsImplantation(chantier_);
      remplirListe();
      break;
    case IDC_IMPL_ENLEVER:
      enlever();
      break;
    case IDC_IMPL_STATION:
      hideForPick();
      miseEnStationImplantation(chantier_, lignesChoisies(true));
      remplirListe();
      break;
    case IDC_IMPL_LOCALISER:
      localiser();
      break;
    case IDC_IMPL_APERCU:
      apercu();
      break;
    case IDC_IMPL_OBSTACLES:
      hideForPick();
      gererObstaclesImplantation(chantier_);
      break;
    case IDC_IMPL_VISIBILITE:
      chantier_.verifierVisibilite = get<CheckBox>(IDC_IMPL_VISIBILITE).checked();
      break;
    case IDC_IMPL_CONFIG: {
      CDlgPrmDessImplantationAuto graphiques(chantier_);
      graphiques.doModal();
      break;
    }
    case IDC_IMPL_GENERER:
      genererResultats();
      break;
    default:
      break;
  }
}

void CDlgImplantationDirecte::enlever() {
  auto& liste = get<ListView>(IDC_IMPL_LISTE);
  std::vector<int> lignes = liste.selectedRows();
  std::sort(lignes.begin(), lignes.end());
  for (auto it = lignes.rbegin(); it != lignes.rend(); ++it) {
    const std::uint32_t ident = std::uint32_t(liste.row(*it).data);
    auto p = std::find_if(chantier_.points.begin(), chantier_.points.end(),
                          [&](const auto& q) { return q.identifiant == ident; });
    if (p != chantier_.points.end()) {
      chantier_.effacerPoint(*p);
      chantier_.points.erase(p);
    }
    liste.removeRow(*it);
  }
  get<Button>(IDC_IMPL_NUMEROTATION).enable(chantier_.points.empty());
}

void CDlgImplantationDirecte::localiser() {
  std::vector<ZcDbObjectId> ids;
  for (std::uint32_t ident : lignesChoisies(false)) {
    if (const observationImplantation* p = chantier_.point(ident)) {
      ids.insert(ids.end(), p->dessinPoint.begin(), p->dessinPoint.end());
      ids.insert(ids.end(), p->dessinTextes.begin(), p->dessinTextes.end());
    }
  }
  hideForPick();
  for (const ZcDbObjectId& id : ids) zcedRedraw(id, 3);
  zcedInitGet(0, L"Redessiner _ Redraw");
  std::wstring mot;
  zcedGetKword(L"\nPause [Redessiner]:", mot);
  for (const ZcDbObjectId& id : ids) zcedRedraw(id, 4);
}

void CDlgImplantationDirecte::apercu() {
  hideForPick();
  chantier_.dessinerTout();
  std::wstring pause;
  zcedGetString(0, L"\nPause :", pause);
}

void CDlgImplantationDirecte::genererResultats() {
  const bool dessiner = get<CheckBox>(IDC_IMPL_DESSINER).checked();
  const bool exporter = get<CheckBox>(IDC_IMPL_EXPORTER).checked();
  const bool schematiser = get<CheckBox>(IDC_IMPL_SCHEMATISER).checked();
  if (!dessiner && !exporter && !schematiser) return;
  hideForPick();
  if (schematiser) {
    ZcGePoint3d position;
    if (zcedGetPoint(nullptr, L"Position des textes", position) == RTNORM) schematiserImplantation(chantier_, position);
  }
  if (exporter) {
    FileDialog fichier(false, "htm", {}, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "Fichier WORD(.doc)|*.doc|Fichier HTML(.htm)|*.htm; *.html|Tous (*.*)|*.*||");
    if (fichier.doModal() == IDOK && !ecrireRapportImplantation(chantier_, fichier.pathName()))
      zcMessageBox("Impossible d'écrire le fichier " + fichier.pathName() + ".", "Erreur", MB_OK | MB_ICONERROR);
  }
  if (dessiner) {
    chantier_.dessinerTout();
    for (const auto& groupe : chantier_.collecterGroupes(true)) host::addAnonymousGroup(chantier_.db, groupe);
  } else {
    // Only "Dessiner" keeps the graphics drawn while the dialog was open.
    chantier_.effacerTout();
  }
  chantier_.collecterGroupes(true);
  endDialog(IDOK);
}

void CDlgImplantationDirecte::onCancel() {
  // A job given up leaves nothing in the drawing.
  chantier_.effacerTout();
}

// ------------------------------------------------------------ the command

void c_IMPLANT2() {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  CAcadUndoGroup annulation;
  chantierImplantation chantier(db);
  CDlgImplantationDirecte dialogue(chantier);
  geltaro::frame::ressourcesModule ressources;
  dialogue.doModal();
  zcedRedraw(ZcDbObjectId(), 0);
}
