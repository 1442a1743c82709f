#include "aids/carroyage_dialog.hpp"

#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"

using namespace host::ui;

DlgCarroyage::DlgCarroyage() : Dialog("Dessin de carroyage") {
  add<Edit>(kPasX, "Pas sur X du carroyage").setRange(1e-6, 1e36);
  add<Edit>(kPasY, "Pas sur Y du carroyage").setRange(1e-6, 1e36);
  add<Edit>(kTailleCroix, "Taille des croix").setRange(1e-6, 1e36);
  add<Edit>(kTailleTextes, "Taille des textes ").setRange(1e-6, 1e36);
  add<ComboBox>(kFormat, "Format");
  add<Button>(kEcritures, "Ecritures externes");
  add<Button>(kRegions, "Sélectionner régions à carroyer");
  add<Static>(kNombreRegions, "0 régions choisies");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void DlgCarroyage::onInit() {
  auto& format = get<ComboBox>(kFormat);
  format.clear();
  for (const char* f : {"0", "0.0", "0.00", "0.000", "0.0000"}) format.addItem(f);
  updateData(false);
  afficherEcritures();
}

void DlgCarroyage::doDataExchange(DataExchange& dx) {
  dx.number(kPasX, params.pasX);
  dx.number(kPasY, params.pasY);
  dx.number(kTailleCroix, params.tailleCroix);
  dx.number(kTailleTextes, params.tailleTextes);
  dx.comboIndex(kFormat, params.precision);
}

void DlgCarroyage::afficherEcritures() {
  get<Button>(kEcritures).setCaption(params.ecrituresInternes ? "Ecritures internes" : "Ecritures externes");
}

void DlgCarroyage::onPress(int id) {
  if (id == kEcritures) {
    params.ecrituresInternes = !params.ecrituresInternes;
    afficherEcritures();
  } else if (id == kRegions) {
    choisirRegions();
  }
}

void DlgCarroyage::choisirRegions() {
  hideForPick();
  // A new choice replaces the earlier one.
  regions.clear();
  zcutPrintf(L"\nSelectionnez les polylines à carroyer");
  ZcSelectionSet selection;
  if (zcedSSGet(nullptr, nullptr, nullptr, nullptr, selection) == RTNORM) {
    for (const ZcDbObjectId& id : selection.ids) {
      ZcDbObjectPointer<ZcDbPolyline> pl(id, ZcDb::kForRead);
      if (pl.openStatus() == Zcad::eOk) regions.push_back(id);
    }
  }
  get<Static>(kNombreRegions).setText(std::to_string(regions.size()) + " régions");
}

void commandeCarroyage() {
  DlgCarroyage dialogue;
  {
    geltaro::frame::ressourcesModule ressources;
    if (dialogue.doModal() != IDOK) return;
  }
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  CAcadUndoGroup groupe;
  for (const ZcDbObjectId& region : dialogue.regions) dessinerCarroyage(db, region, dialogue.params);
}
