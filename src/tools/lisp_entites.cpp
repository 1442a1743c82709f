#include "tools/lisp_entites.hpp"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "tools/lisp_arguments.hpp"

using namespace argumentsLisp;

namespace {

// The application of the point blocks' extended data.
constexpr const wchar_t* kApplication = L"VRELPLUS";

// Case folding of the drawing's texts: ASCII and the accented letters of
// Latin-1, as tags and names are compared in the system's code page.
wchar_t minuscule(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return wchar_t(c + 0x20);
  return c;
}

bool egalSansCasse(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (minuscule(a[i]) != minuscule(b[i])) return false;
  return true;
}

bool appendreAEspaceObjet(ZcDbDatabase* db, ZcDbEntity* entite) {
  if (!db) return false;
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  return espace.openStatus() == Zcad::eOk && espace->appendZcDbEntity(entite) == Zcad::eOk;
}

// ---- extended data (sxd) -----------------------------------------------------

bool estControle(const resbuf& rb, const wchar_t* texte) { return rb.restype == 1002 && rb.resval.rstring == texte; }

// Same type and value: strings ignoring case, numbers exactly.
bool memeItem(const resbuf& a, const resbuf& b) {
  if (a.restype != b.restype) return false;
  switch (a.restype) {
    case 1000: return egalSansCasse(a.resval.rstring, b.resval.rstring);
    case 1040: return a.resval.rreal == b.resval.rreal;
    case 1070: return a.resval.rint == b.resval.rint;
    default: return false;
  }
}

// The items of one group from the second argument, or false (the error
// already told) when a member of a list has another type.
bool construireItem(const ResbufChain& args, ResbufChain& item) {
  const resbuf& donnee = args[1];
  if (estPoint(donnee)) {
    item.push_back(resbuf::real(1040, donnee.resval.rpoint.x));
    item.push_back(resbuf::real(1040, donnee.resval.rpoint.y));
    if (donnee.restype == RT3DPOINT) item.push_back(resbuf::real(1040, donnee.resval.rpoint.z));
    return true;
  }
  for (std::size_t i = 2; i < args.size() && args[i].restype != RTLE; ++i) {
    const resbuf& m = args[i];
    if (m.restype == RTREAL) {
      item.push_back(resbuf::real(1040, m.resval.rreal));
    } else if (m.restype == RTSHORT) {
      item.push_back(resbuf::shortInt(1070, m.resval.rint));
    } else if (m.restype == RTSTR) {
      item.push_back(resbuf::string(1000, m.resval.rstring));
    } else {
      zcdbFail(L"\nMauvais type d'element dans la liste (buildxdata)");
      return false;
    }
  }
  return true;
}

// The application's data (after its name) with the group that starts like
// `item` replaced by it, or a group of it appended. Groups are the
// outermost "{" ... "}" pairs; one left open runs to the end and is closed.
ResbufChain avecGroupe(const ResbufChain& donnees, const ResbufChain& item) {
  const auto groupe = [&] {
    ResbufChain g{resbuf::string(1002, L"{")};
    g.insert(g.end(), item.begin(), item.end());
    g.push_back(resbuf::string(1002, L"}"));
    return g;
  };
  int profondeur = 0;
  std::size_t ouverture = 0;
  for (std::size_t k = 0; k <= donnees.size(); ++k) {
    const bool fin = k == donnees.size();
    if (!fin && estControle(donnees[k], L"{")) {
      if (profondeur++ == 0) ouverture = k;
      continue;
    }
    const bool fermeture = !fin && estControle(donnees[k], L"}");
    if (fermeture && profondeur > 1) {
      --profondeur;
      continue;
    }
    if ((fermeture && profondeur == 1) || (fin && profondeur > 0)) {
      profondeur = 0;
      const std::size_t premier = ouverture + 1;
      if (premier < k && memeItem(donnees[premier], item.front())) {
        ResbufChain out(donnees.begin(), donnees.begin() + std::ptrdiff_t(ouverture));
        const ResbufChain g = groupe();
        out.insert(out.end(), g.begin(), g.end());
        if (!fin) out.insert(out.end(), donnees.begin() + std::ptrdiff_t(k) + 1, donnees.end());
        return out;
      }
    }
  }
  ResbufChain out = donnees;
  const ResbufChain g = groupe();
  out.insert(out.end(), g.begin(), g.end());
  return out;
}

// ---- attributes turned into texts (c:DISSOCBLOCK) ---------------------------

void textesDesAttributs(ZcDbObjectId id, ZcDbDatabase* db) {
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  if (ref.openStatus() != Zcad::eOk) return;
  const std::vector<ZcDbObjectId> attributs = ref->attributeIds();
  ref.close();
  for (ZcDbObjectId a : attributs) {
    ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForWrite);
    if (att.openStatus() != Zcad::eOk || att->textString().empty()) continue;
    auto texte = std::make_unique<ZcDbText>(att->position(), att->textString(), att->textStyle(), att->height(),
                                            att->rotation());
    texte->setAlignmentPoint(att->alignmentPoint());
    texte->setWidthFactor(att->widthFactor());
    texte->setOblique(att->oblique());
    texte->setThickness(att->thickness());
    texte->setNormal(att->normal());
    texte->mirrorInX(att->isMirroredInX());
    texte->mirrorInY(att->isMirroredInY());
    texte->setHorizontalMode(att->horizontalMode());
    texte->setVerticalMode(att->verticalMode());
    texte->setLayer(att->layerId());
    texte->setColorIndex(att->colorIndex());
    // A hidden attribute (the point's code) gives a hidden text: the
    // drawing keeps its data and looks as it did.
    if (att->isInvisible() || att->visibility() == ZcDb::kInvisible) texte->setVisibility(ZcDb::kInvisible);
    if (appendreAEspaceObjet(db, texte.get())) att->erase();
  }
}

}  // namespace

