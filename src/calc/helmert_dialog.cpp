#include "calc/helmert_dialog.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>

#include "frame/config.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/ui/messagebox.hpp"
#include "report/standard.hpp"
#include "report/viewer.hpp"

using namespace host::ui;

namespace {

constexpr const char* kCaptionDonnees = "Erreur de données";
constexpr const char* kPairesInsuffisantes = "Nombre insuffisant de points de calage";
constexpr const char* kEchelleNulle = "Calcul impossible : facteur d'echelle nul, les points finaux sont tous confondus";

// Cell and paragraph attributes of the report.
const char* const kEntete = "CLASS=celgris";
const char* const kNombre = "class=celnorm align=right";
const char* const kPetit = "CLASS=petit";

std::string formater(double v, int decimales) {
  char texte[400];
  std::snprintf(texte, sizeof texte, "%.*f", decimales, v);
  return texte;
}

// Decimals of the list's coordinates: the setting, kept to what a
// coordinate can show.
int decimalesListe(int reglage) { return std::clamp(reglage, 0, 15); }


void entetes(htmlTable& table, std::initializer_list<const wchar_t*> titres) {
  table.newRow();
  for (const wchar_t* titre : titres) table.addCell(std::wstring(titre), kEntete);
}

void paragraphe(htmlDocument& document, const std::wstring& texte, const char* attributs = kPetit) {
  document.addBody(htmlText(texte, attributs));
}

enum class piqueLwpolyline { ok, abandon, invalide };

// One pick of a lightweight polyline and its vertices. A prompt answered
// with anything but an entity gives up quietly.
piqueLwpolyline piquerLwpolyline(const wchar_t* question, std::vector<pointCalage>& sommets) {
  ads_name entite;
  ZcGePoint3d pick;
  if (zcedEntSel(question, entite, pick) != RTNORM) return piqueLwpolyline::abandon;
  ZcDbObjectId id;
  if (zcdbGetObjectId(id, entite) != Zcad::eOk) return piqueLwpolyline::invalide;
  ZcDbObjectPointer<ZcDbPolyline> polyligne(id, ZcDb::kForRead);
  if (polyligne.openStatus() != Zcad::eOk) return piqueLwpolyline::invalide;
  sommets.clear();
  for (unsigned i = 0; i < polyligne->numVerts(); ++i) {
    ZcGePoint2d p;
    if (polyligne->getPointAt(i, p) == Zcad::eOk) sommets.push_back({p.x, p.y});
  }
  return piqueLwpolyline::ok;
}

}  // namespace

// ============================================================ report

void rapportHelmert(htmlDocument& document, const std::vector<pointCalage>& depart,
                    const std::vector<pointCalage>& final, const resultatHelmert& r) {
  paragraphe(document, L"Transformation d'helmert", "CLASS=grand");
  paragraphe(document, L"Données", "CLASS=titre");
  {
    htmlTable table = tableRapport();
    entetes(table, {L"X Depart (m)", L"Y Depart (m)", L"X Final (m)", L"Y Final (m)"});
    for (std::size_t i = 0; i < depart.size(); ++i) {
      table.newRow();
      for (double v : {depart[i].x, depart[i].y, final[i].x, final[i].y}) table.addNumber(v, 3, kNombre);
    }
    document.addBody(table);
  }
  paragraphe(document, L"Resultats", "CLASS=titre");

  // Each result under its paragraph, as a table of one row: the label (a
  // grey header cell, with the unit), then the values with three decimals.
  auto resultat = [&](const wchar_t* titre, const wchar_t* libelle, std::initializer_list<double> valeurs) {
    paragraphe(document, titre);
    htmlTable table = tableRapport();
    table.newRow();
    table.addCell(std::wstring(libelle), kEntete);
    for (double v : valeurs) table.addNumber(v, 3, kNombre);
    document.addBody(table);
  };
  resultat(L"Deplacement", L"Deplacement (m)", {r.tx, r.ty});
  resultat(L"Echelle", L"Echelle", {r.echelle});
  resultat(L"Rotation", L"Rotation (gr)", {r.rotationGrades()});
  paragraphe(document, L"Transformation affine");
  {
    htmlTable table = tableRapport();
    table.newRow();
    table.addCell(std::wstring(L"Parametre A"), kEntete);
    table.addNumber(r.a, 6, kNombre);
    table.newRow();
    table.addCell(std::wstring(L"Parametre B"), kEntete);
    table.addNumber(r.b, 6, kNombre);
    document.addBody(table);
  }
  paragraphe(document, L"Resultats finaux");
  {
    htmlTable table = tableRapport();
    entetes(table, {L"X Final (m)", L"Y Final (m)", L"X Corrigé (m)", L"Y Corrigé (m)", L"DX (m)", L"DY (m)",
                    L"Dist (m)"});
    for (std::size_t i = 0; i < final.size(); ++i) {
      const pointCalage& t = r.transformes[i];
      table.newRow();
      for (double v : {final[i].x, final[i].y, t.x, t.y, t.x - final[i].x, t.y - final[i].y, r.ecarts[i]})
        table.addNumber(v, 3, kNombre);
    }
    document.addBody(table);
  }
  paragraphe(document, L"Erreurs");
  {
    double inf = 1e36, sup = -1e36, somme = 0;
    for (double d : r.ecarts) {
      inf = std::min(inf, d);
      sup = std::max(sup, d);
      somme += d;
    }
    const double moyenne = r.ecarts.empty() ? 0 : somme / double(r.ecarts.size());
    htmlTable table = tableRapport();
    const std::pair<const wchar_t*, double> lignes[] = {
        {L"Err Inf (m)", inf}, {L"Err Sup (m)", sup}, {L"Err Moyenne (m)", moyenne}, {L"Err moy quad (m)", r.emq()}};
    for (const auto& [libelle, valeur] : lignes) {
      table.newRow();
      table.addCell(std::wstring(libelle), kEntete);
      table.addNumber(valeur, 3, kNombre);
    }
    document.addBody(table);
  }
}

