#include "tools/lisp_points.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/lisp_arguments.hpp"

namespace {

// Most points a table may hold.
constexpr int kMaxPoints = 1000000000;

using argumentsLisp::estEntier;
using argumentsLisp::estPoint;
using argumentsLisp::nombre;

long entier(const resbuf& rb) { return rb.restype == RTSHORT ? long(rb.resval.rint) : long(rb.resval.rlong); }

// Codes are 1..9999; anything else is 1.
int32_t codeValide(double code) {
  return code >= 1 && code <= 9999 ? int32_t(code) : 1;
}

listePointsDuDessin* tableCourante() { return tablesPoints ? tablesPoints->currTable() : nullptr; }

bool tablePleine(const listePointsDuDessin& t) { return t.nbPoint() >= kMaxPoints; }

// The point has a block: its id names the point block of that point (a
// stored id may name another entity, which is not handed out).
bool blocDuPoint(const pointDuDessin& p) { return estBlocDuPoint(p.getId(), p.getNomPoint()); }

void retournerSelection(const std::vector<ZcDbObjectId>& ids) {
  ZcSelectionSet ss;
  ss.ids = ids;
  ss.number = host::registerSelectionSet(ss);
  zcedRetPickSet(ss.number);
}

std::wstring trimmed(const std::wstring& s) {
  const auto b = s.find_first_not_of(L" \t");
  if (b == std::wstring::npos) return {};
  return s.substr(b, s.find_last_not_of(L" \t") - b + 1);
}

}  // namespace

void placerPointXYZ(const pointXYZ& p) {
  listePointsDuDessin* table = tableCourante();
  if (!table || tablePleine(*table)) return;
  ZcDbObjectId id;
  creerBlocPoint(p, zcdbCurDwg(), codification(), id, p.z != kIndefini, true);
  pointDuDessin point;
  point = p;
  point.setId(id);
  table->Ajouter(point);
}

void lisp_add_pt() {
  const ResbufChain args = zcedGetArgs();
  listePointsDuDessin* table = tableCourante();
  if (args.size() < 5) zcedRetNil();
  if (!table) return;
  if (tablePleine(*table)) {
    zcutPrintf(L"Erreur, depassement du nombre maximal de points autorises");
    zcedRetNil();
    return;
  }
  if (args.size() < 3 || args[0].restype != RTSTR || !argumentsLisp::estNombre(args[1])) {
    zcedRetNil();
    return;
  }
  pointXYZ p;
  p.nom = args[0].resval.rstring;
  p.code = codeValide(std::trunc(nombre(args[1])));
  // The position: a point, or a list of exactly two numbers.
  std::size_t suivant;
  if (estPoint(args[2])) {
    p.x = args[2].resval.rpoint.x;
    p.y = args[2].resval.rpoint.y;
    suivant = 3;
  } else if (args[2].restype == RTLB && args.size() >= 6 && argumentsLisp::estNombre(args[3]) && argumentsLisp::estNombre(args[4]) &&
             args[5].restype == RTLE) {
    p.x = nombre(args[3]);
    p.y = nombre(args[4]);
    suivant = 6;
  } else {
    zcedRetNil();
    return;
  }
  if (suivant >= args.size()) {
    zcedRetNil();
    return;
  }
  const resbuf& altitude = args[suivant];
  p.z = kIndefini;
  if (argumentsLisp::estNombre(altitude)) {
    p.z = nombre(altitude);
  } else if (altitude.restype == RTSTR) {
    const std::string texte = host::toAnsi(altitude.resval.rstring);
    if (estNombre(texte)) p.z = std::strtod(texte.c_str(), nullptr);
  }
  // A non-finite altitude is no altitude; a point without a finite
  // position is refused.
  if (!std::isfinite(p.z)) p.z = kIndefini;
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
    zcedRetNil();
    return;
  }
  if (suivant + 1 < args.size() && args[suivant + 1].restype == RTSTR) p.obs = args[suivant + 1].resval.rstring;
  placerPointXYZ(p);
}

