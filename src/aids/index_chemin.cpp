#include "aids/index_chemin.hpp"

#include <algorithm>
#include <cmath>
#include <variant>

#include "host/geom/curves.hpp"

namespace {

// Closest point of one plan segment: the point, its fraction of the
// segment's length, the distance.
struct ProcheSegment {
  ZcGePoint2d point;
  double fraction = 0.0;
  double distance = 0.0;
};

ProcheSegment procheSegment(const std::variant<ZcGeLineSeg2d, ZcGeCircArc2d>& s, const ZcGePoint2d& p) {
  ProcheSegment r;
  if (const auto* ligne = std::get_if<ZcGeLineSeg2d>(&s)) {
    const double t = ligne->length() > 0 ? std::clamp(ligne->paramOf(p), 0.0, 1.0) : 0.0;
    r.fraction = t;
    r.point = t == 0.0 ? ligne->startPoint() : t == 1.0 ? ligne->endPoint() : ligne->evalPoint(t);
  } else {
    const auto& arc = std::get<ZcGeCircArc2d>(s);
    const double a = arc.paramOf(p);
    r.fraction = arc.sweepAngle() > 0 ? std::clamp(a / arc.sweepAngle(), 0.0, 1.0) : 0.0;
    r.point = arc.evalPoint(a);
  }
  r.distance = r.point.distanceTo(p);
  return r;
}

// Plan box of a segment: its ends and, for an arc, the extreme points of
// its circle that it passes through.
void boiteSegment(const std::variant<ZcGeLineSeg2d, ZcGeCircArc2d>& s, double& x0, double& y0, double& x1,
                  double& y1) {
  auto ajouter = [&](const ZcGePoint2d& q) {
    x0 = std::min(x0, q.x);
    y0 = std::min(y0, q.y);
    x1 = std::max(x1, q.x);
    y1 = std::max(y1, q.y);
  };
  if (const auto* ligne = std::get_if<ZcGeLineSeg2d>(&s)) {
    x0 = x1 = ligne->startPoint().x;
    y0 = y1 = ligne->startPoint().y;
    ajouter(ligne->endPoint());
    return;
  }
  const auto& arc = std::get<ZcGeCircArc2d>(s);
  x0 = x1 = arc.startPoint().x;
  y0 = y1 = arc.startPoint().y;
  ajouter(arc.endPoint());
  const ZcGePoint2d c = arc.center();
  const double r = arc.radius();
  for (const ZcGePoint2d& q : {ZcGePoint2d(c.x + r, c.y), ZcGePoint2d(c.x, c.y + r), ZcGePoint2d(c.x - r, c.y),
                               ZcGePoint2d(c.x, c.y - r)})
    if (arc.distanceTo(q) <= 1e-9 * std::max(1.0, r)) ajouter(q);
}

}  // namespace

