#include "tools/lisp_choix.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "frame/resources.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "points/blocks.hpp"
#include "points/names.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/points_dialog.hpp"

namespace {

// How the questions are answered, kept while the module is loaded.
struct etatSaisies {
  bool codeParSelection = false;
  int dernierCode = 1;
  bool numeroParSelection = false;
};

etatSaisies& saisies() {
  static etatSaisies etat;
  return etat;
}

listePointsDuDessin* tableCourante() { return tablesPoints ? tablesPoints->currTable() : nullptr; }

std::wstring motCleRecu() {
  std::wstring mot;
  zcedGetInput(mot);
  return mot;
}

// The leading decimal integer of a text (blanks before it skipped), when it
// fits an int.
bool entierEnTete(const std::wstring& texte, int& valeur) {
  errno = 0;
  wchar_t* fin = nullptr;
  const long v = std::wcstol(texte.c_str(), &fin, 10);
  if (fin == texte.c_str() || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  valeur = int(v);
  return true;
}

enum class lecturePick { annule, motCle, attribut, pasUnBloc, autre };

// One pick of a point block, the attribute `tag` read from it. Enter and a
// pick of nothing come back as `autre`: the caller asks again.
lecturePick piquerAttribut(const wchar_t* question, const wchar_t* motsCles, const std::wstring& tag,
                           std::wstring& texte) {
  zcedInitGet(RSG_NONULL, motsCles);
  ads_name entite;
  ZcGePoint3d pick;
  switch (zcedEntSel(question, entite, pick)) {
    case RTCAN: return lecturePick::annule;
    case RTKWORD: return lecturePick::motCle;
    case RTNORM: break;
    default: return lecturePick::autre;
  }
  ZcDbObjectId id;
  zcdbGetObjectId(id, entite);
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  if (ref.openStatus() != Zcad::eOk || !lireAttribut(*ref, tag, texte)) {
    zcutPrintf(L"\nCe n'est pas un block Geltaro");
    return lecturePick::pasUnBloc;
  }
  return lecturePick::attribut;
}

// The number a point name stands for: its look-up key (trimmed, lower case)
// written as "%d" writes a number above 0.
bool numeroDuNom(const char* nom, long long& numero) {
  const std::string cle = geltaro::points::cleNom(nom ? nom : "");
  if (cle.empty() || cle.size() > 18 || cle[0] == '0') return false;
  for (char c : cle)
    if (c < '0' || c > '9') return false;
  numero = std::stoll(cle);
  return true;
}

}  // namespace

void reinitialiserSaisiesPoints() { saisies() = etatSaisies(); }

int demanderCode(int& code) {
  etatSaisies& etat = saisies();
  for (;;) {
    if (!etat.codeParSelection) {
      const std::wstring question = L"\nCode à utiliser / Tous / Sel [" + std::to_wstring(etat.dernierCode) + L"]";
      zcedInitGet(RSG_NOZERO | RSG_NONEG, L"S T");
      int valeur = 0;
      switch (zcedGetInt(question.c_str(), valeur)) {
        case RTCAN: return RTCAN;
        case RTNONE: code = etat.dernierCode; return RTNORM;
        case RTNORM:
          etat.dernierCode = code = valeur;
          return RTNORM;
        case RTKWORD: {
          const std::wstring mot = motCleRecu();
          if (mot == L"T") {
            code = kCodeTous;
            return RTNORM;
          }
          if (mot == L"S") etat.codeParSelection = true;
          break;
        }
        default: break;
      }
      continue;
    }
    std::wstring texte;
    switch (piquerAttribut(L"\nCode a utiliser / Tous / Code :", L"C T", gAttribsPoints.tagCode, texte)) {
      case lecturePick::annule: return RTCAN;
      case lecturePick::motCle: {
        const std::wstring mot = motCleRecu();
        if (mot == L"T") {
          code = kCodeTous;
          return RTNORM;
        }
        if (mot == L"C") etat.codeParSelection = false;
        break;
      }
      case lecturePick::attribut: {
        int valeur;
        if (entierEnTete(texte, valeur) && valeur >= 1) {
          etat.dernierCode = code = valeur;
          return RTNORM;
        }
        break;
      }
      default: break;
    }
  }
}

int demanderNumeroPoint(const wchar_t* question, int& numero) {
  etatSaisies& etat = saisies();
  const std::wstring texteQuestion = question ? question : L"";
  for (;;) {
    if (!etat.numeroParSelection) {
      const std::wstring invite = L"\n" + texteQuestion + L" / Sel :";
      zcedInitGet(0, L"S");
      int valeur = 0;
      const int rc = zcedGetInt(invite.c_str(), valeur);
      if (rc == RTCAN) return RTCAN;
      if (rc == RTKWORD) {
        if (motCleRecu() == L"S") etat.numeroParSelection = true;
        continue;
      }
      if (rc == RTNORM && valeur > 0) {
        numero = valeur;
        return RTNORM;
      }
      zcutPrintf(L"\nNumero invalide");
      continue;
    }
    const std::wstring invite = L"\n" + texteQuestion + L" / Numero :";
    std::wstring texte;
    switch (piquerAttribut(invite.c_str(), L"N", gAttribsPoints.tagNumero, texte)) {
      case lecturePick::annule: return RTCAN;
      case lecturePick::motCle:
        if (motCleRecu() == L"N") etat.numeroParSelection = false;
        break;
      case lecturePick::attribut: {
        // A name that is no number above 0 (B4, 0) gives no point number.
        int valeur;
        if (entierEnTete(texte, valeur) && valeur > 0) {
          numero = valeur;
          return RTNORM;
        }
        zcutPrintf(L"\nNumero invalide");
        break;
      }
      default: break;
    }
  }
}

void lisp_choixpoint() {
  listePointsDuDessin* table = tableCourante();
  if (!table) {
    zcedRetNil();
    return;
  }
  geltaro::frame::ressourcesModule ressources;
  DlgPntsDuDessin dialogue;
  dialogue.mode = 0;
  dialogue.codifs = &codification();
  dialogue.table = table;
  dialogue.codeInitial = 100;
  const int resultat = dialogue.doModal();
  const int choisi = dialogue.pointChoisi;
  if (resultat == host::ui::IDOK && choisi >= 0 && choisi < table->nbPoint())
    zcedRetStr(table->getData(choisi)->getNomPointW());
  else
    zcedRetNil();
}

void lisp_selectionnerCode() {
  int code;
  if (demanderCode(code) == RTNORM) zcedRetInt(code);
  else zcedRetNil();
}

void c_TopJndre() {
  int premier, dernier, code;
  if (demanderNumeroPoint(L"\nNumero de départ", premier) != RTNORM) return;
  if (demanderNumeroPoint(L"\nNumero de fin", dernier) != RTNORM) return;
  if (premier == dernier) return;
  if (demanderCode(code) != RTNORM) return;
  zcedInitGet(0, nullptr);
  int pas = 1;
  const int rc = zcedGetInt(L"\nIncrement [1] :", pas);
  if (rc == RTNONE) pas = 1;
  else if (rc != RTNORM || pas == 0) return;

  listePointsDuDessin* table = tableCourante();
  ZcDbDatabase* db = zcdbCurDwg();
  if (!table || !db) return;
  const long long bas = std::min(premier, dernier), haut = std::max(premier, dernier);
  const long long ecart = pas < 0 ? -(long long)pas : pas;
  const bool croissant = dernier > premier;

  // The table is scanned rather than every number of the range: picked
  // numbers may span billions of names. A number takes the point a look-up
  // of its name finds, as for any named point.
  struct sommet {
    long long numero;
    ZcGePoint2d position;
  };
  std::vector<sommet> sommets;
  for (int i = 0; i < table->nbPoint(); ++i) {
    long long n;
    if (!numeroDuNom(table->getData(i)->getNomPoint(), n) || n < bas || n > haut || (n - premier) % ecart != 0)
      continue;
    const std::wstring nom = std::to_wstring(n);
    int pos;
    if (!table->existPoint(nom.c_str(), pos) || pos != i) continue;
    ZcGePoint3d position;
    int codePoint;
    if (!table->getBlockPosition(nom.c_str(), position, codePoint)) continue;
    if (code != kCodeTous && codePoint != code) continue;
    sommets.push_back({n, ZcGePoint2d(position.x, position.y)});
  }
  if (sommets.size() < 2) return;
  std::sort(sommets.begin(), sommets.end(), [croissant](const sommet& a, const sommet& b) {
    return croissant ? a.numero < b.numero : a.numero > b.numero;
  });

  auto polyligne = std::make_unique<ZcDbPolyline>();
  for (const sommet& s : sommets) polyligne->addVertexAt(polyligne->numVerts(), s.position);
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  if (espace.openStatus() == Zcad::eOk) espace->appendZcDbEntity(polyligne.get());
}

void C_ZoomLeve() {
  const listePointsDuDessin* table = tableCourante();
  if (!table || table->nbPoint() < 2) {
    zcutPrintf(L"\nPas de points dans cette table");
    return;
  }
  double xMin = table->getData(0)->getX(), xMax = xMin;
  double yMin = table->getData(0)->getY(), yMax = yMin;
  for (const pointDuDessin& p : table->points()) {
    xMin = std::min(xMin, p.getX());
    xMax = std::max(xMax, p.getX());
    yMin = std::min(yMin, p.getY());
    yMax = std::max(yMax, p.getY());
  }
  // A margin of a fortieth of the extent, at most one unit.
  const double mx = std::min((xMax - xMin) / 40, 1.0);
  const double my = std::min((yMax - yMin) / 40, 1.0);
  zcedZoomWindow(ZcGePoint3d(xMin - mx, yMin - my, 0), ZcGePoint3d(xMax + mx, yMax + my, 0));
}
