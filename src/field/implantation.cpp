#include "field/implantation.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/graphics.hpp"
#include "host/geom/path.hpp"
#include "host/terrain/terrain.hpp"
#include "report/html.hpp"
#include "field/implantation_outils.hpp"

using implantation::defini;
using implantation::formater;

namespace {

constexpr double kPi = std::numbers::pi;

// Reduces an angle into [0, 2π).
double reduire(double a) {
  a = std::fmod(a, 2 * kPi);
  if (a < 0) a += 2 * kPi;
  if (a >= 2 * kPi) a = 0;
  return a;
}

// The counter of the points to stake out: one for the process.
std::uint32_t gCompteurPointsImplantation = 0;

}  // namespace

double gisementImplantation(double x1, double y1, double x2, double y2) {
  if (!defini(x1) || !defini(y1) || !defini(x2) || !defini(y2)) return kIndefini;
  const double dx = x2 - x1, dy = y2 - y1;
  if (std::hypot(dx, dy) < kDistanceConfondue) return kIndefini;
  double g = kPi / 2 - std::atan2(dy, dx);
  if (g < 0) g += 2 * kPi;
  return reduire(g);
}

double distanceImplantation(double x1, double y1, double x2, double y2) {
  if (!defini(x1) || !defini(y1) || !defini(x2) || !defini(y2)) return kIndefini;
  return std::hypot(x2 - x1, y2 - y1);
}

double enGrades(double radians) { return defini(radians) ? radians * 200.0 / kPi : kIndefini; }

parametresImplantation& reglagesImplantation() {
  static parametresImplantation reglages;
  return reglages;
}

double borneHauteur(double h) {
  if (std::isnan(h)) return 0.0;
  if (h < 0) return 0.0;
  if (h > 1e30) return 1.2;
  return h;
}

int masqueDessin(const optionsDessinImplantation& o) {
  int m = 0;
  if (o.numeros) m |= kMasqueNumeros;
  if (o.points) m |= kMasqueLignes;
  if (o.textes) m |= kMasqueDistance | kMasqueAngle;
  if (o.coordonnees) m |= kMasqueX | kMasqueY | kMasqueZ;
  return m;
}

// ------------------------------------------------------------ points and stations

observationImplantation::observationImplantation() : identifiant(++gCompteurPointsImplantation) {}

unPoint::unPoint() : identifiant(prochainIdentifiant()) {}

std::wstring unPoint::nomOuCoordonnees() const {
  if (!nom.empty()) return nom;
  wchar_t tampon[160];
  std::swprintf(tampon, 160, L"X=%.4f,Y=%.4f", x, y);
  return tampon;
}

observationMiseEnStation::observationMiseEnStation() : identifiantStation(prochainIdentifiant()) {}

double observationMiseEnStation::gisementVers(const observationImplantation& p) const {
  return gisementImplantation(x, y, p.x, p.y);
}

void observationMiseEnStation::effacer(std::vector<ZcDbObjectId>& ids) {
  for (const ZcDbObjectId& id : ids) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
    if (e.openStatus() == Zcad::eOk) e->erase();
  }
  ids.clear();
}

void observationMiseEnStation::descriptionStationHtml(std::string& texte) const {
  texte += "<br><u> Station :</u> " + texteHtml(host::toAnsi(nom)) + " ";
  if (defini(x)) texte += formater("<b> x </b> = %.4f", x);
  if (defini(y)) texte += formater("<b> y </b>= %.4f", y);
  if (defini(z)) texte += formater("<b> z </b>= %.4f", z);
  texte += "<br><u> Reference </u>";
}

void observationMiseEnStation::descriptionStationTexte(std::wstring& texte) const {
  texte += L"%%uStation :%%u " + nom;
  if (defini(x)) texte += L"\n" + formater(L" x  = %.4f", x);
  if (defini(y)) texte += L"\n" + formater(L" y = %.4f", y);
  if (defini(z)) texte += L"\n" + formater(L" z = %.4f", z);
  texte += L"\n%%uReference:%%u ";
}

