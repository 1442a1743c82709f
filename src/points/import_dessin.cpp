// The import of survey points from the entities of a drawing: one rule per
// kind of entity, applied in the order the user selected the entities.
#include "points/import_dessin.hpp"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "points/blocks.hpp"
#include "points/codification.hpp"
#include "points/table.hpp"

namespace {

// Where the points come from: their code and the label the codification
// table gets for that code when it has none.
struct Source {
  int code;
  const wchar_t* libelle;
};

constexpr Source kPolyligne3d{kCodeImportPolyligne3d, L"Sommets importes a partir de polylines 3d"};
constexpr Source kPolyligne2dAncienne{kCodeImportPolyligne2dAncienne, L"Sommets importes a partir de Polylines 2d"};
constexpr Source kPoint{kCodeImportPoint, L"Sommets importes a partir des points Autocad"};
constexpr Source kMaillage3d{kCodeImportMaillage3d, L"Sommets importes a partir de 3dMesh"};
constexpr Source kMaillageFacettes{kCodeImportMaillageFacettes, L"Sommets importes a partir de PolyfaceMesh"};
constexpr Source kFacette3d{kCodeImportFacette3d, L"Sommets importes a partir des facettes "};
constexpr Source kLigne{kCodeImportLigne, L"Sommets importes a partir des lignes"};
constexpr Source kPolyligne2d{kCodeImportPolyligne2d, L"Sommets importes a partir des polylines"};
constexpr Source kBlocPoint{kCodeImportBlocPoint, L"Points importes a partir des blocs"};
constexpr Source kBloc3d{kCodeImportBloc3d, L"Sommets importes a partir des Blocks en 3D"};
constexpr Source kBlocAttributs{kCodeImportBlocAttributs, L"Points importes a partir des blocs avec attributs"};
constexpr const wchar_t* kLibelleCodeImporte = L"Import Code";
constexpr Source kTexte{kCodeImportTexte, L"Sommets importes a partir des Textes"};

// An attribute or text value as an altitude: a number by estNombre, read
// as a finite double (an overflowing "1.0E999" is none).
bool lireAltitude(const std::wstring& texte, double& z) {
  const std::string octets = host::toUtf8(texte);
  if (!estNombre(octets)) return false;
  const double v = std::strtod(octets.c_str(), nullptr);
  if (!std::isfinite(v)) return false;
  z = v;
  return true;
}

// The leading decimal integer of a code attribute (0 when there is none);
// values beyond the 32-bit range count as out of range.
long lireCode(const std::wstring& texte) {
  return std::wcstol(texte.c_str(), nullptr, 10);
}

bool codeValide(long code) { return code >= 1 && code <= 9999; }

class Importation {
 public:
  Importation(listePointsDuDessin& table, tableCodification& codifs, const std::wstring& tagNumero,
              const std::wstring& tagAltitude, const std::wstring& tagCode, const ZcGeVector2d& decalage)
      : table_(table), codifs_(codifs), tagNumero_(tagNumero), tagAltitude_(tagAltitude), tagCode_(tagCode),
        decalage_(decalage) {}

