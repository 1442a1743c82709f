#include "aids/rattachement_z.hpp"

#include <cwctype>
#include <map>

#include "aids/projection.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"

using namespace host::ui;

valeursRattachement& rattachementZ() {
  static valeursRattachement valeurs;
  return valeurs;
}

int ajusterAltitudes(const std::vector<ZcDbObjectId>& blocs, double difference, bool tousLesPoints) {
  std::map<ZcDbObjectId, ZcGePoint3d> positions;
  int ajustes = 0;
  for (const ZcDbObjectId& id : blocs) {
    pointDuDessin point;
    {
      ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
      if (ref.openStatus() != Zcad::eOk || ref->xData(kAppPointsBlocs).empty()) continue;
    }
    // Only defined altitudes move: no altitude stays none.
    if (!point.updateFromDrawing(id) || !point.aUneAltitude()) continue;
    point.setZ(point.getZ() + difference);
    if (!point.aUneAltitude()) continue;
    std::wstring texte;
    point.getZAsString(texte);
    ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
    if (ref.openStatus() != Zcad::eOk) continue;
    bool ecrit = false;
    for (const ZcDbObjectId& a : ref->attributeIds()) {
      ZcDbObjectPointer<ZcDbAttribute> attribut(a, ZcDb::kForWrite);
      if (attribut.openStatus() != Zcad::eOk) continue;
      std::wstring tag = attribut->tag();
      for (wchar_t& c : tag) c = wchar_t(std::towupper(c));
      std::wstring attendu = gAttribsPoints.tagAltitude;
      for (wchar_t& c : attendu) c = wchar_t(std::towupper(c));
      if (tag != attendu) continue;
      attribut->setTextString(texte);
      ecrit = true;
      break;
    }
    if (!ecrit) continue;
    ++ajustes;
    positions[id] = ZcGePoint3d(point.getX(), point.getY(), point.getZ());
  }
  if (!tablesPoints) return ajustes;
  if (tousLesPoints) tablesPoints->decalZ(difference);
  else informerTables(positions, 7);
  return ajustes;
}

CDlgRattachZ::CDlgRattachZ() : Dialog("Rattachement des Altitudes"), valeurs(rattachementZ()) {
  add<Edit>(kAncienne, "Ancienne altitude");
  add<Button>(kSelect, "Select");
  add<Edit>(kNouvelle, "Nouvelle altitude");
  add<Edit>(kDifference, "Différence");
  add<Radio>(kModeNouvelle, "Nouvelle altitude", 1, true);
  add<Radio>(kModeDifference, "Différence d'altitudes", 1);
  add<Radio>(kTous, "Tous les points", 2, true);
  add<Radio>(kSelection, "Sélection de points seulement", 2);
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgRattachZ::onInit() {
  get<Radio>(kTous).setChecked(tousLesPoints);
  get<Radio>(kSelection).setChecked(!tousLesPoints);
  afficher();
  suivreMode();
}

void CDlgRattachZ::afficher() {
  get<Edit>(kAncienne).setNumber(valeurs.ancienne, 4);
  get<Edit>(kNouvelle).setNumber(valeurs.nouvelle, 4);
  get<Edit>(kDifference).setNumber(valeurs.difference, 4);
}

void CDlgRattachZ::suivreMode() {
  const bool nouvelle = get<Radio>(kModeNouvelle).checked();
  find(kNouvelle)->enable(nouvelle);
  find(kDifference)->enable(!nouvelle);
}

void CDlgRattachZ::onKillFocus(int id) {
  if (id != kAncienne && id != kNouvelle && id != kDifference) return;
  // A text that is not a number changes nothing.
  const std::optional<double> v = get<Edit>(id).number();
  if (!v) return;
  if (id == kAncienne) {
    valeurs.ancienne = *v;
    valeurs.nouvelle = valeurs.ancienne + valeurs.difference;
  } else if (id == kNouvelle) {
    valeurs.nouvelle = *v;
    valeurs.difference = valeurs.nouvelle - valeurs.ancienne;
  } else {
    valeurs.difference = *v;
    valeurs.nouvelle = valeurs.ancienne + valeurs.difference;
  }
  afficher();
}

void CDlgRattachZ::onPress(int id) {
  switch (id) {
    case kSelect: choisirPoint(); break;
    case kModeNouvelle:
    case kModeDifference: suivreMode(); break;
    default: break;
  }
}

void CDlgRattachZ::choisirPoint() {
  hideForPick();
  for (;;) {
    ads_name entite;
    ZcGePoint3d pick;
    const int rc = zcedEntSel(L"\nSelectionnez le point :", entite, pick);
    if (rc == RTERROR) continue;  // nothing there: asked again
    if (rc != RTNORM) return;     // Escape keeps the old altitude
    ZcDbObjectId id;
    zcdbGetObjectId(id, entite);
    bool blocPoint = false;
    {
      ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
      blocPoint = ref.openStatus() == Zcad::eOk && !ref->xData(kAppPointsBlocs).empty();
    }
    pointDuDessin point;
    if (!blocPoint || !point.updateFromDrawing(id)) {
      zcutPrintf(L"\nCe n'est pas un point Geltaro !");
      continue;
    }
    if (!point.aUneAltitude()) {
      zcutPrintf(L"\nAltitude invalide !");
      continue;
    }
    valeurs.ancienne = point.getZ();
    valeurs.nouvelle = valeurs.ancienne + valeurs.difference;
    afficher();
    return;
  }
}

bool CDlgRattachZ::onOk() {
  tousLesPoints = get<Radio>(kTous).checked();
  rattachementZ() = valeurs;
  return true;
}

void c_VRAJUSTERZ() {
  CDlgRattachZ dialogue;
  {
    geltaro::frame::ressourcesModule ressources;
    if (dialogue.doModal() != IDOK) return;
  }
  if (!zcdbCurDwg()) return;
  const ResbufChain filtre{resbuf::string(0, L"INSERT")};
  ZcSelectionSet selection;
  const int rc = zcedSSGet(dialogue.tousLesPoints ? L"X" : nullptr, nullptr, nullptr, &filtre, selection);
  // Every point: the tables follow even when the drawing shows none of them.
  if (rc != RTNORM && !dialogue.tousLesPoints) return;
  CAcadUndoGroup groupe;
  ajusterAltitudes(selection.ids, rattachementZ().difference, dialogue.tousLesPoints);
  zcedSSFree(selection);
}
