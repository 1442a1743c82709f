#include "field/implantation_saisie.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ed/selection.hpp"
#include "host/geom/path.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "field/implantation_outils.hpp"

using implantation::defini;
using implantation::formater;

namespace {

void copier(const pointDuDessin& p, unPoint& point) {
  point.nom = p.getNomPointW();
  point.x = p.getX();
  point.y = p.getY();
  point.z = p.getZ();
}

std::wstring reponse() {
  std::wstring texte;
  zcedGetInput(texte);
  return texte;
}

}  // namespace

bool pointDuProjet(const std::wstring& nom, unPoint& point) {
  if (!tablesPoints || nom.empty()) return false;
  std::vector<const listePointsDuDessin*> tables{tablesPoints->currTable()};
  for (int i = 0; i < tablesPoints->nbTables(); ++i)
    if (tablesPoints->getTable(i) != tables.front()) tables.push_back(tablesPoints->getTable(i));
  for (const listePointsDuDessin* t : tables) {
    int pos = -1;
    if (t->existPoint(nom.c_str(), pos)) {
      copier(*t->getData(pos), point);
      return true;
    }
  }
  return false;
}

bool pointDuBloc(const ZcDbObjectId& id, unPoint& point) {
  // A point of the project whose block this is gives its own values.
  if (tablesPoints) {
    for (int i = 0; i < tablesPoints->nbTables(); ++i) {
      const listePointsDuDessin* t = tablesPoints->getTable(i);
      for (const pointDuDessin& p : t->points()) {
        if (p.getId() == id && estBlocDuPoint(id, p.getNomPoint())) {
          copier(p, point);
          return true;
        }
      }
    }
  }
  // Otherwise a block carrying the point attributes.
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  if (ref.openStatus() != Zcad::eOk) return false;
  std::wstring nom, altitude;
  if (!lireAttribut(*ref, gAttribsPoints.tagNumero, nom)) return false;
  const ZcGePoint3d position = ref->position();
  point.nom = nom;
  point.x = position.x;
  point.y = position.y;
  point.z = kIndefini;
  if (lireAttribut(*ref, gAttribsPoints.tagAltitude, altitude) && estNombre(host::toAnsi(altitude)))
    point.z = std::stod(host::toAnsi(altitude));
  return true;
}

namespace {

// The project's point nearest to a position, over every table.
bool pointLePlusProcheDuProjet(double x, double y, unPoint& point) {
  if (!tablesPoints) return false;
  bool trouve = false;
  double meilleure = 0;
  for (int i = 0; i < tablesPoints->nbTables(); ++i) {
    pointDuDessin p;
    if (!tablesPoints->getTable(i)->findNearestTo(x, y, p)) continue;
    const double d = std::hypot(p.getX() - x, p.getY() - y);
    if (!trouve || d < meilleure) {
      meilleure = d;
      copier(p, point);
      trouve = true;
    }
  }
  return trouve;
}

}  // namespace

std::vector<observationImplantation> pointsDeLEntite(chantierImplantation& c, const ZcDbObjectId& id,
                                                     std::wstring& message) {
  std::vector<observationImplantation> nouveaux;
  message.clear();
  {
    unPoint bloc;
    if (pointDuBloc(id, bloc)) {
      observationImplantation p;
      p.nom = bloc.nom;
      p.x = bloc.x;
      p.y = bloc.y;
      p.z = bloc.z;
      nouveaux.push_back(std::move(p));
      return nouveaux;
    }
  }
  std::vector<pointGenere> generes;
  {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (e.openStatus() != Zcad::eOk) {
      message = L"\nObjet illisible.";
      return nouveaux;
    }
    if (const ZcDbPoint* point = ZcDbPoint::cast(e.object())) {
      const ZcGePoint3d position = point->position();
      generes.push_back({position.x, position.y, position.z});
    } else {
      Path chemin;
      if (!e->toPath(chemin) || chemin.isEmpty()) {
        message = L"\nCet objet ne donne pas de points à implanter.";
        return nouveaux;
      }
      bool tropDePoints = false;
      generes = pointsLeLongDe(chemin, c.interpolation, &tropDePoints);
      if (tropDePoints) {
        message = L"\nTrop de points sur cet objet : augmentez le pas.";
        return nouveaux;
      }
    }
  }
  if (generes.empty()) return nouveaux;
  // Each entity after the first starts a new series of names.
  if (c.interpolation.incrementPrefixe && c.entiteDejaChoisie) c.numerotation.lettresPrefixeSuivantes();
  c.entiteDejaChoisie = true;
  for (const pointGenere& g : generes) {
    observationImplantation p;
    p.nom = c.numerotation.nomSuivant();
    p.x = g.x;
    p.y = g.y;
    p.z = g.z;
    nouveaux.push_back(std::move(p));
  }
  return nouveaux;
}

