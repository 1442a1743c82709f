// The graphics of a stake-out: stations, references, points, lines of
// sight and their texts, on the layer "IMPLANTATION".
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <sstream>

#include "field/implantation.hpp"
#include "host/db/database.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "points/storage.hpp"
#include "field/implantation_outils.hpp"

using implantation::defini;
using implantation::formater;

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

ZcDbObjectId calqueImplantation(ZcDbDatabase* db) { return geltaro::points::calqueNomme(db, kCalqueImplantation, 7); }

namespace {

// Appends entities to model space on the stake-out layer, recording their
// ids in a list and, for a point's graphics, marking them with the point.
class traceur {
 public:
  traceur(ZcDbDatabase* db, std::vector<ZcDbObjectId>& liste, std::int64_t point = -1)
      : db_(db), liste_(liste), point_(point), calque_(calqueImplantation(db)) {}

  void ajouter(std::unique_ptr<ZcDbEntity> e, int couleur) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() != Zcad::eOk) return;
    if (!calque_.isNull()) e->setLayer(calque_);
    e->setColorIndex(couleur);
    ZcDbObjectId id;
    if (espace->appendZcDbEntity(id, e.get()) != Zcad::eOk) return;
    if (point_ >= 0)
      e->setXData({resbuf::string(1001, kAppImplantation), resbuf::longInt(1071, kMarqueGraphiqueImplantation),
                   resbuf::longInt(1071, std::int32_t(point_))});
    e->close();
    liste_.push_back(id);
  }

  void ligne(double x1, double y1, double x2, double y2, int couleur) {
    ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(x1, y1, 0), ZcGePoint3d(x2, y2, 0)), couleur);
  }

  void croix(double x, double y, double c, int couleur) {
    ligne(x - c / 2, y - c / 2, x + c / 2, y + c / 2, couleur);
    ligne(x - c / 2, y + c / 2, x + c / 2, y - c / 2, couleur);
  }

  // A text; `centre` puts its bottom centre on the position.
  void texte(double x, double y, const std::wstring& s, double h, double rotation, int couleur,
             bool centre = false) {
    if (s.empty()) return;
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(x, y, 0), s, ZcDbObjectId(), h, rotation);
    if (centre) {
      t->setHorizontalMode(ZcDb::kTextCenter);
      t->setVerticalMode(ZcDb::kTextBottom);
      t->setAlignmentPoint(ZcGePoint3d(x, y, 0));
    }
    ajouter(std::move(t), couleur);
  }

  // Lines of text one under the other from (x, y) down.
  void lignesTexte(double x, double y, const std::wstring& texte, double h, int couleur) {
    std::wistringstream lignes(texte);
    std::wstring ligne;
    while (std::getline(lignes, ligne)) {
      texte_(x, y, ligne, h, couleur);
      y -= 1.5 * h;
    }
  }

  // An arrow from a to b: its shaft, and a head of the given width and
  // length ending on b (a tapering polyline).
  void fleche(double ax, double ay, double bx, double by, double largeur, double longueur, int couleur) {
    const double l = std::hypot(bx - ax, by - ay);
    if (l <= 0) return;
    const double ux = (bx - ax) / l, uy = (by - ay) / l;
    const double tete = std::min(longueur, l);
    ligne(ax, ay, bx - ux * tete, by - uy * tete, couleur);
    if (tete <= 0) return;
    auto pl = std::make_unique<ZcDbPolyline>();
    pl->addVertexAt(0, ZcGePoint2d(bx - ux * tete, by - uy * tete), 0, largeur, 0);
    pl->addVertexAt(1, ZcGePoint2d(bx, by), 0, 0, 0);
    ajouter(std::move(pl), couleur);
  }

 private:
  void texte_(double x, double y, const std::wstring& s, double h, int couleur) { texte(x, y, s, h, 0, couleur); }

  ZcDbDatabase* db_;
  std::vector<ZcDbObjectId>& liste_;
  std::int64_t point_;
  ZcDbObjectId calque_;
};

// The cross, name and description of a station.
void dessinerPointStation(const observationMiseEnStation& s, std::vector<ZcDbObjectId>& liste,
                          const contexteDessin& c, int couleur) {
  if (!defini(s.x) || !defini(s.y)) return;
  const parametresImplantation& r = *c.reglages;
  traceur t(c.db, liste);
  t.croix(s.x, s.y, r.croixStations, couleur);
  std::wstring description;
  s.descriptionTexte(description);
  t.lignesTexte(s.x + 1.1 * r.croixStations, s.y - r.croixStations / 2, description, r.tailleTextes, couleur);
}

}  // namespace

void observationMiseEnStationOrientee::dessinerStation(int, const contexteDessin& c) {
  if (!c.db || !c.reglages || !defini(x) || !defini(y)) return;
  const parametresImplantation& r = *c.reglages;
  const int couleur = r.couleurStationRef;
  dessinerPointStation(*this, dessin, c, couleur);
  // An arrow along the zero of the circle: the bearing −V0.
  const double g = -v0;
  const double longueur = 3 * r.croixStations + r.longueurFleche;
  traceur t(c.db, dessinStation);
  t.fleche(x, y, x + longueur * std::sin(g), y + longueur * std::cos(g), r.largeurFleche, r.longueurFleche, couleur);
}

