#include "tools/import_dialog.hpp"

#include <cstdio>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "points/import_dessin.hpp"

using namespace host::ui;

const std::array<CParamImportPntsDuDessin::CaseType, 12> CParamImportPntsDuDessin::kCases{{
    {272, kImportPolylignes3d, "Importer Polylignes 3D"},
    {273, kImportPolylignes2dAnciennes, "Importer polylines 2d (anciennes polylines)"},
    {274, kImportPoints, "Importer Points"},
    {275, kImportMaillages3d, "Importer Maillages 3D"},
    {276, kImportMaillagesFacettes, "Importer Maillages de facettes (POLYFACEMESH)"},
    {277, kImportFacettes3d, "Importer facettes 3D"},
    {278, kImportLignes, "Importer extrémités des lignes"},
    {279, kImportPolylignes2d, "Importer Polylines 2D"},
    {280, kImportBlocsPoints, "Importer Blocs Geltaro"},
    {283, kImportBlocs3d, "Importer Blocs en 3D"},
    {kTextes, kImportTextes, "Importer textes"},
    {285, kImportBlocsAttributs, "Importer blocs avec attributs"},
}};

CParamImportPntsDuDessin::CParamImportPntsDuDessin() : Dialog("Importation") {
  for (const CaseType& c : kCases) add<CheckBox>(c.id, c.libelle, true);
  add<Button>(kTous, "&Tous");
  add<Button>(kAucun, "&Aucun");
  add<Edit>(kTagNumero, "Tag numéro");
  add<Edit>(kTagAltitude, "Tag altitude");
  add<Edit>(kTagCode, "Tag code");
  add<Button>(kConfigurer, "configurer");
  add<Edit>(kDecalageX, "Decalage X").setRange(-1e12, 1e12);
  add<Edit>(kDecalageY, "Decalaye Y").setRange(-1e12, 1e12);
  add<Button>(kPrelever, "Prélever");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CParamImportPntsDuDessin::onInit() {
  for (const CaseType& c : kCases) get<CheckBox>(c.id).setChecked(true);
  get<Edit>(kTagNumero).setText(host::toUtf8(tagNumero));
  get<Edit>(kTagAltitude).setText(host::toUtf8(tagAltitude));
  get<Edit>(kTagCode).setText(host::toUtf8(tagCode));
  get<Edit>(kDecalageX).setNumber(decalage.x, 4);
  get<Edit>(kDecalageY).setNumber(decalage.y, 4);
  suivreTextes();
}

void CParamImportPntsDuDessin::cocherTout(bool coche) {
  for (const CaseType& c : kCases) get<CheckBox>(c.id).setChecked(coche);
  suivreTextes();
}

void CParamImportPntsDuDessin::suivreTextes() {
  const bool textes = get<CheckBox>(kTextes).checked();
  for (int id : {int(kDecalageX), int(kDecalageY), int(kPrelever)}) find(id)->enable(textes);
}

void CParamImportPntsDuDessin::onPress(int id) {
  switch (id) {
    case kTous: cocherTout(true); break;
    case kAucun: cocherTout(false); break;
    case kTextes: suivreTextes(); break;
    case kConfigurer: configurer(); break;
    case kPrelever: prelever(); break;
    default: break;
  }
}

namespace {

// A pick reaching into blocks; the tag of the attribute picked, or false
// (Escape, nothing there, or an entity that is not an attribute).
bool tagPique(const wchar_t* question, std::wstring& tag, bool& annule) {
  ads_name entite;
  ZcGePoint3d pick;
  ZcGeMatrix3d transformation;
  std::vector<ZcDbObjectId> conteneurs;
  const int r = zcedNEntSelP(question, entite, pick, false, transformation, conteneurs);
  annule = r == RTCAN;
  if (r != RTNORM) return false;
  ZcDbObjectId id;
  zcdbGetObjectId(id, entite);
  ZcDbObjectPointer<ZcDbAttribute> attribut(id, ZcDb::kForRead);
  if (attribut.openStatus() != Zcad::eOk) return false;
  tag = attribut->tag();
  return true;
}

}  // namespace

void CParamImportPntsDuDessin::configurer() {
  hideForPick();
  std::wstring numero, altitude, code;
  bool annule = false;
  const bool aNumero = tagPique(L"\nSelectionnez un modele de Numéro  de point:", numero, annule);
  if (annule) return;
  const bool aAltitude = tagPique(L"\nSelectionnez un modele d'altitude de point:", altitude, annule);
  if (annule || !aNumero || !aAltitude) return;
  tagNumero = numero;
  tagAltitude = altitude;
  tagCode.clear();
  if (tagPique(L"\nSelectionnez un modele de code de point s'il y a lieu:", code, annule)) tagCode = code;
  get<Edit>(kTagNumero).setText(host::toUtf8(tagNumero));
  get<Edit>(kTagAltitude).setText(host::toUtf8(tagAltitude));
  get<Edit>(kTagCode).setText(host::toUtf8(tagCode));
}

void CParamImportPntsDuDessin::prelever() {
  hideForPick();
  ads_name entite;
  ZcGePoint3d pick;
  if (zcedEntSel(L"\nSelectionnez l'altitude:", entite, pick) != RTNORM) return;
  ZcDbObjectId id;
  zcdbGetObjectId(id, entite);
  ZcGePoint3d position;
  {
    // A single-line text only: attributes and multiline texts are refused.
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    const ZcDbText* texte = e.openStatus() == Zcad::eOk ? ZcDbText::cast(e.object()) : nullptr;
    if (!texte || ZcDbAttribute::cast(e.object()) || ZcDbAttributeDefinition::cast(e.object())) {
      zcutPrintf(L"\nCe n'est pas un texte.");
      return;
    }
    position = texte->position();
  }
  ZcGePoint3d point;
  if (zcedGetPoint(&position, L"\nPosition du point", point) != RTNORM) return;
  decalage = ZcGeVector2d(point.x - position.x, point.y - position.y);
  get<Edit>(kDecalageX).setNumber(decalage.x, 4);
  get<Edit>(kDecalageY).setNumber(decalage.y, 4);
}

bool CParamImportPntsDuDessin::onOk() {
  if (!Dialog::onOk()) return false;
  types = 0;
  for (const CaseType& c : kCases)
    if (get<CheckBox>(c.id).checked()) types |= c.bit;
  tagNumero = host::fromUtf8(get<Edit>(kTagNumero).text());
  tagAltitude = host::fromUtf8(get<Edit>(kTagAltitude).text());
  tagCode = host::fromUtf8(get<Edit>(kTagCode).text());
  // Disabled while texts are not imported, the fields keep their values.
  decalage = ZcGeVector2d(get<Edit>(kDecalageX).number().value_or(decalage.x),
                          get<Edit>(kDecalageY).number().value_or(decalage.y));
  return true;
}

bool demanderParamsImport(int& types, std::wstring& tagNumero, std::wstring& tagAltitude, std::wstring& tagCode,
                          ZcGeVector2d& decalage) {
  geltaro::frame::ressourcesModule ressources;
  CParamImportPntsDuDessin dialogue;
  if (dialogue.doModal() != IDOK) return false;
  types = dialogue.types;
  tagNumero = dialogue.tagNumero;
  tagAltitude = dialogue.tagAltitude;
  tagCode = dialogue.tagCode;
  decalage = dialogue.decalage;
  return true;
}
