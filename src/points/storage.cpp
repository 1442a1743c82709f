#include "points/storage.hpp"

#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "points/serializer.hpp"

namespace geltaro::points {

Zcad::ErrorStatus stockerChaine(ZcDbObjectId objet, const wchar_t* cle, const ResbufChain& chaine) {
  ZcDbObjectPointer<ZcDbObject> obj(objet, ZcDb::kForWrite);
  if (obj.openStatus() != Zcad::eOk) return obj.openStatus();
  const Zcad::ErrorStatus es = obj->createExtensionDictionary();
  if (es != Zcad::eOk && es != Zcad::eAlreadyInDb) return es;
  ZcDbObjectPointer<ZcDbDictionary> dict(obj->extensionDictionary(), ZcDb::kForWrite);
  if (dict.openStatus() != Zcad::eOk) return dict.openStatus();
  auto record = std::make_unique<ZcDbXrecord>();
  record->setFromRbChain(chaine);
  // Ids in the chain follow the drawing through wblock and insert.
  record->setXlateReferences(true);
  ZcDbObjectId id;
  return dict->setAt(cle, record.get(), id);
}

bool lireChaine(ZcDbObjectId objet, const wchar_t* cle, ResbufChain& chaine) {
  if (!objet.isValid()) return false;
  ZcDbObjectPointer<ZcDbObject> obj(objet, ZcDb::kForRead);
  if (obj.openStatus() != Zcad::eOk) return false;
  ZcDbObjectPointer<ZcDbDictionary> dict(obj->extensionDictionary(), ZcDb::kForRead);
  if (dict.openStatus() != Zcad::eOk) return false;
  ZcDbObjectId id;
  if (dict->getAt(std::wstring(cle), id) != Zcad::eOk) return false;
  ZcDbObjectPointer<ZcDbXrecord> record(id, ZcDb::kForRead);
  if (record.openStatus() != Zcad::eOk) return false;
  chaine = record->rbChain();
  return true;
}

ZcDbObjectId calqueNomme(ZcDbDatabase* db, const std::wstring& nom, int couleur) {
  if (!db) return {};
  ZcDbObjectPointer<ZcDbLayerTable> calques(db->layerTableId(), ZcDb::kForRead);
  if (calques.openStatus() != Zcad::eOk) return {};
  ZcDbObjectId id;
  if (calques->getAt(nom, id) == Zcad::eOk) return id;
  if (calques->upgradeOpen() != Zcad::eOk) return {};
  auto calque = std::make_unique<ZcDbLayerTableRecord>();
  calque->setName(nom);
  calque->setColorIndex(couleur);
  if (calques->add(id, calque.get()) != Zcad::eOk) return {};
  return id;
}

ZcDbObjectId calqueZero(ZcDbDatabase* db) { return calqueNomme(db, L"0", 1); }

std::size_t tailleChaineProjet(const projetsTopo& projet) {
  // courant and the count, then per table its name, its count and seven
  // values a point (a name of ten bytes is one chunk).
  std::size_t n = 2;
  for (int i = 0; i < projet.nbTables(); ++i) n += 2 + 7 * std::size_t(projet.getTable(i)->nbPoint());
  return n;
}

void sauverProjet(ZcDbDatabase* db, const projetsTopo* projet, bool actif) {
  chaineResbuf chaine;
  if (actif && projet) {
    chaine.reserve(tailleChaineProjet(*projet));
    ResbufSerializer s(&chaine);
    projet->SaveToXRecord(&s);
  }
  stockerChaine(calqueZero(db), kCleProjet, chaine.chain());
}

int lireProjet(ZcDbDatabase* db, projetsTopo& projet) {
  ResbufChain stockee;
  lireChaine(db ? db->symbolId("LAYER", "0") : ZcDbObjectId(), kCleProjet, stockee);
  chaineResbuf chaine(std::move(stockee));
  zcutPrintf(L"\nLecture des données Topo");
  ResbufSerializer s(&chaine);
  return projet.GetFromXRecord(&s);
}

void effacerProjetStocke(ZcDbDatabase* db) { stockerChaine(calqueZero(db), kCleProjet, {}); }

namespace {

ResbufChain chaineDescription(const std::wstring& description) {
  return {resbuf::longInt(ResbufSerializer::kInt, kSignatureDescriptionBloc),
          resbuf::string(ResbufSerializer::kText, description)};
}

// The description of a record [signature, text]; false for another record.
bool descriptionDe(ZcDbObjectId objet, std::wstring& out) {
  ResbufChain chaine;
  if (!lireChaine(objet, kCleDescriptionBloc, chaine)) return false;
  if (chaine.empty() || chaine[0].restype != ResbufSerializer::kInt ||
      chaine[0].resval.rlong != kSignatureDescriptionBloc)
    return false;
  out = chaine.size() > 1 && chaine[1].restype == ResbufSerializer::kText ? chaine[1].resval.rstring : L"";
  return true;
}

}  // namespace

Zcad::ErrorStatus ecrireDescriptionBloc(ZcDbObjectId definition, const std::wstring& description) {
  std::vector<ZcDbObjectId> entites;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> bloc(definition, ZcDb::kForWrite);
    if (bloc.openStatus() != Zcad::eOk) return bloc.openStatus();
    bloc->setComments(description);
    entites = bloc->entityIds();
  }
  const ResbufChain chaine = chaineDescription(description);
  if (!entites.empty()) stockerChaine(entites.front(), kCleDescriptionBloc, chaine);
  return stockerChaine(definition, kCleDescriptionBloc, chaine);
}

int lireDescriptionBloc(ZcDbObjectId definition, descriptionBloc& out) {
  std::vector<ZcDbObjectId> entites;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> bloc(definition, ZcDb::kForRead);
    if (bloc.openStatus() != Zcad::eOk) return 0;
    out.commentaires = bloc->comments();
    entites = bloc->entityIds();
  }
  out.surEntite.clear();
  for (const auto& e : entites)
    if (descriptionDe(e, out.surEntite)) break;
  out.surDefinition.clear();
  descriptionDe(definition, out.surDefinition);
  return 1;
}

}  // namespace geltaro::points