int ajouterPointsImplantation(chantierImplantation& c) {
  int ajoutes = 0;
  const int masque = masqueDessin(c.options) & kMasqueNumeros;
  auto ajouter = [&](observationImplantation p) {
    c.points.push_back(std::move(p));
    c.dessinerPoint(c.points.back(), masque);
    ++ajoutes;
  };
  bool fini = false;
  while (!fini) {
    zcedInitGet(0, L"Select");
    ZcGePoint3d pick;
    const int r = zcedGetPoint(nullptr, L"\nPoint a implanter [Select]", pick);
    if (r == RTNORM) {
      observationImplantation p;
      p.nom = c.numerotation.nomSuivant();
      p.x = pick.x;
      p.y = pick.y;
      p.z = c.zTerrain(pick.x, pick.y);
      ajouter(std::move(p));
      continue;
    }
    if (r != RTKWORD) break;
    // "Select": entities until "Point" (back to the points) or Enter (done).
    for (;;) {
      zcedInitGet(0, L"Point");
      ads_name entite;
      const int s = zcedEntSel(L"\nSelectionnez l'element [Point]", entite, pick);
      if (s == RTKWORD) break;
      if (s == RTERROR) continue;
      if (s != RTNORM) {
        fini = true;
        break;
      }
      std::wstring message;
      std::vector<observationImplantation> nouveaux = pointsDeLEntite(c, entite.id, message);
      if (!message.empty()) zcutPrintf(L"%ls", message.c_str());
      for (auto& p : nouveaux) ajouter(std::move(p));
    }
  }
  c.effacerTout();
  return ajoutes;
}

// ------------------------------------------------------------ set-ups

namespace {

// The points of the stake-out whose graphics the user selects.
std::vector<std::uint32_t> restreindre(chantierImplantation& c) {
  std::vector<std::uint32_t> ensemble;
  zcutPrintf(L"\nSelectionnez les points a implanter");
  const ResbufChain filtre = {resbuf::shortInt(-3, 0), resbuf::string(1001, kAppImplantation)};
  ZcSelectionSet ss;
  if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, ss) != RTNORM) return ensemble;
  for (const ZcDbObjectId& id : ss.ids) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (e.openStatus() != Zcad::eOk) continue;
    const ResbufChain x = e->xData(kAppImplantation);
    if (x.size() != 3 || x[1].restype != 1071 || x[1].resval.rlong != kMarqueGraphiqueImplantation ||
        x[2].restype != 1071)
      continue;
    const std::uint32_t ident = std::uint32_t(x[2].resval.rlong);
    if (c.point(ident) && std::find(ensemble.begin(), ensemble.end(), ident) == ensemble.end())
      ensemble.push_back(ident);
  }
  return ensemble;
}

// A point block picked, or a point name typed, at a prompt.
enum class choix { trouve, absent, fin };
choix designerPoint(const wchar_t* invite, unPoint& point) {
  zcedInitGet(RSG_OTHER);
  ads_name entite;
  ZcGePoint3d pick;
  const int r = zcedEntSel(invite, entite, pick);
  if (r == RTNORM) {
    if (pointDuBloc(entite.id, point)) return choix::trouve;
    zcutPrintf(L"\nCe n'est pas un bloc point.");
    return choix::absent;
  }
  if (r == RTKWORD) {
    const std::wstring nom = reponse();
    if (pointDuProjet(nom, point)) return choix::trouve;
    zcutPrintf(L"\nPoint %ls introuvable.", nom.c_str());
    return choix::absent;
  }
  if (r == RTERROR) return choix::absent;
  return choix::fin;
}