void lisp_gltraddpt() {
  const ResbufChain args = zcedGetArgs();
  listePointsDuDessin* table = tableCourante();
  if (!table) return;
  if (tablePleine(*table)) {
    zcutPrintf(L"\nDepassement du nombre maximal de points autorises. limite = %d", kMaxPoints);
    return;
  }
  if (args.size() < 5) {
    zcedRetNil();
    return;
  }
  const bool codeLu = estEntier(args[1]) || args[1].restype == RTSTR;
  if (args[0].restype != RTSTR || !codeLu || !estPoint(args[2]) ||
      !(argumentsLisp::estNombre(args[3]) || args[3].restype == RTNIL) || args[4].restype != RTSTR) {
    zcutPrintf(L"\nInvalid params");
    return;
  }
  const double code = args[1].restype == RTSTR ? double(std::wcstol(args[1].resval.rstring.c_str(), nullptr, 10))
                                               : double(entier(args[1]));
  const double z = args[3].restype == RTNIL || !std::isfinite(nombre(args[3])) ? kIndefini : nombre(args[3]);
  const std::wstring& nom = args[0].resval.rstring;
  table->supprimerPoint(nom.c_str());
  if (tablePleine(*table)) return;
  pointDuDessin p;
  p.setParams(nom.c_str(), {args[2].resval.rpoint.x, args[2].resval.rpoint.y, z}, codeValide(code));
  p.creer(true, args[4].resval.rstring.c_str());
  table->Ajouter(p);
}

void lisp_reg_pts() {
  if (listePointsDuDessin* table = tableCourante()) table->updateDrawing();
}

void lisp_updarxttxt() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || !argumentsLisp::estNombre(args[0])) return;
  const double facteur = std::fabs(nombre(args[0]));
  facteurTailleBlocs = facteur < 0.000001 ? 1.0 : facteur;
}

void lisp_chgreppts() {
  const ResbufChain args = zcedGetArgs();
  if (args.size() < 2 || !estEntier(args[0]) || args[1].restype != RTSTR) return;
  ZcDbDatabase* db = zcdbCurDwg();
  listePointsDuDessin* table = tableCourante();
  if (!db || !table) return;
  // The given name as a library name (".dxf" or no extension: its ".dwg"
  // name), taken from the installation folder and looked up as the rest of
  // the library is: as spelt, then in lower case.
  // Only the given name is lower-cased in the second try: the installation
  // folder is used as it is spelt.
  const std::wstring nom = args[1].resval.rstring;
  std::wstring minuscule = nom;
  for (wchar_t& c : minuscule)
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
  const std::wstring fichier = fichierInstallation(nomFichierBibliotheque(nom));
  ZcDbObjectId bloc;
  if (!trouverOuDefinirBloc(fichier, db, bloc) &&
      !trouverOuDefinirBloc(fichierInstallation(nomFichierBibliotheque(minuscule)), db, bloc)) {
    zcutPrintf(L"\nBloc introuvable [%ls]", host::fromUtf8(cheminSysteme(fichier)).c_str());
    return;
  }
  const int32_t code = int32_t(entier(args[0]));
  for (const pointDuDessin& p : table->points()) {
    if (p.getCode() != code || !blocDuPoint(p)) continue;
    ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForWrite);
    if (ref.openStatus() == Zcad::eOk) ref->setBlockTableRecord(bloc);
  }
}

void lisp_loadcodept() {
  tableCodification& table = codification();
  table.trier();
  ResbufChain liste;
  for (int i = 0; i < table.nbCodes(); ++i) {
    const codifPoint& c = table.getAt(i);
    liste.push_back(resbuf::shortInt(RTLB, 0));
    if (c.code >= -32768 && c.code <= 32767) liste.push_back(resbuf::shortInt(RTSHORT, short(c.code)));
    else liste.push_back(resbuf::longInt(RTLONG, c.code));
    liste.push_back(resbuf::shortInt(RTDOTE, 0));
    liste.push_back(resbuf::string(RTSTR, c.libelle));
    liste.push_back(resbuf::shortInt(RTLE, 0));
  }
  if (liste.empty()) zcedRetNil();
  else zcedRetList(liste);
}