double observationMiseEnStationOrientee::angleImplantation(const observationImplantation& p) const {
  const double g = gisementVers(p);
  if (!defini(g) || !defini(v0)) return kIndefini;
  return reduire(g + v0);
}

void observationMiseEnStationOrientee::oublierDessin() {
  dessin.clear();
  dessinStation.clear();
}

void observationMiseEnStationOrientee::collecterDessin(std::vector<ZcDbObjectId>& collecteur, bool oublier) {
  collecteur.insert(collecteur.end(), dessin.begin(), dessin.end());
  collecteur.insert(collecteur.end(), dessinStation.begin(), dessinStation.end());
  if (oublier) oublierDessin();
}

void observationMiseEnStationOrientee::effacerDessin() {
  effacer(dessin);
  effacer(dessinStation);
}

namespace {

// "NORD (O gr)", "EST (10O gr)", ... for the four cardinal orientations
// (the letter O for the zero, as the reports always had it).
const char* nomCardinal(double v0Grades) {
  if (std::fabs(v0Grades) < 1e-6) return "NORD (O gr)";
  if (std::fabs(v0Grades - 100) < 1e-6) return "EST (10O gr)";
  if (std::fabs(v0Grades - 200) < 1e-6) return "SUD (20O gr)";
  if (std::fabs(v0Grades - 300) < 1e-6) return "OUEST (30O gr)";
  return nullptr;
}

}  // namespace

void observationMiseEnStationOrientee::descriptionHtml(std::string& texte) const {
  descriptionStationHtml(texte);
  const double g = enGrades(v0);
  if (const char* c = nomCardinal(g)) texte += c;
  else texte += formater("%.4f gr", g);
  texte += "\n";
}

void observationMiseEnStationOrientee::descriptionTexte(std::wstring& texte) const {
  descriptionStationTexte(texte);
  const double g = enGrades(v0);
  if (const char* c = nomCardinal(g)) texte += host::fromAnsi(c);
  else texte += formater(L"%.4f gr", g);
}

std::wstring observationMiseEnStationOrientee::texteReference() const {
  if (v0 == 0.0) return L"NORD";
  return formater(L"V0=%.4f gr", enGrades(v0));
}

double observationMiseEnStationVisee::angleImplantation(const observationImplantation& p) const {
  const double g = gisementVers(p);
  const double gr = gisementImplantation(x, y, reference.x, reference.y);
  if (!defini(g) || !defini(gr)) return kIndefini;
  double a = g - gr;
  if (a < 0) a += 2 * kPi;
  return reduire(a);
}

void observationMiseEnStationVisee::oublierDessin() {
  dessin.clear();
  dessinStation.clear();
  reference.dessin.clear();
}

void observationMiseEnStationVisee::collecterDessin(std::vector<ZcDbObjectId>& collecteur, bool oublier) {
  collecteur.insert(collecteur.end(), dessin.begin(), dessin.end());
  collecteur.insert(collecteur.end(), dessinStation.begin(), dessinStation.end());
  collecteur.insert(collecteur.end(), reference.dessin.begin(), reference.dessin.end());
  if (oublier) oublierDessin();
}

void observationMiseEnStationVisee::effacerDessin() {
  effacer(dessin);
  effacer(dessinStation);
  effacer(reference.dessin);
}

void observationMiseEnStationVisee::descriptionHtml(std::string& texte) const {
  descriptionStationHtml(texte);
  texte += "<b>" + texteHtml(host::toAnsi(reference.nomOuCoordonnees())) + "</b>\n";
}

void observationMiseEnStationVisee::descriptionTexte(std::wstring& texte) const {
  descriptionStationTexte(texte);
  texte += reference.nomOuCoordonnees();
}

std::wstring observationMiseEnStationVisee::texteReference() const { return reference.nomOuCoordonnees(); }