// The reference prompt: a new station oriented on North or sighted on a
// reference; null when the set-up ends.
std::unique_ptr<observationMiseEnStation> demanderReference(const unPoint& s) {
  const ZcGePoint3d base(s.x, s.y, 0);
  for (;;) {
    zcedInitGet(0, L"Nord Designer");
    ZcGePoint3d pick;
    const int r = zcedGetPoint(&base, L"\nReference [Nord / Designer] <Nord>:", pick);
    std::unique_ptr<observationMiseEnStationVisee> visee;
    if (r == RTNONE || (r == RTKWORD && reponse() == L"Nord")) {
      auto orientee = std::make_unique<observationMiseEnStationOrientee>();
      orientee->v0 = 0.0;
      return orientee;
    }
    if (r == RTKWORD) {
      visee = std::make_unique<observationMiseEnStationVisee>();
      const choix ch = designerPoint(L"Selectionnez la station de référence ou alors saisir son Nom ", visee->reference);
      if (ch == choix::fin) return nullptr;
      if (ch == choix::absent) continue;
    } else if (r == RTNORM) {
      visee = std::make_unique<observationMiseEnStationVisee>();
      visee->reference.x = pick.x;
      visee->reference.y = pick.y;
      visee->reference.z = kIndefini;
    } else if (r == RTCAN || r == RTERROR) {
      return nullptr;
    } else {
      continue;
    }
    // A reference on the station gives no direction.
    const double d = distanceImplantation(s.x, s.y, visee->reference.x, visee->reference.y);
    if (!defini(d) || d < kDistanceConfondue) {
      zcutPrintf(L"\nLa référence est confondue avec la station : indiquez-en une autre.");
      continue;
    }
    return visee;
  }
}

}  // namespace

void miseEnStationImplantation(chantierImplantation& c, std::vector<std::uint32_t> ensemble) {
  for (;;) {
    unPoint s;
    zcedInitGet(RSG_OTHER, L"Designer Proche Restreindre Annuler");
    ZcGePoint3d pick;
    const int r = zcedGetPoint(nullptr, L"\nIndiquer la station ou [Restreindre/Designer/Proche/Annuler]", pick);
    if (r == RTNORM) {
      s.x = pick.x;
      s.y = pick.y;
      s.z = c.zTerrain(pick.x, pick.y);
    } else if (r == RTKWORD) {
      const std::wstring mot = reponse();
      if (mot == L"Proche") {
        ZcGePoint3d pres;
        if (zcedGetPoint(nullptr, L"\nCliquer à proximité de la station à utiliser", pres) != RTNORM) continue;
        if (!pointLePlusProcheDuProjet(pres.x, pres.y, s)) {
          zcutPrintf(L"\nAucun point dans le projet.");
          continue;
        }
      } else if (mot == L"Designer") {
        zcedInitGet(0);
        ads_name entite;
        ZcGePoint3d p;
        const int d = zcedEntSel(L"\nBlock Point:", entite, p);
        if (d != RTNORM) continue;
        if (!pointDuBloc(entite.id, s)) {
          zcutPrintf(L"\nCe n'est pas un bloc point.");
          continue;
        }
      } else if (mot == L"Restreindre") {
        ensemble = restreindre(c);
        continue;
      } else if (mot == L"Annuler") {
        for (std::uint32_t id : ensemble) {
          if (observationImplantation* p = c.point(id)) {
            c.effacerPoint(*p);
            p->station = -1;
            p->visibiliteCalculee = false;
            p->obstruction = kIndefini;
          }
        }
        c.supprimerStationsInutiles();
        continue;
      } else if (!pointDuProjet(mot, s)) {
        zcutPrintf(L"\nPoint %ls introuvable.", mot.c_str());
        continue;
      }
    } else {
      return;
    }
    std::unique_ptr<observationMiseEnStation> station = demanderReference(s);
    if (!station) return;
    station->nom = s.nom;
    station->x = s.x;
    station->y = s.y;
    station->z = s.z;
    const std::int64_t ident = station->identifiantStation;
    c.stations.push_back(std::move(station));
    const int masque = masqueDessin(c.options);
    for (std::uint32_t id : ensemble) {
      if (observationImplantation* p = c.point(id)) {
        c.effacerPoint(*p);
        p->station = ident;
        c.calculerVisibilite(*p);
      }
    }
    // A station left without points goes, with its graphics.
    c.supprimerStationsInutiles();
    for (std::uint32_t id : ensemble)
      if (observationImplantation* p = c.point(id)) c.dessinerPoint(*p, masque);
  }
}

// ------------------------------------------------------------ obstacles

