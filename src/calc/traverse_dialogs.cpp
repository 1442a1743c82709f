#include "calc/traverse_dialogs.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "calc/angles.hpp"
#include "calc/traverse_report.hpp"
#include "frame/config.hpp"
#include "frame/resources.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"
#include "points/blocks.hpp"
#include "points/names.hpp"
#include "points/project.hpp"
#include "report/viewer.hpp"
#include "points/codification.hpp"

using namespace host::ui;
using host::fromUtf8;
using host::toUtf8;

namespace {

constexpr const char* kCaptionCalculs = "Calculs Topo";
constexpr const char* kDonneesInsuffisantes = "Erreur , données insuffisantes ";
constexpr const char* kAucunPointPlace = " : aucun point n'est placé.";
// The filters of the traverse files, in the order of filtrePolygonale.
constexpr const char* kFiltresPolygonale = "Observations|*.obs|Sans extension|*.|Tous|*.*|Text|*.TXT||";

std::string formater(const char* format, double v) {
  char texte[400];
  std::snprintf(texte, sizeof texte, format, v);
  return texte;
}

// A number typed in a field or a list cell, read as the C run-time reads it:
// leading blanks skipped, the longest number at the start taken, 0 when
// there is none.
double lireNombre(const std::string& texte) { return std::strtod(texte.c_str(), nullptr); }

// An integer likewise; a value beyond the range of int gives 0.
int lireEntier(const std::string& texte) {
  errno = 0;
  const long v = std::strtol(texte.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return 0;
  return int(v);
}

// Numbers shown in the fields keep every significant digit, so that a value
// loaded from a file goes back unchanged.
std::string texteNombre(double v) { return formater("%.15g", v); }

// A polyline in the model space of the working drawing.
void dessinerPolyligne(const std::vector<SommetPolyligne>& sommets, int couleur, bool fermee) {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db || sommets.size() < 2) return;
  auto polyligne = std::make_unique<ZcDbPolyline>();
  for (const SommetPolyligne& s : sommets) polyligne->addVertexAt(polyligne->numVerts(), ZcGePoint2d(s.x, s.y));
  polyligne->setClosed(fermee);
  polyligne->setColorIndex(couleur);
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  if (espace.openStatus() == Zcad::eOk) espace->appendZcDbEntity(polyligne.get());
}

void avertir(const std::string& texte) { zcMessageBox(texte, kCaptionCalculs, MB_OK | MB_ICONWARNING); }

// A station placed as a survey point: altitude 1e38 when altitudes are not
// placed, which the point model reads as no altitude.
pointDuDessin pointStation(const std::wstring& nom, double x, double y, double z, int code, bool altitudes) {
  pointDuDessin p;
  p.setParams(nom.c_str(), ZcGePoint3d(x, y, altitudes ? z : kIndefini), code);
  return p;
}

// Whether to place stations whose misclosures are not all within their
// tolerances: true at once when they are, otherwise the user's answer to a
// question naming each misclosure beyond its tolerance.
bool placerHorsTolerance(const ControleTolerance& angulaire, const ControleTolerance& lineaire, int unite) {
  if (!angulaire.depassee && !lineaire.depassee) return true;
  std::string texte;
  if (angulaire.depassee) {
    // Radians need more decimals than grades or degrees for the same angle.
    const char* format = unite == kRadians ? "%.7f" : "%.5f";
    const std::string symbole = std::string(" ") + symboleUnite(unite);
    texte += "La fermeture angulaire (" + formater(format, angulaire.fermeture) + symbole +
             ") dépasse la tolérance (" + formater(format, angulaire.tolerance) + symbole + ").\n";
  }
  if (lineaire.depassee)
    texte += "La fermeture linéaire (" + formater("%.4f", lineaire.fermeture) + " m) dépasse la tolérance (" +
             formater("%.4f", lineaire.tolerance) + " m).\n";
  texte += "Placer quand même les stations ?";
  return zcMessageBox(texte, kCaptionCalculs, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Why the stations cannot all become survey points of their own, or empty
// when they can. A point keeps at most 9 characters of its name in the
// 8-bit code page, and the current table replaces a point by a later one
// whose name matches it (ignoring case and surrounding blanks).
std::string refusNomsStations(const std::vector<std::wstring>& noms) {
  std::map<std::string, std::wstring> vus;
  for (const std::wstring& nom : noms) {
    pointDuDessin p;
    p.setNomPoint(nom.c_str());
    const std::string cite = "« " + toUtf8(nom) + " »";
    if (p.getNomPointW() != nom) {
      if (nom.size() > std::size_t(pointDuDessin::kTailleNom - 1))
        return "Le nom de la station " + cite + " dépasse les " + std::to_string(pointDuDessin::kTailleNom - 1) +
               " caractères d'un nom de point" + kAucunPointPlace;
      return "Le nom de la station " + cite + " contient un caractère qu'un nom de point ne peut pas garder" +
             kAucunPointPlace;
    }
    const auto [deja, nouveau] = vus.emplace(geltaro::points::cleNom(p.getNomPoint()), nom);
    if (!nouveau)
      return "Les stations « " + toUtf8(deja->second) + " » et " + cite + " donneraient le même nom de point" +
             kAucunPointPlace;
  }
  return {};
}

}  // namespace

// ============================================================ placement options

CParamMisePlaceResultCalcs::CParamMisePlaceResultCalcs() : Dialog("Params mise en place") {
  add<Edit>(kCode, "Code des stations");
  add<CheckBox>(kAltitudes, "Ne pas placer les altitudes");
  add<CheckBox>(kOriginelle, "Dessiner la polygonale originelle");
  add<CheckBox>(kCompensee, "Dessiner la polygonale compensée");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CParamMisePlaceResultCalcs::onInit() {
  get<Edit>(kCode).setInteger(code);
  get<CheckBox>(kAltitudes).setChecked(placerAltitudes);
  get<CheckBox>(kOriginelle).setChecked(dessinerOriginelle);
  get<CheckBox>(kCompensee).setChecked(dessinerCompensee);
  legenderAltitudes();
}

// The toggle tells what will happen: no altitudes until it is ticked.
void CParamMisePlaceResultCalcs::legenderAltitudes() {
  auto& bouton = get<CheckBox>(kAltitudes);
  bouton.setCaption(bouton.checked() ? "Placer les altitudes" : "Ne pas placer les altitudes");
}

void CParamMisePlaceResultCalcs::onPress(int id) {
  if (id == kAltitudes) legenderAltitudes();
}

bool CParamMisePlaceResultCalcs::onOk() {
  code = lireEntier(get<Edit>(kCode).text());
  if (code < 1 || code > 9999) code = 100;
  placerAltitudes = get<CheckBox>(kAltitudes).checked();
  dessinerOriginelle = get<CheckBox>(kOriginelle).checked();
  dessinerCompensee = get<CheckBox>(kCompensee).checked();
  return true;
}

// ============================================================ bearing

CCalcGisementDlg::CCalcGisementDlg() : Dialog("Calcul de gisement") {
  add<Static>(IDC_STATIC, "Station");
  add<Edit>(kNomStation, "Nom");
  add<Edit>(kXStation, "X");
  add<Edit>(kYStation, "Y");
  add<Button>(kPreleverStation, "Prélever du dessin");
  add<Static>(IDC_STATIC, "Direction");
  add<Edit>(kNomDirection, "Nom");
  add<Edit>(kXDirection, "X");
  add<Edit>(kYDirection, "Y");
  add<Button>(kPreleverDirection, "Prélever du dessin");
  add<Edit>(kResultat, "Gisement calculé:").setReadOnly();
  add<Static>(kUnite, "Grades");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CCalcGisementDlg::fixerUnite(int u) {
  unite = u;
  uniteFixee_ = true;
}

void CCalcGisementDlg::onInit() {
  get<Edit>(kNomStation).setText(nomStation);
  get<Edit>(kXStation).setText(texteNombre(xStation));
  get<Edit>(kYStation).setText(texteNombre(yStation));
  get<Edit>(kNomDirection).setText(nomDirection);
  get<Edit>(kXDirection).setText(texteNombre(xDirection));
  get<Edit>(kYDirection).setText(texteNombre(yDirection));
  if (uniteFixee_) get<Static>(kUnite).setText(nomFichierUnite(unite));
}

void CCalcGisementDlg::lireCoordonnees() {
  nomStation = get<Edit>(kNomStation).text();
  nomDirection = get<Edit>(kNomDirection).text();
  xStation = lireNombre(get<Edit>(kXStation).text());
  yStation = lireNombre(get<Edit>(kYStation).text());
  xDirection = lireNombre(get<Edit>(kXDirection).text());
  yDirection = lireNombre(get<Edit>(kYDirection).text());
}

double CCalcGisementDlg::calculer() const {
  return ::calculerGisement(xStation, yStation, xDirection, yDirection, unite);
}

void CCalcGisementDlg::onKillFocus(int id) {
  if (id != kXStation && id != kYStation && id != kXDirection && id != kYDirection) return;
  lireCoordonnees();
  get<Edit>(kResultat).setText(formater("%.4f", calculer()));
}

bool CCalcGisementDlg::onOk() {
  lireCoordonnees();
  gisement = calculer();
  return true;
}

// ============================================================ traverses

dialoguePolygonale::dialoguePolygonale(std::string titre) : Dialog(std::move(titre)) {
  const parametresPolygonale& reglages = reglagesPolygonale();
  tolerances.angulaireMgr = reglages.ToleranceAngulairePolygonale.value();
  tolerances.denominateurLineaire = reglages.DenominateurToleranceLineaire.value();
}

void dialoguePolygonale::ajouterControlesCommuns() {
  add<Static>(IDC_STATIC, "Options");
  add<ComboBox>(kComboNivellement, "Nivellement");
  add<ComboBox>(kComboAngles, "Angles");
  add<Static>(IDC_STATIC, "Données");
  add<Edit>(kStation, "Station");
  add<Edit>(kAngle, "Angle");
  add<Edit>(kDistance, "Distance");
  add<Edit>(kAltitude, "Altitude");
  add<ListView>(kListe, "Observations");
  add<Button>(kAjouter, "Ajouter");
  add<Button>(kEnlever, "Enlever !");
  add<Button>(kCalculer, "Calculer !");
  add<Button>(kPlacer, "Placer !!!");
  add<Button>(kSauvegarder, "Sauvegarder");
  add<Button>(kCharger, "Charger");
  add<Button>(IDOK, "Fermer");
}

void dialoguePolygonale::onInit() {
  auto& niv = get<ComboBox>(kComboNivellement);
  niv.clear();
  for (int m = kNivAucun; m <= kNivRacine; ++m) niv.addItem(texteNivellement(m), m);
  auto& angles = get<ComboBox>(kComboAngles);
  angles.clear();
  for (int u = kGrades; u <= kRadians; ++u) angles.addItem(texteUnite(u), u);

  // Four equal columns over the client width; headless the list has none,
  // and the default width of 200 is used.
  auto& liste = get<ListView>(kListe);
  if (liste.columns().empty()) {
    const int largeurClient = 0;
    const int largeur = ((largeurClient == 0 ? 200 : largeurClient) + 2) / 4;
    for (const char* titre : {"St Observée", "Angle", "Distance", "Altitude"}) liste.addColumn(titre, largeur);
  }
  afficher();
}

void dialoguePolygonale::afficherNombre(int id, double valeur) { get<Edit>(id).setText(texteNombre(valeur)); }

double dialoguePolygonale::nombre(int id) const { return lireNombre(get<Edit>(id).text()); }

void dialoguePolygonale::afficher() {
  auto& niv = get<ComboBox>(kComboNivellement);
  if (nivellement >= 0 && nivellement < niv.count()) niv.setSelection(nivellement);
  auto& angles = get<ComboBox>(kComboAngles);
  if (unite >= 0 && unite < angles.count()) angles.setSelection(unite);
  get<Edit>(kStation).setText(station);
  afficherNombre(kAngle, angle);
  afficherNombre(kDistance, distance);
  afficherNombre(kAltitude, altitude);
}

void dialoguePolygonale::lireControles() {
  if (int s = get<ComboBox>(kComboNivellement).selection(); s >= 0) nivellement = s;
  if (int s = get<ComboBox>(kComboAngles).selection(); s >= 0) unite = s;
  station = get<Edit>(kStation).text();
  angle = nombre(kAngle);
  distance = nombre(kDistance);
  altitude = nombre(kAltitude);
}

void dialoguePolygonale::onKillFocus(int) { lireControles(); }

void dialoguePolygonale::onSelectionChange(int id) {
  // The list's notifications carry no action.
  if (id == kComboNivellement || id == kComboAngles) lireControles();
}

void dialoguePolygonale::onPress(int id) {
  switch (id) {
    case kAjouter: ajouter(); break;
    case kEnlever: enlever(); break;
    case kCalculer: calculer(); break;
    case kPlacer: placer(); break;
    case kSauvegarder: sauvegarder(); break;
    case kCharger: charger(); break;
    default: break;
  }
}

std::vector<obsPolygonale> dialoguePolygonale::lignes() const {
  std::vector<obsPolygonale> obs;
  const auto& liste = get<ListView>(kListe);
  for (int i = 0; i < liste.rowCount(); ++i) {
    std::wstring nom = fromUtf8(liste.cell(i, 0));
    if (nom.size() > kNomLignePolygonaleMax) nom.resize(kNomLignePolygonaleMax);
    obs.push_back(creerObs(nom, lireNombre(liste.cell(i, 1)), lireNombre(liste.cell(i, 2)),
                           lireNombre(liste.cell(i, 3))));
  }
  return obs;
}

void dialoguePolygonale::ajouter() {
  lireControles();
  // Five decimals are 0.01 mgr or 1e-5 degree; in radians they would be up
  // to 5e-6 rad off (0.75 mm at 150 m), so radians keep ten.
  const char* formatAngle = unite == kRadians ? "%.10f" : "%.5f";
  get<ListView>(kListe).addRow(
      {station, formater(formatAngle, angle), formater("%.5f", distance), formater("%.5f", altitude)});
}

void dialoguePolygonale::enlever() {
  auto& liste = get<ListView>(kListe);
  if (liste.rowCount() == 0) return;
  const int choisie = liste.firstSelected();
  liste.removeRow(choisie >= 0 ? choisie : liste.rowCount() - 1);
}

void dialoguePolygonale::calculer() {
  lireControles();
  std::vector<obsPolygonale> obs = lignes();
  if (obs.size() < 2) {
    avertir(kDonneesInsuffisantes);
    return;
  }
  // The report starts with the standard style sheet itself.
  htmlDocument document;
  Stations stations;
  if (!calculerAvec(obs, &document, 0, false, stations)) return;
  afficherRapport(document);
}

void dialoguePolygonale::placer() {
  lireControles();
  std::vector<obsPolygonale> obs = lignes();
  if (obs.size() < 2) {
    avertir(kDonneesInsuffisantes);
    return;
  }
  if (const std::string refus = refusNomsStations(nomsStations(obs)); !refus.empty()) {
    avertir(refus);
    return;
  }
  CParamMisePlaceResultCalcs options;
  if (options.doModal() != IDOK) return;
  Stations stations;
  if (!calculerAvec(obs, nullptr, options.code, options.placerAltitudes, stations)) return;
  if (!placerHorsTolerance(stations.angulaire, stations.lineaire, unite)) return;
  if (options.dessinerOriginelle) dessinerPolyligne(stations.brut, 1, false);
  if (options.dessinerCompensee) dessinerPolyligne(stations.compense, 3, stations.compenseFerme);
  codification().codeCree(options.code);
  for (const pointDuDessin& p : stations.points) placerPointDansTableCourante(p, L"");
}

void dialoguePolygonale::sauvegarder() {
  lireControles();
  FileDialog dialogue(false, "obs", {}, OFN_HIDEREADONLY, kFiltresPolygonale);
  if (dialogue.doModal() != IDOK) return;
  // "Observations" is the preselected filter: a name no filter matches
  // takes its rule.
  const int filtre = dialogue.filterIndex() > 0 ? dialogue.filterIndex() : int(kFiltreObservations);
  const std::string chemin = cheminFichierPolygonale(dialogue.pathName(), filtre);

  fichierPolygonale f;
  f.ouverte = ouverte();
  f.unite = unite;
  f.nivellement = nivellement;
  const auto& liste = get<ListView>(kListe);
  for (int i = 0; i < liste.rowCount(); ++i)
    f.lignes.push_back({fromUtf8(liste.cell(i, 0)), fromUtf8(liste.cell(i, 1)), fromUtf8(liste.cell(i, 2)),
                        fromUtf8(liste.cell(i, 3))});
  versFichier(f);
  if (!ecrireFichierPolygonale(chemin, f)) zcMessageBox("Ouverture impossible du fichier", "Erreur", MB_OK | MB_ICONWARNING);
}

void dialoguePolygonale::charger() {
  lireControles();
  FileDialog dialogue(true, {}, {}, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, kFiltresPolygonale);
  if (dialogue.doModal() != IDOK) return;
  // The reader keeps what the file does not set: it starts from the fields.
  fichierPolygonale f;
  f.ouverte = ouverte();
  f.unite = unite;
  f.nivellement = nivellement;
  versFichier(f);
  if (!lireFichierPolygonale(dialogue.pathName(), ouverte(), f)) return;

  unite = f.unite;
  nivellement = f.nivellement;
  depuisFichier(f);
  auto& liste = get<ListView>(kListe);
  liste.clear();
  for (const lignePolygonale& l : f.lignes)
    liste.addRow({toUtf8(l.nom), toUtf8(l.angle), toUtf8(l.distance), toUtf8(l.dz)});
  afficher();
}

// ------------------------------------------------------------ closed traverse

corrPolygoDLG::corrPolygoDLG() : dialoguePolygonale("Correction de polygonale fermée") {
  add<Static>(IDC_STATIC, "Station de départ");
  add<Edit>(kNumero, "Numéro");
  add<Edit>(kX, "X");
  add<Edit>(kY, "Y");
  add<Edit>(kZ, "Z");
  add<Edit>(kNord, "Nord");
  ajouterControlesCommuns();
  station = "ST2";
}

void corrPolygoDLG::afficher() {
  dialoguePolygonale::afficher();
  get<Edit>(kNumero).setText(numero);
  afficherNombre(kX, x);
  afficherNombre(kY, y);
  afficherNombre(kZ, z);
  afficherNombre(kNord, nord);
}

void corrPolygoDLG::lireControles() {
  dialoguePolygonale::lireControles();
  numero = get<Edit>(kNumero).text();
  x = nombre(kX);
  y = nombre(kY);
  z = nombre(kZ);
  nord = nombre(kNord);
}

bool corrPolygoDLG::calculerAvec(std::vector<obsPolygonale>& obs, htmlDocument* document, int code, bool altitudes,
                                 Stations& s) {
  const StationPolygonale depart{fromUtf8(numero), x, y, z, nord};
  const std::vector<obsPolygonale> mesurees = obs;
  const ResultatPolygonaleFermee r = calculerPolygonaleFermee(depart, nivellement, unite, obs, tolerances);
  if (!r.ok) {
    avertir(r.message);
    return false;
  }
  if (document) rapportPolygonaleFermee(*document, depart, nivellement, mesurees, r);
  s.brut = r.traceBrut;
  s.compense = r.traceCompense;
  s.compenseFerme = r.traceCompenseFerme;
  s.angulaire = r.controleAngulaire;
  s.lineaire = r.controleLineaire;
  const std::vector<std::wstring> noms = nomsStations(mesurees);
  for (std::size_t i = 0; i < noms.size(); ++i)
    s.points.push_back(pointStation(noms[i], r.X[i], r.Y[i], r.Z[i], code, altitudes));
  return true;
}

std::vector<std::wstring> corrPolygoDLG::nomsStations(const std::vector<obsPolygonale>& obs) const {
  // Station i is where leg i-1 ends: it bears the name of row i-1, and the
  // start station the name of the last row, which closes the ring.
  std::vector<std::wstring> noms;
  const std::size_t n = obs.size();
  for (std::size_t i = 0; i < n; ++i) noms.push_back(nomObs(obs[(i + n - 1) % n]));
  return noms;
}

void corrPolygoDLG::versFichier(fichierPolygonale& f) const {
  f.depart = {fromUtf8(numero), x, y, z, nord};
}

void corrPolygoDLG::depuisFichier(const fichierPolygonale& f) {
  numero = toUtf8(f.depart.nom);
  x = f.depart.x;
  y = f.depart.y;
  z = f.depart.z;
  nord = f.depart.gis;
}

// ------------------------------------------------------------ open traverse

corrPolygoOuverteDLG::corrPolygoOuverteDLG() : dialoguePolygonale("Correction Polygonale ouverte") {
  add<Static>(IDC_STATIC, "Station de départ");
  add<Edit>(kNumeroDepart, "Numéro");
  add<Edit>(kXDepart, "X");
  add<Edit>(kYDepart, "Y");
  add<Edit>(kZDepart, "Z");
  add<Edit>(kGisDepart, "Gisement référence → départ");
  add<Button>(kCalDepart, "Cal");
  add<Static>(IDC_STATIC, "Station d'arrivée");
  add<Edit>(kNumeroArrivee, "Numéro");
  add<Edit>(kXArrivee, "X");
  add<Edit>(kYArrivee, "Y");
  add<Edit>(kZArrivee, "Z");
  add<Edit>(kGisArrivee, "Gisement arrivée → référence");
  add<Button>(kCalArrivee, "Cal");
  add<Edit>(kDernierAngle, "Dernier Angle:");
  ajouterControlesCommuns();
}

void corrPolygoOuverteDLG::afficher() {
  dialoguePolygonale::afficher();
  get<Edit>(kNumeroDepart).setText(numeroDepart);
  afficherNombre(kXDepart, xDepart);
  afficherNombre(kYDepart, yDepart);
  afficherNombre(kZDepart, zDepart);
  afficherNombre(kGisDepart, gisDepart);
  get<Edit>(kNumeroArrivee).setText(numeroArrivee);
  afficherNombre(kXArrivee, xArrivee);
  afficherNombre(kYArrivee, yArrivee);
  afficherNombre(kZArrivee, zArrivee);
  afficherNombre(kGisArrivee, gisArrivee);
  afficherNombre(kDernierAngle, dernierAngle);
}

void corrPolygoOuverteDLG::lireControles() {
  dialoguePolygonale::lireControles();
  numeroDepart = get<Edit>(kNumeroDepart).text();
  xDepart = nombre(kXDepart);
  yDepart = nombre(kYDepart);
  zDepart = nombre(kZDepart);
  gisDepart = nombre(kGisDepart);
  numeroArrivee = get<Edit>(kNumeroArrivee).text();
  xArrivee = nombre(kXArrivee);
  yArrivee = nombre(kYArrivee);
  zArrivee = nombre(kZArrivee);
  gisArrivee = nombre(kGisArrivee);
  dernierAngle = nombre(kDernierAngle);
}

void corrPolygoOuverteDLG::onPress(int id) {
  if (id == kCalDepart || id == kCalArrivee) calculerGisement(id == kCalDepart);
  else dialoguePolygonale::onPress(id);
}

void corrPolygoOuverteDLG::calculerGisement(bool depart) {
  lireControles();
  CCalcGisementDlg dialogue;
  dialogue.nomStation = depart ? numeroDepart : numeroArrivee;
  dialogue.xStation = depart ? xDepart : xArrivee;
  dialogue.yStation = depart ? yDepart : yArrivee;
  dialogue.fixerUnite(unite);
  if (dialogue.doModal() != IDOK) return;
  // The dialog gives the bearing station -> reference point. The
  // computation (and the traverse files) take at the end exactly that, but
  // at the start the bearing reference -> start: the opposite direction.
  const double gisement =
      depart ? moduloPositif(dialogue.gisement + demiTour(unite), tourComplet(unite)) : dialogue.gisement;
  (depart ? gisDepart : gisArrivee) = gisement;
  afficherNombre(depart ? kGisDepart : kGisArrivee, gisement);
}

bool corrPolygoOuverteDLG::calculerAvec(std::vector<obsPolygonale>& obs, htmlDocument* document, int code,
                                        bool altitudes, Stations& s) {
  const StationPolygonale depart{fromUtf8(numeroDepart), xDepart, yDepart, zDepart, gisDepart};
  const StationPolygonale arrivee{fromUtf8(numeroArrivee), xArrivee, yArrivee, zArrivee, gisArrivee};
  const std::vector<obsPolygonale> mesurees = obs;
  const ResultatPolygonaleOuverte r =
      calculerPolygonaleOuverte(depart, arrivee, dernierAngle, nivellement, unite, obs, tolerances);
  if (!r.ok) {
    avertir(r.message);
    return false;
  }
  if (document) rapportPolygonaleOuverte(*document, depart, arrivee, dernierAngle, nivellement, mesurees, r);
  s.brut = r.traceBrut;
  s.compense = r.traceCompense;
  s.compenseFerme = r.traceCompenseFerme;
  s.angulaire = r.controleAngulaire;
  s.lineaire = r.controleLineaire;
  // The start station, then the end of every leg with the altitude of the
  // next leg's origin; the last leg ends on the end station.
  const std::vector<std::wstring> noms = nomsStations(mesurees);
  s.points.push_back(pointStation(noms[0], depart.x, depart.y, depart.z, code, altitudes));
  const std::size_t n = mesurees.size();
  for (std::size_t i = 0; i < n; ++i) {
    const double zFin = i + 1 < n ? r.Z[i + 1] : arrivee.z;
    s.points.push_back(pointStation(noms[i + 1], r.X[i], r.Y[i], zFin, code, altitudes));
  }
  return true;
}

std::vector<std::wstring> corrPolygoOuverteDLG::nomsStations(const std::vector<obsPolygonale>& obs) const {
  std::vector<std::wstring> noms{fromUtf8(numeroDepart)};
  for (const obsPolygonale& o : obs) noms.push_back(nomObs(o));
  return noms;
}

void corrPolygoOuverteDLG::versFichier(fichierPolygonale& f) const {
  f.depart = {fromUtf8(numeroDepart), xDepart, yDepart, zDepart, gisDepart};
  f.arrivee = {fromUtf8(numeroArrivee), xArrivee, yArrivee, zArrivee, gisArrivee};
  f.fermeture = dernierAngle;
}

void corrPolygoOuverteDLG::depuisFichier(const fichierPolygonale& f) {
  numeroDepart = toUtf8(f.depart.nom);
  xDepart = f.depart.x;
  yDepart = f.depart.y;
  zDepart = f.depart.z;
  gisDepart = f.depart.gis;
  numeroArrivee = toUtf8(f.arrivee.nom);
  xArrivee = f.arrivee.x;
  yArrivee = f.arrivee.y;
  zArrivee = f.arrivee.z;
  gisArrivee = f.arrivee.gis;
  dernierAngle = f.fermeture;
}

// ------------------------------------------------------------ commands

void commandeCorrPolFermee() {
  geltaro::frame::ressourcesModule ressources;
  corrPolygoDLG dialogue;
  dialogue.doModal();
}

void commandeCorrPolOuverte() {
  geltaro::frame::ressourcesModule ressources;
  corrPolygoOuverteDLG dialogue;
  dialogue.doModal();
}
