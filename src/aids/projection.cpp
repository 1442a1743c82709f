#include "aids/projection.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <memory>

#include "aids/index_chemin.hpp"
#include "frame/undo_group.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ed/selection.hpp"
#include "host/geom/extents.hpp"
#include "host/geom/matrix.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"

namespace {

// The code chooser's answer for every code.
constexpr int kTousLesCodes = -9999;

// Whether an open block reference is a survey point block.
bool estBlocPointTopo(const ZcDbBlockReference& ref) { return !ref.xData(kAppPointsBlocs).empty(); }

// The entity the user picks, or the null id.
ZcDbObjectId piquer(const wchar_t* question) {
  ads_name entite;
  ZcGePoint3d pick;
  if (zcedEntSel(question, entite, pick) != RTNORM) return {};
  ZcDbObjectId id;
  if (zcdbGetObjectId(id, entite) != Zcad::eOk) return {};
  return id;
}

// "%.4f" in a prompt.
std::wstring questionDistance(double defaut) {
  wchar_t texte[128];
  std::swprintf(texte, std::size(texte), L"\nDistance :[%.4f]", defaut);
  return texte;
}

}  // namespace

// ------------------------------------------------------------ computations

std::vector<ZcGePoint2d> sommetsProjetes(const Path& chemin, const std::vector<ZcGePoint2d>& positions,
                                         double distance) {
  struct Place {
    double cle;
    ZcGePoint2d position;
  };
  std::vector<Place> places;
  const indexChemin index(chemin, distance);
  for (const ZcGePoint2d& p : positions) {
    const procheChemin proche = index.plusProche(p);
    if (!proche.trouve || !(proche.distance < distance)) continue;
    places.push_back({proche.distanceLe, p});
    if (places.size() > kPositionsProjectionMax) return {};
  }
  if (places.size() < 2) return {};
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return a.cle < b.cle; });
  std::vector<ZcGePoint2d> sommets;
  double derniere = 0;
  for (const Place& p : places) {
    if (!sommets.empty() && std::fabs(p.cle - derniere) < 1e-6) continue;
    sommets.push_back(p.position);
    derniere = p.cle;
  }
  if (sommets.size() < 2) return {};
  return sommets;
}

void poserSommets(ZcDbPolyline& polyligne, const std::vector<ZcGePoint2d>& sommets) {
  std::vector<ZcDbPolyline::Vertex> v = polyligne.vertices();
  v.resize(sommets.size());
  for (std::size_t i = 0; i < sommets.size(); ++i) {
    v[i].point = sommets[i];
    v[i].bulge = 0;
  }
  polyligne.setVertices(v);
}

bool decalageDePassage(const Path& chemin, const ZcGePoint2d& p, double& decalage) {
  const PathClosestPoint proche = chemin.closestPoint(p);
  if (!proche.valid) return false;
  decalage = proche.distance;
  // The side of the segment that holds the closest point: its direction of
  // travel there (along an arc, its tangent, which turns with the bulge).
  const ZcGeVector2d direction = chemin.planDirectionAtParam(proche.param);
  const ZcGeVector2d versPoint = p - proche.point.convert2d();
  if (direction.crossProduct(versPoint) < 0) decalage = -decalage;
  return true;
}

void informerTables(const std::map<ZcDbObjectId, ZcGePoint3d>& positions, int masque) {
  if (!tablesPoints || positions.empty()) return;
  for (int t = 0; t < tablesPoints->nbTables(); ++t) {
    listePointsDuDessin* table = tablesPoints->getTable(t);
    pointDuDessin* points = table->getData();
    for (int i = 0; i < table->nbPoint(); ++i) {
      const auto it = positions.find(points[i].getId());
      if (it == positions.end()) continue;
      if (masque & 1) points[i].setX(it->second.x);
      if (masque & 2) points[i].setY(it->second.y);
      if (masque & 4) points[i].setZ(it->second.z);
    }
  }
}