namespace {

obstacleImplantation* obstacleDe(chantierImplantation& c, const ZcDbObjectId& id) {
  for (auto& o : c.obstacles)
    if (o->entite == id) return o.get();
  return nullptr;
}

void retirerObstacle(chantierImplantation& c, const ZcDbObjectId& id) {
  for (auto it = c.obstacles.begin(); it != c.obstacles.end(); ++it) {
    if ((*it)->entite != id) continue;
    (*it)->supprimerMarque();
    (*it)->montrer(0);
    c.obstacles.erase(it);
    return;
  }
}

void montrerTous(chantierImplantation& c, int couleur) {
  zcedRedraw(ZcDbObjectId(), 0);
  for (auto& o : c.obstacles) o->montrer(couleur);
}

bool estCourbe(const ZcDbObjectId& id) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  Path chemin;
  return e.openStatus() == Zcad::eOk && !ZcDbBlockReference::cast(e.object()) && e->toPath(chemin) &&
         !chemin.isEmpty();
}

void choisirLignes(chantierImplantation& c, double hauteur, int couleur) {
  for (;;) {
    zcedInitGet(0);
    ads_name entite;
    ZcGePoint3d pick;
    const int r = zcedEntSel(L"\nElement :", entite, pick);
    if (r == RTERROR) continue;
    if (r != RTNORM) return;
    if (obstacleImplantation* o = obstacleDe(c, entite.id)) {
      o->montrer(couleur);
      continue;
    }
    if (!estCourbe(entite.id)) {
      zcutPrintf(L"\nCet objet n'est pas une courbe.");
      continue;
    }
    auto o = std::make_unique<obstacleLineaireImplantation>();
    o->entite = entite.id;
    o->hauteur = hauteur;
    o->montrer(couleur);
    c.obstacles.push_back(std::move(o));
  }
}

// Makes (or replaces) the point obstacle of a block reference.
void obstaclePonctuel(chantierImplantation& c, const ZcDbObjectId& id, double hauteur, double cx, double cy,
                      double rayon, int couleur) {
  if (obstacleImplantation* ancien = obstacleDe(c, id)) {
    ancien->montrer(0);
    c.obstacles.erase(std::find_if(c.obstacles.begin(), c.obstacles.end(),
                                   [&](const auto& o) { return o.get() == ancien; }));
  }
  auto o = std::make_unique<obstaclePonctuelImplantation>();
  o->entite = id;
  o->hauteur = hauteur;
  o->cx = cx;
  o->cy = cy;
  o->rayon = rayon;
  o->montrer(couleur);
  c.obstacles.push_back(std::move(o));
}

void choisirBlocs(chantierImplantation& c, double hauteur, int couleur) {
  parametresImplantation& r = reglagesImplantation();
  for (;;) {
    zcedInitGet(0);
    ads_name entite;
    ZcGePoint3d pick;
    const int s = zcedEntSel(L"\nBlock :", entite, pick);
    if (s == RTERROR) continue;
    if (s != RTNORM) return;
    ZcGePoint3d insertion;
    ZcDbObjectId bloc;
    {
      ZcDbObjectPointer<ZcDbBlockReference> ref(entite.id, ZcDb::kForRead);
      if (ref.openStatus() != Zcad::eOk) {
        zcutPrintf(L"\nCet objet n'est pas un bloc.");
        continue;
      }
      insertion = ref->position();
      bloc = ref->blockTableRecord();
    }
    ZcGePoint3d centre(insertion.x, insertion.y, 0);
    double rayon = r.taillePonctuels;
    bool abandon = false;
    for (;;) {
      wchar_t invite[128];
      std::swprintf(invite, 128, L"\nPosition / Indiquez la taille [%.2f]: ", r.taillePonctuels);
      zcedInitGet(RSG_NONEG, L"Position");
      double valeur = 0;
      const int t = zcedGetDist(&centre, invite, valeur);
      if (t == RTNONE) break;
      if (t == RTNORM) {
        if (valeur <= 0) {
          zcutPrintf(L"\nLa taille doit être positive.");
          continue;
        }
        rayon = valeur;
        break;
      }
      if (t == RTKWORD) {
        ZcGePoint3d p;
        if (zcedGetPoint(&centre, L"\nCentre de l'obstacle :", p) == RTNORM) centre = ZcGePoint3d(p.x, p.y, 0);
        continue;
      }
      abandon = true;
      break;
    }
    if (abandon) return;
    r.taillePonctuels = rayon;
    obstaclePonctuel(c, entite.id, hauteur, centre.x, centre.y, rayon, couleur);
    zcedInitGet(0, L"Oui Non");
    std::wstring oui;
    const int k = zcedGetKword(L"\nAppliquer les parametres aux blocs indentiques (Oui / Non) [Non]", oui);
    if (k != RTNORM || oui != L"Oui") continue;
    // The same obstacle on every other reference of the block, at the same
    // offset from its insertion point.
    const double dx = centre.x - insertion.x, dy = centre.y - insertion.y;
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(c.db->modelSpaceId(), ZcDb::kForRead);
    if (espace.openStatus() != Zcad::eOk) continue;
    for (const ZcDbObjectId& autre : espace->entityIds()) {
      if (autre == entite.id) continue;
      ZcGePoint3d position;
      {
        ZcDbObjectPointer<ZcDbBlockReference> ref(autre, ZcDb::kForRead);
        if (ref.openStatus() != Zcad::eOk || ref->blockTableRecord() != bloc) continue;
        position = ref->position();
      }
      obstaclePonctuel(c, autre, hauteur, position.x + dx, position.y + dy, rayon, couleur);
    }
  }
}