void lisp_calctailleblock() {
  const ResbufChain args = zcedGetArgs();
  ZcDbDatabase* db = zcdbCurDwg();
  if (args.empty() || args[0].restype != RTSTR || !db) {
    zcedRetNil();
    return;
  }
  const ZcDbObjectId bloc = db->symbolId("BLOCK_RECORD", host::toUtf8(args[0].resval.rstring));
  if (bloc.isNull()) {
    zcedRetNil();
    return;
  }
  // A reference made only to be measured: it never enters the drawing.
  auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), bloc);
  ZcDbExtents etendue;
  if (ref->geomExtentsBestFit(etendue) != Zcad::eOk || !etendue.isValid()) {
    // A block that draws nothing has no size.
    zcedRetNil();
    return;
  }
  const ZcGePoint3d bas = etendue.minPoint(), haut = etendue.maxPoint();
  zcedRetPoint(ZcGePoint3d(haut.x - bas.x, haut.y - bas.y, 0));
}

void lisp_analyse() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || args[0].restype != RTSTR) {
    zcedRetNil();
    return;
  }
  const std::wstring& texte = args[0].resval.rstring;
  const wchar_t* separateurs = L" ,\t\n";
  ResbufChain morceaux;
  std::size_t debut = texte.find_first_not_of(separateurs);
  while (debut != std::wstring::npos) {
    const std::size_t fin = texte.find_first_of(separateurs, debut);
    morceaux.push_back(resbuf::string(RTSTR, texte.substr(debut, fin == std::wstring::npos ? fin : fin - debut)));
    debut = fin == std::wstring::npos ? fin : texte.find_first_not_of(separateurs, fin);
  }
  if (morceaux.empty()) zcedRetNil();
  else zcedRetList(morceaux);
}

void lisp_attrvisibility() {
  const ResbufChain args = zcedGetArgs();
  if (args.size() < 2 || (args[0].restype != RTENAME && args[0].restype != RTPICKS) || args[1].restype != RTLB) {
    zcutPrintf(L"\nparametres incorrects.");
    if (args.size() < 2) zcedRetNil();
    return;
  }
  // Up to 25 (tag flag) pairs, flat in the list; tags of at most 64 characters.
  struct Paire {
    std::wstring tag;
    short drapeau;
  };
  std::vector<Paire> paires;
  for (std::size_t i = 2; paires.size() < 25 && i + 1 < args.size(); i += 2) {
    if (args[i].restype != RTSTR || args[i + 1].restype != RTSHORT) break;
    paires.push_back({args[i].resval.rstring.substr(0, 64), args[i + 1].resval.rint});
  }
  zcutPrintf(L"\n");
  std::vector<ZcDbObjectId> ids;
  if (paires.empty() || !entitesDe(args[0], ids)) return;
  const long nombre = long(ids.size());
  for (long i = 0; i < nombre; ++i) {
    if (i % 10 == 0) zcutPrintf(L"\r element %8ld / %8ld", i, nombre);
    ZcDbObjectPointer<ZcDbBlockReference> ref(ids[std::size_t(i)], ZcDb::kForRead);
    if (ref.openStatus() != Zcad::eOk) continue;
    const std::vector<ZcDbObjectId> attributs = ref->attributeIds();
    ref.close();
    for (ZcDbObjectId a : attributs) {
      ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForWrite);
      if (att.openStatus() != Zcad::eOk) continue;
      const std::wstring tag = att->tag();
      for (const Paire& p : paires) {
        if (!egalSansCasse(tag, p.tag)) continue;
        if (p.drapeau == 1) att->setInvisible(false);
        else if (p.drapeau == 2) att->setInvisible(true);
        else if (p.drapeau == 3) att->setInvisible(!att->isInvisible());
        break;
      }
    }
  }
}

