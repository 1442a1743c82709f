#include "tools/xyz_dialog.hpp"

#include <cstdio>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/ui/filedialog.hpp"
#include "points/codification.hpp"
#include "tools/numbering.hpp"

using namespace host::ui;

namespace {

std::string formater(double v) {
  char texte[400];
  std::snprintf(texte, sizeof texte, "%.3f", v);
  return texte;
}

}  // namespace

CformulaireXYZ::CformulaireXYZ(tableObsXYZ& table)
    : Dialog("Points en XYZ"), table_(table), codification_(table.codification) {
  add<MenuItem>(kCharger, "Table", "Charger ...");
  add<MenuItem>(kSauvegarder, "Table", "&Sauvegarder");
  add<MenuItem>(kFusionner, "Table", "Fusionner");
  add<MenuItem>(kFin, "Table", "Fin");
  add<MenuItem>(kPlacer, "&Points", "&PLacer dans le dessin");
  add<MenuItem>(kRenumeroter, "&Points", "&Renumeroter");
  add<ListView>(kListe, "Points").setMultiSelect(true);
}

void CformulaireXYZ::onInit() {
  auto& liste = get<ListView>(kListe);
  liste.addColumn("Numero", 8, Align::Left);
  for (const char* titre : {"X  ", "Y  ", "Z  "}) liste.addColumn(titre, 15, Align::Right);
  liste.addColumn("Code", 25, Align::Left);
  liste.addColumn("Obs", 22, Align::Left);
  remplirListe();
}

void CformulaireXYZ::remplirListe() {
  auto& liste = get<ListView>(kListe);
  liste.clear();
  for (const pointXYZ& r : table_.points) {
    // The label of a code without an entry is created with it.
    const std::string libelle = codification_ ? host::toUtf8(codification_->libelleCree(r.code)) : std::string();
    liste.addRow({host::toUtf8(r.nom), formater(r.x), formater(r.y), r.z == kIndefini ? std::string() : formater(r.z),
                  libelle, host::toUtf8(r.obs)},
                 std::int64_t(r.identifiant));
  }
}

void CformulaireXYZ::onHeaderClick(int id, int column) {
  if (id != kListe) return;
  auto& liste = get<ListView>(kListe);
  const tableObsXYZ& t = table_;
  liste.setComparator([&t, column](const ListView::Row& a, const ListView::Row& b, int) {
    return t.comparer(uint32_t(a.data), uint32_t(b.data), column);
  });
  // Always upwards: a second click on the same header keeps the order.
  liste.sort(column, true);
  liste.setComparator({});
}

void CformulaireXYZ::onPress(int id) {
  switch (id) {
    case kCharger: charger(true); break;
    case kFusionner: charger(false); break;
    case kSauvegarder: sauvegarder(); break;
    case kFin: endDialog(IDOK); break;
    case kPlacer: table_.placerDansLeDessin(nullptr); break;
    case kRenumeroter: renumeroter(); break;
    default: break;
  }
}

void CformulaireXYZ::charger(bool viderAvant) {
  FileDialog dialogue(true, "XYZ", {}, OFN_FILEMUSTEXIST, "Fichier XYZ (.XYZ)|*.xyz|Tous (*.*)|*.*||");
  if (dialogue.doModal() != IDOK) return;
  table_.fichier = host::fromUtf8(dialogue.pathName());
  table_.charger({}, viderAvant);
  remplirListe();
}

void CformulaireXYZ::sauvegarder() {
  FileDialog dialogue(false, "XYZ", {}, OFN_OVERWRITEPROMPT, "Fichier Texte (.TXT)|*.txt|Tous (*.*)|*.*||");
  if (dialogue.doModal() != IDOK) return;
  table_.sauvegarder(host::fromUtf8(dialogue.pathName()));
}

void CformulaireXYZ::renumeroter() {
  std::wstring prefixe, suffixe;
  int debut = 1;
  if (!demanderNumerotation(prefixe, debut, suffixe)) return;
  table_.renumeroterPoints(prefixe, debut, suffixe);
  remplirListe();
}

void commandeCoordsXYZ() {
  tableObsXYZ table;
  table.codification = &codification();
  geltaro::frame::ressourcesModule ressources;
  CformulaireXYZ dialogue(table);
  dialogue.doModal();
}