  void entite(const ZcDbObjectId& id, int types) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (e.openStatus() != Zcad::eOk) return;
    const ZcDbEntity* entite = e.object();
    if (auto* p = ZcDb2dPolyline::cast(entite); p && (types & kImportPolylignes2dAnciennes)) {
      polyligne2dAncienne(*p);
    } else if (auto* p = ZcDbPolyFaceMesh::cast(entite); p && (types & kImportMaillagesFacettes)) {
      sommets<ZcDbPolyFaceMeshVertex>(*p, kMaillageFacettes);
    } else if (auto* p = ZcDb3dPolyline::cast(entite); p && (types & kImportPolylignes3d)) {
      sommets<ZcDb3dPolylineVertex>(*p, kPolyligne3d);
    } else if (auto* p = ZcDbPolygonMesh::cast(entite); p && (types & kImportMaillages3d)) {
      sommets<ZcDbPolygonMeshVertex>(*p, kMaillage3d);
    } else if (auto* b = ZcDbBlockReference::cast(entite); b && (types & (kImportBlocs3d | kImportBlocsPoints |
                                                                            kImportBlocsAttributs))) {
      bloc(*b, types);
    } else if (auto* p = ZcDbPoint::cast(entite); p && (types & kImportPoints)) {
      creer(p->position(), kPoint);
    } else if (auto* f = ZcDbFace::cast(entite); f && (types & kImportFacettes3d)) {
      for (int i = 0; i < 4; ++i) {
        ZcGePoint3d coin;
        if (f->getVertexAt(i, coin) == Zcad::eOk) creer(coin, kFacette3d);
      }
    } else if (auto* l = ZcDbLine::cast(entite); l && (types & kImportLignes)) {
      creer(l->startPoint(), kLigne);
      creer(l->endPoint(), kLigne);
    } else if (auto* p = ZcDbPolyline::cast(entite); p && (types & kImportPolylignes2d)) {
      for (unsigned i = 0; i < p->numVerts(); ++i) {
        ZcGePoint3d sommet;
        if (p->getPointAt(i, sommet) == Zcad::eOk) creer(sommet, kPolyligne2d);
      }
    } else if (types & kImportTextes) {
      texte(*entite);
    }
  }

 private:
  // A point of the source at `p`, unless its altitude is exactly 0.
  void creer(const ZcGePoint3d& p, const Source& source, const wchar_t* nom = nullptr) {
    if (p.z == 0.0) return;
    assurerCode(source.code, source.libelle);
    table_.CreerPoint(p, source.code, nom);
  }

  // The codification table knows every code a new point carries.
  void assurerCode(int code, const wchar_t* libelle) {
    if (!codesVus_.insert(code).second || codifs_.indexDuCode(code) >= 0) return;
    codifPoint entree;
    entree.code = code;
    entree.libelle = libelle;
    codifs_.ajouter(entree);
  }

  template <class Sommet, class Polyligne>
  void sommets(const Polyligne& polyligne, const Source& source) {
    for (const ZcDbObjectId& v : polyligne.vertexIds()) {
      ZcDbObjectPointer<Sommet> sommet(v, ZcDb::kForRead);
      if (sommet.openStatus() == Zcad::eOk) creer(sommet->position(), source);
    }
  }

  // Old-style 2D polylines keep their altitude in the polyline's elevation:
  // their vertex records hold z 0. Spline control vertices are not on the
  // curve and give no point.
  void polyligne2dAncienne(const ZcDb2dPolyline& polyligne) {
    const double z = polyligne.elevation();
    for (const ZcDbObjectId& v : polyligne.vertexIds()) {
      ZcDbObjectPointer<ZcDb2dVertex> sommet(v, ZcDb::kForRead);
      if (sommet.openStatus() != Zcad::eOk || sommet->vertexType() == ZcDb::k2dSplineCtlVertex) continue;
      const ZcGePoint3d p = sommet->position();
      creer(ZcGePoint3d(p.x, p.y, z), kPolyligne2dAncienne);
    }
  }

  void bloc(const ZcDbBlockReference& bloc, int types) {
    std::wstring numero, altitude, code;
    const ZcGePoint3d position = bloc.position();
    // A point block of the survey module: it becomes the block of its point.
    if ((types & kImportBlocsPoints) && lireAttribut(bloc, L"NUMPT", numero) && lireAttribut(bloc, L"Z", altitude)) {
      long c = lireAttribut(bloc, L"CODE", code) ? lireCode(code) : 0;
      if (!codeValide(c)) c = kCodeImportBlocPoint;
      double z = kIndefini;
      lireAltitude(altitude, z);
      pointDuDessin p;
      p.setNomPoint(numero.c_str());
      p.setXY(position.x, position.y, z);
      p.setCode(int32_t(c));
      p.setId(bloc.objectId());
      assurerCode(int(c), c == kCodeImportBlocPoint ? kBlocPoint.libelle : kLibelleCodeImporte);
      table_.Ajouter(p);
      return;
    }
    // A block whose attributes carry a number and an altitude: a point of
    // its own, the block stays as it is.
    if ((types & kImportBlocsAttributs) && lireAttribut(bloc, tagNumero_, numero) &&
        lireAttribut(bloc, tagAltitude_, altitude)) {
      long c = !tagCode_.empty() && lireAttribut(bloc, tagCode_, code) ? lireCode(code) : 0;
      // Codes outside those a point may carry are taken as no code.
      if (!codeValide(c)) c = kCodeImportBlocAttributs;
      double z = kIndefini;
      lireAltitude(altitude, z);
      creer(ZcGePoint3d(position.x, position.y, z),
            Source{int(c), c == kCodeImportBlocAttributs ? kBlocAttributs.libelle : kLibelleCodeImporte},
            numero.c_str());
      return;
    }
    if ((types & kImportBlocs3d) && position.z != 0.0) creer(position, kBloc3d);
  }

