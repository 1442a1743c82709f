// Any bytes as the project stored in a drawing: decoded into a chain of
// typed values (ints, doubles, texts, binary chunks, object ids naming the
// drawing's entities, whole points and table heads to help the fuzzer), kept
// in the drawing's record, read as the module reads it, then worked on
// through the ids it holds (block positions, updates, renumbering, deletion,
// a point placed) and saved.
//
// Whatever the input: the text and the line of the drawing are never erased
// nor changed (a stored id may name them, it must not reach them), the
// other point's block keeps its name, and the saved project reads back whole
// with the same tables and points.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "points/serializer.hpp"
#include "points/storage.hpp"
#include "points/codification.hpp"

namespace {

class Octets {
 public:
  Octets(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  bool fini() const { return i_ >= n_; }
  uint8_t octet() { return i_ < n_ ? d_[i_++] : 0; }
  int32_t entier() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(octet()) << (8 * k);
    return int32_t(v);
  }
  double reel() {
    // Small values mostly, sometimes any bit pattern.
    if (octet() & 1) {
      uint64_t bits = 0;
      for (int k = 0; k < 8; ++k) bits |= uint64_t(octet()) << (8 * k);
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    return double(int8_t(octet())) * 1.5;
  }
  std::wstring texte() {
    std::wstring t;
    for (int n = octet() % 12; n > 0; --n) t.push_back(wchar_t(octet()));
    return t;
  }
  std::vector<unsigned char> morceau(int n) {
    std::vector<unsigned char> b;
    for (int k = 0; k < n; ++k) b.push_back(octet());
    return b;
  }

 private:
  const uint8_t* d_;
  size_t n_;
  size_t i_ = 0;
};

ZcDbObjectId ajouter(ZcDbDatabase& db, ZcDbEntity* e) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, e);
  return id;
}

ZcDbObjectId blocDePoint(ZcDbDatabase& db, ZcDbObjectId definition, const wchar_t* nom, double x) {
  auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(x, 0, 0), definition);
  const ZcDbObjectId id = ajouter(db, ref.get());
  auto numero = std::make_unique<ZcDbAttribute>(ZcGePoint3d(x, 0, 0), nom, L"NUMPT");
  ref->appendAttribute(numero.get());
  return id;
}

// The codification as it was set up: each input starts from it (stored
// points may name any code, and would add an entry each).
std::vector<codifPoint>& codesInitiaux() {
  static std::vector<codifPoint> codes;
  return codes;
}