indexChemin::indexChemin(const Path& chemin, double rayon) : chemin_(chemin), rayon_(std::max(rayon, 1e-9)) {
  const std::size_t n = chemin.numSegments();
  cumul_.assign(n + 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) cumul_[i + 1] = cumul_[i] + chemin.segmentLength(i);
  if (n == 0) return;

  std::vector<Boite> boites(n);
  double gx0 = 0, gy0 = 0, gx1 = 0, gy1 = 0;
  for (std::size_t i = 0; i < n; ++i) {
    Boite& b = boites[i];
    boiteSegment(chemin.segment2d(i), b.x0, b.y0, b.x1, b.y1);
    if (i == 0) gx0 = b.x0, gy0 = b.y0, gx1 = b.x1, gy1 = b.y1;
    gx0 = std::min(gx0, b.x0);
    gy0 = std::min(gy0, b.y0);
    gx1 = std::max(gx1, b.x1);
    gy1 = std::max(gy1, b.y1);
  }
  // Cells about the radius, or about the size that gives one segment a
  // cell; never more than a few cells a segment.
  const double largeur = gx1 - gx0, hauteur = gy1 - gy0;
  taille_ = std::max({rayon_, std::sqrt(largeur * hauteur / double(n)), 1e-9 * std::max(largeur, hauteur)});
  const double maxCellules = 4.0 * double(n) + 16.0;
  for (;;) {
    const double cx = std::floor(largeur / taille_) + 1, cy = std::floor(hauteur / taille_) + 1;
    if (cx * cy <= maxCellules) {
      nx_ = long(cx);
      ny_ = long(cy);
      break;
    }
    taille_ *= std::sqrt(cx * cy / maxCellules) * 1.01;
  }
  x0_ = gx0;
  y0_ = gy0;

  // Two passes: count per cell, then fill (segment indexes ascending).
  debut_.assign(std::size_t(nx_ * ny_) + 1, 0);
  long i0, j0, i1, j1;
  for (std::size_t s = 0; s < n; ++s) {
    cellules(boites[s], i0, j0, i1, j1);
    for (long j = j0; j <= j1; ++j)
      for (long i = i0; i <= i1; ++i) ++debut_[std::size_t(j * nx_ + i) + 1];
  }
  for (std::size_t c = 1; c < debut_.size(); ++c) debut_[c] += debut_[c - 1];
  segments_.resize(debut_.back());
  std::vector<std::uint32_t> rempli(debut_.begin(), debut_.end() - 1);
  for (std::size_t s = 0; s < n; ++s) {
    cellules(boites[s], i0, j0, i1, j1);
    for (long j = j0; j <= j1; ++j)
      for (long i = i0; i <= i1; ++i) segments_[rempli[std::size_t(j * nx_ + i)]++] = std::uint32_t(s);
  }
  vu_.assign(n, 0);
}

void indexChemin::cellules(const Boite& b, long& i0, long& j0, long& i1, long& j1) const {
  auto cellule = [this](double v, double origine, long n) {
    const double k = std::floor((v - origine) / taille_);
    return long(std::clamp(k, 0.0, double(n - 1)));
  };
  i0 = cellule(b.x0, x0_, nx_);
  i1 = cellule(b.x1, x0_, nx_);
  j0 = cellule(b.y0, y0_, ny_);
  j1 = cellule(b.y1, y0_, ny_);
}

procheChemin indexChemin::plusProche(const ZcGePoint2d& p) const {
  procheChemin r;
  const std::size_t n = chemin_.numSegments();
  if (n == 0) {
    // A single vertex (or nothing).
    if (chemin_.isEmpty()) return r;
    r.point = chemin_.startPoint().convert2d();
    r.distance = r.point.distanceTo(p);
    r.trouve = r.distance <= rayon_;
    return r;
  }
  const Boite zone{p.x - rayon_, p.y - rayon_, p.x + rayon_, p.y + rayon_};
  // A box wholly outside the grid meets no segment.
  if (zone.x1 < x0_ || zone.y1 < y0_ || zone.x0 > x0_ + double(nx_) * taille_ ||
      zone.y0 > y0_ + double(ny_) * taille_)
    return r;
  if (++requete_ == 0) {
    std::fill(vu_.begin(), vu_.end(), 0);
    requete_ = 1;
  }
  long i0, j0, i1, j1;
  cellules(zone, i0, j0, i1, j1);
  std::vector<std::uint32_t> candidats;
  for (long j = j0; j <= j1; ++j)
    for (long i = i0; i <= i1; ++i) {
      const std::size_t c = std::size_t(j * nx_ + i);
      for (std::uint32_t k = debut_[c]; k < debut_[c + 1]; ++k) {
        const std::uint32_t s = segments_[k];
        if (vu_[s] == requete_) continue;
        vu_[s] = requete_;
        candidats.push_back(s);
      }
    }
  // In path order, so that of equally near segments the first one wins.
  std::sort(candidats.begin(), candidats.end());
  double meilleure = rayon_;
  for (std::uint32_t s : candidats) {
    const ProcheSegment c = procheSegment(chemin_.segment2d(s), p);
    if (c.distance < meilleure || (!r.trouve && c.distance <= meilleure)) {
      meilleure = c.distance;
      r.trouve = true;
      r.point = c.point;
      r.distance = c.distance;
      r.distanceLe = cumul_[s] + c.fraction * (cumul_[s + 1] - cumul_[s]);
      // The end of a closed path is its start.
      if (chemin_.isClosed() && s + 1 == n && c.fraction >= 1.0) r.distanceLe = 0.0;
    }
  }
  return r;
}