// ------------------------------------------------------------ obstacle marks

ResbufChain marqueObstacleLineaire(double hauteur, std::uint32_t identifiant) {
  return {resbuf::string(1001, kAppHauteursObjets), resbuf::longInt(1071, kMarqueObstacleLineaire),
          resbuf::real(1040, hauteur), resbuf::longInt(1071, std::int32_t(identifiant))};
}

ResbufChain marqueObstaclePonctuel(double hauteur, double rayon, std::uint32_t identifiant) {
  return {resbuf::string(1001, kAppHauteursObjets), resbuf::longInt(1071, kMarqueObstaclePonctuel),
          resbuf::real(1040, hauteur), resbuf::real(1041, rayon), resbuf::longInt(1071, std::int32_t(identifiant))};
}

namespace {

bool enTete(const ResbufChain& c, std::size_t taille, std::int32_t marqueur) {
  return c.size() == taille && c[0].restype == 1001 && c[0].resval.rstring == kAppHauteursObjets &&
         c[1].restype == 1071 && c[1].resval.rlong == marqueur && c[2].restype == 1040 &&
         std::isfinite(c[2].resval.rreal);
}

}  // namespace

bool lireMarqueObstacleLineaire(const ResbufChain& c, double& hauteur, std::uint32_t& identifiant) {
  if (!enTete(c, 4, kMarqueObstacleLineaire) || c[3].restype != 1071) return false;
  hauteur = c[2].resval.rreal;
  identifiant = std::uint32_t(c[3].resval.rlong);
  return true;
}

bool lireMarqueObstaclePonctuel(const ResbufChain& c, double& hauteur, double& rayon, std::uint32_t& identifiant) {
  if (!enTete(c, 5, kMarqueObstaclePonctuel) || c[3].restype != 1041 || c[4].restype != 1071) return false;
  if (!std::isfinite(c[3].resval.rreal)) return false;
  hauteur = c[2].resval.rreal;
  rayon = c[3].resval.rreal;
  identifiant = std::uint32_t(c[4].resval.rlong);
  return true;
}

// ------------------------------------------------------------ obstacles

obstacleImplantation::obstacleImplantation() : identifiant(prochainIdentifiant()) {}

bool obstacleImplantation::supprimerMarque() {
  ZcDbObjectPointer<ZcDbEntity> e(entite, ZcDb::kForWrite);
  if (e.openStatus() != Zcad::eOk) return false;
  return e->setXData({resbuf::string(1001, kAppHauteursObjets)}) == Zcad::eOk;
}

namespace {

bool ecrire(const ZcDbObjectId& id, const ResbufChain& marque) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForWrite);
  if (e.openStatus() != Zcad::eOk) return false;
  zcdbRegApp(e->database(), kAppHauteursObjets);
  return e->setXData(marque) == Zcad::eOk;
}

// The entity as a plan path, for a curve obstacle.
bool cheminCourbe(const ZcDbObjectId& id, Path& chemin) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  return e.openStatus() == Zcad::eOk && e->toPath(chemin) && !chemin.isEmpty();
}

void ajouterCroisements(const Path& chemin, const ZcGePoint3d& a, const ZcGePoint3d& b,
                        std::vector<ZcGePoint3d>& points) {
  for (const PathIntersection& i :
       chemin.intersectionsWithLine(ZcGePoint2d(a.x, a.y), ZcGePoint2d(b.x, b.y), LineExtent::Segment))
    points.emplace_back(i.point.x, i.point.y, 0.0);
}

}  // namespace

bool obstacleLineaireImplantation::ecrireMarque() {
  return ecrire(entite, marqueObstacleLineaire(hauteur, identifiant));
}