// ============================================================ matrix

ZcGeMatrix3d matriceHelmert(const resultatHelmert& r) {
  const ZcGeMatrix3d versOrigine =
      ZcGeMatrix3d::translation(ZcGeVector3d(-r.xMoyenDepart, -r.yMoyenDepart, 0));
  const ZcGeMatrix3d echelle = ZcGeMatrix3d::scaling(r.echelle);
  // The host turns counter-clockwise: θ clockwise is a turn by -θ.
  const ZcGeMatrix3d rotation = ZcGeMatrix3d::rotation(-r.rotation, ZcGeVector3d::kZAxis);
  const ZcGeMatrix3d versCible =
      ZcGeMatrix3d::translation(ZcGeVector3d(r.xMoyenDepart + r.tx, r.yMoyenDepart + r.ty, 0));
  return versCible * rotation * echelle * versOrigine;
}

// ============================================================ dialog

CHelmertDLG::CHelmertDLG() : Dialog("Transformation d'helmert") {
  add<ListView>(kListe, "Points de calage").setMultiSelect(true);
  add<Edit>(kDeplX, "Depl.X").setReadOnly();
  add<Edit>(kDeplY, "Depll. Y").setReadOnly();
  add<Edit>(kA, "A").setReadOnly();
  add<Edit>(kB, "B").setReadOnly();
  add<Edit>(kRotation, "Rotation (gr)").setReadOnly();
  add<Edit>(kEchelle, "Fact.Echelle").setReadOnly();
  add<Edit>(kEmq, "E.M.Q").setReadOnly();
  add<Button>(kAjouterPolyline, "Ajouter polyline");
  add<Button>(kAjouterPoints, "Ajouter points");
  add<Button>(kSupprimer, "Supprimer");
  add<Button>(kToutEffacer, "Tout effacer");
  add<Button>(kCalculer, "Calculer et afficher les résultats");
  add<Button>(kAppliquer, "Appliquer à une SELECTION");
  add<Button>(IDOK, "Fermer");
}

void CHelmertDLG::onInit() {
  // Five equal columns over the client width; headless the list has none,
  // and the default width of 200 is used.
  auto& liste = get<ListView>(kListe);
  if (liste.columns().empty()) {
    const int largeurClient = 0;
    const int largeur = (largeurClient == 0 ? 200 : largeurClient) / 5;
    for (const char* titre : {"Numero", "X", "Y", "X Rattaché ", "Y Rattaché"})
      liste.addColumn(titre, largeur, Align::Center);
  }
  rafraichir();
}

void CHelmertDLG::onPress(int id) {
  switch (id) {
    case kAjouterPolyline: ajouterPolyline(); break;
    case kAjouterPoints: ajouterPoints(); break;
    case kSupprimer: supprimer(); break;
    case kToutEffacer: toutEffacer(); break;
    case kCalculer: calculer(); break;
    case kAppliquer: appliquer(); break;
    default: break;
  }
}

void CHelmertDLG::rafraichir() {
  const parametresVrel& reglages = reglagesVrel();
  const int decX = decimalesListe(reglages.gPrecisionCoordonneesX.value());
  const int decY = decimalesListe(reglages.gPrecisionCoordonneesY.value());
  auto& liste = get<ListView>(kListe);
  liste.clear();
  for (std::size_t i = 0; i < depart_.size(); ++i)
    liste.addRow({std::to_string(i + 1), formater(depart_[i].x, decX), formater(depart_[i].y, decY),
                  formater(final_[i].x, decX), formater(final_[i].y, decY)},
                 std::int64_t(i));

  const int champs[] = {kDeplX, kDeplY, kA, kB, kRotation, kEchelle, kEmq};
  resultatHelmert r;
  if (depart_.size() >= kPairesMinimum) r = estimerHelmert(depart_, final_);
  if (!r.ok) {
    for (int id : champs) get<Edit>(id).setText({});
    return;
  }
  const double valeurs[] = {r.tx, r.ty, r.a, r.b, r.rotationGrades(), r.echelle, r.emq()};
  for (std::size_t k = 0; k < std::size(champs); ++k) get<Edit>(champs[k]).setText(formater(valeurs[k], 4));
}