std::size_t deporterBlocs(const Path& chemin, const std::vector<ZcDbObjectId>& blocs, double capture) {
  const indexChemin index(chemin, capture);
  std::map<ZcDbObjectId, ZcGePoint3d> deplaces;
  for (const ZcDbObjectId& id : blocs) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
    if (ref.openStatus() != Zcad::eOk || !estBlocPointTopo(*ref)) continue;
    const ZcGePoint3d position = ref->position();
    const procheChemin proche = index.plusProche(position.convert2d());
    if (!proche.trouve || proche.distance > capture) continue;
    if (ref->upgradeOpen() != Zcad::eOk) continue;
    // In plan: the block keeps its own elevation, as the points' blocks do.
    const ZcGeVector3d v(proche.point.x - position.x, proche.point.y - position.y, 0);
    if (ref->transformBy(ZcGeMatrix3d::translation(v)) != Zcad::eOk) continue;
    deplaces[id] = ref->position();
  }
  informerTables(deplaces, 3);
  return deplaces.size();
}

double& distanceCaptureDeport() {
  static double distance = 0.5;
  return distance;
}

// ----------------------------------------------------------------- commands

void c_projpoly(demandeCode demanderCode) {
  const ZcDbObjectId id = piquer(L"\nSelectionnez la polyline à projeter ");
  if (id.isNull()) return;
  Path chemin;
  {
    ZcDbObjectPointer<ZcDbPolyline> polyligne(id, ZcDb::kForRead);
    if (polyligne.openStatus() != Zcad::eOk) {
      zcutPrintf(L"\nSelectionnez une polyline ");
      return;
    }
    polyligne->toPath(chemin);
  }
  double distance = 2.0;
  const int rc = zcedGetDist(nullptr, L"\nDistance de recherche <2.0>:", distance);
  if (rc == RTNONE) distance = 2.0;
  else if (rc != RTNORM) return;

  // The search box: both parallels at the distance.
  ZcDbExtents boite = chemin.offset(distance).extents();
  boite.addExt(chemin.offset(-distance).extents());
  if (!boite.isValid()) {
    boite = chemin.extents();
    boite.inflate(std::fabs(distance));
  }
  int code = kTousLesCodes;
  if (!demanderCode || demanderCode(code) != RTNORM) return;

  // Selected as the user would see it: the view on the box, then back.
  resbuf centre, hauteur;
  const bool vue = zcedGetVar(L"VIEWCTR", centre) == RTNORM && zcedGetVar(L"VIEWSIZE", hauteur) == RTNORM;
  const ZcGePoint3d a = boite.minPoint(), b = boite.maxPoint();
  zcedZoomWindow(a, b);
  ZcSelectionSet selection;
  const int rs = zcedSSGet(L"C", &a, &b, nullptr, selection);
  if (vue) {
    const ZcGePoint3d c = centre.resval.rpoint;
    const double h = hauteur.resval.rreal / 2;
    zcedZoomWindow(ZcGePoint3d(c.x, c.y - h, 0), ZcGePoint3d(c.x, c.y + h, 0));
  }
  if (rs != RTNORM || selection.ids.size() < 3) return;

  std::vector<ZcGePoint2d> positions;
  for (const ZcDbObjectId& e : selection.ids) {
    if (e == id) continue;
    ZcDbObjectPointer<ZcDbPoint> point(e, ZcDb::kForRead);
    if (point.openStatus() == Zcad::eOk) {
      positions.push_back(point->position().convert2d());
      continue;
    }
    ZcDbObjectPointer<ZcDbBlockReference> ref(e, ZcDb::kForRead);
    if (ref.openStatus() != Zcad::eOk || !estBlocPointTopo(*ref)) continue;
    if (code != kTousLesCodes) {
      std::wstring texte;
      if (!lireAttribut(*ref, gAttribsPoints.tagCode, texte)) continue;
      if (int(std::wcstol(texte.c_str(), nullptr, 10)) != code) continue;
    }
    positions.push_back(ref->position().convert2d());
  }
  if (positions.size() < 2) return;
  const std::vector<ZcGePoint2d> sommets = sommetsProjetes(chemin, positions, distance);
  if (sommets.size() < 2) return;
  CAcadUndoGroup groupe;
  ZcDbObjectPointer<ZcDbPolyline> polyligne(id, ZcDb::kForWrite);
  if (polyligne.openStatus() == Zcad::eOk) poserSommets(*polyligne, sommets);
}