bool obstacleLineaireImplantation::lireMarque(const ZcDbObjectId& id) {
  Path chemin;
  if (!cheminCourbe(id, chemin)) return false;
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  double h = 0;
  std::uint32_t ident = 0;
  if (e.openStatus() != Zcad::eOk || !lireMarqueObstacleLineaire(e->xData(kAppHauteursObjets), h, ident))
    return false;
  entite = id;
  hauteur = h;
  identifiant = ident;
  return true;
}

void obstacleLineaireImplantation::montrer(int couleur) { zcedRedraw(entite, couleur == 0 ? 4 : 3); }

bool obstacleLineaireImplantation::intersecter(const ZcGePoint3d& a, const ZcGePoint3d& b,
                                               std::vector<ZcGePoint3d>& points) const {
  if (!chemin_) {
    chemin_.emplace();
    if (!cheminCourbe(entite, *chemin_)) *chemin_ = Path();
  }
  if (chemin_->isEmpty()) return false;
  const std::size_t avant = points.size();
  ajouterCroisements(*chemin_, a, b, points);
  return points.size() > avant;
}

bool obstaclePonctuelImplantation::ecrireMarque() {
  return ecrire(entite, marqueObstaclePonctuel(hauteur, rayon, identifiant));
}

bool obstaclePonctuelImplantation::lireMarque(const ZcDbObjectId& id) {
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  if (ref.openStatus() != Zcad::eOk) return false;
  double h = 0, r = 0;
  std::uint32_t ident = 0;
  if (!lireMarqueObstaclePonctuel(ref->xData(kAppHauteursObjets), h, r, ident)) return false;
  entite = id;
  hauteur = h;
  rayon = r;
  identifiant = ident;
  const ZcGePoint3d position = ref->position();
  cx = position.x;
  cy = position.y;
  return true;
}

void obstaclePonctuelImplantation::montrer(int couleur) {
  zcedRedraw(entite, couleur == 0 ? 4 : 3);
  if (couleur == 0 || !defini(cx) || !defini(cy) || !defini(rayon) || rayon <= 0) return;
  // The cylinder's outline as temporary vectors, 64 chords.
  constexpr int kCordes = 64;
  for (int i = 0; i < kCordes; ++i) {
    const double a0 = 2 * kPi * i / kCordes, a1 = 2 * kPi * (i + 1) / kCordes;
    zcedGrDraw(ZcGePoint3d(cx + rayon * std::cos(a0), cy + rayon * std::sin(a0), 0),
               ZcGePoint3d(cx + rayon * std::cos(a1), cy + rayon * std::sin(a1), 0), couleur, 0);
  }
}

bool obstaclePonctuelImplantation::intersecter(const ZcGePoint3d& a, const ZcGePoint3d& b,
                                               std::vector<ZcGePoint3d>& points) const {
  if (!defini(cx) || !defini(cy) || !defini(rayon) || rayon <= 0) return false;
  const std::size_t avant = points.size();
  ajouterCroisements(Path::circle(ZcGePoint3d(cx, cy, 0), rayon), a, b, points);
  return points.size() > avant;
}

std::vector<std::unique_ptr<obstacleImplantation>> lireObstacles(ZcDbDatabase* db) {
  std::vector<std::unique_ptr<obstacleImplantation>> obstacles;
  if (!db) return obstacles;
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForRead);
  if (espace.openStatus() != Zcad::eOk) return obstacles;
  std::vector<ZcDbObjectId> marques;
  for (const ZcDbObjectId& id : espace->entityIds()) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (e.openStatus() == Zcad::eOk && e->hasXData("VREL_HAUTEURSOBJETS")) marques.push_back(id);
  }
  for (const ZcDbObjectId& id : marques) {
    auto lineaire = std::make_unique<obstacleLineaireImplantation>();
    if (lineaire->lireMarque(id)) {
      obstacles.push_back(std::move(lineaire));
      continue;
    }
    auto ponctuel = std::make_unique<obstaclePonctuelImplantation>();
    if (ponctuel->lireMarque(id)) obstacles.push_back(std::move(ponctuel));
  }
  return obstacles;
}

