#include "calc/moindres_carres_dialog.hpp"

#include "calc/poids_dialogs.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/filedialog.hpp"
#include "points/blocks.hpp"
#include "points/point.hpp"
#include "points/codification.hpp"

using namespace host::ui;
using host::fromUtf8;
using host::toUtf8;

namespace {
const char* const kFiltreMc = "Fichier Moindres carrés (*.mc)|*.mc||";
}  // namespace

CDlgMoindresCarres::CDlgMoindresCarres() : Dialog("Moindres carrés") {
  add<RichText>(kResultat, "Résultats");
  add<Button>(kDonnees, "Données");
  add<Button>(kPoids, "Poids");
  add<Button>(kPlacerCanevas, "Placer Canevas");
  add<Button>(kPlacerCalcules, "Placer !!!");
  add<Button>(kCalculerXY, "Calculer X,Y");
  add<Button>(kCalculerZ, "Calculer Z");
  add<Button>(kClear, "&Clear");
  add<Button>(kIterer, "Itérer");
  add<Button>(IDOK, "Fermer");
  // The network evaluates the weight formulas of the dialog as they stand.
  reseau.formules = [this](genreFormule genre, const variablesObservation& v) { return formules.evaluer(genre, v); };
}

void CDlgMoindresCarres::onPress(int id) {
  switch (id) {
    case kDonnees: donnees(); break;
    case kPoids: poids(); break;
    case kPlacerCanevas: placerCanevas(); break;
    case kPlacerCalcules: placerCalcules(); break;
    case kCalculerXY: calculerXY(); break;
    case kCalculerZ: calculerZ(); break;
    case kClear: effacer(); break;
    default: break;  // "Itérer" does nothing: "Calculer X,Y" iterates itself
  }
}

void CDlgMoindresCarres::afficher() {
  std::string texte = toUtf8(reseau.texte);
  std::erase(texte, '\r');
  // The text starts each line with a line end: the first one is not a line.
  if (!texte.empty() && texte.front() == '\n') texte.erase(0, 1);
  get<RichText>(kResultat).setText(std::move(texte));
}

void CDlgMoindresCarres::donnees() {
  FileDialog dialogue(true, "mc", {}, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, kFiltreMc);
  if (dialogue.doModal() != IDOK) return;
  if (!reseau.charger(fromUtf8(dialogue.pathName()))) {
    zcutPrintf(L"\nImpossible d'ouvrir le fichier %ls", fromUtf8(dialogue.pathName()).c_str());
    return;
  }
  reseau.lister();
  // Lines the reader skipped are told after the listing, so the user sees
  // why a point or an observation is missing.
  for (const std::wstring& avertissement : reseau.avertissements) reseau.texte += L"\r\n" + avertissement;
  afficher();
}

void CDlgMoindresCarres::poids() {
  CDlgTabPoidsObse dialogue(reseau, formules);
  dialogue.doModal();
}

void CDlgMoindresCarres::calculerXY() {
  reseau.calculerXY();
  afficher();
}

void CDlgMoindresCarres::calculerZ() {
  reseau.calculerZ();
  afficher();
}

void CDlgMoindresCarres::effacer() {
  reseau.texte.clear();
  afficher();
}

int CDlgMoindresCarres::placerCanevas() { return placer(true); }

int CDlgMoindresCarres::placerCalcules() {
  // A result the computation cannot vouch for is placed only when the user
  // says so, after reading why.
  std::vector<std::wstring> alertes = reseau.alertesXY;
  alertes.insert(alertes.end(), reseau.alertesZ.begin(), reseau.alertesZ.end());
  if (!alertes.empty()) {
    std::string texte = "Le calcul n'est pas fiable :";
    for (const std::wstring& a : alertes) texte += "\n- " + toUtf8(a);
    texte += "\nPlacer les points quand même ?";
    if (zcMessageBox(texte, "Moindres carrés", MB_YESNO | MB_ICONWARNING) != IDYES) {
      zcutPrintf(L"\n 0 points placés");
      return 0;
    }
  }
  return placer(false);
}

int CDlgMoindresCarres::placer(bool connus) {
  if (!zcdbCurDwg()) return 0;
  CAcadUndoGroup annulation;
  codification().codeCree(kCodePoints);
  int places = 0;
  for (std::size_t i = 0; i < reseau.points.size(); ++i) {
    const pointACalculer& p = reseau.points[i];
    const bool calcule = !p.connuXY && i < reseau.positionne.size() && reseau.positionne[i];
    if (connus ? !p.connuXY : !calcule) continue;
    pointDuDessin point;
    point.setParams(p.nom.c_str(), ZcGePoint3d(p.X, p.Y, p.Z), kCodePoints);
    placerPointDansTableCourante(point, L"");
    ++places;
  }
  zcutPrintf(L"\n %d points placés", places);
  return places;
}

void commandeCorrMCarres() {
  geltaro::frame::ressourcesModule ressources;
  CDlgMoindresCarres dialogue;
  dialogue.doModal();
}