std::wstring texteDe(ZcDbObjectId id) {
  ZcDbObjectPointer<ZcDbText> t(id, ZcDb::kForRead);
  return t ? t->textString() : L"<absent>";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  geltaro::fuzz::installation();
  geltaro::fuzz::silence();
  // Block files that do not exist: points get no new block (reading the
  // library for every input would only slow the run down).
  tableCodification& codes = codification();
  for (int code : {0, 1, 2, 3, 4, 100}) codes.codeCree(code).chemin = L"absent.dwg";
  for (int i = 0; i < codes.nbCodes(); ++i) codesInitiaux().push_back(codes.getAt(i));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  geltaro::fuzz::silence();
  ZcDbDatabase db(true);
  ZcDbDatabase* precedent = zcdbCurDwg();
  zcdbSetCurDwg(&db);

  ZcDbObjectId definition;
  {
    ZcDbObjectPointer<ZcDbBlockTable> blocs(db.blockTableId(), ZcDb::kForWrite);
    auto def = std::make_unique<ZcDbBlockTableRecord>();
    def->setName(L"PT");
    blocs->add(definition, def.get());
  }
  auto texte = std::make_unique<ZcDbText>(ZcGePoint3d(3, 4, 0), L"Rue des Lilas");
  const ZcDbObjectId idTexte = ajouter(db, texte.get());
  texte.reset();
  auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(10, 0, 0));
  const ZcDbObjectId idLigne = ajouter(db, ligne.get());
  ligne.reset();
  const ZcDbObjectId blocA = blocDePoint(db, definition, L"A", 1);
  const ZcDbObjectId blocB = blocDePoint(db, definition, L"B", 2);
  const ZcDbObjectId ids[] = {idTexte, idLigne, blocA, blocB, definition, db.symbolId("LAYER", "0"), {}};

  ResbufChain chaine;
  Octets in(data, size);
  while (!in.fini() && chaine.size() < 4000) {
    switch (in.octet() % 12) {
      case 0: chaine.push_back(resbuf::longInt(90, in.entier())); break;
      case 1: chaine.push_back(resbuf::longInt(90, in.octet() % 4)); break;
      case 2: chaine.push_back(resbuf::real(40, in.reel())); break;
      case 3: chaine.push_back(resbuf::string(300, in.texte())); break;
      case 4: chaine.push_back(resbuf::longInt(92, in.octet() % 16)); break;
      case 5: chaine.push_back(resbuf::binary(310, in.morceau(in.octet() % 12))); break;
      case 6: chaine.push_back(resbuf::id(330, ids[in.octet() % std::size(ids)])); break;
      case 7: chaine.push_back(resbuf::shortInt(70, short(in.entier()))); break;
      case 8: chaine.push_back(resbuf::string(1, in.texte())); break;
      case 9: {
        // A whole point.
        std::vector<unsigned char> nom = in.morceau(3);
        nom.resize(10, 0);
        chaine.push_back(resbuf::longInt(92, 10));
        chaine.push_back(resbuf::binary(310, nom));
        chaine.push_back(resbuf::longInt(90, in.octet() % 5));
        for (int k = 0; k < 3; ++k) chaine.push_back(resbuf::real(40, in.reel()));
        chaine.push_back(resbuf::id(330, ids[in.octet() % std::size(ids)]));
        break;
      }
      case 10:
        // A table head.
        chaine.push_back(resbuf::string(300, in.texte()));
        chaine.push_back(resbuf::longInt(90, in.octet() % 4));
        break;
      default: chaine.push_back(resbuf::longInt(90, -9999999)); break;
    }
  }
  geltaro::points::stockerChaine(db.symbolId("LAYER", "0"), geltaro::points::kCleProjet, chaine);

  projetsTopo projet;
  tablesPoints = &projet;
  geltaro::points::lireProjet(&db, projet);
  for (int i = 0; i < projet.nbTables(); ++i) {
    listePointsDuDessin* t = projet.getTable(i);
    for (int k = 0; k < t->nbPoint(); ++k) {
      ZcGePoint3d position;
      int code;
      t->getBlockPosition(t->getData(k)->getNomPointW().c_str(), position, code);
    }
  }
  listePointsDuDessin* courante = projet.currTable();
  courante->updateDrawing();
  if (courante->nbPoint() > 0) courante->supprimerPoint(courante->getData(0)->getNomPointW().c_str());
  courante->renumeroter(true);
  pointDuDessin p;
  p.setParams(L"1", {5, 6, 7}, 1);
  placerPointDansTableCourante(p, L"obs");
  if (projet.nbTables() > 1) {
    projet.courant = projet.nbTables() - 1;
    projet.currTable()->renumeroter(false);
    projet.currTable()->updateDrawing();
  }

  // What the stored ids named is as it was.
  if (idTexte.isErased() || idLigne.isErased() || texteDe(idTexte) != L"Rue des Lilas") std::abort();
  {
    ZcDbObjectPointer<ZcDbLine> l(idLigne, ZcDb::kForRead);
    if (!l || l->endPoint() != ZcGePoint3d(10, 0, 0)) std::abort();
  }
  if (!blocB.isErased()) {
    ZcDbObjectPointer<ZcDbBlockReference> b(blocB, ZcDb::kForRead);
    std::wstring nom;
    if (!b || !lireAttribut(*b, L"NUMPT", nom) || nom != L"B") std::abort();
  }

  // Saved, the project reads back whole.
  geltaro::points::sauverProjet(&db, &projet, true);
  projetsTopo relu;
  if (!geltaro::points::lireProjet(&db, relu) || relu.lectureIncomplete()) std::abort();
  if (relu.nbTables() != projet.nbTables()) std::abort();
  // (A table name is written as a zero-terminated text: a damaged record's
  // name with a zero inside comes back cut there.)
  for (int i = 0; i < projet.nbTables(); ++i)
    if (relu.getTable(i)->nbPoint() != projet.getTable(i)->nbPoint() ||
        relu.getTable(i)->getNomTable() != std::wstring(projet.getTable(i)->getNomTable().c_str()))
      std::abort();

  tablesPoints = nullptr;
  zcdbSetCurDwg(precedent);
  tableCodification& codes = codification();
  codes.vider();
  for (const codifPoint& c : codesInitiaux()) codes.ajouter(c);
  return 0;
}