// "Annuler" of the obstacle prompts: marks removed, by entity or all.
void enleverObstacles(chantierImplantation& c) {
  while (!c.obstacles.empty()) {
    zcedInitGet(0, L"Tous Selection");
    ads_name entite;
    ZcGePoint3d pick;
    const int r = zcedEntSel(L"\nTous/ Selection / element a ne plus considerer comme obstacle:", entite, pick);
    if (r == RTNORM) {
      retirerObstacle(c, entite.id);
    } else if (r == RTKWORD) {
      if (reponse() == L"Tous") {
        for (auto& o : c.obstacles) {
          o->supprimerMarque();
          o->montrer(0);
        }
        c.obstacles.clear();
      } else {
        const ResbufChain filtre = {resbuf::shortInt(-3, 0), resbuf::string(1001, kAppHauteursObjets)};
        ZcSelectionSet ss;
        if (zcedSSGet(nullptr, nullptr, nullptr, &filtre, ss) == RTNORM)
          for (const ZcDbObjectId& id : ss.ids) retirerObstacle(c, id);
      }
    } else if (r != RTERROR) {
      return;
    }
  }
}

}  // namespace

void gererObstaclesImplantation(chantierImplantation& c) {
  parametresImplantation& r = reglagesImplantation();
  bool lignes = true;
  int couleur = 1;
  for (;;) {
    double& proposee = lignes ? r.hauteurLignes : r.hauteurPonctuels;
    wchar_t invite[200];
    std::swprintf(invite, 200,
                  lignes ? L"\nPOnctuels / Annuler / Redessiner / Couleur / Quitter / Hauteur des obstacles [ %.3f ]"
                         : L"\nLignes / Annuler / Redessiner / Couleur / Quitter / Hauteur des obstacles [ %.3f ]",
                  proposee);
    zcedInitGet(0, lignes ? L"POnctuel Annuler Redessiner Couleur Quitter" : L"Lignes Annuler Redessiner Couleur Quitter");
    double hauteur = 0;
    const int s = zcedGetReal(invite, hauteur);
    if (s == RTKWORD) {
      const std::wstring mot = reponse();
      if (mot == L"POnctuel") lignes = false;
      else if (mot == L"Lignes") lignes = true;
      else if (mot == L"Couleur") {
        couleur = couleur >= 7 ? 1 : couleur + 1;
        montrerTous(c, 0);
        montrerTous(c, couleur);
      } else if (mot == L"Redessiner") montrerTous(c, couleur);
      else if (mot == L"Annuler") enleverObstacles(c);
      else if (mot == L"Quitter") break;
      continue;
    }
    if (s == RTNONE) {
      hauteur = proposee;
    } else if (s == RTNORM) {
      // A height of 0 (or below) makes no obstacle: asked again.
      if (!(hauteur > 0) || !std::isfinite(hauteur)) {
        zcutPrintf(L"\nLa hauteur doit être positive.");
        continue;
      }
      proposee = hauteur;
    } else {
      break;
    }
    if (lignes) choisirLignes(c, hauteur, couleur);
    else choisirBlocs(c, hauteur, couleur);
  }
  montrerTous(c, 0);
}
