#include "tools/legendes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "points/storage.hpp"

using namespace host::ui;

namespace {

// Colour index meaning "by layer".
constexpr int kCouleurDuCalque = 256;

// Largest size or distance the dialog takes: beyond it the legend's
// coordinates would no longer be finite numbers.
constexpr double kMaximum = 1e6;

constexpr const char* kTitreErreur = "erreur";
constexpr const char* kTailleTextes =
    "La taille des textes doit être un nombre supérieur à 0 et au plus égal à 1000000.";
constexpr const char* kTailleBlocs =
    "La taille des blocs doit être un nombre supérieur à 0 et au plus égal à 1000000.";
constexpr const char* kLongueurTrait =
    "La longueur du trait doit être un nombre supérieur à 0 et au plus égal à 1000000.";
constexpr const char* kInterligne =
    "La distance entre lignes doit être un nombre positif ou nul, au plus égal à 1000000.";

bool taillePositive(double v) { return v > 0 && v <= kMaximum; }
bool distancePositive(double v) { return v >= 0 && v <= kMaximum; }

std::string format2(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// The references to each block in model space.
std::map<ZcDbObjectId, int32_t> referencesEnEspaceObjet(ZcDbDatabase* db) {
  std::map<ZcDbObjectId, int32_t> n;
  std::vector<ZcDbObjectId> ids;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForRead);
    if (espace.openStatus() != Zcad::eOk) return n;
    ids = espace->entityIds();
  }
  for (const ZcDbObjectId& id : ids) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
    if (ref.openStatus() == Zcad::eOk) ++n[ref->blockTableRecord()];
  }
  return n;
}

// Appends the entities of the legend to model space and keeps their ids.
class Dessin {
 public:
  explicit Dessin(ZcDbBlockTableRecord& espace) : espace_(espace) {}

  void ajouter(ZcDbEntity& e, ZcDbObjectId calque) {
    ZcDbObjectId id;
    if (espace_.appendZcDbEntity(id, &e) != Zcad::eOk) return;
    if (!calque.isNull()) e.setLayer(calque);
    ids_.push_back(id);
  }

  // An empty text would be an invisible entity: none is drawn.
  void texte(const std::wstring& s, const ZcGePoint3d& ou, double hauteur, ZcDbObjectId style, ZcDbObjectId calque) {
    if (s.empty()) return;
    auto t = std::make_unique<ZcDbText>(ou, s, style, hauteur, 0.0);
    t->setWidthFactor(1.0);
    t->setColorIndex(kCouleurDuCalque);
    ajouter(*t, calque);
  }

  std::vector<ZcDbObjectId>& ids() { return ids_; }

 private:
  ZcDbBlockTableRecord& espace_;
  std::vector<ZcDbObjectId> ids_;
};

}  // namespace

// ------------------------------------------------------------ the blocks

bool mesurerBloc(ZcDbObjectId bloc, double& tailleX, double& tailleY, ZcGePoint3d* coinBas) {
  // A reference in no drawing: measured, never added.
  ZcDbBlockReference ref(ZcGePoint3d(0, 0, 0), bloc);
  if (ref.blockTableRecord().isNull()) return false;
  ZcDbExtents ext;
  if (ref.getGeomExtents(ext) != Zcad::eOk || !ext.isValid()) return false;
  tailleX = ext.maxPoint().x - ext.minPoint().x;
  tailleY = ext.maxPoint().y - ext.minPoint().y;
  if (coinBas) *coinBas = ext.minPoint();
  return std::isfinite(tailleX) && std::isfinite(tailleY);
}

std::wstring descriptionAffichee(ZcDbObjectId bloc, const std::wstring& nom) {
  geltaro::points::descriptionBloc d;
  if (geltaro::points::lireDescriptionBloc(bloc, d)) {
    for (const std::wstring* s : {&d.commentaires, &d.surEntite, &d.surDefinition})
      if (!s->empty()) return *s;
  }
  return nom;
}

std::vector<infoBlocks> blocsDuDessin(ZcDbDatabase* db) {
  std::vector<infoBlocks> blocs;
  if (!db) return blocs;
  std::map<ZcDbObjectId, int32_t> references = referencesEnEspaceObjet(db);
  std::vector<ZcDbObjectId> ids;
  {
    ZcDbObjectPointer<ZcDbBlockTable> table(db->blockTableId(), ZcDb::kForRead);
    if (table.openStatus() != Zcad::eOk) return blocs;
    ids = table->recordIds();
  }
  for (const ZcDbObjectId& id : ids) {
    infoBlocks info;
    {
      ZcDbObjectPointer<ZcDbBlockTableRecord> bloc(id, ZcDb::kForRead);
      if (bloc.openStatus() != Zcad::eOk) continue;
      info.nom = bloc->getName();
      // Layouts and anonymous blocks (hatches, dimensions, tables) are no
      // symbols; external references are another drawing. A block without
      // entities has nothing to show: its extents would be a mere point.
      if (info.nom.empty() || info.nom[0] == L'*' || bloc->isLayout() || bloc->isFromExternalReference() ||
          bloc->isDependent() || bloc->entityIds().empty())
        continue;
    }
    if (!mesurerBloc(id, info.tailleX, info.tailleY)) continue;
    info.idBloc = id;
    auto it = references.find(id);
    info.nbReferences = it == references.end() ? 0 : it->second;
    blocs.push_back(std::move(info));
  }
  return blocs;
}

