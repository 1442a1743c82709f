#include "aids/carroyage.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <variant>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/geom/curves.hpp"

namespace {

using geltaro::geom::kHalfPi;
using geltaro::geom::kPi;

// A node closer than this to the region's boundary (along its grid line)
// gets no cross: it is on the boundary, not inside.
constexpr double kBordNoeud = 1e-6;

// A piece of the region's outline monotone along the axis a grid line is
// cut across: a straight segment, or part of an arc between two of its
// extreme points. Coordinates are (u, v): u along the grid line, v across.
struct Morceau {
  double u1, v1, u2, v2;            // ends
  bool arc = false;
  double cu = 0, cv = 0, r = 0;     // circle, for arcs
  double signe = 1;                 // the side of the centre the piece is on, along u
};

// The pieces of the outline for grid lines of constant v. `horizontal`:
// v is y (lines of constant y), else v is x.
std::vector<Morceau> morceaux(const Path& region, bool horizontal) {
  std::vector<Morceau> out;
  auto uv = [horizontal](const ZcGePoint2d& p) { return horizontal ? std::pair{p.x, p.y} : std::pair{p.y, p.x}; };
  const std::size_t n = region.numSegments();
  for (std::size_t i = 0; i < n; ++i) {
    const auto seg = region.segment2d(i);
    if (const auto* l = std::get_if<ZcGeLineSeg2d>(&seg)) {
      const auto [u1, v1] = uv(l->startPoint());
      const auto [u2, v2] = uv(l->endPoint());
      out.push_back({u1, v1, u2, v2});
      continue;
    }
    const auto& a = std::get<ZcGeCircArc2d>(seg);
    // Angles of the arc from its start, in the direction of travel; the
    // arc splits where v is extreme (the angles pi/2 + k pi across v).
    const double debut = a.startAng(), balayage = a.sweepAngle(), sens = a.isClockWise() ? -1.0 : 1.0;
    const double decalage = horizontal ? kHalfPi : 0.0;  // v extreme where the angle is decalage + k pi
    std::vector<double> coupes{0.0};
    const double lo = std::min(debut, debut + sens * balayage), hi = std::max(debut, debut + sens * balayage);
    for (double k = std::ceil((lo - decalage) / kPi); decalage + k * kPi < hi; ++k) {
      const double t = sens * (decalage + k * kPi - debut);
      if (t > 0 && t < balayage) coupes.push_back(t);
    }
    coupes.push_back(balayage);
    std::sort(coupes.begin(), coupes.end());
    const auto [cu, cv] = uv(a.center());
    for (std::size_t k = 0; k + 1 < coupes.size(); ++k) {
      // Ends of the arc itself are the path's vertices, exactly.
      const ZcGePoint2d p1 = k == 0 ? a.startPoint() : a.evalPoint(coupes[k]);
      const ZcGePoint2d p2 = k + 2 == coupes.size() ? a.endPoint() : a.evalPoint(coupes[k + 1]);
      const ZcGePoint2d milieu = a.evalPoint(0.5 * (coupes[k] + coupes[k + 1]));
      Morceau m;
      std::tie(m.u1, m.v1) = uv(p1);
      std::tie(m.u2, m.v2) = uv(p2);
      m.arc = true;
      m.cu = cu;
      m.cv = cv;
      m.r = a.radius();
      m.signe = uv(milieu).first >= cu ? 1.0 : -1.0;
      out.push_back(m);
    }
  }
  return out;
}

// Where a monotone piece meets the line v = c, counted with the half-open
// rule (an end exactly on the line counts for one of the two pieces that
// meet there), so that crossings come in pairs around the inside.
bool croise(const Morceau& m, double c, double& u) {
  if ((m.v1 <= c) == (m.v2 <= c)) return false;
  if (!m.arc) {
    u = m.u1 + (c - m.v1) * (m.u2 - m.u1) / (m.v2 - m.v1);
    return true;
  }
  const double d = c - m.cv;
  u = m.cu + m.signe * std::sqrt(std::max(0.0, m.r * m.r - d * d));
  return true;
}

struct Coupe {
  std::vector<double> croisements;  // half-open crossings, sorted
  double premier = 0, dernier = 0;  // first and last meeting point with the outline
  bool touche = false;              // the line meets the outline at all
  // Stretches where the line runs along a straight edge: their nodes are
  // on the boundary.
  std::vector<std::pair<double, double>> leLongDesBords;
};

class Decoupeur {
 public:
  Decoupeur(const Path& region, bool horizontal, double pas, long long i0, long long i1, double tol)
      : morceaux_(morceaux(region, horizontal)), pas_(pas), i0_(i0), tol_(tol),
        seaux_(std::size_t(std::max<long long>(0, i1 - i0 + 1))) {
    // Each piece goes to the grid lines its range of v holds: a line then
    // meets only the pieces that can reach it.
    for (std::size_t k = 0; k < morceaux_.size(); ++k) {
      const Morceau& m = morceaux_[k];
      const long long a = std::max(i0, (long long)std::ceil((std::min(m.v1, m.v2) - tol) / pas));
      const long long b = std::min(i1, (long long)std::floor((std::max(m.v1, m.v2) + tol) / pas));
      for (long long i = a; i <= b; ++i) seaux_[std::size_t(i - i0)].push_back(k);
    }
  }