void lisp_getsegtype() {
  const ResbufChain args = zcedGetArgs();
  if (args.size() < 2 || args[0].restype != RTENAME || !estPoint(args[1])) {
    zcedRetNil();
    return;
  }
  ZcDbObjectPointer<ZcDbPolyline> pl(args[0].resval.rlname, ZcDb::kForRead);
  if (pl.openStatus() != Zcad::eOk || pl->numVerts() < 2) {
    zcedRetNil();
    return;
  }
  Path chemin;
  pl->toPath(chemin);
  const PathClosestPoint proche = chemin.closestPoint(args[1].resval.rpoint);
  if (!proche.valid || chemin.numSegments() == 0) {
    zcedRetNil();
    return;
  }
  // The parameter's integer part is the segment; the end of an open
  // polyline (parameter n - 1) belongs to its last segment, not to a
  // closing one it does not have.
  const unsigned n = pl->numVerts();
  const double dernier = double(chemin.numSegments() - 1);
  const unsigned i = unsigned(std::clamp(std::floor(proche.param), 0.0, dernier));
  const unsigned j = i + 1 < n ? i + 1 : 0;
  double bulge = 0;
  ZcGePoint3d p1, p2;
  pl->getBulgeAt(i, bulge);
  pl->getPointAt(i, p1);
  pl->getPointAt(j, p2);
  ResbufChain segment;
  const bool droit = std::fabs(bulge) < 1e-7;
  segment.push_back(resbuf::string(RTSTR, droit ? L"LINE" : L"ARC"));
  segment.push_back(resbuf::point(RT3DPOINT, p1));
  segment.push_back(resbuf::point(RT3DPOINT, p2));
  if (!droit) segment.push_back(resbuf::real(RTREAL, bulge));
  zcedRetList(segment);
}

void lisp_modif_attrib() {
  const ResbufChain args = zcedGetArgs();
  if (args.size() < 3 || args[0].restype != RTENAME || args[1].restype != RTSTR || args[2].restype != RTSTR) {
    zcedRetNil();
    return;
  }
  ZcDbObjectPointer<ZcDbBlockReference> ref(args[0].resval.rlname, ZcDb::kForWrite);
  // Block references only, not the kinds built on them (tables).
  if (ref.openStatus() != Zcad::eOk || ref->isA() != ZcDbBlockReference::desc()) return;
  for (ZcDbObjectId a : ref->attributeIds()) {
    ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForWrite);
    if (att.openStatus() == Zcad::eOk && egalSansCasse(att->tag(), args[1].resval.rstring))
      att->setTextString(args[2].resval.rstring);
  }
}

void lisp_vrdelfile() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || args[0].restype != RTSTR) {
    zcedRetNil();
    return;
  }
  // The path as given, in UTF-8 for the file system; only a regular file
  // (or a link to one) is deleted, never a folder.
  const std::filesystem::path chemin(host::toUtf8(args[0].resval.rstring));
  std::error_code erreur;
  if (!chemin.empty() && std::filesystem::is_regular_file(chemin, erreur) &&
      std::filesystem::remove(chemin, erreur)) {
    zcedRetInt(1);
    return;
  }
  zcedRetNil();
}