// ------------------------------------------------------------ the drawing

double parametresLegende::pas() const { return std::max(1.2 * std::max(tailleBlocs, tailleTextes), interligne); }

legendeDessinee dessinerLegende(ZcDbDatabase* db, const std::vector<ligneLegende>& lignes,
                                const parametresLegende& p, const ZcGePoint3d& position) {
  legendeDessinee resultat;
  if (!db || !taillePositive(p.tailleTextes) || !taillePositive(p.tailleBlocs) || !distancePositive(p.interligne))
    return resultat;
  if (p.legendeLayers && !taillePositive(p.longueurTrait)) return resultat;
  if (lignes.empty() && !p.legendeLayers) return resultat;

  const double x = position.x, z = position.z;
  double y = position.y;
  const ZcDbObjectId style = db->textstyle();
  const ZcDbObjectId calqueCourant = db->clayer();
  std::vector<ZcDbObjectId> calques;
  if (p.legendeLayers) {
    ZcDbObjectPointer<ZcDbLayerTable> table(db->layerTableId(), ZcDb::kForRead);
    if (table.openStatus() == Zcad::eOk) calques = table->recordIds();
  }
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() != Zcad::eOk) return resultat;
    Dessin d(*espace);

    for (const ligneLegende& ligne : lignes) {
      double tx = 0, ty = 0;
      ZcGePoint3d coin;
      if (!mesurerBloc(ligne.bloc, tx, ty, &coin)) continue;
      const double m = std::max(tx, ty);
      if (!(m > 0)) continue;
      const double echelle = p.tailleBlocs / m;
      if (!std::isfinite(echelle)) continue;
      // Placed at P and scaled, the reference has its extents' lower-left
      // corner at P + echelle x `coin`: P puts it on the line's start.
      auto ref = std::make_unique<ZcDbBlockReference>(
          ZcGePoint3d(x - echelle * coin.x, y - echelle * coin.y, z), ligne.bloc);
      if (ref->setScaleFactors(ZcGeScale3d(echelle)) != Zcad::eOk) continue;
      ref->setColorIndex(kCouleurDuCalque);
      d.ajouter(*ref, calqueCourant);
      d.texte(ligne.description, ZcGePoint3d(x + 2.5 * p.tailleBlocs, y, z), p.tailleTextes, style, calqueCourant);
      y -= p.pas();
    }

    const double longueur = std::max(5 * p.tailleTextes, p.longueurTrait);
    for (const ZcDbObjectId& calque : calques) {
      std::wstring nom;
      {
        ZcDbObjectPointer<ZcDbLayerTableRecord> rec(calque, ZcDb::kForRead);
        if (rec.openStatus() != Zcad::eOk) continue;
        nom = rec->getName();
      }
      auto trait = std::make_unique<ZcDbLine>(ZcGePoint3d(x, y, z), ZcGePoint3d(x + longueur, y, z));
      trait->setColorIndex(kCouleurDuCalque);
      trait->setLinetype(L"BYLAYER");
      d.ajouter(*trait, calque);
      d.texte(nom, ZcGePoint3d(x + longueur + 3 * p.tailleTextes, y, z), p.tailleTextes, style, calque);
      y -= p.pas();
    }
    resultat.entites = std::move(d.ids());
  }
  if (p.grouper && !resultat.entites.empty()) resultat.groupe = host::addAnonymousGroup(db, resultat.entites);
  return resultat;
}

// ------------------------------------------------------------ the dialog