  Coupe couper(long long i) const {
    Coupe c;
    const double v = double(i) * pas_;
    auto toucher = [&c](double u) {
      if (!c.touche) c.premier = c.dernier = u;
      c.premier = std::min(c.premier, u);
      c.dernier = std::max(c.dernier, u);
      c.touche = true;
    };
    for (std::size_t k : seaux_[std::size_t(i - i0_)]) {
      const Morceau& m = morceaux_[k];
      double u;
      if (croise(m, v, u)) {
        c.croisements.push_back(u);
        toucher(u);
      }
      // Ends on the line (vertices, the ends of an edge the line runs
      // along) are where it meets the outline too.
      const bool sur1 = std::abs(m.v1 - v) <= tol_, sur2 = std::abs(m.v2 - v) <= tol_;
      if (sur1) toucher(m.u1);
      if (sur2) toucher(m.u2);
      if (sur1 && sur2 && !m.arc && m.u1 != m.u2) c.leLongDesBords.push_back(std::minmax(m.u1, m.u2));
    }
    std::sort(c.croisements.begin(), c.croisements.end());
    return c;
  }

 private:
  std::vector<Morceau> morceaux_;
  double pas_;
  long long i0_;
  double tol_;
  std::vector<std::vector<std::size_t>> seaux_;
};

}  // namespace