void observationMiseEnStationVisee::dessinerStation(int, const contexteDessin& c) {
  if (!c.db || !c.reglages || !defini(x) || !defini(y)) return;
  const parametresImplantation& r = *c.reglages;
  const int couleur = r.couleurStationObs;
  dessinerPointStation(*this, dessin, c, couleur);
  if (!defini(reference.x) || !defini(reference.y)) return;
  traceur ref(c.db, reference.dessin);
  ref.croix(reference.x, reference.y, r.croixStations, couleur);
  ref.texte(reference.x + 1.1 * r.croixStations, reference.y - r.croixStations / 2, reference.nomOuCoordonnees(),
            r.tailleTextes, 0, couleur);
  traceur t(c.db, dessinStation);
  t.fleche(x, y, reference.x, reference.y, r.largeurFleche, r.longueurFleche, couleur);
}

void chantierImplantation::effacerPoint(observationImplantation& p) {
  for (auto* liste : {&p.dessinPoint, &p.dessinTextes}) {
    for (const ZcDbObjectId& id : *liste) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
      if (e.openStatus() == Zcad::eOk) e->erase();
    }
    liste->clear();
  }
}

void chantierImplantation::dessinerPoint(observationImplantation& p, int masque) {
  if (!db) return;
  effacerPoint(p);
  const parametresImplantation& r = reglagesImplantation();
  const contexteDessin contexte{db, &r};
  observationMiseEnStation* s = station(p.station);
  if (s && options.stations && s->dessin.empty() && s->dessinStation.empty()) s->dessinerStation(masque, contexte);
  if (!defini(p.x) || !defini(p.y)) return;
  const double c = r.croixPoints, h = r.tailleTextes;
  traceur graphique(db, p.dessinPoint, p.identifiant);
  if (masque & kMasqueNumeros) {
    graphique.croix(p.x, p.y, c, 256);
    graphique.texte(p.x + 1.1 * c, p.y - c / 2, p.nom, h, 0, 256);
  }
  double y = p.y - c / 2 - 1.2 * h;
  const bool libelles = (masque & kMasqueNumeros) != 0;
  const struct {
    int bit;
    const wchar_t* avec;
    double valeur;
  } coordonnees[] = {{kMasqueX, L"X=%.4f", p.x}, {kMasqueY, L"Y=%.4f", p.y}, {kMasqueZ, L"Z=%.4f", p.z}};
  for (const auto& k : coordonnees) {
    if (!(masque & k.bit) || !defini(k.valeur)) continue;
    graphique.texte(p.x + 1.1 * c, y, formater(libelles ? k.avec : L"%.4f", k.valeur), h, 0, 256);
    y -= 1.2 * h;
  }
  if (!s || !defini(s->x) || !defini(s->y)) return;
  traceur ligne(db, p.dessinTextes, p.identifiant);
  if (masque & kMasqueLignes) ligne.ligne(s->x, s->y, p.x, p.y, couleurPoint(p));
  if (masque & (kMasqueDistance | kMasqueAngle)) {
    const double d = distance(p), a = angle(p);
    std::wstring texte;
    if ((masque & kMasqueDistance) && defini(d)) texte = formater(L"d=%.4f", d);
    if ((masque & kMasqueAngle) && defini(a)) texte += formater(texte.empty() ? L"A=%.4f" : L" A=%.4f", enGrades(a));
    const double l = std::hypot(p.x - s->x, p.y - s->y);
    if (!texte.empty() && l >= kDistanceConfondue) {
      const double ux = (p.x - s->x) / l, uy = (p.y - s->y) / l;
      // The middle of the line, moved 0.2 h to its left.
      const double mx = (s->x + p.x) / 2 - uy * 0.2 * h, my = (s->y + p.y) / 2 + ux * 0.2 * h;
      ligne.texte(mx, my, texte, h, std::atan2(uy, ux), couleurPoint(p), true);
    }
  }
}

void chantierImplantation::dessinerTout() {
  effacerTout();
  const int masque = masqueDessin(options);
  for (auto& p : points) dessinerPoint(p, masque);
}

void chantierImplantation::effacerTout() {
  for (auto& p : points) effacerPoint(p);
  for (auto& s : stations) s->effacerDessin();
}

std::vector<std::vector<ZcDbObjectId>> chantierImplantation::collecterGroupes(bool oublier) {
  std::vector<std::vector<ZcDbObjectId>> groupes;
  auto ajouterPoint = [&](observationImplantation& p, std::vector<ZcDbObjectId>& g) {
    g.insert(g.end(), p.dessinPoint.begin(), p.dessinPoint.end());
    g.insert(g.end(), p.dessinTextes.begin(), p.dessinTextes.end());
    if (oublier) {
      p.dessinPoint.clear();
      p.dessinTextes.clear();
    }
  };
  std::vector<ZcDbObjectId> tout;
  for (auto& s : stations) {
    std::vector<ZcDbObjectId> g;
    for (auto& p : points)
      if (p.station == std::int64_t(s->identifiantStation)) ajouterPoint(p, g);
    s->collecterDessin(g, oublier);
    if (!g.empty()) groupes.push_back(std::move(g));
  }
  std::vector<ZcDbObjectId> sansStation;
  for (auto& p : points)
    if (!station(p.station)) ajouterPoint(p, sansStation);
  if (!sansStation.empty()) groupes.push_back(std::move(sansStation));
  if (options.groupement == optionsDessinImplantation::kToutGrouper) {
    for (auto& g : groupes) tout.insert(tout.end(), g.begin(), g.end());
    groupes.clear();
    if (!tout.empty()) groupes.push_back(std::move(tout));
  } else if (options.groupement == optionsDessinImplantation::kNePasGrouper) {
    groupes.clear();
  }
  return groupes;
}
