#include "aids/pol3d.hpp"

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>

#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/geom/path.hpp"

using namespace host::ui;

namespace {

std::wstring minuscules(std::wstring s) {
  for (wchar_t& c : s) c = wchar_t(std::towlower(c));
  return s;
}

constexpr const char* kTous = "** Tous **";

}  // namespace

double altitudePolyline(const std::vector<double>& z, int mode) {
  if (z.empty()) return 0.0;
  switch (mode) {
    case 1: return z.front();
    case 2: return *std::min_element(z.begin(), z.end());
    case 3: {
      double somme = 0;
      for (double v : z) somme += v;
      return somme / double(z.size());
    }
    case 4: return *std::max_element(z.begin(), z.end());
    default: return 0.0;
  }
}

std::wstring nomCalqueDepuisModele(const std::wstring& modele, const std::wstring& calque) {
  static const std::wstring kMarque = L"{LAYER}";
  std::wstring nom;
  std::size_t debut = 0;
  for (std::size_t i; (i = modele.find(kMarque, debut)) != std::wstring::npos; debut = i + kMarque.size())
    nom += modele.substr(debut, i - debut) + calque;
  return nom + modele.substr(debut);
}

std::vector<std::wstring> calquesTries(ZcDbDatabase* db) {
  std::vector<std::wstring> noms;
  if (!db) return noms;
  ZcDbObjectPointer<ZcDbSymbolTable> table(db->layerTableId(), ZcDb::kForRead);
  if (table.openStatus() != Zcad::eOk) return noms;
  for (const ZcDbObjectId& id : table->recordIds()) {
    ZcDbObjectPointer<ZcDbSymbolTableRecord> calque(id, ZcDb::kForRead);
    if (calque.openStatus() == Zcad::eOk) noms.push_back(calque->getName());
  }
  std::stable_sort(noms.begin(), noms.end(),
                   [](const std::wstring& a, const std::wstring& b) { return minuscules(a) < minuscules(b); });
  return noms;
}

int convertirPolylines3D(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& ids, const optionsPol3D& o) {
  if (!db) return 0;
  std::vector<std::wstring> limites;
  for (const std::wstring& c : o.calques) limites.push_back(minuscules(c));
  // The layer each source layer's polylines go to, made once.
  std::map<std::wstring, std::wstring> calquesFaits;
  int convertis = 0;
  for (const ZcDbObjectId& id : ids) {
    Path chemin;
    std::wstring calqueSource;
    {
      ZcDbObjectPointer<ZcDb3dPolyline> source(id, ZcDb::kForRead);
      if (source.openStatus() != Zcad::eOk) continue;
      calqueSource = source->layer();
      if (!limites.empty() &&
          std::find(limites.begin(), limites.end(), minuscules(calqueSource)) == limites.end())
        continue;
      if (!source->toPath(chemin)) continue;
    }
    // A single vertex makes no polyline (and nothing to average).
    if (chemin.vertices().size() < 2) continue;

    std::vector<double> z;
    auto plate = std::make_unique<ZcDbPolyline>();
    for (const PathVertex& v : chemin.vertices()) {
      plate->addVertexAt(plate->numVerts(), v.point.convert2d());
      z.push_back(v.point.z);
    }
    plate->setClosed(chemin.isClosed());
    plate->setElevation(altitudePolyline(z, o.modeAltitude));
    plate->setColorIndex(256);

    std::wstring calque = calqueSource;
    if (o.modeCalque == 1) {
      auto fait = calquesFaits.find(minuscules(calqueSource));
      if (fait == calquesFaits.end()) {
        std::wstring nom = nomCalqueDepuisModele(o.modeleCalque, calqueSource);
        ZcDbObjectPointer<ZcDbLayerTable> table(db->layerTableId(), ZcDb::kForWrite);
        ZcDbObjectId existant;
        if (table.openStatus() == Zcad::eOk && table->getAt(nom, existant) != Zcad::eOk) {
          auto nouveau = std::make_unique<ZcDbLayerTableRecord>();
          // A name the layer table refuses leaves the polyline on its source's layer.
          if (nouveau->setName(nom) != Zcad::eOk) nom = calqueSource;
          else {
            nouveau->setColorIndex(o.couleur);
            if (table->add(nouveau.get()) != Zcad::eOk) nom = calqueSource;
          }
        }
        fait = calquesFaits.emplace(minuscules(calqueSource), nom).first;
      }
      calque = fait->second;
    }

    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() != Zcad::eOk) return convertis;
    if (espace->appendZcDbEntity(plate.get()) != Zcad::eOk) continue;
    if (plate->setLayer(calque) != Zcad::eOk) plate->setLayer(calqueSource);
    espace.close();
    ++convertis;
    if (o.supprimerOriginales) {
      ZcDbObjectPointer<ZcDb3dPolyline> source(id, ZcDb::kForWrite);
      if (source.openStatus() == Zcad::eOk) source->erase();
    }
  }
  return convertis;
}

// ------------------------------------------------------------------ dialogs