  void texte(const ZcDbEntity& entite) {
    double z = 0;
    if (auto* t = ZcDbText::cast(&entite); t && !ZcDbAttribute::cast(&entite) &&
                                           !ZcDbAttributeDefinition::cast(&entite)) {
      if (!lireAltitude(t->textString(), z) || z == 0.0) return;
      const ZcGePoint3d p = t->position();
      creer(ZcGePoint3d(p.x + decalage_.x, p.y + decalage_.y, z), kTexte);
    } else if (auto* m = ZcDbMText::cast(&entite)) {
      // The fragments of the text joined, without the line breaks.
      std::wstring brut;
      for (wchar_t c : m->text())
        if (c != L'\n' && c != L'\r') brut += c;
      ZcDbExtents etendue;
      if (!lireAltitude(brut, z) || z == 0.0 || m->getGeomExtents(etendue) != Zcad::eOk) return;
      creer(ZcGePoint3d(etendue.minPoint().x, etendue.minPoint().y, z), kTexte);
    }
  }

  listePointsDuDessin& table_;
  tableCodification& codifs_;
  const std::wstring& tagNumero_;
  const std::wstring& tagAltitude_;
  const std::wstring& tagCode_;
  ZcGeVector2d decalage_;
  std::set<int> codesVus_;
};

// The selection filter: any entity whose subclass marker is one of the
// classes of the kinds asked.
ResbufChain filtreImport(int types) {
  static const struct {
    int bits;
    const wchar_t* classe;
  } classes[] = {
      {kImportPolylignes2dAnciennes, L"AcDb2dPolyline"},
      {kImportMaillages3d, L"AcDbPolygonMesh"},
      {kImportPolylignes3d, L"AcDb3dPolyline"},
      {kImportBlocs3d | kImportBlocsPoints | kImportBlocsAttributs, L"AcDbBlockReference"},
      {kImportFacettes3d, L"AcDbFace"},
      {kImportLignes, L"AcDbLine"},
      {kImportPolylignes2d, L"AcDbPolyline"},
      {kImportPoints, L"AcDbPoint"},
      {kImportMaillagesFacettes, L"AcDbPolyFaceMesh"},
      {kImportTextes, L"AcDbText"},
      {kImportTextes, L"AcDbMText"},
  };
  ResbufChain filtre;
  for (const auto& c : classes)
    if (types & c.bits) filtre.push_back(resbuf::string(100, c.classe));
  if (filtre.empty()) return filtre;
  filtre.insert(filtre.begin(), resbuf::string(-4, L"<OR"));
  filtre.push_back(resbuf::string(-4, L"OR>"));
  return filtre;
}

}  // namespace

void listePointsDuDessin::importFromDrawing(int types, const std::wstring& tagNumero, const std::wstring& tagAltitude,
                                            const std::wstring& tagCode, const ZcGeVector2d& decalage) {
  const ResbufChain filtre = filtreImport(types & kImportTous);
  if (filtre.empty()) return;
  zcutPrintf(L"\nSelectionnez :");
  ZcSelectionSet selection;
  if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, selection) != RTNORM || selection.ids.empty()) return;
  Importation import(*this, codification(), tagNumero, tagAltitude, tagCode, decalage);
  for (const ZcDbObjectId& id : selection.ids) import.entite(id, types);
  delDups();
  renumeroter(false);
}