// ------------------------------------------------------------ visibility

double obstructionVisee(double zA, double D, double zB, const std::vector<pointProfil>& candidats) {
  const double xA = 0, yA = zA, xB = D, yB = zB;
  const double l2 = (xB - xA) * (xB - xA) + (yB - yA) * (yB - yA);
  double pire = 0.0;
  for (const pointProfil& q : candidats) {
    // Strictly above the line from A to B.
    if (!((yA - q.z) * (xB - xA) - (yB - yA) * (xA - q.d) < 0)) continue;
    if (l2 <= 0) continue;  // no line: nothing can stand above it
    const double t = ((q.d - xA) * (xB - xA) + (q.z - yA) * (yB - yA)) / l2;
    const double pd = xA + t * (xB - xA), pz = yA + t * (yB - yA);
    pire = std::max(pire, std::hypot(q.d - pd, q.z - pz));
  }
  return pire;
}

// ------------------------------------------------------------ points along entities

namespace {

// The points of an arc part from angle a0 to a1 (counter-clockwise, a1 >= a0
// after adjustment), at heights interpolated from z0 to z1 along the sweep,
// in the order of travel.
// False when the arc would give more than kMaxPointsEntite points.
bool pointsArc(const ZcGePoint2d& c, double r, double depart, double balayage, bool horaire, double z0, double z1,
               const parametresInterpolation& p, std::vector<pointGenere>& sortie) {
  if (r < 1e-8 || balayage <= 0) return true;
  double delta;
  if (p.modeArcs == parametresInterpolation::kErreurMax && r > p.valeurArcs)
    delta = 2 * std::acos(1 - p.valeurArcs / r);
  else
    delta = p.valeurArcs / r;
  delta = std::min(delta, balayage / 2);
  if (!(delta > 0) || balayage / delta > double(kMaxPointsEntite)) return false;
  // Points counter-clockwise from the part's counter-clockwise start.
  std::vector<double> angles;
  for (double a = 0; a < balayage; a += delta) angles.push_back(a);
  angles.push_back(balayage);
  // Heights follow the travel: from z0 at the part's start to z1 at its end.
  std::vector<pointGenere> arc;
  for (double a : angles) {
    const double angle = depart + a;
    const double fraction = horaire ? 1 - a / balayage : a / balayage;
    const double z = defini(z0) && defini(z1) ? z0 + (z1 - z0) * fraction : kIndefini;
    arc.push_back({c.x + r * std::cos(angle), c.y + r * std::sin(angle), z});
  }
  if (horaire) std::reverse(arc.begin(), arc.end());
  // The first point is the part's start, already given.
  sortie.insert(sortie.end(), arc.begin() + 1, arc.end());
  return true;
}

}  // namespace