DlgChoixCalques::DlgChoixCalques(std::vector<std::wstring> calques, std::vector<std::wstring> choisisAvant)
    : Dialog("Selection des layers"), choisis(std::move(choisisAvant)), calques_(std::move(calques)) {
  add<Static>(IDC_STATIC, "Selectionnez les layers des polylines a traiter");
  add<ListView>(kListe, "Layers");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void DlgChoixCalques::onInit() {
  auto& liste = get<ListView>(kListe);
  liste.clear();
  if (liste.columns().empty()) liste.addColumn("Layer");
  liste.setCheckBoxes(true);
  for (std::size_t i = 0; i < calques_.size(); ++i) {
    const int ligne = liste.addRow({host::toUtf8(calques_[i])}, std::int64_t(i));
    for (const std::wstring& c : choisis)
      if (minuscules(c) == minuscules(calques_[i])) liste.setChecked(ligne, true);
  }
}

bool DlgChoixCalques::onOk() {
  const auto& liste = get<ListView>(kListe);
  choisis.clear();
  for (int ligne : liste.checkedRows()) choisis.push_back(calques_[std::size_t(liste.row(ligne).data)]);
  return true;
}

CPol3DToPol2DDlg::CPol3DToPol2DDlg() : Dialog("Polylines 3D -> 2D") {
  add<Button>(kSelectionner, "Selectionner");
  add<Static>(kNombre, "0 polylines selectionnees");
  add<Button>(kChoisir, "Choisir");
  add<ListView>(kCalques, "Se limiter aux layers suivants:");
  add<Static>(IDC_STATIC, "Altitude des polylines à créer");
  add<Radio>(kAltitude0, "Altitude 0", 1, true);
  add<Radio>(kAltitude0 + 1, "La premiere", 1);
  add<Radio>(kAltitude0 + 2, "La plua basse", 1);
  add<Radio>(kAltitude0 + 3, "La moyenne", 1);
  add<Radio>(kAltitude0 + 4, "La plus haute", 1);
  add<CheckBox>(kSupprimer, "Supprimer les polylines de départ");
  add<Radio>(kMemeCalque, "Mettre les polyline 2D dans le meme layer que les originales", 2, true);
  add<Radio>(kNouveauCalque, "Creer un layer à partir du layer d'origine", 2);
  add<Edit>(kModele, "Nom du layer à créer");
  add<ComboBox>(kCouleur, "Couleur");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CPol3DToPol2DDlg::onInit() {
  auto& liste = get<ListView>(kCalques);
  if (liste.columns().empty()) liste.addColumn("Layer");
  auto& couleur = get<ComboBox>(kCouleur);
  couleur.clear();
  for (int c = 1; c <= 255; ++c) couleur.addItem(std::to_string(c), c);
  updateData(false);
  afficherCalques();
  suivreModeCalque();
}

void CPol3DToPol2DDlg::doDataExchange(DataExchange& dx) {
  dx.radio(kAltitude0, options.modeAltitude);
  dx.check(kSupprimer, options.supprimerOriginales);
  dx.radio(kMemeCalque, options.modeCalque);
  std::string modele = host::toUtf8(options.modeleCalque);
  dx.text(kModele, modele);
  options.modeleCalque = host::fromUtf8(modele);
  int indexCouleur = options.couleur - 1;
  dx.comboIndex(kCouleur, indexCouleur);
  if (indexCouleur >= 0) options.couleur = indexCouleur + 1;
}

void CPol3DToPol2DDlg::afficherCalques() {
  auto& liste = get<ListView>(kCalques);
  liste.clear();
  if (options.calques.empty()) liste.addRow({kTous});
  for (const std::wstring& c : options.calques) liste.addRow({host::toUtf8(c)});
}

void CPol3DToPol2DDlg::suivreModeCalque() {
  const bool nouveau = get<Radio>(kNouveauCalque).checked();
  find(kModele)->enable(nouveau);
  find(kCouleur)->enable(nouveau);
}

void CPol3DToPol2DDlg::onPress(int id) {
  switch (id) {
    case kSelectionner: selectionner(); break;
    case kChoisir: choisir(); break;
    case kMemeCalque:
    case kNouveauCalque: suivreModeCalque(); break;
    default: break;
  }
}

void CPol3DToPol2DDlg::selectionner() {
  hideForPick();
  // A new choice replaces the earlier one.
  polylines.clear();
  const ResbufChain filtre{resbuf::string(100, L"AcDb3dPolyline")};
  ZcSelectionSet selection;
  if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, selection) == RTNORM) {
    polylines = selection.ids;
    zcedSSFree(selection);
  }
  get<Static>(kNombre).setText(std::to_string(polylines.size()) + " polylines selectionnees");
}

void CPol3DToPol2DDlg::choisir() {
  DlgChoixCalques choix(calquesTries(zcdbCurDwg()), options.calques);
  if (choix.doModal() != IDOK) return;
  options.calques = choix.choisis;
  afficherCalques();
}

void C_POL3DTOPOL2D() {
  CPol3DToPol2DDlg dialogue;
  {
    geltaro::frame::ressourcesModule ressources;
    if (dialogue.doModal() != IDOK) return;
  }
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  CAcadUndoGroup groupe;
  convertirPolylines3D(db, dialogue.polylines, dialogue.options);
}
