// Survey data kept inside the drawing, as XRecords in extension
// dictionaries:
//  - the project, under "GELTARO4_VREL_DATA" on layer "0";
//  - block descriptions, under "BLOCKINFO_GELTARO" on a block definition
//    and on its first entity.
#pragma once

#include <string>

#include "host/db/resbuf.hpp"
#include "points/project.hpp"

namespace geltaro::points {

constexpr const wchar_t* kCleProjet = L"GELTARO4_VREL_DATA";
constexpr const wchar_t* kCleDescriptionBloc = L"BLOCKINFO_GELTARO";
// First value of a block description record.
constexpr int32_t kSignatureDescriptionBloc = 12744721;

// Stores a chain in a new XRecord under `cle` in the object's extension
// dictionary (created when missing), replacing an earlier entry.
Zcad::ErrorStatus stockerChaine(ZcDbObjectId objet, const wchar_t* cle, const ResbufChain& chaine);
// A copy of the chain stored under `cle`; false when there is none.
bool lireChaine(ZcDbObjectId objet, const wchar_t* cle, ResbufChain& chaine);

// The layer of that name, created with that colour when the drawing lacks
// it; null without a layer table.
ZcDbObjectId calqueNomme(ZcDbDatabase* db, const std::wstring& nom, int couleur);
// Layer "0" of the drawing, created (colour 1) when the drawing lacks it.
ZcDbObjectId calqueZero(ZcDbDatabase* db);

// The number of values the project's chain holds (for reserving it).
std::size_t tailleChaineProjet(const projetsTopo& projet);

// Stores the project in the drawing; with `actif` false (or no project) an
// empty record is stored. Prints "\t*** ERREUR ***" when the project cannot
// be written whole (what was written is stored).
void sauverProjet(ZcDbDatabase* db, const projetsTopo* projet, bool actif);
// Replaces the project by the one stored in the drawing (one table "LEVE"
// when there is none or it cannot be read). Prints
// "\nLecture des données Topo". Returns the reader's result.
int lireProjet(ZcDbDatabase* db, projetsTopo& projet);
// Replaces the stored project by an empty record.
void effacerProjetStocke(ZcDbDatabase* db);

// The description of a block definition: its comments, and the record on
// its first entity and on the definition itself.
Zcad::ErrorStatus ecrireDescriptionBloc(ZcDbObjectId definition, const std::wstring& description);

struct descriptionBloc {
  std::wstring commentaires;    // the definition's comments
  std::wstring surEntite;       // from the first entity carrying a record
  std::wstring surDefinition;   // from the definition itself
};
// 0 when the object is not a block definition.
int lireDescriptionBloc(ZcDbObjectId definition, descriptionBloc& out);

}  // namespace geltaro::points