std::vector<pointGenere> pointsLeLongDe(const Path& chemin, const parametresInterpolation& p, bool* tropDePoints) {
  std::vector<pointGenere> sortie;
  if (tropDePoints) *tropDePoints = false;
  if (chemin.isEmpty()) return sortie;
  if (!(p.valeurArcs > 0) || !(p.valeurClothoides > 0) || (p.alignementsDroits && !(p.distanceAlignements > 0)))
    return sortie;
  const auto& sommets = chemin.vertices();
  const std::size_t n = chemin.numSegments();
  const ZcGePoint3d debut = chemin.startPoint();
  sortie.push_back({debut.x, debut.y, debut.z});
  if (n == 0) return sortie;
  for (std::size_t i = 0; i < n; ++i) {
    const ZcGePoint3d a = sommets[i].point;
    const bool dernier = chemin.isClosed() && i + 1 == n;
    const ZcGePoint3d b = sommets[dernier ? 0 : i + 1].point;
    ZcGeLineSeg2d ligne;
    ZcGeCircArc2d arc;
    if (chemin.getLineSegAt(i, ligne)) {
      const double longueur = std::hypot(b.x - a.x, b.y - a.y);
      if (p.alignementsDroits && longueur > 0) {
        const double ux = (b.x - a.x) / longueur, uy = (b.y - a.y) / longueur;
        if (longueur / p.distanceAlignements > double(kMaxPointsEntite)) {
          if (tropDePoints) *tropDePoints = true;
          return {};
        }
        for (double k = 1; k * p.distanceAlignements < longueur; k += 1) {
          const double s = k * p.distanceAlignements;
          const double z = defini(a.z) && defini(b.z) ? a.z + (b.z - a.z) * s / longueur : kIndefini;
          sortie.push_back({a.x + ux * s, a.y + uy * s, z});
        }
      }
      // The end of the part, unless it closes the path on its first point.
      if (!dernier) sortie.push_back({b.x, b.y, b.z});
    } else if (chemin.getArcSegAt(i, arc)) {
      const bool horaire = arc.isClockWise();
      const double balayage = arc.sweepAngle();
      // Counter-clockwise start: the start point, or the end point of a
      // clockwise part.
      const double depart = horaire ? arc.endAng() : arc.startAng();
      const std::size_t avant = sortie.size();
      if (!pointsArc(arc.center(), arc.radius(), depart, balayage, horaire, a.z, b.z, p, sortie)) {
        if (tropDePoints) *tropDePoints = true;
        return {};
      }
      if (sortie.size() > avant) {
        // The arc's last point is the part's end: exactly the vertex.
        sortie.back() = {b.x, b.y, b.z};
        if (dernier) sortie.pop_back();
      } else if (!dernier) {
        sortie.push_back({b.x, b.y, b.z});
      }
    }
    if (sortie.size() > kMaxPointsEntite) {
      if (tropDePoints) *tropDePoints = true;
      return {};
    }
  }
  return sortie;
}

// ------------------------------------------------------------ the job

chantierImplantation::chantierImplantation(ZcDbDatabase* base)
    : db(base), hStat(reglagesImplantation().hMin) {
  numerotation.initialiser(prefixe, numeroDepart, suffixe, 1);
  if (db) {
    zcdbRegApp(db, kAppImplantation);
    zcdbRegApp(db, kAppHauteursObjets);
    obstacles = lireObstacles(db);
    auto surface = std::make_unique<host::terrain::Surface>(host::terrain::Surface::fromDatabase(*db));
    if (!surface->empty()) terrain_ = std::move(surface);
  }
}

chantierImplantation::~chantierImplantation() {
  for (auto& o : obstacles) o->ecrireMarque();
}

double chantierImplantation::zTerrain(double x, double y) const {
  if (!terrain_ || !defini(x) || !defini(y)) return kIndefini;
  ZcGePoint3d p(x, y, 0);
  return terrain_->calcZPoint(p) ? p.z : kIndefini;
}

observationMiseEnStation* chantierImplantation::station(std::int64_t identifiant) {
  for (auto& s : stations)
    if (std::int64_t(s->identifiantStation) == identifiant) return s.get();
  return nullptr;
}

const observationMiseEnStation* chantierImplantation::station(std::int64_t identifiant) const {
  for (const auto& s : stations)
    if (std::int64_t(s->identifiantStation) == identifiant) return s.get();
  return nullptr;
}

observationImplantation* chantierImplantation::point(std::uint32_t identifiant) {
  for (auto& p : points)
    if (p.identifiant == identifiant) return &p;
  return nullptr;
}

double chantierImplantation::angle(const observationImplantation& p) const {
  const observationMiseEnStation* s = station(p.station);
  return s ? s->angleImplantation(p) : kIndefini;
}

double chantierImplantation::distance(const observationImplantation& p) const {
  const observationMiseEnStation* s = station(p.station);
  return s ? distanceImplantation(s->x, s->y, p.x, p.y) : kIndefini;
}

