#include "calc/helmert.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

double resultatHelmert::rotationGrades() const { return rotation * 200.0 / std::numbers::pi; }

double resultatHelmert::emq() const {
  if (ecarts.size() < 2) return 0;
  double somme = 0;
  for (double d : ecarts) somme += d * d;
  return std::sqrt(somme / double(ecarts.size() - 1));
}

pointCalage resultatHelmert::transformer(const pointCalage& p) const {
  const double dx = p.x - xMoyenDepart, dy = p.y - yMoyenDepart;
  return {a * dx + b * dy + tx + xMoyenDepart, a * dy - b * dx + ty + yMoyenDepart};
}

resultatHelmert estimerHelmert(const std::vector<pointCalage>& depart, const std::vector<pointCalage>& final) {
  resultatHelmert r;
  if (depart.size() != final.size()) {
    r.message = L"Les listes de points de départ et finaux n'ont pas la même longueur";
    return r;
  }
  if (depart.empty()) {
    r.message = L"Aucun point de calage";
    return r;
  }
  const double n = double(depart.size());
  double grandeur = 0;  // largest source coordinate, for the spread test below
  for (std::size_t i = 0; i < depart.size(); ++i) {
    const double v[] = {depart[i].x, depart[i].y, final[i].x, final[i].y};
    for (double c : v)
      if (!std::isfinite(c)) {
        r.message = L"Coordonnées de calage invalides";
        return r;
      }
    r.xMoyenDepart += depart[i].x;
    r.yMoyenDepart += depart[i].y;
    r.xMoyenFinal += final[i].x;
    r.yMoyenFinal += final[i].y;
    grandeur = std::max({grandeur, std::fabs(depart[i].x), std::fabs(depart[i].y)});
  }
  r.xMoyenDepart /= n;
  r.yMoyenDepart /= n;
  r.xMoyenFinal /= n;
  r.yMoyenFinal /= n;

  // Normal equations of dX = A dx + B dy, dY = A dy - B dx: both unknowns
  // share the diagonal Σ(dx² + dy²), and the cross terms cancel.
  double norme = 0, sa = 0, sb = 0;
  for (std::size_t i = 0; i < depart.size(); ++i) {
    const double dx = depart[i].x - r.xMoyenDepart, dy = depart[i].y - r.yMoyenDepart;
    const double dX = final[i].x - r.xMoyenFinal, dY = final[i].y - r.yMoyenFinal;
    norme += dx * dx + dy * dy;
    sa += dx * dX + dy * dY;
    sb += dy * dX - dx * dY;
  }
  // Source points at one place leave A and B undefined. The centroid of equal
  // coordinates may differ from them by rounding, so "at one place" means a
  // spread within rounding of the coordinates' size.
  if (!(std::sqrt(norme / n) > 1e-12 * (1 + grandeur))) {
    r.message = L"Calcul impossible : les points de départ sont tous confondus";
    return r;
  }
  r.a = sa / norme;
  r.b = sb / norme;
  r.rotation = std::atan2(r.b, r.a);
  r.echelle = std::hypot(r.a, r.b);
  r.tx = r.xMoyenFinal - r.xMoyenDepart;
  r.ty = r.yMoyenFinal - r.yMoyenDepart;

  // Step by step as the parameters are stated: s, θ, then the translation.
  const double c = std::cos(r.rotation), s = std::sin(r.rotation);
  for (std::size_t i = 0; i < depart.size(); ++i) {
    const double dx = depart[i].x - r.xMoyenDepart, dy = depart[i].y - r.yMoyenDepart;
    const pointCalage p{r.echelle * (c * dx + s * dy) + r.tx + r.xMoyenDepart,
                        r.echelle * (c * dy - s * dx) + r.ty + r.yMoyenDepart};
    r.transformes.push_back(p);
    r.ecarts.push_back(std::hypot(p.x - final[i].x, p.y - final[i].y));
  }
  r.ok = true;
  return r;
}
