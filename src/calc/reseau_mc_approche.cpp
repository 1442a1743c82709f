// The approximate positions of the points to compute: the loci of their
// observations crossed pass after pass, checked against all their
// observations, or the point fitted alone to them.
#include "calc/reseau_mc.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "calc/reseau_mc_outils.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"

using namespace reseau_mc_outils;

namespace {

// ---- Geometric loci for the approximate positions -----------------------

// A line (ray from (px, py) along the unit vector (dx, dy)) or a circle.
struct Lieu {
  bool cercle = false;
  double px = 0, py = 0, dx = 0, dy = 0;
  double cx = 0, cy = 0, r = 0;
  int obs = -1;
};

struct Candidat {
  double x, y;
};

int intersecter(const Lieu& a, const Lieu& b, Candidat out[2]) {
  if (!a.cercle && !b.cercle) {
    const double det = a.dx * b.dy - a.dy * b.dx;
    if (std::abs(det) < kSinusCroisementMin) return 0;
    const double t = ((b.px - a.px) * b.dy - (b.py - a.py) * b.dx) / det;
    out[0] = {a.px + t * a.dx, a.py + t * a.dy};
    return 1;
  }
  if (a.cercle != b.cercle) {
    const Lieu& l = a.cercle ? b : a;
    const Lieu& c = a.cercle ? a : b;
    const double ox = l.px - c.cx, oy = l.py - c.cy;
    const double demiB = l.dx * ox + l.dy * oy;
    const double cc = ox * ox + oy * oy - c.r * c.r;
    double disc = demiB * demiB - cc;
    if (disc < 0) {
      // distance from the centre to the line minus the radius
      const double ecart = std::sqrt(std::max(0.0, ox * ox + oy * oy - demiB * demiB)) - c.r;
      if (ecart > kEcartTangenceRelatif * c.r + kEcartTangenceAbsolu) return 0;
      disc = 0;
    }
    const double rac = std::sqrt(disc);
    // A line tangent to the circle meets it at a grazing angle.
    if (rac < kSinusCroisementMin * c.r && disc > 0) {
      out[0] = {l.px - demiB * l.dx, l.py - demiB * l.dy};
      return 1;
    }
    const double t1 = -demiB - rac, t2 = -demiB + rac;
    out[0] = {l.px + t1 * l.dx, l.py + t1 * l.dy};
    if (rac == 0) return 1;
    out[1] = {l.px + t2 * l.dx, l.py + t2 * l.dy};
    return 2;
  }
  const double ex = b.cx - a.cx, ey = b.cy - a.cy;
  const double d = std::hypot(ex, ey);
  if (d < 1e-12) return 0;
  const double tol = kEcartTangenceRelatif * std::max(a.r, b.r) + kEcartTangenceAbsolu;
  if (d > a.r + b.r + tol || d < std::abs(a.r - b.r) - tol) return 0;
  const double ux = ex / d, uy = ey / d;
  const double m = (d * d + a.r * a.r - b.r * b.r) / (2 * d);
  const double h2 = a.r * a.r - m * m;
  const double h = h2 > 0 ? std::sqrt(h2) : 0;
  if (h < kSinusCroisementMin * std::min(a.r, b.r)) {
    out[0] = {a.cx + m * ux, a.cy + m * uy};
    return 1;
  }
  out[0] = {a.cx + m * ux - h * uy, a.cy + m * uy + h * ux};
  out[1] = {a.cx + m * ux + h * uy, a.cy + m * uy - h * ux};
  return 2;
}

Lieu demiDroite(const pointACalculer& origine, double gis, int obs) {
  Lieu l;
  l.px = origine.X;
  l.py = origine.Y;
  l.dx = std::sin(gis);
  l.dy = std::cos(gis);
  l.obs = obs;
  return l;
}

}  // namespace

// ---- Approximate positions ------------------------------------------------