void C_pointsParDecalage() {
  const ZcDbObjectId id = piquer(L"\nSelectionnez la polyline");
  if (id.isNull()) return;
  Path chemin;
  std::vector<ZcDbPolyline::Vertex> sommets;
  {
    ZcDbObjectPointer<ZcDbPolyline> polyligne(id, ZcDb::kForRead);
    if (polyligne.openStatus() != Zcad::eOk) {
      zcutPrintf(L"\nCe n'est pas une polyline, recommencez ");
      return;
    }
    polyligne->toPath(chemin);
    sommets = polyligne->vertices();
  }
  double decalage = 0;
  for (;;) {
    ZcGePoint3d passage;
    if (zcedGetPoint(nullptr, L"\nPoint de passage:", passage) != RTNORM) return;
    if (decalageDePassage(chemin, passage.convert2d(), decalage)) break;
  }
  double distance = std::fabs(decalage);
  const int rc = zcedGetDist(nullptr, questionDistance(std::fabs(decalage)).c_str(), distance);
  if (rc == RTNONE) distance = std::fabs(decalage);
  else if (rc != RTNORM) return;
  distance = std::max(std::fabs(distance), 0.0001);
  const Path parallele = chemin.offset(decalage < 0 ? -distance : distance);
  if (parallele.vertices().size() != sommets.size()) {
    zcutPrintf(L"\nEchec, cette polyline dégénère ");
    return;
  }
  double dz = 0;
  const int rz = zcedGetReal(L"\nDecalage :", dz);
  if (rz == RTNONE) dz = 0;
  else if (rz != RTNORM) return;

  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  CAcadUndoGroup groupe;
  listePointsDuDessin* table = tablesPoints ? tablesPoints->currTable() : nullptr;
  if (table && table->nbPoint() > 0) {
    zcutPrintf(L"\nRaffaichir la table des points");
    int numero = table->getMaxNum();
    const ZcGePoint2d* precedent = nullptr;
    for (std::size_t i = 0; i < sommets.size(); ++i) {
      const ZcGePoint2d& s = sommets[i].point;
      if (precedent && precedent->distanceTo(s) < 1e-6) continue;
      precedent = &s;
      pointDuDessin existant;
      if (!table->getAt(s.x, s.y, existant)) continue;
      const ZcGePoint3d cible = parallele.vertices()[i].point;
      pointDuDessin nouveau;
      const std::wstring nom = std::to_wstring(++numero);
      nouveau.setParams(nom.c_str(), ZcGePoint3d(cible.x, cible.y, kIndefini), existant.getCode());
      // No altitude stays no altitude.
      nouveau.setZ(existant.aUneAltitude() ? existant.getZ() + dz : kIndefini);
      placerPointDansTableCourante(nouveau, L"");
    }
  }

  ZcDbObjectPointer<ZcDbPolyline> source(id, ZcDb::kForRead);
  if (source.openStatus() != Zcad::eOk) return;
  auto nouvelle = std::make_unique<ZcDbPolyline>();
  std::vector<ZcDbPolyline::Vertex> v = sommets;
  for (std::size_t i = 0; i < v.size(); ++i) {
    v[i].point = parallele.vertices()[i].point.convert2d();
    v[i].bulge = parallele.vertices()[i].bulge;
  }
  nouvelle->setVertices(v);
  nouvelle->setClosed(source->isClosed());
  nouvelle->setElevation(source->elevation());
  nouvelle->setPropertiesFrom(*source);
  source.close();
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  if (espace.openStatus() == Zcad::eOk) espace->appendZcDbEntity(nouvelle.get());
}

void c_VRDEPORTPNTS() {
  const ZcDbObjectId id = piquer(L"\nSelectionnez le Chemin où projeter les points");
  if (id.isNull()) return;
  Path chemin;
  {
    ZcDbObjectPointer<ZcDbEntity> courbe(id, ZcDb::kForRead);
    if (courbe.openStatus() != Zcad::eOk || !courbe->toPath(chemin) || chemin.isEmpty()) {
      zcutPrintf(L"\nCe n'est pas une courbe, recommencez ");
      return;
    }
  }
  double& capture = distanceCaptureDeport();
  double distance = capture;
  const int rc = zcedGetDist(nullptr, questionDistance(capture).c_str(), distance);
  if (rc == RTNORM) capture = std::max(std::fabs(distance), 0.0001);
  else if (rc != RTNONE) return;

  const ResbufChain filtre{resbuf::string(0, L"INSERT")};
  ZcSelectionSet selection;
  if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, selection) != RTNORM) return;
  CAcadUndoGroup groupe;
  deporterBlocs(chemin, selection.ids, capture);
  zcedSSFree(selection);
}