CTableLegendes::CTableLegendes(ZcDbDatabase* db) : Dialog("Table des légendes"), db_(db) {
  add<ListView>(IDC_LEGENDE_LISTE, "Blocks");
  add<Button>(IDC_LEGENDE_TOUS, "Tous");
  add<Button>(IDC_LEGENDE_AUCUN, "Aucun");
  add<Button>(IDC_LEGENDE_INVERSER, "Inverser");
  add<Button>(IDC_LEGENDE_UTILISES, "Utilisés");
  add<Edit>(IDC_LEGENDE_TAILLE_TEXTES, "Taille des textes");
  add<Edit>(IDC_LEGENDE_INTERLIGNE, "Distance entre lignes");
  add<Edit>(IDC_LEGENDE_TAILLE_BLOCS, "Taille des blocs");
  add<CheckBox>(IDC_LEGENDE_LAYERS, "Créer une légende pour les layers");
  add<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT, "Longueur du trait");
  add<CheckBox>(IDC_LEGENDE_GROUPER, "Grouper les éléments de la légende");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CTableLegendes::onInit() {
  auto& liste = get<ListView>(IDC_LEGENDE_LISTE);
  // Full-row selection has no headless counterpart; the columns keep their
  // shares of the list's width.
  liste.addColumn("Block", 15, Align::Left);
  liste.addColumn("Description", 40, Align::Left);
  liste.addColumn("Occur", 10, Align::Right);
  liste.addColumn("Taille X", 15, Align::Right);
  liste.addColumn("Taille Y", 15, Align::Right);
  liste.setCheckBoxes(true);

  blocs_ = blocsDuDessin(db_);
  descriptions_.clear();
  for (std::size_t i = 0; i < blocs_.size(); ++i) {
    const infoBlocks& b = blocs_[i];
    descriptions_.push_back(descriptionAffichee(b.idBloc, b.nom));
    liste.addRow({host::toUtf8(b.nom), host::toUtf8(descriptions_.back()), std::to_string(b.nbReferences),
                  format2(b.tailleX), format2(b.tailleY)},
                 std::int64_t(i));
  }
  updateData(false);
  afficherLongueurTrait();
}

void CTableLegendes::onPress(int id) {
  switch (id) {
    case IDC_LEGENDE_TOUS:
    case IDC_LEGENDE_AUCUN:
    case IDC_LEGENDE_INVERSER:
    case IDC_LEGENDE_UTILISES: cocher(id); break;
    case IDC_LEGENDE_LAYERS: afficherLongueurTrait(); break;
    default: break;
  }
}

void CTableLegendes::cocher(int bouton) {
  auto& liste = get<ListView>(IDC_LEGENDE_LISTE);
  for (int r = 0; r < liste.rowCount(); ++r) {
    bool on = false;
    switch (bouton) {
      case IDC_LEGENDE_TOUS: on = true; break;
      case IDC_LEGENDE_INVERSER: on = !liste.checked(r); break;
      case IDC_LEGENDE_UTILISES: on = blocs_[std::size_t(liste.row(r).data)].nbReferences > 0; break;
      default: break;
    }
    liste.setChecked(r, on);
  }
}

// The line's length matters only to the layer legend.
void CTableLegendes::afficherLongueurTrait() {
  get<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT).show(get<CheckBox>(IDC_LEGENDE_LAYERS).checked());
}

bool CTableLegendes::onOk() {
  struct Regle {
    int id;
    bool (*valide)(double);
    const char* message;
  };
  const Regle regles[] = {
      {IDC_LEGENDE_TAILLE_TEXTES, taillePositive, kTailleTextes},
      {IDC_LEGENDE_INTERLIGNE, distancePositive, kInterligne},
      {IDC_LEGENDE_TAILLE_BLOCS, taillePositive, kTailleBlocs},
      {IDC_LEGENDE_LONGUEUR_TRAIT, taillePositive, kLongueurTrait},
  };
  for (const Regle& r : regles) {
    const Edit& e = get<Edit>(r.id);
    if (!e.visible()) continue;
    const std::optional<double> v = e.number();
    if (!v || !r.valide(*v)) {
      setFocus(r.id);
      zcMessageBox(r.message, kTitreErreur, MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return Dialog::onOk();
}

void CTableLegendes::doDataExchange(DataExchange& dx) {
  dx.number(IDC_LEGENDE_TAILLE_TEXTES, params.tailleTextes);
  dx.number(IDC_LEGENDE_INTERLIGNE, params.interligne);
  dx.number(IDC_LEGENDE_TAILLE_BLOCS, params.tailleBlocs);
  dx.check(IDC_LEGENDE_LAYERS, params.legendeLayers);
  // Hidden (no layer legend), the line's length is neither read nor refused.
  if (!dx.saving() || params.legendeLayers) dx.number(IDC_LEGENDE_LONGUEUR_TRAIT, params.longueurTrait);
  dx.check(IDC_LEGENDE_GROUPER, params.grouper);
}

std::vector<ligneLegende> CTableLegendes::lignesCochees() const {
  std::vector<ligneLegende> lignes;
  const auto& liste = get<ListView>(IDC_LEGENDE_LISTE);
  for (int r = 0; r < liste.rowCount(); ++r) {
    if (!liste.checked(r)) continue;
    const std::size_t i = std::size_t(liste.row(r).data);
    lignes.push_back({blocs_[i].idBloc, descriptions_[i]});
  }
  return lignes;
}

void c_tablegendes() {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  parametresLegende params;
  std::vector<ligneLegende> lignes;
  {
    geltaro::frame::ressourcesModule ressources;
    CTableLegendes dlg(db);
    if (dlg.doModal() != IDOK) return;
    params = dlg.params;
    lignes = dlg.lignesCochees();
  }
  ZcGePoint3d position;
  if (zcedGetPoint(nullptr, L"\nPosition des la table des l\u00e9gendes", position) != RTNORM) return;
  CAcadUndoGroup annulation;
  dessinerLegende(db, lignes, params, position);
}