std::string texteCoordonneeCarroyage(double valeur, int precision) {
  precision = std::clamp(precision, 0, 4);
  char format[] = "%.nf";
  format[2] = char('0' + precision);
  char texte[400];
  std::snprintf(texte, sizeof texte, format, valeur);
  std::string s = texte;
  // A value that rounds to zero reads "0", never "-0".
  if (!s.empty() && s.front() == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
  return s;
}

bool calculerCarroyage(const Path& region, const paramsCarroyage& p, elementsCarroyage& out, double& noeuds) {
  out = {};
  noeuds = 0;
  if (region.numSegments() == 0 || !(p.pasX > 0) || !(p.pasY > 0)) return true;
  Path ferme = region.isClosed() ? region : Path::polyline(region.vertices(), true);
  const ZcDbExtents e = ferme.extents();
  const double minX = e.minPoint().x, minY = e.minPoint().y, maxX = e.maxPoint().x, maxY = e.maxPoint().y;
  // Grid values are i x step: no sum of steps drifts away from them.
  const double fx0 = std::floor(minX / p.pasX), fx1 = std::ceil(maxX / p.pasX);
  const double fy0 = std::floor(minY / p.pasY), fy1 = std::ceil(maxY / p.pasY);
  noeuds = (fx1 - fx0 + 1) * (fy1 - fy0 + 1);
  if (!(noeuds <= kNoeudsCarroyageMax)) return false;
  const long long x0 = (long long)fx0, x1 = (long long)fx1, y0 = (long long)fy0, y1 = (long long)fy1;
  const double tol = 1e-9 * std::max({1.0, std::abs(minX), std::abs(minY), std::abs(maxX), std::abs(maxY)});
  const double s = p.tailleCroix, h = p.tailleTextes;
  const bool dedans = p.ecrituresInternes;

  const Decoupeur horizontal(ferme, true, p.pasY, y0, y1, tol);
  for (long long j = y0; j <= y1; ++j) {
    const double y = double(j) * p.pasY;
    const Coupe c = horizontal.couper(j);
    if (!c.touche) continue;
    // Crosses inside the spans between pairs of crossings, none on the
    // boundary: neither next to a crossing nor along an edge the line
    // runs on (a frame on round coordinates).
    auto surUnBord = [&c](double g) {
      for (const auto& [a, b] : c.leLongDesBords)
        if (g >= a - kBordNoeud && g <= b + kBordNoeud) return true;
      return false;
    };
    for (std::size_t k = 0; k + 1 < c.croisements.size(); k += 2) {
      const double xa = c.croisements[k], xb = c.croisements[k + 1];
      for (long long i = (long long)std::floor(xa / p.pasX); double(i) * p.pasX < xb; ++i) {
        const double g = double(i) * p.pasX;
        if (g <= xa + kBordNoeud || g >= xb - kBordNoeud || surUnBord(g)) continue;
        out.lignes.push_back({{g - s / 2, y}, {g + s / 2, y}});
        out.lignes.push_back({{g, y - s / 2}, {g, y + s / 2}});
      }
    }
    const std::string texte = texteCoordonneeCarroyage(y, p.precision);
    const double xf = c.premier, xl = c.dernier;
    if (!dedans) {
      out.lignes.push_back({{xf, y}, {xf - s / 2, y}});
      out.textes.push_back({{xf - s, y - h / 2}, texte, true, 0.0});
      out.lignes.push_back({{xl, y}, {xl + s / 2, y}});
      out.textes.push_back({{xl + s, y - h / 2}, texte, false, 0.0});
    } else {
      out.lignes.push_back({{xf, y}, {xf + s / 2, y}});
      out.textes.push_back({{xf + s, y - h / 2}, texte, false, 0.0});
      out.lignes.push_back({{xl, y}, {xl - s / 2, y}});
      out.textes.push_back({{xl - s, y - h / 2}, texte, true, 0.0});
    }
  }

  const Decoupeur vertical(ferme, false, p.pasX, x0, x1, tol);
  for (long long i = x0; i <= x1; ++i) {
    const double x = double(i) * p.pasX;
    const Coupe c = vertical.couper(i);
    if (!c.touche) continue;
    const std::string texte = texteCoordonneeCarroyage(x, p.precision);
    const double yf = c.premier, yl = c.dernier;
    if (!dedans) {
      out.lignes.push_back({{x, yf - s / 2}, {x, yf}});
      out.textes.push_back({{x + h / 2, yf - s}, texte, true, kHalfPi});
      out.lignes.push_back({{x, yl + s / 2}, {x, yl}});
      out.textes.push_back({{x + h / 2, yl + s}, texte, false, kHalfPi});
    } else {
      out.lignes.push_back({{x, yf + s / 2}, {x, yf}});
      out.textes.push_back({{x + h / 2, yf + s}, texte, false, kHalfPi});
      out.lignes.push_back({{x, yl - s / 2}, {x, yl}});
      out.textes.push_back({{x + h / 2, yl - s}, texte, true, kHalfPi});
    }
  }
  return true;
}

void dessinerElementsCarroyage(ZcDbDatabase* db, const elementsCarroyage& e, double hauteurTextes,
                               std::vector<ZcDbObjectId>& ids) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  if (espace.openStatus() != Zcad::eOk) return;
  const ZcDbObjectId style = db->textstyle();
  ids.reserve(ids.size() + e.lignes.size() + e.textes.size());
  for (const auto& l : e.lignes) {
    auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(l.debut.x, l.debut.y, 0), ZcGePoint3d(l.fin.x, l.fin.y, 0));
    ZcDbObjectId id;
    if (espace->appendZcDbEntity(id, ligne.get()) == Zcad::eOk) ids.push_back(id);
  }
  for (const auto& t : e.textes) {
    const ZcGePoint3d position(t.position.x, t.position.y, 0);
    auto texte = std::make_unique<ZcDbText>(position, host::fromUtf8(t.texte), style, hauteurTextes, t.rotation);
    texte->setNormal(ZcGeVector3d(0, 0, 1));
    texte->setColorIndex(256);
    if (t.aDroite) {
      texte->setHorizontalMode(ZcDb::kTextRight);
      texte->setVerticalMode(ZcDb::kTextBottom);
      texte->setAlignmentPoint(position);
    }
    ZcDbObjectId id;
    if (espace->appendZcDbEntity(id, texte.get()) == Zcad::eOk) ids.push_back(id);
  }
}

int dessinerCarroyage(ZcDbDatabase* db, const ZcDbObjectId& regionId, const paramsCarroyage& p) {
  Path region;
  {
    ZcDbObjectPointer<ZcDbPolyline> pl(regionId, ZcDb::kForRead);
    if (pl.openStatus() != Zcad::eOk || !pl->toPath(region)) return 0;
  }
  elementsCarroyage e;
  double noeuds = 0;
  if (!calculerCarroyage(region, p, e, noeuds)) {
    zcutPrintf(L"\nCarroyage refusé : trop de croisements (%.0f).", noeuds);
    return 0;
  }
  std::vector<ZcDbObjectId> ids;
  dessinerElementsCarroyage(db, e, p.tailleTextes, ids);
  if (!ids.empty()) host::addAnonymousGroup(db, ids);
  return int(ids.size());
}