void reseauMoindresCarres::approcherXY() {
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  raisonAttente_.assign(std::size_t(n), 0);
  ecartAttente_.assign(std::size_t(n), 0.0);
  // Observations of each point, gathered once.
  std::vector<std::vector<int>> parPoint(n);
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto pts = pointsDe(observations[k]);
    for (int j = 0; j < 3; ++j) {
      const int p = pts[j];
      if (!valide(p)) continue;
      if ((j == 1 && p == pts[0]) || (j == 2 && (p == pts[0] || p == pts[1]))) continue;
      parPoint[p].push_back(k);
    }
  }

  // The misclosure of an angle or distance observation with point p put at
  // (x, y), and the length that turns an angle misclosure into metres.
  auto ecartAvec = [&](int k, int p, double x, double y, double& longueur) {
    pointACalculer& q = points[p];
    const double ox = q.X, oy = q.Y;
    q.X = x;
    q.Y = y;
    const auto& o = observations[k];
    const double calc = valeurCalculee(o);
    longueur = distance(points[o.station], points[o.cible]);
    q.X = ox;
    q.Y = oy;
    return o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc);
  };

  auto approcher = [&](int p) -> bool {
    std::vector<int> liees, denivelees;
    for (int k : parPoint[p]) {
      const auto& o = observations[k];
      const auto pts = pointsDe(o);
      int occurrences = 0;
      bool autresPositionnes = true;
      for (int q : pts) {
        if (q == p) ++occurrences;
        else if (valide(q) && !positionne[q]) autresPositionnes = false;
      }
      if (occurrences != 1) continue;
      if (o.type == kObsDenivelee) {
        const int autre = o.station == p ? o.cible : o.station;
        if (valide(autre) && points[autre].Z != kValeurAbsente) denivelees.push_back(k);
        continue;
      }
      if (!autresPositionnes || !valide(o.station) || !valide(o.cible)) continue;
      if (o.type == kObsAngle && o.reference >= n) continue;
      liees.push_back(k);
    }
    if (liees.size() < 3) return false;
    texte += format(L"\r\nCalcul du point %ls  à l'aide de %d equations ", points[p].nom.c_str(), int(liees.size()));

    std::vector<Lieu> lieux;
    for (int k : liees) {
      const auto& o = observations[k];
      const auto &S = points[o.station], &T = points[o.cible];
      if (o.type == kObsDistance) {
        if (!(o.valeur > 0)) continue;
        Lieu l;
        l.cercle = true;
        const auto& centre = o.station == p ? T : S;
        l.cx = centre.X;
        l.cy = centre.Y;
        l.r = o.valeur;
        l.obs = k;
        lieux.push_back(l);
      } else if (o.cible == p) {
        lieux.push_back(demiDroite(S, o.reference < 0 ? o.valeur : gisement(S, points[o.reference]) + o.valeur, k));
      } else if (o.reference == p) {
        lieux.push_back(demiDroite(S, gisement(S, T) - o.valeur, k));
      } else if (o.reference < 0) {
        lieux.push_back(demiDroite(T, o.valeur + kPi, k));
      } else {
        // The station sees target and reference under the angle: an arc of
        // the circle through both (inscribed angle).
        const auto& R = points[o.reference];
        const double corde = distance(T, R);
        const double sinus = std::sin(o.valeur);
        if (corde <= 0 || std::abs(sinus) < kSinusCroisementMin) continue;
        const double rayon = corde / (2 * std::abs(sinus));
        const double h = std::sqrt(std::max(0.0, rayon * rayon - corde * corde / 4));
        const double mx = (T.X + R.X) / 2, my = (T.Y + R.Y) / 2;
        const double nx = -(R.Y - T.Y) / corde, ny = (R.X - T.X) / corde;
        double meilleur = 1e300;
        Lieu l;
        l.cercle = true;
        l.r = rayon;
        l.obs = k;
        for (int cote : {1, -1}) {
          const double cx = mx + cote * h * nx, cy = my + cote * h * ny;
          for (int arc : {1, -1}) {
            pointACalculer essai;
            essai.X = cx + arc * rayon * nx;
            essai.Y = cy + arc * rayon * ny;
            const double a = moduloPositif(gisement(essai, T) - gisement(essai, R), kDeuxPi);
            const double e = std::abs(enveloppe(a - o.valeur));
            if (e < meilleur) {
              meilleur = e;
              l.cx = cx;
              l.cy = cy;
            }
          }
        }
        lieux.push_back(l);
      }
    }

    // A candidate lies on the right part of its loci: ahead on a line, on
    // the arc that sees the measured angle.
    // A candidate on one of the points the observations join is a spurious
    // crossing (a ray starts at its station, an arc passes through its
    // target and reference).
    auto surLesLieux = [&](const Candidat& c, const Lieu& a, const Lieu& b) {
      for (const Lieu* l : {&a, &b}) {
        for (int q : pointsDe(observations[l->obs]))
          if (valide(q) && q != p && std::hypot(points[q].X - c.x, points[q].Y - c.y) < kPointConfondu) return false;
        if (observations[l->obs].type != kObsAngle) continue;
        double longueur = 0;
        if (std::abs(ecartAvec(l->obs, p, c.x, c.y, longueur)) > kPi / 2) return false;
      }
      return true;
    };
    // The misclosure of an observation with p at (x, y), in metres: an angle
    // as the arc it spans at the distance that turns p's move into it.
    auto ecartMetres = [&](int k, double x, double y, double& levier) {
      double longueur = 0;
      const double e = ecartAvec(k, p, x, y, longueur);
      const auto& o = observations[k];
      levier = 1;
      if (o.type == kObsDistance) return e;
      const pointACalculer ici = pointEn(x, y);
      const auto& S = o.station == p ? ici : points[o.station];
      const auto& T = o.cible == p ? ici : points[o.cible];
      const double dT = distance(S, T);
      if (o.reference < 0 || o.cible == p) levier = dT;
      else {
        const auto& R = o.reference == p ? ici : points[o.reference];
        const double dR = distance(S, R);
        levier = o.reference == p ? dR : (dT > 0 && dR > 0 ? 1 / (1 / dT + 1 / dR) : 0);
      }
      return e * levier;
    };
    auto ecartTotal = [&](const Candidat& c) {
      double s = 0;
      for (int k : liees) {
        double levier = 0;
        const double e = ecartMetres(k, c.x, c.y, levier);
        s += e * e;
      }
      return s;
    };

    // Every crossing of two loci on the right part of both. Of two
    // crossings, the one that agrees best with all the point's observations.
    std::vector<Candidat> candidats;
    for (std::size_t i = 0; i < lieux.size(); ++i)
      for (std::size_t j = i + 1; j < lieux.size(); ++j) {
        Candidat c[2];
        const int nb = intersecter(lieux[i], lieux[j], c);
        Candidat retenus[2];
        int nr = 0;
        for (int k = 0; k < nb; ++k)
          if (std::isfinite(c[k].x) && std::isfinite(c[k].y) && surLesLieux(c[k], lieux[i], lieux[j])) retenus[nr++] = c[k];
        if (nr == 0) continue;
        candidats.push_back(nr == 2 && ecartTotal(retenus[1]) < ecartTotal(retenus[0]) ? retenus[1] : retenus[0]);
      }

    double x = 0, y = 0;
    if (!candidats.empty()) {
      // A robust mean: the crossings near the one that agrees best with all
      // the observations; crossings of nearly tangent or grazing loci, or
      // built on a faulty observation, lie far off and are dropped.
      std::size_t meilleur = 0;
      double ecartMeilleur = ecartTotal(candidats[0]);
      for (std::size_t i = 1; i < candidats.size(); ++i) {
        const double e = ecartTotal(candidats[i]);
        if (e < ecartMeilleur) {
          ecartMeilleur = e;
          meilleur = i;
        }
      }
      const Candidat centre = candidats[meilleur];
      std::vector<double> eloignements;
      for (const Candidat& c : candidats) eloignements.push_back(std::hypot(c.x - centre.x, c.y - centre.y));
      std::vector<double> tries = eloignements;
      std::nth_element(tries.begin(), tries.begin() + std::ptrdiff_t(tries.size() / 2), tries.end());
      const double rayon = std::max(0.05, 3 * tries[tries.size() / 2]);
      int nb = 0;
      for (std::size_t i = 0; i < candidats.size(); ++i)
        if (eloignements[i] <= rayon) {
          x += candidats[i].x;
          y += candidats[i].y;
          ++nb;
        }
      x /= nb;
      y /= nb;
    } else {
      // No pair of loci crosses: start from the centre of the points the
      // point is linked to.
      int nb = 0;
      for (int k : liees)
        for (int q : pointsDe(observations[k]))
          if (valide(q) && q != p) {
            x += points[q].X;
            y += points[q].Y;
            ++nb;
          }
      x /= nb;
      y /= nb;
    }

    // A position that misses one of its observations by metres comes from
    // observations that disagree, or from a wrong fold of the loci.
    auto coherente = [&](double cx, double cy, double& pire) {
      pire = 0;
      bool ok = true;
      for (int k : liees) {
        double levier = 0;
        const double e = std::abs(ecartMetres(k, cx, cy, levier));
        const double longueur = observations[k].type == kObsDistance ? observations[k].valeur : levier;
        if (!(e <= kCoherenceAbsolue + kCoherenceRelative * longueur)) ok = false;
        pire = std::max(pire, e);
      }
      return ok;
    };
    double pire = 0;
    if (candidats.empty() || !coherente(x, y, pire)) {
      // The point alone fitted to its observations (Gauss-Newton, in
      // metres), from the mean of the crossings or, when no pair crosses,
      // from the centre of its neighbours. Loci that do not fix the point
      // (a nearly singular system) leave it without a position.
      double fx = x, fy = y, rapport = 0;
      bool converge = false;
      for (int iter = 0; iter < 50 && !converge; ++iter) {
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (int k : liees) {
          const auto& o = observations[k];
          double levier = 0;
          const double l = ecartMetres(k, fx, fy, levier);
          // Derivatives of the computed value with respect to p's X and Y.
          double gx = 0, gy = 0;
          const auto& autreS = o.station == p ? pointEn(fx, fy) : points[o.station];
          const auto& autreT = o.cible == p ? pointEn(fx, fy) : points[o.cible];
          const double dx = autreT.X - autreS.X, dy = autreT.Y - autreS.Y, d2 = dx * dx + dy * dy;
          if (d2 <= 0) continue;
          if (o.type == kObsDistance) {
            const double d = std::sqrt(d2);
            gx = (o.cible == p ? 1 : -1) * dx / d;
            gy = (o.cible == p ? 1 : -1) * dy / d;
          } else {
            if (o.cible == p) {
              gx = dy / d2;
              gy = -dx / d2;
            } else if (o.station == p) {
              gx = -dy / d2;
              gy = dx / d2;
            }
            if (o.reference >= 0) {
              const auto& autreR = o.reference == p ? pointEn(fx, fy) : points[o.reference];
              const double rx = autreR.X - autreS.X, ry = autreR.Y - autreS.Y, r2 = rx * rx + ry * ry;
              if (r2 <= 0) continue;
              if (o.reference == p) {
                gx = -ry / r2;
                gy = rx / r2;
              } else if (o.station == p) {
                gx += ry / r2;
                gy += -rx / r2;
              }
            }
            gx *= levier;
            gy *= levier;
          }
          a11 += gx * gx;
          a12 += gx * gy;
          a22 += gy * gy;
          b1 += gx * l;
          b2 += gy * l;
        }
        const double trace = a11 + a22, det = a11 * a22 - a12 * a12;
        const double ecart = std::sqrt(std::max(0.0, trace * trace / 4 - det));
        const double grande = trace / 2 + ecart, petite = trace / 2 - ecart;
        rapport = grande > 0 ? petite / grande : 0;
        if (!(rapport >= kRapportDeterminationMin)) break;
        const double ddx = (a22 * b1 - a12 * b2) / det, ddy = (a11 * b2 - a12 * b1) / det;
        if (!std::isfinite(ddx) || !std::isfinite(ddy)) break;
        fx += ddx;
        fy += ddy;
        converge = std::hypot(ddx, ddy) < 1e-6;
      }
      double pireAjuste = 0;
      if (converge && coherente(fx, fy, pireAjuste)) {
        x = fx;
        y = fy;
      } else if (!converge && candidats.empty()) {
        raisonAttente_[std::size_t(p)] = 1;
        return false;
      } else {
        // The point waits rather than carry the disagreement along.
        raisonAttente_[std::size_t(p)] = 2;
        ecartAttente_[std::size_t(p)] = converge ? pireAjuste : pire;
        return false;
      }
    }
    raisonAttente_[std::size_t(p)] = 0;

    auto& pt = points[p];
    pt.X = x;
    pt.Y = y;
    if (!pt.connuZ && !denivelees.empty()) {
      double sz = 0;
      for (int k : denivelees) {
        const auto& o = observations[k];
        sz += o.cible == p ? points[o.station].Z + o.valeur : points[o.cible].Z - o.valeur;
      }
      pt.Z = sz / double(denivelees.size());
    }
    if (pt.Z != kValeurAbsente)
      texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f Z=%14.4f", pt.X, pt.Y, pt.Z);
    else
      texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f ", pt.X, pt.Y);
    return true;
  };

  // Passes until one positions nothing. The points a pass positions count
  // from the next pass on, so positions spread from the known points in
  // rings and each point is computed from the points nearest to them
  // (chains of approximations grow their errors). A point whose neighbours
  // gained no position since it was last tried cannot succeed, so a pass
  // only tries the unpositioned neighbours of the points positioned by the
  // previous one (the first pass tries every point).
  std::vector<int> candidats;
  for (int p = 0; p < n; ++p)
    if (!positionne[p]) candidats.push_back(p);
  std::vector<char> marque(n, 0);
  while (!candidats.empty()) {
    std::vector<int> nouveaux;
    for (int p : candidats)
      if (!positionne[p] && approcher(p)) nouveaux.push_back(p);
    for (int p : nouveaux) positionne[p] = true;
    candidats = voisinsAEssayer(
        nouveaux, parPoint, [&](int k) { return pointsDe(observations[k]); },
        [&](int q) { return bool(positionne[std::size_t(q)]); }, marque);
  }
}