void lisp_sxd() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || (args.size() < 2 && args[0].restype == RTENAME)) {
    zcdbFail(L"\nNombre de parametres insuffisant");
    zcedRetNil();
    return;
  }
  if (args[0].restype != RTENAME) {
    zcedRetNil();
    zcdbFail(L"\n1er param doit etre un nom d'entite");
    return;
  }
  if (args[1].restype != RTLB && !estPoint(args[1])) {
    zcutPrintf(L"\nType 2 eme param=%d", int(args[1].restype));
    zcdbFail(L"\n2 eme param doit etre une liste de Xdata");
    zcedRetNil();
    return;
  }
  ResbufChain item;
  if (!construireItem(args, item) || item.empty()) {
    zcedRetNil();
    return;
  }
  const ZcDbObjectId id = args[0].resval.rlname;
  ResbufChain liste = zcdbEntGet(id, {kApplication});
  if (liste.empty()) {
    zcedRetNil();
    return;
  }
  // The entity's own part, then the application's items after its name.
  ResbufChain donnees;
  std::size_t marque = 0;
  while (marque < liste.size() && liste[marque].restype != -3) ++marque;
  for (std::size_t k = marque + 1; k < liste.size(); ++k)
    if (liste[k].restype != 1001) donnees.push_back(liste[k]);
  liste.resize(marque);
  liste.push_back(resbuf::shortInt(-3, 0));
  liste.push_back(resbuf::string(1001, kApplication));
  const ResbufChain nouvelles = avecGroupe(donnees, item);
  liste.insert(liste.end(), nouvelles.begin(), nouvelles.end());
  if (const Zcad::ErrorStatus s = zcdbEntMod(liste); s != Zcad::eOk) {
    zcedSetErrno(int(s));
    resbuf numero;
    zcedGetVar(L"ERRNO", numero);
    zcutPrintf(L"\nErreur de entmod=%d", numero.restype == RTLONG ? int(numero.resval.rlong) : int(numero.resval.rint));
  }
}

void lisp_wait_user() {
  zcutPrintf(L"\nAppuyez sur une touche pour continuer ");
  // Pointer moves (type 5) are not keys; the end of the input ends the wait.
  int type = 0;
  resbuf valeur;
  while (zcedGrRead(0, type, valeur) == RTNORM && type == 5) {
  }
}

void lisp_VRELTEXT() {
  const ResbufChain args = zcedGetArgs();
  ZcDbDatabase* db = zcdbCurDwg();
  if (args.size() < 5 || args[0].restype != RTSTR || !estPoint(args[1]) || !estNombre(args[2]) ||
      !estNombre(args[3]) || args[4].restype != RTSTR || !db)
    return;
  ZcGePoint3d position = args[1].resval.rpoint;
  position.z = 0;
  auto texte = std::make_unique<ZcDbText>(position, args[4].resval.rstring, db->textstyle(), nombre(args[2]),
                                          nombre(args[3]));
  texte->setColorIndex(256);
  texte->setNormal(ZcGeVector3d(0, 0, 1));
  texte->setLayer(db->clayer());
  const std::wstring& justification = args[0].resval.rstring;
  const wchar_t lettre = justification.empty() ? L'\0' : wchar_t(std::towupper(justification[0]));
  ZcDb::TextHorzMode mode = ZcDb::kTextLeft;
  if (lettre == L'C') mode = ZcDb::kTextCenter;
  else if (lettre == L'M') mode = ZcDb::kTextMid;
  else if (lettre == L'R') mode = ZcDb::kTextRight;
  if (mode != ZcDb::kTextLeft) {
    // A justified text is placed by its alignment point.
    texte->setHorizontalMode(mode);
    texte->setAlignmentPoint(position);
  }
  texte->setWidthFactor(args.size() > 5 && estNombre(args[5]) ? nombre(args[5]) : 1.0);
  appendreAEspaceObjet(db, texte.get());
}

void lisp_DISSOCBLOCK() {
  const ResbufChain args = zcedGetArgs();
  ZcDbDatabase* db = zcdbCurDwg();
  std::vector<ZcDbObjectId> blocs;
  if (args.empty() || args[0].restype == RTNIL) {
    zcutPrintf(L"\nSelectionnez les elements a dissocier");
    const ResbufChain filtre = {resbuf::string(0, L"INSERT"), resbuf::shortInt(-3, 0),
                                resbuf::string(1001, kApplication)};
    ZcSelectionSet ss;
    if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, ss) == RTNORM) blocs = ss.ids;
  } else if (args[0].restype == RTENAME) {
    blocs.push_back(args[0].resval.rlname);
  } else {
    zcedRetNil();
    return;
  }
  for (ZcDbObjectId id : blocs) textesDesAttributs(id, db);
  zcedRetT();
}