void chantierImplantation::calculerVisibilite(observationImplantation& p) {
  // Whatever happens below, the row no longer shows an earlier result.
  p.visibiliteCalculee = false;
  p.obstruction = kIndefini;
  observationMiseEnStation* s = station(p.station);
  if (!s || !terrain_) return;
  if (!defini(s->z)) s->z = zTerrain(s->x, s->y);
  if (!defini(s->z)) return;
  if (!verifierVisibilite) return;
  const double zP = defini(p.z) ? p.z : zTerrain(p.x, p.y);
  if (!defini(zP)) return;
  const double D = distanceImplantation(s->x, s->y, p.x, p.y);
  if (!defini(D) || D < kDistanceConfondue) return;
  const ZcGePoint3d depart(s->x, s->y, s->z), arrivee(p.x, p.y, zP);
  const auto profils = terrain_->tinExtractPath(depart, arrivee);
  if (profils.empty()) return;
  std::vector<pointProfil> candidats;
  for (const auto& profil : profils)
    for (const ZcGePoint3d& q : profil) candidats.push_back({std::hypot(q.x - s->x, q.y - s->y), q.z});
  std::vector<ZcGePoint3d> croisements;
  for (const auto& o : obstacles) {
    croisements.clear();
    if (!defini(o->hauteur) || !o->intersecter(depart, arrivee, croisements)) continue;
    for (const ZcGePoint3d& c : croisements) {
      const double zt = zTerrain(c.x, c.y);
      if (!defini(zt)) continue;  // outside the terrain
      candidats.push_back({std::hypot(c.x - s->x, c.y - s->y), zt + o->hauteur});
    }
  }
  p.obstruction = obstructionVisee(s->z + hStat, D, zP + hStat, candidats);
  p.visibiliteCalculee = true;
}

void chantierImplantation::supprimerStationsInutiles() {
  for (std::size_t i = stations.size(); i-- > 0;) {
    const std::int64_t id = stations[i]->identifiantStation;
    const bool utilisee = std::any_of(points.begin(), points.end(), [&](const auto& p) { return p.station == id; });
    if (utilisee) continue;
    stations[i]->effacerDessin();
    stations.erase(stations.begin() + std::ptrdiff_t(i));
  }
}

int chantierImplantation::couleurPoint(const observationImplantation& p) const {
  const parametresImplantation& r = reglagesImplantation();
  if (!p.visibiliteCalculee || !defini(p.obstruction)) return r.couleurNonVerifie;
  return p.obstruction <= r.hMin ? r.couleurVisible : r.couleurNonVisible;
}

// ------------------------------------------------------------ list texts

std::wstring texteStation(const chantierImplantation& c, const observationImplantation& p) {
  const observationMiseEnStation* s = c.station(p.station);
  return s ? s->nomOuCoordonnees() : std::wstring();
}

std::wstring texteRef(const chantierImplantation& c, const observationImplantation& p) {
  const observationMiseEnStation* s = c.station(p.station);
  return s ? s->texteReference() : std::wstring();
}

std::wstring texteAngle(const chantierImplantation& c, const observationImplantation& p) {
  const double a = c.angle(p);
  if (defini(a)) {
    std::wstring t = formater(L"%.4f", enGrades(a));
    // An angle just below 400 gr rounds to the full turn: that is 0.
    return t == L"400.0000" ? L"0.0000" : t;
  }
  const observationMiseEnStation* s = c.station(p.station);
  const double g = s ? s->gisementVers(p) : kIndefini;
  if (defini(g)) return L"g= " + formater(L"%.4f", enGrades(g));
  return L"-";
}

std::wstring texteDistance(const chantierImplantation& c, const observationImplantation& p) {
  const double d = c.distance(p);
  return defini(d) ? formater(L"%.4f", d) : std::wstring();
}

std::wstring texteVisible(const observationImplantation& p) {
  if (!p.visibiliteCalculee || !defini(p.obstruction)) return L"*";
  return formater(L"%.2f", p.obstruction);
}