void CHelmertDLG::ajouterPaire(const pointCalage& depart, const pointCalage& final) {
  depart_.push_back(depart);
  final_.push_back(final);
  rafraichir();
}

void CHelmertDLG::ajouterPolyline() {
  hideForPick();
  std::vector<pointCalage> premiere, seconde;
  for (auto [question, sommets] : {std::pair{L"\nSelectionnez la polyline de départ ", &premiere},
                                   std::pair{L"\nSelectionnez la polyline transformee ", &seconde}}) {
    switch (piquerLwpolyline(question, *sommets)) {
      case piqueLwpolyline::ok: break;
      case piqueLwpolyline::abandon: return;
      case piqueLwpolyline::invalide: zcedAlert("Selection invalide"); return;
    }
  }
  // Vertex i of one goes with vertex i of the other: different counts leave
  // no sensible pairing, and the pair of polylines is refused.
  if (premiere.size() != seconde.size()) {
    zcedAlert("Erreur, les deux polylines n'ont pas le meme nombre de sommets !");
    return;
  }
  depart_.insert(depart_.end(), premiere.begin(), premiere.end());
  final_.insert(final_.end(), seconde.begin(), seconde.end());
  rafraichir();
}

void CHelmertDLG::ajouterPoints() {
  hideForPick();
  for (;;) {
    ZcGePoint3d depart, final;
    zcedInitGet(0, L"Select");
    if (zcedGetPoint(nullptr, L"\nSelectionnez le point de depart [Coords]", depart) != RTNORM) return;
    zcedInitGet(0, L"Select");
    if (zcedGetPoint(nullptr, L"\nSelectionnez le point de Final [Coords]", final) != RTNORM) return;
    ajouterPaire({depart.x, depart.y}, {final.x, final.y});
  }
}

void CHelmertDLG::supprimer() {
  // Rows carry their pair's index (the list may have been sorted).
  std::vector<std::int64_t> choisies = get<ListView>(kListe).selectedData();
  if (choisies.empty()) return;
  std::sort(choisies.begin(), choisies.end(), std::greater<>());
  for (std::int64_t i : choisies) {
    if (i < 0 || std::size_t(i) >= depart_.size()) continue;
    depart_.erase(depart_.begin() + i);
    final_.erase(final_.begin() + i);
  }
  rafraichir();
}

void CHelmertDLG::toutEffacer() {
  depart_.clear();
  final_.clear();
  rafraichir();
}

resultatHelmert CHelmertDLG::estimerPourAction() const {
  if (depart_.size() < kPairesMinimum) {
    zcMessageBox(kPairesInsuffisantes, kCaptionDonnees, MB_OK | MB_ICONWARNING);
    return {};
  }
  resultatHelmert r = estimerHelmert(depart_, final_);
  if (!r.ok) zcMessageBox(host::toUtf8(r.message), kCaptionDonnees, MB_OK | MB_ICONWARNING);
  return r;
}

void CHelmertDLG::calculer() {
  const resultatHelmert r = estimerPourAction();
  if (!r.ok) return;
  htmlDocument document;
  ajouterStylesStandard(document);
  rapportHelmert(document, depart_, final_, r);
  afficherRapport(document);
}

void CHelmertDLG::appliquer() {
  const resultatHelmert r = estimerPourAction();
  if (!r.ok) return;
  // Targets all at one place give a scale of 0: applied, it would crush
  // every entity into a point.
  if (!(r.echelle > 0)) {
    zcMessageBox(kEchelleNulle, kCaptionDonnees, MB_OK | MB_ICONWARNING);
    return;
  }
  const ZcGeMatrix3d m = matriceHelmert(r);

  hideForPick();
  zcutPrintf(L"\nSelectionnez Elements pour lesquels vous voulez appliquer la transformation :");
  ZcSelectionSet selection;
  if (zcedSSGet(nullptr, nullptr, nullptr, nullptr, selection) != RTNORM) return;

  int echecs = 0;
  {
    CAcadUndoGroup annulation;
    for (const ZcDbObjectId& id : selection.ids) {
      ZcDbObjectPointer<ZcDbEntity> entite(id, ZcDb::kForWrite);
      if (entite.openStatus() != Zcad::eOk || entite->transformBy(m) != Zcad::eOk) ++echecs;
    }
  }
  // What could not be moved stays where it was; the user must know it.
  if (echecs > 0) zcutPrintf(L"\n%d objet(s) n'ont pas pu être transformé(s)\n", echecs);
  zcedAlert("Transformation terminee");
}

// ============================================================ command

void c_HELMERT() {
  geltaro::frame::ressourcesModule ressources;
  CHelmertDLG dialogue;
  dialogue.doModal();
}