void lisp_addcodept() {
  const ResbufChain args = zcedGetArgs();
  if (args.size() < 2 || !estEntier(args[0]) || args[1].restype != RTSTR) {
    zcedRetNil();
    return;
  }
  const int32_t code = codeValide(double(entier(args[0])));
  std::wstring libelle = trimmed(args[1].resval.rstring);
  if (libelle.empty()) libelle = L"Code " + std::to_wstring(code);
  tableCodification& table = codification();
  if (table.indexDuCode(code) >= 0) return;
  codifPoint entree;
  entree.code = code;
  entree.libelle = libelle;
  table.ajouter(entree);
}

void lisp_resetcodespts() { codification().vider(); }

void lisp_ename_pt() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || args[0].restype != RTSTR) return;
  listePointsDuDessin* table = tableCourante();
  int pos;
  if (table && table->existPoint(args[0].resval.rstring.c_str(), pos) && blocDuPoint(*table->getData(pos)))
    zcedRetName(table->getData(pos)->getId());
  else
    zcedRetNil();
}

void lisp_maxnum() {
  listePointsDuDessin* table = tableCourante();
  zcedRetInt(std::max(1, (table ? table->getMaxNum() : 0) + 1));
}

void lisp_select_all() {
  std::vector<ZcDbObjectId> ids;
  if (listePointsDuDessin* table = tableCourante())
    for (const pointDuDessin& p : table->points())
      if (blocDuPoint(p)) ids.push_back(p.getId());
  retournerSelection(ids);
}

void lisp_seloncode() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty() || !estEntier(args[0])) {
    zcedRetNil();
    return;
  }
  const long code = entier(args[0]);
  std::vector<ZcDbObjectId> ids;
  if (listePointsDuDessin* table = tableCourante())
    for (const pointDuDessin& p : table->points())
      if (p.getCode() == code && blocDuPoint(p)) ids.push_back(p.getId());
  retournerSelection(ids);
}

void lisp_selonnum() {
  const ResbufChain args = zcedGetArgs();
  // The numbers are shorts: a range of long integers could run for billions
  // of names.
  if (args.size() < 3 || args[0].restype != RTSTR || args[1].restype != RTSHORT || args[2].restype != RTSHORT) {
    zcedRetNil();
    return;
  }
  const long a = args[1].resval.rint, b = args[2].resval.rint;
  std::vector<ZcDbObjectId> ids;
  if (listePointsDuDessin* table = tableCourante()) {
    for (long n = std::min(a, b); n <= std::max(a, b); ++n) {
      const std::wstring nom = args[0].resval.rstring + std::to_wstring(n);
      int pos;
      if (table->existPoint(nom.c_str(), pos) && blocDuPoint(*table->getData(pos)))
        ids.push_back(table->getData(pos)->getId());
    }
  }
  retournerSelection(ids);
}

void lisp_is_vrplus2018() { zcedRetInt(1); }

void lisp_k_getpt() {
  const ResbufChain args = zcedGetArgs();
  if (args.empty()) {
    zcutPrintf(L"\n1er param = NULL");
    zcedRetNil();
    return;
  }
  if (args[0].restype != RTSTR) {
    zcutPrintf(L"\n1er param n'est pas une chaine");
    zcedRetNil();
    return;
  }
  if (args.size() < 2) {
    zcutPrintf(L"\n2eme param = NULL");
    zcedRetNil();
    return;
  }
  if (!estPoint(args[1]) && args[1].restype != RTNIL) {
    zcutPrintf(L"\n2eme param n'est pas un point, son code est %d", int(args[1].restype));
    zcedRetNil();
    return;
  }
  ZcGePoint3d base;
  const bool avecBase = estPoint(args[1]);
  if (avecBase) base = ZcGePoint3d(args[1].resval.rpoint.x, args[1].resval.rpoint.y, 0);
  zcedInitGet(RSG_NONULL, nullptr);
  ZcGePoint3d point;
  if (zcedGetPoint(avecBase ? &base : nullptr, args[0].resval.rstring.c_str(), point) == RTNORM) zcedRetPoint(point);
  else zcedRetNil();
}
